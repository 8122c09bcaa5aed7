#pragma once
// A part files reader on the foundation fixture, with a blades directory and a
// statistics package directory inside the scratch home.

#include <string>
#include <vector>

#include "datafiles/partfiles.h"
#include "foundation_fixture.h"

namespace zarvane::testing {

using Strings = std::vector<std::string>;

class PartFilesTest : public FoundationTest {
 protected:
  PartFilesTest() : pf(core) {
    core.gBladesDir = (home / "blades").string();
    core.gLocalBladesDir = core.gBladesDir;
    core.gStatsPackageDir = (home / "tallyx").string();
    core.gDebugLevel = 10;
    pf.DisZone = [this](int zone) { disabled.push_back(zone); };
    Zone().gPn = "P1";
    Zone().gNomName = "P1";
    Zone().gTolName = "P1";
  }

  ZoneState& Zone() { return core.CurrentZone(); }
  fs::path PartDir(const std::string& part = "P1") const { return home / "blades" / part; }
  // Writes a file of the part's directory, lines ended by CR LF.
  void PartFile(const std::string& name, const Strings& lines) {
    std::string data;
    for (const auto& l : lines) data += l + "\r\n";
    Spit(PartDir() / name, data);
  }
  Strings Programs() { return Zone().programs.value_or(Strings{}); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  PartFiles pf;
  std::vector<int> disabled;
};

}  // namespace zarvane::testing
