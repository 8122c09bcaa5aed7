// A small PNG writer for the report's pictures: 8-bit palette images,
// compressed with fixed-Huffman deflate (repeats found through a hash of the
// next three bytes), checked by CRC-32 and Adler-32.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace blade {

using Rgb = std::array<std::uint8_t, 3>;

// A PNG file of `width` x `height` pixels, each an index into `palette` (at
// most 256 colours), row by row from the top. Empty when the sizes do not fit.
std::string EncodePng(int width, int height, const std::vector<std::uint8_t>& pixels, const std::vector<Rgb>& palette);

// The pieces, for tests.
std::uint32_t Crc32(const std::string& bytes);
std::uint32_t Adler32(const std::string& bytes);
// A complete zlib stream (header, one final fixed-Huffman block, Adler-32).
std::string ZlibCompress(const std::string& bytes);

}  // namespace blade
