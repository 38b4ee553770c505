// The process from its first step to its last: the single-instance guard, the "save" folder and the
// start-up settings, the start-up dialog, the main window and the message loop that runs one frame
// whenever no message waits.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/types.h"
#include "platform/window.h"

struct EntryOptions {
    // Name of the single-instance guard (tests use a name of their own).
    std::string instanceName = "kestrelwnd";
    // Folder of the guard's lock and socket; empty for the user's own private folder (tests give a
    // folder of their own, so that they never meet a game running on the same machine).
    std::string guardFolder;
    // Makes the platform backend once the guard is held (a second start needs no display). When
    // empty, the backend already installed is used. A factory that gives nullptr ends the start-up
    // with NoDisplay.
    std::function<std::unique_ptr<plat::Backend>()> makeBackend;
};

// Outcome of the start-up before the loop.
enum class StartupResult { Running, SecondInstance, Cancelled, NoWindow, NoDisplay };

// Steps 1 to 8 of the entry: guard, "save" folder, settings, dialog, settings written, window made.
// Running: the window exists and the loop may run; otherwise the exit code is ExitCodeFor(result).
StartupResult StartGame(const EntryOptions& options);
int ExitCodeFor(StartupResult result);

// What one pass of the message loop did.
enum class PumpResult { Message, Frame, Idle, Quit };
// One pass of the message loop: takes and dispatches one message, or runs one frame when none waits
// (the loop never blocks; Idle when there is no application object to step). Quit once the quit
// message was taken; *exitCode is then its code.
// With `runFrame` false no frame runs: Idle when no message waits (tests drain the queue with it).
PumpResult PumpOnce(int* exitCode, bool runFrame = true);

// The whole entry: StartGame, then the loop until the quit message. Returns the exit code.
int RunGame(const EntryOptions& options);

// The main window, or null.
HWND GameWindow();
