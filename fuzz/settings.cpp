// The settings lookups on any settings file: the head line of the input is the
// key (its first two words the key pair; a digit after them the column).
#include <cstdlib>

#include "foundation/text.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  std::string head, body;
  SplitHead(data, size, head, body);
  Station s;
  s.core.gDotDecimal = head.size() % 2 == 0;
  const Texts keys = s.core.SplitWords(head);
  const std::string key = keys.empty() ? head : keys[0];
  const std::string key2 = keys.size() > 1 ? keys[1] : "";
  const int column = keys.size() > 2 ? ValInt(keys[2]) : 2;
  const std::string path = (Home() / "zarv.ini").string();
  WriteFile(path, body);

  s.core.GetKeyVal(path, key);
  s.core.GetKeyPairVal(path, key, key2);
  if (const OptTexts set = s.core.getaKeySet(path, key, column); set && column < 1 && !set->empty()) std::abort();
  for (const bool semicolons : {false, true}) {
    const bool found = s.core.parseFile(path, key, semicolons);
    const OptTexts line = s.core.getaLine(path, key, semicolons);
    if (line && !found) std::abort();  // the line getaLine returns holds the keyword parseFile looks for
  }
  s.core.getaFile(path);
  return 0;
}
