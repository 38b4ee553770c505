// Cursor files of any shape through the reader: a file it takes gives a picture whose pixels and hot
// spot all lie inside it.
#include <cstddef>
#include <cstdint>

#include "platform/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plat::CursorImage image;
    if (!plat::ParseCursorFile(data, size, &image))
        return 0;
    if (image.width < 1 || image.height < 1 || image.width > plat::kMaxCursorSide ||
        image.height > plat::kMaxCursorSide || image.hotX < 0 || image.hotX >= image.width ||
        image.hotY < 0 || image.hotY >= image.height ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
        __builtin_trap();
    }
    return 0;
}
