// The test-only write fault: parsed from its text, held for the process.
#include "foundation/writefault.h"

#include <cerrno>
#include <utility>

namespace zarvane {
namespace {

std::optional<WriteFault>& Installed() {
  static std::optional<WriteFault> fault;
  return fault;
}

int ErrnoNamed(const std::string& name) {
  static const std::pair<const char*, int> kNames[] = {
      {"ENOSPC", ENOSPC}, {"EIO", EIO},       {"EACCES", EACCES}, {"EROFS", EROFS},
      {"EDQUOT", EDQUOT}, {"EFBIG", EFBIG}, {"ENOENT", ENOENT}, {"EPERM", EPERM},
  };
  for (const auto& [text, number] : kNames)
    if (name == text) return number;
  return 0;
}

}  // namespace

std::optional<WriteFault> ParseWriteFault(const std::string& text) {
  const size_t first = text.find(':');
  if (first == std::string::npos) return std::nullopt;
  WriteFault fault;
  fault.error = ErrnoNamed(text.substr(0, first));
  std::string rest = text.substr(first + 1);
  // The byte count is the part after the last ":" when it is all digits.
  if (const size_t last = rest.rfind(':'); last != std::string::npos && last + 1 < rest.size() &&
                                           rest.find_first_not_of("0123456789", last + 1) == std::string::npos) {
    fault.bytesBefore = std::stoull(rest.substr(last + 1));
    rest.resize(last);
  }
  fault.pathPart = rest;
  if (fault.error == 0 || fault.pathPart.empty()) return std::nullopt;
  return fault;
}

void SetWriteFault(std::optional<WriteFault> fault) { Installed() = std::move(fault); }

const WriteFault* WriteFaultFor(const std::string& path) {
  const auto& fault = Installed();
  return fault && path.find(fault->pathPart) != std::string::npos ? &*fault : nullptr;
}

}  // namespace zarvane
