// The analysis's output files next to the report, each written under a
// temporary name and renamed when complete.
#pragma once

#include <string>
#include <vector>

#include "analysis/analyse.h"
#include "analysis/inputs.h"

namespace blade {

// `base` is the report path without its extension; the files are base + ".cmm",
// ".txt", ".csv", ".xyz", ".mcl" and ".rtf". Returns an error text, empty when
// every file was written.
std::string WriteOutputs(const std::string& base, const Report& report, const std::vector<SectionResult>& results);

// Writes `text` to path + ".tmp", then renames it over `path`.
bool WriteAtomically(const std::string& path, const std::string& text);

// The text of each output, for the files and for tests.
std::string CsvText(const std::vector<SectionResult>& results);
std::string AnalysisText(const Report& report, const std::vector<SectionResult>& results);
std::string CmmText(const Report& report, const std::vector<SectionResult>& results);
std::string XyzText(const std::vector<SectionResult>& results);
std::string McText(const Report& report, const std::vector<SectionResult>& results);
std::string RtfText(const Report& report, const std::vector<SectionResult>& results);

}  // namespace blade
