#include "graphics/dib32.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <new>

#include "archive/arc_file.h"
#include "platform/cpu.h"

namespace {

std::atomic<bool> g_forcePlain{false};

// Clipped intersection of two rectangles; empty (left ≥ right or top ≥ bottom) when they miss.
RECT Intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool IsEmptyRect(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

CDIB32Base* ImplOf(const CDIB32* h) {
    return h ? h->Impl() : nullptr;
}

// The change stamps of all surfaces: each write takes the next value.
std::atomic<uint64_t> g_changeStamp{0};

// The surfaces whose pixels are ahead of the blits repeated so far (window thread only). Never
// destroyed: surfaces that outlive the statics still look at it when they go.
std::vector<const CDIB32Base*>& SurfacesAhead() {
    static auto* surfaces = new std::vector<const CDIB32Base*>();
    return *surfaces;
}

// A frame longer than this is not followed.
constexpr size_t kMaxLoggedBlits = 256;

} // namespace

void ForcePlainSurfaces(bool on) {
    g_forcePlain.store(on);
}

// ---------------------------------------------------------------------------------------------
// CDIB32Base

CDIB32Base::CDIB32Base() = default;

CDIB32Base::~CDIB32Base() {
    Release();
}

int CDIB32Base::Release() {
    CatchUpReaders();
    SetAhead(false);
    DropLog();
    std::vector<uint32_t>().swap(m_pixels);
    m_bits = nullptr;
    m_rect = RECT{};
    m_pitch = 0;
    std::vector<uint64_t>().swap(m_rowStamps);
    m_tailFrom = INT32_MAX;
    m_tailStamp = 0;
    m_lastStamp = g_changeStamp.fetch_add(1, std::memory_order_relaxed) + 1;
    return 0;
}

bool CDIB32Base::LoggedBlit::operator==(const LoggedBlit& o) const {
    return kind == o.kind && src == o.src && srcStamp == o.srcStamp && colorKey == o.colorKey &&
           inverse3 == o.inverse3 && level3 == o.level3 && std::memcmp(&blit, &o.blit, sizeof blit) == 0;
}

void CDIB32Base::RunBlit(const LoggedBlit&) {}

void CDIB32Base::Submit(const LoggedBlit& op) {
    auto draw = [&] {
        ++m_drawing;
        RunBlit(op);
        --m_drawing;
    };
    if (!(m_flags & kDibSectionFlag) || op.src == this) {
        // Not followed: a write like any other.
        CatchUp();
        DropLog();
        draw();
        return;
    }
    const bool whole = op.kind == BlitKind::Copy && op.blit.dstRect == m_rect;
    if (m_logValid) {
        const size_t at = whole ? 0 : m_repeated;
        if (at < m_log.size() && m_log[at] == op) {
            // Counted, not drawn: the pixels already hold its result (and the rest of the list's).
            CatchUpReaders();
            m_repeated = at + 1;
            SetAhead(m_repeated < m_log.size());
            return;
        }
    }
    if (whole) {
        // A new list: the copy replaces every pixel, whatever the list had reached.
        SetAhead(false);
        m_log.assign(1, op);
        m_logValid = true;
        m_repeated = 1;
    } else if (m_logValid) {
        CatchUp(); // the pixels become what the repeated part makes; the rest of the list goes
        if (m_log.size() < kMaxLoggedBlits) {
            m_log.push_back(op);
            m_repeated = m_log.size();
        } else {
            DropLog();
        }
    }
    draw();
}

void CDIB32Base::DrawRepeated() const {
    auto* self = const_cast<CDIB32Base*>(this);
    SetAhead(false);
    m_log.resize(m_repeated);
    const BlitState saved = m_blit;
    ++m_drawing;
    for (const LoggedBlit& op : m_log) {
        self->RunBlit(op);
    }
    --m_drawing;
    self->m_blit = saved;
}

void CDIB32Base::SetAhead(bool ahead) const {
    if (ahead == m_ahead) {
        return;
    }
    m_ahead = ahead;
    auto& list = SurfacesAhead();
    if (ahead) {
        list.push_back(this);
    } else {
        std::erase(list, this);
    }
}

void CDIB32Base::CatchUpReaders() const {
    auto& list = SurfacesAhead();
    if (list.empty()) {
        return;
    }
    const std::vector<const CDIB32Base*> ahead = list; // catching up changes the list
    for (const CDIB32Base* surface : ahead) {
        if (surface == this || !surface->m_ahead) {
            continue;
        }
        for (size_t i = 0; i < surface->m_repeated; ++i) {
            if (surface->m_log[i].src == this) {
                surface->DrawRepeated();
                break;
            }
        }
    }
}

void CDIB32Base::DropLog() const {
    m_log.clear();
    m_repeated = 0;
    m_logValid = false;
}

void CDIB32Base::MarkChanged(int32_t top, int32_t bottom) const {
    if (m_drawing == 0) {
        // A write outside the listed blits: the list no longer says what the pixels are.
        CatchUp();
        DropLog();
    }
    CatchUpReaders();
    top = std::max(top, 0);
    bottom = std::min(bottom, m_rect.bottom);
    m_lastStamp = g_changeStamp.fetch_add(1, std::memory_order_relaxed) + 1;
    if (top + 1 < bottom && bottom == m_rect.bottom) {
        // Stamping the rows between an older tail and this one too only makes them look newer.
        m_tailFrom = std::min(m_tailFrom, top);
        m_tailStamp = m_lastStamp;
    } else if (top < bottom) {
        std::fill(m_rowStamps.begin() + top, m_rowStamps.begin() + bottom, m_lastStamp);
    }
}

bool CDIB32Base::CreateSurface(int32_t width, int32_t height) {
    Release();
    if (width <= 0 || height <= 0) {
        return true;
    }
    if (width > kMaxBitmapSide || height > kMaxBitmapSide) {
        return false;
    }
    try {
        // New surfaces are zero-filled: nothing uninitialised reaches the screen.
        m_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    } catch (const std::bad_alloc&) {
        return false;
    }
    try {
        m_rowStamps.assign(static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        std::vector<uint32_t>().swap(m_pixels);
        return false;
    }
    m_bits = m_pixels.data();
    m_rect = RECT{0, 0, width, height};
    m_pitch = 4 * width;
    MarkChanged(0, height);
    return true;
}

void CDIB32Base::GetSize(int32_t& width, int32_t& height) const {
    width = m_bits ? m_rect.right : 0;
    height = m_bits ? m_rect.bottom : 0;
}

int CDIB32Base::SetColorKeyRGB(uint32_t r, uint32_t g, uint32_t b) {
    m_colorKey = ((r * 256 + g) * 256 + b) & 0xFFFFFF;
    return 0;
}

uint8_t* CDIB32Base::GetPixelAddress(int32_t x, int32_t y) const {
    if (!m_bits || x < 0 || y < 0 || x >= m_rect.right || y >= m_rect.bottom) {
        return nullptr;
    }
    // The caller may write from here to the end of the pixels.
    MarkChanged(y, m_rect.bottom);
    return reinterpret_cast<uint8_t*>(m_bits + static_cast<size_t>(y) * static_cast<size_t>(m_rect.right) +
                                      x);
}

void CDIB32Base::RowsChangedSince(uint64_t stamp, int32_t& top, int32_t& bottom) const {
    CatchUp();
    top = 0;
    bottom = m_rect.bottom;
    while (top < bottom && StampOfRow(top) <= stamp) {
        ++top;
    }
    while (bottom > top && StampOfRow(bottom - 1) <= stamp) {
        --bottom;
    }
}

const uint8_t* CDIB32Base::ReadPixelAddress(int32_t x, int32_t y) const {
    if (!m_bits || x < 0 || y < 0 || x >= m_rect.right || y >= m_rect.bottom) {
        return nullptr;
    }
    CatchUp();
    return reinterpret_cast<const uint8_t*>(ReadRow(y) + x);
}

int CDIB32Base::Fill(uint32_t colour, const RECT* rect) {
    if (!m_bits) {
        return 1;
    }
    if (colour == 0xFFFFFFFFu) {
        colour = m_defaultFill;
    }
    const RECT r = rect ? Intersect(*rect, m_rect) : m_rect;
    if (IsEmptyRect(r)) {
        return 0;
    }
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint32_t* row = Row(y);
        std::fill(row + r.left, row + r.right, colour);
    }
    return 0;
}

int CDIB32Base::PrepareBlt(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRectIn, const SIZE* dstSize,
                           RECT* clipIn) {
    CDIB32Base* s = ImplOf(src);
    if (!m_bits) {
        return 1;
    }
    if (!s || !s->m_bits) {
        return 2;
    }
    // Work in 64 bits: positions and sizes from callers may be anywhere in the 32-bit range.
    const RECT given = srcRectIn ? *srcRectIn : s->m_rect;
    int64_t sl = given.left, st = given.top, sr = given.right, sb = given.bottom;
    const int64_t srcWidth = sr - sl;
    const int64_t srcHeight = sb - st;

    RECT clip = m_rect;
    if (clipIn) {
        clip = Intersect(*clipIn, m_rect);
        *clipIn = clip;
        if (IsEmptyRect(clip)) {
            return 1;
        }
    }
    if (srcWidth <= 0 || srcHeight <= 0) {
        return 1;
    }

    BlitState b{};
    int64_t dl = dx, dt = dy, dr = 0, db = 0;
    if (!dstSize || (dstSize->cx == srcWidth && dstSize->cy == srcHeight)) {
        b.unscaled = 1;
        dr = dl + srcWidth;
        db = dt + srcHeight;
        if (clip.left > dl) {
            sl += clip.left - dl;
            dl = clip.left;
        }
        if (clip.top > dt) {
            st += clip.top - dt;
            dt = clip.top;
        }
        if (dr > clip.right) {
            sr -= dr - clip.right;
            dr = clip.right;
        }
        if (db > clip.bottom) {
            sb -= db - clip.bottom;
            db = clip.bottom;
        }
        if (sl >= sr || st >= sb) {
            return 1;
        }
    } else {
        b.unscaled = 0;
        const int64_t dstW = dstSize->cx;
        const int64_t dstH = dstSize->cy;
        if (dstW <= 0 || dstH <= 0) {
            return 1;
        }
        dr = dl + dstW;
        db = dt + dstH;
        int64_t errX = -dstW;
        int64_t errY = -dstH;
        // Clipping on the left or top skips the destination columns or rows outside the clip and
        // moves the source start and the error term by as much.
        if (int64_t k = clip.left - dl; k >= 1) {
            const int64_t e = srcWidth * k - dstW;
            if (e > 0) {
                const int64_t n = e / dstW;
                sl += n + 1;
                errX = e - dstW * (n + 1);
            } else {
                errX = e;
            }
            dl = clip.left;
        }
        if (int64_t k = clip.top - dt; k >= 1) {
            const int64_t e = srcHeight * k - dstH;
            if (e > 0) {
                const int64_t n = e / dstH;
                st += n + 1;
                errY = e - dstH * (n + 1);
            } else {
                errY = e;
            }
            dt = clip.top;
        }
        dr = std::min<int64_t>(dr, clip.right);
        db = std::min<int64_t>(db, clip.bottom);
        if (sl >= sr || st >= sb || dl >= dr || dt >= db) {
            return 1;
        }
        b.dstW = static_cast<int32_t>(dstW);
        b.dstH = static_cast<int32_t>(dstH);
        b.stepX = static_cast<int32_t>(srcWidth / dstW);
        b.remX = static_cast<int32_t>(srcWidth % dstW);
        b.stepY = static_cast<int32_t>(srcHeight / dstH);
        b.remY = static_cast<int32_t>(srcHeight % dstH);
        b.errX = static_cast<int32_t>(errX - 1);
        b.errY = static_cast<int32_t>(errY - 1);
    }
    if (sl < 0 || st < 0 || sr > s->m_rect.right || sb > s->m_rect.bottom) {
        return 2;
    }
    // Everything is inside one of the two surfaces now, so it fits 32 bits.
    b.srcRect = RECT{static_cast<int32_t>(sl), static_cast<int32_t>(st), static_cast<int32_t>(sr),
                     static_cast<int32_t>(sb)};
    b.dstRect = RECT{static_cast<int32_t>(dl), static_cast<int32_t>(dt), static_cast<int32_t>(dr),
                     static_cast<int32_t>(db)};
    m_blit = b;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Bitmap conversion

namespace {

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
void PutU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

// Bytes of one stored row of a picture width pixels wide at bitCount bits per pixel, padded to 4.
uint64_t StoredRowBytes(uint32_t bitCount, int64_t width) {
    return ((static_cast<uint64_t>(bitCount) * static_cast<uint64_t>(width) + 31) / 32) * 4;
}

// Size of the colour table in a packed bitmap.
uint32_t TableBytes(uint32_t bitCount, uint32_t compression) {
    if (bitCount < 16) {
        return 4u << bitCount;
    }
    return compression == kBiBitfields ? 12 : 0;
}

} // namespace

int CDIB32Base::CreateFromDIB(DibBlock block, uint32_t /*ignored*/) {
    if (block.empty()) {
        return 1;
    }
    if (block.size() < 40) {
        Release();
        return 3;
    }
    const uint8_t* h = block.data();
    const int32_t width = static_cast<int32_t>(U32(h + 4));
    const int32_t rawHeight = static_cast<int32_t>(U32(h + 8));
    const uint32_t bitCount = U16(h + 14);
    const uint32_t compression = U32(h + 16);
    // A negative height is a top-down picture.
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -static_cast<int64_t>(rawHeight) : rawHeight;
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) {
        Release();
        return 3;
    }
    switch (bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            // Refused before the surface is sized: a tiny file must not make a huge surface.
            Release();
            return 2;
    }
    const uint64_t tableBytes = TableBytes(bitCount, compression);
    const uint64_t rowBytes = StoredRowBytes(bitCount, width);
    const uint64_t rowsAt = 40 + tableBytes;

    if (GetWidth() != width || GetHeight() != height) {
        if (!Create(width, static_cast<int32_t>(height)) || !m_bits) {
            return 3;
        }
    }
    if (rowsAt + rowBytes * static_cast<uint64_t>(height) > block.size()) {
        Release();
        return 3;
    }
    const uint8_t* table = h + 40;
    auto palette = [table](uint32_t index) { return U32(table + 4 * index) & 0x00FFFFFFu; };
    for (int64_t y = 0; y < height; ++y) {
        const int64_t stored = topDown ? y : height - 1 - y;
        const uint8_t* s = h + rowsAt + static_cast<uint64_t>(stored) * rowBytes;
        uint32_t* d = Row(static_cast<int32_t>(y));
        switch (bitCount) {
            case 1:
                for (int32_t x = 0; x < width; ++x) {
                    d[x] = palette((s[x >> 3] >> (7 - (x & 7))) & 1);
                }
                break;
            case 4:
                for (int32_t x = 0; x < width; ++x) {
                    d[x] = palette((s[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
                }
                break;
            case 8:
                for (int32_t x = 0; x < width; ++x) {
                    d[x] = palette(s[x]);
                }
                break;
            case 16:
                // Always read as 5-5-5; the top bits of each channel, no replication.
                for (int32_t x = 0; x < width; ++x) {
                    const uint32_t p = U16(s + 2 * x);
                    d[x] = ((p << 3) & 0xF8) | (((p >> 2) & 0xF8) << 8) | (((p >> 7) & 0xF8) << 16);
                }
                break;
            case 24:
                for (int32_t x = 0; x < width; ++x) {
                    const uint8_t* p = s + 3 * x;
                    d[x] = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                           static_cast<uint32_t>(p[2]) << 16;
                }
                break;
            case 32:
                std::memcpy(d, s, static_cast<size_t>(width) * 4);
                break;
        }
    }
    return 0;
}

namespace kestrel::gfx {

DibBlock ParseBitmapFile(const uint8_t* data, size_t size, uint32_t& bitDepth) {
    // File header (14 bytes) and at least the 40-byte information header.
    if (!data || size < 54 || data[0] != 'B' || data[1] != 'M') {
        return {};
    }
    const uint32_t offBits = U32(data + 10);
    const uint32_t infoSize = U32(data + 14);
    const int32_t width = static_cast<int32_t>(U32(data + 18));
    const int32_t rawHeight = static_cast<int32_t>(U32(data + 22));
    const uint32_t bitCount = U16(data + 28);
    const uint32_t compression = U32(data + 30);
    const uint32_t clrUsed = U32(data + 46);
    bitDepth = bitCount;

    // Older 12-byte headers and anything shorter than the 40-byte one are not read.
    if (infoSize < 40 || infoSize > size - 14) {
        return {};
    }
    if (compression != kBiRgb && compression != kBiBitfields) {
        return {};
    }
    if (bitCount > 32 ||
        (compression == kBiBitfields && bitCount != 16 && bitCount != 24 && bitCount != 32)) {
        return {};
    }
    const int64_t height = rawHeight < 0 ? -static_cast<int64_t>(rawHeight) : rawHeight;
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) {
        return {};
    }
    const uint64_t tableBytes = TableBytes(bitCount, compression);
    const uint64_t rowBytes = StoredRowBytes(bitCount, width);
    const uint64_t imageBytes = rowBytes * static_cast<uint64_t>(height);
    // A file cut short is filled with zeros; a bare header that claims a huge picture would
    // otherwise ask for a gigabyte of them.
    if (static_cast<uint64_t>(offBits) + imageBytes > size &&
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxCutShortPixels) {
        return {};
    }

    // The palette follows the information header; a count beyond the depth's table is cut to it.
    uint64_t paletteBytes = 0;
    uint64_t paletteAt = 14 + static_cast<uint64_t>(infoSize);
    if (bitCount < 16) {
        const uint64_t entries =
            clrUsed != 0 ? std::min<uint64_t>(clrUsed, 1u << bitCount) : (1u << bitCount);
        paletteBytes = 4 * entries;
    } else if (compression == kBiBitfields) {
        // The three masks lie right behind the 40 bytes (inside a longer header); they are kept
        // but not applied.
        paletteBytes = 12;
        paletteAt = 54;
    }
    if (offBits < 14 + infoSize) {
        return {};
    }

    DibBlock block;
    try {
        block.assign(static_cast<size_t>(tableBytes + imageBytes + 44), 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::memcpy(block.data(), data + 14, 40);
    PutU32(block.data(), 40);
    PutU32(block.data() + 32, 0); // biClrUsed
    PutU32(block.data() + 36, 0); // biClrImportant
    // A file cut short gives what it holds; the palette entries and pixel rows it lacks stay zero.
    std::memcpy(block.data() + 40, data + paletteAt,
                static_cast<size_t>(std::min<uint64_t>(paletteBytes, size - paletteAt)));
    if (offBits < size) {
        std::memcpy(block.data() + 40 + tableBytes, data + offBits,
                    static_cast<size_t>(std::min<uint64_t>(imageBytes, size - offBits)));
    }
    return block;
}

} // namespace kestrel::gfx

// ---------------------------------------------------------------------------------------------
// CDIB32

CDIB32::CDIB32(SurfaceImpl impl) {
    if (impl == SurfaceImpl::Auto) {
        if (g_forcePlain.load()) {
            impl = SurfaceImpl::Plain;
        } else {
            const int level = IsMMXAvailable();
            impl = level >= 3 ? SurfaceImpl::Fast : SurfaceImpl::Plain;
        }
    }
    if (impl == SurfaceImpl::Fast) {
        m_impl = new CDIB32PMMX();
    } else {
        m_impl = new CDIB32Nomal();
    }
}

CDIB32::~CDIB32() {
    delete m_impl;
}

bool CDIB32::Create(HWND /*window*/, uint16_t width, uint16_t height, uint32_t /*bpp*/) {
    if (!m_impl) {
        return false;
    }
    const bool made = m_impl->Create(width, height);
    m_impl->SetColorKeyRGB(0, 255, 0);
    return made;
}

bool CDIB32::Load(const char* name) {
    return LoadImage(name ? std::string(name) : std::string(), 0) == 0;
}

int CDIB32::LoadImage(const std::string& name, uint32_t flag) {
    DibBlock block = ReadBmp(name);
    if (block.empty() || CreateFromDIB(std::move(block), flag) != 0) {
        // A picture that cannot be read leaves an empty surface.
        if (m_impl) {
            m_impl->Release();
        }
        m_loadState = kLoadFailed;
        return 1;
    }
    m_loadState = kLoaded;
    return 0;
}

DibBlock CDIB32::ReadBmp(const std::string& name) {
    if (name.size() < 2) {
        return {};
    }
    CArcFile file;
    if (file.Open(name) != kArcOk) {
        return {};
    }
    return kestrel::gfx::ParseBitmapFile(file.GetData(), file.GetSize(), m_bitDepth);
}

int CDIB32::CreateFromDIB(DibBlock block, uint32_t flag) {
    if (!m_impl) {
        return 1;
    }
    return m_impl->CreateFromDIB(std::move(block), flag);
}

int CDIB32::LoadFromMemory(const uint8_t* data, size_t size) {
    DibBlock block = kestrel::gfx::ParseBitmapFile(data, size, m_bitDepth);
    if (block.empty() || CreateFromDIB(std::move(block), 0) != 0) {
        if (m_impl) {
            m_impl->Release();
        }
        m_loadState = kLoadFailed;
        return 1;
    }
    m_loadState = kLoaded;
    return 0;
}

int32_t CDIB32::GetWidth() const {
    int32_t w = 0, h = 0;
    if (m_impl) {
        m_impl->GetSize(w, h);
    }
    return w;
}

int32_t CDIB32::GetHeight() const {
    int32_t w = 0, h = 0;
    if (m_impl) {
        m_impl->GetSize(w, h);
    }
    return h;
}

int32_t CDIB32::GetPitch() const {
    return m_impl ? m_impl->GetPitch() : 0;
}

uint8_t* CDIB32::GetPixelAddress(int32_t x, int32_t y) const {
    return m_impl ? m_impl->GetPixelAddress(x, y) : nullptr;
}

const uint8_t* CDIB32::ReadPixelAddress(int32_t x, int32_t y) const {
    return m_impl ? m_impl->ReadPixelAddress(x, y) : nullptr;
}

CDIB32Base* CDIB32::GetDC() const {
    return m_impl ? m_impl->GetDC() : nullptr;
}

void CDIB32::SetFlags(uint32_t bits) {
    if (m_impl) {
        m_impl->SetFlags(bits);
    }
}

int CDIB32::Fill(uint32_t colour, const RECT* rect) {
    return m_impl ? m_impl->Fill(colour, rect) : 1;
}

bool CDIB32::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    const int64_t r = static_cast<int64_t>(x) + w;
    const int64_t b = static_cast<int64_t>(y) + h;
    auto clamp32 = [](int64_t v) {
        return static_cast<int32_t>(
            std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    };
    const RECT rect{x, y, clamp32(r), clamp32(b)};
    return Fill(colour, &rect) == 0;
}

// ---------------------------------------------------------------------------------------------
// Blit entry points

namespace {

RECT SourceRect(int32_t sx, int32_t sy, int32_t w, int32_t h) {
    // Sums that leave the 32-bit range are clamped; such a rectangle leaves the source anyway.
    auto clamp32 = [](int64_t v) {
        return static_cast<int32_t>(
            std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    };
    return RECT{sx, sy, clamp32(static_cast<int64_t>(sx) + w), clamp32(static_cast<int64_t>(sy) + h)};
}

} // namespace

bool CDIB32::Blt(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                 int32_t h) {
    CDIB32Base* d = ImplOf(dst);
    if (d) {
        const RECT r = SourceRect(sx, sy, w, h);
        d->BltCopy(src, dx, dy, &r, nullptr, nullptr);
    }
    return true;
}

bool CDIB32::BltOpaque(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                       int32_t h) {
    return Blt(dst, dx, dy, src, sx, sy, w, h);
}

bool CDIB32::BltAlpha(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                      int32_t h) {
    CDIB32Base* d = ImplOf(dst);
    if (d) {
        const RECT r = SourceRect(sx, sy, w, h);
        d->BltAlpha(src, dx, dy, &r, nullptr, nullptr);
    }
    return true;
}

bool CDIB32::BltOnto(CDIB32* dst, int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t w, int32_t h) {
    return Blt(dst, dx, dy, this, sx, sy, w, h);
}

bool CDIB32::BltScaled(CDIB32* dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, CDIB32* src, int32_t sx,
                       int32_t sy, int32_t w, int32_t h) {
    CDIB32Base* d = ImplOf(dst);
    if (d) {
        const RECT r = SourceRect(sx, sy, w, h);
        const SIZE size{dw, dh};
        d->BltCopy(src, dx, dy, &r, &size, nullptr);
    }
    return true;
}

bool CDIB32::BltFade(CDIB32* dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, CDIB32* src,
                     uint32_t /*ignored*/, int32_t sx, int32_t sy, int32_t w, int32_t h, uint16_t level) {
    CDIB32Base* d = ImplOf(dst);
    if (!d || level == 0) {
        return true;
    }
    const RECT r = SourceRect(sx, sy, w, h);
    const SIZE size{dw, dh};
    if (level >= 256) {
        d->BltCopy(src, dx, dy, &r, &size, nullptr);
    } else {
        d->BltBlend(src, dx, dy, kestrel::gfx::Inverse3(level), kestrel::gfx::Level3(level), &r, &size,
                    nullptr);
    }
    return true;
}

bool CDIB32::BltAlphaFade(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                          int32_t h, uint16_t level) {
    CDIB32Base* d = ImplOf(dst);
    if (!d || level == 0) {
        return true;
    }
    const RECT r = SourceRect(sx, sy, w, h);
    if (level >= 255) {
        d->BltAlpha(src, dx, dy, &r, nullptr, nullptr);
    } else {
        d->BltAlphaBlend(src, dx, dy, kestrel::gfx::Inverse3(level), kestrel::gfx::Level3(level), &r, nullptr,
                         nullptr);
    }
    return true;
}

bool CDIB32::BltAlphaFadeEx(CDIB32* dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, CDIB32* src,
                            int32_t sx, int32_t sy, int32_t w, int32_t h, uint16_t level) {
    CDIB32Base* d = ImplOf(dst);
    if (!d || level == 0) {
        return true;
    }
    const RECT r = SourceRect(sx, sy, w, h);
    const SIZE size{dw, dh};
    if (level >= 255) {
        d->BltAlpha(src, dx, dy, &r, &size, nullptr);
    } else {
        d->BltAlphaBlend(src, dx, dy, kestrel::gfx::Inverse3(level), kestrel::gfx::Level3(level), &r, &size,
                         nullptr);
    }
    return true;
}

bool CDIB32::BltCrossFade(CDIB32* background, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy,
                          int32_t w, int32_t h, uint16_t level, uint32_t /*ignored*/) {
    if (!m_impl || level == 0) {
        return true;
    }
    const RECT r = SourceRect(sx, sy, w, h);
    if (level >= 256) {
        m_impl->BltCopy(src, dx, dy, &r, nullptr, nullptr);
    } else {
        m_impl->BltCopy(background, dx, dy, &r, nullptr, nullptr);
        m_impl->BltBlend(src, dx, dy, kestrel::gfx::Inverse3(level), kestrel::gfx::Level3(level), &r, nullptr,
                         nullptr);
    }
    return true;
}

bool CDIB32::BltFadeOver(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, CDIB32* background, int32_t sx,
                         int32_t sy, int32_t w, int32_t h, uint16_t level) {
    if (!dst) {
        return true;
    }
    if (background) {
        Blt(dst, dx, dy, background, sx, sy, w, h);
    }
    return dst->BltCrossFade(dst, dx, dy, src, sx, sy, w, h, level, 0);
}

bool CDIB32::BltColorKeyRaw(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                            RECT* clip) {
    return m_impl ? m_impl->BltColorKey(src, dx, dy, srcRect, dstSize, clip) == 0 : true;
}

bool CDIB32::BltCopyRaw(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                        RECT* clip) {
    return m_impl ? m_impl->BltCopy(src, dx, dy, srcRect, dstSize, clip) == 0 : true;
}

bool CDIB32::BltAlphaLevelRaw(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                              const RECT* srcRect, const SIZE* dstSize, RECT* clip) {
    return m_impl ? m_impl->BltAlphaBlend(src, dx, dy, inverse3, level3, srcRect, dstSize, clip) == 0 : true;
}

bool CDIB32::BltQuadBRaw(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, RECT* clip,
                         uint8_t exact) {
    return m_impl ? m_impl->BltQuadB(src, srcPoints, dstPoints, clip, exact) == 0 : true;
}

bool CDIB32::BltQuadDRaw(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, uint32_t inverse3,
                         uint32_t level3, RECT* clip, uint8_t exact) {
    return m_impl ? m_impl->BltQuadD(src, srcPoints, dstPoints, inverse3, level3, clip, exact) == 0 : true;
}

namespace {

// Runs op(dstPixel, srcPixel) over the w × h rectangles at (dx, dy) and (sx, sy), both cut to their
// surfaces (by the same amount, so that the pixels stay paired).
template <class Op>
void WalkPaired(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                int32_t h, Op op) {
    CDIB32Base* d = ImplOf(dst);
    CDIB32Base* s = ImplOf(src);
    if (!d || !s || d->IsEmpty() || s->IsEmpty() || w <= 0 || h <= 0) {
        return;
    }
    int64_t x0 = 0, y0 = 0, x1 = w, y1 = h;
    x0 = std::max<int64_t>({x0, -static_cast<int64_t>(dx), -static_cast<int64_t>(sx)});
    y0 = std::max<int64_t>({y0, -static_cast<int64_t>(dy), -static_cast<int64_t>(sy)});
    x1 = std::min<int64_t>(
        {x1, static_cast<int64_t>(d->GetWidth()) - dx, static_cast<int64_t>(s->GetWidth()) - sx});
    y1 = std::min<int64_t>(
        {y1, static_cast<int64_t>(d->GetHeight()) - dy, static_cast<int64_t>(s->GetHeight()) - sy});
    for (int64_t y = y0; y < y1; ++y) {
        uint32_t* dr = d->Row(static_cast<int32_t>(dy + y)) + dx;
        const uint32_t* sr = s->ReadRow(static_cast<int32_t>(sy + y)) + sx;
        for (int64_t x = x0; x < x1; ++x) {
            dr[x] = op(dr[x], sr[x]);
        }
    }
}

} // namespace

bool CDIB32::BltInvert(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                       int32_t h) {
    // The source keeps its alpha bytes: clearing them would spoil a 32-bit picture.
    WalkPaired(dst, dx, dy, src, sx, sy, w, h, [](uint32_t, uint32_t s) { return ~s & 0x00FFFFFFu; });
    return true;
}

bool CDIB32::BltSetAlpha(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                         int32_t h, uint32_t alpha) {
    const uint32_t a = (alpha & 0xFF) << 24;
    WalkPaired(dst, dx, dy, src, sx, sy, w, h,
               [a](uint32_t, uint32_t s) { return (s & 0x00FFFFFFu) | ((s >> 24) != 0 ? a : 0u); });
    return true;
}

bool CDIB32::BltNop(CDIB32*, int32_t, int32_t, CDIB32*, int32_t, int32_t, int32_t, int32_t) {
    return true;
}
