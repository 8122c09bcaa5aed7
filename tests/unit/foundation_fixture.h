#pragma once
// A foundation (Core) on fake platform services and a scratch home directory.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/core.h"
#include "foundation/forms.h"
#include "foundation/operator.h"
#include "platform/doubles.h"

namespace zarvane::testing {

namespace fs = std::filesystem;

// Records what the station told the operator; answers from queues.
class RecordingOperator : public Operator {
 public:
  void Message(const std::string& text, const std::string& title) override { messages.push_back(text); }
  bool OkCancel(const std::string& text, const std::string&) override {
    prompts.push_back(text);
    return Next(true);
  }
  bool YesNo(const std::string& text, const std::string& title) override {
    prompts.push_back(title + " | " + text);
    return Next(true);
  }
  std::string InputBox(const std::string& prompt, const std::string&, const std::string&) override {
    prompts.push_back(prompt);
    return NextText();
  }
  std::string OpenFile(const std::string& title, const std::string&, const std::string&,
                       const std::string&) override {
    prompts.push_back(title);
    return NextText();
  }
  std::string ChooseDirectory(const std::string& caption, const std::string&) override {
    prompts.push_back(caption);
    return NextText();
  }
  void Status(const std::string& text) override { statuses.push_back(text); }
  void Progress(const std::string&, const std::string&, int, bool) override {}
  void Note(const std::string& kind, const std::string& text) override { notes.push_back(kind + ": " + text); }

  std::vector<std::string> messages, prompts, statuses, notes;
  std::vector<bool> answers;  // Yes/No and OK/Cancel answers, in order
  std::vector<std::string> texts;

 private:
  bool Next(bool fallback) {
    if (answers.empty()) return fallback;
    const bool a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  std::string NextText() {
    if (texts.empty()) return {};
    std::string t = texts.front();
    texts.erase(texts.begin());
    return t;
  }
};

inline std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void Spit(const fs::path& p, const std::string& data) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << data;
}

class FoundationTest : public ::testing::Test {
 protected:
  FoundationTest() : forms(&tp.clock), core(tp.platform, op, forms) {
    char tmpl[] = "/tmp/zarvane-unit-XXXXXX";
    home = mkdtemp(tmpl);
    core.gHome = home.string();
    core.gIniFile = (home / "zarv.ini").string();
  }
  ~FoundationTest() override {
    std::error_code ec;
    fs::remove_all(home, ec);
  }

  std::string Path(const std::string& name) const { return (home / name).string(); }
  std::string Log() const { return Slurp(home / "debug.txt"); }

  TestPlatform tp;
  RecordingOperator op;
  Forms forms;
  Core core;
  fs::path home;
};

}  // namespace zarvane::testing
