// The host's report of measured sections (RTF or plain text) as the cycle reads
// it: converted to tmpwrk.txt, then read section by section. The first byte
// picks the section marker's language and the locale's decimal separator.
#include "datafiles/measured.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  if (size < 1) return 0;
  Station s;
  s.core.gLanguage = (data[0] & 1) ? 4 : 1;
  s.core.gDotDecimal = !(data[0] & 2);
  FrmProgress progress(s.forms, s.core);
  MeasuredData reader(s.core, progress);
  const fs::path report = Home() / "blade.rtf";
  WriteFile(report, data + 1, size - 1);
  try {
    reader.readData(report.string(), 2);
  } catch (const RuntimeError& e) {
    if (e.Number() != kErrPathAccess) throw;  // tmpwrk.txt not writable: the caller's error
  }
  return 0;
}
