#include "qtui/qtoperator.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QtDebug>

#include "qtui/formhost.h"
#include "qtui/qttext.h"

namespace zarvane {

namespace {

QWidget* DialogParent() { return QApplication::activeWindow(); }

QMessageBox::StandardButton Ask(QMessageBox::Icon icon, const std::string& text,
                                const std::string& title, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, ToQt(title), ToQtLines(text), buttons, DialogParent());
  box.setDefaultButton(defaultButton);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

// The patterns of one filter entry, Qt style: blank-separated, "*.*" as "*".
QStringList Patterns(const QString& text) {
  QStringList patterns;
  for (QString pattern : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    pattern = pattern.trimmed();
    if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    if (!pattern.isEmpty() && !patterns.contains(pattern)) patterns << pattern;
  }
  return patterns;
}

// The description without the pattern list it usually repeats in parentheses.
QString Description(QString text) {
  text = text.trimmed();
  const qsizetype open = text.lastIndexOf(QLatin1Char('('));
  if (open >= 0 && text.endsWith(QLatin1Char(')'))) text = text.left(open).trimmed();
  return text;
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = ToQt(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    if (i + 1 >= parts.size()) {
      // A description without its patterns: Qt reads a parenthesised list itself.
      if (!parts[i].trimmed().isEmpty()) entries << parts[i].trimmed();
      break;
    }
    const QStringList patterns = Patterns(parts[i + 1]);
    if (patterns.isEmpty()) continue;
    const QString description = Description(parts[i]);
    const QString list = patterns.join(QLatin1Char(' '));
    entries << (description.isEmpty() ? list : description + QStringLiteral(" (") + list + QLatin1Char(')'));
  }
  return entries.join(QStringLiteral(";;"));
}

void QtOperator::Message(const std::string& text, const std::string& title) {
  Ask(QMessageBox::Information, text, title, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtOperator::OkCancel(const std::string& text, const std::string& title) {
  return Ask(QMessageBox::Question, text, title, QMessageBox::Ok | QMessageBox::Cancel,
             QMessageBox::Ok) == QMessageBox::Ok;
}

bool QtOperator::YesNo(const std::string& text, const std::string& title) {
  return Ask(QMessageBox::Question, text, title, QMessageBox::Yes | QMessageBox::No,
             QMessageBox::Yes) == QMessageBox::Yes;
}

std::string QtOperator::InputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) {
  bool ok = false;
  const QString text = QInputDialog::getText(DialogParent(), ToQt(title), ToQtLines(prompt),
                                             QLineEdit::Normal, ToQt(defaultText), &ok);
  return ok ? FromQt(text) : std::string();
}

std::string QtOperator::OpenFile(const std::string& title, const std::string& filter,
                                 const std::string& initialDir, const std::string& initialFile) {
  QString start = ToQt(initialDir);
  if (!initialFile.empty()) start = QDir(start).filePath(ToQt(initialFile));
  return FromQt(QFileDialog::getOpenFileName(DialogParent(), ToQt(title), start, QtFileFilter(filter)));
}

std::string QtOperator::ChooseDirectory(const std::string& caption, const std::string& startDir) {
  return FromQt(QFileDialog::getExistingDirectory(DialogParent(), ToQt(caption), ToQt(startDir)));
}

// The splash and progress forms hold the texts; during synchronous start-up work
// Qt gets to draw them here.
void QtOperator::Repaint() {
  if (host_) host_->SyncAll();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtOperator::Status(const std::string&) { Repaint(); }

void QtOperator::Progress(const std::string&, const std::string&, int, bool) { Repaint(); }

void QtOperator::Note(const std::string& kind, const std::string& text) {
  qInfo().noquote() << ToQt(kind) + QStringLiteral(": ") + ToQt(text);
}

}  // namespace zarvane
