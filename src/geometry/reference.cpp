// The direct forms of the section searches and sorts: full scans of the
// remaining points at every step, a copied candidate list per forward search.
#include <cmath>
#include <vector>

#include "foundation/text.h"
#include "geometry/section.h"
#include "geometry/sectionmath.h"

namespace zarvane::reference {

namespace {

void AppendPosition(ijk& list, const points& p) { list.Add(p.x, p.y, p.z, p.i, p.j, p.k, 0, 0); }

// Every point of the list lies on (x, y) in the plane.
bool AllOn(const ijk& list, double x, double y) {
  for (const auto& p : list)
    if (sectionmath::DistanceXY(*p, x, y) != 0) return false;
  return true;
}

// The forward search: the nearest candidates around (cx, cy), nearest first,
// until one continues the direction of travel (px, py) -> (cx, cy) within the
// test angle, examining at most `limit` candidates.
long ForwardSearch(SectionGeometry& g, const ijk& section, double px, double cx, double py, double cy,
                   double& measuredAngle, double testAngle, long limit) {
  if (g.Logs(10)) g.c.WriteLog("ClosestForwardPt: Start: Test Angle is: " + NumberText(testAngle), 10);
  // The candidates, each with its number in the section passed in.
  ijk candidates;
  CopySection(candidates, section);
  std::vector<long> numbers(static_cast<size_t>(section.Count()));
  for (size_t k = 0; k < numbers.size(); ++k) numbers[k] = static_cast<long>(k) + 1;

  const double travel = g.LineAngle(px, cx, py, cy);
  long result = 0;
  double distance = 0;
  for (long examined = 0; result == 0 && examined < limit; ++examined) {
    long q = 0;
    g.CClosestXY(candidates, cx, cy, q, distance);
    const points candidate = candidates.At(q);
    const long number = numbers[static_cast<size_t>(q - 1)];
    candidates.Remove(q);
    numbers.erase(numbers.begin() + (q - 1));
    const double direction = g.LineAngle(cx, candidate.x, cy, candidate.y);
    const double turn = std::fabs(travel - direction);
    const double deviation = g.Minimum(turn, 360 - turn);
    if (deviation >= testAngle) {
      if (g.Logs(0))
        g.c.WriteLog("ClosestForwardPt Failed Angle: " + std::to_string(number) +
                         " at distance: " + NumberText(distance) + " and angle: " + NumberText(deviation) +
                         " Test Angle: " + NumberText(testAngle),
                     0);
    } else {
      measuredAngle = deviation;
      result = number;
    }
  }
  if (g.Logs(0))
    g.c.WriteLog("ClosestForwardPt found: " + std::to_string(result) + " at distance: " + NumberText(distance) +
                     " and Measured Angle: " + NumberText(measuredAngle) + " and Test Angle: " + NumberText(testAngle),
                 0);
  return result;
}

}  // namespace

long ClosestForwardPt(SectionGeometry& g, const ijk& section, double px, double cx, double py, double cy,
                      double& measuredAngle, double testAngle) {
  return ForwardSearch(g, section, px, cx, py, cy, measuredAngle, testAngle, section.Count() - 1);
}

void FullSecSort(SectionGeometry& g, ijk& section, long start) {
  g.Log("FullSecSort: Start", 9);
  g.lastProgress_ = -1;
  const long inputCount = section.Count();
  ijk work;
  CopySection(work, section);
  ijk out;

  AppendPosition(out, work.At(start));
  if (g.Logs(10)) g.c.WriteLog("FullSecSort: Adding " + std::to_string(out.Count()) + " point", 10);
  double px = out.At(out.Count()).x, py = out.At(out.Count()).y;
  work.Remove(start);
  if (work.Count() == 0) {
    section = std::move(out);
    return;
  }

  long q = 0;
  double distance = 0;
  g.CClosestXY(work, px, py, q, distance);
  AppendPosition(out, work.At(q));
  if (g.Logs(10)) g.c.WriteLog("FullSecSort: Adding " + std::to_string(out.Count()) + " point", 10);
  double cx = out.At(out.Count()).x, cy = out.At(out.Count()).y;
  work.Remove(q);

  double measuredAngle = 0;
  const long m = work.Count();
  for (long step = 1; step <= m; ++step) {
    g.ShowProgress(step, inputCount);
    q = ForwardSearch(g, work, px, cx, py, cy, measuredAngle, 45, work.Count());
    if (q == 0 && out.Count() > 3) {
      const points& back = out.At(out.Count() - 2);
      const points& current = out.At(out.Count() - 1);
      px = back.x;
      py = back.y;
      cx = current.x;
      cy = current.y;
      q = ForwardSearch(g, work, px, cx, py, cy, measuredAngle, 45, work.Count());
    }
    if (q == 0) q = ForwardSearch(g, work, px, cx, py, cy, measuredAngle, 89, work.Count());
    if (q != 0) {
      const points next = work.At(q);
      AppendPosition(out, next);
      if (g.Logs(10))
        g.c.WriteLog("FullSecSort: Adding " + std::to_string(out.Count()) + " point, input section has " +
                         std::to_string(work.Count()) + " points left.",
                     10);
      px = cx;
      py = cy;
      cx = next.x;
      cy = next.y;
      work.Remove(q);
    } else if (out.Count() <= 2) {
      if (g.Logs(10))
        g.c.WriteLog("FullSecSort: Stopping with " + std::to_string(out.Count()) + " points, input section has " +
                         std::to_string(work.Count()) + " points left.",
                     10);
      break;
    } else {
      if (g.Logs(10))
        g.c.WriteLog("FullSecSort: Removing " + std::to_string(out.Count()) + " point, input section has " +
                         std::to_string(work.Count()) + " points left.",
                     10);
      out.Remove(out.Count());
      const points& back = out.At(out.Count() - 1);
      const points& current = out.At(out.Count());
      px = back.x;
      py = back.y;
      cx = current.x;
      cy = current.y;
    }
  }
  section = std::move(out);
}

void SecSort(SectionGeometry& g, ijk& section, long start) {
  g.Log("SecSort: Start", 9);
  g.lastProgress_ = -1;
  const long inputCount = section.Count();
  ijk work;
  CopySection(work, section);
  ijk out;
  AppendPosition(out, work.At(start));
  work.Remove(start);
  const long steps = work.Count();
  for (long step = 1; step <= steps; ++step) {
    g.ShowProgress(step, inputCount);
    const points& last = out.At(out.Count());
    const long q = g.ClosestXY(work, last.x, last.y);
    if (q == 0 && AllOn(work, last.x, last.y)) {
      if (g.Logs(10))
        g.c.WriteLog("SecSort: Adding " + std::to_string(work.Count()) + " points that repeat the last point.", 10);
      for (const auto& p : work) AppendPosition(out, *p);
      g.ShowProgress(steps, inputCount);
      break;
    }
    AppendPosition(out, work.At(q));  // no point found (0): a subscript error for the caller
    work.Remove(q);
  }
  section = std::move(out);
}

}  // namespace zarvane::reference
