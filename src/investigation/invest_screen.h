// What the investigation screens (map, command and legwork screens) share: their script names, the
// hit tests, the key and wheel walk over a row of entries with the cursor put on the chosen one, the
// step back, the yes/no dialog's input, and the input bytes they take.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "scene/cursor_glide.h"

class CDIB32;
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

// One frame of the hover over a column of `count` entries (1-based; 0 none): the entry of `rects`
// under the mouse when `enabled(i)` allows it, then moved by this frame's key or wheel step
// (WalkHover), the cursor put on the entry it lands on. With `keysFromPointer` the step starts from
// the entry under the mouse even when it cannot be picked (the legwork's characters), so that a key
// goes to that entry's neighbour.
template <typename Enabled>
uint8_t HoverColumn(const MouseState* mouse, const RECT* rects, int count, Enabled enabled,
                    bool keysFromPointer = false) {
    uint8_t under = 0;
    for (int i = 0; i < count; ++i)
        if (PointIn(mouse, rects[i])) {
            under = static_cast<uint8_t>(i + 1);
            break;
        }
    uint8_t hover = under != 0 && enabled(under) ? under : 0;
    bool wheel = false;
    const int step = TakeWalkStep(&wheel);
    if (step != 0) {
        hover = WalkHover(keysFromPointer ? under : hover, count, step, enabled);
        if (wheel)
            PauseAfterWheel();
        if (hover != 0)
            CursorToCentre(rects[hover - 1]);
    }
    return hover;
}

// Drops the Ctrl byte and both mouse presses, so that nothing of this frame's input reaches the
// script or screen that comes next.
void DropInput();

// Copies the area (x, y, w, h) of layer 0, the picture under the panels, onto the back buffer.
void RestoreArea(int x, int y, int w, int h);

// A step back on a right click: the click `click` (none when null), the panel area (x, y, w, h)
// restored from layer 0, the row hover cleared, the right press taken and the screen's step set to
// `step`.
void StepBack(CScriptMng& engine, MouseState& mouse, int x, int y, int w, int h, uint8_t step,
              const char* click);

// The keyboard mode's cursor glide onto a dialog button (StartGlide, then GlideStep each frame):
// shared with the choice scene, see scene/cursor_glide.h.
using sequence::GlideStep;
using sequence::StartGlide;
// The glide's frame while a dialog opens in the keyboard mode; once the cursor stands on the button
// the dialog's input starts afresh (m_stepTime `now`, the left press dropped) and the result is true.
bool DialogGlideStep(CScriptMng& engine, uint32_t now);

// The yes/no dialog of the command, legwork and search screens: its box (x, y, w, h) at rest, its
// buttons' size, and the length of its fades.
inline constexpr int kBoxX = 314;
inline constexpr int kBoxY = 223;
inline constexpr int kBoxW = 396;
inline constexpr int kBoxH = 134;
inline constexpr int kButtonW = 105;
inline constexpr int kButtonH = 45;
inline constexpr uint32_t kDialogMs = 300;
// The dialog sheet's button looks: hovered at (105 × b, 134), pressed at (105 × b, 179), b 0 for yes
// and 1 for no.
inline constexpr int kHoveredLookY = 134;
inline constexpr int kPressedLookY = 179;

// The hover of a yes/no dialog's two buttons into m_hoverFlag (1 yes, 2 no, 0 none), the last
// frame's into m_prevHoverFlag. True when it changed (the dialog is redrawn then).
bool DialogHover(CScriptMng& engine, const MouseState* mouse, const RECT (&buttons)[2]);
// The dialog's answer in this frame: a left click on a hovered button keeps that button in
// m_hoverFlag ("sys_a002.ogg"), a right click answers no (m_hoverFlag 2) with the click
// `rightClick`. Either takes the mouse presses and starts m_stepTime at `now`. False while
// unanswered (always without a mouse).
bool DialogAnswered(CScriptMng& engine, MouseState* mouse, uint32_t now, const char* rightClick);

// The chosen button (`answer` 1 yes, else no) pressed while its dialog fades out, `elapsed` ms into
// the fade: the pressed look of `sheet` at the button's place `drop` pixels lower, at an opacity that
// rises and falls once over the fade, trunc(sin(elapsed × 180 / 300°) × 255).
void DrawPressedButton(CDIB32* sheet, const RECT (&buttons)[2], uint8_t answer, int32_t drop,
                       uint32_t elapsed);

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
