// The bundled demo, as ./demo.sh runs it without a display: a fresh demo home
// made by scripts/demo-home.sh and the headless script demo/demo.script. Its
// transcript tells the story step by step and ends with the count.
#include <gtest/gtest.h>

#include "harness.h"

namespace zarvane::e2e {
namespace {

TEST(Demo, TheHeadlessDemoRunsAndItsTranscriptTellsEveryStep) {
  Station s;
  const fs::path demo = fs::path(ZARVANE_DEMO_HOME).parent_path();
  // The demo home gets the analysis and combine programs of the build under test.
  const std::string makeHome = "ZARVANE_BUILD_DIR='" + fs::path(BLADE_EXE).parent_path().string() + "' '" +
                               (demo.parent_path() / "scripts" / "demo-home.sh").string() + "' '" +
                               s.Home().string() + "' >/dev/null";
  ASSERT_EQ(std::system(makeHome.c_str()), 0);
  s.SetEnv("ZARVANE_REGISTRY", (s.Home() / "registry.ini").string());
  s.SetEnv("ZARVANE_SYSTEM_DIR", (s.Home() / "system").string());
  const std::string script = ReadFile(demo / "demo.script");

  // Every command but echo is a step, written as it stands with @HOME@ filled in.
  std::vector<std::string> steps;
  int checks = 0;
  std::stringstream in(script);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#' || line.rfind("echo ", 0) == 0) continue;
    for (size_t p; (p = line.find("@HOME@")) != std::string::npos;) line.replace(p, 6, s.Home().string());
    steps.push_back("STEP " + std::to_string(steps.size() + 1) + ": " + line);
    if (line.rfind("expect ", 0) == 0) ++checks;
  }

  const RunResult r = s.Run(script, {"--clock-start", "2026-01-05 09:00:00"});
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Lines("STEP "), steps) << r.transcript;
  // One result line for each host program the demo runs, and the analysis
  // collected with every file the analysis program writes.
  std::string report;
  for (const auto& e : fs::directory_iterator(s.Home() / "blades" / "Demo"))
    if (e.path().extension() == ".rpt") report = e.path().filename().string();
  EXPECT_EQ(report.substr(report.size() - 18), "_260105_090006.rpt");
  EXPECT_EQ(r.Lines("STATUSBAR:"),
            (std::vector<std::string>{"STATUSBAR: Ready", "STATUSBAR: Zone 2: Running FIX1.prg...",
                                      "STATUSBAR: Zone 2: FIX1.prg finished.", "STATUSBAR: Zone 1: Running Blade.prg...",
                                      "STATUSBAR: Zone 1: Blade.prg finished.",
                                      "STATUSBAR: Collecting the analysis of " + report + "...",
                                      "STATUSBAR: Analysis collected: " + report + " (.rpt .cmm .cmb .txt .rtf .csv .xyz .mcl)",
                                      "STATUSBAR: Running Align.prg...",
                                      "STATUSBAR: Align.prg finished."}));
  // The demo part was measured, its report handed to the analysis program.
  int reports = 0;
  for (const auto& e : fs::directory_iterator(s.Home() / "blades" / "Demo")) reports += e.path().extension() == ".rpt";
  EXPECT_EQ(reports, 1);
  EXPECT_NE(s.File("Blade/Blade.log").find((s.Home() / "blades" / "Demo" / report).string() + " = 1\r\n"),
            std::string::npos);
  const std::string done =
      "DONE: " + std::to_string(steps.size()) + " steps, " + std::to_string(checks) + " checks passed.\n";
  ASSERT_GE(r.transcript.size(), done.size());
  EXPECT_EQ(r.transcript.substr(r.transcript.size() - done.size()), done);
}

}  // namespace
}  // namespace zarvane::e2e
