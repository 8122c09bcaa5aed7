// Diagnostic log and operator messages.
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <typeinfo>

#include "foundation/core.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "foundation/writefault.h"

namespace zarvane {

Err ErrFrom(const std::exception& e) {
  if (auto* r = dynamic_cast<const RuntimeError*>(&e)) return r->AsErr();
  if (dynamic_cast<const std::out_of_range*>(&e)) return {kErrSubscript, "Subscript out of range"};
  if (dynamic_cast<const std::bad_alloc*>(&e)) return {7, "Out of memory"};
  return {kErrInvalidCall, e.what()};
}

Core::Core(Platform& platform_, Operator& op_, Forms& forms_)
    : platform(platform_), op(op_), forms(forms_) {
  if (platform.system) gDotDecimal = platform.system->DecimalSeparator() == '.';
}

std::string Core::HomeFile(const std::string& name) const { return JoinPath(gHome, name); }

std::string Core::NowText(const char* format) {
  const auto now = platform.clock ? platform.clock->Now() : std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[64];
  return std::strftime(buf, sizeof buf, format, &tm) ? buf : "";
}

// The log stays open between lines and every line is flushed, so readers see
// the file as if it were opened and closed per line. Before each line the
// open file is checked against the name: when the log has been moved aside,
// deleted or replaced (the start-up backup renames it), the next line opens
// the file by its name again.
struct Core::LogStream {
  std::string path;    // the log's name as asked for
  std::string osPath;  // the file opened
  std::FILE* file = nullptr;
  dev_t device = 0;
  ino_t inode = 0;

  ~LogStream() { Close(); }

  void Close() {
    if (file) std::fclose(file);
    file = nullptr;
  }

  bool StillTheFile() const {
    struct stat st {};
    return ::stat(osPath.c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode;
  }

  bool Open(const std::string& name) {
    path = name;
    osPath = OsPath(ResolveCase(name)).string();
    file = std::fopen(osPath.c_str(), "abe");  // appending, not inherited by programs the station starts
    if (!file) return false;
    struct stat st {};
    if (::fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) {
      Close();
      return false;
    }
    device = st.st_dev;
    inode = st.st_ino;
    return true;
  }

  bool Append(const std::string& name, const std::string& line) {
    if (file && (name != path || !StillTheFile())) Close();
    // A test's write fault on the log: the file takes its byte count, then no more.
    const WriteFault* fault = WriteFaultFor(name);
    if (fault && !fault->bytesBefore) return false;
    if (!file && !Open(name)) return false;
    if (fault && std::ftell(file) + line.size() + 2 > *fault->bytesBefore) {
      Close();
      return false;
    }
    const bool ok = std::fwrite(line.data(), 1, line.size(), file) == line.size() &&
                    std::fwrite("\r\n", 1, 2, file) == 2 && std::fflush(file) == 0;
    if (!ok) Close();
    return ok;
  }
};

void Core::WriteLog(const std::string& message, int level, bool showBox, int messageType) {
  // The level gate comes first: a line that is not written costs nothing more.
  if (gDebugLevel >= 5 && gDebugLevel >= level && !gHome.empty()) {
    // One call is one line of the file: line breaks fold into blanks.
    std::string line = ReplaceAll(message, "\r\n", " ");
    for (char& c : line)
      if (c == '\r' || c == '\n') c = ' ';
    if (!showBox) {
      const char* tag = messageType == 1 ? "ERRR" : messageType == 2 ? "WARN" : messageType == 3 ? "INFO" : "UNSP";
      line = std::string(tag) + ": " + line;
    }
    if (gDebugLevel >= 9) line = NowText("%H:%M:%S") + ": " + line;
    const std::string path = HomeFile("debug.txt");
    if (!logStream_) logStream_ = std::make_shared<LogStream>();
    if (logStream_->Append(path, line)) {
      logBlocked_ = false;
    } else if (!logBlocked_) {
      // Told once; told again only after the log has been writable in between.
      logBlocked_ = true;
      op.Message("Unable to open " + path + " for writing and may be in use by another process.\r" +
                     "If problem persists, contact a System Administrator.",
                 AppTitle);
    }
  }
  if (showBox) op.Message(message, AppTitle);
}

std::string Core::ErrorText(const Err& err) {
  const std::string description = Trim(err.description).empty() ? "Unknown error." : err.description;
  return "\r\nInformational Message\r\nError Number: " + std::to_string(err.number) +
         "\r\nError Description: " + description + "\r\n";
}

void Core::Tell(const std::string& englishText) { WriteLog(Translate(englishText) + ".", 0, true); }

bool Core::Ask(const std::string& englishText, const std::string& englishTitle) {
  const std::string text = Translate(englishText);
  return op.YesNo(text, Translate(englishTitle));
}

}  // namespace zarvane
