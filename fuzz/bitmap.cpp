// Bitmap files of any shape through the reader and the conversion, then the loaded surface through
// a few blits, so that whatever loads is also safe to draw.
#include <cstddef>
#include <cstdint>

#include "graphics/dib32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CDIB32* screen = [] {
        auto* s = new CDIB32();
        s->Create(nullptr, 64, 48, 24);
        return s;
    }();
    CDIB32 picture;
    if (picture.LoadFromMemory(data, size) != 0) {
        // A failed load leaves an empty surface.
        if (picture.GetWidth() != 0 || picture.GetHeight() != 0 || picture.GetPixelAddress(0, 0) != nullptr) {
            __builtin_trap();
        }
        return 0;
    }
    const int32_t w = picture.GetWidth();
    const int32_t h = picture.GetHeight();
    if (w <= 0 || h <= 0 || picture.GetPixelAddress(w - 1, h - 1) == nullptr) {
        __builtin_trap();
    }
    CDIB32::BltAlpha(screen, -3, -2, &picture, 0, 0, w, h);
    CDIB32::BltFade(screen, 5, 5, w * 2 + 1, h / 2 + 1, &picture, 0, 0, 0, w, h, 100);
    CDIB32::BltAlphaFade(screen, 60, 40, &picture, 0, 0, w, h, 77);
    screen->BltColorKeyRaw(&picture, 1, 1, nullptr, nullptr, nullptr);
    return 0;
}
