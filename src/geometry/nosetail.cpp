// Nose and tail detection and the point searches the sorts walk with.
#include <cmath>

#include "foundation/text.h"
#include "geometry/section.h"
#include "geometry/sectionmath.h"

namespace zarvane {

using sectionmath::Distance3;
using sectionmath::DistanceXY;

namespace {

[[noreturn]] void SubscriptError() { throw RuntimeError(kErrSubscript, "Subscript out of range"); }

}  // namespace

bool SectionGeometry::Logs(int level) const { return c.gDebugLevel >= 5 && c.gDebugLevel >= level; }

void SectionGeometry::Log(const std::string& text, int level) {
  if (Logs(level)) c.WriteLog(text, level);
}

// The farthest point from `reference` among the points within w positions of
// `centre` on either side, the window wrapping round the closed contour.
long SectionGeometry::FarthestInWindow(const ijk& section, long centre, long reference, double& distance) {
  const long n = section.Count();
  const long w = std::lround(static_cast<double>(n) / 3.0);  // n / 3 is never halfway
  const points& r = section.At(reference);
  long best = centre;
  distance = 0;
  auto scan = [&](long from, long to) {
    for (long k = from; k <= to; ++k) {
      const double d = Distance3(section.At(k), r);
      if (d > distance) {
        best = k;
        distance = d;
      }
    }
  };
  long start = centre - w;
  if (start < 1) start += n;
  long end = centre + w;
  if (end > n) end -= n;
  if (start <= end) {
    scan(start, end);
  } else {
    scan(start, n);
    scan(1, end);
  }
  return best;
}

void SectionGeometry::GetNoseTail(const ijk& section, std::int32_t& nose, std::int32_t& tail) {
  Log("GetNoseTail start: Nose: " + std::to_string(nose) + " Tail: " + std::to_string(tail), 7);
  const long n = section.Count();
  // A number handed in must name a point of the section (0 is unset).
  if (nose < 0 || nose > n || tail < 0 || tail > n) SubscriptError();
  const long h = n / 2;
  double distance = 0;
  if (nose == 0 && tail == 0) nose = static_cast<std::int32_t>(MinX(section));
  if (nose != 0 && tail == 0) {
    Log("GetNoseTail: Nose known or suggested, find tail.", 0);
    long estimate = nose + h;
    if (estimate > n) estimate -= n;
    tail = static_cast<std::int32_t>(FarthestInWindow(section, estimate, nose, distance));
    Log("GetNoseTail: Tail set to: " + std::to_string(tail) + " distance was: " + NumberText(distance), 0);
  } else if (nose == 0 && tail != 0) {
    Log("GetNoseTail: Tail known, find nose.", 0);
    long estimate = tail + h;
    if (estimate > n) estimate -= n;
    nose = static_cast<std::int32_t>(FarthestInWindow(section, estimate, tail, distance));
    Log("GetNoseTail: Nose set to: " + std::to_string(nose) + " distance was: " + NumberText(distance), 0);
  }
  nose = static_cast<std::int32_t>(FarthestInWindow(section, nose, tail, distance));
  Log("GetNoseTail: Nose set to: " + std::to_string(nose) + " distance was: " + NumberText(distance), 0);
  tail = static_cast<std::int32_t>(FarthestInWindow(section, tail, nose, distance));
  Log("GetNoseTail: Tail set to: " + std::to_string(tail) + " distance was: " + NumberText(distance), 0);
  Log("GetNoseTail found Nose: " + std::to_string(nose) + ", Tail: " + std::to_string(tail), 0);
  Log("GetNoseTail end", 7);
}

long SectionGeometry::MinX(const ijk& section) {
  // An empty section has no first point: a subscript error for the caller.
  long candidate = 1;
  double minimum = section.At(1).x;
  for (long k = 2; k <= section.Count(); ++k) {
    const double x = section.At(k).x;
    if (x < minimum) {
      candidate = k;
      minimum = x;
    }
  }
  Log("MinX found minimum X point: " + std::to_string(candidate), 10);
  return candidate;
}

long SectionGeometry::ClosestXY(const ijk& section, double x, double y) {
  double best = 9999.0;
  long result = 0;
  for (long k = 1; k <= section.Count(); ++k) {
    const double d = DistanceXY(section.At(k), x, y);
    if (d > 0 && d < best) {
      best = d;
      result = k;
    }
  }
  Log("ClosestXY found: " + std::to_string(result) + " at distance: " + NumberText(best), 0);
  return result;
}

void SectionGeometry::CClosestXY(const ijk& section, double x, double y, long& number, double& distance) {
  // Point 1 is taken whatever its distance, even 0; later points only when
  // nearer and not on (x, y).
  number = 1;
  distance = DistanceXY(section.At(1), x, y);
  for (long k = 2; k <= section.Count(); ++k) {
    const double d = DistanceXY(section.At(k), x, y);
    if (d < distance && d > 0) {
      number = k;
      distance = d;
    }
  }
  Log("CClosestXY found: " + std::to_string(number) + " at distance: " + NumberText(distance), 0);
}

double SectionGeometry::LineAngle(double x1, double x2, double y1, double y2) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  auto degrees = [](double radians) { return radians * 180 / 3.14159265358979; };
  double angle = 0;
  if (dx < 0) {
    angle = degrees(std::atan(dy / dx)) + 180;
  } else if (dx > 0) {
    angle = degrees(std::atan(dy / dx));
    if (dy < 0) angle += 360;
  } else if (dy > 0) {
    angle = 90;
  } else if (dy < 0) {
    angle = 270;
  } else {
    c.WriteLog("LineAngle: Point input was 0,0, zero angle returned.", 0, true);
  }
  Log("LineAngle: " + NumberText(angle), 0);
  return angle;
}

double SectionGeometry::Minimum(double a, double b) {
  const double result = a < b ? a : b;
  if (Logs(10))
    c.WriteLog("Minimum found min: " + NumberText(result) + " from: " + NumberText(a) + "," + NumberText(b), 10);
  return result;
}

long SectionGeometry::ClosestForwardPt(const ijk& section, double px, double cx, double py, double cy,
                                       double& measuredAngle, double testAngle) {
  return ForwardSearch(section, px, cx, py, cy, measuredAngle, testAngle, section.Count() - 1);
}

// The forward search: the nearest candidates around (cx, cy), nearest first,
// until one continues the direction of travel (px, py) -> (cx, cy) within the
// test angle, examining at most `limit` candidates.
long SectionGeometry::ForwardSearch(const ijk& section, double px, double cx, double py, double cy,
                                    double& measuredAngle, double testAngle, long limit) {
  if (Logs(10)) c.WriteLog("ClosestForwardPt: Start: Test Angle is: " + NumberText(testAngle), 10);
  // The candidates, each with its number in the section passed in.
  ijk candidates;
  CopySection(candidates, section);
  std::vector<long> numbers(static_cast<size_t>(section.Count()));
  for (size_t k = 0; k < numbers.size(); ++k) numbers[k] = static_cast<long>(k) + 1;

  const double travel = LineAngle(px, cx, py, cy);
  long result = 0;
  double distance = 0;
  for (long examined = 0; result == 0 && examined < limit; ++examined) {
    long q = 0;
    CClosestXY(candidates, cx, cy, q, distance);
    const points candidate = candidates.At(q);
    const long number = numbers[static_cast<size_t>(q - 1)];
    candidates.Remove(q);
    numbers.erase(numbers.begin() + (q - 1));
    const double direction = LineAngle(cx, candidate.x, cy, candidate.y);
    const double turn = std::fabs(travel - direction);
    const double deviation = Minimum(turn, 360 - turn);
    if (deviation >= testAngle) {
      if (Logs(0))
        c.WriteLog("ClosestForwardPt Failed Angle: " + std::to_string(number) + " at distance: " +
                       NumberText(distance) + " and angle: " + NumberText(deviation) +
                       " Test Angle: " + NumberText(testAngle),
                   0);
    } else {
      measuredAngle = deviation;
      result = number;
    }
  }
  if (Logs(0))
    c.WriteLog("ClosestForwardPt found: " + std::to_string(result) + " at distance: " + NumberText(distance) +
                   " and Measured Angle: " + NumberText(measuredAngle) + " and Test Angle: " +
                   NumberText(testAngle),
               0);
  return result;
}

}  // namespace zarvane
