#include "cycle/queuewindow.h"

#include "foundation/paths.h"

namespace zarvane {

namespace {
constexpr int kMargin = 180, kListWidth = 8400, kListHeight = 3600;
constexpr int kButtonWidth = 1500, kButtonHeight = 600;
}  // namespace

FrmQueue::FrmQueue(Forms& forms, Core& core) : Form(forms, "frmQueue"), core_(core) {
  SetCaption("Waiting for Analysis");
  Control& label = Add(ControlType::Label, "lblQueue");
  label.Move(kMargin, kMargin, kListWidth, 330);
  Add(ControlType::ListBox, "lstQueue").Move(kMargin, kMargin + 420, kListWidth, kListHeight);
  const int top = kMargin + 420 + kListHeight + 240;
  Control& drop = Add(ControlType::CommandButton, "cmdDrop");
  drop.SetCaption("Drop");
  drop.SetToolTip("Stop waiting for the analysis of the chosen report; its files stay where they are");
  drop.Move(kMargin + kListWidth - 2 * kButtonWidth - 120, top, kButtonWidth, kButtonHeight);
  Control& close = Add(ControlType::CommandButton, "cmdClose");
  close.SetCaption("Close");
  close.SetDefault(true);
  close.Move(kMargin + kListWidth - kButtonWidth, top, kButtonWidth, kButtonHeight);
  Resize(kListWidth + 2 * kMargin, top + kButtonHeight + kMargin);
  close.onClick = [this] { Hide(); };
  previewKeys = {27};
  onKeyDown = [this](int key) {
    if (key == 27) Hide();
  };
}

void FrmQueue::Form_Paint() { core_.TranslateCaptions(*this, "frmQueue: Repaint: "); }

AnalysisQueueWindow::AnalysisQueueWindow(Core& core, Station& station)
    : form(core.forms, core), c(core), station_(station) {
  form("lstQueue").onClick = [this] { lstQueue_Click(); };
  form("cmdDrop").onClick = [this] { cmdDrop_Click(); };
}

void AnalysisQueueWindow::mnuQueue_Click() {
  c.WriteLog("mnuQueue_Click: " + std::to_string(station_.gToAnalyze.size()) + " reports waiting", 5);
  if (!form.Loaded()) form.Load();
  Refresh();
  form.Show(true);
}

void AnalysisQueueWindow::Refresh() {
  if (!form.Loaded()) return;
  Control& list = form("lstQueue");
  const std::uint64_t chosen =
      list.ListIndex() >= 0 && list.ListIndex() < static_cast<int>(ids_.size()) ? ids_[list.ListIndex()] : 0;
  list.Clear();
  ids_.clear();
  const auto now = c.platform.clock ? c.platform.clock->Now() : std::chrono::system_clock::now();
  // Newest first, as the monitor looks at them.
  for (auto it = station_.gToAnalyze.rbegin(); it != station_.gToAnalyze.rend(); ++it) {
    const auto minutes = std::chrono::duration_cast<std::chrono::minutes>(now - it->queued).count();
    list.AddItem(FileNameFromPath(it->report) + "   " + c.Translate("zone") + " " + std::to_string(it->zone) + ", " +
                 std::to_string(minutes < 0 ? 0 : minutes) + " min   " + DirectoryOf(it->report));
    ids_.push_back(it->id);
    if (it->id == chosen) list.SetListIndex(static_cast<int>(ids_.size()) - 1);
  }
  form("lblQueue").SetCaption(ids_.empty() ? c.Translate("No report is waiting for its analysis.")
                                           : c.Translate("Reports waiting for their analysis, newest first:"));
  lstQueue_Click();
}

void AnalysisQueueWindow::lstQueue_Click() { form("cmdDrop").SetEnabled(form("lstQueue").ListIndex() >= 0); }

void AnalysisQueueWindow::cmdDrop_Click() {
  const int row = form("lstQueue").ListIndex();
  if (row < 0 || row >= static_cast<int>(ids_.size())) return;
  const std::uint64_t id = ids_[row];
  std::string report;
  for (const QueuedReport& entry : station_.gToAnalyze)
    if (entry.id == id) report = entry.report;
  if (report.empty()) return Refresh();  // collected meanwhile
  if (!c.op.YesNo(c.Translate("Stop waiting for the analysis of") + " " + FileNameFromPath(report) + "? " +
                      c.Translate("The report stays where it is; its results will not be collected."),
                  c.Translate("Drop")))
    return;
  if (station_.DropFromAnalysis(id))
    c.WriteLog("mnuQueue: the operator stopped waiting for the analysis of " + report, 0);
  Refresh();
}

}  // namespace zarvane
