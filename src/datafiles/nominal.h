#pragma once
// Numbers of the nominal files. The station writes "." as its decimal point
// whatever the locale; its readers take "." always and "," as well where the
// locale's decimal separator is a comma, so the station always reads back what
// it wrote.
//
// The nominal file readers themselves (ReadNOMfile3 for the keyword family
// ".nom", ReadUAfile for the fixed-layout family ".ua", and ColCompare) are
// members of BladeText (bladetxt.h): each finished section goes straight to
// the blade text file.

#include <cstdint>
#include <string_view>

namespace zarvane {

// One number word: true and the value when the whole word is one finite number
// ("&H" hexadecimal included); false for anything else (text, NaN, infinity,
// numbers too large for a double, several points).
bool NominalNumber(std::string_view word, bool commaDecimal, double& value);

// A point number or count read as a 16-bit integer: a number rounded to the
// nearest integer (halves to the even one) within -32768..32767; false otherwise.
bool NominalInteger16(std::string_view word, bool commaDecimal, std::int32_t& value);

}  // namespace zarvane
