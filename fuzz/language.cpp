// The language table Lang.ini: any table is loaded and asked for a text; a
// text the table lacks is appended by Translate, and must then read back
// unchanged: a station started afterwards finds it in the table (it appends
// nothing more) and shows it as it is. The input is the text, a NUL byte and
// the table.
#include <cstdlib>

#include "foundation/text.h"
#include "fuzz_station.h"

namespace {

std::uintmax_t SizeOf(const zarvane::fuzz::fs::path& path) {
  std::error_code ec;
  const auto size = zarvane::fuzz::fs::file_size(path, ec);
  return ec ? 0 : size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  const std::string all(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = all.find('\0');
  if (nul == std::string::npos) return 0;
  const std::string text = all.substr(0, nul);
  const fs::path table = Home() / "Lang.ini";
  WriteFile(table, all.substr(nul + 1));

  const auto before = SizeOf(table);
  {
    Station s;
    s.core.loadLanguage(2);
    s.core.Translate(text);
  }
  const auto appended = SizeOf(table);
  if (appended == before) return 0;  // the table knew the text (or it is blank)

  Station s;
  s.core.loadLanguage(2);
  if (s.core.Translate(text) != text || SizeOf(table) != appended) std::abort();
  return 0;
}
