#pragma once
// The blade text writer and the nominal readers on the part files fixture, with
// helpers for tolerance tables, nominal files and the lines of blade.txt.

#include <cmath>
#include <initializer_list>
#include <sstream>
#include <utility>

#include "datafiles/bladetxt.h"
#include "foundation/text.h"
#include "partfiles_fixture.h"

namespace zarvane::testing {

// Point k (1-based) of an ellipse of n points in contour order: point 1 lies at
// +x (the far end), point n/2 + 1 at -x (the smallest x), semi-axes 2 and 0.5.
inline points EllipsePoint(int k, int n, double z = 1.0) {
  const double t = 2 * M_PI * (k - 1) / n;
  return {2 * std::cos(t), 0.5 * std::sin(t), z, std::cos(t), std::sin(t), 0};
}

inline Strings EllipseLines(int n, double z = 1.0) {
  Strings lines;
  for (int k = 1; k <= n; ++k) {
    const points p = EllipsePoint(k, n, z);
    lines.push_back(FormatFixed(p.x, 6) + " " + FormatFixed(p.y, 6) + " " + FormatFixed(p.z, 6) + " " +
                    FormatFixed(p.i, 6) + " " + FormatFixed(p.j, 6) + " 0");
  }
  return lines;
}

inline Strings Words(const std::string& line) {
  std::istringstream in(line);
  Strings words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

class BladeTextTest : public PartFilesTest {
 protected:
  BladeTextTest() : geo(core), bt(core, pf, geo) {
    core.gDebugLevel = 9;
    Zone().flavorName = "KT1";
    Zone().nomExt = ".nom";
    Zone().tolExt = ".tol";
  }

  // The zone's tolerance table as SectionSet leaves it.
  void Table(std::initializer_list<std::pair<const char*, bool>> sections) {
    Zone().tolerance.clear();
    for (const auto& [name, selected] : sections) Zone().tolerance.push_back({name, selected, selected});
    Zone().sectionCount = static_cast<int>(Zone().tolerance.size());
  }
  // A nominal file of the part: NUM_SECT, then the given lines.
  std::string Nominal(const Strings& lines, const std::string& name = "P1.nom") {
    Strings all = {"UNITS INCH", "NUM_SECT = 1"};
    all.insert(all.end(), lines.begin(), lines.end());
    PartFile(name, all);
    return (PartDir() / name).string();
  }
  Strings Blade() const {
    Strings lines;
    std::string data = Slurp(home / "blade.txt");
    for (size_t start = 0, end; (end = data.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(data.substr(start, end - start));
    return lines;
  }
  void Ini(const std::string& text) { Spit(home / "zarv.ini", text); }

  SectionGeometry geo;
  BladeText bt;
};

}  // namespace zarvane::testing
