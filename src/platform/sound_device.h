// A sound device in the shape of the DirectSound interface the sound code was written against: a
// primary buffer that holds the output format, and secondary streaming buffers with volume, looping
// play, cursor, status, lock and unlock, and counted position notifications. Every secondary buffer
// is a stream of the device's AudioMixer.
//
// Output: the system's audio through SDL (44,100 Hz, 16 bits, stereo; SDL converts when the card
// differs). When no audio device can be opened the device runs silent with the same timing: a thread
// of its own consumes the streams at 44,100 frames per second of the millisecond clock, as if heard.
// Tests open a manual device, whose mixer nothing drives but their own calls to Mix.
#pragma once

#include "platform/audio_mixer.h"

#include <cstdint>
#include <memory>
#include <vector>

// Buffer capabilities (the flags a buffer description may carry).
constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x0001;
constexpr uint32_t DSBCAPS_LOCSOFTWARE = 0x0008;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x0080;
constexpr uint32_t DSBCAPS_CTRLPOSITIONNOTIFY = 0x0100;
constexpr uint32_t DSBCAPS_GLOBALFOCUS = 0x8000;

constexpr uint32_t DSBPLAY_LOOPING = 0x0001;
constexpr uint32_t DSBSTATUS_PLAYING = 0x0001;
constexpr uint32_t DSBSTATUS_LOOPING = 0x0004;

// Most notification positions a buffer takes.
constexpr uint32_t kMaxNotifyPositions = 64;
// Largest secondary buffer, in bytes.
constexpr uint32_t kMaxSoundBufferBytes = 16u << 20;

struct SoundBufferDesc {
    uint32_t flags = 0;
    uint32_t bufferBytes = 0;           // 0 for the primary buffer
    const WaveFormat* format = nullptr; // null for the primary buffer
};

class SoundDevice;

// A primary or secondary buffer. Every operation returns false on failure and is safe to call from
// any thread. Deleting the buffer takes it out of the mix at once.
class SoundBuffer {
public:
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    bool IsPrimary() const { return !stream_; }

    // Primary buffer only: the output format asked for (PCM, 1 or 2 channels, 8 or 16 bits). The
    // mixer always produces 44,100 Hz stereo 16-bit; the format is recorded, and SDL converts.
    bool SetFormat(const WaveFormat& format);
    bool GetFormat(WaveFormat* format) const;

    // Secondary buffers only. Lock gives a writable view of `bytes` bytes from `offset` (a second
    // part when the range wraps, else *part2 = null and *bytes2 = 0); the bytes reach the ring on
    // Unlock, so the mixer never reads a half-written block. One lock at a time.
    bool Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
              uint32_t* bytes2);
    bool Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2);
    bool Play(uint32_t flags);
    bool Stop();
    bool SetCurrentPosition(uint32_t offset);
    bool GetCurrentPosition(uint32_t* play, uint32_t* write) const;
    bool GetStatus(uint32_t* status) const;
    bool SetVolume(int32_t hundredthsOfDb);
    bool GetVolume(int32_t* hundredthsOfDb) const;
    // Allowed only while stopped; at most kMaxNotifyPositions, each inside the buffer.
    bool SetNotificationPositions(uint32_t count, const audio::NotifyPosition* positions);

private:
    friend class SoundDevice;
    SoundBuffer(SoundDevice* device, std::shared_ptr<audio::MixerStream> stream);

    SoundDevice* device_;
    std::shared_ptr<audio::MixerStream> stream_; // null for the primary buffer
    WaveFormat primaryFormat_{};
    std::vector<uint8_t> staging_;
    uint32_t lockOffset_ = 0;
    bool locked_ = false;
};

class SoundDevice {
public:
    enum class Output {
        System, // SDL audio, or silent with the same timing when no device opens
        Silent, // no audio device: consumed at the device rate by a thread of its own
        Manual, // nothing drives the mixer; tests call mixer().Mix themselves
    };

    // The device, or null when it cannot be made at all (never for Silent and Manual).
    static std::unique_ptr<SoundDevice> Open(Output output);
    ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // The output actually in use: System only when SDL opened a device.
    Output output() const { return output_; }
    audio::AudioMixer& mixer() { return mixer_; }

    // A new buffer, or null for a bad description (no format, unsupported format, size 0, not a whole
    // number of frames or above kMaxSoundBufferBytes).
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const SoundBufferDesc& desc);

    struct Impl; // the output's own state

private:
    explicit SoundDevice(Output output);

    Output output_;
    audio::AudioMixer mixer_;
    std::unique_ptr<Impl> impl_;
};
