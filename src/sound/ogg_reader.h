// Readers that decode one sound to 16-bit PCM for a streaming buffer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <vorbis/vorbisfile.h>

#include "archive/arc_file.h"
#include "platform/audio_mixer.h"

// The abstract reader of a streaming buffer. Positions and lengths are in samples per channel
// (frames).
class CWaveReader {
public:
    virtual ~CWaveReader() = default;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Reads up to `bytes` bytes of PCM; *got (when given) receives the count. A short read means the
    // end of the sound or an error, and sets IsEnd. False only when closed.
    virtual bool Read(void* dst, uint32_t bytes, uint32_t* got) = 0;
    virtual bool Seek(uint32_t sample) = 0;
    virtual int64_t Tell() = 0;
    virtual bool IsEnd() const = 0;
    virtual void GetFormat(WaveFormat* out) const = 0;
    virtual uint32_t GetTotalSamples() const = 0;
    virtual uint32_t GetLoopStart() const = 0;
    virtual uint32_t GetLoopEnd() const = 0;
    // -1 endless, 0 once, n further repeats.
    virtual int32_t GetLoopCount() const = 0;
    // Longer than one second at 44,100 Hz.
    virtual bool IsLong() const = 0;
};

// Decodes an Ogg Vorbis file, a loose file or an archive entry, streamed in place through a window
// on the file: every read, seek and tell of the decoder works relative to the entry and never goes
// past its end, so the next entry of an archive is never read as part of this one. An entry stored
// with transforms is loaded whole through CArcFile (which undoes them) and streamed from memory.
//
// The PCM is 16-bit at the stream's own rate, mono or stereo as stored; a stream of more than two
// channels is mixed down to stereo as it is read, so that every stream has a format a sound buffer
// can take. Positions and lengths stay those of the stream.
class COggReader : public CWaveReader {
public:
    COggReader();
    ~COggReader() override;
    COggReader(const COggReader&) = delete;
    COggReader& operator=(const COggReader&) = delete;

    // Opens the named sound (loose file or archive entry). False when already open, not found, not
    // Ogg Vorbis or not seekable; nothing is shown. A stream whose links differ in channels or rate
    // has no one PCM format: it opens with a format tag of 0, for which no buffer can be made.
    // Lengths beyond 2^32 - 1 frames are cut there.
    bool Open(const char* name);

    void Close() override;
    bool IsOpen() const override;
    bool Read(void* dst, uint32_t bytes, uint32_t* got) override;
    bool Seek(uint32_t sample) override;
    int64_t Tell() override;
    bool IsEnd() const override { return atEnd != 0; }
    void GetFormat(WaveFormat* out) const override;
    uint32_t GetTotalSamples() const override { return totalSamples; }
    uint32_t GetLoopStart() const override { return 0; }
    uint32_t GetLoopEnd() const override { return GetTotalSamples(); }
    int32_t GetLoopCount() const override { return loopCount; }
    bool IsLong() const override { return GetTotalSamples() > 44100; }

    // False for n < -1 (the count is then unchanged).
    virtual bool SetLoopCount(int32_t n);
    // Seconds; 0 when closed.
    virtual double GetTotalTime();
    virtual double GetCurrentTime();

    // The window the decoder reads through: an open file (a loose file or an archive holding the
    // entry at `base`), or the decoded bytes of an entry held in memory.
    struct Window {
        std::unique_ptr<kestrel::fs::InputFile> file;
        std::vector<uint8_t> memory;
        bool inMemory = false;
        uint32_t base = 0;     // offset of the sound's first byte in the file
        uint32_t size = 0;     // the sound's size in bytes
        uint32_t position = 0; // read position relative to base, 0..size
        bool IsValid() const { return inMemory || file != nullptr; }
        void Reset();
    };

private:
    bool OpenArchiveEntry(const char* name);
    bool OpenStream();
    // Decodes up to `room` bytes of frames mixed down to stereo; the result as ov_read's.
    long ReadMixedDown(char* out, uint32_t room, int* link);

    Window window;
    OggVorbis_File vf{};
    bool streamOpen = false;
    WaveFormat format{};
    uint32_t totalSamples = 0;
    int32_t loopCount = 0;
    uint8_t atEnd = 0;
    // Left and right weight of each decoded channel, for a stream of more than two channels; empty
    // when the stream is read as it is stored.
    std::vector<std::array<float, 2>> mixDown;
};
