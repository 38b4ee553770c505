#include "platform/present_gate.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kW = 8, kH = 6, kPitch = 40; // rows padded to 10 pixels: the padding is never compared
constexpr uint64_t kPeriod = 16000;

// A picture whose pixel (x, y) is `base` + y * 16 + x, with rows [top, bottom) changed by `delta`;
// the padding holds `pad`.
std::vector<uint32_t> Picture(uint32_t base, int top = 0, int bottom = 0, uint32_t delta = 0,
                              uint32_t pad = 0) {
    std::vector<uint32_t> p(kPitch / 4 * kH, pad);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            p[y * (kPitch / 4) + x] = base + y * 16 + x + (y >= top && y < bottom ? delta : 0);
    return p;
}

struct Step {
    const char* what;
    enum { Offer, Invalidate, Show } kind;
    uint64_t now;
    std::vector<uint32_t> picture; // Offer
    RECT dest;                     // Offer
    bool due;                      // after the step
    int changedTop, changedBottom; // after the step
};

} // namespace

TEST(PresentGate, ShowsChangedPicturesOncePerRefreshWithTheirChangedRows) {
    const RECT window{0, 0, 8, 6}, letterbox{0, 2, 8, 8};
    const Step steps[] = {
        {"first picture", Step::Offer, 0, Picture(100), window, true, 0, kH},
        {"shown", Step::Show, 0, {}, {}, false, 0, 0},
        {"the same picture again", Step::Offer, 1000, Picture(100), window, false, 0, 0},
        {"same pixels, other padding", Step::Offer, 2000, Picture(100, 0, 0, 0, 7), window, false, 0, 0},
        {"rows 2 and 3 change too soon", Step::Offer, 5000, Picture(100, 2, 4, 1), window, false, 2, 4},
        {"row 5 changes, still too soon", Step::Offer, 9000, Picture(100, 5, 6, 1), window, false, 2, 6},
        {"a period after the show", Step::Offer, kPeriod, Picture(100, 5, 6, 1), window, true, 2, 6},
        {"shown", Step::Show, kPeriod, {}, {}, false, 0, 0},
        {"back to the old picture", Step::Offer, kPeriod + 100, Picture(100), window, false, 5, 6},
        {"due once a period passed", Step::Offer, 2 * kPeriod, Picture(100), window, true, 5, 6},
        {"shown", Step::Show, 2 * kPeriod, {}, {}, false, 0, 0},
        {"same picture, other place", Step::Offer, 3 * kPeriod, Picture(100), letterbox, true, 0, 0},
        {"shown", Step::Show, 3 * kPeriod, {}, {}, false, 0, 0},
        {"the window lost its picture", Step::Invalidate, 4 * kPeriod, {}, {}, true, 0, 0},
        {"shown", Step::Show, 4 * kPeriod, {}, {}, false, 0, 0},
        {"only the first row differs", Step::Offer, 5 * kPeriod, Picture(100, 0, 1, 9), letterbox, true, 0,
         1},
    };
    plat::PresentGate gate;
    gate.SetRefreshPeriod(kPeriod);
    EXPECT_FALSE(gate.Due(0)) << "nothing offered yet";
    gate.Invalidate();
    EXPECT_FALSE(gate.Due(0)) << "nothing offered yet, after a lost picture";
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        switch (s.kind) {
            case Step::Offer:
                gate.Offer(s.picture.data(), kW, kH, kPitch, s.dest);
                break;
            case Step::Invalidate:
                gate.Invalidate();
                break;
            case Step::Show:
                gate.Shown(s.now);
                break;
        }
        EXPECT_EQ(gate.Due(s.now), s.due);
        EXPECT_EQ(gate.ChangedTop(), s.changedTop);
        EXPECT_EQ(gate.ChangedBottom(), s.changedBottom);
        if (s.kind == Step::Offer) {
            EXPECT_EQ(gate.Dest(), s.dest);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    ASSERT_EQ(gate.Pixels()[y * kW + x], s.picture[y * (kPitch / 4) + x]) << x << "," << y;
        }
    }
}

TEST(PresentGate, ANewSizeReplacesTheWholeCopy) {
    plat::PresentGate gate;
    std::vector<uint32_t> small(4, 1), large(12, 2);
    gate.Offer(small.data(), 2, 2, 8, RECT{0, 0, 2, 2});
    gate.Shown(0);
    gate.Offer(large.data(), 4, 3, 16, RECT{0, 0, 2, 2});
    EXPECT_TRUE(gate.Due(0));
    EXPECT_EQ(gate.Width(), 4);
    EXPECT_EQ(gate.Height(), 3);
    EXPECT_EQ(gate.ChangedTop(), 0);
    EXPECT_EQ(gate.ChangedBottom(), 3);
    EXPECT_EQ(std::vector<uint32_t>(gate.Pixels(), gate.Pixels() + 12), large);
    gate.Offer(nullptr, 4, 3, 16, RECT{});
    gate.Offer(large.data(), 0, 3, 16, RECT{});
    EXPECT_EQ(gate.Dest(), (RECT{0, 0, 2, 2})) << "an empty picture is ignored";
}

TEST(PresentGate, LooksOnlyAtTheRowsThatMayHaveChanged) {
    plat::PresentGate gate;
    gate.SetRefreshPeriod(kPeriod);
    const RECT window{0, 0, 8, 6};
    gate.Offer(Picture(100).data(), kW, kH, kPitch, window);
    gate.Shown(0);
    // Rows 1 and 4 differ, but only rows 3 to 5 may have: row 1 is taken as it was.
    gate.Offer(Picture(100, 1, 5, 2).data(), kW, kH, kPitch, window, 3, 5);
    EXPECT_TRUE(gate.Due(kPeriod));
    EXPECT_EQ(gate.ChangedTop(), 3);
    EXPECT_EQ(gate.ChangedBottom(), 5);
    EXPECT_EQ(gate.Pixels()[1 * kW], Picture(100)[1 * (kPitch / 4)]);
    EXPECT_EQ(gate.Pixels()[4 * kW], Picture(100, 1, 5, 2)[4 * (kPitch / 4)]);
    gate.Shown(kPeriod);
    // An empty span and one beyond the picture look at nothing.
    gate.Offer(Picture(7).data(), kW, kH, kPitch, window, 2, 2);
    gate.Offer(Picture(7).data(), kW, kH, kPitch, window, 9, 20);
    EXPECT_FALSE(gate.Due(2 * kPeriod));
}
