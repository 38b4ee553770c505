// A headless game for the screen tests: a temporary game folder with fixture pictures, the fake
// clock, the headless window backend, and the runtime objects that the screens use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/types.h"
#include "support/scratch_folder.h"

class CDIB32;

namespace screentest {

// Fixture colours (pixel words: blue low byte).
inline constexpr uint32_t kLogoColour = 0x00C03010;  // first logo
inline constexpr uint32_t kLogo2Colour = 0x002060E0; // second logo
inline constexpr uint32_t kWhite = 0x00FFFFFF;

// A temporary game folder with its "save" folder, made the game folder for its lifetime; removed
// afterwards.
class TempGameFolder {
public:
    TempGameFolder();
    TempGameFolder(const TempGameFolder&) = delete;
    TempGameFolder& operator=(const TempGameFolder&) = delete;

    const std::string& path() const { return m_path; }
    // Writes a file below the folder ('/' separated relative path); folders are made as needed.
    void WriteFile(const std::string& relative, const std::vector<uint8_t>& bytes) const;
    // A 24-bit picture of one colour.
    void WriteFlatBitmap(const std::string& relative, int32_t width, int32_t height, uint32_t colour) const;
    // A 32-bit picture with alpha from pixel words, top row first.
    void WriteBitmap32(const std::string& relative, int32_t width, int32_t height,
                       const std::vector<uint32_t>& pixels) const;
    bool Exists(const std::string& relative) const;

private:
    testing_support::ScratchGameFolder m_folder;
    std::string m_path;
};

// The pictures of the logo and the title menu (every progress level), with flat logos, a patterned
// title background and parts with graded alpha.
void WriteTitlePictures(const TempGameFolder& folder);
// The title background pattern and the highlight parts, as written by WriteTitlePictures.
uint32_t TitleBackgroundPixel(int32_t x, int32_t y, int level);
uint32_t TitlePartsPixel(int32_t x, int32_t y);

// Everything the screens reach through globals, built the way the window's creation builds it
// (display, back buffer, layer 0, input, application object, script engine, system data defaults),
// on a headless window, with a fake clock. Torn down in reverse on destruction.
class ScreenRuntime {
public:
    ScreenRuntime();
    ~ScreenRuntime();
    ScreenRuntime(const ScreenRuntime&) = delete;
    ScreenRuntime& operator=(const ScreenRuntime&) = delete;

    HWND hwnd() const { return m_hwnd; }
    FakeClock& clock() { return m_clock.clock(); }
    plat::HeadlessBackend& backend() { return m_backend.backend(); }
    const TempGameFolder& folder() const { return m_folder; }

    // Input as the window procedure leaves it.
    void MoveMouse(int32_t x, int32_t y);
    void PressLeft();
    void SetCtrl(bool held);
    void PressUp();
    void PressDown();
    void WheelUp();
    void WheelDown();
    // Moves the mouse onto the point where the last cursor warp put the pointer (the platform would
    // report that move on its own).
    void FollowWarp();

    // Opens a sound device whose mixer nothing drives (sounds stay playing) and writes short tones
    // for the click "se/sys_010.ogg" and the title music "bgm/bgm09.ogg" and "bgm/op_arr01.ogg".
    // False when the device cannot be made.
    bool EnableSound();

private:
    ScopedFakeClock m_clock{100000};
    plat::ScopedHeadlessBackend m_backend;
    TempGameFolder m_folder;
    HWND m_hwnd = nullptr;
    bool m_sound = false;
};

// The glyph font of the window's creation (the system's fonts, height 24) for its lifetime, so that
// the text the screens draw is part of the pictures compared.
class ScopedGlyphFont {
public:
    explicit ScopedGlyphFont(HWND hwnd);
    ~ScopedGlyphFont();
    ScopedGlyphFont(const ScopedGlyphFont&) = delete;
    ScopedGlyphFont& operator=(const ScopedGlyphFont&) = delete;
};

// Pixel word of a surface, 0 outside it or for a null surface.
uint32_t PixelOf(CDIB32* surface, int32_t x, int32_t y);
// Per-channel blend of two pixel words as the constant-opacity blit does it (alpha byte ignored).
uint32_t Blend(uint32_t under, uint32_t over, uint32_t level);
// Largest per-channel difference of two pixel words (blue, green, red).
int ChannelDistance(uint32_t a, uint32_t b);

} // namespace screentest
