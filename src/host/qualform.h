#pragma once
// The qualification dialog (frmSelect, "Qualification Options"): the probe and
// the artifact to qualify it on, whether the sphere has moved, Measure and
// Cancel. Enter measures, Escape and the close box cancel; a cancelled dialog
// leaves both choices empty, which the caller reads as a cancel.

#include <functional>
#include <string>

#include "foundation/core.h"
#include "foundation/forms.h"

namespace zarvane {

class FrmSelect : public Form {
 public:
  FrmSelect(Forms& forms, Core& core);
  void Form_Paint() override;

  // Back to the state of a new dialog.
  void Reset();
  void cmdOK_Click();
  void cmdCancel_Click();
  // Titles the dialog "Qualify: <probe path><probe name>" for the chosen probe.
  void cmbProbe_Click();

  // Where the chosen probe is: set by the qualification as it fills the list.
  std::function<std::string(const std::string& probe)> probePath;

 private:
  Core& core_;
};

}  // namespace zarvane
