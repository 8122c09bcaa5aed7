// Running a part program on the simulated host (EXECUTE): the commands in
// order with the host's events, and the operator at the host, who may pause at
// breakpoints, resume and cancel.
#include <algorithm>
#include <filesystem>
#include <utility>

#include "foundation/paths.h"
#include "foundation/text.h"
#include "host/simcore.h"

namespace fs = std::filesystem;

namespace zarvane {

namespace {

using Request = SimSession::Request;
using Ms = std::chrono::milliseconds;

// The longest the host waits (a WAIT, a pause) before it looks for the operator again.
constexpr long long kSliceMs = 100;

// Marks the session busy for the length of a run, however the run ends.
struct RunGuard {
  SimSession& s;
  RunGuard(SimSession& session, SimPart* program) : s(session) {
    s.executing = program;
    s.request = Request::None;
  }
  ~RunGuard() {
    s.executing = nullptr;
    s.paused = false;
    s.request = Request::None;
  }
};

// What the operator at the host asks for now: a request made through
// SimulatedHost, the first word of <install>/operator.txt (the file is taken
// away once read), or the simulated operator's cancel once CancelAfter has
// passed since the run began.
Request OperatorRequest(SimSession& s, const SimRunRecord& run) {
  if (const Request asked = std::exchange(s.request, Request::None); asked != Request::None) {
    s.Journal(asked == Request::Resume ? "OPERATOR RESUME" : "OPERATOR CANCEL");
    return asked;
  }
  const std::string file = s.install + "operator.txt";
  if (IsRegularFile(file)) {
    const auto lines = ReadLines(file);
    std::error_code ec;
    fs::remove(OsPath(file), ec);
    std::string word;
    for (const auto& line : lines.value_or(std::vector<std::string>{})) {
      const auto words = SimWords(line);
      if (!words.empty()) {
        word = UCase(words[0]);
        break;
      }
    }
    if (word == "RESUME" || word == "CANCEL") {
      s.Journal("OPERATOR " + word + " (operator.txt)");
      return word == "RESUME" ? Request::Resume : Request::Cancel;
    }
    s.Journal("OPERATOR operator.txt ignored: " + word);
  }
  if (s.settings.cancelRun > 0 && run.number == s.settings.cancelRun) {
    s.Journal("OPERATOR CANCEL in run " + std::to_string(run.number) + " (CancelRun)");
    return Request::Cancel;
  }
  if (s.settings.cancelAfter > 0 && s.Now() - run.started >= Ms(s.settings.cancelAfter)) {
    s.Journal("OPERATOR CANCEL after " + std::to_string(s.settings.cancelAfter) + " ms (CancelAfter)");
    return Request::Cancel;
  }
  return Request::None;
}

// While the program runs (not paused) only a cancel means anything.
bool CancelAsked(SimSession& s, const SimRunRecord& run) {
  const Request asked = OperatorRequest(s, run);
  if (asked == Request::Resume) s.Journal("OPERATOR RESUME ignored: the run is not paused");
  return asked == Request::Cancel;
}

// The next slice of a wait of `left` ms: short enough to see the operator, and
// ending when the simulated operator's cancel is due.
int SliceMs(SimSession& s, const SimRunRecord& run, long long left) {
  long long slice = std::min(left, kSliceMs);
  if (s.settings.cancelAfter > 0) {
    const auto due = std::chrono::duration_cast<Ms>(run.started + Ms(s.settings.cancelAfter) - s.Now()).count();
    if (due > 0) slice = std::min<long long>(slice, due);
  }
  return static_cast<int>(std::max(1LL, slice));
}

}  // namespace

void SimPart::EXECUTE() {
  auto s = SimLive(session_);
  if (closed) throw AutomationError("The part program " + FileNameFromPath(fullName_) + " has been closed");
  if (s->executing) throw AutomationError("A part program is already executing");
  RunGuard guard(*s, this);
  s->Journal("EXECUTE " + FileNameFromPath(fullName_));
  SimRunRecord run;
  run.started = s->Now();
  run.number = ++s->runsStarted;
  const int processRun = ++*s->runsInProcess;
  s->Fire("OnStartExecution", [&](HostEvents& e) { e.OnStartExecution(this); });

  int type = 1;
  // The run goes through the commands as they were when it started; commands
  // inserted meanwhile are run the next time.
  const auto snapshot = commands;
  for (const auto& command : snapshot) {
    s->RequireAlive();
    if (s->settings.crashRun > 0 && processRun == s->settings.crashRun && run.commands >= s->settings.crashAfter) {
      // The host process dies in the middle of the run: no end event, its
      // window and marker are gone, and every call fails from now on.
      s->Journal("CRASHED in run " + std::to_string(processRun) + " after " + std::to_string(run.commands) +
                 " commands (CrashRun)");
      s->Finish();
      throw AutomationError(kSimHostGone);
    }
    if (s->state == SimSession::State::Quitting) {
      // The host was told to quit while running: the run stops unfinished.
      s->Journal("RUN INTERRUPTED by shutdown");
      type = 3;
      break;
    }
    if (CancelAsked(*s, run)) {
      type = 2;
      break;
    }
    if (command->Line().breakpoint) {
      s->Journal("BREAKPOINT line " + std::to_string(command->Line().line));
      if (!s->settings.pauseAtBreakpoints) {
        // With no one at the host to resume, the paused run is aborted.
        type = 2;
        break;
      }
      if (const auto end = Pause(*s, command->Line(), run)) {
        type = *end;
        break;
      }
    }
    s->Fire("OnObjectAboutToExecute", [&](HostEvents& e) { e.OnObjectAboutToExecute(this, command.get()); });
    if (s->settings.commandTime > 0) s->clock().Wait(s->settings.commandTime);
    s->RequireAlive();
    const std::optional<int> end = Perform(*s, *command, run);
    if (run.halted) {  // cancelled while the command ran: it never finished
      type = 2;
      break;
    }
    ++run.commands;
    s->Fire("OnObjectExecuted", [&](HostEvents& e) { e.OnObjectExecuted(this, command.get()); });
    if (end) {
      type = *end;
      break;
    }
  }
  s->RequireAlive();
  s->Journal("END " + std::to_string(type));
  s->EndRun(shared_from_this(), type);
}

void SimPart::Wait(SimSession& s, int ms, SimRunRecord& run) {
  const auto until = s.Now() + Ms(ms);
  while (s.Now() < until) {
    if (CancelAsked(s, run)) {
      run.halted = true;
      return;
    }
    s.clock().Wait(SliceMs(s, run, std::chrono::duration_cast<Ms>(until - s.Now()).count()));
  }
}

std::optional<int> SimPart::Pause(SimSession& s, const SimLine& line, SimRunRecord& run) {
  const std::string where = "line " + std::to_string(line.line);
  s.Journal("PAUSED at breakpoint " + where);
  s.paused = true;
  const auto since = s.Now();
  const Ms limit(s.settings.pauseLimit);
  std::optional<int> outcome;
  for (;;) {
    const Request asked = OperatorRequest(s, run);
    if (asked == Request::Resume) {
      s.Journal("RESUMED at " + where);
      break;
    }
    if (asked == Request::Cancel) {
      outcome = 2;
      break;
    }
    s.RequireAlive();
    if (s.state == SimSession::State::Quitting) {
      s.Journal("RUN INTERRUPTED by shutdown");
      outcome = 3;
      break;
    }
    const Ms waited = std::chrono::duration_cast<Ms>(s.Now() - since);
    if (waited >= limit) {
      // Nobody came: the simulated operator gives up on the run.
      s.Journal("PAUSE at " + where + " not ended within " + std::to_string(s.settings.pauseLimit) +
                " ms (PauseLimit): the operator cancels");
      outcome = 2;
      break;
    }
    s.clock().Wait(SliceMs(s, run, (limit - waited).count()));
  }
  s.paused = false;
  return outcome;
}

std::optional<int> SimPart::Perform(SimSession& s, SimCommand& command, SimRunRecord& run) {
  const SimLine& line = command.Line();
  switch (line.op) {
    case SimOp::Units:
    case SimOp::Comment:
    case SimOp::Variable:
    case SimOp::Inserted:
      return std::nullopt;
    case SimOp::MeasureBlade:
      s.Journal("MEASURE_BLADE");
      try {
        SimMeasureBlade(s, *this, run);
      } catch (const AutomationError& e) {
        s.Journal("MEASURE_BLADE FAILED: " + std::string(e.what()));
        throw;
      }
      return std::nullopt;
    case SimOp::Report:
      s.Journal("REPORT");
      SimWriteReports(s, *this, run);
      return std::nullopt;
    case SimOp::Wait:
      s.Journal("WAIT " + NumberText(line.number));
      if (line.number > 0) Wait(s, static_cast<int>(std::min(line.number, 2.0e9)), run);
      return std::nullopt;
    case SimOp::End:
      return static_cast<int>(line.number);
    case SimOp::Cancel:
      s.Journal("CANCEL");
      return 2;
    case SimOp::Error:
      s.Journal("ERROR " + line.argument);
      throw AutomationError(line.argument);
    case SimOp::LoadProbe: {
      const bool known = IsRegularFile(ResolveCase(s.settings.probeDir + line.argument + ".prb"));
      s.Journal("LOADPROBE " + line.argument + (known ? "" : " (no such probe file)"));
      run.probe = known ? line.argument : "";
      return std::nullopt;
    }
    case SimOp::Status:
      s.Fire("OnUpdateStatusMessage", [&](HostEvents& e) { e.OnUpdateStatusMessage(line.argument); });
      return std::nullopt;
    case SimOp::Align:
      s.Journal("ALIGN" + (line.argument.empty() ? "" : " " + line.argument));
      return std::nullopt;
    case SimOp::Insert: {
      SimLine added;
      added.op = SimOp::Inserted;
      added.text = line.argument;
      auto inserted = std::make_shared<SimCommand>(session_, added);
      auto at = std::find(commands.begin(), commands.end(), insertionPoint);
      if (insertionPoint && at != commands.end()) {
        commands.insert(at + 1, inserted);
      } else {
        commands.push_back(inserted);
      }
      insertionPoint = inserted;
      s.Journal("INSERT " + line.argument);
      s.Fire("OnAddObject", [&](HostEvents& e) { e.OnAddObject(this, inserted.get()); });
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace zarvane
