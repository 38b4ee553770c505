// The sample game's pictures of the investigation part: the character selection's panel and button
// faces, and the investigation screens (the town map on two pages, the command column, the keyword
// categories and list, the legwork panel and the dialogs).
#include <array>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"

namespace kestrel::sample {

namespace {

constexpr uint32_t kGold = 0xFFE8C670u;
constexpr uint32_t kPale = 0xFFE6EAF2u;

// The eleven people of the selection, in button order.
constexpr std::array<const char*, 11> kPeople{"美咲", "委托人", "店主", "邻居", "警官", "记者",
                                              "司机", "房东",   "医生", "同学", "老人"};

// The panel (733 × 349 at the top left, drawn at (146, 89)) and below it, at y 349, the hover frame
// (x 0) and the blink frame (x 112), each 112 × 154 around a 102 × 144 button.
void PaintCharSelect(Canvas& c, LabelFont& f) {
    c.Panel(0, 0, 733, 349, 0xD80E1424u, 2, 0xFFC8B478u);
    c.Text(f, 12, 2, "询问对象", 16, kGold);
    c.Frame(0, 349, 112, 154, 4, 0xF0E8C670u);
    c.Fill(112 + 5, 349 + 5, 102, 144, 0x60FFF0C0u);
    c.Frame(112, 349, 112, 154, 5, 0xFFFFF4D0u);
}

// A face per button: the disabled row (grey) at y 0, the enabled row at y 144.
void PaintCharFaces(Canvas& c, LabelFont& f) {
    for (int row = 0; row < 2; ++row) {
        const bool enabled = row == 1;
        for (int k = 0; k < static_cast<int>(kPeople.size()); ++k) {
            const int32_t x = 102 * k;
            const int32_t y = 144 * row;
            c.Panel(x, y, 102, 144, enabled ? Argb(255, 44, 58, 92) : Argb(255, 48, 48, 52), 2,
                    enabled ? kGold : Argb(255, 90, 90, 96));
            c.Disc(x + 51, y + 52, 26, enabled ? Argb(255, 236, 206, 178) : Argb(255, 110, 110, 114));
            c.Fill(x + 21, y + 82, 60, 30, enabled ? Argb(255, 70, 96, 150) : Argb(255, 80, 80, 86));
            c.TextCentred(f, x, y + 114, 102, 26, kPeople[k], 18, enabled ? kPale : Argb(255, 150, 150, 156));
        }
    }
}

// ---- Investigation screens ------------------------------------------------------------------------

constexpr uint32_t kInk = 0xFF1A2233u;
constexpr uint32_t kDim = 0xFF6A7080u;
constexpr uint32_t kPanelFill = 0xE0182030u;
constexpr uint32_t kLit = 0xFFFFF0B0u;

// The places of the sample town: (page, left, top, right, bottom, name); their rectangles are those
// the map screen tests.
struct MapPlace {
    int page;
    int32_t l, t, r, b;
    const char* name;
};
constexpr MapPlace kPlaces[] = {
    {0, 466, 455, 623, 540, "车站"}, {0, 451, 256, 528, 313, "公寓"}, {1, 369, 414, 448, 478, "诊所"}};

// A map page: streets, the places with their names at the top (lit in the hover picture), the two
// page tabs and the exit button.
void PaintMap(Canvas& c, LabelFont& f, int page, bool lit) {
    c.Fill(0, 0, c.Width(), c.Height(), page == 0 ? Argb(255, 206, 214, 190) : Argb(255, 196, 206, 214));
    for (int y = 90; y < 560; y += 120)
        c.Fill(0, y, 890, 14, Argb(255, 240, 240, 232));
    for (int x = 180; x < 890; x += 140)
        c.Fill(x, 0, 14, 576, Argb(255, 240, 240, 232));
    for (const MapPlace& p : kPlaces) {
        if (p.page != page)
            continue;
        c.Panel(p.l, p.t, p.r - p.l, p.b - p.t, lit ? kLit : Argb(255, 150, 120, 90), 2, kInk);
        c.TextCentred(f, p.l, p.t + 2, p.r - p.l, 26, p.name, 22, lit ? kInk : kPale);
    }
    c.Panel(898, 135, 55, 32, Argb(255, 90, 100, 120), 2, kInk);
    c.TextCentred(f, 898, 135, 55, 32, "一", 18, kPale);
    c.Panel(898, 99, 55, 32, Argb(255, 90, 100, 120), 2, kInk);
    c.TextCentred(f, 898, 99, 55, 32, "二", 18, kPale);
    c.Panel(955, 31, 64, 38, Argb(255, 90, 100, 120), 2, kInk);
    c.TextCentred(f, 955, 31, 64, 38, "返回", 18, kPale);
    c.Text(f, 24, 16, page == 0 ? "市街图 一" : "市街图 二", 26, kInk);
}
void PaintMap1(Canvas& c, LabelFont& f) {
    PaintMap(c, f, 0, false);
}
void PaintMap1Lit(Canvas& c, LabelFont& f) {
    PaintMap(c, f, 0, true);
}
void PaintMap2(Canvas& c, LabelFont& f) {
    PaintMap(c, f, 1, false);
}
void PaintMap2Lit(Canvas& c, LabelFont& f) {
    PaintMap(c, f, 1, true);
}

// The map's parts: the selected tab of page p at (0, 32p), the exit button lit at (55, 0), the place
// markers at (0, 78) and (0, 128): 50 × 50 cells drawn centred on the place, their pin in the lower
// half, below the place's name.
void PaintMapParts(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Panel(0, 0, 55, 32, kGold, 2, kInk);
    c.TextCentred(f, 0, 0, 55, 32, "一", 18, kInk);
    c.Panel(0, 32, 55, 32, kGold, 2, kInk);
    c.TextCentred(f, 0, 32, 55, 32, "二", 18, kInk);
    c.Panel(55, 0, 64, 38, kLit, 2, kInk);
    c.TextCentred(f, 55, 0, 64, 38, "返回", 18, kInk);
    for (int32_t y : {78, 128}) {
        c.Disc(25, y + 38, 10, Argb(255, 200, 40, 40));
        c.Disc(25, y + 38, 4, kPale);
    }
}

// The command column: the panel, the map and search rows (disabled at x 116, enabled at x 164), the
// keyword commands' labels by variant at (212, 22 (v - 1)), and the hover mark at (116, 72).
void PaintCommand(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Panel(0, 0, 116, 260, kPanelFill, 2, kGold);
    c.TextCentred(f, 0, 4, 116, 24, "行动", 18, kGold);
    const char* rows[2] = {"地图", "搜索"};
    for (int i = 0; i < 2; ++i) {
        c.TextCentred(f, 116, 24 * i, 48, 24, rows[i], 18, kDim);
        c.TextCentred(f, 164, 24 * i, 48, 24, rows[i], 18, kPale);
    }
    const char* labels[13] = {"询问", "打听", "思考", "回忆", "确认", "追问", "调查",
                              "比对", "推理", "整理", "商量", "观察", "结束"};
    for (int v = 0; v < 13; ++v)
        c.TextCentred(f, 212, 22 * v, 54, 22, labels[v], 18, kPale);
    c.Frame(116, 72, 50, 30, 2, kGold);
}

// The five keyword categories: the panel, the buttons empty (x 112) and known (x 152), the hover mark
// at (112, 100); and the two topic kinds of the legwork at x 242.
void PaintTalk(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Panel(0, 0, 112, 213, kPanelFill, 2, kGold);
    const char* kinds[5] = {"人物", "事件", "物品", "传闻", "其他"};
    for (int i = 0; i < 5; ++i) {
        c.TextCentred(f, 112, 20 * i, 40, 20, kinds[i], 16, kDim);
        c.TextCentred(f, 152, 20 * i, 40, 20, kinds[i], 16, kPale);
    }
    c.Frame(112, 100, 49, 27, 2, kGold);
    c.TextCentred(f, 242, 0, 40, 20, "话题", 16, kPale);
    c.TextCentred(f, 242, 20, 40, 20, "证物", 16, kPale);
}

// The list panel with its scroll track and arrows, the thumb (x 241, lit at x 258), the lit arrows
// (y 420 and 438) and the row mark at (0, 443), 180 × 24.
void PaintKeyword(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Panel(0, 0, 240, 415, kPanelFill, 2, kGold);
    c.Fill(221, 27, 17, 361, Argb(255, 40, 46, 60));
    for (int32_t y : {8, 420})
        c.Triangle(222, y + 16, 236, y + 16, 229, y + 2, y == 8 ? kPale : kGold);
    for (int32_t y : {389, 438})
        c.Triangle(222, y + 2, 236, y + 2, 229, y + 16, y == 389 ? kPale : kGold);
    c.Fill(241, 0, 17, 361, Argb(255, 120, 130, 150));
    c.Fill(258, 0, 17, 361, kGold);
    // The row mark covers the rows of a 24-pixel line that its glyphs' ink takes (the top two are
    // the line's leading), in an amber deep enough for pale text to stay readable on it.
    c.Fill(0, 445, 180, 22, Argb(170, 150, 110, 30));
    c.Fill(0, 445, 3, 22, kGold);
    (void)f;
}

// Name strips of 200 × 24, one per id from 1.
void PaintStrips(Canvas& c, LabelFont& f, std::initializer_list<const char*> names) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    int32_t y = 0;
    for (const char* name : names) {
        c.Text(f, 12, y + 2, name, 20, kPale);
        y += 24;
    }
}
void PaintKeyPeople(Canvas& c, LabelFont& f) {
    PaintStrips(c, f, {"美咲", "委托人"});
}
void PaintKeyMatters(Canvas& c, LabelFont& f) {
    PaintStrips(c, f, {"", "", "", "", "那天下午", "争吵声"});
}
// The rumours heard on the road, as the list file "Key_噂.txt" names them.
void PaintKeyRumours(Canvas& c, LabelFont& f) {
    PaintStrips(c, f, {"出租车", "楼顶的人影"});
}
void PaintLegworkTopics(Canvas& c, LabelFont& f) {
    PaintStrips(c, f, {"那天下午的事"});
}

} // namespace

void PaintDialog(Canvas& c, LabelFont& f, const char* question, int32_t yesX) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Panel(0, 0, 396, 134, kPanelFill, 2, kGold);
    c.TextCentred(f, 0, 20, 396, 40, question, 24, kPale);
    for (int b = 0; b < 2; ++b) {
        // The answers at rest are part of the box, where the lit cells cover them once hovered.
        const int32_t x = yesX + 121 * b;
        c.Panel(x, 72, 105, 45, Argb(255, 40, 56, 92), 2, kDim);
        c.TextCentred(f, x, 72, 105, 45, b == 0 ? "是" : "否", 22, kPale);
        c.Panel(105 * b, 134, 105, 45, kLit, 2, kInk);
        c.TextCentred(f, 105 * b, 134, 105, 45, b == 0 ? "是" : "否", 22, kInk);
        c.Panel(105 * b, 179, 105, 45, kGold, 2, kInk);
        c.TextCentred(f, 105 * b, 179, 105, 45, b == 0 ? "是" : "否", 22, kInk);
    }
}

namespace {
void PaintFreeExit(Canvas& c, LabelFont& f) {
    PaintDialog(c, f, "结束自由行动吗？", 84);
}
void PaintLegworkDialog(Canvas& c, LabelFont& f) {
    PaintDialog(c, f, "结束探询吗？", 85);
}
void PaintDialogBackdrop(Canvas& c, LabelFont&) {
    c.Fill(0, 0, c.Width(), c.Height(), Argb(140, 0, 0, 0));
}

// The legwork panel: ten character rows (closed x 112, open x 166), the row mark at (112, 220) and
// the end button (112, 244), lit at (112, 274).
void PaintLegwork(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Panel(0, 0, 112, 328, kPanelFill, 2, kGold);
    c.TextCentred(f, 0, 4, 112, 24, "探询", 18, kGold);
    const char* people[10] = {"邻居", "医生", "同学", "店主", "警官",
                              "记者", "司机", "房东", "老人", "委托人"};
    // Each name on a transparent ground of its own colour, so that its anti-aliased edges keep the
    // colour; the closed names in a grey light enough to read on the navy panel.
    constexpr uint32_t kClosedName = 0xFF9098A8u;
    for (int i = 0; i < 10; ++i) {
        c.Fill(112, 22 * i, 54, 22, WithAlpha(kClosedName, 0));
        c.TextCentred(f, 112, 22 * i, 54, 22, people[i], 16, kClosedName);
        c.Fill(166, 22 * i, 54, 22, WithAlpha(kPale, 0));
        c.TextCentred(f, 166, 22 * i, 54, 22, people[i], 16, kPale);
    }
    c.Frame(112, 220, 52, 24, 2, kGold);
    c.Panel(112, 244, 145, 30, Argb(255, 60, 70, 96), 2, kGold);
    c.TextCentred(f, 112, 244, 145, 30, "结束探询", 18, kPale);
    c.Frame(112, 274, 145, 30, 3, kLit);
}

} // namespace

const std::vector<PictureAsset>& InvestigationPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"system\\char_sel.bmp", 733, 349 + 154, 32, PaintCharSelect},
        {"system\\char_sel_p.bmp", 102 * 11, 144 * 2, 24, PaintCharFaces},
        {"system\\map_01.bmp", 1024, 576, 24, PaintMap1},
        {"system\\map_01_m.bmp", 1024, 576, 32, PaintMap1Lit},
        {"system\\map_02.bmp", 1024, 576, 24, PaintMap2},
        {"system\\map_02_m.bmp", 1024, 576, 32, PaintMap2Lit},
        {"system\\map_p.bmp", 128, 178, 32, PaintMapParts},
        {"system\\command.bmp", 266, 286, 32, PaintCommand},
        {"system\\talk.bmp", 282, 213, 32, PaintTalk},
        {"system\\keyword.bmp", 275, 467, 32, PaintKeyword},
        {"system\\key_chara.bmp", 200, 48, 32, PaintKeyPeople},
        {"system\\key_matter.bmp", 200, 144, 32, PaintKeyMatters},
        {"system\\key_gossip.bmp", 200, 48, 32, PaintKeyRumours},
        {"system\\key_l_chara.bmp", 200, 24, 32, PaintLegworkTopics},
        {"system\\free_exit.bmp", 396, 224, 32, PaintFreeExit},
        {"system\\freame_base.bmp", 1024, 576, 32, PaintDialogBackdrop},
        {"system\\legwork.bmp", 257, 328, 32, PaintLegwork},
        {"system\\legwork_p.bmp", 396, 224, 32, PaintLegworkDialog},
    };
    return pictures;
}

} // namespace kestrel::sample
