// The keyword and evidence list: a script asks the player to pick one entry of a list whose texts
// come from a plain text file of the game folder (line n is the entry with id n). The picked id goes
// into script variable 255 and the script goes on. There is no cancel; a list that cannot be shown
// (no file, or nothing listed) answers 0 at once, so that the script is never left waiting.
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "investigation/invest_list.h"
#include "investigation/invest_screen.h"
#include "investigation/keyword_list.h"
#include "platform/file_system.h"
#include "scene/sequence_surfaces.h"
#include "script/script_mng.h"

namespace {

using kestrel::invest::kListRows;
using namespace kestrel::sequence;

constexpr int kPanelSlot = 3;
constexpr int kPanelX = 546;
constexpr int kPanelY = 5;
constexpr int kPanelW = 240;
// The panel is drawn as tall as the command screen draws the same picture: the sheet's lit arrows
// lie below that, under the frame. The area restored under it is the taller one.
constexpr int kPanelH = 415;
constexpr int kRestoreH = 443;
constexpr int kMarkX = 570;
constexpr int kMarkSrcY = 443;
constexpr int kMarkW = 180;
constexpr int kMarkH = 24;
constexpr int kRowLeft = 560;
constexpr int kRowRight = 760;
constexpr int kRowTop = 32;
constexpr int kRowPitch = 28;
constexpr int kRowH = 24;
constexpr int kResultVar = 255;
// Far more than any list needs (64 entries of 127 bytes); a larger file is refused.
constexpr size_t kMaxListFile = size_t{1} << 20;

// The list file of a category, its name in CP932 bytes; nullptr outside the table.
const char* ListFileName(int category, char (&search)[16]) {
    switch (category) {
        case 1:
            return "lis_\x8F\xD8\x8B\x92";
        case 2:
            return "Key_\x95\xA8\x95\x69.txt";
        case 3:
            return "Key_\x8E\x96\x8C\x8F.txt";
        case 4:
            return "Key_\x89\x5C.txt";
        case 5:
            return "Key_\x91\xBC.txt";
        default:
            break;
    }
    if (category >= 10 && category <= 25) {
        const int k = category - 9;
        std::memcpy(search, "SEARCH00.txt", 13);
        search[6] = static_cast<char>('0' + k / 10);
        search[7] = static_cast<char>('0' + k % 10);
        return search;
    }
    return nullptr;
}

// The known-flag table that decides which lines are listed; nullptr lists every line.
const uint8_t* KnownTable(const CScriptMng& e) {
    if (e.m_listCategory == 1)
        return e.m_legworkEvidence;
    if (e.m_listCategory >= 2 && e.m_listCategory <= 5)
        return e.m_keywordKnown[e.m_listCategory - 1];
    return nullptr;
}

// Reads the category's list into m_listTexts / m_listIds / m_listCount (ReadListEntries). False
// when the file cannot be read.
bool ReadList(CScriptMng& e) {
    e.m_listCount = 0;
    std::memset(e.m_listIds, 0, sizeof e.m_listIds);
    char search[16];
    const char* name = ListFileName(e.m_listCategory, search);
    if (name == nullptr)
        return false;
    std::vector<uint8_t> bytes;
    if (kestrel::fs::ReadFile(name, &bytes, kMaxListFile) != kestrel::fs::ReadStatus::Ok)
        return false;
    e.m_listCount = static_cast<uint8_t>(kestrel::invest::ReadListEntries(
        bytes.data(), bytes.size(), KnownTable(e), e.m_listIds, e.m_listTexts));
    return true;
}

void SetRowRects(CScriptMng& e) {
    for (int i = 0; i < kListRows; ++i)
        e.m_listRowRects[i] =
            RECT{kRowLeft, kRowTop + kRowPitch * i, kRowRight, kRowTop + kRowH + kRowPitch * i};
}

// One entry in visible row `row`, centred on x 660 at 12 pixels a byte, two bytes at a time in
// white (an odd final byte is not drawn). The message text cursor (m_textX and m_textY) moves with
// it, so a message drawn or saved next starts where the list left it. An entry of more than 110
// bytes starts left of the screen: the walk keeps its own signed x so that it comes back into view.
void DrawEntry(CScriptMng& e, const char* text, int row) {
    if (g_GlyphFont == nullptr)
        return;
    const int length = static_cast<int>(strnlen(text, kestrel::invest::kListLineBuffer));
    int32_t x = (55 - length / 2) * 12;
    const int32_t y = kRowTop + kRowPitch * row;
    for (int i = 0; i + 1 < length; i += 2) {
        const char pair[3] = {text[i], text[i + 1], '\0'};
        x += g_GlyphFont->DrawString(g_ScreenSurface, x, y, pair, 0xFFFFFF);
    }
    e.m_textX = static_cast<uint16_t>(x);
    e.m_textY = static_cast<int16_t>(y);
}

// The panel restored from layer 0 and drawn again, the mark under row `markRow` (1..14, 0 none),
// then the entries in view from m_listScroll.
void DrawPanel(CScriptMng& e, int markRow) {
    CDIB32::Blt(g_ScreenSurface, kPanelX, kPanelY, g_Layers[0], kPanelX, kPanelY, kPanelW, kRestoreH);
    CDIB32* panel = g_Layers[kPanelSlot];
    CDIB32::BltAlpha(g_ScreenSurface, kPanelX, kPanelY, panel, 0, 0, kPanelW, kPanelH);
    if (markRow >= 1 && markRow <= kListRows)
        CDIB32::BltAlpha(g_ScreenSurface, kMarkX, kRowTop + kRowPitch * (markRow - 1), panel, 0, kMarkSrcY,
                         kMarkW, kMarkH);
    const int shown = std::min<int>(kListRows, e.m_listCount - e.m_listScroll);
    for (int r = 0; r < shown; ++r)
        DrawEntry(e, e.m_listTexts[e.m_listScroll + r], r);
}

void Finish(CScriptMng& e, int32_t id) {
    e.m_vars[kResultVar] = id;
    kestrel::invest::DropInput();
    ReturnToScript(e);
}

} // namespace

bool CScriptMng::ModeKeywordList() {
    if (m_msgStep == 0) {
        if (g_pGameMain != nullptr)
            g_pGameMain->fullRect = RECT{0, 0, 1024, 576};
        SetLayer(kPanelSlot, NewPicture("system\\keyword.bmp"));
        m_listScroll = 0;
        const bool read = ReadList(*this);
        if (!read || m_listCount == 0) {
            Finish(*this, 0);
            return true;
        }
        SetRowRects(*this);
        DrawPanel(*this, 0);
        m_hoverRow = m_prevHoverRow = 0;
        m_msgStep = 1;
        return true;
    }

    MouseState* mouse = g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;
    const int rows = std::min<int>(m_listCount, kListRows);
    const bool longList = m_listCount > kListRows;
    m_prevHoverRow = m_hoverRow;
    m_hoverRow = 0;
    for (int i = 0; i < rows; ++i)
        if (kestrel::invest::PointIn(mouse, m_listRowRects[i])) {
            m_hoverRow = static_cast<uint8_t>(i + 1);
            break;
        }
    bool wheel = false;
    const int step = kestrel::invest::TakeWalkStep(&wheel);
    bool scrolled = false;
    if (step != 0) {
        if (!longList) {
            m_hoverRow = kestrel::invest::WalkHover(m_hoverRow, rows, step, [](int) { return true; });
            if (m_hoverRow != 0)
                kestrel::invest::CursorToCentre(m_listRowRects[m_hoverRow - 1]);
        } else {
            const int scroll = std::clamp(m_listScroll + step, 0, m_listCount - kListRows);
            scrolled = scroll != m_listScroll;
            m_listScroll = static_cast<int8_t>(scroll);
        }
        if (wheel)
            kestrel::invest::PauseAfterWheel();
    }
    if (scrolled || m_hoverRow != m_prevHoverRow)
        DrawPanel(*this, m_hoverRow);

    if (mouse != nullptr && mouse->left != 0) {
        mouse->left = 0;
        if (m_hoverRow != 0 && m_listScroll + m_hoverRow - 1 < m_listCount)
            Finish(*this, m_listIds[m_listScroll + m_hoverRow - 1]);
    }
    return true;
}

namespace kestrel::invest {

int ReadListEntries(const uint8_t* bytes, size_t size, const uint8_t* known, uint8_t (&ids)[kListMaxEntries],
                    char (&texts)[kListMaxEntries][kListLineBuffer]) {
    // The known-flag tables hold ids 1..63.
    constexpr int kKnownIds = 64;
    int count = 0;
    size_t at = 0;
    for (int id = 1; at < size && count < kListMaxEntries; ++id) {
        if (known != nullptr && id >= kKnownIds)
            break;
        size_t len = 0;
        bool feed = false;
        while (len < kListLineBuffer - 1 && at + len < size) {
            if (bytes[at + len++] == '\n') {
                feed = true;
                break;
            }
        }
        const uint8_t* line = bytes + at;
        at += len;
        if (known != nullptr && known[id] == 0)
            continue;
        char* text = texts[count];
        std::memset(text, 0, kListLineBuffer);
        std::memcpy(text, line, feed ? len - 1 : len);
        ids[count] = static_cast<uint8_t>(id);
        ++count;
    }
    return count;
}

} // namespace kestrel::invest
