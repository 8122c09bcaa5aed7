// A part's operation file (.op) as the operation list (parseOP) and the
// operation's programs (cparseOP) read it; the head line of the input is the
// operation asked for.
#include "datafiles/partfiles.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  std::string operation, file;
  SplitHead(data, size, operation, file);
  Station s;
  PartFiles pf(s.core);
  ZoneState& z = s.core.CurrentZone();
  z.gPn = "P1";
  z.gOpName = operation;
  const fs::path path = Home() / "blades" / "P1" / "P1.op";
  WriteFile(path, file);
  pf.parseOP(path.string());
  pf.cparseOP();
  return 0;
}
