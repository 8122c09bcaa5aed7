// The registry store on QSettings (INI format). QSettings compares names
// exactly, so every lookup first finds the group and key whose names match
// without regard to case, and a write goes to the existing spelling.
#include <QSettings>
#include <QStringList>
#include <cstdlib>

#include "foundation/text.h"
#include "platform/linux.h"

namespace zarvane {
namespace {

// The existing name among `names` that equals `wanted` ignoring case, else `wanted`.
QString MatchName(const QStringList& names, const std::string& wanted) {
  for (const QString& name : names)
    if (IEquals(FromQt(name), wanted)) return name;
  return ToQt(wanted);
}

bool HasName(const QStringList& names, const QString& name) { return names.contains(name); }

}  // namespace

QtRegistry::QtRegistry() {
  const char* file = std::getenv("ZARVANE_REGISTRY");
  if (file && *file)
    settings_ = std::make_unique<QSettings>(QString::fromLocal8Bit(file), QSettings::IniFormat);
  else
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Zarvane"), QStringLiteral("Zarvane"));
}

QtRegistry::QtRegistry(const std::string& iniPath)
    : settings_(std::make_unique<QSettings>(ToQt(iniPath), QSettings::IniFormat)) {}

QtRegistry::~QtRegistry() = default;

std::string QtRegistry::FileName() const { return FromQt(settings_->fileName()); }

std::optional<std::string> QtRegistry::Get(const std::string& section, const std::string& key) {
  // Pick up what other processes wrote since the last look.
  settings_->sync();
  const QStringList groups = settings_->childGroups();
  const QString group = MatchName(groups, section);
  if (!HasName(groups, group)) return std::nullopt;
  settings_->beginGroup(group);
  const QStringList keys = settings_->childKeys();
  const QString name = MatchName(keys, key);
  std::optional<std::string> result;
  if (HasName(keys, name)) {
    const QVariant value = settings_->value(name);
    // A hand-edited value with unquoted commas reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
      result = FromQt(value.toStringList().join(QStringLiteral(", ")));
    else
      result = FromQt(value.toString());
  }
  settings_->endGroup();
  return result;
}

void QtRegistry::Set(const std::string& section, const std::string& key, const std::string& value) {
  settings_->sync();
  const QString group = MatchName(settings_->childGroups(), section);
  settings_->beginGroup(group);
  const QString name = MatchName(settings_->childKeys(), key);
  settings_->setValue(name, ToQt(value));
  settings_->endGroup();
  // Written through at once so other processes (and a crash) see the value.
  settings_->sync();
}

}  // namespace zarvane
