// Probes and tools on the simulated host. Probe files are
// <probe directory>/<name>.prb with "TIP <name> <diameter>" lines; the
// qualification spheres are listed in <install>/tools.txt as "<ID> <diameter>".
// Qualifying a probe is in simqualify.cpp.
#include <algorithm>
#include <filesystem>

#include "foundation/paths.h"
#include "foundation/text.h"
#include "host/simcore.h"

namespace fs = std::filesystem;

namespace zarvane {

namespace {

bool CommentOrBlank(const std::string& line) {
  const std::string t = TrimWhite(line);
  return t.empty() || t[0] == '!' || t[0] == '#';
}

std::string DirWithSlash(const std::string& dir) {
  if (dir.empty()) return "./";
  return dir.back() == kSep ? dir : dir + kSep;
}

}  // namespace

// --- Tools -------------------------------------------------------------------

std::vector<std::shared_ptr<SimTool>> SimReadTools(const std::string& install) {
  std::vector<std::shared_ptr<SimTool>> tools;
  if (auto lines = ReadLines(install + "tools.txt")) {
    for (const auto& line : *lines) {
      if (CommentOrBlank(line)) continue;
      const auto w = SimWords(line);
      if (w.size() >= 2 && IsNumeric(w[1])) tools.push_back(std::make_shared<SimTool>(w[0], Val(w[1])));
    }
  }
  return tools;
}

int SimTools::Count() {
  SimLive(session_);
  return static_cast<int>(tools_.size());
}

std::shared_ptr<HostTool> SimTools::Item(int index) {
  SimLive(session_);
  if (index < 1 || index > static_cast<int>(tools_.size()))
    throw AutomationError("Invalid tool index " + std::to_string(index));
  return tools_[index - 1];
}

std::shared_ptr<HostTool> SimTools::ItemById(const std::string& id) {
  SimLive(session_);
  for (const auto& t : tools_)
    if (IEquals(t->ID(), Trim(id))) return t;
  return nullptr;
}

// --- Probes ------------------------------------------------------------------

SimProbe::SimProbe(std::weak_ptr<SimSession> session, std::string file) : session_(std::move(session)) {
  name_ = NameWithoutExtension(FileNameFromPath(file));
  dir_ = DirWithSlash(DirectoryOf(file));
  if (auto lines = ReadLines(file)) {
    for (const auto& line : *lines) {
      if (CommentOrBlank(line)) continue;
      const auto w = SimWords(line);
      if (w.size() >= 3 && IEquals(w[0], "TIP") && IsNumeric(w[2]))
        tips_.push_back(std::make_shared<SimTip>(w[1], Val(w[2])));
    }
  }
}

std::string SimProbe::Name() {
  SimLive(session_);
  return name_;
}

std::string SimProbe::Path() {
  SimLive(session_);
  return dir_;
}

int SimProbe::TipCount() {
  SimLive(session_);
  return static_cast<int>(tips_.size());
}

std::shared_ptr<HostTip> SimProbe::Tip(int index) {
  SimLive(session_);
  if (index < 1 || index > static_cast<int>(tips_.size()))
    throw AutomationError("Invalid tip index " + std::to_string(index) + " of probe " + name_);
  return tips_[index - 1];
}

void SimProbe::SelectAllTips() { SimLive(session_)->Journal("SELECT ALL TIPS " + name_); }

std::shared_ptr<HostQualificationSettings> SimProbe::QualificationSettings() {
  auto s = SimLive(session_);
  auto& settings = s->qualification[UCase(name_)];
  if (!settings) {
    settings = std::make_shared<SimQualSettings>();
    settings->numHits = s->settings.qualNumHits;
    settings->moveSpeed = s->settings.qualMoveSpeed;
    settings->touchspeed = s->settings.qualTouchspeed;
    settings->preHit = s->settings.qualPreHit;
  }
  return settings;
}

SimProbes::SimProbes(std::weak_ptr<SimSession> session) : session_(std::move(session)) {
  auto s = SimLive(session_);
  std::vector<std::string> files;
  std::error_code ec;
  const std::string dir = ResolveCase(s->settings.probeDir);
  for (fs::directory_iterator it(OsPath(dir), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = FromOsPath(it->path().filename());
    if (IEquals(Extension(name), "prb") && IsRegularFile(JoinPath(dir, name))) files.push_back(JoinPath(dir, name));
  }
  std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
    const std::string ua = UCase(FileNameFromPath(a)), ub = UCase(FileNameFromPath(b));
    return ua != ub ? ua < ub : a < b;
  });
  for (const auto& f : files) probes_.push_back(std::make_shared<SimProbe>(session_, f));
}

int SimProbes::Count() {
  SimLive(session_);
  return static_cast<int>(probes_.size());
}

std::shared_ptr<HostProbe> SimProbes::Item(int index) {
  SimLive(session_);
  if (index < 1 || index > static_cast<int>(probes_.size()))
    throw AutomationError("Invalid probe index " + std::to_string(index));
  return probes_[index - 1];
}

std::shared_ptr<HostProbe> SimProbes::ItemByName(const std::string& name) {
  SimLive(session_);
  for (const auto& p : probes_)
    if (IEquals(p->Name(), Trim(name))) return p;
  return nullptr;
}

void SimProbes::SetVisible(bool visible) { SimLive(session_)->Journal(visible ? "PROBES VISIBLE ON" : "PROBES VISIBLE OFF"); }
void SimProbes::SaveChanges() { SimLive(session_)->Journal("SAVE PROBES"); }
void SimProbes::CancelChanges() { SimLive(session_)->Journal("CANCEL PROBES"); }

}  // namespace zarvane
