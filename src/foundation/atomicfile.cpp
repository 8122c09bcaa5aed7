// Whole-file writes: temporary file, checked writes, fsync, rename.
#include "foundation/atomicfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "foundation/paths.h"
#include "foundation/writefault.h"

namespace zarvane {
namespace {

namespace fs = std::filesystem;

WriteResult Failed(const std::string& path, int error) { return {path, std::strerror(error)}; }

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

  const std::string temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
  const std::string dir = fs::path(target).parent_path().string();
  if (const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return {path, ""};
}

}  // namespace zarvane
