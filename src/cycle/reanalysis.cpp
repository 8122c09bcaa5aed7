#include "cycle/reanalysis.h"

#include "foundation/atomicfile.h"
#include "foundation/filename.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {

Reanalysis::Reanalysis(Core& core, Station& station) : c(core), station_(station) {}

void Reanalysis::mnuBladeStart_Click() {
  const std::string program = c.PeekIniVal("directories", "bladeexe").value_or("");
  c.WriteLog("mnuBladeStart: Starting " + program, 0);
  if (c.ShellOpen("Open", Trim(program), "", "", 1) != ShellResult::Ok) ToldNotStarted(program);
}

bool Reanalysis::Refused(const std::string& englishKind, const std::string& name) {
  c.WriteLog(c.Translate(englishKind) + " " + ShownName(name) + " " +
                 c.Translate("cannot be used: a name must stay inside its directory and name one file") + ".",
             0, true);
  return false;
}

void Reanalysis::ToldNotStarted(const std::string& program) {
  c.WriteLog(c.Translate("The analysis program could not be started:") + " " + program, 0, true);
}

bool Reanalysis::IsFlavorLine(const std::string& line) const {
  const Texts words = c.SplitWords(line);
  return !words.empty() && IEquals(words[0], "FLAVOR");
}

void Reanalysis::mnuReanalyze_Click() {
  const std::string program = Trim(c.PeekIniVal("directories", "bladeexe").value_or(""));
  if (!c.FileExists(program, false)) {
    if (station_.directories) station_.directories->CheckDirectories();
    return;
  }
  std::string network = Trim(c.PeekIniVal("directories", "networkblades").value_or(""));
  if (network.empty()) network = c.gBladesDir;
  const std::string report = c.OpenFileDlg(c.Translate("Select Report File"), "Report Files (*.rpt)|*.rpt",
                                           network.empty() ? network : JoinPath(network, ""));
  if (Trim(report).empty()) return;
  // The report goes to the analysis program as one argument: a double quote
  // or a control character could not be passed whole.
  if (report.find('"') != std::string::npos || HasControlCharacter(report)) {
    Refused("The report file", report);
    return;
  }
  if (!ReadLines(ResolveCase(report))) {
    c.WriteLog(c.Translate("The report file") + " " + report + " " + c.Translate("could not be read") + ".", 0, true);
    return;
  }
  // The FLAVOR line's words: its second is the flavor the report names.
  std::string measuredWith;
  if (const OptTexts words = c.getaLine(report, "FLAVOR", false); words && words->size() >= 2)
    measuredWith = (*words)[1];
  const std::string flavor = c.OpenFileDlg(c.Translate("Select Flavor File"), "Flavor Files (*.flv)|*.flv", measuredWith);

  std::string analysed = report;
  if (!Trim(flavor).empty() && flavor != measuredWith) {
    analysed = FlavorCopy(report, flavor);
    if (analysed.empty()) return;
  }
  // A chosen report's path may hold blanks: quoted, it stays one argument.
  const std::string path = analysed.find(' ') != std::string::npos ? "\"" + analysed + "\"" : analysed;
  const std::string parameters = Trim(path + " " + c.gPWF);
  c.WriteLog("mnuReanalyze_Click: Full command: " + program + " " + parameters, 0);
  if (c.ShellOpen("Open", program, parameters, "", 1) != ShellResult::Ok) ToldNotStarted(program);
}

std::string Reanalysis::FlavorCopy(const std::string& report, const std::string& flavor) {
  const std::string name = FileNameFromPath(report);
  const size_t dot = name.rfind('.');
  const std::string stem = report.substr(0, report.size() - (dot == std::string::npos ? 0 : name.size() - dot));
  // The flavor's name becomes part of one file name beside the report, and
  // the flavor's path one line of the copy.
  const std::string flavorName = NameWithoutExtension(FileNameFromPath(flavor));
  if (HasControlCharacter(flavor) || !IsPlainFileName(flavorName)) {
    Refused("The flavor name", flavor);
    return "";
  }
  const std::string copy = stem + "_" + flavorName + ".rpt";
  const auto lines = ReadLines(ResolveCase(report));
  bool replaced = false;
  std::string text;
  for (const std::string& line : lines.value_or(std::vector<std::string>{})) {
    // Only the FLAVOR line itself: a TEXT line that mentions a flavor stays.
    const bool flavorLine = !replaced && IsFlavorLine(line);
    text += (flavorLine ? "FLAVOR " + flavor : line) + "\r\n";
    replaced = replaced || flavorLine;
  }
  if (!replaced) {
    // A copy that still named the old flavor would analyse with it.
    c.WriteLog(c.Translate("The report file") + " " + report + " " + c.Translate("names no flavor file") + ".", 0,
               true);
    return "";
  }
  if (const WriteResult written = WriteFileAtomically(copy, text); !written.Ok()) {
    c.WriteLog(c.Translate("The report copy") + " " + copy + " " + c.Translate("could not be written") + ": " +
                   written.reason + ".",
               0, true);
    return "";
  }
  c.WriteLog("mnuReanalyze_Click: " + copy + " made with FLAVOR " + flavor, 0);
  return copy;
}

}  // namespace zarvane
