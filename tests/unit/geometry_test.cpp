// Sections, nose and tail detection, the point searches and the sorts.
#include "geometry_fixture.h"

namespace zarvane::testing {
namespace {

int ErrorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

// --- Points and sections -------------------------------------------------------

TEST(Section, AddKeepsTheArgumentOrderAndItemIsTheHeldPoint) {
  const points fresh;
  EXPECT_EQ((std::vector<double>{fresh.x, fresh.y, fresh.z, fresh.i, fresh.j, fresh.k, fresh.ltol, fresh.utol}),
            std::vector<double>(8, 0.0));
  ijk s;
  s.Add(1, 2, 3, 4, 5, 6, 7, 8);
  const points& p = *s.Item(s.Count());
  EXPECT_EQ((std::vector<double>{p.x, p.y, p.z, p.i, p.j, p.k, p.ltol, p.utol}),
            (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}));
  // A reference: setting a field changes the section.
  s.Item(1)->y = 20;
  EXPECT_EQ(s.At(1).y, 20);
}

TEST(Section, RemoveMovesTheLaterItemsDownAndHeldPointsStayValid) {
  ijk s;
  s.Add(1, 0, 0, 0, 0, 0, 0, 0);
  s.Add(2, 0, 0, 0, 0, 0, 0, 0);
  s.Add(3, 0, 0, 0, 0, 0, 0, 0);
  auto held = s.Item(1);
  s.Remove(1);
  EXPECT_EQ(s.Count(), 2);
  EXPECT_EQ(s.At(1).x, 2);
  EXPECT_EQ(held->x, 1);  // the holder's point outlives its place in the section
  held->x = 9;
  EXPECT_EQ(s.At(1).x + s.At(2).x, 5);
  std::vector<double> xs;
  for (const auto& p : s) xs.push_back(p->x);
  EXPECT_EQ(xs, (std::vector<double>{2, 3}));
}

TEST(Section, BadPositionsAndKeysAreSubscriptErrors) {
  ijk s;
  s.Add(1, 0, 0, 0, 0, 0, 0, 0, "a");
  EXPECT_EQ(ErrorNumber([&] { s.Item(0); }), kErrSubscript);
  EXPECT_EQ(ErrorNumber([&] { s.Item(2); }), kErrSubscript);
  EXPECT_EQ(ErrorNumber([&] { s.At(-1); }), kErrSubscript);
  EXPECT_EQ(ErrorNumber([&] { s.Remove(2); }), kErrSubscript);
  EXPECT_EQ(ErrorNumber([&] { s.Item("b"); }), kErrSubscript);
  EXPECT_EQ(ErrorNumber([&] { s.Remove("b"); }), kErrSubscript);
  EXPECT_EQ(ErrorNumber([&] { s.Add(0, 0, 0, 0, 0, 0, 0, 0, "A"); }), kErrKeyExists);
  EXPECT_EQ(s.Item("A")->x, 1);
  s.Add(2, 0, 0, 0, 0, 0, 0, 0);
  s.Remove("a");
  EXPECT_EQ(s.Count(), 1);
  EXPECT_EQ(s.At(1).x, 2);
}

TEST(Section, AverageZ) {
  ijk s;
  EXPECT_EQ(ErrorNumber([&] { s.AverageZ(); }), 11);
  s.Add(0, 0, 1, 0, 0, 0, 0, 0);
  EXPECT_EQ(s.AverageZ(), 1);
  s.Add(0, 0, 2, 0, 0, 0, 0, 0);
  s.Add(0, 0, 6, 0, 0, 0, 0, 0);
  EXPECT_EQ(s.AverageZ(), 3);
}

TEST(Section, CopySectionCopiesPositionsAndDirectionsWithoutTolerances) {
  ijk source, destination;
  source.Add(1, 2, 3, 4, 5, 6, 7, 8);
  source.Add(9, 10, 11, 12, 13, 14, 15, 16);
  destination.Add(-1, -1, -1, 0, 0, 0, 0, 0);
  CopySection(destination, source);
  ASSERT_EQ(destination.Count(), 2);
  const points& p = destination.At(2);
  EXPECT_EQ((std::vector<double>{p.x, p.y, p.z, p.i, p.j, p.k, p.ltol, p.utol}),
            (std::vector<double>{9, 10, 11, 12, 13, 14, 0, 0}));
  destination.Item(1)->x = 100;  // independent copies
  EXPECT_EQ(source.At(1).x, 1);
  EXPECT_EQ(source.At(1).ltol, 7);
  CopySection(source, source);
  EXPECT_EQ(source.Count(), 2);
  EXPECT_EQ(source.At(2).y, 10);
  EXPECT_EQ(source.At(2).utol, 0);
}

// --- Nose and tail ---------------------------------------------------------------

// n points at the origin; `moved` puts some elsewhere on the x axis.
ijk OnAxis(int n, const std::vector<std::pair<int, double>>& moved) {
  ijk s;
  for (int k = 1; k <= n; ++k) s.Add(0, 0, 0, 0, 0, 0, 0, 0);
  for (auto [number, x] : moved) s.Item(number)->x = x;
  return s;
}

TEST_F(GeometryTest, NoseAndTailWindowsWrapRoundTheContour) {
  // Smallest x at 30 (and again at 97): the tail window around 80 runs from 47
  // to 100 and on from 1 to 13; all its points are 1 from the nose, so the
  // first of them wins. The nose is then refined in 97..100, 1..63 against the
  // tail at 47, where 97 comes before 30; the tail in 14..80 against 97.
  ijk s = OnAxis(100, {{30, -1}, {97, -1}});
  std::int32_t nose = 0, tail = 0;
  g.GetNoseTail(s, nose, tail);
  EXPECT_TRUE(Logged("GetNoseTail: Nose known or suggested, find tail."));
  EXPECT_TRUE(Logged("GetNoseTail: Tail set to: 47 distance was: 1"));
  EXPECT_TRUE(Logged("GetNoseTail: Nose set to: 97 distance was: 1"));
  EXPECT_EQ(nose, 97);
  EXPECT_EQ(tail, 14);
  EXPECT_EQ(LogLines().back(), "GetNoseTail end");
  EXPECT_TRUE(Logged("GetNoseTail found Nose: 97, Tail: 14"));

  // The window ends at 13: 14, farther still, lies outside it.
  ClearLog();
  s = OnAxis(100, {{30, -1}, {13, 5}, {14, 10}});
  nose = tail = 0;
  g.GetNoseTail(s, nose, tail);
  EXPECT_TRUE(Logged("GetNoseTail: Tail set to: 13 distance was: 6"));
}

TEST_F(GeometryTest, TailWindowAroundTheMiddleWithoutWrapping) {
  // Smallest x at 1: the tail window is 18 to 84 around 51.
  ijk s = OnAxis(100, {{1, -1}});
  std::int32_t nose = 0, tail = 0;
  g.GetNoseTail(s, nose, tail);
  EXPECT_TRUE(Logged("GetNoseTail: Tail set to: 18 distance was: 1"));
  ClearLog();
  s = OnAxis(100, {{1, -1}, {84, 2}, {85, 3}, {17, 4}});
  nose = tail = 0;
  g.GetNoseTail(s, nose, tail);
  EXPECT_TRUE(Logged("GetNoseTail: Tail set to: 84 distance was: 3"));
}

TEST_F(GeometryTest, AGivenNoseFindsTheTailHalfATurnOn) {
  // Nose 60 of 100: estimate 10, window 77..100 then 1..43.
  ijk s = OnAxis(100, {{60, -1}, {43, 5}, {44, 10}, {76, 20}});
  std::int32_t nose = 60, tail = 0;
  g.GetNoseTail(s, nose, tail);
  EXPECT_TRUE(Logged("GetNoseTail start: Nose: 60 Tail: 0"));
  EXPECT_TRUE(Logged("GetNoseTail: Tail set to: 43 distance was: 6"));
  // A given tail finds the nose the same way.
  ClearLog();
  s = OnAxis(100, {{60, -1}, {43, 5}, {44, 10}, {76, 20}});
  nose = 0;
  tail = 60;
  g.GetNoseTail(s, nose, tail);
  EXPECT_TRUE(Logged("GetNoseTail: Tail known, find nose."));
  EXPECT_TRUE(Logged("GetNoseTail: Nose set to: 43 distance was: 6"));
}

TEST_F(GeometryTest, TheFarthestPairStaysAndASuggestedPairMovesToIt) {
  const ijk s = SectionOf(Airfoil(40, 0.004));
  std::int32_t bestA = 0, bestB = 0;
  double best = -1;
  for (long a = 1; a <= s.Count(); ++a)
    for (long b = a + 1; b <= s.Count(); ++b) {
      const double dx = s.At(a).x - s.At(b).x, dy = s.At(a).y - s.At(b).y, dz = s.At(a).z - s.At(b).z;
      if (std::sqrt(dx * dx + dy * dy + dz * dz) > best) {
        best = std::sqrt(dx * dx + dy * dy + dz * dz);
        bestA = static_cast<std::int32_t>(a);
        bestB = static_cast<std::int32_t>(b);
      }
    }
  std::int32_t nose = bestA, tail = bestB;
  g.GetNoseTail(s, nose, tail);
  EXPECT_EQ(nose, bestA);
  EXPECT_EQ(tail, bestB);
  // z carries the point numbers, so the farthest pair is the first and the
  // last design point; suggestions near them move onto them.
  ijk flat = SectionOf(Airfoil(40, 0.004));
  for (const auto& p : flat) p->z = 0;
  nose = 3;
  tail = 44;
  g.GetNoseTail(flat, nose, tail);
  EXPECT_EQ(nose, 1);  // the leading edge point
  EXPECT_GE(tail, 42);
  EXPECT_LE(tail, 48);  // on the trailing edge arc
}

TEST_F(GeometryTest, NoseAndTailOutsideTheSectionAreErrors) {
  const ijk s = OnAxis(10, {});
  std::int32_t nose = 11, tail = 0;
  EXPECT_EQ(ErrorNumber([&] { g.GetNoseTail(s, nose, tail); }), kErrSubscript);
  nose = 1;
  tail = -1;
  EXPECT_EQ(ErrorNumber([&] { g.GetNoseTail(s, nose, tail); }), kErrSubscript);
  const ijk empty;
  nose = tail = 0;
  EXPECT_EQ(ErrorNumber([&] { g.GetNoseTail(empty, nose, tail); }), kErrSubscript);
  EXPECT_EQ(ErrorNumber([&] { g.MinX(empty); }), kErrSubscript);
}

// --- Point search ----------------------------------------------------------------

TEST_F(GeometryTest, MinXTakesTheFirstOfEqualMinima) {
  const ijk s = SectionOf({{3, 0}, {-2, 1}, {5, 0}, {-2, 0}});
  EXPECT_EQ(g.MinX(s), 2);
  EXPECT_TRUE(Logged("MinX found minimum X point: 2"));
}

TEST_F(GeometryTest, ClosestXYSkipsPointsOnThePositionAndFarAway) {
  EXPECT_EQ(g.ClosestXY(SectionOf({{1, 1}, {1, 1}}), 1, 1), 0);
  EXPECT_TRUE(Logged("ClosestXY found: 0 at distance: 9999"));
  EXPECT_EQ(g.ClosestXY(SectionOf({{9999, 0}, {10000, 0}}), 0, 0), 0);
  // Ties: the first in list order.
  EXPECT_EQ(g.ClosestXY(SectionOf({{5, 5}, {0, 0}, {0, 2}, {2, 0}, {1, 0}}), 0, 1), 2);
  EXPECT_EQ(g.ClosestXY(SectionOf({{0, 0}, {3, 4}, {0, 1}}), 0, 0), 3);
  EXPECT_TRUE(Logged("ClosestXY found: 3 at distance: 1"));
}

TEST_F(GeometryTest, CClosestXYTakesPointOneWhateverItsDistance) {
  long number = 0;
  double distance = -1;
  // Point 1 on the position: taken at distance 0, nothing is nearer.
  g.CClosestXY(SectionOf({{2, 2}, {2, 3}}), 2, 2, number, distance);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(distance, 0);
  EXPECT_TRUE(Logged("CClosestXY found: 1 at distance: 0"));
  // A later point on the position is never taken; ties keep the first.
  g.CClosestXY(SectionOf({{0, 5}, {0, 0}, {0, 2}, {2, 0}, {3, 0}}), 0, 0, number, distance);
  EXPECT_EQ(number, 3);
  EXPECT_EQ(distance, 2);
  g.CClosestXY(SectionOf({{0, 0.5}, {0, 0}, {0, 2}}), 0, 0, number, distance);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(distance, 0.5);
  EXPECT_EQ(ErrorNumber([&] { g.CClosestXY(ijk{}, 0, 0, number, distance); }), kErrSubscript);
}

TEST_F(GeometryTest, LineAngleQuadrantsAndTheZeroLine) {
  // Degrees from radians with pi to 14 decimals: 45 is a hair over 45.
  EXPECT_EQ(g.LineAngle(0, -1, 0, 0), 180);
  EXPECT_NEAR(g.LineAngle(0, 1, 0, -1), 315, 1e-12);
  EXPECT_NEAR(g.LineAngle(0, 1, 0, 1), 45, 1e-12);
  EXPECT_GT(g.LineAngle(0, 1, 0, 1), 45);
  EXPECT_NEAR(g.LineAngle(1, 0, 1, 2), 135, 1e-12);
  EXPECT_NEAR(g.LineAngle(1, 0, 1, 0), 225, 1e-12);
  EXPECT_EQ(g.LineAngle(5, 5, 1, 3), 90);
  EXPECT_EQ(g.LineAngle(5, 5, 3, 1), 270);
  EXPECT_EQ(g.LineAngle(2, 3, 7, 7), 0);
  EXPECT_TRUE(op.messages.empty());
  EXPECT_EQ(g.LineAngle(0, 0, 0, 0), 0);
  EXPECT_EQ(op.messages, std::vector<std::string>{"LineAngle: Point input was 0,0, zero angle returned."});
  const auto lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  // The boxed line carries no tag; every call logs its angle.
  EXPECT_EQ(lines[lines.size() - 2], "LineAngle: Point input was 0,0, zero angle returned.");
  EXPECT_EQ(Log().find("UNSP: LineAngle: Point"), std::string::npos);
  EXPECT_EQ(lines.back(), "LineAngle: 0");
  EXPECT_TRUE(Logged("LineAngle: 180"));
}

TEST_F(GeometryTest, ClosestForwardPtAcceptsAheadAndSkipsTheSide) {
  // Travelling along +x from (-1, 0) to (0, 0): (0, 1) is nearest but at a
  // right angle; (2, 0) is straight ahead.
  const ijk s = SectionOf({{0, 1}, {2, 0}, {-5, 0.5}});
  double measured = -7;
  EXPECT_EQ(g.ClosestForwardPt(s, -1, 0, 0, 0, measured, 45), 2);
  EXPECT_EQ(measured, 0);
  EXPECT_TRUE(Logged("ClosestForwardPt: Start: Test Angle is: 45"));
  EXPECT_TRUE(Logged("Minimum found min: 90 from: 90,270"));
  EXPECT_TRUE(Logged("ClosestForwardPt Failed Angle: 1 at distance: 1 and angle: 90 Test Angle: 45"));
  EXPECT_TRUE(Logged("ClosestForwardPt found: 2 at distance: 2 and Measured Angle: 0 and Test Angle: 45"));
  EXPECT_EQ(s.Count(), 3);  // the section is not changed
  // With 89 degrees the right angle still fails, 90 >= 89.
  EXPECT_EQ(g.ClosestForwardPt(s, -1, 0, 0, 0, measured, 89), 2);
  EXPECT_EQ(g.ClosestForwardPt(s, -1, 0, 0, 0, measured, 91), 1);
  EXPECT_EQ(measured, 90);
}

TEST_F(GeometryTest, ClosestForwardPtExaminesOneCandidateFewerThanThePoints) {
  double measured = 5;
  EXPECT_EQ(g.ClosestForwardPt(SectionOf({{1, 0}}), -1, 0, 0, 0, measured, 45), 0);
  EXPECT_EQ(LogLines().back(), "ClosestForwardPt found: 0 at distance: 0 and Measured Angle: 5 and Test Angle: 45");
  EXPECT_FALSE(Logged("CClosestXY found: 1 at distance: 1"));
  // Two points: only the nearer one is examined, the one ahead never is.
  EXPECT_EQ(g.ClosestForwardPt(SectionOf({{0, 1}, {3, 0}}), -1, 0, 0, 0, measured, 45), 0);
  EXPECT_EQ(measured, 5);
  EXPECT_EQ(g.ClosestForwardPt(SectionOf({{0, 1}, {3, 0}, {0, 9}}), -1, 0, 0, 0, measured, 45), 2);
}

// --- Sorting and reordering ------------------------------------------------------

// The walk keeps every point of a clean contour: ClosestForwardPt alone would
// never accept the last remaining point (it examines one candidate fewer than
// it is given), and the walk would end two points short.
TEST_F(GeometryTest, FullSecSortWalksACircleInOneDirectionKeepingEveryPoint) {
  core.gDebugLevel = 4;
  std::mt19937 rng(7);
  for (int round = 0; round < 12; ++round) {
    const int n = 8 + 13 * round;
    ijk s = Shuffled(SectionOf(Circle(n, 1 + round)), rng);
    const long start = 1 + (round * 7) % n;
    const long startDesign = std::lround(s.At(start).z);
    g.FullSecSort(s, start);
    const auto design = DesignNumbers(s);
    ASSERT_EQ(design.size(), static_cast<size_t>(n)) << "round " << round;
    EXPECT_EQ(design[0], startDesign);
    EXPECT_NE(WalkDirection(design, n), 0) << "round " << round;
    for (const auto& p : s) EXPECT_EQ(p->ltol + p->utol, 0);
  }
}

TEST_F(GeometryTest, FullSecSortFollowsAThinTrailingEdgeAlongEachSide) {
  core.gDebugLevel = 4;
  std::mt19937 rng(11);
  for (int perSide : {20, 45, 150}) {
    const auto design = Airfoil(perSide, std::min(0.004, 0.3 / perSide));
    const long n = static_cast<long>(design.size());
    // Near the tail the nearest point of the upper side lies across the edge.
    const ijk ordered = SectionOf(design);
    int across = 0;
    for (long k = 2; k <= perSide + 1; ++k)
      across += g.ClosestXY(ordered, ordered.At(k).x, ordered.At(k).y) > perSide + 8;
    EXPECT_GT(across, 0) << perSide;
    for (double noise : {0.0, 0.00002}) {
      for (int trial = 0; trial < 4; ++trial) {
        ijk s = Shuffled(SectionOf(Jitter(design, noise, rng)), rng);
        // From the nose, the middle of each side and the tip of the trailing edge.
        const long startDesign = std::vector<long>{1, perSide / 2, n - perSide / 2, perSide + 5}[trial];
        long start = 1;
        while (std::lround(s.At(start).z) != startDesign) ++start;
        if (trial == 0) {
          EXPECT_EQ(g.MinX(s), start);
        }
        g.FullSecSort(s, start);
        const auto walk = DesignNumbers(s);
        ASSERT_EQ(walk.size(), static_cast<size_t>(n)) << perSide << " " << noise << " " << trial;
        EXPECT_EQ(walk[0], startDesign);
        EXPECT_NE(WalkDirection(walk, n), 0) << perSide << " " << noise << " " << trial;
      }
    }
  }
}

// A hexagon turns by 60 degrees at its corners, more than the first search
// allows. The walk then searches again from one point back, where the point
// past the corner lies 30 degrees off; only at the first corner, with no point
// to step back to, does it take the 89-degree search.
TEST_F(GeometryTest, FullSecSortTurnsCornersFromOnePointBackOrWithTheWiderAngle) {
  std::vector<XY> hexagon;
  for (int corner = 0; corner < 6; ++corner) {
    const double a = M_PI / 3 * corner, b = M_PI / 3 * (corner + 1);
    for (int k = 0; k < 4; ++k) {
      const double t = k / 4.0;
      hexagon.push_back(
          {10 * ((1 - t) * std::cos(a) + t * std::cos(b)), 10 * ((1 - t) * std::sin(a) + t * std::sin(b))});
    }
  }
  std::mt19937 rng(5);
  ijk s = Shuffled(SectionOf(hexagon), rng);
  long start = 1;
  while (std::lround(s.At(start).z) != 3) ++start;
  std::vector<int> bar;
  g.progress = [&](int v) { bar.push_back(v); };
  g.FullSecSort(s, start);
  const auto walk = DesignNumbers(s);
  ASSERT_EQ(walk.size(), 24u);
  EXPECT_NE(WalkDirection(walk, 24), 0);
  int failed = 0, wide = 0;
  for (const auto& line : LogLines()) {
    if (line.rfind("ClosestForwardPt found: ", 0) != 0) continue;
    const bool none = line.rfind("ClosestForwardPt found: 0 ", 0) == 0;
    failed += none && line.find("Test Angle: 45") != std::string::npos;
    wide += !none && line.find("Test Angle: 89") != std::string::npos;
  }
  EXPECT_EQ(failed, 6);
  EXPECT_EQ(wide, 1);
  // Steps 1 to 22 of 24 points, the bar hearing each new value once.
  EXPECT_EQ(bar.back(), 91);
  EXPECT_EQ(std::set<int>(bar.begin(), bar.end()).size(), bar.size());
}

TEST_F(GeometryTest, FullSecSortOfOneOrTwoPointsAndABadStart) {
  ijk one = SectionOf({{1, 1}});
  g.FullSecSort(one, 1);
  EXPECT_EQ(one.Count(), 1);
  ijk two = SectionOf({{1, 1}, {2, 2}});
  g.FullSecSort(two, 2);
  EXPECT_EQ(DesignNumbers(two), (std::vector<long>{2, 1}));
  ijk s = SectionOf(Circle(8));
  EXPECT_EQ(ErrorNumber([&] { g.FullSecSort(s, 9); }), kErrSubscript);
  EXPECT_EQ(ErrorNumber([&] { g.FullSecSort(s, 0); }), kErrSubscript);
  EXPECT_EQ(s.Count(), 8);
}

TEST_F(GeometryTest, FullSecSortStopsWhenNothingIsLeftToBackUpTo) {
  // Three points in a row, walked from the middle: the third lies behind the
  // first step, fails both angles, and the walk cannot drop a point.
  ijk s = SectionOf({{0, 0}, {1, 0}, {-3, 0}});
  g.FullSecSort(s, 1);
  EXPECT_EQ(DesignNumbers(s), (std::vector<long>{1, 2}));
  EXPECT_TRUE(Logged("FullSecSort: Stopping with 2 points, input section has 1 points left."));
}

TEST_F(GeometryTest, SecSortGoesToTheNearestPoint) {
  std::mt19937 rng(3);
  std::vector<XY> line;
  for (int k = 0; k < 30; ++k) line.push_back({k * 1.5 + (k % 3) * 0.1, 0});
  ijk s = Shuffled(SectionOf(line), rng);
  long start = 1;
  while (std::lround(s.At(start).z) != 1) ++start;
  std::vector<int> bar;
  g.progress = [&](int v) { bar.push_back(v); };
  g.SecSort(s, start);
  std::vector<long> expected(30);
  for (int k = 0; k < 30; ++k) expected[k] = k + 1;
  EXPECT_EQ(DesignNumbers(s), expected);
  // Steps 1 to 29 of 30 points: the bar only hears changes, up to 96.
  ASSERT_FALSE(bar.empty());
  EXPECT_EQ(bar.front(), 3);
  EXPECT_EQ(bar.back(), 96);
  EXPECT_TRUE(std::adjacent_find(bar.begin(), bar.end(), std::greater_equal<int>()) == bar.end());
  EXPECT_TRUE(Logged("SecSort: Start"));
}

TEST_F(GeometryTest, SecSortAppendsRepeatsOfTheLastPointInTheirOrder) {
  // A scan that measured its last point three times: the repeats are never
  // the nearest point, so they follow at the end.
  ijk s = SectionOf({{0, 0}, {3, 0}, {1, 0}, {3, 0}, {2, 0}, {3, 0}});
  std::vector<int> bar;
  g.progress = [&](int v) { bar.push_back(v); };
  g.SecSort(s, 1);
  EXPECT_EQ(DesignNumbers(s), (std::vector<long>{1, 3, 5, 2, 4, 6}));
  EXPECT_EQ(bar.back(), 83);  // step 5 of 6
  EXPECT_TRUE(Logged("SecSort: Adding 2 points that repeat the last point."));
}

TEST_F(GeometryTest, SecSortFailsWhenNoPointIsFound) {
  ijk far = SectionOf({{0, 0}, {10000, 0}});
  EXPECT_EQ(ErrorNumber([&] { g.SecSort(far, 1); }), kErrSubscript);
  // Repeats of the last point beside a point too far away are no way on either.
  ijk mixed = SectionOf({{0, 0}, {1, 0}, {1, 0}, {20000, 0}});
  EXPECT_EQ(ErrorNumber([&] { g.SecSort(mixed, 1); }), kErrSubscript);
  EXPECT_EQ(mixed.Count(), 4);
}

TEST_F(GeometryTest, RevSecTwiceRestoresTheOrderWithoutTolerances) {
  ijk s;
  for (int k = 1; k <= 5; ++k) s.Add(k, -k, k * 2, 0.1 * k, 0, 1, 0.5, 0.7);
  g.RevSec(s);
  EXPECT_EQ(s.At(1).x, 5);
  EXPECT_EQ(s.At(5).x, 1);
  g.RevSec(s);
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(s.At(k).x, k);
    EXPECT_EQ(s.At(k).i, 0.1 * k);
    EXPECT_EQ(s.At(k).ltol + s.At(k).utol, 0);
  }
  EXPECT_TRUE(Logged("RevSec: Start"));
}

TEST_F(GeometryTest, SReorderRenumbersFromTheNose) {
  ijk s;
  for (int k = 1; k <= 10; ++k) s.Add(k, 0, 0, 0, 0, 0, k * 0.01, k * 0.02);
  std::int32_t nose = 4, nose1 = 0, nose2 = 5, tail = 9, tail1 = 3, tail2 = 10;
  g.sReorder(s, nose, nose1, nose2, tail, tail1, tail2);
  EXPECT_EQ(nose, 1);
  EXPECT_EQ(tail, 6);
  EXPECT_EQ(tail1, 10);  // former 3
  EXPECT_EQ(tail2, 7);
  EXPECT_EQ(nose1, 0);
  EXPECT_EQ(nose2, 2);
  EXPECT_EQ(s.At(1).x, 4);
  EXPECT_EQ(s.At(10).x, 3);
  EXPECT_DOUBLE_EQ(s.At(10).utol, 0.06);  // all eight fields travel
  EXPECT_TRUE(Logged("sReorder: input nose: 4 input tail: 9"));
  EXPECT_TRUE(Logged("sReorder: output nose: 1 output tail: 6"));
  EXPECT_TRUE(Logged("sReorder: output nose1: 0 output tail1: 10"));
  EXPECT_TRUE(Logged("sReorder: output nose2: 2 output tail2: 7"));
  EXPECT_EQ(LogLines().back(), "sReorder end");
}

TEST_F(GeometryTest, SReorderRejectsNumbersOutsideTheSection) {
  ijk s = SectionOf(Circle(6));
  std::int32_t nose = 0, nose1 = 0, nose2 = 0, tail = 3, tail1 = 0, tail2 = 0;
  EXPECT_EQ(ErrorNumber([&] { g.sReorder(s, nose, nose1, nose2, tail, tail1, tail2); }), kErrSubscript);
  nose = 2;
  tail2 = 7;
  EXPECT_EQ(ErrorNumber([&] { g.sReorder(s, nose, nose1, nose2, tail, tail1, tail2); }), kErrSubscript);
  EXPECT_EQ(nose, 2);  // nothing handed back
  EXPECT_EQ(s.At(1).z, 1);
}

}  // namespace
}  // namespace zarvane::testing
