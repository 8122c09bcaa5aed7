// Start-up and shut-down of the real station, driven headless.
#include <gtest/gtest.h>

#include <regex>

#include "harness.h"

namespace zarvane::e2e {
namespace {

const char* kOnlineScanningMbr = "answer yes\nanswer yes\nanswer yes\n";
const char* kTestNoMbr = "answer no\nanswer no\nanswer no\n";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

TEST(FirstStart, InstallerAnswersShapeTheDefaultSettingsFile) {
  Station s(Station::Setup::Bare);
  // Nothing is registered yet: the installer also shows where the analysis program is.
  const std::string bladeDir = s.BladeProgram().parent_path().string();
  const RunResult r = s.Run(std::string(kOnlineScanningMbr) + "answer text " + bladeDir + "\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("QUESTION: ONLINE? | Are you ONLINE (On a CMM)? -> yes"));
  EXPECT_TRUE(r.Has("QUESTION: Scanning Capable? | Is this machine capable of analog scanning? (Answer YES if not "
                    "sure) -> yes"));
  EXPECT_TRUE(r.Has("QUESTION: Multi-bladed Rotor? | Will multi-bladed rotors be measured on this system? -> yes"));
  EXPECT_FALSE(r.Has("OFFLINE?"));
  // No host is installed in the new home: the station says so and runs in TEST mode.
  EXPECT_TRUE(r.Has("MESSAGE: Unable to attach Quorvex.  Interface will run in TEST mode.")) << r.transcript;
  EXPECT_EQ(s.File("zarv.ini"), GoldenIni("zarv_cmm1_scanning_mbr.ini", s.Home()));
  EXPECT_TRUE(r.Has("MESSAGE: First time run or INI file may have been deleted.  Default Initialization File "
                    "created.  Check settings in " +
                    (s.Home() / "zarv.ini").string() + "."));
  // The registry's data directories are seeded under the home directory.
  const std::string reg = s.Registry();
  EXPECT_NE(reg.find("blades=" + (s.Home() / "blades").string()), std::string::npos) << reg;
  EXPECT_NE(reg.find("programs=" + (s.Home() / "quorvx programs").string()), std::string::npos) << reg;
  EXPECT_NE(reg.find("networkblades="), std::string::npos) << reg;
  EXPECT_TRUE(r.Has("DIRECTORY: Select the directory containing Blade Analysis Program (BLADE.EXE) | " +
                    s.Home().string() + " -> " + bladeDir))
      << r.transcript;
  EXPECT_EQ(s.Registry("directories", "bladeexe"), bladeDir + "/blade.exe");
  EXPECT_FALSE(r.Has("Blade not found in system"));
}

TEST(FirstStart, OfflineAndTestAnswersWriteNoTrimLine) {
  Station s;
  const RunResult r = s.Run(kTestNoMbr);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("QUESTION: OFFLINE? | Is Quorvex OFFLINE installed on this system? -> no"));
  EXPECT_FALSE(r.Has("Scanning Capable?"));
  EXPECT_EQ(s.File("zarv.ini"), GoldenIni("zarv_test_nombr.ini", s.Home()));
  EXPECT_TRUE(r.Has("MESSAGE: Interface is in TEST mode"));
}

TEST(FirstStart, LogWrittenSoFarMovesToTheBackupAndLinesCarryTimes) {
  Station s;
  ASSERT_EQ(s.Run(kOnlineScanningMbr).status, 0);
  // The first-run message was logged before the log was backed up at start-up.
  const std::string old = s.File("debugOLD.txt");
  const std::regex boxLine(R"(^\d\d:\d\d:\d\d: First time run or INI file may have been deleted\.)");
  bool found = false;
  for (const auto& line : Lines(old)) found = found || std::regex_search(line, boxLine);
  EXPECT_TRUE(found) << old;
  EXPECT_EQ(CountOf(s.File("debug.txt"), "First time run"), 0);

  const std::string log = s.File("debug.txt");
  EXPECT_NE(log.find("UNSP: Zarvane Version 1.0.0"), std::string::npos) << log;
  EXPECT_NE(log.find("UNSP: debuglevel 9"), std::string::npos);
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(\d\d:\d\d:\d\d: UNSP: Date: \d\d/\d\d/\d\d Time: \d\d:\d\d:\d\d)")));
  EXPECT_NE(log.find("frmMain_Initialize: Start: Command Line was: "), std::string::npos);
  // Every line of the file is one log call with its time stamp.
  for (const auto& line : Lines(log)) {
    if (line.empty()) continue;
    EXPECT_TRUE(std::regex_search(line, std::regex(R"(^\d\d:\d\d:\d\d: )"))) << line;
  }
  // The part lists were filled before the main window was shown.
  EXPECT_LT(log.find("PopulateBlades: End"), log.find("Unloaded frmSplash"));
  EXPECT_NE(log.find("cmdExit_Click: End:"), std::string::npos);
  EXPECT_NE(log.find("ExitVB: Unloading: frmMain"), std::string::npos);
}

TEST(SecondStart, PreviousLogBecomesTheBackup) {
  Station s;
  ASSERT_EQ(s.Run(kTestNoMbr).status, 0);
  const std::string firstLog = s.File("debug.txt");
  const RunResult second = s.Run("");
  ASSERT_EQ(second.status, 0) << second.transcript << second.errors;
  EXPECT_FALSE(second.Has("QUESTION:"));
  EXPECT_FALSE(second.Has("First time run"));
  EXPECT_EQ(s.File("debugOLD.txt").substr(0, firstLog.size()), firstLog);
  EXPECT_EQ(CountOf(s.File("debug.txt"), "Zarvane Version 1.0.0"), 1);
}

class Configured : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
  }
  void Write() { s.Put("zarv.ini", ini); }
  Station s;
  std::string ini;
};

TEST_F(Configured, MissingTextsAreAppendedToTheLanguageTableOnce) {
  ini = WithLine(ini, "Language =", "Language = 2");
  ini = WithLine(ini, "SingleZone =", "SingleZone = OFF");
  Write();
  s.Put("Lang.ini", "\tExit\tQuitter\r\n\tZone 1\tZone un\r\n");
  const std::string script =
      "expect cmdExit caption Quitter\nexpect framZone(1) caption Zone un\n"
      "press mnuEnglish\nexpect cmdExit caption Exit\nexpect framZone(1) caption Zone 1\n"
      "press mnuFrench\nexpect cmdExit caption Quitter\n";
  RunResult r = s.Run(script);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  r = s.Run(script);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string table = s.File("Lang.ini");
  EXPECT_EQ(CountOf(table, "NEW\tFixture\tFixture\tFixture\tFixture\tFixture\r\n"), 1) << table;
  EXPECT_EQ(CountOf(table, "NEW\tInitializing\t"), 1);
  // Known texts and texts shown in French are never appended.
  EXPECT_EQ(CountOf(table, "\tExit"), 1);
  EXPECT_EQ(CountOf(table, "Quitter\tQuitter"), 0);
  EXPECT_TRUE(r.Has("STATUS: Initializing Zarvane..."));
}

TEST_F(Configured, ExitUnloadsEveryWindowAndLogsTheShutdown) {
  Write();
  const RunResult r = s.Run("press mnuAbout\nexpect frmSplash.lblStatus caption and Quorvex TEST\npress cmdExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string log = s.File("debug.txt");
  EXPECT_NE(log.find("ExitVB: Forms.Count: 2"), std::string::npos) << log;
  EXPECT_NE(log.find("ExitVB: Unloading: frmSplash"), std::string::npos);
  EXPECT_NE(log.find("frmSplash: Unloaded."), std::string::npos);
  EXPECT_NE(log.find("ExitVB: Forms.Count: 0"), std::string::npos);
  EXPECT_TRUE(r.Has("WINDOW: frmMain closed"));
}

TEST_F(Configured, AKeyPressClosesTheAboutBox) {
  Write();
  const RunResult r = s.Run(
      "press mnuAbout\nkey frmSplash.lblStatus 65\necho closed by a key in a label\n"
      "press mnuAbout\nkey frmSplash escape\necho closed by a key on the window\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("WINDOW: frmSplash closed\nECHO: closed by a key in a label")) << r.transcript;
  EXPECT_TRUE(r.Has("WINDOW: frmSplash closed\nECHO: closed by a key on the window")) << r.transcript;
}

TEST_F(Configured, SingleZoneScreenShowsOneZoneUnderTheProductName) {
  ini = WithLine(ini, "SZ_Serial =", "SZ_Serial = ON");
  Write();
  const RunResult r = s.Run(
      "expect framZone(1) caption Zarvane\nexpect framZone(2) visible 0\nexpect mnuCopyZones visible 0\n"
      "expect lblRoute caption Serial\nexpect cmbRoute visible 1\nexpect lblSTAT1 visible 0\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
}

TEST_F(Configured, CaptionsTheCodeSetsLaterAreShownTranslatedAndGoBackToEnglish) {
  ini = WithLine(ini, "Language =", "Language = 2");
  ini = WithLine(ini, "SZ_Serial =", "SZ_Serial = ON");
  ini = WithLine(ini, "SZ_Stats =", "SZ_Stats = ON");
  ini = WithLine(ini, "STAT1 =", "STAT1 = OPERATOR Operator Name");
  Write();
  s.Put("blades/Fan/Fan.op", "Operation Final\r\nBLADE Blade.prg KT1\r\n");
  const std::string table = "\tSerial\tNum\xe9ro\r\n\tOperator Name\tOp\xe9rateur\r\n";
  s.Put("Lang.ini", table);
  s.Put("Num\xc3\xa9ro.lst", "R1\r\nR2\r\n");  // the key list is named in the station's language
  const RunResult r = s.Run(
      "expect lblRoute caption Num\xc3\xa9ro\nexpect lblSTAT1 caption Op\xc3\xa9rateur\n"
      "expect cmbRoute items R1|R2\n"
      "select comboBlade(1) Fan\nexpect cmbRoute items R1|R2\n"
      "expect lblRoute caption Num\xc3\xa9ro\nexpect lblSTAT1 caption Op\xc3\xa9rateur\n"
      "press mnuEnglish\nexpect lblRoute caption Serial\nexpect lblSTAT1 caption Operator Name\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  // Nothing translated became an English text of its own.
  const std::string now = s.File("Lang.ini");
  EXPECT_EQ(now.substr(0, table.size()), table);
  EXPECT_EQ(now.find("NEW\tNum\xe9ro"), std::string::npos) << now;
  EXPECT_EQ(now.find("NEW\tOp\xe9rateur"), std::string::npos) << now;
}

TEST_F(Configured, ZoneDisableSettingDisablesOnlyThatZone) {
  ini = WithLine(ini, "SingleZone =", "SingleZone = OFF");
  ini = WithLine(ini, "!Zone3_DISABLE", "Zone3_DISABLE = ON");
  Write();
  const RunResult r = s.Run(
      "expect comboBlade(3) enabled 0\nexpect cmbOp(3) enabled 0\nexpect framZone(3) enabled 0\n"
      "expect comboBlade(2) enabled 1\nexpect framZone(4) enabled 1\nexpect mnuSettings visible 1\n"
      "press mnuSettings\npress frmOptions.cmdOK\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(s.File("debug.txt").find("frmMain_Load: Disabling zone: 3"), std::string::npos);
}

TEST_F(Configured, InterfaceInLowerCaseIsUpperCasedAndAbsentMeansCmm1) {
  ini = WithLine(ini, "Interface =", "Interface = test");
  Write();
  RunResult r = s.Run("");
  EXPECT_TRUE(r.Has("MESSAGE: Interface is in TEST mode")) << r.transcript;

  ini = WithLine(ini, "Interface =", "! no interface line");
  Write();
  s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\n");  // a host to attach in CMM1 mode
  r = s.Run("expect mnuSettings visible 0\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_FALSE(r.Has("TEST mode"));
  // CMM1: the host files of the previous run are backed up.
  EXPECT_NE(s.File("debug.txt").find("MakeOLD: Start: " + (s.Home() / "QUORVX.RTF").string()), std::string::npos);
}

TEST_F(Configured, CommandLineOptionsAreCaseSensitiveAndTakeOneWord) {
  Write();
  const std::string other = (s.Root() / "other.ini").string();
  RunResult r = s.Run("", {"/INI", other});
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(s.File("debug.txt").find("Settings file is " + other), std::string::npos);
  r = s.Run("", {"/ini", other});
  EXPECT_NE(s.File("debug.txt").find("Command line not understood and ignored: /ini " + other), std::string::npos);
  r = s.Run("", {"/INI", "a", "b"});
  EXPECT_EQ(s.File("debug.txt").find("Settings file is"), std::string::npos);
}

TEST_F(Configured, ProbeQualificationStartInTestModeEndsTheStationWithTheReasonInTheLog) {
  Write();
  const RunResult r = s.Run("", {"/PQ"});
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_FALSE(r.Has("STATUS:"));  // no splash
  const std::string log = s.File("debug.txt");
  EXPECT_NE(log.find("Form_Initialize: Probe qualification commanded."), std::string::npos);
  EXPECT_NE(log.find("Interface is in TEST mode, switch to OFFLINE, or CMM1 to test probe qualification."),
            std::string::npos);
  EXPECT_FALSE(r.Has("MESSAGE:")) << r.transcript;  // nobody is there to answer a box
  EXPECT_NE(log.find("cmdExit_Click: End:"), std::string::npos);
}

TEST_F(Configured, CommaDecimalLocaleIsDetected) {
  ini = WithLine(ini, "!KeyLabel", "KeyLabel = Router, Card");
  Write();
  s.SetEnv("LC_ALL", "de_DE.UTF-8");
  RunResult r = s.Run("");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string log = s.File("debug.txt");
  EXPECT_NE(log.find("Locale uses other than US"), std::string::npos);
  // Commas then stay inside values.
  EXPECT_NE(log.find("KeyLabel value Router, Card"), std::string::npos) << log;
  s.SetEnv("LC_ALL", "C");
  r = s.Run("");
  EXPECT_NE(s.File("debug.txt").find("Locale uses . as decimal"), std::string::npos);
  EXPECT_NE(s.File("debug.txt").find("KeyLabel value Router Card"), std::string::npos);
}

TEST(Scripts, UnansweredQuestionStopsTheRunWithAnError) {
  Station s;
  const RunResult r = s.Run("answer yes\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.Has("ERROR: no answer queued for QUESTION: Scanning Capable?")) << r.transcript;
}

TEST(Scripts, UnknownOrDisabledControlsStopTheRun) {
  Station s;
  s.Put("zarv.ini", GoldenIni("zarv_test_nombr.ini", s.Home()));
  RunResult r = s.Run("press cmdNoSuchButton\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.Has("no control cmdNoSuchButton")) << r.transcript;
  // Copy settings to all zones waits for a zone to be clicked first.
  s.Put("zarv.ini", WithLine(GoldenIni("zarv_test_nombr.ini", s.Home()), "SingleZone =", "SingleZone = OFF"));
  r = s.Run("press mnuCopyZones\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.Has("cannot press mnuCopyZones: it is disabled")) << r.transcript;
  r = s.Run("expect cmdExit caption Quit\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.Has("expected cmdExit caption 'Quit' but it is 'Exit'")) << r.transcript;
}

TEST(Commands, NoCommandSilentlyDoesNothing) {
  // Commands of subsystems not in this build are disabled and say why; the
  // ones that are here lose that note. Help opens the manual built beside the
  // station.
  Station s;
  s.Put("zarv.ini", GoldenIni("zarv_test_nombr.ini", s.Home()));
  const RunResult r = s.Run(
      "expect mnuAssoc enabled 1\n"
      "expect cmdGo tooltip Start the measurement of the zones\n"
      "expect cmdGo enabled 1\n"
      "expect picProbe enabled 1\n"
      "expect picProbe tooltip Single click to perform probe qualification\n"
      "expect mnuConvertPTS enabled 1\n"
      "expect mnuMakePart enabled 1\n"
      "expect mnuReset enabled 1\n"
      "expect mnuReset tooltip \n"
      "rightclick frmMain\n"
      "expect mnuPopReanalyze enabled 1\n"
      "press mnuHelp\n"
      "press mnuProgHelp\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const fs::path manual = fs::path(ZARVANE_EXE).parent_path() / "help" / "index.html";
  EXPECT_EQ(r.Count("OPEN: Open " + manual.string() + "\n"), 2) << r.transcript;
}

TEST(BadInput, AnUnusableRuntimeDirectoryIsReplacedWithoutQtWarnings) {
  // A runtime directory others could read is not used, and not changed either.
  Station s;
  s.Put("zarv.ini", GoldenIni("zarv_test_nombr.ini", s.Home()));
  const fs::path open = s.Root() / "runtime";
  fs::create_directories(open);
  fs::permissions(open, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
  s.SetEnv("XDG_RUNTIME_DIR", open.string());
  const RunResult r = s.Run("");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.errors.find("QStandardPaths"), std::string::npos) << r.errors;
  EXPECT_EQ(fs::status(open).permissions() & fs::perms::others_read, fs::perms::others_read);
}

TEST(BadInput, UnwritableSettingsFileIsToldAndTheStationRunsOn) {
  Station s;
  // A settings file whose directory does not exist cannot be created.
  std::filesystem::create_symlink(s.Root() / "missing" / "zarv.ini", s.Home() / "zarv.ini");
  const RunResult r = s.Run(kTestNoMbr);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_FALSE(r.Has("Default Initialization File created"));
  EXPECT_TRUE(r.Has("MESSAGE: The default initialization file could not be written to")) << r.transcript;
}

TEST(BadInput, UnopenableLogIsToldOnce) {
  Station s;
  s.Put("zarv.ini", GoldenIni("zarv_test_nombr.ini", s.Home()));
  std::filesystem::create_directories(s.Home() / "debug.txt");
  const RunResult r = s.Run("press mnuFrench\npress mnuEnglish\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("MESSAGE: Unable to open " + (s.Home() / "debug.txt").string()), 1) << r.transcript;
  // The backup of a "log" that is a directory fails and nothing is removed.
  EXPECT_TRUE(std::filesystem::is_directory(s.Home() / "debug.txt"));
}

TEST(BadInput, MalformedSettingsAndLanguageTablesDoNotStopTheStation) {
  Station s;
  std::string junk = "debuglevel\r\n=\r\n!!\r\n$$ comment\r\nSingleZone = YES\r\nLanguage = 9\r\n";
  const char binary[] = "\x01\x02\xff\xfe binary \0 data";  // a NUL inside the line
  junk += std::string(binary, sizeof binary - 1) + "\r\n";
  junk += std::string(100000, 'x') + "\r\n";
  s.Put("zarv.ini", junk);
  s.Put("Lang.ini", "no tabs here\r\n\t\tempty key\r\n\tExit\r\n\tExit\tSortie\r\nNEW\tExit\tQuitter\r\n\t" +
                        std::string(5000, 'y') + "\r\n");
  const RunResult r = s.Run("expect cmdExit caption Exit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_FALSE(r.Has("QUESTION:"));
  // The settings file is read again for every key; its over-long line is told once.
  EXPECT_EQ(r.Count("is longer than 65536 characters and was ignored."), 1) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: Line 8 of file ")) << r.transcript;
}

}  // namespace
}  // namespace zarvane::e2e
