// The fast implementation of the five basic blits, with SSE2 on x86-64 (a portable scalar form of
// the same arithmetic elsewhere). Every channel is computed as min(255, ((s × ws) >> 8) +
// ((d × wd) >> 8)): each product fits a 16-bit lane exactly, each is shifted on its own before the
// saturating add, so the results are bit-identical to the scalar formulas.
#include <atomic>
#include <cstring>

#include "graphics/blit_walk.h"
#include "graphics/dib32.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#endif

#include "platform/cpu.h"

using kestrel::gfx::BlendChannel;
using kestrel::gfx::WalkBlit;

namespace {

inline uint32_t Blend3(uint32_t s, uint32_t d, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t v0,
                       uint32_t v1, uint32_t v2) {
    return BlendChannel(s & 0xFF, w0, d & 0xFF, v0) |
           BlendChannel((s >> 8) & 0xFF, w1, (d >> 8) & 0xFF, v1) << 8 |
           BlendChannel((s >> 16) & 0xFF, w2, (d >> 16) & 0xFF, v2) << 16;
}

// Per-pixel alpha as the fast implementation defines it: alpha 255 copies all 32 bits, alpha 0
// keeps the destination, otherwise the destination weight is 256 − alpha and the alpha byte 0.
inline uint32_t AlphaPixel(uint32_t s, uint32_t d) {
    const uint32_t a = s >> 24;
    if (a == 255) {
        return s;
    }
    if (a == 0) {
        return d;
    }
    return Blend3(s, d, a, a, a, 256 - a, 256 - a, 256 - a);
}

// Weights of the alpha-times-level blit as 16-bit lanes (blue, green, red, 0) per source alpha.
struct LaneWeights {
    alignas(16) uint16_t src[256][4];
    alignas(16) uint16_t dst[256][4];
};

void BuildLaneWeights(uint32_t inverse3, uint32_t level3, LaneWeights& lw) {
    kestrel::gfx::AlphaBlendWeights w;
    kestrel::gfx::BuildAlphaBlendWeights(inverse3, level3, w);
    for (int a = 0; a < 256; ++a) {
        for (int c = 0; c < 3; ++c) {
            lw.src[a][c] = w.src[a][c];
            lw.dst[a][c] = w.dst[a][c];
        }
        lw.src[a][3] = 0;
        lw.dst[a][3] = 0;
    }
}

#if defined(__SSE2__)

// Four pixels: per channel min(255, ((s × ws) >> 8) + ((d × wd) >> 8)); the weights are 16-bit
// lanes, two pixels per register half.
inline __m128i Blend4(__m128i s, __m128i d, __m128i wsLo, __m128i wsHi, __m128i wdLo, __m128i wdHi) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i sLo = _mm_unpacklo_epi8(s, zero);
    const __m128i sHi = _mm_unpackhi_epi8(s, zero);
    const __m128i dLo = _mm_unpacklo_epi8(d, zero);
    const __m128i dHi = _mm_unpackhi_epi8(d, zero);
    const __m128i lo = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(sLo, wsLo), 8),
                                     _mm_srli_epi16(_mm_mullo_epi16(dLo, wdLo), 8));
    const __m128i hi = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(sHi, wsHi), 8),
                                     _mm_srli_epi16(_mm_mullo_epi16(dHi, wdHi), 8));
    return _mm_packus_epi16(lo, hi);
}

inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

void ColorKeyRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t key) {
    const __m128i k = _mm_set1_epi32(static_cast<int32_t>(key));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i keyed = _mm_cmpeq_epi32(sv, k);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), Select(keyed, dv, sv));
    }
    for (; i < n; ++i) {
        if (s[i] != key) {
            d[i] = s[i];
        }
    }
}

void AlphaRow(uint32_t* d, const uint32_t* s, int32_t n) {
    const __m128i colourLanes = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    const __m128i full = _mm_set_epi16(0, 256, 256, 256, 0, 256, 256, 256);
    const __m128i opaque = _mm_set1_epi32(255);
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i a = _mm_srli_epi32(sv, 24);
        // (alpha, alpha) in the two 16-bit halves of each pixel's lane, then spread to four lanes.
        const __m128i a2 = _mm_or_si128(a, _mm_slli_epi32(a, 16));
        const __m128i wsLo = _mm_and_si128(_mm_unpacklo_epi32(a2, a2), colourLanes);
        const __m128i wsHi = _mm_and_si128(_mm_unpackhi_epi32(a2, a2), colourLanes);
        const __m128i wdLo = _mm_sub_epi16(full, wsLo);
        const __m128i wdHi = _mm_sub_epi16(full, wsHi);
        __m128i out = Blend4(sv, dv, wsLo, wsHi, wdLo, wdHi);
        out = Select(_mm_cmpeq_epi32(a, opaque), sv, out);
        out = Select(_mm_cmpeq_epi32(a, zero), dv, out);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
    }
    for (; i < n; ++i) {
        d[i] = AlphaPixel(s[i], d[i]);
    }
}

void BlendRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t inverse3, uint32_t level3) {
    auto b = [](uint32_t v, int c) { return static_cast<int16_t>((v >> (8 * c)) & 0xFF); };
    const __m128i ws = _mm_set_epi16(0, b(level3, 2), b(level3, 1), b(level3, 0), 0, b(level3, 2),
                                     b(level3, 1), b(level3, 0));
    const __m128i wd = _mm_set_epi16(0, b(inverse3, 2), b(inverse3, 1), b(inverse3, 0), 0, b(inverse3, 2),
                                     b(inverse3, 1), b(inverse3, 0));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), Blend4(sv, dv, ws, ws, wd, wd));
    }
    for (; i < n; ++i) {
        d[i] = Blend3(s[i], d[i], level3 & 0xFF, (level3 >> 8) & 0xFF, (level3 >> 16) & 0xFF, inverse3 & 0xFF,
                      (inverse3 >> 8) & 0xFF, (inverse3 >> 16) & 0xFF);
    }
}

void AlphaBlendRow(uint32_t* d, const uint32_t* s, int32_t n, const LaneWeights& w) {
    const __m128i zero = _mm_setzero_si128();
    auto pair = [](const uint16_t(*t)[4], uint32_t a0, uint32_t a1) {
        return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t[a0])),
                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t[a1])));
    };
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const uint32_t a0 = s[i] >> 24, a1 = s[i + 1] >> 24, a2 = s[i + 2] >> 24, a3 = s[i + 3] >> 24;
        const __m128i out = Blend4(sv, dv, pair(w.src, a0, a1), pair(w.src, a2, a3), pair(w.dst, a0, a1),
                                   pair(w.dst, a2, a3));
        // Source pixels of alpha 0 leave the destination as it is.
        const __m128i clear = _mm_cmpeq_epi32(_mm_srli_epi32(sv, 24), zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), Select(clear, dv, out));
    }
    for (; i < n; ++i) {
        const uint32_t a = s[i] >> 24;
        if (a != 0) {
            d[i] = Blend3(s[i], d[i], w.src[a][0], w.src[a][1], w.src[a][2], w.dst[a][0], w.dst[a][1],
                          w.dst[a][2]);
        }
    }
}

// Rule-mask wipe, four pixels per step. Per channel o + (((n − o) × a) >> 8) equals
// (o × (256 − a) + n × a) >> 8 (o × 256 is a multiple of 256), and that sum is at most 255 × 256, so
// both products and their sum fit unsigned 16-bit lanes. Weights outside 0 to 255 blend garbage that
// the selects replace.
inline __m128i WipeBlend4(__m128i dv, __m128i nv, __m128i ov, __m128i a) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(256);
    const __m128i a8 = _mm_and_si128(a, _mm_set1_epi32(0xFF));
    const __m128i a2 = _mm_or_si128(a8, _mm_slli_epi32(a8, 16));
    const __m128i aLo = _mm_unpacklo_epi32(a2, a2);
    const __m128i aHi = _mm_unpackhi_epi32(a2, a2);
    const __m128i lo =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(ov, zero), _mm_sub_epi16(full, aLo)),
                                     _mm_mullo_epi16(_mm_unpacklo_epi8(nv, zero), aLo)),
                       8);
    const __m128i hi =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(ov, zero), _mm_sub_epi16(full, aHi)),
                                     _mm_mullo_epi16(_mm_unpackhi_epi8(nv, zero), aHi)),
                       8);
    const __m128i alphaByte = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    __m128i out = Select(alphaByte, dv, _mm_packus_epi16(lo, hi));
    out = Select(_mm_cmpgt_epi32(a, _mm_set1_epi32(255)), nv, out);
    return Select(_mm_cmplt_epi32(a, zero), dv, out);
}

void MaskWipeRow(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask, int32_t count,
                 const MaskRamp& ramp) {
    auto load = [](const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto weight = [&ramp, mask](int32_t i) { return ramp.Weight(static_cast<int32_t>(mask[i] & 0xFF)); };
    const __m128i fixed = _mm_set1_epi32(ramp.Weight(0));
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i a =
            mask ? _mm_setr_epi32(weight(i), weight(i + 1), weight(i + 2), weight(i + 3)) : fixed;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         WipeBlend4(load(d + i), load(n + i), load(o + i), a));
    }
    for (; i < count; ++i) {
        const __m128i one = WipeBlend4(
            _mm_cvtsi32_si128(static_cast<int32_t>(d[i])), _mm_cvtsi32_si128(static_cast<int32_t>(n[i])),
            _mm_cvtsi32_si128(static_cast<int32_t>(o[i])), mask ? _mm_set1_epi32(weight(i)) : fixed);
        d[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(one));
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KESTREL_HAVE_AVX2 1

// Eight pixels per step with AVX2 (chosen at run time). The products are formed as
// mulhi((x << 8), w) = (x × w) >> 8, exact for x ≤ 255 and w ≤ 256; unpacking within each 128-bit
// half and packing back keep the pixel order.
#define KESTREL_AVX2 __attribute__((target("avx2")))

KESTREL_AVX2 inline __m256i Blend8(__m256i s, __m256i d, __m256i wsLo, __m256i wsHi, __m256i wdLo,
                                   __m256i wdHi) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, s), wsLo),
                                        _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, d), wdLo));
    const __m256i hi = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, s), wsHi),
                                        _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, d), wdHi));
    return _mm256_packus_epi16(lo, hi);
}

KESTREL_AVX2 inline __m256i Load8(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

KESTREL_AVX2 inline void Store8(uint32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Per pixel (x, x) in the two 16-bit halves of its 32-bit lane, spread to the four 16-bit lanes of
// that pixel in the unpacked low and high halves.
KESTREL_AVX2 inline void Spread(__m256i x, __m256i& lo, __m256i& hi) {
    const __m256i x2 = _mm256_or_si256(x, _mm256_slli_epi32(x, 16));
    lo = _mm256_unpacklo_epi32(x2, x2);
    hi = _mm256_unpackhi_epi32(x2, x2);
}

KESTREL_AVX2 void ColorKeyRowAvx2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t key) {
    const __m256i k = _mm256_set1_epi32(static_cast<int32_t>(key));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = Load8(s + i);
        Store8(d + i, _mm256_blendv_epi8(sv, Load8(d + i), _mm256_cmpeq_epi32(sv, k)));
    }
    _mm256_zeroupper(); // the SSE tail and the callers run without the upper halves
    ColorKeyRow(d + i, s + i, n - i, key);
}

KESTREL_AVX2 void AlphaRowAvx2(uint32_t* d, const uint32_t* s, int32_t n) {
    // Source weights straight from the pixels: each colour lane of a pixel gets its alpha byte, the
    // alpha lane 0 (so that the alpha byte comes out 0); the destination weight is 256 − alpha in
    // the colour lanes and 0 in the alpha lane.
    const __m256i pickLo = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, -1, -1, 7, -1, 7, -1, 7, -1, -1, -1, 3, -1,
                                            3, -1, 3, -1, -1, -1, 7, -1, 7, -1, 7, -1, -1, -1);
    const __m256i pickHi = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, -1, -1, 15, -1, 15, -1, 15, -1, -1, -1,
                                            11, -1, 11, -1, 11, -1, -1, -1, 15, -1, 15, -1, 15, -1, -1, -1);
    const __m256i full =
        _mm256_setr_epi16(256, 256, 256, 0, 256, 256, 256, 0, 256, 256, 256, 0, 256, 256, 256, 0);
    const __m256i opaque = _mm256_set1_epi32(255);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaBits = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = Load8(s + i);
        // Runs of wholly transparent or wholly opaque pixels (the empty parts of a message window,
        // the body of a picture) need no arithmetic.
        if (_mm256_testz_si256(sv, alphaBits)) {
            continue;
        }
        if (_mm256_testc_si256(sv, alphaBits)) {
            Store8(d + i, sv);
            continue;
        }
        const __m256i dv = Load8(d + i);
        const __m256i wsLo = _mm256_shuffle_epi8(sv, pickLo);
        const __m256i wsHi = _mm256_shuffle_epi8(sv, pickHi);
        __m256i out = Blend8(sv, dv, wsLo, wsHi, _mm256_sub_epi16(full, wsLo), _mm256_sub_epi16(full, wsHi));
        const __m256i a = _mm256_srli_epi32(sv, 24);
        out = _mm256_blendv_epi8(out, sv, _mm256_cmpeq_epi32(a, opaque));
        out = _mm256_blendv_epi8(out, dv, _mm256_cmpeq_epi32(a, zero));
        Store8(d + i, out);
    }
    _mm256_zeroupper(); // the SSE tail and the callers run without the upper halves
    AlphaRow(d + i, s + i, n - i);
}

KESTREL_AVX2 void BlendRowAvx2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t inverse3,
                               uint32_t level3) {
    auto b = [](uint32_t v, int c) { return static_cast<int16_t>((v >> (8 * c)) & 0xFF); };
    const __m256i ws = _mm256_setr_epi16(b(level3, 0), b(level3, 1), b(level3, 2), 0, b(level3, 0),
                                         b(level3, 1), b(level3, 2), 0, b(level3, 0), b(level3, 1),
                                         b(level3, 2), 0, b(level3, 0), b(level3, 1), b(level3, 2), 0);
    const __m256i wd = _mm256_setr_epi16(
        b(inverse3, 0), b(inverse3, 1), b(inverse3, 2), 0, b(inverse3, 0), b(inverse3, 1), b(inverse3, 2), 0,
        b(inverse3, 0), b(inverse3, 1), b(inverse3, 2), 0, b(inverse3, 0), b(inverse3, 1), b(inverse3, 2), 0);
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i a = Blend8(Load8(s + i), Load8(d + i), ws, ws, wd, wd);
        const __m256i b2 = Blend8(Load8(s + i + 8), Load8(d + i + 8), ws, ws, wd, wd);
        Store8(d + i, a);
        Store8(d + i + 8, b2);
    }
    for (; i + 8 <= n; i += 8) {
        Store8(d + i, Blend8(Load8(s + i), Load8(d + i), ws, ws, wd, wd));
    }
    _mm256_zeroupper(); // the SSE tail and the callers run without the upper halves
    BlendRow(d + i, s + i, n - i, inverse3, level3);
}

// The weights of the alpha-times-level blit computed per pixel rather than looked up: m = alpha
// (256 at 255), source weight (m × level) >> 8, destination weight 255 − ((m × (255 − inverse)) >> 8),
// the same values as the tables. The channels stay in place as 16-bit lanes, blue and red in one
// register, green and alpha in another, so that no unpacking is needed; each (x × w) >> 8 is
// formed as mulhi(x × 256, w) or mulhi(m × 128, 2w), every factor within 16 bits. The alpha lanes
// get weight 0 on both sides, so the alpha byte comes out 0.
// Alpha times level, eight pixels per step, with any per-channel levels. Returns the pixels done.
KESTREL_AVX2 int32_t AlphaBlendRowsAvx2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t inverse3,
                                        uint32_t level3) {
    auto ch = [](uint32_t v, int c) { return static_cast<int32_t>((v >> (8 * c)) & 0xFF); };
    // Per 32-bit lane: (low, high) 16-bit halves.
    auto lanes = [](int32_t lo, int32_t hi) { return lo | (hi << 16); };
    const __m256i lvBR = _mm256_set1_epi32(lanes(2 * ch(level3, 0), 2 * ch(level3, 2)));
    const __m256i lvG = _mm256_set1_epi32(lanes(2 * ch(level3, 1), 0));
    const __m256i kvBR = _mm256_set1_epi32(lanes(2 * (255 - ch(inverse3, 0)), 2 * (255 - ch(inverse3, 2))));
    const __m256i kvG = _mm256_set1_epi32(lanes(2 * (255 - ch(inverse3, 1)), 0));
    const __m256i c255BR = _mm256_set1_epi32(lanes(255, 255));
    const __m256i c255G = _mm256_set1_epi32(lanes(255, 0));
    const __m256i oddBytes = _mm256_set1_epi32(static_cast<int32_t>(0xFF00FF00u));
    const __m256i c255 = _mm256_set1_epi16(255);
    const __m256i alphaBoth = _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1, 3,
                                               -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
    const __m256i zero = _mm256_setzero_si256();
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = Load8(s + i);
        const __m256i dv = Load8(d + i);
        // Alpha in both halves of the lane, then m × 128: alpha × 128, and 256 × 128 at alpha 255.
        const __m256i a = _mm256_shuffle_epi8(sv, alphaBoth);
        const __m256i m2 = _mm256_slli_epi16(_mm256_sub_epi16(a, _mm256_cmpeq_epi16(a, c255)), 7);
        const __m256i wsBR = _mm256_mulhi_epu16(m2, lvBR);
        const __m256i wsG = _mm256_mulhi_epu16(m2, lvG);
        const __m256i wdBR = _mm256_sub_epi16(c255BR, _mm256_mulhi_epu16(m2, kvBR));
        const __m256i wdG = _mm256_sub_epi16(c255G, _mm256_mulhi_epu16(m2, kvG));
        const __m256i br = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(sv, 8), wsBR),
                                            _mm256_mulhi_epu16(_mm256_slli_epi16(dv, 8), wdBR));
        const __m256i g = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(sv, oddBytes), wsG),
                                           _mm256_mulhi_epu16(_mm256_and_si256(dv, oddBytes), wdG));
        const __m256i out =
            _mm256_or_si256(_mm256_min_epu16(br, c255), _mm256_slli_epi16(_mm256_min_epu16(g, c255), 8));
        Store8(d + i, _mm256_blendv_epi8(out, dv, _mm256_cmpeq_epi32(a, zero)));
    }
    return i;
}

// The same for one level L (1 to 255) in all three channels with the destination weights 255 − L, as
// the CDIB32 entry points pass them: the source weight w = (m × L) >> 8 is formed once per pixel and
// the destination weight is 255 − w. With the alpha byte a in the high byte of each 16-bit lane,
// (a × L) >> 8 is one high multiplication; at a = 255 that is L − 1, one short of m = 256's L.
KESTREL_AVX2 int32_t AlphaBlendRowsUniformAvx2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t level) {
    const __m256i lv = _mm256_set1_epi16(static_cast<int16_t>(level));
    const __m256i c255 = _mm256_set1_epi16(255);
    const __m256i alpha255 = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
    const __m256i lowHalves = _mm256_set1_epi32(0xFFFF);
    const __m256i oddBytes = _mm256_set1_epi32(static_cast<int32_t>(0xFF00FF00u));
    const __m256i alphaHigh = _mm256_setr_epi8(-1, 3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1,
                                               3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15);
    const __m256i zero = _mm256_setzero_si256();
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = Load8(s + i);
        const __m256i dv = Load8(d + i);
        const __m256i a = _mm256_shuffle_epi8(sv, alphaHigh);
        // Source weights in both halves of each lane (blue and red), the destination's likewise;
        // the green lanes' partners (alpha) weigh 0.
        const __m256i wsBR = _mm256_sub_epi16(_mm256_mulhi_epu16(a, lv), _mm256_cmpeq_epi16(a, alpha255));
        const __m256i wdBR = _mm256_sub_epi16(c255, wsBR);
        const __m256i wsG = _mm256_and_si256(wsBR, lowHalves);
        const __m256i wdG = _mm256_and_si256(wdBR, lowHalves);
        // The two terms of each channel in place as bytes (B, G, R, 0), added with saturation.
        const __m256i sTerms =
            _mm256_or_si256(_mm256_mulhi_epu16(_mm256_slli_epi16(sv, 8), wsBR),
                            _mm256_slli_epi16(_mm256_mulhi_epu16(_mm256_and_si256(sv, oddBytes), wsG), 8));
        const __m256i dTerms =
            _mm256_or_si256(_mm256_mulhi_epu16(_mm256_slli_epi16(dv, 8), wdBR),
                            _mm256_slli_epi16(_mm256_mulhi_epu16(_mm256_and_si256(dv, oddBytes), wdG), 8));
        const __m256i out = _mm256_adds_epu8(sTerms, dTerms);
        Store8(d + i, _mm256_blendv_epi8(out, dv, _mm256_cmpeq_epi32(a, zero)));
    }
    return i;
}

KESTREL_AVX2 void AlphaBlendRowAvx2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t inverse3,
                                    uint32_t level3, const LaneWeights& w) {
    const uint32_t level = level3 & 0xFF;
    const bool uniform = level != 0 && (level3 & 0xFFFFFF) == level * 0x010101u &&
                         (inverse3 & 0xFFFFFF) == (255 - level) * 0x010101u;
    const int32_t i =
        uniform ? AlphaBlendRowsUniformAvx2(d, s, n, level) : AlphaBlendRowsAvx2(d, s, n, inverse3, level3);
    _mm256_zeroupper(); // the SSE tail and the callers run without the upper halves
    AlphaBlendRow(d + i, s + i, n - i, w);
}

// Rule-mask wipe, eight pixels per step: the weights formed from the mask values as the ramp says,
// the channels kept in place as 16-bit lanes (blue and red in one register, green and alpha in
// another) and o + (((n − o) × a) >> 8) formed as o + mulhi((n − o) × 128, 2a), both factors within
// signed 16 bits.
KESTREL_AVX2 void MaskWipeRowAvx2(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask,
                                  int32_t count, const MaskRamp& ramp) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_set1_epi32(0xFF);
    const __m256i evenBytes = _mm256_set1_epi16(0xFF);
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i c255 = _mm256_set1_epi32(255);
    const __m256i scale = _mm256_set1_epi32(ramp.scale & 0xFFFF); // the low half of each lane
    const __m256i offset = _mm256_set1_epi32(ramp.offset);
    const __m256i keepBelow = _mm256_set1_epi32(ramp.keepBelow);
    const __m256i lowest = _mm256_set1_epi32(ramp.low);
    const __m256i highest = _mm256_set1_epi32(ramp.high);
    const __m256i fixed = _mm256_set1_epi32(ramp.Weight(0));
    const __m256i lowByteBoth = _mm256_setr_epi8(0, -1, 0, -1, 4, -1, 4, -1, 8, -1, 8, -1, 12, -1, 12, -1, 0,
                                                 -1, 0, -1, 4, -1, 4, -1, 8, -1, 8, -1, 12, -1, 12, -1);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i a = fixed;
        if (mask) {
            // m × scale exactly (m and scale as 16-bit halves, the other halves 0), >> 8, + offset.
            const __m256i m = _mm256_and_si256(Load8(mask + i), low);
            a = _mm256_add_epi32(_mm256_srai_epi32(_mm256_madd_epi16(m, scale), 8), offset);
            const __m256i keep = _mm256_cmpgt_epi32(keepBelow, a);
            a = _mm256_min_epi32(_mm256_max_epi32(a, lowest), highest);
            a = _mm256_or_si256(a, keep); // −1 where the pixel is left
        }
        const __m256i dv = Load8(d + i), nv = Load8(n + i), ov = Load8(o + i);
        // 2a in both halves of the lane (the low byte of a: the weights that blend are 0 to 255).
        const __m256i a2 = _mm256_slli_epi16(_mm256_shuffle_epi8(a, lowByteBoth), 1);
        const __m256i oE = _mm256_and_si256(ov, evenBytes), oO = _mm256_srli_epi16(ov, 8);
        const __m256i nE = _mm256_and_si256(nv, evenBytes), nO = _mm256_srli_epi16(nv, 8);
        const __m256i e =
            _mm256_add_epi16(oE, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(nE, oE), 7), a2));
        const __m256i g =
            _mm256_add_epi16(oO, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(nO, oO), 7), a2));
        __m256i out = _mm256_blendv_epi8(dv, _mm256_or_si256(e, _mm256_slli_epi16(g, 8)), colour);
        out = _mm256_blendv_epi8(out, nv, _mm256_cmpgt_epi32(a, c255));
        Store8(d + i, _mm256_blendv_epi8(out, dv, _mm256_cmpgt_epi32(zero, a)));
    }
    _mm256_zeroupper();
    MaskWipeRow(d + i, n + i, o + i, mask ? mask + i : nullptr, count - i, ramp);
}

#endif
#else

void ColorKeyRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t key) {
    for (int32_t i = 0; i < n; ++i) {
        if (s[i] != key) {
            d[i] = s[i];
        }
    }
}

void AlphaRow(uint32_t* d, const uint32_t* s, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        d[i] = AlphaPixel(s[i], d[i]);
    }
}

void BlendRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t inverse3, uint32_t level3) {
    for (int32_t i = 0; i < n; ++i) {
        d[i] = Blend3(s[i], d[i], level3 & 0xFF, (level3 >> 8) & 0xFF, (level3 >> 16) & 0xFF, inverse3 & 0xFF,
                      (inverse3 >> 8) & 0xFF, (inverse3 >> 16) & 0xFF);
    }
}

void AlphaBlendRow(uint32_t* d, const uint32_t* s, int32_t n, const LaneWeights& w) {
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t a = s[i] >> 24;
        if (a != 0) {
            d[i] = Blend3(s[i], d[i], w.src[a][0], w.src[a][1], w.src[a][2], w.dst[a][0], w.dst[a][1],
                          w.dst[a][2]);
        }
    }
}

void MaskWipeRow(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask, int32_t count,
                 const MaskRamp& ramp) {
    for (int32_t i = 0; i < count; ++i) {
        const int32_t a = ramp.Weight(mask ? static_cast<int32_t>(mask[i] & 0xFF) : 0);
        if (a > 255) {
            d[i] = n[i];
        } else if (a >= 0) {
            uint32_t out = d[i] & 0xFF000000u;
            for (int sh = 0; sh < 24; sh += 8) {
                const uint32_t oc = (o[i] >> sh) & 0xFF, nc = (n[i] >> sh) & 0xFF;
                out |= ((oc * (256 - a) + nc * a) >> 8) << sh;
            }
            d[i] = out;
        }
    }
}

#endif

std::atomic<bool> g_sse2Only{false};

bool UseAvx2() {
#if defined(KESTREL_HAVE_AVX2)
    static const bool available = HasAvx2();
    return available && !g_sse2Only.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

} // namespace

void LimitFastSurfacesToSse2(bool on) {
    g_sse2Only.store(on);
}

CDIB32PMMX::~CDIB32PMMX() = default;

int CDIB32PMMX::BltColorKey(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                            RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    const CDIB32Base* from = src->Impl();
    Submit(LoggedBlit{BlitKind::ColorKey, from, from->Stamp(), from->GetColorKey(), 0, 0, m_blit});
    return 0;
}

int CDIB32PMMX::BltCopy(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                        RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    const CDIB32Base* from = src->Impl();
    Submit(LoggedBlit{BlitKind::Copy, from, from->Stamp(), 0, 0, 0, m_blit});
    return 0;
}

int CDIB32PMMX::BltAlpha(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                         RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    const CDIB32Base* from = src->Impl();
    Submit(LoggedBlit{BlitKind::Alpha, from, from->Stamp(), 0, 0, 0, m_blit});
    return 0;
}

int CDIB32PMMX::BltBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                         const RECT* srcRect, const SIZE* dstSize, RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    const CDIB32Base* from = src->Impl();
    Submit(LoggedBlit{BlitKind::Blend, from, from->Stamp(), 0, inverse3, level3, m_blit});
    return 0;
}

int CDIB32PMMX::BltAlphaBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                              const RECT* srcRect, const SIZE* dstSize, RECT* clip) {
    if (PrepareBlt(src, dx, dy, srcRect, dstSize, clip) != 0) {
        return 0;
    }
    const CDIB32Base* from = src->Impl();
    Submit(LoggedBlit{BlitKind::AlphaBlend, from, from->Stamp(), 0, inverse3, level3, m_blit});
    return 0;
}

void CDIB32PMMX::RunBlit(const LoggedBlit& op) {
    m_blit = op.blit;
    const CDIB32Base& from = *op.src;
    const bool avx2 = UseAvx2();
    switch (op.kind) {
        case BlitKind::ColorKey:
            WalkBlit(*this, from, m_blit,
                     [key = op.colorKey, avx2](uint32_t* d, const uint32_t* s, int32_t n) {
#if defined(KESTREL_HAVE_AVX2)
                         if (avx2) {
                             ColorKeyRowAvx2(d, s, n, key);
                             return;
                         }
#endif
                         (void)avx2;
                         ColorKeyRow(d, s, n, key);
                     });
            break;
        case BlitKind::Copy:
            RunCopy(from);
            break;
        case BlitKind::Alpha:
            WalkBlit(*this, from, m_blit, [avx2](uint32_t* d, const uint32_t* s, int32_t n) {
#if defined(KESTREL_HAVE_AVX2)
                if (avx2) {
                    AlphaRowAvx2(d, s, n);
                    return;
                }
#endif
                (void)avx2;
                AlphaRow(d, s, n);
            });
            break;
        case BlitKind::Blend:
            WalkBlit(*this, from, m_blit,
                     [inverse3 = op.inverse3, level3 = op.level3, avx2](uint32_t* d, const uint32_t* s,
                                                                        int32_t n) {
#if defined(KESTREL_HAVE_AVX2)
                         if (avx2) {
                             BlendRowAvx2(d, s, n, inverse3, level3);
                             return;
                         }
#endif
                         (void)avx2;
                         BlendRow(d, s, n, inverse3, level3);
                     });
            break;
        case BlitKind::AlphaBlend: {
            LaneWeights w;
            BuildLaneWeights(op.inverse3, op.level3, w);
            WalkBlit(*this, from, m_blit,
                     [&w, inverse3 = op.inverse3, level3 = op.level3, avx2](uint32_t* d, const uint32_t* s,
                                                                            int32_t n) {
#if defined(KESTREL_HAVE_AVX2)
                         if (avx2) {
                             AlphaBlendRowAvx2(d, s, n, inverse3, level3, w);
                             return;
                         }
#endif
                         (void)avx2;
                         (void)inverse3;
                         (void)level3;
                         AlphaBlendRow(d, s, n, w);
                     });
            break;
        }
    }
}

void CDIB32PMMX::RunCopy(const CDIB32Base& from) {
    const CopyMemo& memo = m_copyMemo;
    const bool repeated = m_blit.unscaled && &from != this && memo.src == &from &&
                          memo.srcStamp == from.Stamp() && memo.srcRect == m_blit.srcRect &&
                          memo.dstRect == m_blit.dstRect;
    if (repeated) {
        // Rows not written since the same copy still hold it.
        const size_t n = static_cast<size_t>(m_blit.dstRect.right - m_blit.dstRect.left) * 4;
        for (int32_t y = m_blit.dstRect.top; y < m_blit.dstRect.bottom; ++y) {
            if (RowStamp(y) > memo.doneStamp) {
                std::memcpy(Row(y) + m_blit.dstRect.left,
                            from.ReadRow(m_blit.srcRect.top + (y - m_blit.dstRect.top)) + m_blit.srcRect.left,
                            n);
            }
        }
    } else {
        WalkBlit(*this, from, m_blit, [](uint32_t* d, const uint32_t* s, int32_t n) {
            std::memcpy(d, s, static_cast<size_t>(n) * 4);
        });
    }
    if (m_blit.unscaled && &from != this) {
        m_copyMemo = CopyMemo{&from, m_blit.srcRect, m_blit.dstRect, from.Stamp(), Stamp()};
    } else {
        m_copyMemo = CopyMemo{};
    }
}

void CDIB32PMMX::MaskWipeRow(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask,
                             int32_t count, const MaskRamp& ramp) const {
#if defined(KESTREL_HAVE_AVX2)
    if (UseAvx2()) {
        MaskWipeRowAvx2(d, n, o, mask, count, ramp);
        return;
    }
#endif
    ::MaskWipeRow(d, n, o, mask, count, ramp);
}
