#pragma once
// The calculation features the inspection options window can offer, in the
// order it offers them: a feature key (as flavor files name it) and the
// operator's label.

#include <string>
#include <vector>

#include "foundation/core.h"

namespace zarvane {

inline constexpr int kFeatureCount = 56;
// Feature rows of the inspection options window.
inline constexpr int kFeatureRows = 25;

struct Feature {
  std::string key;
  std::string label;  // translated; "&&" stands for one "&" in a caption
};

// The 56 features, labels passed through the language table. Index 0 is row 1.
std::vector<Feature> BuildFeatureTable(Core& core);

}  // namespace zarvane
