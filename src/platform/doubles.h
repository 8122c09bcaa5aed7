#pragma once
// Test doubles of the platform services: in-memory fakes for unit tests, the
// virtual clock, and the recording variants headless runs use so that nothing
// leaves the machine (documents, print jobs, log-offs) without being written
// to the transcript.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/operator.h"

#include "platform/linux.h"
#include "platform/platform.h"

namespace zarvane {

class Operator;

// ---------------------------------------------------------------------------
// In-memory registry store; sections and keys without regard to case.
class FakeRegistry : public RegistryStore {
 public:
  struct Entry {
    std::string section;  // the spelling first written
    std::string key;
    std::string value;
  };

  std::optional<std::string> Get(const std::string& section, const std::string& key) override;
  void Set(const std::string& section, const std::string& key, const std::string& value) override;

  // All entries, ordered by case-folded section and key.
  std::vector<Entry> Entries() const;
  int setCount = 0;

 private:
  std::map<std::pair<std::string, std::string>, Entry> entries_;  // key: upper-cased names
};

// ---------------------------------------------------------------------------
// Records every call; answers with `result`.
class FakeShell : public Shell {
 public:
  struct Call {
    std::string operation, file, parameters, directory;
    int showCommand = 0;
  };

  ShellResult Open(const std::string& operation, const std::string& file, const std::string& parameters,
                   const std::string& directory, int showCommand) override;
  std::vector<std::string> RunningChildren() override { return running; }

  std::vector<Call> calls;
  ShellResult result = ShellResult::Ok;
  std::vector<std::string> running;
};

// The shell of headless runs: documents are recorded through
// Operator::Note("OPEN", "<operation> <file> <parameters>") instead of opened,
// while programs (the station's helper tools) are really started unless
// `recordPrograms` is set.
class RecordingShell : public LinuxShell {
 public:
  explicit RecordingShell(Operator* recorder, bool recordPrograms = false, Printer* printer = nullptr)
      : LinuxShell(printer, recorder, recordPrograms ? Mode::RecordAll : Mode::RecordDocuments) {}
};

// ---------------------------------------------------------------------------
class FakeWindows : public WindowFinder {
 public:
  std::vector<std::string> TopLevelTitles() override { return titles; }
  std::vector<std::string> titles;
};

// ---------------------------------------------------------------------------
// Drive types by path prefix (component-wise, the longest prefix wins).
class FakeDrives : public Drives {
 public:
  DriveType TypeOf(const std::string& path) override;
  std::vector<std::string> FixedDrives() override { return fixed; }

  void SetType(const std::string& prefix, DriveType type) { types[prefix] = type; }

  std::map<std::string, DriveType> types;
  DriveType defaultType = DriveType::Fixed;
  std::vector<std::string> fixed = {"/"};
};

// ---------------------------------------------------------------------------
class FakeSystem : public SystemInfo {
 public:
  std::string ComputerName() override { return computerName; }
  std::string SystemDirectory() override { return systemDirectory; }
  char DecimalSeparator() override { return decimalSeparator; }
  bool LogOffUser() override {
    ++logOffCount;
    return logOffResult;
  }
  std::string SystemInfoProgram() override { return sysInfoProgram; }
  std::optional<std::pair<int, int>> ImageSize(const std::string& path) override;

  std::string computerName = "ZARVANE-TEST";
  std::string systemDirectory = "/etc/zarvane";
  char decimalSeparator = '.';
  bool logOffResult = true;
  int logOffCount = 0;
  std::string sysInfoProgram;
  std::map<std::string, std::pair<int, int>> imageSizes;  // by exact path
};

// The system facts of this machine, but a log-off is only recorded through
// Operator::Note("LOGOFF", "user log-off requested").
class RecordingSystemInfo : public LinuxSystemInfo {
 public:
  explicit RecordingSystemInfo(Operator* recorder) : recorder_(recorder) {}
  bool LogOffUser() override;

 private:
  Operator* recorder_;
};

// ---------------------------------------------------------------------------
// Grants the lock unless the home is in `heldElsewhere`.
class FakeLock : public InstanceLock {
 public:
  bool Acquire(const std::string& home) override;
  std::vector<std::string> heldElsewhere;
  std::vector<std::string> acquired;  // every home asked for, in order
};

// ---------------------------------------------------------------------------
// Virtual time. Now() is the start time plus the virtual time elapsed. Sleep
// advances time without firing timers; Wait advances it step by step, firing
// each enabled timer whenever its next due time is reached (in due order, timers
// due together in creation order). ProcessEvents advances 10 ms, so polling
// loops make progress, and lets Qt deliver its events when an application
// object exists.
//
// Timers may be enabled, disabled, re-timed, created and destroyed from inside a
// timer callback, and callbacks may Wait or ProcessEvents re-entrantly; time
// never runs backwards. Like RealClock timers, a new timer is enabled with
// interval 0 and ticks only while its interval is above 0; enabling it or
// changing its interval starts its period afresh at the current time.
// Single-threaded, like the station.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(std::optional<std::chrono::system_clock::time_point> start = std::nullopt);
  ~VirtualClock() override;

  std::chrono::system_clock::time_point Now() override;
  void Sleep(int ms) override;
  void Wait(int ms) override;
  void ProcessEvents() override;
  std::unique_ptr<TimerHandle> CreateTimer(std::function<void()> onTick) override;

  // Same as Wait.
  void Advance(int ms) { Wait(ms); }
  // Called whenever time is about to move on (before each wait, sleep and
  // timer tick): headless runs let the programs the station started work there.
  void SetSettle(std::function<void()> settle);
  // Virtual milliseconds since construction.
  std::int64_t ElapsedMs() const;
  // Timers whose handles still exist.
  int TimerCount() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// ---------------------------------------------------------------------------
// Records print jobs.
class FakePrinter : public Printer {
 public:
  bool Installed() override { return installed; }
  bool Print(const PrintJob& job) override;

  bool installed = true;
  bool result = true;
  std::vector<PrintJob> jobs;
};

// Writes each print job as a PDF file "print-<n>-<title>.pdf" into a directory
// (created when missing) and notes Operator::Note("PRINT", "<title> -> <pdf path>").
// The PDF printer is a Qt printer like the real one, on A4 paper with a
// printable area that begins kPhysicalOffsetTwips inside each edge, as a
// laser printer's does. Needs a QGuiApplication (the offscreen platform will
// do); without one Print fails.
class PdfPrinter : public Printer {
 public:
  explicit PdfPrinter(std::string directory, Operator* recorder = nullptr);
  bool Installed() override { return true; }
  bool Print(const PrintJob& job) override;

  static constexpr int kPhysicalOffsetTwips = 240;  // 1/6 inch

  // How many files were written, and the last of them. A headless station
  // prints for as long as it runs, so the names are not kept.
  int Count() const { return written_; }
  const std::string& LastFile() const { return lastFile_; }
  // The file name part a title becomes: letters, digits, '-' and '_' kept, runs
  // of anything else one '_', at most 60 characters, "untitled" when nothing is left.
  static std::string SanitizeTitle(const std::string& title);

 private:
  std::string directory_;
  Operator* recorder_;
  int count_ = 0;  // numbers the files; a failed print uses up its number
  int written_ = 0;
  std::string lastFile_;
};

// ---------------------------------------------------------------------------
// All fakes wired together: `TestPlatform tp; Core core(tp.platform, op, forms);`
// An operator who answers every question with yes or OK, every dialog with
// nothing, and keeps the messages shown.
class SilentOperator : public Operator {
 public:
  void Message(const std::string& text, const std::string&) override { messages.push_back(text); }
  bool OkCancel(const std::string&, const std::string&) override { return true; }
  bool YesNo(const std::string&, const std::string&) override { return true; }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::string OpenFile(const std::string&, const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  std::string ChooseDirectory(const std::string&, const std::string&) override { return {}; }
  void Status(const std::string&) override {}
  void Progress(const std::string&, const std::string&, int, bool) override {}
  void Note(const std::string&, const std::string&) override {}
  std::vector<std::string> messages;
};

// ---------------------------------------------------------------------------
class FakeFileTypes : public FileTypes {
 public:
  std::vector<std::string> MissingTools() override { return missingTools; }
  std::string TextEditor() override { return textEditor; }
  std::string PrintCommand() override { return printCommand; }
  bool Register(const std::vector<FileTypeRegistration>& types) override {
    registered.insert(registered.end(), types.begin(), types.end());
    return registerResult;
  }

  std::vector<std::string> missingTools;
  std::string textEditor = "org.example.Editor.desktop";
  std::string printCommand = "zarvane --print %f";
  bool registerResult = true;
  std::vector<FileTypeRegistration> registered;
};

struct TestPlatform {
  TestPlatform();
  explicit TestPlatform(std::chrono::system_clock::time_point start);
  TestPlatform(const TestPlatform&) = delete;
  TestPlatform& operator=(const TestPlatform&) = delete;

  FakeRegistry registry;
  FakeShell shell;
  FakeWindows windows;
  FakeDrives drives;
  FakeSystem system;
  FakeLock lock;
  VirtualClock clock;
  FakePrinter printer;
  FakeFileTypes fileTypes;
  Platform platform;

 private:
  void Wire();
};

}  // namespace zarvane
