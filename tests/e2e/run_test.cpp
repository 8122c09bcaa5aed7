// The options window's Measure on the real station, headless: the report file
// compared line for line with one composed here from the rules of the format
// (not from the writer), the checks before measuring, the XSTAT repeat, a
// host cancel in the middle of a rotor, and Exit's clean-up with reports
// waiting for analysis.
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <sstream>

#include "harness.h"

namespace zarvane::e2e {
namespace {

std::string F5(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.5f", v);
  return buf;
}

// Six values left in 14-column print zones, then the empty key.
std::string PointLine(const std::vector<double>& values) {
  std::string line;
  for (double v : values) {
    std::string field = F5(v);
    line += field + std::string(14 - field.size(), ' ');
  }
  return line + "\r\n";
}

std::string Host() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

// A measured section block: `count` points along a line at height z.
std::vector<std::vector<double>> Block(int block, int count) {
  std::vector<std::vector<double>> points;
  for (int p = 1; p <= count; ++p)
    points.push_back({block + p * 0.01, 0.5 - p * 0.002, 0.25 * block, 0.6, 0.8, 0.0});
  return points;
}

class Run : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    Set("SingleZone", "OFF");
    Set("ProbeR", "0.0625");
    ini += "STAT1 = OPERATOR Operator Name\r\n";
    for (const char* file : {"Demo.nom", "Demo.tol", "Demo.op", "KT1.flv"})
      s.Put(std::string("blades/Demo/") + file, ReadFile(fs::path(ZARVANE_DEMO_HOME) / "blades" / "Demo" / file));
    s.Put("blade_lookup_table.txt", "!Part Number   Program   Flavor\r\n");
    // The host's measured data: two blocks for each of the three sections.
    HostReport(std::vector<int>(std::begin(kCounts), std::end(kCounts)));
  }
  void HostReport(const std::vector<int>& counts) {
    blocks.clear();
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}}\\f0 QUORVEX MEASURED DATA\\par\r\n";
    for (int b = 0; b < static_cast<int>(counts.size()); ++b) {
      blocks.push_back(Block(b, counts[b]));
      rtf += "POINTDATA\\par\r\n";
      int n = 0;
      for (const auto& p : blocks.back())
        rtf += "P" + std::to_string(++n) + " " + F5(p[0]) + " " + F5(p[1]) + " " + F5(p[2]) + " " + F5(p[3]) + " " +
               F5(p[4]) + " " + F5(p[5]) + " 0.00010\\par\r\n";
    }
    s.Put("blades/Demo/bladeOLD.rtf", rtf + "}\r\n");
  }
  void Set(const std::string& key, const std::string& value) { ini = WithLine(ini, key + " =", key + " = " + value); }
  RunResult Measure(const std::string& extra = "", const std::vector<std::string>& args = {}) {
    s.Put("zarv.ini", ini);
    std::vector<std::string> all = {"--clock-start", "2024-03-05 14:07:09"};
    all.insert(all.end(), args.begin(), args.end());
    return s.Run("press cmdGo\nset cmbSN(1) AB 12\nset cmbStat(1) Ann Lee\n" + extra +
                     "press frmInspOpt.cmdMeasure\nanswer yes\n",
                 all);
  }
  std::vector<fs::path> Reports() const {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(s.Home() / "blades" / "Demo"))
      if (e.path().extension() == ".rpt") found.push_back(e.path());
    std::sort(found.begin(), found.end());
    return found;
  }
  // The report expected for the demo part, its three sections measured.
  std::string Expected(const std::string& date, const std::string& stats, const std::string& options,
                       bool trim) const {
    const std::string dir = (s.Home() / "blades" / "Demo").string();
    std::string r = "FLAVOR " + dir + "/KT1.flv\r\nPART Demo\r\nDATE " + date + "\r\nNOMINAL " + dir +
                    "/Demo.nom\r\nTOLERANCE " + dir + "/Demo.tol\r\nRADIUS 0.06250\r\n" + stats + options +
                    "NUM_SECT  3 \r\n";
    const char* names[] = {"A-A", "B-B", "C-C"};
    for (int k = 0; k < 3; ++k) {
      const int a = kCounts[2 * k], b = kCounts[2 * k + 1];
      r += std::string("SECTION ") + names[k] + "  " + std::to_string(a + b) + " ";
      if (trim) r += "  " + std::to_string(a) + "   " + std::to_string(b) + " ";
      r += "\r\n";
      for (int block : {2 * k, 2 * k + 1})
        for (const auto& p : blocks[block]) r += PointLine(p);
    }
    return r;
  }
  // The report paths in the order the station made them (from its log).
  std::vector<std::string> ReportsMade() const {
    std::vector<std::string> made;
    std::stringstream log(s.File("debug.txt"));
    for (std::string line; std::getline(log, line);)
      if (const size_t at = line.find("CreateReport report name: "); at != std::string::npos)
        made.push_back(line.substr(at + 26, line.size() - at - 27));  // CR at the end
    return made;
  }
  std::string DateOf(const std::string& report) const {
    std::smatch m;
    const std::regex date("DATE (03/05/24 14:0[78]:[0-9][0-9])\r\n");
    return std::regex_search(report, m, date) ? m[1].str() : "no date";
  }

  static constexpr int kCounts[6] = {12, 11, 12, 12, 11, 13};
  Station s;
  std::string ini;
  std::vector<std::vector<std::vector<double>>> blocks;
};

TEST_F(Run, TheReportHoldsHeaderStatisticsOptionsAndEverySection) {
  const RunResult r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u) << r.transcript;
  const std::string report = ReadFile(reports[0]);
  const std::string stats = "TEXT SERNO=AB_12\r\nTEXT OPERATION=Final_Inspection\r\nTEXT CMM=" + Host() +
                            "\r\nTEXT PARTCOUNT=1\r\nTEXT OPERATOR=Ann_Lee\r\n";
  EXPECT_EQ(report, Expected(DateOf(report), stats, "AUTOPRINT ON\r\nAUTOPLOT OFF\r\nSAVEDP OFF\r\n", true));
  // Named part, computer, date and time of the report.
  EXPECT_TRUE(std::regex_match(reports[0].filename().string(), std::regex("Demo_" + Host() + "_240305_1407[0-9][0-9]\\.rpt")))
      << reports[0];
  const std::string log = s.File("debug.txt");
  EXPECT_NE(log.find("CreateReport: Full command: " + s.BladeProgram().string() + " " + reports[0].string() + "\r\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(r.Has("QUESTION: Exit? | Zarvane is waiting for Blade to finish analyzing."));
  // Once the entries are good, the serial box gets the focus with its text selected.
  EXPECT_TRUE(r.Has("FOCUS: frmInspOpt.cmbSN(1) (text selected)\n"));
  EXPECT_NE(log.find("cmdExit_Click: Blade that did not analyze was: " + reports[0].string()), std::string::npos);
}

TEST_F(Run, CustomOrderTrimOffOverriddenCalculationsAndAnOldAnalysisProgram) {
  Set("STAT_Order", "SERNO, CMM");
  Set("SendCMMasSTAT", "OFF");
  ini += "Trim = OFF\r\n";
  Set("Matrix_Report", "DEV");
  s.Put("blades/Demo/KT1.flv", "CALCS = 4\r\nLETHCK\r\nCCCONT\r\nCCMIN\r\nTWIST\r\n");
  MakeBladeProgram(s.BladeProgram(), 1000);  // older than 2.0: "PWF" follows the report
  const RunResult r = Measure("check chkFeat2(1) 0\n");  // rows in table order: LETHCK, TWIST, CCMIN, CCCONT
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u) << r.transcript;
  const std::string report = ReadFile(reports[0]);
  // LETHCK 1, CCMIN 4, CCCONT 2: seven outputs in the table's order.
  const std::string options =
      "REPORT DEV\r\nOVERRIDE CALCS  7 \r\nLETHCK\r\nCCMIN\r\nCCMAX\r\nCVMIN\r\nCVMAX\r\nCCCONT\r\nCVCONT\r\n"
      "AUTOPRINT ON\r\nAUTOPLOT OFF\r\nSAVEDP OFF\r\n";
  EXPECT_EQ(report, Expected(DateOf(report), "TEXT SERNO=AB_12\r\nTEXT PARTCOUNT=1\r\n", options, false));
  EXPECT_NE(s.File("debug.txt").find("CreateReport: Full command: " + s.BladeProgram().string() + " " +
                                     reports[0].string() + " PWF\r\n"),
            std::string::npos);
}

TEST_F(Run, OnlyCompletePairsWithASelectedSectionAreWritten) {
  // Seven blocks for one selected section: B-B from the first pair, nothing
  // past either end, and the operator hears both counts.
  HostReport({12, 11, 12, 12, 11, 13, 14});
  const RunResult r = Measure("press frmInspOpt.cmdExit\nselect cmbOp(1) Section B only\npress cmdGo\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_EQ(Reports().size(), 1u) << r.transcript;
  const std::string report = ReadFile(Reports()[0]);
  EXPECT_TRUE(r.Has("MESSAGE: Read 3 sections in " + (s.Home() / "blade.rtf").string() +
                    " when 1 sections were specified.  Analysis will attempt to continue."))
      << r.transcript;
  const size_t data = report.find("NUM_SECT");
  ASSERT_NE(data, std::string::npos);
  std::string expected = "NUM_SECT  1 \r\nSECTION B-B  23   12   11 \r\n";
  for (int block : {0, 1})
    for (const auto& p : blocks[block]) expected += PointLine(p);
  EXPECT_EQ(report.substr(data), expected);
}

TEST_F(Run, NothingIsReportedFromALoneBlockOrAStaleHostReport) {
  HostReport({12});
  RunResult r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(Reports().empty()) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: Measurement incomplete -- Please measure Serial Number AB 12 again."));
  // The next run finds no stand-in: the last run's data is not reported again.
  HostReport({12, 11, 12, 12, 11, 13});
  r = Measure();
  ASSERT_EQ(Reports().size(), 1u) << r.transcript;
  fs::remove(s.Home() / "blades" / "Demo" / "bladeOLD.rtf");
  r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(Reports().size(), 1u);
  EXPECT_TRUE(r.Has("report file " + (s.Home() / "blade.rtf").string() + " not found.")) << r.transcript;
}

TEST_F(Run, AReportDirectoryThatCannotBeWrittenStopsTheZoneBeforeMeasuring) {
  // Blanks in the blades directory: reports would go to a directory with "_".
  fs::rename(s.Home() / "blades", s.Home() / "my blades");
  s.SetRegistry("directories", "blades", (s.Home() / "my blades").string());
  const RunResult r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: The report directory " + (s.Home() / "my_blades" / "Demo").string() +
                    " cannot be written; zone 1 is not measured."))
      << r.transcript;
  EXPECT_EQ(s.File("debug.txt").find("CreateReport report name"), std::string::npos);
}

TEST_F(Run, AnXstatRepeatStopsWhenTheCounterCannotGrow) {
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run(
      "press cmdGo\nset cmbSN(1) XSTAT 40000\nset cmbStat(1) Ann\nset txtPcnt(1) 32766\n"
      "press frmInspOpt.cmdMeasure\nexpect txtPcnt(1) text 32767\nanswer yes\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(Reports().size(), 1u);
}

TEST_F(Run, ATipRadiusTypedByTheOperatorIsUsedButNotKept) {
  Set("ProbeR", "TIP 1");
  s.SetRegistry("Data", "LastTipRadius", "-1");
  const RunResult r = Measure("answer text abc\nanswer text 0.02\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: The tip radius abc is not a number.")) << r.transcript;
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_NE(ReadFile(Reports()[0]).find("\r\nRADIUS 0.02000\r\n"), std::string::npos);
  EXPECT_EQ(s.Registry("Data", "LastTipRadius"), "-1");
}

TEST_F(Run, ASavedTipRadiusIsConvertedToTheNominalsUnit) {
  Set("ProbeR", "TIP 1");  // no host in TEST mode: the last radius is used
  s.SetRegistry("Data", "LastTipRadius", "1.27000");
  s.SetRegistry("Data", "LastTipRadiusUnits", "MM");
  const RunResult r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_NE(ReadFile(Reports()[0]).find("\r\nRADIUS 0.05000\r\n"), std::string::npos);  // the demo nominal is in inches
  EXPECT_EQ(s.Registry("Data", "LastTipRadius"), "0.05000");
  EXPECT_EQ(s.Registry("Data", "LastTipRadiusUnits"), "INCH");
}

TEST_F(Run, EveryCheckStopsTheRunBeforeAnythingIsMeasured) {
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run(
      "press cmdGo\n"
      // No serial number.
      "press frmInspOpt.cmdMeasure\n"
      "set cmbSN(1) AB 12\n"
      // A statistics field left empty with FORCE_ENTRY.
      "press frmInspOpt.cmdMeasure\n"
      "set cmbStat(1) Ann\n"
      // No section selected.
      "press optCust(1)\n"
      "press frmCustSections.cmdNone\n"
      "press frmCustSections.cmdCancel\n"
      "press frmInspOpt.cmdMeasure\n"
      "press Option1(1)\n"
      // An XSTAT serial without a number of parts.
      "set cmbSN(1) XSTAT many\n"
      "press frmInspOpt.cmdMeasure\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  // The focus goes to the box to fill before the message.
  EXPECT_TRUE(r.Has("FOCUS: frmInspOpt.cmbSN(1)\nMESSAGE: Zone 1 Serial Number must be entered.")) << r.transcript;
  EXPECT_TRUE(r.Has("FOCUS: frmInspOpt.cmbStat(1)\nMESSAGE: Operator Name must be entered."));
  EXPECT_TRUE(r.Has("MESSAGE: Zero sections selected in Zone 1."));
  EXPECT_TRUE(r.Has("MESSAGE: The serial XSTAT many is not understood"));
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(s.File("debug.txt").find("CreateReport: Zone is"), std::string::npos);
}

TEST_F(Run, AnXstatSerialRepeatsTheRunUntilItsCountIsMeasured) {
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run(
      "press cmdGo\nset cmbSN(1) xstat 3\nset cmbStat(1) Ann\npress frmInspOpt.cmdMeasure\n"
      "expect txtPcnt(1) text 4\nanswer yes\n",
      {"--clock-start", "2024-03-05 14:07:09"});
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(Reports().size(), 3u);
  EXPECT_EQ(CountOf(s.File("debug.txt"), "CreateReport: Full command:"), 3);
}

TEST_F(Run, AHostCancelInTheSecondBladeStopsTheRotorAndTheCounter) {
  Set("Interface", "CMM1");
  Set("MBR", "ON");
  s.Put("blades/Demo/Demo.mbr", "1\r\n2\r\n3\r\n");
  s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\nCommandTime = 0\r\nCancelRun = 2\r\n");
  s.Put("quorvx programs/Blade.prg", "UNITS INCH\r\nMEASURE_BLADE\r\nREPORT\r\nEND\r\n");
  ini = WithLine(ini, "TXT_Mode =", "TXT_Mode = NONE");
  ini = WithLine(ini, "RTF_Mode =", "RTF_Mode = NONE");
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run(
      "press cmdGo\nset cmbSN(1) AB 12\nset cmbStat(1) Ann\npress frmInspOpt.cmdMeasure\n"
      "expect txtPcnt(1) text 1\nanswer yes\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string log = s.File("debug.txt");
  EXPECT_EQ(Reports().size(), 1u) << log;
  EXPECT_EQ(CountOf(log, "CreateReport: Full command:"), 1);
  EXPECT_NE(log.find("cmdMeasure_Click: Exited cause ESTOP condition in MBR loop."), std::string::npos);
  EXPECT_EQ(CountOf(log, "CreateReport: Zone is 1"), 2);  // the third blade is not measured
  EXPECT_NE(ReadFile(Reports()[0]).find("TEXT MBRNO= 1 \r\n"), std::string::npos);
}

TEST_F(Run, TheTipRadiusComesFromTheProgramsProbeInTheNominalsUnit) {
  // "TIP 2" of the program's probe; the program in inches, the nominal in
  // millimetres: the radius is written in millimetres.
  Set("Interface", "CMM1");
  Set("ProbeR", "TIP 2");
  ini = WithLine(ini, "TXT_Mode =", "TXT_Mode = NONE");
  ini = WithLine(ini, "RTF_Mode =", "RTF_Mode = NONE");
  std::string nominal = ReadFile(s.Home() / "blades" / "Demo" / "Demo.nom");
  nominal.replace(nominal.find("UNITS INCH"), 10, "UNITS MM");
  s.Put("blades/Demo/Demo.nom", nominal);
  s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\nCommandTime = 0\r\n");
  s.Put("host/probes/STAR5.prb", "TIP 1 0.0787\r\nTIP 2 0.1000\r\n");
  s.Put("quorvx programs/Blade.prg", "UNITS INCH\r\nLOADPROBE STAR5\r\nMEASURE_BLADE\r\nEND\r\n");
  const RunResult r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_EQ(Reports().size(), 1u) << r.transcript << s.File("debug.txt");
  EXPECT_NE(ReadFile(Reports()[0]).find("\r\nRADIUS 1.27000\r\n"), std::string::npos)  // 0.05 in x 25.4
      << ReadFile(Reports()[0]).substr(0, 400);
}

TEST_F(Run, FourZonesOfARotorGiveOneReportPerBladeEach) {
  Set("MBR", "ON");
  s.Put("blades/Demo/Demo.mbr", "3\r\n7\r\n");
  std::string script = "select comboBlade(2) Demo\nselect comboBlade(3) Demo\nselect comboBlade(4) Demo\npress cmdGo\n"
                       "set cmbStat(1) Ann\n";
  for (int z = 1; z <= 4; ++z) script += "set cmbSN(" + std::to_string(z) + ") CD " + std::to_string(z) + "\n";
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run(script + "press frmInspOpt.cmdMeasure\nanswer yes\n", {"--clock-start", "2024-03-05 14:07:09"});
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 8u) << r.transcript;
  // The reports in the order they were made: zone 1 blades 3 and 7, zone 2 ...
  const std::vector<std::string> made = ReportsMade();
  ASSERT_EQ(made.size(), 8u);
  for (size_t i = 0; i < made.size(); ++i) {
    const int zone = static_cast<int>(i / 2) + 1, blade = i % 2 ? 7 : 3;
    SCOPED_TRACE(made[i]);
    const std::string report = ReadFile(made[i]);
    const std::string stats = "TEXT SERNO=CD_" + std::to_string(zone) + "\r\nTEXT OPERATION=Final_Inspection\r\nTEXT CMM=" +
                              Host() + "\r\nTEXT PARTCOUNT=1\r\nTEXT MBRNO= " + std::to_string(blade) +
                              " \r\nTEXT OPERATOR=Ann\r\n";
    EXPECT_EQ(report, Expected(DateOf(report), stats, "AUTOPRINT ON\r\nAUTOPLOT OFF\r\nSAVEDP OFF\r\n", true));
  }
  EXPECT_EQ(CountOf(s.File("debug.txt"), "CreateReport: Full command:"), 8);
  for (int z = 1; z <= 4; ++z) EXPECT_EQ(CountOf(s.File("debug.txt"), "CreateReport: Zone is " + std::to_string(z)), 2);
}

TEST_F(Run, WhileARunShowsAReportNothingElseStartsOrExits) {
  s.Put("QUORVX.TXT", "The host's printed report\r\n");  // shown during the run
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run(
      "press cmdGo\nset cmbSN(1) AB 12\nset cmbStat(1) Ann\npress frmInspOpt.cmdMeasure\n"
      // The run waits while the report window is up; the operator tries the rest.
      "press mnuExit\n"
      "press frmInspOpt.cmdExit\n"
      "press frmInspOpt.cmdMeasure\n"
      "press cmdGo\n"
      "press frmShow.cmdClose\n"
      // The analysis finished while the report was read: its rich-text report follows.
      "press frmShow.cmdClose\n"
      "answer yes\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("MESSAGE: A measurement is running; please wait until it has finished."), 4) << r.transcript;
  EXPECT_EQ(Reports().size(), 1u);
  EXPECT_TRUE(r.Has("QUESTION: Exit?"));  // the Exit at the end of the script, after the run
}

TEST_F(Run, FourZonesOfARotorOnTheSimulatedHost) {
  // The host measures every blade of every zone; each report names its
  // serial and blade and holds the three sections the host measured.
  Set("Interface", "CMM1");
  Set("MBR", "ON");
  ini = WithLine(ini, "TXT_Mode =", "TXT_Mode = NONE");
  ini = WithLine(ini, "RTF_Mode =", "RTF_Mode = NONE");
  s.Put("blades/Demo/Demo.mbr", "3\r\n7\r\n");
  s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\nCommandTime = 0\r\n");
  s.Put("quorvx programs/Blade.prg", "UNITS INCH\r\nMEASURE_BLADE\r\nREPORT\r\nEND\r\n");
  std::string script = "select comboBlade(2) Demo\nselect comboBlade(3) Demo\nselect comboBlade(4) Demo\npress cmdGo\n"
                       "set cmbStat(1) Ann\n";
  for (int z = 1; z <= 4; ++z) script += "set cmbSN(" + std::to_string(z) + ") CD " + std::to_string(z) + "\n";
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run(script + "press frmInspOpt.cmdMeasure\nanswer yes\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::vector<std::string> made = ReportsMade();
  ASSERT_EQ(made.size(), 8u) << r.transcript;
  for (size_t i = 0; i < made.size(); ++i) {
    const int zone = static_cast<int>(i / 2) + 1, blade = i % 2 ? 7 : 3;
    SCOPED_TRACE(made[i]);
    const std::string report = ReadFile(made[i]);
    EXPECT_NE(report.find("\r\nTEXT SERNO=CD_" + std::to_string(zone) + "\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\nTEXT MBRNO= " + std::to_string(blade) + " \r\n"), std::string::npos);
    // Three sections in order, each with as many point lines as it says.
    std::stringstream lines(report.substr(report.find("NUM_SECT")));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "NUM_SECT  3 \r");
    for (const char* name : {"A-A", "B-B", "C-C"}) {
      ASSERT_TRUE(std::getline(lines, line));
      ASSERT_EQ(line.rfind(std::string("SECTION ") + name + "  ", 0), 0u) << line;
      const int total = std::stoi(line.substr(13));
      for (int p = 0; p < total; ++p) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.size(), 85u) << line;  // six values in 14-column zones, CR
      }
    }
    EXPECT_FALSE(std::getline(lines, line));
  }
  EXPECT_FALSE(s.Exists("blade.rtf"));  // every measurement reported, none left behind
}

TEST_F(Run, ExitKeepsAPartThatStillHasReportsWaiting) {
  ini += "DeleteActivePartFromBladesFolderAfterRun = 1\r\nDeleteAll__PartsFromBladesFolderAfterRun = 1\r\n";
  s.Put("blades/Other/Other.op", "Operation Final\r\n");
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run(
      "press cmdGo\nset cmbSN(1) AB 12\nset cmbStat(1) Ann\npress frmInspOpt.cmdMeasure\n"
      "press frmInspOpt.cmdExit\nanswer yes\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(Reports().size(), 1u);
  EXPECT_NE(s.File("debug.txt").find("kept: it holds reports waiting for analysis"), std::string::npos);
  EXPECT_FALSE(s.Exists("blades/Other"));  // every other part goes
}

TEST_F(Run, HostileSerialStatisticsAndBladeListStayInThePartDirectoryAndReachNoShell) {
  Set("MBR", "ON");
  Set("OutFileName", "PartNo KeyLabel MBRNo STAT1");
  s.Put("blades/Demo/Demo.mbr", "../../evil\r\n$(touch pwned)\r\n3\r\n");
  // A serial with separators, "..", a quote, shell syntax and a carriage
  // return; an operator name of 251 characters starting with an "é".
  const std::string serial = "../x;$(touch pwned)\"q\rPART Evil";
  s.Put("zarv.ini", ini);
  const RunResult r = s.Run("press cmdGo\nset cmbSN(1) " + serial + "\nset cmbStat(1) \xc3\xa9" + std::string(250, 'S') +
                                "\npress frmInspOpt.cmdMeasure\nwait 60000\nanswer yes\n",
                            {"--clock-start", "2024-03-05 14:07:09"});
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("holds lines that are no blade number (2, first line 1: ../../evil); they are left out.")) << r.transcript;
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u) << r.transcript;
  // One name in the part's directory: separators, quote and control character
  // as "_", ".." as "__", blanks as "_", cut to 200 bytes on disk (39 ASCII
  // characters, the two bytes of the "é", 159 of the operator name).
  EXPECT_EQ(reports[0].parent_path(), s.Home() / "blades" / "Demo");
  EXPECT_EQ(reports[0].filename().string(),
            "Demo____x;$(touch_pwned)_q_PART_Evil_3_\xc3\xa9" + std::string(159, 'S') + ".rpt");
  // In the report each value stays on its own line.
  const std::string report = ReadFile(reports[0]);
  const std::string stats = "TEXT SERNO=../x;$(touch_pwned)\"q_PART_Evil\r\nTEXT OPERATION=Final_Inspection\r\nTEXT CMM=" +
                            Host() + "\r\nTEXT PARTCOUNT=1\r\nTEXT MBRNO= 3 \r\nTEXT OPERATOR=\xe9" +
                            std::string(250, 'S') + "\r\n";
  EXPECT_EQ(report, Expected(DateOf(report), stats, "AUTOPRINT ON\r\nAUTOPLOT OFF\r\nSAVEDP OFF\r\n", true));
  // The analysis program got the path as its one argument, and no shell ran the text.
  EXPECT_NE(s.File("../Blade/Blade.log").find(reports[0].string() + " = "), std::string::npos)
      << s.File("../Blade/Blade.log");
  for (const fs::path& dir : {fs::current_path(), s.Root(), s.Home(), s.Home() / "blades", reports[0].parent_path()})
    EXPECT_FALSE(fs::exists(dir / "pwned") || fs::exists(dir / "evil")) << dir;
}

}  // namespace
}  // namespace zarvane::e2e
