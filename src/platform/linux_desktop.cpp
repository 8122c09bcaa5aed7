// The report file types as freedesktop.org shared-mime-info types of the user's
// data directory, opened by the desktop's text editor and printed through the
// station.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "platform/linux.h"

namespace zarvane {
namespace {

constexpr int kToolWaitMs = 30000;

// Runs a tool to its end; its standard output, nullopt when it failed.
std::optional<QString> RunTool(const QString& tool, const QStringList& arguments) {
  const QString program = QStandardPaths::findExecutable(tool);
  if (program.isEmpty()) return std::nullopt;
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(kToolWaitMs)) {
    process.kill();
    process.waitForFinished(1000);
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool WriteUtf8(const QString& path, const std::string& text) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

// A desktop entry's Exec argument: "%" doubled (field codes), quoted when it
// holds anything else special.
QString ExecArgument(QString argument) {
  argument.replace(QLatin1String("%"), QLatin1String("%%"));
  static const QString special = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  bool plain = !argument.isEmpty();
  for (const QChar ch : argument) plain = plain && !special.contains(ch);
  if (plain) return argument;
  QString quoted = argument;
  for (const char* ch : {"\\", "\"", "`", "$"})
    quoted.replace(QLatin1String(ch), QLatin1String("\\") + QLatin1String(ch));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

std::string LinuxFileTypes::DataDirectory() {
  const QByteArray set = qgetenv("XDG_DATA_HOME");
  if (!set.isEmpty() && QDir::isAbsolutePath(QString::fromLocal8Bit(set))) return FromQt(QString::fromLocal8Bit(set));
  return FromQt(QDir::homePath() + QStringLiteral("/.local/share"));
}

std::vector<std::string> LinuxFileTypes::MissingTools() {
  std::vector<std::string> missing;
  for (const char* tool : {"update-mime-database", "xdg-mime"})
    if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) missing.push_back(tool);
  return missing;
}

std::string LinuxFileTypes::TextEditor() {
  const auto editor = RunTool(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                                           QStringLiteral("text/plain")});
  return editor ? FromQt(editor->trimmed()) : "";
}

std::string LinuxFileTypes::PrintCommand() {
  return FromQt(ExecArgument(QCoreApplication::applicationFilePath()) + QStringLiteral(" --print %f"));
}

bool LinuxFileTypes::Register(const std::vector<FileTypeRegistration>& types) {
  const QString data = ToQt(DataDirectory());
  bool ok = WriteUtf8(data + QStringLiteral("/mime/packages/zarvane.xml"), MimePackageXml(types));
  ok = ok && RunTool(QStringLiteral("update-mime-database"), {data + QStringLiteral("/mime")}).has_value();

  // freedesktop has no verbs: "open" is the types' default application, and
  // "print" a desktop entry of its own that offers itself for the types.
  QString printCommand, mimeTypes;
  for (const FileTypeRegistration& type : types) {
    mimeTypes += ToQt(MimeTypeName(type)) + QLatin1Char(';');
    if (printCommand.isEmpty()) printCommand = ToQt(CommandOf(type, "print"));
  }
  if (ok && !printCommand.isEmpty()) {
    const std::string entry = "[Desktop Entry]\nType=Application\nName=Print with Zarvane\nExec=" +
                              printCommand.toStdString() + "\nMimeType=" + mimeTypes.toStdString() +
                              "\nNoDisplay=true\nTerminal=false\n";
    ok = WriteUtf8(data + QStringLiteral("/applications/zarvane-print.desktop"), entry);
  }
  for (const FileTypeRegistration& type : types) {
    const QString editor = ToQt(CommandOf(type, "open"));
    if (ok && !editor.isEmpty())
      ok = RunTool(QStringLiteral("xdg-mime"), {QStringLiteral("default"), editor, ToQt(MimeTypeName(type))})
               .has_value();
  }
  return ok;
}

}  // namespace zarvane
