#include "platform/glyph_source.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/text_codec.h"

namespace {

// The game asks for the Windows face names of its fonts; these rules map them to the Debian
// packages that the scripts install, with Noto as a second choice. 黑体 is a fixed-pitch face
// (half-width characters exactly half the height wide, which the layout code relies on), so the
// fixed-pitch member of the WenQuanYi Zen Hei family comes first; its CJK glyphs are the same.
constexpr char kFontConfig[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <match target="pattern">
    <test name="family" qual="any"><string>黑体</string></test>
    <edit name="family" mode="prepend" binding="strong">
      <string>WenQuanYi Zen Hei Mono</string><string>WenQuanYi Zen Hei</string><string>Noto Sans CJK SC</string>
    </edit>
  </match>
  <match target="pattern">
    <test name="family" qual="any"><string>SimHei</string></test>
    <edit name="family" mode="prepend" binding="strong">
      <string>WenQuanYi Zen Hei Mono</string><string>WenQuanYi Zen Hei</string><string>Noto Sans CJK SC</string>
    </edit>
  </match>
  <match target="pattern">
    <test name="family" qual="any"><string>宋体</string></test>
    <edit name="family" mode="prepend" binding="strong">
      <string>AR PL UMing CN</string><string>Noto Serif CJK SC</string>
    </edit>
  </match>
  <match target="pattern">
    <test name="family" qual="any"><string>SimSun</string></test>
    <edit name="family" mode="prepend" binding="strong">
      <string>AR PL UMing CN</string><string>Noto Serif CJK SC</string>
    </edit>
  </match>
  <match target="pattern">
    <test name="family" qual="any"><string>新宋体</string></test>
    <edit name="family" mode="prepend" binding="strong">
      <string>AR PL UMing CN</string><string>Noto Serif CJK SC</string>
    </edit>
  </match>
</fontconfig>
)";

// Faces tried when the matched one cannot show CJK text (the configuration above did not apply).
constexpr const char* kFallbackFamilies[] = {"WenQuanYi Zen Hei", "AR PL UMing CN", "Noto Sans CJK SC"};

// The cache is dropped whole when it grows past this many bytes of glyph bitmaps.
constexpr size_t kCacheBudget = 48u << 20;

// Punctuation that a vertical font turns: the vertical presentation form when the face has it,
// otherwise the horizontal glyph turned a quarter clockwise (brackets, dashes) or moved to the
// upper right of its cell (the small marks that sit at the bottom left when horizontal).
enum class VerticalFix : uint8_t { Rotate, UpperRight };
struct VerticalForm {
    char32_t horizontal;
    char32_t vertical; // 0: no presentation form exists
    VerticalFix fix;
};
constexpr VerticalForm kVerticalForms[] = {
    {0x3001, 0xFE11, VerticalFix::UpperRight}, // 、
    {0x3002, 0xFE12, VerticalFix::UpperRight}, // 。
    {0xFF0C, 0xFE10, VerticalFix::UpperRight}, // ，
    {0xFF0E, 0, VerticalFix::UpperRight},      // ．
    {0xFF1A, 0xFE13, VerticalFix::Rotate},     // ：
    {0xFF1B, 0xFE14, VerticalFix::Rotate},     // ；
    {0xFF01, 0xFE15, VerticalFix::UpperRight}, // ！ (the form is upright; nudged like a mark)
    {0xFF1F, 0xFE16, VerticalFix::UpperRight}, // ？
    {0x3016, 0xFE17, VerticalFix::Rotate},     // 〖
    {0x3017, 0xFE18, VerticalFix::Rotate},     // 〗
    {0x2026, 0xFE19, VerticalFix::Rotate},     // …
    {0x2025, 0xFE30, VerticalFix::Rotate},     // ‥
    {0x2014, 0xFE31, VerticalFix::Rotate},     // —
    {0x2015, 0xFE31, VerticalFix::Rotate},     // ―
    {0x2013, 0xFE32, VerticalFix::Rotate},     // –
    {0xFF3F, 0xFE33, VerticalFix::Rotate},     // ＿
    {0xFF08, 0xFE35, VerticalFix::Rotate},     // （
    {0xFF09, 0xFE36, VerticalFix::Rotate},     // ）
    {0xFF5B, 0xFE37, VerticalFix::Rotate},     // ｛
    {0xFF5D, 0xFE38, VerticalFix::Rotate},     // ｝
    {0x3014, 0xFE39, VerticalFix::Rotate},     // 〔
    {0x3015, 0xFE3A, VerticalFix::Rotate},     // 〕
    {0x3010, 0xFE3B, VerticalFix::Rotate},     // 【
    {0x3011, 0xFE3C, VerticalFix::Rotate},     // 】
    {0x300A, 0xFE3D, VerticalFix::Rotate},     // 《
    {0x300B, 0xFE3E, VerticalFix::Rotate},     // 》
    {0x3008, 0xFE3F, VerticalFix::Rotate},     // 〈
    {0x3009, 0xFE40, VerticalFix::Rotate},     // 〉
    {0x300C, 0xFE41, VerticalFix::Rotate},     // 「
    {0x300D, 0xFE42, VerticalFix::Rotate},     // 」
    {0x300E, 0xFE43, VerticalFix::Rotate},     // 『
    {0x300F, 0xFE44, VerticalFix::Rotate},     // 』
    {0xFF3B, 0xFE47, VerticalFix::Rotate},     // ［
    {0xFF3D, 0xFE48, VerticalFix::Rotate},     // ］
    {0x30FC, 0, VerticalFix::Rotate},          // ー
    {0xFF5E, 0, VerticalFix::Rotate},          // ～
    {0x301C, 0, VerticalFix::Rotate},          // 〜
    {0xFF1D, 0, VerticalFix::Rotate},          // ＝
    {0xFF0D, 0, VerticalFix::Rotate},          // －
    {0x2500, 0, VerticalFix::Rotate},          // ─
};

const VerticalForm* FindVerticalForm(char32_t c) {
    for (const VerticalForm& f : kVerticalForms) {
        if (f.horizontal == c) {
            return &f;
        }
    }
    return nullptr;
}

// The vertical extent of the face's ideographs in its current units: the union of the boxes of 国
// (square, the full width) and 音 (a dot on top, a wide foot), which between them reach the highest
// and lowest strokes. False when the face has neither as an outline.
bool IdeographBox(FT_Face face, FT_Int32 loadFlags, FT_BBox* box) {
    bool found = false;
    for (const char32_t c : {U'\u56FD', U'\u97F3'}) {
        const FT_UInt gi = FT_Get_Char_Index(face, c);
        if (gi == 0 || FT_Load_Glyph(face, gi, loadFlags) != 0 ||
            face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
            continue;
        }
        FT_BBox one;
        FT_Outline_Get_CBox(&face->glyph->outline, &one);
        box->yMin = found ? std::min(box->yMin, one.yMin) : one.yMin;
        box->yMax = found ? std::max(box->yMax, one.yMax) : one.yMax;
        found = true;
    }
    return found;
}

// Pixels per em across and down, and ascent, of a font `height` pixels high and `width` pixels
// wide on average (0 for the face's own width). The game's faces have a cell as tall as their em
// square, so the height is taken as the em size (the substitutes' cells are taller and would
// shrink the text by a fifth). They are fixed pitch, half-width characters half the em wide, so
// a width w makes the em 2w across: at odd heights a full-width character is narrower than high.
// The ascent puts the centre of the ideographs' box on the middle of the line: the game's faces
// keep their ideographs inside the cell, which a substitute's own (OS/2) ascent would not do, as
// its em sits lower in its taller cell (about 3 pixels at 24) and the bottoms would fall below the
// line.
struct SizeMetrics {
    int32_t ppem;
    int32_t ppemX;
    int32_t ascent;
};
SizeMetrics ComputeSizeMetrics(FT_Face face, int32_t height, int32_t width) {
    SizeMetrics m{height, width > 0 ? 2 * width : height, 0};
    const int64_t upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    // Twice the centre's height above the baseline, in font units; without an ideograph, the em
    // box is taken to lie 7/8 above the baseline.
    FT_BBox box;
    const int64_t twiceCentre =
        IdeographBox(face, FT_LOAD_NO_SCALE, &box) ? box.yMin + box.yMax : upem * 3 / 4;
    // height/2 + centre·height/upem, rounded to the nearest pixel.
    m.ascent = static_cast<int32_t>(((upem + twiceCentre) * height + upem) / (2 * upem));
    return m;
}

struct FaceKey {
    std::string file;
    int32_t index;
    bool operator<(const FaceKey& o) const { return file != o.file ? file < o.file : index < o.index; }
};

// One font made by CreateFont: a face at a size with its options.
struct FontState {
    FT_Face face = nullptr;
    std::string family;
    std::string file;
    int32_t index = 0;
    int32_t ppem = 0;  // pixels per em down
    int32_t ppemX = 0; // pixels per em across
    int32_t ascent = 0;
    bool bold = false;
    bool vertical = false;
    text_codec::CodePage page = text_codec::CodePage::Gbk;
    bool centreKnown = false;
    FT_Pos ideographCentreY = 0; // 26.6, vertical centre of the ideographs above the baseline
};

struct CachedGlyph {
    bool present = false;
    GlyphBitmap metrics;
    std::vector<uint8_t> bits;
};

class SystemGlyphSource final : public GlyphSource {
public:
    ~SystemGlyphSource() override {
        for (auto& [key, face] : faces_) {
            FT_Done_Face(face);
        }
        if (library_ != nullptr) {
            FT_Done_FreeType(library_);
        }
        if (config_ != nullptr) {
            FcConfigDestroy(config_);
        }
    }

    bool CreateFont(const FontRequest& request) override {
        if (request.height < 1 || request.height > kMaxFontHeight || request.face.empty() ||
            request.face == "@" || !Init()) {
            return false;
        }
        const bool vertical = request.face[0] == '@';
        const std::string family = vertical ? request.face.substr(1) : request.face;
        const Match* match = MatchFamily(family, request.charset);
        if (match == nullptr) {
            return false;
        }
        FT_Face face = OpenFace(match->file, match->index);
        if (face == nullptr) {
            return false;
        }
        FontState state;
        state.face = face;
        state.family = match->family;
        state.file = match->file;
        state.index = match->index;
        const SizeMetrics m = ComputeSizeMetrics(face, request.height, request.width);
        state.ppem = m.ppem;
        state.ppemX = m.ppemX;
        state.ascent = m.ascent;
        // A face without a bold style is emboldened for heavier weights, as GDI does.
        state.bold = request.weight >= 600 && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
        state.vertical = vertical;
        state.page = request.charset == 128 ? text_codec::CodePage::ShiftJis : text_codec::CodePage::Gbk;
        current_ = FindOrAddFont(state);
        return true;
    }

    int32_t GetAscent() const override { return current_ < 0 ? 0 : fonts_[current_].ascent; }

    bool GetGlyph(uint32_t code, GlyphFormat format, GlyphBitmap* glyph) override {
        if (current_ < 0 || glyph == nullptr) {
            return false;
        }
        const uint64_t key = (static_cast<uint64_t>(current_) << 40) |
                             (static_cast<uint64_t>(format == GlyphFormat::Gray4) << 32) | code;
        auto it = cache_.find(key);
        if (it == cache_.end()) {
            CachedGlyph entry;
            Render(fonts_[current_], code, format, entry);
            if (cacheBytes_ + entry.bits.size() > kCacheBudget) {
                cache_.clear();
                cacheBytes_ = 0;
            }
            cacheBytes_ += entry.bits.size() + sizeof(CachedGlyph);
            it = cache_.emplace(key, std::move(entry)).first;
        }
        if (!it->second.present) {
            return false;
        }
        *glyph = it->second.metrics;
        glyph->bits = it->second.bits.empty() ? nullptr : it->second.bits.data();
        return true;
    }

    MatchedFace Describe() const {
        MatchedFace d;
        if (current_ >= 0) {
            const FontState& f = fonts_[current_];
            d.family = f.family;
            d.file = f.file;
            d.index = f.index;
            d.vertical = f.vertical;
            d.pixelsPerEm = f.ppem;
            d.ascent = f.ascent;
        }
        return d;
    }

private:
    struct Match {
        std::string family;
        std::string file;
        int32_t index = 0;
    };

    bool Init() {
        if (initTried_) {
            return library_ != nullptr && config_ != nullptr;
        }
        initTried_ = true;
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            std::fprintf(stderr, "glyph font: FreeType could not be started\n");
            return false;
        }
        config_ = FcInitLoadConfigAndFonts();
        if (config_ == nullptr) {
            std::fprintf(stderr, "glyph font: fontconfig could not be started\n");
            return false;
        }
        if (!FcConfigParseAndLoadFromMemory(config_, reinterpret_cast<const FcChar8*>(kFontConfig), FcTrue)) {
            std::fprintf(stderr, "glyph font: the face-name rules could not be loaded\n");
        }
        return true;
    }

    // Matches `family` once; null when fontconfig finds no outline face at all.
    const Match* MatchFamily(const std::string& family, uint8_t charset) {
        auto found = matches_.find(family);
        if (found != matches_.end()) {
            return found->second.file.empty() ? nullptr : &found->second;
        }
        Match match;
        const char* lang = charset == 128 ? "ja" : "zh-cn";
        const FcChar32 probe = charset == 128 ? 0x3042 : 0x554A; // あ, 啊
        if (!MatchOne(family.c_str(), lang, probe, match)) {
            for (const char* f : kFallbackFamilies) {
                if (MatchOne(f, lang, probe, match)) {
                    break;
                }
            }
        }
        auto& stored = matches_[family] = match;
        if (stored.file.empty()) {
            std::fprintf(stderr, "glyph font: no face found for \"%s\"\n", family.c_str());
            return nullptr;
        }
        // Once per process and face name, however many sources are made.
        static std::mutex loggedLock;
        static std::set<std::string> logged;
        std::lock_guard<std::mutex> lock(loggedLock);
        if (logged.insert(family + "\n" + stored.file).second) {
            std::fprintf(stderr, "glyph font: \"%s\" uses %s (%s #%d)\n", family.c_str(),
                         stored.family.c_str(), stored.file.c_str(), stored.index);
        }
        return &stored;
    }

    // One fontconfig match; true when the face found covers `probe` with outlines.
    bool MatchOne(const char* family, const char* lang, FcChar32 probe, Match& out) {
        FcPattern* pattern = FcPatternCreate();
        if (pattern == nullptr) {
            return false;
        }
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
        FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
        FcConfigSubstitute(config_, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* font = FcFontMatch(config_, pattern, &result);
        FcPatternDestroy(pattern);
        if (font == nullptr) {
            return false;
        }
        bool ok = false;
        FcChar8* file = nullptr;
        FcChar8* name = nullptr;
        FcCharSet* charset = nullptr;
        int index = 0;
        FcBool outline = FcFalse;
        if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) == FcResultMatch &&
            FcCharSetHasChar(charset, probe) &&
            (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || outline)) {
            FcPatternGetInteger(font, FC_INDEX, 0, &index);
            out.file = reinterpret_cast<const char*>(file);
            out.index = index;
            out.family = FcPatternGetString(font, FC_FAMILY, 0, &name) == FcResultMatch
                             ? reinterpret_cast<const char*>(name)
                             : family;
            ok = true;
        }
        FcPatternDestroy(font);
        return ok;
    }

    FT_Face OpenFace(const std::string& file, int32_t index) {
        const FaceKey key{file, index};
        auto it = faces_.find(key);
        if (it != faces_.end()) {
            return it->second;
        }
        FT_Face face = nullptr;
        if (FT_New_Face(library_, file.c_str(), index, &face) != 0 || !FT_IS_SCALABLE(face)) {
            if (face != nullptr) {
                FT_Done_Face(face);
            }
            std::fprintf(stderr, "glyph font: %s #%d could not be opened\n", file.c_str(), index);
            return nullptr;
        }
        faces_[key] = face;
        return face;
    }

    int32_t FindOrAddFont(const FontState& state) {
        for (size_t i = 0; i < fonts_.size(); ++i) {
            const FontState& f = fonts_[i];
            if (f.face == state.face && f.ppem == state.ppem && f.ppemX == state.ppemX &&
                f.bold == state.bold && f.vertical == state.vertical && f.page == state.page) {
                return static_cast<int32_t>(i);
            }
        }
        fonts_.push_back(state);
        return static_cast<int32_t>(fonts_.size() - 1);
    }

    bool SetSize(FontState& font) {
        if (sizedFace_ == font.face && sizedPpem_ == font.ppem && sizedPpemX_ == font.ppemX) {
            return true;
        }
        if (FT_Set_Pixel_Sizes(font.face, static_cast<FT_UInt>(font.ppemX),
                               static_cast<FT_UInt>(font.ppem)) != 0) {
            sizedFace_ = nullptr;
            return false;
        }
        sizedFace_ = font.face;
        sizedPpem_ = font.ppem;
        sizedPpemX_ = font.ppemX;
        return true;
    }

    // The vertical centre of the ideographs, for turning punctuation about.
    FT_Pos IdeographCentre(FontState& font) {
        if (!font.centreKnown) {
            font.centreKnown = true;
            font.ideographCentreY = (font.ascent * 64) - font.ppem * 32;
            FT_BBox box;
            if (IdeographBox(font.face, FT_LOAD_NO_BITMAP, &box)) {
                font.ideographCentreY = (box.yMin + box.yMax) / 2;
            }
        }
        return font.ideographCentreY;
    }

    void Render(FontState& font, uint32_t code, GlyphFormat format, CachedGlyph& out) {
        char32_t c = text_codec::CharCodeToUnicode(code, font.page);
        if (c == 0 || !SetSize(font)) {
            return;
        }
        const bool halfWidth = code < 0x100;
        const VerticalForm* form = font.vertical && !halfWidth ? FindVerticalForm(c) : nullptr;
        bool fix = form != nullptr;
        if (form != nullptr && form->vertical != 0 && FT_Get_Char_Index(font.face, form->vertical) != 0) {
            c = form->vertical;
            fix = false;
        }
        const FT_UInt gi = FT_Get_Char_Index(font.face, c);
        if (gi == 0) {
            return;
        }
        const FT_Pos centreY = font.vertical ? IdeographCentre(font) : 0;
        if (FT_Load_Glyph(font.face, gi, FT_LOAD_NO_BITMAP) != 0) {
            return;
        }
        FT_GlyphSlot slot = font.face->glyph;
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
            return;
        }
        FT_Pos advance = slot->advance.x;
        if (font.bold) {
            FT_Outline_EmboldenXY(&slot->outline, 64, 0);
            advance += 64;
        }
        if (font.vertical && (halfWidth || fix)) {
            FT_Outline* outline = &slot->outline;
            if (!halfWidth && form->fix == VerticalFix::UpperRight) {
                FT_BBox box;
                FT_Outline_Get_CBox(outline, &box);
                FT_Outline_Translate(outline, advance - box.xMax - box.xMin,
                                     2 * centreY - box.yMax - box.yMin);
            } else {
                // A quarter turn clockwise: (x, y) → (y, −x).
                FT_Matrix turn{0, 0x10000, -0x10000, 0};
                FT_Outline_Transform(outline, &turn);
                if (halfWidth) {
                    // Half-width text lies on its side, tops to the right: its em box is centred
                    // across the column on the ideographs' centre line, the letters centred down
                    // the cell.
                    const FT_Pos em = font.ppem * 64;
                    FT_Outline_Translate(outline, em / 2 - centreY, font.ascent * 64 - (em - advance) / 2);
                } else {
                    const FT_Pos cx = advance / 2;
                    FT_Outline_Translate(outline, cx - centreY, centreY + cx);
                }
            }
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
            return;
        }
        const FT_Bitmap& bitmap = slot->bitmap;
        GlyphBitmap& m = out.metrics;
        m.advance = static_cast<int32_t>((advance + 32) >> 6);
        out.present = true;
        if (bitmap.width == 0 || bitmap.rows == 0 || bitmap.buffer == nullptr ||
            bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
            return; // an empty glyph: nothing to draw, the advance holds
        }
        const auto w = static_cast<int32_t>(bitmap.width);
        const auto h = static_cast<int32_t>(bitmap.rows);
        if (w > 4 * kMaxFontHeight || h > 4 * kMaxFontHeight) {
            return;
        }
        m.width = w;
        m.height = h;
        m.originX = slot->bitmap_left;
        m.originY = slot->bitmap_top;
        m.pitch = (w + 3) & ~3;
        out.bits.assign(static_cast<size_t>(m.pitch) * static_cast<size_t>(h), 0);
        const uint32_t top = MaxGlyphLevel(format);
        const int grays = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
        for (int32_t r = 0; r < h; ++r) {
            const uint8_t* src = bitmap.buffer + static_cast<ptrdiff_t>(r) * bitmap.pitch;
            uint8_t* dst = out.bits.data() + static_cast<size_t>(r) * static_cast<size_t>(m.pitch);
            for (int32_t x = 0; x < w; ++x) {
                // Rounded to the nearest level: 0 stays empty, full coverage gives the top level.
                dst[x] = static_cast<uint8_t>((src[x] * top + grays / 2) / grays);
            }
        }
    }

    bool initTried_ = false;
    FT_Library library_ = nullptr;
    FcConfig* config_ = nullptr;
    std::map<std::string, Match> matches_;
    std::map<FaceKey, FT_Face> faces_;
    std::vector<FontState> fonts_;
    int32_t current_ = -1;
    FT_Face sizedFace_ = nullptr;
    int32_t sizedPpem_ = 0;
    int32_t sizedPpemX_ = 0;
    std::unordered_map<uint64_t, CachedGlyph> cache_;
    size_t cacheBytes_ = 0;
};

} // namespace

std::unique_ptr<GlyphSource> CreateSystemGlyphSource() {
    return std::make_unique<SystemGlyphSource>();
}

MatchedFace DescribeCurrentFace(const GlyphSource& source) {
    if (auto* system = dynamic_cast<const SystemGlyphSource*>(&source)) {
        return system->Describe();
    }
    return {};
}
