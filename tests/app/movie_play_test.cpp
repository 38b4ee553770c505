// The opening movie in the running game on the real clock: it lasts about its length, its pictures
// reach the window, and a right click skips it without leaving a click for the title menu.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "platform/clock.h"
#include "platform/movie_player.h"
#include "screens/scene_objects.h"
#include "support/headless_game.h"
#include "support/reference_movie.h"
#include "writers/mpeg_writer.h"

namespace {

using testing_support::HeadlessGame;
using Clock = std::chrono::steady_clock;

// Starts the game with a two-second movie with sound as "op.mpg", on the real clock, in scene 24.
void StartWithMovie(HeadlessGame& game) {
    kestrel::test::MovieSpec spec;
    spec.paint = [](int i, std::vector<uint32_t>& px) { kestrel::test::PaintMovingPattern(i, 320, 240, px); };
    game.WriteFile("op.mpg", kestrel::test::EncodeMpegMovie(spec));
    ASSERT_EQ(game.Start(), StartupResult::Running);
    SetClockSource(nullptr); // the movie's time is the real time
    g_pGameMain->scene = kSceneOpeningMovie;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

TEST(MoviePlayback, LastsAboutItsLengthShowsItsPicturesThenTheTitleMenu) {
    HeadlessGame game;
    StartWithMovie(game);
    const auto reference = testing_support::DecodeReferenceMovie(game.folder() + "/op.mpg", 1024, 576);
    ASSERT_EQ(reference.size(), 60u);
    const auto start = Clock::now();
    int presentsBefore = game.Picture().presents;
    int worstMatch = -1; // the presented picture mid-movie against its nearest reference picture
    while (g_pGameMain->scene == kSceneOpeningMovie && Seconds(start) < 10.0) {
        game.StepFrames(1);
        if (worstMatch < 0 && Seconds(start) > 1.0) {
            game.DrainMessages();
            const auto& shown = game.Picture().pixels;
            int best = 256;
            for (const auto& r : reference) {
                int worst = 0;
                for (size_t i = 0; i < shown.size() && worst <= best; ++i)
                    for (int s = 0; s < 24; s += 8)
                        worst = std::max(
                            worst, std::abs(int((shown[i] >> s) & 0xFF) - int((r.pixels[i] >> s) & 0xFF)));
                best = std::min(best, worst);
            }
            worstMatch = best;
        }
    }
    const double took = Seconds(start);
    EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu);
    EXPECT_GT(took, 1.7);
    EXPECT_LT(took, 4.5);
    EXPECT_GE(game.Picture().presents - presentsBefore, 30);
    EXPECT_LE(worstMatch, 1) << "the window showed no picture of the movie";
}

TEST(MoviePlayback, RightClickAtHalfASecondEndsItOnTheNextFrame) {
    HeadlessGame game;
    StartWithMovie(game);
    const auto start = Clock::now();
    while (Seconds(start) < 5.0) {
        game.StepFrames(1);
        ASSERT_NE(g_pOpeningMovieScene, nullptr);
        if (g_pOpeningMovieScene->player && g_pOpeningMovieScene->player->PositionMs() >= 500)
            break;
    }
    game.Click(500, 300, plat::MouseButton::Right);
    game.StepFrames(1);
    EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu);
    EXPECT_LT(Seconds(start), 1.5);
    game.StepFrames(3);
    EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu);
    EXPECT_EQ(g_pMouse->GetState()->right, 0);
    EXPECT_EQ(g_pMouse->GetState()->left, 0);
}

TEST(MoviePlayback, TheFramePassRepaintsNothingWhileAMovieHoldsThePicture) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    game.DrainMessages();
    for (SceneId scene : {kSceneOpeningMovie, kSceneStaffRollMovie}) {
        g_pGameMain->scene = scene;
        g_pGameMain->fullRect = RECT{0, 0, 0, 0};
        const int before = game.Picture().presents;
        for (int i = 0; i < 3; ++i)
            g_pGameMain->PostFrame();
        game.DrainMessages();
        EXPECT_EQ(game.Picture().presents, before) << int(scene);
    }
    // With the screen rectangle back, the staff-roll movie's scene repaints (the opening's never does).
    g_pGameMain->fullRect = RECT{0, 0, 1024, 576};
    const int before = game.Picture().presents;
    g_pGameMain->PostFrame();
    game.DrainMessages();
    EXPECT_EQ(game.Picture().presents, before + 1);
}

} // namespace
