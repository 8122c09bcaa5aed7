#pragma once
// Sections for the geometry tests: circles and airfoils in contour order, with
// each point's design number carried in z so a sorted walk can be read back
// as design numbers.

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "foundation_fixture.h"
#include "geometry/section.h"

namespace zarvane::testing {

struct XY {
  double x, y;
};

inline ijk SectionOf(const std::vector<XY>& xy) {
  ijk s;
  for (size_t n = 0; n < xy.size(); ++n) s.Add(xy[n].x, xy[n].y, static_cast<double>(n + 1), 0, 0, 1, 0, 0);
  return s;
}

inline std::vector<XY> Circle(int n, double radius = 10, double cx = 0, double cy = 0) {
  std::vector<XY> p;
  for (int k = 0; k < n; ++k) {
    const double a = 2 * M_PI * k / n;
    p.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
  }
  return p;
}

// A cambered airfoil of chord 1, in contour order: nose at x = 0, along the
// upper side to a round trailing edge of radius `teRadius`, back along the
// lower side. The sides are sampled densely at the nose and coarsely at the
// tail, where the point across the edge is nearer than the next one along
// the side (the step there is about 1.5 / perSide, far more than 2 * teRadius).
inline std::vector<XY> Airfoil(int perSide, double teRadius, int teArcPoints = 7, double thickness = 0.12) {
  auto half = [&](double x) {
    const double t =
        5 * thickness *
        (0.2969 * std::sqrt(x) - 0.1260 * x - 0.3516 * x * x + 0.2843 * x * x * x - 0.1036 * x * x * x * x);
    return std::max(t, 0.0) + teRadius * x;  // the sides end teRadius apart from the camber line
  };
  auto camber = [](double x) { return 0.04 * x * (1 - x) * 2; };
  const double xt = 1.0;
  std::vector<XY> p;
  p.push_back({0, camber(0)});
  for (int k = 1; k <= perSide; ++k) {
    const double x = xt * (1 - std::cos(M_PI / 2 * k / (perSide + 1)));
    p.push_back({x, camber(x) + half(x)});
  }
  // Trailing edge: a half circle from the upper to the lower side.
  for (int k = 0; k < teArcPoints; ++k) {
    const double a = M_PI / 2 - M_PI * k / (teArcPoints - 1);
    p.push_back({xt + teRadius * std::cos(a), camber(xt) + teRadius * std::sin(a)});
  }
  for (int k = perSide; k >= 1; --k) {
    const double x = xt * (1 - std::cos(M_PI / 2 * k / (perSide + 1)));
    p.push_back({x, camber(x) - half(x)});
  }
  return p;
}

inline std::vector<XY> Jitter(std::vector<XY> p, double amount, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-amount, amount);
  for (auto& q : p) {
    q.x += u(rng);
    q.y += u(rng);
  }
  return p;
}

// The section in a random order; design numbers stay in z.
inline ijk Shuffled(const ijk& s, std::mt19937& rng) {
  std::vector<long> order(static_cast<size_t>(s.Count()));
  for (size_t n = 0; n < order.size(); ++n) order[n] = static_cast<long>(n) + 1;
  std::shuffle(order.begin(), order.end(), rng);
  ijk out;
  for (long n : order) {
    const points& p = s.At(n);
    out.Add(p.x, p.y, p.z, p.i, p.j, p.k, p.ltol, p.utol);
  }
  return out;
}

inline std::vector<long> DesignNumbers(const ijk& s) {
  std::vector<long> d;
  for (const auto& p : s) d.push_back(std::lround(p->z));
  return d;
}

// +1 or -1 when every step of the walk goes to the next design point in that
// direction round a closed contour of n points; 0 otherwise.
inline int WalkDirection(const std::vector<long>& design, long n) {
  if (design.size() < 2) return 0;
  auto step = [&](long a, long b) { return ((b - a) % n + n) % n; };
  const long first = step(design[0], design[1]);
  if (first != 1 && first != n - 1) return 0;
  for (size_t k = 1; k + 1 < design.size(); ++k)
    if (step(design[k], design[k + 1]) != first) return 0;
  return first == 1 ? 1 : -1;
}

class GeometryTest : public FoundationTest {
 protected:
  GeometryTest() : g(core) { core.gDebugLevel = 10; }

  // The log's lines without time and tag.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string log = Log();
    size_t start = 0;
    while (start < log.size()) {
      size_t end = log.find("\r\n", start);
      if (end == std::string::npos) end = log.size();
      std::string line = log.substr(start, end - start);
      if (line.size() >= 10 && line[2] == ':' && line[5] == ':' && line[8] == ':') line.erase(0, 10);
      if (line.rfind("UNSP: ", 0) == 0) line.erase(0, 6);
      lines.push_back(line);
      start = end + 2;
    }
    return lines;
  }
  bool Logged(const std::string& line) const {
    const auto lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  void ClearLog() { fs::remove(home / "debug.txt"); }

  SectionGeometry g;
};

}  // namespace zarvane::testing
