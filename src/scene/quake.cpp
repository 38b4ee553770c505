// Scene 5, the quake and flash effects drawn from layers 0 and 1 into the back buffer for a given
// time, and the screen shake whose offset the paint handler applies when it presents the picture.
//
// Quake sub-states: 0 set-up (its frame shows the picture the set-up leaves), 1 one frame per call
// until the time is over or a skip holds, 2 the end picture, then back to the interpreter.
#include <cmath>
#include <numbers>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/message_text.h"
#include "scene/sequence_surfaces.h"
#include "scene/transition.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

namespace seq = kestrel::sequence;

namespace {

inline constexpr int kQuakeLayer = 31; // the prepared background of kinds 11 and 13
inline constexpr int32_t kWindowTop = 448;

double SinDegrees(double degrees) {
    return std::sin(degrees * std::numbers::pi / 180.0);
}

void SetScreenRect(RECT r) {
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = r;
}

// The whole of layer 0 moved by (dx, dy) onto the back buffer: the source rectangle starts where the
// destination would leave the picture, so that the copy stays inside both.
void ShowLayer0Moved(int32_t dx, int32_t dy) {
    const int32_t sx = dx < 0 ? -dx : 0, sy = dy < 0 ? -dy : 0;
    const int32_t x = dx > 0 ? dx : 0, y = dy > 0 ? dy : 0;
    CDIB32::Blt(g_ScreenSurface, x, y, g_Layers[0], sx, sy, kScreenWidth - std::abs(dx),
                kScreenHeight - std::abs(dy));
}

// The diagonal, horizontal and vertical quakes: the picture's offset in each of the four frames.
struct QuakeFrame {
    int8_t dx, dy;
};
constexpr QuakeFrame kQuakeFrames[3][4] = {
    {{-16, -16}, {16, 16}, {16, -16}, {-16, 16}}, // kind 0
    {{-16, 0}, {0, 0}, {16, 0}, {0, 0}},          // kind 1
    {{0, -16}, {0, 0}, {0, 16}, {0, 0}},          // kind 2
};

// The text surface emptied for the window quakes: the window picture itself, at full opacity and
// without its text, which is what they shake and what the window shows after them.
void EmptyWindowText() {
    CDIB32* window = g_MsgWindowSurface;
    if (window != nullptr && g_TextSurface != nullptr)
        CDIB32::Blt(g_TextSurface, 0, 0, window, 0, 0, window->GetWidth(), window->GetHeight());
}

// The window picture with its per-pixel alpha at (x, y).
void DrawWindowAt(int32_t x, int32_t y) {
    if (CDIB32* window = g_MsgWindowSurface)
        CDIB32::BltAlpha(g_ScreenSurface, x, y, window, 0, 0, window->GetWidth(), window->GetHeight());
}

// Restores the rows from `top` down from layer 0 (the picture under the shaking window).
void RestoreRowsFrom(int32_t top) {
    CDIB32::Blt(g_ScreenSurface, 0, top, g_Layers[0], 0, top, kScreenWidth, kScreenHeight - top);
}

// The rows of layer 0 waved by sines of amplitude `a` and `b` at step `step`: kind 7 moves each row
// sideways, kind 8 takes it from another row (only where that row lies strictly inside the picture,
// its first row excluded), kind 9 does both, with a second wave of amplitude `b` for the rows; a
// kind-9 row whose source lies outside the picture is dropped by the clipped copy.
void DrawWave(uint8_t kind, uint32_t step, double a, double b) {
    CDIB32* src = g_Layers[0];
    for (int32_t y = 0; y < kScreenHeight; ++y) {
        const auto wave = static_cast<int32_t>(SinDegrees(static_cast<double>(step) + y) * a);
        int32_t row = y, o = wave;
        if (kind == 8) {
            row = y + wave;
            o = 0;
        } else if (kind == 9) {
            row = y + static_cast<int32_t>(SinDegrees(static_cast<double>(step) - y + 576) * b);
        }
        if (kind == 8 && (row <= 0 || row >= kScreenHeight))
            continue;
        if (o > 0)
            CDIB32::Blt(g_ScreenSurface, o, y, src, 0, row, kScreenWidth - o, 1);
        else
            CDIB32::Blt(g_ScreenSurface, 0, y, src, -o, row, kScreenWidth + o, 1);
    }
}

} // namespace

bool CScriptMng::ModeQuake(uint8_t kind, uint32_t ms) {
    const uint32_t now = timeGetTime();
    if (m_msgStep == 0) {
        m_transKind = kind;
        m_transTime = ms;
        if (kind == 11 || kind == 13) {
            CDIB32* prepared = seq::NewFilled(seq::kBlack);
            if (kind == 11)
                CDIB32::BltInvert(prepared, 0, 0, g_Layers[1], 0, 0, kScreenWidth, kScreenHeight);
            seq::SetLayer(kQuakeLayer, prepared);
            m_bgEffect = kind == 11 ? 1 : 2;
        } else {
            CDIB32* layer1 = seq::NewFilled(seq::kBlack);
            if (kind <= 2) {
                seq::CopyWhole(layer1, g_Layers[0]);
            } else if (kind >= 3 && kind <= 5) {
                constexpr uint32_t kColours[3] = {0xFFFFFF, 0xAE0000, 0x00C0FF};
                layer1->Fill(kColours[kind - 3], nullptr);
                seq::Show(*g_Layer1Backup);
            } else if (kind >= 7 && kind <= 9) {
                seq::Show(g_Layers[0]);
            } else if (kind == 10) {
                CDIB32::BltInvert(layer1, 0, 0, g_Layers[0], 0, 0, kScreenWidth, kScreenHeight);
            } else if (kind == 6 || kind == 14 || kind == 15) {
                // The rectangle of the window strip; the strip is as wide as the picture.
                SetScreenRect(RECT{0, kind == 14 ? 448 : 440, kScreenWidth, kScreenHeight});
                EmptyWindowText();
            }
            // Kind 12 keeps the new surface as it is (the do-nothing blit draws nothing).
            seq::SetLayer(1, layer1);
        }
        m_transStart = m_modeClock = now;
        m_quakeStep = 0;
        m_msgStep = 1;
        m_redrawWindow = 0;
        return true;
    }
    if (m_msgStep == 1) {
        const uint32_t elapsed = now - m_transStart;
        if (seq::CtrlHeld() || g_SystemData.effectsOff != 0 || m_skipRead != 0 || ms == 0 || elapsed > ms) {
            m_msgStep = 2;
            return true;
        }
        auto tick = [&](uint32_t period) {
            if (now - m_modeClock > period) {
                ++m_quakeStep;
                m_modeClock = now;
            }
        };
        // The frame of the step after this frame's tick.
        auto frame = [&](uint32_t period) {
            tick(period);
            return m_quakeStep % 4;
        };
        switch (kind) {
            case 0:
            case 1:
            case 2: {
                const uint32_t f = frame(96);
                const QuakeFrame q = kQuakeFrames[kind][f];
                if (kind == 0 || f % 2 == 0)
                    ShowLayer0Moved(q.dx, q.dy);
                else
                    seq::Show(g_Layers[0]);
                break;
            }
            case 3:
            case 4:
            case 5:
            case 10:
            case 12:
                tick(kind <= 5 ? 200 : 120);
                seq::Show(m_quakeStep % 2 == 0 ? g_Layers[1] : g_Layers[0]);
                break;
            case 11:
            case 13:
                seq::CopyWhole(g_Layers[1], g_Layers[kQuakeLayer]);
                m_msgStep = 2;
                break;
            case 7:
            case 8:
            case 9: {
                const uint64_t scale = ms / 5 + 1;
                const double a = static_cast<double>(std::min<uint64_t>(32, uint64_t{elapsed} * 32 / scale));
                const double b = static_cast<double>(std::min<uint64_t>(24, uint64_t{elapsed} * 24 / scale));
                DrawWave(kind, m_quakeStep, a, b);
                m_quakeStep += kind == 8 ? 3 : 2;
                break;
            }
            case 6:
            case 14:
            case 15: {
                const uint32_t f = frame(96);
                constexpr int8_t kY6[4] = {-8, 0, 8, 0};
                constexpr int8_t kX14[4] = {-8, 0, 8, 0};
                constexpr int8_t kX15[4] = {-8, 8, 8, -8};
                constexpr int8_t kY15[4] = {-8, 8, -8, 8};
                if (kind == 6) {
                    RestoreRowsFrom(kWindowTop - 8);
                    DrawWindowAt(0, kWindowTop + kY6[f]);
                } else if (kind == 14) {
                    RestoreRowsFrom(kWindowTop);
                    DrawWindowAt(kX14[f], kWindowTop);
                } else {
                    RestoreRowsFrom(kWindowTop - 8);
                    DrawWindowAt(kX15[f], kWindowTop + kY15[f]);
                }
                break;
            }
            default:
                break;
        }
        return true;
    }
    if (m_msgStep == 2) {
        if (kind == 11 || kind == 13) {
            seq::CopyWhole(g_Layers[1], g_Layers[kQuakeLayer]);
        } else {
            if (kind <= 2) {
                seq::Show(g_Layers[1]);
                kestrel::transition::SetWholeScreenRect();
            } else if (kind == 6 || kind == 14 || kind == 15) {
                RestoreRowsFrom(kWindowTop - 8);
                DrawWindowAt(0, kWindowTop);
            } else {
                seq::Show(g_Layers[0]);
            }
            seq::SetLayer(1, nullptr);
        }
        seq::ReturnToScript(*this);
    }
    return true;
}

int16_t CScriptMng::CalcShakeOffset(int32_t axis) {
    const uint32_t now = timeGetTime();
    const uint32_t period = m_screenFxAngle;
    if (m_screenFxKind == 10)
        return 0;
    if (m_screenFxKind == 6 || m_screenFxKind == 7) {
        const uint32_t e = now - m_screenFxStart;
        double m = m_screenFxAmp;
        if (e < period)
            m = std::trunc(SinDegrees(static_cast<double>(uint64_t{e} * 180 / period)) * m_screenFxAmp);
        if (axis == 0)
            m_screenFxPhase = (m_screenFxPhase + 4) % 360;
        return static_cast<int16_t>(SinDegrees(static_cast<double>(m_screenFxPhase) + axis) * m);
    }
    // A shake of no length is over at once.
    uint64_t angle = period == 0 ? 360 : uint64_t{now - m_screenFxStart} * 360 / period;
    if (angle >= 360) {
        if (m_screenFxRepeat == 0) {
            m_screenFxOn = 0;
            return 0;
        }
        m_screenFxStart = now;
        angle = 0;
        if (m_screenFxKind >= 2 && m_screenFxKind <= 5)
            m_screenFxPhase = m_screenFxPhase == 1 ? 2 : 1;
    }
    return static_cast<int16_t>(SinDegrees(static_cast<double>(angle)) * m_screenFxAmp);
}
