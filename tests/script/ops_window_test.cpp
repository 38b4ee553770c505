// The window-style and window-frame commands: which pictures each style loads, the scene each one
// hands over to and the font the text is laid out with.
#include <gtest/gtest.h>

#include <filesystem>

#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "script/script_fixture.h"
#include "writers/bitmap_writer.h"
#include "writers/ogg_writer.h"

namespace {

using kestrel::test::ScriptTest;

// Every picture a style may load, each of its own size so that a test can tell which one a
// surface holds.
struct Picture {
    const char* name;
    int32_t width, height;
};
constexpr Picture kPictures[] = {
    {"window.bmp", 1024, 128},     {"window_p.bmp", 302, 34},     {"window_w.bmp", 1024, 127},
    {"window_w_2.bmp", 1024, 126}, {"click_wait01.bmp", 320, 40}, {"window2.bmp", 1024, 576},
    {"window_p2.bmp", 356, 34},    {"window_w2.bmp", 48, 278},    {"click_wait02.bmp", 168, 18},
};

int32_t Width(CDIB32* s) {
    return s != nullptr ? s->GetWidth() : -1;
}
int32_t Height(CDIB32* s) {
    return s != nullptr ? s->GetHeight() : -1;
}

class WindowCommands : public ScriptTest {
protected:
    // The window pictures are in the test's game folder before the engine loads its interface.
    void SetUp() override {
        const auto dir = kestrel::test::ScriptTestFolder() / "system";
        std::filesystem::create_directories(dir);
        for (const Picture& p : kPictures) {
            std::vector<uint32_t> pixels(static_cast<size_t>(p.width) * p.height, 0x80336699u);
            kestrel::test::WriteBytes((dir / p.name).string(),
                                      kestrel::test::WriteBitmapPixels(p.width, p.height, pixels, 32));
        }
        ScriptTest::SetUp();
        g_GlyphFont = new CGlyphFont(nullptr);
        g_GlyphFont->SetFont(24, 0);
        auto* screen = new CDIB32();
        screen->Create(nullptr, 1024, 576, 24);
        screen->Fill(0x204060, nullptr);
        ReplaceSurface(g_ScreenSurface, screen);
    }
    void TearDown() override {
        ReplaceSurface(g_ScreenSurface, nullptr);
        ReplaceSurface(g_Layer1Backup[1], nullptr);
        delete g_GlyphFont;
        g_GlyphFont = nullptr;
        ScriptTest::TearDown();
    }
    CDIB32* Ui(int index) { return g_pScriptUiSurfaces[index]; }
};

TEST_F(WindowCommands, VerticalStyleLoadsItsPicturesAndRunsItsTransition) {
    g_SystemData.windowTransparency = 50;
    Start("WindowStyle 1\nExitToMenu\n");
    engine().RunScript();
    EXPECT_EQ(game().scene, kSceneTransition37);
    EXPECT_EQ(engine().m_windowStyle, 1);
    EXPECT_EQ(Height(Ui(kUiWindow)), 576);       // window2.bmp
    EXPECT_EQ(Width(Ui(kUiWindowButtons)), 356); // window_p2.bmp
    EXPECT_EQ(Height(Ui(kUiFrame)), 278);        // window_w2.bmp
    EXPECT_EQ(Width(Ui(kUiClickWait)), 168);     // click_wait02.bmp
    // The text surface is the window picture at the window opacity: half of each channel at 50 %.
    ASSERT_EQ(Height(g_TextSurface), 576);
    const uint32_t px = *reinterpret_cast<const uint32_t*>(g_TextSurface->GetPixelAddress(10, 10));
    EXPECT_NEAR(static_cast<int>(px >> 16 & 0xFF), 0x33 / 2, 1);
    EXPECT_NEAR(static_cast<int>(px >> 8 & 0xFF), 0x66 / 2, 1);
    EXPECT_NEAR(static_cast<int>(px & 0xFF), 0x99 / 2, 1);
    // The screen at the switch is kept as the second background copy.
    ASSERT_NE(g_Layer1Backup[1], nullptr);
    EXPECT_EQ(*reinterpret_cast<const uint32_t*>(g_Layer1Backup[1]->GetPixelAddress(5, 5)) & 0xFFFFFF,
              0x204060u);
    EXPECT_EQ(g_GlyphFont->GetHeight(), 22);
    EXPECT_EQ(engine().m_textX, 920);
    EXPECT_EQ(engine().m_lineCount, 0);
}

TEST_F(WindowCommands, BottomWindowAndCaptionBandReturnToTheScriptWithTheirPictures) {
    Start("WindowStyle 1\nWindowStyle 2\nWindowStyle 0\nExitToMenu\n");
    engine().RunScript();
    game().scene = kSceneScript;
    engine().RunScript();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(engine().m_windowStyle, 2);
    EXPECT_EQ(Height(Ui(kUiWindow)), 128);
    EXPECT_EQ(Width(Ui(kUiWindowButtons)), 302);
    EXPECT_EQ(Ui(kUiFrame), nullptr); // the caption band has no name plate
    EXPECT_EQ(Width(Ui(kUiClickWait)), 320);
    EXPECT_EQ(g_GlyphFont->GetHeight(), 24); // back from the vertical style's 22

    engine().RunScript();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(engine().m_windowStyle, 0);
    EXPECT_EQ(Height(Ui(kUiFrame)), 126);     // window_w_2.bmp: frame variant 0
    EXPECT_EQ(Height(Ui(kUiFrameWork)), 126); // and its working copy
    EXPECT_EQ(Width(Ui(kUiClickWait)), 320);
}

TEST_F(WindowCommands, FrameVariantIsReloadedOnlyInTheBottomWindow) {
    Start("WindowFrame 1\nWindowStyle 2\nWindowFrame 0\nWindowStyle 0\nExitToMenu\n");
    engine().RunScript();
    EXPECT_EQ(engine().m_windowFrame, 1);
    EXPECT_EQ(Height(Ui(kUiFrame)), 127); // window_w.bmp
    EXPECT_EQ(Height(Ui(kUiFrameWork)), 127);
    engine().RunScript();
    engine().RunScript();
    EXPECT_EQ(engine().m_windowFrame, 0);
    EXPECT_EQ(Ui(kUiFrame), nullptr); // style 2 keeps no frame
    engine().RunScript();
    EXPECT_EQ(Height(Ui(kUiFrame)), 126); // style 0 loads the variant the frame command chose
}

TEST_F(WindowCommands, MissingPicturesLeaveEmptySurfaces) {
    std::filesystem::remove(kestrel::test::ScriptTestFolder() / "system" / "window2.bmp");
    Start("WindowStyle 1\nExitToMenu\n");
    engine().RunScript();
    EXPECT_EQ(game().scene, kSceneTransition37);
    ASSERT_NE(Ui(kUiWindow), nullptr);
    EXPECT_EQ(Width(Ui(kUiWindow)), 0);
    ASSERT_NE(g_TextSurface, nullptr);
    EXPECT_EQ(Width(g_TextSurface), 0);
}

} // namespace
