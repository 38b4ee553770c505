// The backlog of scene 6: a page of four earlier messages over the game picture, each with its
// speaker, its text laid out with the message display's tags, hero names and ruby, and a button that
// replays its voice. It scrolls by buttons, keys and the wheel (the window procedure scrolls it).
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/screen_object.h"

class CDIB32;

class CBacklogScene {
public:
    static constexpr int kRows = 4;
    static constexpr int kButtonCount = 9;
    static constexpr uint32_t kFadeInMs = 1000;
    static constexpr uint32_t kFadeOutMs = 500;
    static constexpr int32_t kRowHeight = 150;

    // Surface slots of g_Layers.
    static constexpr int kSlotPage = 10;  // the composed page
    static constexpr int kSlotClean = 11; // the page without text
    static constexpr int kSlotParts = 12; // "system\backlog_p.bmp"
    static constexpr int kSlotBase = 13;  // "system\backlog_base.bmp"

    // Buttons in hit-test order: the voice buttons of rows 0..3, one back, one forward, four back,
    // four forward, return.
    static constexpr RECT kButtonRects[kButtonCount] = {
        {128, 8, 162, 36},    {128, 158, 162, 186}, {128, 308, 162, 336},
        {128, 458, 162, 486}, {965, 376, 989, 398}, {965, 420, 989, 442},
        {965, 321, 989, 351}, {965, 467, 989, 497}, {948, 524, 1014, 566}};
    // Hover pictures of buttons 5..9 in the parts bitmap (left, top, width, height) and where
    // they are drawn.
    static constexpr RECT kHoverSources[5] = {
        {0, 58, 50, 52}, {0, 110, 50, 52}, {0, 0, 50, 58}, {0, 162, 50, 58}, {50, 0, 66, 42}};
    static constexpr POINT kHoverPoints[5] = {{952, 361}, {952, 404}, {952, 306}, {952, 453}, {948, 524}};

    int32_t position = 0;    // entry shown in the top row
    int32_t maxPosition = 0; // count - 5: the largest position (negative below five entries)
    int32_t buttonCount = 0; // entries that may be shown (count - 1), for the scroll buttons
    int32_t lineCount = 0;   // the same, for the wheel (it scrolls only above 4)
    uint8_t state = 0;       // sub-state: 0 draw, 1 fade-in, 2 input, 3 fade-out, 4 leave
    HWND hWnd = nullptr;
    uint8_t hovered = 0; // 1..9, 0 none
    uint8_t prevHovered = 0;
    screens::FadeTimer timer;
    int16_t rubyStartX = 0;
    int16_t rubyEndX = 0;
    int16_t rubyY = 0;
    uint8_t rubyOpen = 0;
    uint8_t measureOnly = 0; // set while a voice replay runs the entry's tags without drawing

    bool Dispatch(HWND hwnd);

    // The clean page onto `target` (the position is not used).
    void CopyScreen(CDIB32* target, int32_t position);
    // The speakers and texts of the entries position .. position + 3 onto `target`.
    void LayoutLines(CDIB32* target, int32_t position);
    // The voice icon of each shown row whose entry has a voice.
    void DrawLine(HWND hwnd, CDIB32* target, int32_t position);

    // Index into the system data's voice volumes for a voice file name: the first of the first
    // eleven speaker prefixes equal to its first three characters without regard to case, else 11.
    static int SpeakerIndex(const char* voice);

private:
    void Draw(HWND hwnd);
    void FadeIn();
    void Input();
    void FadeOut();
    void Leave();

    // True when entry e is a row of the tables. The page shows rows position to position + 3: from
    // five entries on the position keeps the newest entry off the page; with fewer the page shows
    // rows 0 to 3, the newest entry and whatever the rows beyond the count hold.
    bool Shown(int32_t entry) const;
    void Redraw(CDIB32* target);
    void ReplayVoice(int32_t entry);
    void LayoutText(CDIB32* target, const char* text, int32_t row);
    uint32_t SkipTextTag(const char* text, uint32_t length, uint32_t i);
    uint32_t DrawRubyReading(CDIB32* target, const char* text, uint32_t length, uint32_t i);
};
