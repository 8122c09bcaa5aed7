#include "cycle/monitor.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

// The report's output of another kind: ".rpt" replaced by `extension`.
std::string Output(const std::string& report, const std::string& extension) {
  return report.substr(0, report.size() - 4) + extension;
}

}  // namespace

std::string AnalysisSibling(const std::string& program, const std::string& extension) {
  const std::string p = Trim(program);
  if (p.size() >= 4 && IEquals(p.substr(p.size() - 4), ".exe")) return p.substr(0, p.size() - 4) + extension;
  return p + extension;
}

std::string AnalysisLogIdentity(const std::string& logFile) {
  const std::string path = OsPath(NativePath(ResolveCase(logFile))).string();
  struct statx st {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_INO | STATX_BTIME, &st) != 0) return "";
  std::string identity = std::to_string(st.stx_dev_major) + ":" + std::to_string(st.stx_dev_minor) + ":" +
                         std::to_string(st.stx_ino);
  if (st.stx_mask & STATX_BTIME)
    identity += ":" + std::to_string(st.stx_btime.tv_sec) + "." + std::to_string(st.stx_btime.tv_nsec);
  return identity;
}

std::string AnalysisVerdict(const std::string& logFile, const std::string& report, std::uintmax_t from,
                            const std::string& identity) {
  // Another file than the one measured at `from`: all of it is new.
  if (!identity.empty() && AnalysisLogIdentity(logFile) != identity) from = 0;
  const auto path = OsPath(NativePath(ResolveCase(logFile)));
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (!ec && from > 0 && from <= size) {
    // The log as it was when the report was queued ended there with a line
    // end. When the byte before is no line end, the log was deleted or cut
    // back since and has grown again: the whole log is read.
    char before = 0;
    in.seekg(static_cast<std::streamoff>(from - 1));
    if (in.get(before) && before == '\n') in.seekg(static_cast<std::streamoff>(from));
    else in.clear(), in.seekg(0);
  }
  std::string verdict, line;
  // Line by line: the log grows with every analysis the station ever asked for.
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.rfind('=');
    if (eq == std::string::npos || Trim(line.substr(0, eq)) != report) continue;
    verdict = Trim(line.substr(eq + 1));  // the last line for the report answers
  }
  return verdict;
}

AnalysisMonitor::AnalysisMonitor(Core& core, Station& station, InspectionOptions& options)
    : c(core), station_(station), options_(options) {}

void AnalysisMonitor::Wait(int ms) {
  if (c.platform.clock) c.platform.clock->Wait(ms);
}

bool AnalysisMonitor::Leaving() { return station_.ExitRequested() || station_.Exited(); }

void AnalysisMonitor::WaitWhileWindow(const std::string& title, int firstWaitMs) {
  if (!c.FindWindowByTitle(title)) return;
  Wait(firstWaitMs);
  while (c.FindWindowByTitle(title) && !Leaving()) Wait(100);
}

bool AnalysisMonitor::Setting(const std::string& key, int value) {
  const std::string text = Trim(c.GetKeyVal(c.gIniFile, key));
  return IsNumeric(text) && Val(text) == value;
}

bool AnalysisMonitor::NetworkLost() {
  std::string network = Trim(c.PeekIniVal("directories", "networkblades").value_or(""));
  if (network.empty()) network = c.gBladesDir;
  return c.IsNetDrive(network) && !c.IsNetThere(network);
}

void AnalysisMonitor::BAnTimer_Timer() {
  // Timers fire inside the waits of longer steps. A tick waits for its turn:
  // it never runs inside another tick, a measurement run or a host program.
  if (ticking_ || station_.hostBusy > 0 || (runInProgress && runInProgress()) || Leaving()) {
    ShowQueue();  // the age of the oldest report goes on
    return;
  }
  struct Ticking {
    bool& flag;
    explicit Ticking(bool& f) : flag(f) { flag = true; }
    ~Ticking() { flag = false; }
  } ticking(ticking_);
  // The operator hears of a lost network once until it is back, not at every
  // tick (the station falls back to its local files meanwhile).
  if (networkTold_ && !NetworkLost()) networkTold_ = false;
  c.WriteLog("BAnTimer: Start:", 0);
  c.WriteLog("BanTimer: gToAnalyze Count:" + std::to_string(station_.gToAnalyze.size()), 5);
  if (station_.gToAnalyze.empty()) {
    c.WriteLog("BAnTimer: End: No blades to analyze", 0);
    ShowQueue();
    return;
  }
  {
    // Newest first. The queue may change during the waits of processing
    // (a new report queued), so each position is looked up afresh and an
    // entry is removed by its identity.
    for (size_t i = station_.gToAnalyze.size(); i >= 1 && !Leaving(); --i) {
      if (NetworkLost()) {
        c.WriteLog("BAnTimer_Timer: Error: Network failed since Checkdirectories.", 0);
        if (!networkTold_) {
          networkTold_ = true;
          c.Tell("Network failed since it was last checked, some blades may not be analyzed.  Please Contact System "
                 "Administrator");
          if (station_.directories) station_.directories->CheckDirectories();
        }
      }
      c.WriteLog("BanTimer: gToAnalyze Count:" + std::to_string(station_.gToAnalyze.size()), 5);
      if (station_.gToAnalyze.size() < i) continue;
      const QueuedReport entry = station_.gToAnalyze[i - 1];
      if (!LookAt(entry)) break;
    }
  }
  c.WriteLog("BAnTimer: End:", 7);
  ShowQueue();
  ticking_ = false;
  station_.ExitIfPending();
}

bool AnalysisMonitor::LookAt(const QueuedReport& entry) {
  const std::string& report = entry.report;
  c.WriteLog("BAnTimer_Timer: Looking for blade:" + report, 5);
  if (!entry.analysisStarted) return false;  // its analysis is about to start
  if (c.gPWF == "PWF") {
    // The older analysis program names only the report it finished last. Its
    // settings file may first appear with its first analysis: until the
    // directories are resolved again it is looked for beside the program.
    std::string settings = c.gBladeIniFile;
    if (settings.empty()) settings = AnalysisSibling(c.PeekIniVal("directories", "bladeexe").value_or(""), ".ini");
    if (!c.FileExists(settings, true) || !IEquals(c.GetKeyVal(settings, "AnalysisFile"), report)) return true;
  } else {
    const std::string program = c.PeekIniVal("directories", "bladeexe").value_or("");
    const std::string verdict = AnalysisVerdict(AnalysisLogPath(program), report, entry.logOffset, entry.logIdentity);
    if (verdict.empty()) {
      c.WriteLog("BAnTimer_Timer: Blade not found yet:" + report, 5);
      return false;
    }
    // The operator is told before the entry leaves the queue (and its
    // journal): a station that dies under the message tells it again.
    if (verdict == "0") {
      c.WriteLog(c.Translate("An error occurred during Blade Analysis, Contact System Adminstrator.  Blade") + " " +
                     report,
                 0, true);
      station_.DropFromAnalysis(entry.id);
      return false;
    }
    if (verdict != "1") {
      c.WriteLog(c.Translate("An unknown error occurred during Blade Analysis, Please Contact System Adminstrator.  "
                             "Blade") +
                     " " + report + " " + c.Translate("Unknown parameter:") + " " + verdict,
                 0, true);
      station_.DropFromAnalysis(entry.id);
      return false;
    }
    c.WriteLog("BAnTimer_Timer: Blade found:" + report, 5);
  }
  if (!c.FileExists(report, true) && NetworkLost()) {
    // Finished, but its files are on a share that is gone: it waits for the
    // network rather than being collected without them.
    c.WriteLog("BAnTimer_Timer: " + report + " is out of reach while the network is down; it stays queued.", 0);
    return false;
  }
  Process(entry);
  station_.DropFromAnalysis(entry.id);
  return true;
}

void AnalysisMonitor::Process(const QueuedReport& entry) {
  const std::string& report = entry.report;
  c.WriteLog("BAnTimer: Blade has been processed: " + report, 0);
  station_.frmMain.SetStatusText(c.Translate("Collecting the analysis of") + " " + FileNameFromPath(report) + "...");
  CopyCsvHome(Output(report, ".csv"));
  SaveCmm(entry, Output(report, ".cmm"));

  const std::string external = Trim(c.GetKeyVal(c.gIniFile, "ExtBladeFinish"));
  if (!external.empty()) {
    c.WriteLog("BAnTimer_Timer: Firing external:" + external, 3);
    c.ShellOpen("Open", external, "", "", 1);
  }
  AfterAnalysisProgram(entry);
  const std::string mcl = Trim(c.GetKeyVal(c.gIniFile, "ExternalMCL"));
  if (!mcl.empty()) {
    c.WriteLog("BAnTimer_Timer: Firing external for MCL:" + mcl, 3);
    c.ShellOpen("Open", mcl, Output(report, ".mcl"), "", 1);
  }
  CleanUp(entry);
  std::string kept;
  for (const char* ext : {".rpt", ".cmm", ".cmb", ".txt", ".rtf", ".csv", ".xyz", ".mcl"})
    if (c.FileExists(Output(report, ext), true)) kept += std::string(kept.empty() ? "" : " ") + ext;
  station_.frmMain.SetStatusText(c.Translate("Analysis collected:") + " " + FileNameFromPath(report) +
                                 (kept.empty() ? "" : " (" + kept + ")"));
}

void AnalysisMonitor::CopyCsvHome(const std::string& csv) {
  if (!c.FileExists(csv, true) || !Setting("CSV_To_Home", 1)) return;
  const std::string home = c.HomeFile("Blade.csv");
  c.MakeOLD(home);
  c.FCopy(ResolveCase(csv), home);
  if (station_.InTestMode() && c.gDebugLevel > 8) c.ShellOpen("Open", csv, "", "", 1);
}

void AnalysisMonitor::SaveCmm(const QueuedReport& entry, const std::string& cmm) {
  // The flavor the report was measured with, not what the zone holds now.
  const std::string& flavor = entry.flavorFile;
  if (flavor.empty() || !c.parseFile(flavor, "SAVECMM", false)) return;
  if (Trim(c.GetKeyVal(flavor, "SAVECMM")) == "0") return;
  if (PrintShow) PrintShow("CMM", cmm, "", entry.zone);
  if (Setting("CombineON", 1)) Combine(entry, cmm);
}

void AnalysisMonitor::Combine(const QueuedReport& entry, const std::string& cmm) {
  std::string second;
  if (c.FileExists(Output(entry.report, ".txt"), true)) second = Output(entry.report, ".txt");
  if (c.FileExists(Output(entry.report, ".rtf"), true)) second = Output(entry.report, ".rtf");
  const std::string combine = c.HomeFile("combine.exe");
  if (second.empty() || !c.FileExists(combine, true)) return;
  if (!c.FileExists(cmm, true) || !c.FileExists(second, true)) {
    c.WriteLog(c.Translate("One of the two Combine files not found, Combine not performed") + ".\r\n" +
                   c.Translate("File 1:") + " " + cmm + "\r\n" + c.Translate("File 2:") + " " + second,
               0, true);
    return;
  }
  const std::string parameters = cmm + "," + second;
  c.WriteLog("BAnTimer_Timer: Shelling Combine with command: " + parameters, 0);
  c.ShellOpen("Open", ResolveCase(combine), parameters, "", 1);
  Wait(1000);
  if (c.FindWindowByTitle("Combine")) {
    station_.frmMain.SetStatusText(c.Translate("Waiting for the Combine window to close..."));
    while (c.FindWindowByTitle("Combine") && !Leaving()) Wait(100);
  }
  const std::string value = Trim(c.GetKeyVal(c.gIniFile, "CMB_Wait"));
  c.WriteLog("BAnTimer_Timer: CMB_Wait: " + value, 0);
  double seconds = value.empty() ? 2 : Val(value);
  if (!(seconds > 0)) seconds = 2;
  long long ms = std::llround(std::min(seconds, 1e6) * 1000);
  if (ms > kMaxCmbWaitMs) {
    c.WriteLog("BAnTimer_Timer: CMB_Wait " + value + " s is more than the longest wait; waiting " +
                   std::to_string(kMaxCmbWaitMs) + " ms.",
               0);
    ms = kMaxCmbWaitMs;
  }
  Wait(static_cast<int>(ms));
  if (PrintShow) PrintShow("CMB", Output(entry.report, ".cmb"), "", entry.zone);
}

void AnalysisMonitor::AfterAnalysisProgram(const QueuedReport& entry) {
  const auto& programs = c.Zone(1).programs;
  if (!programs || programs->empty() || !IEquals(Trim(programs->back()), "QVXAfterBladeAnalysis")) return;
  if (station_.InTestMode()) {
    Wait(5000);
    return;
  }
  // The statistics package reads the processed report's own BFT file.
  const std::string bft = entry.report.substr(0, entry.report.size() - 3) + "BFT";
  const std::string homeBft = c.HomeFile("Blade.bft");
  if (c.FileExists(bft, true)) c.FCopy(ResolveCase(bft), homeBft);
  std::string program;
  const std::string part = c.Zone(1).gPn;
  for (const std::string& dir :
       {c.gProgramsDir, c.gFixturesDir, part.empty() ? std::string() : JoinPath(c.gBladesDir, part)}) {
    const std::string candidate = JoinPath(dir, "QVXAfterBladeAnalysis.prg");
    if (!dir.empty() && c.FileExists(candidate, true)) program = ResolveCase(candidate);
  }
  if (program.empty()) {
    c.WriteLog("BAnTimer_Timer: QVXAfterBladeAnalysis.prg was found in none of the program, fixture and part "
               "directories; nothing run.",
               0);
  } else if (station_.host) {
    station_.host->RunQVXProg(program, true, station_.frmMain, station_.frmSplash, part);
    WaitWhileWindow("FReport", 2000);
    WaitWhileWindow("Updating Database:", 2000);
  }
  c.MakeOLD(homeBft);
}

void AnalysisMonitor::CleanUp(const QueuedReport& entry) {
  static const struct {
    const char* kill;
    const char* clean;
    const char* extension;
  } kPairs[] = {{"KillXYZ", "CleanXYZ", ".xyz"}, {"KillIGS", "CleanIGS", ".igs"}, {"KillCSV", "CleanCSV", ".csv"},
                {"KillBCD", "CleanBCD", ".bcd"}, {"KillRPT", "CleanRPT", ".rpt"}, {"KillRTF", "CleanRTF", ".rtf"},
                {"KillTXT", "CleanTXT", ".txt"}, {"KillCMM", "CleanCMM", ".cmm"}, {"KillCMB", "CleanCMB", ".cmb"}};
  for (const auto& pair : kPairs) {
    if (!Setting(pair.kill, 1) && !Setting(pair.clean, 1)) continue;
    const std::string file = Output(entry.report, pair.extension);
    if (c.FileExists(file, true)) c.KillFile(file);
  }
}

std::string AnalysisMonitor::QueueText() {
  const auto& queue = station_.gToAnalyze;
  if (queue.empty()) return "";
  const auto now = c.platform.clock ? c.platform.clock->Now() : std::chrono::system_clock::now();
  const auto oldest = std::min_element(queue.begin(), queue.end(), [](const auto& a, const auto& b) {
                        return a.queued < b.queued;
                      })->queued;
  const long long minutes =
      std::max<long long>(0, std::chrono::duration_cast<std::chrono::minutes>(now - oldest).count());
  return c.Translate("Waiting for analysis:") + " " + std::to_string(queue.size()) + " " +
         c.Translate(queue.size() == 1 ? "report" : "reports") + ", " + c.Translate("oldest") + " " +
         std::to_string(minutes) + " min";
}

void AnalysisMonitor::ShowQueue() { station_.frmMain.SetStatusDetail(QueueText()); }

}  // namespace zarvane
