// The SDL backend: real windows, SDL message boxes and the dialogs drawn in a window of their own.
#pragma once

#include <memory>

#include "platform/window.h"

namespace plat {

// Initialises SDL's video; nullptr (reported on stderr) when no display can be used.
std::unique_ptr<Backend> CreateSdlBackend();

} // namespace plat
