#include "station/queuejournal.h"

#include <charconv>
#include <sstream>

namespace zarvane {
namespace {

constexpr const char* kTitle = "Zarvane analysis queue";

std::string Escaped(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += ch;
    }
  }
  return out;
}

bool Unescaped(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      default: return false;
    }
  }
  return true;
}

template <typename T>
bool Number(const std::string& text, T& value) {
  const char* end = text.data() + text.size();
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && at == end;
}

std::string LowerAscii(std::string text) {
  for (char& ch : text)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return text;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

}  // namespace

std::string QueueJournalText(const std::vector<QueuedReport>& queue) {
  std::string text = std::string(kTitle) + "\n";
  for (const QueuedReport& entry : queue) {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(entry.queued.time_since_epoch()).count();
    text += std::to_string(seconds) + "\t" + std::to_string(entry.zone) + "\t" + std::to_string(entry.logOffset) +
            "\t" + Escaped(entry.report) + "\t" + Escaped(entry.flavorFile) + "\t" + Escaped(entry.logIdentity) + "\t" +
            (entry.analysisStarted ? "1" : "0") + "\n";
  }
  return text;
}

std::vector<QueuedReport> ParseQueueJournal(const std::string& text, int* unreadable) {
  std::vector<QueuedReport> queue;
  int bad = 0;
  std::istringstream in(text);
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      first = false;
      if (line == kTitle) continue;
    }
    if (line.empty()) continue;
    std::vector<std::string> f = Fields(line);
    QueuedReport entry;
    long long seconds = 0;
    entry.analysisStarted = true;
    if (f.size() == 7) {
      if (f[6] != "0" && f[6] != "1") f.clear();
      else entry.analysisStarted = f[6] == "1", f.pop_back();
    }
    if (f.size() == 6 && !Unescaped(f[5], entry.logIdentity)) f.clear();
    if ((f.size() != 5 && f.size() != 6) || !Number(f[0], seconds) || !Number(f[1], entry.zone) || entry.zone < 1 || entry.zone > 4 ||
        !Number(f[2], entry.logOffset) || !Unescaped(f[3], entry.report) || entry.report.empty() ||
        !Unescaped(f[4], entry.flavorFile)) {
      ++bad;
      continue;
    }
    // From 1970 to the year 9999; a report given by its full path.
    const bool fullPath = entry.report.front() == '/' || (entry.report.size() > 2 && entry.report[1] == ':');
    const bool isReport = entry.report.size() > 4 && LowerAscii(entry.report.substr(entry.report.size() - 4)) == ".rpt";
    if (seconds < 0 || seconds > 253402300799LL || !fullPath || !isReport) {
      ++bad;
      continue;
    }
    bool listed = false;
    for (const QueuedReport& earlier : queue) listed = listed || earlier.report == entry.report;
    if (listed) continue;
    entry.queued = std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
    queue.push_back(std::move(entry));
  }
  if (unreadable) *unreadable = bad;
  return queue;
}

}  // namespace zarvane
