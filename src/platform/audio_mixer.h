// The software mixer: the one place where the sound streams are added together.
//
// Each stream is a ring of PCM bytes in its own format (1 or 2 channels, 8 or 16 bits, any rate) with
// a play cursor, a looping flag, a volume and position notifications. AudioMixer::Mix converts every
// playing stream to 44,100 Hz stereo (linear interpolation when the rates differ), applies its gain,
// sums in 32 bits and saturates to 16 bits. Mix is called by the device's output thread, or directly
// by tests, which then need no audio device at all.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// The PCM wave format, 16 bytes as the sound files' readers describe it.
struct WaveFormat {
    uint16_t formatTag = 0;     // 1 = PCM, the only kind accepted
    uint16_t channels = 0;      // 1 or 2
    uint32_t samplesPerSec = 0; // frames per second
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0; // bytes per frame: channels × bits / 8
    uint16_t bitsPerSample = 0;
};
static_assert(sizeof(WaveFormat) == 16);

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Volumes in hundredths of a decibel: 0 is full scale, -10000 is silence.
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr int32_t DSBVOLUME_MIN = -10000;

namespace audio {

constexpr uint32_t kOutputRate = 44100;
constexpr uint32_t kOutputChannels = 2;
// True for the formats a stream accepts (PCM, 1 or 2 channels, 8 or 16 bits, any rate from 1 Hz, a
// consistent block align). A rate is limited only by the ring that holds the stream.
bool IsSupportedFormat(const WaveFormat& format);

// The gain of a volume: 10^(v / 2000) in 16.16 fixed point; 0 at -10000 and below, 65536 at 0.
uint32_t VolumeToGain(int32_t hundredthsOfDb);

// A wake-up for a worker thread: position notifications are counted, one per position crossed, and
// never merged; a quit request is persistent, so it cannot be lost when the worker is not waiting.
class NotifyEvent {
public:
    enum class Wake { Notified, Quit };
    // Adds one notification and wakes a waiter.
    void Post();
    // Requests the waiter to end; stays set.
    void Quit();
    // Blocks until a notification is pending or quit was requested (quit wins). Consumes nothing.
    Wake Wait();
    // Returns the pending notifications and clears them.
    uint32_t Take();
    // The pending notifications, left pending.
    uint32_t Pending() const;
    bool QuitRequested() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    uint32_t pending_ = 0;
    bool quit_ = false;
};

// One position notification: `event` is posted when the play cursor reaches or passes byte `offset`.
struct NotifyPosition {
    uint32_t offset = 0;
    NotifyEvent* event = nullptr;
};

// One stream: a ring of `ringBytes` bytes of PCM in `format`. Every member is safe to call from any
// thread; the mixer reads the ring under the stream's own lock.
class MixerStream {
public:
    MixerStream(const WaveFormat& format, uint32_t ringBytes);

    const WaveFormat& format() const { return format_; }
    uint32_t ringBytes() const { return static_cast<uint32_t>(ring_.size()); }

    // Copies `bytes` bytes into the ring at `offset`, wrapping at its end. False when out of range.
    bool Write(uint32_t offset, const void* data, uint32_t bytes);
    // Starts playing from the cursor; a looping stream wraps at the ring's end, another stops there.
    void Play(bool looping);
    // Stops; the cursor stays where it is.
    void Stop();
    bool IsPlaying() const;
    bool IsLooping() const;
    // The play cursor in bytes (a multiple of the block align). False when out of range.
    bool SetPosition(uint32_t byteOffset);
    uint32_t Position() const;
    // False outside DSBVOLUME_MIN..DSBVOLUME_MAX.
    bool SetVolume(int32_t hundredthsOfDb);
    int32_t Volume() const;
    // Replaces the notification positions; false when an offset lies outside the ring.
    bool SetNotifications(const std::vector<NotifyPosition>& positions);

    // Adds `frames` output frames (44,100 Hz stereo) of this stream into `acc`; the mixer's step.
    void MixInto(int32_t* acc, uint32_t frames);

private:
    int32_t SampleAt(uint32_t frame, uint32_t channel) const;
    void NotifyCrossed(uint64_t fromByte, uint64_t toByte);

    const WaveFormat format_;
    const uint32_t frames_; // whole frames in the ring
    const uint64_t step_;   // source frames per output frame, 32.32 fixed point
    mutable std::mutex mutex_;
    std::vector<uint8_t> ring_;
    uint32_t cursor_ = 0; // frame index
    uint64_t phase_ = 0;  // fraction of a source frame, 0.32 fixed point
    bool playing_ = false;
    bool looping_ = false;
    int32_t volume_ = DSBVOLUME_MAX;
    uint32_t gain_ = 65536;
    std::vector<NotifyPosition> notifications_;
};

class AudioMixer {
public:
    AudioMixer() = default;
    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    // A new stream taking part in the mix, or null when the format is not supported or the ring is
    // empty or not a whole number of frames.
    std::shared_ptr<MixerStream> CreateStream(const WaveFormat& format, uint32_t ringBytes);
    // Takes the stream out of the mix; after this returns, Mix no longer touches it.
    void RemoveStream(const std::shared_ptr<MixerStream>& stream);
    size_t StreamCount() const;

    // Mixes `frames` frames of 44,100 Hz interleaved stereo into `out` (2 × frames samples),
    // replacing what was there; silence when nothing plays.
    void Mix(int16_t* out, uint32_t frames);
    // Frames mixed so far, the mixer's clock.
    uint64_t FramesMixed() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<MixerStream>> streams_;
    std::vector<int32_t> acc_;
    uint64_t framesMixed_ = 0;
};

} // namespace audio
