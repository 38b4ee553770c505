// The extras' pictures and sounds: the base pictures and parts sheets of the gallery, the scene
// replay and the music room, the first thumbnail sheet of the gallery and the replay, the click of a
// chosen picture or scene and a third music track. Places are those at which the screens read them.
#include <cmath>
#include <string>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"
#include "screens/extras_frame.h"
#include "screens/music_scene.h"

namespace kestrel::sample {

namespace {

namespace ex = screens::extras;

constexpr int32_t kScreenW = 1024;
constexpr int32_t kScreenH = 576;
constexpr uint32_t kInk = 0xFF1A1E2Au;
constexpr uint32_t kPale = 0xFFE6EAF2u;
constexpr uint32_t kDim = 0xFF8A90A0u;
constexpr uint32_t kGold = 0xFFE8C670u;
constexpr uint32_t kClear = 0x00000000u;
constexpr const char* kTabNames[3] = {"画廊", "回想", "音乐"};

// Parts sheet size: the tab faces, the return faces, the digits, the frames (and the music room's
// control faces in the same band).
constexpr int32_t kPartsW = 566;
constexpr int32_t kPartsH = 189;

// The frame the three screens share: ground, title, the tabs unlit and the return button.
void PaintFrame(Canvas& c, LabelFont& f, const char* title, uint32_t ground) {
    c.Fill(0, 0, kScreenW, kScreenH, ground);
    c.Fill(0, 76, kScreenW, 2, kGold);
    c.Text(f, 24, 22, title, 36, kPale);
    for (int k = 0; k < 3; ++k) {
        const RECT& r = ex::kButtonRects[k];
        c.Panel(r.left, r.top, r.right - r.left, r.bottom - r.top, 0xFF283040u, 1, kDim);
        c.TextCentred(f, r.left, r.top, r.right - r.left, r.bottom - r.top, kTabNames[k], 18, kDim, 4);
    }
    const RECT& back = ex::kButtonRects[ex::kReturn - 1];
    c.Panel(back.left, back.top, 64, 38, 0xFF283C64u, 1, kDim);
    c.TextCentred(f, back.left, back.top, 64, 38, "返回", 18, kPale, 4);
}

// The page numbers of a grid screen, unlit.
void PaintPageNumbers(Canvas& c, LabelFont& f, int pages) {
    c.Text(f, 704, 44, "页", 18, kPale);
    for (int p = 0; p < pages; ++p) {
        const RECT r = ex::PageButtonRect(p);
        c.TextCentred(f, r.left, r.top, 16, 16, std::to_string(p + 1), 14, kDim, 0);
    }
}

void PaintGalleryBase(Canvas& c, LabelFont& f) {
    PaintFrame(c, f, "画廊", Argb(255, 30, 24, 44));
    PaintPageNumbers(c, f, 8);
}

void PaintReplayBase(Canvas& c, LabelFont& f) {
    PaintFrame(c, f, "回想", Argb(255, 22, 36, 44));
    PaintPageNumbers(c, f, 2);
}

// Tab faces (lit), return face and flash, page digits, thumbnail frame and hover frame.
void PaintGridParts(Canvas& c, LabelFont& f, uint32_t accent) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    for (int k = 0; k < 3; ++k) {
        c.Panel(146 * k, 0, 146, 27, accent, 1, 0xFFFFFFFFu);
        c.TextCentred(f, 146 * k, 0, 146, 27, kTabNames[k], 18, kInk, 4);
    }
    c.Panel(438, 0, 64, 38, accent, 1, 0xFFFFFFFFu);
    c.TextCentred(f, 438, 0, 64, 38, "返回", 18, kInk, 4);
    c.Fill(504, 2, 60, 34, 0xC0FFFFFFu);
    for (int p = 0; p < 8; ++p) {
        c.Fill(19 * p, 27, 16, 16, accent);
        c.TextCentred(f, 19 * p, 27, 16, 16, std::to_string(p + 1), 14, kInk, 0);
    }
    c.Frame(0, 43, 250, 142, 1, WithAlpha(kDim, 0xFF));
    c.Frame(250, 43, 254, 146, 3, accent);
}

void PaintGalleryParts(Canvas& c, LabelFont& f) {
    PaintGridParts(c, f, 0xFFE8A0C0u);
}

void PaintReplayParts(Canvas& c, LabelFont& f) {
    PaintGridParts(c, f, 0xFF90D0E8u);
}

// A thumbnail sheet: twelve 248 × 140 cells. Those of the pictures that the sample has are the
// pictures they open, scaled down; the others are plain tinted cells with their number.
void PaintSheet(Canvas& c, LabelFont& f, const std::vector<const char*>& pictures, uint32_t tint) {
    for (int i = 0; i < ex::kGridSlots; ++i) {
        const int32_t x = ex::kThumbWidth * (i % 4);
        const int32_t y = ex::kThumbHeight * (i / 4);
        const PictureAsset* shown = nullptr;
        for (const PictureAsset& p : SamplePictures()) {
            if (i < static_cast<int>(pictures.size()) && std::string(p.name) == pictures[i]) {
                shown = &p;
            }
        }
        if (shown != nullptr) {
            Canvas whole(shown->width, shown->height, 0xFF000000u);
            shown->paint(whole, f);
            c.Reduce(whole, x, y, ex::kThumbWidth, ex::kThumbHeight);
            continue;
        }
        c.Fill(x, y, ex::kThumbWidth, ex::kThumbHeight, tint);
        c.TextCentred(f, x, y + 50, ex::kThumbWidth, 40, "No." + std::to_string(i + 1), 20, kDim, 4);
    }
}

// Gallery slot i is event picture row i (its first variant); replay slot i opens the scene whose
// picture is given here.
void PaintGallerySheet(Canvas& c, LabelFont& f) {
    PaintSheet(c, f, {"bmp\\ev01a.bmp", "bmp\\ev02a.bmp"}, 0xFF302038u);
}

void PaintReplaySheet(Canvas& c, LabelFont& f) {
    PaintSheet(c, f, {"bmp\\bg02.bmp", "bmp\\bg03.bmp"}, 0xFF203038u);
}

// The music room: every track's label and the idle faces of the three controls.
constexpr const char* kControlNames[3] = {"上一首", "播放", "下一首"};

// The five tracks that the sample has, by file, and their titles; the list's other tracks play
// nothing here and are marked absent.
struct TrackTitle {
    const char* file;
    const char* title;
};
constexpr TrackTitle kTrackTitles[] = {{"bgm01.ogg", "雨天的早晨"},
                                       {"bgm02.ogg", "夜里的桥"},
                                       {"bgm08.ogg", "天亮的街"},
                                       {"bgm09.ogg", "标题"},
                                       {"op_arr01.ogg", "主题（明亮）"}};
constexpr const char* kAbsentTrack = "（样本未收录）";

const char* TrackTitleOf(int track) {
    for (const TrackTitle& t : kTrackTitles) {
        if (std::string(t.file) == CMusicScene::kTracks[track]) {
            return t.title;
        }
    }
    return nullptr;
}

void PaintLabel(Canvas& c, LabelFont& f, int32_t x, int32_t y, int track, uint32_t fill, uint32_t ink) {
    c.Panel(x, y, 291, 26, fill, 1, WithAlpha(ink, 0xFF));
    const char* title = TrackTitleOf(track);
    c.Text(f, x + 8, y + 4, title != nullptr ? title : kAbsentTrack, 18,
           title != nullptr ? ink : Mix(ink, fill, 0.5));
}

void PaintMusicBase(Canvas& c, LabelFont& f) {
    PaintFrame(c, f, "音乐", Argb(255, 36, 30, 22));
    for (int t = 0; t < CMusicScene::kTrackCount; ++t) {
        const RECT r = CMusicScene::TrackRect(t);
        PaintLabel(c, f, r.left, r.top, t, 0xFF302820u, kDim);
    }
    for (int k = 1; k <= 3; ++k) {
        const RECT r = CMusicScene::ControlRect(k);
        c.Panel(r.left, r.top, 95, 35, 0xFF403020u, 1, kDim);
        c.TextCentred(f, r.left, r.top, 95, 35, k == 2 ? "停止" : kControlNames[k - 1], 18, kPale, 4);
    }
}

void PaintMusicParts(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    constexpr uint32_t kAccent = 0xFFE8C670u;
    for (int k = 0; k < 3; ++k) {
        c.Panel(146 * k, 0, 146, 27, kAccent, 1, 0xFFFFFFFFu);
        c.TextCentred(f, 146 * k, 0, 146, 27, kTabNames[k], 18, kInk, 4);
    }
    c.Panel(438, 0, 64, 38, kAccent, 1, 0xFFFFFFFFu);
    c.TextCentred(f, 438, 0, 64, 38, "返回", 18, kInk, 4);
    c.Fill(504, 2, 60, 34, 0xC0FFFFFFu);
    // Hover faces: previous, stop (while playing), next; play while stopped, idle and lit.
    const char* faces[4] = {"上一首", "停止", "下一首", "播放"};
    for (int k = 0; k < 4; ++k) {
        c.Panel(95 * k, 43, 95, 35, k == 3 ? 0xFF403020u : kAccent, 1, 0xFFFFFFFFu);
        c.TextCentred(f, 95 * k, 43, 95, 35, faces[k], 18, k == 3 ? kPale : kInk, 4);
    }
    c.Panel(285, 78, 95, 35, kAccent, 1, 0xFFFFFFFFu);
    c.TextCentred(f, 285, 78, 95, 35, "播放", 18, kInk, 4);
}

// Label sheets: every track's label at (315 c, 31 r).
void PaintLabels(Canvas& c, LabelFont& f, uint32_t fill, uint32_t ink) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    for (int t = 0; t < CMusicScene::kTrackCount; ++t)
        PaintLabel(c, f, 315 * (t / 9), 31 * (t % 9), t, fill, ink);
}

void PaintHoverLabels(Canvas& c, LabelFont& f) {
    PaintLabels(c, f, 0xFF605040u, kPale);
}

void PaintPlayingLabels(Canvas& c, LabelFont& f) {
    PaintLabels(c, f, 0xFFE8C670u, kInk);
}

// A short bell for the chosen picture or scene, and a third music track (a loop of whole cycles).
std::vector<int16_t> Tone(const SoundAsset& a, const double* hz, int count, double decay) {
    std::vector<int16_t> pcm(static_cast<size_t>(a.frames) * a.channels);
    for (uint32_t i = 0; i < a.frames; ++i) {
        const double t = static_cast<double>(i) / a.rate;
        double v = 0;
        for (int n = 0; n < count; ++n)
            v += 3000.0 * std::sin(2.0 * M_PI * hz[n] * t);
        v *= decay > 0 ? std::exp(-t * decay) : 1.0;
        for (int ch = 0; ch < a.channels; ++ch)
            pcm[static_cast<size_t>(i) * a.channels + ch] = static_cast<int16_t>(std::lround(v));
    }
    return pcm;
}

std::vector<int16_t> OpenBell(const SoundAsset& a) {
    constexpr double kHz[] = {880, 1320};
    return Tone(a, kHz, 2, 12.0);
}

std::vector<int16_t> ThirdTrack(const SoundAsset& a) {
    constexpr double kHz[] = {147, 220, 294, 370};
    return Tone(a, kHz, 4, 0.0);
}

} // namespace

const std::vector<PictureAsset>& SampleExtrasPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"system\\cg_base.bmp", kScreenW, kScreenH, 24, PaintGalleryBase},
        {"system\\cg_p.bmp", kPartsW, kPartsH, 32, PaintGalleryParts},
        {"system\\cg_sam01.bmp", 4 * ex::kThumbWidth, 3 * ex::kThumbHeight, 24, PaintGallerySheet},
        {"system\\scene_base.bmp", kScreenW, kScreenH, 24, PaintReplayBase},
        {"system\\scene_p.bmp", kPartsW, kPartsH, 32, PaintReplayParts},
        {"system\\scene_sam01.bmp", 4 * ex::kThumbWidth, 3 * ex::kThumbHeight, 24, PaintReplaySheet},
        {"system\\music_base.bmp", kScreenW, kScreenH, 24, PaintMusicBase},
        {"system\\music_p.bmp", kPartsW, 113, 32, PaintMusicParts},
        {"system\\music_p2.bmp", 945, 279, 32, PaintHoverLabels},
        {"system\\music_p3.bmp", 945, 279, 32, PaintPlayingLabels},
    };
    return pictures;
}

const std::vector<SoundAsset>& SampleExtrasSounds() {
    static const std::vector<SoundAsset> sounds = {
        {"se\\sys_g004.ogg", 2, 44100, 44100 / 4, OpenBell},
        {"bgm\\bgm02.ogg", 2, 44100, 44100 * 2, ThirdTrack},
    };
    return sounds;
}

} // namespace kestrel::sample
