// Decodes a movie file independently of the engine's player, straight through the FFmpeg libraries:
// every picture with its time, converted to 32-bit B, G, R, A at a chosen size, for comparing with
// what the player presented.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct ReferencePicture {
    int64_t ms = 0; // time from the container's start
    std::vector<uint32_t> pixels;
};

// Every picture of the file in order, scaled to width × height; empty when the file cannot be read.
std::vector<ReferencePicture> DecodeReferenceMovie(const std::string& path, int width, int height);

// The picture due at `ms`: the last whose time is not after it; null before the first.
const ReferencePicture* PictureDueAt(const std::vector<ReferencePicture>& pictures, int64_t ms);

} // namespace testing_support
