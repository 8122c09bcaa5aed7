#pragma once
// The measured data readers: the host's rich-text report of measured section
// points (readData, one section per marker line) and plain text point files,
// the host's generic export included (ReadTXTBlade).
//
// Numbers: "." is always a decimal point; "," is one as well where the locale's
// decimal separator is a comma (Core::gDotDecimal false), so the station reads
// back what it wrote in either locale. A word that looks like a number but does
// not convert to a finite value (1e400; in readData also anything beyond single
// precision's range) makes its line no point line.

#include <optional>
#include <string>
#include <vector>

#include "foundation/core.h"
#include "foundation/progress.h"
#include "geometry/section.h"

namespace zarvane {

using MeasuredSections = std::vector<ijk>;

class MeasuredData {
 public:
  MeasuredData(Core& core, FrmProgress& progress) : c(core), frmProgress(progress) {}

  Core& c;
  FrmProgress& frmProgress;

  // The sections of the host's report, in file order: the report is converted
  // to plain text in <home>/tmpwrk.txt and read from there. Nothing when no
  // section holds more than 10 points (the operator has been told). The
  // progress window is left open on success. A tmpwrk.txt that cannot be
  // written is a run-time error (75) to the caller.
  std::optional<MeasuredSections> readData(const std::string& reportPath, int expectedSectionCount);

  // True when the line is a point line: x, y, z, i, j, k and a seventh value,
  // each rounded to single precision.
  bool Parseline(const std::string& line, float& x, float& y, float& z, float& i, float& j, float& k,
                 float& seventh);

  // The points of a plain text point file (possibly none).
  ijk ReadTXTBlade(const std::string& path);

  // The section marker for the Language setting: "PUNKTINFO" for 4 (German),
  // else "POINTDATA".
  static std::string SectionMarker(int language);

 private:
  // A numeric word as a number; false when it is not numeric or not finite.
  bool Number(const std::string& word, double& value) const;
  bool SingleNumber(const std::string& word, float& value) const;
  void ShowSectionProgress(size_t sections, int expectedSectionCount);
  bool Logs(int level) const;
};

}  // namespace zarvane
