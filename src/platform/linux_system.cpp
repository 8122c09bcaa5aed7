// Facts about this machine and session.
#include <unistd.h>

#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <climits>
#include <cstdlib>

#include "foundation/text.h"
#include "platform/linux.h"

namespace zarvane {
namespace {

QString Executable(const QString& name) {
  if (name.contains(QLatin1Char('/'))) {
    const QFileInfo info(name);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
  }
  return QStandardPaths::findExecutable(name);
}

}  // namespace

std::string LinuxSystemInfo::ComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return Utf8ToCp1252(name);
}

std::string LinuxSystemInfo::SystemDirectory() {
  // The directory that holds what a Windows station keeps in its Windows
  // directory (QUOLAB.INI, blade.ini, the editor). /etc/zarvane unless
  // ZARVANE_SYSTEM_DIR names another.
  const char* dir = std::getenv("ZARVANE_SYSTEM_DIR");
  if (dir && *dir) return Utf8ToCp1252(dir);
  return "/etc/zarvane";
}

char LinuxSystemInfo::DecimalSeparator() {
  const QString point = QLocale::system().decimalPoint();
  if (!point.isEmpty() && point.at(0) == QLatin1Char(',')) return ',';
  return '.';
}

bool LinuxSystemInfo::LogOffUser() {
  const QString loginctl = QStandardPaths::findExecutable(QStringLiteral("loginctl"));
  if (loginctl.isEmpty()) return false;
  QStringList arguments;
  const QByteArray session = qgetenv("XDG_SESSION_ID");
  if (!session.isEmpty()) {
    arguments << QStringLiteral("terminate-session") << QString::fromLocal8Bit(session);
  } else {
    QByteArray user = qgetenv("USER");
    if (user.isEmpty()) user = qgetenv("LOGNAME");
    if (user.isEmpty()) return false;
    arguments << QStringLiteral("terminate-user") << QString::fromLocal8Bit(user);
  }
  QProcess process;
  process.start(loginctl, arguments);
  if (!process.waitForFinished(15000)) {
    process.kill();
    process.waitForFinished(1000);
    return false;
  }
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::string LinuxSystemInfo::SystemInfoProgram() {
  const QByteArray chosen = qgetenv("ZARVANE_SYSINFO");
  if (!chosen.isEmpty()) {
    const QString found = Executable(QString::fromLocal8Bit(chosen));
    if (!found.isEmpty()) return FromQt(found);
  }
  for (const char* name :
       {"hardinfo", "hardinfo2", "gnome-system-monitor", "ksysguard", "xfce4-taskmanager", "lshw-gtk"}) {
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!found.isEmpty()) return FromQt(found);
  }
  return "";
}

std::optional<std::pair<int, int>> LinuxSystemInfo::ImageSize(const std::string& path) {
  QImageReader reader(ToQt(path));
  QSize size = reader.size();
  // Formats that cannot tell their size from the header are read whole.
  if (!size.isValid() && reader.canRead()) size = reader.read().size();
  if (!size.isValid() || size.isEmpty()) return std::nullopt;
  return std::make_pair(size.width(), size.height());
}

}  // namespace zarvane
