// The item selection (scene 69): the player's items in a grid of 24 cells over the picture; the
// pick is kept in m_itemSelResult (1..24) for the script to test.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/choice_window.h"
#include "scene/message_text.h"
#include "scene/select_cells.h"
#include "screens/screen_object.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

namespace {

// "※　物品选择　※", the marker of the plain copy while the items are offered.
constexpr char kItemMarker[] = "\xA1\xF9\xA1\xA1\xCE\xEF\xC6\xB7\xD1\xA1\xD4\xF1\xA1\xA1\xA1\xF9";
constexpr int kItemCount = 24;
// The highlight cell of "system\item_sel.bmp" and its size; it is drawn 6 pixels up and left of
// the item cell.
constexpr int kHighlightX = 114;
constexpr int kHighlightY = 350;
constexpr int kHighlightW = 114;
constexpr int kHighlightH = 81;
constexpr kestrel::select::CellFrame kHighlight{kHighlightX, kHighlightY, kHighlightW, kHighlightH, 6};
constexpr uint32_t kFlashMs = 900;

CDIB32* NewLayer(const char* name) {
    CDIB32* s = new CDIB32();
    s->Load(name);
    return s;
}

} // namespace

bool CScriptMng::ModeItemSelect() {
    const uint32_t now = timeGetTime();
    MouseState* mouse = g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;
    switch (m_msgStep) {
        case 0: {
            std::memset(m_plainText, 0, sizeof m_plainText);
            std::memcpy(m_plainText, kItemMarker, sizeof kItemMarker);
            CDIB32* copy = new CDIB32();
            copy->Create(m_hWnd, kScreenWidth, kScreenHeight, 24);
            CDIB32::Blt(copy, 0, 0, g_ScreenSurface, 0, 0, kScreenWidth, kScreenHeight);
            ReplaceSurface(g_Layers[1], copy);
            ReplaceSurface(g_Layers[2], NewLayer("system\\item_sel.bmp"));
            CDIB32::BltAlpha(g_Layers[1], 146, 89, g_Layers[2], 0, 0, 733, 349);
            for (int i = 0; i < kItemCount; ++i) {
                const int left = 174 + (i % 6) * 115;
                const int top = 107 + (i / 6) * 84;
                m_itemRects[i] = RECT{left, top, left + 102, top + 69};
                if (m_table157[i] == 0)
                    continue;
                char name[32];
                std::snprintf(name, sizeof name, "system\\item_%02d.bmp", i + 1);
                ReplaceSurface(g_Layers[3], NewLayer(name));
                CDIB32::Blt(g_Layers[1], left, top, g_Layers[3], 0, 0, g_Layers[3]->GetWidth(),
                            g_Layers[3]->GetHeight());
            }
            CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[1], 0, 0, kScreenWidth, kScreenHeight);
            m_itemSelResult = 0;
            m_hoverItem = 0;
            m_prevHoverItem = 0;
            m_msgStep = 1;
            break;
        }
        case 1: {
            if (m_hoverItem == 0) {
                ScreenRightClick();
                m_prevHoverButton = m_hoverButton;
                m_hoverButton = GetWindowButtonAt();
            }
            if (InteractiveWindowHiding(*this))
                break;
            kestrel::select::TrackCellHover(*this, mouse, kItemCount, m_table157, kHighlight);
            if (m_hoverItem != 0 && mouse != nullptr && mouse->left != 0) {
                m_itemSelResult = m_hoverItem;
                mouse->left = 0;
                screens::PlayClickSound("se\\sys_t001.ogg");
                m_itemStamp1 = now;
                m_itemStamp2 = now;
                m_msgStep = 2;
                break;
            }
            ScreenButtonInput(m_hoverButton);
            CDIB32::Blt(g_ScreenSurface, 0, 438, g_Layers[0], 0, 438, kScreenWidth, kScreenHeight - 438);
            if (HasBottomWindow())
                DrawMsgWindowBand(g_ScreenSurface);
            DrawIcon(m_hoverButton);
            ScreenButtonAction(m_hoverButton);
            DrawAutoSkipIndicator();
            break;
        }
        case 2: {
            const uint32_t a = (now - m_itemStamp1) * 255 / kFlashMs;
            uint32_t angle = (now - m_itemStamp2) * 180 / 300;
            if (angle > 179) {
                angle = 0;
                m_itemStamp2 = now;
            }
            const bool ctrl = g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
            const int i = m_itemSelResult - 1;
            if (a < 256 && !ctrl && m_skipEffects == 0 && i >= 0 && i < kItemCount) {
                const RECT& r = m_itemRects[i];
                kestrel::select::RestoreCell(r, kHighlight);
                const uint16_t level =
                    static_cast<uint16_t>(std::lround(255.0 * SinDeg(static_cast<int32_t>(angle))));
                CDIB32::BltAlphaFade(g_ScreenSurface, r.left - 6, r.top - 6, g_Layers[2], kHighlightX,
                                     kHighlightY, kHighlightW, kHighlightH, level);
                break;
            }
            // The flash is over: the grid without the highlight.
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
