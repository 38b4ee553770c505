// The message pump and the window's life, on the headless backend.
#include "platform/window.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/headless.h"

namespace {

std::vector<plat::Msg> g_seen;
intptr_t Recorder(HWND, const plat::Message& m) {
    g_seen.push_back(m.msg);
    if (m.msg == plat::Msg::Destroy)
        plat::PostQuitMessage(7);
    return 0;
}

struct Pump : ::testing::Test {
    plat::ScopedHeadlessBackend headless;
    HWND hwnd = nullptr;
    void SetUp() override {
        g_seen.clear();
        hwnd = plat::CreateMainWindow(plat::WindowDesc{}, Recorder);
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override {
        if (plat::IsWindow(hwnd)) {
            plat::DestroyWindow(hwnd);
            DrainAll();
        }
    }
    // Dispatches until nothing waits; returns the quit code, or -1 when no quit came.
    int DrainAll() {
        plat::Message m;
        while (plat::PeekMessage(m)) {
            if (m.msg == plat::Msg::Quit)
                return m.code;
            plat::DispatchMessage(m);
        }
        return -1;
    }
    void Post(plat::Msg msg, plat::Key key = plat::Key::None) {
        plat::Message m;
        m.msg = msg;
        m.key = key;
        plat::PostMessage(hwnd, m);
    }
};

TEST_F(Pump, CreateIsSentBeforeTheWindowIsReturned) {
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0], plat::Msg::Create);
}

TEST_F(Pump, PostedMessagesComeFirstThenDestroyThenQuit) {
    plat::InvalidateWindow(hwnd);
    plat::InvalidateWindow(hwnd);
    Post(plat::Msg::KeyDown, plat::Key::Space);
    plat::DestroyWindow(hwnd);
    Post(plat::Msg::MouseMove);
    EXPECT_TRUE(plat::IsWindow(hwnd)); // destruction waits for the pump
    g_seen.clear();
    EXPECT_EQ(DrainAll(), 7);
    EXPECT_EQ(g_seen, (std::vector<plat::Msg>{plat::Msg::KeyDown, plat::Msg::MouseMove, plat::Msg::Destroy}));
    EXPECT_FALSE(plat::IsWindow(hwnd));
    plat::Message m;
    EXPECT_FALSE(plat::PeekMessage(m));
}

TEST_F(Pump, PaintRequestsCoalesceAndComeAfterQueuedInput) {
    plat::InvalidateWindow(hwnd);
    Post(plat::Msg::KeyDown, plat::Key::Return);
    plat::InvalidateWindow(hwnd);
    g_seen.clear();
    EXPECT_EQ(DrainAll(), -1);
    EXPECT_EQ(g_seen, (std::vector<plat::Msg>{plat::Msg::KeyDown, plat::Msg::Paint}));
}

TEST_F(Pump, HeldStateChangesAsTheMessageIsTaken) {
    Post(plat::Msg::KeyDown, plat::Key::Ctrl);
    EXPECT_FALSE(plat::IsKeyHeld(plat::Key::Ctrl));
    DrainAll();
    EXPECT_TRUE(plat::IsKeyHeld(plat::Key::Ctrl));
    plat::Message m;
    m.msg = plat::Msg::ButtonDown;
    m.button = plat::MouseButton::Right;
    plat::PostMessage(hwnd, m);
    DrainAll();
    EXPECT_TRUE(plat::IsButtonHeld(plat::MouseButton::Right));
    m.msg = plat::Msg::Activate; // focus lost: releases can no longer arrive
    m.code = 0;
    plat::PostMessage(hwnd, m);
    DrainAll();
    EXPECT_FALSE(plat::IsKeyHeld(plat::Key::Ctrl));
    EXPECT_FALSE(plat::IsButtonHeld(plat::MouseButton::Right));
}

TEST(Window, CreateThatFailsLeavesNoWindow) {
    plat::ScopedHeadlessBackend headless;
    HWND hwnd =
        plat::CreateMainWindow(plat::WindowDesc{}, [](HWND, const plat::Message&) -> intptr_t { return -1; });
    EXPECT_EQ(hwnd, nullptr);
    plat::Message m;
    EXPECT_FALSE(plat::PeekMessage(m));
    headless.backend().failOpenWindow = true;
    EXPECT_EQ(plat::CreateMainWindow(plat::WindowDesc{}, Recorder), nullptr);
}

TEST(Window, CallsOnAGoneWindowDoNothing) {
    plat::ScopedHeadlessBackend headless;
    HWND hwnd = plat::CreateMainWindow(plat::WindowDesc{}, Recorder);
    plat::DestroyWindow(hwnd);
    plat::Message m;
    while (plat::PeekMessage(m))
        plat::DispatchMessage(m);
    uint32_t pixel = 0;
    plat::Present(hwnd, &pixel, 1, 1, 4, RECT{0, 0, 1, 1});
    plat::PostMessage(hwnd, m);
    EXPECT_EQ(plat::SendMessage(hwnd, m), 0);
    EXPECT_FALSE(plat::SetFullScreen(hwnd, true));
    EXPECT_EQ(headless.backend().capture.presents, 0);
}

TEST(Window, PresentCapturesThePictureRowByRow) {
    plat::ScopedHeadlessBackend headless;
    HWND hwnd = plat::CreateMainWindow(plat::WindowDesc{}, Recorder);
    // 2 x 2 pixels with a padded pitch of 3 pixels.
    uint32_t pixels[6] = {1, 2, 0xDEAD, 3, 4, 0xDEAD};
    plat::Present(hwnd, pixels, 2, 2, 12, RECT{0, 96, 1024, 672});
    EXPECT_EQ(headless.backend().PixelAt(1, 0), 2u);
    EXPECT_EQ(headless.backend().PixelAt(0, 1), 3u);
    EXPECT_EQ(headless.backend().PixelAt(2, 0), 0u);
    EXPECT_EQ(headless.backend().capture.dest, (RECT{0, 96, 1024, 672}));
    plat::DestroyWindow(hwnd);
    plat::Message m;
    while (plat::PeekMessage(m))
        plat::DispatchMessage(m);
}

TEST(MessageBoxes, AnswersComeFromTheTestAndOkOnlyBoxesAlwaysAnswerOk) {
    plat::ScopedHeadlessBackend headless;
    headless.backend().boxAnswers = {plat::kIdCancel, plat::kIdCancel};
    EXPECT_EQ(plat::MessageBox(nullptr, "问题", "标题", plat::BoxButtons::OkCancel), plat::kIdCancel);
    EXPECT_EQ(plat::MessageBox(nullptr, "note", "c", plat::BoxButtons::Ok), plat::kIdOk);
    EXPECT_EQ(plat::MessageBox(nullptr, "again", "c", plat::BoxButtons::OkCancel), plat::kIdOk);
    ASSERT_EQ(headless.backend().boxes.size(), 3u);
    EXPECT_EQ(headless.backend().boxes[0].text, "问题");
    EXPECT_EQ(headless.backend().boxes[0].caption, "标题");
}

} // namespace
