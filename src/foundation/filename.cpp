#include "foundation/filename.h"

#include "foundation/text.h"

namespace zarvane {

bool HasControlCharacter(std::string_view text) {
  for (unsigned char c : text) {
    if (c < 32 || c == 127) return true;
    // The bytes Windows-1252 leaves undefined: on disk they would be C1 controls.
    if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) return true;
  }
  return false;
}

size_t OsNameLength(std::string_view name) { return Cp1252ToUtf8(std::string(name)).size(); }

std::string FileNameFault(std::string_view name) {
  if (name.find_first_not_of(" \t") == std::string_view::npos) return "it is empty";
  if (name == "." || name == "..") return "it names a directory";
  if (name.find_first_of("/\\") != std::string_view::npos) return "it holds a separator";
  if (HasControlCharacter(name)) return "it holds a control character";
  if (name.find_first_of(":*?\"<>|") != std::string_view::npos) return "it holds one of : * ? \" < > |";
  if (OsNameLength(name) > kMaxFileNameLength) return "it is longer than " + std::to_string(kMaxFileNameLength) + " characters";
  return {};
}

std::string CutToFileNameLength(std::string_view name) {
  std::string cut(name.substr(0, kMaxFileNameLength));
  while (OsNameLength(cut) > kMaxFileNameLength) cut.pop_back();
  return cut;
}

std::string ShownName(std::string_view name) {
  constexpr size_t kShown = 80;
  std::string shown;
  for (unsigned char c : name.substr(0, kShown)) shown += c < 32 || c == 127 ? '?' : static_cast<char>(c);
  if (name.size() > kShown) shown += "...";
  return shown;
}

}  // namespace zarvane
