// Which composed pictures reach the screen. The game composes a picture every frame; the screen needs
// it only when it differs from the one shown last, and at most once per display refresh. The gate
// keeps a copy of the last picture offered (comparing with it costs far less than an upload and a
// redraw), says when the copy is due on screen, and which rows changed since it was last shown.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace plat {

class PresentGate {
public:
    // The shortest time between two shows, in microseconds (0: no limit).
    void SetRefreshPeriod(uint64_t micros) { period_ = micros; }
    // Takes a `width` x `height` picture of 32-bit pixels (pitch in bytes) to be shown scaled into
    // `dest`. A picture equal to the last one offered, at the same place, changes nothing. Only rows
    // [mayTop, mayBottom) are compared: the caller vouches that the others equal the last picture
    // offered (a picture of another size is taken whole).
    void Offer(const uint32_t* pixels, int width, int height, int pitch, const RECT& dest, int mayTop = 0,
               int mayBottom = INT_MAX);
    // The screen lost its picture (exposed, resized, switched): the copy is to be shown again.
    void Invalidate() { pending_ = hasFrame_; }
    // True when the copy waits to be shown and a refresh period has passed since the last show.
    bool Due(uint64_t nowMicros) const {
        return pending_ && (!shownOnce_ || nowMicros - lastShow_ >= period_);
    }
    // Records that the copy reached the screen at `nowMicros`; the changed rows start afresh.
    void Shown(uint64_t nowMicros);

    // The copy: packed rows of Width() pixels.
    const uint32_t* Pixels() const { return frame_.data(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    const RECT& Dest() const { return dest_; }
    // Rows [ChangedTop(), ChangedBottom()) changed since the last show; all rows after a size change.
    int ChangedTop() const { return changedTop_; }
    int ChangedBottom() const { return changedBottom_; }

private:
    std::vector<uint32_t> frame_;
    int width_ = 0, height_ = 0;
    RECT dest_{};
    bool hasFrame_ = false;
    bool pending_ = false;
    bool shownOnce_ = false;
    uint64_t lastShow_ = 0;
    uint64_t period_ = 0;
    int changedTop_ = 0, changedBottom_ = 0;
};

} // namespace plat
