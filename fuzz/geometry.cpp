// The section geometry on arbitrary point sets (NaN, infinities, huge values,
// duplicates): nose and tail, the searches, and the sorts, each indexed form
// against its direct form (same points bit for bit, same error, same progress
// bar); the section heights and gathering of the point file conversion.
//
// Input: a byte of options, then coordinates x, y, z per point, each one tag
// byte: below 200 a grid value (tag - 100) / 10, so duplicates and near
// neighbours are common; 200 to 247 a value of the table below; 248 and up
// the next 8 bytes as a double.
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "fuzz_station.h"
#include "geometry/convert.h"
#include "geometry/section.h"

namespace {

using namespace zarvane;

constexpr long kMaxPoints = 400;

const double kSpecial[] = {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::max(),
                           -std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::denorm_min(),
                           1e150, -1e150, 1.0000001e150, 1e151, 1e300, -1e300, 1e-300, 0.0, -0.0, 9999, 10000};

struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos = 0;
  bool Next(double& v) {
    if (pos >= size) return false;
    const std::uint8_t tag = data[pos++];
    if (tag < 200) {
      v = (tag - 100) / 10.0;
    } else if (tag < 248) {
      v = kSpecial[(tag - 200) % std::size(kSpecial)];
    } else {
      if (pos + 8 > size) return false;
      std::memcpy(&v, data + pos, 8);
      pos += 8;
    }
    return true;
  }
};

struct Outcome {
  std::vector<std::uint64_t> bits;
  int error = 0;
  std::vector<int> bar;
  long result = 0;
  std::uint64_t measured = 0;
  bool operator==(const Outcome&) const = default;
};

void Keep(Outcome& o, const ijk& s) {
  for (const auto& p : s)
    for (const double v : {p->x, p->y, p->z, p->i, p->j, p->k})
      o.bits.push_back(std::bit_cast<std::uint64_t>(v));
}

template <class F>
Outcome Run(SectionGeometry& g, F&& operation) {
  Outcome o;
  g.progress = [&o](int v) { o.bar.push_back(v); };
  try {
    operation(o);
  } catch (const RuntimeError& e) {
    o.error = e.Number();
  }
  g.progress = nullptr;
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane::fuzz;
  if (size < 1) return 0;
  const std::uint8_t options = data[0];
  Input in{data + 1, size - 1};
  ijk section;
  std::vector<double> z;
  double x, y, zz;
  while (section.Count() < kMaxPoints && in.Next(x) && in.Next(y) && in.Next(zz)) {
    section.Add(x, y, zz, 0, 0, 0, 0, 0);
    z.push_back(zz);
  }
  static Station s;
  SectionGeometry g(s.core);
  const long n = section.Count();
  const long start = n == 0 ? 1 : 1 + options % n;

  // Nose, tail and the searches: errors are the documented subscript errors.
  std::int32_t nose = 0, tail = 0;
  Run(g, [&](Outcome&) { g.GetNoseTail(section, nose, tail); });
  Run(g, [&](Outcome&) { g.MinX(section); });
  if (n > 0) Run(g, [&](Outcome&) { g.ClosestXY(section, section.At(1).x, section.At(1).y); });

  // Indexed against direct.
  for (const bool full : {true, false}) {
    const auto sorted = [&](bool fast) {
      return Run(g, [&](Outcome& o) {
        ijk copy;
        CopySection(copy, section);
        if (fast)
          full ? g.FullSecSort(copy, start) : g.SecSort(copy, start);
        else
          full ? reference::FullSecSort(g, copy, start) : reference::SecSort(g, copy, start);
        Keep(o, copy);
      });
    };
    if (!(sorted(true) == sorted(false))) std::abort();
  }
  if (n >= 2) {
    const points &p = section.At(1), &c = section.At(2);
    const double test = (options & 0x80) ? 90 : 170;
    const auto forward = [&](bool fast) {
      return Run(g, [&](Outcome& o) {
        double measured = -1;
        o.result = fast ? g.ClosestForwardPt(section, p.x, c.x, p.y, c.y, measured, test)
                        : reference::ClosestForwardPt(g, section, p.x, c.x, p.y, c.y, measured, test);
        o.measured = std::bit_cast<std::uint64_t>(measured);
      });
    };
    if (!(forward(true) == forward(false))) std::abort();
  }

  // Reversal and rotation to the nose keep every point.
  Run(g, [&](Outcome&) {
    ijk copy;
    CopySection(copy, section);
    g.RevSec(copy);
    std::int32_t no = nose, n1 = 0, n2 = 0, ta = tail, t1 = 0, t2 = 0;
    g.sReorder(copy, no, n1, n2, ta, t1, t2);
    if (copy.Count() != n) std::abort();
  });

  // The conversion's heights (its points are finite: the point file reader
  // takes no other): ascending, and every point gathered exactly once.
  std::erase_if(z, [](double v) { return !std::isfinite(v); });
  const double tolerance = (options & 0x40) ? 0.04 : 1.0;
  const std::vector<double> heights = SectionHeights(z, tolerance);
  for (std::size_t i = 1; i < heights.size(); ++i)
    if (!(heights[i - 1] <= heights[i])) std::abort();
  std::vector<long> leftOver;
  std::vector<int> seen(z.size(), 0);
  for (const auto& gathered : GatherSections(z, heights, tolerance, leftOver))
    for (const long index : gathered) ++seen.at(static_cast<std::size_t>(index));
  for (const long index : leftOver) ++seen.at(static_cast<std::size_t>(index));
  for (const int count : seen)
    if (count != 1) std::abort();
  return 0;
}
