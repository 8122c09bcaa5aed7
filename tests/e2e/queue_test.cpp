// The analysis queue survives an unclean end: a station killed while a report
// waits for its analysis resumes it at the next start; an Exit answered Yes
// gives the queue up.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "harness.h"

namespace zarvane::e2e {
namespace {

const char* kResumed = "reports measured before the station last stopped are still waiting for their analysis";

class Queue : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    ini = WithLine(ini, "Interface =", "Interface = CMM1");
    for (const char* mode : {"TXT_Mode", "RTF_Mode", "CMM_Mode", "CMB_Mode"})
      ini = WithLine(ini, std::string(mode) + " =", std::string(mode) + " = NONE");
    s.Put("zarv.ini", ini);
    s.Put("blade_lookup_table.txt", "!Part Number   Program   Flavor\r\n");
    s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\nCommandTime = 0\r\n");
    const fs::path demo = fs::path(ZARVANE_DEMO_HOME);
    s.Put("quorvx programs/Blade.prg", ReadFile(demo / "quorvx programs" / "Blade.prg"));
    s.Put("host/probes/STAR5.prb", ReadFile(demo / "host" / "probes" / "STAR5.prb"));
    for (const char* file : {"Demo.nom", "Demo.tol", "Demo.op", "KT1.flv"})
      s.Put(std::string("blades/Demo/") + file, ReadFile(demo / "blades" / "Demo" / file));
    // The analysis program works on the report but has not answered yet.
    SetBladeSettings(s.BladeProgram(), "NoAnswerParts = Demo\r\n");
  }
  RunResult Run(const std::string& script) { return s.Run(script, {"--clock-start", "2024-03-05 14:07:09"}); }
  std::string Report() const {
    for (const auto& e : fs::directory_iterator(s.Home() / "blades" / "Demo"))
      if (e.path().extension() == ".rpt") return e.path().string();
    return "";
  }
  fs::path Journal() const { return s.Home() / "AnalysisQueue.txt"; }
  static constexpr const char* kMeasure = "press cmdGo\nset cmbSN(1) SN1\npress frmInspOpt.cmdMeasure\nwait 3000\n";

  Station s;
};

TEST_F(Queue, AReportWaitingWhenTheStationIsKilledIsCollectedOnceAfterTheRestart) {
  const RunResult killed = Run(std::string(kMeasure) + "crash\n");
  EXPECT_EQ(killed.status, -1) << killed.transcript << killed.errors;  // ended by the signal
  const std::string report = Report();
  ASSERT_FALSE(report.empty());
  // The journal names the report, its zone and its flavor file.
  const std::string journal = ReadFile(Journal());
  EXPECT_EQ(journal.rfind("Zarvane analysis queue\n", 0), 0u) << journal;
  EXPECT_NE(journal.find("\t1\t"), std::string::npos) << journal;
  EXPECT_NE(journal.find("\t" + report + "\t" + (s.Home() / "blades" / "Demo" / "KT1.flv").string() + "\t"),
            std::string::npos)
      << journal;

  // Meanwhile the analysis program, which outlives the station, finishes.
  SetBladeSettings(s.BladeProgram(), "");
  ASSERT_EQ(std::system(("'" + s.BladeProgram().string() + "' '" + report + "'").c_str()), 0);

  // The operator is told, the report is collected once and leaves the journal.
  const RunResult resumed = Run("wait 3000\n");
  ASSERT_EQ(resumed.status, 0) << resumed.transcript << resumed.errors << s.File("debug.txt");
  EXPECT_TRUE(resumed.Has("MESSAGE: 1 " + std::string(kResumed))) << resumed.transcript;
  EXPECT_EQ(CountOf(s.File("debug.txt"), "BAnTimer: Blade has been processed: " + report), 1) << s.File("debug.txt");
  EXPECT_FALSE(fs::exists(Journal()));

  const RunResult again = Run("wait 3000\n");
  EXPECT_FALSE(again.Has(kResumed));
  EXPECT_EQ(CountOf(s.File("debug.txt"), "has been processed"), 0);
}

TEST_F(Queue, AStationKilledWhileCollectingAReportCollectsItAgainAtTheNextStart) {
  s.Put("zarv.ini", WithLine(s.File("zarv.ini"), "CMM_Mode =", "CMM_Mode = SHOW"));
  SetBladeSettings(s.BladeProgram(), "");
  // The analysis answered; its CMM report is on the screen when the station dies.
  const RunResult killed = Run(std::string(kMeasure) + "expect frmShow.cmdClose visible 1\ncrash\n");
  EXPECT_EQ(killed.status, -1) << killed.transcript << killed.errors;
  const std::string report = Report();
  EXPECT_NE(ReadFile(Journal()).find(report), std::string::npos);

  // Shown again, collected once more, then gone from the journal.
  const RunResult resumed = Run("wait 3000\nexpect frmShow.cmdClose visible 1\npress frmShow.cmdClose\nwait 1000\n");
  ASSERT_EQ(resumed.status, 0) << resumed.transcript << resumed.errors;
  EXPECT_TRUE(resumed.Has("MESSAGE: 1 " + std::string(kResumed))) << resumed.transcript;
  EXPECT_EQ(CountOf(s.File("debug.txt"), "BAnTimer: Blade has been processed: " + report), 1);
  EXPECT_FALSE(fs::exists(Journal()));
}

TEST_F(Queue, AReportWhoseAnalysisHadNotStartedIsStartedAtTheNextStart) {
  // A station that died between queueing a report and starting its analysis
  // (while the operator read the host's report, before the analysis starts)
  // leaves it in the journal marked 0: as here, made from a killed run's.
  EXPECT_EQ(Run(std::string(kMeasure) + "crash\n").status, -1);
  const std::string report = Report();
  std::string journal = ReadFile(Journal());
  ASSERT_EQ(journal.substr(journal.size() - 3), "\t1\n");
  journal.replace(journal.size() - 2, 1, "0");
  WriteFile(Journal(), journal);
  fs::remove(s.BladeProgram().parent_path() / "Blade.log");
  SetBladeSettings(s.BladeProgram(), "");

  const RunResult resumed = Run("wait 3000\n");
  ASSERT_EQ(resumed.status, 0) << resumed.transcript << resumed.errors;
  EXPECT_EQ(CountOf(ReadFile(s.BladeProgram().parent_path() / "Blade.log"), report + " = 1"), 1);
  EXPECT_EQ(CountOf(s.File("debug.txt"), "BAnTimer: Blade has been processed: " + report), 1);
  EXPECT_FALSE(fs::exists(Journal()));
}

TEST_F(Queue, AJournalWithUnreadableLinesIsKeptAsideAndToldAndItsGoodLinesResumed) {
  EXPECT_EQ(Run(std::string(kMeasure) + "crash\n").status, -1);
  const std::string journal = ReadFile(Journal());
  WriteFile(Journal(), journal + "garbage\t\x01\n1709647630\t9\t0\t/etc/passwd\t\n" +
                           journal.substr(journal.find('\n') + 1));  // and the same report again
  const RunResult resumed = Run("answer yes\npress mnuExit\n");
  ASSERT_EQ(resumed.status, 0) << resumed.transcript << resumed.errors;
  const fs::path aside = s.Home() / "AnalysisQueueBAD.txt";
  EXPECT_TRUE(resumed.Has("MESSAGE: The list of reports waiting for analysis " + Journal().string() +
                          " has lines that cannot be read: 2. It is kept as " + aside.string() + "."))
      << resumed.transcript;
  EXPECT_TRUE(resumed.Has("MESSAGE: 1 " + std::string(kResumed)));
  EXPECT_NE(ReadFile(aside).find("garbage"), std::string::npos);
}

TEST_F(Queue, TheOperatorSeesAndDropsAWaitingReportAndExitWithYesGivesTheQueueUp) {
  EXPECT_EQ(Run(std::string(kMeasure) + "crash\n").status, -1);
  const std::string report = Report();
  const std::string row = fs::path(report).filename().string() + "   zone 1, 0 min   " + (s.Home() / "blades" / "Demo").string();
  // Reports > Waiting for Analysis...: the resumed report, dropped; Exit then
  // has nothing to ask.
  const RunResult dropped = Run("press mnuQueue\nexpect lstQueue items " + row + "\nselect lstQueue " + row +
                                "\nanswer yes\npress cmdDrop\nexpect lblQueue caption No report is waiting for its "
                                "analysis.\nexpect cmdDrop enabled 0\npress frmQueue.cmdClose\npress mnuExit\n");
  ASSERT_EQ(dropped.status, 0) << dropped.transcript << dropped.errors;
  EXPECT_TRUE(dropped.Has("QUESTION: Drop | Stop waiting for the analysis of " + fs::path(report).filename().string()));
  EXPECT_FALSE(fs::exists(Journal()));
  EXPECT_TRUE(fs::exists(report));

  const RunResult quit = Run(std::string(kMeasure) + "answer yes\npress mnuExit\n");
  ASSERT_EQ(quit.status, 0) << quit.transcript << quit.errors;
  EXPECT_TRUE(quit.Has("is waiting for Blade to finish analyzing.  Are you sure you want to quit?"));
  EXPECT_FALSE(fs::exists(Journal()));
  EXPECT_FALSE(Run("wait 1000\n").Has(kResumed));

  // A journal cut short by a power loss in the middle of a line loses no other entry.
  WriteFile(Journal(), "Zarvane analysis queue\n1709647629\t2\t0\t" + report + "\t\n1709647630\t3\t0\t/blades/x");
  const RunResult resumed = Run("answer yes\npress mnuExit\n");
  EXPECT_TRUE(resumed.Has("MESSAGE: 1 " + std::string(kResumed))) << resumed.transcript;
}

}  // namespace
}  // namespace zarvane::e2e
