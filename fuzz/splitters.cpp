// The word and field splitters and the number readers on one line, with what
// each promises of its result.
#include <cmath>
#include <cstdlib>

#include "datafiles/nominal.h"
#include "foundation/text.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  static Station s;
  const std::string line(reinterpret_cast<const char*>(data), size);
  for (const bool dot : {true, false}) {
    s.core.gDotDecimal = dot;
    for (const std::string& w : s.core.SplitWords(line))
      if (w.empty() || w.find_first_of(dot ? " \t=!," : " \t=!") != std::string::npos) std::abort();
    double v = 0;
    std::int32_t n = 0;
    if (NominalNumber(line, !dot, v) && !std::isfinite(v)) std::abort();
    if (NominalInteger16(line, !dot, n) && (n < -32768 || n > 32767)) std::abort();
    Val(line, !dot);
    ValInt(line, !dot);
    IsNumeric(line, !dot);
  }
  for (const std::string& f : Core::SplitFields(line))
    if (f.empty() || f.find_first_of(";!") != std::string::npos) std::abort();
  Core::IsComment(line);
  SplitCommandLine(line);
  if (Trim(Trim(line)) != Trim(line)) std::abort();
  if (Utf8ToCp1252(Cp1252ToUtf8(line)) != line) std::abort();  // every Windows-1252 byte has a character
  return 0;
}
