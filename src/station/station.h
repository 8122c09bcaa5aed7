#pragma once
// The station's spine: window initialisation and load, the command line, the
// main window's menus and events that are not zone-specific, and the orderly
// shut-down. Subsystems that arrive later (host connection, data directories,
// zone panels, probe qualification) plug in through the interfaces below; a
// start-up step whose subsystem is not plugged in is skipped and logged.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core.h"
#include "station/queuejournal.h"
#include "station/windows.h"

namespace zarvane {

class Station;

// The CMM host connection.
class HostLink {
 public:
  virtual ~HostLink() = default;
  // Closes a host left running by an earlier session so it can be restarted.
  virtual void RestartRunningHost(Form& statusForm) = 0;
  // Switches to TEST mode itself when the host cannot be reached; an error
  // once the host answers is thrown to the caller.
  virtual void StartQVX(bool showProgress, bool keepVisible, Form& mainWindow, Form& statusForm) = 0;
  // Host settings that block probe qualification (window load).
  virtual void CheckHostSettings() = 0;
  virtual void KillQVX(bool showProgress, Form& mainWindow, Form& statusForm) = 0;
  // Enables the main window's check timer with its elapsed time at 0.
  virtual void StartCheckTimer() = 0;
  // Runs a host part program; false when it could not be run or failed.
  virtual bool RunQVXProg(const std::string& program, bool showProgress, Form& mainWindow, Form& statusForm,
                          const std::string& partName) = 0;
  // Whether the host reported the last run cancelled.
  virtual bool LastRunCancelled() const { return false; }
};

// Data directories and network fallback.
class DirectoryResolver {
 public:
  virtual ~DirectoryResolver() = default;
  virtual void CheckDirectories() = 0;
  // Logs the analysis program's last analysed file when its settings were found.
  virtual void LogLastAnalyzed() = 0;
};

// The zone panels of the main window.
class ZonePanels {
 public:
  virtual ~ZonePanels() = default;
  virtual void PopulateBlades() = 0;
  virtual void PopulateFixtureListBox() = 0;
  // Fills a statistics or key-label box and its label from a definition text.
  virtual void loadStat(Control& label, Control& box, const std::string& definition) = 0;
};

// Probe qualification.
class ProbeQualifier {
 public:
  virtual ~ProbeQualifier() = default;
  virtual void ProbeUtilities() = 0;
};

enum class StartMode { Normal, ProbeQualification };

// The empty settings dialog of the Settings menu (shown in TEST mode).
class FrmOptions : public Form {
 public:
  FrmOptions(Forms& forms);
};

class Station {
 public:
  explicit Station(Core& core);
  ~Station();

  Core& c;
  FrmMain frmMain;
  FrmSplash frmSplash;
  FrmProgress frmProgress;
  FrmOptions frmOptions;

  // Plug-ins of later subsystems (null while not part of the build).
  HostLink* host = nullptr;
  DirectoryResolver* directories = nullptr;
  ZonePanels* zones = nullptr;
  ProbeQualifier* probes = nullptr;

  // State created at start-up.
  StartMode gStartMode = StartMode::Normal;
  std::string gCommandWord;
  bool gSingleZone = false;
  std::string gInterface = "CMM1";
  std::string gHostVersion;
  std::string gHostIniFile;
  std::string gProbeDir;
  // Reports waiting for the analysis program, oldest first.
  std::vector<QueuedReport> gToAnalyze;
  // Positive while the host runs a part program or qualifies a probe: the
  // analysis monitor's tick waits until it is over.
  int hostBusy = 0;
  std::string helpFile;
  int hostRunCount = 0;

  // Starts the station in `home` with the command-line words. Returns false when
  // another station already runs on that home (the operator has been told and
  // nothing was touched).
  bool Start(const std::string& home, const std::vector<std::string>& commandLine);
  void Form_Initialize(const std::vector<std::string>& commandLine);
  void Form_Load();

  // The Exit command. Asks first while blades wait for analysis.
  void cmdExit_Click();
  // Whether a measurement run is in progress: Exit waits for it (set by the cycle).
  std::function<bool()> measuring;
  // Whether a probe qualification is in progress: Exit waits for it.
  std::function<bool()> qualifying;
  // Whether the analysis monitor is collecting results: an Exit the operator
  // confirms meanwhile takes effect when it has finished (ExitIfPending).
  std::function<bool()> analysing;
  void ExitIfPending();
  // An Exit the operator confirmed that waits for the monitor.
  bool ExitRequested() const { return exitAfterAnalysis_; }

  // The analysis queue. Entries are removed by identity; every change is
  // reported to `onQueueChanged` (the status line).
  // A queued report waits for AnalysisStarted before the monitor looks for
  // its verdict.
  std::uint64_t QueueForAnalysis(const std::string& report, int zone, const std::string& flavorFile);
  bool DropFromAnalysis(std::uint64_t id);
  // The analysis program was started on entry `id`, with the analysis log at
  // this length and identity (what its verdict is looked for after).
  void AnalysisStarted(std::uint64_t id, std::uintmax_t logOffset, const std::string& logIdentity);
  bool IsQueued(const std::string& report) const;
  std::function<void()> onQueueChanged;
  // The queue's journal in the home directory: what a start after an unclean
  // end resumes (ResumeAnalysisQueue, at the end of a start). Rewritten on
  // every change of the queue once the start has read it, and cleared when
  // the station exits (with the operator's Yes when reports still waited).
  std::string QueueJournalPath() const { return c.HomeFile("AnalysisQueue.txt"); }
  void ResumeAnalysisQueue();
  // Called after reports were resumed: the monitor's timer starts.
  std::function<void()> onQueueResumed;
  // Exit requested from inside a longer step; it takes effect when that step ends.
  void TriggerExit();
  bool Exited() const { return exited_; }
  // True while Start runs the window initialisation and load.
  bool Loading() const { return loading_; }

  void mnuLanguage_Click(int language);
  void ShowAbout();
  void SplashHelp();
  // Opens the help file, or tells the operator why it cannot.
  void OpenHelp(int showCommand);
  // Enables a command of the main window whose subsystem has plugged in, with
  // the tooltip it had before it was marked as not part of this build.
  void EnableCommand(const std::string& name);
  // The tooltip of a command whose subsystem is not part of this build.
  static constexpr const char* kNotInThisBuild = "Not available in this build.";
  void SplashSystemInfo();
  void frmMain_Resize();
  void SplashStatus(const std::string& englishText, const std::string& suffix = "");
  // Shows a status text on a status form (its lblStatus) and logs it at level 0;
  // the operator sees it while the form is visible.
  void ShowStatus(Form& statusForm, const std::string& text);

  bool InTestMode() const { return gInterface == "TEST"; }
  bool NormalStart() const { return gStartMode == StartMode::Normal; }

 private:
  void ExitVB();
  void FinishExit();
  void Skipped(const std::string& step, const std::string& subsystem);
  void DisableZone(int zone);
  void CloseSplash();

  std::map<std::string, std::string> builtToolTips_;  // commands' own tooltips, by name
  bool loading_ = false;
  bool exitPending_ = false;
  bool exited_ = false;
  bool exitAfterAnalysis_ = false;
  std::uint64_t nextQueueId_ = 1;
  // The journal is the station's to write once this start has read it; before
  // that (a start that fails early) it is left for the next start.
  bool journalOwned_ = false;
  bool journalFailureTold_ = false;
  // False when the journal could not be written; the operator is told once
  // until it works again, or every time with `tellAlways`.
  bool SaveQueueJournal(bool tellAlways = false);
  void KeepJournalAside(const std::string& why);
};

}  // namespace zarvane
