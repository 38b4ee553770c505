// A sound device that only the test drives, for tests of the game layer that let real players run
// Ogg files: open it, mix it in steps shorter than a refill block and wait for the players' refill
// workers after each step, so that a player's end is reached by the mixed frames alone.
#pragma once

#include <cstdint>
#include <vector>

#include "sound/dsound.h"
#include "sound/snd_mng.h"
#include "sound/stream_buffer.h"

namespace kestrel::test {

// Replaces any device with a manual one at 2 channels, 44,100 Hz, 16 bits; false when it cannot be
// made. The players of the old device are deleted first.
inline bool OpenManualSound() {
    if (g_DSound.device != nullptr) {
        DeleteAllPlayers();
        g_DSound.Release();
    }
    return g_DSound.CreateWithOutput(SoundDevice::Output::Manual) && g_DSound.SetPrimaryFormat(2, 44100, 16);
}

inline void CloseManualSound() {
    DeleteAllPlayers();
    g_DSound.Release();
}

// The stream buffer of any player (null when it has none).
struct PlayerBuffer : CSndMng {
    static CStreamSoundBuffer* Of(CSndMng* player) {
        return player != nullptr ? player->*(&PlayerBuffer::buffer) : nullptr;
    }
};

// Mixes `frames` frames in steps of `step`, waiting after each for the refill worker of `player`'s
// buffer; returns the frames mixed.
inline uint32_t MixFrames(CSndMng* player, uint32_t frames, uint32_t step = 1024) {
    std::vector<int16_t> out(static_cast<size_t>(step) * 2);
    uint32_t done = 0;
    while (done < frames) {
        const uint32_t n = frames - done < step ? frames - done : step;
        g_DSound.device->mixer().Mix(out.data(), n);
        if (CStreamSoundBuffer* buffer = PlayerBuffer::Of(player))
            buffer->WaitForWorkerIdle();
        done += n;
    }
    return done;
}

} // namespace kestrel::test
