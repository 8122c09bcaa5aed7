#pragma once
// Headless automation: a scripted operator that answers prompts from a queue and
// writes every prompt to a transcript, and the runner that reads a script and
// drives the window models through their controls' handlers.

#include <deque>
#include <functional>
#include <ostream>
#include <map>
#include <string>
#include <vector>

#include "foundation/forms.h"
#include "foundation/operator.h"

namespace zarvane {

class Clock;

// Stops a scripted run. Deliberately not a std::exception, so the station's own
// error traps (which catch std::exception) let it through to the runner.
struct ScriptAbort {
  std::string message;
};

struct Reply {
  enum Kind { Yes, No, Ok, Cancel, Text } kind;
  std::string text;
};

class ScriptedOperator : public Operator {
 public:
  explicit ScriptedOperator(std::ostream& out) : out_(out) {}
  void Queue(const Reply& reply) { replies_.push_back(reply); }
  size_t Pending() const { return replies_.size(); }

  void Message(const std::string& text, const std::string& title) override;
  bool OkCancel(const std::string& text, const std::string& title) override;
  bool YesNo(const std::string& text, const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
  std::string OpenFile(const std::string& title, const std::string& filter, const std::string& initialDir,
                       const std::string& initialFile) override;
  std::string ChooseDirectory(const std::string& caption, const std::string& startDir) override;
  void Status(const std::string& text) override;
  void Progress(const std::string& caption, const std::string& label, int value, bool visible) override;
  void Note(const std::string& kind, const std::string& text) override;

  // One transcript line; line breaks inside texts are written as "\n".
  void Line(const std::string& text);

 private:
  Reply Take(const std::string& prompt);
  std::string TakeText(const std::string& prompt);

  std::ostream& out_;
  std::deque<Reply> replies_;
  std::string lastProgress_;
};

struct ScriptCommand {
  int line = 0;
  std::string verb;
  std::vector<std::string> words;  // the words after the verb
  std::string rest;                // everything after the verb, trimmed
};

// Parses a script: one command per line, "#" starts a comment. Throws ScriptAbort
// on a malformed line.
std::vector<ScriptCommand> ParseScript(const std::string& text);

class ScriptRunner : public FormHost {
 public:
  // "@HOME@" in a command stands for `home`, the station's home directory.
  ScriptRunner(Forms& forms, ScriptedOperator& op, Clock& clock, std::vector<ScriptCommand> commands,
               const std::string& home = "");

  // Queues the answers at the head of the script (the installer's answers for a
  // first start come before anything can be pressed).
  void QueueLeadingAnswers();
  // Runs the remaining commands until the script ends or `finished` says the
  // station has exited, then writes the closing line (steps taken, checks
  // passed).
  void Run(const std::function<bool()>& finished);
  bool AtEnd() const { return next_ >= commands_.size(); }

  // FormHost: nothing is drawn; a modal window runs the next script commands
  // until it closes.
  void FormShown(Form& form) override;
  void FormHidden(Form& form) override;
  void FormUnloaded(Form& form) override;
  void RunModal(Form& form) override;
  void Refresh(Form&) override {}
  void SetBusyCursor(bool) override {}
  // Writes the pop-up's enabled items to the transcript; the script then
  // presses the item it wants, as an operator would.
  void PopupMenu(Form& form, const std::string& menuFullName) override;
  // Writes the window's new status line to the transcript.
  void StatusChanged(Form& form) override;
  // Writes where the focus went to the transcript.
  void FocusControl(Form& form, Control& control, bool selectAll) override;

  // The control a script name refers to among the open windows.
  Control& Resolve(const std::string& name, int line);

 private:
  void Execute(const ScriptCommand& command);
  // Writes the command to the transcript as the next step (echo excepted).
  void Announce(const ScriptCommand& command);
  // Paints every open window whose model changed since it was last painted, as
  // the Qt windows do before they draw, so scripts read what an operator sees.
  void PaintChanged();
  void Expect(Control& control, const ScriptCommand& command);
  static Reply ParseReply(const ScriptCommand& command);
  // The key code of a key command's key word (enter, escape, space or a number).
  static int KeyCode(const ScriptCommand& command, size_t word);

  Forms& forms_;
  ScriptedOperator& op_;
  Clock& clock_;
  std::vector<ScriptCommand> commands_;
  size_t next_ = 0;
  int steps_ = 0;   // commands announced as steps
  int checks_ = 0;  // expect commands that held
  const Control* openPopup_ = nullptr;
  std::map<const Form*, std::pair<std::string, std::string>> statusShown_;  // text, detail
};

}  // namespace zarvane
