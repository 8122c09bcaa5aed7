#include "datafiles/rtf.h"

#include "datafiles/rtfcodes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace zarvane {

namespace {

struct CodePageTable {
  int codePage;
  std::array<std::uint16_t, 128> upper;  // bytes 0x80 to 0xFF
};

const CodePageTable kCodePages[] = {
#include "datafiles/codepages_table.inc"
};

const CodePageTable* FindCodePage(int codePage) {
  for (const auto& t : kCodePages)
    if (t.codePage == codePage) return &t;
  return nullptr;
}

class Converter {
 public:
  // `start`: where the document's first group opens.
  Converter(const std::string& in, size_t start) : in_(in), pos_(start) {}

  std::string Run() {
    groups_.push_back({});  // outside the document
    const size_t n = in_.size();
    while (pos_ < n && !done_) {
      const unsigned char c = static_cast<unsigned char>(in_[pos_]);
      if (c == '{') {
        ++pos_;
        EndFallback();
        if (groups_.size() < kMaxDepth) {
          const Group inner = groups_.back();
          groups_.push_back(inner);
        } else {
          ++overflow_;
        }
      } else if (c == '}') {
        ++pos_;
        EndFallback();
        if (overflow_ > 0) {
          --overflow_;
        } else {
          if (groups_.size() > 1) groups_.pop_back();
          if (groups_.size() == 1) done_ = true;  // the document's group closed
        }
      } else if (c == '\\') {
        ControlItem();
      } else if (c == '\r' || c == '\n') {
        ++pos_;  // line breaks of the source are not text
      } else {
        ++pos_;
        if (c < 0x20 && c != '\t') continue;
        if (SkipAsFallback()) continue;
        if (c == '\t') Tab(false);
        else Byte(c);
        AfterFallbackUnit();
      }
    }
    FlushLead();
    return std::move(out_);
  }

 private:
  enum class Dest { Text, Skip, FontTable };
  struct Group {
    Dest dest = Dest::Text;
    long uc = 1;
    long font = -1;
  };
  static constexpr size_t kMaxDepth = 1000;

  Group& Top() { return groups_.back(); }
  bool InText() const { return groups_.back().dest == Dest::Text; }

  // --- output ---------------------------------------------------------------
  void Emit(char b) {
    if (!InText()) return;
    out_ += b;
    cellTab_ = false;
    ++produced_;
  }
  void LineEnd() {
    if (!InText()) return;
    FlushLead();
    out_ += "\r\n";
    cellTab_ = false;
    ++produced_;
  }
  void SoftLineEnd() {
    if (!InText()) return;
    if (!out_.empty() && out_.back() != '\n') LineEnd();
  }
  void Tab(bool cell) {
    if (!InText()) return;
    FlushLead();
    Emit('\t');
    cellTab_ = cell;
  }
  void RowEnd() {
    if (!InText()) return;
    if (cellTab_ && !out_.empty() && out_.back() == '\t') out_.pop_back();
    LineEnd();
  }

  int CurrentCodePage() const {
    const long font = groups_.back().font;
    if (font >= 0) {
      const auto it = fontCodePage_.find(font);
      if (it != fontCodePage_.end() && it->second != 0) return it->second;
    }
    return docCodePage_;
  }

  // A byte of the text in the current code page.
  void Byte(unsigned char b) {
    if (!InText()) return;
    if (leadPending_) {  // the second byte of a double-byte character
      leadPending_ = false;
      Emit('?');
      return;
    }
    if (b < 0x80) {
      Emit(static_cast<char>(b));
      return;
    }
    const int cp = CurrentCodePage();
    if (cp == 1252) {
      Emit(static_cast<char>(b));
      return;
    }
    if (RtfIsLeadByte(cp, b)) {
      leadPending_ = true;
      return;
    }
    const int u = CodePageToUnicode(cp, b);
    const int mapped = u > 0 ? UnicodeToCp1252(u) : -1;
    Emit(mapped >= 0 ? static_cast<char>(mapped) : '?');
  }
  // A lead byte without its second byte is one unknown character.
  void FlushLead() {
    if (!leadPending_) return;
    leadPending_ = false;
    Emit('?');
  }

  // --- \u fallback ----------------------------------------------------------
  // True when the item just read is a fallback character to drop.
  bool SkipAsFallback() {
    if (fallbackLeft_ <= 0) return false;
    if (!fallbackShown_) {
      --fallbackLeft_;
      return true;
    }
    return false;
  }
  // Counts a shown fallback item; "?" when the whole fallback gave nothing.
  void AfterFallbackUnit() {
    if (fallbackLeft_ <= 0 || !fallbackShown_) return;
    if (--fallbackLeft_ == 0 && produced_ == producedBefore_) Emit('?');
  }
  void EndFallback() {
    FlushLead();
    if (fallbackLeft_ > 0 && fallbackShown_ && produced_ == producedBefore_) Emit('?');
    fallbackLeft_ = 0;
  }
  void Unicode(long n) {
    EndFallback();
    const int u = static_cast<int>(n < 0 ? n + 65536 : n);
    const int b = (u >= 0x20 || u == '\t') ? UnicodeToCp1252(u) : -1;
    const long uc = Top().uc;
    if (b >= 0) {
      Emit(static_cast<char>(b));
      fallbackLeft_ = uc;
      fallbackShown_ = false;
    } else if (uc <= 0) {
      Emit('?');
    } else {
      fallbackLeft_ = uc;
      fallbackShown_ = true;
      producedBefore_ = produced_;
    }
  }

  // --- control words and symbols ---------------------------------------------

  void ControlItem() {
    const size_t n = in_.size();
    ++pos_;  // the backslash
    if (pos_ >= n) return;
    const char d = in_[pos_];
    if (RtfIsLetter(d)) {
      ControlWord();
      return;
    }
    ++pos_;
    int hexValue = -1;
    if (d == '\'') {
      hexValue = RtfReadHexEscape(in_, pos_);
      if (hexValue < 0) return;  // "\'" without two hex digits: nothing
    } else if (d == '\r' && pos_ < n && in_[pos_] == '\n') {
      ++pos_;
    }
    if (d == '*') {  // an ignorable destination
      Top().dest = Dest::Skip;
      return;
    }
    if (SkipAsFallback()) return;
    if (!InText()) return;
    if (d == '\'' && hexValue < 0x20 && hexValue != '\t') {
      // A control character is no text; an escaped line feed or carriage
      // return would leave a line end that is not CR LF.
      FlushLead();
      Emit('?');
    } else if (d == '\'') {
      Byte(static_cast<unsigned char>(hexValue));
    } else if (d == '\\' || d == '{' || d == '}') {
      Byte(static_cast<unsigned char>(d));  // may be the second byte of a double-byte character
    } else if (d == '~') {
      FlushLead();
      Emit('\xA0');
    } else if (d == '_') {
      FlushLead();
      Emit('-');
    } else if (d == '\r' || d == '\n') {
      LineEnd();
    } else if (d == '\t') {
      Tab(false);
    }
    AfterFallbackUnit();
  }

  void ControlWord() {
    const RtfControlWord cw = RtfReadControlWord(in_, pos_);
    const std::string_view word = cw.word;
    const bool hasParam = cw.hasParam;
    const long value = cw.value;
    const size_t n = in_.size();

    if (word == "bin") {  // binary data, skipped in every destination
      if (fallbackLeft_ > 0) {
        if (!fallbackShown_) --fallbackLeft_;
        else AfterFallbackUnit();
      }
      if (hasParam && value > 0) pos_ = std::min(n, pos_ + static_cast<size_t>(value));
      return;
    }
    if (SkipAsFallback()) return;
    const Dest dest = Top().dest;
    if (dest == Dest::Skip) return;
    if (dest == Dest::FontTable) {
      if (word == "f" && hasParam) fontBeingDefined_ = value;
      else if (word == "fcharset" && hasParam) fontCodePage_[fontBeingDefined_] = RtfCharsetCodePage(value);
      else if (word == "cpg" && hasParam) fontCodePage_[fontBeingDefined_] = static_cast<int>(value);
      else if (RtfIsSkippedDestination(word)) Top().dest = Dest::Skip;
      return;
    }
    FlushLead();  // a control word ends a double-byte character left open
    if (word == "par" || word == "line" || word == "row" || word == "nestrow") {
      if (word == "row" || word == "nestrow") RowEnd();
      else LineEnd();
    } else if (word == "page" || word == "sect") {
      SoftLineEnd();
    } else if (word == "tab") {
      Tab(false);
    } else if (word == "cell" || word == "nestcell") {
      Tab(true);
    } else if (word == "u" && hasParam) {
      Unicode(value);
      return;  // the fallback count starts after the \u
    } else if (word == "uc" && hasParam) {
      Top().uc = std::max(0L, value);
    } else if (word == "fonttbl") {
      Top().dest = Dest::FontTable;
    } else if (RtfIsSkippedDestination(word)) {
      Top().dest = Dest::Skip;
    } else if (RtfDocumentCodePage(word, hasParam, value, docCodePage_)) {
      // the document's character set
    } else if (word == "deff" && hasParam) {
      defaultFont_ = value;
      if (Top().font < 0) Top().font = value;
    } else if (word == "f" && hasParam) {
      Top().font = value;
    } else if (word == "plain") {
      Top().font = defaultFont_;
    } else if (word == "emdash") {
      Emit('\x97');
    } else if (word == "endash") {
      Emit('\x96');
    } else if (word == "lquote") {
      Emit('\x91');
    } else if (word == "rquote") {
      Emit('\x92');
    } else if (word == "ldblquote") {
      Emit('\x93');
    } else if (word == "rdblquote") {
      Emit('\x94');
    } else if (word == "bullet") {
      Emit('\x95');
    } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
      Emit(' ');
    }
    AfterFallbackUnit();
  }
  const std::string& in_;
  size_t pos_;
  bool done_ = false;
  std::vector<Group> groups_;
  size_t overflow_ = 0;  // groups opened beyond kMaxDepth
  std::string out_;
  bool cellTab_ = false;  // the output ends with the tab of a \cell
  long long produced_ = 0;

  int docCodePage_ = 1252;
  long defaultFont_ = -1;
  long fontBeingDefined_ = -1;
  std::map<long, int> fontCodePage_;  // 0: the document's code page
  bool leadPending_ = false;

  long fallbackLeft_ = 0;
  bool fallbackShown_ = false;
  long long producedBefore_ = 0;
};

}  // namespace

int UnicodeToCp1252(int codePoint) {
  if (codePoint < 0) return -1;
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return codePoint;
  static const CodePageTable* const cp1252 = FindCodePage(1252);
  for (int b = 0; b < 0x20; ++b)
    if (cp1252->upper[b] == codePoint) return 0x80 + b;
  return -1;
}

int CodePageToUnicode(int codePage, unsigned char byte) {
  if (byte < 0x80) return byte;
  const CodePageTable* t = FindCodePage(codePage);
  if (!t) return -1;
  const int u = t->upper[byte - 0x80];
  return u == 0 ? -1 : u;
}

bool RtfIsLeadByte(int codePage, unsigned char b) {
  switch (codePage) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
    case 1361:
      return b >= 0x81 && b <= 0xFE;
    default:
      return false;
  }
}

namespace {
int RtfHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

RtfControlWord RtfReadControlWord(std::string_view in, size_t& pos) {
  const size_t n = in.size();
  const size_t start = pos;
  while (pos < n && RtfIsLetter(in[pos])) ++pos;
  RtfControlWord cw;
  cw.word = in.substr(start, std::min<size_t>(pos - start, 40));
  long long param = 0;
  bool negative = false;
  if (pos + 1 < n && in[pos] == '-' && RtfIsDigit(in[pos + 1])) {
    negative = true;
    ++pos;
  }
  while (pos < n && RtfIsDigit(in[pos])) {
    cw.hasParam = true;
    if (param < 100000000000LL) param = param * 10 + (in[pos] - '0');
    ++pos;
  }
  if (pos < n && in[pos] == ' ') ++pos;  // the delimiting blank belongs to the word
  cw.value = static_cast<long>(std::clamp<long long>(negative ? -param : param, -2147483648LL, 2147483647LL));
  return cw;
}

int RtfReadHexEscape(std::string_view in, size_t& pos) {
  const size_t n = in.size();
  const int h1 = pos < n ? RtfHexDigit(in[pos]) : -1;
  const int h2 = h1 >= 0 && pos + 1 < n ? RtfHexDigit(in[pos + 1]) : -1;
  if (h1 >= 0) ++pos;
  if (h2 >= 0) ++pos;
  return h1 < 0 || h2 < 0 ? -1 : h1 * 16 + h2;
}

bool RtfDocumentCodePage(std::string_view word, bool hasParam, long value, int& codePage) {
  if (word == "ansi") codePage = 1252;
  else if (word == "mac") codePage = 10000;
  else if (word == "pc") codePage = 437;
  else if (word == "pca") codePage = 850;
  else if (word == "ansicpg" && hasParam && value > 0) codePage = static_cast<int>(value);
  else return word == "ansicpg";
  return true;
}

int RtfCharsetCodePage(long charset) {
  switch (charset) {
    case 0: return 1252;
    case 2: return 1252;  // symbol fonts: the bytes are kept as they are
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
  }
}

bool RtfIsSkippedDestination(std::string_view word) {
  static constexpr std::string_view kWords[] = {
      "annotation", "aftncn", "aftnsep", "aftnsepc", "atnauthor", "atndate", "atnicn", "atnid", "atnparent",
      "atnref", "atntime", "atrfend", "atrfstart", "author", "bkmkend", "bkmkstart", "buptim", "category",
      "colorschememapping", "colortbl", "comment", "company", "creatim", "datastore", "docvar", "doccomm",
      "falt", "filetbl", "fldinst", "footer", "footerf", "footerl", "footerr", "footnote", "ftncn", "ftnsep",
      "ftnsepc", "generator", "header", "headerf", "headerl", "headerr", "hlinkbase", "info", "keywords",
      "latentstyles", "listoverridetable", "listpicture", "listtable", "manager", "mmathPr", "nonesttables",
      "nonshppict", "object", "objdata", "operator", "panose", "passwordhash", "pgdsctbl", "pict", "pn", "pnseclvl",
      "printim", "private", "protusertbl", "revtbl", "revtim", "rsidtbl", "rxe", "shp", "shpinst", "stylesheet",
      "subject", "tc", "template", "themedata", "title", "txe", "userprops", "wgrffmtfilter", "xe", "xmlnstbl",
  };
  return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

size_t RtfDocumentStart(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  return text.compare(i, 5, "{\\rtf") == 0 ? i : std::string::npos;
}

std::string RtfToText(const std::string& rtf) {
  const size_t start = RtfDocumentStart(rtf);
  if (start == std::string::npos) return rtf;
  return Converter(rtf, start).Run();
}

}  // namespace zarvane
