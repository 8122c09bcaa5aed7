#pragma once
// Reading one of the station's text files a line at a time, with a bound on the
// length of a line the station takes in. Settings, part files and the language
// table come from shop networks and hand edits: a file may be one endless line
// or binary junk, and the lookups must not hold more of it than one line.

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace zarvane {

class BoundedLines {
 public:
  // The longest line taken in, line end not counted: 64 KiB. The longest real
  // lines (a Lang.ini entry holding one text five times, an operation line with
  // its program list) stay below 2 KiB. A longer line is passed over whole,
  // as if it were not in the file, and counted so the caller can tell it.
  static constexpr std::size_t kMaxLineLength = 64 * 1024;

  // Opens the file as named (the case of the name is resolved); a directory or
  // a file that cannot be read leaves the reader closed.
  explicit BoundedLines(const std::string& path);
  ~BoundedLines();
  BoundedLines(const BoundedLines&) = delete;
  BoundedLines& operator=(const BoundedLines&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // The next line that is not too long, without its line end (LF or CR LF; a
  // lone CR stays in the line, as the whole-file reader keeps it); false at the
  // end of the file. Memory held: the line and one read buffer.
  bool Next(std::string& line);

  // The 1-based number of the line Next returned last.
  long LineNumber() const { return lineNumber_; }
  // The over-long lines passed over so far: how many and the first one's number.
  long LongLines() const { return longLines_; }
  long FirstLongLine() const { return firstLongLine_; }
  // The file as it was opened: size and modification time, telling one version of it from the next.
  const std::string& Version() const { return version_; }

 private:
  bool Fill();

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::size_t pos_ = 0, end_ = 0;
  long lineNumber_ = 0;
  long longLines_ = 0;
  long firstLongLine_ = 0;
  std::string version_;
};

}  // namespace zarvane
