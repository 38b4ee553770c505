// The scrolling list of the command and legwork screens: 14 rows of 200×24 name strips in the panel
// of "system\keyword.bmp" (layer slot 3), an up and a down arrow, and a thumb in three pieces whose
// length shows how much of the list is in view. The entries are m_listIds (m_listCount of them),
// the first shown is m_listScroll; the strips come from the picture in layer slot 4 (id n at
// (0, 24 (n − 1))).
#pragma once

#include <cstdint>

#include "platform/types.h"

class CScriptMng;
struct MouseState;

namespace kestrel::invest {

inline constexpr int kListRows = 14;

// Where the thumb lies for this list: its top y and its whole height. With 14 entries or fewer the
// thumb fills the track; with more it shrinks by 10 pixels per entry out of view and moves 10 pixels
// per entry scrolled, both capped so that the thumb never leaves its track (however long the list).
struct ThumbPlace {
    int32_t top;
    int32_t height;
};
ThumbPlace PlaceThumb(int count, int scroll);

// The largest first entry (0 for a list that fits).
int MaxScroll(const CScriptMng& e);

// Sets the row and scroll-part rectangles for the list as it stands.
void SetListRects(CScriptMng& e);

// Draws the list panel: the panel from layer 0 restored and drawn again, the thumb (hovered look
// when `thumbHovered`), the mark on row `markRow` (1..14, 0 none) and the entries in view.
void DrawList(CScriptMng& e, uint8_t markRow, bool thumbHovered);

// Draws scroll part `part` (1 up, 2 down, 3 thumb) in its normal or hovered look.
void DrawScrollPart(CScriptMng& e, uint8_t part, bool hovered);

// The ids 1..63 whose byte in `known` is non-zero, ascending, into m_listIds and m_listCount.
void BuildList(CScriptMng& e, const uint8_t (&known)[64]);

// Loads the panel picture "system\keyword.bmp" into layer slot 3.
void LoadListPanel();
// Opens the list at its first entry: the strips of picture `strips` into slot 4 and the ids known
// in `known`, or an empty list when `known` is null (slot 4 left as it is). Drawn without a mark;
// the scroll hover and the thumb drag cleared.
void OpenList(CScriptMng& e, const char* strips, const uint8_t (*known)[64]);

// One frame of list input over the rows and scroll parts (hover, walk keys, wheel, arrows, thumb
// drag). Returns the row (1..14) picked by a left click, 0 for none; the left latch is then left
// set for the caller to take.
int ListInput(CScriptMng& e, MouseState* mouse);

// Clears the thumb drag.
void StopThumbDrag();

// A step back from the list on a right click, with the click `click` (see StepBack): the list panel
// with the row mark left of it restored, the thumb drag cleared and the screen's step set to `step`.
void StepBackFromList(CScriptMng& e, MouseState& mouse, uint8_t step, const char* click);

} // namespace kestrel::invest
