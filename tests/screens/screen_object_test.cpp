#include "screens/screen_object.h"

#include <gtest/gtest.h>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/screen_test_env.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace screens;
using screentest::PixelOf;
using screentest::ScreenRuntime;

TEST(ScreenFade, LevelFollowsTheClockWithTruncation) {
    struct Case {
        uint32_t elapsed, duration;
        uint16_t level;
    };
    const Case cases[] = {
        {0, 500, 0},
        {250, 500, 127},
        {499, 500, 254},
        {500, 500, 255},
        {501, 500, 255},
        {1000, 2000, 127},
        {1999, 2000, 254},
        {7, 3000, 0},
        {12, 3000, 1},
        {0, 0, 255},
        {0xFFFFFFFFu, 2000, 255}, // hours in one sub-state: no wrap
                                  // of the product
        {20000000, 2000, 255},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FadeLevel(c.elapsed, c.duration), c.level) << c.elapsed << " / " << c.duration;
    }
}

TEST(ScreenFade, TimerRunsUntilTheDurationAndAcrossClockWrap) {
    ScopedFakeClock fake(0xFFFFFF00u); // 256 ms before the millisecond clock wraps
    FadeTimer timer;
    timer.Restart();
    uint16_t level = 99;
    EXPECT_TRUE(timer.Running(500, &level));
    EXPECT_EQ(level, 0);
    fake.clock().Advance(250);
    EXPECT_TRUE(timer.Running(500, &level));
    EXPECT_EQ(level, 127);
    EXPECT_EQ(timer.elapsed, 250u);
    fake.clock().Advance(249);
    EXPECT_TRUE(timer.Running(500, &level));
    EXPECT_EQ(level, 254);
    fake.clock().Advance(1);
    EXPECT_FALSE(timer.Running(500, &level));
    EXPECT_EQ(level, 255);
}

TEST(ScreenFade, CtrlOrFadeCutEndsTheFadeOnItsFirstFrame) {
    ScreenRuntime rt;
    FadeTimer timer;
    timer.Restart();
    EXPECT_TRUE(timer.Running(2000, nullptr));
    rt.SetCtrl(true);
    EXPECT_TRUE(FadeCut());
    EXPECT_FALSE(timer.Running(2000, nullptr));
    rt.SetCtrl(false);
    g_pScriptMng->m_skipEffects = 1;
    EXPECT_FALSE(timer.Running(2000, nullptr));
    g_pScriptMng->m_skipEffects = 0;
    EXPECT_FALSE(FadeCut());
    EXPECT_TRUE(timer.Running(2000, nullptr));
}

TEST(ScreenPulse, RisesAndFallsOnceOverThePeriod) {
    EXPECT_EQ(PulseLevel(0, 1000), 0);
    EXPECT_EQ(PulseLevel(500, 1000), 255); // 90 degrees
    EXPECT_NEAR(PulseLevel(250, 1000), 180, 1);
    EXPECT_EQ(PulseLevel(1000, 1000), 0); // 180 degrees
    EXPECT_EQ(PulseLevel(5000, 1000), 0); // capped: stays out
    EXPECT_EQ(PulseLevel(100, 0), 0);
}

TEST(ScreenPulse, RestartsOnlyWhenANewButtonIsHovered) {
    ScopedFakeClock fake(5000);
    HoverTimer hover;
    hover.Update(0, 2);
    EXPECT_EQ(hover.start, 5000u);
    fake.clock().Advance(250);
    hover.Update(2, 2); // the same button: the pulse goes on
    EXPECT_EQ(hover.start, 5000u);
    EXPECT_EQ(hover.Level(500), 255);
    hover.Update(2, 0); // left: nothing restarts
    EXPECT_EQ(hover.start, 5000u);
    fake.clock().Advance(100);
    hover.Update(0, 3);
    EXPECT_EQ(hover.start, 5350u);
    EXPECT_EQ(hover.Level(500), 0);
}

TEST(ScreenHitTest, RightAndBottomEdgesAreOutside) {
    const RECT r{10, 20, 30, 40};
    EXPECT_TRUE(PointInRect(r, {10, 20}));
    EXPECT_TRUE(PointInRect(r, {29, 39}));
    EXPECT_FALSE(PointInRect(r, {30, 39}));
    EXPECT_FALSE(PointInRect(r, {29, 40}));
    EXPECT_FALSE(PointInRect(r, {9, 25}));
    EXPECT_FALSE(PointInRect(r, {15, 19}));
    EXPECT_FALSE(PointInRect(RECT{5, 5, 5, 9}, {5, 6})); // empty
}

TEST(ScreenHitTest, FirstContainingRectangleWinsOneBased) {
    const RECT rects[3] = {{0, 0, 100, 100}, {50, 50, 150, 150}, {200, 0, 300, 10}};
    EXPECT_EQ(HitTest(rects, 3, {10, 10}), 1);
    EXPECT_EQ(HitTest(rects, 3, {75, 75}), 1); // overlap: the first one
    EXPECT_EQ(HitTest(rects, 3, {120, 120}), 2);
    EXPECT_EQ(HitTest(rects, 3, {250, 5}), 3);
    EXPECT_EQ(HitTest(rects, 3, {250, 50}), 0);
    EXPECT_EQ(HitTest(rects, 2, {250, 5}), 0); // only the rectangles counted
    EXPECT_EQ(HitTest(nullptr, 3, {10, 10}), 0);
    EXPECT_EQ(HitTest(rects, 0, {10, 10}), 0);
}

TEST(ScreenSelection, StepsWrapAndStartFromTheEnds) {
    EXPECT_EQ(StepSelection(0, 5, -1), 1);
    EXPECT_EQ(StepSelection(0, 5, +1), 5);
    EXPECT_EQ(StepSelection(1, 5, -1), 5);
    EXPECT_EQ(StepSelection(5, 5, +1), 1);
    EXPECT_EQ(StepSelection(3, 5, -1), 2);
    EXPECT_EQ(StepSelection(3, 5, +1), 4);
    EXPECT_EQ(StepSelection(3, 5, 0), 3);
    EXPECT_EQ(StepSelection(9, 5, +1), 5); // out of range counts as none
    EXPECT_EQ(StepSelection(0, 0, +1), 0); // nothing to select
}

TEST(ScreenSelection, TakesOneStepAndClearsTheByteUsed) {
    ScreenRuntime rt;
    rt.PressUp();
    rt.PressDown();
    SelectionStep step = TakeSelectionStep();
    EXPECT_EQ(step.delta, -1);
    EXPECT_FALSE(step.wheel);
    EXPECT_EQ(g_pKeyboard->up, 0);
    EXPECT_EQ(g_pKeyboard->down, 1); // left for the next frame
    step = TakeSelectionStep();
    EXPECT_EQ(step.delta, +1);
    EXPECT_EQ(g_pKeyboard->down, 0);

    rt.WheelUp();
    step = TakeSelectionStep();
    EXPECT_EQ(step.delta, -1);
    EXPECT_TRUE(step.wheel);
    EXPECT_EQ(g_pMouse->wheel, 0);
    rt.WheelDown();
    step = TakeSelectionStep();
    EXPECT_EQ(step.delta, +1);
    EXPECT_TRUE(step.wheel);
    EXPECT_EQ(g_pMouse->wheel, 0);
    step = TakeSelectionStep();
    EXPECT_EQ(step.delta, 0);
}

TEST(ScreenSelection, CursorGoesToTheButtonCentreBelowItsTop) {
    ScreenRuntime rt;
    MoveCursorToButton(rt.hwnd(), RECT{259, 491, 334, 515});
    EXPECT_EQ(rt.backend().warpX, 259 + 37);
    EXPECT_EQ(rt.backend().warpY, 491 + 15);
    // The next frame's hit test agrees once the platform reports the move.
    rt.FollowWarp();
    const RECT rects[1] = {{259, 491, 334, 515}};
    EXPECT_EQ(HitTestMouse(rects, 1), 1);
}

TEST(ScreenSlots, MakeFillCopyAndFree) {
    ScreenRuntime rt;
    CDIB32* white = MakeFilledSlot(2, rt.hwnd(), 0xFFFFFF);
    ASSERT_NE(white, nullptr);
    EXPECT_EQ(g_Layers[2], white);
    EXPECT_EQ(white->GetWidth(), 1024);
    EXPECT_EQ(white->GetHeight(), 576);
    EXPECT_EQ(PixelOf(white, 0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(PixelOf(white, 1023, 575) & 0xFFFFFF, 0xFFFFFFu);

    CDIB32* blank = MakeBlankSlot(5, rt.hwnd());
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(PixelOf(blank, 512, 300), 0u);

    CDIB32* copy = CopyToSlot(6, rt.hwnd(), white);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, white);
    EXPECT_EQ(PixelOf(copy, 100, 100) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(CopyToSlot(6, rt.hwnd(), copy), copy); // a slot copied onto itself stays

    // A picture that cannot be read leaves an empty surface in its slot, not a stale one.
    CDIB32* missing = LoadSlot(6, rt.hwnd(), "system\\no_such_picture.bmp");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->GetWidth(), 0);

    FreeSlots(2, 6);
    for (int i = 2; i <= 6; ++i) {
        EXPECT_EQ(g_Layers[i], nullptr) << i;
    }
    EXPECT_EQ(Slot(-1), nullptr);
    EXPECT_EQ(Slot(kLayerCount), nullptr);
    EXPECT_EQ(MakeBlankSlot(kLayerCount, rt.hwnd()), nullptr);
    FreeSlots(-5, 200); // clamped to the table
    EXPECT_EQ(g_Layers[0], nullptr);
}

TEST(ScreenDraw, CrossDissolveShowsSourceAtZeroAndTargetAtTheEnd) {
    ScreenRuntime rt;
    CDIB32* source = MakeFilledSlot(1, rt.hwnd(), 0x000000);
    CDIB32* target = MakeFilledSlot(2, rt.hwnd(), 0xC03010);
    DrawCrossDissolve(target, source, 0);
    EXPECT_EQ(PixelOf(g_ScreenSurface, 10, 10) & 0xFFFFFF, 0u);
    DrawCrossDissolve(target, source, 127);
    EXPECT_LE(
        screentest::ChannelDistance(PixelOf(g_ScreenSurface, 10, 10), screentest::Blend(0, 0xC03010, 127)),
        2);
    DrawCrossDissolve(target, source, 256);
    EXPECT_EQ(PixelOf(g_ScreenSurface, 10, 10) & 0xFFFFFF, 0xC03010u);
    DrawCrossDissolve(source, target, -1); // below 0: nothing drawn
    EXPECT_EQ(PixelOf(g_ScreenSurface, 10, 10) & 0xFFFFFF, 0xC03010u);
    DrawCrossDissolve(nullptr, nullptr, 100); // missing pictures draw nothing and do not crash
    DrawWhole(nullptr);
}

TEST(ScreenClick, ReplacesTheClickPlayerAtTheSoundEffectVolume) {
    ScreenRuntime rt;
    g_SystemData.seVolume = 35;
    PlayClickSound("se\\sys_010.ogg");
    ASSERT_NE(g_SePlayers[0], nullptr);
    EXPECT_EQ(g_SeVolume.load(), 35u);
    g_SystemData.seVolume = 80;
    PlayClickSound("sys_010.ogg");
    ASSERT_NE(g_SePlayers[0], nullptr);
    EXPECT_EQ(g_SeVolume.load(), 80u);
    for (int i = 1; i < kSePlayerSlots; ++i) {
        EXPECT_EQ(g_SePlayers[i], nullptr) << i; // only the click channel is touched
    }
    DeleteSePlayer(0);
    EXPECT_EQ(g_SePlayers[0], nullptr);
    DeleteSePlayer(0);  // empty slot
    DeleteSePlayer(-1); // outside the table
    DeleteSePlayer(kSePlayerSlots);
    DeleteVoicePlayer(kVoicePlayerSlots);
    DeleteBgmPlayer();
}

TEST(ScreenClick, PlaysOnceOnTheClickChannel) {
    ScreenRuntime rt;
    ASSERT_TRUE(rt.EnableSound());
    PlayClickSound("se\\sys_010.ogg");
    ASSERT_NE(g_SePlayers[0], nullptr);
    EXPECT_FALSE(g_SePlayers[0]->IsStopped());
    PlayClickSound("sys_010.ogg"); // the same file by its bare name, replacing the first click
    ASSERT_NE(g_SePlayers[0], nullptr);
    EXPECT_FALSE(g_SePlayers[0]->IsStopped());
    PlayClickSound("se\\missing.ogg"); // a silent player; the screen goes on
    ASSERT_NE(g_SePlayers[0], nullptr);
    EXPECT_TRUE(g_SePlayers[0]->IsStopped());
}
