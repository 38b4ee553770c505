// The sample game's notebook: its page backgrounds (five keyword-list pages, three sketches, eleven
// flow charts), the parts sheet of its tabs, buttons, number icons and digits, the flow charts'
// piece sheets, and the one entry the story adds (article 7): its name strips, title and text.
#include <cstdio>
#include <string>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"
#include "platform/text_codec.h"

namespace kestrel::sample {

namespace {

constexpr int32_t kScreenW = 1024;
constexpr int32_t kScreenH = 576;
constexpr uint32_t kPaper = Argb(255, 248, 242, 226);
constexpr uint32_t kInk = Argb(255, 60, 50, 40);
constexpr uint32_t kTabFace = Argb(255, 214, 196, 160);
constexpr uint32_t kLit = Argb(255, 250, 220, 140);
constexpr uint32_t kEdge = Argb(255, 120, 96, 60);
constexpr uint32_t kClear = Argb(0, 0, 0, 0);

const char* const kPageLabels[3] = {"关键词", "素描", "流程"};
const char* const kListLabels[5] = {"人物", "事件", "报道", "传闻", "其他"};
constexpr int16_t kLabelW[11] = {56, 38, 47, 56, 56, 38, 47, 56, 56, 38, 94};

// A label stacked one character a line, centred in a tall tab.
void StackedLabel(Canvas& c, LabelFont& f, int32_t x, int32_t y, int32_t w, const char* utf8,
                  uint32_t colour) {
    const std::string text = utf8;
    int32_t line = 0;
    for (size_t at = 0; at < text.size();) {
        size_t length = 1;
        const auto lead = static_cast<uint8_t>(text[at]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        c.TextCentred(f, x, y + 24 * line, w, 24, text.substr(at, length), 18, colour);
        at += length;
        ++line;
    }
}

// What every page shares: paper, the page tabs at the left edge and the close button.
void PaintPaper(Canvas& c, LabelFont& f, int current) {
    c.Fill(0, 0, kScreenW, kScreenH, Argb(255, 90, 70, 50));
    // The paper reaches x 1000: the detail panels are read up to x 992.
    c.Panel(84, 20, 916, 540, kPaper, 2, kEdge);
    for (int i = 0; i < 3; ++i) {
        const int32_t top = 107 + 121 * i;
        c.Panel(44, top, 40, 116, i == current ? kPaper : kTabFace, 1, kEdge);
        StackedLabel(c, f, 44, top + 20, 40, kPageLabels[i], kInk);
    }
    c.Panel(954, 30, 66, 40, kTabFace, 1, kEdge);
    c.TextCentred(f, 954, 30, 66, 40, "关闭", 20, kInk);
}

void PaintListPage(Canvas& c, LabelFont& f, int tab) {
    PaintPaper(c, f, 0);
    for (int i = 0; i < 5; ++i) {
        const int32_t left = 85 + 83 * i;
        c.Panel(left, 85, 82, 21, i == tab ? kPaper : kTabFace, 1, kEdge);
        c.TextCentred(f, left, 85, 82, 21, kListLabels[i], 16, kInk);
    }
    c.Frame(620, 107, 372, 443, 1, kEdge);
    // A faint name of the list at the panel's foot, below where an entry's text runs.
    c.TextCentred(f, 620, 490, 372, 40, kListLabels[tab], 28, Argb(255, 200, 186, 160));
}

template <int Tab>
void PaintList(Canvas& c, LabelFont& f) {
    PaintListPage(c, f, Tab);
}

template <int Sketch, int Variant>
void PaintSketch(Canvas& c, LabelFont& f) {
    PaintPaper(c, f, 1);
    // A street corner in a few strokes; the second variant adds a figure.
    c.Line(200, 460, 700, 460, 3, kInk);
    c.Line(260 + 60 * Sketch, 460, 260 + 60 * Sketch, 180, 3, kInk);
    c.Line(260 + 60 * Sketch, 180, 520, 160 + 20 * Sketch, 3, kInk);
    c.Disc(600, 260, 40 + 10 * Sketch, Argb(255, 200, 190, 170));
    if (Variant != 0) {
        c.Disc(430, 330, 18, kInk);
        c.Line(430, 348, 430, 420, 4, kInk);
    }
    char label[32];
    std::snprintf(label, sizeof label, "素描 %d", Sketch + 1);
    c.Text(f, 200, 500, label, 22, kInk);
    // The first sketch's button is live only while the sketch has its second variant.
    for (int i = Variant != 0 ? 0 : 1; i < 3; ++i) {
        const int32_t top = i == 0 ? 171 : i == 1 ? 135 : 99;
        c.Panel(898, top, 55, 32, i == Sketch ? kPaper : kTabFace, 1, kEdge);
        c.TextCentred(f, 898, top, 55, 32, std::to_string(i + 1), 18, kInk);
    }
}

template <int Chart>
void PaintFlowBase(Canvas& c, LabelFont& f) {
    PaintPaper(c, f, 2);
    c.Fill(130, 93, 780, 22, Argb(255, 236, 226, 204));
    char title[32];
    if (Chart <= 10)
        std::snprintf(title, sizeof title, "第%d章", Chart);
    else
        std::snprintf(title, sizeof title, "结局");
    c.Text(f, 140, 140, title, 26, kInk);
    // After the percentage's digits: (927..962, 536) on a chapter's chart, (209..244, 219) on the
    // endings'.
    if (Chart <= 10)
        c.Text(f, 964, 536, "%", 20, kInk);
    else
        c.Text(f, 245, 219, "%", 20, kInk);
    c.Frame(140, 180, 760, 340, 1, kEdge);
}

// Node pieces of a chart (the three first nodes of chapter 1), in this game's colour or any game's.
template <bool ThisGame>
void PaintFlowPieces(Canvas& c, LabelFont&) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    const uint32_t colour = ThisGame ? Argb(255, 200, 60, 50) : Argb(255, 60, 90, 170);
    c.Fill(0, 0, 7, 7, colour);
    c.Panel(7, 0, 40, 30, colour, 2, kInk);
    c.Panel(47, 0, 40, 30, colour, 2, kInk);
}

void PaintEndingPieces(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    for (int i = 0; i < 18; ++i) {
        const int32_t x = 267 * (i / 9);
        const int32_t y = 32 * (i % 9);
        c.Panel(x, y, 267, 32, Argb(255, 236, 220, 180), 1, kEdge);
        char label[32];
        std::snprintf(label, sizeof label, "结局 %d", i + 1);
        c.TextCentred(f, x, y, 267, 32, label, 18, kInk);
    }
}

// The parts sheet: hovered tabs and buttons, number icons, digits, chapter labels and highlights.
void PaintNoteParts(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    for (int k = 0; k < 5; ++k) {
        c.Panel(82 * k, 0, 82, 21, kLit, 1, kEdge);
        c.TextCentred(f, 82 * k, 0, 82, 21, kListLabels[k], 16, kInk);
    }
    for (int k = 0; k < 3; ++k) {
        c.Panel(40 * k, 21, 40, 116, kLit, 1, kEdge);
        StackedLabel(c, f, 40 * k, 41, 40, kPageLabels[k], kInk);
    }
    c.Panel(120, 51, 66, 40, kLit, 1, kEdge);
    c.TextCentred(f, 120, 51, 66, 40, "关闭", 20, kInk);
    c.Panel(120, 21, 31, 21, kLit, 1, kEdge);
    c.TextCentred(f, 120, 21, 31, 21, "<", 16, kInk);
    c.Panel(151, 21, 31, 21, kLit, 1, kEdge);
    c.TextCentred(f, 151, 21, 31, 21, ">", 16, kInk);
    for (int n = 0; n < 60; ++n)
        c.TextCentred(f, 44 * (n / 15), 140 + 27 * (n % 15), 44, 27, std::to_string(n + 1), 16, kEdge);
    for (int d = 0; d < 10; ++d)
        c.TextCentred(f, 190 + 11 * d, 118, 11, 21, std::to_string(d), 18, kInk, 0);
    for (int k = 1; k <= 3; ++k) {
        c.Panel(244, 32 * k - 11, 55, 32, kLit, 1, kEdge);
        c.TextCentred(f, 244, 32 * k - 11, 55, 32, std::to_string(k), 18, kInk);
    }
    constexpr int16_t kHitW[11] = {48, 30, 38, 46, 46, 30, 38, 46, 46, 30, 92};
    for (int i = 0; i < 11; ++i) {
        char label[16];
        if (i < 10)
            std::snprintf(label, sizeof label, "%d章", i + 1);
        else
            std::snprintf(label, sizeof label, "结局");
        c.TextCentred(f, 220, 340 + 18 * i, kLabelW[i], 18, label, 14, kInk);
        c.Fill(220, i < 10 ? 140 + 18 * i : 320, kHitW[i], 18, kLit);
        c.TextCentred(f, 220, i < 10 ? 140 + 18 * i : 320, kHitW[i], 18, label, 14, kInk);
    }
    const char* const groups[3] = {"序", "中", "终"};
    const int32_t rows[3] = {340, 376, 448};
    const int32_t lit[3] = {140, 176, 248};
    // Group headers are not buttons: plain text, darker for the current chart's group.
    for (int g = 0; g < 3; ++g) {
        c.TextCentred(f, 176, rows[g], 42, 18, groups[g], 14, kEdge);
        c.TextCentred(f, 176, lit[g], 44, 18, groups[g], 14, kInk);
    }
}

// Article 7, the one entry of the articles list: its name strip hovered, normal and selected at
// (0, 162), (214, 162) and (428, 162), 214 × 27 each, and its title 180 × 25 at (0, 150).
constexpr int kArticle = 7;
constexpr const char* kArticleName = "咖啡店停业";

void PaintArticleNames(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), WithAlpha(kInk, 0));
    const int32_t y = 27 * (kArticle - 1);
    c.Fill(0, y, 214, 27, WithAlpha(kLit, 200));
    for (int k = 0; k < 3; ++k) {
        if (k == 2) {
            c.Fill(428, y, 214, 27, WithAlpha(kEdge, 90));
        }
        c.Text(f, 214 * k + 8, y + 4, kArticleName, 18, kInk);
    }
}

void PaintArticleTitles(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), WithAlpha(kInk, 0));
    c.TextCentred(f, 0, 25 * (kArticle - 1), 180, 25, kArticleName, 22, kInk, 0);
}

} // namespace

std::vector<std::pair<std::string, std::vector<uint8_t>>> NotebookTexts() {
    // One paragraph a line. The notebook wraps a line once it reaches x 972 (20 characters), but skips
    // a line end that follows 19 characters; so no paragraph here is 19 characters long.
    const std::string text =
        text_codec::Utf8ToGameTextLossy("十月三日，街角的咖啡店“灯塔”停业。\r\n"
                                        "店主说，开了三十年，谢谢各位常客。\r\n"
                                        "同一天傍晚，有人在店门前见过一名撑黑伞的年轻女子。她至今下落不明。");
    char name[32];
    std::snprintf(name, sizeof name, "script\\nt%03d_01.tx", kArticle);
    return {{name, std::vector<uint8_t>(text.begin(), text.end())}};
}

const std::vector<PictureAsset>& SampleNotebookPictures() {
    static const std::vector<PictureAsset> pictures = [] {
        std::vector<PictureAsset> p = {
            {"system\\note_p.bmp", 420, 560, 32, PaintNoteParts},
            {"system\\note_base01.bmp", kScreenW, kScreenH, 24, PaintList<0>},
            {"system\\note_base02.bmp", kScreenW, kScreenH, 24, PaintList<1>},
            {"system\\note_base03.bmp", kScreenW, kScreenH, 24, PaintList<2>},
            {"system\\note_base04.bmp", kScreenW, kScreenH, 24, PaintList<3>},
            {"system\\note_base05.bmp", kScreenW, kScreenH, 24, PaintList<4>},
            {"system\\sketch00_0.bmp", kScreenW, kScreenH, 24, PaintSketch<0, 0>},
            {"system\\sketch01_0.bmp", kScreenW, kScreenH, 24, PaintSketch<1, 0>},
            {"system\\sketch02_0.bmp", kScreenW, kScreenH, 24, PaintSketch<2, 0>},
            {"system\\sketch00_1.bmp", kScreenW, kScreenH, 24, PaintSketch<0, 1>},
            {"system\\sketch01_1.bmp", kScreenW, kScreenH, 24, PaintSketch<1, 1>},
            {"system\\sketch02_1.bmp", kScreenW, kScreenH, 24, PaintSketch<2, 1>},
            {"system\\flow_base01.bmp", kScreenW, kScreenH, 24, PaintFlowBase<1>},
            {"system\\flow_base02.bmp", kScreenW, kScreenH, 24, PaintFlowBase<2>},
            {"system\\flow_base03.bmp", kScreenW, kScreenH, 24, PaintFlowBase<3>},
            {"system\\flow_base04.bmp", kScreenW, kScreenH, 24, PaintFlowBase<4>},
            {"system\\flow_base05.bmp", kScreenW, kScreenH, 24, PaintFlowBase<5>},
            {"system\\flow_base06.bmp", kScreenW, kScreenH, 24, PaintFlowBase<6>},
            {"system\\flow_base07.bmp", kScreenW, kScreenH, 24, PaintFlowBase<7>},
            {"system\\flow_base08.bmp", kScreenW, kScreenH, 24, PaintFlowBase<8>},
            {"system\\flow_base09.bmp", kScreenW, kScreenH, 24, PaintFlowBase<9>},
            {"system\\flow_base10.bmp", kScreenW, kScreenH, 24, PaintFlowBase<10>},
            {"system\\flow_base11.bmp", kScreenW, kScreenH, 24, PaintFlowBase<11>},
            {"system\\flow_p01.bmp", 100, 40, 32, PaintFlowPieces<false>},
            {"system\\flow_p01_b.bmp", 100, 40, 32, PaintFlowPieces<true>},
            {"system\\flow_p11.bmp", 534, 288, 32, PaintEndingPieces},
            {"system\\find_article.bmp", 3 * 214, 27 * kArticle, 32, PaintArticleNames},
            {"system\\d_article.bmp", 180, 25 * kArticle, 32, PaintArticleTitles},
        };
        return p;
    }();
    return pictures;
}

} // namespace kestrel::sample
