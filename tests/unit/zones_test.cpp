// The zone panels on fake platform services: filling the part and fixture
// lists, the operator's choices in a zone, the list utilities and copying a
// zone's settings to the others.
#include "datafiles/partfiles.h"
#include "foundation/text.h"
#include "foundation_fixture.h"
#include "station/station.h"
#include "station/zones.h"

namespace zarvane::testing {
namespace {

// Records the part programs the zone panels ask the host to run.
class RecordingHost : public HostLink {
 public:
  void RestartRunningHost(Form&) override {}
  void StartQVX(bool, bool, Form&, Form&) override {}
  void CheckHostSettings() override {}
  void KillQVX(bool, Form&, Form&) override {}
  void StartCheckTimer() override {}
  bool RunQVXProg(const std::string& program, bool, Form&, Form&, const std::string& partName) override {
    runs.push_back(program + " [" + partName + "]");
    return result;
  }
  std::vector<std::string> runs;
  bool result = true;
};

class ZonesTest : public FoundationTest {
 protected:
  ZonesTest() : station(core), files(core), zones(core, station, files) {
    Spit(home / "zarv.ini", "debuglevel = 10\r\nInterface = CMM1\r\n");
    core.gDebugLevel = 10;
    core.gLocalBladesDir = Path("blades");
    core.gLocalFixturesDir = Path("fixtures");
    core.gLocalProgramsDir = Path("quorvx programs");
    core.gBladesDir = core.gLocalBladesDir;
    core.gFixturesDir = core.gLocalFixturesDir;
    fs::create_directories(home / "blades");
    fs::create_directories(home / "fixtures");
    station.host = &host;
    station.zones = &zones;
  }
  void Part(const std::string& dir, const std::string& name, const std::string& opFile) {
    Spit(fs::path(dir) / name / (name + ".op"), opFile);
  }
  Control& M(const std::string& name, int index = -1) { return station.frmMain(name, index); }
  int Count(const std::string& text) {
    const std::string log = Log();
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }

  RecordingHost host;
  Station station;
  PartFiles files;
  Zones zones;
};

TEST_F(ZonesTest, PartListsHoldPartsWithAnOperationFileOrALookupLine) {
  Part(Path("blades"), "P200", "Operation Rough\r\nBLADE blade KT1 A-A\r\nOperation Final\r\nBLADE blade KT1\r\n");
  fs::create_directories(home / "blades" / "A1");   // only a line for A10 mentions it
  fs::create_directories(home / "blades" / "A10");  // listed by its lookup line
  fs::create_directories(home / "blades" / "orphan");
  // Parts named in a later record of a line, or in a quoted record, are resolvable, so listed.
  fs::create_directories(home / "blades" / "Q2");
  fs::create_directories(home / "blades" / "Q3");
  Spit(home / "blade_lookup_table.txt",
       "!Part Number Program Flavor\r\na10   blade   KT1\r\nQ1 progQ KTQ, Q2 progQ2 KT1\r\n\"Q3 progQ3 KT1\"\r\n");
  zones.PopulateBlades();

  for (int n = 1; n <= kZones; ++n)
    EXPECT_EQ(Join(M("comboBlade", n).Items(), "|"), "A10|P200|Q2|Q3") << "zone " << n;
  // Zone 1 shows its first part and that part's (empty) operation list.
  EXPECT_EQ(M("comboBlade", 1).Text(), "A10");
  EXPECT_EQ(core.Zone(1).gPn, "A10");
  EXPECT_EQ(M("cmbOp", 1).ListCount(), 0);

  M("comboBlade", 2).SetListIndex(1);
  M("comboBlade", 2).Click();
  EXPECT_EQ(core.gzone, 2);
  EXPECT_EQ(Join(M("cmbOp", 2).Items(), "|"), "Rough|Final");
  EXPECT_EQ(M("cmbOp", 2).Text(), "Rough");
  const ZoneState& z = core.Zone(2);
  EXPECT_EQ(z.gPn, "P200");
  EXPECT_EQ(z.gOpName, "Rough");
  EXPECT_EQ(z.gNomName, "P200");
  EXPECT_EQ(z.gTolName, "P200");
  EXPECT_EQ(Count("Populate blades found bladelookup entry for: A10"), 1);
  EXPECT_EQ(Count("Populate blades found operation file for   : P200"), 1);
}

TEST_F(ZonesTest, ARefillOntoEmptyDirectoriesLeavesNoZoneWithItsOldChoice) {
  Part(Path("blades"), "P200", "Operation Rough\r\nOperation Final\r\n");
  Spit(home / "fixtures" / "FIX1.prg", "END\r\n");
  zones.PopulateBlades();
  zones.PopulateFixtureListBox();
  for (int n : {1, 2}) {
    M("comboBlade", n).SetListIndex(0);
    zones.comboBlade_Click(n);
    M("cmbOp", n).SetListIndex(1);
    zones.cmbOp_Click(n);
    M("cmbFixture", n).SetListIndex(0);
  }
  ASSERT_EQ(core.Zone(2).gOpName, "Final");

  // Reset Directory Settings onto directories that hold no parts and no fixtures.
  core.gBladesDir = Path("empty blades");
  core.gFixturesDir = Path("empty fixtures");
  fs::create_directories(core.gBladesDir);
  zones.PopulateBlades();
  zones.PopulateFixtureListBox();
  for (int n = 1; n <= kZones; ++n) {
    for (const char* list : {"comboBlade", "cmbOp", "cmbFixture"}) {
      EXPECT_EQ(M(list, n).ListCount(), 0) << list << n;
      EXPECT_EQ(M(list, n).Text(), "") << list << n;
    }
    const ZoneState& z = core.Zone(n);
    EXPECT_EQ(z.gPn + z.gOpName + z.gNomName + z.gTolName, "") << n;
  }
}

TEST_F(ZonesTest, APartOnTheNetworkIsMirroredAndItsOperationsComeFromTheNetwork) {
  const fs::path share = home / "share" / "blades";
  core.gBladesDir = share.string();
  tp.drives.SetType((home / "share").string(), DriveType::Remote);
  Part(share.string(), "P 7", "Operation Inspect\r\nBLADE blade KT1\r\n");
  zones.PopulateBlades();

  ASSERT_EQ(tp.shell.calls.size(), 1u);
  const auto& call = tp.shell.calls[0];
  EXPECT_EQ(call.operation, "Open");
  EXPECT_EQ(call.file, Path("mirror.exe"));
  EXPECT_EQ(call.parameters, "\"" + (share / "P 7").string() + "\" \"" + Path("blades/P 7") + "\"");
  EXPECT_EQ(Count("comboBlade_Click: Mirror blade command: \"" + Path("mirror.exe") + "\" \""), 1);
  // The local copy holds no operation file; the list comes from the directory in use.
  EXPECT_EQ(Join(M("cmbOp", 1).Items(), "|"), "Inspect");

  // A local blades directory starts no copy.
  core.gBladesDir = core.gLocalBladesDir;
  Part(Path("blades"), "Q1", "Operation One\r\n");
  zones.PopulateBlades();
  EXPECT_EQ(tp.shell.calls.size(), 1u);
}

TEST_F(ZonesTest, AnUnsafePartNumberIsRefusedBeforeAnyFileIsTouched) {
  tp.drives.SetType(core.gBladesDir, DriveType::Remote);
  M("comboBlade", 1).SetText("../../etc");
  zones.comboBlade_Click(1);
  EXPECT_TRUE(tp.shell.calls.empty());
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0], "The part number ../../etc cannot be used: a name must stay inside its directory and name one file.");
  EXPECT_EQ(core.Zone(1).gPn, "");
}

TEST_F(ZonesTest, FixtureAlignmentRefreshesTheLocalProgramAndRunsIt) {
  const fs::path shared = home / "shared fixtures";
  core.gFixturesDir = shared.string();
  Spit(shared / "FIX1.prg", "new program\r\n");
  Spit(home / "fixtures" / "FIX1.prg", "old program\r\n");
  Spit(home / "fixtures" / "LOCAL.prg", "local only\r\n");
  zones.PopulateFixtureListBox();
  EXPECT_EQ(Join(M("cmbFixture", 3).Items(), "|"), "FIX1");

  core.Zone(3).gPn = "P200";
  M("cmbFixture", 3).SetListIndex(0);
  op.answers = {true};
  M("cmbFixture", 3).Click();
  EXPECT_EQ(op.prompts.back(), "Fixture Alignment | Do you want to execute the fixture alignment?");
  EXPECT_EQ(Slurp(home / "fixtures" / "FIX1.prg"), "new program\r\n");
  ASSERT_EQ(host.runs.size(), 1u);
  EXPECT_EQ(host.runs[0], Path("fixtures/FIX1.prg") + " [P200]");
  EXPECT_EQ(core.gzone, 3);

  // No: nothing runs.
  op.answers = {false};
  M("cmbFixture", 3).Click();
  EXPECT_EQ(host.runs.size(), 1u);

  // A failed run is logged; a missing program is told by name.
  host.result = false;
  M("cmbFixture", 2).SetText("FIX1");
  zones.cmbFixture_Change(2);
  EXPECT_EQ(Count("cmbFixture_Change: Quorvex failed running the fixture program."), 1);
  M("cmbFixture", 2).SetText("GONE");
  zones.cmbFixture_Change(2);
  EXPECT_EQ(op.messages.back(), "Fixture alignment program not found: " + Path("fixtures/GONE.prg"));
  EXPECT_EQ(host.runs.size(), 2u);
}

TEST_F(ZonesTest, FixtureChoiceWithoutTextOrInTestModeRunsNothing) {
  M("cmbFixture", 1).SetText("  ");
  zones.cmbFixture_Change(1);
  EXPECT_TRUE(op.prompts.empty());

  station.gInterface = "TEST";
  M("cmbFixture", 1).SetText("FIX1");
  op.answers = {true};
  zones.cmbFixture_Change(1);
  ASSERT_EQ(op.prompts.size(), 1u);
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0], "Interface is in TEST mode, Fixture alignment program that would have run: " +
                                Path("fixtures/FIX1.prg"));
  EXPECT_TRUE(host.runs.empty());
}

TEST_F(ZonesTest, OperationChoicesAndDisabledZones) {
  Part(Path("blades"), "P1", "Operation First\r\nOperation Second\r\n");
  M("comboBlade", 4).SetText("P1");
  zones.comboBlade_Click(4);
  core.Zone(4).gNomName = "OTHER";  // a NOMTOL line replaced it
  M("cmbOp", 4).SetText("Second");
  M("cmbOp", 4).onChange();
  EXPECT_EQ(core.Zone(4).gOpName, "Second");
  EXPECT_EQ(core.Zone(4).gNomName, "P1");
  // Entering the list refills it but keeps the typed text.
  M("cmbOp", 4).SetText("typed");
  M("cmbOp", 4).onGotFocus();
  EXPECT_EQ(M("cmbOp", 4).Text(), "typed");
  EXPECT_EQ(M("cmbOp", 4).ListCount(), 2);

  int optionsWindowReset = 0;
  zones.onDisZone = [&](int n) { optionsWindowReset = n; };
  core.gzone = 2;
  zones.DisZone(4);
  EXPECT_EQ(optionsWindowReset, 4);
  EXPECT_EQ(core.gzone, 2);
  EXPECT_EQ(M("comboBlade", 4).Text(), "");
  EXPECT_EQ(core.Zone(4).gPn, "");
  EXPECT_EQ(core.Zone(4).gOpName, "");

  Spit(home / "zarv.ini", "Zone2_DISABLE = ON\r\n");
  zones.ActivateFrame(2, false);
  zones.ActivateFrame(3, false);
  EXPECT_TRUE(M("framZone", 2).Enabled());
  EXPECT_FALSE(M("framZone", 3).Enabled());
  EXPECT_FALSE(M("lblOperation", 3).Enabled());
  zones.ActivateFrame(3, true);
  EXPECT_TRUE(M("cmbOp", 3).Enabled());
}

TEST_F(ZonesTest, StatisticsBoxesLoadFromThePartsListFileFirst) {
  Spit(home / "OPERATOR.lst", "! operators\r\nAnne\r\nBob\r\n");
  Spit(home / "blades" / "P1" / "OPERATOR.lst", "Carla\r\n");
  Control& label = M("lblSTAT1");
  Control& box = M("cmbSTAT1");
  core.gzone = 7;  // out of range: zone 1 is used
  zones.loadStat(label, box, "OPERATOR Operator   Name");
  EXPECT_EQ(core.gzone, 1);
  EXPECT_EQ(box.Tag(), "OPERATOR");
  EXPECT_EQ(label.Caption(), "Operator Name");
  EXPECT_EQ(Join(box.Items(), "|"), "Anne|Bob");
  EXPECT_EQ(box.Text(), "Anne");

  core.Zone(1).gPn = "P1";
  zones.loadStat(label, box, "OPERATOR");
  EXPECT_EQ(label.Caption(), "OPERATOR");
  EXPECT_EQ(Join(box.Items(), "|"), "Carla");

  // A missing list file keeps the entries.
  zones.loadStat(label, box, "CMM");
  EXPECT_EQ(Join(box.Items(), "|"), "Carla");
  EXPECT_EQ(label.Caption(), "CMM");
}

TEST_F(ZonesTest, ValidateComboChecksEntriesOnlyWhenSwitchedOn) {
  Control& box = M("cmbSTAT2");
  box.AddItem("Anne");
  box.SetText("Zed");
  Spit(home / "zarv.ini", "ValidateON = OFF\r\n");
  EXPECT_TRUE(zones.ValidateCombo(box));
  Spit(home / "zarv.ini", "ValidateON = ON\r\n");
  EXPECT_FALSE(zones.ValidateCombo(box));
  EXPECT_EQ(op.messages.back(), "Data entered: Zed not found in data list).  Please re-enter.");
  box.SetText("");
  EXPECT_FALSE(zones.ValidateCombo(box));
  EXPECT_EQ(op.messages.back(), "Missing key data.  Please retry.");
  box.SetText("Anne");
  EXPECT_TRUE(zones.ValidateCombo(box));
  box.Clear();
  box.SetText("anything");
  EXPECT_TRUE(zones.ValidateCombo(box));

  zones.SetObjectVisible(box, false);
  EXPECT_FALSE(box.Visible());
  EXPECT_EQ(box.Tag(), "Invisible");
}

TEST_F(ZonesTest, CopySettingsNeedsARightClickedZoneAndSkipsDisabledZones) {
  Part(Path("blades"), "P1", "Operation First\r\nOperation Second\r\n");
  Part(Path("blades"), "P2", "Operation Other\r\n");
  zones.PopulateBlades();
  M("comboBlade", 2).SetText("P1");
  zones.comboBlade_Click(2);
  M("cmbOp", 2).SetText("Second");
  zones.cmbOp_Click(2);

  zones.mnuCopyZones_Click();  // no source zone yet: the station's own choices do not make one
  EXPECT_EQ(core.Zone(3).gPn, "");
  EXPECT_FALSE(M("mnuCopyZones").Enabled());

  M("framZone", 4).SetEnabled(false);
  M("framZone", 2).onMouseUp(2);
  EXPECT_EQ(zones.CopySourceZone(), 2);
  EXPECT_EQ(M("mnuPopCopyZones").Caption(), "Copy Zone 2 settings to all zones");
  M("mnuPopCopyZones").Click();
  for (int n : {1, 3}) {
    EXPECT_EQ(core.Zone(n).gPn, "P1") << n;
    EXPECT_EQ(core.Zone(n).gOpName, "Second") << n;
    EXPECT_EQ(M("cmbOp", n).Text(), "Second") << n;
  }
  EXPECT_EQ(core.Zone(4).gPn, "");
}

TEST_F(ZonesTest, ReportPopupOffersTheReportCommandsInTheOperatorsLanguage) {
  Spit(home / "Lang.ini", "\tBlade\tLame\r\n\tReprint a report\tReimprimer\r\n");
  core.loadLanguage(2);
  M("mnuReprint").SetEnabled(true);
  station.frmMain.onMouseUp(2);
  EXPECT_EQ(M("mnuPopBladeStart").Caption(), "Lame");
  EXPECT_EQ(M("mnuPopReprint").Caption(), "Reimprimer");
  EXPECT_TRUE(M("mnuPopReprint").Enabled());
  EXPECT_FALSE(M("mnuPopReanalyze").Enabled());  // its command is not available either
  int reprints = 0;
  M("mnuReprint").onClick = [&] { ++reprints; };
  M("mnuPopReprint").Click();
  EXPECT_EQ(reprints, 1);
}

TEST_F(ZonesTest, WindowHelpersFitAndCentre) {
  Form& form = station.frmOptions;
  SetWidth(form, 120);
  SetBottom(form, 240);
  EXPECT_EQ(form.Width(), RightOf(form("cmdApply")) + 120);
  EXPECT_EQ(form.Height(), BottomOf(form("cmdApply")) + 240);
  center(form, 19200, 14400);
  EXPECT_EQ(form.Left(), 9600 - form.Width() / 2);
  EXPECT_EQ(form.Top(), 7200 - form.Height() / 2);
}

}  // namespace
}  // namespace zarvane::testing
