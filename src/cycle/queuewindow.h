#pragma once
// "Waiting for Analysis..." (Reports menu): the reports handed to the analysis
// program and not yet collected, newest first, with their zone and how long
// they have waited. The operator can drop one that will never finish: the
// station stops waiting for it; its files stay where they are.

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/core.h"
#include "foundation/forms.h"
#include "station/station.h"

namespace zarvane {

class FrmQueue : public Form {
 public:
  FrmQueue(Forms& forms, Core& core);
  void Form_Paint() override;

 private:
  Core& core_;
};

class AnalysisQueueWindow {
 public:
  AnalysisQueueWindow(Core& core, Station& station);
  void mnuQueue_Click();
  // Lists the queue again; called whenever it changes while the window is open.
  void Refresh();
  void lstQueue_Click();
  void cmdDrop_Click();

  FrmQueue form;

 private:
  Core& c;
  Station& station_;
  std::vector<std::uint64_t> ids_;  // the entry of each list row
};

}  // namespace zarvane
