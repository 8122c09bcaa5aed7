// The program's own files: its log and its settings file beside it.
#pragma once

#include <string>
#include <vector>

namespace blade {

// The program path with a final ".exe" (any case) replaced by `ext`, or `ext`
// appended when it has none.
std::string SiblingPath(const std::string& program, const std::string& ext);
inline std::string LogPath(const std::string& program) { return SiblingPath(program, ".log"); }
inline std::string SettingsPath(const std::string& program) { return SiblingPath(program, ".ini"); }

// "Key = value" lines; "!" starts a comment line. Keys compare ignoring case;
// the first occurrence wins. Empty when absent.
std::string SettingValue(const std::string& settingsFile, const std::string& key);

// Rewrites the file with `key` set to `value` (other lines kept), atomically.
bool SetSetting(const std::string& settingsFile, const std::string& key, const std::string& value);

void AppendLine(const std::string& file, const std::string& line);

// The analysis of one report: the outputs written and the log told what
// happened. True when the analysis ran.
bool AnalyseReport(const std::string& reportPath, const std::string& logFile);

}  // namespace blade
