#pragma once
// What the RTF readers share: where a document begins, the code pages of font
// character sets, the lead bytes of double-byte code pages, and the
// destinations that hold no body text.

#include <cstddef>
#include <string>
#include <string_view>

namespace zarvane {

// Where an RTF document begins: "{\rtf" after blanks and line ends; npos when
// the text is no RTF.
size_t RtfDocumentStart(const std::string& text);
// The code page of a \fcharset; 0 means the document's code page.
int RtfCharsetCodePage(long charset);
// Double-byte code pages: a lead byte and the byte after it are one character.
bool RtfIsLeadByte(int codePage, unsigned char b);
// Destinations whose text is not part of the document body (font, colour and
// style tables, document information, pictures, objects, headers, ...).
bool RtfIsSkippedDestination(std::string_view word);

// The lexing both readers share.
inline bool RtfIsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool RtfIsDigit(char c) { return c >= '0' && c <= '9'; }
// A control word at `pos` (just past the backslash): its letters (at most 40
// kept), its optional signed parameter clamped to 32 bits, and the blank that
// ends it; `pos` moves past all of it.
struct RtfControlWord {
  std::string_view word;
  bool hasParam = false;
  long value = 0;
};
RtfControlWord RtfReadControlWord(std::string_view in, size_t& pos);
// The byte of a "\'hh" escape at `pos` (just past the quote); -1, with the
// digits there consumed, when two hex digits do not follow.
int RtfReadHexEscape(std::string_view in, size_t& pos);
// The document character set words (ansi, mac, pc, pca, ansicpg N): sets
// `codePage` and returns true when `word` is one of them.
bool RtfDocumentCodePage(std::string_view word, bool hasParam, long value, int& codePage);

}  // namespace zarvane
