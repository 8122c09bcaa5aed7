// Help: which manual the station opens, and the manual the build makes.
#include <gtest/gtest.h>

#include "harness.h"

namespace zarvane::e2e {
namespace {

const fs::path kBuiltManual = fs::path(ZARVANE_EXE).parent_path() / "help" / "index.html";

int LinesStartingWith(const std::string& text, const std::string& mark) {
  int n = 0;
  std::stringstream in(text);
  for (std::string l; std::getline(in, l);) n += l.rfind(mark, 0) == 0;
  return n;
}

int Occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

TEST(Help, TheBuiltManualHasEveryHeadingItemAndPictureOfItsSource) {
  const std::string source = ReadFile(ZARVANE_MANUAL_SOURCE);
  const std::string html = ReadFile(kBuiltManual);
  ASSERT_FALSE(html.empty()) << kBuiltManual;
  EXPECT_EQ(Occurrences(html, "<h2>"), LinesStartingWith(source, "## "));
  EXPECT_EQ(Occurrences(html, "<li>"), LinesStartingWith(source, "- "));
  EXPECT_EQ(Occurrences(html, "<img ") + Occurrences(html, "(picture made by scripts/screenshots.sh)"),
            LinesStartingWith(source, "picture: "));
  EXPECT_EQ(Occurrences(html, "<ul>"), Occurrences(html, "</ul>"));
}

TEST(Help, ASiteManualInTheHomeComesFirst) {
  Station s;
  s.Put("zarv.ini", GoldenIni("zarv_test_nombr.ini", s.Home()));
  s.Put("help/index.html", "<p>Our own manual</p>\n");
  const RunResult r = s.Run("press mnuHelp\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("OPEN: Open " + (s.Home() / "help" / "index.html").string() + "\n")) << r.transcript;
}

TEST(Help, WithoutAnyManualTheMessageNamesTheHomesHelpFile) {
  // The station copied away from the build tree has no manual beside it.
  Station s;
  s.Put("zarv.ini", GoldenIni("zarv_test_nombr.ini", s.Home()));
  const fs::path bin = s.Root() / "bin";
  fs::create_directories(bin);
  fs::copy_file(ZARVANE_EXE, bin / "zarvane");
  s.SetProgram(bin / "zarvane");
  const RunResult r = s.Run("press mnuProgHelp\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: The help file was not found: " + (s.Home() / "help" / "operation.chm").string()))
      << r.transcript;
  EXPECT_FALSE(r.Has("OPEN: Open"));
}

}  // namespace
}  // namespace zarvane::e2e
