// Log and settings files, and one report's analysis from files to files.
#include "analysis/program.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "analysis/analyse.h"
#include "analysis/inputs.h"
#include "analysis/outputs.h"

namespace blade {
namespace {

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// The key of a settings line, or empty for comments and lines without "=".
std::string KeyOf(const std::string& line) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == '!') return "";
  const auto eq = t.find('=');
  return eq == std::string::npos ? "" : Lower(Trim(t.substr(0, eq)));
}

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::string SiblingPath(const std::string& program, const std::string& ext) {
  if (program.size() >= 4 && Lower(program.substr(program.size() - 4)) == ".exe")
    return program.substr(0, program.size() - 4) + ext;
  return program + ext;
}

std::string SettingValue(const std::string& settingsFile, const std::string& key) {
  for (const std::string& line : FileLines(settingsFile))
    if (KeyOf(line) == Lower(key)) return Trim(line.substr(line.find('=') + 1));
  return "";
}

bool SetSetting(const std::string& settingsFile, const std::string& key, const std::string& value) {
  std::string text;
  bool set = false;
  for (const std::string& line : FileLines(settingsFile)) {
    if (!set && KeyOf(line) == Lower(key)) {
      text += key + " = " + value + "\r\n";
      set = true;
    } else {
      text += line + "\r\n";
    }
  }
  if (!set) text += key + " = " + value + "\r\n";
  return WriteAtomically(settingsFile, text);
}

void AppendLine(const std::string& file, const std::string& line) {
  std::ofstream out(file, std::ios::binary | std::ios::app);
  out << line << "\r\n";
}

bool AnalyseReport(const std::string& reportPath, const std::string& logFile) {
  const auto fail = [&](const std::string& why) {
    AppendLine(logFile, "Analysis of " + reportPath + " failed: " + why);
    return false;
  };
  Report report;
  if (std::string e = ReadReport(reportPath, report); !e.empty()) return fail(e);
  std::vector<NominalSection> nominal;
  if (std::string e = ReadNominal(report.nominal, nominal); !e.empty()) return fail(e);
  Tolerances tolerances;
  if (std::string e = ReadTolerances(report.tolerance, tolerances); !e.empty()) return fail(e);
  std::vector<std::string> calcs;
  if (report.overrideCalcs) {
    calcs = *report.overrideCalcs;
  } else if (std::string e = ReadFlavorCalcs(report.flavor, calcs); !e.empty()) {
    return fail(e);
  }

  std::vector<SectionResult> results;
  for (const MeasuredSection& section : report.sections) {
    auto it = std::find_if(nominal.begin(), nominal.end(), [&](const NominalSection& n) { return n.name == section.name; });
    if (it == nominal.end())
      it = std::find_if(nominal.begin(), nominal.end(),
                        [&](const NominalSection& n) { return SameSection(n.name, section.name); });
    results.push_back(AnalyseSection(section, it == nominal.end() ? nullptr : &*it, tolerances.For(section.name),
                                     report.radius, calcs));
    if (!results.back().problem.empty())
      AppendLine(logFile, "Section " + section.name + ": " + results.back().problem);
  }
  const auto dot = reportPath.find_last_of('.');
  const auto slash = reportPath.find_last_of("/\\");
  const std::string base =
      dot != std::string::npos && (slash == std::string::npos || dot > slash) ? reportPath.substr(0, dot) : reportPath;
  if (std::string e = WriteOutputs(base, report, results); !e.empty()) return fail(e);
  AppendLine(logFile, "Analysed " + reportPath + ": " + std::to_string(results.size()) + " sections");
  return true;
}

}  // namespace blade
