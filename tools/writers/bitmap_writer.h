// Writes ".bmp" files of every depth for test fixtures and sample data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::test {

// Offsets of the header fields that tests patch to make malformed files.
namespace bmp {
inline constexpr size_t kType = 0;         // u16 "BM"
inline constexpr size_t kFileSize = 2;     // u32
inline constexpr size_t kOffBits = 10;     // u32, offset of the pixel rows
inline constexpr size_t kInfoSize = 14;    // u32, biSize
inline constexpr size_t kWidth = 18;       // i32
inline constexpr size_t kHeight = 22;      // i32, negative: top-down rows
inline constexpr size_t kBitCount = 28;    // u16
inline constexpr size_t kCompression = 30; // u32, 0 plain, 3 bit fields
inline constexpr size_t kClrUsed = 46;     // u32
} // namespace bmp

struct BitmapSpec {
    int32_t width = 0;
    int32_t height = 0;     // rows as given; the file stores them bottom-up unless topDown
    uint16_t bitCount = 24; // 1, 2, 4, 8, 16, 24 or 32
    bool topDown = false;   // store rows top-down (negative height in the header)
    bool bitFields = false; // compression 3 with the masks behind the header (16 and 32 bits)
    uint32_t infoSize = 40; // 40, or 108 / 124 for the longer headers (zero-filled tail)
    uint32_t clrUsed = 0;   // written as is; 0 means a full table
    // Palette entries as pixel words (blue low), for up to 8 bits per pixel. The table written has
    // clrUsed entries, or 2^bitCount when clrUsed is 0; missing entries are 0.
    std::vector<uint32_t> palette;
    // width × height values, top row first: a palette index (up to 8 bits), the 16-bit word
    // (16 bits), 0x00RRGGBB (24 bits) or the pixel word with alpha (32 bits).
    std::vector<uint32_t> pixels;
};

// The bytes of the file.
std::vector<uint8_t> WriteBitmap(const BitmapSpec& spec);
// Writes the file; false on an I/O error.
bool SaveBitmap(const std::string& path, const BitmapSpec& spec);
// A 24- or 32-bit file from pixel words (blue low); the 24-bit file drops the alpha byte.
std::vector<uint8_t> WriteBitmapPixels(int32_t width, int32_t height, const std::vector<uint32_t>& pixels,
                                       uint16_t bitCount = 32);

// Little-endian helpers for patching headers.
void PutU16(std::vector<uint8_t>& bytes, size_t at, uint16_t value);
void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);

} // namespace kestrel::test
