#include "station/directories.h"

#include <filesystem>
#include <system_error>

#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

const char* const kSection = "directories";

// Where the analysis program is installed below a drive root, in search order.
const char* const kBladePlaces[] = {"Tallyx/Blade.exe", "Program Files/Blade/Blade.exe", "Blade/Blade.exe"};

// The directory above `path`, written without "." or ".." components or a
// trailing separator ("/net/shop/blades/" -> "/net/shop").
std::string ParentDirectory(const std::string& path) {
  fs::path p = OsPath(NativePath(path)).lexically_normal();
  if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();  // trailing "/"
  const fs::path parent = p.parent_path();
  return parent.empty() ? std::string(".") : FromOsPath(parent);
}

bool OlderHost(const std::string& hostVersion) {
  for (const char* old : {"3.2", "3.0", "2.3"})
    if (IContains(hostVersion, old)) return true;
  return false;
}

}  // namespace

Directories::Directories(Core& core, Station& st) : c(core), station(st) {
  station.directories = this;
  station.EnableCommand("mnuReset");
  station.frmMain("mnuReset").onClick = [this] { mnuReset_Click(); };
  station.EnableCommand("mnuCheckNet");
  station.frmMain("mnuCheckNet").onClick = [this] { mnuCheckNet_Click(); };
}

Directories::~Directories() {
  if (station.directories == this) station.directories = nullptr;
}

std::vector<Directories::Kind> Directories::Kinds() {
  return {
      {"blades", &c.gBladesDir, &c.gLocalBladesDir, "networkblades", "blastupdate"},
      {"fixtures", &c.gFixturesDir, &c.gLocalFixturesDir, "networkfixtures", "flastupdate"},
      {"programs", &c.gProgramsDir, &c.gLocalProgramsDir, "networkprograms", "plastupdate"},
  };
}

void Directories::Status(const std::string& englishText) {
  // The splash shows the progress of a normal start; from the menu commands the
  // steps are only logged.
  if (station.NormalStart() && station.Loading()) station.SplashStatus(englishText);
  else c.WriteLog(c.Translate(englishText), 0);
}

bool Directories::ExistingFile(const std::string& path) {
  return !Trim(path).empty() && c.FileExists(path, true) && IsRegularFile(ResolveCase(NativePath(path)));
}

void Directories::StartMirror(const std::string& source, const std::string& destination) {
  c.WriteLog("CheckDirectories: Starting mirror: " + c.StartMirror(source, destination), 3);
}

std::string Directories::SettingsFileBeside(const std::string& program) {
  const std::string ini = IReplaceAll(program, ".exe", ".ini");
  // A program named without ".exe" keeps its settings in <program>.ini, never in itself.
  return ini == program ? program + ".ini" : ini;
}

std::vector<std::string> Directories::BladeCandidates() {
  std::vector<std::string> found;
  for (const std::string& root : c.FixedDrives())
    for (const char* place : kBladePlaces) {
      const std::string path = JoinPath(root, place);
      if (ExistingFile(path)) found.push_back(ResolveCase(path));
    }
  return found;
}

bool Directories::DirPrompt(const std::string& kind) {
  std::string caption, current;
  if (kind == "blades") {
    caption = c.Translate("Select the directory containing blade DATA (nominal and tolerance files)");
    current = c.gBladesDir;
  } else if (kind == "fixtures") {
    caption = c.Translate("Select the directory containing fixture programs");
    current = c.gFixturesDir;
  } else if (kind == "programs") {
    caption = c.Translate("Select the directory containing") + " " + station.gHostVersion + " " +
              c.Translate("programs") + ".";
    current = c.gProgramsDir;
  } else {
    caption = c.Translate("Select the directory containing Blade Analysis Program (BLADE.EXE)");
    current = DirectoryOf(NativePath(c.PeekIniVal(kSection, "bladeexe").value_or("")));
  }
  // The dialog opens on the directory known so far, else on the home directory.
  const std::string start = !current.empty() && IsDirectory(ResolveCase(NativePath(current))) ? current : c.gHome;
  const std::string chosen = c.op.ChooseDirectory(caption, start);
  if (Trim(chosen).empty()) {
    c.Tell("Error: No directory selected");
    return false;
  }
  c.WriteLog("frmDirSelect: Directory chosen: " + chosen, 0);
  if (kind == "bladeexe") {
    c.SaveIniVal(kSection, "bladeexe", JoinPath(chosen, "blade.exe"));
  } else {
    for (const Kind& k : Kinds())
      if (kind == k.name) *k.inUse = chosen;
    c.SaveIniVal(kSection, kind, chosen);
  }
  c.ChangeDir(chosen);
  return true;
}

bool Directories::FindBlade() {
  Status("Finding Blade...");
  const std::vector<std::string> candidates = BladeCandidates();
  if (candidates.size() == 1) {
    c.WriteLog(c.Translate("One version of blade was found in system") + ".", 0);
  } else if (candidates.size() > 1) {
    std::string versions;
    for (const std::string& candidate : candidates) versions += candidate + ", ";
    c.WriteLog(c.Translate("More than one version of blade was found in system.  Versions:") + versions + ".", 0);
  } else {
    c.WriteLog(c.Translate("Zero versions of blade were found in system") + ".", 0);
  }
  std::string chosen = candidates.empty() ? "" : candidates.back();

  const std::string registered = c.GetIniVal(kSection, "bladeexe", "");
  if (ExistingFile(registered)) chosen = registered;

  if (!chosen.empty()) {
    if (chosen != registered) c.SaveIniVal(kSection, "bladeexe", chosen);
  } else {
    DirPrompt("bladeexe");
    if (!ExistingFile(c.PeekIniVal(kSection, "bladeexe").value_or(""))) {
      c.SaveIniVal(kSection, "bladeexe", "");
      c.Tell("Blade not found in system. Reinstall Blade or contact System Administrator");
      station.TriggerExit();
      return false;
    }
  }

  const std::string bladeexe = c.PeekIniVal(kSection, "bladeexe").value_or("");
  if (c.IsNetDrive(bladeexe)) {
    c.SaveIniVal(kSection, "bladeexe", "");
    c.Tell("Blade can not be run from a network. Reinstall Blade or contact System Administrator");
    station.TriggerExit();
    return false;
  }

  c.WriteLog("CheckDirectories: Registry bladeexe dir is: " + bladeexe, 9);
  std::error_code ec;
  const auto size = fs::file_size(OsPath(ResolveCase(NativePath(bladeexe))), ec);
  const long long bytes = ec ? 0 : static_cast<long long>(size);
  if (bytes < kNewBladeSize) {
    c.gPWF = "PWF";
    c.WriteLog("CheckDirectories: Blade Version is 1.2 or older: file size is: " + std::to_string(bytes), 5);
  } else {
    c.gPWF.clear();
    c.WriteLog("CheckDirectories: Blade Version is 2.0 or newer: file size is: " + std::to_string(bytes), 5);
  }
  return true;
}

bool Directories::CheckHostIni() {
  Status("Finding initialization files...");
  const std::string system = c.platform.system ? c.platform.system->SystemDirectory() : "";
  station.gHostIniFile = JoinPath(system, "QUOLAB.INI");
  if (OlderHost(station.gHostVersion) && !station.InTestMode() && !c.FileExists(station.gHostIniFile, true)) {
    c.WriteLog(c.Translate("QUOLAB.INI not found in") + " " + station.gHostIniFile + ". " +
                   c.Translate("Please contact System Administrator") + ".",
               0, true);
    station.TriggerExit();
    return false;
  }
  return true;
}

void Directories::FindBladeIni() {
  const std::string bladeexe = c.PeekIniVal(kSection, "bladeexe").value_or("");
  c.WriteLog("CheckDirectories: Blade directory is: " + bladeexe, 5);
  const std::string beside = SettingsFileBeside(bladeexe);
  const std::string system = c.platform.system ? c.platform.system->SystemDirectory() : "";
  const std::string inSystem = JoinPath(system, "blade.ini");
  c.gBladeIniFile.clear();
  if (ExistingFile(beside)) c.gBladeIniFile = beside;
  else if (ExistingFile(inSystem)) c.gBladeIniFile = inSystem;
  if (!c.gBladeIniFile.empty()) {
    c.WriteLog("CheckDirectories: Blade INI is: " + c.gBladeIniFile, 5);
  } else {
    c.WriteLog("Non-critical error.  Blade.ini not found in " + system + " or " + beside +
                   ".\r\nEither Blade has never been run, or Blade Version 2.0 or above is in use.",
               0);
  }
}

bool Directories::ReadDataDirectories() {
  for (const Kind& k : Kinds()) *k.inUse = c.GetIniVal(kSection, k.name, "");
  Status("Loading registry settings...");
  const bool operatorMode = ValInt(c.GetKeyVal(c.gIniFile, "Operator_Mode")) == 1;
  for (const Kind& k : Kinds()) {
    if (!k.inUse->empty()) continue;
    if (operatorMode) {
      c.Tell("Data folders are missing, please contact system administrator");
      station.TriggerExit();
      return false;
    }
    DirPrompt(k.name);
  }
  return true;
}

void Directories::CheckNetwork() {
  c.ChangeDir(c.gHome);
  Status("Checking network status...");
  bool restored = false, unavailable = false, stillDown = false;
  const std::string today = c.NowText("%y%m%d");
  for (const Kind& k : Kinds()) {
    std::string& dir = *k.inUse;
    const bool blades = std::string(k.name) == "blades";
    if (c.IsNetDrive(dir)) {
      if (c.IsNetThere(dir)) {
        c.SaveIniVal(kSection, k.networkKey, "");
        if (blades && ValInt(c.GetKeyVal(c.gIniFile, "NetLookup")) == 1) {
          const std::string table = JoinPath(ParentDirectory(dir), "blade_lookup_table.txt");
          if (c.FileExists(table, true))
            c.FCopy(table, JoinPath(ParentDirectory(*k.local), "blade_lookup_table.txt"));
        }
        if (c.GetIniVal(kSection, k.updateKey, "") != today) {
          c.SaveIniVal(kSection, k.updateKey, today);
          StartMirror(dir, *k.local);
          if (blades && ValInt(c.GetKeyVal(c.gIniFile, "NetHome")) == 1) StartMirror(ParentDirectory(dir), c.gHome);
        }
      } else {
        c.WriteLog(dir + " is a network drive, and is unavailable.", 0);
        c.SaveIniVal(kSection, k.networkKey, dir);
        c.SaveIniVal(kSection, k.name, *k.local);
        dir = *k.local;
        unavailable = true;
      }
      continue;
    }
    const std::string network = c.GetIniVal(kSection, k.networkKey, "");
    if (network.empty()) continue;
    if (c.IsNetThere(network)) {
      dir = network;
      c.SaveIniVal(kSection, k.name, network);
      c.SaveIniVal(kSection, k.networkKey, "");
      c.WriteLog("CheckDirectories: " + network + " is a network drive, network was down -- restored.", 0);
      restored = true;
    } else {
      c.WriteLog("CheckDirectories: " + network + " is a network drive, network was down -- still down.", 0);
      stillDown = true;
    }
  }
  if (restored) c.Tell("Network restored.  Continuing with remote files");
  if (unavailable) c.Tell("Network unavailable.  Continuing with local files");
  if (stillDown) c.Tell("Network remains unavailable.  Continuing with local files");
}

void Directories::CheckDataPaths() {
  Status("Checking data paths...");
  const char* const missing[] = {
      "Blades directory does not exist.  Choose new directory, or cancel to exit",
      "Fixture directory does not exist.  Choose new directory, or cancel to exit",
      "Programs directory does not exist.  Choose new directory, or cancel to exit",
  };
  int i = 0;
  for (const Kind& k : Kinds()) {
    const std::string& dir = *k.inUse;
    if (!(c.FileExists(dir, true) && IsDirectory(ResolveCase(NativePath(dir))))) {
      c.Tell(missing[i]);
      // The stored directory stays until another one is chosen: a cancelled
      // prompt must not lose it for the next start.
      DirPrompt(k.name);
    }
    ++i;
  }
}

void Directories::LogSummary() {
  c.WriteLog("CheckDirectories: Home directory  : " + c.gHome, 5);
  c.WriteLog("CheckDirectories: Local Blades    : " + c.gLocalBladesDir, 5);
  c.WriteLog("CheckDirectories: Local Fixtures  : " + c.gLocalFixturesDir, 5);
  c.WriteLog("CheckDirectories: Local Programs  : " + c.gLocalProgramsDir, 5);
  c.WriteLog("CheckDirectories: Global Blades   : " + c.gBladesDir, 5);
  c.WriteLog("CheckDirectories: Global Fixtures : " + c.gFixturesDir, 5);
  c.WriteLog("CheckDirectories: Global Programs : " + c.gProgramsDir, 5);
  c.WriteLog("CheckDirectories: Blade Executable: " + c.PeekIniVal(kSection, "bladeexe").value_or(""), 5);
  c.WriteLog("CheckDirectories: Quorvex INI(3.2): " + station.gHostIniFile, 5);
  c.WriteLog("CheckDirectories: Blade INI       : " + c.gBladeIniFile, 5);
}

void Directories::CheckDirectories() {
  c.WriteLog("CheckDirectories: Start:", 7);
  // A step that ends the station ends the check too: nothing more is asked of
  // an operator who has just been told the station cannot run.
  if (!FindBlade() || !CheckHostIni()) return;
  FindBladeIni();
  if (!ReadDataDirectories()) return;
  CheckNetwork();
  CheckDataPaths();
  LogSummary();
  c.WriteLog("CheckDirectories: End:", 7);
}

void Directories::LogLastAnalyzed() {
  if (c.gBladeIniFile.empty()) return;
  const std::string last = c.GetKeyVal(c.gBladeIniFile, "AnalysisFile");
  if (!last.empty()) c.WriteLog("frmMain_Load: LastAnalyzedBlade: " + last, 9);
}

void Directories::mnuReset_Click() {
  c.WriteLog("mnuReset_Click: Start", 0);
  for (const char* key :
       {"blades", "fixtures", "bladeexe", "programs", "networkblades", "networkfixtures", "networkprograms"})
    c.SaveIniVal(kSection, key, "");
  CheckDirectories();
  if (station.Exited()) return;
  if (station.zones) {
    station.zones->PopulateBlades();
    if (!station.gSingleZone) station.zones->PopulateFixtureListBox();
  }
  c.WriteLog("mnuReset_Click: End", 0);
}

void Directories::mnuCheckNet_Click() {
  c.WriteLog("mnuCheckNet_Click: Start", 0);
  for (const char* key : {"blastupdate", "flastupdate", "plastupdate"}) c.SaveIniVal(kSection, key, "");
  CheckDirectories();
  if (station.Exited()) return;
  if (station.frmSplash.Loaded()) station.frmSplash.Hide();
  c.WriteLog("mnuCheckNet_Click: End", 0);
}

}  // namespace zarvane
