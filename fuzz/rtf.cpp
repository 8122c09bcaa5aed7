// The RTF converter on any text, with what its contract promises of the result:
// every line ends with CR LF, and a text that is no RTF comes back unchanged.
#include <cstdlib>

#include "datafiles/rtf.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string rtf(reinterpret_cast<const char*>(data), size);
  const std::string text = zarvane::RtfToText(rtf);
  const std::size_t start = rtf.find_first_not_of(" \t\r\n");
  const bool isRtf = start != std::string::npos && rtf.compare(start, 5, "{\\rtf") == 0;
  if (!isRtf && text != rtf) std::abort();
  if (isRtf)
    for (std::size_t i = 0; i < text.size(); ++i)
      if ((text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ||
          (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
        std::abort();
  return 0;
}
