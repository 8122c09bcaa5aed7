// Point file conversion on the real station, headless: Convert Text File with
// the operator's answers, the written nominal and report files compared line
// for line with what the format asks for, and the ways it stops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>

#include "harness.h"

namespace zarvane::e2e {
namespace {

struct Pt {
  double x, y, z, i = 0, j = 0, k = 0;
};

// `count` points of one section at height z on an ellipse, every third with a
// direction when `withDirection`.
std::vector<Pt> Ring(int count, double z, double scale = 1, bool withDirection = false) {
  std::vector<Pt> pts;
  for (int n = 0; n < count; ++n) {
    const double a = 2 * M_PI * n / count;
    // Five decimals, as the file holds them.
    Pt p{std::round(200000 * std::cos(a) * scale) / 100000, std::round(50000 * std::sin(a) * scale) / 100000, z};
    if (withDirection && n % 3 == 0) p = {p.x, p.y, z, 0.6, -0.8, 0};
    pts.push_back(p);
  }
  return pts;
}

std::string Fixed(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.5f", v);
  std::string t = buf;
  return t == "-0.00000" ? "0.00000" : t;
}

// A raw point file: one point per line, values separated by blanks.
std::string RawFile(const std::vector<Pt>& pts, const std::string& first = "") {
  std::string text = first;
  for (const Pt& p : pts) {
    char buf[200];
    if (p.i == 0 && p.j == 0 && p.k == 0)
      std::snprintf(buf, sizeof buf, "%.5f %.5f %.5f\r\n", p.x, p.y, p.z);
    else
      std::snprintf(buf, sizeof buf, "%.5f %.5f %.5f %.5f %.5f %.5f\r\n", p.x, p.y, p.z, p.i, p.j, p.k);
    text += buf;
  }
  return text;
}

// The point lines of a section: its points in reverse file order, each value
// followed by three blanks, directions unscaled.
std::string PointLines(const std::vector<Pt>& fileOrder, double factor) {
  std::string text;
  for (auto p = fileOrder.rbegin(); p != fileOrder.rend(); ++p) {
    text += Fixed(p->x * factor) + "   " + Fixed(p->y * factor) + "   " + Fixed(p->z * factor) + "   ";
    if (p->i != 0 || p->j != 0 || p->k != 0) text += Fixed(p->i) + "   " + Fixed(p->j) + "   " + Fixed(p->k) + "   ";
    text += "\r\n";
  }
  return text;
}

template <typename T>
void Append(std::vector<T>& to, const std::vector<T>& from, size_t begin, size_t end) {
  to.insert(to.end(), from.begin() + begin, from.begin() + end);
}

class Convert : public ::testing::Test {
 protected:
  void SetUp() override { s.Put("zarv.ini", GoldenIni("zarv_test_nombr.ini", s.Home())); }
  // Convert Text File on pts/<name> with the answers given after the file's.
  RunResult Run(const std::string& name, const std::string& answers) {
    return s.Run("answer text @HOME@/pts/" + name + "\n" + answers + "press mnuConvertPTS\n");
  }
  Station s;
};

// Up to the starting section: OK, nominal (yes) or report (no), Q used or not.
std::string Opening(bool nominal, bool q) {
  return std::string("answer ok\nanswer ") + (nominal ? "yes" : "no") + "\nanswer " + (q ? "yes" : "no") + "\n";
}
// From the starting section on, no nose reset, no sort, units kept or converted.
std::string Rest(const std::string& start, bool convertUnits) {
  return "answer text " + start + "\nanswer no\nanswer text\nanswer text\nanswer no\nanswer no\nanswer " +
         (convertUnits ? "yes" : "no") + "\n";
}

TEST_F(Convert, NominalFileLabelsFollowTheHeightsAndSectionsListTheirPointsFromTheLastLine) {
  // Sections at 1 (40 points, interleaved with the next), 2 (35: a warning),
  // 3 (29: ignored, its label unused) and 4 (40, some with directions).
  const auto a = Ring(40, 1.0), b = Ring(35, 2.0), c = Ring(29, 3.0), d = Ring(40, 4.0, 1, true);
  std::vector<Pt> file;
  Append(file, a, 0, 20);
  Append(file, b, 0, 35);
  Append(file, a, 20, 40);
  Append(file, d, 0, 40);
  Append(file, c, 0, 29);
  s.Put("pts/blade.pts", RawFile(file));
  s.Put("pts/blade.nom", "old\r\n");
  s.Put("Lang.ini", "\tZone 1\tZone 1\tZona 1\tZone 1\tZona 1\r\n");
  // Starting section 7 without Q: G-G, H-H, (J-J unused), K-K.
  const RunResult r = Run("blade.pts", Opening(true, false) + Rest("7", false));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Sections found in file: 4\n")) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: Points file converter found less than forty points in section 2 A well defined")) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: Points file converter found less than thirty points in section 3 (The section will be ignored).")) << r.transcript;
  EXPECT_EQ(r.Count("less than forty points"), 1) << r.transcript;

  std::vector<Pt> aFile;  // section 1's points in file order
  Append(aFile, a, 0, 40);
  const std::string expected = "UNITS INCH\r\nNUM_SECT  3 \r\n"
                               "SECTION G-G 40 1.00000\r\nNOSE 1\r\nOFFSETS  .2   .2 \r\n" + PointLines(aFile, 1) +
                               "SECTION H-H 35 2.00000\r\nNOSE 1\r\nOFFSETS  .2   .2 \r\n" + PointLines(b, 1) +
                               "SECTION K-K 40 4.00000\r\nNOSE 1\r\nOFFSETS  .2   .2 \r\n" + PointLines(d, 1);
  EXPECT_EQ(s.File("pts/blade.nom"), expected);
  EXPECT_EQ(s.File("pts/bladeOLD.nom"), "old\r\n");
  EXPECT_FALSE(s.Exists("pts/blade.nom.tmp"));
  EXPECT_TRUE(r.Has("MESSAGE: Finished file conversion. Opening file to check conversion.")) << r.transcript;
  // Texts new to the language table are its English texts, never composed ones.
  const std::string lang = s.File("Lang.ini");
  EXPECT_NE(lang.find("\tConvert file to nominal file (YES) or report file (NO)\t"), std::string::npos);
  for (const char* composed : {"(NO)?", "point 1?", "(1=A-A, 2=B-B, etc)."})
    EXPECT_EQ(lang.find(composed), std::string::npos) << composed;
}

TEST_F(Convert, MetricFileToInchesWithStartThreeAndPointsLeftOffTheSections) {
  // Heights 1.000, 1.020 and 1.050 inch (in mm), each found after a jump from
  // 5 inch: 1.020 joins 1.000, 1.050 lies 0.05 from it and belongs to no section.
  const auto low = Ring(40, 25.4, 25.4), high = Ring(40, 127.0, 25.4), mid = Ring(5, 25.908, 25.4),
             off = Ring(4, 26.67, 25.4);
  std::vector<Pt> file;
  Append(file, low, 0, 40);
  Append(file, high, 0, 20);
  Append(file, mid, 0, 5);
  Append(file, high, 20, 40);
  Append(file, off, 0, 4);
  s.Put("pts/mm.txt", RawFile(file, "DESIGN DATA METRIC\r\n"));
  // |z| of point 1 is below 50: no METRIC question; the keyword says so.
  const RunResult r = Run("mm.txt", Opening(true, true) + Rest("3", true));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("INPUT: LE Offset | Enter LE Offset Value in current units (MM/INCH) [5.08]")) << r.transcript;
  EXPECT_TRUE(r.Has("Current units are MM.  Would you like to convert to INCHES?")) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: 4 points lie on no section and were left out, at the heights 26.67.")) << r.transcript;

  std::vector<Pt> lowSection = low;  // file order: the low ring, then the 1.020 points
  Append(lowSection, mid, 0, 5);
  double sum = 0;
  for (const Pt& p : lowSection) sum += p.z;
  const std::string expected = "UNITS INCH\r\nNUM_SECT  2 \r\n"
                               "SECTION C-C 45 " + Fixed(sum / 45 / 25.4) + "\r\nNOSE 1\r\nOFFSETS  .2   .2 \r\n" +
                               PointLines(lowSection, 1 / 25.4) +
                               "SECTION D-D 40 5.00000\r\nNOSE 1\r\nOFFSETS  .2   .2 \r\n" + PointLines(high, 1 / 25.4);
  EXPECT_EQ(s.File("pts/mm.nom"), expected);
}

TEST_F(Convert, ReportOutputHasTheHeaderAndShortSectionLines) {
  const auto a = Ring(40, 0.5, 1, true), b = Ring(40, 0.9);
  std::vector<Pt> file = a;
  Append(file, b, 0, 40);
  s.Put("pts/blade.dat", RawFile(file));
  const RunResult r = Run("blade.dat", Opening(false, true) + Rest("1", true) +
                                           "answer text /parts/A.flv\nanswer text P 17\nanswer text\n"
                                           "answer text /parts/A.tol\nanswer text 0.5\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const std::string text = s.File("pts/blade.rpt");
  const size_t date = text.find("DATE ");
  ASSERT_NE(date, std::string::npos) << text;
  const size_t dateEnd = text.find("\r\n", date);
  EXPECT_EQ(dateEnd - date, std::string("DATE mm/dd/yy hh:mm:ss").size()) << text;
  const std::string expected = "FLAVOR /parts/A.flv\r\nPART P 17\r\n" + text.substr(date, dateEnd - date) +
                               "\r\nNOMINAL \r\nTOLERANCE /parts/A.tol\r\nRADIUS 0.5\r\nNUM_SECT  2 \r\n"
                               "SECTION A-A 40\r\n" + PointLines(a, 25.4) + "SECTION B-B 40\r\n" + PointLines(b, 25.4);
  EXPECT_EQ(text, expected);
}

TEST_F(Convert, AReportHeaderAnswerThatIsNoPlainNameOrLineStopsWithNothingWritten) {
  std::vector<Pt> file = Ring(40, 0.5);
  Append(file, Ring(40, 0.9), 0, 40);
  s.Put("pts/blade.dat", RawFile(file));
  const auto answers = [](const std::string& part, const std::string& radius) {
    return Opening(false, true) + Rest("1", true) + "answer text /parts/A.flv\nanswer text " + part +
           "\nanswer text\nanswer text /parts/A.tol\nanswer text " + radius + "\n";
  };
  RunResult r = Run("blade.dat", answers("../x;$(touch pwned)", "0.5"));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: The part name ../x;$(touch pwned) cannot be used: a name must stay inside its "
                    "directory and name one file. Conversion failed.\n"))
      << r.transcript;
  EXPECT_FALSE(s.Exists("pts/blade.rpt"));
  // A carriage return would start a header line of its own.
  r = Run("blade.dat", answers("P 17", "0.5\rPART Evil"));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: The answer 0.5?PART Evil cannot be used. Conversion failed.\n")) << r.transcript;
  EXPECT_FALSE(s.Exists("pts/blade.rpt"));
  for (const fs::path& dir : {fs::current_path(), s.Root(), s.Home(), s.Home() / "pts"})
    EXPECT_FALSE(fs::exists(dir / "pwned")) << dir;
}

TEST_F(Convert, RefusedFilesAndAnswersLeaveNothingBehind) {
  s.Put("pts/few.pts", RawFile(Ring(39, 1.0)));
  RunResult r = Run("few.pts", Opening(true, true));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Conversion acquired less than 40 points.  Conversion failed.")) << r.transcript;

  std::string bad = RawFile(Ring(40, 1.0));
  bad.insert(bad.find("\r\n") + 2, "1.0 nan 1.0\r\n");
  s.Put("pts/nan.pts", bad);
  r = Run("nan.pts", Opening(true, true));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("value that is infinite, not a number or beyond a billion in line 2: 1.0 nan 1.0")) << r.transcript;
  bad.insert(0, "7 1.0 2.0 3.0\r\n1.0 2.0 -1.5e10\r\n");  // a label, then a huge value
  s.Put("pts/nan.pts", bad);
  r = Run("nan.pts", Opening(true, true));
  EXPECT_TRUE(r.Has("beyond a billion in line 2: 1.0 2.0 -1.5e10")) << r.transcript;

  // Two sections and 69 labels: 68 is past them, then "2.5" ends it.
  std::vector<Pt> two = Ring(40, 1.0);
  Append(two, Ring(40, 2.0), 0, 40);
  s.Put("pts/two.pts", RawFile(two));
  s.Put("pts/two.nom", "kept\r\n");
  r = Run("two.pts", Opening(true, false) + "answer text 69\nanswer text 2.5\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("INPUT: Starting Section | Please RE-ENTER the starting section number as an INTEGER")) << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: The starting section must be a whole number from 1 to 68.")) << r.transcript;

  // Forty copies of one point and a full sort.
  s.Put("pts/same.pts", RawFile(std::vector<Pt>(40, Pt{1.0, 2.0, 3.0})));
  r = Run("same.pts", Opening(true, true) + "answer text 1\nanswer yes\nanswer yes\nanswer text\nanswer text\nanswer yes\nanswer no\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: The points of section 1 (A-A) could not be sorted: ")) << r.transcript;
  EXPECT_FALSE(s.Exists("pts/same.nom") || s.Exists("pts/same.nom.tmp"));

  // Decimal commas with "." as the separator would read as other numbers.
  std::string commas = RawFile(Ring(40, 1.0));
  commas.insert(0, "1,50000 2,25000 3,00000\r\n");
  s.Put("pts/commas.pts", commas);
  r = Run("commas.pts", Opening(true, true));
  EXPECT_TRUE(r.Has("decimal commas in line 1: 1,50000 2,25000 3,00000")) << r.transcript;

  // Every height with fewer than 30 points: no section, nothing replaced.
  std::vector<Pt> thin = Ring(25, 1.0);
  Append(thin, Ring(25, 2.0), 0, 25);
  s.Put("pts/thin.pts", RawFile(thin));
  s.Put("pts/thin.nom", "kept\r\n");
  r = Run("thin.pts", Opening(true, false) + Rest("1", false));
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: No section could be written, nothing was converted.")) << r.transcript;
  EXPECT_EQ(s.File("pts/thin.nom"), "kept\r\n");

  r = Run("two.pts", Opening(true, false) + "answer text\n");  // cancelled
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  r = Run("two.pts", "answer cancel\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(s.File("pts/two.nom"), "kept\r\n");
  EXPECT_FALSE(s.Exists("pts/two.nom.tmp"));
  EXPECT_FALSE(s.Exists("pts/few.nom") || s.Exists("pts/nan.nom") || s.Exists("pts/few.nom.tmp"));
}

}  // namespace
}  // namespace zarvane::e2e

namespace zarvane::e2e {
namespace {

TEST_F(Convert, MakeNewPartConvertsThePointFileAndCopiesTheFilesUnderThePartName) {
  std::vector<Pt> file = Ring(40, 1.0);
  Append(file, Ring(40, 2.0), 0, 40);
  s.Put("design/raw.pts", RawFile(file));
  s.Put("design/raw.tol", "tolerances\r\n");
  s.Put("design/any.op", "operation\r\n");
  s.Put("blades/P9/P9.tol", "older tolerances\r\n");
  const RunResult r = s.Run("answer text P9\nanswer text @HOME@/design/raw.pts\n" + Opening(true, true) +
                            Rest("1", false) + "answer text @HOME@/design/raw.tol\nanswer text @HOME@/design/any.op\n" +
                            "press mnuMakePart\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Part directory P9 already exists, will use it.")) << r.transcript;
  EXPECT_EQ(s.File("blades/P9/P9.nom"), s.File("design/raw.nom"));
  EXPECT_EQ(s.File("blades/P9/P9.nom").rfind("UNITS INCH\r\nNUM_SECT  2 \r\nSECTION A-A 40 1.00000\r\n", 0), 0u);
  EXPECT_EQ(s.File("blades/P9/P9.tol"), "tolerances\r\n");
  EXPECT_EQ(s.File("blades/P9/P9OLD.tol"), "older tolerances\r\n");
  EXPECT_EQ(s.File("blades/P9/P9.op"), "operation\r\n");

  // A report output is no nominal file: the part gets none.
  const RunResult report = s.Run("answer text P10\nanswer text @HOME@/design/raw.pts\n" + Opening(false, true) +
                                 Rest("1", false) + "answer text\nanswer text P10\nanswer text\nanswer text\nanswer text\n"
                                 "answer text\npress mnuMakePart\n");
  ASSERT_EQ(report.status, 0) << report.transcript << report.errors;
  EXPECT_TRUE(s.Exists("design/raw.rpt"));
  EXPECT_FALSE(s.Exists("blades/P10/P10.rpt") || s.Exists("blades/P10/P10.nom") || s.Exists("blades/P10/P10.pts"));
  EXPECT_TRUE(fs::is_directory(s.Home() / "blades/P10"));

  // The part's own nominal file chosen again stays as it is.
  const std::string own = s.File("blades/P9/P9.nom");
  const RunResult again = s.Run("answer text P9\nanswer text @HOME@/blades/P9/P9.nom\nanswer text\npress mnuMakePart\n");
  ASSERT_EQ(again.status, 0) << again.transcript << again.errors;
  EXPECT_EQ(s.File("blades/P9/P9.nom"), own);
  EXPECT_FALSE(s.Exists("blades/P9/P9OLD.nom"));

  // A part name that leaves the blades directory makes nothing.
  const RunResult outside = s.Run("answer text ../Outside\npress mnuMakePart\n");
  ASSERT_EQ(outside.status, 0) << outside.transcript << outside.errors;
  EXPECT_FALSE(fs::exists(s.Home() / "Outside")) << outside.transcript;
}

}  // namespace
}  // namespace zarvane::e2e

namespace zarvane::e2e {
namespace {

// The demo's raw point file: three sections of 48 points, each point n at
// x = c/2 (1 - cos t), y = 0.08 c sin(pi x / c) + 0.06 c sin t, t = 2 pi n / 48.
int DemoIndex(double x, double y, double z) {
  const double chord = 1.2 - 0.1 * std::round((z - 0.5) / 0.5);
  for (int n = 0; n < 48; ++n) {
    const double t = 2 * M_PI * n / 48, px = chord / 2 * (1 - std::cos(t));
    const double py = 0.08 * chord * std::sin(M_PI * px / chord) + 0.06 * chord * std::sin(t);
    if (std::fabs(px - x) < 6e-6 && std::fabs(py - y) < 6e-6) return n;
  }
  return -1;
}

TEST_F(Convert, TheDemoPointFileSortedInFullWalksEachContourFromTheNose) {
  s.Put("pts/DemoScan.pts", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "design" / "DemoScan.pts"));
  const RunResult r = Run("DemoScan.pts", Opening(true, true) +
                                              "answer text 1\nanswer yes\nanswer yes\nanswer text\nanswer text\n"
                                              "answer yes\nanswer no\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  std::stringstream in(s.File("pts/DemoScan.nom"));
  std::vector<std::vector<int>> sections;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("SECTION ", 0) == 0) sections.emplace_back();
    double x, y, z;
    if (!sections.empty() && std::sscanf(line.c_str(), "%lf %lf %lf", &x, &y, &z) == 3)
      sections.back().push_back(DemoIndex(x, y, z));
  }
  ASSERT_EQ(sections.size(), 3u) << s.File("pts/DemoScan.nom");
  for (const auto& walk : sections) {
    ASSERT_EQ(walk.size(), 48u);
    // Every point once, each next to the one before round the contour, the
    // nose (the leading edge, x = 0: point 0) first.
    EXPECT_EQ(std::set<int>(walk.begin(), walk.end()).size(), 48u);
    EXPECT_EQ(walk.front(), 0);
    for (size_t k = 1; k < walk.size(); ++k) {
      const int step = (walk[k] - walk[k - 1] + 48) % 48;
      EXPECT_TRUE(step == 1 || step == 47) << walk[k - 1] << " then " << walk[k];
    }
  }
}

}  // namespace
}  // namespace zarvane::e2e

namespace zarvane::e2e {
namespace {

TEST(ConvertOnMeasure, APartWithOnlyItsPointFileGetsItsNominalFileAndBladeTxt) {
  Station s;
  std::string ini = GoldenIni("zarv_test_nombr.ini", s.Home());
  ini = WithLine(ini, "SingleZone =", "SingleZone = OFF");
  s.Put("zarv.ini", ini);
  for (const char* file : {"Demo.tol", "Demo.op", "KT1.flv"})
    s.Put(std::string("blades/Demo/") + file, ReadFile(fs::path(ZARVANE_DEMO_HOME) / "blades" / "Demo" / file));
  s.Put("blades/Demo/Demo.pts", ReadFile(fs::path(ZARVANE_DEMO_HOME) / "design" / "DemoScan.pts"));
  s.Put("blade_lookup_table.txt", "!Part Number   Program   Flavor\r\n");
  const RunResult r = s.Run("select comboBlade(1) Demo\n" + Opening(true, true) +
                            "answer text 1\nanswer yes\nanswer yes\nanswer text\nanswer text\nanswer yes\nanswer no\n"
                            "press cmdGo\nset cmbSN(1) AB 12\npress frmInspOpt.cmdMeasure\nanswer yes\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  ASSERT_TRUE(s.Exists("blades/Demo/Demo.nom")) << r.transcript;
  EXPECT_EQ(s.File("blades/Demo/Demo.nom").rfind("UNITS INCH\r\nNUM_SECT  3 \r\nSECTION A-A 48 0.50000\r\n", 0), 0u);
  // The nominal reader takes it: blade.txt holds each section's leading
  // edge (x = 0) and trailing edge (x = the chord) at its height.
  std::string points;
  for (int k = 0; k < 3; ++k)
    for (double x : {0.0, 1.2 - 0.1 * k}) {
      for (double v : {x, 0.0, 0.5 * (k + 1), 0.0, 0.0, 0.0}) points += Fixed(v) + std::string(14 - Fixed(v).size(), ' ');
      points += "FULL\r\n";
    }
  EXPECT_NE(s.File("blade.txt").find("NUMBER_OF_SECTIONS 3\r\n" + points), std::string::npos) << s.File("blade.txt");
}

}  // namespace
}  // namespace zarvane::e2e
