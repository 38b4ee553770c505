// The sample game's system screens: the quit confirmation's panels, the system menu, the backlog and
// the configuration screen with its character page, drawn at the places where the screens read
// them; and their sounds and sample voices.
#include <array>
#include <cmath>
#include <string>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"
#include "screens/backlog_scene.h"
#include "screens/config_scene.h"
#include "screens/quit_dialog.h"
#include "screens/sample_voices.h"
#include "screens/system_menu_scene.h"

namespace kestrel::sample {

namespace {

constexpr int32_t kScreenW = 1024;
constexpr int32_t kScreenH = 576;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kInk = 0xFF1A1E2Au;
constexpr uint32_t kGold = 0xFFE8C670u;
constexpr uint32_t kPale = 0xFFE6EAF2u;
constexpr uint32_t kGrey = 0xFF8A90A0u;
constexpr uint32_t kNavy = 0xF0182440u;
constexpr uint32_t kLit = 0xF0E8C670u;

int32_t W(const RECT& r) {
    return r.right - r.left;
}
int32_t H(const RECT& r) {
    return r.bottom - r.top;
}

// A button plate with its label, at (x, y) of the picture.
void Plate(Canvas& c, LabelFont& f, int32_t x, int32_t y, int32_t w, int32_t h, const char* label, bool lit) {
    c.Fill(x, y, w, h, WithAlpha(lit ? kInk : kPale, 0));
    c.Panel(x + 1, y + 1, w - 2, h - 2, lit ? kLit : kNavy, 1, lit ? kWhite : kGold);
    c.TextCentred(f, x, y, w, h, label, 18, lit ? kInk : kPale, 3);
}

// A soft glow: alpha falling off from the centre of the rectangle.
void Glow(Canvas& c, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    for (int32_t j = 0; j < h; ++j) {
        for (int32_t i = 0; i < w; ++i) {
            const double dx = (i + 0.5 - w / 2.0) / (w / 2.0), dy = (j + 0.5 - h / 2.0) / (h / 2.0);
            const double a = std::max(0.0, 1.0 - std::sqrt(dx * dx * 0.6 + dy * dy));
            c.Fill(x + i, y + j, 1, 1, WithAlpha(colour, static_cast<uint32_t>(200 * a)));
        }
    }
}

// ---- Quit confirmation -------------------------------------------------------------------------

// The first panel's three labels and the second panel's two questions.
struct ExitTexts {
    std::array<const char*, 3> first;
    std::array<const char*, 2> questions;
};
constexpr ExitTexts kQuitTexts{{"返回标题", "结束游戏", "取消"}, {"要返回标题画面吗？", "要结束游戏吗？"}};
// During a replay the first choice goes back to the scene replay screen.
constexpr ExitTexts kReplayTexts{{"返回回想", "结束游戏", "取消"}, {"要返回回想画面吗？", "要结束游戏吗？"}};
constexpr std::array<const char*, 2> kSecondLabels{"是", "否"};

void PaintExitPanels(Canvas& c, LabelFont& f, const QuitDialogLayout& l, const char* heading,
                     const ExitTexts& texts = kQuitTexts) {
    const int32_t px = l.panelX, py = l.panelY;
    // The first panel: its buttons where the screen tests them, relative to the panel.
    const int32_t fx = l.firstPanel.x, fy = l.firstPanel.y;
    c.Panel(fx, fy, l.panelW, l.panelH, kNavy, 2, kGold);
    c.Text(f, fx + 14, fy + 4, heading, 14, kGrey);
    for (int i = 0; i < 3; ++i) {
        const RECT& b = l.firstButtons[i];
        Plate(c, f, fx + b.left - px, fy + b.top - py, W(b), H(b), texts.first[i], false);
        Plate(c, f, l.firstHover[i].x, l.firstHover[i].y, W(b), H(b), texts.first[i], true);
        Glow(c, l.firstGlow[i].x, l.firstGlow[i].y, W(b), H(b), kGold);
    }
    for (int k = 0; k < 2; ++k) {
        const PanelSource s = l.secondPanel[k];
        c.Panel(s.x, s.y, l.panelW, l.panelH, kNavy, 2, kGold);
        c.TextCentred(f, s.x, s.y + 14, l.panelW, 40, texts.questions[k], 22, kPale, 8);
        for (int i = 0; i < 2; ++i) {
            const RECT& b = l.secondButtons[i];
            Plate(c, f, s.x + b.left - px, s.y + b.top - py, W(b), H(b), kSecondLabels[i], false);
        }
    }
    for (int i = 0; i < 2; ++i) {
        const RECT& b = l.secondButtons[i];
        Plate(c, f, l.secondHover[i].x, l.secondHover[i].y, W(b), H(b), kSecondLabels[i], true);
        Glow(c, l.secondGlow[i].x, l.secondGlow[i].y, W(b), H(b), kGold);
    }
}

// The quit confirmation reads "EXIT_P.bmp"; the system menu's dialog reads regions of its own that
// overlap those, from a picture of its own name, "sys_m_exit.bmp".
void PaintExitP(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    PaintExitPanels(c, f, kExitDialogLayout, "EXIT");
}
void PaintMenuExit(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    PaintExitPanels(c, f, kSystemMenuDialogLayout, "MENU");
}
void PaintExitP01(Canvas& c, LabelFont& f) {
    PaintExitPanels(c, f, kExitDialogLayout, "REPLAY", kReplayTexts);
}

// ---- System menu -------------------------------------------------------------------------------

constexpr std::array<const char*, CSystemMenuScene::kButtonCount> kMenuLabels{"存档", "读档", "回顾", "设置",
                                                                              "结束"};
constexpr int32_t kMenuLabel = 22;
constexpr int32_t kMenuLabelRight = 348;

void PaintMenuBase(Canvas& c, LabelFont&) {
    c.Fill(0, 0, kScreenW, kScreenH, 0);
    for (int32_t x = 420; x < kScreenW; ++x) {
        const uint32_t a = static_cast<uint32_t>(std::min(170, (x - 420) / 2));
        c.Fill(x, 0, 1, kScreenH, Argb(a, 8, 12, 28));
    }
    c.Fill(0, 0, 134, kScreenH, Argb(150, 8, 12, 28));
}

void PaintMenuText(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    const char* letters[] = {"S", "Y", "S", "T", "E", "M"};
    for (int i = 0; i < 6; ++i) {
        c.TextCentred(f, 30, 60 + 76 * i, 80, 70, letters[i], 60, WithAlpha(kGold, 200), 0);
    }
}

void PaintMenuSide(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Disc(170, 160, 96, Argb(120, 232, 198, 112));
    c.Disc(170, 160, 70, Argb(160, 24, 36, 64));
    c.TextCentred(f, 80, 130, 180, 60, "MENU", 40, kPale, 0);
}

void PaintMenuParts(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    constexpr int32_t kRow = 38;
    for (int i = 0; i < CSystemMenuScene::kButtonCount; ++i) {
        const int32_t y = kRow * i;
        // The label, all five at one height and right-aligned at x 348, which the screen puts at the
        // right edge shared by the buttons (788).
        c.Text(f, kMenuLabelRight - f.Width(kMenuLabels[i], kMenuLabel), y + (kRow - kMenuLabel) / 2,
               kMenuLabels[i], kMenuLabel, kPale);
        // Hovered: a bar that points at the label.
        c.Fill(0 + 20, y + 17, 170, 4, WithAlpha(kGold, 220));
        c.Triangle(170, y + 9, 170, y + 29, 190, y + 19, kGold);
        // Glow over the label.
        Glow(c, 350, y, 159, kRow, kGold);
    }
    c.Fill(150, 224, 360, 4, WithAlpha(kGold, 200));
}

// ---- Backlog -----------------------------------------------------------------------------------

void Arrow(Canvas& c, int32_t cx, int32_t cy, int32_t size, bool up, int count, uint32_t colour) {
    for (int k = 0; k < count; ++k) {
        const int32_t y = cy + (up ? -1 : 1) * (k * size / 2) - (count - 1) * (up ? -1 : 1) * size / 4;
        if (up) {
            c.Triangle(cx - size / 2, y + size / 4, cx + size / 2, y + size / 4, cx, y - size / 4, colour);
        } else {
            c.Triangle(cx - size / 2, y - size / 4, cx + size / 2, y - size / 4, cx, y + size / 4, colour);
        }
    }
}

void PaintBacklogBase(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, kScreenW, kScreenH, Argb(200, 6, 10, 22));
    for (int row = 1; row < CBacklogScene::kRows; ++row) {
        c.Fill(40, CBacklogScene::kRowHeight * row - 4, 880, 1, Argb(200, 120, 130, 160));
    }
    c.Fill(944, 0, 80, kScreenH, Argb(220, 14, 20, 40));
    const RECT* r = CBacklogScene::kButtonRects;
    Arrow(c, 977, 336, 18, true, 2, kPale);  // four back
    Arrow(c, 977, 387, 18, true, 1, kPale);  // one back
    Arrow(c, 977, 431, 18, false, 1, kPale); // one forward
    Arrow(c, 977, 482, 18, false, 2, kPale); // four forward
    c.TextCentred(f, r[8].left, r[8].top, W(r[8]), H(r[8]), "返回", 20, kPale, 4);
}

void PaintBacklogParts(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    const RECT* s = CBacklogScene::kHoverSources;
    const bool up[4] = {true, false, true, false};
    const int count[4] = {1, 1, 2, 2};
    for (int i = 0; i < 4; ++i) {
        Glow(c, s[i].left, s[i].top, s[i].right, s[i].bottom, kGold);
        Arrow(c, s[i].left + 25, s[i].top + s[i].bottom / 2, 18, up[i], count[i], kWhite);
    }
    Plate(c, f, s[4].left, s[4].top, s[4].right, s[4].bottom, "返回", true);
    // Voice icon, normal and hovered: a speaker.
    for (int k = 0; k < 2; ++k) {
        const int32_t y = 84 + 28 * k;
        const uint32_t ink = k ? kGold : kPale;
        c.Fill(50 + 6, y + 10, 6, 8, ink);
        c.Triangle(50 + 10, y + 14, 50 + 18, y + 4, 50 + 18, y + 24, ink);
        c.Line(50 + 22, y + 8, 50 + 26, y + 14, 2, ink);
        c.Line(50 + 26, y + 14, 50 + 22, y + 20, 2, ink);
    }
}

// ---- Configuration -----------------------------------------------------------------------------

constexpr std::array<const char*, CConfigScene::kSliderCount> kSliderLabels{
    "音乐音量", "音效音量", "文字速度", "自动速度", "窗口透明度"};
struct RadioLabels {
    const char* title;
    const char* off;
    const char* on;
};
constexpr std::array<RadioLabels, 9> kRadioLabels{{{"跳过未读", "否", "是"},
                                                   {"语音A", "开", "关"},
                                                   {"语音B", "开", "关"},
                                                   {"点击停语音", "否", "是"},
                                                   {"画面效果", "开", "关"},
                                                   {"淡入淡出", "开", "跳过"},
                                                   {"画面", "窗口", "全屏"},
                                                   {"键盘操作", "否", "是"},
                                                   {"右键", "笔记", "菜单"}}};
constexpr std::array<const char*, CConfigScene::kButtonCount> kConfigButtons{"确定", "取消", "默认设置",
                                                                             "角色语音", "主人公姓名"};
constexpr std::array<const char*, 12> kSpeakers{"高木", "京子", "美咲", "雪",   "有里", "佐藤",
                                                "圭",   "直",   "莲",   "阳菜", "纯",   "其他"};

void SliderTrack(Canvas& c, const RECT& r) {
    c.Fill(r.left - 1, r.top - 1, (100 / 5 + 1) * 7 + 2, H(r) + 2, Argb(255, 40, 48, 70));
    for (int step = 0; step <= 20; ++step) {
        c.Fill(r.left + step * 7, r.bottom + 2, 1, step % 10 == 0 ? 5 : 3, kGrey);
    }
}

void ConfigBackground(Canvas& c, LabelFont& f, const char* title) {
    c.Fill(0, 0, kScreenW, kScreenH, Argb(255, 22, 30, 52));
    c.Fill(0, 0, kScreenW, 70, Argb(255, 12, 18, 34));
    c.Fill(0, 70, kScreenW, 2, kGold);
    c.Text(f, 40, 18, title, 34, kWhite);
}

void PaintConfigBase(Canvas& c, LabelFont& f) {
    ConfigBackground(c, f, "设置");
    for (int i = 0; i < CConfigScene::kSliderCount; ++i) {
        const RECT& r = CConfigScene::kSliderRects[i];
        SliderTrack(c, r);
        const int32_t w = f.Width(kSliderLabels[i], 16);
        c.Text(f, r.left - w - 14, r.top - 4, kSliderLabels[i], 16, kPale);
    }
    for (int p = 0; p < 9; ++p) {
        const RECT& a = CConfigScene::kRadioRects[2 * p];
        const RECT& b = CConfigScene::kRadioRects[2 * p + 1];
        for (const RECT* r : {&a, &b}) {
            c.Disc(r->left + 6, r->top + 6, 6, kGrey);
            c.Disc(r->left + 6, r->top + 6, 4, Argb(255, 22, 30, 52));
        }
        c.Text(f, a.right + 4, a.top - 2, kRadioLabels[p].off, 14, kPale);
        c.Text(f, b.right + 4, b.top - 2, kRadioLabels[p].on, 14, kPale);
        // The two voice groups carry their titles above them; every other title stands on the line.
        const int32_t w = f.Width(kRadioLabels[p].title, 14);
        if (p == 1 || p == 2) {
            c.Text(f, a.left, a.top - 22, kRadioLabels[p].title, 14, kGold);
        } else {
            c.Text(f, a.left - w - 10, a.top - 2, kRadioLabels[p].title, 14, kGold);
        }
    }
    for (int i = 0; i < CConfigScene::kButtonCount; ++i) {
        const RECT& r = CConfigScene::kButtonRects[i];
        Plate(c, f, r.left, r.top, W(r), H(r), kConfigButtons[i], false);
    }
}

void PaintConfigParts(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Disc(5 + 6, 6 + 6, 5, kGold); // the mark over a radio, drawn at (left - 5, top - 6)
    c.Disc(28 + 6, 6, 6, WithAlpha(kWhite, 120));
    c.Fill(0, 18, 147, 11, WithAlpha(kGold, 255));
    c.Fill(0, 29, 147, 11, WithAlpha(0xFFB08A40u, 255));
    static constexpr int kSourceX[5] = {105, 105, 0, 0, 0};
    static constexpr int kSourceY[5] = {40, 85, 174, 240, 464};
    for (int i = 0; i < CConfigScene::kButtonCount; ++i) {
        const RECT& r = CConfigScene::kButtonRects[i];
        Plate(c, f, kSourceX[i], kSourceY[i], W(r), H(r), kConfigButtons[i], true);
    }
    c.Disc(150 + 17, 218 + 13, 13, WithAlpha(kGold, 160));
}

void PaintConfigChara(Canvas& c, LabelFont& f) {
    ConfigBackground(c, f, "角色语音");
    for (int row = 0; row < CConfigScene::kCharRows; ++row) {
        const RECT s = CConfigScene::SampleRect(row);
        const RECT r = CConfigScene::CharSliderRect(row);
        c.Text(f, r.left - 150, s.top, kSpeakers[row], 20, kPale);
        c.Panel(s.left, s.top, W(s), H(s), kNavy, 1, kGold);
        c.Triangle(s.left + 9, s.top + 4, s.left + 9, s.bottom - 4, s.right - 7, (s.top + s.bottom) / 2.0,
                   kPale);
        SliderTrack(c, r);
    }
    for (int i = 0; i < CConfigScene::kCharButtonCount; ++i) {
        const RECT& r = CConfigScene::kCharButtonRects[i];
        Plate(c, f, r.left, r.top, W(r), H(r), kConfigButtons[i], false);
    }
}

// ---- Sounds ------------------------------------------------------------------------------------

constexpr int kRate = 44100;

// A short hum of two notes whose pitch tells the speaker row apart.
std::vector<int16_t> SampleVoice(const SoundAsset& a) {
    int row = 0;
    for (int i = 0; i < kSampleVoiceCount; ++i) {
        if (std::string(a.name).find(kSampleVoiceFiles[i]) != std::string::npos) {
            row = i;
        }
    }
    const double base = 160.0 + 12.0 * row;
    std::vector<int16_t> pcm(a.frames);
    for (uint32_t i = 0; i < a.frames; ++i) {
        const double t = static_cast<double>(i) / a.rate;
        const double pitch = t < 0.35 ? base : base * 1.25;
        const double u = std::fmod(t, 0.35) / 0.35;
        const double env = std::sin(M_PI * u);
        double v = 0;
        for (int h = 1; h <= 6; ++h) {
            v += std::sin(2.0 * M_PI * pitch * h * t) / h;
        }
        pcm[i] = static_cast<int16_t>(std::lround(5000.0 * v * env * env));
    }
    return pcm;
}

std::vector<int16_t> Tick(const SoundAsset& a) {
    std::vector<int16_t> pcm(static_cast<size_t>(a.frames) * a.channels);
    for (uint32_t i = 0; i < a.frames; ++i) {
        const double t = static_cast<double>(i) / a.rate;
        const auto v =
            static_cast<int16_t>(std::lround(9000.0 * std::exp(-t * 60) * std::sin(2 * M_PI * 2000 * t)));
        for (int ch = 0; ch < a.channels; ++ch) {
            pcm[static_cast<size_t>(i) * a.channels + ch] = v;
        }
    }
    return pcm;
}

} // namespace

const std::vector<PictureAsset>& SystemScreenPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"system\\EXIT_P.bmp", 798, 366, 32, PaintExitP},
        {"system\\EXIT_P01.bmp", 798, 306, 32, PaintExitP01},
        {"system\\sys_m_exit.bmp", 664, 366, 32, PaintMenuExit},
        {"system\\sys_m_base.bmp", kScreenW, kScreenH, 32, PaintMenuBase},
        {"system\\sys_m_moji.bmp", 140, 600, 32, PaintMenuText},
        {"system\\sys_m_p01.bmp", 276, 270, 32, PaintMenuSide},
        {"system\\sys_m_p02.bmp", 510, 228, 32, PaintMenuParts},
        {"system\\backlog_base.bmp", kScreenW, kScreenH, 32, PaintBacklogBase},
        {"system\\backlog_p.bmp", 116, 220, 32, PaintBacklogParts},
        {"system\\config_base.bmp", kScreenW, kScreenH, 24, PaintConfigBase},
        {"system\\config_p.bmp", 255, 486, 32, PaintConfigParts},
        {"system\\config_chara.bmp", kScreenW, kScreenH, 24, PaintConfigChara},
    };
    return pictures;
}

const std::vector<SoundAsset>& SystemScreenSounds() {
    static const std::vector<SoundAsset> sounds = [] {
        static std::vector<std::string> names;
        std::vector<SoundAsset> list = {
            {"se\\sys_f003.ogg", 2, kRate, 4410, Tick},
            {"se\\sys_e002.ogg", 2, kRate, 4410, Tick},
        };
        for (int i = 0; i < kSampleVoiceCount; ++i) {
            names.push_back(std::string("voice\\") + kSampleVoiceFiles[i]);
        }
        for (const std::string& name : names) {
            list.push_back({name.c_str(), 1, kRate, static_cast<uint32_t>(0.7 * kRate), SampleVoice});
        }
        return list;
    }();
    return sounds;
}

} // namespace kestrel::sample
