// blade <report path> [PWF]: the simulated blade analysis program.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "analysis/program.h"
#include "analysis/inputs.h"

namespace {

bool On(const std::string& v) { return v == "1" || v == "ON" || v == "on" || v == "YES" || v == "yes"; }

// The program's own path as the station registered it: the absolute name it
// was started by (a wrapper may start it under another name with exec -a),
// else the executable itself.
std::string ProgramPath(const char* argv0) {
  std::error_code ec;
  if (argv0 && argv0[0] == '/' && std::filesystem::exists(argv0, ec)) return argv0;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::absolute(argv0).string() : self.string();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = ProgramPath(argv[0]);
  const std::string log = blade::LogPath(program), settings = blade::SettingsPath(program);
  if (argc < 2) {
    blade::AppendLine(log, "blade: no report path given");
    return 2;
  }
  const std::string reportPath = argv[1];
  const bool pwf = argc >= 3 && std::string(argv[2]) == "PWF";

  // Behaviour asked for by the settings file, so that tests reach every answer.
  if (On(blade::SettingValue(settings, "NeverAnswer"))) {
    blade::AppendLine(log, "Not answering for " + reportPath + " (NeverAnswer)");
    return 0;
  }
  blade::Report header;
  blade::ReadReport(reportPath, header);
  const auto listed = [&](const char* key) {
    std::istringstream parts(blade::SettingValue(settings, key));
    for (std::string part; parts >> part;)
      if (part == header.part) return true;
    return false;
  };
  if (listed("CrashParts")) {
    // Dies as a crashing program does: by a signal, with nothing written,
    // not even a line in its log.
    std::fflush(nullptr);
    kill(getpid(), SIGKILL);
  }
  bool ran = blade::AnalyseReport(reportPath, log);
  if (ran && listed("FailParts")) {
    blade::AppendLine(log, "Part " + header.part + " fails by setting (FailParts)");
    ran = false;
  }
  if (listed("NoAnswerParts")) {
    blade::AppendLine(log, "Not answering for " + reportPath + " (NoAnswerParts)");
    return 0;
  }
  if (On(blade::SettingValue(settings, "Crash"))) {
    blade::AppendLine(log, "Crashing before the verdict for " + reportPath + " (Crash)");
    std::_Exit(3);
  }
  if (const long delay = std::atol(blade::SettingValue(settings, "DelayMs").c_str()); delay > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));

  // A finished analysis answers "1" unless the settings ask for another text.
  const std::string answer = blade::SettingValue(settings, "Verdict");
  const std::string verdict = ran ? (answer.empty() ? "1" : answer) : "0";
  if (pwf) {
    if (!blade::SetSetting(settings, "AnalysisFile", reportPath)) return 4;
  } else {
    blade::AppendLine(log, reportPath + " = " + verdict);
  }
  return 0;
}
