// The simulated combine program: the combined report written from real files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "combine/combine.h"

namespace combine {
namespace {

namespace fs = std::filesystem;

class CombineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("combine_test_" + std::to_string(::getpid())) / "run,2 parts";
    fs::remove_all(dir_.parent_path());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_.parent_path()); }

  std::string Put(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }
  std::string Bytes(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

TEST_F(CombineTest, CmmAndTextReportUpperCaseName) {
  const std::string cmm = Put("A 1.CMM", "HEADER\r\nA-A 1.00000\r\n");
  const std::string txt = Put("A 1.TXT", "RESULT OK\r\n");
  const auto paths = SplitParameter(cmm + "," + txt);
  ASSERT_TRUE(paths);
  EXPECT_EQ(paths->first, cmm);
  EXPECT_EQ(paths->second, txt);

  EXPECT_EQ(CombineFiles(paths->first, paths->second), "");
  EXPECT_EQ(Bytes("A 1.CMB"), "HEADER\r\nA-A 1.00000\r\n\r\nRESULT OK\r\n");
  EXPECT_EQ(Names(), (std::vector<std::string>{"A 1.CMB", "A 1.CMM", "A 1.TXT"}));
}

TEST_F(CombineTest, RtfReportBecomesTextAfterACmmWithoutFinalLineEnd) {
  const std::string cmm = Put("b.cmm", "HEADER\r\nA-A 1.00000");
  const std::string rtf = Put("b.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Chord\\tab 1.5\\par Twist\\par}");
  // The folder's name holds a comma and a blank: the split is after the CMM path.
  const auto paths = SplitParameter(cmm + "," + rtf);
  ASSERT_TRUE(paths);
  EXPECT_EQ(paths->first, cmm);

  EXPECT_EQ(CombineFiles(paths->first, paths->second), "");
  EXPECT_EQ(Bytes("b.cmb"), "HEADER\r\nA-A 1.00000\r\n\r\nChord\t1.5\r\nTwist\r\n");
}

TEST_F(CombineTest, MissingInputOrMalformedParameterWritesNothing) {
  const std::string cmm = Put("c.cmm", "HEADER\r\n");
  const std::string missing = (dir_ / "c.txt").string();
  const auto paths = SplitParameter(cmm + "," + missing);
  ASSERT_TRUE(paths);
  EXPECT_EQ(paths->second, missing);
  const std::string error = CombineFiles(paths->first, paths->second);
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
  EXPECT_EQ(Names(), (std::vector<std::string>{"c.cmm"}));

  EXPECT_FALSE(SplitParameter("c.cmm"));
  EXPECT_FALSE(SplitParameter("," + cmm));
}

}  // namespace
}  // namespace combine
