// The single-instance guard: a lock on a file in a folder that only the user can reach, and beside it
// a datagram socket on which a second start asks the holder to raise its window.
//
// The folder is $XDG_RUNTIME_DIR when it is a folder of the user's own with no access for others, else
// "/tmp/kestrel-<uid>", made with mode 0700 and refused when it is not the user's own folder of that
// mode. The lock is a process lock: it is released when the process ends in any way (even a crash) and
// is never inherited by a child; a holder that lets go removes its files. The socket costs the holder
// nothing while no one writes to it.
#pragma once

#include <string>

namespace plat {

class SingleInstance {
public:
    // `folder` holds the lock and the socket; empty for the user's own folder described above.
    explicit SingleInstance(std::string folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock "<name>.lock". False when another process holds it. When the guard cannot be
    // made at all (no usable folder, a file system without locks) the reason goes to stderr and the
    // game runs unguarded: Acquire returns true and Held() stays false.
    bool Acquire(const std::string& name);
    // From a second start: asks the holder of `name` to raise its window. True when the request was
    // delivered to its socket.
    bool AskHolderToRaise(const std::string& name) const;
    // Never blocks: true when at least one raise request arrived since the last call. At most a small
    // number of waiting requests are read per call; the rest wait for the next one.
    bool TakeRaiseRequest();
    // Gives the lock and the socket up.
    void Release();
    bool Held() const { return lockFd_ >= 0; }

    // The user's own folder for the guard, made when missing; empty (the reason on stderr) when
    // there is none that only the user can reach.
    static std::string UserFolder();

private:
    std::string Folder() const;

    std::string folder_;
    std::string lockPath_;
    std::string socketPath_;
    int lockFd_ = -1;
    int socketFd_ = -1;
};

} // namespace plat
