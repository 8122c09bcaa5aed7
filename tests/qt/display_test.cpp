// The report window drawn offscreen: RTF shown formatted (runs, sizes, tables,
// pictures), text reports in a fixed-pitch report font.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QFontInfo>
#include <QImage>
#include <QMainWindow>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextTable>
#include <filesystem>
#include <fstream>

#include "cycle/display.h"
#include "platform/doubles.h"
#include "qtui/formhost.h"
#include "station_fixture.h"

namespace zarvane {
namespace {

class ReportWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApp(); }
  ReportWindow() : forms(&tp.clock), host(forms), core(tp.platform, op, forms), display(core) {
    char tmpl[] = "/tmp/zarvane-qt-XXXXXX";
    home = mkdtemp(tmpl);
    core.gHome = home.string();
    core.gIniFile = (home / "zarv.ini").string();
    std::ofstream(home / "zarv.ini", std::ios::binary) << "TextShowFont = No Such Font\r\nTextShowSize = 12\r\n";
  }
  ~ReportWindow() override {
    display.form.Unload();
    std::error_code ec;
    fs::remove_all(home, ec);
  }
  QTextEdit* Show(const std::string& text, bool rich) {
    display.form.Load();
    display.form.Box().SetRichText(rich);
    display.form.Box().SetText(text);
    display.form.Show(false);
    host.SyncAll();
    auto* view = static_cast<QMainWindow*>(host.ViewOf(display.form));
    return view ? view->findChild<QTextEdit*>("RichTextBox1") : nullptr;
  }

  TestPlatform tp;
  SilentOperator op;
  Forms forms;
  QtFormHost host;
  Core core;
  ReportDisplay display;
  fs::path home;
};

TEST_F(ReportWindow, RtfShowsFormattedWithTablesAndPictures) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  QImage(4, 3, QImage::Format_RGB32).save(&buffer, "PNG");
  const std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0 Blade {\\b\\fs28 Measured}\\par"
                          "\\trowd\\cellx1500\\cellx3000\\pard\\intbl Chord\\cell 1.25\\cell\\row"
                          "\\pard{\\pict\\pngblip\\picwgoal600\\pichgoal450 " +
                          png.toHex().toStdString() + "}\\par}";
  QTextEdit* edit = Show(rtf, true);
  ASSERT_NE(edit, nullptr);
  QTextDocument* doc = edit->document();
  bool boldSeen = false, pictureSeen = false;
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (f.text() == QStringLiteral("Measured")) {
        boldSeen = true;
        EXPECT_EQ(f.charFormat().fontWeight(), QFont::Bold);
        EXPECT_EQ(f.charFormat().fontPointSize(), 14);
      }
      if (f.text() == QStringLiteral("Blade ")) {
        EXPECT_NE(f.charFormat().fontWeight(), QFont::Bold);
      }
      if (f.charFormat().isImageFormat()) {
        pictureSeen = true;
        const QTextImageFormat image = f.charFormat().toImageFormat();
        EXPECT_EQ(image.width(), 40);  // 600 twips, at 15 twips a document pixel
        EXPECT_EQ(image.height(), 30);
        const QImage shown = doc->resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
        EXPECT_EQ(shown.size(), QSize(4, 3));
      }
    }
  EXPECT_TRUE(boldSeen);
  EXPECT_TRUE(pictureSeen);
  QTextTable* table = nullptr;
  for (QTextFrame* frame : doc->rootFrame()->childFrames())
    if ((table = qobject_cast<QTextTable*>(frame))) break;
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rows(), 1);
  EXPECT_EQ(table->columns(), 2);
  EXPECT_EQ(table->cellAt(0, 1).firstCursorPosition().block().text(), QStringLiteral("1.25"));
  // The box fills the window.
  EXPECT_GT(edit->width(), edit->parentWidget()->width() * 8 / 10);
}

TEST_F(ReportWindow, ALongReportOpensAtItsTop) {
  std::string rtf = "{\\rtf1\\ansi ";
  for (int k = 1; k <= 200; ++k) rtf += "Line " + std::to_string(k) + "\\par ";
  QTextEdit* edit = Show(rtf + "}", true);
  ASSERT_NE(edit, nullptr);
  QApplication::processEvents();
  EXPECT_GT(edit->verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(edit->verticalScrollBar()->value(), 0);
  EXPECT_EQ(edit->textCursor().position(), 0);
}

TEST_F(ReportWindow, TextReportsShowInAFixedPitchReportFont) {
  QTextEdit* edit = Show("S1P001\t-0.99804\r\nline 2\r\n", false);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("S1P001\t-0.99804\nline 2"));
  // The settings name a font the machine lacks: a fixed-pitch one stands in, at the size set.
  const QFontInfo info(edit->document()->defaultFont());
  EXPECT_TRUE(info.fixedPitch()) << info.family().toStdString();
  EXPECT_EQ(info.pointSize(), 12);
}

}  // namespace
}  // namespace zarvane
