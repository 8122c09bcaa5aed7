#pragma once
// The simulated CMM host: a stand-in for the Quorvex host application that runs
// inside the station's process. It is the station's training and offline mode
// (the demo runs on it) and the host the tests drive. It implements the same
// automation interface as the real host: it starts and quits with delays taken
// from the clock, leaves a marker file behind while it runs so that a later
// station process finds a host "left running", opens and executes part programs
// written in a small command language, measures blades against their KT nominal
// files, writes the host's printed reports, and qualifies probes.
//
// Everything it does is appended to <install>/journal.txt, one line per action.
// docs/SIMHOST.md describes the installation directory, simhost.ini, the
// program language and the measurement model.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/automation.h"
#include "platform/platform.h"

namespace zarvane {

// What the simulated host needs from the station. The directories are asked
// for whenever they are needed, since the station only knows them once it has
// read its settings.
struct SimHostEnvironment {
  Clock* clock = nullptr;
  // The host installation directory (simhost.ini, running.lock, journal.txt,
  // probes/, tools.txt).
  std::function<std::string()> installDir;
  // Where the host reads blade.txt and writes blade.rtf, QUORVX.RTF and QUORVX.TXT.
  std::function<std::string()> stationHome;
  // The station's blades directory, the default place of the virtual parts.
  std::function<std::string()> bladesDir;
  // The station's Language setting (1-5); 4 makes the host write German block headers.
  std::function<int()> language;
};

class SimSession;

class SimulatedHost : public HostBackend {
 public:
  explicit SimulatedHost(SimHostEnvironment environment);
  ~SimulatedHost() override;
  SimulatedHost(const SimulatedHost&) = delete;
  SimulatedHost& operator=(const SimulatedHost&) = delete;

  std::shared_ptr<HostApp> GetObject() override;
  bool MainWindowExists() override;
  void CloseMainWindow() override;
  void BringToFront() override;

  // The installation directory in use, ending with the separator.
  std::string InstallDir() const;
  // <install>/journal.txt and <install>/running.lock.
  std::string JournalFile() const;
  std::string MarkerFile() const;

  // The operator at the host: resumes a run paused at a breakpoint, or cancels
  // the running program (it ends at once with termination type 2). False when
  // there is no such run. <install>/operator.txt does the same from outside.
  bool ResumeRun();
  bool CancelRun();
  std::string OperatorFile() const;

  // What the station's event handlers threw, "<event>: <text>", oldest first,
  // over every host this object has run (journaled as well).
  const std::vector<std::string>& HandlerErrors() const { return *handlerErrors_; }

 private:
  // Ends the current session once its quit delay has passed.
  void Reap();
  // Whether a host left running by another station process is there: the
  // marker exists (with CheckLockOwner: and the process it names still does;
  // a stale marker is removed).
  bool LeftRunning();
  // Takes over a host left running by another station process (marker present).
  void Adopt(const std::string& reason);
  void StartNew();

  SimHostEnvironment env_;
  std::shared_ptr<SimSession> session_;  // the host this object runs, if any
  std::shared_ptr<std::vector<std::string>> handlerErrors_ = std::make_shared<std::vector<std::string>>();
  std::shared_ptr<int> runsInProcess_ = std::make_shared<int>(0);  // runs of every host this object started
};

}  // namespace zarvane
