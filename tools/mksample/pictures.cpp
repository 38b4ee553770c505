// The sample game's pictures. Places and cell sizes are those at which the engine reads them: the
// title menu's button rectangles, the message window's button bars and indicator, the choice and
// item panels and the clock display.
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"
#include "scene/msg_button_layout.h"
#include "screens/title_menu_scene.h"

namespace kestrel::sample {

namespace {

constexpr int32_t kScreenW = 1024;
constexpr int32_t kScreenH = 576;

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kInk = 0xFF1A1E2Au;
constexpr uint32_t kGold = 0xFFE8C670u;
constexpr uint32_t kPale = 0xFFE6EAF2u;
constexpr uint32_t kGrey = 0xFF8A90A0u;

// ---- Logos -------------------------------------------------------------------------------------

void PaintLogo(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, kScreenW, kScreenH, Argb(255, 16, 24, 42));
    const int32_t w = f.Width("Kestrel", 120);
    c.Text(f, (kScreenW - w) / 2, 190, "Kestrel", 120, kGold);
    c.Fill(312, 330, 400, 3, kGold);
    const int32_t w2 = f.Width("ENGINE", 28);
    c.Text(f, (kScreenW - w2) / 2, 350, "ENGINE", 28, kPale);
}

void PaintLogo01(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, kScreenW, kScreenH, Argb(255, 250, 248, 240));
    const int32_t w = f.Width("样本游戏", 96);
    c.Text(f, (kScreenW - w) / 2, 200, "样本游戏", 96, Argb(255, 40, 60, 110));
    const int32_t w2 = f.Width("a Kestrel sample game", 28);
    c.Text(f, (kScreenW - w2) / 2, 322, "a Kestrel sample game", 28, Argb(255, 110, 110, 120));
}

// ---- Title menu --------------------------------------------------------------------------------

// The labels of the title menu's buttons, drawn in their rectangles on the title picture and in
// their highlight cells of the parts picture.
constexpr std::array<const char*, CTitleMenuScene::kButtonCount> kTitleLabels{"开始游戏", "读取", "设置",
                                                                              "特典", "结束"};
// One height for all five, the largest at which "开始游戏" fits its 75-pixel rectangle.
constexpr int32_t kTitleLabel = 18;
constexpr int kExtras = CTitleMenuScene::kExtras - 1;

struct TitleLook {
    uint32_t sky, ground, band, label, disabled, highlight, highlightLabel;
    const char* subtitle;
};
constexpr TitleLook kTitleLooks[3] = {
    {0xFF27406Eu, 0xFF1B2C4Au, 0xB00A1020u, kPale, kGrey, 0xE0F0E0B0u, kInk, "第一章"},
    {0xFF5A3A6Eu, 0xFF3A2450u, 0xB0140A20u, kPale, kGrey, 0xE0F0E0B0u, kInk, "第二章"},
    {0xFF8A4A2Au, 0xFF5A2E1Au, 0xB0200C04u, kPale, kGrey, 0xE0B0E0F0u, kInk, "终章"},
};

void PaintTitle(Canvas& c, LabelFont& f, int level) {
    const TitleLook& look = kTitleLooks[level];
    c.Fill(0, 0, kScreenW, 400, look.sky);
    c.Fill(0, 400, kScreenW, kScreenH - 400, look.ground);
    // A moon and a skyline.
    c.Disc(820, 110, 48, Argb(255, 240, 236, 210));
    for (int i = 0; i < 12; ++i) {
        const int32_t h = 60 + (i * 37) % 90;
        c.Fill(i * 88, 400 - h, 76, h, Argb(255, 14, 20, 34));
    }
    const int32_t tw = f.Width("样本游戏", 88);
    c.Text(f, (kScreenW - tw) / 2, 120, "样本游戏", 88, kWhite);
    const int32_t sw = f.Width(look.subtitle, 32);
    c.Text(f, (kScreenW - sw) / 2, 230, look.subtitle, 32, kGold);
    c.Fill(0, 480, kScreenW, 46, Argb(255, 10, 14, 26));
    c.Fill(0, 480, kScreenW, 1, kGold);
    c.Fill(0, 525, kScreenW, 1, kGold);
    for (int i = 0; i < CTitleMenuScene::kButtonCount; ++i) {
        const RECT& r = CTitleMenuScene::kButtonRects[i];
        const bool off = level == 0 && i == kExtras;
        c.TextCentred(f, r.left, r.top, r.right - r.left, r.bottom - r.top, kTitleLabels[i], kTitleLabel,
                      off ? look.disabled : look.label, 1);
    }
}

void PaintTitleParts(Canvas& c, LabelFont& f, int level) {
    const TitleLook& look = kTitleLooks[level];
    for (int i = 0; i < CTitleMenuScene::kButtonCount; ++i) {
        const RECT& r = CTitleMenuScene::kSourceRects[i];
        const int32_t w = r.right - r.left, h = r.bottom - r.top;
        // The label colour under the anti-aliased edges, then the plate and the label.
        c.Fill(r.left, r.top, w, h, WithAlpha(look.highlightLabel, 0));
        c.Panel(r.left, r.top, w, h, look.highlight, 1, kGold);
        c.TextCentred(f, r.left, r.top, w, h, kTitleLabels[i], kTitleLabel, look.highlightLabel, 1);
    }
}

// ---- Message window, style 0 and 2 -------------------------------------------------------------

// The labels of the two bars' buttons, in the order of their layout tables. Two characters need a
// cell 30 pixels wide at the labels' height; the narrower cells of the bottom bar take one.
constexpr std::array<const char*, kHorizontalButtonCount> kHorizontalLabels{
    "跳", "自动", "存档", "读档", "设置", "退", "笔", "音", "隐", "历"};
constexpr std::array<const char*, kVerticalButtonCount> kVerticalLabels{
    "跳过", "自动", "存档", "读档", "设置", "退出", "音", "隐", "历"};
constexpr int32_t kWindowTop = 448;
constexpr int32_t kBarX = 976;
constexpr int32_t kBarY = 298;
constexpr int32_t kBarW = kScreenW - kBarX;
constexpr int32_t kBarH = kScreenH - kBarY;
// The AUTO/SKIP indicator cell: 32 × 34 at (270, 0) of the horizontal parts, (324, 0) of the vertical.
constexpr int32_t kIndicatorW = 32;
constexpr int32_t kIndicatorH = 34;
constexpr int32_t kIndicatorX = 270;
constexpr int32_t kIndicatorX2 = 324;

constexpr uint32_t kPanel = 0xB40C1428u;
// A face replaces the window's pixels: more opaque than the window, so that over a white page too the
// pale labels keep a dark ground.
constexpr uint32_t kButtonFace = 0xF0243452u;
constexpr uint32_t kButtonLit = 0xE0E8C670u;

// Every button label of both bars is drawn at this height.
constexpr int32_t kButtonLabel = 12;

// A button's label, centred in the face inside its border.
void ButtonLabel(Canvas& c, LabelFont& f, int32_t x, int32_t y, int32_t w, int32_t h, const char* label,
                 uint32_t colour) {
    c.TextCentred(f, x + 2, y + 3, w - 4, h - 6, label, kButtonLabel, colour, 1);
}

void ButtonNormal(Canvas& c, LabelFont& f, int32_t x, int32_t y, int32_t w, int32_t h, const char* label) {
    c.Panel(x + 1, y + 1, w - 2, h - 2, kButtonFace, 1, 0x90A0B0D0u);
    ButtonLabel(c, f, x, y, w, h, label, kPale);
}

void ButtonLit(Canvas& c, LabelFont& f, int32_t x, int32_t y, int32_t w, int32_t h, const char* label) {
    c.Fill(x, y, w, h, WithAlpha(kInk, 0));
    c.Panel(x + 1, y + 1, w - 2, h - 2, kButtonLit, 1, kWhite);
    ButtonLabel(c, f, x, y, w, h, label, kInk);
}

// A fast-forward mark, shown by AUTO and SKIP while they run. AUTO's drifts from x 775 to 809, over
// the AUTO button of the bottom bar (792), so the mark is two thin chevrons and the rest of the cell
// is clear: the button and its label show through.
void Indicator(Canvas& c, int32_t x, int32_t y) {
    for (const int32_t left : {x + 2, x + 9}) {
        c.Line(left, y + 10, left + 6, y + 17, 2, kGold);
        c.Line(left + 6, y + 17, left, y + 24, 2, kGold);
    }
}

void PaintWindow(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), kPanel);
    c.Fill(0, 0, c.Width(), 2, 0xE0C8B478u);
    c.Fill(0, 2, c.Width(), 1, 0x80000000u);
    for (int i = 0; i < kHorizontalButtonCount; ++i) {
        const MsgButton& b = kHorizontalButtons[i];
        ButtonNormal(c, f, b.x, b.y - kWindowTop, b.sw, b.sh, kHorizontalLabels[i]);
    }
}

void PaintWindowParts(Canvas& c, LabelFont& f) {
    for (int i = 0; i < kHorizontalButtonCount; ++i) {
        const MsgButton& b = kHorizontalButtons[i];
        ButtonLit(c, f, b.sx, b.sy, b.sw, b.sh, kHorizontalLabels[i]);
    }
    Indicator(c, kIndicatorX, 0);
}

// The name plate: the speaker's name is drawn at about (64, 12) of this picture in height 24.
void PaintNamePlate(Canvas& c, uint32_t fill, uint32_t edge, bool doubleEdge) {
    c.Panel(14, 6, 140, 36, fill, 2, edge);
    if (doubleEdge) {
        c.Frame(18, 10, 132, 28, 1, edge);
    }
}

void PaintFrameVariant0(Canvas& c, LabelFont&) {
    PaintNamePlate(c, 0xE0283C64u, 0xFFC8B478u, false);
}

void PaintFrameVariant1(Canvas& c, LabelFont&) {
    PaintNamePlate(c, 0xE0502838u, 0xFFE0C890u, true);
}

// Eight frames of 40 × 40: a page mark that bobs down and back. It keeps to the cell's top 20 rows:
// in the caption band the cell stands at y 552, and only its top 24 rows are on the screen.
void PaintClickWait01(Canvas& c, LabelFont&) {
    constexpr int32_t kBob[8] = {0, 1, 2, 3, 3, 3, 2, 1};
    for (int i = 0; i < 8; ++i) {
        const double x = i * 40;
        const double y = 1 + kBob[i];
        c.Triangle(x + 11, y, x + 29, y, x + 20, y + 11, kGold);
        c.Fill(static_cast<int32_t>(x) + 11, static_cast<int32_t>(y) + 13, 18, 3, WithAlpha(kGold, 200));
    }
}

// Six frames of 28 × 18 for the vertical style: a mark that drops and returns.
void PaintClickWait02(Canvas& c, LabelFont&) {
    constexpr int32_t kDrop[6] = {0, 2, 4, 5, 4, 2};
    for (int i = 0; i < 6; ++i) {
        const double x = i * 28;
        const double y = 2 + kDrop[i];
        c.Triangle(x + 8, y, x + 20, y, x + 14, y + 9, kWhite);
    }
}

// The same strip after an in-page wait: a dot that swells and fades.
void PaintClickWait00(Canvas& c, LabelFont&) {
    constexpr double kSize[6] = {3, 4, 5, 6, 5, 4};
    constexpr uint32_t kAlpha[6] = {255, 230, 200, 170, 200, 230};
    for (int i = 0; i < 6; ++i) {
        c.Disc(i * 28 + 14, 9, kSize[i], WithAlpha(kWhite, kAlpha[i]));
    }
}

// ---- Message window, style 1 -------------------------------------------------------------------

void PaintWindow2(Canvas& c, LabelFont&) {
    c.Fill(0, 0, c.Width(), c.Height(), 0xA0060A14u);
    c.Frame(24, 0, kBarX - 48, c.Height(), 1, 0x80C8B478u);
}

void PaintWindowW2(Canvas& c, LabelFont& f) {
    c.Panel(0, 0, kBarW, kBarH, 0xC0101828u, 1, 0xC0C8B478u);
    for (int i = 0; i < kVerticalButtonCount; ++i) {
        const MsgButton& b = kVerticalButtons[i];
        ButtonNormal(c, f, b.x - kBarX, b.y - kBarY, b.sw, b.sh, kVerticalLabels[i]);
    }
}

void PaintWindowP2(Canvas& c, LabelFont& f) {
    for (int i = 0; i < kVerticalButtonCount; ++i) {
        const MsgButton& b = kVerticalButtons[i];
        ButtonLit(c, f, b.sx, b.sy, b.sw, b.sh, kVerticalLabels[i]);
    }
    Indicator(c, kIndicatorX2, 0);
}

// ---- Choices and items -------------------------------------------------------------------------

// The choice panel, 504 × 67: normal at row 0, hovered at row 67.
void PaintSelectBase(Canvas& c, LabelFont&) {
    c.Panel(0, 0, 504, 67, 0xC0182238u, 2, 0xE0A0A8C0u);
    // Hovered: a dark warm ground. The screen blend that draws it a second time lightens it, and the
    // deep blue of a choice already taken needs it dark; its hue sets it apart from that blue too.
    c.Panel(0, 67, 504, 67, 0xE8221408u, 2, 0xFFE8C670u);
    c.Fill(6, 67 + 6, 492, 1, 0x80FFFFFFu);
}

// The sparkle drawn over a hovered choice: the cell (219, 1, 50 × 72), scaled down by the engine.
void PaintSelectParts(Canvas& c, LabelFont&) {
    constexpr double cx = 219 + 25.0;
    constexpr double cy = 1 + 36.0;
    for (int32_t y = 1; y < 73; ++y) {
        for (int32_t x = 219; x < 269; ++x) {
            const double dx = (x + 0.5 - cx) / 25.0;
            const double dy = (y + 0.5 - cy) / 36.0;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double cross =
                std::max(0.0, 1.0 - std::min(std::fabs(dx), std::fabs(dy)) * 12.0) * (1.0 - d);
            const double glow = std::max(0.0, 1.0 - d);
            const double a = std::min(1.0, glow * glow * 0.8 + cross);
            if (a > 0.0) {
                c.Fill(x, y, 1, 1, WithAlpha(kWhite, static_cast<uint32_t>(std::lround(a * 255.0))));
            }
        }
    }
}

// The item panel (733 × 349, drawn at (146, 89)) with its 24 cells, and the highlight cell
// (114, 350, 114 × 81) drawn 6 pixels up and left of a hovered item.
void PaintItemSelect(Canvas& c, LabelFont& f) {
    c.Panel(0, 0, 733, 349, 0xD80E1424u, 2, 0xFFC8B478u);
    c.Text(f, 12, 1, "物品", 16, kGold);
    for (int i = 0; i < 24; ++i) {
        const int32_t x = 174 + (i % 6) * 115 - 146;
        const int32_t y = 107 + (i / 6) * 84 - 89;
        c.Panel(x, y, 102, 69, 0xC0202C44u, 1, 0xA0707890u);
    }
    c.Fill(114, 350, 114, 81, WithAlpha(kGold, 0));
    c.Fill(114 + 4, 350 + 4, 106, 73, 0x50FFE8A0u);
    c.Frame(114, 350, 114, 81, 4, 0xF0E8C670u);
}

// ---- Clock display -----------------------------------------------------------------------------

// The clock face: the hands turn about (78, 54) of the screen.
constexpr double kClockX = 78;
constexpr double kClockY = 54;

void PaintTimeBase(Canvas& c, LabelFont&) {
    c.Panel(130, 0, 150, 82, 0xB00C1428u, 1, 0xC0C8B478u);
    c.Disc(kClockX, kClockY, 46, 0xE0C8B478u);
    c.Disc(kClockX, kClockY, 43, 0xF0F4F0E4u);
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        const double r0 = i % 3 == 0 ? 33 : 37;
        c.Line(kClockX + std::sin(a) * r0, kClockY - std::cos(a) * r0, kClockX + std::sin(a) * 41,
               kClockY - std::cos(a) * 41, i % 3 == 0 ? 3 : 2, kInk);
    }
    c.Disc(kClockX, kClockY, 3, kInk);
}

// A hand: a square picture that turns about its centre, the hand pointing up from it.
void PaintHand(Canvas& c, double length, double width, uint32_t colour) {
    const double mid = c.Width() / 2.0;
    c.Line(mid, mid + 6, mid, mid - length, width, colour);
}

void PaintTimeLong(Canvas& c, LabelFont&) {
    PaintHand(c, 38, 3, kInk);
}

void PaintTimeShort(Canvas& c, LabelFont&) {
    PaintHand(c, 26, 5, Argb(255, 150, 30, 30));
}

// Date strips: 62 × 28 per row.
constexpr int kDateRows = 8;
void PaintParts2(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), WithAlpha(kPale, 0));
    for (int i = 0; i < kDateRows; ++i) {
        char label[32];
        std::snprintf(label, sizeof label, "第%d日", i + 1);
        c.TextCentred(f, 0, i * 28, 62, 28, label, 20, kPale, 2);
    }
}

// The part-of-day label (62 × 14 at rows 0, 14 and 28) and its picture (78 × 42 at (62, 0), (62, 42)
// and (62, 84)): morning, afternoon and night.
void PaintParts3(Canvas& c, LabelFont& f) {
    constexpr const char* kLabels[3] = {"上午", "下午", "深夜"};
    c.Fill(0, 0, c.Width(), c.Height(), WithAlpha(kPale, 0));
    for (int i = 0; i < 3; ++i) {
        c.TextCentred(f, 0, i * 14, 62, 14, kLabels[i], 12, kPale, 1);
    }
    c.Disc(62 + 39, 21, 14, Argb(255, 250, 210, 80));
    c.Disc(62 + 39, 42 + 21, 14, Argb(255, 240, 140, 60));
    c.Disc(62 + 39, 84 + 21, 14, Argb(255, 230, 230, 200));
    c.Disc(62 + 46, 84 + 16, 12, WithAlpha(kPale, 0));
}

// Information strips: 140 × 32 per row.
constexpr int kInfoRows = 8;
void PaintParts4(Canvas& c, LabelFont& f) {
    constexpr const char* kLabels[kInfoRows] = {"自由行动", "调查中", "询问", "移动中",
                                                "整理线索", "推理",   "休息", "结案"};
    c.Fill(0, 0, c.Width(), c.Height(), WithAlpha(kPale, 0));
    for (int i = 0; i < kInfoRows; ++i) {
        c.TextCentred(f, 0, i * 32, 140, 32, kLabels[i], 20, kPale, 4);
    }
}

// The time gauge: its frame (0, 0, 29 × 247) and the bar (32, 0, 10 × 247), read from the top. The
// frame is drawn at (4, 4) and the bar, 4 pixels a unit, rises from screen row 247: the frame's scale
// beside it has a short tick at the top of every unit and a long one every five, under the name.
void PaintTimerBase(Canvas& c, LabelFont& f) {
    c.Panel(0, 0, 29, 247, 0xB00C1428u, 2, 0xE0C8B478u);
    c.TextCentred(f, 2, 4, 25, 17, "时", 15, kPale, 0);
    c.TextCentred(f, 2, 21, 25, 17, "间", 15, kPale, 0);
    for (int32_t unit = 1; unit <= 50; ++unit)
        c.Fill(15, 243 - 4 * unit, unit % 5 == 0 ? 10 : 4, 1, Argb(255, 200, 200, 210));
    c.Fill(32, 0, 10, 247, Argb(255, 90, 200, 140));
    c.Fill(32, 0, 2, 247, Argb(255, 150, 240, 190));
}

// ---- Backgrounds -------------------------------------------------------------------------------

// A room: wall, floor, a window with the evening outside, a door, a table and a lamp.
void PaintRoom(Canvas& c, LabelFont&) {
    c.Fill(0, 0, kScreenW, 400, Argb(255, 196, 178, 150));
    c.Fill(0, 400, kScreenW, 176, Argb(255, 120, 84, 56));
    c.Fill(0, 396, kScreenW, 6, Argb(255, 90, 62, 40));
    for (int32_t x = 0; x < kScreenW; x += 96) {
        c.Fill(x, 402, 2, 174, Argb(255, 100, 70, 46));
    }
    c.Panel(120, 90, 300, 210, Argb(255, 250, 170, 110), 10, Argb(255, 236, 232, 222));
    c.Fill(265, 90, 10, 210, Argb(255, 236, 232, 222));
    c.Fill(120, 190, 300, 10, Argb(255, 236, 232, 222));
    c.Disc(200, 150, 26, Argb(255, 255, 220, 150));
    c.Panel(700, 130, 170, 270, Argb(255, 140, 96, 60), 6, Argb(255, 96, 64, 40));
    c.Disc(846, 270, 8, Argb(255, 220, 190, 90));
    c.Fill(380, 360, 300, 18, Argb(255, 80, 50, 30));
    c.Fill(400, 378, 16, 110, Argb(255, 80, 50, 30));
    c.Fill(644, 378, 16, 110, Argb(255, 80, 50, 30));
    c.Fill(560, 300, 8, 60, Argb(255, 60, 60, 60));
    c.Triangle(530, 300, 598, 300, 564, 250, Argb(255, 250, 236, 180));
}

// A street at night: sky, houses with lit windows, the road and street lamps.
void PaintStreet(Canvas& c, LabelFont&) {
    c.Fill(0, 0, kScreenW, 380, Argb(255, 30, 40, 80));
    c.Disc(880, 90, 34, Argb(255, 240, 236, 210));
    for (int i = 0; i < 7; ++i) {
        const int32_t x = i * 150 - 10;
        const int32_t h = 150 + (i * 53) % 80;
        const uint32_t wall = i % 2 == 0 ? Argb(255, 70, 64, 80) : Argb(255, 86, 72, 66);
        c.Fill(x, 380 - h, 136, h, wall);
        c.Triangle(x - 8, 380 - h, x + 144, 380 - h, x + 68, 380 - h - 46, Argb(255, 50, 36, 40));
        for (int r = 0; r < 2; ++r) {
            for (int k = 0; k < 2; ++k) {
                const bool lit = (i + r + k) % 3 != 0;
                c.Fill(x + 22 + k * 56, 380 - h + 24 + r * 56, 36, 32,
                       lit ? Argb(255, 250, 210, 120) : Argb(255, 40, 40, 56));
            }
        }
    }
    c.Fill(0, 380, kScreenW, 40, Argb(255, 120, 120, 126));
    c.Fill(0, 420, kScreenW, 156, Argb(255, 54, 54, 60));
    for (int32_t x = 20; x < kScreenW; x += 120) {
        c.Fill(x, 494, 60, 6, Argb(255, 220, 220, 200));
    }
    for (int32_t x = 90; x < kScreenW; x += 300) {
        c.Fill(x, 250, 6, 140, Argb(255, 30, 30, 36));
        c.Disc(x + 3, 246, 10, Argb(255, 255, 240, 170));
    }
}

void PaintTitle0(Canvas& c, LabelFont& f) {
    PaintTitle(c, f, 0);
}
void PaintTitle1(Canvas& c, LabelFont& f) {
    PaintTitle(c, f, 1);
}
void PaintTitle2(Canvas& c, LabelFont& f) {
    PaintTitle(c, f, 2);
}
void PaintTitleParts0(Canvas& c, LabelFont& f) {
    PaintTitleParts(c, f, 0);
}
void PaintTitleParts2(Canvas& c, LabelFont& f) {
    PaintTitleParts(c, f, 2);
}

} // namespace

const std::vector<PictureAsset>& SamplePictures() {
    static const std::vector<PictureAsset> base = {
        {"system\\logo.bmp", kScreenW, kScreenH, 24, PaintLogo},
        {"system\\logo01.bmp", kScreenW, kScreenH, 24, PaintLogo01},
        {"system\\title_bg.bmp", kScreenW, kScreenH, 24, PaintTitle0},
        {"system\\title_bg01.bmp", kScreenW, kScreenH, 24, PaintTitle1},
        {"system\\title_bg02.bmp", kScreenW, kScreenH, 24, PaintTitle2},
        {"system\\title_p.bmp", 106, 120, 32, PaintTitleParts0},
        {"system\\title_p02.bmp", 106, 120, 32, PaintTitleParts2},
        {"system\\window.bmp", kScreenW, kScreenH - kWindowTop, 32, PaintWindow},
        {"system\\window_p.bmp", kIndicatorX + kIndicatorW, kIndicatorH, 32, PaintWindowParts},
        {"system\\window_w_2.bmp", kScreenW, kScreenH - kWindowTop, 32, PaintFrameVariant0},
        {"system\\window_w.bmp", kScreenW, kScreenH - kWindowTop, 32, PaintFrameVariant1},
        {"system\\window2.bmp", kScreenW, kScreenH, 32, PaintWindow2},
        {"system\\window_p2.bmp", kIndicatorX2 + kIndicatorW, kIndicatorH, 32, PaintWindowP2},
        {"system\\window_w2.bmp", kBarW, kBarH, 32, PaintWindowW2},
        {"system\\click_wait00.bmp", 6 * 28, 18, 32, PaintClickWait00},
        {"system\\click_wait01.bmp", 8 * 40, 40, 32, PaintClickWait01},
        {"system\\click_wait02.bmp", 6 * 28, 18, 32, PaintClickWait02},
        {"system\\select_base.bmp", 504, 2 * 67, 32, PaintSelectBase},
        {"system\\select_p.bmp", 272, 74, 32, PaintSelectParts},
        {"system\\item_sel.bmp", 733, 350 + 81, 32, PaintItemSelect},
        {"system\\time_base.bmp", 280, 102, 32, PaintTimeBase},
        {"system\\time_long.bmp", 84, 84, 32, PaintTimeLong},
        {"system\\time_short.bmp", 84, 84, 32, PaintTimeShort},
        {"system\\m_parts_2.bmp", 62, kDateRows * 28, 32, PaintParts2},
        {"system\\m_parts_3.bmp", 140, 126, 32, PaintParts3},
        {"system\\m_parts_4.bmp", 140, kInfoRows * 32, 32, PaintParts4},
        {"system\\timer_base.bmp", 42, 247, 32, PaintTimerBase},
        {"bmp\\bg01.bmp", kScreenW, kScreenH, 24, PaintRoom},
        {"bmp\\bg02.bmp", kScreenW, kScreenH, 24, PaintStreet},
    };
    // The screens' and sequences' own lists follow the interface pictures and backgrounds.
    static const std::vector<PictureAsset> all = [] {
        std::vector<PictureAsset> list = base;
        for (const auto* more :
             {&SequencePictures(), &SaveLoadPictures(), &SampleCreditPictures(), &SampleNotebookPictures(),
              &InvestigationPictures(), &StoryPictures(), &SystemScreenPictures(), &SampleExtrasPictures(),
              &TransitionPictures(), &InlineIconPictures(), &SearchPictures(), &EndingPictures()})
            list.insert(list.end(), more->begin(), more->end());
        return list;
    }();
    return all;
}

} // namespace kestrel::sample
