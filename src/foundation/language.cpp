// The language table Lang.ini: English text to the text of the current language.
#include <algorithm>

#include "foundation/boundedlines.h"
#include "foundation/core.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {

// Lang.ini holds one entry per line with tab-separated fields, so a text the
// station appends that holds a tab, CR or LF has them written as ESC t, ESC r,
// ESC n, and an ESC of its own as ESC ESC. ESC is a control character no text
// editor types, so a table made by hand never holds one by accident and reads
// back exactly as written, backslashes and all.
namespace {
constexpr char kEsc = '\x1B';
}  // namespace

std::string Core::EscapeLangField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\t') out += {kEsc, 't'};
    else if (c == '\r') out += {kEsc, 'r'};
    else if (c == '\n') out += {kEsc, 'n'};
    else if (c == kEsc) out += {kEsc, kEsc};
    else out += c;
  }
  return out;
}

std::string Core::UnescapeLangField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == kEsc && i + 1 < text.size()) {
      const char n = text[i + 1];
      const char plain = n == 't' ? '\t' : n == 'r' ? '\r' : n == 'n' ? '\n' : n == kEsc ? kEsc : '\0';
      if (plain != '\0') {
        out += plain;
        ++i;
        continue;
      }
    }
    out += c;  // an ESC before anything else stays as written
  }
  return out;
}

void Core::loadLanguage(int language) {
  languageLoaded_ = false;
  WriteLog("loadLanguage: Start: Language:" + std::to_string(language), 9);
  langTable_.clear();
  englishOf_.clear();
  const std::string path = HomeFile("Lang.ini");
  if (!FileExists(path, true)) return;
  BoundedLines lines(path);
  if (!lines.IsOpen()) return;
  std::string line;
  while (lines.Next(line)) {
    if (line.find('\t') == std::string::npos || IsComment(line)) continue;
    Texts fields;
    size_t start = 0;
    while (true) {
      const size_t tab = line.find('\t', start);
      fields.push_back(UnescapeLangField(Trim(line.substr(start, tab == std::string::npos ? tab : tab - start))));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (fields.size() < 2 || fields[1].empty()) continue;
    const std::string& english = fields[1];
    const std::string value =
        language >= 0 && static_cast<size_t>(language) < fields.size() ? fields[language] : english;
    if (!langTable_.emplace(LCase(english), value).second) {
      WriteLog(ErrorText({kErrKeyExists, "This key is already associated with an element of this collection"}) +
                   " Lang.ini: " + english,
               9);
    } else if (!value.empty() && LCase(value) != LCase(english)) {
      englishOf_.emplace(LCase(value), english);  // two texts with one translation: the first
    }
  }
  languageLoaded_ = true;
  gLanguage = language;
  TellLongLines(path, lines);  // told in the language just loaded
}

std::string Core::Translate(const std::string& text) {
  std::string withoutTabs;
  for (char c : text)
    if (c != '\t') withoutTabs += c;
  if (Trim(withoutTabs).empty()) return {};
  // The table's fields lose their surrounding blanks when read: a text with
  // blanks around it is the table's text with the same blanks around.
  const size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
  if (first != 0 || last + 1 != text.size())
    return text.substr(0, first) + Translate(text.substr(first, last + 1 - first)) + text.substr(last + 1);
  const std::string key = LCase(text);
  auto it = langTable_.find(key);
  if (it == langTable_.end()) {
    if (!languageLoaded_) return text;
    if (!languageReadOnly_) {
      const std::string field = EscapeLangField(text);
      AppendLine(HomeFile("Lang.ini"), "NEW\t" + Join(Texts(5, field), "\t"));  // errors are ignored
    }
    it = langTable_.emplace(key, text).first;  // appended once per run
  }
  return it->second.empty() ? text : it->second;
}

std::string Core::EnglishOf(const std::string& text) const {
  const std::string key = LCase(text);
  if (langTable_.count(key)) return text;
  const auto it = englishOf_.find(key);
  return it == englishOf_.end() ? text : it->second;
}

void Core::TranslateCaptions(Form& form, const std::string& logPrefix, const std::vector<std::string>& skipNames) {
  for (const auto& control : form.Controls()) {
    if (!IsTranslatedOnRepaint(control->Type())) continue;
    if (std::find(skipNames.begin(), skipNames.end(), control->Name()) != skipNames.end()) continue;
    if (const std::string english = EnglishOf(control->SourceCaption()); english != control->SourceCaption())
      control->SetCaption(english);
    if (const std::string english = EnglishOf(control->SourceToolTip()); english != control->SourceToolTip())
      control->SetToolTip(english);
    control->ShowTranslatedCaption(Translate(control->SourceCaption()));
    control->ShowTranslatedToolTip(Translate(control->SourceToolTip()));
    WriteLog(logPrefix + control->FullName(), 10);
  }
}

}  // namespace zarvane
