// Makes MPEG movies for test fixtures and the sample game: an MPEG-1 program stream with MPEG-1
// video drawn frame by frame by the caller and, optionally, a stereo MPEG audio layer II tone.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace kestrel::test {

struct MovieSpec {
    int width = 320; // even
    int height = 240;
    int framesPerSecond = 30;
    int frames = 60;
    // Draws frame `index` into `pixels` (width × height words 0x00RRGGBB, rows top-down).
    std::function<void(int index, std::vector<uint32_t>& pixels)> paint;
    double toneHz = 440.0; // 0: no sound stream
    int bitRate = 1500000; // video bits per second
};

// The movie's bytes; empty on an encoder failure. The same bytes on every run.
std::vector<uint8_t> EncodeMpegMovie(const MovieSpec& spec);

// A moving test picture: a gradient that scrolls with the frame index, and a white bar whose
// position gives the frame, so that neighbouring frames differ everywhere.
void PaintMovingPattern(int index, int width, int height, std::vector<uint32_t>& pixels);

} // namespace kestrel::test
