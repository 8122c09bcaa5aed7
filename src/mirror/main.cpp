// mirror SOURCE DESTINATION
//
// Copies the part data files of SOURCE and of its immediate subdirectories to
// DESTINATION (normally from the network share to the station's local copy).
// No window, no messages: a missing or unreachable SOURCE ends it at once; any
// later failure is passed over and the next file is copied.
//
// Each file is copied to a short temporary name in its destination directory
// (".mirror-<pid>-<n>.tmp", so any file name that fits the directory fits)
// and then renamed over the old file, so a failed copy leaves the previous file
// in place. A destination file that is read-only is left alone. Copies always
// overwrite: there is no date comparison. The only other files ever deleted
// are temporary files of this tool that an interrupted run left behind: those
// whose process is no longer a running mirror.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
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

// The process id in a temporary file name of this tool (".mirror-<pid>-....tmp"), or 0.
pid_t TemporaryOwner(const std::string& name) {
  static const std::string prefix = ".mirror-", suffix = ".tmp";
  if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return 0;
  size_t end = prefix.size();
  while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
  if (end == prefix.size() || end > prefix.size() + 9 || name[end] != '-') return 0;
  return static_cast<pid_t>(std::stol(name.substr(prefix.size(), end - prefix.size())));
}

// Whether the process is a running mirror (a process id reused by another
// program does not count).
bool RunningMirror(pid_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  if (!comm || !std::getline(comm, name)) return false;
  return name.compare(0, 6, "mirror") == 0;
}

// Removes what interrupted runs of this tool left in a destination directory.
void RemoveStaleTemporaries(const fs::path& destinationDir) {
  std::error_code ec;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(destinationDir, ec), end; !ec && it != end; it.increment(ec)) {
    const pid_t owner = TemporaryOwner(it->path().filename().string());
    std::error_code fileError;
    if (owner > 0 && owner != getpid() && it->is_regular_file(fileError) && !RunningMirror(owner))
      stale.push_back(it->path());
  }
  for (const auto& file : stale) fs::remove(file, ec);
}

// Copies the bytes of `source` into the new file `to` with the source's
// permissions, on disk before it returns. Every read is checked: a share that
// fails in the middle of a file gives false, never a short copy (a file the
// share calls empty is read to its end all the same).
bool CopyBytes(const fs::path& source, const fs::path& to) {
  const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  const int out = fstat(in, &st) == 0 ? open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777) : -1;
  bool ok = out >= 0;
  char buffer[65536];
  while (ok) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    for (ssize_t done = 0; ok && done < got;) {
      const ssize_t put = write(out, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      ok = put > 0;
      if (ok) done += put;
    }
  }
  if (out >= 0) {
    ok = fsync(out) == 0 && ok;
    ok = close(out) == 0 && ok;
  }
  close(in);
  return ok;
}

void CopyOne(const fs::path& source, const fs::path& destinationDir) {
  static unsigned long copies = 0;
  const fs::path target = destinationDir / source.filename();
  if (ReadOnly(target)) return;
  const fs::path temporary =
      destinationDir / (".mirror-" + std::to_string(getpid()) + "-" + std::to_string(++copies) + ".tmp");
  std::error_code ec;
  fs::remove(temporary, ec);
  if (CopyBytes(source, temporary)) fs::rename(temporary, target, ec);
  else ec = std::make_error_code(std::errc::io_error);
  if (ec) fs::remove(temporary, ec);
}

// Copies the files of one directory level, extension by extension.
void CopyLevel(const fs::path& source, const fs::path& destination) {
  std::error_code ec;
  fs::create_directories(destination, ec);
  RemoveStaleTemporaries(destination);
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
