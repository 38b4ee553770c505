// Windows cursor files (".cur"): the picture and hot spot of one cursor, read from the file's bytes.
//
// A file is a directory (reserved 0, type 2, count) of 16-byte entries, each with the hot spot and
// the place of its image: a DIB (a 40-byte or longer info header with a doubled height, a palette for
// 1, 4 and 8 bits per pixel, the colour rows and then the 1-bit AND mask, both bottom-up and padded
// to 4 bytes). Colour depths 1, 4, 8, 24 and 32 are read; a 32-bit image whose alpha bytes are not
// all zero takes its transparency from them, every other image from the AND mask (a set bit is
// transparent). Entries holding a PNG image are not read. Of several entries the largest picture is
// taken (the deeper one among equals).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

struct CursorImage {
    int width = 0; // 1..256
    int height = 0;
    int hotX = 0; // inside the picture: 0..width-1, 0..height-1
    int hotY = 0;
    // width × height pixel words 0xAARRGGBB, top row first, alpha not premultiplied.
    std::vector<uint32_t> pixels;
};

// Largest side of a cursor picture.
inline constexpr int kMaxCursorSide = 256;

// Reads the cursor in `data`. False, leaving *out alone, for a file that is not a cursor file, is cut
// short, or holds no entry that can be read; a hot spot outside the picture is moved to its edge.
bool ParseCursorFile(const uint8_t* data, size_t size, CursorImage* out);

} // namespace plat
