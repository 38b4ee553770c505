#include "sound/ogg_reader.h"

#include <algorithm>
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
    bool ok = ov_seekable(&vf) && info && info->channels >= 1 && info->channels <= 2 && info->rate > 0 &&
              info->rate <= static_cast<long>(audio::kMaxSourceRate) && total >= 0 && total <= 0xFFFFFFFFLL;
    // The format is read once: every link of a chained file must share it.
    for (int i = 1; ok && i < ov_streams(&vf); ++i) {
        vorbis_info* link = ov_info(&vf, i);
        ok = link && link->channels == info->channels && link->rate == info->rate;
    }
    if (!ok) {
        Close();
        return false;
    }
    format.formatTag = WAVE_FORMAT_PCM;
    format.channels = static_cast<uint16_t>(info->channels);
    format.samplesPerSec = static_cast<uint32_t>(info->rate);
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<uint16_t>(format.channels * 2);
    format.avgBytesPerSec = format.samplesPerSec * format.blockAlign;
    totalSamples = static_cast<uint32_t>(total);
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
        int room = static_cast<int>(std::min<uint32_t>(bytes - done, 1u << 20));
        long r = ov_read(&vf, out + done, room, 0, 2, 1, &stream);
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
