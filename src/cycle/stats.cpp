#include "cycle/stats.h"

#include <ctime>

#include "foundation/filename.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

std::string TimeText(std::chrono::system_clock::time_point when, const char* format) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  return std::strftime(buf, sizeof buf, format, &tm) ? buf : "";
}

}  // namespace

std::string Statistics::CleanValue(const std::string& value) {
  // One word on one line of the header: blanks and control characters become "_".
  std::string out = Trim(value);
  for (char& ch : out)
    if (static_cast<unsigned char>(ch) < 32 || ch == 127 || ch == ' ') ch = '_';
  return out;
}

std::string Statistics::SafeNamePart(const std::string& value) {
  std::string out;
  for (unsigned char ch : value)
    out += ch < 32 || ch == 127 || ch == '/' || ch == '\\' || ch == ':' || ch == '"' || ch == '\'' || ch == '*' ||
                   ch == '?' || ch == '<' || ch == '>' || ch == '|'
               ? '_'
               : static_cast<char>(ch);
  return ReplaceAll(out, "..", "__");
}

std::string Statistics::ComputerName() {
  std::string name = c.platform.system ? c.platform.system->ComputerName() : "";
  if (name.size() > 255) name.resize(255);
  return Trim(name);
}

void Statistics::writeStats(std::ostream& out) {
  const ZoneState& z = c.CurrentZone();
  const int zone = c.gzone;
  c.WriteLog("writeStats: Zone is " + std::to_string(zone) + " and part number is " + z.gPn, 3);
  FrmInspOpt& w = options_.Window();
  Texts order;
  for (std::string word : c.SplitWords(c.GetKeyVal(c.gIniFile, "STAT_Order"))) {
    // A comma-decimal locale keeps the commas in the words.
    while (!word.empty() && word.back() == ',') word.pop_back();
    if (!word.empty()) order.push_back(word);
  }
  if (order.empty())
    order = {"SERNO", "OPERATION", "LOTPLOT", "CMM", "MBR", "STAT1", "STAT2",
             "STAT3", "STAT4",     "STAT5",   "STAT6", "STAT7", "STAT8"};
  const auto line = [&](const std::string& field, const std::string& value) {
    out << "TEXT " << field << "=" << value << "\r\n";
  };
  for (const std::string& word : order) {
    if (word == "SERNO") {
      line(w("cmbSN", zone).Tag(), CleanValue(w("cmbSN", zone).Text()));
    } else if (word == "OPERATION") {
      if (!z.gOpName.empty()) line("OPERATION", CleanValue(z.gOpName));
    } else if (word == "LOTPLOT") {
      if (w("chkLotPlot").Value() == 1) {
        line("LOTID", CleanValue(w("txtLotNo").Text()));
        line("LOTSEQ", CleanValue(w("txtLot1").Text()));
        line("LOTTOTAL", CleanValue(w("txtLotSize").Text()));
        line("LOTSIZE", CleanValue(w("txtLot2").Text()));
      }
    } else if (word == "CMM") {
      if (Val(c.GetKeyVal(c.gIniFile, "SendCMMasSTAT")) == 1) line("CMM", ComputerName());
      line("PARTCOUNT", CleanValue(w("txtPcnt", zone).Text()));
    } else if (word == "MBR") {
      const std::string file = options_.blades.BladeFile(zone);
      if (Val(c.GetKeyVal(c.gIniFile, "MBR")) == 1 && !file.empty() && c.FileExists(file, true))
        line("MBRNO", PrintNumber(run_.currentMbr));
    } else if (word.size() == 5 && StartsWith(word, "STAT") && word[4] >= '1' && word[4] <= '8') {
      Control& box = w("cmbStat", word[4] - '0');
      if (!box.Text().empty()) line(box.Tag(), CleanValue(box.Text()));
    }
  }
}

std::string Statistics::GetOutName(std::chrono::system_clock::time_point when, const std::string& reportDirectory) {
  const ZoneState& z = c.CurrentZone();
  const int zone = c.gzone;
  FrmInspOpt& w = options_.Window();
  const OptTexts line = c.getaLine(c.gIniFile, "OutFileName", false);
  std::string name;
  if (!line || line->size() < 1 || !IEquals((*line)[0], "OutFileName")) {
    name = SafeNamePart(z.gPn) + "_" + SafeNamePart(ComputerName()) + "_" + TimeText(when, "%y%m%d%H%M%S");
  } else {
    const Texts words(line->begin() + 1, line->end());
    for (size_t k = 0; k < words.size(); ++k) {
      const std::string& word = words[k];
      c.WriteLog("GetOutName: Parameter #: " + std::to_string(k + 1) + " is: " + word, 0);
      std::string value;
      if (word == "PartNo") value = z.gPn;
      else if (word == "PartCount") value = w("txtPcnt", zone).Text();
      else if (word == "CompName") value = ComputerName();
      else if (word == "Date") value = TimeText(when, "%y%m%d");
      else if (word == "Time") value = TimeText(when, "%H%M%S");
      else if (word == "KeyLabel") value = w("cmbSN", zone).Text();
      else if (word == "Operation") value = z.gOpName;
      else if (word == "MBRNo") value = std::to_string(run_.currentMbr);
      else if (word.size() == 5 && StartsWith(word, "STAT") && word[4] >= '1' && word[4] <= '8')
        value = w("cmbStat", word[4] - '0').Text();
      name = Trim(name + SafeNamePart(value));
      if (k + 1 < words.size()) name += "_";
    }
  }
  // However long the serial and statistics fields, the name stays one entry.
  const std::string path = JoinPath(JoinPath(reportDirectory, z.gPn), CutToFileNameLength(name) + ".rpt");
  return ReplaceAll(Trim(path), " ", "_");
}

}  // namespace zarvane
