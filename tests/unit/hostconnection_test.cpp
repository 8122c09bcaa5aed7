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

// The simulated host, except that its application object can be made to fail
// a call once the host has answered.
class FlakyApp : public HostApp {
 public:
  FlakyApp(std::shared_ptr<HostApp> app, const bool& fail) : app_(std::move(app)), fail_(fail) {}
  void WaitUntilReady(int seconds) override { app_->WaitUntilReady(seconds); }
  bool Visible() override { return app_->Visible(); }
  void SetVisible(bool visible) override { app_->SetVisible(visible); }
  void SetOperatorMode(bool on) override { app_->SetOperatorMode(on); }
  std::string VersionString() override { return app_->VersionString(); }
  std::string FullName() override { return app_->FullName(); }
  std::string Path() override { return app_->Path(); }
  std::shared_ptr<HostParts> PartPrograms() override {
    if (fail_) throw AutomationError("The object invoked has disconnected from its clients");
    return app_->PartPrograms();
  }
  std::shared_ptr<HostPart> ActivePartProgram() override { return app_->ActivePartProgram(); }
  void quit() override { app_->quit(); }
  int GetRegistryInt(const std::string& s, const std::string& k, int d) override { return app_->GetRegistryInt(s, k, d); }
  std::string GetRegistryString(const std::string& s, const std::string& k, const std::string& d) override {
    return app_->GetRegistryString(s, k, d);
  }
  void Connect(HostEvents* sink) override { app_->Connect(sink); }
  void Disconnect(HostEvents* sink) override { app_->Disconnect(sink); }

 private:
  std::shared_ptr<HostApp> app_;
  const bool& fail_;
};

class FlakyBackend : public HostBackend {
 public:
  explicit FlakyBackend(HostBackend& sim) : sim_(sim) {}
  std::shared_ptr<HostApp> GetObject() override { return std::make_shared<FlakyApp>(sim_.GetObject(), fail); }
  bool MainWindowExists() override { return sim_.MainWindowExists(); }
  void CloseMainWindow() override { sim_.CloseMainWindow(); }
  void BringToFront() override { sim_.BringToFront(); }
  bool fail = false;

 private:
  HostBackend& sim_;
};

class HostConnectionTest : public FoundationTest {
 protected:
  HostConnectionTest() : station(core), sim(Environment()), flaky(sim), link(core, station, flaky) {
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
  FlakyBackend flaky;
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

TEST_F(HostConnectionTest, OnlyAnUnreachableHostMeansTestMode) {
  // An error once the host has answered is reported; the station stays on the machine.
  flaky.fail = true;
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_EQ(station.gInterface, "CMM1");
  ASSERT_FALSE(op.messages.empty());
  EXPECT_EQ(op.messages.back().rfind("Error occurred while starting Quorvex 5.1.\r\nInformational Message", 0), 0u)
      << op.messages.back();
  op.messages.clear();
  EXPECT_FALSE(Run("P.prg"));
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0], "Error occurred during Quorvex 5.1 program " + Path("P.prg") +
                                " failed.\r\nInformational Message\r\nError Number: 440\r\n"
                                "Error Description: The object invoked has disconnected from its clients\r\n");
  EXPECT_EQ(station.gInterface, "CMM1");
  flaky.fail = false;
  EXPECT_TRUE(Run("P.prg"));  // the next run attaches again

  // A host that cannot be attached at all: TEST mode, and the run reports why it failed.
  Spit(home / "host" / "simhost.ini", "Attach = OFF\r\n");
  op.messages.clear();
  EXPECT_FALSE(Run("P.prg"));
  EXPECT_EQ(station.gInterface, "TEST");
  EXPECT_EQ(station.gHostVersion, "TEST");
  ASSERT_EQ(op.messages.size(), 2u);
  EXPECT_EQ(op.messages[0], "Unable to attach Quorvex.  Interface will run in TEST mode.");
  EXPECT_EQ(op.messages[1].rfind("Error occurred during TEST program " + Path("P.prg") +
                                     " failed.\r\nInformational Message\r\nError Number: 91\r\n",
                                 0),
            0u)
      << op.messages[1];
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
TEST_F(HostConnectionTest, EachRunIsLoggedOnceWhenTheHostCountsConnections) {
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

// The measurement run tests the cancel flag as soon as the run returns.
TEST_F(HostConnectionLateEnd, ACancelledRunIsKnownWhenRunQVXProgReturns) {
  ASSERT_TRUE(station.Start(home.string(), {}));
  EXPECT_TRUE(Run("Cancel.prg"));
  EXPECT_TRUE(link.cancelFlag);
}

}  // namespace
}  // namespace zarvane::testing
