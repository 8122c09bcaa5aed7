// RTF to a formatted document: character runs, paragraph formats, tables,
// pictures and characters, as word processors and the host write them.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/outputs.h"
#include "analysis/plot.h"
#include "datafiles/richtext.h"
#include "datafiles/rtf.h"

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

TEST(RichText, PicturesThatCannotBeShownAreLeftOutAndTheTextGoesOn) {
  const auto pictures = [](const RichDocument& doc) {
    int n = 0;
    for (const RichBlock& b : doc.blocks)
      if (const auto* p = std::get_if<RichParagraph>(&b))
        for (const RichSpan& s : p->spans) n += s.picture.has_value();
    return n;
  };
  // Larger than any page, however the size is given.
  EXPECT_EQ(pictures(RtfToRich("{\\rtf1 a{\\pict\\pngblip\\picwgoal99999999\\pichgoal300 8950}b\\par}")), 0);
  const RichDocument scaled =
      RtfToRich("{\\rtf1 a{\\pict\\pngblip\\picw2000000000\\pich1\\picscalex2000000000 8950}b\\par}");
  EXPECT_EQ(pictures(scaled), 0);
  EXPECT_EQ(Text(Para(scaled, 0)), "ab");
  // More data than a report's picture ever holds.
  const std::string huge(16 * 1024 * 1024 + 1, '\x89');
  EXPECT_EQ(pictures(RtfToRich("{\\rtf1 a{\\pict\\pngblip\\bin" + std::to_string(huge.size()) + " " + huge + "}b\\par}")),
            0);
  // A document that ends inside its picture.
  const RichDocument cut = RtfToRich("{\\rtf1 a\\par{\\pict\\pngblip\\picwgoal600 89504e");
  EXPECT_EQ(pictures(cut), 0);
  EXPECT_EQ(Text(Para(cut, 0)), "a");
}

// The analysis program's report: each section's picture under its table, as
// the station reads it for the report window and as plain text.
TEST(RichText, AnalysisReportsHaveAPictureUnderEachSectionsTable) {
  blade::NominalSection circle{"A-A", 0, 0, 0, {}};
  std::vector<blade::Point6> measured;
  for (int k = 0; k < 36; ++k) {
    const double a = 2 * M_PI * k / 36, r = 10 + 0.01 * (k % 3);
    circle.points.push_back({10 * std::cos(a), 10 * std::sin(a), 0, 0, 0, 0});
    measured.push_back({r * std::cos(a), r * std::sin(a), 0, 0, 0, 0});
  }
  const blade::SectionResult drawn = blade::AnalyseSection({"A-A", measured}, &circle, {}, 0, {});
  const blade::SectionResult unmatched = blade::AnalyseSection({"B-B", measured}, nullptr, {}, 0, {});
  const std::string rtf = blade::RtfText({}, {drawn, unmatched});
  const blade::SectionPlot plot = blade::PlotSection(drawn);

  const RichDocument doc = RtfToRich(rtf);
  std::vector<std::string> after;  // the paragraph after each picture
  for (size_t i = 0; i < doc.blocks.size(); ++i) {
    const auto* p = std::get_if<RichParagraph>(&doc.blocks[i]);
    if (!p || p->spans.empty() || !p->spans[0].picture) continue;
    const RichPicture& picture = *p->spans[0].picture;
    EXPECT_EQ(picture.kind, RichPicture::Kind::Png);
    EXPECT_TRUE(picture.data == plot.png);
    EXPECT_EQ(picture.widthTwips, 6480);  // 4.5 inches
    EXPECT_EQ(picture.heightTwips, 6480 * 360 / 480);
    ASSERT_TRUE(i >= 2 && std::holds_alternative<RichTable>(doc.blocks[i - 2]));
    ASSERT_LT(i + 1, doc.blocks.size());
    after.push_back(Text(Para(doc, i + 1)));
  }
  EXPECT_EQ(after, std::vector<std::string>{"Deviations magnified " + std::to_string(plot.magnification) + " x"});

  // As plain text the picture leaves no trace: no run of hex digits.
  const std::string text = RtfToText(rtf);
  EXPECT_NE(text.find("Deviations magnified"), std::string::npos);
  size_t run = 0, longest = 0;
  for (char c : text) longest = std::max(longest, run = std::isxdigit(static_cast<unsigned char>(c)) ? run + 1 : 0);
  EXPECT_LT(longest, 16u) << text;
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
