// The analysis log as the monitor reads it: where it is, and which line is a
// report's verdict.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cycle/monitor.h"

namespace zarvane {
namespace {

TEST(AnalysisLog, OnlyAFinalExeBecomesLog) {
  EXPECT_EQ(AnalysisLogPath("/opt/Blade/Blade.EXE"), "/opt/Blade/Blade.log");
  EXPECT_EQ(AnalysisLogPath("/usr/libexec/blade"), "/usr/libexec/blade.log");
  EXPECT_EQ(AnalysisLogPath("/opt/exe/blade.exe.bak"), "/opt/exe/blade.exe.bak.log");
}

TEST(AnalysisLog, TheLastLineWhoseWholeKeyIsTheReportAnswers) {
  const std::string log = (std::filesystem::temp_directory_path() / "zarvane-monitor-log.txt").string();
  {
    std::ofstream out(log, std::ios::binary);
    out << "/b/P1/a.rpt = 0\r\n"
           "/b/P1/a.rpt_2.rpt = 7\r\n"     // starts with the path: another report
           "Analysed /b/P1/a.rpt: 3 sections\r\n"
           "/b/P1/x=y.rpt = 5\r\n"        // the key runs to the last "="
           "  /b/P1/a.rpt   =  1 \r\n";   // a newer analysis of the same report
  }
  EXPECT_EQ(AnalysisVerdict(log, "/b/P1/a.rpt"), "1");
  EXPECT_EQ(AnalysisVerdict(log, "/b/P1/x=y.rpt"), "5");
  EXPECT_EQ(AnalysisVerdict(log, "/b/P1/A.rpt"), "");  // exact path
  EXPECT_EQ(AnalysisVerdict(log + ".missing", "/b/P1/a.rpt"), "");
  // A report measured again under the same name: only what the log gained
  // since its analysis was started answers.
  const auto before = std::filesystem::file_size(log);
  EXPECT_EQ(AnalysisVerdict(log, "/b/P1/a.rpt", before), "");
  { std::ofstream(log, std::ios::binary | std::ios::app) << "/b/P1/a.rpt = 0\r\n"; }
  EXPECT_EQ(AnalysisVerdict(log, "/b/P1/a.rpt", before), "0");
  EXPECT_EQ(AnalysisVerdict(log, "/b/P1/a.rpt", before * 10), "0");  // a log started afresh: all of it

  // Deleted and made again, with the same length and a line end where the
  // old one ended: only the log's identity tells the new file.
  const auto length = std::filesystem::file_size(log);
  const std::string identity = AnalysisLogIdentity(log);
  ASSERT_FALSE(identity.empty());
  std::filesystem::remove(log);
  const std::string fresh = "/b/P1/a.rpt = 1\r\n";
  { std::ofstream(log, std::ios::binary) << fresh << std::string(length - fresh.size() - 2, '.') << "\r\n"; }
  ASSERT_EQ(std::filesystem::file_size(log), length);
  EXPECT_EQ(AnalysisVerdict(log, "/b/P1/a.rpt", length, identity), "1");
  EXPECT_EQ(AnalysisVerdict(log, "/b/P1/a.rpt", length, AnalysisLogIdentity(log)), "");
  std::filesystem::remove(log);
}

}  // namespace
}  // namespace zarvane
