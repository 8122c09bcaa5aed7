// The picture of a section in the rich-text report: the nominal contour, the
// measured points with their deviations magnified, and a caption.
#pragma once

#include <string>

#include "analysis/analyse.h"

namespace blade {

struct SectionPlot {
  std::string png;            // empty when the section has nothing to draw
  int width = 0, height = 0;  // pixels
  long long magnification = 1;
  int drawingTop = 0, drawingBottom = 0;  // the rows between caption and legend
};

constexpr int kPlotWidth = 480, kPlotHeight = 360;

// The nominal contour as a closed black line; each measured point as a dot at
// its nearest nominal point moved along its deviation, magnified, with a
// whisker from that nominal point: red when outside the profile band, else
// green. Both axes at one scale, y up. Caption: "SECTION <name>" and
// "DEVIATIONS MAGNIFIED <n> X" on two lines; a legend below.
SectionPlot PlotSection(const SectionResult& r);

// The magnification that draws the largest deviation at most about 8 % of
// `extent`: 1, 2 or 5 times a power of ten, never below 1.
long long Magnification(double largestDeviation, double extent);

}  // namespace blade
