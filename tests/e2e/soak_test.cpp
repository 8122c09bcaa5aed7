// The station over many consecutive measurement cycles, looked at from
// outside its process: four zones on the simulated host, a rotor of ten
// blades in zone 1, every report analysed by the simulated analysis program,
// combined and printed. After every cycle the script holds the station (a
// marker line, then more transcript than the pipe takes) while its memory,
// open files, child processes and temporary files are counted.
//
// ZARVANE_SOAK_CYCLES sets the number of cycles (default 20, the CI run);
// scripts/soak.sh runs the long one and prints the figures.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "harness.h"

namespace zarvane::e2e {
namespace {

constexpr int kBlades = 10;                 // the rotor in zone 1
constexpr int kReportsPerCycle = kBlades + 3;  // and one blade in each other zone
// More than the pipe (one page) and the harness's read (512 bytes) hold.
const std::string kHold(6000, '.');

struct Sample {
  long rssKb = 0, hwmKb = 0, anonKb = 0;
  int fds = 0, children = 0, zombies = 0;  // children: the station's own and the programs it started
  int tempFiles = 0;  // in the station's temporary directory, and *.tmp or .mirror-* under the root
  long partFiles = 0;
  bool queueEmpty = false;
  double seconds = 0;  // wall time since the station started
};

long StatusKb(const std::string& status, const std::string& key) {
  const size_t at = status.find("\n" + key + ":");
  return at == std::string::npos ? -1 : std::atol(status.c_str() + at + key.size() + 2);
}

int Entries(const fs::path& dir) {
  int n = 0;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) ++n;
  return n;
}

// The processes whose parent is `pid` or that carry `environment` (the
// programs the station starts detached are no children of its own), and how
// many of them are zombies.
void Children(pid_t pid, const std::string& environment, int& children, int& zombies) {
  children = zombies = 0;
  DIR* proc = opendir("/proc");
  for (dirent* e; proc && (e = readdir(proc));) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    const std::string stat = ReadFile(fs::path("/proc") / e->d_name / "stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int parent = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) != 2 || std::atoi(e->d_name) == pid) continue;
    if (parent != pid) {
      const std::string env = ReadFile(fs::path("/proc") / e->d_name / "environ");
      if (env.find(environment + '\0') == std::string::npos) continue;
    }
    ++children;
    if (state == 'Z') ++zombies;
  }
  if (proc) closedir(proc);
}

struct Soak {
  Soak() {
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"Interface", "CMM1"}, {"SingleZone", "OFF"}, {"TXT_Mode", "NONE"}, {"RTF_Mode", "NONE"},
             {"CMM_Mode", "PRINT"}, {"CMB_Mode", "PRINT"}, {"CMB_Wait", "0"}, {"MBR", "ON"}})
      ini = WithLine(ini, key + " =", key + " = " + value);
    s.Put("zarv.ini", ini);
    s.Put("blade_lookup_table.txt", "!Part Number   Program   Flavor\r\n");
    s.Put("host/simhost.ini", "Version = Quorvex 5.1\r\nCommandTime = 0\r\n");
    s.Put("quorvx programs/Blade.prg", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "quorvx programs" / "Blade.prg"));
    s.Put("host/probes/STAR5.prb", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "host" / "probes" / "STAR5.prb"));
    fs::copy_file(COMBINE_EXE, s.Home() / "combine.exe");
    const fs::path demo = fs::path(ZARVANE_DEMO_HOME) / "blades" / "Demo";
    for (int z = 1; z <= 4; ++z) {
      const std::string part = "P" + std::to_string(z), dir = "blades/" + part + "/";
      for (const char* ext : {".nom", ".tol", ".op"}) s.Put(dir + part + ext, ReadFile(demo / ("Demo" + std::string(ext))));
      s.Put(dir + "KT1.flv", ReadFile(demo / "KT1.flv") + "SAVECMM = 1\r\n");
    }
    std::string rotor;
    for (int b = 1; b <= kBlades; ++b) rotor += std::to_string(b) + "\r\n";
    s.Put("blades/P1/P1.mbr", rotor);
    // The station's temporary and runtime directories inside the scratch root,
    // so that only its own files are counted there.
    tmp = s.Root() / "tmp";
    fs::create_directories(tmp);
    fs::create_directories(s.Root() / "runtime");
    fs::permissions(s.Root() / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    s.SetEnv("TMPDIR", tmp.string());
    s.SetEnv("XDG_RUNTIME_DIR", (s.Root() / "runtime").string());
  }

  // The script: the zones' parts chosen once, then `cycles` measurements,
  // each followed by time for the analyses and a held marker.
  static std::string Script(int cycles) {
    std::string script = "select comboBlade(2) P2\nselect comboBlade(3) P3\nselect comboBlade(4) P4\n"
                         "select comboBlade(1) P1\nwait 60000\necho soak 0\necho " + kHold + "\n";
    for (int c = 1; c <= cycles; ++c) {
      script += "press cmdGo\n";
      for (int z = 1; z <= 4; ++z) script += "set cmbSN(" + std::to_string(z) + ") S" + std::to_string(c) + "Z" + std::to_string(z) + "\n";
      script += "press frmInspOpt.cmdMeasure\nwait 60000\necho soak " + std::to_string(c) + "\necho " + kHold + "\n";
    }
    return script;
  }

  Sample Look(pid_t pid) const {
    Sample x;
    const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
    x.rssKb = StatusKb(status, "VmRSS");
    x.hwmKb = StatusKb(status, "VmHWM");
    x.anonKb = StatusKb(status, "RssAnon");
    x.fds = Entries("/proc/" + std::to_string(pid) + "/fd");
    Children(pid, "TMPDIR=" + tmp.string(), x.children, x.zombies);
    x.tempFiles = Entries(tmp);
    std::error_code ec;
    for (fs::recursive_directory_iterator it(s.Root(), ec), end; !ec && it != end; it.increment(ec)) {
      const fs::path& p = it->path();
      const std::string name = p.filename().string();
      if (p.extension() == ".tmp" || name.rfind(".mirror-", 0) == 0) ++x.tempFiles;
      if (p.parent_path().parent_path() == s.Home() / "blades" && it->is_regular_file(ec)) ++x.partFiles;
    }
    return x;
  }

  RunResult Run(int cycles) {
    std::string detail;
    const auto start = std::chrono::steady_clock::now();
    const RunResult r = s.RunWatched(
        Script(cycles), {"--clock-start", "2024-03-05 14:07:09"},
        [&](pid_t pid, const std::string& line) {
          if (line.rfind("STATUSDETAIL:", 0) == 0) detail = line;
          if (line.rfind("ECHO: soak ", 0) != 0) return;
          samples.push_back(Look(pid));
          samples.back().queueEmpty = detail == "STATUSDETAIL: ";
          samples.back().seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        },
        [](const std::string& line) { return line.find(kHold) == std::string::npos; });
    tempAfter = Entries(tmp);
    return r;
  }

  // The mean of a field over samples [from, to].
  template <typename F>
  double Mean(size_t from, size_t to, F field) const {
    double sum = 0;
    for (size_t i = from; i <= to; ++i) sum += field(samples[i]);
    return sum / double(to - from + 1);
  }

  Station s;
  std::string ini;
  fs::path tmp;
  std::vector<Sample> samples;  // [0] after start, [c] after cycle c
  int tempAfter = -1;
};

// RSS growth allowed from the first tenth of the cycles to the last (see docs/RELIABILITY.md, Soak).
constexpr double kRssGrowthBoundKb = 5 * 1024;

// Under AddressSanitizer freed memory waits in a quarantine of up to 256 MB
// before it is reused, so the station's resident size says nothing about
// growth there; LeakSanitizer checks for leaks when the station exits.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZARVANE_SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ZARVANE_SOAK_ASAN)
constexpr bool kResidentSizeMeaningful = false;
#else
constexpr bool kResidentSizeMeaningful = true;
#endif

TEST(Soak, FourZonesWithARotorCycleAfterCycleKeepMemoryFilesAndChildrenSteady) {
  const char* env = std::getenv("ZARVANE_SOAK_CYCLES");
  const int cycles = env && std::atoi(env) > 0 ? std::atoi(env) : 20;
  Soak soak;
  const RunResult r = soak.Run(cycles);
  ASSERT_EQ(r.status, 0) << r.errors << r.transcript.substr(r.transcript.size() > 4000 ? r.transcript.size() - 4000 : 0);
  ASSERT_EQ(soak.samples.size(), size_t(cycles) + 1);
  const std::string log = soak.s.File("debug.txt");
  EXPECT_EQ(CountOf(log, "BAnTimer: Blade has been processed: "), cycles * kReportsPerCycle);
  EXPECT_EQ(r.Count("PRINT: "), 2 * cycles * kReportsPerCycle);

  const auto& x = soak.samples;
  const size_t tenth = std::max<size_t>(1, size_t(cycles) / 10), last = size_t(cycles);
  const auto rss = [](const Sample& s) { return double(s.rssKb); };
  const auto anon = [](const Sample& s) { return double(s.anonKb); };
  const double firstRss = soak.Mean(1, tenth, rss), lastRss = soak.Mean(last - tenth + 1, last, rss);
  std::printf("soak: %d cycles, %d reports; RSS after start %ld kB, first %zu cycles mean %.0f kB, last %zu mean %.0f kB "
              "(growth %+.0f kB; anonymous %+.0f kB); VmHWM at end %ld kB; fds %d after start, %d after cycle 1, %d at end; "
              "children at most %d, zombies at most %d; temporary files at most %d during, %d after exit; part files %ld\n",
              cycles, cycles * kReportsPerCycle, x[0].rssKb, tenth, firstRss, tenth, lastRss, lastRss - firstRss,
              soak.Mean(last - tenth + 1, last, anon) - soak.Mean(1, tenth, anon), x[last].hwmKb, x[0].fds, x[1].fds,
              x[last].fds,
              std::max_element(x.begin(), x.end(), [](auto& a, auto& b) { return a.children < b.children; })->children,
              std::max_element(x.begin(), x.end(), [](auto& a, auto& b) { return a.zombies < b.zombies; })->zombies,
              std::max_element(x.begin(), x.end(), [](auto& a, auto& b) { return a.tempFiles < b.tempFiles; })->tempFiles,
              soak.tempAfter, x[last].partFiles);
  for (size_t c = 0; c < x.size(); ++c)
    std::printf("soak cycle %zu: rss %ld kB, anon %ld kB, fds %d, part files %ld, at %.1f s\n", c, x[c].rssKb,
                x[c].anonKb, x[c].fds, x[c].partFiles, x[c].seconds);
  std::fflush(stdout);

  if (kResidentSizeMeaningful) {
    EXPECT_LT(lastRss - firstRss, kRssGrowthBoundKb);
  } else {
    std::printf("soak: memory growth not bounded under AddressSanitizer (its quarantine holds freed memory)\n");
  }
  for (size_t c = 1; c < x.size(); ++c) {
    SCOPED_TRACE("after cycle " + std::to_string(c));
    EXPECT_TRUE(x[c].queueEmpty);  // every report of the cycle collected
    EXPECT_EQ(x[c].fds, x[1].fds);
    EXPECT_EQ(x[c].children, 0);
    EXPECT_EQ(x[c].tempFiles, x[0].tempFiles);
    // Each cycle leaves the same files in the part directories, nothing more.
    if (c >= 2) {
      EXPECT_EQ(x[c].partFiles - x[c - 1].partFiles, x[1].partFiles - x[0].partFiles);
    }
  }
  EXPECT_EQ(soak.tempAfter, 0);
}

}  // namespace
}  // namespace zarvane::e2e
