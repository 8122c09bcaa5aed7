// Printing: a print job is laid out with QTextDocument and painted on the
// default printer (or, in the PDF double, on a PDF file).
#include <QFont>
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <cctype>

#include "foundation/text.h"
#include "platform/linux.h"

namespace zarvane {
namespace {

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

// A Unicode code point as the station's single-byte character ('?' when it has none).
std::string Cp1252Char(int codePoint) {
  if (codePoint < 0) codePoint += 65536;
  if (codePoint <= 0 || codePoint > 0xFFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return "?";
  return FromQt(QString(QChar(static_cast<char16_t>(codePoint))));
}

bool IsSkippedDestination(const std::string& word) {
  static const char* const kWords[] = {
      "fonttbl",    "colortbl",
      "stylesheet", "info",
      "pict",       "header",
      "headerl",    "headerr",
      "headerf",    "footer",
      "footerl",    "footerr",
      "footerf",    "footnote",
      "object",     "fldinst",
      "themedata",  "colorschememapping",
      "datastore",  "latentstyles",
      "listtable",  "listoverridetable",
      "rsidtbl",    "generator",
      "xmlnstbl",   "mmathPr",
      "filetbl",    "revtbl",
  };
  for (const char* w : kWords)
    if (word == w) return true;
  return false;
}

}  // namespace

std::string RtfToPlainText(const std::string& rtf) {
  struct Group {
    bool skip = false;
    int uc = 1;  // fallback characters after a \u escape
  };
  std::vector<Group> groups(1);
  std::string out;
  int fallbackLeft = 0;
  // `fallback`: the character is one of the replacements that follow a \u escape.
  auto put = [&](const std::string& s, bool fallback) {
    if (groups.back().skip) return;
    if (fallback && fallbackLeft > 0) {
      --fallbackLeft;
      return;
    }
    out += s;
  };
  const size_t n = rtf.size();
  size_t i = 0;
  while (i < n) {
    const char c = rtf[i];
    if (c == '{') {
      groups.push_back(groups.back());
      fallbackLeft = 0;
      ++i;
    } else if (c == '}') {
      if (groups.size() > 1) groups.pop_back();
      fallbackLeft = 0;
      ++i;
    } else if (c == '\r' || c == '\n') {
      ++i;  // line breaks in the source mean nothing
    } else if (c != '\\') {
      put(std::string(1, c), true);
      ++i;
    } else if (i + 1 >= n) {
      break;
    } else {
      const char d = rtf[i + 1];
      if (d == '\\' || d == '{' || d == '}') {
        put(std::string(1, d), true);
        i += 2;
      } else if (d == '\'') {
        const std::string hex = rtf.substr(i + 2, 2);
        i += 2 + hex.size();
        if (hex.size() == 2 && std::isxdigit(static_cast<unsigned char>(hex[0])) &&
            std::isxdigit(static_cast<unsigned char>(hex[1])))
          put(std::string(1, static_cast<char>(std::stoi(hex, nullptr, 16))), true);
      } else if (d == '*') {
        groups.back().skip = true;  // an optional destination we do not know
        i += 2;
      } else if (d == '~') {
        put("\xA0", true);
        i += 2;
      } else if (d == '_') {
        put("-", true);
        i += 2;
      } else if (d == '\r' || d == '\n') {
        put("\n", false);
        i += 2;
      } else if (std::isalpha(static_cast<unsigned char>(d))) {
        size_t j = i + 1;
        while (j < n && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
        const std::string word = rtf.substr(i + 1, j - i - 1);
        size_t k = j;
        if (k < n && rtf[k] == '-') ++k;
        while (k < n && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
        const bool hasParam = k > j && !(k == j + 1 && rtf[j] == '-');
        int param = 0;
        if (hasParam) {
          try {
            param = std::stoi(rtf.substr(j, k - j));
          } catch (...) {
            param = 0;
          }
        } else {
          k = j;
        }
        if (k < n && rtf[k] == ' ') ++k;  // the delimiting blank belongs to the word
        i = k;

        if (word == "par" || word == "line" || word == "row" || word == "page" || word == "sect") {
          put("\n", false);
        } else if (word == "tab" || word == "cell") {
          put("\t", false);
        } else if (word == "u" && hasParam) {
          put(Cp1252Char(param), false);
          fallbackLeft = groups.back().uc;
        } else if (word == "uc" && hasParam) {
          groups.back().uc = param;
        } else if (word == "emdash") {
          put("\x97", false);
        } else if (word == "endash") {
          put("\x96", false);
        } else if (word == "lquote") {
          put("\x91", false);
        } else if (word == "rquote") {
          put("\x92", false);
        } else if (word == "ldblquote") {
          put("\x93", false);
        } else if (word == "rdblquote") {
          put("\x94", false);
        } else if (word == "bullet") {
          put("\x95", false);
        } else if (IsSkippedDestination(word)) {
          groups.back().skip = true;
        }
      } else {
        i += 2;  // other control symbols carry no text
      }
    }
  }
  return out;
}

bool RenderPrintJob(QPagedPaintDevice& device, const std::string& title, const std::string& text, bool rich,
                    const std::string& fontName, int fontSize) {
  if (!HaveGuiApplication()) return false;
  // Rich text is printed as its plain text: real RTF layout belongs to the
  // report renderer, which is not part of the platform layer.
  std::string plain = rich ? RtfToPlainText(text) : text;
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
