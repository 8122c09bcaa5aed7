#include "station/statusline.h"

#include "foundation/paths.h"
#include "station/station.h"

namespace zarvane {

std::string RunStatusText(Core& c, int zone, const std::string& program, RunStatus status) {
  // The zone frames' own captions ("Zone 2") name the zone.
  const std::string zoneText = zone >= 1 && zone <= kZones ? c.Translate("Zone " + std::to_string(zone)) + ": " : "";
  const std::string file = FileNameFromPath(program);
  switch (status) {
    case RunStatus::Running: return zoneText + c.Translate("Running") + " " + file + "...";
    case RunStatus::Finished: return zoneText + file + " " + c.Translate("finished") + ".";
    case RunStatus::Cancelled: return zoneText + file + " " + c.Translate("cancelled") + ".";
    case RunStatus::Failed: return zoneText + file + " " + c.Translate("failed; see the log") + ".";
    case RunStatus::NotRun: return zoneText + c.Translate("TEST mode") + ", " + file + " " + c.Translate("not run") + ".";
    case RunStatus::NotFound: return zoneText + file + " " + c.Translate("not found") + ".";
  }
  return {};
}

RunStatus RunOutcome(bool ran, const HostLink* host) {
  if (!ran) return RunStatus::Failed;
  return host && host->LastRunCancelled() ? RunStatus::Cancelled : RunStatus::Finished;
}

}  // namespace zarvane
