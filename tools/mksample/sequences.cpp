// The sample game's pictures and music for the full-screen sequences: the eye screen and the eye
// sequence, the announcement screen and the picture sequence. Every picture is drawn at the size and
// with the parts where the sequences read it (scene/sequence_layouts.h).
#include <algorithm>
#include <cmath>
#include <string>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"
#include "scene/sequence_layouts.h"

namespace kestrel::sample {

namespace {

using namespace kestrel::sequence;

constexpr int32_t kScreenW = 1024;
constexpr int32_t kScreenH = 576;
constexpr uint32_t kInk = 0xFF1A1E2Au;
constexpr uint32_t kCream = 0xFFF6F0E0u;
constexpr uint32_t kGold = 0xFFE8C670u;

// A vertical gradient over the rectangle.
void Gradient(Canvas& c, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t top, uint32_t bottom) {
    for (int32_t j = 0; j < h; ++j)
        c.Fill(x, y + j, w, 1, Mix(top, bottom, h > 1 ? static_cast<double>(j) / (h - 1) : 0.0));
}

// A remembered place: sky and ground, a row of houses, a sun or moon and a caption in a corner (none
// when it is empty).
struct Scene {
    uint32_t sky, horizon, ground, houses;
    double sunX, sunY;
    const char* caption;
};
void PaintScene(Canvas& c, LabelFont& f, const Scene& s) {
    const int32_t w = c.Width(), h = c.Height();
    const int32_t line = h * 2 / 3;
    Gradient(c, 0, 0, w, line, s.sky, s.horizon);
    Gradient(c, 0, line, w, h - line, s.ground, Mix(s.ground, 0xFF000000u, 0.5));
    c.Disc(s.sunX * w, s.sunY * h, h / 12.0, Mix(s.horizon, 0xFFFFFFFFu, 0.7));
    for (int32_t i = 0; i * 70 < w; ++i) {
        const int32_t hh = 40 + (i * 53) % 90;
        c.Fill(i * 70 + 6, line - hh, 58, hh, s.houses);
        c.Fill(i * 70 + 22, line - hh + 14, 10, 12, Mix(s.houses, kGold, 0.6));
    }
    if (*s.caption != '\0') {
        c.Text(f, 24, h - 48, s.caption, 28, kCream);
    }
}

// ---- Eye screen and eye sequence ---------------------------------------------------------------

void PaintEyeBase(Canvas& c, LabelFont& f) {
    Gradient(c, 0, 0, kScreenW, kScreenH, 0xFFE4E0F0u, 0xFF8C84B4u);
    for (int i = 0; i < 5; ++i)
        c.Disc(640 + i * 70, 180 + (i % 2) * 60, 90 - i * 10, Mix(0xFFFFFFFFu, 0xFFB4ACD8u, i / 5.0));
    c.Text(f, 660, 470, "记忆之中", 40, kInk);
}

// An eye in a gold frame: opaque panel, transparent around it.
void PaintEye(Canvas& c, double cx, double cy, double rx, double ry) {
    for (int32_t y = static_cast<int32_t>(cy - ry); y <= cy + ry; ++y)
        for (int32_t x = static_cast<int32_t>(cx - rx); x <= cx + rx; ++x) {
            const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0)
                c.Fill(x, y, 1, 1, 0xFFF8F8F4u);
        }
    c.Disc(cx, cy, ry * 0.8, 0xFF3C5A8Cu);
    c.Disc(cx, cy, ry * 0.38, 0xFF101018u);
    c.Disc(cx + ry * 0.25, cy - ry * 0.25, ry * 0.14, 0xFFFFFFFFu);
}

// The eye screen shows the picture at y 372: only its top 204 rows are on the screen, and the panel
// keeps within them with a margin.
constexpr int32_t kEyePictureShownH = kScreenH - 372;
void PaintEyePicture(Canvas& c, LabelFont&) {
    c.Panel(24, 8, kEyePictureW - 32, kEyePictureShownH - 16, 0xF0202838u, 4, kGold);
    PaintEye(c, kEyePictureW / 2.0 + 4, kEyePictureShownH / 2.0, 120, 52);
}

// The sheet: every part the sequence cuts out of it, transparent elsewhere.
void PaintEyeSheet(Canvas& c, LabelFont& f) {
    const uint32_t line = 0xFF30384Cu;
    for (const SheetCut& l : kEyeVerticalLines)
        c.Fill(l.sx, l.sy, l.w, l.h, line);
    for (const SheetCut& l : kEyeHorizontalLines)
        c.Fill(l.sx, l.sy, l.w, l.h, line);
    c.Fill(kEyeDivider.sx, kEyeDivider.sy, kEyeDivider.w, kEyeDivider.h, kGold);
    // The panel: a small picture of a window at night.
    const SheetCut& p = kEyePanels[0];
    Gradient(c, p.sx, p.sy, p.w, p.h, 0xFF1C2440u, 0xFF48507Cu);
    c.Frame(p.sx, p.sy, p.w, p.h, 3, kGold);
    c.Disc(p.sx + p.w * 0.7, p.sy + p.h * 0.3, 22, 0xFFF0ECD0u);
    c.Fill(p.sx + 30, p.sy + 140, 60, 90, 0xFF101420u);
    // The two captions, on a transparent ground of their ink (the white screen shows through); the
    // second stands just above a rule line, so its text keeps to the cell's upper rows.
    const SheetCut& a = kEyePanels[1];
    c.Fill(a.sx, a.sy, a.w, a.h, WithAlpha(kInk, 0));
    c.TextCentred(f, a.sx, a.sy, a.w, a.h, "那一夜，窗外的灯一直亮着。", 24, kInk);
    const SheetCut& b = kEyePanels[2];
    c.Fill(b.sx, b.sy, b.w, b.h, WithAlpha(kInk, 0));
    c.TextCentred(f, b.sx, b.sy, b.w, b.h - 6, "她在看着什么？", 22, kInk);
    // The eye panel.
    const SheetCut& e = kEyePanel[0];
    c.Panel(e.sx, e.sy, e.w, e.h, 0xFF202838u, 3, kGold);
    PaintEye(c, e.sx + e.w / 2.0, e.sy + e.h / 2.0, 90, 44);
}

// The eye sequence shows a window of it 536 rows tall: a caption at its foot would be cut.
void PaintBackground(Canvas& c, LabelFont& f) {
    PaintScene(c, f, {0xFF38305Cu, 0xFFE09870u, 0xFF4A4038u, 0xFF241C2Cu, 0.3, 0.5, ""});
}

// ---- Announcement screen -----------------------------------------------------------------------

void PaintAnnBase(Canvas& c, LabelFont& f) {
    Gradient(c, 0, 0, kScreenW, kScreenH, 0xFF101828u, 0xFF2C3C64u);
    c.TextCentred(f, 0, 200, kScreenW, 110, "Kestrel", 96, kGold);
    c.TextCentred(f, 0, 320, kScreenW, 40, "presents", 30, kCream);
}

void PaintAnnBase02(Canvas& c, LabelFont& f) {
    Gradient(c, 0, 0, kScreenW, kScreenH, 0xFFF4E4C8u, 0xFFD89C70u);
    c.TextCentred(f, 0, 190, kScreenW, 110, "样本游戏", 96, 0xFF5A2E1Au);
}

// Laid over the second picture with its alpha: a band with the subtitle.
void PaintAnnBase03(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, kScreenW, kScreenH, 0);
    c.Fill(0, 330, kScreenW, 70, 0xFF5A2E1Au);
    c.TextCentred(f, 0, 330, kScreenW, 70, "——失踪与谎言——", 40, kCream);
}

void PaintAnnText(Canvas& c, LabelFont& f) {
    c.Panel(0, 0, kAnnTextW, kAnnTextH, 0xFFFFFCF4u, 2, 0xFFB0A080u);
    constexpr const char* kLines[] = {"本作品纯属虚构。",      "与实际存在的人物、团体、",
                                      "事件等均无关系。",      "",
                                      "本作品由 Kestrel 引擎", "根据公开的规格重新实现。"};
    int32_t y = 70;
    for (const char* line : kLines) {
        if (*line != '\0')
            c.TextCentred(f, 10, y, kAnnTextW - 20, 40, line, 30, kInk);
        y += 56;
    }
}

// ---- Picture sequence --------------------------------------------------------------------------

constexpr Scene kPictureScenes[] = {
    {0xFF8CB4E0u, 0xFFE8F0F8u, 0xFF7C9060u, 0xFF4C5A40u, 0.8, 0.2, "事务所的早晨"},
    {0xFF202848u, 0xFF506090u, 0xFF303038u, 0xFF181820u, 0.2, 0.25, "雨夜"},
    {0xFFE8B080u, 0xFFF8E0B0u, 0xFF907050u, 0xFF604030u, 0.5, 0.45, "海边的午后"},
    {0xFF6890C0u, 0xFFC8D8E8u, 0xFF606870u, 0xFF384048u, 0.7, 0.3, "冬日的车站"},
    {0xFF402848u, 0xFFC07080u, 0xFF403038u, 0xFF281828u, 0.4, 0.55, "港口的黄昏"},
    {0xFF101830u, 0xFF304068u, 0xFF202028u, 0xFF101018u, 0.75, 0.2, "重逢的街角"},
};
template <int N>
void PaintPicture(Canvas& c, LabelFont& f) {
    PaintScene(c, f, kPictureScenes[N]);
}

constexpr Scene kCardScenes[] = {
    {0xFF98C0E8u, 0xFFF0F4F8u, 0xFF88A070u, 0xFF50603Cu, 0.2, 0.15, "a"},
    {0xFF283050u, 0xFF607098u, 0xFF383840u, 0xFF202028u, 0.6, 0.2, "b"},
    {0xFFE0A878u, 0xFFF8E4C0u, 0xFF987858u, 0xFF684838u, 0.3, 0.3, "c"},
    {0xFF70A0D0u, 0xFFD0E0F0u, 0xFF4878A0u, 0xFF305070u, 0.5, 0.2, "d"},
    {0xFF88B868u, 0xFFE8F0C8u, 0xFF6C8C48u, 0xFF405830u, 0.7, 0.2, "e"},
    {0xFF503050u, 0xFFD08070u, 0xFF483840u, 0xFF302030u, 0.4, 0.4, "f"},
    {0xFFB8C8D8u, 0xFFF0F4F8u, 0xFFC8D0D8u, 0xFF687078u, 0.6, 0.2, "g"},
    {0xFF182038u, 0xFF405078u, 0xFF282830u, 0xFF141420u, 0.3, 0.2, "h"},
};
constexpr const char* kCaptions[][2] = {{"最初的委托", "一九九八年"},
                                        {"雨夜", "车站前"},
                                        {"咖啡店", "午后"},
                                        {"旧照片", "海边"},
                                        {"约定", "公园"},
                                        {"离别", "港口"},
                                        {"来信", "冬"},
                                        {"重逢", "街角"}};

// A card's picture is larger than its panel and pans under it: lights scattered over the whole of it
// keep the motion visible wherever the window stands.
template <int N>
void PaintCardPicture(Canvas& c, LabelFont& f) {
    PaintScene(c, f, kCardScenes[N]);
    uint32_t seed = 12345u + N;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double x = (seed >> 8) % static_cast<uint32_t>(c.Width());
        seed = seed * 1103515245u + 12345u;
        const double y = (seed >> 8) % static_cast<uint32_t>(c.Height());
        const double r = 6 + (seed >> 4) % 18;
        c.Disc(x, y, r + 3, Mix(kCardScenes[N].horizon, 0xFFFFFFFFu, 0.3));
        c.Disc(x, y, r, Mix(kGold, kCardScenes[N].sky, (i % 5) / 5.0));
    }
}
// The panel frame: an opaque gold border with a soft inner edge, transparent inside.
template <int N>
void PaintCardFrame(Canvas& c, LabelFont&) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Frame(0, 0, c.Width(), c.Height(), 6, kGold);
    for (int i = 0; i < 6; ++i)
        c.Frame(6 + i, 6 + i, c.Width() - 12 - 2 * i, c.Height() - 12 - 2 * i, 1,
                WithAlpha(0x000000u, static_cast<uint32_t>(160 - i * 26)));
}
// The rule line: gold at its ends, white in the middle, fading out over its last 8 pixels each side.
template <int N>
void PaintCardLine(Canvas& c, LabelFont&) {
    for (int32_t x = 0; x < c.Width(); ++x) {
        const auto fade = static_cast<uint32_t>(std::min(255, 32 * std::min(x + 1, c.Width() - x)));
        c.Fill(x, 0, 1, c.Height(),
               WithAlpha(Mix(kGold, 0xFFFFFFFFu, 0.5 + 0.5 * std::sin(x * M_PI / c.Width())), fade));
    }
}
template <int N, int Which>
void PaintCardCaption(Canvas& c, LabelFont& f) {
    // On a transparent ground: the caption lies over the card's rule line.
    c.Fill(0, 0, c.Width(), c.Height(), WithAlpha(kCream, 0));
    c.TextCentred(f, 0, 0, c.Width(), c.Height(), kCaptions[N][Which], 28, kCream, 4);
}

std::string CardName(int card, const char* suffix) {
    return std::string("bmp\\f002") + kSequenceCards[card].letter + suffix + ".bmp";
}

template <int N>
void AddCard(std::vector<PictureAsset>& out, std::vector<std::string>& names) {
    const SequenceCard& c = kSequenceCards[N];
    auto add = [&](const std::string& name, int32_t w, int32_t h, uint16_t bits,
                   void (*paint)(Canvas&, LabelFont&)) {
        names.push_back(name);
        out.push_back({nullptr, w, h, bits, paint});
    };
    add(CardName(N, ""), CardPictureWidth(c), CardPictureHeight(c), 24, PaintCardPicture<N>);
    add(CardName(N, "_1"), c.pw, c.ph, 32, PaintCardFrame<N>);
    if (c.lineLetter == c.letter)
        add(CardName(N, "_2"), c.lw, kCardLineH, 32, PaintCardLine<N>);
    add(CardName(N, "_3"), c.cw2, c.ch, 32, PaintCardCaption<N, 0>);
    add(CardName(N, "_4"), c.cw2, c.ch, 32, PaintCardCaption<N, 1>);
}

// The card pictures, their names made from the card letters and kept for the program's life.
const std::vector<PictureAsset>& CardPictures() {
    static std::vector<std::string> names;
    static std::vector<PictureAsset> pictures;
    if (pictures.empty()) {
        AddCard<0>(pictures, names);
        AddCard<1>(pictures, names);
        AddCard<2>(pictures, names);
        AddCard<3>(pictures, names);
        AddCard<4>(pictures, names);
        AddCard<5>(pictures, names);
        AddCard<6>(pictures, names);
        AddCard<7>(pictures, names);
        for (size_t i = 0; i < pictures.size(); ++i)
            pictures[i].name = names[i].c_str();
    }
    return pictures;
}

// The sequence's music, played once: a slow arpeggio in A minor of five seconds, each note dying away.
std::vector<int16_t> SequenceMusic(const SoundAsset& a) {
    constexpr double kNotes[] = {220.0, 261.63, 329.63, 392.0, 329.63, 261.63, 246.94, 293.66};
    constexpr double kNoteSeconds = 0.625;
    std::vector<int16_t> pcm(static_cast<size_t>(a.frames) * a.channels, 0);
    const auto noteFrames = static_cast<uint32_t>(kNoteSeconds * a.rate);
    for (uint32_t i = 0; i < a.frames; ++i) {
        const uint32_t note = i / noteFrames;
        const double t = static_cast<double>(i % noteFrames) / a.rate;
        const double hz = kNotes[note % std::size(kNotes)] / (note / std::size(kNotes) % 2 == 0 ? 1.0 : 2.0);
        const double attack = std::min(1.0, t / 0.02);
        const double v = 7000.0 * attack * std::exp(-2.5 * t) *
                         (std::sin(2.0 * M_PI * hz * t) + 0.3 * std::sin(4.0 * M_PI * hz * t));
        const uint32_t left = a.frames - i;
        const double tail = left < noteFrames ? static_cast<double>(left) / noteFrames : 1.0;
        for (int c = 0; c < a.channels; ++c)
            pcm[static_cast<size_t>(i) * a.channels + c] = static_cast<int16_t>(std::lround(v * tail));
    }
    return pcm;
}

} // namespace

const std::vector<PictureAsset>& SequencePictures() {
    static const std::vector<PictureAsset> pictures = [] {
        std::vector<PictureAsset> list = {
            {"system\\eye_base.bmp", kScreenW, kScreenH, 24, PaintEyeBase},
            {"system\\eye_p.bmp", kEyePictureW, kEyePictureH, 32, PaintEyePicture},
            // The sample game plays eye sequence 1, whose background is "bmp\bg01d.bmp".
            {"system\\EYE_P01.bmp", kEyeSheetW, kEyeSheetH, 32, PaintEyeSheet},
            {"bmp\\bg01d.bmp", kScreenW, kScreenH, 24, PaintBackground},
            {"system\\ann_base.bmp", kScreenW, kScreenH, 24, PaintAnnBase},
            {"system\\ann_base02.bmp", kScreenW, kScreenH, 24, PaintAnnBase02},
            {"system\\ann_base03.bmp", kScreenW, kScreenH, 32, PaintAnnBase03},
            {"system\\ann_moji.bmp", kAnnTextW, kAnnTextH, 32, PaintAnnText},
            {"bmp\\e001a.bmp", kScreenW, kScreenH, 24, PaintPicture<0>},
            {"bmp\\f002n.bmp", kScreenW, kScreenH, 24, PaintPicture<1>},
            {"bmp\\f002j.bmp", kScreenW, kScreenH, 24, PaintPicture<2>},
            {"bmp\\f002k.bmp", kScreenW, kScreenH, 24, PaintPicture<3>},
            {"bmp\\f002l.bmp", kScreenW, kScreenH, 24, PaintPicture<4>},
            {"bmp\\f002m.bmp", kScreenW, kScreenH, 24, PaintPicture<5>},
        };
        const std::vector<PictureAsset>& cards = CardPictures();
        list.insert(list.end(), cards.begin(), cards.end());
        return list;
    }();
    return pictures;
}

const std::vector<SoundAsset>& SequenceSounds() {
    static const std::vector<SoundAsset> sounds = {
        {"bgm\\bgm046b.ogg", 2, 44100, 5 * 44100, SequenceMusic},
    };
    return sounds;
}

} // namespace kestrel::sample
