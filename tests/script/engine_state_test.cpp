// The engine object right after construction, and what its destruction releases.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/dib32.h"
#include "script/script_mng.h"
#include "script_fixture.h"
#include "writers/bitmap_writer.h"

using kestrel::test::ScriptTest;
using ScriptEngineState = ScriptTest;

TEST_F(ScriptEngineState, StartsWithTheDefaultsOfANewGame) {
    const CScriptMng& e = engine();
    for (int i = 0; i < kScriptVarCount; ++i)
        ASSERT_EQ(e.m_vars[i], 0) << i;
    EXPECT_EQ(e.m_list1.count, 0);
    EXPECT_EQ(e.m_list2.count, 0);
    EXPECT_EQ(e.m_list3.count, 0);
    EXPECT_EQ(e.m_list4.count, 0);
    EXPECT_EQ(e.m_list5.count, 0);
    EXPECT_STREQ(e.m_heroNames[0], kDefaultFamilyName);
    EXPECT_STREQ(e.m_heroNames[1], kDefaultGivenName);
    EXPECT_EQ(e.m_windowFrame, 0);
    EXPECT_EQ(e.m_textColour, 0xFFFFFFu);
    EXPECT_EQ(e.m_hudDateRow, 1);
    EXPECT_EQ(e.m_hudOption, 1);
    EXPECT_EQ(e.m_noteFlowChart, 1);
    EXPECT_EQ(e.m_screenRect, (RECT{0, 0, 1024, 576}));
    EXPECT_EQ(e.m_pScriptBuf, nullptr);
    EXPECT_EQ(e.m_pMsgText, nullptr);
    EXPECT_EQ(e.m_choiceCount, 0);
    // The names of the other parts refer to the same bytes.
    EXPECT_EQ(&e.m_mapPage, &e.m_day);
    EXPECT_EQ(&e.m_nameSlots[1][0], &e.m_heroNames[1][0]);
    EXPECT_EQ(&e.m_investArea, &e.m_commandParams[0]);
}

TEST_F(ScriptEngineState, IndicatorTablesHoldTheirValues) {
    const CScriptMng& e = engine();
    EXPECT_EQ(e.m_indicatorY1[0], 513);
    EXPECT_EQ(e.m_indicatorY1[9], 519);
    EXPECT_EQ(e.m_indicatorY1[38], 513);
    EXPECT_EQ(e.m_indicatorY2[0], 445);
    EXPECT_EQ(e.m_indicatorY2[38], 435);
    // 0, 32, 64, 128, 196, then 28 x 255, 224 ...
    EXPECT_EQ(e.m_indicatorAlpha[4], 196);
    EXPECT_EQ(e.m_indicatorAlpha[5], 255);
    EXPECT_EQ(e.m_indicatorAlpha[32], 255);
    EXPECT_EQ(e.m_indicatorAlpha[33], 224);
    EXPECT_EQ(e.m_indicatorAlpha[46], 224);
    EXPECT_EQ(e.m_indicatorAlpha[47], 255);
    EXPECT_EQ(e.m_indicatorAlpha[63], 224);
    EXPECT_EQ(e.m_indicatorAlpha[69], 0);
    EXPECT_EQ(e.m_indicatorAlpha[71], 0);
    for (uint32_t v : e.m_indicatorX224)
        EXPECT_EQ(v, 224u);
    for (uint32_t v : e.m_indicatorX455)
        EXPECT_EQ(v, 455u);
    const uint16_t rows[15] = {450, 449, 448, 448, 449, 450, 451, 452, 453, 454, 455, 455, 454, 453, 452};
    EXPECT_EQ(std::memcmp(e.m_indicatorRows, rows, sizeof rows), 0);
}

TEST_F(ScriptEngineState, ButtonRectanglesHoldTheirValues) {
    const MsgWndButtonRects& r = engine().m_msgWndButtonRects;
    EXPECT_EQ(r.frameButtons[0], (RECT{760, 455, 784, 475}));
    EXPECT_EQ(r.frameButtons[9], (RECT{718, 455, 740, 475}));
    EXPECT_EQ(r.frameButtons2[7], (RECT{676, 464, 690, 473}));
    EXPECT_EQ(r.frameCells[4].x, 116);
    EXPECT_EQ(r.frameCells[4].w, 35);
    EXPECT_EQ(r.frameCells[9].x, 248);
    EXPECT_EQ(r.verticalButtons[8], (RECT{976, 323, 1012, 342}));
    EXPECT_EQ(r.verticalButtons[9], (RECT{0, 0, 0, 0}));
    EXPECT_EQ(r.verticalCells[8].x, 288);
    EXPECT_EQ(r.verticalCells[8].h, 19);
    EXPECT_EQ(r.verticalButtons2[1], (RECT{981, 415, 1008, 432}));
    // Every button of the window bar lies inside the window strip from y 448.
    for (const RECT& b : r.frameButtons) {
        EXPECT_LT(b.left, b.right);
        EXPECT_GE(b.top, 448);
    }
}

TEST_F(ScriptEngineState, ParticlesLieInTheirRanges) {
    for (uint32_t seed : {0u, 1u, 977u, 0x7FFFFFFFu, 0xFFFFFFF0u}) {
        clock_.clock().Set(seed);
        CScriptMng other(nullptr);
        for (int set = 0; set < kParticleSets; ++set) {
            for (const Particle& p : other.m_particles[set]) {
                EXPECT_GE(p.x, 0);
                EXPECT_LT(p.x, 800);
                EXPECT_GE(p.y, 0);
                EXPECT_LT(p.y, 600);
                EXPECT_GE(p.drift, -1);
                EXPECT_LE(p.drift, 1);
                EXPECT_GE(p.speed, set == 2 ? 3 : 2);
                EXPECT_LE(p.speed, set == 0 ? 3 : (set == 1 ? 4 : 5));
                EXPECT_EQ(p.zero, 0);
            }
        }
    }
}

TEST_F(ScriptEngineState, MissingInterfacePicturesLeaveEmptySurfaces) {
    // The test folder holds no pictures: every surface exists and is empty, the working copies too.
    for (int i : {kUiWindow, kUiFrame, kUiWindowWork, kUiFrameWork, kUiWindowButtons, kUiTimeShort}) {
        ASSERT_NE(g_pScriptUiSurfaces[i], nullptr) << i;
        EXPECT_EQ(g_pScriptUiSurfaces[i]->GetWidth(), 0) << i;
    }
    EXPECT_EQ(g_pScriptUiSurfaces[kUiSnapshot], nullptr);
    ASSERT_NE(g_pSpriteSurfaces[kScriptSpriteSlots], nullptr);
    EXPECT_EQ(g_pSpriteSurfaces[kScriptSpriteSlots]->GetWidth(), 100);
    EXPECT_EQ(g_pSpriteSurfaces[kScriptSpriteSlots]->GetHeight(), 100);
}

TEST_F(ScriptEngineState, DestructionReleasesTheHeapTextsAndSurfaces) {
    Start("BeginChoice\nAddChoice end, \"a\"\nMessage \"m\"\nend: ExitToMenu\n");
    RunUntilWait();
    Frame();
    ASSERT_NE(engine().m_pMsgText, nullptr);
    delete g_pScriptMng;
    EXPECT_EQ(g_pScriptMng, nullptr);
    for (CDIB32* s : g_pScriptUiSurfaces)
        EXPECT_EQ(s, nullptr);
    for (CDIB32* s : g_pSpriteSurfaces)
        EXPECT_EQ(s, nullptr);
    // Leak checking under the address sanitizer covers the heap texts.
}

TEST_F(ScriptEngineState, LoadsTheInterfacePicturesAndTheSecondFrameVariant) {
    namespace fsys = std::filesystem;
    const fsys::path system = kestrel::test::ScriptTestFolder() / "system";
    fsys::create_directories(system);
    auto save = [&](const char* name, int w, int h) {
        kestrel::test::BitmapSpec spec;
        spec.width = w;
        spec.height = h;
        spec.pixels.assign(static_cast<size_t>(w * h), 0x00336699);
        ASSERT_TRUE(kestrel::test::SaveBitmap((system / name).string(), spec));
    };
    save("window.bmp", 30, 8);
    save("window_w.bmp", 10, 10);
    save("window_w_2.bmp", 20, 12);
    save("time_short.bmp", 3, 5);
    {
        CScriptMng other(nullptr);
        ASSERT_NE(g_MsgWindowSurface, nullptr);
        EXPECT_EQ(g_MsgWindowSurface->GetWidth(), 30);
        EXPECT_EQ(g_NamePlateSurface->GetWidth(), 20); // window_w_2.bmp, not window_w.bmp
        EXPECT_EQ(g_NamePlateSurface->GetHeight(), 12);
        EXPECT_EQ(g_pScriptUiSurfaces[kUiTimeShort]->GetWidth(), 3);
        // The working copies have the pictures' sizes and hold their pixels.
        EXPECT_EQ(g_TextSurface->GetWidth(), 30);
        EXPECT_EQ(g_TextSurface->GetHeight(), 8);
        EXPECT_EQ(g_pScriptUiSurfaces[kUiFrameWork]->GetWidth(), 20);
        uint32_t px = 0;
        std::memcpy(&px, g_TextSurface->GetPixelAddress(5, 5), 4);
        EXPECT_EQ(px & 0xFFFFFF, 0x336699u);
    }
    fsys::remove_all(system);
}
