// The screen shake: the engine's offset over time for each kind, and the picture the window shows
// moved by it (the game running headless, its presented picture read back).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "script/script_asm.h"
#include "script/script_mng.h"
#include "support/headless_game.h"

namespace {

using testing_support::HeadlessGame;

int16_t SineOffset(double degrees, double amplitude) {
    return static_cast<int16_t>(std::sin(degrees * std::numbers::pi / 180.0) * amplitude);
}

using Pattern = uint32_t (*)(int x, int y);

void FillBackBuffer(Pattern pattern) {
    for (int y = 0; y < 576; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(g_ScreenSurface->GetPixelAddress(0, y));
        for (int x = 0; x < 1024; ++x)
            row[x] = pattern(x, y);
    }
}

// Sample pixels of the presented picture wrong for `pattern` moved by (dx, dy), the strips it
// uncovers black.
int WrongPixels(HeadlessGame& game, Pattern pattern, int dx, int dy) {
    int wrong = 0;
    for (int y = 0; y < 576; y += 5)
        for (int x = 0; x < 1024; x += 7) {
            const int sx = x - dx, sy = y - dy;
            const uint32_t want = sx >= 0 && sx < 1024 && sy >= 0 && sy < 576 ? pattern(sx, sy) : 0;
            wrong += (game.backend().PixelAt(x, y) & 0xFFFFFF) != want;
        }
    return wrong;
}

// Runs `source` (one command, then the end of the script) as the game's script for one frame, then
// leaves the game in a scene that leaves the back buffer alone.
void RunCommand(HeadlessGame& game, const std::string& source) {
    const auto r = kestrel::sasm::Assemble("    " + source + "\n    ExitToMenu\n");
    ASSERT_TRUE(r.ok());
    game.WriteFile("script/shake.s", kestrel::sasm::InvertBytes(r.bytes));
    ASSERT_NE(g_pScriptMng->LoadScript("shake.s"), nullptr);
    g_pGameMain->scene = kSceneScript;
    game.StepFrames(1);
    g_pGameMain->scene = 7;
}

struct ScreenShake : ::testing::Test {
    ScopedFakeClock clock{5000};
    CScriptMng engine{nullptr};

    void Shake(uint8_t kind, int16_t amp, uint32_t period, uint8_t repeat, uint32_t phase = 1) {
        engine.m_screenFxOn = 1;
        engine.m_screenFxKind = kind;
        engine.m_screenFxAmp = amp;
        engine.m_screenFxAngle = period;
        engine.m_screenFxRepeat = repeat;
        engine.m_screenFxPhase = phase;
        engine.m_screenFxStart = timeGetTime();
    }
};

TEST_F(ScreenShake, SineOfTheAngleOverOnePeriodThenOffUnlessItRepeats) {
    struct Case {
        uint8_t kind;
        uint8_t repeat;
    };
    for (const Case c : {Case{0, 0}, Case{1, 0}, Case{2, 1}, Case{5, 1}, Case{3, 0}}) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        Shake(c.kind, 12, 400, c.repeat);
        uint32_t phase = 1;
        for (uint32_t t = 0; t < 1200; t += 50) {
            const uint32_t inPeriod = t % 400;
            const bool over = t >= 400;
            if (over && c.repeat == 0) {
                EXPECT_EQ(engine.CalcShakeOffset(0), 0) << t;
                EXPECT_EQ(engine.m_screenFxOn, 0) << t;
                break;
            }
            if (inPeriod == 0 && t > 0 && c.kind >= 2 && c.kind <= 5)
                phase = phase == 1 ? 2 : 1; // each new period turns the diagonal
            EXPECT_EQ(engine.CalcShakeOffset(0), SineOffset(inPeriod * 360.0 / 400, 12)) << t;
            EXPECT_EQ(engine.m_screenFxPhase, phase) << t;
            EXPECT_EQ(engine.m_screenFxOn, 1) << t;
            clock.clock().Advance(50);
        }
    }
}

TEST_F(ScreenShake, WavesSwellOverThePeriodAndRunAlongTheRows) {
    for (uint8_t kind : {6, 7}) {
        SCOPED_TRACE(static_cast<int>(kind));
        clock.clock().Set(5000);
        Shake(kind, 20, 1000, 0, 0);
        uint32_t phase = 0;
        for (uint32_t e : {0u, 250u, 500u, 999u, 1000u, 3000u}) {
            clock.clock().Set(5000 + e);
            const double m =
                e < 1000 ? std::trunc(std::sin(e * 180.0 / 1000 * std::numbers::pi / 180.0) * 20) : 20;
            phase = (phase + 4) % 360;
            EXPECT_EQ(engine.CalcShakeOffset(0), SineOffset(phase, m)) << e;
            for (int32_t row : {1, 86, 300, 575})
                EXPECT_EQ(engine.CalcShakeOffset(row), SineOffset(phase + row, m)) << e << " row " << row;
            EXPECT_EQ(engine.m_screenFxPhase, phase); // only axis 0 moves the phase
            EXPECT_EQ(engine.m_screenFxOn, 1);        // a wave ends only when switched off
        }
    }
    Shake(10, 20, 1000, 0);
    EXPECT_EQ(engine.CalcShakeOffset(0), 0);
    Shake(0, 20, 0, 0); // a shake of no length is over at once
    EXPECT_EQ(engine.CalcShakeOffset(0), 0);
    EXPECT_EQ(engine.m_screenFxOn, 0);
}

// The painted picture: the back buffer moved by the offset of the moment of the paint, the
// uncovered border black.
TEST(ScreenShakeWindow, ThePresentedPictureMovesByTheShakeOffset) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    g_pGameMain->scene = 7; // a scene that leaves the back buffer alone
    for (uint8_t kind : {0, 1}) {
        SCOPED_TRACE(static_cast<int>(kind));
        g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x00102030);
        g_ScreenSurface->FillRect(0, 0, 1, 1, 0x00ABCDEF);
        CScriptMng& e = *g_pScriptMng;
        e.m_screenFxKind = kind;
        e.m_screenFxAmp = 40;
        e.m_screenFxAngle = 4000; // rising through the first quarter: 1000 ms
        e.m_screenFxRepeat = 0;
        e.m_screenFxStart = game.clock().Now() - 300;
        e.m_screenFxOn = 1;
        const uint32_t before = game.clock().Now() - e.m_screenFxStart;
        game.StepFrames(1);
        const uint32_t after = game.clock().Now() - e.m_screenFxStart;
        ASSERT_LT(after, 1000u);
        // Where the marker pixel of (0, 0) went is the offset the paint applied.
        int o = -1;
        for (int i = 0; i <= 40 && o < 0; ++i) {
            const int x = kind == 0 ? i : 0, y = kind == 1 ? i : 0;
            if ((game.backend().PixelAt(x, y) & 0xFFFFFF) == 0xABCDEF)
                o = i;
        }
        EXPECT_GE(o, SineOffset(before * 360.0 / 4000, 40));
        EXPECT_LE(o, SineOffset(after * 360.0 / 4000, 40));
        ASSERT_GT(o, 0);
        // The strip the picture left is black; beyond it the picture follows.
        const int bx = kind == 0 ? o - 1 : 500, by = kind == 1 ? o - 1 : 300;
        EXPECT_EQ(game.backend().PixelAt(bx, by) & 0xFFFFFF, 0u);
        EXPECT_EQ(game.backend().PixelAt(500 + (kind == 0 ? o : 0), 300) & 0xFFFFFF, 0x102030u);
        e.m_screenFxOn = 0;
    }
    game.Close();
}

// Op 80 from a script through to the window: each diagonal kind starts on its own diagonal, moves
// the picture by the sine of the angle, turns to the other diagonal when it repeats, and ends after
// one period when it does not.
TEST(ScreenShakeWindow, ScriptedDiagonalShakeMovesThePictureAlongItsDiagonals) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    const Pattern pattern = [](int x, int y) {
        return static_cast<uint32_t>((x * 7 + y * 13) & 0xFF) << 8 | 0x40;
    };
    auto shows = [&](int dx, int dy) { return WrongPixels(game, pattern, dx, dy); };
    // At 90 degrees the offset is the whole amplitude; a period of 36 s keeps the angle on a whole
    // degree for 100 ms, longer than the frames take.
    constexpr int A = 20;
    constexpr uint32_t kPeriod = 36000, kQuarter = kPeriod / 4;
    struct Case {
        uint8_t kind;
        int first, second; // the sign of the horizontal move while the picture moves down
    };
    for (const Case c : {Case{2, 1, -1}, Case{3, -1, 1}, Case{4, -1, 1}, Case{5, 1, -1}}) {
        for (uint8_t repeat : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "kind " << int{c.kind} << " repeat " << int{repeat});
            RunCommand(game, "ScreenEffectSwitch " + std::to_string(c.kind) + ", " + std::to_string(repeat) +
                                 ", " + std::to_string(A) + ", " + std::to_string(kPeriod));
            FillBackBuffer(pattern);
            CScriptMng& e = *g_pScriptMng;
            ASSERT_EQ(e.m_screenFxOn, 1);
            uint32_t start = e.m_screenFxStart;
            game.clock().Set(start + kQuarter);
            game.StepFrames(2);
            EXPECT_EQ(shows(c.first * A, A), 0) << "a quarter into the period";
            game.clock().Set(start + 3 * kQuarter);
            game.StepFrames(2);
            EXPECT_EQ(shows(-c.first * A, -A), 0) << "three quarters into the period";
            game.clock().Set(start + kPeriod + 50);
            game.StepFrames(2);
            if (repeat == 0) {
                EXPECT_EQ(e.m_screenFxOn, 0);
                EXPECT_EQ(shows(0, 0), 0) << "the plain picture once the period is over";
                continue;
            }
            ASSERT_EQ(e.m_screenFxOn, 1);
            start = e.m_screenFxStart; // the second period starts with the paint that found the first over
            game.clock().Set(start + kQuarter);
            game.StepFrames(2);
            EXPECT_EQ(shows(c.second * A, A), 0) << "a quarter into the second period";
            e.m_screenFxOn = 0;
        }
    }
    game.Close();
}

// Kinds that the paint has no move for: while the shake runs the window keeps the picture it
// showed, and after one period the shake is over and the back buffer is shown again.
TEST(ScreenShakeWindow, AShakeOfAKindWithoutAMoveEndsAfterItsPeriod) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    const Pattern before = [](int x, int y) { return static_cast<uint32_t>((x + y) & 0xFF) | 0x300000; };
    const Pattern during = [](int x, int y) { return static_cast<uint32_t>((x ^ y) & 0xFF) << 8 | 0x50; };
    constexpr uint32_t kPeriod = 800;
    for (uint8_t kind : {8, 9, 11}) {
        SCOPED_TRACE(static_cast<int>(kind));
        g_pGameMain->scene = 7;
        FillBackBuffer(before);
        game.StepFrames(2);
        ASSERT_EQ(WrongPixels(game, before, 0, 0), 0);
        RunCommand(game,
                   "ScreenEffectSwitch " + std::to_string(kind) + ", 0, 20, " + std::to_string(kPeriod));
        CScriptMng& e = *g_pScriptMng;
        ASSERT_EQ(e.m_screenFxOn, 1);
        FillBackBuffer(during);
        game.clock().Set(e.m_screenFxStart + kPeriod / 2);
        game.StepFrames(2);
        EXPECT_EQ(e.m_screenFxOn, 1);
        EXPECT_EQ(WrongPixels(game, before, 0, 0), 0) << "nothing is copied while the shake runs";
        game.clock().Set(e.m_screenFxStart + kPeriod + 50);
        game.StepFrames(2);
        EXPECT_EQ(e.m_screenFxOn, 0);
        EXPECT_EQ(WrongPixels(game, during, 0, 0), 0) << "the picture once the period is over";
        e.m_screenFxOn = 0;
    }
    game.Close();
}

} // namespace
