// The nominal file readers: nose and tail forms, marker state per section,
// point lines, the failure messages, the check against the tolerance file,
// the fixed-layout family and damaged files.
#include <random>

#include "bladetxt_fixture.h"
#include "foundation/boundedlines.h"

namespace zarvane::testing {
namespace {

constexpr int kN = 40;  // ellipse points; nose (smallest x) 21, far end 1

struct Expected {
  points p;
  std::string key;
};
Expected E(int k, const std::string& key = "FULL") { return {EllipsePoint(k, kN), key}; }
Expected Average(int a, int b, const std::string& key) {
  const points p = EllipsePoint(a, kN), q = EllipsePoint(b, kN);
  return {{(p.x + q.x) / 2, (p.y + q.y) / 2, 1, (p.i + q.i) / 2, (p.j + q.j) / 2, 0}, key};
}

class NominalTest : public BladeTextTest {
 protected:
  NominalTest() { Table({{"A-A", true}, {"B-B", false}}); }
  Strings Section(const std::string& label, const Strings& markers) {
    Strings lines = {"SECTION " + label + " 40 1.0"};
    lines.insert(lines.end(), markers.begin(), markers.end());
    const Strings points = EllipseLines(kN);
    lines.insert(lines.end(), points.begin(), points.end());
    return lines;
  }
  // blade.txt's lines against points and keys.
  void ExpectBlock(const std::vector<Expected>& expected, const std::string& what) {
    ExpectBlock(Blade(), expected, what);
  }
  void ExpectBlock(const Strings& lines, const std::vector<Expected>& expected, const std::string& what) {
    ASSERT_EQ(lines.size(), expected.size()) << what;
    for (size_t n = 0; n < lines.size(); ++n) {
      const Strings w = Words(lines[n]);
      ASSERT_GE(w.size(), 6u) << what << ": " << lines[n];
      EXPECT_NEAR(Val(w[0]), expected[n].p.x, 2e-5) << what << " line " << n;
      EXPECT_NEAR(Val(w[1]), expected[n].p.y, 2e-5) << what << " line " << n;
      EXPECT_EQ(w.size() == 7 ? w[6] : "", expected[n].key) << what << " line " << n;
    }
  }
};

TEST_F(NominalTest, NoseAndTailFormsSettleThePointsHandedOver) {
  const std::vector<std::pair<Strings, std::vector<Expected>>> cases = {
      {{"NOSE 1", "TAIL 21"}, {E(1), E(21)}},  // plain numbers: no detection
      {{}, {E(21), E(1)}},
      {{"NOSE 20 22 PARTIAL"}, {E(21, "PARTIAL"), E(20, "PARTIAL"), E(22, "PARTIAL"), E(1)}},
      {{"NOSE", "TAIL 40 2 PARTIAL"}, {E(21), E(1, "PARTIAL"), E(40, "PARTIAL"), E(2, "PARTIAL")}},
      {{"NOSE 20 22 FULL", "TAIL"}, {E(21), E(1)}},
      {{"NOSE 19 23 SQUARE"}, {Average(19, 23, "SQUARE"), E(1)}},
      {{"TAIL 2", "NOSE"}, {E(21), E(1)}},  // a keyword-only line: the nose is found
  };
  for (const auto& [markers, expected] : cases) {
    fs::remove(home / "blade.txt");
    const std::string what = Join(markers, " / ");
    ASSERT_TRUE(bt.ReadNOMfile3(Nominal(Section("A-A", markers)), false)) << what;
    ExpectBlock(expected, what);
  }
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(NominalTest, DetectedSectionsAreRotatedSoTheNoseIsPointOne) {
  PartFile("P1.def", {"A-A 0 50 100"});
  ASSERT_TRUE(bt.ReadNOMfile3(Nominal(Section("A-A", {})), false));
  ExpectBlock({E(21, ""), E(1, ""), E(20, "")}, "definition");
}

TEST_F(NominalTest, MarkerStateBelongsToItsSection) {
  Ini("SendScanOffsets ON\r\n");
  Strings lines = Section("A-A", {"NOSE 2 4 PARTIAL", "OFFSETS 0.5 0.5"});
  for (const auto& l : Section("B-B", {"TAIL 40 2 PARTIAL"})) lines.push_back(l);
  for (const auto& l : Section("C-C", {"NOSE 5", "TAIL 25"})) lines.push_back(l);
  for (const auto& l : Section("D-D", {"NOSE", "TAIL 1"})) lines.push_back(l);  // keyword only: found, not 5
  Table({{"A-A", false}, {"B-B", true}, {"C-C", true}, {"D-D", true}});
  ASSERT_TRUE(bt.ReadNOMfile3(Nominal(lines), false));
  Strings blade = Blade();
  ASSERT_EQ(blade.size(), 10u);
  EXPECT_EQ(blade[0], "LE_CHANGE     0.00000");  // A-A's offsets and nose key stay with A-A
  EXPECT_EQ(blade[2], "TE_CHANGE     0.00000");
  blade.erase(blade.begin() + 2);
  blade.erase(blade.begin());
  ExpectBlock(blade, {E(21), E(1, "PARTIAL"), E(40, "PARTIAL"), E(2, "PARTIAL"), E(5), E(25), E(21), E(1)}, "B to D");
}

TEST_F(NominalTest, OffsetsAboveTheFirstSectionBelongToItUnlessItHasItsOwn) {
  Ini("SendScanOffsets ON\r\n");
  const auto offsetLines = [&](const Strings& firstMarkers) {
    Strings lines = {"CHANGES 0.3 0.4"};
    for (const auto& l : Section("A-A", firstMarkers)) lines.push_back(l);
    for (const auto& l : Section("B-B", {"NOSE 20 22 PARTIAL"})) lines.push_back(l);
    fs::remove(home / "blade.txt");
    EXPECT_TRUE(bt.ReadNOMfile3(Nominal(lines), false));
    Strings offsets;
    for (const auto& l : Blade())
      if (l.find("_CHANGE") != std::string::npos) offsets.push_back(Join(Words(l), " "));
    return offsets;
  };
  Table({{"A-A", true}, {"B-B", true}});
  EXPECT_EQ(offsetLines({"NOSE 20 22 PARTIAL"}),
            (Strings{"LE_CHANGE 0.30000", "TE_CHANGE 0.40000", "LE_CHANGE 0.00000", "TE_CHANGE 0.00000"}));
  EXPECT_EQ(offsetLines({"NOSE 20 22 PARTIAL", "OFFSETS 0.1 0.2"}),
            (Strings{"LE_CHANGE 0.10000", "TE_CHANGE 0.20000", "LE_CHANGE 0.00000", "TE_CHANGE 0.00000"}));
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(NominalTest, PointLinesOfThreeToEightWordsAndTheLocalesDecimalComma) {
  const std::string path = Nominal({"SECTION A-A 2 1", "NOSE 1", "TAIL 2", "1.0 2.0 3.0", "4 5 6 0.1 0.2 0.3 x y",
                                    "SECTION B-B 2 1", "1 2 3 4 5 6 7", "1 2 3 4"});
  ASSERT_TRUE(bt.ReadNOMfile3(path, false));  // the 7- and 4-word lines of B-B are not read
  EXPECT_EQ(Words(Blade()[0]), (Strings{"1.00000", "2.00000", "3.00000", "0.00000", "0.00000", "0.00000", "FULL"}));
  EXPECT_EQ(Words(Blade()[1]), (Strings{"4.00000", "5.00000", "6.00000", "0.10000", "0.20000", "0.30000", "FULL"}));

  core.gDotDecimal = false;
  fs::remove(home / "blade.txt");
  ASSERT_TRUE(bt.ReadNOMfile3(Nominal({"SECTION A-A 2 1", "NOSE 1", "TAIL 2", "1,5 0,25 2", "2.5 0.75 2"}), false));
  EXPECT_EQ(Words(Blade()[0])[1], "0.25000");
  EXPECT_EQ(Words(Blade()[1])[1], "0.75000");
}

TEST_F(NominalTest, EveryReadErrorIsToldWithFileAndPlace) {
  const std::string p = (PartDir() / "P1.nom").string();
  const Strings ellipse = EllipseLines(kN);
  const auto with = [&](Strings head, const Strings& tail = {}) {
    head.insert(head.end(), ellipse.begin(), ellipse.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  const std::string A = "SECTION A-A 40 1";
  const std::vector<std::pair<Strings, Strings>> cases = {
      {with({"NUM_SECT 0", A}), {"NUM_SECT line read error in nominal file " + p + "."}},
      {with({"NUM_SECT 1", "SECTION A-A 40"}), {"SECTION line read error in nominal file " + p + " section number 1."}},
      {with({"NUM_SECT 1", A, "NOSE 1 2 3 4 5"}), {"NOSE line read error in nominal file " + p + ", section A-A."}},
      {with({"NUM_SECT 1", A, "TAIL 1 2 3 4 5"}), {"TAIL line read error in nominal file " + p + ", section A-A."}},
      {with({"NUM_SECT 1", A, "CHANGES 0.1"}),
       {"CHANGES(OFFSETS) line read error in nominal file " + p + ", section A-A."}},
      {with({"NUM_SECT 1", A}, {"1 2 3 4 5 6 7"}),
       {"Line read error in nominal file " + p + " section number 1.", "Line: 1 2 3 4 5 6 7"}},
      {{"NUM_SECT 1", "1 2 3", A},
       {"Line read error in nominal file " + p + " line 2, a point line before the first SECTION line."}},
      {{"NUM_SECT 1", "! nothing"}, {"Line read error in nominal file " + p + " line 2, the file holds no SECTION line."}},
      {{"NUM_SECT 1", A, "1.0 abc 3.0"}, {"Number conversion error in nominal file " + p + " line 3: abc."}},
      {{"NUM_SECT 1", A, "NaN 0 0"}, {"Number conversion error in nominal file " + p + " line 3: NaN."}},
      {{"NUM_SECT 1", A, "1e400 0 0"}, {"Number conversion error in nominal file " + p + " line 3: 1e400."}},
      {{"NUM_SECT 1", A, "NOSE 70000"}, {"Number conversion error in nominal file " + p + " line 3: 70000."}},
      {with({"NUM_SECT 1", A, "NOSE 500", "TAIL 2"}), {"Nose or tail point outside section A-A of nominal file " + p + "."}},
      {with({"NUM_SECT 1", A, "NOSE 1", "TAIL 0"}), {"Nose or tail point outside section A-A of nominal file " + p + "."}},
      {with({"NUM_SECT 1", A, "NOSE 41 43 PARTIAL"}),
       {"Nose or tail point outside section A-A of nominal file " + p + "."}},
      {with({"NUM_SECT 1", A, "TAIL 1 99 SQUARE", "NOSE 2"}),
       {"Nose or tail point outside section A-A of nominal file " + p + "."}},
      {{"NUM_SECT 1", A}, {"Section A-A of nominal file " + p + " has no points."}},
      {{"NUM_SECT 1", A, std::string(9000, '1')}, {"Line read error in nominal file " + p + " line 3, the line is too long."}},
  };
  for (const auto& [lines, messages] : cases) {
    op.messages.clear();
    PartFile("P1.nom", lines);
    EXPECT_FALSE(bt.ReadNOMfile3(p, false)) << lines[1];
    EXPECT_EQ(op.messages, messages) << lines[1];
  }
  op.messages.clear();
  EXPECT_FALSE(bt.ReadNOMfile3(p + "x", false));
  EXPECT_EQ(op.messages, Strings{"Nominal file " + p + "x not found."});
}

TEST_F(NominalTest, VerificationComparesWithTheToleranceFileInUse) {
  const std::string path = Nominal([&] {
    Strings lines = Section("a-a", {});
    for (const auto& l : Section("B-B", {})) lines.push_back(l);
    return lines;
  }());
  Table({{"a-a", true}, {"B-B", true}});
  core.gLocalBladesDir = (home / "stale").string();  // an older copy must not count
  Spit(home / "stale" / "P1" / "P1.tol", "SECTION X-X I\r\nSECTION Y-Y I\r\n");
  PartFile("P1.tol", {"NUM_SECT 2", "SECTION A-A I", "SECTION B-B I"});
  EXPECT_TRUE(bt.ReadNOMfile3(path, true));

  PartFile("P1.tol", {"NUM_SECT 2", "SECTION A-A I", "SECTION C-C I"});
  EXPECT_FALSE(bt.ReadNOMfile3(path, true));
  Table({{"a-a", true}, {"B-B", true}, {"C-C", false}});
  EXPECT_FALSE(bt.ReadNOMfile3(path, true));
  EXPECT_TRUE(bt.ReadNOMfile3(path, false));
  EXPECT_EQ(op.messages, (Strings{"Nominal file section labels (2) and tolerance file section labels (2) aren't equal.",
                                  "Nominal file sections (2) and tolerance file sections (3) are not equal."}));
}

TEST_F(NominalTest, AnOverLongToleranceLineIsPassedOverAndTold) {
  const std::string path = Nominal(Section("A-A", {}));
  Table({{"A-A", true}});
  PartFile("P1.tol", {"NUM_SECT 1", "SECTION " + std::string(BoundedLines::kMaxLineLength, 'B'), "SECTION A-A I"});
  EXPECT_TRUE(bt.ReadNOMfile3(path, true));
  EXPECT_EQ(op.messages, Strings{"Line 2 of file " + (PartDir() / "P1.tol").string() +
                                 " is longer than 65536 characters and was ignored."});
}

TEST_F(NominalTest, ColCompareEmptiesTheSecondOfContainedLabels) {
  core.gDebugLevel = 10;
  Texts tolerance = {"A-A LE", "xb-bx", "C-C"};
  EXPECT_FALSE(bt.ColCompare({"a-a", "B-B"}, tolerance));
  EXPECT_EQ(tolerance, Texts{"C-C"});
  EXPECT_TRUE(bt.ColCompare({"c-c", "D-D"}, tolerance));
  EXPECT_TRUE(Logged("ColCompare: c-c was in both collections."));
}

class UaTest : public BladeTextTest {
 protected:
  UaTest() {
    Zone().nomExt = ".ua";
    Table({{"A-A", true}, {"B-B", false}});
  }
  std::string Ua(const std::string& count, const std::string& second, const Strings& bLines) {
    Strings lines(9, "header");
    lines.insert(lines.end(), {"Number of sections: " + count, "Points:" + second, "h", "h", "-----", "Section: A-A"});
    lines.insert(lines.end(), 5, "skipped");
    for (int k = 1; k <= 10; ++k) {
      const points p = EllipsePoint(k, 10);
      lines.push_back(FormatFixed(p.x, 5) + "\t" + FormatFixed(p.y, 5) + " 1 " + FormatFixed(p.i, 5) + " " +
                      FormatFixed(p.j, 5) + " 0 " + std::to_string(k));
    }
    lines.push_back("end of A-A");
    lines.insert(lines.end(), bLines.begin(), bLines.end());
    PartFile("P1.ua", lines);
    return (PartDir() / "P1.ua").string();
  }
  const Strings kB = {"Section:  B-B ", "s", "s", "s", "s", "s", "x y z i j k 1"};
};

TEST_F(UaTest, SelectedSectionsRunFromPointOneToHalfTheirPoints) {
  const auto labels = bt.ReadUAfile(Ua("2", " 10", kB));
  ASSERT_TRUE(labels.has_value());
  EXPECT_EQ(*labels, (Texts{"A-A", "B-B"}));
  const Strings blade = Blade();
  ASSERT_EQ(blade.size(), 2u);
  EXPECT_NEAR(Val(Words(blade[0])[0]), EllipsePoint(1, 10).x, 1e-5);
  EXPECT_NEAR(Val(Words(blade[1])[0]), EllipsePoint(5, 10).x, 1e-5);
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(UaTest, HeaderCountsConversionsAndTruncationAreTold) {
  const std::string p = (PartDir() / "P1.ua").string();
  const std::vector<std::tuple<std::string, std::string, Strings, std::string>> cases = {
      {"0", "0", kB, "Nominal file sections (0) and tolerance file sections (2) are not equal."},
      {"3", "10", kB, "Nominal file sections (3) and tolerance file sections (2) are not equal."},
      {"2", "0", kB, "Error Reading UA file"},
      {"2", "lots", kB, "Error Reading UA file"},
      {"2", "10", {"Section: B-B", "s"}, "Nominal file " + p + " ends before section 2."},
  };
  for (const auto& [count, second, b, message] : cases) {
    op.messages.clear();
    EXPECT_FALSE(bt.ReadUAfile(Ua(count, second, b)).has_value()) << message;
    EXPECT_EQ(op.messages, Strings{message});
  }
  Table({{"A-A", true}, {"B-B", true}});
  op.messages.clear();
  EXPECT_FALSE(bt.ReadUAfile(Ua("2", "10", kB)).has_value());
  EXPECT_EQ(op.messages, Strings{"Number conversion error in nominal file " + p + " line 38: x."});
}

TEST_F(NominalTest, DamagedFilesFailWithAMessageAndDisableTheZone) {
  core.gDebugLevel = 4;
  Table({{"A-A", true}, {"B-B", true}});
  PartFile("P1.tol", {"NUM_SECT 2", "SECTION A-A I", "SECTION B-B I"});
  Strings lines = {"NUM_SECT 2"};
  for (const auto& l : Section("A-A", {"NOSE 20 22 PARTIAL", "OFFSETS 0.1 0.2"})) lines.push_back(l);
  for (const auto& l : Section("B-B", {"TAIL 40 2 SQUARE"})) lines.push_back(l);
  std::string good;
  for (const auto& l : lines) good += l + "\r\n";
  std::mt19937 random(7);
  const auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  for (int round = 0; round < 300; ++round) {
    std::string data = good;
    for (int edits = 1 + static_cast<int>(pick(4)); edits > 0; --edits) {
      switch (pick(5)) {
        case 0: data[pick(data.size())] = static_cast<char>(pick(256)); break;
        case 1: data.resize(pick(data.size())); break;
        case 2: data.insert(pick(data.size() + 1), std::string(1 + pick(20000), "x9.\0\xff"[pick(5)])); break;
        case 3: data.insert(pick(data.size() + 1), "1e999 NaN -inf\r\n"); break;
        default: for (char& ch : data) if (pick(50) == 0) ch = static_cast<char>(pick(256));
      }
      if (data.empty()) data = "\xff";
    }
    Spit(PartDir() / "P1.nom", data);
    const size_t messages = op.messages.size(), disabledBefore = disabled.size();
    bool complete = false;
    ASSERT_NO_THROW(complete = bt.WriteBladeTxt()) << round;
    EXPECT_EQ(disabled.size(), disabledBefore + (complete ? 0 : 1)) << round;
    if (complete) {
      EXPECT_GE(Blade().size(), 4u + 2 * 2) << round;
    } else {
      EXPECT_GT(op.messages.size(), messages) << round;
    }
  }
  Spit(PartDir() / "P1.nom", good);
  EXPECT_TRUE(bt.WriteBladeTxt());
}

}  // namespace
}  // namespace zarvane::testing
