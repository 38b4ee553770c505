// The logo screen of scene 0: two logo pictures shown through white, then the opening movie or,
// when the start-up settings skip it, the title menu.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/screen_object.h"

class CTitleScene {
public:
    // Every fade and hold of the screen lasts this long.
    static constexpr uint32_t kPhaseMs = 2000;

    // Surface slots of g_Layers.
    static constexpr int kSlotPrevious = 0; // the picture on screen when the scene began
    static constexpr int kSlotLogo = 1;     // "system\logo.bmp"
    static constexpr int kSlotWhite = 2;    // white, 1024 × 576
    static constexpr int kSlotLogo2 = 3;    // "system\logo01.bmp"

    uint8_t state = 0; // sub-state: 0 start, 1 first logo, 2 second logo, 4 and 6 leave
    uint8_t step = 0;  // phase within sub-states 1 and 2
    screens::FadeTimer timer;
    uint32_t stamp = 0; // second time stamp, stored with the start time at every phase change

    // Resets the application object's screen rectangle to the whole screen.
    CTitleScene();

    // The per-frame step. Returns true.
    bool Dispatch(HWND hwnd);

private:
    void Start(HWND hwnd);
    void FirstLogo();
    void SecondLogo();
    void Leave();
    void NextPhase();
    // One frame of a cross-dissolve from slot `from` to slot `to`; true when it is over (slot
    // `to` is then on screen).
    bool Dissolve(int from, int to);
    // One frame of a hold of slot `slot`; true when it is over.
    bool Hold(int slot);
};

// The progress level of the application object from the ending flags of the system data: 1 when
// any flag other than 14 and 15 is set, then 2 when flag 14 or 15 is set (both tests run, the
// second wins); with no flag set it keeps its value.
void UpdateProgressLevel();
