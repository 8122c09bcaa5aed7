#pragma once
// Whether a drawn window shows every caption whole, measured with Qt's own
// measures of its widgets.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <string>
#include <vector>

#include "foundation/forms.h"
#include "foundation/text.h"
#include "qtui/qttext.h"
#include "qtui/touchstyle.h"

namespace zarvane {

// A caption as Qt shows it in a label: "&&" is "&", a lone "&" marks a key.
inline QString LabelText(const std::string& caption) {
  QString text = QString::fromUtf8(Cp1252ToUtf8(caption));
  text.replace(QLatin1String("&&"), QString(QChar(1)));
  text.remove(QLatin1Char('&'));
  text.replace(QChar(1), QLatin1Char('&'));
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text;
}

// Every problem found in a window: a drawn text that is not the model's
// caption, or one Qt would clip.
inline std::vector<std::string> ClippedCaptions(QWidget* view, Form& form) {
  std::vector<std::string> problems;
  auto problem = [&](const Control& c, const std::string& what) {
    problems.push_back(form.Name() + "." + c.FullName() + ": " + what);
  };
  for (const auto& owned : form.Controls()) {
    const Control& c = *owned;
    auto* w = view->findChild<QWidget*>(QString::fromStdString(c.FullName()));
    if (!w || !w->isVisibleTo(view)) continue;
    const QFontMetrics fm = w->fontMetrics();
    if (!w->parentWidget()->rect().contains(w->geometry())) problem(c, "sticks out of its frame");
    if (auto* label = qobject_cast<QLabel*>(w); label && c.Type() == ControlType::Label) {
      if (label->text() != LabelText(c.Caption())) problem(c, "shows " + label->text().toStdString());
      if (label->heightForWidth(label->width()) > label->height()) problem(c, "lines cut off");
      for (const QString& word : label->text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        if (fm.horizontalAdvance(word) > label->width()) problem(c, "word cut: " + word.toStdString());
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
      QStyleOptionButton opt;
      opt.initFrom(button);
      opt.text = button->text();
      const QRect inside = button->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, button);
      if (fm.horizontalAdvance(LabelText(FromQt(button->text()))) > inside.width() ||
          fm.height() > inside.height())
        problem(c, "text wider or higher than the button");
      if (button->height() < TouchStyle::kTouchSize) problem(c, "button too small to touch");
    } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
      if (w->sizeHint().width() > w->width() || w->sizeHint().height() > w->height())
        problem(c, "text cut (needs " + std::to_string(w->sizeHint().width()) + "x" +
                       std::to_string(w->sizeHint().height()) + ", has " + std::to_string(w->width()) + "x" +
                       std::to_string(w->height()) + ")");
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
      const std::string shown = c.BorderStyle() == 0 ? std::string() : c.Caption();  // a plain container has none
      if (box->title() != QString::fromUtf8(Cp1252ToUtf8(shown))) problem(c, "title differs");
      QStyleOptionGroupBox opt;
      opt.initFrom(box);
      opt.text = box->title();
      opt.lineWidth = 1;
      opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
      const QRect title = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
      if (title.x() + fm.horizontalAdvance(LabelText(shown)) > box->width()) problem(c, "title cut");
      for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!shown.empty() && child->isVisibleTo(view) && child->y() < title.bottom())
          problem(c, child->objectName().toStdString() + " overlaps the title");
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      if (combo->height() < TouchStyle::kTouchSize) problem(c, "list too small to touch");
    }
  }
  return problems;
}

}  // namespace zarvane
