// The window procedure with the game running headless: messages posted to the window, the input
// objects, the system data and the presented picture read back.
#include <gtest/gtest.h>

#include "app/display.h"
#include "app/game_main.h"
#include "app/input.h"
#include "app/user_sys_data.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/scene_objects.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "support/headless_game.h"

namespace {

using testing_support::HeadlessGame;

struct WindowInput : ::testing::Test {
    HeadlessGame game;
    void SetUp() override { ASSERT_EQ(game.Start(), StartupResult::Running); }
    MouseState& Mouse() { return *g_pMouse->GetState(); }
    void AltEnter() {
        game.PostKey(plat::Key::Return, true, true);
        game.PostKey(plat::Key::Return, false, true);
        game.DrainMessages();
        game.DrainMessages();
    }
};

TEST_F(WindowInput, AClickQueuedWithItsReleaseIsSeenByTheNextFrame) {
    g_pGameMain->scene = 7; // a scene without a step
    game.Click(300, 200);
    game.DrainMessages(); // the turn ends before the release
    EXPECT_EQ(Mouse().left, 1);
    EXPECT_EQ(Mouse().x, 300);
    EXPECT_EQ(Mouse().y, 200);
    game.StepFrames(1);
    game.DrainMessages();
    EXPECT_EQ(Mouse().left, 0);
    // A Return tap likewise stays a click for one frame.
    game.PressKey(plat::Key::Return);
    game.DrainMessages();
    EXPECT_EQ(Mouse().left, 1);
    game.StepFrames(1);
    game.DrainMessages();
    EXPECT_EQ(Mouse().left, 0);
}

TEST_F(WindowInput, EveryFlagKeyRefreshesItsFlagWhenPressedAlone) {
    const struct {
        plat::Key key;
        uint8_t CKeyboard::*flag;
    } cases[] = {
        {plat::Key::F1, &CKeyboard::f1},
        {plat::Key::F2, &CKeyboard::f2},
        {plat::Key::Numpad2, &CKeyboard::down},
        {plat::Key::Numpad4, &CKeyboard::left},
        {plat::Key::Numpad6, &CKeyboard::right},
        {plat::Key::Numpad8, &CKeyboard::up},
        {plat::Key::Space, &CKeyboard::space},
        {plat::Key::Ctrl, &CKeyboard::ctrl},
        {plat::Key::PageDown, &CKeyboard::pageDown},
    };
    for (const auto& c : cases) {
        game.PostKey(c.key, true);
        game.DrainMessages();
        EXPECT_EQ(g_pKeyboard->*c.flag, 1) << static_cast<int>(c.key);
        game.PostKey(c.key, false);
        game.DrainMessages();
        EXPECT_EQ(g_pKeyboard->*c.flag, 0) << static_cast<int>(c.key);
    }
}

TEST_F(WindowInput, KeysOutsideTheGameTriggerNoPoll) {
    game.PostKey(plat::Key::Return, true);
    game.DrainMessages();
    ASSERT_EQ(Mouse().left, 1);
    Mouse().left = 0; // the scene took the click
    game.PostKey(plat::Key::Tab, true);
    game.PostKey(plat::Key::Tab, false);
    game.DrainMessages();
    EXPECT_EQ(Mouse().left, 0); // no poll, so Return held does not come back
}

TEST_F(WindowInput, WheelScrollsTheBacklogWithinItsRange) {
    g_pGameMain->scene = kSceneBacklog;
    game.StepFrames(1);
    ASSERT_NE(g_pBacklogScene, nullptr);
    CBacklogScene& backlog = *g_pBacklogScene;
    backlog.state = 2;
    backlog.lineCount = 10;
    backlog.maxPosition = 3;
    backlog.position = 2;
    backlog.hovered = 0;
    backlog.prevHovered = 5;
    game.Wheel(-1); // towards the user: forward
    game.Wheel(-1);
    game.DrainMessages();
    EXPECT_EQ(backlog.position, 3); // held at the maximum
    EXPECT_EQ(backlog.hovered, 1);
    EXPECT_EQ(backlog.prevHovered, 0);
    for (int i = 0; i < 5; ++i)
        game.Wheel(1);
    game.DrainMessages();
    EXPECT_EQ(backlog.position, 0);
    EXPECT_EQ(g_pMouse->wheel, 0); // the backlog takes no wheel byte
    backlog.lineCount = 4;         // all lines on one page: no scrolling
    game.Wheel(-1);
    game.DrainMessages();
    EXPECT_EQ(backlog.position, 0);
    backlog.lineCount = 10;
    backlog.state = 1; // not browsing
    game.Wheel(-1);
    game.DrainMessages();
    EXPECT_EQ(backlog.position, 0);
}

TEST_F(WindowInput, WheelInTheMessageSceneClicksOrOpensTheBacklogOverASnapshot) {
    g_pGameMain->scene = kSceneMessage;
    g_pScriptMng->m_msgStep = 1; // the page has not begun
    game.Wheel(-1);
    game.DrainMessages();
    EXPECT_EQ(Mouse().left, 0);
    g_pScriptMng->m_msgStep = 2;
    game.Wheel(-1);
    game.DrainMessages();
    EXPECT_EQ(Mouse().left, 1);
    Mouse().left = 0;

    g_pGameMain->backlogCount = 1; // only the message on screen
    game.Wheel(1);
    game.DrainMessages();
    EXPECT_EQ(g_pGameMain->scene, kSceneMessage);

    g_pGameMain->backlogCount = 2;
    g_pGameMain->returnScene = 0;
    g_ScreenSurface->FillRect(100, 50, 8, 8, 0x00345678);
    game.Wheel(1);
    game.DrainMessages();
    EXPECT_EQ(g_pGameMain->scene, kSceneBacklog);
    EXPECT_EQ(g_pGameMain->returnScene, kSceneMessage);
    EXPECT_EQ(g_pMouse->wheel, 0);
    CDIB32* snapshot = g_pScriptUiSurfaces[kUiSnapshot];
    ASSERT_NE(snapshot, nullptr);
    ASSERT_EQ(snapshot->GetWidth(), 1024);
    ASSERT_EQ(snapshot->GetHeight(), 576);
    for (int y : {0, 50, 57, 300, 575})
        for (int x : {0, 100, 107, 1023})
            EXPECT_EQ(*reinterpret_cast<uint32_t*>(snapshot->GetPixelAddress(x, y)) & 0xFFFFFF,
                      *reinterpret_cast<uint32_t*>(g_ScreenSurface->GetPixelAddress(x, y)) & 0xFFFFFF)
                << x << "," << y;
}

TEST_F(WindowInput, WheelReportsToTheMenusAndClicksInTheClickWait) {
    for (SceneId scene : {SceneId(kSceneTitleMenu), SceneId(kSceneChoice), SceneId(kSceneSystemMenu),
                          SceneId(kSceneCommand), SceneId(kSceneLegwork)}) {
        g_pGameMain->scene = scene;
        game.Wheel(2);
        game.DrainMessages();
        EXPECT_EQ(g_pMouse->wheel, 0xFF) << int(scene);
        game.Wheel(-1);
        game.DrainMessages();
        EXPECT_EQ(g_pMouse->wheel, 1) << int(scene);
        EXPECT_EQ(Mouse().left, 0) << int(scene);
    }
    g_pMouse->wheel = 0;
    g_pGameMain->scene = kSceneClickWait;
    game.Wheel(1);
    game.DrainMessages();
    EXPECT_EQ(Mouse().left, 0);
    game.Wheel(-1);
    game.DrainMessages();
    EXPECT_EQ(Mouse().left, 1);
    EXPECT_EQ(g_pMouse->wheel, 0);
}

TEST_F(WindowInput, AltEnterInTheConfigurationScreenRedrawsTheScreenModeRadio) {
    g_pGameMain->scene = kSceneConfig;
    game.StepFrames(1);
    ASSERT_NE(g_pConfigScene, nullptr);
    g_pConfigScene->state = 3;
    auto* strip = new CDIB32();
    strip->Create(nullptr, 1024, 576, 24);
    strip->FillRect(0, 0, 1024, 576, 0x00203040);
    auto* mark = new CDIB32();
    mark->Create(nullptr, 28, 18, 32);
    mark->FillRect(0, 0, 28, 18, 0xFFFF0000); // opaque red
    ReplaceSurface(g_Layers[19], strip);
    ReplaceSurface(g_Layers[24], mark);
    auto pixel = [](int x, int y) {
        return *reinterpret_cast<uint32_t*>(g_ScreenSurface->GetPixelAddress(x, y)) & 0xFFFFFF;
    };
    g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x00FFFFFF);

    AltEnter();
    EXPECT_EQ(g_pDisplay->fullScreen, 1);
    EXPECT_EQ(g_SystemData.fullScreen, 1);
    EXPECT_EQ(pixel(761, 298), 0xFF0000u); // the mark on "full screen"
    EXPECT_EQ(pixel(788, 315), 0xFF0000u);
    EXPECT_EQ(pixel(608, 298), 0x203040u); // the strip under "window"
    EXPECT_EQ(pixel(787, 321), 0x203040u);
    EXPECT_EQ(pixel(788, 321), 0xFFFFFFu); // outside the strip
    EXPECT_EQ(pixel(603, 298), 0xFFFFFFu);

    AltEnter();
    EXPECT_EQ(g_pDisplay->fullScreen, 0);
    EXPECT_EQ(g_SystemData.fullScreen, 0);
    EXPECT_EQ(pixel(608, 298), 0xFF0000u);
    EXPECT_EQ(pixel(761, 298), 0x203040u);

    // Outside the main state the screen is left alone, but the byte still follows the display.
    g_pConfigScene->state = 2;
    g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x00FFFFFF);
    AltEnter();
    EXPECT_EQ(g_SystemData.fullScreen, 1);
    EXPECT_EQ(pixel(761, 298), 0xFFFFFFu);
    EXPECT_EQ(pixel(604, 298), 0xFFFFFFu);
}

TEST_F(WindowInput, AFailedFullScreenSwitchLeavesTheSystemDataByteInTheWindow) {
    g_pGameMain->scene = kSceneTitleMenu;
    game.backend().failFullScreen = true;
    AltEnter();
    EXPECT_EQ(g_pDisplay->fullScreen, 0);
    EXPECT_EQ(g_SystemData.fullScreen, 0);
    EXPECT_EQ(g_pMouse->destRect, (RECT{0, 0, 1024, 576}));
}

TEST_F(WindowInput, MouseKeepsGameCoordinatesInEveryDisplayMode) {
    struct Case {
        int desktopW, desktopH;
        uint8_t stretch;
        int clientX, clientY, gameX, gameY;
    };
    const Case cases[] = {
        {1024, 768, 0, 512, 96, 512, 0},       {1024, 768, 0, 512, 672, 512, 576},
        {1024, 768, 1, 512, 384, 512, 288},    {1280, 1024, 0, 640, 512, 512, 288},
        {1280, 1024, 0, 1280, 872, 1024, 576}, {1280, 1024, 1, 1280, 1024, 1024, 576},
        {1920, 1080, 0, 960, 540, 512, 288},   {2560, 1080, 0, 320, 0, 0, 0},
        {2560, 1080, 0, 1280, 540, 512, 288},
    };
    g_pGameMain->scene = kSceneTitleMenu;
    for (const auto& c : cases) {
        game.backend().displays[0] = {c.desktopW, c.desktopH};
        g_UserSysData.stretchFullScreen = c.stretch;
        AltEnter();
        ASSERT_EQ(g_pDisplay->fullScreen, 1);
        EXPECT_EQ(g_pMouse->screenRect, (RECT{0, 0, c.desktopW, c.desktopH}));
        game.MoveMouse(c.clientX, c.clientY);
        game.DrainMessages();
        EXPECT_EQ(Mouse().x, c.gameX) << c.desktopW << "x" << c.desktopH << " at " << c.clientX;
        EXPECT_EQ(Mouse().y, c.gameY) << c.desktopW << "x" << c.desktopH << " at " << c.clientY;
        AltEnter();
        ASSERT_EQ(g_pDisplay->fullScreen, 0);
        game.MoveMouse(c.clientX / 2, c.clientY / 2); // in the window client = game
        game.DrainMessages();
        EXPECT_EQ(Mouse().x, c.clientX / 2);
        EXPECT_EQ(Mouse().y, c.clientY / 2);
    }
}

TEST_F(WindowInput, PaintDuringAScreenEffectPresentsTheShakenPictureOrNothing) {
    g_pGameMain->scene = 7;
    g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x00102030);
    g_ScreenSurface->FillRect(10, 20, 4, 4, 0x00ABCDEF);
    g_pScriptMng->m_screenFxOn = 1;
    g_pScriptMng->m_screenFxKind = 10; // no shift
    game.StepFrames(2);
    EXPECT_EQ(game.backend().PixelAt(10, 20) & 0xFFFFFF, 0xABCDEFu);
    EXPECT_EQ(game.backend().PixelAt(500, 300) & 0xFFFFFF, 0x102030u);
    int presents = game.Picture().presents;
    g_pScriptMng->m_screenFxAngle = 100000; // a long period, so that the shake runs on
    g_pScriptMng->m_screenFxStart = game.clock().Now();
    g_pScriptMng->m_screenFxKind = 9; // paints nothing: the window keeps its picture
    game.StepFrames(2);
    EXPECT_EQ(game.Picture().presents, presents);
    g_pScriptMng->m_screenFxKind = 2;
    g_pScriptMng->m_screenFxPhase = 0; // a diagonal with no direction (op 80 gives one) paints nothing
    game.StepFrames(2);
    EXPECT_EQ(game.Picture().presents, presents);
    g_pScriptMng->m_screenFxOn = 0;
    game.StepFrames(1);
    EXPECT_GT(game.Picture().presents, presents);
}

TEST_F(WindowInput, CursorGoesToTheClientPointOfAGamePosition) {
    g_pGameMain->scene = kSceneTitleMenu;
    game.backend().displays[0] = {1280, 1024};
    g_UserSysData.stretchFullScreen = 0;
    AltEnter();
    ASSERT_EQ(g_pDisplay->fullScreen, 1);
    EXPECT_TRUE(CursorToWindowPoint(game.Window(), ScaleToScreenX(512), ScaleToScreenY(576)));
    EXPECT_EQ(game.backend().warpX, 640);
    EXPECT_EQ(game.backend().warpY, 872);
    // And back through the mouse: the same game point.
    game.MoveMouse(game.backend().warpX, game.backend().warpY);
    game.DrainMessages();
    EXPECT_EQ(Mouse().x, 512);
    EXPECT_EQ(Mouse().y, 576);
}

} // namespace
