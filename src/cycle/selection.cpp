#include "cycle/selection.h"

#include <algorithm>
#include <cctype>

#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

bool WholeNumber(const std::string& text) {
  return !text.empty() && text.size() <= 9 &&
         std::all_of(text.begin(), text.end(), [](unsigned char ch) { return std::isdigit(ch) != 0; });
}

// A line as the operator may see it in a message: printable, not too long.
std::string Shown(const std::string& line) {
  std::string out;
  for (unsigned char ch : line.substr(0, 40)) out += ch < 32 || ch == 127 ? '?' : static_cast<char>(ch);
  return line.size() > 40 ? out + "..." : out;
}

void Buttons(Form& form, std::initializer_list<std::pair<const char*, const char*>> buttons, int top) {
  int left = 180;
  for (const auto& [name, caption] : buttons) {
    Control& b = form.Add(ControlType::CommandButton, name);
    b.SetCaption(caption);
    b.Move(left, top, 1200, 540);
    left += 1320;
  }
}

}  // namespace

OptTexts ReadBladeList(Core& c, const std::string& path) {
  const OptTexts lines = c.getaFile(path);
  if (!lines) return std::nullopt;
  Texts blades;
  int bad = 0;
  std::string firstBad;
  for (size_t i = 0; i < lines->size(); ++i) {
    const std::string line = Trim((*lines)[i]);
    if (line.empty()) continue;
    if (WholeNumber(line)) {
      blades.push_back(line);
    } else if (bad++ == 0) {
      firstBad = c.Translate("line") + " " + std::to_string(i + 1) + ": " + Shown(line);
    }
  }
  if (bad > 0)
    c.WriteLog(c.Translate("The blade list") + " " + path + " " + c.Translate("holds lines that are no blade number") +
                   " (" + std::to_string(bad) + ", " + c.Translate("first") + " " + firstBad + "); " +
                   c.Translate("they are left out") + ".",
               0, true);
  return blades;
}

FrmMBR::FrmMBR(Forms& forms, Core& core) : Form(forms, "frmMBR"), core_(core) {
  SetCaption("Select Blade(s) to Inspect");
  Control& list = Add(ControlType::ListBox, "lstBlades");
  list.SetMultiSelect(true);
  list.Move(180, 180, 5160, 3600);
  Buttons(*this, {{"cmdAll", "All"}, {"cmdNone", "None"}, {"cmdOK", "OK"}, {"cmdCancel", "Cancel"}}, 3960);
  Resize(5460, 4680);
}

FrmCustSections::FrmCustSections(Forms& forms, Core& core) : Form(forms, "frmCustSections"), core_(core) {
  SetCaption("Select Custom Sections");
  Control& list = Add(ControlType::ListBox, "lstSect");
  list.SetMultiSelect(true);
  list.Move(180, 180, 3600, 4260);
  int top = 180;
  for (const auto& [name, caption] : {std::pair{"cmdAll", "All"}, std::pair{"cmdNone", "None"},
                                      std::pair{"cmdBaseTip", "Base/Tip"}, std::pair{"cmdDefault", "Default"},
                                      std::pair{"cmdOK", "OK"}, std::pair{"cmdCancel", "Cancel"}}) {
    Control& b = Add(ControlType::CommandButton, name);
    b.SetCaption(caption);
    b.Move(3960, top, 1500, 600);
    top += 732;
  }
  Resize(5640, 4620);
}

void FrmMBR::Form_Paint() { core_.TranslateCaptions(*this, "frmMBR: Repaint: "); }

void FrmCustSections::Form_Paint() { core_.TranslateCaptions(*this, "frmCustSections: Repaint: "); }

// ---------------------------------------------------------------------------

BladePicker::BladePicker(Core& core, PartFiles& files) : form(core.forms, core), c(core), files_(files) {
  form("cmdAll").onClick = [this] { cmdAll_Click(); };
  form("cmdNone").onClick = [this] { cmdNone_Click(); };
  form("cmdOK").onClick = [this] { cmdOK_Click(); };
  form("cmdCancel").onClick = [this] { cmdCancel_Click(); };
}

std::string BladePicker::BladeFile(int zone) const {
  const std::string part = c.Zone(zone).gPn;
  const std::string dir = files_.PartDirectory(part);
  return dir.empty() ? "" : JoinPath(dir, part + ".mbr");
}

bool BladePicker::Open(int zone) {
  const std::string file = BladeFile(zone);
  if (file.empty() || !c.FileExists(file, true)) return false;
  zone_ = zone;
  form.Load();
  Control& list = form("lstBlades");
  list.Clear();
  if (const OptTexts blades = ReadBladeList(c, ResolveCase(file)))
    for (const std::string& blade : *blades) list.AddItem(blade);
  cmdAll_Click();
  form.Show(true);
  return true;
}

void BladePicker::cmdAll_Click() {
  Control& list = form("lstBlades");
  for (int i = 0; i < list.ListCount(); ++i) list.SetSelected(i, true);
}

void BladePicker::cmdNone_Click() {
  Control& list = form("lstBlades");
  for (int i = 0; i < list.ListCount(); ++i) list.SetSelected(i, false);
}

void BladePicker::cmdOK_Click() {
  // An empty choice is allowed: the run then measures the single blade 1.
  Control& list = form("lstBlades");
  Texts chosen;
  for (int i = 0; i < list.ListCount(); ++i)
    if (list.Selected(i)) chosen.push_back(list.Items()[i]);
  if (zone_ >= 1 && zone_ <= kZones) {
    c.Zone(zone_).mbrBlades = chosen;
    c.WriteLog("frmMBR: Blades to measure in zone " + std::to_string(zone_) + ": " + Join(chosen, ", "), 5);
  }
  form.Hide();
}

void BladePicker::cmdCancel_Click() { form.Hide(); }

// ---------------------------------------------------------------------------

SectionPicker::SectionPicker(Core& core, PartFiles& files) : form(core.forms, core), c(core), files_(files) {
  form("cmdAll").onClick = [this] { cmdAll_Click(); };
  form("cmdNone").onClick = [this] { cmdNone_Click(); };
  form("cmdBaseTip").onClick = [this] { cmdBaseTip_Click(); };
  form("cmdDefault").onClick = [this] { cmdDefault_Click(); };
  form("cmdOK").onClick = [this] { cmdOK_Click(); };
  form("cmdCancel").onClick = [this] { cmdCancel_Click(); };
}

void SectionPicker::Open(int zone) {
  zone_ = zone;
  form.Load();
  form("lstSect").Clear();
  SectionUpdate(zone);
  form.Show(false);
}

void SectionPicker::SectionUpdate(int zone) {
  if (!form.Loaded() || zone != zone_ || zone_ < 1 || zone_ > kZones) return;
  Control& list = form("lstSect");
  c.WriteLog("SectionUpdate: lstsect count: " + std::to_string(list.ListCount()), 9);
  list.Clear();
  const ZoneState& z = c.Zone(zone_);
  for (size_t k = 0; k < z.tolerance.size(); ++k) {
    list.AddItem(z.tolerance[k].name);
    list.SetSelected(static_cast<int>(k), z.tolerance[k].selected);
  }
}

void SectionPicker::selAll(int zone) {
  for (auto& section : c.Zone(zone).tolerance) section.selected = true;
  SectionUpdate(zone);
}

void SectionPicker::SetShown(bool selected) {
  if (zone_ < 1 || zone_ > kZones) return;
  auto& sections = c.Zone(zone_).tolerance;
  const int shown = std::min(form("lstSect").ListCount(), static_cast<int>(sections.size()));
  for (int k = 0; k < shown; ++k) sections[k].selected = selected;
  SectionUpdate(zone_);
}

void SectionPicker::cmdAll_Click() { SetShown(true); }
void SectionPicker::cmdNone_Click() { SetShown(false); }
void SectionPicker::cmdBaseTip_Click() {
  if (zone_ >= 1 && zone_ <= kZones) BaseTip(zone_);
}

void SectionPicker::cmdDefault_Click() {
  if (zone_ < 1 || zone_ > kZones) return;
  c.gzone = zone_;
  files_.SectionSet();
}

void SectionPicker::SelectEnd(ZoneState& z, const std::string& path, const char* keyword, bool first) {
  if (c.parseFile(path, keyword, false)) {
    if (const OptTexts line = c.getaLine(path, keyword, false); line && line->size() > 1) {
      for (auto& section : z.tolerance)
        if (section.name == (*line)[1]) section.selected = true;
      return;
    }
  }
  auto& sections = z.tolerance;
  if (first) {
    for (auto& section : sections)
      if (section.toleranceDefault) {
        section.selected = true;
        return;
      }
  } else {
    for (auto it = sections.rbegin(); it != sections.rend(); ++it)
      if (it->toleranceDefault) {
        it->selected = true;
        return;
      }
  }
}

void SectionPicker::BaseTip(int zone) {
  ZoneState& z = c.Zone(zone);
  for (auto& section : z.tolerance) section.selected = false;
  const std::string dir = files_.PartDirectory(z.gPn);
  const std::string path =
      dir.empty() || !PartFiles::SafeRelativeName(z.gTolName) ? "" : JoinPath(dir, NativePath(z.gTolName + z.tolExt));
  SelectEnd(z, path, "ROOTSECT", true);
  SelectEnd(z, path, "TIPSECT", false);
  SectionUpdate(zone);
}

void SectionPicker::cmdOK_Click() {
  if (zone_ < 1 || zone_ > kZones) return;
  Control& list = form("lstSect");
  auto& sections = c.Zone(zone_).tolerance;
  bool any = false;
  for (int k = 0; k < list.ListCount() && k < static_cast<int>(sections.size()); ++k) {
    sections[k].selected = list.Selected(k);
    any = any || sections[k].selected;
  }
  if (any) form.Hide();
  else c.Tell("Error. At least one section must be selected");
}

void SectionPicker::cmdCancel_Click() {
  SectionUpdate(zone_);
  form.Hide();
}

}  // namespace zarvane
