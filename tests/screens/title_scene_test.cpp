#include "screens/title_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/game_main.h"
#include "app/user_sys_data.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace screentest;

namespace {

// Frames of the game loop until the scene leaves the logo or `limit` frames have run; each frame the
// clock moves by `frameMs` beside the frame's own pacing sleep. Returns the number of frames run.
int RunLogo(FakeClock& clock, uint32_t frameMs, int limit = 100000) {
    int frames = 0;
    while (g_pGameMain->scene == kSceneLogo && frames < limit) {
        g_pGameMain->Frame();
        clock.Advance(frameMs);
        ++frames;
    }
    return frames;
}

// Runs the logo scene until its sub-state and step are as given; false when the scene ends first.
bool RunUntil(FakeClock& clock, uint8_t state, uint8_t step) {
    for (int i = 0; i < 100000 && g_pGameMain->scene == kSceneLogo; ++i) {
        g_pGameMain->Frame();
        if (g_pTitleScene && g_pTitleScene->state == state && g_pTitleScene->step == step) {
            return true;
        }
        clock.Advance(40);
    }
    return false;
}

uint32_t ScreenPixel() {
    return PixelOf(g_ScreenSurface, 300, 200) & 0xFFFFFF;
}

} // namespace

TEST(TitleScene, LogoSequenceTakesTwelveSecondsThenTheOpeningMovie) {
    ScreenRuntime rt;
    WriteTitlePictures(rt.folder());
    const uint32_t begin = rt.clock().Now();
    RunLogo(rt.clock(), 8);
    EXPECT_EQ(g_pGameMain->scene, kSceneOpeningMovie);
    EXPECT_EQ(g_pTitleScene, nullptr); // deleted at the end of its last frame
    const uint32_t took = rt.clock().Now() - begin;
    EXPECT_GE(took, 12000u);
    EXPECT_LT(took, 12200u);
    // The pictures of the sequence are freed; slot 0 holds what was on screen.
    for (int slot = 1; slot <= 6; ++slot) {
        EXPECT_EQ(g_Layers[slot], nullptr) << slot;
    }
    EXPECT_NE(g_Layers[0], nullptr);
    EXPECT_EQ(ScreenPixel(), kWhite); // it ends on white
}

TEST(TitleScene, SkipOpeningMovieGoesToTheTitleMenu) {
    ScreenRuntime rt;
    WriteTitlePictures(rt.folder());
    g_UserSysData.skipOpeningMovie = 1;
    RunLogo(rt.clock(), 100);
    EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu);
}

TEST(TitleScene, FadesPassThroughTheLevelsOfTheClock) {
    ScreenRuntime rt;
    WriteTitlePictures(rt.folder());
    g_pGameMain->Frame(); // sub-state 0: pictures loaded, first fade starts now
    ASSERT_NE(g_pTitleScene, nullptr);
    ASSERT_EQ(g_pTitleScene->state, 1);
    const uint32_t start = g_pTitleScene->timer.start;
    EXPECT_EQ(g_pTitleScene->stamp, start);

    // The frame's own 8 ms pacing sleep moves the clock after the step: set the time just before.
    struct Probe {
        uint32_t at;         // ms since the fade began
        uint32_t under;      // the picture faded from
        uint32_t over;       // the picture faded to
        uint32_t level;      // expected level
        uint8_t state, step; // where the screen must be at that time
    };
    const Probe probes[] = {
        {1000, 0, kLogoColour, 127, 1, 0},
        {1500, 0, kLogoColour, 191, 1, 0},
        {2000 + 1000, kLogoColour, kLogoColour, 0, 1, 1}, // hold
        {4000 + 500, kLogoColour, kWhite, 63, 1, 2},
        {4000 + 1000, kLogoColour, kWhite, 127, 1, 2},
        {6000 + 1000, kWhite, kLogo2Colour, 127, 2, 0},
        {8000 + 1000, kLogo2Colour, kLogo2Colour, 0, 2, 1},
        {10000 + 1000, kLogo2Colour, kWhite, 127, 2, 2},
    };
    // Phase changes take a new start time on the frame that ends the phase; step through frames so
    // that each phase ends exactly on its 2000 ms mark.
    uint32_t phaseStart = start;
    for (const Probe& p : probes) {
        // Walk the phases up to the probe's phase.
        while (g_pTitleScene->state != p.state || g_pTitleScene->step != p.step) {
            rt.clock().Set(phaseStart + 2000);
            g_pGameMain->Frame();
            ASSERT_NE(g_pTitleScene, nullptr);
            phaseStart = g_pTitleScene->timer.start;
        }
        const uint32_t offset = p.at % 2000;
        rt.clock().Set(phaseStart + offset);
        g_pGameMain->Frame();
        ASSERT_NE(g_pTitleScene, nullptr);
        EXPECT_EQ(g_pTitleScene->state, p.state) << p.at;
        EXPECT_EQ(g_pTitleScene->step, p.step) << p.at;
        EXPECT_EQ(g_pTitleScene->timer.elapsed, offset) << p.at;
        EXPECT_LE(ChannelDistance(ScreenPixel(), Blend(p.under, p.over, p.level)), 2)
            << "at " << p.at << " ms: " << std::hex << ScreenPixel();
    }
}

TEST(TitleScene, CtrlRunsTheWholeSequenceInAFewFrames) {
    ScreenRuntime rt;
    WriteTitlePictures(rt.folder());
    rt.SetCtrl(true);
    const int frames = RunLogo(rt.clock(), 0);
    EXPECT_EQ(g_pGameMain->scene, kSceneOpeningMovie);
    EXPECT_LE(frames, 10);
}

TEST(TitleScene, FadeCutOptionRunsTheWholeSequenceInAFewFrames) {
    ScreenRuntime rt;
    WriteTitlePictures(rt.folder());
    g_pScriptMng->m_skipEffects = 1;
    const int frames = RunLogo(rt.clock(), 0);
    EXPECT_EQ(g_pGameMain->scene, kSceneOpeningMovie);
    EXPECT_LE(frames, 10);
}

TEST(TitleScene, VoiceOfSlotZeroStopsWhenTheFirstLogoHoldEnds) {
    ScreenRuntime rt;
    WriteTitlePictures(rt.folder());
    g_VoicePlayers[0] = new CVoiceplay();
    ASSERT_TRUE(RunUntil(rt.clock(), 1, 1));
    EXPECT_NE(g_VoicePlayers[0], nullptr); // still there while the logo holds
    ASSERT_TRUE(RunUntil(rt.clock(), 1, 2));
    EXPECT_EQ(g_VoicePlayers[0], nullptr);
}

TEST(TitleScene, MissingLogoPicturesDoNotStopTheSequence) {
    ScreenRuntime rt; // no pictures in the game folder
    RunLogo(rt.clock(), 100);
    EXPECT_EQ(g_pGameMain->scene, kSceneOpeningMovie);
    EXPECT_EQ(ScreenPixel(), kWhite);
}

TEST(TitleScene, EnteringAgainStartsAfresh) {
    ScreenRuntime rt;
    WriteTitlePictures(rt.folder());
    ASSERT_TRUE(RunUntil(rt.clock(), 2, 0));
    g_pGameMain->scene = 7; // a scene without a step
    g_pGameMain->Frame();
    EXPECT_EQ(g_pTitleScene, nullptr);
    g_pGameMain->scene = kSceneLogo;
    g_pGameMain->Frame();
    ASSERT_NE(g_pTitleScene, nullptr);
    EXPECT_EQ(g_pTitleScene->state, 1); // its start ran again
    EXPECT_EQ(g_pTitleScene->step, 0);
    EXPECT_EQ(g_pTitleScene->timer.elapsed, 0u);
}

TEST(TitleScene, ConstructorResetsTheScreenRectangle) {
    ScreenRuntime rt;
    g_pGameMain->fullRect = RECT{0, 0, 0, 0};
    CTitleScene scene;
    EXPECT_EQ(g_pGameMain->fullRect, (RECT{0, 0, 1024, 576}));
    EXPECT_EQ(scene.state, 0);
}

TEST(ProgressLevel, FollowsTheEndingFlags) {
    ScreenRuntime rt;
    struct Case {
        std::vector<int> flags;
        uint8_t before, after;
    };
    const Case cases[] = {
        {{}, 0, 0},  {{3}, 0, 1},  {{15}, 0, 2}, {{14}, 0, 2}, {{3, 14}, 0, 2},
        {{0}, 0, 1}, {{27}, 0, 1}, {{}, 1, 1},   {{}, 2, 2},   {{13, 16}, 0, 1},
    };
    for (const Case& c : cases) {
        std::fill(std::begin(g_SystemData.endingFlags), std::end(g_SystemData.endingFlags), 0);
        for (int f : c.flags) {
            g_SystemData.endingFlags[f] = 1;
        }
        g_pGameMain->progressLevel = c.before;
        UpdateProgressLevel();
        EXPECT_EQ(g_pGameMain->progressLevel, c.after)
            << "flags " << c.flags.size() << " before " << +c.before;
    }
}
