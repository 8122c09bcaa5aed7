#pragma once
// Report display and printing: the report window (frmShow) and the routines
// every report goes through. PrintShow decides from the settings whether a
// report is shown, printed, both or neither; ShowFile shows it in the report
// window or prints it; the main window's Reprint command prints any report
// file again.

#include <functional>
#include <string>

#include "foundation/core.h"
#include "foundation/forms.h"

namespace zarvane {

class Station;

// The report window: a rich-text box filling the window and the Print and
// Close buttons under it; the caption is the path of the file shown. The box
// keeps filling the window as it is resized; its font comes from TextShowFont
// and TextShowSize when the window loads.
class FrmShow : public Form {
 public:
  FrmShow(Forms& forms, Core& core);
  void Form_Load() override;
  void Form_Resize() override;
  void Form_Paint() override;

  Control& Box() { return (*this)("RichTextBox1"); }

  // The box's font until the settings name another.
  static constexpr const char* kDesignFont = "Courier New";
  static constexpr int kDesignSize = 10;
  static constexpr int kMargin = 120;
  static constexpr int kButtonWidth = 1320;
  static constexpr int kButtonHeight = 540;

 private:
  Core& core_;
};

// The report font: TextShowFont when not empty, TextShowSize when above 6 and
// below 18; otherwise what `font` says.
struct ShowFont {
  std::string name;
  int size = 0;
};
ShowFont ShowFontSetting(Core& c, ShowFont font);

class ReportDisplay {
 public:
  explicit ReportDisplay(Core& core);

  FrmShow form;

  // Whether zone n's "Print OFF" option is chosen in the options window; unset
  // means it is not. Asked only for zones 1 to 4.
  std::function<bool(int zone)> printOff;

  // Shows and/or prints a report as <type>_Mode says (`mode` when that setting
  // is empty), respecting the zone's Print OFF (not for "Results").
  void PrintShow(const std::string& type, const std::string& file, const std::string& mode, int zone);
  // "SHOW" shows the file in the report window (modal), "PRINT" prints it;
  // types the station does not show open with their associated program.
  void ShowFile(const std::string& file, const std::string& action);
  // Prints the box's document with margins in twips.
  void PrintRTF(Control& richTextBox, int left, int top, int right, int bottom);
  // Asks the platform to print the file the window's caption names.
  void PrintText(Form& window);

  // The main window's "Reprint a report" (menu and pop-up).
  void mnuReprint_Click();
  void cmdPrint_Click();
  void cmdClose_Click();

  // Margins of printing from the report window: a quarter inch.
  static constexpr int kMarginTwips = 360;

 private:
  // Prints the loaded report as PrintOldStyle says.
  void PrintLoaded();

  Core& c;
};

}  // namespace zarvane
