// blade <report path> [PWF]: the simulated blade analysis program.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "analysis/program.h"
#include "analysis/inputs.h"

namespace {

bool On(const std::string& v) { return v == "1" || v == "ON" || v == "on" || v == "YES" || v == "yes"; }

// The program's own path, made absolute, as the station registered it.
std::string ProgramPath(const char* argv0) {
  std::error_code ec;
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
  bool ran = blade::AnalyseReport(reportPath, log);
  if (ran) {
    blade::Report header;
    blade::ReadReport(reportPath, header);
    std::istringstream parts(blade::SettingValue(settings, "FailParts"));
    for (std::string part; parts >> part;)
      if (part == header.part) {
        blade::AppendLine(log, "Part " + part + " fails by setting (FailParts)");
        ran = false;
      }
  }
  if (On(blade::SettingValue(settings, "Crash"))) {
    blade::AppendLine(log, "Crashing before the verdict for " + reportPath + " (Crash)");
    std::_Exit(3);
  }
  if (const long delay = std::atol(blade::SettingValue(settings, "DelayMs").c_str()); delay > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));

  const std::string verdict = ran ? "1" : "0";
  if (pwf) {
    if (!blade::SetSetting(settings, "AnalysisFile", reportPath)) return 4;
  } else {
    blade::AppendLine(log, reportPath + " = " + verdict);
  }
  return 0;
}
