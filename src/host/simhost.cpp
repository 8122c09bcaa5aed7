// The simulated host: its settings, the session (one run of the host
// application), the application object, the part program collection, and the
// backend the station talks to (attaching, the main window, quitting).
#include "host/simhost.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>

#include "foundation/paths.h"
#include "foundation/text.h"
#include "host/simcore.h"

namespace fs = std::filesystem;

namespace zarvane {

namespace {

std::string WithSlash(std::string dir) {
  dir = NativePath(Trim(dir));
  if (dir.empty()) return "./";
  if (dir.back() != kSep) dir += kSep;
  return dir;
}

// A path from simhost.ini: relative paths are taken from the installation directory.
std::string InstallRelative(const std::string& install, const std::string& path) {
  const std::string p = NativePath(path);
  if (!DriveRoot(p).empty()) return p;
  return JoinPath(install, p);
}

bool OnOff(const std::string& value, bool fallback) {
  const std::string v = UCase(Trim(value));
  if (v == "ON" || v == "YES" || v == "TRUE" || v == "1") return true;
  if (v == "OFF" || v == "NO" || v == "FALSE" || v == "0") return false;
  return fallback;
}

int IntOr(const std::string& value, int fallback) { return IsNumeric(value) ? ValInt(value) : fallback; }
double NumberOr(const std::string& value, double fallback) { return IsNumeric(value) ? Val(value) : fallback; }

constexpr std::uintmax_t kJournalLimit = 4 * 1024 * 1024;

void MakeDirectory(const std::string& dir) {
  std::error_code ec;
  fs::create_directories(OsPath(dir), ec);
}

}  // namespace

// --- Helpers -----------------------------------------------------------------

SimSettings SimSettings::Load(const std::string& install, const std::string& bladesDir) {
  SimSettings s;
  s.fullName = install + "quorvex";
  s.probeDir = install + "probes/";
  s.partsDir = bladesDir;
  std::map<std::string, std::string> keys;  // upper-cased key -> value
  if (auto lines = ReadLines(JoinPath(install, "simhost.ini"))) {
    for (std::string line : *lines) {
      // "!" starts a comment, on its own line or after the value.
      if (const size_t bang = line.find('!'); bang != std::string::npos) line.erase(bang);
      const size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string key = UCase(TrimWhite(line.substr(0, eq)));
      std::string value = TrimWhite(line.substr(eq + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      if (!key.empty()) keys[key] = value;
    }
  }
  auto has = [&](const char* key) { return keys.count(key) != 0; };
  if (has("ATTACH")) s.attach = OnOff(keys["ATTACH"], s.attach);
  if (has("VERSION") && !keys["VERSION"].empty()) s.version = keys["VERSION"];
  if (has("FULLNAME") && !keys["FULLNAME"].empty()) s.fullName = InstallRelative(install, keys["FULLNAME"]);
  if (has("WARNMEASALLTIPS")) s.warnMeasAllTips = IntOr(keys["WARNMEASALLTIPS"], s.warnMeasAllTips);
  if (has("LOADPROBEUSERSEARCHDIRECTORY") && !keys["LOADPROBEUSERSEARCHDIRECTORY"].empty())
    s.probeDir = WithSlash(InstallRelative(install, keys["LOADPROBEUSERSEARCHDIRECTORY"]));
  if (has("STARTDELAY")) s.startDelay = std::max(0, IntOr(keys["STARTDELAY"], s.startDelay));
  if (has("QUITDELAY")) s.quitDelay = std::max(0, IntOr(keys["QUITDELAY"], s.quitDelay));
  if (has("REFUSEQUIT")) s.refuseQuit = OnOff(keys["REFUSEQUIT"], s.refuseQuit);
  if (has("REFUSECLOSE")) s.refuseClose = OnOff(keys["REFUSECLOSE"], s.refuseClose);
  if (has("PARTSDIRECTORY") && !keys["PARTSDIRECTORY"].empty())
    s.partsDir = InstallRelative(install, keys["PARTSDIRECTORY"]);
  if (has("SEED") && IsNumeric(keys["SEED"])) s.seed = static_cast<std::uint64_t>(static_cast<std::int64_t>(Val(keys["SEED"])));
  if (has("OFFSETX")) s.offsetX = NumberOr(keys["OFFSETX"], s.offsetX);
  if (has("OFFSETY")) s.offsetY = NumberOr(keys["OFFSETY"], s.offsetY);
  if (has("ROTATION")) s.rotation = NumberOr(keys["ROTATION"], s.rotation);
  if (has("NOISE")) s.noise = std::fabs(NumberOr(keys["NOISE"], s.noise));
  if (has("POINTSPERSIDE")) s.pointsPerSide = std::clamp(IntOr(keys["POINTSPERSIDE"], s.pointsPerSide), 12, 999);
  if (has("COMMANDTIME")) s.commandTime = std::max(0, IntOr(keys["COMMANDTIME"], s.commandTime));
  if (has("LATEENDEVENT")) s.lateEndEvent = OnOff(keys["LATEENDEVENT"], s.lateEndEvent);
  if (has("COUNTCONNECTIONS")) s.countConnections = OnOff(keys["COUNTCONNECTIONS"], s.countConnections);
  if (has("BREAKPOINTS")) {
    const std::string v = UCase(keys["BREAKPOINTS"]);
    if (v == "PAUSE" || v == "CANCEL") s.pauseAtBreakpoints = v == "PAUSE";
  }
  if (has("PAUSELIMIT")) s.pauseLimit = std::max(0, IntOr(keys["PAUSELIMIT"], s.pauseLimit));
  if (has("CANCELAFTER")) s.cancelAfter = std::max(0, IntOr(keys["CANCELAFTER"], s.cancelAfter));
  if (has("CANCELRUN")) s.cancelRun = std::max(0, IntOr(keys["CANCELRUN"], s.cancelRun));
  if (has("CRASHRUN")) s.crashRun = std::max(0, IntOr(keys["CRASHRUN"], s.crashRun));
  if (has("CRASHAFTER")) s.crashAfter = std::max(0, IntOr(keys["CRASHAFTER"], s.crashAfter));
  if (has("REPORTSHAPE")) {
    const std::string v = UCase(keys["REPORTSHAPE"]);
    if (v == "VARIED" || v == "PLAIN") s.variedReports = v == "VARIED";
  }
  if (has("STRICTNAMES")) s.strictNames = OnOff(keys["STRICTNAMES"], s.strictNames);
  if (has("CHECKLOCKOWNER")) s.checkLockOwner = OnOff(keys["CHECKLOCKOWNER"], s.checkLockOwner);
  if (has("RETHROWHANDLERERRORS"))
    s.rethrowHandlerErrors = OnOff(keys["RETHROWHANDLERERRORS"], s.rethrowHandlerErrors);
  if (has("QUALDEFAULTS")) {
    // "NumHits 4 Touchspeed 0": names and values in pairs, any case.
    const auto w = SimWords(keys["QUALDEFAULTS"]);
    for (size_t i = 0; i + 1 < w.size(); i += 2) {
      if (!IsNumeric(w[i + 1])) continue;
      const std::string k = UCase(w[i]);
      const double v = Val(w[i + 1]);
      if (k == "NUMHITS") s.qualNumHits = v;
      if (k == "MOVESPEED") s.qualMoveSpeed = v;
      if (k == "TOUCHSPEED") s.qualTouchspeed = v;
      if (k == "PREHIT") s.qualPreHit = v;
    }
  }
  if (has("QUALIFYFAILS")) s.qualifyFails = SimWords(keys["QUALIFYFAILS"]);
  if (has("RESULTSDELAY")) s.resultsDelay = std::max(0, IntOr(keys["RESULTSDELAY"], s.resultsDelay));
  if (has("RESULTSDIR")) {
    const std::string v = UCase(keys["RESULTSDIR"]);
    if (v == "PROBE") s.resultsDir = SimSettings::ResultsDir::Probe;
    if (v == "INSTALL") s.resultsDir = SimSettings::ResultsDir::Install;
    if (v == "NONE") s.resultsDir = SimSettings::ResultsDir::None;
  }
  return s;
}

std::uint64_t SimHashText(const std::string& text) {
  std::uint64_t h = 1469598103934665603ULL;  // FNV-1a
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return h;
}

double SimUnitNoise(std::uint64_t seed, std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  auto mix = [](std::uint64_t z) {
    z += 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  };
  std::uint64_t h = mix(seed);
  h = mix(h ^ a);
  h = mix(h ^ (b * 0x100000001B3ULL));
  h = mix(h ^ (c * 0xC2B2AE3D27D4EB4FULL));
  const double unit = static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);  // [0, 1)
  return 2.0 * unit - 1.0;
}

std::string SimDateTime(std::chrono::system_clock::time_point t) {
  const std::time_t tt = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%m/%d/%Y %H:%M:%S", &tm);
  return buf;
}

std::vector<std::string> SimWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

void SimJournal(const std::string& install, Clock& clock, const std::string& action) {
  MakeDirectory(install);
  const auto now = clock.Now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::string stamp = SimDateTime(now) + "." + (ms < 100 ? (ms < 10 ? "00" : "0") : "") + std::to_string(ms);
  const std::string journal = install + "journal.txt";
  // A long-lived installation keeps the current journal and the one before it.
  std::error_code ec;
  if (fs::file_size(OsPath(journal), ec) > kJournalLimit && !ec) {
    fs::rename(OsPath(journal), OsPath(install + "journal.old.txt"), ec);
  }
  AppendLine(journal, stamp + "  " + action);
}

std::string SimRtfEscape(const std::string& text) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (unsigned char c : text) {
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c > 127) {
      out += "\\'";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else if (c == '\t') {
      out += "\\tab ";
    } else if (c >= 32) {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::vector<std::string> SimRtfLines(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  out.reserve(lines.size() + 2);
  out.push_back("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}}\\f0\\fs18 ");
  for (const auto& line : lines) out.push_back(SimRtfEscape(line) + "\\par");
  out.push_back("}");
  return out;
}

// --- Session -----------------------------------------------------------------

SimSession::SimSession(const SimHostEnvironment& e, std::string installDir, SimSettings s)
    : env(e), install(std::move(installDir)), settings(std::move(s)) {
  readyAt = quitAt = Now();
}

std::string SimSession::StationFile(const std::string& name) const {
  const std::string home = env.stationHome ? env.stationHome() : std::string();
  return ResolveCase(JoinPath(home.empty() ? "." : NativePath(home), name));
}

void SimSession::Journal(const std::string& action) { SimJournal(install, clock(), action); }

bool SimSession::Poll() {
  if (state == State::Quitting && Now() - quitAt >= std::chrono::milliseconds(settings.quitDelay)) Finish();
  if (state != State::Ended) WriteDueFiles();
  return state != State::Ended;
}

void SimSession::RequireAlive() {
  if (!Poll()) throw AutomationError(kSimHostGone);
}

void SimSession::RequestEnd(const std::string& action) {
  if (state != State::Running) {
    Journal(action + " (already shutting down)");
    return;
  }
  Journal(action);
  state = State::Quitting;
  quitAt = Now();
  if (settings.quitDelay <= 0) Finish();
}

void SimSession::Finish() {
  if (state == State::Ended) return;
  state = State::Ended;
  std::error_code ec;
  fs::remove(OsPath(MarkerFile()), ec);
  for (const auto& f : laterFiles_) Journal("NOT WRITTEN " + f.path + ": the host has gone");
  laterFiles_.clear();
  fileTimer_.reset();
  Journal("EXIT");
  // Programs are released with the application; their objects fail from now on.
  programs.clear();
  active.reset();
  sinks.clear();
}

void SimSession::WriteMarker() {
  MakeDirectory(install);
  WriteLines(MarkerFile(), {std::to_string(static_cast<long long>(getpid())), settings.version});
}

std::shared_ptr<SimSession> SimLive(const std::weak_ptr<SimSession>& session) {
  auto s = session.lock();
  if (!s) throw AutomationError(kSimHostGone);
  s->RequireAlive();
  return s;
}

// --- Application -------------------------------------------------------------

void SimApp::WaitUntilReady(int seconds) {
  auto s = SimLive(session_);
  const auto limit = s->Now() + std::chrono::seconds(std::max(0, seconds));
  const auto until = std::min(s->readyAt, limit);
  const auto now = s->Now();
  if (until > now) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
    s->clock().Wait(static_cast<int>(std::max<long long>(1, ms)));
  }
  if (s->Now() < s->readyAt) s->Journal("WAITUNTILREADY timed out after " + std::to_string(seconds) + " s");
}

bool SimApp::Visible() { return SimLive(session_)->visible; }

void SimApp::SetVisible(bool visible) {
  auto s = SimLive(session_);
  s->Journal(visible ? "VISIBLE ON" : "VISIBLE OFF");
  s->visible = visible;
}

void SimApp::SetOperatorMode(bool on) {
  auto s = SimLive(session_);
  s->Journal(on ? "OPERATORMODE ON" : "OPERATORMODE OFF");
  s->operatorMode = on;
}

std::string SimApp::VersionString() { return SimLive(session_)->settings.version; }
std::string SimApp::FullName() { return SimLive(session_)->settings.fullName; }
std::string SimApp::Path() { return SimLive(session_)->install; }
std::shared_ptr<HostParts> SimApp::PartPrograms() { return SimLive(session_)->parts; }

std::shared_ptr<HostPart> SimApp::ActivePartProgram() { return SimLive(session_)->active; }

void SimApp::quit() {
  auto s = SimLive(session_);
  if (s->settings.refuseQuit) {
    s->Journal("QUIT refused");
    return;
  }
  s->RequestEnd("QUIT");
}

int SimApp::GetRegistryInt(const std::string& section, const std::string& key, int defaultValue) {
  auto s = SimLive(session_);
  if (IEquals(section, "Option") && IEquals(key, "WarnMeasAllTips")) return s->settings.warnMeasAllTips;
  return defaultValue;
}

std::string SimApp::GetRegistryString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) {
  auto s = SimLive(session_);
  if (IEquals(section, "Option")) {
    if (IEquals(key, "LoadProbeUserSearchDirectory")) return s->settings.probeDir;
    if (IEquals(key, "WarnMeasAllTips")) return std::to_string(s->settings.warnMeasAllTips);
  }
  return defaultValue;
}

void SimApp::Connect(HostEvents* sink) { SimLive(session_)->Connect(sink); }

void SimApp::Disconnect(HostEvents* sink) {
  auto s = session_.lock();
  if (!s || s->state == SimSession::State::Ended) return;  // nothing is connected to a host that has gone
  s->Disconnect(sink);
}

// --- Part program collection -------------------------------------------------

int SimParts::Count() { return static_cast<int>(SimLive(session_)->programs.size()); }

void SimParts::CloseAll() {
  auto s = SimLive(session_);
  if (s->executing) throw AutomationError("A part program is executing; it cannot be closed now");
  s->Journal("CLOSEALL");
  const auto programs = s->programs;
  s->programs.clear();
  s->active.reset();
  for (const auto& program : programs) program->closed = true;
  for (const auto& program : programs) {
    s->Fire("OnClosePartProgram", [&](HostEvents& e) { e.OnClosePartProgram(program.get()); });
  }
}

std::shared_ptr<HostPart> SimParts::Open(const std::string& file, const std::string& machine) {
  auto s = SimLive(session_);
  const std::string path = ResolveCase(NativePath(file));
  auto fail = [&](const std::string& reason) -> std::shared_ptr<HostPart> {
    s->Journal("OPEN FAILED " + file + ": " + reason);
    return nullptr;
  };
  if (s->settings.strictNames) {
    // A real host fails the call for a name it cannot take.
    std::string fault = SimProgramFileFault(file);
    if (fault.empty() && !IsRegularFile(path)) fault = "the file does not exist";
    if (!fault.empty()) {
      s->Journal("OPEN REFUSED " + file + ": " + fault);
      throw AutomationError("The part program " + file + " cannot be opened: " + fault);
    }
  }
  if (Trim(file).empty()) return fail("no file name");
  if (!IsRegularFile(path)) return fail("the file does not exist");
  auto lines = ReadLines(path);
  if (!lines) return fail("the file cannot be read");
  SimProgramText text = SimParseProgram(*lines);
  if (!text.error.empty()) return fail(text.error);
  auto program = std::make_shared<SimPart>(session_, path, std::move(text));
  s->Journal("OPEN " + path + (Trim(machine).empty() ? "" : " ON " + Trim(machine)));
  s->programs.push_back(program);
  s->active = program;
  s->Fire("OnOpenPartProgram", [&](HostEvents& e) { e.OnOpenPartProgram(program.get()); });
  return program;
}

std::shared_ptr<HostPart> SimParts::Add(const std::string& name, int number, const std::string& machine,
                                        const std::string& extra) {
  auto s = SimLive(session_);
  const std::string n = Trim(name);
  if (n.empty() || n.find_first_of("/\\:*?\"<>|") != std::string::npos) {
    s->Journal("ADD FAILED " + name + ": not a program name");
    return nullptr;
  }
  auto program = std::make_shared<SimPart>(session_, s->install + n + ".prg", SimProgramText{});
  s->Journal("ADD " + n + (machine.empty() ? "" : " machine " + machine));
  s->programs.push_back(program);
  s->active = program;
  s->Fire("OnOpenPartProgram", [&](HostEvents& e) { e.OnOpenPartProgram(program.get()); });
  return program;
}

// --- Backend -----------------------------------------------------------------

SimulatedHost::SimulatedHost(SimHostEnvironment environment) : env_(std::move(environment)) {}

// A host object that goes away with its station process leaves its host
// "running": the marker stays, and the next station process finds it.
SimulatedHost::~SimulatedHost() = default;

std::string SimulatedHost::InstallDir() const { return WithSlash(env_.installDir ? env_.installDir() : ""); }
std::string SimulatedHost::JournalFile() const { return InstallDir() + "journal.txt"; }
std::string SimulatedHost::MarkerFile() const { return InstallDir() + "running.lock"; }
std::string SimulatedHost::OperatorFile() const { return InstallDir() + "operator.txt"; }

bool SimulatedHost::ResumeRun() {
  Reap();
  if (!session_ || !session_->paused) return false;
  session_->request = SimSession::Request::Resume;
  return true;
}

bool SimulatedHost::CancelRun() {
  Reap();
  if (!session_ || !session_->executing) return false;
  session_->request = SimSession::Request::Cancel;
  return true;
}

void SimulatedHost::Reap() {
  if (session_ && !session_->Poll()) session_.reset();
}

void SimulatedHost::StartNew() {
  const std::string install = InstallDir();
  auto settings = SimSettings::Load(install, env_.bladesDir ? env_.bladesDir() : "");
  session_ = std::make_shared<SimSession>(env_, install, std::move(settings));
  session_->app = std::make_shared<SimApp>(session_);
  session_->parts = std::make_shared<SimParts>(session_);
  session_->handlerErrors = handlerErrors_;
  session_->runsInProcess = runsInProcess_;
  session_->readyAt = session_->Now() + std::chrono::milliseconds(session_->settings.startDelay);
  session_->WriteMarker();
  session_->Journal("START " + session_->settings.version);
}

bool SimulatedHost::LeftRunning() {
  const std::string marker = MarkerFile();
  if (!IsRegularFile(marker)) return false;
  const std::string install = InstallDir();
  if (!SimSettings::Load(install, env_.bladesDir ? env_.bladesDir() : "").checkLockOwner) return true;
  std::string owner;
  if (auto lines = ReadLines(marker); lines && !lines->empty()) owner = Trim((*lines)[0]);
  // A marker that names no process cannot be judged: the host counts as running.
  if (!IsNumeric(owner) || Val(owner) < 1 || Val(owner) > 2147483647.0) return true;
  const pid_t pid = static_cast<pid_t>(Val(owner));
  if (kill(pid, 0) == 0 || errno != ESRCH) return true;  // alive (EPERM: alive, someone else's)
  std::error_code ec;
  fs::remove(OsPath(marker), ec);
  SimJournal(install, *env_.clock, "STALE running.lock removed: process " + owner + " has gone");
  return false;
}

void SimulatedHost::Adopt(const std::string& reason) {
  const std::string install = InstallDir();
  std::string previous;
  if (auto lines = ReadLines(MarkerFile()); lines && !lines->empty()) previous = Trim((*lines)[0]);
  auto settings = SimSettings::Load(install, env_.bladesDir ? env_.bladesDir() : "");
  session_ = std::make_shared<SimSession>(env_, install, std::move(settings));
  session_->app = std::make_shared<SimApp>(session_);
  session_->parts = std::make_shared<SimParts>(session_);
  session_->handlerErrors = handlerErrors_;
  session_->runsInProcess = runsInProcess_;
  session_->WriteMarker();
  session_->Journal("ATTACH running host" + (previous.empty() ? "" : " (left by process " + previous + ")") +
                    (reason.empty() ? "" : " for " + reason));
}

std::shared_ptr<HostApp> SimulatedHost::GetObject() {
  Reap();
  const std::string install = InstallDir();
  if (!IsDirectory(install)) {
    // No installation, no host: nothing can be attached or started.
    throw AutomationError("ActiveX component can't create object: no Quorvex installation in " + install);
  }
  const SimSettings settings = SimSettings::Load(install, env_.bladesDir ? env_.bladesDir() : "");
  if (!settings.attach) {
    SimJournal(install, *env_.clock, "ATTACH FAILED (Attach = OFF)");
    throw AutomationError("ActiveX component can't create object: the simulated host refuses to be attached");
  }
  if (session_ && session_->state == SimSession::State::Quitting) {
    // A host that is shutting down cannot be attached any more: a new one starts.
    session_->Journal("GETOBJECT while shutting down: the old host goes at once");
    session_->Finish();
    session_.reset();
  }
  if (session_) {
    const auto readyAt = session_->readyAt;
    session_->settings = settings;
    session_->readyAt = readyAt;
    session_->Journal("ATTACH");
  } else if (LeftRunning()) {
    Adopt("");
  } else {
    StartNew();
  }
  return session_->app;
}

bool SimulatedHost::MainWindowExists() {
  Reap();
  if (session_) return true;
  return LeftRunning();
}

void SimulatedHost::CloseMainWindow() {
  Reap();
  if (!session_) {
    if (!LeftRunning()) return;  // no window to send the message to
    Adopt("CLOSE");
  }
  // The close message is answered with the settings as they are now.
  const SimSettings settings = SimSettings::Load(session_->install, env_.bladesDir ? env_.bladesDir() : "");
  session_->settings.refuseClose = settings.refuseClose;
  session_->settings.quitDelay = settings.quitDelay;
  if (session_->settings.refuseClose) {
    session_->Journal("CLOSE refused");
    return;
  }
  session_->RequestEnd("CLOSE");
  Reap();
}

void SimulatedHost::BringToFront() {
  Reap();
  if (session_) session_->Journal("BRING TO FRONT");
}

}  // namespace zarvane
