#include "cycle/inspopt.h"

#include <algorithm>
#include <string>

#include "cycle/features.h"

namespace zarvane {
namespace {

std::string ZoneText(int zone) { return std::to_string(zone); }

}  // namespace

FrmInspOpt::FrmInspOpt(Forms& forms, Core& core) : Form(forms, "frmInspOpt"), core_(core) {
  SetCaption("Inspection Options");
  auto add = [this](ControlType type, const std::string& name, int index, const std::string& container,
                    const std::string& caption = "", const std::string& tip = "") -> Control& {
    Control& c = Add(type, name, index);
    if (!container.empty()) c.SetContainer(container);
    if (!caption.empty()) c.SetCaption(caption);
    if (!tip.empty()) c.SetToolTip(tip);
    return c;
  };

  // The feature grid: names in the header frame, a column of boxes per zone.
  add(ControlType::Frame, "framFeatSel", 0, "", "Feature Selection");
  for (int n = 1; n <= kFeatureRows; ++n) add(ControlType::Label, "lbl", n, "framFeatSel(0)").SetVisible(false);
  for (int z = 1; z <= kZones; ++z) {
    add(ControlType::Label, "lblz", z, "", "Zone " + ZoneText(z));
    // Each zone's column of feature boxes is titled by its zone.
    add(ControlType::Frame, "framFeatSel", z, "framFeatSel(0)", "Zone " + ZoneText(z));
    for (int n = 1; n <= kFeatureRows; ++n)
      add(ControlType::CheckBox, "chkFeat" + std::to_string(n), z, "framFeatSel(" + ZoneText(z) + ")");
  }

  // The groups: a header frame (element 0) holding the zones' plain containers.
  add(ControlType::Frame, "framRpt", 0, "", "Report Options");
  add(ControlType::Frame, "framSec", 0, "", "Section Selection");
  for (int z = 1; z <= kZones; ++z) {
    const std::string rpt = "framRpt(" + ZoneText(z) + ")", sec = "framSec(" + ZoneText(z) + ")";
    add(ControlType::Frame, "framRpt", z, "framRpt(0)", "Report Options").SetBorderStyle(0);
    add(ControlType::OptionButton, "optPrintOn", z, rpt, "Print ON", "Auto printing on");
    add(ControlType::OptionButton, "optPrintOOT", z, rpt, "Print OOT", "Print only when blade is Out Of Tolerance");
    add(ControlType::OptionButton, "optPrintOff", z, rpt, "Print OFF", "Auto printing off");
    add(ControlType::CheckBox, "chkPlot", z, rpt, "Auto Plot", "Plot sections according to print setting (OOT/ON)");
    add(ControlType::CheckBox, "chkSaveDP", z, rpt, "Save to Database", "Automatically save results to Tallyx");
    add(ControlType::Frame, "framSec", z, "framSec(0)", "Section Selection").SetBorderStyle(0);
    add(ControlType::OptionButton, "Option1", z, sec, "Default");
    add(ControlType::OptionButton, "Option2", z, sec, "All Sections");
    add(ControlType::OptionButton, "Option3", z, sec, "Base and Tip");
    add(ControlType::OptionButton, "optCust", z, sec, "Custom Sections");
  }
  add(ControlType::Frame, "framMBR", -1, "", "Multi-Bladed Rotor");
  add(ControlType::Frame, "framPcnt", -1, "", "Automatic Part Counter");
  add(ControlType::Frame, "framSettings", -1, "", "Settings");
  add(ControlType::Frame, "framKey", -1, "", "Serial Number");
  for (int z = 1; z <= kZones; ++z) {
    add(ControlType::CommandButton, "cmdMBR", z, "framMBR", "MBR" + ZoneText(z));
    add(ControlType::TextBox, "txtPcnt", z, "framPcnt").SetText("1");
    add(ControlType::Label, "LblSetZ", z, "framSettings", "Zone " + ZoneText(z) + " Inspection Options");
    add(ControlType::Label, "lblSet", z, "framSettings");
    add(ControlType::ComboBox, "cmbSN", z, "framKey", "", "Enter Tracking Info");
  }

  add(ControlType::Frame, "framStat", -1, "", "Statistics").SetVisible(false);
  for (int n = 1; n <= 8; ++n) {
    add(ControlType::Label, "lblStat", n, "framStat", "STAT" + std::to_string(n));
    add(ControlType::ComboBox, "cmbStat", n, "framStat");
  }
  add(ControlType::Frame, "framLot", -1, "", "Lotplot").SetVisible(false);
  add(ControlType::Label, "lblLotNo", -1, "framLot", "Lot #");
  add(ControlType::TextBox, "txtLotNo", -1, "framLot");
  add(ControlType::Label, "lblLotSize", -1, "framLot", "Lot Size");
  add(ControlType::TextBox, "txtLotSize", -1, "framLot").SetText("000");
  add(ControlType::TextBox, "txtLot1", -1, "framLot").SetText("001");
  add(ControlType::Label, "lblOf", -1, "framLot", "of").SetAlignment(2);
  add(ControlType::TextBox, "txtLot2", -1, "framLot").SetText("001");
  add(ControlType::CheckBox, "chkLotPlot", -1, "framLot", "Enable Lotplot ( Zone 1 only )");

  add(ControlType::CommandButton, "cmdMeasure", -1, "", "Measure", "Start Measurement Process");
  add(ControlType::CommandButton, "cmdExit", -1, "", "Exit", "Cancel Option Selection");
  Control& timer = add(ControlType::Timer, "BAnTimer", -1, "");
  timer.SetInterval(3000);
  timer.SetEnabled(false);
  Arrange();
}

void FrmInspOpt::Form_Load() {
  core_.WriteLog("frmInspOpt Load: Start:", 9);
  // The window is centred on the station's main window when it is first shown.
}

void FrmInspOpt::Form_Paint() { core_.TranslateCaptions(*this, "frmInspOpt: Repaint: ", {"lblSet"}); }

int FrmInspOpt::ArrangeFeatures(int left, int top) {
  Control& header = (*this)("framFeatSel", 0);
  if (!header.Visible()) return 0;
  int rows = 0;
  for (int n = 1; n <= kFeatureRows; ++n) rows += (*this)("lbl", n).Visible() ? 1 : 0;
  // A long list closes up a little, so that all 25 rows and Measure under
  // them fit a laptop screen.
  const int pitch = rows > kLongList ? kFeatureRow - 30 : kFeatureRow;
  for (int n = 1; n <= kFeatureRows; ++n)
    // Level with the box's text line, which sits in the middle of its row.
    (*this)("lbl", n).Move(kInset, kTitle + kTitle + (n - 1) * pitch + 45 - (kFeatureRow - pitch) / 2, kNameWidth,
                           300);
  const int columnHeight = kTitle + rows * pitch + kInset;
  int x = kInset + kNameWidth + 60;
  for (int z = 1; z <= kZones; ++z) {
    Control& column = (*this)("framFeatSel", z);
    if (!column.Visible()) continue;
    column.Move(x, kTitle, kFeatureColumn, columnHeight);
    for (int n = 1; n <= kFeatureRows; ++n)
      (*this)("chkFeat" + std::to_string(n), z)
          .Move(kInset, kTitle + (n - 1) * pitch, 450, pitch - 30);  // under the column's title
    x += kFeatureColumn + 60;
  }
  header.Move(left, top, x + kInset, kTitle + columnHeight + kInset);
  x += kInset;
  return left + x;
}

int FrmInspOpt::ArrangeGroup(const char* group, int left, int top, int width) {
  const std::string name = group;
  const int innerTop = kTitle;
  // The zones' places in the group, in zone order, hidden zones left out.
  int k = 0;
  int contentHeight = 0;
  for (int z = 1; z <= kZones; ++z) {
    if (!ZoneShown(z)) continue;
    const int x = kInset + k * kZoneColumn;
    ++k;
    if (name == "framRpt" || name == "framSec") {
      Control& column = (*this)(name, z);
      const char* const rpt[] = {"optPrintOn", "optPrintOOT", "optPrintOff", "chkPlot", "chkSaveDP"};
      const char* const sec[] = {"Option1", "Option2", "Option3", "optCust"};
      int rows = 0;
      for (const char* control : name == "framRpt" ? std::vector<const char*>(std::begin(rpt), std::end(rpt))
                                                   : std::vector<const char*>(std::begin(sec), std::end(sec)))
        (*this)(control, z).Move(0, rows++ * kOptionRow, kZoneColumn - 60, kOptionRow);
      contentHeight = rows * kOptionRow + 15;
      column.Move(x, innerTop, kZoneColumn, contentHeight);
    } else if (name == "framMBR" || name == "framPcnt" || name == "framKey") {
      const char* box = name == "framMBR" ? "cmdMBR" : name == "framPcnt" ? "txtPcnt" : "cmbSN";
      (*this)(box, z).Move(x, innerTop, kZoneColumn - 2 * kInset, kBoxHeight);
      contentHeight = kBoxHeight;
    } else if (name == "framSettings") {
      (*this)("LblSetZ", z).Move(x, innerTop, kZoneColumn - 2 * kInset, 510);
      (*this)("lblSet", z).Move(x, innerTop + 540, kZoneColumn - 2 * kInset, kSettingsHeight - innerTop - 540 - kInset);
      contentHeight = kSettingsHeight - innerTop - kInset;
    }
  }
  const int height = innerTop + contentHeight + kInset;
  (*this)(name, name == "framRpt" || name == "framSec" ? 0 : -1).Move(left, top, width, height);
  return height;
}

int FrmInspOpt::ArrangeStatistics(int left, int top, int width) {
  // Label and box pairs, two to a row when the group is wide enough, with
  // room between the pairs so each label reads with its own box.
  const int perRow = width >= 6000 ? 2 : 1;
  const int pairWidth = (width - 2 * kInset) / perRow;
  const int labelWidth = std::min(1800, pairWidth * 2 / 5);
  int shown = 0;
  for (int n = 1; n <= 8; ++n) {
    Control& box = (*this)("cmbStat", n);
    Control& label = (*this)("lblStat", n);
    if (!box.Visible()) continue;
    const int x = kInset + (shown % perRow) * pairWidth;
    const int y = kTitle + (shown / perRow) * (kBoxHeight + 60);
    label.Move(x, y + 90, labelWidth - 60, 330);
    box.Move(x + labelWidth, y, pairWidth - labelWidth - (shown % perRow == perRow - 1 ? 0 : 360), kBoxHeight);
    ++shown;
  }
  const int rows = (shown + perRow - 1) / perRow;
  const int height = kTitle + rows * (kBoxHeight + 60) + kInset;
  (*this)("framStat").Move(left, top, width, height);
  return height;
}

int FrmInspOpt::ArrangeLot(int left, int top, int width) {
  const bool wide = width >= 5400;
  const int row = kBoxHeight + 60;
  (*this)("lblLotNo").Move(kInset, kTitle + 90, 1080, 330);
  (*this)("txtLotNo").Move(kInset + 1080, kTitle, 1200, kBoxHeight);
  const int sizeLeft = wide ? kInset + 2400 : kInset;
  const int sizeTop = wide ? kTitle : kTitle + row;
  (*this)("lblLotSize").Move(sizeLeft, sizeTop + 90, 1080, 330);
  (*this)("txtLotSize").Move(sizeLeft + 1080, sizeTop, 1200, kBoxHeight);
  const int sampleTop = sizeTop + row;
  (*this)("txtLot1").Move(kInset + 1080, sampleTop, 900, kBoxHeight);
  (*this)("lblOf").Move(kInset + 1980, sampleTop + 90, 420, 330);
  (*this)("txtLot2").Move(kInset + 2400, sampleTop, 900, kBoxHeight);
  (*this)("chkLotPlot").Move(kInset, sampleTop + row, width - 2 * kInset, kOptionRow);
  const int height = sampleTop + row + kOptionRow + kInset;
  (*this)("framLot").Move(left, top, width, height);
  return height;
}

void FrmInspOpt::Arrange() {
  const int featuresRight = ArrangeFeatures(kMargin, kMargin);
  const int left = featuresRight > 0 ? featuresRight + kMargin : kMargin;
  int columns = 0;
  for (int z = 1; z <= kZones; ++z) columns += ZoneShown(z) ? 1 : 0;

  // The zone headings over the groups' columns, level with their first controls.
  int k = 0;
  for (int z = 1; z <= kZones; ++z) {
    if (!ZoneShown(z)) continue;
    (*this)("lblz", z).Move(left + kInset + k++ * kZoneColumn, kMargin, kZoneColumn, 270);
  }
  // Wide enough for the groups' titles, and for the statistics or lot fields.
  const bool fields = (*this)("framStat").Visible() || (*this)("framLot").Visible();
  const int width = std::max(2 * kInset + columns * kZoneColumn, fields ? 4080 : 3000);
  int y = kMargin + 270 + 30;
  for (const char* group : kGroups) {
    if (!(*this)(group, std::string(group) == "framRpt" || std::string(group) == "framSec" ? 0 : -1).Visible()) continue;
    y += ArrangeGroup(group, left, y, width) + kGroupGap;
  }
  // Statistics and lot data share the last place; at most one of them shows.
  if ((*this)("framStat").Visible()) y += ArrangeStatistics(left, y, width) + kGroupGap;
  else if ((*this)("framLot").Visible()) y += ArrangeLot(left, y, width) + kGroupGap;
  const int groupsBottom = y - kGroupGap;
  const int groupsRight = left + width;

  // Measure and Exit where they are always in reach, however tall the groups
  // grow: under the feature grid, right-aligned to it; without the grid, at
  // the top to the right of the groups.
  Control& header = (*this)("framFeatSel", 0);
  const int buttonHeight = 600, buttonWidth = 1500;
  int right = groupsRight, bottom = groupsBottom;
  if (header.Visible()) {
    const int top = header.Bottom() + kMargin;
    (*this)("cmdExit").Move(featuresRight - buttonWidth, top, buttonWidth, buttonHeight);
    (*this)("cmdMeasure").Move(featuresRight - 2 * buttonWidth - kMargin, top, buttonWidth, buttonHeight);
    bottom = std::max(bottom, top + buttonHeight);
  } else {
    const int top = kMargin + 270 + 30;
    (*this)("cmdMeasure").Move(groupsRight + kMargin, top, buttonWidth, buttonHeight);
    (*this)("cmdExit").Move(groupsRight + kMargin, top + buttonHeight + kMargin, buttonWidth, buttonHeight);
    right = groupsRight + kMargin + buttonWidth;
  }
  Resize(right + kMargin, bottom + kMargin);
}

}  // namespace zarvane
