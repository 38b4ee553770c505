// Pixel effect blits: a source picture combined with a destination picture by a blend rule
// (additive light, multiply, screen, opacity-scaled copy) and the scaled additive and interpolated
// blits. Glows, shadows, single-layer fades, menu highlights and zoomed pictures use them.
//
// Coordinates and sizes are signed 16-bit values; level is 0 to 65535 with 256 meaning full. All
// arithmetic is integer and ">> 8" truncates. Every member is clipped to both surfaces: pixels
// outside the destination are not written and pixels outside the source are not read. Null or empty
// surfaces draw nothing. The source is never written.
#pragma once

#include <cstdint>

#include "graphics/quad_blit.h"

class CDIB32;

// The holder of the pixel effects; the routines below need no instance.
class CDIB32Effect {};

// Unscaled members: the rectangle (sx, sy, w, h) of src onto dst at (dx, dy). They report false when
// the level makes them draw nothing, true otherwise.

// d = min(255, d + ((s * L) >> 8)) per channel, destination alpha 0. L = 0: nothing, false;
// L >= 256: an opaque copy of the rectangle.
bool BltAdd(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w, int16_t h,
            uint16_t level);
// d = (((s * d) >> 8) * L >> 8) + (((255 - L) * d) >> 8) per channel, alpha unchanged. Levels as
// BltAdd.
bool BltMultiply(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w,
                 int16_t h, uint16_t level);
// Where the source alpha a is not 0: d = min(255, d + ((((s * a) >> 8) * L) >> 8)), destination
// alpha 0. L = 0: nothing, false; no upper limit.
bool BltAddAlpha(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w,
                 int16_t h, uint16_t level);
// Where the source alpha is not 0: d = 255 - (((255 - s) * (255 - d)) >> 8), destination alpha 0.
// L = 0: nothing, false; L > 255: an opaque copy; otherwise the level is not used.
bool BltScreen(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w, int16_t h,
               uint16_t level);
// All four bytes d = min(255, (s * L) >> 8). No level test (L = 0 writes zero pixels).
bool BltCopyLevel(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w,
                  int16_t h, uint16_t level);

// Scaled members: the rectangle (sx, sy, sw, sh) of src mapped onto (dx, dy, dw, dh) of dst by integer
// stepping (whole source pixels per destination pixel plus a running remainder that starts at
// -dw - 1). Clipping cuts destination pixels away without changing the mapping of the others.
// dw < 1 or dh < 1, or L = 0: nothing, false.

// d = min(255, d + s) per channel at the nearest source pixel, destination alpha 0; the level is not
// otherwise used.
bool BltStretch(CDIB32* dst, int16_t dx, int16_t dy, int16_t dw, int16_t dh, CDIB32* src, int16_t sx,
                int16_t sy, int16_t sw, int16_t sh, uint16_t level);
// As BltAddAlpha at the nearest source pixel.
bool BltStretchLevel(CDIB32* dst, int16_t dx, int16_t dy, int16_t dw, int16_t dh, CDIB32* src, int16_t sx,
                     int16_t sy, int16_t sw, int16_t sh, uint16_t level);
// v = the source interpolated between neighbouring pixels (weights from the stepping remainders);
// d = (d * (255 - L) + v * L) >> 8 per channel, kept within 0 to 255; destination alpha 0.
bool BltStretchAlpha(CDIB32* dst, int16_t dx, int16_t dy, int16_t dw, int16_t dh, CDIB32* src, int16_t sx,
                     int16_t sy, int16_t sw, int16_t sh, uint16_t level);
// d = v, the interpolated source, per channel; alpha unchanged; the level is not otherwise used.
bool BltStretchAlpha2(CDIB32* dst, int16_t dx, int16_t dy, int16_t dw, int16_t dh, CDIB32* src, int16_t sx,
                      int16_t sy, int16_t sw, int16_t sh, uint16_t level);

namespace kestrel::fx {

// The pixels of a handle; empty for a null handle or an empty surface.
SurfacePixels PixelsOf(const CDIB32* surface);

// Cuts the rectangle pair (dx, dy, w, h) of a destination dstW × dstH and (sx, sy, w, h) of a source
// srcW × srcH to both surfaces, keeping the two in step. False when nothing is left.
bool ClipToSurfaces(int32_t& dx, int32_t& dy, int32_t& sx, int32_t& sy, int32_t& w, int32_t& h, int32_t dstW,
                    int32_t dstH, int32_t srcW, int32_t srcH);

// CDIB32::Blt and the unscaled CDIB32::BltFade with the rectangle first cut to both surfaces, so that
// a rectangle reaching past the source still draws the part inside it.
void CopyClipped(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                 int32_t h);
void FadeClipped(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                 int32_t h, int32_t level);

} // namespace kestrel::fx
