// The list files of the station: a part's blade list (.mbr, read by
// ReadBladeList) and a statistics list (.lst, read by getaFile).
#include <cstdlib>

#include "cycle/selection.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  Station s;
  const fs::path path = Home() / "P1.mbr";
  WriteFile(path, data, size);
  if (const OptTexts blades = ReadBladeList(s.core, path.string()))
    for (const std::string& blade : *blades)
      if (blade.empty()) std::abort();
  s.core.getaFile(path.string());
  return 0;
}
