// One section measured against its nominal: compensated points, deviations
// and the requested features.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/contour.h"
#include "analysis/inputs.h"

namespace blade {

struct FeatureResult {
  std::string name;
  bool computed = false;
  double nominal = 0, actual = 0;
  std::optional<Limit> limit;  // on the deviation (actual - nominal)
  double Deviation() const { return actual - nominal; }
  // "IN", "OUT", "NO LIMIT" or "not computed".
  std::string Verdict() const;
};

struct SectionResult {
  std::string name;
  std::string problem;                // why nothing could be computed, else empty
  std::vector<Point6> compensated;    // ball centres moved onto the surface
  std::vector<double> deviations;     // signed, positive outside the material
  std::vector<bool> outside;          // outside the profile band
  std::vector<Pt> nearest;            // each point's nearest point of the nominal contour
  Contour nominal;                    // the nominal contour in x and y; empty when none was matched
  std::optional<Limit> profile;
  std::vector<FeatureResult> features;
  bool AnyOut() const;
};

// The features every section reports before the requested ones.
extern const std::vector<std::string> kProfileFeatures;  // FORM, NUMOUTTOL, PERCOUTTOL

// The probe ball centre moved by `radius` against its direction.
Point6 Compensate(const Point6& centre, double radius);

SectionResult AnalyseSection(const MeasuredSection& measured, const NominalSection* nominal,
                             const SectionTolerance& tolerance, double radius,
                             const std::vector<std::string>& calcs);

}  // namespace blade
