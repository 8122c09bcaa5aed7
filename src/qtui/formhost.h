#pragma once
// Draws the station's window models as Qt windows: one FormView per shown form,
// kept current after every forwarded operator action, on Refresh and by a
// periodic check of each form's revision (for changes made by timers).

#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foundation/forms.h"

class QEventLoop;
class QWidget;

namespace zarvane {

class FormView;

class QtFormHost : public FormHost {
 public:
  // Becomes the host of `forms` (and stops being it again on destruction).
  // A QApplication must exist.
  explicit QtFormHost(Forms& forms);
  ~QtFormHost() override;
  QtFormHost(const QtFormHost&) = delete;
  QtFormHost& operator=(const QtFormHost&) = delete;

  void FormShown(Form& form) override;
  void FormHidden(Form& form) override;
  void FormUnloaded(Form& form) override;
  void RunModal(Form& form) override;
  void Refresh(Form& form) override;
  void SetBusyCursor(bool busy) override;

  // The window drawing a form; nullptr when the form has none (never shown or unloaded).
  QWidget* ViewOf(Form& form) const;
  // Pops up the children of a menu control at the mouse position and returns
  // when the menu closes (a chosen item's onClick has run by then).
  void ShowPopup(Form& form, const std::string& menuFullName);
  void PopupMenu(Form& form, const std::string& menuFullName) override { ShowPopup(form, menuFullName); }
  // Draws the new status text and lets Qt repaint what waits to be repainted
  // (a dialog that just closed) before the work the text announces begins.
  void StatusChanged(Form& form) override;
  void FocusControl(Form& form, Control& control, bool selectAll) override;

  // Brings every window up to date with its model.
  void SyncAll();

  // Asked when the operator closes a window (its close button); true lets the
  // form unload. Without it every window may close.
  std::function<bool(Form&)> onCloseRequest;
  // Where a resizable window was last (screen pixels: left, top, width and
  // height of its client area and menus, "x y w h"), kept between runs. Without
  // them a window opens centred.
  std::function<std::string(const std::string& form)> loadPlacement;
  std::function<void(const std::string& form, const std::string& placement)> savePlacement;
  // Shows the message of an exception a handler threw; a critical message box
  // when unset.
  std::function<void(const std::string& message)> onError;

  // Used by the views: runs an operator action (a handler call) unless the
  // views are being drawn, reports a std::exception it throws, then syncs.
  void Dispatch(const std::function<void()>& action);
  void RequestClose(Form& form);
  bool Syncing() const { return syncing_ > 0; }

 private:
  friend class FormView;
  struct ModalRun {
    Form* form;
    QEventLoop* loop;
  };

  bool Exists(const Form* form) const;
  FormView* Find(const Form& form) const;
  void QuitModal(const Form& form);
  // Puts a window on the screen the first time it shows: where it was last
  // (resizable windows), else centred on the station's largest open window, or
  // on the screen when none is open.
  void Place(FormView& view);
  void SavePlacement(FormView& view);
  void ReportError(const std::string& message);

  Forms& forms_;
  std::map<const Form*, FormView*> views_;
  std::vector<ModalRun> modal_;
  QTimer syncTimer_;
  int syncing_ = 0;
  bool busy_ = false;
};

}  // namespace zarvane
