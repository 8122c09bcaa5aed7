// Whole-file writes: a failure in the middle (a full disk made by the write
// fault) leaves the previous file and no temporary; the error names the path
// and the system's reason; the fault text is read as documented.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/atomicfile.h"
#include "foundation/paths.h"
#include "foundation/writefault.h"

namespace zarvane::testing {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zarvane-atomic-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  void TearDown() override {
    SetWriteFault(std::nullopt);
    fs::remove_all(dir);
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  fs::path dir;
};

TEST_F(AtomicFileTest, WritesWholeAndReplacesKeepingPermissionsAndLinks) {
  ASSERT_TRUE(WriteFileAtomically(Path("a.rpt"), "first\r\n").Ok());
  // Not what a new file gets: the writer must carry it over.
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read;
  fs::permissions(dir / "a.rpt", mode, fs::perm_options::replace);
  fs::create_symlink(dir / "a.rpt", dir / "link.rpt");
  AtomicFile out(Path("link.rpt"));
  out.Stream() << "second" << "\r\n";
  EXPECT_EQ(Read("a.rpt"), "first\r\n");  // nothing before Commit
  ASSERT_TRUE(out.Commit().Ok());
  EXPECT_EQ(Read("a.rpt"), "second\r\n");
  EXPECT_TRUE(fs::is_symlink(dir / "link.rpt"));
  EXPECT_EQ(fs::status(dir / "a.rpt").permissions(), mode);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a.rpt", "link.rpt"}));
}

TEST_F(AtomicFileTest, AFailureLeavesThePreviousFileAndNoTemporary) {
  ASSERT_TRUE(WriteFileAtomically(Path("a.rpt"), "previous\r\n").Ok());
  // The disk fills after 4 bytes of any file in this directory.
  SetWriteFault(ParseWriteFault("ENOSPC:" + dir.string() + "/:4"));
  const WriteResult full = WriteFileAtomically(Path("a.rpt"), "a longer new content\r\n");
  EXPECT_EQ(full.Error(), Path("a.rpt") + ": No space left on device");
  {
    AtomicFile discarded(Path("b.rpt"));
    discarded.Stream() << "never committed";
  }
  EXPECT_EQ(Read("a.rpt"), "previous\r\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.rpt"});
  EXPECT_FALSE(WriteLines(Path("c.txt"), {"x", "y"}));
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.rpt"});

  SetWriteFault(ParseWriteFault("EIO:" + dir.string() + "/"));  // cannot even be opened
  EXPECT_EQ(WriteFileAtomically(Path("a.rpt"), "x").Error(), Path("a.rpt") + ": Input/output error");
  SetWriteFault(std::nullopt);
  ASSERT_TRUE(WriteLines(Path("c.txt"), {"x", "y"}));
  EXPECT_EQ(Read("c.txt"), "x\r\ny\r\n");
}

TEST_F(AtomicFileTest, TheTemporariesOfEndedProcessesAndOfThisOneAreRemoved) {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);  // its number now names no process
  const std::string dead = std::to_string(child), other = std::to_string(getppid()), own = std::to_string(getpid());
  for (const std::string& name : std::vector<std::string>{"a.rpt.tmp-" + dead + "-1", "a.rpt.tmp-" + other + "-2",
                                                          "a.rpt.tmp-" + own + "-3", "b.tmp-x-1",
                                                          "c.tmp-99999999999999999999-1", "c.rpt"})
    std::ofstream(dir / name) << "x";
  EXPECT_EQ(RemoveStaleTemporaries(dir.string()), 2);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a.rpt.tmp-" + other + "-2", "b.tmp-x-1",
                                                 "c.rpt", "c.tmp-99999999999999999999-1"}));
}

TEST_F(AtomicFileTest, ADirectoryOrAMissingDirectoryIsAnErrorNamingThePath) {
  fs::create_directories(dir / "sub.rpt");
  EXPECT_EQ(WriteFileAtomically(Path("sub.rpt"), "x").Error(), Path("sub.rpt") + ": Is a directory");
  EXPECT_EQ(WriteFileAtomically(Path("gone/a.rpt"), "x").Error(), Path("gone/a.rpt") + ": No such file or directory");
  EXPECT_EQ(Entries(), std::vector<std::string>{"sub.rpt"});
}

TEST(WriteFaultText, ErrnoPathAndOptionalByteCount) {
  const auto withBytes = ParseWriteFault("ENOSPC:/blades/Demo/:4096");
  ASSERT_TRUE(withBytes);
  EXPECT_EQ(withBytes->error, ENOSPC);
  EXPECT_EQ(withBytes->pathPart, "/blades/Demo/");
  EXPECT_EQ(withBytes->bytesBefore, 4096u);
  const auto withoutBytes = ParseWriteFault("EACCES:C:\\x:y");  // a last part that is no number is path
  ASSERT_TRUE(withoutBytes);
  EXPECT_EQ(withoutBytes->pathPart, "C:\\x:y");
  EXPECT_FALSE(withoutBytes->bytesBefore);
  EXPECT_FALSE(ParseWriteFault("ENOSUCH:/x"));
  EXPECT_FALSE(ParseWriteFault("ENOSPC:"));
  EXPECT_FALSE(ParseWriteFault("ENOSPC"));
}

}  // namespace
}  // namespace zarvane::testing
