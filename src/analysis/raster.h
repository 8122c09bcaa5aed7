// A picture in palette colours, drawn with lines, dots and lettering. Pixel
// coordinates run from the top-left corner; whatever falls outside is cut off.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace blade {

class Raster {
 public:
  Raster(int width, int height, std::uint8_t background);

  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::vector<std::uint8_t>& Pixels() const { return pixels_; }
  std::uint8_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

  void Set(int x, int y, std::uint8_t colour);
  // A line `thickness` pixels wide between pixel centres.
  void Line(double x0, double y0, double x1, double y1, std::uint8_t colour, int thickness = 1);
  void Disc(double cx, double cy, double radius, std::uint8_t colour);
  void Fill(int x, int y, int w, int h, std::uint8_t colour);
  // Text in the 5 x 7 font, every font pixel `scale` pixels square, its
  // top-left corner at (x, y).
  void Text(int x, int y, const std::string& text, std::uint8_t colour, int scale = 1);
  static int TextWidth(const std::string& text, int scale = 1);

 private:
  int width_, height_;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace blade
