#pragma once
// A spatial index over the points of a section, for the sorts that take
// points out one by one and search the rest around the current point.
//
// Points are numbered 0 to n - 1 in list order and keep their numbers when
// others are erased. A grid of square cells, sized so that a cell the
// section passes through holds a few points (a contour of thousands of
// points crosses few of the cells of its box), holds the points still in the
// index; only cells holding points are stored, in a hash table. A search
// visits the points nearest first, equal distances in list order, exactly as
// a full scan that keeps the first of equal minima would.
// Besides erasing for good, points can be hidden for one round of searches
// (the candidates a forward search has already examined); hidden points are
// skipped by searches but still count for their list positions.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "geometry/section.h"

namespace zarvane::sectionindex {

class PointIndex {
 public:
  // The plane positions of the section's points (its point k is number k - 1).
  explicit PointIndex(const ijk& section);

  // Sections whose coordinates the grid can hold: finite, below 1e150 in size
  // (the squared distances of the searches must not overflow).
  static bool Indexable(const ijk& section);

  long Size() const { return alive_; }
  double X(long i) const { return xs_[static_cast<size_t>(i)]; }
  double Y(long i) const { return ys_[static_cast<size_t>(i)]; }

  // List order of the points in the index: the first (-1 when empty) and the
  // one after i (-1 after the last).
  long First() const { return head_; }
  long Next(long i) const { return next_[static_cast<size_t>(i)]; }

  void Erase(long i);

  // 1-based position of point i among the points in the index, hidden ones included.
  long Position(long i) const;
  // 1-based position of point i among the points neither erased nor hidden
  // (needs a round begun with countHidden).
  long VisiblePosition(long i) const;

  // A round of searches: points hidden during it come back at its end.
  void BeginRound(bool countHidden);
  void Hide(long i);
  bool Hidden(long i) const { return mark_[static_cast<size_t>(i)] == round_; }
  void EndRound();

  // The points neither erased nor hidden at a distance above 0 from (x, y),
  // nearest first, equal distances in list order. Distances are those of
  // sectionmath::DistanceXY. One search at a time per index; points hidden
  // or erased while it runs must be ones it has already returned.
  class NearestFirst {
   public:
    NearestFirst(PointIndex& index, double x, double y);
    bool Next(long& i, double& distance);

   private:
    double RingBound(std::int64_t ring) const;
    void ExpandRing(std::int64_t ring);
    void ScanCell(std::int64_t cx, std::int64_t cy);
    void TakeTheRest();
    void Push(long i);

    PointIndex& index_;
    double x_, y_;
    std::int64_t cx_ = 0, cy_ = 0;  // the cell of (x, y) in the grid's lattice
    double inset_ = 0;              // distance from (x, y) to its cell's border
    std::int64_t ring_ = 0, lastRing_ = 0;
    long lookups_ = 0;  // cells looked up; past the budget the rest is taken in one pass
    long budget_ = 0;
  };

 private:
  static void FenwickAdd(std::vector<int>& tree, long i, int delta);
  static long FenwickSum(const std::vector<int>& tree, long i);  // points 0..i
  std::int64_t CellX(double x) const;
  std::int64_t CellY(double y) const;
  void Lattice(double cell, double w, double h);
  long Occupy(std::int64_t key);      // the stored cell of a lattice key, added when new
  long Find(std::int64_t key) const;  // the stored cell of a lattice key, -1 when empty
  std::int64_t KeyOf(long i) const;

  std::vector<double> xs_, ys_;
  long alive_ = 0;
  long head_ = -1;
  std::vector<std::int32_t> next_, prev_;

  // Grid: the lattice cell (cx, cy) has the key cy * nx_ + cx; the cells that
  // hold points are numbered in the hash table table_ (keys) / tableCell_.
  // Stored cell c holds items_[start_[c] .. start_[c] + count_[c]).
  double x0_ = 0, y0_ = 0, cell_ = 1, margin_ = 0;
  std::int64_t nx_ = 1, ny_ = 1;
  std::vector<std::int64_t> table_;
  std::vector<std::int32_t> tableCell_;
  std::size_t mask_ = 0;
  long cells_ = 0;
  std::vector<std::int32_t> start_, count_;
  std::vector<std::int32_t> items_, slot_, cellOf_;

  std::vector<int> aliveTree_, hiddenTree_;
  std::vector<std::uint32_t> mark_;
  std::uint32_t round_ = 0;
  bool countHidden_ = false;
  std::vector<long> hidden_;

  std::vector<std::pair<double, long>> heap_;  // the running search's candidates
};

}  // namespace zarvane::sectionindex
