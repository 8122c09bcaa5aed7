#pragma once
// The Measure command of the main window: resolves every zone with a part
// number, reads the zones' flavors, builds the table of features offered and
// fills the inspection options window with each zone's defaults, then shows it
// (or presses its Measure button when options are not to be shown).

#include <string>
#include <vector>

#include "cycle/features.h"
#include "cycle/options.h"

namespace zarvane {

class MeasureCommand {
 public:
  MeasureCommand(Core& core, Station& station, Zones& zones, PartFiles& files, InspectionOptions& options);

  void cmdGo_Click();

  // The features of the last command, in table order.
  const std::vector<Feature>& FeatureTable() const { return features_; }

  // The caption a flavor file gives a feature on a line that starts with the
  // feature key and `labelWord` (LABEL1, LABEL2): the line's other words
  // joined by blanks; empty when no line does.
  std::string LabelOverride(const std::string& flavorFile, const std::string& key, const std::string& labelWord);

 private:
  // Every way the command ends early gives the operator the zone panels back.
  void EnableAllZones();
  void ZoneReport(const std::string& prefix, int level);
  void ClearZoneState();
  void ReadBlades(int zone);
  void FlavorPass();
  int FeatureRows(FrmInspOpt& w);
  void CheckBoxes(FrmInspOpt& w, int maxCalcs);
  void PrintPlotSave(FrmInspOpt& w);
  void LotOrStatistics(FrmInspOpt& w, int maxCalcs);
  // The hand-over; false when single-zone validation refused the entries.
  bool HandOver(FrmInspOpt& w);

  Core& c;
  Station& station_;
  Zones& zones_;
  PartFiles& files_;
  InspectionOptions& options_;
  std::vector<Feature> features_;
};

}  // namespace zarvane
