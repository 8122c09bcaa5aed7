// Laying out and drawing a section's picture.
#include "analysis/plot.h"

#include <algorithm>
#include <cmath>

#include "analysis/font.h"
#include "analysis/png.h"
#include "analysis/raster.h"

namespace blade {
namespace {

enum Colour : std::uint8_t { kWhite, kBlack, kGreen, kRed };
const std::vector<Rgb> kPalette = {{255, 255, 255}, {0, 0, 0}, {0, 150, 0}, {220, 0, 0}};

constexpr int kMargin = 12, kScale = 2, kLine = kGlyphHeight * kScale, kDot = 3, kInset = kDot + 1;

struct Box {
  double left = 0, right = 0, bottom = 0, top = 0;
  void Add(Pt p) {
    left = std::min(left, p.x), right = std::max(right, p.x);
    bottom = std::min(bottom, p.y), top = std::max(top, p.y);
  }
};

}  // namespace

long long Magnification(double largestDeviation, double extent) {
  const double target = 0.08 * extent / largestDeviation;
  if (!(largestDeviation > 0) || !std::isfinite(target) || target < 1) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(std::min(target, 1e12))));
  const double leading = target / power;
  return std::llround((leading >= 5 ? 5 : leading >= 2 ? 2 : 1) * power);
}

SectionPlot PlotSection(const SectionResult& r) {
  SectionPlot plot;
  if (r.nominal.size() < 2 || r.nearest.size() != r.compensated.size() || r.deviations.size() != r.compensated.size())
    return plot;
  Box box{r.nominal[0].x, r.nominal[0].x, r.nominal[0].y, r.nominal[0].y};
  for (const Pt& p : r.nominal) box.Add(p);
  double largest = 0;
  for (double d : r.deviations) largest = std::max(largest, std::abs(d));
  plot.magnification = Magnification(largest, std::max(box.right - box.left, box.top - box.bottom));
  // Where each point is drawn: its nearest nominal point, moved along the
  // deviation by the magnified amount.
  std::vector<Pt> shown;
  for (std::size_t k = 0; k < r.compensated.size(); ++k) {
    const Pt q = r.nearest[k], p{r.compensated[k].x, r.compensated[k].y};
    shown.push_back({q.x + (p.x - q.x) * plot.magnification, q.y + (p.y - q.y) * plot.magnification});
    box.Add(shown.back());
  }

  Raster raster(kPlotWidth, kPlotHeight, kWhite);
  // Caption: the section, then the magnification.
  int top = kMargin;
  raster.Text(kMargin, top, "SECTION " + r.name, kBlack, kScale);
  top += kLine + kMargin / 2;
  raster.Text(kMargin, top, "DEVIATIONS MAGNIFIED " + std::to_string(plot.magnification) + " X", kBlack, kScale);
  top += kLine + kMargin;
  // Legend along the bottom.
  const int legendTop = kPlotHeight - kMargin - kLine;
  const int mid = legendTop + kLine / 2;
  int x = kMargin;
  raster.Line(x, mid, x + 20, mid, kBlack, 2);
  raster.Text(x += 28, legendTop, "NOMINAL", kBlack, kScale);
  x += Raster::TextWidth("NOMINAL", kScale) + 2 * kMargin;
  for (const auto& [colour, text] : {std::pair{kGreen, "IN TOL"}, std::pair{kRed, "OUT OF TOL"}}) {
    raster.Disc(x + kDot, mid, kDot, colour);
    raster.Text(x += 2 * kDot + 8, legendTop, text, kBlack, kScale);
    x += Raster::TextWidth(text, kScale) + 2 * kMargin;
  }

  // The drawing between caption and legend, the dots' centres inset by more
  // than their radius; one scale for both axes.
  plot.drawingTop = top;
  plot.drawingBottom = legendTop - kMargin;
  const double areaLeft = kMargin + kInset, areaTop = top + kInset, areaWidth = kPlotWidth - 2 * (kMargin + kInset);
  const double areaHeight = plot.drawingBottom - top - 2 * kInset;
  const double width = box.right - box.left, height = box.top - box.bottom;
  double scale = std::min(width > 0 ? areaWidth / width : INFINITY, height > 0 ? areaHeight / height : INFINITY);
  if (!std::isfinite(scale)) scale = 1;
  const double cx = (box.left + box.right) / 2, cy = (box.bottom + box.top) / 2;
  const auto px = [&](Pt p) {
    return Pt{areaLeft + areaWidth / 2 + (p.x - cx) * scale, areaTop + areaHeight / 2 - (p.y - cy) * scale};
  };

  for (std::size_t k = 0; k < r.nominal.size(); ++k) {
    const Pt a = px(r.nominal[k]), b = px(r.nominal[(k + 1) % r.nominal.size()]);
    raster.Line(a.x, a.y, b.x, b.y, kBlack, 2);
  }
  // Points in tolerance first, so that those outside stay on top.
  for (const bool out : {false, true})
    for (std::size_t k = 0; k < shown.size(); ++k) {
      if ((k < r.outside.size() && r.outside[k]) != out) continue;
      const Colour colour = out ? kRed : kGreen;
      const Pt a = px(r.nearest[k]), b = px(shown[k]);
      raster.Line(a.x, a.y, b.x, b.y, colour);
      raster.Disc(b.x, b.y, kDot, colour);
    }

  plot.png = EncodePng(raster.Width(), raster.Height(), raster.Pixels(), kPalette);
  plot.width = raster.Width();
  plot.height = raster.Height();
  return plot;
}

}  // namespace blade
