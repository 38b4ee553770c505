// The redraw of the vertical text page from the backlog.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "script_fixture.h"
#include "support/surface_words.h"

namespace {

class ScriptTextPage : public kestrel::test::ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        ReplaceSurface(g_Layers[1], new CDIB32());
        g_Layers[1]->Create(nullptr, 1024, 576, 24);
        g_GlyphFont = new CGlyphFont(nullptr);
        g_GlyphFont->SetFont(22, 1);
    }
    void TearDown() override {
        delete g_GlyphFont;
        g_GlyphFont = nullptr;
        ReplaceSurface(g_Layers[1], nullptr);
        ReplaceSurface(g_Layer1Backup[1], nullptr);
        ScriptTest::TearDown();
    }
    void Row(int i, const char* text) { std::strcpy(game().backlogText[i], text); }
    // Pixels of layer 1 in the column band [x, x + 24) that are not black.
    int InkInColumn(int32_t x) {
        int ink = 0;
        for (int32_t yy = 0; yy < 576; ++yy)
            for (int32_t xx = x - 2; xx < x + 24; ++xx) {
                uint32_t px;
                std::memcpy(&px, g_Layers[1]->GetPixelAddress(xx, yy), 4);
                ink += (px & 0xFFFFFF) != 0;
            }
        return ink;
    }
    // A pixel near white: the glyph on top of its dark outline (the blend rounds below 255).
    bool HasWhite() {
        for (int32_t yy = 0; yy < 576; ++yy)
            for (int32_t xx = 700; xx < 950; ++xx) {
                uint32_t px;
                std::memcpy(&px, g_Layers[1]->GetPixelAddress(xx, yy), 4);
                if ((px & 0xFF) > 0xE0 && ((px >> 8) & 0xFF) > 0xE0 && ((px >> 16) & 0xFF) > 0xE0)
                    return true;
            }
        return false;
    }
};

} // namespace

TEST_F(ScriptTextPage, DrawsThePagesMessagesInColumnsFromTheRight) {
    Row(0, "\xC4\xE3\xBA\xC3"); // not on the page
    Row(1, "\xC4\xE3\xBA\xC3");
    Row(2, "\xBA\xC3");
    game().backlogCount = 3;
    engine().m_lineCount = 2;
    Start("TextPage\nExitToMenu\n");
    Frame();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(engine().ScriptOffset(), 4u);
    EXPECT_GT(InkInColumn(920), 0);
    EXPECT_GT(InkInColumn(878), 0);
    EXPECT_EQ(InkInColumn(836), 0);
    EXPECT_TRUE(HasWhite());
    // The next message starts in the column after the page.
    EXPECT_EQ(engine().m_textX, 836);
    EXPECT_EQ(engine().m_textY, 2);
    // Backup and saved screen were made from the page's background.
    ASSERT_NE(g_Layer1Backup[1], nullptr);
    EXPECT_EQ(g_Layer1Backup[1]->GetWidth(), 1024);
    ASSERT_NE(g_PageSavedScreen, nullptr);
    EXPECT_EQ(g_PageSavedScreen->GetHeight(), 576);
}

TEST_F(ScriptTextPage, LongMessagesBreakIntoTheNextColumnAndMarksAreNotDrawn) {
    // 24 two-byte characters (48 units) fill one column and start a second; tags, the click
    // mark and the ruby reading take no room.
    std::string text = "#s22#\x81\xAB<\xC4\xE3<\xBA\xC3\xBA\xC3>";
    for (int i = 0; i < 23; ++i)
        text += "\xC4\xE3";
    Row(0, text.c_str());
    game().backlogCount = 1;
    engine().m_lineCount = 1;
    Start("TextPage\nExitToMenu\n");
    Frame();
    EXPECT_GT(InkInColumn(920), 0);
    EXPECT_GT(InkInColumn(878), 0);
    EXPECT_EQ(InkInColumn(836), 0);
    EXPECT_EQ(engine().m_textX, 836);
}

TEST_F(ScriptTextPage, AForcedColumnBreakStartsANewColumn) {
    Row(0, "\xC4\xE3\xA1\xE7\xC4\xE3");
    game().backlogCount = 1;
    engine().m_lineCount = 1;
    Start("TextPage\nExitToMenu\n");
    Frame();
    EXPECT_GT(InkInColumn(920), 0);
    EXPECT_GT(InkInColumn(878), 0);
    EXPECT_EQ(engine().m_textX, 836);
}

TEST_F(ScriptTextPage, EveryCharacterAdvancesAFullGlyph) {
    // The last glyph lands at the same place after two one-byte characters as after two
    // double-byte ones: its lowest inked row in the column is the same.
    auto lowestInk = [&](const char* text) {
        Row(0, text);
        game().backlogCount = 1;
        engine().m_lineCount = 1;
        g_Layers[1]->Fill(0, nullptr);
        Start("TextPage\nExitToMenu\n");
        Frame();
        int lowest = -1;
        for (int32_t yy = 0; yy < 576; ++yy)
            for (int32_t xx = 918; xx < 944; ++xx)
                if ((*reinterpret_cast<const uint32_t*>(g_Layers[1]->GetPixelAddress(xx, yy)) & 0xFFFFFF) !=
                    0)
                    lowest = yy;
        return lowest;
    };
    const int wide = lowestInk("\xC4\xE3\xC4\xE3\xC4\xE3");
    EXPECT_GT(wide, 2 + 2 * 22);
    EXPECT_EQ(lowestInk("ab\xC4\xE3"), wide);
}

TEST_F(ScriptTextPage, TheNextPageStartsFromThePagesBackgroundAfterAnOverlay) {
    // Op 65 over a blue background; a save screen's snapshot of the green screen in between; op 76
    // lays the next page on the blue background.
    ReplaceSurface(g_Layers[1], BlankScreen(nullptr, 0x204060));
    ReplaceSurface(g_Layers[0], BlankScreen(nullptr, 0));
    ReplaceSurface(g_ScreenSurface, BlankScreen(nullptr, 0));
    Start("TextPage\nRedrawWindow\nExitToMenu\n");
    Frame();
    ReplaceSurface(g_pScriptUiSurfaces[kUiSnapshot], BlankScreen(nullptr, 0x00FF00));
    Frame();
    for (CDIB32* shown : {g_Layers[0], g_ScreenSurface})
        EXPECT_EQ(*reinterpret_cast<const uint32_t*>(shown->GetPixelAddress(500, 300)) & 0xFFFFFF, 0x204060u);
    ReplaceSurface(g_Layers[0], nullptr);
    ReplaceSurface(g_ScreenSurface, nullptr);
}

TEST_F(ScriptTextPage, TheWindowPictureGoesOnByItsOwnAlpha) {
    // At opacity 100 % its clear left half leaves the background, its opaque right half covers it.
    g_SystemData.windowTransparency = 0;
    ReplaceSurface(g_Layers[1], BlankScreen(nullptr, 0x204060));
    auto* window = new CDIB32();
    window->Create(nullptr, 1024, 576, 32);
    window->FillRect(0, 0, 512, 576, 0x00FFFFFF);
    window->FillRect(512, 0, 512, 576, 0xFF102030);
    ReplaceSurface(g_MsgWindowSurface, window);
    Start("TextPage\nExitToMenu\n");
    Frame();
    EXPECT_EQ(PixelAt(g_Layers[1], 100, 300), 0x204060u);
    EXPECT_EQ(PixelAt(g_Layers[1], 700, 300), 0x102030u);
    ReplaceSurface(g_MsgWindowSurface, nullptr);
}

TEST_F(ScriptTextPage, APageLongerThanTheBacklogDrawsOnlyWhatExists) {
    Row(0, "\xC4\xE3");
    game().backlogCount = 1;
    engine().m_lineCount = 5;
    Start("TextPage\nExitToMenu\n");
    Frame();
    EXPECT_GT(InkInColumn(920), 0);
    EXPECT_EQ(InkInColumn(878), 0);
    EXPECT_EQ(engine().m_textX, 878);
}

TEST_F(ScriptTextPage, WithoutABackgroundNothingIsDrawnAndTheScriptGoesOn) {
    ReplaceSurface(g_Layers[1], nullptr);
    Row(0, "\xC4\xE3");
    game().backlogCount = 1;
    engine().m_lineCount = 1;
    Start("TextPage\nSetVar 1, 1\nExitToMenu\n");
    RunUntilWait();
    EXPECT_EQ(engine().m_vars[1], 1);
    EXPECT_EQ(engine().m_textX, 878);
}
