// The cells of the item and character selections: their rectangles in the engine's m_itemRects, a
// highlight frame from the parts picture of layer 2 drawn around the hovered cell, and cells restored
// from the composed page of layer 1.
#pragma once

#include <cstdint>

class CScriptMng;
struct MouseState;
struct RECT;

namespace kestrel::select {

// Where the highlight frame lies in layer 2's picture, its size, and how many pixels up and left of
// its cell it is drawn.
struct CellFrame {
    int32_t srcX;
    int32_t srcY;
    int32_t width;
    int32_t height;
    int32_t inset;
};

// The frame's block around cell `r` restored from layer 1.
void RestoreCell(const RECT& r, const CellFrame& frame);

// One frame of the hover over the first `count` cells: m_prevHoverItem takes the last frame's hover,
// m_hoverItem the cell (1-based) under the mouse whose byte in `open` (one per cell) is non-zero, 0
// for none or without a mouse. Where the hover moved, the cell left is restored and the frame drawn
// around the new one.
void TrackCellHover(CScriptMng& engine, const MouseState* mouse, int count, const uint8_t* open,
                    const CellFrame& frame);

// The selection's end: layers 1 to 3 freed, the left press taken, and the script goes on.
void EndSelection(CScriptMng& engine, MouseState* mouse);

} // namespace kestrel::select
