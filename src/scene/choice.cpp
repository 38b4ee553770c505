// The choice scene (17): up to three panels over the picture, picked with the mouse, the wheel or
// the cursor keys; the pick goes into the backlog and the taken-choices record of the system data,
// and the script continues at the chosen target.
#include <cmath>
#include <cstring>
#include <string>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/pixel_effects.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/choice_window.h"
#include "scene/cursor_glide.h"
#include "scene/message_text.h"
#include "screens/screen_object.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

namespace {

// "※　选择支　※", the marker of the plain copy while a choice is offered.
constexpr char kChoiceMarker[] = "\xA1\xF9\xA1\xA1\xD1\xA1\xD4\xF1\xD6\xA7\xA1\xA1\xA1\xF9";
constexpr char kRowOpen[] = "\xA1\xF9\xA1\xA1";  // "※　"
constexpr char kRowClose[] = "\xA1\xA1\xA1\xF9"; // "　※"

constexpr int kPanelX = 256;
constexpr int kPanelW = 504;
constexpr int kPanelH = 67;
constexpr int kPanelStep = 76;
constexpr uint32_t kTextColour = 0xFFFFFF;
constexpr uint32_t kTakenColour = 0x00B0FF;
constexpr uint32_t kTakenHoverColour = 0x0044FF;
constexpr int kTakenRecordSize = sizeof(SystemData::takenChoices);

// One sparkle over the hovered panel: position inside the panel, size in pixels, drift, speed and
// phase in degrees (0..179).
struct Sparkle {
    int16_t x, y;
    uint16_t size;
    int16_t drift, speed;
    uint32_t phase;
};
constexpr int kSparkleCount = 128;
Sparkle g_Sparkles[kSparkleCount];
uint32_t g_SparkleSeed = 1;

// The screen as it was before the panels, kept while the scene runs.
CDIB32* g_ChoiceSaved = nullptr;

uint32_t NextRandom() {
    g_SparkleSeed = g_SparkleSeed * 1103515245u + 12345u;
    return (g_SparkleSeed >> 16) & 0x7FFF;
}

void NewSparkle(Sparkle& s) {
    s.size = static_cast<uint16_t>(NextRandom() % 16 + 1);
    s.drift = static_cast<int16_t>(static_cast<int>(NextRandom() % 32) - 16);
    s.speed = static_cast<int16_t>(NextRandom() % 3 + 1);
}

bool Taken(uint8_t set, int i) {
    const int at = set * 3 + i;
    return at < kTakenRecordSize && g_SystemData.takenChoices[at] != 0;
}

MouseState* Mouse() {
    return g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;
}

void ClearLeftClick() {
    if (MouseState* m = Mouse())
        m->left = 0;
}

// Draws choice i's text, two bytes at a time.
void DrawChoiceText(CDIB32* surface, const CScriptMng& s, int i, uint32_t colour) {
    if (g_GlyphFont == nullptr || s.m_choiceText[i] == nullptr)
        return;
    const char* text = s.m_choiceText[i];
    const size_t length = std::strlen(text);
    int32_t x = 524 - static_cast<int32_t>(length / 2) * 12;
    const int32_t y = s.m_choiceTop + 22 + kPanelStep * i;
    for (size_t at = 0; at < length; at += 2) {
        char pair[3] = {text[at], at + 1 < length ? text[at + 1] : '\0', '\0'};
        x += g_GlyphFont->DrawString(surface, x, y, pair, colour);
    }
}

// Restores panel i from the saved screen and draws it in its normal state.
void DrawPanelNormal(CScriptMng& s, int i) {
    const RECT& r = s.m_choiceRects[i];
    CDIB32::Blt(g_ScreenSurface, r.left, r.top, g_ChoiceSaved, r.left, r.top, kPanelW, kPanelH);
    CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, g_pScriptUiSurfaces[kUiSelectBase], 0, 0, kPanelW,
                     kPanelH);
    DrawChoiceText(g_ScreenSurface, s, i, Taken(s.m_choiceSet, i) ? kTakenColour : kTextColour);
}

// Moves the cursor to a point of the picture (game coordinates).
void MoveCursor(HWND hwnd, int32_t x, int32_t y) {
    if (hwnd != nullptr)
        CursorToWindowPoint(hwnd, ScaleToScreenX(x), ScaleToScreenY(y));
    if (MouseState* m = Mouse()) {
        m->x = x;
        m->y = y;
    }
}

} // namespace

bool InteractiveWindowHiding(CScriptMng& s) {
    MouseState* mouse = Mouse();
    const bool left = mouse != nullptr && mouse->left != 0;
    const bool right = mouse != nullptr && mouse->right != 0;
    const bool key = g_pKeyboard != nullptr && g_pKeyboard->space != 0;
    if (s.m_windowHidden != 0) {
        if (left || right || key) {
            if (mouse != nullptr)
                mouse->left = mouse->right = 0;
            if (g_pKeyboard != nullptr)
                g_pKeyboard->space = 0;
            CDIB32::Blt(g_ScreenSurface, 0, 0, g_SavedScreenSurface, 0, 0, kScreenWidth, kScreenHeight);
            ReplaceSurface(g_SavedScreenSurface, nullptr);
            s.m_screenRect = RECT{0, 0, kScreenWidth, kScreenHeight};
            s.m_windowHidden = 0;
            s.m_redrawWindow = 1;
        }
        return true;
    }
    // The caption band has no window that a right click could hide.
    const bool rightHides = s.m_windowStyle != 2 && right && g_SystemData.rightClickMode != 0;
    if (!key && !rightHides)
        return false;
    if (rightHides) {
        mouse->right = 0;
        PlayWindowClick();
    }
    CDIB32* saved = new CDIB32();
    if (saved->Create(s.m_hWnd, kScreenWidth, kScreenHeight, 24)) {
        CDIB32::Blt(saved, 0, 0, g_ScreenSurface, 0, 0, kScreenWidth, kScreenHeight);
        ReplaceSurface(g_SavedScreenSurface, saved);
    } else {
        delete saved;
    }
    CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[0], 0, 0, kScreenWidth, kScreenHeight);
    s.m_screenRect = RECT{0, 0, kScreenWidth, kScreenHeight};
    s.m_windowHidden = 1;
    s.m_redrawWindow = 0;
    if (g_pKeyboard != nullptr)
        g_pKeyboard->space = 0;
    return true;
}

bool CScriptMng::DrawChoiceButtons(CDIB32* surface) {
    m_choiceTop = static_cast<int16_t>(157 - (m_choiceCount % 2) * 67);
    for (int i = 0; i < m_choiceCount && i < kChoiceMax; ++i) {
        const int top = m_choiceTop + kPanelStep * i;
        m_choiceRects[i] = RECT{kPanelX, top, kPanelX + kPanelW, top + kPanelH};
        CDIB32::BltAlpha(g_ScreenSurface, kPanelX, top, g_pScriptUiSurfaces[kUiSelectBase], 0, 0, kPanelW,
                         kPanelH);
        DrawChoiceText(surface, *this, i, Taken(m_choiceSet, i) ? kTakenColour : kTextColour);
    }
    return true;
}

bool CScriptMng::ModeChoice() {
    const uint32_t now = timeGetTime();
    MouseState* mouse = Mouse();
    switch (m_msgStep) {
        case 0: {
            if (g_GlyphFont != nullptr)
                g_GlyphFont->SetFont(24, 0);
            std::memset(m_plainText, 0, sizeof m_plainText);
            std::memcpy(m_plainText, kChoiceMarker, sizeof kChoiceMarker);
            g_SparkleSeed = now;
            for (int i = 0; i < kSparkleCount; ++i) {
                Sparkle& p = g_Sparkles[i];
                const uint32_t r = now * NextRandom() * static_cast<uint32_t>(i + 1);
                p.x = static_cast<int16_t>(r % 480);
                p.y = static_cast<int16_t>((r >> 8) % 60);
                NewSparkle(p);
                p.phase = (r >> 4) % 90;
            }
            delete g_ChoiceSaved;
            g_ChoiceSaved = new CDIB32();
            g_ChoiceSaved->Create(m_hWnd, kScreenWidth, kScreenHeight, 24);
            CDIB32::Blt(g_ChoiceSaved, 0, 0, g_ScreenSurface, 0, 0, kScreenWidth, kScreenHeight);
            DrawChoiceButtons(g_ScreenSurface);
            m_choiceHover = 0;
            m_choicePrevHover = 0;
            m_hoverButton = 0;
            m_choiceStamp = now;
            if (g_SystemData.keyboardMode == 0 || m_choiceCount == 0) {
                m_msgStep = 1;
                break;
            }
            kestrel::sequence::StartGlide(*this, m_choiceRects[0], now);
            m_msgStep = 6;
            break;
        }
        case 6: {
            if (!kestrel::sequence::GlideStep(*this, now))
                break;
            // The hit test of the next step finds the panel the cursor now stands on.
            if (mouse != nullptr) {
                const RECT& r = m_choiceRects[0];
                mouse->x = (r.left + r.right) / 2;
                mouse->y = (r.top + r.bottom) / 2;
            }
            m_choiceStamp = now;
            ClearLeftClick();
            m_msgStep = 1;
            break;
        }
        case 1: {
            if (m_choiceHover == 0) {
                ScreenRightClick();
                m_prevHoverButton = m_hoverButton;
                m_hoverButton = GetWindowButtonAt();
            }
            if (InteractiveWindowHiding(*this))
                break;
            uint8_t hover = 0;
            for (int i = 0; mouse != nullptr && i < m_choiceCount && i < kChoiceMax; ++i) {
                const RECT& r = m_choiceRects[i];
                if (mouse->x >= r.left && mouse->x < r.right && mouse->y >= r.top && mouse->y < r.bottom) {
                    hover = static_cast<uint8_t>(i + 1);
                    break;
                }
            }
            const bool up = (g_pKeyboard != nullptr && g_pKeyboard->up != 0) ||
                            (g_pMouse != nullptr && g_pMouse->wheel == 0xFF);
            const bool down = (g_pKeyboard != nullptr && g_pKeyboard->down != 0) ||
                              (g_pMouse != nullptr && g_pMouse->wheel == 1);
            if ((up || down) && m_choiceCount > 0) {
                const bool wheel = g_pMouse != nullptr && g_pMouse->wheel != 0;
                const uint8_t base = hover;
                if (up)
                    hover = base <= 1 ? (base == 0 ? 1 : m_choiceCount) : static_cast<uint8_t>(base - 1);
                else
                    hover = base == 0 ? m_choiceCount
                                      : (base >= m_choiceCount ? 1 : static_cast<uint8_t>(base + 1));
                if (wheel)
                    Sleep(300);
                const RECT& r = m_choiceRects[hover - 1];
                MoveCursor(m_hWnd, (r.left + r.right) / 2, r.top + 30);
                if (g_pKeyboard != nullptr) {
                    g_pKeyboard->up = 0;
                    g_pKeyboard->down = 0;
                }
                if (g_pMouse != nullptr)
                    g_pMouse->wheel = 0;
            }
            m_choicePrevHover = m_choiceHover;
            m_choiceHover = hover;
            if (m_choiceHover != m_choicePrevHover && m_choicePrevHover != 0)
                DrawPanelNormal(*this, m_choicePrevHover - 1);
            if (m_choiceHover != 0 && now - m_choiceStamp > 54) {
                m_choiceStamp = now;
                const int i = m_choiceHover - 1;
                const RECT& r = m_choiceRects[i];
                for (Sparkle& p : g_Sparkles) {
                    p.y = static_cast<int16_t>(p.y + 1);
                    p.phase += static_cast<uint32_t>(p.speed);
                    if (p.phase > 179)
                        p.phase = 0;
                    if (p.x < 15 || p.y > 54 || p.x > 489) {
                        p.x = static_cast<int16_t>(NextRandom() % 470 + 10);
                        p.y = 0;
                        NewSparkle(p);
                        p.phase = 0;
                    }
                }
                CDIB32::Blt(g_ScreenSurface, r.left, r.top, g_ChoiceSaved, r.left, r.top, kPanelW, kPanelH);
                CDIB32* panels = g_pScriptUiSurfaces[kUiSelectBase];
                CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, panels, 0, kPanelH, kPanelW, kPanelH);
                BltScreen(g_ScreenSurface, static_cast<int16_t>(r.left), static_cast<int16_t>(r.top), panels,
                          0, kPanelH, kPanelW, kPanelH, 255);
                for (const Sparkle& p : g_Sparkles) {
                    const uint16_t level =
                        static_cast<uint16_t>(std::lround(255.0 * SinDeg(static_cast<int32_t>(p.phase))));
                    CDIB32::BltAlphaFadeEx(g_ScreenSurface, r.left + p.x, r.top + p.y, p.size, p.size,
                                           g_pScriptUiSurfaces[kUiSelectPanels], 219, 1, 50, 72, level);
                }
                DrawChoiceText(g_ScreenSurface, *this, i,
                               Taken(m_choiceSet, i) ? kTakenHoverColour : kTextColour);
            }
            if (m_choiceHover != 0 && mouse != nullptr && mouse->left != 0) {
                mouse->left = 0;
                if (g_SystemData.seOff == 0)
                    screens::PlayClickSound("se\\sys_a002.ogg");
                m_msgStep = 2;
            }
            // The button bar over the window band.
            ScreenButtonInput(m_hoverButton);
            CDIB32::Blt(g_ScreenSurface, 0, 416, g_Layers[0], 0, 416, kScreenWidth, kScreenHeight - 416);
            if (HasBottomWindow())
                DrawMsgWindowBand(g_ScreenSurface);
            DrawIcon(m_hoverButton);
            ScreenButtonAction(m_hoverButton);
            DrawAutoSkipIndicator();
            break;
        }
        case 2: {
            if (g_GlyphFont != nullptr)
                g_GlyphFont->SetFont(24, 0);
            const int i = m_choiceHover - 1;
            if (i < 0 || i >= m_choiceCount || i >= kChoiceMax) {
                m_msgStep = 1; // no panel was picked: keep offering
                break;
            }
            std::string row = kRowOpen;
            row += m_choiceText[i] != nullptr ? m_choiceText[i] : "";
            row += kRowClose;
            if (g_pGameMain != nullptr)
                g_pGameMain->PushBacklog(row.c_str(), "", "");
            if (m_pScriptBase != nullptr && m_choiceJump[i] < m_scriptSize) {
                m_pScriptPtr = m_pScriptBase + m_choiceJump[i];
                m_pScriptSave = m_pScriptPtr;
            }
            // A set beyond the record (sets 0..99) is not recorded.
            if (m_choiceSet * 3 + i < kTakenRecordSize)
                g_SystemData.takenChoices[m_choiceSet * 3 + i] = 1;
            m_screenRect = RECT{0, 0, kScreenWidth, kScreenHeight};
            m_redrawWindow = 0;
            CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[0], 0, 0, kScreenWidth, kScreenHeight);
            delete g_ChoiceSaved;
            g_ChoiceSaved = nullptr;
            m_msgStep = 3;
            break;
        }
        default:
            ClearLeftClick();
            SetScene(kSceneScript);
            m_msgStep = 0;
            break;
    }
    return true;
}
