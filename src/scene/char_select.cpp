// The character selection (scene 65): eleven character buttons in two rows over the picture, of
// which the characters the script made available (op 136) can be picked. The pick blinks for 0.9 s
// and goes into script variable 255 (1..11); the message window and its button bar stay usable.
#include <cstring>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/message_text.h"
#include "scene/select_cells.h"
#include "screens/screen_object.h"
#include "script/script_mng.h"

namespace {

// "※　人物选择　※": the current text while the selection is shown (a save made here shows it).
constexpr char kCharSelectMarker[] = "\xA1\xF9\xA1\xA1\xC8\xCB\xCE\xEF\xD1\xA1\xD4\xF1\xA1\xA1\xA1\xF9";

constexpr int kButtonCount = 11;
constexpr int kFaceW = 102;
constexpr int kFaceH = 144;
// The panel of "system\char_sel.bmp" and where it goes; below it, the hover and blink frames.
constexpr int kPanelW = 733;
constexpr int kPanelH = 349;
constexpr int kPanelX = 146;
constexpr int kPanelY = 89;
constexpr int kFrameW = 112;
constexpr int kFrameH = 154;
constexpr int kBlinkFrameX = 112;
constexpr int kFrameY = 349;
constexpr kestrel::select::CellFrame kHoverFrame{0, kFrameY, kFrameW, kFrameH, 5};
// Rows of "system\char_sel_p.bmp": the disabled faces at y 0, the enabled ones below.
constexpr int kEnabledFaceY = 144;
// The message window: the band restored from layer 0 starts 8 rows above the window picture.
constexpr int kWindowY = 448;
constexpr int kWindowRestoreY = 440;
constexpr uint32_t kBlinkMs = 900;
constexpr uint32_t kPulseMs = 300;
constexpr int kResultVar = 255;

// Button k (0..10): six in the first row, five in the second, set off by half a button.
RECT ButtonRect(int k) {
    const int left = k < 6 ? 174 + 115 * k : 231 + 115 * (k - 6);
    const int top = k < 6 ? 116 : 274;
    return RECT{left, top, left + kFaceW, top + kFaceH};
}

bool Enabled(const CScriptMng& e, int k) {
    return e.m_charAvailable[k + 1] != 0;
}

CDIB32* LoadLayer(HWND hWnd, const char* name) {
    auto* s = new CDIB32();
    s->Load(hWnd, name);
    return s;
}

// The band under the panel from layer 0, and the bottom window over it in the styles that have one.
void RedrawMessageWindow(bool bottomWindow) {
    CDIB32* screen = g_ScreenSurface;
    if (screen == nullptr)
        return;
    const int32_t w = g_MsgWindowSurface != nullptr ? g_MsgWindowSurface->GetWidth() : 0;
    const int32_t h = g_MsgWindowSurface != nullptr ? g_MsgWindowSurface->GetHeight() : 0;
    CDIB32::Blt(screen, 0, kWindowRestoreY, g_Layers[0], 0, kWindowRestoreY, w,
                h + (kWindowY - kWindowRestoreY));
    if (bottomWindow)
        DrawMsgWindowBand(screen);
}

} // namespace

bool CScriptMng::ModeCharSelect() {
    const uint32_t now = timeGetTime();
    MouseState* mouse = g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;
    // The item and character selections share the engine's table of button rectangles.
    RECT* rects = m_itemRects;

    RedrawMessageWindow(HasBottomWindow());
    if (m_hoverItem == 0)
        ScreenRightClick();
    m_prevHoverButton = m_hoverButton;
    m_hoverButton = GetWindowButtonAt();
    ScreenButtonInput(m_hoverButton);
    DrawIcon(m_hoverButton);
    ScreenButtonAction(m_hoverButton);
    DrawAutoSkipIndicator();
    if (g_pGameMain != nullptr && g_pGameMain->scene != kSceneCharSelect)
        return true; // a button of the bar opened another screen

    switch (m_msgStep) {
        case 0: {
            std::memset(m_plainText, 0, sizeof m_plainText);
            std::memcpy(m_plainText, kCharSelectMarker, sizeof kCharSelectMarker);
            m_listCategory = 0;
            SetVar(kResultVar, 0);
            ReplaceSurface(g_Layers[1], ScreenCopy(m_hWnd, g_ScreenSurface));
            ReplaceSurface(g_Layers[2], LoadLayer(m_hWnd, "system\\char_sel.bmp"));
            ReplaceSurface(g_Layers[3], LoadLayer(m_hWnd, "system\\char_sel_p.bmp"));
            CDIB32::BltAlpha(g_Layers[1], kPanelX, kPanelY, g_Layers[2], 0, 0, kPanelW, kPanelH);
            for (int k = 0; k < kButtonCount; ++k) {
                rects[k] = ButtonRect(k);
                CDIB32::Blt(g_Layers[1], rects[k].left, rects[k].top, g_Layers[3], kFaceW * k,
                            Enabled(*this, k) ? kEnabledFaceY : 0, kFaceW, kFaceH);
            }
            CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[1], 0, 0, kScreenWidth, kScreenHeight);
            m_hoverItem = 0;
            m_prevHoverItem = 0;
            m_msgStep = 1;
            break;
        }
        case 1: {
            // Character k's byte is m_charAvailable[k + 1].
            kestrel::select::TrackCellHover(*this, mouse, kButtonCount, m_charAvailable + 1, kHoverFrame);
            if (m_hoverItem != 0 && mouse != nullptr && mouse->left != 0) {
                if (g_pKeyboard != nullptr)
                    g_pKeyboard->ctrl = 0;
                mouse->left = 0;
                mouse->right = 0;
                SetVar(kResultVar, m_hoverItem);
                screens::PlayClickSound("se\\sys_t001.ogg");
                m_modeClock = now;
                m_transStart = now;
                m_msgStep = 2;
            }
            break;
        }
        case 2: {
            const uint32_t level = (now - m_transStart) * 255 / kBlinkMs;
            uint32_t phase = (now - m_modeClock) * 180 / kPulseMs;
            if (phase >= 180) {
                phase = 0;
                m_modeClock = now;
            }
            const bool ctrl = g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
            const int k = m_hoverItem - 1;
            if (level <= 255 && !ctrl && m_skipEffects == 0 && k >= 0 && k < kButtonCount) {
                const RECT& r = rects[k];
                kestrel::select::RestoreCell(r, kHoverFrame);
                const auto opacity = static_cast<uint16_t>(SinDeg(static_cast<int32_t>(phase)) * 255);
                CDIB32::BltAlphaFade(g_ScreenSurface, r.left - 5, r.top - 5, g_Layers[2], kBlinkFrameX,
                                     kFrameY, kFrameW, kFrameH, opacity);
                break;
            }
            CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[1], 0, 0, kScreenWidth, kScreenHeight);
            m_msgStep = 3;
            break;
        }
        default:
            kestrel::select::EndSelection(*this, mouse);
            break;
    }
    return true;
}
