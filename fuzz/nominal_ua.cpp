// The fixed-layout nominal file (.ua).
#include "nominal_zone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarvane::fuzz::WriteBladeTxtFrom(".ua", data, size);
  return 0;
}
