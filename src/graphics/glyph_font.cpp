#include "graphics/glyph_font.h"

#include <algorithm>
#include <cstdio>

#include "graphics/dib32.h"
#include "platform/text_codec.h"
#include "platform/window.h"

CGlyphFont* g_GlyphFont = nullptr;

namespace {

// The face of every kind; '@' selects its vertical form.
constexpr char kFace[] = "黑体";
constexpr char kVerticalFace[] = "@黑体";
// The error code shown when no font can be made: the system's "file not found".
constexpr int kFontNotFound = 2;

// Blends one glyph into the surface with the weight rule of `format` (kept-surface weight
// w = (256 − step·L) mod 256 for level L, step 4 for 65 levels and 16 for 17), clipped to the
// surface. passes 2 applies the whole blend a second time from the first pass's result.
void BlendGlyph(CDIB32& surface, int64_t left, int64_t top, const GlyphBitmap& glyph, uint32_t colour,
                GlyphFormat format, int passes, bool writeAlpha) {
    const int64_t surfaceW = surface.GetWidth();
    const int64_t surfaceH = surface.GetHeight();
    const int64_t c0 = std::max<int64_t>(0, -left);
    const int64_t c1 = std::min<int64_t>(glyph.width, surfaceW - left);
    const int64_t r0 = std::max<int64_t>(0, -top);
    const int64_t r1 = std::min<int64_t>(glyph.height, surfaceH - top);
    if (c0 >= c1 || r0 >= r1) {
        return;
    }
    const uint32_t step = format == GlyphFormat::Gray8 ? 4 : 16;
    const uint32_t blue = colour & 0xFF;
    const uint32_t green = (colour >> 8) & 0xFF;
    const uint32_t red = (colour >> 16) & 0xFF;
    CDIB32Base* impl = surface.Impl();
    if (impl == nullptr || impl->IsEmpty()) {
        return;
    }
    for (int64_t r = r0; r < r1; ++r) {
        // Row by row, so that only the glyph's rows count as changed.
        auto* px = reinterpret_cast<uint8_t*>(impl->Row(static_cast<int32_t>(top + r)) + left + c0);
        const uint8_t* levels = glyph.bits + r * glyph.pitch;
        for (int64_t c = c0; c < c1; ++c, px += 4) {
            const uint32_t level = levels[c];
            if (level == 0) {
                continue;
            }
            const uint32_t w = (256u - step * level) & 0xFF;
            const uint32_t inv = 255u - w;
            for (int pass = 0; pass < passes; ++pass) {
                px[0] = static_cast<uint8_t>((px[0] * w + blue * inv) >> 8);
                px[1] = static_cast<uint8_t>((px[1] * w + green * inv) >> 8);
                px[2] = static_cast<uint8_t>((px[2] * w + red * inv) >> 8);
                if (writeAlpha) {
                    px[3] = static_cast<uint8_t>((px[3] * w + 255u * inv) >> 8);
                }
            }
        }
    }
}

} // namespace

CGlyphFont::CGlyphFont(HWND window) : m_window(window), m_systemSource(true) {}

CGlyphFont::CGlyphFont(HWND window, std::unique_ptr<GlyphSource> source)
    : m_window(window), m_source(std::move(source)) {}

CGlyphFont::~CGlyphFont() {
    Release();
}

GlyphSource* CGlyphFont::Source() {
    if (m_source == nullptr && m_systemSource && !m_released) {
        m_source = CreateSystemGlyphSource();
    }
    return m_source.get();
}

void CGlyphFont::SetFont(int32_t height, uint32_t kind) {
    FontRequest request;
    request.height = height;
    request.width = height / 2;
    request.escapement = kind == 1 ? 2700 : 0;
    request.weight = kind == 1 || kind == 2 ? 400 : 600;
    request.charset = 134;
    request.face = kind == 1 ? kVerticalFace : kFace;
    if (height < 1 || height > kMaxFontHeight) {
        // A size tag without digits and the like: the text goes on in the previous font rather
        // than at a height nothing can draw.
        std::fprintf(stderr, "CreateFont: height %d refused, kind %u\n", height, kind);
        return;
    }
    GlyphSource* source = Source();
    if (source == nullptr || !source->CreateFont(request)) {
        // No face to draw with (the fonts are not installed): said once in a box, since a box on
        // every failure would stop the game at each line.
        std::fprintf(stderr, "CreateFont: no font of height %d, kind %u\n", height, kind);
        if (!m_failureShown && source != nullptr) {
            m_failureShown = true;
            char text[32];
            std::snprintf(text, sizeof text, "[%d]", kFontNotFound);
            plat::MessageBox(nullptr, text, "CreateFont", plat::BoxButtons::Ok);
        }
        return;
    }
    m_request = request;
    m_height = height;
    m_kind = kind;
    m_hasFont = true;
}

int16_t CGlyphFont::Draw(CDIB32* surface, int32_t x, int32_t y, const char* text, uint32_t colour,
                         GlyphFormat format, Blend blend, bool returnHeight) {
    const auto height = static_cast<int16_t>(m_height);
    if (text == nullptr) {
        return returnHeight ? height : 0;
    }
    if (static_cast<uint8_t>(text[0]) == 0xA1 && static_cast<uint8_t>(text[1]) == 0xA1) {
        return height;
    }
    int length = 0;
    const uint32_t code = text_codec::ReadCharCode(text, &length);
    if (length == 0) {
        return returnHeight ? height : 0;
    }
    GlyphBitmap glyph;
    GlyphSource* source = m_hasFont ? Source() : nullptr;
    if (source == nullptr || !source->GetGlyph(code, format, &glyph)) {
        // Nothing to show: keep the pen moving as a space of the character's width would.
        if (returnHeight) {
            return height;
        }
        return static_cast<int16_t>(length == 2 ? m_height : m_height / 2);
    }
    if (surface != nullptr && glyph.bits != nullptr && glyph.width > 0 && glyph.height > 0 &&
        glyph.pitch >= glyph.width) {
        const int64_t left = static_cast<int64_t>(x) + glyph.originX;
        const int64_t top = static_cast<int64_t>(y) + source->GetAscent() - glyph.originY;
        BlendGlyph(*surface, left, top, glyph, colour, format, blend == Blend::Twice ? 2 : 1,
                   blend != Blend::ColourOnly);
    }
    return returnHeight ? height : static_cast<int16_t>(glyph.advance);
}

int16_t CGlyphFont::DrawString(CDIB32* surface, int32_t x, int32_t y, const char* text, uint32_t colour) {
    return Draw(surface, x, y, text, colour, GlyphFormat::Gray8, Blend::Once, false);
}

int16_t CGlyphFont::DrawStringGray4(CDIB32* surface, int32_t x, int32_t y, const char* text,
                                    uint32_t colour) {
    return Draw(surface, x, y, text, colour, GlyphFormat::Gray4, Blend::Twice, true);
}

int16_t CGlyphFont::DrawCharGray4(CDIB32* surface, int32_t x, int32_t y, const char* text, uint32_t colour) {
    return Draw(surface, x, y, text, colour, GlyphFormat::Gray4, Blend::ColourOnly, false);
}

void CGlyphFont::Release() {
    m_source.reset();
    m_released = true;
    m_hasFont = false;
    m_window = nullptr;
}
