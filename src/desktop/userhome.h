#pragma once
// The home directory of an installed station. An installed station cannot keep
// its settings, log and data beside its executable, so each user gets a home
// of their own under the user's data directory, prepared on first run from the
// demo home installed as a template, with the simulated analysis, combine and
// mirror programs made available in it.
//
// Paths here are the operating system's (UTF-8), not the station's text.

#include <string>

namespace zarvane {

// What the station installs beside itself, found from its executable's
// directory: the installed layout (<dir>/../share/zarvane/home and
// <dir>/../libexec/zarvane/<program>) first, else a build tree
// (<dir>/demo-home-template and <dir>/<program>). A program not found is "".
struct InstalledFiles {
  bool installed = false;  // the installed layout, not a build tree
  std::string homeTemplate;
  std::string blade;
  std::string combine;
  std::string mirror;
};
InstalledFiles FindInstalledFiles(const std::string& programDir);

// <data>/zarvane/home, <data> being $XDG_DATA_HOME, else $HOME/.local/share.
// "" when neither variable is set.
std::string UserHomeDirectory();

struct PreparedHome {
  enum class Outcome { Existing, Prepared, Failed } outcome = Outcome::Failed;
  std::string message;  // what went wrong, for Failed
};

// Makes `home` from the template when it does not exist yet or is empty; a
// home with anything in it is the user's and is left alone. The template is
// copied under a temporary name beside `home` and renamed into place, so a
// failed or interrupted preparation never leaves a half-made home: the next
// start prepares it again. In the copy, "@HOME@" in zarv.ini and registry.ini
// becomes the home's path; Blade/Blade.exe is a small launcher of the
// installed analysis program (it runs it under the launcher's own name, so
// the program keeps its settings and log beside it, in this home, and its
// size marks it as version 2.0 or newer); combine.exe and mirror.exe are links
// to the installed programs. In a home that exists already, the launcher and
// the links the station made are pointed at the programs of `files`, so a
// home outlives an upgrade or a move of the programs; anything else in it,
// and a launcher or program the user replaced, stays as it is.
PreparedHome PrepareUserHome(const std::string& home, const InstalledFiles& files);

// The launcher text of Blade/Blade.exe for the analysis program `blade`:
// exactly `size` bytes when the script itself is shorter.
std::string BladeLauncher(const std::string& blade, std::size_t size);

}  // namespace zarvane
