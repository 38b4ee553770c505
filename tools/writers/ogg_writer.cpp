#include "writers/ogg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <vorbis/vorbisenc.h>

#if defined(__SANITIZE_ADDRESS__)
#define KESTREL_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTREL_LEAK_CHECKER 1
#endif
#endif
#ifdef KESTREL_LEAK_CHECKER
#include <sanitizer/lsan_interface.h>
#endif

namespace kestrel::test {

std::vector<int16_t> MakeTone(double hz, uint32_t frames, int channels, int rate, double amplitude) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        double s = amplitude * std::sin(2.0 * M_PI * hz * i / rate);
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(std::lround(s));
    }
    return pcm;
}

namespace {

// Allocations of this thread while the scope lives are not reported as leaks.
struct LibraryLeakScope {
#ifdef KESTREL_LEAK_CHECKER
    LibraryLeakScope() {
        __lsan_disable();
    }
    ~LibraryLeakScope() {
        __lsan_enable();
    }
#endif
};

void AppendPage(const ogg_page& page, std::vector<uint8_t>& out) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

} // namespace

std::vector<uint8_t> EncodeOggVorbis(const std::vector<int16_t>& pcm, int channels, int rate, float quality,
                                     int serial) {
    std::vector<uint8_t> out;
    if (channels < 1 || rate <= 0)
        return out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    int setup;
    {
        // libvorbisenc 1.3.7 loses a block of its six-channel setup; the leak checker is told not
        // to report what the library allocates here.
        [[maybe_unused]] LibraryLeakScope scope;
        setup = vorbis_encode_init_vbr(&vi, channels, rate, quality);
    }
    if (setup != 0) {
        vorbis_info_clear(&vi);
        return out;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);

    ogg_packet header, comm, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comm, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comm);
    ogg_stream_packetin(&os, &code);
    ogg_page og;
    while (ogg_stream_flush(&os, &og) != 0)
        AppendPage(og, out);

    const size_t frames = pcm.size() / channels;
    constexpr size_t kChunk = 4096;
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        size_t n = std::min(kChunk, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buf[c][i] = pcm[(done + i) * channels + c] / 32768.0f;
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0) {
                    AppendPage(og, out);
                    if (ogg_page_eos(&og))
                        eos = true;
                }
            }
        }
        if (n == 0) {
            while (ogg_stream_flush(&os, &og) != 0) {
                AppendPage(og, out);
                eos = true;
            }
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

bool SetOggVorbisRate(std::vector<uint8_t>& ogg, uint32_t rate) {
    // Page header: "OggS", version, type, granule (8), serial (4), sequence (4), checksum (4), the
    // segment count and its lacing values; then the packet: type 1, "vorbis", version (4), channels
    // (1), rate (4, little-endian).
    constexpr size_t kSegments = 26;
    if (ogg.size() < kSegments + 1 || std::memcmp(ogg.data(), "OggS", 4) != 0)
        return false;
    const size_t headerLength = kSegments + 1 + ogg[kSegments];
    size_t bodyLength = 0;
    for (size_t i = kSegments + 1; i < headerLength && i < ogg.size(); ++i)
        bodyLength += ogg[i];
    if (ogg.size() < headerLength + bodyLength || bodyLength < 16 ||
        std::memcmp(ogg.data() + headerLength, "\x01vorbis", 7) != 0)
        return false;
    for (int k = 0; k < 4; ++k)
        ogg[headerLength + 12 + k] = static_cast<uint8_t>(rate >> (8 * k));
    ogg_page page{ogg.data(), static_cast<long>(headerLength), ogg.data() + headerLength,
                  static_cast<long>(bodyLength)};
    ogg_page_checksum_set(&page);
    return true;
}

std::vector<uint8_t> MakeToneOgg(double hz, double seconds, int channels, int rate, double amplitude) {
    uint32_t frames = static_cast<uint32_t>(std::lround(seconds * rate));
    return EncodeOggVorbis(MakeTone(hz, frames, channels, rate, amplitude), channels, rate);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace kestrel::test
