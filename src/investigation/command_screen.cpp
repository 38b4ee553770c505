// The command screen (scene 61), the free action of the investigation part: a column of up to five
// commands over the picture of the place (the map, the search, up to three keyword commands and the
// end command), the panel of the five keyword categories, and the scrolling list of the keywords
// known in a category; a keyword starts its script. The message window's button bar stays live.
#include <cstring>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "investigation/invest_clock.h"
#include "investigation/invest_list.h"
#include "investigation/invest_redraw.h"
#include "investigation/invest_screen.h"
#include "platform/clock.h"
#include "scene/message_text.h"
#include "scene/sequence_surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

using namespace kestrel::sequence;
using namespace kestrel::invest;

namespace {

// "※　自由行动　※": the current text while the screen is up (a save made here shows it).
constexpr char kCaption[] = "\xA1\xF9\xA1\xA1\xD7\xD4\xD3\xC9\xD0\xD0\xB6\xAF\xA1\xA1\xA1\xF9";
// The click of a step back and of the end dialog's right-click No.
constexpr char kStepBackClick[] = "sys_g004.ogg";

constexpr int kCommandSlot = 9;
constexpr int kTalkSlot = 2;
constexpr int kDialogSlot = 5;
constexpr int kBackdropSlot = 6;

constexpr int kRows = 5;
constexpr int kEndVariant = 13;
// command.bmp: the panel, the row looks and the hover mark.
constexpr int kColumnX = 907;
constexpr int kColumnY = 30;
constexpr int kColumnW = 116;
constexpr int kColumnH = 260;
constexpr int kMarkSrcX = 116;
constexpr int kMarkSrcY = 72;
constexpr int kMarkW = 50;
constexpr int kMarkH = 30;
// talk.bmp: the category panel and its buttons.
constexpr int kTalkX = 795;
constexpr int kTalkY = 124;
constexpr int kTalkW = 112;
constexpr int kTalkH = 213;
constexpr int kCategoryW = 40;
constexpr int kCategoryH = 20;
constexpr int kCategoryMarkW = 49;
constexpr int kCategoryMarkH = 27;
constexpr RECT kCategoryRects[5] = {{832, 149, 872, 169},
                                    {832, 184, 872, 204},
                                    {832, 223, 872, 243},
                                    {832, 261, 872, 281},
                                    {832, 295, 872, 315}};
// The end dialog's buttons.
constexpr RECT kYesNo[2] = {{398, 295, 503, 340}, {519, 295, 624, 340}};

constexpr const char* kStripPictures[5] = {"system\\key_chara.bmp", "system\\key_matter.bmp",
                                           "system\\key_article.bmp", "system\\key_gossip.bmp",
                                           "system\\key_anothe.bmp"};
constexpr const char* kKeywordScripts[5] = {"f%02d_p%03d.s", "f%02d_i%03d.s", "f%02d_t%03d.s",
                                            "f%02d_g%03d.s", "f%02d_o%03d.s"};

// The variant of command row `row` (1..5).
uint8_t Variant(const CScriptMng& e, int row) {
    return e.m_commandParams[row];
}

RECT RowRect(int i) {
    return RECT{940, 66 + 40 * i, 988, 90 + 40 * i};
}

void DrawColumn(CScriptMng& e, uint8_t markRow) {
    CDIB32* sheet = g_Layers[kCommandSlot];
    RestoreArea(kColumnX, kColumnY, kColumnW, kColumnH);
    CDIB32::BltAlpha(g_ScreenSurface, kColumnX, kColumnY, sheet, 0, 0, kColumnW, kColumnH);
    if (markRow >= 1 && markRow <= kRows && Variant(e, markRow) != 0)
        CDIB32::BltAlpha(g_ScreenSurface, e.m_commandRects[markRow - 1].left,
                         e.m_commandRects[markRow - 1].top, sheet, kMarkSrcX, kMarkSrcY, kMarkW, kMarkH);
    for (int i = 0; i < kRows; ++i) {
        const uint8_t v = Variant(e, i + 1);
        if (i < 2)
            CDIB32::BltAlpha(g_ScreenSurface, 940, 66 + 40 * i, sheet, v == 0 ? 116 : 164, 24 * i, 48, 24);
        else if (v != 0)
            CDIB32::BltAlpha(g_ScreenSurface, 937, 66 + 40 * i, sheet, 212, 22 * (v - 1), 54, 22);
    }
}

bool CategoryKnown(const CScriptMng& e, int category) {
    return category >= 1 && category <= 5 && e.m_keywordCounts[category - 1] != 0;
}

void DrawCategories(CScriptMng& e, uint8_t markCategory) {
    CDIB32* sheet = g_Layers[kTalkSlot];
    RestoreArea(kTalkX, kTalkY, kTalkW, kTalkH);
    CDIB32::BltAlpha(g_ScreenSurface, kTalkX, kTalkY, sheet, 0, 0, kTalkW, kTalkH);
    if (CategoryKnown(e, markCategory)) {
        const RECT& r = e.m_categoryRects[markCategory - 1];
        CDIB32::BltAlpha(g_ScreenSurface, r.left - 4, r.top, sheet, 112, 100, kCategoryMarkW, kCategoryMarkH);
    }
    for (int c = 1; c <= 5; ++c) {
        const RECT& r = e.m_categoryRects[c - 1];
        CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, sheet, CategoryKnown(e, c) ? 152 : 112,
                         kCategoryH * (c - 1), kCategoryW, kCategoryH);
    }
}

// The screen as the end dialog found it, which the ways out of the investigation (talk start, op
// 166) free.
CDIB32*& DialogSnapshot() {
    return g_pScriptUiSurfaces[kUiDialogSnapshot];
}

// The end dialog over the snapshot: backdrop and box at `level`, the box `drop` pixels above its
// place.
void DrawDialog(int level, int drop) {
    CopyWhole(g_ScreenSurface, DialogSnapshot());
    const auto l = static_cast<uint16_t>(level);
    CDIB32::BltAlphaFade(g_ScreenSurface, 0, 0, g_Layers[kBackdropSlot], 0, 0, kScreenWidth, kScreenHeight,
                         l);
    CDIB32::BltAlphaFade(g_ScreenSurface, kBoxX, kBoxY - 36 + drop, g_Layers[kDialogSlot], 0, 0, kBoxW, kBoxH,
                         l);
}

void LoadPictures() {
    SetLayer(kCommandSlot, NewPicture("system\\command.bmp"));
    SetLayer(kTalkSlot, NewPicture("system\\talk.bmp"));
    LoadListPanel();
    SetLayer(kDialogSlot, NewPicture("system\\free_exit.bmp"));
    SetLayer(kBackdropSlot, NewPicture("system\\freame_base.bmp"));
}

// The list of the picked category (empty for none).
void OpenCategoryList(CScriptMng& e) {
    const int kind = e.m_pickedKind;
    if (kind >= 1 && kind <= 5)
        OpenList(e, kStripPictures[kind - 1], &e.m_keywordKnown[kind - 1]);
    else
        OpenList(e, nullptr, nullptr);
}

} // namespace

void kestrel::invest::RedrawCommandScreen(CScriptMng& e) {
    if (g_Layers[kCommandSlot] == nullptr)
        LoadPictures(); // a game loaded inside a keyword script comes back here first
    for (int i = 0; i < kRows; ++i)
        e.m_commandRects[i] = RowRect(i);
    std::memcpy(e.m_categoryRects, kCategoryRects, sizeof kCategoryRects);
    DrawColumn(e, e.m_pickedCommand);
    for (int c = 0; c < kKeywordCategories; ++c)
        e.m_keywordCounts[c] = KnownKeywordCount(e.m_keywordKnown[c]);
    DrawCategories(e, e.m_pickedKind);
    OpenCategoryList(e);
    if (e.m_investActive != 0)
        e.DrawTimeGauge(g_ScreenSurface);
}

bool CScriptMng::ModeCommand() {
    const uint32_t now = timeGetTime();
    MouseState* mouse = g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;

    if (HiddenPanelsStep(*this))
        return true;
    if (m_investStep <= 20 && !ServeWindowBar(*this, m_hoverRow == 0 && m_investStep <= 2, kSceneCommand))
        return true; // a button of the bar opened another screen

    switch (m_investStep) {
        case 0:
            std::memset(m_plainText, 0, sizeof m_plainText);
            std::memcpy(m_plainText, kCaption, sizeof kCaption);
            LoadPictures();
            std::memcpy(m_categoryRects, kCategoryRects, sizeof kCategoryRects);
            if (m_investActive != 0)
                DrawTimeGauge(g_ScreenSurface);
            m_investStep = 1;
            break;
        case 1:
            m_hoverRow = m_prevHoverRow = 0;
            m_commandCount = 0;
            m_pickedCommand = m_pickedEntry = m_pickedKind = 0;
            for (int i = 0; i < kRows; ++i) {
                m_commandRects[i] = RowRect(i);
                if (i < 2 || Variant(*this, i + 1) != 0)
                    ++m_commandCount;
            }
            DrawColumn(*this, 0);
            m_investStep = 2;
            break;
        case 2: {
            if (mouse != nullptr && mouse->right != 0 && g_SystemData.rightClickMode != 0) {
                HidePanels(*this);
                break;
            }
            // Every row with a variant can be chosen (also one below an absent row).
            m_prevHoverRow = m_hoverRow;
            m_hoverRow = HoverColumn(mouse, m_commandRects, kRows,
                                     [this](int row) { return Variant(*this, row) != 0; });
            if (m_hoverRow != m_prevHoverRow)
                DrawColumn(*this, m_hoverRow);
            if (m_hoverRow != 0 && mouse != nullptr && mouse->left != 0) {
                mouse->left = 0;
                Click("sys_a002.ogg");
                if (m_hoverRow <= 2) {
                    m_investStep = 3;
                } else {
                    m_pickedCommand = m_hoverRow;
                    m_pickedEntry = Variant(*this, m_hoverRow);
                    if (m_pickedEntry == kEndVariant) {
                        ReplaceSurface(DialogSnapshot(), NewScreenCopy());
                        m_hoverFlag = m_prevHoverFlag = 0;
                        m_stepTime = now;
                        m_investStep = 20;
                    } else {
                        m_investStep = 5;
                    }
                }
            }
            break;
        }
        case 3:
            if (m_hoverRow == 2)
                Show(g_Layers[0]);
            m_investStep = 0;
            DropInput();
            SetScene(m_hoverRow == 2 ? kSceneSearch : kSceneMap);
            break;
        case 5:
            m_pickedKind = 0;
            for (int c = 0; c < kKeywordCategories; ++c)
                m_keywordCounts[c] = KnownKeywordCount(m_keywordKnown[c]);
            DrawCategories(*this, 0);
            m_hoverRow = m_prevHoverRow = 0;
            m_investStep = 6;
            break;
        case 6: {
            m_prevHoverRow = m_hoverRow;
            m_hoverRow =
                HoverColumn(mouse, m_categoryRects, 5, [this](int c) { return CategoryKnown(*this, c); });
            if (m_hoverRow != m_prevHoverRow)
                DrawCategories(*this, m_hoverRow);
            if (m_hoverRow != 0 && mouse != nullptr && mouse->left != 0) {
                mouse->left = 0;
                Click("sys_a002.ogg");
                m_listCount = 0;
                m_pickedKind = m_hoverRow;
                m_investStep = 10;
            } else if (mouse != nullptr && mouse->right != 0) {
                StepBack(*this, *mouse, kTalkX, kTalkY, kTalkW, kTalkH, 1, kStepBackClick);
            }
            break;
        }
        case 10:
            OpenCategoryList(*this);
            m_hoverRow = m_prevHoverRow = 0;
            m_investStep = 11;
            break;
        case 11: {
            const int row = ListInput(*this, mouse);
            if (row != 0 && mouse != nullptr) {
                mouse->left = 0;
                Click("sys_a002.ogg");
                const int index = m_listScroll + row - 1;
                const int kind = m_pickedKind;
                if (kind < 1 || kind > 5 || index < 0 || index >= m_listCount)
                    break;
                if (!LoadScriptNamed(*this, kKeywordScripts[kind - 1], m_investArea, m_listIds[index]))
                    break; // the script is missing: the list stays
                // The script starts with an empty window over the screen as it stands.
                CDIB32::Blt(g_ScreenSurface, 0, 448, g_Layers[0], 0, 448, kScreenWidth, kScreenHeight - 448);
                PrepareStyle0Window();
                DrawMsgWindowBand(g_ScreenSurface);
                DropInput();
                m_hoverRow = m_prevHoverRow = 0;
                SetScene(kSceneScript);
            } else if (mouse != nullptr && mouse->right != 0) {
                StepBackFromList(*this, *mouse, 5, kStepBackClick);
            }
            break;
        }
        case 20: {
            const uint32_t level = Level(now - m_stepTime, 255, kDialogMs);
            if (level < 255 && !CtrlHeld() && m_skipEffects == 0) {
                DrawDialog(static_cast<int>(level), static_cast<int>(level * 36 / 256));
                break;
            }
            DrawDialog(255, 36);
            m_hoverFlag = m_prevHoverFlag = 0;
            if (g_SystemData.keyboardMode != 0) {
                StartGlide(*this, kYesNo[0], now);
                m_investStep = 26;
                break;
            }
            m_investStep = 21;
            break;
        }
        case 26:
            if (DialogGlideStep(*this, now))
                m_investStep = 21;
            break;
        case 21: {
            if (DialogHover(*this, mouse, kYesNo)) {
                DrawDialog(255, 36);
                if (m_hoverFlag != 0)
                    CDIB32::BltAlpha(g_ScreenSurface, kYesNo[m_hoverFlag - 1].left,
                                     kYesNo[m_hoverFlag - 1].top, g_Layers[kDialogSlot],
                                     kButtonW * (m_hoverFlag - 1), kHoveredLookY, kButtonW, kButtonH);
            }
            if (DialogAnswered(*this, mouse, now, kStepBackClick))
                m_investStep = 22;
            break;
        }
        case 22: {
            const uint32_t elapsed = now - m_stepTime;
            const uint32_t level = Level(elapsed, 255, kDialogMs);
            if (level < 255 && !CtrlHeld() && m_skipEffects == 0) {
                const auto drop = static_cast<int32_t>(level * 36 / 256);
                DrawDialog(static_cast<int>(255 - level), 36 + drop);
                DrawPressedButton(g_Layers[kDialogSlot], kYesNo, m_hoverFlag, drop, elapsed);
                break;
            }
            CopyWhole(g_ScreenSurface, DialogSnapshot());
            m_investStep = 23;
            break;
        }
        case 23:
            if (m_hoverFlag == 1 && LoadScriptNamed(*this, "f%02d_room.s", m_investArea)) {
                CopyWhole(g_Layers[0], DialogSnapshot());
                for (int slot : {2, 3, 4, 5, 6, 9})
                    SetLayer(slot, nullptr);
                ReplaceSurface(DialogSnapshot(), nullptr);
                m_investStep = 0;
                m_investActive = 0;
                DropInput();
                SetScene(kSceneScript);
                break;
            }
            ReplaceSurface(DialogSnapshot(), nullptr);
            m_investStep = 1;
            break;
        default:
            break;
    }
    // A right click that nothing took is not kept for a later step.
    ClearRightButton();
    return true;
}
