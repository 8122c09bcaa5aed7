#include "cycle/options.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "cycle/features.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

// A whole number as the operator types it: optional sign, digits.
bool WholeNumberText(const std::string& text, long long& value) {
  const std::string t = Trim(text);
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  if (i >= t.size() || t.size() - i > 12) return false;
  for (size_t k = i; k < t.size(); ++k)
    if (t[k] < '0' || t[k] > '9') return false;
  value = std::stoll(t);
  return true;
}

// A number converted to a 16-bit integer, rounding as the conversion does;
// false when it is no number or does not fit.
bool ToInt16(const std::string& text, int& value) {
  if (!IsNumeric(text)) return false;
  const double v = std::nearbyint(Val(text));
  if (!(v >= -32768 && v <= 32767)) return false;
  value = static_cast<int>(v);
  return true;
}

}  // namespace

InspectionOptions::InspectionOptions(Core& core, Station& station, Zones& zones, PartFiles& files)
    : blades(core, files), sections(core, files), c(core), station_(station), zones_(zones), files_(files) {}

InspectionOptions::~InspectionOptions() = default;

FrmInspOpt& InspectionOptions::Window() {
  if (!window_) {
    c.WriteLog("frmInspOpt Initialize", 9);
    window_ = std::make_unique<FrmInspOpt>(c.forms, c);
    Wire(*window_);
  }
  return *window_;
}

void InspectionOptions::Wire(FrmInspOpt& w) {
  w("BAnTimer").onTimer = [this] {
    if (onAnalysisTimer) onAnalysisTimer();
  };
  for (int z = 1; z <= kZones; ++z) {
    w("Option1", z).onClick = [this, z] { Option1_Click(z); };
    w("Option2", z).onClick = [this, z] { Option2_Click(z); };
    w("Option3", z).onClick = [this, z] { Option3_Click(z); };
    w("optCust", z).onClick = [this, z] { optCust_Click(z); };
    w("cmdMBR", z).onClick = [this, z] { cmdMBR_Click(z); };
    w("txtPcnt", z).onChange = [this, z] { txtPcnt_Change(z); };
    w("cmbSN", z).onKeyDown = [this, z](int key) { cmbSN_KeyDown(z, key); };
  }
  w("txtLotSize").onLostFocus = [this] { txtLotSize_LostFocus(); };
  w("cmdMeasure").onClick = [this] { cmdMeasure_Click(); };
  w("cmdExit").onClick = [this] { cmdExit_Click(); };
}

bool InspectionOptions::SettingOff(const std::string& key) {
  const std::string value = Trim(c.GetKeyVal(c.gIniFile, key));
  return IsNumeric(value) && Val(value) == 0;
}

void InspectionOptions::resetOpt() {
  FrmInspOpt& w = Window();
  c.WriteLog("resetOpt: Start:", 7);
  for (int zone = kZones; zone >= 1; --zone) {
    c.gzone = zone;
    ZoneState& z = c.Zone(zone);
    c.WriteLog("resetOpt: Part number for zone: " + std::to_string(zone) + " is: " + z.gPn, 5);
    if (z.gPn.empty()) {
      ActivateZone2(zone, false);
      continue;
    }
    const std::string keyLabel = c.GetKeyVal(c.gIniFile, "KeyLabel");
    zones_.loadStat(w("framKey"), w("cmbSN", zone), keyLabel);
    w("lblSet", zone).SetCaption(c.Translate("Part:") + " " + z.gPn + " " + c.Translate("F:") + " " + z.flavorName +
                                 " " + c.Translate("Op:") + " " + z.gOpName);
    w("lblSet", zone).SetToolTip(c.Translate("Part Number:") + " " + z.gPn + " " + c.Translate("Analysis Flavor:") +
                                 " " + z.flavorName + " " + c.Translate("Measurement Operation:") + " " + z.gOpName);
    ActivateZone2(zone, true);
    c.WriteLog("resetOpt: Calling SectionSet.", 5);
    files_.SectionSet();
    // The zone starts from its default sections, and the window says so.
    w("Option1", zone).SetValue(1);
    if (w("framKey").Caption().empty() || w("cmbSN", zone).Tag().empty()) {
      w("framKey").SetCaption("Serial Number");
      w("cmbSN", zone).SetTag("SERNO");
    }
  }
  SetInspPos();
  c.WriteLog("resetOpt: End:", 7);
}

void InspectionOptions::ActivateZone2(int zone, bool show) {
  FrmInspOpt& w = Window();
  c.WriteLog("ActivateZone2: Begin", 7);
  for (const char* name : {"framFeatSel", "framRpt", "chkPlot", "chkSaveDP", "framSec", "cmdMBR", "lblSet", "LblSetZ",
                           "txtPcnt", "lblz", "cmbSN"})
    w(name, zone).SetVisible(show);
  if (SettingOff("REPORT_SEL")) w("framRpt", zone).SetVisible(false);
  if (!SettingOff("PLOT_SEL") && show) w("framRpt", zone).SetVisible(true);
  if (!SettingOff("DATABASE_SEL") && show) w("framRpt", zone).SetVisible(true);
  w("chkSaveDP", zone).SetEnabled(!SettingOff("DATABASE_SEL"));
  w("chkPlot", zone).SetEnabled(!SettingOff("PLOT_SEL"));
  if (show)
    for (const char* name : {"framRpt", "framSec", "framFeatSel"}) w(name, 0).SetVisible(true);
  c.WriteLog("ActivateZone2: End", 7);
}

void InspectionOptions::SetInspPos() {
  FrmInspOpt& w = Window();
  for (const char* name : {"framMBR", "framPcnt", "framSettings", "framKey"}) w(name).SetVisible(true);
  const auto hideGroup = [&](const char* name) {
    for (int e = 0; e <= kZones; ++e) w(name, e).SetVisible(false);
  };
  if (SettingOff("REPORT_SEL")) hideGroup("framRpt");
  if (SettingOff("SECTION_SEL")) hideGroup("framSec");
  if (Val(c.GetKeyVal(c.gIniFile, "MBR")) != 1) w("framMBR").SetVisible(false);
  if (SettingOff("PARTCOUNT_SEL")) w("framPcnt").SetVisible(false);
  // FEATURE_SEL counts as the feature boxes read it: empty is on, any other
  // text by its number (so a value that is no number disables them, and the
  // grid of dead boxes is not shown either).
  const std::string featureSel = c.GetKeyVal(c.gIniFile, "FEATURE_SEL");
  const bool none = w("framFeatSel", 0).SourceCaption() == "NONE";
  if (none || (!featureSel.empty() && Val(featureSel) == 0)) {
    w("framLot").SetVisible(false);
    hideGroup("framFeatSel");
    if (none) {
      hideGroup("framRpt");
      hideGroup("framSec");
    }
  }
  w.Arrange();
}

void InspectionOptions::ShowWindow() {
  FrmInspOpt& w = Window();
  w.Arrange();
  w.Show(false);
  for (int z = 1; z <= kZones; ++z) zones_.ActivateFrame(z, false);
}

void InspectionOptions::Option1_Click(int zone) {
  c.gzone = zone;
  files_.SectionSet();
}

void InspectionOptions::Option2_Click(int zone) {
  c.gzone = zone;
  sections.selAll(zone);
}

void InspectionOptions::Option3_Click(int zone) {
  c.gzone = zone;
  sections.BaseTip(zone);
}

void InspectionOptions::optCust_Click(int zone) {
  c.gzone = zone;
  station_.hostRunCount = 0;
  sections.form.SetCaption(c.Translate("Zone") + " " + std::to_string(zone) + " " +
                           c.Translate("section selection"));
  sections.Open(zone);
}

void InspectionOptions::cmdMBR_Click(int zone) {
  c.gzone = zone;
  blades.Open(zone);  // a part without a blade file has nothing to pick
}

void InspectionOptions::txtPcnt_Change(int zone) {
  c.gzone = zone;
  Control& count = Window()("txtPcnt", zone);
  // An empty box is the operator typing; the run counts it as 1.
  if (Trim(count.Text()).empty()) return;
  long long value = 0;
  if (WholeNumberText(count.Text(), value) && value >= 1 && value <= 32767) return;
  count.SetText("1");
  c.Tell("Incorrect Part Count Entered");
}

void InspectionOptions::txtLotSize_LostFocus() {
  FrmInspOpt& w = Window();
  int size = 0;
  const char* samples = nullptr;
  if (ToInt16(w("txtLotSize").Text(), size)) {
    if (size > 500) samples = "50";
    else if (size >= 201) samples = "25";
    else if (size >= 42) samples = "15";
    else if (size >= 7) samples = "7";
  }
  if (!samples) {
    w("txtLotSize").SetText("");
    c.Tell("Incorrect Lot Size Entered");
    return;
  }
  w("txtLot2").SetText(samples);
  w("txtLot1").SetText("1");
}

void InspectionOptions::cmbSN_KeyDown(int zone, int key) {
  c.gzone = zone;
  if (key == 13) cmdMeasure_Click();
}

void InspectionOptions::cmdMeasure_Click() {
  if (onMeasure) {
    onMeasure();
    return;
  }
  c.WriteLog("cmdMeasure_Click: the measurement run is not part of this build.", 0);
  c.Tell("Measuring is not part of this build; nothing was measured and the options are kept");
}

std::string InspectionOptions::CleanableDirectory(const std::string& inUse, const std::string& localCopy) {
  const std::string dir = !inUse.empty() && !c.IsNetDrive(inUse) ? inUse : localCopy;
  if (dir.empty() || c.IsNetDrive(dir)) return "";
  return dir;
}

void InspectionOptions::ClearDirectory(const std::string& dir, bool removeDirectory) {
  std::error_code ec;
  const fs::path path = OsPath(NativePath(ResolveCase(dir)));
  if (!fs::is_directory(path, ec)) return;
  // Reports still waiting for their analysis keep their directory.
  for (const QueuedReport& entry : station_.gToAnalyze) {
    const fs::path waiting = OsPath(NativePath(ResolveCase(entry.report))).parent_path();
    if (fs::equivalent(waiting, path, ec)) {
      c.WriteLog("cmdExit_Click: " + dir + " kept: it holds reports waiting for analysis.", 0);
      return;
    }
  }
  for (fs::directory_iterator it(path, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code fileEc;
    if (it->is_regular_file(fileEc) || it->is_symlink(fileEc)) {
      fs::remove(it->path(), fileEc);
      if (fileEc) c.WriteLog("cmdExit_Click: Could not delete " + FromOsPath(it->path()) + ": " + fileEc.message(), 0);
    }
  }
  if (removeDirectory && !fs::remove(path, ec))
    c.WriteLog("cmdExit_Click: Could not remove " + dir + (ec ? ": " + ec.message() : ""), 0);
}

bool InspectionOptions::RefusedWhileRunning() {
  if (!runInProgress || !runInProgress()) return false;
  c.Tell("A measurement is running; please wait until it has finished");
  return true;
}

void InspectionOptions::cmdExit_Click() {
  if (RefusedWhileRunning()) return;
  c.WriteLog("Exitted Inspection Options Window", 0);
  station_.hostRunCount = 0;
  sections.form.Unload();
  c.forms.SetBusy(true);
  // The clean-up settings empty the station's working copies; a network
  // directory (the shop's master data) is never deleted from.
  const std::string blades = CleanableDirectory(c.gBladesDir, c.gLocalBladesDir);
  if (Val(c.GetKeyVal(c.gIniFile, "DeleteActivePartFromBladesFolderAfterRun")) == 1 && !blades.empty()) {
    for (int z = 1; z <= kZones; ++z) {
      const std::string part = c.Zone(z).gPn;
      if (!part.empty() && PartFiles::SafeName(part)) ClearDirectory(JoinPath(blades, part), true);
    }
  }
  if (Val(c.GetKeyVal(c.gIniFile, "DeleteAll__PartsFromBladesFolderAfterRun")) == 1 && !blades.empty()) {
    std::error_code ec;
    for (fs::directory_iterator it(OsPath(NativePath(blades)), ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
      if (std::error_code dirEc; it->is_directory(dirEc) && !it->is_symlink(dirEc))
        ClearDirectory(FromOsPath(it->path()), true);
  }
  if (Val(c.GetKeyVal(c.gIniFile, "DeleteAll__FilesFromQuorvxProgramsFolderAfterRun")) == 1) {
    const std::string programs = CleanableDirectory(c.gProgramsDir, c.gLocalProgramsDir);
    if (!programs.empty() && IsDirectory(ResolveCase(programs))) {
      WriteLines(JoinPath(programs, "junk.txt"), {"junk"});
      ClearDirectory(programs, false);
    }
  }
  c.forms.SetBusy(false);
  if (window_) window_->Hide();
  for (int z = 1; z <= kZones; ++z) zones_.ActivateFrame(z, true);
}

bool InspectionOptions::PlatformTicked(int zone) {
  if (!window_ || zone < 1 || zone > kZones) return false;
  for (int n = 1; n <= kFeatureRows; ++n) {
    const Control& box = (*window_)("chkFeat" + std::to_string(n), zone);
    if (box.Tag() == "PLATFORM" && box.Value() == 1) return true;
  }
  return false;
}

std::string InspectionOptions::SerialNumber(int zone) {
  if (!window_ || zone < 1 || zone > kZones) return "";
  return (*window_)("cmbSN", zone).Text();
}

void InspectionOptions::DisZone(int zone) {
  if (!window_) return;
  ActivateZone2(zone, false);
  SetInspPos();
}

}  // namespace zarvane
