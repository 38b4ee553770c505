// The walk shared by the basic blits of both surface implementations: it turns the state that
// PrepareBlt leaves into rows of destination pixels paired with rows of source pixels, doing the
// stretch (nearest pixel, by error terms) and the self-overlap handling once, so that an
// implementation only supplies the per-row pixel operation.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/dib32.h"

namespace kestrel::gfx {

// Source column offsets (from srcRect.left) of each destination column of a stretched blit.
inline void StretchColumns(const CDIB32Base::BlitState& b, std::vector<int32_t>& cols) {
    const int32_t n = b.dstRect.right - b.dstRect.left;
    cols.resize(static_cast<size_t>(n));
    int32_t col = 0;
    int32_t e = b.errX;
    for (int32_t i = 0; i < n; ++i) {
        cols[static_cast<size_t>(i)] = col;
        col += b.stepX;
        const int32_t before = e;
        e += b.remX;
        if (before < 0 && e >= 0) {
            col += 1;
            e -= b.dstW;
        }
    }
}

// Runs op(dstRow, srcRow, count) over every destination row of a prepared blit. src is the source
// implementation (may be dst itself). Unscaled rows are handed over in place, except where the
// source and destination are the same surface, in which case the source rows are taken from a
// copy made first. Stretched rows are gathered into a scratch row first.
template <class RowOp>
void WalkBlit(CDIB32Base& dst, const CDIB32Base& src, const CDIB32Base::BlitState& b, RowOp op) {
    const int32_t n = b.dstRect.right - b.dstRect.left;
    const int32_t rows = b.dstRect.bottom - b.dstRect.top;
    if (n <= 0 || rows <= 0) {
        return;
    }
    const int32_t srcW = src.GetWidth();
    const int32_t srcH = src.GetHeight();
    const bool aliased = &dst == &src;

    if (b.unscaled) {
        if (!aliased) {
            for (int32_t y = 0; y < rows; ++y) {
                op(dst.Row(b.dstRect.top + y) + b.dstRect.left,
                   src.ReadRow(b.srcRect.top + y) + b.srcRect.left, n);
            }
            return;
        }
        std::vector<uint32_t> copy(static_cast<size_t>(n) * static_cast<size_t>(rows));
        for (int32_t y = 0; y < rows; ++y) {
            std::memcpy(&copy[static_cast<size_t>(y) * n], src.ReadRow(b.srcRect.top + y) + b.srcRect.left,
                        static_cast<size_t>(n) * 4);
        }
        for (int32_t y = 0; y < rows; ++y) {
            op(dst.Row(b.dstRect.top + y) + b.dstRect.left, &copy[static_cast<size_t>(y) * n], n);
        }
        return;
    }

    std::vector<int32_t> cols;
    StretchColumns(b, cols);
    // Source rows of every destination row, walked by the vertical error term (kept across rows).
    std::vector<int32_t> srcRows(static_cast<size_t>(rows));
    {
        int32_t row = b.srcRect.top;
        int32_t e = b.errY;
        for (int32_t y = 0; y < rows; ++y) {
            srcRows[static_cast<size_t>(y)] = std::clamp(row, 0, srcH - 1);
            row += b.stepY;
            const int32_t before = e;
            e += b.remY;
            if (before < 0 && e >= 0) {
                row += 1;
                e -= b.dstH;
            }
        }
    }
    for (auto& c : cols) {
        c = std::clamp(b.srcRect.left + c, 0, srcW - 1);
    }
    // A stretched blit of a surface onto itself reads from a copy of the whole source.
    std::vector<uint32_t> whole;
    const uint32_t* base = src.ReadBits();
    if (aliased) {
        whole.assign(src.ReadBits(), src.ReadBits() + static_cast<size_t>(srcW) * static_cast<size_t>(srcH));
        base = whole.data();
    }
    std::vector<uint32_t> gathered(static_cast<size_t>(n));
    for (int32_t y = 0; y < rows; ++y) {
        const uint32_t* s =
            base + static_cast<size_t>(srcRows[static_cast<size_t>(y)]) * static_cast<size_t>(srcW);
        for (int32_t i = 0; i < n; ++i) {
            gathered[static_cast<size_t>(i)] = s[cols[static_cast<size_t>(i)]];
        }
        op(dst.Row(b.dstRect.top + y) + b.dstRect.left, gathered.data(), n);
    }
}

// Per-channel weights of the alpha-times-level blit for every source alpha: m = alpha (256 at
// 255), source weight (m × level_c) >> 8, destination weight 255 − ((m × (255 − inverse_c)) >> 8).
struct AlphaBlendWeights {
    uint8_t src[256][3];
    uint8_t dst[256][3];
};

inline void BuildAlphaBlendWeights(uint32_t inverse3, uint32_t level3, AlphaBlendWeights& w) {
    for (int c = 0; c < 3; ++c) {
        const uint32_t level = (level3 >> (8 * c)) & 0xFF;
        const uint32_t inverse = (inverse3 >> (8 * c)) & 0xFF;
        for (uint32_t a = 0; a < 256; ++a) {
            const uint32_t m = a == 255 ? 256 : a;
            w.src[a][c] = static_cast<uint8_t>((m * level) >> 8);
            w.dst[a][c] = static_cast<uint8_t>(255 - ((m * (255 - inverse)) >> 8));
        }
    }
}

// min(255, ((s × ws) >> 8) + ((d × wd) >> 8)) for one channel.
inline uint32_t BlendChannel(uint32_t s, uint32_t ws, uint32_t d, uint32_t wd) {
    return std::min<uint32_t>(255, ((s * ws) >> 8) + ((d * wd) >> 8));
}

} // namespace kestrel::gfx
