#include "cycle/run.h"

#include <algorithm>
#include <cmath>

#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

bool IsXstat(const std::string& serial) { return UCase(serial.substr(0, 5)) == "XSTAT"; }

// A 16-bit part count; empty counts as 1.
int PartCount(const std::string& text) {
  if (Trim(text).empty()) return 1;
  const double v = Val(text);
  return static_cast<int>(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
}

}  // namespace

MeasurementRun::MeasurementRun(Core& core, Station& station, Zones& zones, InspectionOptions& options,
                               ReportWriter& report, BladeText& bladeText, HostConnection* host, RunState& run)
    : c(core), station_(station), zones_(zones), options_(options), report_(report), bladeText_(bladeText),
      host_(host), run_(run) {}

bool MeasurementRun::Checks(int& xstatZone, int& xstatLimit) {
  FrmInspOpt& w = options_.Window();
  for (int zone = 1; zone <= kZones; ++zone) {
    const ZoneState& z = c.Zone(zone);
    if (z.flavorName.empty()) continue;
    if (std::none_of(z.tolerance.begin(), z.tolerance.end(), [](const ToleranceSection& s) { return s.selected; })) {
      c.WriteLog(c.Translate("Zero sections selected in Zone") + " " + std::to_string(zone) + ".", 0, true);
      return false;
    }
  }
  if (w("chkLotPlot").Value() == 1) {
    if (w("txtLotNo").Text().empty()) {
      w("txtLotNo").SetFocus();
      c.Tell("Lot number must be entered");
      return false;
    }
    const std::string size = w("txtLotSize").Text();
    if (size.empty() || !IsNumeric(size) || PartCount(size) < 7) {
      w("txtLotSize").SetFocus();
      c.Tell("Lot size must be entered and Lot size must be greater than seven");
      return false;
    }
  }
  int xstats = 0;
  xstatZone = 0;
  for (int zone = 1; zone <= kZones; ++zone) {
    const ZoneState& z = c.Zone(zone);
    c.WriteLog("Zone " + std::to_string(zone) + " part number is:" + z.gPn + ".", 0);
    if (z.gPn.empty()) continue;
    const std::string serial = w("cmbSN", zone).Text();
    if (IsXstat(serial)) {
      ++xstats;
      xstatZone = zone;
      const Texts words = c.SplitWords(serial);
      if (words.size() >= 2 && !IsNumeric(words[1])) {
        c.WriteLog(c.Translate("The serial") + " " + serial + " " +
                       c.Translate("is not understood: XSTAT is followed by the number of parts to measure.  "
                                   "Please re-enter the serial") +
                       ".",
                   0, true);
        return false;
      }
      xstatLimit = words.size() >= 2 ? static_cast<int>(std::clamp(Val(words[1]), -32768.0, 32767.0)) : 1;
    }
    if (serial.empty() && Val(c.GetKeyVal(c.gIniFile, "ValidateKeyLabel")) != 0) {
      Control& route = station_.frmMain("cmbRoute");
      if (station_.gSingleZone) {
        if (route.Visible()) route.SetFocus();
      } else {
        w("cmbSN", zone).SetFocus();
      }
    }
    if (serial.empty() && Val(c.GetKeyVal(c.gIniFile, "ValidateKeyLabel")) != 0 && c.Zone(1).gPn != "SetUpPrograms") {
      c.WriteLog(c.Translate("Zone") + " " + std::to_string(zone) + " " + w("framKey").Caption() + " " +
                     c.Translate("must be entered") + ".",
                 0, true);
      return false;
    }
  }
  if (xstats > 1) {
    c.Tell("No more than one XSTAT can be run at a time");
    return false;
  }
  const bool statsShown = w("framStat").Visible();
  if (Val(c.GetKeyVal(c.gIniFile, "FORCE_ENTRY")) == 1) {
    for (int n = 1; n <= 8; ++n) {
      Control& box = w("cmbStat", n);
      if (statsShown && box.Visible() && Trim(box.Text()).empty()) {
        box.SetFocus();
        c.WriteLog(w("lblStat", n).Caption() + " " + c.Translate("must be entered") + ".", 0, true);
        return false;
      }
    }
    c.WriteLog("cmdMeasure_Click: After FORCE_ENTRY.", 9);
  }
  for (int n = 1; n <= 8; ++n) {
    Control& box = w("cmbStat", n);
    if (statsShown && box.Visible() && !zones_.ValidateCombo(box)) return false;
  }
  c.WriteLog("cmdMeasure_Click: After stats validation.", 9);
  // The serial boxes from the last zone to the first, text selected: the
  // operator types the next part's serial into the first zone's box.
  if (!station_.gSingleZone)
    for (int zone = kZones; zone >= 1; --zone)
      if (w("cmbSN", zone).Visible()) w("cmbSN", zone).SetFocus(true);
  c.WriteLog("cmdMeasure_Click: After SetFocus on Serial.", 9);
  return true;
}

bool MeasurementRun::MeasureZone(int zone) {
  c.gzone = zone;
  ZoneState& z = c.Zone(zone);
  FrmInspOpt& w = options_.Window();
  c.WriteLog("cmdMeasure_Click: There was a part number in zone: " + std::to_string(zone), 9);
  if (!z.flavorName.empty()) bladeText_.WriteBladeTxt();
  c.gzone = zone;
  if (z.gPn.empty()) {
    c.WriteLog("cmdMeasure_Click: Exitted resulting from gPn being invalidated.", 0);
    return false;
  }
  if (!station_.InTestMode()) {
    c.MakeOLD(c.HomeFile("QUORVX.RTF"));
    c.MakeOLD(c.HomeFile("QUORVX.TXT"));
    if (host_) c.MakeOLD(host_->gHostPath + "xstats11.tmp");
  }
  if (!z.mbrBlades || z.mbrBlades->empty()) z.mbrBlades = Texts{"1"};
  const Texts blades = *z.mbrBlades;
  for (const std::string& blade : blades) {
    run_.currentMbr = ValInt(blade);
    c.gzone = zone;
    const bool complete = report_.CreateReport();
    c.gzone = zone;
    if (Halted()) {
      c.WriteLog("cmdMeasure_Click: Exited cause ESTOP condition in MBR loop.", 0);
      return false;
    }
    if (!complete) {
      // The blades after it are not measured and the counter stays.
      c.WriteLog(c.Translate("Measurement incomplete -- Please measure") + " " + w("framKey").Caption() + " " +
                     w("cmbSN", zone).Text() + " " + c.Translate("again") + ".",
                 0, true);
      return false;
    }
  }
  Control& counter = w("txtPcnt", zone);
  counter.SetText(std::to_string(std::min(32767, PartCount(counter.Text()) + 1)));
  return true;
}

bool MeasurementRun::MeasureZones() {
  for (int zone = 1; zone <= kZones; ++zone) {
    if (c.Zone(zone).gPn.empty()) continue;
    if (!MeasureZone(zone)) return false;
  }
  return true;
}

void MeasurementRun::cmdMeasure_Click() {
  if (running_) {
    c.Tell("A measurement is running; please wait until it has finished");
    return;
  }
  running_ = true;
  Forms::BusyScope busy(c.forms);
  // An XSTAT serial repeats the whole run, checks included, until its zone's
  // counter passes the number of parts asked for; any early end ends it all.
  for (;;) {
    c.WriteLog("cmdMeasure_Click: Start.", 7);
    if (host_) host_->cancelFlag = false;
    run_.reportedZones.clear();
    int xstatZone = 0, xstatLimit = 0;
    if (!Checks(xstatZone, xstatLimit) || !MeasureZones()) break;
    c.WriteLog("cmdMeasure_Click: End.", 7);
    if (xstatZone == 0) break;
    const Control& serial = options_.Window()("cmbSN", xstatZone);
    if (!IsXstat(serial.Text())) break;  // the report writer set it to "XSTAT halted."
    // The counter stops at its 16-bit top; the repeat stops with it.
    const int counter = PartCount(options_.Window()("txtPcnt", xstatZone).Text());
    if (xstatLimit < counter || counter >= 32767) break;
  }
  running_ = false;
}

}  // namespace zarvane
