// The sample game's movies: a few seconds of a moving picture with a tone, for the opening and for
// the staff roll, written to the game folder itself (the movie scenes play them from there).
#include "mksample/sample_assets.h"
#include "writers/mpeg_writer.h"

namespace kestrel::sample {

namespace {

// The opening: the scrolling test pattern.
void PaintOpening(int index, std::vector<uint32_t>& pixels) {
    test::PaintMovingPattern(index, 640, 360, pixels);
}

// The staff roll: white bands rising over a dark blue ground, like lines of credits.
void PaintStaffRoll(int index, std::vector<uint32_t>& pixels) {
    constexpr int kWidth = 640;
    constexpr int kHeight = 360;
    pixels.assign(static_cast<size_t>(kWidth) * kHeight, 0x00101848);
    for (int y = 0; y < kHeight; ++y) {
        int line = (y + index * 3) % 48;
        if (line < 10) {
            int half = 120 + ((y + index * 3) / 48 % 3) * 40;
            for (int x = kWidth / 2 - half; x < kWidth / 2 + half; ++x)
                pixels[static_cast<size_t>(y) * kWidth + x] = 0x00F0F0F0;
        }
    }
}

} // namespace

const std::vector<MovieAsset>& SampleMovies() {
    static const std::vector<MovieAsset> movies = {
        {"op.mpg", 640, 360, 30, 120, 440.0, PaintOpening},
        {"staffroll.mpg", 640, 360, 30, 90, 660.0, PaintStaffRoll},
    };
    return movies;
}

std::vector<uint8_t> MakeMovie(const MovieAsset& asset) {
    test::MovieSpec spec;
    spec.width = asset.width;
    spec.height = asset.height;
    spec.framesPerSecond = asset.framesPerSecond;
    spec.frames = asset.frames;
    spec.toneHz = asset.toneHz;
    spec.bitRate = 1000000;
    spec.paint = asset.paint;
    return test::EncodeMpegMovie(spec);
}

} // namespace kestrel::sample
