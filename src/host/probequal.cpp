#include "host/probequal.h"


#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

// The hourglass while the qualification works, when there is an operator.
class Hourglass {
 public:
  Hourglass(Forms& forms, bool on) : forms_(forms), on_(on) {
    if (on_) forms_.SetBusy(true);
  }
  ~Hourglass() { Release(); }
  void Release() {
    if (on_) forms_.SetBusy(false);
    on_ = false;
  }

 private:
  Forms& forms_;
  bool on_;
};

}  // namespace

ProbeQualification::ProbeQualification(Core& core, Station& station, HostConnection& host)
    : form(core.forms, core), c(core), station_(station), host_(host) {
  form.probePath = [this](const std::string& probe) -> std::string {
    if (!host_.HostProbes_) return "";
    const auto p = host_.HostProbes_->ItemByName(probe);
    return p ? LongDirName(p->Path()) : "";
  };
}

bool ProbeQualification::OperatorModeSwitch() const {
  return !station_.InTestMode() && ValInt(c.GetKeyVal(c.gIniFile, "Operator_Mode")) == 1;
}

void ProbeQualification::Status(const std::string& englishText) {
  if (Interactive()) station_.frmMain("lblProbe").SetCaption(c.Translate(englishText));
  c.WriteLog(englishText, 9);
}

bool ProbeQualification::RefusedWhileBusy() {
  if (running_) {
    c.Tell("A probe qualification is running; please wait until it has finished");
    return true;
  }
  if (station_.hostBusy > 0 || (station_.measuring && station_.measuring())) {
    c.Tell("The CMM host is running another part program; please wait until it has finished");
    return true;
  }
  return false;
}

void ProbeQualification::ShowModal(const std::function<void()>& show) {
  const bool busy = c.forms.Busy();
  c.forms.SetBusy(false);
  show();
  c.forms.SetBusy(busy);
}

template <class T>
std::shared_ptr<T> ProbeQualification::Required(std::shared_ptr<T> object, const char* what) {
  if (!object) throw RuntimeError(91, std::string("Object variable or With block variable not set (") + what + ")");
  return object;
}

void ProbeQualification::ProbeUtilities() {
  if (RefusedWhileBusy()) {
    if (station_.gCommandWord == "/PQ") station_.TriggerExit();
    return;
  }
  const bool interactive = Interactive(), switchMode = OperatorModeSwitch();
  Control& picture = station_.frmMain("picProbe");
  Control& label = station_.frmMain("lblProbe");
  const std::string caption = label.Caption();
  Hourglass busy(c.forms, interactive);
  try {
    if (switchMode && host_.HostApp_) host_.HostApp_->SetOperatorMode(false);
    if (interactive) {
      picture.SetEnabled(false);
      label.SetCaption(c.Translate("Loading..."));
    }
    const std::string alternative = Trim(c.GetKeyVal(c.gIniFile, "AltProbeCalibrationProgram"));
    if (!alternative.empty() && c.FileExists(alternative, true) && !station_.InTestMode()) {
      host_.RunQVXProg(ResolveCase(alternative), interactive, station_.frmMain, station_.frmSplash, "");
    } else {
      // In TEST mode the built-in qualification says why nothing runs.
      mnuProbeCal_Click();
      while (c.FindWindowByTitle("Probe Utilities") && !station_.Exited() && c.platform.clock)
        c.platform.clock->Wait(100);
    }
  } catch (const std::exception& e) {
    c.WriteLog("ProbeUtilities: Error occurred: " + std::string(e.what()), 0, Interactive());
  }
  // Whatever happened, the main window gets its command back.
  if (interactive) {
    picture.SetEnabled(true);
    label.SetCaption(caption);
    busy.Release();
  }
  if (switchMode && host_.HostApp_) {
    try {
      host_.HostApp_->SetOperatorMode(true);
    } catch (const std::exception& e) {
      c.WriteLog("ProbeUtilities: Operator mode could not be set back: " + std::string(e.what()), 0);
    }
  }
  if (station_.gCommandWord == "/PQ") {
    c.WriteLog("ProbeUtilities: /PQ: the station exits.", 0);
    station_.TriggerExit();
  }
}

void ProbeQualification::mnuProbeCal_Click() {
  if (RefusedWhileBusy()) return;
  c.WriteLog("mnuProbeCal_Click: Start", 0);
  // One qualification at a time, and no part program while it runs: the host
  // counts as busy, the commands that would start either wait.
  struct Running {
    ProbeQualification& q;
    explicit Running(ProbeQualification& p) : q(p) {
      q.running_ = true;
      ++q.station_.hostBusy;
      for (const char* name : {"picProbe", "lblProbe", "mnuProbeCal"}) q.station_.frmMain(name).SetEnabled(false);
    }
    ~Running() {
      q.running_ = false;
      --q.station_.hostBusy;
      for (const char* name : {"picProbe", "lblProbe", "mnuProbeCal"}) q.station_.frmMain(name).SetEnabled(true);
    }
  } running(*this);
  Hourglass busy(c.forms, Interactive());
  try {
    Qualify();
  } catch (const std::exception& e) {
    ShowProbeInformationError(e.what());
  }
  Finish();
}

void ProbeQualification::ShowProbeInformationError(const std::string& description) {
  c.WriteLog("mnuProbeCal_Click: Error occurred: " + (description.empty() ? std::string("Unknown error") : description),
             0);
  c.WriteLog(c.Translate("An error occurred while accessing probe information") + "\r\n" +
                 c.Translate("Possible causes of the error are:") + "\r\n" +
                 c.Translate("1.  A probe file converted to a newer version of Quorvex") + "\r\n" +
                 c.Translate("2.  A probe file lacking hardware definition") + "\r\n" +
                 c.Translate("Please contact System Administrator") + ".",
             0, true);
}

void ProbeQualification::AddScratchPart() {
  c.WriteLog("Creation of part 0.prg", 0);
  // An older host takes the machine interface as the third argument.
  host_.HostPart_ = host_.HostParts_ ? host_.HostParts_->Add("0", 0, host_.HostIsNewVersion() ? "" : station_.gInterface, "")
                                     : nullptr;
}

bool ProbeQualification::Offer(Control& box, Control& label, const std::vector<std::string>& items,
                               const char* none, const char* toolTip) {
  box.Clear();
  for (const std::string& item : items) box.AddItem(item);
  if (items.empty()) {
    c.Tell(none);
    return false;
  }
  box.SetListIndex(0);
  // A single choice is made already: its box stays closed.
  const bool one = items.size() == 1;
  box.SetEnabled(!one);
  label.SetEnabled(!one);
  if (!one) box.SetToolTip(toolTip);
  return true;
}

void ProbeQualification::Qualify() {
  if (station_.InTestMode()) {
    // An unattended "/PQ" start only logs it: no box waits for an operator.
    c.WriteLog(c.Translate("Interface is in TEST mode, switch to OFFLINE, or CMM1 to test probe qualification") + ".",
               0, Interactive());
    return;
  }
  Status("Initializing...");
  host_.StartQVX(Interactive(), true, station_.frmMain, station_.frmSplash);
  if (!host_.HostApp_) c.Tell("Quorvex could not be attached");
  if (station_.frmSplash.Visible()) station_.frmSplash.Hide();
  for (const std::string& scratch : {JoinPath(host_.gHostPath, "0.prg"), std::string("0.prg")})
    if (c.FileExists(scratch, true)) c.KillFile(scratch);

  Status("Acquiring programs...");
  c.platform.clock->Sleep(1000);
  c.WriteLog("Setting parts...", 9);
  if (!host_.HostParts_ && host_.HostApp_) host_.HostParts_ = host_.HostApp_->PartPrograms();
  if (!host_.HostParts_) c.Tell("Quorvex parts not be attached");
  AddScratchPart();
  if (!host_.HostPart_ && host_.HostApp_) {
    c.WriteLog("mnuProbeCal_Click: Part 0.prg could not be created; attaching Quorvex again.", 0);
    // Attached again through the connection, so its event sinks stay connected.
    host_.HostApp_.reset();
    host_.HostParts_.reset();
    host_.StartQVX(false, true, station_.frmMain, station_.frmSplash);
    c.platform.clock->Sleep(1000);
    if (host_.HostApp_) host_.HostParts_ = host_.HostApp_->PartPrograms();
    AddScratchPart();
    if (!host_.HostPart_) c.WriteLog("mnuProbeCal_Click: Part 0.prg could not be created again.", 0);
  }

  try {
    if (!host_.HostPart_) throw std::runtime_error("no part program 0");
    host_.HostCommands_ = host_.HostPart_->Commands();
    if (!host_.HostCommands_) throw std::runtime_error("no command list");
  } catch (const std::exception&) {
    c.WriteLog("mnuProbeCal_Click: Unable to get Commands collection, exiting...", 0);
    throw;
  }
  // A new program may hold no command yet: then the end is the place.
  const int commands = host_.HostCommands_->Count();
  host_.HostCommands_->InsertionPointAfter(commands > 0 ? host_.HostCommands_->Item(commands) : nullptr);

  Status("Acquiring probes...");
  host_.HostProbes_ = Required(host_.HostPart_->Probes(), "Probes");
  const int probeCount = host_.HostProbes_->Count();
  c.WriteLog("mnuProbeCal_Click: Probes: " + std::to_string(probeCount), 5);
  if (host_.HostIsNewVersion()) host_.HostProbes_->SetVisible(false);

  form.Load();
  form.Reset();
  form.SetCaption(c.Translate("Qualification Options"));
  Status("Loading probes...");
  std::vector<std::string> names;
  for (int i = 1; i <= probeCount; ++i)
    if (const auto p = host_.HostProbes_->Item(i)) {
      c.WriteLog("Probe file added: " + p->Name(), 5);
      names.push_back(p->Name());
    }
  Control& probes = form("cmbProbe");
  if (!Offer(probes, form("lblProbe"), names, "There are no probe files to qualify", "Select probe to qualify"))
    return;
  form.cmbProbe_Click();

  Status("Loading tools...");
  c.WriteLog("Setting tools", 9);
  tools_ = Required(host_.HostPart_->Tools(), "Tools");
  const int toolCount = tools_->Count();
  c.WriteLog("mnuProbeCal_Click: Tools: " + std::to_string(toolCount), 5);
  names.clear();
  for (int i = 1; i <= toolCount; ++i)
    if (const auto t = tools_->Item(i)) {
      c.WriteLog("Tool name:" + t->ID(), 5);
      names.push_back(t->ID());
    }
  Control& artifacts = form("cmbArtifact");
  if (!Offer(artifacts, form("lblArtifact"), names, "There are no artifacts (tools) to measure",
             "Select qualification sphere"))
    return;

  if (UCase(Trim(c.GetKeyVal(c.gIniFile, "WarnToolMoved"))) == "NO")
    for (const char* name : {"frmMoved", "optYes", "optNo", "lblYes", "lblNo"}) form(name).SetEnabled(false);
  if (UCase(Trim(c.GetKeyVal(c.gIniFile, "DefToolMoved"))) == "NO") form("optNo").SetValue(1);

  Status("Choose Probe/Artifact");
  if (artifacts.Enabled() || probes.Enabled() || form("frmMoved").Enabled()) ShowModal([this] { form.Show(true); });
  if (Trim(artifacts.Text()).empty() || Trim(probes.Text()).empty()) {
    c.WriteLog("mnuProbeCal_Click: Cancelled.", 0);
    host_.HostProbes_->CancelChanges();
    return;
  }

  probe_ = host_.HostProbes_->ItemByName(probes.Text());
  if (!probe_) throw std::runtime_error("the probe " + probes.Text() + " is not known to the host");
  const std::string name = probe_->Name(), path = LongDirName(probe_->Path());
  c.WriteLog("mnuProbeCal_Click: Probe: " + name + " Path: " + path, 5);

  Status("Remove old Results...");
  for (const std::string& dir : {path, host_.gHostPath, station_.gProbeDir})
    if (!dir.empty()) c.MakeOLD(JoinPath(dir, name + ".Results"));

  Status("Set Parameters...");
  tool_ = tools_->ItemById(artifacts.Text());
  if (!tool_) throw std::runtime_error("the artifact " + artifacts.Text() + " is not known to the host");
  settings_ = Required(probe_->QualificationSettings(), "QualificationSettings");
  settings_->SetToolMoved(form("optYes").Value() == 1 ? 1 : 0);
  settings_->SetTool(tool_);
  settings_->SetMode(100);
  settings_->SetExecuteMode(0);
  if (const double v = settings_->NumHits(); v < 5) {
    c.WriteLog("Probe Settings: Numhits: " + NumberText(v), 0);
    settings_->SetNumHits(25);
  }
  if (const double v = settings_->MoveSpeed(); v < 1) {
    c.WriteLog("Probe Settings: Movespeed: " + NumberText(v), 0);
    settings_->SetMoveSpeed(20);
  }
  if (const double v = settings_->Touchspeed(); v <= 0) {
    c.WriteLog("Probe Settings: Touchspeed: " + NumberText(v), 0);
    settings_->SetTouchspeed(1);
  }
  if (const double v = settings_->PreHit(); v <= 0) {
    c.WriteLog("Probe Settings: Prehit: " + NumberText(v), 0);
    settings_->SetPreHit(1);
  }
  probe_->SelectAllTips();
  if (ValInt(c.GetKeyVal(c.gIniFile, "WindowUp")) == 1) host_.BringHostToFront(HostConnection::kWindowClass);

  Status("Qualify...");
  c.WriteLog("mnuProbeCal_Click: Qualifying probe " + name, 0);
  // What is there now is not this qualification's result.
  before_.clear();
  for (const std::string& dir : {path, host_.gHostPath, station_.gProbeDir}) {
    if (dir.empty()) continue;
    const std::string file = ResolveCase(JoinPath(dir, name + ".Results"));
    std::error_code ec;
    const auto time = fs::last_write_time(OsPath(NativePath(file)), ec);
    if (!ec) before_[file] = {time, fs::file_size(OsPath(NativePath(file)), ec)};
  }
  if (!probe_->Qualify2(settings_)) {
    c.Tell("Probe Qualification failed. Contact System Administrator");
    if (host_.MainWindowExists() && host_.HostProbes_) host_.HostProbes_->CancelChanges();
    return;
  }
  c.WriteLog("Probe Qualification succeeded.", 0);
  host_.HostProbes_->SaveChanges();
  c.WriteLog("mnuProbeCal_Click: Probe " + name + " in " + path, 5);
  if (!path.empty()) c.ChangeDir(path);
  const std::string results = FindResults(name, path);
  if (!results.empty()) {
    if (PrintShow) ShowModal([&] { PrintShow("Results", results, "SHOW", 0); });
    else c.WriteLog("mnuProbeCal_Click: " + results + " is not shown: no report display.", 0);
  } else {
    c.Tell("Probe Results file could not be found.  It is likely that the probe qualification did not succeed.  "
           "Please Contact System Administrator");
  }
  c.ChangeDir(c.gHome);
}

std::string ProbeQualification::FindResults(const std::string& probe, const std::string& probePath) {
  for (int attempt = 1; attempt <= 3; ++attempt) {
    if (attempt > 1 && c.platform.clock) c.platform.clock->Wait(1500);
    for (const std::string& dir : {probePath, host_.gHostPath, station_.gProbeDir}) {
      if (dir.empty()) continue;
      const std::string file = ResolveCase(JoinPath(dir, probe + ".Results"));
      std::error_code ec;
      const auto time = fs::last_write_time(OsPath(NativePath(file)), ec);
      if (ec) continue;
      // Only this qualification's result counts: a file that was there before
      // and has not changed is an old one that could not be moved aside.
      const auto old = before_.find(file);
      if (old == before_.end() || old->second.first != time ||
          old->second.second != fs::file_size(OsPath(NativePath(file)), ec))
        return file;
      c.WriteLog("mnuProbeCal_Click: " + file + " is from an earlier qualification.", 0);
    }
  }
  return "";
}

void ProbeQualification::Finish() {
  c.WriteLog("mnuProbeCal_Click: End", 0);
  if (Interactive()) station_.frmMain("lblProbe").SetCaption("Click Probe to Qualify");
  // The held objects go on every path: a host that died must not leave a
  // stale program collection behind for the next qualification.
  tool_.reset();
  tools_.reset();
  probe_.reset();
  settings_.reset();
  host_.HostCommands_.reset();
  host_.HostProbes_.reset();
  if (host_.HostParts_ && host_.MainWindowExists()) {
    try {
      host_.HostParts_->CloseAll();
    } catch (const std::exception& e) {
      c.WriteLog("mnuProbeCal_Click: CloseAll failed: " + std::string(e.what()), 0);
    }
  }
  host_.HostParts_.reset();
  host_.HostPart_.reset();
  form.Unload();
  if (Interactive()) station_.frmMain.Show(false);
  c.ChangeDir(c.gHome);
  const std::string scratch = JoinPath(host_.gHostPath, "0.prg");
  if (!host_.gHostPath.empty() && c.FileExists(scratch, true)) c.KillFile(scratch);
}

}  // namespace zarvane
