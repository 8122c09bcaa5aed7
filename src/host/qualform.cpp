#include "host/qualform.h"

namespace zarvane {

namespace {
// A form layout in twips: labels in a column, the boxes beside them.
constexpr int kMargin = 240, kLabelWidth = 1500, kBoxLeft = kMargin + kLabelWidth + 120, kBoxWidth = 3600;
constexpr int kRow = 600, kRowHeight = 480;
constexpr int kButtonWidth = 1500, kButtonHeight = 600;
}  // namespace

FrmSelect::FrmSelect(Forms& forms, Core& core) : Form(forms, "frmSelect"), core_(core) {
  SetCaption("Qualification Options");
  int top = kMargin;
  for (const auto& [label, box, caption] : {std::tuple{"lblProbe", "cmbProbe", "Probe"},
                                            std::tuple{"lblArtifact", "cmbArtifact", "Artifact"}}) {
    Control& l = Add(ControlType::Label, label);
    l.SetCaption(caption);
    l.Move(kMargin, top + 120, kLabelWidth, kRowHeight - 120);  // centred on its box
    Add(ControlType::ComboBox, box).Move(kBoxLeft, top, kBoxWidth, kRowHeight);
    top += kRow + 120;
  }
  const int frameWidth = kBoxLeft + kBoxWidth - kMargin;
  Control& frame = Add(ControlType::Frame, "frmMoved");
  frame.SetCaption("Has the qualification sphere moved?");
  frame.SetToolTip(
      "Select whether the qualification sphere has been moved on the machine since the last time it was measured.");
  frame.Move(kMargin, top, frameWidth, 1080);
  for (const auto& [option, label, caption, left] :
       {std::tuple{"optYes", "lblYes", "Yes", 240}, std::tuple{"optNo", "lblNo", "No", 1800}}) {
    Control& o = Add(ControlType::OptionButton, option);
    o.SetContainer("frmMoved");
    o.Move(left, 420, 360, 420);
    Control& l = Add(ControlType::Label, label);
    l.SetContainer("frmMoved");
    l.SetCaption(caption);
    l.Move(left + 420, 510, 1000, 330);
  }
  (*this)("optYes").SetValue(1);
  top += 1080 + 240;
  Control& ok = Add(ControlType::CommandButton, "cmdOK");
  ok.SetCaption("Measure");
  ok.SetToolTip("Start Qualification");
  ok.SetDefault(true);
  ok.Move(kBoxLeft + kBoxWidth - 2 * kButtonWidth - 120, top, kButtonWidth, kButtonHeight);
  Control& cancel = Add(ControlType::CommandButton, "cmdCancel");
  cancel.SetCaption("Cancel");
  cancel.SetToolTip("Cancel Qualification");
  cancel.Move(kBoxLeft + kBoxWidth - kButtonWidth, top, kButtonWidth, kButtonHeight);
  Resize(kBoxLeft + kBoxWidth + kMargin, top + kButtonHeight + kMargin);

  ok.onClick = [this] { cmdOK_Click(); };
  cancel.onClick = [this] { cmdCancel_Click(); };
  (*this)("cmbProbe").onClick = [this] { cmbProbe_Click(); };
  // Enter measures and Escape cancels, wherever the focus is (but on a button);
  // every other key goes to the control that has the focus.
  previewKeys = {13, 27};
  onKeyDown = [this](int key) {
    if (key == 13) cmdOK_Click();
    else if (key == 27) cmdCancel_Click();
  };
}

void FrmSelect::Reset() {
  // Nothing of an earlier qualification carries over: the sphere question
  // starts at Yes, every choice is open.
  for (const char* name : {"cmbProbe", "lblProbe", "cmbArtifact", "lblArtifact", "frmMoved", "optYes", "optNo",
                           "lblYes", "lblNo"})
    (*this)(name).SetEnabled(true);
  (*this)("cmbProbe").SetToolTip("");
  (*this)("cmbArtifact").SetToolTip("");
  (*this)("optYes").SetValue(1);
}

void FrmSelect::Form_Paint() { core_.TranslateCaptions(*this, "frmSelect: Repaint: "); }

void FrmSelect::cmdOK_Click() { Hide(); }

void FrmSelect::cmdCancel_Click() {
  (*this)("cmbProbe").SetText("");
  (*this)("cmbArtifact").SetText("");
  Hide();
}

void FrmSelect::cmbProbe_Click() {
  const std::string probe = (*this)("cmbProbe").Text();
  SetCaption(core_.Translate("Qualify:") + " " + (probePath ? probePath(probe) : "") + probe);
}

}  // namespace zarvane
