// The pictures of the save and load screens: the empty page and the parts atlas of each, the slot
// number and date digits, the game days, the places and the stock thumbnails. Places and cells are
// those at which the screens read them (CSlotPageScene).
#include <cstdio>
#include <string>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"
#include "screens/slot_page_scene.h"

namespace kestrel::sample {

namespace {

using Page = CSlotPageScene;

constexpr int32_t kScreenW = 1024;
constexpr int32_t kScreenH = 576;
constexpr uint32_t kInk = 0xFF1A1E2Au;
constexpr uint32_t kGold = 0xFFE8C670u;
constexpr uint32_t kPale = 0xFFE6EAF2u;
constexpr uint32_t kClear = 0x00000000u;
constexpr int kDays = 8;
constexpr int kPlaces = 8;
constexpr int kStockCount = 91;

// The empty page: a dark ground, the title, the ten page numbers unlit, the back button and the ten
// slot places.
void PaintBase(Canvas& c, LabelFont& f, const char* title, uint32_t tint) {
    c.Fill(0, 0, kScreenW, kScreenH, tint);
    c.Fill(0, 76, kScreenW, 2, kGold);
    c.Text(f, 24, 22, title, 36, kPale);
    c.Text(f, 724, 44, "页", 18, kPale);
    for (int p = 0; p < Page::kPageCount; ++p) {
        const RECT r = Page::PageButtonRect(p);
        c.TextCentred(f, r.left, r.top, 18, 18, std::to_string(p + 1), 14, 0xFF8A90A0u, 0);
    }
    const RECT back = Page::kBackRect;
    c.Panel(back.left, back.top, 64, 36, 0xFF283C64u, 1, 0xFF8A90A0u);
    c.TextCentred(f, back.left, back.top, 64, 36, "返回", 18, kPale, 4);
    for (int i = 0; i < Page::kSlotsPerPage; ++i) {
        const RECT r = Page::SlotRect(i);
        c.Fill(r.left + 4, r.top + 4, r.right - r.left - 8, r.bottom - r.top - 8, 0xFF101826u);
    }
}

void PaintSaveBase(Canvas& c, LabelFont& f) {
    PaintBase(c, f, "存档", Argb(255, 22, 30, 52));
}

void PaintLoadBase(Canvas& c, LabelFont& f) {
    PaintBase(c, f, "读档", Argb(255, 20, 44, 40));
}

// A slot frame: a rim with the number well at the left and the thumbnail's place at the right.
void Frame(Canvas& c, int32_t y, uint32_t rim, uint32_t fill) {
    const Page::Cell& cell = Page::kFrameNormal;
    c.Panel(0, y, cell.w, cell.h, fill, 2, rim);
    c.Frame(6, y + 30, 100, 52, 1, WithAlpha(rim, 0x80));
    c.Frame(Page::kThumbX - 2, y + Page::kThumbY - 2, 147, 84, 2, rim);
}

void PaintParts(Canvas& c, LabelFont& f, uint32_t accent) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    Frame(c, Page::kFrameNormal.y, 0xFF606C84u, 0x60102040u);
    Frame(c, Page::kFrameLit.y, accent, 0x90304870u);
    for (int p = 0; p < Page::kPageCount; ++p) {
        c.Fill(19 * p, Page::kPageNumberY, 18, 18, WithAlpha(accent, 0xFF));
        c.TextCentred(f, 19 * p, Page::kPageNumberY, 18, 18, std::to_string(p + 1), 14, kInk, 0);
    }
    const Page::Cell& lit = Page::kBackLit;
    c.Panel(lit.x, lit.y, lit.w, lit.h, WithAlpha(accent, 0xFF), 1, 0xFFFFFFFFu);
    c.TextCentred(f, lit.x, lit.y, lit.w, lit.h, "返回", 18, kInk, 4);
    const Page::Cell& glow = Page::kBackGlow;
    c.Fill(glow.x + 2, glow.y + 2, glow.w - 4, glow.h - 4, 0xA0FFFFFFu);
    const Page::Cell& box = Page::kBox;
    c.Panel(box.x, box.y, box.w, box.h, 0xF00C1428u, 2, kGold);
    c.TextCentred(f, box.x, box.y + 12, box.w, 40, "确定吗？", 24, kPale, 8);
    constexpr const char* kAnswers[2] = {"是", "否"};
    for (int k = 0; k < 2; ++k) {
        // The unlit answers are part of the box, where the box's buttons lie once it is open.
        const RECT r = k == 0 ? Page::kYesRect : Page::kNoRect;
        const int32_t x = box.x + r.left - Page::kBoxX, y = box.y + r.top - Page::kBoxY;
        c.Panel(x, y, 105, 44, 0xFF283C64u, 1, 0xFF8A90A0u);
        c.TextCentred(f, x, y, 105, 44, kAnswers[k], 22, kPale, 4);
        const Page::Cell& l = Page::kBoxLit[k];
        c.Panel(l.x, l.y, l.w, l.h, WithAlpha(accent, 0xFF), 1, 0xFFFFFFFFu);
        c.TextCentred(f, l.x, l.y, l.w, l.h, kAnswers[k], 22, kInk, 4);
        const Page::Cell& g = Page::kBoxGlow[k];
        c.Fill(g.x + 2, g.y + 2, g.w - 4, g.h - 4, 0xA0FFFFFFu);
    }
}

void PaintSaveParts(Canvas& c, LabelFont& f) {
    PaintParts(c, f, Argb(255, 232, 198, 112));
}

void PaintLoadParts(Canvas& c, LabelFont& f) {
    PaintParts(c, f, Argb(255, 140, 220, 190));
}

// Slot numbers: digit d at (26 d, 0), 26 × 42.
void PaintSlotDigits(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    for (int d = 0; d < 10; ++d)
        c.TextCentred(f, 26 * d, 0, 26, 42, std::to_string(d), 38, kGold, 0);
}

// Date and clock: digit d at (9 d, 0), 9 × 19; '/' at 90, ':' at 99; the hour sign at 108 and the
// minute sign at 127, 19 × 19.
void PaintTimeDigits(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    for (int d = 0; d < 10; ++d)
        c.TextCentred(f, 9 * d, 0, 9, 19, std::to_string(d), 16, kPale, 0);
    c.TextCentred(f, 90, 0, 9, 19, "/", 16, kPale, 0);
    c.TextCentred(f, 99, 0, 9, 19, ":", 16, kPale, 0);
    c.TextCentred(f, 108, 0, 19, 19, "时", 16, kPale, 0);
    c.TextCentred(f, 127, 0, 19, 19, "分", 16, kPale, 0);
}

// Place n at (0, 22 (n − 1)), 110 × 22. Place 2 is the street outside the flats, where the sample's
// legwork leaves the player (the same number names that street's search mask).
void PaintPlaces(Canvas& c, LabelFont& f) {
    constexpr const char* kNames[kPlaces] = {"事务所", "公寓前", "商店街", "公园",
                                             "警察署", "医院",   "旧宅",   "码头"};
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    for (int n = 0; n < kPlaces; ++n)
        c.TextCentred(f, 0, 22 * n, 110, 22, kNames[n], 18, kPale, 2);
}

// Day n at (0, 22 (n − 1)), 42 × 22.
void PaintDays(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), kClear);
    for (int n = 0; n < kDays; ++n) {
        char label[16];
        std::snprintf(label, sizeof label, "第%d日", n + 1);
        c.TextCentred(f, 0, 22 * n, 42, 22, label, 16, kGold, 1);
    }
}

// Stock thumbnails: picture k at (143 (k mod 6), 80 (k / 6)), 143 × 80, each a tinted card with
// its number.
void PaintStock(Canvas& c, LabelFont& f) {
    for (int k = 0; k < kStockCount; ++k) {
        const int32_t x = 143 * (k % 6), y = 80 * (k / 6);
        const auto shade = static_cast<uint32_t>(40 + (k * 37) % 120);
        c.Panel(x, y, 143, 80, Argb(255, shade, 60, 200 - shade), 1, kGold);
        c.TextCentred(f, x, y, 143, 80, "CG " + std::to_string(k + 1), 20, kPale, 8);
    }
}

} // namespace

const std::vector<PictureAsset>& SaveLoadPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"system\\save_base.bmp", kScreenW, kScreenH, 24, PaintSaveBase},
        {"system\\load_base.bmp", kScreenW, kScreenH, 24, PaintLoadBase},
        {"system\\save_parts.bmp", 501, 414, 32, PaintSaveParts},
        {"system\\load_parts.bmp", 501, 414, 32, PaintLoadParts},
        {"system\\data_no.bmp", 260, 42, 32, PaintSlotDigits},
        {"system\\time_03.bmp", 146, 19, 32, PaintTimeDigits},
        {"system\\place.bmp", 110, 22 * kPlaces, 32, PaintPlaces},
        {"system\\day.bmp", 42, 22 * kDays, 32, PaintDays},
        {"system\\s_sam.bmp", 143 * 6, 80 * ((kStockCount + 5) / 6), 24, PaintStock},
    };
    return pictures;
}

} // namespace kestrel::sample
