// The test doubles and the virtual clock.
#include "platform/doubles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPrinter>
#include <QPageLayout>
#include <algorithm>
#include <cctype>

#include "foundation/operator.h"
#include "foundation/text.h"

namespace zarvane {

// ---------------------------------------------------------------------------
std::optional<std::string> FakeRegistry::Get(const std::string& section, const std::string& key) {
  const auto it = entries_.find({UCase(section), UCase(key)});
  if (it == entries_.end()) return std::nullopt;
  return it->second.value;
}

void FakeRegistry::Set(const std::string& section, const std::string& key, const std::string& value) {
  ++setCount;
  const std::pair<std::string, std::string> id{UCase(section), UCase(key)};
  auto it = entries_.find(id);
  if (it != entries_.end()) {
    it->second.value = value;  // the first spelling stays
    return;
  }
  // A new key in an existing section takes the section's spelling.
  std::string sectionName = section;
  for (const auto& [k, e] : entries_)
    if (k.first == id.first) {
      sectionName = e.section;
      break;
    }
  entries_.emplace(id, Entry{sectionName, key, value});
}

std::vector<FakeRegistry::Entry> FakeRegistry::Entries() const {
  std::vector<Entry> list;
  for (const auto& [k, e] : entries_) list.push_back(e);
  return list;
}

// ---------------------------------------------------------------------------
ShellResult FakeShell::Open(const std::string& operation, const std::string& file,
                            const std::string& parameters, const std::string& directory, int showCommand) {
  calls.push_back({operation, file, parameters, directory, showCommand});
  return result;
}

// ---------------------------------------------------------------------------
DriveType FakeDrives::TypeOf(const std::string& path) {
  const std::string* best = nullptr;
  DriveType type = defaultType;
  for (const auto& [prefix, t] : types) {
    if (IsPathUnder(path, prefix) && (!best || prefix.size() > best->size())) {
      best = &prefix;
      type = t;
    }
  }
  return type;
}

std::optional<std::pair<int, int>> FakeSystem::ImageSize(const std::string& path) {
  const auto it = imageSizes.find(path);
  if (it == imageSizes.end()) return std::nullopt;
  return it->second;
}

bool RecordingSystemInfo::LogOffUser() {
  if (recorder_) recorder_->Note("LOGOFF", "user log-off requested");
  return true;
}

bool FakeLock::Acquire(const std::string& home) {
  acquired.push_back(home);
  return std::find(heldElsewhere.begin(), heldElsewhere.end(), home) == heldElsewhere.end();
}

bool FakePrinter::Print(const PrintJob& job) {
  jobs.push_back(job);
  return result;
}

// ---------------------------------------------------------------------------
// Virtual clock. The clock's state is shared with its timers, so a handle that
// outlives the clock stays harmless; the clock sees its timers through weak
// references, so a destroyed handle simply drops out.

struct VirtualTimer;

struct VirtualClock::State {
  std::chrono::system_clock::time_point start;
  std::int64_t now = 0;  // virtual ms since start
  std::uint64_t nextOrder = 0;
  std::vector<std::weak_ptr<VirtualTimer>> timers;
  std::function<void()> settle;

  // The enabled timer due first at or before `limit` (creation order among
  // equals), dropping timers whose handles are gone.
  std::shared_ptr<VirtualTimer> NextDue(std::int64_t limit);
  void Run(std::int64_t ms);
};

struct VirtualTimer {
  std::shared_ptr<VirtualClock::State> clock;
  std::function<void()> onTick;
  std::uint64_t order = 0;
  int interval = 0;
  bool enabled = true;
  bool alive = true;  // false once the handle is gone, even while a callback still runs
  std::int64_t due = 0;

  bool Active() const { return alive && enabled && interval > 0; }
  void Restart() { due = clock->now + interval; }
};

namespace {

class VirtualTimerHandle : public TimerHandle {
 public:
  explicit VirtualTimerHandle(std::shared_ptr<VirtualTimer> timer) : timer_(std::move(timer)) {}
  ~VirtualTimerHandle() override { timer_->alive = false; }

  void SetInterval(int ms) override {
    timer_->interval = ms;
    timer_->Restart();
  }
  void SetEnabled(bool enabled) override {
    timer_->enabled = enabled;
    if (enabled) timer_->Restart();
  }

 private:
  std::shared_ptr<VirtualTimer> timer_;
};

}  // namespace

std::shared_ptr<VirtualTimer> VirtualClock::State::NextDue(std::int64_t limit) {
  std::shared_ptr<VirtualTimer> best;
  auto it = timers.begin();
  while (it != timers.end()) {
    std::shared_ptr<VirtualTimer> t = it->lock();
    if (!t || !t->alive) {
      it = timers.erase(it);
      continue;
    }
    if (t->Active() && t->due <= limit &&
        (!best || t->due < best->due || (t->due == best->due && t->order < best->order)))
      best = t;
    ++it;
  }
  return best;
}

void VirtualClock::State::Run(std::int64_t ms) {
  const std::int64_t target = now + std::max<std::int64_t>(ms, 0);
  if (settle) settle();
  // Each pass looks afresh: a callback may have changed, added or removed timers,
  // or moved time on by waiting itself.
  while (std::shared_ptr<VirtualTimer> t = NextDue(target)) {
    now = std::max(now, t->due);
    t->due = now + t->interval;
    if (settle) settle();
    if (t->onTick) t->onTick();
  }
  now = std::max(now, target);
}

VirtualClock::VirtualClock(std::optional<std::chrono::system_clock::time_point> start)
    : state_(std::make_shared<State>()) {
  state_->start = start.value_or(std::chrono::system_clock::now());
}

VirtualClock::~VirtualClock() = default;

std::chrono::system_clock::time_point VirtualClock::Now() {
  return state_->start + std::chrono::milliseconds(state_->now);
}

void VirtualClock::Sleep(int ms) {
  if (state_->settle) state_->settle();
  state_->now += std::max(ms, 0);
}

void VirtualClock::SetSettle(std::function<void()> settle) { state_->settle = std::move(settle); }

void VirtualClock::Wait(int ms) {
  state_->Run(ms);
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

void VirtualClock::ProcessEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
  state_->Run(10);
}

std::unique_ptr<TimerHandle> VirtualClock::CreateTimer(std::function<void()> onTick) {
  auto timer = std::make_shared<VirtualTimer>();
  timer->clock = state_;
  timer->onTick = std::move(onTick);
  timer->order = state_->nextOrder++;
  timer->Restart();
  state_->timers.push_back(timer);
  return std::make_unique<VirtualTimerHandle>(std::move(timer));
}

std::int64_t VirtualClock::ElapsedMs() const { return state_->now; }

int VirtualClock::TimerCount() const {
  int n = 0;
  for (const auto& w : state_->timers)
    if (auto t = w.lock(); t && t->alive) ++n;
  return n;
}

// ---------------------------------------------------------------------------
PdfPrinter::PdfPrinter(std::string directory, Operator* recorder)
    : directory_(std::move(directory)), recorder_(recorder) {}

std::string PdfPrinter::SanitizeTitle(const std::string& title) {
  std::string name;
  bool gap = false;
  for (char c : title) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u < 128 && std::isalnum(u)) || c == '-' || c == '_') {
      if (gap && !name.empty()) name += '_';
      gap = false;
      name += c;
    } else {
      gap = true;
    }
    if (name.size() >= 60) break;
  }
  return name.empty() ? "untitled" : name.substr(0, 60);
}

bool PdfPrinter::Print(const PrintJob& job) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  if (!QDir().mkpath(ToQt(directory_))) return false;
  const std::string path =
      directory_ + "/print-" + std::to_string(++count_) + "-" + SanitizeTitle(job.title) + ".pdf";
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(ToQt(path));
    printer.setCreator(QStringLiteral("Zarvane"));
    const double offset = kPhysicalOffsetTwips / 20.0;  // points
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(offset, offset, offset, offset), QPageLayout::Point));
    if (!RenderPrintJob(printer, job)) return false;
  }  // the file is complete once the printer is gone
  if (QFileInfo(ToQt(path)).size() <= 0) return false;
  ++written_;
  lastFile_ = path;
  if (recorder_) recorder_->Note("PRINT", job.title + " -> " + path);
  return true;
}

// ---------------------------------------------------------------------------
TestPlatform::TestPlatform() { Wire(); }

TestPlatform::TestPlatform(std::chrono::system_clock::time_point start) : clock(start) { Wire(); }

void TestPlatform::Wire() {
  platform.registry = &registry;
  platform.shell = &shell;
  platform.windows = &windows;
  platform.drives = &drives;
  platform.system = &system;
  platform.lock = &lock;
  platform.clock = &clock;
  platform.printer = &printer;
  platform.fileTypes = &fileTypes;
}

}  // namespace zarvane
