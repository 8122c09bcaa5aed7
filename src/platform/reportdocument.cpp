// Reports as Qt text documents, and printing them page by page.
#include "platform/reportdocument.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <memory>

#include "datafiles/richtext.h"
#include "platform/linux.h"

namespace zarvane {
namespace {

constexpr double kTwipsPerPixel = 15.0;

double Px(int twips) { return twips / kTwipsPerPixel; }

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The family of a fixed-pitch font the machine has: the system's, the one
// "monospace" resolves to, or the first installed fixed-pitch family.
QString FixedFamily() {
  static const QString family = [] {
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontInfo(system).fixedPitch()) return QFontInfo(system).family();
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    if (QFontInfo(mono).fixedPitch()) return QFontInfo(mono).family();
    for (const QString& f : QFontDatabase::families())
      if (QFontDatabase::isFixedPitch(f)) return f;
    return system.family();
  }();
  return family;
}

QTextCharFormat CharFormat(const RichCharFormat& f) {
  QTextCharFormat format;
  if (!f.family.empty()) {
    const QString family = Utf8(f.family);
    // A fixed-pitch font the machine lacks becomes the system's fixed-pitch
    // font, so columns stay columns; other fonts are left to substitution.
    if (f.fixedPitch && !QFontDatabase::hasFamily(family))
      format.setFontFamilies({FixedFamily()});
    else
      format.setFontFamilies({family});
    format.setFontFixedPitch(f.fixedPitch);
  }
  if (f.points > 0) format.setFontPointSize(f.points);
  if (f.bold) format.setFontWeight(QFont::Bold);
  if (f.italic) format.setFontItalic(true);
  if (f.underline) format.setFontUnderline(true);
  if (f.strike) format.setFontStrikeOut(true);
  if (f.vertical != 0)
    format.setVerticalAlignment(f.vertical > 0 ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript);
  if (f.color) format.setForeground(QColor(f.color->red, f.color->green, f.color->blue));
  if (f.background) format.setBackground(QColor(f.background->red, f.background->green, f.background->blue));
  return format;
}

QTextBlockFormat BlockFormat(const RichParagraph& p) {
  QTextBlockFormat format;
  switch (p.align) {
    case RichAlign::Left: format.setAlignment(Qt::AlignLeft); break;
    case RichAlign::Right: format.setAlignment(Qt::AlignRight); break;
    case RichAlign::Center: format.setAlignment(Qt::AlignHCenter); break;
    case RichAlign::Justify: format.setAlignment(Qt::AlignJustify); break;
  }
  format.setLeftMargin(Px(std::max(0, p.leftIndent)));
  format.setRightMargin(Px(std::max(0, p.rightIndent)));
  format.setTextIndent(Px(p.firstIndent));
  format.setTopMargin(Px(p.spaceBefore));
  format.setBottomMargin(Px(p.spaceAfter));
  if (!p.tabs.empty()) {
    QList<QTextOption::Tab> tabs;
    for (const RichTab& t : p.tabs) {
      QTextOption::Tab tab;
      tab.position = Px(t.position);
      switch (t.kind) {
        case RichTab::Kind::Left: tab.type = QTextOption::LeftTab; break;
        case RichTab::Kind::Right: tab.type = QTextOption::RightTab; break;
        case RichTab::Kind::Center: tab.type = QTextOption::CenterTab; break;
        case RichTab::Kind::Decimal:
          tab.type = QTextOption::DelimiterTab;
          tab.delimiter = QLatin1Char('.');
          break;
      }
      tabs << tab;
    }
    format.setTabPositions(tabs);
  }
  if (p.pageBreakBefore) format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  return format;
}

class Builder {
 public:
  explicit Builder(QTextDocument& doc) : doc_(doc), cursor_(&doc) {}

  void Add(const RichBlock& block) {
    if (const auto* p = std::get_if<RichParagraph>(&block)) {
      Paragraph(cursor_, *p, fresh_);
      fresh_ = false;
    } else {
      Table(std::get<RichTable>(block));
      fresh_ = true;
    }
  }

 private:
  // `fresh`: the cursor's block is empty and unused, so the paragraph takes it.
  void Paragraph(QTextCursor& cursor, const RichParagraph& p, bool fresh) {
    if (fresh) cursor.setBlockFormat(BlockFormat(p));
    else cursor.insertBlock(BlockFormat(p), QTextCharFormat());
    for (const RichSpan& span : p.spans) {
      if (span.picture) {
        Picture(cursor, *span.picture);
        continue;
      }
      QString text = Utf8(span.text);
      text.replace(QLatin1Char('\n'), QChar::LineSeparator);
      cursor.insertText(text, CharFormat(span.format));
    }
  }

  void Picture(QTextCursor& cursor, const RichPicture& picture) {
    const char* format = picture.kind == RichPicture::Kind::Png    ? "PNG"
                         : picture.kind == RichPicture::Kind::Jpeg ? "JPG"
                                                                   : "BMP";
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(picture.data.data()),
                            static_cast<int>(picture.data.size()), format))
      return;
    const QString name = QStringLiteral("zarvane-picture:%1").arg(++pictures_);
    doc_.addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat f;
    f.setName(name);
    if (picture.widthTwips > 0) f.setWidth(Px(picture.widthTwips));
    if (picture.heightTwips > 0) f.setHeight(Px(picture.heightTwips));
    cursor.insertImage(f);
  }

  void Table(const RichTable& t) {
    int columns = 0;
    const RichRow* widest = nullptr;
    for (const RichRow& row : t.rows)
      if (static_cast<int>(row.cells.size()) > columns) {
        columns = static_cast<int>(row.cells.size());
        widest = &row;
      }
    if (columns == 0) return;
    QTextTableFormat format;
    QList<QTextLength> widths;
    int left = widest->left;
    for (const RichCell& cell : widest->cells) {
      widths << QTextLength(QTextLength::FixedLength, std::max(1.0, Px(cell.right - left)));
      left = cell.right;
    }
    format.setColumnWidthConstraints(widths);
    format.setCellSpacing(0);
    format.setCellPadding(Px(widest->gap));
    format.setBorderCollapse(true);
    format.setBorder(widest->borders ? 1 : 0);
    format.setBorderStyle(widest->borders ? QTextFrameFormat::BorderStyle_Solid : QTextFrameFormat::BorderStyle_None);
    format.setLeftMargin(Px(std::max(0, widest->left + widest->gap)));
    format.setAlignment(Qt::AlignLeft);
    QTextTable* table = cursor_.insertTable(static_cast<int>(t.rows.size()), columns, format);
    for (int r = 0; r < static_cast<int>(t.rows.size()); ++r) {
      const RichRow& row = t.rows[r];
      for (int c = 0; c < static_cast<int>(row.cells.size()); ++c) {
        QTextTableCell cell = table->cellAt(r, c);
        if (row.cells[c].shading) {
          QTextCharFormat shade = cell.format();
          const RichColor& s = *row.cells[c].shading;
          shade.setBackground(QColor(s.red, s.green, s.blue));
          cell.setFormat(shade);
        }
        QTextCursor in = cell.firstCursorPosition();
        bool fresh = true;
        for (const RichParagraph& p : row.cells[c].paragraphs) {
          Paragraph(in, p, fresh);
          fresh = false;
        }
      }
    }
    cursor_.movePosition(QTextCursor::End);
  }

  QTextDocument& doc_;
  QTextCursor cursor_;
  bool fresh_ = true;
  int pictures_ = 0;
};

}  // namespace

QFont ReportFont(const std::string& family, int points) {
  const QString name = ToQt(family).trimmed();
  QFont font(!name.isEmpty() && QFontDatabase::hasFamily(name) ? name : FixedFamily());
  font.setPointSize(points > 0 ? points : 10);
  return font;
}

void FillDocument(QTextDocument& doc, const RichDocument& rich, const QFont& font) {
  doc.clear();
  doc.setDefaultFont(font);
  doc.setDocumentMargin(4);
  Builder builder(doc);
  for (const RichBlock& block : rich.blocks) builder.Add(block);
}

void LoadReport(QTextDocument& doc, const std::string& text, bool rich, const QFont& font) {
  if (rich) {
    FillDocument(doc, RtfToRich(text), font);
    return;
  }
  doc.clear();
  doc.setDefaultFont(font);
  doc.setDocumentMargin(4);
  QTextOption option = doc.defaultTextOption();
  option.setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
  doc.setDefaultTextOption(option);
  QString plain = ToQt(text);
  plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (plain.endsWith(QLatin1Char('\n'))) plain.chop(1);
  doc.setPlainText(plain);
}

bool PrintPages(QPrinter& printer, const QTextDocument& source, const PrintMargins& m) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // Device pixels; the painter's origin is the corner of the printable area.
  const double dpiX = printer.logicalDpiX(), dpiY = printer.logicalDpiY();
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
  const double offsetX = printable.left() - paper.left(), offsetY = printable.top() - paper.top();
  const QRectF area(QPointF(m.left * dpiX / 1440 - offsetX, m.top * dpiY / 1440 - offsetY),
                    QPointF(paper.width() - m.right * dpiX / 1440 - offsetX,
                            paper.height() - m.bottom * dpiY / 1440 - offsetY));
  if (area.width() <= 0 || area.height() <= 0) {
    painter.end();
    return false;
  }
  // Laid out again on the printer, one page the size of the text rectangle.
  std::unique_ptr<QTextDocument> doc(source.clone());
  doc->documentLayout()->setPaintDevice(&printer);
  doc->setDocumentMargin(0);
  doc->setPageSize(area.size());
  const int pages = doc->pageCount();
  for (int page = 0; page < pages; ++page) {
    if (page > 0 && !printer.newPage()) {
      painter.end();
      return false;
    }
    const QRectF view(0, page * area.height(), area.width(), area.height());
    painter.save();
    painter.translate(area.left(), area.top() - view.top());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    // A line the layout moved to the next page starts at the page's edge, give
    // or take rounding: it is that page's, not drawn clipped on this one too.
    context.clip = view.adjusted(0, 1, 0, -1);
    context.palette.setColor(QPalette::Text, Qt::black);
    doc->documentLayout()->draw(&painter, context);
    painter.restore();
  }
  painter.end();
  return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

}  // namespace zarvane
