#include "qtui/formhost.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QMenu>
#include <QMessageBox>
#include <algorithm>
#include <exception>

#include "qtui/formview.h"
#include "qtui/qttext.h"

namespace zarvane {

QtFormHost::QtFormHost(Forms& forms) : forms_(forms) {
  forms_.SetHost(this);
  // Timers and other code outside the operator's actions change models too.
  syncTimer_.setInterval(50);
  QObject::connect(&syncTimer_, &QTimer::timeout, [this] { SyncAll(); });
  syncTimer_.start();
}

QtFormHost::~QtFormHost() {
  syncTimer_.stop();
  for (auto& [form, view] : views_) {
    view->Detach();
    delete view;
  }
  views_.clear();
  if (busy_) QApplication::restoreOverrideCursor();
  if (forms_.Host() == this) forms_.SetHost(nullptr);
}

bool QtFormHost::Exists(const Form* form) const {
  const auto& known = forms_.Known();
  return std::find(known.begin(), known.end(), form) != known.end();
}

FormView* QtFormHost::Find(const Form& form) const {
  auto it = views_.find(&form);
  return it == views_.end() ? nullptr : it->second;
}

QWidget* QtFormHost::ViewOf(Form& form) const { return Find(form); }

void QtFormHost::FormShown(Form& form) {
  FormView* view = Find(form);
  if (!view) {
    view = new FormView(*this, form);
    views_[&form] = view;
  }
  view->Sync();
  const Qt::WindowModality modality = form.Modal() ? Qt::ApplicationModal : Qt::NonModal;
  if (view->windowModality() != modality) {
    if (view->isVisible()) view->hide();  // Qt takes a new modality on the next show
    view->setWindowModality(modality);
  }
  view->SetShown(true);
  view->show();
  view->raise();
  view->activateWindow();
}

void QtFormHost::FormHidden(Form& form) {
  if (FormView* view = Find(form)) {
    view->SetShown(false);
    view->hide();
  }
  QuitModal(form);
}

void QtFormHost::FormUnloaded(Form& form) {
  if (FormView* view = Find(form)) {
    views_.erase(&form);
    view->Detach();
    view->hide();
    // An unload often runs inside one of the view's own signal handlers.
    view->deleteLater();
  }
  QuitModal(form);
}

void QtFormHost::RunModal(Form& form) {
  auto stillModal = [this, &form] { return Exists(&form) && form.Loaded() && form.Visible(); };
  if (!stillModal()) return;
  QEventLoop loop;
  modal_.push_back({&form, &loop});
  // Hide and Unload end the loop at once; the poll covers a form that goes away otherwise.
  QTimer poll;
  poll.setInterval(50);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (!stillModal()) loop.quit();
  });
  poll.start();
  if (stillModal()) loop.exec();
  modal_.erase(std::find_if(modal_.begin(), modal_.end(),
                            [&loop](const ModalRun& run) { return run.loop == &loop; }));
  if (Exists(&form)) {
    FormView* view = Find(form);
    if (view && !view->isVisible()) view->setWindowModality(Qt::NonModal);
  }
}

void QtFormHost::QuitModal(const Form& form) {
  for (const ModalRun& run : modal_)
    if (run.form == &form) run.loop->quit();
}

void QtFormHost::Refresh(Form& form) {
  SyncAll();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtFormHost::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtFormHost::ShowPopup(Form& form, const std::string& menuFullName) {
  FormView* view = Find(form);
  if (!view) return;
  view->Sync();
  if (QMenu* menu = view->MenuOf(menuFullName)) menu->exec(QCursor::pos());
}

void QtFormHost::SyncAll() {
  const std::vector<std::pair<const Form*, FormView*>> views(views_.begin(), views_.end());
  for (const auto& [form, view] : views) {
    if (!Exists(form)) {
      // The model was destroyed without unloading.
      views_.erase(form);
      view->Detach();
      view->hide();
      view->deleteLater();
      continue;
    }
    view->Sync();
  }
}

void QtFormHost::Dispatch(const std::function<void()>& action) {
  if (syncing_ > 0) return;
  // Qt's event loop must not see exceptions; the operator sees the message.
  try {
    action();
  } catch (const std::exception& e) {
    ReportError(e.what());
  }
  SyncAll();
}

void QtFormHost::RequestClose(Form& form) {
  Dispatch([this, &form] {
    auto ask = onCloseRequest;
    if (!ask || ask(form)) form.Unload();
  });
}

void QtFormHost::ReportError(const std::string& message) {
  if (auto report = onError) {
    report(message);
    return;
  }
  QMessageBox::critical(QApplication::activeWindow(), QGuiApplication::applicationDisplayName(),
                        ToQtLines(message));
}

}  // namespace zarvane
