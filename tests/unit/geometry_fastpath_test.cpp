// The indexed searches against the direct ones: on thousands of random
// sections both must give the same points in the same order, the same log
// lines, operator messages, progress and errors.
#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <map>

#include "geometry/pointindex.h"
#include "geometry_fixture.h"

namespace zarvane::testing {
namespace {

ijk Clone(const ijk& s) {
  ijk out;
  for (const auto& p : s) out.Add(p->x, p->y, p->z, p->i, p->j, p->k, p->ltol, p->utol);
  return out;
}

// Numbers are compared bit for bit.
struct Outcome {
  std::vector<std::array<std::uint64_t, 8>> points;
  long result = 0;
  std::uint64_t measured = 0;
  int error = 0;
  std::string log;
  std::vector<std::string> messages;
  std::vector<int> bar;

  bool operator==(const Outcome&) const = default;
};

// Random sections of many kinds, small and large.
class Sections {
 public:
  explicit Sections(unsigned seed) : rng_(seed) {}

  std::vector<XY> Next(int kind, int n) {
    std::vector<XY> p;
    switch (kind % 9) {
      case 0:  // anywhere in a box
        for (int k = 0; k < n; ++k) p.push_back({U(-50, 50), U(-20, 20)});
        break;
      case 1:  // on a coarse lattice: equal distances and exact angles everywhere
        for (int k = 0; k < n; ++k) p.push_back({static_cast<double>(I(0, 6)), static_cast<double>(I(0, 6))});
        break;
      case 2:  // the edges of a square, evenly spaced, corners included
        for (int k = 0; k < n; ++k) {
          const int side = k % 4, t = (k / 4) % 10;
          const double a = t, b = side < 2 ? 0 : 10;
          p.push_back(side % 2 ? XY{a, b} : XY{b, a});
        }
        break;
      case 3:  // a circle with noise
        p = Jitter(Circle(n, U(1, 100), U(-10, 10), U(-10, 10)), 0.01, rng_);
        break;
      case 4:  // an airfoil with noise and a thin trailing edge
        p = Jitter(Airfoil(std::max(4, n / 2), 0.004), 0.00002, rng_);
        break;
      case 5:  // on one line, or all on one point
        for (int k = 0; k < n; ++k) p.push_back(I(0, 3) ? XY{U(0, 5), 2} : XY{3, 3});
        if (I(0, 3) == 0)
          for (auto& q : p) q = {3, 3};
        break;
      case 6:  // clusters far apart, some beyond the simple sort's reach
        for (int k = 0; k < n; ++k) {
          const double cx = I(0, 1) * 10500.0, cy = I(0, 1) * 1e-3;
          p.push_back({cx + U(0, 1), cy + U(0, 1)});
        }
        break;
      case 7:  // large offsets and tiny spacing
        for (int k = 0; k < n; ++k) p.push_back({1e5 + I(0, 40) * 1e-6, -2e4 + I(0, 40) * 1e-6});
        break;
      default:  // a closed scan repeating points, in contour order
        p = Circle(n, 5);
        if (!p.empty()) p.push_back(p.front());
        if (p.size() > 2) p.push_back(p[p.size() / 2]);
        break;
    }
    // Repeats of random points, in random places.
    const int repeats = p.empty() ? 0 : I(0, 3) == 0 ? I(1, 4) : 0;
    for (int r = 0; r < repeats; ++r)
      p.insert(p.begin() + I(0, static_cast<int>(p.size())), p[I(0, static_cast<int>(p.size()) - 1)]);
    if (I(0, 2) != 0) std::shuffle(p.begin(), p.end(), rng_);
    return p;
  }

  int I(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }
  double U(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
  std::mt19937& Rng() { return rng_; }

 private:
  std::mt19937 rng_;
};

class FastPathTest : public GeometryTest {
 protected:
  template <class F>
  Outcome Run(F&& operation) {
    ClearLog();
    op.messages.clear();
    Outcome o;
    g.progress = [&o](int v) { o.bar.push_back(v); };
    try {
      operation(o);
    } catch (const RuntimeError& e) {
      o.error = e.Number();
    }
    g.progress = nullptr;
    if (fs::exists(home / "debug.txt")) o.log = Log();
    o.messages = op.messages;
    return o;
  }

  static void Keep(Outcome& o, const ijk& s) {
    auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    for (const auto& p : s)
      o.points.push_back(
          {bits(p->x), bits(p->y), bits(p->z), bits(p->i), bits(p->j), bits(p->k), bits(p->ltol), bits(p->utol)});
  }

  // Both forms of a sort on the same section.
  void CompareSorts(const ijk& input, long start, const std::string& what) {
    for (const bool full : {true, false}) {
      const Outcome direct = Run([&](Outcome& o) {
        ijk s = Clone(input);
        full ? reference::FullSecSort(g, s, start) : reference::SecSort(g, s, start);
        Keep(o, s);
      });
      const Outcome indexed = Run([&](Outcome& o) {
        ijk s = Clone(input);
        full ? g.FullSecSort(s, start) : g.SecSort(s, start);
        Keep(o, s);
      });
      ASSERT_EQ(direct.points, indexed.points) << what << (full ? " FullSecSort" : " SecSort");
      ASSERT_EQ(direct.error, indexed.error) << what;
      ASSERT_EQ(direct.log, indexed.log) << what;
      ASSERT_EQ(direct.messages, indexed.messages) << what;
      ASSERT_EQ(direct.bar, indexed.bar) << what;
      ++compared_;
      errors_ += direct.error != 0;
      boxes_ += !direct.messages.empty();
      for (const char* event : {"FullSecSort: Removing", "FullSecSort: Stopping", "repeat the last point"})
        seen_[event] += direct.log.find(event) != std::string::npos;
    }
  }

  void CompareForward(const ijk& input, double px, double cx, double py, double cy, double test,
                      const std::string& what) {
    auto run = [&](bool fast) {
      return Run([&](Outcome& o) {
        double measured = -1;
        o.result = fast ? g.ClosestForwardPt(input, px, cx, py, cy, measured, test)
                        : reference::ClosestForwardPt(g, input, px, cx, py, cy, measured, test);
        o.measured = std::bit_cast<std::uint64_t>(measured);
      });
    };
    const Outcome direct = run(false), indexed = run(true);
    ASSERT_EQ(direct, indexed) << what << "\n" << direct.log << "\n---\n" << indexed.log;
    ++compared_;
  }

  int compared_ = 0;
  // How often the random sections led the sorts down their rarer paths.
  int errors_ = 0, boxes_ = 0;
  std::map<std::string, int> seen_;
};

TEST_F(FastPathTest, SortsAgreeWithTheDirectFormOnRandomSections) {
  Sections sections(20240607);
  for (int round = 0; round < 1800; ++round) {
    const int kind = round % 9;
    const int n = round % 150 == 0 ? sections.I(300, 700) : sections.I(0, round % 3 == 0 ? 12 : 120);
    // Full logging on part of the rounds, logging off on the rest.
    core.gDebugLevel = round % 4 == 0 ? 10 : round % 4 == 1 ? 9 : 4;
    if (n > 30) core.gDebugLevel = 4;
    const ijk s = SectionOf(sections.Next(kind, n));
    const long start = s.Count() == 0           ? 1
                       : sections.I(0, 20) == 0 ? sections.I(-1, 1) + s.Count() * sections.I(0, 1)
                                                : sections.I(1, static_cast<int>(s.Count()));
    CompareSorts(s, start,
                 "round " + std::to_string(round) + " kind " + std::to_string(kind) + " n " +
                     std::to_string(s.Count()) + " start " + std::to_string(start));
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(compared_, 3600);
  EXPECT_GT(errors_, 20);
  EXPECT_GT(boxes_, 20);
  for (const auto& [event, count] : seen_) EXPECT_GT(count, 5) << event;
  EXPECT_EQ(seen_.size(), 3u);
}

TEST_F(FastPathTest, ClosestForwardPtAgreesWithTheDirectForm) {
  Sections sections(77);
  for (int round = 0; round < 2000; ++round) {
    const int kind = round % 9;
    core.gDebugLevel = round % 3 == 0 ? 10 : 4;
    const ijk s = SectionOf(sections.Next(kind, sections.I(0, 80)));
    // Travel between points of the section (possibly the same one), or
    // from anywhere to anywhere.
    double px, py, cx, cy;
    if (s.Count() > 0 && sections.I(0, 3) != 0) {
      const points& a = s.At(sections.I(1, static_cast<int>(s.Count())));
      const points& b = s.At(sections.I(1, static_cast<int>(s.Count())));
      px = a.x, py = a.y, cx = b.x, cy = b.y;
    } else {
      px = sections.U(-60, 60), py = sections.U(-60, 60), cx = sections.U(-60, 60), cy = sections.U(-60, 60);
    }
    const double test = std::vector<double>{45, 89, 0, 180, 30}[round % 5];
    CompareForward(s, px, cx, py, cy, test, "round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(compared_, 2000);
}

TEST_F(FastPathTest, LargeContoursAgreeAndKeepEveryPoint) {
  core.gDebugLevel = 4;
  std::mt19937 rng(5);
  for (int perSide : {500, 1500}) {
    const auto design = Airfoil(perSide, 0.3 / perSide);
    const ijk s = Shuffled(SectionOf(Jitter(design, 1e-7, rng)), rng);
    CompareSorts(s, g.MinX(s), "airfoil " + std::to_string(perSide));
    ijk sorted = Clone(s);
    g.FullSecSort(sorted, g.MinX(s));
    EXPECT_EQ(sorted.Count(), s.Count());
    EXPECT_NE(WalkDirection(DesignNumbers(sorted), s.Count()), 0);
  }
}

// Sections the grid cannot hold go the direct way, with the same results.
TEST_F(FastPathTest, UnindexableCoordinatesAreSortedDirectly) {
  for (const double odd : {std::numeric_limits<double>::infinity(), std::nan(""), 1e200}) {
    const ijk s = SectionOf({{0, 0}, {1, 0}, {2, 0.1}, {odd, 1}, {3, 0.2}});
    EXPECT_FALSE(sectionindex::PointIndex::Indexable(s));
    CompareSorts(s, 1, "odd coordinate");
    CompareForward(s, -1, 0, 0, 0, 45, "odd coordinate");
  }
}

}  // namespace
}  // namespace zarvane::testing
