// The nominal file readers: the keyword family (.nom) with its check against
// the tolerance file, and the fixed-layout family (.ua).
#include <charconv>
#include <cmath>

#include "datafiles/bladetxt.h"
#include "datafiles/linereader.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {

bool NominalNumber(std::string_view word, bool commaDecimal, double& value) {
  if (!IsNumeric(word, commaDecimal)) return false;
  std::string t = TrimWhite(word);
  if (t.size() > 2 && t[0] == '&') {  // hexadecimal, at most 32 bits
    value = Val(t);
    return true;
  }
  if (t[0] == '+') t.erase(0, 1);
  for (char& ch : t) {
    if (ch == ',') ch = '.';
    else if (ch == 'd' || ch == 'D') ch = 'e';
  }
  // from_chars needs a digit before the point and ignores the locale.
  if (t[0] == '.') t.insert(0, "0");
  else if (t.size() > 1 && t[0] == '-' && t[1] == '.') t.insert(1, "0");
  double v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec == std::errc::result_out_of_range) {
    // Underflow reads as zero; overflow is no number.
    const auto e = t.find('e');
    if (e == std::string::npos || t.find('-', e) == std::string::npos) return false;
    v = 0;
  } else if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) {
    return false;
  }
  value = v;
  return true;
}

bool NominalInteger16(std::string_view word, bool commaDecimal, std::int32_t& value) {
  double v = 0;
  if (!NominalNumber(word, commaDecimal, v)) return false;
  v = std::nearbyint(v);  // halves to even
  if (v < -32768 || v > 32767) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

namespace {

bool Has(const std::string& line, const char* keyword) { return line.find(keyword) != std::string::npos; }

// A point number in 1..count.
bool Inside(std::int32_t number, long count) { return number >= 1 && number <= count; }

bool MarkedKey(const std::string& key) { return key == "PARTIAL" || key == "SQUARE"; }

}  // namespace

struct BladeText::Pending {
  ijk points;
  std::string label;
  bool selected = false;
  std::int32_t nose = 0, nose1 = 0, nose2 = 0, tail = 0, tail1 = 0, tail2 = 0;
  std::string noseKey, tailKey;
  bool noseFound = false, tailFound = false;
  double leOffset = 0, teOffset = 0;
};

bool BladeText::Fail(const std::string& message) {
  c.WriteLog(message, 0, true);
  return false;
}

bool BladeText::ColCompare(const Texts& first, Texts& second) {
  for (const auto& label : first) {
    const size_t before = second.size();
    std::erase_if(second, [&](const std::string& item) { return IContains(item, label); });
    if (second.size() != before) c.WriteLog("ColCompare: " + label + " " + "was in both collections" + ".", 10);
  }
  return second.empty();
}

bool BladeText::FinishSection(Pending& p, const std::string& path) {
  const std::string& label = p.label;
  if (!p.selected) {
    c.WriteLog("Section not selected: " + label, 3);
    return true;
  }
  c.WriteLog("Calculating Nose and Tail for section " + label, 3);
  const long count = p.points.Count();
  if (count == 0)
    return Fail(c.Translate("Section") + " " + label + " " + c.Translate("of nominal file") + " " + path + " " +
                c.Translate("has no points") + ".");

  const auto outside = [&] {
    return Fail(c.Translate("Nose or tail point outside section") + " " + label + " " + c.Translate("of nominal file") +
                " " + path + ".");
  };
  try {
    if (p.nose == 0 && p.noseFound) {
      c.WriteLog("Npt was 0 and NoseFound was True, Nose must be forge or partial", 9);
      const points& a = p.points.At(p.nose1);
      const points& b = p.points.At(p.nose2);
      p.nose = static_cast<std::int32_t>(geo.ClosestXY(p.points, (a.x + b.x) / 2, (a.y + b.y) / 2));
      geo.GetNoseTail(p.points, p.nose, p.tail);
    }
    if (p.tail == 0 && p.tailFound) {
      c.WriteLog("Tpt was 0 and TailFound was True, Tail must be forge or partial", 9);
      const points& a = p.points.At(p.tail1);
      const points& b = p.points.At(p.tail2);
      p.tail = static_cast<std::int32_t>(geo.ClosestXY(p.points, (a.x + b.x) / 2, (a.y + b.y) / 2));
      geo.GetNoseTail(p.points, p.nose, p.tail);
    }
    if (!p.noseFound || !p.tailFound) {
      if (!p.noseFound) p.nose = 0;
      if (!p.tailFound) p.tail = 0;
      geo.GetNoseTail(p.points, p.nose, p.tail);
    }
    if (!Inside(p.nose, count)) return outside();
    if (p.nose != 1) geo.sReorder(p.points, p.nose, p.nose1, p.nose2, p.tail, p.tail1, p.tail2);
  } catch (const std::exception& e) {
    // Marker points outside the section reach the point access in the search.
    c.WriteLog("ReadNOMfile3: Error occurred: " + std::string(e.what()), 0);
    return outside();
  }
  if (!MarkedKey(p.noseKey)) p.nose1 = p.nose2 = 0;
  if (!MarkedKey(p.tailKey)) p.tail1 = p.tail2 = 0;
  const bool markersInside = (p.nose1 == 0 || Inside(p.nose1, count)) && (p.nose2 == 0 || Inside(p.nose2, count)) &&
                             (p.tail1 == 0 || Inside(p.tail1, count)) && (p.tail2 == 0 || Inside(p.tail2, count));
  const bool keyedMarkers = (!MarkedKey(p.noseKey) || (p.nose1 != 0 && p.nose2 != 0)) &&
                            (!MarkedKey(p.tailKey) || (p.tail1 != 0 && p.tail2 != 0));
  if (!Inside(p.nose, count) || !Inside(p.tail, count) || !markersInside || !keyedMarkers) return outside();

  writeBtxt(p.points, label, p.nose, p.nose1, p.nose2, p.tail, p.tail1, p.tail2, p.noseKey, p.tailKey, p.leOffset,
            p.teOffset);
  return true;
}

bool BladeText::ReadNOMfile3(const std::string& path, bool verify) {
  ZoneState& z = c.CurrentZone();
  if (!c.FileExists(path, true) || IsDirectory(ResolveCase(NativePath(path))))
    return Fail(c.Translate("Nominal file") + " " + path + " " + c.Translate("not found") + ".");

  const std::int32_t declared = ValInt(c.GetKeyVal(path, "NUM_SECT"), !c.gDotDecimal);
  c.WriteLog("ReadNOMfile3: NUM_SECT: " + std::to_string(declared), 3);
  if (declared <= 0) return Fail(c.Translate("NUM_SECT line read error in nominal file") + " " + path + ".");

  c.WriteLog("ReadNOMfile3 reading file: " + path, 7);
  LineReader lines(path);
  if (!lines.IsOpen()) return Fail(c.Translate("Nominal file") + " " + path + " " + c.Translate("cannot be read") + ".");

  const bool comma = !c.gDotDecimal;
  const bool trace = c.gDebugLevel >= 10;
  long s = 0;
  long lineNumber = 0;
  Pending p;
  std::string raw;
  // An OFFSETS or CHANGES line above the first SECTION line gives the first
  // section's offsets, unless that section has a line of its own.
  bool leadingOffsets = false;
  double leadingLe = 0, leadingTe = 0;

  // Messages that name the file and the line.
  const auto lineError = [&](const std::string& englishReason) {
    return Fail(c.Translate("Line read error in nominal file") + " " + path + " " + c.Translate("line") + " " +
                std::to_string(lineNumber) + ", " + c.Translate(englishReason) + ".");
  };
  const auto conversionError = [&](const std::string& word) {
    return Fail(c.Translate("Number conversion error in nominal file") + " " + path + " " + c.Translate("line") + " " +
                std::to_string(lineNumber) + ": " + word + ".");
  };
  const auto markerError = [&](const char* englishLead) {
    return Fail(c.Translate(englishLead) + " " + path + c.Translate(", section") + " " + p.label + ".");
  };

  while (lines.Next(raw)) {
    ++lineNumber;
    if (raw.size() >= LineReader::kMaxLineLength) return lineError("the line is too long");
    const std::string trimmed = TrimWhite(raw);
    if (trimmed.empty() || Core::IsComment(trimmed)) continue;
    std::string line = raw;
    const Texts words = c.SplitWords(line);
    const size_t n = words.size();

    if (Has(raw, "UNITS") || Has(raw, "NUM_SECT")) continue;

    if (Has(raw, "SECTION")) {
      ++s;
      if (n != 4 && n != 5)
        return Fail(c.Translate("SECTION line read error in nominal file") + " " + path + " " +
                    c.Translate("section number") + " " + std::to_string(s) + ".");
      const std::string label = Trim(words[1]);
      c.WriteLog("ReadNomfile3 found section " + label, 3);
      if (s >= 2 && !FinishSection(p, path)) return false;
      // Everything a section's lines set belongs to that section alone.
      p = Pending{};
      p.label = label;
      p.selected = pf.SectionSelected(label);
      if (s == 1 && leadingOffsets) {
        p.leOffset = leadingLe;
        p.teOffset = leadingTe;
        c.WriteLog("ReadNOMfile3: Offsets above the first SECTION line apply to section " + label, 4);
      }
      continue;
    }

    const bool nose = Has(raw, "NOSE");
    const bool tail = !nose && Has(raw, "TAIL");
    const bool offsets = !nose && !tail && (Has(raw, "OFFSETS") || Has(raw, "CHANGES"));
    if (offsets) {
      // Above the first SECTION line there is no section to name yet.
      if (n != 3)
        return s > 0 ? markerError("CHANGES(OFFSETS) line read error in nominal file")
                     : Fail(c.Translate("CHANGES(OFFSETS) line read error in nominal file") + " " + path + " " +
                            c.Translate("line") + " " + std::to_string(lineNumber) + ".");
      if (!NominalNumber(words[1], comma, s > 0 ? p.leOffset : leadingLe)) return conversionError(words[1]);
      if (!NominalNumber(words[2], comma, s > 0 ? p.teOffset : leadingTe)) return conversionError(words[2]);
      if (s == 0) leadingOffsets = true;
      continue;
    }
    if (s == 0) return lineError(nose || tail ? "a marker line before the first SECTION line"
                                              : "a point line before the first SECTION line");

    if (nose || tail) {
      if (n >= 6) return markerError(nose ? "NOSE line read error in nominal file" : "TAIL line read error in nominal file");
      const char* what = nose ? "NOSE" : "TAIL";
      if (n == 1) {
        // Only the keyword: the point is found as if the line were not there.
        c.WriteLog(std::string("ReadNOMfile3: ") + what + " line without a point number for section " + p.label +
                       ", the point will be found",
                   4);
        continue;
      }
      std::int32_t first = 0, second = 0;
      if (!NominalInteger16(words[1], comma, first)) return conversionError(words[1]);
      if (n >= 4 && !NominalInteger16(words[2], comma, second)) return conversionError(words[2]);
      (nose ? p.noseFound : p.tailFound) = true;
      c.WriteLog(std::string("Found ") + what + " for section " + p.label, 4);
      std::int32_t& number = nose ? p.nose : p.tail;
      std::int32_t& marker1 = nose ? p.nose1 : p.tail1;
      std::int32_t& marker2 = nose ? p.nose2 : p.tail2;
      std::string& key = nose ? p.noseKey : p.tailKey;
      if (n <= 3) {
        number = first;
        marker1 = marker2 = 0;
        key.clear();
      } else {
        marker1 = first;
        marker2 = second;
        key = words[3];
        number = 0;
      }
      continue;
    }

    // A point line; those of sections not measured are not read.
    if (!p.selected) continue;
    if (n != 3 && n != 5 && n != 6 && n != 8) {
      Fail(c.Translate("Line read error in nominal file") + " " + path + " " + c.Translate("section number") + " " +
           std::to_string(s) + ".");
      return Fail(c.Translate("Line:") + " " + raw);
    }
    double v[6] = {0, 0, 0, 0, 0, 0};
    const size_t used = n >= 6 ? 6 : 3;
    for (size_t k = 0; k < used; ++k)
      if (!NominalNumber(words[k], comma, v[k])) return conversionError(words[k]);
    p.points.Add(v[0], v[1], v[2], v[3], v[4], v[5], 0, 0);
    if (trace) c.WriteLog("ReadNOMfile3: " + Join(words, " "), 10);
  }

  if (s == 0) return lineError("the file holds no SECTION line");
  if (!FinishSection(p, path)) return false;
  if (!verify) return true;

  c.WriteLog("ReadNOMfile3: Verifying section labels and number of sections...", 0);
  const std::string counts = std::to_string(s);
  const std::string tolCount = std::to_string(z.sectionCount);
  if (s != z.sectionCount)
    return Fail(c.Translate("Nominal file sections (") + counts + c.Translate(") and tolerance file sections (") +
                tolCount + c.Translate(") are not equal") + ".");
  // The tolerance file SectionSet read: the part directory in use.
  const std::string tolerance = JoinPath(pf.PartDirectory(z.gPn), NativePath(z.gTolName + z.tolExt));
  const Texts nominalLabels = c.getaKeySet(path, "SECTION", 2).value_or(Texts{});
  Texts toleranceLabels = c.getaKeySet(tolerance, "SECTION", 2).value_or(Texts{});
  if (ColCompare(nominalLabels, toleranceLabels)) return true;
  return Fail(c.Translate("Nominal file section labels (") + counts +
              c.Translate(") and tolerance file section labels (") + tolCount + c.Translate(") aren't equal") + ".");
}

OptTexts BladeText::ReadUAfile(const std::string& path) {
  const ZoneState& z = c.CurrentZone();
  c.WriteLog("ReadUAfile: Start: " + path, 7);
  if (!c.FileExists(path, true) || IsDirectory(ResolveCase(NativePath(path)))) {
    Fail(c.Translate("Nominal file") + " " + path + " " + c.Translate("not found") + ".");
    return std::nullopt;
  }
  LineReader lines(path);
  const bool comma = !c.gDotDecimal;
  long lineNumber = 0;
  std::string line;
  const auto next = [&] {
    if (!lines.Next(line)) return false;
    ++lineNumber;
    return true;
  };
  // A count after the line's first ":"; a line without one, or a count that
  // is no 16-bit number, counts 0.
  const auto count = [&](const std::string& text) {
    const size_t colon = text.find(':');
    const std::string value = Trim(colon == std::string::npos ? text : text.substr(colon + 1));
    std::int32_t n = 0;
    if (!NominalInteger16(value, comma, n)) {
      c.WriteLog("ReadUAfile: line " + std::to_string(lineNumber) + " holds no count: " + text, 0);
      n = 0;
    }
    return n;
  };

  std::int32_t sections = 0, second = 0;
  for (int h = 1; h <= 13; ++h) {
    if (!next()) line.clear();  // a short header reads as empty lines
    if (h == 10) {
      sections = count(line);
      if (sections != z.sectionCount) {
        Fail(c.Translate("Nominal file sections (") + std::to_string(sections) +
             c.Translate(") and tolerance file sections (") + std::to_string(z.sectionCount) +
             c.Translate(") are not equal") + ".");
        return std::nullopt;
      }
    } else if (h == 11) {
      second = count(line);
    }
  }
  if (sections == 0 || second == 0) {
    c.WriteLog(c.Translate("Error Reading UA file"), 0, true);
    return std::nullopt;
  }

  const auto truncated = [&](std::int32_t section) {
    Fail(c.Translate("Nominal file") + " " + path + " " + c.Translate("ends before section") + " " +
         std::to_string(section) + ".");
    return std::nullopt;
  };
  Texts labels;
  for (std::int32_t k = 1; k <= sections; ++k) {
    if (k == 1 && !next()) return truncated(k);
    if (!next()) return truncated(k);
    const size_t colon = line.find(':');
    const std::string label = Trim(colon == std::string::npos ? line : line.substr(colon + 1));
    labels.push_back(label);
    for (int skip = 0; skip < 5; ++skip)
      if (!next()) return truncated(k);

    const bool selected = pf.SectionSelected(label);
    ijk section;
    while (next()) {
      if (line.size() >= LineReader::kMaxLineLength) {
        Fail(c.Translate("Line read error in nominal file") + " " + path + " " + c.Translate("line") + " " +
             std::to_string(lineNumber) + ", " + c.Translate("the line is too long") + ".");
        return std::nullopt;
      }
      const Texts words = c.SplitWords(ReplaceAll(line, "\t", " "));
      if (words.size() != 7) break;
      if (!selected) continue;
      double v[6];
      for (int f = 0; f < 6; ++f) {
        if (!NominalNumber(words[f], comma, v[f])) {
          Fail(c.Translate("Number conversion error in nominal file") + " " + path + " " + c.Translate("line") + " " +
               std::to_string(lineNumber) + ": " + words[f] + ".");
          return std::nullopt;
        }
      }
      section.Add(v[0], v[1], v[2], v[3], v[4], v[5], 0, 0);
    }
    c.WriteLog("ReadUAfile: section " + label + ": " + std::to_string(section.Count()) + " points" +
                   (selected ? "" : ", not selected"),
               3);
    if (!selected) continue;
    const std::int32_t tail = static_cast<std::int32_t>(section.Count() / 2);
    if (tail < 1) {
      Fail(c.Translate("Section") + " " + label + " " + c.Translate("of nominal file") + " " + path + " " +
           c.Translate("has too few points") + ".");
      return std::nullopt;
    }
    writeBtxt(section, label, 1, 0, 0, tail, 0, 0, "", "", 0, 0);
  }
  c.WriteLog("ReadUAfile: End", 7);
  return labels;
}

}  // namespace zarvane
