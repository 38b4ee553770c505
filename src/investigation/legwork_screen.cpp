// The legwork screen (scene 62): a column of up to ten characters to question, the topic kinds
// (the character's topics, and the evidence when any is held), and the scrolling list of topics of
// the kind picked; a topic starts its script. An end button asks for confirmation over a tinted
// screen and starts the legwork's closing script. The message window's button bar stays live.
#include <cmath>
#include <cstring>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "investigation/invest_list.h"
#include "investigation/invest_redraw.h"
#include "investigation/invest_screen.h"
#include "platform/clock.h"
#include "scene/sequence_surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

using namespace kestrel::sequence;
using namespace kestrel::invest;

namespace {

// "※　　探询　　※": the current text while the screen is up.
constexpr char kCaption[] = "\xA1\xF9\xA1\xA1\xA1\xA1\xCC\xBD\xD1\xAF\xA1\xA1\xA1\xA1\xA1\xF9";

constexpr int kLegworkSlot = 9;
constexpr int kTalkSlot = 2;
constexpr int kCopySlot = 30;
constexpr int kDialogSlot = 31;
constexpr int kTintSlot = 32;

constexpr int kCharacters = 10;
constexpr RECT kEndButton{834, 400, 979, 430};
constexpr RECT kTalkButtons[2] = {{832, 119, 872, 139}, {832, 154, 872, 174}};
constexpr RECT kYesNo[2] = {{402, 298, 498, 334}, {523, 298, 619, 334}};
constexpr int kPanelX = 907;
constexpr int kPanelY = 8;
constexpr int kPanelW = 112;
constexpr int kPanelH = 328;
constexpr int kTalkX = 795;
constexpr int kTalkY = 94;
constexpr int kTalkW = 112;
constexpr int kTalkH = 213;
constexpr int kEndW = 145;
constexpr int kEndH = 30;
constexpr uint32_t kTint = 0x3E75DD;
constexpr uint16_t kTintLevel = 154;
constexpr uint32_t kFadeMs = 300;
constexpr uint32_t kCloseMs = 500;

constexpr RECT CharRow(int i) {
    return RECT{936, 37 + 27 * i, 990, 59 + 27 * i};
}
constexpr RECT kCharRows[kCharacters] = {CharRow(0), CharRow(1), CharRow(2), CharRow(3), CharRow(4),
                                         CharRow(5), CharRow(6), CharRow(7), CharRow(8), CharRow(9)};

bool CharacterOpen(const CScriptMng& e, int row) {
    return row >= 1 && row <= kCharacters && e.m_legworkChars[row] != 0;
}

void DrawEndButton(bool hovered) {
    RestoreArea(kEndButton.left, kEndButton.top, kEndW, kEndH);
    CDIB32::BltAlpha(g_ScreenSurface, kEndButton.left, kEndButton.top, g_Layers[kLegworkSlot], 112, 244,
                     kEndW, kEndH);
    if (hovered)
        CDIB32::BltAlpha(g_ScreenSurface, kEndButton.left, kEndButton.top, g_Layers[kLegworkSlot], 112, 274,
                         kEndW, kEndH);
}

void DrawCharacters(const CScriptMng& e, uint8_t markRow) {
    CDIB32* sheet = g_Layers[kLegworkSlot];
    RestoreArea(kPanelX, kPanelY, kPanelW, kPanelH);
    CDIB32::BltAlpha(g_ScreenSurface, kPanelX, kPanelY, sheet, 0, 0, kPanelW, kPanelH);
    if (CharacterOpen(e, markRow)) {
        const RECT& r = kCharRows[markRow - 1];
        CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, sheet, 112, 220, 52, 24);
    }
    for (int i = 0; i < kCharacters; ++i) {
        const RECT& r = kCharRows[i];
        CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, sheet, CharacterOpen(e, i + 1) ? 166 : 112, 22 * i,
                         54, 22);
    }
}

void DrawTalkPanel(const CScriptMng& e, uint8_t markButton) {
    CDIB32* sheet = g_Layers[kTalkSlot];
    RestoreArea(kTalkX, kTalkY, kTalkW, kTalkH);
    CDIB32::BltAlpha(g_ScreenSurface, kTalkX, kTalkY, sheet, 0, 0, kTalkW, kTalkH);
    if (markButton >= 1 && markButton <= e.m_talkButtonCount)
        CDIB32::BltAlpha(g_ScreenSurface, kTalkButtons[markButton - 1].left - 4,
                         kTalkButtons[markButton - 1].top, sheet, 112, 100, 49, 27);
    for (int i = 0; i < e.m_talkButtonCount && i < 2; ++i)
        CDIB32::BltAlpha(g_ScreenSurface, kTalkButtons[i].left, kTalkButtons[i].top, sheet, 242, 20 * i, 40,
                         20);
}

bool AnyEvidence(const CScriptMng& e) {
    for (int id = 1; id < 64; ++id)
        if (e.m_legworkEvidence[id] != 0)
            return true;
    return false;
}

void LoadPictures() {
    SetLayer(kLegworkSlot, NewPicture("system\\legwork.bmp"));
    SetLayer(kTalkSlot, NewPicture("system\\talk.bmp"));
    LoadListPanel();
}

// The topic list of the picked kind: its strips into slot 4 and its ids, at the first entry.
void OpenTopicList(CScriptMng& e) {
    if (e.m_pickedKind == 2)
        OpenList(e, "system\\key_l_evi.bmp", &e.m_legworkEvidence);
    else
        OpenList(e, "system\\key_l_chara.bmp", &e.m_legworkCharTopics);
}

// The hover of the end button, redrawn when it changed; true when hovered.
bool EndButtonHover(CScriptMng& e, const MouseState* mouse) {
    e.m_prevHoverFlag = e.m_hoverFlag;
    e.m_hoverFlag = PointIn(mouse, kEndButton) ? 1 : 0;
    if (e.m_hoverFlag != e.m_prevHoverFlag)
        DrawEndButton(e.m_hoverFlag != 0);
    return e.m_hoverFlag != 0;
}

void OpenConfirmation(CScriptMng& e, uint8_t returnStep, uint32_t now) {
    Click("sys_a002.ogg");
    ClearLeftButton();
    e.m_stepTime = now;
    e.m_confirmReturnStep = returnStep;
    e.m_investStep = 20;
}

bool Cut(const CScriptMng& e) {
    return CtrlHeld() || e.m_skipEffects != 0;
}

} // namespace

void kestrel::invest::RedrawLegworkScreen(CScriptMng& e) {
    if (g_Layers[kLegworkSlot] == nullptr)
        LoadPictures(); // a game loaded inside a topic script comes back here first
    DrawCharacters(e, e.m_pickedEntry);
    DrawEndButton(false);
    e.m_talkButtonCount = AnyEvidence(e) ? 2 : 1;
    DrawTalkPanel(e, e.m_pickedKind);
    OpenTopicList(e);
}

bool CScriptMng::ModeLegwork() {
    const uint32_t now = timeGetTime();
    MouseState* mouse = g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;

    if (HiddenPanelsStep(*this))
        return true;
    if (m_investStep <= 20 &&
        !ServeWindowBar(*this, m_hoverRow == 0 && m_hoverFlag == 0 && m_investStep < 3, kSceneLegwork))
        return true; // a button of the bar opened another screen

    switch (m_investStep) {
        case 0:
            std::memset(m_plainText, 0, sizeof m_plainText);
            std::memcpy(m_plainText, kCaption, sizeof kCaption);
            LoadPictures();
            m_investStep = 1;
            break;
        case 1:
            m_pickedEntry = 0;
            m_hoverRow = m_prevHoverRow = m_hoverFlag = m_prevHoverFlag = 0;
            DrawCharacters(*this, 0);
            DrawEndButton(false);
            m_investStep = 2;
            break;
        case 2: {
            if (mouse != nullptr && mouse->right != 0 && g_SystemData.rightClickMode != 0) {
                HidePanels(*this);
                break;
            }
            m_prevHoverRow = m_hoverRow;
            m_hoverRow = HoverColumn(
                mouse, kCharRows, kCharacters, [this](int row) { return CharacterOpen(*this, row); }, true);
            const bool onEnd = EndButtonHover(*this, mouse);
            if (m_hoverRow != m_prevHoverRow)
                DrawCharacters(*this, m_hoverRow);
            if (mouse == nullptr || mouse->left == 0)
                break;
            if (onEnd) {
                OpenConfirmation(*this, 2, now);
            } else if (m_hoverRow != 0) {
                mouse->left = 0;
                Click("sys_a002.ogg");
                m_pickedEntry = m_hoverRow;
                m_investStep = 5;
            }
            break;
        }
        case 5:
            m_pickedKind = 0;
            m_talkButtonCount = AnyEvidence(*this) ? 2 : 1;
            DrawTalkPanel(*this, 0);
            m_hoverRow = m_prevHoverRow = 0;
            m_investStep = 6;
            break;
        case 6: {
            m_prevHoverRow = m_hoverRow;
            m_hoverRow = HoverColumn(mouse, kTalkButtons, m_talkButtonCount, [](int) { return true; });
            const bool onEnd = EndButtonHover(*this, mouse);
            if (m_hoverRow != m_prevHoverRow)
                DrawTalkPanel(*this, m_hoverRow);
            if (mouse == nullptr)
                break;
            if (mouse->left != 0 && m_hoverRow != 0) {
                mouse->left = 0;
                Click("sys_a002.ogg");
                m_pickedKind = m_hoverRow;
                m_listCount = 0;
                m_listScroll = 0;
                std::memset(m_listIds, 0, sizeof m_listIds);
                m_investStep = 10;
            } else if (mouse->left != 0 && onEnd) {
                OpenConfirmation(*this, 6, now);
            } else if (mouse->right != 0) {
                StepBack(*this, *mouse, kTalkX, kTalkY, kTalkW, kTalkH, 1, nullptr);
            }
            break;
        }
        case 10:
            OpenTopicList(*this);
            m_hoverRow = m_prevHoverRow = 0;
            m_investStep = 11;
            break;
        case 11: {
            // An empty list offers no row: nothing to start.
            const int row = m_listCount > 0 ? ListInput(*this, mouse) : 0;
            const bool onEnd = EndButtonHover(*this, mouse);
            if (mouse == nullptr)
                break;
            if (mouse->left != 0 && onEnd) {
                OpenConfirmation(*this, 11, now);
            } else if (row != 0) {
                mouse->left = 0;
                Click("sys_a002.ogg");
                const int index = m_listScroll + row - 1;
                if (index < 0 || index >= m_listCount)
                    break;
                if (!LoadScriptNamed(*this, m_pickedKind == 2 ? "l%02d_e%03d.s" : "l%02d_p%03d.s",
                                     m_legworkNo, m_listIds[index]))
                    break; // the script is missing: the list stays
                m_investStep = 0;
                m_msgStep = 0;
                SetScene(kSceneScript);
            } else if (mouse->right != 0) {
                StepBackFromList(*this, *mouse, 5, nullptr);
            }
            break;
        }
        case 20: {
            DrawEndButton(false);
            SetLayer(kCopySlot, NewScreenCopy());
            SetLayer(kDialogSlot, NewPicture("system\\legwork_p.bmp"));
            CDIB32* tinted = NewScreenCopy();
            CDIB32* tint = NewFilled(kTint);
            CDIB32::BltFade(tinted, 0, 0, kScreenWidth, kScreenHeight, tint, 0, 0, 0, kScreenWidth,
                            kScreenHeight, kTintLevel);
            delete tint;
            SetLayer(kTintSlot, tinted);
            m_hoverFlag = m_prevHoverFlag = 0;
            m_investStep = 21; // the tint fade is timed from the click (m_stepTime)
            break;
        }
        case 21: {
            const uint32_t level = Level(now - m_stepTime, 255, kFadeMs);
            if (level < 255 && !Cut(*this)) {
                CrossFade(g_Layers[kTintSlot], g_Layers[kCopySlot], static_cast<int32_t>(level));
                break;
            }
            Show(g_Layers[kTintSlot]);
            m_stepTime = now;
            m_investStep = 22;
            break;
        }
        case 22: {
            const uint32_t a = Level(now - m_stepTime, 255, kFadeMs);
            if (a < 255 && !Cut(*this)) {
                CDIB32::Blt(g_ScreenSurface, kBoxX, kBoxY - 36, g_Layers[kTintSlot], kBoxX, kBoxY - 36, kBoxW,
                            kBoxH + 36);
                CDIB32::BltAlphaFade(g_ScreenSurface, kBoxX, static_cast<int32_t>(kBoxY - 36 + 36 * a / 256),
                                     g_Layers[kDialogSlot], 0, 0, kBoxW, kBoxH,
                                     static_cast<uint16_t>(a * a / 256));
                break;
            }
            Show(g_Layers[kTintSlot]);
            CDIB32::BltAlpha(g_ScreenSurface, kBoxX, kBoxY, g_Layers[kDialogSlot], 0, 0, kBoxW, kBoxH);
            if (g_SystemData.keyboardMode != 0) {
                StartGlide(*this, kYesNo[0], now);
                m_investStep = 26;
                break;
            }
            m_stepTime = now;
            m_investStep = 23;
            break;
        }
        case 26:
            if (DialogGlideStep(*this, now))
                m_investStep = 23;
            break;
        case 23: {
            if (DialogHover(*this, mouse, kYesNo)) {
                CDIB32::Blt(g_ScreenSurface, kBoxX, kBoxY, g_Layers[kTintSlot], kBoxX, kBoxY, kBoxW, kBoxH);
                CDIB32::BltAlpha(g_ScreenSurface, kBoxX, kBoxY, g_Layers[kDialogSlot], 0, 0, kBoxW, kBoxH);
                if (m_hoverFlag != 0) {
                    const RECT& r = kYesNo[m_hoverFlag - 1];
                    CDIB32::BltAlpha(g_ScreenSurface, r.left - 3, r.top - 3, g_Layers[kDialogSlot],
                                     kButtonW * (m_hoverFlag - 1), kHoveredLookY, kButtonW, kButtonH);
                }
            }
            if (DialogAnswered(*this, mouse, now, "sys_a002.ogg"))
                m_investStep = 24;
            break;
        }
        case 24: {
            const uint32_t elapsed = now - m_stepTime;
            const uint32_t a = Level(elapsed, 255, kCloseMs);
            if (a < 255 && !Cut(*this)) {
                const uint32_t angle = AtMost(elapsed * 180 / kFadeMs, 180);
                const auto glow =
                    static_cast<uint16_t>(std::lround(SinDeg(static_cast<int32_t>(angle)) * 255));
                const auto drop =
                    static_cast<int32_t>(SinDeg(static_cast<int32_t>(elapsed * 90 / kFadeMs / 2)) * 36);
                CrossFade(g_Layers[kCopySlot], g_Layers[kTintSlot], static_cast<int32_t>(a));
                CDIB32::BltAlphaFade(g_ScreenSurface, kBoxX, kBoxY + drop, g_Layers[kDialogSlot], 0, 0, kBoxW,
                                     kBoxH, static_cast<uint16_t>(255 - a));
                // The chosen button's light is added over the fading dialog.
                const int b = m_hoverFlag == 1 ? 0 : 1;
                BltAddAlpha(g_ScreenSurface, static_cast<int16_t>(b == 0 ? 399 : 520),
                            static_cast<int16_t>(295 + drop), g_Layers[kDialogSlot],
                            static_cast<int16_t>(kButtonW * b), kPressedLookY, kButtonW, kButtonH, glow);
                break;
            }
            Show(g_Layers[kCopySlot]);
            m_investStep = 25;
            break;
        }
        case 25:
            DeleteLayers(kCopySlot, kTintSlot);
            if (m_hoverFlag == 1) {
                CopyWhole(g_Layers[0], g_ScreenSurface);
                for (int slot : {2, 3, 4, 9})
                    SetLayer(slot, nullptr);
                m_confirmReturnStep = 0;
                DropInput();
                LoadScriptNamed(*this, "l%02d_end.s", m_legworkNo);
                m_investStep = 0;
                m_msgStep = 0;
                SetScene(kSceneScript);
                break;
            }
            DropInput();
            m_hoverFlag = m_prevHoverFlag = 0;
            m_investStep = m_confirmReturnStep;
            break;
        default:
            break;
    }
    // A right click that nothing took is not kept for a later step.
    ClearRightButton();
    return true;
}
