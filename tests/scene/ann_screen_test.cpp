// The announcement screen from the command that starts it: its phases in order and length on the
// fake clock, the pictures at chosen moments against pictures built here from its rules, the system
// data byte it sets, and the inputs that do and do not cut it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "screens/system_data.h"
#include "sequence_fixture.h"

namespace {

using kestrel::test::AlphaOver;
using kestrel::test::Blend;
using kestrel::test::Picture;
using kestrel::test::SequenceTest;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kFrameMs = 50;

uint32_t First(int32_t x, int32_t y) {
    return static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF));
}
uint32_t Second(int32_t x, int32_t y) {
    return 0x004000u | static_cast<uint32_t>(((x + y) & 0xFF) << 16);
}
// The third picture and the text: opaque squares on a transparent ground.
uint32_t Third(int32_t x, int32_t y) {
    return ((x / 16 + y / 16) % 2 == 0) ? 0xFF2080C0u : 0x00000000u;
}
uint32_t Text(int32_t x, int32_t y) {
    return ((x / 6 + y / 6) % 3 == 0) ? 0xFF101010u | static_cast<uint32_t>(y & 0x3F) << 8 : 0x00000000u;
}
uint32_t White(int32_t, int32_t) {
    return kWhite;
}
// The second picture with the third laid over it at 254, as it stands from phase 4 on.
uint32_t Merged(int32_t x, int32_t y) {
    return AlphaOver(Third(x, y), Second(x, y), 254);
}
void DrawText(Picture& p, uint32_t level) {
    for (int32_t y = 0; y < 484; ++y)
        for (int32_t x = 0; x < 510; ++x)
            p.At(140 + x, 56 + y) = AlphaOver(Text(x, y), p.At(140 + x, 56 + y), level);
}

class AnnScreen : public SequenceTest {
protected:
    void SetUp() override {
        SequenceTest::SetUp();
        WritePicture("system\\ann_base.bmp", Picture(1024, 576, First), 24);
        WritePicture("system\\ann_base02.bmp", Picture(1024, 576, Second), 24);
        WritePicture("system\\ann_base03.bmp", Picture(1024, 576, Third));
        WritePicture("system\\ann_moji.bmp", Picture(510, 484, Text));
        g_SystemData.scriptSetting = 0;
        Start("SetMode 46\nSetVar 1, 7\nExitToMenu\n");
        Step(0);
    }
    bool Reach(uint8_t step) {
        return StepUntil([&] { return engine().m_msgStep == step; }, kFrameMs);
    }
    // One frame at e ms into the current phase.
    void At(uint32_t e) {
        clock_.clock().Set(engine().m_modeClock + e);
        Step(0);
    }
};

TEST_F(AnnScreen, PlaysItsPhasesInOrderForTheirLengthsAndRecordsItWasShown) {
    ASSERT_EQ(game().scene, kSceneAnnScreen);
    std::vector<std::pair<uint8_t, uint32_t>> phases; // sub-state and the clock at its start
    while (game().scene == kSceneAnnScreen && phases.size() < 20) {
        const uint8_t before = engine().m_msgStep;
        Step(kFrameMs);
        if (engine().m_msgStep != before && engine().m_msgStep != 0)
            phases.emplace_back(engine().m_msgStep, engine().m_modeClock);
    }
    ASSERT_EQ(game().scene, kSceneScript);
    const std::vector<std::pair<uint8_t, uint32_t>> lengths = {{1, 4500}, {8, 4500}, {2, 4500}, {3, 2000},
                                                               {4, 3000}, {5, 4500}, {6, 4500}, {7, 0}};
    ASSERT_EQ(phases.size(), lengths.size());
    for (size_t i = 0; i + 1 < phases.size(); ++i) {
        EXPECT_EQ(phases[i].first, lengths[i].first) << i;
        EXPECT_EQ(phases[i + 1].second - phases[i].second, lengths[i].second)
            << "sub-state " << +phases[i].first;
    }
    EXPECT_EQ(ScreenDiffs(Picture(1024, 576, White)), 0);
    ASSERT_NE(g_Layers[0], nullptr);
    EXPECT_EQ(Capture(g_Layers[0]).pixels, Picture(1024, 576, White).pixels);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(g_Layers[i], nullptr) << i;
    EXPECT_EQ(g_SystemData.scriptSetting, 2);
    ASSERT_TRUE(SaveSystemData());
    std::ifstream in(kestrel::test::ScriptTestFolder() / "save" / "Config.dat", std::ios::binary);
    in.seekg(0x1A);
    EXPECT_EQ(in.get(), 2);
    Step(kFrameMs);
    EXPECT_EQ(engine().GetVar(1), 7);
}

TEST_F(AnnScreen, DrawsEachPhaseByItsRule) {
    // At level 85: the first picture comes in from white and goes back to it, then the second comes in.
    const struct {
        uint8_t step;
        uint32_t (*pixel)(int32_t, int32_t);
    } fades[] = {{1, [](int32_t x, int32_t y) { return Blend(First(x, y), kWhite, 85); }},
                 {8, [](int32_t x, int32_t y) { return Blend(kWhite, First(x, y), 85); }},
                 {2, [](int32_t x, int32_t y) { return Blend(Second(x, y), kWhite, 85); }}};
    for (const auto& f : fades) {
        ASSERT_TRUE(Reach(f.step));
        At(1500);
        EXPECT_EQ(ScreenDiffs(Picture(1024, 576, f.pixel)), 0) << int(f.step);
    }

    ASSERT_TRUE(Reach(3));
    At(1000); // level 127: the third laid over the second
    EXPECT_EQ(ScreenDiffs(Picture(
                  1024, 576, [](int32_t x, int32_t y) { return AlphaOver(Third(x, y), Second(x, y), 127); })),
              0);

    ASSERT_TRUE(Reach(4));
    At(600); // white-out at 102, the text at 2 × 25
    Picture expected(1024, 576, [](int32_t x, int32_t y) { return Blend(kWhite, Merged(x, y), 102); });
    DrawText(expected, 50);
    EXPECT_EQ(ScreenDiffs(expected), 0);

    ASSERT_TRUE(Reach(5)); // the end of phase 4: the text at 254 on white
    expected = Picture(1024, 576, White);
    DrawText(expected, 254);
    EXPECT_EQ(ScreenDiffs(expected), 0);

    ASSERT_TRUE(Reach(6));
    At(1500); // the text screen goes to white at 85
    for (uint32_t& p : expected.pixels)
        p = Blend(kWhite, p, 85);
    EXPECT_EQ(ScreenDiffs(expected), 0);
}

TEST_F(AnnScreen, CtrlAndTheEffectsOptionCutEveryPhaseButAClickAndSkipDoNot) {
    struct Case {
        const char* name;
        void (*apply)(CScriptMng&);
        bool cuts;
    };
    const Case cases[] = {
        {"ctrl", [](CScriptMng&) { g_pKeyboard->ctrl = 1; }, true},
        {"effects off", [](CScriptMng& e) { e.m_skipEffects = 1; }, true},
        {"left button", [](CScriptMng&) { g_pMouse->state.left = 1; }, false},
        {"SKIP", [](CScriptMng& e) { e.m_skipRead = 1; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_pKeyboard->ctrl = 0;
        g_pMouse->state.left = 0;
        engine().m_skipEffects = engine().m_skipRead = 0;
        engine().m_msgStep = 0;
        game().scene = kSceneAnnScreen;
        c.apply(engine());
        if (c.cuts) {
            int calls = 0;
            while (game().scene == kSceneAnnScreen && calls < 100) {
                Step(kFrameMs);
                ++calls;
            }
            EXPECT_EQ(calls, 9);
            EXPECT_EQ(ScreenDiffs(Picture(1024, 576, White)), 0);
        } else {
            Step(kFrameMs);
            At(4490);
            EXPECT_EQ(engine().m_msgStep, 1);
            At(4500);
            EXPECT_EQ(engine().m_msgStep, 8);
        }
    }
}

} // namespace
