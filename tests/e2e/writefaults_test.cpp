// Write failures on the real station, headless, against the simulated host
// and analysis program on the virtual clock, the failures made through the
// write fault of headless runs (ZARVANE_FAIL_WRITES): a report directory that
// fills up while the measured data is written, and a diagnostic log that
// cannot be written for the whole run. No measured blade is lost.
#include <gtest/gtest.h>

#include <sstream>

#include "harness.h"

namespace zarvane::e2e {
namespace {

class WriteFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    ini = WithLine(ini, "Interface =", "Interface = CMM1");
    for (const std::string mode : {"TXT_Mode", "RTF_Mode"}) ini = WithLine(ini, mode + " =", mode + " = NONE");
    s.Put("zarv.ini", ini);
    s.Put("blade_lookup_table.txt", "!Part Number   Program   Flavor\r\n");
    s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\nCommandTime = 0\r\n");
    s.Put("quorvx programs/Blade.prg", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "quorvx programs" / "Blade.prg"));
    s.Put("host/probes/STAR5.prb", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "host" / "probes" / "STAR5.prb"));
    const fs::path demo = fs::path(ZARVANE_DEMO_HOME) / "blades" / "Demo";
    for (const char* file : {"Demo.nom", "Demo.tol", "Demo.op", "KT1.flv"})
      s.Put(std::string("blades/Demo/") + file, ReadFile(demo / file));
  }
  // Measures the demo part in zone 1 and lets the analysis finish.
  RunResult Measure() {
    return s.Run("press cmdGo\nset cmbSN(1) SN1\npress frmInspOpt.cmdMeasure\nwait 3000\n",
                 {"--clock-start", "2024-03-05 14:07:09"});
  }
  // Everything in the part directory that is a report or a report's temporary.
  std::vector<fs::path> Reports() const {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(s.Home() / "blades" / "Demo"))
      if (e.path().filename().string().find(".rpt") != std::string::npos) found.push_back(e.path());
    return found;
  }
  std::string ReportMade() const {
    const std::string log = s.File("debug.txt");
    const size_t at = log.rfind("CreateReport report name: ");
    if (at == std::string::npos) return "";
    const size_t end = log.find("\r\n", at);
    return log.substr(at + 26, end - at - 26);
  }

  Station s;
};

TEST_F(WriteFaults, AReportDirectoryFillingUpLosesNoMeasurementAndQueuesNoHalfReport) {
  // The disk under the part directory fills after 4096 bytes of a file: past
  // the report's header and options, in the middle of the measured data.
  s.SetEnv("ZARVANE_FAIL_WRITES", "ENOSPC:/blades/Demo/:4096");
  RunResult r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string rpt = ReportMade();
  ASSERT_FALSE(rpt.empty());
  // The operator sees: "The report file <path> could not be written: No space left on device."
  EXPECT_TRUE(r.Has("MESSAGE: The report file " + rpt + " could not be written: No space left on device.\n"))
      << r.transcript;
  // Nothing under the report's name, no temporary; nothing went to the analysis program.
  EXPECT_TRUE(Reports().empty());
  EXPECT_FALSE(r.Has("Waiting for analysis")) << r.transcript;
  EXPECT_EQ(s.File("debug.txt").find("CreateReport: Full command:"), std::string::npos);
  EXPECT_FALSE(fs::exists(s.BladeProgram().parent_path() / "Blade.log"));
  // The measured data stays in the home's blade.rtf.
  const std::string measured = s.File("blade.rtf");
  EXPECT_NE(measured.find("\\par"), std::string::npos);

  // Space is back: the next measurement is reported whole and analysed.
  s.SetEnv("ZARVANE_FAIL_WRITES", "");
  r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string next = ReportMade();
  ASSERT_EQ(Reports(), std::vector<fs::path>{fs::path(next)});
  const std::string report = ReadFile(next);
  // Whole: the measured sections start before the point where the disk was
  // full and the file runs well past it, to the last section's points.
  EXPECT_LT(report.find("\r\nSECTION A-A"), 4096u);
  EXPECT_GT(report.size(), 4096u);
  EXPECT_NE(report.find("\r\nSECTION C-C"), std::string::npos);
  EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
  EXPECT_NE(s.File("../Blade/Blade.log").find(next + " = 1\r\n"), std::string::npos);
  // The first measurement's data was kept aside at the second start.
  EXPECT_EQ(s.File("bladeOLD.rtf"), measured);
}

TEST_F(WriteFaults, AnUnwritableLogIsToldOnceAndTheCycleRunsToTheAnalysis) {
  s.SetEnv("ZARVANE_FAIL_WRITES", "EIO:/debug.txt");
  const RunResult r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  // The operator sees one message, the first time a line cannot be logged:
  // "Unable to open <home>/debug.txt for writing and may be in use by another process."
  EXPECT_EQ(r.Count("MESSAGE:"), 1) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: Unable to open " + (s.Home() / "debug.txt").string() + " for writing")) << r.transcript;
  EXPECT_FALSE(s.Exists("debug.txt"));
  // The blade was measured, reported, analysed and its results collected.
  const std::vector<fs::path> reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(s.File("../Blade/Blade.log").find(reports[0].string() + " = 1\r\n"), std::string::npos);
  EXPECT_EQ(s.File("Blade.csv"), ReadFile(fs::path(reports[0]).replace_extension(".csv")));
}

TEST_F(WriteFaults, AFixtureFileThatCannotBeWrittenStopsTheZoneBeforeTheHostMeasures) {
  // The host would otherwise measure at the fixture location the previous
  // zone left in fixture.txt. The operator sees the message with the path;
  // the zone is neither measured nor reported.
  s.SetRegistry("Data", "FixtureON", "1");
  s.SetEnv("ZARVANE_FAIL_WRITES", "ENOSPC:/fixture.txt");
  const RunResult r = Measure();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Unable to write the fixture file " + (s.Home() / "fixture.txt").string() +
                    ": No space left on device.")) << r.transcript;
  EXPECT_EQ(ReportMade(), "");
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(CountOf(s.File("debug.txt"), "RunQVXProg Start: Running:"), 0);
}

}  // namespace
}  // namespace zarvane::e2e
