#include "sound/stream_buffer.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "sound/ogg_reader.h"

namespace {

// Bytes for a count of samples, limited to the largest whole number of frames a u32 holds.
uint32_t SamplesToBytes(uint32_t samples, uint32_t blockAlign) {
    uint64_t bytes = static_cast<uint64_t>(samples) * blockAlign;
    uint64_t limit = 0xFFFFFFFFull - 0xFFFFFFFFull % blockAlign;
    return static_cast<uint32_t>(std::min(bytes, limit));
}

} // namespace

CStreamSoundBuffer::CStreamSoundBuffer() = default;

CStreamSoundBuffer::~CStreamSoundBuffer() {
    {
        std::lock_guard<std::recursive_mutex> g(lock);
        if (dsBuffer)
            dsBuffer->Stop();
    }
    StopThread();
    std::lock_guard<std::recursive_mutex> g(lock);
    delete dsBuffer;
    dsBuffer = nullptr;
    delete events;
    events = nullptr;
}

uint32_t CStreamSoundBuffer::BlockBytesFor(const WaveFormat& f) {
    uint32_t align = f.blockAlign;
    if (align == 0)
        return 0;
    uint32_t bytes = static_cast<uint32_t>((static_cast<uint64_t>(align) * f.samplesPerSec * 3) >> 4);
    if (bytes % align != 0)
        bytes += align - bytes % align;
    return std::max(bytes, align);
}

bool CStreamSoundBuffer::Create(SoundDevice* device, CWaveReader* newReader) {
    if (!device || !newReader)
        return false;
    std::lock_guard<std::recursive_mutex> g(lock);
    if (dsBuffer || thread.joinable())
        return false;
    WaveFormat fmt{};
    newReader->GetFormat(&fmt);
    uint32_t block = BlockBytesFor(fmt);
    if (block == 0 || static_cast<uint64_t>(block) * kBlocks > kMaxSoundBufferBytes)
        return false;
    SoundBufferDesc desc;
    desc.flags = DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GLOBALFOCUS;
    desc.bufferBytes = block * kBlocks;
    desc.format = &fmt;
    std::unique_ptr<SoundBuffer> buf = device->CreateSoundBuffer(desc);
    if (!buf)
        return false;
    auto ev = std::make_unique<audio::NotifyEvent>();
    audio::NotifyPosition positions[kBlocks];
    for (uint32_t i = 0; i < kBlocks; ++i) {
        positions[i].offset = block * (i + 1);
        positions[i].event = ev.get();
    }
    positions[kBlocks - 1].offset -= 1;
    if (!buf->SetNotificationPositions(kBlocks, positions))
        return false;

    reader = newReader;
    dsBuffer = buf.release();
    blockBytes = block;
    bufferBytes = block * kBlocks;
    events = ev.release();
    format = fmt;
    writeCursor = 0;
    try {
        thread = std::thread([this] { ThreadProc(); });
    } catch (const std::system_error&) {
        return false;
    }
    threadId = thread.get_id();
    return true;
}

bool CStreamSoundBuffer::Play() {
    std::lock_guard<std::recursive_mutex> g(lock);
    if (!dsBuffer || !reader)
        return false;
    dsBuffer->Stop();
    dsBuffer->SetCurrentPosition(0);
    // Notifications of the previous run are stale now.
    events->Take();
    reader->Seek(0);
    writeCursor = 0;
    position = 0;
    loopStart = SamplesToBytes(reader->GetLoopStart(), format.blockAlign);
    loopEnd = SamplesToBytes(reader->GetLoopEnd(), format.blockAlign);
    total = SamplesToBytes(reader->GetTotalSamples(), format.blockAlign);
    loopsLeft = reader->GetLoopCount();
    queued = 0;
    exhausted = false;
    wrapsWithoutData = 0;
    for (uint32_t i = 0; i < kBlocksAhead; ++i)
        Refill();
    return dsBuffer->Play(DSBPLAY_LOOPING);
}

bool CStreamSoundBuffer::Refill() {
    void* part1 = nullptr;
    void* part2 = nullptr;
    uint32_t bytes1 = 0, bytes2 = 0;
    if (!dsBuffer->Lock(writeCursor, blockBytes, &part1, &bytes1, &part2, &bytes2))
        return false;
    uint8_t* dst = static_cast<uint8_t*>(part1);
    const uint32_t align = format.blockAlign;
    uint32_t filled = 0;
    bool readAny = false;
    while (filled < blockBytes && !exhausted) {
        if (loopsLeft != 0 && (position >= loopEnd || reader->IsEnd())) {
            if (loopStart >= loopEnd) {
                if (loopsLeft < 1) {
                    // An endless loop over nothing: the sound is over.
                    exhausted = true;
                    break;
                }
                loopsLeft = 0;
            }
            // A whole loop pass that gave no data: the reader has given out, and seeking again
            // would only spin.
            if (wrapsWithoutData > 0 || !reader->Seek(loopStart / align)) {
                exhausted = true;
                break;
            }
            ++wrapsWithoutData;
            position = loopStart;
            if (loopsLeft > 0)
                --loopsLeft;
        }
        uint32_t limit = loopsLeft != 0 ? loopEnd : total;
        if (position >= limit)
            break;
        uint32_t n = std::min(limit - position, blockBytes - filled);
        if (loopsLeft == 0 && reader->IsEnd())
            break;
        uint32_t got = 0;
        if (!reader->Read(dst + filled, n, &got)) {
            exhausted = true;
            break;
        }
        got = std::min(got, n) / align * align;
        if (got > 0) {
            readAny = true;
            wrapsWithoutData = 0;
        } else if (!reader->IsEnd()) {
            // No progress and no end reported: never spin here holding the lock.
            exhausted = true;
            break;
        }
        position += got;
        filled += got;
    }
    if (readAny)
        ++queued;
    std::memset(dst + filled, format.bitsPerSample == 8 ? 0x80 : 0, blockBytes - filled);
    writeCursor += blockBytes;
    if (writeCursor >= bufferBytes)
        writeCursor = 0;
    dsBuffer->Unlock(part1, bytes1, part2, bytes2);
    return true;
}

bool CStreamSoundBuffer::SoundFinished() const {
    if (exhausted)
        return true;
    return loopsLeft == 0 && (position >= total || reader->IsEnd());
}

void CStreamSoundBuffer::ThreadProc() {
    for (;;) {
        if (events->Wait() == audio::NotifyEvent::Wake::Quit)
            return;
        std::lock_guard<std::recursive_mutex> g(lock);
        if (!dsBuffer)
            return;
        uint32_t notifications = events->Take();
        for (uint32_t i = 0; i < notifications; ++i) {
            if (queued > 0)
                --queued;
            if (queued == 0 && SoundFinished()) {
                // Every block holding data has been played.
                dsBuffer->Stop();
                break;
            }
            if (queued < static_cast<int32_t>(kBlocksAhead))
                Refill();
        }
    }
}

int CStreamSoundBuffer::StopThread() {
    {
        std::lock_guard<std::recursive_mutex> g(lock);
        if (events)
            events->Quit();
    }
    if (!thread.joinable())
        return 0;
    if (std::this_thread::get_id() == thread.get_id())
        return 2;
    thread.join();
    threadId = std::thread::id();
    return 0;
}

void CStreamSoundBuffer::WaitForWorkerIdle() {
    audio::NotifyEvent* ev;
    {
        std::lock_guard<std::recursive_mutex> g(lock);
        ev = events;
        if (!ev || !thread.joinable())
            return;
    }
    // The worker takes the notifications while it holds the lock, so once none is pending, taking
    // the lock waits for the refills they caused.
    while (ev->Pending() != 0 && !ev->QuitRequested())
        std::this_thread::yield();
    std::lock_guard<std::recursive_mutex> g(lock);
}

bool CStreamSoundBuffer::Stop() {
    std::lock_guard<std::recursive_mutex> g(lock);
    return dsBuffer && dsBuffer->Stop();
}

bool CStreamSoundBuffer::IsPlaying() {
    std::lock_guard<std::recursive_mutex> g(lock);
    uint32_t status = 0;
    return dsBuffer && dsBuffer->GetStatus(&status) && (status & DSBSTATUS_PLAYING) != 0;
}

bool CStreamSoundBuffer::SetVolume(int32_t v) {
    std::lock_guard<std::recursive_mutex> g(lock);
    return dsBuffer && dsBuffer->SetVolume(v);
}

bool CStreamSoundBuffer::GetVolume(int32_t* v) {
    std::lock_guard<std::recursive_mutex> g(lock);
    return dsBuffer && dsBuffer->GetVolume(v);
}

bool CStreamSoundBuffer::IsValid() {
    std::lock_guard<std::recursive_mutex> g(lock);
    return dsBuffer != nullptr;
}
