// The picture painted while a screen effect runs, against a model of each shake kind, and the
// display's rectangles on other desktop sizes.
#include <gtest/gtest.h>

#include <vector>

#include "app/display.h"
#include "app/user_sys_data.h"
#include "platform/headless.h"

namespace {

constexpr int kW = 1024;
constexpr int kH = 576;

// Every pixel distinct: x in the low bits, y above.
std::vector<uint32_t> Pattern() {
    std::vector<uint32_t> p(static_cast<size_t>(kW) * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            p[static_cast<size_t>(y) * kW + x] = 0xFF000000u | (uint32_t(y) << 11) | uint32_t(x);
    return p;
}

uint32_t SourceAt(const std::vector<uint32_t>& src, int x, int y) {
    if (x < 0 || y < 0 || x >= kW || y >= kH)
        return 0;
    return src[static_cast<size_t>(y) * kW + x];
}

// Checks out(x, y) == src(x - dx(y), sourceRow(y)) everywhere; a report of the first mismatches only.
template <typename Dx, typename SourceRow>
void ExpectMoved(const std::vector<uint32_t>& src, const std::vector<uint32_t>& out, Dx dx,
                 SourceRow sourceRow, const char* what) {
    ASSERT_EQ(out.size(), src.size()) << what;
    int mismatches = 0;
    for (int y = 0; y < kH && mismatches < 5; ++y)
        for (int x = 0; x < kW && mismatches < 5; ++x) {
            uint32_t want = SourceAt(src, x - dx(y), sourceRow(y));
            if (out[static_cast<size_t>(y) * kW + x] != want) {
                ++mismatches;
                ADD_FAILURE() << what << " at " << x << "," << y;
            }
        }
}

bool Compose(const std::vector<uint32_t>& src, uint8_t kind, uint32_t phase,
             const std::function<int16_t(int32_t)>& offset, std::vector<uint32_t>& out) {
    return ComposeShakenPicture(src.data(), kW, kH, kW * 4, kind, phase, offset, out);
}

TEST(ShakenPicture, WholePictureKindsMoveByTheOffsetOfAxisZero) {
    auto src = Pattern();
    std::vector<uint32_t> out;
    std::vector<int32_t> axes;
    auto offset = [&axes](int32_t axis) -> int16_t {
        axes.push_back(axis);
        return 7;
    };
    struct Case {
        uint8_t kind;
        uint32_t phase;
        int dx, dy;
    };
    const Case cases[] = {
        {0, 0, 7, 0},  {1, 0, 0, 7},  {2, 1, 7, 7}, {2, 2, -7, 7}, {3, 1, 7, 7},
        {3, 2, -7, 7}, {4, 1, -7, 7}, {4, 2, 7, 7}, {5, 1, -7, 7}, {5, 2, 7, 7},
    };
    for (const auto& c : cases) {
        axes.clear();
        ASSERT_TRUE(Compose(src, c.kind, c.phase, offset, out)) << int(c.kind);
        EXPECT_EQ(axes, std::vector<int32_t>{0}) << int(c.kind);
        std::string what = "kind " + std::to_string(c.kind) + " phase " + std::to_string(c.phase);
        ExpectMoved(
            src, out, [&](int) { return c.dx; }, [&](int y) { return y - c.dy; }, what.c_str());
    }
}

TEST(ShakenPicture, NegativeAndOversizedOffsetsLeaveBlackWhereNothingComes) {
    auto src = Pattern();
    std::vector<uint32_t> out;
    ASSERT_TRUE(Compose(
        src, 1, 0, [](int32_t) -> int16_t { return -20; }, out));
    ExpectMoved(
        src, out, [](int) { return 0; }, [](int y) { return y + 20; }, "up by 20");
    EXPECT_EQ(out[static_cast<size_t>(kH - 1) * kW], 0u);
    ASSERT_TRUE(Compose(
        src, 0, 0, [](int32_t) -> int16_t { return 30000; }, out));
    for (uint32_t p : out)
        ASSERT_EQ(p, 0u);
    ASSERT_TRUE(Compose(
        src, 0, 0, [](int32_t) -> int16_t { return -1024; }, out));
    for (uint32_t p : out)
        ASSERT_EQ(p, 0u);
}

TEST(ShakenPicture, WaveKindsShiftOrPickEachRowByItsOwnOffset) {
    auto src = Pattern();
    std::vector<uint32_t> out;
    auto wave = [](int32_t row) -> int16_t { return static_cast<int16_t>((row % 13) - 6); };
    std::vector<int32_t> axes;
    ASSERT_TRUE(Compose(
        src, 6, 0,
        [&](int32_t axis) {
            axes.push_back(axis);
            return wave(axis);
        },
        out));
    ASSERT_EQ(axes.size(), size_t(kH)); // one offset per row, in row order
    for (int y = 0; y < kH; ++y)
        ASSERT_EQ(axes[y], y);
    ExpectMoved(
        src, out, [&](int y) { return wave(y); }, [](int y) { return y; }, "kind 6");

    ASSERT_TRUE(Compose(src, 7, 0, wave, out));
    ExpectMoved(
        src, out, [](int) { return 0; }, [&](int y) { return y + wave(y); }, "kind 7");
    // Row 0 reads row -6 (outside): black, never memory before the picture.
    EXPECT_EQ(out[0], 0u);
    EXPECT_EQ(out[kW - 1], 0u);
}

// A kind that paints nothing still asks for its offset once, as the shake of that kind ends by the
// asking.
TEST(ShakenPicture, KindTenCopiesAndOtherKindsOrPhasesPaintNothing) {
    auto src = Pattern();
    std::vector<uint32_t> out;
    std::vector<int32_t> axes;
    auto offset = [&axes](int32_t axis) -> int16_t {
        axes.push_back(axis);
        return 5;
    };
    ASSERT_TRUE(Compose(src, 10, 0, offset, out));
    EXPECT_EQ(out, src);
    EXPECT_TRUE(axes.empty());
    std::vector<uint32_t> untouched{1, 2, 3};
    for (uint8_t kind : {8, 9, 11, 255}) {
        out = untouched;
        axes.clear();
        EXPECT_FALSE(Compose(src, kind, 1, offset, out)) << int(kind);
        EXPECT_EQ(out, untouched);
        EXPECT_EQ(axes, std::vector<int32_t>{0}) << int(kind);
    }
    for (uint8_t kind : {2, 3, 4, 5}) {
        out = untouched;
        EXPECT_FALSE(Compose(src, kind, 0, offset, out)) << int(kind);
        EXPECT_FALSE(Compose(src, kind, 3, offset, out)) << int(kind);
        EXPECT_EQ(out, untouched);
    }
}

TEST(ShakenPicture, RespectsTheSourcePitch) {
    // A picture inside a wider surface (pitch of 1100 pixels): the padding never shows.
    const int pitchPixels = 1100;
    std::vector<uint32_t> wide(static_cast<size_t>(pitchPixels) * kH, 0xDEADBEEFu);
    auto src = Pattern();
    for (int y = 0; y < kH; ++y)
        std::copy_n(&src[static_cast<size_t>(y) * kW], kW, &wide[static_cast<size_t>(y) * pitchPixels]);
    std::vector<uint32_t> out;
    ASSERT_TRUE(ComposeShakenPicture(
        wide.data(), kW, kH, pitchPixels * 4, 0, 0, [](int32_t) -> int16_t { return -3; }, out));
    ExpectMoved(
        src, out, [](int) { return -3; }, [](int y) { return y; }, "pitch");
    EXPECT_FALSE(ComposeShakenPicture(
        wide.data(), kW, kH, kW * 2, 10, 0, [](int32_t) -> int16_t { return 0; }, out));
    EXPECT_FALSE(ComposeShakenPicture(
        nullptr, kW, kH, kW * 4, 10, 0, [](int32_t) -> int16_t { return 0; }, out));
}

TEST(Display, FullScreenUsesTheDesktopSizeOfTheWindowsDisplayAndTheStretchSetting) {
    plat::ScopedHeadlessBackend headless;
    headless.backend().displays = {{1280, 1024}, {1920, 1200}};
    headless.backend().windowDisplay = 1;
    HWND hwnd =
        plat::CreateMainWindow(plat::WindowDesc{}, [](HWND, const plat::Message&) -> intptr_t { return 0; });
    ASSERT_NE(hwnd, nullptr);
    uint8_t savedStretch = g_UserSysData.stretchFullScreen;
    CDisplay display;
    g_UserSysData.stretchFullScreen = 0;
    ASSERT_EQ(display.ToggleScreenMode(hwnd), 1);
    EXPECT_EQ(display.screenRect, (RECT{0, 0, 1920, 1200}));
    EXPECT_EQ(display.destRect, (RECT{0, 60, 1920, 1140}));
    EXPECT_EQ(display.sourceRect, (RECT{0, 0, 1024, 576}));
    EXPECT_TRUE(headless.backend().fullScreen);
    EXPECT_EQ(display.switching, 0);
    display.ToggleScreenMode(hwnd);
    EXPECT_FALSE(headless.backend().fullScreen);
    g_UserSysData.stretchFullScreen = 1;
    display.ToggleScreenMode(hwnd);
    EXPECT_EQ(display.destRect, (RECT{0, 0, 1920, 1200}));
    display.ToggleScreenMode(hwnd);
    EXPECT_EQ(display.destRect, (RECT{0, 0, 1024, 576}));
    EXPECT_EQ(display.screenRect, (RECT{0, 0, 1024, 576}));
    headless.backend().windowDisplay = 0;
    display.ToggleScreenMode(hwnd);
    EXPECT_EQ(display.destRect, (RECT{0, 0, 1280, 1024}));
    display.ToggleScreenMode(hwnd);
    g_UserSysData.stretchFullScreen = savedStretch;
    plat::DestroyWindow(hwnd);
    plat::Message m;
    while (plat::PeekMessage(m))
        plat::DispatchMessage(m);
}

} // namespace
