// System data files through the reader: the input as "save\Config.dat", then laid over a whole file
// (overlay.h). Over the defaults, the block keeps them beyond a short file's end, and its
// percentages, text speed and names are in range whatever the file held.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "overlay.h"
#include "screens/system_data.h"

namespace {

bool InRange(const SystemData& d) {
    const auto percent = [](uint8_t v) { return v <= 100; };
    return d.messageSpeed >= 0 && d.messageSpeed <= 100 && percent(d.bgmVolume) && percent(d.seVolume) &&
           std::all_of(std::begin(d.voiceVolumes), std::end(d.voiceVolumes), percent) &&
           percent(d.autoSpeed) && percent(d.windowTransparency) &&
           d.familyName[sizeof d.familyName - 1] == '\0' && d.givenName[sizeof d.givenName - 1] == '\0';
}

void Check(const uint8_t* bytes, size_t size, const SystemData& defaults) {
    static auto* block = new SystemData();
    static auto* again = new SystemData();
    *block = defaults;
    ReadSystemDataImage(bytes, size, block);
    const auto* got = reinterpret_cast<const uint8_t*>(block);
    const auto* kept = reinterpret_cast<const uint8_t*>(&defaults);
    const size_t covered = std::min(size, kSystemDataSize);
    if (!InRange(*block) || std::memcmp(got + covered, kept + covered, kSystemDataSize - covered) != 0)
        __builtin_trap();
    // A block read back from its own bytes is the same block.
    *again = defaults;
    ReadSystemDataImage(got, kSystemDataSize, again);
    if (std::memcmp(again, block, kSystemDataSize) != 0)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto* defaults = [] {
        SetSystemDataDefaults();
        return new SystemData(g_SystemData);
    }();
    Check(data, size, *defaults);
    static auto* file = new std::vector<uint8_t>(kSystemDataSize);
    if (kestrel::fuzz::LayOver(data, size, file))
        Check(file->data(), file->size(), *defaults);
    return 0;
}
