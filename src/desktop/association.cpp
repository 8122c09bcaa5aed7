// File type registration records and the shared-mime-info package.
#include "desktop/association.h"

#include <cctype>

#include "foundation/text.h"

namespace zarvane {
namespace {

std::string Lower(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return Cp1252ToUtf8(out);
}

FileTypeRegistration PlainTextType(const std::string& extension, const std::string& typeName,
                                   const std::string& description, const std::string& openCommand,
                                   const std::string& printCommand) {
  FileTypeRegistration type;
  type.verbs = {"open", "print"};
  type.commands = {openCommand, printCommand};
  type.extension = extension;
  type.typeName = typeName;
  type.description = description;
  type.contentType = "text/plain";
  return type;
}

}  // namespace

std::string DottedExtension(const std::string& extension) {
  return extension.rfind('.', 0) == 0 ? extension : "." + extension;
}

std::string IconValue(const FileTypeRegistration& type) {
  return type.iconFile + "," + std::to_string(type.iconIndex);
}

bool HasIcon(const FileTypeRegistration& type) { return IconValue(type) != ",0"; }

std::string CommandOf(const FileTypeRegistration& type, const std::string& verb) {
  for (size_t i = 0; i < type.verbs.size() && i < type.commands.size(); ++i)
    if (type.verbs[i] == verb) return type.commands[i];
  return "";
}

std::vector<FileTypeRegistration> StationFileTypes(const std::string& openCommand, const std::string& printCommand) {
  return {PlainTextType(".CMB", "CMB Report", "Combined Blade Report", openCommand, printCommand),
          PlainTextType(".CMM", "CMM File", "CMM Blade Report", openCommand, printCommand),
          PlainTextType(".Results", "Results File", "Quorvex Results File", openCommand, printCommand)};
}

std::string MimeTypeName(const FileTypeRegistration& type) {
  std::string name = Lower(type.typeName);
  for (char& ch : name)
    if (ch == ' ') ch = '-';
  return "text/x-zarvane-" + name;
}

std::string MimePackageXml(const std::vector<FileTypeRegistration>& types) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  for (const FileTypeRegistration& type : types) {
    xml += "  <mime-type type=\"" + XmlEscaped(MimeTypeName(type)) + "\">\n";
    if (!type.contentType.empty()) xml += "    <sub-class-of type=\"" + XmlEscaped(type.contentType) + "\"/>\n";
    xml += "    <comment>" + XmlEscaped(type.description) + "</comment>\n";
    // Globs match without regard to case unless marked case-sensitive.
    xml += "    <glob pattern=\"*" + XmlEscaped(Lower(DottedExtension(type.extension))) + "\"/>\n";
    if (HasIcon(type)) xml += "    <icon name=\"" + XmlEscaped(IconValue(type)) + "\"/>\n";
    xml += "  </mime-type>\n";
  }
  return xml + "</mime-info>\n";
}

}  // namespace zarvane
