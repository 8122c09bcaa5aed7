#pragma once
// A write failure made on purpose, for tests of what the station does when a
// disk fills up or a file cannot be written. Headless runs install one from
// ZARVANE_FAIL_WRITES; nothing else does, so in production no write consults
// anything but the system.

#include <cstdint>
#include <optional>
#include <string>

namespace zarvane {

struct WriteFault {
  int error = 0;             // the errno the failing call reports (ENOSPC, EIO, EACCES, ...)
  std::string pathPart;      // writes to paths containing this text fail
  std::optional<std::uintmax_t> bytesBefore;  // bytes each such file takes first; none: it cannot be opened
};

// "<errno name>:<path text>[:<bytes>]", for example "ENOSPC:/blades/Demo/:4096";
// nothing when the text is no such description.
std::optional<WriteFault> ParseWriteFault(const std::string& text);

// Installs the process's fault (nothing: writes fail only when the system says so).
void SetWriteFault(std::optional<WriteFault> fault);
// The fault that applies to a write of `path`, or nullptr.
const WriteFault* WriteFaultFor(const std::string& path);

}  // namespace zarvane
