// The simulated analysis program's readers on one file: the station's report
// file, a nominal file, a tolerance file and a flavor file's calculations.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/inputs.h"

namespace {

// One scratch directory per process, removed at a normal exit.
struct Scratch {
  Scratch() {
    char tmpl[] = "/tmp/zarvane-fuzz-XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    dir = tmpl;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::filesystem::path dir;
};

const std::string& InputPath() {
  static Scratch scratch;
  static const std::string path = (scratch.dir / "input.rpt").string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = InputPath();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  blade::Report report;
  blade::ReadReport(path, report);
  std::vector<blade::NominalSection> nominal;
  blade::ReadNominal(path, nominal);
  blade::Tolerances tolerances;
  blade::ReadTolerances(path, tolerances);
  tolerances.For("A-A");
  std::vector<std::string> calcs;
  blade::ReadFlavorCalcs(path, calcs);
  return 0;
}
