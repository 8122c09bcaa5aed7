#pragma once
// The options window's Measure: the operator's entries are checked, then every
// zone in the run is measured (its blade text file, then one report per blade
// of a multi-bladed rotor), each zone's part counter advances, and an "XSTAT"
// serial repeats the whole run.

#include "cycle/report.h"
#include "datafiles/bladetxt.h"

namespace zarvane {

class MeasurementRun {
 public:
  MeasurementRun(Core& core, Station& station, Zones& zones, InspectionOptions& options, ReportWriter& report,
                 BladeText& bladeText, HostConnection* host, RunState& run);

  void cmdMeasure_Click();
  // A run is in progress (a second one, and the options window's Exit, wait).
  bool Running() const { return running_; }

 private:
  // The checks before anything is measured; false ends the run (the operator
  // has been told). Finds the zone with an XSTAT serial and its repeat limit.
  bool Checks(int& xstatZone, int& xstatLimit);
  // Measures every zone once; false when the run ended early.
  bool MeasureZones();
  bool MeasureZone(int zone);
  bool Halted() const { return host_ && host_->cancelFlag; }

  Core& c;
  Station& station_;
  Zones& zones_;
  InspectionOptions& options_;
  ReportWriter& report_;
  BladeText& bladeText_;
  HostConnection* host_;
  RunState& run_;
  bool running_ = false;
};

}  // namespace zarvane
