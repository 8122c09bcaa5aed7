// Distances, areas and cuts of a closed contour.
#include "analysis/contour.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace blade {
namespace {

double Dist(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Nearest point of segment a-b to p, as the fraction t along it.
double SegmentFraction(Pt a, Pt b, Pt p) {
  const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  if (len2 == 0) return 0;
  return std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
}

}  // namespace

double DistanceToContour(const Contour& c, Pt p, double* along, Pt* nearest) {
  double best = std::numeric_limits<double>::infinity(), bestAlong = 0, run = 0;
  Pt bestPoint = p;
  for (std::size_t k = 0; k < c.size(); ++k) {
    const Pt a = c[k], b = c[(k + 1) % c.size()];
    const double t = SegmentFraction(a, b, p);
    const Pt q{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
    const double d = Dist(p, q), len = Dist(a, b);
    if (d < best) {
      best = d;
      bestAlong = run + t * len;
      bestPoint = q;
    }
    run += len;
  }
  if (along) *along = bestAlong;
  if (nearest) *nearest = bestPoint;
  return best;
}

bool Inside(const Contour& c, Pt p) {
  bool in = false;
  for (std::size_t k = 0, j = c.size() - 1; k < c.size(); j = k++) {
    const Pt a = c[k], b = c[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

double SignedDeviation(const Contour& c, Pt p) {
  const double d = DistanceToContour(c, p);
  return Inside(c, p) ? -d : d;
}

namespace {
double SignedArea(const Contour& c) {
  double s = 0;
  for (std::size_t k = 0; k < c.size(); ++k) {
    const Pt a = c[k], b = c[(k + 1) % c.size()];
    s += a.x * b.y - b.x * a.y;
  }
  return s / 2;
}
}  // namespace

double Area(const Contour& c) { return std::abs(SignedArea(c)); }

Pt Centroid(const Contour& c) {
  const double a = SignedArea(c);
  if (a == 0) return c.empty() ? Pt{} : c.front();
  double cx = 0, cy = 0;
  for (std::size_t k = 0; k < c.size(); ++k) {
    const Pt p = c[k], q = c[(k + 1) % c.size()];
    const double w = p.x * q.y - q.x * p.y;
    cx += (p.x + q.x) * w;
    cy += (p.y + q.y) * w;
  }
  return {cx / (6 * a), cy / (6 * a)};
}

std::pair<std::size_t, std::size_t> ChordEnds(const Contour& c) {
  std::pair<std::size_t, std::size_t> ends{0, 0};
  double best = -1;
  for (std::size_t i = 0; i < c.size(); ++i)
    for (std::size_t j = i + 1; j < c.size(); ++j)
      if (const double d = Dist(c[i], c[j]); d > best) {
        best = d;
        ends = {i, j};
      }
  return ends;
}

double ThicknessAcross(const Contour& c, Pt origin, Pt dir) {
  const double len = std::hypot(dir.x, dir.y);
  if (len == 0 || c.size() < 2) return 0;
  const Pt u{dir.x / len, dir.y / len};
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (std::size_t k = 0; k < c.size(); ++k) {
    const Pt a = c[k], b = c[(k + 1) % c.size()];
    // Side of each end relative to the line; a crossing lies between.
    const double sa = (a.x - origin.x) * u.y - (a.y - origin.y) * u.x;
    const double sb = (b.x - origin.x) * u.y - (b.y - origin.y) * u.x;
    if ((sa > 0 && sb > 0) || (sa < 0 && sb < 0) || sa == sb) continue;
    const double t = sa / (sa - sb);
    const Pt q{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
    const double s = (q.x - origin.x) * u.x + (q.y - origin.y) * u.y;
    lo = std::min(lo, s);
    hi = std::max(hi, s);
  }
  return hi > lo ? hi - lo : 0;
}

double MaxInscribedDiameter(const Contour& c) {
  if (c.size() < 3) return 0;
  double x0 = c[0].x, x1 = x0, y0 = c[0].y, y1 = y0;
  for (const Pt& p : c) {
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  const auto radius = [&](Pt p) { return Inside(c, p) ? DistanceToContour(c, p) : -1.0; };
  // A coarse grid finds the region, a shrinking pattern search the summit.
  constexpr int kGrid = 80;
  Pt best{};
  double bestR = -1;
  for (int i = 0; i <= kGrid; ++i)
    for (int j = 0; j <= kGrid; ++j) {
      const Pt p{x0 + (x1 - x0) * i / kGrid, y0 + (y1 - y0) * j / kGrid};
      if (const double r = radius(p); r > bestR) bestR = r, best = p;
    }
  if (bestR < 0) return 0;
  double step = std::max(x1 - x0, y1 - y0) / kGrid;
  const double stop = step * 1e-7;
  while (step > stop) {
    bool moved = false;
    for (int k = 0; k < 8; ++k) {
      const double a = k * M_PI / 4;
      const Pt p{best.x + step * std::cos(a), best.y + step * std::sin(a)};
      if (const double r = radius(p); r > bestR) bestR = r, best = p, moved = true;
    }
    if (!moved) step /= 2;
  }
  return 2 * bestR;
}

Contour OrderAlong(const Contour& path, const std::vector<Pt>& points) {
  std::vector<std::pair<double, Pt>> keyed;
  for (const Pt& p : points) {
    double along = 0;
    DistanceToContour(path, p, &along);
    keyed.push_back({along, p});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  Contour out;
  for (const auto& k : keyed) out.push_back(k.second);
  return out;
}

}  // namespace blade
