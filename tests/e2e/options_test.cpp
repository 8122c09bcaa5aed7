// The Measure command and the inspection options window of the real station,
// driven headless: zones resolved and merged into one feature grid, the
// defaults the settings and flavors give, the single-zone hand-over, the
// statistics and lot fields, the blade and section pickers, Exit, and data
// that cannot be used.
#include <gtest/gtest.h>

#include "harness.h"

namespace zarvane::e2e {
namespace {

class Options : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    Set("SingleZone", "OFF");
    s.Put("blade_lookup_table.txt", "!Part Number   Program   Flavor\r\n");
    // Fan: four sections, its operation calls out B-B to D-D; captions from its flavor.
    Part("Fan", "FanF", "BLADE Blade.prg FanF B-B C-C D-D",
         "NUM_SECT = 4\r\nSECTION A-A I\r\nSECTION B-B I\r\nSECTION C-C I\r\nSECTION D-D I\r\n",
         "CALCS = 4\r\nLETHCK\r\nTWIST\r\nRELTWIST\r\nPLATFORM\r\n"
         "RELTWIST LABEL1 Twist relative to root\r\nTWIST LABEL2 Twist at stack\r\n"
         "LETHCK LABEL2 Edge two\r\nLETHCK LABEL1 Edge one\r\n");
    // Vane: its tolerance file names its root and tip; its flavor switches printing off.
    Part("Vane", "VaneF", "BLADE Blade.prg VaneF",
         "NUM_SECT = 3\r\nROOTSECT R-R\r\nTIPSECT T-T\r\nSECTION R-R I\r\nSECTION M-M I\r\nSECTION T-T I\r\n",
         "AUTOPRINT = 0\r\nAUTOPLOT = OUT\r\nCALCS = 3\r\nCHORD\r\nBOWX\r\nTWIST\r\n");
    // Disk: a flavor without calculations that asks for saving.
    Part("Disk", "DiskF", "BLADE Blade.prg DiskF", "NUM_SECT = 1\r\nSECTION A-A I\r\n", "! nothing\r\nSAVEDP\r\n");
  }
  void Part(const std::string& name, const std::string& flavor, const std::string& bladeLine,
            const std::string& tolerance, const std::string& flavorText) {
    const std::string dir = "blades/" + name + "/";
    s.Put(dir + name + ".op", "Operation Final\r\n" + bladeLine + "\r\n");
    s.Put(dir + name + ".nom", "NUM_SECT 1\r\n");
    s.Put(dir + name + ".tol", tolerance);
    s.Put(dir + flavor + ".flv", flavorText);
  }
  void Set(const std::string& key, const std::string& value) { ini = WithLine(ini, key + " =", key + " = " + value); }
  RunResult Run(const std::string& script) {
    s.Put("zarv.ini", ini);
    return s.Run(script);
  }
  std::string Log() const { return s.File("debug.txt"); }

  Station s;
  std::string ini;
};

TEST_F(Options, ZonesMergeIntoOneFeatureGridWithTheFlavorsCaptionsAndDefaults) {
  Set("debuglevel", "10");
  s.Put("Lang.ini", "\tMeasure\tMesurer\tMisura\tMessen\tMedir\r\n");
  const RunResult r = Run(
      "select comboBlade(1) Fan\n"
      "select comboBlade(2) Vane\n"
      "select comboBlade(3) Disk\n"
      "press cmdGo\n"
      // Rows in table order; LABEL1 before LABEL2; RELTWIST's caption stays its own.
      "expect lbl(1) caption Edge one\n"
      "expect lbl(2) caption Chord Width\n"
      "expect lbl(3) caption Twist at stack\n"
      "expect lbl(4) caption Twist relative to root\n"
      "expect lbl(5) caption Bow X (L&&D)\n"
      "expect lbl(6) tag PLATFORM\n"
      "expect lbl(7) visible 0\n"
      // A feature only zone 2 lists: zone 1's box shows, disabled and clear.
      "expect chkFeat5(1) visible 1\n"
      "expect chkFeat5(1) enabled 0\n"
      "expect chkFeat5(1) value 0\n"
      "expect chkFeat5(2) enabled 1\n"
      "expect chkFeat5(2) value 1\n"
      // Disk's flavor offers nothing: its boxes show disabled.
      "expect chkFeat1(3) visible 1\n"
      "expect chkFeat1(3) enabled 0\n"
      "expect lblz(4) visible 0\n"
      "expect lblSet(2) caption Part: Vane F: VaneF Op: Final\n"
      "expect Option1(2) value 1\n"
      // PRINTMODE = ON, but Vane's AUTOPRINT = 0 comes last; AUTOPLOT = OUT plots.
      "expect optPrintOn(1) value 1\n"
      "expect optPrintOff(2) value 1\n"
      "expect optPrintOn(2) value 0\n"
      "expect chkPlot(2) value 1\n"
      "expect chkPlot(1) value 0\n"
      "expect chkSaveDP(3) value 1\n"
      "expect chkSaveDP(1) value 0\n"
      "expect framMBR visible 0\n"
      "expect comboBlade(1) enabled 0\n"
      "press frmInspOpt.cmdMeasure\n"
      // A language chosen in the main window reaches the open options window.
      "press mnuFrench\n"
      "expect frmInspOpt.cmdMeasure caption Mesurer\n"
      "press mnuEnglish\n"
      "press frmInspOpt.cmdExit\n"
      "expect comboBlade(1) enabled 1\n"
      "expect comboBlade(4) enabled 1\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Zero CALCS found in flavor file")) << r.transcript;
  // Measure checks the entries first: the serial numbers are missing.
  EXPECT_TRUE(r.Has("STEP 31: press frmInspOpt.cmdMeasure\nFOCUS: frmInspOpt.cmbSN(1)\n"
                    "MESSAGE: Zone 1 Serial Number must be entered.\n"))
      << r.transcript;
  const std::string log = Log();
  EXPECT_NE(log.find("cmdGo: Max calcs: 6"), std::string::npos) << log;
  EXPECT_NE(log.find("cmdGo_Click:  After Blookup: Part number for zone: 3 is: Disk"), std::string::npos);
  EXPECT_NE(log.find("cmdGo_Click:  After Blookup: Part number for zone: 4 is: \r\n"), std::string::npos);
  EXPECT_NE(log.find("chkFeat5 tag BOWX in zone 1 enabled is False and checked is 0 and visible is True"),
            std::string::npos);
  EXPECT_NE(log.find("Exitted Inspection Options Window"), std::string::npos);
  EXPECT_LT(log.find("cmdGo_Click: Start:"), log.find("cmdGo.Click: End"));
}

TEST_F(Options, SettingsDecideWhichBoxesAreTickedAndWhichTheOperatorMayChange) {
  Set("FEATURE_SEL", "OFF");
  Set("FEATURE_CHECKALL", "OFF");
  Set("PRINTMODE", "OOT");
  Set("SAVEDP", "abc");
  ini += "TWIST_FanF = ON\r\nRELTWIST = ON\r\nLETHCK = maybe\r\n";
  RunResult r = Run(
      "select comboBlade(1) Fan\n"
      "select comboBlade(2) Vane\n"
      "press cmdGo\n"
      "expect framFeatSel(0) visible 0\n"
      "expect chkFeat3(1) enabled 0\n"
      "expect chkFeat3(1) value 1\n"
      "expect chkFeat3(2) value 0\n"
      "expect chkFeat4(1) value 1\n"
      "expect chkFeat1(1) value 0\n"
      "expect optPrintOOT(1) value 1\n"
      "expect optPrintOff(2) value 1\n"
      "expect chkSaveDP(1) value 0\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;

  Set("FEATURE_SEL", "ON");
  Set("REPORT_SEL", "OFF");
  Set("PARTCOUNT_SEL", "OFF");
  ini += "CHORD_SEL = abc\r\nBOWX_SEL = OFF\r\n";
  r = Run(
      "select comboBlade(1) Fan\n"
      "select comboBlade(2) Vane\n"
      "press cmdGo\n"
      "expect chkFeat2(2) enabled 1\n"
      "expect chkFeat5(2) enabled 0\n"
      "expect framRpt(0) visible 0\n"
      "expect framPcnt visible 0\n"
      "expect framSec(0) visible 1\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
}

TEST_F(Options, SingleZoneHandsOverToTheWindowOrMeasuresAtOnce) {
  Set("SingleZone", "ON");
  Set("SZ_Serial", "ON");
  RunResult r = Run(
      "select comboBlade(1) Fan\n"
      "set cmbRoute S-1234\n"
      "press cmdGo\n"
      "expect cmbSN(1) text S-1234\n"
      "expect lblz(2) visible 0\n"
      "key cmbSN(1) enter\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("WINDOW: frmInspOpt shown"), 1) << r.transcript;
  EXPECT_EQ(CountOf(Log(), "cmdMeasure_Click: Start."), 1);  // Enter in the serial box measures

  // Options not shown: in TEST mode the window is shown for debugging, then measured.
  Set("ShowOptions", "OFF");
  r = Run("select comboBlade(1) Fan\npress cmdGo\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Now showing inspection options box for debugging.\nWINDOW: frmInspOpt shown\n"
                    "FOCUS: frmMain.cmbRoute\nMESSAGE: Zone 1 Serial Number must be entered."))
      << r.transcript;

  // A serial the key list does not know refuses the hand-over; the window
  // shown for debugging goes again and the zones are the operator's.
  ini += "KeyLabel = ROUTER Router #\r\n";
  s.Put("ROUTER.lst", "R-1\r\nR-2\r\n");
  r = Run("select comboBlade(1) Fan\nset cmbRoute R-9\npress cmdGo\nexpect comboBlade(1) enabled 1\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("WINDOW: frmInspOpt shown\nMESSAGE: Data entered: R-9 not found in data list).  Please re-enter.\n"
                    "WINDOW: frmInspOpt hidden"))
      << r.transcript;

  // The utility part "SetUpPrograms" never shows the options.
  Set("ShowOptions", "ON");
  Part("SetUpPrograms", "SetF", "BLADE Setup.prg SetF", "NUM_SECT = 1\r\nSECTION A-A I\r\n",
       "CALCS = 1\r\nCHORD\r\n");
  r = Run("select comboBlade(1) SetUpPrograms\npress cmdGo\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_FALSE(r.Has("WINDOW: frmInspOpt shown")) << r.transcript;
  EXPECT_EQ(CountOf(Log(), "cmdMeasure_Click: Start."), 1);
}

TEST_F(Options, StatisticsLotAndCounterFieldsFollowTheirTables) {
  ini += "STAT1 = OPERATOR Operator Name\r\nSTAT2 = SHIFT Shift\r\nSTAT8 = NOTE Note\r\n";
  Set("ResetStatOnNewPart", "ON");
  s.Put("OPERATOR.lst", "Ann\r\nBob\r\n");
  RunResult r = Run(
      "select comboBlade(1) Fan\n"
      "press cmdGo\n"
      "expect framStat visible 1\n"
      "expect framLot visible 0\n"
      "expect cmbStat(1) items Ann|Bob\n"
      "expect lblStat(2) caption Shift\n"
      "expect cmbStat(3) visible 0\n"
      "expect cmbStat(8) visible 1\n"
      "set cmbStat(2) Night\n"
      "press frmInspOpt.cmdExit\n"
      "press cmdGo\n"
      "expect cmbStat(2) text \n"
      // Part counts: an empty box while typing is fine, the rest must be 1 to 32767.
      "set txtPcnt(1) \n"
      "set txtPcnt(1) 12\n"
      "set txtPcnt(1) x\n"
      "expect txtPcnt(1) text 1\n"
      "set txtPcnt(1) 99999\n"
      "set txtPcnt(1) -3\n"
      "expect txtPcnt(1) text 1\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("MESSAGE: Incorrect Part Count Entered."), 3) << r.transcript;

  // Zone 1's flavor asks for lot plotting: the lot fields replace the statistics.
  Set("ResetStatOnNewPart", "OFF");
  s.Put("blades/Fan/FanF.flv", "LOTPLOT\r\nCALCS = 1\r\nCHORD\r\n");
  std::string script = "select comboBlade(1) Fan\npress cmdGo\nexpect framLot visible 1\nexpect framStat visible 0\n";
  for (const auto& [size, samples] : std::vector<std::pair<const char*, const char*>>{
           {"7", "7"}, {"41", "7"}, {"42", "15"}, {"200", "15"}, {"201", "25"}, {"500", "25"}, {"501", "50"}})
    script += std::string("set txtLot1 9\nset txtLotSize ") + size + "\nleave txtLotSize\nexpect txtLot2 text " +
              samples + "\nexpect txtLot1 text 1\n";
  for (const char* refused : {"6", "abc", "1e9"})
    script += std::string("set txtLotSize ") + refused + "\nleave txtLotSize\nexpect txtLotSize text \n";
  r = Run(script);
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("MESSAGE: Incorrect Lot Size Entered."), 3) << r.transcript;
}

TEST_F(Options, BladeAndSectionPickersChangeTheirOwnZoneOnly) {
  Set("MBR", "ON");
  s.Put("blades/Fan/Fan.mbr", "1\r\n2\r\n\r\n3\r\n4\r\n");
  const RunResult r = Run(
      "select comboBlade(1) Fan\n"
      "select comboBlade(2) Vane\n"
      "press cmdGo\n"
      "press cmdMBR(1)\n"
      "expect lstBlades items 1|2|3|4\n"
      "expect lstBlades selected 1|2|3|4\n"
      "deselect lstBlades 2\n"
      "press frmMBR.cmdOK\n"
      "press cmdMBR(2)\n"  // Vane has no blade list: nothing opens
      "press optCust(1)\n"
      "expect lstSect items A-A|B-B|C-C|D-D\n"
      "expect lstSect selected B-B|C-C|D-D\n"
      "press frmCustSections.cmdBaseTip\n"  // no ROOTSECT/TIPSECT: first and last called out
      "expect lstSect selected B-B|D-D\n"
      "press Option2(2)\n"  // all of zone 2; the open picker stays with zone 1
      "press frmCustSections.cmdNone\n"
      "expect lstSect selected \n"
      "press frmCustSections.cmdOK\n"
      "press frmCustSections.cmdCancel\n"
      "press optCust(2)\n"
      "expect lstSect items R-R|M-M|T-T\n"
      "expect lstSect selected R-R|M-M|T-T\n"
      "press Option3(2)\n"
      "expect lstSect selected R-R|T-T\n"
      "press optCust(1)\n"
      "expect lstSect selected \n"
      "press frmCustSections.cmdDefault\n"
      "expect lstSect selected B-B|C-C|D-D\n"
      "deselect lstSect B-B\n"
      "press frmCustSections.cmdOK\n"
      "press optCust(1)\n"
      "expect lstSect selected C-C|D-D\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("WINDOW: frmMBR shown"), 1) << r.transcript;
  EXPECT_EQ(r.Count("MESSAGE: Error. At least one section must be selected."), 1);
  EXPECT_NE(Log().find("frmMBR: Blades to measure in zone 1: 1, 3, 4"), std::string::npos);
}

TEST_F(Options, ExitCleansUpLocalCopiesButNeverTheNetworkShare) {
  ini += "DeleteActivePartFromBladesFolderAfterRun = 1\r\nDeleteAll__FilesFromQuorvxProgramsFolderAfterRun = 1\r\n";
  s.Put("quorvx programs/Blade.prg", "END\r\n");
  RunResult r = Run("select comboBlade(1) Fan\npress cmdGo\npress frmInspOpt.cmdExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_FALSE(s.Exists("blades/Fan"));
  EXPECT_TRUE(s.Exists("blades/Vane/Vane.op"));
  EXPECT_TRUE(s.Exists("quorvx programs"));
  EXPECT_TRUE(fs::is_empty(s.Home() / "quorvx programs"));

  // Blades in use on the network: only the local copy may go.
  const fs::path net = s.Root() / "net";
  fs::create_directories(net);
  fs::rename(s.Home() / "blades", net / "blades");
  fs::create_directories(s.Home() / "blades" / "Vane");
  s.SetEnv("ZARVANE_NETWORK_ROOTS", net.string());
  s.SetRegistry("directories", "blades", (net / "blades").string());
  r = Run("select comboBlade(1) Vane\npress cmdGo\npress frmInspOpt.cmdExit\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(fs::exists(net / "blades" / "Vane" / "Vane.op"));
}

TEST_F(Options, ALookupOrNominalCheckThatFailsGivesTheZonesBack) {
  s.Put("blades/Ghost/Ghost.nom", "NUM_SECT 1\r\n");
  s.Put("blades/Ghost/Ghost.tol", "NUM_SECT = 1\r\nSECTION A-A I\r\n");
  RunResult r = Run(
      "select comboBlade(1) Fan\n"
      "set comboBlade(2) Ghost\n"
      "press cmdGo\n"
      "expect comboBlade(2) text \n"
      "expect comboBlade(1) enabled 1\n"
      "expect comboBlade(3) enabled 1\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Blade not found in lookup table, or did not have operation file.")) << r.transcript;
  EXPECT_FALSE(r.Has("WINDOW: frmInspOpt shown"));

  fs::remove(s.Home() / "blades" / "Vane" / "Vane.nom");
  r = Run("select comboBlade(2) Vane\npress cmdGo\nexpect comboBlade(3) enabled 1\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Nominal files not found in")) << r.transcript;
  EXPECT_FALSE(r.Has("WINDOW: frmInspOpt shown"));
}

TEST_F(Options, TooManyFeaturesKeepThePlatformRowAndSaySoOnce) {
  // 26 features, the platform check last; unknown, duplicated and surplus keys too.
  std::string calcs;
  for (const char* edge : {"LE", "TE"}) {
    calcs += std::string(edge) + "THCK\r\n";
    for (int n = 2; n <= 10; ++n) calcs += std::string(edge) + "THCK" + std::to_string(n) + "\r\n";
  }
  calcs += "MAXTHK\r\nCHORD\r\nCHDANG\r\nRELCHDANG\r\nTWIST\r\nPLATFORM\r\n";
  std::string surplus;
  for (int n = 0; n < 34; ++n) surplus += n % 2 ? "NOSUCHCALC\r\n" : "CHORD\r\n";
  s.Put("blades/Fan/FanF.flv", "CALCS = 60\r\n" + calcs + surplus + "LETHCK LABEL1\r\n");
  const RunResult r = Run(
      "select comboBlade(1) Fan\n"
      "press cmdGo\n"
      "expect lbl(24) tag RELCHDANG\n"
      "expect lbl(25) tag PLATFORM\n"
      "expect lbl(1) caption LE Thickness\n"
      "expect chkFeat25(1) tag PLATFORM\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("Not offered: TWIST."), 1) << r.transcript;
  EXPECT_TRUE(r.Has("WINDOW: frmInspOpt shown"));
}

TEST_F(Options, UnusableBladeListsAreToldAndLeftOut) {
  Set("MBR", "ON");
  std::string binary(5000, '\0');
  for (size_t i = 0; i < binary.size(); i += 3) binary[i] = static_cast<char>(i % 251);
  s.Put("blades/Fan/Fan.mbr", binary);
  std::string many;
  for (int n = 1; n <= 10000; ++n) many += std::to_string(n) + "\r\n";
  s.Put("blades/Vane/Vane.mbr", many);
  s.Put("blades/Disk/Disk.mbr", "");
  const RunResult r = Run(
      "select comboBlade(1) Fan\n"
      "select comboBlade(2) Vane\n"
      "select comboBlade(3) Disk\n"
      "press cmdGo\n"
      "press cmdMBR(3)\n"
      "expect lstBlades items \n"
      "press frmMBR.cmdOK\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: The blade list " + (s.Home() / "blades" / "Fan" / "Fan.mbr").string() +
                    " holds lines that are no blade number"))
      << r.transcript;
  EXPECT_TRUE(r.Has("WINDOW: frmInspOpt shown"));
}

}  // namespace
}  // namespace zarvane::e2e
