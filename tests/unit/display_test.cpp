// Report display and printing, run headless as the station runs it: the
// report window is driven by the scripted operator (the script runner is the
// window host, so a modal report window runs the next script commands), and
// printing writes PDF files that are read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "cycle/display.h"
#include "foundation/script.h"
#include "foundation_fixture.h"
#include "pdf_check.h"
#include "platform/doubles.h"

namespace zarvane::testing {
namespace {

int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

class Display : public ::testing::Test {
 protected:
  Display() : op(out), forms(&tp.clock), core(tp.platform, op, forms), display(core) {
    char tmpl[] = "/tmp/zarvane-display-XXXXXX";
    home = mkdtemp(tmpl);
    core.gHome = home.string();
    core.gIniFile = (home / "zarv.ini").string();
    core.gDebugLevel = 9;
    pdf = std::make_unique<PdfPrinter>((home / "printed").string(), &op);
    tp.platform.printer = pdf.get();
  }
  ~Display() override {
    forms.SetHost(nullptr);
    std::error_code ec;
    fs::remove_all(home, ec);
  }
  void SetUp() override {
    if (!EnsureGuiApp()) GTEST_SKIP() << "a plain QCoreApplication exists already";
  }
  void TearDown() override {
    if (runner) {
      EXPECT_TRUE(runner->AtEnd()) << "the operator's script was not used up";
    }
  }

  // Settings lines (CR LF) for zarv.ini.
  void Settings(const std::string& lines) { Spit(home / "zarv.ini", lines); }
  std::string Report(const std::string& name, const std::string& text) {
    Spit(home / name, text);
    return (home / name).string();
  }
  // What the operator does while report windows are open.
  void Operator(const std::string& script) {
    runner = std::make_unique<ScriptRunner>(forms, op, tp.clock, ParseScript(script), home.string());
    forms.SetHost(runner.get());
  }
  void PrintShow(const std::string& type, const std::string& file, const std::string& mode, int zone) {
    display.PrintShow(type, file, mode, zone);
  }
  std::string Transcript() const { return out.str(); }
  bool Has(const std::string& text) const { return out.str().find(text) != std::string::npos; }
  size_t At(const std::string& text) const { return out.str().find(text); }

  TestPlatform tp;
  std::ostringstream out;
  ScriptedOperator op;
  Forms forms;
  Core core;
  ReportDisplay display;
  std::unique_ptr<PdfPrinter> pdf;
  std::unique_ptr<ScriptRunner> runner;
  fs::path home;
};

TEST_F(Display, EachModeShowsPrintsBothOrNothing) {
  Settings("CMM_Mode = SHOW\r\nTXT_Mode = PRINT\r\nCMB_Mode = both\r\nRTF_Mode = NONE\r\n");
  const std::string cmm = Report("b1.cmm", "CMM report");
  const std::string txt = Report("b1.txt", "Text report\r\n");
  const std::string cmb = Report("b1.cmb", "Combined report");
  const std::string rtf = Report("b1.rtf", "{\\rtf1 Rich {\\b report}\\par}");
  Operator(
      "expect RichTextBox1 text CMM report\n"
      "press cmdClose\n"
      // both: shown first, printed once the operator has closed the window
      "expect RichTextBox1 text Combined report\n"
      "press cmdClose\n");
  PrintShow("CMM", cmm, "PRINT", 1);
  EXPECT_EQ(display.form.Caption(), cmm);
  EXPECT_TRUE(pdf->Count() == 0);
  PrintShow("TXT", txt, "", 1);
  ASSERT_EQ(pdf->Count(), 1);
  EXPECT_TRUE(ReadPdf(pdf->LastFile()).Has("Text"));
  EXPECT_EQ(op.Pending(), 0u);
  PrintShow("CMB", cmb, "", 1);
  ASSERT_EQ(pdf->Count(), 2);
  EXPECT_TRUE(ReadPdf(pdf->LastFile()).Has("Combined"));
  EXPECT_LT(At("WINDOW: frmShow closed"), At("PRINT: b1.cmb"));
  // NONE: the fallback applies only to an empty setting.
  PrintShow("RTF", rtf, "PRINT", 1);
  EXPECT_EQ(pdf->Count(), 2);
  EXPECT_EQ(CountOf(Transcript(), "WINDOW: frmShow shown"), 2);

  const std::string log = Slurp(home / "debug.txt");
  for (const std::string& line : std::vector<std::string>{
           "UNSP: PrintShow: Start: File is: " + cmm + " type is: CMM Zone is: 1", "UNSP: ShowFile: Start",
        "UNSP: ShowFile: File is: " + cmm + " and FType is: CMM", "UNSP: ShowFile: Loading text.",
        "UNSP: ShowFile: Loaded text.", "UNSP: ShowFile: Showing " + cmm, "UNSP: Showed " + cmm + ".",
        "UNSP: ShowFile: Printing " + txt, "UNSP: PrintRTF: Printing space", "UNSP: frmShow: cmdClose was clicked."})
    EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(Display, AnEmptySettingTakesTheFallback) {
  Settings("TXT_Mode =\r\nResults_Mode = \r\n");
  const std::string txt = Report("b1.txt", "Text report\r\n");
  Operator("press cmdClose\n");
  PrintShow("TXT", txt, "SHOW", 1);
  EXPECT_TRUE(Has("WINDOW: frmShow shown"));
  PrintShow("Results", txt, "", 0);  // no setting, no fallback: nothing
  EXPECT_EQ(CountOf(Transcript(), "WINDOW: frmShow shown"), 1);
  EXPECT_TRUE(pdf->Count() == 0);
}

TEST_F(Display, PrintOffStopsPrintingButNotTheResults) {
  Settings("CMM_Mode = PRINT\r\nResults_Mode = PRINT\r\n");
  const std::string cmm = Report("b1.cmm", "CMM report\r\n");
  const std::string results = Report("probe.results", "Results\r\n");
  display.printOff = [](int zone) { return zone == 2; };
  PrintShow("CMM", cmm, "", 2);
  EXPECT_TRUE(pdf->Count() == 0);
  PrintShow("Results", results, "SHOW", 2);
  ASSERT_EQ(pdf->Count(), 1);
  EXPECT_TRUE(ReadPdf(pdf->LastFile()).Has("Results"));
  PrintShow("CMM", cmm, "", 1);
  EXPECT_EQ(pdf->Count(), 2);
}

TEST_F(Display, RefusedReportsAndFailedPrintingAreTold) {
  Settings("CMM_Mode = PRINT\r\n");
  const std::string cmm = Report("b1.cmm", "CMM report\r\n");
  PrintShow("CMM", cmm, "", 5);
  EXPECT_TRUE(Has("MESSAGE: An error occurred with the zone specification, the report will not be printed. Report: " +
                  cmm));
  PrintShow("CMM", (home / "missing.cmm").string(), "", 1);
  EXPECT_TRUE(Has("MESSAGE: Error: CMM file was not generated.  Please contact System Administrator."));
  FakePrinter printer;
  tp.platform.printer = &printer;
  printer.installed = false;
  PrintShow("CMM", cmm, "", 1);
  EXPECT_TRUE(Has("MESSAGE: A printer has not been installed on this system, print cancelled."));
  printer.installed = true;
  printer.result = false;
  PrintShow("CMM", cmm, "", 1);
  EXPECT_TRUE(Has("MESSAGE: An error occurred while trying to print.  Please contact System Administrator."));
  EXPECT_EQ(CountOf(Transcript(), "MESSAGE:"), 4);
}

TEST_F(Display, TheReportFontComesFromTheSettingsWithinItsLimits) {
  FakePrinter printer;
  tp.platform.printer = &printer;
  const std::string txt = Report("b1.txt", "Text report\r\n");
  Settings("TXT_Mode = PRINT\r\nTextShowFont = DejaVu Sans Mono\r\nTextShowSize = 17\r\n");
  PrintShow("TXT", txt, "", 1);
  EXPECT_EQ(display.form.Box().FontName(), "DejaVu Sans Mono");
  EXPECT_EQ(display.form.Box().FontSize(), 17);
  display.cmdClose_Click();
  Settings("TXT_Mode = PRINT\r\nTextShowSize = 18\r\n");
  PrintShow("TXT", txt, "", 1);
  EXPECT_EQ(display.form.Box().FontSize(), 10);
  ASSERT_EQ(printer.jobs.size(), 2u);
  EXPECT_EQ(printer.jobs[0].fontSize, 17);
  EXPECT_EQ(printer.jobs[1].fontSize, 10);
  EXPECT_EQ(printer.jobs[1].fontName, "Courier New");
  EXPECT_FALSE(printer.jobs[1].rich);
  EXPECT_EQ(printer.jobs[1].left, 360);
  EXPECT_EQ(printer.jobs[1].bottom, 360);
}

TEST_F(Display, OtherTypesOpenNativelyAndOldStylePrintsThroughTheShell) {
  Settings("RTF_Mode = BOTH\r\nPrintOldStyle = ON\r\n");
  const std::string other = Report("b1.pdf", "%PDF-1.4\r\n");
  PrintShow("RTF", other, "", 1);
  ASSERT_EQ(tp.shell.calls.size(), 2u);  // neither shown nor printed by the station
  EXPECT_EQ(tp.shell.calls[0].operation, "Open");
  EXPECT_EQ(tp.shell.calls[0].file, other);
  const std::string rtf = Report("b1.rtf", "{\\rtf1 Rich\\par}");
  Operator("press cmdPrint\npress cmdClose\n");
  PrintShow("RTF", rtf, "", 1);
  // Print from the window and after it: both through the file's print verb.
  ASSERT_EQ(tp.shell.calls.size(), 4u);
  EXPECT_EQ(tp.shell.calls[2].operation, "Print");
  EXPECT_EQ(tp.shell.calls[3].file, rtf);
  EXPECT_TRUE(pdf->Count() == 0);
  EXPECT_NE(Slurp(home / "debug.txt").find("UNSP: PrintText: Printed " + rtf + "."), std::string::npos);
}

}  // namespace
}  // namespace zarvane::testing
