#pragma once
// The part setup files (blade lookup table, operation file, fixture file) and
// the flavor and tolerance files of a part, read for the current zone
// (Core::gzone) into its ZoneState.

#include <functional>
#include <optional>
#include <string>

#include "foundation/core.h"

namespace zarvane {

class PartFiles {
 public:
  explicit PartFiles(Core& core) : c(core) {}

  Core& c;

  // Hooks into the zone panels, the section picker and the point file
  // conversion. Unset hooks do nothing (a conversion then reports failure).
  std::function<void(int zone)> DisZone;
  std::function<void()> SectionUpdate;
  // Converts <base>.pts into <base>.nom; true when the nominal file was written.
  std::function<bool(const std::string& pointFile)> ConvertPoints;

  // Part setup.
  bool BLookup();
  bool cparseOP();
  // Operation names of an operation file, in file order; nothing when it cannot be read.
  OptTexts parseOP(const std::string& operationFile);
  void WriteFixtureFile();

  // Flavor and tolerance files.
  bool NomsExist(const std::string& nominalName, const std::string& toleranceName);
  OptTexts parseFLV();
  void SectionSet();
  bool SectionSelected(const std::string& sectionName);

  // Paths the readers use, for the zone panels and the cycle.
  std::string LookupTablePath() const;
  // <blades in use>/<part>, or empty when the part number is not a plain directory name.
  std::string PartDirectory(const std::string& partNumber) const;
  std::string OperationFile(const std::string& partNumber) const;
  // True when a part number or file name from the operator or a data file stays
  // inside its directory (no separators, no "." or ".." names, not empty).
  static bool SafeName(const std::string& name);
};

}  // namespace zarvane
