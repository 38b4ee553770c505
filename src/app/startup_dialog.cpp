#include "app/startup_dialog.h"

#include <algorithm>
#include <cmath>

#include "app/user_sys_data.h"

int32_t g_StartupDlgResult = 0;

namespace {

uint32_t Bgra(int r, int g, int b) {
    auto c = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
    return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

// A kestrel in flight: a body ellipse and two swept wings, as a filled silhouette test.
bool InBird(double x, double y) {
    double body = (x * x) / 0.09 + (y * y) / 0.0081;
    if (body <= 1.0)
        return true;
    double ax = std::abs(x);
    if (ax > 0.05 && ax < 0.75) {
        double t = (ax - 0.05) / 0.7;
        double top = -0.02 - 0.22 * t;
        double bottom = top + 0.09 * (1.0 - t);
        if (y >= top && y <= bottom)
            return true;
    }
    return x > 0.25 && x < 0.45 && std::abs(y) < 0.03 + (x - 0.25) * 0.25; // tail
}

} // namespace

std::vector<uint32_t> MakeStartupPicture(int width, int height) {
    std::vector<uint32_t> px(static_cast<size_t>(std::max(width, 0)) * std::max(height, 0));
    for (int y = 0; y < height; ++y) {
        double v = height > 1 ? static_cast<double>(y) / (height - 1) : 0.0;
        for (int x = 0; x < width; ++x) {
            // Dusk sky from deep blue to amber, a low sun and the bird against it.
            int r = static_cast<int>(30 + 210 * v);
            int g = static_cast<int>(40 + 110 * v);
            int b = static_cast<int>(110 - 60 * v);
            double sx = (x - width * 0.7) / (height * 0.35), sy = (y - height * 0.8) / (height * 0.35);
            double sun = 1.0 - std::min(1.0, std::sqrt(sx * sx + sy * sy));
            r += static_cast<int>(60 * sun);
            g += static_cast<int>(40 * sun);
            double bx = (x - width * 0.42) / (height * 0.9), by = (y - height * 0.42) / (height * 0.9);
            if (InBird(bx, by))
                r = g = b = 24;
            px[static_cast<size_t>(y) * width + x] = Bgra(r, g, b);
        }
    }
    return px;
}

std::vector<uint32_t> MakeWindowIcon(int size) {
    std::vector<uint32_t> px(static_cast<size_t>(std::max(size, 0)) * std::max(size, 0), 0);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double cx = (x + 0.5) / size - 0.5, cy = (y + 0.5) / size - 0.5;
            double d = std::sqrt(cx * cx + cy * cy);
            if (d > 0.5)
                continue;
            uint32_t c = InBird(cx * 1.3, cy * 1.3) ? Bgra(24, 24, 24) : Bgra(220, 130, 40);
            px[static_cast<size_t>(y) * size + x] = c;
        }
    }
    return px;
}

const plat::DialogTemplate& StartupDialogTemplate() {
    static const plat::DialogTemplate tmpl = [] {
        using plat::ControlKind;
        plat::DialogTemplate t;
        t.font = "宋体";
        t.fontPoints = 9;
        t.width = 316;
        t.height = 182;
        plat::DialogControl picture;
        picture.kind = ControlKind::Picture;
        picture.x = 7;
        picture.y = 9;
        picture.width = 171;
        picture.height = 89;
        picture.imageWidth = 256;
        picture.imageHeight = 134;
        picture.image = MakeStartupPicture(picture.imageWidth, picture.imageHeight);
        auto add = [&t](int id, ControlKind kind, const char* text, int x, int y, int w, int h, bool group) {
            plat::DialogControl c;
            c.id = id;
            c.kind = kind;
            c.text = text;
            c.x = x;
            c.y = y;
            c.width = w;
            c.height = h;
            c.groupStart = group;
            t.controls.push_back(std::move(c));
        };
        t.controls.push_back(std::move(picture));
        add(1, ControlKind::DefPushButton, "确定", 205, 162, 50, 14, false);
        add(2, ControlKind::PushButton, "取消", 259, 162, 50, 14, false);
        add(-1, ControlKind::GroupBox, "全屏设置", 195, 6, 120, 47, false);
        add(kIdStartupLetterbox, ControlKind::RadioButton, "不全屏显示", 203, 20, 104, 10, true);
        add(kIdStartupStretch, ControlKind::RadioButton, "全屏显示", 203, 35, 104, 10, false);
        add(-1, ControlKind::GroupBox, "OP设置", 195, 67, 120, 49, false);
        add(kIdStartupPlayMovie, ControlKind::RadioButton, "播放", 203, 82, 95, 10, true);
        add(kIdStartupSkipMovie, ControlKind::RadioButton, "不播放", 203, 98, 88, 10, false);
        return t;
    }();
    return tmpl;
}

bool StartupDlgProc(plat::Dialog& dialog, plat::DialogMsg msg, int id) {
    if (msg == plat::DialogMsg::InitDialog) {
        dialog.SetCheck(g_UserSysData.stretchFullScreen ? kIdStartupStretch : kIdStartupLetterbox, true);
        dialog.SetCheck(g_UserSysData.skipOpeningMovie ? kIdStartupSkipMovie : kIdStartupPlayMovie, true);
        return true;
    }
    // The bytes change as the buttons are clicked; Cancel leaves them changed in memory, and the
    // program then ends without writing them.
    switch (id) {
        case kIdStartupLetterbox:
            g_UserSysData.stretchFullScreen = 0;
            g_StartupDlgResult = 0;
            break;
        case kIdStartupStretch:
            g_UserSysData.stretchFullScreen = 1;
            g_StartupDlgResult = 1;
            break;
        case kIdStartupPlayMovie:
            g_UserSysData.skipOpeningMovie = 0;
            break;
        case kIdStartupSkipMovie:
            g_UserSysData.skipOpeningMovie = 1;
            break;
        case plat::kIdOk:
            dialog.End(g_StartupDlgResult);
            break;
        case plat::kIdCancel:
            dialog.End(-1);
            break;
        default:
            break;
    }
    return false;
}
