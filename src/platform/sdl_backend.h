// The SDL backend: real windows, and the message boxes and dialogs drawn in windows of their own.
#pragma once

#include <memory>

#include "platform/window.h"

namespace plat {

// Our key for an SDL scancode (Key::Other for the keys the game never asks for).
Key MapSdlScancode(int sdlScancode);

// Initialises SDL's video; nullptr (reported on stderr) when no display can be used.
std::unique_ptr<Backend> CreateSdlBackend();

} // namespace plat
