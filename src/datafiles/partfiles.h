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
  // False (the operator told) when the fixture file could not be written.
  bool WriteFixtureFile();

  // Flavor and tolerance files.
  bool NomsExist(const std::string& nominalName, const std::string& toleranceName);
  OptTexts parseFLV();
  void SectionSet();
  bool SectionSelected(const std::string& sectionName);

  // Paths the readers use, for the zone panels and the cycle.
  std::string LookupTablePath() const;
  // Reads the lookup table record by record (a record ends at a line end or a
  // comma; double quotes delimit one), skipping comment and blank records, and
  // hands each to `visit` until it returns false. False when the table cannot
  // be opened. The part list and the lookup both read the table this way, so a
  // part is listed exactly when a record names it.
  bool ReadLookupRecords(const std::function<bool(const std::string& record)>& visit) const;
  // <blades in use>/<part>, or empty when the part number is not a plain directory name.
  std::string PartDirectory(const std::string& partNumber) const;
  std::string OperationFile(const std::string& partNumber) const;
  // True when a part number, fixture name or program name names one entry of
  // its directory (IsPlainFileName, foundation/filename.h).
  static bool SafeName(const std::string& name);
  // True when a file name from a data file (nominal, tolerance, flavor) names a
  // file inside its directory, possibly in a subfolder ("rev2\P2"): relative,
  // still inside once "\" and "/", "." and ".." are resolved, naming a file
  // (not the directory itself), each step a plain name (IsPlainFileName).
  static bool SafeRelativeName(const std::string& name);
  // Tells the operator that the name cannot be used (one wording for every
  // kind of name) and returns false. `englishKind` is e.g. "The part number".
  bool RefuseName(const std::string& englishKind, const std::string& name);

 private:
  // Each tells the operator why the name is refused and returns false.
  bool CheckPartNumber(const std::string& partNumber);
  // `written` is the name as the file gave it, when that differs (extension dropped).
  bool CheckFileName(const std::string& englishKind, const std::string& name, const std::string& written = {});
  // False, told, when the program's name is not one plain name: it names a
  // file in the programs, fixtures or part directory.
  bool AddProgram(const std::string& program);
  void DisableZone();
  // The tolerance file readers; false when the file holds more sections than a
  // zone keeps (the operator has been told).
  bool ReadKtTolerance(const std::string& path, int& declared);
  bool ReadOemTolerance(const std::string& path);
  bool AddSection(const std::string& path, const std::string& name, bool inspected);
};

}  // namespace zarvane
