#pragma once
// Path helpers. The station writes the native separator ("/"); paths read from
// files made on Windows may use "\" and are accepted as well.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarvane {

inline constexpr char kSep = '/';

bool IsSeparator(char c);
// Directory and name joined with the native separator (no doubled separator).
std::string JoinPath(std::string_view dir, std::string_view name);
// "\" turned into the native separator.
std::string NativePath(std::string_view path);

// The text before the last "." (trimmed), or the whole text when there is none.
std::string NameWithoutExtension(std::string_view text);
// The text after the last "." (trimmed), or empty.
std::string Extension(std::string_view text);
// The text after the last separator, or the whole text.
std::string FileNameFromPath(std::string_view path);
// Everything before the last separator ("" when there is none).
std::string DirectoryOf(std::string_view path);
// The root a path starts at: "/" for absolute paths here, "C:\" style for
// drive-letter paths read from Windows files, "" for relative paths.
std::string DriveRoot(std::string_view path);
// The short-name expansion of host paths: returned unchanged here, since this
// file system has no 8.3 names; a "~" path that exists under another case is resolved.
std::string LongDirName(std::string_view path);

// When `path` does not exist but a path differing only in the case of its
// components does, that one; otherwise `path` itself. Data copied from Windows
// shares often differ from the names the station composes only in case.
std::string ResolveCase(const std::string& path);

// File system names are UTF-8 on this platform while the station's texts are
// Windows-1252: every path crosses over through these two.
std::filesystem::path OsPath(const std::string& path);
std::string FromOsPath(const std::filesystem::path& path);

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);

// Whole-line text files: single-byte text read exactly as written, lines ended by
// CR LF or LF; written with CR LF, whole or not at all (WriteFileAtomically).
std::optional<std::vector<std::string>> ReadLines(const std::string& path);
std::optional<std::string> ReadAll(const std::string& path);
bool WriteLines(const std::string& path, const std::vector<std::string>& lines);
// Adds one line at the end, starting it on a line of its own even when the
// file's last line lacks its line end.
bool AppendLine(const std::string& path, const std::string& line);

}  // namespace zarvane
