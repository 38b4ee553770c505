// The timed full-screen effects besides the transition and the quake: the message-window fade
// (scene 18), the panned picture (scene 25), the colour tint (scene 35), the frame zoom (scene 56)
// and the flash (scene 58). Each runs one step per frame from the millisecond clock and hands back
// to the interpreter when it ends; Ctrl and the skip options end them at once with their end picture.
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/effect_table.h"
#include "graphics/pixel_effects.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/sequence_surfaces.h"
#include "scene/transition.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

namespace seq = kestrel::sequence;

namespace {

using kestrel::transition::SetWholeScreenRect;

// The layer a script names, or null for an index beyond the table.
CDIB32* LayerOrNull(uint32_t index) {
    return index < static_cast<uint32_t>(kLayerCount) ? g_Layers[index] : nullptr;
}

// The text surface refilled with the empty window picture at the configured opacity.
void RebuildWindowText() {
    CDIB32* window = g_MsgWindowSurface;
    if (window == nullptr || g_TextSurface == nullptr)
        return;
    BltCopyLevel(g_TextSurface, 0, 0, window, 0, 0, static_cast<int16_t>(window->GetWidth()),
                 static_cast<int16_t>(window->GetHeight()), MsgWindowBlendLevel());
}

// The pan offset for one axis from `s` to `e` by `curve`: 0 linear in time (integer arithmetic), 1 and
// 2 the rising and falling sine of the quarter angle `a`, 3 and 4 their logarithmic easings; the eased
// position s + f × (e − s) is truncated as a whole.
int32_t PanOffset(uint8_t curve, int32_t s, int32_t e, uint32_t elapsed, uint32_t ms, int32_t a) {
    double f = 0;
    switch (curve) {
        case 1:
            f = SinDeg(a);
            break;
        case 2:
            f = SinDeg(a + 90);
            break;
        case 3:
            f = std::log10(9 * SinDeg(a) + 1);
            break;
        case 4:
            f = std::log10(9 * SinDeg(a + 90) + 1);
            break;
        default:
            return ms == 0 ? e : s + static_cast<int32_t>((int64_t{e} - s) * elapsed / int64_t{ms});
    }
    return static_cast<int32_t>(s + f * (e - s));
}

} // namespace

bool CScriptMng::ModeWindowFade() {
    const uint32_t now = timeGetTime();
    switch (m_msgStep) {
        case 0:
            m_msgStep = 1;
            m_transStart = now;
            m_transTime = m_modeTime;
            m_redrawWindow = 0;
            RebuildWindowText();
            break;
        case 1:
            if (kestrel::transition::Level(now - m_transStart, m_transTime) >= 255 || seq::CtrlHeld() ||
                m_skipEffects != 0 || m_skipRead != 0)
                m_msgStep = 2;
            break;
        default:
            seq::ReturnToScript(*this);
            break;
    }
    return true;
}

bool CScriptMng::ModeScreenEffect() {
    const uint32_t now = timeGetTime();
    CDIB32* panned = LayerOrNull(m_panLayer);
    if (m_msgStep == 0) {
        m_redrawWindow = 0;
        SetWholeScreenRect();
        m_transStart = now;
        m_msgStep = 1;
    }
    if (m_msgStep == 1) {
        const uint32_t e = now - m_transStart;
        const int32_t level = kestrel::transition::Level(e, m_panMs);
        m_modeLevel = static_cast<uint16_t>(level);
        const auto a =
            static_cast<int32_t>(m_panMs == 0 ? 90 : std::min<uint64_t>(90, uint64_t{e} * 90 / m_panMs));
        if (level > 254 || seq::CtrlHeld() || m_skipEffects != 0 || m_skipRead != 0) {
            m_modeLevel = 255;
            m_msgStep = 2;
            return true;
        }
        const uint8_t curve = m_modeKind;
        if ((curve == 3 || curve == 4) && a == 0)
            return true;
        const int32_t x = PanOffset(curve, m_panFrom[0], m_panTo[0], e, m_panMs, a);
        int32_t y = PanOffset(curve, m_panFrom[1], m_panTo[1], e, m_panMs, a);
        if (curve == 3 || curve == 4)
            y = std::clamp<int32_t>(y, std::min(m_panFrom[1], m_panTo[1]),
                                    std::max(m_panFrom[1], m_panTo[1]));
        switch (m_panKind) {
            case 0:
                kestrel::fx::CopyClipped(g_ScreenSurface, 0, 0, panned, x, y, kScreenWidth, kScreenHeight);
                break;
            case 1:
            case 2:
            case 3: {
                const int32_t l = m_panKind == 1 ? level : 255 - level;
                CDIB32* old = m_panKind == 3 ? nullptr : g_Layers[0];
                DrawEffect(68, g_ScreenSurface, panned, old, 0, 0, x, y, kScreenWidth, kScreenHeight, l, 0);
                break;
            }
            default:
                break;
        }
        return true;
    }
    if (m_msgStep == 2) {
        if (m_panKind == 2) {
            seq::Show(g_Layers[0]);
        } else if (m_panKind == 3) {
            seq::CopyWhole(g_Layers[0], g_ScreenSurface);
        } else if (m_panKind <= 1 && panned != nullptr) {
            // Kinds 0 and 1 end on the end offset. A pan of layer 0 itself reads from a copy, as the
            // shifted copy into layer 0 would overlap its own source.
            const std::unique_ptr<CDIB32> work(panned == g_Layers[0] ? MakeWorkingCopy(nullptr, panned)
                                                                     : nullptr);
            CDIB32* from = work ? work.get() : panned;
            kestrel::fx::CopyClipped(g_ScreenSurface, 0, 0, from, m_panTo[0], m_panTo[1], kScreenWidth,
                                     kScreenHeight);
            kestrel::fx::CopyClipped(g_Layers[0], 0, 0, from, m_panTo[0], m_panTo[1], kScreenWidth,
                                     kScreenHeight);
        }
        // The panned picture is freed; layer 0, the picture on display, is never.
        if (m_panLayer != 0)
            seq::SetLayer(m_panLayer, nullptr);
        m_msgStep = 3;
        return true;
    }
    seq::ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeColorTransition() {
    const uint32_t now = timeGetTime();
    switch (m_msgStep) {
        case 0: {
            m_redrawWindow = 0;
            SetWholeScreenRect();
            CDIB32* tinted = kestrel::transition::NewCopy(g_Layers[0]);
            CDIB32* tint = seq::NewFilled(m_tintColour & 0xFFFFFFu);
            kestrel::fx::FadeClipped(tinted, 0, 0, tint, 0, 0, kScreenWidth, kScreenHeight,
                                     static_cast<int32_t>(m_tintColour >> 24));
            delete tint;
            seq::SetLayer(1, tinted);
            m_modeLevel = 0;
            m_transStart = now;
            m_msgStep = 1;
            break;
        }
        case 1: {
            const uint32_t level = seq::Level(now - m_transStart, 255, m_modeTime);
            if (level < 255 && !seq::CtrlHeld() && m_skipEffects == 0) {
                m_modeLevel = static_cast<uint16_t>(level);
                seq::CrossFade(g_Layers[1], g_Layers[0], static_cast<int32_t>(level));
            } else {
                seq::Show(g_Layers[1]);
                m_msgStep = 2;
            }
            break;
        }
        case 2:
            seq::CopyWhole(g_Layers[0], g_Layers[1]);
            seq::CopyWhole(g_Layer1Backup[0], g_Layers[1]);
            seq::SetLayer(1, nullptr);
            m_msgStep = 3;
            break;
        default:
            seq::ReturnToScript(*this);
            break;
    }
    return true;
}

bool CScriptMng::ModeFlash() {
    const uint32_t now = timeGetTime();
    const bool skip = seq::CtrlHeld() || g_SystemData.effectsOff != 0 || m_skipRead != 0;
    switch (m_msgStep) {
        case 0: {
            SetWholeScreenRect();
            if (g_Layer1Backup[0] == nullptr)
                ShowMessage("バックアップが無い！！", "Error");
            constexpr uint32_t kColours[3] = {0xFFFFFF, 0xFF0000, 0x0000FF};
            seq::SetLayer(1, seq::NewFilled(m_modeKind < 3 ? kColours[m_modeKind] : seq::kBlack));
            m_transStart = now;
            m_msgStep = 1;
            break;
        }
        case 1:
        case 2: {
            const uint32_t level = seq::Level(now - m_transStart, 255, m_flashMs);
            if (skip) {
                m_modeLevel = 255;
                m_msgStep = 3;
                break;
            }
            CDIB32* colour = g_Layers[1];
            CDIB32* picture = g_Layers[0];
            if (level < 255) {
                m_modeLevel = static_cast<uint16_t>(level);
                if (m_msgStep == 1)
                    DrawEffect(m_transKind, g_ScreenSurface, colour, picture, 0, 0, 0, 0, kScreenWidth,
                               kScreenHeight, static_cast<int32_t>(level), 0);
                else
                    DrawEffect(m_transKind, g_ScreenSurface, picture, colour, 0, 0, 0, 0, kScreenWidth,
                               kScreenHeight, static_cast<int32_t>(level), 0);
                break;
            }
            m_modeLevel = 255;
            m_transStart = now;
            if (m_msgStep == 1) {
                m_msgStep = 2;
            } else {
                // The count is tested after each flash, so a count of 0 flashes once; it does not
                // wrap around into endless flashing.
                if (m_modeTime > 0)
                    --m_modeTime;
                m_msgStep = m_modeTime < 1 ? 3 : 1;
            }
            break;
        }
        default:
            seq::Show(g_Layers[0]);
            seq::SetLayer(1, nullptr);
            seq::ReturnToScript(*this);
            break;
    }
    return true;
}

bool CScriptMng::ModeFrameZoom() {
    const uint32_t now = timeGetTime();
    CDIB32* frame = g_Layer1Backup[0];
    switch (m_zoomStep) {
        case 0:
            if (frame == nullptr) {
                ShowMessage("フレームがありません！！", "Error");
                m_zoomStep = 0;
                seq::ReturnToScript(*this);
                return false;
            }
            RebuildWindowText();
            m_zoomStart = now;
            m_zoomStep = 1;
            break;
        case 1: {
            m_zoomElapsed = now - m_zoomStart;
            // Only mode 0 has an end; any other mode ends at once rather than zoom for ever.
            const uint64_t a = m_zoomMs == 0 ? 90 : uint64_t{m_zoomElapsed} * 90 / m_zoomMs;
            if (m_zoomMode != 0 || a >= 90 || seq::CtrlHeld() || m_skipEffects != 0 || m_skipRead != 0) {
                m_zoomStep = 2;
                break;
            }
            const double s = std::sin(static_cast<double>(a) * std::numbers::pi / 180.0);
            for (int i = 0; i < 4; ++i)
                if (m_zoomFrom[i] != m_zoomTo[i])
                    m_zoomCur[i] = static_cast<int16_t>(m_zoomFrom[i] + s * (m_zoomTo[i] - m_zoomFrom[i]));
            BltStretchAlpha2(g_ScreenSurface, 0, 0, kScreenWidth, kScreenHeight, frame, m_zoomCur[0],
                             m_zoomCur[1], m_zoomCur[2], m_zoomCur[3], 255);
            break;
        }
        default:
            seq::CopyWhole(frame, g_Layers[1]);
            seq::CopyWhole(g_Layers[0], g_Layers[1]);
            m_zoomStep = 0;
            seq::ReturnToScript(*this);
            break;
    }
    return true;
}
