#include "platform/audio_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audio {

bool IsSupportedFormat(const WaveFormat& f) {
    if (f.formatTag != WAVE_FORMAT_PCM)
        return false;
    if (f.channels != 1 && f.channels != 2)
        return false;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16)
        return false;
    if (f.samplesPerSec == 0)
        return false;
    return f.blockAlign == f.channels * f.bitsPerSample / 8;
}

uint32_t VolumeToGain(int32_t v) {
    if (v <= DSBVOLUME_MIN)
        return 0;
    if (v >= DSBVOLUME_MAX)
        return 65536;
    return static_cast<uint32_t>(std::lround(std::pow(10.0, v / 2000.0) * 65536.0));
}

void NotifyEvent::Post() {
    {
        std::lock_guard<std::mutex> g(mutex_);
        ++pending_;
    }
    cv_.notify_all();
}

void NotifyEvent::Quit() {
    {
        std::lock_guard<std::mutex> g(mutex_);
        quit_ = true;
    }
    cv_.notify_all();
}

NotifyEvent::Wake NotifyEvent::Wait() {
    std::unique_lock<std::mutex> g(mutex_);
    cv_.wait(g, [&] { return quit_ || pending_ > 0; });
    return quit_ ? Wake::Quit : Wake::Notified;
}

uint32_t NotifyEvent::Take() {
    std::lock_guard<std::mutex> g(mutex_);
    uint32_t n = pending_;
    pending_ = 0;
    return n;
}

uint32_t NotifyEvent::Pending() const {
    std::lock_guard<std::mutex> g(mutex_);
    return pending_;
}

bool NotifyEvent::QuitRequested() const {
    std::lock_guard<std::mutex> g(mutex_);
    return quit_;
}

MixerStream::MixerStream(const WaveFormat& format, uint32_t ringBytes)
    : format_(format), frames_(ringBytes / format.blockAlign),
      step_((static_cast<uint64_t>(format.samplesPerSec) << 32) / kOutputRate), ring_(ringBytes) {
    // Silence of the format, so that a ring played before it is written is quiet.
    if (format.bitsPerSample == 8)
        std::fill(ring_.begin(), ring_.end(), uint8_t{0x80});
}

bool MixerStream::Write(uint32_t offset, const void* data, uint32_t bytes) {
    std::lock_guard<std::mutex> g(mutex_);
    uint32_t size = static_cast<uint32_t>(ring_.size());
    if (offset >= size || bytes > size)
        return false;
    const uint8_t* src = static_cast<const uint8_t*>(data);
    uint32_t first = std::min(bytes, size - offset);
    std::memcpy(ring_.data() + offset, src, first);
    std::memcpy(ring_.data(), src + first, bytes - first);
    return true;
}

void MixerStream::Play(bool looping) {
    std::lock_guard<std::mutex> g(mutex_);
    playing_ = true;
    looping_ = looping;
}

void MixerStream::Stop() {
    std::lock_guard<std::mutex> g(mutex_);
    playing_ = false;
}

bool MixerStream::IsPlaying() const {
    std::lock_guard<std::mutex> g(mutex_);
    return playing_;
}

bool MixerStream::IsLooping() const {
    std::lock_guard<std::mutex> g(mutex_);
    return playing_ && looping_;
}

bool MixerStream::SetPosition(uint32_t byteOffset) {
    std::lock_guard<std::mutex> g(mutex_);
    if (byteOffset >= ring_.size())
        return false;
    cursor_ = byteOffset / format_.blockAlign;
    phase_ = 0;
    return true;
}

uint32_t MixerStream::Position() const {
    std::lock_guard<std::mutex> g(mutex_);
    return cursor_ * format_.blockAlign;
}

bool MixerStream::SetVolume(int32_t v) {
    if (v < DSBVOLUME_MIN || v > DSBVOLUME_MAX)
        return false;
    uint32_t gain = VolumeToGain(v);
    std::lock_guard<std::mutex> g(mutex_);
    volume_ = v;
    gain_ = gain;
    return true;
}

int32_t MixerStream::Volume() const {
    std::lock_guard<std::mutex> g(mutex_);
    return volume_;
}

bool MixerStream::SetNotifications(const std::vector<NotifyPosition>& positions) {
    for (const NotifyPosition& p : positions) {
        if (p.offset >= ring_.size() || !p.event)
            return false;
    }
    std::lock_guard<std::mutex> g(mutex_);
    notifications_ = positions;
    return true;
}

int32_t MixerStream::SampleAt(uint32_t frame, uint32_t channel) const {
    const uint8_t* p = ring_.data() + static_cast<size_t>(frame) * format_.blockAlign;
    if (format_.channels == 1)
        channel = 0;
    if (format_.bitsPerSample == 8)
        return (static_cast<int32_t>(p[channel]) - 128) << 8;
    int16_t s;
    std::memcpy(&s, p + channel * 2, 2);
    return s;
}

void MixerStream::NotifyCrossed(uint64_t fromByte, uint64_t toByte) {
    // Positions reached in (fromByte, toByte]; the range may pass the ring's end several times.
    uint64_t size = ring_.size();
    for (const NotifyPosition& n : notifications_) {
        uint64_t base = fromByte - fromByte % size;
        for (uint64_t p = base + n.offset; p <= toByte; p += size) {
            if (p > fromByte)
                n.event->Post();
        }
    }
}

void MixerStream::MixInto(int32_t* acc, uint32_t frames) {
    std::lock_guard<std::mutex> g(mutex_);
    if (!playing_ || frames_ == 0)
        return;
    const uint64_t startByte = static_cast<uint64_t>(cursor_) * format_.blockAlign;
    uint64_t advanced = 0; // source frames passed
    const bool direct = step_ == (uint64_t{1} << 32) && format_.channels == 2 && format_.bitsPerSample == 16;
    uint32_t out = 0;
    if (direct) {
        // The device's own format: a plain copy with gain, block by block up to the ring's end.
        while (out < frames && playing_) {
            uint32_t n = std::min(frames - out, frames_ - cursor_);
            const uint8_t* src = ring_.data() + static_cast<size_t>(cursor_) * 4;
            int32_t* dst = acc + static_cast<size_t>(out) * 2;
            for (uint32_t i = 0; i < n * 2; ++i) {
                int16_t s;
                std::memcpy(&s, src + i * 2, 2);
                dst[i] += static_cast<int32_t>((static_cast<int64_t>(s) * gain_) >> 16);
            }
            out += n;
            cursor_ += n;
            advanced += n;
            if (cursor_ >= frames_) {
                cursor_ = 0;
                if (!looping_)
                    playing_ = false;
            }
        }
    } else {
        for (; out < frames && playing_; ++out) {
            uint32_t next = cursor_ + 1;
            if (next >= frames_)
                next = looping_ ? 0 : cursor_;
            const int64_t frac = static_cast<int64_t>(phase_ >> 16); // 0..65535
            for (uint32_t c = 0; c < 2; ++c) {
                int64_t a = SampleAt(cursor_, c);
                int64_t b = SampleAt(next, c);
                int64_t s = a + (((b - a) * frac) >> 16);
                acc[out * 2 + c] += static_cast<int32_t>((s * gain_) >> 16);
            }
            phase_ += step_;
            uint64_t whole = phase_ >> 32;
            phase_ &= 0xFFFFFFFFu;
            advanced += whole;
            uint64_t pos = cursor_ + whole;
            if (pos >= frames_) {
                if (looping_) {
                    pos %= frames_;
                } else {
                    pos = 0;
                    playing_ = false;
                }
            }
            cursor_ = static_cast<uint32_t>(pos);
        }
    }
    if (advanced > 0)
        NotifyCrossed(startByte, startByte + advanced * format_.blockAlign);
}

std::shared_ptr<MixerStream> AudioMixer::CreateStream(const WaveFormat& format, uint32_t ringBytes) {
    if (!IsSupportedFormat(format) || ringBytes == 0 || ringBytes % format.blockAlign != 0)
        return nullptr;
    auto stream = std::make_shared<MixerStream>(format, ringBytes);
    std::lock_guard<std::mutex> g(mutex_);
    streams_.push_back(stream);
    return stream;
}

void AudioMixer::RemoveStream(const std::shared_ptr<MixerStream>& stream) {
    std::lock_guard<std::mutex> g(mutex_);
    streams_.erase(std::remove(streams_.begin(), streams_.end(), stream), streams_.end());
}

size_t AudioMixer::StreamCount() const {
    std::lock_guard<std::mutex> g(mutex_);
    return streams_.size();
}

void AudioMixer::Mix(int16_t* out, uint32_t frames) {
    std::lock_guard<std::mutex> g(mutex_);
    acc_.assign(static_cast<size_t>(frames) * kOutputChannels, 0);
    for (const auto& s : streams_)
        s->MixInto(acc_.data(), frames);
    for (size_t i = 0; i < acc_.size(); ++i)
        out[i] = static_cast<int16_t>(std::clamp(acc_[i], -32768, 32767));
    framesMixed_ += frames;
}

uint64_t AudioMixer::FramesMixed() const {
    std::lock_guard<std::mutex> g(mutex_);
    return framesMixed_;
}

} // namespace audio
