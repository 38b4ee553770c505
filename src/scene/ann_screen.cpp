// The announcement screen (scene 46): a fixed, timed sequence of four pictures of the system folder
// over white, about 27.5 seconds, after which the interpreter goes on (scene 2). It records in the
// system data, in memory only, that it has been shown.
//
// Sub-states run in the order 0, 1, 8, 2, 3, 4, 5, 6, 7. A phase ends when its level reaches its
// limit, or at once while Ctrl is held or the effects-off option is set; a click or SKIP mode does
// not shorten it.
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/sequence_layouts.h"
#include "scene/sequence_surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

using namespace kestrel::sequence;

namespace {

// Layers: 0 white, 1 "ann_base.bmp" (later the text screen), 2 "ann_base02.bmp", 3 "ann_base03.bmp",
// 4 "ann_moji.bmp", the 510 × 484 text with per-pixel alpha, placed at (140, 56).
constexpr int kWhiteLayer = 0;
constexpr int kText = 4;
constexpr const char* kAnnPictures[] = {"system\\ann_base.bmp", "system\\ann_base02.bmp",
                                        "system\\ann_base03.bmp", "system\\ann_moji.bmp"};

// The value written to the script-setting byte of the system data when the screen has run.
constexpr uint8_t kAnnouncementShown = 2;

// One phase: its level is e × limit / ms and it ends when the level reaches the limit. A fade draws
// screen effect 0 bringing in layer `fadeIn` over layer `fadeOver`; at the end layer `shows` is copied
// to the screen (-1: the phase's own end).
struct AnnPhase {
    uint8_t step;
    uint32_t ms;
    uint32_t limit;
    int8_t fadeIn;
    int8_t fadeOver;
    int8_t shows;
    uint8_t next;
};
constexpr uint8_t kAnnFinish = 7;
constexpr AnnPhase kAnnPhases[] = {
    {1, 4500, 255, 1, kWhiteLayer, 1, 8},                    // the first picture comes in from white
    {8, 4500, 255, kWhiteLayer, 1, kWhiteLayer, 2},          // and goes back to white
    {2, 4500, 255, 2, kWhiteLayer, 2, 3},                    // the second picture comes in
    {3, 2000, 254, -1, -1, -1, 4},                           // the third is laid over it
    {4, 3000, 127, -1, -1, -1, 5},                           // white-out while the text fades in
    {5, 4500, 254, -1, -1, -1, 6},                           // hold
    {6, 4500, 255, kWhiteLayer, 1, kWhiteLayer, kAnnFinish}, // the text screen fades to white
};

const AnnPhase* FindPhase(uint8_t step) {
    for (const AnnPhase& p : kAnnPhases)
        if (p.step == step)
            return &p;
    return nullptr;
}

// Layer 3 over the screen (or layer 2) with its per-pixel alpha at `level`.
void OverlayThird(CDIB32* dst, uint32_t level) {
    CDIB32* third = g_Layers[3];
    if (third != nullptr)
        CDIB32::BltAlphaFade(dst, 0, 0, third, 0, 0, third->GetWidth(), third->GetHeight(),
                             static_cast<uint16_t>(level));
}

void DrawText(uint32_t level) {
    CDIB32::BltAlphaFade(g_ScreenSurface, kAnnTextX, kAnnTextY, g_Layers[kText], 0, 0, kAnnTextW, kAnnTextH,
                         static_cast<uint16_t>(level));
}

} // namespace

bool CScriptMng::ModeAnnScreen() {
    const uint32_t now = timeGetTime();
    if (m_msgStep == 0) {
        SetLayer(kWhiteLayer, NewFilled(kWhite));
        for (int i = 0; i < 4; ++i)
            SetLayer(i + 1, NewPicture(kAnnPictures[i]));
        m_modeClock = now;
        m_msgStep = 1;
        return true;
    }
    const AnnPhase* phase = FindPhase(m_msgStep);
    if (phase == nullptr) { // kAnnFinish (or a sub-state no phase has)
        DeleteLayers(1, kText);
        g_SystemData.scriptSetting = kAnnouncementShown;
        ReturnToScript(*this);
        return true;
    }
    const uint32_t e = now - m_modeClock;
    const uint32_t level = Level(e, phase->limit, phase->ms);
    m_modeLevel = static_cast<uint16_t>(AtMost(level, phase->limit));
    if (level < phase->limit && !CtrlHeld() && m_skipEffects == 0) {
        if (phase->fadeIn >= 0) {
            CrossFade(g_Layers[phase->fadeIn], g_Layers[phase->fadeOver], static_cast<int32_t>(level));
        } else if (m_msgStep == 3) {
            Show(g_Layers[2]);
            OverlayThird(g_ScreenSurface, level);
        } else if (m_msgStep == 4) {
            const uint32_t k = AtMost(Level(e, 512, 3000), 255);
            if (k < 255)
                CrossFade(g_Layers[kWhiteLayer], g_Layers[2], static_cast<int32_t>(k));
            else
                Show(g_Layers[kWhiteLayer]);
            DrawText(2 * level);
        }
        return true;
    }
    if (phase->shows >= 0) {
        Show(g_Layers[phase->shows]);
    } else if (m_msgStep == 3) {
        OverlayThird(g_Layers[2], 254);
        Show(g_Layers[2]);
    } else if (m_msgStep == 4) {
        Show(g_Layers[kWhiteLayer]);
        DrawText(254);
    } else if (m_msgStep == 5) {
        SetLayer(1, NewScreenCopy());
    }
    m_modeClock = now;
    m_msgStep = phase->next;
    return true;
}
