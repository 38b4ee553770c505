// The pictures and music of the sample game's two endings: the bridge where the story asks which
// way to go, the event picture of the second ending, and the title music of a game whose second
// ending was seen. The staff rolls' own pictures are with the credits.
#include <cmath>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"

namespace kestrel::sample {

namespace {

constexpr int32_t kScreenW = 1024;
constexpr int32_t kScreenH = 576;

// A bridge over the river at night: sky, the far bank's lights, the railing and its lamps.
void PaintBridge(Canvas& c, LabelFont&) {
    for (int32_t y = 0; y < 300; ++y) {
        const uint32_t k = static_cast<uint32_t>(y * 40 / 300);
        c.Fill(0, y, kScreenW, 1, Argb(255, 16 + k, 20 + k, 52 + k));
    }
    for (int32_t i = 0; i < 12; ++i)
        c.Fill(40 + i * 84, 262 - (i * 37) % 60, 50, 38 + (i * 37) % 60, Argb(255, 34, 36, 58));
    for (int32_t i = 0; i < 24; ++i)
        c.Fill(56 + i * 41, 280 - (i * 17) % 40, 6, 5, Argb(255, 250, 214, 130));
    c.Fill(0, 300, kScreenW, 276, Argb(255, 20, 30, 56));
    for (int32_t i = 0; i < 10; ++i)
        c.Fill(60 + i * 97, 320 + (i * 29) % 90, 40, 2, Argb(255, 120, 110, 90));
    c.Fill(0, 420, kScreenW, 12, Argb(255, 90, 90, 96));
    for (int32_t x = 24; x < kScreenW; x += 64)
        c.Fill(x, 432, 6, 60, Argb(255, 70, 70, 76));
    c.Fill(0, 492, kScreenW, 84, Argb(255, 60, 60, 66));
    for (int32_t x = 160; x < kScreenW; x += 320) {
        c.Fill(x, 300, 6, 120, Argb(255, 40, 40, 46));
        c.Disc(x + 3, 296, 11, Argb(255, 255, 240, 180));
    }
}

// The second ending's event picture: the café at dawn, its window lit, a woman at the door.
void PaintDawnCafe(Canvas& c, LabelFont& f) {
    for (int32_t y = 0; y < 240; ++y) {
        const uint32_t k = static_cast<uint32_t>(y * 60 / 240);
        c.Fill(0, y, kScreenW, 1, Argb(255, 250 - k, 190 - k, 150 + k / 2));
    }
    c.Fill(0, 240, kScreenW, 336, Argb(255, 150, 120, 100));
    c.Panel(200, 120, 624, 360, Argb(255, 120, 84, 60), 10, Argb(255, 80, 56, 40));
    c.Fill(200, 100, 624, 40, Argb(255, 90, 60, 44));
    c.Panel(250, 220, 300, 180, Argb(255, 255, 228, 150), 8, Argb(255, 80, 56, 40));
    c.Panel(620, 220, 140, 260, Argb(255, 70, 50, 36), 6, Argb(255, 60, 40, 30));
    // The woman at the door: a dark coat, her umbrella furled.
    c.Disc(690, 250, 18, Argb(255, 240, 214, 190));
    c.Triangle(690, 264, 650, 470, 730, 470, Argb(255, 30, 30, 40));
    c.Line(740, 300, 760, 470, 4, Argb(255, 20, 20, 24));
    const int32_t w = f.Width("咖啡", 28);
    c.Text(f, 512 - w / 2, 104, "咖啡", 28, Argb(255, 250, 230, 190));
}

// The title music after the second ending: the title's theme, brighter, as whole cycles that loop.
std::vector<int16_t> BrightTheme(const SoundAsset& a) {
    std::vector<int16_t> pcm(static_cast<size_t>(a.frames) * a.channels);
    constexpr double kNotes[] = {392, 494, 587, 784};
    for (uint32_t i = 0; i < a.frames; ++i) {
        const double t = static_cast<double>(i) / a.rate;
        const double note = kNotes[static_cast<int>(t * 4) % 4];
        const double v = 3000 * std::sin(2 * M_PI * 196 * t) + 3000 * std::sin(2 * M_PI * note * t);
        for (int ch = 0; ch < a.channels; ++ch)
            pcm[static_cast<size_t>(i) * a.channels + ch] = static_cast<int16_t>(std::lround(v));
    }
    return pcm;
}

} // namespace

const std::vector<PictureAsset>& EndingPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"bmp\\bg03.bmp", kScreenW, kScreenH, 24, PaintBridge},
        {"bmp\\ev02a.bmp", kScreenW, kScreenH, 24, PaintDawnCafe},
    };
    return pictures;
}

const std::vector<SoundAsset>& EndingSounds() {
    static const std::vector<SoundAsset> sounds = {
        {"bgm\\op_arr01.ogg", 2, 44100, 44100 * 4, BrightTheme},
    };
    return sounds;
}

} // namespace kestrel::sample
