#include "foundation/progress.h"

#include <algorithm>

namespace zarvane {

FrmProgress::FrmProgress(Forms& forms, Core& core) : Form(forms, "frmProgress"), core_(core) {
  Resize(5400, 1500);
  Add(ControlType::Label, "Label1").Move(240, 180, 4920, 300);
  Add(ControlType::ProgressBar, "ProgressBar1").Move(240, 660, 4920, 360);
}

void FrmProgress::SetProgress(const std::string& caption, const std::string& label, int value) {
  SetCaption(caption);
  (*this)("Label1").SetCaption(label);
  (*this)("ProgressBar1").SetValue(std::clamp(value, 0, 100));
  if (!Visible()) Show(false);
  Notify();
}

void FrmProgress::SetValue(int value) {
  value = std::clamp(value, 0, 100);
  Control& bar = (*this)("ProgressBar1");
  if (bar.Value() == value) return;  // redraw only when the bar moves
  bar.SetValue(value);
  Notify();
}

void FrmProgress::Close() {
  Hide();
  Notify();
}

void FrmProgress::Notify() {
  core_.op.Progress(Caption(), (*this)("Label1").Caption(), (*this)("ProgressBar1").Value(), Visible());
  Refresh();
}

}  // namespace zarvane
