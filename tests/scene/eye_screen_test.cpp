// The eye screen and the eye sequence from the script commands that start them: their timelines on
// the fake clock, the pictures at chosen moments against pictures built here from the sequences'
// rules, and the inputs that cut them short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sequence_fixture.h"

namespace {

using kestrel::test::Add;
using kestrel::test::AlphaOver;
using kestrel::test::Blend;
using kestrel::test::Picture;
using kestrel::test::SequenceTest;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kFrameMs = 10;

uint32_t OldScreen(int32_t x, int32_t y) {
    return static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x40);
}
uint32_t EyeBase(int32_t x, int32_t y) {
    return 0x203040u | static_cast<uint32_t>((x ^ y) & 0x3F);
}
// The eye picture: opaque squares of 10 pixels on a transparent ground.
uint32_t Eye(int32_t x, int32_t y) {
    return ((x / 10 + y / 10) % 2 == 0) ? 0xFFC02000u | static_cast<uint32_t>(y & 0xFF) : 0x00000000u;
}
// The sheet of the eye sequence: every pixel opaque and different from its neighbours.
uint32_t Sheet(int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>((x * 7) & 0xFF) << 16 |
           static_cast<uint32_t>((y * 3) & 0xFF) << 8 | 0x80;
}
uint32_t Background(int32_t x, int32_t y) {
    return 0x300000u | static_cast<uint32_t>(x & 0xFF) << 8 | static_cast<uint32_t>(y & 0xFF);
}

class EyeScreen : public SequenceTest {
protected:
    void SetUp() override {
        SequenceTest::SetUp();
        WritePicture("system\\eye_base.bmp", Picture(1024, 576, EyeBase), 24);
        WritePicture("system\\eye_p.bmp", Picture(370, 216, Eye));
        PaintScreen(Picture(1024, 576, OldScreen));
        Start("EyeScreen 0\nSetVar 1, 7\nExitToMenu\n");
        Step(0); // the command
    }
    // The base with the eye picture's opaque squares at x.
    static Picture BaseWithEye(int32_t eyeX, uint32_t level) {
        Picture p(1024, 576, EyeBase);
        for (int32_t y = 372; y < 576; ++y)
            for (int32_t x = 0; x < 370; ++x)
                if (x + eyeX >= 0 && x + eyeX < 1024)
                    p.At(x + eyeX, y) = AlphaOver(Eye(x, y - 372), p.At(x + eyeX, y), level);
        return p;
    }
};

TEST_F(EyeScreen, RunsItsSixSecondsThroughWhiteAndTheEyePictureBackToTheScript) {
    ASSERT_EQ(game().scene, kSceneEyeScreen);
    const uint32_t entered = Now();
    ASSERT_TRUE(StepUntil([&] { return engine().m_msgStep == 1; }, kFrameMs));

    // Phase 1 at 500 ms: the old picture half way to white.
    clock_.clock().Set(engine().m_stepClock + 500);
    Step(0);
    EXPECT_EQ(ScreenDiffs(Picture(1024, 576,
                                  [](int32_t x, int32_t y) { return Blend(kWhite, OldScreen(x, y), 127); })),
              0);

    // Phase 3 at 240 ms: the eye picture half way along its slide (offset 32, x −12) at level 61.
    ASSERT_TRUE(StepUntil([&] { return engine().m_msgStep == 3; }, kFrameMs));
    clock_.clock().Set(engine().m_stepClock + 240);
    Step(0);
    EXPECT_EQ(ScreenDiffs(BaseWithEye(-12, 61)), 0);

    // The end of phase 3 fixes the eye picture at (20, 372) into the picture held.
    ASSERT_TRUE(StepUntil([&] { return engine().m_msgStep == 4; }, kFrameMs));
    EXPECT_EQ(ScreenDiffs(BaseWithEye(20, 255)), 0);

    ASSERT_TRUE(StepUntil([&] { return game().scene != kSceneEyeScreen; }, kFrameMs));
    EXPECT_GE(Now() - entered, 6000u);
    EXPECT_LE(Now() - entered, 6000u + 3 * kFrameMs);
    EXPECT_EQ(engine().m_msgStep, 0);
    EXPECT_EQ(ScreenDiffs(Picture(1024, 576, [](int32_t, int32_t) { return kWhite; })), 0);
    ASSERT_NE(g_Layers[0], nullptr);
    EXPECT_EQ(Capture(g_Layers[0]).pixels,
              Picture(1024, 576, [](int32_t, int32_t) { return kWhite; }).pixels);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(g_Layers[i], nullptr) << i;
    Step(kFrameMs);
    EXPECT_EQ(engine().GetVar(1), 7) << "the script did not go on";
}

TEST_F(EyeScreen, CtrlClickAndTheSkipOptionsCutItsPhases) {
    struct Case {
        const char* name;
        void (*apply)(CScriptMng&);
        int minFrames, maxFrames; // frames of the mode until scene 2
    };
    const Case cases[] = {
        // Ctrl and a click are taken at the end of the hold: the last fade then runs its second.
        {"ctrl", [](CScriptMng&) { g_pKeyboard->ctrl = 1; }, 105, 108},
        {"left button", [](CScriptMng&) { g_pMouse->state.left = 1; }, 105, 108},
        {"effects off", [](CScriptMng& e) { e.m_skipEffects = 1; }, 7, 7},
        {"SKIP", [](CScriptMng& e) { e.m_skipRead = 1; }, 7, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine().m_msgStep = 0;
        engine().m_skipEffects = engine().m_skipRead = 0;
        game().scene = kSceneEyeScreen;
        c.apply(engine());
        int frames = 0;
        while (game().scene == kSceneEyeScreen && frames < 1000) {
            Step(kFrameMs);
            ++frames;
        }
        EXPECT_GE(frames, c.minFrames);
        EXPECT_LE(frames, c.maxFrames);
        EXPECT_EQ(ScreenAt(500, 300), kWhite);
        EXPECT_EQ(g_pKeyboard->ctrl, 0);
        EXPECT_EQ(g_pMouse->state.left, 0);
    }
}

TEST_F(EyeScreen, AKindOtherThanZeroEndsAtOnceAndTheScriptGoesOn) {
    Start("EyeScreen 2\nSetVar 1, 7\nExitToMenu\n");
    Step(0);
    ASSERT_EQ(game().scene, kSceneEyeScreen);
    EXPECT_EQ(engine().m_modeKind, 2);
    Step(kFrameMs);
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(g_Layers[1], nullptr);
    EXPECT_EQ(ScreenDiffs(Picture(1024, 576, OldScreen)), 0) << "the screen was drawn on";
    Step(kFrameMs);
    EXPECT_EQ(engine().GetVar(1), 7);
}

TEST_F(EyeScreen, MissingPicturesLeaveTheirFramesEmpty) {
    std::filesystem::remove_all(kestrel::test::ScriptTestFolder() / "system");
    ASSERT_TRUE(StepUntil([&] { return game().scene != kSceneEyeScreen; }, 50));
    EXPECT_EQ(ScreenDiffs(Picture(1024, 576, [](int32_t, int32_t) { return kWhite; })), 0);
}

// ---- Eye sequence ---------------------------------------------------------------------------------

struct Cut {
    int32_t sx, sy, w, h, x, y;
};
// The parts fixed into the white picture at the ends of phases 1, 2, 4 and 7.
const std::vector<Cut> kLines1 = {{0, 4, 6, 315, 46, 0}, {6, 4, 6, 290, 776, 310}};
const std::vector<Cut> kLines2 = {{0, 2, 562, 2, 0, 265}, {0, 0, 800, 2, 0, 550}};
const std::vector<Cut> kPanels = {
    {17, 4, 232, 230, 68, 24}, {249, 4, 420, 32, 52, 278}, {249, 36, 260, 30, 304, 231}};
const std::vector<Cut> kEyePanel = {{249, 66, 222, 172, 68, 362}};

void Draw(Picture& p, const Cut& c, uint32_t level) {
    for (int32_t j = 0; j < c.h; ++j)
        for (int32_t i = 0; i < c.w; ++i)
            if (c.x + i >= 0 && c.x + i < 1024 && c.y + j >= 0 && c.y + j < 576)
                p.At(c.x + i, c.y + j) = AlphaOver(Sheet(c.sx + i, c.sy + j), p.At(c.x + i, c.y + j), level);
}
Picture WhiteWith(const std::vector<std::vector<Cut>>& sets) {
    Picture p(1024, 576, [](int32_t, int32_t) { return kWhite; });
    for (const auto& set : sets)
        for (const Cut& c : set)
            Draw(p, c, 255);
    return p;
}
// The background window T ms after it began, over p.
void DrawWindow(Picture& p, uint32_t t) {
    const uint32_t f = std::min<uint32_t>(255, t * 255 / 1200), g = t * 80 / 3000;
    for (int32_t y = 0; y < 536; ++y) {
        for (int32_t x = 0; x < 174; ++x)
            if (f > 0)
                p.At(586 + x, y) = Blend(Background(static_cast<int32_t>(g) + x, y), p.At(586 + x, y), f);
        for (int32_t x = 0; x < 5; ++x)
            p.At(742 + x, y) = Sheet(12 + x, 4 + y) & 0xFFFFFF;
    }
}

class EyeSequence : public SequenceTest {
protected:
    void SetUp() override {
        SequenceTest::SetUp();
        WritePicture("system\\EYE_P01.bmp", Picture(800, 540, Sheet));
        WritePicture("bmp\\bg01d.bmp", Picture(1024, 576, Background), 24);
    }
    void Begin(int index) {
        Start("EyeSequence " + std::to_string(index) + "\nSetVar 1, 7\nExitToMenu\n");
        Step(0);
        ASSERT_EQ(game().scene, kSceneEyeSequence);
    }
    bool Reach(uint8_t step) {
        return StepUntil([&] { return engine().m_msgStep == step; }, kFrameMs);
    }
};

TEST_F(EyeSequence, AssemblesTheSheetOnWhiteWithThePanningWindowAndEndsInWhite) {
    Begin(1);
    EXPECT_EQ(engine().m_eyeIndex, 1);
    ASSERT_TRUE(Reach(2));
    EXPECT_EQ(ScreenDiffs(WhiteWith({kLines1})), 0);
    ASSERT_TRUE(Reach(3));
    EXPECT_EQ(ScreenDiffs(WhiteWith({kLines1, kLines2})), 0);

    // Phase 4 at 250 ms: k1 213, s 5, k2 64, t 6; the window at T 250.
    ASSERT_TRUE(Reach(4));
    const uint32_t windowStart = engine().m_stepClock;
    clock_.clock().Set(windowStart + 250);
    Step(0);
    Picture expected = WhiteWith({kLines1, kLines2});
    Draw(expected, {17, 4, 232, 230, 67, 25}, 213);
    Draw(expected, {249, 4, 420, 32, 52, 272}, 64);
    Draw(expected, {249, 36, 260, 30, 304, 237}, 64);
    DrawWindow(expected, 250);
    EXPECT_EQ(ScreenDiffs(expected), 0);

    // The end of phase 7: the eye panel fixed at (68, 362), the window faded in and panned on.
    ASSERT_TRUE(Reach(8));
    const uint32_t whiteOutStart = engine().m_stepClock;
    expected = WhiteWith({kLines1, kLines2, kPanels, kEyePanel});
    Picture fixedPicture = expected;
    DrawWindow(expected, whiteOutStart - windowStart);
    EXPECT_EQ(ScreenDiffs(expected), 0);

    // The white-out at 1000 ms: white added at level 63 over (0, 0, 800, 576), then the window drawn
    // again over it, so that it stays sharp.
    clock_.clock().Set(whiteOutStart + 1000);
    Step(0);
    expected = fixedPicture;
    DrawWindow(expected, whiteOutStart + 1000 - windowStart);
    for (int32_t y = 0; y < 576; ++y)
        for (int32_t x = 0; x < 800; ++x)
            expected.At(x, y) = Add(kWhite, expected.At(x, y), 63);
    DrawWindow(expected, whiteOutStart + 1000 - windowStart);
    EXPECT_EQ(ScreenDiffs(expected), 0);

    ASSERT_TRUE(StepUntil([&] { return game().scene != kSceneEyeSequence; }, kFrameMs));
    EXPECT_EQ(ScreenDiffs(WhiteWith({})), 0);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(g_Layers[i], nullptr) << i;
    EXPECT_NE(g_Layers[0], nullptr) << "layer 0 is left alone";
    Step(kFrameMs);
    EXPECT_EQ(engine().GetVar(1), 7);
}

TEST_F(EyeSequence, LastsItsPhasesWithoutAnInput) {
    Begin(1);
    const uint32_t entered = Now();
    constexpr uint32_t kLongFrameMs = 20;
    ASSERT_TRUE(StepUntil([&] { return game().scene != kSceneEyeSequence; }, kLongFrameMs));
    // 7,803 ms; each of the eight phases ends in the first frame past its length.
    EXPECT_GE(Now() - entered, 7803u);
    EXPECT_LE(Now() - entered, 7803u + 10 * kLongFrameMs);
}

TEST_F(EyeSequence, AClickOrCtrlJumpsToTheWhiteEndInThatFrame) {
    for (uint8_t step : {1, 3, 4, 7, 8}) {
        for (bool ctrl : {false, true}) {
            SCOPED_TRACE(std::to_string(step) + (ctrl ? " ctrl" : " click"));
            Begin(1);
            ASSERT_TRUE(Reach(step));
            Step(kFrameMs);
            if (ctrl)
                g_pKeyboard->ctrl = 1;
            else
                g_pMouse->state.left = 1;
            Step(0);
            EXPECT_EQ(game().scene, kSceneScript);
            EXPECT_EQ(ScreenDiffs(WhiteWith({})), 0);
            for (int i = 1; i <= 4; ++i)
                EXPECT_EQ(g_Layers[i], nullptr) << i;
            EXPECT_EQ(g_pKeyboard->ctrl, 0);
            EXPECT_EQ(g_pMouse->state.left, 0);
        }
    }
}

TEST_F(EyeSequence, ANumberBeyondTheTablesDrawsAnEmptyWindow) {
    Begin(30);
    ASSERT_TRUE(StepUntil([&] { return engine().m_msgStep == 7; }, 100));
    Step(100);
    EXPECT_EQ(ScreenDiffs(WhiteWith({})), 0) << "the window drew from a missing background";
    ASSERT_TRUE(StepUntil([&] { return game().scene != kSceneEyeSequence; }, 100));
}

} // namespace
