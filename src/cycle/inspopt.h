#pragma once
// The inspection options window: one column per zone, the feature grid on the
// left (feature names, then a column of check boxes per zone), and on the right
// the option groups stacked in a fixed order, each with its zone columns under
// the zone headings. The logic that fills it lives in options.h.

#include "foundation/core.h"
#include "foundation/forms.h"

namespace zarvane {

class FrmInspOpt : public Form {
 public:
  FrmInspOpt(Forms& forms, Core& core);

  // The option groups in the order they are stacked; "framStat" and "framLot"
  // share the last place (at most one of them shows).
  static constexpr const char* kGroups[] = {"framRpt", "framSec", "framMBR", "framPcnt", "framSettings", "framKey"};

  // Places the visible feature rows, zone columns and groups: hidden groups and
  // zones take no space, the zones shown keep their order, every group keeps
  // its place in the stack. Reads only visibility, so the logic decides what
  // shows and this decides where.
  void Arrange();

  // The options window's logs and caption translation.
  void Form_Load() override;
  void Form_Paint() override;

  // Whether zone n's column shows (its heading is the marker).
  bool ZoneShown(int zone) { return (*this)("lblz", zone).Visible(); }

  // Layout of the design, in twips.
  static constexpr int kMargin = 120;
  static constexpr int kGroupGap = 108;
  static constexpr int kFeatureRow = 360;    // pitch of the feature rows
  static constexpr int kLongList = 18;       // more rows than this are set closer
  static constexpr int kFeatureColumn = 1320;
  static constexpr int kNameWidth = 2640;
  static constexpr int kZoneColumn = 2280;   // a zone's column in the groups
  static constexpr int kOptionRow = 360;     // pitch of the option and check rows
  static constexpr int kBoxHeight = 480;
  static constexpr int kTitle = 330;         // room for a frame's title
  static constexpr int kInset = 90;
  static constexpr int kSettingsHeight = 1485;  // two lines of heading, two of summary

 private:
  int ArrangeFeatures(int left, int top);  // returns the right edge (0 when hidden)
  int ArrangeGroup(const char* group, int left, int top, int width);  // returns the height
  int ArrangeStatistics(int left, int top, int width);
  int ArrangeLot(int left, int top, int width);

  Core& core_;
};

}  // namespace zarvane
