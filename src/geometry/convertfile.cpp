// ConvertPts2: the operator's dialogue around the point file conversion and
// the writing of the nominal or report file.
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "datafiles/linereader.h"
#include "datafiles/measured.h"
#include "foundation/atomicfile.h"
#include "foundation/filename.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "geometry/convert.h"

namespace zarvane {
namespace {

constexpr double kMmPerInch = 25.4;

std::string Num(long n) { return std::to_string(n); }

std::string WithExtension(const std::string& path, const std::string& ext) {
  const size_t sep = path.find_last_of("/\\");
  const size_t dot = path.rfind('.');
  const bool hasDot = dot != std::string::npos && (sep == std::string::npos || dot > sep);
  return (hasDot ? path.substr(0, dot) : path) + "." + ext;
}

// No coordinate of a blade comes near this; beyond it numbers no longer
// print in the file's format.
constexpr double kLargestValue = 1e9;
constexpr long kLoggedHeights = 1000;

// The first line holding a value that is no usable number (NaN, infinite, too
// large for a double, or a decimal number beyond kLargestValue): its number
// (1-based) and text; 0 when none. Whole numbers (point labels) may be large.
long UnusableNumberLine(Core& c, const std::string& path, std::string& text, std::string& why) {
  LineReader in(NativePath(path));
  const bool comma = !c.gDotDecimal;
  std::string line;
  for (long number = 1; in.Next(line); ++number) {
    // The lines the point reader skips are not looked at either.
    if (Trim(line).empty() || Core::IsComment(line)) continue;
    // (The word list is made from a copy: splitting rewrites its commas.)
    const Texts words = c.SplitWords(static_cast<const std::string&>(line));
    if (words.size() < 3) continue;
    // With "." as the decimal separator a comma between digits is a decimal
    // comma the reader would split into two numbers: a wrong file, refused.
    if (!comma)
      for (size_t i = 1; i + 1 < line.size(); ++i)
        if (line[i] == ',' && std::isdigit(static_cast<unsigned char>(line[i - 1])) &&
            std::isdigit(static_cast<unsigned char>(line[i + 1])) &&
            line.find_first_of(" \t") != std::string::npos && line.find('.') == std::string::npos) {
          text = line.substr(0, 80);
          why = "The point file writes its numbers with decimal commas in line";
          return number;
        }
    for (const std::string& word : words) {
      std::string w = LCase(word);
      if (!w.empty() && (w[0] == '-' || w[0] == '+')) w.erase(0, 1);
      const bool named = w == "nan" || w == "inf" || w == "infinity" || StartsWith(w, "nan(") || w == "1.#inf" ||
                         w == "1.#qnan" || w == "1.#ind";
      // Whole numbers may be large (point labels); a coordinate has decimals.
      const bool decimal = word.find_first_of(comma ? ".,eE" : ".eE") != std::string::npos;
      const double v = IsNumeric(word, comma) ? Val(word, comma) : 0;
      if (named || !std::isfinite(v) || (decimal && std::fabs(v) > kLargestValue)) {
        text = line.substr(0, 80);  // a binary or one-line file is not quoted whole
        why = "The point file holds a value that is infinite, not a number or beyond a billion in line";
        return number;
      }
    }
  }
  return 0;
}

// The starting section answer: a whole number from 1 to `highest`, else 0.
int StartNumber(const std::string& answer, int highest) {
  const std::string t = Trim(answer);
  if (t.empty() || t.size() > 5 || !std::all_of(t.begin(), t.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
    return 0;
  const int n = std::stoi(t);
  return n >= 1 && n <= highest ? n : 0;
}

// The offset entered, or the default when the answer is no number.
double Offset(Core& c, const std::string& answer, double fallback, const std::string& name) {
  if (IsNumeric(answer, !c.gDotDecimal)) return Val(answer, !c.gDotDecimal);
  c.WriteLog("ConvertPts2: " + name + " offset '" + answer + "' is no number, the default " + NumberText(fallback) +
                 " is used",
             0);
  return fallback;
}

// The number lines of the points, each value followed by three blanks.
void WritePoints(std::vector<std::string>& out, const ijk& section, double factor) {
  for (const auto& p : section) {
    std::string line = FormatFixed(p->x * factor, 5) + "   " + FormatFixed(p->y * factor, 5) + "   " +
                       FormatFixed(p->z * factor, 5) + "   ";
    if (p->i != 0 || p->j != 0 || p->k != 0)
      line += FormatFixed(p->i, 5) + "   " + FormatFixed(p->j, 5) + "   " + FormatFixed(p->k, 5) + "   ";
    out.push_back(std::move(line));
  }
}

}  // namespace

bool PointFileConverter::ConvertPts2(std::string& path) {
  written.clear();
  c.WriteLog("ConvertPts2 reading file: " + path, 0);
  if (!c.op.OkCancel(path + " " + c.Translate("is about to be converted.  Please check file after conversion for accuracy") +
                         ".",
                     c.Translate("File Conversion")))
    return false;
  const std::string kind =
      Question("Convert file to nominal file (YES) or report file (NO)", "Nominal or Report file", "?")
          ? "nom"
          : "rpt";
  bool metric = false;
  if (c.parseFile(path, "METRIC", false)) {
    c.WriteLog("File is metric.", 0);
    metric = true;
  }
  const std::vector<std::string> labels = SectionLabels();

  std::string badLine, why;
  if (const long bad = UnusableNumberLine(c, path, badLine, why)) {
    c.WriteLog(c.Translate(why) + " " + Num(bad) + ": " + badLine + ". " + c.Translate("Conversion failed") + ".", 0,
               true);
    return false;
  }
  MeasuredData reader(c, frmProgress);
  const ijk raw = reader.ReadTXTBlade(path);
  const long n = raw.Count();
  if (n < 40) {
    c.Tell("Conversion acquired less than 40 points.  Conversion failed");
    return false;
  }
  std::vector<double> z(static_cast<size_t>(n));
  for (long p = 0; p < n; ++p) z[p] = raw.At(p + 1).z;
  if (std::fabs(z[0]) > 50 && Question("Is this file METRIC?", "METRIC/INCH?")) metric = true;
  c.WriteLog("ConvertPts2: Found " + Num(n) + " points.", 0);
  const std::string tolText = Trim(c.GetKeyVal(c.gIniFile, "PointsOnSectionTolerance"));
  double tolerance = IsNumeric(tolText, !c.gDotDecimal) ? Val(tolText, !c.gDotDecimal) : 0.04;
  // No band (0 or less) would make every point a height of its own.
  if (!(tolerance > 0)) tolerance = 0.04;
  if (metric) tolerance *= kMmPerInch;

  // Section heights.
  const points& first = raw.At(1);
  c.WriteLog("ConvertPts2: First point checked: " + NumberText(first.x) + " " + NumberText(first.y) + " " +
                 NumberText(first.z),
             10);
  c.WriteLog("ConvertPts2: Found z for section 1 at " + NumberText(z[0]), 9);
  const std::string heightsCaption = c.Translate("Calculating Section Heights...");
  c.WriteLog(heightsCaption, 0);
  frmProgress.SetProgress(heightsCaption, heightsCaption, 0);
  long found = 1;
  for (long i = 1; i < n; ++i) {
    frmProgress.SetValue(static_cast<int>(std::min<long long>(100LL * (i + 1) / n, 100)));
    if (std::fabs(z[i] - z[i - 1]) > tolerance) {
      ++found;
      // A file whose every line changes height would log a line per point.
      if (found <= kLoggedHeights)
        c.WriteLog("ConvertPts2: Found Z for section " + Num(found) + " at " + NumberText(z[i]), 9);
      else if (found == kLoggedHeights + 1)
        c.WriteLog("ConvertPts2: more than " + Num(kLoggedHeights) + " jumps in z, the rest are not logged", 9);
    }
  }
  c.WriteLog("ConvertPts2: Found " + Num(found) + " sections.", 0);
  const std::vector<double> heights = SectionHeights(z, tolerance);
  const long H = static_cast<long>(heights.size());
  c.WriteLog("Sections found in file: " + Num(H), 0, true);

  // The file is composed in memory and replaces the final name whole, once
  // it stands; a directory that takes no files is told before any question.
  const std::string finalPath = WithExtension(path, kind);
  // Stops with the message (already translated): nothing is written.
  const auto stop = [&](const std::string& why) {
    frmProgress.Close();
    c.WriteLog(why + ".", 0, true);
    return false;
  };
  const auto tr = [&](const std::string& english) { return c.Translate(english); };
  const std::string finalDir = DirectoryOf(NativePath(finalPath));
  if (::access(OsPath(ResolveCase(finalDir.empty() ? "." : finalDir)).c_str(), W_OK) != 0)
    return stop(tr("The converted file could not be written") + ": " + finalPath + " (" + std::strerror(errno) + ")");

  const int highest = static_cast<int>(labels.size()) - static_cast<int>(H) + 1;
  if (highest < 1) return stop(tr("The file holds more sections than there are section labels") + ". " + tr("Conversion failed"));
  std::string answer = c.op.InputBox(
      c.Translate("Enter the starting section as a number, (1=A-A, 2=B-B, etc)") + ".", c.Translate("Starting Section"), "");
  if (Trim(answer).empty()) return stop(tr("File conversion cancelled"));
  int start = StartNumber(answer, highest);
  if (start == 0) {
    answer = c.op.InputBox(
        c.Translate("Please RE-ENTER the starting section number as an INTEGER, (1=A-A, 2=B-B, etc)") + ".",
        c.Translate("Starting Section"), "");
    if (Trim(answer).empty()) return stop(tr("File conversion cancelled"));
    start = StartNumber(answer, highest);
    if (start == 0)
      return stop(highest >= 1 ? tr("The starting section must be a whole number from 1 to") + " " + Num(highest) +
                                     ". " + tr("Conversion failed")
                               : tr("The file holds more sections than there are section labels") + ". " +
                                     tr("Conversion failed"));
  }
  const long startOffset = start - 1;

  const std::string noseTitle = "Point 1 Nose/Tail Determination";
  const bool resetNose = Question("Reset nose point to point 1", noseTitle, "?");
  bool noseFirst = false;
  if (resetNose) {
    noseFirst = Question("Is point 1 closest to the NOSE of the airfoil (YES), or TAIL (NO)", noseTitle, "?");
    c.WriteLog("ConvertPts2: Answer was: " + std::string(noseFirst ? "6" : "7"), 5);
  }
  const double defaultOffset = metric ? 5.08 : 0.2;
  const std::string defaultText = metric ? "5.08" : "0.2";
  const double le = Offset(c,
                           c.op.InputBox(c.Translate("Enter LE Offset Value in current units (MM/INCH)"),
                                         c.Translate("LE Offset"), defaultText),
                           defaultOffset, "LE");
  const double te = Offset(c,
                           c.op.InputBox(c.Translate("Enter TE Offset Value in current units (MM/INCH)"),
                                         c.Translate("TE Offset"), defaultText),
                           defaultOffset, "TE");
  const bool fullSort = Question("Would you like to full sort sections", "Section Sort");
  const bool simpleSort = !fullSort && Question("Would you like to simple sort sections", "Section Sort", "?");
  const bool convertUnits = Question(metric ? "Current units are MM.  Would you like to convert to INCHES?"
                                            : "Current units are INCHES.  Would you like to convert to MM?",
                                     "Units Conversion");
  const double factor = convertUnits ? (metric ? 1 / kMmPerInch : kMmPerInch) : 1.0;
  const bool writesMm = metric != convertUnits;

  std::vector<long> leftOver;
  const std::vector<std::vector<long>> gathered = GatherSections(z, heights, tolerance, leftOver);
  std::vector<std::string> header, body;
  long writtenSections = 0;
  for (long s = 1; s <= H; ++s) {
    const std::string creating = c.Translate("Creating Section") + " " + Num(s);
    c.WriteLog(creating, 0);
    frmProgress.SetProgress(creating, creating, 100);
    ijk section;
    section.Reserve(static_cast<long>(gathered[s - 1].size()));
    for (long p : gathered[s - 1]) {
      const points& q = raw.At(p + 1);
      section.Add(q.x, q.y, q.z, q.i, q.j, q.k, 0, 0);
    }
    const long count = section.Count();
    c.WriteLog("ConvertPts2: Number of points in section: " + Num(count), 9);
    if (count < 30) {
      c.WriteLog(c.Translate("Points file converter found less than thirty points in section") + " " + Num(s) + " " +
                     c.Translate("(The section will be ignored)") + ".",
                 0, true);
      continue;
    }
    if (count < 40)
      c.WriteLog(c.Translate("Points file converter found less than forty points in section") + " " + Num(s) + " " +
                     c.Translate("A well defined section contains at least forty or more points.  There is an absolute "
                                 "minimum of thirty points.  Please reconsider the section definition") +
                     ".",
                 0, true);
    else
      c.WriteLog("ConvertPts2: Number of points is ok", 5);

    std::int32_t nose = noseFirst ? 1 : static_cast<std::int32_t>(count / 2);
    std::int32_t tail = noseFirst ? static_cast<std::int32_t>(count / 2) : 1;
    std::int32_t zero1 = 0, zero2 = 0, zero3 = 0, zero4 = 0;
    const auto caption = [&](const std::string& english) {
      const std::string text = c.Translate(english) + " " + Num(s);
      c.WriteLog(text, 0);
      frmProgress.SetProgress(text, text, 0);
    };
    const auto midpoint = [&] {
      const points& a = section.At(nose);
      const points& b = section.At(tail);
      return geometry.ClosestXY(section, (a.x + b.x) / 2, (a.y + b.y) / 2);
    };
    // Nose and tail found afresh from the section as it stands.
    const auto locate = [&] {
      nose = tail = 0;
      geometry.GetNoseTail(section, nose, tail);
    };
    try {
      if (fullSort) {
        locate();
        caption("Partial Sorting Section");
        geometry.SecSort(section, midpoint());
        locate();
        caption("Full Sorting Section");
        geometry.FullSecSort(section, midpoint());
        if (section.At(1).x < section.At(2).x) geometry.RevSec(section);
        if (resetNose) {
          locate();
          if (nose != 1) geometry.sReorder(section, nose, zero1, zero2, tail, zero3, zero4);
        }
      } else if (simpleSort) {
        locate();
        caption("Simple Sorting Section");
        geometry.SecSort(section, midpoint());
        locate();
        if (nose != 1) geometry.sReorder(section, nose, zero1, zero2, tail, zero3, zero4);
      }
      if (resetNose) {
        geometry.GetNoseTail(section, nose, tail);
        if (nose != 1) geometry.sReorder(section, nose, zero1, zero2, tail, zero3, zero4);
      }
    } catch (const std::exception& e) {
      c.WriteLog("ConvertPts2: Error occurred: " + std::string(e.what()), 0);
      return stop(tr("The points of section") + " " + Num(s) + " (" + labels[s - 1 + startOffset] + ") " +
                  tr("could not be sorted") + ": " + std::string(e.what()) + ". " + tr("Conversion failed"));
    }

    if (header.empty()) {
      if (kind == "nom") {
        header.push_back(writesMm ? "UNITS MM" : "UNITS INCH");
      } else {
        const std::string flavor = c.OpenFileDlg(c.Translate("Select Flavor File"), "Flavor Files (*.flv)|*.flv", c.gHome + kSep);
        const std::string part = c.op.InputBox(c.Translate("Enter the Part Name"), c.Translate("Part Name"), "NewPart");
        const std::string date = c.NowText("%m/%d/%y %H:%M:%S");
        const std::string nominal =
            c.OpenFileDlg(c.Translate("Select Nominal File"), "Nominal Files (*.nom;*.ua)|*.nom;*.ua", c.gHome + kSep);
        const std::string tolerance =
            c.OpenFileDlg(c.Translate("Select Tolerance File"), "Tolerance Files (*.tol;*.te)|*.tol;*.te", c.gHome + kSep);
        const std::string radius =
            c.op.InputBox(c.Translate("Enter the probe radius in proper units"), c.Translate("Probe Radius"), "0.03947");
        // Each answer is one line of the header; the part name names the part's directory.
        if (!Trim(part).empty() && !IsPlainFileName(part))
          return stop(tr("The part name") + " " + ShownName(part) + " " +
                      tr("cannot be used: a name must stay inside its directory and name one file") + ". " +
                      tr("Conversion failed"));
        for (const std::string* answer : {&flavor, &nominal, &tolerance, &radius})
          if (HasControlCharacter(*answer))
            return stop(tr("The answer") + " " + ShownName(*answer) + " " + tr("cannot be used") + ". " +
                        tr("Conversion failed"));
        header = {"FLAVOR " + flavor,       "PART " + part,           "DATE " + date,
                  "NOMINAL " + nominal,     "TOLERANCE " + tolerance, "RADIUS " + radius};
      }
    }
    ++writtenSections;
    if (kind == "nom") {
      body.push_back("SECTION " + labels[s - 1 + startOffset] + " " + Num(count) + " " +
                     FormatFixed(section.AverageZ() * factor, 5));
      body.push_back("NOSE 1");
      body.push_back("OFFSETS " + PrintNumber(le * factor) + " " + PrintNumber(te * factor));
    } else {
      body.push_back("SECTION " + labels[s - 1 + startOffset] + " " + Num(count));
    }
    WritePoints(body, section, factor);
  }

  if (!leftOver.empty()) {
    std::vector<double> at;
    for (long p : leftOver)
      if (std::find(at.begin(), at.end(), z[p]) == at.end() && at.size() < 10) at.push_back(z[p]);
    std::vector<std::string> shown;
    for (double h : at) shown.push_back(NumberText(h));
    c.WriteLog(Num(static_cast<long>(leftOver.size())) + " " + c.Translate("points lie on no section and were left out, at the heights") +
                   " " + Join(shown, ", ") + (at.size() < leftOver.size() && at.size() == 10 ? ", ..." : "") + ".",
               0, true);
  }
  if (writtenSections == 0) return stop(tr("No section could be written, nothing was converted"));

  header.push_back("NUM_SECT " + PrintNumber(writtenSections));
  std::string text;
  for (const auto* lines : {&header, &body})
    for (const std::string& line : *lines) text += line + "\r\n";
  // The previous file is kept under its OLD name, and stays under its own
  // name until the new one replaces it.
  if (c.FileExists(finalPath, true)) c.FCopy(ResolveCase(finalPath), Core::BackupName(ResolveCase(finalPath)));
  if (const WriteResult result = WriteFileAtomically(finalPath, text); !result.Ok())
    return stop(tr("The converted file could not be written") + ": " + finalPath + " (" + result.reason + ")");
  c.WriteLog(c.Translate("Finished file conversion") + ". " + c.Translate("Opening file to check conversion") + ".", 0,
             true);
  c.ShellOpen("Open", finalPath, "", "", 1);
  frmProgress.Close();
  written = finalPath;
  return true;
}

}  // namespace zarvane
