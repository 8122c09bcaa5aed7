#pragma once
// The measurement cycle as the station holds it: the Measure command, the
// inspection options window with its selection dialogs, plugged into the main
// window, the zone panels and the part files; the blade text writer, the
// report writer, the measurement run and the report display.

#include "cycle/display.h"
#include "cycle/measure.h"
#include "cycle/monitor.h"
#include "cycle/options.h"
#include "cycle/queuewindow.h"
#include "cycle/reanalysis.h"
#include "cycle/report.h"
#include "cycle/run.h"
#include "cycle/stats.h"
#include "datafiles/bladetxt.h"
#include "geometry/section.h"

namespace zarvane {

class Cycle {
 public:
  // `host` is the host connection the run measures through (none in tests of
  // the windows alone).
  Cycle(Core& core, Station& station, Zones& zones, PartFiles& files, HostConnection* host = nullptr);
  ~Cycle();

  // The window's close button does what its Exit or Cancel button does; true
  // when the form is none of the cycle's windows (the caller closes it).
  bool CloseRequested(Form& form);

  InspectionOptions options;
  MeasureCommand measure;
  // The blade text writer the run uses; its platform check is the PLATFORM
  // feature box of the zone.
  SectionGeometry geometry;
  BladeText bladeText;
  // Report display and printing, and the main window's Reprint command.
  ReportDisplay display;
  // The measurement run behind the options window's Measure.
  RunState run;
  Statistics stats;
  ReportWriter report;
  MeasurementRun runner;
  // Collects the analysis results of the reports the runs queued.
  AnalysisMonitor monitor;
  // The main window's "Blade" and "Reanalyze a Blade".
  Reanalysis reanalysis;
  AnalysisQueueWindow queueWindow;

 private:
  Station& station_;
};

}  // namespace zarvane
