// Writes Windows cursor files (".cur") for test fixtures and sample data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel::test {

// Offsets of the fields that tests patch to make malformed files.
namespace cur {
inline constexpr size_t kType = 2;           // u16, 2 for a cursor
inline constexpr size_t kCount = 4;          // u16, entries
inline constexpr size_t kEntry = 6;          // first 16-byte entry
inline constexpr size_t kEntryHotX = 4;      // u16, within an entry
inline constexpr size_t kEntryBytes = 8;     // u32, within an entry
inline constexpr size_t kEntryOffset = 12;   // u32, within an entry
inline constexpr size_t kImage = 6 + 16;     // the image of a one-entry file
inline constexpr size_t kImageBitCount = 14; // u16, within the image's info header
} // namespace cur

struct CursorSpec {
    int32_t width = 32;
    int32_t height = 32;
    uint16_t hotX = 0;
    uint16_t hotY = 0;
    uint16_t bitCount = 32; // 1, 4, 8, 24 or 32
    // Palette entries as 0x00RRGGBB, for up to 8 bits per pixel (2^bitCount written; missing ones 0).
    std::vector<uint32_t> palette;
    // width × height values, top row first: a palette index (up to 8 bits), 0x00RRGGBB (24 bits) or
    // 0xAARRGGBB (32 bits).
    std::vector<uint32_t> pixels;
    // width × height AND-mask bits, top row first (1: transparent); empty writes an all-clear mask.
    std::vector<uint8_t> mask;
    bool writeMask = true; // a 32-bit image may leave the mask out
};

// The bytes of a one-entry cursor file.
std::vector<uint8_t> WriteCursor(const CursorSpec& spec);
// The bytes of a file with one entry per spec, the images in order.
std::vector<uint8_t> WriteCursorEntries(const std::vector<CursorSpec>& specs);

} // namespace kestrel::test
