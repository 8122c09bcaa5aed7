#pragma once
// The blade text file blade.txt, which tells the host's generic blade program
// which part, fixture position and sections to measure and at which nominal
// points to probe, and the two nominal file readers that feed it one finished
// section at a time.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "datafiles/nominal.h"
#include "datafiles/partfiles.h"
#include "foundation/core.h"
#include "geometry/section.h"

namespace zarvane {

// A number in the format "####0.00000": optional minus sign, at least one
// integer digit, no grouping, five decimals, "." as the decimal point.
std::string FormatValue(double value);

// Fields in print zones of 14 columns: each field starts at the next zone
// start after the previous field, with at least one blank between fields.
std::string PrintZones(const std::vector<std::string>& fields);

// One point line ended by CR LF: the long form x, y, z, i, j, k, key, or the
// short form x, y, z, key. x, y and z are multiplied by `scale` (a scale not
// above 0 counts as 1); i, j, k are written as they are.
void WritePoint(std::ostream& file, const points& point, const std::string& key, bool shortForm, double scale);
// The same for point `number` of a section (1-based; outside 1..Count is a
// subscript error, RuntimeError 9).
void WritePoint(std::ostream& file, const ijk& section, long number, const std::string& key, bool shortForm,
                double scale);

class BladeText {
 public:
  BladeText(Core& core, PartFiles& partFiles, SectionGeometry& geometry) : c(core), pf(partFiles), geo(geometry) {}

  Core& c;
  PartFiles& pf;
  SectionGeometry& geo;

  // True when the platform calculation of the zone is ticked in the inspection
  // options window; unset, no platform check is asked for.
  std::function<bool(int zone)> PlatformTicked;

  // Writes blade.txt for the current zone: the header, then one block per
  // selected section from the zone's nominal file. True when the file is
  // complete; on any failure the zone is disabled (PartFiles::DisZone) and
  // the previous blade.txt stays as it was.
  bool WriteBladeTxt();
  std::string BladeTxtPath() const;

  // Appends one section's block to blade.txt (to the file WriteBladeTxt is
  // composing, while it runs). Section point 1 is the nose.
  void writeBtxt(const ijk& section, const std::string& name, std::int32_t nose, std::int32_t nose1,
                 std::int32_t nose2, std::int32_t tail, std::int32_t tail1, std::int32_t tail2, std::string noseKey,
                 std::string tailKey, double leOffset, double teOffset);

  // Point numbers at percentages of the section's arc in XY: 0 to 50 along the
  // first side (nose to tail), 50 to 100 along the second. Stops at the first
  // percentage outside 0..100 (the operator is told).
  void GetArcPt(const ijk& section, const std::vector<std::string>& percentages, std::int32_t nose, std::int32_t tail,
                std::vector<long>& out);

  // A number with a fixed count of decimals ("0." and that many zeros).
  std::string MFormat(double value, int decimals);

  // The keyword nominal file: every selected section to writeBtxt, nose and
  // tail settled; with `verify`, the section count and labels are checked
  // against the zone's tolerance file. False after any error (told).
  bool ReadNOMfile3(const std::string& path, bool verify);
  // The fixed-layout nominal file: all section labels in file order, selected
  // sections to writeBtxt; nothing after an error (told).
  OptTexts ReadUAfile(const std::string& path);
  // Removes from `second` every label containing a label of `first`, case
  // ignored; true when `second` is empty at the end.
  bool ColCompare(const Texts& first, Texts& second);

 private:
  struct Pending;  // the section a nominal reader is building
  bool FinishSection(Pending& section, const std::string& path);
  bool Fail(const std::string& message);
  void DisableZone();
  void OffsetLine(std::ostream& out, const char* keyword, double offset, bool sendOffsets);

  bool zoneDisabled_ = false;   // this run disabled the zone already
  bool blockFailed_ = false;    // a section block could not be written
  int blocksWritten_ = 0;       // section blocks appended in this run
  std::ostream* building_ = nullptr;  // blade.txt as WriteBladeTxt composes it
};

}  // namespace zarvane
