// Rich text to plain text: documents as word processors and the simulated host
// write them (golden files), the character rules, and damaged input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "datafiles/rtf.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(__FILE__).parent_path() / "golden" / "rtf";

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Each golden RTF file beside its expected text.
TEST(RtfGolden, EveryDocumentGivesItsText) {
  std::set<std::string> seen;
  for (const auto& entry : fs::directory_iterator(kGolden)) {
    if (entry.path().extension() != ".rtf") continue;
    const fs::path txt = fs::path(entry.path()).replace_extension(".txt");
    ASSERT_TRUE(fs::exists(txt)) << txt;
    EXPECT_EQ(RtfToText(Bytes(entry.path())), Bytes(txt)) << entry.path().filename();
    seen.insert(entry.path().stem().string());
  }
  for (const char* name : {"wordpad", "word", "table", "bin", "simhost"}) EXPECT_TRUE(seen.count(name)) << name;
}

TEST(RtfText, FormattingDropsAndSymbolsBecomeCharacters) {
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Courier New;}}"
      "{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\generator Riched20;}"
      "\\viewkind4\\pard\\f0\\fs20 Blade \\b B1\\b0 : caf\\'e9\\par\r\n"
      "Price \\u8364? 5\\tab ok \\{braces\\} and \\\\\\par\n}";
  EXPECT_EQ(RtfToText(rtf), "Blade B1: caf\xE9\r\nPrice \x80 5\tok {braces} and \\\r\n");
  // A backslash before a line end is a paragraph; a literal tab a tab.
  EXPECT_EQ(RtfToText("{\\rtf1 a\\\r\nb\\\nc\td}"), "a\r\nb\r\nc\td");
  // A control word takes one blank as its delimiter, a number ends it.
  EXPECT_EQ(RtfToText("{\\rtf1\\fs20  two\\b1x\\i-1y}"), " twoxy");
}

TEST(RtfText, UnicodeHonoursTheFallbackCount) {
  // \uc2: two fallback characters; the count is per group.
  EXPECT_EQ(RtfToText("{\\rtf1{\\uc2 a\\u233xyb}\\u233xc}"), "a\xE9" "b\xE9" "c");
  // Negative codes are above 32767; U+FFFD has no Windows-1252 code: the fallback shows.
  EXPECT_EQ(RtfToText("{\\rtf1\\u-3?}"), "?");
  EXPECT_EQ(RtfToText("{\\rtf1\\u960\\'70i}"), "pi");
  // No fallback announced: "?" for an unrepresentable character.
  EXPECT_EQ(RtfToText("{\\rtf1\\uc0\\u233 x\\u960 y}"), "\xE9x?y");
  // A fallback cut short by a group: what came of it, else "?".
  EXPECT_EQ(RtfToText("{\\rtf1{\\uc3\\u960 a}b{\\u960}c}"), "ab?c");
  // Control words count as one fallback character and are not carried out.
  EXPECT_EQ(RtfToText("{\\rtf1\\uc2\\u8364\\par\\'80x}"), "\x80x");
}

TEST(RtfText, BytesAreReadInTheDocumentsOrTheFontsCodePage) {
  // Cyrillic: no letters in Windows-1252, the guillemets are.
  EXPECT_EQ(RtfToText("{\\rtf1\\ansi\\ansicpg1251 \\'e0\\'ab\\'bb}"), "?\xAB\xBB");
  EXPECT_EQ(RtfToText("{\\rtf1\\mac \\'8e\\'a5}"), "\xE9\x95");  // Mac Roman e acute and bullet
  EXPECT_EQ(RtfToText("{\\rtf1\\pc \\'82\\'f8}"), "\xE9\xB0");   // DOS e acute and degree
  EXPECT_EQ(RtfToText("{\\rtf1\\ansicpg4711 a\\'e9}"), "a?");     // a code page we do not know
  // Unescaped bytes above 127 count as \'hh.
  EXPECT_EQ(RtfToText("{\\rtf1\\ansicpg1250 \xe8\xe9}"), "?\xE9");
  // A font's character set wins over the document's code page, \plain returns to the default font.
  EXPECT_EQ(RtfToText("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset238 Arial CE;}}"
                      "\\'e8{\\f1\\'e8\\'8a}\\f1\\'e8\\plain\\'e8}"),
            "\xE8?\x8A?\xE8");
  EXPECT_EQ(RtfToText("{\\rtf1{\\fonttbl{\\f5\\cpg1253 Greek;}}\\f5\\'e1\\'b0}"), "?\xB0");
}

TEST(RtfText, DoubleByteCharactersBecomeOneQuestionMark) {
  // Shift-JIS: a lead byte and the byte after it, which may be a backslash or a letter.
  EXPECT_EQ(RtfToText("{\\rtf1\\ansicpg932 \\'82\\'a0-\\'95\\\\-\\'83A-\\'b1}"), "?-?-?-?");
  // A lead byte without its second byte.
  EXPECT_EQ(RtfToText("{\\rtf1\\ansicpg936 {\\'d6}x\\'d6\\par}"), "?x?\r\n");
}

TEST(RtfText, LinesCellsAndBreaks) {
  // \page and \sect end only a line that has text; \par always ends one.
  EXPECT_EQ(RtfToText("{\\rtf1 a\\page b\\par\\page\\sect\\par c\\sect}"), "a\r\nb\r\n\r\nc\r\n");
  // The tab of a row's last \cell goes; a \tab before \row stays.
  EXPECT_EQ(RtfToText("{\\rtf1 a\\cell b\\cell\\row c\\tab\\row}"), "a\tb\r\nc\t\r\n");
}

TEST(RtfText, SkippedDestinations) {
  EXPECT_EQ(RtfToText("{\\rtf1{\\*\\unknownthing text}{\\info{\\title T}}{\\header H\\par}"
                      "{\\footerr F}{\\footnote N}{\\pict 0102}{\\stylesheet{Normal;}}{\\listtable{\\list L}}"
                      "{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}} body}"),
            "7 body");
}

TEST(RtfText, BinaryDataIsSkippedByItsCount) {
  const std::string data("\\}{\0\r\n\xff", 7);
  EXPECT_EQ(RtfToText("{\\rtf1 a\\bin7 " + data + "b}"), "ab");
  EXPECT_EQ(RtfToText("{\\rtf1 a\\bin0 b\\bin-5 c}"), "abc");
  EXPECT_EQ(RtfToText("{\\rtf1 a\\bin999 bc"), "a");  // runs past the end
}

TEST(RtfText, PlainTextIsTakenAsItIs) {
  EXPECT_EQ(RtfToText("plain\r\n\\par {x}"), "plain\r\n\\par {x}");
  EXPECT_EQ(RtfToText(""), "");
  EXPECT_EQ(RtfToText("{\\rt x}"), "{\\rt x}");
  EXPECT_EQ(RtfToText(" \r\n{\\rtf1 x\\par}"), "x\r\n");
}

TEST(RtfDamaged, UnbalancedAndTruncatedInput) {
  EXPECT_EQ(RtfToText("{\\rtf1 one\\par two{\\b three"), "one\r\ntwothree");
  EXPECT_EQ(RtfToText("{\\rtf1 one}} two\\par}"), "one");  // the document ends with its group
  EXPECT_EQ(RtfToText("{\\rtf1 a\\"), "a");
  EXPECT_EQ(RtfToText("{\\rtf1 a\\'"), "a");
  EXPECT_EQ(RtfToText("{\\rtf1 a\\'e"), "a");
  EXPECT_EQ(RtfToText("{\\rtf1 a\\'ez}"), "az");
  EXPECT_EQ(RtfToText("{\\rtf1 a\\'zz}"), "azz");
  EXPECT_EQ(RtfToText("{\\rtf1 a\\u"), "a");
  EXPECT_EQ(RtfToText("{\\rtf1\\uc99999999999999 \\u960 xyz}"), "xyz");
  EXPECT_EQ(RtfToText("{\\rtf1\\u99999999999999 x}"), "x");
}

TEST(RtfDamaged, DeepNestingAndLongWords) {
  std::string deep = "{\\rtf1 a";
  for (int i = 0; i < 200000; ++i) deep += '{';
  deep += "b";
  for (int i = 0; i < 200000; ++i) deep += '}';
  deep += "c}tail";
  EXPECT_EQ(RtfToText(deep), "abc");
  // Skipping stays in force below the deepest tracked group.
  std::string skipped = "{\\rtf1{\\*";
  for (int i = 0; i < 5000; ++i) skipped += '{';
  skipped += "hidden";
  for (int i = 0; i < 5000; ++i) skipped += '}';
  skipped += "}shown}";
  EXPECT_EQ(RtfToText(skipped), "shown");
  EXPECT_EQ(RtfToText("{\\rtf1 \\" + std::string(100000, 'x') + " y}"), "y");
}

TEST(RtfDamaged, RandomBytesNeverGrowTheText) {
  std::mt19937 random(20251207);
  const std::string alphabet = "{}\\'*0123456789abcdefuparlinecbt -\r\n\t\x80\xe9";
  for (int round = 0; round < 300; ++round) {
    std::string rtf = "{\\rtf1 ";
    const int length = static_cast<int>(random() % 3000);
    for (int i = 0; i < length; ++i)
      rtf += random() % 4 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
    const std::string text = RtfToText(rtf);
    // Every byte of text comes from at least one byte of input, a line end from two.
    EXPECT_LE(text.size(), rtf.size()) << round;
  }
}

TEST(RtfCodePages, TablesAgreeWithWindows1252) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    const int u = CodePageToUnicode(1252, static_cast<unsigned char>(b));
    if (u < 0) continue;  // 81, 8D, 8F, 90, 9D are undefined
    EXPECT_EQ(UnicodeToCp1252(u), b) << b;
  }
  EXPECT_EQ(CodePageToUnicode(1252, 0x80), 0x20AC);
  EXPECT_EQ(CodePageToUnicode(1252, 0x81), -1);
  EXPECT_EQ(CodePageToUnicode(1251, 0xC0), 0x0410);  // Cyrillic A
  EXPECT_EQ(CodePageToUnicode(28605, 0xA4), 0x20AC);  // Latin-9 euro
  EXPECT_EQ(CodePageToUnicode(1234, 0xC0), -1);
  EXPECT_EQ(CodePageToUnicode(1251, 'A'), 'A');
  EXPECT_EQ(UnicodeToCp1252(0x20AC), 0x80);
  EXPECT_EQ(UnicodeToCp1252(0x0410), -1);
  EXPECT_EQ(UnicodeToCp1252(0x100), -1);
  EXPECT_EQ(UnicodeToCp1252(-1), -1);
}

}  // namespace
}  // namespace zarvane
