// The report writer of the measurement cycle on a four-zone run in TEST mode:
// each zone a part of 20 sections, its operation selecting all 20, and the
// host's report (bladeOLD.rtf, copied to blade.rtf in place of running the
// host) holding 40 blocks of 1,000 points in the simulated host's format. The
// host's time is not in the figures: TEST mode waits on the virtual clock.
// Also timed alone on one zone's data: reading the host's report, writing the
// measured data (reading included), and the header with the inspection options.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench_home.h"
#include "cycle/cycle.h"
#include "datafiles/bladetxt.h"
#include "datafiles/measured.h"
#include "host/simcore.h"
#include "station/station.h"
#include "station/zones.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

constexpr int kZoneCount = 4;
constexpr int kSections = 20;
constexpr int kPointsPerSide = 1000;

std::string SectionName(int s) { return (s < 10 ? "S0" : "S") + std::to_string(s); }
std::string PartName(int zone) { return "TB" + std::to_string(zone); }

// The settings of a four-zone station in TEST mode, the usual keys at their usual values.
const char* kSettings =
    "!Zarvane settings\r\n"
    "Interface = TEST !To run the CMM this value should be CMM1\r\n"
    "PRINTMODE = ON !OOT/ON/OFF\r\n"
    "PLOTMODE = OFF\r\n"
    "Matrix_Mode = ON\r\n"
    "CMM_Mode = NONE\r\n"
    "RTF_Mode = SHOW\r\n"
    "TXT_Mode = SHOW\r\n"
    "Matrix_Report = FOLLOW\r\n"
    "FEATURE_SEL = ON\r\n"
    "SAVEDP = OFF\r\n"
    "SECTION_SEL = ON\r\n"
    "SingleZone = OFF\r\n"
    "ShowOptions = ON\r\n"
    "CalcReorder = OFF\r\n"
    "ValidateKeyLabel = ON\r\n"
    "SendCMMasSTAT = ON\r\n"
    "FORCE_ENTRY = ON\r\n"
    "STAT_Order = SERNO, OPERATION, LOTPLOT, CMM, MBR, STAT1, STAT2, STAT3, STAT4, STAT5, STAT6, STAT7, STAT8\r\n"
    "STAT1 = OPERATOR Operator Name\r\n"
    "debuglevel = 9\r\n"
    "OutFileName = PartNo CompName Date Time\r\n"
    "USE_MTH = OFF\r\n"
    "NOM_MODE = KT\r\n"
    "ProbeR = 0.0625 !a real number: no question to the operator\r\n"
    "HeaderON = ON\r\n"
    "FixtureON = OFF\r\n"
    "Language = 1\r\n"
    "MBR = OFF\r\n"
    "FEATURE_CHECKALL = ON\r\n";

// An airfoil section of chord 2 at height z: the nominal's points.
std::vector<std::string> NominalSection(int s) {
  const double z = 0.5 + 0.1 * s;
  std::vector<std::string> lines = {"SECTION " + SectionName(s) + " " + std::to_string(2 * kPointsPerSide) + " " +
                                    FormatValue(z)};
  for (int side = 0; side < 2; ++side)
    for (int k = 0; k < kPointsPerSide; ++k) {
      const double u = side == 0 ? 1.0 - double(k) / kPointsPerSide : double(k) / kPointsPerSide;
      const double x = 1 - std::cos(u * M_PI / 2);
      const double t = 0.12 * (1.4845 * std::sqrt(x) - 0.63 * x - 1.758 * x * x + 1.4215 * x * x * x);
      lines.push_back(FormatValue(2 * x) + " " + FormatValue(side == 0 ? t : -t) + " " + FormatValue(z) +
                      " 0.00000 " + (side == 0 ? "1.00000" : "-1.00000") + " 0.00000");
    }
  return lines;
}

// The host's measured data as the simulated host writes it: two sides of
// 1,000 points per section.
std::vector<std::string> HostReport(const std::string& part) {
  std::vector<SimMeasuredSide> sides;
  for (int s = 1; s <= kSections; ++s) {
    const double z = 0.5 + 0.1 * s;
    for (int side = 0; side < 2; ++side) {
      SimMeasuredSide points;
      for (int n = 0; n < kPointsPerSide; ++n) {
        const double t = M_PI * (side + double(n) / (kPointsPerSide - 1));
        const double a = 1.0, b = 0.12;
        const double x = a * std::cos(t), y = b * std::sin(t);
        const double gi = x / (a * a), gj = y / (b * b), gl = std::hypot(gi, gj);
        points.push_back({x, y, z, gi / gl, gj / gl, 0.0, 0.0005 * std::sin(7 * t)});
      }
      sides.push_back(std::move(points));
    }
  }
  const std::vector<std::string> header = {"Quorvex blade measurement", "Host Quorvex 5.1", "Program Blade.prg",
                                           "Part " + part, "Date 12/07/2025 09:30:00", "Units INCH",
                                           "Sections " + std::to_string(kSections)};
  return SimRtfLines(SimBladeReportLines(header, sides, "POINTDATA", false));
}

struct FourZones : BenchHome {
  FourZones() : BenchHome(9), station(core), files(core), zones(core, station, files),
                cycle(core, station, zones, files, nullptr) {
    const std::string blades = JoinPath(home, "blades");
    std::vector<std::string> nominal = {"UNITS INCH", "NUM_SECT = " + std::to_string(kSections)};
    std::vector<std::string> tolerance = {"NUM_SECT = " + std::to_string(kSections)};
    std::string blade = "BLADE Blade.prg KT1.flv";
    for (int s = 1; s <= kSections; ++s) {
      for (auto& line : NominalSection(s)) nominal.push_back(std::move(line));
      tolerance.push_back("SECTION " + SectionName(s) + " I");
      tolerance.push_back("PROFILE 0.00300 -0.00300");
      blade += " " + SectionName(s);
    }
    for (int zone = 1; zone <= kZoneCount; ++zone) {
      const std::string part = PartName(zone), dir = JoinPath(blades, part);
      fs::create_directories(dir);
      WriteLines(JoinPath(dir, part + ".nom"), nominal);
      WriteLines(JoinPath(dir, part + ".tol"), tolerance);
      WriteLines(JoinPath(dir, part + ".op"), {"Operation Final Inspection", blade});
      WriteLines(JoinPath(dir, "KT1.flv"), {"CALCS = 6", "LETHCK", "TETHCK", "MAXTHK", "CHORD", "TWIST", "STACKX"});
      WriteLines(JoinPath(dir, "bladeOLD.rtf"), HostReport(part));
    }
    std::ofstream(JoinPath(home, "zarv.ini"), std::ios::binary) << kSettings;
    core.gBladesDir = blades;
    station.zones = &zones;
    if (!station.Start(home, {})) return;
    for (int zone = 1; zone <= kZoneCount; ++zone) {
      station.frmMain("comboBlade", zone).SetText(PartName(zone));
      zones.comboBlade_Click(zone);
    }
    cycle.measure.cmdGo_Click();  // the options window with every zone's choices
    FrmInspOpt& w = cycle.options.Window();
    for (int zone = 1; zone <= kZoneCount; ++zone) w("cmbSN", zone).SetText("SN " + std::to_string(1000 + zone));
    w("cmbStat", 1).SetText("Ann Lee");
  }

  // Every zone has its part, its 20 sections selected and the window is up.
  bool Ready() {
    if (!cycle.options.Exists() || !cycle.options.Window().Visible()) return false;
    for (int zone = 1; zone <= kZoneCount; ++zone) {
      const ZoneState& z = core.Zone(zone);
      int selected = 0;
      for (const auto& s : z.tolerance) selected += s.selected ? 1 : 0;
      if (z.gPn != PartName(zone) || selected != kSections || z.flavorName.empty()) return false;
    }
    return true;
  }

  // What one run leaves behind goes, so that names and the queue do not pile up.
  void ClearRun() {
    for (int zone = 1; zone <= kZoneCount; ++zone)
      for (const auto& e : fs::directory_iterator(JoinPath(JoinPath(home, "blades"), PartName(zone))))
        if (e.path().extension() == ".rpt") fs::remove(e.path());
    station.gToAnalyze.clear();
    cycle.run.reportedZones.clear();
    cycle.options.Window()("BAnTimer").SetEnabled(false);
    tp.shell.calls.clear();
    fs::remove(JoinPath(home, "debug.txt"));
  }

  // One zone's host report where the writer reads it, as TEST mode puts it there.
  void HostReportOfZone(int zone) {
    core.gzone = zone;
    fs::copy_file(JoinPath(JoinPath(JoinPath(home, "blades"), PartName(zone)), "bladeOLD.rtf"),
                  JoinPath(home, "blade.rtf"), fs::copy_options::overwrite_existing);
  }

  Station station;
  PartFiles files;
  Zones zones;
  Cycle cycle;
};

constexpr int64_t kPointsPerZone = int64_t{kSections} * 2 * kPointsPerSide;

void BM_CreateReportFourZones(benchmark::State& state) {
  FourZones st;
  if (!st.Ready()) return state.SkipWithError("the four zones were not set up");
  const std::int64_t virtualStart = st.tp.clock.ElapsedMs();
  for (auto _ : state) {
    state.PauseTiming();
    st.ClearRun();
    state.ResumeTiming();
    for (int zone = 1; zone <= kZoneCount; ++zone) {
      st.core.gzone = zone;
      if (!st.cycle.report.CreateReport()) return state.SkipWithError("a zone was not reported");
    }
    if (st.station.gToAnalyze.size() != kZoneCount) return state.SkipWithError("not every report was queued");
  }
  // The last run's zone 1 report holds all 20 sections of 2,000 points.
  const fs::path report = st.station.gToAnalyze.front().report;
  const std::string text = ReadAll(report.string()).value_or("");
  if (text.find("SECTION " + SectionName(kSections) + "  2000   1000   1000 \r\n") == std::string::npos)
    state.SkipWithError("the report does not hold every section");
  state.counters["points"] = double(kZoneCount * kPointsPerZone);
  state.counters["report_MB"] = double(fs::file_size(report)) / 1e6;
  // TEST mode's waits for the host: virtual time, no real time.
  state.counters["virtual_s_per_run"] =
      double(st.tp.clock.ElapsedMs() - virtualStart) / 1000.0 / double(state.iterations());
}
BENCHMARK(BM_CreateReportFourZones)->Unit(benchmark::kMillisecond);

void BM_ReadDataOneZone(benchmark::State& state) {
  FourZones st;
  if (!st.Ready()) return state.SkipWithError("the four zones were not set up");
  st.HostReportOfZone(1);
  MeasuredData reader(st.core, st.station.frmProgress);
  const std::string bladeRtf = st.core.HomeFile("blade.rtf");
  for (auto _ : state) {
    auto blocks = reader.readData(bladeRtf, 2 * kSections);
    if (!blocks || blocks->size() != 2 * kSections) return state.SkipWithError("the host report was not read");
    benchmark::DoNotOptimize(blocks);
  }
  state.counters["points"] = double(kPointsPerZone);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(bladeRtf)));
}
BENCHMARK(BM_ReadDataOneZone)->Unit(benchmark::kMillisecond);

// writeData reads the host report itself: writing alone is this less BM_ReadDataOneZone.
void BM_WriteDataOneZone(benchmark::State& state) {
  FourZones st;
  if (!st.Ready()) return state.SkipWithError("the four zones were not set up");
  st.HostReportOfZone(1);
  const std::string path = st.core.HomeFile("data.rpt");
  for (auto _ : state) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!st.cycle.report.writeData(out, true)) return state.SkipWithError("no measured data written");
    out.flush();
  }
  state.counters["points"] = double(kPointsPerZone);
  state.counters["written_MB"] = double(fs::file_size(path)) / 1e6;
}
BENCHMARK(BM_WriteDataOneZone)->Unit(benchmark::kMillisecond);

// The points of one zone formatted as writeData writes them, into memory and
// into a file: the writing share without the reading.
void BM_WritePointsOneZone(benchmark::State& state) {
  FourZones st;
  if (!st.Ready()) return state.SkipWithError("the four zones were not set up");
  st.HostReportOfZone(1);
  MeasuredData reader(st.core, st.station.frmProgress);
  const auto blocks = reader.readData(st.core.HomeFile("blade.rtf"), 2 * kSections);
  if (!blocks) return state.SkipWithError("the host report was not read");
  const bool toFile = state.range(0) == 1;
  const std::string path = st.core.HomeFile("points.rpt");
  for (auto _ : state) {
    std::ofstream file;
    std::ostringstream memory;
    if (toFile) file.open(path, std::ios::binary | std::ios::trunc);
    std::ostream& out = toFile ? static_cast<std::ostream&>(file) : memory;
    for (const ijk& block : *blocks)
      for (long p = 1; p <= block.Count(); ++p) WritePoint(out, block, p, "", false, 1.0);
    out.flush();
    benchmark::DoNotOptimize(memory);
  }
  state.counters["points"] = double(kPointsPerZone);
}
BENCHMARK(BM_WritePointsOneZone)->ArgName("file")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The report's header (tip radius, statistics) and inspection options of one zone.
void BM_ReportHeaderOneZone(benchmark::State& state) {
  FourZones st;
  if (!st.Ready()) return state.SkipWithError("the four zones were not set up");
  st.core.gzone = 1;
  for (auto _ : state) {
    std::ostringstream out;
    st.cycle.report.writeReportHeader(out);
    st.cycle.report.writeInspectionOptions(out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_ReportHeaderOneZone)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvane
