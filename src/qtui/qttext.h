#pragma once
// Text conversion at the Qt boundary. Station texts are single-byte
// Windows-1252 strings; Qt works in Unicode.

#include <QString>
#include <string>

#include "foundation/text.h"

namespace zarvane {

inline QString ToQt(const std::string& text) {
  return QString::fromUtf8(Cp1252ToUtf8(text));
}

inline std::string FromQt(const QString& text) {
  return Utf8ToCp1252(text.toUtf8().toStdString());
}

// A text with "\r\n" or "\r" line breaks, as shown in multi-line widgets.
inline QString ToQtLines(const std::string& text) {
  QString q = ToQt(text);
  q.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  q.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return q;
}

}  // namespace zarvane
