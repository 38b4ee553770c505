#include "platform/single_instance.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace plat {
namespace {

constexpr char kRaiseRequest[] = "RAISE\n";
// Requests read per TakeRaiseRequest: a flood of datagrams cannot hold a frame up.
constexpr int kRequestsPerCall = 16;

// A record lock belongs to the process, so a second guard of the same process would not conflict
// with the first, and closing its descriptor would drop the first's lock: the lock files this
// process holds are kept here and a second Acquire of one of them is refused without opening it.
// Never destroyed: a guard may be released from a static destructor after this file's statics are gone.
std::mutex& g_heldMutex = *new std::mutex;
std::set<std::string>& g_heldLocks = *new std::set<std::string>;

// A folder of the user's own that no one else may enter, list or write.
bool IsPrivateFolder(const std::string& path, bool followLink) {
    struct stat st;
    int rc = followLink ? stat(path.c_str(), &st) : lstat(path.c_str(), &st);
    return rc == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

bool MakeAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

void Report(const char* what, const std::string& path, int err) {
    std::fprintf(stderr, "kestrel: single-instance guard: %s %s: %s\n", what, path.c_str(),
                 std::strerror(err));
}

} // namespace

SingleInstance::SingleInstance(std::string folder) : folder_(std::move(folder)) {}

SingleInstance::~SingleInstance() {
    Release();
}

std::string SingleInstance::UserFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && IsPrivateFolder(runtime, true))
        return runtime;
    std::string fallback = "/tmp/kestrel-" + std::to_string(static_cast<unsigned long>(getuid()));
    if (mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) {
        Report("cannot make", fallback, errno);
        return {};
    }
    struct stat st;
    if (lstat(fallback.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
        (st.st_mode & 077) != 0)
        chmod(fallback.c_str(), 0700); // our own folder, made wider by hand: close it again
    if (!IsPrivateFolder(fallback, false)) {
        std::fprintf(stderr,
                     "kestrel: single-instance guard: %s is not a folder of this user's alone; "
                     "the game runs unguarded\n",
                     fallback.c_str());
        return {};
    }
    return fallback;
}

std::string SingleInstance::Folder() const {
    return folder_.empty() ? UserFolder() : folder_;
}

bool SingleInstance::Acquire(const std::string& name) {
    Release();
    std::string folder = Folder();
    if (folder.empty())
        return true;
    std::string lockPath = folder + "/" + name + ".lock";
    std::lock_guard<std::mutex> lock(g_heldMutex);
    if (g_heldLocks.count(lockPath))
        return false;
    // A holder removes its lock file as it lets go; a file taken from under us that way is not the
    // lock any more, so the lock counts only while the path still names the locked file.
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            Report("cannot open", lockPath, errno);
            return true;
        }
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        if (fcntl(fd, F_SETLK, &fl) != 0) {
            int err = errno;
            close(fd);
            if (err == EACCES || err == EAGAIN)
                return false;
            Report("cannot lock", lockPath, err);
            return true;
        }
        struct stat locked, named;
        if (fstat(fd, &locked) != 0 || stat(lockPath.c_str(), &named) != 0 || locked.st_ino != named.st_ino ||
            locked.st_dev != named.st_dev) {
            close(fd);
            fd = -1;
            if (attempt == 8)
                return false; // another start keeps winning the race: it holds the guard
        }
    }
    lockFd_ = fd;
    lockPath_ = lockPath;
    g_heldLocks.insert(lockPath);
    // The socket of a holder that ended without cleaning up is in the way of ours.
    std::string socketPath = folder + "/" + name + ".sock";
    unlink(socketPath.c_str());
    sockaddr_un addr;
    int s = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s >= 0 && MakeAddress(socketPath, addr) &&
        bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        socketFd_ = s;
        socketPath_ = socketPath;
    } else {
        Report("no raise requests through", socketPath, errno);
        if (s >= 0)
            close(s);
    }
    return true;
}

bool SingleInstance::AskHolderToRaise(const std::string& name) const {
    std::string folder = Folder();
    sockaddr_un addr;
    if (folder.empty() || !MakeAddress(folder + "/" + name + ".sock", addr))
        return false;
    int s = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    ssize_t n = sendto(s, kRaiseRequest, sizeof kRaiseRequest - 1, MSG_NOSIGNAL,
                       reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    close(s);
    return n == static_cast<ssize_t>(sizeof kRaiseRequest - 1);
}

bool SingleInstance::TakeRaiseRequest() {
    if (socketFd_ < 0)
        return false;
    bool requested = false;
    char buf[16];
    for (int i = 0; i < kRequestsPerCall; ++i) {
        ssize_t n = recv(socketFd_, buf, sizeof buf, MSG_DONTWAIT);
        if (n < 0)
            break;
        if (static_cast<size_t>(n) >= sizeof kRaiseRequest - 1 &&
            std::memcmp(buf, kRaiseRequest, sizeof kRaiseRequest - 1) == 0)
            requested = true;
    }
    return requested;
}

void SingleInstance::Release() {
    if (socketFd_ >= 0) {
        close(socketFd_);
        unlink(socketPath_.c_str());
        socketFd_ = -1;
        socketPath_.clear();
    }
    if (lockFd_ >= 0) {
        {
            std::lock_guard<std::mutex> lock(g_heldMutex);
            g_heldLocks.erase(lockPath_);
        }
        unlink(lockPath_.c_str()); // while still locked, so no one holds a file that is gone
        close(lockFd_);
        lockFd_ = -1;
        lockPath_.clear();
    }
}

} // namespace plat
