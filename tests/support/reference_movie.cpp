#include "support/reference_movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace testing_support {

std::vector<ReferencePicture> DecodeReferenceMovie(const std::string& path, int width, int height) {
    std::vector<ReferencePicture> out;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return out;
    const AVCodec* codec = nullptr;
    AVCodecContext* ctx = nullptr;
    int index = -1;
    if (avformat_find_stream_info(fmt, nullptr) >= 0)
        index = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index >= 0 && codec)
        ctx = avcodec_alloc_context3(codec);
    if (!ctx || avcodec_parameters_to_context(ctx, fmt->streams[index]->codecpar) < 0 ||
        avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        avformat_close_input(&fmt);
        return out;
    }
    const int64_t baseMs =
        fmt->start_time == AV_NOPTS_VALUE ? 0 : av_rescale(fmt->start_time, 1000, AV_TIME_BASE);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    auto take = [&] {
        while (avcodec_receive_frame(ctx, frame) == 0) {
            ReferencePicture p;
            p.ms = av_rescale_q(frame->best_effort_timestamp, fmt->streams[index]->time_base,
                                AVRational{1, 1000}) -
                   baseMs;
            p.pixels.assign(static_cast<size_t>(width) * height, 0);
            sws = sws_getCachedContext(sws, frame->width, frame->height,
                                       static_cast<AVPixelFormat>(frame->format), width, height,
                                       AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
            uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(p.pixels.data()), nullptr, nullptr, nullptr};
            int stride[4] = {width * 4, 0, 0, 0};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
            out.push_back(std::move(p));
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == index && avcodec_send_packet(ctx, pkt) >= 0)
            take();
        av_packet_unref(pkt);
    }
    avcodec_send_packet(ctx, nullptr);
    take();
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return out;
}

const ReferencePicture* PictureDueAt(const std::vector<ReferencePicture>& pictures, int64_t ms) {
    const ReferencePicture* due = nullptr;
    for (const ReferencePicture& p : pictures) {
        if (p.ms > ms)
            break;
        due = &p;
    }
    return due;
}

} // namespace testing_support
