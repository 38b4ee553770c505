// Four-corner mapped blits.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics/dib32.h"
#include "graphics/quad_blit.h"

namespace {

struct Pic {
    std::unique_ptr<CDIB32> s;
    Pic(int w, int h, uint32_t seed) : s(std::make_unique<CDIB32>()) {
        s->Create(nullptr, static_cast<uint16_t>(w), static_cast<uint16_t>(h), 32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                Set(x, y,
                    seed == 0 ? 0
                              : (seed << 24) | (static_cast<uint32_t>(y) << 12) | static_cast<uint32_t>(x));
            }
        }
    }
    uint32_t Get(int x, int y) const {
        uint32_t v;
        std::memcpy(&v, s->GetPixelAddress(x, y), 4);
        return v;
    }
    void Set(int x, int y, uint32_t v) { std::memcpy(s->GetPixelAddress(x, y), &v, 4); }
    std::vector<uint32_t> All() const {
        std::vector<uint32_t> out;
        for (int y = 0; y < s->GetHeight(); ++y) {
            for (int x = 0; x < s->GetWidth(); ++x) {
                out.push_back(Get(x, y));
            }
        }
        return out;
    }
};

// The source pixel of a picture made by Pic(…, seed): column and row are encoded in it.
uint32_t SourceAt(uint32_t seed, int x, int y) {
    return (seed << 24) | (static_cast<uint32_t>(y) << 12) | static_cast<uint32_t>(x);
}

constexpr uint32_t kBlank = 0x11223344;

void FillAll(Pic& p, uint32_t v) {
    for (int y = 0; y < p.s->GetHeight(); ++y) {
        for (int x = 0; x < p.s->GetWidth(); ++x) {
            p.Set(x, y, v);
        }
    }
}

TEST(QuadBlit, IdentityMappingDrawsEachRowOneStepBelow) {
    // w - 1 divides w * 2^20, so without exact the last column lands exactly on column w.
    const int w = 5, h = 4;
    Pic src(w, h, 7);
    for (uint8_t exact : {uint8_t{1}, uint8_t{0}}) {
        Pic dst(w, h, 0);
        FillAll(dst, kBlank);
        const POINT pts[4] = {{0, 0}, {w, 0}, {0, h}, {w, h}};
        ASSERT_TRUE(dst.s->BltQuadBRaw(src.s.get(), pts, pts, nullptr, exact));
        const int64_t step = exact ? (int64_t{1} << 20) : (int64_t{w} << 20) / (w - 1);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                // Row y shows source row y + 1, so the last row's source lies outside the source.
                const int sx = static_cast<int>((x * step) >> 20);
                const uint32_t want = (y == h - 1 || sx >= w) ? kBlank : SourceAt(7, sx, y + 1);
                EXPECT_EQ(dst.Get(x, y), want) << "exact " << int(exact) << " at " << x << "," << y;
            }
            if (!exact) {
                EXPECT_EQ(dst.Get(w - 1, y), kBlank);
            }
        }
    }
}

TEST(QuadBlit, CrossedQuadrilateralIsRefused) {
    Pic src(8, 8, 3);
    Pic dst(16, 16, 0);
    FillAll(dst, kBlank);
    const std::vector<uint32_t> before = dst.All();
    const POINT s[4] = {{0, 0}, {8, 0}, {0, 8}, {8, 8}};
    // The opposite corner of the top one is the second highest.
    const POINT d[4] = {{0, 0}, {0, 10}, {10, 10}, {10, 1}};
    EXPECT_FALSE(dst.s->BltQuadBRaw(src.s.get(), s, d, nullptr, 1));
    EXPECT_EQ(dst.s->Impl()->BltQuadB(src.s.get(), s, d, nullptr, 1), 1);
    EXPECT_EQ(dst.All(), before);
}

TEST(QuadBlit, ExactChoosesWhereTheLastPixelOfASpanSamples) {
    Pic src(5, 4, 9);
    const POINT s[4] = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
    const POINT d[4] = {{0, 0}, {2, 0}, {0, 4}, {2, 4}};
    Pic plain(2, 4, 0), exact(2, 4, 0);
    plain.s->BltQuadBRaw(src.s.get(), s, d, nullptr, 0);
    exact.s->BltQuadBRaw(src.s.get(), s, d, nullptr, 1);
    // Row 0 takes source row 1 (the edges step before the first row is drawn).
    EXPECT_EQ(plain.Get(0, 0), SourceAt(9, 0, 1));
    EXPECT_EQ(plain.Get(1, 0), SourceAt(9, 4, 1)); // the right edge's source point
    EXPECT_EQ(exact.Get(1, 0), SourceAt(9, 2, 1)); // halfway
}

TEST(QuadBlit, BlendMixesEachChannelAndClearsAlpha) {
    Pic src(4, 4, 0);
    FillAll(src, 0xFFC86432); // r 0xC8, g 0x64, b 0x32, alpha 255
    Pic dst(4, 4, 0);
    FillAll(dst, 0x7F000000);
    const POINT pts[4] = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
    ASSERT_TRUE(dst.s->BltQuadDRaw(src.s.get(), pts, pts, kestrel::gfx::Inverse3(128),
                                   kestrel::gfx::Level3(128), nullptr, 1));
    const uint32_t want = ((0xC8u * 128) >> 8) << 16 | ((0x64u * 128) >> 8) << 8 | ((0x32u * 128) >> 8);
    EXPECT_EQ(dst.Get(1, 1), want);
    EXPECT_EQ(dst.Get(1, 3), 0x7F000000u); // last row unchanged
}

TEST(QuadBlit, HalfTurnMapsEveryPixelOntoItsMirror) {
    // Source corners given in reverse: the picture appears rotated by 180 degrees.
    const int w = 8, h = 8;
    Pic src(w, h, 5);
    Pic dst(w, h, 0);
    FillAll(dst, kBlank);
    const POINT s[4] = {{w, h}, {0, h}, {w, 0}, {0, 0}};
    const POINT d[4] = {{0, 0}, {w, 0}, {0, h}, {w, h}};
    ASSERT_TRUE(dst.s->BltQuadBRaw(src.s.get(), s, d, nullptr, 1));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // Source u runs from w down by 1 per pixel, v from h − 1 down by 1 per row.
            const int su = w - x, sv = h - 1 - y;
            const uint32_t want = su < w ? SourceAt(5, su, sv) : kBlank;
            EXPECT_EQ(dst.Get(x, y), want) << x << "," << y;
        }
    }
}

TEST(QuadBlit, ClipRectangleIsCutToTheDestination) {
    Pic src(16, 16, 4);
    Pic dst(10, 10, 0);
    FillAll(dst, kBlank);
    const POINT s[4] = {{0, 0}, {16, 0}, {0, 16}, {16, 16}};
    const POINT d[4] = {{-3, -3}, {13, -3}, {-3, 13}, {13, 13}};
    RECT clip{2, 2, 500, 500};
    ASSERT_TRUE(dst.s->BltQuadBRaw(src.s.get(), s, d, &clip, 1));
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (x < 2 || y < 2) {
                EXPECT_EQ(dst.Get(x, y), kBlank);
            } else {
                EXPECT_EQ(dst.Get(x, y), SourceAt(4, x + 3, y + 4)) << x << "," << y;
            }
        }
    }
}

TEST(QuadBlit, FarCornersAreCutQuicklyAndHugeOnesRefused) {
    Pic src(32, 32, 2);
    Pic dst(64, 48, 0);
    const POINT s[4] = {{0, 0}, {32, 0}, {0, 32}, {32, 32}};
    const POINT far[4] = {{-5000, -5000}, {6000, -4000}, {-4500, 7000}, {6500, 7200}};
    EXPECT_TRUE(dst.s->BltQuadBRaw(src.s.get(), s, far, nullptr, 0));
    const POINT huge[4] = {{-(1 << 23), 0}, {1 << 23, 0}, {0, 1 << 23}, {1 << 23, 1 << 23}};
    EXPECT_FALSE(dst.s->BltQuadBRaw(src.s.get(), s, huge, nullptr, 0));
}

// Random quadrilaterals (rotations, shears, degenerate and crossed ones) with random clips, under
// the address sanitizer: only pixels inside the clip and the destination may change.
TEST(QuadBlit, RandomQuadsOnlyTouchTheClip) {
    std::mt19937 rng(77);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Pic src(40, 30, 6);
    CDIB32 empty;
    for (int round = 0; round < 400; ++round) {
        Pic dst(pick(1, 70), pick(1, 50), 0);
        FillAll(dst, kBlank);
        POINT s[4], d[4];
        for (int i = 0; i < 4; ++i) {
            s[i] = {pick(-20, 60), pick(-20, 50)};
            d[i] = {pick(-300, 300), pick(-300, 300)};
        }
        if (round % 3 == 0) {
            // A rotated rectangle around a random centre.
            const double a = pick(0, 359) * 3.14159265358979 / 180.0;
            const int cx = pick(-20, 90), cy = pick(-20, 70), hw = pick(1, 60), hh = pick(1, 60);
            const int ox[4] = {-hw, hw, -hw, hw}, oy[4] = {-hh, -hh, hh, hh};
            for (int i = 0; i < 4; ++i) {
                d[i] = {static_cast<int32_t>(cx + ox[i] * std::cos(a) - oy[i] * std::sin(a)),
                        static_cast<int32_t>(cy + ox[i] * std::sin(a) + oy[i] * std::cos(a))};
            }
        }
        RECT clip{pick(-10, 40), pick(-10, 40), pick(-10, 90), pick(-10, 90)};
        const bool useClip = pick(0, 1);
        const uint8_t exact = static_cast<uint8_t>(pick(0, 1));
        CDIB32* from = round % 17 == 0 ? &empty : src.s.get();
        if (pick(0, 1)) {
            dst.s->BltQuadBRaw(from, s, d, useClip ? &clip : nullptr, exact);
        } else {
            dst.s->BltQuadDRaw(from, s, d, kestrel::gfx::Inverse3(90), kestrel::gfx::Level3(90),
                               useClip ? &clip : nullptr, exact);
        }
        for (int y = 0; y < dst.s->GetHeight(); ++y) {
            for (int x = 0; x < dst.s->GetWidth(); ++x) {
                const bool inClip =
                    !useClip || (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom);
                if (!inClip) {
                    ASSERT_EQ(dst.Get(x, y), kBlank) << "round " << round;
                }
            }
        }
    }
}

} // namespace
