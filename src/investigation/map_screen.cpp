// The town map (scene 60): one of two map pages with two tabs to switch them, the places of the page
// to pick, and an exit button. A move costs two minutes of the clock and two units of the gauge and
// starts the place's script; the exit button or a right click goes back to the command screen with
// the picture as it was.
#include <cstring>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "investigation/invest_clock.h"
#include "investigation/invest_screen.h"
#include "platform/clock.h"
#include "scene/sequence_surfaces.h"
#include "script/script_mng.h"

using namespace kestrel::sequence;

namespace {

constexpr int kPlacesPerPage = 18;
constexpr uint32_t kFadeMs = 500;
// Layer slots: the picture on entry, the map, its highlighted twin and the parts sheet.
constexpr int kEntrySlot = 10;
constexpr int kMapSlot = 1;
constexpr int kHoverSlot = 2;
constexpr int kPartsSlot = 3;
// Parts sheet: tab look of page p at (0, 32p), the exit button's hover look, the place markers.
constexpr int kTabW = 55;
constexpr int kTabH = 32;
constexpr int kExitX = 55;
constexpr int kMarkerSize = 50;
constexpr int kMarkerY = 78;
constexpr int kMarkerYArea10 = 128;
// Buttons: 1 tab of page 1, 2 tab of page 2, 3 exit.
constexpr uint8_t kExitButton = 3;
constexpr int kMoveMinutes = 2;
constexpr int kMoveUnits = 2;
// Area 1 keeps its page-2 place 16 closed until the story sets this variable.
constexpr int kPlace16Var = 140;

constexpr RECT kPlaces[2][kPlacesPerPage] = {
    {{466, 455, 623, 540},
     {465, 331, 623, 455},
     {191, 316, 308, 478},
     {386, 316, 448, 381},
     {308, 314, 383, 381},
     {308, 414, 383, 478},
     {386, 414, 448, 478},
     {781, 316, 898, 478},
     {712, 314, 781, 381},
     {641, 414, 710, 478},
     {711, 414, 781, 478},
     {663, 316, 709, 350},
     {451, 99, 638, 198},
     {451, 256, 528, 313},
     {561, 256, 638, 313},
     {451, 199, 528, 255},
     {561, 199, 638, 255},
     {246, 164, 330, 250}},
    {{191, 316, 288, 478},
     {289, 414, 368, 478},
     {369, 414, 448, 478},
     {369, 316, 448, 381},
     {289, 316, 368, 381},
     {782, 316, 898, 478},
     {712, 414, 781, 478},
     {712, 316, 781, 381},
     {641, 414, 709, 478},
     {663, 316, 709, 350},
     {451, 99, 638, 198},
     {451, 256, 528, 313},
     {561, 256, 638, 313},
     {451, 199, 528, 255},
     {561, 199, 638, 255},
     {288, 163, 332, 251},
     {0, 0, 0, 0},
     {0, 0, 0, 0}},
};
constexpr RECT kButtons[3] = {{898, 135, 953, 167}, {898, 99, 953, 131}, {955, 31, 1019, 69}};

// The page shown, 0 or 1, whatever the saved byte holds.
int Page(const CScriptMng& e) {
    return e.m_mapPage == 1 ? 1 : 0;
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

// Loads the map and hover pictures of the page shown into their slots.
void LoadPagePictures(const CScriptMng& e) {
    const int page = Page(e);
    char map[32];
    char hover[32];
    const int number = (e.m_investArea == 10 && page == 1) ? 3 : page + 1;
    std::snprintf(map, sizeof map, "system\\map_%02d.bmp", number);
    std::snprintf(hover, sizeof hover, "system\\map_%02d_m.bmp", number);
    SetLayer(kMapSlot, NewPicture(map));
    SetLayer(kHoverSlot, NewPicture(hover));
}

// The index (1..18) of the current place on the page shown; 0 when it lies on the other page or
// there is none.
int CurrentIndex(const CScriptMng& e) {
    const int index = static_cast<int>(e.m_place) - kPlacesPerPage * Page(e);
    return index >= 1 && index <= kPlacesPerPage ? index : 0;
}

// Draws the selected tab and the place marker into the map picture.
void MarkMapPicture(const CScriptMng& e) {
    const int page = Page(e);
    const RECT& tab = e.m_mapButtonRects[page];
    CDIB32::BltAlpha(g_Layers[kMapSlot], tab.left, tab.top, g_Layers[kPartsSlot], 0, kTabH * page, kTabW,
                     kTabH);
    const int index = CurrentIndex(e);
    if (index == 0)
        return;
    const RECT& r = e.m_mapPlaceRects[page][index - 1];
    CDIB32::BltAlpha(g_Layers[kMapSlot], r.left + Width(r) / 2 - kMarkerSize / 2,
                     r.top + Height(r) / 2 - kMarkerSize / 2, g_Layers[kPartsSlot], 0,
                     e.m_investArea == 10 ? kMarkerYArea10 : kMarkerY, kMarkerSize, kMarkerSize);
}

// True when place `index` (1..18) of the page shown may be picked.
bool PlaceTaken(const CScriptMng& e, int index) {
    if (index == kPlacesPerPage || index == CurrentIndex(e))
        return false;
    if (e.m_investArea == 1 && Page(e) == 1 && index == 16 && e.m_vars[kPlace16Var] == 0)
        return false;
    return Width(e.m_mapPlaceRects[Page(e)][index - 1]) > 0;
}

void RestoreFromMap(const RECT& r) {
    CDIB32::Blt(g_ScreenSurface, r.left, r.top, g_Layers[kMapSlot], r.left, r.top, Width(r), Height(r));
}

} // namespace

bool CScriptMng::ModeMap() {
    using namespace kestrel::invest;
    const uint32_t now = timeGetTime();
    MouseState* mouse = g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;
    switch (m_msgStep) {
        case 0:
            SetLayer(kEntrySlot, NewScreenCopy());
            LoadPagePictures(*this);
            SetLayer(kPartsSlot, NewPicture("system\\map_p.bmp"));
            for (int page = 0; page < 2; ++page)
                std::memcpy(m_mapPlaceRects[page], kPlaces[page], sizeof kPlaces[page]);
            std::memcpy(m_mapButtonRects, kButtons, sizeof kButtons);
            MarkMapPicture(*this);
            m_hoverFlag = m_prevHoverFlag = 0;
            m_hoverRow = m_prevHoverRow = 0;
            m_stepTime = now;
            m_msgStep = 1;
            break;
        case 1: {
            const uint32_t level = Level(now - m_stepTime, 255, kFadeMs);
            m_fadeLevel = static_cast<uint16_t>(AtMost(level, 255));
            if (level < 255 && !CtrlHeld() && m_skipEffects == 0 && !LeftButton() && m_skipRead == 0) {
                CrossFade(g_Layers[kMapSlot], g_Layers[kEntrySlot], static_cast<int32_t>(level));
                break;
            }
            m_fadeLevel = 255;
            Show(g_Layers[kMapSlot]);
            ClearCtrl();
            ClearLeftButton();
            m_stepTime = now;
            m_msgStep = 2;
            break;
        }
        case 2: {
            if (mouse == nullptr)
                break;
            const int page = Page(*this);
            m_prevHoverFlag = m_hoverFlag;
            m_prevHoverRow = m_hoverRow;
            m_hoverFlag = 0;
            for (int i = 1; i <= kPlacesPerPage; ++i)
                if (PointIn(mouse, m_mapPlaceRects[page][i - 1])) {
                    m_hoverFlag = static_cast<uint8_t>(PlaceTaken(*this, i) ? i : 0);
                    break;
                }
            m_hoverRow = 0;
            for (int b = 1; b <= 3; ++b)
                if (PointIn(mouse, m_mapButtonRects[b - 1])) {
                    m_hoverRow = static_cast<uint8_t>(b == page + 1 ? 0 : b);
                    break;
                }
            if (m_hoverFlag != m_prevHoverFlag) {
                if (m_prevHoverFlag != 0)
                    RestoreFromMap(m_mapPlaceRects[page][m_prevHoverFlag - 1]);
                if (m_hoverFlag != 0) {
                    const RECT& r = m_mapPlaceRects[page][m_hoverFlag - 1];
                    CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, g_Layers[kHoverSlot], r.left, r.top,
                                     Width(r), Height(r));
                }
            }
            if (m_hoverRow != m_prevHoverRow) {
                if (m_prevHoverRow != 0)
                    RestoreFromMap(m_mapButtonRects[m_prevHoverRow - 1]);
                if (m_hoverRow != 0) {
                    const RECT& r = m_mapButtonRects[m_hoverRow - 1];
                    const int sx = m_hoverRow == kExitButton ? kExitX : 0;
                    const int sy = m_hoverRow == kExitButton ? 0 : (m_hoverRow - 1) * Height(r);
                    CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, g_Layers[kPartsSlot], sx, sy, Width(r),
                                     Height(r));
                }
            }
            if (m_hoverFlag != 0 && mouse->left != 0) {
                mouse->left = 0;
                m_msgStep = 5;
            } else if (m_hoverRow != 0 && mouse->left != 0) {
                Click("sys_f003.ogg");
                mouse->left = 0;
                if (m_hoverRow == kExitButton) {
                    m_msgStep = 5;
                } else {
                    m_mapPage = static_cast<uint8_t>(m_hoverRow - 1);
                    LoadPagePictures(*this);
                    MarkMapPicture(*this);
                    Show(g_Layers[kMapSlot]);
                    // The highlight went with the old page: the next frame hovers afresh.
                    m_hoverFlag = 0;
                    m_hoverRow = 0;
                }
            }
            // A right press in the same frame as a pick wins: the map is left without a move.
            if (mouse->right != 0) {
                Click("sys_g004.ogg");
                mouse->right = 0;
                m_hoverRow = kExitButton;
                m_msgStep = 5;
            }
            break;
        }
        case 5: {
            DeleteLayers(1, 6);
            const bool moving = m_hoverRow != kExitButton && m_hoverFlag != 0;
            if (moving) {
                // The move is spent only once its script is there; a missing script leaves the
                // clock, the gauge and the place as they were and goes back like the exit.
                const ClockTime clock{m_clockHour, m_clockMinute};
                const int8_t gauge = m_timeGauge;
                const uint8_t place = m_place;
                const uint8_t active = m_investActive;
                SpendTime(*this, kMoveMinutes, kMoveUnits);
                m_place = static_cast<uint8_t>(kPlacesPerPage * Page(*this) + m_hoverFlag);
                bool loaded;
                if (m_timeGauge <= 0) {
                    m_investActive = 0;
                    loaded = LoadScriptNamed(*this, "f%02d_map.s", m_investArea);
                } else {
                    loaded = LoadScriptNamed(*this, "f%02d_%02d.s", m_investArea, m_place);
                }
                if (loaded) {
                    Click("sys_a002.ogg");
                    SetLayer(kEntrySlot, nullptr);
                    if (g_Layers[0] == nullptr)
                        SetLayer(0, NewFilled(kBlack));
                    CopyWhole(g_Layers[0], g_ScreenSurface);
                    m_msgStep = 0;
                    DropInput();
                    SetScene(kSceneScript);
                    break;
                }
                m_clockHour = clock.hour;
                m_clockMinute = clock.minute;
                m_timeGauge = gauge;
                m_place = place;
                m_investActive = active;
            }
            Show(g_Layers[kEntrySlot]);
            SetLayer(kEntrySlot, nullptr);
            m_msgStep = 0;
            DropInput();
            SetScene(kSceneCommand);
            break;
        }
        default:
            break;
    }
    return true;
}
