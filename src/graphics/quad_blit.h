// Four-corner mapped blits: a source picture drawn into an arbitrary four-cornered area of a
// destination, scanline by scanline, stepping through the source linearly along the edges and across
// each span. Rotated and scaled sprites and clock hands are drawn this way.
#pragma once

#include <cstdint>

#include "platform/types.h"

// The pixels of one 32-bit surface as the pixel routines see them: row y starts at
// bits + y * pitch (bytes); bits is null for an empty surface.
struct SurfacePixels {
    uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;

    bool Empty() const { return bits == nullptr || width <= 0 || height <= 0; }
    uint32_t* Row(int32_t y) const {
        return reinterpret_cast<uint32_t*>(bits + static_cast<intptr_t>(y) * pitch);
    }
};

enum class QuadMode : uint8_t {
    Copy,  // the source pixel, all 32 bits, no colour key
    Blend, // per channel min(255, (s * level3 >> 8) + (d * inverse3 >> 8)), alpha byte 0
};

// Corner order of srcPoints and dstPoints: 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right
// of the picture.
//
// clip: null means the whole destination; a given rectangle is intersected with the destination.
// exact: non-zero divides each span into `count` equal source steps; zero makes the last pixel of a
// span land on the right edge's source point.
// inverse3 / level3: destination and source weights of QuadMode::Blend, one per colour byte (blue in
// bits 0-7); unused for QuadMode::Copy.
//
// Returns 0 when drawn or when there was nothing to draw, 1 when refused: a crossed quadrilateral, or
// a corner farther than kQuadCoordLimit from the origin (the fixed-point stepping would overflow).
// Pixels whose source position leaves the source surface are left unchanged.
int32_t MapQuad(const SurfacePixels& dst, const SurfacePixels& src, const POINT srcPoints[4],
                const POINT dstPoints[4], const RECT* clip, uint8_t exact, QuadMode mode, uint32_t inverse3,
                uint32_t level3);

// Largest absolute corner coordinate MapQuad accepts, in pixels.
inline constexpr int32_t kQuadCoordLimit = 1 << 22;
