// Plane geometry of a blade section: a closed contour of points in order.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace blade {

struct Pt {
  double x = 0, y = 0;
};

// A closed polyline: the last point joins the first.
using Contour = std::vector<Pt>;

// Distance from p to the nearest point of the contour; `along` receives the
// arc length from point 0 to that nearest point, `nearest` the point itself.
double DistanceToContour(const Contour& c, Pt p, double* along = nullptr, Pt* nearest = nullptr);

// Even-odd rule.
bool Inside(const Contour& c, Pt p);

// Distance to the contour, positive outside the material, negative inside.
double SignedDeviation(const Contour& c, Pt p);

double Area(const Contour& c);  // unsigned
Pt Centroid(const Contour& c);  // of the enclosed area

// The two points farthest apart (indices); {0, 0} for fewer than two points.
std::pair<std::size_t, std::size_t> ChordEnds(const Contour& c);

// Length of the contour's cut by the line through `origin` along `dir`:
// farthest crossing minus nearest crossing; 0 when the line misses.
double ThicknessAcross(const Contour& c, Pt origin, Pt dir);

// Diameter of the largest circle inside the contour.
double MaxInscribedDiameter(const Contour& c);

// The points put in the order of their nearest positions along `path`.
Contour OrderAlong(const Contour& path, const std::vector<Pt>& points);

}  // namespace blade
