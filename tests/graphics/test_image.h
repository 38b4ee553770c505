// A plain pixel array for the graphics tests' independent models, and its copies to and from
// a 32-bit surface.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/dib32.h"

namespace testimg {

struct Img {
    int w, h;
    std::vector<uint32_t> p;
    Img(int w_, int h_) : w(w_), h(h_), p(static_cast<size_t>(w_) * h_) {}
    bool In(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    uint32_t& At(int x, int y) { return p[static_cast<size_t>(y) * w + x]; }
    uint32_t At(int x, int y) const { return p[static_cast<size_t>(y) * w + x]; }
};

inline std::unique_ptr<CDIB32> ToSurface(const Img& img) {
    auto s = std::make_unique<CDIB32>();
    s->Create(nullptr, static_cast<uint16_t>(img.w), static_cast<uint16_t>(img.h), 32);
    for (int y = 0; y < img.h; ++y) {
        std::memcpy(s->GetPixelAddress(0, y), &img.p[static_cast<size_t>(y) * img.w],
                    static_cast<size_t>(img.w) * 4);
    }
    return s;
}

inline Img FromSurface(const CDIB32& s) {
    Img img(s.GetWidth(), s.GetHeight());
    for (int y = 0; y < img.h; ++y) {
        std::memcpy(&img.p[static_cast<size_t>(y) * img.w], s.GetPixelAddress(0, y),
                    static_cast<size_t>(img.w) * 4);
    }
    return img;
}

} // namespace testimg
