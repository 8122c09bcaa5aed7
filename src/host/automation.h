#pragma once
// The CMM host's automation objects as the station uses them: the application,
// its part program collection, a part program with its command list, probes,
// tools and qualification settings, and the application's events. A backend
// implements these interfaces (the simulated host here; a COM automation
// backend for the Windows host could implement them as well).
//
// "Nothing" results are null pointers. A failed call throws AutomationError,
// which the station's error traps handle like any run-time error.

#include <memory>
#include <string>

#include "foundation/core.h"

namespace zarvane {

class AutomationError : public RuntimeError {
 public:
  explicit AutomationError(const std::string& description) : RuntimeError(kErrAutomation, description) {}
  static constexpr int kErrAutomation = 440;  // "Automation error"
};

class HostCommand {
 public:
  virtual ~HostCommand() = default;
  virtual bool IsFlowControl() = 0;
  // Text of a field of the command (field 133 of a flow-control command is its variable name).
  virtual std::string GetText(int field, int index) = 0;
  virtual bool IsLoadProbe() = 0;
  // The name of the command's modal object (for a load-probe command: the probe's name).
  virtual std::string ModalCommandName() = 0;
  // The command's text, for logging.
  virtual std::string Text() = 0;
};

class HostCommands {
 public:
  virtual ~HostCommands() = default;
  virtual int Count() = 0;
  virtual std::shared_ptr<HostCommand> Item(int index) = 0;  // 1-based
  virtual void InsertionPointAfter(const std::shared_ptr<HostCommand>& command) = 0;
  virtual void ClearAllBreakpoints() = 0;
};

class HostTool {
 public:
  virtual ~HostTool() = default;
  virtual std::string ID() = 0;
};

class HostTools {
 public:
  virtual ~HostTools() = default;
  virtual int Count() = 0;
  virtual std::shared_ptr<HostTool> Item(int index) = 0;               // 1-based
  virtual std::shared_ptr<HostTool> ItemById(const std::string& id) = 0;  // null when unknown
};

class HostQualificationSettings {
 public:
  virtual ~HostQualificationSettings() = default;
  virtual int ToolMoved() = 0;
  virtual void SetToolMoved(int moved) = 0;
  virtual void SetTool(const std::shared_ptr<HostTool>& tool) = 0;
  virtual int Mode() = 0;
  virtual void SetMode(int mode) = 0;
  virtual int ExecuteMode() = 0;
  virtual void SetExecuteMode(int mode) = 0;
  virtual double NumHits() = 0;
  virtual void SetNumHits(double value) = 0;
  virtual double MoveSpeed() = 0;
  virtual void SetMoveSpeed(double value) = 0;
  virtual double Touchspeed() = 0;
  virtual void SetTouchspeed(double value) = 0;
  virtual double PreHit() = 0;
  virtual void SetPreHit(double value) = 0;
};

class HostTip {
 public:
  virtual ~HostTip() = default;
  virtual std::string Name() = 0;
  virtual double Diameter() = 0;
};

class HostProbe {
 public:
  virtual ~HostProbe() = default;
  virtual std::string Name() = 0;
  virtual std::string Path() = 0;  // the probe file's directory, ending with the separator
  virtual int TipCount() = 0;
  virtual std::shared_ptr<HostTip> Tip(int index) = 0;  // 1-based
  virtual void SelectAllTips() = 0;
  virtual std::shared_ptr<HostQualificationSettings> QualificationSettings() = 0;
  virtual bool Qualify2(const std::shared_ptr<HostQualificationSettings>& settings) = 0;
};

class HostProbes {
 public:
  virtual ~HostProbes() = default;
  virtual int Count() = 0;
  virtual std::shared_ptr<HostProbe> Item(int index) = 0;                   // 1-based
  virtual std::shared_ptr<HostProbe> ItemByName(const std::string& name) = 0;  // null when unknown
  virtual void SetVisible(bool visible) = 0;
  virtual void SaveChanges() = 0;
  virtual void CancelChanges() = 0;
};

class HostPart {
 public:
  virtual ~HostPart() = default;
  // Runs the program; returns when the run has ended (OnEndExecution has been
  // delivered by then). The station's events keep being processed meanwhile.
  virtual void EXECUTE() = 0;
  virtual std::string PartName() = 0;
  virtual void SetPartName(const std::string& name) = 0;
  virtual std::string SerialNumber() = 0;
  virtual void SetSerialNumber(const std::string& serial) = 0;
  virtual void RefreshPart() = 0;
  virtual std::string FullName() = 0;
  virtual std::string Name() = 0;
  virtual int Units() = 0;  // 0 inches, otherwise millimetres
  virtual std::shared_ptr<HostCommands> Commands() = 0;
  virtual std::shared_ptr<HostProbes> Probes() = 0;
  virtual std::shared_ptr<HostTools> Tools() = 0;
  virtual void SaveChanges() = 0;
  virtual void CancelChanges() = 0;
};

class HostParts {
 public:
  virtual ~HostParts() = default;
  virtual int Count() = 0;
  virtual void CloseAll() = 0;
  // Opens a part program file; null when it cannot be opened.
  virtual std::shared_ptr<HostPart> Open(const std::string& file, const std::string& machine) = 0;
  // Adds a new, empty part program; null when it cannot be made.
  virtual std::shared_ptr<HostPart> Add(const std::string& name, int number, const std::string& machine,
                                        const std::string& extra) = 0;
};

// The application's events. Delivered on the station's thread while a host call
// such as EXECUTE runs, or later (the end of a run may follow EXECUTE's
// return). A sink should not throw: the host may swallow the error or fail the
// call that delivered the event.
class HostEvents {
 public:
  virtual ~HostEvents() = default;
  // type: 1 normal end, 2 cancelled, any other value cancelled for another reason.
  virtual void OnEndExecution(HostPart* program, int type) {}
  virtual void OnStartExecution(HostPart* program) {}
  virtual void OnOpenPartProgram(HostPart* program) {}
  virtual void OnClosePartProgram(HostPart* program) {}
  virtual void OnObjectAboutToExecute(HostPart* program, HostCommand* command) {}
  virtual void OnObjectExecuted(HostPart* program, HostCommand* command) {}
  virtual void OnAddObject(HostPart* program, HostCommand* command) {}
  virtual void OnUpdateStatusMessage(const std::string& text) {}
};

class HostApp {
 public:
  virtual ~HostApp() = default;
  // Returns once the host can take calls (waits at most `seconds`).
  virtual void WaitUntilReady(int seconds) = 0;
  virtual bool Visible() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetOperatorMode(bool on) = 0;
  virtual std::string VersionString() = 0;
  virtual std::string FullName() = 0;
  virtual std::string Path() = 0;  // installation directory, ending with the separator
  virtual std::shared_ptr<HostParts> PartPrograms() = 0;
  virtual std::shared_ptr<HostPart> ActivePartProgram() = 0;  // null when no program is open
  virtual void quit() = 0;
  // The host's own settings (section "Option").
  virtual int GetRegistryInt(const std::string& section, const std::string& key, int defaultValue) = 0;
  virtual std::string GetRegistryString(const std::string& section, const std::string& key,
                                        const std::string& defaultValue) = 0;
  // The ApplicationEvents source. As with a COM event source, every Connect is
  // a connection of its own (a sink connected twice hears every event twice)
  // and a Disconnect ends one; disconnecting a sink that is not connected does
  // nothing.
  virtual void Connect(HostEvents* sink) = 0;
  virtual void Disconnect(HostEvents* sink) = 0;
};

// How the station reaches the host application: the object obtained by name
// ("QUOLAB.Application"), the presence of its main window (class
// "TrelbaneAssociatesIncQuorvexWndClass"), and the messages sent to that window.
class HostBackend {
 public:
  virtual ~HostBackend() = default;
  // Attaches to the running host, starting it when none runs. Throws
  // AutomationError when the host cannot be attached.
  virtual std::shared_ptr<HostApp> GetObject() = 0;
  // Whether the host's main window exists (a host is running).
  virtual bool MainWindowExists() = 0;
  // The window-close message to the host's main window.
  virtual void CloseMainWindow() = 0;
  // Makes the host's main window the foreground and top window.
  virtual void BringToFront() = 0;
};

}  // namespace zarvane
