#include "cycle/measure.h"

#include <algorithm>
#include <exception>

#include "cycle/selection.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

// A check box's value from a setting: 0 stays clear, any other number checks it.
int CheckValue(const std::string& value) { return Val(value) != 0 ? 1 : 0; }

const char* TrueFalse(bool value) { return value ? "True" : "False"; }

}  // namespace

MeasureCommand::MeasureCommand(Core& core, Station& station, Zones& zones, PartFiles& files,
                               InspectionOptions& options)
    : c(core), station_(station), zones_(zones), files_(files), options_(options) {}

void MeasureCommand::EnableAllZones() {
  // An options window left from an earlier command shows zones whose state
  // this command has emptied: it goes (it stays loaded), and the operator has
  // the zone panels again.
  if (options_.Exists()) options_.Window().Hide();
  for (int z = 1; z <= kZones; ++z) zones_.ActivateFrame(z, true);
}

void MeasureCommand::ZoneReport(const std::string& prefix, int level) {
  for (int z = 1; z <= kZones; ++z)
    c.WriteLog(prefix + " " + std::to_string(z) + " is: " + c.Zone(z).gPn, level);
}

void MeasureCommand::ClearZoneState() {
  // Nothing of an earlier command or part survives into this one.
  c.gLotplotOverride = false;
  for (int z = 1; z <= kZones; ++z) {
    ZoneState& zone = c.Zone(z);
    zone.calcs.reset();
    zone.featureLabels.fill("");
    zone.flavorName.clear();
    zone.flavorFile.clear();
    zone.mbrBlades = Texts{};
    zone.sections.clear();
    zone.tolerance.clear();
    zone.sectionCount = 0;
  }
}

void MeasureCommand::ReadBlades(int zone) {
  ZoneState& z = c.Zone(zone);
  if (Val(c.GetKeyVal(c.gIniFile, "MBR")) != 1) return;
  const std::string file = options_.blades.BladeFile(zone);
  if (file.empty() || !c.FileExists(file, true)) return;
  if (const OptTexts blades = ReadBladeList(c, ResolveCase(file))) z.mbrBlades = *blades;
}

void MeasureCommand::cmdGo_Click() {
  if (options_.RefusedWhileRunning()) return;
  Forms::BusyScope busy(c.forms);
  FrmMain& main = station_.frmMain;
  c.WriteLog("cmdGo_Click: Start:", 8);
  ClearZoneState();
  features_ = BuildFeatureTable(c);
  FrmInspOpt& w = options_.Window();
  w("txtPcnt", 1).SetText("1");

  int inRun = 0;
  for (int zone = 1; zone <= kZones; ++zone) {
    c.gzone = zone;
    ZoneState& z = c.Zone(zone);
    const std::string part = Trim(main("comboBlade", zone).Text());
    if (part.empty()) {
      zones_.ActivateFrame(zone, false);
      z.gPn.clear();
      continue;
    }
    // A part number typed into the box, not chosen from the list, is chosen
    // now, as if from the list: the part measured is the one the operator sees.
    if (z.gPn != part) {
      main("comboBlade", zone).SetText(part);
      zones_.comboBlade_Click(zone);
      c.gzone = zone;
      if (z.gPn.empty()) {  // a name that cannot be a part (the operator was told)
        EnableAllZones();
        return;
      }
    }
    if (!files_.NomsExist(z.gNomName, z.gTolName)) {
      EnableAllZones();
      return;
    }
    c.WriteLog("cmdGo_Click: Calling Blookup...", 9);
    if (!files_.BLookup()) {
      c.Tell("Blade not found in lookup table, or did not have operation file");
      z.gPn.clear();
      main("comboBlade", zone).SetText("");
      EnableAllZones();
      return;
    }
    ++inRun;
    ReadBlades(zone);
  }
  ZoneReport("cmdGo_Click:  After Blookup: Part number for zone:", 9);
  if (inRun == 0) {
    EnableAllZones();
    return;
  }
  FlavorPass();
  ZoneReport("cmdGo_Click: After parsing flavors: Part number for zone:", 10);

  try {
    c.WriteLog("cmdGo: Loading Inspection Options Form", 9);
    w.Load();
    const int maxCalcs = FeatureRows(w);
    Control& header = w("framFeatSel", 0);
    if (maxCalcs == 0) {
      header.SetCaption("NONE");
    } else {
      header.SetVisible(true);
      for (int z = 1; z <= kZones; ++z) {
        Control& column = w("framFeatSel", z);
        column.Move(column.Left(), column.Top(), column.Width(), w("lbl", maxCalcs).Top() + 500);
      }
      header.SetCaption("Feature Selection");
    }
    ZoneReport("cmdGo_Click: After maxcalc: Part number for zone:", 10);
    CheckBoxes(w, maxCalcs);
    ZoneReport("cmdGo_Click: After label checking: Part number for zone:", 10);
    PrintPlotSave(w);
    LotOrStatistics(w, maxCalcs);
    ZoneReport("cmdGo_Click: After lotplot/stats: Part number for zone:", 10);
    options_.resetOpt();
    if (station_.InTestMode() &&
        (Val(c.GetKeyVal(c.gIniFile, "ShowOptions")) == 0 || !station_.NormalStart())) {
      c.Tell("Now showing inspection options box for debugging");
      options_.ShowWindow();
    }
    if (!HandOver(w)) {
      EnableAllZones();
      return;  // the validation has told the operator
    }
  } catch (const std::exception& e) {
    std::string description = e.what();
    if (Trim(description).empty()) description = c.Translate("Unknown error");
    c.WriteLog(c.Translate("An error occurred while loading inspection options.\r\nContact System Administrator") + ".",
               0, true);
    c.WriteLog("cmdGo_Click: Error occurred: " + description, 0);
    EnableAllZones();
  }
  c.WriteLog("cmdGo.Click: End", 7);
}

void MeasureCommand::FlavorPass() {
  for (int zone = 1; zone <= kZones; ++zone) {
    c.gzone = zone;
    ZoneState& z = c.Zone(zone);
    if (z.flavorName.empty()) continue;
    const OptTexts calcs = files_.parseFLV();
    if (!calcs || calcs->empty()) {
      // The zone shows its feature boxes disabled; the other zones go on.
      c.WriteLog("cmdGo_Click: Zone " + std::to_string(zone) + " flavor " + z.flavorName +
                     " offers no calculations.",
                 0);
      continue;
    }
    for (const std::string& key : *calcs)
      for (size_t f = 0; f < features_.size(); ++f)
        if (key == features_[f].key) z.featureLabels[f + 1] = features_[f].label;
  }
}

std::string MeasureCommand::LabelOverride(const std::string& flavorFile, const std::string& key,
                                          const std::string& labelWord) {
  if (flavorFile.empty() || !c.FileExists(flavorFile, true)) return "";
  const OptTexts lines = ReadLines(NativePath(ResolveCase(flavorFile)));
  if (!lines) return "";
  // The feature key and the label word are the line's first two words, in
  // either order, each whole: "TWIST" is not found in "RELTWIST LABEL1 ...",
  // nor in a caption that says "Twist".
  for (const std::string& line : *lines) {
    if (Core::IsComment(line)) continue;
    const Texts words = c.SplitWords(line);
    if (words.size() < 2) continue;
    const bool keyFirst = IEquals(words[0], key) && IEquals(words[1], labelWord);
    const bool labelFirst = IEquals(words[0], labelWord) && IEquals(words[1], key);
    if (!keyFirst && !labelFirst) continue;
    const std::string caption = Trim(Join(Texts(words.begin() + 2, words.end()), " "));
    c.WriteLog(flavorFile + " " + key + " " + labelWord + " value " + (caption.empty() ? "NULL" : caption), 8);
    return caption;
  }
  return "";
}

int MeasureCommand::FeatureRows(FrmInspOpt& w) {
  for (int n = 1; n <= kFeatureRows; ++n) w("lbl", n).SetVisible(false);
  // The features some zone offers, in table order, with the zone that names it.
  std::vector<std::pair<int, int>> offered;  // feature index, zone
  for (int f = 1; f <= kFeatureCount; ++f)
    for (int zone = 1; zone <= kZones; ++zone)
      if (!c.Zone(zone).featureLabels[f].empty()) {
        offered.emplace_back(f, zone);
        break;
      }
  // More than the window's rows: the first ones in table order, but the
  // platform check (it steers the host) always keeps a row.
  std::vector<std::string> leftOut;
  if (offered.size() > static_cast<size_t>(kFeatureRows)) {
    const auto platform = std::find_if(offered.begin(), offered.end(),
                                       [&](const auto& o) { return features_[o.first - 1].key == "PLATFORM"; });
    std::vector<std::pair<int, int>> kept(offered.begin(), offered.begin() + kFeatureRows);
    if (platform != offered.end() && platform - offered.begin() >= kFeatureRows) {
      kept.back() = *platform;
    }
    for (const auto& o : offered)
      if (std::find(kept.begin(), kept.end(), o) == kept.end()) leftOut.push_back(features_[o.first - 1].key);
    offered = kept;
  }
  int counter = 0;
  for (const auto& [f, zone] : offered) {
    ++counter;
    const Feature& feature = features_[f - 1];
    const std::string& flavorFile = c.Zone(zone).flavorFile;
    std::string caption = c.Zone(zone).featureLabels[f];
    if (const std::string label2 = LabelOverride(flavorFile, feature.key, "LABEL2"); !label2.empty())
      caption = label2;
    if (const std::string label1 = LabelOverride(flavorFile, feature.key, "LABEL1"); !label1.empty())
      caption = label1;
    Control& label = w("lbl", counter);
    label.SetCaption(caption);
    label.SetVisible(true);
    label.SetTag(feature.key);
  }
  c.WriteLog("cmdGo: Max calcs: " + std::to_string(counter), 3);
  if (!leftOut.empty())
    c.WriteLog(c.Translate("The flavors offer more features than the inspection options window has rows") + " (" +
                   std::to_string(kFeatureRows) + "). " + c.Translate("Not offered:") + " " + Join(leftOut, ", ") +
                   ".",
               0, true);
  return counter;
}

void MeasureCommand::CheckBoxes(FrmInspOpt& w, int maxCalcs) {
  const std::string featureSel = [&] {
    const std::string v = c.GetKeyVal(c.gIniFile, "FEATURE_SEL");
    return v.empty() ? std::string("1") : v;
  }();
  const std::string checkAll = [&] {
    const std::string v = c.GetKeyVal(c.gIniFile, "FEATURE_CHECKALL");
    return v.empty() ? std::string("0") : v;
  }();
  for (const auto& owned : w.Controls()) {
    Control& box = *owned;
    const std::string name = LCase(box.Name());
    const size_t at = name.rfind("chkfeat");
    if (at == std::string::npos || box.Index() < 1 || box.Index() > kZones) continue;
    const int n = ValInt(name.substr(at + 7));
    const ZoneState& z = c.Zone(box.Index());
    box.SetEnabled(false);
    box.SetVisible(false);
    box.SetValue(0);
    const bool hasCalcs = z.calcs && !z.calcs->empty();
    if (n >= 1 && n <= maxCalcs) {
      box.SetVisible(true);
      if (hasCalcs) {
        box.SetTag(w("lbl", n).Tag());
        const std::string& key = box.Tag();
        for (size_t f = 0; f < features_.size(); ++f) {
          if (features_[f].key != key || z.featureLabels[f + 1].empty()) continue;
          box.SetEnabled(true);
          const std::string keySel = c.GetKeyVal(c.gIniFile, key + "_SEL");
          if (IsNumeric(keySel) && Val(keySel) == 0) box.SetEnabled(false);
          if (Val(featureSel) == 0) box.SetEnabled(false);
          box.SetValue(CheckValue(checkAll));
          if (const std::string v = c.GetKeyVal(c.gIniFile, key); IsNumeric(v)) box.SetValue(CheckValue(v));
          if (const std::string v = c.GetKeyVal(c.gIniFile, key + "_" + z.flavorName); IsNumeric(v))
            box.SetValue(CheckValue(v));
        }
      }
    }
    c.WriteLog(box.Name() + " tag " + box.Tag() + " in zone " + std::to_string(box.Index()) + " enabled is " +
                   TrueFalse(box.Enabled()) + " and checked is " + std::to_string(box.Value()) + " and visible is " +
                   TrueFalse(box.Visible()),
               10);
  }
}

void MeasureCommand::PrintPlotSave(FrmInspOpt& w) {
  const std::string printMode = c.GetKeyVal(c.gIniFile, "PRINTMODE");
  const std::string saveDP = c.GetKeyVal(c.gIniFile, "SAVEDP");
  for (int zone = 1; zone <= kZones; ++zone) {
    const std::string& flavorFile = c.Zone(zone).flavorFile;
    if (c.GetKeyVal(c.gIniFile, "PLOTMODE") == "1") w("chkPlot", zone).SetValue(1);
    const std::string autoPlot = c.GetKeyVal(flavorFile, "AUTOPLOT");
    if (autoPlot == "1" || autoPlot == "OUT") w("chkPlot", zone).SetValue(1);
    if (printMode == "1") w("optPrintOn", zone).SetValue(1);
    else if (printMode == "OOT") w("optPrintOOT", zone).SetValue(1);
    const std::string autoPrint = c.GetKeyVal(flavorFile, "AUTOPRINT");
    if (autoPrint == "1") w("optPrintOn", zone).SetValue(1);
    if (autoPrint == "OUT") w("optPrintOOT", zone).SetValue(1);
    if (autoPrint == "0") w("optPrintOff", zone).SetValue(1);
    if (!saveDP.empty()) w("chkSaveDP", zone).SetValue(CheckValue(saveDP));
    if (!flavorFile.empty() && c.parseFile(flavorFile, "SAVEDP", false)) w("chkSaveDP", zone).SetValue(1);
  }
  c.WriteLog("cmdGo.Click: After print mode checking...", 9);
  c.WriteLog("cmdGo.Click: Checking lotplot/stats...", 9);
}

void MeasureCommand::LotOrStatistics(FrmInspOpt& w, int maxCalcs) {
  if (c.gLotplotOverride && maxCalcs != 0) {
    w("framLot").SetVisible(true);
    w("framStat").SetVisible(false);
    return;
  }
  if (c.GetKeyVal(c.gIniFile, "STAT1").empty()) {
    w("framLot").SetVisible(false);
    w("framStat").SetVisible(false);
    return;
  }
  w("framLot").SetVisible(false);
  w("framStat").SetVisible(true);
  // The statistics lists belong to zone 1's part, as after the zone loops.
  c.gzone = 1;
  for (int n = 1; n <= 8; ++n) {
    const std::string key = "STAT" + std::to_string(n);
    const std::string definition = c.GetKeyVal(c.gIniFile, key);
    Control& box = w("cmbStat", n);
    Control& label = w("lblStat", n);
    if (definition.empty()) {
      box.SetVisible(false);
      label.SetVisible(false);
      continue;
    }
    box.SetVisible(true);
    if (Val(c.GetKeyVal(c.gIniFile, "ResetStatOnNewPart")) == 1) box.SetText("");
    label.SetVisible(true);
    zones_.loadStat(label, box, definition);
  }
}

bool MeasureCommand::HandOver(FrmInspOpt& w) {
  bool valid = true;
  FrmMain& main = station_.frmMain;
  const bool zoneOnePart = !c.Zone(1).gPn.empty();
  if (station_.gSingleZone && station_.NormalStart()) {
    if (!zoneOnePart) return true;  // nothing to show
    if (Val(c.GetKeyVal(c.gIniFile, "SZ_Stats")) != 0) {
      for (int n = 1; n <= 2; ++n) {
        const std::string key = "STAT" + std::to_string(n);
        if (c.GetKeyVal(c.gIniFile, key).empty()) continue;
        Control& mainBox = main("cmb" + key);
        if (!zones_.ValidateCombo(mainBox)) valid = false;
        else w("cmbStat", n).SetText(mainBox.Text());
      }
    }
    // Both boxes are checked, so the operator hears about each.
    const bool serialValid = zones_.ValidateCombo(main("cmbRoute"));
    const bool partValid = zones_.ValidateCombo(main("comboBlade", 1));
    if (!(valid && serialValid && partValid)) return false;
    w("cmbSN", 1).SetText(main("cmbRoute").Text());
    if (Val(c.GetKeyVal(c.gIniFile, "ShowOptions")) != 0 && c.Zone(1).gPn != "SetUpPrograms")
      options_.ShowWindow();
    else
      options_.cmdMeasure_Click();
    return true;
  }
  if (station_.NormalStart()) options_.ShowWindow();
  else options_.cmdMeasure_Click();
  return true;
}

}  // namespace zarvane
