// Drawing on a palette picture.
#include "analysis/raster.h"

#include <algorithm>
#include <cmath>

#include "analysis/font.h"

namespace blade {

Raster::Raster(int width, int height, std::uint8_t background)
    : width_(std::max(0, width)), height_(std::max(0, height)),
      pixels_(static_cast<std::size_t>(width_) * height_, background) {}

void Raster::Set(int x, int y, std::uint8_t colour) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[static_cast<std::size_t>(y) * width_ + x] = colour;
}

void Raster::Fill(int x, int y, int w, int h, std::uint8_t colour) {
  for (int j = std::max(0, y); j < std::min(height_, y + h); ++j)
    for (int i = std::max(0, x); i < std::min(width_, x + w); ++i) Set(i, j, colour);
}

void Raster::Line(double x0, double y0, double x1, double y1, std::uint8_t colour, int thickness) {
  const double steps = std::ceil(std::max(std::abs(x1 - x0), std::abs(y1 - y0)));
  // A line far longer than the picture is a mistake of its caller: left out.
  if (!(steps <= 4.0 * (width_ + height_))) return;
  const int from = -(thickness - 1) / 2, to = from + thickness;
  for (int s = 0; s <= static_cast<int>(steps); ++s) {
    const double t = steps == 0 ? 0 : s / steps;
    const int x = static_cast<int>(std::lround(x0 + t * (x1 - x0)));
    const int y = static_cast<int>(std::lround(y0 + t * (y1 - y0)));
    for (int dy = from; dy < to; ++dy)
      for (int dx = from; dx < to; ++dx) Set(x + dx, y + dy, colour);
  }
}

void Raster::Disc(double cx, double cy, double radius, std::uint8_t colour) {
  if (!(radius >= 0 && radius <= width_ + height_)) return;
  const int x0 = static_cast<int>(std::floor(cx - radius)), x1 = static_cast<int>(std::ceil(cx + radius));
  const int y0 = static_cast<int>(std::floor(cy - radius)), y1 = static_cast<int>(std::ceil(cy + radius));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) Set(x, y, colour);
}

int Raster::TextWidth(const std::string& text, int scale) {
  // One blank column between two characters.
  return text.empty() ? 0 : static_cast<int>(text.size()) * (kGlyphWidth + 1) * scale - scale;
}

void Raster::Text(int x, int y, const std::string& text, std::uint8_t colour, int scale) {
  for (char c : text) {
    const auto& rows = Glyph(c);
    for (int row = 0; row < kGlyphHeight; ++row)
      for (int col = 0; col < kGlyphWidth; ++col)
        if (rows[row] >> (kGlyphWidth - 1 - col) & 1) Fill(x + col * scale, y + row * scale, scale, scale, colour);
    x += (kGlyphWidth + 1) * scale;
  }
}

}  // namespace blade
