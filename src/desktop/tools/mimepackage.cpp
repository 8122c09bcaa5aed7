// Writes the shared-mime-info package of the station's report file types to
// the file given, for installing system-wide: the same package "Reassociate
// Data Files" registers for one user.

#include <fstream>
#include <iostream>

#include "desktop/association.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: zarvane_mimepackage FILE\n";
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  // The package names no commands: they belong to the desktop's applications.
  out << zarvane::MimePackageXml(zarvane::StationFileTypes("", ""));
  out.close();
  if (!out) {
    std::cerr << "zarvane_mimepackage: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
