// The data directories, the analysis program and the network fallback, on the
// real station driven headless.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#include "harness.h"

namespace zarvane::e2e {
namespace {

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string l; std::getline(in, l);)
    if (!l.empty()) lines.push_back(l);
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Today as the station saw it ("yymmdd"), from the date line of its log.
std::string LoggedToday(const std::string& log) {
  std::smatch m;
  if (!std::regex_search(log, m, std::regex(R"(Date: (\d\d)/(\d\d)/(\d\d) )"))) return "";
  return m[3].str() + m[1].str() + m[2].str();
}

// The station would find this one on its own instead of asking for one.
bool MachineHasAnalysisProgram() {
  for (const char* place : {"/Tallyx/Blade.exe", "/Program Files/Blade/Blade.exe", "/Blade/Blade.exe"})
    if (fs::exists(place)) return true;
  return false;
}

template <typename Done>
void WaitFor(Done done) {
  for (int i = 0; i < 200 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// A station whose data directories are on a network share (a directory listed
// in ZARVANE_NETWORK_ROOTS), with the real mirror installed in its home behind
// a wrapper that records the two arguments of every start.
class NetworkShop : public ::testing::Test {
 protected:
  void SetUp() override {
    net = s.Root() / "net";
    share = net / "shop";
    s.SetEnv("ZARVANE_NETWORK_ROOTS", net.string());
    WriteFile(share / "blades" / "P1" / "P1.nom", "nominal\r\n");
    WriteFile(share / "blades" / "P1" / "P1.op", "operations\r\n");
    WriteFile(share / "fixtures" / "FIX1.prg", "fixture\r\n");
    WriteFile(share / "quorvx programs" / "Align.prg", "align\r\n");
    WriteFile(share / "blade_lookup_table.txt", "network lookup\r\n");
    for (const char* kind : {"blades", "fixtures"}) s.SetRegistry("directories", kind, Net(kind));
    s.SetRegistry("directories", "programs", Net("quorvx programs"));
    starts = s.Root() / "mirror-starts.txt";
    WriteFile(s.Home() / "mirror", "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >> '" + starts.string() +
                                       "'\nexec '" MIRROR_EXE "' \"$@\"\n");
    fs::permissions(s.Home() / "mirror", fs::perms::owner_all);
    ini = GoldenIni("zarv_test_nombr.ini", s.Home());
  }
  std::string Net(const std::string& kind) const { return (share / kind).string(); }
  std::string Local(const std::string& kind) const { return (s.Home() / kind).string(); }
  // The mirror starts recorded so far, once `expected` have arrived (or after 10 s).
  std::vector<std::string> Starts(size_t expected) {
    WaitFor([&] { return SortedLines(ReadFile(starts)).size() >= expected; });
    return SortedLines(ReadFile(starts));
  }
  RunResult Start(const std::string& script = "") {
    s.Put("zarv.ini", ini);
    return s.Run(script);
  }
  std::string Log() const { return s.File("debug.txt"); }

  Station s;
  fs::path net, share, starts;
  std::string ini;
};

TEST_F(NetworkShop, NetworkInUseIsMirroredOnceADayAndCheckNetworkMirrorsAgain) {
  RunResult r = Start();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_FALSE(r.Has("MESSAGE: Network")) << r.transcript;
  // The three kinds once a day, and the part zone 1 shows at start (its own
  // copy, refreshed whenever the part is chosen).
  const std::vector<std::string> firstDay = {Net("blades") + "/P1" + "|" + Local("blades") + "/P1",
                                             Net("blades") + "|" + Local("blades"),
                                             Net("fixtures") + "|" + Local("fixtures"),
                                             Net("quorvx programs") + "|" + Local("quorvx programs")};
  EXPECT_EQ(Starts(4), firstDay);
  // The real mirror copied each kind, the directory with a blank in its name included.
  WaitFor([&] { return s.Exists("quorvx programs/Align.prg") && s.Exists("blades/P1/P1.nom"); });
  EXPECT_EQ(s.File("blades/P1/P1.nom"), "nominal\r\n");
  EXPECT_EQ(s.File("quorvx programs/Align.prg"), "align\r\n");
  EXPECT_TRUE(s.Exists("fixtures/FIX1.prg"));
  std::string log = Log();
  EXPECT_NE(log.find("Starting mirror: \"" + (s.Home() / "mirror.exe").string() + "\" \"" + Net("blades") + "\" \"" +
                     Local("blades") + "\""),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("IsNetThere: " + Net("blades") + " network path validated."), std::string::npos);
  EXPECT_NE(log.find("CheckDirectories: Global Programs : " + Net("quorvx programs")), std::string::npos);
  const std::string today = LoggedToday(log);
  ASSERT_EQ(today.size(), 6u);
  for (const char* key : {"blastupdate", "flastupdate", "plastupdate"})
    EXPECT_EQ(s.Registry("directories", key), today) << key;
  EXPECT_EQ(s.Registry("directories", "blades"), Net("blades"));
  EXPECT_EQ(s.Registry("directories", "networkblades"), "");
  // Without NetLookup the home's lookup table is left alone.
  EXPECT_FALSE(s.Exists("blade_lookup_table.txt"));

  // The same day again: no mirror run.
  r = Start();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(Log().find("Starting mirror"), std::string::npos);
  EXPECT_EQ(CountOf(Log(), "comboBlade_Click: Mirror blade command:"), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Starts(5).size(), 5u);

  // Check Network forgets the dates, so every kind is mirrored once more.
  r = Start("press mnuCheckNet\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  log = Log();
  EXPECT_NE(log.find("mnuCheckNet_Click: Start"), std::string::npos);
  EXPECT_EQ(CountOf(log, "Starting mirror"), 3) << log;
  EXPECT_EQ(Starts(9).size(), 9u);
  EXPECT_EQ(s.Registry("directories", "plastupdate"), LoggedToday(log));
}

TEST_F(NetworkShop, MirrorBesideTheStationServesAHomeWithoutOne) {
  // The station and mirror installed together in a directory of their own.
  fs::remove(s.Home() / "mirror");
  const fs::path bin = s.Root() / "bin";
  fs::create_directories(bin);
  fs::copy_file(ZARVANE_EXE, bin / "zarvane");
  fs::copy_file(MIRROR_EXE, bin / "mirror");
  s.SetProgram(bin / "zarvane");
  const RunResult r = Start();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(Log().find("Starting mirror: \"" + (bin / "mirror.exe").string() + "\""), std::string::npos) << Log();
  WaitFor([&] { return s.Exists("fixtures/FIX1.prg"); });
  EXPECT_EQ(s.File("fixtures/FIX1.prg"), "fixture\r\n");
}

TEST_F(NetworkShop, UnreachableShareFallsBackToTheLocalCopiesUntilItReturns) {
  ASSERT_EQ(Start().status, 0);
  Starts(3);  // let the first day's mirror runs finish before the share goes
  fs::rename(net, s.Root() / "net-down");

  RunResult r = Start();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("MESSAGE: Network unavailable.  Continuing with local files."), 1) << r.transcript;
  EXPECT_FALSE(r.Has("remains unavailable"));
  std::string log = Log();
  EXPECT_NE(log.find(Net("blades") + " is a network drive, and is unavailable."), std::string::npos) << log;
  EXPECT_NE(log.find("CheckDirectories: Global Blades   : " + Local("blades")), std::string::npos);
  EXPECT_EQ(s.Registry("directories", "blades"), Local("blades"));
  EXPECT_EQ(s.Registry("directories", "networkblades"), Net("blades"));
  EXPECT_EQ(s.Registry("directories", "programs"), Local("quorvx programs"));
  EXPECT_EQ(s.Registry("directories", "networkprograms"), Net("quorvx programs"));

  r = Start();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Network remains unavailable.  Continuing with local files.")) << r.transcript;
  EXPECT_FALSE(r.Has("MESSAGE: Network unavailable."));
  EXPECT_NE(Log().find("CheckDirectories: " + Net("fixtures") + " is a network drive, network was down -- still down."),
            std::string::npos);
  EXPECT_EQ(s.Registry("directories", "networkfixtures"), Net("fixtures"));

  fs::rename(s.Root() / "net-down", net);
  r = Start();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(r.Count("MESSAGE: Network restored.  Continuing with remote files."), 1) << r.transcript;
  EXPECT_FALSE(r.Has("Continuing with local files"));
  log = Log();
  EXPECT_NE(log.find("CheckDirectories: " + Net("blades") + " is a network drive, network was down -- restored."),
            std::string::npos);
  EXPECT_NE(log.find("CheckDirectories: Global Blades   : " + Net("blades")), std::string::npos);
  for (const char* kind : {"blades", "fixtures"}) {
    EXPECT_EQ(s.Registry("directories", kind), Net(kind));
    EXPECT_EQ(s.Registry("directories", std::string("network") + kind), "");
  }
}

TEST_F(NetworkShop, LookupTableAndNetworkHomeComeFromTheShare) {
  ini = WithLine(ini, "NetLookup =", "NetLookup = ON");
  ini = WithLine(ini, "NetHome =", "NetHome = ON");
  s.Put("blade_lookup_table.txt", "stale local lookup\r\n");
  const RunResult r = Start();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_EQ(s.File("blade_lookup_table.txt"), "network lookup\r\n");
  // The network home is the share itself, named plainly.
  const std::vector<std::string> got = Starts(5);
  EXPECT_NE(std::find(got.begin(), got.end(), share.string() + "|" + s.Home().string()), got.end())
      << ReadFile(starts);
  EXPECT_EQ(got.size(), 5u);  // three kinds, the network home and the part shown in zone 1
}

TEST_F(NetworkShop, ShareNameIsLocalNeitherMirroredNorReplaced) {
  const std::string shareName = "/" + Net("blades");  // "//..." names the same directory
  s.SetRegistry("directories", "blades", shareName);
  s.SetRegistry("directories", "fixtures", Local("fixtures"));
  s.SetRegistry("directories", "programs", Local("quorvx programs"));
  RunResult r = Start();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_NE(Log().find("CheckDirectories: Global Blades   : " + shareName), std::string::npos) << Log();
  EXPECT_EQ(Log().find("Starting mirror"), std::string::npos);
  EXPECT_EQ(s.Registry("directories", "blastupdate"), "");

  // With the share gone there is no fallback: the directory is missing.
  fs::rename(net, s.Root() / "net-down");
  r = Start("answer cancel\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_FALSE(r.Has("Network unavailable"));
  EXPECT_TRUE(r.Has("MESSAGE: Blades directory does not exist.  Choose new directory, or cancel to exit."));
  EXPECT_EQ(s.Registry("directories", "blades"), shareName);
  EXPECT_EQ(s.Registry("directories", "networkblades"), "");
}

class AnalysisProgram : public ::testing::Test {
 protected:
  RunResult Start(const std::string& script = "") {
    s.Put("zarv.ini", GoldenIni("zarv_test_nombr.ini", s.Home()));
    return s.Run(script);
  }
  std::string Log() const { return s.File("debug.txt"); }
  Station s;
};

TEST_F(AnalysisProgram, ItsSizeTellsTheVersion) {
  MakeBladeProgram(s.BladeProgram(), kNewBladeSize - 1);
  ASSERT_EQ(Start().status, 0);
  EXPECT_NE(Log().find("CheckDirectories: Blade Version is 1.2 or older: file size is: 958463"), std::string::npos)
      << Log();
  MakeBladeProgram(s.BladeProgram(), kNewBladeSize);
  ASSERT_EQ(Start().status, 0);
  EXPECT_NE(Log().find("CheckDirectories: Blade Version is 2.0 or newer: file size is: 958464"), std::string::npos)
      << Log();
}

TEST_F(AnalysisProgram, MissingIsAskedForAndEndsTheStationWhenNotChosen) {
  if (MachineHasAnalysisProgram()) GTEST_SKIP() << "this machine has an analysis program installed on its root drive";
  const std::string gone = (s.Root() / "uninstalled" / "Blade.exe").string();
  s.SetRegistry("directories", "bladeexe", gone);
  const RunResult r = Start("answer cancel\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("DIRECTORY: Select the directory containing Blade Analysis Program (BLADE.EXE) | " +
                    s.Home().string() + " -> \n"))
      << r.transcript;
  EXPECT_TRUE(r.Has("MESSAGE: Error: No directory selected."));
  EXPECT_TRUE(r.Has("MESSAGE: Blade not found in system. Reinstall Blade or contact System Administrator."));
  // Nothing more is asked once the station is ending.
  EXPECT_FALSE(r.Has("STATUS: Checking network status..."));
  EXPECT_NE(Log().find("Zero versions of blade were found in system."), std::string::npos);
  EXPECT_NE(Log().find("cmdExit_Click: End:"), std::string::npos);
  EXPECT_EQ(s.Registry("directories", "bladeexe"), "");
}

TEST_F(AnalysisProgram, OnANetworkDriveItEndsTheStation) {
  const fs::path onShare = s.Root() / "net" / "Blade" / "Blade.exe";
  MakeBladeProgram(onShare);
  s.SetEnv("ZARVANE_NETWORK_ROOTS", (s.Root() / "net").string());
  s.SetRegistry("directories", "bladeexe", onShare.string());
  const RunResult r = Start();
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Blade can not be run from a network. Reinstall Blade or contact System Administrator."))
      << r.transcript;
  EXPECT_EQ(s.Registry("directories", "bladeexe"), "");
  EXPECT_FALSE(r.Has("STATUS: Finding initialization files..."));
  EXPECT_NE(Log().find("cmdExit_Click: End:"), std::string::npos);
}

TEST_F(AnalysisProgram, SettingsFileBesideItWinsAndGivesTheLastAnalysedBlade) {
  WriteFile(s.Root() / "system" / "blade.ini", "AnalysisFile = /reports/system.rpt\r\n");
  ASSERT_EQ(Start().status, 0);
  EXPECT_NE(Log().find("CheckDirectories: Blade INI is: " + (s.Root() / "system" / "blade.ini").string()),
            std::string::npos)
      << Log();
  EXPECT_NE(Log().find("frmMain_Load: LastAnalyzedBlade: /reports/system.rpt"), std::string::npos);

  WriteFile(s.Root() / "Blade" / "Blade.ini", "AnalysisFile = /reports/P1 blade.rpt\r\n");
  ASSERT_EQ(Start().status, 0);
  EXPECT_NE(Log().find("CheckDirectories: Blade INI       : " + (s.Root() / "Blade" / "Blade.ini").string()),
            std::string::npos);
  EXPECT_NE(Log().find("frmMain_Load: LastAnalyzedBlade: /reports/P1 blade.rpt"), std::string::npos);
}

class DataDirectories : public AnalysisProgram {};

TEST_F(DataDirectories, CancelledChoiceKeepsTheStoredDirectoryForTheNextStart) {
  const std::string moved = (s.Root() / "moved" / "blades").string();
  s.SetRegistry("directories", "blades", moved);
  RunResult r = Start("answer cancel\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("MESSAGE: Blades directory does not exist.  Choose new directory, or cancel to exit.\n"
                    "DIRECTORY: Select the directory containing blade DATA (nominal and tolerance files) | " +
                    s.Home().string() + " -> \nMESSAGE: Error: No directory selected."))
      << r.transcript;
  EXPECT_TRUE(r.Has("WINDOW: frmMain shown"));  // the station runs on
  EXPECT_EQ(s.Registry("directories", "blades"), moved);

  // The next start asks again; a directory chosen now replaces it.
  const std::string chosen = (s.Home() / "blades").string();
  r = Start("answer text " + chosen + "\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  EXPECT_TRUE(r.Has("Blades directory does not exist."));
  EXPECT_EQ(s.Registry("directories", "blades"), chosen);
  EXPECT_NE(Log().find("frmDirSelect: Directory chosen: " + chosen), std::string::npos);
  EXPECT_NE(Log().find("CheckDirectories: Global Blades   : " + chosen), std::string::npos);
}

TEST_F(DataDirectories, ResetForgetsEverythingAndAsksAgain) {
  if (MachineHasAnalysisProgram()) GTEST_SKIP() << "this machine has an analysis program installed on its root drive";
  s.SetRegistry("directories", "networkblades", "/net/shop/blades");
  const fs::path data = s.Root() / "data";
  for (const char* kind : {"blades", "fixtures", "programs"}) fs::create_directories(data / kind);
  const RunResult r = Start("echo reset\nanswer text " + s.BladeProgram().parent_path().string() +
                            "\nanswer text " + (data / "blades").string() + "\nanswer text " +
                            (data / "fixtures").string() + "\nanswer text " + (data / "programs").string() +
                            "\npress mnuReset\n");
  ASSERT_EQ(r.status, 0) << r.transcript << r.errors;
  const size_t reset = r.transcript.find("ECHO: reset");
  ASSERT_NE(reset, std::string::npos);
  const std::string after = r.transcript.substr(reset);
  EXPECT_NE(after.find("DIRECTORY: Select the directory containing Blade Analysis Program (BLADE.EXE)"),
            std::string::npos)
      << r.transcript;
  EXPECT_NE(after.find("DIRECTORY: Select the directory containing fixture programs"), std::string::npos);
  EXPECT_NE(after.find("DIRECTORY: Select the directory containing TEST programs."), std::string::npos);
  EXPECT_EQ(s.Registry("directories", "bladeexe"), s.BladeProgram().parent_path().string() + "/blade.exe");
  EXPECT_EQ(s.Registry("directories", "blades"), (data / "blades").string());
  EXPECT_EQ(s.Registry("directories", "programs"), (data / "programs").string());
  EXPECT_EQ(s.Registry("directories", "networkblades"), "");
  const std::string log = Log();
  EXPECT_NE(log.find("mnuReset_Click: End"), std::string::npos);
  EXPECT_NE(log.find("CheckDirectories: Global Fixtures : " + (data / "fixtures").string()), std::string::npos);
}

}  // namespace
}  // namespace zarvane::e2e
