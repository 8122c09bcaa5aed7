#include "desktop/userhome.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "foundation/text.h"

namespace zarvane {
namespace fs = std::filesystem;

namespace {

// The analysis program's size from which the station treats it as version
// 2.0 or newer (the station's own rule for its bladeexe).
constexpr std::size_t kNewBladeSize = 958464;

bool IsExecutableFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec) && access(p.c_str(), X_OK) == 0;
}

std::string Found(const fs::path& installed, const fs::path& built) {
  if (IsExecutableFile(installed)) return installed.lexically_normal().string();
  if (IsExecutableFile(built)) return built.lexically_normal().string();
  return "";
}

// A shell word that stays one word whatever the path holds.
std::string SingleQuoted(const std::string& text) {
  std::string out = "'";
  for (char ch : text) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return out + "'";
}

bool ReplaceInFile(const fs::path& file, const std::string& from, const std::string& to) {
  std::string text;
  {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

bool WriteExecutable(const fs::path& file, const std::string& text) {
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) return false;
  }
  std::error_code ec;
  fs::permissions(file, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::replace, ec);
  return !ec;
}

// A value as the registry store's INI file (QSettings, UTF-8) reads it back
// unchanged: quoted, with "\\" and "\"" escaped, when it holds what that
// format gives a meaning (";" starts a comment, "," makes a list).
std::string RegistryValue(const std::string& value) {
  if (value.find_first_of(";,\"\\") == std::string::npos && value == Trim(value)) return value;
  std::string quoted = "\"";
  for (char ch : value) quoted += ch == '"' || ch == '\\' ? std::string("\\") + ch : std::string(1, ch);
  return quoted + "\"";
}

bool FillRegistry(const fs::path& file, const std::string& home) {
  std::string text;
  {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::istringstream lines(text);
  std::string out;
  for (std::string line; std::getline(lines, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos && line.find("@HOME@", eq) != std::string::npos) {
      std::string value = line.substr(eq + 1);
      const bool cr = !value.empty() && value.back() == '\r';
      if (cr) value.pop_back();
      for (size_t at; (at = value.find("@HOME@")) != std::string::npos;) value.replace(at, 6, home);
      line = line.substr(0, eq + 1) + RegistryValue(value) + (cr ? "\r" : "");
    }
    out += line + "\n";
  }
  std::ofstream o(file, std::ios::binary | std::ios::trunc);
  o << out;
  o.close();
  return static_cast<bool>(o);
}

// The launcher this station wrote (not a program the user put in its place).
bool IsOurLauncher(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string head(64, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  return head.rfind(BladeLauncher("", 0).substr(0, 40), 0) == 0;
}

// The analysis program's launcher and the links to combine and mirror, made
// or pointed at the programs of `files`. `fresh`: a new home, where they are
// made whatever is there; otherwise only what the station made is changed.
std::string LinkPrograms(const fs::path& dir, const InstalledFiles& files, bool fresh) {
  std::error_code ec;
  const fs::path launcher = dir / "Blade" / "Blade.exe";
  if (!files.blade.empty()) {
    const std::string text = BladeLauncher(files.blade, kNewBladeSize);
    const bool ours = fs::exists(launcher, ec) && IsOurLauncher(launcher);
    if (fresh || ours) {
      std::ifstream in(launcher, std::ios::binary);
      const std::string now(std::istreambuf_iterator<char>(in), {});
      if (now != text) {
        fs::create_directories(dir / "Blade", ec);
        if (ec) return "cannot make " + (dir / "Blade").string() + ": " + ec.message();
        if (!WriteExecutable(launcher, text)) return "cannot write " + launcher.string();
      }
    }
  }
  for (const auto& [program, name] : {std::pair{files.combine, "combine.exe"}, std::pair{files.mirror, "mirror.exe"}}) {
    if (program.empty()) continue;
    const fs::path link = dir / name;
    const bool isLink = fs::is_symlink(link, ec);
    if (!fresh && !isLink) continue;  // the user's own program
    if (isLink && fs::read_symlink(link, ec) == fs::path(program)) continue;
    fs::remove(link, ec);
    fs::create_symlink(program, link, ec);
    if (ec) return "cannot link " + link.string() + ": " + ec.message();
  }
  return "";
}

// Fills the freshly copied template at `dir`, which becomes `home`.
std::string Fill(const fs::path& dir, const std::string& home, const InstalledFiles& files) {
  // The station reads its settings file as Windows-1252 text; the registry
  // store's file is UTF-8.
  std::error_code ec;
  if (fs::exists(dir / "zarv.ini", ec) && !ReplaceInFile(dir / "zarv.ini", "@HOME@", Utf8ToCp1252(home)))
    return "cannot write " + (dir / "zarv.ini").string();
  if (fs::exists(dir / "registry.ini", ec) && !FillRegistry(dir / "registry.ini", home))
    return "cannot write " + (dir / "registry.ini").string();
  return LinkPrograms(dir, files, true);
}

// Copies left by first runs that were killed: "<name>.preparing-<pid>" whose
// process has gone.
void RemoveStaleCopies(const fs::path& target) {
  std::error_code ec;
  const std::string prefix = target.filename().string() + ".preparing-";
  for (fs::directory_iterator it(target.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    const std::string digits = name.substr(prefix.size());
    pid_t pid = 0;
    const auto [stop, parsed] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (parsed != std::errc() || stop != digits.data() + digits.size() || pid <= 0) continue;
    if (kill(pid, 0) == 0 || errno != ESRCH) continue;
    std::error_code removed;
    fs::remove_all(it->path(), removed);
  }
}

}  // namespace

InstalledFiles FindInstalledFiles(const std::string& programDir) {
  const fs::path dir = programDir.empty() ? fs::path(".") : fs::path(programDir);
  const fs::path share = dir / ".." / "share" / "zarvane";
  const fs::path libexec = dir / ".." / "libexec" / "zarvane";
  InstalledFiles files;
  std::error_code ec;
  if (fs::is_directory(share / "home", ec)) {
    files.homeTemplate = (share / "home").lexically_normal().string();
    files.installed = true;
  } else if (fs::is_directory(dir / "demo-home-template", ec))
    files.homeTemplate = (dir / "demo-home-template").lexically_normal().string();
  files.blade = Found(libexec / "blade", dir / "blade");
  files.combine = Found(libexec / "combine", dir / "combine");
  files.mirror = Found(libexec / "mirror", dir / "mirror");
  return files;
}

std::string UserHomeDirectory() {
  fs::path data;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && fs::path(xdg).is_absolute()) data = xdg;
  else if (const char* user = std::getenv("HOME"); user && *user) data = fs::path(user) / ".local" / "share";
  else return "";
  return (data / "zarvane" / "home").string();
}

std::string BladeLauncher(const std::string& blade, std::size_t size) {
  std::string text =
      "#!/bin/bash\n"
      "# The station's blade analysis program, started under this file's name so\n"
      "# that it keeps its settings (Blade.ini) and its log (Blade.log) here.\n"
      "exec -a \"$0\" " +
      SingleQuoted(blade) + " \"$@\"\n";
  // Padding after the exec line: never read by the shell.
  if (text.size() + 2 <= size) text += "#" + std::string(size - text.size() - 2, '#') + "\n";
  return text;
}

PreparedHome PrepareUserHome(const std::string& home, const InstalledFiles& files) {
  PreparedHome result;
  const fs::path target(home);
  std::error_code ec;
  if (fs::exists(target, ec)) {
    if (!fs::is_directory(target, ec)) {
      result.message = home + " is not a directory";
      return result;
    }
    if (!fs::is_empty(target, ec) || ec) {
      result.outcome = PreparedHome::Outcome::Existing;
      LinkPrograms(target, files, false);  // best effort: the station says what it cannot run
      return result;
    }
  }
  if (files.homeTemplate.empty() || !fs::is_directory(files.homeTemplate, ec)) {
    result.message = "the station's home template was not found";
    return result;
  }
  fs::create_directories(target.parent_path(), ec);
  if (ec) {
    result.message = "cannot make " + target.parent_path().string() + ": " + ec.message();
    return result;
  }
  RemoveStaleCopies(target);
  const fs::path building = target.parent_path() / (target.filename().string() + ".preparing-" + std::to_string(getpid()));
  fs::remove_all(building, ec);
  fs::copy(files.homeTemplate, building, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  std::string problem = ec ? "cannot copy " + files.homeTemplate + ": " + ec.message() : Fill(building, home, files);
  if (problem.empty()) {
    fs::remove(target, ec);  // an empty directory only
    fs::rename(building, target, ec);
    std::error_code probe;
    if (ec && fs::is_directory(target, probe) && !fs::is_empty(target, probe)) {
      // Another start prepared it first: that home is the one.
      fs::remove_all(building, ec);
      result.outcome = PreparedHome::Outcome::Existing;
      return result;
    }
    if (ec) problem = "cannot rename " + building.string() + " to " + home + ": " + ec.message();
  }
  if (!problem.empty()) {
    fs::remove_all(building, ec);
    result.message = problem;
    return result;
  }
  result.outcome = PreparedHome::Outcome::Prepared;
  return result;
}

}  // namespace zarvane
