#include "cycle/cycle.h"

namespace zarvane {

Cycle::Cycle(Core& core, Station& station, Zones& zones, PartFiles& files)
    : options(core, station, zones, files),
      measure(core, station, zones, files, options),
      geometry(core),
      bladeText(core, files, geometry),
      display(core) {
  station.frmMain("cmdGo").onClick = [this] { measure.cmdGo_Click(); };
  station.EnableCommand("cmdGo");
  station.frmMain("mnuReprint").onClick = [this] { display.mnuReprint_Click(); };
  station.EnableCommand("mnuReprint");
  // The section picker follows its zone's flags whenever they are set again.
  files.SectionUpdate = [this, &core] { options.sections.SectionUpdate(core.gzone); };
  zones.onDisZone = [this](int zone) { options.DisZone(zone); };
  bladeText.PlatformTicked = [this](int zone) { return options.PlatformTicked(zone); };
}

bool Cycle::CloseRequested(Form& form) {
  if (options.Exists() && &form == &options.Window()) options.cmdExit_Click();
  else if (&form == &options.sections.form) options.sections.cmdCancel_Click();
  else if (&form == &options.blades.form) options.blades.cmdCancel_Click();
  else return true;
  return false;
}

}  // namespace zarvane
