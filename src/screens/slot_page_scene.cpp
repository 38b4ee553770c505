#include "screens/slot_page_scene.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/pixel_effects.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/message_text.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

using namespace screens;

namespace {

constexpr char kClickSound[] = "se\\sys_a002.ogg";
constexpr char kPageSound[] = "se\\sys_f003.ogg";
constexpr uint32_t kTintColour = 0x003E75DD; // red 62, green 117, blue 221
constexpr uint16_t kTintLevel = 154;
constexpr int32_t kBoxSlide = 28;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr size_t kCaptionBytes = 26;

constexpr const char* kStockNames[] = {
    "ev34a", "ev34b", "ev36a", "ev36b", "ev38a", "ev38b", "ev40a", "ev40b", "ev42a", "ev43a", "ev43b",
    "ev44c", "ev45a", "ev45b", "ev45c", "ev45d", "ev45e", "ev46a", "ev46b", "ev48a", "ev49a", "ev50a",
    "ev50b", "ev50c", "ev50d", "ev51a", "ev51b", "ev51c", "ev53a", "ev54a", "ev55a", "ev55b", "ev55c",
    "ev56a", "ev56b", "ev56c", "ev56d", "ev57a", "ev57b", "ev58c", "ev60a", "ev60b", "ev60c", "ev61a",
    "ev61b", "ev61c", "ev62a", "ev62b", "ev62c", "ev63b", "ev64a", "ev64b", "ev64c", "ev65a", "ev65b",
    "ev68a", "ev68b", "ev68c", "ev69a", "ev69b", "ev69c", "ev71a", "ev72a", "ev73a", "ev73b", "ev73c",
    "ev76a", "ev76b", "ev76c", "ev77a", "ev77b", "ev77c", "ev79a", "ev79b", "ev80a", "ev81a", "ev81b",
    "ev81c", "ev82b", "ev82c", "ev83a", "ev83b", "ev83c", "ev84a", "ev84b", "ev86a", "ev86b", "ev87a",
    "ev88a", "ev88b", "ev88c"};
static_assert(std::size(kStockNames) == 91);

MouseState* Mouse() {
    return g_pMouse ? g_pMouse->GetState() : nullptr;
}

POINT MousePoint() {
    const MouseState* m = Mouse();
    return m ? POINT{m->x, m->y} : POINT{0, 0};
}

void Draw(CDIB32* target, int32_t x, int32_t y, CDIB32* atlas, const CSlotPageScene::Cell& c) {
    CDIB32::BltAlpha(target, x, y, atlas, c.x, c.y, c.w, c.h);
}

void Restore(CDIB32* target, CDIB32* from, int32_t x, int32_t y, int32_t w, int32_t h) {
    CDIB32::Blt(target, x, y, from, x, y, w, h);
}

// One digit 0..9 of a number (any other value is taken modulo 10, so that a damaged record never
// picks a separator of the atlas).
int32_t Digit(uint32_t value) {
    return static_cast<int32_t>(value % 10);
}

} // namespace

int StockThumbnailIndex(const char* name) {
    for (size_t k = 0; k < std::size(kStockNames); ++k) {
        const size_t n = std::strlen(kStockNames[k]);
        if (std::strncmp(name, kStockNames[k], n) == 0 && std::strcmp(name + n, ".bmp") == 0)
            return static_cast<int>(k);
    }
    return -1;
}

CSlotPageScene::CSlotPageScene(Kind k) : kind(k), previews(new (std::nothrow) SaveData[kSlotsPerPage]()) {
    page = std::min<uint8_t>(PageByte(), kPageCount - 1);
    for (int i = 0; i < kSlotsPerPage; ++i)
        slotRects[i] = SlotRect(i);
    for (int p = 0; p < kPageCount; ++p)
        pageRects[p] = PageButtonRect(p);
    pageRects[kPageCount] = kBackRect;
    boxRects[0] = kYesRect;
    boxRects[1] = kNoRect;
}

CSlotPageScene::~CSlotPageScene() = default;

uint8_t& CSlotPageScene::PageByte() const {
    return kind == Kind::kSave ? g_SystemData.savePage : g_SystemData.loadPage;
}

bool CSlotPageScene::FromGame() const {
    return g_pScriptMng && g_pScriptMng->m_menuFromGame;
}

bool CSlotPageScene::Dispatch(HWND hwnd) {
    window = hwnd;
    switch (state) {
        case kStart:
            Start(hwnd);
            break;
        case kFadeIn:
            FadeIn();
            break;
        case kInput:
            Input(hwnd);
            break;
        case kFadeOut:
            FadeOut();
            break;
        case kLeave:
            Leave();
            break;
        case kOpenBox:
            OpenBox(hwnd);
            break;
        case kBoxInput:
            BoxInput();
            break;
        case kCloseBox:
            CloseBox();
            break;
        case kBoxResult:
            if (kind == Kind::kLoad)
                BoxResult();
            break;
        case kAct:
            if (kind == Kind::kSave)
                WriteSave(hwnd);
            else
                LoadFromSlot(hwnd);
            break;
        case kBack:
            BackButton();
            break;
        case kFadeToGame:
            if (kind == Kind::kLoad)
                FadeToGame();
            break;
        case kResume:
            if (kind == Kind::kLoad)
                ResumeScene();
            break;
        case kGlide:
            Glide(hwnd);
            break;
        default:
            break;
    }
    return true;
}

bool CSlotPageScene::ReadSlot(int position) {
    if (!previews || position < 0 || position >= kSlotsPerPage)
        return false;
    return ReadSaveSlot(SlotAt(position), &previews[position]);
}

// ---- Drawing ----------------------------------------------------------------------------------------

void CSlotPageScene::DrawSlot(HWND hwnd, CDIB32* target, int position, bool highlighted) {
    if (position < 0 || position >= kSlotsPerPage)
        return;
    const RECT& r = slotRects[position];
    if (target == g_ScreenSurface)
        Restore(target, Slot(kSlotBase), r.left, r.top, r.right - r.left, r.bottom - r.top);
    Draw(target, r.left, r.top, Slot(kSlotParts), highlighted ? kFrameLit : kFrameNormal);
    DrawSlotNumber(target, position);
    if (ReadSlot(position)) {
        DrawThumbnail(hwnd, target, position);
        DrawSlotInfo(target, position);
    }
}

void CSlotPageScene::DrawSlotNumber(CDIB32* target, int position) {
    const int number = SlotAt(position) + 1;
    const int32_t x = 511 * (position / 5), y = 97 * (position % 5) + 122;
    CDIB32* digits = Slot(kSlotDigits);
    auto digit = [&](int32_t at, int d) { CDIB32::BltAlpha(target, at, y, digits, 26 * d, 0, 26, 42); };
    digit(x + 72, number % 10);
    if (number >= 10)
        digit(x + 46, (number / 10) % 10);
    if (number >= 100)
        digit(x + 20, number / 100);
}

void CSlotPageScene::DrawThumbnail(HWND hwnd, CDIB32* target, int position) {
    const SaveData& d = previews[position];
    const RECT& r = slotRects[position];
    const int32_t x = r.left + kThumbX, y = r.top + kThumbY;
    const int stock = StockThumbnailIndex(d.layerNames[1]);
    if (stock >= 0 && d.spriteNames[0][0] == '\0') {
        CDIB32::Blt(target, x, y, Slot(kSlotStock), 143 * (stock % 6), 80 * (stock / 6), 143, 80);
        return;
    }
    // The averaged thumbnail shows its top-left 143 × 80 as they are; the sample is scaled up to fill
    // the same rectangle.
    const bool sampled = HoldsSampledThumbnail(d);
    const int32_t w = sampled ? kThumbSampleWidth : kThumbWidth;
    const int32_t h = sampled ? kThumbSampleHeight : kThumbHeight;
    CDIB32 picture;
    if (!picture.Create(hwnd, w, h, 32))
        return;
    for (int32_t row = 0; row < h; ++row)
        if (uint8_t* dst = picture.GetPixelAddress(0, row))
            std::memcpy(dst, d.thumbnail + static_cast<size_t>(row) * w * 4, static_cast<size_t>(w) * 4);
    if (sampled)
        CDIB32::BltScaled(target, x, y, 143, 80, &picture, 0, 0, w, h);
    else
        CDIB32::Blt(target, x, y, &picture, 0, 0, 143, 80);
}

void CSlotPageScene::DrawSlotInfo(CDIB32* target, int position) {
    const SaveData& d = previews[position];
    const int32_t X = 511 * (position / 5), Y = 97 * (position % 5);
    CDIB32* time = Slot(kSlotTime);
    auto digit = [&](int32_t x, int32_t y, uint32_t value) {
        CDIB32::BltAlpha(target, x, y, time, 9 * Digit(value), 0, 9, 19);
    };
    // Date of the save: year, month, day, hour and minute.
    const uint32_t year = d.saveTime[0];
    const int32_t dateY = Y + 90;
    if (Digit(year / 1000) != 0)
        digit(X + 178, dateY, year / 1000);
    digit(X + 188, dateY, year / 100);
    digit(X + 198, dateY, year / 10);
    digit(X + 208, dateY, year);
    CDIB32::BltAlpha(target, X + 218, dateY, time, 90, 0, 9, 19);
    digit(X + 228, dateY, d.saveTime[1] / 10);
    digit(X + 238, dateY, d.saveTime[1]);
    CDIB32::BltAlpha(target, X + 248, dateY, time, 90, 0, 9, 19);
    digit(X + 258, dateY, d.saveTime[2] / 10);
    digit(X + 268, dateY, d.saveTime[2]);
    digit(X + 289, dateY, d.saveTime[3] / 10);
    digit(X + 299, dateY, d.saveTime[3]);
    CDIB32::BltAlpha(target, X + 307, Y + 91, time, 99, 0, 9, 19);
    digit(X + 316, dateY, d.saveTime[4] / 10);
    digit(X + 325, dateY, d.saveTime[4]);
    // Game day, clock and place; a day or place of 0 (or beyond the pictures) draws nothing.
    if (d.hudDateRow != 0)
        CDIB32::BltAlpha(target, X + 181, Y + 111, Slot(kSlotDay), 0, 22 * (d.hudDateRow - 1), 42, 22);
    const int32_t clockY = Y + 111;
    const auto hour = static_cast<uint32_t>(static_cast<int8_t>(d.clockHour) < 0 ? 0 : d.clockHour);
    digit(X + 242, clockY, hour / 10);
    digit(X + 251, clockY, hour);
    CDIB32::BltAlpha(target, X + 260, clockY, time, 108, 0, 19, 19);
    digit(X + 279, clockY, d.clockMinute / 10u);
    digit(X + 288, clockY, d.clockMinute);
    CDIB32::BltAlpha(target, X + 297, clockY, time, 127, 0, 19, 19);
    if (d.hudInfoRow != 0 && d.hudInfoRow <= 1000)
        CDIB32::BltAlpha(target, X + 165, Y + 131, Slot(kSlotPlace), 0,
                         22 * static_cast<int32_t>(d.hudInfoRow - 1), 110, 22);
    DrawCaption(target, X + 130, Y + 154, d.plainText);
}

// The first 26 bytes of the message, white, with the hero's names in place of their tags; the mark
// codes of a break, of a click wait and of an inline icon are stepped over, and one-byte characters
// are not drawn. Every
// step is bounded by the text's field.
void CSlotPageScene::DrawCaption(CDIB32* target, int32_t x, int32_t y, const char* text) {
    CGlyphFont* font = g_GlyphFont;
    if (!font)
        return;
    const size_t length = strnlen(text, sizeof(SaveData::plainText) - 1);
    auto draw = [&](const char* p) {
        const char glyph[3] = {p[0], p[0] != '\0' ? p[1] : '\0', '\0'};
        x += font->DrawString(target, x, y, glyph, kWhite);
    };
    size_t j = 0;
    while (j < length) {
        if (static_cast<uint8_t>(text[j]) >= 0x81) {
            if (IsMarkCodeA(text + j))
                j += 2;
            if (j < length && IsMarkCodeB(text + j))
                j += 2;
            // An inline icon's mark is markup too: drawn, its code would show as a character.
            if (j < length && InlineIconAt(text + j) >= 0)
                j += 4;
            if (j >= length)
                break;
            draw(text + j);
            if (j >= kCaptionBytes)
                break;
            j += 2;
            continue;
        }
        if (text[j] == '(') {
            const char* close = static_cast<const char*>(std::memchr(text + j, ')', length - j));
            if (!close)
                break;
            const std::string word(text + j + 1, close);
            const CScriptMng* s = g_pScriptMng;
            const char* name = !s                 ? nullptr
                               : word == "name01" ? s->m_heroNames[0]
                               : word == "name02" ? s->m_heroNames[1]
                                                  : nullptr;
            if (name) {
                const size_t n = strnlen(name, sizeof s->m_heroNames[0]);
                for (size_t k = 0; k < n && j + k <= kCaptionBytes; k += 2)
                    draw(name + k);
            }
            j = static_cast<size_t>(close - text) + 1;
            continue;
        }
        if (++j >= kCaptionBytes)
            break;
    }
}

void CSlotPageScene::ComposePage(HWND hwnd) {
    CDIB32* composed = Slot(kSlotPage);
    CDIB32::Blt(composed, 0, 0, Slot(kSlotBase), 0, 0, kWidth, kHeight);
    const RECT& marker = pageRects[page];
    CDIB32::BltAlpha(composed, marker.left, marker.top, Slot(kSlotParts), 19 * page, kPageNumberY, 19, 18);
    if (g_GlyphFont)
        g_GlyphFont->SetFont(15, 0);
    for (int i = 0; i < kSlotsPerPage; ++i)
        DrawSlot(hwnd, composed, i, false);
}

// ---- Sub-states ---------------------------------------------------------------------------------------

void CSlotPageScene::Start(HWND hwnd) {
    if (g_pGameMain)
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    CopyToSlot(kSlotPage, hwnd, g_ScreenSurface);
    const bool save = kind == Kind::kSave;
    screens::LoadSlot(kSlotBase, hwnd, save ? "system\\save_base.bmp" : "system\\load_base.bmp");
    screens::LoadSlot(kSlotParts, hwnd, save ? "system\\save_parts.bmp" : "system\\load_parts.bmp");
    CopyToSlot(kSlotFadeFrom, hwnd, Slot(kSlotPage));
    screens::LoadSlot(kSlotDigits, hwnd, "system\\data_no.bmp");
    screens::LoadSlot(kSlotTime, hwnd, "system\\time_03.bmp");
    screens::LoadSlot(kSlotPlace, hwnd, "system\\place.bmp");
    screens::LoadSlot(kSlotStock, hwnd, "system\\s_sam.bmp");
    screens::LoadSlot(kSlotDay, hwnd, "system\\day.bmp");
    ComposePage(hwnd);
    timer.Restart();
    state = kFadeIn;
}

void CSlotPageScene::FadeIn() {
    uint16_t level = 0;
    if (timer.Running(kFadeMs, &level)) {
        DrawCrossDissolve(Slot(kSlotPage), Slot(kSlotFadeFrom), level);
        return;
    }
    DrawWhole(Slot(kSlotPage));
    timer.Restart();
    state = kInput;
}

void CSlotPageScene::Input(HWND hwnd) {
    MouseState* m = Mouse();
    if (!m)
        return;
    const POINT at = MousePoint();
    // The current page's button never counts: the test goes on to the next rectangle.
    uint8_t newPage = 0;
    for (uint8_t i = 0; i <= kPageCount; ++i) {
        if (i == page)
            continue;
        if (PointInRect(pageRects[i], at)) {
            newPage = static_cast<uint8_t>(i + 1);
            break;
        }
    }
    const uint8_t newSlot = HitTest(slotRects, kSlotsPerPage, at);
    CDIB32* screen = g_ScreenSurface;
    if (newSlot != hoveredSlot) {
        if (hoveredSlot != 0)
            DrawSlot(hwnd, screen, hoveredSlot - 1, false);
        if (newSlot != 0)
            DrawSlot(hwnd, screen, newSlot - 1, true);
        hoveredSlot = newSlot;
    }
    if (newPage != hoveredPage) {
        auto restore = [&](uint8_t button, int32_t w) {
            const RECT& r = pageRects[button - 1];
            Restore(screen, Slot(kSlotBase), r.left, r.top, button == kBackButton ? 64 : w,
                    button == kBackButton ? 36 : 18);
        };
        if (hoveredPage != 0)
            restore(hoveredPage, 18);
        if (newPage != 0) {
            restore(newPage, 19);
            const RECT& r = pageRects[newPage - 1];
            if (newPage == kBackButton)
                Draw(screen, r.left, r.top, Slot(kSlotParts), kBackLit);
            else
                CDIB32::BltAlpha(screen, r.left, r.top, Slot(kSlotParts), 19 * (newPage - 1), kPageNumberY,
                                 18, 18);
        }
        hoveredPage = newPage;
    }

    if (m->left && hoveredSlot != 0) {
        // The load takes only a slot whose file reads now; a click on an empty one is used up.
        if (kind == Kind::kLoad && !ReadSlot(hoveredSlot - 1))
            m->left = 0;
        else
            ChooseSlot(hwnd);
        return;
    }
    if (m->left && hoveredPage >= 1 && hoveredPage <= kPageCount) {
        ChangePage(hwnd, static_cast<uint8_t>(hoveredPage - 1));
        return;
    }
    if (m->left && hoveredPage == kBackButton) {
        PlayClickSound(kClickSound);
        m->left = m->right = 0;
        timer.Restart();
        state = kBack;
        return;
    }
    if (m->right) {
        PlayClickSound(kClickSound);
        m->left = m->right = 0;
        timer.Restart();
        CopyToSlot(kSlotFadeFrom, hwnd, g_ScreenSurface);
        state = FromGame() ? kFadeOut : kLeave;
    }
}

void CSlotPageScene::ChangePage(HWND hwnd, uint8_t newPage) {
    PlayClickSound(kPageSound);
    page = newPage;
    PageByte() = newPage;
    ComposePage(hwnd);
    DrawWhole(Slot(kSlotPage));
    if (MouseState* m = Mouse())
        m->left = 0;
    hoveredPage = 0;
    hoveredSlot = 0;
}

void CSlotPageScene::ChooseSlot(HWND hwnd) {
    PlayClickSound(kClickSound);
    chosen = static_cast<uint8_t>(hoveredSlot - 1);
    DrawSlot(hwnd, g_ScreenSurface, chosen, true);
    CopyToSlot(kSlotChosen, hwnd, g_ScreenSurface);
    CDIB32* tinted = CopyToSlot(kSlotTinted, hwnd, g_ScreenSurface);
    CDIB32 tint;
    if (tint.Create(hwnd, kWidth, kHeight, 24)) {
        tint.Fill(kTintColour, nullptr);
        CDIB32::BltFade(tinted, 0, 0, kWidth, kHeight, &tint, 0, 0, 0, kWidth, kHeight, kTintLevel);
    }
    CopyToSlot(kSlotTintedBare, hwnd, tinted);
    if (MouseState* m = Mouse())
        m->left = 0;
    timer.Restart();
    state = kOpenBox;
}

void CSlotPageScene::OpenBox(HWND hwnd) {
    uint16_t level = 0;
    if (timer.Running(kBoxMs, &level)) {
        DrawCrossDissolve(Slot(kSlotTinted), Slot(kSlotChosen), level);
        const int32_t y = kBoxY - kBoxSlide + static_cast<int32_t>(timer.elapsed * kBoxSlide / kBoxMs);
        CDIB32::BltAlphaFade(g_ScreenSurface, kBoxX, y, Slot(kSlotParts), kBox.x, kBox.y, kBox.w, kBox.h,
                             level);
        return;
    }
    Draw(Slot(kSlotTinted), kBoxX, kBoxY, Slot(kSlotParts), kBox);
    DrawWhole(Slot(kSlotTinted));
    answer = 0;
    timer.Restart();
    if (g_SystemData.keyboardMode != 0) {
        const RECT& yes = boxRects[0];
        glideTo = POINT{yes.left + ((yes.right - yes.left) >> 1), yes.top + ((yes.bottom - yes.top) >> 1)};
        glideFrom = MousePoint();
        state = kGlide;
        Glide(hwnd);
        return;
    }
    state = kBoxInput;
}

void CSlotPageScene::Glide(HWND hwnd) {
    const uint32_t elapsed = timeGetTime() - timer.start;
    const bool ctrl = g_pKeyboard && g_pKeyboard->ctrl;
    if (elapsed < kGlideMs && !ctrl) {
        const double s = SinDeg(static_cast<int32_t>(90 + elapsed * 90 / kGlideMs));
        const auto x = static_cast<int32_t>(glideTo.x + (glideFrom.x - glideTo.x) * s);
        const auto y = static_cast<int32_t>(glideTo.y + (glideFrom.y - glideTo.y) * s);
        CursorToWindowPoint(hwnd, ScaleToScreenX(x), ScaleToScreenY(y));
        return;
    }
    CursorToWindowPoint(hwnd, ScaleToScreenX(glideTo.x), ScaleToScreenY(glideTo.y));
    if (MouseState* m = Mouse())
        m->left = 0;
    state = kBoxInput;
}

void CSlotPageScene::BoxInput() {
    MouseState* m = Mouse();
    if (!m)
        return;
    const uint8_t now = HitTest(boxRects, 2, MousePoint());
    CDIB32* screen = g_ScreenSurface;
    if (now != answer) {
        if (answer != 0) {
            const RECT& r = boxRects[answer - 1];
            Restore(screen, Slot(kSlotTinted), r.left, r.top, kBoxLit[0].w, kBoxLit[0].h);
        }
        if (now != 0) {
            const RECT& r = boxRects[now - 1];
            Draw(screen, r.left, r.top, Slot(kSlotParts), kBoxLit[now - 1]);
        }
        answer = now;
    }
    if (m->left && answer != 0) {
        m->left = 0;
    } else if (m->right) {
        m->right = 0;
        answer = kAnswerNo;
    } else {
        return;
    }
    PlayClickSound(kClickSound);
    timer.Restart();
    state = kind == Kind::kSave ? kAct : kCloseBox;
}

void CSlotPageScene::CloseBox() {
    uint16_t level = 0;
    if (timer.Running(kBoxMs, &level)) {
        const uint32_t e = timer.elapsed;
        const int32_t offset = static_cast<int32_t>(e * kBoxSlide / kBoxMs);
        const double glowPeak = kind == Kind::kSave ? 255.0 : 198.0;
        const auto glow = static_cast<uint16_t>(
            SinDeg(static_cast<int32_t>(std::min<uint32_t>(e * 280 / kBoxMs, 180))) * glowPeak);
        DrawCrossDissolve(Slot(kSlotChosen), Slot(kSlotTintedBare), level);
        CDIB32::BltAlphaFade(g_ScreenSurface, kBoxX, kBoxY + offset, Slot(kSlotParts), kBox.x, kBox.y, kBox.w,
                             kBox.h, static_cast<uint16_t>(255 - level));
        if (answer >= 1 && answer <= 2) {
            const RECT& r = boxRects[answer - 1];
            const Cell& c = kBoxGlow[answer - 1];
            BltAddAlpha(g_ScreenSurface, static_cast<int16_t>(r.left), static_cast<int16_t>(r.top + offset),
                        Slot(kSlotParts), static_cast<int16_t>(c.x), static_cast<int16_t>(c.y),
                        static_cast<int16_t>(c.w), static_cast<int16_t>(c.h), glow);
        }
        return;
    }
    DrawWhole(Slot(kSlotChosen));
    timer.Restart();
    FreeSlots(kSlotChosen, kSlotTinted);
    FreeSlots(kSlotTintedBare, kSlotTintedBare);
    if (kind == Kind::kSave) {
        // A new save shows at once; the next frame's hit test highlights the slot again.
        DrawSlot(window, g_ScreenSurface, chosen, false);
        hoveredSlot = 0;
        state = kInput;
    } else {
        state = kBoxResult;
    }
}

void CSlotPageScene::BoxResult() {
    if (answer == kAnswerYes) {
        timer.Restart();
        state = kAct;
        return;
    }
    hoveredSlot = 0;
    answer = 0;
    state = kInput;
}

void CSlotPageScene::BackButton() {
    const uint32_t e = timeGetTime() - timer.start;
    const bool cut = FadeCut();
    if (e < kFadeMs && !cut) {
        const auto d = static_cast<int32_t>(e * 180 / kFadeMs);
        CDIB32* screen = g_ScreenSurface;
        const RECT& r = pageRects[kPageCount];
        Restore(screen, Slot(kSlotPage), r.left, r.top, 64, 36);
        if (d < 90)
            Draw(screen, r.left, r.top, Slot(kSlotParts), kBackLit);
        BltAddAlpha(screen, static_cast<int16_t>(r.left), static_cast<int16_t>(r.top), Slot(kSlotParts),
                    static_cast<int16_t>(kBackGlow.x), static_cast<int16_t>(kBackGlow.y),
                    static_cast<int16_t>(kBackGlow.w), static_cast<int16_t>(kBackGlow.h),
                    static_cast<uint16_t>(SinDeg(d) * 180));
        return;
    }
    CDIB32::Blt(Slot(kSlotFadeFrom), 0, 0, g_ScreenSurface, 0, 0, kWidth, kHeight);
    timer.Restart();
    // Opened from the title menu there is no game picture to fade to: the screen leaves at once.
    state = FromGame() ? kFadeOut : kLeave;
}

void CSlotPageScene::FadeOut() {
    CDIB32* game = g_SavedScreenSurface;
    uint16_t level = 0;
    if (timer.Running(kFadeMs, &level)) {
        DrawCrossDissolve(game, Slot(kSlotFadeFrom), level);
        return;
    }
    DrawWhole(game);
    state = kLeave;
}

void CSlotPageScene::Leave() {
    state = kStart;
    FreeSlots(20, 63);
    const bool fromGame = FromGame();
    SetMessageWindowFont(fromGame && g_pScriptMng && g_pScriptMng->m_windowStyle == 1);
    SetScene(fromGame && g_pGameMain ? g_pGameMain->returnScene : static_cast<uint8_t>(kSceneTitleMenu));
}
