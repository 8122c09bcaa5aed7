// Printing reports on a PDF printer: pages inside the margins measured from
// the paper's edges (the printer's printable area starts further in), no line
// lost or printed twice between pages, and RTF printed formatted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "pdf_check.h"
#include "platform/doubles.h"

namespace zarvane::testing {
namespace {

namespace fs = std::filesystem;

class Printing : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!EnsureGuiApp()) GTEST_SKIP() << "a plain QCoreApplication exists already";
    char tmpl[] = "/tmp/zarvane-print-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
  PdfText Print(const std::string& text, bool rich) {
    PdfPrinter printer(dir.string());
    PrintJob job{"report", text, rich, "Courier New", 10, 360, 360, 360, 360};
    EXPECT_TRUE(printer.Print(job));
    return printer.Count() == 0 ? PdfText{} : ReadPdf(printer.LastFile());
  }

  fs::path dir;
  static constexpr double kMargin = 18;  // 360 twips in points
};

TEST_F(Printing, LongTextReportFillsPagesInsideQuarterInchMargins) {
  std::string text;
  for (int i = 1; i <= 200; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "L%03d\t%d.50000 -0.25000\r\n", i, i);
    text += line;
  }
  const PdfText pdf = Print(text, false);
  ASSERT_GE(pdf.pages, 2);
  // Every line once, in order, page after page.
  std::vector<std::string> labels;
  for (int page = 1; page <= pdf.pages; ++page)
    for (const std::string& w : pdf.Words(page))
      if (w.size() == 4 && w[0] == 'L') labels.push_back(w);
  ASSERT_EQ(labels.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(labels[i], "L" + std::string(i < 9 ? "00" : i < 99 ? "0" : "") + std::to_string(i + 1));

  for (int page = 1; page <= pdf.pages; ++page) {
    double left = 1e9, top = 1e9, bottom = 0, right = 0;
    for (const PdfWord& w : pdf.words) {
      if (w.page != page) continue;
      left = std::min(left, w.x0);
      top = std::min(top, w.y0);
      bottom = std::max(bottom, w.y1);
      right = std::max(right, w.x1);
    }
    // The text starts a quarter inch from the paper's edges, not from the printable area's.
    EXPECT_NEAR(left, kMargin, 1.0) << "page " << page;
    EXPECT_GE(top, kMargin - 0.5) << "page " << page;
    EXPECT_LT(top, kMargin + 6) << "page " << page;
    EXPECT_LE(bottom, pdf.height - kMargin + 0.5) << "page " << page;
    EXPECT_LE(right, pdf.width - kMargin);
    // A full page ends within two lines of the bottom margin.
    if (page < pdf.pages) {
      EXPECT_GT(bottom, pdf.height - kMargin - 2 * 13) << "page " << page;
    }
  }
}

TEST_F(Printing, RtfPrintsFormattedWithItsTablesAndPageBreaks) {
  const std::string rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Helvetica;}}\\f0\\fs24 {\\b Measured} blade\\par"
      "\\trowd\\trgaph108\\clbrdrt\\brdrs\\cellx1440\\cellx4320\\pard\\intbl Chord\\cell 1.25000\\cell\\row"
      "\\pard\\qr right\\par\\page Second page\\par}";
  const PdfText pdf = Print(rtf, true);
  ASSERT_EQ(pdf.pages, 2);
  for (const char* word : {"Measured", "blade", "Chord", "1.25000", "right"}) EXPECT_TRUE(pdf.Has(word)) << word;
  EXPECT_EQ(pdf.Words(2), (std::vector<std::string>{"Second", "page"}));
  for (const PdfWord& w : pdf.words) {
    // The second column starts at its cell's left edge (1440 twips = 72 points in).
    if (w.text == "1.25000") {
      EXPECT_GT(w.x0, kMargin + 72);
    }
    // Right-aligned text ends at the right margin.
    if (w.text == "right") {
      EXPECT_NEAR(w.x1, pdf.width - kMargin, 2.0);
    }
  }
  // The bold run is set in a bold font.
  std::string fonts;
  if (FILE* pipe = popen(("pdffonts '" + (dir / "print-1-report.pdf").string() + "' 2>/dev/null").c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) fonts.append(buf, n);
    pclose(pipe);
  }
  EXPECT_NE(fonts.find("Bold"), std::string::npos) << fonts;
}

}  // namespace
}  // namespace zarvane::testing
