#pragma once
// Formatted documents: what a rich-text report looks like (fonts, emphasis,
// sizes, colours, paragraphs with their alignment, indents and tab stops,
// tables and pictures), read from RTF. Lengths are in twips (1440 to the
// inch), font sizes in points. The Qt layer turns a document into a
// QTextDocument for the report window and the printer.
//
// What the reader takes from RTF:
// - the font table (names, \fcharset code pages, \fmodern or \fprq1 as fixed
//   pitch) and the colour table;
// - character formats: \plain, \f, \fs, \b, \i, \ul (every underline style)
//   and \ulnone, \strike, \super, \sub, \nosupersub, \cf, \cb, \highlight,
//   \v (hidden text is left out);
// - paragraph formats: \pard, \ql, \qr, \qc, \qj, \li, \ri, \fi, \sb, \sa,
//   tab stops (\tx with \tqr, \tqc, \tqdec), \pagebb; \page starts the next
//   paragraph on a new page;
// - tables: \trowd, \trleft, \trgaph, \cellx, \clcbpat, cell borders,
//   \intbl, \cell, \row (nested tables fold into their outer cell, their cells
//   separated by tabs);
// - pictures (\pict) in PNG, JPEG and device-independent bitmap form, hex or
//   \bin data, sized by \picwgoal, \pichgoal, \picscalex, \picscaley (or the
//   bitmap's pixels); metafiles and other forms are left out; inside
//   \shppict, not \nonshppict; a picture of more than 16 MB of data, shown
//   larger than 22 inches either way, or cut off by the document's end is
//   left out (and so is one whose data no decoder reads, when it is shown);
// - text as RtfToText reads it (code pages, \u with its fallback, symbols),
//   but in Unicode, so every character keeps its own code.
// Destinations that hold no body text are skipped as RtfToText skips them.

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zarvane {

struct RichColor {
  int red = 0, green = 0, blue = 0;
  bool operator==(const RichColor&) const = default;
};

struct RichCharFormat {
  std::string family;       // as the document names it (UTF-8); "" = the default font
  bool fixedPitch = false;  // the document says the font is fixed-pitch
  double points = 0;        // 0 = the default size
  bool bold = false, italic = false, underline = false, strike = false;
  int vertical = 0;  // 1 superscript, -1 subscript
  std::optional<RichColor> color, background;
  bool operator==(const RichCharFormat&) const = default;
};

struct RichPicture {
  enum class Kind { Png, Jpeg, Bmp };
  Kind kind = Kind::Png;
  std::string data;  // the image file's bytes (a bitmap gets its file header)
  int widthTwips = 0, heightTwips = 0;  // the size shown; 0 = the image's own
};

// A run of text in one format, or one picture.
struct RichSpan {
  RichCharFormat format;
  std::string text;  // UTF-8; "\t" a tab, "\n" a line break inside the paragraph
  std::optional<RichPicture> picture;
};

enum class RichAlign { Left, Right, Center, Justify };

struct RichTab {
  enum class Kind { Left, Right, Center, Decimal };
  int position = 0;
  Kind kind = Kind::Left;
  bool operator==(const RichTab&) const = default;
};

struct RichParagraph {
  RichAlign align = RichAlign::Left;
  int leftIndent = 0, rightIndent = 0, firstIndent = 0;  // first line relative to the left indent
  int spaceBefore = 0, spaceAfter = 0;
  std::vector<RichTab> tabs;
  bool pageBreakBefore = false;
  std::vector<RichSpan> spans;
};

struct RichCell {
  int right = 0;  // right edge, from the row's reference point
  std::optional<RichColor> shading;
  std::vector<RichParagraph> paragraphs;
};

struct RichRow {
  int left = 0;  // left edge of the row
  int gap = 0;   // half the space between two cells' texts
  bool borders = false;
  std::vector<RichCell> cells;
};

struct RichTable {
  std::vector<RichRow> rows;
};

using RichBlock = std::variant<RichParagraph, RichTable>;

struct RichDocument {
  std::vector<RichBlock> blocks;
};

// The formatted document of an RTF text. A text that is no RTF (does not begin
// with "{\rtf") gives one paragraph per line, unformatted.
RichDocument RtfToRich(const std::string& rtf);

}  // namespace zarvane
