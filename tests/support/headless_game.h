// Runs the game without a display: a temporary game folder, the headless backend, a fake clock, and
// helpers to post input, step frames and read what the game presented and wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/win_main.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "support/scratch_folder.h"

namespace testing_support {

class HeadlessGame {
public:
    // Makes an empty game folder and a guard folder of its own and installs the backend and the clock.
    // Nothing runs yet.
    HeadlessGame();
    // Ends a running game (its teardown runs), then restores the game folder and removes the game and
    // guard folders.
    ~HeadlessGame();
    HeadlessGame(const HeadlessGame&) = delete;
    HeadlessGame& operator=(const HeadlessGame&) = delete;

    plat::HeadlessBackend& backend() { return backend_; }
    FakeClock& clock() { return clock_; }
    const std::string& folder() const { return folder_; }
    // The single-instance name this game uses (unique per harness).
    const std::string& instanceName() const { return options_.instanceName; }
    // The private folder of this game's single-instance guard (a temporary one, never the user's).
    const std::string& guardFolder() const { return options_.guardFolder; }

    // The start-up: guard, settings, dialog (answered from backend().dialogAnswers), window.
    StartupResult Start();
    bool Running() const { return running_; }
    // The exit code once the quit message was taken.
    int ExitCode() const { return exitCode_; }
    HWND Window() const;

    // Dispatches every waiting message (paints included) without running a frame. False once the
    // game has ended.
    bool DrainMessages();
    // Runs `n` frames, dispatching the messages that wait before each. False once the game has ended.
    bool StepFrames(int n);

    // Input, queued for the window and taken before the next frame.
    void PostKey(plat::Key key, bool down, bool alt = false);
    void PressKey(plat::Key key); // down, then up
    void MoveMouse(int x, int y);
    void Click(int x, int y, plat::MouseButton button = plat::MouseButton::Left);
    void Wheel(int steps);
    // The close box: the quit question is asked (answer it through backend().boxAnswers).
    void Close();

    // Files of the game folder (relative game paths with '/' or '\').
    bool Exists(const std::string& path) const;
    std::vector<uint8_t> ReadFile(const std::string& path) const;
    void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) const;

    // The last presented picture.
    const plat::HeadlessBackend::Capture& Picture() const { return backend_.capture; }

private:
    std::string RealPath(const std::string& path) const;

    ScratchGameFolder gameFolder_;
    ScratchFolder guardFolder_;
    std::string folder_;
    ScopedFakeClock clockGuard_;
    FakeClock& clock_;
    plat::HeadlessBackend backend_;
    EntryOptions options_;
    bool running_ = false;
    int exitCode_ = 0;
};

} // namespace testing_support
