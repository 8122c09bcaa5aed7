// The Reprint command of the real station, headless: the file dialog starts
// in the network blades directory, the chosen report prints to a PDF file
// (formatted RTF, with its words on the page), a cancelled dialog prints
// nothing, and with PrintOldStyle the file's own print verb is used.
#include <gtest/gtest.h>

#include <cstdio>

#include "harness.h"

namespace zarvane::e2e {
namespace {

std::string PdfText(const fs::path& pdf) {
  std::string out;
  if (FILE* pipe = popen(("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null").c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    pclose(pipe);
  }
  return out;
}

class Reprint : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
    s.Put("blades/TB100/b1.rtf",
          "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}}\\f0\\fs20 {\\b Blade report} TB100\\par"
          "\\trowd\\cellx2000\\cellx4000\\pard\\intbl Chord\\cell 1.25000\\cell\\row\\pard End\\par}");
  }
  RunResult Run(const std::string& script) {
    s.Put("zarv.ini", ini);
    return s.Run(script);
  }

  Station s;
  std::string ini;
  const std::string kFilter =
      "Text Reports (*.cmm;*.cmb;*.txt;*.rtf)|*.cmm;*.cmb;*.txt;*.rtf|All Files (*.*)|*.*";
};

TEST_F(Reprint, PrintsTheChosenReportAndNothingWhenCancelled) {
  const std::string report = (s.Home() / "blades/TB100/b1.rtf").string();
  const RunResult r = Run(
      "expect mnuReprint enabled 1\n"
      "answer cancel\n"
      "press mnuReprint\n"
      "answer text @HOME@/blades/TB100/b1.rtf\n"
      "press mnuReprint\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("OPENFILE: Select Text File to Print | " + kFilter + " | " + (s.Home() / "blades").string()), 2);
  const fs::path pdf = s.Home() / "printed" / "print-1-b1_rtf.pdf";
  EXPECT_EQ(r.Lines("PRINT:"), std::vector<std::string>{"PRINT: b1.rtf -> " + pdf.string()});
  EXPECT_FALSE(r.Has("WINDOW: frmShow shown"));  // printed, not shown
  const std::string text = PdfText(pdf);
  for (const char* word : {"Blade report TB100", "Chord", "1.25000", "End"})
    EXPECT_NE(text.find(word), std::string::npos) << word << "\n" << text;
  EXPECT_EQ(text.find("rtf1"), std::string::npos);
  EXPECT_NE(s.File("debug.txt").find("ShowFile: Printing " + report), std::string::npos);
}

TEST_F(Reprint, StartsInTheNetworkBladesDirectoryAndPrintsOldStyleThroughTheShell) {
  s.SetRegistry("directories", "networkblades", (s.Root() / "net/blades").string());
  ini = WithLine(ini, "PrintOldStyle =", "PrintOldStyle = ON");
  const RunResult r = Run(
      "answer text @HOME@/blades/TB100/b1.rtf\n"
      "press mnuReprint\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("OPENFILE: Select Text File to Print | " + kFilter + " | " + (s.Root() / "net/blades").string()));
  EXPECT_TRUE(r.Has("OPEN: Print " + (s.Home() / "blades/TB100/b1.rtf").string()));
  EXPECT_TRUE(r.Lines("PRINT:").empty());
}

}  // namespace
}  // namespace zarvane::e2e
