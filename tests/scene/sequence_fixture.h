// The full-screen sequences stepped frame by frame on the fake clock: the script engine with the
// mouse, the keyboard, the back buffer and layer 0, pictures written into the game folder, and the
// per-pixel rules of the blits transcribed so that a test can build the picture it expects.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "script/script_fixture.h"
#include "writers/bitmap_writer.h"
#include "writers/ogg_writer.h"

namespace kestrel::test {

using PixelFn = std::function<uint32_t(int32_t x, int32_t y)>;

// A picture held in the test: pixel words (alpha in the top byte), row by row.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    Picture() = default;
    Picture(int32_t w, int32_t h, const PixelFn& f)
        : width(w), height(h), pixels(static_cast<size_t>(w) * h) {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                pixels[static_cast<size_t>(y) * w + x] = f(x, y);
    }
    uint32_t& At(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The colour channels of the blits' per-pixel rules (the result's alpha byte is not compared).
inline uint32_t Channel(uint32_t p, int c) {
    return (p >> (8 * c)) & 0xFF;
}
template <typename F>
uint32_t PerChannel(uint32_t s, uint32_t d, F f) {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c)
        out |= std::min<uint32_t>(255, f(Channel(s, c), Channel(d, c))) << (8 * c);
    return out;
}
// Constant opacity L (1 to 255): (s × L >> 8) + (d × (255 − L) >> 8).
inline uint32_t Blend(uint32_t s, uint32_t d, uint32_t level) {
    return PerChannel(
        s, d, [level](uint32_t sc, uint32_t dc) { return (sc * level >> 8) + (dc * (255 - level) >> 8); });
}
// Per-pixel alpha of a source whose alpha is 0 or 255, times L: the destination stays under alpha 0;
// at L 255 and above alpha 255 writes the source, below it blends as Blend.
inline uint32_t AlphaOver(uint32_t s, uint32_t d, uint32_t level) {
    if ((s >> 24) == 0 || level == 0)
        return d & 0xFFFFFF;
    return level >= 255 ? s & 0xFFFFFF : Blend(s, d, level);
}
// Additive: d + (s × L >> 8).
inline uint32_t Add(uint32_t s, uint32_t d, uint32_t level) {
    return PerChannel(s, d, [level](uint32_t sc, uint32_t dc) { return dc + (sc * level >> 8); });
}

class SequenceTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        g_pMouse = new CMouse();
        g_pKeyboard = new CKeyboard();
        for (CDIB32** s : {&g_Layers[0], &g_ScreenSurface}) {
            auto* surface = new CDIB32();
            surface->Create(nullptr, 1024, 576, 24);
            ReplaceSurface(*s, surface);
        }
        for (const char* folder : {"bmp", "system", "bgm"})
            std::filesystem::create_directories(ScriptTestFolder() / folder);
    }
    void TearDown() override {
        for (CDIB32*& s : g_SurfaceTable)
            ReplaceSurface(s, nullptr);
        delete g_pMouse;
        g_pMouse = nullptr;
        delete g_pKeyboard;
        g_pKeyboard = nullptr;
        ScriptTest::TearDown();
    }

    // Writes `picture` as the game file `name` ("folder\file.bmp"), 32 bits with alpha or 24 without.
    static void WritePicture(const std::string& name, const Picture& picture, uint16_t bitCount = 32) {
        std::string path = name;
        std::replace(path.begin(), path.end(), '\\', '/');
        ASSERT_TRUE(WriteBytes((ScriptTestFolder() / path).string(),
                               WriteBitmapPixels(picture.width, picture.height, picture.pixels, bitCount)));
    }

    // Fills the back buffer with `picture` (1024 × 576).
    static void PaintScreen(const Picture& picture) {
        for (int32_t y = 0; y < 576; ++y)
            std::memcpy(g_ScreenSurface->GetPixelAddress(0, y),
                        &picture.pixels[static_cast<size_t>(y) * 1024], 1024 * 4);
    }
    static uint32_t ScreenAt(int32_t x, int32_t y) {
        uint32_t p;
        std::memcpy(&p, g_ScreenSurface->GetPixelAddress(x, y), 4);
        return p & 0xFFFFFF;
    }
    static Picture Capture(CDIB32* s) {
        return Picture(s->GetWidth(), s->GetHeight(), [s](int32_t x, int32_t y) {
            uint32_t p;
            std::memcpy(&p, s->GetPixelAddress(x, y), 4);
            return p & 0xFFFFFF;
        });
    }

    // Pixels of the back buffer that differ from `expected` by more than 1 in a channel (the plain and
    // the fast blits may round one apart), within the rectangle (whole screen by default).
    static int ScreenDiffs(const Picture& expected, RECT r = {0, 0, 1024, 576}) {
        int diffs = 0;
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x) {
                const uint32_t a = ScreenAt(x, y), b = expected.At(x, y);
                for (int c = 0; c < 3; ++c)
                    if (std::abs(static_cast<int>(Channel(a, c)) - static_cast<int>(Channel(b, c))) > 1) {
                        ++diffs;
                        break;
                    }
            }
        return diffs;
    }

    // One frame of the scene the game is in, then `ms` of time.
    void Step(uint32_t ms) {
        CScriptMng& e = engine();
        switch (game().scene) {
            case kSceneScript:
                e.RunScript();
                break;
            case kSceneEyeScreen:
                e.ModeEyeScreen();
                break;
            case kSceneEyeSequence:
                e.ModeEyeSequence();
                break;
            case kSceneAnnScreen:
                e.ModeAnnScreen();
                break;
            case kScenePictureSequence:
                e.ModePictureSequence();
                break;
            default:
                break;
        }
        clock_.clock().Advance(ms);
    }
    uint32_t Now() { return clock_.clock().Now(); }
    // Steps frames of `ms` until `done` (at most `limit` frames); false when the limit was reached.
    bool StepUntil(const std::function<bool()>& done, uint32_t ms, int limit = 100000) {
        for (int i = 0; i < limit; ++i) {
            if (done())
                return true;
            Step(ms);
        }
        return done();
    }
};

} // namespace kestrel::test
