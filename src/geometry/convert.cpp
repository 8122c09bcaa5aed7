// Point file conversion: heights, gathering and the operator's dialogue.
#include "geometry/convert.h"

#include <algorithm>
#include <cmath>

namespace zarvane {

std::vector<double> SectionHeights(const std::vector<double>& z, double tolerance) {
  std::vector<double> heights;
  if (z.empty()) return heights;
  heights.push_back(z[0]);
  for (size_t i = 1; i < z.size(); ++i)
    if (std::fabs(z[i] - z[i - 1]) > tolerance) heights.push_back(z[i]);
  std::sort(heights.begin(), heights.end());
  // From the top down: height j goes when it lies within the tolerance of
  // height j - 1. Removing j leaves j - 1 as it was, so every comparison is
  // between neighbours of the sorted list.
  std::vector<double> kept;
  kept.reserve(heights.size());
  kept.push_back(heights[0]);
  for (size_t j = 1; j < heights.size(); ++j)
    if (!(std::fabs(heights[j] - heights[j - 1]) < tolerance)) kept.push_back(heights[j]);
  return kept;
}

std::vector<std::vector<long>> GatherSections(const std::vector<double>& z, const std::vector<double>& heights,
                                              double tolerance, std::vector<long>& leftOver) {
  // The remaining points in file order; each height scans them from the last
  // to the first and takes those within the tolerance.
  std::vector<long> remaining(z.size());
  for (size_t p = 0; p < z.size(); ++p) remaining[p] = static_cast<long>(p);
  std::vector<std::vector<long>> sections(heights.size());
  std::vector<char> taken(z.size(), 0);
  for (size_t s = 0; s < heights.size(); ++s) {
    for (auto p = remaining.rbegin(); p != remaining.rend(); ++p)
      if (std::fabs(z[*p] - heights[s]) < tolerance) {
        sections[s].push_back(*p);
        taken[*p] = 1;
      }
    if (!sections[s].empty())
      remaining.erase(std::remove_if(remaining.begin(), remaining.end(), [&](long p) { return taken[p] != 0; }),
                      remaining.end());
  }
  leftOver = std::move(remaining);
  return sections;
}

bool PointFileConverter::Question(const std::string& englishText, const std::string& englishTitle,
                                  const std::string& suffix) {
  const std::string text = c.Translate(englishText) + suffix;
  c.WriteLog(text, 0);
  return c.op.YesNo(text, c.Translate(englishTitle));
}

std::vector<std::string> PointFileConverter::SectionLabels() {
  std::vector<std::string> labels;
  for (const char* prefix : {"", "A", "B"})
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const std::string half = prefix + std::string(1, letter);
      const std::string label = half + "-" + half;
      if (label.find_first_of("IO") == std::string::npos) labels.push_back(label);
    }
  if (!Question("Is the letter 'Q' used in the section naming scheme?", "Section Naming"))
    labels.erase(std::remove_if(labels.begin(), labels.end(),
                                [](const std::string& l) { return l.find('Q') != std::string::npos; }),
                 labels.end());
  return labels;
}

}  // namespace zarvane
