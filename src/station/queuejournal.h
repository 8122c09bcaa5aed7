#pragma once
// The reports waiting for their analysis, and the journal that keeps them
// across an unclean end of the station (a crash, a kill, a power loss): a
// small text file in the home directory, rewritten whole on every change.
//
//   Zarvane analysis queue
//   <queued, seconds since 1970>\t<zone>\t<log offset>\t<report>\t<flavor file>\t<log identity>\t<started>
//
// One line per report, oldest first; <started> is 1 once the analysis program
// was started on the report, 0 before (a line without the last two fields is
// a started one). The report must be a full path ending ".rpt"; a report
// listed twice is taken once. In the texts "\", tab, CR and LF are
// written as "\\", "\t", "\r" and "\n".

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace zarvane {

// One report the analysis program was started on.
struct QueuedReport {
  std::string report;      // full path, ending ".rpt"
  int zone = 0;            // 1 to 4
  std::string flavorFile;  // the flavor file the zone was measured with
  std::chrono::system_clock::time_point queued;
  std::uint64_t id = 0;    // tells entries apart when they move in the queue
  // The analysis log's size before the analysis program was started: a
  // verdict for this report is looked for after it (an older analysis of a
  // report by the same name must not answer for this one).
  std::uintmax_t logOffset = 0;
  // Which file the log was then (AnalysisLogIdentity): a log deleted and made
  // again since is read whole.
  std::string logIdentity;
  // Whether the analysis program has been started on the report: one queued
  // by a station that died before starting it is started at the next start.
  bool analysisStarted = false;
};

std::string QueueJournalText(const std::vector<QueuedReport>& queue);

// The entries of a journal's text (ids left 0). Lines that cannot be read are
// skipped and counted in `unreadable`, so one damaged line loses no other entry.
std::vector<QueuedReport> ParseQueueJournal(const std::string& text, int* unreadable = nullptr);

}  // namespace zarvane
