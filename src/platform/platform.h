#pragma once
// Platform services the station needs from the operating system. Each service is
// one small interface; the Linux implementations live in linux_*.cpp, the test
// doubles in doubles.h. Nothing above this layer talks to the OS directly except
// plain file I/O through the standard library.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/association.h"

namespace zarvane {

// Per-user key/value store standing in for the application's registry area.
// Sections and keys are compared without regard to case; all values are texts
// (single-byte, the station's own encoding).
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;
  virtual std::optional<std::string> Get(const std::string& section, const std::string& key) = 0;
  virtual void Set(const std::string& section, const std::string& key, const std::string& value) = 0;
};

// Result codes of ShellOpen, in the style of the Windows shell: above 32 is success.
enum class ShellResult { Ok, FileNotFound, NoAssociation, Failed };

// Opens documents and starts programs. `parameters` is one text as the station
// composes it; implementations split it into arguments at blanks, double quotes
// grouping, and never pass it through a shell.
class Shell {
 public:
  virtual ~Shell() = default;
  // operation: "Open" or "Print". showCommand: 1 normal, 3 maximised (informational here).
  virtual ShellResult Open(const std::string& operation, const std::string& file,
                           const std::string& parameters, const std::string& directory,
                           int showCommand) = 0;
  // Program names (file names without directory) of the processes this station
  // started that are still running.
  virtual std::vector<std::string> RunningChildren() = 0;
};

// Top-level window titles of the desktop, for FindWindowByTitle.
class WindowFinder {
 public:
  virtual ~WindowFinder() = default;
  virtual std::vector<std::string> TopLevelTitles() = 0;
};

// Drive types, in the style of GetDriveType.
enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

class Drives {
 public:
  virtual ~Drives() = default;
  virtual DriveType TypeOf(const std::string& path) = 0;
  // Mount points of local disk file systems: "/" first, then in path order.
  virtual std::vector<std::string> FixedDrives() = 0;
};

// Facts about this machine and session.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  virtual std::string ComputerName() = 0;
  // The directory that stands in for the Windows directory (QUOLAB.INI, blade.ini, the editor).
  virtual std::string SystemDirectory() = 0;
  virtual char DecimalSeparator() = 0;
  // Ends the user's desktop session (operator workstations). Returns false when it could not.
  virtual bool LogOffUser() = 0;
  // The system information tool, or empty when none is installed.
  virtual std::string SystemInfoProgram() = 0;
  // Pixel size of an image file, or nullopt when it cannot be read.
  virtual std::optional<std::pair<int, int>> ImageSize(const std::string& path) = 0;
};

// Holds the one-instance-per-home lock.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;
  // Takes the lock for the home directory. False when another running station holds it.
  virtual bool Acquire(const std::string& home) = 0;
};

// A repeating timer owned by a window model.
class TimerHandle {
 public:
  virtual ~TimerHandle() = default;
  virtual void SetInterval(int ms) = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

// Time, sleeps, waits and timers. The real clock runs on the Qt event loop; the
// virtual clock advances at once so tests need no real waits.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::system_clock::time_point Now() = 0;
  // Blocking sleep: no events are processed.
  virtual void Sleep(int ms) = 0;
  // Waits while processing events (timers fire, windows repaint).
  virtual void Wait(int ms) = 0;
  // Processes pending events once (DoEvents).
  virtual void ProcessEvents() = 0;
  virtual std::unique_ptr<TimerHandle> CreateTimer(std::function<void()> onTick) = 0;
};

// A report to print: RTF (printed formatted) or plain text, in a default font,
// inside margins measured from the edges of the paper.
struct PrintJob {
  std::string title;  // the document's name (the report's path)
  std::string text;   // the report's bytes: RTF when `rich`, else plain text
  bool rich = false;
  std::string fontName;  // plain text, and RTF text that names no font
  int fontSize = 0;      // points; 0: 10
  int left = 0, top = 0, right = 0, bottom = 0;  // margins in twips
};

// The printer. The system's printers through Qt; doubles record or write PDF files.
class Printer {
 public:
  virtual ~Printer() = default;
  // Whether the system has a printer at all.
  virtual bool Installed() = 0;
  // Prints every page of the job. False when the job failed.
  virtual bool Print(const PrintJob& job) = 0;
};

// The desktop's file types: the station's report types registered so that the
// desktop opens them in its text editor.
class FileTypes {
 public:
  virtual ~FileTypes() = default;
  // The tools registering needs that are not installed; empty when all are.
  virtual std::vector<std::string> MissingTools() = 0;
  // The desktop's text editor (its default application for plain text), ""
  // when it has none. It is the command of the verb "open".
  virtual std::string TextEditor() = 0;
  // The command of the verb "print" (prints the file through the station), ""
  // when there is none.
  virtual std::string PrintCommand() = 0;
  // Registers the types with their verbs. False when a step failed.
  virtual bool Register(const std::vector<FileTypeRegistration>& types) = 0;
};

// The set of services handed to the station.
struct Platform {
  RegistryStore* registry = nullptr;
  Shell* shell = nullptr;
  WindowFinder* windows = nullptr;
  Drives* drives = nullptr;
  SystemInfo* system = nullptr;
  InstanceLock* lock = nullptr;
  Clock* clock = nullptr;
  Printer* printer = nullptr;
  FileTypes* fileTypes = nullptr;
};

}  // namespace zarvane
