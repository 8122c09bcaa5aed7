// The simulated CMM host: programs and their language, running programs and
// the events, starting/quitting and hosts left running, blade measurement and
// probe qualification.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "foundation/paths.h"
#include "foundation/text.h"
#include "host/simcore.h"
#include "host/simhost.h"
#include "platform/doubles.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

const std::chrono::system_clock::time_point kStart{std::chrono::seconds(1765100000)};

std::string Slurp(const std::string& path) {
  std::ifstream in(OsPath(path), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Records every event as a short text.
struct Recorder : HostEvents {
  std::vector<std::string> events;
  void OnEndExecution(HostPart*, int type) override { events.push_back("end " + std::to_string(type)); }
  void OnStartExecution(HostPart* p) override { events.push_back("start " + p->Name()); }
  void OnOpenPartProgram(HostPart* p) override { events.push_back("open " + p->Name()); }
  void OnClosePartProgram(HostPart* p) override { events.push_back("close " + p->Name()); }
  void OnObjectAboutToExecute(HostPart*, HostCommand* c) override { events.push_back("about " + c->Text()); }
  void OnObjectExecuted(HostPart*, HostCommand* c) override { events.push_back("done " + c->Text()); }
  void OnAddObject(HostPart*, HostCommand* c) override { events.push_back("add " + c->Text()); }
  void OnUpdateStatusMessage(const std::string& text) override { events.push_back("status " + text); }
  int Count(const std::string& e) const { return static_cast<int>(std::count(events.begin(), events.end(), e)); }
};

// A sink whose handlers all fail, with a standard exception or with anything else.
struct ThrowingSink : HostEvents {
  void OnEndExecution(HostPart*, int) override { throw 42; }
  void OnStartExecution(HostPart*) override { throw std::runtime_error("sink failed"); }
  void OnObjectAboutToExecute(HostPart*, HostCommand*) override { throw AutomationError("sink failed"); }
  void OnObjectExecuted(HostPart*, HostCommand*) override { throw std::string("sink failed"); }
  void OnUpdateStatusMessage(const std::string&) override { throw std::logic_error("sink failed"); }
};

class SimHostTest : public ::testing::Test {
 protected:
  SimHostTest() : clock(kStart) {
    char tmpl[] = "/tmp/zarvane-simhost-XXXXXX";
    root = mkdtemp(tmpl);
    install = root + "/host";
    home = root + "/home";
    blades = root + "/blades";
    fs::create_directories(install);
    fs::create_directories(home);
    fs::create_directories(blades);
  }
  ~SimHostTest() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  SimHostEnvironment Env(Clock* c = nullptr) {
    return {c ? c : &clock, [this] { return install; }, [this] { return home; }, [this] { return blades; },
            [this] { return language; }};
  }
  // simhost.ini; a test that does not care about start-up time starts at once.
  void Ini(std::vector<std::string> lines, bool quick = true) {
    if (quick) lines.insert(lines.begin(), {"StartDelay = 0", "QuitDelay = 0"});
    WriteLines(install + "/simhost.ini", lines);
  }
  std::string Program(const std::string& name, const std::vector<std::string>& lines) {
    const std::string path = home + "/" + name;
    WriteLines(path, lines);
    return path;
  }
  std::shared_ptr<HostApp> Start(SimulatedHost& host) {
    auto app = host.GetObject();
    app->WaitUntilReady(40);
    return app;
  }
  // The journal's actions, without their time stamps.
  std::vector<std::string> Journal() const {
    std::vector<std::string> actions;
    for (const auto& line : ReadLines(install + "/journal.txt").value_or(std::vector<std::string>{})) {
      const size_t gap = line.find("  ");
      actions.push_back(gap == std::string::npos ? line : line.substr(gap + 2));
    }
    return actions;
  }
  bool Journaled(const std::string& action) const {
    const auto j = Journal();
    return std::find(j.begin(), j.end(), action) != j.end();
  }
  bool Marker() const { return IsRegularFile(install + "/running.lock"); }

  VirtualClock clock;
  int language = 1;
  std::string root, install, home, blades;
};

// --- Programs and the language -------------------------------------------------

using SimHostPrograms = SimHostTest;

TEST_F(SimHostPrograms, UnknownCommandOrBadArgumentMakesOpenFail) {
  Ini({});
  SimulatedHost host(Env());
  auto parts = Start(host)->PartPrograms();
  for (const char* bad : {"MEASURE", "WAIT soon", "UNITS FEET", "MEASURE_BLADE now", "VARIABLE", "END normal", "*"}) {
    const std::string file = Program("bad.prg", {"COMMENT fine", bad});
    EXPECT_EQ(parts->Open(file, "OFFLINE"), nullptr) << bad;
  }
  EXPECT_EQ(parts->Open(home + "/missing.prg", "OFFLINE"), nullptr);
  EXPECT_EQ(parts->Count(), 0);
  EXPECT_EQ(host.GetObject()->ActivePartProgram(), nullptr);
  EXPECT_TRUE(Journaled("OPEN FAILED " + home + "/bad.prg: line 2: unknown command MEASURE"));
}

TEST_F(SimHostPrograms, ParsesCommandsSkippingCommentsWithUnitsAndBreakpoints) {
  Ini({});
  SimulatedHost host(Env());
  auto app = Start(host);
  Recorder rec;
  app->Connect(&rec);
  const std::string file = Program("Align.PRG", {"! alignment", "", "# another comment", "units mm",
                                                 "  * comment paused here", "wait 20", "END"});
  auto part = app->PartPrograms()->Open(file, "OFFLINE");
  ASSERT_NE(part, nullptr);
  EXPECT_EQ(part->Units(), 1);
  EXPECT_EQ(part->Name(), "Align.PRG");
  EXPECT_EQ(part->FullName(), file);
  EXPECT_EQ(app->ActivePartProgram(), part);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"open Align.PRG"}));
  auto commands = part->Commands();
  ASSERT_EQ(commands->Count(), 4);
  EXPECT_EQ(commands->Item(1)->Text(), "units mm");
  EXPECT_EQ(commands->Item(2)->Text(), "comment paused here");
  EXPECT_THROW(commands->Item(0), AutomationError);
  EXPECT_THROW(commands->Item(5), AutomationError);
  EXPECT_EQ(Program("inch.prg", {"COMMENT x"}), home + "/inch.prg");
  EXPECT_EQ(app->PartPrograms()->Open(home + "/INCH.prg", "")->Units(), 0);  // found regardless of case
}

TEST_F(SimHostPrograms, VariableAndLoadProbeCommandsAnswerTheirFields) {
  Ini({});
  SimulatedHost host(Env());
  auto part = Start(host)->PartPrograms()->Open(
      Program("vars.prg", {"VARIABLE ZVAUTO", "LOADPROBE STAR5", "COMMENT VARIABLE X"}), "");
  ASSERT_NE(part, nullptr);
  auto commands = part->Commands();
  auto variable = commands->Item(1), probe = commands->Item(2), plain = commands->Item(3);
  EXPECT_TRUE(variable->IsFlowControl());
  EXPECT_EQ(variable->GetText(133, 0), "ZVAUTO");
  EXPECT_EQ(variable->GetText(134, 0), "");
  EXPECT_FALSE(variable->IsLoadProbe());
  EXPECT_TRUE(probe->IsLoadProbe());
  EXPECT_EQ(probe->ModalCommandName(), "STAR5");
  EXPECT_FALSE(probe->IsFlowControl());
  EXPECT_EQ(probe->GetText(133, 0), "");
  EXPECT_FALSE(plain->IsFlowControl());
  EXPECT_FALSE(plain->IsLoadProbe());
  EXPECT_EQ(plain->ModalCommandName(), "");
}

TEST_F(SimHostPrograms, CloseAllClosesEveryProgramAndAddMakesAnEmptyOne) {
  Ini({});
  SimulatedHost host(Env());
  auto app = Start(host);
  Recorder rec;
  app->Connect(&rec);
  auto parts = app->PartPrograms();
  auto first = parts->Open(Program("a.prg", {"COMMENT a"}), "");
  auto added = parts->Add("NEWPROG", 1, "OFFLINE", "");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(parts->Count(), 2);
  EXPECT_EQ(app->ActivePartProgram(), added);
  EXPECT_EQ(added->FullName(), host.InstallDir() + "NEWPROG.prg");
  EXPECT_EQ(added->Commands()->Count(), 0);
  EXPECT_EQ(parts->Add("", 1, "", ""), nullptr);
  parts->CloseAll();
  EXPECT_EQ(parts->Count(), 0);
  EXPECT_EQ(app->ActivePartProgram(), nullptr);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"open a.prg", "open NEWPROG.prg", "close a.prg", "close NEWPROG.prg"}));
  EXPECT_THROW(first->EXECUTE(), AutomationError);  // a closed program does not run
  EXPECT_TRUE(Journaled("CLOSEALL"));
}

TEST_F(SimHostPrograms, PartNameAndSerialAreJournaledAndReadBack) {
  Ini({});
  SimulatedHost host(Env());
  auto part = Start(host)->PartPrograms()->Open(Program("blade.prg", {"COMMENT x"}), "");
  EXPECT_EQ(part->PartName(), "blade");
  part->SetPartName("BLADE_7");
  part->SetSerialNumber("SN 0042");
  part->RefreshPart();
  EXPECT_EQ(part->PartName(), "BLADE_7");
  EXPECT_EQ(part->SerialNumber(), "SN 0042");
  EXPECT_TRUE(Journaled("PARTNAME BLADE_7"));
  EXPECT_TRUE(Journaled("SERIAL SN 0042"));
  EXPECT_TRUE(Journaled("REFRESH BLADE_7 SN 0042"));
}

TEST_F(SimHostPrograms, StrictNamesAreRefusedAsAWindowsHostRefusesThem) {
  Ini({"StrictNames = ON"});
  SimulatedHost host(Env());
  auto parts = Start(host)->PartPrograms();
  auto refusal = [&](const std::string& file) {
    try {
      parts->Open(file, "");
    } catch (const AutomationError& e) {
      return std::string(e.what());
    }
    return std::string("opened");
  };
  // Files that exist, so that only their names are at fault.
  const std::string deep = home + "/" + std::string(130, 'd') + "/" + std::string(130, 'e') + ".prg";
  fs::create_directories(DirectoryOf(deep));
  WriteLines(deep, {"COMMENT x"});
  EXPECT_NE(refusal(deep).find("longer than Windows allows"), std::string::npos) << refusal(deep);
  for (const char* name : {"What?.prg", "Tab\tName.prg", "a|b.prg"})
    EXPECT_NE(refusal(Program(name, {"COMMENT x"})).find("character Windows does not allow"), std::string::npos)
        << name;
  EXPECT_NE(refusal(Program("notes.txt", {"COMMENT x"})).find("not a part program"), std::string::npos);
  EXPECT_NE(refusal(home + "/missing.prg").find("does not exist"), std::string::npos);
  EXPECT_TRUE(Journaled("OPEN REFUSED " + home + "/missing.prg: the file does not exist"));
  EXPECT_EQ(parts->Count(), 0);

  auto part = parts->Open(Program("GOOD.PRG", {"COMMENT x"}), "");
  ASSERT_NE(part, nullptr);
  part->SetPartName(std::string(kSimNameLimit, 'A'));
  part->SetPartName("TB_100 ROW 2");
  for (const std::string& bad : std::vector<std::string>{"TB-100", " TB100", "TB100 ", "TB\xE9", "TB\t100",
                                                         std::string(kSimNameLimit + 1, 'A')})
    EXPECT_THROW(part->SetPartName(bad), AutomationError) << bad;
  EXPECT_EQ(part->PartName(), "TB_100 ROW 2");
  part->SetSerialNumber("SN-0042");
  EXPECT_THROW(part->SetSerialNumber("SN 0042 "), AutomationError);
  EXPECT_EQ(part->SerialNumber(), "SN-0042");
}

// --- Running programs -----------------------------------------------------------

class SimHostExecution : public SimHostTest {
 protected:
  void SetUp() override {
    Ini({});
    host = std::make_unique<SimulatedHost>(Env());
    app = Start(*host);
    app->Connect(&rec);
  }
  std::shared_ptr<HostPart> Open(const std::vector<std::string>& lines) {
    auto part = app->PartPrograms()->Open(Program("run.prg", lines), "");
    rec.events.clear();
    return part;
  }
  std::unique_ptr<SimulatedHost> host;
  std::shared_ptr<HostApp> app;
  Recorder rec;
};

TEST_F(SimHostExecution, EventsComeInOrderAndTheEndIsDeliveredBeforeExecuteReturns) {
  auto part = Open({"COMMENT one", "STATUS Measuring", "END", "COMMENT never"});
  part->EXECUTE();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"start run.prg", "about COMMENT one", "done COMMENT one",
                                                  "about STATUS Measuring", "status Measuring",
                                                  "done STATUS Measuring", "about END", "done END", "end 1"}));
  EXPECT_TRUE(Journaled("EXECUTE run.prg"));
  EXPECT_TRUE(Journaled("END 1"));
}

TEST_F(SimHostExecution, CancelAndEndGiveTheirTerminationTypes) {
  Open({"CANCEL", "COMMENT never"})->EXECUTE();
  EXPECT_EQ(rec.events.back(), "end 2");
  EXPECT_EQ(rec.Count("about COMMENT never"), 0);
  Open({"END 7"})->EXECUTE();
  EXPECT_EQ(rec.events.back(), "end 7");
  Open({"COMMENT runs to the end"})->EXECUTE();
  EXPECT_EQ(rec.events.back(), "end 1");
}

TEST_F(SimHostExecution, ABreakpointCancelsTheRunUntilBreakpointsAreCleared) {
  auto part = Open({"COMMENT a", "*COMMENT b", "COMMENT c"});
  part->EXECUTE();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"start run.prg", "about COMMENT a", "done COMMENT a", "end 2"}));
  EXPECT_TRUE(Journaled("BREAKPOINT line 2"));
  rec.events.clear();
  part->Commands()->ClearAllBreakpoints();
  part->EXECUTE();
  EXPECT_EQ(rec.Count("done COMMENT c"), 1);
  EXPECT_EQ(rec.events.back(), "end 1");
  EXPECT_TRUE(Journaled("CLEARBREAKPOINTS"));
}

TEST_F(SimHostExecution, APausedRunGoesOnWhenResumedOrEndsWhenTheOperatorFileCancels) {
  Ini({"Breakpoints = PAUSE"});
  app = host->GetObject();
  auto part = Open({"COMMENT a", "*COMMENT b", "COMMENT c"});
  EXPECT_FALSE(host->ResumeRun());  // nothing is paused
  bool resumed = false;
  std::unique_ptr<TimerHandle> operatorAtHost = clock.CreateTimer([&] {
    resumed = host->ResumeRun();
    operatorAtHost->SetEnabled(false);
  });
  operatorAtHost->SetInterval(2000);
  const auto before = clock.ElapsedMs();
  part->EXECUTE();
  EXPECT_TRUE(resumed);
  EXPECT_GE(clock.ElapsedMs() - before, 2000);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"start run.prg", "about COMMENT a", "done COMMENT a",
                                                  "about COMMENT b", "done COMMENT b", "about COMMENT c",
                                                  "done COMMENT c", "end 1"}));
  EXPECT_TRUE(Journaled("PAUSED at breakpoint line 2"));
  EXPECT_TRUE(Journaled("RESUMED at line 2"));

  rec.events.clear();
  operatorAtHost = clock.CreateTimer([&] { WriteLines(install + "/operator.txt", {"", "cancel please"}); });
  operatorAtHost->SetInterval(500);
  part->EXECUTE();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"start run.prg", "about COMMENT a", "done COMMENT a", "end 2"}));
  EXPECT_TRUE(Journaled("OPERATOR CANCEL (operator.txt)"));
  EXPECT_FALSE(IsRegularFile(install + "/operator.txt"));
}

TEST_F(SimHostExecution, APauseNobodyEndsIsCancelledAfterThePauseLimit) {
  Ini({"Breakpoints = PAUSE", "PauseLimit = 5000"});
  app = host->GetObject();
  const auto before = clock.ElapsedMs();
  Open({"*COMMENT b", "COMMENT c"})->EXECUTE();
  EXPECT_EQ(clock.ElapsedMs() - before, 5000);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"start run.prg", "end 2"}));
  EXPECT_TRUE(Journaled("PAUSE at line 1 not ended within 5000 ms (PauseLimit): the operator cancels"));
}

TEST_F(SimHostExecution, TheOperatorCancelsDuringALongWaitAndTheRunEndsAtOnce) {
  auto part = Open({"WAIT 100000", "COMMENT after"});
  std::unique_ptr<TimerHandle> operatorAtHost = clock.CreateTimer([&] { host->CancelRun(); });
  operatorAtHost->SetInterval(300);
  auto before = clock.ElapsedMs();
  part->EXECUTE();
  operatorAtHost.reset();
  EXPECT_LE(clock.ElapsedMs() - before, 400);  // the host looks for the operator every 100 ms
  EXPECT_EQ(rec.events, (std::vector<std::string>{"start run.prg", "about WAIT 100000", "end 2"}));
  EXPECT_FALSE(host->CancelRun());  // nothing runs

  Ini({"CancelAfter = 1500"});
  app = host->GetObject();
  rec.events.clear();
  before = clock.ElapsedMs();
  part->EXECUTE();
  EXPECT_EQ(clock.ElapsedMs() - before, 1500);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"start run.prg", "about WAIT 100000", "end 2"}));
  EXPECT_TRUE(Journaled("OPERATOR CANCEL after 1500 ms (CancelAfter)"));
}

TEST_F(SimHostExecution, ErrorRaisesAnAutomationErrorWithoutAnEndEvent) {
  auto part = Open({"COMMENT a", "ERROR Probe crashed into fixture", "COMMENT b"});
  try {
    part->EXECUTE();
    FAIL() << "EXECUTE should have failed";
  } catch (const AutomationError& e) {
    EXPECT_STREQ(e.what(), "Probe crashed into fixture");
    EXPECT_EQ(e.Number(), AutomationError::kErrAutomation);
  }
  EXPECT_EQ(rec.events.front(), "start run.prg");
  EXPECT_EQ(rec.Count("end 1") + rec.Count("end 2"), 0);
  EXPECT_EQ(rec.Count("about COMMENT b"), 0);
  // The failed run does not leave the host busy.
  rec.events.clear();
  Open({"COMMENT again"})->EXECUTE();
  EXPECT_EQ(rec.events.back(), "end 1");
}

TEST_F(SimHostExecution, WaitTakesVirtualTimeWhileTimersTick) {
  int ticks = 0;
  auto timer = clock.CreateTimer([&] { ++ticks; });
  timer->SetInterval(100);
  const auto before = clock.ElapsedMs();
  Open({"WAIT 1000", "COMMENT after"})->EXECUTE();
  EXPECT_GE(clock.ElapsedMs() - before, 1000);
  EXPECT_LT(clock.ElapsedMs() - before, 1100);
  EXPECT_GE(ticks, 10);
  EXPECT_EQ(rec.events.back(), "end 1");
}

TEST_F(SimHostExecution, ASinkConnectedTwiceGetsEveryEventOnceAndNoneAfterDisconnect) {
  app->Connect(&rec);
  auto part = Open({"STATUS hello"});
  part->EXECUTE();
  EXPECT_EQ(rec.Count("status hello"), 1);
  EXPECT_EQ(rec.Count("end 1"), 1);
  app->Disconnect(&rec);
  part->EXECUTE();
  EXPECT_EQ(rec.Count("end 1"), 1);
}

TEST_F(SimHostExecution, AThrowingSinkIsIgnoredAndTheOthersStillHearEverything) {
  ThrowingSink bad;
  app->Disconnect(&rec);
  app->Connect(&bad);
  app->Connect(&rec);
  Open({"STATUS hello", "CANCEL"})->EXECUTE();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"start run.prg", "about STATUS hello", "status hello",
                                                  "done STATUS hello", "about CANCEL", "done CANCEL", "end 2"}));
}

TEST_F(SimHostExecution, CountedConnectionsHearEveryEventOncePerConnection) {
  Ini({"CountConnections = ON"});
  app = host->GetObject();  // settings read afresh
  app->Connect(&rec);       // a second connection
  auto part = Open({"STATUS hello"});
  part->EXECUTE();
  EXPECT_EQ(rec.Count("status hello"), 2);
  EXPECT_EQ(rec.Count("end 1"), 2);
  app->Disconnect(&rec);  // one connection ends, one is left
  part->EXECUTE();
  EXPECT_EQ(rec.Count("end 1"), 3);
  app->Disconnect(&rec);
  part->EXECUTE();
  EXPECT_EQ(rec.Count("end 1"), 3);
}

TEST_F(SimHostExecution, ALateEndComesOnceOnTheClocksNextTurn) {
  Ini({"LateEndEvent = ON"});
  app = host->GetObject();
  Open({"CANCEL"})->EXECUTE();
  EXPECT_EQ(rec.events.back(), "done CANCEL");
  clock.ProcessEvents();
  EXPECT_EQ(rec.events.back(), "end 2");
  clock.Advance(1000);
  EXPECT_EQ(rec.Count("end 2"), 1);
  EXPECT_TRUE(Journaled("EVENT OnEndExecution 2 delivered after EXECUTE returned"));
}

TEST_F(SimHostExecution, WhatASinkThrowsIsJournaledAndCanFailTheCall) {
  ThrowingSink bad;
  app->Disconnect(&rec);
  app->Connect(&bad);
  app->Connect(&rec);
  auto part = Open({"COMMENT a"});
  part->EXECUTE();
  EXPECT_EQ(rec.events.back(), "end 1");
  EXPECT_EQ(host->HandlerErrors(),
            (std::vector<std::string>{"OnStartExecution: sink failed", "OnObjectAboutToExecute: sink failed",
                                      "OnObjectExecuted: an exception that is not a standard exception",
                                      "OnEndExecution: an exception that is not a standard exception"}));
  EXPECT_TRUE(Journaled("EVENT OnObjectAboutToExecute handler failed: sink failed"));

  Ini({"RethrowHandlerErrors = ON"});
  app = host->GetObject();
  rec.events.clear();
  try {
    part->EXECUTE();
    FAIL() << "the failing sink did not fail EXECUTE";
  } catch (const AutomationError& e) {
    EXPECT_STREQ(e.what(), "OnStartExecution handler failed: sink failed");
  }
  EXPECT_EQ(rec.events, (std::vector<std::string>{"start run.prg"}));  // the sink after the failing one heard it
  EXPECT_EQ(host->HandlerErrors().size(), 5u);
}

TEST_F(SimHostExecution, InsertAddsACommandAndTellsTheSinks) {
  auto part = Open({"COMMENT a", "INSERT BAD FEATURE", "COMMENT c"});
  part->EXECUTE();
  EXPECT_EQ(rec.Count("add BAD FEATURE"), 1);
  auto commands = part->Commands();
  ASSERT_EQ(commands->Count(), 4);
  EXPECT_EQ(commands->Item(4)->Text(), "BAD FEATURE");
  commands->InsertionPointAfter(commands->Item(1));
  rec.events.clear();
  part->EXECUTE();
  EXPECT_EQ(commands->Item(2)->Text(), "BAD FEATURE");
  EXPECT_EQ(commands->Count(), 5);
}

TEST_F(SimHostExecution, QuittingWhileRunningStopsTheRunUnfinished) {
  auto part = Open({"STATUS quit now", "COMMENT never"});
  struct Quitter : HostEvents {
    HostApp* app = nullptr;
    void OnUpdateStatusMessage(const std::string&) override { app->quit(); }
  } quitter;
  quitter.app = app.get();
  Ini({"QuitDelay = 5000"}, false);
  app = host->GetObject();  // settings read afresh
  app->Connect(&quitter);
  part->EXECUTE();
  EXPECT_EQ(rec.events.back(), "end 3");
  EXPECT_EQ(rec.Count("about COMMENT never"), 0);
}

// --- Starting, quitting, hosts left running ---------------------------------------

using SimHostLifecycle = SimHostTest;

TEST_F(SimHostLifecycle, AttachOffFailsWithoutStartingAHost) {
  Ini({"Attach = OFF"});
  SimulatedHost host(Env());
  EXPECT_THROW(host.GetObject(), AutomationError);
  EXPECT_FALSE(host.MainWindowExists());
  EXPECT_FALSE(Marker());
  EXPECT_TRUE(Journaled("ATTACH FAILED (Attach = OFF)"));
}

TEST_F(SimHostLifecycle, StartingWritesTheMarkerAndAnswersWithTheSettings) {
  SimulatedHost host(Env());  // no simhost.ini: all defaults
  EXPECT_FALSE(host.MainWindowExists());
  auto app = host.GetObject();
  EXPECT_EQ(host.GetObject(), app);
  EXPECT_TRUE(host.MainWindowExists());
  EXPECT_TRUE(Marker());
  EXPECT_EQ(Trim(ReadLines(install + "/running.lock")->at(0)), std::to_string(getpid()));
  EXPECT_EQ(app->VersionString(), "Quorvex 5.1");
  EXPECT_EQ(app->Path(), install + "/");
  EXPECT_EQ(app->FullName(), install + "/quorvex");
  EXPECT_EQ(app->GetRegistryInt("Option", "WarnMeasAllTips", 1), 0);
  EXPECT_EQ(app->GetRegistryInt("Option", "SomethingElse", 17), 17);
  EXPECT_EQ(app->GetRegistryString("option", "LoadProbeUserSearchDirectory", ""), install + "/probes/");
  EXPECT_EQ(app->GetRegistryString("Option", "Other", "dflt"), "dflt");
  app->SetVisible(false);
  app->SetOperatorMode(true);
  EXPECT_FALSE(app->Visible());
  EXPECT_TRUE(Journaled("START Quorvex 5.1"));
  EXPECT_TRUE(Journaled("VISIBLE OFF"));
  EXPECT_TRUE(Journaled("OPERATORMODE ON"));
}

TEST_F(SimHostLifecycle, SettingsComeFromSimhostIniRegardlessOfCase) {
  Ini({"! the training host", "version = \"Quorvex 4.9 beta\"", "WARNMEASALLTIPS = 1 ! must be 0 to qualify",
       "LoadProbeUserSearchDirectory = myprobes", "FullName = /opt/q/quorvex"});
  SimulatedHost host(Env());
  auto app = Start(host);
  EXPECT_EQ(app->VersionString(), "Quorvex 4.9 beta");
  EXPECT_EQ(app->GetRegistryInt("Option", "WarnMeasAllTips", 0), 1);
  EXPECT_EQ(app->GetRegistryString("Option", "LoadProbeUserSearchDirectory", ""), install + "/myprobes/");
  EXPECT_EQ(app->FullName(), "/opt/q/quorvex");
}

TEST_F(SimHostLifecycle, WaitUntilReadyWaitsForTheStartAtMostTheGivenTime) {
  Ini({"StartDelay = 2500"}, false);
  SimulatedHost host(Env());
  auto app = host.GetObject();
  app->WaitUntilReady(1);
  EXPECT_EQ(clock.ElapsedMs(), 1000);
  app->WaitUntilReady(40);
  EXPECT_EQ(clock.ElapsedMs(), 2500);
  app->WaitUntilReady(40);  // ready: no more waiting
  EXPECT_EQ(clock.ElapsedMs(), 2500);
}

TEST_F(SimHostLifecycle, QuitTakesTheQuitDelayThenTheHostIsGoneAndAFreshOneStarts) {
  Ini({"QuitDelay = 1500"}, false);
  SimulatedHost host(Env());
  auto app = Start(host);
  auto part = app->PartPrograms()->Open(Program("p.prg", {"COMMENT x"}), "");
  auto commands = part->Commands();
  app->quit();
  clock.Sleep(1499);
  EXPECT_TRUE(host.MainWindowExists());
  EXPECT_TRUE(Marker());
  clock.Sleep(1);
  EXPECT_FALSE(host.MainWindowExists());
  EXPECT_FALSE(Marker());
  EXPECT_THROW(app->VersionString(), AutomationError);
  EXPECT_THROW(part->EXECUTE(), AutomationError);
  EXPECT_THROW(commands->Count(), AutomationError);
  try {
    app->PartPrograms();
  } catch (const AutomationError& e) {
    EXPECT_STREQ(e.what(), "The remote server machine does not exist or is unavailable");
  }
  auto fresh = Start(host);
  EXPECT_NE(fresh, app);
  EXPECT_EQ(fresh->PartPrograms()->Count(), 0);
  const auto j = Journal();
  EXPECT_EQ(std::count(j.begin(), j.end(), "START Quorvex 5.1"), 2);
  EXPECT_EQ(std::count(j.begin(), j.end(), "EXIT"), 1);
}

TEST_F(SimHostLifecycle, RefuseQuitKeepsTheHostUntilTheWindowIsClosed) {
  Ini({"RefuseQuit = ON", "QuitDelay = 100"}, false);
  SimulatedHost host(Env());
  auto app = Start(host);
  app->quit();
  clock.Sleep(60000);
  EXPECT_TRUE(host.MainWindowExists());
  EXPECT_NO_THROW(app->VersionString());
  EXPECT_TRUE(Journaled("QUIT refused"));
  host.CloseMainWindow();
  clock.Sleep(100);
  EXPECT_FALSE(host.MainWindowExists());
  EXPECT_THROW(app->VersionString(), AutomationError);
}

TEST_F(SimHostLifecycle, RefuseCloseIgnoresTheCloseMessageButQuitWorks) {
  Ini({"RefuseClose = ON", "QuitDelay = 100"}, false);
  SimulatedHost host(Env());
  auto app = Start(host);
  host.CloseMainWindow();
  clock.Sleep(5000);
  EXPECT_TRUE(host.MainWindowExists());
  EXPECT_TRUE(Journaled("CLOSE refused"));
  app->quit();
  clock.Sleep(100);
  EXPECT_FALSE(host.MainWindowExists());
}

TEST_F(SimHostLifecycle, AHostLeftRunningIsFoundByTheNextStationProcessAndAdopted) {
  Ini({"QuitDelay = 1000"}, false);
  {
    SimulatedHost earlier(Env());
    Start(earlier);
  }  // the station process ended without quitting its host
  EXPECT_TRUE(Marker());
  SimulatedHost later(Env());
  EXPECT_TRUE(later.MainWindowExists());
  const auto before = clock.ElapsedMs();
  auto app = later.GetObject();
  app->WaitUntilReady(10);
  EXPECT_EQ(clock.ElapsedMs(), before);  // a running host is ready at once
  EXPECT_EQ(later.GetObject(), app);
  EXPECT_TRUE(Journaled("ATTACH running host (left by process " + std::to_string(getpid()) + ")"));
  app->quit();
  clock.Sleep(1000);
  EXPECT_FALSE(later.MainWindowExists());
  EXPECT_FALSE(Marker());
}

TEST_F(SimHostLifecycle, WithCheckLockOwnerAMarkerWhoseProcessHasGoneIsStale) {
  Ini({"CheckLockOwner = ON"});
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
  WriteLines(install + "/running.lock", {std::to_string(gone), "Quorvex 5.1"});
  SimulatedHost host(Env());
  EXPECT_FALSE(host.MainWindowExists());
  EXPECT_FALSE(Marker());
  EXPECT_TRUE(Journaled("STALE running.lock removed: process " + std::to_string(gone) + " has gone"));
  {
    SimulatedHost earlier(Env());
    Start(earlier);
  }  // left running by a station process that still lives (this one)
  EXPECT_TRUE(host.MainWindowExists());
  host.GetObject();
  EXPECT_TRUE(Journaled("ATTACH running host (left by process " + std::to_string(getpid()) + ")"));
}

TEST_F(SimHostLifecycle, TheCloseMessageEndsAHostLeftRunning) {
  Ini({"QuitDelay = 200"}, false);
  WriteLines(install + "/running.lock", {"4711"});
  SimulatedHost host(Env());
  EXPECT_TRUE(host.MainWindowExists());
  host.CloseMainWindow();
  EXPECT_TRUE(host.MainWindowExists());
  clock.Sleep(200);
  EXPECT_FALSE(host.MainWindowExists());
  EXPECT_FALSE(Marker());
  EXPECT_TRUE(Journaled("ATTACH running host (left by process 4711) for CLOSE"));
  EXPECT_TRUE(Journaled("CLOSE"));
}

// --- Blade measurement -----------------------------------------------------------

class SimHostMeasure : public SimHostTest {
 protected:
  static constexpr double kA1 = 1.0, kB1 = 0.2, kA2 = 1.2, kB2 = 0.25;

  // Two elliptic sections of 40 points: "A" at z = 1 with plain x y z points and
  // NOSE 1 (the point at +x), "B" at z = 2 with normals and a NOSE line that is
  // not a plain number (the nose is then the point of smallest x).
  void WriteNominal(const std::string& part) {
    std::vector<std::string> lines = {"$$ synthetic test blade", "UNITS = INCH", "NUM_SECT 2", "SECTION A 40 1.0"};
    for (int k = 0; k < 40; ++k) {
      const double t = 2 * M_PI * k / 40;
      lines.push_back(FormatFixed(kA1 * std::cos(t), 6) + " " + FormatFixed(kB1 * std::sin(t), 6) + "\t1.0");
    }
    lines.push_back("NOSE 1");
    lines.push_back("! second section");
    lines.push_back("SECTION B 40 2.0");
    lines.push_back("NOSE 5 7 KEY");
    for (int k = 0; k < 40; ++k) {
      const double t = 2 * M_PI * k / 40;
      const double x = kA2 * std::cos(t), y = kB2 * std::sin(t);
      const double gi = x / (kA2 * kA2), gj = y / (kB2 * kB2), gl = std::hypot(gi, gj);
      lines.push_back(FormatFixed(x, 6) + "\t" + FormatFixed(y, 6) + " 2.0 = " + FormatFixed(gi / gl, 6) + "=" +
                      FormatFixed(gj / gl, 6) + " 0");
    }
    fs::create_directories(blades + "/" + part);
    WriteLines(blades + "/" + part + "/" + part + ".nom", lines);
  }
  // blade.txt as the station prints it: fields in 14-column print zones.
  void WriteBladeTxt(const std::string& part, int sections, const std::vector<double>& heights) {
    auto zone = [](const std::string& s) { return s + std::string(s.size() < 14 ? 14 - s.size() : 1, ' '); };
    std::vector<std::string> lines = {zone("PART") + part, zone("FIXTURE_LOCATION") + "1", zone("PLATFORM_CHECK") + "0",
                                      zone("NUMBER_OF_SECTIONS") + std::to_string(sections), zone("LE_CHANGE") + " .01"};
    for (double z : heights)
      for (int k = 0; k < 3; ++k)
        lines.push_back(zone(" " + FormatFixed(0.1 * k, 4)) + zone(" 0.0") + zone(" " + FormatFixed(z, 4)) +
                        zone(" 0") + zone(" 1") + zone(" 0") + "FULL");
    WriteLines(home + "/blade.txt", lines);
  }
  void Run(const std::vector<std::string>& program) {
    SimulatedHost host(Env());
    auto part = Start(host)->PartPrograms()->Open(Program("blade.prg", program), "");
    ASSERT_NE(part, nullptr);
    part->EXECUTE();
  }
  struct Block {
    std::string header;
    std::vector<std::vector<std::string>> points;  // words of each point line
  };
  // blade.rtf's lines as text (the RTF frame and "\par" removed) and its point blocks.
  std::vector<Block> Blocks(std::vector<std::string>* header = nullptr) {
    std::vector<Block> blocks;
    auto lines = ReadLines(home + "/blade.rtf");
    EXPECT_TRUE(lines.has_value());
    if (!lines) return blocks;
    for (size_t n = 1; n + 1 < lines->size(); ++n) {
      std::string line = (*lines)[n];
      EXPECT_TRUE(EndsWith(line, "\\par")) << line;
      line = line.substr(0, line.size() - 4);
      const auto words = SimWords(line);
      if (line == "POINTDATA" || line == "PUNKTINFO") {
        blocks.push_back({line, {}});
      } else if (!blocks.empty()) {
        blocks.back().points.push_back(words);
      } else if (header) {
        header->push_back(line);
      }
    }
    return blocks;
  }
  static double X(const std::vector<std::string>& w) { return Val(w[1]); }
};

TEST_F(SimHostMeasure, WritesTwoBlocksPerSectionInTheReadersFormat) {
  Ini({});
  WriteNominal("TB100");
  WriteBladeTxt("TB100", 2, {2.0, 1.0});
  Run({"UNITS INCH", "MEASURE_BLADE"});
  const std::string raw = Slurp(home + "/blade.rtf");
  EXPECT_TRUE(StartsWith(raw, "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}}\\f0\\fs18 \r\n"));
  EXPECT_TRUE(EndsWith(raw, "}\r\n"));
  EXPECT_EQ(raw.find('\n'), raw.find("\r\n") + 1);
  std::vector<std::string> header;
  const auto blocks = Blocks(&header);
  ASSERT_EQ(blocks.size(), 4u);
  for (const auto& line : header) EXPECT_LT(SimWords(line).size(), 8u) << line;
  for (const auto& block : blocks) {
    EXPECT_EQ(block.header, "POINTDATA");
    EXPECT_EQ(block.points.size(), 24u);
    for (const auto& w : block.points) {
      ASSERT_EQ(w.size(), 8u);
      for (const char* ignored : {"PART", "BUILT", "DIM"}) EXPECT_EQ(w[0].find(ignored), std::string::npos);
      const std::string line = Join(w, " ");
      for (const char* ignored : {"AX ", "M   ", "R   ", "A   "}) EXPECT_EQ(line.find(ignored), std::string::npos);
      for (size_t i = 1; i < 8; ++i) {
        EXPECT_TRUE(IsNumeric(w[i])) << w[i];
        EXPECT_EQ(w[i].size() - w[i].find('.'), 6u) << w[i];  // five decimals
      }
    }
  }
  // Sections in blade.txt's order: B (z = 2) first.
  EXPECT_EQ(blocks[0].points[0][3], "2.00000");
  EXPECT_EQ(blocks[2].points[0][3], "1.00000");
  EXPECT_EQ(blocks[0].points[0][0], "S1P001");
  EXPECT_EQ(blocks[1].points[23][0], "S2P024");
  EXPECT_TRUE(Journaled("MEASURED TB100: 2 sections, 96 points -> " + home + "/blade.rtf"));
}

TEST_F(SimHostMeasure, SidesRunNoseToTailAndBackAndDeviationsFollowTheOffset) {
  Ini({"Noise = 0", "OffsetX = 0.01", "PointsPerSide = 30"});
  WriteNominal("TB100");
  WriteBladeTxt("TB100", 2, {1.0, 2.0});
  Run({"MEASURE_BLADE"});
  const auto blocks = Blocks();
  ASSERT_EQ(blocks.size(), 4u);
  // Section A: NOSE 1 is the point at +x, the tail the farthest point (-x).
  const auto& a1 = blocks[0].points;
  const auto& a2 = blocks[1].points;
  ASSERT_EQ(a1.size(), 30u);
  EXPECT_NEAR(X(a1.front()), kA1 + 0.01, 1e-5);
  EXPECT_NEAR(X(a1.back()), -kA1 + 0.01, 1e-5);
  EXPECT_NEAR(X(a2.front()), -kA1 + 0.01, 1e-5);
  EXPECT_NEAR(X(a2.back()), kA1 + 0.01, 1e-5);
  EXPECT_GT(Val(a1[14][2]), 0);  // side 1 goes round the +y side (the file's order)
  EXPECT_LT(Val(a2[14][2]), 0);
  // Section B: nose at smallest x.
  EXPECT_NEAR(X(blocks[2].points.front()), -kA2 + 0.01, 1e-5);
  EXPECT_NEAR(X(blocks[2].points.back()), kA2 + 0.01, 1e-5);
  // A shift along x deviates every point by the x part of its outward normal.
  for (const auto& block : blocks)
    for (const auto& w : block.points) EXPECT_NEAR(Val(w[7]), 0.01 * Val(w[4]), 2e-5) << Join(w, " ");
  EXPECT_NEAR(Val(a1.front()[7]), 0.01, 1e-5);  // outward at the nose of A
}

TEST_F(SimHostMeasure, ALoadedProbeMeasuresBallCentresOutsideTheSurface) {
  // The same part measured without and with a probe whose first tip is 0.1
  // across: every point moves out by 0.05 along its normal; the deviation
  // column still describes the surface.
  Ini({"Noise = 0", "PointsPerSide = 12"});
  WriteNominal("TB100");
  WriteBladeTxt("TB100", 1, {1.0});
  fs::create_directories(install + "/probes");
  WriteLines(install + "/probes/BALL.prb", {"TIP 1 0.1000", "TIP 2 0.5000"});
  Run({"MEASURE_BLADE"});
  const auto surface = Blocks();
  Run({"LOADPROBE BALL", "MEASURE_BLADE"});
  const auto centres = Blocks();
  ASSERT_EQ(surface.size(), centres.size());
  for (size_t b = 0; b < surface.size(); ++b)
    for (size_t p = 0; p < surface[b].points.size(); ++p) {
      const auto& s0 = surface[b].points[p];
      const auto& c0 = centres[b].points[p];
      for (int axis = 1; axis <= 3; ++axis)
        EXPECT_NEAR(Val(c0[axis]), Val(s0[axis]) + 0.05 * Val(s0[axis + 3]), 2e-5) << Join(c0, " ");
      EXPECT_EQ(c0[7], s0[7]);
    }
}

TEST_F(SimHostMeasure, FormNoiseStaysWithinItsAmplitudeAlongTheNormal) {
  Ini({"Noise = 0.002", "Seed = 7"});
  WriteNominal("TB100");
  WriteBladeTxt("TB100", 2, {1.0, 2.0});
  Run({"MEASURE_BLADE"});
  double largest = 0;
  for (const auto& block : Blocks())
    for (const auto& w : block.points) {
      EXPECT_LE(std::fabs(Val(w[7])), 0.002 + 1e-5);
      largest = std::max(largest, std::fabs(Val(w[7])));
    }
  EXPECT_GT(largest, 0.0005);
}

TEST_F(SimHostMeasure, TheSameSeedGivesTheSameBytesAndAnotherSeedDoesNot) {
  WriteNominal("TB100");
  WriteBladeTxt("TB100", 2, {1.0, 2.0});
  auto measure = [&](const std::string& seed) {
    Ini({"Seed = " + seed, "Rotation = 0.5", "OffsetY = -0.003"});
    VirtualClock own(kStart);
    SimulatedHost host(Env(&own));
    auto part = Start(host)->PartPrograms()->Open(Program("blade.prg", {"MEASURE_BLADE"}), "");
    part->EXECUTE();
    return Slurp(home + "/blade.rtf");
  };
  const std::string first = measure("11");
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(measure("11"), first);
  EXPECT_NE(measure("12"), first);
}

TEST_F(SimHostMeasure, GermanStationsGetPunktinfoBlocks) {
  Ini({});
  language = 4;
  WriteNominal("TB100");
  WriteBladeTxt("TB100", 1, {1.0});
  Run({"MEASURE_BLADE"});
  const auto blocks = Blocks();
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].header, "PUNKTINFO");
  EXPECT_EQ(Slurp(home + "/blade.rtf").find("POINTDATA"), std::string::npos);
}

TEST_F(SimHostMeasure, MeasuresTheSectionsFoundWhenFewerThanAskedFor) {
  Ini({});
  WriteNominal("TB100");
  WriteBladeTxt("TB100", 3, {1.1, 0.9});  // both nearest to A
  Run({"MEASURE_BLADE"});
  EXPECT_EQ(Blocks().size(), 2u);
}

TEST_F(SimHostMeasure, APartWithOnlyAnOemNominalCannotBeMeasured) {
  Ini({});
  fs::create_directories(blades + "/UA77");
  WriteLines(blades + "/UA77/UA77.ua", {"OEM nominal"});
  WriteBladeTxt("UA77", 1, {1.0});
  SimulatedHost host(Env());
  auto app = Start(host);
  Recorder rec;
  app->Connect(&rec);
  auto part = app->PartPrograms()->Open(Program("blade.prg", {"MEASURE_BLADE"}), "");
  try {
    part->EXECUTE();
    FAIL() << "a .ua-only part was measured";
  } catch (const AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("no KT nominal file"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("cannot measure"), std::string::npos) << e.what();
  }
  EXPECT_EQ(rec.Count("end 1"), 0);
  EXPECT_FALSE(IsRegularFile(home + "/blade.rtf"));
}

TEST_F(SimHostMeasure, AMissingBladeFileOrNominalFailsTheRun) {
  Ini({});
  SimulatedHost host(Env());
  auto part = Start(host)->PartPrograms()->Open(Program("blade.prg", {"MEASURE_BLADE"}), "");
  EXPECT_THROW(part->EXECUTE(), AutomationError);  // no blade.txt
  WriteBladeTxt("NOSUCH", 1, {1.0});
  try {
    part->EXECUTE();
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("was not found"), std::string::npos) << e.what();
  }
}

TEST_F(SimHostMeasure, NominalRecordsAreReadAsTheKtFormatDefines) {
  WriteNominal("TB100");
  const auto sections = SimReadNominal(blades + "/TB100/TB100.nom");
  ASSERT_TRUE(sections.has_value());
  ASSERT_EQ(sections->size(), 2u);
  EXPECT_EQ((*sections)[0].label, "A");
  EXPECT_EQ((*sections)[0].points.size(), 40u);
  EXPECT_EQ((*sections)[0].nose, 1);
  EXPECT_FALSE((*sections)[0].points[0].hasNormal);
  EXPECT_EQ((*sections)[1].nose, 0);
  EXPECT_TRUE((*sections)[1].points[0].hasNormal);
  EXPECT_NEAR((*sections)[1].Height(), 2.0, 1e-12);
  EXPECT_NEAR((*sections)[1].points[10].y, kB2, 1e-6);
}

TEST_F(SimHostMeasure, ReportWritesTheHostsPrintedReports) {
  Ini({});
  WriteNominal("TB100");
  WriteBladeTxt("TB100", 2, {1.0, 2.0});
  SimulatedHost host(Env());
  auto part = Start(host)->PartPrograms()->Open(Program("blade.prg", {"UNITS MM", "MEASURE_BLADE", "REPORT"}), "");
  part->SetPartName("TB100_{X}");
  part->SetSerialNumber("SN\xE9" "1");
  part->EXECUTE();
  const auto txt = ReadLines(home + "/QUORVX.TXT");
  ASSERT_TRUE(txt.has_value());
  const std::string all = Join(*txt, "\n");
  EXPECT_NE(all.find("Program: " + home + "/blade.prg"), std::string::npos);
  EXPECT_NE(all.find("Part name: TB100_{X}"), std::string::npos);
  EXPECT_NE(all.find("Units: MM"), std::string::npos);
  EXPECT_NE(all.find("Blade TB100 section A at height 1.00000: 48 points"), std::string::npos);
  const std::string rtf = Slurp(home + "/QUORVX.RTF");
  EXPECT_NE(rtf.find("Part name: TB100_\\{X\\}\\par\r\n"), std::string::npos);
  EXPECT_NE(rtf.find("Serial number: SN\\'e91\\par"), std::string::npos);
}

TEST(SimHostRtf, EscapesBracesBackslashesAndHighBytes) {
  EXPECT_EQ(SimRtfEscape("a\\b{c}\xE9"), "a\\\\b\\{c\\}\\'e9");
  EXPECT_EQ(SimRtfLines({"x"}).back(), "}");
  EXPECT_EQ(SimRtfLines({"x"})[1], "x\\par");
}

// --- Probes, tools and qualification -------------------------------------------------

class SimHostProbes : public SimHostTest {
 protected:
  void SetUp() override {
    Ini({});
    fs::create_directories(install + "/probes");
    WriteLines(install + "/probes/STAR5.prb", {"! five tips", "TIP 1 0.0787", "TIP 2 0.0787", "TIP 3 0.0787",
                                               "TIP 4 0.0787", "TIP 5 0.0394"});
    WriteLines(install + "/probes/PROBE1.prb", {"TIP T1 0.0787", "TIP T2 0.0787"});
    WriteLines(install + "/probes/EMPTY.prb", {"! no tips yet"});
    WriteLines(install + "/probes/notes.txt", {"TIP X 1"});
    WriteLines(install + "/tools.txt", {"! qualification spheres", "SPHERE1 0.7500", "SPHERE2 1.0000"});
    host = std::make_unique<SimulatedHost>(Env());
    part = Start(*host)->PartPrograms()->Open(Program("cal.prg", {"COMMENT calibrate"}), "");
    ASSERT_NE(part, nullptr);
  }
  std::unique_ptr<SimulatedHost> host;
  std::shared_ptr<HostPart> part;
};

TEST_F(SimHostProbes, ListsProbeFilesByNameWithTheirTips) {
  auto probes = part->Probes();
  ASSERT_EQ(probes->Count(), 3);
  EXPECT_EQ(probes->Item(1)->Name(), "EMPTY");
  EXPECT_EQ(probes->Item(2)->Name(), "PROBE1");
  EXPECT_EQ(probes->Item(3)->Name(), "STAR5");
  EXPECT_THROW(probes->Item(4), AutomationError);
  auto star = probes->ItemByName("star5");
  ASSERT_NE(star, nullptr);
  EXPECT_EQ(star->Path(), install + "/probes/");
  ASSERT_EQ(star->TipCount(), 5);
  EXPECT_EQ(star->Tip(5)->Name(), "5");
  EXPECT_DOUBLE_EQ(star->Tip(5)->Diameter(), 0.0394);
  EXPECT_EQ(probes->ItemByName("NOPE"), nullptr);
  star->SelectAllTips();
  probes->SaveChanges();
  probes->CancelChanges();
  EXPECT_TRUE(Journaled("SELECT ALL TIPS STAR5"));
  EXPECT_TRUE(Journaled("SAVE PROBES"));
  EXPECT_TRUE(Journaled("CANCEL PROBES"));
}

TEST_F(SimHostProbes, ToolsComeFromToolsTxt) {
  auto tools = part->Tools();
  ASSERT_EQ(tools->Count(), 2);
  EXPECT_EQ(tools->Item(1)->ID(), "SPHERE1");
  EXPECT_EQ(tools->ItemById("sphere2"), tools->Item(2));
  EXPECT_EQ(tools->ItemById("SPHERE9"), nullptr);
  EXPECT_THROW(tools->Item(3), AutomationError);
}

TEST_F(SimHostProbes, QualificationNeedsAToolAndTips) {
  auto probes = part->Probes();
  auto probe = probes->ItemByName("PROBE1");
  auto settings = probe->QualificationSettings();
  EXPECT_FALSE(probe->Qualify2(settings));
  EXPECT_TRUE(Journaled("QUALIFY PROBE1 FAILED: no tool was set"));
  auto empty = probes->ItemByName("EMPTY");
  auto emptySettings = empty->QualificationSettings();
  emptySettings->SetTool(part->Tools()->Item(1));
  EXPECT_FALSE(empty->Qualify2(emptySettings));
  EXPECT_FALSE(IsRegularFile(install + "/probes/EMPTY.Results"));
  EXPECT_FALSE(IsRegularFile(install + "/probes/PROBE1.Results"));
}

TEST_F(SimHostProbes, QualificationWritesTheResultsWithTheSettingsUsed) {
  auto probe = part->Probes()->ItemByName("PROBE1");
  auto settings = probe->QualificationSettings();
  EXPECT_DOUBLE_EQ(settings->NumHits(), 5);
  EXPECT_DOUBLE_EQ(settings->MoveSpeed(), 20);
  EXPECT_EQ(settings->Mode(), 0);
  settings->SetNumHits(9);
  settings->SetToolMoved(1);
  settings->SetTool(part->Tools()->ItemById("SPHERE2"));
  // The settings belong to the probe: a fresh listing gives the same ones.
  EXPECT_DOUBLE_EQ(part->Probes()->ItemByName("PROBE1")->QualificationSettings()->NumHits(), 9);
  const auto before = clock.ElapsedMs();
  EXPECT_TRUE(probe->Qualify2(settings));
  EXPECT_GT(clock.ElapsedMs(), before);
  const auto lines = ReadLines(install + "/probes/PROBE1.Results");
  ASSERT_TRUE(lines.has_value());
  const std::string all = Join(*lines, "\n");
  EXPECT_NE(all.find("Probe PROBE1"), std::string::npos);
  EXPECT_NE(all.find("Tool SPHERE2 1.00000"), std::string::npos);
  EXPECT_NE(all.find("NumHits 9 "), std::string::npos);
  EXPECT_NE(all.find("ToolMoved 1"), std::string::npos);
  int tips = 0;
  for (const auto& line : *lines) {
    const auto w = SimWords(line);
    if (w.empty() || w[0] != "TIP") continue;
    ++tips;
    ASSERT_EQ(w.size(), 10u);
    EXPECT_NEAR(Val(w[5]), 0.0787, 0.0001);
    // The form error spans the hits, wider than their standard deviation.
    EXPECT_EQ(w[8], "Form");
    EXPECT_GT(Val(w[9]), Val(w[7]));
  }
  EXPECT_EQ(tips, 2);
  EXPECT_TRUE(Journaled("QUALIFY PROBE1"));
  EXPECT_FALSE(IsRegularFile(install + "/probes/PROBE1.Results.tmp"));
}

// Settings a station could leave out of range, one at a time: each fails at
// once, before any hit, and the journal says which. QualifyFails fails a probe
// after its hits.
TEST_F(SimHostProbes, QualificationFailsForSettingsOutOfRangeAndForProbesSetToFail) {
  auto probe = part->Probes()->ItemByName("PROBE1");
  auto settings = [&] {
    auto q = std::make_shared<SimQualSettings>();
    q->SetTool(part->Tools()->Item(1));
    q->SetMode(100);
    return q;
  };
  const std::vector<std::pair<std::function<void(SimQualSettings&)>, std::string>> bad = {
      {[](SimQualSettings& q) { q.SetNumHits(3.9); }, "NumHits 3.9"},
      {[](SimQualSettings& q) { q.SetNumHits(1000); }, "NumHits 1000"},
      {[](SimQualSettings& q) { q.SetMoveSpeed(0); }, "MoveSpeed 0"},
      {[](SimQualSettings& q) { q.SetTouchspeed(-1); }, "Touchspeed -1"},
      {[](SimQualSettings& q) { q.SetPreHit(0); }, "PreHit 0"},
      {[](SimQualSettings& q) { q.SetMode(7); }, "Mode 7"},
      {[](SimQualSettings& q) { q.SetExecuteMode(1); }, "ExecuteMode 1"},
      {[](SimQualSettings& q) { q.SetToolMoved(2); }, "ToolMoved 2"}};
  for (const auto& [spoil, what] : bad) {
    auto q = settings();
    spoil(*q);
    const auto before = clock.ElapsedMs();
    EXPECT_FALSE(probe->Qualify2(q)) << what;
    EXPECT_EQ(clock.ElapsedMs(), before) << what;
    EXPECT_EQ(Journal().back().rfind("QUALIFY PROBE1 FAILED: " + what + ": ", 0), 0u) << Journal().back();
  }
  EXPECT_FALSE(IsRegularFile(install + "/probes/PROBE1.Results"));
  // The edges that are taken.
  auto edge = settings();
  edge->SetNumHits(4.9);
  edge->SetTouchspeed(0.5);
  edge->SetMode(0);
  edge->SetToolMoved(1);
  EXPECT_TRUE(probe->Qualify2(edge));

  Ini({"QualifyFails = other star5"});
  Start(*host);
  auto star = part->Probes()->ItemByName("STAR5");
  const auto before = clock.ElapsedMs();
  EXPECT_FALSE(star->Qualify2(settings()));
  EXPECT_GT(clock.ElapsedMs(), before);
  EXPECT_TRUE(Journaled("QUALIFY STAR5 FAILED: the probe did not qualify (QualifyFails)"));
  EXPECT_FALSE(IsRegularFile(install + "/probes/STAR5.Results"));
  EXPECT_TRUE(probe->Qualify2(settings()));
}

// 100 ms a hit with the default speeds; a sphere that has moved is found first, with 25 hits.
TEST_F(SimHostProbes, QualificationTakesLongerAfterTheSphereMovedAndAtLowerSpeeds) {
  auto probe = part->Probes()->ItemByName("PROBE1");  // 2 tips
  auto q = probe->QualificationSettings();
  q->SetTool(part->Tools()->Item(1));
  auto took = [&] {
    const auto before = clock.ElapsedMs();
    EXPECT_TRUE(probe->Qualify2(q));
    return clock.ElapsedMs() - before;
  };
  EXPECT_EQ(took(), 5 * 2 * 100);
  q->SetToolMoved(1);
  EXPECT_EQ(took(), (25 + 5 * 2) * 100);
  q->SetToolMoved(0);
  q->SetTouchspeed(0.5);  // the pre-hit distance takes twice as long
  EXPECT_EQ(took(), 5 * 2 * 150);
}

TEST_F(SimHostProbes, ResultsFileCanComeLateGoToTheInstallationOrNotComeAtAll) {
  const std::string inProbes = install + "/probes/PROBE1.Results", inInstall = install + "/PROBE1.Results";
  Ini({"ResultsDelay = 2000"});
  Start(*host);
  auto probe = part->Probes()->ItemByName("PROBE1");
  auto q = probe->QualificationSettings();
  q->SetTool(part->Tools()->Item(1));
  EXPECT_TRUE(probe->Qualify2(q));
  EXPECT_FALSE(IsRegularFile(inProbes));
  clock.Wait(1999);
  EXPECT_FALSE(IsRegularFile(inProbes));
  clock.Wait(1);
  EXPECT_TRUE(IsRegularFile(inProbes));
  // A blocking sleep runs no timer; the host's next call writes what is due.
  fs::remove(inProbes);
  EXPECT_TRUE(probe->Qualify2(q));
  clock.Sleep(2000);
  EXPECT_FALSE(IsRegularFile(inProbes));
  probe->Name();
  EXPECT_TRUE(IsRegularFile(inProbes));
  EXPECT_FALSE(IsRegularFile(inProbes + ".tmp"));

  fs::remove(inProbes);
  Ini({"ResultsDir = install"});
  Start(*host);
  EXPECT_TRUE(probe->Qualify2(q));
  EXPECT_TRUE(IsRegularFile(inInstall));
  EXPECT_FALSE(IsRegularFile(inProbes));

  fs::remove(inInstall);
  Ini({"ResultsDir = NONE"});
  Start(*host);
  EXPECT_TRUE(probe->Qualify2(q));
  EXPECT_FALSE(IsRegularFile(inInstall));
  EXPECT_FALSE(IsRegularFile(inProbes));
}

// --- The demo installation -----------------------------------------------------------

TEST_F(SimHostTest, TheDemoInstallationParsesAndItsExamplesRun) {
  const fs::path demo = fs::path(__FILE__).parent_path().parent_path().parent_path() / "demo" / "home" / "host";
  if (!fs::exists(demo / "simhost.ini")) GTEST_SKIP() << "demo installation not found at " << demo;
  fs::remove_all(install);
  fs::copy(demo, install, fs::copy_options::recursive);
  SimulatedHost host(Env());
  auto app = host.GetObject();
  app->WaitUntilReady(40);
  EXPECT_EQ(clock.ElapsedMs(), 500);  // the demo's StartDelay
  EXPECT_EQ(app->VersionString(), "Quorvex 5.1");
  EXPECT_EQ(app->GetRegistryInt("Option", "WarnMeasAllTips", 1), 0);
  Recorder rec;
  app->Connect(&rec);
  auto parts = app->PartPrograms();
  std::map<std::string, std::shared_ptr<HostPart>> programs;
  for (const char* name : {"Align.prg", "Blade.prg", "Cancelled.prg", "Breakpoint.prg", "Failing.prg"}) {
    programs[name] = parts->Open(install + "/examples/" + name, "OFFLINE");
    EXPECT_NE(programs[name], nullptr) << name;
  }
  if (HasFailure()) return;
  auto probes = programs["Align.prg"]->Probes();
  ASSERT_EQ(probes->Count(), 2);
  EXPECT_EQ(probes->ItemByName("STAR5")->TipCount(), 5);
  EXPECT_EQ(programs["Align.prg"]->Tools()->Count(), 2);
  // The demo host reports the end of a run after EXECUTE has returned.
  programs["Align.prg"]->EXECUTE();
  clock.ProcessEvents();
  EXPECT_EQ(rec.events.back(), "end 1");
  EXPECT_TRUE(IsRegularFile(home + "/QUORVX.TXT"));
  programs["Cancelled.prg"]->EXECUTE();
  clock.ProcessEvents();
  EXPECT_EQ(rec.events.back(), "end 2");
  programs["Breakpoint.prg"]->EXECUTE();
  clock.ProcessEvents();
  EXPECT_EQ(rec.events.back(), "end 2");
  EXPECT_THROW(programs["Failing.prg"]->EXECUTE(), AutomationError);
}

}  // namespace
}  // namespace zarvane
