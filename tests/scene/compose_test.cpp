// A composed message frame compared with the checked-in reference picture: the glyph area within a
// small tolerance (font rasterisers differ in their edges), everything else exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "script/script_fixture.h"
#include "support/surface_words.h"
#include "writers/bitmap_writer.h"

namespace {

const std::string kReference = std::string(KESTREL_TEST_DATA) + "/scene/message_page.bmp";

// A surface whose pixels are f(x, y) (alpha in the top byte).
template <typename F>
CDIB32* Painted(int32_t w, int32_t h, uint32_t bpp, F f) {
    auto* s = new CDIB32();
    s->Create(nullptr, static_cast<uint16_t>(w), static_cast<uint16_t>(h), bpp);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t px = f(x, y);
            std::memcpy(s->GetPixelAddress(x, y), &px, 4);
        }
    return s;
}

class MessageComposition : public kestrel::test::ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        g_pMouse = new CMouse();
        g_pKeyboard = new CKeyboard();
        g_GlyphFont = new CGlyphFont(nullptr);
        g_GlyphFont->SetFont(24, 0);
        ReplaceSurface(g_Layers[0], Painted(1024, 576, 24, [](int32_t x, int32_t y) {
                           return static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 |
                                                        ((x ^ y) & 0xFF));
                       }));
        ReplaceSurface(g_ScreenSurface, Painted(1024, 576, 24, [](int32_t, int32_t) { return 0u; }));
        // The window: a dark blue band, half transparent at its top rows.
        ReplaceSurface(g_MsgWindowSurface, Painted(1024, 128, 32, [](int32_t, int32_t y) {
                           return (y < 16 ? 0x80000000u : 0xFF000000u) | 0x102040u;
                       }));
        ReplaceSurface(g_pScriptUiSurfaces[kUiWindowButtons], Painted(360, 64, 32, [](int32_t x, int32_t y) {
                           return 0xFF000000u | static_cast<uint32_t>(x * 0x10101 / 2 + y);
                       }));
        g_SystemData.messageSpeed = 100;
        g_SystemData.windowTransparency = 0;
    }
    void TearDown() override {
        for (CDIB32** s : {&g_Layers[0], &g_ScreenSurface, &g_MsgWindowSurface, &g_TextSurface,
                           &g_pScriptUiSurfaces[kUiWindowButtons]})
            ReplaceSurface(*s, nullptr);
        delete g_GlyphFont;
        g_GlyphFont = nullptr;
        delete g_pMouse;
        g_pMouse = nullptr;
        delete g_pKeyboard;
        g_pKeyboard = nullptr;
        ScriptTest::TearDown();
    }
};

TEST_F(MessageComposition, MessagePageMatchesTheReferencePicture) {
    // "你好" with the mouse on the load button.
    Start("SetMessageId 1\nMessage \"\\xC4\\xE3\\xBA\\xC3\"\nExitToMenu\n");
    g_pMouse->state.x = 880;
    g_pMouse->state.y = 470;
    for (int i = 0; i < 10 && !(game().scene == kSceneMessage && engine().m_msgStep == 3); ++i) {
        if (game().scene == kSceneScript)
            engine().RunScript();
        else
            engine().ModeMessageStyle0(engine().m_pMsgText);
    }
    ASSERT_EQ(engine().m_msgStep, 3);
    ASSERT_EQ(engine().m_hoverButton, 4);
    ASSERT_TRUE(engine().ComposeMsgScene());

    if (std::getenv("KESTREL_WRITE_REFERENCE") != nullptr) {
        std::vector<uint32_t> pixels;
        for (int32_t y = 0; y < 576; ++y)
            for (int32_t x = 0; x < 1024; ++x)
                pixels.push_back(PixelAt(g_ScreenSurface, x, y));
        kestrel::test::BitmapSpec spec;
        spec.width = 1024;
        spec.height = 576;
        spec.pixels = pixels;
        ASSERT_TRUE(kestrel::test::SaveBitmap(kReference, spec));
    }
    std::ifstream in(kReference, std::ios::binary);
    ASSERT_TRUE(in) << kReference;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CDIB32 reference;
    reference.LoadFromMemory(bytes.data(), bytes.size());
    ASSERT_EQ(reference.GetWidth(), 1024);

    // The glyphs stand from (146, 500) on: two characters of 24 pixels.
    const RECT glyphs{140, 490, 210, 535};
    int glyphDiffs = 0, exactDiffs = 0, ink = 0;
    for (int32_t y = 0; y < 576; ++y)
        for (int32_t x = 0; x < 1024; ++x) {
            const uint32_t a = PixelAt(g_ScreenSurface, x, y), b = PixelAt(&reference, x, y);
            const bool inGlyphs =
                x >= glyphs.left && x < glyphs.right && y >= glyphs.top && y < glyphs.bottom;
            if (inGlyphs) {
                ink += (a & 0xFF) > 0xC0 && ((a >> 8) & 0xFF) > 0xC0;
                int d = 0;
                for (int c = 0; c < 24; c += 8)
                    d = std::max(
                        d, std::abs(static_cast<int>((a >> c) & 0xFF) - static_cast<int>((b >> c) & 0xFF)));
                glyphDiffs += d > 64;
            } else {
                exactDiffs += a != b;
            }
        }
    EXPECT_EQ(exactDiffs, 0);
    EXPECT_LE(glyphDiffs, 60);
    EXPECT_GT(ink, 40); // the text was drawn at all
}

} // namespace
