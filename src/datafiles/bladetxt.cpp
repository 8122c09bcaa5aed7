// The blade text file: its header, one block per selected section, the point
// lines and the arc-length placement of airfoil definition points.
#include "datafiles/bladetxt.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "datafiles/linereader.h"
#include "foundation/atomicfile.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {

namespace {

constexpr size_t kZoneWidth = 14;

// Opens blade.txt for writing; a file that cannot be opened is a path/file access error.
std::ofstream OpenOutput(const std::string& path, std::ios::openmode mode) {
  std::ofstream out(OsPath(path), std::ios::binary | mode);
  if (!out) throw RuntimeError(kErrPathAccess, "Path/File access error: " + path);
  return out;
}

void Close(std::ofstream& out, const std::string& path) {
  out.close();
  if (!out) throw RuntimeError(kErrDeviceIo, "Device I/O error: " + path);
}

std::string Numbers(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d, std::int32_t e, std::int32_t f) {
  return std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " " + std::to_string(d) + " " +
         std::to_string(e) + " " + std::to_string(f);
}

}  // namespace

std::string FormatValue(double value) { return FormatFixed(value, 5); }

std::string PrintZones(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t f = 0; f < fields.size(); ++f) {
    if (f > 0) line.append((line.size() / kZoneWidth + 1) * kZoneWidth - line.size(), ' ');
    line += fields[f];
  }
  return line;
}

void WritePoint(std::ostream& file, const points& p, const std::string& key, bool shortForm, double scale) {
  const double s = scale > 0 ? scale : 1;
  std::vector<std::string> fields = {FormatValue(p.x * s), FormatValue(p.y * s), FormatValue(p.z * s)};
  if (!shortForm) {
    fields.push_back(FormatValue(p.i));
    fields.push_back(FormatValue(p.j));
    fields.push_back(FormatValue(p.k));
  }
  fields.push_back(key);
  file << PrintZones(fields) << "\r\n";
}

void WritePoint(std::ostream& file, const ijk& section, long number, const std::string& key, bool shortForm,
                double scale) {
  WritePoint(file, section.At(number), key, shortForm, scale);
}

std::string BladeText::MFormat(double value, int decimals) {
  const int d = decimals > 0 ? decimals : 0;
  c.WriteLog("MFormat: Format used: 0." + Repeat('0', d), 9);
  const std::string text = FormatFixed(value, d);
  return d == 0 ? text + "." : text;
}

std::string BladeText::BladeTxtPath() const { return ResolveCase(c.HomeFile("blade.txt")); }

void BladeText::DisableZone() {
  blockFailed_ = true;
  if (zoneDisabled_) return;
  zoneDisabled_ = true;
  if (pf.DisZone) pf.DisZone(c.gzone);
}

bool BladeText::WriteBladeTxt() {
  ZoneState& z = c.CurrentZone();
  zoneDisabled_ = blockFailed_ = false;
  blocksWritten_ = 0;
  const std::string bladeTxt = BladeTxtPath();
  try {
    const std::string partDir = pf.PartDirectory(z.gPn);
    if (partDir.empty() || !PartFiles::SafeRelativeName(z.gNomName)) {
      c.WriteLog(c.Translate("The nominal file of part") + " " + z.gPn + " " + c.Translate("cannot be found") + ".", 0,
                 true);
      DisableZone();
      return false;
    }
    const std::string nominal = JoinPath(partDir, NativePath(z.gNomName + z.nomExt));
    c.WriteLog("WriteBladeTxt: Zone is: " + std::to_string(c.gzone) + " and nominal file is: " + nominal, 4);

    int selected = 0;
    for (const auto& section : z.tolerance)
      if (section.selected) ++selected;
    const bool platform = PlatformTicked && PlatformTicked(c.gzone);
    // The file is composed in memory, header and every block, and reaches
    // the disk whole: the host never reads a header whose blocks are missing.
    AtomicFile file(bladeTxt);
    building_ = &file.Stream();
    struct Done {
      std::ostream*& building;
      ~Done() { building = nullptr; }
    } done{building_};
    file.Stream() << "PART " << z.gPn << "\r\n"
                  << "FIXTURE_LOCATION " << c.gzone << "\r\n"
                  << "PLATFORM_CHECK " << (platform ? 1 : 0) << "\r\n"
                  << "NUMBER_OF_SECTIONS " << selected << "\r\n";

    bool complete = false;
    if (IEquals(z.nomExt, ".nom")) {
      complete = ReadNOMfile3(nominal, true);
    } else if (IEquals(z.nomExt, ".ua")) {
      complete = ReadUAfile(nominal).has_value();
    } else {
      c.WriteLog(c.Translate("Nominal file") + " " + nominal + " " + c.Translate("is neither a .nom nor a .ua file") +
                     ".",
                 0, true);
    }
    if (complete && !blockFailed_ && blocksWritten_ != selected) {
      // A selected section the nominal file does not hold under that exact name.
      c.WriteLog(c.Translate("Nominal file") + " " + nominal + " " + c.Translate("holds") + " " +
                     std::to_string(blocksWritten_) + " " + c.Translate("of the") + " " + std::to_string(selected) +
                     " " + c.Translate("sections selected") + ".",
                 0, true);
      complete = false;
    }
    if (!complete || blockFailed_) {
      // The host must not measure from a file whose blocks disagree with its
      // header: nothing of it is written.
      DisableZone();
      c.WriteLog("WriteBladeTxt: End: blade.txt is incomplete, zone " + std::to_string(c.gzone) + " disabled", 0);
      return false;
    }
    if (const WriteResult written = file.Commit(); !written.Ok()) throw RuntimeError(kErrDeviceIo, written.Error());

    if (UCase(c.GetKeyVal(c.gIniFile, "Interface")) == "TEST" && c.gDebugLevel > 8)
      c.ShellOpen("Open", bladeTxt, "", "", 1);
    c.WriteLog("WriteBladeTxt: End", 7);
    return true;
  } catch (const std::exception& e) {
    c.WriteLog("WriteBladeTxt: Error occurred: " + std::string(e.what()), 0);
    c.WriteLog(c.Translate("An error occurred while writing the blade text file") + " " + bladeTxt + ". " +
                   c.Translate("Contact System Administrator") + ".",
               0, true);
    DisableZone();
    return false;
  }
}

void BladeText::OffsetLine(std::ostream& out, const char* keyword, double offset, bool sendOffsets) {
  if (sendOffsets) out << PrintZones({keyword, MFormat(offset, 5)}) << "\r\n";
}

void BladeText::writeBtxt(const ijk& section, const std::string& name, std::int32_t nose, std::int32_t nose1,
                          std::int32_t nose2, std::int32_t tail, std::int32_t tail1, std::int32_t tail2,
                          std::string noseKey, std::string tailKey, double leOffset, double teOffset) {
  c.WriteLog("writeBtxt: Start: Section " + name + " NoseKey: " + noseKey + " TailKey: " + tailKey, 7);
  if (noseKey.empty()) noseKey = "FULL";
  if (tailKey.empty()) tailKey = "FULL";
  const bool sendOffsets = c.GetKeyVal(c.gIniFile, "SendScanOffsets") == "1";
  const std::string path = BladeTxtPath();
  // Within WriteBladeTxt the block joins the file being composed; alone, it
  // is appended to blade.txt.
  std::ofstream appended;
  if (!building_) appended = OpenOutput(path, std::ios::app);
  std::ostream& out = building_ ? *building_ : appended;
  const auto finish = [&] {
    if (!building_) Close(appended, path);
  };

  const ZoneState& z = c.CurrentZone();
  const std::string partDir = pf.PartDirectory(z.gPn);
  const std::string definition = partDir.empty() ? std::string() : JoinPath(partDir, z.gPn + ".def");
  const bool partial = noseKey == "PARTIAL" || tailKey == "PARTIAL";
  const std::string numbers = Numbers(nose, nose1, nose2, tail, tail1, tail2);
  // The average of two marker points, direction included.
  const auto average = [&](std::int32_t a, std::int32_t b) {
    const points& p = section.At(a);
    const points& q = section.At(b);
    points m;
    m.x = (p.x + q.x) / 2;
    m.y = (p.y + q.y) / 2;
    m.z = (p.z + q.z) / 2;
    m.i = (p.i + q.i) / 2;
    m.j = (p.j + q.j) / 2;
    m.k = (p.k + q.k) / 2;
    return m;
  };

  if (!partial && !definition.empty() && c.FileExists(definition, true)) {
    LineReader lines(definition);
    RecordReader records(lines);
    std::string record;
    bool defined = false;
    while (records.Next(record)) {
      if (Core::IsComment(record)) continue;
      const Texts words = c.SplitWords(record);
      if (words.empty() || Trim(words[0]) != name) continue;
      defined = true;
      if (words.size() < 2) {
        c.WriteLog(c.Translate("Error reading") + " " + definition + " " + c.Translate("Line:") + " " + record, 0,
                   true);
        DisableZone();
        finish();
        return;
      }
      const Texts percentages(words.begin() + 1, words.end());
      c.WriteLog("writeBtxt: Section " + name + " definition percentages: " + std::to_string(percentages.size()), 1);
      std::vector<long> numbersOnArc;
      GetArcPt(section, percentages, nose, tail, numbersOnArc);
      c.WriteLog("Airfoil number of positions as reported by GetArcPt: " + std::to_string(numbersOnArc.size()), 0);
      OffsetLine(out, "LE_CHANGE", leOffset, sendOffsets);
      OffsetLine(out, "TE_CHANGE", teOffset, sendOffsets);
      for (long number : numbersOnArc) WritePoint(out, section, number, "", false, 0);
    }
    if (!defined) {
      c.WriteLog("writeBtxt: Section " + name + " not found in definition file", 3);
      OffsetLine(out, "LE_CHANGE", leOffset, sendOffsets);
      OffsetLine(out, "TE_CHANGE", teOffset, sendOffsets);
      WritePoint(out, section, nose, noseKey, false, 0);
      WritePoint(out, section, tail, tailKey, false, 0);
    }
  } else if (!partial && (noseKey == "SQUARE" || tailKey == "SQUARE")) {
    c.WriteLog("Square section: " + name + ", output nose and tail points: " + numbers, 0);
    OffsetLine(out, "LE_CHANGE", leOffset, sendOffsets);
    if (noseKey == "SQUARE") WritePoint(out, average(nose1, nose2), "SQUARE", false, 0);
    else WritePoint(out, section, nose, noseKey, false, 0);
    OffsetLine(out, "TE_CHANGE", teOffset, sendOffsets);
    if (tailKey == "SQUARE") WritePoint(out, average(tail1, tail2), "SQUARE", false, 0);
    else WritePoint(out, section, tail, tailKey, false, 0);
  } else if (!partial) {
    c.WriteLog("No definition file and not partial or square section: " + name + ", output nose and tail points: " +
                   numbers,
               0);
    WritePoint(out, section, nose, noseKey, false, 0);
    WritePoint(out, section, tail, tailKey, false, 0);
  } else {
    c.WriteLog("Partial section: " + name + ", output nose and tail points: " + numbers, 0);
    OffsetLine(out, "LE_CHANGE", leOffset, sendOffsets);
    if (noseKey == "PARTIAL") {
      for (std::int32_t n : {nose, nose1, nose2}) WritePoint(out, section, n, "PARTIAL", false, 0);
    } else {
      WritePoint(out, section, nose, noseKey, false, 0);
    }
    OffsetLine(out, "TE_CHANGE", teOffset, sendOffsets);
    if (tailKey == "PARTIAL") {
      for (std::int32_t n : {tail, tail1, tail2}) WritePoint(out, section, n, "PARTIAL", false, 0);
    } else {
      WritePoint(out, section, tail, tailKey, false, 0);
    }
  }
  finish();
  ++blocksWritten_;
  c.WriteLog("writeBtxt: End: Section " + name, 7);
}

void BladeText::GetArcPt(const ijk& section, const std::vector<std::string>& percentages, std::int32_t nose,
                         std::int32_t tail, std::vector<long>& out) {
  const long n = section.Count();
  std::vector<double> at(static_cast<size_t>(n) + 1, 0.0);  // 1-based running length
  double running = 0, firstSide = 0;
  for (long k = 1; k <= n; ++k) {
    if (k > 1) {
      const points& a = section.At(k - 1);
      const points& b = section.At(k);
      running += std::hypot(b.x - a.x, b.y - a.y);
    }
    if (k == tail) {
      firstSide = running;
      running = 0;
    }
    at[k] = running;
  }
  const double secondSide = running;

  for (size_t w = 0; w < percentages.size(); ++w) {
    const std::string& word = percentages[w];
    c.WriteLog("GetArcPt: Percentage number " + std::to_string(w + 1) + " is " + word, 3);
    double percent = 0;
    if (!NominalNumber(word, !c.gDotDecimal, percent) || percent < 0 || percent > 100) {
      c.WriteLog(c.Translate("Error in airfoil definition file, percentage read as") + " " + word + ".", 0, true);
      break;
    }
    const bool first = percent < 50;
    const double target = first ? percent / 50 * firstSide : (percent - 50) / 50 * secondSide;
    const long from = first ? 1 : tail;
    const long to = std::min<long>(first ? tail - 1 : n, n);
    long chosen = 0;
    double best = 9999;
    for (long k = std::max(from, 1L); k <= to; ++k) {
      const double d = std::fabs(at[k] - target);
      if (d < best) {
        best = d;
        chosen = k;
      }
    }
    if (chosen == 0) {
      c.WriteLog("GetArcPt: no point found for percentage " + word, 0);
      continue;
    }
    out.push_back(chosen);
  }
  c.WriteLog("GetArcPt: Total arc: " + NumberText(firstSide + secondSide) + " First side: " + NumberText(firstSide) +
                 " Second side: " + NumberText(secondSide),
             9);
}

}  // namespace zarvane
