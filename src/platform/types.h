// Small value types shared by the engine and its platform layer.
#pragma once

#include <cstdint>

// The main window, as the game's code passes it around; the platform layer owns what it points to.
struct PlatformWindow;
using HWND = PlatformWindow*;
// The program instance; nothing here reads it, it is passed along where the game's objects take it.
using HINSTANCE = void*;

// Rectangle with exclusive right and bottom edges.
struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct POINT {
    int32_t x = 0;
    int32_t y = 0;
};

// Width and height (a stretched blit's destination size).
struct SIZE {
    int32_t cx = 0;
    int32_t cy = 0;
};

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator==(const POINT& a, const POINT& b) {
    return a.x == b.x && a.y == b.y;
}
