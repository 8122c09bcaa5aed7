// Section sorting and reordering: turning a point cloud into a contour walk,
// reversing a walk and rotating it to start at the nose.
#include <algorithm>
#include <vector>

#include "foundation/text.h"
#include "geometry/pointindex.h"
#include "geometry/section.h"
#include "geometry/sectionmath.h"

namespace zarvane {

namespace {

[[noreturn]] void SubscriptError() { throw RuntimeError(kErrSubscript, "Subscript out of range"); }

void AppendPosition(ijk& list, const points& p) { list.Add(p.x, p.y, p.z, p.i, p.j, p.k, 0, 0); }

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
//
// The searches run on a grid index of the remaining points (see
// pointindex.h) and give what full scans would: the same points, the same
// order, the same log lines (reference.cpp holds the direct form).
void SectionGeometry::FullSecSort(ijk& section, long start) {
  if (!sectionindex::PointIndex::Indexable(section)) return reference::FullSecSort(*this, section, start);
  Log("FullSecSort: Start", 9);
  lastProgress_ = -1;
  const long inputCount = section.Count();
  if (start < 1 || start > inputCount) SubscriptError();
  sectionindex::PointIndex work(section);
  std::vector<long> out;  // the walk, as numbers of the index
  out.reserve(static_cast<size_t>(inputCount));

  const long first = start - 1;
  out.push_back(first);
  if (Logs(10)) c.WriteLog("FullSecSort: Adding 1 point", 10);
  double px = work.X(first), py = work.Y(first);
  work.Erase(first);
  if (work.Size() > 0) {
    double distance = 0;
    const long second = IndexedCClosest(work, px, py, distance);
    out.push_back(second);
    if (Logs(10)) c.WriteLog("FullSecSort: Adding 2 point", 10);
    double cx = work.X(second), cy = work.Y(second);
    work.Erase(second);

    double measuredAngle = 0;
    const long m = work.Size();
    auto count = [&] { return static_cast<long>(out.size()); };
    for (long step = 1; step <= m; ++step) {
      ShowProgress(step, inputCount);
      long q = IndexedForwardSearch(work, px, cx, py, cy, measuredAngle, 45, work.Size());
      if (q < 0 && count() > 3) {
        const long back = out[out.size() - 3], current = out[out.size() - 2];
        px = work.X(back);
        py = work.Y(back);
        cx = work.X(current);
        cy = work.Y(current);
        q = IndexedForwardSearch(work, px, cx, py, cy, measuredAngle, 45, work.Size());
      }
      if (q < 0) q = IndexedForwardSearch(work, px, cx, py, cy, measuredAngle, 89, work.Size());
      if (q >= 0) {
        out.push_back(q);
        if (Logs(10))
          c.WriteLog("FullSecSort: Adding " + std::to_string(count()) + " point, input section has " +
                         std::to_string(work.Size()) + " points left.",
                     10);
        px = cx;
        py = cy;
        cx = work.X(q);
        cy = work.Y(q);
        work.Erase(q);
      } else if (count() <= 2) {
        if (Logs(10))
          c.WriteLog("FullSecSort: Stopping with " + std::to_string(count()) + " points, input section has " +
                         std::to_string(work.Size()) + " points left.",
                     10);
        break;
      } else {
        if (Logs(10))
          c.WriteLog("FullSecSort: Removing " + std::to_string(count()) + " point, input section has " +
                         std::to_string(work.Size()) + " points left.",
                     10);
        out.pop_back();
        const long back = out[out.size() - 2], current = out.back();
        px = work.X(back);
        py = work.Y(back);
        cx = work.X(current);
        cy = work.Y(current);
      }
    }
  }
  ijk sorted;
  sorted.Reserve(static_cast<long>(out.size()));
  for (long i : out) AppendPosition(sorted, section.At(i + 1));
  section = std::move(sorted);
}

// The simple sort: always on to the nearest remaining point. A point on the
// last one is never the nearest; when only such points remain (a closed scan
// repeating its first point at the end) they follow in their order.
void SectionGeometry::SecSort(ijk& section, long start) {
  if (!sectionindex::PointIndex::Indexable(section)) return reference::SecSort(*this, section, start);
  Log("SecSort: Start", 9);
  lastProgress_ = -1;
  const long inputCount = section.Count();
  if (start < 1 || start > inputCount) SubscriptError();
  sectionindex::PointIndex work(section);
  std::vector<long> out;
  out.reserve(static_cast<size_t>(inputCount));
  out.push_back(start - 1);
  work.Erase(start - 1);
  const long steps = work.Size();
  for (long step = 1; step <= steps; ++step) {
    ShowProgress(step, inputCount);
    const double lx = work.X(out.back()), ly = work.Y(out.back());
    // ClosestXY: the nearest point at a distance above 0 and below 9999.
    long q = -1;
    double distance = 0;
    const bool any = sectionindex::PointIndex::NearestFirst(work, lx, ly).Next(q, distance);
    if (!any || !(distance < 9999.0)) q = -1;
    if (Logs(0))
      c.WriteLog("ClosestXY found: " + std::to_string(q < 0 ? 0 : work.Position(q)) +
                     " at distance: " + NumberText(q < 0 ? 9999.0 : distance),
                 0);
    if (!any) {
      // Nothing at a distance above 0: every remaining point repeats the last.
      if (Logs(10))
        c.WriteLog("SecSort: Adding " + std::to_string(work.Size()) + " points that repeat the last point.", 10);
      for (long i = work.First(); i >= 0; i = work.Next(i)) out.push_back(i);
      ShowProgress(steps, inputCount);
      break;
    }
    if (q < 0) SubscriptError();  // no point found
    out.push_back(q);
    work.Erase(q);
  }
  ijk sorted;
  sorted.Reserve(static_cast<long>(out.size()));
  for (long i : out) AppendPosition(sorted, section.At(i + 1));
  section = std::move(sorted);
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
  if (Logs(7)) c.WriteLog("sReorder: input nose: " + std::to_string(nose) + " input tail: " + std::to_string(tail), 7);
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
