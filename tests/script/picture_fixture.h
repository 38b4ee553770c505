// Scripts that load pictures: a few bitmaps of known content written once into the test game folder
// (backgrounds, event pictures, a standing character with its face sheet, sprites), the layers and
// the back buffer the commands draw on, and plain pixel readers for the expected pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
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

// The colour key of every surface.
inline constexpr uint32_t kKey = 0x00FF00;

// Pixel patterns of the test pictures (blue low, alpha high).
inline uint32_t BackgroundPixel(int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>((x * 7 + y * 13) & 0xFF) << 16 |
           static_cast<uint32_t>((x * 3) & 0xFF) << 8 | static_cast<uint32_t>((y * 5) & 0xFF);
}
// The character: 100 × 200, the colour key (alpha 0) in its left quarter, an opaque pattern
// elsewhere.
inline constexpr int32_t kCharW = 100, kCharH = 200;
inline uint32_t CharPixel(int32_t x, int32_t y) {
    if (x < 25)
        return kKey;
    return 0xFF000000u | 0x400000u | static_cast<uint32_t>(x) << 8 | static_cast<uint32_t>(y & 0xFF);
}
// The face sheet: 5 × 2 cells of 40 × 43, cell n filled with FaceColour(n), opaque.
inline uint32_t FaceColour(int cell) {
    return 0xFF000000u | static_cast<uint32_t>(0x20 + cell * 20) << 16 | 0x0000C0u;
}
// A sprite: 20 × 10, 24 bits, every pixel of its own.
inline constexpr int32_t kSpriteW = 20, kSpriteH = 10;
inline uint32_t SpritePixel(int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>(200 - x * 5) << 16 | static_cast<uint32_t>(40 + y * 20) << 8 |
           0x30u;
}

template <typename F>
std::vector<uint32_t> MakePixels(int32_t w, int32_t h, F pixel) {
    std::vector<uint32_t> p(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            p[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = pixel(x, y);
    return p;
}

// The source column (or row) of each of `dst` destination pixels when `src` pixels are stretched over
// them by the scaled blits' integer stepping: whole steps of src / dst, and one more each time the
// error term, started at −dst − 1 and raised by src mod dst per pixel, reaches zero (it then loses
// dst).
inline std::vector<int32_t> StepColumns(int32_t src, int32_t dst) {
    std::vector<int32_t> column(static_cast<size_t>(dst));
    for (int32_t x = 0, c = 0, e = -dst - 1; x < dst; ++x) {
        column[static_cast<size_t>(x)] = c;
        c += src / dst;
        e += src % dst;
        if (e >= 0) {
            ++c;
            e -= dst;
        }
    }
    return column;
}

// Pixel (x, y) of a surface, colour bytes only; 0xFFFFFFFF outside it or for a null surface.
inline uint32_t Rgb(const CDIB32* s, int32_t x, int32_t y) {
    if (s == nullptr)
        return 0xFFFFFFFFu;
    const uint8_t* p = s->GetPixelAddress(x, y);
    return p != nullptr ? (static_cast<uint32_t>(p[0]) | p[1] << 8 | p[2] << 16) : 0xFFFFFFFFu;
}

// Compares every pixel of `s` (colour bytes) with `expected`; reports the first difference.
inline void ExpectPicture(const CDIB32* s, int32_t w, int32_t h,
                          const std::function<uint32_t(int32_t, int32_t)>& expected) {
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->GetWidth(), w);
    ASSERT_EQ(s->GetHeight(), h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (Rgb(s, x, y) != (expected(x, y) & 0xFFFFFFu)) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << Rgb(s, x, y)
                              << " != " << (expected(x, y) & 0xFFFFFFu);
                return;
            }
}

class PictureTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        const auto root = ScriptTestFolder();
        for (const char* dir : {"bmp", "chara"})
            std::filesystem::create_directories(root / dir);
        auto put = [&](const char* name, int32_t w, int32_t h, const std::vector<uint32_t>& pixels,
                       uint16_t bits) {
            WriteBytes((root / name).string(), WriteBitmapPixels(w, h, pixels, bits));
        };
        put("bmp/bg_a.bmp", 1024, 576, MakePixels(1024, 576, BackgroundPixel), 24);
        for (const char* ev : {"bmp/ev01a.bmp", "bmp/ev25d.bmp", "bmp/ev90a.bmp"})
            put(ev, 64, 32, MakePixels(64, 32, [](int32_t x, int32_t y) { return BackgroundPixel(y, x); }),
                24);
        put("chara/girl.bmp", kCharW, kCharH, MakePixels(kCharW, kCharH, CharPixel), 32);
        put("chara/girl_face.bmp", 200, 86,
            MakePixels(200, 86, [](int32_t x, int32_t y) { return FaceColour(x / 40 + 5 * (y / 43)); }), 32);
        put("bmp/spr.bmp", kSpriteW, kSpriteH, MakePixels(kSpriteW, kSpriteH, SpritePixel), 24);
        g_pKeyboard = new CKeyboard();
        g_pMouse = new CMouse();
        for (CDIB32** s : {&g_Layers[0], &g_ScreenSurface}) {
            auto* surface = new CDIB32();
            surface->Create(nullptr, 1024, 576, 24);
            ReplaceSurface(*s, surface);
        }
    }
    void TearDown() override {
        for (int i = 0; i < kLayerCount + 3; ++i)
            ReplaceSurface(g_SurfaceTable[i], nullptr);
        ReplaceSurface(g_RuleMaskSurface, nullptr);
        delete g_pKeyboard;
        g_pKeyboard = nullptr;
        delete g_pMouse;
        g_pMouse = nullptr;
        ScriptTest::TearDown();
    }
    // Runs the interpreter until the story leaves scene 2, stepping any other scene's frame through
    // the application object's frame; returns the scene in which it stopped.
    SceneId RunTo(SceneId stop, int limit = 200) {
        for (int i = 0; i < limit && game().scene != stop; ++i)
            game().Frame();
        return game().scene;
    }
};

} // namespace kestrel::test
