// The measured data readers: the host's blade report (as the simulated host
// writes it, and as word processors write such reports by hand), the point
// line rules, plain text point files, and damaged input.
#include <cmath>
#include <random>

#include "datafiles/measured.h"
#include "foundation/text.h"
#include "foundation_fixture.h"
#include "host/simcore.h"
#include "host/simhost.h"

namespace zarvane::testing {
namespace {

bool IsSingle(double v) { return static_cast<double>(static_cast<float>(v)) == v; }

int Occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string PointLine(const std::string& label, double x, double y, double z, double i, double j, double k,
                      double d) {
  std::string line = label;
  for (double v : {x, y, z, i, j, k, d}) line += " " + FormatFixed(v, 5);
  return line;
}

// Lines of a block of `count` points whose x is the point number and y the
// block number.
std::vector<std::string> Block(const std::string& marker, int block, int count) {
  std::vector<std::string> lines = {marker};
  for (int n = 1; n <= count; ++n) lines.push_back(PointLine("P" + std::to_string(n), n, block, 1.5, 1, 0, 0, 0.001));
  return lines;
}

class MeasuredTest : public FoundationTest {
 protected:
  MeasuredTest() : progress(forms, core), reader(core, progress) { core.gDebugLevel = 10; }

  void Language(int language) { Spit(home / "zarv.ini", "Language " + std::to_string(language) + "\r\n"); }
  std::string Write(const std::string& name, const std::string& content) {
    Spit(home / name, content);
    return Path(name);
  }
  // A report in the simulated host's format: header lines, then the given lines.
  std::string HostReport(const std::vector<std::string>& body, const std::string& name = "blade.rtf") {
    std::vector<std::string> lines = {"Quorvex blade measurement", "Host Quorvex 5.1", "Part TB100", "Units INCH"};
    lines.insert(lines.end(), body.begin(), body.end());
    return Write(name, Join(SimRtfLines(lines), "\r\n") + "\r\n");
  }
  static std::vector<std::string> Blocks(const std::string& marker, const std::vector<int>& counts) {
    std::vector<std::string> lines;
    for (size_t b = 0; b < counts.size(); ++b) {
      const auto block = Block(marker, static_cast<int>(b + 1), counts[b]);
      lines.insert(lines.end(), block.begin(), block.end());
    }
    return lines;
  }
  int Bar() { return progress("ProgressBar1").Value(); }
  std::vector<long> Counts(const MeasuredSections& sections) {
    std::vector<long> counts;
    for (const auto& s : sections) counts.push_back(s.Count());
    return counts;
  }

  FrmProgress progress;
  MeasuredData reader;
};

// --- Reports of the simulated host ------------------------------------------------

class MeasuredHostReport : public MeasuredTest {
 protected:
  static constexpr double kA[2] = {1.0, 1.2}, kB[2] = {0.2, 0.25}, kZ[2] = {1.0, 2.0};

  // Two elliptic sections with outward unit normals, nose at +x (point 1).
  void Measure(int hostLanguage, const std::vector<std::string>& settings) {
    std::vector<std::string> nominal = {"UNITS = INCH", "NUM_SECT 2"};
    for (int s = 0; s < 2; ++s) {
      nominal.push_back(std::string("SECTION ") + (s == 0 ? "A" : "B"));
      nominal.push_back("NOSE 1");
      for (int n = 0; n < 48; ++n) {
        const double t = 2 * M_PI * n / 48, x = kA[s] * std::cos(t), y = kB[s] * std::sin(t);
        const double gi = x / (kA[s] * kA[s]), gj = y / (kB[s] * kB[s]), gl = std::hypot(gi, gj);
        nominal.push_back(FormatFixed(x, 6) + " " + FormatFixed(y, 6) + " " + FormatFixed(kZ[s], 1) + " " +
                          FormatFixed(gi / gl, 6) + " " + FormatFixed(gj / gl, 6) + " 0");
      }
    }
    Spit(home / "blades/TB100/TB100.nom", Join(nominal, "\r\n") + "\r\n");
    RunHost(hostLanguage, settings);
  }
  // The simulated host measures the first two sections of TB100's nominal.
  void RunHost(int hostLanguage, const std::vector<std::string>& settings) {
    Spit(home / "blade.txt", "PART          TB100\r\nNUMBER_OF_SECTIONS 2\r\n");
    std::vector<std::string> ini = {"StartDelay = 0", "QuitDelay = 0"};
    ini.insert(ini.end(), settings.begin(), settings.end());
    Spit(home / "host/simhost.ini", Join(ini, "\r\n") + "\r\n");
    Spit(home / "Blade.prg", "UNITS INCH\r\nMEASURE_BLADE\r\n");

    SimHostEnvironment env{&tp.clock, [this] { return Path("host"); }, [this] { return core.gHome; },
                           [this] { return Path("blades"); }, [hostLanguage] { return hostLanguage; }};
    SimulatedHost host(env);
    auto app = host.GetObject();
    app->WaitUntilReady(40);
    auto part = app->PartPrograms()->Open(Path("Blade.prg"), "");
    ASSERT_NE(part, nullptr);
    part->EXECUTE();
    app->quit();
    ASSERT_TRUE(fs::exists(home / "blade.rtf"));
  }
};

TEST_F(MeasuredHostReport, ReadsEveryBlockWithItsPointsInSinglePrecision) {
  Language(1);
  Measure(1, {"Noise = 0", "OffsetX = 0.01", "PointsPerSide = 30"});
  const auto sections = reader.readData(Path("blade.rtf"), 2);
  ASSERT_TRUE(sections.has_value());
  EXPECT_EQ(Counts(*sections), (std::vector<long>{30, 30, 30, 30}));
  for (size_t b = 0; b < 4; ++b) {
    const int s = static_cast<int>(b / 2);  // two sides per section, nominal order
    for (const auto& p : (*sections)[b]) {
      EXPECT_NEAR(p->z, kZ[s], 1e-9);
      // Shifted by 0.01 in x: the deviation is the offset along the normal.
      EXPECT_NEAR(p->ltol, 0.01 * p->i, 2e-5);
      EXPECT_NEAR(std::pow((p->x - 0.01) / kA[s], 2) + std::pow(p->y / kB[s], 2), 1.0, 0.01);
      EXPECT_EQ(p->utol, 0.0);
      for (double v : {p->x, p->y, p->z, p->i, p->j, p->k, p->ltol}) EXPECT_TRUE(IsSingle(v)) << v;
    }
  }
  // Side 1 starts at the nose (+x), side 2 at the tail (-x).
  EXPECT_NEAR((*sections)[0].At(1).x, kA[0] + 0.01, 1e-5);
  EXPECT_NEAR((*sections)[1].At(1).x, -kA[0] + 0.01, 1e-5);
  EXPECT_NEAR((*sections)[3].At(30).x, kA[1] + 0.01, 1e-5);

  // The plain text stays in tmpwrk.txt; the window stays open with a full bar.
  EXPECT_TRUE(StartsWith(Slurp(home / "tmpwrk.txt"), "Quorvex blade measurement\r\nHost Quorvex 5.1\r\n"));
  EXPECT_TRUE(progress.Visible());
  EXPECT_EQ(Bar(), 100);
  EXPECT_EQ(progress.Caption(), "Processing measured data...");
  EXPECT_EQ(progress("Label1").Caption(), "Processing measured data...");
  // One line per block closed by the next marker; the last block is only counted.
  const std::string log = Log();
  EXPECT_EQ(Occurrences(log, "readData: QUORVX output section.count (POINTDATA FOUND) is: 30"), 3);
  EXPECT_EQ(Occurrences(log, "readData Section count: 4"), 1);
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(MeasuredHostReport, AGermanStationFindsSectionsOnlyUnderPunktinfo) {
  Measure(4, {"PointsPerSide = 12"});
  ASSERT_EQ(Slurp(home / "blade.rtf").find("POINTDATA"), std::string::npos);
  Language(4);
  Spit(home / "Lang.ini",
       "ID\tProcessing measured data...\tTraitement\tElaborazione\tMessdaten werden verarbeitet\tProceso\r\n");
  core.loadLanguage(4);
  const auto german = reader.readData(Path("blade.rtf"), 2);
  ASSERT_TRUE(german.has_value());
  EXPECT_EQ(Counts(*german), (std::vector<long>{12, 12, 12, 12}));
  EXPECT_EQ(progress.Caption(), "Messdaten werden verarbeitet");
  EXPECT_EQ(progress("Label1").Caption(), "Messdaten werden verarbeitet");

  Language(1);
  EXPECT_FALSE(reader.readData(Path("blade.rtf"), 2).has_value());
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0], "Data not understood or not found in: " + Path("blade.rtf") + ".");
  EXPECT_FALSE(progress.Visible());

  // And the other way round: an English report on a German station.
  Measure(1, {"PointsPerSide = 12"});
  Language(4);
  EXPECT_FALSE(reader.readData(Path("blade.rtf"), 2).has_value());
  EXPECT_EQ(op.messages.size(), 2u);
}

// The host's varied report shape: every arrangement of point words the reader
// takes, lines it must skip, an empty block first and a short block last.
class MeasuredVariedReport : public MeasuredHostReport {
 protected:
  struct Point {
    double x, y, z, i, j, k;
  };
  // Two ellipses of 22 points with unit normals, NOSE 1 and TAIL 12: each side
  // has exactly 12 points, so the host measures the nominal points themselves.
  std::vector<std::vector<Point>> WriteNominal() {
    std::vector<std::vector<Point>> sections(2);
    std::vector<std::string> lines = {"UNITS = INCH", "NUM_SECT 2"};
    for (int s = 0; s < 2; ++s) {
      lines.insert(lines.end(), {s == 0 ? "SECTION A" : "SECTION B", "NOSE 1", "TAIL 12"});
      for (int n = 0; n < 22; ++n) {
        const double t = 2 * M_PI * n / 22, x = kA[s] * std::cos(t), y = kB[s] * std::sin(t);
        const double gi = x / (kA[s] * kA[s]), gj = y / (kB[s] * kB[s]), gl = std::hypot(gi, gj);
        const std::vector<std::string> w = {FormatFixed(x, 6), FormatFixed(y, 6), FormatFixed(kZ[s], 1),
                                            FormatFixed(gi / gl, 6), FormatFixed(gj / gl, 6), "0"};
        lines.push_back(Join(w, " "));
        const double len = std::hypot(Val(w[3]), Val(w[4]));
        sections[s].push_back({Val(w[0]), Val(w[1]), Val(w[2]), Val(w[3]) / len, Val(w[4]) / len, 0});
      }
    }
    Spit(home / "blades/TB100/TB100.nom", Join(lines, "\r\n") + "\r\n");
    return sections;
  }
};

TEST_F(MeasuredVariedReport, TheReaderTakesEveryPointShapeAndSkipsTheRest) {
  constexpr double dx = 0.01, dy = -0.02;
  const auto nominal = WriteNominal();
  // Expected blocks: none for the probe check, then per section side 1 (points
  // 1 to 12) and side 2 (12 to 22 and round to 1), then the first five again.
  std::vector<std::vector<Point>> expected = {{}};
  for (const auto& section : nominal) {
    expected.emplace_back(section.begin(), section.begin() + 12);
    expected.emplace_back(section.begin() + 11, section.end());
    expected.back().push_back(section.front());
  }
  expected.emplace_back(expected[1].begin(), expected[1].begin() + 5);

  for (int language : {1, 4}) {
    Language(language);
    RunHost(language, {"ReportShape = VARIED", "Noise = 0", "OffsetX = 0.01", "OffsetY = -0.02", "PointsPerSide = 12"});
    const auto sections = reader.readData(Path("blade.rtf"), 2);
    ASSERT_TRUE(sections.has_value()) << language;
    ASSERT_EQ(sections->size(), expected.size()) << language;
    for (size_t b = 0; b < expected.size(); ++b) {
      ASSERT_EQ((*sections)[b].Count(), static_cast<long>(expected[b].size())) << "block " << b;
      for (size_t n = 0; n < expected[b].size(); ++n) {
        const Point& e = expected[b][n];
        const auto& p = (*sections)[b].At(static_cast<long>(n) + 1);
        const std::string where = "language " + std::to_string(language) + " block " + std::to_string(b) +
                                  " point " + std::to_string(n + 1);
        EXPECT_NEAR(p.x, e.x + dx, 2e-5) << where;
        EXPECT_NEAR(p.y, e.y + dy, 2e-5) << where;
        EXPECT_NEAR(p.z, e.z, 1e-6) << where;
        EXPECT_NEAR(p.i, e.i, 2e-5) << where;
        EXPECT_NEAR(p.j, e.j, 2e-5) << where;
        EXPECT_NEAR(p.ltol, dx * e.i + dy * e.j, 2e-5) << where;
        EXPECT_EQ(p.utol, 0.0) << where;
      }
    }
  }
  EXPECT_TRUE(op.messages.empty());
}

// --- Sections and the progress window ---------------------------------------------

TEST_F(MeasuredTest, ASectionOfMoreThanTenPointsMakesTheReportUsable) {
  Language(1);
  const std::string report = HostReport(Blocks("POINTDATA", {10, 10, 10}));
  EXPECT_FALSE(reader.readData(report, 2).has_value());
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0], "Data not understood or not found in: " + report + ".");
  EXPECT_FALSE(progress.Visible());

  // Small sections are kept beside one of 11; a closing marker opens one more.
  std::vector<std::string> body = Blocks("POINTDATA", {3, 11, 0});
  const auto sections = reader.readData(HostReport(body), 2);
  ASSERT_TRUE(sections.has_value());
  EXPECT_EQ(Counts(*sections), (std::vector<long>{3, 11, 0}));
  EXPECT_TRUE(progress.Visible());

  // Point lines before the first marker belong to no section.
  body = Block("", 0, 20);
  body.erase(body.begin());
  auto block = Block("Block POINTDATA follows", 1, 11);
  body.insert(body.end(), block.begin(), block.end());
  const auto later = reader.readData(HostReport(body), 1);
  ASSERT_TRUE(later.has_value());
  ASSERT_EQ(Counts(*later), (std::vector<long>{11}));
  EXPECT_EQ((*later)[0].At(1).y, 1.0);
}

TEST_F(MeasuredTest, TheBarShowsHalfOfTheExpectedSectionsAndLogsByLevel) {
  Language(1);
  const std::string report = HostReport(Blocks("POINTDATA", {11, 11, 11, 11}));
  ASSERT_TRUE(reader.readData(report, 8).has_value());
  EXPECT_EQ(Bar(), 25);
  std::string log = Log();
  for (const char* value : {"Progress Bar Value: 6", "Progress Bar Value: 13", "Progress Bar Value: 19",
                            "Progress Bar Value: 25"})
    EXPECT_EQ(Occurrences(log, value), 1) << value;

  ASSERT_TRUE(reader.readData(report, 0).has_value());  // no expected count: a full bar
  EXPECT_EQ(Bar(), 100);

  fs::remove(home / "debug.txt");
  core.gDebugLevel = 7;
  ASSERT_TRUE(reader.readData(report, 1).has_value());
  log = Log();
  for (const char* shown : {"Start of readData...", "Processing measured data...", "readData Section count: 4",
                            "readData: QUORVX output section.count (POINTDATA FOUND) is: 11", "End of readData..."})
    EXPECT_NE(log.find(shown), std::string::npos) << shown;
  for (const char* hidden : {"readData: After show of frmProgress...", "readData: After creation of tmpwrk...",
                             "Progress Bar Value"})
    EXPECT_EQ(log.find(hidden), std::string::npos) << hidden;
}

// --- Hand-made reports ------------------------------------------------------------

TEST_F(MeasuredTest, ReportsWrittenByWordProcessors) {
  Language(1);
  // WordPad: labels, trailing status words, a heading with PART in it, a DIM line.
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\r\n"
      "{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\f0\\fs20 Pr\\'fcfbericht\\par\r\n"
      "\\b POINTDATA\\b0\\par\r\n"
      "PART TB100 1 2 3 4 5 6\\par\r\n"
      "DIM 1 2 3 4 5 6 7 8\\par\r\n";
  for (int n = 1; n <= 11; ++n)
    rtf += "S1P" + std::to_string(n) + " " + std::to_string(n) + ".25 0.5 1 0 1 0 0.002 OK\\par\r\n";
  rtf += "{\\header POINTDATA\\par}POINTDATA\\par\r\n";
  // Word: one table row per point, a cell per value, a header row.
  rtf += "\\trowd\\cellx900\\cellx1800\\pard\\intbl Label\\cell X\\cell Y\\cell Z\\cell I\\cell J\\cell K\\cell "
         "Dev\\cell\\row\r\n";
  for (int n = 1; n <= 12; ++n)
    rtf += "\\trowd\\cellx900\\pard\\intbl {P" + std::to_string(n) + "}\\cell -" + std::to_string(n) +
           ".5\\cell 2\\cell 3\\cell 0\\cell 0\\cell 1\\cell -0.001\\cell\\row\r\n";
  rtf += "}";
  const auto sections = reader.readData(Write("hand.rtf", rtf), 1);
  ASSERT_TRUE(sections.has_value());
  ASSERT_EQ(Counts(*sections), (std::vector<long>{11, 12}));
  const points& a = (*sections)[0].At(11);
  EXPECT_EQ(a.x, 11.25);
  EXPECT_EQ(a.j, 1.0);
  EXPECT_EQ(a.ltol, static_cast<double>(0.002f));
  const points& b = (*sections)[1].At(12);
  EXPECT_EQ(b.x, -12.5);
  EXPECT_EQ(b.k, 1.0);
  EXPECT_EQ(b.ltol, static_cast<double>(-0.001f));
  EXPECT_TRUE(StartsWith(Slurp(home / "tmpwrk.txt"), "Pr\xfc" "fbericht\r\nPOINTDATA\r\n"));
}

// --- Damaged and unusual reports --------------------------------------------------

TEST_F(MeasuredTest, DamagedReportsGiveWhatTheyHoldOrTheMessage) {
  Language(1);
  // Cut off inside a point line, braces never closed.
  std::string full = Join(SimRtfLines(Blocks("POINTDATA", {11, 15})), "\r\n");
  const std::string cut = full.substr(0, full.find("P14 ") + 10);
  auto sections = reader.readData(Write("cut.rtf", cut), 2);
  ASSERT_TRUE(sections.has_value());
  EXPECT_EQ(Counts(*sections), (std::vector<long>{11, 13}));

  // Plain text instead of RTF is read as it is; extra closing braces end an RTF report.
  sections = reader.readData(Write("plain.txt", Join(Blocks("POINTDATA", {12}), "\n")), 1);
  ASSERT_TRUE(sections.has_value());
  EXPECT_EQ(Counts(*sections), (std::vector<long>{12}));
  sections = reader.readData(
      Write("braces.rtf", "{\\rtf1 " + Join(Blocks("POINTDATA", {11}), "\\par ") + "\\par}}}POINTDATA\\par}"), 1);
  ASSERT_TRUE(sections.has_value());
  EXPECT_EQ(Counts(*sections), (std::vector<long>{11}));

  // Numbers that are not finite, not numbers, or beyond single precision, a
  // line far longer than any report's: skipped, the good points still read.
  std::vector<std::string> body = Block("POINTDATA", 1, 11);
  body.insert(body.begin() + 3, {"P3a 1e400 0 0 0 0 0 0", "P3b NaN 0 0 0 0 0 0", "P3c 1 inf 0 0 0 0 0",
                                 "P3d 1 2 3.5e38 0 0 0 0", "P3e 1 2 3 -1e39 0 0 0", std::string(200000, '7'),
                                 "P3f " + std::string(20000, '1') + " 0 0 0 0 0 0",
                                 "P3g " + std::string(400, '1') + " 0 0 0 0 0 0"});
  sections = reader.readData(HostReport(body), 1);
  ASSERT_TRUE(sections.has_value());
  EXPECT_EQ(Counts(*sections), (std::vector<long>{11}));
  EXPECT_NE(Log().find("Parseline: Conversion error in line: P3a 1e400 0 0 0 0 0 0"), std::string::npos);

  // Nothing usable: no file, a directory, random bytes (marker words included).
  const size_t told = op.messages.size();
  EXPECT_FALSE(reader.readData(Path("missing.rtf"), 1).has_value());
  fs::create_directories(home / "adir.rtf");
  EXPECT_FALSE(reader.readData(Path("adir.rtf"), 1).has_value());
  std::mt19937 random(4711);
  std::string noise = "{\\rtf1 ";
  for (int n = 0; n < 200000; ++n)
    noise += n % 5000 == 0 ? std::string("POINTDATA\\par ") : std::string(1, static_cast<char>(random()));
  EXPECT_FALSE(reader.readData(Write("noise.rtf", noise), 1).has_value());
  noise[0] = 'x';  // the same bytes as plain text
  EXPECT_FALSE(reader.readData(Write("noise.txt", noise), 1).has_value());
  EXPECT_EQ(op.messages.size(), told + 4);
  EXPECT_EQ(op.messages.back(), "Data not understood or not found in: " + Path("noise.txt") + ".");
}

TEST_F(MeasuredTest, TmpwrkIsReplacedEachTimeAndMustBeWritable) {
  Language(1);
  ASSERT_TRUE(reader.readData(HostReport(Blocks("POINTDATA", {11, 11, 11})), 3).has_value());
  ASSERT_TRUE(reader.readData(HostReport(Blocks("POINTDATA", {11})), 1).has_value());
  EXPECT_EQ(Occurrences(Slurp(home / "tmpwrk.txt"), "POINTDATA"), 1);

  fs::remove(home / "tmpwrk.txt");
  fs::create_directories(home / "tmpwrk.txt");
  try {
    reader.readData(Path("blade.rtf"), 1);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrPathAccess);
  }
  EXPECT_FALSE(progress.Visible());
}

// --- Point lines --------------------------------------------------------------------

class MeasuredParseline : public MeasuredTest {
 protected:
  // The seven values of an accepted line, or nothing.
  std::optional<std::vector<float>> Parse(const std::string& line) {
    float v[7] = {-9, -9, -9, -9, -9, -9, -9};
    if (!reader.Parseline(line, v[0], v[1], v[2], v[3], v[4], v[5], v[6])) {
      for (float untouched : v) EXPECT_EQ(untouched, -9.0f) << line;
      return std::nullopt;
    }
    return std::vector<float>(v, v + 7);
  }
  static std::vector<float> Seq(float from) {
    std::vector<float> v;
    for (int n = 0; n < 7; ++n) v.push_back(from + n);
    return v;
  }
};

TEST_F(MeasuredParseline, TheWordCountChoosesTheSevenWords) {
  EXPECT_EQ(Parse("P1 1 2 3 4 5 6 7"), Seq(1));            // 8: words 2-8
  EXPECT_EQ(Parse("P1 1 2 3 4 5 6 7 OK"), Seq(1));         // 9, word 9 text: 2-8
  EXPECT_EQ(Parse("S 1 10 11 12 13 14 15 16"), Seq(10));   // 9, word 9 numeric: 3-9
  EXPECT_EQ(Parse("a b c 1 2 3 4 5 6 7"), Seq(1));         // 10, word 10 numeric: 4-10
  EXPECT_EQ(Parse("a b 1 2 3 4 5 6 7 x"), Seq(1));         // 10, word 10 text: 3-9
  EXPECT_EQ(Parse("a b 1 2 3 4 5 6 7 8 9"), Seq(1));       // 11, word 11 numeric: 3-9
  EXPECT_EQ(Parse("a b c 1 2 3 4 5 6 7 x"), Seq(1));       // 11, word 11 text: 4-10
  // The word each count tests must be numeric.
  EXPECT_FALSE(Parse("P1 x 2 3 4 5 6 7"));
  EXPECT_FALSE(Parse("a b x 1 2 3 4 5 6"));
  EXPECT_FALSE(Parse("a b c x 1 2 3 4 5 6"));
  EXPECT_FALSE(Parse("a b c x 1 2 3 4 5 6 7"));
  // Other counts are not understood.
  for (const char* line : {"1 2 3 4 5 6 7", "P 1 2 3 4 5 6 7 8 9 10 11", "POINT"}) {
    EXPECT_FALSE(Parse(line)) << line;
    EXPECT_NE(Log().find(std::string("Reading Quorvex output line not understood, line: ") + line),
              std::string::npos);
  }
  // Words are split at blanks, tabs and "=", a "!" ends the line.
  EXPECT_EQ(Parse("P1\t1=2 3  4 5\t6 7 ! note"), Seq(1));
}

TEST_F(MeasuredParseline, MarkedLinesAreNeverPoints) {
  for (const char* line : {"PART 1 2 3 4 5 6 7", "DIM 1 2 3 4 5 6 7", "P1BUILT 1 2 3 4 5 6 7",
                           "AX 1 2 3 4 5 6 7", "M   1 2 3 4 5 6 7", "R   1 2 3 4 5 6 7", "P A   1 2 3 4 5 6",
                           "", "      "}) {
    EXPECT_FALSE(Parse(line)) << line;
    EXPECT_NE(Log().find(std::string("Parseline ignored line: ") + line + "\r\n"), std::string::npos) << line;
  }
  // The marks are compared in exact case and with their blanks.
  EXPECT_EQ(Parse("part 1 2 3 4 5 6 7"), Seq(1));
  EXPECT_EQ(Parse("AX1 1 2 3 4 5 6 7"), Seq(1));
  EXPECT_EQ(Parse("M  1 2 3 4 5 6 7"), Seq(1));
}

TEST_F(MeasuredParseline, NumbersAreSinglePrecisionAndMustConvert) {
  const auto v = Parse("P1 0.1 -2.5e-3 1D2 +4 &H10 1e-50 123456789");
  ASSERT_TRUE(v);
  EXPECT_EQ(*v, (std::vector<float>{0.1f, -0.0025f, 100.0f, 4.0f, 16.0f, 0.0f, 123456792.0f}));
  for (const char* line : {"P1 1e400 0 0 0 0 0 0", "P1 0 0 0 0 0 0 3.5e38", "P1 1 2 NaN 4 5 6 7",
                           "P1 1 2 inf 4 5 6 7", "P1 1 2 3 4 5 6 1e"})
    EXPECT_FALSE(Parse(line)) << line;
  EXPECT_NE(Log().find("Parseline: Conversion error in line: P1 1e400 0 0 0 0 0 0"), std::string::npos);
}

TEST_F(MeasuredParseline, CommaDecimalsWhereTheLocaleUsesThem) {
  // A dot-decimal locale splits at commas: "1,5" is two words.
  EXPECT_EQ(Parse("P1 1,5 2 3 4 5 6"), (std::vector<float>{1, 5, 2, 3, 4, 5, 6}));
  core.gDotDecimal = false;
  EXPECT_EQ(Parse("P1 1,5 2.5 3 4 5 6 -0,25"), (std::vector<float>{1.5f, 2.5f, 3, 4, 5, 6, -0.25f}));
  EXPECT_FALSE(Parse("P1 1,5,5 2 3 4 5 6 7"));
}

// --- Plain text point files ----------------------------------------------------------

TEST_F(MeasuredTest, PointFilesGiveOnePointPerLineOfThreeToNineValues) {
  const std::string file = Write("blade.pts",
                                 "! comment\r\n$$ comment\r\n\r\n1 2\r\n"
                                 "7 1.5 2.5 3.5\r\n"                    // label dropped: x y z
                                 "1.5 2.5 3.5\r\n"                      // three decimals kept
                                 "1.0 2 3 4\r\n"                        // 4: x y z
                                 "1.0 2 3 0.6 0.8\r\n"                  // 5: k = 0
                                 "12 1.0 2 3 0 0.6 0.8\r\n"             // label + 6
                                 "1.0 2 3 0 0 1 9\r\n"                  // 7: the seventh ignored
                                 "X= 1.0 Y= 2 Z= 3 0 0 1 -0.1 0.2\r\n"  // 8: tolerances
                                 "1.0 2 3 0 0 1 -0.1 0.2 5\r\n"         // 9
                                 "1.0 2 3 0 0 1 -0.1 0.2 5 6\r\n"       // 10: not a point
                                 "5 6 7\r\n"                            // 2 after the label: not a point
                                 "1.123456789012 2 3 1e400\r\n"         // does not convert
                                 "1.123456789012 2 3\r\n");             // double precision kept
  const ijk list = reader.ReadTXTBlade(file);
  ASSERT_EQ(list.Count(), 9);
  auto expect = [&](long n, std::vector<double> want) {
    const points& p = list.At(n);
    EXPECT_EQ((std::vector<double>{p.x, p.y, p.z, p.i, p.j, p.k, p.ltol, p.utol}), want) << n;
  };
  expect(1, {1.5, 2.5, 3.5, 0, 0, 0, 0, 0});
  expect(2, {1.5, 2.5, 3.5, 0, 0, 0, 0, 0});
  expect(3, {1, 2, 3, 0, 0, 0, 0, 0});
  expect(4, {1, 2, 3, 0.6, 0.8, 0, 0, 0});
  expect(5, {1, 2, 3, 0, 0.6, 0.8, 0, 0});
  expect(6, {1, 2, 3, 0, 0, 1, 0, 0});
  expect(7, {1, 2, 3, 0, 0, 1, -0.1, 0.2});
  expect(8, {1, 2, 3, 0, 0, 1, -0.1, 0.2});
  expect(9, {1.123456789012, 2, 3, 0, 0, 0, 0, 0});
  EXPECT_NE(Log().find("ReadTXTBlade: Data NOT added: Line: 1.123456789012 2 3 1e400\r\n"), std::string::npos);
  EXPECT_EQ(Log().find("Detected Quorvex generic export file."), std::string::npos);
}

TEST_F(MeasuredTest, PointFilesOfTheHostsGenericExportAndInCommaLocales) {
  const std::string rows = "1 1.0 2.0 3.0 0 0 1\r\n2 1.5 2.5 3.5\r\n";
  EXPECT_EQ(reader.ReadTXTBlade(Write("plain.txt", rows)).Count(), 2);
  const ijk generic = reader.ReadTXTBlade(Write("export.txt", "Quorvex export HITS 2\r\n" + rows));
  ASSERT_EQ(generic.Count(), 1);  // seven-word lines are skipped
  EXPECT_EQ(generic.At(1).x, 1.5);
  EXPECT_NE(Log().find("Detected Quorvex generic export file."), std::string::npos);
  EXPECT_EQ(reader.ReadTXTBlade(Path("missing.txt")).Count(), 0);

  core.gDotDecimal = false;  // "," is a decimal separator, also for the point number test
  const ijk comma = reader.ReadTXTBlade(Write("comma.pts", "3 1,5 2,5 3,5\r\n1,25 2 3\r\n0.5 1 2\r\n"));
  ASSERT_EQ(comma.Count(), 3);
  EXPECT_EQ((std::vector<double>{comma.At(1).x, comma.At(1).z, comma.At(2).x, comma.At(3).x}),
            (std::vector<double>{1.5, 3.5, 1.25, 0.5}));
}

}  // namespace
}  // namespace zarvane::testing
