#pragma once
// The Linux implementations of the platform services (Qt, xcb and /proc), and
// LinuxPlatform, which owns one of each and hands them to the station as a
// Platform.
//
// Texts (titles, values, paths) are the station's single-byte Windows-1252
// strings; they are converted to UTF-8 where they meet Qt or the operating
// system (ToQt / FromQt below) and back where they come from there.

#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

QT_BEGIN_NAMESPACE
class QLockFile;
class QPrinter;
class QSettings;
QT_END_NAMESPACE

namespace zarvane {

class Operator;

// Station text (Windows-1252) to QString and back.
QString ToQt(const std::string& text);
std::string FromQt(const QString& text);

// Whether `path` is `root` or lies below it, compared component by component
// ("/srv/net/x" is under "/srv/net", "/srv/network" is not). Both are taken
// lexically: "." and ".." are resolved, repeated and trailing "/" dropped.
bool IsPathUnder(const std::string& path, const std::string& root);

// ---------------------------------------------------------------------------
// Registry store: QSettings in INI format. Sections are INI groups, keys INI
// keys; both are found without regard to case.
class QtRegistry : public RegistryStore {
 public:
  // The file named by ZARVANE_REGISTRY when that variable is set, otherwise the
  // per-user store of organisation "Zarvane", application "Zarvane"
  // (~/.config/Zarvane/Zarvane.conf).
  QtRegistry();
  // This INI file.
  explicit QtRegistry(const std::string& iniPath);
  ~QtRegistry() override;

  std::optional<std::string> Get(const std::string& section, const std::string& key) override;
  void Set(const std::string& section, const std::string& key, const std::string& value) override;
  // The file the values live in.
  std::string FileName() const;

 private:
  std::unique_ptr<QSettings> settings_;
};

// ---------------------------------------------------------------------------
// Shell: starts programs detached (arguments split from `parameters`, never
// through a shell), opens documents with the desktop's opener and prints text
// files through the Printer.
class LinuxShell : public Shell {
 public:
  enum class Mode {
    Live,             // documents are opened, programs started
    RecordDocuments,  // documents are only recorded (Note "OPEN"); programs still start
    RecordAll,        // documents and programs are only recorded
  };
  struct StartedProgram {
    std::int64_t pid = 0;
    std::string name;             // file name of the program, no directory
    std::uint64_t startTime = 0;  // kernel start time, tells a reused pid apart
  };

  // `printer` serves "Print" of text files (none: NoAssociation). `recorder`
  // receives the notes of the recording modes. `opener` is the program that
  // opens documents.
  explicit LinuxShell(Printer* printer = nullptr, Operator* recorder = nullptr, Mode mode = Mode::Live,
                      std::string opener = "xdg-open");

  ShellResult Open(const std::string& operation, const std::string& file, const std::string& parameters,
                   const std::string& directory, int showCommand) override;
  std::vector<std::string> RunningChildren() override;

  // Deferred start (headless runs on the virtual clock): a program is only
  // noted when it is opened, and counts as running until RunDeferred starts
  // it and waits (really, without processing events) until it has ended, at
  // most `maxMs` for each.
  void SetDeferredStart(bool deferred) { deferred_ = deferred; }
  void RunDeferred(int maxMs);

  // The programs started that may still run: the last one started, and the
  // earlier ones that had not ended when it was started.
  const std::vector<StartedProgram>& Started() const { return started_; }

  // The program `file` names, or nullopt when it names no executable: the file
  // itself, a program on PATH, and for "x.exe" also "x" and its lower-case
  // form. `directory` is tried for relative names after the current directory.
  static std::optional<std::string> ResolveProgram(const std::string& file, const std::string& directory);

 private:
  ShellResult Record(const std::string& operation, const std::string& file, const std::string& parameters);
  ShellResult StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& directory);
  ShellResult PrintDocument(const std::string& path);

  Printer* printer_;
  Operator* recorder_;
  Mode mode_;
  std::string opener_;
  struct DeferredProgram {
    std::string program, parameters, directory;
  };
  bool deferred_ = false;
  std::vector<DeferredProgram> pending_;
  std::vector<StartedProgram> started_;
};

// The kernel start time of a live process (field 22 of /proc/<pid>/stat), or
// nullopt when there is no such process or it has exited (a zombie).
std::optional<std::uint64_t> ProcessStartTime(std::int64_t pid);

// ---------------------------------------------------------------------------
// Top-level window titles through xcb: _NET_CLIENT_LIST of the root window when
// a window manager publishes it, the root's children otherwise. Without a
// display, or when the connection fails, the list is empty.
class XcbWindowFinder : public WindowFinder {
 public:
  std::vector<std::string> TopLevelTitles() override;
};

// ---------------------------------------------------------------------------
// Drive types from the mount table. Network file systems, and the directories
// listed in ZARVANE_NETWORK_ROOTS (colon-separated), are Remote.
class LinuxDrives : public Drives {
 public:
  struct Mount {
    std::string point;  // UTF-8, as in the mount table
    std::string type;
  };

  // `mountsFile` is read on every call. `networkRoots` replaces ZARVANE_NETWORK_ROOTS
  // when given.
  explicit LinuxDrives(std::string mountsFile = "/proc/self/mounts",
                       std::optional<std::vector<std::string>> networkRoots = std::nullopt);

  DriveType TypeOf(const std::string& path) override;
  std::vector<std::string> FixedDrives() override;

  // The entries of the mount table, octal escapes decoded.
  std::vector<Mount> ReadMounts() const;
  // The drive type a file system type stands for.
  static DriveType TypeOfFileSystem(const std::string& fsType);

 private:
  std::vector<std::string> NetworkRoots() const;

  std::string mountsFile_;
  std::optional<std::vector<std::string>> networkRoots_;
};

// ---------------------------------------------------------------------------
class LinuxSystemInfo : public SystemInfo {
 public:
  std::string ComputerName() override;
  // ZARVANE_SYSTEM_DIR when set, otherwise /etc/zarvane.
  std::string SystemDirectory() override;
  // The system locale's decimal separator: '.' or ','.
  char DecimalSeparator() override;
  // loginctl terminate-session $XDG_SESSION_ID, or terminate-user $USER when the
  // process runs outside a login session.
  bool LogOffUser() override;
  // ZARVANE_SYSINFO when it names an executable, otherwise the first installed
  // of hardinfo, hardinfo2, gnome-system-monitor, ksysguard, xfce4-taskmanager, lshw-gtk.
  std::string SystemInfoProgram() override;
  std::optional<std::pair<int, int>> ImageSize(const std::string& path) override;
};

// ---------------------------------------------------------------------------
// The report file types as shared-mime-info types: the package zarvane.xml in
// <data>/mime/packages (data: XDG_DATA_HOME, else ~/.local/share), compiled by
// update-mime-database; the editor made their default with xdg-mime; the print
// command a desktop entry <data>/applications/zarvane-print.desktop.
class LinuxFileTypes : public FileTypes {
 public:
  // update-mime-database and xdg-mime, those not on PATH.
  std::vector<std::string> MissingTools() override;
  // xdg-mime query default text/plain.
  std::string TextEditor() override;
  // This program with --print %f.
  std::string PrintCommand() override;
  bool Register(const std::vector<FileTypeRegistration>& types) override;
  static std::string DataDirectory();
};

// ---------------------------------------------------------------------------
// One station per home directory: a QLockFile in the temporary directory, named
// after a hash of the home's absolute path. A lock left by a crashed station is
// taken over once its process is gone.
class QtInstanceLock : public InstanceLock {
 public:
  QtInstanceLock();
  ~QtInstanceLock() override;
  bool Acquire(const std::string& home) override;
  // The lock file used for a home directory.
  static std::string LockFileFor(const std::string& home);

 private:
  std::unique_ptr<QLockFile> lock_;
  std::string lockedPath_;
};

// ---------------------------------------------------------------------------
// Wall-clock time with waits and timers on the Qt event loop. A timer is
// created enabled with interval 0 and, like the timer control the window models
// were written for, only ticks while its interval is above 0.
class RealClock : public Clock {
 public:
  std::chrono::system_clock::time_point Now() override;
  void Sleep(int ms) override;
  // Runs a local event loop for `ms` (plain sleep when there is no QCoreApplication).
  void Wait(int ms) override;
  void ProcessEvents() override;
  std::unique_ptr<TimerHandle> CreateTimer(std::function<void()> onTick) override;
};

// ---------------------------------------------------------------------------
// The default printer through Qt PrintSupport (CUPS). Printing needs a
// QGuiApplication (fonts and the print system); without one Print fails.
class QtPrinter : public Printer {
 public:
  // The system's printers (QPrinterInfo): none installed is no printer.
  bool Installed() override;
  bool Print(const PrintJob& job) override;
};

// Lays out a print job and prints it page by page on `printer` (the default
// printer, or a PDF file). Needs a QGuiApplication. False when there is none
// or the job failed.
bool RenderPrintJob(QPrinter& printer, const PrintJob& job);

// ---------------------------------------------------------------------------
struct LinuxPlatformOptions {
  // Headless run: documents are recorded instead of opened, a log-off is only
  // recorded, and print jobs become PDF files (in printDirectory, or in
  // <temp>/zarvane-print when that is empty).
  bool headless = false;
  // With headless: programs are recorded too instead of started.
  bool recordPrograms = false;
  // Time runs virtually (VirtualClock): waits return at once, timers fire in order.
  bool virtualClock = false;
  // Start of virtual time; the real time at construction when not given.
  std::optional<std::chrono::system_clock::time_point> virtualStart;
  // Non-empty: print jobs become PDF files in this directory, also when not headless.
  std::string printDirectory;
  // Non-empty: the registry store is this INI file (before ZARVANE_REGISTRY).
  std::string registryFile;
  std::string mountsFile = "/proc/self/mounts";
};

// Owns one implementation of every service. `recorder` receives the notes of a
// headless run (documents opened, print jobs, log-offs); it may be null.
class LinuxPlatform {
 public:
  LinuxPlatform(const LinuxPlatformOptions& options, Operator* recorder);
  ~LinuxPlatform();
  LinuxPlatform(const LinuxPlatform&) = delete;
  LinuxPlatform& operator=(const LinuxPlatform&) = delete;

  Platform& platform() { return platform_; }
  Clock& clock() { return *clock_; }
  LinuxShell& shell() { return *shell_; }

 private:
  std::unique_ptr<RegistryStore> registry_;
  std::unique_ptr<Printer> printer_;
  std::unique_ptr<LinuxShell> shell_;
  std::unique_ptr<WindowFinder> windows_;
  std::unique_ptr<Drives> drives_;
  std::unique_ptr<SystemInfo> system_;
  std::unique_ptr<InstanceLock> lock_;
  std::unique_ptr<Clock> clock_;
  std::unique_ptr<FileTypes> fileTypes_;
  Platform platform_;
};

}  // namespace zarvane
