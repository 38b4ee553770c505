// The search screens: the picture of the place with a title strip, a pointer picture that changes
// over a hot spot of the place's hit mask, and a leave button with its yes / no dialog. A click on a
// spot starts the search script with the spot's number kept for the script to branch on.
//
// Two forms share every step: the search of a place (scene 67), whose hit mask and scripts are named
// after the background, the area and the place, and where leaving spends five minutes and five gauge
// units; and the tabled search (scene 70), sixteen fixed search scenes of the story whose mask and
// scripts come from `SearchSceneTable`, and where leaving spends nothing and starts the scene's own
// leave script.
#include <bitset>
#include <cstdio>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "investigation/invest_clock.h"
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

// One search scene of the tabled search: its hit mask and the scripts of a spot and of leaving.
struct SearchScene {
    const char* mask;
    const char* spotScript;
    const char* leaveScript;
};

// Entry 0 is never used: the scripts number the scenes from 1.
constexpr SearchScene SearchSceneTable[17] = {
    {nullptr, nullptr, nullptr},
    {"system\\bg14_01_mask.bmp", "02_0930s.s", "02_0930z.s"},
    {"system\\bg40_01_mask.bmp", "02a_1210s.s", "02a_1210z.s"},
    {"system\\bg40_02_mask.bmp", "02b_1210s.s", "02b_1210z.s"},
    {"system\\bg40_02_mask.bmp", "02b1_1245s.s", "02b1_1245z.s"},
    {"system\\bg40_03_mask.bmp", "02b2_1300s.s", "02b2_1300z.s"},
    {"system\\bg19_01_mask.bmp", "02c_1900s.s", "02c_1900z.s"},
    {"system\\bg31_01_mask.bmp", "03b_0720s.s", "03b_0720z.s"},
    {"system\\bg31_01_mask.bmp", "03b1_1500s.s", "03b1_1500z.s"},
    {"system\\bg37_01_mask.bmp", "03b_2440s.s", "03b_2440z.s"},
    {"system\\bg37_01_mask.bmp", "03b1_2440s.s", "03b1_2440z.s"},
    {"system\\bg27_01_mask.bmp", "03b_2700s.s", "03b_2700z.s"},
    {"system\\bg27_01_mask.bmp", "03c_2700s.s", "03c_2700z.s"},
    {"system\\bg42_mask.bmp", "03a_1300s.s", "03a_1300z.s"},
    {"system\\bg38_mask.bmp", "03a_2300s.s", "03a_2300z.s"},
    {"system\\bg44_mask.bmp", "03a_2545s.s", "03a_2545z.s"},
    {"system\\bg31_02_mask.bmp", "03a_2500s.s", "03a_2500z.s"},
};
constexpr int kTabledScenes = 16;
// The scenes from this one on show the search's own dialog picture; the others that of the items.
constexpr int kFirstSearchDialogScene = 13;

// Layer slots: the work copy (layer 0 with the strip), the strip and pointer sheet, the dialog, the
// shade behind the dialog and the hit mask.
constexpr int kWorkSlot = 1;
constexpr int kSheetSlot = 2;
constexpr int kDialogSlot = 3;
constexpr int kShadeSlot = 4;
constexpr int kMaskSlot = 5;

constexpr int kStripH = 78;
constexpr RECT kLeaveRect{954, 31, 1018, 71};
constexpr int kLeaveLookX = 0;
constexpr int kLeaveLookY = 78;
constexpr int kPointerW = 60;
constexpr int kPointerH = 48;
constexpr int kPointerX = 128;
constexpr int kSpotPointerX = 188;
constexpr int kPointerY = 78;

// The dialog comes down this far while it fades in, and goes on down as far while it fades out.
constexpr int kBoxDrop = 36;
constexpr RECT kYesNo[2] = {{398, 295, 503, 340}, {519, 295, 624, 340}};
constexpr uint8_t kYes = 1;
constexpr uint8_t kNo = 2;

constexpr int kMaxSpot = 20;
constexpr int kLeaveMinutes = 5;
constexpr int kLeaveUnits = 5;
constexpr char kCursorFile[] = "cursor1.cur";

// What the two forms differ in.
struct SearchForm {
    bool tabled = false;
    const SearchScene* scene = nullptr; // tabled: the entry in use
};

void GoTo(SceneId scene) {
    if (g_pGameMain != nullptr)
        g_pGameMain->scene = scene;
}

HWND Window() {
    return g_pGameMain != nullptr ? g_pGameMain->hWnd : nullptr;
}

// The spot (1..20) under game point (x, y): the blue byte of the hit mask there. A point outside the
// mask (a missing mask or one smaller than the screen) and a value above 20 are no spot (0).
int SpotAt(int32_t x, int32_t y) {
    CDIB32* mask = g_Layers[kMaskSlot];
    if (mask == nullptr || x < 0 || y < 0 || x >= mask->GetWidth() || y >= mask->GetHeight())
        return 0;
    const uint8_t* pixel = mask->GetPixelAddress(x, y);
    const int v = pixel != nullptr ? pixel[0] : 0;
    return v <= kMaxSpot ? v : 0;
}

// True when the point lies strictly inside the screen (the edge pixels count as outside).
bool InsideScreen(const MouseState& m) {
    return m.x >= 1 && m.x < kScreenWidth && m.y >= 1 && m.y < kScreenHeight;
}

void SetUp(CScriptMng& e, const SearchForm& form) {
    CDIB32* work = NewFilled(kBlack);
    CopyWhole(work, g_Layers[0]);
    SetLayer(kWorkSlot, work);
    SetLayer(kSheetSlot, NewPicture("system\\search.bmp"));
    const bool searchDialog = !form.tabled || e.m_searchSceneNo >= kFirstSearchDialogScene;
    SetLayer(kDialogSlot, NewPicture(searchDialog ? "system\\search_p.bmp" : "system\\inv_p.bmp"));
    SetLayer(kShadeSlot, NewPicture("system\\freame_base.bmp"));
    CDIB32* sheet = g_Layers[kSheetSlot];
    CDIB32::BltAlpha(work, 0, 0, sheet, 0, 0, sheet->GetWidth(), kStripH);
    Show(work);
    if (form.tabled) {
        SetLayer(kMaskSlot, NewPicture(form.scene->mask));
    } else {
        char mask[kScriptNameSize];
        std::snprintf(mask, sizeof mask, "system\\bg%02u_mask.bmp", e.m_hudInfoRow);
        SetLayer(kMaskSlot, NewPicture(mask));
    }
    e.m_prevHoverFlag = e.m_hoverFlag = 0;
    e.m_searchSpot = 0;
}

// A click on spot `spot`: its script starts over the bare picture with an empty message window. False
// when the script cannot be loaded (the screen stays).
bool StartSpotScript(CScriptMng& e, const SearchForm& form, int spot) {
    const bool loaded = form.tabled ? e.LoadScript(form.scene->spotScript) != nullptr
                                    : LoadScriptNamed(e, "f%02d_%02ds.s", e.m_investArea, e.m_place);
    if (!loaded)
        return false;
    Click("sys_f003.ogg");
    Show(g_Layers[0]);
    e.PrepareStyle0Window();
    e.m_searchSpot = static_cast<uint8_t>(spot - 1);
    ClearLeftButton();
    SetArrowCursor(Window());
    e.m_msgStep = 0;
    GoTo(kSceneScript);
    return true;
}

void Looking(CScriptMng& e, const SearchForm& form, MouseState& mouse, uint32_t now) {
    e.m_prevHoverFlag = e.m_hoverFlag;
    e.m_hoverFlag = PointIn(&mouse, kLeaveRect) ? 1 : 0;
    Show(g_Layers[kWorkSlot]);
    CDIB32* sheet = g_Layers[kSheetSlot];
    if (e.m_hoverFlag != 0)
        CDIB32::BltAlpha(g_ScreenSurface, kLeaveRect.left, kLeaveRect.top, sheet, kLeaveLookX, kLeaveLookY,
                         kLeaveRect.right - kLeaveRect.left, kLeaveRect.bottom - kLeaveRect.top);
    if (!InsideScreen(mouse)) {
        mouse.left = 0;
        return;
    }
    SetFileCursor(Window(), kCursorFile);
    if (e.m_hoverFlag != 0 && mouse.left != 0) {
        Click("sys_f003.ogg");
        mouse.left = 0;
        e.m_stepTime = now;
        e.m_hoverFlag = 0;
        SetArrowCursor(Window());
        e.m_msgStep = 2;
        return;
    }
    const int spot = SpotAt(mouse.x, mouse.y);
    CDIB32::BltAlpha(g_ScreenSurface, mouse.x, mouse.y, sheet, spot == 0 ? kPointerX : kSpotPointerX,
                     kPointerY, kPointerW, kPointerH);
    // A click off a spot does nothing, and its byte stays set.
    if (spot != 0 && mouse.left != 0 && !StartSpotScript(e, form, spot))
        mouse.left = 0;
}

// The screen under the dialog: the work copy, the shade and the dialog box at `level`, the box at
// `boxY`.
void DrawDialog(int level, int32_t boxY) {
    const auto l = static_cast<uint16_t>(level);
    Show(g_Layers[kWorkSlot]);
    CDIB32::BltAlphaFade(g_ScreenSurface, 0, 0, g_Layers[kShadeSlot], 0, 0, kScreenWidth, kScreenHeight, l);
    CDIB32::BltAlphaFade(g_ScreenSurface, kBoxX, boxY, g_Layers[kDialogSlot], 0, 0, kBoxW, kBoxH, l);
}

void DialogChoice(CScriptMng& e, MouseState& mouse, uint32_t now) {
    e.m_prevHoverFlag = e.m_hoverFlag;
    e.m_hoverFlag = 0;
    for (int b = 0; b < 2; ++b)
        if (PointIn(&mouse, kYesNo[b])) {
            e.m_hoverFlag = static_cast<uint8_t>(b + 1);
            break;
        }
    if (e.m_hoverFlag != e.m_prevHoverFlag) {
        CDIB32::Blt(g_ScreenSurface, kBoxX, kBoxY, g_Layers[kWorkSlot], kBoxX, kBoxY, kBoxW, kBoxH);
        CDIB32::BltAlpha(g_ScreenSurface, kBoxX, kBoxY, g_Layers[kShadeSlot], kBoxX, kBoxY, kBoxW, kBoxH);
        CDIB32::BltAlpha(g_ScreenSurface, kBoxX, kBoxY, g_Layers[kDialogSlot], 0, 0, kBoxW, kBoxH);
        if (e.m_hoverFlag != 0) {
            const RECT& r = kYesNo[e.m_hoverFlag - 1];
            CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, g_Layers[kDialogSlot],
                             kButtonW * (e.m_hoverFlag - 1), kHoveredLookY, kButtonW, kButtonH);
        }
    }
    if (e.m_hoverFlag != 0 && mouse.left != 0) {
        Click("sys_a002.ogg");
        e.m_stepTime = now;
        mouse.left = 0;
        e.m_msgStep = 4;
    }
    // A right click anywhere answers no.
    if (mouse.right != 0) {
        Click("sys_g004.ogg");
        e.m_hoverFlag = kNo;
        e.m_stepTime = now;
        mouse.left = 0;
        mouse.right = 0;
        e.m_msgStep = 4;
    }
}

void DialogFadeOut(CScriptMng& e, uint32_t now) {
    const uint32_t elapsed = now - e.m_stepTime;
    const uint32_t a = Level(elapsed, 255, kDialogMs);
    if (a >= 255 || CtrlHeld() || e.m_skipEffects != 0) {
        Show(g_Layers[kWorkSlot]);
        e.m_msgStep = 5;
        return;
    }
    const auto drop = static_cast<int32_t>(a * kBoxDrop / 256);
    DrawDialog(static_cast<int>(255 - a), kBoxY + drop);
    DrawPressedButton(g_Layers[kDialogSlot], kYesNo, e.m_hoverFlag, drop, elapsed);
}

void Result(CScriptMng& e, const SearchForm& form) {
    if (e.m_hoverFlag != kYes) {
        SetFileCursor(Window(), kCursorFile);
        e.m_msgStep = 1;
        return;
    }
    DeleteLayers(kWorkSlot, kMaskSlot);
    Show(g_Layers[0]);
    e.m_msgStep = 0;
    if (form.tabled) {
        e.m_investActive = 0;
        e.LoadScript(form.scene->leaveScript);
        GoTo(kSceneScript);
        return;
    }
    e.m_timeGauge = SpendGauge(e.m_timeGauge, kLeaveUnits);
    if (e.m_timeGauge < 1) {
        // Time is up: the area's closing search script, over a clock panel without the gauge.
        e.m_timeGauge = 0;
        e.m_investActive = 0;
        RedrawInvestigationBackground(e, false);
        LoadScriptNamed(e, "f%02d_search.s", e.m_investArea);
        GoTo(kSceneScript);
        return;
    }
    const ClockTime t = AdvanceTime({e.m_clockHour, e.m_clockMinute}, kLeaveMinutes);
    e.m_clockHour = t.hour;
    e.m_clockMinute = t.minute;
    // The command screen draws the gauge as it starts.
    RedrawInvestigationBackground(e, false);
    GoTo(kSceneCommand);
}

void SearchStep(CScriptMng& e, const SearchForm& form) {
    const uint32_t now = timeGetTime();
    MouseState* mouse = g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;
    switch (e.m_msgStep) {
        case 0:
            SetUp(e, form);
            e.m_msgStep = 1;
            break;
        case 1:
            if (mouse != nullptr)
                Looking(e, form, *mouse, now);
            break;
        case 2: {
            const uint32_t a = Level(now - e.m_stepTime, 255, kDialogMs);
            if (a < 255 && !CtrlHeld() && e.m_skipEffects == 0) {
                DrawDialog(static_cast<int>(a), static_cast<int32_t>(kBoxY - kBoxDrop + a * kBoxDrop / 256));
                break;
            }
            DrawDialog(255, kBoxY);
            e.m_hoverFlag = e.m_prevHoverFlag = 0;
            if (g_SystemData.keyboardMode != 0) {
                StartGlide(e, kYesNo[0], now);
                e.m_msgStep = 10;
            } else {
                e.m_msgStep = 3;
            }
            break;
        }
        case 10:
            if (GlideStep(e, now)) {
                e.m_stepTime = now;
                ClearLeftButton();
                e.m_msgStep = 3;
            }
            break;
        case 3:
            if (mouse != nullptr)
                DialogChoice(e, *mouse, now);
            break;
        case 4:
            DialogFadeOut(e, now);
            break;
        case 5:
            Result(e, form);
            break;
        default:
            break;
    }
}

} // namespace

bool CScriptMng::ModeSearch() {
    SearchStep(*this, SearchForm{});
    return true;
}

bool CScriptMng::ModeSearchInventory() {
    if (m_searchSceneNo < 1 || m_searchSceneNo > kTabledScenes) {
        // The scripts number their search scenes 1 to 16; another number has nothing to show.
        static std::bitset<256> reported;
        if (!reported.test(m_searchSceneNo)) {
            reported.set(m_searchSceneNo);
            std::fprintf(stderr, "kestrel: search scene %u does not exist; the script goes on\n",
                         m_searchSceneNo);
        }
        ReturnToScript(*this);
        return true;
    }
    SearchStep(*this, SearchForm{true, &SearchSceneTable[m_searchSceneNo]});
    return true;
}
