// Readers of the report, nominal, tolerance and flavor files.
#include "analysis/inputs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace blade {
namespace {

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string Upper(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

std::vector<std::string> Words(const std::string& line, const char* separators = " \t=") {
  std::vector<std::string> out;
  std::string word;
  for (char ch : line) {
    if (std::string_view(separators).find(ch) != std::string_view::npos || ch == '\r') {
      if (!word.empty()) out.push_back(word), word.clear();
    } else {
      word += ch;
    }
  }
  if (!word.empty()) out.push_back(word);
  return out;
}

bool Number(const std::string& word, double& v) {
  std::string t = word;
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  return !t.empty() && ec == std::errc() && end == t.data() + t.size() && std::isfinite(v);
}

bool Comment(const std::string& line) {
  const std::string t = Trim(line);
  return t.rfind('!', 0) == 0 || t.rfind("$$", 0) == 0;
}

bool Lines(const std::string& path, std::vector<std::string>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return true;
}

// Six numbers first on the line: a point with its direction.
bool PointLine(const std::vector<std::string>& w, Point6& p) {
  if (w.size() < 6) return false;
  double v[6];
  for (int k = 0; k < 6; ++k)
    if (!Number(w[k], v[k])) return false;
  p = {v[0], v[1], v[2], v[3], v[4], v[5]};
  return true;
}

std::string Rest(const std::string& line, std::size_t keywordLength) {
  return Trim(line.size() > keywordLength ? line.substr(keywordLength) : "");
}

}  // namespace

bool SameSection(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::string ua = Upper(a), ub = Upper(b);
  return !ua.empty() && !ub.empty() && (ua.find(ub) != std::string::npos || ub.find(ua) != std::string::npos);
}

std::string ReadReport(const std::string& path, Report& r) {
  std::vector<std::string> lines;
  if (!Lines(path, lines)) return "the report file " + path + " cannot be read";
  bool haveRadius = false, haveSections = false;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    const auto w = Words(line, " \t");
    if (w.empty()) continue;
    const std::string key = w[0];
    if (key == "FLAVOR") r.flavor = Rest(line, 6);
    else if (key == "PART") r.part = Rest(line, 4);
    else if (key == "DATE") r.date = Rest(line, 4);
    else if (key == "NOMINAL") r.nominal = Rest(line, 7);
    else if (key == "TOLERANCE") r.tolerance = Rest(line, 9);
    else if (key == "TEXT") r.texts.push_back(Rest(line, 4));
    else if (key == "REPORT") r.report = Rest(line, 6);
    else if (key == "AUTOPRINT") r.autoprint = Rest(line, 9);
    else if (key == "AUTOPLOT") r.autoplot = Rest(line, 8);
    else if (key == "SAVEDP") r.savedp = Rest(line, 6);
    else if (key == "RADIUS") {
      if (w.size() < 2 || !Number(w[1], r.radius) || r.radius < 0)
        return "line " + std::to_string(n + 1) + ": RADIUS is not a radius: " + line;
      haveRadius = true;
    } else if (key == "OVERRIDE") {
      double count = 0;
      if (w.size() < 3 || w[1] != "CALCS" || !Number(w[2], count) || count < 0 || count != std::floor(count))
        return "line " + std::to_string(n + 1) + ": OVERRIDE CALCS without a count: " + line;
      std::vector<std::string> calcs;
      for (int k = 0; k < count; ++k) {
        if (++n >= lines.size()) return "the report ends inside OVERRIDE CALCS";
        if (const std::string name = Trim(lines[n]); !name.empty()) calcs.push_back(name);
      }
      r.overrideCalcs = calcs;
    } else if (key == "NUM_SECT") {
      double count = 0;
      if (w.size() < 2 || !Number(w[1], count) || count < 1 || count != std::floor(count))
        return "line " + std::to_string(n + 1) + ": NUM_SECT is not a section count: " + line;
      for (int s = 0; s < count; ++s) {
        if (++n >= lines.size())
          return "the report ends after " + std::to_string(s) + " of " + std::to_string(int(count)) + " sections";
        const auto head = Words(lines[n], " \t");
        double total = 0;
        if (head.size() < 3 || head[0] != "SECTION" || !Number(head[2], total) || total < 0 || total != std::floor(total))
          return "line " + std::to_string(n + 1) + ": a SECTION line was expected: " + lines[n];
        MeasuredSection section{head[1], {}};
        for (int p = 0; p < total; ++p) {
          if (++n >= lines.size())
            return "the report ends in section " + section.name + " after " + std::to_string(p) + " of " +
                   std::to_string(int(total)) + " points";
          Point6 point;
          if (!PointLine(Words(lines[n], " \t"), point))
            return "line " + std::to_string(n + 1) + ": not a point: " + lines[n];
          section.points.push_back(point);
        }
        r.sections.push_back(std::move(section));
      }
      haveSections = true;
    }
  }
  if (r.nominal.empty()) return "the report names no NOMINAL file";
  if (r.tolerance.empty()) return "the report names no TOLERANCE file";
  if (!haveRadius) return "the report has no RADIUS line";
  if (!haveSections) return "the report has no NUM_SECT line";
  return "";
}

std::string ReadNominal(const std::string& path, std::vector<NominalSection>& out) {
  std::vector<std::string> lines;
  if (!Lines(path, lines)) return "the nominal file " + path + " cannot be read";
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    if (Comment(line) || Trim(line).empty()) continue;
    const auto w = Words(line, " \t=,");
    const auto bad = [&] { return "nominal file line " + std::to_string(n + 1) + " cannot be read: " + line; };
    if (line.find("UNITS") != std::string::npos || line.find("NUM_SECT") != std::string::npos) continue;
    if (line.find("SECTION") != std::string::npos) {
      if (w.size() < 2) return bad();
      out.push_back({w[1], 0, 0, 0, {}});
      continue;
    }
    if (out.empty()) return bad();
    NominalSection& s = out.back();
    if (line.find("NOSE") != std::string::npos) {
      double v = 0;
      if ((w.size() == 2 || w.size() == 3) && Number(w[1], v)) s.nose = static_cast<int>(v);
    } else if (line.find("TAIL") != std::string::npos) {
      continue;
    } else if (line.find("OFFSETS") != std::string::npos || line.find("CHANGES") != std::string::npos) {
      if (w.size() != 3 || !Number(w[1], s.leOffset) || !Number(w[2], s.teOffset)) return bad();
    } else {
      Point6 p;
      double xyz[3];
      if (w.size() == 3 || w.size() == 5) {
        for (int k = 0; k < 3; ++k)
          if (!Number(w[k], xyz[k])) return bad();
        p = {xyz[0], xyz[1], xyz[2], 0, 0, 0};
      } else if ((w.size() != 6 && w.size() != 8) || !PointLine(w, p)) {
        return bad();
      }
      s.points.push_back(p);
    }
  }
  if (out.empty()) return "the nominal file " + path + " has no section";
  return "";
}

SectionTolerance Tolerances::For(const std::string& name) const {
  SectionTolerance t = defaults;
  auto it = sections.find(name);
  if (it == sections.end())
    it = std::find_if(sections.begin(), sections.end(), [&](const auto& s) { return SameSection(s.first, name); });
  if (it == sections.end()) return t;
  if (it->second.profile) t.profile = it->second.profile;
  for (const auto& [feature, limit] : it->second.limits) t.limits[feature] = limit;
  return t;
}

std::string ReadTolerances(const std::string& path, Tolerances& out) {
  std::vector<std::string> lines;
  if (!Lines(path, lines)) return "the tolerance file " + path + " cannot be read";
  SectionTolerance* current = &out.defaults;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (Comment(lines[n])) continue;
    std::stringstream records(lines[n]);
    std::string record;
    while (std::getline(records, record, ',')) {
      const auto w = Words(record, " \t=");
      if (w.empty()) continue;
      const auto bad = [&] { return "tolerance file line " + std::to_string(n + 1) + " cannot be read: " + lines[n]; };
      if (record.find("NUM_SECT") != std::string::npos) continue;
      if (record.find("SECTION") != std::string::npos) {
        if (w.size() < 2) return bad();
        current = &out.sections[w[1]];
      } else if (w[0] == "PROFILE") {
        Limit l;
        if (w.size() < 3 || !Number(w[1], l.upper) || !Number(w[2], l.lower)) return bad();
        current->profile = l;
      } else if (w[0] == "LIMIT") {
        Limit l;
        if (w.size() < 4 || !Number(w[2], l.upper) || !Number(w[3], l.lower)) return bad();
        current->limits[Upper(w[1])] = l;
      }
    }
  }
  return "";
}

std::string ReadFlavorCalcs(const std::string& path, std::vector<std::string>& out) {
  std::vector<std::string> lines;
  if (!Lines(path, lines)) return "the flavor file " + path + " cannot be read";
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string t = Trim(lines[n]);
    if (Upper(t.substr(0, 5)) != "CALCS") continue;
    const auto w = Words(t);
    double count = 0;
    if (w.size() < 2 || !Number(w[1], count) || count < 0) return "the flavor file's CALCS line has no count: " + t;
    for (int k = 0; k < count && n + 1 < lines.size(); ++k) {
      const auto calc = Words(Trim(lines[++n]), " \t");
      if (calc.size() == 1 && calc[0][0] != '!') out.push_back(calc[0]);
    }
    return "";
  }
  return "the flavor file " + path + " has no CALCS block";
}

}  // namespace blade
