#pragma once
// Direct use of the analysis program from the main window: "Blade" starts it
// for its own interactive work, "Reanalyze a Blade" hands it a measured
// report again, optionally with another flavor file. Neither queues anything
// for the analysis monitor: the station does not collect those results.

#include <string>

#include "station/station.h"

namespace zarvane {

class Reanalysis {
 public:
  Reanalysis(Core& core, Station& station);

  void mnuBladeStart_Click();
  void mnuReanalyze_Click();

  // The report to analyse with `flavor` instead of the one it names: a copy
  // "<report>_<flavor name>.rpt" whose FLAVOR line names `flavor`, written
  // whole or not at all. Empty when the copy could not be made (the operator
  // has been told).
  std::string FlavorCopy(const std::string& report, const std::string& flavor);

 private:
  void ToldNotStarted(const std::string& program);
  // Tells the operator that the name cannot be used; false.
  bool Refused(const std::string& englishKind, const std::string& name);
  bool IsFlavorLine(const std::string& line) const;

  Core& c;
  Station& station_;
};

}  // namespace zarvane
