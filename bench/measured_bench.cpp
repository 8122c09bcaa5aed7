// The measured data reader on a host report of a nominal of 50 sections of
// 2,000 points each: the simulated host's format, a block of 1,000 points per
// blade side, two sides per section.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "datafiles/measured.h"
#include "datafiles/rtf.h"
#include "foundation/forms.h"
#include "foundation/operator.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "host/simcore.h"
#include "bench_home.h"
#include "platform/doubles.h"

namespace zarvane {
namespace {

constexpr int kSections = 50;
constexpr int kPointsPerSide = 1000;

// The report's lines as the simulated host writes them.
std::vector<std::string> ReportLines() {
  std::vector<std::string> lines = {"Quorvex blade measurement", "Host Quorvex 5.1", "Program Blade.prg",
                                    "Part TB100", "Date 12/07/2025 09:30:00", "Units INCH",
                                    "Sections " + std::to_string(kSections)};
  for (int s = 1; s <= kSections; ++s) {
    const double z = 0.1 * s, a = 1.0 + 0.01 * s, b = 0.2;
    for (int side = 1; side <= 2; ++side) {
      lines.push_back("POINTDATA");
      for (int n = 0; n < kPointsPerSide; ++n) {
        const double t = M_PI * (side - 1 + static_cast<double>(n) / (kPointsPerSide - 1));
        const double x = a * std::cos(t), y = b * std::sin(t);
        const double gi = x / (a * a), gj = y / (b * b), gl = std::hypot(gi, gj);
        char label[32];
        std::snprintf(label, sizeof label, "S%dP%03d", side, n + 1);
        lines.push_back(std::string(label) + " " + FormatFixed(x, 5) + " " + FormatFixed(y, 5) + " " +
                        FormatFixed(z, 5) + " " + FormatFixed(gi / gl, 5) + " " + FormatFixed(gj / gl, 5) +
                        " 0.00000 " + FormatFixed(0.0005 * std::sin(7 * t), 5));
      }
    }
  }
  return lines;
}

struct Station : BenchHome {
  Station() : BenchHome(9), progress(forms, core) {  // the settings file's default level
    WriteLines(core.gIniFile, {"Language 1", "debuglevel 9"});
    report = JoinPath(home, "blade.rtf");
    WriteLines(report, SimRtfLines(ReportLines()));
  }
  FrmProgress progress;
  std::string report;
};

void BM_ReadData(benchmark::State& state) {
  Station station;
  MeasuredData reader(station.core, station.progress);
  size_t points = 0;
  for (auto _ : state) {
    auto sections = reader.readData(station.report, kSections);
    if (!sections || sections->size() != 2 * kSections) state.SkipWithError("report not read");
    points = 0;
    for (const auto& s : *sections) points += s.Count();
    benchmark::DoNotOptimize(sections);
  }
  state.counters["points"] = static_cast<double>(points);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(station.report)));
}
BENCHMARK(BM_ReadData)->Unit(benchmark::kMillisecond);

void BM_RtfToText(benchmark::State& state) {
  Station station;
  const std::string rtf = *ReadAll(station.report);
  for (auto _ : state) {
    std::string text = RtfToText(rtf);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(rtf.size()));
}
BENCHMARK(BM_RtfToText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvane
