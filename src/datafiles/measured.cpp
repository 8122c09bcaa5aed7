#include "datafiles/measured.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "datafiles/linereader.h"
#include "datafiles/rtf.h"
#include "foundation/atomicfile.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {

namespace {

// For a number text that does not fit the type: true when it is too close to
// zero (rather than too large). `s` is a decimal number, "." its point, "e"
// its exponent mark.
bool BelowRange(const std::string& s) {
  size_t i = s[0] == '-' ? 1 : 0;
  int integerDigits = 0;   // significant digits before the point
  int fractionZeros = 0;   // zeros after the point before the first other digit
  bool significant = false;
  for (; i < s.size() && s[i] != '.' && s[i] != 'e'; ++i)
    if (s[i] != '0' || integerDigits > 0) ++integerDigits;
  if (i < s.size() && s[i] == '.')
    for (++i; i < s.size() && s[i] != 'e'; ++i) {
      if (integerDigits > 0 || significant) continue;
      if (s[i] == '0') ++fractionZeros;
      else significant = true;
    }
  long exponent = 0;
  if (i < s.size() && s[i] == 'e') {
    ++i;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    for (; i < s.size(); ++i) exponent = std::min(exponent * 10 + (s[i] - '0'), 100000L);
    if (negative) exponent = -exponent;
  }
  const long magnitude = (integerDigits > 0 ? integerDigits - 1 : -(fractionZeros + 1)) + exponent;
  return magnitude < 0;
}

// A decimal number as T. False when it does not fit; a value too close to zero
// for T is 0.
template <typename T>
bool ConvertDecimal(std::string s, T& value) {
  for (char& ch : s) {
    if (ch == ',') ch = '.';
    else if (ch == 'E' || ch == 'd' || ch == 'D') ch = 'e';
  }
  if (s[0] == '+') s.erase(0, 1);
  T v{};
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    if (!BelowRange(s)) return false;
    v = s[0] == '-' ? -T(0) : T(0);
  } else if (r.ec != std::errc() || !std::isfinite(v)) {
    return false;
  }
  value = v;
  return true;
}

bool HasDecimalSeparator(const std::string& word, bool commaDecimal) {
  return word.find('.') != std::string::npos || (commaDecimal && word.find(',') != std::string::npos);
}

}  // namespace

// Whether a log line of this level reaches the log, so that lines logged per
// point are not composed for nothing.
bool MeasuredData::Logs(int level) const { return c.gDebugLevel >= 5 && c.gDebugLevel >= level; }

std::string MeasuredData::SectionMarker(int language) { return language == 4 ? "PUNKTINFO" : "POINTDATA"; }

bool MeasuredData::Number(const std::string& word, double& value) const {
  const bool comma = !c.gDotDecimal;
  if (!IsNumeric(word, comma)) return false;
  const std::string s = TrimWhite(word);
  if (s[0] == '&') {  // &H hexadecimal: a whole number that always fits
    value = Val(s, comma);
    return true;
  }
  return ConvertDecimal(s, value);
}

bool MeasuredData::SingleNumber(const std::string& word, float& value) const {
  const bool comma = !c.gDotDecimal;
  if (!IsNumeric(word, comma)) return false;
  const std::string s = TrimWhite(word);
  if (s[0] == '&') {
    value = static_cast<float>(Val(s, comma));
    return true;
  }
  return ConvertDecimal(s, value);
}

void MeasuredData::ShowSectionProgress(size_t sections, int expectedSectionCount) {
  // Half the bar for the expected sections (a report has two blocks per
  // section); without an expected count the bar is full.
  const double share =
      expectedSectionCount > 0 ? static_cast<double>(sections) / expectedSectionCount * 50.0 : 100.0;
  const int value = static_cast<int>(std::lround(std::clamp(share, 0.0, 100.0)));
  c.WriteLog("Progress Bar Value: " + std::to_string(value), 10);
  c.WriteLog("readData Section count: " + std::to_string(sections), 5);
  frmProgress.SetValue(value);
  if (c.platform.clock) c.platform.clock->ProcessEvents();
}

std::optional<MeasuredSections> MeasuredData::readData(const std::string& reportPath, int expectedSectionCount) {
  c.WriteLog("Start of readData...", 7);
  const std::string caption = c.Translate("Processing measured data...");
  frmProgress.SetProgress(caption, caption, 0);
  c.WriteLog(caption, 0);
  c.WriteLog("readData: After show of frmProgress...", 9);

  // The report as plain text in tmpwrk.txt, replacing the last one.
  std::string report;
  const std::string native = ResolveCase(NativePath(reportPath));
  if (auto data = IsRegularFile(native) ? ReadAll(native) : std::nullopt) {
    report = std::move(*data);
  } else {
    c.WriteLog("readData: Cannot read " + reportPath, 0);
  }
  const std::string work = c.HomeFile("tmpwrk.txt");
  {
    const std::string text = RtfToText(report);
    report.clear();
    if (const WriteResult written = WriteFileAtomically(work, text); !written.Ok()) {
      frmProgress.Close();
      throw RuntimeError(kErrPathAccess, "Path/File access error: " + written.Error());
    }
  }
  c.WriteLog("readData: After creation of tmpwrk...", 9);

  const std::string marker = SectionMarker(ValInt(c.GetKeyVal(c.gIniFile, "Language")));
  MeasuredSections sections;
  ijk open;
  bool sectionOpen = false;
  bool dataSeen = false;
  LineReader in(work);
  std::string line;
  float x, y, z, i, j, k, seventh;
  while (in.Next(line)) {
    if (line.find(marker) != std::string::npos) {
      if (sectionOpen) {
        sections.push_back(std::move(open));
        c.WriteLog("readData: QUORVX output section.count (POINTDATA FOUND) is: " +
                       std::to_string(sections.back().Count()),
                   0);
        ShowSectionProgress(sections.size(), expectedSectionCount);
      }
      open = ijk();
      sectionOpen = true;
    } else if (sectionOpen && Parseline(line, x, y, z, i, j, k, seventh)) {
      open.Add(x, y, z, i, j, k, seventh, 0);
      if (open.Count() > 10) dataSeen = true;
    }
  }

  std::optional<MeasuredSections> result;
  if (dataSeen && sectionOpen) {
    sections.push_back(std::move(open));
    ShowSectionProgress(sections.size(), expectedSectionCount);
    result = std::move(sections);
  } else {
    frmProgress.Close();
    c.WriteLog(c.Translate("Data not understood or not found in: ") + reportPath + ".", 0, true);
  }
  c.WriteLog("End of readData...", 7);
  return result;
}

bool MeasuredData::Parseline(const std::string& line, float& x, float& y, float& z, float& i, float& j,
                             float& k, float& seventh) {
  static constexpr const char* kIgnored[] = {"DIM", "AX ", "M   ", "R   ", "A   ", "PART", "BUILT"};
  bool ignore = line.find_first_not_of(' ') == std::string::npos;
  for (const char* text : kIgnored)
    if (!ignore && line.find(text) != std::string::npos) ignore = true;
  if (ignore) {
    if (Logs(10)) c.WriteLog("Parseline ignored line: " + line, 10);
    return false;
  }

  const Texts w = c.SplitWords(line);
  const bool comma = !c.gDotDecimal;
  auto numeric = [&](size_t word) { return IsNumeric(w[word - 1], comma); };
  size_t first = 0;  // the 1-based word that is x
  switch (w.size()) {
    case 8:
      if (!numeric(2)) return false;
      first = 2;
      break;
    case 9:
      if (!numeric(3)) return false;
      first = numeric(9) ? 3 : 2;
      break;
    case 10:
      if (!numeric(4)) return false;
      first = numeric(10) ? 4 : 3;
      break;
    case 11:
      if (!numeric(4)) return false;
      first = numeric(11) ? 3 : 4;
      break;
    default:
      c.WriteLog("Reading Quorvex output line not understood, line: " + line, 9);
      return false;
  }
  float v[7];
  for (size_t a = 0; a < 7; ++a) {
    if (!SingleNumber(w[first - 1 + a], v[a])) {
      c.WriteLog("Parseline: Conversion error in line: " + line, 9);
      return false;
    }
  }
  x = v[0];
  y = v[1];
  z = v[2];
  i = v[3];
  j = v[4];
  k = v[5];
  seventh = v[6];
  return true;
}

ijk MeasuredData::ReadTXTBlade(const std::string& path) {
  ijk list;
  const bool generic = c.parseFile(path, "HITS", false);
  if (generic) c.WriteLog("Detected Quorvex generic export file.", 9);
  LineReader in(NativePath(path));
  if (!in.IsOpen()) {
    c.WriteLog("ReadTXTBlade: Cannot read " + path, 0);
    return list;
  }
  const bool comma = !c.gDotDecimal;
  std::string line;
  std::vector<double> values;
  while (in.Next(line)) {
    if (Logs(10)) c.WriteLog("ReadTXTBlade: Line read: " + line, 10);
    if (Trim(line).empty() || Core::IsComment(line)) continue;
    const Texts words = c.SplitWords(line);
    if (words.size() < 3 || (generic && words.size() == 7)) continue;

    values.clear();
    bool convertible = true;
    bool firstIsLabel = false;
    for (const auto& word : words) {
      if (!IsNumeric(word, comma)) continue;
      double v = 0;
      if (!Number(word, v)) {
        convertible = false;
        break;
      }
      if (values.empty()) firstIsLabel = !HasDecimalSeparator(word, comma);
      values.push_back(v);
    }
    if (convertible && firstIsLabel) values.erase(values.begin());

    double p[8] = {0, 0, 0, 0, 0, 0, 0, 0};  // x y z i j k ltol utol
    size_t used = 0;
    switch (convertible ? values.size() : 0) {
      case 3: case 4: used = 3; break;
      case 5: used = 5; break;
      case 6: case 7: used = 6; break;
      case 8: case 9: used = 8; break;
      default: used = 0; break;
    }
    if (used == 0) {
      if (Logs(10)) c.WriteLog("ReadTXTBlade: Data NOT added: Line: " + line, 10);
      continue;
    }
    std::copy_n(values.begin(), used, p);
    list.Add(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
    if (Logs(10)) c.WriteLog("ReadTXTBlade: Data added: Line: " + line, 10);
  }
  return list;
}

}  // namespace zarvane
