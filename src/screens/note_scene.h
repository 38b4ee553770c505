// The notebook, scene 68: the player's case notebook over the game picture, with three pages chosen
// by tabs at its left edge: the keyword lists (five list tabs over the five item lists of the script
// engine, with a detail panel and a text per entry), the sketches, and the flow chart of the story.
// Mouse only; a right click anywhere or the close button closes it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"
#include "screens/screen_object.h"

// One story node of the flow chart: its place on the chart and its picture in the chart's sheets.
struct NoteNode {
    int16_t x, y, width, height; // destination on the screen
    int16_t sourceX, sourceY;    // in the chart's piece sheet
};
inline constexpr int kNoteNodeCount = 621;
extern const NoteNode NoteNodeTable[kNoteNodeCount];

// An ending marker of the flow chart: its picture at (x, y) and the hot spot below its left end.
struct NoteMarker {
    int16_t x, y, width, height, sourceX, sourceY;
};
inline constexpr int kNoteMarkerCount = 28;
extern const NoteMarker NoteMarkerTable[kNoteMarkerCount];

class CNoteScene {
public:
    static constexpr uint32_t kFadeMs = 300;
    static constexpr int kListTabs = 5;
    static constexpr int kEntriesPerPage = 30;
    static constexpr int kChapters = 10;
    static constexpr int kCharts = 11;
    static constexpr int kEndingSlots = 18;

    // Surface slots of g_Layers.
    static constexpr int kSlotPage = 20;     // the page as last drawn
    static constexpr int kSlotClean = 21;    // the page without hover marks; the fade-out source
    static constexpr int kSlotBase = 22;     // the page's background picture
    static constexpr int kSlotParts = 23;    // "system\note_p.bmp"
    static constexpr int kSlotSheets = 24;   // 24 to 30: the current page's sheets
    static constexpr int kSlotPicture = 31;  // portrait or photo of the selected entry
    static constexpr int kSlotSnapshot = 32; // the game picture, when the opener left none
    static constexpr int kLastSlot = 59;

    // Per list tab: the entries shown and the selection.
    struct ListTab {
        uint8_t count = 0;
        RECT entries[kEntriesPerPage];
        uint8_t selectedId = 0;
        uint8_t selectedPos = 0; // 1-based, 0 none
    };

    uint8_t state = 0;   // 0 start, 1 fade in, 2 input, 3 fade out, 4 leave
    uint8_t hovered = 0; // page tabs 1..3, close 4
    uint8_t prevHovered = 0;
    screens::FadeTimer timer;
    uint8_t page = 0; // 0 keyword lists, 1 sketches, 2 flow chart
    uint8_t listTab = 0;
    uint8_t sketch = 1;
    uint8_t sketchVariant = 0;
    uint8_t hoveredTab = 0; // list tabs 1..5
    uint8_t prevHoveredTab = 0;
    uint8_t hoveredSmall = 0; // sketch button (sketch + 1) or chapter tab (1..11)
    uint8_t prevHoveredSmall = 0;
    uint8_t hoveredEntry = 0; // entry position (1..30) or ending marker (1..)
    uint8_t prevHoveredEntry = 0;
    uint8_t hoveredPageButton = 0; // list tab 2: 1 previous page, 2 next page
    uint8_t prevHoveredPageButton = 0;
    std::string text; // the page text of the selected entry (bytes of one ".tx" file)

    RECT listTabRects[kListTabs];
    RECT pageTabRects[4]; // the three page tabs, then the close button
    RECT sketchButtons[3];
    ListTab tabs[kListTabs];
    // The second list tab pages its entries 30 at a time.
    uint8_t pageCounts[2] = {};
    uint8_t selectedIndex = 0;
    RECT prevPageButton{84, 552, 115, 573};
    RECT nextPageButton{125, 552, 156, 573};
    uint8_t lastPage = 0;
    int8_t currentPage = 0;

    // Flow chart.
    uint8_t chart = 1; // 1..11
    RECT chapterTabs[kCharts];
    uint8_t chapterReached[kChapters] = {};
    uint8_t anyEnding = 0;
    uint8_t endingSlots[kEndingSlots] = {};

    // Takes the page, chart and sketch variant from the script engine (out-of-range values are
    // brought into range) and fills the rectangles.
    CNoteScene();
    CNoteScene(const CNoteScene&) = delete;
    CNoteScene& operator=(const CNoteScene&) = delete;

    bool Dispatch(HWND hwnd);

    void DrawPage(HWND hwnd, uint8_t which);
    void DrawProfilePage(HWND hwnd, uint8_t tab);
    void DrawSketchPage(HWND hwnd, uint8_t n);
    void DrawFlowPage(HWND hwnd, uint8_t f);
    // Loads one page text from the scripts folder; a file that does not open gives an empty text.
    void LoadText(const char* name);
    // Draws the page text onto `surface` from line y: 18-pixel glyphs between x 627 and 972, 27
    // pixels a line, in dark grey.
    void DrawWrappedText(CDIB32* surface, int32_t y);

    // The shown entries of list tab `tab` and the id of entry `index` (0 when none).
    static uint8_t ListCount(uint8_t tab);
    static uint8_t ListId(uint8_t tab, int index);
    // The text level of an id (0: no text), list 1's portrait flag and list 2's stamp.
    static uint8_t TextLevel(uint8_t tab, uint8_t id);
    // The percentage of flow-chart nodes seen in any game (0..100).
    static uint32_t SeenNodePercent();

private:
    void Start(HWND hwnd);
    void FadeIn();
    void Input(HWND hwnd);
    void FadeOut();
    void Leave();
    CDIB32* Snapshot() const;

    // Page 0.
    void TabInput(HWND hwnd);
    void EntryInput(HWND hwnd);
    void PageButtonInput(HWND hwnd);
    void DrawEntryStrip(int position, int column);
    void DrawDetail(HWND hwnd);
    // Page 1.
    void SketchInput(HWND hwnd);
    // Page 2.
    void FlowInput(HWND hwnd);
    void ComputeFlowFlags();
    bool ChartTabLive(int i) const;
    bool MarkerLive(int j) const;
    void DrawChartHighlight(CDIB32* target, int i);
    void DrawPercent(CDIB32* target, uint32_t value, int32_t x, int32_t y);
};
