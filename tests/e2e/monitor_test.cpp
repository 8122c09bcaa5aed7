// Measure -> analyse -> collect on the real station, headless, against the
// simulated host, the simulated analysis program and the combine stand-in,
// on the virtual clock: what the analysis monitor does with each verdict,
// in which order it looks, and what it leaves on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "harness.h"

namespace zarvane::e2e {
namespace {

class Monitor : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    Set("Interface", "CMM1");
    Set("SingleZone", "OFF");
    for (const char* mode : {"TXT_Mode", "RTF_Mode"}) Set(mode, "NONE");
    Set("CMM_Mode", "PRINT");
    Set("CMB_Mode", "PRINT");
    Set("CMB_Wait", "0");
    s.Put("blade_lookup_table.txt", "!Part Number   Program   Flavor\r\n");
    s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\nCommandTime = 0\r\n");
    // The demo's blade program loads a probe: the report's RADIUS is its tip radius.
    s.Put("quorvx programs/Blade.prg", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "quorvx programs" / "Blade.prg"));
    s.Put("host/probes/STAR5.prb", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "host" / "probes" / "STAR5.prb"));
    fs::copy_file(COMBINE_EXE, s.Home() / "combine.exe");
    Part("Demo");
  }
  void Set(const std::string& key, const std::string& value) { ini = WithLine(ini, key + " =", key + " = " + value); }
  // A part made of the demo part's files, its flavor asking for the CMM report.
  void Part(const std::string& name) {
    const fs::path demo = fs::path(ZARVANE_DEMO_HOME) / "blades" / "Demo";
    const std::string dir = "blades/" + name + "/";
    for (const char* ext : {".nom", ".tol", ".op"}) s.Put(dir + name + ext, ReadFile(demo / (std::string("Demo") + ext)));
    s.Put(dir + "KT1.flv", ReadFile(demo / "KT1.flv") + "SAVECMM = 1\r\n");
  }
  // Measures zones 1..n (parts P1..Pn, or Demo alone), then lets `waitMs` pass.
  RunResult Measure(int zones, int waitMs, const std::string& after = "") {
    std::string script;
    for (int z = 2; z <= zones; ++z) script += "select comboBlade(" + std::to_string(z) + ") P" + std::to_string(z) + "\n";
    if (zones > 1) script += "select comboBlade(1) P1\n";
    script += "press cmdGo\n";
    for (int z = 1; z <= zones; ++z) script += "set cmbSN(" + std::to_string(z) + ") SN" + std::to_string(z) + "\n";
    script += "press frmInspOpt.cmdMeasure\nwait " + std::to_string(waitMs) + "\n" + after;
    s.Put("zarv.ini", ini);
    return s.Run(script, {"--clock-start", "2024-03-05 14:07:09"});
  }
  // The reports in the order the station made them (from its log).
  std::vector<std::string> Made() const {
    std::vector<std::string> made;
    std::stringstream log(s.File("debug.txt"));
    for (std::string line; std::getline(log, line);)
      if (const size_t at = line.find("CreateReport report name: "); at != std::string::npos)
        made.push_back(line.substr(at + 26, line.size() - at - 27));
    return made;
  }
  static std::string Out(const std::string& report, const std::string& ext) {
    return report.substr(0, report.size() - 4) + ext;
  }
  // The monitor's log lines from the first one holding `from` up to the next holding `to`.
  std::vector<std::string> LogSpan(const std::string& from, const std::string& to) const {
    std::vector<std::string> span;
    std::stringstream log(s.File("debug.txt"));
    bool in = false;
    for (std::string line; std::getline(log, line);) {
      if (!in && line.find(from) != std::string::npos) in = true;
      if (!in) continue;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      line = line.substr(line.find(": ", 9) + 2);  // without the time and level
      for (const char* step : {"BanTimer: gToAnalyze", "BAnTimer_Timer: Looking", "BAnTimer_Timer: Blade",
                               "BAnTimer: Blade", "BAnTimer: End"})
        if (line.rfind(step, 0) == 0) span.push_back(line);
      if (line.find(to) != std::string::npos && span.size() > 1) break;
    }
    return span;
  }
  // The clock time (seconds of the day) of the first log line holding `text`.
  int TimeOf(const std::string& text) const {
    std::stringstream log(s.File("debug.txt"));
    for (std::string line; std::getline(log, line);)
      if (line.find(text) != std::string::npos)
        return std::stoi(line.substr(0, 2)) * 3600 + std::stoi(line.substr(3, 2)) * 60 + std::stoi(line.substr(6, 2));
    return -1;
  }
  std::string Log() const { return s.File("debug.txt"); }

  Station s;
  std::string ini;
};

TEST_F(Monitor, TheDemoPartComesBackAnalysedCombinedPrintedAndCopiedHome) {
  const fs::path ext = s.Root() / "ext.sh", mcl = s.Root() / "mcl.sh";
  WriteFile(ext, "#!/bin/sh\necho \"finished $#\" > '" + (s.Root() / "ext.out").string() + "'\n");
  WriteFile(mcl, "#!/bin/sh\necho \"$@\" > '" + (s.Root() / "mcl.out").string() + "'\n");
  for (const fs::path& p : {ext, mcl}) fs::permissions(p, fs::perms::owner_all);
  ini += "ExtBladeFinish = " + ext.string() + "\r\nExternalMCL = " + mcl.string() + "\r\n";
  Set("CleanXYZ", "1");
  const RunResult r = Measure(1, 3000);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_EQ(Made().size(), 1u);
  const std::string rpt = Made()[0];

  // The analysis program answered; the monitor found it and collected it.
  EXPECT_NE(s.File("../Blade/Blade.log").find(rpt + " = 1\r\n"), std::string::npos);
  EXPECT_EQ(CountOf(Log(), "BAnTimer: Blade has been processed: " + rpt), 1);
  EXPECT_EQ(s.File("Blade.csv"), ReadFile(Out(rpt, ".csv")));
  // The CMM report printed, then combined with the rich-text report and the
  // combined one printed after the window wait and CMB_Wait's 2 s.
  EXPECT_NE(Log().find("BAnTimer_Timer: Shelling Combine with command: " + Out(rpt, ".cmm") + "," + Out(rpt, ".rtf")),
            std::string::npos);
  EXPECT_NE(Log().find("BAnTimer_Timer: CMB_Wait: 0"), std::string::npos);
  EXPECT_EQ(TimeOf("PrintShow: Start: File is: " + Out(rpt, ".cmb")) - TimeOf("Shelling Combine"), 3);
  const std::vector<std::string> prints = r.Lines("PRINT:");
  ASSERT_EQ(prints.size(), 2u) << r.transcript;
  EXPECT_EQ(prints[0].rfind("PRINT: " + fs::path(Out(rpt, ".cmm")).filename().string() + " -> ", 0), 0u);
  EXPECT_EQ(prints[1].rfind("PRINT: " + fs::path(Out(rpt, ".cmb")).filename().string() + " -> ", 0), 0u);
  const std::string cmm = ReadFile(Out(rpt, ".cmm")), cmb = ReadFile(Out(rpt, ".cmb"));
  ASSERT_FALSE(cmm.empty());
  EXPECT_EQ(cmb.rfind(cmm, 0), 0u);  // the combined report begins with the CMM report
  // The external programs: ExtBladeFinish without parameters, ExternalMCL with the MCL file.
  EXPECT_EQ(ReadFile(s.Root() / "ext.out"), "finished 0\n");
  EXPECT_EQ(ReadFile(s.Root() / "mcl.out"), Out(rpt, ".mcl") + "\n");
  // Clean-up: only what was asked for.
  EXPECT_FALSE(fs::exists(Out(rpt, ".xyz")));
  for (const char* kept : {".rpt", ".csv", ".txt", ".rtf", ".mcl", ".cmm", ".cmb"})
    EXPECT_TRUE(fs::exists(Out(rpt, kept))) << kept;
  // The status line showed the waiting report, then nothing waiting.
  EXPECT_TRUE(r.Has("STATUSDETAIL: Waiting for analysis: 1 report, oldest 0 min\n")) << r.transcript;
  EXPECT_EQ(r.Lines("STATUSDETAIL:").back(), "STATUSDETAIL: ");
}

TEST_F(Monitor, APartMovedOnTheHostIsTheStackShiftAndTheTwistOfEverySection) {
  // Without noise. The measured contour is the nominal sampled at the probed
  // points, so its centroid and chord are not quite the nominal's: what a
  // move of the part changes is compared with the part where it belongs.
  const auto analyse = [&](const std::string& move) {
    s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\nCommandTime = 0\r\nNoise = 0\r\n" + move);
    const RunResult r = Measure(1, 3000);
    EXPECT_EQ(r.status, 0) << r.transcript << r.errors;
    std::map<std::string, double> deviation;  // "A-A STACKX" -> deviation
    if (Made().empty()) return deviation;
    std::stringstream csv(ReadFile(Out(Made().back(), ".csv")));
    for (std::string line; std::getline(csv, line);) {
      std::vector<std::string> f;
      std::stringstream fields(line);
      for (std::string v; std::getline(fields, v, ',');) f.push_back(v);
      if (f.size() >= 5 && f[0] != "section") deviation[f[0] + " " + f[1]] = std::stod(f[4]);
    }
    return deviation;
  };
  auto home = analyse(""), shifted = analyse("OffsetX = 0.003\r\n"), turned = analyse("Rotation = 1.5\r\n");
  for (const std::string section : {"A-A", "B-B", "C-C"}) {
    SCOPED_TRACE(section);
    ASSERT_EQ(home.count(section + " STACKX") + shifted.count(section + " STACKX"), 2u);
    EXPECT_NEAR(shifted[section + " STACKX"] - home[section + " STACKX"], 0.003, 2e-5);
    EXPECT_NEAR(turned[section + " TWIST"] - home[section + " TWIST"], 1.5, 0.005);
  }
}

TEST_F(Monitor, ACombineWaitPastTheLongestCountWaitsThatLongAndSaysSo) {
  Set("CMB_Wait", "40");
  const RunResult r = Measure(1, 3000);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_EQ(Made().size(), 1u);
  EXPECT_NE(Log().find("BAnTimer_Timer: CMB_Wait 40 s is more than the longest wait; waiting 32767 ms."),
            std::string::npos);
  // One second for the window, then 32.767 s.
  const int waited = TimeOf("PrintShow: Start: File is: " + Out(Made()[0], ".cmb")) - TimeOf("Shelling Combine");
  EXPECT_TRUE(waited == 33 || waited == 34) << waited;
}

TEST_F(Monitor, AFlavorWithoutSavecmmShowsAndCombinesNothingButStillCleansUp) {
  s.Put("blades/Demo/KT1.flv", "CALCS = 2\r\nCHORD\r\nTWIST\r\n");
  Set("CleanTXT", "1");
  const RunResult r = Measure(1, 3000);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_EQ(Made().size(), 1u);
  EXPECT_EQ(CountOf(Log(), "BAnTimer: Blade has been processed: " + Made()[0]), 1);
  EXPECT_TRUE(r.Lines("PRINT:").empty()) << r.transcript;
  EXPECT_FALSE(fs::exists(Out(Made()[0], ".cmb")));
  EXPECT_FALSE(fs::exists(Out(Made()[0], ".txt")));
  EXPECT_TRUE(s.Exists("Blade.csv"));
}

TEST_F(Monitor, AnExitConfirmedWhileResultsAreCollectedWaitsForTheCollection) {
  Set("CMB_Mode", "SHOW");
  const RunResult r = Measure(1, 3000, "answer yes\npress mnuExit\npress frmShow.cmdClose\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_EQ(Made().size(), 1u);
  const std::string log = Log();
  const size_t asked = log.find("cmdExit_Click: Exit follows when the analysis results are collected.");
  const size_t end = log.find("BAnTimer: End:", asked), unload = log.find("ExitVB: Unloading: frmMain");
  ASSERT_NE(asked, std::string::npos) << log;
  EXPECT_LT(log.find("BAnTimer: Blade has been processed: "), asked);
  EXPECT_LT(end, unload);  // the windows go only after the tick has finished
  EXPECT_NE(unload, std::string::npos);
  EXPECT_TRUE(r.Has("STATUSBAR: Closing when the analysis results are collected...\n")) << r.transcript;
}

TEST_F(Monitor, FourZonesTheTickLooksNewestFirstAndEndsAtAPendingReport) {
  for (const char* part : {"P1", "P2", "P3", "P4"}) Part(part);
  SetBladeSettings(s.BladeProgram(), "NoAnswerParts = P3\r\n");
  ini += "KillCMM = 0\r\nKillXYZ = 1\r\n";
  Set("CleanCMM", "1");
  const RunResult r = Measure(4, 9000, "answer yes\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::vector<std::string> made = Made();
  ASSERT_EQ(made.size(), 4u);
  EXPECT_EQ(LogSpan("BanTimer: gToAnalyze Count:4", "BAnTimer: End:"),
            (std::vector<std::string>{
                "BanTimer: gToAnalyze Count:4", "BanTimer: gToAnalyze Count:4",
                "BAnTimer_Timer: Looking for blade:" + made[3], "BAnTimer_Timer: Blade found:" + made[3],
                "BAnTimer: Blade has been processed: " + made[3], "BanTimer: gToAnalyze Count:3",
                "BAnTimer_Timer: Looking for blade:" + made[2], "BAnTimer_Timer: Blade not found yet:" + made[2],
                "BAnTimer: End:"}))
      << Log();
  // Every tick ends at the pending report: the two older ones wait behind it.
  for (int i : {0, 1}) EXPECT_EQ(CountOf(Log(), "Looking for blade:" + made[i]), 0) << made[i];
  EXPECT_GE(CountOf(Log(), "BAnTimer_Timer: Blade not found yet:" + made[2]), 2);
  EXPECT_EQ(CountOf(Log(), "Blade has been processed: " + made[3]), 1);
  // KillCMM 0 with CleanCMM 1 deletes, as does KillXYZ 1; the waiting reports keep everything.
  EXPECT_FALSE(fs::exists(Out(made[3], ".cmm")));
  EXPECT_FALSE(fs::exists(Out(made[3], ".xyz")));
  EXPECT_TRUE(fs::exists(Out(made[3], ".csv")));
  for (int i : {0, 1, 2}) EXPECT_TRUE(fs::exists(Out(made[i], ".cmm")));
  EXPECT_TRUE(r.Has("STATUSDETAIL: Waiting for analysis: 3 reports, oldest 0 min\n")) << r.transcript;
  // Exit asks with the three reports still waiting, and names each.
  EXPECT_TRUE(r.Has("QUESTION: Exit?"));
  for (int i : {0, 1, 2}) EXPECT_NE(Log().find("Blade that did not analyze was: " + made[i]), std::string::npos);
}

TEST_F(Monitor, AnOlderAnalysisProgramAnswersThroughItsSettingsFile) {
  for (const char* part : {"P1", "P2", "P3"}) Part(part);
  MakeBladeProgram(s.BladeProgram(), 1000);  // older than 2.0: "PWF", AnalysisFile
  SetBladeSettings(s.BladeProgram(), "NoAnswerParts = P2 P3\r\n");
  const RunResult r = Measure(3, 3000, "answer yes\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::vector<std::string> made = Made();
  ASSERT_EQ(made.size(), 3u);
  EXPECT_NE(Log().find("CreateReport: Full command: " + s.BladeProgram().string() + " " + made[0] + " PWF"),
            std::string::npos);
  // The oldest is the one the settings file names: it alone is processed,
  // the newer ones are passed over without a "not found".
  EXPECT_EQ(LogSpan("BanTimer: gToAnalyze Count:3", "BAnTimer: End:"),
            (std::vector<std::string>{"BanTimer: gToAnalyze Count:3", "BanTimer: gToAnalyze Count:3",
                                      "BAnTimer_Timer: Looking for blade:" + made[2], "BanTimer: gToAnalyze Count:3",
                                      "BAnTimer_Timer: Looking for blade:" + made[1], "BanTimer: gToAnalyze Count:3",
                                      "BAnTimer_Timer: Looking for blade:" + made[0],
                                      "BAnTimer: Blade has been processed: " + made[0], "BAnTimer: End:"}));
  EXPECT_EQ(CountOf(Log(), "Blade has been processed: " + made[0]), 1);
  for (int i : {1, 2}) EXPECT_EQ(CountOf(Log(), "Blade has been processed: " + made[i]), 0);
  EXPECT_EQ(CountOf(Log(), "Blade not found yet"), 0);
  EXPECT_GE(CountOf(Log(), "Looking for blade:" + made[2]), 1);
}

TEST_F(Monitor, FailedAndUnknownVerdictsAreToldAndDropped) {
  for (const char* part : {"P1", "P2"}) Part(part);
  SetBladeSettings(s.BladeProgram(), "FailParts = P1\r\nVerdict = true\r\n");
  const RunResult r = Measure(2, 9000);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::vector<std::string> made = Made();
  ASSERT_EQ(made.size(), 2u);
  // Newest first; each verdict ends its tick; no Exit question afterwards.
  const std::vector<std::string> messages = r.Lines("MESSAGE: An");
  ASSERT_EQ(messages.size(), 2u) << r.transcript;
  EXPECT_EQ(messages[0], "MESSAGE: An unknown error occurred during Blade Analysis, Please Contact System "
                         "Adminstrator.  Blade " + made[1] + " Unknown parameter: true");
  EXPECT_EQ(messages[1], "MESSAGE: An error occurred during Blade Analysis, Contact System Adminstrator.  Blade " +
                             made[0]);
  EXPECT_FALSE(s.Exists("Blade.csv"));  // nothing collected
  EXPECT_TRUE(fs::exists(Out(made[0], ".cmm")));
  EXPECT_FALSE(r.Has("QUESTION: Exit?"));
}

TEST_F(Monitor, TheAfterAnalysisProgramIsTheLastOneFoundAndRunsForZoneOne) {
  s.Put("blades/Demo/Demo.op", "Operation Final\r\nBLADE Blade.prg KT1.flv A-A B-B C-C\r\nQVXAfterBladeAnalysis.prg\r\n");
  for (const char* dir : {"quorvx programs/", "blades/Demo/"}) s.Put(std::string(dir) + "QVXAfterBladeAnalysis.prg", "LOADPROBE STAR5\r\nEND\r\n");
  const RunResult r = Measure(1, 3000);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_EQ(Made().size(), 1u);
  const std::string log = Log(), processed = "BAnTimer: Blade has been processed: " + Made()[0];
  const std::string run = "RunQVXProg Start: Running: " + (s.Home() / "blades/Demo/QVXAfterBladeAnalysis.prg").string();
  ASSERT_NE(log.find(processed), std::string::npos) << log;
  EXPECT_NE(log.find(run, log.find(processed)), std::string::npos) << log;
}

TEST_F(Monitor, AReportIsAnalysedAgainWithItsOwnOrAnotherFlavorAndNotQueued) {
  const std::string dir = (s.Home() / "blades" / "Demo").string();
  const std::string report = dir + "/Old run.rpt", other = dir + "/KT2.flv";
  const std::string text = "FLAVOR " + dir + "/KT1.flv\r\nPART Demo\r\nTEXT NOTE=FLAVOR trial\r\nNUM_SECT  0 \r\n";
  s.Put("blades/Demo/Old run.rpt", text);
  s.Put("blades/Demo/KT2.flv", "CALCS = 1\r\nCHORD\r\n");
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run("answer text " + report + "\nanswer text " + other + "\npress mnuReanalyze\n" +
                            "answer text " + report + "\nanswer text\npress mnuReanalyze\n" +
                            "answer text " + report + "\nanswer text " + dir + "/KT1.flv\npress mnuReanalyze\nwait 3000\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  // The copy differs from the report in its FLAVOR line alone.
  const std::string copy = dir + "/Old run_KT2.rpt";
  EXPECT_EQ(ReadFile(copy), "FLAVOR " + other + "\r\nPART Demo\r\nTEXT NOTE=FLAVOR trial\r\nNUM_SECT  0 \r\n");
  EXPECT_EQ(ReadFile(report), text);
  const std::string program = s.BladeProgram().string();
  // A path with blanks is passed quoted, as one argument.
  EXPECT_NE(Log().find("mnuReanalyze_Click: Full command: " + program + " \"" + copy + "\"\r\n"), std::string::npos);
  // A cancelled flavor dialog, or the report's own flavor again: the report itself.
  EXPECT_EQ(CountOf(Log(), "mnuReanalyze_Click: Full command: " + program + " \"" + report + "\"\r\n"), 2);
  EXPECT_FALSE(fs::exists(dir + "/Old run_KT1.rpt"));
  // Both went to the analysis program, neither to the monitor.
  const std::string analysisLog = s.File("../Blade/Blade.log");
  EXPECT_NE(analysisLog.find(copy + " = "), std::string::npos) << analysisLog;
  EXPECT_NE(analysisLog.find(report + " = "), std::string::npos) << analysisLog;
  EXPECT_EQ(CountOf(Log(), "Looking for blade:"), 0);
}

TEST_F(Monitor, AReanalysisNameThatCannotBeOneArgumentOrOneFileIsRefusedByName) {
  const std::string dir = (s.Home() / "blades" / "Demo").string();
  s.Put("blades/Demo/Old.rpt", "FLAVOR " + dir + "/KT1.flv\r\nPART Demo\r\nNUM_SECT  0 \r\n");
  s.Put("zarv.ini", ini);
  const std::string quoted = dir + "/a\" b.rpt", flavor = dir + "/K\"T;$(touch pwned).flv";
  const RunResult r = s.Run("answer text " + quoted + "\npress mnuReanalyze\n" + "answer text " + dir +
                            "/Old.rpt\nanswer text " + flavor + "\npress mnuReanalyze\nwait 3000\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string refused = " cannot be used: a name must stay inside its directory and name one file.\n";
  EXPECT_TRUE(r.Has("MESSAGE: The report file " + quoted + refused)) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: The flavor name " + flavor + refused)) << r.transcript;
  // No copy was made and nothing went to the analysis program.
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"Demo.nom", "Demo.op", "Demo.tol", "KT1.flv", "Old.rpt"}));
  EXPECT_EQ(CountOf(Log(), "mnuReanalyze_Click: Full command:"), 0);
  EXPECT_FALSE(fs::exists(fs::current_path() / "pwned") || fs::exists(s.Home() / "pwned"));
}

}  // namespace
}  // namespace zarvane::e2e
