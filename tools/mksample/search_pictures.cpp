// The sample game's search of the street: the search screen's title strip and pointers, its leave
// dialog, the street's hit mask, the search cursor, and the list of rumours that a spot asks about;
// and the tabled search of the room upstairs (search scene 1) with its mask and dialog.
#include <cstring>
#include <filesystem>
#include <system_error>

#include "mksample/canvas.h"
#include "mksample/sample_assets.h"
#include "platform/text_codec.h"
#include "writers/cursor_writer.h"
#include "writers/ogg_writer.h"

namespace kestrel::sample {

namespace {

constexpr uint32_t kBand = 0xFF141C2Cu;
constexpr uint32_t kGold = 0xFFE8C670u;
constexpr uint32_t kPale = 0xFFE6EAF2u;
constexpr uint32_t kLit = 0xFFFFF0B0u;
constexpr uint32_t kInk = 0xFF1A2233u;

// The spots of the street ("bmp\bg02.bmp"), numbered as the spot script branches on them.
struct Spot {
    int number;
    int32_t x, y, w, h;
};
constexpr Spot kStreetSpots[] = {
    {1, 372, 232, 44, 160},  // the street lamp in the middle
    {2, 456, 170, 110, 96},  // the lit windows of the fourth house
    {3, 120, 430, 400, 130}, // the road on the left
};
// The spots of the room ("bmp\bg01.bmp") searched as search scene 1.
constexpr Spot kRoomSpots[] = {
    {1, 120, 90, 300, 210},  // the window
    {2, 700, 130, 170, 270}, // the door
    {3, 380, 360, 300, 128}, // the table
};

// An arrowhead whose tip is pixel (x, y), pointing up and to the left: the point that it aims at.
void Arrowhead(Canvas& c, int32_t x, int32_t y, uint32_t fill) {
    c.Line(x + 7, y + 7, x + 17, y + 17, 5, kInk);
    c.Triangle(x, y, x + 15, y + 6, x + 6, y + 15, kInk);
    c.Line(x + 7, y + 7, x + 16, y + 16, 2, fill);
    c.Triangle(x + 2.5, y + 2.5, x + 11.5, y + 6, x + 6, y + 11.5, fill);
}

// A pointer of the search in a 60 × 48 cell whose top-left is (x, y): the screen draws the cell with
// its top-left at the mouse point, so the arrowhead's tip in that corner is where it looks, and the
// magnifying glass beside it says what the pointer does.
void Glass(Canvas& c, int32_t x, int32_t y, uint32_t rim, uint32_t lens) {
    Arrowhead(c, x, y, rim);
    c.Line(x + 39, y + 33, x + 55, y + 45, 8, kInk);
    c.Disc(x + 31, y + 25, 14.5, kInk);
    c.Line(x + 39, y + 33, x + 54, y + 44, 5, rim);
    c.Disc(x + 31, y + 25, 13, rim);
    c.Disc(x + 31, y + 25, 9, lens);
}

// search.bmp: the title strip (the full width, 78 high, with the leave button at (954, 31)), the
// leave button lit at (0, 78) and the pointers off a spot (128, 78) and on one (188, 78).
void PaintSearchSheet(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    c.Fill(0, 0, c.Width(), 78, kBand);
    c.Fill(0, 74, c.Width(), 4, kGold);
    c.Text(f, 24, 18, "搜索", 32, kGold);
    c.Text(f, 130, 30, "点击可疑的地方进行调查", 20, kPale);
    c.Panel(954, 31, 64, 40, Argb(255, 60, 70, 96), 2, kGold);
    c.TextCentred(f, 954, 31, 64, 40, "离开", 18, kPale);
    c.Panel(0, 78, 64, 40, kLit, 2, kInk);
    c.TextCentred(f, 0, 78, 64, 40, "离开", 18, kInk);
    Glass(c, 128, 78, Argb(255, 200, 200, 210), Argb(70, 180, 210, 255));
    Glass(c, 188, 78, kGold, Argb(120, 255, 230, 140));
}

void PaintSearchDialog(Canvas& c, LabelFont& f) {
    PaintDialog(c, f, "结束搜索吗？", 84);
}
void PaintRoomDialog(Canvas& c, LabelFont& f) {
    PaintDialog(c, f, "离开这个房间吗？", 84);
}

// A hit mask: the blue byte is the spot number, 0 elsewhere.
template <size_t N>
void PaintMask(Canvas& c, const Spot (&spots)[N]) {
    c.Fill(0, 0, c.Width(), c.Height(), 0);
    for (const Spot& s : spots)
        c.Fill(s.x, s.y, s.w, s.h, static_cast<uint32_t>(s.number));
}
void PaintStreetMask(Canvas& c, LabelFont&) {
    PaintMask(c, kStreetSpots);
}
void PaintRoomMask(Canvas& c, LabelFont&) {
    PaintMask(c, kRoomSpots);
}

// The search cursor: a gold arrowhead whose tip is the hot spot, over the arrowhead of the pointer
// picture drawn at the same point.
std::vector<uint8_t> MakeSearchCursor() {
    test::CursorSpec cursor;
    cursor.width = cursor.height = 32;
    cursor.hotX = cursor.hotY = 1;
    Canvas c(32, 32, 0);
    Arrowhead(c, cursor.hotX, cursor.hotY, kGold);
    cursor.pixels.resize(32 * 32);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x)
            std::memcpy(&cursor.pixels[static_cast<size_t>(y) * 32 + x], c.Surface()->GetPixelAddress(x, y),
                        4);
    return test::WriteCursor(cursor);
}

// The rumours heard on the street, one a line, as game text: line n is keyword n of the category.
std::vector<uint8_t> MakeRumourList() {
    const std::string text = text_codec::Utf8ToGameTextLossy("出租车\n楼顶的人影\n");
    return std::vector<uint8_t>(text.begin(), text.end());
}

} // namespace

const std::vector<PictureAsset>& SearchPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"system\\search.bmp", 1024, 126, 32, PaintSearchSheet},
        {"system\\search_p.bmp", 396, 224, 32, PaintSearchDialog},
        {"system\\bg02_mask.bmp", 1024, 576, 24, PaintStreetMask},
        {"system\\inv_p.bmp", 396, 224, 32, PaintRoomDialog},
        {"system\\bg14_01_mask.bmp", 1024, 576, 24, PaintRoomMask},
    };
    return pictures;
}

bool WriteGameFolderFiles(const std::string& outDir, std::string* error) {
    // The list file's name as the discs have it: "Key_噂.txt" in code page 932.
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } files[] = {
        {"cursor1.cur", MakeSearchCursor()},
        {"Key_\x89\x5C.txt", MakeRumourList()},
    };
    const std::string folder = OutputPath(outDir, kGameFolderFiles);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (const auto& file : files) {
        const std::string path = folder + "/" + file.name;
        if (!test::WriteBytes(path, file.bytes)) {
            if (error != nullptr)
                *error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

} // namespace kestrel::sample
