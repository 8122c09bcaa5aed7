#pragma once
// The zone panels of the main window: the part, fixture and operation lists of
// each zone, what happens when the operator chooses in them, the per-zone
// selection the measurement uses, and the list utilities of the statistics
// and key-label boxes.

#include <functional>
#include <string>

#include "datafiles/partfiles.h"
#include "station/station.h"

namespace zarvane {

class Zones : public ZonePanels {
 public:
  Zones(Core& core, Station& station, PartFiles& files);

  // ZonePanels.
  void PopulateBlades() override;
  void PopulateFixtureListBox() override;
  void loadStat(Control& label, Control& box, const std::string& definition) override;

  // Operator choices in zone n.
  void comboBlade_Click(int n);
  void cmbFixture_Change(int n);
  void cmbOp_GotFocus(int n);
  void cmbOp_Click(int n);
  void cmbOp_Change(int n);

  void FillOperations(int n);
  void ActivateFrame(int n, bool enabled);
  void DisZone(int n);
  // The options window's half of DisZone (its zone column and options).
  std::function<void(int zone)> onDisZone;

  void PopList(Control& box, const std::string& file);
  bool ValidateCombo(Control& box);
  void SetObjectVisible(Control& control, bool visible);

  // Copy settings to all zones, and the two pop-up menus of the main window.
  // The source is the zone the operator last worked in: a right-click on its
  // frame, or focus or a choice in one of its lists. Until there is one the
  // menu command is disabled.
  void mnuCopyZones_Click();
  void framZone_MouseUp(int n, int button);
  void frmMain_MouseUp(int button);
  int CopySourceZone() const { return copySource_; }

 private:
  void Wire();
  void FixtureAlignment(int n, const std::string& name);
  void OperationChosen(int n);
  // Empties the zone's operation list and forgets its part and operation.
  void ForgetPart(int n);
  // Makes zone n the source of Copy settings to all zones.
  void WorkedIn(int n);
  // Enables Copy settings to all zones and says in its tooltip which zone it copies, or why not.
  void ShowCopySource();

  Core& c;
  Station& station_;
  PartFiles& files_;
  FrmMain& main_;
  int copySource_ = 0;  // the zone the operator last worked in, 0 for none yet
};

// Window helpers of the station's dialogs.
void center(Form& form, int screenWidth, int screenHeight);
int BottomOf(const Control& control);
int RightOf(const Control& control);
// Fits the form to its right-most (lowest) visible control plus a margin.
void SetWidth(Form& form, int margin);
void SetBottom(Form& form, int margin);
// Releases an object reference, logging whether there was one.
template <typename Pointer>
void RelObj(Core& c, Pointer& object, const std::string& name) {
  if (object) {
    object = nullptr;
    c.WriteLog("RelObj: " + name + " set to nothing", 10);
  } else {
    c.WriteLog("RelObj: " + name + " was already nothing", 10);
  }
}

}  // namespace zarvane
