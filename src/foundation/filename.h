#pragma once
// Names that come from part data or from the operator and become one entry of
// a directory (a part directory, a program file, a flavor copy's suffix).

#include <string>
#include <string_view>

namespace zarvane {

// The longest name accepted, in bytes of its name on disk (texts are
// Windows-1252, names on disk UTF-8): within the 255 bytes of one component on
// every file system the station shares, with room for the "_2" and the
// extensions the station appends.
inline constexpr size_t kMaxFileNameLength = 200;

// Empty when `name` is one plain path component: not blank, no "/" or "\",
// not "." or "..", no control characters, none of the characters a Windows
// share refuses (: * ? " < > |), at most kMaxFileNameLength bytes.
// Otherwise the reason in English (for the log and the operator's message).
std::string FileNameFault(std::string_view name);
inline bool IsPlainFileName(std::string_view name) { return FileNameFault(name).empty(); }

size_t OsNameLength(std::string_view name);
// `name` cut, at its end, to kMaxFileNameLength bytes on disk.
std::string CutToFileNameLength(std::string_view name);

// True when `text` holds a character below 32, DEL, or a byte Windows-1252
// leaves undefined: such text never goes into a file name, a line of a data
// file or a command line.
bool HasControlCharacter(std::string_view text);

// A name as the operator is shown it: control characters as "?", cut after
// 80 characters with "...".
std::string ShownName(std::string_view name);

}  // namespace zarvane
