// The desktop entry's start (--user-home): the user's own home, prepared from
// the demo home template on first run, then left alone.
#include <gtest/gtest.h>

#include "harness.h"

namespace zarvane::e2e {
namespace {

const fs::path kBuildDir = fs::path(ZARVANE_EXE).parent_path();

TEST(UserHome, FirstRunPreparesAHomeInWhichTheDemoIsMeasuredAndAnalysed) {
  Station s;
  s.UseUserHome();
  const fs::path home = s.UserHome();
  const RunResult r = s.Run(ReadFile(fs::path(ZARVANE_DEMO_HOME) / ".." / "demo.script"),
                            {"--clock-start", "2026-01-05 09:00:00"});
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(r.errors.find("prepared a new station home in " + home.string()), std::string::npos) << r.errors;
  EXPECT_FALSE(r.Has("FAILED")) << r.transcript;

  // The settings name this home; the registry store lives in it.
  const std::string ini = ReadFile(home / "zarv.ini");
  EXPECT_EQ(ini.find("@HOME@"), std::string::npos);
  EXPECT_NE(ini.find("Logo = " + (home / "CompanyLogo.bmp").string()), std::string::npos);
  EXPECT_EQ(IniValue(ReadFile(home / "registry.ini"), "directories", "blades"), (home / "blades").string());

  // The analysis program's launcher is version-2.0 sized and the program kept
  // its log beside it, in this home.
  EXPECT_EQ(fs::file_size(home / "Blade" / "Blade.exe"), 958464u);
  EXPECT_NE(ReadFile(home / "Blade" / "Blade.log").find(home.string() + "/blades/Demo/"), std::string::npos);
  EXPECT_EQ(fs::read_symlink(home / "combine.exe"), kBuildDir / "combine");
  EXPECT_EQ(fs::read_symlink(home / "mirror.exe"), kBuildDir / "mirror");
  EXPECT_TRUE(fs::exists(home / "host" / "simhost.ini"));
}

TEST(UserHome, AHomeInUseIsLeftAloneAndAnUnpreparableOneIsTold) {
  Station s;
  s.UseUserHome();
  fs::create_directories(s.UserHome());
  WriteFile(s.UserHome() / "notes.txt", "mine");
  const RunResult r = s.Run("press mnuExit\n");
  EXPECT_EQ(r.errors.find("prepared"), std::string::npos) << r.errors;
  EXPECT_EQ(ReadFile(s.UserHome() / "notes.txt"), "mine");
  EXPECT_FALSE(fs::exists(s.UserHome() / "Lang.ini"));

  Station blocked;
  blocked.UseUserHome();
  WriteFile(blocked.Root() / "data", "a file where the data directory should be");
  const RunResult b = blocked.Run("press mnuExit\n");
  EXPECT_EQ(b.status, 2);
  EXPECT_NE(b.errors.find("The station's home could not be prepared in " + blocked.UserHome().string()),
            std::string::npos)
      << b.errors;
}

}  // namespace
}  // namespace zarvane::e2e
