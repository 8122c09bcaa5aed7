// One tick of the analysis monitor with 200 reports queued, on the fake
// platform: the analysis log as a station leaves it after a long service
// (20,000 verdict lines of earlier reports, 1.5 MB) and each report's
// files in its part directory. Every queued report was started with the log
// at the length it had then, and its journal is kept as the station keeps it.
//  - all pending: no verdict yet, so the tick looks at the newest report and
//    stops there (the older ones wait behind it);
//  - all finished: the log holds a verdict "= 1" for each, so one tick
//    collects all 200 (CSV copied home, CMM report shown as the flavor asks,
//    journal rewritten after each) and empties the queue.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "bench_home.h"
#include "cycle/cycle.h"
#include "station/station.h"
#include "station/zones.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

constexpr int kQueued = 200;
constexpr int kHistory = 20000;  // verdict lines of earlier analyses in the log

const char* kSettings =
    "!Zarvane settings\r\n"
    "Interface = TEST\r\n"
    "SingleZone = OFF\r\n"
    "CMM_Mode = NONE\r\n"
    "CMB_Mode = NONE\r\n"
    "CSV_To_Home = 1\r\n"
    "CombineON = 1\r\n"
    "CleanCMM = 0\r\n"
    "CleanXYZ = 0\r\n"
    "debuglevel = 9\r\n"
    "Language = 1\r\n"
    "MBR = OFF\r\n";

struct QueuedHome : BenchHome {
  QueuedHome() : BenchHome(9), station(core), files(core), zones(core, station, files),
                 cycle(core, station, zones, files, nullptr) {
    const std::string blades = JoinPath(home, "blades"), part = JoinPath(blades, "Demo");
    fs::create_directories(part);
    flavor = JoinPath(part, "KT1.flv");
    WriteLines(flavor, {"CALCS = 2", "CHORD", "TWIST", "SAVECMM = 1"});
    program = JoinPath(JoinPath(home, "Blade"), "Blade.exe");
    fs::create_directories(JoinPath(home, "Blade"));
    log = AnalysisLogPath(program);
    std::ofstream(JoinPath(home, "zarv.ini"), std::ios::binary) << kSettings;
    tp.registry.Set("directories", "bladeexe", program);
    core.gBladesDir = blades;
    station.zones = &zones;
    started = station.Start(home, {});

    // The log of a long service, then the reports now waiting.
    std::ofstream out(log, std::ios::binary);
    for (int i = 0; i < kHistory; ++i)
      out << JoinPath(JoinPath(blades, "Rotor" + std::to_string(i % 40)), "R_SN" + std::to_string(100000 + i) +
                                                                              "_20251001_" + std::to_string(80000 + i) + ".rpt")
          << " = " << (i % 50 == 0 ? "0" : "1") << "\r\n";
    out.close();
    historySize = fs::file_size(log);
    for (int i = 0; i < kQueued; ++i) {
      const std::string base = JoinPath(part, "Demo_SN" + std::to_string(5000 + i) + "_20251207_" +
                                                  std::to_string(93000 + i));
      reports.push_back(base + ".rpt");
      WriteLines(base + ".rpt", {"FLAVOR " + flavor, "PART Demo", "NUM_SECT 3"});
      WriteLines(base + ".csv", {"SECTION,FEATURE,NOMINAL,MEASURED,DEVIATION", "A-A,CHORD,1.2,1.2001,0.0001",
                                 "A-A,TWIST,0.5,0.5003,0.0003", "B-B,CHORD,1.3,1.2998,-0.0002"});
      WriteLines(base + ".txt", {"Blade analysis of " + base + ".rpt"});
    }
  }

  // The verdicts of the waiting reports, after the history.
  void Finish() {
    std::ofstream out(log, std::ios::binary | std::ios::app);
    for (const auto& report : reports) out << report << " = 1\r\n";
  }

  // The reports queued again, each started with the log at the length it had
  // then (each verdict follows its report's start).
  void Queue(bool finished) {
    station.gToAnalyze.clear();
    const std::string identity = AnalysisLogIdentity(log);
    std::uintmax_t offset = historySize;
    for (const auto& report : reports) {
      const std::uint64_t id = station.QueueForAnalysis(report, 1, flavor);
      station.AnalysisStarted(id, offset, identity);
      if (finished) offset += report.size() + 5;
    }
  }

  Station station;
  PartFiles files;
  Zones zones;
  Cycle cycle;
  bool started = false;
  std::string flavor, program, log;
  std::uintmax_t historySize = 0;
  std::vector<std::string> reports;
};

void BM_MonitorTickAllPending(benchmark::State& state) {
  QueuedHome st;
  if (!st.started) return state.SkipWithError("the station did not start");
  st.Queue(false);
  for (auto _ : state) {
    st.cycle.monitor.BAnTimer_Timer();
    if (st.station.gToAnalyze.size() != kQueued) return state.SkipWithError("a pending report left the queue");
  }
  state.counters["log_MB"] = double(fs::file_size(st.log)) / 1e6;
}
BENCHMARK(BM_MonitorTickAllPending)->Unit(benchmark::kMicrosecond);

void BM_MonitorTickAllFinished(benchmark::State& state) {
  QueuedHome st;
  if (!st.started) return state.SkipWithError("the station did not start");
  st.Finish();
  for (auto _ : state) {
    state.PauseTiming();
    st.Queue(true);
    fs::remove(JoinPath(st.home, "debug.txt"));
    state.ResumeTiming();
    st.cycle.monitor.BAnTimer_Timer();
    if (!st.station.gToAnalyze.empty()) return state.SkipWithError("a finished report stayed in the queue");
  }
  if (!fs::exists(JoinPath(st.home, "Blade.csv"))) state.SkipWithError("no CSV was copied home");
  state.counters["log_MB"] = double(fs::file_size(st.log)) / 1e6;
  state.counters["reports"] = kQueued;
}
BENCHMARK(BM_MonitorTickAllFinished)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvane
