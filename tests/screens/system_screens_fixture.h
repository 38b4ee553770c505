// A running headless game for the system screens: started through the real entry (the start-up
// dialog answered OK), input posted as window messages, frames run by the real loop.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "support/headless_game.h"

namespace screentest {

class SystemScreensGame : public ::testing::Test {
protected:
    void SetUp() override {
        game.backend().dialogAnswers.push_back({{1}});
        ASSERT_EQ(game.Start(), StartupResult::Running);
        ASSERT_NE(g_pGameMain, nullptr);
        ASSERT_NE(g_pScriptMng, nullptr);
        g_pScriptMng->m_skipEffects = 1; // every fade ends on its frame
    }

    // Opens `scene` over `from` as the game's buttons do; `fromGame` as the game (else the title).
    void Open(SceneId scene, SceneId from, bool fromGame = true) {
        g_pGameMain->returnScene = from;
        g_pGameMain->scene = scene;
        g_pScriptMng->m_menuFromGame = fromGame ? 1 : 0;
    }

    // Runs frames until `done` holds; false after `limit` frames or when the game ended.
    bool RunUntil(const std::function<bool()>& done, int limit = 400) {
        for (int i = 0; i < limit; ++i) {
            if (done())
                return true;
            if (!game.StepFrames(1))
                return false;
        }
        return done();
    }

    // A click that lasts a frame at game point (x, y), after a frame in which the pointer came to
    // rest there. The point is posted in window coordinates of the display mode in use.
    void ClickAt(int x, int y, plat::MouseButton button = plat::MouseButton::Left) {
        MoveTo(x, y);
        game.StepFrames(1);
        game.Click(ScaleToScreenX(x), ScaleToScreenY(y), button);
        game.StepFrames(1);
    }
    void MoveTo(int x, int y) { game.MoveMouse(ScaleToScreenX(x), ScaleToScreenY(y)); }

    // The back buffer's pixels in a rectangle.
    static std::vector<uint32_t> Pixels(int x, int y, int w, int h) {
        std::vector<uint32_t> out;
        for (int row = y; row < y + h; ++row)
            for (int col = x; col < x + w; ++col) {
                const uint8_t* p = g_ScreenSurface->GetPixelAddress(col, row);
                out.push_back(p ? (p[0] | p[1] << 8 | p[2] << 16) : 0u);
            }
        return out;
    }

    // Fills the back buffer with a pattern in which every pixel tells where it is.
    static void PaintPattern() {
        for (int y = 0; y < 576; ++y)
            for (int x = 0; x < 1024; x += 4)
                g_ScreenSurface->FillRect(x, y, 4, 1, static_cast<uint32_t>((x * 7) ^ (y * 131)) & 0xFFFFFF);
    }

    // "save\Config.dat" as written, or kSystemDataSize zero bytes when it is missing or short (the
    // expectations on its bytes then fail instead of reading past it).
    std::vector<uint8_t> ConfigFile() const {
        std::vector<uint8_t> file = game.ReadFile("save/Config.dat");
        EXPECT_EQ(file.size(), kSystemDataSize);
        file.resize(kSystemDataSize);
        return file;
    }

    testing_support::HeadlessGame game;
};

} // namespace screentest
