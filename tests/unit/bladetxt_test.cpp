// The blade text file: number formats and print zones, point lines, the blocks
// of each section kind, the airfoil definition file, the header and the zone's
// fate when the file cannot be completed, and the simulated host reading it.
#include "bladetxt_fixture.h"
#include "foundation/paths.h"
#include "host/simhost.h"

namespace zarvane::testing {
namespace {

// The number fields of the points of Section(), as the file holds them (key follows).
const std::string N[] = {
    "",
    "0.00000       0.00000       1.00000       -1.00000      0.00000       0.00000       ",
    "1.00000       0.50000       1.00000       0.00000       1.00000       0.00000       ",
    "2.00000       0.50000       1.00000       0.00000       1.00000       0.00000       ",
    "3.00000       0.00000       1.00000       1.00000       0.00000       0.00000       ",
    "2.00000       -0.50000      1.00000       0.00000       -1.00000      0.00000       ",
    "1.00000       -0.50000      1.00000       0.00000       -1.00000      0.00000       "};
const std::string kAverage26 = "1.00000       0.00000       1.00000       0.00000       0.00000       0.00000       ";
const std::string kAverage35 = "2.00000       0.00000       1.00000       0.00000       0.00000       0.00000       ";
const std::string kLe = "LE_CHANGE     0.01000", kTe = "TE_CHANGE     -0.02000";

// A six-point section: nose 1, tail 4.
ijk Section() {
  ijk s;
  for (const points& p : {points{0, 0, 1, -1, 0, 0}, points{1, 0.5, 1, 0, 1, 0}, points{2, 0.5, 1, 0, 1, 0},
                          points{3, 0, 1, 1, 0, 0}, points{2, -0.5, 1, 0, -1, 0}, points{1, -0.5, 1, 0, -1, 0}})
    s.Add(p.x, p.y, p.z, p.i, p.j, p.k, 0, 0);
  return s;
}

TEST(BladeTextFormat, NumbersAndPrintZones) {
  EXPECT_EQ(FormatValue(12.5), "12.50000");
  EXPECT_EQ(FormatValue(-123456.789), "-123456.78900");
  EXPECT_EQ(PrintZones({"LE_CHANGE", "0.01000"}), "LE_CHANGE     0.01000");
  EXPECT_EQ(PrintZones({"1234567890123", "x"}), "1234567890123 x");
  EXPECT_EQ(PrintZones({"12345678901234", "x"}), "12345678901234" + Repeat(' ', 14) + "x");  // never touching
  EXPECT_EQ(PrintZones({"a", ""}), "a" + Repeat(' ', 13));
}

TEST_F(BladeTextTest, PointLinesInBothFormsAndMFormat) {
  const ijk s = Section();
  std::ostringstream out;
  WritePoint(out, s, 6, "FULL", false, 0);
  WritePoint(out, s, 2, "", true, 25.4);  // scales x, y, z only
  WritePoint(out, s, 5, "K", true, -1);   // not above 0: unscaled
  EXPECT_EQ(out.str(), N[6] + "FULL\r\n25.40000      12.70000      25.40000      \r\n" +
                           "2.00000       -0.50000      1.00000       K\r\n");
  EXPECT_THROW(WritePoint(out, s, 7, "", false, 0), RuntimeError);
  EXPECT_EQ(bt.MFormat(2.5, 3), "2.500");
  EXPECT_EQ(bt.MFormat(2.5, 0), "3.");
  EXPECT_TRUE(Logged("MFormat: Format used: 0.000"));
}

TEST_F(BladeTextTest, BlocksOfEachKeyWithAndWithoutScanOffsets) {
  struct Case {
    std::string noseKey, tailKey;
    bool offsets;
    Strings block;
  };
  const std::vector<Case> cases = {
      {"", "", true, {N[1] + "FULL", N[4] + "FULL"}},  // no offset lines for a plain block
      {"PARTIAL", "PARTIAL", true,
       {kLe, N[1] + "PARTIAL", N[2] + "PARTIAL", N[6] + "PARTIAL", kTe, N[4] + "PARTIAL", N[3] + "PARTIAL",
        N[5] + "PARTIAL"}},
      {"PARTIAL", "", false, {N[1] + "PARTIAL", N[2] + "PARTIAL", N[6] + "PARTIAL", N[4] + "FULL"}},
      {"SQUARE", "FULL", true, {kLe, kAverage26 + "SQUARE", kTe, N[4] + "FULL"}},
      {"FULL", "SQUARE", false, {N[1] + "FULL", kAverage35 + "SQUARE"}},
  };
  for (const auto& c : cases) {
    Ini(c.offsets ? "SendScanOffsets ON\r\n" : "SendScanOffsets OFF\r\n");
    fs::remove(home / "blade.txt");
    bt.writeBtxt(Section(), "A-A", 1, 2, 6, 4, 3, 5, c.noseKey, c.tailKey, 0.01, -0.02);
    EXPECT_EQ(Blade(), c.block) << c.noseKey << "/" << c.tailKey;
  }
  EXPECT_TRUE(Logged("writeBtxt: Start: Section A-A NoseKey:  TailKey: "));
  EXPECT_TRUE(Logged("Square section: A-A, output nose and tail points: 1 2 6 4 3 5"));
  EXPECT_TRUE(disabled.empty());
}

TEST_F(BladeTextTest, DefinitionFilePlacesPointsAlongTheArc) {
  Ini("SendScanOffsets = ON\r\n");
  PartFile("P1.def", {"! A-A 25", "A-A 0 50 100", "C-C 50, 0", "D-D 0 150 50", "B-B"});
  const auto block = [&](const std::string& name, const std::string& key = "") {
    fs::remove(home / "blade.txt");
    bt.writeBtxt(Section(), name, 1, 2, 6, 4, 3, 5, key, "", 0.01, -0.02);
    return Blade();
  };
  EXPECT_EQ(block("A-A"), (Strings{kLe, kTe, N[1], N[4], N[6]}));
  EXPECT_EQ(block("C-C"), (Strings{kLe, kTe, N[4]}));  // a comma ends the record
  EXPECT_EQ(block("X-X"), (Strings{kLe, kTe, N[1] + "FULL", N[4] + "FULL"}));
  EXPECT_EQ(block("A-A", "PARTIAL"), (Strings{kLe, N[1] + "PARTIAL", N[2] + "PARTIAL", N[6] + "PARTIAL", kTe,
                                              N[4] + "FULL"}));
  EXPECT_EQ(block("D-D"), (Strings{kLe, kTe, N[1]}));
  EXPECT_TRUE(disabled.empty());
  EXPECT_TRUE(block("B-B").empty());
  const std::string def = (PartDir() / "P1.def").string();
  EXPECT_EQ(op.messages, (Strings{"Error in airfoil definition file, percentage read as 150.",
                                  "Error reading " + def + " Line: B-B"}));
  EXPECT_EQ(disabled, std::vector<int>{1});
}

TEST_F(BladeTextTest, ArcPercentagesPickTheNearestPointOfTheirSide) {
  std::vector<long> out;
  // Side 1 runs 0, 1.118, 2.118 to the tail (3.236); side 2 runs 0, 1.118, 2.118.
  bt.GetArcPt(Section(), {"25", "75", "100", "49.9", "abc", "0"}, 1, 4, out);
  EXPECT_EQ(out, (std::vector<long>{2, 5, 6, 3}));  // 25 %: points 2 and 3 tie, the earlier wins
  EXPECT_EQ(op.messages, Strings{"Error in airfoil definition file, percentage read as abc."});
}

class BladeTextRun : public BladeTextTest {
 protected:
  BladeTextRun() {
    Table({{"A-A", true}, {"B-B", false}, {"C-C", true}});
    PartFile("P1.tol", {"NUM_SECT 3", "SECTION A-A I", "SECTION B-B I", "SECTION C-C I"});
    Strings lines;
    for (const char* name : {"SECTION A-A 6 1.0", "SECTION B-B 6 2.0", "SECTION C-C 6 3.0"}) {
      lines.push_back(name);
      for (const std::string& n : {N[1], N[2], N[3], N[4], N[5], N[6]}) lines.push_back(n);
      lines.push_back("NOSE 1");
      lines.push_back("TAIL 4");
    }
    nominal = Nominal(lines);
  }
  std::string nominal;
};

TEST_F(BladeTextRun, HeaderNamesPartZonePlatformAndSelectedCount) {
  core.gzone = 3;
  Zone() = core.Zone(1);
  bt.PlatformTicked = [](int zone) { return zone == 3; };
  ASSERT_TRUE(bt.WriteBladeTxt());
  const Strings lines = Blade();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(Strings(lines.begin(), lines.begin() + 4),
            (Strings{"PART P1", "FIXTURE_LOCATION 3", "PLATFORM_CHECK 1", "NUMBER_OF_SECTIONS 2"}));
  EXPECT_EQ(lines[4], N[1] + "FULL");
  EXPECT_TRUE(Logged("WriteBladeTxt: Zone is: 3 and nominal file is: " + nominal));
  bt.PlatformTicked = nullptr;
  ASSERT_TRUE(bt.WriteBladeTxt());
  EXPECT_EQ(Blade()[2], "PLATFORM_CHECK 0");
}

TEST_F(BladeTextRun, TestModeShowsTheFileOnlyAtHighDebugLevels) {
  for (const auto& [mode, level, shown] : std::vector<std::tuple<std::string, int, bool>>{
           {"test", 9, true}, {"TEST", 8, false}, {"CMM1", 10, false}}) {
    Ini("Interface = " + mode + "\r\n");
    core.gDebugLevel = level;
    tp.shell.calls.clear();
    ASSERT_TRUE(bt.WriteBladeTxt());
    ASSERT_EQ(tp.shell.calls.size(), shown ? 1u : 0u) << mode << level;
    if (shown) {
      EXPECT_EQ(tp.shell.calls[0].operation + " " + tp.shell.calls[0].file, "Open " + bt.BladeTxtPath());
    }
  }
}

TEST_F(BladeTextRun, AZoneWhoseFileCannotBeCompletedIsDisabled) {
  ASSERT_TRUE(bt.WriteBladeTxt());
  const Strings previous = Blade();
  const Strings complete = *ReadLines(nominal);
  Ini("Interface = TEST\r\n");
  PartFile("P1.nom", {"NUM_SECT 3", "SECTION A-A 6 1.0", N[1], N[4], "NOSE 1", "TAIL 2", "SECTION C-C 6 3.0", "1 2 3 4"});
  EXPECT_FALSE(bt.WriteBladeTxt());
  EXPECT_EQ(Blade(), previous);  // nothing of the incomplete file, not even its header and A-A's block
  EXPECT_EQ(disabled, std::vector<int>{1});
  EXPECT_TRUE(tp.shell.calls.empty());

  Zone().nomExt = ".ua";
  PartFile("P1.ua", {"too short"});
  EXPECT_FALSE(bt.WriteBladeTxt());
  fs::remove(home / "blade.txt");
  fs::create_directories(home / "blade.txt");  // cannot be written
  Zone().nomExt = ".nom";
  PartFile("P1.nom", complete);
  EXPECT_FALSE(bt.WriteBladeTxt());
  EXPECT_EQ(disabled, (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(op.messages.back(), "An error occurred while writing the blade text file " + bt.BladeTxtPath() +
                                    ". Contact System Administrator.");
}

TEST_F(BladeTextTest, TheSimulatedHostMeasuresTheDemoPartFromTheFile) {
  const fs::path demo = fs::path(__FILE__).parent_path() / ".." / ".." / "demo" / "home" / "blades" / "Demo";
  ASSERT_TRUE(fs::exists(demo / "Demo.nom"));
  fs::create_directories(home / "blades");
  fs::copy(demo, home / "blades" / "Demo");
  Zone().gPn = Zone().gNomName = Zone().gTolName = "Demo";
  pf.SectionSet();
  ASSERT_TRUE(bt.WriteBladeTxt());
  const Strings lines = Blade();
  ASSERT_EQ(lines.size(), 10u);  // header and nose and tail lines of three sections
  EXPECT_EQ(Words(lines[4]), (Strings{"0.00000", "0.00000", "0.50000", "-0.99619", "-0.08716", "0.00000", "FULL"}));

  const std::string install = (home / "host").string();
  fs::create_directories(install);
  WriteLines(install + "/simhost.ini", {"StartDelay = 0", "QuitDelay = 0"});
  WriteLines(install + "/blade.prg", {"MEASURE_BLADE"});
  SimulatedHost host({&tp.clock, [&] { return install; }, [&] { return core.gHome; },
                      [&] { return core.gBladesDir; }, [] { return 1; }});
  auto app = host.GetObject();
  app->WaitUntilReady(40);
  auto program = app->PartPrograms()->Open(install + "/blade.prg", "");
  ASSERT_NE(program, nullptr);
  program->EXECUTE();
  EXPECT_NE(Slurp(home / "host" / "journal.txt").find("MEASURED Demo: 3 sections, 144 points"), std::string::npos);
  app->quit();
}

}  // namespace
}  // namespace zarvane::testing
