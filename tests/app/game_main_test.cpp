// The scene switch: scene-object lifecycle, the pacing sleep of each scene, the backlog.
#include "app/game_main.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/scene_objects.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "support/headless_game.h"
#include "support/surface_words.h"
#include "writers/mpeg_writer.h"

namespace {

using testing_support::HeadlessGame;

struct RunningGame : ::testing::Test {
    HeadlessGame game;
    void SetUp() override {
        ASSERT_EQ(game.Start(), StartupResult::Running);
        game.DrainMessages();
    }
    // Milliseconds one frame slept in `scene` (the fake clock moves only by sleeps).
    uint32_t SleepOfFrame(SceneId scene) {
        g_pGameMain->scene = scene;
        uint32_t before = game.clock().Now();
        g_pGameMain->Frame();
        return game.clock().Now() - before;
    }
    uint32_t SleepOfPostFrame(SceneId scene) {
        g_pGameMain->scene = scene;
        uint32_t before = game.clock().Now();
        g_pGameMain->PostFrame();
        return game.clock().Now() - before;
    }
};

TEST_F(RunningGame, SceneObjectIsMadeOnEntryAndDeletedInTheFrameThatLeaves) {
    g_pGameMain->scene = kSceneConfig;
    g_pGameMain->Frame();
    ASSERT_NE(g_pConfigScene, nullptr);
    g_pConfigScene->state = 3;
    g_pGameMain->Frame();
    EXPECT_EQ(g_pConfigScene->state, 3); // the same object while the scene stays
    g_pGameMain->scene = 7;
    g_pGameMain->Frame();
    EXPECT_EQ(g_pConfigScene, nullptr);
    g_pGameMain->scene = kSceneConfig;
    g_pGameMain->Frame();
    ASSERT_NE(g_pConfigScene, nullptr);
    EXPECT_EQ(g_pConfigScene->state, 1); // a fresh object on every entry: its start ran this frame
}

TEST_F(RunningGame, OnlyTheCurrentScenesObjectExists) {
    // The movie scenes stay while their movies play.
    kestrel::test::MovieSpec movie;
    movie.paint = [](int i, std::vector<uint32_t>& px) {
        kestrel::test::PaintMovingPattern(i, 320, 240, px);
    };
    game.WriteFile("op.mpg", kestrel::test::EncodeMpegMovie(movie));
    game.WriteFile("staffroll.mpg", kestrel::test::EncodeMpegMovie(movie));
    const SceneId objectScenes[] = {0, 1, 6, 8, 9, 10, 11, 14, 15, 16, 24, 27, 28, 29, 50, 54, 68};
    for (SceneId s : objectScenes) {
        g_pGameMain->scene = s;
        g_pGameMain->Frame();
        int alive =
            (g_pTitleScene != nullptr) + (g_pTitleMenuScene != nullptr) + (g_pBacklogScene != nullptr) +
            (g_pExitScene != nullptr) + (g_pConfigScene != nullptr) + (g_pSaveLoadScene != nullptr) +
            (g_pLoadScene != nullptr) + (g_pReplayScene != nullptr) + (g_pGalleryScene != nullptr) +
            (g_pMusicScene != nullptr) + (g_pOpeningMovieScene != nullptr) + (g_pCreditTScene != nullptr) +
            (g_pCreditNScene != nullptr) + (g_pCreditBScene != nullptr) +
            (g_pStaffRollMovieScene != nullptr) + (g_pSystemMenuScene != nullptr) + (g_pNoteScene != nullptr);
        EXPECT_EQ(alive, 1) << "scene " << int(s);
    }
    ASSERT_NE(g_pNoteScene, nullptr);
    g_pGameMain->scene = kSceneOpeningMovie;
    g_pGameMain->Frame();
    ASSERT_NE(g_pOpeningMovieScene, nullptr);
    EXPECT_EQ(g_pOpeningMovieScene->fileName, "op.mpg");
    g_pGameMain->scene = kSceneStaffRollMovie;
    g_pGameMain->Frame();
    ASSERT_NE(g_pStaffRollMovieScene, nullptr);
    EXPECT_EQ(g_pStaffRollMovieScene->fileName, "staffroll.mpg");
    EXPECT_EQ(g_pOpeningMovieScene, nullptr);
}

TEST_F(RunningGame, SleepRulesPerScene) {
    EXPECT_EQ(SleepOfFrame(7), 8u);   // no step
    EXPECT_EQ(SleepOfFrame(12), 8u);  // no step
    EXPECT_EQ(SleepOfFrame(200), 8u); // outside the table
    EXPECT_EQ(SleepOfFrame(kSceneConfig), 8u);
    EXPECT_EQ(SleepOfPostFrame(kSceneOpeningMovie), 1u);
    EXPECT_EQ(SleepOfPostFrame(kSceneStaffRollMovie), 1u);
    for (SceneId s : {kSceneTransition, kSceneScreenEffect, kSceneTransition39, kSceneNop40, kSceneSpriteAnim,
                      kSceneWindowFade, kSceneWaitSe, kSceneScript, kSceneFrameZoom})
        EXPECT_EQ(SleepOfPostFrame(s), 0u) << "scene " << int(s);
}

// The window fades cut short by the effects option, and the two scenes without a way out: the frames
// each takes back to the interpreter and the picture it leaves tell its step from the others'.
TEST_F(RunningGame, EachWindowTransitionSceneRunsItsOwnStep) {
    constexpr uint32_t kLayer0 = 0x102030, kLayer1 = 0x405060, kScreen = 0x708090;
    const struct {
        SceneId scene;
        int frames;
        uint32_t shown;
    } cases[] = {
        {kSceneTransition37, 3, kScreen}, // the picture on display, the vertical window laid into it
        {kSceneTransition39, 4, kLayer1}, // the new picture
        {kSceneNop40, 1, kScreen},        // nothing: it ends at once
        {kSceneTransition41, 3, kLayer0}, // the new page over layer 0
        {kSceneNop42, 1, kScreen},        // nothing: it ends at once
    };
    for (CDIB32** window : {&g_MsgWindowSurface, &g_TextSurface, &g_NamePlateSurface})
        ReplaceSurface(*window, nullptr);
    g_pScriptMng->m_skipEffects = 1;
    for (const auto& c : cases) {
        if (g_Layers[1] == nullptr) {
            ReplaceSurface(g_Layers[1], new CDIB32());
            g_Layers[1]->Create(nullptr, 1024, 576, 24);
        }
        for (auto [s, colour] :
             {std::pair{g_Layers[0], kLayer0}, {g_Layers[1], kLayer1}, {g_ScreenSurface, kScreen}})
            s->FillRect(0, 0, 1024, 576, colour);
        ReplaceSurface(g_Layer1Backup[1], nullptr);
        g_pScriptMng->m_msgStep = 0;
        g_pGameMain->scene = c.scene;
        int frames = 0;
        for (; frames < 10 && g_pGameMain->scene == c.scene; ++frames)
            g_pGameMain->Frame();
        EXPECT_EQ(frames, c.frames) << int(c.scene);
        EXPECT_EQ(PixelAt(g_ScreenSurface, 10, 10), c.shown) << int(c.scene);
    }
    g_pScriptMng->m_skipEffects = 0;
}

TEST_F(RunningGame, MessageScenesSleepUnlessMessagesAreSkipped) {
    for (SceneId s : {kSceneMessage, kSceneClickWait}) {
        g_pScriptMng->m_skipAll = 0;
        g_pScriptMng->m_skipRead = 0;
        g_pKeyboard->ctrl = 0;
        EXPECT_EQ(SleepOfPostFrame(s), 8u);
        g_pKeyboard->ctrl = 1;
        EXPECT_EQ(SleepOfPostFrame(s), 0u);
        g_pKeyboard->ctrl = 0;
        g_pScriptMng->m_skipAll = 1;
        EXPECT_EQ(SleepOfPostFrame(s), 0u);
        g_pScriptMng->m_skipAll = 0;
        g_pScriptMng->m_skipRead = 1;
        g_pScriptMng->m_msgId = 1000 + s;
        EXPECT_EQ(SleepOfPostFrame(s), 8u); // SKIP stops at an unread message
        MarkMessageRead(1000 + s);
        EXPECT_EQ(SleepOfPostFrame(s), 0u);
        g_pScriptMng->m_msgId = 60000; // beyond the table: unread
        EXPECT_EQ(SleepOfPostFrame(s), 8u);
    }
}

TEST_F(RunningGame, EmptyScenesKeepRunningFramesWithARepaint) {
    g_pGameMain->scene = 7;
    int before = game.Picture().presents;
    ASSERT_TRUE(game.StepFrames(10));
    EXPECT_GE(game.Picture().presents, before + 9);
    EXPECT_EQ(g_pGameMain->scene, 7);
}

// A wheel turn belongs to the scene it was made in: a frame that stays keeps a turn that no step took
// yet, a frame that leaves drops it, so it cannot move the next screen's selection.
TEST_F(RunningGame, AWheelTurnThatNoScreenTookEndsWithItsScene) {
    const struct {
        SceneId scene;
        SceneId next;
        uint8_t wheel;
        uint8_t button; // the window button under the pointer, clicked during the frame
    } cases[] = {
        {7, 7, 0xFF, 0},                             // no step: the scene stays
        {kSceneNop42, kSceneScript, 0, 0},           // ends at once, back to the interpreter
        {kSceneStopVoice, kSceneStopVoice, 0xFF, 0}, // its first frame only moves its own step
        {kSceneWindowFade, kSceneConfig, 0, 5},      // left by the post-frame pass's button bar
    };
    for (const auto& c : cases) {
        CScriptMng& s = *g_pScriptMng;
        s.m_msgStep = 0;
        if (c.button != 0) {
            // A window fade under way over the shown window, the pointer on a window button.
            s.m_msgStep = 1;
            s.m_transStart = game.clock().Now();
            s.m_transTime = 60000;
            s.m_redrawWindow = 1;
            s.m_hoverButton = c.button;
        }
        g_pGameMain->scene = c.scene;
        game.Wheel(1);
        game.DrainMessages();
        ASSERT_EQ(g_pMouse->wheel, 0xFF) << int(c.scene);
        g_pMouse->state.left = c.button != 0; // the left button goes down on the hovered button
        g_pGameMain->Frame();
        EXPECT_EQ(g_pGameMain->scene, c.next) << int(c.scene);
        EXPECT_EQ(g_pMouse->wheel, c.wheel) << int(c.scene);
        g_pMouse->wheel = 0;
    }
}

TEST(Backlog, TheEntryAfterTheTwoHundredFiftiethDropsTheOldest) {
    auto game = std::make_unique<CGameMain>(nullptr, nullptr);
    for (int i = 0; i < 251; ++i) {
        std::string n = std::to_string(i);
        game->PushBacklog(("text " + n).c_str(), ("who " + n).c_str(), ("v" + n + ".ogg").c_str());
        EXPECT_EQ(game->backlogCount, std::min<uint32_t>(i + 1, 250));
    }
    EXPECT_STREQ(game->backlogText[0], "text 1");
    EXPECT_STREQ(game->backlogSpeaker[0], "who 1");
    EXPECT_STREQ(game->backlogVoice[0], "v1.ogg");
    EXPECT_STREQ(game->backlogText[249], "text 250");
    EXPECT_STREQ(game->backlogText[248], "text 249");
    EXPECT_EQ(game->backlogText[250][0], '\0');
}

TEST(Backlog, PreparedRowIsClearedAndADamagedCountIsClamped) {
    auto game = std::make_unique<CGameMain>(nullptr, nullptr);
    game->backlogCount = 4000; // as a damaged save record could leave it
    std::memset(game->backlogText[249], 'x', 256);
    uint32_t row = game->PrepareBacklogRow();
    EXPECT_EQ(row, 249u);
    EXPECT_EQ(game->backlogCount, 249u);
    EXPECT_EQ(game->backlogText[249][0], '\0');
    EXPECT_EQ(game->backlogText[249][255], '\0');
}

TEST(Backlog, LongTextsAreCutWithoutSplittingACharacter) {
    auto game = std::make_unique<CGameMain>(nullptr, nullptr);
    std::string text = "a";
    for (int i = 0; i < 200; ++i)
        text += "\xB0\xA1"; // 啊: 401 bytes, the cut falls inside a character
    game->PushBacklog(text.c_str(), nullptr, "");
    size_t len = std::strlen(game->backlogText[0]);
    EXPECT_EQ(len, 255u); // 'a' and 127 whole characters
    EXPECT_EQ(static_cast<uint8_t>(game->backlogText[0][254]), 0xA1);
    EXPECT_EQ(game->backlogSpeaker[0][0], '\0');
    std::string odd = "\xB0\xA1\xB0"; // ends in a lone lead byte
    game->PushBacklog(odd.c_str(), nullptr, nullptr);
    EXPECT_STREQ(game->backlogText[1], "\xB0\xA1\xB0") << "kept as it stands";
}

TEST(GameMainFields, ConstructorZeroesEverythingButTheScreenRectangle) {
    auto game = std::make_unique<CGameMain>(nullptr, nullptr);
    EXPECT_EQ(game->scene, 0);
    EXPECT_EQ(game->returnScene, 0);
    EXPECT_EQ(game->progressLevel, 0);
    EXPECT_EQ(game->fullRect, (RECT{0, 0, 1024, 576}));
    EXPECT_EQ(game->charSlotPicture[15], 0);
    EXPECT_EQ(game->spriteStartTime[9], 0u);
}

TEST(GameMainFields, ClearSpriteRecordsClearsOnlyTheSpriteSlots) {
    auto game = std::make_unique<CGameMain>(nullptr, nullptr);
    std::strcpy(game->spritePictureNames[9], "sp.bmp");
    std::strcpy(game->layerPictureNames[0], "bg.bmp");
    for (auto& table : game->spriteMotion)
        table[3] = 77;
    game->spriteValueA[0] = 1;
    game->spriteValueB[9] = 2;
    game->spriteStartTime[5] = 3;
    game->charSlotX[0] = 9;
    game->ClearSpriteRecords();
    EXPECT_EQ(game->spritePictureNames[9][0], '\0');
    for (auto& table : game->spriteMotion)
        EXPECT_EQ(table[3], 0);
    EXPECT_EQ(game->spriteValueA[0], 0u);
    EXPECT_EQ(game->spriteValueB[9], 0u);
    EXPECT_EQ(game->spriteStartTime[5], 0u);
    EXPECT_STREQ(game->layerPictureNames[0], "bg.bmp");
    EXPECT_EQ(game->charSlotX[0], 9);
}

} // namespace
