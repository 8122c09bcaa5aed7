#include "cycle/features.h"

namespace zarvane {

std::vector<Feature> BuildFeatureTable(Core& core) {
  std::vector<Feature> rows;
  rows.reserve(kFeatureCount);
  auto add = [&](const std::string& key, const std::string& label) { rows.push_back({key, core.Translate(label)}); };
  // Leading and trailing edge thickness at up to ten places each.
  for (const char* edge : {"LE", "TE"}) {
    add(std::string(edge) + "THCK", std::string(edge) + " Thickness");
    for (int n = 2; n <= 10; ++n)
      add(std::string(edge) + "THCK" + std::to_string(n), std::string(edge) + " Thickness " + std::to_string(n));
  }
  static const char* const kRest[][2] = {
      {"MAXTHK", "Max Thickness"},
      {"CHORD", "Chord Width"},
      {"CHDANG", "Chord Angle"},
      {"RELCHDANG", "Chord Angle REL"},
      {"TWIST", "Twist ABS"},
      {"RELTWIST", "Twist REL"},
      {"STACKX", "Displacement X ABS"},
      {"STACKY", "Displacement Y ABS"},
      {"STACKT", "Displacement True Position"},
      {"RELSTACKX", "Displacement X REL"},
      {"RELSTACKY", "Displacement Y REL"},
      {"RELSTACKT", "Displacement True Position REL"},
      {"BOWX", "Bow X (L&&D)"},
      {"BOWY", "Bow Y (L&&D)"},
      {"BOWT", "Bow True Position"},
      {"CCMIN", "CC&&CV Contour F&&L"},
      {"MINFORM", "CC&&CV Contour Form M/M"},
      {"CCCONT", "CC&&CV Contour Form"},
      {"LEMIN", "LE Contour F&&L"},
      {"TEMIN", "TE Contour F&&L"},
      {"LECONT", "LE Contour Form"},
      {"TECONT", "TE Contour Form"},
      {"LEPOS", "LE Position"},
      {"TEPOS", "TE Position"},
      {"LEPOS2", "LE Position 2"},
      {"TEPOS2", "TE Position 2"},
      {"LEANGLE", "LE Entry Angle"},
      {"TEANGLE", "TE Exit Angle"},
      {"LERAD", "LE Radius"},
      {"TERAD", "TE Radius"},
      {"NUMOUTTOL", "Number Points OOT"},
      {"PERCOUTTOL", "Percentage Points OOT"},
      {"EXTREME", "Extreme"},
      {"EXTREME2", "Extreme 2"},
      {"PTREPORT", "Point Exception Report"},
      {"PLATFORM", "Platform"},
  };
  for (const auto& row : kRest) add(row[0], row[1]);
  return rows;
}

}  // namespace zarvane
