// The eye screen (scene 19) and the eye sequence (scene 44): two scripted full-screen sequences that a
// script command hands control to and that hand it back to the interpreter (scene 2) when done.
//
// The eye screen fades the picture on screen to white, then to the eye base picture, slides the eye
// picture in over its lower left part, holds the result for two seconds and fades to white. The eye
// sequence assembles lines and panels cut from a sheet picture on a white screen while a background
// picture pans in a narrow window, and ends in white.
//
// Both are paced by the millisecond clock alone: a slow frame shortens the number of frames of a
// phase, not its length.
#include <cstdio>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/sequence_layouts.h"
#include "scene/sequence_surfaces.h"
#include "script/script_mng.h"

using namespace kestrel::sequence;

namespace {

void ResetRepaintRect() {
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, kScreenWidth, kScreenHeight};
}

// ---- Eye screen ----------------------------------------------------------------------------------

// Layers of the eye screen: 0 the finished picture, 1 white, 2 the eye base, 3 the eye picture.
constexpr int kEyeWhite = 1;
constexpr int kEyeBase = 2;
constexpr int kEyePicture = 3;

// The eye picture: (0, 0, 370, 216) of its bitmap, resting at (20, 372); it slides in from 44 pixels
// further left over its first 480 ms, 64 pixels in all.
constexpr int32_t kEyeY = 372;
constexpr int32_t kEyeSlideFrom = -44;
constexpr int32_t kEyeSlide = 64;
constexpr uint32_t kEyeSlideMs = 480;
// The strip restored under the sliding picture each frame.
constexpr int32_t kEyeRestoreW = 390;

// A timed phase (sub-states 1 to 5): its level runs e × 255 / ms and the phase ends when it reaches
// 255. A fade draws screen effect 0 bringing in layer `fadeIn` over layer `fadeOver`; that layer then
// becomes layer 0.
struct EyeScreenPhase {
    uint32_t ms;
    int8_t fadeIn; // -1: not a fade
    int8_t fadeOver;
};
constexpr EyeScreenPhase kEyeScreenPhases[] = {
    {1000, kEyeWhite, 0}, // 1: the picture on screen fades to white
    {1000, kEyeBase, 0},  // 2: white fades to the eye base
    {1000, -1, -1},       // 3: the eye picture slides and fades in
    {2000, -1, -1},       // 4: hold
    {1000, kEyeWhite, 0}, // 5: the eye picture fades to white
};
constexpr uint8_t kEyeSlideStep = 3;
constexpr uint8_t kEyeHoldStep = 4;
constexpr uint8_t kEyeScreenFinish = 6;

// ---- Eye sequence --------------------------------------------------------------------------------

// Layers of the eye sequence: 1 white, collecting the finished parts (W); 2 the sheet picture (P);
// 3 the background (B); 4 a second white surface.
constexpr int kSeqWhite = 1;
constexpr int kSeqSheet = 2;
constexpr int kSeqBackground = 3;
constexpr int kSeqWhite2 = 4;

constexpr uint8_t kEyeSequenceFinish = 9;

// The background picture by sequence number; a number beyond the table loads none.
constexpr const char* EyeSequenceBackgrounds[] = {
    "bmp\\bg07a.bmp", "bmp\\bg01d.bmp", "bmp\\bg05a.bmp", "bmp\\bg12b.bmp", "bmp\\bg13c.bmp",
    "bmp\\bg33c.bmp", "bmp\\bg16a.bmp", "bmp\\bg17b.bmp", "bmp\\bg18a.bmp", "bmp\\bg22c.bmp",
    "bmp\\bg23e.bmp", "bmp\\bg04a.bmp", "bmp\\bg32c.bmp", "bmp\\bg20c.bmp", "bmp\\bg07a.bmp",
    "bmp\\bg26a.bmp", "bmp\\bg31a.bmp", "bmp\\bg33b.bmp", "bmp\\bg33a.bmp", "bmp\\bg05a.bmp",
    "bmp\\bg20a.bmp", "bmp\\bg29a.bmp", "bmp\\bg23d.bmp", "bmp\\bg33c.bmp", "bmp\\bg13b.bmp",
    "bmp\\bg27a.bmp",
};
constexpr size_t kEyeSequenceBackgroundCount =
    sizeof EyeSequenceBackgrounds / sizeof EyeSequenceBackgrounds[0];
static_assert(kEyeSequenceBackgroundCount == 26);

// A timed phase (sub-states 1 to 8): it ends in the first frame in which e > ms. At its end the cuts
// are fixed into W and layer `shows` is copied to the screen (-1: nothing).
struct EyeSequencePhase {
    uint32_t ms;
    const SheetCut* fixed;
    int fixedCount;
    int8_t shows;
};
constexpr EyeSequencePhase kEyeSequencePhases[] = {
    {500, kEyeVerticalLines, 2, kSeqWhite},   // 1: two vertical lines grow
    {500, kEyeHorizontalLines, 2, kSeqWhite}, // 2: two horizontal lines grow
    {100, nullptr, 0, kSeqWhite},             // 3: pause; the background clock starts at its end
    {500, kEyePanels, 3, kSeqWhite},          // 4: the panel and two captions come in
    {3, nullptr, 0, kSeqWhite},               // 5: pause
    {1200, nullptr, 0, -1},                   // 6: hold
    {3000, kEyePanel, 1, kSeqWhite},          // 7: the eye panel fades in
    {2000, nullptr, 0, kSeqWhite2},           // 8: additive white-out
};
constexpr uint8_t kBackgroundClockStep = 3;
constexpr uint8_t kWhiteOutStep = 8;

// The background window: a 174 × 536 window of the background at (586, 0), fading in over 1200 ms
// and panning 80 pixels every 3000 ms, with a divider strip of the sheet at (742, 0).
constexpr int32_t kWindowX = 586;
constexpr int32_t kWindowW = 174;
constexpr int32_t kWindowH = 536;
constexpr uint32_t kWindowFadeMs = 1200;
constexpr uint32_t kWindowPan = 80;
constexpr uint32_t kWindowPanMs = 3000;

// The millisecond clock at which the background window began.
uint32_t g_backgroundClock = 0;

CDIB32* Screen() {
    return g_ScreenSurface;
}

// The cut at full opacity into `dst`, or at `level` with the same source and destination size.
void DrawCut(CDIB32* dst, const SheetCut& c, uint32_t level = 255) {
    CDIB32::BltAlphaFadeEx(dst, c.x, c.y, c.w, c.h, g_Layers[kSeqSheet], c.sx, c.sy, c.w, c.h,
                           static_cast<uint16_t>(AtMost(level, 0xFFFF)));
}

void DrawBackgroundWindow(uint32_t now) {
    const uint32_t t = now - g_backgroundClock;
    const uint32_t f = AtMost(Level(t, 255, kWindowFadeMs), 255);
    const uint32_t g = Level(t, kWindowPan, kWindowPanMs);
    CDIB32::BltFade(Screen(), kWindowX, 0, kWindowW, kWindowH, g_Layers[kSeqBackground], 0,
                    static_cast<int32_t>(AtMost(g, 0x7FFF)), 0, kWindowW, kWindowH, static_cast<uint16_t>(f));
    CDIB32::BltAlpha(Screen(), kEyeDivider.x, kEyeDivider.y, g_Layers[kSeqSheet], kEyeDivider.sx,
                     kEyeDivider.sy, kEyeDivider.w, kEyeDivider.h);
}

// The frame of phase `step` at e ms (e no more than the phase's length).
void DrawEyeSequencePhase(uint8_t step, uint32_t e, uint32_t now) {
    const int32_t ei = static_cast<int32_t>(e);
    switch (step) {
        case 1: { // the left line grows upwards from row 315, the right one downwards from row 310
            Show(g_Layers[kSeqWhite]);
            const uint32_t k = Level(e, 255, 500);
            const auto d = static_cast<int16_t>(ei * 315 / 500);
            const auto b = static_cast<int16_t>(ei * 290 / 500);
            DrawCut(Screen(), {0, static_cast<int16_t>(319 - d), 6, d, 46, static_cast<int16_t>(315 - d)}, k);
            DrawCut(Screen(), {6, 4, 6, b, 776, 310}, k);
            break;
        }
        case 2: { // the upper line comes in from the left, the lower one from the right
            Show(g_Layers[kSeqWhite]);
            const uint32_t k = Level(e, 255, 500);
            const auto c = static_cast<int16_t>(ei * 562 / 500);
            const auto a = static_cast<int16_t>(ei * 800 / 500);
            DrawCut(Screen(), {static_cast<int16_t>(562 - c), 2, c, 2, 0, 265}, k);
            DrawCut(Screen(), {0, 0, a, 2, static_cast<int16_t>(800 - a), 550}, k);
            break;
        }
        case 4: { // the panel slides up and right; the captions slide apart from the line
            Show(g_Layers[kSeqWhite]);
            const uint32_t k1 = AtMost(Level(e, 256, 300), 255);
            const auto s = static_cast<int16_t>(AtMost(Level(e, 6, 300), 6));
            const uint32_t q = Level(e, 16, 500);
            const uint32_t k2 = AtMost(q * q, 255);
            const auto t = static_cast<int16_t>(Level(e, 12, 500));
            DrawCut(Screen(), {17, 4, 232, 230, static_cast<int16_t>(62 + s), static_cast<int16_t>(30 - s)},
                    k1);
            DrawCut(Screen(), {249, 4, 420, 32, 52, static_cast<int16_t>(266 + t)}, k2);
            DrawCut(Screen(), {249, 36, 260, 30, 304, static_cast<int16_t>(243 - t)}, k2);
            break;
        }
        case 6:
            Show(g_Layers[kSeqWhite]);
            break;
        case 7:
            Show(g_Layers[kSeqWhite]);
            DrawCut(Screen(), kEyePanel[0], AtMost(Level(e, 255, 2000), 255));
            break;
        case kWhiteOutStep:
            Show(g_Layers[kSeqWhite]);
            DrawBackgroundWindow(now);
            BltAdd(Screen(), 0, 0, g_Layers[kSeqWhite2], 0, 0, 800, 600,
                   static_cast<uint16_t>(Level(e, 255, 4000)));
            break;
        default: // 3 and 5 draw nothing
            break;
    }
}

} // namespace

bool CScriptMng::ModeEyeScreen() {
    // Only kind 0 has a way out; any other kind ends at once rather than holding the game forever.
    if (m_modeKind != 0) {
        ReturnToScript(*this);
        return true;
    }
    const uint32_t now = timeGetTime();
    if (m_msgStep == 0) {
        ResetRepaintRect();
        SetLayer(kEyeWhite, NewFilled(kWhite));
        SetLayer(0, NewScreenCopy());
        SetLayer(kEyeBase, NewPicture("system\\eye_base.bmp"));
        SetLayer(kEyePicture, NewPicture("system\\eye_p.bmp"));
        m_stepClock = now;
        m_msgStep = 1;
        return true;
    }
    if (m_msgStep >= kEyeScreenFinish) {
        SetLayer(0, NewScreenCopy());
        DeleteLayers(kEyeWhite, kEyePicture);
        ReturnToScript(*this);
        return true;
    }
    const EyeScreenPhase& phase = kEyeScreenPhases[m_msgStep - 1];
    const uint32_t e = now - m_stepClock;
    const uint32_t level = Level(e, 255, phase.ms);
    m_modeLevel = static_cast<uint16_t>(AtMost(level, 255));
    const bool cut = CtrlHeld() || m_skipEffects != 0 || LeftButton() || m_skipRead != 0;
    if (level < 255 && !cut) {
        if (phase.fadeIn >= 0) {
            CrossFade(g_Layers[phase.fadeIn], g_Layers[phase.fadeOver], static_cast<int32_t>(level));
        } else if (m_msgStep == kEyeSlideStep) {
            const auto offset = static_cast<int32_t>(AtMost(Level(e, kEyeSlide, kEyeSlideMs), kEyeSlide));
            kestrel::fx::CopyClipped(Screen(), 0, kEyeY, g_Layers[0], 0, kEyeY, kEyeRestoreW, kEyePictureH);
            CDIB32::BltAlphaFade(Screen(), offset + kEyeSlideFrom, kEyeY, g_Layers[kEyePicture], 0, 0,
                                 kEyePictureW, kEyePictureH, static_cast<uint16_t>(level));
        } else {
            Show(g_Layers[0]);
        }
        return true;
    }
    if (phase.fadeIn >= 0) {
        CopyWhole(g_Layers[0], g_Layers[phase.fadeIn]);
    } else if (m_msgStep == kEyeSlideStep) {
        CopyWhole(g_Layers[0], g_Layers[kEyeBase]);
        CDIB32::BltAlphaFade(g_Layers[0], kEyeSlideFrom + kEyeSlide, kEyeY, g_Layers[kEyePicture], 0, 0,
                             kEyePictureW, kEyePictureH, 255);
    } else if (m_msgStep == kEyeHoldStep) {
        ClearCtrl();
        ClearLeftButton();
    }
    Show(g_Layers[0]);
    m_modeLevel = 255;
    m_stepClock = now;
    ++m_msgStep;
    return true;
}

bool CScriptMng::ModeEyeSequence() {
    const uint32_t now = timeGetTime();
    if (m_msgStep != 0 && (CtrlHeld() || LeftButton())) {
        ClearCtrl();
        ClearLeftButton();
        m_msgStep = kEyeSequenceFinish;
    }
    if (m_msgStep == 0) {
        ResetRepaintRect();
        SetLayer(kSeqWhite, NewFilled(kWhite));
        Show(g_Layers[kSeqWhite]);
        char sheet[32];
        std::snprintf(sheet, sizeof sheet, "system\\EYE_P%02d.bmp", m_eyeIndex);
        SetLayer(kSeqSheet, NewPicture(sheet));
        // Beyond the table the window draws from an empty surface.
        SetLayer(kSeqBackground, m_eyeIndex < kEyeSequenceBackgroundCount
                                     ? NewPicture(EyeSequenceBackgrounds[m_eyeIndex])
                                     : new CDIB32());
        SetLayer(kSeqWhite2, NewFilled(kWhite));
        m_stepClock = now;
        m_msgStep = 1;
        return true;
    }
    if (m_msgStep >= kEyeSequenceFinish) {
        if (Screen() != nullptr)
            Screen()->Fill(kWhite, nullptr);
        DeleteLayers(kSeqWhite, kSeqWhite2);
        ReturnToScript(*this);
        return true;
    }
    const uint8_t step = m_msgStep;
    const EyeSequencePhase& phase = kEyeSequencePhases[step - 1];
    const uint32_t e = now - m_stepClock;
    DrawEyeSequencePhase(step, AtMost(e, phase.ms), now);
    if (e > phase.ms) {
        for (int i = 0; i < phase.fixedCount; ++i)
            DrawCut(g_Layers[kSeqWhite], phase.fixed[i]);
        if (phase.shows >= 0)
            Show(g_Layers[phase.shows]);
        if (step == kBackgroundClockStep)
            g_backgroundClock = now;
        m_stepClock = now;
        ++m_msgStep;
    }
    // After the step, also over the white-out's added white, so that the window stays sharp there.
    if (m_msgStep >= 4 && m_msgStep <= kWhiteOutStep)
        DrawBackgroundWindow(now);
    return true;
}
