#include "platform/termination.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace plat {
namespace {

// Written by signal handlers: lock-free atomics only.
std::atomic<int> g_cause{static_cast<int>(TerminationCause::None)};
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnSignal(int sig) {
    int previous = static_cast<int>(TerminationCause::None);
    if (!g_cause.compare_exchange_strong(previous, static_cast<int>(TerminationCause::Signal)) &&
        previous == static_cast<int>(TerminationCause::Signal)) {
        // Asked again while the first request is served (or hangs): end now, as the signal would.
        signal(sig, SIG_DFL);
        raise(sig);
        _exit(128 + sig);
    }
    // A signal after the display was lost (a logout does both) joins that request.
    g_signal.store(sig);
}

} // namespace

void InstallTerminationHandlers() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

void RequestTermination(TerminationCause cause) {
    int none = static_cast<int>(TerminationCause::None);
    g_cause.compare_exchange_strong(none, static_cast<int>(cause));
}

TerminationCause TerminationRequested() {
    return static_cast<TerminationCause>(g_cause.load());
}

int TerminationSignal() {
    return g_signal.load();
}

void ArmTerminationWatchdog(unsigned seconds) {
    signal(SIGALRM, SIG_DFL);
    alarm(seconds);
}

void ClearTerminationRequest() {
    g_cause.store(static_cast<int>(TerminationCause::None));
    g_signal.store(0);
}

} // namespace plat
