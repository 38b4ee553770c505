#include "app/display.h"

#include "app/user_sys_data.h"
#include "platform/window.h"

CDisplay* g_pDisplay = nullptr;

RECT FullScreenDestRect(uint32_t w, uint32_t h, bool stretch) {
    if (w == 0 || h == 0)
        return RECT{0, 0, 0, 0};
    if (stretch)
        return RECT{0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)};
    uint64_t q = uint64_t{h} * 1024 / w;
    if (q > 576) { // proportionally taller than 16:9: bars above and below
        uint32_t s = static_cast<uint32_t>(uint64_t{w} * 576 / 1024);
        int32_t t = static_cast<int32_t>((h - s) / 2);
        return RECT{0, t, static_cast<int32_t>(w), static_cast<int32_t>(h) - t};
    }
    uint32_t s = static_cast<uint32_t>(uint64_t{h} * 1024 / 576);
    int32_t l = static_cast<int32_t>((w - s) / 2);
    return RECT{l, 0, static_cast<int32_t>(w) - l, static_cast<int32_t>(h)};
}

int CDisplay::ToggleScreenMode(HWND hwnd) {
    switching = 1;
    int result = 1;
    if (!fullScreen) {
        int w = 0, h = 0;
        plat::GetDesktopSize(w, h);
        if (w > 0 && h > 0 && plat::SetFullScreen(hwnd, true)) {
            modeWidth = static_cast<uint32_t>(w);
            modeHeight = static_cast<uint32_t>(h);
            screenRect = RECT{0, 0, w, h};
            destRect = FullScreenDestRect(modeWidth, modeHeight, g_UserSysData.stretchFullScreen == 1);
            fullScreen = 1;
        } else {
            result = 0;
        }
    } else {
        plat::SetFullScreen(hwnd, false);
        screenRect = destRect = RECT{0, 0, 1024, 576};
        fullScreen = 0;
    }
    switching = 0;
    return result;
}
