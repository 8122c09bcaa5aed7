#include "station/station.h"

#include <filesystem>

#include "foundation/atomicfile.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "zarvane_version.h"

namespace zarvane {
namespace {

bool Truthy(const std::string& value) { return Val(value) != 0; }


// A site's own manual in the home comes first, then the manual built beside the
// station's executable (a build tree), then the installed one
// (<prefix>/share/zarvane/help beside <prefix>/bin); the old help file name is
// kept when there is none, so the message says where a site would put it.
std::string FindHelpFile(Core& c) {
  const std::string site = JoinPath(c.HomeFile("help"), "index.html");
  if (c.FileExists(site, true)) return site;
  if (!c.gProgramDir.empty()) {
    const std::string built = JoinPath(JoinPath(c.gProgramDir, "help"), "index.html");
    if (c.FileExists(built, true)) return built;
    const std::string installed = JoinPath(DirectoryOf(c.gProgramDir), "share/zarvane/help/index.html");
    if (c.FileExists(installed, true)) return installed;
  }
  return JoinPath(c.HomeFile("help"), "operation.chm");
}

}  // namespace

FrmOptions::FrmOptions(Forms& forms) : Form(forms, "frmOptions") {
  SetCaption("Options");
  Resize(5400, 3600);
  int left = 1200;
  for (const char* name : {"cmdOK", "cmdCancel", "cmdApply"}) {
    Control& b = Add(ControlType::CommandButton, name);
    b.SetCaption(std::string(name).substr(3));
    b.Move(left, 2880, 1140, 420);
    b.onClick = [this] { Hide(); };
    left += 1320;
  }
  (*this)("cmdApply").onClick = [] {};  // the dialog holds no settings yet: Apply changes nothing
}

Station::Station(Core& core)
    : c(core), frmMain(core.forms, core), frmSplash(core.forms, core), frmProgress(core.forms, core),
      frmOptions(core.forms) {
  frmMain("cmdExit").onClick = [this] { cmdExit_Click(); };
  frmMain("mnuExit").onClick = [this] { frmMain("cmdExit").Click(); };
  for (int language = 1; language <= 5; ++language)
    frmMain(FrmMain::LanguageMenu(language)).onClick = [this, language] { mnuLanguage_Click(language); };
  frmMain("picLogo").onClick = [this] { ShowAbout(); };
  frmMain("mnuAbout").onClick = [this] { ShowAbout(); };
  frmMain("mnuHelp").onClick = [this] { frmSplash("cmdHelp").Click(); };
  frmMain("mnuProgHelp").onClick = [this] { OpenHelp(3); };
  frmMain("mnuSettings").onClick = [this] { frmOptions.Show(true); };
  frmMain.onResize = [this] { frmMain_Resize(); };

  // Commands stay disabled until their subsystem plugs in and enables them
  // (EnableCommand), so nothing pretends to work; meanwhile their tooltips say
  // why. The probe picture and its caption are probe qualification's command.
  for (const char* name : {"mnuRunQVXProg", "mnuProbeCal", "mnuMakePart", "mnuConvertPTS", "mnuReset", "mnuCheckNet",
                           "mnuAssoc", "mnuCopyZones", "mnuReanalyze", "mnuBladeStart", "mnuReprint", "cmdGo",
                           "picProbe", "lblProbe"}) {
    Control& command = frmMain(name);
    builtToolTips_[name] = command.SourceToolTip();
    command.SetEnabled(false);
    command.SetToolTip(kNotInThisBuild);
  }

  auto closeSplash = [this] { frmSplash.Unload(); };
  frmSplash("cmdOK").onClick = closeSplash;
  for (const char* name : {"fraMainFrame", "picLogo", "lblProductName", "lblCopyright", "lblStatus"})
    frmSplash(name).onClick = closeSplash;
  frmSplash.onKeyDown = [closeSplash](int) { closeSplash(); };
  frmSplash("cmdHelp").onClick = [this] { SplashHelp(); };
  frmSplash("cmdSysInfo").onClick = [this] { SplashSystemInfo(); };
}

Station::~Station() = default;

void Station::EnableCommand(const std::string& name) {
  Control& command = frmMain(name);
  command.SetEnabled(true);
  if (const auto it = builtToolTips_.find(name); it != builtToolTips_.end()) command.SetToolTip(it->second);
}

void Station::Skipped(const std::string& step, const std::string& subsystem) {
  c.WriteLog(step + ": skipped, " + subsystem + " is not part of this build.", 0);
}

bool Station::Start(const std::string& home, const std::vector<std::string>& commandLine) {
  c.gHome = home;
  while (c.gHome.size() > 1 && IsSeparator(c.gHome.back())) c.gHome.pop_back();
  // The lock comes before anything else: a second station on the same home
  // must not move the first one's log aside, back up its files or stop its host.
  if (c.platform.lock && !c.platform.lock->Acquire(c.gHome)) {
    c.gIniFile = c.HomeFile("zarv.ini");
    const int language = ValInt(c.GetKeyVal(c.gIniFile, "Language"));
    c.SetLanguageReadOnly(true);
    c.loadLanguage(language >= 1 && language <= 5 ? language : 1);
    std::string product = c.PeekIniVal("Interface", "ProductName").value_or(c.AppTitle);
    if (Trim(product).empty()) product = c.AppTitle;
    c.op.Message(c.Translate("Error: Another instance of the") + " " + product + " " +
                     c.Translate("application is already running. Logoff Windows and re-logon to start a clean "
                                 "session. To Logoff type CTRL-ALT-DEL and press the Logoff button") +
                     ".",
                 c.AppTitle);
    exited_ = true;
    return false;
  }
  loading_ = true;
  Form_Initialize(commandLine);
  Form_Load();
  loading_ = false;
  if (exitPending_) {
    exitPending_ = false;
    cmdExit_Click();
  } else {
    frmMain.SetStatusText(c.Translate("Ready"));
    ResumeAnalysisQueue();
  }
  return true;
}

void Station::ShowStatus(Form& statusForm, const std::string& text) {
  if (Control* label = statusForm.Find("lblStatus")) label->SetCaption(text);
  c.WriteLog(text, 0);
  if (!statusForm.Visible()) return;
  c.op.Status(text);
  statusForm.Refresh();
}

void Station::SplashStatus(const std::string& englishText, const std::string& suffix) {
  ShowStatus(frmSplash, c.Translate(englishText) + suffix);
}

void Station::Form_Initialize(const std::vector<std::string>& commandLine) {
  gStartMode = StartMode::Normal;
  c.gLocalBladesDir = c.HomeFile("blades");
  c.gLocalFixturesDir = c.HomeFile("fixtures");
  c.gLocalProgramsDir = c.HomeFile("quorvx programs");

  c.gIniFile = c.HomeFile("zarv.ini");
  if (!c.FileExists(c.gIniFile, true)) c.WriteDefaultIni();

  c.MakeOLD(c.HomeFile("debug.txt"));

  c.gDebugLevel = ValInt(c.GetKeyVal(c.gIniFile, "debuglevel"));

  c.gDotDecimal = !c.platform.system || c.platform.system->DecimalSeparator() == '.';
  c.WriteLog(c.gDotDecimal ? "Locale uses . as decimal" : "Locale uses other than US", 9);

  const std::string languageText = c.GetKeyVal(c.gIniFile, "Language");
  int language = languageText.empty() ? 1 : ValInt(languageText);
  if (language < 1 || language > 5) {
    c.WriteLog("frmMain_Initialize: Language " + languageText + " is not 1 to 5, English is used.", 0);
    language = 1;
  }
  c.gLanguage = language;
  c.loadLanguage(language);

  c.gProductName = c.GetIniVal("Interface", "ProductName", c.AppTitle);
  if (Trim(c.gProductName).empty()) c.gProductName = "Zarvane";

  c.WriteLog(c.gProductName + " Version " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                 std::to_string(kVersionRevision),
             0);
  c.WriteLog("Date: " + c.NowText("%m/%d/%y") + " Time: " + c.NowText("%H:%M:%S"), 0);
  c.WriteLog("debuglevel " + std::to_string(c.gDebugLevel), 0);

  const std::string line = Join(commandLine, " ");
  c.WriteLog("frmMain_Initialize: Start: Command Line was: " + line, 0);
  const Texts words = c.SplitWords(line);
  gCommandWord = words.empty() ? "" : words[0];
  if (words.size() == 2 && words[0] == "/INI") {
    c.gIniFile = words[1];
    c.WriteLog("frmMain_Initialize: Settings file is " + c.gIniFile, 0);
  } else if (words.size() == 1 && words[0] == "/PQ") {
    gStartMode = StartMode::ProbeQualification;
    c.WriteLog("Form_Initialize: Probe qualification commanded.", 3);
  } else if (!words.empty()) {
    c.WriteLog("frmMain_Initialize: Command line not understood and ignored: " + line, 0);
  }

  gSingleZone = Truthy(c.GetKeyVal(c.gIniFile, "SingleZone"));

  gInterface = UCase(c.GetKeyVal(c.gIniFile, "Interface"));
  if (gInterface.empty()) gInterface = "CMM1";
  // An unattended "/PQ" start has nobody to close a box: the log says it.
  if (InTestMode()) c.WriteLog(c.Translate("Interface is in TEST mode"), 10, NormalStart());

  if (NormalStart()) {
    frmSplash("lblProductName")
        .SetCaption(c.gProductName + " " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor));
    frmSplash("lblCopyright").SetCaption(kLegalNotice);
    frmSplash.ShowButtons(false);
    frmSplash.LoadLogo(c.GetIniVal("Interface", "Logo", c.HomeFile("CompanyLogo.bmp")));
    frmSplash.Show(false);
    SplashStatus("Initializing", " " + c.gProductName + "...");
  }

  for (const char* name : {"fixture.txt", "Header.txt", "Blade.csv"}) c.MakeOLD(c.HomeFile(name));
  if (!InTestMode())
    for (const char* name : {"blade.rtf", "QUORVX.RTF", "QUORVX.TXT", "Blade.bft"}) c.MakeOLD(c.HomeFile(name));

  if (!InTestMode()) {
    if (host) host->RestartRunningHost(frmSplash);
    else Skipped("frmMain_Initialize: Checking for a running Quorvex", "the host connection");
  }
  hostRunCount = 0;
  if (!InTestMode()) {
    if (host) {
      // The station comes up whatever the host does; an error once the host
      // answered is told, and the next program run attaches again.
      try {
        host->StartQVX(true, false, frmMain, frmSplash);
      } catch (const std::exception& e) {
        c.WriteLog("frmMain_Initialize: Error occurred: " + std::string(e.what()), 0);
        c.WriteLog(c.Translate("Error occurred while starting") + " " + (gHostVersion.empty() ? "Quorvex" : gHostVersion) +
                       "." +
                       Core::ErrorText(ErrFrom(e)) + c.Translate("Contact System Administrator") + ".",
                   0, true);
      }
    } else {
      Skipped("frmMain_Initialize: Starting Quorvex", "the host connection");
    }
  } else {
    gHostVersion = c.Translate("TEST");
  }
  c.WriteLog("frmMain_Initialize: End", 7);
}

void Station::DisableZone(int zone) {
  for (const char* name : {"framZone", "comboBlade", "cmbFixture", "cmbOp", "lblPart", "lblFixture", "lblOperation"})
    frmMain(name, zone).SetEnabled(false);
}

void Station::Form_Load() {
  c.WriteLog("frmMain_Form_Load: Start:", 7);
  if (!InTestMode()) {
    if (host) host->CheckHostSettings();
    else Skipped("frmMain_Form_Load: Checking the Quorvex settings", "the host connection");
  }
  for (int language = 1; language <= 5; ++language)
    frmMain(FrmMain::LanguageMenu(language)).SetValue(language == c.gLanguage ? 1 : 0);
  if (!gSingleZone) frmMain.SetScalesControls(true);
  frmMain.SetCaption(c.AppTitle);
  helpFile = FindHelpFile(c);
  if (ValInt(c.GetKeyVal(c.gIniFile, "Operator_Mode")) == 1) {
    frmMain("mnuProgramming").SetVisible(false);
    frmMain("mnuLanguages").SetVisible(false);
    frmMain.SetBorder(false);
  }
  if (ValInt(c.GetKeyVal(c.gIniFile, "CheckTimerON")) == 1) {
    if (host) host->StartCheckTimer();
    else Skipped("frmMain_Form_Load: The check timer", "the host connection");
  }
  for (int zone = 1; zone <= kZones; ++zone) {
    if (ValInt(c.GetKeyVal(c.gIniFile, "Zone" + std::to_string(zone) + "_DISABLE")) == 1) {
      c.WriteLog("frmMain_Load: Disabling zone: " + std::to_string(zone), 3);
      DisableZone(zone);
    }
  }
  if (directories) directories->CheckDirectories();
  else Skipped("frmMain_Form_Load: Resolving the data directories", "the data directory resolution");
  if (NormalStart()) SplashStatus("Loading part files...");
  if (zones) {
    if (!gSingleZone) zones->PopulateFixtureListBox();
    zones->PopulateBlades();
  } else {
    Skipped("frmMain_Form_Load: Filling the part and fixture lists", "the zone panels");
  }
  if (NormalStart()) SplashStatus("Processing command line...");
  if (gCommandWord == "/PQ") {
    if (probes) {
      probes->ProbeUtilities();
    } else {
      // A probe-qualification start qualifies and exits; without the qualification
      // there is nothing to do, so the station ends rather than wait hidden.
      Skipped("frmMain_Form_Load: Probe qualification", "probe qualification");
      TriggerExit();
    }
  }
  if (gSingleZone) {
    frmMain("mnuCopyZones").SetVisible(false);
    std::string label = c.GetKeyVal(c.gIniFile, "SingleZoneLabel");
    frmMain("framZone", 1).SetCaption(label.empty() ? c.gProductName : label);
    c.WriteLog("SingleZone INI option", 0);
    frmMain.ArrangeSingleZone();
    // The key list is named by the caption in the station's language (a French
    // station keeps its own list file); the window translates the caption
    // from its English text whenever it paints.
    const std::string keyLabel = c.GetKeyVal(c.gIniFile, "KeyLabel");
    frmMain("lblRoute").SetCaption(keyLabel.empty() ? "Serial" : keyLabel);
    if (zones)
      zones->loadStat(frmMain("lblRoute"), frmMain("cmbRoute"), keyLabel.empty() ? c.Translate("Serial") : keyLabel);
    const bool stats = Truthy(c.GetKeyVal(c.gIniFile, "SZ_Stats"));
    for (const char* stat : {"STAT1", "STAT2"}) {
      Control& statLabel = frmMain(std::string("lbl") + stat);
      Control& statBox = frmMain(std::string("cmb") + stat);
      const std::string definition = stats ? c.GetKeyVal(c.gIniFile, stat) : "";
      if (definition.empty()) {
        statLabel.SetVisible(false);
        statBox.SetVisible(false);
      } else {
        statLabel.SetCaption(definition);
        if (zones) zones->loadStat(statLabel, statBox, definition);
      }
    }
    if (!Truthy(c.GetKeyVal(c.gIniFile, "SZ_Serial"))) {
      frmMain("lblRoute").SetVisible(false);
      frmMain("cmbRoute").SetVisible(false);
    }
    const std::string logo = c.GetKeyVal(c.gIniFile, "Logo");
    if (!logo.empty() && c.FileExists(logo, true)) frmMain("picLogo").SetPicture(ResolveCase(NativePath(logo)));
    frmMain.LayoutSingleZone();
    frmMain.SetCaption(c.gProductName);
    frmMain.SetScalesControls(true);
  }
  const int state = ValInt(c.GetKeyVal(c.gIniFile, "Zarv_WindowState"));
  frmMain.SetState(state == 1 ? WindowState::Minimized : state == 2 ? WindowState::Maximized : WindowState::Normal);
  if (gStartMode == StartMode::ProbeQualification) {
    frmMain.SetState(WindowState::Minimized);
    frmMain.Hide();
  }
  if (directories) directories->LogLastAnalyzed();
  if (InTestMode()) frmMain("mnuSettings").SetVisible(true);
  if (NormalStart()) {
    c.WriteLog("Unloaded frmSplash", 9);
    CloseSplash();
    frmMain.Show(false);
  }
  c.WriteLog("frmMain_Form_Load: End:", 3);
}

void Station::CloseSplash() {
  if (!frmSplash.Loaded()) return;
  frmSplash.Hide();
  frmSplash.Unload();
}

void Station::TriggerExit() {
  if (loading_) exitPending_ = true;
  else cmdExit_Click();
}

void Station::cmdExit_Click() {
  if (measuring && measuring()) {
    c.Tell("A measurement is running; please wait until it has finished");
    return;
  }
  if (qualifying && qualifying()) {
    c.Tell("A probe qualification is running; please wait until it has finished");
    return;
  }
  c.WriteLog("cmdExit_Click: Start:", 5);
  if (!gToAnalyze.empty()) {
    for (const auto& blade : gToAnalyze)
      c.WriteLog("cmdExit_Click: Blade that did not analyze was: " + blade.report, 0);
    const bool quit = c.op.YesNo(
        c.gProductName + " " + c.Translate("is waiting for Blade to finish analyzing.  Are you sure you want to quit?"),
        c.Translate("Exit?"));
    if (!quit) return;
  }
  if (analysing && analysing()) {
    // The monitor is inside one of its waits with windows under it: the
    // station closes when it has finished collecting.
    exitAfterAnalysis_ = true;
    c.WriteLog("cmdExit_Click: Exit follows when the analysis results are collected.", 0);
    frmMain.SetStatusText(c.Translate("Closing when the analysis results are collected..."));
    return;
  }
  FinishExit();
}

void Station::ExitIfPending() {
  if (!exitAfterAnalysis_ || exited_) return;
  exitAfterAnalysis_ = false;
  FinishExit();
}

std::uint64_t Station::QueueForAnalysis(const std::string& report, int zone, const std::string& flavorFile) {
  QueuedReport entry;
  entry.report = report;
  entry.zone = zone;
  entry.flavorFile = flavorFile;
  entry.queued = c.platform.clock ? c.platform.clock->Now() : std::chrono::system_clock::now();
  entry.id = nextQueueId_++;
  gToAnalyze.push_back(std::move(entry));
  const std::uint64_t id = gToAnalyze.back().id;
  SaveQueueJournal();
  if (onQueueChanged) onQueueChanged();
  return id;
}

void Station::AnalysisStarted(std::uint64_t id, std::uintmax_t logOffset, const std::string& logIdentity) {
  for (QueuedReport& entry : gToAnalyze) {
    if (entry.id != id) continue;
    entry.logOffset = logOffset;
    entry.logIdentity = logIdentity;
    entry.analysisStarted = true;
    SaveQueueJournal();
    return;
  }
}

bool Station::DropFromAnalysis(std::uint64_t id) {
  for (auto it = gToAnalyze.begin(); it != gToAnalyze.end(); ++it) {
    if (it->id != id) continue;
    gToAnalyze.erase(it);
    SaveQueueJournal();
    if (onQueueChanged) onQueueChanged();
    return true;
  }
  return false;
}

bool Station::SaveQueueJournal(bool tellAlways) {
  if (!journalOwned_) return true;
  const std::string path = QueueJournalPath();
  // An empty queue leaves no journal; the removal, like a write, reaches the
  // disk before the station goes on, so a power cut cannot bring back what
  // was collected or given up.
  const WriteResult saved =
      gToAnalyze.empty() ? RemoveFileDurably(path) : WriteFileAtomically(path, QueueJournalText(gToAnalyze));
  if (saved.Ok()) {
    journalFailureTold_ = false;
    return true;
  }
  c.WriteLog("SaveQueueJournal: " + saved.Error(), 0);
  // Once until it works again: the queue changes with every report.
  if (journalFailureTold_ && !tellAlways) return false;
  journalFailureTold_ = true;
  c.WriteLog(c.Translate("The list of reports waiting for analysis could not be saved in") + " " + path + " (" +
                 saved.reason + "). " + c.Translate("They are still collected while the station runs."),
             0, true);
  return false;
}

// A journal the start cannot read whole is kept as AnalysisQueueBAD.txt, for
// the operator or the installer to look at, before the station writes its own.
void Station::KeepJournalAside(const std::string& why) {
  const std::string path = QueueJournalPath(), aside = c.HomeFile("AnalysisQueueBAD.txt");
  std::error_code ec;
  std::filesystem::rename(OsPath(NativePath(ResolveCase(path))), OsPath(NativePath(aside)), ec);
  c.WriteLog(c.Translate("The list of reports waiting for analysis") + " " + path + " " + why + ". " +
                 (ec ? c.Translate("It is left as it is.") : c.Translate("It is kept as") + " " + aside + "."),
             0, true);
  // Not written over while it may still hold what the station could not read.
  if (ec) journalOwned_ = false;
}

void Station::ResumeAnalysisQueue() {
  journalOwned_ = true;
  const std::string path = QueueJournalPath();
  // Half-written files of a station that died between a write and its rename.
  if (const int stale = RemoveStaleTemporaries(c.gHome); stale > 0)
    c.WriteLog("ResumeAnalysisQueue: removed " + std::to_string(stale) + " temporary files left by an unclean end", 0);
  if (!c.FileExists(path, true)) return;
  const std::optional<std::string> text = ReadAll(ResolveCase(path));
  int unreadable = 0;
  std::vector<QueuedReport> resumed = text ? ParseQueueJournal(*text, &unreadable) : std::vector<QueuedReport>{};
  if (!text) KeepJournalAside(c.Translate("cannot be read"));
  else if (unreadable > 0)
    KeepJournalAside(c.Translate("has lines that cannot be read:") + " " + std::to_string(unreadable));
  for (QueuedReport& entry : resumed) {
    entry.id = nextQueueId_++;
    c.WriteLog("ResumeAnalysisQueue: waiting again for " + entry.report, 0);
    gToAnalyze.push_back(std::move(entry));
  }
  SaveQueueJournal();
  if (resumed.empty()) return;
  if (onQueueChanged) onQueueChanged();
  c.WriteLog(std::to_string(resumed.size()) + " " +
                 c.Translate("reports measured before the station last stopped are still waiting for their analysis; "
                             "the station collects them again."),
             0, true);
  if (onQueueResumed) onQueueResumed();
}

bool Station::IsQueued(const std::string& report) const {
  for (const QueuedReport& entry : gToAnalyze)
    if (entry.report == report) return true;
  return false;
}

void Station::FinishExit() {
  c.forms.SetBusy(true);
  // Whatever still waits was given up with the operator's Yes to Exit.
  if (!gToAnalyze.empty()) c.WriteLog("cmdExit_Click: " + std::to_string(gToAnalyze.size()) + " reports are no longer waited for.", 0);
  gToAnalyze.clear();
  // Told even when it was told before: what it still lists would be collected
  // again at the next start.
  SaveQueueJournal(true);
  if (!InTestMode()) {
    for (const char* name : {"tmpwrk.txt", "QUORVX.RTF", "QUORVX.TXT", "Header.txt", "fixture.txt"})
      c.MakeOLD(c.HomeFile(name));
    if (host) host->KillQVX(true, frmMain, frmSplash);
    else Skipped("cmdExit_Click: Stopping Quorvex", "the host connection");
  }
  ExitVB();
  if (ValInt(c.GetKeyVal(c.gIniFile, "Operator_Mode")) == 1 && gInterface != "TEST" && gInterface != "OFFLINE") {
    c.WriteLog("cmdExit_Click: Logging the operator off.", 0);
    if (c.platform.system && !c.platform.system->LogOffUser())
      c.WriteLog("cmdExit_Click: The operator could not be logged off.", 0);
  }
  c.forms.SetBusy(false);
  c.WriteLog("cmdExit_Click: End:", 5);
  exited_ = true;
}

void Station::ExitVB() {
  std::vector<Form*> open = c.forms.Loaded();
  c.WriteLog("ExitVB: Forms.Count: " + std::to_string(open.size()), 5);
  for (Form* form : open) {
    c.WriteLog("ExitVB: Unloading: " + form->Name(), 0);
    form->Unload();
  }
  c.WriteLog("ExitVB: Forms.Count: " + std::to_string(c.forms.Loaded().size()), 5);
}

void Station::mnuLanguage_Click(int language) {
  c.loadLanguage(language);
  for (int l = 1; l <= 5; ++l) frmMain(FrmMain::LanguageMenu(l)).SetValue(l == language ? 1 : 0);
  frmMain.Repaint();
  frmMain.Refresh();
  // Every other open window (the inspection options, a picker) speaks the new
  // language at once too.
  for (Form* form : c.forms.Loaded()) {
    if (form == &frmMain || !form->Visible()) continue;
    form->Repaint();
    form->Refresh();
  }
}

void Station::ShowAbout() {
  frmSplash("lblProductName")
      .SetCaption(c.gProductName + " " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor));
  frmSplash("lblCopyright").SetCaption(kLegalNotice);
  frmSplash("lblStatus").SetCaption(c.Translate("and") + " Quorvex " + gHostVersion);
  frmSplash.ShowButtons(true);
  frmSplash.LoadLogo(c.GetIniVal("Interface", "Logo", c.HomeFile("CompanyLogo.bmp")));
  frmSplash.Show(false);
}

void Station::SplashHelp() { OpenHelp(1); }

void Station::OpenHelp(int showCommand) {
  // A station without its help file says so rather than doing nothing.
  if (!c.FileExists(helpFile, true)) {
    c.WriteLog(c.Translate("The help file was not found:") + " " + helpFile, 0, true);
    return;
  }
  const ShellResult result = c.ShellOpen("Open", ResolveCase(helpFile), "", "", showCommand);
  if (result == ShellResult::FileNotFound || result == ShellResult::Failed)
    c.WriteLog(c.Translate("The help file could not be opened:") + " " + helpFile, 0, true);
}

void Station::SplashSystemInfo() {
  const std::string program = c.platform.system ? c.platform.system->SystemInfoProgram() : "";
  if (program.empty() || c.ShellOpen("Open", program, "", "", 1) != ShellResult::Ok)
    c.Tell("System Information Is Unavailable At This Time");
}

void Station::frmMain_Resize() {
  // Another running station is refused when this one starts (the instance lock),
  // so resizing only keeps an operator workstation maximised.
  if (ValInt(c.GetKeyVal(c.gIniFile, "Operator_Mode")) == 1 && frmMain.State() != WindowState::Maximized)
    frmMain.SetState(WindowState::Maximized);
}

}  // namespace zarvane
