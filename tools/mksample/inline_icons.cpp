// The icon strip of the inline icon mark: 24 x 24 icons side by side, opaque but for their corners (the
// bottom window copies them as they are, the backlog and the vertical page blend them), icon n at (24n, 0).
#include "mksample/canvas.h"
#include "mksample/sample_assets.h"

namespace kestrel::sample {

namespace {

constexpr int32_t kIcon = 24;
constexpr int kIconCount = 3;
constexpr uint32_t kGround = 0xFF202A44u;
constexpr uint32_t kEdge = 0xFFE8C670u;

// 0 a heart, 1 a note, 2 a star, each on a framed plate.
void PaintInlineIcons(Canvas& c, LabelFont&) {
    for (int n = 0; n < kIconCount; ++n) {
        const double x = kIcon * n;
        c.Panel(kIcon * n, 0, kIcon, kIcon, kGround, 1, kEdge);
        // Rounded corners: the one see-through part of the plate.
        for (int32_t cy : {0, kIcon - 1})
            for (int32_t cx : {kIcon * n, kIcon * n + kIcon - 1})
                c.Fill(cx, cy, 1, 1, 0);
        switch (n) {
            case 0:
                c.Disc(x + 8.5, 9.5, 4.5, Argb(255, 232, 84, 104));
                c.Disc(x + 15.5, 9.5, 4.5, Argb(255, 232, 84, 104));
                c.Triangle(x + 4.2, 11, x + 19.8, 11, x + 12, 20, Argb(255, 232, 84, 104));
                break;
            case 1:
                c.Disc(x + 9, 17, 3.5, Argb(255, 230, 234, 242));
                c.Line(x + 12, 17, x + 12, 5, 1.6, Argb(255, 230, 234, 242));
                c.Line(x + 12, 5, x + 18, 8, 1.6, Argb(255, 230, 234, 242));
                break;
            default:
                c.Triangle(x + 12, 3, x + 5, 19, x + 19, 19, kEdge);
                c.Triangle(x + 12, 21, x + 5, 8, x + 19, 8, kEdge);
                break;
        }
    }
}

} // namespace

const std::vector<PictureAsset>& InlineIconPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"system\\inline_icon.bmp", kIcon * kIconCount, kIcon, 32, PaintInlineIcons},
    };
    return pictures;
}

} // namespace kestrel::sample
