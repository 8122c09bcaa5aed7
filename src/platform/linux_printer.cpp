// Printing: a print job becomes a report document (formatted RTF or plain
// text) printed page by page on the default printer, or on a PDF file in the
// PDF double.
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

#include "platform/linux.h"
#include "platform/reportdocument.h"

namespace zarvane {
namespace {

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

}  // namespace

bool RenderPrintJob(QPrinter& printer, const PrintJob& job) {
  if (!HaveGuiApplication()) return false;
  printer.setDocName(ToQt(job.title));
  QTextDocument document;
  document.setMetaInformation(QTextDocument::DocumentTitle, ToQt(job.title));
  LoadReport(document, job.text, job.rich, ReportFont(job.fontName, job.fontSize));
  return PrintPages(printer, document, {job.left, job.top, job.right, job.bottom});
}

bool QtPrinter::Installed() { return !QPrinterInfo::availablePrinters().isEmpty(); }

bool QtPrinter::Print(const PrintJob& job) {
  if (!HaveGuiApplication()) return false;
  QPrinter printer(QPrinter::HighResolution);  // the default printer
  if (!printer.isValid()) return false;
  return RenderPrintJob(printer, job);
}

}  // namespace zarvane
