// Requests to end the game that come from outside its window: SIGTERM, SIGINT and SIGHUP (a logout),
// and the loss of the display's connection. The game takes them as a close that was answered with OK:
// the window is destroyed, the system data saved and the runtime torn down in its order.
//
// A request is only noted (a signal handler does nothing more); the message loop and the modal loops
// of the boxes and dialogs look at it. A second signal while the first is being served ends the
// process at once: every file is written through a temporary file, so nothing stored is harmed.
#pragma once

namespace plat {

enum class TerminationCause : int { None, Signal, DisplayLost };

// Installs the handlers of SIGTERM, SIGINT and SIGHUP (once; later calls do nothing).
void InstallTerminationHandlers();

// Notes a request (the display backend calls it when its connection breaks).
void RequestTermination(TerminationCause cause);

// The first request noted since the start (or the last Clear), or None.
TerminationCause TerminationRequested();
// The number of the signal that asked, 0 when none did.
int TerminationSignal();

// Ends the process (by SIGALRM) unless it has ended `seconds` from now: the game's own ending, once
// requested from outside, may not hang (a sound thread that never answers, a server that never
// replies). The save comes first in that ending, so what it wrote stays. 0 disarms it.
void ArmTerminationWatchdog(unsigned seconds);

// Forgets the request (tests).
void ClearTerminationRequest();

} // namespace plat
