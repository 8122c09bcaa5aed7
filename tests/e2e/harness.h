#pragma once
// Runs the real zarvane program headless on a scratch home directory and
// collects its transcript, exit status and files.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace zarvane::e2e {

namespace fs = std::filesystem;

struct RunResult {
  int status = -1;
  std::string transcript;  // standard output
  std::string errors;      // standard error

  bool Has(const std::string& text) const { return transcript.find(text) != std::string::npos; }
  int Count(const std::string& text) const {
    int n = 0;
    for (size_t p = transcript.find(text); p != std::string::npos; p = transcript.find(text, p + 1)) ++n;
    return n;
  }
  // The transcript lines that start with `prefix`, in order.
  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> lines;
    std::stringstream in(transcript);
    for (std::string line; std::getline(in, line);)
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
  }
};

inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const fs::path& p, const std::string& data) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << data;
}

inline int CountOf(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (size_t p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + 1)) ++n;
  return n;
}

// The size from which the analysis program counts as version 2.0 or newer.
inline constexpr std::uintmax_t kNewBladeSize = 958464;

// The analysis program of a test home: the simulated one the build makes
// (BLADE_EXE). Its size tells the station the version. Size 0: a copy, padded
// at its end (which its loader ignores) to version 2.0's size when smaller.
// A given size: a wrapper script of exactly that size which runs the
// simulated program under the wrapper's own name (so its log and settings
// file lie beside the wrapper).
inline void MakeBladeProgram(const fs::path& p, std::uintmax_t size = 0) {
  fs::create_directories(p.parent_path());
  if (size == 0) {
    fs::copy_file(BLADE_EXE, p, fs::copy_options::overwrite_existing);
    if (const std::uintmax_t now = fs::file_size(p); now < kNewBladeSize) {
      std::ofstream out(p, std::ios::binary | std::ios::app);
      out << std::string(kNewBladeSize - now, '\0');
    }
  } else {
    std::string text = "#!/bin/bash\n# the analysis program: the simulated one under this name\nexec -a \"$0\" '" +
                       std::string(BLADE_EXE) + "' \"$@\"\n#";
    if (text.size() < size) text += std::string(size - text.size() - 1, '#') + "\n";
    WriteFile(p, text);
  }
  fs::permissions(p, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec, fs::perm_options::replace);
}

// Settings of the test home's analysis program (Blade.ini beside it).
inline void SetBladeSettings(const fs::path& program, const std::string& lines) {
  fs::path ini = program;
  ini.replace_extension(".ini");
  WriteFile(ini, lines);
}

// The value of a key in an INI file written by the registry store ("" when absent).
inline std::string IniValue(const std::string& ini, const std::string& section, const std::string& key) {
  auto lower = [](std::string t) {
    for (char& ch : t) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return t;
  };
  std::stringstream in(ini);
  bool inSection = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inSection = lower(line) == "[" + lower(section) + "]";
      continue;
    }
    const size_t eq = line.find('=');
    if (!inSection || eq == std::string::npos || lower(line.substr(0, eq)) != lower(key)) continue;
    std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return value;
  }
  return "";
}

// A scratch station home with its own registry file. An installed station has
// what an installation leaves: a stand-in analysis program (root/Blade/Blade.exe)
// registered in the registry, and the three data directories under the home,
// registered too. A bare one has the program and the directories on disk, but
// an empty registry, as on a first start.
class Station {
 public:
  enum class Setup { Installed, Bare };

  explicit Station(Setup setup = Setup::Installed) {
    char tmpl[] = "/tmp/zarvane-e2e-XXXXXX";
    root_ = mkdtemp(tmpl);
    home_ = root_ / "home";
    fs::create_directories(home_);
    for (const char* dir : {"blades", "fixtures", "quorvx programs"}) fs::create_directories(home_ / dir);
    MakeBladeProgram(BladeProgram());
    env_["ZARVANE_REGISTRY"] = (root_ / "registry.ini").string();
    env_["ZARVANE_SYSTEM_DIR"] = (root_ / "system").string();
    env_["ZARVANE_NETWORK_ROOTS"] = "";
    // What the station registers with the desktop stays in the scratch root.
    env_["XDG_DATA_HOME"] = (root_ / "data").string();
    env_["XDG_CONFIG_HOME"] = (root_ / "config").string();
    if (setup == Setup::Installed) {
      SetRegistry("directories", "bladeexe", BladeProgram().string());
      SetRegistry("directories", "blades", (home_ / "blades").string());
      SetRegistry("directories", "fixtures", (home_ / "fixtures").string());
      SetRegistry("directories", "programs", (home_ / "quorvx programs").string());
    }
  }
  ~Station() {
    std::error_code ec;
    if (!std::getenv("ZARVANE_KEEP_E2E")) fs::remove_all(root_, ec);
  }
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  const fs::path& Home() const { return home_; }
  const fs::path& Root() const { return root_; }
  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
  // Runs this copy of the station program instead of the one the build made.
  void SetProgram(const fs::path& program) { program_ = program.string(); }

  std::string File(const std::string& name) const { return ReadFile(home_ / name); }
  bool Exists(const std::string& name) const { return fs::exists(home_ / name); }
  void Put(const std::string& name, const std::string& data) const { WriteFile(home_ / name, data); }
  std::string Registry() const { return ReadFile(root_ / "registry.ini"); }
  std::string Registry(const std::string& section, const std::string& key) const {
    return IniValue(Registry(), section, key);
  }
  // Sets one registry value, keeping the others (what the station wrote included).
  void SetRegistry(const std::string& section, const std::string& key, const std::string& value) {
    std::vector<std::string> lines;
    std::stringstream in(Registry());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    auto lower = [](std::string t) {
      for (char& ch : t) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      return t;
    };
    const std::string header = "[" + lower(section) + "]";
    size_t at = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
      if (lower(lines[i]) == header) at = i;
    if (at == lines.size()) {
      lines.push_back("[" + section + "]");
      lines.push_back(key + "=" + value);
    } else {
      size_t i = at + 1;
      for (; i < lines.size() && (lines[i].empty() || lines[i][0] != '['); ++i) {
        const size_t eq = lines[i].find('=');
        if (eq != std::string::npos && lower(lines[i].substr(0, eq)) == lower(key)) break;
      }
      if (i < lines.size() && !lines[i].empty() && lines[i][0] != '[') lines[i] = key + "=" + value;
      else lines.insert(lines.begin() + static_cast<long>(at) + 1, key + "=" + value);
    }
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    WriteFile(root_ / "registry.ini", text);
  }
  // The stand-in analysis program.
  fs::path BladeProgram() const { return root_ / "Blade" / "Blade.exe"; }

  // Runs the station as its desktop entry does (--user-home) instead of on
  // Home(): on <root>/data/zarvane/home, with no registry or system directory
  // named by the environment.
  void UseUserHome() {
    userHome_ = true;
    env_.erase("ZARVANE_REGISTRY");
    env_.erase("ZARVANE_SYSTEM_DIR");
  }
  fs::path UserHome() const { return root_ / "data" / "zarvane" / "home"; }

  // Runs `zarvane --home <home> --script <script> --virtual-clock [args]`.
  RunResult Run(const std::string& script, const std::vector<std::string>& args = {}, bool virtualClock = true) {
    const fs::path scriptPath = root_ / ("script" + std::to_string(++runs_) + ".txt");
    WriteFile(scriptPath, script);
    const fs::path out = root_ / "stdout.txt", err = root_ / "stderr.txt";
    std::vector<std::string> argv = {program_, "--home", home_.string(), "--script", scriptPath.string()};
    if (userHome_) argv.erase(argv.begin() + 1, argv.begin() + 3), argv.insert(argv.begin() + 1, "--user-home");
    if (virtualClock) argv.push_back("--virtual-clock");
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = fork();
    if (pid == 0) {
      std::freopen(out.c_str(), "w", stdout);
      ExecStation(argv, err);
    }
    return Finish(pid, out, err);
  }

  // As Run, with the station's standard output in a pipe of one page: `onLine`
  // sees each transcript line as it is written, with the station's process id
  // (still running). A station that writes more than a page after a line
  // waits in that write until `onLine` has returned, so a script can hold the
  // station at a known point while it is looked at from outside. Lines for
  // which `keep` says false stay out of the transcript.
  RunResult RunWatched(const std::string& script, const std::vector<std::string>& args,
                       const std::function<void(pid_t, const std::string&)>& onLine,
                       const std::function<bool(const std::string&)>& keep = {}) {
    const fs::path scriptPath = root_ / ("script" + std::to_string(++runs_) + ".txt");
    WriteFile(scriptPath, script);
    const fs::path err = root_ / "stderr.txt";
    std::vector<std::string> argv = {program_, "--home", home_.string(), "--script", scriptPath.string(),
                                     "--virtual-clock"};
    argv.insert(argv.end(), args.begin(), args.end());
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
    fcntl(pipeFds[1], F_SETPIPE_SZ, 4096);
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(pipeFds[1], STDOUT_FILENO);
      ExecStation(argv, err);
    }
    close(pipeFds[1]);
    std::string transcript, pending;
    char buf[512];
    for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) != 0;) {
      if (n < 0) continue;  // interrupted
      pending.append(buf, static_cast<size_t>(n));
      for (size_t eol; (eol = pending.find('\n')) != std::string::npos; pending.erase(0, eol + 1)) {
        const std::string line = pending.substr(0, eol);
        if (onLine) onLine(pid, line);
        if (!keep || keep(line)) transcript += line + "\n";
      }
    }
    close(pipeFds[0]);
    const fs::path out = root_ / "stdout.txt";
    WriteFile(out, transcript + pending);
    return Finish(pid, out, err);
  }

 private:
  RunResult Finish(pid_t pid, const fs::path& out, const fs::path& err) {
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    RunResult r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    r.transcript = ReadFile(out);
    r.errors = ReadFile(err);
    return r;
  }

  // In the child: the test's environment, no display, standard error to
  // `err`, then the station.
  [[noreturn]] void ExecStation(std::vector<std::string> argv, const fs::path& err) {
    for (auto& [k, v] : env_) setenv(k.c_str(), v.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    if (userHome_) unsetenv("ZARVANE_REGISTRY"), unsetenv("ZARVANE_SYSTEM_DIR");
    std::freopen(err.c_str(), "w", stderr);
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    execv(raw[0], raw.data());
    _exit(127);
  }

  fs::path root_, home_;
  std::string program_ = ZARVANE_EXE;
  std::map<std::string, std::string> env_;
  int runs_ = 0;
  bool userHome_ = false;
};

// A settings file for tests: the TEST-mode default file with some lines changed.
inline std::string GoldenIni(const std::string& name, const fs::path& home) {
  std::string s = ReadFile(fs::path(ZARVANE_GOLDEN_DIR) / name);
  for (size_t p; (p = s.find("@HOME@")) != std::string::npos;) s.replace(p, 6, home.string());
  return s;
}

inline std::string WithLine(std::string ini, const std::string& startsWith, const std::string& replacement) {
  size_t p = ini.find("\r\n" + startsWith);
  if (p == std::string::npos) return ini + replacement + "\r\n";
  p += 2;
  const size_t e = ini.find("\r\n", p);
  return ini.replace(p, e - p, replacement);
}

}  // namespace zarvane::e2e
