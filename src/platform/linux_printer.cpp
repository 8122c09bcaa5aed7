// Printing: a print job is laid out with QTextDocument and painted on the
// default printer (or, in the PDF double, on a PDF file).
#include <QFont>
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

#include "datafiles/rtf.h"
#include "foundation/text.h"
#include "platform/linux.h"

namespace zarvane {
namespace {

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

}  // namespace

bool RenderPrintJob(QPagedPaintDevice& device, const std::string& title, const std::string& text, bool rich,
                    const std::string& fontName, int fontSize) {
  if (!HaveGuiApplication()) return false;
  // Rich text is printed as its plain text: real RTF layout belongs to the
  // report renderer, which is not part of the platform layer.
  std::string plain = rich ? RtfToText(text) : text;
  std::string body;
  body.reserve(plain.size());
  for (char c : plain)
    if (c != '\r') body += c;
  QTextDocument document;
  QFont font;
  if (!Trim(fontName).empty()) font.setFamily(ToQt(Trim(fontName)));
  font.setPointSize(fontSize > 0 ? fontSize : 10);
  document.setDefaultFont(font);
  document.setMetaInformation(QTextDocument::DocumentTitle, ToQt(title));
  document.setPlainText(ToQt(body));
  document.print(&device);
  return true;
}

bool QtPrinter::Installed() { return !QPrinterInfo::availablePrinters().isEmpty(); }

bool QtPrinter::Print(const std::string& title, const std::string& text, bool rich,
                      const std::string& fontName, int fontSize) {
  if (!HaveGuiApplication()) return false;
  QPrinter printer(QPrinter::HighResolution);  // the default printer
  if (!printer.isValid()) return false;
  printer.setDocName(ToQt(title));
  if (!RenderPrintJob(printer, title, text, rich, fontName, fontSize)) return false;
  return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

}  // namespace zarvane
