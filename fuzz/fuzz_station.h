#pragma once
// What the fuzz targets share: a station foundation (Core) on a clock that
// stands still and an in-memory registry, with a scratch home directory made
// once per process; an operator who answers from a queue of bits and forgets
// what it was told; the fuzz input written to a file the readers open by path.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/core.h"
#include "foundation/forms.h"
#include "foundation/operator.h"
#include "platform/platform.h"

namespace zarvane::fuzz {

namespace fs = std::filesystem;

// Yes/No and OK/Cancel answers come from `answers`, lowest bit first (all yes
// when it runs out); text answers from `texts` in order (then nothing).
class FuzzOperator : public Operator {
 public:
  void Message(const std::string&, const std::string&) override {}
  bool OkCancel(const std::string&, const std::string&) override { return Bit(); }
  bool YesNo(const std::string&, const std::string&) override { return Bit(); }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override { return Text(); }
  std::string OpenFile(const std::string&, const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  std::string ChooseDirectory(const std::string&, const std::string&) override { return {}; }
  void Status(const std::string&) override {}
  void Progress(const std::string&, const std::string&, int, bool) override {}
  void Note(const std::string&, const std::string&) override {}

  std::uint32_t answers = ~0u;
  int used = 0;
  std::vector<std::string> texts;

 private:
  bool Bit() { return used >= 32 || ((answers >> used++) & 1u); }
  std::string Text() {
    if (texts.empty()) return {};
    std::string t = texts.front();
    texts.erase(texts.begin());
    return t;
  }
};

// Time stands still; waits return at once; no timer ever ticks.
class FuzzClock : public Clock {
 public:
  std::chrono::system_clock::time_point Now() override { return std::chrono::system_clock::time_point{}; }
  void Sleep(int) override {}
  void Wait(int) override {}
  void ProcessEvents() override {}
  std::unique_ptr<TimerHandle> CreateTimer(std::function<void()>) override { return nullptr; }
};

// The registry store of the settings window, in memory.
class FuzzRegistry : public RegistryStore {
 public:
  std::optional<std::string> Get(const std::string& section, const std::string& key) override {
    const auto it = values.find(section + "\n" + key);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  void Set(const std::string& section, const std::string& key, const std::string& value) override {
    values[section + "\n" + key] = value;
  }
  std::map<std::string, std::string> values;
};

// The home directory is removed when the process ends normally; a crash
// leaves it in /tmp (zarvane-fuzz-*).
class ScratchHome {
 public:
  ScratchHome() {
    char tmpl[] = "/tmp/zarvane-fuzz-XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    path = tmpl;
  }
  ~ScratchHome() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
};

inline const fs::path& Home() {
  static ScratchHome home;
  return home.path;
}

inline void WriteFile(const fs::path& path, const std::uint8_t* data, std::size_t size) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline void WriteFile(const fs::path& path, const std::string& text) {
  WriteFile(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// A fresh foundation for each input (the readers keep state in the core and
// its zones), on the process's home directory; log level 0 writes no log.
struct Station {
  Station() : forms(&clock), core(platform, op, forms) {
    platform.clock = &clock;
    platform.registry = &registry;
    core.gHome = Home().string();
    core.gIniFile = (Home() / "zarv.ini").string();
    core.gBladesDir = core.gLocalBladesDir = (Home() / "blades").string();
    core.gStatsPackageDir = (Home() / "tallyx").string();
  }
  FuzzClock clock;
  FuzzRegistry registry;
  Platform platform;
  FuzzOperator op;
  Forms forms;
  Core core;
};

// Splits the input at its first line feed: the head (a key, a text) and the body.
inline void SplitHead(const std::uint8_t* data, std::size_t size, std::string& head, std::string& body) {
  const std::string all(reinterpret_cast<const char*>(data), size);
  const std::size_t lf = all.find('\n');
  head = all.substr(0, lf);
  body = lf == std::string::npos ? std::string() : all.substr(lf + 1);
}

}  // namespace zarvane::fuzz
