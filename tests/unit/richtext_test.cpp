// RTF to a formatted document: character runs, paragraph formats, tables,
// pictures and characters, as word processors and the host write them.
#include <gtest/gtest.h>

#include "datafiles/richtext.h"

namespace zarvane {
namespace {

const RichParagraph& Para(const RichDocument& doc, size_t i) { return std::get<RichParagraph>(doc.blocks.at(i)); }

std::string Text(const RichParagraph& p) {
  std::string text;
  for (const RichSpan& s : p.spans) text += s.picture ? "[picture]" : s.text;
  return text;
}

TEST(RichText, RunsKeepTheirFontSizeEmphasisAndColour) {
  const RichDocument doc = RtfToRich(
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}{\\f1\\fswiss\\fprq2 Arial;}}"
      "{\\colortbl;\\red255\\green0\\blue0;}\\fs20 Blade {\\b\\f1\\fs28\\cf1 B1}\\i  done\\plain  x\\par}");
  ASSERT_EQ(doc.blocks.size(), 1u);
  const RichParagraph& p = Para(doc, 0);
  ASSERT_EQ(p.spans.size(), 4u);
  // Text before any \f is in the default font.
  EXPECT_EQ(p.spans[0].text, "Blade ");
  EXPECT_EQ(p.spans[0].format.family, "Courier New");
  EXPECT_TRUE(p.spans[0].format.fixedPitch);
  EXPECT_EQ(p.spans[0].format.points, 10);
  EXPECT_FALSE(p.spans[0].format.bold);
  EXPECT_EQ(p.spans[1].text, "B1");
  EXPECT_EQ(p.spans[1].format.family, "Arial");
  EXPECT_FALSE(p.spans[1].format.fixedPitch);
  EXPECT_TRUE(p.spans[1].format.bold);
  EXPECT_EQ(p.spans[1].format.points, 14);
  EXPECT_EQ(p.spans[1].format.color, (RichColor{255, 0, 0}));
  // The group's end restores the outer format; \plain resets it to the default font.
  EXPECT_EQ(p.spans[2].text, " done");
  EXPECT_TRUE(p.spans[2].format.italic);
  EXPECT_FALSE(p.spans[2].format.bold);
  EXPECT_EQ(p.spans[2].format.points, 10);
  EXPECT_EQ(p.spans[3].text, " x");
  EXPECT_EQ(p.spans[3].format.points, 0);
  EXPECT_FALSE(p.spans[3].format.italic);
  EXPECT_EQ(p.spans[3].format.family, "Courier New");
}

TEST(RichText, ParagraphsKeepAlignmentIndentsTabStopsAndPageBreaks) {
  const RichDocument doc = RtfToRich(
      "{\\rtf1\\pard\\qc\\li720\\ri360\\fi-360\\sb120\\sa60\\tqr\\tx5000\\tx6000 a\\tab b\\line c\\par"
      "\\pard second\\page third\\par\\par}");
  ASSERT_EQ(doc.blocks.size(), 4u);
  const RichParagraph& p = Para(doc, 0);
  EXPECT_EQ(p.align, RichAlign::Center);
  EXPECT_EQ(p.leftIndent, 720);
  EXPECT_EQ(p.rightIndent, 360);
  EXPECT_EQ(p.firstIndent, -360);
  EXPECT_EQ(p.spaceBefore, 120);
  EXPECT_EQ(p.spaceAfter, 60);
  EXPECT_EQ(p.tabs, (std::vector<RichTab>{{5000, RichTab::Kind::Right}, {6000, RichTab::Kind::Left}}));
  EXPECT_EQ(Text(p), "a\tb\nc");
  // \pard resets; \page ends a paragraph with text and starts the next on a new page.
  EXPECT_EQ(Para(doc, 1).align, RichAlign::Left);
  EXPECT_TRUE(Para(doc, 1).tabs.empty());
  EXPECT_EQ(Text(Para(doc, 1)), "second");
  EXPECT_FALSE(Para(doc, 1).pageBreakBefore);
  EXPECT_EQ(Text(Para(doc, 2)), "third");
  EXPECT_TRUE(Para(doc, 2).pageBreakBefore);
  EXPECT_EQ(Text(Para(doc, 3)), "");  // an empty paragraph is a blank line
}

TEST(RichText, TablesHaveRowsOfCellsWithTheirEdgesAndParagraphs) {
  const RichDocument doc = RtfToRich(
      "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}Head\\par"
      "\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrs\\clcbpat1\\cellx1000\\cellx2500"
      "\\pard\\intbl Label\\cell B\\par C\\cell\\row"
      "\\trowd\\cellx1000\\pard\\intbl {P2}\\cell {\\trowd\\cellx1000\\row}"
      "\\pard After\\par}");
  ASSERT_EQ(doc.blocks.size(), 3u);
  EXPECT_EQ(Text(Para(doc, 0)), "Head");
  const RichTable& t = std::get<RichTable>(doc.blocks[1]);
  ASSERT_EQ(t.rows.size(), 2u);
  const RichRow& r = t.rows[0];
  EXPECT_EQ(r.left, -108);
  EXPECT_EQ(r.gap, 108);
  EXPECT_TRUE(r.borders);
  ASSERT_EQ(r.cells.size(), 2u);
  EXPECT_EQ(r.cells[0].right, 1000);
  EXPECT_EQ(r.cells[1].right, 2500);
  EXPECT_EQ(r.cells[0].shading, (RichColor{0, 0, 255}));
  EXPECT_FALSE(r.cells[1].shading);
  ASSERT_EQ(r.cells[0].paragraphs.size(), 1u);
  EXPECT_EQ(Text(r.cells[0].paragraphs[0]), "Label");
  ASSERT_EQ(r.cells[1].paragraphs.size(), 2u);
  EXPECT_EQ(Text(r.cells[1].paragraphs[1]), "C");
  // A row whose definition is repeated just before \row (as newer writers do).
  ASSERT_EQ(t.rows[1].cells.size(), 1u);
  EXPECT_EQ(Text(t.rows[1].cells[0].paragraphs[0]), "P2");
  EXPECT_FALSE(t.rows[1].borders);
  EXPECT_EQ(Text(Para(doc, 2)), "After");
}

TEST(RichText, PicturesInPngJpegAndBitmapFormKeepTheirDataAndSize) {
  const RichDocument doc = RtfToRich(
      "{\\rtf1 a{\\pict\\pngblip\\picw10\\pich20\\picwgoal600\\pichgoal300\\picscalex50 89504e47\r\n0D0A}"
      "{\\*\\shppict{\\pict\\jpegblip\\picw4\\pich2 ffd8}}{\\nonshppict{\\pict\\wmetafile8 0102}}"
      "{\\pict\\wmetafile8\\picw4\\pich4 0102}"
      "{\\pict\\pngblip\\bin3 \x01}\x02z}b\\par}");
  ASSERT_EQ(doc.blocks.size(), 1u);
  const RichParagraph& p = Para(doc, 0);
  ASSERT_EQ(Text(p), "a[picture][picture][picture]b");
  const RichPicture& png = *p.spans[1].picture;
  EXPECT_EQ(png.kind, RichPicture::Kind::Png);
  EXPECT_EQ(png.data, std::string("\x89PNG\r\n", 6));
  EXPECT_EQ(png.widthTwips, 300);  // the goal, scaled to 50%
  EXPECT_EQ(png.heightTwips, 300);
  // A shape's picture is read, its metafile stand-in is not; without a goal a
  // picture's pixels are 15 twips each.
  const RichPicture& jpeg = *p.spans[2].picture;
  EXPECT_EQ(jpeg.kind, RichPicture::Kind::Jpeg);
  EXPECT_EQ(jpeg.widthTwips, 60);
  EXPECT_EQ(jpeg.heightTwips, 30);
  // \bin data is taken as it stands, braces included.
  EXPECT_EQ(p.spans[3].picture->data, std::string("\x01}\x02", 3));

  // A device-independent bitmap gets the file header that makes it a BMP file.
  std::string dib(40, '\0');
  dib[0] = 40;
  dib[14] = 24;  // 24 bits: no palette
  std::string hex;
  for (unsigned char ch : dib + "\x11\x22\x33") {
    const char* digits = "0123456789abcdef";
    hex += digits[ch >> 4];
    hex += digits[ch & 15];
  }
  const RichDocument bmp = RtfToRich("{\\rtf1{\\pict\\dibitmap0\\picw1\\pich1 " + hex + "}\\par}");
  const RichPicture& b = *Para(bmp, 0).spans.at(0).picture;
  EXPECT_EQ(b.kind, RichPicture::Kind::Bmp);
  ASSERT_EQ(b.data.size(), 14 + dib.size() + 3);
  EXPECT_EQ(b.data.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(b.data[2]), 14 + 43);  // file size
  EXPECT_EQ(static_cast<unsigned char>(b.data[10]), 14 + 40);  // where the pixels start
}

TEST(RichText, CharactersKeepTheirUnicodeCodes) {
  const RichDocument doc = RtfToRich(
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}}"
      "\\u8804? 5 {\\uc2\\u960 xy}caf\\'e9 \\'80 {\\f1\\'c1}\\~\\emdash{\\*\\generator W;}{\\v hidden}\\{x\\}\\par}");
  // U+2264 and U+03C0 have no Windows-1252 code but keep theirs here; the
  // fallback is always dropped; \'80 is the euro sign; \'c1 in code page 1251 is Cyrillic Be.
  EXPECT_EQ(Text(Para(doc, 0)), "\u2264 5 \u03c0caf\u00e9 \u20ac \u0411\u00a0\u2014{x}");
}

}  // namespace
}  // namespace zarvane
