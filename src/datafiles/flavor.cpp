// Nominal and tolerance file checks, the flavor file and the tolerance sections of a zone.
#include <array>
#include <cmath>

#include "datafiles/linereader.h"
#include "datafiles/partfiles.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

// More calculation lines than this in one CALCS block cannot be meant: the
// station knows 56 calculations.
constexpr double kMaxCalcLines = 100000;

// Directories compared as paths: separators of either kind, "." steps, doubled
// and trailing separators make no difference.
std::string DirKey(const std::string& dir) {
  std::string d = FromOsPath(OsPath(NativePath(Trim(dir))).lexically_normal());
  while (d.size() > 1 && d.back() == kSep) d.pop_back();
  return d;
}

}  // namespace

bool PartFiles::NomsExist(const std::string& nominalName, const std::string& toleranceName) {
  ZoneState& z = c.CurrentZone();
  c.WriteLog("NomsExist: Start:", 7);
  if (!CheckPartNumber(z.gPn) || !CheckFileName("The nominal file name", nominalName) ||
      !CheckFileName("The tolerance file name", toleranceName))
    return false;

  const std::string partDir = PartDirectory(z.gPn);
  const std::string localBase = JoinPath(partDir, NativePath(nominalName));
  std::string networkBlades = Trim(c.PeekIniVal("directories", "networkblades").value_or(""));
  if (networkBlades.empty()) networkBlades = c.gBladesDir;
  const std::string networkBase = JoinPath(JoinPath(networkBlades, z.gPn), NativePath(nominalName));
  c.WriteLog("NomsExist: NomFile Name: " + localBase, 3);

  // A part that has only its measured point file gets its nominal file made now.
  const std::string pointFile = localBase + ".pts";
  const std::string nominalFile = localBase + ".nom";
  if (c.FileExists(pointFile, true) && !c.FileExists(nominalFile, true)) {
    if (!ConvertPoints) {
      c.WriteLog(c.Translate("The point file") + " " + pointFile + " " +
                     c.Translate("cannot be converted into a nominal file yet") + ".",
                 0, true);
    } else if (ConvertPoints(pointFile) && c.FileExists(nominalFile, true)) {
      // The network copy of the part gets the new nominal file too, when the
      // blades in use are the local copy and the share can be reached.
      if (DirKey(networkBlades) != DirKey(c.gBladesDir) && c.IsNetDrive(networkBlades) &&
          c.IsNetThere(networkBlades))
        c.FCopy(nominalFile, networkBase + ".nom");
    }
  }

  std::string mode = c.GetKeyVal(c.gIniFile, "NOM_MODE");
  if (mode != "OEM") mode = "KT";

  // Each file found replaces the choice: the last extension tested wins.
  const bool kt = mode == "KT";
  std::string nomExt;
  for (const char* ext : kt ? std::array{".ua", ".nom"} : std::array{".nom", ".ua"})
    if (c.FileExists(localBase + ext, true)) nomExt = ext;
  if (nomExt.empty()) {
    c.WriteLog(c.Translate("Nominal files not found in") + " " + localBase + ".", 0, true);
    return false;
  }

  const std::string tolBase = JoinPath(partDir, NativePath(toleranceName));
  c.WriteLog("NomsExist: TolFile Name:" + tolBase, 3);
  std::string tolExt;
  for (const char* ext : kt ? std::array{".te", ".tol"} : std::array{".tol", ".te"})
    if (c.FileExists(tolBase + ext, true)) tolExt = ext;
  if (tolExt.empty()) {
    c.WriteLog(c.Translate("Tolerance files not found in") + " " + tolBase + " (tol or te).", 0, true);
    return false;
  }

  z.nomExt = nomExt;
  z.tolExt = tolExt;
  c.WriteLog("NomsExist: End: " + nomExt + " " + tolExt, 7);
  return true;
}

OptTexts PartFiles::parseFLV() {
  ZoneState& z = c.CurrentZone();
  c.WriteLog("parseFLV: Start: Looking for flavor " + z.flavorName, 7);
  // The override belongs to zone 1's flavor: later zones neither set nor clear it.
  if (c.gzone == 1) c.gLotplotOverride = false;
  z.calcs.reset();
  z.flavorFile.clear();
  if (!CheckPartNumber(z.gPn) || !CheckFileName("The flavor name", z.flavorName)) return std::nullopt;

  const std::string fileName = IContains(z.flavorName, "flv") ? z.flavorName : z.flavorName + ".flv";
  std::string path;
  for (const std::string& dir : {c.gStatsPackageDir, c.gHome, PartDirectory(z.gPn)}) {
    const std::string candidate = JoinPath(dir, NativePath(fileName));
    if (!dir.empty() && c.FileExists(candidate, true)) path = candidate;
  }
  if (path.empty()) {
    c.WriteLog(c.Translate("Flavor file") + " " + fileName + " " + c.Translate("not found in") + " " +
                   c.gStatsPackageDir + ", " + c.Translate("Application Path, or in Blade directory") + ".",
               0, true);
    return std::nullopt;
  }

  z.flavorFile = path;
  c.WriteLog("Parsing flavor file " + path, 0);
  LineReader lines(path);
  Texts calcs;
  bool blockRead = false;
  std::string line;
  while (!blockRead && lines.Next(line)) {
    line = Trim(line);
    c.WriteLog("parseFLV: Line read: " + line, 10);
    if (!Core::IsComment(line) && IContains(line, "LOTPLOT") && c.gzone == 1) {
      c.gLotplotOverride = true;
      c.WriteLog("Lotplot override.", 0);
    }
    if (UCase(line.substr(0, 5)) != "CALCS") continue;

    // The block is the next n lines, whatever they hold. A count that is no
    // sensible number of lines reads to the end of the file.
    const Texts words = c.SplitWords(line);
    const std::string declared = words.size() >= 2 ? words[1] : "";
    const double n = IsNumeric(declared, !c.gDotDecimal) ? std::trunc(Val(declared, !c.gDotDecimal)) : -1;
    const bool bounded = n >= 0 && n <= kMaxCalcLines;
    const long count = bounded ? static_cast<long>(n) : -1;
    c.WriteLog("parseFLV: NUMCALCS " + declared, 3);
    if (!bounded) c.WriteLog("parseFLV: CALCS count " + declared + " is not a number of lines, reading to the end", 0);
    blockRead = true;
    for (long i = 1; !bounded || i <= count; ++i) {
      if (!lines.Next(line)) break;
      line = Trim(line);
      c.WriteLog("parseFLV: Line read: " + line, 10);
      c.WriteLog("Flavor file line " + line + " Calculation number " + std::to_string(i), 3);
      const Texts calc = c.SplitWords(line);
      if (calc.size() >= 2) {
        c.WriteLog(c.Translate("Error reading line in flavor file") + " " + path + " " + c.Translate("Line:") + " " +
                       line,
                   0, true);
        return std::nullopt;
      }
      if (calc.size() == 1) calcs.push_back(calc[0]);
    }
    if (!bounded || static_cast<long>(calcs.size()) != count) {
      c.WriteLog(c.Translate("Inconsistency in flavor file encountered, CALCS specified:") + " " + declared + ", " +
                     c.Translate("CALCS found:") + " " + std::to_string(calcs.size()) + ".",
                 0, true);
    }
  }

  if (c.FileExists(JoinPath(PartDirectory(z.gPn), z.gPn + ".mis"), true)) calcs.push_back("PLATFORM");

  if (!blockRead) {
    if (c.GetKeyVal(c.gIniFile, "WarnMissingFlavorFileCalcs") != "NO")
      c.WriteLog(c.Translate("Zero CALCS found in flavor file") + " " + path, 0, true);
    c.WriteLog("parseFLV: End", 7);
    return std::nullopt;
  }
  z.calcs = calcs;
  c.WriteLog("parseFLV: End", 7);
  return calcs;
}

bool PartFiles::AddSection(const std::string& path, const std::string& name, bool inspected) {
  ZoneState& z = c.CurrentZone();
  if (static_cast<int>(z.tolerance.size()) >= kMaxSections) {
    c.WriteLog(c.Translate("Tolerance file") + " " + path + " " + c.Translate("holds more than") + " " +
                   std::to_string(kMaxSections) + " " + c.Translate("sections") + ".",
               0, true);
    return false;
  }
  z.tolerance.push_back({name, inspected, inspected});
  return true;
}

bool PartFiles::ReadKtTolerance(const std::string& path, int& declared) {
  ZoneState& z = c.CurrentZone();
  LineReader lines(path);
  RecordReader records(lines);
  std::string record;
  while (records.Next(record)) {
    if (record.find("NUM_SECT") != std::string::npos) {
      const Texts words = c.SplitWords(record);
      if (words.size() >= 2) {
        const double v = std::trunc(Val(words[1], !c.gDotDecimal));
        declared = v > 1e9 ? 1000000000 : v < -1e9 ? -1000000000 : static_cast<int>(v);
      }
    } else if (!Core::IsComment(record) && record.find("SECTION") != std::string::npos) {
      // A SECTION record is a section even without its name: it counts
      // against NUM_SECT, and the operator learns which record it was.
      const Texts words = c.SplitWords(record);
      const std::string name = words.size() >= 2 ? words[1] : "";
      if (!AddSection(path, name, words.size() == 3)) return false;
      const std::string number = std::to_string(z.tolerance.size());
      c.WriteLog("Tolerance section " + name + " number " + number, 1);
      if (name.empty())
        c.WriteLog(c.Translate("Tolerance file") + " " + path + " " + c.Translate("section") + " " + number + " " +
                       c.Translate("has no name") + " (" + record + ").",
                   0, true);
    }
  }
  return true;
}

bool PartFiles::ReadOemTolerance(const std::string& path) {
  LineReader lines(path);
  std::string line;
  lines.Next(line);  // title line
  lines.Next(line);
  int stride = 3;
  if (IContains(line, "1NONE")) {
    c.WriteLog("Tolerance file calls out lotplot.", 0);
    lines.Next(line);
    stride = 4;
  } else {
    c.WriteLog("Tolerance file does not call out lotplot.", 0);
  }
  lines.Next(line);
  lines.Next(line);

  RecordReader records(lines);
  std::string record;
  for (long i = 1; records.Next(record); ++i) {
    if (i != 1 && i % stride != 1) continue;
    const std::string name = Trim(record.substr(0, 7));
    const bool inspected = record.size() > 5 && record.find(" I ", 5) != std::string::npos;
    if (!AddSection(path, name, inspected)) return false;
    c.WriteLog("Tolerance section " + name + " number " + std::to_string(i / stride + 1) + " counter " +
                   std::to_string(i),
               6);
  }
  return true;
}

void PartFiles::SectionSet() {
  ZoneState& z = c.CurrentZone();
  c.WriteLog("SectionSet: Start:", 7);
  if (z.flavorName.empty()) {
    c.WriteLog("SectionSet: End: Found that a blade inspection was not called.", 5);
    return;
  }
  for (auto& section : z.tolerance) section.selected = false;
  if (!CheckPartNumber(z.gPn) || !CheckFileName("The tolerance file name", z.gTolName)) {
    DisableZone();
    return;
  }

  const std::string path = JoinPath(PartDirectory(z.gPn), NativePath(z.gTolName + z.tolExt));
  c.WriteLog("SectionSet: Reading " + path, 0);
  if (!c.FileExists(path, true) || IsDirectory(ResolveCase(path))) {
    c.WriteLog(c.Translate("Tolerance file") + " " + path + " " + c.Translate("not found") + ".", 0, true);
    DisableZone();
    return;
  }

  z.tolerance.clear();
  z.sectionCount = 0;
  const bool oem = IEquals(z.tolExt, ".te");
  int declared = 0;
  const bool complete = oem ? ReadOemTolerance(path) : ReadKtTolerance(path, declared);
  z.sectionCount = static_cast<int>(z.tolerance.size());
  if (!complete) {
    DisableZone();
    return;
  }
  if (z.sectionCount == 0) {
    c.WriteLog(c.Translate("Error Zero sections found in") + " " + path + ".", 0, true);
    DisableZone();
    return;
  }
  if (!oem && declared != z.sectionCount) {
    c.WriteLog(c.Translate("Tolerance file NUM_SECT parameter") + " (" + std::to_string(declared) + ") " +
                   c.Translate("and tolerance file counted sections") + " (" + std::to_string(z.sectionCount) +
                   ") " + c.Translate("are not equal") + ".",
               0, true);
    DisableZone();
    return;
  }

  // The operation's BLADE line, when it names sections, decides alone.
  if (!z.sections.empty()) {
    for (auto& section : z.tolerance) section.toleranceDefault = section.selected = false;
    for (size_t i = 0; i < z.tolerance.size(); ++i) {
      for (const auto& name : z.sections) {
        if (name != z.tolerance[i].name) continue;
        z.tolerance[i].toleranceDefault = z.tolerance[i].selected = true;
        c.WriteLog("SectionSet: Op Tolerance section turned on " + name + " number " + std::to_string(i + 1), 1);
      }
    }
  }

  if (SectionUpdate) SectionUpdate();
  c.WriteLog("SectionSet: End", 7);
}

bool PartFiles::SectionSelected(const std::string& sectionName) {
  const ZoneState& z = c.CurrentZone();
  for (const auto& section : z.tolerance)
    if (section.name == sectionName) return section.selected;
  return false;
}

}  // namespace zarvane
