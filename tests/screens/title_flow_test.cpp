// The road from start-up through the logo and the title menu, with the real window procedure, the
// message pump and the frame loop: input is posted as window messages, time is a fake clock.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/game_main.h"
#include "app/user_sys_data.h"
#include "app/wnd_proc.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/window.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/dsound.h"

using namespace screentest;

namespace {

constexpr uint8_t kStartScript[] = {0x01, 0x04, 0x00, 0x00};

// The game as the entry runs it: the window is created through the real window procedure, and the
// loop dispatches waiting messages or runs one frame.
class Game {
public:
    explicit Game(bool skipMovie) {
        WriteTitlePictures(m_folder);
        std::vector<uint8_t> script;
        for (uint8_t b : kStartScript) {
            script.push_back(static_cast<uint8_t>(~b));
        }
        m_folder.WriteFile("script/start.s", script);
        g_UserSysData = UserSysData{};
        g_UserSysData.skipOpeningMovie = skipMovie ? 1 : 0;
        // A sound device that only the test drives, so that no thread of real time runs beside the
        // fake clock; the window's creation keeps the device it finds.
        if (g_DSound.device) {
            g_DSound.Release();
        }
        m_sound = g_DSound.CreateWithOutput(SoundDevice::Output::Manual);
        plat::WindowDesc desc;
        desc.title = kGameTitle;
        m_hwnd = plat::CreateMainWindow(desc, WndProc);
    }
    ~Game() {
        if (m_hwnd && plat::IsWindow(m_hwnd)) {
            plat::DestroyWindow(m_hwnd);
            Pump();
        }
        if (m_sound) {
            g_DSound.Release();
        }
    }

    HWND hwnd() const { return m_hwnd; }
    FakeClock& clock() { return m_clock.clock(); }
    const TempGameFolder& folder() const { return m_folder; }
    plat::HeadlessBackend& backend() { return m_backend.backend(); }
    bool quit() const { return m_quit; }

    // Dispatches every waiting message; true when the loop is to end.
    bool Pump() {
        plat::Message msg;
        while (plat::PeekMessage(msg)) {
            if (msg.msg == plat::Msg::Quit) {
                m_quit = true;
                return true;
            }
            plat::DispatchMessage(msg);
        }
        return false;
    }

    // One pass of the loop: the messages, then a frame; the clock runs on by `ms` beside the frame's
    // own pacing sleep. Records each new scene number.
    void Pass(uint32_t ms) {
        if (Pump() || !g_pGameMain) {
            return;
        }
        g_pGameMain->Frame();
        clock().Advance(ms);
        if (g_pGameMain && (trace.empty() || trace.back() != g_pGameMain->scene)) {
            trace.push_back(g_pGameMain->scene);
        }
    }

    // Passes until the scene is `scene` (or the loop ended); false after `limit` passes.
    bool RunTo(uint8_t scene, uint32_t ms, int limit = 20000) {
        for (int i = 0; i < limit; ++i) {
            if (m_quit || !g_pGameMain) {
                return false;
            }
            if (g_pGameMain->scene == scene) {
                return true;
            }
            Pass(ms);
        }
        return false;
    }

    void Post(plat::Msg kind, int32_t x = 0, int32_t y = 0) {
        plat::Message msg;
        msg.hwnd = m_hwnd;
        msg.msg = kind;
        msg.x = x;
        msg.y = y;
        plat::PostMessage(m_hwnd, msg);
    }
    void PostKey(plat::Msg kind, plat::Key key) {
        plat::Message msg;
        msg.hwnd = m_hwnd;
        msg.msg = kind;
        msg.key = key;
        plat::PostMessage(m_hwnd, msg);
    }

    std::vector<uint8_t> trace;

private:
    ScopedFakeClock m_clock{50000};
    plat::ScopedHeadlessBackend m_backend;
    TempGameFolder m_folder;
    HWND m_hwnd = nullptr;
    bool m_quit = false;
    bool m_sound = false;
};

} // namespace

TEST(TitleFlow, StartUpShowsTheLogosThenTheOpeningMovie) {
    Game game(false);
    ASSERT_NE(game.hwnd(), nullptr);
    ASSERT_NE(g_pGameMain, nullptr);
    EXPECT_EQ(g_pGameMain->scene, kSceneLogo);
    const uint32_t begin = game.clock().Now();
    ASSERT_TRUE(game.RunTo(kSceneOpeningMovie, 8))
        << "scenes " << ::testing::PrintToString(game.trace) << ", quit " << game.quit();
    EXPECT_GE(game.clock().Now() - begin, 12000u);
    EXPECT_EQ(game.trace, (std::vector<uint8_t>{kSceneLogo, kSceneOpeningMovie}));
}

TEST(TitleFlow, NewGameFromTheTitleMenuLoadsTheFirstScript) {
    Game game(true);
    ASSERT_NE(game.hwnd(), nullptr);
    ASSERT_TRUE(game.RunTo(kSceneTitleMenu, 100)) << ::testing::PrintToString(game.trace);
    // Wait for the menu's input state, then point at "new game" and click.
    for (int i = 0; i < 200 && !(g_pTitleMenuScene && g_pTitleMenuScene->state == 2); ++i) {
        game.Pass(20);
    }
    ASSERT_NE(g_pTitleMenuScene, nullptr);
    ASSERT_EQ(g_pTitleMenuScene->state, 2);
    game.Post(plat::Msg::MouseMove, 296, 500);
    game.Pass(20);
    EXPECT_EQ(g_pTitleMenuScene->hovered, 1);
    // A click lasts longer than a frame: the frame sees the button down.
    game.Post(plat::Msg::ButtonDown, 296, 500);
    game.Pass(20);
    game.Post(plat::Msg::ButtonUp, 296, 500);
    ASSERT_TRUE(game.RunTo(kSceneScript, 20, 1000));
    EXPECT_EQ(game.trace, (std::vector<uint8_t>{kSceneLogo, kSceneTitleMenu, kSceneScript}));
    EXPECT_STREQ(g_pGameMain->scriptName, "start.s");
    ASSERT_NE(g_pScriptMng->m_pScriptBase, nullptr);
    EXPECT_EQ(std::memcmp(g_pScriptMng->m_pScriptBase, kStartScript, sizeof kStartScript), 0);
}

TEST(TitleFlow, ReturnKeyChoosesTheEntrySelectedWithTheArrows) {
    Game game(true);
    ASSERT_TRUE(game.RunTo(kSceneTitleMenu, 100)) << ::testing::PrintToString(game.trace);
    for (int i = 0; i < 200 && !(g_pTitleMenuScene && g_pTitleMenuScene->state == 2); ++i) {
        game.Pass(20);
    }
    ASSERT_NE(g_pTitleMenuScene, nullptr);
    // Up from nothing selects "new game"; Down then moves to "load". After each step the platform
    // reports the pointer where the cursor was put.
    const plat::Key keys[2] = {plat::Key::Up, plat::Key::Down};
    for (int i = 0; i < 2; ++i) {
        game.PostKey(plat::Msg::KeyDown, keys[i]);
        game.Pass(20);
        EXPECT_EQ(g_pTitleMenuScene->hovered, i + 1);
        game.PostKey(plat::Msg::KeyUp, keys[i]);
        game.Post(plat::Msg::MouseMove, game.backend().warpX, game.backend().warpY);
        game.Pass(20);
        EXPECT_EQ(g_pTitleMenuScene->hovered, i + 1);
    }
    game.PostKey(plat::Msg::KeyDown, plat::Key::Return);
    game.Pass(20);
    game.PostKey(plat::Msg::KeyUp, plat::Key::Return);
    ASSERT_TRUE(game.RunTo(kSceneLoad, 20, 1000));
    EXPECT_EQ(game.trace.back(), kSceneLoad);
}

TEST(TitleFlow, WheelStepsSelectTheEntries) {
    Game game(true);
    ASSERT_TRUE(game.RunTo(kSceneTitleMenu, 100));
    for (int i = 0; i < 200 && !(g_pTitleMenuScene && g_pTitleMenuScene->state == 2); ++i) {
        game.Pass(20);
    }
    ASSERT_NE(g_pTitleMenuScene, nullptr);
    // Away from the user selects the previous entry: from nothing, "new game"; then "quit".
    const uint8_t expected[2] = {1, 5};
    for (uint8_t want : expected) {
        plat::Message msg;
        msg.hwnd = game.hwnd();
        msg.msg = plat::Msg::MouseWheel;
        msg.wheel = 1;
        plat::PostMessage(game.hwnd(), msg);
        const uint32_t before = game.clock().Now();
        game.Pass(0);
        EXPECT_EQ(g_pTitleMenuScene->hovered, want);
        EXPECT_GE(game.clock().Now() - before, 200u); // the pause after a wheel step
        game.Post(plat::Msg::MouseMove, game.backend().warpX, game.backend().warpY);
    }
    // Towards the user: the next entry, wrapping back to "new game".
    plat::Message msg;
    msg.hwnd = game.hwnd();
    msg.msg = plat::Msg::MouseWheel;
    msg.wheel = -1;
    plat::PostMessage(game.hwnd(), msg);
    game.Pass(0);
    EXPECT_EQ(g_pTitleMenuScene->hovered, 1);
}

TEST(TitleFlow, QuitFromTheTitleMenuEndsTheLoopAndKeepsTheSystemData) {
    Game game(true);
    ASSERT_TRUE(game.RunTo(kSceneTitleMenu, 100)) << ::testing::PrintToString(game.trace);
    for (int i = 0; i < 200 && !(g_pTitleMenuScene && g_pTitleMenuScene->state == 2); ++i) {
        game.Pass(20);
    }
    g_SystemData.autoSpeed = 85; // a change made since the menu saved
    game.Post(plat::Msg::MouseMove, 750, 500);
    game.Post(plat::Msg::ButtonDown, 750, 500);
    game.Pass(20);
    game.Post(plat::Msg::ButtonUp, 750, 500);
    for (int i = 0; i < 1000 && !game.quit(); ++i) {
        game.Pass(50);
    }
    EXPECT_TRUE(game.quit());
    EXPECT_EQ(g_pGameMain, nullptr);
    EXPECT_FALSE(plat::IsWindow(game.hwnd()));
    std::ifstream in(game.folder().path() + "/save/Config.dat", std::ios::binary);
    const std::vector<uint8_t> saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(saved.size(), kSystemDataSize);
    EXPECT_EQ(saved[0x22], 85); // written again when the window went
}
