// Glyph source: per-character grey-level glyph bitmaps of a font chosen by face name, the way the
// text rasteriser asks for them (a font request like a GDI logical font, a character code of the
// font's character set, a bitmap of 65 or 17 grey levels with its box, origin and advance).
//
// The system source matches the face through fontconfig (with a configuration of its own that
// maps the game's face names to installed CJK faces), renders FreeType outlines and converts the
// character codes with the text codec. A test may stand in a source of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// What the rasteriser asks of a font, in the terms of a GDI logical font.
struct FontRequest {
    int32_t height = 0;     // cell height in pixels (1 to kMaxFontHeight)
    int32_t width = 0;      // average character width in pixels, 0 for the face's own
    int32_t escapement = 0; // tenths of a degree; 2700 with an '@' face makes a vertical font
    int32_t weight = 400;   // 400 regular, 600 and above emboldened when the face has no bold
    uint8_t charset = 134;  // 134: the GB2312 set (character codes converted from code page 936)
    std::string face;       // UTF-8 face name; a leading '@' asks for the vertical kind
};

// Heights beyond this are refused (the previous font stays): glyph bitmaps grow with the square.
inline constexpr int32_t kMaxFontHeight = 1024;

enum class GlyphFormat : uint8_t {
    Gray8, // levels 0 to 64
    Gray4, // levels 0 to 16
};

inline constexpr uint8_t MaxGlyphLevel(GlyphFormat format) {
    return format == GlyphFormat::Gray8 ? 64 : 16;
}

// One rendered glyph. Rows run top-down, `pitch` bytes apart (the width brought up to a multiple
// of 4), each byte a level 0 (empty) to MaxGlyphLevel (fully covered).
struct GlyphBitmap {
    int32_t width = 0;             // black-box width in pixels; 0 for an empty glyph (a space)
    int32_t height = 0;            // black-box height in pixels; 0 for an empty glyph
    int32_t originX = 0;           // left of the box, right of the pen position
    int32_t originY = 0;           // top of the box above the baseline
    int32_t advance = 0;           // horizontal cell advance in pixels
    int32_t pitch = 0;             // bytes from one row to the next, (width + 3) & ~3
    const uint8_t* bits = nullptr; // height × pitch levels; valid until the next call on the source
};

class GlyphSource {
public:
    virtual ~GlyphSource() = default;

    // Makes the font of `request` the current one. False when no font can be made (no face, a
    // height outside 1 to kMaxFontHeight); the previous font then stays current.
    virtual bool CreateFont(const FontRequest& request) = 0;

    // Ascent of the current font in pixels: the baseline lies this far below the top of the
    // text line. 0 before the first font.
    virtual int32_t GetAscent() const = 0;

    // The glyph of character `code` (lead × 256 + trail, or a single byte) in the current font.
    // False when there is no current font or the code stands for no character; `glyph` is then
    // left as it was.
    virtual bool GetGlyph(uint32_t code, GlyphFormat format, GlyphBitmap* glyph) = 0;
};

// The fontconfig/FreeType source. Fonts are looked up on the first CreateFont; the face matched
// for each requested name is written once to the standard error stream.
std::unique_ptr<GlyphSource> CreateSystemGlyphSource();

// What the system source found for a request, for tests and diagnostics.
struct MatchedFace {
    std::string family; // the family of the face in use
    std::string file;
    int32_t index = 0; // face index in a collection file
    bool vertical = false;
    int32_t pixelsPerEm = 0;
    int32_t ascent = 0;
};
// The face the system source `source` uses for its current font; empty family before any font
// or when `source` is not the system source.
MatchedFace DescribeCurrentFace(const GlyphSource& source);
