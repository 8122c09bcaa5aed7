#include "qtui/formhost.h"

#include <QComboBox>

#include <QLineEdit>

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>
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
  if (!view->Placed()) Place(*view);
  view->SetShown(true);
  view->show();
  view->raise();
  view->activateWindow();
}

void QtFormHost::FormHidden(Form& form) {
  if (FormView* view = Find(form)) {
    SavePlacement(*view);
    view->SetShown(false);
    view->hide();
  }
  QuitModal(form);
}

void QtFormHost::FormUnloaded(Form& form) {
  if (FormView* view = Find(form)) {
    SavePlacement(*view);
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

namespace {

bool Remembered(const Form& form) { return form.ScalesControls() && form.HasBorder(); }

}  // namespace

void QtFormHost::Place(FormView& view) {
  view.SetPlaced();
  Form& form = view.Model();
  if (Remembered(form) && loadPlacement) {
    int x, y, w, h;
    if (std::sscanf(loadPlacement(form.Name()).c_str(), "%d %d %d %d", &x, &y, &w, &h) == 4) {
      const QRect rect(x, y, w, h);
      const QSize minimum = view.minimumSizeHint().expandedTo(view.minimumSize());
      for (const QScreen* screen : QGuiApplication::screens()) {
        // Only a place that is still on a screen, at a size where nothing clips.
        if (screen->availableGeometry().intersects(rect) && w >= minimum.width() && h >= minimum.height()) {
          view.setGeometry(rect);
          return;
        }
      }
    }
  }
  QRect anchor;
  for (const auto& [other, otherView] : views_) {
    if (otherView == &view || !otherView->isVisible()) continue;
    const QRect r = otherView->frameGeometry();
    if (r.width() * r.height() > anchor.width() * anchor.height()) anchor = r;
  }
  const QScreen* screen = anchor.isValid() ? QGuiApplication::screenAt(anchor.center()) : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect avail = screen ? screen->availableGeometry() : QRect();
  if (!anchor.isValid()) anchor = avail;
  if (!anchor.isValid()) return;
  QRect rect(QPoint(0, 0), view.size());
  rect.moveCenter(anchor.center());
  if (avail.isValid()) {
    // Keep the title bar on the screen.
    rect.moveLeft(std::clamp(rect.left(), avail.left(), std::max(avail.left(), avail.right() - rect.width())));
    rect.moveTop(std::clamp(rect.top(), avail.top(), std::max(avail.top(), avail.bottom() - rect.height())));
  }
  view.move(rect.topLeft());
}

void QtFormHost::SavePlacement(FormView& view) {
  if (!savePlacement || !view.isVisible() || !Remembered(view.Model())) return;
  const QRect r = view.normalGeometry().isValid() ? view.normalGeometry() : view.geometry();
  savePlacement(view.Model().Name(), std::to_string(r.x()) + ' ' + std::to_string(r.y()) + ' ' +
                                         std::to_string(r.width()) + ' ' + std::to_string(r.height()));
}

void QtFormHost::StatusChanged(Form& form) {
  FormView* view = Find(form);
  if (!view || syncing_ > 0) return;
  view->ShowStatusNow();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtFormHost::FocusControl(Form& form, Control& control, bool selectAll) {
  FormView* view = Find(form);
  if (!view) return;
  view->Sync();
  QWidget* widget = view->WidgetOf(control.FullName());
  if (!widget) return;
  widget->setFocus(Qt::OtherFocusReason);
  if (!selectAll) return;
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
  else if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit()) combo->lineEdit()->selectAll();
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
