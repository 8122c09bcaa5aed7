#include "station/zones.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "foundation/paths.h"
#include "foundation/text.h"
#include "station/statusline.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

bool NameBefore(const std::string& a, const std::string& b) {
  const std::string ua = UCase(a), ub = UCase(b);
  return ua != ub ? ua < ub : a < b;
}

// The names of a directory's entries that pass `keep`, sorted without regard to
// case so every station lists them in the same order.
template <typename Keep>
Texts Entries(const std::string& dir, Keep keep) {
  Texts names;
  std::error_code ec;
  fs::directory_iterator it(OsPath(NativePath(dir)), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = FromOsPath(it->path().filename());
    if (keep(*it, name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NameBefore);
  return names;
}

Texts Subdirectories(const std::string& dir) {
  return Entries(dir, [](const fs::directory_entry& entry, const std::string& name) {
    std::error_code ec;
    return entry.is_directory(ec) && name != "." && name != "..";
  });
}

Texts FilesWithExtension(const std::string& dir, const std::string& extension) {
  return Entries(dir, [&](const fs::directory_entry& entry, const std::string& name) {
    std::error_code ec;
    return entry.is_regular_file(ec) && IEquals(Extension(name), extension);
  });
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  const fs::path pa = OsPath(NativePath(ResolveCase(a))), pb = OsPath(NativePath(ResolveCase(b)));
  if (fs::exists(pa, ec) && fs::exists(pb, ec)) return fs::equivalent(pa, pb, ec);
  return pa.lexically_normal() == pb.lexically_normal();
}

}  // namespace

Zones::Zones(Core& core, Station& station, PartFiles& files)
    : c(core), station_(station), files_(files), main_(station.frmMain) {
  Wire();
}

void Zones::Wire() {
  // Every operator action in a zone's lists makes it the zone last worked in;
  // the station's own calls of the same handlers (the first part at start, the
  // copy itself) go past these wires and do not.
  for (int n = 1; n <= kZones; ++n) {
    Control& part = main_("comboBlade", n);
    Control& fixture = main_("cmbFixture", n);
    Control& op = main_("cmbOp", n);
    part.onGotFocus = [this, n] { WorkedIn(n); };
    part.onClick = [this, n] {
      WorkedIn(n);
      comboBlade_Click(n);
    };
    part.onChange = [this, n] { WorkedIn(n); };
    fixture.onGotFocus = [this, n] { WorkedIn(n); };
    fixture.onClick = [this, n] {
      WorkedIn(n);
      cmbFixture_Change(n);
    };
    fixture.onChange = [this, n] { WorkedIn(n); };
    op.onGotFocus = [this, n] {
      WorkedIn(n);
      cmbOp_GotFocus(n);
    };
    op.onClick = [this, n] {
      WorkedIn(n);
      cmbOp_Click(n);
    };
    op.onChange = [this, n] {
      WorkedIn(n);
      cmbOp_Change(n);
    };
    main_("framZone", n).onMouseUp = [this, n](int button) { framZone_MouseUp(n, button); };
  }
  main_.onMouseUp = [this](int button) { frmMain_MouseUp(button); };
  main_("mnuCopyZones").onClick = [this] { mnuCopyZones_Click(); };
  main_("mnuPopCopyZones").onClick = [this] { mnuCopyZones_Click(); };
  ShowCopySource();
  // The Enter key in the key-label box is the Measure command.
  main_("cmbRoute").onKeyDown = [this](int key) {
    if (key == 13 && main_("cmdGo").Enabled()) main_("cmdGo").Click();
  };
  files_.DisZone = [this](int n) { DisZone(n); };
}

void Zones::PopulateBlades() {
  c.forms.SetBusy(true);
  c.WriteLog("PopulateBlades: Start", 7);
  // Every zone starts again from an empty part: zone 1 then follows the first
  // part of the new list (or stays empty), the others wait for the operator.
  // No zone holds settings the operator chose any more, so Copy settings to
  // all zones waits for the operator to work in one; zone 1's first part is
  // the station's choice and does not make it the source.
  copySource_ = 0;
  ShowCopySource();
  for (int n = 1; n <= kZones; ++n) {
    main_("comboBlade", n).Clear();
    main_("comboBlade", n).SetText("");
    ForgetPart(n);
  }
  if (!c.IsNetDrive(c.gBladesDir)) c.WriteLog("PopulateBlades: Net not found.", 9);

  // A lookup record belongs to the part named by its first word.
  Texts lookup;
  files_.ReadLookupRecords([&](const std::string& record) {
    const Texts words = c.SplitWords(record);
    if (!words.empty()) lookup.push_back(Trim(words[0]));
    return true;
  });
  Texts parts;
  for (const std::string& dir : Subdirectories(c.gBladesDir)) {
    if (c.FileExists(JoinPath(JoinPath(c.gBladesDir, dir), dir + ".op"), true)) {
      parts.push_back(dir);
      c.WriteLog("Populate blades found operation file for   : " + dir, 7);
      continue;
    }
    const auto forPart = [&](const std::string& part) { return IEquals(part, dir); };
    const auto used = std::remove_if(lookup.begin(), lookup.end(), forPart);
    if (used == lookup.end()) continue;
    lookup.erase(used, lookup.end());
    parts.push_back(dir);
    c.WriteLog("Populate blades found bladelookup entry for: " + dir, 7);
  }
  for (int n = 1; n <= kZones; ++n)
    for (const std::string& part : parts) main_("comboBlade", n).AddItem(part);

  if (!parts.empty()) {
    main_("comboBlade", 1).SetListIndex(0);
    comboBlade_Click(1);
  } else {
    c.WriteLog("PopulateBlades: No parts found in " + c.gBladesDir, 0);
  }
  c.WriteLog("PopulateBlades: End", 7);
  c.forms.SetBusy(false);
}

void Zones::PopulateFixtureListBox() {
  for (int n = 1; n <= kZones; ++n) main_("cmbFixture", n).Clear();
  for (const std::string& file : FilesWithExtension(c.gFixturesDir, "prg")) {
    const std::string name = NameWithoutExtension(file);
    c.WriteLog("Loaded into fixture list was: " + name, 9);
    for (int n = 1; n <= kZones; ++n) main_("cmbFixture", n).AddItem(Trim(name));
  }
  // A fixture shown from the old list that the new one lacks is no choice any more.
  for (int n = 1; n <= kZones; ++n) {
    Control& fixture = main_("cmbFixture", n);
    const auto& items = fixture.Items();
    if (std::find(items.begin(), items.end(), fixture.Text()) == items.end()) fixture.SetText("");
  }
}

void Zones::comboBlade_Click(int n) {
  c.gzone = n;
  const std::string part = main_("comboBlade", n).Text();
  if (!part.empty() && !PartFiles::SafeName(part)) {
    files_.RefuseName("The part number", part);
    ForgetPart(n);
    return;
  }
  if (!part.empty() && c.IsNetDrive(c.gBladesDir)) {
    c.WriteLog("comboBlade_Click: The blade is: " + part, 5);
    const std::string command =
        c.StartMirror(JoinPath(c.gBladesDir, part), JoinPath(c.gLocalBladesDir, part));
    c.forms.SetBusy(true);
    if (c.platform.clock) c.platform.clock->Sleep(2000);
    c.forms.SetBusy(false);
    c.WriteLog("comboBlade_Click: Mirror blade command: " + command, 5);
  }
  FillOperations(n);
  ZoneState& z = c.Zone(n);
  z.gPn = part;
  z.gNomName = part;
  z.gTolName = part;
  Control& op = main_("cmbOp", n);
  if (op.ListCount() > 0) op.SetListIndex(0);
  else op.SetText("");
  z.gOpName = op.Text();

  if (station_.gSingleZone) {
    Control& keyLabel = main_("lblRoute");
    const std::string keyLabelText = c.GetKeyVal(c.gIniFile, "KeyLabel");
    keyLabel.SetCaption(keyLabelText);
    if (Val(c.GetKeyVal(c.gIniFile, "SZ_Serial")) != 0)
      loadStat(keyLabel, main_("cmbRoute"), keyLabelText.empty() ? c.Translate("Serial") : keyLabelText);
    if (Val(c.GetKeyVal(c.gIniFile, "SZ_Stats")) != 0) {
      for (const char* stat : {"STAT1", "STAT2"}) {
        const std::string definition = c.GetKeyVal(c.gIniFile, stat);
        if (!definition.empty())
          loadStat(main_(std::string("lbl") + stat), main_(std::string("cmb") + stat), definition);
      }
    }
  }
}

void Zones::ForgetPart(int n) {
  main_("cmbOp", n).Clear();
  main_("cmbOp", n).SetText("");
  c.Zone(n).ClearChoice();
}

void Zones::FillOperations(int n) {
  Control& op = main_("cmbOp", n);
  op.Clear();
  const std::string file = files_.OperationFile(main_("comboBlade", n).Text());
  if (file.empty() || !c.FileExists(file, true)) return;
  if (const OptTexts names = files_.parseOP(file))
    for (const std::string& name : *names) op.AddItem(name);
}

void Zones::cmbOp_GotFocus(int n) {
  Control& op = main_("cmbOp", n);
  const std::string remembered = op.Text();
  c.WriteLog("cmbOp_GotFocus: Start:", 9);
  FillOperations(n);
  op.SetText(remembered);
}

void Zones::cmbOp_Click(int n) {
  c.WriteLog("cmbOp_Click: Start:", 9);
  OperationChosen(n);
}

void Zones::cmbOp_Change(int n) {
  c.WriteLog("cmbOp_Change: Start:", 9);
  OperationChosen(n);
}

void Zones::OperationChosen(int n) {
  // A new operation starts from the part's own nominal and tolerance files;
  // the operation's NOMTOL line may replace them when the zone is measured.
  ZoneState& z = c.Zone(n);
  z.gOpName = main_("cmbOp", n).Text();
  z.gNomName = z.gPn;
  z.gTolName = z.gPn;
}

void Zones::cmbFixture_Change(int n) {
  c.WriteLog("cmbFixture_Change: Start:", 7);
  const std::string name = Trim(main_("cmbFixture", n).Text());
  if (name.empty()) return;
  c.gzone = n;
  if (!PartFiles::SafeName(name)) {
    files_.RefuseName("The fixture name", name);
    c.WriteLog("cmbFixture_Change: End:", 7);
    return;
  }
  FixtureAlignment(n, name);
  c.WriteLog("cmbFixture_Change: End:", 7);
}

void Zones::FixtureAlignment(int n, const std::string& name) {
  const std::string local = JoinPath(c.gLocalFixturesDir, name + ".prg");
  const std::string network = JoinPath(c.gFixturesDir, name + ".prg");
  if (!c.Ask("Do you want to execute the fixture alignment?", "Fixture Alignment")) return;
  if (station_.InTestMode()) {
    main_.SetStatusText(RunStatusText(c, n, local, RunStatus::NotRun));
    c.WriteLog(c.Translate("Interface is in TEST mode, Fixture alignment program that would have run:") + " " + local,
               0, true);
    return;
  }
  // The fixtures directory in use holds the current program; the local copy is
  // what runs, so refresh it whenever the current one can be read.
  if (!c.gFixturesDir.empty() && c.FileExists(c.gFixturesDir, true) && c.FileExists(network, true) &&
      !SameFile(network, local)) {
    std::error_code ec;
    fs::create_directories(OsPath(NativePath(c.gLocalFixturesDir)), ec);
    if (!c.FCopy(network, local))
      c.WriteLog("cmbFixture_Change: Could not copy " + network + " to " + local, 0);
  }
  if (!c.FileExists(local, true)) {
    main_.SetStatusText(RunStatusText(c, n, local, RunStatus::NotFound));
    c.WriteLog(c.Translate("Fixture alignment program not found:") + " " + local, 0, true);
    return;
  }
  // The status line is drawn at once, before the long run.
  main_.SetStatusText(RunStatusText(c, n, local, RunStatus::Running));
  c.forms.SetBusy(true);
  files_.WriteFixtureFile();
  bool ran = false;
  if (station_.host) {
    ran = station_.host->RunQVXProg(ResolveCase(local), true, main_, station_.frmSplash, c.Zone(n).gPn);
  } else {
    c.WriteLog("cmbFixture_Change: skipped, the host connection is not part of this build.", 0);
  }
  if (!ran) c.WriteLog("cmbFixture_Change: Quorvex failed running the fixture program.", 0);
  main_.SetStatusText(RunStatusText(c, n, local, RunOutcome(ran, station_.host)));
  c.forms.SetBusy(false);
}

void Zones::ActivateFrame(int n, bool enabled) {
  if (Val(c.GetKeyVal(c.gIniFile, "Zone" + std::to_string(n) + "_DISABLE")) == 1) {
    c.WriteLog("ActivateFrame: End:  Found disable in INI.", 9);
    return;
  }
  for (const char* name : {"framZone", "cmbOp", "cmbFixture", "comboBlade", "lblFixture", "lblPart", "lblOperation"})
    main_(name, n).SetEnabled(enabled);
}

void Zones::DisZone(int n) {
  const auto values = [&] { return std::to_string(n) + " and gzone is: " + std::to_string(c.gzone); };
  c.WriteLog("DisZone Start Zone is: " + values(), 4);
  const int saved = c.gzone;
  for (const char* name : {"comboBlade", "cmbOp", "cmbFixture"}) main_(name, n).SetText("");
  c.Zone(n).ClearChoice();
  if (onDisZone) onDisZone(n);
  c.gzone = saved;
  c.WriteLog("DisZone end Zone is: " + values(), 0);
}

void Zones::loadStat(Control& label, Control& box, const std::string& definition) {
  c.WriteLog("loadStat: Start: StatStr: " + definition, 7);
  const Texts words = c.SplitWords(definition);
  if (words.empty()) return;
  box.SetTag(words[0]);
  label.SetCaption(words.size() == 1 ? words[0] : Join(Texts(words.begin() + 1, words.end()), " "));
  if (c.gzone < 1 || c.gzone > kZones) c.gzone = 1;
  const std::string listFile = words[0] + ".lst";
  const std::string part = c.Zone(c.gzone).gPn;
  // The part's own list in the blades directory in use (the local copy after a
  // fallback), else the station's list.
  std::string file = c.HomeFile(listFile);
  const std::string partDir = files_.PartDirectory(part);
  if (!part.empty() && !partDir.empty() && c.FileExists(JoinPath(partDir, listFile), true))
    file = JoinPath(partDir, listFile);
  PopList(box, file);
  c.WriteLog("loadStat : End: Combo Name: " + box.FullName(), 0);
}

void Zones::PopList(Control& box, const std::string& file) {
  if (c.FileExists(file, true)) {
    if (const OptTexts lines = c.getaFile(file)) {
      box.Clear();
      for (const std::string& line : *lines) box.AddItem(line);
      if (box.ListCount() > 0) box.SetListIndex(0);
    }
  }
  c.WriteLog("PopList End: List: " + box.FullName() + " File: " + file, 10);
}

bool Zones::ValidateCombo(Control& box) {
  c.WriteLog("ValidateCombo: ComboBox validated: " + box.FullName(), 7);
  if (Val(c.GetKeyVal(c.gIniFile, "ValidateON")) == 0 || box.ListCount() == 0) return true;
  const auto& items = box.Items();
  if (std::find(items.begin(), items.end(), box.Text()) != items.end()) return true;
  if (!box.Text().empty())
    c.WriteLog(c.Translate("Data entered:") + " " + box.Text() + " " +
                   c.Translate("not found in data list).  Please re-enter") + ".",
               0, true);
  else
    c.Tell("Missing key data.  Please retry");
  return false;
}

void Zones::SetObjectVisible(Control& control, bool visible) {
  control.SetVisible(visible);
  control.SetTag(visible ? "Visible" : "Invisible");
  c.WriteLog("Set object: " + control.FullName() + " tag: " + control.Tag(), 0);
}

void Zones::WorkedIn(int n) {
  if (n == copySource_) return;
  copySource_ = n;
  ShowCopySource();
}

void Zones::ShowCopySource() {
  // A menu item, so English as the menu bar is.
  Control& copy = main_("mnuCopyZones");
  copy.SetEnabled(copySource_ >= 1);
  copy.SetToolTip(copySource_ >= 1 ? "Copies the part and operation of Zone " + std::to_string(copySource_) +
                                         " to the other zones."
                                   : "Click into a zone first: its settings are copied to the other zones.");
}

void Zones::mnuCopyZones_Click() {
  c.WriteLog("mnuCopyZones_Click: Start: source zone " + std::to_string(copySource_), 7);
  if (copySource_ < 1 || copySource_ > kZones) return;  // the operator has worked in no zone yet
  const std::string part = main_("comboBlade", copySource_).Text();
  const std::string operation = main_("cmbOp", copySource_).Text();
  for (int n = 1; n <= kZones; ++n) {
    Control& frame = main_("framZone", n);
    if (n == copySource_ || !frame.Enabled() || !frame.Visible()) continue;
    main_("comboBlade", n).SetText(part);
    comboBlade_Click(n);
    main_("cmbOp", n).SetText(operation);
    cmbOp_Click(n);
  }
  c.WriteLog("mnuCopyZones_Click: End", 7);
}

void Zones::framZone_MouseUp(int n, int button) {
  if (button != 2) return;
  WorkedIn(n);
  main_("mnuPopCopyZones")
      .SetCaption(c.Translate("Copy Zone") + " " + std::to_string(n) + " " + c.Translate("settings to all zones"));
  main_.PopupMenu("mnuZonePopup");
}

void Zones::frmMain_MouseUp(int button) {
  if (button != 2) return;
  static const std::pair<const char*, const char*> kItems[] = {
      {"mnuPopReanalyze", "mnuReanalyze"}, {"mnuPopBladeStart", "mnuBladeStart"}, {"mnuPopConvertPTS", "mnuConvertPTS"},
      {"mnuPopReports", "mnuReports"},     {"mnuPopReprint", "mnuReprint"},       {"mnuPopAssoc", "mnuAssoc"}};
  for (const auto& [popup, command] : kItems) {
    Control& item = main_(popup);
    Control& source = main_(command);
    item.SetCaption(c.Translate(source.SourceCaption()));
    // "Reports" heads the list; the other items do what their menu commands do,
    // and say why when they cannot.
    item.SetEnabled(std::string(command) != "mnuReports" && source.Enabled());
    item.SetToolTip(c.Translate(source.SourceToolTip()));
    if (!item.onClick) item.onClick = [&source] { source.Click(); };
  }
  main_.PopupMenu("mnuReportPopup");
}

void center(Form& form, int screenWidth, int screenHeight) {
  form.Move(screenWidth / 2 - form.Width() / 2, screenHeight / 2 - form.Height() / 2);
}

int BottomOf(const Control& control) { return control.Top() + control.Height(); }
int RightOf(const Control& control) { return control.Left() + control.Width(); }

namespace {
// Visible controls placed directly on the form (not inside a frame, not menus or timers).
template <typename Edge>
int FurthestEdge(Form& form, Edge edge) {
  int furthest = 0;
  for (const auto& control : form.Controls()) {
    if (!control->Visible() || !control->Container().empty() || control->Type() == ControlType::Menu ||
        control->Type() == ControlType::Timer)
      continue;
    furthest = std::max(furthest, edge(*control));
  }
  return furthest;
}
}  // namespace

void SetWidth(Form& form, int margin) { form.Resize(FurthestEdge(form, RightOf) + margin, form.Height()); }
void SetBottom(Form& form, int margin) { form.Resize(form.Width(), FurthestEdge(form, BottomOf) + margin); }

}  // namespace zarvane
