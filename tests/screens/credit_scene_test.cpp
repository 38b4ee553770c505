// The staff rolls on a fake clock: the whole roll's length and its music, the skip that only a seen
// ending allows, and the pictures of the scroll at chosen times (entering, running, running out and
// the frozen last rows).
#include "screens/credit_scene.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"
#include "writers/ogg_writer.h"

using namespace screentest;

namespace {

constexpr uint32_t kBackground = 0x00204060;

// The strip's row r, opaque: red 0x80, green and blue the row number.
uint32_t StripPixel(int32_t row) {
    return 0xFF800000u | static_cast<uint32_t>(row & 0xFFFF);
}

void WriteRollPictures(const TempGameFolder& folder, const char* background, const char* strip) {
    folder.WriteFlatBitmap(background, 1024, 576, kBackground);
    std::vector<uint32_t> px(static_cast<size_t>(CCreditRoll::kStripWidth) * CCreditRoll::kStripHeight);
    for (int32_t r = 0; r < CCreditRoll::kStripHeight; ++r)
        std::fill_n(px.begin() + static_cast<ptrdiff_t>(r) * CCreditRoll::kStripWidth,
                    CCreditRoll::kStripWidth, StripPixel(r));
    folder.WriteBitmap32(strip, CCreditRoll::kStripWidth, CCreditRoll::kStripHeight, px);
}

struct Roll {
    SceneId scene;
    const CreditRollSpec& spec;
    int seenEnding; // an ending flag that lets it be skipped
};
const Roll kRolls[] = {
    {kSceneCreditT, CCreditTScene::kSpec, 13},
    {kSceneCreditN, CCreditNScene::kSpec, 25},
    {kSceneCreditB, CCreditBScene::kSpec, 10},
};

std::string GamePath(const char* name) {
    std::string s = name;
    for (char& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

CCreditRoll* CurrentRoll() {
    switch (g_pGameMain->scene) {
        case kSceneCreditT:
            return g_pCreditTScene;
        case kSceneCreditN:
            return g_pCreditNScene;
        case kSceneCreditB:
            return g_pCreditBScene;
        default:
            return nullptr;
    }
}

// Frames until the roll is in `state` (false when it left first); the clock moves `stepMs` a frame
// besides the frame's own sleep.
bool RunUntilState(FakeClock& clock, uint8_t state, uint32_t stepMs) {
    if (!CurrentRoll())
        g_pGameMain->Frame(); // the roll's object is made by its first frame
    for (int i = 0; i < 200000; ++i) {
        CCreditRoll* roll = CurrentRoll();
        if (!roll)
            return false;
        if (roll->state == state)
            return true;
        g_pGameMain->Frame();
        clock.Advance(stepMs);
    }
    return false;
}

TEST(CreditRoll, RunsItsWholeLengthWithItsMusicOnceThenTheScriptOnWhite) {
    for (const Roll& r : kRolls) {
        ScreenRuntime rt;
        ASSERT_TRUE(rt.EnableSound());
        WriteRollPictures(rt.folder(), GamePath(r.spec.background).c_str(), GamePath(r.spec.strip).c_str());
        rt.folder().WriteFile(std::string("bgm/") + r.spec.music, kestrel::test::MakeToneOgg(330.0, 0.5));
        g_SystemData.bgmVolume = 70;
        g_pGameMain->scene = r.scene;
        const uint32_t start = rt.clock().Now();
        ASSERT_TRUE(RunUntilState(rt.clock(), 2, 50)) << r.spec.music;
        // The music started at the end of the fade-in, once, at the music volume.
        ASSERT_NE(g_BgmPlayer, nullptr);
        ASSERT_NE(g_pScriptMng->m_pBgmName, nullptr);
        EXPECT_STREQ(g_pScriptMng->m_pBgmName, r.spec.music);
        // Each phase ends on the first frame after its time and the next begins on a frame of its own; a
        // frame here is 58 ms (50 + its sleep), 208 ms during the scroll.
        EXPECT_GE(rt.clock().Now() - start, 3000u);
        EXPECT_LE(rt.clock().Now() - start, 3000u + 3 * 58);
        ASSERT_TRUE(RunUntilState(rt.clock(), 3, 200));
        EXPECT_GE(rt.clock().Now() - start, 3000u + r.spec.scrollMs);
        EXPECT_LE(rt.clock().Now() - start, 3000u + r.spec.scrollMs + 3 * 58 + 2 * 208);
        while (g_pGameMain->scene == r.scene) {
            g_pGameMain->Frame();
            rt.clock().Advance(50);
        }
        EXPECT_EQ(g_pGameMain->scene, kSceneScript);
        EXPECT_GE(rt.clock().Now() - start, 3000u + r.spec.scrollMs + 3500 + 1500);
        EXPECT_LE(rt.clock().Now() - start, 3000u + r.spec.scrollMs + 3500 + 1500 + 7 * 58 + 2 * 208);
        EXPECT_EQ(g_BgmPlayer, nullptr);
        EXPECT_EQ(g_pScriptMng->m_pBgmName, nullptr);
        EXPECT_EQ(PixelOf(g_ScreenSurface, 10, 10) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(PixelOf(g_Layers[0], 1000, 500) & 0xFFFFFF, 0xFFFFFFu);
    }
}

TEST(CreditRoll, SkipsOnlyOnceOneOfItsEndingsWasSeen) {
    struct Input {
        const char* what;
        void (*press)();
    };
    const Input inputs[] = {
        {"right click", [] { g_pMouse->GetState()->right = 1; }},
        {"Ctrl", [] { g_pKeyboard->ctrl = 1; }},
        {"left click", [] { g_pMouse->GetState()->left = 1; }},
    };
    for (const Roll& r : kRolls) {
        for (const Input& in : inputs) {
            for (bool seen : {false, true}) {
                ScreenRuntime rt;
                if (seen)
                    g_SystemData.endingFlags[r.seenEnding] = 1;
                // An ending of another roll does not count.
                g_SystemData.endingFlags[r.seenEnding == 13 ? 9 : 13] = 1;
                g_pGameMain->scene = r.scene;
                ASSERT_TRUE(RunUntilState(rt.clock(), 2, 100));
                in.press();
                g_pGameMain->Frame();
                const char* label = in.what;
                if (seen) {
                    EXPECT_EQ(g_pGameMain->scene, kSceneScript) << label;
                    EXPECT_EQ(PixelOf(g_ScreenSurface, 512, 288) & 0xFFFFFF, 0xFFFFFFu) << label;
                    EXPECT_EQ(g_pMouse->GetState()->right + g_pMouse->GetState()->left + g_pKeyboard->ctrl, 0)
                        << label;
                    EXPECT_EQ(g_Layers[2], nullptr) << label;
                } else {
                    EXPECT_EQ(g_pGameMain->scene, r.scene) << label;
                    EXPECT_EQ(CurrentRoll()->state, 2) << label;
                }
            }
        }
    }
}

TEST(CreditRoll, WithoutASeenEndingOnlyTheHoldAndTheWhiteFadeCanBeShortened) {
    ScreenRuntime rt;
    ASSERT_TRUE(rt.EnableSound());
    g_SystemData.bgmOff = 1; // no music, the same timing
    g_pGameMain->scene = kSceneCreditT;
    ASSERT_TRUE(RunUntilState(rt.clock(), 2, 100));
    EXPECT_EQ(g_BgmPlayer, nullptr);
    ASSERT_NE(g_pScriptMng->m_pBgmName, nullptr);
    EXPECT_STREQ(g_pScriptMng->m_pBgmName, "ed_full.ogg");
    const uint32_t scrollStart = g_pCreditTScene->timer.start;
    ASSERT_TRUE(RunUntilState(rt.clock(), 3, 500));
    EXPECT_GE(rt.clock().Now() - scrollStart, CCreditTScene::kSpec.scrollMs);
    g_pMouse->GetState()->left = 1; // ends the hold at once
    g_pGameMain->Frame();
    EXPECT_EQ(g_pCreditTScene->state, 4);
    EXPECT_EQ(g_pMouse->GetState()->left, 0);
    g_pKeyboard->ctrl = 1; // cuts the fade to white
    g_pGameMain->Frame();
    EXPECT_EQ(g_pGameMain->scene, kSceneScript);
    EXPECT_EQ(g_pKeyboard->ctrl, 0);
    EXPECT_EQ(PixelOf(g_ScreenSurface, 512, 288) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(CreditRoll, ScrollPicturesAtChosenTimes) {
    ScreenRuntime rt;
    const CreditRollSpec& spec = CCreditBScene::kSpec;
    WriteRollPictures(rt.folder(), "system/credit_b.bmp", "system/credit02.bmp");
    g_pGameMain->scene = kSceneCreditB;
    ASSERT_TRUE(RunUntilState(rt.clock(), 2, 100));
    CCreditRoll* roll = CurrentRoll();
    const int32_t x = spec.stripX;
    std::vector<uint32_t> frozenRows;
    // Scroll times in ms, in order: entering, under way, running out, frozen, still frozen.
    for (uint32_t at : {5000u, 60000u, 109700u, 113000u, 117000u, 119900u}) {
        rt.clock().Set(roll->timer.start + at);
        g_pGameMain->Frame();
        ASSERT_EQ(g_pGameMain->scene, kSceneCreditB);
        const auto p = static_cast<int32_t>(roll->ScrollPosition(at));
        // Beside the strip, the background.
        EXPECT_EQ(PixelOf(g_ScreenSurface, x - 1, 300) & 0xFFFFFF, kBackground) << at;
        EXPECT_EQ(PixelOf(g_ScreenSurface, x + CCreditRoll::kStripWidth, 300) & 0xFFFFFF, kBackground) << at;
        if (p >= static_cast<int32_t>(CCreditRoll::kFreezeAt)) {
            // The strip's last 80 rows stand still below what still scrolls.
            std::vector<uint32_t> rows;
            for (int32_t y = 5336 - p; y < 576; ++y)
                rows.push_back(PixelOf(g_ScreenSurface, x + 100, y));
            std::vector<uint32_t> tail(rows.end() - std::min<size_t>(rows.size(), 250), rows.end());
            if (frozenRows.empty())
                frozenRows = tail;
            else
                EXPECT_EQ(tail, frozenRows) << at;
            for (int32_t y = 0; y < 5336 - p; y += 7)
                EXPECT_EQ(PixelOf(g_ScreenSurface, x + 5, y), StripPixel(p - 576 + y)) << at << " row " << y;
            continue;
        }
        for (int32_t y = 0; y < 576; y += 5) {
            const int32_t row = p - 576 + y;
            const uint32_t want = row >= 0 && row < CCreditRoll::kStripHeight ? StripPixel(row) : kBackground;
            EXPECT_EQ(PixelOf(g_ScreenSurface, x + 150, y) &
                          (row >= 0 && row < 4840 ? 0xFFFFFFFFu : 0xFFFFFFu),
                      want)
                << at << " ms, row " << y << ", p " << p;
        }
    }
    EXPECT_FALSE(frozenRows.empty());
}

} // namespace
