// File utilities: splitters, file tests and changes, readers, path helpers.
#include <fnmatch.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "foundation/boundedlines.h"
#include "foundation/core.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace fs = std::filesystem;

namespace zarvane {
namespace {

Err ErrFromCode(const std::error_code& ec) {
  if (ec == std::errc::no_such_file_or_directory) return {kErrFileNotFound, "File not found"};
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
      ec == std::errc::read_only_file_system)
    return {kErrPermission, "Permission denied"};
  if (ec == std::errc::is_a_directory) return {kErrPathAccess, "Path/File access error"};
  return {kErrPathAccess, "Path/File access error: " + ec.message()};
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

}  // namespace

Texts Core::SplitWords(std::string& line) const {
  for (char& c : line) {
    if (c == '\t') c = ' ';
    else if (c == ',' && gDotDecimal) c = ' ';
    else if (c == '=') c = ' ';
  }
  Texts words;
  std::string word;
  for (char c : line) {
    if (c == '!') break;
    if (c != ' ') {
      word += c;
    } else {
      if (!word.empty()) words.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

Texts Core::SplitWords(const std::string& line) const {
  std::string copy = line;
  return SplitWords(copy);
}

Texts Core::SplitFields(const std::string& line) {
  Texts fields;
  std::string field;
  for (char c : line) {
    if (c == '!') break;
    if (c == ';') {
      if (!field.empty()) fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) fields.push_back(field);
  return fields;
}

bool Core::IsComment(const std::string& line) { return StartsWith(line, "!") || StartsWith(line, "$$"); }

bool Core::FileExists(const std::string& path, bool quiet) {
  bool found = false;
  if (!Trim(path).empty()) {
    const std::string native = NativePath(path);
    const std::string name = FileNameFromPath(native);
    if (HasWildcard(name)) {
      // Like a find-first-file search: any entry matching the pattern, case ignored.
      std::string dir = DirectoryOf(native);
      dir = ResolveCase(dir.empty() ? "." : dir);
      std::error_code ec;
      for (fs::directory_iterator it(OsPath(dir), ec), end; !ec && it != end; it.increment(ec)) {
        if (fnmatch(name.c_str(), FromOsPath(it->path().filename()).c_str(), FNM_CASEFOLD) == 0) {
          found = true;
          break;
        }
      }
    } else {
      found = PathExists(ResolveCase(native));
    }
  }
  if (found) {
    WriteLog(path + " found.", 10);
  } else {
    WriteLog(path + " not found.", 9, !quiet);
  }
  return found;
}

void Core::KillFile(const std::string& path) {
  if (!FileExists(path, true)) return;
  std::error_code ec;
  fs::remove(OsPath(ResolveCase(NativePath(path))), ec);
  if (ec) WriteLog("KillFile: " + path + " could not be deleted: " + ec.message(), 0);
}

std::string Core::BackupName(const std::string& path) {
  const size_t sep = path.find_last_of("/\\");
  const size_t nameStart = sep == std::string::npos ? 0 : sep + 1;
  std::string result = path.substr(0, nameStart);
  for (size_t i = nameStart; i < path.size(); ++i) {
    if (path[i] == '.') result += "OLD";
    result += path[i];
  }
  return result;
}

void Core::MakeOLD(const std::string& path) {
  WriteLog("MakeOLD: Start: " + path, 7);
  if (!FileExists(path, true)) return;
  const std::string actual = ResolveCase(NativePath(path));
  std::error_code ec;
  fs::permissions(OsPath(actual), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  // The original goes only once its backup copy is safely written.
  if (!FCopy(actual, BackupName(actual))) return;
  fs::remove(OsPath(actual), ec);
  if (ec) {
    WriteLog("MakeOLD: " + path + " was backed up but could not be removed: " + ec.message(), 0);
    return;
  }
  WriteLog(path + " MakeOLD made OLD", 9);
}

bool Core::FCopy(const std::string& source, const std::string& destination) {
  const std::string src = Trim(source), dst = Trim(destination);
  if (src == dst) return true;
  std::error_code ec;
  const std::string from = ResolveCase(NativePath(src));
  const std::string to = ResolveCase(NativePath(dst));
  if (IsDirectory(from)) ec = std::make_error_code(std::errc::is_a_directory);
  else fs::copy_file(OsPath(from), OsPath(to), fs::copy_options::overwrite_existing, ec);
  if (!ec) {
    WriteLog("FCopy Copied: " + src + " to: " + dst, 9);
    return true;
  }
  WriteLog(Translate("An error occurred while attempting to copy file") + " " + src + " " + Translate("to file") + " " +
               dst + ". " + Translate("Please contact System Administrator") + "." + ErrorText(ErrFromCode(ec)),
           0, true);
  return false;
}

void Core::ChangeDir(const std::string& path) {
  std::error_code ec;
  fs::current_path(OsPath(ResolveCase(NativePath(path))), ec);
  if (ec) {
    WriteLog(Translate("An error occurred while trying to change path to: ") + path + "\r\n" +
                 ErrorText(ErrFromCode(ec)),
             0, true);
  }
}

OptTexts Core::getaFile(const std::string& path) {
  WriteLog("getaFile: Start: Acquiring file:" + path, 9);
  if (!FileExists(path, true)) {
    WriteLog("getaFile: End: File didn't exist.", 0);
    return std::nullopt;
  }
  BoundedLines lines(NativePath(path));
  if (!lines.IsOpen()) {
    WriteLog("getaFile: End: File didn't exist.", 0);
    return std::nullopt;
  }
  Texts result;
  std::string line;
  while (lines.Next(line))
    if (!Trim(line).empty() && !IsComment(line)) result.push_back(line);
  TellLongLines(path, lines);
  WriteLog("getaFile: End ", 9);
  return result;
}

void Core::WriteaFile(const Texts& items, const std::string& path, bool keepBackup) {
  WriteLog("WriteaFile: Start: Writing file:" + path, 7);
  // The backup is a copy: the file itself is replaced whole by the new
  // lines, or stays as it was when they cannot be written.
  if (keepBackup && FileExists(path, true)) {
    WriteLog("WriteaFile: File existed, MadeOLD for backup.", 0);
    const std::string actual = ResolveCase(NativePath(path));
    FCopy(actual, BackupName(actual));
  }
  if (!WriteLines(NativePath(path), items)) throw RuntimeError(kErrPathAccess, "Path/File access error: " + path);
  WriteLog("WriteaFile: End ", 10);
}

bool Core::parseFile(const std::string& path, const std::string& keyword, bool semicolonMode) {
  WriteLog("parseFile Start:", 9);
  if (Trim(path).empty()) {
    WriteLog("parseFile: End: param: " + keyword + " File was null.", 9);
    return false;
  }
  WriteLog("parseFile: Parsing file:" + path, 9);
  WriteLog("parseFile: Looking for:" + Trim(keyword), 10);
  if (!FileExists(path, true)) {
    WriteLog("parseFile: File not found:" + path, 0);
    return false;
  }
  bool found = false;
  const std::string upperKey = UCase(keyword);
  BoundedLines lines(NativePath(path));
  std::string line;
  while (lines.Next(line)) {
    WriteLog("parseFile: Line read: " + line, 10);
    if (IsComment(line)) continue;
    const Texts words = semicolonMode ? SplitFields(line) : SplitWords(line);
    for (const auto& w : words) {
      if (UCase(w) == upperKey) {
        WriteLog("parseFile: Found: " + keyword, 10);
        found = true;
      }
    }
  }
  TellLongLines(path, lines);
  WriteLog("parseFile: End ", 10);
  return found;
}

OptTexts Core::getaLine(const std::string& path, const std::string& keyword, bool semicolonMode) {
  WriteLog("getaLine: Start: File: " + path, 7);
  if (!FileExists(path, true)) {
    WriteLog("getaLine: End: File didn't exist.", 0);
    return std::nullopt;
  }
  const std::string upperKey = UCase(keyword);
  BoundedLines lines(NativePath(path));
  std::string line;
  while (lines.Next(line)) {
    if (IsComment(line)) continue;
    Texts words = semicolonMode ? SplitFields(line) : SplitWords(line);
    if (words.size() < 2) continue;
    for (const auto& w : words) {
      if (UCase(w) == upperKey) {
        TellLongLines(path, lines);
        WriteLog("getaLine: End:", 9);
        return words;
      }
    }
  }
  TellLongLines(path, lines);
  WriteLog("getaLine: End ", 10);
  return std::nullopt;
}

OptTexts Core::getaKeySet(const std::string& path, const std::string& key, int column) {
  WriteLog("getaKeySet: Start: File:" + path, 7);
  if (!FileExists(path, true)) {
    WriteLog("getaKeySet: End: File didn't exist.", 0);
    return std::nullopt;
  }
  Texts result;
  BoundedLines lines(NativePath(path));
  std::string line;
  while (lines.Next(line)) {
    if (Trim(line).empty() || IsComment(line)) continue;
    const Texts words = SplitWords(line);
    if (column < 1 || static_cast<int>(words.size()) < column) continue;
    if (words[0] == key) result.push_back(words[column - 1]);
  }
  TellLongLines(path, lines);
  WriteLog("getaKeySet: End ", 10);
  return result;
}

void Core::ReplaceLine(const std::string& path, const std::string& tag, const std::string& newLine) {
  WriteLog("ReplaceLine: Start: Replacing tag: " + tag + " with NewLine: " + newLine + " in file: " + path, 9);
  Texts lines = getaFile(path).value_or(Texts{});
  for (auto& line : lines) {
    if (IContains(line, tag)) {
      line = newLine;
      break;
    }
  }
  WriteaFile(lines, path, false);
  WriteLog("ReplaceLine: End", 9);
}

void Core::TellLongLines(const std::string& path, const BoundedLines& lines) {
  if (lines.LongLines() == 0) return;
  // Once per version of the file: the settings file is read again for every
  // key, and one box for the one fault is enough.
  if (!toldLongLines_.insert(ResolveCase(NativePath(path)) + "\n" + lines.Version()).second) return;
  std::string text = Translate("Line") + " " + std::to_string(lines.FirstLongLine()) + " " + Translate("of file") +
                     " " + path + " " + Translate("is longer than") + " " +
                     std::to_string(BoundedLines::kMaxLineLength) + " " + Translate("characters and was ignored");
  if (lines.LongLines() > 1)
    text += " (" + Translate("lines that long:") + " " + std::to_string(lines.LongLines()) + ")";
  WriteLog(text + ".", 0, true);
}

std::string Core::OpenFileDlg(const std::string& title, const std::string& filter, const std::string& defaultPath) {
  WriteLog("OpenFileDlg: Start: DefaultPath: " + defaultPath, 0);
  std::string initialDir, initialFile;
  if (!defaultPath.empty()) {
    initialDir = defaultPath;
    if (!IsSeparator(defaultPath.back())) initialFile = defaultPath;
  }
  const std::string chosen = op.OpenFile(title, filter, initialDir, initialFile);
  WriteLog("OpenFileDlg: End: File chosen: " + chosen, 0);
  return chosen;
}

std::vector<std::string> Core::FixedDrives() {
  if (!platform.drives) return {};
  return platform.drives->FixedDrives();
}

}  // namespace zarvane
