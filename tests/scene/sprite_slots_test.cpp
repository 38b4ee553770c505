// Sprite slots: the tween along each easing curve, the opacity ramp and the angle at chosen times of
// the fake clock (expected values from a plain transcription of the formulas), the commands that fill
// a slot, scene 38 run frame by frame, the drawing paths, the rotated blit and bad slot values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "graphics/sin_table.h"
#include "script/picture_fixture.h"

namespace {

using kestrel::test::BackgroundPixel;
using kestrel::test::ExpectPicture;
using kestrel::test::kSpriteH;
using kestrel::test::kSpriteW;
using kestrel::test::Rgb;
using kestrel::test::SpritePixel;
using kestrel::test::StepColumns;

constexpr double kPi = 3.14159265358979323846;
// White blended at full opacity: the level 255 gives (255 × 255) >> 8 per channel.
constexpr uint32_t kWhite = 0xFEFEFE;

// The tween of one field, written out from the rule: the angle a = span × t / (ms + 1) limited to the
// span, b the same over 90; nothing moves while it is 0 in the eased curves; the factor by curve;
// truncation toward zero; never past the end.
int Expected(int curve, int span, int ms, int s, int e, int t, bool xOrW) {
    if (s == e)
        return s;
    t = std::min(t, ms + 1);
    const int a = std::min(span * t / (ms + 1), span);
    const int b = std::min(90 * t / (ms + 1), 90);
    auto sinDeg = [](int deg) { return std::sin((deg % 180) * kPi / 180); };
    double f = 0;
    bool linear = false;
    switch (curve) {
        case 1:
            f = sinDeg(a);
            break;
        case 2:
            f = sinDeg(a + 90);
            break;
        case 3:
            f = std::log10(9 * sinDeg(a) + 1);
            break;
        case 4:
            f = 1 - std::log10(9 * sinDeg(a + 90) + 1);
            break;
        case 5:
            f = sinDeg(b + 90) * std::sin(2 * a * kPi / 180);
            break;
        case 6:
            f = sinDeg(b) * std::sin(2 * a * kPi / 180);
            break;
        case 10:
            linear = !xOrW;
            f = sinDeg(std::min(span * t / ms, span));
            break;
        case 11:
            linear = xOrW;
            f = sinDeg(a);
            break;
        default:
            linear = true;
            break;
    }
    if (((curve >= 1 && curve <= 4) || curve == 10 || curve == 11) && a == 0)
        return s;
    if ((curve == 5 || curve == 6) && b == 0)
        return s;
    int v = linear ? s + (s < e ? 1 : -1) * (std::abs(e - s) * t / (ms + 1))
                   : s + static_cast<int>(std::trunc(f * (e - s)));
    return s < e ? std::min(v, e) : std::max(v, e);
}

class SpriteSlots : public kestrel::test::PictureTest {
protected:
    SpriteSlot& Slot(int i) { return engine().m_sprites[i]; }
    // A slot going from `s` to `e` in x, w, y and h, started at the present time.
    void Begin(int i, uint8_t curve, uint32_t span, uint32_t ms, int16_t s, int16_t e) {
        SpriteSlot& sp = Slot(i);
        sp = SpriteSlot{};
        sp.start = SpriteRect{s, s, s, s, 0, 0, 10, 10};
        sp.cur = sp.start;
        sp.end = SpriteRect{e, e, e, e, 0, 0, 10, 10};
        sp.curve = curve;
        sp.curveSpan = span;
        sp.tweenMs = ms;
        sp.delayBase = timeGetTime();
        engine().UpdateSpriteTween(i); // the first update starts the slot
    }
    void At(uint32_t t0, uint32_t t, int slot = 0) {
        clock_.clock().Set(t0 + t);
        engine().UpdateSpriteTween(slot);
    }
    // A started slot standing still on `r`, turned by `angle` degrees at opacity `alpha`.
    SpriteSlot& Still(int i, const SpriteRect& r, uint32_t angle, int16_t alpha) {
        SpriteSlot& sp = Slot(i);
        sp = SpriteSlot{};
        sp.start = sp.cur = sp.end = r;
        sp.angleStart = sp.angle = angle;
        sp.started = 1;
        sp.alpha = alpha;
        return sp;
    }
};

TEST_F(SpriteSlots, RectangleFollowsItsCurveAndStopsAtTheEnd) {
    // The worked example first: curve 1 over a quarter wave, 0 → 100 in 1000 ms.
    const uint32_t t0 = 20000;
    clock_.clock().Set(t0);
    Begin(0, 1, 90, 1000, 0, 100);
    const std::pair<uint32_t, int> worked[] = {{500, 69}, {1000, 99}, {1001, 100}, {60000, 100}};
    for (auto [t, x] : worked) {
        At(t0, t);
        EXPECT_EQ(Slot(0).cur.x, x) << t;
    }
    const struct {
        uint8_t curve;
        uint32_t span, ms;
        int16_t s, e;
    } cases[] = {
        {0, 90, 1000, 0, 100}, {0, 90, 1000, 100, 0},    {1, 90, 700, -50, 300},  {2, 90, 1000, 0, 100},
        {3, 90, 1000, 0, 100}, {4, 90, 1000, 0, 100},    {5, 90, 1000, 0, 100},   {5, 180, 1000, 10, 90},
        {6, 90, 1000, 0, 100}, {6, 180, 1000, 90, 10},   {10, 90, 1000, 0, 200},  {11, 90, 1000, 0, 200},
        {20, 90, 999, 5, 6},   {21, 45, 400, 300, -300}, {3, 45, 1000, 100, 100}, {1, 90, 1, 0, 1000}};
    for (const auto& c : cases) {
        for (uint32_t t : {0u, 1u, 7u, 250u, 500u, 999u, 1000u, 1001u, 5000u}) {
            clock_.clock().Set(t0);
            Begin(0, c.curve, c.span, c.ms, c.s, c.e);
            At(t0, t);
            const SpriteRect& r = Slot(0).cur;
            const auto label = "curve " + std::to_string(c.curve) + " " + std::to_string(c.s) + "→" +
                               std::to_string(c.e) + " at " + std::to_string(t);
            EXPECT_EQ(r.x, Expected(c.curve, c.span, c.ms, c.s, c.e, t, true)) << label;
            EXPECT_EQ(r.w, Expected(c.curve, c.span, c.ms, c.s, c.e, t, true)) << label;
            EXPECT_EQ(r.y, Expected(c.curve, c.span, c.ms, c.s, c.e, t, false)) << label;
            EXPECT_EQ(r.h, Expected(c.curve, c.span, c.ms, c.s, c.e, t, false)) << label;
        }
    }
}

TEST_F(SpriteSlots, SlotWithoutDurationNeverMoves) {
    clock_.clock().Set(100);
    Begin(0, 1, 90, 0, 10, 500);
    At(100, 100000);
    EXPECT_EQ(Slot(0).cur.x, 10);
    EXPECT_EQ(Slot(0).started, 1);
}

TEST_F(SpriteSlots, OpacityRampAndAngleFollowTheClock) {
    const struct {
        int16_t from, to;
        uint32_t startDeg, endDeg, ms, t;
        int16_t alpha;
    } ramps[] = {
        {0, 256, 0, 90, 1000, 500, 177},    // d = 44: trunc(sin 44° × 256)
        {0, 256, 0, 90, 1000, 1100, 256},   // past the ramp: the end value
        {0, 256, 0, 180, 1000, 500, 255},   // d = 89 of 180: sin 89°
        {0, 256, 0, 180, 1000, 1100, 0},    // risen and fallen back
        {50, 200, 30, 90, 1000, 2000, 173}, // past the ramp: trunc(sin 120° × 200)
        {0, 900, 0, 90, 100, 500, 256},     // limited to 256
        {-400, 0, 0, 90, 100, 0, 0},        // and to 0
    };
    for (const auto& r : ramps) {
        clock_.clock().Set(5000);
        Begin(1, 0, 0, 0, 0, 0);
        SpriteSlot& sp = Slot(1);
        sp.fadeFrom = r.from;
        sp.fadeTo = r.to;
        sp.fadeAngleStart = r.startDeg;
        sp.fadeAngleEnd = r.endDeg;
        sp.fadeMs = r.ms;
        sp.fadeOn = 1;
        At(5000, r.t, 1);
        EXPECT_EQ(sp.alpha, r.alpha) << r.from << "→" << r.to << " at " << r.t;
    }
    // The angle: from 10 to 100 degrees over the tween; a fixed angle holds; whole turns wrap.
    const struct {
        uint32_t fixed, start, end, t, angle;
    } angles[] = {{0, 10, 100, 500, 55},
                  {30, 10, 100, 500, 30},
                  {0, 10, 720, 1000, 0},
                  {0, 10, 720, 10000, 270},
                  {0, 100, 10, 500, 55}};
    for (const auto& a : angles) {
        clock_.clock().Set(5000);
        Begin(2, 0, 90, 1000, 0, 0);
        Slot(2).angleFixed = a.fixed;
        Slot(2).angleStart = a.start;
        Slot(2).angleEnd = a.end;
        At(5000, a.t, 2);
        EXPECT_EQ(Slot(2).angle, a.angle) << a.start << "→" << a.end << " at " << a.t;
    }
}

TEST_F(SpriteSlots, DelayHoldsTheSlotBack) {
    clock_.clock().Set(1000);
    Begin(0, 0, 90, 1000, 0, 100);
    SpriteSlot& sp = Slot(0);
    sp.started = 0;
    sp.delayMs = 300;
    sp.delayBase = 1000;
    At(1000, 299);
    EXPECT_EQ(sp.started, 0);
    At(1000, 300);
    EXPECT_EQ(sp.started, 1);
    EXPECT_EQ(sp.tweenStart, 1300u) << "the tween runs from the end of the delay";
    At(1300, 500);
    EXPECT_EQ(sp.cur.x, 100 * 500 / 1001);
}

TEST_F(SpriteSlots, CommandsFillTheSlotFields) {
    clock_.clock().Set(7000);
    Start("LoadSprite 3, \"bmp\\\\spr.bmp\"\n"
          "MaskTransition 3, 0, 1:2, 3:4, 5:6, 7:8, 9, 10\n"
          "SpriteMotion 3, 6, 11:12, 13:14, 15:16, 17:18, 19, 20, 21\n"
          "SpriteRange 3, 22, 23\n"
          "SpriteSine 3, 24, 25, 26\n"
          "SpriteRestart 3\n"
          "SpriteAnim 3, 500\n");
    EXPECT_EQ(RunUntilWait(), kSceneSpriteAnim);
    const SpriteSlot& sp = Slot(3);
    const SpriteRect start{1, 2, 3, 4, 5, 6, 7, 8}, end{11, 12, 13, 14, 15, 16, 17, 18};
    const std::pair<SpriteRect, SpriteRect> rects[] = {{sp.start, start}, {sp.cur, start}, {sp.end, end}};
    for (const auto& [got, want] : rects) {
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.w, want.w);
        EXPECT_EQ(got.h, want.h);
        EXPECT_EQ(got.sx, want.sx);
        EXPECT_EQ(got.sy, want.sy);
        EXPECT_EQ(got.sw, want.sw);
        EXPECT_EQ(got.sh, want.sh);
    }
    EXPECT_EQ(sp.angleFixed, 9u);
    EXPECT_EQ(sp.angleStart, 10u);
    EXPECT_EQ(sp.angle, 10u);
    EXPECT_EQ(sp.curve, 6);
    EXPECT_EQ(sp.curveSpan, 19u);
    EXPECT_EQ(sp.angleEnd, 20u);
    EXPECT_EQ(sp.tweenMs, 21u);
    EXPECT_EQ(sp.fadeAngleStart, 22u);
    EXPECT_EQ(sp.fadeFrom, 23);
    EXPECT_EQ(sp.fadeAngleEnd, 24u);
    EXPECT_EQ(sp.fadeTo, 25);
    EXPECT_EQ(sp.fadeMs, 26u);
    EXPECT_EQ(sp.fadeOn, 1);
    EXPECT_EQ(sp.fadeStart, 7000u);
    EXPECT_EQ(sp.delayBase, 7000u);
    EXPECT_EQ(sp.tweenStart, 7000u);
    EXPECT_EQ(engine().m_spriteAnimStart, 7000u);
    EXPECT_EQ(engine().m_spriteAnimMs, 500u);
    EXPECT_EQ(engine().m_slotMaskNo, 0);
    EXPECT_STREQ(game().spritePictureNames[3], "bmp\\spr.bmp");
    EXPECT_EQ(game().spriteMotion[0][3], 11);
    EXPECT_EQ(game().spriteMotion[7][3], 18);
    EXPECT_EQ(game().spriteMotion[8][3], 25);
    ASSERT_NE(g_pSpriteSurfaces[3], nullptr);

    Start("SpriteReset 3\nExitToMenu\n");
    engine().RunScript();
    EXPECT_EQ(g_pSpriteSurfaces[3], nullptr);
    EXPECT_EQ(Slot(3).end.x, 0);
    EXPECT_EQ(Slot(3).fadeOn, 0);
    EXPECT_EQ(game().spritePictureNames[3][0], '\0');
    EXPECT_EQ(game().spriteMotion[0][3], 0);
}

TEST_F(SpriteSlots, SceneMovesTheSpriteOverTheBackgroundFrameByFrame) {
    // The background reaches layer 0 through the transition; the sprite (20 × 10, shown at double
    // size) moves from x 100 to 300 in 1000 ms and is opaque after a 1 ms ramp.
    Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nTransition 0, 0\nLoadSprite 0, \"bmp\\\\spr.bmp\"\n"
          "MaskTransition 0, 0, 100:50, 40:20, 0:0, 20:10, 0, 0\n"
          "SpriteMotion 0, 0, 300:50, 40:20, 0:0, 20:10, 0, 0, 1000\n"
          "SpriteRange 0, 0, 0\nSpriteSine 0, 90, 256, 1\nSpriteRestart 0\nSpriteAnim 0, 1000\nExitToMenu\n");
    clock_.clock().Set(10000);
    EXPECT_EQ(RunTo(kSceneSpriteAnim), kSceneSpriteAnim);
    game().Frame(); // starts the slot
    const std::vector<int32_t> cols = StepColumns(kSpriteW, 40), rows = StepColumns(kSpriteH, 20);
    auto sceneAt = [&](int32_t sx) {
        return [&, sx](int32_t x, int32_t y) {
            if (x >= sx && x < sx + 40 && y >= 50 && y < 70)
                return SpritePixel(cols[static_cast<size_t>(x - sx)], rows[static_cast<size_t>(y - 50)]);
            return BackgroundPixel(x, y);
        };
    };
    clock_.clock().Advance(300);
    game().Frame();
    EXPECT_EQ(game().scene, kSceneSpriteAnim);
    ExpectPicture(g_ScreenSurface, 1024, 576, sceneAt(100 + 200 * 300 / 1001));
    clock_.clock().Advance(200);
    game().Frame();
    ExpectPicture(g_ScreenSurface, 1024, 576, sceneAt(100 + 200 * 500 / 1001)); // no trail behind it
    ExpectPicture(g_Layers[0], 1024, 576, BackgroundPixel);

    // Ctrl: the slot is put at its end at once, and the mode ends in the next frame.
    g_pKeyboard->ctrl = 1;
    game().Frame();
    EXPECT_EQ(Slot(0).cur.x, 300);
    EXPECT_EQ(Slot(0).tweenMs, 0u);
    ExpectPicture(g_ScreenSurface, 1024, 576, sceneAt(300));
    game().Frame();
    EXPECT_EQ(game().scene, kSceneScript);
    g_pKeyboard->ctrl = 0;
}

TEST_F(SpriteSlots, SceneEndsAfterItsDurationOrAtAClick) {
    Start("LoadSprite 0, \"bmp\\\\spr.bmp\"\nMaskTransition 0, 0, 0:0, 20:10, 0:0, 20:10, 0, 0\n"
          "SpriteMotion 0, 1, 500:400, 20:10, 0:0, 20:10, 90, 0, 5000\n"
          "SpriteRange 0, 0, 0\nSpriteSine 0, 90, 128, 4000\nSpriteRestart 0\nSpriteAnim 0, 300\n"
          "SpriteRestart 0\nSpriteAnim 0, 10000\nExitToMenu\n");
    clock_.clock().Set(1000);
    EXPECT_EQ(RunTo(kSceneSpriteAnim), kSceneSpriteAnim);
    game().Frame();
    clock_.clock().Advance(299);
    game().Frame();
    EXPECT_EQ(game().scene, kSceneSpriteAnim);
    clock_.clock().Advance(1);
    game().Frame();
    game().Frame();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_LT(Slot(0).cur.x, 500) << "the duration ends the mode, not the motion";
    EXPECT_EQ(RunTo(kSceneSpriteAnim), kSceneSpriteAnim);
    g_pMouse->state.left = 1;
    game().Frame();
    EXPECT_EQ(g_pMouse->state.left, 0);
    EXPECT_EQ(Slot(0).cur.x, 500);
    EXPECT_EQ(Slot(0).cur.y, 400);
    clock_.clock().Advance(1);
    game().Frame();
    EXPECT_EQ(Slot(0).alpha, 128) << "the skipped ramp ends too";
    EXPECT_EQ(game().scene, kSceneScript);
}

// A square picture of one colour, 32 bits, opaque, in sprite slot 0.
CDIB32* SolidPicture(int32_t w, int32_t h, uint32_t colour, bool alpha) {
    auto* s = new CDIB32();
    const auto bytes = kestrel::test::WriteBitmapPixels(
        w, h, std::vector<uint32_t>(static_cast<size_t>(w) * static_cast<size_t>(h), colour),
        alpha ? 32 : 24);
    s->LoadFromMemory(bytes.data(), bytes.size());
    return s;
}

// Slot 0 drawn (or stamped) over a white screen: the colour at (600, 400).
uint32_t OverWhite(CScriptMng& e, bool stamp) {
    g_ScreenSurface->Fill(0xFFFFFF, nullptr);
    if (stamp)
        e.StampSpriteSlot(0, g_ScreenSurface);
    else
        e.DrawSpriteSlot(0);
    return Rgb(g_ScreenSurface, 600, 400);
}

TEST_F(SpriteSlots, RotatedSlotsAreDrawnWholeAtFullColour) {
    // A 20 × 20 square turned by 90 degrees about its centre (600, 400), at opacity 256: the packed
    // level is 255, which gives every channel as (c × 255) >> 8.
    const uint32_t colour = 0xFFC08040u;
    auto full = [](uint32_t c) {
        return ((c >> 16 & 0xFF) * 255 >> 8) << 16 | ((c >> 8 & 0xFF) * 255 >> 8) << 8 |
               ((c & 0xFF) * 255 >> 8);
    };
    for (bool alpha : {true, false}) {
        g_ScreenSurface->Fill(0x000000, nullptr);
        ReplaceSurface(g_pSpriteSurfaces[0], SolidPicture(20, 20, colour, alpha));
        clock_.clock().Set(100);
        Still(0, SpriteRect{600, 400, 20, 20, 0, 0, 20, 20}, 90, 256);
        engine().DrawSpriteSlot(0);
        for (int32_t y = 393; y < 407; ++y)
            for (int32_t x = 593; x < 607; ++x)
                ASSERT_EQ(Rgb(g_ScreenSurface, x, y), full(colour)) << alpha << " " << x << "," << y;
        EXPECT_EQ(Rgb(g_ScreenSurface, 585, 400), 0u);
        EXPECT_EQ(Rgb(g_ScreenSurface, 600, 415), 0u);
    }
}

TEST_F(SpriteSlots, PartlyFadedRotatedPicturesLeaveTheRestToWhatLiesUnder) {
    // A black 24-bit square at opacity 128 over white, drawn and stamped: the picture weighs 128 / 256
    // and what lies under it (256 − 128) / 256, so every channel is (255 × 128) >> 8 = 0x7F.
    ReplaceSurface(g_pSpriteSurfaces[0], SolidPicture(20, 20, 0xFF000000u, false));
    Still(0, SpriteRect{600, 400, 20, 20, 0, 0, 20, 20}, 90, 128);
    for (bool stamp : {false, true})
        EXPECT_EQ(OverWhite(engine(), stamp), 0x7F7F7Fu) << stamp;
}

TEST_F(SpriteSlots, ARampPastItsEndDrawsAndStampsAtTheSineOfBothAnglesTimesItsEnd) {
    // A black 24-bit square over white after its ramp, drawn and stamped: at opacity a every channel
    // is (255 × (256 − a)) >> 8, and a slot left at opacity 0 is not drawn at all.
    const struct {
        int16_t from, to;
        uint32_t startDeg, endDeg;
        int alpha;
    } ramps[] = {
        {100, 256, 0, 180, 0},  // risen and fallen back: gone
        {0, 200, 30, 90, 173},  // trunc(sin 120° × 200)
        {128, 256, 90, 180, 0}, // −256, kept to 0
        {0, 256, 0, 90, 256},
    };
    ReplaceSurface(g_pSpriteSurfaces[0], SolidPicture(20, 20, 0xFF000000u, false));
    for (const auto& r : ramps) {
        SpriteSlot& sp = Still(0, SpriteRect{600, 400, 20, 20, 0, 0, 20, 20}, 90, 0);
        sp.fadeFrom = r.from;
        sp.fadeTo = r.to;
        sp.fadeAngleStart = r.startDeg;
        sp.fadeAngleEnd = r.endDeg;
        sp.fadeMs = 1000;
        sp.fadeOn = 1;
        clock_.clock().Set(1500);
        for (bool stamp : {false, true}) {
            const uint32_t c = 255u * static_cast<uint32_t>(256 - r.alpha) >> 8;
            EXPECT_EQ(OverWhite(engine(), stamp), c << 16 | c << 8 | c)
                << r.from << "→" << r.to << ", " << r.startDeg << "→" << r.endDeg
                << (stamp ? " stamped" : "");
        }
    }
}

TEST_F(SpriteSlots, RotatedBlitTurnsAboutTheWorkSurfacePoint) {
    // A 6 × 40 bar: upright at 0 and 180 degrees, lying at 90 and 270, always about the point
    // (58, 54) of the work surface, which lands at (20, 0).
    CDIB32* bar = SolidPicture(6, 40, 0xFFFFFFFFu, true);
    for (int angle : {0, 90, 180, 270}) {
        g_ScreenSurface->Fill(0x000000, nullptr);
        RotateBlit(g_ScreenSurface, 20, 0, bar, angle);
        const bool upright = angle % 180 == 0;
        for (int d : {-15, -8, 8, 15}) {
            EXPECT_EQ(Rgb(g_ScreenSurface, 78, 54 + d), upright ? kWhite : 0u) << angle << " " << d;
            EXPECT_EQ(Rgb(g_ScreenSurface, 78 + d, 54), upright ? 0u : kWhite) << angle << " " << d;
        }
        EXPECT_EQ(Rgb(g_ScreenSurface, 78, 54), kWhite) << angle;
    }
    delete bar;
    // A bar longer than the 100 × 100 work square is cut at its edge, also once a large rotated
    // sprite has grown the shared work surface: row 99 of the square shows it, row 100 not.
    CDIB32* longBar = SolidPicture(6, 160, 0xFFFFFFFFu, true);
    ReplaceSurface(g_pSpriteSurfaces[0], SolidPicture(300, 300, 0xFFFFFFFFu, true));
    Still(0, SpriteRect{500, 300, 300, 300, 0, 0, 300, 300}, 45, 256);
    for (bool grown : {false, true}) {
        if (grown)
            engine().DrawSpriteSlot(0);
        g_ScreenSurface->Fill(0x000000, nullptr);
        RotateBlit(g_ScreenSurface, 20, 0, longBar, 0);
        EXPECT_EQ(Rgb(g_ScreenSurface, 78, 99), kWhite) << grown;
        EXPECT_EQ(Rgb(g_ScreenSurface, 78, 100), 0u) << grown;
    }
    delete longBar;
}

TEST_F(SpriteSlots, ClockHandsTurnWithTheTime) {
    // A hand: a 4 × 61 picture, white from its top to just above its centre row 31, transparent
    // below, so it points one way from the centre, which lands at (78, 54). The minute hand turns
    // 6 degrees a minute; the hour hand 30 degrees an hour (modulo 12) and half a degree a minute
    // (whole degrees: 59 minutes add 29). A hand at d degrees (clockwise from up) covers the point
    // 20 pixels from the centre in its direction and neither point 15 degrees to either side.
    std::vector<uint32_t> pixels(4 * 61, 0);
    std::fill(pixels.begin(), pixels.begin() + 4 * 30, 0xFFFFFFFFu);
    const auto bytes = kestrel::test::WriteBitmapPixels(4, 61, pixels, 32);
    const struct {
        uint8_t hour, minute;
        int hourDeg, minuteDeg;
    } times[] = {{14, 30, 75, 180}, {3, 0, 90, 0}, {9, 40, 290, 240}, {0, 59, 29, 354}, {23, 15, 337, 90}};
    auto at = [](int deg, int r) {
        const double a = deg * kPi / 180;
        return Rgb(g_ScreenSurface, static_cast<int32_t>(std::floor(78 + r * std::sin(a))),
                   static_cast<int32_t>(std::floor(54 - r * std::cos(a))));
    };
    for (const int hand : {kUiTimeShort, kUiTimeLong}) {
        for (int ui : {kUiTimeShort, kUiTimeLong}) {
            ReplaceSurface(g_pScriptUiSurfaces[ui], nullptr);
            if (ui == hand) {
                g_pScriptUiSurfaces[ui] = new CDIB32();
                g_pScriptUiSurfaces[ui]->LoadFromMemory(bytes.data(), bytes.size());
            }
        }
        for (const auto& t : times) {
            const int deg = hand == kUiTimeShort ? t.hourDeg : t.minuteDeg;
            SCOPED_TRACE(testing::Message() << (hand == kUiTimeShort ? "hour" : "minute") << " hand at "
                                            << int(t.hour) << ":" << int(t.minute));
            g_ScreenSurface->Fill(0x000000, nullptr);
            engine().m_clockHour = t.hour;
            engine().m_clockMinute = t.minute;
            engine().DrawClockHud();
            EXPECT_EQ(at(deg, 20), kWhite);
            EXPECT_EQ(at(deg - 15, 20), 0u);
            EXPECT_EQ(at(deg + 15, 20), 0u);
        }
    }
}

TEST_F(SpriteSlots, BadSlotValuesDrawNothingOutsideTheSurfaces) {
    ReplaceSurface(g_Layers[0], SolidPicture(1024, 576, 0xFF102030u, false));
    ReplaceSurface(g_pSpriteSurfaces[0], SolidPicture(20, 20, 0xFFFFFFFFu, true));
    ReplaceSurface(g_pSpriteSurfaces[1], SolidPicture(20, 20, 0xFFFFFFFFu, false));
    const SpriteRect rects[] = {
        {100, 100, 20, 20, 0, 0, 0, 0},         // empty source
        {100, 100, 0, 0, 0, 0, 20, 20},         // zoom 0
        {30000, -30000, 20, 20, 0, 0, 20, 20},  // far outside
        {-10, -10, 32000, 32000, 0, 0, 20, 20}, // huge
        {1000, 560, 300, 300, -5, -5, 40, 40},  // past the screen and the picture
    };
    for (const SpriteRect& r : rects) {
        for (uint32_t angle : {0u, 45u, 400u, 0xFFFFFFFFu}) {
            for (int slot : {0, 1}) {
                SpriteSlot& sp = Still(slot, r, angle, 256);
                sp.tweenMs = 10;
                for (uint8_t curve : {0, 20, 21}) {
                    sp.curve = curve;
                    engine().DrawSpriteAnimFrame();
                }
            }
        }
    }
    engine().m_slotMaskNo = 3; // no layer 1 to draw into
    engine().DrawSpriteAnimFrame();
    g_pKeyboard->ctrl = 1;
    engine().m_msgStep = 0;
    engine().ModeSpriteAnim();
    EXPECT_EQ(game().fullRect.right, 1024);
    g_pKeyboard->ctrl = 0;
    ExpectPicture(g_Layers[0], 1024, 576, [](int32_t, int32_t) { return 0x102030u; });
    EXPECT_GE(g_pSpriteSurfaces[kSpriteWorkSurface]->GetWidth(), 100);
    EXPECT_LE(g_pSpriteSurfaces[kSpriteWorkSurface]->GetWidth(), 4096);
}

} // namespace

namespace {

TEST_F(SpriteSlots, StampingDrawsTheSlotsIntoLayerZeroAndTheScreen) {
    // Slot 0 as it stands (top-left at (100, 100), unscaled, opaque): a mapped picture at the packed
    // level 255.
    Start("LoadSprite 0, \"bmp\\\\spr.bmp\"\nMaskTransition 0, 0, 100:100, 20:10, 0:0, 20:10, 0, 0\n"
          "StampSprites -1\nStampSprites 0\nExitToMenu\n");
    engine().RunScript();
    engine().RunScript();
    Slot(0).alpha = 256;
    engine().RunScript();
    ExpectPicture(g_Layers[0], 1024, 576, [](int32_t, int32_t) { return 0u; });
    engine().RunScript();
    auto full = [](uint32_t c) {
        return ((c >> 16 & 0xFF) * 255 >> 8) << 16 | ((c >> 8 & 0xFF) * 255 >> 8) << 8 |
               ((c & 0xFF) * 255 >> 8);
    };
    for (CDIB32* target : {g_Layers[0], g_ScreenSurface}) {
        // The mapped blit steps through the source along the quad's edges: each pixel shows the
        // source pixel at its place or a neighbour, at the full level.
        for (int32_t y = 1; y < kSpriteH - 1; ++y)
            for (int32_t x = 1; x < kSpriteW - 1; ++x) {
                bool near = false;
                for (int32_t v = y - 1; v <= y + 1; ++v)
                    for (int32_t u = x - 1; u <= x + 1; ++u)
                        near = near || Rgb(target, 100 + x, 100 + y) == full(SpritePixel(u, v));
                ASSERT_TRUE(near) << x << "," << y << ": " << std::hex << Rgb(target, 100 + x, 100 + y);
            }
        EXPECT_EQ(Rgb(target, 98, 104), 0u);
        EXPECT_EQ(Rgb(target, 100 + kSpriteW + 2, 104), 0u);
    }
}

TEST_F(SpriteSlots, MaskedSlotsAreDrawnIntoABlankLayerOne) {
    Start("LoadBg 1, \"bmp\\\\bg_a.bmp\"\nLoadSprite 0, \"bmp\\\\spr.bmp\"\n"
          "MaskTransition 0, 3, 10:10, 20:10, 0:0, 20:10, 0, 0\nExitToMenu\n");
    EXPECT_EQ(RunTo(kSceneTitleMenu), kSceneTitleMenu);
    EXPECT_EQ(engine().m_slotMaskNo, 3);
    ASSERT_NE(g_RuleMaskSurface, nullptr);
    ExpectPicture(g_Layers[1], 1024, 576, [](int32_t, int32_t) { return 0u; });
    Slot(0).started = 1;
    Slot(0).alpha = 256;
    engine().DrawSpriteSlot(0);
    ExpectPicture(g_Layers[1], 1024, 576, [](int32_t x, int32_t y) {
        return x >= 10 && x < 10 + kSpriteW && y >= 10 && y < 10 + kSpriteH ? SpritePixel(x - 10, y - 10)
                                                                            : 0u;
    });
    EXPECT_EQ(Rgb(g_ScreenSurface, 15, 15), 0u) << "the screen is left to the mask";
}

} // namespace
