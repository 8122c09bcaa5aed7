// The pictures' lettering: a 5 x 7 pixel font of digits, capital letters and
// a few signs.
#pragma once

#include <array>
#include <cstdint>

namespace blade {

constexpr int kGlyphWidth = 5, kGlyphHeight = 7;

// The rows of a character from the top, bit 4 the leftmost pixel. A small
// letter is drawn as its capital, a character the font lacks as "?".
const std::array<std::uint8_t, kGlyphHeight>& Glyph(char c);

}  // namespace blade
