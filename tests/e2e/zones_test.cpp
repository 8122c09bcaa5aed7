// The zone panels of the real station, driven headless: the part, fixture and
// operation lists, the fixture alignment, Copy settings to all zones, and part
// data that cannot be used.
#include <gtest/gtest.h>

#include "harness.h"

namespace zarvane::e2e {
namespace {

class Zones : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    ini = WithLine(ini, "SingleZone =", "SingleZone = OFF");
    s.Put("blades/Fan/Fan.op",
          "! fan blade\r\nOperation Rough Cut\r\nAlign.prg\r\nBLADE Blade.prg KT1 A-A\r\n"
          "Operation Final\r\nBLADE Blade.prg KT1\r\n");
    s.Put("blades/Vane/readme.txt", "listed by the lookup table only\r\n");
    s.Put("blades/Stray/Stray.nom", "no operation file, no lookup line\r\n");
    s.Put("blade_lookup_table.txt", "!Part Number         Program        Flavor\r\nVANE  blade  KT1\r\n");
    s.Put("fixtures/FIX1.prg", "UNITS INCH\r\nSTATUS Aligning fixture FIX1\r\nEND\r\n");
    s.Put("fixtures/Clamp 2.prg", "END\r\n");
  }
  RunResult Run(const std::string& script) {
    s.Put("zarv.ini", ini);
    return s.Run(script);
  }
  void Cmm1() {
    ini = WithLine(ini, "Interface =", "Interface = CMM1");
    s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\n");
  }
  std::string Log() const { return s.File("debug.txt"); }

  Station s;
  std::string ini;
};

TEST_F(Zones, PartsFixturesAndOperationsAreListedAndChosenPerZone) {
  const RunResult r = Run(
      "expect comboBlade(1) items Fan|Vane\n"
      "expect comboBlade(3) items Fan|Vane\n"
      "expect comboBlade(1) text Fan\n"
      "expect cmbOp(1) items Rough Cut|Final\n"
      "expect cmbOp(1) text Rough Cut\n"
      "expect cmbFixture(2) items Clamp 2|FIX1\n"
      "select comboBlade(2) Vane\n"
      "expect cmbOp(2) items \n"
      "select comboBlade(3) Fan\n"
      "select cmbOp(3) Final\n"
      "set cmbOp(4) Typed name\n"
      "press mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string log = Log();
  EXPECT_EQ(CountOf(log, "Populate blades found operation file for   : Fan"), 1) << log;
  EXPECT_EQ(CountOf(log, "Populate blades found bladelookup entry for: Vane"), 1);
  EXPECT_EQ(log.find("for: Stray"), std::string::npos);
  EXPECT_EQ(log.find("for   : Stray"), std::string::npos);
  EXPECT_NE(log.find("parseOP: End parseOP found 2 operations."), std::string::npos);
  EXPECT_NE(log.find("cmbOp_Click: Start:"), std::string::npos);
  EXPECT_NE(log.find("cmbOp_Change: Start:"), std::string::npos);
  EXPECT_NE(log.find("Loaded into fixture list was: Clamp 2"), std::string::npos);
}

TEST_F(Zones, FixtureAlignmentRunsTheProgramThroughTheHost) {
  Cmm1();
  const RunResult r = Run(
      "answer no\n"
      "select cmbFixture(2) FIX1\n"
      "answer yes\n"
      "select cmbFixture(2) FIX1\n"
      "press mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("QUESTION: Fixture Alignment | Do you want to execute the fixture alignment?"), 2) << r.transcript;
  const std::string log = Log();
  EXPECT_EQ(CountOf(log, "RunQVXProg Start: Running: " + (s.Home() / "fixtures" / "FIX1.prg").string()), 1) << log;
  EXPECT_NE(log.find("Program Name:FIX1"), std::string::npos);
  EXPECT_EQ(log.find("Quorvex failed running the fixture program"), std::string::npos);
  EXPECT_NE(s.File("host/journal.txt").find("FIX1"), std::string::npos);
  // The operator sees what runs, and then its result, in the status line; the
  // run the operator declined says nothing.
  EXPECT_TRUE(r.Has("-> yes\nSTATUSBAR: Zone 2: Running FIX1.prg...\n")) << r.transcript;
  EXPECT_EQ(r.Lines("STATUSBAR: Zone 2:"),
            (std::vector<std::string>{"STATUSBAR: Zone 2: Running FIX1.prg...", "STATUSBAR: Zone 2: FIX1.prg finished."}));
}

TEST_F(Zones, FixtureAlignmentInTestModeOnlyNamesTheProgram) {
  const RunResult r = Run(
      "answer yes\n"
      "select cmbFixture(1) Clamp 2\n"
      "press mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("QUESTION: Fixture Alignment | Do you want to execute the fixture alignment? -> yes"));
  EXPECT_TRUE(r.Has("MESSAGE: Interface is in TEST mode, Fixture alignment program that would have run: " +
                    (s.Home() / "fixtures" / "Clamp 2.prg").string()))
      << r.transcript;
  EXPECT_EQ(Log().find("RunQVXProg Start"), std::string::npos);
  EXPECT_TRUE(r.Has("STATUSBAR: Zone 1: TEST mode, Clamp 2.prg not run.")) << r.transcript;
}

TEST_F(Zones, CopySettingsReachesEveryEnabledZone) {
  ini = WithLine(ini, "Zone3_DISABLE =", "Zone3_DISABLE = ON");
  // The source is the zone the operator last worked in; the first part the
  // station puts into zone 1 at start does not count.
  const RunResult r = Run(
      "expect mnuCopyZones enabled 0\n"
      "expect mnuCopyZones tooltip Click into a zone first: its settings are copied to the other zones.\n"
      "select comboBlade(2) Fan\n"
      "select cmbOp(2) Final\n"
      "expect mnuCopyZones tooltip Copies the part and operation of Zone 2 to the other zones.\n"
      "press mnuCopyZones\n"
      "expect comboBlade(1) text Fan\n"
      "expect cmbOp(1) text Final\n"
      "expect cmbOp(4) text Final\n"
      "expect comboBlade(3) text \n"
      "select cmbOp(4) Rough Cut\n"
      "press mnuCopyZones\n"
      "expect cmbOp(2) text Rough Cut\n"
      "rightclick framZone(2)\n"
      "press mnuPopCopyZones\n"
      "expect cmbOp(4) text Rough Cut\n"
      "rightclick frmMain\n"
      "press mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("POPUP: mnuZonePopup: mnuPopCopyZones \"Copy Zone 2 settings to all zones\"")) << r.transcript;
  EXPECT_TRUE(r.Has("POPUP: mnuReportPopup:"));
}

TEST_F(Zones, UnusableSetupFilesDoNotStopTheStation) {
  // A binary operation file, a lookup table without line ends and a part
  // directory whose name holds a blank.
  std::string binary(70000, '\0');
  for (size_t i = 0; i < binary.size(); i += 7) binary[i] = static_cast<char>(i % 251);
  s.Put("blades/Fan/Fan.op", binary);
  s.Put("blade_lookup_table.txt", std::string(200000, 'x'));
  s.Put("blades/Big Fan/Big Fan.op", "Operation One\r\n");
  const RunResult r = Run(
      "expect comboBlade(1) items Big Fan|Fan\n"
      "expect cmbOp(1) items One\n"
      "select comboBlade(1) Fan\n"
      "press mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(Log().find("cmdExit_Click: End:"), std::string::npos);
}

TEST_F(Zones, NamesThatWouldLeaveTheirDirectoryAreRefusedAndNamed) {
  // Parts whose lookup line or operation file names a program outside the
  // programs directory, or a flavor outside the part's.
  const fs::path demo = fs::path(ZARVANE_DEMO_HOME) / "blades" / "Demo";
  for (const std::string part : {"Evil", "Opx", "Flav"})
    for (const char* ext : {".nom", ".tol"})
      s.Put("blades/" + part + "/" + part + ext, ReadFile(demo / (std::string("Demo") + ext)));
  s.Put("blade_lookup_table.txt", "VANE blade KT1\r\nEvil ..\\..\\x KT1\r\nFlav blade ../../KT1\r\n");
  s.Put("blades/Opx/Opx.op", "Operation One\r\nAlign.prg /tmp/evil.prg\r\n");
  const std::string longName(300, 'L');
  const RunResult r = Run(
      "set comboBlade(1) ../Fan\npress cmdGo\n"
      "set comboBlade(1) Q\"uote\npress cmdGo\n"
      "set comboBlade(1) P\x01Q\npress cmdGo\n"
      "set comboBlade(1) " + longName + "\npress cmdGo\n"
      "select comboBlade(1) Evil\npress cmdGo\n"
      "select comboBlade(1) Opx\npress cmdGo\n"
      "select comboBlade(1) Flav\npress cmdGo\n"
      "press mnuExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string refused = " cannot be used: a name must stay inside its directory and name one file.";
  // The operator is told which name, control characters shown as "?", a long name cut.
  for (const std::string& told : std::vector<std::string>{"The part number ../Fan", "The part number Q\"uote", "The part number P?Q",
                                 "The part number " + std::string(80, 'L') + "...", "The program name ..\\..\\x",
                                 "The program name /tmp/evil", "The flavor name ../../KT1"})
    EXPECT_TRUE(r.Has("MESSAGE: " + told + refused)) << told << "\n" << r.transcript;
  // Only the part whose flavor alone was refused gets as far as the options window.
  EXPECT_EQ(r.Count("WINDOW: frmInspOpt shown"), 1) << r.transcript;
  // Nothing was made where any of them leads.
  const fs::path blades = s.Home() / "blades";
  for (const fs::path& p : {s.Home() / "Fan", blades / "Q\"uote", blades / "P\x01Q", blades / longName,
                            s.Home() / "x.prg", s.Root() / "x.prg", fs::path("/tmp/evil.prg"), s.Home() / "KT1.flv"}) {
    std::error_code ec;  // a name too long to look up is not there either
    EXPECT_FALSE(fs::exists(p, ec)) << p;
  }
}

}  // namespace
}  // namespace zarvane::e2e
