#pragma once
// The station's one connection to the CMM host: attaching or starting it,
// shutting it down, its events, the check and restart timers, and running part
// programs.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "host/automation.h"
#include "station/station.h"

namespace zarvane {

class HostConnection;

// The always-connected sink: the end of every program run.
class AppEventsSink : public HostEvents {
 public:
  explicit AppEventsSink(HostConnection& c) : c_(c) {}
  void OnEndExecution(HostPart* program, int type) override;

 private:
  HostConnection& c_;
};

// The diagnostic sink, connected only when the debug level is above 9.
class AppEventsQVXSink : public HostEvents {
 public:
  explicit AppEventsQVXSink(HostConnection& c) : c_(c) {}
  void OnStartExecution(HostPart* program) override;
  void OnOpenPartProgram(HostPart* program) override;
  void OnClosePartProgram(HostPart* program) override;
  void OnObjectAboutToExecute(HostPart* program, HostCommand* command) override;
  void OnObjectExecuted(HostPart* program, HostCommand* command) override;
  void OnAddObject(HostPart* program, HostCommand* command) override;
  void OnUpdateStatusMessage(const std::string& text) override;

 private:
  HostConnection& c_;
};

class HostConnection : public HostLink {
 public:
  // The longest the station waits for a host to go away during a restart, in
  // multiples of the restart time.
  static constexpr int kRestartWaitFactor = 4;
  static constexpr const char* kWindowClass = "TrelbaneAssociatesIncQuorvexWndClass";

  HostConnection(Core& core, Station& station, HostBackend& backend);
  ~HostConnection() override;

  // The host objects the station holds.
  std::shared_ptr<HostApp> HostApp_;
  std::shared_ptr<HostParts> HostParts_;
  std::shared_ptr<HostPart> HostPart_;
  std::shared_ptr<HostCommands> HostCommands_;
  std::shared_ptr<HostProbes> HostProbes_;
  std::string gHostPath;
  bool cancelFlag = false;
  bool endOfRunHeard = false;  // OnEndExecution came for the run under way
  std::string activeFullName, activeName;  // set by AttachActiveProgram
  // The serial number box of the current zone (the inspection options window);
  // empty while that window does not exist.
  std::function<std::string()> currentSerialNumber = [] { return std::string(); };

  // HostLink (start-up and exit).
  void RestartRunningHost(Form& statusForm) override;
  // A host that cannot be reached (getting the object, waiting until it is
  // ready) switches the station to TEST mode with a message; an error after
  // that is thrown to the caller.
  void StartQVX(bool showProgress, bool keepVisible, Form& mainWindow, Form& statusForm) override;
  void CheckHostSettings() override;
  void KillQVX(bool showProgress, Form& mainWindow, Form& statusForm) override;
  void StartCheckTimer() override;

  void Kill9QVX(Form& statusForm);
  void WriteStartupOptions(bool f, bool d);
  void AttachEvents();
  void DetachEvents();
  void BringHostToFront(const std::string& windowClass);
  bool HostIsNewVersion() const;
  // Whether the host's main window exists (a host is running).
  bool MainWindowExists() { return backend_.MainWindowExists(); }
  static std::string StripBeta(const std::string& version);

  bool RunQVXProg(const std::string& program, bool showProgress, Form& mainWindow, Form& statusForm,
                  const std::string& partName) override;
  bool LastRunCancelled() const override { return cancelFlag; }
  bool AttachActiveProgram(bool report);
  void DetachProgram(bool closeAll);
  bool FindVar(const std::string& name);
  void mnuRunQVXProg_Click();

  void CheckTimer_Timer();
  void restartTimer_Timer();
  // Waits, processing events, until the restart timer has run its course.
  void WaitRestartTimer();

  // For the event sinks.
  Core& c;
  Station& station;
  std::string ProgramName(HostPart* program);

 private:
  void Status(Form& statusForm, const std::string& text, bool onlyWhenVisible = false);
  void ReleaseAll();
  // Throws the "object not set" run-time error when no host is attached.
  void RequireHost() const;
  // How long a run's end is waited for after EXECUTE has returned.
  static constexpr std::chrono::milliseconds kEndOfRunWait{5000};
  void WaitForEndOfRun();
  double RestartSeconds();  // the settings file's RestartTime, 5 when empty
  int IniInt(const std::string& section, const std::string& key, int defaultValue);

  HostBackend& backend_;
  AppEventsSink appEvents_;
  AppEventsQVXSink appEventsQVX_;
  int checkTimerElapsed_ = 0;
  int restartTimerElapsed_ = 0;
};

}  // namespace zarvane
