// 32-bit software surfaces: the CDIB32 handle, its two implementations and the bitmap reader.
//
// Pixels are 32-bit little-endian words, bits 0-7 blue, 8-15 green, 16-23 red, 24-31 alpha;
// rows are top-down with a pitch of 4 × width and no padding. Colours handed to the surface
// operations use the same layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

class CDIB32;

// A packed device-independent bitmap as the bitmap reader returns it: a 40-byte header (biSize 40,
// biClrUsed and biClrImportant 0), the colour table, then the rows as stored in the file
// (bottom-up, each padded to 4 bytes). An empty block stands for "no bitmap".
using DibBlock = std::vector<uint8_t>;

// Limits of the bitmap reader: larger pictures are refused rather than trusted.
inline constexpr int32_t kMaxBitmapSide = 16384;
// The largest picture (in pixels) that a bitmap file cut short still loads as, zero-filled.
inline constexpr uint64_t kMaxCutShortPixels = 4096 * 4096;

// The weight of a rule-mask wipe as a function of the mask value m (0 to 255): w = ((m × scale) >> 8)
// + offset; below `keepBelow` the pixel is left (weight −1), otherwise w is clamped to [low, high].
// scale 0 to 32767.
struct MaskRamp {
    int32_t scale = 0;
    int32_t offset = 0;
    int32_t keepBelow = INT32_MIN;
    int32_t low = INT32_MIN;
    int32_t high = INT32_MAX;

    int32_t Weight(int32_t m) const {
        const int32_t w = ((m * scale) >> 8) + offset;
        return w < keepBelow ? -1 : w < low ? low : w > high ? high : w;
    }
};

// The surface implementation: pixels, colour key and the blit machinery.
class CDIB32Base {
public:
    // Flag bit: the surface is presented to the window (the back buffer, the frame surface).
    static constexpr uint32_t kDibSectionFlag = 0x80000000u;

    // Clipping and scaling state of the blit in progress, written by PrepareBlt.
    struct BlitState {
        RECT srcRect;     // source rectangle still to be read, after clipping
        RECT dstRect;     // destination rectangle to be written, after clipping
        int32_t unscaled; // 1 without stretching, 0 with
        int32_t errX;     // horizontal error term at the left edge of each row
        int32_t remX;     // srcWidth mod dstWidth
        int32_t dstW;     // destination width
        int32_t stepX;    // srcWidth / dstWidth
        int32_t errY;     // vertical error term
        int32_t remY;     // srcHeight mod dstHeight
        int32_t dstH;     // destination height
        int32_t stepY;    // srcHeight / dstHeight
    };

    CDIB32Base();
    CDIB32Base(const CDIB32Base&) = delete;
    CDIB32Base& operator=(const CDIB32Base&) = delete;
    virtual ~CDIB32Base();

    // Converts a packed bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel into this surface, resizing
    // it when the size differs; takes the block. Results: 0 converted, 1 no block, 2 unsupported
    // depth, 3 malformed block (sizes out of range, rows beyond the block) or the surface could
    // not be made; on every failure but 1 the surface is left empty.
    virtual int CreateFromDIB(DibBlock block, uint32_t ignored);

    // The five basic blits. Each draws src (a handle, may be null) onto this surface at (dx, dy):
    // srcRect (null: the whole source), stretched to dstSize when it is given and differs from
    // the source rectangle's size, clipped to clip (null: this surface; a given clip is first cut
    // to this surface and written back). They report 0, also when nothing was drawn.
    // level3 holds the source weight of blue, green and red in its bytes 0 to 2, inverse3 the
    // destination weight likewise.
    virtual int BltColorKey(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                            RECT* clip) = 0;
    virtual int BltCopy(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                        RECT* clip) = 0;
    virtual int BltAlpha(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                         RECT* clip) = 0;
    virtual int BltBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                         const RECT* srcRect, const SIZE* dstSize, RECT* clip) = 0;
    virtual int BltAlphaBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                              const RECT* srcRect, const SIZE* dstSize, RECT* clip) = 0;

    // One row of a rule-mask wipe over `count` pixels: per pixel the weight a = ramp.Weight(mask[i] &
    // 0xFF) (ramp.Weight(0) for every pixel when mask is null); a < 0 leaves d[i], a > 255 copies
    // n[i], and 0 to 255 set each colour channel to o + (((n − o) × a) >> 8), keeping d[i]'s alpha.
    virtual void MaskWipeRow(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask,
                             int32_t count, const MaskRamp& ramp) const = 0;

    // Mapped quad blits: the four corners of the picture (0 top-left, 1 top-right, 2 bottom-left,
    // 3 bottom-right) as source points and the destination points where they land. Result 0 drawn
    // or nothing to draw, 1 refused (a crossed quadrilateral).
    virtual int BltQuadB(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, RECT* clip,
                         uint8_t exact) = 0;
    virtual int BltQuadD(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, uint32_t inverse3,
                         uint32_t level3, RECT* clip, uint8_t exact) = 0;

    // Frees the pixels; the surface is empty afterwards. Result 0.
    int Release();
    // Replaces the pixels by width × height zero pixels; a size of 0 or below leaves the surface
    // empty. True when the surface has the size asked for (or is empty as asked); false when the
    // pixels could not be allocated or the size is beyond the limits (the surface is then empty).
    bool CreateSurface(int32_t width, int32_t height);
    bool Create(int32_t width, int32_t height) { return CreateSurface(width, height); }

    // 0 and 0 when empty.
    void GetSize(int32_t& width, int32_t& height) const;
    int32_t GetWidth() const { return m_rect.right; }
    int32_t GetHeight() const { return m_rect.bottom; }
    const RECT* GetRect() const { return &m_rect; }
    int32_t GetPitch() const { return m_pitch; }
    bool IsEmpty() const { return m_bits == nullptr; }
    void SetFlags(uint32_t bits) { m_flags |= bits; }
    uint32_t GetFlags() const { return m_flags; }
    // The surface the platform presents from (this one) for a presented surface, null otherwise.
    CDIB32Base* GetDC() { return (m_flags & kDibSectionFlag) && m_bits ? this : nullptr; }

    // Source colour key, 24 bits; 0x00FF00 unless changed.
    int SetColorKeyRGB(uint32_t r, uint32_t g, uint32_t b);
    uint32_t GetColorKey() const { return m_colorKey; }
    uint32_t GetDefaultFill() const { return m_defaultFill; }
    void SetDefaultFill(uint32_t colour) { m_defaultFill = colour; }

    // Address of pixel (x, y); null outside the surface. Rows y to the last count as changed.
    uint8_t* GetPixelAddress(int32_t x, int32_t y) const;
    // Row y (0 to height − 1) as pixel words; no bounds test. The row counts as changed.
    uint32_t* Row(int32_t y) const {
        MarkChanged(y, y + 1);
        return m_bits + static_cast<size_t>(y) * static_cast<size_t>(m_rect.right);
    }
    // Every row counts as changed.
    uint32_t* Bits() const {
        MarkChanged(0, m_rect.bottom);
        return m_bits;
    }
    // The same pixels for reading only: nothing counts as changed.
    const uint8_t* ReadPixelAddress(int32_t x, int32_t y) const;
    const uint32_t* ReadRow(int32_t y) const {
        CatchUp();
        return m_bits + static_cast<size_t>(y) * static_cast<size_t>(m_rect.right);
    }
    const uint32_t* ReadBits() const {
        CatchUp();
        return m_bits;
    }

    // Change stamps. Every write access to the pixels (a writable pointer handed out, a blit, a
    // fill, a new size) stamps the rows it may touch with a value of one process-wide counter that
    // only grows, so a row whose stamp is not above a stamp taken earlier holds the same pixels as
    // then. Readers that keep a copy (the presentation, a repeated copy) use this to skip rows.
    // The stamp of the last write to this surface; 0 for a surface never written.
    uint64_t Stamp() const {
        CatchUp();
        return m_lastStamp;
    }
    // The stamp of row y (0 to height − 1); no bounds test.
    uint64_t RowStamp(int32_t y) const {
        CatchUp();
        return StampOfRow(y);
    }
    // Stamps rows [top, bottom), cut to the surface, as changed now.
    void MarkChanged(int32_t top, int32_t bottom) const;
    // The rows [top, bottom) that span every row stamped after `stamp`; top = bottom when none was.
    void RowsChangedSince(uint64_t stamp, int32_t& top, int32_t& bottom) const;

    // Fills rect (null: the whole surface) with colour; colour 0xFFFFFFFF means the default fill.
    // The rectangle is cut to the surface. Result 1 when the surface is empty, else 0.
    int Fill(uint32_t colour, const RECT* rect);

    // Set-up shared by the blits: result 0 draw, 1 nothing to draw, 2 the source rectangle
    // leaves the source surface (also for a null or empty source). Fills m_blit.
    int PrepareBlt(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize, RECT* clip);
    const BlitState& GetBlitState() const { return m_blit; }

protected:
    // Repeated frames. A presented surface is composed anew every frame, mostly into the picture it
    // already holds. It keeps the list of blits that made its pixels, from the last blit that
    // copied over the whole surface on: while a new frame's blits repeat that list (the same
    // sources, unchanged, at the same places with the same levels), they are only counted, and the
    // pixels, which already hold the end of the list, stay untouched. Whoever looks at the pixels
    // or writes to them otherwise while only a part of the list was repeated gets them caught up
    // first: the repeated part is drawn again from the start. The same happens before a source of
    // a counted blit changes or goes.
    enum class BlitKind : uint8_t { ColorKey, Copy, Alpha, Blend, AlphaBlend };
    struct LoggedBlit {
        BlitKind kind;
        const CDIB32Base* src;
        uint64_t srcStamp; // the source's stamp when the blit was asked for
        uint32_t colorKey; // the source's key (ColorKey)
        uint32_t inverse3; // Blend, AlphaBlend
        uint32_t level3;
        BlitState blit; // as PrepareBlt left it
        bool operator==(const LoggedBlit& o) const;
    };
    // Called by a blit after PrepareBlt accepted it: draws it through RunBlit, or only counts it as
    // repeated.
    void Submit(const LoggedBlit& op);
    // Draws one blit with the state in op.blit (the implementation's walk).
    virtual void RunBlit(const LoggedBlit& op);

    std::vector<uint32_t> m_pixels; // owned pixel store (empty when the surface is empty)
    uint32_t* m_bits = nullptr;     // first pixel of row 0; null when empty
    RECT m_rect;                    // (0, 0, width, height); zero when empty
    int32_t m_pitch = 0;            // bytes per row, 4 × width
    uint32_t m_colorKey = 0x00FF00;
    uint32_t m_defaultFill = 0;
    uint32_t m_flags = 0;
    BlitState m_blit{};
    mutable std::vector<uint64_t> m_rowStamps; // one per row
    mutable uint64_t m_lastStamp = 0;
    // Rows from m_tailFrom to the last were all stamped at least m_tailStamp: a writable pointer
    // into the pixels, which may be written to their end, stamps them at once.
    mutable int32_t m_tailFrom = INT32_MAX;
    mutable uint64_t m_tailStamp = 0;
    uint64_t StampOfRow(int32_t y) const {
        const uint64_t own = m_rowStamps[static_cast<size_t>(y)];
        return y >= m_tailFrom && m_tailStamp > own ? m_tailStamp : own;
    }

private:
    // Draws the repeated part of the list when the pixels are ahead of it.
    void CatchUp() const {
        if (m_ahead) {
            DrawRepeated();
        }
    }
    void DrawRepeated() const;
    void SetAhead(bool ahead) const;
    // Before this surface's pixels change or go: surfaces ahead of blits from it catch up.
    void CatchUpReaders() const;
    void DropLog() const;

    mutable std::vector<LoggedBlit> m_log; // the blits that made the pixels, from a whole-surface copy
    mutable size_t m_repeated = 0;         // how many of them this frame repeated so far
    mutable bool m_logValid = false;       // the pixels are what the list makes
    mutable bool m_ahead = false;          // the pixels hold the whole list, only m_repeated count
    mutable int m_drawing = 0;             // a listed blit is being drawn
};

// Plain integer implementation of every blit: the reference.
class CDIB32Nomal : public CDIB32Base {
public:
    CDIB32Nomal() = default;
    ~CDIB32Nomal() override;

    int BltColorKey(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                    RECT* clip) override;
    int BltCopy(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                RECT* clip) override;
    int BltAlpha(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                 RECT* clip) override;
    int BltBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3, const RECT* srcRect,
                 const SIZE* dstSize, RECT* clip) override;
    int BltAlphaBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                      const RECT* srcRect, const SIZE* dstSize, RECT* clip) override;
    void MaskWipeRow(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask, int32_t count,
                     const MaskRamp& ramp) const override;
    // Defined with the mapped quad blits in quad_blit.cpp.
    int BltQuadB(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, RECT* clip,
                 uint8_t exact) override;
    int BltQuadD(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, uint32_t inverse3,
                 uint32_t level3, RECT* clip, uint8_t exact) override;
};

// Fast implementation of the five basic blits (SIMD); the mapped blits are inherited. Its results
// are those of the processor-specific implementation: BltAlpha keeps the destination at source
// alpha 0, copies all 32 bits at alpha 255 and weighs the destination by 256 − alpha otherwise;
// BltAlphaBlend leaves the destination at source alpha 0. Everything else matches CDIB32Nomal.
class CDIB32PMMX : public CDIB32Nomal {
public:
    CDIB32PMMX() = default;
    ~CDIB32PMMX() override;

    int BltColorKey(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                    RECT* clip) override;
    int BltCopy(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                RECT* clip) override;
    int BltAlpha(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                 RECT* clip) override;
    int BltBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3, const RECT* srcRect,
                 const SIZE* dstSize, RECT* clip) override;
    int BltAlphaBlend(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                      const RECT* srcRect, const SIZE* dstSize, RECT* clip) override;
    void MaskWipeRow(uint32_t* d, const uint32_t* n, const uint32_t* o, const uint32_t* mask, int32_t count,
                     const MaskRamp& ramp) const override;

protected:
    void RunBlit(const LoggedBlit& op) override;

private:
    void RunCopy(const CDIB32Base& from);
    // The last unscaled copy this surface received from another one. While the source is unchanged,
    // the same copy again only rewrites the rows written since (the whole back buffer is copied
    // from the background every frame, while mostly only the message window band changes).
    struct CopyMemo {
        const CDIB32Base* src = nullptr;
        RECT srcRect{};
        RECT dstRect{};
        uint64_t srcStamp = 0;  // the source's stamp when it was copied
        uint64_t doneStamp = 0; // this surface's stamp right after the copy
    };
    CopyMemo m_copyMemo;
};

// Which implementation a new CDIB32 gets.
enum class SurfaceImpl {
    Auto,  // by the processor test (IsMMXAvailable), unless ForcePlainSurfaces is on
    Plain, // CDIB32Nomal
    Fast,  // CDIB32PMMX
};

// Tests switch every later CDIB32 (made with SurfaceImpl::Auto) to the plain implementation.
void ForcePlainSurfaces(bool on);
// Tests keep the fast implementation to its four-pixel (SSE2) path where the processor would take
// the eight-pixel (AVX2) one.
void LimitFastSurfacesToSse2(bool on);

// The surface handle used by every drawing subsystem.
class CDIB32 {
public:
    // loadState values.
    static constexpr uint32_t kConstructed = 1;
    static constexpr uint32_t kLoaded = 3;
    static constexpr uint32_t kLoadFailed = 4;

    explicit CDIB32(SurfaceImpl impl = SurfaceImpl::Auto);
    CDIB32(const CDIB32&) = delete;
    CDIB32& operator=(const CDIB32&) = delete;
    virtual ~CDIB32();

    // --- Creation and loading ---

    // A blank surface of width × height zero pixels with the colour key 0x00FF00; window and bpp
    // are not used. True also for a size of 0 (the surface is then empty); false when the pixels
    // could not be made.
    bool Create(HWND window, uint16_t width, uint16_t height, uint32_t bpp);
    // Loads a ".bmp" by name (a resource folder, a backslash and a file name, relative to the game
    // folder) through the archive layer. False when it cannot be read or converted; the surface
    // is then empty.
    bool Load(const char* name);
    bool Load(HWND /*window*/, const char* name) { return Load(name); }
    // Result 0 loaded, 1 failed (loadState 3 or 4).
    virtual int LoadImage(const std::string& name, uint32_t flag);
    // Reads a bitmap file into a packed bitmap; empty on failure. Sets the bit depth.
    virtual DibBlock ReadBmp(const std::string& name);
    virtual int CreateFromDIB(DibBlock block, uint32_t flag);
    // Loads a bitmap file held in memory, as LoadImage does with a file's bytes. Result 0 or 1.
    int LoadFromMemory(const uint8_t* data, size_t size);
    // Bits per pixel of the last bitmap file read into this handle (0 before any).
    uint32_t GetMember2() const { return m_bitDepth; }
    uint32_t GetLoadState() const { return m_loadState; }

    // --- Accessors and fills ---

    int32_t GetWidth() const;
    int32_t GetHeight() const;
    int32_t GetPitch() const;
    uint8_t* GetPixelAddress(int32_t x, int32_t y) const;
    const uint8_t* ReadPixelAddress(int32_t x, int32_t y) const;
    CDIB32Base* GetDC() const;
    void SetFlags(uint32_t bits);
    // Colour 0xFFFFFFFF means the default fill (0). Cut to the surface.
    int Fill(uint32_t colour, const RECT* rect);
    bool FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);
    // The implementation (null only when none could be made).
    CDIB32Base* Impl() const { return m_impl; }
    // The first row (0 or 1) that the interlaced screen effects draw when this handle is their new
    // picture: 0 after construction, flipped by each such effect.
    uint32_t GetInterlaceRow() const { return m_interlaceRow; }
    void FlipInterlaceRow() { m_interlaceRow ^= 1; }

    // --- Blits ---
    // The source rectangle is (sx, sy, sx + w, sy + h), clipped to the destination; a rectangle
    // that leaves the source draws nothing. Levels: 0 draws nothing, 1 to 255 blend, 256 and more
    // are opaque, except the alpha fades, which switch to plain per-pixel alpha at 255. Null or
    // empty surfaces draw nothing. All report true.

    // Opaque copy.
    static bool Blt(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                    int32_t h);
    static bool BltOpaque(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                          int32_t h);
    // Per-pixel alpha.
    static bool BltAlpha(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                         int32_t h);
    // Opaque copy of this surface's (sx, sy, w, h) onto dst at (dx, dy).
    bool BltOnto(CDIB32* dst, int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t w, int32_t h);
    // Opaque copy stretched to dw × dh.
    static bool BltScaled(CDIB32* dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, CDIB32* src,
                          int32_t sx, int32_t sy, int32_t w, int32_t h);
    // Constant opacity, stretched to dw × dh.
    static bool BltFade(CDIB32* dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, CDIB32* src,
                        uint32_t ignored, int32_t sx, int32_t sy, int32_t w, int32_t h, uint16_t level);
    // Per-pixel alpha times a level.
    static bool BltAlphaFade(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy,
                             int32_t w, int32_t h, uint16_t level);
    static bool BltAlphaFadeEx(CDIB32* dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, CDIB32* src,
                               int32_t sx, int32_t sy, int32_t w, int32_t h, uint16_t level);
    // This surface becomes background, then src blended over it at level.
    bool BltCrossFade(CDIB32* background, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy,
                      int32_t w, int32_t h, uint16_t level, uint32_t ignored);
    // dst becomes background (when given), then src blended over it at level.
    static bool BltFadeOver(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, CDIB32* background, int32_t sx,
                            int32_t sy, int32_t w, int32_t h, uint16_t level);
    // The slots of this surface's implementation, arguments passed through.
    bool BltColorKeyRaw(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                        RECT* clip);
    bool BltCopyRaw(CDIB32* src, int32_t dx, int32_t dy, const RECT* srcRect, const SIZE* dstSize,
                    RECT* clip);
    bool BltAlphaLevelRaw(CDIB32* src, int32_t dx, int32_t dy, uint32_t inverse3, uint32_t level3,
                          const RECT* srcRect, const SIZE* dstSize, RECT* clip);
    // Result of the slot: true drawn (or nothing to draw), false refused.
    bool BltQuadBRaw(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, RECT* clip, uint8_t exact);
    bool BltQuadDRaw(CDIB32* src, const POINT* srcPoints, const POINT* dstPoints, uint32_t inverse3,
                     uint32_t level3, RECT* clip, uint8_t exact);
    // dst colour = 255 − src colour per channel, alpha 0; the source is left as it is. Cut to
    // both surfaces.
    static bool BltInvert(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                          int32_t h);
    // dst colour = src colour; dst alpha = the low byte of alpha where the source alpha is not 0,
    // else 0. Cut to both surfaces.
    static bool BltSetAlpha(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy,
                            int32_t w, int32_t h, uint32_t alpha);
    static bool BltNop(CDIB32* dst, int32_t dx, int32_t dy, CDIB32* src, int32_t sx, int32_t sy, int32_t w,
                       int32_t h);

private:
    uint32_t m_interlaceRow = 0;
    uint32_t m_bitDepth = 0;
    CDIB32Base* m_impl = nullptr;
    uint32_t m_loadState = kConstructed;
};

namespace kestrel::gfx {

// level × 0x010101: the level in the blue, green and red bytes.
constexpr uint32_t Level3(uint32_t level) {
    return level * 0x010101u;
}
// The destination weights that go with Level3: 255 − level per channel.
constexpr uint32_t Inverse3(uint32_t level) {
    return ~Level3(level) & 0xFFFFFFu;
}

// Parses a bitmap file held in memory into a packed bitmap; empty when the file is not a
// bitmap this reader accepts. A file cut short after its headers loads, the bytes it lacks zero.
// bitDepth receives biBitCount of a file whose header was read.
DibBlock ParseBitmapFile(const uint8_t* data, size_t size, uint32_t& bitDepth);

} // namespace kestrel::gfx
