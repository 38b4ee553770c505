// The whole-screen transition and the quake stepped frame by frame on the fake clock: the back buffer
// at chosen moments against the picture the effect table draws for the level of that moment, the
// skips, the end pictures, and the effect modes' ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/effect_table.h"
#include "graphics/pixel_effects.h"
#include "scene/transition.h"
#include "screens/system_data.h"
#include "sequence_fixture.h"

namespace {

using kestrel::test::Picture;
using kestrel::test::SequenceTest;

uint32_t OldPixel(int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x20);
}
uint32_t NewPixel(int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>(0x300000 | ((x + y) & 0xFF) << 8 | (x * 3 & 0xFF));
}
// A rule mask whose value rises from left to right, with rows shifted so it is not a plain wipe.
uint32_t MaskPixel(int32_t x, int32_t y) {
    const uint32_t v = static_cast<uint32_t>((x / 4 + y / 8) & 0xFF);
    return 0xFF000000u | v << 16 | v << 8 | v;
}

// A surface holding `p`; at 32 bits per pixel its alpha bytes count in blits with alpha.
CDIB32* NewSurface(const Picture& p, uint8_t bpp = 24) {
    auto* s = new CDIB32();
    s->Create(nullptr, static_cast<uint16_t>(p.width), static_cast<uint16_t>(p.height), bpp);
    for (int32_t y = 0; y < p.height; ++y)
        std::memcpy(s->GetPixelAddress(0, y), &p.pixels[static_cast<size_t>(y) * p.width], p.width * 4u);
    return s;
}

// The colour words of a picture (the captures drop the alpha byte).
std::vector<uint32_t> Rgb(const Picture& p) {
    std::vector<uint32_t> out = p.pixels;
    for (uint32_t& v : out)
        v &= 0xFFFFFF;
    return out;
}

class ScreenTransition : public SequenceTest {
protected:
    void SetUp() override {
        SequenceTest::SetUp();
        oldPicture = Picture(1024, 576, OldPixel);
        newPicture = Picture(1024, 576, NewPixel);
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        ReplaceSurface(g_Layers[1], NewSurface(newPicture));
        g_SystemData.effectsOff = 0;
    }

    void Begin(uint8_t scene, uint8_t kind, uint32_t ms) {
        engine().m_modeKind = kind;
        engine().m_modeTime = ms;
        engine().m_msgStep = 0;
        game().scene = scene;
    }
    // One frame of the running mode, then `ms` of time.
    void Frame(uint32_t ms) {
        CScriptMng& e = engine();
        if (game().scene == kSceneTransition)
            e.ModeTransition(e.m_modeKind, e.m_modeTime);
        else if (game().scene == kSceneQuake)
            e.ModeQuake(e.m_modeKind, e.m_modeTime);
        else if (game().scene == kSceneFlash)
            e.ModeFlash();
        else if (game().scene == kSceneColorTransition)
            e.ModeColorTransition();
        else if (game().scene == kSceneWindowFade)
            e.ModeWindowFade();
        else if (game().scene == kSceneScreenEffect)
            e.ModeScreenEffect();
        else if (game().scene == kSceneTransition37)
            e.ModeTransition37();
        else if (game().scene == kSceneTransition39)
            e.ModeTransition39();
        else if (game().scene == kSceneTransition41)
            e.ModeTransition41();
        else if (game().scene == kSceneFrameZoom)
            e.ModeFrameZoom();
        clock_.clock().Advance(ms);
    }
    int FramesUntilScript(uint32_t ms, int limit = 1000) {
        for (int i = 0; i < limit; ++i) {
            if (game().scene == kSceneScript)
                return i;
            Frame(ms);
        }
        return -1;
    }

    // The picture effect `effect` draws at `level` from the two test pictures, starting from the
    // old one on screen (as the transition's set-up leaves it).
    static Picture EffectPicture(int32_t effect, int32_t level, const Picture& pic, const Picture& old) {
        CDIB32* dst = NewSurface(old);
        CDIB32* p = NewSurface(pic);
        CDIB32* o = NewSurface(old);
        if (effect == 80) {
            if (level > 0)
                BltAdd(dst, 0, 0, p, 0, 0, 1024, 576, static_cast<uint16_t>(level));
        } else {
            DrawEffect(effect, dst, p, o, 0, 0, 0, 0, 1024, 576, level, 0);
        }
        Picture result = Capture(dst);
        delete dst;
        delete p;
        delete o;
        return result;
    }

    Picture oldPicture, newPicture;
};

TEST_F(ScreenTransition, BackBufferFollowsTheEffectAtTheLevelOfEachMoment) {
    struct Case {
        uint8_t kind;
        bool maskWritten;
        int32_t effectDrawn; // what the frames must look like
    };
    const Case cases[] = {
        {40, true, 40},                  // rule mask 1
        {69, true, 69},                  // rule mask 30
        {0, false, 0},                   // cross-fade
        {80, false, 80}, {45, false, 0}, // its mask is missing: the plain cross-fade
    };
    WritePicture("bmp\\mask01.bmp", Picture(1024, 576, MaskPixel), 24);
    WritePicture("bmp\\mask30.bmp", Picture(1024, 576, MaskPixel), 24);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        ReplaceSurface(g_Layers[1], NewSurface(newPicture));
        Begin(kSceneTransition, c.kind, 1000);
        // Elapsed 0, 250, 500: levels 0, 63, 127; each frame is checked before time moves on.
        for (uint32_t elapsed : {0u, 250u, 500u}) {
            Frame(0);
            const int32_t level = static_cast<int32_t>(elapsed * 255 / 1000);
            EXPECT_EQ(engine().m_modeLevel, level);
            // The effect table reads the rule mask the transition loaded; for a missing one the
            // transition must not draw the mask effect at all.
            EXPECT_EQ(g_RuleMaskSurface != nullptr && g_RuleMaskSurface->GetWidth() > 0, c.maskWritten);
            EXPECT_EQ(ScreenDiffs(EffectPicture(c.effectDrawn, level, newPicture, oldPicture)), 0) << elapsed;
            clock_.clock().Advance(250);
        }
        // Mid-way the picture is neither end.
        EXPECT_GT(ScreenDiffs(oldPicture), 0);
        EXPECT_GT(ScreenDiffs(newPicture), 0);
        clock_.clock().Advance(250); // elapsed 1000: the last frame, at level 255
        Frame(0);
        EXPECT_EQ(engine().m_modeLevel, 255);
        EXPECT_EQ(ScreenDiffs(EffectPicture(c.effectDrawn, 255, newPicture, oldPicture)), 0);
        Frame(0); // the incoming picture becomes layer 0 and the screen
        EXPECT_EQ(ScreenDiffs(newPicture), 0);
        EXPECT_EQ(Capture(g_Layers[0]).pixels, Rgb(newPicture));
        EXPECT_EQ(g_Layers[1], nullptr);
        EXPECT_EQ(g_RuleMaskSurface, nullptr);
        EXPECT_EQ(game().scene, kSceneTransition);
        Frame(0);
        EXPECT_EQ(game().scene, kSceneScript);
        EXPECT_EQ(engine().m_msgStep, 0);
        EXPECT_EQ(engine().m_transKind, c.kind);
    }
}

TEST_F(ScreenTransition, SkipsMakeTheCurrentFrameTheLast) {
    struct Case {
        const char* what;
        bool ctrl;
        uint8_t skipEffects, skipRead;
        uint32_t ms;
    };
    const Case cases[] = {
        {"ctrl", true, 0, 0, 1000},
        {"effects off", false, 1, 0, 1000},
        {"skip", false, 0, 1, 1000},
        {"no duration", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        ReplaceSurface(g_Layers[1], NewSurface(newPicture));
        g_pKeyboard->ctrl = c.ctrl ? 1 : 0;
        engine().m_skipEffects = c.skipEffects;
        engine().m_skipRead = c.skipRead;
        Begin(kSceneTransition, 0, c.ms);
        Frame(10);
        EXPECT_EQ(engine().m_modeLevel, 255);
        EXPECT_EQ(ScreenDiffs(newPicture), 0); // level 255 of the cross-fade
        EXPECT_EQ(FramesUntilScript(10), 2);
    }
    g_pKeyboard->ctrl = 0;
    engine().m_skipEffects = engine().m_skipRead = 0;
}

TEST_F(ScreenTransition, KindsThatKeepOrTakeTheLastFrameAndTheLetterbox) {
    // Kind 3 leaves layer 0 as it was; kinds 2 and 34 keep the last frame drawn as layer 0.
    for (uint8_t kind : {3, 2, 34}) {
        SCOPED_TRACE(static_cast<int>(kind));
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        ReplaceSurface(g_Layers[1], NewSurface(newPicture));
        Begin(kSceneTransition, kind, 100);
        EXPECT_EQ(FramesUntilScript(60), 5);
        const Picture layer0 = Capture(g_Layers[0]);
        if (kind == 3)
            EXPECT_EQ(layer0.pixels, Rgb(oldPicture));
        else
            EXPECT_EQ(layer0.pixels, Capture(g_ScreenSurface).pixels);
        EXPECT_EQ(g_Layers[1], nullptr);
    }
    // Window style 2: black bars over rows 0-109 and 490-575 of the incoming picture.
    ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
    ReplaceSurface(g_Layers[1], NewSurface(newPicture));
    engine().m_windowStyle = 2;
    Begin(kSceneTransition, 0, 100);
    EXPECT_EQ(FramesUntilScript(60), 5);
    for (int32_t y : {0, 109, 490, 575})
        EXPECT_EQ(ScreenAt(300, y), 0u) << y;
    for (int32_t y : {110, 489})
        EXPECT_EQ(ScreenAt(300, y), NewPixel(300, y) & 0xFFFFFF) << y;
    engine().m_windowStyle = 0;
}

TEST_F(ScreenTransition, RestoredBackgroundShowsTheEmptiedWindowOnBothPicturesButNotInLayer0) {
    // The window picture: opaque blue in its upper 64 rows, transparent below. The text surface and the
    // name plate still hold the last message (opaque white text, a green name); the plate's clean
    // copy is transparent.
    const Picture window(1024, 128, [](int32_t, int32_t y) { return y < 64 ? 0xFF0000FFu : 0u; });
    Picture withText = window;
    for (int32_t y = 80; y < 100; ++y)
        for (int32_t x = 100; x < 200; ++x)
            withText.At(x, y) = 0xFFFFFFFFu;
    const Picture plate(200, 48, [](int32_t x, int32_t y) {
        return x >= 10 && x < 30 && y >= 10 && y < 20 ? 0xFF00FF00u : 0u;
    });
    ReplaceSurface(g_MsgWindowSurface, NewSurface(window, 32));
    ReplaceSurface(g_TextSurface, NewSurface(withText, 32));
    ReplaceSurface(g_NamePlateSurface, NewSurface(plate, 32));
    ReplaceSurface(g_pScriptUiSurfaces[kUiFrameWork],
                   NewSurface(Picture(200, 48, [](int32_t, int32_t) { return 0u; }), 32));
    const uint8_t transparency = g_SystemData.windowTransparency;
    g_SystemData.windowTransparency = 0;
    // Each picture as it must look: the window at level 255 (its blue and alpha bytes 255 become
    // 255 × 255 >> 8 = 254) blended over rows 448-511: blue (254 × 254 >> 8) + (d × 1 >> 8) = 252,
    // red and green 0; below, where the window is transparent, the picture itself. No text, no name.
    auto withWindow = [](const Picture& p) {
        Picture out(1024, 576, [&p](int32_t x, int32_t y) { return p.At(x, y) & 0xFFFFFF; });
        for (int32_t y = 448; y < 512; ++y)
            for (int32_t x = 0; x < 1024; ++x)
                out.At(x, y) = 0x0000FC;
        return out;
    };
    const Picture oldShown = withWindow(oldPicture), newShown = withWindow(newPicture);
    engine().m_bgRestored = 1;
    Begin(kSceneTransition, 0, 1000);
    Frame(500);
    Frame(0);
    EXPECT_EQ(ScreenDiffs(EffectPicture(0, 127, newShown, oldShown)), 0);
    clock_.clock().Advance(1000);
    EXPECT_EQ(FramesUntilScript(0), 3);
    // The screen keeps the last frame; layer 0 holds the incoming picture without the window; the
    // window's surfaces are empty for the composition that follows.
    EXPECT_EQ(ScreenDiffs(newShown), 0);
    EXPECT_EQ(Capture(g_Layers[0]).pixels, Rgb(newPicture));
    EXPECT_EQ(g_Layers[31], nullptr);
    uint32_t text, name;
    std::memcpy(&text, g_TextSurface->GetPixelAddress(150, 90), 4);
    std::memcpy(&name, g_NamePlateSurface->GetPixelAddress(15, 15), 4);
    EXPECT_EQ(text, 0u);
    EXPECT_EQ(name, 0u);
    // Without a layer 1 the clean copy is a new, blank picture, and so is layer 0 afterwards: the
    // window drawn onto layer 0 for the transition does not stay in it.
    ReplaceSurface(g_Layers[1], nullptr);
    Begin(kSceneTransition, 0, 100);
    EXPECT_GT(FramesUntilScript(60), 0);
    EXPECT_EQ(Capture(g_Layers[0]).pixels, std::vector<uint32_t>(1024 * 576, 0u));
    engine().m_bgRestored = 0;
    g_SystemData.windowTransparency = transparency;
}

TEST_F(ScreenTransition, WithoutAnIncomingPictureBothWaysFadeToABlankOne) {
    // Over the shown picture and over a restored background alike: the cross-fade runs to a blank
    // picture, which layer 0 then holds.
    const Picture blank(1024, 576, [](int32_t, int32_t) { return 0u; });
    for (uint8_t restored : {0, 1}) {
        SCOPED_TRACE(static_cast<int>(restored));
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        ReplaceSurface(g_Layers[1], nullptr);
        engine().m_bgRestored = restored;
        Begin(kSceneTransition, 0, 1000);
        Frame(500);
        Frame(0);
        EXPECT_EQ(ScreenDiffs(EffectPicture(0, 127, blank, oldPicture)), 0);
        clock_.clock().Advance(1000);
        EXPECT_EQ(FramesUntilScript(0), 3);
        EXPECT_EQ(ScreenDiffs(blank), 0);
        EXPECT_EQ(Capture(g_Layers[0]).pixels, Rgb(blank));
    }
    engine().m_bgRestored = 0;
}

// Quake kinds 0-2: each frame shows layer 0 moved by the offset of its step's frame.
TEST_F(ScreenTransition, QuakeMovesThePictureByItsFrameTableAndEndsOnThePlainPicture) {
    struct Offset {
        int32_t dx, dy;
    };
    const Offset table[3][4] = {
        {{-16, -16}, {16, 16}, {16, -16}, {-16, 16}},
        {{-16, 0}, {0, 0}, {16, 0}, {0, 0}},
        {{0, -16}, {0, 0}, {0, 16}, {0, 0}},
    };
    for (uint8_t kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(static_cast<int>(kind));
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        Begin(kSceneQuake, kind, 1000);
        PaintScreen(newPicture);
        Frame(0); // the set-up frame shows the screen as it was
        EXPECT_EQ(ScreenDiffs(newPicture), 0);
        std::vector<uint32_t> steps;
        while (game().scene == kSceneQuake && steps.size() < 500) {
            Frame(0);
            if (engine().m_msgStep != 1)
                break;
            const uint32_t step = engine().m_quakeStep;
            if (steps.empty() || steps.back() != step)
                steps.push_back(step);
            const Offset o = table[kind][step % 4];
            for (int32_t x : {100, 500}) {
                EXPECT_EQ(ScreenAt(x, 200), OldPixel(x - o.dx, 200 - o.dy) & 0xFFFFFF) << step;
            }
            clock_.clock().Advance(10);
        }
        EXPECT_EQ(engine().m_modeTime, 1000u); // the step counter keeps its own storage
        // A tick needs more than 96 ms: with 10-ms frames, one every 100 ms, ten in the second.
        EXPECT_EQ(steps.size(), 11u);
        EXPECT_EQ(FramesUntilScript(10), 1);
        EXPECT_EQ(ScreenDiffs(oldPicture), 0);
        EXPECT_EQ(g_Layers[1], nullptr);
    }
}

TEST_F(ScreenTransition, QuakeFlashAlternatesColourAndPictureAndSkipsEndIt) {
    ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
    ReplaceSurface(g_Layer1Backup[0], NewSurface(newPicture));
    Begin(kSceneQuake, 4, 1000); // red, after a set-up frame showing the backup
    Frame(0);
    EXPECT_EQ(ScreenAt(7, 7), NewPixel(7, 7) & 0xFFFFFF);
    Frame(0);
    EXPECT_EQ(ScreenAt(7, 7), 0xAE0000u);
    clock_.clock().Advance(201);
    Frame(0);
    EXPECT_EQ(ScreenAt(7, 7), OldPixel(7, 7) & 0xFFFFFF);
    g_pKeyboard->ctrl = 1;
    EXPECT_EQ(FramesUntilScript(10), 2);
    g_pKeyboard->ctrl = 0;
    EXPECT_EQ(ScreenDiffs(oldPicture), 0);
    // Kind 11 leaves the inverted background in layer 1 after one frame past its set-up.
    ReplaceSurface(g_Layers[1], NewSurface(newPicture));
    Begin(kSceneQuake, 11, 1000);
    EXPECT_EQ(FramesUntilScript(10), 3);
    EXPECT_EQ(Capture(g_Layers[1]).At(3, 4), ~NewPixel(3, 4) & 0xFFFFFF);
    EXPECT_EQ(engine().m_bgEffect, 1);
}

TEST_F(ScreenTransition, FlashCountsItsHalvesAndACountOfZeroFlashesOnce) {
    struct Case {
        uint32_t count;
        int frames; // 100-ms frames of a 300-ms half, from the set-up to the interpreter
    };
    // Each half: frames at 0, 100, 200 (drawing) and 300 (its end); the set-up and the end frame.
    // A count of 0 is not repeated: it flashes once, as a count of 1 does.
    const Case cases[] = {{0, 8}, {1, 8}, {3, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        ReplaceSurface(g_Layer1Backup[0], NewSurface(oldPicture));
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        engine().m_modeKind = 0;
        engine().m_flashMs = 300;
        engine().m_transKind = 0;
        Begin(kSceneFlash, 0, c.count);
        engine().m_flashMs = 300;
        EXPECT_EQ(FramesUntilScript(100), c.frames);
        EXPECT_EQ(ScreenDiffs(oldPicture), 0);
        EXPECT_EQ(g_Layers[1], nullptr);
    }
}

TEST_F(ScreenTransition, TimedEffectModesEndAtOnceWithCtrlOrWithoutDuration) {
    struct Case {
        uint8_t scene;
        bool ctrl;
        int frames;
    };
    const Case cases[] = {
        {kSceneColorTransition, true, 4}, {kSceneColorTransition, false, 4}, {kSceneWindowFade, true, 3},
        {kSceneWindowFade, false, 3},     {kSceneScreenEffect, true, 3},     {kSceneScreenEffect, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.scene) * 10 + c.ctrl);
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        ReplaceSurface(g_Layers[2], NewSurface(newPicture));
        engine().m_panLayer = 2;
        engine().m_panKind = 0;
        engine().m_panMs = 0;
        g_pKeyboard->ctrl = c.ctrl ? 1 : 0;
        Begin(c.scene, 0, c.ctrl ? 1000 : 0);
        if (c.scene == kSceneScreenEffect)
            engine().m_panMs = c.ctrl ? 1000 : 0;
        EXPECT_EQ(FramesUntilScript(10), c.frames);
    }
    g_pKeyboard->ctrl = 0;
    EXPECT_EQ(g_Layers[2], nullptr); // the panned layer is freed
    EXPECT_EQ(ScreenDiffs(newPicture), 0);
}

TEST_F(ScreenTransition, WindowStyleAndPageFadesTakeTheirTimeAndTheirSkips) {
    struct Case {
        uint8_t scene;
        uint32_t ms;
        bool ctrl;
        uint8_t skipRead;
        int frames; // 100-ms frames from the set-up to the interpreter
    };
    const Case cases[] = {
        {kSceneTransition41, 300, false, 0, 5}, {kSceneTransition41, 300, false, 1, 3},
        {kSceneTransition41, 300, true, 0, 3},  {kSceneTransition39, 300, false, 0, 6},
        {kSceneTransition39, 300, false, 1, 6}, {kSceneTransition39, 300, true, 0, 4},
        {kSceneTransition39, 0, false, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.scene) << " ctrl " << c.ctrl << " skip "
                                        << static_cast<int>(c.skipRead) << " ms " << c.ms);
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        ReplaceSurface(g_Layers[1], c.scene == kSceneTransition41 ? nullptr : NewSurface(newPicture));
        // The vertical style's base picture, as the window-style command takes it.
        if (c.scene == kSceneTransition41)
            ReplaceSurface(g_Layer1Backup[1], NewSurface(newPicture));
        PaintScreen(oldPicture);
        g_pKeyboard->ctrl = c.ctrl ? 1 : 0;
        engine().m_skipRead = c.skipRead;
        Begin(c.scene, 0, c.ms);
        EXPECT_EQ(FramesUntilScript(100), c.frames);
        if (c.scene == kSceneTransition39) {
            // The new face is the picture on display and in layer 0.
            EXPECT_EQ(ScreenDiffs(newPicture), 0);
            EXPECT_EQ(Capture(g_Layers[0]).pixels, Rgb(newPicture));
        } else {
            // The page starts again from the base picture; the layer made for the fade is gone.
            EXPECT_EQ(ScreenDiffs(newPicture), 0);
            EXPECT_EQ(Capture(g_Layers[0]).pixels, Rgb(newPicture));
            EXPECT_EQ(g_Layers[1], nullptr);
        }
    }
    g_pKeyboard->ctrl = 0;
    engine().m_skipRead = 0;
}

TEST_F(ScreenTransition, PanFollowsItsCurveAndEndsWhereItLeadsTo) {
    // The panned layer is larger than the screen and each of its pixels holds its own place
    // (x << 12 | y), so the screen's corners tell where the screen's window onto it stands.
    const Picture wide(1224, 776, [](int32_t x, int32_t y) { return static_cast<uint32_t>(x << 12 | y); });
    auto expectWindowAt = [](int32_t x, int32_t y) {
        EXPECT_EQ(ScreenAt(0, 0), static_cast<uint32_t>(x << 12 | y));
        EXPECT_EQ(ScreenAt(1023, 575), static_cast<uint32_t>((x + 1023) << 12 | (y + 575)));
    };
    struct Case {
        uint8_t curve;
        int32_t x, y;
    };
    // From (150, 100) to (3, 19) over 900 ms, seen after 300 ms: a = 30 degrees; SinDeg(30) = 0.5,
    // SinDeg(120) = 0.8660, log10(9 × 0.5 + 1) = 0.7404, log10(9 × 0.8660 + 1) = 0.9442. The eased
    // places are 150 − 147 f and 100 − 81 f truncated as a whole (curve 1: 76.5 and 59.5; curve 2:
    // 22.69 and 29.85; curve 3: 41.17 and 40.03; curve 4: 11.20 and 23.52); the linear one moves a
    // third of the way, 49 and 27.
    const Case cases[] = {{0, 101, 73}, {1, 76, 59}, {2, 22, 29}, {3, 41, 40}, {4, 11, 23}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.curve));
        ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
        ReplaceSurface(g_Layers[2], NewSurface(wide));
        engine().m_panLayer = 2;
        engine().m_panKind = 0;
        engine().m_panFrom[0] = 150;
        engine().m_panFrom[1] = 100;
        engine().m_panTo[0] = 3;
        engine().m_panTo[1] = 19;
        engine().m_panMs = 900;
        Begin(kSceneScreenEffect, c.curve, 0);
        Frame(300);
        Frame(0);
        EXPECT_EQ(engine().m_modeLevel, 300 * 255 / 900);
        expectWindowAt(c.x, c.y);
        clock_.clock().Advance(600);
        EXPECT_EQ(FramesUntilScript(0), 3);
        expectWindowAt(3, 19);
        EXPECT_EQ(Capture(g_Layers[0]).At(0, 0), static_cast<uint32_t>(3 << 12 | 19));
        EXPECT_EQ(g_Layers[2], nullptr);
    }
}

TEST_F(ScreenTransition, PanOfLayer0EndsOnItsEndOffsetAndOtherKindsOnlyFreeTheirLayer) {
    // Kinds 0 and 1 end with the panned picture at its end offset (3, 19) on screen and in layer 0,
    // also when the panned layer is layer 0 itself; a kind above 3 draws nothing and frees its layer.
    const Picture wide(1224, 776, [](int32_t x, int32_t y) { return static_cast<uint32_t>(x << 12 | y); });
    struct Case {
        uint8_t layer, kind;
    };
    for (const Case c : {Case{0, 0}, Case{0, 1}, Case{2, 4}}) {
        SCOPED_TRACE(testing::Message() << "layer " << int(c.layer) << " kind " << int(c.kind));
        ReplaceSurface(g_Layers[0], NewSurface(c.layer == 0 ? wide : oldPicture));
        ReplaceSurface(g_Layers[2], NewSurface(wide));
        PaintScreen(oldPicture);
        engine().m_panLayer = c.layer;
        engine().m_panKind = c.kind;
        engine().m_panFrom[0] = 150;
        engine().m_panFrom[1] = 100;
        engine().m_panTo[0] = 3;
        engine().m_panTo[1] = 19;
        engine().m_panMs = 900;
        Begin(kSceneScreenEffect, 0, 0);
        Frame(300);
        Frame(600);
        EXPECT_EQ(FramesUntilScript(0), 3);
        const uint32_t end = c.kind <= 1 ? 3 << 12 | 19 : OldPixel(0, 0) & 0xFFFFFF;
        EXPECT_EQ(ScreenAt(0, 0), end);
        EXPECT_EQ(Capture(g_Layers[0]).At(0, 0), end);
        EXPECT_EQ(Capture(g_Layers[0]).At(1023, 575),
                  c.kind <= 1 ? 1026u << 12 | 594 : OldPixel(1023, 575) & 0xFFFFFF);
        EXPECT_EQ(g_Layers[2] == nullptr, c.layer == 2);
    }
}

TEST_F(ScreenTransition, TintBlendsItsColourAtItsOpacityAndFadesToIt) {
    struct Case {
        uint32_t tint; // 0xAARRGGBB: opacity, then the colour
        uint32_t under, tinted;
    };
    // The constant-opacity blend at L per channel: (t × L >> 8) + (u × (255 − L) >> 8); L = 0 draws
    // nothing.
    const Case cases[] = {
        {0x80FF0000, 0x808080, 0xBE3F3F}, // red 127 + 63; green and blue 0 + 63
        {0xFF0000FF, 0x808080, 0x0000FE}, // blue 254 + 0; red and green 0 + 0
        {0x40204060, 0x10C0F0, 0x139FCB}, // 8 + 11, 16 + 143, 24 + 179
        {0x00FFFFFF, 0x808080, 0x808080}, // no opacity: unchanged
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.tint);
        const Picture under(1024, 576, [&c](int32_t, int32_t) { return c.under; });
        const Picture tinted(1024, 576, [&c](int32_t, int32_t) { return c.tinted; });
        ReplaceSurface(g_Layers[0], NewSurface(under));
        ReplaceSurface(g_Layer1Backup[0], NewSurface(under));
        engine().m_tintColour = c.tint;
        Begin(kSceneColorTransition, 0, 1000);
        Frame(500);
        EXPECT_EQ(Capture(g_Layers[1]).pixels, tinted.pixels);
        Frame(0); // half way: level 127
        EXPECT_EQ(
            ScreenDiffs(Picture(
                1024, 576, [&c](int32_t, int32_t) { return kestrel::test::Blend(c.tinted, c.under, 127); })),
            0);
        clock_.clock().Advance(500);
        EXPECT_EQ(FramesUntilScript(0), 3);
        EXPECT_EQ(ScreenDiffs(tinted), 0);
        EXPECT_EQ(Capture(g_Layers[0]).pixels, tinted.pixels);
        EXPECT_EQ(Capture(g_Layer1Backup[0]).pixels, tinted.pixels);
        EXPECT_EQ(g_Layers[1], nullptr);
    }
}

TEST_F(ScreenTransition, FrameZoomEasesItsRectangleAlongTheSine) {
    // The frame: steps of 5, 7 and 3 between neighbours, so that a rectangle one pixel off shows.
    const Picture frame(1024, 576, [](int32_t x, int32_t y) {
        return static_cast<uint32_t>(((x + y) * 3 & 0xFF) << 16 | (y * 7 & 0xFF) << 8 | (x * 5 & 0xFF));
    });
    struct Case {
        int16_t from[4], to[4];
        uint32_t at;
        int16_t cur[4];
    };
    // 900 ms, so a = at / 10 whole degrees; each value that changes is S + sin(a) × (E − S) truncated
    // as a whole; a value whose ends are equal keeps the start the zoom command left in it.
    const Case cases[] = {
        // sin 45 = 0.7071: 181.02, 101.82, 661.96, 372.35
        {{0, 0, 1024, 576}, {256, 144, 512, 288}, 450, {181, 101, 661, 372}},
        // sin 60 = 0.8660: 221.70, 124.71, 580.59, 326.58
        {{0, 0, 1024, 576}, {256, 144, 512, 288}, 600, {221, 124, 580, 326}},
        // zooming out: 74.98, 42.18, 874.04, 491.65
        {{256, 144, 512, 288}, {0, 0, 1024, 576}, 450, {74, 42, 874, 491}},
        // a = 89, sin 0.99985: 0.04, 0.02, 1023.92, 575.96
        {{256, 144, 512, 288}, {0, 0, 1024, 576}, 899, {0, 0, 1023, 575}},
        // x and w stay; y 50 − 43.30 = 6.70, h 476 + 86.60 = 562.60
        {{100, 50, 824, 476}, {100, 0, 824, 576}, 600, {100, 6, 824, 562}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from[0] << "," << c.from[1] << " at " << c.at);
        ReplaceSurface(g_Layer1Backup[0], NewSurface(frame));
        ReplaceSurface(g_Layers[1], NewSurface(newPicture));
        CScriptMng& e = engine();
        e.m_zoomStep = 0;
        e.m_zoomMode = 0;
        e.m_zoomMs = 900;
        for (int i = 0; i < 4; ++i) {
            e.m_zoomFrom[i] = c.from[i];
            e.m_zoomTo[i] = c.to[i];
            e.m_zoomCur[i] = c.from[i] == c.to[i] ? c.from[i] : 0;
        }
        game().scene = kSceneFrameZoom;
        Frame(c.at); // the set-up
        Frame(0);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(e.m_zoomCur[i], c.cur[i]) << i;
        CDIB32* expected = NewSurface(oldPicture);
        BltStretchAlpha2(expected, 0, 0, 1024, 576, g_Layer1Backup[0], c.cur[0], c.cur[1], c.cur[2], c.cur[3],
                         255);
        EXPECT_EQ(ScreenDiffs(Capture(expected)), 0);
        delete expected;
        // At 90 degrees the zoom ends: the frame and layer 0 take layer 1.
        clock_.clock().Advance(900 - c.at);
        EXPECT_EQ(FramesUntilScript(0), 2);
        EXPECT_EQ(Capture(g_Layers[0]).pixels, Rgb(newPicture));
        EXPECT_EQ(Capture(g_Layer1Backup[0]).pixels, Rgb(newPicture));
    }
}

// The vertical style's window: a full-screen panel and a button bar, both with alpha that varies
// over the picture so that a wrong position or a blit without alpha shows.
uint32_t PanelPixel(int32_t x, int32_t y) {
    return static_cast<uint32_t>((x * 7 + y) & 0xFF) << 24 | 0x102080u | static_cast<uint32_t>(y & 0x3F);
}
uint32_t BarPixel(int32_t x, int32_t y) {
    return static_cast<uint32_t>((x * 5 + y * 3) & 0xFF) << 24 | 0xE0C000u | static_cast<uint32_t>(x & 0xFF);
}

TEST_F(ScreenTransition, WindowStyleChangeFadesTheWindowInOverHalfASecond) {
    const Picture panel(1024, 576, PanelPixel), bar(48, 200, BarPixel);
    // The end picture: the screen of the change with the panel over it at (0, 0) and the bar at
    // (976, 298), each blended by its own alpha.
    CDIB32* composed = NewSurface(oldPicture);
    CDIB32* panelSurface = NewSurface(panel, 32);
    CDIB32* barSurface = NewSurface(bar, 32);
    CDIB32::BltAlpha(composed, 0, 0, panelSurface, 0, 0, 1024, 576);
    CDIB32::BltAlpha(composed, 976, 298, barSurface, 0, 0, 48, 200);
    const Picture withWindow = Capture(composed);
    delete composed;
    ReplaceSurface(g_TextSurface, panelSurface);
    ReplaceSurface(g_NamePlateSurface, barSurface);

    struct Case {
        bool ctrl;
        uint8_t skipEffects;
        uint8_t skipRead;
        int frames; // 100-ms frames from the set-up to the interpreter
    };
    // The fade takes 500 ms whatever the mode duration says; SKIP does not cut it.
    const Case cases[] = {{false, 0, 0, 7}, {true, 0, 0, 3}, {false, 1, 0, 3}, {false, 0, 1, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ctrl " << c.ctrl << " effects " << int(c.skipEffects) << " skip "
                                        << int(c.skipRead));
        ReplaceSurface(g_Layers[0], NewSurface(newPicture));
        ReplaceSurface(g_Layers[1], NewSurface(newPicture));
        PaintScreen(oldPicture);
        engine().m_param63 = 5;
        engine().m_redrawWindow = 0;
        engine().m_skipEffects = c.skipEffects;
        engine().m_skipRead = c.skipRead;
        g_pKeyboard->ctrl = c.ctrl ? 1 : 0;
        Begin(kSceneTransition37, 0, 5000);
        EXPECT_EQ(FramesUntilScript(100), c.frames);
        // The window is baked into layer 0 and on screen; the style's base picture is the screen of
        // the change; the layer made for the fade is gone.
        EXPECT_EQ(ScreenDiffs(withWindow), 0);
        EXPECT_EQ(Capture(g_Layers[0]).pixels, Rgb(withWindow));
        EXPECT_EQ(Capture(g_Layer1Backup[1]).pixels, Rgb(oldPicture));
        EXPECT_EQ(g_Layers[1], nullptr);
        EXPECT_EQ(engine().m_param63, 0);
        EXPECT_EQ(engine().m_redrawWindow, 1);
        EXPECT_EQ(engine().m_msgStep, 0);
    }
    g_pKeyboard->ctrl = 0;
    engine().m_skipEffects = 0;
    engine().m_skipRead = 0;

    // Frame by frame: the window fades in over the screen of the change at (now - start) × 255 / 500.
    ReplaceSurface(g_Layers[0], NewSurface(newPicture));
    PaintScreen(oldPicture);
    Begin(kSceneTransition37, 0, 5000);
    Frame(0); // the set-up
    uint32_t elapsed = 0;
    for (uint32_t at : {0u, 100u, 250u, 499u}) {
        clock_.clock().Advance(at - elapsed);
        elapsed = at;
        Frame(0);
        const int32_t level = static_cast<int32_t>(at * 255 / 500);
        EXPECT_EQ(engine().m_modeLevel, level) << at;
        EXPECT_EQ(ScreenDiffs(EffectPicture(0, level, withWindow, oldPicture)), 0) << at;
    }
    clock_.clock().Advance(1);
    Frame(0); // 500 ms: the end picture, with layer 0 still the plain screen of the change
    EXPECT_EQ(engine().m_modeLevel, 255);
    EXPECT_EQ(ScreenDiffs(withWindow), 0);
    EXPECT_EQ(Capture(g_Layers[0]).pixels, Rgb(oldPicture));
    EXPECT_EQ(game().scene, kSceneTransition37);
    Frame(0);
    EXPECT_EQ(Capture(g_Layers[0]).pixels, Rgb(withWindow));
    EXPECT_EQ(game().scene, kSceneScript);
}

// The bottom window is emptied and drawn for style 0 only. In the vertical style the name-plate
// surface holds the button bar and the text surface the panel; the caption band has neither (op 64
// leaves them empty). The transition over a restored background and the sound-effect wait leave them
// alone and lay neither the bottom window's band nor its button strip over the picture.
TEST_F(ScreenTransition, OtherStylesKeepTheirWindowSurfacesThroughTheWindowEmptyingModes) {
    const Picture panel(1024, 576, PanelPixel), bar(48, 200, BarPixel);
    const Picture plate(200, 48, [](int32_t, int32_t) { return 0xFF00FF00u; }); // the style-0 frame
    ReplaceSurface(g_pScriptUiSurfaces[kUiFrameWork], NewSurface(plate, 32));
    ReplaceSurface(g_pScriptUiSurfaces[kUiWindowButtons], NewSurface(bar, 32));
    ReplaceSurface(g_MsgWindowSurface, NewSurface(panel, 32));
    for (uint8_t style : {1, 2}) {
        for (bool transition : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << "style " << int{style} << (transition ? " transition" : " wait"));
            ReplaceSurface(g_Layers[0], NewSurface(oldPicture));
            PaintScreen(oldPicture);
            ReplaceSurface(g_TextSurface, style == 1 ? NewSurface(panel, 32) : nullptr);
            ReplaceSurface(g_NamePlateSurface, style == 1 ? NewSurface(bar, 32) : nullptr);
            CDIB32 *const text = g_TextSurface, *const frame = g_NamePlateSurface;
            engine().m_windowStyle = style;
            if (transition) {
                ReplaceSurface(g_Layers[1], NewSurface(newPicture));
                engine().m_bgRestored = 1;
                Begin(kSceneTransition, 0, 100);
                ASSERT_NE(FramesUntilScript(50), -1);
                engine().m_bgRestored = 0;
            } else {
                game().scene = kSceneWaitSe;
                engine().m_msgStep = 0;
                engine().m_waitSeChannel = 3; // an empty channel: the wait ends after its window frame
                for (int i = 0; i < 3; ++i)
                    engine().ModeWaitSe();
                EXPECT_EQ(game().scene, kSceneScript);
            }
            ASSERT_EQ(g_TextSurface, text);
            ASSERT_EQ(g_NamePlateSurface, frame);
            if (style == 1) {
                EXPECT_EQ(Capture(g_TextSurface).pixels, Rgb(panel));
                EXPECT_EQ(Capture(g_NamePlateSurface).pixels, Rgb(bar));
            }
            // The screen's bottom rows are the picture's own (the caption style's letterbox bar
            // from row 490 after a transition).
            Picture under = transition ? newPicture : oldPicture;
            for (int32_t y = 490; transition && style == 2 && y < 576; ++y)
                for (int32_t x = 0; x < 1024; ++x)
                    under.At(x, y) = 0;
            EXPECT_EQ(ScreenDiffs(under, RECT{0, 448, 1024, 576}), 0);
        }
    }
    engine().m_windowStyle = 0;
}

TEST(TransitionLevel, RisesWithTimeAndEndsAtOnceWithoutDuration) {
    struct Case {
        uint32_t elapsed, duration;
        int32_t level;
    };
    const Case cases[] = {
        {0, 1000, 0},      {250, 1000, 63},   {500, 1000, 127}, {999, 1000, 254},
        {1000, 1000, 255}, {5000, 1000, 255}, {0, 0, 255},      {40'000'000, 50'000'000, 204},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kestrel::transition::Level(c.elapsed, c.duration), c.level)
            << c.elapsed << "/" << c.duration;
    EXPECT_EQ(kestrel::transition::MaskName(40), "bmp\\mask01.bmp");
    EXPECT_EQ(kestrel::transition::MaskName(59), "bmp\\mask20.bmp");
    EXPECT_EQ(kestrel::transition::MaskName(70), "bmp\\mask31.bmp");
    for (uint8_t kind : {0, 39, 60, 68, 71, 80})
        EXPECT_EQ(kestrel::transition::MaskName(kind), "") << static_cast<int>(kind);
}

} // namespace
