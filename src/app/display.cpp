#include "app/display.h"

#include "app/user_sys_data.h"

#include <algorithm>
#include <cstring>

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
        plat::GetDesktopSize(hwnd, w, h);
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

namespace {

const uint32_t* Row(const uint32_t* src, int pitch, int y) {
    return reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(src) +
                                             static_cast<size_t>(y) * pitch);
}

// Copies src row `sy` into out row `dy` moved right by dx (negative: left); uncovered pixels stay as
// they are in out (black).
void CopyRowShifted(const uint32_t* src, int pitch, int width, int sy, uint32_t* out, int dy, int dx) {
    if (dx <= -width || dx >= width)
        return;
    const uint32_t* from = Row(src, pitch, sy);
    uint32_t* to = out + static_cast<size_t>(dy) * width;
    if (dx >= 0)
        std::memcpy(to + dx, from, static_cast<size_t>(width - dx) * 4);
    else
        std::memcpy(to, from - dx, static_cast<size_t>(width + dx) * 4);
}

void MovePicture(const uint32_t* src, int width, int height, int pitch, int dx, int dy, uint32_t* out) {
    for (int y = 0; y < height; ++y) {
        int sy = y - dy;
        if (sy >= 0 && sy < height)
            CopyRowShifted(src, pitch, width, sy, out, y, dx);
    }
}

} // namespace

bool ComposeShakenPicture(const uint32_t* src, int width, int height, int pitch, uint8_t kind, uint32_t phase,
                          const std::function<int16_t(int32_t)>& offset, std::vector<uint32_t>& out) {
    if (!src || width <= 0 || height <= 0 || pitch < width * 4 || !offset)
        return false;
    int dx = 0, dy = 0;
    bool perRow = false;
    switch (kind) {
        case 0:
            dx = offset(0);
            break;
        case 1:
            dy = offset(0);
            break;
        case 2:
        case 3:
        case 4:
        case 5: {
            int o = offset(0);
            if (phase != 1 && phase != 2)
                return false;
            bool rightFirst = kind <= 3; // 2, 3: phase 1 moves right and down; 4, 5 move left and down
            dx = (phase == 1) == rightFirst ? o : -o;
            dy = o;
            break;
        }
        case 6:
        case 7:
            perRow = true;
            break;
        case 10:
            break;
        default:
            // Nothing is copied, but the offset is still asked for: it is what ends the shake after
            // its period.
            offset(0);
            return false;
    }
    out.assign(static_cast<size_t>(width) * height, 0);
    if (!perRow) {
        MovePicture(src, width, height, pitch, dx, dy, out.data());
        return true;
    }
    for (int y = 0; y < height; ++y) {
        int o = offset(y);
        if (kind == 6) {
            CopyRowShifted(src, pitch, width, y, out.data(), y, o);
        } else {
            int sy = y + o; // rows whose source lies outside the picture stay black
            if (sy >= 0 && sy < height)
                CopyRowShifted(src, pitch, width, sy, out.data(), y, 0);
        }
    }
    return true;
}
