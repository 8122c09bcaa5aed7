#pragma once
// Reports as Qt text documents, for the report window and the printer: RTF
// shown formatted (datafiles/richtext.h), plain text in the report font, and
// printing page by page inside margins measured from the paper's edges.
//
// Lengths of the formatted document are twips; they become document pixels at
// 15 twips each (96 to the inch), which Qt scales to the device it lays out on.

#include <QFont>
#include <string>

QT_BEGIN_NAMESPACE
class QPrinter;
class QTextDocument;
QT_END_NAMESPACE

namespace zarvane {

struct RichDocument;

// The report font: `family` when it is installed, else the system's
// fixed-pitch font; `points` when above 0, else 10.
QFont ReportFont(const std::string& family, int points);

// Fills `doc` with a report (the station's Windows-1252 text): RTF formatted,
// anything else as plain lines. `font` is the default font: plain text and RTF
// text that names no font or size are shown in it; plain text keeps tab stops
// eight characters apart.
void LoadReport(QTextDocument& doc, const std::string& text, bool rich, const QFont& font);
// Fills `doc` with a formatted document.
void FillDocument(QTextDocument& doc, const RichDocument& rich, const QFont& font);

// Margins in twips, from the paper's edges.
struct PrintMargins {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Prints `doc` on `printer` page by page. The printable area starts at the
// printer's physical offsets, so the text rectangle is the margins less those
// offsets; lines are not split between pages. False when the printer could not
// be opened or reports an error.
bool PrintPages(QPrinter& printer, const QTextDocument& doc, const PrintMargins& margins);

}  // namespace zarvane
