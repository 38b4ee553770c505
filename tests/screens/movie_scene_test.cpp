// The movie scenes on a runtime whose sound only the test mixes: the pictures in the back buffer at
// chosen positions against an independent decode, the skip inputs, and files that cannot be played.
#include "screens/movie_scene.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/movie_player.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "sound/dsound.h"
#include "support/reference_movie.h"
#include "writers/mpeg_writer.h"

using namespace screentest;

namespace {

// A two-second movie of 320 × 240 pictures with a tone.
std::vector<uint8_t> TwoSecondMovie() {
    kestrel::test::MovieSpec spec;
    spec.paint = [](int i, std::vector<uint32_t>& px) { kestrel::test::PaintMovingPattern(i, 320, 240, px); };
    return kestrel::test::EncodeMpegMovie(spec);
}

// Mixes `ms` of sound, running a frame of the game after every 10 ms, as the device and the game
// loop would take turns.
void PlayFor(uint32_t ms) {
    std::vector<int16_t> out(441 * 2);
    for (uint32_t t = 0; t < ms && g_pGameMain->scene != kSceneTitleMenu; t += 10) {
        g_DSound.device->mixer().Mix(out.data(), 441);
        g_pGameMain->Frame();
    }
}

std::vector<uint32_t> BackBuffer() {
    std::vector<uint32_t> px(1024 * 576);
    for (int y = 0; y < 576; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(g_ScreenSurface->GetPixelAddress(0, y));
        std::copy(row, row + 1024, px.begin() + static_cast<ptrdiff_t>(y) * 1024);
    }
    return px;
}

bool AllBlack(const std::vector<uint32_t>& px) {
    return std::all_of(px.begin(), px.end(), [](uint32_t p) { return (p & 0xFFFFFF) == 0; });
}

TEST(MovieScene, BackBufferShowsThePictureDueAtEachPosition) {
    for (SceneId scene : {kSceneOpeningMovie, kSceneStaffRollMovie}) {
        ScreenRuntime rt;
        ASSERT_TRUE(rt.EnableSound());
        const char* name = scene == kSceneOpeningMovie ? "op.mpg" : "staffroll.mpg";
        rt.folder().WriteFile(name, TwoSecondMovie());
        const auto reference =
            testing_support::DecodeReferenceMovie(rt.folder().path() + "/" + name, 1024, 576);
        ASSERT_EQ(reference.size(), 60u);
        g_pGameMain->scene = scene;
        g_pGameMain->Frame();
        CMovieScene* movie = scene == kSceneOpeningMovie ? g_pOpeningMovieScene : g_pStaffRollMovieScene;
        ASSERT_NE(movie, nullptr);
        ASSERT_NE(movie->player, nullptr);
        EXPECT_EQ(movie->state, 2);
        EXPECT_EQ(g_pGameMain->fullRect, (RECT{0, 0, 0, 0})); // the movie owns the picture
        uint32_t played = 0;
        for (uint32_t at : {300u, 1000u, 1700u}) {
            PlayFor(at - played);
            played = at;
            ASSERT_EQ(g_pGameMain->scene, scene);
            const auto* due = testing_support::PictureDueAt(reference, movie->player->PositionMs());
            ASSERT_NE(due, nullptr);
            const auto shown = BackBuffer();
            int worst = 0;
            for (size_t i = 0; i < shown.size(); ++i)
                worst = std::max(worst, ChannelDistance(shown[i], due->pixels[i]));
            EXPECT_LE(worst, 1) << name << " at " << at << " ms";
        }
        // To its end and the title menu, with a black picture and the screen rectangle back.
        PlayFor(1000);
        EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu) << name;
        EXPECT_TRUE(AllBlack(BackBuffer())) << name;
        EXPECT_EQ(g_pGameMain->fullRect, (RECT{0, 0, 1024, 576}));
    }
}

TEST(MovieScene, RightClickOrCtrlSkipsALeftClickDoesNot) {
    struct Case {
        const char* what;
        void (*press)();
        bool skips;
    };
    const Case cases[] = {
        {"right click", [] { g_pMouse->GetState()->right = 1; }, true},
        {"Ctrl", [] { g_pKeyboard->ctrl = 1; }, true},
        {"left click", [] { g_pMouse->GetState()->left = 1; }, false},
    };
    for (const Case& c : cases) {
        ScreenRuntime rt;
        ASSERT_TRUE(rt.EnableSound());
        rt.folder().WriteFile("op.mpg", TwoSecondMovie());
        g_pGameMain->scene = kSceneOpeningMovie;
        PlayFor(500);
        ASSERT_EQ(g_pGameMain->scene, kSceneOpeningMovie);
        c.press();
        g_pGameMain->Frame();
        EXPECT_EQ(g_pGameMain->scene, c.skips ? kSceneTitleMenu : kSceneOpeningMovie) << c.what;
        if (c.skips) {
            EXPECT_EQ(g_pOpeningMovieScene, nullptr) << c.what;
            // Nothing of the skip reaches the title menu.
            EXPECT_EQ(g_pMouse->GetState()->right, 0) << c.what;
            EXPECT_EQ(g_pMouse->GetState()->left, 0) << c.what;
            EXPECT_EQ(g_pKeyboard->ctrl, 0) << c.what;
        }
    }
}

TEST(MovieScene, AMovieThatCannotPlaySaysSoAndGoesToTheTitleMenu) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes; // empty: no file
    };
    const Case cases[] = {
        {"missing", {}},
        {"not a movie", std::vector<uint8_t>(3000, 0x47)},
    };
    for (const Case& c : cases) {
        ScreenRuntime rt;
        if (!c.bytes.empty())
            rt.folder().WriteFile("staffroll.mpg", c.bytes);
        g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x00336699);
        g_pGameMain->scene = kSceneStaffRollMovie;
        g_pGameMain->Frame();
        ASSERT_EQ(rt.backend().boxes.size(), 1u) << c.what;
        EXPECT_EQ(rt.backend().boxes[0].text, "MOVIE");
        EXPECT_EQ(rt.backend().boxes[0].caption, "Error");
        EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu) << c.what;
        EXPECT_TRUE(AllBlack(BackBuffer())) << c.what;
        EXPECT_EQ(g_pStaffRollMovieScene, nullptr);
    }
}

} // namespace
