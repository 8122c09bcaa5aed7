// Section sorting and reordering: turning a point cloud into a contour walk,
// reversing a walk and rotating it to start at the nose.
#include <algorithm>

#include "foundation/text.h"
#include "geometry/section.h"
#include "geometry/sectionmath.h"

namespace zarvane {

namespace {

[[noreturn]] void SubscriptError() { throw RuntimeError(kErrSubscript, "Subscript out of range"); }

void AppendPosition(ijk& list, const points& p) { list.Add(p.x, p.y, p.z, p.i, p.j, p.k, 0, 0); }

// Every point of the list lies on (x, y) in the plane.
bool AllOn(const ijk& list, double x, double y) {
  for (const auto& p : list)
    if (sectionmath::DistanceXY(*p, x, y) != 0) return false;
  return true;
}

}  // namespace

// The bar shows 100 * step / total, at most 100; the hook hears only changes.
void SectionGeometry::ShowProgress(long step, long total) {
  if (!progress || total <= 0) return;
  const int value = static_cast<int>(std::min(100.0 * static_cast<double>(step) / static_cast<double>(total), 100.0));
  if (value == lastProgress_) return;
  lastProgress_ = value;
  progress(value);
}

// The forward walk. From the start point and its nearest neighbour it goes on
// to the nearest point ahead (within 45 degrees of the direction of travel),
// retries from one point back, then accepts up to 89 degrees; when nothing
// qualifies the last point of the walk is dropped and the walk backs up.
// When the walk would have to drop a point while it holds two points or fewer
// there is nothing left to back up to: the walk stops there and the section
// becomes the points it holds. A section of one point sorts to itself.
//
// The walk's forward search examines every remaining point. ClosestForwardPt
// stops one candidate short of the points it is given, so with it the last
// remaining point could never be accepted: every clean contour lost its last
// point and, through the drop that follows, the one before it.
void SectionGeometry::FullSecSort(ijk& section, long start) {
  Log("FullSecSort: Start", 9);
  lastProgress_ = -1;
  const long inputCount = section.Count();
  ijk work;
  CopySection(work, section);
  ijk out;

  AppendPosition(out, work.At(start));
  if (Logs(10)) c.WriteLog("FullSecSort: Adding " + std::to_string(out.Count()) + " point", 10);
  double px = out.At(out.Count()).x, py = out.At(out.Count()).y;
  work.Remove(start);
  if (work.Count() == 0) {
    section = std::move(out);
    return;
  }

  long q = 0;
  double distance = 0;
  CClosestXY(work, px, py, q, distance);
  AppendPosition(out, work.At(q));
  if (Logs(10)) c.WriteLog("FullSecSort: Adding " + std::to_string(out.Count()) + " point", 10);
  double cx = out.At(out.Count()).x, cy = out.At(out.Count()).y;
  work.Remove(q);

  double measuredAngle = 0;
  const long m = work.Count();
  for (long step = 1; step <= m; ++step) {
    ShowProgress(step, inputCount);
    q = ForwardSearch(work, px, cx, py, cy, measuredAngle, 45, work.Count());
    if (q == 0 && out.Count() > 3) {
      const points& back = out.At(out.Count() - 2);
      const points& current = out.At(out.Count() - 1);
      px = back.x;
      py = back.y;
      cx = current.x;
      cy = current.y;
      q = ForwardSearch(work, px, cx, py, cy, measuredAngle, 45, work.Count());
    }
    if (q == 0) q = ForwardSearch(work, px, cx, py, cy, measuredAngle, 89, work.Count());
    if (q != 0) {
      const points next = work.At(q);
      AppendPosition(out, next);
      if (Logs(10))
        c.WriteLog("FullSecSort: Adding " + std::to_string(out.Count()) + " point, input section has " +
                       std::to_string(work.Count()) + " points left.",
                   10);
      px = cx;
      py = cy;
      cx = next.x;
      cy = next.y;
      work.Remove(q);
    } else if (out.Count() <= 2) {
      if (Logs(10))
        c.WriteLog("FullSecSort: Stopping with " + std::to_string(out.Count()) + " points, input section has " +
                       std::to_string(work.Count()) + " points left.",
                   10);
      break;
    } else {
      if (Logs(10))
        c.WriteLog("FullSecSort: Removing " + std::to_string(out.Count()) + " point, input section has " +
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

// The simple sort: always on to the nearest remaining point. A point on the
// last one is never the nearest; when only such points remain (a closed scan
// repeating its first point at the end) they follow in their order.
void SectionGeometry::SecSort(ijk& section, long start) {
  Log("SecSort: Start", 9);
  lastProgress_ = -1;
  const long inputCount = section.Count();
  ijk work;
  CopySection(work, section);
  ijk out;
  AppendPosition(out, work.At(start));
  work.Remove(start);
  const long steps = work.Count();
  for (long step = 1; step <= steps; ++step) {
    ShowProgress(step, inputCount);
    const points& last = out.At(out.Count());
    const long q = ClosestXY(work, last.x, last.y);
    if (q == 0 && AllOn(work, last.x, last.y)) {
      Log("SecSort: Adding " + std::to_string(work.Count()) + " points that repeat the last point.", 10);
      for (const auto& p : work) AppendPosition(out, *p);
      ShowProgress(steps, inputCount);
      break;
    }
    AppendPosition(out, work.At(q));  // no point found (0): a subscript error for the caller
    work.Remove(q);
  }
  section = std::move(out);
}

void SectionGeometry::RevSec(ijk& section) {
  Log("RevSec: Start", 10);
  ijk reversed;
  for (long k = section.Count(); k >= 1; --k) AppendPosition(reversed, section.At(k));
  section = std::move(reversed);
}

// Rotates the closed walk so that the nose becomes point 1; the tail and the
// marker points travel with the renumbering. The nose must be a point of the
// section; the other numbers are 0 (none) or points of the section.
void SectionGeometry::sReorder(ijk& section, std::int32_t& nose, std::int32_t& nose1, std::int32_t& nose2,
                               std::int32_t& tail, std::int32_t& tail1, std::int32_t& tail2) {
  Log("sReorder: Start", 7);
  if (Logs(7))
    c.WriteLog("sReorder: input nose: " + std::to_string(nose) + " input tail: " + std::to_string(tail), 7);
  const long n = section.Count();
  if (nose < 1 || nose > n) SubscriptError();
  for (const std::int32_t marker : {nose1, nose2, tail, tail1, tail2})
    if (marker < 0 || marker > n) SubscriptError();

  std::int32_t outTail = 0, outTail1 = 0, outTail2 = 0, outNose1 = 0, outNose2 = 0;
  ijk reordered;
  long p = nose;
  for (long count = 1; count <= n; ++count) {
    const points& point = section.At(p);
    reordered.Add(point.x, point.y, point.z, point.i, point.j, point.k, point.ltol, point.utol);
    const auto number = static_cast<std::int32_t>(count);
    if (tail == p) outTail = number;
    if (tail1 == p) outTail1 = number;
    if (tail2 == p) outTail2 = number;
    if (nose1 == p) outNose1 = number;
    if (nose2 == p) outNose2 = number;
    if (++p > n) p = 1;
  }
  section = std::move(reordered);
  nose = 1;
  tail = outTail;
  tail1 = outTail1;
  tail2 = outTail2;
  nose1 = outNose1;
  nose2 = outNose2;

  if (Logs(9)) {
    c.WriteLog("sReorder: output nose: " + std::to_string(nose) + " output tail: " + std::to_string(tail), 9);
    c.WriteLog("sReorder: output nose1: " + std::to_string(nose1) + " output tail1: " + std::to_string(tail1), 9);
    c.WriteLog("sReorder: output nose2: " + std::to_string(nose2) + " output tail2: " + std::to_string(tail2), 9);
  }
  Log("sReorder end", 7);
}

}  // namespace zarvane
