// PNG chunks around a zlib stream of one fixed-Huffman deflate block.
#include "analysis/png.h"

#include <algorithm>

namespace blade {
namespace {

// Bits go out least significant first, as deflate packs them.
class BitWriter {
 public:
  void Bits(std::uint32_t value, int count) {
    for (int k = 0; k < count; ++k) Bit((value >> k) & 1);
  }
  // A Huffman code goes out from its most significant bit.
  void Code(std::uint32_t code, int length) {
    for (int k = length - 1; k >= 0; --k) Bit((code >> k) & 1);
  }
  std::string Finish() {
    if (used_ > 0) out_ += static_cast<char>(current_);
    return std::move(out_);
  }

 private:
  void Bit(std::uint32_t b) {
    current_ |= b << used_;
    if (++used_ == 8) {
      out_ += static_cast<char>(current_);
      current_ = 0;
      used_ = 0;
    }
  }
  std::string out_;
  std::uint32_t current_ = 0;
  int used_ = 0;
};

// The fixed literal/length code of a symbol 0 to 287.
void Symbol(BitWriter& w, int s) {
  if (s < 144) w.Code(0x30 + s, 8);
  else if (s < 256) w.Code(0x190 + s - 144, 9);
  else if (s < 280) w.Code(s - 256, 7);
  else w.Code(0xC0 + s - 280, 8);
}

constexpr int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,    65,    97,    129,
                                   193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Match(BitWriter& w, int length, int distance) {
  int l = 28;
  while (kLengthBase[l] > length) --l;
  Symbol(w, 257 + l);
  w.Bits(length - kLengthBase[l], kLengthExtra[l]);
  int d = 29;
  while (kDistanceBase[d] > distance) --d;
  w.Code(d, 5);
  w.Bits(distance - kDistanceBase[d], kDistanceExtra[d]);
}

std::string Deflate(const std::string& in) {
  constexpr int kWindow = 32768, kMaxLength = 258, kHashBits = 15, kChain = 16;
  const int n = static_cast<int>(in.size());
  std::vector<int> head(1 << kHashBits, -1), previous(n, -1);
  const auto byte = [&](int at) { return static_cast<std::uint8_t>(in[at]); };
  const auto hash = [&](int at) {
    return ((byte(at) << 10) ^ (byte(at + 1) << 5) ^ byte(at + 2)) & ((1 << kHashBits) - 1);
  };
  const auto insert = [&](int at) {
    if (at + 3 > n) return;
    const int h = hash(at);
    previous[at] = head[h];
    head[h] = at;
  };
  BitWriter w;
  w.Bits(1, 1);  // the final block
  w.Bits(1, 2);  // fixed Huffman codes
  for (int i = 0; i < n;) {
    int bestLength = 0, bestDistance = 0;
    if (i + 3 <= n) {
      int candidate = head[hash(i)];
      for (int tries = 0; candidate >= 0 && i - candidate <= kWindow && tries < kChain; ++tries) {
        const int limit = std::min(kMaxLength, n - i);
        int length = 0;
        while (length < limit && in[candidate + length] == in[i + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = i - candidate;
          if (length == limit) break;
        }
        candidate = previous[candidate];
      }
    }
    if (bestLength >= 3) {
      Match(w, bestLength, bestDistance);
      for (int k = 0; k < bestLength; ++k) insert(i + k);
      i += bestLength;
    } else {
      Symbol(w, byte(i));
      insert(i);
      ++i;
    }
  }
  Symbol(w, 256);  // end of block
  return w.Finish();
}

void Put32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  Put32(png, static_cast<std::uint32_t>(data.size()));
  const std::string body = type + data;
  png += body;
  Put32(png, Crc32(body));
}

}  // namespace

std::uint32_t Crc32(const std::string& bytes) {
  static const std::vector<std::uint32_t> table = [] {
    std::vector<std::uint32_t> t(256);
    for (std::uint32_t k = 0; k < 256; ++k) {
      std::uint32_t c = k;
      for (int bit = 0; bit < 8; ++bit) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[k] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (char ch : bytes) crc = table[(crc ^ static_cast<std::uint8_t>(ch)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::string& bytes) {
  std::uint32_t a = 1, b = 0;
  for (char ch : bytes) {
    a = (a + static_cast<std::uint8_t>(ch)) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}

std::string ZlibCompress(const std::string& bytes) {
  std::string out = "\x78\x01";  // deflate with a 32 KB window; the check bits make it a multiple of 31
  out += Deflate(bytes);
  Put32(out, Adler32(bytes));
  return out;
}

std::string EncodePng(int width, int height, const std::vector<std::uint8_t>& pixels, const std::vector<Rgb>& palette) {
  if (width <= 0 || height <= 0 || palette.empty() || palette.size() > 256 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return {};
  if (std::any_of(pixels.begin(), pixels.end(), [&](std::uint8_t p) { return p >= palette.size(); })) return {};
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  Put32(header, static_cast<std::uint32_t>(width));
  Put32(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x03\x00\x00\x00", 5);  // 8 bits, palette, deflate, no filter choice, no interlace
  Chunk(png, "IHDR", header);
  std::string colours;
  for (const Rgb& c : palette) colours.append({static_cast<char>(c[0]), static_cast<char>(c[1]), static_cast<char>(c[2])});
  Chunk(png, "PLTE", colours);
  std::string rows;
  rows.reserve(pixels.size() + height);
  for (int y = 0; y < height; ++y) {
    rows += '\0';  // filter: none
    rows.append(reinterpret_cast<const char*>(pixels.data()) + static_cast<std::size_t>(y) * width, width);
  }
  Chunk(png, "IDAT", ZlibCompress(rows));
  Chunk(png, "IEND", "");
  return png;
}

}  // namespace blade
