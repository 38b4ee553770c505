// The text rasteriser: draws one double-byte character at a time into a surface, blending the
// font's anti-aliased grey-level glyph in a solid colour, and returns the advance. Callers step
// the pen themselves and set the font size and kind before each block of text.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/glyph_source.h"
#include "platform/types.h"

class CDIB32;

class CGlyphFont {
public:
    // Stores the window; creates no font (SetFont does). The glyphs come from the system's fonts.
    explicit CGlyphFont(HWND window);
    // The same with glyphs from `source` (tests, tools).
    CGlyphFont(HWND window, std::unique_ptr<GlyphSource> source);
    ~CGlyphFont();
    CGlyphFont(const CGlyphFont&) = delete;
    CGlyphFont& operator=(const CGlyphFont&) = delete;

    // Replaces the font: `height` in pixels; kind 0 horizontal at weight 600, kind 1 vertical at
    // weight 400, kind 2 horizontal at weight 400, any other kind as kind 0. When the font cannot
    // be made (a height below 1 or above kMaxFontHeight, no face), the previous font and height
    // stay and the failure is reported on the standard error stream (a missing face also once per
    // object in a message box captioned "CreateFont").
    void SetFont(int32_t height, uint32_t kind);

    // Each draw takes the character at `text` (game text, code page 936; only the one character
    // is read, a lead byte before the terminator counts as a single byte), draws it with the top
    // of the text line at `y` and the pen at `x`, clipped to the surface, in `colour` (bits 0-7
    // blue, 8-15 green, 16-23 red; the top byte is ignored). The full-width space (0xA1 0xA1)
    // draws nothing and returns the height.

    // 65 grey levels; blue, green and red toward the colour, alpha toward 255. Returns the advance
    // in pixels (a character the font cannot show draws nothing and advances by the height for a
    // two-byte code, half of it for a single byte).
    int16_t DrawString(CDIB32* surface, int32_t x, int32_t y, const char* text, uint32_t colour);
    // 17 grey levels, the blend applied twice; returns the height (the vertical pen step).
    int16_t DrawStringGray4(CDIB32* surface, int32_t x, int32_t y, const char* text, uint32_t colour);
    // 17 grey levels into blue, green and red only (alpha untouched); returns the advance.
    int16_t DrawCharGray4(CDIB32* surface, int32_t x, int32_t y, const char* text, uint32_t colour);

    // Drops the font and the glyph source; later draws draw nothing. The destructor does the same.
    void Release();

    // The height of the last font made (0 before the first).
    int32_t GetHeight() const { return m_height; }
    // The kind of the last font made.
    uint32_t GetKind() const { return m_kind; }
    // The request that made the current font (height 0 before the first).
    const FontRequest& GetFontRequest() const { return m_request; }

private:
    enum class Blend : uint8_t { Once, Twice, ColourOnly };
    int16_t Draw(CDIB32* surface, int32_t x, int32_t y, const char* text, uint32_t colour, GlyphFormat format,
                 Blend blend, bool returnHeight);
    GlyphSource* Source();

    HWND m_window = nullptr;
    std::unique_ptr<GlyphSource> m_source;
    bool m_systemSource = false; // m_source is made on first use from the system's fonts
    bool m_released = false;
    bool m_hasFont = false;
    bool m_failureShown = false; // the "CreateFont" box has been shown
    int32_t m_height = 0;
    uint32_t m_kind = 0;
    FontRequest m_request;
};

// The one instance, made by the window's creation with SetFont(24, 0); null before and after.
extern CGlyphFont* g_GlyphFont;
