#pragma once
// Points and sections: one measured or nominal point (`points`) and the ordered
// list of points of one airfoil section (`ijk`), with the nose and tail search
// and the section sorts that work on them. Point numbers are 1-based
// positions in a section.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core.h"

namespace zarvane {

struct points {
  double x = 0, y = 0, z = 0;
  double i = 0, j = 0, k = 0;
  double ltol = 0, utol = 0;
};

// One section. Items are shared objects: a point handed out by Add or Item
// stays valid for its holder even after the section drops it, and changing its
// fields changes the section while the section holds it. A position outside
// 1..Count (or a key that is not there) is a subscript error (RuntimeError 9).
class ijk {
 public:
  std::shared_ptr<points> Add(double x, double y, double z, double i, double j, double k, double ltol, double utol,
                              const std::string& sKey = "");
  double AverageZ() const;  // an empty section is an error (RuntimeError 11, division by zero)
  std::shared_ptr<points> Item(long position) const;
  std::shared_ptr<points> Item(const std::string& key) const;
  // The point at a position, for reading in loops without reference counting.
  const points& At(long position) const;
  long Count() const { return static_cast<long>(items_.size()); }
  void Remove(long position);
  void Remove(const std::string& key);
  void Clear();
  void Reserve(long count);  // room for this many points, for lists built point by point

  // for-each over the points in order
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::shared_ptr<points>> items_;
  std::vector<std::string> keys_;  // parallel to items_ once a point has a key; empty = no key
};

// Replaces the destination's points by independent copies of the source's
// positions and directions, tolerances 0.
void CopySection(ijk& destination, const ijk& source);

class SectionGeometry;
namespace sectionindex {
class PointIndex;
}

// The direct forms of the searching operations: every search step scans all
// remaining points and ClosestForwardPt works on a copy of its section. They
// give the same results, log lines and errors as the operations of
// SectionGeometry, which search through a spatial index, and are the yardstick
// those are tested against. Sections the index cannot hold (coordinates not
// finite or beyond 1e150) are sorted by these.
namespace reference {
long ClosestForwardPt(SectionGeometry& g, const ijk& section, double px, double cx, double py, double cy,
                      double& measuredAngle, double testAngle);
void FullSecSort(SectionGeometry& g, ijk& section, long start);
void SecSort(SectionGeometry& g, ijk& section, long start);
}  // namespace reference

// Nose and tail detection, point search and the section sorts. Logs through
// the core; the sorts move the progress bar through `progress` (0 to 100).
class SectionGeometry {
 public:
  explicit SectionGeometry(Core& core) : c(core) {}
  Core& c;
  std::function<void(int percent)> progress;

  void GetNoseTail(const ijk& section, std::int32_t& nose, std::int32_t& tail);
  long MinX(const ijk& section);
  long ClosestXY(const ijk& section, double x, double y);
  void CClosestXY(const ijk& section, double x, double y, long& number, double& distance);
  long ClosestForwardPt(const ijk& section, double px, double cx, double py, double cy, double& measuredAngle,
                        double testAngle);
  double LineAngle(double x1, double x2, double y1, double y2);
  double Minimum(double a, double b);

  // Each replaces the section with the new list.
  void FullSecSort(ijk& section, long start);
  void SecSort(ijk& section, long start);
  void RevSec(ijk& section);
  void sReorder(ijk& section, std::int32_t& nose, std::int32_t& nose1, std::int32_t& nose2, std::int32_t& tail,
                std::int32_t& tail1, std::int32_t& tail2);

  // A line of this level reaches the log (messages are built only then).
  bool Logs(int level) const;

 private:
  friend void reference::FullSecSort(SectionGeometry&, ijk&, long);
  friend void reference::SecSort(SectionGeometry&, ijk&, long);

  void Log(const std::string& text, int level);
  long FarthestInWindow(const ijk& section, long centre, long reference, double& distance);
  // CClosestXY and ClosestForwardPt over the points of an index; point
  // numbers are the index's (0-based), -1 for none.
  long IndexedCClosest(sectionindex::PointIndex& work, double x, double y, double& distance);
  long IndexedForwardSearch(sectionindex::PointIndex& work, double px, double cx, double py, double cy,
                            double& measuredAngle, double testAngle, long limit);
  void ShowProgress(long step, long total);
  int lastProgress_ = -1;
};

}  // namespace zarvane
