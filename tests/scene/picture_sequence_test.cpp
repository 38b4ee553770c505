// The picture sequence from the command that starts it: its steps in order and length on the fake
// clock with the music calls at their times, the card animations at chosen moments against pictures
// built here from the sequence's rules, and the skip that ends it at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "screens/system_data.h"
#include "sequence_fixture.h"
#include "sound/dsound.h"
#include "sound/snd_mng.h"

namespace {

using kestrel::test::AlphaOver;
using kestrel::test::Blend;
using kestrel::test::Picture;
using kestrel::test::SequenceTest;

constexpr double kMusicSeconds = 0.25;

// The run table: each step and its duration in ms (0: a step of one frame), in the order they play.
std::vector<std::pair<int, uint32_t>> RunTable() {
    std::vector<std::pair<int, uint32_t>> steps = {{0, 0}, {100, 2000}};
    auto picture = [&](int first, uint32_t in, uint32_t hold, uint32_t out) {
        steps.insert(steps.end(), {{first, 0}, {first + 1, in}, {first + 2, hold}, {first + 3, out}});
    };
    auto card = [&](int first) {
        steps.insert(steps.end(), {{first, 0},
                                   {first + 1, 6000},
                                   {first + 2, 300},
                                   {first + 3, 550},
                                   {first + 4, 4500},
                                   {first + 5, 1000}});
    };
    picture(1, 1000, 4200, 1000);
    picture(5, 1500, 4500, 1500);
    card(10);
    card(16);
    picture(22, 1000, 5000, 1000);
    card(26);
    card(32);
    picture(38, 1000, 5000, 1000);
    card(42);
    card(48);
    picture(54, 1000, 5000, 1000);
    card(58);
    card(64);
    picture(70, 1000, 4500, 3000);
    steps.emplace_back(74, 0);
    return steps;
}

uint32_t CardA(int32_t x, int32_t y) {
    return static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x ^ y) & 0xFF));
}
uint32_t CardB(int32_t x, int32_t y) {
    return static_cast<uint32_t>(0x400000 | (y & 0xFF) << 8 | (x & 0xFF));
}
// A frame: opaque in an 8-pixel border, transparent inside.
Picture BorderFrame(int32_t w, int32_t h, uint32_t colour) {
    return Picture(w, h, [=](int32_t x, int32_t y) {
        return (x < 8 || y < 8 || x >= w - 8 || y >= h - 8) ? 0xFF000000u | colour : 0u;
    });
}
Picture Solid(int32_t w, int32_t h, uint32_t colour) {
    return Picture(
        w, h, [=](int32_t x, int32_t y) { return 0xFF000000u | (colour + static_cast<uint32_t>(x + y)); });
}

class PictureSequence : public SequenceTest {
protected:
    void SetUp() override {
        SequenceTest::SetUp();
        WritePicture("bmp\\f002a.bmp", Picture(1068, 865, CardA), 24);
        WritePicture("bmp\\f002a_1.bmp", BorderFrame(720, 250, 0x30A050));
        WritePicture("bmp\\f002a_2.bmp", Solid(520, 6, 0xA00000));
        WritePicture("bmp\\f002a_3.bmp", Solid(128, 44, 0x00A000));
        WritePicture("bmp\\f002a_4.bmp", Solid(128, 44, 0x0000A0));
        WritePicture("bmp\\f002b.bmp", Picture(640, 580, CardB), 24);
        WritePicture("bmp\\f002b_1.bmp", BorderFrame(300, 580, 0x5050F0));
        WritePicture("bmp\\f002b_2.bmp", Solid(420, 6, 0xC08000));
        WritePicture("bmp\\f002c_2.bmp", Solid(420, 6, 0x0080C0));
        kestrel::test::WriteBytes((kestrel::test::ScriptTestFolder() / "bgm" / "bgm046b.ogg").string(),
                                  kestrel::test::MakeToneOgg(440.0, kMusicSeconds, 2, 44100));
        ResolveResourceDirs();
        if (g_DSound.device != nullptr) {
            DeleteAllPlayers();
            g_DSound.Release();
        }
        ASSERT_TRUE(g_DSound.CreateWithOutput(SoundDevice::Output::Manual));
        g_DSound.SetPrimaryFormat(2, 44100, 16);
        g_SystemData.bgmVolume = 80;
        g_SystemData.bgmOff = 0;
        Start("SetMode 26\nSetVar 1, 7\nExitToMenu\n");
        Step(0);
    }
    void TearDown() override {
        DeleteAllPlayers();
        g_DSound.Release();
        SequenceTest::TearDown();
    }
    bool Reach(uint8_t step, uint32_t frameMs = 1000) {
        return StepUntil([&] { return engine().m_msgStep == step; }, frameMs);
    }
    void At(uint32_t e) {
        clock_.clock().Set(engine().m_modeClock + e);
        Step(0);
    }
    // The state every way out leaves.
    void ExpectEnded() {
        EXPECT_EQ(game().scene, kSceneScript);
        EXPECT_EQ(engine().m_msgStep, 0);
        for (int i = 1; i < kLayerCount; ++i)
            EXPECT_EQ(g_Layers[i], nullptr) << i;
        ASSERT_NE(g_Layers[0], nullptr);
        EXPECT_EQ(Capture(g_Layers[0]).pixels,
                  Picture(1024, 576, [](int32_t, int32_t) { return 0u; }).pixels);
        EXPECT_TRUE(IsCgSeen(0, 0));
        for (uint32_t id = 230; id <= 300; id += 10)
            EXPECT_TRUE(IsMessageRead(id)) << id;
        EXPECT_FALSE(IsMessageRead(235));
        EXPECT_EQ(g_BgmPlayer, nullptr);
        ASSERT_NE(engine().m_pBgmName, nullptr);
        EXPECT_STREQ(engine().m_pBgmName, "bgm046.ogg");
        EXPECT_STREQ(game().bgmName, "") << "no music plays, and a save records none";
    }
};

TEST_F(PictureSequence, PlaysItsStepsForTheirLengthsWithTheMusicAtItsTimes) {
    ASSERT_EQ(game().scene, kScenePictureSequence);
    // Neither a left click nor the effects-off option shortens anything.
    engine().m_skipEffects = 1;
    constexpr uint32_t kFrameMs = 40;
    const uint32_t entered = Now();
    std::vector<std::pair<int, uint32_t>> seen = {{0, entered}}; // step and the clock at its start
    bool fadeBefore73 = false, fadingAt73 = false;
    while (game().scene == kScenePictureSequence && seen.size() < 200) {
        g_pMouse->state.left = 1;
        const uint8_t before = engine().m_msgStep;
        Step(kFrameMs);
        const uint8_t now = engine().m_msgStep;
        if (now == before || game().scene != kScenePictureSequence)
            continue;
        seen.emplace_back(now, engine().m_modeClock);
        if (before == 0) { // the start: the music plays once at the music volume
            ASSERT_NE(g_BgmPlayer, nullptr);
            EXPECT_FALSE(g_BgmPlayer->IsStoppedChannel());
            EXPECT_NEAR(g_BgmPlayer->GetTotalTime(), kMusicSeconds, 0.02);
            EXPECT_EQ(g_BgmVolume.load(), 80u);
            EXPECT_STREQ(engine().m_pBgmName, "bgm046b.ogg");
            EXPECT_STREQ(game().bgmName, "bgm046b.ogg");
        }
        if (now < 73 && g_BgmPlayer != nullptr && g_BgmPlayer->IsFading())
            fadeBefore73 = true;
        if (now == 73)
            fadingAt73 = g_BgmPlayer != nullptr && g_BgmPlayer->IsFading();
    }
    const auto table = RunTable();
    ASSERT_EQ(seen.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(seen[i].first, table[i].first) << i;
        if (i > 0 && i + 1 < table.size()) { // the start step runs in the frame the sequence begins
            const uint32_t length = seen[i + 1].second - seen[i].second;
            EXPECT_GE(length, std::max<uint32_t>(table[i].second, kFrameMs)) << "step " << table[i].first;
            EXPECT_LT(length, table[i].second + 2 * kFrameMs) << "step " << table[i].first;
        }
    }
    EXPECT_GE(Now() - entered, 144000u);
    EXPECT_FALSE(fadeBefore73);
    EXPECT_TRUE(fadingAt73) << "the fade-out did not start at the end of the last hold";
    ExpectEnded();
    Step(kFrameMs);
    EXPECT_EQ(engine().GetVar(1), 7);
}

TEST_F(PictureSequence, APictureFadesInFromBlackAndOutToBlack) {
    WritePicture("bmp\\e001a.bmp", Picture(1024, 576, CardA), 24); // loaded by step 1
    const struct {
        uint8_t step;
        uint32_t (*pixel)(int32_t, int32_t);
    } fades[] = {{2, [](int32_t x, int32_t y) { return Blend(CardA(x, y), 0, 63); }},
                 {4, [](int32_t x, int32_t y) { return Blend(0, CardA(x, y), 63); }}};
    for (const auto& f : fades) {
        ASSERT_TRUE(Reach(f.step));
        At(250); // a quarter of its 1000 ms: level 63
        EXPECT_EQ(ScreenDiffs(Picture(1024, 576, f.pixel)), 0) << int(f.step);
    }
}

TEST_F(PictureSequence, CardsPanDrawTheirLineAndSlideTheirCaptions) {
    // Card a's panel at 3000 ms: the window at (174, 333) (615 − 565 × 3000 / 6000, truncated), fully
    // faded in, under the frame.
    ASSERT_TRUE(Reach(11));
    At(3000);
    Picture expected = Capture(g_ScreenSurface);
    const Picture frameA = BorderFrame(720, 250, 0x30A050);
    for (int32_t y = 0; y < 250; ++y)
        for (int32_t x = 0; x < 720; ++x)
            expected.At(40 + x, 50 + y) =
                AlphaOver(frameA.At(x, y), Blend(CardA(174 + x, 333 + y), 0, 255), 255);
    EXPECT_EQ(ScreenDiffs(expected, {40, 50, 760, 300}), 0);

    // Its captions at 275 ms: half their height (22 rows) each, at level 233, over the restored area.
    ASSERT_TRUE(Reach(13));
    const Picture held = Capture(g_Layers[0]);
    At(275);
    const Picture upper = Solid(128, 44, 0x00A000), lower = Solid(128, 44, 0x0000A0);
    expected = held;
    for (int32_t y = 0; y < 22; ++y)
        for (int32_t x = 0; x < 128; ++x) {
            expected.At(336 + x, 408 + y) = AlphaOver(upper.At(x, y), held.At(336 + x, 408 + y), 233);
            expected.At(336 + x, 436 + y) = AlphaOver(lower.At(x, 22 + y), held.At(336 + x, 436 + y), 233);
        }
    EXPECT_EQ(ScreenDiffs(expected, {336, 386, 464, 486}), 0);

    // Card b's tall panel at 1000 ms: the window at (284, 0) at level 127 over black, every frame anew
    // although the panel reaches below the screen.
    ASSERT_TRUE(Reach(17));
    At(500);
    At(1000);
    const Picture frameB = BorderFrame(300, 580, 0x5050F0);
    expected = Capture(g_ScreenSurface);
    for (int32_t y = 0; y < 566; ++y)
        for (int32_t x = 0; x < 300; ++x)
            expected.At(90 + x, 10 + y) = AlphaOver(frameB.At(x, y), Blend(CardB(284 + x, y), 0, 127), 255);
    EXPECT_EQ(ScreenDiffs(expected, {90, 10, 390, 576}), 0);

    // Card c's line at 150 ms: half its width at full level, from card b's line picture.
    ASSERT_TRUE(Reach(28));
    const Picture base = Capture(g_Layers[0]);
    At(150);
    const Picture lineB = Solid(420, 6, 0xC08000);
    expected = base;
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 210; ++x)
            expected.At(x, 313 + y) = lineB.At(x, y) & 0xFFFFFF;
    EXPECT_EQ(ScreenDiffs(expected, {0, 313, 420, 319}), 0);
}

TEST_F(PictureSequence, ARightClickOrCtrlEndsItInThatFrame) {
    struct Case {
        const char* name;
        uint8_t at; // the step in which the input comes
        bool ctrl;
    };
    const Case cases[] = {
        {"right click at once", 0, false},
        {"ctrl at once", 0, true},
        {"right click in the last fade", 73, false},
        {"ctrl in the last fade", 73, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_SystemData.cgSeen[0] = 0;
        for (uint32_t id = 230; id <= 300; id += 10)
            g_SystemData.readFlags[id] = 0;
        Start("SetMode 26\nSetVar 1, 7\nExitToMenu\n");
        Step(0);
        // Music from before: the skip in the first frame stops it without starting the sequence's own.
        g_BgmPlayer = new CBgmplay();
        g_BgmPlayer->OpenMusic("bgm046b.ogg");
        g_BgmPlayer->Play(1);
        if (c.at != 0) {
            ASSERT_TRUE(Reach(c.at));
            Step(100);
            ASSERT_TRUE(g_BgmPlayer != nullptr && g_BgmPlayer->IsFading());
        }
        if (c.ctrl)
            g_pKeyboard->ctrl = 1;
        else
            g_pMouse->state.right = 1;
        const Picture last = Capture(g_ScreenSurface);
        Step(0);
        ExpectEnded();
        EXPECT_EQ(ScreenDiffs(last), 0) << "the screen keeps its last frame";
        EXPECT_EQ(g_pKeyboard->ctrl, 0);
        EXPECT_EQ(g_pMouse->state.right, 0);
    }
}

TEST_F(PictureSequence, WithTheMusicOffNoPlayerIsMadeButTheNamesChange) {
    g_SystemData.bgmOff = 1;
    Step(10);
    EXPECT_EQ(g_BgmPlayer, nullptr);
    ASSERT_NE(engine().m_pBgmName, nullptr);
    EXPECT_STREQ(engine().m_pBgmName, "bgm046b.ogg");
    ASSERT_TRUE(StepUntil([&] { return game().scene != kScenePictureSequence; }, 1000));
    ExpectEnded();
}

} // namespace
