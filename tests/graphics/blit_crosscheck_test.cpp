// Randomised check of both surface implementations: random sizes, positions, rectangles, stretches,
// clips, weights and pixels (fixed seed). Where the two implementations agree their results must
// be identical; every result of each is also held to the per-pixel formulas of its result set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/dib32.h"
#include "support/surface_words.h"

namespace {

constexpr uint32_t kUntouched = 0xFFFFFFFFu;

uint32_t Ch(uint32_t v, int c) {
    return (v >> (8 * c)) & 0xFF;
}

uint32_t Sat(uint32_t s, uint32_t ws, uint32_t d, uint32_t wd) {
    return std::min<uint32_t>(255, ((s * ws) >> 8) + ((d * wd) >> 8));
}

// The formulas, written out independently of the engine's code.
uint32_t Blend(uint32_t s, uint32_t d, uint32_t inv, uint32_t lvl) {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        out |= Sat(Ch(s, c), Ch(lvl, c), Ch(d, c), Ch(inv, c)) << (8 * c);
    }
    return out;
}

uint32_t AlphaPlain(uint32_t s, uint32_t d) {
    const uint32_t al = s >> 24;
    const uint32_t a = al == 255 ? 256 : al;
    const uint32_t b = al == 0 ? 256 : 255 - al;
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        out |= Sat(Ch(s, c), a, Ch(d, c), b) << (8 * c);
    }
    return out;
}

uint32_t AlphaFast(uint32_t s, uint32_t d) {
    const uint32_t al = s >> 24;
    if (al == 255) {
        return s;
    }
    if (al == 0) {
        return d;
    }
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        out |= Sat(Ch(s, c), al, Ch(d, c), 256 - al) << (8 * c);
    }
    return out;
}

uint32_t AlphaBlendPlain(uint32_t s, uint32_t d, uint32_t inv, uint32_t lvl) {
    const uint32_t al = s >> 24;
    // The accumulated weights: alpha × level, one extra step at 255.
    const uint32_t m = al == 255 ? 256 : al;
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t ws = (m * Ch(lvl, c)) >> 8;
        const uint32_t wd = 255 - ((m * (255 - Ch(inv, c))) >> 8);
        out |= Sat(Ch(s, c), ws, Ch(d, c), wd) << (8 * c);
    }
    return out;
}

uint32_t AlphaBlendFast(uint32_t s, uint32_t d, uint32_t inv, uint32_t lvl) {
    return (s >> 24) == 0 ? d : AlphaBlendPlain(s, d, inv, lvl);
}

struct Surface {
    int32_t w = 0, h = 0;
    std::vector<uint32_t> px;
};

void Load(CDIB32& s, const Surface& from) {
    ASSERT_TRUE(s.Create(nullptr, static_cast<uint16_t>(from.w), static_cast<uint16_t>(from.h), 24));
    for (int32_t y = 0; y < from.h; ++y) {
        std::memcpy(s.GetPixelAddress(0, y), &from.px[static_cast<size_t>(y) * from.w],
                    4 * static_cast<size_t>(from.w));
    }
}

class Random {
public:
    explicit Random(uint32_t seed) : m_gen(seed) {}
    int32_t Range(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(m_gen); }
    uint32_t Word() { return m_gen(); }
    bool Chance(int percent) { return Range(0, 99) < percent; }
    // Pixels with the alpha values that matter often: 0, 255, 1, 254 and the key colour.
    uint32_t Pixel() {
        const uint32_t colour = Word() & 0x00FFFFFF;
        switch (Range(0, 7)) {
            case 0:
                return colour;
            case 1:
                return colour | 0xFF000000;
            case 2:
                return 0x0000FF00;
            case 3:
                return colour | (Chance(50) ? 0x01000000 : 0xFE000000);
            case 4:
                return Chance(50) ? 0xFFFFFFFF : 0;
            default:
                return Word();
        }
    }

private:
    std::mt19937 m_gen;
};

enum Op { kColorKey, kCopy, kAlpha, kBlend, kAlphaBlend, kOpCount };

void RunBlit(Op op, CDIB32& dst, CDIB32* src, int32_t dx, int32_t dy, uint32_t inv, uint32_t lvl,
             const RECT* sr, const SIZE* size, const RECT* clip) {
    RECT c{};
    RECT* cp = nullptr;
    if (clip) {
        c = *clip;
        cp = &c;
    }
    CDIB32Base* d = dst.Impl();
    switch (op) {
        case kColorKey:
            d->BltColorKey(src, dx, dy, sr, size, cp);
            break;
        case kCopy:
            d->BltCopy(src, dx, dy, sr, size, cp);
            break;
        case kAlpha:
            d->BltAlpha(src, dx, dy, sr, size, cp);
            break;
        case kBlend:
            d->BltBlend(src, dx, dy, inv, lvl, sr, size, cp);
            break;
        case kAlphaBlend:
            d->BltAlphaBlend(src, dx, dy, inv, lvl, sr, size, cp);
            break;
        default:
            break;
    }
}

} // namespace

// Runs body once with the fast implementation's widest path and once with its four-pixel path.
template <class Body>
void ForEachFastPath(Body body) {
    for (bool sse2Only : {false, true}) {
        LimitFastSurfacesToSse2(sse2Only);
        body(sse2Only);
        LimitFastSurfacesToSse2(false);
    }
}

TEST(BlitCrossCheck, BothImplementationsFollowTheirFormulas) {
    ForEachFastPath([](bool sse2Only) {
        Random rnd(0x5EED1234u + sse2Only);
        int drawn = 0;
        for (int iteration = 0; iteration < 5000; ++iteration) {
            Surface s, d;
            s.w = rnd.Range(1, 67);
            s.h = rnd.Range(1, 9);
            d.w = rnd.Range(1, 67);
            d.h = rnd.Range(1, 9);
            for (int32_t i = 0; i < s.w * s.h; ++i) {
                s.px.push_back(rnd.Pixel());
            }
            for (int32_t i = 0; i < d.w * d.h; ++i) {
                d.px.push_back(rnd.Pixel());
            }
            // Mostly overlapping the destination, sometimes beyond any edge.
            const bool far = rnd.Chance(15);
            const int32_t dx = far ? rnd.Range(-d.w - 70, d.w + 4) : rnd.Range(-s.w / 2, d.w - 1);
            const int32_t dy = far ? rnd.Range(-d.h - 10, d.h + 2) : rnd.Range(-s.h / 2, d.h - 1);
            RECT srcRect{};
            const RECT* sr = nullptr;
            if (rnd.Chance(80)) {
                // Mostly inside the source, sometimes reaching out of it.
                const int32_t l = rnd.Chance(95) ? rnd.Range(0, s.w - 1) : rnd.Range(-2, s.w);
                const int32_t t = rnd.Chance(95) ? rnd.Range(0, s.h - 1) : rnd.Range(-2, s.h);
                const int32_t r =
                    rnd.Chance(95) ? rnd.Range(l + 1, std::max(l + 1, s.w)) : l + rnd.Range(0, s.w + 2);
                const int32_t b =
                    rnd.Chance(95) ? rnd.Range(t + 1, std::max(t + 1, s.h)) : t + rnd.Range(0, s.h + 2);
                srcRect = RECT{l, t, r, b};
                sr = &srcRect;
            }
            SIZE size{};
            const SIZE* sz = nullptr;
            if (rnd.Chance(50)) {
                size = SIZE{rnd.Range(1, 3 * d.w), rnd.Range(1, 3 * d.h)};
                sz = &size;
            }
            RECT clip{};
            const RECT* cp = nullptr;
            if (rnd.Chance(25)) {
                clip = RECT{rnd.Range(-3, d.w), rnd.Range(-3, d.h), rnd.Range(0, d.w + 3),
                            rnd.Range(0, d.h + 3)};
                cp = &clip;
            }
            const uint16_t level = static_cast<uint16_t>(rnd.Range(1, 255));
            uint32_t inv = kestrel::gfx::Inverse3(level);
            uint32_t lvl = kestrel::gfx::Level3(level);
            if (rnd.Chance(30)) {
                // Raw weights: any byte per channel, and junk in the top byte.
                inv = rnd.Word();
                lvl = rnd.Word();
            }

            // Which source pixel lands on which destination pixel: a copy of a surface of indices.
            Surface indices = s;
            for (int32_t i = 0; i < s.w * s.h; ++i) {
                indices.px[static_cast<size_t>(i)] = static_cast<uint32_t>(i);
            }
            Surface blank = d;
            std::fill(blank.px.begin(), blank.px.end(), kUntouched);
            CDIB32 mapSrc(SurfaceImpl::Plain), mapDst(SurfaceImpl::Plain);
            Load(mapSrc, indices);
            Load(mapDst, blank);
            RunBlit(kCopy, mapDst, &mapSrc, dx, dy, 0, 0, sr, sz, cp);
            const std::vector<uint32_t> map = SurfaceWords(mapDst);
            if (std::any_of(map.begin(), map.end(), [](uint32_t v) { return v != kUntouched; })) {
                ++drawn;
            }

            for (int op = 0; op < kOpCount; ++op) {
                std::vector<uint32_t> results[2];
                for (int impl = 0; impl < 2; ++impl) {
                    const SurfaceImpl kind = impl == 0 ? SurfaceImpl::Plain : SurfaceImpl::Fast;
                    CDIB32 src(kind), dst(kind);
                    Load(src, s);
                    Load(dst, d);
                    RunBlit(static_cast<Op>(op), dst, &src, dx, dy, inv, lvl, sr, sz, cp);
                    results[impl] = SurfaceWords(dst);
                    for (size_t i = 0; i < map.size(); ++i) {
                        uint32_t want = d.px[i];
                        if (map[i] != kUntouched) {
                            const uint32_t sp = s.px[map[i]];
                            const uint32_t dp = d.px[i];
                            switch (op) {
                                case kColorKey:
                                    want = sp == 0x0000FF00 ? dp : sp;
                                    break;
                                case kCopy:
                                    want = sp;
                                    break;
                                case kAlpha:
                                    want = impl == 0 ? AlphaPlain(sp, dp) : AlphaFast(sp, dp);
                                    break;
                                case kBlend:
                                    want = Blend(sp, dp, inv, lvl);
                                    break;
                                case kAlphaBlend:
                                    want = impl == 0 ? AlphaBlendPlain(sp, dp, inv, lvl)
                                                     : AlphaBlendFast(sp, dp, inv, lvl);
                                    break;
                            }
                        }
                        ASSERT_EQ(results[impl][i], want) << "iteration " << iteration << " op " << op
                                                          << " impl " << impl << " pixel " << i;
                    }
                }
                if (op == kColorKey || op == kCopy || op == kBlend) {
                    ASSERT_EQ(results[0], results[1]) << "iteration " << iteration << " op " << op;
                }
            }
        }
        // The draw must not be vacuous: most cases draw something.
        EXPECT_GT(drawn, 2500);
    });
}

// Wide rows through the entry points, where the fast path runs its groups of pixels most.
TEST(BlitCrossCheck, FullRowsThroughTheEntryPoints) {
    ForEachFastPath([](bool sse2Only) {
        Random rnd(77 + sse2Only);
        for (int iteration = 0; iteration < 40; ++iteration) {
            Surface s, d;
            s.w = d.w = rnd.Range(200, 1030);
            s.h = d.h = 3;
            for (int32_t i = 0; i < s.w * s.h; ++i) {
                s.px.push_back(rnd.Pixel());
                d.px.push_back(rnd.Pixel());
            }
            const uint16_t level = static_cast<uint16_t>(rnd.Range(0, 300));
            for (int which = 0; which < 3; ++which) {
                std::vector<uint32_t> out[2];
                for (int impl = 0; impl < 2; ++impl) {
                    const SurfaceImpl kind = impl == 0 ? SurfaceImpl::Plain : SurfaceImpl::Fast;
                    CDIB32 src(kind), dst(kind);
                    Load(src, s);
                    Load(dst, d);
                    if (which == 0) {
                        CDIB32::BltFade(&dst, 0, 0, s.w, s.h, &src, 0, 0, 0, s.w, s.h, level);
                    } else if (which == 1) {
                        CDIB32::BltAlpha(&dst, 0, 0, &src, 0, 0, s.w, s.h);
                    } else {
                        CDIB32::BltAlphaFade(&dst, 0, 0, &src, 0, 0, s.w, s.h, level);
                    }
                    out[impl] = SurfaceWords(dst);
                }
                for (size_t i = 0; i < out[0].size(); ++i) {
                    const uint32_t sp = s.px[i], dp = d.px[i];
                    const uint32_t inv = kestrel::gfx::Inverse3(level), lvl = kestrel::gfx::Level3(level);
                    uint32_t plain = dp, fast = dp;
                    if (which == 0 && level >= 256) {
                        plain = fast = sp;
                    } else if (which == 0 && level > 0) {
                        plain = fast = Blend(sp, dp, inv, lvl);
                    } else if (which == 1 || (which == 2 && level >= 255)) {
                        plain = AlphaPlain(sp, dp);
                        fast = AlphaFast(sp, dp);
                    } else if (which == 2 && level > 0) {
                        plain = AlphaBlendPlain(sp, dp, inv, lvl);
                        fast = AlphaBlendFast(sp, dp, inv, lvl);
                    }
                    ASSERT_EQ(out[0][i], plain) << which << " level " << level << " pixel " << i;
                    ASSERT_EQ(out[1][i], fast) << which << " level " << level << " pixel " << i;
                }
            }
        }
    });
}

// Rows of the rule-mask wipe: random weight ramps (leaving, blending and copying pixels, with and
// without clamps, the edges between them often), masks with junk above the blue byte or no mask, and
// row lengths around the groups of pixels. Both implementations give the formula's pixels.
TEST(BlitCrossCheck, MaskWipeRowsFollowTheFormula) {
    ForEachFastPath([](bool sse2Only) {
        Random rnd(0xA5C3u + sse2Only);
        for (int iteration = 0; iteration < 600; ++iteration) {
            MaskRamp ramp;
            ramp.scale = rnd.Chance(20) ? 1024 : rnd.Range(0, 2048);
            ramp.offset = rnd.Range(-1300, 600);
            if (rnd.Chance(50)) {
                ramp.keepBelow = rnd.Range(-5, 260);
            }
            if (rnd.Chance(50)) {
                ramp.low = rnd.Range(-3, 128);
                ramp.high = rnd.Chance(50) ? 255 : rnd.Range(ramp.low, 600);
            }
            const int32_t count = iteration < 40 ? iteration : rnd.Range(0, 1030);
            std::vector<uint32_t> d(static_cast<size_t>(count)), n(d.size()), o(d.size()), m(d.size());
            for (size_t i = 0; i < d.size(); ++i) {
                d[i] = rnd.Pixel();
                n[i] = rnd.Pixel();
                o[i] = rnd.Pixel();
                m[i] = rnd.Word();
            }
            const bool masked = rnd.Chance(80);
            std::vector<uint32_t> want = d;
            for (size_t i = 0; i < want.size(); ++i) {
                const int32_t mv = masked ? static_cast<int32_t>(m[i] & 0xFF) : 0;
                int32_t a = mv * ramp.scale / 256 + ramp.offset; // mv × scale is never negative
                a = a < ramp.keepBelow ? -1 : std::clamp(a, ramp.low, ramp.high);
                if (a > 255) {
                    want[i] = n[i];
                } else if (a >= 0) {
                    uint32_t out = d[i] & 0xFF000000u;
                    for (int c = 0; c < 3; ++c) {
                        const int32_t oc = static_cast<int32_t>(Ch(o[i], c)),
                                      nc = static_cast<int32_t>(Ch(n[i], c));
                        out |= static_cast<uint32_t>(oc + (nc - oc) * a / 256 - ((nc - oc) * a % 256 < 0))
                               << (8 * c);
                    }
                    want[i] = out;
                }
            }
            for (int impl = 0; impl < 2; ++impl) {
                CDIB32 surface(impl == 0 ? SurfaceImpl::Plain : SurfaceImpl::Fast);
                std::vector<uint32_t> got = d;
                surface.Impl()->MaskWipeRow(got.data(), n.data(), o.data(), masked ? m.data() : nullptr,
                                            count, ramp);
                for (size_t i = 0; i < got.size(); ++i) {
                    ASSERT_EQ(got[i], want[i])
                        << "iteration " << iteration << " impl " << impl << " pixel " << i;
                }
            }
        }
    });
}

// The alpha fade at every level it blends with (1 to 254) and every source alpha, over colours at the
// ends of the range and random ones: both fast paths give the formula's pixels. Row widths leave
// tails after the groups of eight and four.
TEST(BlitCrossCheck, AlphaFadeAtEveryLevelAndAlpha) {
    ForEachFastPath([](bool sse2Only) {
        Random rnd(4242 + sse2Only);
        Surface s, d;
        s.w = d.w = 259;
        s.h = d.h = 4;
        for (int32_t y = 0; y < s.h; ++y) {
            for (int32_t x = 0; x < s.w; ++x) {
                const uint32_t colour = y == 0 ? 0xFFFFFF : y == 1 ? 0 : rnd.Word() & 0xFFFFFF;
                s.px.push_back(static_cast<uint32_t>(x % 256) << 24 | colour);
                d.px.push_back(y == 1 ? 0xFFFFFFFF : y == 0 ? 0 : rnd.Word());
            }
        }
        for (uint16_t level = 1; level < 255; ++level) {
            CDIB32 src(SurfaceImpl::Fast), dst(SurfaceImpl::Fast);
            Load(src, s);
            Load(dst, d);
            CDIB32::BltAlphaFade(&dst, 0, 0, &src, 0, 0, s.w, s.h, level);
            const std::vector<uint32_t> out = SurfaceWords(dst);
            const uint32_t inv = kestrel::gfx::Inverse3(level), lvl = kestrel::gfx::Level3(level);
            for (size_t i = 0; i < out.size(); ++i) {
                ASSERT_EQ(out[i], AlphaBlendFast(s.px[i], d.px[i], inv, lvl))
                    << "level " << level << " pixel " << i << (sse2Only ? " (four-pixel path)" : "");
            }
        }
    });
}
