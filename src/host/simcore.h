#pragma once
// The simulated host's inner objects. A SimSession is one run of the host
// application, from its start (or its adoption from an earlier station
// process) until its main window has gone after a quit. The automation objects
// handed to the station (application, program collection, programs, commands,
// probes, tools) refer to their session weakly: once the session has ended or
// has been replaced by a fresh start, every call on them fails the way calls on
// a vanished automation server do.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/automation.h"
#include "host/simhost.h"

namespace zarvane {

// The text calls on a host that has gone fail with.
inline constexpr const char* kSimHostGone = "The remote server machine does not exist or is unavailable";

// ---------------------------------------------------------------------------
// simhost.ini, read whenever the station gets the application object.
struct SimSettings {
  bool attach = true;
  std::string version = "Quorvex 5.1";
  std::string fullName;        // default <install>/quorvex
  int warnMeasAllTips = 0;
  std::string probeDir;        // default <install>/probes/ (always ends with "/")
  int startDelay = 500;        // ms
  int quitDelay = 1000;        // ms
  bool refuseQuit = false;
  bool refuseClose = false;
  std::string partsDir;        // default: the station's blades directory
  std::uint64_t seed = 1;
  double offsetX = 0, offsetY = 0;
  double rotation = 0;         // degrees about z
  double noise = 0.0005;       // form noise amplitude, units of the nominal
  int pointsPerSide = 24;
  int commandTime = 10;        // virtual ms every program command takes
  // How the host delivers its events (simevents.cpp).
  bool lateEndEvent = false;          // OnEndExecution on the clock's next tick after EXECUTE has returned
  bool countConnections = false;      // every Connect is a connection of its own, as with COM's Advise
  bool rethrowHandlerErrors = false;  // a failing sink fails the host call that delivered the event
  // The operator at the host (simrun.cpp).
  bool pauseAtBreakpoints = false;  // Breakpoints = PAUSE: a run waits at a breakpoint instead of ending
  int pauseLimit = 300000;          // ms a pause lasts before the simulated operator cancels
  int cancelAfter = 0;              // ms into every run the simulated operator cancels it; 0 never
  int cancelRun = 0;                // the run (counted from 1 since the host started) the operator cancels; 0 never
  int crashRun = 0;                 // the run (counted over every host of the station process) the host dies in
  int crashAfter = 0;               // commands of that run finished before it dies
  bool variedReports = false;       // ReportShape = VARIED (simreport.cpp)
  bool strictNames = false;         // refuse the names a Windows host refuses (simprogram.cpp)
  bool checkLockOwner = false;      // a running.lock whose process has gone is stale
  // Probe qualification (simqualify.cpp).
  std::vector<std::string> qualifyFails;  // probes whose qualification fails (names as written)
  int resultsDelay = 0;                   // ms after Qualify2 before the results file appears
  // A probe's qualification settings as the host first hands them out
  // (NumHits, MoveSpeed, Touchspeed, PreHit).
  double qualNumHits = 5, qualMoveSpeed = 20, qualTouchspeed = 1, qualPreHit = 1;
  enum class ResultsDir { Probe, Install, None };
  ResultsDir resultsDir = ResultsDir::Probe;  // where the results file goes

  // `install` ends with the separator.
  static SimSettings Load(const std::string& install, const std::string& bladesDir);
};

// Writes `lines` to `path` through a temporary file renamed into place, so that
// no reader ever sees half a file. False when it cannot be written.
bool SimWriteWhole(const std::string& path, const std::vector<std::string>& lines);

// A number in [-1, 1) that depends only on its inputs (splitmix64 mixing), so
// that the same seed always gives the same simulated deviations.
double SimUnitNoise(std::uint64_t seed, std::uint64_t a, std::uint64_t b, std::uint64_t c);
std::uint64_t SimHashText(const std::string& text);
// "MM/DD/YYYY HH:MM:SS" of a clock time, local time.
std::string SimDateTime(std::chrono::system_clock::time_point t);
// Words of a line split at blanks and tabs.
std::vector<std::string> SimWords(const std::string& line);
// Appends "<date> <time>.<ms>  <action>" to <install>/journal.txt.
void SimJournal(const std::string& install, Clock& clock, const std::string& action);

// An RTF document of plain lines: Courier New, one paragraph per line, "\", "{"
// and "}" escaped, bytes above 127 written as \'hh.
std::vector<std::string> SimRtfLines(const std::vector<std::string>& lines);
std::string SimRtfEscape(const std::string& text);

class SimApp;
class SimParts;
class SimPart;
class SimCommand;
class SimQualSettings;

// ---------------------------------------------------------------------------
class SimSession : public std::enable_shared_from_this<SimSession> {
 public:
  enum class State { Running, Quitting, Ended };

  SimSession(const SimHostEnvironment& env, std::string install, SimSettings settings);

  Clock& clock() { return *env.clock; }
  std::chrono::system_clock::time_point Now() { return env.clock->Now(); }
  std::string StationFile(const std::string& name) const;
  std::string MarkerFile() const { return install + "running.lock"; }

  void Journal(const std::string& action);
  // Whether the main window still exists; ends the session once the quit delay has passed.
  bool Poll();
  // Throws kSimHostGone unless the window still exists.
  void RequireAlive();
  // A quit or close request: the window goes QuitDelay ms from now.
  void RequestEnd(const std::string& action);
  // The window is gone: the marker is removed, nothing answers any more.
  void Finish();
  void WriteMarker();

  // A file the host writes `ms` from now on the station's clock: written whole
  // (a temporary file renamed into place) by a timer, or by the host's next call
  // once the time has passed. A host that goes first writes nothing more.
  void WriteFileLater(int ms, std::string path, std::vector<std::string> lines);
  // The files whose time has come (simqualify.cpp).
  void WriteDueFiles();

  // Event delivery (simevents.cpp).
  bool IsConnected(HostEvents* sink) const;
  void Connect(HostEvents* sink);
  void Disconnect(HostEvents* sink);
  // Delivers an event to every connection in connection order. A sink that
  // throws is journaled and recorded, and the others still get the event; with
  // RethrowHandlerErrors the call then fails with AutomationError (never for a
  // late delivery, which no host call is waiting for). Sinks connected or
  // disconnected by a sink take effect at once.
  void Fire(const std::string& event, const std::function<void(HostEvents&)>& deliver, bool late = false);
  // The end of a run: OnEndExecution now, or with LateEndEvent on the clock's
  // next tick.
  void EndRun(const std::shared_ptr<SimPart>& program, int type);

  const SimHostEnvironment env;
  const std::string install;  // ends with the separator
  SimSettings settings;
  State state = State::Running;
  std::chrono::system_clock::time_point readyAt, quitAt;
  bool visible = true;
  bool operatorMode = false;
  std::vector<HostEvents*> sinks;
  std::vector<std::shared_ptr<SimPart>> programs;  // open programs, in opening order
  std::shared_ptr<SimPart> active;
  SimPart* executing = nullptr;
  int runsStarted = 0;  // runs since the host started
  // What the operator asked for through SimulatedHost, taken by the running program.
  enum class Request { None, Resume, Cancel };
  Request request = Request::None;
  bool paused = false;  // the running program waits at a breakpoint
  std::map<std::string, std::shared_ptr<SimQualSettings>> qualification;  // by upper-cased probe name
  std::shared_ptr<SimApp> app;
  std::shared_ptr<SimParts> parts;
  // "<event>: <what the sink threw>", shared with the SimulatedHost.
  std::shared_ptr<std::vector<std::string>> handlerErrors = std::make_shared<std::vector<std::string>>();
  // Runs of every host the station process started, shared with the SimulatedHost (CrashRun).
  std::shared_ptr<int> runsInProcess = std::make_shared<int>(0);

 private:
  void DeliverLateEnds();
  void ArmFileTimer();
  std::unique_ptr<TimerHandle> lateTimer_;
  struct LaterFile {
    std::chrono::system_clock::time_point due;
    std::string path;
    std::vector<std::string> lines;
  };
  std::vector<LaterFile> laterFiles_;  // in the order they were asked for
  std::unique_ptr<TimerHandle> fileTimer_;
  std::vector<std::pair<std::shared_ptr<SimPart>, int>> lateEnds_;  // program and termination type
};

// The session behind an object, or AutomationError(kSimHostGone).
std::shared_ptr<SimSession> SimLive(const std::weak_ptr<SimSession>& session);

// ---------------------------------------------------------------------------
class SimApp : public HostApp {
 public:
  explicit SimApp(std::weak_ptr<SimSession> session) : session_(std::move(session)) {}
  void WaitUntilReady(int seconds) override;
  bool Visible() override;
  void SetVisible(bool visible) override;
  void SetOperatorMode(bool on) override;
  std::string VersionString() override;
  std::string FullName() override;
  std::string Path() override;
  std::shared_ptr<HostParts> PartPrograms() override;
  std::shared_ptr<HostPart> ActivePartProgram() override;
  void quit() override;
  int GetRegistryInt(const std::string& section, const std::string& key, int defaultValue) override;
  std::string GetRegistryString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) override;
  void Connect(HostEvents* sink) override;
  void Disconnect(HostEvents* sink) override;

 private:
  std::weak_ptr<SimSession> session_;
};

class SimParts : public HostParts {
 public:
  explicit SimParts(std::weak_ptr<SimSession> session) : session_(std::move(session)) {}
  int Count() override;
  void CloseAll() override;
  std::shared_ptr<HostPart> Open(const std::string& file, const std::string& machine) override;
  std::shared_ptr<HostPart> Add(const std::string& name, int number, const std::string& machine,
                                const std::string& extra) override;

 private:
  std::weak_ptr<SimSession> session_;
};

// ---------------------------------------------------------------------------
// The program language (simprogram.cpp).
enum class SimOp {
  Units, MeasureBlade, Report, Wait, End, Cancel, Error, Variable, LoadProbe, Status, Insert, Comment, Align,
  Inserted  // a command added by INSERT: does nothing when run
};

struct SimLine {
  SimOp op = SimOp::Comment;
  std::string text;      // the line without its breakpoint mark, trimmed
  std::string argument;  // the text after the keyword, trimmed
  double number = 0;     // WAIT milliseconds, END type
  int line = 0;          // line number in the program file (0 for inserted commands)
  bool breakpoint = false;
};

struct SimProgramText {
  std::vector<SimLine> lines;
  int units = 0;  // 0 inches, 1 millimetres
  std::string error;  // empty when the program parsed
};

SimProgramText SimParseProgram(const std::vector<std::string>& fileLines);

// With StrictNames, why the host refuses a name; empty when it takes it. A
// program file: a path Windows cannot take (< > " | ? * or control
// characters, kSimPathLimit characters or more) or no ".prg" extension. A part
// name: "-", blanks at the ends, characters outside printable ASCII, more than
// kSimNameLimit characters; a serial number the same but for "-".
inline constexpr size_t kSimPathLimit = 260;
inline constexpr size_t kSimNameLimit = 64;
std::string SimProgramFileFault(const std::string& file);
std::string SimNameFault(const std::string& name, bool partName);

class SimCommand : public HostCommand {
 public:
  SimCommand(std::weak_ptr<SimSession> session, SimLine line) : session_(std::move(session)), line_(std::move(line)) {}
  bool IsFlowControl() override;
  std::string GetText(int field, int index) override;
  bool IsLoadProbe() override;
  std::string ModalCommandName() override;
  std::string Text() override;

  SimLine& Line() { return line_; }

 private:
  std::weak_ptr<SimSession> session_;
  SimLine line_;
};

class SimCommands : public HostCommands {
 public:
  SimCommands(std::weak_ptr<SimSession> session, std::weak_ptr<SimPart> program)
      : session_(std::move(session)), program_(std::move(program)) {}
  int Count() override;
  std::shared_ptr<HostCommand> Item(int index) override;
  void InsertionPointAfter(const std::shared_ptr<HostCommand>& command) override;
  void ClearAllBreakpoints() override;

 private:
  std::shared_ptr<SimPart> Program();
  std::weak_ptr<SimSession> session_;
  std::weak_ptr<SimPart> program_;
};

// What one run has done so far.
struct SimRunRecord {
  std::chrono::system_clock::time_point started;
  std::string probe;  // the probe the program loaded (LOADPROBE), empty for none
  int number = 0;  // counted from 1 since the host started
  bool halted = false;  // the operator cancelled the command that was running
  int commands = 0;
  std::vector<std::string> measured;  // one line per measured section
  std::string bladeFile;              // blade.rtf, when MEASURE_BLADE ran
};

class SimPart : public HostPart, public std::enable_shared_from_this<SimPart> {
 public:
  SimPart(std::weak_ptr<SimSession> session, std::string fullName, SimProgramText program);

  void EXECUTE() override;
  std::string PartName() override;
  void SetPartName(const std::string& name) override;
  std::string SerialNumber() override;
  void SetSerialNumber(const std::string& serial) override;
  void RefreshPart() override;
  std::string FullName() override;
  std::string Name() override;
  int Units() override;
  std::shared_ptr<HostCommands> Commands() override;
  std::shared_ptr<HostProbes> Probes() override;
  std::shared_ptr<HostTools> Tools() override;
  void SaveChanges() override;
  void CancelChanges() override;

  // For the session and the command list.
  std::vector<std::shared_ptr<SimCommand>> commands;
  std::shared_ptr<SimCommand> insertionPoint;
  bool closed = false;

 private:
  // Runs one command; an END or CANCEL gives the run's termination type.
  std::optional<int> Perform(SimSession& s, SimCommand& command, SimRunRecord& run);
  // WAIT: the time passes in slices, and the operator may cancel meanwhile.
  void Wait(SimSession& s, int ms, SimRunRecord& run);
  // Waits at a breakpoint for the operator; nullopt when the run goes on,
  // otherwise the run's termination type.
  std::optional<int> Pause(SimSession& s, const SimLine& line, SimRunRecord& run);

  std::weak_ptr<SimSession> session_;
  std::string fullName_;
  int units_ = 0;
  std::string partName_;
  std::string serial_;
};

// ---------------------------------------------------------------------------
// Blade measurement and the host's reports (simmeasure.cpp).
struct SimNominalPoint {
  double x = 0, y = 0, z = 0, i = 0, j = 0, k = 0;
  bool hasNormal = false;
};

struct SimNominalSection {
  std::string label;
  std::vector<SimNominalPoint> points;
  int nose = 0;  // 1-based point number from a plain "NOSE n" line, 0 when none
  int tail = 0;
  double Height() const;
};

// Reads a KT nominal file; nullopt when it cannot be read.
std::optional<std::vector<SimNominalSection>> SimReadNominal(const std::string& path);

// MEASURE_BLADE: blade.txt against the virtual part, written to blade.rtf.
// Throws AutomationError when it cannot measure.
void SimMeasureBlade(SimSession& s, SimPart& program, SimRunRecord& run);

// One measured point: position, normal and deviation from the nominal.
struct SimMeasuredPoint {
  double x = 0, y = 0, z = 0, i = 0, j = 0, k = 0, deviation = 0;
};
using SimMeasuredSide = std::vector<SimMeasuredPoint>;

// The host's reports (simreport.cpp). blade.rtf's text: the header lines, then
// one block per measured side under the marker word; `varied` writes the
// blocks in every shape the station's reader must take or skip.
std::vector<std::string> SimBladeReportLines(const std::vector<std::string>& header,
                                             const std::vector<SimMeasuredSide>& sides, const std::string& marker,
                                             bool varied);
// REPORT: QUORVX.RTF and QUORVX.TXT in the station's home.
void SimWriteReports(SimSession& s, SimPart& program, const SimRunRecord& run);

// ---------------------------------------------------------------------------
// Probes and tools (simprobes.cpp); qualification (simqualify.cpp).
class SimTool : public HostTool {
 public:
  SimTool(std::string id, double diameter) : id_(std::move(id)), diameter_(diameter) {}
  std::string ID() override { return id_; }
  double Diameter() const { return diameter_; }

 private:
  std::string id_;
  double diameter_;
};

class SimTools : public HostTools {
 public:
  SimTools(std::weak_ptr<SimSession> session, std::vector<std::shared_ptr<SimTool>> tools)
      : session_(std::move(session)), tools_(std::move(tools)) {}
  int Count() override;
  std::shared_ptr<HostTool> Item(int index) override;
  std::shared_ptr<HostTool> ItemById(const std::string& id) override;

 private:
  std::weak_ptr<SimSession> session_;
  std::vector<std::shared_ptr<SimTool>> tools_;
};

// <install>/tools.txt.
std::vector<std::shared_ptr<SimTool>> SimReadTools(const std::string& install);

class SimQualSettings : public HostQualificationSettings {
 public:
  int ToolMoved() override { return toolMoved; }
  void SetToolMoved(int moved) override { toolMoved = moved; }
  void SetTool(const std::shared_ptr<HostTool>& t) override { tool = t; }
  int Mode() override { return mode; }
  void SetMode(int m) override { mode = m; }
  int ExecuteMode() override { return executeMode; }
  void SetExecuteMode(int m) override { executeMode = m; }
  double NumHits() override { return numHits; }
  void SetNumHits(double v) override { numHits = v; }
  double MoveSpeed() override { return moveSpeed; }
  void SetMoveSpeed(double v) override { moveSpeed = v; }
  double Touchspeed() override { return touchspeed; }
  void SetTouchspeed(double v) override { touchspeed = v; }
  double PreHit() override { return preHit; }
  void SetPreHit(double v) override { preHit = v; }

  int toolMoved = 0, mode = 0, executeMode = 0;
  double numHits = 5, moveSpeed = 20, touchspeed = 1, preHit = 1;
  std::shared_ptr<HostTool> tool;
};

class SimTip : public HostTip {
 public:
  SimTip(std::string name, double diameter) : name_(std::move(name)), diameter_(diameter) {}
  std::string Name() override { return name_; }
  double Diameter() override { return diameter_; }

 private:
  std::string name_;
  double diameter_;
};

class SimProbe : public HostProbe {
 public:
  SimProbe(std::weak_ptr<SimSession> session, std::string file);
  std::string Name() override;
  std::string Path() override;
  int TipCount() override;
  std::shared_ptr<HostTip> Tip(int index) override;
  void SelectAllTips() override;
  std::shared_ptr<HostQualificationSettings> QualificationSettings() override;
  bool Qualify2(const std::shared_ptr<HostQualificationSettings>& settings) override;

 private:
  std::weak_ptr<SimSession> session_;
  std::string name_, dir_;
  std::vector<std::shared_ptr<SimTip>> tips_;
};

class SimProbes : public HostProbes {
 public:
  explicit SimProbes(std::weak_ptr<SimSession> session);
  int Count() override;
  std::shared_ptr<HostProbe> Item(int index) override;
  std::shared_ptr<HostProbe> ItemByName(const std::string& name) override;
  void SetVisible(bool visible) override;
  void SaveChanges() override;
  void CancelChanges() override;

 private:
  std::weak_ptr<SimSession> session_;
  std::vector<std::shared_ptr<SimProbe>> probes_;
};

}  // namespace zarvane
