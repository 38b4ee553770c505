// The display server's connection under SDL's windows. Xlib ends the process when the connection
// breaks (its exit runs the static destructors, which may hang in the sound device's teardown); here
// the break is noted as a request to end the game instead (termination.h), and the process goes on,
// its further calls to the server doing nothing, so that the game ends in its own order. Protocol
// errors, which Xlib would end the process for as well, are reported and the game goes on.
#pragma once

struct SDL_Window;

namespace plat {

// Takes Xlib's error handling over (process-wide; without effect where no X11 video runs). Called before
// SDL's video starts: its X11 driver keeps the handler it finds, calls it from its own, and puts it back
// when it closes its connections, so that an error read only then (one of a request made long before)
// is reported here rather than ending the process with Xlib's default.
void WatchDisplayErrors();

// Watches the connection of `window` (once per connection; other video drivers are left alone).
void WatchDisplayConnection(SDL_Window* window);

// True once the connection broke. From then on no SDL video call may be made: some wait for an answer
// of the server that never comes (a window's destruction waits for its unmapping).
bool DisplayConnectionLost();

} // namespace plat
