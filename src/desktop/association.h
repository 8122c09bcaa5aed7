#pragma once
// The station's report file types and how one is registered: the record the
// platform's file type service is handed, the three types the station makes,
// and the freedesktop.org shared-mime-info package that describes them.

#include <cstdint>
#include <string>
#include <vector>

namespace zarvane {

// One file type as the station asks for it.
struct FileTypeRegistration {
  std::vector<std::string> verbs;     // e.g. "open", "print"
  std::vector<std::string> commands;  // one per verb, in the same order
  std::string extension;              // a leading "." is added when missing
  std::string typeName;
  std::string description;
  std::string contentType;  // written only when not empty
  std::string iconFile;
  std::int16_t iconIndex = 0;
};

// The extension with its leading ".".
std::string DottedExtension(const std::string& extension);
// The icon file, a comma and the index.
std::string IconValue(const FileTypeRegistration& type);
// Whether the type gets an icon at all: not when its icon value is ",0".
bool HasIcon(const FileTypeRegistration& type);
// The command of `verb`, "" when the type has no such verb.
std::string CommandOf(const FileTypeRegistration& type, const std::string& verb);

// The station's three report file types (.CMB, .CMM, .Results), plain text
// with the verbs "open" and "print". `openCommand` and `printCommand` are the
// platform's commands for the two verbs.
std::vector<FileTypeRegistration> StationFileTypes(const std::string& openCommand, const std::string& printCommand);

// The shared-mime-info name of a type: "text/x-zarvane-" and the type name in
// lower case with blanks as "-" (e.g. "text/x-zarvane-cmm-file").
std::string MimeTypeName(const FileTypeRegistration& type);
// The shared-mime-info package (UTF-8 XML) declaring the types: each named by
// MimeTypeName, a subclass of its content type, with its description as the
// comment, a glob for its extension (which matches in any case) and its icon.
std::string MimePackageXml(const std::vector<FileTypeRegistration>& types);

}  // namespace zarvane
