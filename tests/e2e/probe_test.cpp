// Probe qualification on the real station, headless, against the simulated
// host: the dialog, the settings the host is given, the results shown, and
// the finishing on every path.
#include <gtest/gtest.h>

#include "harness.h"

namespace zarvane::e2e {
namespace {

class Probe : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = WithLine(GoldenIni("zarv_test_nombr.ini", s.Home()), "Interface =", "Interface = CMM1");
    const fs::path host = fs::path(ZARVANE_DEMO_HOME) / "host";
    for (const char* file : {"probes/PROBE1.prb", "probes/STAR5.prb", "tools.txt"})
      s.Put(std::string("host/") + file, ReadFile(host / file));
    Host("");
    // Scratch programs an earlier qualification left: they go first.
    s.Put("host/0.prg", "! old\r\n");
    s.Put("0.prg", "! old\r\n");
  }
  void Host(const std::string& more, const std::string& version = "Quorvex 5.1") {
    s.Put("host/simhost.ini", "Version = " + version + "\r\nCommandTime = 0\r\n" + more);
  }
  void Set(const std::string& key, const std::string& value) { ini = WithLine(ini, key + " =", key + " = " + value); }
  RunResult Run(const std::string& script, const std::vector<std::string>& args = {}) {
    s.Put("zarv.ini", ini);
    return s.Run(script, args);
  }
  std::string Journal() const { return s.File("host/journal.txt"); }
  std::string Log() const { return s.File("debug.txt"); }
  // The settings line of a probe's results file.
  std::string SettingsOf(const std::string& probe) const {
    const std::string results = s.File("host/probes/" + probe + ".Results");
    const size_t at = results.find("Settings ");
    return at == std::string::npos ? "" : results.substr(at, results.find('\n', at) - at);
  }
  // What every path leaves: the scratch program gone, the caption and the command back.
  void ExpectFinished(const RunResult& r) {
    EXPECT_NE(Log().find("mnuProbeCal_Click: End"), std::string::npos) << Log();
    EXPECT_FALSE(s.Exists("host/0.prg"));
    EXPECT_FALSE(s.Exists("0.prg"));
    EXPECT_FALSE(r.Has("ERROR:")) << r.transcript;
  }

  Station s;
  std::string ini;
};

TEST_F(Probe, TheChosenProbeIsQualifiedOnTheChosenSphereAndItsResultsShown) {
  const RunResult r = Run(
      "press picProbe\nexpect frmSelect.cmbProbe items PROBE1|STAR5\nexpect frmSelect.cmbArtifact items SPHERE1|SPHERE25MM\n"
      "select frmSelect.cmbProbe STAR5\nselect frmSelect.cmbArtifact SPHERE25MM\npress frmSelect.cmdOK\n"
      "press frmShow.cmdClose\nexpect lblProbe caption Click Probe to Qualify\nexpect picProbe enabled 1\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ExpectFinished(r);
  const std::string journal = Journal();
  EXPECT_NE(journal.find("SELECT ALL TIPS STAR5"), std::string::npos) << journal;
  EXPECT_NE(journal.find("QUALIFIED STAR5 with SPHERE25MM"), std::string::npos) << journal;
  EXPECT_NE(journal.find("SAVE PROBES"), std::string::npos);
  // The sphere moved (the default answer): ToolMoved 1, in the station's mode.
  EXPECT_NE(SettingsOf("STAR5").find("Mode 100 ExecuteMode 0 ToolMoved 1"), std::string::npos) << SettingsOf("STAR5");
  EXPECT_NE(Log().find("ShowFile: Showing " + (s.Home() / "host/probes/STAR5.Results").string()), std::string::npos);
}

TEST_F(Probe, OneProbeAndOneSphereWithoutTheSphereQuestionStartAtOnce) {
  fs::remove(s.Home() / "host/probes/STAR5.prb");
  s.Put("host/tools.txt", "SPHERE1 0.7500\r\n");
  Set("WarnToolMoved", "NO");
  Set("DefToolMoved", "NO");
  const RunResult r = Run("press mnuProbeCal\npress frmShow.cmdClose\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_FALSE(r.Has("WINDOW: frmSelect shown")) << r.transcript;
  EXPECT_NE(SettingsOf("PROBE1").find("ToolMoved 0"), std::string::npos) << SettingsOf("PROBE1");
  ExpectFinished(r);
}

TEST_F(Probe, OutOfRangeSettingsAreRepairedAndTheRestKept) {
  Host("QualDefaults = NumHits 4 Touchspeed 0.5 MoveSpeed 0 PreHit 0\r\n");
  RunResult r = Run("press mnuProbeCal\npress frmSelect.cmdOK\npress frmShow.cmdClose\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(SettingsOf("PROBE1").find("NumHits 25 MoveSpeed 20 Touchspeed 0.5 PreHit 1"), std::string::npos)
      << SettingsOf("PROBE1");
  for (const char* repaired : {"Probe Settings: Numhits: 4", "Probe Settings: Movespeed: 0", "Probe Settings: Prehit: 0"})
    EXPECT_NE(Log().find(repaired), std::string::npos) << repaired;
  EXPECT_EQ(Log().find("Probe Settings: Touchspeed:"), std::string::npos);

  Host("QualDefaults = NumHits 5 Touchspeed 0\r\n");
  r = Run("press mnuProbeCal\npress frmSelect.cmdOK\npress frmShow.cmdClose\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(SettingsOf("PROBE1").find("NumHits 5 MoveSpeed 20 Touchspeed 1 PreHit 1"), std::string::npos)
      << SettingsOf("PROBE1");
  EXPECT_NE(Log().find("Probe Settings: Touchspeed: 0"), std::string::npos);
}

TEST_F(Probe, AFailedQualificationIsToldAndCancelled) {
  Host("QualifyFails = PROBE1\r\n");
  const RunResult r = Run("press mnuProbeCal\npress frmSelect.cmdOK\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Probe Qualification failed. Contact System Administrator.\n")) << r.transcript;
  EXPECT_FALSE(r.Has("An error occurred while accessing probe information"));
  EXPECT_NE(Journal().find("CANCEL PROBES"), std::string::npos);
  ExpectFinished(r);
}

TEST_F(Probe, TheResultsAreLookedForThreeTimes) {
  // Written 2 s after the qualification: found at the third look (1.5 s apart).
  Host("ResultsDelay = 2000\r\n");
  RunResult r = Run("press mnuProbeCal\npress frmSelect.cmdOK\npress frmShow.cmdClose\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(Log().find("ShowFile: Showing " + (s.Home() / "host/probes/PROBE1.Results").string()), std::string::npos);

  // None at all.
  Host("ResultsDir = NONE\r\n");
  r = Run("press mnuProbeCal\npress frmSelect.cmdOK\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Probe Results file could not be found.  It is likely that the probe qualification did "
                    "not succeed.  Please Contact System Administrator.\n"))
      << r.transcript;
  ExpectFinished(r);
}

TEST_F(Probe, AnOlderHostGetsTheInterfaceAsTheThirdArgument) {
  Host("", "Quorvex 3.2");
  s.Put("../system/QUOLAB.INI", "WarnMeasAllTips = 0\r\n");
  const RunResult r = Run("press mnuProbeCal\npress frmSelect.cmdCancel\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(Journal().find("ADD 0 machine CMM1"), std::string::npos) << Journal();
}

TEST_F(Probe, NoSphereStopsAndAnUnknownProbeIsTheProbeInformationErrorAndBothFinish) {
  s.Put("host/tools.txt", "! no spheres\r\n");
  RunResult r = Run("press mnuProbeCal\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: There are no artifacts (tools) to measure.\n")) << r.transcript;
  ExpectFinished(r);

  s.Put("host/tools.txt", "SPHERE1 0.7500\r\n");
  r = Run("press mnuProbeCal\nset frmSelect.cmbProbe NOSUCH\npress frmSelect.cmdOK\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  // The transcript writes the box's line breaks as "\\n".
  EXPECT_TRUE(r.Has("MESSAGE: An error occurred while accessing probe information\\nPossible causes of the error are:"
                    "\\n1.  A probe file converted to a newer version of Quorvex\\n2.  A probe file lacking hardware "
                    "definition\\nPlease contact System Administrator.\n"))
      << r.transcript;
  EXPECT_NE(Log().find("mnuProbeCal_Click: Error occurred: the probe NOSUCH is not known to the host"),
            std::string::npos);
  EXPECT_EQ(Journal().find("QUALIFY"), std::string::npos);
  ExpectFinished(r);
  EXPECT_NE(Journal().find("CLOSEALL"), std::string::npos);
}

TEST_F(Probe, CancelAndEscapeNeverStartTheMachineAndGiveTheCommandBack) {
  const RunResult r = Run(
      "press mnuProbeCal\npress frmSelect.cmdCancel\npress picProbe\nkey frmSelect escape\n"
      "expect lblProbe caption Click Probe to Qualify\nexpect picProbe enabled 1\nexpect mnuProbeCal enabled 1\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(CountOf(Journal(), "CANCEL PROBES"), 2) << Journal();
  EXPECT_EQ(Journal().find("QUALIFY"), std::string::npos);
  ExpectFinished(r);
}

TEST_F(Probe, TestModeRefusesAndAnAlternativeProgramRunsInstead) {
  ini = WithLine(ini, "Interface =", "Interface = TEST");
  RunResult r = Run("press picProbe\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Interface is in TEST mode, switch to OFFLINE, or CMM1 to test probe qualification.\n"));
  EXPECT_EQ(Journal().find("ADD 0"), std::string::npos);

  // An alternative program that exists is run instead of the built-in one; a
  // missing one falls back to it.
  ini = WithLine(ini, "Interface =", "Interface = CMM1");
  s.Put("quorvx programs/Cal.prg", "STATUS calibrating\r\nEND\r\n");
  Set("AltProbeCalibrationProgram", (s.Home() / "quorvx programs/Cal.prg").string());
  r = Run("press picProbe\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(Journal().find("EXECUTE Cal"), std::string::npos) << Journal();
  EXPECT_EQ(Log().find("mnuProbeCal_Click: Start"), std::string::npos);
  fs::remove(s.Home() / "quorvx programs/Cal.prg");
  r = Run("press picProbe\npress frmSelect.cmdCancel\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(Log().find("mnuProbeCal_Click: Start"), std::string::npos);
}

TEST_F(Probe, TheSphereQuestionStartsAtYesEachTime) {
  const RunResult r = Run(
      "press mnuProbeCal\npress frmSelect.optNo\npress frmSelect.cmdOK\npress frmShow.cmdClose\n"
      "press mnuProbeCal\nexpect frmSelect.optYes value 1\npress frmSelect.cmdOK\npress frmShow.cmdClose\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(SettingsOf("PROBE1").find("ToolMoved 1"), std::string::npos) << SettingsOf("PROBE1");
}

TEST_F(Probe, AProbeQualificationStartQualifiesAndEndsTheStation) {
  Set("WarnToolMoved", "NO");
  Set("Operator_Mode", "ON");  // the host leaves operator mode while it qualifies
  fs::remove(s.Home() / "host/probes/STAR5.prb");
  s.Put("host/tools.txt", "SPHERE1 0.7500\r\n");
  const RunResult r = Run("press frmShow.cmdClose\n", {"/PQ"});
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string journal = Journal();
  const size_t qualified = journal.find("QUALIFIED PROBE1 with SPHERE1");
  ASSERT_NE(qualified, std::string::npos) << journal;
  EXPECT_LT(journal.find("OPERATORMODE OFF"), qualified);
  EXPECT_NE(journal.find("OPERATORMODE ON", qualified), std::string::npos);
  EXPECT_NE(Log().find("ProbeUtilities: /PQ: the station exits."), std::string::npos);
  EXPECT_NE(Log().find("cmdExit_Click: End:"), std::string::npos);
}

}  // namespace
}  // namespace zarvane::e2e
