#pragma once
// Point file conversion: a raw list of design points (one point per line, all
// sections mixed) becomes a nominal file (.nom) or a report file (.rpt). The
// section heights are found from the z values, each section's points are
// gathered, optionally sorted into a contour walk with the nose first, named
// A-A, B-B, ... and written. The operator steers it through a fixed series of
// questions.

#include <string>
#include <vector>

#include "foundation/core.h"
#include "foundation/progress.h"
#include "geometry/section.h"

namespace zarvane {

// Heights of the raw points: one per jump in z larger than the tolerance
// between consecutive points, sorted ascending, then of every close pair
// (nearer than the tolerance) the higher one dropped, working from the top.
std::vector<double> SectionHeights(const std::vector<double>& zInFileOrder, double tolerance);

// Takes the points within the tolerance of each height, lowest height first.
// Each section lists its points in reverse file order; a point goes to the first
// height that takes it. `leftOver` receives the indexes (file order) of the
// points no height took.
std::vector<std::vector<long>> GatherSections(const std::vector<double>& zInFileOrder,
                                              const std::vector<double>& heights, double tolerance,
                                              std::vector<long>& leftOver);

class PointFileConverter {
 public:
  PointFileConverter(Core& core, FrmProgress& progress) : c(core), frmProgress(progress), geometry(core) {}

  // A-A to Z-Z, AA-AA to AZ-AZ, BA-BA to BZ-BZ without the labels holding I or
  // O; the operator is asked whether Q is used (72 labels with Q, 69 without).
  std::vector<std::string> SectionLabels();

  // Converts the point file at `path`; true when a file was written (its name
  // then in `written`). False when the operator stopped, the file held too few
  // points or nothing could be written; the operator has been told why and no
  // existing file was replaced.
  bool ConvertPts2(std::string& path);
  std::string written;

  Core& c;
  FrmProgress& frmProgress;
  SectionGeometry geometry;

 private:
  // A Yes/No question: the translated text with `suffix` after it, logged at
  // level 0, and the translated title.
  bool Question(const std::string& englishText, const std::string& englishTitle, const std::string& suffix = "");
};

}  // namespace zarvane
