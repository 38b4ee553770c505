#include "mksample/canvas.h"

#include <algorithm>
#include <cmath>

#include "graphics/glyph_font.h"
#include "platform/text_codec.h"
#include "writers/bitmap_writer.h"

namespace kestrel::sample {

namespace {

constexpr int32_t kSmallestLabel = 6;
// A face is looked for at this size; any height then works with the same face.
constexpr int32_t kProbeHeight = 24;

} // namespace

uint32_t Mix(uint32_t a, uint32_t b, double t) {
    auto ch = [&](int s) {
        const double va = (a >> s) & 0xFF, vb = (b >> s) & 0xFF;
        return static_cast<uint32_t>(std::lround(va + (vb - va) * t)) << s;
    };
    return 0xFF000000u | ch(16) | ch(8) | ch(0);
}

LabelFont::LabelFont() : m_font(std::make_unique<CGlyphFont>(nullptr, CreateSystemGlyphSource())) {
    // The font object reports a missing face by keeping height 0.
    m_font->SetFont(kProbeHeight, 0);
    m_ready = m_font->GetHeight() == kProbeHeight;
}

LabelFont::~LabelFont() = default;

void LabelFont::Use(int32_t height) {
    if (m_font->GetHeight() != height || m_font->GetKind() != 0) {
        m_font->SetFont(height, 0);
    }
}

int32_t LabelFont::Draw(CDIB32* surface, int32_t x, int32_t y, std::string_view text, int32_t height,
                        uint32_t colour) {
    if (!m_ready) {
        return 0;
    }
    Use(height);
    const std::string game = text_codec::Utf8ToGameTextLossy(text);
    int32_t pen = x;
    for (size_t at = 0; at < game.size();) {
        int length = 0;
        text_codec::ReadCharCode(std::string_view(game).substr(at), &length);
        if (length <= 0) {
            break;
        }
        const std::string one = game.substr(at, static_cast<size_t>(length));
        pen += m_font->DrawString(surface, pen, y, one.c_str(), colour);
        at += static_cast<size_t>(length);
    }
    return pen - x;
}

int32_t LabelFont::Width(std::string_view text, int32_t height) {
    return Draw(nullptr, 0, 0, text, height, 0);
}

int32_t LabelFont::FitHeight(std::string_view text, int32_t maxWidth, int32_t maxHeight) {
    for (int32_t h = maxHeight; h > kSmallestLabel; --h) {
        if (Width(text, h) <= maxWidth) {
            return h;
        }
    }
    return kSmallestLabel;
}

Canvas::Canvas(int32_t width, int32_t height, uint32_t background) : m_width(width), m_height(height) {
    if (m_surface.Create(nullptr, static_cast<uint16_t>(width), static_cast<uint16_t>(height), 32)) {
        Fill(0, 0, width, height, background);
    }
}

bool Canvas::Inside(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < m_width && y < m_height;
}

void Canvas::Put(int32_t x, int32_t y, uint32_t colour) {
    if (Inside(x, y) && Valid()) {
        m_surface.Impl()->Row(y)[x] = colour;
    }
}

// Written pixel by pixel: the surface's own fill takes 0xFFFFFFFF for its default colour, and here
// it is opaque white.
void Canvas::Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    if (!Valid()) {
        return;
    }
    const int32_t left = std::max(x, 0),
                  right = static_cast<int32_t>(std::min<int64_t>(int64_t{x} + w, m_width));
    const int32_t top = std::max(y, 0),
                  bottom = static_cast<int32_t>(std::min<int64_t>(int64_t{y} + h, m_height));
    for (int32_t j = top; j < bottom && left < right; ++j) {
        std::fill(m_surface.Impl()->Row(j) + left, m_surface.Impl()->Row(j) + right, colour);
    }
}

void Canvas::Frame(int32_t x, int32_t y, int32_t w, int32_t h, int32_t thickness, uint32_t colour) {
    Fill(x, y, w, thickness, colour);
    Fill(x, y + h - thickness, w, thickness, colour);
    Fill(x, y, thickness, h, colour);
    Fill(x + w - thickness, y, thickness, h, colour);
}

void Canvas::Panel(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t fill, int32_t border, uint32_t edge) {
    Fill(x, y, w, h, fill);
    if (border > 0) {
        Frame(x, y, w, h, border, edge);
    }
}

void Canvas::Disc(double cx, double cy, double radius, uint32_t colour) {
    const int32_t top = static_cast<int32_t>(std::floor(cy - radius));
    const int32_t bottom = static_cast<int32_t>(std::ceil(cy + radius));
    const int32_t left = static_cast<int32_t>(std::floor(cx - radius));
    const int32_t right = static_cast<int32_t>(std::ceil(cx + radius));
    for (int32_t y = top; y <= bottom; ++y) {
        for (int32_t x = left; x <= right; ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            if (dx * dx + dy * dy <= radius * radius) {
                Put(x, y, colour);
            }
        }
    }
}

void Canvas::Triangle(double x0, double y0, double x1, double y1, double x2, double y2, uint32_t colour) {
    const double area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    if (area == 0.0) {
        return;
    }
    const int32_t top = static_cast<int32_t>(std::floor(std::min({y0, y1, y2})));
    const int32_t bottom = static_cast<int32_t>(std::ceil(std::max({y0, y1, y2})));
    const int32_t left = static_cast<int32_t>(std::floor(std::min({x0, x1, x2})));
    const int32_t right = static_cast<int32_t>(std::ceil(std::max({x0, x1, x2})));
    auto edge = [](double ax, double ay, double bx, double by, double px, double py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    for (int32_t y = top; y <= bottom; ++y) {
        for (int32_t x = left; x <= right; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double a = edge(x0, y0, x1, y1, px, py);
            const double b = edge(x1, y1, x2, y2, px, py);
            const double c = edge(x2, y2, x0, y0, px, py);
            if ((area > 0 && a >= 0 && b >= 0 && c >= 0) || (area < 0 && a <= 0 && b <= 0 && c <= 0)) {
                Put(x, y, colour);
            }
        }
    }
}

void Canvas::Line(double x0, double y0, double x1, double y1, double width, uint32_t colour) {
    const double length = std::hypot(x1 - x0, y1 - y0);
    if (length == 0.0) {
        return;
    }
    const double nx = -(y1 - y0) / length * width / 2;
    const double ny = (x1 - x0) / length * width / 2;
    Triangle(x0 + nx, y0 + ny, x1 + nx, y1 + ny, x1 - nx, y1 - ny, colour);
    Triangle(x0 + nx, y0 + ny, x1 - nx, y1 - ny, x0 - nx, y0 - ny, colour);
}

void Canvas::Reduce(const Canvas& from, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!from.Valid() || w <= 0 || h <= 0) {
        return;
    }
    for (int32_t j = 0; j < h; ++j) {
        const int32_t top = from.m_height * j / h, bottom = std::max(top + 1, from.m_height * (j + 1) / h);
        for (int32_t i = 0; i < w; ++i) {
            const int32_t left = from.m_width * i / w, right = std::max(left + 1, from.m_width * (i + 1) / w);
            uint64_t sum[4] = {};
            for (int32_t v = top; v < bottom; ++v) {
                for (int32_t u = left; u < right; ++u) {
                    const uint32_t p = from.m_surface.Impl()->Row(v)[u];
                    for (int k = 0; k < 4; ++k) {
                        sum[k] += (p >> (8 * k)) & 0xFF;
                    }
                }
            }
            const uint64_t n = static_cast<uint64_t>(bottom - top) * static_cast<uint64_t>(right - left);
            uint32_t mean = 0;
            for (int k = 0; k < 4; ++k) {
                mean |= static_cast<uint32_t>((sum[k] + n / 2) / n) << (8 * k);
            }
            Put(x + i, y + j, mean);
        }
    }
}

int32_t Canvas::Text(LabelFont& font, int32_t x, int32_t y, std::string_view text, int32_t height,
                     uint32_t colour) {
    font.Draw(&m_surface, x, y, text, height, colour);
    return height;
}

int32_t Canvas::TextCentred(LabelFont& font, int32_t x, int32_t y, int32_t w, int32_t h,
                            std::string_view text, int32_t maxHeight, uint32_t colour, int32_t margin) {
    const int32_t height = font.FitHeight(text, w - 2 * margin, std::min(maxHeight, h));
    const int32_t width = font.Width(text, height);
    // Drawn in a copy of the rectangle alone, so that no stroke reaches past it into a neighbouring
    // cell (glyph boxes may overhang the line).
    Canvas cell(w, h, 0);
    if (!cell.Valid() || !Valid()) {
        return height;
    }
    auto copy = [&](Canvas& from, int32_t fx, int32_t fy, Canvas& to, int32_t tx, int32_t ty) {
        for (int32_t j = 0; j < h; ++j) {
            for (int32_t i = 0; i < w; ++i) {
                if (from.Inside(fx + i, fy + j) && to.Inside(tx + i, ty + j)) {
                    to.m_surface.Impl()->Row(ty + j)[tx + i] = from.m_surface.Impl()->Row(fy + j)[fx + i];
                }
            }
        }
    };
    copy(*this, x, y, cell, 0, 0);
    font.Draw(&cell.m_surface, (w - width) / 2, (h - height) / 2, text, height, colour);
    copy(cell, 0, 0, *this, x, y);
    return height;
}

std::vector<uint8_t> Canvas::Encode(uint16_t bitCount) const {
    std::vector<uint32_t> pixels(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0);
    if (Valid()) {
        for (int32_t y = 0; y < m_height; ++y) {
            const uint32_t* row = m_surface.Impl()->Row(y);
            std::copy(row, row + m_width, pixels.begin() + static_cast<ptrdiff_t>(y) * m_width);
        }
    }
    return test::WriteBitmapPixels(m_width, m_height, pixels, bitCount);
}

} // namespace kestrel::sample
