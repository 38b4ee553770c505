// The input objects' rules and the display rectangles, without a window.
#include <gtest/gtest.h>

#include "app/display.h"
#include "app/input.h"
#include "app/input_window_fixture.h"
#include "platform/headless.h"

namespace {

TEST(FullScreenRect, LetterboxAndStretchOnDesktopSizes) {
    struct Case {
        uint32_t w, h;
        RECT letterbox;
    };
    const Case cases[] = {
        {1024, 768, {0, 96, 1024, 672}},   {1280, 1024, {0, 152, 1280, 872}},
        {1920, 1200, {0, 60, 1920, 1140}}, {2560, 1080, {320, 0, 2240, 1080}},
        {1920, 1080, {0, 0, 1920, 1080}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FullScreenDestRect(c.w, c.h, false), c.letterbox) << c.w << "x" << c.h;
        EXPECT_EQ(FullScreenDestRect(c.w, c.h, true), (RECT{0, 0, int32_t(c.w), int32_t(c.h)}));
    }
    EXPECT_EQ(FullScreenDestRect(0, 768, false), (RECT{0, 0, 0, 0}));
}

TEST(Display, TogglingTwiceRestoresTheWindowRectangles) {
    plat::ScopedHeadlessBackend headless;
    plat::WindowDesc desc;
    HWND hwnd = plat::CreateMainWindow(desc, [](HWND, const plat::Message&) -> intptr_t { return 0; });
    ASSERT_NE(hwnd, nullptr);
    CDisplay display;
    EXPECT_EQ(display.ToggleScreenMode(hwnd), 1);
    EXPECT_EQ(display.fullScreen, 1);
    EXPECT_EQ(display.screenRect, (RECT{0, 0, 1024, 768}));
    EXPECT_EQ(display.ToggleScreenMode(hwnd), 1);
    EXPECT_EQ(display.fullScreen, 0);
    EXPECT_EQ(display.screenRect, (RECT{0, 0, 1024, 576}));
    EXPECT_EQ(display.destRect, (RECT{0, 0, 1024, 576}));
    EXPECT_EQ(display.sourceRect, (RECT{0, 0, 1024, 576}));
    headless.backend().failFullScreen = true;
    EXPECT_EQ(display.ToggleScreenMode(hwnd), 0); // failure is reported, the window stays
    EXPECT_EQ(display.fullScreen, 0);
    plat::DestroyWindow(hwnd);
    plat::Message m;
    while (plat::PeekMessage(m))
        plat::DispatchMessage(m);
}

TEST(Mouse, ClientPointsMapToGameCoordinatesThroughTheLetterbox) {
    CMouse mouse;
    RECT dest{0, 96, 1024, 672};
    mouse.SetDestRect(&dest);
    mouse.OnMove(nullptr, 512, 96);
    EXPECT_EQ(mouse.GetState()->x, 512);
    EXPECT_EQ(mouse.GetState()->y, 0);
    mouse.OnMove(nullptr, 512, 672);
    EXPECT_EQ(mouse.GetState()->y, 576);
    mouse.OnMove(nullptr, 10, 50); // above the picture: negative, truncated towards zero
    EXPECT_EQ(mouse.GetState()->y, -46);
    RECT empty{5, 5, 5, 5};
    mouse.SetDestRect(&empty);
    mouse.OnMove(nullptr, 100, 100); // no division by zero; the position stays
    EXPECT_EQ(mouse.GetState()->y, -46);
}

struct HeldKeys : InputWindowTest {
    void Key(plat::Key key, bool down) {
        plat::Message m;
        m.msg = down ? plat::Msg::KeyDown : plat::Msg::KeyUp;
        m.key = key;
        plat::PostMessage(hwnd, m);
        plat::Message taken;
        while (plat::PeekMessage(taken))
            plat::DispatchMessage(taken);
        keyboard.Poll();
    }
};

TEST_F(HeldKeys, PollStopsAtTheFirstHeldKey) {
    Key(plat::Key::PageUp, true);
    Key(plat::Key::Ctrl, true);
    EXPECT_EQ(keyboard.pageUp, 1);
    EXPECT_EQ(keyboard.ctrl, 0); // never reached while Page Up is held
    Key(plat::Key::PageUp, false);
    EXPECT_EQ(keyboard.pageUp, 0);
    EXPECT_EQ(keyboard.ctrl, 1);
}

TEST_F(HeldKeys, ReturnEscapeAndKeypadActOnTheMouseButtons) {
    Key(plat::Key::Return, true);
    EXPECT_EQ(mouse.GetState()->left, 1);
    Key(plat::Key::Return, false);
    EXPECT_EQ(mouse.GetState()->left, 0);
    Key(plat::Key::Numpad0, true);
    EXPECT_EQ(mouse.GetState()->right, 1);
    Key(plat::Key::Numpad0, false);
    EXPECT_EQ(mouse.GetState()->right, 0);
    Key(plat::Key::Numpad8, true);
    EXPECT_EQ(keyboard.up, 1);
    Key(plat::Key::Numpad8, false);
    Key(plat::Key::Numpad4, true);
    EXPECT_EQ(keyboard.left, 1);
}

TEST_F(HeldKeys, PollWithoutAMouseSkipsTheButtonBytes) {
    g_pMouse = nullptr;
    Key(plat::Key::Escape, true);
    Key(plat::Key::Return, true);
    EXPECT_EQ(mouse.GetState()->right, 0);
    EXPECT_EQ(mouse.GetState()->left, 0);
}

} // namespace
