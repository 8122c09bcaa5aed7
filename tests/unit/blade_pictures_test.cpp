// The analysis's section pictures: PNG files any decoder reads (Qt's here),
// and a plot that puts each point where its magnified deviation says.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "analysis/plot.h"
#include "analysis/png.h"

namespace blade {
namespace {

std::uint32_t Be32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v = v << 8 | static_cast<std::uint8_t>(s[at + k]);
  return v;
}

// CRC-32 one bit at a time, as the PNG book defines it.
std::uint32_t BitwiseCrc(const std::string& s) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (char ch : s) {
    c ^= static_cast<std::uint8_t>(ch);
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

QImage Decode(const std::string& png) {
  return QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG");
}

TEST(BladePictures, PngFilesDecodeToTheirPixels) {
  // Long runs, noise, and rows that repeat earlier rows: every kind of match
  // the compressor makes, at short and long distances.
  const int w = 300, h = 200;
  const std::vector<Rgb> palette = {{255, 255, 255}, {0, 0, 0}, {0, 150, 0}, {220, 0, 0}, {1, 2, 3}};
  std::vector<std::uint8_t> pixels(w * h, 0);
  std::uint32_t seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245 + 12345;
      std::uint8_t& p = pixels[y * w + x];
      if (y % 7 == 3) p = pixels[(y - 2) * w + x];
      else if (x > y && x < y + 40) p = static_cast<std::uint8_t>((seed >> 16) % 5);
      else if (x % 50 < 3) p = 1 + x % 4;
    }
  const std::string png = EncodePng(w, h, pixels, palette);
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(Be32(png, 8), 13u);
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(Be32(png, 16), static_cast<std::uint32_t>(w));
  EXPECT_EQ(Be32(png, 20), static_cast<std::uint32_t>(h));
  EXPECT_EQ(Be32(png, 29), BitwiseCrc(png.substr(12, 17)));
  EXPECT_EQ(Adler32("Wikipedia"), 0x11E60398u);

  const QImage image = Decode(png);
  ASSERT_EQ(image.size(), QSize(w, h));
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb& c = palette[pixels[y * w + x]];
      wrong += image.pixel(x, y) != qRgb(c[0], c[1], c[2]);
    }
  EXPECT_EQ(wrong, 0);
  // An index the palette does not have makes no file.
  EXPECT_EQ(EncodePng(2, 1, {0, 5}, palette), "");
}

TEST(BladePictures, MagnificationIsARoundNumberNearEightPercent) {
  EXPECT_EQ(Magnification(0.05, 40), 50);   // 64 rounded down
  EXPECT_EQ(Magnification(0.004, 40), 500);  // 800 rounded down to 5 x 100
  EXPECT_EQ(Magnification(0.1, 30), 20);
  EXPECT_EQ(Magnification(0, 40), 1);       // nothing to magnify
  EXPECT_EQ(Magnification(5, 40), 1);       // never drawn smaller
}

TEST(BladePictures, PointsSitAtTheirMagnifiedDeviationsOnEqualAxes) {
  // A circle of radius 10 measured exactly, but for the point at the top,
  // 0.5 outside and out of the band: magnified 2 times it is drawn at radius 11.
  SectionResult r;
  r.name = "A-A";
  for (int k = 0; k < 72; ++k) {
    const double a = 2 * M_PI * k / 72;
    r.nominal.push_back({10 * std::cos(a), 10 * std::sin(a)});
    const double radius = k == 18 ? 10.5 : 10;
    r.compensated.push_back({radius * std::cos(a), radius * std::sin(a), 0, 0, 0, 0});
    r.nearest.push_back(r.nominal.back());
    r.deviations.push_back(radius - 10);
    r.outside.push_back(k == 18);
  }
  const SectionPlot plot = PlotSection(r);
  EXPECT_EQ(plot.magnification, 2);
  const QImage image = Decode(plot.png);
  ASSERT_EQ(image.size(), QSize(kPlotWidth, kPlotHeight));

  // The extents of the green and the red pixels of the drawing.
  int gl = kPlotWidth, gr = -1, gt = kPlotHeight, gb = -1, rt = kPlotHeight, rb = -1, rl = kPlotWidth, rr = -1;
  for (int y = plot.drawingTop; y < plot.drawingBottom; ++y)
    for (int x = 0; x < kPlotWidth; ++x) {
      const QRgb p = image.pixel(x, y);
      if (p == qRgb(0, 150, 0)) gl = std::min(gl, x), gr = std::max(gr, x), gt = std::min(gt, y), gb = std::max(gb, y);
      if (p == qRgb(220, 0, 0)) rl = std::min(rl, x), rr = std::max(rr, x), rt = std::min(rt, y), rb = std::max(rb, y);
    }
  ASSERT_GE(gr, 0);
  ASSERT_GE(rb, 0);
  // Green dots (radius 3) on the circle: as tall as wide.
  const double radius = (gr - gl) / 2.0 - 3, cx = (gl + gr) / 2.0, cy = gb - 3 - radius;
  EXPECT_NEAR(gb - gt, gr - gl, 3);
  // The red dot above the centre (y up), 1.1 radii out; its whisker reaches back to the circle.
  EXPECT_NEAR((rl + rr) / 2.0, cx, 1.5);
  EXPECT_NEAR(rt, cy - 1.1 * radius - 3, 2);
  EXPECT_NEAR(rb, cy - radius, 2);
}

}  // namespace
}  // namespace blade
