#include "investigation/invest_list.h"

#include <algorithm>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "investigation/invest_screen.h"
#include "scene/sequence_surfaces.h"
#include "script/script_mng.h"

namespace kestrel::invest {

namespace {

constexpr int kPanelSlot = 3;
constexpr int kStripSlot = 4;
// Panel of keyword.bmp and where it goes.
constexpr int kPanelX = 546;
constexpr int kPanelY = 5;
constexpr int kPanelW = 240;
constexpr int kPanelH = 415;
constexpr int kStepBackH = 443; // restored on a step back: the panel and what lies below it
// Rows: strips of 200×24 drawn into rows (563, 26 + 27k) of 180×24; the row mark at (570, top).
constexpr int kRowX = 563;
constexpr int kRowY = 26;
constexpr int kRowPitch = 27;
constexpr int kRowW = 180;
constexpr int kRowH = 24;
constexpr int kStripW = 200;
constexpr int kMarkX = 570;
constexpr int kMarkSrcY = 443;
// Scroll bar: track at (767, 32) 17×361, thumb pieces in the picture's columns 241 / 258 (hovered).
constexpr int kThumbX = 767;
constexpr int kTrackY = 32;
constexpr int kTrackH = 361;
constexpr int kThumbW = 17;
constexpr int kThumbSrcX = 241;
constexpr int kThumbHoverSrcX = 258;
constexpr int kCapH = 6;
constexpr int kFootH = 5;
constexpr int kBodyFull = 350;
constexpr int kFootSrcY = 356;
constexpr int kTrackSrcX = 221;
constexpr int kTrackSrcY = 27;
constexpr RECT kUpArrow{766, 13, 785, 31};
constexpr RECT kDownArrow{766, 394, 785, 412};
constexpr int kArrowW = 19;
constexpr int kArrowH = 18;
constexpr int kArrowSrcX = 220;
constexpr int kUpSrcY[2] = {8, 420};
constexpr int kDownSrcY[2] = {389, 438};
constexpr int kDragStep = 10;

// The thumb at the list's offset over the track (whole for a list that fits, else in three pieces).
void DrawThumb(const CScriptMng& e, bool hovered) {
    CDIB32* parts = g_Layers[kPanelSlot];
    const ThumbPlace thumb = PlaceThumb(e.m_listCount, e.m_listScroll);
    const int sx = hovered ? kThumbHoverSrcX : kThumbSrcX;
    if (thumb.height == kTrackH) {
        CDIB32::BltAlpha(g_ScreenSurface, kThumbX, kTrackY, parts, sx, 0, kThumbW, kTrackH);
        return;
    }
    const int body = thumb.height - kCapH - kFootH;
    CDIB32::BltAlpha(g_ScreenSurface, kThumbX, thumb.top, parts, sx, 0, kThumbW, kCapH);
    CDIB32::BltAlpha(g_ScreenSurface, kThumbX, thumb.top + kCapH, parts, sx, kCapH, kThumbW, body);
    CDIB32::BltAlpha(g_ScreenSurface, kThumbX, thumb.top + kCapH + body, parts, sx, kFootSrcY, kThumbW,
                     kFootH);
}

struct Drag {
    bool active = false;
    int32_t lastY = 0;
};
Drag g_listDrag;

} // namespace

ThumbPlace PlaceThumb(int count, int scroll) {
    if (count <= kListRows)
        return {kTrackY, kTrackH};
    const int hidden = count - kListRows;
    const int shrink = std::min(hidden * 10, kBodyFull);
    scroll = std::clamp(scroll, 0, hidden);
    return {kTrackY + scroll * shrink / hidden, kTrackH - shrink};
}

int MaxScroll(const CScriptMng& e) {
    return e.m_listCount > kListRows ? e.m_listCount - kListRows : 0;
}

void SetListRects(CScriptMng& e) {
    for (int k = 0; k < kListRows; ++k)
        e.m_listRowRects[k] =
            RECT{kRowX, kRowY + kRowPitch * k, kRowX + kRowW, kRowY + kRowH + kRowPitch * k};
    const ThumbPlace thumb = PlaceThumb(e.m_listCount, e.m_listScroll);
    e.m_scrollRects[0] = kUpArrow;
    e.m_scrollRects[1] = kDownArrow;
    e.m_scrollRects[2] = RECT{kThumbX, thumb.top, kThumbX + kThumbW, thumb.top + thumb.height};
}

void DrawScrollPart(CScriptMng& e, uint8_t part, bool hovered) {
    CDIB32* parts = g_Layers[kPanelSlot];
    const int look = hovered ? 1 : 0;
    if (part == 1 || part == 2) {
        const RECT& r = part == 1 ? kUpArrow : kDownArrow;
        const int sy = part == 1 ? kUpSrcY[look] : kDownSrcY[look];
        RestoreArea(r.left, r.top, kArrowW, kArrowH);
        CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, parts, kArrowSrcX, sy, kArrowW, kArrowH);
        return;
    }
    if (part != 3)
        return;
    RestoreArea(kThumbX, kTrackY, kThumbW, kTrackH);
    CDIB32::BltAlpha(g_ScreenSurface, kThumbX, kTrackY, parts, kTrackSrcX, kTrackSrcY, kThumbW, kTrackH);
    DrawThumb(e, hovered);
}

void DrawList(CScriptMng& e, uint8_t markRow, bool thumbHovered) {
    RestoreArea(kPanelX, kPanelY, kPanelW, kPanelH);
    CDIB32::BltAlpha(g_ScreenSurface, kPanelX, kPanelY, g_Layers[kPanelSlot], 0, 0, kPanelW, kPanelH);
    SetListRects(e);
    // The panel holds the track and the arrows in their normal looks.
    DrawThumb(e, thumbHovered);
    if (markRow >= 1 && markRow <= kListRows)
        CDIB32::BltAlpha(g_ScreenSurface, kMarkX, e.m_listRowRects[markRow - 1].top, g_Layers[kPanelSlot], 0,
                         kMarkSrcY, kRowW, kRowH);
    for (int k = 0; k < kListRows; ++k) {
        const int index = e.m_listScroll + k;
        if (index < 0 || index >= e.m_listCount)
            break;
        const int id = e.m_listIds[index];
        CDIB32::BltAlpha(g_ScreenSurface, kRowX, e.m_listRowRects[k].top, g_Layers[kStripSlot], 0,
                         kRowH * (id - 1), kStripW, kRowH);
    }
}

void BuildList(CScriptMng& e, const uint8_t (&known)[64]) {
    e.m_listCount = 0;
    for (int id = 1; id < 64; ++id)
        if (known[id] != 0)
            e.m_listIds[e.m_listCount++] = static_cast<uint8_t>(id);
}

void StopThumbDrag() {
    g_listDrag = Drag{};
}

void LoadListPanel() {
    sequence::SetLayer(kPanelSlot, sequence::NewPicture("system\\keyword.bmp"));
}

void OpenList(CScriptMng& e, const char* strips, const uint8_t (*known)[64]) {
    e.m_listScroll = 0;
    e.m_scrollHover = e.m_prevScrollHover = 0;
    if (known != nullptr) {
        sequence::SetLayer(kStripSlot, sequence::NewPicture(strips));
        BuildList(e, *known);
    } else {
        e.m_listCount = 0;
    }
    DrawList(e, 0, false);
    StopThumbDrag();
}

void StepBackFromList(CScriptMng& e, MouseState& mouse, uint8_t step, const char* click) {
    StepBack(e, mouse, kPanelX, kPanelY, kPanelW, kStepBackH, step, click);
    StopThumbDrag();
}

int ListInput(CScriptMng& e, MouseState* mouse) {
    const int rows = std::min<int>(e.m_listCount, kListRows);
    const int maxScroll = MaxScroll(e);
    const bool longList = maxScroll > 0;
    e.m_prevHoverRow = e.m_hoverRow;
    e.m_prevScrollHover = e.m_scrollHover;
    const int scrollBefore = e.m_listScroll;
    bool redraw = false;

    e.m_scrollHover = 0;
    if (longList) {
        if (PointIn(mouse, e.m_scrollRects[0]) && e.m_listScroll > 0)
            e.m_scrollHover = 1;
        else if (PointIn(mouse, e.m_scrollRects[1]) && e.m_listScroll < maxScroll)
            e.m_scrollHover = 2;
        else if (PointIn(mouse, e.m_scrollRects[2]) || g_listDrag.active)
            e.m_scrollHover = 3;
    }
    uint8_t hover = 0;
    for (int k = 0; k < rows; ++k)
        if (PointIn(mouse, e.m_listRowRects[k])) {
            hover = static_cast<uint8_t>(k + 1);
            break;
        }
    // A pointer on the scroll bar, or dragging the thumb, marks no row.
    e.m_hoverRow = e.m_scrollHover == 0 ? hover : 0;

    bool wheel = false;
    const int step = TakeWalkStep(&wheel);
    if (step != 0 && rows > 0) {
        if (!longList) {
            e.m_hoverRow = WalkHover(e.m_hoverRow, rows, step, [](int) { return true; });
        } else if (step < 0) {
            if (e.m_hoverRow == 0)
                e.m_hoverRow = kListRows;
            else if (e.m_listScroll > 0)
                --e.m_listScroll;
            else if (e.m_hoverRow > 1)
                --e.m_hoverRow;
        } else {
            if (e.m_hoverRow == 0)
                e.m_hoverRow = 1;
            else if (e.m_hoverRow < kListRows)
                ++e.m_hoverRow;
            else if (e.m_listScroll < maxScroll)
                ++e.m_listScroll;
        }
        if (wheel)
            PauseAfterWheel();
        if (e.m_hoverRow != 0)
            CursorToCentre(e.m_listRowRects[e.m_hoverRow - 1]);
        redraw = true;
    }

    if (mouse != nullptr && longList) {
        if ((e.m_scrollHover == 1 || e.m_scrollHover == 2) && mouse->left != 0) {
            e.m_listScroll = static_cast<int8_t>(
                std::clamp(e.m_listScroll + (e.m_scrollHover == 1 ? -1 : 1), 0, maxScroll));
            mouse->left = 0;
            e.m_scrollHover = 0;
            redraw = true;
        } else if (e.m_scrollHover == 3 && mouse->left != 0) {
            if (!g_listDrag.active) {
                g_listDrag.active = true;
                g_listDrag.lastY = mouse->y;
            } else if (mouse->y - g_listDrag.lastY > kDragStep || g_listDrag.lastY - mouse->y > kDragStep) {
                const int dir = mouse->y > g_listDrag.lastY ? 1 : -1;
                e.m_listScroll = static_cast<int8_t>(std::clamp(e.m_listScroll + dir, 0, maxScroll));
                g_listDrag.lastY = mouse->y;
                redraw = true;
            }
        } else if (mouse->left == 0) {
            g_listDrag.active = false;
        }
    }

    if (redraw || e.m_hoverRow != e.m_prevHoverRow || e.m_listScroll != scrollBefore) {
        DrawList(e, e.m_hoverRow, e.m_scrollHover == 3);
        if (e.m_scrollHover == 1 || e.m_scrollHover == 2)
            DrawScrollPart(e, e.m_scrollHover, true);
    } else if (longList && e.m_scrollHover != e.m_prevScrollHover) {
        if (e.m_prevScrollHover != 0)
            DrawScrollPart(e, e.m_prevScrollHover, false);
        if (e.m_scrollHover != 0)
            DrawScrollPart(e, e.m_scrollHover, true);
    }
    if (mouse != nullptr && mouse->left != 0 && e.m_hoverRow != 0 && e.m_scrollHover == 0 &&
        !g_listDrag.active)
        return e.m_hoverRow;
    return 0;
}

} // namespace kestrel::invest
