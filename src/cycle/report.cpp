#include "cycle/report.h"

#include "cycle/monitor.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "foundation/atomicfile.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "station/statusline.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

// A program of the zone's list as a name without ".prg": the BLADE line keeps
// the generic program's name as written, often with its extension ("Blade.prg"
// is the program Blade, not "Blade.prg.prg").
std::string ProgramName(const std::string& listed) {
  return IEquals(Extension(listed), "prg") ? NameWithoutExtension(listed) : listed;
}

// The path with its extension ".rpt" replaced by `extension`.
std::string Sibling(const std::string& report, const std::string& extension) {
  return report.substr(0, report.size() - 4) + extension;
}

}  // namespace

ReportWriter::ReportWriter(Core& core, Station& station, HostConnection* host, PartFiles& files,
                           InspectionOptions& options, Statistics& stats, RunState& run)
    : c(core), station_(station), host_(host), files_(files), options_(options), stats_(stats), run_(run),
      features_(BuildFeatureTable(core)) {}

std::string ReportWriter::HostVersion() const { return station_.gHostVersion.empty() ? "Quorvex" : station_.gHostVersion; }

std::string ReportWriter::ReportDirectory() const { return c.gBladesDir; }

std::string ReportWriter::UniqueReportName(const std::string& path) const {
  const auto taken = [&](const std::string& candidate) {
    return c.FileExists(candidate, true) || station_.IsQueued(candidate);
  };
  if (!taken(path)) return path;
  const std::string stem = path.substr(0, path.size() - 4);
  for (int n = 2;; ++n)
    if (const std::string candidate = stem + "_" + std::to_string(n) + ".rpt"; !taken(candidate)) return candidate;
}

bool ReportWriter::ReportDirectoryWritable(const std::string& dir) {
  // A file made and removed again: the directory exists and takes new files.
  const std::string probe = JoinPath(dir, ".zarvane-write-test");
  bool ok = false;
  {
    std::ofstream out(OsPath(NativePath(probe)), std::ios::binary | std::ios::trunc);
    ok = static_cast<bool>(out << "x") && static_cast<bool>(out.flush());
  }
  std::error_code ec;
  fs::remove(OsPath(NativePath(probe)), ec);
  return ok;
}

void ReportWriter::CopyFromNetwork() {
  ZoneState& z = c.CurrentZone();
  if (!z.programs) return;
  const auto network = [&](const char* key, const std::string& inUse) {
    const std::string fallenBack = Trim(c.PeekIniVal("directories", key).value_or(""));
    return fallenBack.empty() ? inUse : fallenBack;
  };
  const std::string programs = network("networkprograms", c.gProgramsDir);
  const std::string blades = network("networkblades", c.gBladesDir);
  const auto usable = [&](const std::string& dir, const std::string& local) {
    return !dir.empty() && c.IsNetDrive(dir) && c.IsNetThere(dir) && dir != local;
  };
  for (const std::string& listed : *z.programs) {
    const std::string file = ProgramName(listed) + ".prg";
    if (usable(programs, c.gLocalProgramsDir) && c.FileExists(JoinPath(programs, file), true))
      c.FCopy(JoinPath(programs, file), JoinPath(c.gLocalProgramsDir, file));
    if (usable(blades, c.gLocalBladesDir) && c.FileExists(JoinPath(JoinPath(blades, z.gPn), file), true))
      c.FCopy(JoinPath(JoinPath(blades, z.gPn), file), JoinPath(JoinPath(c.gLocalBladesDir, z.gPn), file));
  }
}

void ReportWriter::WaitForWindow(const std::string& title) {
  if (!c.FindWindowByTitle(title)) return;
  c.WriteLog("CreateReport: Waiting for the " + title + " window.", 9);
  if (c.platform.clock) c.platform.clock->Wait(2000);
  while (c.FindWindowByTitle(title) && c.platform.clock) c.platform.clock->Wait(100);
  c.WriteLog("CreateReport: The " + title + " window is gone.", 9);
}

bool ReportWriter::RunPrograms() {
  ZoneState& z = c.CurrentZone();
  const int zone = c.gzone;
  // A measurement that does not complete must not leave the last one's data
  // behind to be reported as this one's.
  c.MakeOLD(c.HomeFile("blade.rtf"));
  if (!z.programs) return true;
  for (const std::string& listed : *z.programs) {
    const std::string program = ProgramName(listed);
    if (host_) c.MakeOLD(host_->gHostPath + "xstats11.tmp");
    std::string found;
    for (const std::string& dir : {c.gProgramsDir, c.gFixturesDir, files_.PartDirectory(z.gPn)}) {
      const std::string candidate = JoinPath(dir, program + ".prg");
      if (!dir.empty() && c.FileExists(candidate, true)) found = ResolveCase(candidate);
    }
    if (found.empty()) {
      c.WriteLog(c.Translate("Quorvex program") + " " + program + ".prg " +
                     c.Translate("not found in system.  Contact System Administrator") + ".",
                 0, true);
      return false;
    }
    const std::string temp = JoinPath(c.gProgramsDir, "temp");
    std::error_code ec;
    fs::create_directories(OsPath(NativePath(temp)), ec);
    const std::string copy = JoinPath(temp, program + ".prg");
    c.FCopy(found, copy);
    // The main window's status line says what runs, drawn before the run.
    station_.frmMain.SetStatusText(RunStatusText(c, zone, copy, RunStatus::Running));
    const bool ran = host_ && host_->RunQVXProg(copy, true, station_.frmMain, station_.frmSplash, z.gPn);
    station_.frmMain.SetStatusText(RunStatusText(c, zone, copy, RunOutcome(ran, host_)));
    if (!ran) {
      c.WriteLog("CreateReport: " + HostVersion() + " " + c.Translate("failed during run of") + " " + program, 0, true);
      if (files_.DisZone) files_.DisZone(zone);
      c.gzone = zone;
      return false;
    }
    if (host_ && host_->cancelFlag) {
      // The host cancelled or ended the program abnormally: whatever it left
      // is no complete measurement.
      c.WriteLog("CreateReport: " + program + " was halted; zone " + std::to_string(zone) + " is not reported.", 0);
      return false;
    }
    WaitForWindow("FReport");
    WaitForWindow("Updating Database:");
  }
  return true;
}

bool ReportWriter::WriteHeaderFile() {
  const std::string path = c.HomeFile("Header.txt");
  AtomicFile out(path);
  out.Stream() << "PART " << c.CurrentZone().gPn << "\r\n" << "DATE " << c.NowText("%m/%d/%y %H:%M:%S") << "\r\n";
  stats_.writeStats(out.Stream());
  const WriteResult written = out.Commit();
  if (!written.Ok())
    c.WriteLog(c.Translate("The header file") + " " + path + " " + c.Translate("could not be written") + ": " +
                   written.reason + ".",
               0, true);
  return written.Ok();
}

void ReportWriter::StartAnalysis(std::uint64_t id, const std::string& report) {
  const std::string program = c.PeekIniVal("directories", "bladeexe").value_or("");
  const std::string parameters = Trim(report + " " + c.gPWF);
  // Where this analysis's verdict will start in the analysis log, and which
  // file the log is.
  const std::string log = AnalysisLogPath(program);
  std::error_code sizeEc;
  const std::uintmax_t logSize = fs::file_size(OsPath(NativePath(ResolveCase(log))), sizeEc);
  const std::string identity = AnalysisLogIdentity(log);
  c.WriteLog("CreateReport: Full command: " + program + " " + parameters, 0);
  if (c.ShellOpen("Open", program, parameters, "", 1) != ShellResult::Ok)
    c.WriteLog(c.Translate("The analysis program could not be started:") + " " + program, 0, true);
  // Marked only once started: a station that dies in between starts it again
  // (a second analysis of one report is harmless; none would leave it waiting).
  station_.AnalysisStarted(id, sizeEc ? 0 : logSize, identity);
  Control& timer = options_.Window()("BAnTimer");
  if (!timer.Parent().Loaded()) timer.Parent().Load();
  timer.SetEnabled(true);
  c.WriteLog(std::string("CreateReport: BAnTimer turned on and Status is: ") + (timer.Enabled() ? "True" : "False"), 7);
}

bool ReportWriter::CreateReport() {
  ZoneState& z = c.CurrentZone();
  const int zone = c.gzone;
  c.WriteLog("CreateReport: Zone is " + std::to_string(zone) + " and part number is " + z.gPn, 3);
  if (z.gPn.empty()) {
    c.WriteLog("CreateReport: Part number for zone " + std::to_string(zone) + " was found to be NULL.", 0);
    return false;
  }
  std::string network = Trim(c.PeekIniVal("directories", "networkblades").value_or(""));
  if (network.empty()) network = c.gBladesDir;
  if (c.IsNetDrive(network) && !c.IsNetThere(network)) {
    c.WriteLog("CreateReport: Error: Network failed since Checkdirectories.", 0);
    if (station_.directories) station_.directories->CheckDirectories();
  }
  // Nothing is measured that could not be reported: the directory tested is
  // the one the report name will use (blanks become "_" there).
  const std::string reportDir = ReplaceAll(Trim(JoinPath(ReportDirectory(), z.gPn)), " ", "_");
  if (!IsDirectory(reportDir) || !ReportDirectoryWritable(reportDir)) {
    c.WriteLog(c.Translate("The report directory") + " " + reportDir + " " +
                   c.Translate("cannot be written; zone") + " " + std::to_string(zone) + " " +
                   c.Translate("is not measured") + ".",
               0, true);
    return false;
  }
  // The host reads both for this zone: with the previous zone's left in
  // their place, the zone is not measured at all.
  if (Val(c.GetKeyVal(c.gIniFile, "HeaderON")) == 1 && !WriteHeaderFile()) return false;
  if (!files_.WriteFixtureFile()) return false;

  if (!station_.InTestMode()) {
    CopyFromNetwork();
    if (!RunPrograms()) return false;
  } else {
    c.MakeOLD(c.HomeFile("blade.rtf"));  // only this run's stand-in is reported
    Texts programs = z.programs ? *z.programs : Texts{};
    c.WriteLog(c.Translate("Interface is in TEST mode") + " " + HostVersion() + " " +
                   c.Translate("Quorvex programs that would have just run:") + " " + Join(programs, ", ") + " " +
                   c.Translate("in zone:") + " " + std::to_string(zone),
               5);
    for (const std::string& program : programs) {
      station_.frmMain.SetStatusText(RunStatusText(c, zone, program, RunStatus::NotRun));
      if (c.platform.clock) c.platform.clock->Wait(5000);
    }
    const std::string stand = JoinPath(files_.PartDirectory(z.gPn), "bladeOLD.rtf");
    if (c.FileExists(stand, true)) c.FCopy(ResolveCase(stand), c.HomeFile("blade.rtf"));
  }

  const std::string name = UniqueReportName(stats_.GetOutName(c.platform.clock ? c.platform.clock->Now()
                                                                                : std::chrono::system_clock::now(),
                                                              ReportDirectory()));
  c.WriteLog("CreateReport report name: " + name, 0);
  run_.reportedZones.push_back(zone);

  const std::string hostRtf = c.HomeFile("QUORVX.RTF"), hostTxt = c.HomeFile("QUORVX.TXT");
  if (c.FileExists(hostRtf, true) && c.FCopy(ResolveCase(hostRtf), Sibling(name, ".rtf"))) c.MakeOLD(hostRtf);
  if (c.FileExists(hostTxt, true)) c.FCopy(ResolveCase(hostTxt), Sibling(name, ".txt"));

  bool result = true;
  const std::string bladeRtf = c.HomeFile("blade.rtf");
  if (c.FileExists(bladeRtf, true)) {
    if (z.sectionCount == 0) {
      c.Tell("Error: Blade file was found when blade commanded had no sections.  Contact System Administrator");
    } else {
      // The report reaches its name whole or not at all: the analysis
      // program never reads half a report.
      AtomicFile out(name);
      writeReportHeader(out.Stream());
      writeInspectionOptions(out.Stream());
      std::string trim = UCase(c.GetKeyVal(c.gIniFile, "Trim"));
      const bool trimFlag = trim == "READ" ? (host_ && host_->FindVar("SHNKVAL")) : trim != "0";
      const bool written = writeData(out.Stream(), trimFlag);
      const WriteResult committed = written ? out.Commit() : WriteResult{name, "nothing measured"};
      if (written && !committed.Ok())
        c.WriteLog(c.Translate("The report file") + " " + name + " " + c.Translate("could not be written") + ": " +
                       committed.reason + ".",
                   0, true);
      if (!committed.Ok()) {
        // Nothing is queued; the measured data stays in blade.rtf (the next
        // run retires it to its OLD name).
        result = false;
      } else {
        // Queued (and so in the queue's journal) the moment the report
        // stands: a station that dies from here on still collects it, and
        // starts its analysis at the next start if it had not yet.
        const std::uint64_t id = station_.QueueForAnalysis(name, zone, z.flavorFile);
        // The measured data has its report now.
        if (!station_.InTestMode()) c.KillFile(bladeRtf);
        while (ReportWindowVisible && ReportWindowVisible() && c.platform.clock) c.platform.clock->Wait(100);
        StartAnalysis(id, name);
        if (station_.InTestMode() && c.gDebugLevel > 8 && z.gPn != "Demo") c.ShellOpen("Open", name, "", "", 1);
      }
    }
  } else if (!z.flavorName.empty()) {
    c.WriteLog(c.Translate("Error:") + " " + HostVersion() + " " + c.Translate("report file") + " " + bladeRtf + " " +
                   c.Translate("not found") + ".",
               0, true);
    Control& serial = options_.Window()("cmbSN", zone);
    if (IStartsWith(serial.Text(), "XSTAT")) {
      c.WriteLog("XSTAT halted", 0);
      serial.SetText("XSTAT halted.");
    }
    result = false;
  }

  if (PrintShow) {
    if (c.FileExists(Sibling(name, ".txt"), true)) PrintShow("TXT", Sibling(name, ".txt"), "", zone);
    if (c.FileExists(Sibling(name, ".rtf"), true)) PrintShow("RTF", Sibling(name, ".rtf"), "", zone);
  }
  c.WriteLog("CreateReport: End.", 7);
  return result;
}

}  // namespace zarvane
