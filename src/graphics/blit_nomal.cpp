// The plain implementation of the five basic blits: the reference for the fast one.
#include <cstring>

#include "graphics/blit_walk.h"
#include "graphics/dib32.h"

using kestrel::gfx::BlendChannel;
using kestrel::gfx::WalkBlit;

namespace {

// Blends one pixel with per-channel weights; the result's alpha byte is 0.
inline uint32_t Blend3(uint32_t s, uint32_t d, const uint32_t ws[3], const uint32_t wd[3]) {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const int sh = 8 * c;
        out |= BlendChannel((s >> sh) & 0xFF, ws[c], (d >> sh) & 0xFF, wd[c]) << sh;
    }
    return out;
}

} // namespace

CDIB32Nomal::~CDIB32Nomal() = default;

int CDIB32Nomal::BltColorKey(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                             RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    const uint32_t key = src->Impl()->GetColorKey();
    WalkBlit(*this, *src->Impl(), m_blit, [key](uint32_t* d, const uint32_t* s, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            if (s[i] != key) {
                d[i] = s[i];
            }
        }
    });
    return 0;
}

int CDIB32Nomal::BltCopy(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                         RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    WalkBlit(*this, *src->Impl(), m_blit, [](uint32_t* d, const uint32_t* s, int32_t n) {
        std::memcpy(d, s, static_cast<size_t>(n) * 4);
    });
    return 0;
}

int CDIB32Nomal::BltAlpha(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                          RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    WalkBlit(*this, *src->Impl(), m_blit, [](uint32_t* d, const uint32_t* s, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t alpha = s[i] >> 24;
            // Full weight at the two ends, so that alpha 255 writes the source colour and alpha 0
            // keeps the destination colour (both clear the alpha byte).
            const uint32_t a = alpha == 255 ? 256 : alpha;
            const uint32_t b = alpha == 0 ? 256 : 255 - alpha;
            const uint32_t ws[3] = {a, a, a};
            const uint32_t wd[3] = {b, b, b};
            d[i] = Blend3(s[i], d[i], ws, wd);
        }
    });
    return 0;
}

int CDIB32Nomal::BltBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                          const RECT* srcRect, const SIZE* dstSize, RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    const uint32_t ws[3] = {level3 & 0xFF, (level3 >> 8) & 0xFF, (level3 >> 16) & 0xFF};
    const uint32_t wd[3] = {inverse3 & 0xFF, (inverse3 >> 8) & 0xFF, (inverse3 >> 16) & 0xFF};
    WalkBlit(*this, *src->Impl(), m_blit, [&ws, &wd](uint32_t* d, const uint32_t* s, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            d[i] = Blend3(s[i], d[i], ws, wd);
        }
    });
    return 0;
}

int CDIB32Nomal::BltAlphaBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                               const RECT* srcRect, const SIZE* dstSize, RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    kestrel::gfx::AlphaBlendWeights w;
    kestrel::gfx::BuildAlphaBlendWeights(inverse3, level3, w);
    WalkBlit(*this, *src->Impl(), m_blit, [&w](uint32_t* d, const uint32_t* s, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            // Every pixel goes through the weights, alpha 0 included (it clears the alpha byte).
            const uint32_t a = s[i] >> 24;
            const uint32_t ws[3] = {w.src[a][0], w.src[a][1], w.src[a][2]};
            const uint32_t wd[3] = {w.dst[a][0], w.dst[a][1], w.dst[a][2]};
            d[i] = Blend3(s[i], d[i], ws, wd);
        }
    });
    return 0;
}

void CDIB32Nomal::MaskWipeRow(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask,
                              int32_t count, const MaskRamp& ramp) const {
    for (int32_t i = 0; i < count; ++i) {
        const int32_t alpha = ramp.Weight(mask ? static_cast<int32_t>(mask[i] & 0xFF) : 0);
        if (alpha < 0) {
            continue; // leave the pixel
        }
        if (alpha > 255) {
            d[i] = n[i];
            continue;
        }
        uint32_t out = d[i] & 0xFF000000u;
        for (int sh = 0; sh < 24; sh += 8) {
            const int32_t oc = static_cast<int32_t>((o[i] >> sh) & 0xFF);
            const int32_t v = oc + (((static_cast<int32_t>((n[i] >> sh) & 0xFF) - oc) * alpha) >> 8);
            out |= static_cast<uint32_t>(v & 0xFF) << sh;
        }
        d[i] = out;
    }
}
