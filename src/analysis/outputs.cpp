// Text, CSV, point, calculation and rich-text outputs.
#include "analysis/outputs.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "analysis/plot.h"

namespace blade {
namespace {

std::string Num(double v, int decimals = 5) {
  std::ostringstream s;
  s << std::fixed << std::setprecision(decimals) << v;
  return s.str();
}

bool AnyOut(const std::vector<SectionResult>& results) {
  for (const auto& r : results)
    if (r.AnyOut()) return true;
  return false;
}

std::string Pad(const std::string& s, std::size_t width) { return s.size() >= width ? s + " " : s + std::string(width - s.size(), ' '); }

// One feature as table cells: nominal, actual, deviation, lower, upper, verdict.
std::vector<std::string> Cells(const FeatureResult& f) {
  if (!f.computed) return {"", "", "", "", "", f.Verdict()};
  return {Num(f.nominal), Num(f.actual), Num(f.Deviation()), f.limit ? Num(f.limit->lower) : "",
          f.limit ? Num(f.limit->upper) : "", f.Verdict()};
}

const std::vector<std::string> kHeadings = {"Feature", "Nominal", "Actual", "Deviation", "Lower", "Upper", "Verdict"};

std::string Header(const Report& r) {
  std::ostringstream s;
  s << "Part: " << r.part << "\r\nDate: " << r.date << "\r\nFlavor: " << r.flavor << "\r\nNominal: " << r.nominal
    << "\r\nTolerance: " << r.tolerance << "\r\nProbe radius: " << Num(r.radius) << "\r\n";
  for (const auto& t : r.texts) s << t << "\r\n";
  return s.str();
}

std::string RtfEscape(const std::string& s) {
  std::string out;
  for (char ch : s) {
    if (ch == '\\' || ch == '{' || ch == '}') out += '\\';
    out += ch;
  }
  return out;
}

// A section's picture as an RTF \pict group, 4.5 inches wide, and the line
// under it that says how much its deviations are magnified.
constexpr int kPictureWidthTwips = 6480;

std::string RtfPicture(const SectionPlot& plot) {
  static const char* const kDigits = "0123456789abcdef";
  std::ostringstream s;
  s << "{\\pict\\pngblip\\picw" << plot.width << "\\pich" << plot.height << "\\picwgoal" << kPictureWidthTwips
    << "\\pichgoal" << kPictureWidthTwips * plot.height / plot.width << "\r\n";
  for (std::size_t k = 0; k < plot.png.size(); ++k) {
    const auto b = static_cast<unsigned char>(plot.png[k]);
    s << kDigits[b >> 4] << kDigits[b & 15];
    if (k % 64 == 63 || k + 1 == plot.png.size()) s << "\r\n";
  }
  s << "}\\par\r\nDeviations magnified " << plot.magnification << " x\\par\r\n";
  return s.str();
}

}  // namespace

bool WriteAtomically(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!(out << text) || !out.flush()) return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) std::filesystem::remove(temp, ec);
  return !ec;
}

std::string CsvText(const std::vector<SectionResult>& results) {
  std::string s = "section,feature,nominal,actual,deviation,lower,upper,verdict\r\n";
  for (const auto& r : results)
    for (const auto& f : r.features) {
      s += r.name + "," + f.name;
      for (const auto& cell : Cells(f)) s += "," + cell;
      s += "\r\n";
    }
  return s;
}

std::string AnalysisText(const Report& report, const std::vector<SectionResult>& results) {
  std::ostringstream s;
  s << "Blade analysis report\r\n" << Header(report) << "\r\n";
  for (const auto& r : results) {
    s << "Section " << r.name << ": " << r.compensated.size() << " points";
    if (r.profile) s << ", profile band " << Num(r.profile->lower) << " to " << Num(r.profile->upper);
    s << "\r\n";
    if (!r.problem.empty()) s << "  " << r.problem << "\r\n";
    for (const auto& h : kHeadings) s << Pad(h, 14);
    s << "\r\n";
    for (const auto& f : r.features) {
      s << Pad(f.name, 14);
      for (const auto& cell : Cells(f)) s << Pad(cell, 14);
      s << "\r\n";
    }
    s << "\r\n";
  }
  s << "Result: " << (AnyOut(results) ? "OUT OF TOLERANCE" : "IN TOLERANCE") << "\r\n";
  return s.str();
}

std::string CmmText(const Report& report, const std::vector<SectionResult>& results) {
  const bool onlyOut = report.report == "OUT";
  std::ostringstream s;
  s << "CMM report\r\n" << Header(report) << "\r\n";
  for (const auto& r : results) {
    s << "SECTION " << r.name << "\r\n";
    s << Pad("Point", 8) << Pad("X", 12) << Pad("Y", 12) << Pad("Z", 12) << Pad("Deviation", 12) << "\r\n";
    for (std::size_t k = 0; k < r.deviations.size(); ++k) {
      if (onlyOut && !r.outside[k]) continue;
      const Point6& p = r.compensated[k];
      s << Pad(std::to_string(k + 1), 8) << Pad(Num(p.x), 12) << Pad(Num(p.y), 12) << Pad(Num(p.z), 12)
        << Pad(Num(r.deviations[k]), 12) << (r.outside[k] ? "OUT" : "") << "\r\n";
    }
  }
  return s.str();
}

std::string XyzText(const std::vector<SectionResult>& results) {
  std::string s;
  for (const auto& r : results) {
    s += "SECTION " + r.name + " " + std::to_string(r.compensated.size()) + "\r\n";
    for (const auto& p : r.compensated)
      s += Num(p.x) + " " + Num(p.y) + " " + Num(p.z) + " " + Num(p.i) + " " + Num(p.j) + " " + Num(p.k) + "\r\n";
  }
  return s;
}

std::string McText(const Report& report, const std::vector<SectionResult>& results) {
  std::string s = "PART " + report.part + "\r\nDATE " + report.date + "\r\n";
  for (const auto& r : results) {
    s += "SECTION " + r.name + "\r\n";
    for (const auto& f : r.features)
      s += f.computed ? f.name + " " + Num(f.nominal) + " " + Num(f.actual) + " " + Num(f.Deviation()) + "\r\n"
                      : f.name + " not computed\r\n";
  }
  return s;
}

std::string RtfText(const Report& report, const std::vector<SectionResult>& results) {
  std::ostringstream s;
  s << "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}}\\f0\\fs18\r\n";
  s << "{\\b Blade analysis report}\\par\r\n";
  std::istringstream header(Header(report));
  for (std::string line; std::getline(header, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    s << RtfEscape(line) << "\\par\r\n";
  }
  for (const auto& r : results) {
    s << "\\par{\\b Section " << RtfEscape(r.name) << "}\\par\r\n";
    if (!r.problem.empty()) s << RtfEscape(r.problem) << "\\par\r\n";
    const auto row = [&](const std::vector<std::string>& cells) {
      s << "\\trowd";
      for (std::size_t k = 1; k <= cells.size(); ++k) s << "\\cellx" << k * 1400;
      for (const auto& c : cells) s << " " << RtfEscape(c) << "\\cell";
      s << "\\row\r\n";
    };
    row(kHeadings);
    for (const auto& f : r.features) {
      std::vector<std::string> cells = {f.name};
      for (const auto& c : Cells(f)) cells.push_back(c);
      row(cells);
    }
    s << "\\pard\r\n";
    if (const SectionPlot plot = PlotSection(r); !plot.png.empty()) s << "\\par" << RtfPicture(plot);
  }
  s << "\\par Result: " << (AnyOut(results) ? "OUT OF TOLERANCE" : "IN TOLERANCE") << "\\par\r\n}\r\n";
  return s.str();
}

std::string WriteOutputs(const std::string& base, const Report& report, const std::vector<SectionResult>& results) {
  const std::pair<const char*, std::string> files[] = {
      {".cmm", CmmText(report, results)},  {".txt", AnalysisText(report, results)},
      {".csv", CsvText(results)},          {".xyz", XyzText(results)},
      {".mcl", McText(report, results)},   {".rtf", RtfText(report, results)},
  };
  for (const auto& [ext, text] : files)
    if (!WriteAtomically(base + ext, text)) return "cannot write " + base + ext;
  return "";
}

}  // namespace blade
