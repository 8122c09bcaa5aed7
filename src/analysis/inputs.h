// What the analysis reads: the station's report file, the part's nominal and
// tolerance files and the flavor file's calculation list.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace blade {

struct Point6 {
  double x = 0, y = 0, z = 0, i = 0, j = 0, k = 0;
};

struct MeasuredSection {
  std::string name;
  std::vector<Point6> points;
};

struct Report {
  std::string flavor, part, date, nominal, tolerance;
  double radius = 0;
  std::vector<std::string> texts;  // the TEXT lines' "field=value"
  std::string report, autoprint, autoplot, savedp;
  std::optional<std::vector<std::string>> overrideCalcs;
  std::vector<MeasuredSection> sections;
};

struct NominalSection {
  std::string name;
  int nose = 0;  // 1-based point number from a plain NOSE line, 0 when none
  double leOffset = 0, teOffset = 0;
  std::vector<Point6> points;
};

struct Limit {
  double upper = 0, lower = 0;
};

struct SectionTolerance {
  std::optional<Limit> profile;          // PROFILE upper lower
  std::map<std::string, Limit> limits;   // LIMIT <feature> upper lower
};

struct Tolerances {
  SectionTolerance defaults;  // records before the first SECTION
  std::map<std::string, SectionTolerance> sections;
  // The section's own records over the defaults; `name` matched as nominal labels are.
  SectionTolerance For(const std::string& name) const;
};

// Each reader returns an error text, empty when the file was read.
std::string ReadReport(const std::string& path, Report& out);
std::string ReadNominal(const std::string& path, std::vector<NominalSection>& out);
std::string ReadTolerances(const std::string& path, Tolerances& out);
std::string ReadFlavorCalcs(const std::string& path, std::vector<std::string>& out);

// Section labels match exactly, else when one contains the other, case ignored.
bool SameSection(const std::string& a, const std::string& b);

}  // namespace blade
