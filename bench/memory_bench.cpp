// Peak heap of the key lookups and whole-file readers on hostile files: a file
// of one endless line and a file of ordinary short lines, both 100 MB (the
// environment variable ZARVANE_MEMORY_BENCH_MB sets another size). Every
// allocation of this program is counted by the operator new and delete below;
// the counter peak_bytes is the most heap held above what was held before the
// call, peak_per_line that peak in units of the longest line taken in.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <string>

#include "bench_home.h"
#include "foundation/boundedlines.h"

namespace {

std::atomic<long long> gLive{0}, gPeak{0};

void Count(long long delta) {
  const long long now = gLive.fetch_add(delta, std::memory_order_relaxed) + delta;
  long long peak = gPeak.load(std::memory_order_relaxed);
  while (now > peak && !gPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

}  // namespace

void* operator new(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  Count(static_cast<long long>(malloc_usable_size(p)));
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  Count(-static_cast<long long>(malloc_usable_size(p)));
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace zarvane {
namespace {

namespace fs = std::filesystem;

std::size_t FileBytes() {
  const char* mb = std::getenv("ZARVANE_MEMORY_BENCH_MB");
  const long n = mb ? std::atol(mb) : 100;
  return static_cast<std::size_t>(std::max(1L, n)) << 20;
}

// A file of `bytes` bytes made of `unit` repeated, after `head`.
void MakeFile(const std::string& path, const std::string& head, const std::string& unit, std::size_t bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::string block;
  while (block.size() < (1u << 20)) block += unit;
  std::fwrite(head.data(), 1, head.size(), f);
  for (std::size_t written = head.size(); written < bytes; written += block.size())
    std::fwrite(block.data(), 1, std::min(block.size(), bytes - written), f);
  std::fclose(f);
}

// The two files, made once for all the benchmarks. The long line begins with
// the key the readers look for and holds tab-separated numbers, so every reader
// (the language table included) would split it into millions of words; the
// short lines are nominal point lines, none of them holding the key.
struct Files {
  Files() {
    char tmpl[] = "/tmp/zarvane-membench-XXXXXX";
    dir = mkdtemp(tmpl);
    MakeFile(oneLine(), "SECTION", "\t0.12345", FileBytes());
    MakeFile(shortLines(), "", "1.23456\t2.34567\t3.45678\t0.00000\t1.00000\t0.00000\r\n", FileBytes());
  }
  ~Files() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string oneLine() const { return dir + "/oneline.txt"; }
  std::string shortLines() const { return dir + "/lines.txt"; }
  std::string dir;
};

Files& TheFiles() {
  static Files files;
  return files;
}

using Reader = std::function<void(Core&, const std::string& path)>;

void Run(benchmark::State& state, const Reader& read, bool oneLine) {
  const std::string path = oneLine ? TheFiles().oneLine() : TheFiles().shortLines();
  long long peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto home = std::make_unique<BenchHome>(0);
    // The language table is the home directory's Lang.ini.
    fs::create_symlink(path, home->home + "/Lang.ini");
    const long long base = gLive.load();
    gPeak.store(base);
    state.ResumeTiming();
    read(home->core, path);
    state.PauseTiming();
    peak = std::max(peak, gPeak.load() - base);
    home.reset();
    state.ResumeTiming();
  }
  state.counters["file_bytes"] = static_cast<double>(FileBytes());
  state.counters["peak_bytes"] = static_cast<double>(peak);
  state.counters["peak_per_line"] = static_cast<double>(peak) / BoundedLines::kMaxLineLength;
}

const std::pair<const char*, Reader> kReaders[] = {
    {"GetKeyVal", [](Core& c, const std::string& p) { benchmark::DoNotOptimize(c.GetKeyVal(p, "SECTION")); }},
    {"GetKeyPairVal",
     [](Core& c, const std::string& p) { benchmark::DoNotOptimize(c.GetKeyPairVal(p, "SECTION", "0.12345")); }},
    {"getaKeySet", [](Core& c, const std::string& p) { benchmark::DoNotOptimize(c.getaKeySet(p, "SECTION", 2)); }},
    {"parseFile", [](Core& c, const std::string& p) { benchmark::DoNotOptimize(c.parseFile(p, "SECTION", false)); }},
    {"getaLine", [](Core& c, const std::string& p) { benchmark::DoNotOptimize(c.getaLine(p, "SECTION", false)); }},
    {"getaFile", [](Core& c, const std::string& p) { benchmark::DoNotOptimize(c.getaFile(p)); }},
    {"loadLanguage", [](Core& c, const std::string&) { c.loadLanguage(2); }},
    // What the nominal reader reads besides its own line-by-line pass.
    {"NominalChecks",
     [](Core& c, const std::string& p) {
       benchmark::DoNotOptimize(c.GetKeyVal(p, "NUM_SECT"));
       benchmark::DoNotOptimize(c.getaKeySet(p, "SECTION", 2));
     }},
};

const bool kRegistered = [] {
  for (const auto& [name, read] : kReaders) {
    for (const bool oneLine : {true, false}) {
      const std::string title = std::string("BM_Memory/") + name + (oneLine ? "/one_line" : "/short_lines");
      benchmark::RegisterBenchmark(title.c_str(), [read = read, oneLine](benchmark::State& s) { Run(s, read, oneLine); })
          ->Iterations(1)
          ->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

}  // namespace
}  // namespace zarvane
