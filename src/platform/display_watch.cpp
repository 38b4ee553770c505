#include "platform/display_watch.h"

// Before the X headers: they define None as a macro.
#include "platform/termination.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>
#include <cstdio>

namespace plat {
namespace {

std::atomic<bool> g_lost{false};

#if defined(SDL_VIDEO_DRIVER_X11)
Display* g_watched = nullptr;

int OnConnectionBroken(Display*) {
    static bool said = false;
    if (!said) {
        said = true;
        std::fprintf(stderr, "kestrel: the connection to the display was lost; the game ends\n");
    }
    g_lost.store(true);
    RequestTermination(TerminationCause::DisplayLost);
    return 0;
}

// A protocol error: Xlib's default ends the process (running the static destructors, where a sound
// thread may hang); one is reported and the game goes on. The loss of the connection makes some
// libraries report errors of their own: those are not worth a word.
int OnProtocolError(Display* display, XErrorEvent* error) {
    if (g_lost.load())
        return 0;
    char text[128] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "kestrel: X error: %s (request %d.%d)\n", text, error->request_code,
                 error->minor_code);
    return 0;
}

// Xlib's last step after a break, which by default ends the process; returning keeps it running.
void KeepRunning(Display*, void*) {
    g_lost.store(true);
    RequestTermination(TerminationCause::DisplayLost);
}
#endif

} // namespace

bool DisplayConnectionLost() {
    return g_lost.load();
}

void WatchDisplayErrors() {
#if defined(SDL_VIDEO_DRIVER_X11)
    XSetIOErrorHandler(OnConnectionBroken);
    XSetErrorHandler(OnProtocolError);
#endif
}

void WatchDisplayConnection(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    Display* display = info.info.x11.display;
    if (!display || display == g_watched)
        return;
    g_watched = display;
    WatchDisplayErrors();
    XSetIOErrorExitHandler(display, KeepRunning, nullptr);
#else
    (void)window;
#endif
}

} // namespace plat
