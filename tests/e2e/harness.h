#pragma once
// Runs the real zarvane program headless on a scratch home directory and
// collects its transcript, exit status and files.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// A scratch station home with its own registry file.
class Station {
 public:
  Station() {
    char tmpl[] = "/tmp/zarvane-e2e-XXXXXX";
    root_ = mkdtemp(tmpl);
    home_ = root_ / "home";
    fs::create_directories(home_);
    env_["ZARVANE_REGISTRY"] = (root_ / "registry.ini").string();
    env_["ZARVANE_SYSTEM_DIR"] = (root_ / "system").string();
    env_["ZARVANE_NETWORK_ROOTS"] = "";
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

  std::string File(const std::string& name) const { return ReadFile(home_ / name); }
  bool Exists(const std::string& name) const { return fs::exists(home_ / name); }
  void Put(const std::string& name, const std::string& data) const { WriteFile(home_ / name, data); }
  std::string Registry() const { return ReadFile(root_ / "registry.ini"); }

  // Runs `zarvane --home <home> --script <script> --virtual-clock [args]`.
  RunResult Run(const std::string& script, const std::vector<std::string>& args = {}, bool virtualClock = true) {
    const fs::path scriptPath = root_ / ("script" + std::to_string(++runs_) + ".txt");
    WriteFile(scriptPath, script);
    const fs::path out = root_ / "stdout.txt", err = root_ / "stderr.txt";
    std::vector<std::string> argv = {ZARVANE_EXE, "--home", home_.string(), "--script", scriptPath.string()};
    if (virtualClock) argv.push_back("--virtual-clock");
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = fork();
    if (pid == 0) {
      for (auto& [k, v] : env_) setenv(k.c_str(), v.c_str(), 1);
      unsetenv("DISPLAY");
      unsetenv("WAYLAND_DISPLAY");
      std::freopen(out.c_str(), "w", stdout);
      std::freopen(err.c_str(), "w", stderr);
      std::vector<char*> raw;
      for (auto& a : argv) raw.push_back(a.data());
      raw.push_back(nullptr);
      execv(raw[0], raw.data());
      _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    RunResult r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    r.transcript = ReadFile(out);
    r.errors = ReadFile(err);
    return r;
  }

 private:
  fs::path root_, home_;
  std::map<std::string, std::string> env_;
  int runs_ = 0;
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
