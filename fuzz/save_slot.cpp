// Save slot files through the reader and its sanitising: the input as a slot file (a record only at
// its exact size), then laid over a whole record (overlay.h). A record taken is safe to use: every
// text field and backlog row terminated, the counts, style and clock in range, sanitising it again
// changes nothing, and the slot page's and the load's readings of it stay in bounds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/game_main.h"
#include "overlay.h"
#include "screens/save_data.h"

namespace {

template <size_t N>
bool Terminated(const char (&field)[N]) {
    return field[N - 1] == '\0';
}

bool SafeToUse(const SaveData& d) {
    for (const auto* table : {d.layerNames, d.spriteNames})
        for (int i = 0; i < 10; ++i)
            if (!Terminated(table[i]))
                return false;
    for (const auto& name : d.charNames)
        if (!Terminated(name))
            return false;
    for (const auto* table : {d.backlogText, d.backlogSpeaker, d.backlogVoice})
        for (int row = 0; row < kBacklogRows; ++row)
            if (table[row][kBacklogRowSize - 1] != 0xFF) // stored inverted
                return false;
    return Terminated(d.bgmName) && Terminated(d.scriptName) && Terminated(d.seName) &&
           Terminated(d.plainText) && Terminated(d.rawText) && Terminated(d.namePlate) &&
           Terminated(d.extraText) && d.backlogCount <= kBacklogMax && d.windowStyle <= 2 &&
           d.clockHour <= 23 && d.clockMinute <= 59;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto* record = new SaveData();
    static auto* again = new SaveData();
    static const auto* zero = new SaveData();
    const bool whole = size == kSaveDataSize;
    if (ReadSaveRecord(data, size, record) != whole ||
        (!whole && std::memcmp(record, zero, sizeof *zero) != 0))
        __builtin_trap();
    static auto* file = new std::vector<uint8_t>(kSaveDataSize);
    if (!kestrel::fuzz::LayOver(data, size, file))
        return 0;
    if (!ReadSaveRecord(file->data(), file->size(), record) || !SafeToUse(*record))
        __builtin_trap();
    *again = *record;
    SanitizeSaveData(again);
    if (std::memcmp(again, record, sizeof *record) != 0)
        __builtin_trap();
    const uint8_t scene = ResumeSceneFor(record->resumeScene);
    if (ResumeSceneFor(scene) != scene)
        __builtin_trap();
    (void)HoldsSampledThumbnail(*record);
    return 0;
}
