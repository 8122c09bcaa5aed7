#include "station/windows.h"

#include <algorithm>

#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

constexpr int kPixel = 15;  // twips per pixel

// Layout in twips, for touch use: boxes and buttons at least 32 pixels high
// at 100%, room for the frame titles, margins inside the frames. The Qt layer
// scales the whole design up when a language or the text size needs more room.
constexpr int kMargin = 120;
constexpr int kZoneWidth = 2880, kZoneGap = 120;
constexpr int kFieldLeft = 180;        // inside a zone frame
constexpr int kFirstRow = 420;         // below the frame's title
constexpr int kLabelHeight = 300, kBoxTop = 330, kBoxHeight = 480, kRowHeight = 960;
constexpr int kFrameBottom = 150;      // margin below the last box
constexpr int kButtonWidth = 1800, kButtonHeight = 660;
// The probe caption beside its picture: two lines, centred on the picture's height.
constexpr int kProbeSize = 900, kProbeLabelWidth = 2700, kProbeLabelHeight = 600;
constexpr int kProbeLabelTop = (kProbeSize - kProbeLabelHeight) / 2;

// The label and box of each row of a zone panel, and the rows zone 1 adds on
// the single-zone screen.
struct FieldRow {
  const char* label;
  const char* box;
};
constexpr FieldRow kZoneRows[] = {{"lblPart", "comboBlade"}, {"lblFixture", "cmbFixture"}, {"lblOperation", "cmbOp"}};
constexpr FieldRow kZoneOneRows[] = {{"lblRoute", "cmbRoute"}, {"lblSTAT1", "cmbSTAT1"}, {"lblSTAT2", "cmbSTAT2"}};

struct MenuItem {
  const char* name;
  const char* caption;
  const char* parent;
};

// The menu tree of the main window. Top-level menus have no parent; the two
// pop-up menus are top-level menus kept invisible and shown at the cursor.
constexpr MenuItem kMenus[] = {
    {"mnuFile", "&File", ""},
    {"mnuExit", "E&xit", "mnuFile"},
    {"mnuProgramming", "&Programming", ""},
    {"mnuRunQVXProg", "Run Quorvex Program...", "mnuProgramming"},
    {"mnuProbeCal", "Run Probe Calibration", "mnuProgramming"},
    {"mnuSep1", "-", "mnuProgramming"},
    {"mnuMakePart", "Make New Part", "mnuProgramming"},
    {"mnuConvertPTS", "Convert Text File", "mnuProgramming"},
    {"mnuSep2", "-", "mnuProgramming"},
    {"mnuReset", "Reset Directory Settings", "mnuProgramming"},
    {"mnuCheckNet", "Check Network", "mnuProgramming"},
    {"mnuAssoc", "Reassociate Data Files", "mnuProgramming"},
    {"mnuZones", "&Zones", ""},
    {"mnuCopyZones", "Copy settings to all zones", "mnuZones"},
    {"mnuReports", "&Reports", ""},
    {"mnuReanalyze", "Reanalyze a Blade", "mnuReports"},
    {"mnuBladeStart", "Blade", "mnuReports"},
    {"mnuReprint", "Reprint a report", "mnuReports"},
    {"mnuQueue", "Waiting for Analysis...", "mnuReports"},
    {"mnuLanguages", "&Languages", ""},
    {"mnuEnglish", "English", "mnuLanguages"},
    {"mnuFrench", "French", "mnuLanguages"},
    {"mnuItalian", "Italian", "mnuLanguages"},
    {"mnuGerman", "German", "mnuLanguages"},
    {"mnuSpanish", "Spanish", "mnuLanguages"},
    {"mnuSettings", "&Settings", ""},
    {"mnuHelpMenu", "&Help", ""},
    {"mnuProgHelp", "Program Help", "mnuHelpMenu"},
    {"mnuHelp", "Help", "mnuHelpMenu"},
    {"mnuAbout", "About...", "mnuHelpMenu"},
    {"mnuZonePopup", "Zone", ""},
    {"mnuPopCopyZones", "Copy settings to all zones", "mnuZonePopup"},
    {"mnuReportPopup", "Reports", ""},
    {"mnuPopReanalyze", "Reanalyze a Blade", "mnuReportPopup"},
    {"mnuPopBladeStart", "Blade", "mnuReportPopup"},
    {"mnuPopConvertPTS", "Convert Text File", "mnuReportPopup"},
    {"mnuPopReports", "Reports", "mnuReportPopup"},
    {"mnuPopReprint", "Reprint a report", "mnuReportPopup"},
    {"mnuPopAssoc", "Reassociate Data Files", "mnuReportPopup"},
};

}  // namespace

FrmMain::FrmMain(Forms& forms, Core& core) : Form(forms, "frmMain"), core_(core) {
  SetCaption(core.AppTitle);
  for (const auto& m : kMenus) {
    Control& c = Add(ControlType::Menu, m.name);
    c.SetCaption(m.caption);
    c.SetMenuParent(m.parent);
  }
  (*this)("mnuSettings").SetVisible(false);
  for (const char* popup : {"mnuZonePopup", "mnuReportPopup"}) (*this)(popup).SetVisible(false);

  Control& logo = Add(ControlType::PictureBox, "picLogo");
  logo.SetStretch(true);
  Control& probe = Add(ControlType::PictureBox, "picProbe");
  probe.SetPicture(kProbePicture);
  probe.SetStretch(true);
  probe.SetToolTip("Single click to perform probe qualification");
  Control& probeLabel = Add(ControlType::Label, "lblProbe");
  probeLabel.SetCaption("Click Probe to Qualify");
  probeLabel.SetAlignment(1);  // towards the picture it names

  for (int z = 1; z <= kZones; ++z) {
    Control& frame = Add(ControlType::Frame, "framZone", z);
    frame.SetCaption("Zone " + std::to_string(z));
    const std::string fn = frame.FullName();
    auto field = [&](ControlType type, const char* name, const char* caption) {
      Control& c = Add(type, name, z);
      c.SetContainer(fn);
      if (caption) c.SetCaption(caption);
      return &c;
    };
    field(ControlType::Label, "lblPart", "Part #");
    field(ControlType::ComboBox, "comboBlade", nullptr);
    field(ControlType::Label, "lblFixture", "Fixture");
    field(ControlType::ComboBox, "cmbFixture", nullptr);
    field(ControlType::Label, "lblOperation", "Operation");
    field(ControlType::ComboBox, "cmbOp", nullptr);
  }
  // Zone 1's key label and statistics boxes, used on the single-zone screen.
  const std::string zone1 = (*this)("framZone", 1).FullName();
  for (auto [label, box, caption] : {std::tuple{"lblRoute", "cmbRoute", "Router #"},
                                     std::tuple{"lblSTAT1", "cmbSTAT1", "STAT1"},
                                     std::tuple{"lblSTAT2", "cmbSTAT2", "STAT2"}}) {
    Control& l = Add(ControlType::Label, label);
    l.SetCaption(caption);
    l.SetContainer(zone1);
    l.SetVisible(false);
    Control& b = Add(ControlType::ComboBox, box);
    b.SetContainer(zone1);
    b.SetVisible(false);
  }
  Control& go = Add(ControlType::CommandButton, "cmdGo");
  go.SetCaption("Measure");
  go.SetToolTip("Start the measurement of the zones");
  SetStatusLine(true);
  Control& exitButton = Add(ControlType::CommandButton, "cmdExit");
  exitButton.SetCaption("Exit");

  Control& check = Add(ControlType::Timer, "CheckTimer");
  check.SetInterval(60000);
  Control& restart = Add(ControlType::Timer, "restartTimer");
  restart.SetInterval(1000);

  ArrangeMultiZone();
}

int FrmMain::PlaceRows(int zone, int frameWidth, bool singleZone) {
  int top = kFirstRow;
  auto place = [&](Control& label, Control& box) {
    if (!label.Visible() && !box.Visible()) return;
    label.Move(kFieldLeft, top, frameWidth - 2 * kFieldLeft, kLabelHeight);
    box.Move(kFieldLeft, top + kBoxTop, frameWidth - 2 * kFieldLeft, kBoxHeight);
    top += kRowHeight;
  };
  for (const auto& row : kZoneRows) place((*this)(row.label, zone), (*this)(row.box, zone));
  if (singleZone)
    for (const auto& row : kZoneOneRows) place((*this)(row.label), (*this)(row.box));
  return top - kRowHeight + kBoxTop + kBoxHeight + kFrameBottom;  // the frame's height
}

void FrmMain::ArrangeMultiZone() {
  // Four zone panels side by side; below them Measure and Exit on the left, the
  // probe picture with its caption on the right. The logo belongs to the
  // single-zone screen.
  (*this)("picLogo").SetVisible(false);
  const int width = kMargin * 2 + kZones * kZoneWidth + (kZones - 1) * kZoneGap;
  int frameHeight = 0;
  for (int z = 1; z <= kZones; ++z) frameHeight = PlaceRows(z, kZoneWidth, false);
  for (int z = 1; z <= kZones; ++z)
    (*this)("framZone", z).Move(kMargin + (z - 1) * (kZoneWidth + kZoneGap), kMargin, kZoneWidth, frameHeight);
  const int rowTop = kMargin + frameHeight + kMargin;
  const int buttonsTop = rowTop + (kProbeSize - kButtonHeight) / 2;
  (*this)("cmdGo").Move(kMargin, buttonsTop, kButtonWidth, kButtonHeight);
  (*this)("cmdExit").Move(kMargin + kButtonWidth + kMargin, buttonsTop, kButtonWidth, kButtonHeight);
  (*this)("picProbe").Move(width - kMargin - kProbeSize, rowTop, kProbeSize, kProbeSize);
  (*this)("lblProbe").Move(width - 2 * kMargin - kProbeSize - kProbeLabelWidth, rowTop + kProbeLabelTop,
                           kProbeLabelWidth, kProbeLabelHeight);
  Resize(width, rowTop + kProbeSize + kMargin);
}

void FrmMain::ArrangeSingleZone() {
  for (const auto& row : kZoneOneRows) {
    (*this)(row.label).SetVisible(true);
    (*this)(row.box).SetVisible(true);
  }
  for (int z = 2; z <= kZones; ++z) (*this)("framZone", z).SetVisible(false);
  LayoutSingleZone();
}

void FrmMain::LayoutSingleZone() {
  // A header with the logo and the probe picture, zone 1's rows in one column
  // (only the rows shown), Measure and Exit below.
  const int frameWidth = 5400;
  const int width = kMargin * 2 + frameWidth;
  Control& logo = (*this)("picLogo");
  logo.SetVisible(!logo.Picture().empty());
  logo.Move(kMargin, kMargin, 2400, kProbeSize);
  (*this)("picProbe").Move(width - kMargin - kProbeSize, kMargin, kProbeSize, kProbeSize);
  const int labelLeft = kMargin + 2400 + kMargin;
  (*this)("lblProbe").Move(labelLeft, kMargin + kProbeLabelTop, width - 2 * kMargin - kProbeSize - labelLeft,
                           kProbeLabelHeight);
  const int frameTop = kMargin + kProbeSize + kMargin;
  const int frameHeight = PlaceRows(1, frameWidth, true);
  (*this)("framZone", 1).Move(kMargin, frameTop, frameWidth, frameHeight);
  const int buttonsTop = frameTop + frameHeight + kMargin;
  const int buttonWidth = (frameWidth - kMargin) / 2;
  (*this)("cmdGo").Move(kMargin, buttonsTop, buttonWidth, kButtonHeight);
  (*this)("cmdExit").Move(kMargin + buttonWidth + kMargin, buttonsTop, buttonWidth, kButtonHeight);
  Resize(width, buttonsTop + kButtonHeight + kMargin);
}

void FrmMain::Form_Paint() { core_.TranslateCaptions(*this, "frmMain: Repaint: "); }

void FrmMain::Form_Resize() {
  if (onResize) onResize();
}

const char* FrmMain::LanguageMenu(int language) {
  static const char* names[] = {"mnuEnglish", "mnuFrench", "mnuItalian", "mnuGerman", "mnuSpanish"};
  return language >= 1 && language <= 5 ? names[language - 1] : names[0];
}

FrmSplash::FrmSplash(Forms& forms, Core& core) : Form(forms, "frmSplash"), core_(core) {
  SetCaption("");
  SetBorder(false);
  Resize(7200, 4440);
  Control& frame = Add(ControlType::Frame, "fraMainFrame");
  frame.Move(60, 60, 7080, 4320);
  const std::string fn = frame.FullName();
  auto add = [&](ControlType type, const char* name, int l, int t, int w, int h) -> Control& {
    Control& c = Add(type, name);
    c.SetContainer(fn);
    c.Move(l, t, w, h);
    return c;
  };
  add(ControlType::PictureBox, "picLogo", kLogoMargin, kLogoMargin, 2400, 2400);
  add(ControlType::Label, "lblProductName", 3000, 480, 3840, 600);
  add(ControlType::Label, "lblCopyright", 3000, 1320, 3840, 900);
  add(ControlType::Label, "lblStatus", 3000, 2400, 3840, 600).SetCaption("Initializing...");
  add(ControlType::CommandButton, "cmdOK", 3000, 3360, 1140, 540).SetCaption("OK");
  add(ControlType::CommandButton, "cmdHelp", 4260, 3360, 1140, 540).SetCaption("Help");
  add(ControlType::CommandButton, "cmdSysInfo", 5520, 3360, 1320, 540).SetCaption("&System Info...");
  ShowButtons(false);
}

void FrmSplash::ShowButtons(bool visible) {
  for (const char* name : {"cmdOK", "cmdHelp", "cmdSysInfo"}) (*this)(name).SetVisible(visible);
}

void FrmSplash::LoadLogo(const std::string& path) {
  core_.WriteLog("Logo is: " + path, 10);
  Control& logo = (*this)("picLogo");
  if (!core_.FileExists(path, true)) return;
  const std::string actual = ResolveCase(path);
  logo.SetPicture(actual);
  // The space left for the logo: the left part of the frame inside the margin.
  const int spaceLeft = kLogoMargin, spaceTop = kLogoMargin;
  const int spaceWidth = 2880 - 2 * kLogoMargin;
  const int spaceHeight = (*this)("fraMainFrame").Height() - 2 * kLogoMargin;
  int width = spaceWidth, height = spaceHeight;
  if (auto size = core_.platform.system ? core_.platform.system->ImageSize(actual) : std::nullopt) {
    width = size->first * kPixel;
    height = size->second * kPixel;
  }
  if (width > spaceWidth || height > spaceHeight) {
    logo.SetStretch(true);
    if (height > width) {
      core_.WriteLog("Picture " + path + " is Tall", 10);
      width = width * spaceHeight / height;
      height = spaceHeight;
    } else if (width > height) {
      core_.WriteLog("Picture " + path + " is Short", 10);
      height = height * spaceWidth / width;
      width = spaceWidth;
    } else {
      core_.WriteLog("Picture " + path + " is Square", 10);
      width = height = std::min(spaceWidth, spaceHeight);
    }
  }
  const int left = spaceLeft + (spaceWidth - width) / 2;
  const int top = spaceTop + (spaceHeight - height) / 2;
  logo.Move(left, top, width, height);
  core_.WriteLog("Logo Left is " + std::to_string(left), 10);
  core_.WriteLog("Logo Top is " + std::to_string(top), 10);
  core_.WriteLog("Logo Width is " + std::to_string(width), 10);
  core_.WriteLog("Logo Height is " + std::to_string(height), 10);
}

void FrmSplash::Form_Unload() { core_.WriteLog("frmSplash: Unloaded.", 0); }

}  // namespace zarvane
