// A tolerance file of either family (first byte: odd .te, even .tol) as
// SectionSet reads it into the zone's sections, then the section picker's
// question for one name.
#include "datafiles/partfiles.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  if (size < 1) return 0;
  Station s;
  PartFiles pf(s.core);
  ZoneState& z = s.core.CurrentZone();
  z.gPn = z.gNomName = z.gTolName = "P1";
  z.flavorName = "KT1";
  z.tolExt = (data[0] & 1) ? ".te" : ".tol";
  const fs::path dir = Home() / "blades" / "P1";
  fs::remove(dir / "P1.te");
  fs::remove(dir / "P1.tol");
  WriteFile(dir / ("P1" + z.tolExt), data + 1, size - 1);
  pf.SectionSet();
  if (z.sectionCount != static_cast<int>(z.tolerance.size()) || z.sectionCount > kMaxSections) std::abort();
  pf.SectionSelected("A-A");
  return 0;
}
