#include "qtui/touchstyle.h"

#include <QApplication>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <algorithm>

namespace zarvane {

TouchStyle::TouchStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int TouchStyle::RowHeight(int fontHeight) { return std::max(kTouchSize, fontHeight + 12); }

int TouchStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  const int base = QProxyStyle::pixelMetric(metric, option, widget);
  switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
      return std::max(base, kIndicatorSize);
    case PM_ScrollBarExtent:
      return std::max(base, 20);
    default:
      return base;
  }
}

QSize TouchStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const {
  QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
  switch (type) {
    case CT_MenuItem:
      if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
          item && item->menuItemType == QStyleOptionMenuItem::Separator)
        break;
      s.setHeight(std::max(s.height(), RowHeight(option ? option->fontMetrics.height() : 0)));
      break;
    case CT_MenuBarItem:
    case CT_ItemViewItem:
    case CT_PushButton:
    case CT_ComboBox:
      s.setHeight(std::max(s.height(), kTouchSize));
      break;
    default:
      break;
  }
  return s;
}

QRect TouchStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                 const QWidget* widget) const {
  if (control != CC_ComboBox || !option || (sub != SC_ComboBoxArrow && sub != SC_ComboBoxEditField))
    return QProxyStyle::subControlRect(control, option, sub, widget);
  // The arrow is a square as high as the box (at least a finger wide), never
  // more than a third of the box; the edit field takes the rest.
  const QRect r = option->rect;
  const int arrow = std::min(std::max(r.height(), kTouchSize), r.width() / 3);
  const QRect arrowRect(r.right() - arrow + 1, r.top(), arrow, r.height());
  if (sub == SC_ComboBoxArrow) return visualRect(option->direction, r, arrowRect);
  const int frame = 3;
  const QRect field(r.left() + frame, r.top() + frame, r.width() - arrow - 2 * frame, r.height() - 2 * frame);
  return visualRect(option->direction, r, field);
}

void InstallTouchStyle() { QApplication::setStyle(new TouchStyle); }

}  // namespace zarvane
