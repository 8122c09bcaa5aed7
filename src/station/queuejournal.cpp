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
            "\t" + Escaped(entry.report) + "\t" + Escaped(entry.flavorFile) + "\t" + Escaped(entry.logIdentity) + "\n";
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
    if (f.size() == 6 && !Unescaped(f[5], entry.logIdentity)) f.clear();
    if ((f.size() != 5 && f.size() != 6) || !Number(f[0], seconds) || !Number(f[1], entry.zone) || entry.zone < 1 || entry.zone > 4 ||
        !Number(f[2], entry.logOffset) || !Unescaped(f[3], entry.report) || entry.report.empty() ||
        !Unescaped(f[4], entry.flavorFile)) {
      ++bad;
      continue;
    }
    entry.queued = std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
    queue.push_back(std::move(entry));
  }
  if (unreadable) *unreadable = bad;
  return queue;
}

}  // namespace zarvane
