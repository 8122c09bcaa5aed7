#pragma once
// The arithmetic every section search shares. The direct searches and the
// indexed ones compare distances computed by these very expressions, so that
// both pick the same point down to the last bit (the geometry sources are
// built without fused multiply-add for the same reason).

#include <cmath>

#include "geometry/section.h"

namespace zarvane::sectionmath {

// Distance in the section plane from (x, y) to point p.
inline double DistanceXY(const points& p, double x, double y) {
  const double dx = p.x - x;
  const double dy = p.y - y;
  return std::sqrt(dx * dx + dy * dy);
}

inline double DistanceXY(double px, double py, double x, double y) {
  const double dx = px - x;
  const double dy = py - y;
  return std::sqrt(dx * dx + dy * dy);
}

// Distance in space between two points.
inline double Distance3(const points& a, const points& b) {
  const double dx = a.x - b.x;
  const double dy = a.y - b.y;
  const double dz = a.z - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace zarvane::sectionmath
