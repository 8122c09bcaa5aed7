// The grid index the section sorts search with.
#include "geometry/pointindex.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>

#include "geometry/sectionmath.h"

namespace zarvane::sectionindex {

namespace {

constexpr double kLargest = 1e150;

// Cell numbers of positions far outside the grid stay far below overflow.
std::int64_t ToCell(double v) {
  v = std::floor(v);
  if (!(v > -1e15)) return static_cast<std::int64_t>(-1e15);
  if (v > 1e15) return static_cast<std::int64_t>(1e15);
  return static_cast<std::int64_t>(v);
}

}  // namespace

bool PointIndex::Indexable(const ijk& section) {
  for (const auto& p : section)
    if (!(std::fabs(p->x) < kLargest) || !(std::fabs(p->y) < kLargest)) return false;
  return true;
}

PointIndex::PointIndex(const ijk& section) {
  const long n = section.Count();
  if (n >= (1L << 30)) throw RuntimeError(kErrOverflow, "Overflow");
  xs_.reserve(static_cast<size_t>(n));
  ys_.reserve(static_cast<size_t>(n));
  for (const auto& p : section) {
    xs_.push_back(p->x);
    ys_.push_back(p->y);
  }
  alive_ = n;
  head_ = n > 0 ? 0 : -1;
  next_.resize(static_cast<size_t>(n));
  prev_.resize(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i) {
    next_[static_cast<size_t>(i)] = static_cast<std::int32_t>(i + 1 < n ? i + 1 : -1);
    prev_[static_cast<size_t>(i)] = static_cast<std::int32_t>(i - 1);
  }

  double x1 = 0, y1 = 0;
  if (n > 0) {
    x0_ = *std::min_element(xs_.begin(), xs_.end());
    x1 = *std::max_element(xs_.begin(), xs_.end());
    y0_ = *std::min_element(ys_.begin(), ys_.end());
    y1 = *std::max_element(ys_.begin(), ys_.end());
  }
  const double w = x1 - x0_, h = y1 - y0_;
  // First cells of about half a point each over the section's box. A contour
  // passes through few of them and piles up in those; the cells then shrink
  // (a contour's points per cell go with the cell's size) to about three
  // points a cell, never below a quarter of the box over the points.
  const double count = static_cast<double>(std::max<long>(n, 1));
  const double floor = std::max(w, h) / (4 * count);
  Lattice(std::max(std::sqrt(w * h / (2 * count)), floor), w, h);
  if (n > 0) {
    for (long i = 0; i < n; ++i) Occupy(KeyOf(i));
    const double perCell = static_cast<double>(n) / static_cast<double>(cells_);
    if (perCell > 4) Lattice(std::max(cell_ * 3 / perCell, floor), w, h);
  }
  // Rounding in the cell numbers and the distances is far below this slack in
  // the ring bounds.
  const double scale = std::max({std::fabs(x0_), std::fabs(x1), std::fabs(y0_), std::fabs(y1), cell_});
  margin_ = 1e-9 * (scale + cell_);

  cellOf_.resize(static_cast<size_t>(n));
  count_.clear();
  for (long i = 0; i < n; ++i) {
    const long c = Occupy(KeyOf(i));
    if (c == static_cast<long>(count_.size())) count_.push_back(0);  // cells are numbered as they fill
    ++count_[static_cast<size_t>(c)];
    cellOf_[static_cast<size_t>(i)] = static_cast<std::int32_t>(c);
  }
  start_.assign(static_cast<size_t>(cells_) + 1, 0);
  for (size_t c = 0; c < static_cast<size_t>(cells_); ++c) start_[c + 1] = start_[c] + count_[c];
  // The cells fill up again as their points go in.
  std::fill(count_.begin(), count_.end(), 0);
  items_.resize(static_cast<size_t>(n));
  slot_.resize(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i) {
    const auto c = static_cast<size_t>(cellOf_[static_cast<size_t>(i)]);
    const std::int32_t slot = start_[c] + count_[c]++;
    items_[static_cast<size_t>(slot)] = static_cast<std::int32_t>(i);
    slot_[static_cast<size_t>(i)] = slot;
  }

  // Every point counts 1 for the positions.
  aliveTree_.assign(static_cast<size_t>(n) + 1, 0);
  for (long k = 1; k <= n; ++k) aliveTree_[static_cast<size_t>(k)] = static_cast<int>(k & -k);
  mark_.assign(static_cast<size_t>(n), 0);
  round_ = 1;
}

// A lattice of cells of the given size over the box, and an empty table
// with room for a cell per point.
void PointIndex::Lattice(double cell, double w, double h) {
  cell_ = cell > 0 && std::isfinite(cell) ? cell : 1;
  nx_ = std::max<std::int64_t>(1, ToCell(w / cell_) + 1);
  ny_ = std::max<std::int64_t>(1, ToCell(h / cell_) + 1);
  std::size_t size = 16;
  while (size < 2 * xs_.size()) size *= 2;
  table_.assign(size, -1);
  tableCell_.assign(size, -1);
  mask_ = size - 1;
  cells_ = 0;
}

namespace {

std::size_t Hash(std::int64_t key) {
  auto z = static_cast<std::uint64_t>(key) + 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return static_cast<std::size_t>(z ^ (z >> 31));
}

}  // namespace

long PointIndex::Occupy(std::int64_t key) {
  for (std::size_t h = Hash(key) & mask_;; h = (h + 1) & mask_) {
    if (table_[h] == key) return tableCell_[h];
    if (table_[h] < 0) {
      table_[h] = key;
      tableCell_[h] = static_cast<std::int32_t>(cells_);
      return cells_++;
    }
  }
}

long PointIndex::Find(std::int64_t key) const {
  for (std::size_t h = Hash(key) & mask_;; h = (h + 1) & mask_) {
    if (table_[h] == key) return tableCell_[h];
    if (table_[h] < 0) return -1;
  }
}

std::int64_t PointIndex::KeyOf(long i) const {
  const std::int64_t cx = std::clamp<std::int64_t>(CellX(X(i)), 0, nx_ - 1);
  const std::int64_t cy = std::clamp<std::int64_t>(CellY(Y(i)), 0, ny_ - 1);
  return cy * nx_ + cx;
}

std::int64_t PointIndex::CellX(double x) const { return ToCell((x - x0_) / cell_); }
std::int64_t PointIndex::CellY(double y) const { return ToCell((y - y0_) / cell_); }

void PointIndex::FenwickAdd(std::vector<int>& tree, long i, int delta) {
  for (long k = i + 1; k < static_cast<long>(tree.size()); k += k & -k) tree[static_cast<size_t>(k)] += delta;
}

long PointIndex::FenwickSum(const std::vector<int>& tree, long i) {
  long sum = 0;
  for (long k = i + 1; k > 0; k -= k & -k) sum += tree[static_cast<size_t>(k)];
  return sum;
}

void PointIndex::Erase(long i) {
  const auto u = static_cast<size_t>(i);
  // Out of its cell: the cell's last point takes its slot.
  const auto c = static_cast<size_t>(cellOf_[u]);
  const std::int32_t last = start_[c] + --count_[c];
  const std::int32_t moved = items_[static_cast<size_t>(last)];
  items_[static_cast<size_t>(slot_[u])] = moved;
  slot_[static_cast<size_t>(moved)] = slot_[u];
  items_[static_cast<size_t>(last)] = static_cast<std::int32_t>(i);
  slot_[u] = last;
  // Out of the list order.
  const long before = prev_[u], after = next_[u];
  if (before >= 0)
    next_[static_cast<size_t>(before)] = after;
  else
    head_ = after;
  if (after >= 0) prev_[static_cast<size_t>(after)] = before;
  FenwickAdd(aliveTree_, i, -1);
  --alive_;
}

long PointIndex::Position(long i) const { return FenwickSum(aliveTree_, i); }

long PointIndex::VisiblePosition(long i) const {
  return FenwickSum(aliveTree_, i) - (hiddenTree_.empty() ? 0 : FenwickSum(hiddenTree_, i));
}

void PointIndex::BeginRound(bool countHidden) {
  if (++round_ == 0) {
    std::fill(mark_.begin(), mark_.end(), 0);
    round_ = 1;
  }
  countHidden_ = countHidden;
  if (countHidden_ && hiddenTree_.empty()) hiddenTree_.assign(xs_.size() + 1, 0);  // made when first needed
  hidden_.clear();
}

void PointIndex::Hide(long i) {
  mark_[static_cast<size_t>(i)] = round_;
  hidden_.push_back(i);
  if (countHidden_) FenwickAdd(hiddenTree_, i, 1);
}

void PointIndex::EndRound() {
  if (countHidden_)
    for (long i : hidden_) FenwickAdd(hiddenTree_, i, -1);
  hidden_.clear();
  countHidden_ = false;
  BeginRound(false);
}

// --- Nearest first ---------------------------------------------------------
//
// Rings of cells around the cell of (x, y) are taken into a heap of
// candidates ring by ring. A point in ring r lies at least (r - 1) cells plus
// the distance from (x, y) to the border of its own cell away, so the nearest
// candidate in the heap is the next answer once it is nearer than the bound
// of the first ring not yet taken. Ties stay in list order through the heap's
// (distance, number) order.

PointIndex::NearestFirst::NearestFirst(PointIndex& index, double x, double y) : index_(index), x_(x), y_(y) {
  index_.heap_.clear();
  cx_ = index_.CellX(x);
  cy_ = index_.CellY(y);
  const double left = index_.x0_ + static_cast<double>(cx_) * index_.cell_;
  const double bottom = index_.y0_ + static_cast<double>(cy_) * index_.cell_;
  inset_ = std::min({x - left, left + index_.cell_ - x, y - bottom, bottom + index_.cell_ - y});
  if (!(inset_ > 0)) inset_ = 0;
  inset_ = std::min(inset_, index_.cell_);
  // Rings that miss the lattice are skipped.
  const std::int64_t mx = index_.nx_ - 1, my = index_.ny_ - 1;
  ring_ = std::max({std::int64_t{0}, cx_ - mx, -cx_, cy_ - my, -cy_});
  lastRing_ = std::max({cx_, mx - cx_, cy_, my - cy_});
  // Far searches look up many empty cells; beyond a few per point in the
  // index one pass over the points is cheaper.
  budget_ = 4 * index_.alive_ + 64;
}

double PointIndex::NearestFirst::RingBound(std::int64_t ring) const {
  if (ring == 0) return -std::numeric_limits<double>::infinity();
  return static_cast<double>(ring - 1) * index_.cell_ + inset_ - index_.margin_;
}

void PointIndex::NearestFirst::Push(long i) {
  if (index_.Hidden(i)) return;
  const double d = sectionmath::DistanceXY(index_.X(i), index_.Y(i), x_, y_);
  if (d > 0) index_.heap_.emplace_back(d, i);
}

void PointIndex::NearestFirst::ScanCell(std::int64_t cx, std::int64_t cy) {
  ++lookups_;
  const long c = index_.Find(cy * index_.nx_ + cx);
  if (c < 0) return;
  const long from = index_.start_[static_cast<size_t>(c)], to = from + index_.count_[static_cast<size_t>(c)];
  for (long s = from; s < to; ++s) Push(index_.items_[static_cast<size_t>(s)]);
}

void PointIndex::NearestFirst::ExpandRing(std::int64_t r) {
  const std::int64_t mx = index_.nx_ - 1, my = index_.ny_ - 1;
  if (r == 0) {
    if (cx_ >= 0 && cx_ <= mx && cy_ >= 0 && cy_ <= my) ScanCell(cx_, cy_);
    return;
  }
  // The rows below and above, then the columns left and right between them.
  const std::int64_t x0 = std::max<std::int64_t>(cx_ - r, 0), x1 = std::min(cx_ + r, mx);
  for (const std::int64_t cy : {cy_ - r, cy_ + r})
    if (cy >= 0 && cy <= my)
      for (std::int64_t cx = x0; cx <= x1; ++cx) ScanCell(cx, cy);
  const std::int64_t y0 = std::max<std::int64_t>(cy_ - r + 1, 0), y1 = std::min(cy_ + r - 1, my);
  for (const std::int64_t cx : {cx_ - r, cx_ + r})
    if (cx >= 0 && cx <= mx)
      for (std::int64_t cy = y0; cy <= y1; ++cy) ScanCell(cx, cy);
}

// Every point of the rings not yet taken, in one pass over the list.
void PointIndex::NearestFirst::TakeTheRest() {
  for (long i = index_.head_; i >= 0; i = index_.Next(i)) {
    const std::int64_t key = index_.KeyOf(i);
    const std::int64_t ring = std::max(std::abs(key % index_.nx_ - cx_), std::abs(key / index_.nx_ - cy_));
    if (ring >= ring_) Push(i);
  }
  ring_ = lastRing_ + 1;
}

bool PointIndex::NearestFirst::Next(long& i, double& distance) {
  auto& heap = index_.heap_;
  for (;;) {
    while (ring_ <= lastRing_ && (heap.empty() || heap.front().first >= RingBound(ring_))) {
      const size_t before = heap.size();
      if (lookups_ > budget_) {
        TakeTheRest();
      } else {
        ExpandRing(ring_++);
      }
      // New points join the heap at once when they outnumber it.
      if (heap.size() - before > before) {
        std::make_heap(heap.begin(), heap.end(), std::greater<>());
      } else {
        for (size_t k = before + 1; k <= heap.size(); ++k)
          std::push_heap(heap.begin(), heap.begin() + static_cast<std::ptrdiff_t>(k), std::greater<>());
      }
    }
    if (heap.empty()) return false;
    std::pop_heap(heap.begin(), heap.end(), std::greater<>());
    const auto [d, k] = heap.back();
    heap.pop_back();
    if (index_.Hidden(k)) continue;
    i = k;
    distance = d;
    return true;
  }
}

}  // namespace zarvane::sectionindex
