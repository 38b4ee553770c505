// The scene replay (scene 14): the story scenes unlocked by the scripts, twelve to a page over two
// pages; choosing one fades to black, stops the music and plays the scene's script, whose end
// comes back here because the extras run with the replay flag of the script engine set.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/extras_frame.h"
#include "screens/screen_object.h"

class CReplayScene {
public:
    static constexpr int kPageCount = 2;
    static constexpr int kPageSizes[kPageCount] = {12, 5};
    static constexpr int kSceneCount = 17;
    static const char* const kScripts[kSceneCount]; // the script played for each scene

    static constexpr int kSlotSample = 4; // thumbnail sheet of the page
    static constexpr int kLastSlot = 6;
    static constexpr uint32_t kStartFadeMs = 500;

    uint8_t state = 0; // 0 init, 1 fade-in, 2 input, 3 fade to black and start, 4 leave, 5 return flash
    screens::extras::GridHover hover;
    screens::FadeTimer timer;
    int8_t page = 0;
    uint8_t chosen = 0; // the slot whose scene starts (1-based)

    // Takes the page from the system data (clamped to the two pages).
    CReplayScene();
    bool Dispatch(HWND hwnd);

private:
    screens::extras::GridPage Grid() const;
    void Init(HWND hwnd);
    void Input(HWND hwnd);
    void StartScene();
};

// Prepares the story engine for a scene played from nothing: sprite records cleared, window style
// and frame 0 with their pictures loaded afresh, the glyph font at 24, and the message state (text
// layout and position, name plate, message step, AUTO, SKIP, hovered bar button, position and
// motion slots) as a fresh game has it.
void ResetMessageSceneForReplay(HWND hwnd);
