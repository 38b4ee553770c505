#include "platform/movie_player.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/clock.h"
#include "platform/sound_device.h"

namespace plat {

namespace {

constexpr uint32_t kFrameBytes = 4;                       // 16-bit stereo
constexpr uint32_t kRingFrames = audio::kOutputRate;      // one second of sound in the ring
constexpr uint32_t kAheadFrames = audio::kOutputRate / 2; // kept decoded ahead of the cursor
constexpr uint32_t kStallMs = 1000;                       // a device that plays nothing this long
constexpr uint32_t kSmoothMs = 40;                        // at most interpolated between steps
constexpr size_t kMaxQueuedPackets = 2048;                // per stream, against runaway demuxing
constexpr int kMaxBadPackets = 256;                       // undecodable packets in a row: give up

struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// One decoder with its packet queue.
struct Decoder {
    int stream = -1;
    AVCodecContext* ctx = nullptr;
    std::deque<PacketPtr> queue;
    bool flushed = false; // the end was sent to the decoder
    bool done = false;    // the decoder gave its last frame
    int badPackets = 0;

    ~Decoder() { avcodec_free_context(&ctx); }

    bool Open(AVFormatContext* fmt, AVMediaType type) {
        const AVCodec* codec = nullptr;
        int index = av_find_best_stream(fmt, type, -1, -1, &codec, 0);
        if (index < 0 || !codec)
            return false;
        ctx = avcodec_alloc_context3(codec);
        if (!ctx)
            return false;
        ctx->thread_count = 1; // the game's thread only
        if (avcodec_parameters_to_context(ctx, fmt->streams[index]->codecpar) < 0 ||
            avcodec_open2(ctx, codec, nullptr) < 0) {
            avcodec_free_context(&ctx);
            return false;
        }
        stream = index;
        return true;
    }
};

} // namespace

struct MoviePlayer::Impl {
    AVFormatContext* fmt = nullptr;
    Decoder video;
    Decoder sound;
    bool demuxEnded = false;
    int64_t baseMs = 0; // the container's start, taken as position 0
    uint32_t durationMs = 0;

    // Pictures.
    FramePtr pending; // decoded, not yet due
    int64_t pendingMs = 0;
    int64_t lastPictureMs = -1;
    int64_t frameStepMs = 33;
    SwsContext* sws = nullptr;
    uint32_t shown = 0;
    uint32_t dropped = 0;

    // Sound.
    SoundDevice* device = nullptr;
    std::unique_ptr<SoundBuffer> ring;
    SwrContext* swr = nullptr;
    std::vector<uint8_t> pcm;
    uint64_t writtenFrames = 0; // frames written into the ring, silence included
    uint64_t heardFrames = 0;   // frames of the movie's sound (with its leading silence) written
    uint64_t playedFrames = 0;  // frames the device has played
    uint32_t lastCursor = 0;
    bool soundEnded = false;
    bool leadingSilenceDone = false;

    // The clock.
    bool started = false;
    bool stopped = false;
    bool useWallClock = true;
    uint32_t wallStart = 0; // ms when the wall clock's position was wallBaseMs
    uint32_t wallBaseMs = 0;
    uint32_t lastAdvanceWall = 0; // ms when the played count last moved
    uint64_t lastPlayedSeen = 0;

    ~Impl() {
        ring.reset();
        swr_free(&swr);
        sws_freeContext(sws);
        avformat_close_input(&fmt);
    }

    int64_t ToMs(int64_t ts, AVRational tb) const {
        return av_rescale_q(ts, tb, AVRational{1, 1000}) - baseMs;
    }

    // Reads one packet into its queue. False at the end of the file or on a read error (which ends
    // the file where it stands).
    bool Demux() {
        if (demuxEnded)
            return false;
        if (video.queue.size() >= kMaxQueuedPackets || sound.queue.size() >= kMaxQueuedPackets) {
            // The other stream is not taking its packets; drop the oldest sound rather than grow.
            if (!sound.queue.empty())
                sound.queue.pop_front();
            else
                return false;
        }
        PacketPtr pkt(av_packet_alloc());
        if (!pkt) {
            demuxEnded = true;
            return false;
        }
        int r = av_read_frame(fmt, pkt.get());
        if (r == AVERROR(EAGAIN))
            return true;
        if (r < 0) {
            demuxEnded = true;
            return false;
        }
        if (pkt->stream_index == video.stream)
            video.queue.push_back(std::move(pkt));
        else if (pkt->stream_index == sound.stream && ring)
            sound.queue.push_back(std::move(pkt));
        return true;
    }

    // The next decoded frame of a decoder into `frame`; false when the decoder is done.
    bool Receive(Decoder& d, AVFrame* frame) {
        while (!d.done) {
            int r = avcodec_receive_frame(d.ctx, frame);
            if (r == 0) {
                d.badPackets = 0;
                return true;
            }
            if (r != AVERROR(EAGAIN)) {
                d.done = true; // the end, or a decoder that cannot go on
                break;
            }
            if (!d.queue.empty()) {
                PacketPtr pkt = std::move(d.queue.front());
                d.queue.pop_front();
                int s = avcodec_send_packet(d.ctx, pkt.get());
                if (s < 0 && s != AVERROR(EAGAIN) && ++d.badPackets > kMaxBadPackets)
                    d.done = true;
                continue;
            }
            if (Demux())
                continue;
            if (!d.flushed) {
                d.flushed = true;
                avcodec_send_packet(d.ctx, nullptr);
                continue;
            }
            d.done = true;
        }
        return false;
    }

    // The next picture into `pending`; false when there is none left.
    bool NextPicture() {
        if (video.done)
            return false;
        FramePtr frame(av_frame_alloc());
        if (!frame || !Receive(video, frame.get()))
            return false;
        AVStream* st = fmt->streams[video.stream];
        int64_t ts = frame->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE)
            ts = frame->pts;
        int64_t ms = ts == AV_NOPTS_VALUE ? lastPictureMs + frameStepMs : ToMs(ts, st->time_base);
        // Never backwards: a damaged stamp is shown in order.
        pendingMs = std::max(ms, lastPictureMs + 1);
        lastPictureMs = pendingMs;
        pending = std::move(frame);
        return true;
    }

    bool Convert(const AVFrame* frame, uint32_t* pixels, int width, int height, int pitch) {
        if (!pixels || width <= 0 || height <= 0 || pitch < width * 4)
            return false;
        sws =
            sws_getCachedContext(sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                 width, height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!sws)
            return false;
        uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(pixels), nullptr, nullptr, nullptr};
        int dstStride[4] = {pitch, 0, 0, 0};
        return sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride) > 0;
    }

    // ---- sound ----

    bool OpenSound() {
        if (!device || !sound.Open(fmt, AVMEDIA_TYPE_AUDIO))
            return false;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        AVChannelLayout in{};
        if (sound.ctx->ch_layout.nb_channels > 0)
            av_channel_layout_copy(&in, &sound.ctx->ch_layout);
        else
            av_channel_layout_default(&in, 2);
        int r = swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, static_cast<int>(audio::kOutputRate),
                                    &in, sound.ctx->sample_fmt, sound.ctx->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        if (r < 0 || !swr || swr_init(swr) < 0) {
            swr_free(&swr);
            return false;
        }
        WaveFormat format{};
        format.formatTag = WAVE_FORMAT_PCM;
        format.channels = 2;
        format.samplesPerSec = audio::kOutputRate;
        format.bitsPerSample = 16;
        format.blockAlign = kFrameBytes;
        format.avgBytesPerSec = audio::kOutputRate * kFrameBytes;
        SoundBufferDesc desc;
        desc.flags = DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS;
        desc.bufferBytes = kRingFrames * kFrameBytes;
        desc.format = &format;
        ring = device->CreateSoundBuffer(desc);
        if (!ring) {
            swr_free(&swr);
            return false;
        }
        return true;
    }

    // Writes frames into the ring at the write cursor (null data: silence).
    void WriteRing(const uint8_t* data, uint32_t frames) {
        std::vector<uint8_t> silence;
        if (!data) {
            silence.assign(static_cast<size_t>(frames) * kFrameBytes, 0);
            data = silence.data();
        }
        while (frames > 0) {
            uint32_t offset = static_cast<uint32_t>((writtenFrames % kRingFrames) * kFrameBytes);
            uint32_t n = std::min(frames, kRingFrames - static_cast<uint32_t>(writtenFrames % kRingFrames));
            void* p1 = nullptr;
            void* p2 = nullptr;
            uint32_t b1 = 0, b2 = 0;
            if (ring->Lock(offset, n * kFrameBytes, &p1, &b1, &p2, &b2)) {
                std::copy_n(data, b1, static_cast<uint8_t*>(p1));
                ring->Unlock(p1, b1, p2, b2);
            }
            data += static_cast<size_t>(n) * kFrameBytes;
            frames -= n;
            writtenFrames += n;
        }
    }

    // Converts one decoded sound frame (null: the resampler's tail) and appends it to `pcm`.
    void Resample(const AVFrame* frame) {
        int inSamples = frame ? frame->nb_samples : 0;
        int outMax = swr_get_out_samples(swr, inSamples);
        if (outMax <= 0)
            return;
        size_t old = pcm.size();
        pcm.resize(old + static_cast<size_t>(outMax) * kFrameBytes);
        uint8_t* out[1] = {pcm.data() + old};
        int got = swr_convert(swr, out, outMax,
                              frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inSamples);
        pcm.resize(old + static_cast<size_t>(std::max(got, 0)) * kFrameBytes);
    }

    // Keeps the ring filled about half a second ahead of the device's cursor: the movie's sound while
    // it lasts, silence after it, so that the device never replays old sound.
    void FillSound() {
        uint64_t target = playedFrames + kAheadFrames;
        FramePtr frame(av_frame_alloc());
        while (writtenFrames < target && frame) {
            if (!pcm.empty()) {
                uint32_t frames = static_cast<uint32_t>(
                    std::min<uint64_t>(pcm.size() / kFrameBytes, target - writtenFrames));
                WriteRing(pcm.data(), frames);
                heardFrames = writtenFrames;
                pcm.erase(pcm.begin(), pcm.begin() + static_cast<ptrdiff_t>(frames) * kFrameBytes);
                continue;
            }
            if (soundEnded) {
                WriteRing(nullptr, static_cast<uint32_t>(target - writtenFrames));
                break;
            }
            if (!Receive(sound, frame.get())) {
                Resample(nullptr);
                soundEnded = true;
                continue;
            }
            if (!leadingSilenceDone) {
                // A sound that starts after the picture starts after silence of that length.
                leadingSilenceDone = true;
                int64_t ts = frame->best_effort_timestamp;
                if (ts != AV_NOPTS_VALUE) {
                    int64_t ms = ToMs(ts, fmt->streams[sound.stream]->time_base);
                    if (ms > 0 && ms < 5000) {
                        WriteRing(nullptr, static_cast<uint32_t>(ms * audio::kOutputRate / 1000));
                        heardFrames = writtenFrames;
                    }
                }
            }
            Resample(frame.get());
            av_frame_unref(frame.get());
        }
    }

    // Takes the device's progress since the last call.
    void TrackCursor() {
        uint32_t cursor = 0;
        if (!ring->GetCurrentPosition(&cursor, nullptr))
            return;
        uint32_t ringBytes = kRingFrames * kFrameBytes;
        uint32_t delta = (cursor + ringBytes - lastCursor) % ringBytes;
        lastCursor = cursor;
        playedFrames += delta / kFrameBytes;
        if (playedFrames > writtenFrames) // the device overtook the writer: it heard silence or old sound
            playedFrames = writtenFrames;
    }

    uint32_t Position() {
        if (!started)
            return 0;
        uint32_t now = timeGetTime();
        if (useWallClock)
            return wallBaseMs + (now - wallStart);
        TrackCursor();
        uint32_t playedMs = static_cast<uint32_t>(playedFrames * 1000 / audio::kOutputRate);
        if (playedFrames != lastPlayedSeen) {
            lastPlayedSeen = playedFrames;
            lastAdvanceWall = now;
        } else if (now - lastAdvanceWall >= kStallMs) {
            // The device plays nothing: go on by the millisecond clock from here.
            useWallClock = true;
            wallBaseMs = playedMs;
            wallStart = now;
            if (ring)
                ring->Stop();
            return playedMs;
        }
        // The device takes its sound in blocks; between two of them the clock runs on a little.
        return playedMs + std::min(now - lastAdvanceWall, kSmoothMs);
    }
};

MoviePlayer::MoviePlayer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MoviePlayer::~MoviePlayer() = default;

std::unique_ptr<MoviePlayer> MoviePlayer::Open(const std::string& path, SoundDevice* device,
                                               std::string* error) {
    auto fail = [&](const std::string& why) -> std::unique_ptr<MoviePlayer> {
        if (error)
            *error = path + ": " + why;
        return nullptr;
    };
    // Damaged pictures are concealed by the decoder; its notes about them are not for the player.
    av_log_set_level(AV_LOG_FATAL);
    auto impl = std::make_unique<Impl>();
    int r = avformat_open_input(&impl->fmt, path.c_str(), nullptr, nullptr);
    if (r < 0)
        return fail(ErrorText(r));
    r = avformat_find_stream_info(impl->fmt, nullptr);
    if (r < 0)
        return fail(ErrorText(r));
    if (!impl->video.Open(impl->fmt, AVMEDIA_TYPE_VIDEO))
        return fail("no video stream that can be decoded");
    if (impl->fmt->start_time != AV_NOPTS_VALUE)
        impl->baseMs = av_rescale(impl->fmt->start_time, 1000, AV_TIME_BASE);
    if (impl->fmt->duration != AV_NOPTS_VALUE && impl->fmt->duration > 0)
        impl->durationMs = static_cast<uint32_t>(
            std::min<int64_t>(av_rescale(impl->fmt->duration, 1000, AV_TIME_BASE), UINT32_MAX));
    AVRational rate = impl->fmt->streams[impl->video.stream]->avg_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        impl->frameStepMs = std::max<int64_t>(1, av_rescale(1000, rate.den, rate.num));
    impl->device = device;
    impl->OpenSound();
    return std::unique_ptr<MoviePlayer>(new MoviePlayer(std::move(impl)));
}

int MoviePlayer::Width() const {
    return impl_->video.ctx->width;
}

int MoviePlayer::Height() const {
    return impl_->video.ctx->height;
}

bool MoviePlayer::HasSound() const {
    return impl_->ring != nullptr;
}

uint32_t MoviePlayer::DurationMs() const {
    return impl_->durationMs;
}

void MoviePlayer::Start() {
    Impl& m = *impl_;
    if (m.started)
        return;
    m.started = true;
    m.wallStart = timeGetTime();
    m.lastAdvanceWall = m.wallStart;
    if (m.ring) {
        m.FillSound();
        m.ring->SetCurrentPosition(0);
        m.ring->Play(DSBPLAY_LOOPING);
        m.useWallClock = false;
    }
}

uint32_t MoviePlayer::PositionMs() {
    return impl_->Position();
}

MoviePlayer::Result MoviePlayer::Update(uint32_t* pixels, int width, int height, int pitch) {
    Impl& m = *impl_;
    if (m.stopped)
        return Result::Ended;
    if (!m.started)
        Start();
    int64_t now = m.Position();
    if (m.ring && !m.useWallClock)
        m.FillSound();
    FramePtr due;
    for (;;) {
        if (!m.pending && !m.NextPicture())
            break;
        if (m.pendingMs > now)
            break;
        if (due)
            ++m.dropped;
        due = std::move(m.pending);
    }
    if (due) {
        if (m.Convert(due.get(), pixels, width, height, pitch) || !pixels) {
            ++m.shown;
            return Result::NewPicture;
        }
    }
    bool pictureLeft = m.pending != nullptr || !m.video.done;
    bool soundLeft =
        m.ring && !m.useWallClock && (!m.soundEnded || !m.pcm.empty() || m.playedFrames < m.heardFrames);
    if (!pictureLeft && !soundLeft) {
        Stop();
        return Result::Ended;
    }
    return Result::Waiting;
}

void MoviePlayer::Stop() {
    impl_->stopped = true;
    if (impl_->ring)
        impl_->ring->Stop();
}

uint32_t MoviePlayer::PicturesShown() const {
    return impl_->shown;
}

uint32_t MoviePlayer::PicturesDropped() const {
    return impl_->dropped;
}

} // namespace plat
