#pragma once
// Files written whole or not at all. The content goes to a temporary file
// beside the real one ("<name>.tmp-<pid>-<n>"), every write and the close are
// checked, the data is flushed to the disk, and only then is the temporary
// renamed over the real name. A reader (the host, the analysis program, a
// later step of the station) sees the previous file or the new one, never
// half of one; after a failure the previous file is untouched and no
// temporary is left behind.

#include <sstream>
#include <string>
#include <string_view>

namespace zarvane {

// What a write came to: no reason when the file stands whole under its name,
// else the system's reason ("No space left on device").
struct WriteResult {
  std::string path;
  std::string reason;
  bool Ok() const { return reason.empty(); }
  // "<path>: <reason>".
  std::string Error() const { return path + ": " + reason; }
};

// Writes `content` as the whole file `path` (a station path: "\" accepted,
// case resolved as for readers). An existing file keeps its permissions; one
// that may not be written (read-only) is not replaced. A symbolic link stays
// a link: the file it points to is replaced.
WriteResult WriteFileAtomically(const std::string& path, std::string_view content);

// Removes `path` (nothing to do when it does not exist) and makes the removal
// reach the disk, so that a power cut does not bring the file back.
WriteResult RemoveFileDurably(const std::string& path);

// Removes the temporaries ("<name>.tmp-<pid>-<n>") in `directory` that a
// process which has ended left behind (a crash between write and rename),
// and those under this process's own number: call it before this process
// writes there. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& directory);

// For writers that compose a file on a stream: everything goes to memory and
// reaches the disk only at Commit, whole. Destroyed without Commit, nothing is
// written.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path) : path_(std::move(path)) {}
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  std::ostream& Stream() { return buffer_; }
  const std::string& Path() const { return path_; }
  // Writes what the stream holds (once; a second Commit writes it again).
  WriteResult Commit() { return WriteFileAtomically(path_, buffer_.view()); }

 private:
  std::string path_;
  std::ostringstream buffer_;
};

}  // namespace zarvane
