#include "platform/sound_device.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/clock.h"

// ---- SoundBuffer ----------------------------------------------------------------------------------

SoundBuffer::SoundBuffer(SoundDevice* device, std::shared_ptr<audio::MixerStream> stream)
    : device_(device), stream_(std::move(stream)) {}

SoundBuffer::~SoundBuffer() {
    if (stream_)
        device_->mixer().RemoveStream(stream_);
}

bool SoundBuffer::SetFormat(const WaveFormat& format) {
    if (stream_)
        return false;
    if (format.formatTag != WAVE_FORMAT_PCM || (format.channels != 1 && format.channels != 2) ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.samplesPerSec == 0 ||
        format.blockAlign != format.channels * format.bitsPerSample / 8)
        return false;
    primaryFormat_ = format;
    return true;
}

bool SoundBuffer::GetFormat(WaveFormat* format) const {
    if (!format)
        return false;
    *format = stream_ ? stream_->format() : primaryFormat_;
    return true;
}

bool SoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
                       uint32_t* bytes2) {
    if (!stream_ || locked_ || !part1 || !bytes1)
        return false;
    uint32_t size = stream_->ringBytes();
    if (offset >= size || bytes == 0 || bytes > size)
        return false;
    uint32_t first = std::min(bytes, size - offset);
    if (first < bytes && (!part2 || !bytes2))
        return false;
    staging_.assign(bytes, 0);
    lockOffset_ = offset;
    locked_ = true;
    *part1 = staging_.data();
    *bytes1 = first;
    if (part2)
        *part2 = first < bytes ? staging_.data() + first : nullptr;
    if (bytes2)
        *bytes2 = bytes - first;
    return true;
}

bool SoundBuffer::Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2) {
    if (!stream_ || !locked_ || part1 != staging_.data())
        return false;
    locked_ = false;
    uint32_t bytes = bytes1 + (part2 ? bytes2 : 0);
    if (bytes > staging_.size())
        return false;
    return stream_->Write(lockOffset_, staging_.data(), bytes);
}

bool SoundBuffer::Play(uint32_t flags) {
    if (!stream_)
        return false;
    stream_->Play((flags & DSBPLAY_LOOPING) != 0);
    return true;
}

bool SoundBuffer::Stop() {
    if (!stream_)
        return false;
    stream_->Stop();
    return true;
}

bool SoundBuffer::SetCurrentPosition(uint32_t offset) {
    return stream_ && stream_->SetPosition(offset);
}

bool SoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) const {
    if (!stream_)
        return false;
    uint32_t pos = stream_->Position();
    if (play)
        *play = pos;
    if (write)
        *write = pos;
    return true;
}

bool SoundBuffer::GetStatus(uint32_t* status) const {
    if (!stream_ || !status)
        return false;
    *status = 0;
    if (stream_->IsPlaying())
        *status |= DSBSTATUS_PLAYING;
    if (stream_->IsLooping())
        *status |= DSBSTATUS_LOOPING;
    return true;
}

bool SoundBuffer::SetVolume(int32_t v) {
    return stream_ && stream_->SetVolume(v);
}

bool SoundBuffer::GetVolume(int32_t* v) const {
    if (!stream_ || !v)
        return false;
    *v = stream_->Volume();
    return true;
}

bool SoundBuffer::SetNotificationPositions(uint32_t count, const audio::NotifyPosition* positions) {
    if (!stream_ || count > kMaxNotifyPositions || (count > 0 && !positions) || stream_->IsPlaying())
        return false;
    return stream_->SetNotifications(std::vector<audio::NotifyPosition>(positions, positions + count));
}

// ---- SoundDevice ----------------------------------------------------------------------------------

struct SoundDevice::Impl {
    SDL_AudioDeviceID sdlDevice = 0;
    bool sdlInit = false;
    // The silent output's thread.
    std::thread thread;
    std::mutex mutex;
    std::condition_variable cv;
    bool quit = false;
};

namespace {

void SdlCallback(void* user, Uint8* stream, int len) {
    auto* mixer = static_cast<audio::AudioMixer*>(user);
    mixer->Mix(reinterpret_cast<int16_t*>(stream), static_cast<uint32_t>(len / 4));
}

// Consumes the streams at 44,100 frames per second of the millisecond clock.
void SilentOutput(audio::AudioMixer* mixer, SoundDevice::Impl* impl, uint32_t start) {
    constexpr uint32_t kChunk = 1024;
    std::vector<int16_t> scratch(kChunk * 2);
    uint32_t last = start;
    uint64_t owedMilli = 0; // frames × 1000 not yet mixed
    std::unique_lock<std::mutex> g(impl->mutex);
    while (!impl->quit) {
        impl->cv.wait_for(g, std::chrono::milliseconds(5));
        if (impl->quit)
            break;
        uint32_t now = timeGetTime();
        uint32_t elapsed = now - last;
        last = now;
        // A clock that jumped (a test's, or a suspended machine) is not caught up beyond half a second.
        owedMilli += static_cast<uint64_t>(std::min<uint32_t>(elapsed, 500)) * audio::kOutputRate;
        uint64_t frames = owedMilli / 1000;
        owedMilli %= 1000;
        g.unlock();
        while (frames > 0) {
            uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(frames, kChunk));
            mixer->Mix(scratch.data(), n);
            frames -= n;
        }
        g.lock();
    }
}

} // namespace

SoundDevice::SoundDevice(Output output) : output_(output), impl_(std::make_unique<Impl>()) {}

std::unique_ptr<SoundDevice> SoundDevice::Open(Output output) {
    std::unique_ptr<SoundDevice> dev(new SoundDevice(output));
    if (output == Output::System) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            dev->impl_->sdlInit = true;
            SDL_AudioSpec want{};
            want.freq = static_cast<int>(audio::kOutputRate);
            want.format = AUDIO_S16SYS;
            want.channels = static_cast<Uint8>(audio::kOutputChannels);
            want.samples = 1024;
            want.callback = SdlCallback;
            want.userdata = &dev->mixer_;
            SDL_AudioSpec have{};
            dev->impl_->sdlDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        }
        if (dev->impl_->sdlDevice != 0) {
            SDL_PauseAudioDevice(dev->impl_->sdlDevice, 0);
        } else {
            std::fprintf(stderr, "sound: no audio device (%s); running silent\n", SDL_GetError());
            if (dev->impl_->sdlInit) {
                SDL_QuitSubSystem(SDL_INIT_AUDIO);
                dev->impl_->sdlInit = false;
            }
            dev->output_ = Output::Silent;
        }
    }
    if (dev->output_ == Output::Silent) {
        Impl* impl = dev->impl_.get();
        audio::AudioMixer* mixer = &dev->mixer_;
        uint32_t start = timeGetTime();
        impl->thread = std::thread([mixer, impl, start] { SilentOutput(mixer, impl, start); });
    }
    return dev;
}

SoundDevice::~SoundDevice() {
    if (impl_->sdlDevice != 0)
        SDL_CloseAudioDevice(impl_->sdlDevice);
    if (impl_->sdlInit)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (impl_->thread.joinable()) {
        {
            std::lock_guard<std::mutex> g(impl_->mutex);
            impl_->quit = true;
        }
        impl_->cv.notify_all();
        impl_->thread.join();
    }
}

std::unique_ptr<SoundBuffer> SoundDevice::CreateSoundBuffer(const SoundBufferDesc& desc) {
    if (desc.flags & DSBCAPS_PRIMARYBUFFER) {
        if (desc.bufferBytes != 0 || desc.format)
            return nullptr;
        return std::unique_ptr<SoundBuffer>(new SoundBuffer(this, nullptr));
    }
    if (!desc.format || desc.bufferBytes == 0 || desc.bufferBytes > kMaxSoundBufferBytes)
        return nullptr;
    auto stream = mixer_.CreateStream(*desc.format, desc.bufferBytes);
    if (!stream)
        return nullptr;
    return std::unique_ptr<SoundBuffer>(new SoundBuffer(this, std::move(stream)));
}
