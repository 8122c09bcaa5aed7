// The host connection on the simulated host, in-process on fake platform services.
#include "foundation_fixture.h"
#include "host/connection.h"
#include "host/simhost.h"
#include "station/station.h"

namespace zarvane::testing {
namespace {

int CountOf(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (size_t p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + 1)) ++n;
  return n;
}

class HostConnectionTest : public FoundationTest {
 protected:
  HostConnectionTest() : station(core), sim(Environment()), link(core, station, sim) {
    Spit(home / "zarv.ini", "debuglevel = 9\r\nInterface = CMM1\r\nSingleZone = OFF\r\n");
    Spit(home / "host" / "simhost.ini", "Version = Quorvex 5.1\r\n");
    Program("P.prg", "UNITS INCH\r\nVARIABLE SHNKVAL\r\n*COMMENT stop here\r\nEND\r\n");
  }

  SimHostEnvironment Environment() {
    SimHostEnvironment env;
    env.clock = &tp.clock;
    env.installDir = [this] { return Path("host"); };
    env.stationHome = [this] { return home.string(); };
    env.bladesDir = [this] { return Path("blades"); };
    env.language = [] { return 1; };
    return env;
  }
  void Program(const std::string& name, const std::string& text) { Spit(home / name, text); }
  std::string Journal() { return Slurp(home / "host" / "journal.txt"); }
  bool Run(const std::string& name, const std::string& partName = "") {
    return link.RunQVXProg(Path(name), false, station.frmMain, station.frmSplash, partName);
  }

  Station station;
  SimulatedHost sim;
  HostConnection link;
};

TEST_F(HostConnectionTest, PartNameAndSerialNumberAreWrittenIntoTheProgram) {
  ASSERT_TRUE(station.Start(home.string(), {}));
  link.currentSerialNumber = [] { return std::string("SN 001"); };
  EXPECT_TRUE(Run("P.prg", "A-12-B"));
  const std::string journal = Journal();
  EXPECT_NE(journal.find("PARTNAME A_12_B"), std::string::npos) << journal;
  EXPECT_NE(journal.find("SERIAL SN 001"), std::string::npos);
  EXPECT_NE(Log().find("stat name to: A_12_B"), std::string::npos);
}

TEST_F(HostConnectionTest, AnEmptyPartNameLeavesTheProgramAlone) {
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_TRUE(Run("P.prg"));
  EXPECT_EQ(Journal().find("PARTNAME"), std::string::npos);
  EXPECT_EQ(Journal().find("SERIAL"), std::string::npos);
}

TEST_F(HostConnectionTest, AHostThatRefusesThePartNameStillRunsTheProgram) {
  Spit(home / "host" / "simhost.ini", "StrictNames = ON\r\n");
  ASSERT_TRUE(station.Start(home.string(), {}));
  link.currentSerialNumber = [] { return std::string("SN-7"); };
  EXPECT_TRUE(Run("P.prg", "TB-100"));  // the station writes underscores
  EXPECT_NE(Journal().find("PARTNAME TB_100\r\n"), std::string::npos) << Journal();
  EXPECT_NE(Journal().find("SERIAL SN-7"), std::string::npos);
  EXPECT_TRUE(Run("P.prg", "TB100 "));
  EXPECT_NE(Journal().find("PARTNAME REFUSED TB100 : blanks at the ends"), std::string::npos);
  EXPECT_NE(Log().find("RunQVXProg: Setting the part name failed: "), std::string::npos);
}

TEST_F(HostConnectionTest, BreakpointsAreClearedOnlyWhenTheRegistrySaysSo) {
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_TRUE(Run("P.prg"));
  EXPECT_NE(Journal().find("CLEARBREAKPOINTS"), std::string::npos);
  EXPECT_FALSE(link.cancelFlag);
  tp.registry.Set("Quorvex", "ClearBreaks", "0");
  EXPECT_TRUE(Run("P.prg"));
  EXPECT_NE(Journal().find("BREAKPOINT"), std::string::npos);
  EXPECT_TRUE(link.cancelFlag);  // the program stopped at its breakpoint
}

TEST_F(HostConnectionTest, FindVarLooksAtTheActiveProgramsFlowControl) {
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_TRUE(Run("P.prg"));
  EXPECT_TRUE(link.FindVar("SHNKVAL"));
  EXPECT_FALSE(link.FindVar("shnkval"));
  EXPECT_FALSE(link.FindVar("OTHER"));
}

TEST_F(HostConnectionTest, VersionTextAndOldHostConventions) {
  EXPECT_EQ(HostConnection::StripBeta("Quorvex 5.1 Beta"), "Quorvex 5.1");
  EXPECT_EQ(HostConnection::StripBeta("betaQuorvex betabeta 4"), "Quorvex  4");
  station.gHostVersion = "Quorvex 2.3.1";
  EXPECT_FALSE(link.HostIsNewVersion());
  station.gHostVersion = "Quorvex 5.1";
  EXPECT_TRUE(link.HostIsNewVersion());
}

TEST_F(HostConnectionTest, IncompatibleProbeSettingIsTold) {
  Spit(home / "host" / "simhost.ini", "Version = Quorvex 5.1\r\nWarnMeasAllTips = 1\r\n");
  ASSERT_TRUE(station.Start(home.string(), {}));
  bool told = false;
  for (const auto& m : op.messages)
    told = told || m.rfind("Incompatible setting found in Quorvex 5.1.\r\nSearch help for 'WarnMeasAllTips'.", 0) == 0;
  EXPECT_TRUE(told);
}

TEST_F(HostConnectionTest, OlderHostWithoutItsIniFileEndsTheStation) {
  Spit(home / "host" / "simhost.ini", "Version = Quorvex 3.2\r\n");
  tp.system.systemDirectory = Path("system");
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_TRUE(station.Exited());
  bool told = false;
  for (const auto& m : op.messages) told = told || m.rfind("QUOLAB.INI not found in " + Path("system/QUOLAB.INI"), 0) == 0;
  EXPECT_TRUE(told);
}

TEST_F(HostConnectionTest, OfflineHostGetsItsStartupOptions) {
  Spit(home / "zarv.ini", "debuglevel = 9\r\nInterface = OFFLINE\r\n");
  tp.registry.Set("directories", "LastQVXDir", Path("host") + "/");
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_EQ(Slurp(home / "host" / "AutomationStartupOptions.txt"), "/f \r\n");
}

TEST_F(HostConnectionTest, EventsAreConnectedOnceWhateverTheRuns) {
  Spit(home / "zarv.ini", "debuglevel = 10\r\nInterface = CMM1\r\n");
  ASSERT_TRUE(station.Start(home.string(), {}));
  link.AttachEvents();
  link.AttachEvents();
  EXPECT_TRUE(Run("P.prg"));
  EXPECT_EQ(CountOf(Log(), "Quorvex started execution of the part program:P"), 1);
}

// Fails: every StartQVX (at start-up and before every run) connects the
// station's sink again; a host that counts connections, as a COM event source
// does, then reports each run once more than the run before (here 2 + 3 lines).
TEST_F(HostConnectionTest, DISABLED_EachRunIsLoggedOnceWhenTheHostCountsConnections) {
  Spit(home / "host" / "simhost.ini", "CountConnections = ON\r\n");
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_TRUE(Run("P.prg"));
  EXPECT_TRUE(Run("P.prg"));
  EXPECT_EQ(CountOf(Log(), "Quorvex program finished execution and terminated normally."), 2);
}

// A host that delivers the end of a run after EXECUTE has returned, on the
// next turn of the station's event loop.
class HostConnectionLateEnd : public HostConnectionTest {
 protected:
  HostConnectionLateEnd() {
    Spit(home / "host" / "simhost.ini", "LateEndEvent = ON\r\n");
    Program("Cancel.prg", "CANCEL\r\n");
  }
};

TEST_F(HostConnectionLateEnd, ACancelHeardOnTheNextTurnStillRefusesTheNextRun) {
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_TRUE(Run("Cancel.prg"));
  tp.clock.ProcessEvents();  // the station's event loop turns between two menu commands
  EXPECT_TRUE(link.cancelFlag);
  EXPECT_FALSE(Run("P.prg"));
  EXPECT_TRUE(Run("P.prg"));
}

// Fails: RunQVXProg does not let pending host events in after EXECUTE has
// returned, so a caller that tests the cancel flag right after the run (as the
// measurement run does) misses a cancel the host delivers late. A run straight
// after it is not refused: the late cancel is heard during that run, and that
// run's own late end clears the flag again.
TEST_F(HostConnectionLateEnd, DISABLED_ACancelledRunIsKnownWhenRunQVXProgReturns) {
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_TRUE(Run("Cancel.prg"));
  EXPECT_TRUE(link.cancelFlag);
}

}  // namespace
}  // namespace zarvane::testing
