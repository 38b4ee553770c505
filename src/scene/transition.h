// The pieces of the whole-screen transition (scene 4) that the quake and the flash share and that
// the tests check on their own.
#pragma once

#include <cstdint>
#include <string>

class CDIB32;

namespace kestrel::transition {

// The rule-mask picture a transition kind wipes through: kinds 40 to 59 "bmp\mask01.bmp" to
// "bmp\mask20.bmp", 69 "bmp\mask30.bmp", 70 "bmp\mask31.bmp"; empty for every other kind.
std::string MaskName(uint8_t kind);

// The level 0 to 255 of a transition `elapsed` ms into `duration` ms (both read as signed 32-bit
// values, as the clock difference is): elapsed × 255 / duration, at most 255; 255 for a duration of
// 0, which therefore ends at once.
int32_t Level(uint32_t elapsed, uint32_t duration);

// A new 1024 × 576 surface holding a copy of `src` (black where src is smaller or null).
CDIB32* NewCopy(CDIB32* src);

// Draws the window of the vertical style onto `dst` with per-pixel alpha: the text surface (which
// holds the panel at the window opacity) at (0, 0) and the button bar at (976, 298). Null draws nothing.
void DrawVerticalWindow(CDIB32* dst);

// The application object's screen rectangle becomes the whole picture.
void SetWholeScreenRect();

// One frame on the back buffer: layer 1 brought in over layer 0 by effect `kind` at `level`; kind 80
// adds layer 1 weighted by level / 256 to layer 0. A mask kind without a readable mask cross-fades.
void DrawFrame(uint8_t kind, int32_t level);

} // namespace kestrel::transition
