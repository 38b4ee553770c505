#include "screens/note_scene.h"

#include <algorithm>
#include <cstdio>

#include "app/game_main.h"
#include "app/input.h"
#include "archive/arc_file.h"
#include "archive/paths.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

using namespace screens;

const NoteMarker NoteMarkerTable[kNoteMarkerCount] = {
    {393, 305, 73, 17, 0, 62},     {873, 285, 98, 17, 0, 79},     {433, 205, 98, 17, 0, 160},
    {433, 285, 98, 17, 98, 160},   {433, 345, 98, 17, 196, 160},  {433, 425, 98, 17, 294, 160},
    {573, 285, 98, 17, 392, 160},  {573, 345, 98, 17, 490, 160},  {573, 425, 98, 17, 588, 160},
    {453, 165, 97, 17, 0, 177},    {453, 465, 97, 17, 97, 177},   {753, 245, 97, 17, 194, 177},
    {753, 385, 97, 17, 291, 177},  {873, 305, 73, 17, 388, 177},  {913, 305, 103, 17, 461, 177},
    {913, 285, 103, 17, 564, 177}, {873, 285, 103, 17, 667, 177}, {913, 325, 89, 17, 0, 194},
    {923, 345, 81, 17, 89, 194},   {923, 365, 94, 17, 170, 194},  {923, 385, 100, 17, 264, 194},
    {923, 405, 99, 17, 364, 194},  {893, 265, 103, 17, 463, 194}, {913, 245, 103, 17, 566, 194},
    {893, 225, 79, 17, 669, 194},  {893, 185, 110, 17, 0, 211},   {893, 445, 110, 17, 110, 211},
    {873, 325, 103, 17, 220, 211},
};

namespace {

constexpr char kTabSound[] = "se\\sys_010.ogg";
constexpr char kPickSound[] = "se\\sys_a002.ogg";
constexpr uint32_t kTextColour = 0x002F2F2F;

// Nodes per chapter: chapter k (1..10) owns the nodes from the sum of the entries before it.
constexpr uint8_t kNodesPerChapter[11] = {0, 24, 12, 31, 49, 47, 14, 114, 102, 90, 138};

int ChapterFirstNode(int k) {
    int sum = 0;
    for (int i = 0; i < k; ++i)
        sum += kNodesPerChapter[i];
    return sum;
}

// Chapter tab labels (x, w at y 95, height 18) and hit areas.
constexpr int16_t kLabelX[11] = {182, 238, 327, 374, 430, 486, 575, 622, 678, 734, 806};
constexpr int16_t kLabelW[11] = {56, 38, 47, 56, 56, 38, 47, 56, 56, 38, 94};
constexpr RECT kChapterHits[11] = {
    {190, 95, 238, 113}, {246, 95, 276, 113}, {336, 95, 374, 113}, {384, 95, 430, 113},
    {440, 95, 486, 113}, {495, 95, 525, 113}, {584, 95, 622, 113}, {632, 95, 678, 113},
    {688, 95, 734, 113}, {742, 95, 772, 113}, {806, 95, 898, 113},
};

// What each list tab shows: its background, its sheets (slots 24 on) with the name sheet's slot,
// the detail panel's text name and line.
struct TabLook {
    const char* sheets[7];
    int nameSheet; // slot of the name strips
    const char* textName;
    int32_t textY;
};
const TabLook kTabLooks[CNoteScene::kListTabs] = {
    {{"system\\profil_01.bmp", "system\\profil_02.bmp", "system\\profil_03.bmp", "system\\profil_04.bmp",
      "system\\profil_05.bmp", "system\\profil_06.bmp", "system\\find_charar.bmp"},
     30,
     "np%03d_%02d.tx",
     364},
    {{"system\\find_matter.bmp", "system\\d_matter_01.bmp", "system\\d_matter_02.bmp"},
     24,
     "ni%03d_%02d.tx",
     337},
    {{"system\\find_article.bmp", "system\\d_article.bmp"}, 24, "nt%03d_%02d.tx", 175},
    {{"system\\find_gossip.bmp", "system\\d_gossip.bmp"}, 24, "ng%03d_%02d.tx", 175},
    {{"system\\find_another.bmp", "system\\d_another.bmp"}, 24, "no%03d_%02d.tx", 337},
};

constexpr int32_t kStripW = 214;
constexpr int32_t kStripH = 27;

MouseState* Mouse() {
    return g_pMouse ? g_pMouse->GetState() : nullptr;
}

bool TakeLeftClick() {
    MouseState* m = Mouse();
    if (!m || m->left == 0)
        return false;
    m->left = 0;
    return true;
}

void Restore(CDIB32* from, const RECT& r) {
    CDIB32::Blt(g_ScreenSurface, r.left, r.top, from, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void Restore(CDIB32* from, int32_t x, int32_t y, int32_t w, int32_t h) {
    CDIB32::Blt(g_ScreenSurface, x, y, from, x, y, w, h);
}

// The first rectangle among `count` holding the mouse for which `live(i)` (0-based) holds; 1-based.
template <typename Live>
uint8_t HitLive(const RECT* rects, int count, Live live) {
    if (!g_pMouse)
        return 0;
    const MouseState* m = g_pMouse->GetState();
    for (int i = 0; i < count; ++i)
        if (live(i) && PointInRect(rects[i], POINT{m->x, m->y}))
            return static_cast<uint8_t>(i + 1);
    return 0;
}

} // namespace

CNoteScene::CNoteScene() {
    if (g_pScriptMng) {
        page = std::min<uint8_t>(g_pScriptMng->m_notePage, 2);
        chart = std::clamp<uint8_t>(g_pScriptMng->m_noteFlowChart, 1, kCharts);
        sketchVariant = g_pScriptMng->m_noteSketch;
    }
    for (int i = 0; i < kListTabs; ++i)
        listTabRects[i] = RECT{85 + 83 * i, 85, 85 + 83 * i + 82, 106};
    for (int i = 0; i < 3; ++i)
        pageTabRects[i] = RECT{44, 107 + 121 * i, 84, 107 + 121 * i + 116};
    pageTabRects[3] = RECT{954, 30, 1020, 70};
    sketchButtons[0] = RECT{898, 171, 953, 203};
    sketchButtons[1] = RECT{898, 135, 953, 167};
    sketchButtons[2] = RECT{898, 99, 953, 131};
    for (ListTab& t : tabs) {
        for (int i = 0; i < kEntriesPerPage; ++i) {
            const int c = i / 15;
            const int r = i % 15;
            t.entries[i] = RECT{133 + 262 * c, 128 + 28 * r, 347 + 262 * c, 155 + 28 * r};
        }
    }
    std::copy(std::begin(kChapterHits), std::end(kChapterHits), chapterTabs);
}

bool CNoteScene::Dispatch(HWND hwnd) {
    switch (state) {
        case 0:
            Start(hwnd);
            break;
        case 1:
            FadeIn();
            break;
        case 2:
            Input(hwnd);
            break;
        case 3:
            FadeOut();
            break;
        case 4:
            Leave();
            break;
        default:
            break;
    }
    return true;
}

CDIB32* CNoteScene::Snapshot() const {
    CDIB32* s = g_pScriptUiSurfaces[kUiSnapshot];
    return s ? s : Slot(kSlotSnapshot);
}

void CNoteScene::Start(HWND hwnd) {
    if (!g_pScriptUiSurfaces[kUiSnapshot])
        CopyToSlot(kSlotSnapshot, hwnd, g_ScreenSurface); // opened without a snapshot: fade from the screen
    MakeBlankSlot(kSlotPage, hwnd);
    MakeBlankSlot(kSlotClean, hwnd);
    LoadSlot(kSlotParts, hwnd, "system\\note_p.bmp");
    DrawPage(hwnd, page);
    timer.Restart();
    state = 1;
}

void CNoteScene::FadeIn() {
    uint16_t level = 0;
    if (timer.Running(kFadeMs, &level) && !TakeLeftClick()) {
        DrawCrossDissolve(Slot(kSlotPage), Snapshot(), level);
        return;
    }
    DrawWhole(Slot(kSlotPage));
    state = 2;
}

void CNoteScene::FadeOut() {
    uint16_t level = 0;
    if (timer.Running(kFadeMs, &level) && !TakeLeftClick()) {
        DrawCrossDissolve(Snapshot(), Slot(kSlotClean), level);
        return;
    }
    DrawWhole(Snapshot());
    state = 4;
}

void CNoteScene::Leave() {
    state = 0;
    FreeSlots(kSlotPage, kLastSlot);
    SetScene(g_pGameMain ? g_pGameMain->returnScene : SceneId{kSceneScript});
}

void CNoteScene::Input(HWND hwnd) {
    MouseState* mouse = Mouse();
    if (!mouse)
        return;
    // Page tabs and the close button, one row of four; the current page's tab does not react.
    prevHovered = hovered;
    hovered = HitLive(pageTabRects, 4, [this](int i) { return i == 3 || i != page; });
    CDIB32* parts = Slot(kSlotParts);
    if (hovered != prevHovered) {
        if (prevHovered)
            Restore(Slot(kSlotPage), pageTabRects[prevHovered - 1]);
        if (hovered) {
            const RECT& r = pageTabRects[hovered - 1];
            const int32_t sx = hovered == 4 ? 120 : 40 * (hovered - 1);
            const int32_t sy = hovered == 4 ? 51 : 21;
            CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, parts, sx, sy, r.right - r.left,
                             r.bottom - r.top);
        }
    }
    switch (page) {
        case 0:
            TabInput(hwnd);
            break;
        case 1:
            SketchInput(hwnd);
            break;
        default:
            FlowInput(hwnd);
            break;
    }
    if (mouse->left != 0 && hovered >= 1 && hovered <= 3) {
        PlayClickSound(kTabSound);
        page = static_cast<uint8_t>(hovered - 1);
        DrawPage(hwnd, page);
        DrawWhole(Slot(kSlotPage));
        mouse->left = 0;
        return;
    }
    const bool closeClick = mouse->left != 0 && hovered == 4;
    if (closeClick || mouse->right != 0) {
        PlayClickSound(kPickSound);
        CopyToSlot(kSlotClean, hwnd, g_ScreenSurface);
        timer.Restart();
        if (g_pScriptMng)
            g_pScriptMng->m_notePage = page;
        mouse->right = 0;
        if (closeClick)
            mouse->left = 0;
        state = 3;
    }
}

void CNoteScene::DrawPage(HWND hwnd, uint8_t which) {
    if (which == 0)
        DrawProfilePage(hwnd, listTab);
    else if (which == 1)
        DrawSketchPage(hwnd, sketch);
    else
        DrawFlowPage(hwnd, chart);
}

// ---- Page 0: the keyword lists -------------------------------------------------------------------

uint8_t CNoteScene::ListCount(uint8_t tab) {
    const CScriptMng* s = g_pScriptMng;
    if (!s)
        return 0;
    switch (tab) {
        case 0:
            return std::min<uint8_t>(s->m_list1.count, sizeof s->m_list1.order);
        case 1:
            return std::min<uint8_t>(s->m_list2.count, sizeof s->m_list2.order);
        case 2:
            return std::min<uint8_t>(s->m_list3.count, sizeof s->m_list3.order);
        case 3:
            return std::min<uint8_t>(s->m_list4.count, sizeof s->m_list4.order);
        case 4:
            return std::min<uint8_t>(s->m_list5.count, sizeof s->m_list5.order);
        default:
            return 0;
    }
}

uint8_t CNoteScene::ListId(uint8_t tab, int index) {
    const CScriptMng* s = g_pScriptMng;
    if (!s || index < 0 || index >= ListCount(tab))
        return 0;
    switch (tab) {
        case 0:
            return s->m_list1.order[index];
        case 1:
            return s->m_list2.order[index];
        case 2:
            return s->m_list3.order[index];
        case 3:
            return s->m_list4.order[index];
        default:
            return s->m_list5.order[index];
    }
}

uint8_t CNoteScene::TextLevel(uint8_t tab, uint8_t id) {
    const CScriptMng* s = g_pScriptMng;
    if (!s)
        return 0;
    switch (tab) {
        case 0:
            return id < sizeof s->m_list1.order ? s->m_list1.state[5][id] : 0;
        case 1:
            return id < sizeof s->m_list2.state ? s->m_list2.state[id] : 0;
        case 2:
            return id < sizeof s->m_list3.state ? s->m_list3.state[id] : 0;
        case 3:
            return id < sizeof s->m_list4.state ? s->m_list4.state[id] : 0;
        case 4:
            return id < sizeof s->m_list5.state ? s->m_list5.state[id] : 0;
        default:
            return 0;
    }
}

void CNoteScene::DrawProfilePage(HWND hwnd, uint8_t tab) {
    tab = std::min<uint8_t>(tab, kListTabs - 1);
    char name[40];
    std::snprintf(name, sizeof name, "system\\note_base%02d.bmp", tab + 1);
    LoadSlot(kSlotBase, hwnd, name);
    CopyToSlot(kSlotClean, hwnd, Slot(kSlotBase));
    CopyToSlot(kSlotPage, hwnd, Slot(kSlotBase));
    FreeSlots(kSlotSheets, kSlotPicture);
    const TabLook& look = kTabLooks[tab];
    for (int i = 0; i < 7 && look.sheets[i]; ++i)
        LoadSlot(kSlotSheets + i, hwnd, look.sheets[i]);
    ListTab& t = tabs[tab];
    const uint8_t total = ListCount(tab);
    int first = 0;
    if (tab == 1) {
        // Thirty entries a page; the last page index never goes below 0 (an empty list has one).
        lastPage = total == 0 ? 0 : static_cast<uint8_t>((total - 1) / kEntriesPerPage);
        currentPage = static_cast<int8_t>(std::clamp<int>(currentPage, 0, lastPage));
        pageCounts[0] = static_cast<uint8_t>(std::min<int>(total, kEntriesPerPage));
        pageCounts[1] = static_cast<uint8_t>(std::max<int>(total - kEntriesPerPage, 0));
        first = currentPage * kEntriesPerPage;
        t.count = static_cast<uint8_t>(std::min<int>(total - first, kEntriesPerPage));
    } else {
        t.count = std::min<uint8_t>(total, kEntriesPerPage); // the grid holds 30
    }
    t.selectedId = 0;
    t.selectedPos = 0;
    hoveredEntry = prevHoveredEntry = 0;
    text.clear();
    CDIB32* pageSurface = Slot(kSlotPage);
    for (int i = 0; i < t.count; ++i) {
        const int n = first + i;
        const RECT& r = t.entries[i];
        CDIB32::BltAlpha(pageSurface, 86 + 262 * (i / 15), r.top, Slot(kSlotParts), 44 * (n / 15),
                         140 + 27 * (n % 15), 44, 27);
        const uint8_t id = ListId(tab, n);
        CDIB32::BltAlpha(pageSurface, r.left, r.top, Slot(look.nameSheet), kStripW, kStripH * (id - 1),
                         kStripW, kStripH);
    }
}

// Redraws entry `position` (1-based) on the back buffer over the clean page: column 0 hovered,
// 1 normal, 2 selected.
void CNoteScene::DrawEntryStrip(int position, int column) {
    ListTab& t = tabs[listTab];
    if (position < 1 || position > t.count)
        return;
    const RECT& r = t.entries[position - 1];
    const uint8_t id = ListId(listTab, (listTab == 1 ? currentPage * kEntriesPerPage : 0) + position - 1);
    Restore(Slot(kSlotClean), r.left, r.top, kStripW, kStripH);
    CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, Slot(kTabLooks[listTab].nameSheet), kStripW * column,
                     kStripH * (id - 1), kStripW, kStripH);
}

void CNoteScene::TabInput(HWND hwnd) {
    prevHoveredTab = hoveredTab;
    hoveredTab = HitLive(listTabRects, kListTabs, [this](int i) { return i != listTab; });
    if (hoveredTab != prevHoveredTab) {
        if (prevHoveredTab)
            Restore(Slot(kSlotPage), listTabRects[prevHoveredTab - 1]);
        if (hoveredTab) {
            const RECT& r = listTabRects[hoveredTab - 1];
            CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, Slot(kSlotParts), 82 * (hoveredTab - 1), 0, 82,
                             21);
        }
    }
    EntryInput(hwnd);
    if (listTab == 1)
        PageButtonInput(hwnd);
    if (hoveredTab && TakeLeftClick()) {
        PlayClickSound(kTabSound);
        listTab = static_cast<uint8_t>(hoveredTab - 1);
        DrawProfilePage(hwnd, listTab);
        DrawWhole(Slot(kSlotPage));
        hoveredTab = prevHoveredTab = 0;
        hovered = prevHovered = 0;
    }
}

void CNoteScene::EntryInput(HWND hwnd) {
    ListTab& t = tabs[listTab];
    prevHoveredEntry = hoveredEntry;
    hoveredEntry = HitLive(t.entries, t.count, [&t](int i) { return i + 1 != t.selectedPos; });
    if (hoveredEntry != prevHoveredEntry) {
        if (prevHoveredEntry && prevHoveredEntry != t.selectedPos)
            DrawEntryStrip(prevHoveredEntry, 1);
        if (hoveredEntry)
            DrawEntryStrip(hoveredEntry, 0);
    }
    if (!hoveredEntry || !TakeLeftClick())
        return;
    PlayClickSound(kPickSound);
    if (t.selectedPos)
        DrawEntryStrip(t.selectedPos, 1);
    t.selectedPos = hoveredEntry;
    const int index = (listTab == 1 ? currentPage * kEntriesPerPage : 0) + hoveredEntry - 1;
    t.selectedId = ListId(listTab, index);
    if (listTab == 1)
        selectedIndex = static_cast<uint8_t>(index);
    DrawEntryStrip(t.selectedPos, 2);
    DrawDetail(hwnd);
    hoveredEntry = prevHoveredEntry = 0;
}

void CNoteScene::DrawDetail(HWND hwnd) {
    const uint8_t id = tabs[listTab].selectedId;
    CDIB32* clean = Slot(kSlotClean);
    CDIB32* bb = g_ScreenSurface;
    char name[40];
    auto title = [&](int sheet) {
        Restore(clean, 717, 120, 180, 25);
        CDIB32::BltAlpha(bb, 717, 120, Slot(sheet), 0, 25 * (id - 1), 180, 25);
    };
    auto picture = [&](const char* format, int32_t x, int32_t y, int32_t w, int32_t h) {
        std::snprintf(name, sizeof name, format, id);
        LoadSlot(kSlotPicture, hwnd, name);
        CDIB32::Blt(bb, x, y, Slot(kSlotPicture), 0, 0, w, h);
    };
    switch (listTab) {
        case 0: {
            Restore(clean, 624, 107, 368, 428);
            CDIB32::BltAlpha(bb, 860, 112, Slot(kSlotSheets), 0, 15 * (id - 1), 108, 15);
            for (int j = 1; j < 6; ++j)
                CDIB32::BltAlpha(bb, 864, 131 + 27 * (j - 1), Slot(kSlotSheets + j), 0, 22 * (id - 1), 100,
                                 22);
            Restore(clean, 620, 358, 372, 192);
            const bool portrait = g_pScriptMng && id < sizeof g_pScriptMng->m_list1.order &&
                                  g_pScriptMng->m_list1.state[1][id] != 0;
            picture(portrait ? "system\\p%03d.bmp" : "system\\p000.bmp", 632, 117, 163, 217);
            break;
        }
        case 1: {
            title(kSlotSheets + 1);
            const uint8_t stamp = g_pScriptMng && id < sizeof g_pScriptMng->m_list2.state2
                                      ? g_pScriptMng->m_list2.state2[id]
                                      : 0;
            Restore(clean, 802, 291, 38, 20);
            CDIB32::BltAlpha(bb, 802, 291, Slot(kSlotSheets + 2), 0, 20 * stamp, 38, 20);
            Restore(clean, 620, 330, 372, 220);
            picture("system\\m_phot_%02d.bmp", 717, 164, 182, 122);
            break;
        }
        case 2:
        case 3:
            title(kSlotSheets + 1);
            Restore(clean, 620, 170, 372, 380);
            break;
        default:
            title(kSlotSheets + 1);
            Restore(clean, 620, 330, 372, 220);
            picture("system\\a_phot_%02d.bmp", 717, 164, 182, 122);
            break;
    }
    const uint8_t level = TextLevel(listTab, id);
    if (level == 0)
        return;
    std::snprintf(name, sizeof name, kTabLooks[listTab].textName, id, level);
    LoadText(name);
    DrawWrappedText(bb, kTabLooks[listTab].textY);
}

void CNoteScene::PageButtonInput(HWND hwnd) {
    if (lastPage == 0)
        return;
    const RECT buttons[2] = {prevPageButton, nextPageButton};
    prevHoveredPageButton = hoveredPageButton;
    hoveredPageButton = HitLive(buttons, 2, [](int) { return true; });
    if (hoveredPageButton != prevHoveredPageButton) {
        if (prevHoveredPageButton)
            Restore(Slot(kSlotClean), buttons[prevHoveredPageButton - 1]);
        if (hoveredPageButton) {
            const RECT& r = buttons[hoveredPageButton - 1];
            CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, Slot(kSlotParts), 89 + 31 * hoveredPageButton,
                             21, 31, 21);
        }
    }
    // The page buttons turn the page without a click sound of their own.
    if (!hoveredPageButton || !TakeLeftClick())
        return;
    if (hoveredPageButton == 1)
        currentPage = static_cast<int8_t>(currentPage == 0 ? lastPage : currentPage - 1);
    else
        currentPage = static_cast<int8_t>(currentPage >= lastPage ? 0 : currentPage + 1);
    DrawProfilePage(hwnd, listTab);
    DrawWhole(Slot(kSlotPage));
}

// ---- Page texts ----------------------------------------------------------------------------------

void CNoteScene::LoadText(const char* name) {
    text.clear();
    const std::string previousBase = GetBasePath();
    SetBasePath(GetResourceDir(kResourceScript));
    CArcFile file;
    const int result = file.Open(name ? name : "");
    SetBasePath(previousBase);
    if (result == kArcOk && file.GetData())
        text.assign(reinterpret_cast<const char*>(file.GetData()), file.GetSize());
}

void CNoteScene::DrawWrappedText(CDIB32* surface, int32_t y) {
    if (!g_GlyphFont)
        return;
    constexpr int32_t kLeft = 627;
    constexpr int32_t kRight = 972;
    constexpr int32_t kLine = 27;
    g_GlyphFont->SetFont(18, 0);
    int32_t x = kLeft;
    size_t sinceBreak = 0; // bytes drawn since the last CR LF
    const size_t size = text.size();
    for (size_t i = 0; i < size;) {
        if (text[i] == '\r' && i + 1 < size && text[i + 1] == '\n') {
            // A break right after a wrap at 38 bytes (19 glyphs) or on an empty line adds no line.
            if (sinceBreak % 38 != 0) {
                x = kLeft;
                y += kLine;
            }
            sinceBreak = 0;
            i += 2;
            continue;
        }
        if (x >= kRight) {
            x = kLeft;
            y += kLine;
        }
        // The texts hold double-byte characters; a stray single byte (or a lead byte at the very end)
        // is taken alone, so nothing is read past the text.
        const auto lead = static_cast<uint8_t>(text[i]);
        const size_t length = lead >= 0x81 && i + 1 < size ? 2 : 1;
        char glyph[3] = {text[i], length == 2 ? text[i + 1] : '\0', '\0'};
        x += g_GlyphFont->DrawString(surface, x, y, glyph, kTextColour);
        sinceBreak += length;
        i += length;
    }
    g_GlyphFont->SetFont(24, 0);
}

// ---- Page 1: the sketches ------------------------------------------------------------------------

void CNoteScene::DrawSketchPage(HWND hwnd, uint8_t n) {
    char name[40];
    if (n == 0)
        std::snprintf(name, sizeof name, "system\\sketch%02d_%d.bmp", 0, static_cast<int8_t>(sketchVariant));
    else
        std::snprintf(name, sizeof name, "system\\sketch%02d_%d.bmp", n, sketchVariant != 0 ? 1 : 0);
    LoadSlot(kSlotBase, hwnd, name);
    CopyToSlot(kSlotClean, hwnd, Slot(kSlotBase));
    CopyToSlot(kSlotPage, hwnd, Slot(kSlotBase));
}

void CNoteScene::SketchInput(HWND hwnd) {
    prevHoveredSmall = hoveredSmall;
    const uint8_t hit =
        HitLive(sketchButtons, 3, [this](int i) { return i != sketch && (i != 0 || sketchVariant != 0); });
    hoveredSmall = hit; // the sketch number + 1
    if (hoveredSmall != prevHoveredSmall) {
        if (prevHoveredSmall)
            Restore(Slot(kSlotPage), sketchButtons[prevHoveredSmall - 1]);
        if (hoveredSmall) {
            const RECT& r = sketchButtons[hoveredSmall - 1];
            CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, Slot(kSlotParts), 244, 32 * hoveredSmall - 11,
                             55, 32);
        }
    }
    if (!hoveredSmall || !TakeLeftClick())
        return;
    PlayClickSound(kTabSound);
    sketch = static_cast<uint8_t>(hoveredSmall - 1);
    DrawSketchPage(hwnd, sketch);
    DrawWhole(Slot(kSlotPage));
    hoveredSmall = prevHoveredSmall = 0;
}

// ---- Page 2: the flow chart ----------------------------------------------------------------------

uint32_t CNoteScene::SeenNodePercent() {
    uint32_t seen = 0;
    for (int n = 0; n < kNoteNodeCount; ++n)
        seen += g_SystemData.noteMarks[n] != 0;
    return seen * 100 / kNoteNodeCount;
}

void CNoteScene::ComputeFlowFlags() {
    const uint8_t* b = g_SystemData.endingFlags;
    endingSlots[0] = b[0];
    endingSlots[1] = 0;
    for (int i = 1; i <= 8; ++i)
        endingSlots[1] = static_cast<uint8_t>(endingSlots[1] + b[i]);
    endingSlots[2] = static_cast<uint8_t>(b[9] + b[10]);
    endingSlots[3] = static_cast<uint8_t>(b[11] + b[12]);
    for (int i = 4; i <= 15; ++i)
        endingSlots[i] = b[i + 9];
    endingSlots[16] = static_cast<uint8_t>(b[25] + b[26]);
    endingSlots[17] = b[27];
    anyEnding = 0;
    for (size_t i = 0; i < sizeof g_SystemData.endingFlags; ++i)
        anyEnding |= b[i] != 0;
    for (int k = 1; k <= kChapters; ++k) {
        chapterReached[k - 1] = 0;
        for (int n = ChapterFirstNode(k); n < ChapterFirstNode(k + 1); ++n)
            chapterReached[k - 1] |= g_SystemData.noteMarks[n] != 0;
    }
}

bool CNoteScene::ChartTabLive(int i) const {
    if (i + 1 == chart)
        return false;
    return i == kCharts - 1 ? anyEnding != 0 : chapterReached[i] != 0;
}

// Marker j of the current chart: chart 3 has markers 0 and 1 (ending flags 0 and 1), chart 10
// markers 0..25 (records and ending flags 2..27).
bool CNoteScene::MarkerLive(int j) const {
    const int record = chart == 3 ? j : j + 2;
    return record < kNoteMarkerCount && g_SystemData.endingFlags[record] != 0;
}

void CNoteScene::DrawChartHighlight(CDIB32* target, int i) {
    const RECT& r = chapterTabs[i];
    const int32_t sy = i == kCharts - 1 ? 320 : 140 + 18 * i;
    CDIB32::BltAlpha(target, r.left, r.top, Slot(kSlotParts), 220, sy, r.right - r.left, r.bottom - r.top);
}

void CNoteScene::DrawPercent(CDIB32* target, uint32_t value, int32_t x, int32_t y) {
    CDIB32* parts = Slot(kSlotParts);
    const uint32_t hundreds = value / 100 % 10;
    const uint32_t tens = value / 10 % 10;
    if (hundreds != 0)
        CDIB32::BltAlpha(target, x, y, parts, 190 + 11 * static_cast<int32_t>(hundreds), 118, 11, 21);
    if (value >= 100 || tens != 0)
        CDIB32::BltAlpha(target, x + 12, y, parts, 190 + 11 * static_cast<int32_t>(tens), 118, 11, 21);
    CDIB32::BltAlpha(target, x + 24, y, parts, 190 + 11 * static_cast<int32_t>(value % 10), 118, 11, 21);
}

void CNoteScene::DrawFlowPage(HWND hwnd, uint8_t f) {
    f = std::clamp<uint8_t>(f, 1, kCharts);
    char name[40];
    std::snprintf(name, sizeof name, "system\\flow_base%02d.bmp", f);
    LoadSlot(kSlotBase, hwnd, name);
    FreeSlots(kSlotSheets, kSlotPicture);
    std::snprintf(name, sizeof name, "system\\flow_p%02d.bmp", f);
    LoadSlot(kSlotSheets, hwnd, name);
    if (f < kCharts) {
        std::snprintf(name, sizeof name, "system\\flow_p%02d_b.bmp", f);
        LoadSlot(kSlotSheets + 1, hwnd, name);
    }
    CopyToSlot(kSlotClean, hwnd, Slot(kSlotBase));
    CopyToSlot(kSlotPage, hwnd, Slot(kSlotBase));
    hoveredSmall = prevHoveredSmall = hoveredEntry = prevHoveredEntry = 0;
    ComputeFlowFlags();

    CDIB32* out = Slot(kSlotPage);
    CDIB32* parts = Slot(kSlotParts);
    for (int i = 0; i < kCharts; ++i) {
        const bool shown = i < kChapters ? chapterReached[i] != 0 : anyEnding != 0;
        if (shown)
            CDIB32::BltAlpha(out, kLabelX[i], 95, parts, 220, 340 + 18 * i, kLabelW[i], 18);
    }
    auto any = [this](int from, int to) {
        for (int k = from; k <= to; ++k)
            if (chapterReached[k - 1])
                return true;
        return false;
    };
    if (any(1, 2))
        CDIB32::BltAlpha(out, 140, 95, parts, 176, 340, 42, 18);
    if (any(3, 6))
        CDIB32::BltAlpha(out, 285, 95, parts, 176, 376, 42, 18);
    if (any(7, 10))
        CDIB32::BltAlpha(out, 533, 95, parts, 176, 448, 42, 18);
    if (anyEnding)
        CDIB32::BltAlpha(out, 806, 95, parts, 220, 520, 94, 18);
    // The current chart's tab and group header, highlighted.
    if (f <= kChapters)
        DrawChartHighlight(out, f - 1);
    if (f <= 2)
        CDIB32::BltAlpha(out, 138, 95, parts, 176, 140, 44, 18);
    else if (f <= 6)
        CDIB32::BltAlpha(out, 284, 95, parts, 176, 176, 44, 18);
    else if (f <= 10)
        CDIB32::BltAlpha(out, 532, 95, parts, 176, 248, 44, 18);
    else
        CDIB32::BltAlpha(out, 806, 95, parts, 220, 320, 92, 18);

    if (f <= kChapters) {
        for (int n = ChapterFirstNode(f); n < ChapterFirstNode(f + 1); ++n) {
            const NoteNode& node = NoteNodeTable[n];
            if (g_SystemData.noteMarks[n])
                CDIB32::BltAlpha(out, node.x, node.y, Slot(kSlotSheets), node.sourceX, node.sourceY,
                                 node.width, node.height);
            if (g_pScriptMng && g_pScriptMng->m_noteMarks[n])
                CDIB32::BltAlpha(out, node.x, node.y, Slot(kSlotSheets + 1), node.sourceX, node.sourceY,
                                 node.width, node.height);
        }
        DrawPercent(out, SeenNodePercent(), 927, 536);
    } else {
        uint32_t seen = 0;
        for (int i = 0; i < kEndingSlots; ++i) {
            if (endingSlots[i] == 0)
                continue;
            ++seen;
            CDIB32::BltAlpha(out, 351 + 286 * (i / 9), 167 + 39 * (i % 9), Slot(kSlotSheets), 267 * (i / 9),
                             32 * (i % 9), 267, 32);
        }
        DrawPercent(out, seen * 100 / kEndingSlots, 209, 219);
    }
}

void CNoteScene::FlowInput(HWND hwnd) {
    // Ending markers of charts 3 and 10.
    const int markers = chart == 3 ? 2 : chart == 10 ? 26 : 0;
    RECT spots[26];
    for (int j = 0; j < markers; ++j) {
        const NoteMarker& m = NoteMarkerTable[chart == 3 ? j : j + 2];
        spots[j] = RECT{m.x, m.y + 7, m.x + 7, m.y + 14};
    }
    prevHoveredEntry = hoveredEntry;
    hoveredEntry = HitLive(spots, markers, [this](int j) { return MarkerLive(j); });
    if (hoveredEntry != prevHoveredEntry) {
        if (prevHoveredEntry) {
            const NoteMarker& m = NoteMarkerTable[chart == 3 ? prevHoveredEntry - 1 : prevHoveredEntry + 1];
            Restore(Slot(kSlotPage), m.x, m.y, m.width, m.height);
        }
        if (hoveredEntry) {
            const NoteMarker& m = NoteMarkerTable[chart == 3 ? hoveredEntry - 1 : hoveredEntry + 1];
            CDIB32::BltAlpha(g_ScreenSurface, m.x, m.y, Slot(kSlotSheets), m.sourceX, m.sourceY, m.width,
                             m.height);
        }
    }
    // Chapter tabs.
    prevHoveredSmall = hoveredSmall;
    hoveredSmall = HitLive(chapterTabs, kCharts, [this](int i) { return ChartTabLive(i); });
    if (hoveredSmall != prevHoveredSmall) {
        if (prevHoveredSmall)
            Restore(Slot(kSlotPage), chapterTabs[prevHoveredSmall - 1]);
        if (hoveredSmall)
            DrawChartHighlight(g_ScreenSurface, hoveredSmall - 1);
    }
    if (!hoveredSmall || !TakeLeftClick())
        return;
    PlayClickSound(kTabSound);
    chart = hoveredSmall;
    if (g_pScriptMng)
        g_pScriptMng->m_noteFlowChart = chart;
    DrawFlowPage(hwnd, chart);
    DrawWhole(Slot(kSlotPage));
}
