// The point file conversion as the operator drives it. The input's head line
// holds the answers: its first byte the Yes/No answers (one bit each, the
// first OK forced), the rest the typed answers separated by tabs (starting
// section, LE offset, TE offset). The body is the point file.
#include "fuzz_station.h"
#include "geometry/convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  std::string head, body;
  SplitHead(data, size, head, body);
  Station s;
  s.op.answers = (head.empty() ? 0xFFu : static_cast<unsigned char>(head[0])) | 1u;
  for (std::size_t start = 1; start <= head.size();) {
    const std::size_t tab = head.find('\t', start);
    s.op.texts.push_back(head.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  const fs::path file = Home() / "part.pts";
  fs::remove(Home() / "part.nom");
  fs::remove(Home() / "part.rpt");
  WriteFile(file, body);
  FrmProgress progress(s.forms, s.core);
  PointFileConverter converter(s.core, progress);
  std::string path = file.string();
  converter.ConvertPts2(path);
  return 0;
}
