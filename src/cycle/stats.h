#pragma once
// The tracking data of a measured part as the report's TEXT lines
// (writeStats), and the report file's name (GetOutName).

#include <chrono>
#include <ostream>
#include <string>

#include "cycle/options.h"

namespace zarvane {

// What one measurement run shares between its steps.
struct RunState {
  int currentMbr = 1;           // the blade of a multi-bladed rotor being measured
  std::vector<int> reportedZones;  // zones that got a report in this run
};

class Statistics {
 public:
  Statistics(Core& core, InspectionOptions& options, PartFiles& files, RunState& run)
      : c(core), options_(options), files_(files), run_(run) {}

  // Appends the statistics lines of the current zone.
  void writeStats(std::ostream& out);
  // Full path of the current zone's report file for a report made at `when`,
  // in the report directory (`reportDirectory`), blanks replaced by "_".
  std::string GetOutName(std::chrono::system_clock::time_point when, const std::string& reportDirectory);

  // Leading and trailing blanks removed, inner blanks as "_".
  static std::string CleanValue(const std::string& value);
  // A value that goes into a file name: also no separators, "..", ":",
  // quotes or control characters (each becomes "_").
  static std::string SafeNamePart(const std::string& value);
  std::string ComputerName();

 private:
  Core& c;
  InspectionOptions& options_;
  PartFiles& files_;
  RunState& run_;
};

}  // namespace zarvane
