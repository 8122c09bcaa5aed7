// The three parts of a report file: header, inspection options, measured data.
#include <cmath>
#include <filesystem>
#include <optional>

#include "cycle/report.h"
#include "datafiles/bladetxt.h"
#include "datafiles/measured.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

// The unit a saved tip radius was written in, kept beside it.
constexpr const char* kRadiusUnits = "LastTipRadiusUnits";

bool Millimetres(Core& c, const std::string& nominalPath) { return UCase(c.GetKeyVal(nominalPath, "UNITS")) == "MM"; }

}  // namespace

std::string ReportWriter::NominalPath() const {
  const ZoneState& z = c.Zone(c.gzone);
  const std::string base = JoinPath(files_.PartDirectory(z.gPn), NativePath(z.gNomName));
  const std::string mth = base + ".mth";
  if (Val(const_cast<Core&>(c).GetKeyVal(c.gIniFile, "USE_MTH")) == 1 && !c.gLotplotOverride &&
      const_cast<Core&>(c).FileExists(mth, true))
    return mth;
  return base + z.nomExt;
}

std::string ReportWriter::TolerancePath() const {
  const ZoneState& z = c.Zone(c.gzone);
  return JoinPath(files_.PartDirectory(z.gPn), NativePath(z.gTolName)) + z.tolExt;
}

double ReportWriter::TipRadius(const std::string& nominalPath) {
  const std::string probeR = Trim(c.GetKeyVal(c.gIniFile, "ProbeR").empty() ? "TIP 1" : c.GetKeyVal(c.gIniFile, "ProbeR"));
  const bool nominalMm = Millimetres(c, nominalPath);
  double radius = -1, factor = 1;
  try {
    if (IsNumeric(probeR)) {
      radius = Val(probeR);
      c.WriteLog("writeReportHeader: Tip radius set to specified radius: " + NumberText(radius), 0);
    } else if ((IStartsWith(probeR, "TIP") || IContains(probeR, "AVERAGE")) && probeR.size() > 4 &&
               !station_.InTestMode() && host_ && host_->HostApp_) {
      if (!host_->HostPart_) host_->AttachActiveProgram(false);
      if (host_->HostPart_) {
        const bool programMm = host_->HostPart_->Units() != 0;
        if (programMm == nominalMm) {
          c.WriteLog("writeReportHeader: Program and nominal units agree.", 5);
        } else if (programMm) {
          factor = 1 / 25.4;
          c.WriteLog("writeReportHeader: Program in millimetres, nominal in inches.", 5);
        } else {
          factor = 25.4;
          c.WriteLog("writeReportHeader: Program in inches, nominal in millimetres.", 5);
        }
        std::string probeName;
        auto commands = host_->HostPart_->Commands();
        for (int i = 1; commands && i <= commands->Count() && probeName.empty(); ++i)
          if (auto command = commands->Item(i); command && command->IsLoadProbe()) probeName = command->ModalCommandName();
        auto probes = host_->HostPart_->Probes();
        if (auto probe = probes ? probes->ItemByName(probeName) : nullptr) {
          if (IContains(probeR, "AVERAGE")) {
            double sum = 0;
            for (int t = 1; t <= probe->TipCount(); ++t) sum += probe->Tip(t)->Diameter() / 2;
            if (probe->TipCount() > 0) radius = sum / probe->TipCount();
          } else {
            const int tip = ValInt(probeR.substr(probeR.rfind(' ') + 1));
            if (tip >= 1 && tip <= probe->TipCount()) radius = probe->Tip(tip)->Diameter() / 2;
          }
        }
        if (probes) probes->CancelChanges();
      }
    } else {
      c.WriteLog("writeReportHeader: Set tip radius to last sucessfull tip radius (or zero if never) as a default.", 0);
      radius = Val(c.GetIniVal("Data", "LastTipRadius", "0.0"));
      // A radius saved for a part in the other unit is converted to this one.
      const std::string savedUnits = c.PeekIniVal("Data", kRadiusUnits).value_or("");
      if (savedUnits == "MM" && !nominalMm) radius /= 25.4;
      if (savedUnits == "INCH" && nominalMm) radius *= 25.4;
    }
  } catch (const std::exception& e) {
    c.WriteLog("writeReportHeader: Tip radius: " + std::string(e.what()), 0);
  }
  if (!std::isfinite(radius)) radius = -1;
  // A radius found is kept for next time, with its unit; what the operator
  // types in an emergency is not.
  if (radius >= 0) {
    c.SaveIniVal("Data", "LastTipRadius", FormatValue(radius * factor));
    c.SaveIniVal("Data", kRadiusUnits, nominalMm ? "MM" : "INCH");
  } else {
    // The operator gives the radius; an answer that is no number is asked again.
    const std::string saved = c.GetIniVal("Data", "LastTipRadius", "0.0");
    for (int attempt = 0; attempt < 3 && radius < 0; ++attempt) {
      const std::string answer =
          Trim(c.op.InputBox(c.Translate("Error acquiring tip radius information.  Enter a tip radius in blade "
                                         "program UNITS to use for compensation."),
                             c.Translate("Tip Radius Error!"), saved));
      if (answer.empty()) break;
      if (IsNumeric(answer)) radius = std::max(0.0, Val(answer));
      else c.WriteLog(c.Translate("The tip radius") + " " + answer + " " + c.Translate("is not a number") + ".", 0, true);
    }
    if (radius < 0) {
      c.Tell("No tip radius was given; the report is compensated with a tip radius of 0");
      radius = 0;
    }
  }
  return radius * factor;
}

void ReportWriter::writeReportHeader(std::ostream& out) {
  const ZoneState& z = c.CurrentZone();
  if (host_ && host_->HostPart_) c.WriteLog("writeReportHeader: Active program: " + host_->ProgramName(host_->HostPart_.get()), 0);
  const std::string nominal = NominalPath();
  out << "FLAVOR " << z.flavorFile << "\r\n"
      << "PART " << z.gPn << "\r\n"
      << "DATE " << c.NowText("%m/%d/%y %H:%M:%S") << "\r\n"
      << "NOMINAL " << nominal << "\r\n"
      << "TOLERANCE " << TolerancePath() << "\r\n";
  out << "RADIUS " << FormatValue(TipRadius(nominal)) << "\r\n";
  stats_.writeStats(out);
  if (host_ && host_->HostPart_) host_->DetachProgram(false);
}

void ReportWriter::writeInspectionOptions(std::ostream& out) {
  const ZoneState& z = c.CurrentZone();
  const int zone = c.gzone;
  FrmInspOpt& w = options_.Window();
  const std::string matrix = c.GetKeyVal(c.gIniFile, "Matrix_Report");
  const auto follow = [&] {
    if (w("optPrintOOT", zone).Value() == 1) out << "REPORT OUT\r\n";
  };
  if (matrix == "OUT" || matrix == "ACT" || matrix == "DEV" || matrix == "NOM") {
    out << "REPORT " << matrix << "\r\n";
  } else if (matrix == "FOLLOW") {
    follow();
  } else if (matrix.empty()) {
    c.WriteLog("Matrix_Report was not specified, OK.", 5);
  } else {
    c.Tell("A non-critical error occurred where the 'Matrix_Report' option was not understood in the initialization "
           "file.  Continuing with defaults.  Please contact System Administrator");
    follow();
  }

  Texts selected;
  int count = 0;
  for (const auto& owned : w.Controls()) {
    const Control& box = *owned;
    if (!IContains(box.Name(), "chkFeat") || box.Index() != zone || box.Value() != 1) continue;
    if (box.Tag().empty() || box.Tag() == "PLATFORM") continue;
    selected.push_back(box.Tag());
    ++count;
    if (box.Tag() == "CCCONT" || box.Tag() == "MINFORM" || box.Tag() == "LEMIN" || box.Tag() == "TEMIN") count += 1;
    if (box.Tag() == "CCMIN") count += 3;
  }
  const int flavorCalcs = z.calcs ? static_cast<int>(z.calcs->size()) : 0;
  c.WriteLog("writeInspectionOptions: Selected calculations: " + std::to_string(count) +
                 " flavor calculations: " + std::to_string(flavorCalcs),
             9);
  if ((count != flavorCalcs && count > 0) || Val(c.GetKeyVal(c.gIniFile, "CalcReorder")) == 1) {
    out << "OVERRIDE CALCS " << PrintNumber(count) << "\r\n";
    for (const Feature& feature : features_) {
      if (std::find(selected.begin(), selected.end(), feature.key) == selected.end()) continue;
      out << feature.key << "\r\n";
      if (feature.key == "CCCONT") out << "CVCONT\r\n";
      if (feature.key == "MINFORM") out << "MAXFORM\r\n";
      if (feature.key == "LEMIN") out << "LEMAX\r\n";
      if (feature.key == "TEMIN") out << "TEMAX\r\n";
      if (feature.key == "CCMIN") out << "CCMAX\r\nCVMIN\r\nCVMAX\r\n";
    }
  }

  if (c.GetKeyVal(c.gIniFile, "Matrix_Mode") == "0")
    out << "AUTOPRINT OFF\r\n";
  else if (w("optPrintOff", zone).Value() == 1)
    out << "AUTOPRINT OFF\r\n";
  else if (w("optPrintOOT", zone).Value() == 1)
    out << "AUTOPRINT OUT\r\n";
  else if (w("optPrintOn", zone).Value() == 1)
    out << "AUTOPRINT ON\r\n";
  if (w("chkPlot", zone).Value() == 1)
    out << (c.GetKeyVal(z.flavorFile, "AUTOPLOT") == "OUT" || w("optPrintOn", zone).Value() != 1 ? "AUTOPLOT OUT\r\n"
                                                                                                  : "AUTOPLOT ON\r\n");
  else
    out << "AUTOPLOT OFF\r\n";
  out << (w("chkSaveDP", zone).Value() == 1 ? "SAVEDP ON\r\n" : "SAVEDP OFF\r\n");
}

bool ReportWriter::writeData(std::ostream& out, bool trim) {
  const ZoneState& z = c.CurrentZone();
  FrmProgress& progress = station_.frmProgress;
  progress.SetProgress(c.Translate("Transferring Report Data"), "", 0);
  Texts names;
  for (const auto& section : z.tolerance)
    if (section.selected) names.push_back(section.name);
  const int selected = static_cast<int>(names.size());
  const std::string bladeRtf = c.HomeFile("blade.rtf");
  MeasuredData reader(c, progress);
  std::optional<MeasuredSections> blocks;
  try {
    blocks = reader.readData(bladeRtf, 2 * selected);
  } catch (const std::exception& e) {
    c.WriteLog("writeData: Error occurred: " + std::string(e.what()), 0, true);
  }
  if (!blocks || blocks->empty()) {
    progress.Close();
    c.WriteLog("writeData: readData reported zero sections.", 0);
    return false;
  }
  const int blockCount = static_cast<int>(blocks->size());
  // Only complete block pairs that have a selected section's name are written.
  const int pairs = blockCount / 2;
  const int written = std::min(pairs, selected);
  if (blockCount % 2 != 0 || pairs != selected) {
    // The complete sections read, so a lone block never looks like one.
    c.WriteLog(c.Translate("Read") + " " + std::to_string(pairs) + " " + c.Translate("sections in") + " " + bladeRtf +
                   " " + c.Translate("when") + " " + std::to_string(selected) + " " +
                   c.Translate("sections were specified.  Analysis will attempt to continue") + ".",
               0, true);
  }
  if (written == 0) {
    progress.Close();
    c.WriteLog("writeData: no complete section was read.", 0);
    return false;
  }
  out << "NUM_SECT " << PrintNumber(written) << "\r\n";
  for (int k = 0; k < written; ++k) {
    const ijk& first = (*blocks)[2 * k];
    const ijk& second = (*blocks)[2 * k + 1];
    progress.SetValue(std::min(100, (2 * k + 1) * 50 / blockCount + 50));
    out << "SECTION " << names[k] << " " << PrintNumber(first.Count() + second.Count());
    if (trim) out << " " << PrintNumber(first.Count()) << " " << PrintNumber(second.Count());
    out << "\r\n";
    for (const ijk* block : {&first, &second})
      for (long p = 1; p <= block->Count(); ++p) WritePoint(out, *block, p, "", false, 1.0);
  }
  progress.Close();
  // blade.rtf goes once the report is complete (CreateReport), not before.

  FrmInspOpt& w = options_.Window();
  if (w("chkLotPlot").Value() == 1) {
    const int done = ValInt(w("txtLot1").Text()), size = ValInt(w("txtLotSize").Text());
    if (done < size) {
      w("txtLot1").SetText(std::to_string(done + 1));
    } else {
      c.Tell("Lotplot finished");
      w("chkLotPlot").SetValue(0);
      w("txtLotNo").SetText("0");
    }
  }
  return true;
}

}  // namespace zarvane
