// The single-instance guard: an abstract local socket named after the game (and the user id). Holding
// its name is the lock; a second start connects to it and asks the first to raise its window. The
// name vanishes with the process, even after a crash.
#pragma once

#include <string>

namespace plat {

class SingleInstance {
public:
    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the name `<name>-<uid>`. False when another process holds it (or the socket cannot be
    // made, reported on stderr; the game then runs unguarded and Acquire returns true).
    bool Acquire(const std::string& name);
    // From a second start: asks the holder of `name` to raise its window. True when it was asked.
    static bool AskHolderToRaise(const std::string& name);
    // Non-blocking: true when another start asked for the window since the last call.
    bool TakeRaiseRequest();
    // Gives the name up.
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace plat
