// mirror SOURCE DESTINATION
//
// Copies the part data files of SOURCE and of its immediate subdirectories to
// DESTINATION (normally from the network share to the station's local copy).
// No window, no messages: a missing or unreachable SOURCE ends it at once; any
// later failure is passed over and the next file is copied.
//
// Each file is copied to a temporary name in its destination directory and
// then renamed over the old file, so a failed copy leaves the previous file in
// place. A destination file that is read-only is left alone. Copies always
// overwrite: there is no date comparison, and nothing else is ever deleted.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The data file kinds, in copy order.
const char* const kExtensions[] = {"fxp", "fxr", "mis", "ua", "te", "uaf", "tef", "prg", "nom", "tol"};

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool ReadOnly(const fs::path& file) {
  std::error_code ec;
  const fs::file_status st = fs::status(file, ec);
  if (ec || !fs::exists(st)) return false;
  return (st.permissions() & fs::perms::owner_write) == fs::perms::none;
}

void CopyOne(const fs::path& source, const fs::path& destinationDir) {
  const fs::path target = destinationDir / source.filename();
  if (ReadOnly(target)) return;
  const fs::path temporary =
      destinationDir / (".mirror-" + std::to_string(getpid()) + "-" + source.filename().string() + ".tmp");
  std::error_code ec;
  fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(temporary, target, ec);
  if (ec) fs::remove(temporary, ec);
}

// Copies the files of one directory level, extension by extension.
void CopyLevel(const fs::path& source, const fs::path& destination) {
  std::error_code ec;
  fs::create_directories(destination, ec);
  std::vector<fs::path> files;
  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code fileError;
    if (it->is_regular_file(fileError)) files.push_back(it->path());
  }
  for (const char* extension : kExtensions) {
    for (const auto& file : files) {
      const std::string ext = file.extension().string();
      if (ext.size() > 1 && SameIgnoringCase(ext.substr(1), extension)) CopyOne(file, destination);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 0;
  const fs::path source = argv[1];
  const fs::path destination = argv[2];
  std::error_code ec;
  if (!fs::is_directory(source, ec)) return 0;  // source missing or unreachable
  std::vector<fs::path> subdirectories;
  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code dirError;
    if (it->is_directory(dirError)) subdirectories.push_back(it->path().filename());
  }
  CopyLevel(source, destination);
  for (const auto& name : subdirectories) CopyLevel(source / name, destination / name);
  return 0;
}
