// Case-insensitive look-ups in a part directory that has grown over months:
// every report leaves its files beside the part's, so a directory of tens of
// thousands of entries is normal where nothing cleans it. A name that exists
// as written costs one stat; a name that does not exist (a report name not
// yet taken, a program looked for in the part directory first) lists the
// directory to find a case variant.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "foundation/paths.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

struct PartDirectory {
  explicit PartDirectory(int files) {
    dir = fs::temp_directory_path() / ("zarvane-paths-bench-" + std::to_string(files));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (int i = 0; i < files; ++i)
      std::ofstream(dir / ("P1_SN" + std::to_string(100000 + i) + "_240305_" + std::to_string(140000 + i % 6000) +
                           (i % 8 == 0 ? ".rpt" : i % 8 == 1 ? ".csv" : ".cmm")));
  }
  ~PartDirectory() { fs::remove_all(dir); }
  fs::path dir;
};

void BM_ResolveCaseMissing(benchmark::State& state) {
  const PartDirectory part(static_cast<int>(state.range(0)));
  const std::string missing = (part.dir / "P1_SN999999_240305_999999.rpt").string();
  for (auto _ : state) benchmark::DoNotOptimize(ResolveCase(missing));
  state.SetLabel(std::to_string(state.range(0)) + " entries");
}
BENCHMARK(BM_ResolveCaseMissing)->Arg(1000)->Arg(30000)->Unit(benchmark::kMicrosecond);

void BM_ResolveCaseOtherCase(benchmark::State& state) {
  const PartDirectory part(static_cast<int>(state.range(0)));
  const std::string variant = (part.dir / "p1_sn100008_240305_140008.RPT").string();
  for (auto _ : state) benchmark::DoNotOptimize(ResolveCase(variant));
  state.SetLabel(std::to_string(state.range(0)) + " entries");
}
BENCHMARK(BM_ResolveCaseOtherCase)->Arg(30000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zarvane
