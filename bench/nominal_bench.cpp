// Reading a large keyword nominal file and writing blade.txt from it: 50
// sections of 2,000 airfoil points in contour order, no NOSE or TAIL lines (so
// nose and tail detection and the rotation run for every section), every
// section selected. Argument: the debug level (4 logs nothing, 9 logs with times).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "datafiles/bladetxt.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "bench_home.h"
#include "platform/doubles.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

constexpr int kSections = 50;
constexpr int kPointsPerSide = 1000;

// One section of a cambered, twisted airfoil of chord 2: the upper side from
// the trailing edge to the leading edge, then the lower side back.
std::vector<std::string> AirfoilSection(int s) {
  const double z = 0.5 + 0.1 * s, twist = 0.004 * s;
  std::vector<std::string> lines;
  for (int side = 0; side < 2; ++side) {
    for (int k = 0; k < kPointsPerSide; ++k) {
      const double u = side == 0 ? 1.0 - double(k) / kPointsPerSide : double(k) / kPointsPerSide;
      const double x = 1 - std::cos(u * M_PI / 2);  // points close up at the leading edge
      const double thickness = 0.12 * (1.4845 * std::sqrt(x) - 0.63 * x - 1.758 * x * x + 1.4215 * x * x * x -
                                       0.5075 * x * x * x * x);
      const double camber = 0.04 * x * (1 - x);
      const double y = camber + (side == 0 ? thickness : -thickness);
      const double px = 2 * x * std::cos(twist) - y * std::sin(twist);
      const double py = 2 * x * std::sin(twist) + y * std::cos(twist);
      lines.push_back(FormatValue(px) + " " + FormatValue(py) + " " + FormatValue(z) + " 0.00000 " +
                      (side == 0 ? "1.00000" : "-1.00000") + " 0.00000");
    }
  }
  return lines;
}

struct Station : BenchHome {
  Station() : BenchHome(0), pf(core), geo(core), bt(core, pf, geo) {
    core.gBladesDir = core.gLocalBladesDir = home + "/blades";
    ZoneState& z = core.CurrentZone();
    z.gPn = z.gNomName = z.gTolName = "AF50";
    z.nomExt = ".nom";
    z.tolExt = ".tol";
    fs::create_directories(home + "/blades/AF50");
    std::vector<std::string> nominal = {"UNITS INCH", "NUM_SECT = " + std::to_string(kSections)};
    std::vector<std::string> tolerance = {"NUM_SECT = " + std::to_string(kSections)};
    for (int s = 1; s <= kSections; ++s) {
      const std::string label = "S" + std::to_string(s);
      nominal.push_back("SECTION " + label + " " + std::to_string(2 * kPointsPerSide) + " " +
                        FormatValue(0.5 + 0.1 * s));
      for (auto& line : AirfoilSection(s)) nominal.push_back(std::move(line));
      tolerance.push_back("SECTION " + label + " I");
      z.tolerance.push_back({label, true, true});
    }
    z.sectionCount = kSections;
    WriteLines(nominalFile(), nominal);
    WriteLines(home + "/blades/AF50/AF50.tol", tolerance);
  }
  std::string nominalFile() const { return home + "/blades/AF50/AF50.nom"; }

  PartFiles pf;
  SectionGeometry geo;
  BladeText bt;
};

void Run(benchmark::State& state, bool whole) {
  Station st;
  st.core.gDebugLevel = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(st.home + "/blade.txt");
    fs::remove(st.home + "/debug.txt");
    state.ResumeTiming();
    const bool ok = whole ? st.bt.WriteBladeTxt() : st.bt.ReadNOMfile3(st.nominalFile(), true);
    if (!ok) state.SkipWithError("the nominal file was not read");
    benchmark::DoNotOptimize(ok);
  }
  state.counters["points"] = benchmark::Counter(double(kSections) * 2 * kPointsPerSide * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

void BM_ReadNOMfile3(benchmark::State& state) { Run(state, false); }
void BM_WriteBladeTxt(benchmark::State& state) { Run(state, true); }

BENCHMARK(BM_ReadNOMfile3)->Arg(4)->Arg(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBladeTxt)->Arg(4)->Arg(9)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvane
