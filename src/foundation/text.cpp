#include "foundation/text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace zarvane {
namespace {

// Case folding of Windows-1252 letters (ASCII plus the accented letters of the
// Latin-1 range and the few letters of 0x80-0x9F).
unsigned char Lower(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 16;
  if (c == 0x9F) return 0xFF;
  return c;
}

unsigned char Upper(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 16;
  if (c == 0xFF) return 0x9F;
  return c;
}

// Unicode code points of Windows-1252 bytes 0x80-0x9F (0 = undefined).
constexpr unsigned kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsBlankForVal(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string TrimWhite(std::string_view s) {
  auto white = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t b = 0, e = s.size();
  while (b < e && white(s[b])) ++b;
  while (e > b && white(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string UCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(Upper(static_cast<unsigned char>(c)));
  return r;
}

std::string LCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(Lower(static_cast<unsigned char>(c)));
  return r;
}

bool IEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(static_cast<unsigned char>(a[i])) != Lower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool IContains(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return true;
  if (needle.size() > haystack.size()) return false;
  for (size_t i = 0; i + needle.size() <= haystack.size(); ++i)
    if (IEquals(haystack.substr(i, needle.size()), needle)) return true;
  return false;
}

bool IStartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && IEquals(s.substr(0, prefix.size()), prefix);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
  if (from.empty()) return s;
  size_t pos = 0;
  while ((pos = s.find(from, pos)) != std::string::npos) {
    s.replace(pos, from.size(), to);
    pos += to.size();
  }
  return s;
}

std::string IReplaceAll(const std::string& s, std::string_view from, std::string_view to) {
  if (from.empty()) return s;
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    if (i + from.size() <= s.size() && IEquals(std::string_view(s).substr(i, from.size()), from)) {
      out += to;
      i += from.size();
    } else {
      out += s[i++];
    }
  }
  return out;
}

std::string Join(const std::vector<std::string>& items, std::string_view separator) {
  std::string r;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) r += separator;
    r += items[i];
  }
  return r;
}

std::string Repeat(char c, int count) { return std::string(count > 0 ? count : 0, c); }

double Val(std::string_view text, bool commaDecimal) {
  // Gather the characters VB's Val looks at, skipping blanks, tabs and line feeds.
  std::string s;
  for (char c : text)
    if (!IsBlankForVal(c)) s += c;
  size_t i = 0;
  if (s.size() >= 2 && s[0] == '&') {
    const char kind = static_cast<char>(Upper(static_cast<unsigned char>(s[1])));
    const int base = kind == 'H' ? 16 : kind == 'O' ? 8 : 0;
    if (base) {
      long long v = 0;
      bool any = false;
      for (i = 2; i < s.size(); ++i) {
        const char c = static_cast<char>(Upper(static_cast<unsigned char>(s[i])));
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0 || d >= base) break;
        v = v * base + d;
        any = true;
        if (v > 0xFFFFFFFFLL) break;
      }
      return any ? static_cast<double>(v) : 0.0;
    }
  }
  std::string num;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      num += c;
      digits = true;
    } else if ((c == '.' || (commaDecimal && c == ',')) && !point) {
      num += '.';
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0.0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::string exp = "e";
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp += s[j++];
    bool expDigits = false;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
      exp += s[j++];
      expDigits = true;
    }
    if (expDigits) num += exp;
  }
  const double v = std::strtod(num.c_str(), nullptr);
  return std::isfinite(v) ? v : 0.0;
}

int ValInt(std::string_view text, bool commaDecimal) {
  const double v = Val(text, commaDecimal);
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

bool IsNumeric(std::string_view text, bool commaDecimal) {
  const std::string s = TrimWhite(text);
  if (s.empty()) return false;
  size_t i = 0;
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
    for (i = 2; i < s.size(); ++i)
      if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
  }
  if (s[i] == '+' || s[i] == '-') ++i;
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') digits = true;
    else if ((c == '.' || (commaDecimal && c == ',')) && !point) point = true;
    else break;
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    bool expDigits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      ++i;
      expDigits = true;
    }
    if (!expDigits) return false;
  }
  return i == s.size();
}

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> args;
  std::string current;
  bool inQuotes = false, have = false;
  for (char c : text) {
    if (c == '"') {
      inQuotes = !inQuotes;
      have = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (have) args.push_back(current);
      current.clear();
      have = false;
    } else {
      current += c;
      have = true;
    }
  }
  if (have) args.push_back(current);
  return args;
}

std::string FormatFixed(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  // Round half away from zero on the decimal representation, as VB's Format does.
  const double scale = std::pow(10.0, decimals);
  double scaled = std::fabs(value) * scale;
  // Nudge by a relative epsilon so values such as 2.675 that print as ...5 round up.
  scaled = std::floor(scaled + 0.5 + scaled * 1e-15);
  const double rounded = scaled / scale;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
  std::string r = buf;
  if (value < 0 && scaled != 0) r = "-" + r;
  return r;
}

std::string NumberText(double value) {
  if (!std::isfinite(value)) return "0";
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", value);
    return buf;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

std::string PrintNumber(double value) {
  std::string t = NumberText(value);
  bool negative = false;
  if (!t.empty() && t[0] == '-') {
    negative = true;
    t.erase(0, 1);
  }
  if (StartsWith(t, "0.")) t.erase(0, 1);
  return (negative ? "-" : " ") + t + " ";
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) out += ch;
    else if (c < 0xA0) AppendUtf8(out, kHigh[c - 0x80] ? kHigh[c - 0x80] : c);
    else AppendUtf8(out, c);
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned cp;
    size_t len;
    if (c < 0x80) { cp = c; len = 1; }
    else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) { cp = ((c & 0x1F) << 6) | (text[i + 1] & 0x3F); len = 2; }
    else if ((c & 0xF0) == 0xE0 && i + 2 < text.size()) {
      cp = ((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
      len = 3;
    } else if ((c & 0xF8) == 0xF0 && i + 3 < text.size()) { cp = 0x110000; len = 4; }
    else { cp = '?'; len = 1; }
    i += len;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k)
      if (kHigh[k] == cp) mapped = static_cast<char>(0x80 + k);
    if (cp >= 0x80 && cp < 0xA0) mapped = static_cast<char>(cp);  // undefined bytes kept as read
    out += mapped;
  }
  return out;
}

}  // namespace zarvane
