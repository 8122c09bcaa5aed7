#include "host/connection.h"

#include <filesystem>

#include "foundation/paths.h"
#include "foundation/text.h"
#include "station/statusline.h"

namespace fs = std::filesystem;

namespace zarvane {

// --- Events ------------------------------------------------------------------

std::string HostConnection::ProgramName(HostPart* program) {
  try {
    return program ? program->Name() : std::string();
  } catch (const std::exception&) {
    return {};
  }
}

void AppEventsSink::OnEndExecution(HostPart* program, int type) {
  try {
    const std::string tail = " " + c_.station.gHostVersion + " Program Name:" + c_.ProgramName(program);
    c_.endOfRunHeard = true;
    if (type == 1) {
      c_.c.WriteLog(c_.c.Translate("Quorvex program finished execution and terminated normally.") + tail, 0);
      c_.cancelFlag = false;
    } else if (type == 2) {
      if (c_.HostApp_) c_.HostApp_->SetVisible(false);
      c_.c.WriteLog(c_.c.Translate("Quorvex program was cancelled; Measurement will be halted.") + tail, 0);
      c_.cancelFlag = true;
    } else {
      c_.c.WriteLog(
          c_.c.Translate("Quorvex program was cancelled for an unknown reason; Measurement will be halted.") + tail, 0);
      c_.cancelFlag = true;
    }
  } catch (const std::exception&) {
    // An event handler never fails the host.
  }
}

void AppEventsQVXSink::OnStartExecution(HostPart* program) {
  try {
    c_.c.WriteLog(c_.c.Translate("Quorvex started execution of the part program:") + c_.ProgramName(program), 0);
  } catch (const std::exception&) {
  }
}

void AppEventsQVXSink::OnOpenPartProgram(HostPart* program) {
  try {
    c_.c.WriteLog(c_.c.Translate("Quorvex opened the part program:") + c_.ProgramName(program), 0);
  } catch (const std::exception&) {
  }
}

void AppEventsQVXSink::OnClosePartProgram(HostPart*) {
  try {
    c_.c.WriteLog("QVXOnClosePartProgram: Fired", 0);
  } catch (const std::exception&) {
  }
}

void AppEventsQVXSink::OnObjectAboutToExecute(HostPart*, HostCommand* command) {
  try {
    c_.c.WriteLog(c_.c.Translate("Quorvex Object about to execute, the command is:") + (command ? command->Text() : ""),
                  10);
  } catch (const std::exception&) {
  }
}

void AppEventsQVXSink::OnObjectExecuted(HostPart*, HostCommand* command) {
  try {
    c_.c.WriteLog(c_.c.Translate("Quorvex Object executed, the command was:") + (command ? command->Text() : ""), 10);
  } catch (const std::exception&) {
  }
}

void AppEventsQVXSink::OnAddObject(HostPart*, HostCommand* command) {
  try {
    c_.c.WriteLog(c_.c.Translate("Invalid command is inserted into part program") + (command ? command->Text() : ""),
                  10, true);
  } catch (const std::exception&) {
  }
}

void AppEventsQVXSink::OnUpdateStatusMessage(const std::string& text) {
  try {
    c_.c.WriteLog("QVXOnUpdateStatusMessage: Fired: Message was: " + text, 9);
  } catch (const std::exception&) {
  }
}

// --- Connection --------------------------------------------------------------

HostConnection::HostConnection(Core& core, Station& st, HostBackend& backend)
    : c(core), station(st), backend_(backend), appEvents_(*this), appEventsQVX_(*this) {
  station.host = this;
  station.frmMain("CheckTimer").onTimer = [this] { CheckTimer_Timer(); };
  station.frmMain("restartTimer").onTimer = [this] { restartTimer_Timer(); };
  station.EnableCommand("mnuRunQVXProg");
  station.frmMain("mnuRunQVXProg").onClick = [this] { mnuRunQVXProg_Click(); };
}

HostConnection::~HostConnection() {
  if (station.host == this) station.host = nullptr;
  try {
    DetachEvents();
  } catch (...) {
  }
}

int HostConnection::IniInt(const std::string& section, const std::string& key, int defaultValue) {
  const std::string v = c.GetIniVal(section, key, std::to_string(defaultValue));
  return IsNumeric(v) ? ValInt(v) : defaultValue;
}

void HostConnection::Status(Form& statusForm, const std::string& text, bool onlyWhenVisible) {
  if (onlyWhenVisible && !statusForm.Visible()) return;
  station.ShowStatus(statusForm, text);
}

double HostConnection::RestartSeconds() {
  const std::string text = c.GetKeyVal(c.gIniFile, "RestartTime");
  return text.empty() ? 5 : Val(text);
}

void HostConnection::ReleaseAll() {
  HostCommands_.reset();
  HostProbes_.reset();
  HostParts_.reset();
  HostPart_.reset();
}

std::string HostConnection::StripBeta(const std::string& version) { return Trim(IReplaceAll(version, "beta", "")); }

bool HostConnection::HostIsNewVersion() const {
  for (const char* old : {"3.2", "3.0", "2.3"})
    if (IContains(station.gHostVersion, old)) return false;
  return true;
}

void HostConnection::WriteStartupOptions(bool f, bool d) {
  const std::string dir = c.PeekIniVal("directories", "LastQVXDir").value_or("");
  if (dir.empty()) return;
  std::string line;
  if (f) line += "/f ";
  if (d) line += "/d ";
  WriteLines(dir + "AutomationStartupOptions.txt", {line});
}

void HostConnection::AttachEvents() {
  if (!HostApp_) return;
  // Attaching runs again before every program run; each connection would
  // deliver every event once more, so the earlier ones end first.
  DetachEvents();
  HostApp_->Connect(&appEvents_);
  if (c.gDebugLevel > 9) HostApp_->Connect(&appEventsQVX_);
}

void HostConnection::DetachEvents() {
  if (!HostApp_) return;
  HostApp_->Disconnect(&appEvents_);
  HostApp_->Disconnect(&appEventsQVX_);
}

void HostConnection::StartQVX(bool showProgress, bool keepVisible, Form& mainWindow, Form& statusForm) {
  c.WriteLog("StartQVX: Start", 0);
  if (showProgress) Status(statusForm, c.Translate("Initializing Quorvex..."));
  // Only a failure to reach the host at all makes the station run without
  // one. Once the host answers, an error is a fault of this call, not a
  // missing host: it goes to the caller, which reports it and stays connected.
  try {
    if (station.gInterface == "OFFLINE") WriteStartupOptions(true, false);
    c.WriteLog("StartQVX: GetObject", 5);
    HostApp_ = backend_.GetObject();
    c.WriteLog("StartQVX: GotObject", 5);
    c.WriteLog("WaitUntilReady", 5);
    HostApp_->WaitUntilReady(40);
    if (showProgress) Status(statusForm, c.Translate("Quorvex started and attached..."));
  } catch (const std::exception& e) {
    c.WriteLog("StartQVX: Error occurred: " + std::string(e.what()), 0);
    ReleaseAll();
    HostApp_.reset();
    c.WriteLog(c.Translate("Unable to attach Quorvex.  Interface will run in TEST mode") + ".", 0, station.NormalStart());
    station.gInterface = "TEST";
    station.gHostVersion = c.Translate("TEST");
    return;
  }
  if (!keepVisible) HostApp_->SetVisible(false);
  const std::string version = HostApp_->VersionString();
  c.WriteLog("Quorvex Version: " + version, 0);
  station.gHostVersion = StripBeta(version);
  if (showProgress) Status(statusForm, c.Translate("Initializing") + " " + station.gHostVersion + "...");
  c.WriteLog("Quorvex full name: " + HostApp_->FullName(), 0);
  gHostPath = LongDirName(HostApp_->Path());
  c.WriteLog("Quorvex path: " + gHostPath, 0);
  c.SaveIniVal("directories", "LastQVXDIR", gHostPath);
  if (showProgress) Status(statusForm, c.Translate("Linking") + " " + station.gHostVersion + "...");
  HostParts_ = HostApp_->PartPrograms();
  c.WriteLog("StartQVX: AppEvents Connect...", 5);
  if (showProgress)
    Status(statusForm, c.Translate("Connecting") + " " + station.gHostVersion + " " + c.Translate("event tracking..."));
  AttachEvents();
}

void HostConnection::Kill9QVX(Form& statusForm) {
  const int quitWait = IniInt("Timing", "QUORVXQuit", 2000);
  Status(statusForm, c.Translate("Waiting for Quorvex to shutdown..."), true);
  if (backend_.MainWindowExists()) c.platform.clock->Sleep(quitWait);
  if (backend_.MainWindowExists()) {
    Status(statusForm, c.Translate("Quorvex given 2nd chance to shutdown..."), true);
    ReleaseAll();
    if (HostApp_) {
      c.WriteLog("Kill9QVX: The Quorvex application object is still held, asking it to quit again.", 0);
      try {
        HostApp_->quit();
      } catch (const std::exception& e) {
        c.WriteLog("Kill9QVX: quit failed: " + std::string(e.what()), 0);
      }
    }
    HostApp_.reset();
    c.platform.clock->Sleep(quitWait);
  }
  if (backend_.MainWindowExists()) {
    Status(statusForm, c.Translate("Quorvex is being forced to shutdown..."), true);
    backend_.CloseMainWindow();
    c.platform.clock->Sleep(quitWait);
    ReleaseAll();
    HostApp_.reset();
  }
  if (backend_.MainWindowExists()) c.Tell("Quorvex will not shutdown, Please contact System Administrator");
}

void HostConnection::KillQVX(bool showProgress, Form& mainWindow, Form& statusForm) {
  c.WriteLog("KillQVX: Start:", 5);
  if (!backend_.MainWindowExists()) {
    c.WriteLog("KillQVX: End:", 5);
    return;
  }
  if (showProgress) statusForm.Show(false);
  Status(statusForm, c.Translate("Shutting down") + " " + station.gHostVersion + "...");
  try {
    if (IniInt("Quorvex", "Operator_Mode", 0) == 1 && HostApp_) HostApp_->SetOperatorMode(false);
    c.WriteLog("KillQVX: Disconnect AppEvents...", 5);
    DetachEvents();
    c.WriteLog("Closing all Quorvex programs...", 0);
    if (HostApp_) {
      HostApp_->PartPrograms()->CloseAll();
      c.platform.clock->Sleep(IniInt("Timing", "CloseAllDelay", 1000));
      HostPart_.reset();
      HostParts_.reset();
      c.WriteLog("KillQVX: App Quit...", 0);
      HostApp_->quit();
    }
  } catch (const std::exception& e) {
    c.WriteLog("KillQVX: Error occurred: " + std::string(e.what()), 0);
  }
  HostApp_.reset();
  Kill9QVX(statusForm);
  Status(statusForm, station.gHostVersion + " " + c.Translate("Shutdown."));
  if (showProgress) {
    c.WriteLog("KillQVX: Hiding SplashForm", 9);
    statusForm.Hide();
  }
  c.WriteLog("KillQVX: End:", 5);
}

void HostConnection::RestartRunningHost(Form& statusForm) {
  station.SplashStatus("Checking for Quorvex...");
  if (!backend_.MainWindowExists()) return;
  station.SplashStatus("Found Quorvex. Closing for restart...");
  try {
    c.WriteLog("MainInit: GetObject", 0);
    HostApp_ = backend_.GetObject();
    c.WriteLog("MainInit: GotObject", 0);
    c.WriteLog("WaitUntilReady", 5);
    HostApp_->WaitUntilReady(10);
    c.WriteLog("MainInit: Found Quorvex full name: " + HostApp_->FullName(), 0);
    const std::string path = LongDirName(HostApp_->Path());
    c.WriteLog("MainInit: Found Quorvex path: " + path, 0);
    c.WriteLog("MainInit: App Quit...", 0);
    HostApp_->quit();
  } catch (const std::exception& e) {
    c.WriteLog("MainInit: Error occurred: " + std::string(e.what()), 0);
  }
  ReleaseAll();
  HostApp_.reset();
  c.Tell("Quorvex was found, shutdown, and will be restarted.  Any work in progress was saved");
  Kill9QVX(statusForm);
}

void HostConnection::CheckHostSettings() {
  const std::string incompatible = c.Translate("Incompatible setting found in") + " " + station.gHostVersion + ".\r\n" +
                                   c.Translate("Search help for 'WarnMeasAllTips'.  Follow the instructions") + ".\r\n" +
                                   c.Translate("Probe qualification will not run until this setting is changed") + ".";
  if (HostIsNewVersion()) {
    if (!HostApp_) {
      c.WriteLog("frmMain_Form_Load: Quorvex is not attached, its settings were not checked.", 0);
      return;
    }
    try {
      if (HostApp_->GetRegistryInt("Option", "WarnMeasAllTips", 1) != 0) c.WriteLog(incompatible, 0, true);
      station.gProbeDir = HostApp_->GetRegistryString("Option", "LoadProbeUserSearchDirectory", "");
    } catch (const std::exception& e) {
      c.WriteLog("frmMain_Form_Load: Error occurred: " + std::string(e.what()), 0);
    }
  } else {
    const std::string system = c.platform.system ? c.platform.system->SystemDirectory() : "";
    station.gHostIniFile = JoinPath(system, "QUOLAB.INI");
    if (!c.FileExists(station.gHostIniFile, true)) {
      c.WriteLog(c.Translate("QUOLAB.INI not found in") + " " + station.gHostIniFile + ". " +
                     c.Translate("Please contact System Administrator") + ".",
                 0, true);
      station.TriggerExit();
    }
    if (Val(c.GetKeyVal(station.gHostIniFile, "WarnMeasAllTips")) != 0) c.WriteLog(incompatible, 0, true);
    station.gProbeDir = c.GetKeyVal(station.gHostIniFile, "LoadProbeUserSearchDirectory");
  }
  c.WriteLog("Quorvex probes directory: " + station.gProbeDir, 0);
}

void HostConnection::BringHostToFront(const std::string&) { backend_.BringToFront(); }

void HostConnection::StartCheckTimer() {
  checkTimerElapsed_ = 0;
  station.frmMain("CheckTimer").SetEnabled(true);
}

void HostConnection::CheckTimer_Timer() {
  Control& timer = station.frmMain("CheckTimer");
  const double minutes = Val(c.GetKeyVal(c.gIniFile, "CheckTimerTime"));
  if (checkTimerElapsed_ >= minutes * 60000) {
    checkTimerElapsed_ = 0;
    const std::string command = c.GetKeyVal(c.gIniFile, "CheckTimerCMD");
    if (!command.empty()) {
      // The first word is the program, the rest its parameters.
      const size_t blank = command.find(' ');
      const std::string program = command.substr(0, blank);
      const std::string parameters = blank == std::string::npos ? "" : Trim(command.substr(blank + 1));
      if (c.FileExists(program, true)) {
        c.ShellOpen("Open", program, parameters, "", 1);
      } else {
        c.WriteLog(program + " " + c.Translate("does not exist.  Contact System Administrator") + ".", 0, true);
      }
    }
  }
  checkTimerElapsed_ += timer.Interval();
}

void HostConnection::restartTimer_Timer() {
  Control& timer = station.frmMain("restartTimer");
  restartTimerElapsed_ += timer.Interval();
  if (RestartSeconds() * 1000 < restartTimerElapsed_) timer.SetEnabled(false);
}

void HostConnection::WaitRestartTimer() {
  Control& timer = station.frmMain("restartTimer");
  restartTimerElapsed_ = 0;
  timer.SetEnabled(true);
  while (timer.Enabled()) c.platform.clock->Wait(50);
}

bool HostConnection::AttachActiveProgram(bool report) {
  c.WriteLog("AttachActiveProgram: Start", 0);
  HostParts_ = HostApp_->PartPrograms();
  HostPart_ = HostApp_->ActivePartProgram();
  if (!HostPart_) {
    c.WriteLog("There is no active Quorvex part program.", 0, report);
    return false;
  }
  activeFullName = HostPart_->FullName();
  activeName = HostPart_->Name();
  c.WriteLog("AttachActiveProgram: " + activeFullName, 0);
  HostCommands_ = HostPart_->Commands();
  c.WriteLog("AttachActiveProgram: Commands: " + std::to_string(HostCommands_->Count()), 0);
  return true;
}

void HostConnection::DetachProgram(bool closeAll) {
  c.WriteLog("DetachProgram: Start", 0);
  if (closeAll) {
    c.WriteLog("DetachProgram: CloseAll requested.", 0);
    if (HostParts_ && HostParts_->Count() > 0) {
      HostParts_->CloseAll();
      c.platform.clock->Sleep(IniInt("Timing", "CloseAllDelay", 1000));
    }
  }
  HostCommands_.reset();
  HostPart_.reset();
}

bool HostConnection::FindVar(const std::string& name) {
  c.WriteLog("FindVar: Start", 0);
  bool found = false;
  try {
    if (HostApp_ && AttachActiveProgram(false)) {
      for (int i = 1; i <= HostCommands_->Count(); ++i) {
        auto command = HostCommands_->Item(i);
        if (command->IsFlowControl() && command->GetText(133, 0) == name) found = true;
      }
    }
    DetachProgram(false);
  } catch (const std::exception& e) {
    c.WriteLog("FindVar: Error occurred: " + std::string(e.what()), 0);
    HostCommands_.reset();
    HostPart_.reset();
  }
  return found;
}

void HostConnection::WaitForEndOfRun() {
  // The host may report how the run ended only after EXECUTE has returned.
  // Callers test the cancel flag as soon as the run returns, so the report is
  // waited for, processing events, for a bounded time.
  const auto start = c.platform.clock->Now();
  while (!endOfRunHeard && c.platform.clock->Now() - start < kEndOfRunWait) c.platform.clock->Wait(50);
  if (!endOfRunHeard) c.WriteLog("RunQVXProg: The end of the run was not reported by the host.", 0);
}

void HostConnection::RequireHost() const {
  // The run goes on with the host object; without one it cannot (attaching
  // failed and the station now runs in TEST mode).
  if (!HostApp_) throw RuntimeError(kErrObjectNotSet, "Object variable or With block variable not set");
}

bool HostConnection::RunQVXProg(const std::string& program, bool showProgress, Form& mainWindow, Form& statusForm,
                                const std::string& partName) {
  c.WriteLog("RunQVXProg Start: Running: " + program, 0);
  if (station.hostBusy > 0) {
    // Another part program runs (its wait lets the operator click): the host
    // takes one program at a time.
    c.Tell("The CMM host is running another part program; please wait until it has finished");
    return false;
  }
  // The analysis monitor's tick waits while the host is busy with the program.
  struct HostBusy {
    int& count;
    explicit HostBusy(int& n) : count(n) { ++count; }
    ~HostBusy() { --count; }
  } busy(station.hostBusy);
  try {
    if (cancelFlag) {
      c.WriteLog(station.gHostVersion + " " + c.Translate("program was terminated.  Restart measurement."), 0, true);
      cancelFlag = false;
      return false;
    }
    ++station.hostRunCount;
    c.WriteLog("RunQVXProg: Quorvex has been run " + std::to_string(station.hostRunCount) + " times.", 0);
    if (!c.FileExists(program, false)) return false;

    const std::string actual = ResolveCase(NativePath(program));
    std::error_code ec;
    const bool readOnly = (fs::status(OsPath(actual), ec).permissions() & fs::perms::owner_write) == fs::perms::none;
    c.WriteLog("RunQVXProg: Quorvex program: " + program + " attribute: " + std::to_string(readOnly ? 1 : 0), 0);
    if (readOnly) {
      c.WriteLog(c.Translate("Error: Program") + " " + program + " " + c.Translate("was read-only, state reset to Normal") +
                     ".",
                 0, true);
      fs::permissions(OsPath(actual), fs::perms::owner_write, fs::perm_options::add, ec);
    }

    const int restartNo = IniInt("Quorvex", "RESTART_NO", 10);
    const int autoRestart = IniInt("Quorvex", "AutoRestart", 1);
    const int updatePartName = IniInt("Quorvex", "UpdateQVXPartName", 1);
    const int operatorMode = IniInt("Quorvex", "Operator_Mode", 0);
    const int windowUp = IniInt("Quorvex", "WindowUp", 1);
    const int clearBreaks = IniInt("Quorvex", "ClearBreaks", 1);
    const int closeAllDelay = IniInt("Timing", "CloseAllDelay", 1000);

    StartQVX(showProgress, true, mainWindow, statusForm);
    if (statusForm.Visible()) statusForm.Hide();
    RequireHost();

    if (restartNo < station.hostRunCount) {
      KillQVX(showProgress, mainWindow, statusForm);
      // A host that does not go away is waited for a bounded time only: a few
      // rounds of the restart time, the operator told after each round.
      const double restartSeconds = std::max(1.0, RestartSeconds());
      const auto round = std::chrono::milliseconds(static_cast<long long>(restartSeconds * 1000));
      for (int rounds = 0; backend_.MainWindowExists(); ++rounds) {
        if (rounds == kRestartWaitFactor) {
          c.WriteLog(station.gHostVersion + " " + c.Translate("would not shut down for a restart.") + " " +
                         c.Translate("Please contact System Administrator") + ".",
                     0, true);
          return false;
        }
        const auto start = c.platform.clock->Now();
        while (backend_.MainWindowExists() && c.platform.clock->Now() - start < round) c.platform.clock->Wait(100);
        if (backend_.MainWindowExists() && autoRestart != 1)
          c.WriteLog(station.gHostVersion + " " + c.Translate("is still shutting down... Press OK to continue"), 0, true);
      }
      WaitRestartTimer();
      StartQVX(showProgress, true, mainWindow, statusForm);
      if (statusForm.Visible()) statusForm.Hide();
      RequireHost();
      if (autoRestart != 1)
        c.WriteLog(station.gHostVersion + " " + c.Translate("was restarted, Press OK to continue"), 0, true);
      station.hostRunCount = 0;
      WaitRestartTimer();
    }

    c.WriteLog("RunQVXProg: Setting parts...", 5);
    HostParts_ = HostApp_->PartPrograms();
    if (HostParts_->Count() > 0) {
      HostParts_->CloseAll();
      c.platform.clock->Sleep(closeAllDelay);
      c.WriteLog("RunQVXProg: Opening: " + program, 0);
      HostPart_ = HostParts_->Open(program, station.gInterface);
      c.platform.clock->Sleep(1000);
      c.WriteLog("RunQVXProg: There was more than one program open...", 0);
    } else {
      c.WriteLog("RunQVXProg: Opening: " + program, 0);
      HostPart_ = HostParts_->Open(program, station.gInterface);
      c.platform.clock->Sleep(1000);
      c.WriteLog("RunQVXProg: No programs were open...", 0);
    }

    if (updatePartName == 1 && !cancelFlag && !partName.empty() && HostPart_) {
      try {
        c.WriteLog("RunQVXProg: Setting Quorvex part name to: " + partName, 0);
        HostPart_->SetPartName(ReplaceAll(partName, "-", "_"));
        HostPart_->SetSerialNumber(currentSerialNumber());
        HostPart_->RefreshPart();
        c.WriteLog("RunQVXProg: Set Quorvex program " + program + " stat name to: " + HostPart_->PartName(), 7);
      } catch (const std::exception& e) {
        c.WriteLog("RunQVXProg: Setting the part name failed: " + std::string(e.what()), 0);
      }
    }

    if (operatorMode == 1) HostApp_->SetOperatorMode(true);
    c.WriteLog("RunQVXProg: Setting QVX visible...", 5);
    HostApp_->SetVisible(true);
    c.WriteLog("RunQVXProg: BringWindowToTop", 9);
    if (windowUp != 0) BringHostToFront(kWindowClass);

    c.WriteLog("RunQVXProg: EXECUTION", 0);
    bool result = false;
    if (!HostPart_) {
      HostApp_->SetVisible(false);
      c.WriteLog(c.Translate("There was a problem accessing the part program:") + " " + program, 0, true);
    } else {
      if (clearBreaks == 1) {
        c.WriteLog("Clearing all breakpoints", 0);
        auto commands = HostPart_->Commands();
        commands->ClearAllBreakpoints();
      }
      endOfRunHeard = false;
      HostPart_->EXECUTE();
      c.WriteLog("RunQVXProg: DONE EXECUTION", 0);
      WaitForEndOfRun();
      result = true;
    }
    c.WriteLog("RunQVXProg: Finished running program: " + program, 0);
    HostApp_->SetVisible(false);
    return result;
  } catch (const std::exception& e) {
    try {
      if (HostApp_) HostApp_->SetVisible(false);  // a failed run never leaves the host in front
    } catch (const std::exception&) {
    }
    c.WriteLog(c.Translate("Error occurred during") + " " + station.gHostVersion + " " + c.Translate("program") + " " +
                   program + " " + c.Translate("failed") + "." + Core::ErrorText(ErrFrom(e)),
               0, true);
    return false;
  }
}

void HostConnection::mnuRunQVXProg_Click() {
  c.WriteLog("mnuRunQVXProg_Click: Start:", 0);
  const std::string start = c.gProgramsDir.empty() ? c.gLocalProgramsDir : c.gProgramsDir;
  const std::string file = c.OpenFileDlg(c.Translate("Run Quorvex Program"), "Quorvex Part Program (*.PRG)|*.PRG",
                                         start.empty() ? "" : JoinPath(start, ""));
  if (!file.empty()) {
    if (station.InTestMode()) {
      station.frmMain.SetStatusText(RunStatusText(c, 0, file, RunStatus::NotRun));
      c.WriteLog(c.Translate("Interface is in TEST mode, Quorvex program that would have run:") + " " + file, 0, true);
    } else {
      // The status line is drawn at once, before the long run.
      station.frmMain.SetStatusText(RunStatusText(c, 0, file, RunStatus::Running));
      c.forms.SetBusy(true);
      const bool ran = RunQVXProg(file, true, station.frmMain, station.frmSplash, "");
      station.frmMain.SetStatusText(RunStatusText(c, 0, file, RunOutcome(ran, this)));
      if (!ran) c.WriteLog("mnuRunQVXProg_Click: Quorvex failed running the Utility Part Program: " + file, 0, true);
      c.forms.SetBusy(false);
    }
  }
  c.WriteLog("mnuRunQVXProg_Click: End:", 0);
}

}  // namespace zarvane
