// Nominal and tolerance file checks, flavor files and tolerance sections.
#include "datafiles/linereader.h"
#include "partfiles_fixture.h"

namespace zarvane::testing {
namespace {

// --- NomsExist ---------------------------------------------------------------

TEST_F(PartFilesTest, TheNominalModeChoosesBetweenBothFamilies) {
  for (const char* f : {"P1.nom", "P1.ua", "P1.tol", "P1.te"}) PartFile(f, {"x"});
  for (const auto& [mode, nom, tol] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"KT", ".nom", ".tol"}, {"OEM", ".ua", ".te"}, {"oem", ".nom", ".tol"}, {"VELMOR", ".nom", ".tol"}}) {
    Spit(home / "zarv.ini", "NOM_MODE = " + mode + " !comment\r\n");
    ASSERT_TRUE(pf.NomsExist("P1", "P1")) << mode;
    EXPECT_EQ(Zone().nomExt + Zone().tolExt, nom + tol) << mode;
  }
}

TEST_F(PartFilesTest, MissingNominalOrToleranceFilesAreReported) {
  const std::string base = (PartDir() / "P1").string();
  EXPECT_FALSE(pf.NomsExist("P1", "P1"));
  PartFile("P1.ua", {"x"});
  EXPECT_FALSE(pf.NomsExist("P1", "P1"));
  EXPECT_FALSE(pf.NomsExist("P1", ".."));
  EXPECT_EQ(op.messages, (Strings{"Nominal files not found in " + base + ".",
                                  "Tolerance files not found in " + base + " (tol or te).",
                                  "The tolerance file name .. cannot be used: a name must stay inside its directory and name one file."}));
  EXPECT_EQ(Zone().nomExt, "");
}

TEST_F(PartFilesTest, APointFileIsConvertedOnceAndCopiedToTheNetwork) {
  const fs::path net = home / "net";
  fs::create_directories(net / "P1");
  tp.registry.Set("directories", "networkblades", net.string());
  tp.drives.SetType(net.string(), DriveType::Remote);
  PartFile("P1.pts", {"1 2 3"});
  PartFile("P1.tol", {"x"});
  Strings converted;
  pf.ConvertPoints = [&](const std::string& pts) {
    converted.push_back(pts);
    Spit(fs::path(pts).replace_extension(".nom"), "nominal");
    return true;
  };
  ASSERT_TRUE(pf.NomsExist("P1", "P1"));
  ASSERT_TRUE(pf.NomsExist("P1", "P1"));
  EXPECT_EQ(converted, Strings{(PartDir() / "P1.pts").string()});
  EXPECT_EQ(Slurp(net / "P1" / "P1.nom"), "nominal");

  // The directory in use, spelt differently, is not copied onto itself.
  fs::remove(PartDir() / "P1.nom");
  tp.registry.Set("directories", "networkblades", home.string() + "/./blades/");
  tp.drives.SetType(core.gBladesDir, DriveType::Remote);
  ASSERT_TRUE(pf.NomsExist("P1", "P1"));
  EXPECT_EQ(converted.size(), 2u);
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(PartFilesTest, WithoutAConverterThePointFileIsReported) {
  PartFile("P1.pts", {"1 2 3"});
  PartFile("P1.tol", {"x"});
  EXPECT_FALSE(pf.NomsExist("P1", "P1"));
  EXPECT_EQ(op.messages, (Strings{"The point file " + (PartDir() / "P1.pts").string() +
                                      " cannot be converted into a nominal file yet.",
                                  "Nominal files not found in " + (PartDir() / "P1").string() + "."}));
}

// --- parseFLV ----------------------------------------------------------------

class FlavorTest : public PartFilesTest {
 protected:
  FlavorTest() { Zone().flavorName = "KT1"; }
  void Flavor(const Strings& lines, const fs::path& file = {}) {
    std::string data;
    for (const auto& l : lines) data += l + "\r\n";
    Spit(file.empty() ? PartDir() / "KT1.flv" : file, data);
  }
};

TEST_F(FlavorTest, ThePartDirectoryWinsOverHomeAndTheStatisticsPackage) {
  EXPECT_FALSE(pf.parseFLV().has_value());
  EXPECT_EQ(op.messages, Strings{"Flavor file KT1.flv not found in " + core.gStatsPackageDir +
                                 ", Application Path, or in Blade directory."});
  Flavor({"CALCS 1", "FROMPACKAGE"}, home / "tallyx" / "KT1.flv");
  EXPECT_EQ(pf.parseFLV(), Strings{"FROMPACKAGE"});
  Flavor({"CALCS 1", "FROMHOME"}, home / "KT1.flv");
  EXPECT_EQ(pf.parseFLV(), Strings{"FROMHOME"});
  Flavor({"CALCS 1", "FROMPART"});
  EXPECT_EQ(pf.parseFLV(), Strings{"FROMPART"});
  EXPECT_EQ(Zone().flavorFile, (PartDir() / "KT1.flv").string());
  EXPECT_EQ(Zone().calcs, Strings{"FROMPART"});

  Zone().flavorName = "Special.FLV";  // used as it stands
  Flavor({"CALCS = 2", "LETHCK", "TETHCK"}, PartDir() / "Special.FLV");
  EXPECT_EQ(pf.parseFLV(), (Strings{"LETHCK", "TETHCK"}));
}

TEST_F(FlavorTest, LotplotBelongsToZoneOne) {
  core.gLotplotOverride = true;
  Flavor({"! LOTPLOT in a comment", "CALCS 1", "LETHCK", "LOTPLOT after the block"});
  pf.parseFLV();
  EXPECT_FALSE(core.gLotplotOverride);
  Flavor({"LotPlot = ON", "CALCS 1", "LETHCK"});
  pf.parseFLV();
  EXPECT_TRUE(core.gLotplotOverride);

  // Zone 2 neither clears zone 1's flag nor sets it.
  core.gzone = 2;
  Zone().gPn = "P1";
  Zone().flavorName = "KT2";
  const fs::path kt2 = PartDir() / "KT2.flv";
  Flavor({"CALCS 1", "LETHCK"}, kt2);
  pf.parseFLV();
  EXPECT_TRUE(core.gLotplotOverride);
  core.gLotplotOverride = false;
  Flavor({"LOTPLOT", "CALCS 1", "LETHCK"}, kt2);
  pf.parseFLV();
  EXPECT_FALSE(core.gLotplotOverride);
}

TEST_F(FlavorTest, TheBlockCountIsCheckedAgainstTheNamesFound) {
  const std::string inconsistent = "Inconsistency in flavor file encountered, CALCS specified: ";
  const std::vector<std::tuple<Strings, Strings, std::string>> cases = {
      {{"CALCS 3", "", "LETHCK", "TETHCK"}, {"LETHCK", "TETHCK"}, "3, CALCS found: 2."},
      {{"CALCS 3", "LETHCK", "! comment", "", "NOTREAD", "CALCS 1", "X"}, {"LETHCK"}, "3, CALCS found: 1."},
      {{"CALCS 5", "LETHCK", "TETHCK"}, {"LETHCK", "TETHCK"}, "5, CALCS found: 2."},  // ends inside the block
      // Counts that are no number of lines read to the end of the file.
      {{"CALCS -1", "LETHCK", "", "TETHCK"}, {"LETHCK", "TETHCK"}, "-1, CALCS found: 2."},
      {{"CALCS abc", "LETHCK"}, {"LETHCK"}, "abc, CALCS found: 1."},
      {{"CALCS 99999999999999", "LETHCK"}, {"LETHCK"}, "99999999999999, CALCS found: 1."},
      {{"CALCS", "LETHCK"}, {"LETHCK"}, ", CALCS found: 1."},
      {{"CALCS 2", "LETHCK", "TETHCK"}, {"LETHCK", "TETHCK"}, ""},
  };
  for (const auto& [lines, calcs, message] : cases) {
    op.messages.clear();
    Flavor(lines);
    EXPECT_EQ(pf.parseFLV(), calcs) << lines[0];
    EXPECT_EQ(op.messages, message.empty() ? Strings{} : Strings{inconsistent + message}) << lines[0];
  }
}

TEST_F(FlavorTest, BadOrMissingBlocksGiveNothing) {
  Flavor({"CALCS 2", "LETHCK", "TE THCK"});
  EXPECT_FALSE(pf.parseFLV().has_value());
  EXPECT_FALSE(Zone().calcs.has_value());
  const std::string path = (PartDir() / "KT1.flv").string();
  EXPECT_EQ(op.messages, Strings{"Error reading line in flavor file " + path + " Line: TE THCK"});

  PartFile("P1.mis", {"x"});
  Flavor({"CALCS 1", "LETHCK"});
  EXPECT_EQ(pf.parseFLV(), (Strings{"LETHCK", "PLATFORM"}));

  op.messages.clear();
  Flavor({"LETHCK", "CALC 2"});
  EXPECT_FALSE(pf.parseFLV().has_value());
  EXPECT_EQ(op.messages, Strings{"Zero CALCS found in flavor file " + path});
  Spit(home / "zarv.ini", "WarnMissingFlavorFileCalcs = NO\r\n");
  EXPECT_FALSE(pf.parseFLV().has_value());
  EXPECT_EQ(op.messages.size(), 1u);
}

// --- SectionSet --------------------------------------------------------------

class SectionTest : public PartFilesTest {
 protected:
  SectionTest() {
    Zone().flavorName = "KT1";
    Zone().tolExt = ".tol";
    pf.SectionUpdate = [this] { ++updates; };
  }
  Strings Names(bool selectedOnly = false) {
    Strings n;
    for (const auto& s : Zone().tolerance)
      if (!selectedOnly || s.selected) n.push_back(s.name);
    return n;
  }
  std::string TolPath() { return (PartDir() / ("P1" + Zone().tolExt)).string(); }
  int updates = 0;
};

TEST_F(SectionTest, KtSectionsWithThreeWordsAreInspectedByDefault) {
  PartFile("P1.tol", {"! KT file", "NUM_SECT = 4.9", "SECTION A-A I", "section X-X I", "!SECTION Y-Y I",
                      "SECTION B-B , SECTION C-C I, OTHER 1 2 3", "SECTION D-D I extra"});
  pf.SectionSet();
  EXPECT_EQ(Names(), (Strings{"A-A", "B-B", "C-C", "D-D"}));
  EXPECT_EQ(Names(true), (Strings{"A-A", "C-C"}));
  EXPECT_TRUE(Zone().tolerance[2].toleranceDefault);
  EXPECT_EQ(Zone().sectionCount, 4);
  EXPECT_TRUE(pf.SectionSelected("A-A"));
  EXPECT_FALSE(pf.SectionSelected("B-B"));
  EXPECT_FALSE(pf.SectionSelected("a-a"));
  EXPECT_EQ(updates, 1);
  EXPECT_TRUE(disabled.empty());

  Zone().sections = {"B-B"};  // the BLADE line alone decides
  pf.SectionSet();
  EXPECT_EQ(Names(true), Strings{"B-B"});
  EXPECT_FALSE(Zone().tolerance[0].toleranceDefault);
  Zone().sections = {"b-b"};
  pf.SectionSet();
  EXPECT_TRUE(Names(true).empty());
}

TEST_F(SectionTest, ANamelessSectionRecordCountsAndIsNamedToTheOperator) {
  PartFile("P1.tol", {"NUM_SECT 3", "SECTION A-A I", "SECTION", "SECTION C-C I"});
  pf.SectionSet();
  EXPECT_EQ(Names(), (Strings{"A-A", "", "C-C"}));
  EXPECT_EQ(Names(true), (Strings{"A-A", "C-C"}));
  EXPECT_TRUE(disabled.empty());
  EXPECT_EQ(op.messages, Strings{"Tolerance file " + TolPath() + " section 2 has no name (SECTION)."});
}

TEST_F(SectionTest, BadToleranceFilesDisableTheZone) {
  Strings many = {"NUM_SECT 501"};
  for (int i = 1; i <= 501; ++i) many.push_back("SECTION S" + std::to_string(i) + " I");
  const std::vector<std::pair<Strings, std::string>> cases = {
      {{"NUM_SECT 3", "SECTION A-A I", "SECTION B-B I"},
       "Tolerance file NUM_SECT parameter (3) and tolerance file counted sections (2) are not equal."},
      {{"NUM_SECT 0", "section a-a"}, "Error Zero sections found in " + TolPath() + "."},
      {many, "Tolerance file " + TolPath() + " holds more than 500 sections."},
  };
  for (const auto& [lines, message] : cases) {
    op.messages.clear();
    disabled.clear();
    PartFile("P1.tol", lines);
    pf.SectionSet();
    EXPECT_EQ(op.messages, Strings{message});
    EXPECT_EQ(disabled, std::vector<int>{1});
  }
  EXPECT_EQ(Zone().tolerance.size(), 500u);
  EXPECT_EQ(updates, 0);

  core.gzone = 3;
  Zone() = core.Zone(1);
  Zone().tolExt = ".te";
  op.messages.clear();
  pf.SectionSet();
  EXPECT_EQ(op.messages, Strings{"Tolerance file " + TolPath() + " not found."});
  EXPECT_EQ(disabled, (std::vector<int>{1, 3}));
}

TEST_F(SectionTest, OemFilesReadSectionsByStride) {
  Zone().tolExt = ".te";
  PartFile("P1.te", {"title", "plain", "skip", "skip", "A-A    I  0.1", "r2", "r3", "B-B       0.1", "r5", "r6",
                     "C-C  , I, r9"});
  pf.SectionSet();
  EXPECT_EQ(Names(), (Strings{"A-A", "B-B", "C-C"}));
  EXPECT_EQ(Names(true), Strings{"A-A"});
  EXPECT_TRUE(Logged("Tolerance section B-B number 2 counter 4"));

  // "1none" in any case on line 2: one more header line and four records per section.
  PartFile("P1.te", {"title", "x 1none x", "skip", "skip", "skip", "LONGNAME99 I x", "r2", "r3", "r4",
                     "B-B    I 0.2", "r6"});
  pf.SectionSet();
  EXPECT_EQ(Names(true), (Strings{"LONGNAM", "B-B"}));
  EXPECT_EQ(Zone().sectionCount, 2);
}

TEST_F(SectionTest, HugeAndBinaryFilesGiveMessagesNotCrashes) {
  std::string junk;
  for (int i = 0; i < 300000; ++i) junk += static_cast<char>((i * 37) % 256);
  junk += std::string(LineReader::kMaxLineLength * 3, '\0');
  core.gDebugLevel = 0;
  Spit(PartDir() / "P1.tol", junk);
  pf.SectionSet();
  Spit(PartDir() / "KT1.flv", junk);
  EXPECT_FALSE(pf.parseFLV().has_value());
  Spit(home / "blade_lookup_table.txt", junk);
  EXPECT_FALSE(pf.BLookup());
  EXPECT_EQ(op.messages.size(), 3u);
  EXPECT_EQ(disabled, std::vector<int>{1});

  Spit(PartDir() / "P1.op", "OPERATION 1\r\n" + junk + "\r\nBLADE blade KT1 A-A\r\n");
  Zone().gOpName = "1";
  // The junk's words would be program names: refused, and the operation with them.
  EXPECT_FALSE(pf.cparseOP());
  ASSERT_EQ(op.messages.size(), 4u);
  EXPECT_EQ(op.messages[3].rfind("The program name ", 0), 0u) << op.messages[3];

  Zone().flavorName = "KT1";
  Spit(PartDir() / "KT1.flv", "CALCS 2\r\n" + std::string(LineReader::kMaxLineLength * 3, '\0') + "\r\nLE\r\n");
  EXPECT_EQ(pf.parseFLV(), (Strings{std::string(LineReader::kMaxLineLength, '\0'), "LE"}));
}

}  // namespace
}  // namespace zarvane::testing
