// Keyboard and mouse state that the window procedure refreshes and the scenes poll each frame.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Ten key flags, 1 while the key is held.
class CKeyboard {
public:
    uint8_t up = 0;    // Up arrow, numeric keypad 8
    uint8_t down = 0;  // Down arrow, numeric keypad 2
    uint8_t left = 0;  // Left arrow, numeric keypad 4
    uint8_t right = 0; // Right arrow, numeric keypad 6
    uint8_t pageUp = 0;
    uint8_t pageDown = 0;
    uint8_t space = 0;
    uint8_t ctrl = 0; // held = skip
    uint8_t f1 = 0;
    uint8_t f2 = 0;

    // Refreshes the flags from the held keys in a fixed order, stopping at the first key found held
    // (the flags after it keep their values). Return sets the mouse's left byte and Escape or keypad 0
    // its right byte (the mouse must exist for those; without it they are skipped). Returns true.
    bool Poll();
};

// The part of the mouse that GetState returns: position in game coordinates and the button bytes.
struct MouseState {
    int32_t x = 0;
    int32_t y = 0;
    uint8_t left = 0;   // left button held, or a click reported by Return or the wheel
    uint8_t right = 0;  // right button held, or Escape or keypad 0
    uint8_t middle = 0; // middle button held
};

class CMouse {
public:
    // 1 after a turn towards the user, 0xFF after a turn away; 0 none. The screen that reads it clears
    // it; a turn still here when the frame leaves its scene is dropped (CGameMain::Frame).
    uint8_t wheel = 0;
    RECT screenRect{};
    RECT destRect{}; // where the 1024x576 picture lies in the client area
    MouseState state;

    // Refreshes the three button bytes from the held buttons.
    void OnButton();
    // Client point to game coordinates through destRect (signed, truncating); points outside the
    // picture give values outside 0..1023 x 0..575. A degenerate rectangle leaves the position alone.
    int OnMove(HWND hwnd, int32_t clientX, int32_t clientY);
    void SetScreenRect(const RECT* rect);
    void SetDestRect(const RECT* rect);
    MouseState* GetState() { return &state; }
};

extern CKeyboard* g_pKeyboard;
extern CMouse* g_pMouse;

// Moves the cursor to client point (x, y) of the window. Returns true.
bool CursorToWindowPoint(HWND hwnd, int32_t x, int32_t y);

// The pointer's picture over the window: the cursor file `name` of the game folder (".cur"), read
// and parsed on its first use and kept from then on; a file that is missing or cannot be read leaves
// the system arrow (and is not read again). The system cursor is changed only when the picture asked
// for changes, so a screen may ask every frame.
void SetFileCursor(HWND hwnd, const char* name);
// The system arrow.
void SetArrowCursor(HWND hwnd);
// True while the picture of a cursor file is the pointer.
bool FileCursorShown();
// Drops the kept cursor files and shows the arrow, so that the next use reads them again (for tests,
// whose game folder changes under a running program).
void ForgetCursorFiles();
// A game coordinate (0..1024, 0..576) in client coordinates of the display's destination rectangle.
int32_t ScaleToScreenX(int32_t x);
int32_t ScaleToScreenY(int32_t y);
