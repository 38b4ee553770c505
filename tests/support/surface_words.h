// The pixels of a surface as words (0xAARRGGBB), row after row from the top, for comparing the
// pictures that two ways of drawing leave.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/dib32.h"

inline std::vector<uint32_t> SurfaceWords(const CDIB32& s) {
    std::vector<uint32_t> out(static_cast<size_t>(s.GetWidth()) * s.GetHeight());
    for (int32_t y = 0; y < s.GetHeight(); ++y) {
        std::memcpy(&out[static_cast<size_t>(y) * s.GetWidth()], s.ReadPixelAddress(0, y),
                    4 * static_cast<size_t>(s.GetWidth()));
    }
    return out;
}

// The colour of one pixel as 0xRRGGBB.
inline uint32_t PixelAt(const CDIB32* s, int32_t x, int32_t y) {
    uint32_t px;
    std::memcpy(&px, s->ReadPixelAddress(x, y), 4);
    return px & 0xFFFFFF;
}
