// Whole-file writes: temporary file, checked writes, fsync, rename.
#include "foundation/atomicfile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "foundation/paths.h"
#include "foundation/writefault.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

WriteResult Failed(const std::string& path, int error) { return {path, std::strerror(error)}; }

// A file's creation, rename or removal reaches the disk with its directory.
void SyncDirectoryOf(const std::string& file) {
  const std::string dir = fs::path(file).parent_path().string();
  if (const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

// The file a write of `path` replaces: the station's name resolved, and a
// symbolic link followed so that the link itself stays.
std::string TargetOf(const std::string& path) {
  fs::path target = OsPath(ResolveCase(NativePath(path)));
  std::error_code ec;
  if (fs::is_symlink(target, ec)) {
    const fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
  return target.string();
}

// Writes all of `content` to `fd`; 0, or the errno of the write that failed.
// A fault for `faultPath` lets its byte count through and then fails.
int WriteAll(int fd, std::string_view content, const std::string& faultPath) {
  size_t allowed = content.size();
  const WriteFault* fault = WriteFaultFor(faultPath);
  if (fault && fault->bytesBefore) allowed = std::min<std::uintmax_t>(allowed, *fault->bytesBefore);
  size_t done = 0;
  while (done < allowed) {
    const ssize_t n = ::write(fd, content.data() + done, allowed - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    done += static_cast<size_t>(n);
  }
  return done < content.size() ? fault->error : 0;
}

}  // namespace

WriteResult WriteFileAtomically(const std::string& path, std::string_view content) {
  static std::atomic<unsigned> serial{0};
  const std::string target = TargetOf(path);
  const WriteFault* fault = WriteFaultFor(target);
  if (fault && !fault->bytesBefore) return Failed(path, fault->error);

  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  // A file the station may not write stays as it is, as if written in place.
  if (exists && S_ISDIR(existing.st_mode)) return Failed(path, EISDIR);
  if (exists && ::access(target.c_str(), W_OK) != 0) return Failed(path, errno);

  // A name left by an earlier process with this number is passed over.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return Failed(path, errno);
  int error = WriteAll(fd, content, target);
  if (!error && exists && ::fchmod(fd, existing.st_mode & 07777) != 0) error = errno;
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(temp.c_str());
    return Failed(path, error);
  }
  // The rename itself reaches the disk with its directory.
  SyncDirectoryOf(target);
  return {path, ""};
}

WriteResult RemoveFileDurably(const std::string& path) {
  const std::string target = OsPath(ResolveCase(NativePath(path))).string();
  if (::unlink(target.c_str()) != 0 && errno != ENOENT) return Failed(path, errno);
  SyncDirectoryOf(target);
  return {path, ""};
}

int RemoveStaleTemporaries(const std::string& directory) {
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(OsPath(NativePath(directory)), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // "<name>.tmp-<pid>-<n>": both numbers, the process gone.
    const size_t mark = name.rfind(".tmp-");
    if (mark == std::string::npos) continue;
    const std::string tail = name.substr(mark + 5);
    const size_t dash = tail.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == tail.size() ||
        tail.find_first_not_of("0123456789-") != std::string::npos || tail.find('-', dash + 1) != std::string::npos)
      continue;
    pid_t pid = 0;
    const auto [stop, parsed] = std::from_chars(tail.data(), tail.data() + dash, pid);
    if (parsed != std::errc() || stop != tail.data() + dash || pid <= 0) continue;
    // This process has written nothing yet when it looks: a temporary under
    // its own number is an earlier process's.
    if (pid != ::getpid() && (kill(pid, 0) == 0 || errno != ESRCH)) continue;
    std::error_code gone;
    if (fs::is_regular_file(it->path(), gone) && fs::remove(it->path(), gone)) ++removed;
  }
  return removed;
}

}  // namespace zarvane
