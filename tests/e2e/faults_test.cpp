// Faults injected into a measurement on the real station, headless, with the
// simulated host, the simulated analysis program and the virtual clock: the
// host dying in a program, the analysis program dying without a verdict, its
// log going while reports wait, and the network share going and coming back.
// Each case says what the operator sees and proves that every measured blade's
// report is either collected exactly once or still shown as waiting.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <sstream>

#include "harness.h"

namespace zarvane::e2e {
namespace {

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    Set("Interface", "CMM1");
    Set("SingleZone", "OFF");
    for (const char* mode : {"TXT_Mode", "RTF_Mode"}) Set(mode, "NONE");
    Set("CMM_Mode", "PRINT");
    Set("CMB_Mode", "NONE");
    s.Put("blade_lookup_table.txt", "!Part Number   Program   Flavor\r\n");
    Host("");
    s.Put("quorvx programs/Blade.prg", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "quorvx programs" / "Blade.prg"));
    s.Put("host/probes/STAR5.prb", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "host" / "probes" / "STAR5.prb"));
    for (const char* part : {"P1", "P2", "P3"}) Part(part);
  }
  void Set(const std::string& key, const std::string& value) { ini = WithLine(ini, key + " =", key + " = " + value); }
  void Host(const std::string& settings) {
    s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\nCommandTime = 0\r\n" + settings);
  }
  // A part made of the demo part's files, its flavor asking for the CMM report.
  void Part(const std::string& name, const std::string& blades = "blades") {
    const fs::path demo = fs::path(ZARVANE_DEMO_HOME) / "blades" / "Demo";
    const std::string dir = blades + "/" + name + "/";
    for (const char* ext : {".nom", ".tol", ".op"})
      WriteFile(s.Home() / (dir + name + ext), ReadFile(demo / (std::string("Demo") + ext)));
    WriteFile(s.Home() / (dir + "KT1.flv"), ReadFile(demo / "KT1.flv"));
  }
  // Measures zones 1..n with parts P1..Pn (serials SN1..SNn).
  static std::string MeasureZones(int zones) {
    std::string script;
    for (int z = 1; z <= zones; ++z) script += "select comboBlade(" + std::to_string(z) + ") P" + std::to_string(z) + "\n";
    script += "press cmdGo\n";
    for (int z = 1; z <= zones; ++z) script += "set cmbSN(" + std::to_string(z) + ") SN" + std::to_string(z) + "\n";
    return script + "press frmInspOpt.cmdMeasure\n";
  }
  RunResult Run(const std::string& script) {
    s.Put("zarv.ini", ini);
    return s.Run(script, {"--clock-start", "2024-03-05 14:07:09"});
  }
  // The reports in the order the station made them (from its log).
  std::vector<std::string> Made() const {
    std::vector<std::string> made;
    std::stringstream log(Log());
    for (std::string line; std::getline(log, line);)
      if (const size_t at = line.find("CreateReport report name: "); at != std::string::npos)
        made.push_back(line.substr(at + 26, line.size() - at - 27));
    return made;
  }
  // The report files on disk under a blades directory.
  static std::vector<std::string> OnDisk(const fs::path& blades) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(blades))
      if (e.path().extension() == ".rpt") found.push_back(e.path().string());
    std::sort(found.begin(), found.end());
    return found;
  }
  static std::string Out(const std::string& report, const std::string& ext) {
    return report.substr(0, report.size() - 4) + ext;
  }
  int Processed(const std::string& report) const { return CountOf(Log(), "BAnTimer: Blade has been processed: " + report + "\r\n"); }
  int Unanalysed(const std::string& report) const {
    return CountOf(Log(), "Blade that did not analyze was: " + report + "\r\n");
  }
  // The CMM reports printed, by file name.
  static int Printed(const RunResult& r, const std::string& report) {
    return r.Count("PRINT: " + fs::path(Out(report, ".cmm")).filename().string() + " -> ");
  }
  std::string AnalysisLog() const { return ReadFile(s.Root() / "Blade" / "Blade.log"); }
  std::string Log() const { return s.File("debug.txt"); }
  std::string Journal() const { return s.File("host/journal.txt"); }

  Station s;
  std::string ini;
};

// The analysis program of the home behind a wrapper that first runs `shell`
// (with $log the analysis log and $1 the report), padded to version 2.0's size.
void WrapBlade(const Station& s, const std::string& shell) {
  std::string text = "#!/bin/bash\nlog=\"${0%.exe}.log\"\n" + shell + "\nexec -a \"$0\" '" + std::string(BLADE_EXE) +
                     "' \"$@\"\n#";
  text += std::string(kNewBladeSize - text.size() - 1, '#') + "\n";
  WriteFile(s.BladeProgram(), text);
  fs::permissions(s.BladeProgram(), fs::perms::owner_all, fs::perm_options::replace);
}

TEST_F(Faults, TheHostDyingInABladeProgramLosesNoReportAndMeasuringAgainGivesOneEach) {
  // Zone 2's host dies right after measuring its blade, before the program
  // ends. The operator sees the host's error ("The remote server machine does
  // not exist or is unavailable") and "Measurement incomplete -- Please measure
  // Serial Number SN2 again."; zone 1's blade is analysed and printed. Both
  // zones measured again on a fresh host give one report each.
  Host("CrashRun = 2\r\nCrashAfter = 4\r\n");  // after LOADPROBE ... MEASURE_BLADE
  const RunResult r = Run(MeasureZones(2) + "wait 5000\npress frmInspOpt.cmdExit\n" +
                          "select comboBlade(2) P2\npress cmdGo\nset cmbSN(2) SN2\npress frmInspOpt.cmdMeasure\n" +
                          "wait 5000\npress frmInspOpt.cmdExit\npress mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(Journal().find("CRASHED in run 2 after 4 commands (CrashRun)"), std::string::npos) << Journal();
  EXPECT_TRUE(r.Has("Error Description: The remote server machine does not exist or is unavailable")) << r.transcript;
  EXPECT_EQ(r.Count("MESSAGE: Measurement incomplete -- Please measure Serial Number SN2 again."), 1);
  EXPECT_EQ(CountOf(Journal(), "START Quorvex"), 2);  // the second measurement started a fresh host
  const std::vector<std::string> made = Made();
  ASSERT_EQ(made.size(), 3u) << Log();
  std::vector<std::string> sorted = made;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(OnDisk(s.Home() / "blades"), sorted);
  for (int i : {0, 1}) EXPECT_NE(ReadFile(made[i]).find("TEXT SERNO=SN1\r\n"), std::string::npos);
  EXPECT_NE(ReadFile(made[2]).find("TEXT SERNO=SN2\r\n"), std::string::npos);
  for (const std::string& report : made) {
    SCOPED_TRACE(report);
    EXPECT_EQ(CountOf(AnalysisLog(), report + " = 1\r\n"), 1);
    EXPECT_EQ(Processed(report), 1);
    EXPECT_EQ(Printed(r, report), 1);
  }
  EXPECT_EQ(r.Lines("STATUSDETAIL:").back(), "STATUSDETAIL: ");
  EXPECT_FALSE(r.Has("QUESTION: Exit?"));  // nothing waits
}

TEST_F(Faults, TheHostDyingInTheSecondBladeOfARotorStopsTheRotorAfterTheFirstReport) {
  // A rotor of three blades in zone 1; the host dies as blade 2's program
  // starts. The operator sees the host's error and the incomplete measurement;
  // blade 1's report is made, analysed and printed once, blades 2 and 3 get none.
  Set("MBR", "ON");
  s.Put("blades/P1/P1.mbr", "1\r\n2\r\n3\r\n");
  Host("CrashRun = 2\r\nCrashAfter = 0\r\n");
  const RunResult r = Run(MeasureZones(1) + "wait 5000\npress frmInspOpt.cmdExit\npress mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(Journal().find("CRASHED in run 2 after 0 commands (CrashRun)"), std::string::npos) << Journal();
  EXPECT_TRUE(r.Has("Error Description: The remote server machine does not exist or is unavailable")) << r.transcript;
  const std::vector<std::string> made = Made();
  ASSERT_EQ(made.size(), 1u) << Log();
  EXPECT_EQ(OnDisk(s.Home() / "blades"), made);
  EXPECT_NE(ReadFile(made[0]).find("TEXT MBRNO= 1 \r\n"), std::string::npos);
  EXPECT_EQ(CountOf(Log(), "CreateReport: Zone is 1"), 2);  // blade 3 is not tried
  EXPECT_EQ(Processed(made[0]), 1);
  EXPECT_EQ(Printed(r, made[0]), 1);
  EXPECT_FALSE(r.Has("QUESTION: Exit?"));
}

TEST_F(Faults, AnAnalysisThatDiesWithoutAVerdictKeepsItsReportAndTheOlderOnesWaiting) {
  // P2's analysis is killed before it writes anything. The operator sees
  // "Waiting for analysis: 2 reports, oldest N min" with N growing, and at
  // Exit the question and both reports named as not analysed: P2's, and P1's,
  // which was analysed but waits behind it (a tick ends at the newest report
  // without a verdict). P3 is collected once; nothing is collected twice.
  SetBladeSettings(s.BladeProgram(), "CrashParts = P2\r\n");
  const RunResult r = Run(MeasureZones(3) + "wait 180000\nanswer yes\npress frmInspOpt.cmdExit\npress mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::vector<std::string> made = Made();
  ASSERT_EQ(made.size(), 3u) << Log();
  EXPECT_EQ(OnDisk(s.Home() / "blades"), made);
  const std::string analysis = AnalysisLog();
  EXPECT_EQ(CountOf(analysis, made[1]), 0) << analysis;  // not a line for P2's report
  EXPECT_FALSE(fs::exists(Out(made[1], ".cmm")));
  EXPECT_EQ(CountOf(analysis, made[0] + " = 1\r\n"), 1);
  EXPECT_EQ(Processed(made[2]), 1);
  EXPECT_EQ(Printed(r, made[2]), 1);
  for (int i : {0, 1}) {
    EXPECT_EQ(Processed(made[i]), 0) << made[i];
    EXPECT_EQ(Printed(r, made[i]), 0) << made[i];
    EXPECT_EQ(Unanalysed(made[i]), 1) << made[i];
  }
  EXPECT_TRUE(r.Has("STATUSDETAIL: Waiting for analysis: 2 reports, oldest 3 min\n")) << r.transcript;
  EXPECT_TRUE(r.Has("QUESTION: Exit? | Zarvane is waiting for Blade to finish analyzing."));
}

TEST_F(Faults, AnAnalysisLogDeletedWhileReportsWaitLosesOnlyTheVerdictsItHeld) {
  // An old log the station has seen grow; each analysis deletes it first, so
  // P2's verdict lands in a new, shorter log and P1's verdict is gone. The
  // operator sees P2 collected, "Waiting for analysis: 1 report" for P1, and
  // P1 named at Exit.
  WriteFile(s.Root() / "Blade" / "Blade.log", std::string(4000, '.') + "\r\n");
  WrapBlade(s, "rm -f \"$log\"");
  const RunResult r = Run(MeasureZones(2) + "wait 20000\nanswer yes\npress frmInspOpt.cmdExit\npress mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::vector<std::string> made = Made();
  ASSERT_EQ(made.size(), 2u) << Log();
  EXPECT_EQ(AnalysisLog().find(made[0]), std::string::npos);
  EXPECT_EQ(Processed(made[1]), 1) << AnalysisLog();
  EXPECT_EQ(Printed(r, made[1]), 1);
  EXPECT_EQ(Processed(made[0]), 0);
  EXPECT_EQ(Unanalysed(made[0]), 1);
  EXPECT_TRUE(r.Has("STATUSDETAIL: Waiting for analysis: 1 report, oldest 0 min\n")) << r.transcript;
  EXPECT_EQ(r.Lines("STATUSDETAIL:").back(), "STATUSDETAIL: Waiting for analysis: 1 report, oldest 0 min");
}

TEST_F(Faults, AVerdictWrittenIntoALogCutBackMeanwhileIsStillFound) {
  // Before P2's analysis someone cuts the log back, through P1's verdict, so
  // that P2's verdict line straddles where the log ended when P2 was queued.
  // The operator sees P2 collected and printed once, "Waiting for analysis:
  // 1 report" for P1 (its verdict is gone), and P1 named at Exit.
  WriteFile(s.Root() / "Blade" / "Blade.log", std::string(4000, '.') + "\r\n");
  WrapBlade(s,
            "case \"$1\" in */P2/*)\n"
            "  analysed=\"Analysed $1: 3 sections\"\n"
            "  truncate -s $(( $(stat -c %s \"$log\") - ${#analysed} - 2 - 5 )) \"$log\";;\n"
            "esac");
  const RunResult r = Run(MeasureZones(2) + "wait 20000\nanswer yes\npress frmInspOpt.cmdExit\npress mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::vector<std::string> made = Made();
  ASSERT_EQ(made.size(), 2u) << Log();
  ASSERT_EQ(CountOf(AnalysisLog(), "\n" + made[1] + " = 1\r\n"), 1) << AnalysisLog();
  EXPECT_EQ(Processed(made[1]), 1);
  EXPECT_EQ(Printed(r, made[1]), 1);
  EXPECT_EQ(Processed(made[0]), 0);
  EXPECT_EQ(Unanalysed(made[0]), 1);
  EXPECT_EQ(r.Lines("STATUSDETAIL:").back(), "STATUSDETAIL: Waiting for analysis: 1 report, oldest 0 min")
      << r.transcript;
}

TEST_F(Faults, AShareLostInTheMiddleOfARunIsToldOnceAndItsReportCollectedWhenItReturns) {
  // The data directories are on a network share. It goes away right after
  // zone 1's analysis (written on the share) and comes back a minute later
  // (the check timer's command brings it back). The operator sees zone 2 fail
  // ("There was a problem accessing the part program", "Measurement incomplete
  // -- Please measure Serial Number SN2 again."), the lost network told once
  // ("Network failed since it was last checked..." and "Network unavailable.
  // Continuing with local files."), zone 1's report waiting meanwhile, and
  // once the share is back, collected and printed once.
  const fs::path net = s.Root() / "net", share = net / "shop";
  s.SetEnv("ZARVANE_NETWORK_ROOTS", net.string());
  for (const char* part : {"P1", "P2"}) Part(part, "../net/shop/blades");
  WriteFile(share / "quorvx programs" / "Blade.prg", s.File("quorvx programs/Blade.prg"));
  fs::create_directories(share / "fixtures");
  for (const char* kind : {"blades", "fixtures"}) s.SetRegistry("directories", kind, (share / kind).string());
  s.SetRegistry("directories", "programs", (share / "quorvx programs").string());
  const std::string down = (s.Root() / "net-down").string();
  WrapBlade(s, "case \"$1\" in */P1/*) (exec -a \"$0\" '" + std::string(BLADE_EXE) + "' \"$@\"); mv '" + net.string() +
                   "' '" + down + "'; exit 0;; esac");
  ini = WithLine(ini, "CheckTimerCMD", "CheckTimerCMD = /bin/mv " + down + " " + net.string());
  ini += "CheckTimerON = ON\r\n";
  const RunResult r = Run(MeasureZones(2) + "wait 180000\npress frmInspOpt.cmdExit\npress mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_TRUE(fs::exists(share)) << "the share did not come back";
  const std::vector<std::string> made = Made();
  ASSERT_EQ(made.size(), 1u) << Log();
  EXPECT_EQ(OnDisk(share / "blades"), made);
  EXPECT_EQ(OnDisk(s.Home() / "blades"), std::vector<std::string>{});
  EXPECT_EQ(r.Count("MESSAGE: Measurement incomplete -- Please measure Serial Number SN2 again."), 1) << r.transcript;
  EXPECT_EQ(r.Count("MESSAGE: Network failed since it was last checked"), 1) << r.transcript;
  EXPECT_EQ(r.Count("MESSAGE: Network unavailable.  Continuing with local files."), 1);
  EXPECT_FALSE(r.Has("MESSAGE: Network remains unavailable"));
  EXPECT_TRUE(r.Has("STATUSDETAIL: Waiting for analysis: 1 report, oldest 1 min\n"));
  EXPECT_EQ(CountOf(AnalysisLog(), made[0] + " = 1\r\n"), 1);
  EXPECT_EQ(Processed(made[0]), 1);
  EXPECT_EQ(Printed(r, made[0]), 1);
  EXPECT_EQ(r.Lines("STATUSDETAIL:").back(), "STATUSDETAIL: ");
  EXPECT_FALSE(r.Has("QUESTION: Exit?"));
}

// Runs the mirror tool; its exit status.
int Mirror(const fs::path& source, const fs::path& destination) {
  const pid_t pid = fork();
  if (pid == 0) {
    execl(MIRROR_EXE, MIRROR_EXE, source.c_str(), destination.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MirrorFaults, AShareFailingInTheMiddleOfACopyKeepsTheLocalFileUntilItIsBack) {
  // The share fails while a part's files are copied: reading b.nom gives an
  // I/O error (it stands for /proc/self/mem, which the share calls empty and
  // cannot read). The operator sees nothing (the mirror has no window); the
  // station goes on with the previous local b.nom, not an empty one, and the
  // next copy once the share is back brings the new one.
  Station s;
  const fs::path share = s.Root() / "share" / "P1", local = s.Home() / "blades" / "P1";
  WriteFile(share / "a.nom", "new a\r\n");
  WriteFile(share / "c.tol", "new c\r\n");
  fs::create_directories(share);
  fs::create_symlink("/proc/self/mem", share / "b.nom");
  WriteFile(local / "b.nom", "local b\r\n");
  EXPECT_EQ(Mirror(share, local), 0);
  EXPECT_EQ(ReadFile(local / "b.nom"), "local b\r\n");
  EXPECT_EQ(ReadFile(local / "a.nom"), "new a\r\n");  // the files around it are copied
  EXPECT_EQ(ReadFile(local / "c.tol"), "new c\r\n");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(local)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.nom", "b.nom", "c.tol"}));  // no temporary file left
  // The share is back.
  fs::remove(share / "b.nom");
  WriteFile(share / "b.nom", "new b\r\n");
  EXPECT_EQ(Mirror(share, local), 0);
  EXPECT_EQ(ReadFile(local / "b.nom"), "new b\r\n");
}

}  // namespace
}  // namespace zarvane::e2e
