// The short cross-fades of the message presentation: the change into the vertical full-screen window
// style (scene 37), a new page of that style (scene 41) and a standing character's new face frame
// (scene 39), all through screen effect 0 on the back buffer. Scenes 40 and 42 have no step of their
// own.
//
// The picture taken when the vertical style begins (by the window-style command) is kept in the
// second copy of layer 1, so that every page starts again from it.
#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/sequence_surfaces.h"
#include "scene/transition.h"
#include "script/script_mng.h"

namespace seq = kestrel::sequence;

namespace {

inline constexpr int32_t kButtonBarX = 976;
inline constexpr int32_t kButtonBarY = 298;
inline constexpr int32_t kWindowTop = 448;
// The change into the vertical style fades over a fixed time, whatever the mode duration holds.
inline constexpr uint32_t kStyleFadeMs = 500;

CDIB32*& TransSurface() {
    return g_Layer1Backup[1];
}

using kestrel::transition::NewCopy;

} // namespace

void kestrel::transition::DrawVerticalWindow(CDIB32* dst) {
    if (dst == nullptr)
        return;
    if (CDIB32* panel = g_TextSurface)
        CDIB32::BltAlpha(dst, 0, 0, panel, 0, 0, panel->GetWidth(), panel->GetHeight());
    if (CDIB32* bar = g_NamePlateSurface)
        CDIB32::BltAlpha(dst, kButtonBarX, kButtonBarY, bar, 0, 0, bar->GetWidth(), bar->GetHeight());
}

bool CScriptMng::ModeTransition37() {
    const uint32_t now = timeGetTime();
    switch (m_msgStep) {
        case 0: {
            ReplaceSurface(TransSurface(), NewCopy(g_ScreenSurface));
            CDIB32* incoming = NewCopy(TransSurface());
            kestrel::transition::DrawVerticalWindow(incoming);
            seq::SetLayer(1, incoming);
            m_param63 = 0;
            m_transStart = now;
            m_msgStep = 1;
            break;
        }
        case 1: {
            // SKIP does not cut this fade: only Ctrl and the skip-effects setting do.
            const int32_t level = kestrel::transition::Level(now - m_transStart, kStyleFadeMs);
            if (level < 255 && !seq::CtrlHeld() && m_skipEffects == 0) {
                m_modeLevel = static_cast<uint16_t>(level);
                seq::CrossFade(g_Layers[1], TransSurface(), level);
            } else {
                m_modeLevel = 255;
                seq::CopyWhole(g_Layers[0], TransSurface());
                seq::Show(g_Layers[0]);
                kestrel::transition::DrawVerticalWindow(g_ScreenSurface);
                m_msgStep = 2;
            }
            break;
        }
        default:
            // The window is baked into layer 0: the pages of the style draw their text over it.
            seq::CopyWhole(g_Layers[0], g_Layers[1]);
            seq::Show(g_Layers[1]);
            seq::SetLayer(1, nullptr);
            m_redrawWindow = 1;
            seq::ReturnToScript(*this);
            break;
    }
    return true;
}

bool CScriptMng::ModeTransition41() {
    const uint32_t now = timeGetTime();
    switch (m_msgStep) {
        case 0: {
            m_redrawWindow = 0;
            // Without the picture of the style change the page fades over the picture on display.
            CDIB32* base = TransSurface() != nullptr ? TransSurface() : g_Layers[0];
            if (base != g_Layers[0])
                seq::CopyWhole(g_Layers[0], base);
            CDIB32* incoming = NewCopy(base);
            if (CDIB32* window = g_MsgWindowSurface)
                CDIB32::BltAlphaFade(incoming, 0, 0, window, 0, 0, window->GetWidth(), window->GetHeight(),
                                     MsgWindowBlendLevel());
            if (CDIB32* bar = g_NamePlateSurface)
                CDIB32::BltAlpha(incoming, kButtonBarX, kButtonBarY, bar, 0, 0, bar->GetWidth(),
                                 bar->GetHeight());
            seq::SetLayer(1, incoming);
            m_transStart = now;
            m_msgStep = 1;
            break;
        }
        case 1: {
            const int32_t level = kestrel::transition::Level(now - m_transStart, m_modeTime);
            if (level < 255 && !seq::CtrlHeld() && m_skipEffects == 0 && m_skipRead == 0) {
                m_modeLevel = static_cast<uint16_t>(level);
                seq::CrossFade(g_Layers[0], g_Layers[1], level);
            } else {
                seq::Show(g_Layers[0]);
                m_modeLevel = 255;
                m_msgStep = 2;
            }
            break;
        }
        default:
            seq::SetLayer(1, nullptr);
            seq::ReturnToScript(*this);
            break;
    }
    return true;
}

bool CScriptMng::ModeTransition39() {
    const uint32_t now = timeGetTime();
    switch (m_msgStep) {
        case 0: {
            m_redrawWindow = 0;
            kestrel::transition::SetWholeScreenRect();
            ReplaceSurface(TransSurface(), NewCopy(g_Layers[1]));
            // The window area of the new picture covers the message window on the screen.
            const int32_t w = g_MsgWindowSurface != nullptr ? g_MsgWindowSurface->GetWidth() : kScreenWidth;
            const int32_t h =
                g_MsgWindowSurface != nullptr ? g_MsgWindowSurface->GetHeight() : kScreenHeight - kWindowTop;
            kestrel::fx::CopyClipped(g_ScreenSurface, 0, kWindowTop, TransSurface(), 0, kWindowTop, w, h);
            m_transStart = now;
            m_msgStep = 1;
            break;
        }
        case 1: {
            int32_t level = 255;
            if (!seq::CtrlHeld() && m_skipEffects == 0)
                level = kestrel::transition::Level(now - m_transStart, m_modeTime);
            if (level < 255) {
                m_modeLevel = static_cast<uint16_t>(level);
                seq::CrossFade(TransSurface(), g_Layers[0], level);
            } else {
                m_modeLevel = 255;
                m_msgStep = 2;
            }
            break;
        }
        case 2:
            seq::CopyWhole(g_Layers[0], g_Layers[1]);
            seq::Show(TransSurface());
            m_msgStep = 3;
            break;
        default:
            seq::ReturnToScript(*this);
            break;
    }
    return true;
}

// The command of scene 40 stores a slot, a kind and a duration, but nothing is drawn from them and the
// step has no way out: it ends at once so that the script goes on.
bool CScriptMng::ModeNop40() {
    seq::ReturnToScript(*this);
    return true;
}

// Scene 42 has no step of its own and no way out either: it ends at once so that the script goes on.
bool CScriptMng::ModeNop42() {
    seq::ReturnToScript(*this);
    return true;
}
