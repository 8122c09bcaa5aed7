#include "cycle/display.h"

#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {

ShowFont ShowFontSetting(Core& c, ShowFont font) {
  const std::string name = Trim(c.GetKeyVal(c.gIniFile, "TextShowFont"));
  if (!name.empty()) font.name = name;
  const double size = Val(c.GetKeyVal(c.gIniFile, "TextShowSize"));
  if (size > 6 && size < 18) font.size = static_cast<int>(size);
  return font;
}

FrmShow::FrmShow(Forms& forms, Core& core) : Form(forms, "frmShow"), core_(core) {
  Add(ControlType::RichTextBox, "RichTextBox1").SetFont(kDesignFont, kDesignSize);
  Add(ControlType::CommandButton, "cmdPrint").SetCaption("Print");
  Add(ControlType::CommandButton, "cmdClose").SetCaption("Close");
  Resize(11400, 8400);
  Form_Resize();
}

void FrmShow::Form_Load() {
  core_.WriteLog("frmShow: Form_Load: Start", 7);
  const ShowFont font = ShowFontSetting(core_, ShowFont{kDesignFont, kDesignSize});
  Box().SetFont(font.name, font.size);
  core_.WriteLog("frmShow: Form_Load: End", 7);
}

void FrmShow::Form_Resize() {
  const int buttonTop = Height() - kMargin - kButtonHeight;
  Box().Move(kMargin, kMargin, Width() - 2 * kMargin, buttonTop - 2 * kMargin);
  (*this)("cmdClose").Move(Width() - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
  (*this)("cmdPrint").Move(Width() - 2 * (kMargin + kButtonWidth), buttonTop, kButtonWidth, kButtonHeight);
}

void FrmShow::Form_Paint() { core_.TranslateCaptions(*this, "frmShow: Repaint: "); }

// ---------------------------------------------------------------------------

ReportDisplay::ReportDisplay(Core& core) : form(core.forms, core), c(core) {
  form("cmdPrint").onClick = [this] { cmdPrint_Click(); };
  form("cmdClose").onClick = [this] { cmdClose_Click(); };
}

void ReportDisplay::PrintShow(const std::string& type, const std::string& file, const std::string& mode, int zone) {
  c.WriteLog("PrintShow: Start: File is: " + file + " type is: " + type + " Zone is: " + std::to_string(zone), 7);
  if (zone > kZones) {
    c.WriteLog("An error occurred with the zone specification, the report will not be printed. Report: " + file, 0,
               true);
    return;
  }
  if (!c.FileExists(file, true)) {
    c.WriteLog(c.Translate("Error:") + " " + type + " " +
                   c.Translate("file was not generated.  Please contact System Administrator") + ".",
               0, true);
    return;
  }
  std::string setting = c.GetKeyVal(c.gIniFile, type + "_Mode");
  if (setting.empty() && !mode.empty()) setting = mode;
  if (setting == "NONE") return;
  const std::string action = UCase(setting);
  if (action == "SHOW" || action == "BOTH") {
    ShowFile(file, "SHOW");
    c.WriteLog("Showed " + file + ".", 5);
  }
  if (action == "PRINT" || action == "BOTH") {
    if (UCase(type) == "RESULTS") ShowFile(file, "PRINT");
    else if (!(zone >= 1 && printOff && printOff(zone))) ShowFile(file, "PRINT");
  }
}

void ReportDisplay::ShowFile(const std::string& fileName, const std::string& action) {
  c.WriteLog("ShowFile: Start", 9);
  const std::string file = Trim(fileName);
  // Only one report is shown at a time: the next waits until it is closed.
  while (form.Loaded() && form.Visible() && c.platform.clock) c.platform.clock->Wait(100);
  if (file.empty()) return;
  const std::string type = UCase(Extension(FileNameFromPath(file)));
  c.WriteLog("ShowFile: File is: " + file + " and FType is: " + type, 9);
  form.Load();
  form.SetCaption(file);
  Control& box = form.Box();
  if (type == "RTF" || type == "TXT" || type == "CMM" || type == "RESULTS" || type == "CMB") {
    const bool rich = type == "RTF";
    if (!rich) c.WriteLog("ShowFile: Loading text.", 9);
    const std::optional<std::string> text = ReadAll(ResolveCase(file));
    if (!text) {
      // Nothing is shown or printed from a file that cannot be read.
      c.WriteLog("ShowFile: Error occurred: " + file + " could not be read.", 0);
      box.SetText("");
      return;
    }
    box.SetRichText(rich);
    box.SetText(*text);
    if (!rich) c.WriteLog("ShowFile: Loaded text.", 9);
  } else {
    c.WriteLog("ShowFile: Attempting show in native software", 0);
    c.ShellOpen("Open", file, "", "", 1);
    return;
  }
  const std::string what = UCase(Trim(action));
  if (what == "PRINT") {
    c.WriteLog("ShowFile: Printing " + file, 9);
    PrintLoaded();
  } else if (what == "SHOW") {
    c.WriteLog("ShowFile: Showing " + file, 9);
    form.Show(true);
  } else {
    c.WriteLog("Action not understood, showing file by default.", 0);
    form.Show(true);
  }
}

void ReportDisplay::PrintLoaded() {
  if (c.GetKeyVal(c.gIniFile, "PrintOldStyle") == "1") PrintText(form);
  else PrintRTF(form.Box(), kMarginTwips, kMarginTwips, kMarginTwips, kMarginTwips);
}

void ReportDisplay::PrintRTF(Control& richTextBox, int left, int top, int right, int bottom) {
  Printer* printer = c.platform.printer;
  if (!printer || !printer->Installed()) {
    c.WriteLog(c.Translate("A printer has not been installed on this system, print cancelled."), 0, true);
    return;
  }
  c.WriteLog("PrintRTF: Printing space", 9);
  const ShowFont font = ShowFontSetting(c, ShowFont{richTextBox.FontName(), richTextBox.FontSize()});
  PrintJob job;
  job.title = FileNameFromPath(richTextBox.Parent().Caption());
  job.text = richTextBox.Text();
  job.rich = richTextBox.RichText();
  job.fontName = font.name;
  job.fontSize = font.size;
  job.left = left;
  job.top = top;
  job.right = right;
  job.bottom = bottom;
  if (!printer->Print(job)) {
    c.WriteLog("PrintRTF: Error occurred: Unknown error", 0);
    c.WriteLog("An error occurred while trying to print.  Please contact System Administrator.", 0, true);
  }
}

void ReportDisplay::PrintText(Form& window) {
  if (!c.platform.printer || !c.platform.printer->Installed()) return;
  c.ShellOpen("Print", window.Caption(), "", "", 1);
  c.WriteLog("PrintText: Printed " + window.Caption() + ".", 5);
}

void ReportDisplay::cmdPrint_Click() {
  c.WriteLog("frmShow: cmdPrint was clicked.", 0);
  PrintLoaded();
}

void ReportDisplay::cmdClose_Click() {
  c.WriteLog("frmShow: cmdClose was clicked.", 0);
  form.Unload();
}

void ReportDisplay::mnuReprint_Click() {
  std::string start = Trim(c.PeekIniVal("directories", "networkblades").value_or(""));
  if (start.empty()) start = c.gBladesDir;
  const std::string filter = c.Translate("Text Reports") + " (*.cmm;*.cmb;*.txt;*.rtf)|*.cmm;*.cmb;*.txt;*.rtf|" +
                             c.Translate("All Files") + " (*.*)|*.*";
  const std::string file = c.op.OpenFile("Select Text File to Print", filter, start, "");
  if (Trim(file).empty()) return;
  ShowFile(file, "PRINT");
}

}  // namespace zarvane
