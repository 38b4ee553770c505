#include "sound/ogg_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Consecutive holes (lost or corrupt pages the decoder skips over) tolerated in one read before the
// sound counts as broken.
constexpr int kMaxHoles = 64;

using Window = COggReader::Window;

size_t WindowRead(void* ptr, size_t size, size_t count, void* source) {
    auto* w = static_cast<Window*>(source);
    if (!w->IsValid() || size == 0)
        return 0;
    uint64_t want = static_cast<uint64_t>(size) * count;
    uint64_t left = w->size - w->position;
    size_t n = static_cast<size_t>(std::min<uint64_t>(want, left));
    if (n == 0)
        return 0;
    size_t got;
    if (w->inMemory) {
        std::memcpy(ptr, w->memory.data() + w->position, n);
        got = n;
    } else {
        if (!w->file->Seek(static_cast<uint64_t>(w->base) + w->position))
            return 0;
        got = w->file->Read(ptr, n);
    }
    w->position += static_cast<uint32_t>(got);
    return got / size;
}

int WindowSeek(void* source, ogg_int64_t offset, int whence) {
    auto* w = static_cast<Window*>(source);
    if (!w->IsValid())
        return -1;
    int64_t target;
    switch (whence) {
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = static_cast<int64_t>(w->position) + offset;
            break;
        case SEEK_END:
            target = static_cast<int64_t>(w->size) + offset;
            break;
        default:
            return -1;
    }
    // The window is the whole file as far as the decoder can tell.
    if (target < 0 || target > static_cast<int64_t>(w->size))
        return -1;
    w->position = static_cast<uint32_t>(target);
    return 0;
}

int WindowClose(void* source) {
    auto* w = static_cast<Window*>(source);
    bool ok = true;
    if (w->file)
        ok = w->file->Close();
    w->Reset();
    return ok ? 0 : -1;
}

long WindowTell(void* source) {
    auto* w = static_cast<Window*>(source);
    return static_cast<long>(w->position);
}

const ov_callbacks kWindowCallbacks = {WindowRead, WindowSeek, WindowClose, WindowTell};

// The left and right weights of each channel of a stream of more than two channels, in the channel
// order Vorbis fixes for 3 to 8 channels: fronts to their own side, the centre to both at -3 dB, the
// surrounds to their side at -3 dB, the rear centre to both at -6 dB, the low-frequency channel to
// neither. Beyond 8 channels the order is the application's, and every channel goes to both sides.
// Each side's weights are scaled to sum to 1, so a sound in every channel keeps its level.
std::vector<std::array<float, 2>> MixDownWeights(int channels) {
    constexpr float h = 0.70710678f;
    using W = std::array<float, 2>;
    constexpr W l{1, 0}, r{0, 1}, c{h, h}, ls{h, 0}, rs{0, h}, rc{0.5f, 0.5f}, lfe{0, 0};
    std::vector<W> weights;
    switch (channels) {
        case 3:
            weights = {l, c, r};
            break;
        case 4:
            weights = {l, r, ls, rs};
            break;
        case 5:
            weights = {l, c, r, ls, rs};
            break;
        case 6:
            weights = {l, c, r, ls, rs, lfe};
            break;
        case 7:
            weights = {l, c, r, ls, rs, rc, lfe};
            break;
        case 8:
            weights = {l, c, r, ls, rs, ls, rs, lfe};
            break;
        default:
            weights.assign(static_cast<size_t>(channels), W{1, 1});
            break;
    }
    W sum{0, 0};
    for (const W& w : weights) {
        sum[0] += w[0];
        sum[1] += w[1];
    }
    for (W& w : weights) {
        w[0] /= sum[0];
        w[1] /= sum[1];
    }
    return weights;
}

// A decoded sample (full scale 1.0) as 16-bit PCM, rounded to the nearest step and clipped.
int16_t ToPcm16(float x) {
    return static_cast<int16_t>(std::clamp(std::lrint(x * 32768.0f), -32768L, 32767L));
}

} // namespace

void COggReader::Window::Reset() {
    file.reset();
    memory.clear();
    memory.shrink_to_fit();
    inMemory = false;
    base = 0;
    size = 0;
    position = 0;
}

COggReader::COggReader() = default;

COggReader::~COggReader() {
    Close();
}

bool COggReader::Open(const char* name) {
    if (IsOpen() || !name)
        return false;
    if (!OpenArchiveEntry(name))
        return false;
    return OpenStream();
}

bool COggReader::OpenArchiveEntry(const char* name) {
    CArcEntry entry{};
    std::unique_ptr<kestrel::fs::InputFile> file = FindArcEntry(name, &entry);
    if (!file)
        return false;
    // The stored bytes must lie within the file.
    if (static_cast<uint64_t>(entry.offset) + entry.storedLength > file->Size())
        return false;
    if (entry.flags & kArcFlagMask) {
        // Scrambled or compressed: only the archive loader can undo that, so the sound is held
        // decoded in memory.
        file.reset();
        CArcFile whole;
        if (whole.Open(name) != kArcOk)
            return false;
        window.memory.assign(whole.GetData(), whole.GetData() + whole.GetSize());
        window.inMemory = true;
        window.base = 0;
        window.size = whole.GetSize();
    } else {
        window.file = std::move(file);
        window.base = entry.offset;
        window.size = entry.storedLength;
    }
    window.position = 0;
    return true;
}

bool COggReader::OpenStream() {
    if (ov_open_callbacks(&window, &vf, nullptr, 0, kWindowCallbacks) != 0) {
        // On a failed open the decoder does not call the close callback.
        window.Reset();
        return false;
    }
    streamOpen = true;
    vorbis_info* info = ov_info(&vf, -1);
    ogg_int64_t total = ov_pcm_total(&vf, -1);
    if (!ov_seekable(&vf) || !info || info->channels < 1 || info->rate < 1 || info->rate > 0xFFFFFFFFL ||
        total < 0) {
        Close();
        return false;
    }
    // The format is read once: a chained file has one only when every link shares the first's.
    bool oneFormat = true;
    for (int i = 1; oneFormat && i < ov_streams(&vf); ++i) {
        vorbis_info* link = ov_info(&vf, i);
        oneFormat = link && link->channels == info->channels && link->rate == info->rate;
    }
    format = WaveFormat{};
    mixDown.clear();
    if (oneFormat) {
        if (info->channels > 2)
            mixDown = MixDownWeights(info->channels);
        format.formatTag = WAVE_FORMAT_PCM;
        format.channels = static_cast<uint16_t>(std::min(info->channels, 2));
        format.samplesPerSec = static_cast<uint32_t>(info->rate);
        format.bitsPerSample = 16;
        format.blockAlign = static_cast<uint16_t>(format.channels * 2);
        format.avgBytesPerSec = static_cast<uint32_t>(
            std::min<uint64_t>(uint64_t{format.samplesPerSec} * format.blockAlign, UINT32_MAX));
    }
    totalSamples = static_cast<uint32_t>(std::min<ogg_int64_t>(total, UINT32_MAX));
    atEnd = 0;
    return true;
}

void COggReader::Close() {
    if (streamOpen) {
        ov_clear(&vf); // calls the close callback, which resets the window
        streamOpen = false;
    }
    window.Reset();
    totalSamples = 0;
    atEnd = 0;
}

bool COggReader::IsOpen() const {
    return streamOpen;
}

bool COggReader::Read(void* dst, uint32_t bytes, uint32_t* got) {
    if (!IsOpen() || (!dst && bytes > 0))
        return false;
    char* out = static_cast<char*>(dst);
    uint32_t done = 0;
    int holes = 0;
    while (done < bytes) {
        int stream = 0;
        uint32_t room = std::min<uint32_t>(bytes - done, 1u << 20);
        long r = mixDown.empty() ? ov_read(&vf, out + done, static_cast<int>(room), 0, 2, 1, &stream)
                                 : ReadMixedDown(out + done, room, &stream);
        if (r == OV_HOLE && ++holes <= kMaxHoles)
            continue;
        if (r < 1) {
            atEnd = 1;
            break;
        }
        holes = 0;
        done += static_cast<uint32_t>(r);
    }
    if (got)
        *got = done;
    return true;
}

long COggReader::ReadMixedDown(char* out, uint32_t room, int* link) {
    const uint32_t frames = room / 4;
    if (frames == 0)
        return OV_EINVAL; // no whole frame fits, as ov_read reports it
    float** pcm = nullptr;
    long n = ov_read_float(&vf, &pcm, static_cast<int>(frames), link);
    if (n < 1)
        return n;
    const size_t channels = mixDown.size();
    for (long i = 0; i < n; ++i) {
        float left = 0, right = 0;
        for (size_t c = 0; c < channels; ++c) {
            left += pcm[c][i] * mixDown[c][0];
            right += pcm[c][i] * mixDown[c][1];
        }
        const int16_t frame[2] = {ToPcm16(left), ToPcm16(right)};
        for (int k = 0; k < 2; ++k) {
            out[i * 4 + k * 2] = static_cast<char>(frame[k] & 0xFF);
            out[i * 4 + k * 2 + 1] = static_cast<char>((frame[k] >> 8) & 0xFF);
        }
    }
    return n * 4;
}

bool COggReader::Seek(uint32_t sample) {
    if (!IsOpen() || ov_pcm_seek(&vf, sample) != 0)
        return false;
    atEnd = 0;
    return true;
}

int64_t COggReader::Tell() {
    if (!IsOpen())
        return 0;
    ogg_int64_t t = ov_pcm_tell(&vf);
    return t < 0 ? 0 : t;
}

void COggReader::GetFormat(WaveFormat* out) const {
    if (out)
        *out = format;
}

bool COggReader::SetLoopCount(int32_t n) {
    if (n < -1)
        return false;
    loopCount = n;
    return true;
}

double COggReader::GetTotalTime() {
    if (!IsOpen())
        return 0.0;
    double t = ov_time_total(&vf, -1);
    return t < 0 ? 0.0 : t;
}

double COggReader::GetCurrentTime() {
    if (!IsOpen())
        return 0.0;
    double t = ov_time_tell(&vf);
    return t < 0 ? 0.0 : t;
}
