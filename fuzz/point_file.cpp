// A plain text point file (the host's generic export included). The first byte
// picks the locale's decimal separator; every point read must be finite.
#include <cmath>
#include <cstdlib>

#include "datafiles/measured.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  if (size < 1) return 0;
  Station s;
  s.core.gDotDecimal = !(data[0] & 1);
  FrmProgress progress(s.forms, s.core);
  MeasuredData reader(s.core, progress);
  const fs::path file = Home() / "points.txt";
  WriteFile(file, data + 1, size - 1);
  const ijk section = reader.ReadTXTBlade(file.string());
  for (const auto& p : section)
    if (!std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->z)) std::abort();
  return 0;
}
