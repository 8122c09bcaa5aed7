#pragma once
// Text helpers shared by every subsystem. Texts are single-byte (Windows-1252)
// strings, compared and case-folded the way the station's files expect.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarvane {

std::string Trim(std::string_view s);      // blanks only, like VB Trim
std::string TrimWhite(std::string_view s); // blanks, tabs, CR and LF
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);
bool IEquals(std::string_view a, std::string_view b);
bool IContains(std::string_view haystack, std::string_view needle);
bool IStartsWith(std::string_view s, std::string_view prefix);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
std::string ReplaceAll(std::string s, std::string_view from, std::string_view to);
std::string IReplaceAll(const std::string& s, std::string_view from, std::string_view to);
std::string Join(const std::vector<std::string>& items, std::string_view separator);
std::string Repeat(char c, int count);

// VB's Val: the leading number of the text (blanks, tabs and line feeds are
// skipped, "&H" and "&O" prefixes read as hexadecimal and octal); 0 for an empty
// or non-numeric text. "." is always a decimal point; "," is one as well when
// `commaDecimal` is set (a locale whose decimal separator is a comma).
double Val(std::string_view text, bool commaDecimal = false);
// Val truncated towards zero into an int (saturating).
int ValInt(std::string_view text, bool commaDecimal = false);
// VB's IsNumeric for plain numbers: the whole trimmed text is one number.
bool IsNumeric(std::string_view text, bool commaDecimal = false);

// Splits a parameter text into program arguments as the Windows shell does: at
// blanks, double quotes grouping (the quotes are dropped).
std::vector<std::string> SplitCommandLine(std::string_view text);

// Formats a number in the style of VB's Format with a pattern like "####0.00000"
// or "0.000": at least one integer digit, exactly `decimals` decimals, "." as the
// decimal point, rounded half away from zero.
std::string FormatFixed(double value, int decimals);
// A number printed with VB's Print/Str: a blank (or "-") before it, a blank after.
std::string PrintNumber(double value);
std::string NumberText(double value);  // VB's CStr for doubles, "." decimal point

// Windows-1252 to UTF-8 and back (characters without a Windows-1252 code become "?").
std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text);

}  // namespace zarvane
