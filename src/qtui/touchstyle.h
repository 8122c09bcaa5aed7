#pragma once
// The station's look: Qt's Fusion style with targets a gloved finger can hit.
// Buttons, combo boxes, list and menu rows are at least kTouchSize pixels high
// (more when the text needs it), a combo box's arrow is a square button as high
// as the box, and check and option indicators are large enough to aim at.

#include <QProxyStyle>
#include <algorithm>
#include <QStyledItemDelegate>

namespace zarvane {

class TouchStyle : public QProxyStyle {
 public:
  TouchStyle();

  static constexpr int kTouchSize = 32;      // minimum height of a target, pixels
  static constexpr int kIndicatorSize = 20;  // check and option boxes

  // The row height of list and drop-down rows for a font of this height.
  static int RowHeight(int fontHeight);

  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override;
};

// Rows of lists and drop-down lists as high as a finger needs.
class TouchDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), TouchStyle::RowHeight(option.fontMetrics.height())));
    return size;
  }
};

// Makes TouchStyle the application's style (a QApplication must exist).
void InstallTouchStyle();

}  // namespace zarvane
