#pragma once
// Rich text to plain text, for the host's RTF reports and for printing RTF.
//
// The result is Windows-1252 text; every line ends with CR LF (the station's
// own line end for text files). What becomes text:
// - \par, \line, \row (and \nestrow) end a line; \page and \sect end a line
//   only when the current line holds text; \tab, \cell (and \nestcell) and a
//   literal tab become a tab; the tab of the last \cell of a row is dropped;
// - \'hh is a byte of the current font's code page (its \fcharset or \cpg in
//   the font table) or of the document's (\ansicpg, \mac, \pc, \pca; 1252 when
//   none is given), turned into Windows-1252; a character that has no
//   Windows-1252 code becomes "?"; unescaped bytes above 127 are read the same way;
// - \uN is the Unicode character N (negative N: N + 65536); the \ucN
//   characters that follow (1 unless \uc says otherwise, counted as plain
//   characters, \'hh, control symbols, control words or \bin data, ended early
//   by a brace) are its fallback: dropped when the character has a
//   Windows-1252 code, shown instead of it when it has none ("?" when the
//   fallback is empty);
// - \\, \{, \} are the characters; \~ a no-break space (A0), \_ "-"; \emdash,
//   \endash, \lquote, \rquote, \ldblquote, \rdblquote and \bullet their
//   Windows-1252 characters; \emspace, \enspace and \qmspace a blank;
// - the data of \binN (N bytes after the delimiting blank) is skipped;
// - groups opened by \* and the destinations that hold no body text (font,
//   colour, style, list and revision tables, document information, pictures,
//   objects, field instructions, headers, footers, footnotes, annotations,
//   index and contents entries, shapes and Word's XML and theme parts) are
//   skipped whole;
// - line breaks in the RTF source and every other control word or symbol give
//   nothing.
// The document ends at the brace that closes its first group; text after it is
// ignored. Braces left open at the end give the text read so far. A text that
// does not begin (after blanks and line ends) with "{\rtf" is returned unchanged.

#include <string>

namespace zarvane {

std::string RtfToText(const std::string& rtf);

// The Windows-1252 byte of a Unicode code point, or -1 when it has none.
int UnicodeToCp1252(int codePoint);
// The Unicode code point of a byte of a single-byte code page (437, 850, 852,
// 866, 874, 1250 to 1258, 10000, 28591, 28592, 28605); -1 when the code page is
// not one of these or defines no character for the byte.
int CodePageToUnicode(int codePage, unsigned char byte);

}  // namespace zarvane
