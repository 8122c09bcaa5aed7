// The keyword nominal file (.nom).
#include "nominal_zone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarvane::fuzz::WriteBladeTxtFrom(".nom", data, size);
  return 0;
}
