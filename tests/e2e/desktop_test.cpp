// Reassociate Data Files on a scratch desktop: the shared-mime-info tools and
// xdg-mime really run, with the user's data and configuration directories in
// the test's scratch root.
#include <gtest/gtest.h>

#include <cstdio>

#include "harness.h"

namespace zarvane::e2e {
namespace {

bool OnPath(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The standard output of a shell command line.
std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

TEST(Reassociate, ReportFilesResolveToTheirTypesOpenInTheEditorAndPrintThroughTheStation) {
  for (const char* tool : {"update-mime-database", "xdg-mime", "gio"})
    if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
  Station s;
  s.Put("zarv.ini", GoldenIni("zarv_test_nombr.ini", s.Home()));
  // The harness keeps the desktop's directories in the scratch root.
  const fs::path data = s.Root() / "data", config = s.Root() / "config";
  // The desktop's text editor: the default application for plain text.
  WriteFile(data / "applications" / "scratch-editor.desktop",
            "[Desktop Entry]\nType=Application\nName=Scratch Editor\nExec=true %f\nMimeType=text/plain;\n");
  WriteFile(config / "mimeapps.list", "[Default Applications]\ntext/plain=scratch-editor.desktop\n");
  const RunResult r = s.Run("press mnuAssoc\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(s.File("debug.txt").find("mnuAssoc_Click: Creating Registry Entries for CMM and CMB files"),
            std::string::npos);

  // Registered for this user (a system-wide package would resolve the type too).
  EXPECT_TRUE(fs::exists(data / "mime" / "packages" / "zarvane.xml"));
  EXPECT_TRUE(fs::exists(data / "mime" / "mime.cache"));
  const std::string env = "XDG_DATA_HOME='" + data.string() + "' XDG_CONFIG_HOME='" + config.string() + "' ";
  const fs::path report = s.Root() / "P1_0001.CMM";
  WriteFile(report, "SECTION A\r\n1.0 2.0 3.0\r\n");
  EXPECT_NE(Output(env + "gio info -a standard::content-type '" + report.string() + "'")
                .find("standard::content-type: text/x-zarvane-cmm-file"),
            std::string::npos);
  EXPECT_EQ(Output(env + "xdg-mime query default text/x-zarvane-results-file"), "scratch-editor.desktop\n");
  const std::string print = ReadFile(data / "applications" / "zarvane-print.desktop");
  EXPECT_NE(print.find("Exec=" + std::string(ZARVANE_EXE) + " --print %f\n"), std::string::npos) << print;
  EXPECT_NE(print.find("MimeType=text/x-zarvane-cmb-report;text/x-zarvane-cmm-file;text/x-zarvane-results-file;\n"),
            std::string::npos)
      << print;

  // The print command prints the report the way the station prints documents.
  const fs::path printed = s.Root() / "printed";
  EXPECT_EQ(std::system((env + "'" + std::string(ZARVANE_EXE) + "' --print-dir '" + printed.string() + "' --print '" +
                         report.string() + "' >/dev/null 2>&1")
                            .c_str()),
            0);
  int pdfs = 0;
  if (fs::exists(printed))
    for (const auto& entry : fs::directory_iterator(printed)) pdfs += entry.path().extension() == ".pdf";
  EXPECT_EQ(pdfs, 1);
}

}  // namespace
}  // namespace zarvane::e2e
