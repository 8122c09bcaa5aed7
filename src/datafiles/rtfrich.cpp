// RTF to a formatted document (richtext.h). The reader keeps a stack of group
// states (destination, \uc count, font, character and paragraph formats) and
// builds paragraphs, table rows and pictures as their end marks arrive.
#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>

#include "datafiles/richtext.h"
#include "datafiles/rtf.h"
#include "datafiles/rtfcodes.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

void AppendUtf8(std::string& out, int u) {
  if (u < 0 || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) u = 0xFFFD;
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// A device-independent bitmap as a BMP file: the 14-byte file header in front.
std::string BmpFromDib(const std::string& dib) {
  if (dib.size() < 40) return {};
  auto le32 = [&](size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(dib[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(dib[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(dib[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(dib[at + 3])) << 24;
  };
  const std::uint32_t headerSize = le32(0);
  const int bitCount = static_cast<unsigned char>(dib[14]) | static_cast<unsigned char>(dib[15]) << 8;
  std::uint32_t colours = le32(32);
  if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
  std::uint32_t masks = le32(16) == 3 && headerSize == 40 ? 12 : 0;  // BI_BITFIELDS
  const std::uint32_t offset = 14 + headerSize + masks + colours * 4;
  const std::uint32_t size = static_cast<std::uint32_t>(14 + dib.size());
  std::string bmp = "BM";
  for (std::uint32_t v : {size, std::uint32_t{0}, offset})
    for (int i = 0; i < 4; ++i) bmp += static_cast<char>((v >> (8 * i)) & 0xFF);
  return bmp + dib;
}

class RichReader {
 public:
  RichReader(const std::string& in, size_t start) : in_(in), pos_(start) {}

  RichDocument Run() {
    groups_.push_back({});  // outside the document
    const size_t n = in_.size();
    while (pos_ < n && !done_) {
      const unsigned char c = static_cast<unsigned char>(in_[pos_]);
      if (c == '{') {
        ++pos_;
        fallbackLeft_ = 0;
        FlushLead();
        if (groups_.size() < kMaxDepth) groups_.push_back(groups_.back());
        else ++overflow_;
        ignorable_ = false;
      } else if (c == '}') {
        ++pos_;
        fallbackLeft_ = 0;
        FlushLead();
        CloseGroup();
      } else if (c == '\\') {
        ControlItem();
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        ++pos_;
        if (c < 0x20 && c != '\t') continue;
        if (SkipAsFallback()) continue;
        if (c == '\t') Char('\t');
        else Byte(c);
      }
    }
    FlushLead();
    EndParagraph(false);
    EndTable();
    return std::move(doc_);
  }

 private:
  enum class Dest { Text, Skip, FontTable, ColorTable, Picture };
  struct Para {
    RichAlign align = RichAlign::Left;
    int left = 0, right = 0, first = 0, before = 0, after = 0;
    std::vector<RichTab> tabs;
    RichTab::Kind nextTab = RichTab::Kind::Left;
    bool inTable = false;
    bool pageBreakBefore = false;
  };
  struct Group {
    Dest dest = Dest::Text;
    long uc = 1;
    long font = -1;
    RichCharFormat format;
    bool hidden = false;
    Para para;
  };
  struct Font {
    std::string name;
    bool fixed = false;
    int codePage = 0;
  };
  struct Picture {
    std::string kind;  // "png", "jpeg", "dib", or "" for forms that are left out
    long picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    std::string data;
    int nibble = -1;
    bool tooLarge = false;  // more data than kMaxPictureBytes: left out
  };
  // No report holds a picture this large or larger than a page: such a
  // picture is damage, and it is left out.
  static constexpr size_t kMaxPictureBytes = 16 * 1024 * 1024;
  static constexpr double kMaxPictureTwips = 22 * 1440;
  struct RowDefinition {
    int left = 0, gap = 0;
    bool borders = false;
    std::vector<int> rights;
    std::vector<std::optional<RichColor>> shadings;
    std::optional<RichColor> nextShading;
  };
  static constexpr size_t kMaxDepth = 1000;

  Group& Top() { return groups_.back(); }

  void CloseGroup() {
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    const Dest closing = Top().dest;
    if (groups_.size() > 1) groups_.pop_back();
    if (closing == Dest::Picture && Top().dest != Dest::Picture) EndPicture();
    if (closing == Dest::FontTable) {
      EndFontName();
      // Text before any \f is in the default font, known only now.
      if (Top().dest != Dest::FontTable && Top().font >= 0 && Top().format.family.empty()) ApplyFont(Top());
    }
    if (groups_.size() == 1) done_ = true;
    ignorable_ = false;
  }

  // --- text -----------------------------------------------------------------
  void Char(int u) {
    const Group& g = Top();
    if (g.dest != Dest::Text || g.hidden) return;
    if (spans_.empty() || spans_.back().picture || !(spans_.back().format == g.format)) {
      spans_.push_back({});
      spans_.back().format = g.format;
    }
    AppendUtf8(spans_.back().text, u);
  }

  int CodePage() {
    const long font = Top().font;
    if (font >= 0) {
      const auto it = fonts_.find(font);
      if (it != fonts_.end() && it->second.codePage != 0) return it->second.codePage;
    }
    return docCodePage_;
  }

  void Byte(unsigned char b) {
    const Dest dest = Top().dest;
    if (dest == Dest::Picture) {
      PictureByte(b);
      return;
    }
    if (dest == Dest::FontTable) {
      if (b == ';') EndFontName();
      else fontName_ += static_cast<char>(b);
      return;
    }
    if (dest == Dest::ColorTable) {
      if (b == ';') {
        colors_.push_back(colorSet_ ? std::optional<RichColor>(color_) : std::nullopt);
        color_ = {};
        colorSet_ = false;
      }
      return;
    }
    if (dest != Dest::Text) return;
    if (leadPending_) {
      leadPending_ = false;
      Char('?');
      return;
    }
    const int cp = CodePage();
    if (b >= 0x80 && RtfIsLeadByte(cp, b)) {
      leadPending_ = true;
      return;
    }
    const int u = CodePageToUnicode(cp, b);
    Char(u > 0 ? u : (cp == 1252 ? 0xFFFD : '?'));
  }

  void FlushLead() {
    if (!leadPending_) return;
    leadPending_ = false;
    Char('?');
  }

  bool SkipAsFallback() {
    if (fallbackLeft_ <= 0) return false;
    --fallbackLeft_;
    return true;
  }

  // --- paragraphs and tables --------------------------------------------------
  RichParagraph MakeParagraph() {
    const Para& p = Top().para;
    RichParagraph para;
    para.align = p.align;
    para.leftIndent = p.left;
    para.rightIndent = p.right;
    para.firstIndent = p.first;
    para.spaceBefore = p.before;
    para.spaceAfter = p.after;
    para.tabs = p.tabs;
    para.pageBreakBefore = p.pageBreakBefore || pageBreak_;
    pageBreak_ = false;
    para.spans = std::move(spans_);
    spans_.clear();
    return para;
  }

  // A paragraph ends. `always`: also when it holds nothing (\par); otherwise
  // only a paragraph with text is finished (\page, \sect, the document's end).
  void EndParagraph(bool always) {
    if (!always && spans_.empty()) return;
    if (Top().para.inTable) {
      cell_.push_back(MakeParagraph());
      return;
    }
    EndTable();
    doc_.blocks.emplace_back(MakeParagraph());
  }

  void EndCell() {
    RichCell cell;
    if (!spans_.empty() || cell_.empty()) cell_.push_back(MakeParagraph());
    cell.paragraphs = std::move(cell_);
    cell_.clear();
    row_.push_back(std::move(cell));
  }

  void EndRow() {
    if (!spans_.empty() || !cell_.empty()) EndCell();
    RichRow row;
    row.left = rowDef_.left;
    row.gap = rowDef_.gap;
    row.borders = rowDef_.borders;
    int right = row.left;
    for (size_t i = 0; i < row_.size(); ++i) {
      right = i < rowDef_.rights.size() ? rowDef_.rights[i] : right + 1440;
      row_[i].right = right;
      if (i < rowDef_.shadings.size()) row_[i].shading = rowDef_.shadings[i];
    }
    row.cells = std::move(row_);
    row_.clear();
    table_.rows.push_back(std::move(row));
  }

  void EndTable() {
    if (!row_.empty() || !cell_.empty()) EndRow();
    if (table_.rows.empty()) return;
    doc_.blocks.emplace_back(std::move(table_));
    table_ = {};
  }

  // --- tables of the header ---------------------------------------------------
  void EndFontName() {
    if (fontBeingDefined_ < 0) return;
    std::string name = Trim(fontName_);
    fontName_.clear();
    if (!name.empty()) fonts_[fontBeingDefined_].name = Cp1252ToUtf8(name);
  }

  // --- pictures --------------------------------------------------------------
  void PictureByte(unsigned char b) {
    int v = -1;
    if (b >= '0' && b <= '9') v = b - '0';
    else if (b >= 'a' && b <= 'f') v = b - 'a' + 10;
    else if (b >= 'A' && b <= 'F') v = b - 'A' + 10;
    if (v < 0) return;
    if (pict_.nibble < 0) {
      pict_.nibble = v;
    } else {
      const char byte = static_cast<char>(pict_.nibble * 16 + v);
      AppendPictureData(std::string_view(&byte, 1));
      pict_.nibble = -1;
    }
  }

  void AppendPictureData(std::string_view bytes) {
    if (pict_.tooLarge) return;
    if (pict_.data.size() + bytes.size() > kMaxPictureBytes) {
      pict_.tooLarge = true;
      pict_.data.clear();
      return;
    }
    pict_.data.append(bytes);
  }

  void EndPicture() {
    Picture p = std::move(pict_);
    pict_ = {};
    if (p.kind.empty() || p.data.empty() || p.tooLarge || Top().dest != Dest::Text || Top().hidden) return;
    // The goal size is in twips; without one, the bitmap's pixels at 15 twips each.
    const double w = (p.goalw > 0 ? p.goalw : p.picw * 15.0) * p.scalex / 100;
    const double h = (p.goalh > 0 ? p.goalh : p.pich * 15.0) * p.scaley / 100;
    if (w > kMaxPictureTwips || h > kMaxPictureTwips) return;
    RichPicture picture;
    if (p.kind == "png") picture.kind = RichPicture::Kind::Png;
    else if (p.kind == "jpeg") picture.kind = RichPicture::Kind::Jpeg;
    else picture.kind = RichPicture::Kind::Bmp;
    picture.data = p.kind == "dib" ? BmpFromDib(p.data) : std::move(p.data);
    if (picture.data.empty()) return;
    picture.widthTwips = static_cast<int>(w);
    picture.heightTwips = static_cast<int>(h);
    RichSpan span;
    span.format = Top().format;
    span.picture = std::move(picture);
    spans_.push_back(std::move(span));
  }

  // --- control words and symbols ---------------------------------------------

  void ControlItem() {
    const size_t n = in_.size();
    ++pos_;
    if (pos_ >= n) return;
    const char d = in_[pos_];
    if (RtfIsLetter(d)) {
      ControlWord();
      return;
    }
    ++pos_;
    if (d == '*') {
      // An ignorable destination: skipped unless its word is one the reader knows.
      ignorable_ = true;
      savedDest_ = Top().dest;
      Top().dest = Dest::Skip;
      return;
    }
    int hexValue = -1;
    if (d == '\'') {
      hexValue = RtfReadHexEscape(in_, pos_);
      if (hexValue < 0) return;
    } else if (d == '\r' && pos_ < n && in_[pos_] == '\n') {
      ++pos_;
    }
    if (SkipAsFallback()) return;
    if (d == '\'') {
      Byte(static_cast<unsigned char>(hexValue));
      return;
    }
    if (d == '\\' || d == '{' || d == '}') {
      Byte(static_cast<unsigned char>(d));
      return;
    }
    if (Top().dest != Dest::Text) return;
    FlushLead();
    if (d == '~') Char(0xA0);
    else if (d == '_') Char('-');
    else if (d == '\r' || d == '\n') EndParagraph(true);
    else if (d == '\t') Char('\t');
  }

  void ControlWord() {
    const RtfControlWord cw = RtfReadControlWord(in_, pos_);
    const std::string_view word = cw.word;
    const bool hasParam = cw.hasParam;
    const long value = cw.value;
    const size_t n = in_.size();
    const bool ignorable = ignorable_;
    ignorable_ = false;
    if (ignorable && word == "shppict") {
      Top().dest = savedDest_;  // the picture of a shape: read as the body
      return;
    }

    if (word == "bin") {
      const size_t length = hasParam && value > 0 ? std::min(n - pos_, static_cast<size_t>(value)) : 0;
      if (Top().dest == Dest::Picture) AppendPictureData(std::string_view(in_).substr(pos_, length));
      pos_ += length;
      if (fallbackLeft_ > 0) --fallbackLeft_;
      return;
    }
    if (SkipAsFallback()) return;
    Group& g = Top();
    if (g.dest == Dest::Skip) return;
    switch (g.dest) {
      case Dest::FontTable: FontTableWord(word, hasParam, value); return;
      case Dest::ColorTable: ColorTableWord(word, value); return;
      case Dest::Picture: PictureWord(word, hasParam, value); return;
      default: break;
    }
    FlushLead();
    if (CharacterWord(word, hasParam, value) || ParagraphWord(word, hasParam, value) ||
        TableWord(word, hasParam, value))
      return;
    if (word == "u" && hasParam) {
      const int u = static_cast<int>(value < 0 ? value + 65536 : value);
      if (u >= 0x20 || u == '\t') Char(u);
      fallbackLeft_ = g.uc;
    } else if (word == "uc" && hasParam) {
      g.uc = std::max(0L, value);
    } else if (word == "fonttbl") {
      g.dest = Dest::FontTable;
    } else if (word == "colortbl") {
      g.dest = Dest::ColorTable;
    } else if (word == "pict") {
      g.dest = Dest::Picture;
      pict_ = {};
    } else if (RtfIsSkippedDestination(word)) {
      g.dest = Dest::Skip;
    } else if (RtfDocumentCodePage(word, hasParam, value, docCodePage_)) {
      // the document's character set
    } else if (word == "deff" && hasParam) {
      defaultFont_ = value;
      if (g.font < 0) g.font = value;
    } else if (word == "emdash") {
      Char(0x2014);
    } else if (word == "endash") {
      Char(0x2013);
    } else if (word == "lquote") {
      Char(0x2018);
    } else if (word == "rquote") {
      Char(0x2019);
    } else if (word == "ldblquote") {
      Char(0x201C);
    } else if (word == "rdblquote") {
      Char(0x201D);
    } else if (word == "bullet") {
      Char(0x2022);
    } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
      Char(' ');
    }
  }

  void FontTableWord(std::string_view word, bool hasParam, long value) {
    if (word == "f" && hasParam) {
      EndFontName();
      fontBeingDefined_ = value;
      fonts_[value];
    } else if (fontBeingDefined_ < 0) {
      return;
    } else if (word == "fcharset" && hasParam) {
      fonts_[fontBeingDefined_].codePage = RtfCharsetCodePage(value);
    } else if (word == "cpg" && hasParam) {
      fonts_[fontBeingDefined_].codePage = static_cast<int>(value);
    } else if (word == "fmodern" || (word == "fprq" && value == 1)) {
      fonts_[fontBeingDefined_].fixed = true;
    } else if (RtfIsSkippedDestination(word)) {
      Top().dest = Dest::Skip;
    }
  }

  void ColorTableWord(std::string_view word, long value) {
    const int v = static_cast<int>(std::clamp(value, 0L, 255L));
    if (word == "red") color_.red = v;
    else if (word == "green") color_.green = v;
    else if (word == "blue") color_.blue = v;
    else return;
    colorSet_ = true;
  }

  void PictureWord(std::string_view word, bool hasParam, long value) {
    if (word == "pngblip") pict_.kind = "png";
    else if (word == "jpegblip") pict_.kind = "jpeg";
    else if (word == "dibitmap") pict_.kind = "dib";
    else if (word == "emfblip" || word == "wmetafile" || word == "macpict" || word == "wbitmap" ||
             word == "pmmetafile")
      pict_.kind.clear();
    else if (word == "picw" && hasParam) pict_.picw = std::max(0L, value);
    else if (word == "pich" && hasParam) pict_.pich = std::max(0L, value);
    else if (word == "picwgoal" && hasParam) pict_.goalw = std::max(0L, value);
    else if (word == "pichgoal" && hasParam) pict_.goalh = std::max(0L, value);
    else if (word == "picscalex" && hasParam && value > 0) pict_.scalex = value;
    else if (word == "picscaley" && hasParam && value > 0) pict_.scaley = value;
    else if (RtfIsSkippedDestination(word) || word == "picprop" || word == "blipuid") Top().dest = Dest::Skip;
  }

  std::optional<RichColor> Color(long index) const {
    if (index <= 0 || static_cast<size_t>(index) >= colors_.size()) return std::nullopt;
    return colors_[static_cast<size_t>(index)];
  }

  bool CharacterWord(std::string_view word, bool hasParam, long value) {
    Group& g = Top();
    RichCharFormat& f = g.format;
    const bool on = !hasParam || value != 0;
    if (word == "plain") {
      f = {};
      g.hidden = false;
      g.font = defaultFont_;
      ApplyFont(g);
    } else if (word == "f" && hasParam) {
      g.font = value;
      ApplyFont(g);
    } else if (word == "fs" && hasParam) {
      f.points = value > 0 ? value / 2.0 : 0;
    } else if (word == "b") {
      f.bold = on;
    } else if (word == "i") {
      f.italic = on;
    } else if (word == "ul" || word == "uld" || word == "uldash" || word == "uldashd" || word == "uldashdd" ||
               word == "uldb" || word == "ulth" || word == "ulw" || word == "ulwave") {
      f.underline = on;
    } else if (word == "ulnone") {
      f.underline = false;
    } else if (word == "strike" || word == "striked") {
      f.strike = on;
    } else if (word == "super") {
      f.vertical = 1;
    } else if (word == "sub") {
      f.vertical = -1;
    } else if (word == "nosupersub") {
      f.vertical = 0;
    } else if (word == "cf") {
      f.color = Color(value);
    } else if (word == "cb" || word == "highlight" || word == "chcbpat") {
      f.background = Color(value);
    } else if (word == "v") {
      g.hidden = on;
    } else {
      return false;
    }
    return true;
  }

  void ApplyFont(Group& g) {
    const auto it = fonts_.find(g.font);
    g.format.family = it == fonts_.end() ? "" : it->second.name;
    g.format.fixedPitch = it != fonts_.end() && it->second.fixed;
  }

  bool ParagraphWord(std::string_view word, bool hasParam, long value) {
    Para& p = Top().para;
    const int v = static_cast<int>(std::clamp(value, -1000000L, 1000000L));
    if (word == "par") EndParagraph(true);
    else if (word == "line") Char('\n');
    else if (word == "tab") Char('\t');
    else if (word == "page") {
      EndParagraph(false);
      pageBreak_ = true;
    } else if (word == "sect") EndParagraph(false);
    else if (word == "pard") p = Para{};
    else if (word == "ql") p.align = RichAlign::Left;
    else if (word == "qr") p.align = RichAlign::Right;
    else if (word == "qc") p.align = RichAlign::Center;
    else if (word == "qj") p.align = RichAlign::Justify;
    else if (word == "li" && hasParam) p.left = v;
    else if (word == "ri" && hasParam) p.right = v;
    else if (word == "fi" && hasParam) p.first = v;
    else if (word == "sb" && hasParam) p.before = std::max(0, v);
    else if (word == "sa" && hasParam) p.after = std::max(0, v);
    else if (word == "tqr") p.nextTab = RichTab::Kind::Right;
    else if (word == "tqc") p.nextTab = RichTab::Kind::Center;
    else if (word == "tqdec") p.nextTab = RichTab::Kind::Decimal;
    else if (word == "tx" && hasParam) {
      p.tabs.push_back({std::max(0, v), p.nextTab});
      p.nextTab = RichTab::Kind::Left;
    } else if (word == "pagebb") p.pageBreakBefore = true;
    else if (word == "intbl") p.inTable = true;
    else return false;
    return true;
  }

  bool TableWord(std::string_view word, bool hasParam, long value) {
    const int v = static_cast<int>(std::clamp(value, -1000000L, 1000000L));
    if (word == "trowd") rowDef_ = {};
    else if (word == "trleft" && hasParam) rowDef_.left = v;
    else if (word == "trgaph" && hasParam) rowDef_.gap = std::max(0, v);
    else if (word == "cellx" && hasParam) {
      rowDef_.rights.push_back(v);
      rowDef_.shadings.push_back(rowDef_.nextShading);
      rowDef_.nextShading.reset();
    } else if (word == "clcbpat") rowDef_.nextShading = Color(value);
    else if (word == "clbrdrt" || word == "clbrdrb" || word == "clbrdrl" || word == "clbrdrr" ||
             word == "trbrdrt" || word == "trbrdrb" || word == "trbrdrl" || word == "trbrdrr")
      rowDef_.borders = true;
    else if (word == "cell") EndCell();
    else if (word == "row") EndRow();
    else if (word == "nestcell") Char('\t');
    else if (word == "nestrow") Char('\n');
    else return false;
    return true;
  }

  const std::string& in_;
  size_t pos_;
  bool done_ = false;
  std::vector<Group> groups_;
  size_t overflow_ = 0;
  bool ignorable_ = false;  // "\*" was just read
  Dest savedDest_ = Dest::Text;
  long fallbackLeft_ = 0;
  bool leadPending_ = false;

  int docCodePage_ = 1252;
  long defaultFont_ = -1;
  std::map<long, Font> fonts_;
  long fontBeingDefined_ = -1;
  std::string fontName_;
  std::vector<std::optional<RichColor>> colors_;
  RichColor color_;
  bool colorSet_ = false;
  Picture pict_;

  RichDocument doc_;
  std::vector<RichSpan> spans_;       // the paragraph being read
  bool pageBreak_ = false;            // the next paragraph starts a page
  std::vector<RichParagraph> cell_;   // the cell being read
  std::vector<RichCell> row_;         // the row being read
  RowDefinition rowDef_;
  RichTable table_;                   // the table being read
};

}  // namespace

RichDocument RtfToRich(const std::string& rtf) {
  const size_t start = RtfDocumentStart(rtf);
  if (start != std::string::npos) return RichReader(rtf, start).Run();
  RichDocument doc;
  size_t from = 0;
  while (from < rtf.size()) {
    size_t end = rtf.find('\n', from);
    if (end == std::string::npos) end = rtf.size();
    std::string line = rtf.substr(from, end - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    RichParagraph para;
    if (!line.empty()) para.spans.push_back({{}, Cp1252ToUtf8(line), std::nullopt});
    doc.blocks.emplace_back(std::move(para));
    from = end + 1;
  }
  return doc;
}

}  // namespace zarvane
