#pragma once
// One zone's measurement and its report: CreateReport runs the zone's host
// part programs, collects the host's outputs, writes the report file (header,
// inspection options, measured data) and hands it to the analysis program.

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

#include "cycle/features.h"
#include "cycle/options.h"
#include "cycle/stats.h"
#include "datafiles/partfiles.h"
#include "host/connection.h"

namespace zarvane {

class ReportWriter {
 public:
  ReportWriter(Core& core, Station& station, HostConnection* host, PartFiles& files, InspectionOptions& options,
               Statistics& stats, RunState& run);

  // The report display (shows or prints a report as its settings say) and
  // whether its window is up; unset, reports are neither shown nor waited for.
  std::function<void(const std::string& type, const std::string& file, const std::string& mode, int zone)>
      PrintShow;
  std::function<bool()> ReportWindowVisible;

  // Measures and reports the current zone for the current blade. False when
  // the measurement did not complete (nothing was queued for analysis).
  bool CreateReport();
  // Starts the analysis program on the queued report `id` and marks it
  // started; the monitor's timer runs from then on. Also for a report resumed
  // from the queue's journal whose analysis had not been started.
  void StartAnalysis(std::uint64_t id, const std::string& report);

  void writeReportHeader(std::ostream& out);
  void writeInspectionOptions(std::ostream& out);
  // False when no measured section was read (nothing useful written).
  bool writeData(std::ostream& out, bool trim);

  // Where reports go: <blades in use>/<part>.
  std::string ReportDirectory() const;
  // The report path GetOutName gives, made unique: "_2", "_3", ... before
  // ".rpt" when the file exists or is already queued for analysis.
  std::string UniqueReportName(const std::string& path) const;
  // The tip radius for the RADIUS line, in the nominal file's units.
  double TipRadius(const std::string& nominalPath);

 private:
  bool RunPrograms();
  bool ReportDirectoryWritable(const std::string& dir);
  void CopyFromNetwork();
  void WaitForWindow(const std::string& title);
  // False (the operator told) when it could not be written.
  bool WriteHeaderFile();
  std::string NominalPath() const;
  std::string TolerancePath() const;
  std::string HostVersion() const;

  Core& c;
  Station& station_;
  HostConnection* host_;
  PartFiles& files_;
  InspectionOptions& options_;
  Statistics& stats_;
  RunState& run_;
  std::vector<Feature> features_;
};

}  // namespace zarvane
