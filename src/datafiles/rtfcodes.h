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

}  // namespace zarvane
