#pragma once
// The progress window model, shown by the readers and sorts that take long.

#include <string>

#include "foundation/core.h"
#include "foundation/forms.h"

namespace zarvane {

// The progress window: caption, label Label1 and bar ProgressBar1 (0 to 100).
class FrmProgress : public Form {
 public:
  FrmProgress(Forms& forms, Core& core);
  void SetProgress(const std::string& caption, const std::string& label, int value);
  void SetValue(int value);
  void Close();

 private:
  void Notify();
  Core& core_;
};

}  // namespace zarvane
