// Where the inspection options window puts its groups: hidden zones and groups
// take no space and the groups keep their order.
#include "cycle/inspopt.h"

#include "foundation_fixture.h"

namespace zarvane::testing {
namespace {

class InspOptLayout : public FoundationTest {
 protected:
  InspOptLayout() {
    for (int n = 1; n <= 3; ++n) w("lbl", n).SetVisible(true);
  }
  void ShowZones(int count) {
    for (int z = 1; z <= kZones; ++z)
      for (const char* name : {"lblz", "framFeatSel", "framRpt", "framSec", "cmdMBR", "txtPcnt", "cmbSN", "lblSet"})
        w(name, z).SetVisible(z <= count);
    w.Arrange();
  }
  FrmInspOpt w{forms, core};
};

TEST_F(InspOptLayout, EachZoneWithoutAPartMovesTheGroupsOneFeatureColumnLeft) {
  ShowZones(4);
  const int allZones = w("framRpt", 0).Left();
  ShowZones(2);
  EXPECT_EQ(allZones - w("framRpt", 0).Left(), 2 * (FrmInspOpt::kFeatureColumn + 60));
  // The zones shown keep their order, side by side.
  EXPECT_LT(w("framRpt", 1).Left(), w("framRpt", 2).Left());
  EXPECT_EQ(w("lblz", 2).Left() - w("lblz", 1).Left(), FrmInspOpt::kZoneColumn);
}

TEST_F(InspOptLayout, HiddenGroupsLeaveNoGapAndTheOrderStays) {
  ShowZones(2);
  w("framMBR").SetVisible(true);
  w.Arrange();
  const int mbrTop = w("framMBR").Top();
  EXPECT_EQ(w("framSec", 0).Top(), w("framRpt", 0).Bottom() + FrmInspOpt::kGroupGap);
  EXPECT_EQ(mbrTop, w("framSec", 0).Bottom() + FrmInspOpt::kGroupGap);
  w("framSec", 0).SetVisible(false);
  w("framMBR").SetVisible(false);
  w.Arrange();
  EXPECT_EQ(w("framPcnt").Top(), w("framRpt", 0).Bottom() + FrmInspOpt::kGroupGap);
  EXPECT_LT(w("framPcnt").Top(), w("framSettings").Top());
  EXPECT_LT(w("framSettings").Top(), w("framKey").Top());
  // Statistics and lot data take the last place, whichever shows.
  w("framLot").SetVisible(true);
  w.Arrange();
  EXPECT_EQ(w("framLot").Top(), w("framKey").Bottom() + FrmInspOpt::kGroupGap);
  EXPECT_GE(w.Height(), w("framLot").Bottom());
}

}  // namespace
}  // namespace zarvane::testing
