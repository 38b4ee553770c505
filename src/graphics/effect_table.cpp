#include "graphics/effect_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "graphics/wave_table.h"
#include "platform/clock.h"

using kestrel::fx::CopyClipped;
using kestrel::fx::FadeClipped;
using kestrel::fx::PixelsOf;

namespace {

struct Args {
    CDIB32* dst;
    CDIB32* pic;
    CDIB32* old; // never null: the destination when the caller gave none
    int32_t x, y, sx, sy, w, h;
    int32_t L; // 0 to 256 for every entry but 0
    int32_t extra;
    bool oldGiven;
};

inline uint32_t Ch(uint32_t px, int c) {
    return (px >> (8 * c)) & 0xFF;
}
// t_L[i] of the formulas.
inline int32_t T(int32_t L, int32_t i) {
    return (i * L) >> 8;
}

void FullCopy(const Args& a) {
    CopyClipped(a.dst, a.x, a.y, a.pic, a.x, a.y, a.w, a.h);
}
void FullCopyOld(const Args& a) {
    CopyClipped(a.dst, a.x, a.y, a.old, a.x, a.y, a.w, a.h);
}
// The level test of most entries: below 1 nothing is drawn, at `full` and above the new picture is
// copied whole. True when the level settled the call and the entry has nothing more to draw.
bool LevelSettles(const Args& a, int32_t full = 256) {
    if (a.L >= full) {
        FullCopy(a);
    }
    return a.L < 1 || a.L >= full;
}

// Columns [x0, x1) and rows [y0, y1) of the destination that lie inside every surface given.
struct Area {
    int32_t x0, y0, x1, y1;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Area CutArea(int32_t x, int32_t y, int32_t w, int32_t h,
             std::initializer_list<const SurfacePixels*> surfaces) {
    int64_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    int64_t x1 = int64_t{x} + std::max(w, 0), y1 = int64_t{y} + std::max(h, 0);
    for (const SurfacePixels* s : surfaces) {
        x1 = std::min<int64_t>(x1, s->width);
        y1 = std::min<int64_t>(y1, s->height);
    }
    return {static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1),
            static_cast<int32_t>(y1)};
}

// Runs op(dst, new, old) -> new dst value over (x, y, w, h), all three pictures read at the same place.
template <class Op>
void ForEachPixel3(const Args& a, Op op) {
    const SurfacePixels d = PixelsOf(a.dst);
    const SurfacePixels n = PixelsOf(a.pic);
    const SurfacePixels o = PixelsOf(a.old);
    if (d.Empty() || n.Empty() || o.Empty()) {
        return;
    }
    const Area r = CutArea(a.x, a.y, a.w, a.h, {&d, &n, &o});
    for (int32_t yy = r.y0; yy < r.y1; ++yy) {
        uint32_t* dr = d.Row(yy);
        const uint32_t* nr = n.Row(yy);
        const uint32_t* orow = o.Row(yy);
        for (int32_t xx = r.x0; xx < r.x1; ++xx) {
            dr[xx] = op(dr[xx], nr[xx], orow[xx]);
        }
    }
}

// ---- 0: cross-fade ----
int32_t Effect0(Args& a) {
    if (a.L < 0) {
        return 1;
    }
    if (a.L >= 256) {
        CopyClipped(a.dst, a.x, a.y, a.pic, a.sx, a.sy, a.w, a.h);
        return 1;
    }
    if (a.L == 0) {
        return 0;
    }
    int32_t dx = a.x, dy = a.y, sx = a.sx, sy = a.sy, w = a.w, h = a.h;
    const SurfacePixels d = PixelsOf(a.dst), n = PixelsOf(a.pic), o = PixelsOf(a.old);
    if (!kestrel::fx::ClipToSurfaces(dx, dy, sx, sy, w, h, d.width, d.height, n.width, n.height) ||
        !kestrel::fx::ClipToSurfaces(dx, dy, sx, sy, w, h, d.width, d.height, o.width, o.height)) {
        return 0;
    }
    if (a.oldGiven) {
        a.dst->BltCrossFade(a.old, dx, dy, a.pic, sx, sy, w, h, static_cast<uint16_t>(a.L), 0);
    } else {
        CDIB32::BltFade(a.dst, dx, dy, w, h, a.pic, 0, sx, sy, w, h, static_cast<uint16_t>(a.L));
    }
    return 0;
}

// ---- 1, 2: row jitter ----
int32_t Jitter(Args& a, bool settles) {
    if (LevelSettles(a)) {
        return 0;
    }
    GetWaveTable();
    const int32_t spread = settles ? 256 - a.L : a.L;
    for (int32_t r = 0; r < a.h; ++r) {
        const int32_t dx = (GameRand() % spread) - spread / 2 + a.x;
        CopyClipped(a.dst, dx, a.y + r, a.pic, a.x, a.y + r, a.w, 1);
    }
    return 0;
}
int32_t Effect1(Args& a) {
    return Jitter(a, true);
}
int32_t Effect2(Args& a) {
    return Jitter(a, false);
}

// ---- 3, 38: mosaic ----
void Mosaic(const Args& a, int32_t b) {
    b = std::max(b, 1);
    const SurfacePixels d = PixelsOf(a.dst);
    const SurfacePixels n = PixelsOf(a.pic);
    const Area area = CutArea(a.x, a.y, a.w, a.h, {&d});
    for (int32_t by = 0; by < a.h; by += b) {
        const int32_t py = a.y + by;
        if (py >= area.y1) {
            break;
        }
        for (int32_t bx = 0; bx < a.w; bx += b) {
            const int32_t px = a.x + bx;
            if (px >= area.x1) {
                break;
            }
            if (px < 0 || py < 0 || px >= n.width || py >= n.height) {
                continue;
            }
            const uint32_t colour = n.Row(py)[px];
            const int32_t y0 = std::max(py, area.y0), y1 = std::min(py + std::min(b, a.h - by), area.y1);
            const int32_t x0 = std::max(px, area.x0), x1 = std::min(px + std::min(b, a.w - bx), area.x1);
            for (int32_t yy = y0; yy < y1; ++yy) {
                std::fill(d.Row(yy) + x0, d.Row(yy) + std::max(x0, x1), colour);
            }
        }
    }
}
int32_t Effect3(Args& a) {
    Mosaic(a, (a.L * 32) / 256 + 1);
    return 0;
}
int32_t Effect38(Args& a) {
    Mosaic(a, ((256 - a.L) * 32) / 256 + 1);
    return 0;
}

// ---- 4, 37: interlaced fades ----
template <class Op>
int32_t Interlaced(Args& a, Op op) {
    if (LevelSettles(a)) {
        return 0;
    }
    const uint32_t first = a.pic->GetInterlaceRow();
    const SurfacePixels d = PixelsOf(a.dst), n = PixelsOf(a.pic), o = PixelsOf(a.old);
    const Area area = CutArea(a.x, a.y, a.w, a.h, {&d, &n, &o});
    for (int64_t r = first; r < a.h; r += 2) {
        const int64_t yy = a.y + r;
        if (yy < area.y0 || yy >= area.y1) {
            continue;
        }
        uint32_t* dr = d.Row(static_cast<int32_t>(yy));
        const uint32_t* nr = n.Row(static_cast<int32_t>(yy));
        const uint32_t* orow = o.Row(static_cast<int32_t>(yy));
        for (int32_t xx = area.x0; xx < area.x1; ++xx) {
            dr[xx] = op(dr[xx], nr[xx], orow[xx]);
        }
    }
    a.pic->FlipInterlaceRow();
    return 0;
}
int32_t Effect4(Args& a) {
    const int32_t L = a.L;
    return Interlaced(a, [L](uint32_t d, uint32_t n, uint32_t) {
        uint32_t out = d & 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            const int32_t dc = static_cast<int32_t>(Ch(d, c));
            out |= static_cast<uint32_t>((dc + T(L, Ch(n, c)) - T(L, dc)) & 0xFF) << (8 * c);
        }
        return out;
    });
}
int32_t Effect37(Args& a) {
    const int32_t L = a.L;
    return Interlaced(a, [L](uint32_t d, uint32_t n, uint32_t o) {
        uint32_t out = d & 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            const int32_t v = T(L, 255 - static_cast<int32_t>(Ch(n, c))) + T(256 - L, Ch(o, c));
            out |= static_cast<uint32_t>(v & 0xFF) << (8 * c);
        }
        return out;
    });
}

// ---- 5, 6, 30, 31: vertical blinds of 20-pixel strips ----
void Strips(const Args& a, int32_t n, int32_t x0, int32_t step) {
    for (int32_t k = 0; k <= 50; ++k) {
        const int32_t width = std::min(20, n - k);
        if (width < 1) {
            continue;
        }
        const int32_t sx = x0 + step * k;
        CopyClipped(a.dst, sx, a.y, a.pic, sx, a.y, width, a.h);
    }
}
int32_t Effect5(Args& a) {
    FullCopyOld(a);
    Strips(a, (a.L * 71) / 256, 0, 20);
    return 0;
}
int32_t Effect6(Args& a) {
    FullCopyOld(a);
    Strips(a, (a.L * 71) / 256, 1004, -20);
    return 0;
}
// Paired blinds: two groups of strips growing apart; the columns between the groups are left as the
// old picture until level 256 copies the new one whole.
int32_t Effect30(Args& a) {
    if (LevelSettles(a)) {
        return 0;
    }
    FullCopyOld(a);
    const int32_t n = (a.L * 71) / 256;
    Strips(a, n, 624, 20);
    Strips(a, n, 512, -20);
    return 0;
}
int32_t Effect31(Args& a) {
    if (LevelSettles(a)) {
        return 0;
    }
    FullCopyOld(a);
    const int32_t n = (a.L * 45) / 256;
    Strips(a, n, 112, 20);
    Strips(a, n, 1024, -20);
    return 0;
}

// ---- 7, 8: horizontal blinds of 20-row bands; x is the first band (callers pass 0) ----
// The band count n follows the vertical blinds: (L * 71) / 256.
int32_t Effect7(Args& a) {
    CopyClipped(a.dst, 0, a.y, a.old, 0, a.y, a.w, a.h);
    const int32_t s = a.x;
    if (s >= 28) {
        return 0;
    }
    const int32_t n = (a.L * 71) / 256;
    int32_t j = 0;
    for (int64_t yy = int64_t{20} * s; yy < 560; yy += 20, ++j) {
        const int32_t rows = std::min(20, n - s - j);
        if (rows >= 1) {
            CopyClipped(a.dst, 0, static_cast<int32_t>(yy), a.pic, 0, static_cast<int32_t>(yy), a.w, rows);
        }
    }
    return 0;
}
int32_t Effect8(Args& a) {
    CopyClipped(a.dst, 0, a.y, a.old, 0, a.y, a.w, a.h);
    const int32_t s = a.x;
    if (s >= 28) {
        return 0;
    }
    const int32_t n = (a.L * 71) / 256;
    for (int32_t j = 0; j < 28 - s; ++j) {
        const int64_t yy = 556 - int64_t{20} * s - int64_t{20} * j;
        const int32_t rows = std::min(20, n - s - j);
        if (rows >= 1) {
            CopyClipped(a.dst, 0, static_cast<int32_t>(yy), a.pic, 0, static_cast<int32_t>(yy), a.w, rows);
        }
    }
    return 0;
}

// ---- 9 to 14: opening and closing rectangles ----
void CopyRect(const Args& a, int32_t x, int32_t y, int32_t w, int32_t h) {
    CopyClipped(a.dst, x, y, a.pic, x, y, w, h);
}
int32_t Effect9(Args& a) {
    CopyRect(a, 512 - 2 * a.L, a.y, 4 * a.L, a.h);
    return 0;
}
int32_t Effect10(Args& a) {
    CopyRect(a, 0, a.y, 2 * a.L, a.h);
    CopyRect(a, 1024 - 2 * a.L, a.y, 2 * a.L, a.h);
    return 0;
}
int32_t Effect11(Args& a) {
    const int32_t hh = (a.L * 288) >> 8;
    CopyRect(a, a.x, 288 - hh, a.w, 2 * hh);
    return 0;
}
int32_t Effect12(Args& a) {
    const int32_t hh = (a.L * 288) >> 8;
    CopyRect(a, a.x, 0, a.w, hh);
    CopyRect(a, a.x, 576 - hh, a.w, hh);
    return 0;
}
int32_t Effect13(Args& a) {
    const int32_t hh = (a.L * 288) >> 8;
    CopyRect(a, 512 - 2 * a.L, 288 - hh, 4 * a.L, 2 * hh);
    return 0;
}
int32_t Effect14(Args& a) {
    CopyRect(a, 0, 0, 4 * a.L, (a.L * 576) >> 8);
    return 0;
}

// ---- 15: ordered-dither dissolve ----
int32_t Effect15(Args& a) {
    static constexpr uint32_t kPattern[9] = {0x2080, 0xA0A0, 0xA1A4, 0xA5A5, 0xADA7,
                                             0xAFAF, 0xEFBF, 0xFFFF, 0};
    static constexpr uint32_t kColumn[4] = {0xF000, 0x0F00, 0x00F0, 0x000F};
    static constexpr uint32_t kRow[4] = {0x8888, 0x4444, 0x2222, 0x1111};
    const uint32_t pattern = kPattern[std::clamp(a.L / 32, 0, 8)];
    const SurfacePixels d = PixelsOf(a.dst), n = PixelsOf(a.pic);
    const Area area = CutArea(0, 0, 1024, 576, {&d, &n});
    // The x argument only offsets the first row; later rows start at column 0.
    for (int32_t r = std::max(a.y, 0); r < area.y1; ++r) {
        const int32_t c0 = r == a.y ? std::max(a.x, 0) : 0;
        uint32_t* dr = d.Row(r);
        const uint32_t* nr = n.Row(r);
        for (int32_t c = c0; c < area.x1; ++c) {
            if (pattern & kColumn[c & 3] & kRow[r & 3]) {
                dr[c] = (dr[c] & 0xFF000000u) | (nr[c] & 0xFFFFFFu);
            }
        }
    }
    return 0;
}

// ---- 16, 17, 18: swirls ----
// blend: 0 copies the sample, 1 mixes sample · L + dst · (256 − L), 2 sample · (256 − L) + dst · L.
void Swirl(const Args& a, CDIB32* samples, int32_t k, int32_t q, bool zoom, int blend) {
    const CWaveTable& wt = GetWaveTable();
    const SurfacePixels d = PixelsOf(a.dst), s = PixelsOf(samples);
    if (d.Empty() || s.Empty()) {
        return;
    }
    const Area area = CutArea(a.x, a.y, a.w, a.h, {&d});
    const int32_t hw = a.w / 2, hh = a.h / 2;
    const int64_t d0 = wt.Distance(hh, hw);
    const int64_t L = a.L;
    for (int32_t yy = area.y0; yy < area.y1; ++yy) {
        const int64_t dy = int64_t{yy - a.y} - hh;
        uint32_t* dr = d.Row(yy);
        for (int32_t xx = area.x0; xx < area.x1; ++xx) {
            const int64_t dx = int64_t{xx - a.x} - hw;
            const int64_t ang =
                ((((d0 - wt.Distance(static_cast<int32_t>(dy), static_cast<int32_t>(dx))) >> 16) * k) >> 7);
            const int32_t an = static_cast<int32_t>(ang & 511);
            const int64_t sn = wt.Cos(384 - an);
            const int64_t co = wt.Cos(512 - an);
            const int64_t u = zoom ? (dx * 256) / q : dx;
            const int64_t v = zoom ? (dy * 256) / q : dy;
            const int64_t px = ((co * u) >> 16) - ((sn * v) >> 16) + hw + a.x;
            const int64_t py = ((sn * u) >> 16) + ((co * v) >> 16) + hh + a.y;
            if (px < 0 || py < 0 || px >= s.width || py >= s.height) {
                continue;
            }
            const uint32_t sp = s.Row(static_cast<int32_t>(py))[px];
            uint32_t& dp = dr[xx];
            if (blend == 0) {
                dp = (dp & 0xFF000000u) | (sp & 0xFFFFFFu);
                continue;
            }
            const int64_t ws = blend == 1 ? L : 256 - L;
            uint32_t out = dp & 0xFF000000u;
            for (int c = 0; c < 3; ++c) {
                out |= static_cast<uint32_t>(((Ch(sp, c) * ws + Ch(dp, c) * (256 - ws)) >> 8) & 0xFF)
                       << (8 * c);
            }
            dp = out;
        }
    }
}
int32_t Effect16(Args& a) {
    if (LevelSettles(a)) {
        return 0;
    }
    if (a.extra != 0) {
        FullCopyOld(a);
        Swirl(a, a.pic, 2 * (256 - a.L), a.L, true, 0);
    } else {
        FullCopy(a);
        Swirl(a, a.old, 2 * a.L, 256 - a.L, true, 0);
    }
    return 0;
}
int32_t Effect17(Args& a) {
    if (LevelSettles(a)) {
        return 0;
    }
    if (a.extra != 0) {
        FullCopyOld(a);
        Swirl(a, a.pic, 2 * (256 - a.L), 1, false, 1);
    } else {
        FullCopy(a);
        Swirl(a, a.old, 2 * a.L, 1, false, 2);
    }
    return 0;
}
int32_t Effect18(Args& a) {
    if (LevelSettles(a, 255)) {
        return 0;
    }
    Swirl(a, a.pic, 2 * (255 - a.L), 1, false, 1);
    return 0;
}

// ---- 19, 20, 21: blocks that converge, explode or fly ----
struct BlockDir {
    int64_t ux, uy;
};
BlockDir DirectionOf(const CWaveTable& wt, int32_t c, int32_t r, int32_t w, int32_t h) {
    const int64_t dx = c - w / 2, dy = r - h / 2;
    const int64_t d = wt.Distance(static_cast<int32_t>(dy), static_cast<int32_t>(dx)) >> 16;
    if (d == 0) {
        return {0, 0};
    }
    return {(dx * 256) / d, (dy * 256) / d};
}
// The 4 × 4 blocks of `blocks`, displaced outward by S scaled with the table's random bytes, drawn at
// opacity level.
void RandomBlocks(const Args& a, CDIB32* blocks, int64_t S, int32_t level) {
    const CWaveTable& wt = GetWaveTable();
    for (int32_t r = 0; r < a.h; r += 4) {
        for (int32_t c = 0; c < a.w; c += 4) {
            const BlockDir u = DirectionOf(wt, c, r, a.w, a.h);
            const int64_t rnd1 = wt.Random((r / 4) * 40 + c);
            const int64_t rnd2 = wt.Random(16 * r + c);
            const int64_t ox = (rnd1 * u.ux * S) >> 16;
            const int64_t oy = (rnd2 * u.uy * S) >> 16;
            FadeClipped(a.dst, static_cast<int32_t>(a.x + c + ox), static_cast<int32_t>(a.y + r + oy), blocks,
                        a.x + c, a.y + r, std::min(4, a.w - c), std::min(4, a.h - r), level);
        }
    }
}
// Converging blocks: the old picture as base, the new picture's blocks gathering in as they fade in.
int32_t Effect19(Args& a) {
    if (LevelSettles(a)) {
        return 0;
    }
    FullCopyOld(a);
    const int64_t wh = int64_t{a.w} + a.h;
    RandomBlocks(a, a.pic, wh - ((wh * a.L) >> 8), a.L);
    return 0;
}
int32_t Effect20(Args& a) {
    if (LevelSettles(a)) {
        return 0;
    }
    FullCopy(a);
    const int64_t wh = int64_t{a.w} + a.h;
    RandomBlocks(a, a.old, wh - (((256 - a.L) * wh) >> 8), 255 - a.L);
    return 0;
}
int32_t Effect21(Args& a) {
    if (LevelSettles(a)) {
        return 0;
    }
    const CWaveTable& wt = GetWaveTable();
    const int32_t k = 2 * (256 - a.L);
    const int64_t sn = wt.Sin(k), co = wt.Cos(k);
    const int64_t wh = int64_t{a.w} + a.h;
    const int64_t S = wh - ((wh * a.L) >> 8);
    for (int32_t r = 0; r < a.h; r += 2) {
        for (int32_t c = 0; c < a.w; c += 4) {
            const BlockDir u = DirectionOf(wt, c, r, a.w, a.h);
            const int64_t ox = (((u.ux * sn) >> 16) * S) >> 8;
            const int64_t oy = (((u.uy * co) >> 16) * S) >> 8;
            CopyClipped(a.dst, static_cast<int32_t>(a.x + c + ox), static_cast<int32_t>(a.y + r + oy), a.pic,
                        a.x + c, a.y + r, std::min(4, a.w - c), std::min(2, a.h - r));
        }
    }
    return 0;
}

// ---- 22 to 25: waves ----
int32_t Wave(Args& a, int32_t phase) {
    const CWaveTable& wt = GetWaveTable();
    for (int32_t r = 0; r < a.h; ++r) {
        const int32_t dx = static_cast<int16_t>((int64_t{wt.Cos(r - phase)} * (255 - a.L)) >> 15);
        CopyClipped(a.dst, a.x + dx, a.y + r, a.pic, a.x, a.y + r, a.w, 1);
    }
    return 0;
}
int32_t Effect22(Args& a) {
    return Wave(a, 0);
}
int32_t Effect23(Args& a) {
    return Wave(a, 256);
}
int32_t Effect24(Args& a) {
    const CWaveTable& wt = GetWaveTable();
    for (int32_t r = 0; r < a.h; ++r) {
        const int32_t dx = static_cast<int32_t>((int64_t{wt.Cos(8 * (r & 63))} * (255 - a.L)) >> 16);
        CopyClipped(a.dst, a.x + dx, a.y + r, a.old, a.x, a.y + r, a.w, 1);
        FadeClipped(a.dst, a.x + dx, a.y + r, a.pic, a.x, a.y + r, a.w, 1, a.L);
    }
    return 0;
}
int32_t Effect25(Args& a) {
    const CWaveTable& wt = GetWaveTable();
    const int32_t fade = std::max(0, 255 - ((a.L * a.L) >> 8));
    for (int32_t r = 0; r < a.h; ++r) {
        const int32_t d = static_cast<int32_t>((int64_t{wt.Cos(8 * (r & 63))} * a.L) >> 16);
        CopyClipped(a.dst, a.x, a.y + r, a.pic, a.x, a.y + r, d < 0 ? a.w : d, 1);
        CopyClipped(a.dst, a.x + d, a.y + r, a.pic, a.x, a.y + r, a.w, 1);
        FadeClipped(a.dst, a.x + d, a.y + r, a.old, a.x, a.y + r, a.w, 1, fade);
    }
    return 0;
}

// ---- 26, 27, 60, 61: random streaks ----
int32_t StreakLength(int32_t L) {
    const uint32_t unit = (static_cast<uint32_t>(GameRand()) * timeGetTime()) % 10 + 16;
    return static_cast<int32_t>(unit) * (((L * 20) >> 7) + 1);
}
int32_t Effect26(Args& a) {
    for (int32_t r = 0; r < a.h; ++r) {
        const int32_t len = StreakLength(a.L);
        CopyRect(a, 0, a.y + r, len, 1);
    }
    return 0;
}
int32_t Effect27(Args& a) {
    for (int32_t c = 0; c < 1024; ++c) {
        const int32_t len = StreakLength(a.L);
        CopyRect(a, c, 0, 1, len);
    }
    return 0;
}
int32_t Effect60(Args& a) {
    for (int32_t r = 0; r < a.h; ++r) {
        const int32_t len = StreakLength(a.L);
        CopyRect(a, 1024 - len, a.y + r, len, 1);
    }
    return 0;
}
int32_t Effect61(Args& a) {
    for (int32_t c = 0; c < 1024; ++c) {
        const int32_t len = StreakLength(a.L);
        if (len > 576) {
            CopyRect(a, c, 0, 1, 576);
        } else {
            CopyRect(a, c, 576 - len, 1, len);
        }
    }
    return 0;
}

// ---- 28, 29: smears ----
int32_t Effect28(Args& a) {
    const int32_t edge = (a.L * 575) >> 8;
    for (int32_t r = 0; r < a.h; ++r) {
        CopyClipped(a.dst, a.x, a.y + r, a.pic, a.x, a.y + std::max(edge, r), a.w, 1);
    }
    return 0;
}
int32_t Effect29(Args& a) {
    const int32_t edge = (a.L * 1023) >> 8;
    for (int32_t c = 0; c < a.w; ++c) {
        CopyClipped(a.dst, a.x + c, a.y, a.pic, a.x + std::max(edge, c), a.y, 1, a.h);
    }
    return 0;
}

// ---- 32, 40-59, 69, 70: rule-mask wipes (the mask value is the blue byte; 0 outside the mask) ----
void MaskWipe(const Args& a, const MaskRamp& ramp) {
    const SurfacePixels d = PixelsOf(a.dst), n = PixelsOf(a.pic), o = PixelsOf(a.old);
    const SurfacePixels m = PixelsOf(g_RuleMaskSurface);
    if (d.Empty() || n.Empty() || o.Empty()) {
        return;
    }
    const CDIB32Base& impl = *a.dst->Impl();
    const Area area = CutArea(a.x, a.y, a.w, a.h, {&d, &n, &o});
    for (int32_t yy = area.y0; yy < area.y1; ++yy) {
        uint32_t* dr = d.Row(yy);
        const uint32_t* nr = n.Row(yy);
        const uint32_t* orow = o.Row(yy);
        const uint32_t* mr = (!m.Empty() && yy < m.height) ? m.Row(yy) : nullptr;
        const int32_t maskEnd = mr ? std::clamp(m.width, area.x0, area.x1) : area.x0;
        const int32_t x0 = area.x0;
        impl.MaskWipeRow(dr + x0, nr + x0, orow + x0, mr ? mr + x0 : nullptr, maskEnd - x0, ramp);
        impl.MaskWipeRow(dr + maskEnd, nr + maskEnd, orow + maskEnd, nullptr, area.x1 - maskEnd, ramp);
    }
}
// Weight t_L[mask] + L²/256; below 1 the pixel is left.
int32_t Effect32(Args& a) {
    MaskRamp ramp;
    ramp.scale = a.L;
    ramp.offset = (a.L * a.L) >> 8;
    ramp.keepBelow = 1;
    MaskWipe(a, ramp);
    return 0;
}
// With v = L × 320 / 256: weight 0 while 256 − mask >= v, 255 from 256 − mask + 64 <= v, and
// 4 × (v − 256 + mask) between: 4 × (mask + v − 256) clamped to 0 to 255.
int32_t SoftMaskWipe(Args& a) {
    const int32_t v = (a.L * 320) / 256;
    MaskRamp ramp;
    ramp.scale = 1024;
    ramp.offset = 4 * (v - 256);
    ramp.low = 0;
    ramp.high = 255;
    MaskWipe(a, ramp);
    return 0;
}

// ---- 33, 34, 35: zooms ----
int32_t Effect33(Args& a) {
    const int32_t w2 = (a.w * a.L) >> 8, h2 = (a.h * a.L) >> 8;
    if (w2 > 0 && h2 > 0) {
        CDIB32::BltScaled(a.dst, a.w / 2 - w2 / 2, a.h / 2 - h2 / 2, w2, h2, a.pic, a.sx, a.sy, a.w, a.h);
    }
    return 0;
}
int32_t Effect34(Args& a) {
    const int32_t w2 = (a.w * a.L) >> 8, h2 = (a.h * a.L) >> 8;
    if (w2 > 0 && h2 > 0) {
        CDIB32::BltFade(a.dst, a.w / 2 - w2 / 2, a.h / 2 - h2 / 2, w2, h2, a.pic, 0, a.sx, a.sy, a.w, a.h,
                        static_cast<uint16_t>(a.L));
    }
    return 0;
}
int32_t Effect35(Args& a) {
    FullCopy(a);
    const int32_t w2 = ((255 - a.L) * a.w) >> 8, h2 = ((255 - a.L) * a.h) >> 8;
    if (w2 > 0 && h2 > 0) {
        CDIB32::BltScaled(a.dst, a.w / 2 - w2 / 2, a.h / 2 - h2 / 2, w2, h2, a.old, a.sx, a.sy, a.w, a.h);
    }
    return 0;
}

// ---- 36: water ripple centred on the screen ----
// Walks the whole w × h area (cut to the surfaces) around (512, 288).
int32_t Effect36(Args& a) {
    if (LevelSettles(a)) {
        return 0;
    }
    const CWaveTable& wt = GetWaveTable();
    const SurfacePixels d = PixelsOf(a.dst), n = PixelsOf(a.pic), o = PixelsOf(a.old);
    if (d.Empty() || n.Empty() || o.Empty()) {
        return 0;
    }
    const Area area = CutArea(0, 0, a.w, a.h, {&d, &o});
    const int32_t L = a.L;
    const int32_t maxX = std::min(1016, n.width - 1), maxY = std::min(568, n.height - 1);
    for (int32_t Y = area.y0; Y < area.y1; ++Y) {
        uint32_t* dr = d.Row(Y);
        const uint32_t* orow = o.Row(Y);
        const int32_t dy = Y - 288;
        for (int32_t X = area.x0; X < area.x1; ++X) {
            const int32_t dx = X - 512;
            int32_t r = static_cast<int32_t>(std::sqrt(static_cast<double>(dx * dx + dy * dy)) + 1.0);
            const int32_t wave = wt.Cos(8 * (r - (8 * L + 16))) >> 13;
            r = std::min(r, 512);
            const int32_t amp = ((512 - r) * wave) / 512;
            const int32_t oy = (dy * amp) / r;
            const int32_t ox = (dx * amp) / r;
            const int32_t px = std::clamp(X + ox, 0, maxX);
            const int32_t py = std::clamp(Y + oy, 0, maxY);
            const uint32_t sp = n.Row(py)[px];
            uint32_t out = dr[X] & 0xFF000000u;
            for (int c = 0; c < 3; ++c) {
                const int32_t v = T(256 - L, Ch(orow[X], c)) + T(L, Ch(sp, c)) + 2 * oy;
                out |= static_cast<uint32_t>(std::clamp(v, 0, 255)) << (8 * c);
            }
            dr[X] = out;
        }
    }
    return 0;
}

// ---- 39: iris ----
int32_t Effect39(Args& a) {
    if (LevelSettles(a)) {
        return 0;
    }
    const int64_t wh = int64_t{a.w} + a.h;
    const int64_t rho = (wh * a.L) >> 9;
    const int64_t D = (wh * a.L) >> 8;
    const int32_t cy = a.h / 2, cx = a.w / 2;
    for (int64_t row = cy - rho; row <= cy + rho; ++row) {
        if (row < 0 || row >= a.h) {
            continue;
        }
        const int64_t dist = row - cy;
        const int64_t q = D * D - 4 * dist * dist;
        if (q <= 0) {
            continue;
        }
        const int64_t width = static_cast<int64_t>(std::sqrt(static_cast<double>(q)));
        const int64_t left = std::max<int64_t>(0, cx - width / 2);
        const int64_t right = std::min<int64_t>(a.w, cx - width / 2 + width);
        if (right > left) {
            CopyRect(a, a.x + static_cast<int32_t>(left), a.y + static_cast<int32_t>(row),
                     static_cast<int32_t>(right - left), 1);
        }
    }
    return 0;
}

// ---- 62 to 67: soft wipes of 256 lines at rising opacity ----
template <class Body>
int32_t SoftWipe(Args& a, Body body) {
    if (LevelSettles(a, 255)) {
        return 0;
    }
    body();
    return 0;
}
void FadeColumn(const Args& a, int32_t c, int32_t level) {
    FadeClipped(a.dst, c, a.y, a.pic, c, a.y, 1, a.h, level);
}
void FadeRow(const Args& a, int32_t r, int32_t level) {
    FadeClipped(a.dst, a.x, r, a.pic, a.x, r, a.w, 1, level);
}
int32_t Effect62(Args& a) {
    return SoftWipe(a, [&] {
        for (int32_t i = 0; i < 256; ++i) {
            const int32_t c = 5 * a.L - i;
            if (c < 1025) {
                FadeColumn(a, c, i);
            }
        }
    });
}
int32_t Effect63(Args& a) {
    return SoftWipe(a, [&] {
        const int32_t m = (a.L * 1280) >> 8;
        for (int32_t i = 0; i < 256 && 512 + m - i >= 0; ++i) {
            FadeColumn(a, 1024 - m + i, i);
        }
    });
}
int32_t Effect64(Args& a) {
    return SoftWipe(a, [&] {
        for (int32_t i = 0; i < 256; ++i) {
            const int32_t r = ((a.L * 832) >> 8) - i;
            if (r < 577) {
                FadeRow(a, r, i);
            }
        }
    });
}
int32_t Effect65(Args& a) {
    return SoftWipe(a, [&] {
        const int32_t m = (a.L * 832) >> 8;
        for (int32_t i = 0; i < 256 && 512 + m - i >= 0; ++i) {
            FadeRow(a, 576 - m + i, i);
        }
    });
}
int32_t Effect66(Args& a) {
    return SoftWipe(a, [&] {
        const int32_t m = (a.L * 1280) >> 9;
        for (int32_t i = 0; i < 256 && m - i >= 0; ++i) {
            FadeColumn(a, 512 - m + i, i);
            FadeColumn(a, 512 + m - i, i);
        }
    });
}
int32_t Effect67(Args& a) {
    return SoftWipe(a, [&] {
        const int32_t m = static_cast<int16_t>((a.L * 832) >> 9);
        for (int32_t i = 0; i < 256 && m - i >= 0; ++i) {
            FadeRow(a, 288 - m + i, i);
            FadeRow(a, 288 + m - i, i);
        }
    });
}

// ---- 68: cross-fade with the new picture read at an offset ----
int32_t Effect68(Args& a) {
    if (a.L < 1) {
        return 0;
    }
    const SurfacePixels d = PixelsOf(a.dst), n = PixelsOf(a.pic), o = PixelsOf(a.old);
    if (d.Empty() || n.Empty() || o.Empty()) {
        return 0;
    }
    const Area area = CutArea(a.x, a.y, a.w, a.h, {&d, &o});
    const int32_t L = a.L;
    const int64_t ox = int64_t{a.sx} - a.x, oy = int64_t{a.sy} - a.y;
    for (int32_t yy = area.y0; yy < area.y1; ++yy) {
        const int64_t ny = yy + oy;
        if (ny < 0 || ny >= n.height) {
            continue;
        }
        uint32_t* dr = d.Row(yy);
        const uint32_t* orow = o.Row(yy);
        const uint32_t* nr = n.Row(static_cast<int32_t>(ny));
        for (int32_t xx = area.x0; xx < area.x1; ++xx) {
            const int64_t nx = xx + ox;
            if (nx < 0 || nx >= n.width) {
                continue;
            }
            uint32_t out = dr[xx] & 0xFF000000u;
            for (int c = 0; c < 3; ++c) {
                out |= static_cast<uint32_t>(T(L, Ch(nr[nx], c)) + T(256 - L, Ch(orow[xx], c))) << (8 * c);
            }
            dr[xx] = out;
        }
    }
    return 0;
}

// ---- 71, 72: triangle wipes ----
int32_t Triangle(Args& a, bool fromBottom) {
    const int64_t n = ((int64_t{a.w} / 2 + a.h) * a.L) / 256;
    for (int32_t r = 0; r < a.h; ++r) {
        const int64_t len = 2 * (n - r);
        if (len <= 0) {
            continue;
        }
        const int64_t start = std::max<int64_t>(0, a.w / 2 - n + r);
        const int64_t width = std::min<int64_t>(std::min<int64_t>(len, a.w), a.w - start);
        if (width <= 0) {
            continue;
        }
        const int32_t row = fromBottom ? a.h - 1 - r : r;
        CopyRect(a, a.x + static_cast<int32_t>(start), a.y + row, static_cast<int32_t>(width), 1);
    }
    return 0;
}
int32_t Effect71(Args& a) {
    return Triangle(a, false);
}
int32_t Effect72(Args& a) {
    return Triangle(a, true);
}

// ---- 73: through grey ----
int32_t Effect73(Args& a) {
    const int32_t L = a.L;
    const int32_t k = (2 * L) & 255;
    ForEachPixel3(a, [L, k](uint32_t d, uint32_t n, uint32_t o) {
        const int32_t g = static_cast<int32_t>(Ch(n, 0) + Ch(n, 1) + Ch(n, 2)) / 3;
        uint32_t out = d & 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            int32_t v;
            if (L < 128) {
                const int32_t oc = static_cast<int32_t>(Ch(o, c));
                v = oc + (((g - oc) * k) >> 8);
            } else {
                v = g + (((static_cast<int32_t>(Ch(n, c)) - g) * k) >> 8);
            }
            out |= static_cast<uint32_t>(v & 0xFF) << (8 * c);
        }
        return out;
    });
    return 0;
}

// ---- 74 to 77: diagonal bands ----
void Diagonal(const Args& a, int32_t ox, int32_t oy, int32_t w, int32_t h, bool mirrored) {
    const int64_t n = (int64_t{w} * a.L) >> 8;
    for (int32_t r = 0; r < h; ++r) {
        int64_t lo, hi;
        if (!mirrored) {
            const int64_t c = (int64_t{r} * w) / h;
            lo = std::min(c, std::max<int64_t>(0, c - r + h - n));
            hi = std::max(c, std::min<int64_t>(w, c - r + n));
        } else {
            const int64_t c = w - (int64_t{r} * w) / h;
            lo = std::min(c, std::max<int64_t>(0, c - n + r));
            hi = std::max(c, std::min<int64_t>(w, c - h + r + n));
        }
        if (hi > lo) {
            CopyRect(a, ox + static_cast<int32_t>(lo), oy + r, static_cast<int32_t>(hi - lo), 1);
        }
    }
}
int32_t Effect74(Args& a) {
    Diagonal(a, a.x, a.y, a.w, a.h, false);
    return 0;
}
int32_t Effect75(Args& a) {
    Diagonal(a, a.x, a.y, a.w, a.h, true);
    return 0;
}
int32_t Quadrants(Args& a, bool firstMirrored) {
    const int32_t hw = a.w / 2, hh = a.h / 2;
    Diagonal(a, a.x, a.y, hw, hh, firstMirrored);
    Diagonal(a, a.x + hw, a.y, hw, hh, !firstMirrored);
    Diagonal(a, a.x, a.y + hh, hw, hh, !firstMirrored);
    Diagonal(a, a.x + hw, a.y + hh, hw, hh, firstMirrored);
    return 0;
}
int32_t Effect76(Args& a) {
    return Quadrants(a, false);
}
int32_t Effect77(Args& a) {
    return Quadrants(a, true);
}

// ---- 78, 79: curtains ----
// The picture is cut into bands of 64 rows (78, from the bottom band upward) or 64 columns (79, from
// the right band leftward). A front f runs along the bands, one band length (w for rows, h for
// columns) less per band; the walk stops at the first band whose front is below 1. A band whose front
// is up to one length is painted that far with the destination's default fill colour, up to four
// lengths it is painted whole, and beyond that the new picture comes in: the first quarter of the
// excess is settled in place and the rest of the band shows the new picture shifted along by it.
int32_t Curtain(Args& a, bool columns) {
    if (LevelSettles(a)) {
        return 0;
    }
    const int64_t bands = (columns ? a.w : a.h) / 64 + 1;
    const int64_t len = columns ? a.h : a.w;
    const int64_t f = columns ? ((int64_t{a.w} / 64 + 8) * a.h * a.L) / 256
                              : (((int64_t{a.h} / 64 + 4) * a.w + 4 * int64_t{a.h}) * a.L) / 256;
    const int64_t across = columns ? a.w : a.h;
    for (int64_t b = 0; b < bands; ++b) {
        const int64_t fb = f - b * len;
        if (fb < 1) {
            break;
        }
        const int64_t hiEdge = across - 64 * b;
        const int64_t loEdge = std::max<int64_t>(0, across - 64 * (b + 1));
        if (loEdge >= hiEdge) {
            continue;
        }
        // A band rectangle from its start along the band over `along` pixels, `shift` further in.
        auto rect = [&](int64_t from, int64_t along, RECT& out) {
            if (columns) {
                out = {static_cast<int32_t>(a.x + loEdge), static_cast<int32_t>(a.y + from),
                       static_cast<int32_t>(a.x + hiEdge), static_cast<int32_t>(a.y + from + along)};
            } else {
                out = {static_cast<int32_t>(a.x + from), static_cast<int32_t>(a.y + loEdge),
                       static_cast<int32_t>(a.x + from + along), static_cast<int32_t>(a.y + hiEdge)};
            }
        };
        RECT r;
        if (fb <= 4 * len) {
            rect(0, std::min(fb, len), r);
            // Cut to the destination before filling.
            const SurfacePixels d = PixelsOf(a.dst);
            r.left = std::max(r.left, 0);
            r.top = std::max(r.top, 0);
            r.right = std::min(r.right, d.width);
            r.bottom = std::min(r.bottom, d.height);
            if (r.left < r.right && r.top < r.bottom) {
                a.dst->Fill(0xFFFFFFFFu, &r);
            }
            continue;
        }
        const int64_t settled = std::min(len, (fb - 4 * len) / 4);
        rect(0, settled, r);
        CopyClipped(a.dst, r.left, r.top, a.pic, r.left, r.top, r.right - r.left, r.bottom - r.top);
        rect(settled, len - settled, r);
        if (columns) {
            CopyClipped(a.dst, r.left, r.top, a.pic, r.left, a.y, r.right - r.left, r.bottom - r.top);
        } else {
            CopyClipped(a.dst, r.left, r.top, a.pic, a.x, r.top, r.right - r.left, r.bottom - r.top);
        }
    }
    return 0;
}
int32_t Effect78(Args& a) {
    return Curtain(a, false);
}
int32_t Effect79(Args& a) {
    return Curtain(a, true);
}

using Entry = int32_t (*)(Args&);

// The table entry: gathers the arguments, clamps the level and supplies the missing old picture.
template <Entry F>
int32_t Thunk(CDIB32* dst, CDIB32* pic, CDIB32* old, int32_t x, int32_t y, int32_t sx, int32_t sy, int32_t w,
              int32_t h, int32_t level, int32_t extra) {
    const bool raw = F == &Effect0;
    if (PixelsOf(dst).Empty() || PixelsOf(pic).Empty()) {
        return raw && (level < 0 || level >= 256) ? 1 : 0;
    }
    Args a{dst,   pic,           old ? old : dst, x, y, sx, sy, w, h, raw ? level : std::clamp(level, 0, 256),
           extra, old != nullptr};
    return F(a);
}

} // namespace

const EffectFn EffectTable[kEffectCount] = {
    Thunk<Effect0>,
    Thunk<Effect1>,
    Thunk<Effect2>,
    Thunk<Effect3>,
    Thunk<Effect4>,
    Thunk<Effect5>,
    Thunk<Effect6>,
    Thunk<Effect7>,
    Thunk<Effect8>,
    Thunk<Effect9>,
    Thunk<Effect10>,
    Thunk<Effect11>,
    Thunk<Effect12>,
    Thunk<Effect13>,
    Thunk<Effect14>,
    Thunk<Effect15>,
    Thunk<Effect16>,
    Thunk<Effect17>,
    Thunk<Effect18>,
    Thunk<Effect19>,
    Thunk<Effect20>,
    Thunk<Effect21>,
    Thunk<Effect22>,
    Thunk<Effect23>,
    Thunk<Effect24>,
    Thunk<Effect25>,
    Thunk<Effect26>,
    Thunk<Effect27>,
    Thunk<Effect28>,
    Thunk<Effect29>,
    Thunk<Effect30>,
    Thunk<Effect31>,
    Thunk<Effect32>,
    Thunk<Effect33>,
    Thunk<Effect34>,
    Thunk<Effect35>,
    Thunk<Effect36>,
    Thunk<Effect37>,
    Thunk<Effect38>,
    Thunk<Effect39>,
    // 40 to 59: the soft rule-mask wipe.
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<Effect60>,
    Thunk<Effect61>,
    Thunk<Effect62>,
    Thunk<Effect63>,
    Thunk<Effect64>,
    Thunk<Effect65>,
    Thunk<Effect66>,
    Thunk<Effect67>,
    Thunk<Effect68>,
    Thunk<SoftMaskWipe>,
    Thunk<SoftMaskWipe>,
    Thunk<Effect71>,
    Thunk<Effect72>,
    Thunk<Effect73>,
    Thunk<Effect74>,
    Thunk<Effect75>,
    Thunk<Effect76>,
    Thunk<Effect77>,
    Thunk<Effect78>,
    Thunk<Effect79>,
};

int32_t DrawEffect(int32_t number, CDIB32* dst, CDIB32* pic, CDIB32* old, int32_t x, int32_t y, int32_t sx,
                   int32_t sy, int32_t w, int32_t h, int32_t level, int32_t extra) {
    if (number < 0 || number >= kEffectCount) {
        return 0;
    }
    return EffectTable[number](dst, pic, old, x, y, sx, sy, w, h, level, extra);
}
