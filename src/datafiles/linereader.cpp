#include "datafiles/linereader.h"

#include "foundation/paths.h"

namespace zarvane {

LineReader::LineReader(const std::string& path) {
  const std::string actual = ResolveCase(NativePath(path));
  if (actual.empty() || IsDirectory(actual)) return;
  in_.open(OsPath(actual), std::ios::binary);
  open_ = in_.is_open();
}

bool LineReader::Next(std::string& line) {
  line.clear();
  if (!open_) return false;
  using Traits = std::ifstream::traits_type;
  std::streambuf* buf = in_.rdbuf();
  Traits::int_type ch = buf->sbumpc();
  if (Traits::eq_int_type(ch, Traits::eof())) return false;
  while (!Traits::eq_int_type(ch, Traits::eof())) {
    const char c = Traits::to_char_type(ch);
    if (c == '\n') break;
    if (c == '\r') {
      if (Traits::eq_int_type(buf->sgetc(), Traits::to_int_type('\n'))) buf->sbumpc();
      break;
    }
    if (line.size() < kMaxLineLength) line.push_back(c);
    ch = buf->sbumpc();
  }
  return true;
}

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& s, std::size_t from, std::size_t to) {
  while (from < to && Blank(s[from])) ++from;
  while (to > from && Blank(s[to - 1])) --to;
  return s.substr(from, to - from);
}

}  // namespace

bool RecordReader::Next(std::string& record) {
  if (!pending_) {
    if (!lines_.Next(line_)) {
      record.clear();
      return false;
    }
    pos_ = 0;
  }
  std::size_t p = pos_;
  while (p < line_.size() && Blank(line_[p])) ++p;
  std::size_t comma;
  if (p < line_.size() && line_[p] == '"') {
    const std::size_t close = line_.find('"', p + 1);
    if (close == std::string::npos) {
      record = line_.substr(p + 1);
      comma = std::string::npos;
    } else {
      record = line_.substr(p + 1, close - p - 1);
      comma = line_.find(',', close + 1);
    }
  } else {
    comma = line_.find(',', p);
    record = TrimBlanks(line_, p, comma == std::string::npos ? line_.size() : comma);
  }
  pending_ = comma != std::string::npos;
  if (pending_) pos_ = comma + 1;
  return true;
}

}  // namespace zarvane
