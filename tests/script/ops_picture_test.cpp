// The picture commands run from assembled scripts: what each leaves in the layers, the backups, the
// records of the application object and the system data, compared with pictures computed here from
// the rules themselves; bad numbers and missing pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "script/event_cg.h"
#include "script/picture_fixture.h"

namespace {

using kestrel::test::BackgroundPixel;
using kestrel::test::CharPixel;
using kestrel::test::ExpectPicture;
using kestrel::test::FaceColour;
using kestrel::test::kCharH;
using kestrel::test::kCharW;
using kestrel::test::kKey;
using kestrel::test::PictureTest;
using kestrel::test::Rgb;
using PictureCommands = PictureTest;

uint32_t Bg(int32_t x, int32_t y) {
    return BackgroundPixel(x, y);
}

TEST_F(PictureCommands, BackgroundGoesIntoItsLayerWithBothBackupsAndClearsTheScene) {
    CGameMain& g = game();
    std::strcpy(g.charBasePictureNames[3], "old.bmp");
    g.charSlotShown[3] = 1;
    g.charSlotX[3] = 400;
    std::strcpy(g.spritePictureNames[2], "bmp\\old.bmp");
    engine().m_clockShown = 1;
    engine().m_transFlag = 1;
    Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nExitToMenu\n");
    engine().RunScript();
    EXPECT_EQ(game().scene, kSceneScript);
    ExpectPicture(g_Layers[1], 1024, 576, Bg);
    ExpectPicture(g_Layer1Backup[0], 1024, 576, Bg);
    ExpectPicture(g_Layer1Backup[1], 1024, 576, Bg);
    EXPECT_STREQ(g.layerPictureNames[1], "bmp\\bg_a.bmp");
    EXPECT_EQ(g.charBasePictureNames[3][0], '\0');
    EXPECT_EQ(g.charSlotShown[3], 0);
    EXPECT_EQ(g.charSlotX[3], 0);
    EXPECT_EQ(g.spritePictureNames[2][0], '\0');
    EXPECT_EQ(engine().m_clockShown, 0);
    EXPECT_EQ(engine().m_transFlag, 0);
    engine().RunScript();
    EXPECT_EQ(game().scene, kSceneTitleMenu);
}

TEST_F(PictureCommands, InvestigationLayerKeepsCharacterNamesAndShowsTheClock) {
    CGameMain& g = game();
    std::strcpy(g.charBasePictureNames[0], "girl.bmp");
    g.charSlotShown[0] = 1;
    auto* sprite = new CDIB32();
    sprite->Create(nullptr, 4, 4, 24);
    ReplaceSurface(g_pSpriteSurfaces[5], sprite);
    Start("LoadLayer 2, \"bmp\\\\ev01a.bmp\"\nExitToMenu\n");
    engine().RunScript();
    EXPECT_STREQ(g.charBasePictureNames[0], "girl.bmp");
    EXPECT_EQ(g.charSlotShown[0], 0);
    EXPECT_EQ(g_pSpriteSurfaces[5], nullptr);
    EXPECT_EQ(engine().m_clockShown, 1);
    EXPECT_EQ(g_SystemData.cgSeen[0], 0) << "the investigation form marks nothing seen";
    ASSERT_NE(g_Layers[2], nullptr);
    EXPECT_EQ(g_Layers[2]->GetWidth(), 64);
    EXPECT_EQ(g_Layer1Backup[0], nullptr) << "only layer 1 has backups";
}

TEST_F(PictureCommands, EventPicturesAreFoundInTheirRowAndMarkedSeenOnce) {
    // Row r, column c is byte r * 10 + c; picture 25 fills rows 24 and 25, so the numbers from 26 on
    // are their own rows.
    const struct {
        const char* name;
        int index;
    } cases[] = {{"ev01a.bmp", 0},   {"bmp\\ev01b.bmp", 1}, {"EV02A.BMP", 10},  {"ev25c.bmp", 242},
                 {"ev25d.bmp", 250}, {"ev26b.bmp", 261},    {"ev45e.bmp", 454}, {"ev90a.bmp", 900},
                 {"ev02b.bmp", -1},  {"ev91a.bmp", -1},     {"bg01.bmp", -1},   {"", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(FindEventCg(c.name), c.index) << c.name;
    EXPECT_EQ(FindEventCg(nullptr), -1);
    int names = 0;
    for (int r = 0; r < kEventCgRows; ++r)
        for (int c = 0; c < kEventCgCols; ++c)
            names += EventCgName(r, c) != nullptr;
    EXPECT_EQ(names, 184);

    Start("LoadBg 1, \"bmp\\\\ev25d.bmp\"\nLoadBg 1, \"bmp\\\\ev90a.bmp\"\nLoadBg 1, \"bmp\\\\ev25d.bmp\"\n"
          "ExitToMenu\n");
    uint8_t before[sizeof g_SystemData.cgSeen];
    std::memcpy(before, g_SystemData.cgSeen, sizeof before);
    engine().RunScript();
    engine().RunScript();
    EXPECT_EQ(g_SystemData.cgSeen[250], 1);
    EXPECT_EQ(g_SystemData.cgSeen[900], 1);
    uint8_t after[sizeof g_SystemData.cgSeen];
    std::memcpy(after, g_SystemData.cgSeen, sizeof after);
    engine().RunScript();
    EXPECT_EQ(std::memcmp(after, g_SystemData.cgSeen, sizeof after), 0) << "showing it again changes nothing";
    int changed = 0;
    for (size_t i = 0; i < sizeof before; ++i)
        changed += before[i] != g_SystemData.cgSeen[i];
    EXPECT_EQ(changed, 2);
}

TEST_F(PictureCommands, MissingPictureLeavesABlackLayerAndTheStoryGoesOn) {
    Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nLoadBg 1, \"bmp\\\\missing.bmp\"\nLoadSprite 0, "
          "\"bmp\\\\missing.bmp\"\n"
          "LoadCharBase 0, \"missing.bmp\"\nExitToMenu\n");
    EXPECT_EQ(RunTo(kSceneTitleMenu), kSceneTitleMenu);
    ExpectPicture(g_Layers[1], 1024, 576, [](int32_t, int32_t) { return 0u; });
    EXPECT_EQ(g_pSpriteSurfaces[0], nullptr);
    EXPECT_EQ(g_pCharBaseSurfaces[0], nullptr);
    EXPECT_STREQ(game().spritePictureNames[0], "bmp\\missing.bmp");
    EXPECT_TRUE(boxes().empty());
}

TEST_F(PictureCommands, NumbersOutsideTheirTablesAreIgnored) {
    const char* commands[] = {
        "LoadBg 10, \"bmp\\\\bg_a.bmp\"",
        "LoadLayer 200, \"bmp\\\\bg_a.bmp\"",
        "LoadCharBase 15, \"girl.bmp\"",
        "LoadSprite 10, \"bmp\\\\spr.bmp\"",
        "LoadSpriteNoName 255, \"bmp\\\\spr.bmp\"",
        "BlankLayer 64, 0x112233",
        "BlitLayer 12, 0:0, 1, 0:0, 5:5",
        "BlitLayer 1, 0:0, 99, 0:0, 5:5",
        "CreateLayer 3, 0:100",
        "CreateLayer 3, 5000:10",
        "CreateLayer 11, 10:10",
        "ResetLayer 10",
        "SpriteReset -1",
        "SpriteReset 10",
        "SpriteMotion 10, 1, 0:0, 0:0, 0:0, 0:0, 0, 0, 0",
        "SpriteRange 200, 0, 0",
        "SpriteSine 10, 0, 0, 0",
        "SpriteRestart 10",
        "StampSprites 127",
        "MaskTransition 10, 3, 0:0, 0:0, 0:0, 0:0, 0, 0",
        "SetSlot 7, 0, 0:0, 0:0, 0",
        "SetSlotState107 5",
        "SetSlotMotion -2, 0, 0:0, 0:0, 0:0, 0",
        "SetSlotState111 -1",
        "RebuildLayers 10:10, 10:10",
        "RebuildLayers 500:0, 100:50",
    };
    for (const char* command : commands) {
        Start(std::string("LoadBg 1, \"bmp\\\\bg_a.bmp\"\n") + command + "\nExitToMenu\n");
        EXPECT_EQ(RunTo(kSceneTitleMenu), kSceneTitleMenu) << command;
        EXPECT_TRUE(boxes().empty()) << command;
        for (int layer = 10; layer < kLayerCount; ++layer)
            EXPECT_EQ(g_Layers[layer], nullptr) << command << " made layer " << layer;
        EXPECT_EQ(g_Layers[3], nullptr) << command;
        ExpectPicture(g_Layers[1], 1024, 576, Bg);
    }
}

TEST_F(PictureCommands, CharacterIsDrawnByItsCentreWithItsColourKey) {
    Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nLoadCharBase 2, \"girl.bmp\"\nSetScrCharSet 2, 1, 512:100\n"
          "SetScrCharSet 2, 3, 1000:500\nExitToMenu\n");
    for (int i = 0; i < 3; ++i)
        engine().RunScript();
    const CGameMain& g = game();
    EXPECT_STREQ(g.charBasePictureNames[2], "girl.bmp");
    EXPECT_EQ(g.charSlotX[2], 512);
    EXPECT_EQ(g.charSlotY[2], 0) << "the y is drawn at, not recorded";
    EXPECT_EQ(g.charSlotShown[2], 1);
    EXPECT_EQ(g.charSlotPicture[2], 1);
    // Left edge at x − width / 2; pixels of the key colour let the background through.
    auto placed = [](int32_t cx, int32_t top) {
        return [cx, top](int32_t x, int32_t y) {
            const int32_t u = x - (cx - kCharW / 2), v = y - top;
            if (u >= 0 && u < kCharW && v >= 0 && v < kCharH && (CharPixel(u, v) & 0xFFFFFFu) != kKey)
                return CharPixel(u, v);
            return BackgroundPixel(x, y);
        };
    };
    ExpectPicture(g_Layers[1], 1024, 576, placed(512, 100));
    // Partly outside the layer: cut at its edges.
    engine().RunScript();
    const auto first = placed(512, 100), second = placed(1000, 500);
    ExpectPicture(g_Layers[1], 1024, 576, [&](int32_t x, int32_t y) {
        const uint32_t p = second(x, y);
        return p == BackgroundPixel(x, y) ? first(x, y) : p;
    });
    EXPECT_EQ(g.charSlotPicture[2], 3);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(PictureCommands, CharacterCommandsReportWhatIsMissing) {
    Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nSetScrCharSet 4, 0, 512:0\nLoadCharBase 4, \"girl.bmp\"\n"
          "Transition 0, 0\nSetScrCharSet 4, 0, 512:0\nExitToMenu\n");
    engine().RunScript();
    engine().RunScript();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Not Base");
    EXPECT_EQ(boxes()[0].caption, "Error");
    ExpectPicture(g_Layers[1], 1024, 576, Bg);
    EXPECT_EQ(game().charSlotShown[4], 0);
    // The transition takes layer 1 away; placing a character then has no layer to draw into.
    EXPECT_EQ(RunTo(kSceneTitleMenu), kSceneTitleMenu);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].text, "Not cdib[1]");
    EXPECT_EQ(boxes()[1].caption, "Error:SetScrCharSet");
    ExpectPicture(g_Layers[0], 1024, 576, Bg);
}

TEST_F(PictureCommands, FaceFrameDrawsTheFrameAndTheFaceCell) {
    Start("LoadLayer 4, \"chara\\\\girl.bmp\"\nLoadBg 1, \"bmp\\\\bg_a.bmp\"\nLoadCharBase 4, \"girl.bmp\"\n"
          "SetScrCharSet 4, 0, 300:0\nSetFaceFrame 4, 7, 250\nExitToMenu\n");
    EXPECT_EQ(RunUntilWait(), kSceneTransition39);
    EXPECT_EQ(engine().m_modeSlot, 4);
    EXPECT_EQ(engine().m_modeKind, 7);
    EXPECT_EQ(engine().m_modeTime, 250u);
    EXPECT_EQ(game().charSlotPicture[4], 7);
    EXPECT_EQ(game().charSlotShown[4], 1);
    // Face 7 is the cell in column 2 of row 1, drawn over the face rectangle (174, 146) of the
    // character placed at 300 − 50.
    const int32_t left = 300 - kCharW / 2;
    ExpectPicture(g_Layers[1], 1024, 576, [&](int32_t x, int32_t y) {
        if (x >= left + 174 && x < left + 174 + 40 && y >= 146 && y < 146 + 43)
            return FaceColour(7);
        const int32_t u = x - left;
        if (u >= 0 && u < kCharW && y < kCharH && (CharPixel(u, y) & 0xFFFFFFu) != kKey)
            return CharPixel(u, y);
        return BackgroundPixel(x, y);
    });
    EXPECT_TRUE(boxes().empty());
}

TEST_F(PictureCommands, FaceFrameWithoutItsPicturesReportsAndHandsOver) {
    Start("SetFaceFrame 6, 1, 0\nExitToMenu\n");
    EXPECT_EQ(RunUntilWait(), kSceneTransition39);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Not Frame");
    EXPECT_EQ(boxes()[0].caption, "Error:SetScrCharSet");
}

TEST_F(PictureCommands, TintBlendsItsColourOverTheBackground) {
    // Bytes 4..7 = 0x80, 0xFF, 0, 0: red at strength 128.
    Start("FillLayer 0x80, 0xFF, 0, 0\nLoadBg 1, \"bmp\\\\bg_a.bmp\"\nFillLayer 0x80, 0xFF, 0, "
          "0\nExitToMenu\n");
    engine().RunScript();
    EXPECT_EQ(g_Layers[1], nullptr);
    EXPECT_EQ(engine().m_tintColour, 0u) << "nothing to tint";
    engine().RunScript();
    engine().RunScript();
    EXPECT_EQ(engine().m_tintColour, 0x80FF0000u);
    auto channel = [](uint32_t s, uint32_t d) {
        return std::min<uint32_t>(255, (s * 128 >> 8) + (d * 127 >> 8));
    };
    ExpectPicture(g_Layers[1], 1024, 576, [&](int32_t x, int32_t y) {
        const uint32_t d = BackgroundPixel(x, y);
        return channel(0xFF, d >> 16 & 0xFF) << 16 | channel(0, d >> 8 & 0xFF) << 8 | channel(0, d & 0xFF);
    });
}

TEST_F(PictureCommands, BlankLayerIsFilledAndMarkedAsBlank) {
    CGameMain& g = game();
    std::strcpy(g.charBasePictureNames[1], "girl.bmp");
    g.charSlotShown[1] = 1;
    g.charSlotX[1] = 300;
    engine().m_tintColour = 5;
    Start("BlankLayer 3, 0x123456\nBlankLayer 1, 0x000080\nExitToMenu\n");
    engine().RunScript();
    ExpectPicture(g_Layers[3], 1024, 576, [](int32_t, int32_t) { return 0x123456u; });
    EXPECT_EQ(g.layerPictureNames[3][0], 1);
    EXPECT_EQ(g.layerPictureNames[3][1], 0);
    EXPECT_STREQ(g.charBasePictureNames[1], "girl.bmp") << "names are kept";
    EXPECT_EQ(g.charSlotShown[1], 0);
    EXPECT_EQ(g.charSlotX[1], 0);
    EXPECT_EQ(engine().m_tintColour, 0u);
    EXPECT_EQ(engine().m_blankColour, 0x123456u);
    engine().RunScript();
    ExpectPicture(g_Layer1Backup[0], 1024, 576, [](int32_t, int32_t) { return 0x000080u; });
}

// Op 70 resets the sprite slots over a new, blank composition layer of the screen's size.
TEST_F(PictureCommands, SpriteImageResetsTheSlotsOverABlankCompositionLayer) {
    auto* layer0 = new CDIB32();
    layer0->Create(nullptr, 1024, 576, 24);
    layer0->FillRect(0, 0, 1024, 576, 0x123456);
    ReplaceSurface(g_Layers[0], layer0);
    engine().m_sprites[4].alpha = 256;
    Start("SpriteImage\nExitToMenu\n");
    engine().RunScript();
    ExpectPicture(g_Layers[0], 1024, 576, [](int32_t, int32_t) { return 0u; });
    EXPECT_EQ(engine().m_sprites[4].alpha, 0);
    EXPECT_EQ(game().scene, kSceneScript);
}

TEST_F(PictureCommands, LayerRectanglesAreCutToBothLayers) {
    // Layer 2 (300 × 200) receives the rectangle (10, 20, 100 × 100) of layer 1 at (250, 150): only
    // its top-left 50 × 50 fits. Op 25's rectangle past layer 1's bottom edge is cut there too.
    Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nCreateLayer 2, 300:200\nBlitLayer 2, 250:150, 1, 10:20, 100:100\n"
          "BlitLayer 2, -5:-5, 1, 0:560, 40:40\nExitToMenu\n");
    EXPECT_EQ(RunTo(kSceneTitleMenu), kSceneTitleMenu);
    ExpectPicture(g_Layers[2], 300, 200, [](int32_t x, int32_t y) {
        if (x >= 250 && y >= 150)
            return BackgroundPixel(x - 250 + 10, y - 150 + 20);
        if (x < 35 && y < 11)
            return BackgroundPixel(x + 5, y + 5 + 560);
        return 0u;
    });
}

TEST_F(PictureCommands, RebuiltLayerIsTheRectangleScaledOverTheScreen) {
    // The left half of the background doubled in width.
    Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nRebuildLayers 0:0, 512:576\nExitToMenu\n");
    EXPECT_EQ(RunTo(kSceneTitleMenu), kSceneTitleMenu);
    const std::vector<int32_t> column = kestrel::test::StepColumns(512, 1024);
    ExpectPicture(g_Layers[1], 1024, 576,
                  [&](int32_t x, int32_t y) { return BackgroundPixel(column[static_cast<size_t>(x)], y); });
    EXPECT_EQ(g_Layers[2], nullptr);
}

TEST_F(PictureCommands, ResetLayerCopiesTheBackupUnderTheClockParts) {
    auto* parts = new CDIB32();
    parts->Create(nullptr, 10, 10, 24);
    parts->Fill(0x0000FF, nullptr);
    parts->FillRect(0, 0, 5, 10, kKey);
    ReplaceSurface(g_pScriptUiSurfaces[kUiParts3], parts);
    engine().m_hudInfoRow = 9;
    Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nResetLayer 5\nExitToMenu\n");
    EXPECT_EQ(RunTo(kSceneTitleMenu), kSceneTitleMenu);
    ExpectPicture(g_Layers[5], 1024, 576, [](int32_t x, int32_t y) {
        return x >= 5 && x < 10 && y < 10 ? 0x0000FFu : BackgroundPixel(x, y);
    });
    EXPECT_EQ(engine().m_hudInfoRow, 0u);
    EXPECT_EQ(engine().m_tintFlag, 1u);
}

TEST_F(PictureCommands, RestoringTheBackgroundTakesItFromTheBackup) {
    std::strcpy(game().charBasePictureNames[9], "girl.bmp");
    std::strcpy(game().charBasePictureNames[12], "girl.bmp");
    Start("RestoreBg 0\nLoadBg 1, \"bmp\\\\bg_a.bmp\"\nBlankLayer 1, 0\nRestoreBg 0x10000\nExitToMenu\n");
    engine().RunScript();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, "CHECK");
    EXPECT_EQ(engine().m_transFlag, 1);
    EXPECT_EQ(game().charBasePictureNames[9][0], '\0') << "the first ten slots are cleared";
    EXPECT_STREQ(game().charBasePictureNames[12], "girl.bmp");
    engine().RunScript();
    engine().RunScript();
    // The blank layer made the backup black; mode 1 reloads the background by its stored name.
    std::strcpy(game().layerPictureNames[1], "bmp\\bg_a.bmp");
    engine().RunScript();
    ExpectPicture(g_Layer1Backup[0], 1024, 576, Bg);
    ExpectPicture(g_Layers[0], 1024, 576, Bg);
    ExpectPicture(g_ScreenSurface, 1024, 576, Bg);
    EXPECT_EQ(engine().m_bgRestored, 1);
}

TEST_F(PictureCommands, ModeCommandsStoreTheirOperandsAndHandOver) {
    struct Case {
        const char* source;
        SceneId scene;
        std::function<void(const CScriptMng&)> check;
    };
    const Case cases[] = {
        {"Transition 7, 300", kSceneTransition,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_modeKind, 7);
             EXPECT_EQ(e.m_modeTime, 300u);
         }},
        {"Quake 2, 50", kSceneQuake,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_modeKind, 2);
             EXPECT_EQ(e.m_modeTime, 50u);
         }},
        {"WindowFade 250", kSceneWindowFade, [](const CScriptMng& e) { EXPECT_EQ(e.m_modeTime, 250u); }},
        {"ScreenEffect 3, 2, 1, 10:-20, 30:40, 500", kSceneScreenEffect,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_panLayer, 3);
             EXPECT_EQ(e.m_modeKind, 2);
             EXPECT_EQ(e.m_panKind, 1);
             EXPECT_EQ(e.m_panFrom[0], 10);
             EXPECT_EQ(e.m_panFrom[1], -20);
             EXPECT_EQ(e.m_panTo[1], 40);
             EXPECT_EQ(e.m_panMs, 500u);
         }},
        {"ColorTransition 3, 400, 0x11223344", kSceneColorTransition,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_modeSlot, 3);
             EXPECT_EQ(e.m_modeTime, 400u);
             EXPECT_EQ(e.m_tintColour, 0x44332211u);
         }},
        {"SpriteAnim 2, 900", kSceneSpriteAnim,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_spriteAnimSlot, 2);
             EXPECT_EQ(e.m_spriteAnimMs, 900u);
         }},
        {"Transition40 1, 2, 30", kSceneNop40,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_modeSlot, 1);
             EXPECT_EQ(e.m_modeKind, 2);
             EXPECT_EQ(e.m_modeTime, 30u);
         }},
        {"Transition41 77", kSceneTransition41,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_modeTime, 77u);
             EXPECT_EQ(e.m_textX, 920);
         }},
        {"FrameZoom 1, 1:2, 3:4, 5:6, 7:8, 99", kSceneFrameZoom,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_zoomMode, 1);
             EXPECT_EQ(e.m_zoomFrom[3], 4);
             EXPECT_EQ(e.m_zoomTo[0], 5);
             EXPECT_EQ(e.m_zoomTo[3], 8);
             EXPECT_EQ(e.m_zoomCur[2], 3);
             EXPECT_EQ(e.m_zoomMs, 99u);
         }},
        {"Flash 1, 2, 300", kSceneFlash,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_modeKind, 1);
             EXPECT_EQ(e.m_modeTime, 2u);
             EXPECT_EQ(e.m_flashMs, 300u);
         }},
        {"ScreenEffectSwitch 4, 1, 5, 100", kSceneScript,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_screenFxOn, 1);
             EXPECT_EQ(e.m_screenFxPhase, 1u);
             EXPECT_EQ(e.m_screenFxRepeat, 1);
             EXPECT_EQ(e.m_screenFxAmp, 5);
             EXPECT_EQ(e.m_screenFxAngle, 100u);
             EXPECT_EQ(e.m_screenFxStart, timeGetTime());
         }},
        {"ScreenEffectSwitch 3, 0, 5, 100", kSceneScript,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_screenFxPhase, 2u);
             EXPECT_EQ(e.m_screenFxRepeat, 0);
         }},
        {"ScreenEffectSwitch 10, 0, 0, 30", kSceneScript,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_screenFxPhase, 0u);
             ASSERT_NE(g_Layers[1], nullptr);
             EXPECT_EQ(g_Layers[1]->GetWidth(), 800);
         }},
        {"StopEffect 0", kSceneScript, [](const CScriptMng& e) { EXPECT_EQ(e.m_screenFxOn, 0); }},
        {"OverlayEffect 1", kSceneScript,
         [](const CScriptMng& e) {
             EXPECT_EQ(e.m_overlayKind, 1);
             EXPECT_EQ(e.m_overlayClock, timeGetTime());
         }},
        {"SetParam63 5", kSceneScript, [](const CScriptMng& e) { EXPECT_EQ(e.m_param63, 5); }},
    };
    for (const Case& c : cases) {
        Start(std::string(c.source) + "\nExitToMenu\n");
        engine().RunScript();
        EXPECT_EQ(game().scene, c.scene) << c.source;
        c.check(engine());
    }
    // Ctrl held: no shake is started, but one that runs (here a wave, phase 7) takes the new kind
    // with its diagonal, without which a diagonal kind paints nothing.
    g_pKeyboard->ctrl = 1;
    const struct {
        int kind;
        uint32_t phase;
    } diagonals[] = {{2, 1}, {3, 2}, {4, 1}, {5, 2}, {0, 0}};
    for (const auto& [kind, phase] : diagonals) {
        for (uint8_t running : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << " running " << int{running});
            engine().m_screenFxOn = running;
            engine().m_screenFxKind = 6;
            engine().m_screenFxPhase = 7;
            Start("ScreenEffectSwitch " + std::to_string(kind) + ", 0, 5, 100\nExitToMenu\n");
            engine().RunScript();
            EXPECT_EQ(engine().m_screenFxOn, running);
            EXPECT_EQ(engine().m_screenFxKind, kind);
            EXPECT_EQ(engine().m_screenFxPhase, phase);
        }
    }
}

// The mask transition over the sprite slots starts from a blank background, with a rule mask or
// without one (selector 0).
TEST_F(PictureCommands, MaskTransitionBlanksTheBackgroundWithOrWithoutAMask) {
    for (int selector : {0, 1}) {
        SCOPED_TRACE(selector);
        Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nMaskTransition 2, " + std::to_string(selector) +
              ", 0:0, 20:10, 0:0, 20:10, 0, 0\nExitToMenu\n");
        EXPECT_EQ(RunTo(kSceneTitleMenu), kSceneTitleMenu);
        ExpectPicture(g_Layers[1], 1024, 576, [](int32_t, int32_t) { return 0u; });
        EXPECT_EQ(engine().m_slotMaskNo, selector);
        EXPECT_EQ(g_RuleMaskSurface != nullptr, selector != 0);
        ReplaceSurface(g_RuleMaskSurface, nullptr);
    }
}

TEST_F(PictureCommands, CharacterAndMarkSlotCommandsFillTheirSlots) {
    clock_.clock().Set(5000);
    Start("SetSlot 2, 3, 10:20, 30:40, 700\nSetSlotState107 2\nSetSlotMotion 1, 4, 100:0, 500:0, 0:255, 900\n"
          "SetSlotState111 1\nSetSlotMotion 3, 2, 0:0, 0:0, 0:0, 10\nSetSlotState111 3\nExitToMenu\n");
    EXPECT_EQ(RunTo(kSceneTitleMenu), kSceneTitleMenu);
    const PositionSlot& p = engine().m_posSlots[2];
    EXPECT_EQ(p.state, 2);
    EXPECT_EQ(p.param, 3);
    EXPECT_EQ(p.coords[3], 40);
    EXPECT_EQ(p.paramWord, 700u);
    EXPECT_EQ(p.startTime, 5000u);
    const MotionSlot& m = engine().m_motionSlots[1];
    EXPECT_EQ(m.param, 4);
    EXPECT_EQ(m.coords[2], 500);
    EXPECT_EQ(m.coords[5], 255);
    EXPECT_EQ(m.paramWord, 900u);
    EXPECT_EQ(m.state, 2);
    EXPECT_EQ(m.flags, 1) << "a motion of another kind runs on to its end";
    EXPECT_EQ(engine().m_motionSlots[3].state, 2);
    EXPECT_EQ(engine().m_motionSlots[3].flags, 0) << "a continuing motion stops";
}

} // namespace

namespace {

// A surface of w × h pixels from a pixel rule (all four bytes kept).
CDIB32* SurfaceOf(int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& pixel) {
    auto* s = new CDIB32();
    s->Create(nullptr, static_cast<uint16_t>(w), static_cast<uint16_t>(h), 32);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            *reinterpret_cast<uint32_t*>(s->GetPixelAddress(x, y)) = pixel(x, y);
    return s;
}

TEST_F(PictureCommands, WindowRedrawPutsTheWindowOverTheSavedScreen) {
    // Opacity 0 %: the window picture goes on at full strength, by its own alpha (its left half
    // opaque, its right half clear); the frame (opaque) at (976, 298).
    g_SystemData.windowTransparency = 0;
    ReplaceSurface(g_PageSavedScreen, SurfaceOf(1024, 576, BackgroundPixel));
    ReplaceSurface(g_MsgWindowSurface, SurfaceOf(1024, 576, [](int32_t x, int32_t) {
                       return x < 512 ? 0xFF204060u : 0x00FFFFFFu;
                   }));
    ReplaceSurface(g_NamePlateSurface, SurfaceOf(48, 278, [](int32_t, int32_t) { return 0xFF808000u; }));
    g_ScreenSurface->Fill(0x0000FF, nullptr);
    engine().m_textX = 100;
    engine().m_lineCount = 3;
    Start("RedrawWindow\nClearMessageArea\nExitToMenu\n");
    engine().RunScript();
    EXPECT_EQ(engine().m_textX, 920);
    EXPECT_EQ(engine().m_lineCount, 0);
    const auto expected = [](int32_t x, int32_t y) {
        if (x >= 976 && y >= 298 && y < 298 + 278)
            return 0x808000u;
        return x < 512 ? 0x204060u : BackgroundPixel(x, y);
    };
    ExpectPicture(g_Layers[0], 1024, 576, expected);
    ExpectPicture(g_ScreenSurface, 1024, 576, expected);

    // Clearing the message area: the strip from y 448 comes back from layer 0, the rest stays.
    g_Layers[0]->Fill(0x010203, nullptr);
    engine().m_redrawWindow = 1;
    engine().RunScript();
    EXPECT_EQ(engine().m_redrawWindow, 0);
    ExpectPicture(g_ScreenSurface, 1024, 576,
                  [&](int32_t x, int32_t y) { return y >= 448 ? 0x010203u : expected(x, y); });
    ReplaceSurface(g_SavedScreenSurface, nullptr);
    ReplaceSurface(g_MsgWindowSurface, nullptr);
    ReplaceSurface(g_NamePlateSurface, nullptr);
}

} // namespace
