#include "writers/mpeg_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>

namespace kestrel::test {

namespace {

struct Muxer {
    AVFormatContext* fmt = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* sound = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* soundStream = nullptr;
    SwsContext* sws = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;

    ~Muxer() {
        if (fmt && fmt->pb) {
            uint8_t* buffer = nullptr;
            avio_close_dyn_buf(fmt->pb, &buffer);
            av_free(buffer);
            fmt->pb = nullptr;
        }
        avformat_free_context(fmt);
        avcodec_free_context(&video);
        avcodec_free_context(&sound);
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&packet);
    }

    // Sends one frame (null: the end) and writes every packet that comes out.
    bool Encode(AVCodecContext* ctx, AVStream* stream, AVFrame* in) {
        if (avcodec_send_frame(ctx, in) < 0)
            return false;
        for (;;) {
            int r = avcodec_receive_packet(ctx, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return false;
            av_packet_rescale_ts(packet, ctx->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(fmt, packet) < 0)
                return false;
        }
    }
};

} // namespace

void PaintMovingPattern(int index, int width, int height, std::vector<uint32_t>& pixels) {
    pixels.assign(static_cast<size_t>(width) * height, 0);
    int bar = (index * 7) % std::max(width - 16, 1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t r = static_cast<uint32_t>((x + index * 4) * 255 / std::max(width, 1)) & 0xFF;
            uint32_t g = static_cast<uint32_t>((y + index * 3) * 255 / std::max(height, 1)) & 0xFF;
            uint32_t b = static_cast<uint32_t>(index * 9) & 0xFF;
            if (x >= bar && x < bar + 16)
                r = g = b = 255;
            pixels[static_cast<size_t>(y) * width + x] = r << 16 | g << 8 | b;
        }
    }
}

std::vector<uint8_t> EncodeMpegMovie(const MovieSpec& spec) {
    if (spec.width <= 0 || spec.height <= 0 || spec.width % 2 || spec.height % 2 || spec.frames <= 0 ||
        spec.framesPerSecond <= 0 || !spec.paint)
        return {};
    // The program-stream muxer reports the short audio packets of so small a movie as buffer
    // underflows, many a file; every failure that matters comes back as a result here.
    av_log_set_level(AV_LOG_FATAL);
    Muxer m;
    if (avformat_alloc_output_context2(&m.fmt, nullptr, "mpeg", nullptr) < 0 || !m.fmt)
        return {};
    m.fmt->flags |= AVFMT_FLAG_BITEXACT;
    m.packet = av_packet_alloc();
    m.frame = av_frame_alloc();
    if (!m.packet || !m.frame)
        return {};

    const AVCodec* vcodec = avcodec_find_encoder(AV_CODEC_ID_MPEG1VIDEO);
    if (!vcodec)
        return {};
    m.video = avcodec_alloc_context3(vcodec);
    m.videoStream = avformat_new_stream(m.fmt, nullptr);
    if (!m.video || !m.videoStream)
        return {};
    m.video->width = spec.width;
    m.video->height = spec.height;
    m.video->time_base = AVRational{1, spec.framesPerSecond};
    m.video->framerate = AVRational{spec.framesPerSecond, 1};
    m.video->pix_fmt = AV_PIX_FMT_YUV420P;
    m.video->bit_rate = spec.bitRate;
    m.video->gop_size = 12;
    m.video->max_b_frames = 2;
    m.video->thread_count = 1;
    m.video->flags |= AV_CODEC_FLAG_BITEXACT;
    if (avcodec_open2(m.video, vcodec, nullptr) < 0 ||
        avcodec_parameters_from_context(m.videoStream->codecpar, m.video) < 0)
        return {};
    m.videoStream->time_base = m.video->time_base;

    constexpr int kRate = 44100;
    if (spec.toneHz > 0) {
        const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_MP2);
        if (!acodec)
            return {};
        m.sound = avcodec_alloc_context3(acodec);
        m.soundStream = avformat_new_stream(m.fmt, nullptr);
        if (!m.sound || !m.soundStream)
            return {};
        m.sound->sample_fmt = AV_SAMPLE_FMT_S16;
        m.sound->sample_rate = kRate;
        m.sound->bit_rate = 192000;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_copy(&m.sound->ch_layout, &stereo);
        m.sound->time_base = AVRational{1, kRate};
        m.sound->flags |= AV_CODEC_FLAG_BITEXACT;
        if (avcodec_open2(m.sound, acodec, nullptr) < 0 ||
            avcodec_parameters_from_context(m.soundStream->codecpar, m.sound) < 0)
            return {};
        m.soundStream->time_base = m.sound->time_base;
    }

    if (avio_open_dyn_buf(&m.fmt->pb) < 0 || avformat_write_header(m.fmt, nullptr) < 0)
        return {};

    m.sws = sws_getContext(spec.width, spec.height, AV_PIX_FMT_0RGB32, spec.width, spec.height,
                           AV_PIX_FMT_YUV420P, SWS_BILINEAR | SWS_BITEXACT | SWS_ACCURATE_RND, nullptr,
                           nullptr, nullptr);
    if (!m.sws)
        return {};
    std::vector<uint32_t> pixels;
    int64_t soundSamples = 0;
    const int64_t totalSamples = static_cast<int64_t>(spec.frames) * kRate / spec.framesPerSecond;
    for (int i = 0; i < spec.frames; ++i) {
        spec.paint(i, pixels);
        if (pixels.size() != static_cast<size_t>(spec.width) * spec.height)
            return {};
        av_frame_unref(m.frame);
        m.frame->format = AV_PIX_FMT_YUV420P;
        m.frame->width = spec.width;
        m.frame->height = spec.height;
        if (av_frame_get_buffer(m.frame, 0) < 0)
            return {};
        const uint8_t* src[1] = {reinterpret_cast<const uint8_t*>(pixels.data())};
        int srcStride[1] = {spec.width * 4};
        sws_scale(m.sws, src, srcStride, 0, spec.height, m.frame->data, m.frame->linesize);
        m.frame->pts = i;
        if (!m.Encode(m.video, m.videoStream, m.frame))
            return {};
        // The tone up to the end of this picture, in the encoder's frame size.
        while (m.sound && soundSamples < static_cast<int64_t>(i + 1) * kRate / spec.framesPerSecond &&
               soundSamples < totalSamples) {
            av_frame_unref(m.frame);
            m.frame->format = AV_SAMPLE_FMT_S16;
            m.frame->sample_rate = kRate;
            m.frame->nb_samples = m.sound->frame_size;
            av_channel_layout_copy(&m.frame->ch_layout, &m.sound->ch_layout);
            if (av_frame_get_buffer(m.frame, 0) < 0)
                return {};
            auto* out = reinterpret_cast<int16_t*>(m.frame->data[0]);
            for (int s = 0; s < m.frame->nb_samples; ++s) {
                double t = static_cast<double>(soundSamples + s) / kRate;
                auto v = static_cast<int16_t>(std::lround(12000.0 * std::sin(2.0 * M_PI * spec.toneHz * t)));
                out[2 * s] = v;
                out[2 * s + 1] = v;
            }
            m.frame->pts = soundSamples;
            soundSamples += m.frame->nb_samples;
            if (!m.Encode(m.sound, m.soundStream, m.frame))
                return {};
        }
    }
    if (!m.Encode(m.video, m.videoStream, nullptr))
        return {};
    if (m.sound && !m.Encode(m.sound, m.soundStream, nullptr))
        return {};
    if (av_write_trailer(m.fmt) < 0)
        return {};
    uint8_t* buffer = nullptr;
    int size = avio_close_dyn_buf(m.fmt->pb, &buffer);
    m.fmt->pb = nullptr;
    std::vector<uint8_t> bytes(buffer, buffer + std::max(size, 0));
    av_free(buffer);
    return bytes;
}

} // namespace kestrel::test
