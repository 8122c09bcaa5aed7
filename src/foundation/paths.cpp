#include "foundation/paths.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "foundation/atomicfile.h"
#include "foundation/text.h"

namespace fs = std::filesystem;

namespace zarvane {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string NativePath(std::string_view path) {
  std::string r(path);
  for (char& c : r)
    if (c == '\\') c = kSep;
  return r;
}

std::string JoinPath(std::string_view dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  std::string r(dir);
  while (!name.empty() && IsSeparator(name.front())) name.remove_prefix(1);
  if (!IsSeparator(r.back())) r += kSep;
  r += name;
  return r;
}

std::string NameWithoutExtension(std::string_view text) {
  const size_t dot = text.rfind('.');
  if (dot == std::string_view::npos) return std::string(text);
  return Trim(text.substr(0, dot));
}

std::string Extension(std::string_view text) {
  const size_t dot = text.rfind('.');
  if (dot == std::string_view::npos) return {};
  return Trim(text.substr(dot + 1));
}

std::string FileNameFromPath(std::string_view path) {
  const size_t p = path.find_last_of("/\\");
  if (p == std::string_view::npos) return std::string(path);
  return std::string(path.substr(p + 1));
}

std::string DirectoryOf(std::string_view path) {
  const size_t p = path.find_last_of("/\\");
  if (p == std::string_view::npos) return {};
  if (p == 0) return "/";
  return std::string(path.substr(0, p));
}

std::string DriveRoot(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) return std::string(path.substr(0, 3));
  if (!path.empty() && IsSeparator(path[0])) return "/";
  return {};
}

std::string LongDirName(std::string_view path) {
  std::string p(path);
  if (p.find('~') == std::string::npos) return p;
  return ResolveCase(p);
}

std::filesystem::path OsPath(const std::string& path) { return fs::path(Cp1252ToUtf8(path)); }

std::string FromOsPath(const std::filesystem::path& path) { return Utf8ToCp1252(path.string()); }

bool PathExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(OsPath(path), ec);
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(OsPath(path), ec);
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(OsPath(path), ec);
}

namespace {

// The entry of `dir` whose name equals `name` but for case, as the station
// spells names (Windows-1252), or "" when there is none. A miss reads the
// whole directory, and part directories grow to tens of thousands of
// entries, so the loop allocates only for the rare name that is not plain
// ASCII.
std::string CaseVariant(const std::string& dir, const std::string& name) {
  DIR* d = opendir(OsPath(dir).c_str());
  if (!d) return {};
  std::string found;
  while (const dirent* e = readdir(d)) {
    const std::string_view entry(e->d_name);
    const bool ascii =
        std::all_of(entry.begin(), entry.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
    if (ascii && !IEquals(entry, name)) continue;
    std::string spelled = ascii ? std::string(entry) : Utf8ToCp1252(entry);
    if (ascii || IEquals(spelled, name)) {
      found = std::move(spelled);
      break;
    }
  }
  closedir(d);
  return found;
}

}  // namespace

std::string ResolveCase(const std::string& path) {
  if (path.empty() || PathExists(path)) return path;
  // Walk the components from the left, replacing each missing one by an entry
  // of its directory that differs only in case.
  std::string native = NativePath(path);
  std::string resolved;
  size_t i = 0;
  if (!native.empty() && native[0] == kSep) {
    resolved = "/";
    while (i < native.size() && native[i] == kSep) ++i;
  }
  while (i < native.size()) {
    size_t j = native.find(kSep, i);
    if (j == std::string::npos) j = native.size();
    const std::string part = native.substr(i, j - i);
    std::string candidate = resolved.empty() ? part : JoinPath(resolved, part);
    if (!part.empty() && part != "." && part != ".." && !PathExists(candidate)) {
      const std::string name = CaseVariant(resolved.empty() ? "." : resolved, part);
      if (name.empty()) return path;
      candidate = resolved.empty() ? name : JoinPath(resolved, name);
    }
    resolved = candidate;
    i = j;
    while (i < native.size() && native[i] == kSep) ++i;
  }
  return resolved;
}

std::optional<std::string> ReadAll(const std::string& path) {
  std::ifstream in(OsPath(ResolveCase(path)), std::ios::binary);
  if (!in) return std::nullopt;
  // One read of the whole file when its size is known (a regular file);
  // otherwise (a pipe, a device) character by character.
  std::string data;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size > 0) {
    in.seekg(0, std::ios::beg);
    data.resize(static_cast<size_t>(size));
    in.read(data.data(), size);
    data.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) return std::nullopt;
    return data;
  }
  in.clear();
  in.seekg(0, std::ios::beg);
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
  if (IsDirectory(ResolveCase(path))) return std::nullopt;
  auto data = ReadAll(path);
  if (!data) return std::nullopt;
  std::vector<std::string> lines;
  size_t start = 0;
  const std::string& d = *data;
  while (start < d.size()) {
    size_t nl = d.find('\n', start);
    size_t end = nl == std::string::npos ? d.size() : nl;
    size_t stop = end;
    if (stop > start && d[stop - 1] == '\r') --stop;
    lines.emplace_back(d, start, stop - start);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return WriteFileAtomically(path, text).Ok();
}

bool AppendLine(const std::string& path, const std::string& line) {
  std::FILE* f = std::fopen(OsPath(ResolveCase(path)).c_str(), "a+b");
  if (!f) return false;
  // A last line without its line end (a file edited by hand) gets one first:
  // the new line must not run on from it.
  std::string data = line + "\r\n";
  if (std::fseek(f, -1, SEEK_END) == 0) {
    const int last = std::fgetc(f);
    if (last == '\r') data = "\n" + data;
    else if (last != '\n' && last != EOF) data = "\r\n" + data;
    std::fseek(f, 0, SEEK_END);  // a read is followed by a positioning before the write
  }
  const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace zarvane
