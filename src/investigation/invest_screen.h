// What the investigation screens (map, command and legwork screens) share: their script names, the
// hit tests, the key and wheel walk over a row of entries with the cursor put on the chosen one, and
// the input bytes they take.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "scene/cursor_glide.h"

class CScriptMng;
struct MouseState;

namespace kestrel::invest {

// Script names are built in a 256-byte buffer, as the game's scripts expect.
inline constexpr int kScriptNameSize = 256;

// Loads the script named by `format` with the two numbers (printf style). A name that does not fit
// the buffer is refused with the missing-script message, like a script that is not found. True when
// the script is loaded.
bool LoadScriptNamed(CScriptMng& engine, const char* format, int a, int b = 0);

// True when the mouse lies in `r` (left and top inside, right and bottom outside).
bool PointIn(const MouseState* mouse, const RECT& r);

// One step of the key or wheel walk of this frame: -1 for Up or a wheel step away from the player,
// +1 for Down or a wheel step towards the player, 0 none. The key and wheel bytes are cleared; after
// a wheel step the screen pauses 100 ms (`wheel` tells the caller so that it may pause later).
int TakeWalkStep(bool* wheel);
// The pause that follows a wheel step.
void PauseAfterWheel();

// The entry (1..count) that a walk step moves `hover` (0 none) to, passing over entries for which
// `enabled(i)` is false and wrapping. From none, Up takes the first enabled entry and Down the last
// one. The walk goes at most one lap: with no enabled entry the result is 0.
template <typename Enabled>
uint8_t WalkHover(uint8_t hover, int count, int step, Enabled enabled) {
    if (count <= 0 || step == 0)
        return hover;
    int at = hover;
    int dir = step < 0 ? -1 : 1;
    if (at < 1 || at > count) {
        // Start just outside the end the step selects and search inwards.
        at = step < 0 ? 0 : count + 1;
        dir = -dir;
    }
    for (int n = 0; n < count; ++n) {
        at += dir;
        if (at < 1)
            at = count;
        if (at > count)
            at = 1;
        if (enabled(at))
            return static_cast<uint8_t>(at);
    }
    return 0;
}

// Puts the cursor on the centre of the game rectangle `r`, scaled to the display.
void CursorToCentre(const RECT& r);

// The keyboard mode's cursor glide onto a dialog button (StartGlide, then GlideStep each frame):
// shared with the choice scene, see scene/cursor_glide.h.
using sequence::GlideStep;
using sequence::StartGlide;

// Plays a click of the interface ("sys_a002.ogg" a choice, "sys_g004.ogg" a step back,
// "sys_f003.ogg" a tab).
void Click(const char* name);

// The message window strip below the panels: restored from layer 0 from y 430 and drawn again.
void RedrawWindowStrip();

// The message window's button bar, served every frame while the panels are up: the strip redrawn,
// the right click of the bar when `rightClick` (nothing of the screen is hovered), then the bar's
// hover, press and action. False when a bar button left for another screen (scene `own` no longer
// current): the screen's step must not run then.
bool ServeWindowBar(CScriptMng& engine, bool rightClick, uint8_t own);

// The hide option: the screen is kept, only the picture of layer 0 shows, and the window is hidden.
void HidePanels(CScriptMng& engine);
// While the panels are hidden: the first click or Space brings the kept screen back. True while
// they are (or were until this frame) hidden: nothing else of the screen runs then.
bool HiddenPanelsStep(CScriptMng& engine);

} // namespace kestrel::invest
