// The point file conversion of scanned design data: 60 sections of 5,000,
// 50,000 and 200,000 points in all, every line at another height than the one
// before (the points of the sections taken in turn), with the full sort and
// without, logging at level 0.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

#include "bench_home.h"
#include "foundation/progress.h"
#include "foundation/text.h"
#include "geometry/convert.h"

namespace zarvane {
namespace {

constexpr int kSections = 60;

// A nominal file, Q used, starting section 1, no nose reset, the full sort
// or none, the units kept; the offsets take their defaults.
class ConvertOperator : public SilentOperator {
 public:
  bool fullSort = false;
  bool YesNo(const std::string& text, const std::string&) override {
    if (text.find("full sort") != std::string::npos) return fullSort;
    return text.find("nominal file (YES)") != std::string::npos || text.find("'Q'") != std::string::npos;
  }
  std::string InputBox(const std::string&, const std::string& title, const std::string&) override {
    return title == "Starting Section" ? "1" : "";
  }
};

struct Converter {
  explicit Converter(long points) : forms(&tp.clock), core(tp.platform, op, forms), progress(forms, core) {
    char tmpl[] = "/tmp/zarvane-bench-XXXXXX";
    home = mkdtemp(tmpl);
    core.gHome = home;
    core.gIniFile = JoinPath(home, "zarv.ini");
    core.gDebugLevel = 0;
    WriteLines(core.gIniFile, {"Language 1", "debuglevel 0"});
    input = JoinPath(home, "scan.pts");
    std::vector<std::string> lines;
    lines.reserve(points);
    const long perSection = points / kSections;
    for (long n = 0; n < perSection; ++n)
      for (int s = 1; s <= kSections; ++s) {
        const double t = 2 * M_PI * n / perSection, a = 1.0 + 0.01 * s;
        char line[96];
        std::snprintf(line, sizeof line, "%.5f %.5f %.5f", a * std::cos(t), 0.2 * std::sin(t), 0.1 * s);
        lines.push_back(line);
      }
    WriteLines(input, lines);
  }
  ~Converter() {
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
  TestPlatform tp;
  ConvertOperator op;
  Forms forms;
  Core core;
  FrmProgress progress;
  std::string home, input;
};

void Convert(benchmark::State& state, bool fullSort) {
  Converter c(state.range(0));
  c.op.fullSort = fullSort;
  PointFileConverter converter(c.core, c.progress);
  for (auto _ : state) {
    std::string path = c.input;
    if (!converter.ConvertPts2(path)) state.SkipWithError("not converted");
  }
  state.counters["points"] = static_cast<double>(state.range(0));
}
void BM_ConvertPts2(benchmark::State& state) { Convert(state, false); }
void BM_ConvertPts2FullSort(benchmark::State& state) { Convert(state, true); }
BENCHMARK(BM_ConvertPts2FullSort)->Arg(5000)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertPts2)->Arg(5000)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvane
