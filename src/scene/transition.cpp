// Scene 4: the whole picture changes from layer 0 (shown) to layer 1 (prepared) through one of the
// numbered screen effects, a rule-mask wipe or the additive blend, timed by the millisecond clock.
//
// Sub-states: 0 set-up (then the first frame at once), 1 one frame per call until the level reaches
// 255 or a skip holds, 2 the incoming picture becomes layer 0, 3 back to the interpreter.
#include <cstdio>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/effect_table.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/message_text.h"
#include "scene/sequence_surfaces.h"
#include "scene/transition.h"
#include "script/script_mng.h"

namespace seq = kestrel::sequence;

namespace {

inline constexpr uint8_t kAdditiveKind = 80;
inline constexpr int kCleanLayer = 31; // layer 1 without the window and the clock display

} // namespace

namespace kestrel::transition {

CDIB32* NewCopy(CDIB32* src) {
    CDIB32* copy = seq::NewFilled(seq::kBlack);
    seq::CopyWhole(copy, src);
    return copy;
}

void SetWholeScreenRect() {
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, kScreenWidth, kScreenHeight};
}

std::string MaskName(uint8_t kind) {
    int number = 0;
    if (kind >= 40 && kind <= 59)
        number = kind - 40 + 1;
    else if (kind == 69)
        number = 30;
    else if (kind == 70)
        number = 31;
    if (number == 0)
        return {};
    char name[32];
    std::snprintf(name, sizeof name, "bmp\\mask%02d.bmp", number);
    return name;
}

int32_t Level(uint32_t elapsed, uint32_t duration) {
    if (duration == 0)
        return 255;
    // Elapsed and duration are read as signed 32-bit values; the product is kept exact.
    const int64_t level = static_cast<int64_t>(static_cast<int32_t>(elapsed)) * 255 /
                          static_cast<int64_t>(static_cast<int32_t>(duration));
    return level > 255 ? 255 : static_cast<int32_t>(level);
}

void DrawFrame(uint8_t kind, int32_t level) {
    CDIB32* incoming = g_Layers[1];
    if (kind == kAdditiveKind) {
        seq::Show(g_Layers[0]);
        if (incoming != nullptr && level > 0)
            BltAdd(g_ScreenSurface, 0, 0, incoming, 0, 0, kScreenWidth, kScreenHeight,
                   static_cast<uint16_t>(level));
        return;
    }
    // A mask kind whose picture could not be read wipes as the plain cross-fade.
    const bool maskKind = !MaskName(kind).empty();
    const bool noMask = g_RuleMaskSurface == nullptr || g_RuleMaskSurface->GetWidth() <= 0 ||
                        g_RuleMaskSurface->GetHeight() <= 0;
    const int32_t effect = maskKind && noMask ? 0 : kind;
    DrawEffect(effect, g_ScreenSurface, incoming, g_Layers[0], 0, 0, 0, 0, kScreenWidth, kScreenHeight, level,
               0);
}

} // namespace kestrel::transition

namespace {

// The clock, and the bottom window in the styles that have one.
void OverlayWindowAndClock(CScriptMng& engine, CDIB32* layer) {
    if (layer == nullptr)
        return;
    if (engine.m_clockShown != 0)
        engine.DrawClockHud(layer);
    if (engine.HasBottomWindow())
        DrawMsgWindowBand(layer);
}

} // namespace

bool CScriptMng::ModeTransition(uint8_t kind, uint32_t ms) {
    kestrel::transition::SetWholeScreenRect();
    if (m_msgStep == 0) {
        m_transKind = kind;
        m_transTime = ms;
        m_redrawWindow = 0;
        // Without a prepared picture the change runs to a blank one, whichever way it ends.
        if (g_Layers[1] == nullptr)
            seq::SetLayer(1, seq::NewFilled(seq::kBlack));
        if (m_bgRestored == 0) {
            seq::Show(g_Layers[0]);
        } else {
            // The message window and the clock stay on both pictures; layer 31 keeps the incoming
            // picture without them for the end. The window is emptied first (its picture at the
            // configured opacity, the name plate from its clean copy), so that the message shown
            // before the background was restored stays neither on the pictures nor on the screen.
            PrepareStyle0Window();
            seq::SetLayer(kCleanLayer, kestrel::transition::NewCopy(g_Layers[1]));
            OverlayWindowAndClock(*this, g_Layers[0]);
            OverlayWindowAndClock(*this, g_Layers[1]);
        }
        const std::string mask = kestrel::transition::MaskName(kind);
        if (!mask.empty())
            ReplaceSurface(g_RuleMaskSurface, seq::NewPicture(mask.c_str()));
        if (m_windowStyle == 2 && g_Layers[1] != nullptr) {
            // Letterbox bars; the lower one is cut at the bottom of the picture.
            g_Layers[1]->FillRect(0, 0, kScreenWidth, 110, 0);
            g_Layers[1]->FillRect(0, 490, kScreenWidth, kScreenHeight - 490, 0);
        }
        m_transStart = timeGetTime();
        m_msgStep = 1;
    }
    switch (m_msgStep) {
        case 1: {
            const int32_t level = kestrel::transition::Level(timeGetTime() - m_transStart, m_transTime);
            m_modeLevel = static_cast<uint16_t>(level);
            if (level < 255 && !seq::CtrlHeld() && m_skipEffects == 0 && m_skipRead == 0) {
                kestrel::transition::DrawFrame(m_transKind, level);
            } else {
                m_modeLevel = 255;
                kestrel::transition::DrawFrame(m_transKind, 255);
                m_msgStep = 2;
            }
            break;
        }
        case 2:
            if (m_transKind == 3) {
                // Layer 0 keeps the old picture; the screen keeps the last frame.
            } else if (m_transKind == 2 || m_transKind == 34) {
                seq::CopyWhole(g_Layers[0], g_ScreenSurface);
            } else {
                ReplaceSurface(g_RuleMaskSurface, nullptr);
                if (m_bgRestored == 0) {
                    seq::CopyWhole(g_Layers[0], g_Layers[1]);
                    seq::Show(g_Layers[0]);
                } else {
                    seq::CopyWhole(g_Layers[0], g_Layers[kCleanLayer]);
                }
            }
            seq::SetLayer(1, nullptr);
            seq::SetLayer(kCleanLayer, nullptr);
            m_msgStep = 3;
            break;
        case 3:
            seq::ReturnToScript(*this);
            break;
        default:
            break;
    }
    return true;
}
