// The fast implementation of the five basic blits, with SSE2 on x86-64 (a portable scalar form of
// the same arithmetic elsewhere). Every channel is computed as min(255, ((s × ws) >> 8) +
// ((d × wd) >> 8)): each product fits a 16-bit lane exactly, each is shifted on its own before the
// saturating add, so the results are bit-identical to the scalar formulas.
#include <algorithm>
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

// Rule-mask wipe. The weights are formed in 16-bit lanes: p = (m × scale) >> 8 (0 to 32639, the
// scale being at most 32767) and a = clamp(p + offset, low, high), the sum saturated to 16 bits and
// the ramp's bounds clamped to 0 to 256. Wherever the ramp blends (weights 0 to 255) that is its
// weight, saturated or not; where it takes the incoming pixel a is 256, and blending with 256 gives
// the incoming pixel, alpha byte included. Pixels with p below leaveBelow are left. The classes
// (left, blended, taken) rise with the mask value, since w does and the class rises with w (low <=
// high), so the ends of the mask range tell whether a row can leave or take any pixel at all.
struct WipeLanes {
    WipeLanes(const MaskRamp& ramp, bool masked) {
        // w below `leave` leaves the pixel: below keepBelow, or where the clamped weight is negative.
        constexpr int64_t kNever = int64_t{1} << 40;
        const int64_t leave =
            ramp.high < 0 ? kNever : std::max<int64_t>(ramp.keepBelow, ramp.low < 0 ? 0 : -kNever);
        scale = static_cast<int16_t>(ramp.scale);
        offset = static_cast<int16_t>(std::clamp<int32_t>(ramp.offset, INT16_MIN, INT16_MAX));
        low = static_cast<int16_t>(std::clamp(ramp.low, 0, 256));
        high = static_cast<int16_t>(std::clamp(ramp.high, 0, 256));
        leaveBelow = static_cast<int16_t>(std::clamp<int64_t>(leave - ramp.offset, 0, 32640));
        const int32_t first = ramp.Weight(0), last = masked ? ramp.Weight(255) : first;
        mixed = first < 0 || last > 255;
    }

    int16_t scale, offset, low, high, leaveBelow;
    bool mixed; // some pixel of the row may be left or taken
};

// 2a for four pixels, in both 16-bit halves of each pixel's lane; −1 for the pixels left.
template <bool kMixed>
inline __m128i WipeWeights4(__m128i mask, const WipeLanes& k) {
    // m × 256 in both halves: the blue byte moved up, then the low half copied to the high one.
    const __m128i up = _mm_slli_epi16(mask, 8);
    const __m128i m8 =
        _mm_shufflehi_epi16(_mm_shufflelo_epi16(up, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
    const __m128i p = _mm_mulhi_epu16(m8, _mm_set1_epi16(k.scale));
    const __m128i a =
        _mm_min_epi16(_mm_max_epi16(_mm_adds_epi16(p, _mm_set1_epi16(k.offset)), _mm_set1_epi16(k.low)),
                      _mm_set1_epi16(k.high));
    const __m128i a2 = _mm_add_epi16(a, a);
    return kMixed ? _mm_or_si128(a2, _mm_cmpgt_epi16(_mm_set1_epi16(k.leaveBelow), p)) : a2;
}

// Four pixels: per channel o + (((n − o) × a) >> 8) as o + mulhi((n − o) × 128, 2a), both factors
// within signed 16 bits, the channels kept in place as 16-bit lanes (blue and red in one register,
// green and alpha in another). The alpha byte is the destination's, or the incoming pixel's where a
// is 256; pixels with 2a = −1 are left.
template <bool kMixed>
inline __m128i WipeBlend4(__m128i dv, __m128i nv, __m128i ov, __m128i a2) {
    const __m128i evenBytes = _mm_set1_epi16(0xFF);
    const __m128i oE = _mm_and_si128(ov, evenBytes), oO = _mm_srli_epi16(ov, 8);
    const __m128i nE = _mm_and_si128(nv, evenBytes), nO = _mm_srli_epi16(nv, 8);
    const __m128i e = _mm_add_epi16(oE, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(nE, oE), 7), a2));
    const __m128i g = _mm_add_epi16(oO, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(nO, oO), 7), a2));
    const __m128i blended = _mm_or_si128(e, _mm_slli_epi16(g, 8));
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    if constexpr (kMixed) {
        const __m128i bytes = _mm_or_si128(colour, _mm_cmpgt_epi16(a2, _mm_set1_epi16(511)));
        return Select(_mm_cmplt_epi16(a2, _mm_setzero_si128()), dv, Select(bytes, blended, dv));
    }
    return Select(colour, blended, dv);
}

template <bool kMixed>
void WipeRows(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask, int32_t count,
              const WipeLanes& k) {
    auto load = [](const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i fixed = WipeWeights4<kMixed>(_mm_setzero_si128(), k);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i a2 = mask ? WipeWeights4<kMixed>(load(mask + i), k) : fixed;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         WipeBlend4<kMixed>(load(d + i), load(n + i), load(o + i), a2));
    }
    if (i < count) {
        // The last one to three pixels through one more step.
        const size_t bytes = static_cast<size_t>(count - i) * 4;
        uint32_t dt[4] = {}, nt[4] = {}, ot[4] = {}, mt[4] = {};
        std::memcpy(dt, d + i, bytes);
        std::memcpy(nt, n + i, bytes);
        std::memcpy(ot, o + i, bytes);
        if (mask) {
            std::memcpy(mt, mask + i, bytes);
        }
        const __m128i a2 = mask ? WipeWeights4<kMixed>(load(mt), k) : fixed;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dt),
                         WipeBlend4<kMixed>(load(dt), load(nt), load(ot), a2));
        std::memcpy(d + i, dt, bytes);
    }
}

void MaskWipeRow(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask, int32_t count,
                 const WipeLanes& k) {
    if (k.mixed) {
        WipeRows<true>(d, n, o, mask, count, k);
    } else {
        WipeRows<false>(d, n, o, mask, count, k);
    }
}

void MaskWipeRow(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask, int32_t count,
                 const MaskRamp& ramp) {
    if (count > 0) {
        MaskWipeRow(d, n, o, mask, count, WipeLanes(ramp, mask != nullptr));
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

// (x × w) >> 8 for the three channels of eight pixels, in place as bytes (B, G, R, 0), w (at most 255)
// in both halves of each lane: blue and red as mulhi(x × 256, w) in the low bytes of the halves, green
// as the high byte of the whole product green × w (below 65536), already in its byte.
KESTREL_AVX2 inline __m256i FadeTerms8(__m256i x, __m256i w) {
    return _mm256_blendv_epi8(_mm256_mulhi_epu16(_mm256_slli_epi16(x, 8), w),
                              _mm256_mullo_epi16(_mm256_srli_epi16(x, 8), w), _mm256_set1_epi32(0x0000FF00));
}

// The same for one level L (1 to 255) in all three channels with the destination weights 255 − L, as
// the CDIB32 entry points pass them: the source weight w = (m × L) >> 8 is formed once per pixel and
// the destination weight is 255 − w. With the alpha byte a in the high byte of each 16-bit lane,
// (a × L) >> 8 is one high multiplication; at a = 255 that is L − 1, one short of m = 256's L.
KESTREL_AVX2 int32_t AlphaBlendRowsUniformAvx2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t level) {
    const __m256i lv = _mm256_set1_epi16(static_cast<int16_t>(level));
    const __m256i c255 = _mm256_set1_epi16(255);
    const __m256i alpha255 = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
    const __m256i alphaHigh = _mm256_setr_epi8(-1, 3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1,
                                               3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15);
    const __m256i zero = _mm256_setzero_si256();
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = Load8(s + i);
        const __m256i dv = Load8(d + i);
        const __m256i a = _mm256_shuffle_epi8(sv, alphaHigh);
        const __m256i ws = _mm256_sub_epi16(_mm256_mulhi_epu16(a, lv), _mm256_cmpeq_epi16(a, alpha255));
        const __m256i out = _mm256_adds_epu8(FadeTerms8(sv, ws), FadeTerms8(dv, _mm256_sub_epi16(c255, ws)));
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

// The wipe's weight lanes as vectors.
struct WipeVectors {
    __m256i scale, offset, low, high, leaveBelow;
};

// 2a for sixteen pixels as WipeWeights4 forms it, packed: the low 16-bit half of lane j from pixel j
// of the first eight, the high half from pixel j of the second.
template <bool kMixed>
KESTREL_AVX2 inline __m256i WipeWeights16(__m256i m0, __m256i m1, const WipeVectors& k) {
    // Each blue byte moved to the high byte of its half: m × 256.
    const __m256i toLow = _mm256_setr_epi8(-1, 0, -1, -1, -1, 4, -1, -1, -1, 8, -1, -1, -1, 12, -1, -1, -1, 0,
                                           -1, -1, -1, 4, -1, -1, -1, 8, -1, -1, -1, 12, -1, -1);
    const __m256i toHigh = _mm256_setr_epi8(-1, -1, -1, 0, -1, -1, -1, 4, -1, -1, -1, 8, -1, -1, -1, 12, -1,
                                            -1, -1, 0, -1, -1, -1, 4, -1, -1, -1, 8, -1, -1, -1, 12);
    const __m256i m8 = _mm256_or_si256(_mm256_shuffle_epi8(m0, toLow), _mm256_shuffle_epi8(m1, toHigh));
    const __m256i p = _mm256_mulhi_epu16(m8, k.scale);
    const __m256i a = _mm256_min_epi16(_mm256_max_epi16(_mm256_adds_epi16(p, k.offset), k.low), k.high);
    const __m256i a2 = _mm256_add_epi16(a, a);
    return kMixed ? _mm256_or_si256(a2, _mm256_cmpgt_epi16(k.leaveBelow, p)) : a2;
}

// Eight pixels as WipeBlend4 blends them; 2a in both halves of each pixel's lane.
template <bool kMixed>
KESTREL_AVX2 inline __m256i WipeBlend8(__m256i dv, __m256i nv, __m256i ov, __m256i a2) {
    const __m256i evenBytes = _mm256_set1_epi16(0xFF);
    const __m256i oE = _mm256_and_si256(ov, evenBytes), oO = _mm256_srli_epi16(ov, 8);
    const __m256i nE = _mm256_and_si256(nv, evenBytes), nO = _mm256_srli_epi16(nv, 8);
    const __m256i e =
        _mm256_add_epi16(oE, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(nE, oE), 7), a2));
    const __m256i g =
        _mm256_add_epi16(oO, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(nO, oO), 7), a2));
    const __m256i blended = _mm256_or_si256(e, _mm256_slli_epi16(g, 8));
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    if constexpr (kMixed) {
        // All four bytes where a is 256, none where 2a is −1.
        const __m256i left = _mm256_cmpgt_epi16(_mm256_setzero_si256(), a2);
        const __m256i bytes = _mm256_andnot_si256(
            left, _mm256_or_si256(colour, _mm256_cmpgt_epi16(a2, _mm256_set1_epi16(511))));
        return _mm256_blendv_epi8(dv, blended, bytes);
    }
    return _mm256_blendv_epi8(dv, blended, colour);
}

// Rule-mask wipe, sixteen pixels per step (then eight). Returns the pixels done.
template <bool kMixed>
KESTREL_AVX2 int32_t WipeRowsAvx2(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask,
                                  int32_t count, const WipeLanes& lanes) {
    const WipeVectors k{_mm256_set1_epi16(lanes.scale), _mm256_set1_epi16(lanes.offset),
                        _mm256_set1_epi16(lanes.low), _mm256_set1_epi16(lanes.high),
                        _mm256_set1_epi16(lanes.leaveBelow)};
    // The packed weights of the first and of the second eight pixels, each in both halves of the lane.
    const __m256i firstEight = _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13, 0, 1, 0,
                                                1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
    const __m256i secondEight = _mm256_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15, 2, 3,
                                                 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15);
    const __m256i ones = _mm256_set1_epi32(-1);
    const __m256i taken = _mm256_set1_epi16(512);
    const __m256i fixed = WipeWeights16<kMixed>(_mm256_setzero_si256(), _mm256_setzero_si256(), k);
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m256i a2 = mask ? WipeWeights16<kMixed>(Load8(mask + i), Load8(mask + i + 8), k) : fixed;
        if constexpr (kMixed) {
            // Sixteen pixels all left (the rest of a screen not reached yet) or all taken need no blending.
            if (_mm256_testc_si256(a2, ones)) {
                continue;
            }
            if (_mm256_testc_si256(_mm256_cmpeq_epi16(a2, taken), ones)) {
                Store8(d + i, Load8(n + i));
                Store8(d + i + 8, Load8(n + i + 8));
                continue;
            }
        }
        Store8(d + i, WipeBlend8<kMixed>(Load8(d + i), Load8(n + i), Load8(o + i),
                                         _mm256_shuffle_epi8(a2, firstEight)));
        Store8(d + i + 8, WipeBlend8<kMixed>(Load8(d + i + 8), Load8(n + i + 8), Load8(o + i + 8),
                                             _mm256_shuffle_epi8(a2, secondEight)));
    }
    if (i + 8 <= count) {
        const __m256i m = mask ? Load8(mask + i) : _mm256_setzero_si256();
        const __m256i a2 = mask ? WipeWeights16<kMixed>(m, m, k) : fixed;
        Store8(d + i, WipeBlend8<kMixed>(Load8(d + i), Load8(n + i), Load8(o + i),
                                         _mm256_shuffle_epi8(a2, firstEight)));
        i += 8;
    }
    return i;
}

KESTREL_AVX2 void MaskWipeRowAvx2(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask,
                                  int32_t count, const MaskRamp& ramp) {
    if (count <= 0) {
        return;
    }
    const WipeLanes lanes(ramp, mask != nullptr);
    const int32_t i = lanes.mixed ? WipeRowsAvx2<true>(d, n, o, mask, count, lanes)
                                  : WipeRowsAvx2<false>(d, n, o, mask, count, lanes);
    _mm256_zeroupper(); // the SSE tail and the callers run without the upper halves
    if (i < count) {
        MaskWipeRow(d + i, n + i, o + i, mask ? mask + i : nullptr, count - i, lanes);
    }
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
