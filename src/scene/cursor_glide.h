// The keyboard mode's cursor glide onto a button of an interactive screen (the choice panels, the
// dialogs of the investigation screens): the cursor moves from where the mouse is to the centre of
// the button in 150 ms, slow at first and quicker as it arrives (a quarter cosine). The two ends are
// kept in the engine in window pixels; the start time in m_stepTime.
#pragma once

#include <cstdint>

#include "platform/types.h"

class CScriptMng;

namespace kestrel::sequence {

// Starts the glide onto the centre of the game rectangle `r` at `now` (ms). Without a mouse the
// glide starts on its target.
void StartGlide(CScriptMng& engine, const RECT& r, uint32_t now);
// One frame of the glide; true once the cursor stands on the target (at once while Ctrl is held).
bool GlideStep(CScriptMng& engine, uint32_t now);

} // namespace kestrel::sequence
