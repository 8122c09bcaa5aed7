// Nose and tail detection and the point searches the sorts walk with.
#include <cmath>
#include <optional>

#include "foundation/text.h"
#include "geometry/pointindex.h"
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
  if (Logs(7)) c.WriteLog("GetNoseTail start: Nose: " + std::to_string(nose) + " Tail: " + std::to_string(tail), 7);
  const long n = section.Count();
  // A number handed in must name a point of the section (0 is unset).
  if (nose < 0 || nose > n || tail < 0 || tail > n) SubscriptError();
  const long h = n / 2;
  double distance = 0;
  if (nose == 0 && tail == 0) nose = static_cast<std::int32_t>(MinX(section));
  // Moves `number` to the point of the window around `centre` farthest from `reference`.
  const auto settle = [&](std::int32_t& number, long centre, long reference, const char* which) {
    number = static_cast<std::int32_t>(FarthestInWindow(section, centre, reference, distance));
    if (Logs(0))
      c.WriteLog(std::string("GetNoseTail: ") + which + " set to: " + std::to_string(number) +
                     " distance was: " + NumberText(distance),
                 0);
  };
  // Half a turn round the contour from a known end.
  const auto across = [&](long from) { return from + h > n ? from + h - n : from + h; };
  if (nose != 0 && tail == 0) {
    Log("GetNoseTail: Nose known or suggested, find tail.", 0);
    settle(tail, across(nose), nose, "Tail");
  } else if (nose == 0 && tail != 0) {
    Log("GetNoseTail: Tail known, find nose.", 0);
    settle(nose, across(tail), tail, "Nose");
  }
  settle(nose, nose, tail, "Nose");
  settle(tail, tail, nose, "Tail");
  if (Logs(0)) c.WriteLog("GetNoseTail found Nose: " + std::to_string(nose) + ", Tail: " + std::to_string(tail), 0);
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
  if (Logs(10)) c.WriteLog("MinX found minimum X point: " + std::to_string(candidate), 10);
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
  if (Logs(0)) c.WriteLog("ClosestXY found: " + std::to_string(result) + " at distance: " + NumberText(best), 0);
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
  if (Logs(0)) c.WriteLog("CClosestXY found: " + std::to_string(number) + " at distance: " + NumberText(distance), 0);
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
  if (Logs(0)) c.WriteLog("LineAngle: " + NumberText(angle), 0);
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
  if (!sectionindex::PointIndex::Indexable(section))
    return reference::ClosestForwardPt(*this, section, px, cx, py, cy, measuredAngle, testAngle);
  sectionindex::PointIndex candidates(section);
  // At most one candidate fewer than the points.
  const long found = IndexedForwardSearch(candidates, px, cx, py, cy, measuredAngle, testAngle, section.Count() - 1);
  return found + 1;  // nothing is erased: the index's numbers are the positions less one
}

// CClosestXY over the points of an index: the first point in list order
// whatever its distance when that is 0, else the nearest at a distance above
// 0, the first in list order of equal ones (the first point is one of them).
long SectionGeometry::IndexedCClosest(sectionindex::PointIndex& work, double x, double y, double& distance) {
  long q = work.First();
  distance = DistanceXY(work.X(q), work.Y(q), x, y);
  if (distance != 0) {
    sectionindex::PointIndex::NearestFirst nearest(work, x, y);
    nearest.Next(q, distance);  // finds at least the first point
  }
  if (Logs(0))
    c.WriteLog("CClosestXY found: " + std::to_string(work.Position(q)) + " at distance: " + NumberText(distance), 0);
  return q;
}

// The forward search: the nearest candidates around (cx, cy), nearest first,
// until one continues the direction of travel (px, py) -> (cx, cy) within the
// test angle, examining at most `limit` candidates.
//
// The candidates come in the order repeated CClosestXY calls on a shrinking
// copy of the points would give them: the first remaining point in list
// order when it lies on (cx, cy), else the nearest remaining point at a
// distance above 0. Examined candidates are hidden in the index for the
// search instead of being removed from a copy; the positions the log names
// are those the copy would have had.
long SectionGeometry::IndexedForwardSearch(sectionindex::PointIndex& work, double px, double cx, double py, double cy,
                                           double& measuredAngle, double testAngle, long limit) {
  if (Logs(10)) c.WriteLog("ClosestForwardPt: Start: Test Angle is: " + NumberText(testAngle), 10);
  const bool logs = Logs(0);
  const double travel = LineAngle(px, cx, py, cy);
  long result = -1;
  double distance = 0;
  work.BeginRound(logs);
  std::optional<sectionindex::PointIndex::NearestFirst> nearest;
  long first = work.First();
  for (long examined = 0; result < 0 && examined < limit; ++examined) {
    while (first >= 0 && work.Hidden(first)) first = work.Next(first);
    if (first < 0) break;  // not reached: the limit is at most the points in the index
    long q = first;
    distance = DistanceXY(work.X(q), work.Y(q), cx, cy);
    if (distance != 0) {
      if (!nearest) nearest.emplace(work, cx, cy);
      nearest->Next(q, distance);  // finds at least the first remaining point
    }
    if (logs)
      c.WriteLog(
          "CClosestXY found: " + std::to_string(work.VisiblePosition(q)) + " at distance: " + NumberText(distance), 0);
    work.Hide(q);
    const double direction = LineAngle(cx, work.X(q), cy, work.Y(q));
    const double turn = std::fabs(travel - direction);
    const double deviation = Minimum(turn, 360 - turn);
    if (deviation >= testAngle) {
      if (logs)
        c.WriteLog("ClosestForwardPt Failed Angle: " + std::to_string(work.Position(q)) +
                       " at distance: " + NumberText(distance) + " and angle: " + NumberText(deviation) +
                       " Test Angle: " + NumberText(testAngle),
                   0);
    } else {
      measuredAngle = deviation;
      result = q;
    }
  }
  work.EndRound();
  if (logs)
    c.WriteLog("ClosestForwardPt found: " + std::to_string(result < 0 ? 0 : work.Position(result)) +
                   " at distance: " + NumberText(distance) + " and Measured Angle: " + NumberText(measuredAngle) +
                   " and Test Angle: " + NumberText(testAngle),
               0);
  return result;
}

}  // namespace zarvane
