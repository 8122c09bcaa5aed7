#pragma once
// Per-zone state: what the operator chose in each zone panel and what the part
// setup, flavor and tolerance files resolved for it. One slot per zone (1 to 4)
// plus an unused slot 0, so zone numbers index directly.

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zarvane {

inline constexpr int kZones = 4;
// A tolerance file may declare at most this many sections per zone.
inline constexpr int kMaxSections = 500;

struct ToleranceSection {
  std::string name;
  bool toleranceDefault = false;  // called out for inspection by the tolerance file
  bool selected = false;          // to be measured
};

struct ZoneState {
  std::string gPn;       // part number
  std::string gOpName;   // selected operation
  std::string gNomName;  // nominal file name, no extension
  std::string gTolName;  // tolerance file name, no extension
  std::string nomExt;    // ".nom" or ".ua"
  std::string tolExt;    // ".tol" or ".te"
  // Host part programs to run, in order; absent until first used.
  std::optional<std::vector<std::string>> programs;
  std::string flavorName;  // no extension
  std::string flavorFile;  // full path of the flavor file found
  std::optional<std::vector<std::string>> calcs;  // the flavor's calculations
  std::vector<std::string> sections;               // section names of the operation's BLADE line
  std::vector<ToleranceSection> tolerance;         // the tolerance file's sections (at most kMaxSections)
  int sectionCount = 0;
  std::optional<std::vector<std::string>> mbrBlades;
  std::array<std::string, 57> featureLabels;  // 1-based, 56 used

  // Forgets what the operator chose: part, operation and the files they name.
  void ClearChoice() {
    gPn.clear();
    gOpName.clear();
    gNomName.clear();
    gTolName.clear();
  }
};

}  // namespace zarvane
