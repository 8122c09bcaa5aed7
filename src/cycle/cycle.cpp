#include "cycle/cycle.h"

namespace zarvane {

Cycle::Cycle(Core& core, Station& station, Zones& zones, PartFiles& files, HostConnection* host)
    : options(core, station, zones, files),
      measure(core, station, zones, files, options),
      geometry(core),
      bladeText(core, files, geometry),
      display(core),
      stats(core, options, files, run),
      report(core, station, host, files, options, stats, run),
      runner(core, station, zones, options, report, bladeText, host, run),
      monitor(core, station, options),
      reanalysis(core, station),
      queueWindow(core, station),
      station_(station) {
  station.frmMain("cmdGo").onClick = [this] { measure.cmdGo_Click(); };
  station.EnableCommand("cmdGo");
  station.frmMain("mnuReprint").onClick = [this] { display.mnuReprint_Click(); };
  station.EnableCommand("mnuReprint");
  station.frmMain("mnuBladeStart").onClick = [this] { reanalysis.mnuBladeStart_Click(); };
  station.EnableCommand("mnuBladeStart");
  station.frmMain("mnuReanalyze").onClick = [this] { reanalysis.mnuReanalyze_Click(); };
  station.EnableCommand("mnuReanalyze");
  station.frmMain("mnuQueue").onClick = [this] { queueWindow.mnuQueue_Click(); };
  station.EnableCommand("mnuQueue");
  // The section picker follows its zone's flags whenever they are set again.
  files.SectionUpdate = [this, &core] { options.sections.SectionUpdate(core.gzone); };
  zones.onDisZone = [this](int zone) { options.DisZone(zone); };
  bladeText.PlatformTicked = [this](int zone) { return options.PlatformTicked(zone); };
  options.onMeasure = [this] { runner.cmdMeasure_Click(); };
  // One run at a time: nothing changes the window or the zones while it measures.
  options.runInProgress = [this] { return runner.Running(); };
  station.measuring = [this] { return runner.Running(); };
  // The run's reports go through the report display; the zone's Print OFF holds.
  report.PrintShow = [this](const std::string& type, const std::string& file, const std::string& mode, int zone) {
    display.PrintShow(type, file, mode, zone);
  };
  report.ReportWindowVisible = [this] { return display.form.Visible(); };
  monitor.PrintShow = report.PrintShow;
  monitor.runInProgress = [this] { return runner.Running(); };
  options.onAnalysisTimer = [this] { monitor.BAnTimer_Timer(); };
  station.analysing = [this] { return monitor.Ticking(); };
  station.onQueueChanged = [this] {
    monitor.ShowQueue();
    queueWindow.Refresh();
  };
  // Reports resumed from the queue's journal are watched as if just measured.
  // Its timer runs on the options window, loaded (not shown) for it.
  // What a station that died had not yet started is started now.
  station.onQueueResumed = [this] {
    Form& window = options.Window();
    if (!window.Loaded()) window.Load();
    window("BAnTimer").SetEnabled(true);
    std::vector<std::pair<std::uint64_t, std::string>> unstarted;
    for (const QueuedReport& entry : station_.gToAnalyze)
      if (!entry.analysisStarted) unstarted.emplace_back(entry.id, entry.report);
    for (const auto& [id, name] : unstarted) report.StartAnalysis(id, name);
  };
  display.printOff = [this](int zone) {
    return options.Exists() && zone >= 1 && zone <= kZones && options.Window()("optPrintOff", zone).Value() == 1;
  };
}

Cycle::~Cycle() {
  station_.measuring = nullptr;
  station_.analysing = nullptr;
  station_.onQueueChanged = nullptr;
  station_.onQueueResumed = nullptr;
}

bool Cycle::CloseRequested(Form& form) {
  if (options.Exists() && &form == &options.Window()) options.cmdExit_Click();
  else if (&form == &options.sections.form) options.sections.cmdCancel_Click();
  else if (&form == &options.blades.form) options.blades.cmdCancel_Click();
  else if (&form == &display.form) display.cmdClose_Click();
  else return true;
  return false;
}

}  // namespace zarvane
