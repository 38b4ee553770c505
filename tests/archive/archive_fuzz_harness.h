// One input of the archive fuzz target, shared with the test that replays its corpus: the bytes are
// loaded as an archive through the engine's loader, and fed to every decoder and to the transform chain.
// Any inconsistency traps; the sanitizers catch the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "archive/arc_file.h"
#include "archive/arc_transforms.h"
#include "archive/paths.h"
#include "platform/file_system.h"

namespace kestrel::archive_fuzz {

// Output limit of the decoders here: large enough for every corpus file, small enough to stay quick.
constexpr uint32_t kFuzzMaxOutput = 16u << 20;

inline void Check(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

inline void CheckLoad(CArcFile& f, int result) {
    Check(result >= -1 && result <= 5);
    if (result == kArcOk) {
        Check(f.GetData() != nullptr && f.GetData()[f.GetSize()] == 0);
        // Touch every byte, so that undefined bytes would show under MemorySanitizer-like checks.
        volatile uint8_t sum = 0;
        for (uint32_t i = 0; i < f.GetSize(); ++i) {
            sum = static_cast<uint8_t>(sum + f.GetData()[i]);
        }
        (void)sum;
    } else {
        Check(f.GetData() == nullptr && f.GetSize() == 0 && f.GetPath().empty());
    }
}

// `gameFolder` is an existing folder of the caller's; the bytes are written there as "data.dat".
inline void RunInput(const uint8_t* data, size_t size, const std::string& gameFolder) {
    kestrel::fs::SetGameFolder(gameFolder + "/data");
    ResetBasePath();
    std::string archive = gameFolder + "/data.dat";
    if (std::FILE* out = std::fopen(archive.c_str(), "wb")) {
        if (size > 0) {
            std::fwrite(data, 1, size, out);
        }
        std::fclose(out);
    }
    CArcFile f;
    CheckLoad(f, f.Open("missing.bin"));
    // The names of the first records, as far as they are terminated.
    for (size_t rec = 0; rec < 3; ++rec) {
        size_t at = 16 + 48 * rec;
        if (size < at + 32) {
            break;
        }
        size_t len = strnlen(reinterpret_cast<const char*>(data + at), 32);
        if (len == 0 || len == 32) {
            continue;
        }
        std::string name(reinterpret_cast<const char*>(data + at), len);
        CheckLoad(f, f.Open(name));
        char buf[64];
        uint32_t got = 0;
        f.Seek(7, 0);
        Check(f.Read(buf, sizeof buf, &got) == 1 && got <= sizeof buf && f.GetPosition() <= f.GetSize());
    }

    // Each decoder over the whole input.
    using kestrel::arc::ArcBuffer;
    using kestrel::arc::DecodeResult;
    using Decoder = DecodeResult (*)(const uint8_t*, uint32_t, uint32_t, ArcBuffer*);
    const Decoder decoders[] = {kestrel::arc::DecodeRecencyList, kestrel::arc::DecodeRange,
                                kestrel::arc::DecodeLzss, kestrel::arc::InverseBlockSort};
    uint32_t n = size > kFuzzMaxOutput ? kFuzzMaxOutput : static_cast<uint32_t>(size);
    for (Decoder d : decoders) {
        ArcBuffer out;
        if (d(data, n, kFuzzMaxOutput, &out) == DecodeResult::Ok) {
            Check(out.bytes != nullptr && out.bytes[out.length] == 0);
        }
    }
    // The chain, with the flags taken from the first 4 bytes.
    if (n >= 4) {
        uint32_t flags = uint32_t{data[0]} | (uint32_t{data[1]} << 8) | (uint32_t{data[2]} << 16);
        ArcBuffer buf;
        if (buf.Allocate(n - 4)) {
            if (n > 4) {
                std::memcpy(buf.bytes.get(), data + 4, n - 4);
            }
            if (kestrel::arc::ApplyArcTransforms(flags, &buf, kFuzzMaxOutput) == DecodeResult::Ok) {
                Check(buf.bytes != nullptr);
            }
        }
    }
}

} // namespace kestrel::archive_fuzz
