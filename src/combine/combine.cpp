// Combining the CMM report with the analysis report, from files to a file.
#include "combine/combine.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "datafiles/rtf.h"

namespace combine {
namespace {

namespace fs = std::filesystem;

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// The whole file, or nothing with `error` set to a message naming it.
std::optional<std::string> ReadFile(const std::string& path, std::string& error) {
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    error = "combine: file not found: " + path;
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!IsFile(path) || !in) {
    error = "combine: cannot read " + path;
    return std::nullopt;
  }
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    error = "combine: cannot read " + path;
    return std::nullopt;
  }
  return text;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return a == b || fs::equivalent(a, b, ec);
}

}  // namespace

std::optional<std::pair<std::string, std::string>> SplitParameter(const std::string& text) {
  std::optional<size_t> chosen;
  for (size_t comma = text.find(','); comma != std::string::npos && !chosen; comma = text.find(',', comma + 1))
    if (IsFile(text.substr(comma + 1))) chosen = comma;
  // A missing second file: split after an existing first one, so the message names the missing one.
  for (size_t comma = text.find(','); comma != std::string::npos && !chosen; comma = text.find(',', comma + 1))
    if (IsFile(text.substr(0, comma))) chosen = comma;
  if (!chosen) {
    const size_t last = text.rfind(',');
    if (last == std::string::npos) return std::nullopt;
    chosen = last;
  }
  std::string first = text.substr(0, *chosen), second = text.substr(*chosen + 1);
  if (first.empty() || second.empty()) return std::nullopt;
  return std::make_pair(std::move(first), std::move(second));
}

std::string CmbPathFor(const std::string& cmmPath) {
  const size_t slash = cmmPath.find_last_of("/\\");
  const size_t dot = cmmPath.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return cmmPath + ".cmb";
  bool upper = false, lower = false;
  for (size_t i = dot + 1; i < cmmPath.size(); ++i) {
    const unsigned char ch = static_cast<unsigned char>(cmmPath[i]);
    upper = upper || std::isupper(ch);
    lower = lower || std::islower(ch);
  }
  return cmmPath.substr(0, dot) + (upper && !lower ? ".CMB" : ".cmb");
}

std::string CombinedText(const std::string& cmmText, const std::string& secondText) {
  const bool bareLf = cmmText.find('\n') != std::string::npos && cmmText.find("\r\n") == std::string::npos;
  const std::string eol = bareLf ? "\n" : "\r\n";
  std::string text = cmmText;
  if (!text.empty() && text.back() != '\n') text += eol;
  text += eol;
  // RtfToText gives any text that is not RTF back unchanged.
  return text + zarvane::RtfToText(secondText);
}

std::string CombineFiles(const std::string& cmmPath, const std::string& secondPath) {
  const std::string cmbPath = CmbPathFor(cmmPath);
  if (SameFile(cmbPath, cmmPath) || SameFile(cmbPath, secondPath))
    return "combine: the combined report " + cmbPath + " would replace an input file";
  std::string error;
  const auto cmm = ReadFile(cmmPath, error);
  if (!cmm) return error;
  const auto second = ReadFile(secondPath, error);
  if (!second) return error;

  const std::string text = CombinedText(*cmm, *second);
  const std::string temporary = cmbPath + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      std::error_code ec;
      fs::remove(temporary, ec);
      return "combine: cannot write " + temporary;
    }
  }
  std::error_code ec;
  fs::rename(temporary, cmbPath, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return "combine: cannot write " + cmbPath;
  }
  return "";
}

}  // namespace combine
