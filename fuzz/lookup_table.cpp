// The blade lookup table, as the part list and BLookup read it for a part
// (the head line of the input is the part number; no operation file).
#include "datafiles/partfiles.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  std::string part, table;
  SplitHead(data, size, part, table);
  Station s;
  PartFiles pf(s.core);
  s.core.CurrentZone().gPn = part;
  WriteFile(Home() / "blade_lookup_table.txt", table);
  pf.ReadLookupRecords([](const std::string&) { return true; });
  pf.BLookup();
  return 0;
}
