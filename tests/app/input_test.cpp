// The keyboard poll's fixed order: which flags a poll refreshes and where it stops.
#include <gtest/gtest.h>

#include <initializer_list>

#include "app/input.h"
#include "app/input_window_fixture.h"
#include "platform/headless.h"

namespace {

constexpr uint8_t kStale = 9; // a value no poll writes

struct Poll : InputWindowTest {
    // Holds exactly `keys`, marks every flag stale, then polls once.
    void PollHolding(std::initializer_list<plat::Key> keys) {
        for (auto key : keys) {
            plat::Message m;
            m.msg = plat::Msg::KeyDown;
            m.key = key;
            plat::PostMessage(hwnd, m);
        }
        plat::Message taken;
        while (plat::PeekMessage(taken))
            plat::DispatchMessage(taken);
        for (uint8_t* f : Flags())
            *f = kStale;
        mouse.GetState()->left = mouse.GetState()->right = kStale;
        EXPECT_TRUE(keyboard.Poll());
        // Release everything for the next case (the releases come in the next turn).
        for (auto key : keys) {
            plat::Message m;
            m.msg = plat::Msg::KeyUp;
            m.key = key;
            plat::PostMessage(hwnd, m);
        }
    }
    void ReleaseAll() {
        plat::Message taken;
        for (int turn = 0; turn < 3; ++turn)
            while (plat::PeekMessage(taken))
                plat::DispatchMessage(taken);
    }
    std::vector<uint8_t*> Flags() {
        auto& k = keyboard;
        return {&k.pageUp, &k.pageDown, &k.left, &k.right, &k.up, &k.down, &k.space, &k.f1, &k.f2, &k.ctrl};
    }
};

TEST_F(Poll, NothingHeldClearsEveryFlagAndBothButtonBytes) {
    PollHolding({});
    for (uint8_t* f : Flags())
        EXPECT_EQ(*f, 0);
    EXPECT_EQ(mouse.GetState()->left, 0);
    EXPECT_EQ(mouse.GetState()->right, 0);
}

TEST_F(Poll, PageDownStopsBeforeTheMouseBytes) {
    PollHolding({plat::Key::PageDown, plat::Key::Return, plat::Key::Ctrl});
    EXPECT_EQ(keyboard.pageUp, 0);
    EXPECT_EQ(keyboard.pageDown, 1);
    EXPECT_EQ(mouse.GetState()->left, kStale);
    EXPECT_EQ(keyboard.ctrl, kStale);
}

TEST_F(Poll, ReturnAndTheSideArrowsNeverStop) {
    PollHolding({plat::Key::Return, plat::Key::Left, plat::Key::Numpad6, plat::Key::Ctrl});
    ReleaseAll();
    EXPECT_EQ(mouse.GetState()->left, 1);
    EXPECT_EQ(keyboard.left, 1);
    EXPECT_EQ(keyboard.right, 1);
    EXPECT_EQ(keyboard.up, 0);
    EXPECT_EQ(keyboard.down, 0);
    EXPECT_EQ(mouse.GetState()->right, 0);
    EXPECT_EQ(keyboard.space, 0);
    EXPECT_EQ(keyboard.ctrl, 1);
}

TEST_F(Poll, AnUpOrDownKeyStopsThePoll) {
    PollHolding({plat::Key::Numpad8, plat::Key::Ctrl});
    ReleaseAll();
    EXPECT_EQ(keyboard.up, 1);
    EXPECT_EQ(keyboard.down, kStale);
    EXPECT_EQ(keyboard.ctrl, kStale);
    PollHolding({plat::Key::Down, plat::Key::Escape});
    ReleaseAll();
    EXPECT_EQ(keyboard.up, 0);
    EXPECT_EQ(keyboard.down, 1);
    EXPECT_EQ(mouse.GetState()->right, kStale);
}

TEST_F(Poll, EscapeIsARightClickThatStopsThePoll) {
    PollHolding({plat::Key::Escape, plat::Key::Space});
    ReleaseAll();
    EXPECT_EQ(mouse.GetState()->right, 1);
    EXPECT_EQ(keyboard.space, kStale);
    EXPECT_EQ(mouse.GetState()->left, 0);
}

TEST_F(Poll, SpaceF1AndF2StopInTurn) {
    PollHolding({plat::Key::Space, plat::Key::F1});
    ReleaseAll();
    EXPECT_EQ(keyboard.space, 1);
    EXPECT_EQ(keyboard.f1, kStale);
    PollHolding({plat::Key::F1, plat::Key::F2});
    ReleaseAll();
    EXPECT_EQ(keyboard.space, 0);
    EXPECT_EQ(keyboard.f1, 1);
    EXPECT_EQ(keyboard.f2, kStale);
    PollHolding({plat::Key::F2, plat::Key::Ctrl});
    ReleaseAll();
    EXPECT_EQ(keyboard.f1, 0);
    EXPECT_EQ(keyboard.f2, 1);
    EXPECT_EQ(keyboard.ctrl, kStale);
}

TEST_F(Poll, KeypadEnterCountsAsReturn) {
    PollHolding({plat::Key::NumpadEnter});
    ReleaseAll();
    EXPECT_EQ(mouse.GetState()->left, 1);
}

TEST(MouseButtons, EachByteFollowsItsOwnButton) {
    plat::ScopedHeadlessBackend headless;
    HWND hwnd =
        plat::CreateMainWindow(plat::WindowDesc{}, [](HWND, const plat::Message&) -> intptr_t { return 0; });
    ASSERT_NE(hwnd, nullptr);
    CMouse mouse;
    auto press = [&](plat::MouseButton b, bool down) {
        plat::Message m;
        m.msg = down ? plat::Msg::ButtonDown : plat::Msg::ButtonUp;
        m.button = b;
        plat::PostMessage(hwnd, m);
        plat::Message taken;
        for (int turn = 0; turn < 2; ++turn)
            while (plat::PeekMessage(taken))
                plat::DispatchMessage(taken);
        mouse.OnButton();
    };
    press(plat::MouseButton::Right, true);
    EXPECT_EQ(mouse.GetState()->right, 1);
    EXPECT_EQ(mouse.GetState()->left, 0);
    press(plat::MouseButton::Middle, true);
    EXPECT_EQ(mouse.GetState()->middle, 1);
    press(plat::MouseButton::Right, false);
    EXPECT_EQ(mouse.GetState()->right, 0);
    EXPECT_EQ(mouse.GetState()->middle, 1);
    plat::DestroyWindow(hwnd);
    plat::Message m;
    while (plat::PeekMessage(m))
        plat::DispatchMessage(m);
}

TEST(PumpTurns, AReleaseQueuedBehindItsPressWaitsForTheNextTurn) {
    plat::ScopedHeadlessBackend headless;
    HWND hwnd =
        plat::CreateMainWindow(plat::WindowDesc{}, [](HWND, const plat::Message&) -> intptr_t { return 0; });
    ASSERT_NE(hwnd, nullptr);
    auto post = [&](plat::Msg msg, plat::Key key) {
        plat::Message m;
        m.msg = msg;
        m.key = key;
        plat::PostMessage(hwnd, m);
    };
    post(plat::Msg::KeyDown, plat::Key::Space);
    post(plat::Msg::KeyDown, plat::Key::Up);
    post(plat::Msg::KeyUp, plat::Key::Space);
    post(plat::Msg::KeyUp, plat::Key::Up);
    plat::Message m;
    ASSERT_TRUE(plat::PeekMessage(m));
    ASSERT_TRUE(plat::PeekMessage(m));
    EXPECT_FALSE(plat::PeekMessage(m)); // the turn ends: both keys are held for a frame
    EXPECT_TRUE(plat::IsKeyHeld(plat::Key::Space));
    EXPECT_TRUE(plat::IsKeyHeld(plat::Key::Up));
    ASSERT_TRUE(plat::PeekMessage(m));
    EXPECT_EQ(m.msg, plat::Msg::KeyUp);
    ASSERT_TRUE(plat::PeekMessage(m)); // presses of earlier turns do not hold their releases back
    EXPECT_FALSE(plat::IsKeyHeld(plat::Key::Up));
    EXPECT_FALSE(plat::PeekMessage(m));
    // A release of a key pressed in an earlier turn is not held back.
    post(plat::Msg::KeyDown, plat::Key::Ctrl);
    ASSERT_TRUE(plat::PeekMessage(m));
    EXPECT_FALSE(plat::PeekMessage(m));
    post(plat::Msg::MouseMove, plat::Key::None);
    post(plat::Msg::KeyUp, plat::Key::Ctrl);
    ASSERT_TRUE(plat::PeekMessage(m));
    ASSERT_TRUE(plat::PeekMessage(m));
    EXPECT_EQ(m.msg, plat::Msg::KeyUp);
    plat::DestroyWindow(hwnd);
    while (plat::PeekMessage(m))
        plat::DispatchMessage(m);
}

} // namespace
