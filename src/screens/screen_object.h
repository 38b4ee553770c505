// What every system screen shares: the timed fade, the button hit test, keyboard and wheel
// selection with the cursor move, the click sound, and the handling of the surface slots.
//
// A screen is a plain class without a base: its first field is its sub-state byte, its Dispatch
// switches on it once per frame, and it lives only while its scene is current (CGameMain makes
// and deletes it). The helpers below are the steps those screens have in common; each screen
// keeps its own values (pictures, rectangles, durations, sub-states, target scenes).
#pragma once

#include <cstdint>

#include "platform/types.h"

class CDIB32;

namespace screens {

// Size of the composed picture in game coordinates.
inline constexpr int32_t kWidth = 1024;
inline constexpr int32_t kHeight = 576;

// Level of a timed fade: elapsed × 255 / duration (truncated), 0 to 255. The product is taken in
// 64 bits so that a screen left standing for hours does not wrap; a duration of 0 gives 255 at
// once.
uint16_t FadeLevel(uint32_t elapsedMs, uint32_t durationMs);

// True while every timed fade must end on its frame: Ctrl is held or the fade-cut option is on
// (the copy in the script engine).
bool FadeCut();

// The start time and elapsed time of a screen's running fade, hold or slide.
struct FadeTimer {
    uint32_t start = 0;   // ms of the millisecond clock when the phase began
    uint32_t elapsed = 0; // ms since then, as of the last Level call

    // The phase begins now.
    void Restart();
    // Updates `elapsed` and returns the phase's level for a duration of `durationMs`.
    uint16_t Level(uint32_t durationMs);
    // True while the phase is still running: its level is below 255 and no fade cut applies.
    // `level` receives the level of this frame.
    bool Running(uint32_t durationMs, uint16_t* level);
};

// Hover pulse of a glowing button: 255 × sin(d) with d = elapsed × 180 / period degrees, capped
// at 180 (so the glow rises and falls once and stays out). A period of 0 gives 0.
uint16_t PulseLevel(uint32_t elapsedMs, uint32_t periodMs);

// The clock of a hover pulse: restarts whenever the hovered button changes to a new button.
struct HoverTimer {
    uint32_t start = 0; // ms when the current button became hovered

    // Call once per frame after the hit test with the previous and the current hovered button.
    void Update(uint8_t previous, uint8_t current);
    // PulseLevel of the time since the button became hovered.
    uint16_t Level(uint32_t periodMs) const;
};

// PtInRect: left and top inclusive, right and bottom exclusive.
bool PointInRect(const RECT& rect, POINT point);

// The first of `count` rectangles holding `point`, 1-based; 0 when none does.
uint8_t HitTest(const RECT* rects, int count, POINT point);
// The same for the mouse position; 0 while there is no mouse.
uint8_t HitTestMouse(const RECT* rects, int count);

// One step of keyboard or wheel selection taken from the input bytes (the byte used is cleared):
// Up / numeric-pad 8 first, then Down / numeric-pad 2, then the wheel (255 up, 1 down).
struct SelectionStep {
    int delta = 0;      // -1 previous, +1 next, 0 no step this frame
    bool wheel = false; // the step came from the wheel (the screen then pauses)
};
SelectionStep TakeSelectionStep();

// The button a step selects among `count` buttons (1..count), wrapping at both ends. With nothing
// selected (0) a step back selects the first button and a step forward the last.
uint8_t StepSelection(uint8_t current, uint8_t count, int delta);

// Puts the system cursor on a button: x = left + (right − left) / 2, y = top + 15, mapped from game
// coordinates onto the window, so that the next frame's hit test finds the button.
void MoveCursorToButton(HWND window, const RECT& rect);

// The pause after a wheel step (ms) and after a click that starts a fade.
inline constexpr uint32_t kWheelPauseMs = 200;
inline constexpr uint32_t kClickPauseMs = 100;

// Plays a click sound once on the click channel (sound-effect slot 0) at the sound-effect volume
// of the system data, replacing the previous click. `name` is a file of the sound-effect folder
// ("se\sys_010.ogg" and "sys_010.ogg" are the same file). A file that cannot be opened leaves a
// silent player in the slot; the screen goes on.
void PlayClickSound(const char* name);
// Stops and deletes the player of sound-effect slot `slot` (its fade timer first), if any.
void DeleteSePlayer(int slot);
// Stops and deletes the player of voice slot `slot`, if any.
void DeleteVoicePlayer(int slot);
// Stops and deletes the music player (its fade timer first), if any.
void DeleteBgmPlayer();
// The script engine's record of the music in use (a heap copy of its file name): replaced by a copy
// of `name` (null: cleared), or freed.
void StoreMusicName(const char* name);
void FreeStoredMusicName();

// Surface slots of g_Layers. Each replaces what the slot held (the old handle is deleted) and
// returns the new handle, or null when it could not be made (the slot is then null).
// A blank 1024 × 576 surface, zero-filled.
CDIB32* MakeBlankSlot(int slot, HWND window);
// A blank 1024 × 576 surface filled with `colour` (B, G, R bytes as the pixels are).
CDIB32* MakeFilledSlot(int slot, HWND window, uint32_t colour);
// A bitmap loaded by name; a picture that cannot be read leaves an empty surface in the slot.
CDIB32* LoadSlot(int slot, HWND window, const char* name);
// A 1024 × 576 copy of `source` (the back buffer, another slot); black where the source is
// missing or smaller.
CDIB32* CopyToSlot(int slot, HWND window, CDIB32* source);
// Deletes the handles of slots first..last (inclusive) and nulls them.
void FreeSlots(int first, int last);
// The handle in a slot, or null for a slot number outside the table.
CDIB32* Slot(int slot);

// Composition into the back buffer.
// Cross-dissolve from `source` (level 0) to `target` (level 255) over the whole screen.
void DrawCrossDissolve(CDIB32* target, CDIB32* source, int32_t level);
// Draws a whole 1024 × 576 picture opaquely.
void DrawWhole(CDIB32* picture);

// Writes the scene number into the application object (no-op without one).
void SetScene(uint8_t scene);

// Sets the glyph font back to the message window's: height 22 of the vertical kind for the
// vertical window (`vertical`), else height 24 of kind 0. No-op without a glyph font.
void SetMessageWindowFont(bool vertical);

} // namespace screens
