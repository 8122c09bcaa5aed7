#pragma once
// Where the station's data live: the analysis program on the local disks, its
// settings file and version, the three data directories (blades, fixtures and
// host programs) from the registry, the fallback to the local copies under the
// home directory when the network directory is unreachable, the switch back
// when it returns, and the once-a-day mirror run that refreshes the local
// copies. Also the two menu commands Reset Directory Settings and Check Network.

#include <string>
#include <vector>

#include "foundation/core.h"
#include "station/station.h"

namespace zarvane {

class Directories : public DirectoryResolver {
 public:
  // Plugs into the station (its directory resolution and the two menu commands).
  Directories(Core& core, Station& station);
  ~Directories() override;
  Directories(const Directories&) = delete;
  Directories& operator=(const Directories&) = delete;

  void CheckDirectories() override;
  void LogLastAnalyzed() override;

  // The menu commands.
  void mnuReset_Click();
  void mnuCheckNet_Click();

  // Asks the operator for a directory of one kind: "blades", "fixtures",
  // "programs" or "bladeexe". A chosen directory is stored (registry and, for the
  // data kinds, the directory in use); a cancelled prompt changes nothing.
  // True when a directory was chosen.
  bool DirPrompt(const std::string& kind);

  // Every analysis program installed on the fixed local drives, in search order
  // (drives in order, then the three places under each drive).
  std::vector<std::string> BladeCandidates();

  // The file sizes below this are the analysis program's old versions (1.2 and older).
  static constexpr long long kNewBladeSize = 958464;  // 0xEA000

  // The analysis program's settings file beside the program: its path with
  // ".exe" (any case) replaced by ".ini".
  static std::string SettingsFileBeside(const std::string& program);

 private:
  struct Kind {
    const char* name;    // registry value and prompt kind
    std::string* inUse;  // gBladesDir, ...
    const std::string* local;
    const char* networkKey;  // the network directory a fallback replaced
    const char* updateKey;   // date of the last mirror run
  };

  // The steps of CheckDirectories; each returns false when it ended the station.
  bool FindBlade();
  bool CheckHostIni();
  void FindBladeIni();
  bool ReadDataDirectories();
  void CheckNetwork();
  void CheckDataPaths();
  void LogSummary();

  std::vector<Kind> Kinds();
  void Status(const std::string& englishText);
  bool ExistingFile(const std::string& path);
  void StartMirror(const std::string& source, const std::string& destination);
  bool Ended();

  Core& c;
  Station& station;
};

}  // namespace zarvane
