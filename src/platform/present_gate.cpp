#include "platform/present_gate.h"

#include <algorithm>
#include <cstring>

namespace plat {

void PresentGate::Offer(const uint32_t* pixels, int width, int height, int pitch, const RECT& dest,
                        int mayTop, int mayBottom) {
    if (!pixels || width <= 0 || height <= 0)
        return;
    const auto* src = reinterpret_cast<const uint8_t*>(pixels);
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    if (!hasFrame_ || width != width_ || height != height_) {
        frame_.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            std::memcpy(&frame_[static_cast<size_t>(y) * width], src + static_cast<size_t>(y) * pitch,
                        rowBytes);
        width_ = width;
        height_ = height;
        dest_ = dest;
        hasFrame_ = pending_ = true;
        changedTop_ = 0;
        changedBottom_ = height;
        return;
    }
    // The first and the last differing rows bound the span; rows between them are copied unseen.
    const int first = std::clamp(mayTop, 0, height), last = std::clamp(mayBottom, first, height);
    int top = first;
    auto same = [&](int y) {
        return std::memcmp(&frame_[static_cast<size_t>(y) * width], src + static_cast<size_t>(y) * pitch,
                           rowBytes) == 0;
    };
    while (top < last && same(top))
        ++top;
    if (top < last) {
        int bottom = last;
        while (bottom - 1 > top && same(bottom - 1))
            --bottom;
        for (int y = top; y < bottom; ++y)
            std::memcpy(&frame_[static_cast<size_t>(y) * width], src + static_cast<size_t>(y) * pitch,
                        rowBytes);
        if (changedTop_ == changedBottom_) {
            changedTop_ = top;
            changedBottom_ = bottom;
        } else {
            changedTop_ = std::min(changedTop_, top);
            changedBottom_ = std::max(changedBottom_, bottom);
        }
        pending_ = true;
    }
    if (!(dest == dest_)) {
        dest_ = dest;
        pending_ = true;
    }
}

void PresentGate::Shown(uint64_t nowMicros) {
    pending_ = false;
    shownOnce_ = true;
    lastShow_ = nowMicros;
    changedTop_ = changedBottom_ = 0;
}

} // namespace plat
