// What the scripted full-screen sequences share (the eye screen and eye sequence, the announcement
// screen, the picture sequence): they build their pictures in the layer slots of g_Layers, show them
// on the 1024 × 576 back buffer and poll the same input bytes.
//
// Every copy here is cut to both surfaces, so that a picture smaller than the screen (or a missing
// one, which loads as an empty surface) draws what it has and leaves the rest as it was.
#pragma once

#include <cstdint>

class CDIB32;
class CScriptMng;

namespace kestrel::sequence {

inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kBlack = 0x000000;

// A new 1024 × 576 surface filled with `colour` (a pixel word).
CDIB32* NewFilled(uint32_t colour);
// A new surface holding the bitmap `name` ("folder\file.bmp"); an empty surface, never null, when the
// picture cannot be read.
CDIB32* NewPicture(const char* name);
// A new 1024 × 576 surface holding a copy of the back buffer.
CDIB32* NewScreenCopy();

// Puts `surface` (may be null) into layer slot `index` (0 to 63), deleting what the slot held.
void SetLayer(int index, CDIB32* surface);
// Deletes and nulls layer slots first to last.
void DeleteLayers(int first, int last);

// Copies the whole of `src` onto `dst` at (0, 0).
void CopyWhole(CDIB32* dst, CDIB32* src);
// Copies the whole of `src` onto the back buffer.
void Show(CDIB32* src);
// Screen effect 0 over the whole back buffer: `pic` laid over `old` at `level` (0 draws nothing).
void CrossFade(CDIB32* pic, CDIB32* old, int32_t level);

// elapsed × scale / duration, truncated, with 64-bit intermediates; `scale` when the duration is 0,
// so that a phase of no length ends at once.
uint32_t Level(uint32_t elapsed, uint32_t scale, uint32_t duration);
// min(limit, value).
uint32_t AtMost(uint32_t value, uint32_t limit);

// The input bytes of this frame: Ctrl of the keyboard, the left and right button bytes of the mouse
// (false without the input object).
bool CtrlHeld();
bool LeftButton();
bool RightButton();
// Clears the Ctrl byte and the given mouse button bytes.
void ClearCtrl();
void ClearLeftButton();
void ClearRightButton();

// The interpreter goes on: the sub-state back to 0 and scene 2.
void ReturnToScript(CScriptMng& engine);

} // namespace kestrel::sequence
