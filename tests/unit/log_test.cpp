// The diagnostic log held open between lines: what readers of the file see.
#include "foundation_fixture.h"

namespace zarvane::testing {
namespace {

class LogFileTest : public FoundationTest {
 protected:
  LogFileTest() { core.gDebugLevel = 8; }
};

TEST_F(LogFileTest, EveryLineIsInTheFileAtOnce) {
  core.WriteLog("one", 0);
  EXPECT_EQ(Log(), "UNSP: one\r\n");
  core.WriteLog("two", 0);
  EXPECT_EQ(Log(), "UNSP: one\r\nUNSP: two\r\n");
}

TEST_F(LogFileTest, AMovedOrDeletedLogStartsAfresh) {
  core.WriteLog("first", 0);
  // The start-up backup renames the log; later lines go to a new one.
  fs::rename(home / "debug.txt", home / "debugOLD.txt");
  core.WriteLog("second", 0);
  EXPECT_EQ(Slurp(home / "debugOLD.txt"), "UNSP: first\r\n");
  EXPECT_EQ(Log(), "UNSP: second\r\n");
  fs::remove(home / "debug.txt");
  core.WriteLog("third", 0);
  EXPECT_EQ(Log(), "UNSP: third\r\n");
  // Replaced by another file of the same name.
  Spit(home / "debug.txt", "other\r\n");
  core.WriteLog("fourth", 0);
  EXPECT_EQ(Log(), "other\r\nUNSP: fourth\r\n");
}

TEST_F(LogFileTest, LinesOthersAppendOrATruncationAreRespected) {
  core.WriteLog("a", 0);
  {
    std::ofstream other(home / "debug.txt", std::ios::binary | std::ios::app);
    other << "from elsewhere\r\n";
  }
  core.WriteLog("b", 0);
  EXPECT_EQ(Log(), "UNSP: a\r\nfrom elsewhere\r\nUNSP: b\r\n");
  fs::resize_file(home / "debug.txt", 0);
  core.WriteLog("c", 0);
  EXPECT_EQ(Log(), "UNSP: c\r\n");
}

TEST_F(LogFileTest, ANewHomeDirectoryGetsItsOwnLog) {
  core.WriteLog("old home", 0);
  const fs::path other = home / "other";
  fs::create_directories(other);
  core.gHome = other.string();
  core.WriteLog("new home", 0);
  EXPECT_EQ(Log(), "UNSP: old home\r\n");
  EXPECT_EQ(Slurp(other / "debug.txt"), "UNSP: new home\r\n");
}

TEST_F(LogFileTest, TwoWritersInterleaveWholeLines) {
  RecordingOperator op2;
  Forms forms2(&tp.clock);
  Core second(tp.platform, op2, forms2);
  second.gHome = core.gHome;
  second.gDebugLevel = 8;
  core.WriteLog("1", 0);
  second.WriteLog("2", 0);
  core.WriteLog("3", 0);
  EXPECT_EQ(Log(), "UNSP: 1\r\nUNSP: 2\r\nUNSP: 3\r\n");
}

TEST_F(LogFileTest, NothingIsOpenedForLinesAboveTheLevel) {
  core.WriteLog("skipped", 9);
  EXPECT_FALSE(fs::exists(home / "debug.txt"));
  // A directory in the log's place is only told about when a line is due.
  fs::create_directories(home / "debug.txt");
  core.WriteLog("skipped", 10);
  EXPECT_TRUE(op.messages.empty());
  core.WriteLog("due", 1);
  EXPECT_EQ(op.messages.size(), 1u);
}

}  // namespace
}  // namespace zarvane::testing
