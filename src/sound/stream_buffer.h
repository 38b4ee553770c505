// A sound streamed through a secondary buffer of 16 blocks of 3/16 s each, refilled by a worker
// thread of its own as the blocks are played.
#pragma once

#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/audio_mixer.h"
#include "platform/sound_device.h"

class CWaveReader;

class CSoundBuffer {
public:
    virtual ~CSoundBuffer() = default;
    virtual bool Play() = 0;
    virtual bool Stop() = 0;
    virtual bool IsPlaying() = 0;
    // Hundredths of a decibel, DSBVOLUME_MIN..DSBVOLUME_MAX.
    virtual bool SetVolume(int32_t hundredthsOfDb) = 0;
    virtual bool GetVolume(int32_t* hundredthsOfDb) = 0;
};

// Streams one reader. The window thread calls Play, Stop, IsPlaying, the volume calls and the
// destructor; fade timers call SetVolume; the worker refills. All of them take `lock`.
//
// While a sound plays, 15 of the 16 blocks hold data ahead of the play cursor; each position
// notification frees one block, which the worker refills. A sound ends (the buffer stops) once every
// block holding data has been played and the reader has nothing more to give: its end, a read error,
// or a loop pass that yields no data.
class CStreamSoundBuffer : public CSoundBuffer {
public:
    static constexpr uint32_t kBlocks = 16;
    static constexpr uint32_t kBlocksAhead = 15;

    CStreamSoundBuffer();
    ~CStreamSoundBuffer() override;
    CStreamSoundBuffer(const CStreamSoundBuffer&) = delete;
    CStreamSoundBuffer& operator=(const CStreamSoundBuffer&) = delete;

    // Makes the secondary buffer for the reader's format and starts the worker. False without a
    // device, for a format the device refuses, or when already created. The reader is not owned and
    // must outlive this object.
    bool Create(SoundDevice* device, CWaveReader* reader);

    // Plays the reader from its start with its loop count; true when the buffer started.
    bool Play() override;
    bool Stop() override;
    bool IsPlaying() override;
    bool SetVolume(int32_t hundredthsOfDb) override;
    bool GetVolume(int32_t* hundredthsOfDb) override;
    virtual bool IsValid();

    // Holds the worker off the reader for the lifetime of the returned lock, so that another thread
    // may query the reader (its times) while the sound streams.
    std::unique_lock<std::recursive_mutex> LockReader() {
        return std::unique_lock<std::recursive_mutex>(lock);
    }

    // Returns once the worker has handled every notification posted so far. For tests and
    // benchmarks that drive the mixer themselves and must not outrun the refills.
    void WaitForWorkerIdle();

    uint32_t GetBlockBytes() const { return blockBytes; }
    uint32_t GetBufferBytes() const { return bufferBytes; }

    // 3/16 s of the format, raised to a whole number of frames.
    static uint32_t BlockBytesFor(const WaveFormat& format);

private:
    bool Refill();
    void ThreadProc();
    // 0 when the worker ended (or none ran), 2 when called on the worker itself.
    int StopThread();
    bool SoundFinished() const;

    std::recursive_mutex lock;
    CWaveReader* reader = nullptr;
    SoundBuffer* dsBuffer = nullptr; // owned
    uint32_t bufferBytes = 0;
    uint32_t blockBytes = 0;
    audio::NotifyEvent* events = nullptr; // notifications and the quit request; owned
    WaveFormat format{};
    std::thread::id threadId{};
    std::thread thread;
    uint32_t writeCursor = 0;
    uint32_t position = 0;
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0;
    uint32_t total = 0;
    int32_t loopsLeft = 0;
    int32_t queued = 0;
    // The reader gave out (a read error, or a loop pass without data): the sound ends after the
    // blocks already queued.
    bool exhausted = false;
    // Loop wraps since the last data read; a second wrap without data means the reader gave out.
    uint32_t wrapsWithoutData = 0;
};
