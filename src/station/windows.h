#pragma once
// Window models of the station's spine: the main window, the splash/about
// window and the progress window.

#include <functional>
#include <string>

#include "foundation/core.h"
#include "foundation/forms.h"

namespace zarvane {


// The main window: four zone panels (one on the single-zone screen), the
// Measure and Exit buttons, the logo and probe pictures, the menus and the two
// connection timers.
class FrmMain : public Form {
 public:
  FrmMain(Forms& forms, Core& core);

  // Arranges zone 1's controls in one column for the single-zone screen.
  void ArrangeSingleZone();
  void ArrangeMultiZone();

  void Form_Paint() override;
  void Form_Resize() override;
  std::function<void()> onResize;

  static const char* LanguageMenu(int language);  // "mnuEnglish" ... "mnuSpanish"

 private:
  Core& core_;
};

// The splash window, also shown again as the about box.
class FrmSplash : public Form {
 public:
  FrmSplash(Forms& forms, Core& core);

  // Loads the logo picture and fits it into the space left for it.
  void LoadLogo(const std::string& path);
  // Shows the buttons of the about box (OK, Help, System Information).
  void ShowButtons(bool visible);
  void Form_Unload() override;

  static constexpr int kLogoMargin = 240;

 private:
  Core& core_;
};

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
