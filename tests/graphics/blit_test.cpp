// The basic blits: set-up, clipping, the stretch walk and the per-pixel rules of both
// implementations, all four bytes compared.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "graphics/dib32.h"

namespace {

const SurfaceImpl kImpls[] = {SurfaceImpl::Plain, SurfaceImpl::Fast};

uint32_t Px(const CDIB32& s, int32_t x, int32_t y) {
    uint32_t v;
    std::memcpy(&v, s.GetPixelAddress(x, y), 4);
    return v;
}

void Set(CDIB32& s, int32_t x, int32_t y, uint32_t v) {
    std::memcpy(s.GetPixelAddress(x, y), &v, 4);
}

// Every pixel set to v (FillRect would take 0xFFFFFFFF for the default fill).
void Paint(CDIB32& s, uint32_t v) {
    for (int32_t y = 0; y < s.GetHeight(); ++y) {
        for (int32_t x = 0; x < s.GetWidth(); ++x) {
            Set(s, x, y, v);
        }
    }
}

// A w × h surface whose pixel (x, y) is 0x0100 × y + x + 1 (so 0 never appears).
void MakeNumbered(CDIB32& s, int32_t w, int32_t h) {
    ASSERT_TRUE(s.Create(nullptr, static_cast<uint16_t>(w), static_cast<uint16_t>(h), 24));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            Set(s, x, y, 0x0100u * y + x + 1);
        }
    }
}

std::vector<uint32_t> Row(const CDIB32& s, int32_t y) {
    std::vector<uint32_t> out;
    for (int32_t x = 0; x < s.GetWidth(); ++x) {
        out.push_back(Px(s, x, y));
    }
    return out;
}

std::vector<uint32_t> Column(const CDIB32& s, int32_t x) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.GetHeight(); ++y) {
        out.push_back(Px(s, x, y));
    }
    return out;
}

} // namespace

TEST(BlitSetup, UnscaledClipOnTheLeftSkipsSourceColumns) {
    CDIB32 src, dst;
    MakeNumbered(src, 20, 1);
    ASSERT_TRUE(dst.Create(nullptr, 100, 1, 24));
    const RECT r{0, 0, 20, 1};
    ASSERT_EQ(dst.Impl()->PrepareBlt(&src, -10, 0, &r, nullptr, nullptr), 0);
    const auto& b = dst.Impl()->GetBlitState();
    EXPECT_EQ(b.unscaled, 1);
    EXPECT_EQ(b.srcRect, (RECT{10, 0, 20, 1}));
    EXPECT_EQ(b.dstRect, (RECT{0, 0, 10, 1}));
    CDIB32::Blt(&dst, -10, 0, &src, 0, 0, 20, 1);
    EXPECT_EQ(Px(dst, 0, 0), 11u);
    EXPECT_EQ(Px(dst, 9, 0), 20u);
    EXPECT_EQ(Px(dst, 10, 0), 0u);
}

// Every edge of the destination, for every blit of both implementations: only the overlap is
// written, with the matching source pixels.
TEST(BlitSetup, ClippingAtEveryEdge) {
    struct Edge {
        int32_t dx, dy;
    };
    const Edge edges[] = {{-3, 0}, {0, -2}, {5, 0},  {0, 4},  {-3, -2},
                          {5, 4},  {-3, 4}, {5, -2}, {-8, 0}, {8, 0}};
    for (SurfaceImpl impl : kImpls) {
        for (const Edge& e : edges) {
            CDIB32 src(impl), dst(impl);
            MakeNumbered(src, 4, 3);
            for (int32_t y = 0; y < 3; ++y) {
                for (int32_t x = 0; x < 4; ++x) {
                    Set(src, x, y, Px(src, x, y) | 0xFF000000u); // opaque: every blit copies
                }
            }
            ASSERT_TRUE(dst.Create(nullptr, 8, 6, 24));
            for (int kind = 0; kind < 4; ++kind) {
                dst.FillRect(0, 0, 8, 6, 0x5A5A5A5A);
                switch (kind) {
                    case 0:
                        CDIB32::Blt(&dst, e.dx, e.dy, &src, 0, 0, 4, 3);
                        break;
                    case 1:
                        dst.BltColorKeyRaw(&src, e.dx, e.dy, nullptr, nullptr, nullptr);
                        break;
                    case 2:
                        CDIB32::BltFade(&dst, e.dx, e.dy, 4, 3, &src, 0, 0, 0, 4, 3, 256);
                        break;
                    case 3:
                        CDIB32::BltScaled(&dst, e.dx, e.dy, 4, 3, &src, 0, 0, 4, 3);
                        break;
                }
                for (int32_t y = 0; y < 6; ++y) {
                    for (int32_t x = 0; x < 8; ++x) {
                        const int32_t sx = x - e.dx, sy = y - e.dy;
                        const bool inside = sx >= 0 && sx < 4 && sy >= 0 && sy < 3;
                        const uint32_t want = inside ? (0xFF000000u | (0x0100u * sy + sx + 1)) : 0x5A5A5A5Au;
                        ASSERT_EQ(Px(dst, x, y), want)
                            << "kind " << kind << " at " << e.dx << "," << e.dy << " pixel " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(BlitSetup, GivenClipIsCutToTheDestinationAndWrittenBack) {
    CDIB32 src, dst;
    MakeNumbered(src, 4, 4);
    ASSERT_TRUE(dst.Create(nullptr, 10, 8, 24));
    RECT clip{-5, -5, 100, 100};
    EXPECT_TRUE(dst.BltCopyRaw(&src, 0, 0, nullptr, nullptr, &clip));
    EXPECT_EQ(clip, (RECT{0, 0, 10, 8}));
    EXPECT_EQ(Px(dst, 3, 3), 0x0304u);

    // A clip inside the destination bounds the drawing.
    dst.FillRect(0, 0, 10, 8, 0);
    RECT inner{1, 1, 3, 2};
    dst.BltCopyRaw(&src, 0, 0, nullptr, nullptr, &inner);
    EXPECT_EQ(Px(dst, 0, 0), 0u);
    EXPECT_EQ(Px(dst, 1, 1), 0x0102u);
    EXPECT_EQ(Px(dst, 2, 1), 0x0103u);
    EXPECT_EQ(Px(dst, 3, 1), 0u);
    EXPECT_EQ(Px(dst, 1, 2), 0u);

    // A clip that misses the destination draws nothing.
    dst.FillRect(0, 0, 10, 8, 0);
    RECT away{20, 20, 30, 30};
    EXPECT_EQ(dst.Impl()->PrepareBlt(&src, 0, 0, nullptr, nullptr, &away), 1);
    EXPECT_TRUE(dst.BltCopyRaw(&src, 0, 0, nullptr, nullptr, &away));
    EXPECT_EQ(Px(dst, 0, 0), 0u);
}

TEST(BlitSetup, SourceRectangleLeavingTheSourceDrawsNothing) {
    for (SurfaceImpl impl : kImpls) {
        CDIB32 src(impl), dst(impl);
        MakeNumbered(src, 4, 4);
        ASSERT_TRUE(dst.Create(nullptr, 8, 8, 24));
        const RECT outside[] = {{-1, 0, 2, 2}, {0, -1, 2, 2}, {2, 2, 5, 4}, {2, 2, 4, 5}};
        for (const RECT& r : outside) {
            EXPECT_EQ(dst.Impl()->PrepareBlt(&src, 0, 0, &r, nullptr, nullptr), 2);
            EXPECT_EQ(dst.Impl()->BltCopy(&src, 0, 0, &r, nullptr, nullptr), 0);
            EXPECT_EQ(dst.Impl()->BltAlpha(&src, 0, 0, &r, nullptr, nullptr), 0);
            const SIZE twice{2 * (r.right - r.left), 2 * (r.bottom - r.top)};
            EXPECT_EQ(dst.Impl()->BltBlend(&src, 0, 0, 0x7F7F7F, 0x808080, &r, &twice, nullptr), 0);
        }
        EXPECT_EQ(Px(dst, 0, 0), 0u);
        EXPECT_EQ(Px(dst, 1, 1), 0u);
        // Sizes that are empty or inverted draw nothing; an empty or missing source reports 2.
        const RECT inverted{3, 3, 1, 1};
        EXPECT_EQ(dst.Impl()->PrepareBlt(&src, 0, 0, &inverted, nullptr, nullptr), 1);
        const SIZE zero{0, 4};
        EXPECT_EQ(dst.Impl()->PrepareBlt(&src, 0, 0, nullptr, &zero, nullptr), 1);
        const SIZE negative{-4, 4};
        EXPECT_EQ(dst.Impl()->PrepareBlt(&src, 0, 0, nullptr, &negative, nullptr), 1);
        CDIB32 empty(impl);
        EXPECT_EQ(dst.Impl()->PrepareBlt(&empty, 0, 0, nullptr, nullptr, nullptr), 2);
        EXPECT_EQ(dst.Impl()->PrepareBlt(nullptr, 0, 0, nullptr, nullptr, nullptr), 2);
        EXPECT_EQ(empty.Impl()->PrepareBlt(&src, 0, 0, nullptr, nullptr, nullptr), 1);
    }
}

TEST(BlitSetup, ExtremeCoordinatesAreSafe) {
    CDIB32 src, dst;
    MakeNumbered(src, 4, 4);
    ASSERT_TRUE(dst.Create(nullptr, 8, 8, 24));
    const int32_t values[] = {INT_MIN, INT_MIN + 1, -70000, -1, 0, 3, 70000, INT_MAX - 1, INT_MAX};
    for (int32_t a : values) {
        for (int32_t b : values) {
            CDIB32::Blt(&dst, a, b, &src, b, a, a, b);
            CDIB32::BltScaled(&dst, a, 0, b, 3, &src, 0, 0, 4, 4);
            CDIB32::BltScaled(&dst, 0, b, 5, a, &src, 0, 0, 4, 4);
            CDIB32::BltFade(&dst, a, b, a, b, &src, 0, 0, 0, 4, 4, 100);
            dst.FillRect(a, b, b, a, 1);
        }
    }
    SUCCEED();
}

TEST(BlitSetup, EqualDestinationSizeIsUnscaled) {
    CDIB32 src, dst;
    MakeNumbered(src, 5, 3);
    ASSERT_TRUE(dst.Create(nullptr, 8, 8, 24));
    const SIZE same{5, 3};
    ASSERT_EQ(dst.Impl()->PrepareBlt(&src, 1, 1, nullptr, &same, nullptr), 0);
    EXPECT_EQ(dst.Impl()->GetBlitState().unscaled, 1);
    const SIZE other{5, 4};
    ASSERT_EQ(dst.Impl()->PrepareBlt(&src, 1, 1, nullptr, &other, nullptr), 0);
    EXPECT_EQ(dst.Impl()->GetBlitState().unscaled, 0);
}

TEST(BlitStretch, ColumnSequences) {
    struct Case {
        int32_t from, to;
        std::vector<uint32_t> columns; // source columns read, as numbered pixels (column + 1)
    };
    const Case cases[] = {
        {3, 2, {1, 2}}, {1, 3, {1, 1, 1}}, {2, 4, {1, 1, 1, 2}},
        {4, 2, {1, 3}}, {5, 3, {1, 2, 4}}, {3, 6, {1, 1, 1, 2, 2, 3}},
    };
    for (SurfaceImpl impl : kImpls) {
        for (const Case& c : cases) {
            CDIB32 src(impl), dst(impl);
            MakeNumbered(src, c.from, 1);
            ASSERT_TRUE(dst.Create(nullptr, static_cast<uint16_t>(c.to), 1, 24));
            CDIB32::BltScaled(&dst, 0, 0, c.to, 1, &src, 0, 0, c.from, 1);
            EXPECT_EQ(Row(dst, 0), c.columns) << c.from << " to " << c.to;
            // The vertical walk follows the same rule.
            CDIB32 srcV(impl), dstV(impl);
            MakeNumbered(srcV, 1, c.from);
            ASSERT_TRUE(dstV.Create(nullptr, 1, static_cast<uint16_t>(c.to), 24));
            CDIB32::BltScaled(&dstV, 0, 0, 1, c.to, &srcV, 0, 0, 1, c.from);
            std::vector<uint32_t> rows;
            for (uint32_t v : c.columns) {
                rows.push_back(0x0100u * (v - 1) + 1);
            }
            EXPECT_EQ(Column(dstV, 0), rows) << c.from << " to " << c.to;
        }
    }
}

// Clipping a stretched blit on the left or top moves the source start by the error-term formula,
// which for 3 → 6 with 4 columns cut starts at source column 2 (the uncut walk has column 1 there).
TEST(BlitStretch, LeftAndTopClipFollowTheErrorTermFormula) {
    for (SurfaceImpl impl : kImpls) {
        CDIB32 src(impl), dst(impl);
        MakeNumbered(src, 3, 3);
        ASSERT_TRUE(dst.Create(nullptr, 4, 4, 24));
        CDIB32::BltScaled(&dst, -4, -4, 6, 6, &src, 0, 0, 3, 3);
        EXPECT_EQ(Row(dst, 0), (std::vector<uint32_t>{0x0203, 0x0203, 0, 0}));
        EXPECT_EQ(Row(dst, 1), (std::vector<uint32_t>{0x0203, 0x0203, 0, 0}));
        EXPECT_EQ(Row(dst, 2), (std::vector<uint32_t>{0, 0, 0, 0}));

        // 2 → 4 with one column cut: the formula and the walk agree (columns 0, 0, 1).
        CDIB32 src2(impl), dst2(impl);
        MakeNumbered(src2, 2, 1);
        ASSERT_TRUE(dst2.Create(nullptr, 3, 1, 24));
        CDIB32::BltScaled(&dst2, -1, 0, 4, 1, &src2, 0, 0, 2, 1);
        EXPECT_EQ(Row(dst2, 0), (std::vector<uint32_t>{1, 1, 2}));

        // Shrinking 6 → 3 with one column cut skips two source columns.
        CDIB32 src3(impl), dst3(impl);
        MakeNumbered(src3, 6, 1);
        ASSERT_TRUE(dst3.Create(nullptr, 3, 1, 24));
        CDIB32::BltScaled(&dst3, -1, 0, 3, 1, &src3, 0, 0, 6, 1);
        EXPECT_EQ(Row(dst3, 0), (std::vector<uint32_t>{3, 5, 0}));

        // Right and bottom clipping only shorten the walk.
        CDIB32 dst4(impl);
        ASSERT_TRUE(dst4.Create(nullptr, 4, 1, 24));
        CDIB32::BltScaled(&dst4, 1, 0, 6, 1, &src, 0, 0, 3, 1);
        EXPECT_EQ(Row(dst4, 0), (std::vector<uint32_t>{0, 1, 1, 1}));
    }
}

TEST(BlitColorKey, SkipsOnlyTheExactKeyWord) {
    for (SurfaceImpl impl : kImpls) {
        CDIB32 src(impl), dst(impl);
        ASSERT_TRUE(src.Create(nullptr, 6, 1, 24));
        ASSERT_TRUE(dst.Create(nullptr, 6, 1, 24));
        const uint32_t in[] = {0x0000FF00, 0xFF00FF00, 0x0000FF01, 0x00123456, 0x0100FF00, 0x0000FF00};
        for (int x = 0; x < 6; ++x) {
            Set(src, x, 0, in[x]);
        }
        Paint(dst, 0xCAFEBABE);
        dst.BltColorKeyRaw(&src, 0, 0, nullptr, nullptr, nullptr);
        EXPECT_EQ(Row(dst, 0), (std::vector<uint32_t>{0xCAFEBABE, 0xFF00FF00, 0x0000FF01, 0x00123456,
                                                      0x0100FF00, 0xCAFEBABE}));
        // The key is the source's.
        src.Impl()->SetColorKeyRGB(0x12, 0x34, 0x56);
        Paint(dst, 0xCAFEBABE);
        dst.BltColorKeyRaw(&src, 0, 0, nullptr, nullptr, nullptr);
        EXPECT_EQ(Px(dst, 0, 0), 0x0000FF00u);
        EXPECT_EQ(Px(dst, 3, 0), 0xCAFEBABEu);
        // Stretched keyed copy.
        CDIB32 wide(impl);
        ASSERT_TRUE(wide.Create(nullptr, 12, 1, 24));
        Paint(wide, 0x77);
        const SIZE size{12, 1};
        wide.BltColorKeyRaw(&src, 0, 0, nullptr, &size, nullptr);
        // The walk starts one step behind: columns 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5.
        EXPECT_EQ(Px(wide, 6, 0), 0x0000FF01u);
        EXPECT_EQ(Px(wide, 7, 0), 0x77u);
        EXPECT_EQ(Px(wide, 8, 0), 0x77u);
        EXPECT_EQ(Px(wide, 0, 0), 0x0000FF00u);
    }
}

TEST(BlitAlpha, SpotValuesOfBothImplementations) {
    struct Case {
        uint32_t s, d, plain, fast;
    };
    const Case cases[] = {
        // alpha 128, 200 over 100: plain weighs the destination by 127, the fast one by 128.
        {0x80C8C8C8, 0x00646464, 0x00959595, 0x00969696},
        // alpha 255: the source colour; the fast one keeps all 32 bits.
        {0xFF102030, 0x7F646464, 0x00102030, 0xFF102030},
        // alpha 0: the destination colour; the fast one keeps the destination's alpha byte too.
        {0x00102030, 0x7F646464, 0x00646464, 0x7F646464},
        // alpha 64: destination weights 191 and 192.
        {0x40FF8000, 0x00204080, 0x00564F5F, 0x00575060},
        // alpha 1 and 254.
        {0x01FFFFFF, 0x00FFFFFF, 0x00FDFDFD, 0x00FEFEFE},
        {0xFEFFFFFF, 0x00000000, 0x00FDFDFD, 0x00FDFDFD},
        {0x01000000, 0x00FFFFFF, 0x00FDFDFD, 0x00FEFEFE},
    };
    for (const Case& c : cases) {
        for (SurfaceImpl impl : kImpls) {
            CDIB32 src(impl), dst(impl);
            // 9 pixels, so that the fast path's groups and its tail both see the case.
            ASSERT_TRUE(src.Create(nullptr, 9, 1, 24));
            ASSERT_TRUE(dst.Create(nullptr, 9, 1, 24));
            Paint(src, c.s);
            Paint(dst, c.d);
            CDIB32::BltAlpha(&dst, 0, 0, &src, 0, 0, 9, 1);
            const uint32_t want = impl == SurfaceImpl::Plain ? c.plain : c.fast;
            for (int x = 0; x < 9; ++x) {
                EXPECT_EQ(Px(dst, x, 0), want) << std::hex << c.s << " over " << c.d << " pixel " << x;
            }
        }
    }
}

TEST(BlitBlend, ConstantLevelIgnoresAlphaAndKey) {
    for (SurfaceImpl impl : kImpls) {
        CDIB32 src(impl), dst(impl);
        ASSERT_TRUE(src.Create(nullptr, 5, 1, 24));
        ASSERT_TRUE(dst.Create(nullptr, 5, 1, 24));
        Paint(src, 0xFFFFFFFF);
        Set(src, 4, 0, 0x0000FF00); // the colour key is blended like any other pixel
        Paint(dst, 0xFF000000);
        CDIB32::BltFade(&dst, 0, 0, 5, 1, &src, 0, 0, 0, 5, 1, 128);
        EXPECT_EQ(Px(dst, 0, 0), 0x007F7F7Fu);
        EXPECT_EQ(Px(dst, 3, 0), 0x007F7F7Fu);
        EXPECT_EQ(Px(dst, 4, 0), 0x00007F00u);
        // Per-channel weights through the raw slot; sums beyond 255 saturate per channel.
        Paint(dst, 0x00FF8040);
        Paint(src, 0x00FFFFFF);
        dst.Impl()->BltBlend(&src, 0, 0, 0x00FF00FF, 0x00FF0080, nullptr, nullptr, nullptr);
        // blue: 255×128>>8 + 64×255>>8 = 127 + 63; green: 0 + 0; red: 254 + 254 → 255.
        EXPECT_EQ(Px(dst, 2, 0), 0x00FF00BEu);
    }
}

TEST(BlitAlphaBlend, LevelTimesAlphaAndTheAlphaZeroDifference) {
    struct Case {
        uint32_t s, d;
        uint16_t level;
        uint32_t plain, fast;
    };
    const Case cases[] = {
        // alpha 0: plain still writes d × 255 >> 8 and clears the alpha byte; fast leaves d.
        {0x00FFFFFF, 0x7F646464, 128, 0x00636363, 0x7F646464},
        // alpha 255 at level 128: m 256, weights 128 and 127.
        {0xFFFFFFFF, 0x00000000, 128, 0x007F7F7F, 0x007F7F7F},
        {0xFFFFFFFF, 0x00FFFFFF, 128, 0x00FDFDFD, 0x00FDFDFD},
        // alpha 128 at level 200: w = 128 × 200 >> 8 = 100, destination weight 155.
        {0x80C8C8C8, 0x00646464, 200, 0x008A8A8A, 0x008A8A8A},
        // level 1: source weight 1, destination weight 254.
        {0xFFFFFFFF, 0x00101010, 1, 0x000F0F0F, 0x000F0F0F},
    };
    for (const Case& c : cases) {
        for (SurfaceImpl impl : kImpls) {
            CDIB32 src(impl), dst(impl);
            ASSERT_TRUE(src.Create(nullptr, 7, 1, 24));
            ASSERT_TRUE(dst.Create(nullptr, 7, 1, 24));
            Paint(src, c.s);
            Paint(dst, c.d);
            CDIB32::BltAlphaFade(&dst, 0, 0, &src, 0, 0, 7, 1, c.level);
            const uint32_t want = impl == SurfaceImpl::Plain ? c.plain : c.fast;
            for (int x = 0; x < 7; ++x) {
                EXPECT_EQ(Px(dst, x, 0), want) << std::hex << c.s << " level " << std::dec << c.level;
            }
        }
    }
}

TEST(BlitOverlap, CopyOntoItselfShiftedKeepsTheOriginal) {
    for (SurfaceImpl impl : kImpls) {
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {2, 1}}) {
            CDIB32 s(impl), ref(impl);
            MakeNumbered(s, 6, 5);
            MakeNumbered(ref, 6, 5);
            CDIB32::Blt(&s, dx, dy, &s, 0, 0, 6, 5);
            for (int32_t y = 0; y < 5; ++y) {
                for (int32_t x = 0; x < 6; ++x) {
                    const int32_t sx = x - dx, sy = y - dy;
                    const uint32_t want =
                        (sx >= 0 && sx < 6 && sy >= 0 && sy < 5) ? Px(ref, sx, sy) : Px(ref, x, y);
                    ASSERT_EQ(Px(s, x, y), want) << dx << "," << dy << " at " << x << "," << y;
                }
            }
            // Stretched onto itself reads the picture as it was.
            CDIB32 t(impl);
            MakeNumbered(t, 4, 1);
            CDIB32::BltScaled(&t, 0, 0, 4, 1, &t, 0, 0, 2, 1);
            EXPECT_EQ(Row(t, 0), (std::vector<uint32_t>{1, 1, 1, 2}));
        }
    }
}
