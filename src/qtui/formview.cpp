#include "qtui/formview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextEdit>
#include <algorithm>
#include <cmath>

#include "platform/reportdocument.h"
#include "qtui/formhost.h"
#include "qtui/qttext.h"
#include "qtui/touchstyle.h"

namespace zarvane {

namespace {

// Calls a handler through a copy, so a handler that replaces itself stays alive
// while it runs.
template <class Handler, class... Args>
void Call(const Handler& handler, Args... args) {
  Handler copy = handler;
  if (copy) copy(args...);
}

// Controls whose left-button presses are clicks (the others click through Qt signals).
bool ClicksOnPress(ControlType type) {
  return type == ControlType::Label || type == ControlType::PictureBox || type == ControlType::Image;
}

// Controls whose widgets take no mouse input of their own; we consume their mouse
// events so a click on a label does not also reach the frame around it.
bool OwnsMouse(ControlType type) {
  return ClicksOnPress(type) || type == ControlType::Frame || type == ControlType::Shape;
}

WindowState StateOf(Qt::WindowStates states) {
  if (states & Qt::WindowMinimized) return WindowState::Minimized;
  if (states & Qt::WindowMaximized) return WindowState::Maximized;
  return WindowState::Normal;
}

QStringList ToQtList(const std::vector<std::string>& items) {
  QStringList list;
  list.reserve(static_cast<int>(items.size()));
  for (const std::string& item : items) list << ToQt(item);
  return list;
}

// A key as the window models see it: 13 Enter, 27 Escape, 9 Tab, 8 Backspace,
// characters as their codes, other keys 0. Modifier keys alone are no key press.
bool KeyCodeOf(const QKeyEvent& event, int& code) {
  const int key = event.key();
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_unknown:
      return false;
    case Qt::Key_Return:
    case Qt::Key_Enter: code = 13; return true;
    case Qt::Key_Escape: code = 27; return true;
    case Qt::Key_Tab: code = 9; return true;
    case Qt::Key_Backspace: code = 8; return true;
    default: code = key < 0x100 ? key : 0; return true;
  }
}

// Counts the host as drawing while a sync runs, so no handler fires meanwhile.
class SyncScope {
 public:
  explicit SyncScope(int& counter) : counter_(counter) { ++counter_; }
  ~SyncScope() { --counter_; }

 private:
  int& counter_;
};

}  // namespace

FormView::FormView(QtFormHost& host, Form& form) : QMainWindow(nullptr), host_(host), form_(&form) {
  setObjectName(ToQt(form.Name()));
  // The client sits in a scroll area that shows scroll bars only when the
  // screen is smaller than the window's design (a large window at 150% text
  // on a small screen); otherwise it is invisible.
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("scroll"));
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  client_ = new QWidget;
  client_->setObjectName(QStringLiteral("client"));
  scroll_->setWidget(client_);
  setCentralWidget(scroll_);
  client_->installEventFilter(this);
  Sync(true);
}

FormView::~FormView() { form_ = nullptr; }

// ---------------------------------------------------------------------------
// Widgets

void FormView::AddNewControls() {
  const auto& controls = form_->Controls();
  for (size_t i = items_.size(); i < controls.size(); ++i) {
    Control& control = *controls[i];
    Item item;
    item.control = &control;
    if (control.Type() == ControlType::Menu) {
      hasMenus_ = true;
    } else if ((item.widget = CreateWidget(control))) {
      item.widget->setObjectName(ToQt(control.FullName()));
      item.widget->installEventFilter(this);
      byWidget_[item.widget] = &control;
    }
    items_.push_back(item);
  }
}

QWidget* FormView::CreateWidget(Control& control) {
  Control* c = &control;
  // Runs an operator action on this window's model (not once the model is gone).
  auto forward = [this](std::function<void()> action) {
    if (form_ && host_.Exists(form_)) host_.Dispatch(action);
  };
  switch (control.Type()) {
    case ControlType::Label: {
      auto* label = new QLabel(client_);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlType::CommandButton: {
      auto* button = new QPushButton(client_);
      button->setAutoDefault(false);
      connect(button, &QPushButton::clicked, this, [c, forward] { forward([c] { Call(c->onClick); }); });
      return button;
    }
    case ControlType::Frame:
      return new QGroupBox(client_);
    case ControlType::ComboBox: {
      auto* combo = new QComboBox(client_);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      combo->setCompleter(nullptr);
      combo->setItemDelegate(new TouchDelegate(combo));
      connect(combo, &QComboBox::activated, this, [this, c, forward](int index) {
        forward([this, c, index] {
          if (index >= 0 && index < c->ListCount()) c->SetListIndex(index);
          if (Item* item = ItemFor(c)) {
            item->listIndex = c->ListIndex();
            item->text = c->Text();
          }
          Call(c->onClick);
        });
      });
      connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, c, forward](const QString& text) {
        forward([this, c, text] {
          c->SetText(FromQt(text));
          if (Item* item = ItemFor(c)) item->text = c->Text();
          Call(c->onChange);
        });
      });
      return combo;
    }
    case ControlType::ListBox: {
      auto* list = new QListWidget(client_);
      list->setSelectionMode(QAbstractItemView::ExtendedSelection);
      list->setItemDelegate(new TouchDelegate(list));
      connect(list, &QListWidget::itemSelectionChanged, this, [this, c, list, forward] {
        forward([this, c, list] {
          const int count = std::min(list->count(), c->ListCount());
          for (int i = 0; i < count; ++i) {
            const bool selected = list->item(i)->isSelected();
            if (c->Selected(i) != selected) c->SetSelected(i, selected);
          }
          const int row = list->currentRow();
          if (row != c->ListIndex() && row < c->ListCount()) c->SetListIndex(row);
          if (Item* item = ItemFor(c)) item->listIndex = c->ListIndex();
          Call(c->onClick);
        });
      });
      connect(list, &QListWidget::itemDoubleClicked, this,
              [c, forward] { forward([c] { Call(c->onDblClick); }); });
      return list;
    }
    case ControlType::TextBox: {
      auto* edit = new QLineEdit(client_);
      connect(edit, &QLineEdit::textEdited, this, [this, c, forward](const QString& text) {
        forward([this, c, text] {
          c->SetText(FromQt(text));
          if (Item* item = ItemFor(c)) item->text = c->Text();
          Call(c->onChange);
        });
      });
      return edit;
    }
    case ControlType::CheckBox: {
      auto* box = new QCheckBox(client_);
      connect(box, &QCheckBox::clicked, this, [c, forward](bool checked) {
        forward([c, checked] {
          c->SetValue(checked ? 1 : 0);
          Call(c->onClick);
        });
      });
      return box;
    }
    case ControlType::OptionButton: {
      // The model keeps its option groups exclusive; the widget only shows Value.
      auto* option = new QRadioButton(client_);
      option->setAutoExclusive(false);
      connect(option, &QRadioButton::clicked, this, [c, forward] {
        forward([c] {
          c->SetValue(1);
          Call(c->onClick);
        });
      });
      return option;
    }
    case ControlType::PictureBox:
    case ControlType::Image: {
      auto* picture = new QLabel(client_);
      picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return picture;
    }
    case ControlType::ProgressBar: {
      auto* bar = new QProgressBar(client_);
      bar->setRange(0, 100);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlType::RichTextBox: {
      auto* text = new QTextEdit(client_);
      text->setReadOnly(true);
      return text;
    }
    case ControlType::Shape: {
      auto* shape = new QFrame(client_);
      shape->setFrameShape(QFrame::NoFrame);
      return shape;
    }
    case ControlType::Timer:
    case ControlType::Menu:
      return nullptr;
  }
  return nullptr;
}

FormView::Item* FormView::ItemFor(const Control* control) {
  for (Item& item : items_)
    if (item.control == control) return &item;
  return nullptr;
}

QWidget* FormView::WidgetOf(const std::string& fullName) const {
  if (!form_) return nullptr;
  const Control* control = form_->Find(fullName);
  for (const Item& item : items_)
    if (item.control == control) return item.widget;
  return nullptr;
}

QAction* FormView::ActionOf(const std::string& fullName) const {
  auto it = menus_.find(fullName);
  return it == menus_.end() ? nullptr : it->second.action;
}

QMenu* FormView::MenuOf(const std::string& fullName) const {
  auto it = menus_.find(fullName);
  return it == menus_.end() ? nullptr : it->second.menu;
}

// ---------------------------------------------------------------------------
// Drawing the model

void FormView::Sync(bool force) {
  if (!form_) return;
  if (!force && drawn_ && revision_ == form_->Revision()) return;
  Paint();
  SyncScope scope(host_.syncing_);
  AddNewControls();
  const std::string structure = MenuStructure();
  if (!drawn_ || structure != menuStructure_) {
    menuStructure_ = structure;
    RebuildMenus();
  }
  const bool menuBarChanged = ApplyMenus();
  ApplyStatusLine();
  const bool fitChanged = UpdateFit();
  ApplyWindow(menuBarChanged, fitChanged);
  UpdateScale();
  for (Item& item : items_) ApplyControl(item);
  drawn_ = true;
  revision_ = form_->Revision();
}

void FormView::Paint() {
  // The window paints (translates its captions) before a change is drawn; a
  // message box from inside the paint must not paint it again meanwhile.
  if (painting_) return;
  painting_ = true;
  try {
    form_->RepaintIfChanged();
  } catch (const std::exception& e) {
    host_.ReportError(e.what());
  }
  painting_ = false;
}

void FormView::ApplyStatusLine() {
  if (form_->HasStatusLine() && !statusText_) {
    statusText_ = new QLabel(statusBar());
    statusText_->setObjectName(QStringLiteral("statusText"));
    statusText_->setTextFormat(Qt::PlainText);
    statusText_->setContentsMargins(8, 4, 8, 4);
    statusText_->setFont(client_->font());
    statusBar()->addWidget(statusText_, 1);
    statusDetail_ = new QLabel(statusBar());
    statusDetail_->setObjectName(QStringLiteral("statusDetail"));
    statusDetail_->setTextFormat(Qt::PlainText);
    statusDetail_->setContentsMargins(8, 4, 8, 4);
    statusDetail_->setFont(client_->font());
    statusBar()->addPermanentWidget(statusDetail_);
  }
  if (!statusText_) return;
  if (statusBar()->isHidden() == form_->HasStatusLine()) statusBar()->setVisible(form_->HasStatusLine());
  const QString text = ToQt(form_->StatusText());
  if (statusText_->text() != text) statusText_->setText(text);
  const QString detail = ToQt(form_->StatusDetail());
  if (statusDetail_->text() != detail) statusDetail_->setText(detail);
  statusDetail_->setVisible(!detail.isEmpty());
}

void FormView::ShowStatusNow() {
  if (!form_) return;
  Sync();
  if (statusText_ && isVisible()) statusText_->repaint();
}

void FormView::ApplyWindow(bool menuBarChanged, bool fitChanged) {
  const Form& form = *form_;
  if (!drawn_ || caption_ != form.Caption()) {
    caption_ = form.Caption();
    setWindowTitle(ToQt(caption_));
  }
  if (!drawn_ || border_ != form.HasBorder()) {
    border_ = form.HasBorder();
    if (windowFlags().testFlag(Qt::FramelessWindowHint) == border_) {
      const bool wasVisible = isVisible();
      setWindowFlag(Qt::FramelessWindowHint, !border_);
      if (wasVisible) show();  // changing the flags hides the window
    }
  }
  if (!drawn_ || state_ != form.State()) {
    state_ = form.State();
    Qt::WindowStates states = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state_ == WindowState::Minimized) states |= Qt::WindowMinimized;
    if (state_ == WindowState::Maximized) states |= Qt::WindowMaximized;
    setWindowState(states);
  }
  // The model's size is the design size of the client area, drawn at the
  // display scale; a maximised or minimised window takes it once it is normal
  // again. A window the operator sized keeps its size when only the fit
  // changes (it grows to its new minimum by itself); a fixed window takes the
  // new fit.
  if (state_ == WindowState::Normal &&
      (!drawn_ || menuBarChanged || width_ != form.Width() || height_ != form.Height() ||
       (fitChanged && !form.ScalesControls()))) {
    width_ = form.Width();
    height_ = form.Height();
    const QSize client = DesignSize(DisplayScale()).expandedTo(client_->minimumSize()).boundedTo(ScreenRoom());
    // An open window grows or shrinks about its centre, so a centred one stays centred.
    const QPoint centre = frameGeometry().center();
    const bool wasVisible = isVisible();
    resize(client.width(), client.height() + MenuBarHeight() + StatusBarHeight());
    if (wasVisible) move(pos() + centre - frameGeometry().center());
  }
}

int FormView::MenuBarHeight() const {
  if (!hasMenus_ || !menuBarVisible_) return 0;
  return menuBar()->sizeHint().height();
}

QSize FormView::ScreenRoom() const {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const int chrome = MenuBarHeight() + StatusBarHeight() + kWindowFrame;
  return QSize(std::max(200, avail.width() - kWindowFrame / 2), std::max(150, avail.height() - chrome));
}

int FormView::StatusBarHeight() const { return statusText_ ? statusBar()->sizeHint().height() : 0; }

QSize FormView::DesignSize(double scale) const {
  return QSize(std::max(1, static_cast<int>(std::ceil(form_->Width() / kTwipsPerPixel * scale))),
               std::max(1, static_cast<int>(std::ceil(form_->Height() / kTwipsPerPixel * scale))));
}

double FormView::DisplayScale() {
  if (!form_->ScalesControls()) return fitScale_;
  if (preferredScale_ <= 0) {
    // A window that scales opens comfortably large: up to kComfortScale of its
    // design, as far as 85% of the screen allows.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize design = DesignSize(1.0);
    const double chrome = MenuBarHeight() + StatusBarHeight() + kWindowFrame;  // bars and the window frame
    preferredScale_ = std::min({kComfortScale, 0.85 * avail.width() / design.width(),
                                (0.85 * avail.height() - chrome) / design.height()});
  }
  return std::max(fitScale_, preferredScale_);
}

bool FormView::UpdateFit() {
  const QFont font = QApplication::font();
  std::string key = LayoutKey(*form_);
  if (drawn_ && key == layoutKey_ && font == baseFont_) return false;
  layoutKey_ = std::move(key);
  baseFont_ = font;
  const double fit = zarvane::FitScale(*form_, baseFont_);
  // Below the fit scale captions would be clipped, and nothing may push the
  // menu bar into an overflow menu.
  QSize minimum = DesignSize(fit);
  if (hasMenus_ && menuBarVisible_) minimum.setWidth(std::max(minimum.width(), menuBar()->sizeHint().width()));
  // The window itself keeps that minimum as far as its screen allows.
  const QSize windowMinimum = minimum.boundedTo(ScreenRoom());
  if (client_->minimumSize() != minimum || scroll_->minimumSize() != windowMinimum) {
    client_->setMinimumSize(minimum);
    scroll_->setMinimumSize(windowMinimum);
    if (layout()) layout()->activate();  // the window's own minimum follows now, not later
  }
  const bool changed = fit != fitScale_;
  fitScale_ = fit;
  return changed;
}

void FormView::UpdateScale() {
  double sx = fitScale_, sy = fitScale_;
  if (form_->ScalesControls() && shown_ && form_->Width() > 0 && form_->Height() > 0) {
    if (client_->width() <= 0 || client_->height() <= 0) return;  // minimised: keep the last scale
    sx = client_->width() * kTwipsPerPixel / form_->Width();
    sy = client_->height() * kTwipsPerPixel / form_->Height();
  }
  scaleX_ = sx;
  scaleY_ = sy;
  // Texts grow with a scaling window, within bounds, and never below the
  // station's font; a size that would make a caption clip takes a smaller font.
  // The font is chosen again only when the scale or the layout changed, not on
  // every change of a control's state.
  std::string fontKey = layoutKey_ + '\1' + std::to_string(sx) + ',' + std::to_string(sy) + ',' +
                        std::to_string(fitScale_) + ',' + baseFont_.key().toStdString();
  if (fontKey == fontKey_) return;
  fontKey_ = std::move(fontKey);
  QFont font = baseFont_;
  if (form_->ScalesControls()) {
    for (double factor = std::clamp(std::min(sx, sy) / fitScale_, 1.0, kMaxFontGrowth); factor > 1.0;
         factor -= 0.05) {
      QFont grown = baseFont_;
      if (baseFont_.pointSizeF() > 0)
        grown.setPointSizeF(baseFont_.pointSizeF() * factor);
      else
        grown.setPixelSize(std::max(1, qRound(baseFont_.pixelSize() * factor)));
      if (CaptionsFit(*form_, sx, sy, grown)) {
        font = grown;
        break;
      }
    }
  }
  if (client_->font() != font) client_->setFont(font);
  // The status line reads at the size of the window's texts.
  if (statusText_ && statusText_->font() != font) statusText_->setFont(font);
  if (statusDetail_ && statusDetail_->font() != font) statusDetail_->setFont(font);
}

void FormView::Relayout() {
  if (!form_) return;
  UpdateScale();
  for (Item& item : items_) ApplyGeometry(item);
}

void FormView::ApplyControl(Item& item) {
  QWidget* widget = item.widget;
  if (!widget) return;
  const Control& c = *item.control;
  QSignalBlocker blocker(widget);
  ApplyParent(item);
  ApplyGeometry(item);
  ApplyCaption(item);
  const QString tip = ToQtLines(c.ToolTip());
  if (widget->toolTip() != tip) widget->setToolTip(tip);
  if (widget->testAttribute(Qt::WA_Disabled) == c.Enabled()) widget->setEnabled(c.Enabled());

  switch (c.Type()) {
    case ControlType::CheckBox:
    case ControlType::OptionButton: {
      auto* button = static_cast<QAbstractButton*>(widget);
      const bool on = c.Value() != 0;
      if (button->isChecked() != on) button->setChecked(on);
      break;
    }
    case ControlType::ComboBox:
    case ControlType::ListBox:
      ApplyList(item, !item.drawn || item.items != c.Items());
      break;
    case ControlType::TextBox:
      ApplyEditText(item);
      break;
    case ControlType::PictureBox:
    case ControlType::Image:
      ApplyPicture(item);
      break;
    case ControlType::ProgressBar: {
      auto* bar = static_cast<QProgressBar*>(widget);
      const int value = std::clamp(c.Value(), 0, 100);
      if (bar->value() != value) bar->setValue(value);
      break;
    }
    case ControlType::RichTextBox: {
      // RTF shows formatted, plain text in the box's font; a document is
      // built again only when the text, its kind or the font changed.
      const std::string key = std::string(c.RichText() ? "R" : "P") + c.FontName() + '\1' +
                              std::to_string(c.FontSize()) + '\1' + c.Text();
      if (!item.drawn || item.text != key) {
        item.text = key;
        auto* edit = static_cast<QTextEdit*>(widget);
        const QFont font = ReportFont(c.FontName(), c.FontSize());
        edit->setFont(font);
        LoadReport(*edit->document(), c.Text(), c.RichText(), font);
        // The box's cursor went along with the text built in front of it: a
        // report opens at its top.
        edit->moveCursor(QTextCursor::Start);
      }
      break;
    }
    default:
      break;
  }
  if (widget->isHidden() == c.Visible()) widget->setVisible(c.Visible());
  item.drawn = true;
}

void FormView::ApplyParent(Item& item) {
  QWidget* widget = item.widget;
  QWidget* parent = client_;
  const std::string& container = item.control->Container();
  if (!container.empty()) {
    if (Control* holder = form_->Find(container)) {
      Item* holderItem = ItemFor(holder);
      QWidget* candidate = holderItem ? holderItem->widget : nullptr;
      if (candidate && candidate != widget && !widget->isAncestorOf(candidate)) parent = candidate;
    }
  }
  if (widget->parentWidget() != parent) widget->setParent(parent);  // shown again by the caller
}

void FormView::ApplyGeometry(Item& item) {
  if (!item.widget) return;
  const Control& c = *item.control;
  const QRect rect = ControlRect(c, scaleX_, scaleY_);
  if (item.widget->geometry() != rect) item.widget->setGeometry(rect);
}

void FormView::ApplyCaption(Item& item) {
  const Control& c = *item.control;
  switch (c.Type()) {
    case ControlType::Label: {
      auto* label = static_cast<QLabel*>(item.widget);
      const QString text = StripAccessKeys(ToQtLines(c.Caption()));
      if (label->text() != text) label->setText(text);
      const Qt::Alignment align = Qt::AlignTop | (c.Alignment() == 1   ? Qt::AlignRight
                                                  : c.Alignment() == 2 ? Qt::AlignHCenter
                                                                       : Qt::AlignLeft);
      if (label->alignment() != align) label->setAlignment(align);
      break;
    }
    case ControlType::CommandButton:
    case ControlType::CheckBox:
    case ControlType::OptionButton: {
      auto* button = static_cast<QAbstractButton*>(item.widget);
      const QString text = ToQtLines(c.Caption());  // Qt reads "&" access keys as VB does
      if (button->text() != text) button->setText(text);
      if (auto* push = qobject_cast<QPushButton*>(button); push && push->isDefault() != c.Default())
        push->setDefault(c.Default());
      break;
    }
    case ControlType::Frame: {
      // A frame without a border is a plain container: no box, no title.
      auto* frame = static_cast<QGroupBox*>(item.widget);
      const bool border = c.BorderStyle() != 0;
      const QString title = border ? ToQt(c.Caption()) : QString();
      if (frame->title() != title) frame->setTitle(title);
      const QString sheet = border ? QString() : QStringLiteral("QGroupBox { border: 0; margin: 0; padding: 0; }");
      if (frame->styleSheet() != sheet) frame->setStyleSheet(sheet);
      break;
    }
    default:
      break;
  }
}

void FormView::ApplyList(Item& item, bool listChanged) {
  const Control& c = *item.control;
  if (c.Type() == ControlType::ComboBox) {
    auto* combo = static_cast<QComboBox*>(item.widget);
    if (listChanged) {
      combo->clear();
      combo->addItems(ToQtList(c.Items()));
      item.items = c.Items();
    }
    const bool indexChanged = listChanged || item.listIndex != c.ListIndex();
    if (indexChanged) {
      if (combo->currentIndex() != c.ListIndex()) combo->setCurrentIndex(c.ListIndex());
      item.listIndex = c.ListIndex();
    }
    // Clearing or choosing an item rewrites the edit text, so draw the text again then.
    ApplyEditText(item, indexChanged);
    return;
  }

  auto* list = static_cast<QListWidget*>(item.widget);
  const auto mode = c.MultiSelect() ? QAbstractItemView::MultiSelection : QAbstractItemView::ExtendedSelection;
  if (list->selectionMode() != mode) list->setSelectionMode(mode);
  if (listChanged) {
    list->clear();
    list->addItems(ToQtList(c.Items()));
    item.items = c.Items();
  }
  const int count = list->count();
  bool anySelected = false;
  for (int i = 0; i < count && !anySelected; ++i) anySelected = c.Selected(i);
  for (int i = 0; i < count; ++i) {
    // A model that only sets ListIndex shows that item selected.
    const bool selected = c.Selected(i) || (!anySelected && i == c.ListIndex());
    if (list->item(i)->isSelected() != selected) list->item(i)->setSelected(selected);
  }
  if (c.ListIndex() >= 0 && c.ListIndex() < count && list->currentRow() != c.ListIndex())
    list->selectionModel()->setCurrentIndex(list->model()->index(c.ListIndex(), 0),
                                            QItemSelectionModel::NoUpdate);
  item.listIndex = c.ListIndex();
}

void FormView::ApplyEditText(Item& item, bool force) {
  const Control& c = *item.control;
  // Only a change of the model's text is drawn, so what the operator is typing stays.
  if (!force && item.drawn && item.text == c.Text()) return;
  const QString text = ToQt(c.Text());
  if (c.Type() == ControlType::ComboBox) {
    auto* combo = static_cast<QComboBox*>(item.widget);
    if (combo->currentText() != text) combo->setEditText(text);
  } else {
    auto* edit = static_cast<QLineEdit*>(item.widget);
    if (edit->text() != text) edit->setText(text);
  }
  item.text = c.Text();
}

void FormView::ApplyPicture(Item& item) {
  const Control& c = *item.control;
  if (item.drawn && item.picture == c.Picture() && item.stretch == c.Stretch()) return;
  item.picture = c.Picture();
  item.stretch = c.Stretch();
  auto* label = static_cast<QLabel*>(item.widget);
  label->setScaledContents(item.stretch);
  const QPixmap pixmap = item.picture.empty() ? QPixmap() : QPixmap(ToQt(item.picture));
  if (pixmap.isNull())
    label->clear();
  else
    label->setPixmap(pixmap);
}

// ---------------------------------------------------------------------------
// Menus

std::string FormView::MenuStructure() const {
  std::string structure;
  for (const auto& control : form_->Controls()) {
    if (control->Type() != ControlType::Menu) continue;
    structure += control->FullName();
    structure += '\1';
    structure += control->MenuParent();
    structure += control->Caption() == "-" ? "\1-\2" : "\1+\2";
  }
  return structure;
}

void FormView::RebuildMenus() {
  for (QObject* object : menuObjects_) delete object;
  menuObjects_.clear();
  menus_.clear();
  if (!hasMenus_) return;

  std::map<std::string, std::vector<Control*>> children;
  std::vector<Control*> roots;
  for (const auto& control : form_->Controls()) {
    if (control->Type() != ControlType::Menu) continue;
    if (control->MenuParent().empty())
      roots.push_back(control.get());
    else
      children[control->MenuParent()].push_back(control.get());
  }

  QMenuBar* bar = menuBar();
  for (Control* root : roots) {
    const std::string name = root->FullName();
    auto kids = children.find(name);
    if (kids == children.end()) {
      // A top-level menu without items is a command right on the menu bar.
      auto* action = new QAction(this);
      action->setObjectName(ToQt(name));
      action->setSeparator(root->Caption() == "-");
      bar->addAction(action);
      menuObjects_.push_back(action);
      menus_[name] = {nullptr, action, action->isSeparator()};
      connect(action, &QAction::triggered, this, [this, root] {
        if (form_ && host_.Exists(form_)) host_.Dispatch([root] { Call(root->onClick); });
      });
      continue;
    }
    auto* menu = new QMenu(this);
    bar->addMenu(menu);
    menuObjects_.push_back(menu);
    BuildMenu(nullptr, *root, children, menu);
  }
}

void FormView::BuildMenu(QMenu* parent, Control& control,
                         const std::map<std::string, std::vector<Control*>>& children,
                         QMenu* ownMenu) {
  const std::string name = control.FullName();
  Control* c = &control;
  if (parent && control.Caption() == "-") {
    QAction* separator = parent->addSeparator();
    separator->setObjectName(ToQt(name));
    menus_[name] = {nullptr, separator, true};
    return;
  }
  auto kids = children.find(name);
  if (ownMenu || kids != children.end()) {
    QMenu* menu = ownMenu ? ownMenu : new QMenu(parent);
    if (parent) parent->addMenu(menu);
    menu->setObjectName(ToQt(name));
    menu->setToolTipsVisible(true);  // a disabled item says why
    menu->menuAction()->setObjectName(ToQt(name));
    menus_[name] = {menu, menu->menuAction(), false};
    // As in VB, opening a menu is its click: the model updates the items then.
    connect(menu, &QMenu::aboutToShow, this, [this, c] {
      if (form_ && host_.Exists(form_)) host_.Dispatch([c] { Call(c->onClick); });
    });
    if (kids != children.end())
      for (Control* child : kids->second) BuildMenu(menu, *child, children, nullptr);
    return;
  }
  auto* action = new QAction(parent);
  action->setObjectName(ToQt(name));
  parent->addAction(action);
  menus_[name] = {nullptr, action, false};
  connect(action, &QAction::triggered, this, [this, c] {
    if (form_ && host_.Exists(form_)) host_.Dispatch([c] { Call(c->onClick); });
  });
}

bool FormView::ApplyMenus() {
  if (!hasMenus_) return false;
  bool anyTopLevel = false;
  for (const auto& control : form_->Controls()) {
    if (control->Type() != ControlType::Menu) continue;
    auto it = menus_.find(control->FullName());
    if (it == menus_.end()) continue;  // its parent menu does not exist
    QAction* action = it->second.action;
    QSignalBlocker blocker(action);
    if (!it->second.separator) {
      const QString text = ToQtLines(control->Caption());
      if (action->text() != text) action->setText(text);
      const bool checked = control->Value() != 0;
      if (action->isCheckable() != checked) action->setCheckable(checked);
      if (action->isChecked() != checked) action->setChecked(checked);
      if (action->isEnabled() != control->Enabled()) action->setEnabled(control->Enabled());
      const QString tip = ToQtLines(control->ToolTip());
      if (action->toolTip() != (tip.isEmpty() ? StripAccessKeys(text) : tip)) action->setToolTip(tip);
    }
    if (action->isVisible() != control->Visible()) action->setVisible(control->Visible());
    if (control->MenuParent().empty() && control->Visible()) anyTopLevel = true;
  }
  // A window whose menus are all pop-ups shows no menu bar.
  if (drawn_ && anyTopLevel == menuBarVisible_) return false;
  menuBarVisible_ = anyTopLevel;
  menuBar()->setVisible(anyTopLevel);
  return true;
}

// ---------------------------------------------------------------------------
// Operator actions

void FormView::OnClientResized() {
  Relayout();
  if (!form_ || !shown_ || host_.Syncing() || !host_.Exists(form_)) return;
  host_.Dispatch([this] {
    if (!form_) return;
    // A window that keeps its controls fixed reports its new client size to the
    // model; a scaling window keeps its design size.
    if (!form_->ScalesControls() && state_ == WindowState::Normal && !isMinimized()) {
      const int w = client_->width(), h = client_->height();
      if (w > 0 && h > 0 && QSize(w, h) != DesignSize(fitScale_)) {
        width_ = qRound(w * kTwipsPerPixel / fitScale_);
        height_ = qRound(h * kTwipsPerPixel / fitScale_);
        form_->Resize(width_, height_);
      }
    }
    form_->Form_Resize();
  });
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
  if (!form_) return false;
  if (watched == client_) {
    if (event->type() == QEvent::Resize) OnClientResized();
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton && form_->onMouseUp) {
      Form* form = form_;
      if (host_.Exists(form)) host_.Dispatch([form] { if (form->onMouseUp) form->onMouseUp(2); });
      return true;
    }
    return false;
  }
  auto found = byWidget_.find(watched);
  if (found == byWidget_.end()) return false;
  Control* c = found->second;
  const ControlType type = c->Type();
  auto* widget = static_cast<QWidget*>(watched);
  auto forward = [this](std::function<void()> action) {
    if (form_ && host_.Exists(form_)) host_.Dispatch(action);
  };

  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      if (!OwnsMouse(type)) return false;
      if (!widget->isEnabled()) return true;
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton &&
          ClicksOnPress(type))
        forward([c] { Call(c->onClick); });
      else if (event->type() == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton &&
               ClicksOnPress(type))
        forward([c] { Call(c->onDblClick); });
      else if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::RightButton)
        forward([c] { Call(c->onMouseUp, 2); });
      return true;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      // Focus leaving with the window (another window, a pop-up) is no focus change
      // within the form.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
      if (event->type() == QEvent::FocusIn)
        forward([c] { Call(c->onGotFocus); });
      else
        forward([c] { Call(c->onLostFocus); });
      return false;
    }
    case QEvent::KeyPress: {
      // Enter or Space on a button presses that button, whatever the window previews.
      const int pressed = static_cast<QKeyEvent*>(event)->key();
      if (type == ControlType::CommandButton &&
          (pressed == Qt::Key_Return || pressed == Qt::Key_Enter || pressed == Qt::Key_Space))
        return false;
      if (ForwardKeyPreview(*static_cast<QKeyEvent*>(event))) return true;
      if (type != ControlType::ComboBox && type != ControlType::TextBox) return false;
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
      forward([c] { Call(c->onKeyDown, 13); });
      return true;
    }
    default:
      return false;
  }
}

bool FormView::ForwardKeyPreview(const QKeyEvent& event) {
  int code = 0;
  if (!form_ || !form_->onKeyDown || !KeyCodeOf(event, code) || !host_.Exists(form_)) return false;
  // A window may preview only some keys (a dialog's Enter and Escape); the
  // others go to the control that has the focus.
  if (!form_->previewKeys.empty() &&
      std::find(form_->previewKeys.begin(), form_->previewKeys.end(), code) == form_->previewKeys.end())
    return false;
  Form* form = form_;
  host_.Dispatch([form, code] {
    if (form->onKeyDown) form->onKeyDown(code);
  });
  return true;
}

void FormView::keyPressEvent(QKeyEvent* event) {
  // A key on the window itself, with no control holding the focus.
  if (ForwardKeyPreview(*event)) return;
  QMainWindow::keyPressEvent(event);
}

void FormView::closeEvent(QCloseEvent* event) {
  // The model decides: the host unloads the form when closing is allowed.
  event->ignore();
  if (form_ && host_.Exists(form_)) host_.RequestClose(*form_);
}

void FormView::paintEvent(QPaintEvent* event) {
  QMainWindow::paintEvent(event);
  if (border_) return;
  // A window without a border (the splash) still needs an edge on the window
  // behind it.
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Shadow));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void FormView::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !form_ || host_.Syncing()) return;
  const WindowState state = StateOf(windowState());
  if (state == state_ || !host_.Exists(form_)) return;
  state_ = state;
  host_.Dispatch([this, state] {
    if (!form_) return;
    form_->SetState(state);
    form_->Form_Resize();
  });
}

}  // namespace zarvane
