#pragma once
// The one way the station talks to the operator: message boxes, questions,
// input boxes, file and directory dialogs, the progress window and the splash
// status line. The Qt implementation shows dialogs; the scripted operator takes
// its answers from a queue and writes every prompt to a transcript.

#include <string>

namespace zarvane {

class Operator {
 public:
  virtual ~Operator() = default;
  // A message box with one OK button.
  virtual void Message(const std::string& text, const std::string& title) = 0;
  // OK/Cancel box: true for OK.
  virtual bool OkCancel(const std::string& text, const std::string& title) = 0;
  // Yes/No question: true for Yes.
  virtual bool YesNo(const std::string& text, const std::string& title) = 0;
  // Input box: the text entered, empty when cancelled.
  virtual std::string InputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultText) = 0;
  // Open-file dialog; `filter` is description|pattern pairs. Empty when cancelled.
  virtual std::string OpenFile(const std::string& title, const std::string& filter,
                               const std::string& initialDir, const std::string& initialFile) = 0;
  // Directory chooser; empty when cancelled.
  virtual std::string ChooseDirectory(const std::string& caption, const std::string& startDir) = 0;
  // The splash window's status line changed.
  virtual void Status(const std::string& text) = 0;
  // The progress window changed (caption, label, bar value 0-100, shown or not).
  virtual void Progress(const std::string& caption, const std::string& label, int value,
                        bool visible) = 0;
  // Something left the station on the operator's behalf (a document opened, a
  // print job, a user log-off). Headless runs record these in the transcript.
  virtual void Note(const std::string& kind, const std::string& text) = 0;
};

}  // namespace zarvane
