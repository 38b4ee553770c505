// The opening movie in the running game: it lasts its length, its pictures reach the window, and a
// right click skips it without leaving a click for the title menu. Its sound goes to a device that
// the test mixes a frame's worth at a time, so the movie's time is the sound mixed, not the
// machine's.
#include <gtest/gtest.h>

#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "platform/clock.h"
#include "platform/movie_player.h"
#include "screens/scene_objects.h"
#include "sound/dsound.h"
#include "support/headless_game.h"
#include "support/manual_sound.h"
#include "support/reference_movie.h"
#include "writers/mpeg_writer.h"

namespace {

using testing_support::HeadlessGame;

constexpr uint32_t kFrameSamples = 735; // a sixtieth of a second at 44,100 Hz

// The game's sound device is one that only Frame mixes: made before the game starts (which keeps
// the device it finds) and released after the game has ended.
class MoviePlayback : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(kestrel::test::OpenManualSound()); }
    void TearDown() override { kestrel::test::CloseManualSound(); }
};

// Starts the game with a two-second movie with sound as "op.mpg", in scene 24.
void StartWithMovie(HeadlessGame& game) {
    kestrel::test::MovieSpec spec;
    spec.paint = [](int i, std::vector<uint32_t>& px) { kestrel::test::PaintMovingPattern(i, 320, 240, px); };
    game.WriteFile("op.mpg", kestrel::test::EncodeMpegMovie(spec));
    ASSERT_EQ(game.Start(), StartupResult::Running);
    g_pGameMain->scene = kSceneOpeningMovie;
}

// A sixtieth of a second of sound mixed and of clock time passed, then one frame of the game.
// Returns the seconds of sound mixed so far, counted in `samples`.
double Frame(HeadlessGame& game, uint32_t& samples) {
    std::vector<int16_t> out(kFrameSamples * 2);
    g_DSound.device->mixer().Mix(out.data(), kFrameSamples);
    samples += kFrameSamples;
    game.clock().Advance(17);
    game.StepFrames(1);
    return samples / 44100.0;
}

TEST_F(MoviePlayback, LastsItsLengthShowsItsPicturesThenTheTitleMenu) {
    HeadlessGame game;
    ASSERT_NO_FATAL_FAILURE(StartWithMovie(game));
    const auto reference = testing_support::DecodeReferenceMovie(game.folder() + "/op.mpg", 1024, 576);
    ASSERT_EQ(reference.size(), 60u);
    uint32_t samples = 0;
    double took = 0.0;
    int presentsBefore = game.Picture().presents;
    int worstMatch = -1; // the presented picture mid-movie against its nearest reference picture
    while (g_pGameMain->scene == kSceneOpeningMovie && took < 10.0) {
        took = Frame(game, samples);
        if (worstMatch < 0 && took > 1.0) {
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
    // Two seconds of pictures and sound: over once the last picture's time has come and the sound
    // has been heard, and not a noticeable time after.
    EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu);
    EXPECT_GE(took, 59 / 30.0);
    EXPECT_LE(took, 2.5);
    EXPECT_GE(game.Picture().presents - presentsBefore, 30);
    EXPECT_LE(worstMatch, 1) << "the window showed no picture of the movie";
}

TEST_F(MoviePlayback, RightClickAtHalfASecondEndsItOnTheNextFrame) {
    HeadlessGame game;
    ASSERT_NO_FATAL_FAILURE(StartWithMovie(game));
    uint32_t samples = 0;
    while (Frame(game, samples) < 5.0) {
        ASSERT_NE(g_pOpeningMovieScene, nullptr);
        if (g_pOpeningMovieScene->player && g_pOpeningMovieScene->player->PositionMs() >= 500)
            break;
    }
    EXPECT_LT(samples / 44100.0, 0.6) << "the movie's time is not the sound played";
    game.Click(500, 300, plat::MouseButton::Right);
    Frame(game, samples);
    EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu);
    for (int i = 0; i < 3; ++i)
        Frame(game, samples);
    EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu);
    EXPECT_EQ(g_pMouse->GetState()->right, 0);
    EXPECT_EQ(g_pMouse->GetState()->left, 0);
}

TEST_F(MoviePlayback, TheFramePassRepaintsNothingWhileAMovieHoldsThePicture) {
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
