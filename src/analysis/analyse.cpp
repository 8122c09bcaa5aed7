// The per-section computations.
#include "analysis/analyse.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "analysis/contour.h"

namespace blade {

const std::vector<std::string> kProfileFeatures = {"FORM", "NUMOUTTOL", "PERCOUTTOL"};

std::string FeatureResult::Verdict() const {
  if (!computed) return "not computed";
  if (!limit) return "NO LIMIT";
  const double d = Deviation();
  return d > limit->upper || d < limit->lower ? "OUT" : "IN";
}

bool SectionResult::AnyOut() const {
  return std::any_of(features.begin(), features.end(), [](const FeatureResult& f) { return f.Verdict() == "OUT"; });
}

Point6 Compensate(const Point6& p, double radius) {
  const double len = std::sqrt(p.i * p.i + p.j * p.j + p.k * p.k);
  if (len == 0) return p;
  const double s = radius / len;
  return {p.x - s * p.i, p.y - s * p.j, p.z - s * p.k, p.i / len, p.j / len, p.k / len};
}

namespace {

Contour Plane(const std::vector<Point6>& points) {
  Contour c;
  for (const Point6& p : points) c.push_back({p.x, p.y});
  return c;
}

// The chord of a contour, from its leading edge (the end nearer `nose`) to its trailing edge.
struct Chord {
  Pt le, te;
  double Length() const { return std::hypot(te.x - le.x, te.y - le.y); }
  double AngleDeg() const { return std::atan2(te.y - le.y, te.x - le.x) * 180 / M_PI; }
};

Chord ChordOf(const Contour& c, Pt nose) {
  const auto [a, b] = ChordEnds(c);
  const Pt pa = c[a], pb = c[b];
  const bool aNearer = std::hypot(pa.x - nose.x, pa.y - nose.y) <= std::hypot(pb.x - nose.x, pb.y - nose.y);
  return aNearer ? Chord{pa, pb} : Chord{pb, pa};
}

// Thickness across the contour at `distance` along the chord from `from` toward `to`.
double ThicknessAt(const Contour& c, Pt from, Pt to, double distance) {
  const double len = std::hypot(to.x - from.x, to.y - from.y);
  if (len == 0) return 0;
  const Pt u{(to.x - from.x) / len, (to.y - from.y) / len};
  return ThicknessAcross(c, {from.x + u.x * distance, from.y + u.y * distance}, {-u.y, u.x});
}

double Wrap180(double a) {
  while (a > 180) a -= 360;
  while (a <= -180) a += 360;
  return a;
}

}  // namespace

SectionResult AnalyseSection(const MeasuredSection& measured, const NominalSection* nominal,
                             const SectionTolerance& tolerance, double radius,
                             const std::vector<std::string>& calcs) {
  SectionResult r;
  r.name = measured.name;
  r.profile = tolerance.profile;
  for (const Point6& p : measured.points) r.compensated.push_back(Compensate(p, radius));

  std::vector<std::string> names = kProfileFeatures;
  for (const std::string& calc : calcs)
    if (std::find(names.begin(), names.end(), calc) == names.end()) names.push_back(calc);
  const auto notComputed = [&] {
    for (const std::string& n : names) r.features.push_back({n, false, 0, 0, std::nullopt});
  };
  if (!nominal || nominal->points.size() < 3) {
    r.problem = nominal ? "the nominal section has fewer than three points" : "no nominal section of this name";
    notComputed();
    return r;
  }
  if (r.compensated.size() < 3) {
    r.problem = "fewer than three points were measured";
    notComputed();
    return r;
  }

  const Contour nom = Plane(nominal->points);
  const Contour measuredPlane = Plane(r.compensated);
  r.nominal = nom;
  int out = 0;
  for (const Pt& p : measuredPlane) {
    const double d = SignedDeviation(nom, p);
    Pt q;
    DistanceToContour(nom, p, nullptr, &q);
    r.nearest.push_back(q);
    const bool isOut = r.profile && (d > r.profile->upper || d < r.profile->lower);
    r.deviations.push_back(d);
    r.outside.push_back(isOut);
    out += isOut;
  }
  const auto [minDev, maxDev] = std::minmax_element(r.deviations.begin(), r.deviations.end());

  const Contour act = OrderAlong(nom, measuredPlane);
  const int noseIndex = nominal->nose >= 1 && nominal->nose <= static_cast<int>(nom.size())
                            ? nominal->nose - 1
                            : static_cast<int>(std::min_element(nom.begin(), nom.end(), [](Pt a, Pt b) {
                                                 return a.x < b.x;
                                               }) - nom.begin());
  const Chord nomChord = ChordOf(nom, nom[noseIndex]);
  const Chord actChord = ChordOf(act, nom[noseIndex]);
  const Pt nomCentre = Centroid(nom), actCentre = Centroid(act);

  // Nominal and actual value of each feature this program knows.
  std::map<std::string, std::pair<double, double>> known = {
      {"FORM", {0, *maxDev - *minDev}},
      {"NUMOUTTOL", {0, double(out)}},
      {"PERCOUTTOL", {0, 100.0 * out / measuredPlane.size()}},
      {"CHORD", {nomChord.Length(), actChord.Length()}},
      {"CHDANG", {nomChord.AngleDeg(), actChord.AngleDeg()}},
      {"TWIST", {0, Wrap180(actChord.AngleDeg() - nomChord.AngleDeg())}},
      {"MAXTHK", {MaxInscribedDiameter(nom), MaxInscribedDiameter(act)}},
      {"LETHCK",
       {ThicknessAt(nom, nomChord.le, nomChord.te, nominal->leOffset),
        ThicknessAt(act, actChord.le, actChord.te, nominal->leOffset)}},
      {"TETHCK",
       {ThicknessAt(nom, nomChord.te, nomChord.le, nominal->teOffset),
        ThicknessAt(act, actChord.te, actChord.le, nominal->teOffset)}},
      {"STACKX", {0, actCentre.x - nomCentre.x}},
      {"STACKY", {0, actCentre.y - nomCentre.y}},
      {"STACKT", {0, std::hypot(actCentre.x - nomCentre.x, actCentre.y - nomCentre.y)}},
  };
  for (const std::string& n : names) {
    FeatureResult f{n, false, 0, 0, std::nullopt};
    if (const auto it = known.find(n); it != known.end()) {
      f.computed = true;
      f.nominal = it->second.first;
      f.actual = it->second.second;
      if (const auto l = tolerance.limits.find(n); l != tolerance.limits.end()) f.limit = l->second;
    }
    r.features.push_back(f);
  }
  return r;
}

}  // namespace blade
