// Regressions of what the fuzz targets (fuzz/) found in the readers.
#include "datafiles/rtf.h"
#include "foundation/paths.h"
#include "foundation_fixture.h"

namespace zarvane::testing {

using FuzzFindings = FoundationTest;

// A hand-edited table whose last line lacks its line end: the text appended
// was glued to that line, so the last entry's translation changed and the new
// text was appended again at every start.
TEST_F(FuzzFindings, ATextAppendedToATableWithoutAFinalLineEndReadsBack) {
  const std::string appended = "NEW\tNo\tNein\r\nNEW\tHello\tHello\tHello\tHello\tHello\r\n";
  for (const std::string& end : {"", "\r"}) {
    Spit(home / "Lang.ini", "NEW\tNo\tNein" + end);
    core.loadLanguage(2);
    EXPECT_EQ(core.Translate("Hello"), "Hello");
    EXPECT_EQ(Slurp(home / "Lang.ini"), appended);

    Core later(tp.platform, op, forms);
    later.gHome = core.gHome;
    later.loadLanguage(2);
    EXPECT_EQ(later.Translate("No"), "Nein");
    EXPECT_EQ(later.Translate("Hello"), "Hello");
    EXPECT_EQ(Slurp(home / "Lang.ini"), appended) << "appended again";
  }
}

// The table's fields are trimmed when read, so a text with blanks around it
// (a message followed by a path) was never found and was appended at every start.
TEST_F(FuzzFindings, ATextWithBlanksAroundIsTranslatedWithoutThem) {
  Spit(home / "Lang.ini", "NEW\tNot found in:\tNicht gefunden in:\r\n");
  core.loadLanguage(2);
  EXPECT_EQ(core.Translate("Not found in: "), "Nicht gefunden in: ");
  EXPECT_EQ(core.Translate(" Other "), " Other ");
  Core later(tp.platform, op, forms);
  later.gHome = core.gHome;
  later.loadLanguage(2);
  EXPECT_EQ(later.Translate(" Other "), " Other ");
  EXPECT_EQ(Slurp(home / "Lang.ini"),
            "NEW\tNot found in:\tNicht gefunden in:\r\nNEW\tOther\tOther\tOther\tOther\tOther\r\n");
}

// An escaped line feed or carriage return in RTF text came through as a bare
// LF or CR, so the converted report had a line end that is not CR LF.
TEST(FuzzFindingsRtf, EscapedControlCharactersDoNotBreakLines) {
  EXPECT_EQ(RtfToText("{\\rtf1 a\\'0ab\\'0dc\\'09d\\par}"), "a?b?c\td\r\n");
}

}  // namespace zarvane::testing
