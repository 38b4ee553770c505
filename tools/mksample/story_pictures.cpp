// The sample game's story pictures beyond the backgrounds: an event picture, and the standing
// character 美咲 with the sheet of her faces. The character is drawn with the colour key (pure green,
// alpha 0) around her; her face lies in the face rectangle (174, 146, 40 × 43) of the picture, and
// the sheet holds the faces in cells of that size, five to a row.
#include "mksample/canvas.h"
#include "mksample/sample_assets.h"

namespace kestrel::sample {

namespace {

constexpr uint32_t kKeyColour = Argb(0, 0, 255, 0);
constexpr uint32_t kSkin = Argb(255, 250, 222, 200);
constexpr uint32_t kHair = Argb(255, 60, 40, 36);
constexpr uint32_t kEyes = Argb(255, 40, 30, 40);
constexpr uint32_t kMouth = Argb(255, 200, 80, 90);
constexpr int32_t kFaceX = 174, kFaceY = 146, kFaceW = 40, kFaceH = 43;
constexpr int32_t kCharW = 388, kCharH = 560;

// One face in the 40 × 43 cell at (x, y): skin, eyes and mouth. Expression 0 is calm, 1 smiles with
// closed eyes.
void PaintFace(Canvas& c, int32_t x, int32_t y, int expression) {
    c.Fill(x, y, kFaceW, kFaceH, kSkin);
    if (expression == 0) {
        c.Fill(x + 9, y + 14, 5, 7, kEyes);
        c.Fill(x + 26, y + 14, 5, 7, kEyes);
        c.Fill(x + 15, y + 31, 10, 3, kMouth);
    } else {
        c.Line(x + 8, y + 19, x + 12, y + 15, 2, kEyes);
        c.Line(x + 12, y + 15, x + 16, y + 19, 2, kEyes);
        c.Line(x + 24, y + 19, x + 28, y + 15, 2, kEyes);
        c.Line(x + 28, y + 15, x + 32, y + 19, 2, kEyes);
        c.Disc(x + 20, y + 31, 5, kMouth);
        c.Fill(x + 14, y + 26, 13, 5, kSkin);
    }
}

void PaintMisaki(Canvas& c, LabelFont&) {
    c.Fill(0, 0, kCharW, kCharH, kKeyColour);
    const double cx = kFaceX + kFaceW / 2.0;
    // Hair behind the head, the head, the fringe above the face rectangle.
    c.Disc(cx, 160, 58, kHair);
    c.Fill(static_cast<int32_t>(cx) - 58, 160, 116, 90, kHair);
    c.Disc(cx, 168, 34, kSkin);
    c.Fill(kFaceX - 6, 122, kFaceW + 12, 22, kHair);
    // Neck, coat and arms.
    c.Fill(static_cast<int32_t>(cx) - 10, 200, 20, 30, kSkin);
    c.Triangle(cx, 214, cx - 120, kCharH, cx + 120, kCharH, Argb(255, 70, 96, 150));
    c.Triangle(cx, 226, cx - 26, 290, cx + 26, 290, Argb(255, 236, 236, 240));
    c.Line(cx - 62, 270, cx - 96, kCharH - 20, 24, Argb(255, 60, 84, 136));
    c.Line(cx + 62, 270, cx + 96, kCharH - 20, 24, Argb(255, 60, 84, 136));
    PaintFace(c, kFaceX, kFaceY, 0);
}

// Two faces; the cells after them stay clear.
void PaintMisakiFaces(Canvas& c, LabelFont&) {
    c.Fill(0, 0, 5 * kFaceW, kFaceH, Argb(0, 0, 0, 0));
    PaintFace(c, 0, 0, 0);
    PaintFace(c, kFaceW, 0, 1);
}

// An old photograph of the café: sepia, a white border, the shop front with its lit window.
void PaintOldPhoto(Canvas& c, LabelFont& f) {
    c.Fill(0, 0, 1024, 576, Argb(255, 40, 32, 26));
    c.Panel(192, 40, 640, 480, Argb(255, 196, 170, 132), 18, Argb(255, 236, 228, 210));
    c.Fill(210, 58, 604, 200, Argb(255, 214, 194, 160));
    c.Fill(260, 200, 500, 302, Argb(255, 136, 104, 74));
    c.Triangle(240, 200, 780, 200, 510, 120, Argb(255, 110, 80, 56));
    c.Panel(300, 260, 220, 150, Argb(255, 250, 226, 150), 8, Argb(255, 90, 64, 44));
    c.Panel(580, 280, 120, 222, Argb(255, 96, 70, 50), 6, Argb(255, 70, 50, 36));
    c.Fill(300, 226, 420, 26, Argb(255, 90, 64, 44));
    const int32_t w = f.Width("咖啡", 22);
    c.Text(f, 510 - w / 2, 228, "咖啡", 22, Argb(255, 236, 220, 180));
}

} // namespace

const std::vector<PictureAsset>& StoryPictures() {
    static const std::vector<PictureAsset> pictures = {
        {"bmp\\ev01a.bmp", 1024, 576, 24, PaintOldPhoto},
        {"chara\\misaki.bmp", kCharW, kCharH, 32, PaintMisaki},
        {"chara\\misaki_face.bmp", 5 * kFaceW, kFaceH, 32, PaintMisakiFaces},
    };
    return pictures;
}

} // namespace kestrel::sample
