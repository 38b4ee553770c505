// The ten sprite slots: the tween from start to end values along an easing curve, the opacity ramp,
// the drawing of a slot (scaled, rotated, faded or blended) and scene 38, which waits for a sprite
// motion to end. RotateBlit, the rotated blit of the clock hands, shares the sprite work surface.
//
// Times are unsigned millisecond differences of the clock. The ramp and the angle follow the clock
// from `fadeStart`, the rectangle from `tweenStart`; a slot is tweened only when it is drawn, so it
// shows the values of the time elapsed whenever it is drawn.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/effect_table.h"
#include "graphics/pixel_effects.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

using kestrel::gfx::Inverse3;
using kestrel::gfx::Level3;

namespace {

constexpr double kPi = 3.14159265358979323846;
// Largest side of the sprite work surface (a rotated slot whose bounds exceed it is not drawn).
constexpr int32_t kMaxWorkSide = 4096;
// The side of the square the work surface is made with, in which RotateBlit works, and the point of
// it about which RotateBlit turns a picture.
constexpr int32_t kRotateSquare = 100;
constexpr int32_t kRotateCentreX = 58;
constexpr int32_t kRotateCentreY = 54;

double SinDegF(double degrees) {
    return std::sin(degrees * kPi / 180.0);
}

// A level of 0..256 as the blend weight of the packed-level blits, which hold 0..255 per byte.
uint32_t PackedLevel(int32_t alpha) {
    return static_cast<uint32_t>(std::clamp(alpha, 0, 255));
}

// A picture without alpha mapped into the quadrilateral `dst` of `target` at opacity `alpha` (0..256):
// the picture weighs alpha / 256 and what lies under it (256 − alpha) / 256.
void BlendQuadAt(CDIB32* target, CDIB32* picture, const POINT src[4], const POINT dst[4], int32_t alpha) {
    const uint32_t level = PackedLevel(alpha);
    if (level > 0)
        target->BltQuadDRaw(picture, src, dst, Level3(256 - level), Level3(level), nullptr, 0);
}

bool Has32BitAlpha(const CDIB32* picture) {
    return picture->GetMember2() == 32;
}

// One rectangle field moved from s towards e by the factor f (truncated toward zero), never past e.
int16_t Ease(int16_t s, int16_t e, double f) {
    const int64_t v = static_cast<int64_t>(s) + static_cast<int64_t>(std::trunc(f * (e - s)));
    if (s < e)
        return static_cast<int16_t>(std::min<int64_t>(v, e));
    return static_cast<int16_t>(std::max<int64_t>(v, e));
}

// The linear step in integers: s ± |e − s| × t / (span + 1), t already at most span + 1.
int16_t Linear(int16_t s, int16_t e, uint64_t t, uint64_t span) {
    const uint64_t step = static_cast<uint64_t>(std::abs(e - s)) * t / (span + 1);
    const int64_t v = s < e ? s + static_cast<int64_t>(step) : s - static_cast<int64_t>(step);
    if (s < e)
        return static_cast<int16_t>(std::min<int64_t>(v, e));
    return static_cast<int16_t>(std::max<int64_t>(v, e));
}

// The screen corners of a rotated slot (top-left, top-right, bottom-left, bottom-right of its
// source rectangle); false for an empty source rectangle.
bool RotatedCorners(const SpriteSlot& sp, POINT src[4], POINT dst[4]) {
    const SpriteRect& c = sp.cur;
    if (c.sw == 0 || c.sh == 0)
        return false;
    const int32_t sx = c.sx, sy = c.sy, sw = c.sw, sh = c.sh;
    const POINT corners[4] = {{sx, sy}, {sx + sw, sy}, {sx, sy + sh}, {sx + sw, sy + sh}};
    const int32_t cx = (2 * sx + sw) / 2, cy = (2 * sy + sh) / 2;
    const double r = static_cast<double>(sp.angle) * kPi / 180.0;
    const double cs = std::cos(r), sn = std::sin(r);
    for (int i = 0; i < 4; ++i) {
        const int32_t dx = (corners[i].x - cx) * c.w / sw;
        const int32_t dy = (corners[i].y - cy) * c.h / sh;
        src[i] = corners[i];
        dst[i] = POINT{c.x + static_cast<int32_t>(std::trunc(dx * cs - dy * sn)),
                       c.y + static_cast<int32_t>(std::trunc(dx * sn + dy * cs))};
    }
    return true;
}

// The work surface, at least width × height (it grows, and never shrinks below 100 × 100).
CDIB32* WorkSurface(int32_t width, int32_t height) {
    CDIB32*& work = g_pSpriteSurfaces[kSpriteWorkSurface];
    if (work != nullptr && work->GetWidth() >= width && work->GetHeight() >= height)
        return work;
    auto* grown = new CDIB32();
    const int32_t w = std::max({width, work != nullptr ? work->GetWidth() : 0, kRotateSquare});
    const int32_t h = std::max({height, work != nullptr ? work->GetHeight() : 0, kRotateSquare});
    if (!grown->Create(nullptr, static_cast<uint16_t>(w), static_cast<uint16_t>(h), 24)) {
        delete grown;
        return nullptr;
    }
    ReplaceSurface(work, grown);
    return work;
}

// The bounding box of a quadrilateral's corners, right and bottom inclusive.
RECT QuadBox(const POINT dst[4]) {
    RECT box{dst[0].x, dst[0].y, dst[0].x, dst[0].y};
    for (int i = 1; i < 4; ++i) {
        box.left = std::min(box.left, static_cast<int32_t>(dst[i].x));
        box.top = std::min(box.top, static_cast<int32_t>(dst[i].y));
        box.right = std::max(box.right, static_cast<int32_t>(dst[i].x));
        box.bottom = std::max(box.bottom, static_cast<int32_t>(dst[i].y));
    }
    return box;
}

// BlendQuadThrough with the sprite work surface, grown to the quadrilateral's bounding box, so that
// pictures anywhere on the screen and larger than 100 × 100 come out whole.
void QuadThroughWork(CDIB32* target, CDIB32* picture, const POINT src[4], const POINT dst[4],
                     uint32_t level) {
    const RECT box = QuadBox(dst);
    const int32_t w = box.right - box.left + 1, h = box.bottom - box.top + 1;
    if (w > kMaxWorkSide || h > kMaxWorkSide)
        return;
    BlendQuadThrough(target, WorkSurface(w, h), picture, src, dst, level);
}

bool CtrlHeld() {
    return g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
}

} // namespace

void BlendQuadThrough(CDIB32* target, CDIB32* work, CDIB32* picture, const POINT src[4], const POINT dst[4],
                      uint32_t level) {
    if (target == nullptr || work == nullptr || picture == nullptr)
        return;
    const RECT corners = QuadBox(dst);
    const int32_t w = corners.right - corners.left + 1, h = corners.bottom - corners.top + 1;
    if (w > work->GetWidth() || h > work->GetHeight())
        return;
    const RECT box{0, 0, w, h};
    work->Fill(0xFFFFFFFFu, &box);
    POINT local[4];
    for (int i = 0; i < 4; ++i)
        local[i] = POINT{dst[i].x - corners.left, dst[i].y - corners.top};
    work->BltQuadBRaw(picture, src, local, nullptr, 0);
    target->BltAlphaLevelRaw(work, corners.left, corners.top, Inverse3(level), Level3(level), &box, nullptr,
                             nullptr);
}

bool RotateBlit(CDIB32* dst, int32_t x, int32_t y, CDIB32* src, int32_t angleDeg) {
    CDIB32* work = g_pSpriteSurfaces[kSpriteWorkSurface];
    if (dst == nullptr || src == nullptr || work == nullptr || src->GetWidth() <= 0)
        return true;
    // Only the square the work surface is made with: a rotated sprite may have grown it, and what
    // reaches past the square (a long clock hand) is cut there whatever played before.
    const RECT square{0, 0, kRotateSquare, kRotateSquare};
    work->Fill(0xFFFFFFFFu, &square);
    const int32_t w = src->GetWidth(), h = src->GetHeight();
    const POINT corners[4] = {{0, 0}, {w, 0}, {0, h}, {w, h}};
    const int32_t cx = (w + 1) / 2, cy = (h + 1) / 2;
    const double r = angleDeg * kPi / 180.0;
    const double cs = std::cos(r), sn = std::sin(r);
    POINT mapped[4];
    for (int i = 0; i < 4; ++i) {
        const double dx = corners[i].x - cx, dy = corners[i].y - cy;
        mapped[i] = POINT{kRotateCentreX + static_cast<int32_t>(std::trunc(dx * cs - dy * sn)),
                          kRotateCentreY + static_cast<int32_t>(std::trunc(dx * sn + dy * cs))};
    }
    work->BltQuadBRaw(src, corners, mapped, nullptr, 0);
    dst->BltAlphaLevelRaw(work, x, y, Inverse3(255), Level3(255), &square, nullptr, nullptr);
    return true;
}

bool CScriptMng::UpdateSpriteTween(int slot) {
    if (slot < 0 || slot >= kScriptSpriteSlots)
        return false;
    SpriteSlot& sp = m_sprites[slot];
    const uint32_t now = timeGetTime();
    if (now - sp.delayBase >= sp.delayMs && sp.started == 0) {
        sp.started = 1;
        sp.tweenStart = now;
        sp.fadeStart = now;
        return true;
    }
    const uint64_t t1 = now - sp.tweenStart;
    const uint64_t t2 = now - sp.fadeStart;

    if (sp.fadeOn != 0) {
        // The ramp runs the sine from the start to the end angle. Past its length the opacity is the
        // sine of both angles added, times the end value: a ramp ending at 180 degrees hides the slot.
        double a = 0;
        if (t2 > sp.fadeMs) {
            a = SinDegF(static_cast<double>(sp.fadeAngleEnd) + static_cast<double>(sp.fadeAngleStart)) *
                sp.fadeTo;
        } else {
            const int64_t span =
                static_cast<int64_t>(sp.fadeAngleEnd) - static_cast<int64_t>(sp.fadeAngleStart);
            int64_t d = span * static_cast<int64_t>(t2) / (static_cast<int64_t>(sp.fadeMs) + 1);
            if ((span >= 0 && d > span) || (span < 0 && d < span))
                d = span;
            a = std::fabs(SinDegF(static_cast<double>(sp.fadeAngleStart) + static_cast<double>(d)) *
                          (sp.fadeTo - sp.fadeFrom)) +
                sp.fadeFrom;
        }
        // Kept to the opacity range the drawing reads: a ramp whose ends lie outside 0..256 would
        // otherwise overflow the 16-bit field, or hand the scaled blits a level that multiplies the
        // picture's light beyond its own colours.
        sp.alpha =
            static_cast<int16_t>(std::clamp(static_cast<int64_t>(std::trunc(a)), int64_t{0}, int64_t{256}));
    }
    if (sp.tweenMs == 0)
        return true;

    if (sp.angleFixed != 0) {
        sp.angle = sp.angleFixed;
    } else {
        const int64_t turn = (static_cast<int64_t>(sp.angleEnd) - static_cast<int64_t>(sp.angleStart)) *
                                 static_cast<int64_t>(std::min<uint64_t>(t2, uint64_t{1} << 32)) /
                                 static_cast<int64_t>(sp.tweenMs) +
                             static_cast<int64_t>(sp.angleStart);
        sp.angle = static_cast<uint32_t>(((turn % 360) + 360) % 360);
    }

    const uint64_t span = sp.tweenMs;
    const uint64_t t = std::min<uint64_t>(t1, span + 1);
    const uint64_t curveSpan = sp.curveSpan;
    const int32_t a = static_cast<int32_t>(std::min<uint64_t>(curveSpan * t / (span + 1), curveSpan));
    const int32_t b = static_cast<int32_t>(std::min<uint64_t>(90 * t / (span + 1), 90));
    const int32_t a10 = static_cast<int32_t>(std::min<uint64_t>(curveSpan * t / span, curveSpan));
    const uint8_t curve = sp.curve;
    if ((curve >= 1 && curve <= 4) || curve == 10 || curve == 11) {
        if (a == 0)
            return true;
    } else if ((curve == 5 || curve == 6) && b == 0) {
        return true;
    }
    double f = 0;
    switch (curve) {
        case 1:
            f = SinDeg(a);
            break;
        case 2:
            f = SinDeg(a + 90);
            break;
        case 3:
            f = std::log10(9 * SinDeg(a) + 1);
            break;
        case 4:
            f = 1 - std::log10(9 * SinDeg(a + 90) + 1);
            break;
        case 5:
            f = SinDeg(b + 90) * SinDegF(2.0 * a);
            break;
        case 6:
            f = SinDeg(b) * SinDegF(2.0 * a);
            break;
        default:
            break;
    }
    const bool eased = curve >= 1 && curve <= 6;
    // The fields in the order of the tween: x, sx, y, sy, w, sw, h, sh. Curve 10 eases x and w,
    // curve 11 y and h; their other fields, and every field of the other curves, go linearly.
    int16_t SpriteRect::*const fields[8] = {&SpriteRect::x, &SpriteRect::sx, &SpriteRect::y, &SpriteRect::sy,
                                            &SpriteRect::w, &SpriteRect::sw, &SpriteRect::h, &SpriteRect::sh};
    for (int16_t SpriteRect::*field : fields) {
        const int16_t s = sp.start.*field, e = sp.end.*field;
        if (s == e)
            continue;
        if (eased)
            sp.cur.*field = Ease(s, e, f);
        else if (curve == 10 && (field == &SpriteRect::x || field == &SpriteRect::w))
            sp.cur.*field = Ease(s, e, SinDeg(a10));
        else if (curve == 11 && (field == &SpriteRect::y || field == &SpriteRect::h))
            sp.cur.*field = Ease(s, e, SinDeg(a));
        else
            sp.cur.*field = Linear(s, e, t, span);
    }
    return true;
}

bool CScriptMng::DrawSpriteSlot(int slot) {
    if (slot < 0 || slot >= kScriptSpriteSlots)
        return true;
    CDIB32* picture = g_pSpriteSurfaces[slot];
    if (picture == nullptr)
        return true;
    UpdateSpriteTween(slot);
    SpriteSlot& sp = m_sprites[slot];
    if (sp.started == 0 || sp.alpha < 1)
        return true;
    CDIB32* target = (m_screenFxKind == 10 || m_slotMaskNo != 0) ? g_Layers[1] : g_ScreenSurface;
    const SpriteRect& c = sp.cur;
    const uint16_t alpha = static_cast<uint16_t>(sp.alpha);
    POINT src[4], dst[4];

    if (Has32BitAlpha(picture)) {
        if (sp.curve == 20) {
            BltStretchLevel(target, c.x, c.y, c.w, c.h, picture, c.sx, c.sy, c.sw, c.sh, alpha);
        } else if (sp.angleStart != 0) {
            if (target != nullptr && RotatedCorners(sp, src, dst))
                QuadThroughWork(target, picture, src, dst, PackedLevel(sp.alpha));
        } else if (m_screenFxKind == 12) {
            BltStretchLevel(g_ScreenSurface, c.x, c.y, c.w, c.h, picture, c.sx, c.sy, c.sw, c.sh, alpha);
        } else if (m_screenFxKind == 11) {
            BltStretchLevel(g_Layers[1], c.x, c.y, c.w, c.h, picture, c.sx, c.sy, c.sw, c.sh, alpha);
        } else {
            CDIB32* to = m_screenFxKind == 10 ? g_Layers[1] : target;
            CDIB32::BltAlphaFadeEx(to, c.x, c.y, c.w, c.h, picture, c.sx, c.sy, c.sw, c.sh,
                                   static_cast<uint16_t>(alpha - 1));
        }
        return true;
    }
    if (sp.curve == 20) {
        BltStretch(target, c.x, c.y, c.w, c.h, picture, c.sx, c.sy, c.sw, c.sh, alpha);
    } else if (sp.curve == 21) {
        if (m_screenFxKind == 10)
            BltStretch(g_Layers[1], c.x, c.y, c.w, c.h, picture, c.sx, c.sy, c.sw, c.sh, alpha);
        else
            BltMultiply(target, c.x, c.y, picture, c.sx, c.sy, c.sw, c.sh, alpha);
    } else if (sp.angleStart != 0) {
        if (target != nullptr && RotatedCorners(sp, src, dst))
            BlendQuadAt(target, picture, src, dst, sp.alpha);
    } else {
        CDIB32::BltFade(target, c.x, c.y, c.w, c.h, picture, 0, c.sx, c.sy, c.sw, c.sh, alpha);
    }
    return true;
}

bool CScriptMng::StampSpriteSlot(int slot, CDIB32* target) {
    if (slot < 0 || slot >= kScriptSpriteSlots || target == nullptr)
        return true;
    CDIB32* picture = g_pSpriteSurfaces[slot];
    if (picture == nullptr)
        return true;
    // The corners where the slot is shown: about its centre when it is rotated, else its
    // destination rectangle from the top-left corner.
    const SpriteSlot& sp = m_sprites[slot];
    const SpriteRect& c = sp.cur;
    POINT src[4], dst[4];
    if (sp.angleStart != 0) {
        if (!RotatedCorners(sp, src, dst))
            return true;
    } else {
        if (c.sw == 0 || c.sh == 0 || c.w == 0 || c.h == 0)
            return true;
        const POINT s[4] = {
            {c.sx, c.sy}, {c.sx + c.sw, c.sy}, {c.sx, c.sy + c.sh}, {c.sx + c.sw, c.sy + c.sh}};
        const POINT d[4] = {{c.x, c.y}, {c.x + c.w, c.y}, {c.x, c.y + c.h}, {c.x + c.w, c.y + c.h}};
        std::copy(s, s + 4, src);
        std::copy(d, d + 4, dst);
    }
    if (Has32BitAlpha(picture)) {
        QuadThroughWork(target, picture, src, dst, 255);
    } else {
        BlendQuadAt(target, picture, src, dst, sp.alpha);
    }
    return true;
}

// Scene 38: the mode lasts m_spriteAnimMs from the restart; Ctrl, the effects option, SKIP or a click
// puts every loaded slot at its end values at once.
bool CScriptMng::ModeSpriteAnim() {
    if (m_msgStep != 0) {
        m_msgStep = 0;
        SetScene(kSceneScript);
        return true;
    }
    const uint32_t now = timeGetTime();
    if (now - m_spriteAnimStart >= m_spriteAnimMs)
        m_msgStep = 1;
    const bool skip = CtrlHeld() || g_SystemData.effectsOff != 0 || m_skipRead != 0;
    const bool click = g_pMouse != nullptr && g_pMouse->state.left != 0;
    if (!skip && !click)
        return true;
    if (click)
        g_pMouse->state.left = 0;

    int first = -1;
    RECT u{};
    for (int slot = 0; slot < kScriptSpriteSlots; ++slot) {
        if (g_pSpriteSurfaces[slot] == nullptr)
            continue;
        const SpriteRect& c = m_sprites[slot].cur;
        const RECT r{c.x, c.y, c.x + c.w, c.y + c.h};
        if (first < 0) {
            first = slot;
            u = r;
            m_spriteRect = r;
        } else if (m_sprites[slot].started != 0) {
            u = RECT{std::min(u.left, r.left), std::min(u.top, r.top), std::max(u.right, r.right),
                     std::max(u.bottom, r.bottom)};
        }
    }
    if (first >= 0) {
        // Cut to the screen, so that the whole area the slots covered is restored from layer 0.
        u = RECT{std::max(u.left, 0), std::max(u.top, 0), std::min(u.right, kScreenWidth),
                 std::min(u.bottom, kScreenHeight)};
        if (g_pGameMain != nullptr)
            g_pGameMain->fullRect = u;
        if (u.right > u.left && u.bottom > u.top)
            kestrel::fx::CopyClipped(g_ScreenSurface, u.left, u.top, g_Layers[0], u.left, u.top,
                                     u.right - u.left, u.bottom - u.top);
    }
    for (int slot = 0; slot < kScriptSpriteSlots; ++slot) {
        if (g_pSpriteSurfaces[slot] == nullptr)
            continue;
        SpriteSlot& sp = m_sprites[slot];
        sp.cur = sp.end;
        sp.tweenMs = 0;
        // The ramp and the angle end with the rectangle: a skipped fade-in shows its end opacity.
        if (sp.angleFixed == 0 && sp.angleStart != 0)
            sp.angle = sp.angleEnd % 360;
        sp.fadeStart = now - sp.fadeMs - 1;
    }
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, kScreenWidth, kScreenHeight};
    m_msgStep = 1;
    return true;
}

bool CScriptMng::DrawSpriteAnimFrame() {
    CDIB32* screen = g_ScreenSurface;
    if (screen == nullptr)
        return true;
    // The union of the visible slots, from slot 0's rectangle, cut to the screen.
    auto rectOf = [this](int slot) {
        const SpriteRect& c = m_sprites[slot].cur;
        return RECT{c.x, c.y, c.x + c.w, c.y + c.h};
    };
    RECT u = rectOf(0);
    bool rotated = false;
    for (int slot = 0; slot < kScriptSpriteSlots; ++slot) {
        rotated = rotated || m_sprites[slot].angleStart != 0;
        if (g_pSpriteSurfaces[slot] == nullptr || m_sprites[slot].started == 0)
            continue;
        const RECT r = rectOf(slot);
        u = RECT{std::min(u.left, r.left), std::min(u.top, r.top), std::max(u.right, r.right),
                 std::max(u.bottom, r.bottom)};
    }
    u = RECT{std::max(u.left, 0), std::max(u.top, 0), std::min(u.right, kScreenWidth),
             std::min(u.bottom, kScreenHeight)};
    m_spriteRect = rectOf(0);
    // The area restored from layer 0 also takes in what the slots covered in the last frame, so that
    // a moving slot leaves no trail.
    RECT restore = u;
    const RECT& last = m_spriteDrawn;
    if (last.right > last.left && last.bottom > last.top)
        restore = RECT{std::min(u.left, last.left), std::min(u.top, last.top), std::max(u.right, last.right),
                       std::max(u.bottom, last.bottom)};
    m_spriteDrawn = u;
    if (rotated)
        kestrel::fx::CopyClipped(screen, 0, 0, g_Layers[0], 0, 0, kScreenWidth, kScreenHeight);
    else if (!(m_screenFxOn != 0 && m_screenFxKind == 10) && m_slotMaskNo == 0 &&
             restore.right > restore.left && restore.bottom > restore.top)
        kestrel::fx::CopyClipped(screen, restore.left, restore.top, g_Layers[0], restore.left, restore.top,
                                 restore.right - restore.left, restore.bottom - restore.top);
    for (int slot = 0; slot < kScriptSpriteSlots; ++slot)
        DrawSpriteSlot(slot);
    if (m_slotMaskNo != 0 && g_Layers[1] != nullptr && g_Layers[0] != nullptr)
        DrawEffect(40, screen, g_Layers[1], g_Layers[0], 0, 0, 0, 0, kScreenWidth, kScreenHeight,
                   m_sprites[0].alpha, 0);
    if (m_screenFxOn != 0 && m_screenFxKind == 10 && g_Layers[1] != nullptr) {
        const double a = static_cast<double>(m_screenFxAngle) * kPi / 180.0;
        const double cs = std::cos(a), sn = std::sin(a);
        const POINT src[4] = {{0, 0}, {800, 0}, {0, 600}, {800, 600}};
        POINT dst[4];
        for (int i = 0; i < 4; ++i) {
            const int32_t x = (src[i].x - 400) * 960 / 800, y = (src[i].y - 300) * 720 / 600;
            dst[i] = POINT{static_cast<int32_t>(std::trunc(x * cs - y * sn + 350)),
                           static_cast<int32_t>(std::trunc(x * sn + y * cs + 350))};
        }
        screen->BltQuadDRaw(g_Layers[1], src, dst, 0, 0xFFFFFF, nullptr, 0);
        g_Layers[1]->Fill(0xFFFFFFFFu, nullptr);
    }
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, kScreenWidth, kScreenHeight};
    return true;
}
