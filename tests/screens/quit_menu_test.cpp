// The quit confirmation and the system menu through the running game.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "screens/exit_scene.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "screens/system_menu_scene.h"
#include "screens/system_screens_fixture.h"
#include "sound/snd_mng.h"
#include "writers/bitmap_writer.h"

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

// ---- The dialog's pictures, with its fades running --------------------------------------------------

// Opaque colours of the panel bitmap's regions.
constexpr uint32_t kFirstPanel = 0xFFF0E0D0;
constexpr uint32_t kSecondPanel1 = 0xFF30D030; // the second panel after the title choice
constexpr uint32_t kSecondPanel2 = 0xFFD03030; // after the quit choice
constexpr uint32_t kHover = 0xFFFFFF00;
constexpr uint32_t kEntryColour = 0x00404040;

// The regions of "system\EXIT_P.bmp" in the layout of a host, and where its panels rest.
struct PanelRegions {
    RECT first, second1, second2; // in the bitmap
    RECT hovers[5];               // the three first-panel and the two second-panel hovers
    POINT rest;                   // the panels' top-left at rest
};
constexpr PanelRegions kExitRegions = {{396, 0, 792, 134},
                                       {0, 0, 396, 134},
                                       {0, 134, 396, 268},
                                       {{396, 134, 588, 177},
                                        {396, 177, 588, 220},
                                        {588, 224, 660, 250},
                                        {588, 134, 693, 179},
                                        {693, 134, 798, 179}},
                                       {314, 223}};
constexpr PanelRegions kMenuRegions = {{332, 0, 664, 181},
                                       {0, 0, 332, 181},
                                       {0, 181, 332, 362},
                                       {{332, 181, 545, 215},
                                        {332, 215, 522, 251},
                                        {545, 181, 615, 211},
                                        {332, 321, 434, 366},
                                        {434, 321, 528, 366}},
                                       {234, 233}};

void WritePanels(const TempGameFolder& folder, const PanelRegions& r,
                 const char* name = "system/EXIT_P.bmp") {
    constexpr int32_t kW = 800, kH = 400;
    std::vector<uint32_t> pixels(kW * kH, 0);
    auto paint = [&](const RECT& at, uint32_t colour) {
        for (int32_t y = at.top; y < at.bottom; ++y)
            for (int32_t x = at.left; x < at.right; ++x)
                pixels[static_cast<size_t>(y) * kW + x] = colour;
    };
    paint(r.first, kFirstPanel);
    paint(r.second1, kSecondPanel1);
    paint(r.second2, kSecondPanel2);
    for (const RECT& hover : r.hovers)
        paint(hover, kHover);
    folder.WriteBitmap32(name, kW, kH, pixels);
}

// The quit confirmation (scene 8) or the system menu (scene 54) on a flat picture, frames at times
// of the fake clock chosen by the test.
struct DialogRuntime : ScreenRuntime {
    explicit DialogRuntime(bool menu) : menu(menu) {
        WritePanels(folder(), menu ? kMenuRegions : kExitRegions);
        g_ScreenSurface->Fill(kEntryColour, nullptr);
        g_pGameMain->returnScene = kSceneScript;
        g_pGameMain->scene = menu ? kSceneSystemMenu : kSceneExit;
    }
    QuitDialog* dialog() const {
        if (menu)
            return g_pSystemMenuScene ? &g_pSystemMenuScene->dialog : nullptr;
        return g_pExitScene ? &g_pExitScene->dialog : nullptr;
    }
    void FrameAt(uint32_t ms) {
        clock().Set(ms);
        g_pGameMain->Frame();
    }
    // Frames 20 ms apart until the dialog is at `step`.
    bool RunTo(uint8_t step) {
        for (int i = 0; i < 200; ++i) {
            if (dialog() && dialog()->step == step)
                return true;
            FrameAt(clock().Now() + 20);
        }
        return false;
    }
    // A frame with the pointer at (x, y), clicked when `click`.
    void PointAt(int32_t x, int32_t y, bool click = false) {
        MoveMouse(x, y);
        if (click)
            PressLeft();
        FrameAt(clock().Now() + 20);
    }
    // Runs the dialog to `step` (the system menu: after its quit button was pressed).
    bool OpenDialog(uint8_t step = QuitDialog::kFirstChoice) {
        if (menu) {
            for (int i = 0; i < 200 && !(g_pSystemMenuScene && g_pSystemMenuScene->state == 4); ++i)
                FrameAt(clock().Now() + 20);
            PointAt(769, 366);
            PointAt(769, 366, true);
        }
        return RunTo(step);
    }
    // The top row of the panel in the column x = 400: the first row from 180 down that differs
    // from the backdrop (flat above the panels).
    static int32_t PanelTop() {
        const uint32_t backdrop = PixelOf(g_ScreenSurface, 400, 180) & 0xFFFFFF;
        for (int32_t y = 180; y < 576; ++y)
            if ((PixelOf(g_ScreenSurface, 400, y) & 0xFFFFFF) != backdrop)
                return y;
        return -1;
    }
    bool menu;
};

TEST(QuitDialogPictures, PanelsSlideInAndSinkByTheClock) {
    enum Phase { kFirstIn, kSecondIn, kFirstClose };
    struct Case {
        bool menu;
        Phase phase;
        uint8_t choice; // the first panel's choice before the second panel
        uint32_t ms;    // into the phase
        int32_t top;    // the panel's top row
    };
    // a = ms × 255 / 300 while sliding in: 127 at 150 ms, 229 at 270 ms. Every panel slides in from
    // 187 (the system menu: 199), by a × 36 / 256 or, for the system menu and for the second panel
    // after the quit choice, a × 34 / 256. Closing sinks it by trunc(36 × sin(45°)) = 25 at 300 ms
    // (the system menu: trunc(34 × sin(45°)) = 24) below 223 (233).
    const Case cases[] = {
        {false, kFirstIn, 0, 150, 204},    {false, kFirstIn, 0, 270, 219},  {false, kSecondIn, 1, 150, 204},
        {false, kSecondIn, 1, 270, 219},   {false, kSecondIn, 2, 150, 203}, {false, kSecondIn, 2, 270, 217},
        {false, kFirstClose, 2, 300, 248}, {true, kFirstIn, 0, 150, 215},   {true, kFirstIn, 0, 270, 229},
        {true, kSecondIn, 2, 150, 215},    {true, kSecondIn, 2, 270, 229},  {true, kFirstClose, 1, 300, 257},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.menu ? "system menu" : "quit confirmation") << ", phase "
                                        << c.phase << ", choice " << int(c.choice) << ", " << c.ms << " ms");
        DialogRuntime rt(c.menu);
        ASSERT_TRUE(rt.OpenDialog(c.phase == kFirstIn ? QuitDialog::kFirstIn : QuitDialog::kFirstChoice));
        if (c.phase != kFirstIn) {
            const QuitDialogLayout& layout = c.menu ? kSystemMenuDialogLayout : kExitDialogLayout;
            const RECT& button = layout.firstButtons[c.choice - 1];
            rt.PointAt((button.left + button.right) / 2, (button.top + button.bottom) / 2, true);
        }
        if (c.phase == kSecondIn) {
            ASSERT_TRUE(rt.RunTo(QuitDialog::kSecondInOrUntint));
        }
        rt.FrameAt(rt.dialog()->timer.start + c.ms);
        EXPECT_EQ(DialogRuntime::PanelTop(), c.top);
    }
}

TEST(QuitDialogPictures, SecondPanelButtonsComeBackFromTheListedPicture) {
    // The yes/no area unhovered is drawn from (84, 72) of the bitmap (the system menu: (55, 70)),
    // the second panel of the title choice, whichever choice led there.
    struct Case {
        bool menu;
        uint8_t choice;
        POINT inArea; // a point of the area on screen
    };
    const Case cases[] = {
        {false, 1, {450, 310}}, {false, 2, {450, 310}}, {true, 1, {300, 320}}, {true, 2, {300, 320}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.menu ? "system menu" : "quit confirmation") << ", choice " << int(c.choice));
        DialogRuntime rt(c.menu);
        ASSERT_TRUE(rt.OpenDialog());
        const QuitDialogLayout& layout = c.menu ? kSystemMenuDialogLayout : kExitDialogLayout;
        const RECT& button = layout.firstButtons[c.choice - 1];
        rt.PointAt((button.left + button.right) / 2, (button.top + button.bottom) / 2, true);
        ASSERT_TRUE(rt.RunTo(QuitDialog::kSecondChoice));
        const RECT& yes = layout.secondButtons[0];
        rt.PointAt(yes.left + 5, yes.top + 5);
        ASSERT_EQ(PixelOf(g_ScreenSurface, yes.left + 5, yes.top + 5) & 0xFFFFFF, kHover & 0xFFFFFF);
        rt.PointAt(10, 10);
        EXPECT_EQ(PixelOf(g_ScreenSurface, c.inArea.x, c.inArea.y) & 0xFFFFFF, kSecondPanel1 & 0xFFFFFF);
    }
}

TEST(QuitDialogPictures, AfterNoTheSecondPanelKeepsItsChoiceUnderARestingPointer) {
    // A point on both "quit" and "no": answered no, the quit chosen again there brings the second
    // panel back with its last choice, so "no" is not lit until the pointer moves.
    for (const bool menu : {false, true}) {
        SCOPED_TRACE(menu ? "system menu" : "quit confirmation");
        DialogRuntime rt(menu);
        const POINT p = menu ? POINT{450, 340} : POINT{550, 320};
        ASSERT_TRUE(rt.OpenDialog());
        rt.PointAt(p.x, p.y, true);
        ASSERT_TRUE(rt.RunTo(QuitDialog::kSecondChoice));
        rt.PointAt(p.x, p.y);
        ASSERT_EQ(PixelOf(g_ScreenSurface, p.x, p.y) & 0xFFFFFF, kHover & 0xFFFFFF);
        rt.PointAt(p.x, p.y, true);
        ASSERT_TRUE(rt.RunTo(QuitDialog::kFirstChoice));
        rt.PointAt(p.x, p.y, true);
        ASSERT_TRUE(rt.RunTo(QuitDialog::kSecondChoice));
        rt.PointAt(p.x, p.y);
        EXPECT_NE(PixelOf(g_ScreenSurface, p.x, p.y) & 0xFFFFFF, kHover & 0xFFFFFF);
    }
}

TEST(QuitDialogPictures, SystemMenuReadsItsOwnPanelsBeforeTheSharedOnes) {
    // The shared picture laid out for the quit confirmation, with the menu's own beside it; or only
    // the shared one, laid out for the menu. Either way the menu's first panel rests whole.
    for (const bool own : {true, false}) {
        SCOPED_TRACE(own ? "own picture" : "shared picture");
        DialogRuntime rt(true);
        if (own) {
            WritePanels(rt.folder(), kExitRegions);
            WritePanels(rt.folder(), kMenuRegions, "system/sys_m_exit.bmp");
        }
        ASSERT_TRUE(rt.OpenDialog());
        rt.PointAt(10, 10);
        int wrong = 0;
        for (int32_t y = 233; y < 233 + 181; ++y)
            for (int32_t x = 234; x < 234 + 332; ++x)
                wrong += (PixelOf(g_ScreenSurface, x, y) & 0xFFFFFF) != (kFirstPanel & 0xFFFFFF);
        EXPECT_EQ(wrong, 0);
    }
}

TEST(QuitDialogPictures, SystemMenuQuitDialogKeepsItsChoicesFromOneOpeningToTheNext) {
    // "No" on a point of both "quit" and "no", cancel, and the quit button again: the second panel
    // comes back under the resting pointer with "no" unlit, as within one opening.
    DialogRuntime rt(true);
    const POINT p{450, 340};
    ASSERT_TRUE(rt.OpenDialog());
    rt.PointAt(p.x, p.y, true);
    ASSERT_TRUE(rt.RunTo(QuitDialog::kSecondChoice));
    rt.PointAt(p.x, p.y, true);
    ASSERT_TRUE(rt.RunTo(QuitDialog::kFirstChoice));
    const POINT cancel = Centre(kSystemMenuDialogLayout.firstButtons[2]);
    rt.PointAt(cancel.x, cancel.y, true);
    for (int i = 0; i < 100 && g_pSystemMenuScene->state != 4; ++i)
        rt.FrameAt(rt.clock().Now() + 20);
    ASSERT_EQ(g_pSystemMenuScene->state, 4);
    ASSERT_TRUE(rt.OpenDialog());
    rt.PointAt(p.x, p.y, true);
    ASSERT_TRUE(rt.RunTo(QuitDialog::kSecondChoice));
    rt.PointAt(p.x, p.y);
    EXPECT_NE(PixelOf(g_ScreenSurface, p.x, p.y) & 0xFFFFFF, kHover & 0xFFFFFF);
}

TEST(QuitDialogPictures, CancelledQuitLabelTurnsPlainOnTheNextFrame) {
    DialogRuntime rt(true);
    // Labels: plain ones grey at (190, 38i), hovered ones white at (0, 38i), glows at (350, 38i).
    std::vector<uint32_t> labels(512 * 228, 0);
    for (int32_t y = 0; y < 190; ++y)
        for (int32_t x = 0; x < 509; ++x)
            labels[static_cast<size_t>(y) * 512 + x] = x < 190   ? 0xFFFFFFFF
                                                       : x < 350 ? 0xFF808080
                                                                 : 0xFF404040;
    rt.folder().WriteBitmap32("system/sys_m_p02.bmp", 512, 228, labels);
    for (int i = 0; i < 200 && !(g_pSystemMenuScene && g_pSystemMenuScene->state == 4); ++i)
        rt.FrameAt(rt.clock().Now() + 20);
    rt.PointAt(10, 10);
    // The quit label's row (440, 347) 359 × 38, plain, then lit under the pointer.
    auto row = [] {
        std::vector<uint32_t> out;
        for (int32_t y = 347; y < 385; ++y)
            for (int32_t x = 440; x < 799; ++x)
                out.push_back(PixelOf(g_ScreenSurface, x, y) & 0xFFFFFF);
        return out;
    };
    const std::vector<uint32_t> plain = row();
    rt.PointAt(769, 366);
    rt.PointAt(769, 366);
    rt.FrameAt(rt.clock().Now() + CSystemMenuScene::kHoverMs);
    ASSERT_NE(row(), plain);
    rt.PointAt(769, 366, true);
    ASSERT_TRUE(rt.RunTo(QuitDialog::kFirstChoice));
    rt.PointAt(510, 396, true); // cancel
    for (int i = 0; i < 100 && g_pSystemMenuScene->state != 4; ++i)
        rt.FrameAt(rt.clock().Now() + 20);
    ASSERT_EQ(g_pSystemMenuScene->state, 4);
    rt.FrameAt(rt.clock().Now() + 20);
    EXPECT_TRUE(row() == plain);
}

} // namespace
