// The quit confirmation and the system menu through the running game.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "screens/exit_scene.h"
#include "screens/scene_objects.h"
#include "screens/system_menu_scene.h"
#include "screens/system_screens_fixture.h"
#include "sound/snd_mng.h"

using namespace screentest;

namespace {

constexpr SceneId kIdleScene = 7; // a scene without a step: the picture stays as it is

// Centre of a rectangle.
POINT Centre(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class QuitScreens : public SystemScreensGame {
protected:
    void ClickOn(const RECT& r, plat::MouseButton button = plat::MouseButton::Left) {
        const POINT p = Centre(r);
        ClickAt(p.x, p.y, button);
    }
    bool ExitWaitsFor(uint8_t step) {
        return RunUntil([step] { return g_pExitScene && g_pExitScene->state == step; });
    }
};

TEST_F(QuitScreens, CancelReturnsToTheSceneItCameFromWithThePictureUnchanged) {
    // Cancel by its button and by a right click on the first panel.
    for (const plat::MouseButton button : {plat::MouseButton::Left, plat::MouseButton::Right}) {
        PaintPattern();
        const std::vector<uint32_t> before = Pixels(0, 0, 1024, 576);
        Open(kSceneExit, kIdleScene);
        ASSERT_TRUE(ExitWaitsFor(QuitDialog::kFirstChoice));
        EXPECT_NE(Pixels(0, 0, 1024, 576), before); // tinted, with the panel
        ClickOn(kExitDialogLayout.firstButtons[2], button);
        ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kIdleScene; }));
        EXPECT_EQ(g_pExitScene, nullptr);
        EXPECT_TRUE(Pixels(0, 0, 1024, 576) == before);
    }
}

TEST_F(QuitScreens, TitleChoiceLeadsToTheTitleMenuOrTheReplayScreen) {
    struct Case {
        uint8_t inReplay;
        SceneId target;
    };
    for (const Case c : {Case{0, kSceneTitleMenu}, Case{1, kSceneReplay}}) {
        g_pScriptMng->m_inReplay = c.inReplay;
        std::strcpy(g_pGameMain->seName, "rain.ogg");
        Open(kSceneExit, kIdleScene);
        ASSERT_TRUE(ExitWaitsFor(QuitDialog::kFirstChoice));
        ClickOn(kExitDialogLayout.firstButtons[0]);
        ASSERT_TRUE(ExitWaitsFor(QuitDialog::kSecondChoice));
        ClickOn(kExitDialogLayout.secondButtons[0]);
        ASSERT_TRUE(RunUntil([&] { return g_pGameMain->scene == c.target; }));
        EXPECT_EQ(g_pGameMain->seName[0], '\0');
        EXPECT_EQ(g_SePlayers[1], nullptr);
        g_pGameMain->scene = kIdleScene;
        game.StepFrames(1);
    }
}

TEST_F(QuitScreens, NoOnTheSecondPanelBringsTheFirstPanelBack) {
    Open(kSceneExit, kIdleScene);
    ASSERT_TRUE(ExitWaitsFor(QuitDialog::kFirstChoice));
    ClickOn(kExitDialogLayout.firstButtons[1]);
    ASSERT_TRUE(ExitWaitsFor(QuitDialog::kSecondChoice));
    ClickAt(10, 10, plat::MouseButton::Right); // a right click answers no
    ASSERT_TRUE(ExitWaitsFor(QuitDialog::kFirstChoice));
    EXPECT_TRUE(game.Running());
    EXPECT_EQ(g_pGameMain->scene, kSceneExit);
}

TEST_F(QuitScreens, QuitEndsTheProgramAfterTheFrameAndWritesTheSystemData) {
    g_SystemData.autoSpeed = 77;
    Open(kSceneExit, kIdleScene);
    ASSERT_TRUE(ExitWaitsFor(QuitDialog::kFirstChoice));
    ClickOn(kExitDialogLayout.firstButtons[1]);
    ASSERT_TRUE(ExitWaitsFor(QuitDialog::kSecondChoice));
    ClickOn(kExitDialogLayout.secondButtons[0]);
    for (int i = 0; i < 20 && game.Running(); ++i) {
        game.StepFrames(1);
    }
    EXPECT_FALSE(game.Running());
    EXPECT_EQ(game.ExitCode(), 0);
    const std::vector<uint8_t> file = game.ReadFile("save/Config.dat");
    ASSERT_EQ(file.size(), kSystemDataSize);
    EXPECT_EQ(file[0x22], 77);
}

TEST_F(QuitScreens, KeyboardModeGlidesTheCursorOntoTheFirstButton) {
    g_SystemData.keyboardMode = 1;
    game.MoveMouse(5, 5);
    Open(kSceneExit, kIdleScene);
    ASSERT_TRUE(ExitWaitsFor(QuitDialog::kFirstChoice));
    const POINT target = Centre(kExitDialogLayout.firstButtons[0]);
    EXPECT_EQ(game.backend().warpX, ScaleToScreenX(target.x));
    EXPECT_EQ(game.backend().warpY, ScaleToScreenY(target.y));
}

// ---- The system menu ----------------------------------------------------------------------------

class SystemMenu : public QuitScreens {
protected:
    void OpenMenu() {
        PaintPattern();
        entry = Pixels(0, 0, 1024, 576);
        Open(kSceneSystemMenu, kIdleScene);
        ASSERT_TRUE(RunUntil([] { return g_pSystemMenuScene && g_pSystemMenuScene->state == 4; }));
    }
    std::vector<uint32_t> entry;
};

TEST_F(SystemMenu, ButtonsLeaveAtOnceForTheirScreens) {
    const SceneId targets[4] = {kSceneSave, kSceneLoad, kSceneBacklog, kSceneConfig};
    for (int i = 0; i < 4; ++i) {
        OpenMenu();
        g_pScriptMng->m_menuFromGame = 0;
        const POINT p = Centre(CSystemMenuScene::kButtonRects[i]);
        MoveTo(p.x, p.y);
        game.StepFrames(1);
        game.Click(ScaleToScreenX(p.x), ScaleToScreenY(p.y));
        game.StepFrames(2); // the click, then the leave: no fade-out
        EXPECT_EQ(g_pGameMain->scene, targets[i]) << "button " << i + 1;
        EXPECT_EQ(g_pScriptMng->m_menuFromGame, 1);
        EXPECT_EQ(g_pGameMain->returnScene, kSceneScript); // back to the script that opened the menu
        g_pGameMain->scene = kIdleScene;
        game.StepFrames(1);
    }
}

TEST_F(SystemMenu, RightClickFadesOutToThePictureItOpenedOn) {
    g_pScriptMng->m_skipEffects = 0;
    PaintPattern();
    entry = Pixels(0, 0, 1024, 576);
    Open(kSceneSystemMenu, kIdleScene);
    ASSERT_TRUE(RunUntil([] { return g_pSystemMenuScene && g_pSystemMenuScene->state == 4; }, 2000));
    const uint32_t start = game.clock().Now();
    game.Click(10, 10, plat::MouseButton::Right);
    ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kSceneScript; }, 2000));
    EXPECT_GE(game.clock().Now() - start, CSystemMenuScene::kFadeOutMs);
    EXPECT_TRUE(Pixels(0, 0, 1024, 576) == entry);
}

TEST_F(SystemMenu, WheelStepsTheSelectionAndPauses) {
    OpenMenu();
    const uint8_t expected[3] = {5, 4, 5}; // towards the user from none: the last; then back and forth
    const int steps[3] = {-1, 1, -1};
    for (int i = 0; i < 3; ++i) {
        const uint32_t before = game.clock().Now();
        game.Wheel(steps[i] < 0 ? -1 : 1);
        game.StepFrames(1);
        EXPECT_EQ(g_pSystemMenuScene->selected, expected[i]);
        EXPECT_GE(game.clock().Now() - before, screens::kWheelPauseMs);
        game.MoveMouse(game.backend().warpX, game.backend().warpY);
        game.StepFrames(1);
        EXPECT_EQ(g_pSystemMenuScene->selected, expected[i]) << "the cursor was put on the button";
    }
}

TEST_F(SystemMenu, CancellingTheQuitDialogReturnsToTheMenuAsItWas) {
    OpenMenu();
    const POINT quit = Centre(CSystemMenuScene::kButtonRects[4]);
    MoveTo(10, 10);
    game.StepFrames(2);
    const std::vector<uint32_t> menu = Pixels(0, 0, 1024, 576);
    ClickAt(quit.x, quit.y);
    ASSERT_TRUE(RunUntil([] { return g_pSystemMenuScene->state == 13; }));
    ClickOn(kSystemMenuDialogLayout.firstButtons[2]);
    ASSERT_TRUE(RunUntil([] { return g_pSystemMenuScene->state == 4; }));
    MoveTo(10, 10);
    game.StepFrames(2);
    EXPECT_TRUE(Pixels(0, 0, 1024, 576) == menu);
    EXPECT_EQ(g_pGameMain->scene, kSceneSystemMenu);
}

TEST_F(SystemMenu, QuitDialogTitleChoiceAlwaysLeadsToTheTitleMenu) {
    g_pScriptMng->m_inReplay = 1;
    OpenMenu();
    const POINT quit = Centre(CSystemMenuScene::kButtonRects[4]);
    ClickAt(quit.x, quit.y);
    ASSERT_TRUE(RunUntil([] { return g_pSystemMenuScene->state == 13; }));
    ClickOn(kSystemMenuDialogLayout.firstButtons[0]);
    ASSERT_TRUE(RunUntil([] { return g_pSystemMenuScene && g_pSystemMenuScene->state == 20; }));
    ClickOn(kSystemMenuDialogLayout.secondButtons[0]);
    ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kSceneTitleMenu; }));
}

} // namespace
