#pragma once
// The analysis monitor: the inspection options window's BAnTimer polls for the
// analysis program's verdict on each report waiting in the station's queue
// and collects the results of every finished one (CSV copy home, CMM report,
// combined report, external programs, the after-analysis host program,
// clean-up), then takes it off the queue.

#include <functional>
#include <optional>
#include <string>

#include "cycle/options.h"
#include "station/station.h"

namespace zarvane {

// A file beside the analysis program: a final ".exe" (any case) becomes
// `extension`; a path without one gets it appended.
std::string AnalysisSibling(const std::string& program, const std::string& extension);
// The analysis program's log (".log") beside it.
inline std::string AnalysisLogPath(const std::string& program) { return AnalysisSibling(program, ".log"); }

// The verdict the analysis log holds for `report`: the value of the last line
// whose key (the text before its last "=", blanks trimmed) is exactly the
// report path; empty when there is none or the log cannot be read. Only the
// lines from byte `from` on count (the whole log when it is shorter now).
std::string AnalysisVerdict(const std::string& logFile, const std::string& report, std::uintmax_t from = 0,
                            const std::string& identity = "");
// Which file the analysis log is: its device, inode and birth time, "" when it
// does not exist. A log deleted and made again is another file, even when it
// has grown back to the length the station measured: given the identity the
// log had at `from`, AnalysisVerdict then reads the new log whole.
std::string AnalysisLogIdentity(const std::string& logFile);

class AnalysisMonitor {
 public:
  AnalysisMonitor(Core& core, Station& station, InspectionOptions& options);

  // Shows or prints a report as its settings say (the report display).
  std::function<void(const std::string& type, const std::string& file, const std::string& mode, int zone)>
      PrintShow;
  // Whether a measurement run is in progress: the tick waits for its end.
  std::function<bool()> runInProgress;

  void BAnTimer_Timer();
  bool Ticking() const { return ticking_; }

  // The main window's status detail: how many reports wait and for how long.
  void ShowQueue();
  std::string QueueText();

  // The longest CMB_Wait in milliseconds (a 16-bit count).
  static constexpr int kMaxCmbWaitMs = 32767;

 private:
  // One position of the tick: false ends the tick.
  bool LookAt(const QueuedReport& entry);
  void Process(const QueuedReport& entry);
  void CopyCsvHome(const std::string& csv);
  void SaveCmm(const QueuedReport& entry, const std::string& cmm);
  void Combine(const QueuedReport& entry, const std::string& cmm);
  void AfterAnalysisProgram(const QueuedReport& entry);
  void CleanUp(const QueuedReport& entry);
  // True while the network blades directory is a network drive that is gone.
  bool NetworkLost();
  void Wait(int ms);
  // Whether the operator confirmed an Exit meanwhile: the tick stops waiting.
  bool Leaving();
  void WaitWhileWindow(const std::string& title, int firstWaitMs);
  bool Setting(const std::string& key, int value);

  Core& c;
  Station& station_;
  InspectionOptions& options_;
  bool ticking_ = false;
  bool networkTold_ = false;  // the operator has heard of this network outage
};

}  // namespace zarvane
