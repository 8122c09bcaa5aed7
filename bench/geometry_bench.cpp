// Section geometry on synthetic airfoil sections of 200, 2,000 and 20,000
// points, points evenly spaced round the contour with light noise, given in
// shuffled order: with logging off (debug level 4) and at the default level 9
// (to a log file in a scratch directory).
//
//   zarvane_benchmarks --benchmark_filter=Geometry
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <vector>

#include "foundation/core.h"
#include "foundation/forms.h"
#include "foundation/operator.h"
#include "geometry/section.h"
#include "bench_home.h"
#include "platform/doubles.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

// A cambered airfoil of chord 100 with a round trailing edge of radius 2,
// resampled to n points evenly spaced along the contour, nose first.
std::vector<std::pair<double, double>> AirfoilContour(int n) {
  std::vector<std::pair<double, double>> dense;
  auto half = [](double x) {
    const double t =
        0.6 * (0.2969 * std::sqrt(x) - 0.1260 * x - 0.3516 * x * x + 0.2843 * x * x * x - 0.1036 * x * x * x * x);
    return std::max(t, 0.0) + 0.02 * x;
  };
  auto camber = [](double x) { return 0.08 * x * (1 - x); };
  const int m = 20000;
  for (int k = 0; k <= m; ++k) {
    const double x = 1 - std::cos(M_PI / 2 * k / m);
    dense.emplace_back(x, camber(x) + half(x));
  }
  for (int k = 1; k < 200; ++k) {
    const double a = M_PI / 2 - M_PI * k / 200;
    dense.emplace_back(1 + 0.02 * std::cos(a), 0.02 * std::sin(a));
  }
  for (int k = m; k >= 1; --k) {
    const double x = 1 - std::cos(M_PI / 2 * k / m);
    dense.emplace_back(x, camber(x) - half(x));
  }
  std::vector<double> length(dense.size(), 0);
  for (size_t k = 1; k < dense.size(); ++k)
    length[k] = length[k - 1] + std::hypot(dense[k].first - dense[k - 1].first, dense[k].second - dense[k - 1].second);
  const double total =
      length.back() + std::hypot(dense.front().first - dense.back().first, dense.front().second - dense.back().second);
  std::vector<std::pair<double, double>> out;
  size_t j = 0;
  for (int k = 0; k < n; ++k) {
    const double s = total * k / n;
    while (j + 1 < dense.size() && length[j + 1] < s) ++j;
    const auto& a = dense[j];
    const auto& b = j + 1 < dense.size() ? dense[j + 1] : dense.front();
    const double to = j + 1 < dense.size() ? length[j + 1] : total;
    const double f = to > length[j] ? (s - length[j]) / (to - length[j]) : 0;
    out.emplace_back(a.first + f * (b.first - a.first), a.second + f * (b.second - a.second));
  }
  for (auto& p : out) {
    p.first *= 100;
    p.second *= 100;
  }
  return out;
}

ijk MakeSection(int n, bool shuffled) {
  auto contour = AirfoilContour(n);
  std::mt19937 rng(static_cast<unsigned>(n));
  const double spacing = 205.0 / n;  // about the contour length over n
  std::uniform_real_distribution<double> noise(-0.01 * spacing, 0.01 * spacing);
  for (auto& p : contour) {
    p.first += noise(rng);
    p.second += noise(rng);
  }
  if (shuffled) std::shuffle(contour.begin(), contour.end(), rng);
  ijk s;
  for (const auto& [x, y] : contour) s.Add(x, y, 12.5, 0, 0, 1, 0.05, -0.05);
  return s;
}

struct Station : BenchHome {
  explicit Station(int debugLevel) : BenchHome(debugLevel), g(core) {}
  // The log of the last run goes, so the file does not grow without end.
  void DropLog() {
    std::error_code ec;
    fs::remove(fs::path(home) / "debug.txt", ec);
  }

  SectionGeometry g;
};

// A fresh copy of a section, tolerances included, for a sort to consume.
ijk Copy(const ijk& input) {
  ijk s;
  for (const auto& p : input) s.Add(p->x, p->y, p->z, p->i, p->j, p->k, p->ltol, p->utol);
  return s;
}

long StartAtMinX(Station& st, const ijk& s) {
  const int level = st.core.gDebugLevel;
  st.core.gDebugLevel = 0;
  const long start = st.g.MinX(s);
  st.core.gDebugLevel = level;
  return start;
}

void BM_GeometryFullSecSort(benchmark::State& state) {
  Station st(static_cast<int>(state.range(1)));
  const ijk input = MakeSection(static_cast<int>(state.range(0)), true);
  const long start = StartAtMinX(st, input);
  long kept = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ijk s = Copy(input);
    st.DropLog();
    state.ResumeTiming();
    st.g.FullSecSort(s, start);
    kept = s.Count();
  }
  state.counters["kept"] = static_cast<double>(kept);
}

void BM_GeometrySecSort(benchmark::State& state) {
  Station st(static_cast<int>(state.range(1)));
  const ijk input = MakeSection(static_cast<int>(state.range(0)), true);
  const long start = StartAtMinX(st, input);
  for (auto _ : state) {
    state.PauseTiming();
    ijk s = Copy(input);
    st.DropLog();
    state.ResumeTiming();
    st.g.SecSort(s, start);
  }
}

void BM_GeometryGetNoseTail(benchmark::State& state) {
  Station st(static_cast<int>(state.range(1)));
  const ijk s = MakeSection(static_cast<int>(state.range(0)), true);
  for (auto _ : state) {
    std::int32_t nose = 0, tail = 0;
    st.g.GetNoseTail(s, nose, tail);
    benchmark::DoNotOptimize(nose + tail);
  }
}

// One step of a walk: from a point and its neighbour round the contour.
void BM_GeometryClosestForwardPt(benchmark::State& state) {
  Station st(static_cast<int>(state.range(1)));
  const int n = static_cast<int>(state.range(0));
  const ijk contour = MakeSection(n, false);
  const ijk s = MakeSection(n, true);
  const points& p = contour.At(n / 4);
  const points& c = contour.At(n / 4 + 1);
  for (auto _ : state) {
    double measured = 0;
    benchmark::DoNotOptimize(st.g.ClosestForwardPt(s, p.x, c.x, p.y, c.y, measured, 45));
  }
}

// The direct walk, for comparison (quadratic: the small sizes only).
void BM_GeometryFullSecSortDirect(benchmark::State& state) {
  Station st(static_cast<int>(state.range(1)));
  const ijk input = MakeSection(static_cast<int>(state.range(0)), true);
  const long start = StartAtMinX(st, input);
  for (auto _ : state) {
    state.PauseTiming();
    ijk s = Copy(input);
    st.DropLog();
    state.ResumeTiming();
    reference::FullSecSort(st.g, s, start);
  }
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int level : {4, 9})
    for (int n : {200, 2000, 20000}) b->Args({n, level});
  b->ArgNames({"n", "debuglevel"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_GeometryGetNoseTail)->Apply(Sizes);
BENCHMARK(BM_GeometrySecSort)->Apply(Sizes);
BENCHMARK(BM_GeometryFullSecSort)->Apply(Sizes);
BENCHMARK(BM_GeometryClosestForwardPt)->Apply(Sizes);
BENCHMARK(BM_GeometryFullSecSortDirect)
    ->Args({200, 4})
    ->Args({2000, 4})
    ->ArgNames({"n", "debuglevel"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvane
