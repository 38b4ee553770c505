#include "scene/select_cells.h"

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "scene/sequence_surfaces.h"
#include "script/script_mng.h"

namespace kestrel::select {

void RestoreCell(const RECT& r, const CellFrame& frame) {
    CDIB32::Blt(g_ScreenSurface, r.left - frame.inset, r.top - frame.inset, g_Layers[1], r.left - frame.inset,
                r.top - frame.inset, frame.width, frame.height);
}

void TrackCellHover(CScriptMng& e, const MouseState* mouse, int count, const uint8_t* open,
                    const CellFrame& frame) {
    uint8_t hover = 0;
    for (int i = 0; mouse != nullptr && i < count; ++i) {
        const RECT& r = e.m_itemRects[i];
        if (mouse->x >= r.left && mouse->x < r.right && mouse->y >= r.top && mouse->y < r.bottom) {
            hover = open[i] != 0 ? static_cast<uint8_t>(i + 1) : 0;
            break;
        }
    }
    e.m_prevHoverItem = e.m_hoverItem;
    e.m_hoverItem = hover;
    if (e.m_hoverItem == e.m_prevHoverItem)
        return;
    if (e.m_prevHoverItem != 0)
        RestoreCell(e.m_itemRects[e.m_prevHoverItem - 1], frame);
    if (e.m_hoverItem != 0) {
        const RECT& r = e.m_itemRects[e.m_hoverItem - 1];
        CDIB32::BltAlpha(g_ScreenSurface, r.left - frame.inset, r.top - frame.inset, g_Layers[2], frame.srcX,
                         frame.srcY, frame.width, frame.height);
    }
}

void EndSelection(CScriptMng& e, MouseState* mouse) {
    for (int layer = 1; layer <= 3; ++layer)
        ReplaceSurface(g_Layers[layer], nullptr);
    if (mouse != nullptr)
        mouse->left = 0;
    sequence::ReturnToScript(e);
}

} // namespace kestrel::select
