#include "foundation/boundedlines.h"

#include <sys/stat.h>

#include <cstring>

#include "foundation/paths.h"

namespace zarvane {

namespace {
constexpr std::size_t kReadChunk = 64 * 1024;
}  // namespace

BoundedLines::BoundedLines(const std::string& path) {
  const std::string actual = ResolveCase(path);
  if (actual.empty() || IsDirectory(actual)) return;
  file_ = std::fopen(OsPath(actual).c_str(), "rb");
  if (!file_) return;
  std::setvbuf(file_, nullptr, _IONBF, 0);  // the chunk below is the only buffer
  struct stat st {};
  if (fstat(fileno(file_), &st) == 0)
    version_ = std::to_string(static_cast<long long>(st.st_size)) + " " +
               std::to_string(static_cast<long long>(st.st_mtim.tv_sec)) + "." +
               std::to_string(static_cast<long long>(st.st_mtim.tv_nsec));
  buffer_.resize(kReadChunk);
}

BoundedLines::~BoundedLines() {
  if (file_) std::fclose(file_);
}

bool BoundedLines::Fill() {
  pos_ = 0;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  return end_ > 0;
}

bool BoundedLines::Next(std::string& line) {
  line.clear();
  if (!file_) return false;
  while (true) {
    if (pos_ == end_ && !Fill()) return false;
    ++lineNumber_;
    // One more character than the bound is kept, for the CR of a CR LF.
    bool tooLong = false;
    while (true) {
      if (pos_ == end_ && !Fill()) break;  // the last line needs no line end
      const char* start = buffer_.data() + pos_;
      const char* lf = static_cast<const char*>(std::memchr(start, '\n', end_ - pos_));
      const std::size_t n = lf ? static_cast<std::size_t>(lf - start) : end_ - pos_;
      if (!tooLong && line.size() + n > kMaxLineLength + 1) {
        tooLong = true;
        line.clear();
      }
      if (!tooLong) line.append(start, n);
      pos_ += n;
      if (lf) {
        ++pos_;
        break;
      }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!tooLong && line.size() <= kMaxLineLength) return true;
    line.clear();
    if (longLines_++ == 0) firstLongLine_ = lineNumber_;
  }
}

}  // namespace zarvane
