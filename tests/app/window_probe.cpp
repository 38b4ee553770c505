// The game's window on a real display with a known picture in the back buffer, for the real-window
// test: reports each display mode it enters and each left click the mouse object sees (in game
// coordinates) on stdout; ends when a file named "quit" appears in the current directory, or after
// two minutes. Built as its own program (app_window_probe); inside the test executable of this folder,
// which takes every source here, it is empty.
#ifdef KESTREL_WINDOW_PROBE
#include <cstdio>
#include <filesystem>

#include "app/display.h"
#include "app/game_main.h"
#include "app/input.h"
#include "app/startup_dialog.h"
#include "app/wnd_proc.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "platform/sdl_backend.h"
#include "platform/window.h"

namespace {

// A dark blue ground with a red square at the top-left corner, a green one at the bottom-right
// corner and a white one in the middle, each 64 pixels wide.
void DrawTestPicture() {
    g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x00204060);
    g_ScreenSurface->FillRect(0, 0, 64, 64, 0x00FF0000);
    g_ScreenSurface->FillRect(960, 512, 64, 64, 0x0000FF00);
    g_ScreenSurface->FillRect(480, 256, 64, 64, 0x00FFFFFF);
}

} // namespace

int main() {
    auto backend = plat::CreateSdlBackend();
    if (!backend)
        return 2;
    plat::SetBackend(backend.get());
    plat::WindowDesc desc;
    desc.title = kGameTitle;
    desc.iconWidth = desc.iconHeight = 32;
    desc.iconPixels = MakeWindowIcon(32);
    HWND hwnd = plat::CreateMainWindow(desc, WndProc);
    if (!hwnd || !g_pGameMain || !g_ScreenSurface) {
        std::printf("no window\n");
        return 3;
    }
    g_pGameMain->scene = 7; // a scene without a step: the picture stays as drawn
    DrawTestPicture();
    plat::InvalidateWindow(hwnd);

    int shownMode = -1;
    RECT shownDest{};
    uint32_t start = timeGetTime();
    bool quitting = false;
    for (;;) {
        plat::Message m;
        bool quit = false;
        while (plat::PeekMessage(m)) {
            if (m.msg == plat::Msg::Quit) {
                quit = true;
                break;
            }
            plat::DispatchMessage(m);
        }
        if (quit || !g_pGameMain)
            break;
        g_pGameMain->Frame();
        if (!g_pDisplay || !g_pMouse)
            continue;
        const RECT& dest = *g_pDisplay->GetDestRect();
        if (g_pDisplay->fullScreen != shownMode || !(dest == shownDest)) {
            shownMode = g_pDisplay->fullScreen;
            shownDest = dest;
            std::printf("display %d %d %d %d %d\n", shownMode, dest.left, dest.top, dest.right, dest.bottom);
            std::fflush(stdout);
        }
        MouseState* state = g_pMouse->GetState();
        if (state->left) {
            std::printf("click %d %d\n", state->x, state->y);
            std::fflush(stdout);
            state->left = 0; // taken, as a scene takes it
        }
        if (!quitting && (std::filesystem::exists("quit") || timeGetTime() - start > 120000)) {
            quitting = true;
            plat::DestroyWindow(hwnd);
        }
    }
    plat::SetBackend(nullptr);
    backend.reset();
    return 0;
}

#endif // KESTREL_WINDOW_PROBE
