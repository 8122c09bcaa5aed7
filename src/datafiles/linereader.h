#pragma once
// Reading the part data files one line, or one free-format record, at a time.
// Data files come from shop networks and hand edits: a file may be huge, binary
// or cut short, so nothing here holds more than one line in memory and nothing
// fails on odd bytes.

#include <cstddef>
#include <fstream>
#include <string>

namespace zarvane {

class LineReader {
 public:
  // Longer lines keep their first kMaxLineLength characters; the rest of the
  // line is skipped. No line of a real data file comes near this.
  static constexpr std::size_t kMaxLineLength = 8192;

  // Opens the file (names that differ only in case are found); a directory or a
  // file that cannot be read leaves the reader closed.
  explicit LineReader(const std::string& path);
  bool IsOpen() const { return open_; }
  // The next line without its line end (CR LF, LF or a lone CR); false at the
  // end of the file or when the reader is closed.
  bool Next(std::string& line);

 private:
  std::ifstream in_;
  bool open_ = false;
};

// Free-format records: a record ends at a line end or at a comma; blanks and
// tabs around it are dropped. A record that begins with a double quote runs to
// the closing quote (commas inside are kept) and whatever follows the closing
// quote up to the next comma or line end is dropped. An empty line is one empty
// record.
class RecordReader {
 public:
  explicit RecordReader(LineReader& lines) : lines_(lines) {}
  bool Next(std::string& record);

 private:
  LineReader& lines_;
  std::string line_;
  std::size_t pos_ = 0;
  bool pending_ = false;  // another record starts at pos_ of line_
};

}  // namespace zarvane
