// The mirror tool, run as its own program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class Mirror : public ::testing::Test {
 protected:
  Mirror() {
    char tmpl[] = "/tmp/zarvane-mirror-XXXXXX";
    root = mkdtemp(tmpl);
    source = root / "net share" / "P1";
    destination = root / "local copy" / "P1";
    fs::create_directories(source);
  }
  ~Mirror() override {
    std::error_code ec;
    fs::permissions(destination, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
  }
  static void Put(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }
  static std::string Get(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int Run(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
      std::vector<std::string> all = {MIRROR_EXE};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> raw;
      for (auto& a : all) raw.push_back(a.data());
      raw.push_back(nullptr);
      execv(raw[0], raw.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Run() { return Run({source.string(), destination.string()}); }
  std::set<std::string> Listing(const fs::path& dir) {
    std::set<std::string> names;
    for (auto& e : fs::recursive_directory_iterator(dir)) names.insert(fs::relative(e.path(), dir).string());
    return names;
  }

  fs::path root, source, destination;
};

TEST_F(Mirror, CopiesOnlyTheDataFileKindsInAnyCase) {
  Put(source / "a.nom", "nom");
  Put(source / "a.TOL", "tol");
  Put(source / "a.op", "op");
  Put(source / "a.txt", "txt");
  Put(source / "B.Prg", "prg");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Listing(destination), (std::set<std::string>{"a.nom", "a.TOL", "B.Prg"}));
  EXPECT_EQ(Get(destination / "a.TOL"), "tol");
}

TEST_F(Mirror, GoesOneLevelDeepAndIsIdempotent) {
  Put(source / "sub" / "s.ua", "ua");
  Put(source / "sub" / "deeper" / "d.nom", "deep");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Listing(destination), (std::set<std::string>{"sub", "sub/s.ua"}));
}

TEST_F(Mirror, OverwritesAndDeletesNothingElse) {
  Put(source / "a.nom", "new");
  Put(destination / "a.nom", "old");
  Put(destination / "local.nom", "mine");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Get(destination / "a.nom"), "new");
  EXPECT_EQ(Get(destination / "local.nom"), "mine");
}

TEST_F(Mirror, AReadOnlyDestinationFileIsLeftAlone) {
  Put(source / "a.nom", "new");
  Put(destination / "a.nom", "kept");
  fs::permissions(destination / "a.nom", fs::perms::owner_read);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Get(destination / "a.nom"), "kept");
}

TEST_F(Mirror, AFailedReplacementLeavesNoTemporaryFile) {
  Put(source / "a.nom", "new");
  Put(source / "b.tol", "tol");
  Put(destination / "a.nom" / "keep", "a directory where the file should go");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Get(destination / "a.nom" / "keep"), "a directory where the file should go");
  EXPECT_EQ(Get(destination / "b.tol"), "tol");  // the next file is still copied
  EXPECT_EQ(Listing(destination), (std::set<std::string>{"a.nom", "a.nom/keep", "b.tol"}));
}

TEST_F(Mirror, CopiesNamesUpToTheFileNameLimit) {
  const std::string longest = std::string(251, 'n') + ".nom";  // 255 bytes
  Put(source / longest, "long");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Get(destination / longest), "long");
  EXPECT_EQ(Listing(destination).size(), 1u);
}

TEST_F(Mirror, RemovesOnlyTheTemporaryFilesNoRunningMirrorOwns) {
  // A process that has ended, and one that runs under the name mirror.
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  fs::copy_file("/bin/sleep", root / "mirror");
  const pid_t running = fork();
  if (running == 0) {
    execl((root / "mirror").c_str(), "mirror", "30", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string comm;
  for (int tries = 0; comm != "mirror\n" && tries < 10000; ++tries, usleep(1000))
    comm = Get("/proc/" + std::to_string(running) + "/comm");
  ASSERT_EQ(comm, "mirror\n");
  const std::string g = std::to_string(gone), r = std::to_string(running), self = std::to_string(getpid());
  const std::vector<std::string> stale = {".mirror-" + g + "-a.nom.tmp", ".mirror-" + g + "-7.tmp",
                                          ".mirror-" + self + "-2.tmp", "sub/.mirror-" + g + "-1.tmp"};
  const std::vector<std::string> kept = {".mirror-" + r + "-1.tmp", ".mirror-x-1.tmp", "mirror-" + g + "-1.tmp",
                                         "notes.tmp", "sub/.mirror-" + r + "-5.tmp"};
  for (const auto& name : stale) Put(destination / name, "left over");
  for (const auto& name : kept) Put(destination / name, "someone's");
  Put(source / "sub" / "s.nom", "nom");
  EXPECT_EQ(Run(), 0);
  kill(running, SIGKILL);
  waitpid(running, nullptr, 0);
  for (const auto& name : stale) EXPECT_FALSE(fs::exists(destination / name)) << name;
  for (const auto& name : kept) EXPECT_TRUE(fs::exists(destination / name)) << name;
  EXPECT_EQ(Get(destination / "sub" / "s.nom"), "nom");
}

TEST_F(Mirror, AMissingSourceEndsAtOnce) {
  EXPECT_EQ(Run({(root / "gone").string(), destination.string()}), 0);
  EXPECT_FALSE(fs::exists(destination));
  EXPECT_EQ(Run({}), 0);
}

}  // namespace
