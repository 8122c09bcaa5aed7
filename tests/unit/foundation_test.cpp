// Rules of the foundation: settings lookups, the log, file utilities, language table.
#include "foundation/boundedlines.h"
#include "foundation/writefault.h"
#include "foundation_fixture.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane::testing {
namespace {

// --- Numbers and texts -------------------------------------------------------

TEST(Val, TakesTheLeadingNumberAndNeverThrows) {
  EXPECT_EQ(Val("9"), 9);
  EXPECT_EQ(Val("  12.5abc"), 12.5);
  EXPECT_EQ(Val("YES"), 0);  // "SingleZone = YES" is off
  EXPECT_EQ(Val(""), 0);
  EXPECT_EQ(Val("-3"), -3);
  EXPECT_EQ(Val("1 2"), 12);  // blanks inside are skipped, as the original Val does
  EXPECT_EQ(Val("&H1F"), 31);
  EXPECT_EQ(Val("1e3x"), 1000);
  EXPECT_EQ(Val("1e999"), 0);  // out of range: no infinity leaks out
  EXPECT_EQ(Val("0,040"), 0);
  EXPECT_EQ(Val("0,040", true), 0.04);
  EXPECT_EQ(ValInt("7.9"), 7);
  EXPECT_EQ(ValInt("99999999999"), 2147483647);
}

TEST(Val, IsNumericNeedsTheWholeText) {
  EXPECT_TRUE(IsNumeric(" 0.040 "));
  EXPECT_TRUE(IsNumeric("-1E5"));
  EXPECT_FALSE(IsNumeric("0 040"));
  EXPECT_FALSE(IsNumeric(""));
  EXPECT_FALSE(IsNumeric("ON"));
  EXPECT_FALSE(IsNumeric("0,5"));
  EXPECT_TRUE(IsNumeric("0,5", true));
}

TEST(Texts, CommandLineSplitsAtBlanksWithQuotesGrouping) {
  EXPECT_EQ(SplitCommandLine(R"("/a b/c" d  "" e)"), (std::vector<std::string>{"/a b/c", "d", "", "e"}));
  EXPECT_EQ(SplitCommandLine("  "), std::vector<std::string>{});
  EXPECT_EQ(SplitCommandLine(R"(x"y z"w)"), std::vector<std::string>{"xy zw"});
}

TEST(Texts, FixedFormatAndPrintedNumbers) {
  EXPECT_EQ(FormatFixed(12.5, 5), "12.50000");
  EXPECT_EQ(FormatFixed(-0.333333, 5), "-0.33333");
  EXPECT_EQ(FormatFixed(2.675, 2), "2.68");
  EXPECT_EQ(FormatFixed(0.000001, 5), "0.00000");
  EXPECT_EQ(PrintNumber(2), " 2 ");
  EXPECT_EQ(PrintNumber(0.2), " .2 ");
  EXPECT_EQ(PrintNumber(-0.5), "-.5 ");
}

TEST(Texts, Windows1252RoundTripsThroughUtf8) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // the euro sign
  EXPECT_EQ(UCase("pi\xe8" "ce"), "PI\xc8" "CE");
}

// --- Paths -------------------------------------------------------------------

TEST(Paths, NamesAndExtensionsAcceptBothSeparators) {
  EXPECT_EQ(NameWithoutExtension("KT1.flv"), "KT1");
  EXPECT_EQ(NameWithoutExtension("noext"), "noext");
  EXPECT_EQ(Extension("a.b.TOL "), "TOL");
  EXPECT_EQ(FileNameFromPath("C:\\Tallyx\\KT1.flv"), "KT1.flv");
  EXPECT_EQ(FileNameFromPath("/x/y.z"), "y.z");
  EXPECT_EQ(JoinPath("/home/z/", "blades"), "/home/z/blades");
  EXPECT_EQ(Core::BackupName("/d/data.2005/part.op"), "/d/data.2005/partOLD.op");
  EXPECT_EQ(Core::BackupName("a.b.c"), "aOLD.bOLD.c");
}

TEST_F(FoundationTest, NamesDifferingOnlyInCaseAreFound) {
  Spit(home / "Blades" / "P1" / "quorvx.rtf", "x");
  EXPECT_EQ(ResolveCase(Path("blades/p1/QUORVX.RTF")), Path("Blades/P1/quorvx.rtf"));
  EXPECT_EQ(ResolveCase(Path("blades/p2/QUORVX.RTF")), Path("blades/p2/QUORVX.RTF"));
  EXPECT_TRUE(core.FileExists(Path("BLADES/P1/Quorvx.Rtf")));
  // Accented letters fold too: the name on disk is UTF-8, the station's Windows-1252.
  Spit(home / "Blades" / "P1" / "R\xC3\xA9sum\xC3\xA9.txt", "x");
  EXPECT_EQ(ResolveCase(Path("blades/p1/R\xC9SUM\xC9.TXT")), Path("Blades/P1/R\xE9sum\xE9.txt"));
}

// --- Settings file -----------------------------------------------------------

class SettingsTest : public FoundationTest {
 protected:
  std::string Key(const std::string& content, const std::string& key) {
    Spit(home / "k.ini", content);
    return core.GetKeyVal(Path("k.ini"), key);
  }
};

TEST_F(SettingsTest, KeyLinesAcceptAnySeparators) {
  EXPECT_EQ(Key("debuglevel=9\r\n", "debuglevel"), "9");
  EXPECT_EQ(Key("debuglevel\t9\r\n", "debuglevel"), "9");
  EXPECT_EQ(Key("DEBUGLEVEL  =  9 !comment\n", "debuglevel"), "9");
  EXPECT_EQ(Key("KeyLabel = Serial   Number\r\n", "KeyLabel"), "Serial Number");
}

TEST_F(SettingsTest, OnOffBecomeOneAndZero) {
  EXPECT_EQ(Key("SingleZone = on\r\n", "SingleZone"), "1");
  EXPECT_EQ(Key("SingleZone = ON further words\r\n", "SingleZone"), "1");
  EXPECT_EQ(Key("SingleZone = Off\r\n", "SingleZone"), "0");
  EXPECT_EQ(Key("SingleZone = YES\r\n", "SingleZone"), "YES");
}

TEST_F(SettingsTest, FirstOccurrenceWinsAndPrefixesDoNotMatch) {
  EXPECT_EQ(Key("SingleZoneLabel = Widget\r\nSingleZone = 0\r\nSingleZone = 1\r\n", "SingleZone"), "0");
  EXPECT_EQ(Key("SingleZoneLabel = Widget\r\n", "SingleZone"), "");
}

TEST_F(SettingsTest, CommentsAndEmptyValuesAreAbsent) {
  EXPECT_EQ(Key("!Zone2_DISABLE = ON\r\n", "Zone2_DISABLE"), "");
  EXPECT_EQ(Key("$$Zone2_DISABLE = ON\r\n", "Zone2_DISABLE"), "");
  EXPECT_EQ(Key("   !Zone2_DISABLE = ON\r\n", "Zone2_DISABLE"), "");
  EXPECT_EQ(Key("Interface =\r\n", "Interface"), "");
  EXPECT_EQ(core.GetKeyVal(Path("missing.ini"), "Interface"), "");
  EXPECT_EQ(core.GetKeyVal("  ", "Interface"), "");
  EXPECT_TRUE(op.messages.empty());  // the existence test is quiet
}

TEST_F(SettingsTest, CommasSeparateWordsOnlyWithADotDecimalLocale) {
  EXPECT_EQ(Key("PointsOnSectionTolerance = 0,040\r\n", "PointsOnSectionTolerance"), "0 040");
  EXPECT_EQ(Key("STAT_Order = SERNO, OPERATION, LOTPLOT\r\n", "STAT_Order"), "SERNO OPERATION LOTPLOT");
  core.gDotDecimal = false;
  EXPECT_EQ(Key("PointsOnSectionTolerance = 0,040\r\n", "PointsOnSectionTolerance"), "0,040");
  EXPECT_EQ(Key("STAT_Order = SERNO, OPERATION, LOTPLOT\r\n", "STAT_Order"), "SERNO, OPERATION, LOTPLOT");
}

TEST_F(SettingsTest, LookupsAreLoggedAtLevelEightWithNullForEmpty) {
  core.gDebugLevel = 8;
  Key("A = 1\r\n", "B");
  EXPECT_NE(Log().find("UNSP: " + Path("k.ini") + " B value NULL"), std::string::npos) << Log();
}

TEST_F(SettingsTest, KeyPairLinesGiveTheOtherWords) {
  Spit(home / "f.flv", "! LETHCK LABEL1 commented\r\nCHORD LABEL1 Chord width\r\nLETHCK LABEL1 Leading  edge\r\n");
  EXPECT_EQ(core.GetKeyPairVal(Path("f.flv"), "LETHCK", "LABEL1"), "Leading edge");
  EXPECT_EQ(core.GetKeyPairVal(Path("f.flv"), "LETHCK", "LABEL2"), "");
}

TEST_F(SettingsTest, OverLongLinesArePassedOverAndToldOncePerVersionOfTheFile) {
  const size_t cap = BoundedLines::kMaxLineLength;  // 65536
  const std::string tooLong = "B = " + std::string(cap - 3, 'y');
  EXPECT_EQ(Key("A = 1\r\n" + tooLong + "\r\nB = 2\r\n", "B"), "2");
  EXPECT_EQ(core.GetKeyVal(Path("k.ini"), "B"), "2");
  EXPECT_EQ(core.GetKeyPairVal(Path("k.ini"), "B", "="), "2");
  EXPECT_EQ(core.GetKeyVal(Path("k.ini"), "A"), "1");
  const std::vector<std::string> told = {"Line 2 of file " + Path("k.ini") +
                                         " is longer than 65536 characters and was ignored."};
  EXPECT_EQ(op.messages, told);
  // A line of exactly the bound, CR LF not counted, is taken in.
  EXPECT_EQ(Key("B = " + std::string(cap - 4, 'x') + "\r\n", "B"), std::string(cap - 4, 'x'));
  EXPECT_EQ(op.messages, told);
  // The file changed: its over-long line is told again.
  EXPECT_EQ(Key("A = 1\r\n\r\n" + tooLong + "\n", "B"), "");
  ASSERT_EQ(op.messages.size(), 2u);
  EXPECT_EQ(op.messages[1], "Line 3 of file " + Path("k.ini") + " is longer than 65536 characters and was ignored.");
}

TEST_F(SettingsTest, RegistryReadWritesItsDefaultBack) {
  EXPECT_EQ(core.GetIniVal("Quorvex", "RESTART_NO", "10"), "10");
  EXPECT_EQ(tp.registry.Get("quorvex", "restart_no"), "10");
  tp.registry.Set("Timing", "CloseAllDelay", "250");
  EXPECT_EQ(core.GetIniVal("timing", "closealldelay", "1000"), "250");
}

// --- Log ---------------------------------------------------------------------

TEST_F(FoundationTest, BelowLevelFiveNothingIsWrittenButBoxesShow) {
  core.gDebugLevel = 4;
  core.WriteLog("always", 0);
  core.WriteLog("tell", 0, true);
  EXPECT_FALSE(fs::exists(home / "debug.txt"));
  EXPECT_EQ(op.messages, std::vector<std::string>{"tell"});
}

TEST_F(FoundationTest, LevelEightSkipsDetailAndHasNoTimes) {
  core.gDebugLevel = 8;
  core.WriteLog("eight", 8);
  core.WriteLog("nine", 9);
  core.WriteLog("ten", 10);
  EXPECT_EQ(Log(), "UNSP: eight\r\n");
}

TEST_F(FoundationTest, LevelNineLinesCarryTheTimeOfDay) {
  core.gDebugLevel = 9;
  core.WriteLog("nine", 9);
  core.WriteLog("ten", 10);
  const std::string log = Log();
  ASSERT_EQ(log.size(), std::string("hh:mm:ss: UNSP: nine\r\n").size()) << log;
  EXPECT_EQ(log[2], ':');
  EXPECT_EQ(log.substr(8), ": UNSP: nine\r\n");
}

TEST_F(FoundationTest, TagsBoxesAndLineBreaks) {
  core.gDebugLevel = 8;
  core.WriteLog("bad", 0, false, 1);
  core.WriteLog("warn", 0, false, 2);
  core.WriteLog("info", 0, false, 3);
  core.WriteLog("two\r\nlines", 0, true);
  EXPECT_EQ(Log(), "ERRR: bad\r\nWARN: warn\r\nINFO: info\r\ntwo lines\r\n");
  EXPECT_EQ(op.messages, std::vector<std::string>{"two\r\nlines"});
}

TEST_F(FoundationTest, AnUnopenableLogIsToldOnceUntilItWorksAgain) {
  core.gDebugLevel = 9;
  fs::create_directories(home / "debug.txt");
  core.WriteLog("a", 0);
  core.WriteLog("b", 0);
  EXPECT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].rfind("Unable to open " + Path("debug.txt") + " for writing", 0), 0u);
  fs::remove(home / "debug.txt");
  core.WriteLog("c", 0);
  fs::remove(home / "debug.txt");
  fs::create_directories(home / "debug.txt");
  core.WriteLog("d", 0);
  EXPECT_EQ(op.messages.size(), 2u);
}

TEST(ErrorText, LayoutAndUnknownDescription) {
  EXPECT_EQ(Core::ErrorText({53, "File not found"}),
            "\r\nInformational Message\r\nError Number: 53\r\nError Description: File not found\r\n");
  EXPECT_NE(Core::ErrorText({5, " "}).find("Error Description: Unknown error.\r\n"), std::string::npos);
}

// --- Splitters ---------------------------------------------------------------

TEST_F(FoundationTest, SplitWordsFollowsTheLocale) {
  std::string line = "A=B,C !D";
  EXPECT_EQ(core.SplitWords(line), (Texts{"A", "B", "C"}));
  EXPECT_EQ(line, "A B C !D");  // the caller's copy is changed in place
  core.gDotDecimal = false;
  EXPECT_EQ(core.SplitWords(std::string("A=B,C !D")), (Texts{"A", "B,C"}));
  EXPECT_TRUE(core.SplitWords(std::string("!A B")).empty());
}

TEST(Splitters, FieldsKeepBlanksAndDropEmptyOnes) {
  EXPECT_EQ(Core::SplitFields("a b;;c !x;y"), (Texts{"a b", "c "}));
  EXPECT_TRUE(Core::IsComment("$$x"));
  EXPECT_FALSE(Core::IsComment(" !x"));
}

// --- File utilities ----------------------------------------------------------

TEST_F(FoundationTest, StationTextsNameFilesInTheFileSystemsEncoding) {
  const std::string name = Path("pi\xe8" "ce.txt");  // Windows-1252
  core.WriteaFile({"x"}, name, false);
  EXPECT_TRUE(fs::exists(home / "pi\xc3\xa8" "ce.txt"));  // UTF-8 on disk
  EXPECT_TRUE(core.FileExists(Path("PI\xc8" "CE.TXT")));
  EXPECT_EQ(*core.getaFile(name), Texts{"x"});
}

TEST_F(FoundationTest, FileExistsCountsWildcardsAndDirectories) {
  Spit(home / "progs" / "A.PRG", "x");
  EXPECT_TRUE(core.FileExists(Path("progs/*.prg")));
  EXPECT_FALSE(core.FileExists(Path("progs/*.nom")));
  EXPECT_TRUE(core.FileExists(Path("progs")));
  EXPECT_FALSE(core.FileExists(""));
  EXPECT_TRUE(op.messages.empty());
  EXPECT_FALSE(core.FileExists(Path("nothing.txt"), false));
  EXPECT_EQ(op.messages, std::vector<std::string>{Path("nothing.txt") + " not found."});
}

TEST_F(FoundationTest, MakeOldKeepsOneBackup) {
  core.gDebugLevel = 9;
  Spit(home / "data.2005" / "part.op", "new");
  Spit(home / "data.2005" / "partOLD.op", "older");
  core.MakeOLD(Path("data.2005/part.op"));
  EXPECT_FALSE(fs::exists(home / "data.2005" / "part.op"));
  EXPECT_EQ(Slurp(home / "data.2005" / "partOLD.op"), "new");
  EXPECT_NE(Log().find(Path("data.2005/part.op") + " MakeOLD made OLD"), std::string::npos);
}

TEST_F(FoundationTest, MakeOldOfAMissingFileOnlyLogsItsStart) {
  core.gDebugLevel = 10;
  core.MakeOLD(Path("none.txt"));
  EXPECT_NE(Log().find("MakeOLD: Start: " + Path("none.txt")), std::string::npos);
  EXPECT_EQ(Log().find("made OLD"), std::string::npos);
}

TEST_F(FoundationTest, MakeOldNeverDeletesTheOriginalWhenTheBackupFails) {
  Spit(home / "fixture.txt", "precious");
  fs::create_directories(home / "fixtureOLD.txt" / "blocked");  // the backup cannot be written
  core.MakeOLD(Path("fixture.txt"));
  EXPECT_EQ(Slurp(home / "fixture.txt"), "precious");
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].rfind("An error occurred while attempting to copy file " + Path("fixture.txt") + " to file",
                                 0),
            0u);
}

TEST_F(FoundationTest, MakeOldBacksUpReadOnlyFiles) {
  Spit(home / "QUORVX.RTF", "report");
  fs::permissions(home / "QUORVX.RTF", fs::perms::owner_read);
  core.MakeOLD(Path("QUORVX.RTF"));
  EXPECT_FALSE(fs::exists(home / "QUORVX.RTF"));
  EXPECT_EQ(Slurp(home / "QUORVXOLD.RTF"), "report");
}

TEST_F(FoundationTest, CopiesOverwriteAndEqualNamesDoNothing) {
  Spit(home / "a.txt", "one");
  Spit(home / "b.txt", "two");
  EXPECT_TRUE(core.FCopy(Path("a.txt") + " ", Path("b.txt")));
  EXPECT_EQ(Slurp(home / "b.txt"), "one");
  EXPECT_TRUE(core.FCopy(Path("a.txt"), Path("a.txt")));
  EXPECT_FALSE(core.FCopy(Path("missing.txt"), Path("c.txt")));
  EXPECT_EQ(op.messages.size(), 1u);
  EXPECT_NE(op.messages[0].find("Error Number: 53"), std::string::npos);
}

TEST_F(FoundationTest, ReadersSkipCommentsAndBlankLines) {
  Spit(home / "l.txt", "! comment\r\n\r\n   \r\nONE\r\n  two words\nKEY\r\nKEY value\r\nx KEY\r\n");
  EXPECT_EQ(*core.getaFile(Path("l.txt")), (Texts{"ONE", "  two words", "KEY", "KEY value", "x KEY"}));
  EXPECT_FALSE(core.getaFile(Path("none.txt")).has_value());
  // A line with only the keyword is passed over.
  EXPECT_EQ(*core.getaLine(Path("l.txt"), "key", false), (Texts{"KEY", "value"}));
  EXPECT_FALSE(core.getaLine(Path("l.txt"), "absent", false).has_value());
  EXPECT_TRUE(core.parseFile(Path("l.txt"), "two", false));
  EXPECT_FALSE(core.parseFile(Path("l.txt"), "comment", false));
  EXPECT_FALSE(core.parseFile("", "x", false));
}

TEST_F(FoundationTest, KeySetsAreCaseSensitiveAndNeedTheColumn) {
  Spit(home / "t.tol", "SECTION A-A I\r\nSECTION\r\nsection B-B\r\nSECTION C-C\r\n! SECTION D-D\r\n");
  EXPECT_EQ(*core.getaKeySet(Path("t.tol"), "SECTION", 2), (Texts{"A-A", "C-C"}));
  EXPECT_EQ(*core.getaKeySet(Path("t.tol"), "SECTION", 3), (Texts{"I"}));
}

TEST_F(FoundationTest, ReadersPassOverOverLongLinesAndTellTheFirst) {
  const std::string huge(BoundedLines::kMaxLineLength, 'Z');
  Spit(home / "t.tol", "SECTION A-A I\r\nSECTION " + huge + "\r\n! note\r\n" + huge + "Z\nSECTION C-C\r\n");
  EXPECT_EQ(*core.getaKeySet(Path("t.tol"), "SECTION", 2), (Texts{"A-A", "C-C"}));
  EXPECT_EQ(*core.getaFile(Path("t.tol")), (Texts{"SECTION A-A I", "SECTION C-C"}));
  EXPECT_EQ(*core.getaLine(Path("t.tol"), "c-c", false), (Texts{"SECTION", "C-C"}));
  EXPECT_FALSE(core.parseFile(Path("t.tol"), huge, false));
  EXPECT_EQ(op.messages, std::vector<std::string>{"Line 2 of file " + Path("t.tol") +
                                                  " is longer than 65536 characters and was ignored"
                                                  " (lines that long: 2)."});
}

TEST_F(FoundationTest, ReplaceLineDropsCommentsEvenWithoutAMatch) {
  Spit(home / "r.rpt", "FLAVOR old.flv\r\n! note\r\n\r\nPART P1\r\n");
  core.ReplaceLine(Path("r.rpt"), "flavor", "FLAVOR new.flv");
  EXPECT_EQ(Slurp(home / "r.rpt"), "FLAVOR new.flv\r\nPART P1\r\n");
  Spit(home / "s.rpt", "! note\r\nPART P1\r\n");
  core.ReplaceLine(Path("s.rpt"), "FLAVOR", "FLAVOR x");
  EXPECT_EQ(Slurp(home / "s.rpt"), "PART P1\r\n");
}

TEST_F(FoundationTest, WritingWhereNoFileCanBeCreatedIsAnErrorAndLeavesTheFileAsItWas) {
  EXPECT_THROW(core.WriteaFile({"x"}, Path("no/such/dir/f.txt"), false), RuntimeError);
  // With its backup kept: a full disk leaves the file itself, and its copy.
  Spit(home / "t.txt", "old\r\n");
  SetWriteFault(ParseWriteFault("ENOSPC:/t.txt"));
  EXPECT_THROW(core.WriteaFile({"new"}, Path("t.txt"), true), RuntimeError);
  SetWriteFault(std::nullopt);
  EXPECT_EQ(Slurp(home / "t.txt"), "old\r\n");
  EXPECT_EQ(Slurp(home / "tOLD.txt"), "old\r\n");
}

TEST_F(FoundationTest, FileRoutinesLogTheirStartLinesWithTheValueRightAfterTheText) {
  core.gDebugLevel = 10;
  const std::string missing = Path("none.txt"), written = Path("w.txt"), keys = Path("k.txt");
  Spit(keys, "K v\r\n");
  core.getaFile(missing);
  core.WriteaFile({"x"}, written, false);
  core.parseFile(missing, " KEY ", false);
  core.getaKeySet(keys, "K", 2);
  core.loadLanguage(3);
  const std::string log = Log();
  for (const std::string& line :
       {"getaFile: Start: Acquiring file:" + missing, "WriteaFile: Start: Writing file:" + written,
        "parseFile: Parsing file:" + missing, std::string("parseFile: Looking for:KEY"),
        "parseFile: File not found:" + missing, "getaKeySet: Start: File:" + keys,
        std::string("loadLanguage: Start: Language:3")})
    EXPECT_NE(log.find("UNSP: " + line + "\r\n"), std::string::npos) << line << "\n" << log;
}

// --- Language table ----------------------------------------------------------

class LanguageTest : public FoundationTest {
 protected:
  void Table(const std::string& content) { Spit(home / "Lang.ini", content); }
  std::string TableNow() { return Slurp(home / "Lang.ini"); }
};

TEST_F(LanguageTest, TranslatesWithoutRegardToCase) {
  Table("x\tYes\tOui\r\n");
  core.loadLanguage(2);
  EXPECT_EQ(core.Translate("Yes"), "Oui");
  EXPECT_EQ(core.Translate("yes"), "Oui");
  EXPECT_EQ(core.gLanguage, 2);
  core.loadLanguage(5);
  EXPECT_EQ(core.Translate("Yes"), "Yes");  // no Spanish column
}

TEST_F(LanguageTest, EmptyColumnGivesEnglishAndBlankTextGivesNothing) {
  Table("\tExit\t\tEsci\r\n");
  core.loadLanguage(2);
  EXPECT_EQ(core.Translate("Exit"), "Exit");
  EXPECT_EQ(core.Translate(" \t "), "");
}

TEST_F(LanguageTest, MissingTextsAreAppendedOncePerRun) {
  Table("\tYes\tOui\r\n");
  core.loadLanguage(2);
  EXPECT_EQ(core.Translate("Fixture"), "Fixture");
  EXPECT_EQ(core.Translate("Fixture"), "Fixture");
  EXPECT_EQ(TableNow(), "\tYes\tOui\r\nNEW\tFixture\tFixture\tFixture\tFixture\tFixture\r\n");
  core.loadLanguage(2);  // the next run finds it in the table
  core.Translate("Fixture");
  EXPECT_EQ(TableNow(), "\tYes\tOui\r\nNEW\tFixture\tFixture\tFixture\tFixture\tFixture\r\n");
}

TEST_F(LanguageTest, WithoutATableNothingIsAppended) {
  core.loadLanguage(2);
  EXPECT_EQ(core.Translate("Fixture"), "Fixture");
  EXPECT_FALSE(fs::exists(home / "Lang.ini"));
}

TEST_F(LanguageTest, LineBreaksAndTabsAreEscapedAndRoundTrip) {
  Table("");
  core.loadLanguage(1);
  const std::string text = "Line one\r\nLine\ttwo C:\\temp \\n in C:\\dir\\\tnext\x1B";
  core.Translate(text);
  const std::string table = TableNow();
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 1) << table;
  core.loadLanguage(1);
  core.Translate(text);
  EXPECT_EQ(TableNow(), table);  // found again: not appended a second time
}

TEST_F(LanguageTest, EscapingIsReversibleForAwkwardTexts) {
  // Every text of up to four characters drawn from the escape's own characters.
  const std::string alphabet = "\\\t\r\n\x1Bnrta";
  std::vector<std::string> texts = {""};
  for (size_t from = 0, length = 1; length <= 4; ++length) {
    const size_t to = texts.size();
    for (size_t i = from; i < to; ++i)
      for (char c : alphabet) texts.push_back(texts[i] + c);
    from = to;
  }
  for (const std::string& text : texts) {
    const std::string escaped = Core::EscapeLangField(text);
    EXPECT_EQ(escaped.find_first_of("\t\r\n"), std::string::npos);
    ASSERT_EQ(Core::UnescapeLangField(escaped), text) << ::testing::PrintToString(text);
  }
}

TEST_F(LanguageTest, HandMadeTablesWithWindowsPathsReadBackUnchanged) {
  const std::string table =
      "\tC:\\temp\\new\tC:\\temp\\nouveau\r\n\tSee C:\\tallyx\\readme.txt\tVoir C:\\tallyx\\lisez.txt\r\n"
      "\tC:\\dir\\\tC:\\rep\\\r\n";
  Table(table);
  core.loadLanguage(2);
  EXPECT_EQ(core.Translate("C:\\temp\\new"), "C:\\temp\\nouveau");
  EXPECT_EQ(core.Translate("See C:\\tallyx\\readme.txt"), "Voir C:\\tallyx\\lisez.txt");
  EXPECT_EQ(core.Translate("C:\\dir\\"), "C:\\rep\\");
  EXPECT_EQ(TableNow(), table);
}

TEST_F(LanguageTest, AnOverLongLineIsPassedOverAndTold) {
  Table("x\tYes\tOui\r\nx\tNo\t" + std::string(BoundedLines::kMaxLineLength, 'N') + "\r\nx\tCancel\tAnnuler\r\n");
  core.loadLanguage(2);
  EXPECT_EQ(core.Translate("Yes"), "Oui");
  EXPECT_EQ(core.Translate("Cancel"), "Annuler");
  EXPECT_EQ(core.Translate("No"), "No");
  EXPECT_EQ(op.messages, std::vector<std::string>{"Line 2 of file " + Path("Lang.ini") +
                                                  " is longer than 65536 characters and was ignored."});
}

TEST_F(LanguageTest, OddLinesAreIgnoredAndTheFirstDuplicateWins) {
  Table("no tab\r\n!\tExit\tCommented\r\n\t\tEmpty key\r\n\tExit\tSortie\r\nNEW\tEXIT\tQuitter\r\n\t Ok \t D'accord \r\n");
  core.loadLanguage(2);
  EXPECT_EQ(core.Translate("Exit"), "Sortie");
  EXPECT_EQ(core.Translate("Ok"), "D'accord");
  EXPECT_EQ(core.Translate("Empty key"), "Empty key");
}

TEST_F(LanguageTest, CaptionsAreTranslatedFromTheirEnglishSource) {
  Table("\tExit\tQuitter\r\n");
  class Window : public Form {
   public:
    explicit Window(Forms& f) : Form(f, "frmTest") {
      Add(ControlType::CommandButton, "cmdExit").SetCaption("Exit");
      Add(ControlType::ComboBox, "cmbX").SetCaption("Exit");
      Add(ControlType::Menu, "mnuExit").SetCaption("Exit");
    }
  } window(forms);
  core.loadLanguage(2);
  core.TranslateCaptions(window, "frmTest: Repaint: ");
  EXPECT_EQ(window("cmdExit").Caption(), "Quitter");
  EXPECT_EQ(window("cmbX").Caption(), "Exit");     // combo boxes are not captioned controls
  EXPECT_EQ(window("mnuExit").Caption(), "Exit");  // nor are menus
  core.loadLanguage(1);
  core.TranslateCaptions(window, "frmTest: Repaint: ");
  EXPECT_EQ(window("cmdExit").Caption(), "Exit");
  EXPECT_EQ(TableNow().find("Quitter\tQuitter"), std::string::npos);
}

TEST_F(LanguageTest, ACaptionSetFromATranslationStandsForItsEnglishText) {
  const std::string table = "\tSerial\tNum\xe9ro\r\n\tPart #\tPi\xe8" "ce\r\n";
  Table(table);
  Form window(forms, "frmTest");
  Control& label = window.Add(ControlType::Label, "lblRoute");
  core.loadLanguage(2);
  label.SetCaption(core.Translate("Serial"));  // the code set an already translated text
  label.SetToolTip("Pi\xc8" "CE");
  core.TranslateCaptions(window, "frmTest: Repaint: ");
  EXPECT_EQ(label.Caption(), "Num\xe9ro");
  EXPECT_EQ(label.SourceCaption(), "Serial");
  EXPECT_EQ(label.ToolTip(), "Pi\xe8" "ce");
  const auto revision = window.Revision();
  core.TranslateCaptions(window, "frmTest: Repaint: ");
  EXPECT_EQ(window.Revision(), revision);  // a repaint that changes nothing is no change
  core.loadLanguage(1);
  core.TranslateCaptions(window, "frmTest: Repaint: ");
  EXPECT_EQ(label.Caption(), "Serial");
  EXPECT_EQ(label.ToolTip(), "Part #");
  EXPECT_EQ(TableNow(), table);
}

}  // namespace
}  // namespace zarvane::testing
