// Qualifying a probe on the simulated host: the settings it accepts, the time
// the hits take, the results file and where and when it appears.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "foundation/paths.h"
#include "foundation/text.h"
#include "host/simcore.h"

namespace fs = std::filesystem;

namespace zarvane {

namespace {

constexpr int kMinHits = 4;      // a sphere's centre and radius need four points
constexpr int kMaxHits = 999;
constexpr int kLocateHits = 25;  // finding a sphere that has moved, before any tip is qualified
constexpr double kMaxQualifyMs = 600000;

// Why the host refuses these settings; empty when it takes them. Comparisons
// are written so that a NaN fails them.
std::string SettingsFault(const SimQualSettings& q) {
  const double hits = std::floor(q.numHits);
  if (!(hits >= kMinHits)) return "NumHits " + NumberText(q.numHits) + ": a sphere needs at least 4 hits";
  if (!(hits <= kMaxHits)) return "NumHits " + NumberText(q.numHits) + ": at most 999 hits";
  if (!(q.moveSpeed > 0)) return "MoveSpeed " + NumberText(q.moveSpeed) + ": must be above 0";
  if (!(q.touchspeed > 0)) return "Touchspeed " + NumberText(q.touchspeed) + ": must be above 0";
  if (!(q.preHit > 0)) return "PreHit " + NumberText(q.preHit) + ": must be above 0";
  if (q.mode != 0 && q.mode != 100) return "Mode " + std::to_string(q.mode) + ": not a qualification mode (0 or 100)";
  if (q.executeMode != 0)
    return "ExecuteMode " + std::to_string(q.executeMode) + ": only 0 (at once) runs from automation";
  if (q.toolMoved != 0 && q.toolMoved != 1) return "ToolMoved " + std::to_string(q.toolMoved) + ": must be 0 or 1";
  return "";
}

// One hit: the move to the next approach point at MoveSpeed and the PreHit
// distance at Touchspeed; 100 ms with the default settings.
double HitMs(const SimQualSettings& q) { return 50.0 * 20.0 / q.moveSpeed + 50.0 * q.preHit / q.touchspeed; }

std::string ResultsFile(SimSession& s, const std::string& probeDir, const std::string& name) {
  const std::string dir = s.settings.resultsDir == SimSettings::ResultsDir::Install ? s.install : probeDir;
  return ResolveCase(dir + name + ".Results");
}

}  // namespace

bool SimWriteWhole(const std::string& path, const std::vector<std::string>& lines) {
  const std::string target = ResolveCase(path);
  const std::string temporary = target + ".tmp";
  if (!WriteLines(temporary, lines)) return false;
  std::error_code ec;
  fs::rename(OsPath(temporary), OsPath(target), ec);
  if (!ec) return true;
  fs::remove(OsPath(temporary), ec);
  return false;
}

bool SimProbe::Qualify2(const std::shared_ptr<HostQualificationSettings>& settings) {
  auto s = SimLive(session_);
  s->Journal("QUALIFY " + name_);
  auto fail = [&](const std::string& why) {
    s->Journal("QUALIFY " + name_ + " FAILED: " + why);
    return false;
  };
  auto q = std::dynamic_pointer_cast<SimQualSettings>(settings);
  auto tool = q ? std::dynamic_pointer_cast<SimTool>(q->tool) : nullptr;
  if (!q || !q->tool) return fail("no tool was set");
  if (tips_.empty()) return fail("the probe has no tips");
  if (const std::string fault = SettingsFault(*q); !fault.empty()) return fail(fault);

  // Every hit on the sphere takes a moment; the station's events go on meanwhile.
  const double hits = std::floor(q->numHits) * static_cast<double>(tips_.size());
  if (q->toolMoved == 1) s->Journal("QUALIFY " + name_ + ": locating " + q->tool->ID() + " (ToolMoved 1)");
  const double located = q->toolMoved == 1 ? kLocateHits : 0;
  s->clock().Wait(static_cast<int>(std::min(kMaxQualifyMs, (located + hits) * HitMs(*q))));
  s->RequireAlive();
  for (const auto& failing : s->settings.qualifyFails)
    if (IEquals(failing, name_)) return fail("the probe did not qualify (QualifyFails)");

  const std::uint64_t probeKey = SimHashText(UCase(name_));
  std::vector<std::string> lines = {
      "Quorvex probe qualification results",
      "Probe " + name_,
      "Date " + SimDateTime(s->Now()),
      "Tool " + q->tool->ID() + (tool ? " " + FormatFixed(tool->Diameter(), 5) : ""),
      "Settings NumHits " + NumberText(q->numHits) + " MoveSpeed " + NumberText(q->moveSpeed) + " Touchspeed " +
          NumberText(q->touchspeed) + " PreHit " + NumberText(q->preHit) + " Mode " + std::to_string(q->mode) +
          " ExecuteMode " + std::to_string(q->executeMode) + " ToolMoved " + std::to_string(q->toolMoved),
      "Tips " + std::to_string(tips_.size()),
  };
  const auto seed = s->settings.seed;
  for (size_t a = 0; a < tips_.size(); ++a) {
    const double nominal = tips_[a]->Diameter();
    const double measured = nominal + 0.0001 * SimUnitNoise(seed, probeKey, a + 1, 1);
    const double stddev = 0.00005 + 0.00005 * std::fabs(SimUnitNoise(seed, probeKey, a + 1, 2));
    // The spread of the hits about the fitted sphere: a few standard deviations.
    const double form = stddev * (4 + 2 * std::fabs(SimUnitNoise(seed, probeKey, a + 1, 3)));
    lines.push_back("TIP " + tips_[a]->Name() + " Nominal " + FormatFixed(nominal, 5) + " Measured " +
                    FormatFixed(measured, 5) + " StdDev " + FormatFixed(stddev, 5) + " Form " +
                    FormatFixed(form, 5));
  }
  lines.push_back("Result OK");

  const std::string done = "QUALIFIED " + name_ + " with " + q->tool->ID() + " -> ";
  if (s->settings.resultsDir == SimSettings::ResultsDir::None) {
    s->Journal(done + "no results file (ResultsDir NONE)");
    return true;
  }
  const std::string file = ResultsFile(*s, dir_, name_);
  if (s->settings.resultsDelay > 0) {
    s->Journal(done + file + " in " + std::to_string(s->settings.resultsDelay) + " ms (ResultsDelay)");
    s->WriteFileLater(s->settings.resultsDelay, file, std::move(lines));
    return true;
  }
  if (!SimWriteWhole(file, lines)) return fail(file + " cannot be written");
  s->Journal(done + file);
  return true;
}

// --- Files written later ------------------------------------------------------

void SimSession::WriteFileLater(int ms, std::string path, std::vector<std::string> lines) {
  laterFiles_.push_back({Now() + std::chrono::milliseconds(std::max(0, ms)), std::move(path), std::move(lines)});
  ArmFileTimer();
}

void SimSession::WriteDueFiles() {
  if (laterFiles_.empty()) return;
  const auto now = Now();
  auto due = std::move(laterFiles_);
  laterFiles_.clear();
  for (auto& f : due) {
    if (f.due > now) {
      laterFiles_.push_back(std::move(f));
      continue;
    }
    Journal((SimWriteWhole(f.path, f.lines) ? "WRITTEN " : "WRITE FAILED ") + f.path);
  }
  ArmFileTimer();
}

// The timer ticks when the first file is due; it only runs while the station
// lets events run (a wait, not a blocking sleep).
void SimSession::ArmFileTimer() {
  if (laterFiles_.empty()) {
    if (fileTimer_) fileTimer_->SetEnabled(false);
    return;
  }
  auto first = laterFiles_.front().due;
  for (const auto& f : laterFiles_) first = std::min(first, f.due);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(first - Now()).count();
  if (!fileTimer_) {
    std::weak_ptr<SimSession> weak = weak_from_this();
    fileTimer_ = clock().CreateTimer([weak] {
      if (auto s = weak.lock(); s && s->state != State::Ended) s->WriteDueFiles();
    });
  }
  fileTimer_->SetInterval(static_cast<int>(std::clamp<long long>(ms, 1, 24LL * 3600 * 1000)));
  fileTimer_->SetEnabled(true);
}

}  // namespace zarvane
