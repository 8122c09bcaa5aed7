// The zarvane program: the station with its Qt windows, or headless with the
// scripted operator (--script).

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "foundation/core.h"
#include "foundation/paths.h"
#include "foundation/script.h"
#include "foundation/text.h"
#include "foundation/writefault.h"
#include "platform/linux.h"
#include "qtui/formhost.h"
#include "qtui/qtoperator.h"
#include "qtui/touchstyle.h"

#include "cycle/cycle.h"
#include "desktop/reassociation.h"
#include "desktop/userhome.h"
#include "host/probequal.h"
#include "host/connection.h"
#include "host/simhost.h"
#include "station/directories.h"
#include "station/partmaking.h"
#include "station/station.h"
#include "station/zones.h"

using namespace zarvane;

namespace {

struct Options {
  std::string home;
  std::string script;
  bool virtualClock = false;
  std::string clockStart;  // "YYYY-MM-DD HH:MM:SS", local time, with --virtual-clock
  std::string printDir;
  std::string printFile;  // --print: print this file and end
  bool openDocuments = false;
  bool userHome = false;      // --user-home: the user's own home, prepared on first run
  std::string homeProblem;    // why that home could not be prepared
  std::string registryFile;   // the registry store's file, when not the platform's own
  std::vector<std::string> stationArgs;
  std::string error;
};

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) o.error = a + " needs a value";
      else out = argv[++i];
    };
    if (a == "--home") value(o.home);
    else if (a == "--script") value(o.script);
    else if (a == "--print-dir") value(o.printDir);
    else if (a == "--print") value(o.printFile);
    else if (a == "--virtual-clock") o.virtualClock = true;
    else if (a == "--clock-start") value(o.clockStart);
    else if (a == "--open-documents") o.openDocuments = true;
    else if (a == "--user-home") o.userHome = true;
    else if (a == "--help") o.error = "help";
    else if (a.rfind("--", 0) == 0) o.error = "unknown option " + a;
    else o.stationArgs.push_back(Utf8ToCp1252(a));
  }
  return o;
}

const char* kUsage =
    "usage: zarvane [--home DIR | --user-home] [--script FILE] [--virtual-clock [--clock-start \"YYYY-MM-DD HH:MM:SS\"]] "
    "[--print-dir DIR] [--open-documents] "
    "[/INI file | /PQ]\n"
    "       zarvane [--print-dir DIR] --print FILE\n";

// --user-home: the station runs on the user's own home (prepared from the
// installed template on first run), with its registry store and system
// directory in that home unless the environment names others.
std::string ProgramDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? "" : exe.parent_path().string();
}

void ResolveUserHome(Options& o) {
  const std::string home = UserHomeDirectory();
  if (home.empty()) {
    o.homeProblem = "The station's home cannot be found: neither XDG_DATA_HOME nor HOME is set.";
    return;
  }
  // The station's file names are Windows-1252 text: a path it cannot write
  // back unchanged would put its files somewhere else.
  if (Cp1252ToUtf8(Utf8ToCp1252(home)) != home) {
    o.homeProblem = "The station's home " + home +
                    " has characters the station cannot use in file names; set XDG_DATA_HOME to a folder "
                    "whose path has none.";
    return;
  }
  const InstalledFiles files = FindInstalledFiles(ProgramDirectory());
  const PreparedHome prepared = PrepareUserHome(home, files);
  if (prepared.outcome == PreparedHome::Outcome::Failed) {
    o.homeProblem = "The station's home could not be prepared in " + home + ": " + prepared.message + ".";
    return;
  }
  if (prepared.outcome == PreparedHome::Outcome::Prepared)
    std::cerr << "zarvane: prepared a new station home in " << home << " from " << files.homeTemplate << "\n";
  o.home = home;
  const char* registry = std::getenv("ZARVANE_REGISTRY");
  if (!registry || !*registry) o.registryFile = Utf8ToCp1252(home + "/registry.ini");
  const char* system = std::getenv("ZARVANE_SYSTEM_DIR");
  if (!system || !*system) setenv("ZARVANE_SYSTEM_DIR", (home + "/system").c_str(), 1);
}

std::string HomeDirectory(const Options& o) {
  if (!o.home.empty()) return Utf8ToCp1252(o.home);
  if (const char* env = std::getenv("ZARVANE_HOME"); env && *env) return Utf8ToCp1252(env);
  return Utf8ToCp1252(QCoreApplication::applicationDirPath().toStdString());
}

// Process facts the station takes from its surroundings rather than its settings.
void ConfigureCore(Core& core) {
  core.gProgramDir = Utf8ToCp1252(QCoreApplication::applicationDirPath().toStdString());
  if (const char* dir = std::getenv("ZARVANE_TALLYX_DIR"); dir && *dir) core.gStatsPackageDir = Utf8ToCp1252(dir);
}

// The station's host: the simulated CMM host, installed in ZARVANE_HOST_DIR or
// in the folder "host" of the home directory.
struct HostSetup {
  HostSetup(Core& core, Station& station, Clock& clock) : sim(Environment(core, station, clock)), link(core, station, sim) {}

  static SimHostEnvironment Environment(Core& core, Station& station, Clock& clock) {
    SimHostEnvironment env;
    env.clock = &clock;
    env.installDir = [&core] {
      const char* dir = std::getenv("ZARVANE_HOST_DIR");
      return dir && *dir ? Utf8ToCp1252(dir) : core.HomeFile("host");
    };
    env.stationHome = [&core] { return core.gHome; };
    env.bladesDir = [&core, &station] { return core.gBladesDir.empty() ? core.gLocalBladesDir : core.gBladesDir; };
    env.language = [&core] {
      const int language = ValInt(core.GetKeyVal(core.gIniFile, "Language"));
      return language >= 1 && language <= 5 ? language : 1;
    };
    return env;
  }

  SimulatedHost sim;
  HostConnection link;
};

// The part data files and the zone panels.
// The part data files, the zone panels and the measurement cycle; the host
// asks the cycle for the serial number of the zone being measured.
struct ZoneSetup {
  ZoneSetup(Core& core, Station& station, HostConnection& host)
      : files(core), zones(core, station, files), cycle(core, station, zones, files, &host), making(core, station, files) {
    station.zones = &zones;
    host.currentSerialNumber = [this, &core] { return cycle.options.SerialNumber(core.gzone); };
  }
  PartFiles files;
  Zones zones;
  Cycle cycle;
  // Convert Text File, Make New Part and the nominal check's conversion.
  PartMaking making;
};

// Probe qualification: the probe picture and its caption, the menu, "/PQ";
// the results go through the report display.
struct ProbeSetup {
  ProbeSetup(Core& core, Station& station, HostConnection& host, ReportDisplay& display)
      : qualification(core, station, host) {
    station.probes = &qualification;
    qualification.PrintShow = [&display](const std::string& type, const std::string& file, const std::string& mode,
                                         int zone) { display.PrintShow(type, file, mode, zone); };
    for (const char* name : {"picProbe", "lblProbe"}) {
      station.frmMain(name).onClick = [this] { qualification.ProbeUtilities(); };
      station.EnableCommand(name);
    }
    station.frmMain("mnuProbeCal").onClick = [this] { qualification.mnuProbeCal_Click(); };
    station.EnableCommand("mnuProbeCal");
    station.qualifying = [this] { return qualification.Running(); };
    station_ = &station;
  }
  ~ProbeSetup() { station_->qualifying = nullptr; }
  Station* station_ = nullptr;
  ProbeQualification qualification;
};

// Qt wants a private runtime directory (ours, mode 0700) in XDG_RUNTIME_DIR
// and warns at every start without one, as for root or outside a login
// session. An unset or unusable one is replaced, before the application
// object exists, by /tmp/zarvane-runtime-<uid>: made, or its mode put right,
// when it is ours; when it is someone else's or no directory, a fresh private
// directory is made instead.
void PrepareRuntimeDirectory() {
  const uid_t uid = geteuid();
  const auto ours = [uid](const std::string& dir, bool exactMode) {
    struct stat st;
    return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
           (!exactMode || (st.st_mode & 07777) == 0700);
  };
  if (const char* set = std::getenv("XDG_RUNTIME_DIR"); set && *set && ours(set, true)) return;
  std::string dir = "/tmp/zarvane-runtime-" + std::to_string(uid);
  mkdir(dir.c_str(), 0700);
  if (ours(dir, false)) chmod(dir.c_str(), 0700);
  if (!ours(dir, true)) {
    char fresh[] = "/tmp/zarvane-runtime-XXXXXX";
    if (!mkdtemp(fresh)) return;  // Qt then warns and chooses itself
    dir = fresh;
  }
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

// The start of virtual time from "YYYY-MM-DD HH:MM:SS" (local time); nothing
// when the text is empty or not such a time.
std::optional<std::chrono::system_clock::time_point> ClockStart(const std::string& text) {
  std::tm tm{};
  if (text.empty() || !strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm)) return std::nullopt;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  return std::chrono::system_clock::from_time_t(t);
}

int RunHeadless(const Options& o, int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  PrepareRuntimeDirectory();
  QGuiApplication app(argc, argv);
  // Qt takes the C library's locale from the environment; the station's
  // numbers (files, reports) are read and written with "." whatever the
  // desktop's language, and it asks Qt for the operator's separator itself.
  std::setlocale(LC_NUMERIC, "C");
  if (!o.homeProblem.empty()) {
    std::cerr << "zarvane: " << o.homeProblem << "\n";
    return 2;
  }
  std::ifstream in(o.script, std::ios::binary);
  if (!in) {
    std::cerr << "zarvane: cannot read the script " << o.script << "\n";
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  // Tests make writes fail on purpose (a full report directory, an
  // unwritable log); only headless runs read this.
  if (const char* fault = std::getenv("ZARVANE_FAIL_WRITES"); fault && *fault) {
    auto parsed = ParseWriteFault(fault);
    if (!parsed) {
      std::cerr << "zarvane: ZARVANE_FAIL_WRITES is no \"<errno name>:<path text>[:<bytes>]\": " << fault << "\n";
      return 2;
    }
    SetWriteFault(std::move(parsed));
  }

  ScriptedOperator op(std::cout);
  LinuxPlatformOptions po;
  po.headless = !o.openDocuments;
  po.virtualClock = o.virtualClock;
  po.virtualStart = ClockStart(o.clockStart);
  po.registryFile = o.registryFile;
  const std::string home = HomeDirectory(o);
  po.printDirectory = o.printDir.empty() ? JoinPath(home, "printed") : o.printDir;
  LinuxPlatform lp(po, &op);
  Forms forms(&lp.clock());
  Core core(lp.platform(), op, forms);
  ConfigureCore(core);
  try {
    ScriptRunner runner(forms, op, lp.clock(), ParseScript(text.str()), home);
    forms.SetHost(&runner);
    Station station(core);
    HostSetup host(core, station, lp.clock());
    Directories directories(core, station);
    ZoneSetup zoneSetup(core, station, host.link);
    ProbeSetup probeSetup(core, station, host.link, zoneSetup.cycle.display);
    Reassociation reassociation(core, station);
    runner.QueueLeadingAnswers();
    if (!station.Start(home, o.stationArgs)) return 1;
    runner.Run([&] { return station.Exited(); });
    if (!station.Exited()) station.cmdExit_Click();
    if (!station.Exited()) throw ScriptAbort{"the station did not exit at the end of the script"};
    if (op.Pending()) op.Line("WARNING: " + std::to_string(op.Pending()) + " queued answers were not used");
    forms.SetHost(nullptr);
  } catch (const ScriptAbort& abort) {
    op.Line("ERROR: " + abort.message);
    std::cerr << "zarvane: " << Cp1252ToUtf8(abort.message) << "\n";
    forms.SetHost(nullptr);
    return 2;
  }
  return 0;
}

// Prints a text or RTF file the way the station prints documents (the print
// command of its report file types) and ends: 0 printed, 1 not.
int PrintFile(const Options& o, int argc, char** argv) {
  // Printing shows no window: it needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  PrepareRuntimeDirectory();
  QGuiApplication app(argc, argv);
  LinuxPlatformOptions po;
  po.printDirectory = o.printDir;
  LinuxPlatform lp(po, nullptr);
  const ShellResult result = lp.shell().Open("print", Utf8ToCp1252(o.printFile), "", "", 0);
  if (result == ShellResult::Ok) return 0;
  std::cerr << "zarvane: cannot print " << o.printFile << "\n";
  return 1;
}

int RunWindows(const Options& o, int argc, char** argv) {
  PrepareRuntimeDirectory();
  QApplication app(argc, argv);
  // Qt takes the C library's locale from the environment; the station's
  // numbers (files, reports) are read and written with "." whatever the
  // desktop's language, and it asks Qt for the operator's separator itself.
  std::setlocale(LC_NUMERIC, "C");
  app.setQuitOnLastWindowClosed(false);
  app.setWindowIcon(QIcon(QStringLiteral(":/zarvane/zarvane.png")));
  InstallTouchStyle();
  if (!o.homeProblem.empty()) {
    QMessageBox::critical(nullptr, QStringLiteral("Zarvane"), QString::fromStdString(o.homeProblem));
    return 1;
  }
  LinuxPlatformOptions po;
  po.virtualClock = o.virtualClock;
  po.virtualStart = ClockStart(o.clockStart);
  po.printDirectory = o.printDir;
  po.registryFile = o.registryFile;
  LinuxPlatform lp(po, nullptr);
  Forms forms(&lp.clock());
  QtFormHost host(forms);
  QtOperator op(&host);
  Core core(lp.platform(), op, forms);
  // Resizable windows open where the operator left them.
  if (RegistryStore* registry = lp.platform().registry) {
    host.loadPlacement = [registry](const std::string& form) {
      return registry->Get("Windows", form).value_or("");
    };
    host.savePlacement = [registry](const std::string& form, const std::string& placement) {
      registry->Set("Windows", form, placement);
    };
  }
  ConfigureCore(core);
  Station station(core);
  HostSetup hostSetup(core, station, lp.clock());
  Directories directories(core, station);
  ZoneSetup zoneSetup(core, station, hostSetup.link);
  ProbeSetup probeSetup(core, station, hostSetup.link, zoneSetup.cycle.display);
  Reassociation reassociation(core, station);
  host.onCloseRequest = [&](Form& form) {
    // Closing the main window is the Exit command; it may ask first. The
    // cycle's windows close through their own Exit or Cancel.
    if (&form == &probeSetup.qualification.form) {
      probeSetup.qualification.form.cmdCancel_Click();  // a closed dialog never starts the machine
      return false;
    }
    if (&form != &station.frmMain) return zoneSetup.cycle.CloseRequested(form);
    station.cmdExit_Click();
    return false;
  };
  if (!station.Start(HomeDirectory(o), o.stationArgs)) return 1;
  if (station.Exited()) return 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (station.Exited()) QCoreApplication::quit();
  });
  watch.start(100);
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  Options o = ParseOptions(argc, argv);
  if (o.error.empty() && !o.clockStart.empty() && !ClockStart(o.clockStart))
    o.error = "--clock-start needs a time as YYYY-MM-DD HH:MM:SS";
  if (!o.error.empty()) {
    if (o.error != "help") std::cerr << "zarvane: " << o.error << "\n";
    std::cerr << kUsage;
    return o.error == "help" ? 0 : 2;
  }
  if (o.userHome && !o.home.empty()) {
    std::cerr << "zarvane: --home and --user-home exclude each other\n" << kUsage;
    return 2;
  }
  if (!o.printFile.empty()) return PrintFile(o, argc, argv);
  // An installed station has no home beside its executable (bin/): without
  // one named, it runs on the user's own.
  const char* homeVariable = std::getenv("ZARVANE_HOME");
  if (!o.userHome && o.home.empty() && !(homeVariable && *homeVariable) &&
      FindInstalledFiles(ProgramDirectory()).installed)
    o.userHome = true;
  if (o.userHome) ResolveUserHome(o);
  return o.script.empty() ? RunWindows(o, argc, argv) : RunHeadless(o, argc, argv);
}
