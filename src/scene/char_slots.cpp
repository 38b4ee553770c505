// The standing characters in motion and the mark slots. Op 110 starts a character's motion in one of
// the five motion slots: the character slides, eases, hops, dips or rises into place while its
// opacity changes, and is then fixed into the background (layer 0). Op 106 starts a mark slot: a
// mark that appears at a point of the screen and keeps an idle animation until op 107 ends it.
// Both run while the message scene is composed, so they advance only then.
//
// Times are milliseconds of the game clock; a duration of 0 ends its phase at once. Positions are
// screen pixels, x the horizontal centre of a character and positive y downward; opacities 0..255.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "script/script_mng.h"

namespace {

enum CharSlotState : uint8_t { kStart = 0, kMoving = 1, kFinish = 2, kBobbing = 3 };

enum MotionKind : uint8_t {
    kSlide = 0,
    kEasedSlide = 1,
    kHop = 2,
    kDoubleDip = 3,
    kDip = 4,
    kVerticalEase = 5,
    kRiseAndReturn = 6,
};

// Field names of a motion slot as the animation reads them.
int16_t StartX(const MotionSlot& s) {
    return s.coords[0];
}
int16_t StartY(const MotionSlot& s) {
    return s.coords[1];
}
int16_t EndX(const MotionSlot& s) {
    return s.coords[2];
}
int16_t EndY(const MotionSlot& s) {
    return s.coords[3];
}
int16_t StartOpacity(const MotionSlot& s) {
    return s.coords[4];
}
int16_t EndOpacity(const MotionSlot& s) {
    return s.coords[5];
}

// from + (to - from) * e / d with integer division.
int32_t Lerp(int32_t from, int32_t to, uint32_t e, uint32_t d) {
    return d == 0 ? to : from + static_cast<int32_t>((static_cast<int64_t>(to) - from) * e / d);
}

// log10(1 + 9 * sin(degrees)): 0 at 0 degrees, 1 at 90, eased in between.
double Ease(int32_t degrees) {
    return std::log10(1.0 + 9.0 * SinDeg(degrees));
}

// from + (to - from) * Ease(degrees), truncated.
int32_t Eased(int32_t from, int32_t to, int32_t degrees) {
    return from + static_cast<int32_t>((to - from) * Ease(degrees));
}

uint16_t Opacity(int32_t value) {
    return static_cast<uint16_t>(std::clamp(value, 0, 255));
}

int16_t CentreX(uint8_t slot) {
    return g_pGameMain != nullptr && slot < kCharSlotCount
               ? static_cast<int16_t>(g_pGameMain->charSlotX[slot])
               : 0;
}

// Draws the whole character picture with its alpha at `opacity`, its centre at x.
void DrawCharacter(CDIB32* dst, CDIB32* picture, int32_t x, int32_t y, uint16_t opacity) {
    if (dst == nullptr || picture == nullptr)
        return;
    CDIB32::BltAlphaFade(dst, x - picture->GetWidth() / 2, y, picture, 0, 0, picture->GetWidth(),
                         picture->GetHeight(), opacity);
}

// The angle of the hop: half a turn per duration, the clock restarting at each half turn.
int32_t HopAngle(MotionSlot& s, uint32_t now) {
    const uint32_t d = s.paramWord;
    int32_t angle =
        d == 0 ? 180 : static_cast<int32_t>(std::min<uint64_t>((now - s.startTime) * 180ull / d, 180));
    if (angle >= 180) {
        angle = 0;
        s.startTime = now;
    }
    s.angle = angle;
    return angle;
}

int32_t HopY(int32_t angle) {
    return static_cast<int32_t>(12 * SinDeg(angle));
}

} // namespace

bool CScriptMng::AnimateCharSlots() {
    CDIB32* screen = g_ScreenSurface;
    const uint32_t now = timeGetTime();
    for (int i = 0; i < kMotionSlotCount; ++i) {
        MotionSlot& s = m_motionSlots[i];
        if (s.flags != 1)
            continue;
        const auto slot = static_cast<uint8_t>(i);
        CDIB32* picture = g_pCharBaseSurfaces[slot];
        const int32_t w = picture != nullptr ? picture->GetWidth() : 0;
        const int32_t h = picture != nullptr ? picture->GetHeight() : 0;
        switch (s.state) {
            case kStart: {
                if (g_pGameMain != nullptr) {
                    g_pGameMain->charSlotX[slot] = static_cast<uint16_t>(EndX(s));
                    g_pGameMain->charSlotShown[slot] = 1;
                }
                s.state = kMoving;
                // The background as the script loaded it: characters baked in earlier are gone
                // unless the backup holds them. Without a backup layer 0 stays.
                if (g_Layer1Backup[0] != nullptr)
                    ReplaceSurface(g_Layers[0], ScreenCopy(m_hWnd, g_Layer1Backup[0]));
                // What a save taken during the motion shows: the character already in place.
                CDIB32* thumb = ScreenCopy(m_hWnd, g_Layers[0]);
                DrawCharacter(thumb, picture, EndX(s), 0, Opacity(EndOpacity(s)));
                ReplaceSurface(g_pScriptUiSurfaces[kUiCharThumb], thumb);
                s.startTime = now;
                s.elapsed = 0;
                break;
            }
            case kMoving: {
                const uint32_t d = s.paramWord;
                const uint32_t e = now - s.startTime;
                s.elapsed = e;
                const bool over = d == 0 || static_cast<uint64_t>(e) * 255 / d >= 255;
                const uint16_t opacity = Opacity(Lerp(StartOpacity(s), EndOpacity(s), std::min(e, d), d));
                const int16_t centre = CentreX(slot);
                if (over) {
                    if (s.param == kHop) {
                        s.startTime = now;
                        s.angle = 0;
                        DrawCharacter(screen, picture, centre, HopY(0), Opacity(EndOpacity(s)));
                        s.state = kBobbing;
                    } else {
                        if (s.param != kVerticalEase)
                            DrawCharacter(screen, picture, centre, 0, Opacity(EndOpacity(s)));
                        s.state = kFinish;
                    }
                    break;
                }
                switch (s.param) {
                    case kSlide:
                        DrawCharacter(screen, picture, Lerp(StartX(s), EndX(s), e, d), 0, opacity);
                        break;
                    case kEasedSlide:
                        DrawCharacter(screen, picture,
                                      Eased(StartX(s), EndX(s), static_cast<int32_t>(e * 90ull / d)), 0,
                                      opacity);
                        break;
                    case kHop:
                        s.angle = static_cast<int32_t>(e * 180ull / d);
                        DrawCharacter(screen, picture, Lerp(StartX(s), EndX(s), e, d), HopY(s.angle),
                                      opacity);
                        break;
                    case kDoubleDip:
                    case kDip: {
                        const uint32_t turn = s.param == kDip ? 180 : 360;
                        s.angle = static_cast<int32_t>(std::min<uint64_t>(e * uint64_t{turn} / d, turn));
                        const auto y = static_cast<int32_t>(16 * std::abs(SinDeg(s.angle)));
                        DrawCharacter(screen, picture, centre, y, opacity);
                        break;
                    }
                    case kVerticalEase: {
                        // Drawn from its top row at y, cut at the bottom of the screen's picture.
                        const int32_t y = Eased(StartY(s), EndY(s), static_cast<int32_t>(e * 90ull / d));
                        const int32_t rows = std::clamp(h - y, 0, h);
                        if (picture != nullptr && rows > 0)
                            CDIB32::BltAlphaFade(screen, EndX(s) - w / 2, y, picture, 0, 0, w, rows, opacity);
                        break;
                    }
                    case kRiseAndReturn: {
                        // Drawn at y 0 from source row r: the picture rises by r and comes back.
                        const int32_t r =
                            std::clamp(Eased(StartY(s), EndY(s), static_cast<int32_t>(e * 180ull / d)), 0, h);
                        if (picture != nullptr && h - r > 0)
                            CDIB32::BltAlphaFade(screen, centre - w / 2, 0, picture, 0, r, w, h - r, opacity);
                        break;
                    }
                    default:
                        // A kind the game does not have: the character is put in place.
                        s.state = kFinish;
                        break;
                }
                break;
            }
            case kFinish: {
                const int16_t centre = CentreX(slot);
                DrawCharacter(screen, picture, centre, 0, Opacity(EndOpacity(s)));
                DrawCharacter(g_Layers[0], picture, centre, 0, Opacity(EndOpacity(s)));
                if (EndOpacity(s) == 0 && g_pGameMain != nullptr) {
                    // The character has left.
                    g_pGameMain->charSlotX[slot] = 0;
                    g_pGameMain->charSlotShown[slot] = 0;
                    g_pGameMain->charSlotPicture[slot] = 0;
                }
                s.flags = 0;
                s.state = kStart;
                break;
            }
            case kBobbing:
                DrawCharacter(screen, picture, CentreX(slot), HopY(HopAngle(s, now)), 255);
                break;
            default:
                s.flags = 0;
                s.state = kStart;
                break;
        }
    }
    return true;
}

// ---- Mark slots ------------------------------------------------------------------------------------

namespace {

enum MarkFlag : uint8_t { kMarkRunning = 1, kMarkEnding = 2 };
enum MarkState : uint8_t { kAppearing = 0, kHolding = 1 };

constexpr int32_t kSmallMark = 58;
constexpr int32_t kLargeMark = 116;
constexpr int kWorkLayer = 60;
// The turning mark (kind 30) turns half a turn in this time, over and over.
constexpr uint32_t kTurnMs = 1400;

bool LargeMark(uint8_t kind) {
    return kind == 10 || kind == 15 || kind == 20 || kind == 25 || kind == 30 || kind == 11 || kind == 16;
}

bool FramedMark(uint8_t kind) {
    return kind == 35 || kind == 36 || kind == 40 || kind == 45 || kind == 50;
}

// The part of the sheet a mark kind draws: the 58 x 58 cell, or the 116 x 116 one for the large
// marks, from the sheet's top left (the frames of the stepping kinds side by side from there). The
// sheet's layout is the game's data.
void DrawMark(CDIB32* sheet, int32_t x, int32_t y, int32_t size, uint16_t level, int32_t sx = 0) {
    CDIB32::BltAlphaFade(g_ScreenSurface, x, y, sheet, sx, 0, size, size, level);
}

void DrawMarkStretched(CDIB32* sheet, int32_t x, int32_t y, int32_t w, int32_t h, uint16_t level) {
    if (w > 0 && h > 0)
        CDIB32::BltAlphaFadeEx(g_ScreenSurface, x, y, w, h, sheet, 0, 0, kSmallMark, kSmallMark, level);
}

// The large mark at (x, y) turned by `degrees` about its centre, drawn over the screen through the
// work layer of the turning mark; nothing without that layer.
void DrawTurnedMark(CDIB32* sheet, int32_t x, int32_t y, int32_t degrees) {
    const double r = degrees * std::numbers::pi / 180.0;
    const double cs = std::cos(r), sn = std::sin(r);
    constexpr int32_t half = kLargeMark / 2;
    const POINT src[4] = {{0, 0}, {kLargeMark, 0}, {0, kLargeMark}, {kLargeMark, kLargeMark}};
    POINT dst[4];
    for (int i = 0; i < 4; ++i) {
        const double dx = src[i].x - half, dy = src[i].y - half;
        dst[i] = POINT{x + half + static_cast<int32_t>(std::trunc(dx * cs - dy * sn)),
                       y + half + static_cast<int32_t>(std::trunc(dx * sn + dy * cs))};
    }
    BlendQuadThrough(g_ScreenSurface, g_Layers[kWorkLayer], sheet, src, dst, 255);
}

// Elapsed ms of a phase that restarts every `period` ms, as the angle 0..179 of a half turn.
int32_t HalfTurn(PositionSlot& s, uint32_t now, uint32_t period) {
    const uint32_t d = period == 0 ? 1 : period;
    int32_t angle = static_cast<int32_t>((now - s.startTime) * 180ull / d);
    if (angle >= 180) {
        angle = 0;
        s.startTime = now;
    }
    return angle;
}

} // namespace

bool CScriptMng::AnimateMarkSlots() {
    CDIB32* sheet = g_pScriptUiSurfaces[kUiMarkSheet];
    const uint32_t now = timeGetTime();
    for (PositionSlot& s : m_posSlots) {
        if (s.state == kMarkEnding) {
            s.state = 0;
            ReplaceSurface(g_Layers[kWorkLayer], nullptr);
            continue;
        }
        if (s.state != kMarkRunning)
            continue;
        const uint8_t kind = s.param;
        const int32_t x = s.coords[0], y = s.coords[1], w = s.coords[2], h = s.coords[3];
        const uint32_t e = now - s.startTime;
        if (s.done == kAppearing) {
            // Kind 6 takes three times as long to appear.
            const uint32_t d = kind == 6 ? s.paramWord * 3 : s.paramWord;
            const uint32_t level =
                d == 0 ? 255 : static_cast<uint32_t>(std::min<uint64_t>(e * 255ull / d, 255));
            s.level = static_cast<uint16_t>(level);
            s.elapsed = e;
            const uint32_t shown = std::min(e, d);
            auto part = [&](int32_t size) {
                return d == 0 ? size : static_cast<int32_t>(shown * static_cast<uint64_t>(size) / d);
            };
            if (kind == 0 || kind == 1) {
                const int32_t grow = part(kSmallMark);
                DrawMarkStretched(sheet, x + 29 - grow / 2, y + 29 - grow / 2, w - kSmallMark + grow,
                                  h - kSmallMark + grow, s.level);
            } else if (kind == 5) {
                DrawMark(sheet, x, y + part(16), kSmallMark, s.level);
            } else if (kind == 6) {
                DrawMark(sheet, x,
                         y + std::min(16, d == 0 ? 16 : static_cast<int32_t>(e * 16ull / s.paramWord)),
                         kSmallMark, s.level);
            } else if (kind == 11 || kind == 16) {
                const int32_t t = part(kLargeMark);
                DrawMark(sheet, x + kLargeMark - t, y + kLargeMark - t, kLargeMark, s.level);
            } else if (LargeMark(kind)) {
                DrawMark(sheet, x, y + kLargeMark - part(kLargeMark), kLargeMark, s.level);
            } else if (FramedMark(kind)) {
                DrawMark(sheet, x, y, kSmallMark, kind == 36 ? 255 : s.level);
            } else if (kind == 55) {
                const int32_t t = part(14);
                DrawMark(sheet, x - t, y + t, kSmallMark, s.level);
            }
            if (level >= 255) {
                s.done = kHolding;
                s.level = 255;
                s.startTime = now;
                s.elapsed = 0;
                if (kind == 30) {
                    auto* work = new CDIB32();
                    work->Create(m_hWnd, 800, 600, 32);
                    ReplaceSurface(g_Layers[kWorkLayer], work);
                }
            }
            continue;
        }
        // Holding: the idle animation of the kind.
        if (kind == 0) {
            DrawMarkStretched(sheet, x, y, w, h, 255);
        } else if (kind == 1) {
            const auto p = static_cast<int32_t>(12 * SinDeg(HalfTurn(s, now, s.paramWord)));
            DrawMarkStretched(sheet, x + 6 - p / 2, y + 6 - p / 2, w - 12 + p, h - 12 + p, 255);
        } else if (kind == 5 || kind == 6) {
            DrawMark(sheet, x, y + 16, kSmallMark, 255);
        } else if (LargeMark(kind)) {
            DrawMark(sheet, x, y, kLargeMark, 255);
            DrawMark(sheet, x + 29, y + 29, kSmallMark, 255);
            if (kind == 30)
                DrawTurnedMark(sheet, x, y, HalfTurn(s, now, kTurnMs));
        } else if (FramedMark(kind)) {
            // A frame counter 0, 1, 2, 0 ... steps every 200 ms (150 ms for kind 50, whose level
            // drops by 60 a step).
            const uint32_t step = kind == 50 ? 150 : 200;
            if (now - s.startTime >= step) {
                s.elapsed = (s.elapsed + 1) % 3;
                s.startTime = now;
            }
            const uint16_t level = kind == 50 ? static_cast<uint16_t>(255 - 60 * s.elapsed) : 255;
            DrawMark(sheet, x, y, kSmallMark, level, kSmallMark * static_cast<int32_t>(s.elapsed));
        }
    }
    return true;
}
