#pragma once
// Window models of the station's spine: the main window and the splash/about
// window (the progress window is a foundation model, foundation/progress.h).

#include <functional>
#include <string>

#include "foundation/core.h"
#include "foundation/forms.h"
#include "foundation/progress.h"

namespace zarvane {


// The main window: four zone panels (one on the single-zone screen), the
// Measure and Exit buttons, the logo and probe pictures, the menus and the two
// connection timers.
class FrmMain : public Form {
 public:
  FrmMain(Forms& forms, Core& core);

  // Arranges zone 1's controls in one column for the single-zone screen.
  void ArrangeSingleZone();
  // Lays out the single-zone screen again for the rows now shown (the key and
  // statistics rows may have been hidden) and the logo loaded.
  void LayoutSingleZone();
  void ArrangeMultiZone();

  // The probe picture, built into the program.
  static constexpr const char* kProbePicture = ":/zarvane/probe.png";

  void Form_Paint() override;
  void Form_Resize() override;
  std::function<void()> onResize;

  static const char* LanguageMenu(int language);  // "mnuEnglish" ... "mnuSpanish"

 private:
  // Places a zone's label and box rows in its frame (zone 1's key and
  // statistics rows too on the single-zone screen); returns the frame height.
  int PlaceRows(int zone, int frameWidth, bool singleZone);

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


}  // namespace zarvane
