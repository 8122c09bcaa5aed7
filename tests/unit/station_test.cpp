// The station's spine on fake platform services: the instance lock, Exit, the
// language menu, resizing and the splash.
#include "foundation_fixture.h"
#include "station/station.h"

namespace zarvane::testing {
namespace {

class StationTest : public FoundationTest {
 protected:
  StationTest() : station(core) {}
  void Settings(const std::string& extra) {
    Spit(home / "zarv.ini", "debuglevel = 9\r\nInterface = TEST\r\nSingleZone = OFF\r\n" + extra);
  }
  Station station;
};

TEST_F(StationTest, ASecondStationOnTheSameHomeTouchesNothing) {
  Settings("");
  Spit(home / "debug.txt", "first station's live log\r\n");
  Spit(home / "Lang.ini", "\tExit\tQuitter\r\n");
  tp.lock.heldElsewhere.push_back(home.string());
  EXPECT_FALSE(station.Start(home.string(), {}));
  EXPECT_TRUE(station.Exited());
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].rfind("Error: Another instance of the Zarvane application is already running.", 0), 0u);
  EXPECT_EQ(Slurp(home / "debug.txt"), "first station's live log\r\n");
  EXPECT_FALSE(fs::exists(home / "debugOLD.txt"));
  EXPECT_EQ(Slurp(home / "Lang.ini"), "\tExit\tQuitter\r\n");
  EXPECT_EQ(tp.registry.setCount, 0);
}

TEST_F(StationTest, ExitAsksWhileBladesWaitForAnalysisAndNoKeepsEverything) {
  Spit(home / "zarv.ini", "debuglevel = 9\r\nInterface = CMM1\r\n");
  ASSERT_TRUE(station.Start(home.string(), {}));
  station.QueueForAnalysis("/b/P1/a.rpt", 1, "");
  station.QueueForAnalysis("/b/P1/b.rpt", 2, "");
  op.answers = {false};
  Spit(home / "fixture.txt", "FIXTURE_LOCATION 1 \r\n");
  station.cmdExit_Click();
  EXPECT_FALSE(station.Exited());
  EXPECT_TRUE(station.frmMain.Loaded());
  ASSERT_FALSE(op.prompts.empty());
  EXPECT_EQ(op.prompts.back(),
            "Exit? | Zarvane is waiting for Blade to finish analyzing.  Are you sure you want to quit?");
  EXPECT_TRUE(fs::exists(home / "fixture.txt"));
  EXPECT_NE(Log().find("cmdExit_Click: Blade that did not analyze was: /b/P1/b.rpt"), std::string::npos);

  op.answers = {true};
  station.cmdExit_Click();
  EXPECT_TRUE(station.Exited());
  EXPECT_TRUE(forms.Loaded().empty());
  EXPECT_FALSE(fs::exists(home / "fixture.txt"));
  EXPECT_TRUE(fs::exists(home / "fixtureOLD.txt"));
}

TEST_F(StationTest, OperatorWorkstationLogsOffOnlyWhenOnTheMachine) {
  Settings("Operator_Mode = ON\r\n");
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_FALSE(station.frmMain("mnuProgramming").Visible());
  EXPECT_FALSE(station.frmMain.HasBorder());
  station.cmdExit_Click();
  EXPECT_EQ(tp.system.logOffCount, 0);  // TEST mode

  Spit(home / "zarv.ini", "debuglevel = 9\r\nInterface = CMM1\r\nOperator_Mode = ON\r\n");
  Station onMachine(core);
  ASSERT_TRUE(onMachine.Start(home.string(), {}));
  onMachine.cmdExit_Click();
  EXPECT_EQ(tp.system.logOffCount, 1);
}

TEST_F(StationTest, OperatorModeKeepsTheWindowMaximised) {
  Settings("Operator_Mode = 1\r\nZarv_WindowState = 0\r\n");
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_EQ(station.frmMain.State(), WindowState::Normal);
  station.frmMain.Form_Resize();
  EXPECT_EQ(station.frmMain.State(), WindowState::Maximized);
}

TEST_F(StationTest, LanguageMenuChecksOneItemAndRepaints) {
  Settings("Language = 3\r\n");
  Spit(home / "Lang.ini", "\tExit\tQuitter\tEsci\r\n");
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_EQ(station.frmMain("mnuItalian").Value(), 1);
  EXPECT_EQ(station.frmMain("cmdExit").Caption(), "Esci");
  station.frmMain("mnuFrench").Click();
  EXPECT_EQ(station.frmMain("mnuFrench").Value(), 1);
  EXPECT_EQ(station.frmMain("mnuItalian").Value(), 0);
  EXPECT_EQ(station.frmMain("cmdExit").Caption(), "Quitter");
  EXPECT_EQ(core.gLanguage, 2);
}

TEST_F(StationTest, SplashStatusDuringStartAndAboutBox) {
  Settings("");
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_EQ(op.statuses.front(), "Initializing Zarvane...");
  EXPECT_FALSE(station.frmSplash.Loaded());
  station.frmMain("picLogo").Click();
  EXPECT_TRUE(station.frmSplash.Visible());
  EXPECT_TRUE(station.frmSplash("cmdSysInfo").Visible());
  EXPECT_EQ(station.frmSplash("lblStatus").Caption(), "and Quorvex TEST");
  station.frmSplash("cmdSysInfo").Click();  // no system information tool here
  EXPECT_EQ(op.messages.back(), "System Information Is Unavailable At This Time.");
  tp.system.sysInfoProgram = "/usr/bin/sysinfo";
  station.frmSplash("cmdSysInfo").Click();
  ASSERT_FALSE(tp.shell.calls.empty());
  EXPECT_EQ(tp.shell.calls.back().file, "/usr/bin/sysinfo");
  Spit(home / "help" / "operation.chm", "help");
  station.frmSplash("cmdHelp").Click();
  EXPECT_EQ(tp.shell.calls.back().file, Path("help/operation.chm"));
  station.frmSplash("lblStatus").Click();
  EXPECT_FALSE(station.frmSplash.Loaded());
}

TEST_F(StationTest, SplashLogoIsFittedKeepingItsShape) {
  Settings("");
  Spit(home / "tall.bmp", "x");
  Spit(home / "small.bmp", "x");
  tp.system.imageSizes[Path("tall.bmp")] = {100, 400};  // 1500 x 6000 twips
  tp.system.imageSizes[Path("small.bmp")] = {20, 10};
  station.frmSplash.LoadLogo(Path("tall.bmp"));
  Control& logo = station.frmSplash("picLogo");
  const int spaceHeight = station.frmSplash("fraMainFrame").Height() - 2 * FrmSplash::kLogoMargin;
  EXPECT_TRUE(logo.Stretch());
  EXPECT_EQ(logo.Height(), spaceHeight);
  EXPECT_EQ(logo.Width(), 1500 * spaceHeight / 6000);
  EXPECT_EQ(logo.Top(), FrmSplash::kLogoMargin);
  station.frmSplash.LoadLogo(Path("small.bmp"));
  EXPECT_EQ(logo.Width(), 300);
  EXPECT_EQ(logo.Height(), 150);
}

}  // namespace
}  // namespace zarvane::testing
