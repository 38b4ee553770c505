// The sample game's two staff rolls, one for each ending: the still background of each roll, the
// credits strip that scrolls over it, and each roll's music.
#include <cmath>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"
#include "screens/credit_scene.h"

namespace kestrel::sample {

namespace {

constexpr int32_t kScreenW = 1024;
constexpr int32_t kScreenH = 576;
constexpr uint32_t kWhite = Argb(255, 245, 245, 250);
constexpr uint32_t kHeading = Argb(255, 230, 200, 120);

// A night over water: a dark gradient, a moon, its reflection in stripes.
void PaintCreditBackground(Canvas& c, LabelFont&) {
    for (int32_t y = 0; y < kScreenH; ++y) {
        const uint32_t k = static_cast<uint32_t>(y * 60 / kScreenH);
        c.Fill(0, y, kScreenW, 1, Argb(255, 10 + k / 2, 14 + k / 2, 40 + k));
    }
    c.Disc(760, 150, 60, Argb(255, 240, 235, 210));
    for (int32_t i = 0; i < 8; ++i)
        c.Fill(720 + (i % 3) * 6, 400 + i * 18, 80 - i * 6, 3, Argb(255, 150, 150, 140));
}

// Dawn over the same water: a pale gradient, the sun low on the horizon, its path in stripes. Like
// the moon, the sun stands right of the credits strip, so the names scroll over calm sky and water.
void PaintDawnBackground(Canvas& c, LabelFont&) {
    for (int32_t y = 0; y < kScreenH; ++y) {
        const uint32_t k = static_cast<uint32_t>(y * 90 / kScreenH);
        c.Fill(0, y, kScreenW, 1, Argb(255, 200 - k, 150 - k / 2, 140 + k / 3));
    }
    c.Disc(830, 330, 70, Argb(255, 255, 228, 170));
    c.Fill(0, 330, kScreenW, kScreenH - 330, Argb(255, 70, 86, 120));
    for (int32_t i = 0; i < 8; ++i)
        c.Fill(788 + (i % 3) * 6, 350 + i * 24, 90 - i * 8, 3, Argb(255, 250, 210, 150));
}

struct CreditLine {
    const char* text;
    bool heading;
};

// The credits: headings and names down a translucent band, the roll's own width and height, and the
// game's name in the last rows, which stay on screen at the end of the roll.
template <size_t N>
void PaintCredits(Canvas& c, LabelFont& f, const CreditLine (&lines)[N], uint32_t band, uint32_t heading) {
    c.Fill(0, 0, c.Width(), c.Height(), band);
    constexpr int32_t kGap = 90;
    int32_t y = 700;
    for (const CreditLine& line : lines) {
        if (line.text[0] != '\0') {
            const int32_t height = line.heading ? 30 : 24;
            const int32_t w = f.Width(line.text, height);
            c.Text(f, (c.Width() - w) / 2, y, line.text, height, line.heading ? heading : kWhite);
        }
        y += line.heading ? kGap : kGap + 40;
    }
    const int32_t w = f.Width("样本游戏", 40);
    c.Text(f, (c.Width() - w) / 2, c.Height() - 70, "样本游戏", 40, heading);
}

void PaintCreditStrip(Canvas& c, LabelFont& f) {
    static constexpr CreditLine kLines[] = {
        {"制作人员", true},        {"", false}, {"剧本", true},
        {"样本游戏剧本组", false}, {"", false}, {"程序", true},
        {"Kestrel 引擎组", false}, {"", false}, {"美术", true},
        {"样本画室", false},       {"", false}, {"音乐", true},
        {"样本乐团", false},       {"", false}, {"声音", true},
        {"样本声优", false},       {"", false}, {"特别鸣谢", true},
        {"所有玩家", false},       {"", false}, {"", false},
        {"感谢您的游玩", true},
    };
    PaintCredits(c, f, kLines, Argb(150, 8, 12, 30), kHeading);
}

// The second ending's credits: the same people under the dawn, on a warmer band.
void PaintDawnStrip(Canvas& c, LabelFont& f) {
    static constexpr CreditLine kLines[] = {
        {"黎明", true},
        {"", false},
        {"剧本", true},
        {"样本游戏剧本组", false},
        {"", false},
        {"引擎", true},
        {"Kestrel 引擎组", false},
        {"", false},
        {"画面", true},
        {"样本画室", false},
        {"", false},
        {"音乐", true},
        {"样本乐团", false},
        {"", false},
        {"", false},
        {"她回来了", true},
    };
    PaintCredits(c, f, kLines, Argb(140, 60, 30, 20), Argb(255, 255, 220, 160));
}

// A slow arpeggio of four notes over a held fifth (low, high), fading out.
std::vector<int16_t> Arpeggio(const SoundAsset& a, const double (&notes)[4], double low, double high) {
    std::vector<int16_t> pcm(static_cast<size_t>(a.frames) * a.channels);
    for (uint32_t i = 0; i < a.frames; ++i) {
        const double t = static_cast<double>(i) / a.rate;
        const double fade = 1.0 - t / (static_cast<double>(a.frames) / a.rate);
        const double note = notes[static_cast<int>(t * 2) % 4];
        const double v = fade * (4000 * std::sin(2 * M_PI * low * t) + 3000 * std::sin(2 * M_PI * high * t) +
                                 3500 * std::sin(2 * M_PI * note * t));
        for (int ch = 0; ch < a.channels; ++ch)
            pcm[static_cast<size_t>(i) * a.channels + ch] = static_cast<int16_t>(std::lround(v));
    }
    return pcm;
}

// Rising in C major for the night; falling in G for the dawn.
std::vector<int16_t> RollMusic(const SoundAsset& a) {
    constexpr double kNotes[] = {262, 330, 392, 523};
    return Arpeggio(a, kNotes, 131, 196);
}

std::vector<int16_t> DawnMusic(const SoundAsset& a) {
    constexpr double kNotes[] = {784, 587, 494, 392};
    return Arpeggio(a, kNotes, 98, 147);
}

} // namespace

const std::vector<PictureAsset>& SampleCreditPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"system\\credit_n.bmp", kScreenW, kScreenH, 24, PaintCreditBackground},
        {"system\\credit01.bmp", CCreditRoll::kStripWidth, CCreditRoll::kStripHeight, 32, PaintCreditStrip},
        {"system\\credit_b.bmp", kScreenW, kScreenH, 24, PaintDawnBackground},
        {"system\\credit02.bmp", CCreditRoll::kStripWidth, CCreditRoll::kStripHeight, 32, PaintDawnStrip},
    };
    return pictures;
}

const std::vector<SoundAsset>& SampleCreditSounds() {
    static const std::vector<SoundAsset> sounds = {
        {"bgm\\op_short.ogg", 2, 44100, 44100 * 5, RollMusic},
        {"bgm\\bgm08.ogg", 2, 44100, 44100 * 5, DawnMusic},
    };
    return sounds;
}

} // namespace kestrel::sample
