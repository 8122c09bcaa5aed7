#include "desktop/userhome.h"

#include <unistd.h>

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

// Fills the freshly copied template at `dir`, which becomes `home`.
std::string Fill(const fs::path& dir, const std::string& home, const InstalledFiles& files) {
  // The station reads its settings files as Windows-1252 text.
  const std::string homeText = Utf8ToCp1252(home);
  for (const char* name : {"zarv.ini", "registry.ini"}) {
    const fs::path file = dir / name;
    std::error_code ec;
    if (fs::exists(file, ec) && !ReplaceInFile(file, "@HOME@", homeText)) return "cannot write " + file.string();
  }
  std::error_code ec;
  fs::create_directories(dir / "Blade", ec);
  if (ec) return "cannot make " + (dir / "Blade").string() + ": " + ec.message();
  if (!files.blade.empty() && !WriteExecutable(dir / "Blade" / "Blade.exe", BladeLauncher(files.blade, kNewBladeSize)))
    return "cannot write " + (dir / "Blade" / "Blade.exe").string();
  for (const auto& [program, name] : {std::pair{files.combine, "combine.exe"}, std::pair{files.mirror, "mirror.exe"}}) {
    if (program.empty()) continue;
    fs::remove(dir / name, ec);
    fs::create_symlink(program, dir / name, ec);
    if (ec) return "cannot link " + (dir / name).string() + ": " + ec.message();
  }
  return "";
}

}  // namespace

InstalledFiles FindInstalledFiles(const std::string& programDir) {
  const fs::path dir = programDir.empty() ? fs::path(".") : fs::path(programDir);
  const fs::path share = dir / ".." / "share" / "zarvane";
  const fs::path libexec = dir / ".." / "libexec" / "zarvane";
  InstalledFiles files;
  std::error_code ec;
  if (fs::is_directory(share / "home", ec)) files.homeTemplate = (share / "home").lexically_normal().string();
  else if (fs::is_directory(dir / "demo-home-template", ec))
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
  const fs::path building = target.parent_path() / (target.filename().string() + ".preparing-" + std::to_string(getpid()));
  fs::remove_all(building, ec);
  fs::copy(files.homeTemplate, building, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  std::string problem = ec ? "cannot copy " + files.homeTemplate + ": " + ec.message() : Fill(building, home, files);
  if (problem.empty()) {
    fs::remove(target, ec);  // an empty directory only
    fs::rename(building, target, ec);
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
