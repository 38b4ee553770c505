// The title menu of scene 1: the title picture with five buttons (new game, load, configuration,
// extras, quit). Entering it returns the game state to that of a fresh start, writes the system
// data and starts the title music.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/screen_object.h"

class CTitleMenuScene {
public:
    enum Button : uint8_t {
        kNone = 0,
        kNewGame = 1,
        kLoad = 2,
        kConfig = 3,
        kExtras = 4,
        kQuit = 5,
    };
    static constexpr int kButtonCount = 5;

    static constexpr uint32_t kFadeInMs = 500;
    static constexpr uint32_t kFadeOutLongMs = 3000; // new game and quit
    static constexpr uint32_t kFadeOutMs = 1000;     // the other buttons
    static constexpr uint32_t kMusicFadeMs = 2500;   // new game and quit

    // Surface slots of g_Layers.
    static constexpr int kSlotPrevious = 0; // the picture on screen when the menu began, later black
    static constexpr int kSlotTitle = 1;    // the title background
    static constexpr int kSlotParts = 2;    // the highlight pictures of the buttons
    static constexpr int kSlotTitleCopy = 10;

    uint8_t state = 0; // sub-state: 0 start, 1 fade-in, 2 input, 4 fade-out, 5 act, 10 quitting
    uint8_t step = 0;
    screens::FadeTimer timer;
    uint16_t fadeLevel = 0;
    uint8_t hovered = 0;     // 1..5, 0 none; during the fade-out the button that was clicked
    uint8_t prevHovered = 0; // the previous frame's value
    // The buttons on the title picture, and their highlight pictures in the parts bitmap (left, top,
    // right, bottom): one 24-pixel row each, from the top.
    static constexpr RECT kButtonRects[kButtonCount] = {{259, 491, 334, 515},
                                                        {372, 491, 437, 515},
                                                        {468, 491, 555, 515},
                                                        {586, 491, 692, 515},
                                                        {726, 491, 778, 515}};
    static constexpr RECT kSourceRects[kButtonCount] = {
        {0, 0, 75, 24}, {0, 24, 65, 48}, {0, 48, 87, 72}, {0, 72, 106, 96}, {0, 96, 52, 120}};
    RECT buttons[kButtonCount];
    RECT sources[kButtonCount];

    // Fills the rectangles and resets the application object's screen rectangle.
    CTitleMenuScene();

    // The per-frame step. Returns true.
    bool Dispatch(HWND hwnd);

    // The pictures and music of a progress level (0, 1 or 2).
    static const char* BackgroundFor(uint8_t level);
    static const char* PartsFor(uint8_t level);
    static const char* MusicFor(uint8_t level);

private:
    void Start(HWND hwnd);
    void FadeIn();
    void Input(HWND hwnd);
    void FadeOut();
    void Act(HWND hwnd);
    // Draws the highlight of button `button` (1..5) onto `surface` with per-pixel alpha.
    void DrawHighlight(class CDIB32* surface, uint8_t button);
};

// Returns the game state of the script engine and the application object to that of a fresh
// start: choices, variables, backlog, text lines, picture, character and sprite records, item
// lists, notebook marks, investigation tables, clock, window style and frame, AUTO and SKIP.
void ResetGameStateForTitle();
