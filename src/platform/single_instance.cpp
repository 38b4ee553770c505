#include "platform/single_instance.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace plat {
namespace {

constexpr char kRaiseRequest[] = "RAISE\n";

// The abstract address: a NUL, then the name; its length counts only the bytes used, or trailing
// NULs would become part of the name.
socklen_t MakeAddress(const std::string& name, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    std::string full = name + "-" + std::to_string(static_cast<unsigned long>(getuid()));
    size_t len = std::min(full.size(), sizeof addr.sun_path - 1);
    std::memcpy(addr.sun_path + 1, full.data(), len);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + len);
}

} // namespace

SingleInstance::~SingleInstance() {
    Release();
}

bool SingleInstance::Acquire(const std::string& name) {
    Release();
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        std::fprintf(stderr, "kestrel: no single-instance guard: %s\n", std::strerror(errno));
        return true;
    }
    sockaddr_un addr;
    socklen_t len = MakeAddress(name, addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
        int err = errno;
        close(fd);
        if (err == EADDRINUSE)
            return false;
        std::fprintf(stderr, "kestrel: no single-instance guard: %s\n", std::strerror(err));
        return true;
    }
    if (listen(fd, 4) != 0) {
        close(fd);
        return true;
    }
    fd_ = fd;
    return true;
}

bool SingleInstance::AskHolderToRaise(const std::string& name) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un addr;
    socklen_t len = MakeAddress(name, addr);
    bool asked = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0) {
        ssize_t n = send(fd, kRaiseRequest, sizeof kRaiseRequest - 1, MSG_NOSIGNAL);
        asked = n == static_cast<ssize_t>(sizeof kRaiseRequest - 1);
    }
    close(fd);
    return asked;
}

bool SingleInstance::TakeRaiseRequest() {
    if (fd_ < 0)
        return false;
    bool requested = false;
    for (int i = 0; i < 16; ++i) { // bounded: a flood of starts cannot stall a frame
        int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            break;
        // The request is a short line; wait briefly for it so a slow sender is still heard.
        pollfd p{client, POLLIN, 0};
        char buf[16];
        if (poll(&p, 1, 50) > 0) {
            ssize_t n = recv(client, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0 && std::memcmp(buf, kRaiseRequest, std::min<size_t>(n, 5)) == 0)
                requested = true;
        }
        close(client);
    }
    return requested;
}

void SingleInstance::Release() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

} // namespace plat
