#pragma once
// Window models. Every window of the station is a Form holding its controls;
// each control carries the state a widget would show (caption, text, list items,
// checked value, visible, enabled, tag, tooltip, position) and the handlers the
// operator's actions call. The Qt layer draws the models and forwards clicks and
// edits; the scripted operator drives the very same handlers in tests.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zarvane {

class Clock;
class TimerHandle;
class Form;
class Forms;

enum class ControlType {
  Label,
  CommandButton,
  Frame,
  ComboBox,
  ListBox,
  TextBox,
  CheckBox,
  OptionButton,
  PictureBox,
  Image,
  Timer,
  Menu,
  ProgressBar,
  RichTextBox,
  Shape,
};

const char* ControlTypeName(ControlType type);

// Controls whose caption and tooltip the windows translate again on every repaint.
bool IsTranslatedOnRepaint(ControlType type);

class Control {
 public:
  Control(Form* form, ControlType type, std::string name, int index);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  ~Control();

  Form& Parent() const { return *form_; }
  ControlType Type() const { return type_; }
  const std::string& Name() const { return name_; }
  int Index() const { return index_; }  // -1 when the control is not part of an array
  std::string FullName() const;         // "comboBlade(1)" or "cmdGo"

  // Caption as shown, and the English source caption it was translated from.
  const std::string& Caption() const { return caption_; }
  const std::string& SourceCaption() const { return sourceCaption_; }
  void SetCaption(const std::string& caption);             // the program sets an (English) caption
  void ShowTranslatedCaption(const std::string& caption);  // shown text only; source stays
                                                           // (a change only when the text differs)
  const std::string& ToolTip() const { return tooltip_; }
  const std::string& SourceToolTip() const { return sourceTooltip_; }
  void SetToolTip(const std::string& tooltip);
  void ShowTranslatedToolTip(const std::string& tooltip);

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  const std::string& Tag() const { return tag_; }
  void SetTag(const std::string& tag);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Check boxes: 0 unchecked, 1 checked; option buttons and menus: 0/1 as false/true;
  // progress bars: 0 to 100. Selecting an option button clears the other option
  // buttons of its container (its frame, or the window), as a group of options does.
  int Value() const { return value_; }
  void SetValue(int value);

  // List and combo boxes.
  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(const std::string& item);
  void RemoveItem(int position);
  void Clear();
  int ListCount() const { return static_cast<int>(items_.size()); }
  int ListIndex() const { return listIndex_; }  // -1 when nothing is chosen
  void SetListIndex(int position);              // also sets the text of a combo box
  bool Selected(int position) const;
  void SetSelected(int position, bool selected);

  // Position and size in twips, relative to the container (a frame or the form).
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void Move(int left, int top, int width, int height);
  int Bottom() const { return top_ + height_; }
  int Right() const { return left_ + width_; }
  const std::string& Container() const { return container_; }  // full name of the frame, "" = form
  void SetContainer(const std::string& container);

  // Labels: 0 left-aligned, 1 right-aligned, 2 centred.
  int Alignment() const { return alignment_; }
  void SetAlignment(int alignment);

  // Frames: 1 draws the frame's border and title, 0 neither (a plain container).
  int BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int style);
  // List boxes: whether a click toggles an item's selection, each item on its
  // own (a touch-friendly multiple choice), rather than choosing one item.
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool multi);

  // Rich-text boxes: whether Text holds RTF (shown formatted) rather than plain
  // text, and the box's font (plain text, and RTF text that names no font).
  bool RichText() const { return richText_; }
  void SetRichText(bool rich);
  const std::string& FontName() const { return fontName_; }
  int FontSize() const { return fontSize_; }
  void SetFont(const std::string& name, int size);

  const std::string& Picture() const { return picture_; }
  void SetPicture(const std::string& path);
  bool Stretch() const { return stretch_; }
  // A command button that Enter presses (drawn as the window's default button).
  bool Default() const { return default_; }
  void SetDefault(bool isDefault) {
    default_ = isDefault;
    Touch();
  }
  void SetStretch(bool stretch);

  // Menus: the full name of the parent menu ("" for a top-level menu).
  const std::string& MenuParent() const { return menuParent_; }
  void SetMenuParent(const std::string& parent);

  // Timers: the interval in milliseconds; Enabled starts and stops the timer.
  int Interval() const { return interval_; }
  void SetInterval(int ms);

  // Handlers called by the operator's actions (or by the program, as VB code does).
  std::function<void()> onClick;
  std::function<void()> onChange;
  std::function<void()> onGotFocus;
  std::function<void()> onLostFocus;
  std::function<void()> onDblClick;
  std::function<void()> onTimer;
  std::function<void(int keyCode)> onKeyDown;
  std::function<void(int button)> onMouseUp;

  void Click() { if (onClick) onClick(); }
  // Gives the control the keyboard focus, its whole text selected when asked
  // (VB's SetFocus and SelStart/SelLength); nothing while its window is closed.
  void SetFocus(bool selectAll = false);

 private:
  void Touch();
  void UpdateTimer();

  Form* form_;
  ControlType type_;
  std::string name_;
  int index_;
  std::string caption_, sourceCaption_, tooltip_, sourceTooltip_, text_, tag_;
  bool visible_ = true;
  bool enabled_ = true;
  int value_ = 0;
  std::vector<std::string> items_;
  std::vector<bool> selected_;
  int listIndex_ = -1;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::string container_;
  std::string picture_;
  bool stretch_ = false;
  bool default_ = false;
  bool richText_ = false;
  std::string fontName_;
  int fontSize_ = 0;
  int alignment_ = 0;
  int borderStyle_ = 1;
  bool multiSelect_ = false;
  std::string menuParent_;
  int interval_ = 0;
  std::unique_ptr<TimerHandle> timer_;
};

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// The UI layer that draws forms (Qt windows, or nothing in headless runs).
class FormHost {
 public:
  virtual ~FormHost() = default;
  virtual void FormShown(Form& form) = 0;
  virtual void FormHidden(Form& form) = 0;
  virtual void FormUnloaded(Form& form) = 0;
  // Runs until the modal form is hidden or unloaded.
  virtual void RunModal(Form& form) = 0;
  // Draws the form now (VB's Refresh).
  virtual void Refresh(Form& form) = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  // Shows the items of a (normally invisible) top-level menu at the cursor and
  // returns when the operator has chosen one or dismissed it.
  virtual void PopupMenu(Form& form, const std::string& menuFullName) = 0;
  // The window's status line changed; a drawn window shows it at once, before
  // the (often long) work that follows.
  virtual void StatusChanged(Form& form) { (void)form; }
  // Puts the keyboard focus into a control (and selects its whole text).
  virtual void FocusControl(Form& form, Control& control, bool selectAll) {
    (void)form;
    (void)control;
    (void)selectAll;
  }
};

class Form {
 public:
  Form(Forms& forms, std::string name);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();

  const std::string& Name() const { return name_; }
  Forms& Registry() const { return forms_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Visible() const { return visible_; }
  WindowState State() const { return state_; }
  void SetState(WindowState state);
  bool HasBorder() const { return border_; }
  void SetBorder(bool border);
  int Width() const { return width_; }
  int Height() const { return height_; }
  void Resize(int width, int height);  // design size in twips
  // Position on the screen in twips (the UI layer places the window there when shown).
  int Left() const { return left_; }
  int Top() const { return top_; }
  void Move(int left, int top) {
    left_ = left;
    top_ = top;
    Touch();
  }
  // Whether the Qt window scales its controls with the window (the resizing controller).
  bool ScalesControls() const { return scales_; }
  void SetScalesControls(bool scales);
  bool Modal() const { return modal_; }
  // The status line of a window that has one (the main window): what the
  // station is doing now, or the result of what it did last.
  const std::string& StatusText() const { return status_; }
  void SetStatusText(const std::string& text);
  // A second, lasting part of the status line (right-aligned on screen): what
  // goes on in the background, such as reports waiting for their analysis.
  const std::string& StatusDetail() const { return statusDetail_; }
  void SetStatusDetail(const std::string& text);
  // Whether the window has a status line at all (drawn windows show a status bar).
  bool HasStatusLine() const { return statusLine_; }
  void SetStatusLine(bool has) {
    statusLine_ = has;
    Touch();
  }

  Control& Add(ControlType type, const std::string& name, int index = -1);
  Control* Find(const std::string& fullName);
  Control& operator()(const std::string& name, int index = -1);  // throws when missing
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

  // Lifecycle, as in VB: Load makes the form exist, Show makes it visible.
  bool Loaded() const { return loaded_; }
  void Load();
  void Show(bool modal = false);
  void Hide();
  void Unload();
  void Refresh();
  void PopupMenu(const std::string& menuFullName);
  // A mouse button released on the form itself, outside its controls (2 = right).
  std::function<void(int button)> onMouseUp;
  // The window's key preview: when set, every key pressed in the window, in a
  // control or on the window itself, comes here (13 Enter, 27 Escape, characters
  // as their codes) and the controls see none.
  // The keys the window takes before its controls (empty: every key).
  std::vector<int> previewKeys;
  std::function<void(int keyCode)> onKeyDown;

  // Paints the window now (Form_Paint translates its captions) and remembers
  // the model it painted.
  void Repaint();
  // Paints the window when it is open and its model changed since it was last
  // painted: the UI layer calls this before it draws or reads the window.
  void RepaintIfChanged();

  // Event handlers the UI layer calls.
  virtual void Form_Load() {}
  virtual void Form_Unload() {}
  virtual void Form_Resize() {}
  virtual void Form_Paint() {}

  // Incremented on every change of the form or one of its controls, so views
  // know when to draw again.
  std::uint64_t Revision() const { return revision_; }
  void Touch() { ++revision_; }

 private:
  Forms& forms_;
  std::string name_;
  std::string caption_;
  std::string status_;
  std::string statusDetail_;
  bool statusLine_ = false;
  bool visible_ = false;
  bool loaded_ = false;
  bool modal_ = false;
  bool border_ = true;
  bool scales_ = false;
  WindowState state_ = WindowState::Normal;
  int width_ = 6000, height_ = 4000;
  int left_ = 0, top_ = 0;
  std::vector<std::unique_ptr<Control>> controls_;
  std::map<std::string, Control*> byName_;
  std::uint64_t revision_ = 0;
  std::uint64_t paintedRevision_ = ~std::uint64_t{0};
};

// The loaded forms (VB's Forms collection), the UI host that draws them, and the
// clock their timers run on.
class Forms {
 public:
  explicit Forms(Clock* clock) : clock_(clock) {}
  void SetHost(FormHost* host) { host_ = host; }
  FormHost* Host() const { return host_; }
  Clock* TimerClock() const { return clock_; }

  std::vector<Form*> Loaded() const { return loaded_; }
  void Register(Form* form);
  void Unregister(Form* form);
  // All forms the station created, loaded or not (for lookups by name).
  void Know(Form* form);
  void Forget(Form* form);
  Form* ByName(const std::string& name) const;
  const std::vector<Form*>& Known() const { return known_; }

  void SetBusy(bool busy);
  bool Busy() const { return busy_; }

  // Shows the busy pointer for as long as it lives, whichever way the work ends.
  class BusyScope {
   public:
    explicit BusyScope(Forms& forms) : forms_(forms) { forms_.SetBusy(true); }
    ~BusyScope() { forms_.SetBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    Forms& forms_;
  };

 private:
  Clock* clock_;
  FormHost* host_ = nullptr;
  std::vector<Form*> loaded_;
  std::vector<Form*> known_;
  bool busy_ = false;
};

}  // namespace zarvane
