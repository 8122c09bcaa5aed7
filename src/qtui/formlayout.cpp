#include "qtui/formlayout.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionButton>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "foundation/forms.h"
#include "qtui/qttext.h"
#include "qtui/touchstyle.h"

namespace zarvane {

namespace {

// Room a push button's frame and padding take beside its text, and an input
// box's frame above and below its text.
constexpr int kButtonPadding = 20;
constexpr int kButtonPaddingV = 6;
constexpr int kEditPadding = 8;
// A check or option box: the indicator, the gap to the text, the focus frame.
constexpr int kIndicatorRoom = TouchStyle::kIndicatorSize + 6 + 4;
constexpr int kFrameMargin = 6;

bool Drawn(ControlType type) { return type != ControlType::Timer && type != ControlType::Menu; }

// Visible itself and in every frame around it.
bool Showing(const Form& form, const Control& control) {
  const Control* c = &control;
  for (int depth = 0; c && depth < 16; ++depth) {
    if (!c->Visible()) return false;
    if (c->Container().empty()) return true;
    c = const_cast<Form&>(form).Find(c->Container());
  }
  return c != nullptr;
}

int WidestLine(const QFontMetrics& fm, const QString& text) {
  int widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n')))
    widest = std::max(widest, fm.horizontalAdvance(line));
  return widest;
}

bool CaptionFits(const Control& c, const QRect& r, const QFontMetrics& fm) {
  const QString text = ShownCaption(c);
  switch (c.Type()) {
    case ControlType::Label: {
      if (text.trimmed().isEmpty()) return true;
      // A word wider than the label would be cut, not wrapped.
      for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        if (fm.horizontalAdvance(word) > r.width()) return false;
      const QRect needed = fm.boundingRect(QRect(0, 0, r.width(), 1 << 20),
                                           Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
      return needed.height() <= r.height() && needed.width() <= r.width();
    }
    case ControlType::CommandButton: {
      if (text.isEmpty()) return true;
      const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
      return WidestLine(fm, text) + kButtonPadding <= r.width() &&
             lines * fm.lineSpacing() + kButtonPaddingV <= r.height();
    }
    case ControlType::CheckBox:
    case ControlType::OptionButton: {
      // What the style itself asks for the box, its indicator and its text.
      const bool radio = c.Type() == ControlType::OptionButton;
      QStyleOptionButton opt;
      opt.fontMetrics = fm;
      opt.text = text;
      const QSize textSize = fm.boundingRect(QRect(), Qt::TextShowMnemonic, text).size();
      const QSize needed = QApplication::style()->sizeFromContents(radio ? QStyle::CT_RadioButton : QStyle::CT_CheckBox,
                                                                   &opt, textSize, nullptr);
      return std::max(needed.width() + 2, WidestLine(fm, text) + kIndicatorRoom) <= r.width() &&  // 2: rounding
             std::max(fm.height(), TouchStyle::kIndicatorSize) <= r.height();
    }
    case ControlType::Frame:
      return text.isEmpty() || fm.horizontalAdvance(text) + 2 * kButtonPadding <= r.width();
    case ControlType::ComboBox:
    case ControlType::TextBox:
      return fm.height() + kEditPadding <= r.height();
    default:
      return true;
  }
}

}  // namespace

QString StripAccessKeys(const QString& caption) {
  QString out;
  out.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
      ++i;  // "&&" keeps one "&"; "&x" keeps the x
    }
    out += caption[i];
  }
  return out;
}

QRect ControlRect(const Control& c, double scaleX, double scaleY) {
  return QRect(Pixels(c.Left(), scaleX), Pixels(c.Top(), scaleY), std::max(0, Pixels(c.Width(), scaleX)),
               std::max(0, Pixels(c.Height(), scaleY)));
}

QString ShownCaption(const Control& c) {
  if (!IsTranslatedOnRepaint(c.Type())) return {};  // the controls that have captions
  if (c.Type() == ControlType::Frame)
    return c.BorderStyle() == 0 ? QString() : StripAccessKeys(ToQt(c.Caption()));  // no border, no title
  return StripAccessKeys(ToQtLines(c.Caption()));
}

FrameInsets InsetsOf(const Control& frame, const QFont& font) {
  if (frame.BorderStyle() == 0) return {0, 0, 0, 0};  // a plain container: no border to keep clear of
  const QFontMetrics fm(font);
  const int top = ShownCaption(frame).isEmpty() ? kFrameMargin : fm.height() + kFrameMargin;
  return {top, kFrameMargin, kFrameMargin, kFrameMargin};
}

bool CaptionsFit(const Form& form, double scaleX, double scaleY, const QFont& font, std::string* problem) {
  const QFontMetrics fm(font);
  auto fail = [problem](const Control& c, const char* what) {
    if (problem) *problem = c.FullName() + ": " + what;
    return false;
  };
  for (const auto& owned : form.Controls()) {
    const Control& c = *owned;
    if (!Drawn(c.Type()) || !Showing(form, c)) continue;
    const QRect r = ControlRect(c, scaleX, scaleY);
    if (!CaptionFits(c, r, fm)) return fail(c, "caption does not fit");
    if (c.Container().empty()) continue;
    const Control* frame = const_cast<Form&>(form).Find(c.Container());
    if (!frame || frame->Type() != ControlType::Frame) continue;
    const QRect inside = ControlRect(*frame, scaleX, scaleY);
    const FrameInsets in = InsetsOf(*frame, font);
    if (r.top() < in.top || r.left() < in.left || r.x() + r.width() > inside.width() - in.right ||
        r.y() + r.height() > inside.height() - in.bottom)
      return fail(c, "outside its frame's margins");
  }
  return true;
}

double FitScale(const Form& form, const QFont& font) {
  if (CaptionsFit(form, 1.0, 1.0, font)) return 1.0;
  if (!CaptionsFit(form, kMaxFitScale, kMaxFitScale, font)) return kMaxFitScale;
  double lo = 1.0, hi = kMaxFitScale;
  while (hi - lo > 0.005) {
    const double mid = (lo + hi) / 2;
    (CaptionsFit(form, mid, mid, font) ? hi : lo) = mid;
  }
  // Wrapping is not strictly monotonic in the width: step on until it fits.
  while (hi < kMaxFitScale && !CaptionsFit(form, hi, hi, font)) hi += 0.01;
  return hi;
}

std::string LayoutKey(const Form& form) {
  std::string key = std::to_string(form.Width()) + 'x' + std::to_string(form.Height());
  for (const auto& owned : form.Controls()) {
    const Control& c = *owned;
    if (!Drawn(c.Type())) continue;
    key += '\1';
    key += c.Visible() ? '+' : '-';
    key += c.Caption();
    key += '\2' + c.Container() + '\2' + std::to_string(c.Left()) + ',' + std::to_string(c.Top()) + ',' +
           std::to_string(c.Width()) + ',' + std::to_string(c.Height());
  }
  return key;
}

}  // namespace zarvane
