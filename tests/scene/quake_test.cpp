// Scene 5 beyond the picture quakes 0-5 and the inverted background 11: the window quakes, the row
// waves, the flashes of a prepared layer 1 and the background kept as a new surface, each frame of
// the back buffer against the picture its rule gives for the moment of the frame, and the end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "sequence_fixture.h"
#include "support/surface_words.h"

namespace {

using kestrel::test::AlphaOver;
using kestrel::test::Picture;
using kestrel::test::SequenceTest;

uint32_t Layer0Pixel(int32_t x, int32_t y) {
    return static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x + y) >> 2 & 0xFF));
}
// What the back buffer held before the quake.
uint32_t BeforePixel(int32_t x, int32_t y) {
    return static_cast<uint32_t>(0x200000 | (x * 3 & 0xFF) << 8 | (y & 0x7F));
}
// The message window picture, 1024 × 128: opaque in 16-pixel checks, clear between them.
uint32_t WindowPixel(int32_t x, int32_t y) {
    const uint32_t alpha = (x / 16 + y / 16) % 2 == 0 ? 0xFFu : 0u;
    return alpha << 24 | static_cast<uint32_t>(0x0000C0 | (x & 0x3F) << 16 | (y & 0x7F) << 8);
}

CDIB32* NewSurface(const Picture& p, uint8_t bpp) {
    auto* s = new CDIB32();
    s->Create(nullptr, static_cast<uint16_t>(p.width), static_cast<uint16_t>(p.height), bpp);
    for (int32_t y = 0; y < p.height; ++y)
        std::memcpy(s->GetPixelAddress(0, y), &p.pixels[static_cast<size_t>(y) * p.width], p.width * 4u);
    return s;
}

double SinDegrees(double degrees) {
    return std::sin(degrees * std::numbers::pi / 180.0);
}

// The expected colours of back-buffer row y in one frame (1024 of them), kAny where the rule leaves
// the pixel as an earlier frame left it.
constexpr uint32_t kAny = 0xFFFFFFFFu;
using Expect = std::function<void(int32_t y, uint32_t* row)>;

// The frame of a window quake: rows from `restoreTop` are layer 0 with the window picture laid over
// it at (wx, wy); the rows above keep what the back buffer held.
Expect WindowAt(int32_t restoreTop, int32_t wx, int32_t wy) {
    return [=](int32_t y, uint32_t* row) {
        for (int32_t x = 0; x < 1024; ++x) {
            const int32_t u = x - wx, v = y - wy;
            if (y < restoreTop)
                row[x] = BeforePixel(x, y);
            else if (u < 0 || u >= 1024 || v < 0 || v >= 128)
                row[x] = Layer0Pixel(x, y);
            else
                row[x] = AlphaOver(WindowPixel(u, v), Layer0Pixel(x, y), 255);
        }
    };
}

// The frame of a row wave at step `step` with amplitudes a (sideways) and b (between rows): row y
// shows layer 0 row `from` moved right by o; kind 8 draws no row whose source lies outside the
// picture or is its first row, kind 9 none that would come from outside the picture.
Expect Wave(uint8_t kind, uint32_t step, int32_t a, int32_t b) {
    return [=](int32_t y, uint32_t* row) {
        const auto wave = static_cast<int32_t>(SinDegrees(static_cast<double>(step) + y) * a);
        int32_t o = wave, from = y;
        if (kind == 8) {
            o = 0;
            from = y + wave;
        } else if (kind == 9) {
            from = y + static_cast<int32_t>(SinDegrees(static_cast<double>(step) - y + 576) * b);
        }
        for (int32_t x = 0; x < 1024; ++x)
            row[x] = (kind == 8 && from <= 0) || from < 0 || from >= 576 || x - o < 0 || x - o >= 1024
                         ? kAny
                         : Layer0Pixel(x - o, from);
    };
}

// Every pixel of a row from `f`.
Expect Whole(uint32_t (*f)(int32_t, int32_t)) {
    return [f](int32_t y, uint32_t* row) {
        for (int32_t x = 0; x < 1024; ++x)
            row[x] = f(x, y);
    };
}

class Quake : public SequenceTest {
protected:
    void SetUp() override {
        SequenceTest::SetUp();
        ReplaceSurface(g_Layers[0], NewSurface(Picture(1024, 576, Layer0Pixel), 24));
        ReplaceSurface(g_MsgWindowSurface, NewSurface(Picture(1024, 128, WindowPixel), 32));
        // The window as the message left it: its text, and the name plate beside it, both opaque.
        ReplaceSurface(g_TextSurface,
                       NewSurface(Picture(1024, 128, [](int32_t, int32_t) { return 0xFF00FF00u; }), 32));
        ReplaceSurface(g_NamePlateSurface,
                       NewSurface(Picture(200, 40, [](int32_t, int32_t) { return 0xFFFF00FFu; }), 32));
        g_SystemData.effectsOff = 0;
    }

    // Pixels of the back buffer that differ from `expect` where it expects something.
    static int Wrong(const Expect& expect) {
        int wrong = 0;
        uint32_t want[1024];
        for (int32_t y = 0; y < 576; ++y) {
            expect(y, want);
            const auto* got = reinterpret_cast<const uint32_t*>(g_ScreenSurface->ReadPixelAddress(0, y));
            for (int32_t x = 0; x < 1024; ++x)
                wrong += want[x] != kAny && (got[x] & 0xFFFFFF) != (want[x] & 0xFFFFFF);
        }
        return wrong;
    }
};

TEST_F(Quake, EachKindDrawsItsRuleFrameByFrameAndEndsOnItsPicture) {
    // Frames at these times after the start (1000 ms in all); the first one only sets up: kinds 7-9
    // show layer 0 there, the others leave the screen as it was. The 96-ms kinds
    // tick at 97, 194, 291 and 388 (more than 96 ms after the last tick), the 120-ms kinds at 150
    // and 291.
    const Picture before(1024, 576, BeforePixel);
    const uint32_t times[] = {0, 50, 97, 150, 194, 291, 388};
    const int f96[] = {0, 0, 1, 1, 2, 3, 0};  // step mod 4 of the 96-ms kinds at those times
    const int f120[] = {0, 0, 0, 1, 1, 0, 0}; // step mod 2 of the 120-ms kinds
    const uint32_t scale = 1000 / 5 + 1;      // amplitudes grow over a fifth of the time
    struct Case {
        uint8_t kind;
        RECT screenRect; // the application's screen rectangle while it runs
        std::function<Expect(int frame)> frame;
        Expect end; // the back buffer once it is over
    };
    const RECT whole{0, 0, 1024, 576};
    auto wave = [&](uint8_t kind, uint32_t stepPerFrame) {
        return [=, &times](int n) {
            const uint32_t e = times[n];
            const auto a = static_cast<int32_t>(std::min<uint32_t>(32, e * 32 / scale));
            const auto b = static_cast<int32_t>(std::min<uint32_t>(24, e * 24 / scale));
            return Wave(kind, stepPerFrame * static_cast<uint32_t>(n - 1), a, b);
        };
    };
    const Expect layer0 = Whole(Layer0Pixel);
    const Expect windowRests = WindowAt(440, 0, 448);
    // Kinds 10 and 12 show the prepared layer 1 in even steps, layer 0 in odd ones.
    auto flash = [&](const Expect& layer1) {
        return [=, &f120](int n) { return f120[n] == 1 ? layer0 : layer1; };
    };
    const Case cases[] = {
        {6,
         {0, 440, 1024, 576},
         [&](int n) {
             const int32_t y[] = {440, 448, 456, 448};
             return WindowAt(440, 0, y[f96[n]]);
         },
         windowRests},
        {14,
         {0, 448, 1024, 576},
         [&](int n) {
             const int32_t x[] = {-8, 0, 8, 0};
             return WindowAt(448, x[f96[n]], 448);
         },
         windowRests},
        {15,
         {0, 440, 1024, 576},
         [&](int n) {
             const int32_t x[] = {-8, 8, 8, -8}, y[] = {440, 456, 440, 456};
             return WindowAt(440, x[f96[n]], y[f96[n]]);
         },
         windowRests},
        {7, whole, wave(7, 2), layer0},
        {8, whole, wave(8, 3), layer0},
        {9, whole, wave(9, 2), layer0},
        {10, whole, flash(Whole([](int32_t x, int32_t y) { return ~Layer0Pixel(x, y); })), layer0},
        {12, whole, flash(Whole([](int32_t, int32_t) { return 0u; })), layer0}, // a new surface: black
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        PaintScreen(before);
        ReplaceSurface(g_Layers[1], NewSurface(before, 24));
        game().fullRect = whole;
        clock_.clock().Set(50000);
        engine().m_modeKind = c.kind;
        engine().m_modeTime = 1000;
        game().scene = kSceneQuake;
        for (size_t n = 0; n < std::size(times); ++n) {
            clock_.clock().Set(50000 + times[n]);
            engine().ModeQuake(c.kind, 1000);
            const Expect setUp = c.kind >= 7 && c.kind <= 9 ? layer0 : Whole(BeforePixel);
            EXPECT_EQ(Wrong(n == 0 ? setUp : c.frame(static_cast<int>(n))), 0) << "at " << times[n] << " ms";
        }
        const RECT& r = game().fullRect;
        EXPECT_EQ(r.left, c.screenRect.left);
        EXPECT_EQ(r.top, c.screenRect.top);
        EXPECT_EQ(r.right, c.screenRect.right);
        EXPECT_EQ(r.bottom, c.screenRect.bottom);
        clock_.clock().Set(51001);
        engine().ModeQuake(c.kind, 1000); // over: nothing drawn
        EXPECT_EQ(game().scene, kSceneQuake);
        engine().ModeQuake(c.kind, 1000);
        EXPECT_EQ(game().scene, kSceneScript);
        EXPECT_EQ(Wrong(c.end), 0) << "the end";
        EXPECT_EQ(g_Layers[1], nullptr);
        if (c.kind == 6 || c.kind == 14 || c.kind == 15) {
            // The window is left empty: its text gave way to the window picture itself.
            EXPECT_EQ(SurfaceWords(*g_TextSurface), Picture(1024, 128, WindowPixel).pixels);
        }
    }

    // Kind 13: layer 1 becomes a new surface (black) after one frame and stays; the screen is untouched.
    ReplaceSurface(g_Layers[1], NewSurface(before, 24));
    PaintScreen(before);
    engine().m_modeKind = 13;
    game().scene = kSceneQuake;
    for (int frame = 0; frame < 3; ++frame) // the set-up, the copy, the end
        engine().ModeQuake(13, 1000);
    EXPECT_EQ(game().scene, kSceneScript);
    ASSERT_NE(g_Layers[1], nullptr);
    EXPECT_EQ(Capture(g_Layers[1]).pixels, std::vector<uint32_t>(1024 * 576, 0u));
    EXPECT_EQ(engine().m_bgEffect, 2);
    EXPECT_EQ(Wrong(Whole(BeforePixel)), 0);
}

} // namespace
