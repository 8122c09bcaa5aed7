// The station against the simulated CMM host, driven headless.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "harness.h"

namespace zarvane::e2e {
namespace {

class Host : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    ini = WithLine(ini, "Interface =", "Interface = CMM1");
    ini = WithLine(ini, "SingleZone =", "SingleZone = OFF");
    Program("Align.prg", "UNITS INCH\r\nSTATUS Aligning\r\nWAIT 1500\r\nREPORT\r\nEND\r\n");
    Program("Cancel.prg", "WAIT 200\r\nCANCEL\r\n");
    HostSettings("Version = Quorvex 5.1 beta\r\n");
  }
  void Program(const std::string& name, const std::string& text) { s.Put("quorvx programs/" + name, text); }
  std::string ProgramPath(const std::string& name) { return (s.Home() / "quorvx programs" / name).string(); }
  void HostSettings(const std::string& text) { s.Put("host/simhost.ini", text); }
  void Write() { s.Put("zarv.ini", ini); }
  std::string Run(const std::string& name) { return "answer text @HOME@/quorvx programs/" + name + "\npress mnuRunQVXProg\n"; }
  std::string Log() { return s.File("debug.txt"); }
  std::string Journal() { return s.File("host/journal.txt"); }

  Station s;
  std::string ini;
};

TEST_F(Host, StationStartsTheHostRunsAProgramAndStopsTheHostAtExit) {
  Write();
  const RunResult r = s.Run(Run("Align.prg"));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("STATUS: Initializing Quorvex...")) << r.transcript;
  EXPECT_TRUE(r.Has("OPENFILE: Run Quorvex Program | Quorvex Part Program (*.PRG)|*.PRG"));
  const std::string log = Log();
  EXPECT_NE(log.find("Quorvex Version: Quorvex 5.1 beta"), std::string::npos) << log;
  EXPECT_NE(log.find("Quorvex path: " + (s.Home() / "host").string() + "/"), std::string::npos);
  EXPECT_NE(log.find("RunQVXProg: Quorvex has been run 1 times."), std::string::npos);
  EXPECT_NE(log.find("Clearing all breakpoints"), std::string::npos);
  EXPECT_NE(log.find("RunQVXProg: DONE EXECUTION"), std::string::npos);
  EXPECT_NE(log.find("Quorvex program finished execution and terminated normally. Quorvex 5.1 Program Name:Align"),
            std::string::npos);
  EXPECT_NE(log.find("KillQVX: App Quit..."), std::string::npos);
  // The host's reports of the run were backed up at exit.
  EXPECT_TRUE(s.Exists("QUORVXOLD.RTF"));
  EXPECT_TRUE(s.Exists("QUORVXOLD.TXT"));
  EXPECT_NE(s.Registry().find((s.Home() / "host").string() + "/"), std::string::npos);
  EXPECT_FALSE(s.Exists("host/running.lock"));
}

TEST_F(Host, DiagnosticEventsAreLoggedOnlyAboveLevelNine) {
  Write();
  ASSERT_EQ(s.Run(Run("Align.prg")).status, 0);
  EXPECT_EQ(Log().find("Quorvex started execution of the part program:"), std::string::npos);
  EXPECT_NE(Log().find("Quorvex program finished execution"), std::string::npos);
  ini = WithLine(ini, "debuglevel", "debuglevel = 10");
  Write();
  ASSERT_EQ(s.Run(Run("Align.prg") + Run("Align.prg")).status, 0);
  const std::string log = Log();
  EXPECT_NE(log.find("Quorvex started execution of the part program:Align"), std::string::npos) << log;
  EXPECT_NE(log.find("Quorvex opened the part program:Align"), std::string::npos);
  EXPECT_NE(log.find("Quorvex Object about to execute, the command is:"), std::string::npos);
  EXPECT_NE(log.find("QVXOnUpdateStatusMessage: Fired: Message was: Aligning"), std::string::npos);
  EXPECT_NE(log.find("QVXOnClosePartProgram: Fired"), std::string::npos);
}

TEST_F(Host, AfterACancelledRunTheNextRunIsRefusedAndTheOneAfterRuns) {
  Write();
  const RunResult r = s.Run(Run("Cancel.prg") + Run("Align.prg") + Run("Align.prg"));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("MESSAGE: Quorvex 5.1 program was terminated.  Restart measurement."), 1) << r.transcript;
  EXPECT_EQ(r.Count("mnuRunQVXProg_Click: Quorvex failed running the Utility Part Program"), 1);
  const std::string log = Log();
  EXPECT_NE(log.find("Quorvex program was cancelled; Measurement will be halted. Quorvex 5.1 Program Name:Cancel"),
            std::string::npos);
  EXPECT_EQ(CountOf(log, "RunQVXProg: DONE EXECUTION"), 2);  // the cancelled run and the third
  // The status line tells each run before it starts and how it ended.
  EXPECT_EQ(r.Lines("STATUSBAR:"),
            (std::vector<std::string>{"STATUSBAR: Ready", "STATUSBAR: Running Cancel.prg...",
                                      "STATUSBAR: Cancel.prg cancelled.", "STATUSBAR: Running Align.prg...",
                                      "STATUSBAR: Align.prg failed; see the log.", "STATUSBAR: Running Align.prg...",
                                      "STATUSBAR: Align.prg finished."}));
}

TEST_F(Host, HostIsRestartedBeforeTheEleventhRun) {
  Write();
  std::string script;
  for (int i = 0; i < 12; ++i) script += Run("Align.prg");
  const RunResult r = s.Run(script);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string log = Log();
  const size_t eleventh = log.find("Quorvex has been run 11 times.");
  ASSERT_NE(eleventh, std::string::npos);
  EXPECT_EQ(log.find("KillQVX: Start:"), log.find("KillQVX: Start:", eleventh));  // the first shutdown is there
  EXPECT_NE(log.find("Quorvex has been run 1 times.", eleventh), std::string::npos);
  EXPECT_EQ(log.find("Quorvex has been run 12 times."), std::string::npos);
  EXPECT_EQ(CountOf(log, "RunQVXProg: DONE EXECUTION"), 12);
}

TEST_F(Host, AttachFailureSwitchesToTestMode) {
  HostSettings("Attach = OFF\r\n");
  Write();
  const RunResult r = s.Run("expect mnuSettings visible 1\npress mnuAbout\n"
                            "expect frmSplash.lblStatus caption and Quorvex TEST\npress cmdOK\n" +
                            Run("Align.prg"));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Unable to attach Quorvex.  Interface will run in TEST mode.")) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: Interface is in TEST mode, Quorvex program that would have run: "));
  EXPECT_TRUE(r.Has("STATUSBAR: TEST mode, Align.prg not run.\nMESSAGE: Interface is in TEST mode"));
}

TEST_F(Host, AHostLeftRunningIsRestartedAtStart) {
  Write();
  s.Put("host/running.lock", "12345\n");
  const RunResult r = s.Run("");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("STATUS: Found Quorvex. Closing for restart...")) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: Quorvex was found, shutdown, and will be restarted.  Any work in progress was saved."));
  EXPECT_NE(Log().find("MainInit: App Quit..."), std::string::npos);
  EXPECT_NE(Log().find("Quorvex Version: "), std::string::npos);  // started again afterwards
}

TEST_F(Host, AHostThatRefusesToQuitIsClosedByForce) {
  HostSettings("RefuseQuit = ON\r\n");
  Write();
  const RunResult r = s.Run("");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string log = Log();
  EXPECT_NE(log.find("Quorvex given 2nd chance to shutdown..."), std::string::npos) << log;
  EXPECT_NE(log.find("Quorvex is being forced to shutdown..."), std::string::npos);
  EXPECT_FALSE(r.Has("will not shutdown"));
  EXPECT_FALSE(s.Exists("host/running.lock"));
}

TEST_F(Host, AHostThatWillNotGoIsReported) {
  HostSettings("RefuseQuit = ON\r\nRefuseClose = ON\r\n");
  Write();
  const RunResult r = s.Run("");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Quorvex will not shutdown, Please contact System Administrator.")) << r.transcript;
}

TEST_F(Host, ARestartThatCannotStopTheHostGivesUp) {
  HostSettings("RefuseQuit = ON\r\nRefuseClose = ON\r\n");
  Write();
  s.SetRegistry("Quorvex", "RESTART_NO", "0");
  s.SetRegistry("Quorvex", "AutoRestart", "0");
  const RunResult r = s.Run(Run("Align.prg"));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("would not shut down for a restart")) << r.transcript;
  EXPECT_LE(r.Count("is still shutting down... Press OK to continue"), 4);
  EXPECT_TRUE(r.Has("mnuRunQVXProg_Click: Quorvex failed running the Utility Part Program"));
}

TEST_F(Host, BadProgramsGiveTheirMessagesAndTheStationStaysUp) {
  Program("Unknown.prg", "FROBNICATE 3\r\n");
  Program("Fails.prg", "WAIT 10\r\nERROR Probe crash\r\n");
  Program("ReadOnly.prg", "END\r\n");
  Write();
  std::filesystem::permissions(s.Home() / "quorvx programs" / "ReadOnly.prg", std::filesystem::perms::owner_read);
  const RunResult r =
      s.Run(Run("Missing.prg") + Run("Unknown.prg") + Run("Fails.prg") + Run("ReadOnly.prg") + Run("Align.prg"));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: " + ProgramPath("Missing.prg") + " not found.")) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: There was a problem accessing the part program: " + ProgramPath("Unknown.prg")));
  EXPECT_TRUE(r.Has("MESSAGE: Error occurred during Quorvex 5.1 program " + ProgramPath("Fails.prg") + " failed."));
  EXPECT_TRUE(r.Has("Probe crash"));
  EXPECT_TRUE(r.Has("MESSAGE: Error: Program " + ProgramPath("ReadOnly.prg") + " was read-only, state reset to Normal."));
  EXPECT_EQ(CountOf(Log(), "RunQVXProg: DONE EXECUTION"), 2);
}

TEST_F(Host, CheckTimerStartsItsCommandWithArguments) {
  const std::string marker = (s.Root() / "checked").string();
  ini = WithLine(ini, "CheckTimerCMD", "CheckTimerCMD = /usr/bin/touch " + marker);
  ini += "CheckTimerON = ON\r\n";
  Write();
  const RunResult r = s.Run("wait 130000\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  for (int i = 0; i < 50 && !std::filesystem::exists(marker); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST_F(Host, CheckTimerTellsAboutAMissingCommand) {
  ini += "CheckTimerON = ON\r\n";
  Write();
  const RunResult r = s.Run("wait 59000\necho one minute\nwait 62000\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("MESSAGE: Some_Command does not exist.  Contact System Administrator."), 1) << r.transcript;
  EXPECT_LT(r.transcript.find("ECHO: one minute"), r.transcript.find("Some_Command does not exist"));
}

}  // namespace
}  // namespace zarvane::e2e
