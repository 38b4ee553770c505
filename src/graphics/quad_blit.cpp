#include "graphics/quad_blit.h"

#include <algorithm>

#include "graphics/dib32.h"

namespace {

// Positions carry 20 fraction bits; integer parts are taken by an arithmetic shift (floor). They are
// held in 64 bits so that corners far outside the classic +-2048 range still step exactly.
constexpr int kFrac = 20;

struct Vec {
    int64_t x = 0;
    int64_t y = 0;
};

// One edge of a chain: rows covered, x change (start minus end), source start and source change
// (start minus end), in whole pixels.
struct Segment {
    int64_t height = 0;
    int64_t dx = 0;
    Vec srcStart;
    Vec srcChange;
};

// The running state of the left or the right chain.
struct Edge {
    int64_t x = 0;
    int64_t u = 0;
    int64_t v = 0;
    int64_t xStep = 0;
    int64_t uStep = 0;
    int64_t vStep = 0;

    void Begin(const Segment& s) {
        if (s.height == 0) {
            return;
        }
        xStep = (s.dx << kFrac) / s.height;
        u = s.srcStart.x << kFrac;
        v = s.srcStart.y << kFrac;
        uStep = (s.srcChange.x << kFrac) / s.height;
        vStep = (s.srcChange.y << kFrac) / s.height;
    }
    void Advance(int64_t rows) {
        x -= xStep * rows;
        u -= uStep * rows;
        v -= vStep * rows;
    }
};

// For each corner: first neighbour, second neighbour, opposite corner.
constexpr int kNeighbours[4][3] = {{1, 2, 3}, {0, 3, 2}, {0, 3, 1}, {1, 2, 0}};

inline uint32_t BlendPixel(uint32_t s, uint32_t d, uint32_t inverse3, uint32_t level3) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t sc = (s >> shift) & 0xFF;
        const uint32_t dc = (d >> shift) & 0xFF;
        const uint32_t lw = (level3 >> shift) & 0xFF;
        const uint32_t iw = (inverse3 >> shift) & 0xFF;
        const uint32_t c = std::min<uint32_t>(255, ((sc * lw) >> 8) + ((dc * iw) >> 8));
        out |= c << shift;
    }
    return out;
}

} // namespace

int32_t MapQuad(const SurfacePixels& dst, const SurfacePixels& src, const POINT srcPoints[4],
                const POINT dstPoints[4], const RECT* clip, uint8_t exact, QuadMode mode, uint32_t inverse3,
                uint32_t level3) {
    for (int i = 0; i < 4; ++i) {
        const POINT p[2] = {srcPoints[i], dstPoints[i]};
        for (const POINT& q : p) {
            if (q.x > kQuadCoordLimit || q.x < -kQuadCoordLimit || q.y > kQuadCoordLimit ||
                q.y < -kQuadCoordLimit) {
                return 1;
            }
        }
    }

    Vec P[4];
    Vec S[4];
    for (int i = 0; i < 4; ++i) {
        P[i] = {dstPoints[i].x, dstPoints[i].y};
        S[i] = {srcPoints[i].x, srcPoints[i].y};
    }

    // Corners sorted by y, then x, then corner number (so equal corners sort the same way every time).
    int order[4] = {0, 1, 2, 3};
    std::stable_sort(order, order + 4, [&](int a, int b) {
        if (P[a].y != P[b].y) {
            return P[a].y < P[b].y;
        }
        return P[a].x < P[b].x;
    });
    const int t = order[0];
    const int p2 = order[1];
    const int p3 = order[2];
    const int64_t bandHeight[3] = {P[order[1]].y - P[order[0]].y, P[order[2]].y - P[order[1]].y,
                                   P[order[3]].y - P[order[2]].y};

    const int n1 = kNeighbours[t][0];
    const int n2 = kNeighbours[t][1];
    const int o = kNeighbours[t][2];
    const int64_t cross = (P[n1].y - P[t].y) * (P[n2].x - P[t].x) - (P[n2].y - P[t].y) * (P[n1].x - P[t].x);
    const int L = cross < 0 ? n2 : n1;
    const int R = cross < 0 ? n1 : n2;
    if (p2 != L && p2 != R) {
        return 1; // crossed quadrilateral
    }

    auto segment = [&](int from, int to, int64_t heightFrom) {
        Segment s;
        s.height = P[to].y - heightFrom;
        s.dx = P[from].x - P[to].x;
        s.srcStart = S[from];
        s.srcChange = {S[from].x - S[to].x, S[from].y - S[to].y};
        return s;
    };
    // segs[band][0] left chain, [1] right chain; height 0 means no new segment in that band.
    Segment segs[3][2];
    segs[0][0] = segment(t, L, P[t].y);
    segs[0][1] = segment(t, R, P[t].y);
    // The chain on the side of P2 continues to the opposite corner; the third band continues whichever
    // chain ends at P3.
    const int side = (p2 == R) ? 1 : 0;
    const int other = 1 - side;
    const int sideCorner = (p2 == R) ? R : L;
    const int otherCorner = (p2 == R) ? L : R;
    segs[1][side] = segment(sideCorner, o, P[p2].y);
    if (p3 == otherCorner) {
        segs[2][other] = segment(otherCorner, o, P[p3].y);
    } else {
        segs[2][side] = segment(o, otherCorner, P[p3].y);
    }

    if (dst.Empty()) {
        return 0;
    }
    RECT c{0, 0, dst.width, dst.height};
    if (clip) {
        c.left = std::max(c.left, clip->left);
        c.top = std::max(c.top, clip->top);
        c.right = std::min(c.right, clip->right);
        c.bottom = std::min(c.bottom, clip->bottom);
    }
    if (c.left >= c.right || c.top >= c.bottom) {
        return 0;
    }

    Edge edge[2];
    edge[0].x = P[t].x << kFrac;
    edge[1].x = (bandHeight[0] == 0 ? P[R].x : P[t].x) << kFrac;
    const int64_t e = exact ? 0 : (int64_t{1} << kFrac);
    const bool srcEmpty = src.Empty();

    int64_t row = P[t].y - 1;
    for (int band = 0; band < 3; ++band) {
        edge[0].Begin(segs[band][0]);
        edge[1].Begin(segs[band][1]);
        int64_t rows = bandHeight[band];
        // Rows above the clip are stepped over in one go; the result is the same as row by row.
        const int64_t skip = std::clamp<int64_t>(c.top - (row + 1), 0, rows);
        if (skip > 0) {
            edge[0].Advance(skip);
            edge[1].Advance(skip);
            row += skip;
            rows -= skip;
        }
        for (; rows > 0; --rows) {
            edge[0].Advance(1);
            edge[1].Advance(1);
            ++row;
            if (row >= c.bottom) {
                return 0;
            }
            const int64_t xl = edge[0].x >> kFrac;
            const int64_t xr = edge[1].x >> kFrac;
            int64_t count = xr - xl;
            if (count <= 0 || srcEmpty) {
                continue;
            }
            int64_t du = 0;
            int64_t dv = 0;
            if (count > 1) {
                const __int128 denom = (static_cast<__int128>(count) << kFrac) - e;
                du = static_cast<int64_t>((static_cast<__int128>(edge[0].u - edge[1].u) << kFrac) / denom);
                dv = static_cast<int64_t>((static_cast<__int128>(edge[0].v - edge[1].v) << kFrac) / denom);
            }
            const int64_t end = std::min<int64_t>(xl + count, c.right);
            if (end <= c.left) {
                continue;
            }
            int64_t u = edge[0].u;
            int64_t v = edge[0].v;
            int64_t x = xl;
            if (x < c.left) {
                const int64_t n = c.left - x;
                u -= du * n;
                v -= dv * n;
                x = c.left;
            }
            uint32_t* out = dst.Row(static_cast<int32_t>(row));
            for (; x < end; ++x, u -= du, v -= dv) {
                const int64_t ui = u >> kFrac;
                const int64_t vi = v >> kFrac;
                if (ui < 0 || vi < 0 || ui >= src.width || vi >= src.height) {
                    continue;
                }
                const uint32_t s = src.Row(static_cast<int32_t>(vi))[ui];
                if (mode == QuadMode::Copy) {
                    out[x] = s;
                } else {
                    out[x] = BlendPixel(s, out[x], inverse3, level3);
                }
            }
        }
    }
    return 0;
}

namespace {

SurfacePixels PixelsOf(const CDIB32Base* impl) {
    SurfacePixels p;
    if (impl && !impl->IsEmpty()) {
        p.bits = reinterpret_cast<uint8_t*>(impl->Bits());
        p.width = impl->GetWidth();
        p.height = impl->GetHeight();
        p.pitch = impl->GetPitch();
    }
    return p;
}

} // namespace

int CDIB32Nomal::BltQuadB(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, RECT* clip,
                          uint8_t exact) {
    if (!srcPoints || !dstPoints) {
        return 1;
    }
    return MapQuad(PixelsOf(this), PixelsOf(src ? src->Impl() : nullptr), srcPoints, dstPoints, clip, exact,
                   QuadMode::Copy, 0, 0);
}

int CDIB32Nomal::BltQuadD(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, uint32_t inverse3,
                          uint32_t level3, RECT* clip, uint8_t exact) {
    if (!srcPoints || !dstPoints) {
        return 1;
    }
    return MapQuad(PixelsOf(this), PixelsOf(src ? src->Impl() : nullptr), srcPoints, dstPoints, clip, exact,
                   QuadMode::Blend, inverse3, level3);
}
