// The simulated host's reports: blade.rtf, the measured points as the
// station's blade report reader takes them, and the printed reports QUORVX.TXT
// and QUORVX.RTF.
//
// blade.rtf comes in two shapes. The plain shape has a marker line per blade
// side and one line per point: a label and seven numbers. The varied shape
// writes the same points in every arrangement of words the reader takes (8 to
// 11 words, labels before and words after the numbers), puts lines the reader
// must skip into every block (DIM, AX, PART, BUILT and M/R/A lines that would
// otherwise pass for points, blank and text lines), and adds an empty block
// before the first side and a short block (the first five points of the first
// side again) after the last.
#include <cstdio>

#include "foundation/paths.h"
#include "foundation/text.h"
#include "host/simcore.h"

namespace zarvane {

namespace {

std::string F5(double v) { return FormatFixed(v, 5); }

// x y z i j k and the deviation.
std::string Numbers(const SimMeasuredPoint& m) {
  return F5(m.x) + " " + F5(m.y) + " " + F5(m.z) + " " + F5(m.i) + " " + F5(m.j) + " " + F5(m.k) + " " +
         F5(m.deviation);
}

std::string PlainLine(size_t side, size_t n, const SimMeasuredPoint& m) {
  char label[32];
  std::snprintf(label, sizeof label, "S%zuP%03zu", side, n);
  return std::string(label) + " " + Numbers(m);
}

// Point n (1-based) of a side in one of the arrangements the reader takes,
// chosen by the point number.
std::string VariedLine(size_t side, size_t n, const SimMeasuredPoint& m) {
  char p[32];
  std::snprintf(p, sizeof p, "P%03zu", n);
  const std::string s = "S" + std::to_string(side), v = Numbers(m);
  switch ((n - 1) % 7) {
    case 0: return PlainLine(side, n, m);                            // 8 words: a label, the numbers
    case 1: return PlainLine(side, n, m) + " IN";                    // 9: a word after them
    case 2: return s + " " + p + " " + v;                            // 9: two labels
    case 3: return s + " " + p + " " + v + " OK";                    // 10: two labels, a word after
    case 4: return s + " " + p + " PT " + v;                         // 10: three labels
    case 5: return s + " " + p + " " + v + " 0.00100 -0.00100";      // 11: two more numbers after
    default: return s + " " + p + " PT " + v + " OK";                // 11: three labels, a word after
  }
}

// Lines of a block that are no points, each shaped like one but for a word
// that marks it.
void SkippedLines(std::vector<std::string>& out, size_t side, const SimMeasuredPoint& m) {
  const std::string v = Numbers(m);
  out.push_back("DIM S" + std::to_string(side) + " " + v);
  out.push_back("AX  X " + v);
  out.push_back("PART " + v);
  out.push_back("BUILT " + v);
  for (const char* mark : {"M   ", "R   ", "A   "}) out.push_back(mark + v);
  out.push_back("");
  out.push_back("Measured points of side " + std::to_string(side));
}

}  // namespace

std::vector<std::string> SimBladeReportLines(const std::vector<std::string>& header,
                                             const std::vector<SimMeasuredSide>& sides, const std::string& marker,
                                             bool varied) {
  std::vector<std::string> out = header;
  if (varied) out.push_back(marker + " probe check");  // a block without points
  for (size_t b = 0; b < sides.size(); ++b) {
    const size_t side = b % 2 + 1;
    out.push_back(varied ? marker + " side " + std::to_string(side) : marker);
    if (varied && !sides[b].empty()) SkippedLines(out, side, sides[b].front());
    for (size_t a = 0; a < sides[b].size(); ++a)
      out.push_back(varied ? VariedLine(side, a + 1, sides[b][a]) : PlainLine(side, a + 1, sides[b][a]));
  }
  if (varied && !sides.empty()) {
    out.push_back(marker + " repeat");  // a short block
    for (size_t a = 0; a < 5 && a < sides[0].size(); ++a) out.push_back(PlainLine(1, a + 1, sides[0][a]));
  }
  return out;
}

void SimWriteReports(SimSession& s, SimPart& program, const SimRunRecord& run) {
  std::vector<std::string> lines = {
      "QUORVEX INSPECTION REPORT",
      "Host: " + s.settings.version + " (simulated)",
      "Program: " + program.FullName(),
      "Part name: " + program.PartName(),
      "Serial number: " + program.SerialNumber(),
      "Date: " + SimDateTime(s.Now()),
      std::string("Units: ") + (program.Units() == 0 ? "INCH" : "MM"),
      "Commands run: " + std::to_string(run.commands),
  };
  if (run.measured.empty()) {
    lines.push_back("Nothing was measured in this run.");
  } else {
    lines.insert(lines.end(), run.measured.begin(), run.measured.end());
    lines.push_back("Results: " + run.bladeFile);
  }
  lines.push_back("End of report");
  const std::string txt = s.StationFile("QUORVX.TXT");
  const std::string rtf = s.StationFile("QUORVX.RTF");
  if (!WriteLines(txt, lines) || !WriteLines(rtf, SimRtfLines(lines)))
    throw AutomationError("REPORT: the reports cannot be written to " + DirectoryOf(txt));
}

}  // namespace zarvane
