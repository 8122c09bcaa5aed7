// The flavor file of zone 1's part, as parseFLV reads it.
#include "datafiles/partfiles.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  Station s;
  PartFiles pf(s.core);
  ZoneState& z = s.core.CurrentZone();
  z.gPn = "P1";
  z.flavorName = "KT1";
  WriteFile(Home() / "blades" / "P1" / "KT1.flv", data, size);
  pf.parseFLV();
  return 0;
}
