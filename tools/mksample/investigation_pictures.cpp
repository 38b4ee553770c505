// The sample game's pictures of the investigation part: the character selection's panel and button
// faces, and a standing character that slides in.
#include <array>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"

namespace kestrel::sample {

namespace {

constexpr uint32_t kGold = 0xFFE8C670u;
constexpr uint32_t kPale = 0xFFE6EAF2u;

// The eleven people of the selection, in button order.
constexpr std::array<const char*, 11> kPeople{"美咲", "委托人", "店主", "邻居", "警官", "记者",
                                              "司机", "房东",   "医生", "同学", "老人"};

// The panel (733 × 349 at the top left, drawn at (146, 89)) and below it, at y 349, the hover frame
// (x 0) and the blink frame (x 112), each 112 × 154 around a 102 × 144 button.
void PaintCharSelect(Canvas& c, LabelFont& f) {
    c.Panel(0, 0, 733, 349, 0xD80E1424u, 2, 0xFFC8B478u);
    c.Text(f, 12, 2, "询问对象", 16, kGold);
    c.Frame(0, 349, 112, 154, 4, 0xF0E8C670u);
    c.Fill(112 + 5, 349 + 5, 102, 144, 0x60FFF0C0u);
    c.Frame(112, 349, 112, 154, 5, 0xFFFFF4D0u);
}

// A face per button: the disabled row (grey) at y 0, the enabled row at y 144.
void PaintCharFaces(Canvas& c, LabelFont& f) {
    for (int row = 0; row < 2; ++row) {
        const bool enabled = row == 1;
        for (int k = 0; k < static_cast<int>(kPeople.size()); ++k) {
            const int32_t x = 102 * k;
            const int32_t y = 144 * row;
            c.Panel(x, y, 102, 144, enabled ? Argb(255, 44, 58, 92) : Argb(255, 48, 48, 52), 2,
                    enabled ? kGold : Argb(255, 90, 90, 96));
            c.Disc(x + 51, y + 52, 26, enabled ? Argb(255, 236, 206, 178) : Argb(255, 110, 110, 114));
            c.Fill(x + 21, y + 82, 60, 30, enabled ? Argb(255, 70, 96, 150) : Argb(255, 80, 80, 86));
            c.TextCentred(f, x, y + 114, 102, 26, kPeople[k], 18, enabled ? kPale : Argb(255, 150, 150, 156));
        }
    }
}

// A standing character, centred horizontally, with a transparent surround.
void PaintStandingCharacter(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    const double cx = c.Width() / 2.0;
    c.Disc(cx, 120, 52, Argb(255, 236, 206, 178));
    c.Triangle(cx - 120, 560, cx + 120, 560, cx, 170, Argb(255, 150, 40, 60));
    c.Fill(static_cast<int32_t>(cx) - 60, 176, 120, 24, Argb(255, 40, 30, 40));
    c.TextCentred(f, 0, 430, c.Width(), 40, "美咲", 28, kPale);
}

} // namespace

const std::vector<PictureAsset>& InvestigationPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"system\\char_sel.bmp", 733, 349 + 154, 32, PaintCharSelect},
        {"system\\char_sel_p.bmp", 102 * 11, 144 * 2, 24, PaintCharFaces},
        {"bmp\\chara01.bmp", 320, 576, 32, PaintStandingCharacter},
    };
    return pictures;
}

} // namespace kestrel::sample
