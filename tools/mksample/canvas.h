// Drawing for the sample game's pictures: a CDIB32 surface with flat fills, frames, discs,
// triangles and labels in the engine's glyph font, written out as a 24- or 32-bit ".bmp".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/dib32.h"

class CGlyphFont;

namespace kestrel::sample {

// Colours are pixel words 0xAARRGGBB (blue low), as the surfaces store them.
constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
constexpr uint32_t WithAlpha(uint32_t colour, uint32_t a) {
    return (colour & 0x00FFFFFFu) | (a << 24);
}
// The opaque colour a share `t` (0 to 1) of the way from a to b.
uint32_t Mix(uint32_t a, uint32_t b, double t);

// Labels in the engine's own glyph font (the system's CJK face). Texts are UTF-8.
class LabelFont {
public:
    LabelFont();
    ~LabelFont();
    LabelFont(const LabelFont&) = delete;
    LabelFont& operator=(const LabelFont&) = delete;

    // False when no face can draw the labels (the CJK fonts are not installed).
    bool Ready() const { return m_ready; }
    // Width in pixels of `text` at `height` (kind 0, the weight of the game's labels).
    int32_t Width(std::string_view text, int32_t height);
    // The largest height from `maxHeight` down to 6 at which `text` is at most `maxWidth` wide;
    // 6 when none is.
    int32_t FitHeight(std::string_view text, int32_t maxWidth, int32_t maxHeight);
    // Draws `text` with the top of its line at y; returns the width drawn.
    int32_t Draw(CDIB32* surface, int32_t x, int32_t y, std::string_view text, int32_t height,
                 uint32_t colour);

private:
    void Use(int32_t height);

    std::unique_ptr<CGlyphFont> m_font;
    bool m_ready = false;
};

class Canvas {
public:
    // A width × height surface filled with `background`.
    Canvas(int32_t width, int32_t height, uint32_t background);

    bool Valid() const { return m_surface.GetWidth() == m_width && m_surface.GetHeight() == m_height; }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    CDIB32* Surface() { return &m_surface; }

    // Replaces the pixels of the rectangle, alpha included; cut to the surface.
    void Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);
    // A border of `thickness` pixels inside the rectangle.
    void Frame(int32_t x, int32_t y, int32_t w, int32_t h, int32_t thickness, uint32_t colour);
    // A filled rectangle with a border of another colour.
    void Panel(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t fill, int32_t border, uint32_t edge);
    // Every pixel whose centre lies within `radius` of (cx, cy).
    void Disc(double cx, double cy, double radius, uint32_t colour);
    // Every pixel whose centre lies inside the triangle.
    void Triangle(double x0, double y0, double x1, double y1, double x2, double y2, uint32_t colour);
    // A line `width` pixels wide from (x0, y0) to (x1, y1), square ends.
    void Line(double x0, double y0, double x1, double y1, double width, uint32_t colour);

    // The whole of `from` scaled down into the rectangle: each pixel the mean of the pixels of
    // `from` that it covers.
    void Reduce(const Canvas& from, int32_t x, int32_t y, int32_t w, int32_t h);

    // Labels: the text at its own top-left, or centred in a rectangle at the largest height up to
    // `maxHeight` that fits its width less `margin` on each side, cut to the rectangle. Return the
    // height used.
    int32_t Text(LabelFont& font, int32_t x, int32_t y, std::string_view text, int32_t height,
                 uint32_t colour);
    int32_t TextCentred(LabelFont& font, int32_t x, int32_t y, int32_t w, int32_t h, std::string_view text,
                        int32_t maxHeight, uint32_t colour, int32_t margin = 1);

    // The file: 24 bits drops the alpha byte, 32 bits keeps it.
    std::vector<uint8_t> Encode(uint16_t bitCount) const;

private:
    bool Inside(int32_t x, int32_t y) const;
    void Put(int32_t x, int32_t y, uint32_t colour);

    int32_t m_width;
    int32_t m_height;
    CDIB32 m_surface{SurfaceImpl::Plain};
};

} // namespace kestrel::sample
