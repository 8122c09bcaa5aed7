#pragma once
// Reads back what a PDF file shows: its words with their boxes (in points from
// the page's top left), page by page, through poppler's pdftotext.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace zarvane::testing {

struct PdfWord {
  int page = 0;  // from 1
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::string text;
};

struct PdfText {
  int pages = 0;
  double width = 0, height = 0;  // of the first page
  std::vector<PdfWord> words;

  std::vector<std::string> Words(int page) const {
    std::vector<std::string> out;
    for (const PdfWord& w : words)
      if (w.page == page) out.push_back(w.text);
    return out;
  }
  bool Has(const std::string& text) const {
    for (const PdfWord& w : words)
      if (w.text == text) return true;
    return false;
  }
};

inline std::string Unescape(std::string s) {
  for (const auto& [from, to] : {std::pair{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}})
    for (size_t p; (p = s.find(from)) != std::string::npos;) s.replace(p, std::string(from).size(), to);
  return s;
}

inline PdfText ReadPdf(const std::string& path) {
  PdfText pdf;
  std::string out;
  if (FILE* pipe = popen(("pdftotext -bbox '" + path + "' - 2>/dev/null").c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    pclose(pipe);
  }
  EXPECT_FALSE(out.empty()) << "pdftotext (poppler-utils) could not read " << path;
  static const std::regex page(R"re(<page width="([0-9.]+)" height="([0-9.]+)">)re");
  static const std::regex word(
      R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
  size_t at = 0;
  std::vector<size_t> starts;
  for (auto it = std::sregex_iterator(out.begin(), out.end(), page); it != std::sregex_iterator(); ++it) {
    if (starts.empty()) {
      pdf.width = std::stod((*it)[1]);
      pdf.height = std::stod((*it)[2]);
    }
    starts.push_back(static_cast<size_t>(it->position()));
  }
  pdf.pages = static_cast<int>(starts.size());
  for (auto it = std::sregex_iterator(out.begin(), out.end(), word); it != std::sregex_iterator(); ++it) {
    const size_t pos = static_cast<size_t>(it->position());
    while (at < starts.size() && starts[at] < pos) ++at;
    pdf.words.push_back({static_cast<int>(at), std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]),
                         std::stod((*it)[4]), Unescape((*it)[5])});
  }
  return pdf;
}

// The process's QGuiApplication on the offscreen platform, made once; null
// when another test already made a plain QCoreApplication.
inline QGuiApplication* EnsureGuiApp() {
  static int argc = 1;
  static char name[] = "zarvane_unit_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance()) return qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  qputenv("QT_QPA_PLATFORM", "offscreen");
  return new QGuiApplication(argc, argv);
}

}  // namespace zarvane::testing
