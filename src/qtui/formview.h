#pragma once
// The Qt window of one Form. It creates one widget per control (objectName =
// the control's full name, e.g. "comboBlade(1)"), draws the model's state into
// them and forwards the operator's actions to the control handlers through the
// host, which then brings every window up to date.

#include <QFont>
#include <QMainWindow>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "foundation/forms.h"
#include "qtui/formlayout.h"

class QAction;
class QLabel;
class QKeyEvent;
class QMenu;
class QScrollArea;

namespace zarvane {

class QtFormHost;

class FormView : public QMainWindow {
 public:
  FormView(QtFormHost& host, Form& form);
  ~FormView() override;

  Form& Model() const { return *form_; }
  // Draws the model into the widgets when it changed since the last sync (or
  // always with `force`), after the form has repainted a changed model
  // (Form::RepaintIfChanged: captions are translated on every repaint). Calls no
  // operator handler.
  void Sync(bool force = false);
  // The widget drawing a control; nullptr for timers, menus and unknown names.
  QWidget* WidgetOf(const std::string& fullName) const;
  // The action of a menu control (for a menu with children, its menu's action).
  QAction* ActionOf(const std::string& fullName) const;
  // The pop-up menu of a menu control with children; nullptr otherwise.
  QMenu* MenuOf(const std::string& fullName) const;

  // Shows the model's status text now, before the work it announces.
  void ShowStatusNow();
  // The scale at which every caption fits (the minimum size is the design at it).
  double FitScale() const { return fitScale_; }
  // Whether the host has placed the window on the screen yet.
  bool Placed() const { return placed_; }
  void SetPlaced() { placed_ = true; }

  // Called by the host around showing and hiding the window.
  void SetShown(bool shown) { shown_ = shown; }
  // Cuts the view off its model before it is deleted, so late Qt events do nothing.
  void Detach() { form_ = nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // One control and what was last drawn of the model's operator-editable state.
  struct Item {
    Control* control = nullptr;
    QWidget* widget = nullptr;  // nullptr for timers and menus
    bool drawn = false;
    std::string text;
    std::vector<std::string> items;
    int listIndex = -2;
    std::string picture;
    bool stretch = false;
  };
  struct MenuEntry {
    QMenu* menu = nullptr;      // set for menus with children
    QAction* action = nullptr;  // the entry on its parent menu or the menu bar
    bool separator = false;
  };

  // Hands a key to the form's key preview, when it has one; true when it took the key.
  bool ForwardKeyPreview(const QKeyEvent& event);
  void Paint();
  void AddNewControls();
  QWidget* CreateWidget(Control& control);
  void ApplyControl(Item& item);
  void ApplyParent(Item& item);
  void ApplyGeometry(Item& item);
  void ApplyCaption(Item& item);
  void ApplyList(Item& item, bool listChanged);
  void ApplyEditText(Item& item, bool force = false);
  void ApplyPicture(Item& item);
  void ApplyWindow(bool menuBarChanged, bool fitChanged);
  void ApplyStatusLine();
  void Relayout();
  // Recomputes the fit scale and the minimum size when captions, positions or
  // the font changed; true when the fit scale changed.
  bool UpdateFit();
  void UpdateScale();
  // The design's client size in pixels at a scale.
  QSize DesignSize(double scale) const;
  // The scale the window opens at: the fit scale, or more for a scaling window.
  double DisplayScale();
  int StatusBarHeight() const;
  // The largest client area the window's screen has room for.
  QSize ScreenRoom() const;
  void OnClientResized();

  std::string MenuStructure() const;
  void RebuildMenus();
  void BuildMenu(QMenu* parent, Control& control,
                 const std::map<std::string, std::vector<Control*>>& children, QMenu* ownMenu);
  bool ApplyMenus();  // true when the menu bar's visibility changed

  Item* ItemFor(const Control* control);
  int MenuBarHeight() const;

  QtFormHost& host_;
  Form* form_;
  QScrollArea* scroll_;
  QWidget* client_;
  QFont baseFont_;
  QLabel* statusText_ = nullptr;
  QLabel* statusDetail_ = nullptr;  // right-aligned: background work (analysis queue)
  std::string layoutKey_;
  std::string fontKey_;  // what the window's font was last chosen for
  double fitScale_ = 1.0;
  double preferredScale_ = 0;  // 0 until the screen was asked
  bool placed_ = false;
  static constexpr double kComfortScale = 1.4;
  static constexpr int kWindowFrame = 40;  // a window manager's title bar and borders
  static constexpr double kMaxFontGrowth = 1.6;
  std::vector<Item> items_;
  std::map<const QObject*, Control*> byWidget_;
  std::map<std::string, MenuEntry> menus_;
  std::vector<QObject*> menuObjects_;  // top-level menus and menu-bar actions we own
  std::string menuStructure_;
  bool hasMenus_ = false;
  bool menuBarVisible_ = false;

  bool drawn_ = false;
  bool painting_ = false;
  bool shown_ = false;
  std::uint64_t revision_ = 0;
  double scaleX_ = 1.0, scaleY_ = 1.0;
  // Window state as last drawn from (or reported to) the model.
  std::string caption_;
  bool border_ = true;
  int width_ = -1, height_ = -1;
  WindowState state_ = WindowState::Normal;
};

}  // namespace zarvane
