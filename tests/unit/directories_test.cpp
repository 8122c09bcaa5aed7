// The analysis program search, share names, the ending conditions and the menu
// commands of the data directory resolution, on fake drives.
#include "foundation_fixture.h"
#include "station/directories.h"
#include "station/station.h"

namespace zarvane::testing {
namespace {

class CountingZones : public ZonePanels {
 public:
  void PopulateBlades() override { ++blades; }
  void PopulateFixtureListBox() override { ++fixtures; }
  void loadStat(Control&, Control&, const std::string&) override {}
  int blades = 0, fixtures = 0;
};

class DirectoriesTest : public FoundationTest {
 protected:
  DirectoriesTest() : station(core), dirs(core, station) {
    Settings("");
    core.gDebugLevel = 9;
    station.gInterface = "TEST";
    station.gHostVersion = "TEST";
    tp.system.systemDirectory = Path("system");
    tp.drives.fixed = {Path("c"), Path("d")};
    core.gLocalBladesDir = Path("blades");
    core.gLocalFixturesDir = Path("fixtures");
    core.gLocalProgramsDir = Path("quorvx programs");
    for (const char* kind : {"blades", "fixtures", "programs"}) {
      const std::string dir = Path(kind == std::string("programs") ? "quorvx programs" : kind);
      fs::create_directories(dir);
      tp.registry.Set("directories", kind, dir);
    }
  }
  void Settings(const std::string& extra) { Spit(home / "zarv.ini", "debuglevel = 9\r\n" + extra); }
  std::string Blade(const std::string& relative, std::uintmax_t size = Directories::kNewBladeSize) {
    Spit(home / relative, "#!/bin/sh\n");
    fs::resize_file(home / relative, size);
    return Path(relative);
  }
  std::string Reg(const std::string& key) { return tp.registry.Get("directories", key).value_or(""); }

  Station station;
  Directories dirs;
};

TEST_F(DirectoriesTest, CandidatesGoByDriveThenPlaceAndTheLastFoundWinsUnlessTheRegistryNamesOne) {
  const std::string cBlade = Blade("c/Blade/Blade.exe");
  const std::string cTallyx = Blade("c/tallyx/blade.EXE");  // found whatever the case
  const std::string dProgramFiles = Blade("d/Program Files/Blade/Blade.exe");
  EXPECT_EQ(dirs.BladeCandidates(), (std::vector<std::string>{cTallyx, cBlade, dProgramFiles}));

  dirs.CheckDirectories();
  EXPECT_EQ(Reg("bladeexe"), dProgramFiles);
  EXPECT_NE(Log().find("More than one version of blade was found in system.  Versions:" + cTallyx + ", " + cBlade +
                       ", " + dProgramFiles + ", ."),
            std::string::npos)
      << Log();

  tp.registry.Set("directories", "bladeexe", cBlade);
  dirs.CheckDirectories();
  EXPECT_EQ(Reg("bladeexe"), cBlade);

  tp.registry.Set("directories", "bladeexe", Path("uninstalled/Blade.exe"));
  dirs.CheckDirectories();
  EXPECT_EQ(Reg("bladeexe"), dProgramFiles);
  EXPECT_TRUE(op.prompts.empty());
  EXPECT_FALSE(station.Exited());
}

TEST_F(DirectoriesTest, SettingsFileBesideTheProgramKeepsItsDirectory) {
  EXPECT_EQ(Directories::SettingsFileBeside("/opt/Blade/Blade.EXE"), "/opt/Blade/Blade.ini");
  EXPECT_EQ(Directories::SettingsFileBeside("/opt/blade/blade"), "/opt/blade/blade.ini");
}

TEST_F(DirectoriesTest, TheMirrorIsNotStartedWithADirectoryThatCannotBeOneArgument) {
  for (const std::string bad : {"net/a\" b", "net/a\nb"}) {
    EXPECT_EQ(core.StartMirror(Path(bad), Path("blades")), "") << bad;
    EXPECT_EQ(core.StartMirror(Path("blades"), Path(bad)), "") << bad;
  }
  EXPECT_TRUE(tp.shell.calls.empty());
  EXPECT_NE(core.StartMirror(Path("net/a b;$(x)"), Path("blades")), "");
  ASSERT_EQ(tp.shell.calls.size(), 1u);
  EXPECT_EQ(tp.shell.calls[0].parameters, "\"" + Path("net/a b;$(x)") + "\" \"" + Path("blades") + "\"");
}

TEST_F(DirectoriesTest, ShareNamesAreNeverNetworkDrives) {
  Blade("c/Blade/Blade.exe");
  tp.drives.SetType(Path("net"), DriveType::Remote);
  fs::create_directories(home / "net" / "blades");
  const std::string onNetwork = Path("net/blades");
  EXPECT_TRUE(core.IsNetDrive(onNetwork));
  EXPECT_FALSE(core.IsNetDrive("/" + onNetwork));
  EXPECT_FALSE(core.IsNetDrive("\\\\server\\share\\blades"));

  tp.registry.Set("directories", "blades", "/" + onNetwork);
  dirs.CheckDirectories();
  EXPECT_EQ(core.gBladesDir, "/" + onNetwork);
  EXPECT_TRUE(tp.shell.calls.empty());
  EXPECT_EQ(Reg("blastupdate"), "");

  // The same directory named as a path is on the network and mirrored.
  tp.registry.Set("directories", "blades", onNetwork);
  dirs.CheckDirectories();
  ASSERT_EQ(tp.shell.calls.size(), 1u);
  EXPECT_EQ(tp.shell.calls[0].file, Path("mirror.exe"));
  EXPECT_EQ(tp.shell.calls[0].parameters, "\"" + onNetwork + "\" \"" + Path("blades") + "\"");
  EXPECT_EQ(core.gBladesDir, onNetwork);
}

TEST_F(DirectoriesTest, OperatorWorkstationWithAMissingFolderEndsWithoutAsking) {
  Blade("c/Blade/Blade.exe");
  Settings("Operator_Mode = ON\r\n");
  tp.registry.Set("directories", "fixtures", "");
  dirs.CheckDirectories();
  ASSERT_FALSE(op.messages.empty());
  EXPECT_EQ(op.messages.back(), "Data folders are missing, please contact system administrator.");
  EXPECT_TRUE(op.prompts.empty());
  EXPECT_TRUE(station.Exited());
}

TEST_F(DirectoriesTest, AnOlderHostNeedsItsIniFileOutsideTestMode) {
  Blade("c/Blade/Blade.exe");
  station.gInterface = "CMM1";
  station.gHostVersion = "Quorvex 5.1";
  dirs.CheckDirectories();
  EXPECT_FALSE(station.Exited());

  station.gHostVersion = "Quorvex 3.2";
  dirs.CheckDirectories();
  ASSERT_FALSE(op.messages.empty());
  EXPECT_EQ(op.messages.back(),
            "QUOLAB.INI not found in " + Path("system/QUOLAB.INI") + ". Please contact System Administrator.");
  EXPECT_TRUE(station.Exited());
}

TEST_F(DirectoriesTest, ResetAsksForTheDirectoriesAndRefillsTheZoneLists) {
  Blade("c/Blade/Blade.exe");
  CountingZones zones;
  station.zones = &zones;
  ASSERT_TRUE(station.frmMain("mnuReset").Enabled());
  op.texts = {Path("blades"), Path("fixtures"), Path("quorvx programs")};
  station.frmMain("mnuReset").Click();
  EXPECT_EQ(op.prompts, (std::vector<std::string>{
                            "Select the directory containing blade DATA (nominal and tolerance files)",
                            "Select the directory containing fixture programs",
                            "Select the directory containing TEST programs.",
                        }));
  EXPECT_EQ(Reg("programs"), Path("quorvx programs"));
  EXPECT_EQ(zones.blades, 1);
  EXPECT_EQ(zones.fixtures, 1);

  station.gSingleZone = true;
  op.texts = {Path("blades"), Path("fixtures"), Path("quorvx programs")};
  station.frmMain("mnuReset").Click();
  EXPECT_EQ(zones.blades, 2);
  EXPECT_EQ(zones.fixtures, 1);  // no fixture lists on the single-zone screen
}

}  // namespace
}  // namespace zarvane::testing
