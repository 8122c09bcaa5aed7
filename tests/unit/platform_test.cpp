// The Linux platform services and the test doubles.
#include <gtest/gtest.h>

#include "foundation/forms.h"
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/operator.h"
#include "platform/doubles.h"
#include "platform/linux.h"

namespace zarvane {
namespace {

// Keeps the notes; every other prompt is answered with nothing.
class NoteRecorder : public Operator {
 public:
  void Message(const std::string&, const std::string&) override {}
  bool OkCancel(const std::string&, const std::string&) override { return false; }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::string OpenFile(const std::string&, const std::string&, const std::string&,
                       const std::string&) override {
    return {};
  }
  std::string ChooseDirectory(const std::string&, const std::string&) override { return {}; }
  void Status(const std::string&) override {}
  void Progress(const std::string&, const std::string&, int, bool) override {}
  void Note(const std::string& kind, const std::string& text) override {
    notes.push_back(kind + ": " + text);
  }
  std::vector<std::string> notes;
};

// Sets (or, with nullopt, removes) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string Dir(const QTemporaryDir& d) { return d.path().toStdString(); }

void WriteFile(const std::string& path, const std::string& data, bool executable = false) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
  }
  chmod(path.c_str(), executable ? 0755 : 0644);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The process's QGuiApplication on the offscreen platform, made once; null
// when another test already made a plain QCoreApplication.
QGuiApplication* GuiApp() {
  static int argc = 1;
  static char name[] = "zarvane_unit_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = [] {
    if (QCoreApplication::instance()) return qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  return app;
}

// ---------------------------------------------------------------------------
// Registry store

TEST(PlatformRegistry, FindsSectionsAndKeysRegardlessOfCase) {
  QTemporaryDir dir;
  const std::string file = Dir(dir) + "/registry.ini";
  WriteFile(file, "[Timing]\nCloseAllDelay=250\n");
  QtRegistry registry(file);
  EXPECT_EQ(registry.Get("TIMING", "closealldelay"), "250");
  EXPECT_EQ(registry.Get("timing", "Missing"), std::nullopt);
  EXPECT_EQ(registry.Get("Other", "CloseAllDelay"), std::nullopt);
}

TEST(PlatformRegistry, WritesToTheExistingSpelling) {
  QTemporaryDir dir;
  const std::string file = Dir(dir) + "/registry.ini";
  WriteFile(file, "[Timing]\nCloseAllDelay=250\n");
  {
    QtRegistry registry(file);
    registry.Set("TIMING", "closeALLdelay", "300");
    registry.Set("timing", "NewKey", "x");
  }
  QSettings raw(QString::fromStdString(file), QSettings::IniFormat);
  EXPECT_EQ(raw.childGroups(), QStringList{"Timing"});
  raw.beginGroup("Timing");
  EXPECT_EQ(raw.childKeys().size(), 2);
  EXPECT_EQ(raw.value("CloseAllDelay").toString(), "300");
  EXPECT_EQ(raw.value("NewKey").toString(), "x");
}

TEST(PlatformRegistry, ValuesKeepTheStationEncodingAndReachOtherReaders) {
  QTemporaryDir dir;
  const std::string file = Dir(dir) + "/registry.ini";
  QtRegistry writer(file);
  QtRegistry reader(file);
  EXPECT_EQ(reader.Get("Blade", "Name"), std::nullopt);
  const std::string text = "Schaufel \xE9\x80, 1";  // e acute and the euro sign in Windows-1252
  writer.Set("Blade", "Name", text);
  EXPECT_EQ(reader.Get("blade", "name"), text);
  // Stored as UTF-8 on disk.
  EXPECT_NE(ReadFile(file).find("\xC3\xA9"), std::string::npos);
}

TEST(PlatformRegistry, EnvironmentNamesTheFile) {
  QTemporaryDir dir;
  const std::string file = Dir(dir) + "/chosen.ini";
  ScopedEnv env("ZARVANE_REGISTRY", file);
  QtRegistry registry;
  EXPECT_EQ(registry.FileName(), file);
  registry.Set("A", "B", "C");
  EXPECT_NE(ReadFile(file).find("B=C"), std::string::npos);
}

TEST(PlatformFakeRegistry, IgnoresCaseAndKeepsTheFirstSpelling) {
  FakeRegistry registry;
  registry.Set("Timing", "Delay", "1");
  registry.Set("TIMING", "DELAY", "2");
  registry.Set("timing", "Other", "3");
  EXPECT_EQ(registry.Get("timing", "delay"), "2");
  EXPECT_EQ(registry.setCount, 3);
  const auto entries = registry.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].section, "Timing");
  EXPECT_EQ(entries[0].key, "Delay");
  EXPECT_EQ(entries[1].section, "Timing");
  EXPECT_EQ(registry.Get("Timing", "Nothing"), std::nullopt);
}

// ---------------------------------------------------------------------------
// Shell

TEST(PlatformShell, ResolvesWindowsStyleProgramNames) {
  QTemporaryDir dir;
  const std::string mirror = Dir(dir) + "/copytool";
  WriteFile(mirror, "#!/bin/sh\nexit 0\n", true);
  EXPECT_EQ(LinuxShell::ResolveProgram(mirror, ""), mirror);
  EXPECT_EQ(LinuxShell::ResolveProgram(Dir(dir) + "/copytool.exe", ""), mirror);
  EXPECT_EQ(LinuxShell::ResolveProgram(Dir(dir) + "/CopyTool.EXE", ""), mirror);
  EXPECT_EQ(LinuxShell::ResolveProgram("\"" + mirror + "\"", ""), mirror);
  // Relative names are looked for in the given directory too.
  EXPECT_EQ(LinuxShell::ResolveProgram("COPYTOOL.exe", Dir(dir)), mirror);
  // Bare names come from PATH.
  const auto tail = LinuxShell::ResolveProgram("tail.exe", "");
  ASSERT_TRUE(tail.has_value());
  EXPECT_EQ(tail->substr(tail->rfind('/') + 1), "tail");
  EXPECT_EQ(LinuxShell::ResolveProgram(Dir(dir) + "/nothing.exe", ""), std::nullopt);
}

TEST(PlatformShell, ExecutableDocumentsAreNoPrograms) {
  // Shares from Windows machines mark every file executable.
  QTemporaryDir dir;
  const std::string report = Dir(dir) + "/report.txt";
  WriteFile(report, "blade report\n", true);
  EXPECT_EQ(LinuxShell::ResolveProgram(report, ""), std::nullopt);

  NoteRecorder op;
  RecordingShell shell(&op);
  EXPECT_EQ(shell.Open("Open", report, "", "", 1), ShellResult::Ok);
  EXPECT_TRUE(shell.Started().empty());
  ASSERT_EQ(op.notes.size(), 1u);
}

TEST(PlatformShell, RecordsDocumentsInsteadOfOpeningThem) {
  QTemporaryDir dir;
  const std::string report = Dir(dir) + "/report.txt";
  WriteFile(report, "x");
  NoteRecorder op;
  RecordingShell shell(&op);
  EXPECT_EQ(shell.Open("Open", report, "/p 1", "", 1), ShellResult::Ok);
  EXPECT_EQ(shell.Open("Print", report, "", "", 1), ShellResult::Ok);
  // Found under another case, recorded as asked for.
  EXPECT_EQ(shell.Open("Open", Dir(dir) + "/REPORT.TXT", "", "", 1), ShellResult::Ok);
  EXPECT_EQ(op.notes, (std::vector<std::string>{"OPEN: Open " + report + " /p 1", "OPEN: Print " + report,
                                                "OPEN: Open " + Dir(dir) + "/REPORT.TXT"}));
}

TEST(PlatformShell, MissingFilesAndUnknownOperations) {
  QTemporaryDir dir;
  const std::string report = Dir(dir) + "/report.txt";
  WriteFile(report, "x");
  NoteRecorder op;
  RecordingShell shell(&op, true);
  EXPECT_EQ(shell.Open("Open", Dir(dir) + "/missing.txt", "", "", 1), ShellResult::FileNotFound);
  EXPECT_EQ(shell.Open("Open", "  ", "", "", 1), ShellResult::FileNotFound);
  EXPECT_EQ(shell.Open("Frobnicate", report, "", "", 1), ShellResult::NoAssociation);
  EXPECT_EQ(shell.Open("Print", "tail", "", "", 1), ShellResult::NoAssociation);
  EXPECT_TRUE(op.notes.empty());
}

TEST(PlatformShell, RecordAllRecordsProgramsWithoutStartingThem) {
  NoteRecorder op;
  RecordingShell shell(&op, true);
  EXPECT_EQ(shell.Open("Open", "tail", "-f x", "", 1), ShellResult::Ok);
  EXPECT_TRUE(shell.Started().empty());
  EXPECT_EQ(op.notes, std::vector<std::string>{"OPEN: Open tail -f x"});
}

TEST(PlatformShell, NoOpenerMeansNoAssociation) {
  QTemporaryDir dir;
  const std::string report = Dir(dir) + "/report.txt";
  WriteFile(report, "x");
  LinuxShell shell(nullptr, nullptr, LinuxShell::Mode::Live, "zarvane-no-such-opener");
  EXPECT_EQ(shell.Open("Open", report, "", "", 1), ShellResult::NoAssociation);
}

TEST(PlatformShell, PrintsTextFilesThroughThePrinter) {
  QTemporaryDir dir;
  const std::string report = Dir(dir) + "/report.txt";
  WriteFile(report, "line 1\r\nZ\xE9ro\r\n");
  const std::string rtf = Dir(dir) + "/report.rtf";
  WriteFile(rtf, "{\\rtf1 hi}");
  const std::string png = Dir(dir) + "/picture.png";
  ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString(png)));

  FakePrinter printer;
  LinuxShell shell(&printer);
  EXPECT_EQ(shell.Open("print", report, "", "", 1), ShellResult::Ok);
  EXPECT_EQ(shell.Open("Print", rtf, "", "", 1), ShellResult::Ok);
  EXPECT_EQ(shell.Open("Print", png, "", "", 1), ShellResult::NoAssociation);
  ASSERT_EQ(printer.jobs.size(), 2u);
  EXPECT_EQ(printer.jobs[0].title, "report.txt");
  EXPECT_EQ(printer.jobs[0].text, "line 1\r\nZ\xE9ro\r\n");
  EXPECT_FALSE(printer.jobs[0].rich);
  EXPECT_TRUE(printer.jobs[1].rich);

  printer.result = false;
  EXPECT_EQ(shell.Open("Print", report, "", "", 1), ShellResult::Failed);
  LinuxShell noPrinter;
  EXPECT_EQ(noPrinter.Open("Print", report, "", "", 1), ShellResult::NoAssociation);
}

TEST(PlatformShell, StartsProgramsWithSplitArgumentsAndTracksThem) {
  QTemporaryDir dir;
  const std::string followed = Dir(dir) + "/a b.txt";
  WriteFile(followed, "");
  LinuxShell shell;
  ASSERT_EQ(shell.Open("Open", "tail", "-f \"" + followed + "\"", Dir(dir), 1), ShellResult::Ok);
  ASSERT_EQ(shell.Started().size(), 1u);
  const auto& started = shell.Started()[0];
  // The command line as the program received it: no shell, quotes grouping.
  const std::string cmdline = ReadFile("/proc/" + std::to_string(started.pid) + "/cmdline");
  kill(static_cast<pid_t>(started.pid), SIGKILL);
  EXPECT_EQ(started.name, "tail");
  EXPECT_NE(started.startTime, 0u);
  EXPECT_EQ(cmdline.substr(cmdline.find('\0') + 1), std::string("-f\0", 3) + followed + '\0');
}

TEST(PlatformShell, RunningChildrenListsLivePrograms) {
  QTemporaryDir dir;
  const std::string followed = Dir(dir) + "/log.txt";
  WriteFile(followed, "");
  LinuxShell shell;
  EXPECT_TRUE(shell.RunningChildren().empty());
  ASSERT_EQ(shell.Open("", "tail", "-f " + followed, "", 1), ShellResult::Ok);
  const auto running = shell.RunningChildren();
  kill(static_cast<pid_t>(shell.Started()[0].pid), SIGKILL);
  EXPECT_EQ(running, std::vector<std::string>{"tail"});
}

TEST(PlatformShell, ProgramsThatEndedAreForgottenAtTheNextStart) {
  // A station in service starts an analysis and a combine for every report.
  LinuxShell shell;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(shell.Open("", "true", "", "", 1), ShellResult::Ok);
    const auto started = shell.Started().back();
    // Until it has ended (a detached program is reaped by the system).
    for (int wait = 0; wait < 5000 && ProcessStartTime(started.pid) == started.startTime; ++wait) usleep(1000);
  }
  QTemporaryDir dir;
  const std::string followed = Dir(dir) + "/log.txt";
  WriteFile(followed, "");
  ASSERT_EQ(shell.Open("", "tail", "-f " + followed, "", 1), ShellResult::Ok);
  const auto started = shell.Started();
  kill(static_cast<pid_t>(started.back().pid), SIGKILL);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].name, "tail");
}

TEST(PlatformShell, ProcessStartTimeTellsLiveProcesses) {
  EXPECT_TRUE(ProcessStartTime(getpid()).has_value());
  EXPECT_EQ(ProcessStartTime(getpid()), ProcessStartTime(getpid()));
  std::int64_t pidMax = 4194304;
  std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
  EXPECT_EQ(ProcessStartTime(pidMax + 1), std::nullopt);
  EXPECT_EQ(ProcessStartTime(0), std::nullopt);
}

// ---------------------------------------------------------------------------
// Windows

TEST(PlatformWindows, NoDisplayMeansNoWindows) {
  XcbWindowFinder finder;
  {
    ScopedEnv display("DISPLAY", std::nullopt);
    EXPECT_TRUE(finder.TopLevelTitles().empty());
  }
  {
    ScopedEnv display("DISPLAY", ":9876");  // no server there
    EXPECT_TRUE(finder.TopLevelTitles().empty());
  }
}

// ---------------------------------------------------------------------------
// Drives

class PlatformDrives : public ::testing::Test {
 protected:
  PlatformDrives() {
    mounts = Dir(dir) + "/mounts";
    WriteFile(mounts,
              "/dev/vda / ext4 rw 0 0\n"
              "proc /proc proc rw 0 0\n"
              "tmpfs /run tmpfs rw 0 0\n"
              "server:/blades /mnt/share nfs4 rw 0 0\n"
              "/dev/vdb /mnt/share/local ext4 rw 0 0\n"
              "//nas/cmm /mnt/cmm cifs rw 0 0\n"
              "host: /mnt/ssh fuse.sshfs rw 0 0\n"
              "/dev/sr0 /media/cd iso9660 ro 0 0\n"
              "/dev/vdc /srv/with\\040blank xfs rw 0 0\n"
              "/dev/vdd /home btrfs rw 0 0\n"
              "/dev/vdd /home btrfs rw 0 0\n"
              "/dev/vda1 /boot/efi vfat rw 0 0\n"
              "/dev/vda /etc/hosts ext4 rw 0 0\n"
              "overlay /var/lib/box overlay rw 0 0\n"
              "/dev/vde /mnt/stack ext4 rw 0 0\n"
              "server:/stack /mnt/stack nfs rw 0 0\n");
  }
  QTemporaryDir dir;
  std::string mounts;
};

TEST_F(PlatformDrives, TypesFollowTheLongestMountPoint) {
  LinuxDrives drives(mounts, std::vector<std::string>{});
  EXPECT_EQ(drives.TypeOf("/"), DriveType::Fixed);
  EXPECT_EQ(drives.TypeOf("/zarvane-nowhere/blades"), DriveType::Fixed);
  EXPECT_EQ(drives.TypeOf("/mnt/share/zarvane-none/b.dat"), DriveType::Remote);
  EXPECT_EQ(drives.TypeOf("/mnt/share"), DriveType::Remote);
  EXPECT_EQ(drives.TypeOf("/mnt/share/local/x"), DriveType::Fixed);
  EXPECT_EQ(drives.TypeOf("/mnt/sharex/x"), DriveType::Fixed);
  EXPECT_EQ(drives.TypeOf("/mnt/cmm/x"), DriveType::Remote);
  EXPECT_EQ(drives.TypeOf("/mnt/ssh/x"), DriveType::Remote);
  EXPECT_EQ(drives.TypeOf("/media/cd/x"), DriveType::CdRom);
  EXPECT_EQ(drives.TypeOf("/run/zarvane-none"), DriveType::RamDisk);
  EXPECT_EQ(drives.TypeOf("/proc/zarvane-none"), DriveType::Unknown);
  EXPECT_EQ(drives.TypeOf("/srv/with blank/x"), DriveType::Fixed);
  EXPECT_EQ(drives.TypeOf("/mnt/share/../../run/x"), DriveType::RamDisk);
  // The later of two mounts on one point is the one in use.
  EXPECT_EQ(drives.TypeOf("/mnt/stack/x"), DriveType::Remote);
}

TEST_F(PlatformDrives, UncAndRelativePathsAreUnknown) {
  LinuxDrives drives(mounts, std::vector<std::string>{});
  EXPECT_EQ(drives.TypeOf("//nas/cmm"), DriveType::Unknown);
  EXPECT_EQ(drives.TypeOf("\\\\nas\\cmm"), DriveType::Unknown);
  EXPECT_EQ(drives.TypeOf("blades/x"), DriveType::Unknown);
  EXPECT_EQ(drives.TypeOf(""), DriveType::Unknown);
}

TEST_F(PlatformDrives, NetworkRootsCountComponentWise) {
  LinuxDrives drives(mounts, std::vector<std::string>{"/srv/net/", "relative"});
  EXPECT_EQ(drives.TypeOf("/srv/net"), DriveType::Remote);
  EXPECT_EQ(drives.TypeOf("/srv/net/blades/b1"), DriveType::Remote);
  EXPECT_EQ(drives.TypeOf("/srv/network/blades"), DriveType::Fixed);
  EXPECT_EQ(drives.TypeOf("/srv"), DriveType::Fixed);
}

TEST_F(PlatformDrives, NetworkRootsFromTheEnvironment) {
  ScopedEnv env("ZARVANE_NETWORK_ROOTS", "/srv/a::/srv/b");
  LinuxDrives drives(mounts);
  EXPECT_EQ(drives.TypeOf("/srv/a/x"), DriveType::Remote);
  EXPECT_EQ(drives.TypeOf("/srv/b"), DriveType::Remote);
  EXPECT_EQ(drives.TypeOf("/srv/c"), DriveType::Fixed);
}

TEST_F(PlatformDrives, FixedDrivesListLocalDisksRootFirst) {
  LinuxDrives drives(mounts);
  // /etc/hosts is a file bound into a container, not a drive; /mnt/stack has a
  // share mounted over its disk.
  EXPECT_EQ(drives.FixedDrives(), (std::vector<std::string>{"/", "/boot/efi", "/home", "/mnt/share/local",
                                                            "/srv/with blank", "/var/lib/box"}));
}

TEST(PlatformFakeDrives, LongestPrefixWins) {
  FakeDrives drives;
  drives.SetType("/mnt/share", DriveType::Remote);
  drives.SetType("/mnt/share/local", DriveType::Fixed);
  drives.defaultType = DriveType::Unknown;
  EXPECT_EQ(drives.TypeOf("/mnt/share/x"), DriveType::Remote);
  EXPECT_EQ(drives.TypeOf("/mnt/share/local/x"), DriveType::Fixed);
  EXPECT_EQ(drives.TypeOf("/mnt/sharex"), DriveType::Unknown);
}

TEST(PlatformPaths, IsPathUnderComparesComponents) {
  EXPECT_TRUE(IsPathUnder("/srv/net", "/srv/net"));
  EXPECT_TRUE(IsPathUnder("/srv/net/", "/srv/net"));
  EXPECT_TRUE(IsPathUnder("/srv//net/a", "/srv/net/"));
  EXPECT_TRUE(IsPathUnder("/anything", "/"));
  EXPECT_FALSE(IsPathUnder("/srv/network", "/srv/net"));
  EXPECT_FALSE(IsPathUnder("/srv", "/srv/net"));
  EXPECT_FALSE(IsPathUnder("/srv/net/../x", "/srv/net"));
}

// ---------------------------------------------------------------------------
// System information

TEST(PlatformSystemInfo, SystemDirectory) {
  LinuxSystemInfo system;
  {
    ScopedEnv env("ZARVANE_SYSTEM_DIR", std::nullopt);
    EXPECT_EQ(system.SystemDirectory(), "/etc/zarvane");
  }
  ScopedEnv env("ZARVANE_SYSTEM_DIR", "/opt/zarvane/system");
  EXPECT_EQ(system.SystemDirectory(), "/opt/zarvane/system");
}

TEST(PlatformSystemInfo, ImageSize) {
  QTemporaryDir dir;
  const std::string png = Dir(dir) + "/blade.png";
  const std::string bmp = Dir(dir) + "/blade.bmp";
  ASSERT_TRUE(QImage(7, 5, QImage::Format_RGB32).save(QString::fromStdString(png)));
  ASSERT_TRUE(QImage(3, 9, QImage::Format_RGB32).save(QString::fromStdString(bmp)));
  const std::string text = Dir(dir) + "/not-an-image.bmp";
  WriteFile(text, "hello");
  LinuxSystemInfo system;
  EXPECT_EQ(system.ImageSize(png), std::make_pair(7, 5));
  EXPECT_EQ(system.ImageSize(bmp), std::make_pair(3, 9));
  EXPECT_EQ(system.ImageSize(text), std::nullopt);
  EXPECT_EQ(system.ImageSize(Dir(dir) + "/missing.png"), std::nullopt);
}

TEST(PlatformSystemInfo, SystemInfoProgramFromTheEnvironment) {
  QTemporaryDir dir;
  const std::string tool = Dir(dir) + "/sysinfo";
  WriteFile(tool, "#!/bin/sh\n", true);
  const std::string plain = Dir(dir) + "/plain";
  WriteFile(plain, "not a program");
  LinuxSystemInfo system;
  {
    ScopedEnv env("ZARVANE_SYSINFO", tool);
    EXPECT_EQ(system.SystemInfoProgram(), tool);
  }
  // Not executable: one of the known tools, or nothing.
  ScopedEnv env("ZARVANE_SYSINFO", plain);
  EXPECT_NE(system.SystemInfoProgram(), plain);
}

TEST(PlatformSystemInfo, RecordedLogOffDoesNothingElse) {
  NoteRecorder op;
  RecordingSystemInfo system(&op);
  EXPECT_TRUE(system.LogOffUser());
  EXPECT_EQ(op.notes, std::vector<std::string>{"LOGOFF: user log-off requested"});
}

// ---------------------------------------------------------------------------
// Instance lock

TEST(PlatformInstanceLock, OneStationPerHome) {
  QTemporaryDir home, other;
  QtInstanceLock first, second, third;
  ASSERT_TRUE(first.Acquire(Dir(home)));
  EXPECT_TRUE(first.Acquire(Dir(home)));  // asking again keeps it
  EXPECT_FALSE(second.Acquire(Dir(home) + "/../" + QDir(home.path()).dirName().toStdString() + "/"));
  EXPECT_TRUE(third.Acquire(Dir(other)));
}

TEST(PlatformInstanceLock, ReleasedWithTheObject) {
  QTemporaryDir home;
  {
    QtInstanceLock first;
    ASSERT_TRUE(first.Acquire(Dir(home)));
  }
  QtInstanceLock second;
  EXPECT_TRUE(second.Acquire(Dir(home)));
}

TEST(PlatformInstanceLock, TakesOverTheLockOfAGoneProcess) {
  QTemporaryDir home;
  const std::string file = QtInstanceLock::LockFileFor(Dir(home));
  std::int64_t pidMax = 4194304;
  std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
  WriteFile(file,
            std::to_string(pidMax + 1) + "\nzarvane\n" + QSysInfo::machineHostName().toStdString() + "\n");
  QtInstanceLock lock;
  EXPECT_TRUE(lock.Acquire(Dir(home)));
}

TEST(PlatformInstanceLock, TheDemoHomeScriptLeavesTheHomeOfARunningStationAlone) {
  // scripts/demo-home.sh replaces a demo home; it must find the lock by the
  // name the station gives it.
  const std::string script = std::string(ZARVANE_SOURCE_DIR) + "/scripts/demo-home.sh";
  QTemporaryDir root;
  const std::string home = Dir(root) + "/demo home";
  QDir().mkpath(QString::fromStdString(home));
  WriteFile(home + "/debug.txt", "the running station's log\n");
  const auto makeHome = [&] {
    const int status = std::system(("'" + script + "' '" + home + "' >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  {
    QtInstanceLock station;
    ASSERT_TRUE(station.Acquire(home));
    EXPECT_NE(makeHome(), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(home + "/debug.txt")));
  }
  // The lock of a station that has gone keeps nothing.
  std::int64_t pidMax = 4194304;
  std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
  WriteFile(QtInstanceLock::LockFileFor(home), std::to_string(pidMax + 1) + "\nzarvane\n");
  EXPECT_EQ(makeHome(), 0);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(home + "/debug.txt")));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(home + "/zarv.ini")));
  QFile::remove(QString::fromStdString(QtInstanceLock::LockFileFor(home)));
}

// ---------------------------------------------------------------------------
// Virtual clock

TEST(PlatformVirtualClock, NowIsStartPlusVirtualTime) {
  const auto start = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 50));
  VirtualClock clock(start);
  EXPECT_EQ(clock.Now(), start);
  clock.Sleep(1500);
  clock.Wait(500);
  clock.ProcessEvents();
  EXPECT_EQ(clock.Now(), start + std::chrono::milliseconds(2010));
  EXPECT_EQ(clock.ElapsedMs(), 2010);
  clock.Wait(-5);
  EXPECT_EQ(clock.ElapsedMs(), 2010);
}

TEST(PlatformVirtualClock, TimersFireInDueOrder) {
  VirtualClock clock;
  std::vector<std::string> ticks;
  auto a = clock.CreateTimer([&] { ticks.push_back("a" + std::to_string(clock.ElapsedMs())); });
  auto b = clock.CreateTimer([&] { ticks.push_back("b" + std::to_string(clock.ElapsedMs())); });
  a->SetInterval(30);
  b->SetInterval(20);
  clock.Wait(60);
  // At 60 both are due: the older timer first.
  EXPECT_EQ(ticks, (std::vector<std::string>{"b20", "a30", "b40", "a60", "b60"}));
  EXPECT_EQ(clock.ElapsedMs(), 60);
}

TEST(PlatformVirtualClock, SleepFiresNothingAndMissedTicksFireOnce) {
  VirtualClock clock;
  int ticks = 0;
  auto t = clock.CreateTimer([&] { ++ticks; });
  t->SetInterval(10);
  clock.Sleep(100);
  EXPECT_EQ(ticks, 0);
  clock.Wait(5);
  EXPECT_EQ(ticks, 1);
  clock.Wait(10);
  EXPECT_EQ(ticks, 2);  // next due 10 ms after the late tick
}

TEST(PlatformVirtualClock, IntervalZeroOrDisabledNeverFires) {
  VirtualClock clock;
  int ticks = 0;
  auto t = clock.CreateTimer([&] { ++ticks; });
  clock.Wait(1000);
  EXPECT_EQ(ticks, 0);
  t->SetEnabled(false);
  t->SetInterval(10);
  clock.Wait(1000);
  EXPECT_EQ(ticks, 0);
  t->SetEnabled(true);
  clock.Wait(25);
  EXPECT_EQ(ticks, 2);
}

TEST(PlatformVirtualClock, EnablingAndIntervalChangesRestartThePeriod) {
  VirtualClock clock;
  std::vector<std::int64_t> at;
  auto t = clock.CreateTimer([&] { at.push_back(clock.ElapsedMs()); });
  t->SetInterval(100);
  clock.Wait(70);
  t->SetEnabled(true);  // already enabled: starts afresh at 70
  clock.Wait(110);      // to 180
  t->SetInterval(50);   // at 180: next at 230
  clock.Wait(60);       // to 240
  EXPECT_EQ(at, (std::vector<std::int64_t>{170, 230}));
}

TEST(PlatformVirtualClock, DisablingInsideCallbacks) {
  VirtualClock clock;
  int aTicks = 0, bTicks = 0;
  std::unique_ptr<TimerHandle> a, b;
  a = clock.CreateTimer([&] {
    ++aTicks;
    a->SetEnabled(false);
    b->SetEnabled(false);  // b is due at the same instant, after a
  });
  b = clock.CreateTimer([&] { ++bTicks; });
  a->SetInterval(10);
  b->SetInterval(10);
  clock.Wait(100);
  EXPECT_EQ(aTicks, 1);
  EXPECT_EQ(bTicks, 0);
}

TEST(PlatformVirtualClock, DestroyingHandlesInsideCallbacks) {
  VirtualClock clock;
  int aTicks = 0, bTicks = 0;
  std::unique_ptr<TimerHandle> a, b;
  std::string captured = "kept alive during the call";
  std::string seen;
  a = clock.CreateTimer([&, captured] {
    ++aTicks;
    a.reset();  // the handle of the running callback
    b.reset();
    seen = captured;  // the callback's own state is still there
  });
  b = clock.CreateTimer([&] { ++bTicks; });
  a->SetInterval(10);
  b->SetInterval(10);
  EXPECT_EQ(clock.TimerCount(), 2);
  clock.Wait(100);
  EXPECT_EQ(aTicks, 1);
  EXPECT_EQ(bTicks, 0);
  EXPECT_EQ(seen, captured);
  EXPECT_EQ(clock.TimerCount(), 0);
}

TEST(PlatformVirtualClock, DestroyedOwnHandleDoesNotFireInANestedWait) {
  VirtualClock clock;
  int ticks = 0;
  std::unique_ptr<TimerHandle> t;
  t = clock.CreateTimer([&] {
    ++ticks;
    t.reset();
    clock.Wait(100);
  });
  t->SetInterval(10);
  clock.Wait(50);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(clock.ElapsedMs(), 110);
}

TEST(PlatformVirtualClock, ReentrantWaitsKeepTimeMonotonic) {
  VirtualClock clock;
  std::vector<std::pair<char, std::int64_t>> ticks;
  bool nested = false;
  auto slow = clock.CreateTimer([&] {
    ticks.push_back({'s', clock.ElapsedMs()});
    if (!nested) {
      nested = true;
      clock.Wait(50);  // a message loop inside a tick
      clock.ProcessEvents();
    }
  });
  auto fast = clock.CreateTimer([&] { ticks.push_back({'f', clock.ElapsedMs()}); });
  slow->SetInterval(100);
  fast->SetInterval(30);
  clock.Wait(200);
  const std::vector<std::pair<char, std::int64_t>> expected = {
      {'f', 30}, {'f', 60}, {'f', 90}, {'s', 100}, {'f', 120}, {'f', 150}, {'f', 180}, {'s', 200}};
  EXPECT_EQ(ticks, expected);
  EXPECT_EQ(clock.ElapsedMs(), 200);
}

TEST(PlatformVirtualClock, NestedWaitBeyondTheOuterTarget) {
  VirtualClock clock;
  std::vector<std::int64_t> at;
  bool nested = false;
  auto t = clock.CreateTimer([&] {
    at.push_back(clock.ElapsedMs());
    if (!nested) {
      nested = true;
      clock.Wait(500);
    }
  });
  t->SetInterval(100);
  clock.Wait(150);
  EXPECT_EQ(at, (std::vector<std::int64_t>{100, 200, 300, 400, 500, 600}));
  EXPECT_EQ(clock.ElapsedMs(), 600);
}

TEST(PlatformVirtualClock, TimersCreatedInsideCallbacks) {
  VirtualClock clock;
  std::vector<std::unique_ptr<TimerHandle>> made;
  std::vector<std::int64_t> childTicks;
  auto parent = clock.CreateTimer([&] {
    if (!made.empty()) return;
    made.push_back(clock.CreateTimer([&] { childTicks.push_back(clock.ElapsedMs()); }));
    made.back()->SetInterval(15);
  });
  parent->SetInterval(10);
  clock.Wait(45);
  EXPECT_EQ(childTicks, (std::vector<std::int64_t>{25, 40}));
}

TEST(PlatformVirtualClock, PollingWithProcessEventsMakesProgress) {
  VirtualClock clock;
  bool done = false;
  auto t = clock.CreateTimer([&] { done = true; });
  t->SetInterval(35);
  int polls = 0;
  while (!done && polls < 1000) {
    clock.ProcessEvents();
    ++polls;
  }
  EXPECT_TRUE(done);
  EXPECT_EQ(polls, 4);
  EXPECT_EQ(clock.ElapsedMs(), 40);
}

// ---------------------------------------------------------------------------
// Printing

TEST(PlatformPdfPrinter, SanitizesTitles) {
  EXPECT_EQ(PdfPrinter::SanitizeTitle("Blade report: B1/2"), "Blade_report_B1_2");
  EXPECT_EQ(PdfPrinter::SanitizeTitle("  \xE9t\xE9  "), "t");
  EXPECT_EQ(PdfPrinter::SanitizeTitle("***"), "untitled");
  EXPECT_EQ(PdfPrinter::SanitizeTitle(std::string(100, 'x')).size(), 60u);
}

TEST(PlatformPdfPrinter, WritesNumberedPdfFilesAndNotes) {
  if (!GuiApp()) GTEST_SKIP() << "a plain QCoreApplication exists already";
  QTemporaryDir dir;
  const std::string out = Dir(dir) + "/prints";
  NoteRecorder op;
  PdfPrinter printer(out, &op);
  EXPECT_TRUE(printer.Installed());
  PrintJob text{"Blade report", "Z\xE9ro line\r\nsecond", false, "Courier New", 10, 360, 360, 360, 360};
  PrintJob rich{"Rich", "{\\rtf1 Hello\\par}", true, "", 0, 360, 360, 360, 360};
  ASSERT_TRUE(printer.Print(text));
  ASSERT_TRUE(printer.Print(rich));
  const std::vector<std::string> files = {out + "/print-1-Blade_report.pdf", out + "/print-2-Rich.pdf"};
  EXPECT_EQ(printer.Count(), 2);
  EXPECT_EQ(printer.LastFile(), files[1]);
  for (const auto& f : files) EXPECT_EQ(ReadFile(f).substr(0, 5), "%PDF-");
  EXPECT_EQ(op.notes,
            (std::vector<std::string>{"PRINT: Blade report -> " + files[0], "PRINT: Rich -> " + files[1]}));
}

TEST(PlatformLinuxPlatform, HeadlessRecordsWhatLeavesTheStation) {
  QTemporaryDir dir;
  const std::string report = Dir(dir) + "/report.txt";
  WriteFile(report, "x");
  NoteRecorder op;
  LinuxPlatformOptions options;
  options.headless = true;
  options.virtualClock = true;
  options.registryFile = Dir(dir) + "/registry.ini";
  options.printDirectory = Dir(dir) + "/prints";
  LinuxPlatform lp(options, &op);
  Platform& p = lp.platform();
  ASSERT_TRUE(p.registry && p.shell && p.windows && p.drives && p.system && p.lock && p.clock && p.printer);
  EXPECT_EQ(p.shell->Open("Open", report, "", "", 1), ShellResult::Ok);
  EXPECT_TRUE(p.system->LogOffUser());
  p.registry->Set("S", "K", "V");
  EXPECT_NE(ReadFile(options.registryFile).find("K=V"), std::string::npos);
  const auto before = p.clock->Now();
  p.clock->Wait(60000);  // returns at once
  EXPECT_EQ(p.clock->Now() - before, std::chrono::milliseconds(60000));
  EXPECT_TRUE(p.printer->Installed());
  EXPECT_EQ(op.notes, (std::vector<std::string>{"OPEN: Open " + report, "LOGOFF: user log-off requested"}));
}

TEST(PlatformRealClock, ATimerTickThatWaitsIsNotEnteredAgain) {
  // A tick that shows a window waits with events going on; its own timer
  // must not tick inside it (Qt's timers never re-enter themselves, and the
  // window models rely on it).
  if (!QCoreApplication::instance()) GuiApp();
  RealClock clock;
  Forms forms(&clock);
  Form form(forms, "frmTick");
  Control& timer = form.Add(ControlType::Timer, "BAnTimer");
  int depth = 0, deepest = 0, ticks = 0;
  timer.onTimer = [&] {
    ++ticks;
    deepest = std::max(deepest, ++depth);
    clock.Wait(60);
    --depth;
  };
  form.Load();
  timer.SetInterval(5);
  timer.SetEnabled(true);
  clock.Wait(150);
  timer.SetEnabled(false);
  EXPECT_GE(ticks, 2);
  EXPECT_EQ(deepest, 1);
}

}  // namespace
}  // namespace zarvane
