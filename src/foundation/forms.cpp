#include "foundation/forms.h"

#include <algorithm>
#include <stdexcept>

#include "platform/platform.h"

namespace zarvane {

const char* ControlTypeName(ControlType type) {
  switch (type) {
    case ControlType::Label: return "Label";
    case ControlType::CommandButton: return "CommandButton";
    case ControlType::Frame: return "Frame";
    case ControlType::ComboBox: return "ComboBox";
    case ControlType::ListBox: return "ListBox";
    case ControlType::TextBox: return "TextBox";
    case ControlType::CheckBox: return "CheckBox";
    case ControlType::OptionButton: return "OptionButton";
    case ControlType::PictureBox: return "PictureBox";
    case ControlType::Image: return "Image";
    case ControlType::Timer: return "Timer";
    case ControlType::Menu: return "Menu";
    case ControlType::ProgressBar: return "ProgressBar";
    case ControlType::RichTextBox: return "RichTextBox";
    case ControlType::Shape: return "Shape";
  }
  return "Control";
}

bool IsTranslatedOnRepaint(ControlType type) {
  switch (type) {
    case ControlType::Label:
    case ControlType::CommandButton:
    case ControlType::Frame:
    case ControlType::CheckBox:
    case ControlType::OptionButton:
      return true;
    default:
      return false;
  }
}

Control::Control(Form* form, ControlType type, std::string name, int index)
    : form_(form), type_(type), name_(std::move(name)), index_(index) {
  if (type_ == ControlType::Timer) enabled_ = false;
}

Control::~Control() = default;

std::string Control::FullName() const {
  if (index_ < 0) return name_;
  return name_ + "(" + std::to_string(index_) + ")";
}

void Control::Touch() { form_->Touch(); }

void Control::SetCaption(const std::string& caption) {
  caption_ = caption;
  sourceCaption_ = caption;
  Touch();
}

void Control::ShowTranslatedCaption(const std::string& caption) {
  if (caption == caption_) return;  // windows repaint often: only a new text is a change
  caption_ = caption;
  Touch();
}

void Control::SetToolTip(const std::string& tooltip) {
  tooltip_ = tooltip;
  sourceTooltip_ = tooltip;
  Touch();
}

void Control::ShowTranslatedToolTip(const std::string& tooltip) {
  if (tooltip == tooltip_) return;
  tooltip_ = tooltip;
  Touch();
}

void Control::SetText(const std::string& text) {
  text_ = text;
  Touch();
}

void Control::SetTag(const std::string& tag) {
  tag_ = tag;
  Touch();
}

void Control::SetVisible(bool visible) {
  visible_ = visible;
  Touch();
}

void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (type_ == ControlType::Timer) UpdateTimer();
  Touch();
}

void Control::SetValue(int value) {
  value_ = value;
  if (type_ == ControlType::OptionButton && value != 0)
    for (const auto& other : form_->Controls())
      if (other.get() != this && other->type_ == ControlType::OptionButton && other->container_ == container_)
        other->value_ = 0;
  Touch();
}

void Control::SetFocus(bool selectAll) {
  if (!form_->Loaded() || !form_->Visible()) return;
  if (FormHost* host = form_->Registry().Host()) host->FocusControl(*form_, *this, selectAll);
}

void Control::SetBorderStyle(int style) {
  borderStyle_ = style;
  Touch();
}

void Control::SetMultiSelect(bool multi) {
  multiSelect_ = multi;
  Touch();
}

void Control::AddItem(const std::string& item) {
  items_.push_back(item);
  selected_.push_back(false);
  Touch();
}

void Control::RemoveItem(int position) {
  if (position < 0 || position >= ListCount()) throw std::out_of_range("Invalid list position");
  items_.erase(items_.begin() + position);
  selected_.erase(selected_.begin() + position);
  if (listIndex_ == position) listIndex_ = -1;
  else if (listIndex_ > position) --listIndex_;
  Touch();
}

void Control::Clear() {
  items_.clear();
  selected_.clear();
  listIndex_ = -1;
  if (type_ == ControlType::ListBox) text_.clear();
  Touch();
}

void Control::SetListIndex(int position) {
  if (position < -1 || position >= ListCount()) throw std::out_of_range("Invalid list position");
  listIndex_ = position;
  if (position >= 0) text_ = items_[position];
  Touch();
}

bool Control::Selected(int position) const {
  if (position < 0 || position >= ListCount()) return false;
  return selected_[position];
}

void Control::SetSelected(int position, bool selected) {
  if (position < 0 || position >= ListCount()) throw std::out_of_range("Invalid list position");
  selected_[position] = selected;
  Touch();
}

void Control::Move(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Touch();
}

void Control::SetContainer(const std::string& container) {
  container_ = container;
  Touch();
}

void Control::SetAlignment(int alignment) {
  alignment_ = alignment;
  Touch();
}

void Control::SetRichText(bool rich) {
  richText_ = rich;
  Touch();
}

void Control::SetFont(const std::string& name, int size) {
  fontName_ = name;
  fontSize_ = size;
  Touch();
}

void Control::SetPicture(const std::string& path) {
  picture_ = path;
  Touch();
}

void Control::SetStretch(bool stretch) {
  stretch_ = stretch;
  Touch();
}

void Control::SetMenuParent(const std::string& parent) {
  menuParent_ = parent;
  Touch();
}

void Control::SetInterval(int ms) {
  interval_ = ms;
  if (type_ == ControlType::Timer) UpdateTimer();
  Touch();
}

void Control::UpdateTimer() {
  Clock* clock = form_->Registry().TimerClock();
  if (!clock) return;
  if (!timer_) {
    if (!enabled_) return;
    timer_ = clock->CreateTimer([this] {
      if (enabled_ && onTimer) onTimer();
    });
  }
  timer_->SetInterval(interval_);
  timer_->SetEnabled(enabled_ && interval_ > 0 && form_->Loaded());
}

Form::Form(Forms& forms, std::string name) : forms_(forms), name_(std::move(name)) {
  caption_ = name_;
  forms_.Know(this);
}

Form::~Form() {
  forms_.Unregister(this);
  forms_.Forget(this);
}

void Form::SetCaption(const std::string& caption) {
  caption_ = caption;
  Touch();
}

void Form::SetStatusText(const std::string& text) {
  if (text == status_) return;
  status_ = text;
  Touch();
  if (FormHost* host = forms_.Host()) host->StatusChanged(*this);
}

void Form::SetStatusDetail(const std::string& text) {
  if (text == statusDetail_) return;
  statusDetail_ = text;
  Touch();
  if (FormHost* host = forms_.Host()) host->StatusChanged(*this);
}

void Form::SetState(WindowState state) {
  state_ = state;
  Touch();
}

void Form::SetBorder(bool border) {
  border_ = border;
  Touch();
}

void Form::Resize(int width, int height) {
  width_ = width;
  height_ = height;
  Touch();
}

void Form::SetScalesControls(bool scales) {
  scales_ = scales;
  Touch();
}

Control& Form::Add(ControlType type, const std::string& name, int index) {
  auto control = std::make_unique<Control>(this, type, name, index);
  Control& ref = *control;
  const std::string full = ref.FullName();
  if (byName_.count(full)) throw std::logic_error("Duplicate control " + full + " on " + name_);
  byName_[full] = &ref;
  controls_.push_back(std::move(control));
  Touch();
  return ref;
}

Control* Form::Find(const std::string& fullName) {
  auto it = byName_.find(fullName);
  return it == byName_.end() ? nullptr : it->second;
}

Control& Form::operator()(const std::string& name, int index) {
  Control* c = Find(index < 0 ? name : name + "(" + std::to_string(index) + ")");
  if (!c) throw std::logic_error("No control " + name + " on " + name_);
  return *c;
}

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  forms_.Register(this);
  Form_Load();
  for (auto& c : controls_)
    if (c->Type() == ControlType::Timer) c->SetEnabled(c->Enabled());
}

void Form::Show(bool modal) {
  Load();
  if (!loaded_) return;  // unloaded again while loading
  visible_ = true;
  modal_ = modal;
  Touch();
  Repaint();  // captions are translated before the window is drawn
  if (FormHost* host = forms_.Host()) {
    host->FormShown(*this);
    if (modal) host->RunModal(*this);
  }
}

void Form::Repaint() {
  Form_Paint();
  paintedRevision_ = revision_;
}

void Form::RepaintIfChanged() {
  if (loaded_ && visible_ && revision_ != paintedRevision_) Repaint();
}

void Form::Hide() {
  if (!visible_) return;
  visible_ = false;
  modal_ = false;
  Touch();
  if (FormHost* host = forms_.Host()) host->FormHidden(*this);
}

void Form::Unload() {
  if (!loaded_) return;
  Form_Unload();
  visible_ = false;
  modal_ = false;
  loaded_ = false;
  for (auto& c : controls_)
    if (c->Type() == ControlType::Timer) c->SetEnabled(false);
  forms_.Unregister(this);
  Touch();
  if (FormHost* host = forms_.Host()) host->FormUnloaded(*this);
}

void Form::Refresh() {
  if (FormHost* host = forms_.Host()) host->Refresh(*this);
}

void Forms::Register(Form* form) {
  if (std::find(loaded_.begin(), loaded_.end(), form) == loaded_.end()) loaded_.push_back(form);
}

void Forms::Unregister(Form* form) {
  loaded_.erase(std::remove(loaded_.begin(), loaded_.end(), form), loaded_.end());
}

void Forms::Know(Form* form) { known_.push_back(form); }

void Forms::Forget(Form* form) {
  known_.erase(std::remove(known_.begin(), known_.end(), form), known_.end());
}

Form* Forms::ByName(const std::string& name) const {
  for (Form* f : known_)
    if (f->Name() == name) return f;
  return nullptr;
}

void Form::PopupMenu(const std::string& menuFullName) {
  if (FormHost* host = forms_.Host()) host->PopupMenu(*this, menuFullName);
}

void Forms::SetBusy(bool busy) {
  busy_ = busy;
  if (host_) host_->SetBusyCursor(busy);
}

}  // namespace zarvane
