// Pixel effect blits. Expected pictures come from a plain per-pixel model of each rule written
// below, at the levels 0, 1, 128, 255 and 256, over rectangles that reach past both surfaces.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/test_image.h"

namespace {

using testimg::FromSurface;
using testimg::Img;
using testimg::ToSurface;

Img Pattern(int w, int h, uint32_t seed) {
    Img img(w, h);
    std::mt19937 rng(seed);
    for (auto& v : img.p) {
        v = rng();
        // Every fourth pixel fully transparent, some fully opaque, to reach the alpha branches.
        if ((v & 3) == 0) {
            v &= 0x00FFFFFF;
        } else if ((v & 7) == 1) {
            v |= 0xFF000000;
        }
    }
    return img;
}

uint32_t C(uint32_t v, int c) {
    return (v >> (8 * c)) & 0xFF;
}
uint32_t Pack(uint32_t a, uint32_t b, uint32_t g, uint32_t r) {
    return a << 24 | r << 16 | g << 8 | b;
}

using PixelRule = std::function<uint32_t(uint32_t d, uint32_t s, int L)>;
using Unscaled = bool (*)(CDIB32*, int16_t, int16_t, CDIB32*, int16_t, int16_t, int16_t, int16_t, uint16_t);
using Scaled = bool (*)(CDIB32*, int16_t, int16_t, int16_t, int16_t, CDIB32*, int16_t, int16_t, int16_t,
                        int16_t, uint16_t);

constexpr int kLevels[] = {0, 1, 128, 255, 256};

// The unscaled rule applied where both rectangles lie inside their pictures.
Img ModelUnscaled(const Img& d0, const Img& s, int dx, int dy, int sx, int sy, int w, int h, int L,
                  const PixelRule& rule) {
    Img d = d0;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            if (d.In(dx + i, dy + j) && s.In(sx + i, sy + j)) {
                d.At(dx + i, dy + j) = rule(d.At(dx + i, dy + j), s.At(sx + i, sy + j), L);
            }
        }
    }
    return d;
}

uint32_t AddRule(uint32_t d, uint32_t s, int L) {
    if (L >= 256) {
        return s;
    }
    uint32_t v[3];
    for (int c = 0; c < 3; ++c) {
        v[c] = std::min<uint32_t>(255, C(d, c) + ((C(s, c) * L) >> 8));
    }
    return Pack(0, v[0], v[1], v[2]);
}
uint32_t MultiplyRule(uint32_t d, uint32_t s, int L) {
    if (L >= 256) {
        return s;
    }
    uint32_t v[3];
    for (int c = 0; c < 3; ++c) {
        v[c] = ((((C(s, c) * C(d, c)) >> 8) * L) >> 8) + (((255 - L) * C(d, c)) >> 8);
    }
    return Pack(d >> 24, v[0], v[1], v[2]);
}
uint32_t AddAlphaRule(uint32_t d, uint32_t s, int L) {
    const uint32_t a = s >> 24;
    if (a == 0) {
        return d;
    }
    uint32_t v[3];
    for (int c = 0; c < 3; ++c) {
        v[c] = std::min<uint32_t>(255, C(d, c) + ((((C(s, c) * a) >> 8) * L) >> 8));
    }
    return Pack(0, v[0], v[1], v[2]);
}
uint32_t ScreenRule(uint32_t d, uint32_t s, int L) {
    if (L > 255) {
        return s;
    }
    if ((s >> 24) == 0) {
        return d;
    }
    uint32_t v[3];
    for (int c = 0; c < 3; ++c) {
        v[c] = 255 - (((255 - C(s, c)) * (255 - C(d, c))) >> 8);
    }
    return Pack(0, v[0], v[1], v[2]);
}
uint32_t CopyLevelRule(uint32_t, uint32_t s, int L) {
    return Pack(std::min<uint32_t>(255, (C(s, 3) * L) >> 8), std::min<uint32_t>(255, (C(s, 0) * L) >> 8),
                std::min<uint32_t>(255, (C(s, 1) * L) >> 8), std::min<uint32_t>(255, (C(s, 2) * L) >> 8));
}

struct UnscaledCase {
    const char* name;
    Unscaled fn;
    PixelRule rule;
    bool zeroDraws; // the member has no level-0 test
};

TEST(PixelEffects, UnscaledMembersFollowTheirRulesAtEveryLevel) {
    const Img src = Pattern(50, 40, 1);
    const Img dst0 = Pattern(60, 45, 2);
    const UnscaledCase cases[] = {
        {"BltAdd", BltAdd, AddRule, false},
        {"BltMultiply", BltMultiply, MultiplyRule, false},
        {"BltAddAlpha", BltAddAlpha, AddAlphaRule, false},
        {"BltScreen", BltScreen, ScreenRule, false},
        {"BltCopyLevel", BltCopyLevel, CopyLevelRule, true},
    };
    // Rectangles inside both, past the destination's right and bottom, and starting left of and
    // above both surfaces.
    const int rects[][6] = {{5, 4, 3, 2, 30, 20}, {40, 30, 10, 12, 35, 28}, {-7, -3, -2, 6, 40, 50}};
    for (const auto& c : cases) {
        for (const auto& r : rects) {
            for (int L : kLevels) {
                auto s = ToSurface(src);
                auto d = ToSurface(dst0);
                const bool drew =
                    c.fn(d.get(), static_cast<int16_t>(r[0]), static_cast<int16_t>(r[1]), s.get(),
                         static_cast<int16_t>(r[2]), static_cast<int16_t>(r[3]), static_cast<int16_t>(r[4]),
                         static_cast<int16_t>(r[5]), static_cast<uint16_t>(L));
                const Img want = (L == 0 && !c.zeroDraws) ? dst0
                                                          : ModelUnscaled(dst0, src, r[0], r[1], r[2], r[3],
                                                                          r[4], r[5], L, c.rule);
                EXPECT_EQ(drew, L != 0 || c.zeroDraws) << c.name << " level " << L;
                EXPECT_TRUE(FromSurface(*d).p == want.p)
                    << c.name << " level " << L << " rect " << r[0] << "," << r[1];
                EXPECT_TRUE(FromSurface(*s).p == src.p) << c.name << " wrote its source";
            }
        }
    }
}

TEST(PixelEffects, SpotValues) {
    Img white(1, 1), black(1, 1);
    white.p[0] = 0x00FFFFFF;
    black.p[0] = 0;
    auto s = ToSurface(white);
    auto d = ToSurface(black);
    BltAdd(d.get(), 0, 0, s.get(), 0, 0, 1, 1, 128);
    EXPECT_EQ(FromSurface(*d).p[0], 0x007F7F7Fu);
    // Multiply: a black source over white at 128 gives (255 × 127) >> 8.
    auto bs = ToSurface(black);
    auto wd = ToSurface(white);
    BltMultiply(wd.get(), 0, 0, bs.get(), 0, 0, 1, 1, 128);
    EXPECT_EQ(FromSurface(*wd).p[0] & 0xFFFFFF, 126u * 0x010101u);
    // Screen ignores levels between 1 and 255.
    const Img src = Pattern(20, 20, 5), dst0 = Pattern(20, 20, 6);
    auto s1 = ToSurface(src), d1 = ToSurface(dst0), d2 = ToSurface(dst0);
    BltScreen(d1.get(), 0, 0, s1.get(), 0, 0, 20, 20, 1);
    BltScreen(d2.get(), 0, 0, s1.get(), 0, 0, 20, 20, 255);
    EXPECT_TRUE(FromSurface(*d1).p == FromSurface(*d2).p);
    // Copy-level at x = -10 copies the source from its column 10.
    auto d3 = ToSurface(dst0);
    BltCopyLevel(d3.get(), -10, 0, s1.get(), 0, 0, 20, 20, 256);
    const Img got = FromSurface(*d3);
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(got.At(0, y), src.At(10, y));
        EXPECT_EQ(got.At(9, y), src.At(19, y));
        EXPECT_EQ(got.At(10, y), dst0.At(10, y));
    }
}

// The scaled walk: per destination pixel the source advances sw / dw whole pixels, and one more when
// the remainder (from -dw - 1, growing by sw mod dw) turns non-negative. Returns, per destination
// pixel, the source offset and the remainder in use at it.
struct Walk {
    std::vector<int> off, err;
};
Walk StepWalk(int sw, int dw) {
    Walk w;
    int off = 0, e = -dw - 1;
    for (int i = 0; i < dw; ++i) {
        w.off.push_back(off);
        w.err.push_back(e);
        off += sw / dw;
        e += sw % dw;
        if (e >= 0) {
            ++off;
            e -= dw;
        }
    }
    return w;
}

enum class Kind { Add, AddLevel, Interp, Interp2 };

Img ModelScaled(Kind kind, const Img& d0, const Img& s, int dx, int dy, int dw, int dh, int sx, int sy,
                int sw, int sh, int L) {
    Img d = d0;
    if (dw < 1 || dh < 1 || L == 0) {
        return d;
    }
    const Walk cw = StepWalk(sw, dw), rw = StepWalk(sh, dh);
    const int lastCol = std::min(sx + sw, s.w) - 1, lastRow = std::min(sy + sh, s.h) - 1;
    for (int j = 0; j < dh; ++j) {
        for (int i = 0; i < dw; ++i) {
            const int x = dx + i, y = dy + j, u = sx + cw.off[i], v = sy + rw.off[j];
            if (!d.In(x, y) || !s.In(u, v)) {
                continue;
            }
            const uint32_t sp = s.At(u, v), dp = d.At(x, y);
            uint32_t out[3];
            if (kind == Kind::Add || kind == Kind::AddLevel) {
                const uint32_t a = sp >> 24;
                if (kind == Kind::AddLevel && a == 0) {
                    continue;
                }
                for (int c = 0; c < 3; ++c) {
                    const uint32_t add = kind == Kind::Add ? C(sp, c) : (((C(sp, c) * a) >> 8) * L) >> 8;
                    out[c] = std::min<uint32_t>(255, C(dp, c) + add);
                }
                d.At(x, y) = Pack(0, out[0], out[1], out[2]);
                continue;
            }
            // Interpolation weights: the right neighbour weighs max(0, remainder + dw) of dw, the row
            // below max(0, remainder + dh) of dh; none past the rectangle's last column or row.
            const bool mixX = u < lastCol && cw.err[i] + dw > 0;
            const bool mixY = v < lastRow && rw.err[j] + dh > 0;
            const int wx = mixX ? cw.err[i] + dw : 0, wy = mixY ? rw.err[j] + dh : 0;
            for (int c = 0; c < 3; ++c) {
                auto h = [&](int row) {
                    return (static_cast<int>(C(s.At(u, row), c)) * (dw - wx) +
                            static_cast<int>(C(s.At(mixX ? u + 1 : u, row), c)) * wx) /
                           dw;
                };
                int val = h(v);
                if (mixY) {
                    val = (val * (dh - wy) + h(v + 1) * wy) / dh;
                }
                if (kind == Kind::Interp) {
                    val = std::clamp((static_cast<int>(C(dp, c)) * (255 - L) + val * L) >> 8, 0, 255);
                }
                out[c] = static_cast<uint32_t>(val);
            }
            d.At(x, y) = Pack(kind == Kind::Interp2 ? dp >> 24 : 0, out[0], out[1], out[2]);
        }
    }
    return d;
}

TEST(PixelEffects, ScaledMembersStepAndClipLikeTheUnclippedWalk) {
    const Img src = Pattern(23, 17, 3);
    const Img dst0 = Pattern(40, 30, 4);
    const struct {
        const char* name;
        Scaled fn;
        Kind kind;
    } cases[] = {{"BltStretch", BltStretch, Kind::Add},
                 {"BltStretchLevel", BltStretchLevel, Kind::AddLevel},
                 {"BltStretchAlpha", BltStretchAlpha, Kind::Interp},
                 {"BltStretchAlpha2", BltStretchAlpha2, Kind::Interp2}};
    // dx, dy, dw, dh, sx, sy, sw, sh: enlarging, shrinking, clipped on every side, source past its edge.
    const int rects[][8] = {{2, 3, 30, 20, 1, 2, 10, 7},
                            {0, 0, 9, 6, 0, 0, 23, 17},
                            {-11, -5, 60, 45, 3, 1, 19, 15},
                            {25, 20, 31, 19, 5, 5, 7, 9},
                            {-3, -2, 12, 11, 15, 10, 20, 12}};
    for (const auto& c : cases) {
        for (const auto& r : rects) {
            for (int L : kLevels) {
                auto s = ToSurface(src);
                auto d = ToSurface(dst0);
                const bool drew =
                    c.fn(d.get(), static_cast<int16_t>(r[0]), static_cast<int16_t>(r[1]),
                         static_cast<int16_t>(r[2]), static_cast<int16_t>(r[3]), s.get(),
                         static_cast<int16_t>(r[4]), static_cast<int16_t>(r[5]), static_cast<int16_t>(r[6]),
                         static_cast<int16_t>(r[7]), static_cast<uint16_t>(L));
                EXPECT_EQ(drew, L != 0);
                const Img want =
                    ModelScaled(c.kind, dst0, src, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], L);
                const Img got = FromSurface(*d);
                EXPECT_TRUE(got.p == want.p) << c.name << " level " << L << " rect " << r[0] << "," << r[1]
                                             << "," << r[2] << "," << r[3];
                EXPECT_TRUE(FromSurface(*s).p == src.p) << c.name << " wrote its source";
            }
        }
    }
}

TEST(PixelEffects, StretchOfTwoPixelsOntoFourTakesColumnsZeroZeroZeroOne) {
    Img src(2, 1), dst0(4, 1);
    src.p = {0x00000010, 0x00000020};
    auto s = ToSurface(src);
    auto d = ToSurface(dst0);
    BltStretch(d.get(), 0, 0, 4, 1, s.get(), 0, 0, 2, 1, 1);
    EXPECT_EQ(FromSurface(*d).p, (std::vector<uint32_t>{0x10, 0x10, 0x10, 0x20}));
    // The interpolating copy gives a ramp that ends on the last source pixel.
    src.p = {0, 200};
    auto s2 = ToSurface(src);
    auto d2 = ToSurface(dst0);
    BltStretchAlpha2(d2.get(), 0, 0, 4, 1, s2.get(), 0, 0, 2, 1, 255);
    EXPECT_EQ(FromSurface(*d2).p, (std::vector<uint32_t>{0, 50, 150, 200}));
    // A destination start left of the surface keeps the mapping of the visible pixels.
    Img wide(8, 1);
    auto d3 = ToSurface(wide);
    BltStretch(d3.get(), -1, 0, 4, 1, s.get(), 0, 0, 2, 1, 1);
    EXPECT_EQ(FromSurface(*d3).p, (std::vector<uint32_t>{0x10, 0x10, 0x20, 0, 0, 0, 0, 0}));
}

TEST(PixelEffects, RandomRectanglesStayInsideTheSurfaces) {
    std::mt19937 rng(9);
    auto pick = [&](int lo, int hi) {
        return static_cast<int16_t>(std::uniform_int_distribution<int>(lo, hi)(rng));
    };
    auto a = ToSurface(Pattern(37, 23, 7));
    auto b = ToSurface(Pattern(64, 48, 8));
    CDIB32 empty;
    CDIB32* pics[] = {a.get(), b.get(), &empty, nullptr};
    const Unscaled unscaled[] = {BltAdd, BltMultiply, BltAddAlpha, BltScreen, BltCopyLevel};
    const Scaled scaled[] = {BltStretch, BltStretchLevel, BltStretchAlpha, BltStretchAlpha2};
    for (int round = 0; round < 3000; ++round) {
        CDIB32* d = pics[pick(0, 3)];
        CDIB32* s = pics[pick(0, 3)];
        const uint16_t L = static_cast<uint16_t>(pick(0, 600));
        if (round & 1) {
            unscaled[round % 5](d, pick(-100, 100), pick(-100, 100), s, pick(-100, 100), pick(-100, 100),
                                pick(-20, 150), pick(-20, 150), L);
        } else {
            scaled[round % 4](d, pick(-32768, 32767), pick(-200, 200), pick(-10, 300), pick(-10, 300), s,
                              pick(-100, 100), pick(-100, 100), pick(-10, 200), pick(-10, 200), L);
        }
    }
}

} // namespace
