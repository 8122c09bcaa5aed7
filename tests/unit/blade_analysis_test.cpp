// The simulated analysis program's computations against hand-computed cases.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "analysis/analyse.h"
#include "analysis/program.h"

namespace blade {
namespace {

constexpr int kPoints = 72;

// A circle of radius r about (cx, cy), outward normals, counter-clockwise.
std::vector<Point6> Circle(double r, double cx = 0, double cy = 0) {
  std::vector<Point6> out;
  for (int k = 0; k < kPoints; ++k) {
    const double a = 2 * M_PI * k / kPoints;
    out.push_back({cx + r * std::cos(a), cy + r * std::sin(a), 0, std::cos(a), std::sin(a), 0});
  }
  return out;
}

// An ellipse with semi-axes a along the angle `turn` (degrees) and b across.
std::vector<Point6> Ellipse(double a, double b, double turnDeg) {
  const double t = turnDeg * M_PI / 180;
  std::vector<Point6> out;
  for (int k = 0; k < kPoints; ++k) {
    const double u = 2 * M_PI * k / kPoints, x = a * std::cos(u), y = b * std::sin(u);
    out.push_back({x * std::cos(t) - y * std::sin(t), x * std::sin(t) + y * std::cos(t), 0, 0, 0, 0});
  }
  return out;
}

const FeatureResult& Feature(const SectionResult& r, const std::string& name) {
  for (const auto& f : r.features)
    if (f.name == name) return f;
  throw std::runtime_error("no feature " + name);
}

TEST(BladeAnalysis, DeviationsOfCirclesAndBallCentres) {
  const NominalSection nominal{"A", 0, 0, 0, Circle(10)};
  // A circle larger by 0.05, probed with a point tip: every deviation is +0.05.
  const SectionResult larger = AnalyseSection({"A", Circle(10.05)}, &nominal, {}, 0, {});
  for (double d : larger.deviations) EXPECT_NEAR(d, 0.05, 1e-9);
  // A smaller one deviates inward, negative; its nearest nominal points are on
  // the polygon's sides, half a step (pi / kPoints) from each vertex.
  const SectionResult smaller = AnalyseSection({"A", Circle(9.9)}, &nominal, {}, 0, {});
  for (double d : smaller.deviations) EXPECT_NEAR(d, -0.1 * std::cos(M_PI / kPoints), 1e-9);
  // Ball centres at R + r, compensated by RADIUS r: on the nominal.
  const SectionResult balls = AnalyseSection({"A", Circle(10.5)}, &nominal, {}, 0.5, {});
  for (double d : balls.deviations) EXPECT_NEAR(d, 0, 1e-9);
  EXPECT_NEAR(Feature(balls, "FORM").actual, 0, 1e-9);
}

TEST(BladeAnalysis, StackAndTwist) {
  const NominalSection round{"A", 0, 0, 0, Circle(10)};
  const SectionResult shifted = AnalyseSection({"A", Circle(10, 0.3, -0.2)}, &round, {}, 0, {"STACKX", "STACKY", "STACKT"});
  EXPECT_NEAR(Feature(shifted, "STACKX").actual, 0.3, 1e-9);
  EXPECT_NEAR(Feature(shifted, "STACKY").actual, -0.2, 1e-9);
  EXPECT_NEAR(Feature(shifted, "STACKT").actual, std::hypot(0.3, 0.2), 1e-9);

  const NominalSection blade{"B", 0, 0, 0, Ellipse(20, 3, 0)};
  const SectionResult turned = AnalyseSection({"B", Ellipse(20, 3, 2.5)}, &blade, {}, 0, {"TWIST", "CHDANG", "CHORD"});
  EXPECT_NEAR(Feature(turned, "TWIST").actual, 2.5, 1e-9);
  EXPECT_NEAR(Feature(turned, "CHORD").actual, 40, 1e-9);
  EXPECT_NEAR(Feature(turned, "CHORD").nominal, 40, 1e-9);
}

TEST(BladeAnalysis, OutOfToleranceCountAndLimits) {
  const NominalSection nominal{"A", 0, 0, 0, Circle(10)};
  std::vector<Point6> measured = Circle(10);
  measured[3].x *= 1.01;   // 0.1 outside, at a vertex
  measured[3].y *= 1.01;
  measured[40].x *= 0.98;  // 0.2 inside
  measured[40].y *= 0.98;
  SectionTolerance tolerance;
  tolerance.profile = Limit{0.05, -0.05};
  tolerance.limits["FORM"] = Limit{0.25, 0};
  tolerance.limits["NUMOUTTOL"] = Limit{1, 0};
  const SectionResult r = AnalyseSection({"A", measured}, &nominal, tolerance, 0, {"MAXTHK", "CCMIN"});
  EXPECT_EQ(Feature(r, "NUMOUTTOL").actual, 2);
  EXPECT_NEAR(Feature(r, "PERCOUTTOL").actual, 200.0 / kPoints, 1e-9);
  EXPECT_NEAR(Feature(r, "FORM").actual, 0.1 + 0.2 * std::cos(M_PI / kPoints), 1e-9);
  EXPECT_EQ(Feature(r, "FORM").Verdict(), "OUT");
  EXPECT_EQ(Feature(r, "NUMOUTTOL").Verdict(), "OUT");
  EXPECT_EQ(Feature(r, "MAXTHK").Verdict(), "NO LIMIT");
  EXPECT_EQ(Feature(r, "CCMIN").Verdict(), "not computed");
}

TEST(BladeAnalysis, LogAndSettingsPaths) {
  EXPECT_EQ(LogPath("/opt/libexec/blade.EXE"), "/opt/libexec/blade.log");
  EXPECT_EQ(LogPath("/opt/libexec/blade"), "/opt/libexec/blade.log");
  EXPECT_EQ(SettingsPath("/opt/exe/blade.exe"), "/opt/exe/blade.ini");
}

TEST(BladeAnalysis, TruncatedReportFailsWithALogLine) {
  const auto dir = std::filesystem::temp_directory_path() / "blade_analysis_test";
  std::filesystem::create_directories(dir);
  const std::string report = (dir / "cut.rpt").string(), log = (dir / "blade.log").string();
  std::ofstream(report) << "PART X\r\nNOMINAL a.nom\r\nTOLERANCE a.tol\r\nRADIUS 0.1\r\nNUM_SECT 1\r\n"
                           "SECTION A-A 3\r\n1 2 3 0 0 1\r\n";
  std::filesystem::remove(log);
  EXPECT_FALSE(AnalyseReport(report, log));
  std::ifstream in(log);
  std::string line;
  std::getline(in, line);
  EXPECT_NE(line.find("ends in section A-A after 1 of 3 points"), std::string::npos) << line;
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace blade
