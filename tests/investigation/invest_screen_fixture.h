// A game folder with the pictures of the investigation screens drawn as flat colour blocks (each
// piece of a sheet its own colour, opaque, the rest transparent), a window, the input objects and a
// 1024×576 back buffer and layer 0, so that the screens are stepped frame by frame with the fake
// clock and posted input, and what they draw is read back as pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/window.h"
#include "screens/screen_object.h"
#include "script/script_fixture.h"
#include "sound/snd_mng.h"
#include "support/surface_words.h"
#include "writers/bitmap_writer.h"

namespace kestrel::test {

// A block of a picture sheet: where it lies and its colour (0xRRGGBB opaque, or 0xAARRGGBB with a
// non-zero alpha).
struct Block {
    int32_t x, y, w, h;
    uint32_t colour;
};

inline void WriteSystemPicture(const std::string& name, int32_t w, int32_t h,
                               const std::vector<Block>& blocks, uint32_t ground = 0,
                               bool opaqueGround = false) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h, (opaqueGround ? 0xFF000000u : 0u) | ground);
    for (const Block& b : blocks)
        for (int32_t y = b.y; y < b.y + b.h && y < h; ++y)
            for (int32_t x = b.x; x < b.x + b.w && x < w; ++x)
                px[static_cast<size_t>(y) * w + x] =
                    (b.colour >> 24) != 0 ? b.colour : 0xFF000000u | b.colour;
    const auto dir = ScriptTestFolder() / "system";
    std::filesystem::create_directories(dir);
    const std::vector<uint8_t> bytes = WriteBitmapPixels(w, h, px, 32);
    FILE* f = std::fopen((dir / name).string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The whole picture of a surface, for comparing two screens.
inline std::vector<uint32_t> Picture(CDIB32* s) {
    std::vector<uint32_t> px;
    for (int32_t y = 0; y < 576; ++y)
        for (int32_t x = 0; x < 1024; ++x)
            px.push_back(PixelAt(s, x, y));
    return px;
}

class InvestScreenTest : public ScriptTest {
protected:
    static constexpr uint32_t kBackground = 0x336699;

    void SetUp() override {
        ScriptTest::SetUp();
        hwnd_ = plat::CreateMainWindow(plat::WindowDesc{},
                                       [](HWND, const plat::Message&) -> intptr_t { return 0; });
        game().hWnd = hwnd_;
        g_pMouse = new CMouse();
        g_pKeyboard = new CKeyboard();
        for (CDIB32** slot : {&g_ScreenSurface, &g_Layers[0]}) {
            ReplaceSurface(*slot, new CDIB32());
            (*slot)->Create(nullptr, 1024, 576, 24);
            (*slot)->FillRect(0, 0, 1024, 576, kBackground);
        }
        g_pMouse->state.x = 5;
        g_pMouse->state.y = 5;
    }
    void TearDown() override {
        delete g_pMouse;
        g_pMouse = nullptr;
        delete g_pKeyboard;
        g_pKeyboard = nullptr;
        for (int layer = 0; layer < kLayerCount; ++layer)
            ReplaceSurface(g_Layers[layer], nullptr);
        for (CDIB32*& s : g_pScriptUiSurfaces)
            ReplaceSurface(s, nullptr);
        ReplaceSurface(g_ScreenSurface, nullptr);
        DeleteAllPlayers();
        plat::DestroyWindow(hwnd_);
        plat::Message m;
        while (plat::PeekMessage(m))
            plat::DispatchMessage(m);
        ScriptTest::TearDown();
    }
    void MouseAt(int32_t x, int32_t y) {
        g_pMouse->state.x = x;
        g_pMouse->state.y = y;
    }
    // The mouse goes where the screen last put the cursor (the window shows the game 1:1).
    void FollowCursor() { MouseAt(headless_.backend().warpX, headless_.backend().warpY); }
    void MouseOn(const RECT& r) { MouseAt((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
    // The time-gauge picture ("system\timer_base.bmp"), frame and bar, all `colour` at alpha 0x80;
    // GaugeOver gives that colour blended once over `under` (each channel (s × a + d × (256 − a)) >> 8).
    static constexpr uint32_t kGaugeAlpha = 0x80;
    void UseTranslucentGauge(uint32_t colour) {
        ReplaceSurface(g_pScriptUiSurfaces[kUiTimerBase], new CDIB32());
        g_pScriptUiSurfaces[kUiTimerBase]->Create(nullptr, 42, 247, 32);
        g_pScriptUiSurfaces[kUiTimerBase]->Fill(kGaugeAlpha << 24 | colour, nullptr);
    }
    static uint32_t GaugeOver(uint32_t colour, uint32_t under) {
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t s = (colour >> shift) & 0xFF, d = (under >> shift) & 0xFF;
            out |= (s * kGaugeAlpha + d * (256 - kGaugeAlpha)) >> 8 << shift;
        }
        return out;
    }
    // A script that does nothing but end, under `name`.
    void WritePlainScript(const std::string& name) { WriteScript(name, "ExitToMenu\n"); }
    // The script the engine holds, by the name the application object keeps.
    std::string LoadedScript() {
        return engine().m_pScriptBase != nullptr ? game().scriptName : std::string();
    }
    HWND hwnd_ = nullptr;
};

} // namespace kestrel::test
