#pragma once
// The main window's status line around the host part programs the operator
// starts (a fixture alignment, "Run Quorvex Program..."): what runs now, and
// how it ended. The texts are made of translated pieces, so every language of
// the table reads them.

#include <string>

#include "foundation/core.h"

namespace zarvane {

class HostLink;

enum class RunStatus { Running, Finished, Cancelled, Failed, NotRun, NotFound };

// The status text for `program` (a path; the line names its file) in zone 1 to
// 4, or in no zone (0): "Zone 2: Running FIX1.prg...", "Zone 2: FIX1.prg
// finished.", "... cancelled.", "... failed; see the log.", "Zone 2: TEST mode,
// FIX1.prg not run.", "... FIX1.prg not found.".
std::string RunStatusText(Core& c, int zone, const std::string& program, RunStatus status);

// How a run that returned `ran` ended: failed, or finished unless the host
// reported it cancelled.
RunStatus RunOutcome(bool ran, const HostLink* host);

}  // namespace zarvane
