// The shell: programs are started detached with their arguments split from the
// parameter text (never through /bin/sh), documents go to the desktop's opener,
// and printing a text file goes through the Printer service.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <chrono>
#include <thread>
#include <QStandardPaths>
#include <QStringList>
#include <fstream>
#include <sstream>

#include "foundation/operator.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "platform/linux.h"

namespace zarvane {
namespace {

// An executable program: execute permission and an ELF or "#!" header. The
// header matters because file systems shared with Windows machines (vfat,
// ntfs, cifs) often mark every file executable, documents included.
bool IsProgramFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile() || !info.isExecutable()) return false;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = f.read(4);
  return head.startsWith(
             "\x7f"
             "ELF") ||
         head.startsWith("#!");
}

// The file text as the station passes it: blanks trimmed, one pair of
// surrounding double quotes dropped, "\" read as the separator.
std::string CleanFileText(const std::string& file) {
  std::string f = Trim(file);
  if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
  return NativePath(f);
}

// Where a relative name may be found: the current directory, then `directory`.
QStringList Candidates(const std::string& name, const std::string& directory) {
  QStringList list;
  const QString q = ToQt(name);
  list << QFileInfo(q).absoluteFilePath();
  if (QFileInfo(q).isRelative() && !Trim(directory).empty())
    list << QFileInfo(QDir(ToQt(NativePath(Trim(directory)))), q).absoluteFilePath();
  return list;
}

std::optional<std::string> FindDocument(const std::string& file, const std::string& directory) {
  for (const QString& c : Candidates(file, directory))
    if (QFileInfo::exists(c)) return FromQt(QDir::cleanPath(c));
  // Names composed by the station may differ from the files only in case.
  for (const QString& c : Candidates(file, directory)) {
    const std::string resolved = ResolveCase(FromQt(c));
    if (QFileInfo::exists(ToQt(resolved))) return resolved;
  }
  return std::nullopt;
}

QString FindOnPath(const QString& name) {
  if (name.contains(QLatin1Char('/'))) return IsProgramFile(name) ? name : QString();
  const QString found = QStandardPaths::findExecutable(name);
  return !found.isEmpty() && IsProgramFile(found) ? found : QString();
}

}  // namespace

std::optional<std::uint64_t> ProcessStartTime(std::int64_t pid) {
  if (pid <= 0) return std::nullopt;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  if (!in) return std::nullopt;
  std::string line;
  std::getline(in, line);
  // "pid (name) state ppid ...": the name may hold blanks and parentheses.
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(close + 1));
  std::string field;
  std::vector<std::string> rest;
  while (fields >> field) rest.push_back(field);
  // rest[0] is field 3 (state), so field 22 (start time) is rest[19].
  if (rest.size() < 20) return std::nullopt;
  if (rest[0] == "Z" || rest[0] == "X" || rest[0] == "x") return std::nullopt;
  try {
    return std::stoull(rest[19]);
  } catch (...) {
    return std::nullopt;
  }
}

LinuxShell::LinuxShell(Printer* printer, Operator* recorder, Mode mode, std::string opener)
    : printer_(printer), recorder_(recorder), mode_(mode), opener_(std::move(opener)) {}

std::optional<std::string> LinuxShell::ResolveProgram(const std::string& file, const std::string& directory) {
  const std::string f = CleanFileText(file);
  if (f.empty()) return std::nullopt;
  std::vector<std::string> names = {f};
  // Programs named as on Windows: "mirror.exe" is "mirror" here, or "Mirror.exe" "mirror".
  if (f.size() > 4 && IEquals(f.substr(f.size() - 4), ".exe")) {
    const std::string base = f.substr(0, f.size() - 4);
    names.push_back(base);
    const std::string dir = DirectoryOf(base);
    const std::string lower = LCase(FileNameFromPath(base));
    names.push_back(dir.empty() && base.find('/') == std::string::npos ? lower : dir + "/" + lower);
  }
  for (const std::string& name : names) {
    const bool bare = name.find('/') == std::string::npos;
    for (const QString& c : Candidates(name, directory))
      if (IsProgramFile(c)) return FromQt(QDir::cleanPath(c));
    if (bare) {
      const QString found = FindOnPath(ToQt(name));
      if (!found.isEmpty()) return FromQt(found);
    }
  }
  return std::nullopt;
}

ShellResult LinuxShell::Open(const std::string& operation, const std::string& file,
                             const std::string& parameters, const std::string& directory,
                             int /*showCommand*/) {
  const std::string verb = LCase(Trim(operation));
  const bool print = verb == "print";
  const bool open = verb.empty() || verb == "open" || verb == "edit" || verb == "explore";
  if (CleanFileText(file).empty()) return ShellResult::FileNotFound;

  if (const auto program = ResolveProgram(file, directory)) {
    if (!open) return ShellResult::NoAssociation;  // a program has no "Print"
    if (mode_ == Mode::RecordAll) return Record(operation, file, parameters);
    return StartProgram(*program, parameters, directory);
  }

  const auto document = FindDocument(CleanFileText(file), directory);
  if (!document) return ShellResult::FileNotFound;
  if (!open && !print) return ShellResult::NoAssociation;
  if (mode_ != Mode::Live) return Record(operation, file, parameters);
  if (print) return PrintDocument(*document);

  const QString opener = FindOnPath(ToQt(opener_));
  if (opener.isEmpty()) return ShellResult::NoAssociation;
  const QString workDir = QFileInfo(ToQt(*document)).absolutePath();
  return QProcess::startDetached(opener, {ToQt(*document)}, workDir) ? ShellResult::Ok : ShellResult::Failed;
}

ShellResult LinuxShell::Record(const std::string& operation, const std::string& file,
                               const std::string& parameters) {
  std::string text = operation + " " + file;
  if (!parameters.empty()) text += " " + parameters;
  if (recorder_) recorder_->Note("OPEN", text);
  return ShellResult::Ok;
}

ShellResult LinuxShell::StartProgram(const std::string& program, const std::string& parameters,
                                     const std::string& directory) {
  if (deferred_) {
    pending_.push_back({program, parameters, directory});
    return ShellResult::Ok;
  }
  QStringList arguments;
  for (const std::string& a : SplitCommandLine(parameters)) arguments << ToQt(a);
  QString workDir;
  const QString dir = ToQt(NativePath(Trim(directory)));
  if (!dir.isEmpty() && QFileInfo(dir).isDir()) workDir = dir;
  qint64 pid = 0;
  if (!QProcess::startDetached(ToQt(program), arguments, workDir, &pid)) return ShellResult::Failed;
  // Programs that have ended are forgotten: a station in service starts
  // thousands (an analysis and a combine for every report), and each look for
  // a running one would read them all.
  std::erase_if(started_, [](const StartedProgram& p) {
    const auto now = p.startTime == 0 ? std::nullopt : ProcessStartTime(p.pid);
    return !now || *now != p.startTime;
  });
  // A program that is already gone gets start time 0 and never counts as running.
  started_.push_back({pid, FileNameFromPath(program), ProcessStartTime(pid).value_or(0)});
  return ShellResult::Ok;
}

ShellResult LinuxShell::PrintDocument(const std::string& path) {
  if (!printer_) return ShellResult::NoAssociation;
  const QString q = ToQt(path);
  if (!QMimeDatabase().mimeTypeForFile(q).inherits(QStringLiteral("text/plain")))
    return ShellResult::NoAssociation;
  QFile f(q);
  if (!f.open(QIODevice::ReadOnly)) return ShellResult::Failed;
  const QByteArray bytes = f.readAll();
  const std::string text(bytes.constData(), static_cast<size_t>(bytes.size()));
  PrintJob job;
  job.title = FileNameFromPath(path);
  job.text = text;
  job.rich = QFileInfo(q).suffix().compare(QLatin1String("rtf"), Qt::CaseInsensitive) == 0;
  job.fontName = "Courier New";
  job.fontSize = 10;
  // A text editor's printing: three-quarter-inch margins.
  job.left = job.top = job.right = job.bottom = 1080;
  return printer_->Print(job) ? ShellResult::Ok : ShellResult::Failed;
}

void LinuxShell::RunDeferred(int maxMs) {
  while (!pending_.empty()) {
    const DeferredProgram next = pending_.front();
    pending_.erase(pending_.begin());
    deferred_ = false;
    const ShellResult started = StartProgram(next.program, next.parameters, next.directory);
    deferred_ = true;
    if (started != ShellResult::Ok) continue;
    const StartedProgram p = started_.back();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (p.startTime != 0 && std::chrono::steady_clock::now() < deadline) {
      const auto now = ProcessStartTime(p.pid);
      if (!now || *now != p.startTime) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
}

std::vector<std::string> LinuxShell::RunningChildren() {
  std::vector<std::string> names;
  for (const DeferredProgram& p : pending_) names.push_back(FileNameFromPath(p.program));
  for (const StartedProgram& p : started_) {
    if (p.startTime == 0) continue;
    const auto now = ProcessStartTime(p.pid);
    if (now && *now == p.startTime) names.push_back(p.name);
  }
  return names;
}

}  // namespace zarvane
