// Part setup: lookup table, operation file, fixture file, and the readers under them.
#include "datafiles/linereader.h"
#include "foundation/filename.h"
#include "partfiles_fixture.h"

namespace zarvane::testing {
namespace {

TEST_F(FoundationTest, LinesEndAtCrLfLfOrCrAndRecordsAtCommas) {
  const std::string longLine(LineReader::kMaxLineLength + 5000, 'x');
  Spit(home / "f.txt", "a\r\nb\nc\rd\r\n" + longLine + "\r\nafter");
  Strings got;
  std::string l;
  for (LineReader lines(Path("F.TXT")); lines.Next(l);) got.push_back(l);  // case differs
  EXPECT_EQ(got, (Strings{"a", "b", "c", "d", std::string(LineReader::kMaxLineLength, 'x'), "after"}));

  Spit(home / "r.txt", "  one , two\r\n\r\n\"a, b\" dropped ,last,\r\n\"open quote, to end\r\n");
  LineReader lines(Path("r.txt"));
  RecordReader records(lines);
  got.clear();
  while (records.Next(l)) got.push_back(l);
  EXPECT_EQ(got, (Strings{"one", "two", "", "a, b", "last", "", "open quote, to end"}));
}

TEST_F(PartFilesTest, NamesLeavingTheirDirectoryAreRefused) {
  for (const char* bad : {"", "  ", ".", "..", "../P1", "a/b", "a\\b", "P*", "P?"})
    EXPECT_FALSE(PartFiles::SafeName(bad)) << bad;
  EXPECT_TRUE(PartFiles::SafeName("123-456.A"));
  EXPECT_EQ(pf.OperationFile("P1"), (PartDir() / "P1.op").string());
  EXPECT_EQ(pf.OperationFile(".."), "");

  Spit(home / "blade_lookup_table.txt", "../P1 prog flav\r\n");
  Spit(home / "P1" / "P1.op", "OPERATION 1\r\nevil\r\n");  // what blades/../P1 would reach
  Zone().gPn = "../P1";
  Zone().gOpName = "1";
  EXPECT_FALSE(pf.BLookup());
  EXPECT_FALSE(pf.cparseOP());
  EXPECT_FALSE(Zone().programs.has_value());
  EXPECT_EQ(op.messages, Strings(2, "The part number ../P1 cannot be used: a name must stay inside its directory and name one file."));
}

TEST(FileNameTest, APlainNameIsOneBoundedComponentWithoutControlOrShareReservedCharacters) {
  for (const std::string& good : {std::string("P1"), std::string("123-456.A"), std::string("Big Fan"), std::string("x;$(touch y)"),
                                   std::string("\xe9\x80"), std::string("..P"), std::string(200, 'n')})
    EXPECT_EQ(FileNameFault(good), "") << good;
  const std::string refused[] = {"", " \t", ".", "..", "a/b", "a\\b", "/abs", "C:x", "q\"uote", "P*", "a|b", "a<b",
                                 "line\nbreak", "cr\r", std::string("nul\0x", 5), "del\x7f", "c1\x81", std::string(201, 'n'),
                                 // 101 characters of two bytes each on disk
                                 std::string(101, '\xe9')};
  for (const std::string& bad : refused) EXPECT_NE(FileNameFault(bad), "") << bad;

  // Cut by the length on disk: 99 two-byte characters fit beside two ASCII ones.
  EXPECT_EQ(CutToFileNameLength("ab" + std::string(150, '\xe9')), "ab" + std::string(99, '\xe9'));
  EXPECT_EQ(CutToFileNameLength("short"), "short");
  EXPECT_EQ(ShownName("a\nb\x01"), "a?b?");
  EXPECT_EQ(ShownName(std::string(100, 'x')), std::string(80, 'x') + "...");
}

TEST_F(PartFilesTest, ProgramNamesFromTheTableOrTheOperationFileAreOnePlainName) {
  const std::string message = " cannot be used: a name must stay inside its directory and name one file.";
  Spit(home / "blade_lookup_table.txt", "P1 ..\\..\\evil KT1\r\n");
  EXPECT_FALSE(pf.BLookup());
  EXPECT_EQ(Programs(), Strings{});
  EXPECT_EQ(op.messages, Strings{"The program name ..\\..\\evil" + message});

  op.messages.clear();
  PartFile("P1.op", {"Operation Final", "align1 /tmp/evil.prg"});
  Zone().gOpName = "Final";
  EXPECT_FALSE(pf.BLookup());
  EXPECT_EQ(op.messages, Strings{"The program name /tmp/evil" + message});

  op.messages.clear();
  PartFile("P1.op", {"Operation Final", "BLADE ../blade.prg KT1"});
  Zone().programs.reset();
  EXPECT_FALSE(pf.BLookup());
  EXPECT_EQ(op.messages, Strings{"The program name ../blade.prg" + message});
  EXPECT_EQ(Programs(), Strings{});
}

TEST_F(PartFilesTest, DataFileNamesMayNameASubfolderButNeverLeaveTheirDirectory) {
  for (const char* good : {"P2", "rev2\\P2", "rev2/P2.nom", "./rev2/../P2", "a b\\c"})
    EXPECT_TRUE(PartFiles::SafeRelativeName(good)) << good;
  for (const char* bad : {"", " ", "..", "../P2", "rev2\\..\\..\\P2", "rev2/", "rev2/..", "/etc/passwd",
                          "\\server\\x", "C:\\x", "c:x", "P*", "rev?\\P2", "rev2\\P\n2", "a\"b"})
    EXPECT_FALSE(PartFiles::SafeRelativeName(bad)) << bad;
  EXPECT_FALSE(PartFiles::SafeRelativeName(std::string("P\0x", 3)));

  // An operation naming its nominal and tolerance files in a subfolder is measurable.
  Spit(home / "blade_lookup_table.txt", "");
  PartFile("P1.op", {"Operation Final", "NOMTOL rev2\\P2.nom rev2\\P2.tol", "BLADE blade KT1"});
  Spit(PartDir() / "rev2" / "P2.nom", "NUM_SECT 1\r\n");
  Spit(PartDir() / "rev2" / "P2.tol", "NUM_SECT 1\r\nSECTION A-A 1 I\r\n");
  Zone().gOpName = "Final";
  ASSERT_TRUE(pf.BLookup());
  EXPECT_EQ(Zone().gNomName, "rev2\\P2");
  EXPECT_EQ(Zone().nomExt, ".nom");
  EXPECT_EQ(Zone().tolExt, ".tol");
  EXPECT_TRUE(Logged("cparseOP: Reset nomtol"));
  pf.SectionSet();
  EXPECT_EQ(Zone().sectionCount, 1);
  EXPECT_TRUE(disabled.empty());
  EXPECT_TRUE(op.messages.empty()) << op.messages[0];
}

// --- Lookup table ------------------------------------------------------------

TEST_F(PartFilesTest, EveryMatchingTableLineAddsItsProgramAndTheLastFlavorWins) {
  Spit(home / "blade_lookup_table.txt",
       "!Part  Program  Flavor\r\nP1\tprogA\tKT1 ! first\r\n\r\n   \r\nOTHER x y\r\n  $$ old\r\n"
       "p1 progB KT2\r\nQ1 progQ KTQ, P1 progC KT3\r\n\"P1   progD   KT4\"\r\n");
  Zone().flavorFile = "stale";
  ASSERT_TRUE(pf.BLookup());
  EXPECT_EQ(Programs(), (Strings{"progA", "progB", "progC", "progD"}));
  EXPECT_EQ(Zone().flavorName, "KT4");
  EXPECT_EQ(Zone().flavorFile, "");
  EXPECT_TRUE(op.messages.empty());

  Zone().gPn = "P2";
  EXPECT_FALSE(pf.BLookup());
  EXPECT_FALSE(Zone().programs.has_value());
  EXPECT_EQ(Zone().flavorName, "");
}

TEST_F(PartFilesTest, AMissingTableIsWrittenAndTheDemoPartFoundInAnyCase) {
  Zone().gPn = "demo";
  ASSERT_TRUE(pf.BLookup());
  EXPECT_EQ(Slurp(home / "blade_lookup_table.txt"),
            "!Part Number         Program        Flavor\r\nDemo                 blade          KT1\r\n");
  EXPECT_EQ(op.messages, Strings{"First time run, or blade_lookup_table.txt deleted, new default file created."});
  EXPECT_EQ(Programs(), Strings{"blade"});
  EXPECT_EQ(Zone().flavorName, "KT1");
}

TEST_F(PartFilesTest, ATableLineWithoutThreeWordsStopsTheLookup) {
  for (const std::string bad : {"Q9 only-two", "P1 a b c"}) {
    op.messages.clear();
    Spit(home / "blade_lookup_table.txt", "P1 progA KT1\r\n" + bad + "\r\nP1 progB KT2\r\n");
    EXPECT_FALSE(pf.BLookup());
    EXPECT_EQ(op.messages, Strings{"Error reading " + pf.LookupTablePath() + " Line: " + bad});
    EXPECT_EQ(Programs(), Strings{"progA"});  // earlier matches stay
  }
}

// --- Operation file ----------------------------------------------------------

class OperationTest : public PartFilesTest {
 protected:
  bool Parse(const Strings& lines, const std::string& operation) {
    PartFile("P1.op", lines);
    Zone().gOpName = operation;
    Zone().programs.reset();
    return pf.cparseOP();
  }
};

TEST_F(OperationTest, TheOperationFileDecidesInsteadOfTheTable) {
  Spit(home / "blade_lookup_table.txt", "P1 tableProg KT1\r\n");
  PartFile("P1.op", {"! setup", "Operation   Final   Check", "align1.PRG  align2.prg", "BLADE blade.prg KT2.flv A-A B-B"});
  Zone().gOpName = "final check";
  ASSERT_TRUE(pf.BLookup());
  EXPECT_EQ(Programs(), (Strings{"align1", "align2", "blade.prg"}));
  EXPECT_EQ(Zone().flavorName, "KT2");
  EXPECT_EQ(Zone().sections, (Strings{"A-A", "B-B"}));

  ASSERT_TRUE(Parse({"OPERATION 1", "blade gen KT1"}, "1"));
  EXPECT_TRUE(Zone().sections.empty());
  ASSERT_TRUE(Parse({"OPERATION 1", "prog1"}, "2"));  // an operation not in the file
  EXPECT_TRUE(Programs().empty());
}

TEST_F(OperationTest, TheFirstBodyIsUsedAndAnyOperationTextEndsIt) {
  ASSERT_TRUE(Parse({"OPERATION 1", "first", "operation 1", "second"}, "1"));
  EXPECT_EQ(Programs(), Strings{"first"});
  ASSERT_TRUE(Parse({"OPERATION 1", "progA", "OperationCheck.prg", "progB"}, "1"));
  EXPECT_EQ(Programs(), Strings{"progA"});
  EXPECT_FALSE(Parse({"OPERATION 1", "! comment", "", "OPERATION 2", "progC"}, "1"));  // empty body
}

TEST_F(OperationTest, KeywordsCountOnlyInColumnOne) {
  ASSERT_TRUE(Parse({"OPERATION 1", "  BLADE blade KT1 A-A", "\tNOMTOL n.nom t"}, "1"));
  EXPECT_EQ(Programs(), (Strings{"BLADE", "blade", "KT1", "A-A", "NOMTOL", "n", "t"}));
  EXPECT_EQ(Zone().flavorName, "");
  EXPECT_EQ(Zone().gNomName, "P1");
}

TEST_F(OperationTest, ShortOrBadBladeAndNomtolLinesFail) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"BLADE blade", "Blade operation (Keyword BLADE) in operation file is missing the Quorvex generic blade "
                      "program name, or the flavor file."},
      {"NOMTOL only", "Nominal tolerance reset in operation file failed with no data."},
      {"NOMTOL ../../x T", "The nominal file name ../../x cannot be used: a name must stay inside its directory and name one file."},
  };
  for (const auto& [line, message] : cases) {
    op.messages.clear();
    EXPECT_FALSE(Parse({"OPERATION 1", line}, "1"));
    EXPECT_EQ(op.messages, Strings{message});
  }
  EXPECT_EQ(Zone().gNomName, "P1");
  fs::remove(PartDir() / "P1.op");
  op.messages.clear();
  EXPECT_FALSE(pf.cparseOP());
  EXPECT_EQ(op.messages, Strings{"Error finding " + pf.OperationFile("P1") + "."});
}

TEST_F(OperationTest, NomtolReplacesTheNominalAndToleranceFiles) {
  PartFile("NEWNOM.nom", {"x"});
  PartFile("NEWTOL.tol", {"x"});
  ASSERT_TRUE(Parse({"OPERATION 1", "NOMTOL NEWNOM.nom NEWTOL.tol", "BLADE blade KT1"}, "1"));
  EXPECT_EQ(Zone().gNomName, "NEWNOM");
  EXPECT_EQ(Zone().gTolName, "NEWTOL");
  EXPECT_EQ(Zone().tolExt, ".tol");
  EXPECT_TRUE(Logged("cparseOP: Reset nomtol"));
}

TEST_F(OperationTest, OperationNamesAreListedInFileOrder) {
  PartFile("P1.op", {"OPERATION   10\tRough", "prog", "!OPERATION hidden", "operation final"});
  EXPECT_EQ(pf.parseOP(pf.OperationFile("P1")), (Strings{"10 Rough", "final"}));
  EXPECT_TRUE(Logged("parseOP: End parseOP found 2 operations."));
  EXPECT_FALSE(pf.parseOP(Path("missing.op")).has_value());
}

TEST_F(PartFilesTest, TheFixtureFileIsWrittenOnlyWhenSwitchedOn) {
  Spit(home / "fixture.txt", "keep");
  pf.WriteFixtureFile();
  EXPECT_EQ(Slurp(home / "fixture.txt"), "keep");
  tp.registry.Set("Data", "FixtureON", "1");
  core.gzone = 2;
  pf.WriteFixtureFile();
  EXPECT_EQ(Slurp(home / "fixture.txt"), "FIXTURE_LOCATION 2 \r\n");
}

}  // namespace
}  // namespace zarvane::testing
