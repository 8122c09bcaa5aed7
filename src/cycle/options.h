#pragma once
// The inspection options window's logic: laying out the zone columns for the
// zones in the run, the section, blade, part-count, lot and serial handlers,
// and its Exit. The window is created the first time the Measure command
// needs it and stays loaded afterwards (its timer will monitor analyses).

#include <functional>
#include <memory>
#include <string>

#include "cycle/inspopt.h"
#include "cycle/selection.h"
#include "datafiles/partfiles.h"
#include "station/station.h"
#include "station/zones.h"

namespace zarvane {

class InspectionOptions {
 public:
  InspectionOptions(Core& core, Station& station, Zones& zones, PartFiles& files);
  ~InspectionOptions();

  // The window, created (and wired) on first use.
  FrmInspOpt& Window();
  bool Exists() const { return window_ != nullptr; }

  BladePicker blades;
  SectionPicker sections;

  void resetOpt();
  void ActivateZone2(int zone, bool show);
  void SetInspPos();
  // Shows the window modeless, sized to what it holds. While it is up, the
  // main window's zone panels are disabled, so nothing changes behind it.
  void ShowWindow();

  void Option1_Click(int zone);
  void Option2_Click(int zone);
  void Option3_Click(int zone);
  void optCust_Click(int zone);
  void cmdMBR_Click(int zone);
  void txtPcnt_Change(int zone);
  void txtLotSize_LostFocus();
  void cmbSN_KeyDown(int zone, int key);
  void cmdMeasure_Click();
  void cmdExit_Click();

  // The measurement run the Measure button starts; unset, the operator is
  // told that measuring is not part of this build.
  std::function<void()> onMeasure;
  // The BAnTimer's tick (the analysis monitor).
  std::function<void()> onAnalysisTimer;
  // Whether a measurement run is in progress (Exit and a new Measure wait for it).
  std::function<bool()> runInProgress;
  // Tells the operator to wait when a run is in progress; true then.
  bool RefusedWhileRunning();

  // What the cycle's other steps read from the window.
  bool PlatformTicked(int zone);
  std::string SerialNumber(int zone);
  // The window's half of disabling a zone: its column goes, the rest stays.
  void DisZone(int zone);

  // A setting that switches something off: "0" (OFF) or another number equal to 0.
  bool SettingOff(const std::string& key);

 private:
  void Wire(FrmInspOpt& w);
  // Deletes the files of `dir` and then the directory itself (when empty).
  void ClearDirectory(const std::string& dir, bool removeDirectory);
  // The local directory the clean-up settings may delete in: `inUse` when it
  // is local, else its local copy; never a network directory.
  std::string CleanableDirectory(const std::string& inUse, const std::string& localCopy);

  Core& c;
  Station& station_;
  Zones& zones_;
  PartFiles& files_;
  std::unique_ptr<FrmInspOpt> window_;
};

}  // namespace zarvane
