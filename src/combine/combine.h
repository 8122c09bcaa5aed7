// The combined report: the CMM report followed by the analysis report.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace combine {

// The two paths of the parameter text "<cmm file>,<second file>". Paths may
// hold commas: the split is at the first comma after which an existing file
// is named, else at the first comma before which one is named, else at the
// last comma. Nothing when there is no comma or a side is empty.
std::optional<std::pair<std::string, std::string>> SplitParameter(const std::string& text);

// The CMM path with its extension replaced by ".cmb" (".CMB" when the
// extension is upper case), or ".cmb" appended when it has none.
std::string CmbPathFor(const std::string& cmmPath);

// The CMM text, a blank line, then the second text; a second text in RTF
// becomes plain text first. Line ends are kept as the texts have them; the
// ones added follow the CMM text (CR LF unless it uses bare LF).
std::string CombinedText(const std::string& cmmText, const std::string& secondText);

// Reads both files and writes the combined report beside the CMM file, under
// a temporary name first, then renamed into place. Empty on success, else a
// one-line message naming the file at fault (and no combined report written).
std::string CombineFiles(const std::string& cmmPath, const std::string& secondPath);

}  // namespace combine
