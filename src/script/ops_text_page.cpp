// The full-screen text page of the vertical window style: the command that redraws the current
// page from the backlog after the page was lost (for example after a load or a transition).
#include <cstring>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "scene/message_text.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

namespace {

constexpr int32_t kPageStartX = 920;
constexpr int32_t kPageTopY = 2;
constexpr int32_t kColumnStep = 42;
constexpr int kColumnUnits = 46; // half-width units that fill a column
constexpr uint32_t kOutlineColour = 0x1F1F1F;
constexpr uint32_t kGlyphColour = 0xFFFFFF;
constexpr uint32_t kColumnBreakCode = msgtext::kBreakCode;
constexpr uint32_t kClickWaitCode = msgtext::kClickWaitCode;

// One glyph with its outline: eight times in the outline colour around it, once on top.
void DrawOutlinedGlyph(CDIB32* surface, int32_t x, int32_t y, const char* p) {
    static constexpr int kOffsets[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                           {1, 0},   {-1, 1}, {0, 1},  {1, 1}};
    for (const auto& o : kOffsets)
        g_GlyphFont->DrawString(surface, x + o[0], y + o[1], p, kOutlineColour);
    g_GlyphFont->DrawString(surface, x, y, p, kGlyphColour);
}

} // namespace

uint8_t* CScriptMng::OpTextPage(uint8_t* cmd) {
    CDIB32* page = g_Layers[1];
    // 1. The backup of the background and the saved screen, then the window picture over it.
    ReplaceSurface(g_Layer1Backup[1], ScreenCopy(m_hWnd, page));
    ReplaceSurface(g_PageSavedScreen, ScreenCopy(m_hWnd, g_Layer1Backup[1]));
    if (page != nullptr && g_MsgWindowSurface != nullptr) {
        const uint16_t level = MsgWindowBlendLevel();
        CDIB32::BltAlphaFade(page, 0, 0, g_MsgWindowSurface, 0, 0, g_MsgWindowSurface->GetWidth(),
                             g_MsgWindowSurface->GetHeight(), level);
    }

    // 2-3. The page's messages, the newest last, one column after another from the right.
    int32_t x = kPageStartX;
    int32_t y = kPageTopY;
    const uint32_t count =
        g_pGameMain ? (g_pGameMain->backlogCount > kBacklogMax ? kBacklogMax : g_pGameMain->backlogCount) : 0;
    const uint32_t lines = m_lineCount < count ? m_lineCount : count;
    const bool canDraw = page != nullptr && g_GlyphFont != nullptr;
    for (uint32_t k = 0; k < lines; ++k) {
        const char* text = g_pGameMain->backlogText[count - lines + k];
        const size_t length = strnlen(text, kBacklogRowSize);
        const int32_t step = g_GlyphFont ? g_GlyphFont->GetHeight() : 22;
        int units = 0;
        int ruby = 0; // 1 inside a ruby base
        y = kPageTopY;
        auto newColumn = [&] {
            x -= kColumnStep;
            y = kPageTopY;
            units = 0;
        };
        // As on the live page, a full column breaks when the next character, ruby base or wait comes.
        auto breakFullColumn = [&] {
            if (units >= kColumnUnits)
                newColumn();
        };
        for (size_t i = 0; i < length;) {
            const char* p = text + i;
            const uint32_t code = msgtext::CodeAt(p);
            const int width = code > 0xFF ? 2 : 1;
            if (*p == '#') {
                // An inline tag: consumed up to its closing '#'; a redraw replays none of them.
                const char* end = static_cast<const char*>(std::memchr(p + 1, '#', length - i - 1));
                i = end ? static_cast<size_t>(end - text) + 1 : length;
                continue;
            }
            // Ruby "<base<reading>": the base is drawn as text, the reading small beside it.
            if (*p == '<') {
                if (ruby == 0) {
                    breakFullColumn();
                    m_rubyY = static_cast<int16_t>(x + 24);
                    m_rubyStartX = static_cast<int16_t>(y + 22);
                    ruby = 1;
                    ++i;
                } else {
                    m_rubyEndX = static_cast<int16_t>(y);
                    const uint8_t style = m_windowStyle;
                    m_windowStyle = 1;
                    const uint32_t next =
                        DrawRubyTextAt(canDraw ? page : nullptr, p, static_cast<uint8_t>(i));
                    m_windowStyle = style;
                    i = next > length ? length : next;
                    ruby = 0;
                }
                continue;
            }
            if (code == kClickWaitCode) {
                breakFullColumn();
                i += 2;
                continue;
            }
            if (code == kColumnBreakCode) {
                newColumn();
                i += 2;
                continue;
            }
            breakFullColumn();
            if (canDraw)
                DrawOutlinedGlyph(page, x, y, p);
            // A column advances a whole glyph for every character, one-byte ones included.
            y += step;
            units += width;
            i += static_cast<size_t>(width);
            // The inline icon mark behind a two-byte character: the icon below it, in the column.
            if (const int icon = width == 2 && i + 4 <= length ? InlineIconAt(text + i) : -1; icon >= 0) {
                DrawInlineIcon(page, icon, x - 2, y + 22, true);
                y += 24;
                units += 4;
                i += 4;
            }
            if (units >= kColumnUnits && i < length && IsKinsokuChar(text + i)) {
                // A character that must not begin a column stays at the end of this one.
                if (canDraw)
                    DrawOutlinedGlyph(page, x, y, text + i);
                y += step;
                i += 2;
            }
        }
        // The next message starts in a column of its own, unless this one ended at a column's top.
        if (y != kPageTopY)
            x -= kColumnStep;
    }

    // 4. The cursor for the message display.
    m_textX = static_cast<uint16_t>(x);
    m_textY = static_cast<int16_t>(lines > 0 ? kPageTopY : y);
    SetScene(kSceneScript);
    return Next(cmd);
}
