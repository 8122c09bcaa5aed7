#pragma once
// The operator as a person at the screen: Qt message boxes, input boxes and
// file dialogs. The splash and progress windows are ordinary forms the host
// draws; status and progress changes only let Qt repaint them.

#include <QString>
#include <string>

#include "foundation/operator.h"

namespace zarvane {

class QtFormHost;

class QtOperator : public Operator {
 public:
  // With a host, status and progress changes bring its windows up to date first.
  explicit QtOperator(QtFormHost* host = nullptr) : host_(host) {}

  void Message(const std::string& text, const std::string& title) override;
  bool OkCancel(const std::string& text, const std::string& title) override;
  bool YesNo(const std::string& text, const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override;
  std::string OpenFile(const std::string& title, const std::string& filter,
                       const std::string& initialDir, const std::string& initialFile) override;
  std::string ChooseDirectory(const std::string& caption, const std::string& startDir) override;
  void Status(const std::string& text) override;
  void Progress(const std::string& caption, const std::string& label, int value,
                bool visible) override;
  void Note(const std::string& kind, const std::string& text) override;

 private:
  void Repaint();

  QtFormHost* host_;
};

// A station file filter ("Desc (*.a;*.b)|*.a;*.b|All Files (*.*)|*.*":
// description|patterns pairs, patterns separated by ";") as a Qt file dialog
// filter ("Desc (*.a *.b);;All Files (*)"). "*.*" becomes "*" so files without
// an extension match too.
QString QtFileFilter(const std::string& filter);

}  // namespace zarvane
