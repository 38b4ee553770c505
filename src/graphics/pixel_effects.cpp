#include "graphics/pixel_effects.h"

#include <algorithm>

#include "graphics/dib32.h"
#include "graphics/quad_blit.h"

namespace {

using kestrel::fx::PixelsOf;

inline uint32_t Channel(uint32_t px, int c) {
    return (px >> (8 * c)) & 0xFF;
}

// Runs op(d, s) over the rectangle pairs of an unscaled member, cut to both surfaces.
template <class Op>
void ForEachPixel(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                  int32_t h, Op op) {
    const SurfacePixels d = PixelsOf(dst);
    const SurfacePixels s = PixelsOf(src);
    if (d.Empty() || s.Empty()) {
        return;
    }
    if (!kestrel::fx::ClipToSurfaces(dx, dy, sx, sy, w, h, d.width, d.height, s.width, s.height)) {
        return;
    }
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* drow = d.Row(dy + y) + dx;
        const uint32_t* srow = s.Row(sy + y) + sx;
        for (int32_t x = 0; x < w; ++x) {
            drow[x] = op(drow[x], srow[x]);
        }
    }
}

bool OpaqueCopy(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                int32_t h) {
    kestrel::fx::CopyClipped(dst, dx, dy, src, sx, sy, w, h);
    return true;
}

// Source offset and remainder after n destination pixels of the stepping walk.
struct Stepper {
    int64_t step = 0; // whole source pixels per destination pixel
    int64_t rem = 0;  // added to the remainder per destination pixel
    int64_t size = 0; // destination size

    Stepper(int32_t srcSize, int32_t dstSize)
        : step(srcSize / dstSize), rem(srcSize % dstSize), size(dstSize) {}
    // The source offset and remainder in use at destination pixel n (n >= 0).
    void At(int64_t n, int64_t& offset, int64_t& e) const {
        const int64_t z = -size - 1 + n * rem;
        const int64_t wraps = z >= 0 ? z / size + 1 : 0;
        offset = n * step + wraps;
        e = z - wraps * size;
    }
    void Next(int64_t& offset, int64_t& e) const {
        offset += step;
        e += rem;
        if (e >= 0) {
            offset += 1;
            e -= size;
        }
    }
};

enum class StretchKind { Add, AddLevel, Interpolate, Interpolate2 };

// The scaled members. Source pixels outside the source surface leave the destination pixel as it is.
bool StretchBlit(StretchKind kind, CDIB32* dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, CDIB32* src,
                 int32_t sx, int32_t sy, int32_t sw, int32_t sh, uint32_t level) {
    if (dw < 1 || dh < 1 || level == 0) {
        return false;
    }
    const SurfacePixels d = PixelsOf(dst);
    const SurfacePixels s = PixelsOf(src);
    if (d.Empty() || s.Empty() || sw < 0 || sh < 0) {
        return true;
    }
    const Stepper colStep(sw, dw);
    const Stepper rowStep(sh, dh);
    const int32_t x0 = std::max(0, -dx);
    const int32_t y0 = std::max(0, -dy);
    const int32_t x1 = std::min(dw, d.width - dx);
    const int32_t y1 = std::min(dh, d.height - dy);
    if (x0 >= x1 || y0 >= y1) {
        return true;
    }
    const int64_t lastCol = std::min<int64_t>(int64_t{sx} + sw, s.width) - 1;
    const int64_t lastRow = std::min<int64_t>(int64_t{sy} + sh, s.height) - 1;
    const uint32_t L = level;

    int64_t rowOff = 0;
    int64_t ey = 0;
    rowStep.At(y0, rowOff, ey);
    int64_t colOff0 = 0;
    int64_t ex0 = 0;
    colStep.At(x0, colOff0, ex0);

    for (int32_t y = y0; y < y1; ++y, rowStep.Next(rowOff, ey)) {
        const int64_t sr = sy + rowOff;
        if (sr < 0 || sr >= s.height) {
            continue;
        }
        const bool mixRow = sr < lastRow && ey + dh > 0;
        const int64_t wy2 = mixRow ? ey + dh : 0;
        const uint32_t* srow = s.Row(static_cast<int32_t>(sr));
        const uint32_t* snext = mixRow ? s.Row(static_cast<int32_t>(sr + 1)) : srow;
        uint32_t* drow = d.Row(dy + y);
        int64_t colOff = colOff0;
        int64_t ex = ex0;
        for (int32_t x = x0; x < x1; ++x, colStep.Next(colOff, ex)) {
            const int64_t sc = sx + colOff;
            if (sc < 0 || sc >= s.width) {
                continue;
            }
            const uint32_t sp = srow[sc];
            uint32_t& dp = drow[dx + x];
            switch (kind) {
                case StretchKind::Add: {
                    uint32_t out = 0;
                    for (int c = 0; c < 3; ++c) {
                        out |= std::min<uint32_t>(255, Channel(dp, c) + Channel(sp, c)) << (8 * c);
                    }
                    dp = out;
                    break;
                }
                case StretchKind::AddLevel: {
                    const uint32_t a = sp >> 24;
                    if (a == 0) {
                        break;
                    }
                    uint32_t out = 0;
                    for (int c = 0; c < 3; ++c) {
                        const uint32_t add = (((Channel(sp, c) * a) >> 8) * L) >> 8;
                        out |= std::min<uint32_t>(255, Channel(dp, c) + add) << (8 * c);
                    }
                    dp = out;
                    break;
                }
                case StretchKind::Interpolate:
                case StretchKind::Interpolate2: {
                    const bool mixCol = sc < lastCol && ex + dw > 0;
                    const int64_t wx2 = mixCol ? ex + dw : 0;
                    const int64_t wx1 = dw - wx2;
                    const int64_t nc = mixCol ? sc + 1 : sc;
                    uint32_t out = kind == StretchKind::Interpolate2 ? (dp & 0xFF000000u) : 0;
                    for (int c = 0; c < 3; ++c) {
                        int64_t v = (Channel(srow[sc], c) * wx1 + Channel(srow[nc], c) * wx2) / dw;
                        if (mixRow) {
                            const int64_t below =
                                (Channel(snext[sc], c) * wx1 + Channel(snext[nc], c) * wx2) / dw;
                            v = (v * (dh - wy2) + below * wy2) / dh;
                        }
                        int64_t r = v;
                        if (kind == StretchKind::Interpolate) {
                            r = (int64_t{Channel(dp, c)} * (255 - int64_t{L}) + v * L) >> 8;
                            r = std::clamp<int64_t>(r, 0, 255);
                        }
                        out |= static_cast<uint32_t>(r) << (8 * c);
                    }
                    dp = out;
                    break;
                }
            }
        }
    }
    return true;
}

} // namespace

namespace kestrel::fx {

SurfacePixels PixelsOf(const CDIB32* surface) {
    SurfacePixels p;
    if (surface && surface->Impl() && !surface->Impl()->IsEmpty()) {
        p.bits = surface->GetPixelAddress(0, 0);
        p.width = surface->GetWidth();
        p.height = surface->GetHeight();
        p.pitch = surface->GetPitch();
    }
    return p;
}

bool ClipToSurfaces(int32_t& dx, int32_t& dy, int32_t& sx, int32_t& sy, int32_t& w, int32_t& h, int32_t dstW,
                    int32_t dstH, int32_t srcW, int32_t srcH) {
    // 64-bit so that extreme rectangles cannot wrap.
    int64_t x0 = dx, y0 = dy, u0 = sx, v0 = sy, ww = w, hh = h;
    auto cutStart = [](int64_t& a, int64_t& b, int64_t& n) {
        if (a < 0) {
            b -= a;
            n += a;
            a = 0;
        }
        if (b < 0) {
            a -= b;
            n += b;
            b = 0;
        }
    };
    cutStart(x0, u0, ww);
    cutStart(y0, v0, hh);
    ww = std::min({ww, int64_t{dstW} - x0, int64_t{srcW} - u0});
    hh = std::min({hh, int64_t{dstH} - y0, int64_t{srcH} - v0});
    if (ww <= 0 || hh <= 0) {
        return false;
    }
    dx = static_cast<int32_t>(x0);
    dy = static_cast<int32_t>(y0);
    sx = static_cast<int32_t>(u0);
    sy = static_cast<int32_t>(v0);
    w = static_cast<int32_t>(ww);
    h = static_cast<int32_t>(hh);
    return true;
}

void CopyClipped(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                 int32_t h) {
    const SurfacePixels d = PixelsOf(dst);
    const SurfacePixels s = PixelsOf(src);
    if (d.Empty() || s.Empty() ||
        !ClipToSurfaces(dx, dy, sx, sy, w, h, d.width, d.height, s.width, s.height)) {
        return;
    }
    CDIB32::Blt(dst, dx, dy, src, sx, sy, w, h);
}

void FadeClipped(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                 int32_t h, int32_t level) {
    if (level <= 0) {
        return;
    }
    const SurfacePixels d = PixelsOf(dst);
    const SurfacePixels s = PixelsOf(src);
    if (d.Empty() || s.Empty() ||
        !ClipToSurfaces(dx, dy, sx, sy, w, h, d.width, d.height, s.width, s.height)) {
        return;
    }
    CDIB32::BltFade(dst, dx, dy, w, h, src, 0, sx, sy, w, h, static_cast<uint16_t>(std::min(level, 256)));
}

} // namespace kestrel::fx

bool BltAdd(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w, int16_t h,
            uint16_t level) {
    if (level == 0) {
        return false;
    }
    if (level >= 256) {
        return OpaqueCopy(dst, dx, dy, src, sx, sy, w, h);
    }
    const uint32_t L = level;
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [L](uint32_t d, uint32_t s) {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            out |= std::min<uint32_t>(255, Channel(d, c) + ((Channel(s, c) * L) >> 8)) << (8 * c);
        }
        return out;
    });
    return true;
}

bool BltMultiply(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w,
                 int16_t h, uint16_t level) {
    if (level == 0) {
        return false;
    }
    if (level >= 256) {
        return OpaqueCopy(dst, dx, dy, src, sx, sy, w, h);
    }
    const uint32_t L = level;
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [L](uint32_t d, uint32_t s) {
        uint32_t out = d & 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            const uint32_t dc = Channel(d, c);
            const uint32_t sc = Channel(s, c);
            out |= ((((sc * dc) >> 8) * L >> 8) + (((255 - L) * dc) >> 8)) << (8 * c);
        }
        return out;
    });
    return true;
}

bool BltAddAlpha(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w,
                 int16_t h, uint16_t level) {
    if (level == 0) {
        return false;
    }
    const uint32_t L = level;
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [L](uint32_t d, uint32_t s) {
        const uint32_t a = s >> 24;
        if (a == 0) {
            return d;
        }
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t add = (((Channel(s, c) * a) >> 8) * L) >> 8;
            out |= std::min<uint32_t>(255, Channel(d, c) + add) << (8 * c);
        }
        return out;
    });
    return true;
}

bool BltScreen(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w, int16_t h,
               uint16_t level) {
    if (level == 0) {
        return false;
    }
    if (level > 255) {
        return OpaqueCopy(dst, dx, dy, src, sx, sy, w, h);
    }
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [](uint32_t d, uint32_t s) {
        if ((s >> 24) == 0) {
            return d;
        }
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            out |= (255 - (((255 - Channel(s, c)) * (255 - Channel(d, c))) >> 8)) << (8 * c);
        }
        return out;
    });
    return true;
}

bool BltCopyLevel(CDIB32* dst, int16_t dx, int16_t dy, CDIB32* src, int16_t sx, int16_t sy, int16_t w,
                  int16_t h, uint16_t level) {
    const uint32_t L = level;
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [L](uint32_t, uint32_t s) {
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c) {
            out |= std::min<uint32_t>(255, (Channel(s, c) * L) >> 8) << (8 * c);
        }
        return out;
    });
    return true;
}

bool BltStretch(CDIB32* dst, int16_t dx, int16_t dy, int16_t dw, int16_t dh, CDIB32* src, int16_t sx,
                int16_t sy, int16_t sw, int16_t sh, uint16_t level) {
    return StretchBlit(StretchKind::Add, dst, dx, dy, dw, dh, src, sx, sy, sw, sh, level);
}

bool BltStretchLevel(CDIB32* dst, int16_t dx, int16_t dy, int16_t dw, int16_t dh, CDIB32* src, int16_t sx,
                     int16_t sy, int16_t sw, int16_t sh, uint16_t level) {
    return StretchBlit(StretchKind::AddLevel, dst, dx, dy, dw, dh, src, sx, sy, sw, sh, level);
}

bool BltStretchAlpha(CDIB32* dst, int16_t dx, int16_t dy, int16_t dw, int16_t dh, CDIB32* src, int16_t sx,
                     int16_t sy, int16_t sw, int16_t sh, uint16_t level) {
    return StretchBlit(StretchKind::Interpolate, dst, dx, dy, dw, dh, src, sx, sy, sw, sh, level);
}

bool BltStretchAlpha2(CDIB32* dst, int16_t dx, int16_t dy, int16_t dw, int16_t dh, CDIB32* src, int16_t sx,
                      int16_t sy, int16_t sw, int16_t sh, uint16_t level) {
    return StretchBlit(StretchKind::Interpolate2, dst, dx, dy, dw, dh, src, sx, sy, sw, sh, level);
}
