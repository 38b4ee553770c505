// Window and full-screen display: where the 1024x576 picture lies on the window or the screen.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/types.h"

// Full screen uses the desktop's own size (no mode change): the picture is letterboxed into the
// largest rectangle of its proportions centred on the screen, or stretched over the whole screen.
class CDisplay {
public:
    uint32_t modeBitsPerPixel = 32;
    uint32_t modeWidth = 1024; // the full-screen size in use (the desktop's)
    uint32_t modeHeight = 768;
    RECT screenRect{0, 0, 1024, 576}; // client area in a window; the whole screen in full screen
    RECT destRect{0, 0, 1024, 576};   // where the picture is drawn, client coordinates
    RECT sourceRect{0, 0, 1024, 576}; // the part of the picture shown: always all of it
    uint8_t fullScreen = 0;           // 1 while in full screen
    uint8_t switching = 0;            // 1 while a switch runs

    // Switches to the other mode. Returns 1; 0 when the switch failed, and the display then stays as
    // it was (the callers keep the system data's full-screen byte in step with `fullScreen`).
    int ToggleScreenMode(HWND hwnd);
    const RECT* GetScreenRect() const { return &screenRect; }
    const RECT* GetDestRect() const { return &destRect; }
    const RECT* GetSourceRect() const { return &sourceRect; }
};

// The destination rectangle of the 1024x576 picture on a width x height screen: the whole screen
// when `stretch`, else the centred letterbox (integer arithmetic; 1024x768 gives (0,96)-(1024,672)).
RECT FullScreenDestRect(uint32_t width, uint32_t height, bool stretch);

// The picture shown while a screen effect runs: `src` (width x height pixels, pitch in bytes) moved by
// the shake of effect `kind` into `out` (width x height, packed), in game coordinates; the display
// then scales it like any other picture. `offset(axis)` is the engine's signed shake offset, asked
// once with axis 0 for the whole-picture kinds and once per row (axis = row, in order) for the wave
// kinds. Kinds: 0 horizontal; 1 vertical; 2, 3 diagonal (+o, +o) in phase 1, (-o, +o) in phase 2;
// 4, 5 the mirror; 6 each row moved horizontally by its own offset; 7 each row taken from row + its
// offset; 10 unshifted. Pixels with no source are black. Returns false, leaving `out` alone, for a
// kind or phase that paints nothing; such a kind still asks for the offset of axis 0 once, so that a
// shake of it ends after its period.
bool ComposeShakenPicture(const uint32_t* src, int width, int height, int pitch, uint8_t kind, uint32_t phase,
                          const std::function<int16_t(int32_t)>& offset, std::vector<uint32_t>& out);

extern CDisplay* g_pDisplay;
