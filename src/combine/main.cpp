// combine <cmm file>,<second file>: the simulated combine program.
//
// The station passes one parameter; a shell that splits it at blanks hands
// the pieces over as several arguments, joined again here with one blank.
// combine.ini beside the program may set "DelayMs = n": milliseconds to wait
// before combining.
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "combine/combine.h"

namespace {

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// The settings file: the program path with a final ".exe" (any case)
// replaced by ".ini", or ".ini" appended.
std::string SettingsPath(const char* argv0) {
  std::error_code ec;
  std::string program = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  if (ec) program = std::filesystem::absolute(argv0).string();
  if (program.size() >= 4) {
    std::string ext = program.substr(program.size() - 4);
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (ext == ".exe") program.resize(program.size() - 4);
  }
  return program + ".ini";
}

// "DelayMs = n" from the settings file ("!" starts a comment; the key's case
// does not matter); 0 when absent.
long DelayMs(const std::string& settings) {
  std::ifstream in(settings, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    line = Trim(line);
    const auto eq = line.find('=');
    if (line.empty() || line[0] == '!' || eq == std::string::npos) continue;
    std::string key = Trim(line.substr(0, eq));
    for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (key == "delayms") return std::atol(Trim(line.substr(eq + 1)).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string parameter;
  for (int i = 1; i < argc; ++i) parameter += (i > 1 ? " " : "") + std::string(argv[i]);
  const auto paths = combine::SplitParameter(parameter);
  if (!paths) {
    std::cerr << "combine: expected one parameter \"<cmm file>,<second file>\", got \"" << parameter << "\"\n";
    return 2;
  }
  if (const long delay = DelayMs(SettingsPath(argv[0])); delay > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  if (const std::string error = combine::CombineFiles(paths->first, paths->second); !error.empty()) {
    std::cerr << error << "\n";
    return 1;
  }
  return 0;
}
