// The simulated host's ApplicationEvents source: connections, delivery to the
// connected sinks, sinks that fail, and the end of a run delivered late.
#include <algorithm>

#include "host/simcore.h"

namespace zarvane {

bool SimSession::IsConnected(HostEvents* sink) const {
  return std::find(sinks.begin(), sinks.end(), sink) != sinks.end();
}

void SimSession::Connect(HostEvents* sink) {
  if (!sink) return;
  // A COM event source takes every Advise as a connection of its own; by
  // default the simulation keeps one connection per sink.
  if (settings.countConnections || !IsConnected(sink)) sinks.push_back(sink);
}

void SimSession::Disconnect(HostEvents* sink) {
  if (!settings.countConnections) {
    sinks.erase(std::remove(sinks.begin(), sinks.end(), sink), sinks.end());
    return;
  }
  // One Unadvise ends one connection, the latest.
  const auto last = std::find(sinks.rbegin(), sinks.rend(), sink);
  if (last != sinks.rend()) sinks.erase(std::next(last).base());
}

void SimSession::Fire(const std::string& event, const std::function<void(HostEvents&)>& deliver, bool late) {
  const std::vector<HostEvents*> copy = sinks;
  std::optional<std::string> firstFailure;
  for (HostEvents* sink : copy) {
    if (!IsConnected(sink)) continue;
    std::optional<std::string> failure;
    try {
      deliver(*sink);
    } catch (const std::exception& e) {
      failure = e.what();
    } catch (...) {
      failure = "an exception that is not a standard exception";
    }
    if (!failure) continue;
    // The host goes on with the other sinks, but the failure is on record.
    Journal("EVENT " + event + " handler failed: " + *failure);
    handlerErrors->push_back(event + ": " + *failure);
    if (!firstFailure) firstFailure = failure;
  }
  if (firstFailure && settings.rethrowHandlerErrors && !late)
    throw AutomationError(event + " handler failed: " + *firstFailure);
}

void SimSession::EndRun(const std::shared_ptr<SimPart>& program, int type) {
  if (!settings.lateEndEvent) {
    Fire("OnEndExecution", [&](HostEvents& e) { e.OnEndExecution(program.get(), type); });
    return;
  }
  // Posted: the sinks hear of the end once the station's event loop turns again.
  lateEnds_.emplace_back(program, type);
  if (!lateTimer_) {
    std::weak_ptr<SimSession> weak = weak_from_this();
    lateTimer_ = clock().CreateTimer([weak] {
      if (auto s = weak.lock()) s->DeliverLateEnds();
    });
  }
  lateTimer_->SetInterval(1);
  lateTimer_->SetEnabled(true);
}

void SimSession::DeliverLateEnds() {
  if (lateTimer_) lateTimer_->SetEnabled(false);
  auto pending = std::move(lateEnds_);
  lateEnds_.clear();
  if (state == State::Ended) return;  // a host that has gone tells no one
  for (const auto& [program, type] : pending) {
    Journal("EVENT OnEndExecution " + std::to_string(type) + " delivered after EXECUTE returned");
    Fire("OnEndExecution", [&](HostEvents& e) { e.OnEndExecution(program.get(), type); }, true);
  }
}

}  // namespace zarvane
