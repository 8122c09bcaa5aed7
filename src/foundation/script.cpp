#include "foundation/script.h"

#include <csignal>
#include <cstdio>

#include <sstream>

#include "foundation/text.h"
#include "platform/platform.h"

namespace zarvane {
namespace {

std::string OneLine(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += "\\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += "\\n";
    } else {
      out += text[i];
    }
  }
  return Cp1252ToUtf8(out);
}

std::string Describe(const Reply& r) {
  switch (r.kind) {
    case Reply::Yes: return "yes";
    case Reply::No: return "no";
    case Reply::Ok: return "ok";
    case Reply::Cancel: return "cancel";
    case Reply::Text: return "text " + r.text;
  }
  return "?";
}

// Why an operator could not reach the control; empty when it can: a control can
// be acted on when its window is open and it and every frame or menu it sits in
// are visible and enabled. `openPopup` is the pop-up menu on the screen, whose
// items are reachable though the menu itself never shows in the menu bar.
std::string Unusable(Control& control, const Control* openPopup) {
  Form& form = control.Parent();
  if (!form.Loaded() || !form.Visible()) return "its window " + form.Name() + " is not open";
  for (Control* c = &control; c;) {
    if (!c->Visible() && c != openPopup) return c == &control ? "it is not visible" : "it sits in " + c->FullName() + ", which is hidden";
    if (!c->Enabled()) return c == &control ? "it is disabled" : "it sits in " + c->FullName() + ", which is disabled";
    const std::string& up = c->Type() == ControlType::Menu ? c->MenuParent() : c->Container();
    c = up.empty() ? nullptr : form.Find(up);
  }
  return {};
}

}  // namespace

void ScriptedOperator::Line(const std::string& text) { out_ << OneLine(text) << std::endl; }

Reply ScriptedOperator::Take(const std::string& prompt) {
  if (replies_.empty()) throw ScriptAbort{"no answer queued for " + OneLine(prompt)};
  Reply r = replies_.front();
  replies_.pop_front();
  return r;
}

std::string ScriptedOperator::TakeText(const std::string& prompt) {
  const Reply r = Take(prompt);
  if (r.kind == Reply::Cancel) return {};
  if (r.kind != Reply::Text) throw ScriptAbort{"the answer '" + Describe(r) + "' does not fit " + OneLine(prompt)};
  return r.text;
}

void ScriptedOperator::Message(const std::string& text, const std::string&) { Line("MESSAGE: " + text); }

bool ScriptedOperator::OkCancel(const std::string& text, const std::string& title) {
  const std::string prompt = "OKCANCEL: " + title + " | " + text;
  const Reply r = Take(prompt);
  if (r.kind != Reply::Ok && r.kind != Reply::Cancel)
    throw ScriptAbort{"the answer '" + Describe(r) + "' does not fit " + OneLine(prompt)};
  Line(prompt + " -> " + Describe(r));
  return r.kind == Reply::Ok;
}

bool ScriptedOperator::YesNo(const std::string& text, const std::string& title) {
  const std::string prompt = "QUESTION: " + title + " | " + text;
  const Reply r = Take(prompt);
  if (r.kind != Reply::Yes && r.kind != Reply::No)
    throw ScriptAbort{"the answer '" + Describe(r) + "' does not fit " + OneLine(prompt)};
  Line(prompt + " -> " + Describe(r));
  return r.kind == Reply::Yes;
}

std::string ScriptedOperator::InputBox(const std::string& prompt, const std::string& title,
                                       const std::string& defaultText) {
  const std::string line = "INPUT: " + title + " | " + prompt + " [" + defaultText + "]";
  const std::string answer = TakeText(line);
  Line(line + " -> " + answer);
  return answer;
}

std::string ScriptedOperator::OpenFile(const std::string& title, const std::string& filter,
                                       const std::string& initialDir, const std::string& initialFile) {
  const std::string line =
      "OPENFILE: " + title + " | " + filter + " | " + (initialFile.empty() ? initialDir : initialFile);
  const std::string answer = TakeText(line);
  Line(line + " -> " + answer);
  return answer;
}

std::string ScriptedOperator::ChooseDirectory(const std::string& caption, const std::string& startDir) {
  const std::string line = "DIRECTORY: " + caption + " | " + startDir;
  const std::string answer = TakeText(line);
  Line(line + " -> " + answer);
  return answer;
}

void ScriptedOperator::Status(const std::string& text) { Line("STATUS: " + text); }

void ScriptedOperator::Progress(const std::string& caption, const std::string& label, int, bool visible) {
  // The bar's value moves too often to be worth a line; captions and labels are.
  const std::string line = visible ? "PROGRESS: " + caption + " | " + label : "PROGRESS: closed";
  if (line == lastProgress_) return;
  lastProgress_ = line;
  Line(line);
}

void ScriptedOperator::Note(const std::string& kind, const std::string& text) { Line(kind + ": " + text); }

std::vector<ScriptCommand> ParseScript(const std::string& text) {
  std::vector<ScriptCommand> commands;
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string line = TrimWhite(Utf8ToCp1252(raw));
    if (line.empty() || line[0] == '#') continue;
    ScriptCommand c;
    c.line = number;
    const size_t space = line.find_first_of(" \t");
    c.verb = LCase(line.substr(0, space));
    c.rest = space == std::string::npos ? "" : TrimWhite(line.substr(space + 1));
    std::istringstream words(c.rest);
    for (std::string w; words >> w;) c.words.push_back(w);
    static const char* verbs[] = {"answer", "press",      "select", "deselect", "set",   "leave",
                                  "check",  "wait",       "key",    "rightclick", "echo", "expect", "crash"};
    bool known = false;
    for (const char* v : verbs) known = known || c.verb == v;
    if (!known) throw ScriptAbort{"line " + std::to_string(number) + ": unknown command '" + c.verb + "'"};
    commands.push_back(std::move(c));
  }
  return commands;
}

ScriptRunner::ScriptRunner(Forms& forms, ScriptedOperator& op, Clock& clock, std::vector<ScriptCommand> commands,
                           const std::string& home)
    : forms_(forms), op_(op), clock_(clock), commands_(std::move(commands)) {
  if (home.empty()) return;
  for (auto& c : commands_) {
    c.rest = ReplaceAll(c.rest, "@HOME@", home);
    for (auto& w : c.words) w = ReplaceAll(w, "@HOME@", home);
  }
}

int ScriptRunner::KeyCode(const ScriptCommand& c, size_t word) {
  const std::string key = word < c.words.size() ? LCase(c.words[word]) : "";
  if (key == "enter") return 13;
  if (key == "escape") return 27;
  if (key == "space") return 32;
  if (!IsNumeric(key))
    throw ScriptAbort{"line " + std::to_string(c.line) + ": key needs enter, escape, space or a key code"};
  return ValInt(key);
}

Reply ScriptRunner::ParseReply(const ScriptCommand& c) {
  const std::string kind = c.words.empty() ? "" : LCase(c.words[0]);
  if (kind == "yes") return {Reply::Yes, ""};
  if (kind == "no") return {Reply::No, ""};
  if (kind == "ok") return {Reply::Ok, ""};
  if (kind == "cancel") return {Reply::Cancel, ""};
  if (kind == "text") {
    const std::string after = c.rest.size() > 4 ? TrimWhite(c.rest.substr(4)) : "";
    return {Reply::Text, after};
  }
  throw ScriptAbort{"line " + std::to_string(c.line) + ": answer must be yes, no, ok, cancel or text"};
}

void ScriptRunner::QueueLeadingAnswers() {
  while (next_ < commands_.size() && commands_[next_].verb == "answer") {
    Announce(commands_[next_]);
    op_.Queue(ParseReply(commands_[next_++]));
  }
}

void ScriptRunner::Announce(const ScriptCommand& c) {
  // An echo is its own line in the story; every other command is a step.
  if (c.verb == "echo") return;
  op_.Line("STEP " + std::to_string(++steps_) + ": " + c.verb + (c.rest.empty() ? "" : " " + c.rest));
}

namespace {
std::string Counted(int n, const std::string& what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }
}  // namespace

Control& ScriptRunner::Resolve(const std::string& name, int line) {
  const std::string where = "line " + std::to_string(line) + ": ";
  const size_t dot = name.find('.');
  if (dot != std::string::npos) {
    Form* form = forms_.ByName(name.substr(0, dot));
    Control* c = form && form->Loaded() ? form->Find(name.substr(dot + 1)) : nullptr;
    if (!c) throw ScriptAbort{where + "no control " + name + " in the open windows"};
    return *c;
  }
  std::vector<Control*> found;
  for (Form* form : forms_.Loaded())
    if (Control* c = form->Find(name); c && form->Visible()) found.push_back(c);
  if (found.empty()) {
    for (Form* form : forms_.Loaded())
      if (Control* c = form->Find(name)) found.push_back(c);
  }
  if (found.empty()) throw ScriptAbort{where + "no control " + name + " in the open windows"};
  if (found.size() > 1) {
    std::string windows;
    for (Control* c : found) windows += " " + c->Parent().Name();
    throw ScriptAbort{where + name + " is in several open windows (" + TrimWhite(windows) +
                      "); qualify it as window.control"};
  }
  return *found.front();
}

void ScriptRunner::Execute(const ScriptCommand& c) {
  const std::string where = "line " + std::to_string(c.line) + ": ";
  Announce(c);
  if (c.verb == "answer") {
    op_.Queue(ParseReply(c));
    return;
  }
  if (c.verb == "echo") {
    op_.Line("ECHO: " + c.rest);
    return;
  }
  if (c.verb == "crash") {
    // As a power loss or a kill: nothing is saved or cleaned up on the way out.
    std::fflush(nullptr);
    std::raise(SIGKILL);
  }
  if (c.verb == "wait") {
    if (c.words.size() != 1 || !IsNumeric(c.words[0])) throw ScriptAbort{where + "wait needs milliseconds"};
    clock_.Wait(ValInt(c.words[0]));
    return;
  }
  if (c.words.empty()) throw ScriptAbort{where + c.verb + " needs a control name"};
  if (c.verb == "rightclick" || c.verb == "key") {
    // The window itself, outside its controls.
    if (Form* form = forms_.ByName(c.words[0]); form && form->Loaded()) {
      if (!form->Visible()) throw ScriptAbort{where + "cannot " + c.verb + " " + c.words[0] + ": it is not open"};
      if (c.verb == "rightclick" && form->onMouseUp) form->onMouseUp(2);
      if (c.verb == "key" && form->onKeyDown) form->onKeyDown(KeyCode(c, 1));
      return;
    }
  }
  Control& control = Resolve(c.words[0], c.line);
  if (c.verb == "expect") {
    Expect(control, c);
    return;
  }
  const Control* popup = openPopup_;
  openPopup_ = nullptr;  // a pop-up closes with the next action
  if (const std::string why = Unusable(control, popup); !why.empty())
    throw ScriptAbort{where + "cannot " + c.verb + " " + c.words[0] + ": " + why};
  const std::string value = c.rest.size() > c.words[0].size() ? TrimWhite(c.rest.substr(c.words[0].size())) : "";
  if (c.verb == "press") {
    if (control.Type() == ControlType::OptionButton) control.SetValue(1);
    control.Click();
  } else if (c.verb == "select") {
    int position = -1;
    for (int i = 0; i < control.ListCount(); ++i)
      if (control.Items()[i] == value) position = i;
    if (position < 0) throw ScriptAbort{where + c.words[0] + " has no item '" + value + "'"};
    control.SetListIndex(position);
    if (control.Type() == ControlType::ListBox) control.SetSelected(position, true);
    control.Click();
  } else if (c.verb == "deselect") {
    // Multiple-choice lists: the operator clicks a chosen item off again.
    int position = -1;
    for (int i = 0; i < control.ListCount(); ++i)
      if (control.Items()[i] == value) position = i;
    if (control.Type() != ControlType::ListBox) throw ScriptAbort{where + "deselect needs a list box"};
    if (position < 0) throw ScriptAbort{where + c.words[0] + " has no item '" + value + "'"};
    control.SetSelected(position, false);
    control.Click();
  } else if (c.verb == "leave") {
    if (control.onLostFocus) control.onLostFocus();
  } else if (c.verb == "set") {
    control.SetText(value);
    if (control.onChange) control.onChange();
  } else if (c.verb == "check") {
    if (value != "0" && value != "1") throw ScriptAbort{where + "check needs 0 or 1"};
    control.SetValue(value == "1" ? 1 : 0);
    control.Click();
  } else if (c.verb == "key") {
    // The window's key preview takes the key before the control.
    const int code = KeyCode(c, 1);
    if (Form& form = control.Parent(); form.onKeyDown) form.onKeyDown(code);
    else if (control.onKeyDown) control.onKeyDown(code);
  } else if (c.verb == "rightclick") {
    if (control.onMouseUp) control.onMouseUp(2);
  }
}

void ScriptRunner::Expect(Control& control, const ScriptCommand& c) {
  const std::string where = "line " + std::to_string(c.line) + ": ";
  PaintChanged();
  if (c.words.size() < 2) throw ScriptAbort{where + "expect needs a control, a property and a value"};
  const std::string property = LCase(c.words[1]);
  const size_t start = c.rest.find(c.words[1], c.words[0].size()) + c.words[1].size();
  const std::string wanted = start < c.rest.size() ? TrimWhite(c.rest.substr(start)) : "";
  std::string actual;
  if (property == "caption") actual = control.Caption();
  else if (property == "text") actual = control.Text();
  else if (property == "tag") actual = control.Tag();
  else if (property == "tooltip") actual = control.ToolTip();
  else if (property == "value") actual = std::to_string(control.Value());
  else if (property == "visible") actual = control.Visible() ? "1" : "0";
  else if (property == "enabled") actual = control.Enabled() ? "1" : "0";
  else if (property == "items") actual = Join(control.Items(), "|");
  else if (property == "selected") {
    std::vector<std::string> chosen;
    for (int i = 0; i < control.ListCount(); ++i)
      if (control.Selected(i)) chosen.push_back(control.Items()[i]);
    actual = Join(chosen, "|");
  }
  else if (property == "picture") actual = control.Picture();
  else throw ScriptAbort{where + "expect knows caption, text, tag, tooltip, value, visible, enabled, items, selected, picture"};
  if (actual != wanted)
    throw ScriptAbort{where + "expected " + c.words[0] + " " + property + " '" + wanted + "' but it is '" + actual + "'"};
  ++checks_;
}

void ScriptRunner::PaintChanged() {
  for (Form* form : forms_.Loaded()) form->RepaintIfChanged();
}

void ScriptRunner::Run(const std::function<bool()>& finished) {
  PaintChanged();
  while (next_ < commands_.size() && !finished()) {
    Execute(commands_[next_++]);
    clock_.ProcessEvents();
    PaintChanged();
  }
  op_.Line("DONE: " + Counted(steps_, "step") + ", " + Counted(checks_, "check") + " passed.");
}

void ScriptRunner::PopupMenu(Form& form, const std::string& menuFullName) {
  PaintChanged();
  std::string items;
  for (const auto& control : form.Controls())
    if (control->Type() == ControlType::Menu && control->MenuParent() == menuFullName && control->Enabled() &&
        control->Caption() != "-")
      items += (items.empty() ? "" : " | ") + control->FullName() + " \"" + control->Caption() + "\"";
  op_.Line("POPUP: " + menuFullName + ": " + items);
  openPopup_ = form.Find(menuFullName);
}

void ScriptRunner::StatusChanged(Form& form) {
  auto& [text, detail] = statusShown_[&form];
  if (form.StatusText() != text || form.StatusDetail() == detail) op_.Line("STATUSBAR: " + form.StatusText());
  if (form.StatusDetail() != detail) op_.Line("STATUSDETAIL: " + form.StatusDetail());
  text = form.StatusText();
  detail = form.StatusDetail();
}

void ScriptRunner::FocusControl(Form& form, Control& control, bool selectAll) {
  op_.Line("FOCUS: " + form.Name() + "." + control.FullName() + (selectAll ? " (text selected)" : ""));
}

void ScriptRunner::FormShown(Form& form) { op_.Line("WINDOW: " + form.Name() + " shown"); }

void ScriptRunner::FormHidden(Form& form) { op_.Line("WINDOW: " + form.Name() + " hidden"); }

void ScriptRunner::FormUnloaded(Form& form) { op_.Line("WINDOW: " + form.Name() + " closed"); }

void ScriptRunner::RunModal(Form& form) {
  while (form.Loaded() && form.Visible()) {
    if (next_ >= commands_.size())
      throw ScriptAbort{"the script ended while the window " + form.Name() + " was waiting for the operator"};
    Execute(commands_[next_++]);
    clock_.ProcessEvents();
    PaintChanged();
  }
}

}  // namespace zarvane
