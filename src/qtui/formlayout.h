#pragma once
// How the Qt layer lays out a window model. A model places its controls in
// twips (15 to a pixel at 100%) relative to their frame or the window; the view
// draws that design at a scale. The fit scale is the smallest scale at which
// every visible caption fits its control in the current font (labels wrap at
// word boundaries, other captions stay on their lines) and every control inside
// a frame clears the frame's title and borders; below it something would be
// clipped, so it gives the window's minimum size. Nothing here changes a widget.

#include <QFont>
#include <QRect>
#include <QString>
#include <string>

namespace zarvane {

class Control;
class Form;

constexpr double kTwipsPerPixel = 15.0;

inline int Pixels(int twips, double scale) { return qRound(twips / kTwipsPerPixel * scale); }

// A VB-style label caption as plain text: "&&" is a literal "&", a single "&"
// only marks the access key and is dropped.
QString StripAccessKeys(const QString& caption);

// A control's rectangle in pixels inside its container, at the scales given.
QRect ControlRect(const Control& control, double scaleX, double scaleY);

// The text a captioned control shows: line breaks as "\n", access-key "&"
// markers removed ("&&" shows one "&").
QString ShownCaption(const Control& control);

// Pixels a frame keeps free inside its border: the title band above, a margin
// on the other sides.
struct FrameInsets {
  int top, left, right, bottom;
};
FrameInsets InsetsOf(const Control& frame, const QFont& font);

// Whether every visible control's caption fits at these scales and font, and
// every visible control inside a frame lies within the frame's insets.
// `problem`, when given, receives the first control that does not fit.
bool CaptionsFit(const Form& form, double scaleX, double scaleY, const QFont& font,
                 std::string* problem = nullptr);

// The smallest scale, at least 1, at which CaptionsFit holds for `font` (at most
// kMaxFitScale, where it gives up).
double FitScale(const Form& form, const QFont& font);
constexpr double kMaxFitScale = 4.0;

// A key that changes whenever something FitScale depends on changes (captions,
// visibility, positions, containers).
std::string LayoutKey(const Form& form);

}  // namespace zarvane
