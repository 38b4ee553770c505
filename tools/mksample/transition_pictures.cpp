// The rule mask of the sample game's first transition: the blue byte of each pixel says when the pixel
// changes, from 255 (first) down to 0 (last). The new picture comes in as a soft wipe that opens from
// the centre of the screen, a little ahead on its right.
#include <algorithm>
#include <cmath>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"

namespace kestrel::sample {

namespace {

void PaintSpiralMask(Canvas& c, LabelFont&) {
    const double cx = c.Width() / 2.0, cy = c.Height() / 2.0;
    const double reach = std::hypot(cx, cy);
    for (int32_t y = 0; y < c.Height(); ++y)
        for (int32_t x = 0; x < c.Width(); ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            // The angular term goes round and back to where it started (a plain turn from 0 to 1
            // would jump at the half circle where it wraps, and draw a seam there).
            const double swirl = 0.5 - 0.5 * std::cos(std::atan2(dy, dx));
            const double t = 0.8 * std::hypot(dx, dy) / reach + 0.2 * swirl;
            const auto v = static_cast<uint32_t>(std::lround(255 * (1 - std::min(1.0, t))));
            c.Fill(x, y, 1, 1, Argb(255, v, v, v));
        }
}

} // namespace

const std::vector<PictureAsset>& TransitionPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"bmp\\mask01.bmp", 1024, 576, 24, PaintSpiralMask},
    };
    return pictures;
}

} // namespace kestrel::sample
