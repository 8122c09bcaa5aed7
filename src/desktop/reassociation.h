#pragma once
// The main window's "Reassociate Data Files": the station's report file types
// registered with the desktop so that they open in its text editor.

#include "foundation/core.h"
#include "station/station.h"

namespace zarvane {

class Reassociation {
 public:
  // Plugs the menu command into the station.
  Reassociation(Core& core, Station& station);
  Reassociation(const Reassociation&) = delete;
  Reassociation& operator=(const Reassociation&) = delete;

  // Without the tools registering needs the operator is told and nothing is
  // done; without a text editor nothing is done and nothing logged.
  void mnuAssoc_Click();

 private:
  Core& c;
};

}  // namespace zarvane
