// The picture commands: backgrounds and the ten script layers, standing characters and their faces,
// the sprite slots, and the parameters of the screen effects and presentation modes that the mode
// steps run frame by frame.
//
// Layer, character, sprite and slot numbers come from the script unchecked: a number outside its
// table (layers 0..9, characters 0..14, sprites 0..9, position and motion slots 0..4) makes the
// command do nothing but go on. A picture that cannot be loaded leaves its slot empty.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "screens/system_data.h"
#include "script/event_cg.h"
#include "script/script_command.h"
#include "script/script_mng.h"

using namespace kestrel::script;

CDIB32* g_OverlaySurface = nullptr;

namespace {

// The face rectangle inside a character picture: x, y, width, height (every slot uses entry 0 of
// the layout table). Face sheets hold cells of its size, five to a row.
constexpr int16_t kFaceRect[4] = {174, 146, 40, 43};
// Largest side of a layer that op 26 makes.
constexpr int32_t kMaxLayerSide = 4096;

bool ValidLayer(uint32_t layer) {
    return layer < static_cast<uint32_t>(kScriptLayerCount);
}
bool ValidChar(uint32_t slot) {
    return slot < static_cast<uint32_t>(kScriptCharSlots);
}
bool ValidSprite(int32_t slot) {
    return slot >= 0 && slot < kScriptSpriteSlots;
}

int16_t Low(uint32_t word) {
    return static_cast<int16_t>(word & 0xFFFF);
}
int16_t High(uint32_t word) {
    return static_cast<int16_t>(word >> 16);
}

// The picture name that follows the fixed part, as a string (its length is byte 3).
std::string PictureName(const uint8_t* cmd) {
    const char* text = TrailingText(cmd);
    return std::string(text, strnlen(text, B3(cmd)));
}

// A picture loaded by name; null when it cannot be read.
CDIB32* LoadOrNull(HWND hWnd, const std::string& name) {
    auto* surface = new CDIB32();
    if (!surface->Load(hWnd, name.c_str()) || surface->GetWidth() <= 0) {
        delete surface;
        return nullptr;
    }
    return surface;
}

// A copy of `src` of its own size; null for a null or empty source.
CDIB32* CopyOf(HWND hWnd, CDIB32* src) {
    if (src == nullptr || src->GetWidth() <= 0)
        return nullptr;
    auto* copy = new CDIB32();
    if (!copy->Create(hWnd, static_cast<uint16_t>(src->GetWidth()), static_cast<uint16_t>(src->GetHeight()),
                      24)) {
        delete copy;
        return nullptr;
    }
    CDIB32::Blt(copy, 0, 0, src, 0, 0, src->GetWidth(), src->GetHeight());
    return copy;
}

void SetName(char (&field)[kNameLength], const std::string& name) {
    std::memset(field, 0, sizeof field);
    CopyGameText(field, sizeof field, name.c_str());
}

// Clears the placement of character slot `slot` in the application object; its picture name too
// when `withName`.
void ClearCharRecord(CGameMain& game, int slot, bool withName) {
    if (withName)
        std::memset(game.charBasePictureNames[slot], 0, kNameLength);
    game.charSlotX[slot] = 0;
    game.charSlotY[slot] = 0;
    game.charSlotShown[slot] = 0;
    game.charSlotPicture[slot] = 0;
}

void ClearCharRecords(int count, bool withName) {
    if (g_pGameMain == nullptr)
        return;
    for (int slot = 0; slot < count; ++slot)
        ClearCharRecord(*g_pGameMain, slot, withName);
}

void DeleteSpritePictures() {
    for (int slot = 0; slot < kScriptSpriteSlots; ++slot)
        ReplaceSurface(g_pSpriteSurfaces[slot], nullptr);
}

void SetFullRect() {
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, kScreenWidth, kScreenHeight};
}

bool CtrlHeld() {
    return g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
}

// The rectangle fields of a command: x, y, w, h, sx, sy, sw, sh from the four words at 4, 8, 12, 16.
SpriteRect ReadSpriteRect(const uint8_t* cmd) {
    SpriteRect r;
    r.x = Low(D(cmd, 4));
    r.y = High(D(cmd, 4));
    r.w = Low(D(cmd, 8));
    r.h = High(D(cmd, 8));
    r.sx = Low(D(cmd, 12));
    r.sy = High(D(cmd, 12));
    r.sw = Low(D(cmd, 16));
    r.sh = High(D(cmd, 16));
    return r;
}

// The rule mask that op 66's selector names: 1..20 "bmp\mask01.bmp".."bmp\mask20.bmp", 21..28
// "bmp\mask30.bmp".."bmp\mask37.bmp"; empty for any other value.
std::string SlotMaskName(uint8_t selector) {
    int number = 0;
    if (selector >= 1 && selector <= 20)
        number = selector;
    else if (selector >= 21 && selector <= 28)
        number = selector - 21 + 30;
    if (number == 0)
        return {};
    char name[32];
    std::snprintf(name, sizeof name, "bmp\\mask%02d.bmp", number);
    return name;
}

} // namespace

CDIB32* LoadFaceSheet(HWND hWnd, const std::string& charPath) {
    const size_t dot = charPath.rfind('.');
    return LoadOrNull(hWnd, (dot == std::string::npos ? charPath : charPath.substr(0, dot)) + "_face.bmp");
}

CDIB32* BlankScreen(HWND hWnd, uint32_t colour) {
    auto* surface = new CDIB32();
    surface->Create(hWnd, kScreenWidth, kScreenHeight, 24);
    if ((colour & 0xFFFFFFu) != 0)
        surface->Fill(colour & 0xFFFFFFu, nullptr);
    return surface;
}

void TintLayer(HWND hWnd, CDIB32* layer, uint32_t colour) {
    CDIB32 tint;
    if (layer == nullptr || !tint.Create(hWnd, kScreenWidth, kScreenHeight, 24))
        return;
    tint.Fill(colour & 0xFFFFFFu, nullptr);
    CDIB32::BltFade(layer, 0, 0, kScreenWidth, kScreenHeight, &tint, 0, 0, 0, kScreenWidth, kScreenHeight,
                    static_cast<uint16_t>(colour >> 24));
}

// ---- Pictures and layers -------------------------------------------------------------------------

// Ops 15 and 16: a picture into a layer. Op 16 is the investigation form: it keeps the character
// names, deletes the sprite pictures, shows the clock and marks no event picture seen.
static void LoadLayerPicture(CScriptMng& s, const uint8_t* cmd, bool investigation) {
    const uint8_t layer = B2(cmd);
    const std::string name = PictureName(cmd);
    ClearCharRecords(kScriptCharSlots, !investigation);
    if (g_pGameMain != nullptr)
        g_pGameMain->ClearSpriteRecords();
    if (investigation)
        DeleteSpritePictures();
    s.m_clockShown = investigation ? 1 : 0;
    s.m_transFlag = 0;
    s.m_layerFadeFlag = 0;
    s.m_bgRestored = 0;
    if (!ValidLayer(layer))
        return;
    if (g_pGameMain != nullptr)
        SetName(g_pGameMain->layerPictureNames[layer], name);
    if (!investigation) {
        const int seen = FindEventCg(name.c_str());
        if (seen >= 0)
            g_SystemData.cgSeen[seen] = 1;
    }
    // A picture that cannot be read leaves a black layer, so that nothing of the previous picture
    // stays on screen.
    CDIB32* picture = LoadOrNull(s.m_hWnd, name);
    if (picture == nullptr)
        picture = BlankScreen(s.m_hWnd, 0);
    ReplaceSurface(g_Layers[layer], picture);
    if (layer == 1) {
        ReplaceSurface(g_Layer1Backup[0], CopyOf(s.m_hWnd, picture));
        ReplaceSurface(g_Layer1Backup[1], ScreenCopy(s.m_hWnd, picture));
    }
}

uint8_t* CScriptMng::OpLoadBg(uint8_t* cmd) {
    LoadLayerPicture(*this, cmd, false);
    SetScene(kSceneScript);
    return Next(cmd, B3(cmd));
}

uint8_t* CScriptMng::OpLoadLayer(uint8_t* cmd) {
    LoadLayerPicture(*this, cmd, true);
    SetScene(kSceneScript);
    return Next(cmd, B3(cmd));
}

uint8_t* CScriptMng::OpRestoreBg(uint8_t* cmd) {
    const uint16_t mode = static_cast<uint16_t>(D(cmd, 4) >> 16);
    if (g_Layer1Backup[0] == nullptr) {
        // Nothing to restore from: the box, then the clearing below as usual.
        ShowMessage("backupがＮＵＬＬです", "CHECK");
    } else if (mode == 1) {
        const char* name = g_pGameMain != nullptr ? g_pGameMain->layerPictureNames[1] : "";
        if (CDIB32* picture = LoadOrNull(m_hWnd, std::string(name, strnlen(name, kNameLength))))
            ReplaceSurface(g_Layer1Backup[0], picture);
        kestrel::fx::CopyClipped(g_Layers[0], 0, 0, g_Layer1Backup[0], 0, 0, kScreenWidth, kScreenHeight);
        kestrel::fx::CopyClipped(g_ScreenSurface, 0, 0, g_Layer1Backup[0], 0, 0, kScreenWidth, kScreenHeight);
    } else {
        ReplaceSurface(g_Layers[1], CopyOf(m_hWnd, g_Layer1Backup[0]));
    }
    ClearCharRecords(10, true);
    DeleteSpritePictures();
    m_transFlag = 1;
    m_bgRestored = 1;
    m_tintColour = 0;
    m_tintFlag = 0;
    SetFullRect();
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpLoadCharBase(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    const std::string name = PictureName(cmd);
    if (ValidChar(slot)) {
        if (g_pGameMain != nullptr) {
            ClearCharRecord(*g_pGameMain, slot, true);
            SetName(g_pGameMain->charBasePictureNames[slot], name);
        }
        const std::string path = "chara\\" + name;
        ReplaceSurface(g_pCharBaseSurfaces[slot], LoadOrNull(m_hWnd, path));
        ReplaceSurface(g_FaceSurfaces[slot], LoadFaceSheet(m_hWnd, path));
    }
    SetScene(kSceneScript);
    return Next(cmd, B3(cmd));
}

uint8_t* CScriptMng::OpSetScrCharSet(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    const int16_t x = Low(D(cmd, 4));
    const int16_t y = High(D(cmd, 4));
    SetScene(kSceneScript);
    if (!ValidChar(slot) || g_pCharBaseSurfaces[slot] == nullptr) {
        ShowMessage("Not Base", "Error");
        return Next(cmd);
    }
    if (g_Layers[1] == nullptr) {
        ShowMessage("Not cdib[1]", "Error:SetScrCharSet");
        return Next(cmd);
    }
    m_charSetX = x;
    m_charSetY = y;
    if (g_pGameMain != nullptr) {
        g_pGameMain->charSlotX[slot] = static_cast<uint16_t>(x);
        g_pGameMain->charSlotShown[slot] = 1;
        g_pGameMain->charSlotPicture[slot] = B3(cmd);
    }
    CDIB32* base = g_pCharBaseSurfaces[slot];
    g_Layers[1]->BltColorKeyRaw(base, x - base->GetWidth() / 2, y, nullptr, nullptr, nullptr);
    return Next(cmd);
}

uint8_t* CScriptMng::OpBlankLayer(uint8_t* cmd) {
    const uint8_t layer = B2(cmd);
    const uint32_t colour = D(cmd, 4);
    SetScene(kSceneScript);
    if (ValidLayer(layer)) {
        m_blankColour = colour;
        ReplaceSurface(g_Layers[layer], BlankScreen(m_hWnd, colour));
        if (layer == 1)
            ReplaceSurface(g_Layer1Backup[0], CopyOf(m_hWnd, g_Layers[1]));
        if (g_pGameMain != nullptr) {
            std::memset(g_pGameMain->layerPictureNames[layer], 0, kNameLength);
            g_pGameMain->layerPictureNames[layer][0] = 1;
        }
    }
    ClearCharRecords(kScriptCharSlots, false);
    if (g_pGameMain != nullptr)
        g_pGameMain->ClearSpriteRecords();
    m_clockShown = 0;
    m_transFlag = 0;
    m_layerFadeFlag = 0;
    m_bgRestored = 0;
    m_tintColour = 0;
    m_tintFlag = 0;
    SetFullRect();
    return Next(cmd);
}

uint8_t* CScriptMng::OpFillLayer(uint8_t* cmd) {
    SetScene(kSceneScript);
    CDIB32* layer1 = g_Layers[1];
    if (layer1 == nullptr)
        return Next(cmd);
    // Bytes 4..7 are amount, red, green, blue: read backwards they make the pixel word 0xAARRGGBB.
    const uint32_t colour = (static_cast<uint32_t>(cmd[4]) << 24) | (static_cast<uint32_t>(cmd[5]) << 16) |
                            (static_cast<uint32_t>(cmd[6]) << 8) | cmd[7];
    m_tintColour = colour;
    TintLayer(m_hWnd, layer1, colour);
    return Next(cmd);
}

uint8_t* CScriptMng::OpBlitLayer(uint8_t* cmd) {
    const uint8_t target = B2(cmd), source = cmd[8];
    SetScene(kSceneScript);
    if (ValidLayer(target) && ValidLayer(source))
        kestrel::fx::CopyClipped(g_Layers[target], Low(D(cmd, 4)), High(D(cmd, 4)), g_Layers[source],
                                 Low(D(cmd, 12)), High(D(cmd, 12)), Low(D(cmd, 16)), High(D(cmd, 16)));
    return Next(cmd);
}

uint8_t* CScriptMng::OpCreateLayer(uint8_t* cmd) {
    const uint8_t layer = B2(cmd);
    const int32_t width = static_cast<uint16_t>(D(cmd, 4)), height = static_cast<uint16_t>(D(cmd, 4) >> 16);
    SetScene(kSceneScript);
    if (!ValidLayer(layer) || width <= 0 || height <= 0 || width > kMaxLayerSide || height > kMaxLayerSide)
        return Next(cmd);
    auto* surface = new CDIB32();
    surface->Create(m_hWnd, static_cast<uint16_t>(width), static_cast<uint16_t>(height), 24);
    ReplaceSurface(g_Layers[layer], surface);
    return Next(cmd);
}

uint8_t* CScriptMng::OpResetLayer(uint8_t* cmd) {
    const uint8_t layer = B2(cmd);
    SetScene(kSceneScript);
    if (ValidLayer(layer)) {
        CDIB32* copy = ScreenCopy(m_hWnd, g_Layer1Backup[0]);
        if (CDIB32* parts = g_pScriptUiSurfaces[kUiParts3])
            copy->BltColorKeyRaw(parts, 0, 0, nullptr, nullptr, nullptr);
        ReplaceSurface(g_Layers[layer], copy);
    }
    m_transFlag = 0;
    m_hudInfoRow = 0;
    m_bgRestored = 0;
    m_tintFlag = 1;
    m_tintColour = 0;
    return Next(cmd);
}

uint8_t* CScriptMng::OpRebuildLayers(uint8_t* cmd) {
    SetScene(kSceneScript);
    CDIB32* layer1 = g_Layers[1];
    // Left, top, right, bottom, cut to layer 1; an empty rectangle changes nothing.
    int32_t left = static_cast<uint16_t>(D(cmd, 4)), top = static_cast<uint16_t>(D(cmd, 4) >> 16);
    int32_t right = static_cast<uint16_t>(D(cmd, 8)), bottom = static_cast<uint16_t>(D(cmd, 8) >> 16);
    if (layer1 == nullptr)
        return Next(cmd);
    right = std::min(right, layer1->GetWidth());
    bottom = std::min(bottom, layer1->GetHeight());
    if (right <= left || bottom <= top)
        return Next(cmd);
    CDIB32* zoomed = BlankScreen(m_hWnd, 0);
    ReplaceSurface(g_Layers[2], zoomed);
    CDIB32::BltScaled(zoomed, 0, 0, kScreenWidth, kScreenHeight, layer1, left, top, right - left,
                      bottom - top);
    ReplaceSurface(g_Layers[1], CopyOf(m_hWnd, zoomed));
    ReplaceSurface(g_Layers[2], nullptr);
    return Next(cmd);
}

// ---- Sprite pictures and slots -------------------------------------------------------------------

uint8_t* CScriptMng::OpLoadSprite(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    const std::string name = PictureName(cmd);
    if (ValidSprite(slot)) {
        if (g_pGameMain != nullptr)
            SetName(g_pGameMain->spritePictureNames[slot], name);
        ReplaceSurface(g_pSpriteSurfaces[slot], LoadOrNull(m_hWnd, name));
    }
    SetScene(kSceneScript);
    return Next(cmd, B3(cmd));
}

uint8_t* CScriptMng::OpLoadSpriteNoName(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    if (ValidSprite(slot))
        ReplaceSurface(g_pSpriteSurfaces[slot], LoadOrNull(m_hWnd, PictureName(cmd)));
    SetScene(kSceneScript);
    return Next(cmd, B3(cmd));
}

// Start values of a slot, and the rule mask that a mask transition over the slots uses. A command of
// 32 bytes or more also carries the delay in its word at 28.
uint8_t* CScriptMng::OpMaskTransition(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    const uint8_t mask = B3(cmd);
    SetScene(kSceneScript);
    if (!ValidSprite(slot))
        return Next(cmd);
    SpriteSlot& sp = m_sprites[slot];
    sp.start = ReadSpriteRect(cmd);
    sp.cur = sp.start;
    sp.angleFixed = D(cmd, 20);
    sp.angleStart = D(cmd, 24);
    sp.angle = sp.angleStart;
    sp.delayMs = CmdLength(cmd) >= 32 ? D(cmd, 28) : 0;
    m_slotMaskNo = mask;
    // Layer 1 is blank whatever the selector: with a mask the slots are drawn into it and the mask
    // wipes it in over layer 0; selector 0 (no mask) draws them onto the screen.
    ReplaceSurface(g_Layers[1], BlankScreen(m_hWnd, 0));
    const std::string maskName = SlotMaskName(mask);
    if (!maskName.empty()) {
        auto* rule = new CDIB32();
        rule->Load(m_hWnd, maskName.c_str());
        ReplaceSurface(g_RuleMaskSurface, rule);
    }
    return Next(cmd);
}

uint8_t* CScriptMng::OpSpriteMotion(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    SetScene(kSceneScript);
    if (!ValidSprite(slot))
        return Next(cmd);
    SpriteSlot& sp = m_sprites[slot];
    sp.curve = B3(cmd);
    sp.end = ReadSpriteRect(cmd);
    sp.curveSpan = D(cmd, 20);
    sp.angleEnd = D(cmd, 24);
    sp.tweenMs = D(cmd, 28);
    if (g_pGameMain != nullptr) {
        // The end placement is what a loaded game shows of the slot.
        const int16_t values[8] = {sp.end.x,  sp.end.y,  sp.end.w,  sp.end.h,
                                   sp.end.sx, sp.end.sy, sp.end.sw, sp.end.sh};
        for (int i = 0; i < 8; ++i)
            g_pGameMain->spriteMotion[i][slot] = static_cast<uint16_t>(values[i]);
        g_pGameMain->spriteValueA[slot] = sp.angleEnd;
        g_pGameMain->spriteValueB[slot] = sp.tweenMs;
    }
    return Next(cmd);
}

uint8_t* CScriptMng::OpSpriteRange(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    if (ValidSprite(slot)) {
        m_sprites[slot].fadeAngleStart = D(cmd, 4);
        m_sprites[slot].fadeFrom = static_cast<int16_t>(ReadU16(cmd + 8));
    }
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSpriteSine(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    SetScene(kSceneScript);
    if (!ValidSprite(slot))
        return Next(cmd);
    SpriteSlot& sp = m_sprites[slot];
    const uint32_t now = timeGetTime();
    sp.fadeAngleEnd = D(cmd, 4);
    sp.fadeTo = Low(D(cmd, 8));
    sp.fadeMs = D(cmd, 12);
    sp.fadeStart = now;
    sp.fadeOn = 1;
    m_spriteAnimActive = 1;
    if (g_pGameMain != nullptr) {
        g_pGameMain->spriteMotion[8][slot] = static_cast<uint16_t>(sp.fadeTo);
        g_pGameMain->spriteStartTime[slot] = now;
    }
    return Next(cmd);
}

uint8_t* CScriptMng::OpSpriteAnim(uint8_t* cmd) {
    m_spriteAnimSlot = B2(cmd);
    m_spriteAnimMs = D(cmd, 4);
    SetScene(kSceneSpriteAnim);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSpriteImage(uint8_t* cmd) {
    for (SpriteSlot& sp : m_sprites)
        sp = SpriteSlot{};
    // The composition layer is made anew: a blank 1024 × 576 surface.
    ReplaceSurface(g_Layers[0], BlankScreen(m_hWnd, 0));
    SetFullRect();
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSpriteRestart(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    const uint32_t now = timeGetTime();
    if (ValidSprite(slot)) {
        m_sprites[slot].delayBase = now;
        if (m_sprites[slot].delayMs == 0)
            m_sprites[slot].tweenStart = now;
    }
    m_spriteAnimStart = now;
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSpriteReset(uint8_t* cmd) {
    const int8_t slot = SignedB2(cmd);
    if (ValidSprite(slot)) {
        m_sprites[slot] = SpriteSlot{};
        ReplaceSurface(g_pSpriteSurfaces[slot], nullptr);
        // A loaded game must not bring the cleared slot back.
        if (g_pGameMain != nullptr) {
            std::memset(g_pGameMain->spritePictureNames[slot], 0, kNameLength);
            for (auto& table : g_pGameMain->spriteMotion)
                table[slot] = 0;
            g_pGameMain->spriteValueA[slot] = 0;
            g_pGameMain->spriteValueB[slot] = 0;
            g_pGameMain->spriteStartTime[slot] = 0;
        }
    }
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpStampSprites(uint8_t* cmd) {
    const int8_t last = SignedB2(cmd);
    for (int slot = 0; slot <= last && slot < kScriptSpriteSlots; ++slot) {
        StampSpriteSlot(slot, g_Layers[0]);
        StampSpriteSlot(slot, g_ScreenSurface);
    }
    SetScene(kSceneScript);
    return Next(cmd);
}

// ---- Standing-character and mark slots ------------------------------------------------------------

uint8_t* CScriptMng::OpSetSlot(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    if (slot < kPositionSlotCount) {
        PositionSlot& p = m_posSlots[slot];
        p.state = 1;
        p.param = B3(cmd);
        p.coords[0] = Low(D(cmd, 4));
        p.coords[1] = High(D(cmd, 4));
        p.coords[2] = Low(D(cmd, 8));
        p.coords[3] = High(D(cmd, 8));
        p.paramWord = D(cmd, 12);
        p.startTime = timeGetTime();
        p.done = 0;
    }
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetSlotState107(uint8_t* cmd) {
    if (B2(cmd) < kPositionSlotCount)
        m_posSlots[B2(cmd)].state = 2;
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetSlotMotion(uint8_t* cmd) {
    const int8_t slot = SignedB2(cmd);
    if (slot >= 0 && slot < kMotionSlotCount) {
        MotionSlot& m = m_motionSlots[slot];
        m.slotId = static_cast<uint8_t>(slot);
        m.param = B3(cmd);
        for (int i = 0; i < 3; ++i) {
            m.coords[2 * i] = Low(D(cmd, 4 + 4 * i));
            m.coords[2 * i + 1] = High(D(cmd, 4 + 4 * i));
        }
        m.paramWord = D(cmd, 16);
        m.startTime = timeGetTime();
        m.elapsed = 0;
        m.state = 0;
        m.flags = 1;
    }
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetSlotState111(uint8_t* cmd) {
    const int8_t slot = SignedB2(cmd);
    if (slot >= 0 && slot < kMotionSlotCount) {
        MotionSlot& m = m_motionSlots[slot];
        if (m.param == 2) {
            m.state = 2;
            m.flags = 0;
        } else if (m.state < 2) {
            m.state = 2;
        }
    }
    SetScene(kSceneScript);
    return Next(cmd);
}

// ---- Message window -------------------------------------------------------------------------------

uint8_t* CScriptMng::OpSetParam63(uint8_t* cmd) {
    m_param63 = B3(cmd);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpRedrawWindow(uint8_t* cmd) {
    m_textX = 920;
    m_lineCount = 0;
    CDIB32* layer0 = g_Layers[0];
    if (layer0 != nullptr) {
        kestrel::fx::CopyClipped(layer0, 0, 0, g_PageSavedScreen, 0, 0, kScreenWidth, kScreenHeight);
        if (CDIB32* window = g_MsgWindowSurface)
            CDIB32::BltAlphaFade(layer0, 0, 0, window, 0, 0, window->GetWidth(), window->GetHeight(),
                                 MsgWindowBlendLevel());
        if (CDIB32* frame = g_NamePlateSurface)
            CDIB32::BltAlpha(layer0, 976, 298, frame, 0, 0, frame->GetWidth(), frame->GetHeight());
        CDIB32::Blt(g_ScreenSurface, 0, 0, layer0, 0, 0, kScreenWidth, kScreenHeight);
    }
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpClearMessageArea(uint8_t* cmd) {
    m_redrawWindow = 0;
    kestrel::fx::CopyClipped(g_ScreenSurface, 0, 448, g_Layers[0], 0, 448, kScreenWidth, kScreenHeight - 448);
    SetScene(kSceneScript);
    return Next(cmd);
}

// ---- Parameters of the presentation modes ---------------------------------------------------------

uint8_t* CScriptMng::OpWindowFade(uint8_t* cmd) {
    m_modeTime = D(cmd, 4);
    SetFullRect();
    SetScene(kSceneWindowFade);
    return Next(cmd);
}

uint8_t* CScriptMng::OpTransition(uint8_t* cmd) {
    m_modeTime = D(cmd, 4);
    m_modeKind = B2(cmd);
    SetScene(kSceneTransition);
    return Next(cmd);
}

uint8_t* CScriptMng::OpQuake(uint8_t* cmd) {
    m_modeTime = D(cmd, 4);
    m_modeKind = B2(cmd);
    SetScene(kSceneQuake);
    return Next(cmd);
}

uint8_t* CScriptMng::OpScreenEffect(uint8_t* cmd) {
    m_panLayer = B2(cmd);
    m_modeKind = B3(cmd);
    m_panKind = cmd[4];
    m_panFrom[0] = Low(D(cmd, 8));
    m_panFrom[1] = High(D(cmd, 8));
    m_panTo[0] = Low(D(cmd, 12));
    m_panTo[1] = High(D(cmd, 12));
    m_panMs = D(cmd, 16);
    SetScene(kSceneScreenEffect);
    return Next(cmd);
}

uint8_t* CScriptMng::OpColorTransition(uint8_t* cmd) {
    m_modeSlot = B2(cmd);
    m_modeTime = D(cmd, 4);
    const uint32_t c = D(cmd, 8);
    m_tintColour = (c >> 24) | ((c >> 8) & 0xFF00u) | ((c << 8) & 0xFF0000u) | (c << 24);
    SetScene(kSceneColorTransition);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetFaceFrame(uint8_t* cmd) {
    const uint8_t slot = B2(cmd);
    const uint8_t face = B3(cmd);
    m_modeSlot = slot;
    m_modeKind = face;
    m_modeTime = D(cmd, 4);
    SetScene(kSceneTransition39);
    if (!ValidLayer(slot) || g_Layers[slot] == nullptr) {
        ShowMessage("Not Frame", "Error:SetScrCharSet");
        return Next(cmd);
    }
    CDIB32* frame = g_Layers[slot];
    const int32_t left = m_charSetX - frame->GetWidth() / 2;
    if (g_pGameMain != nullptr) {
        g_pGameMain->charSlotShown[slot] = 1;
        g_pGameMain->charSlotPicture[slot] = face;
        g_pGameMain->charSlotX[slot] = static_cast<uint16_t>(m_charSetX);
    }
    // Layer 1 is the target: drawing it onto itself would change nothing.
    if (g_Layers[1] != nullptr && slot != 1)
        g_Layers[1]->BltColorKeyRaw(frame, left, m_charSetY, nullptr, nullptr, nullptr);
    CDIB32* sheet = g_FaceSurfaces[slot];
    if (sheet == nullptr) {
        ShowMessage("Not FaceFrame", "Error:SetScrCharSet");
        return Next(cmd);
    }
    const int32_t fw = kFaceRect[2], fh = kFaceRect[3];
    CDIB32::BltAlpha(g_Layers[1], left + kFaceRect[0], m_charSetY + kFaceRect[1], sheet, fw * (face % 5),
                     fh * (face / 5), fw, fh);
    return Next(cmd);
}

uint8_t* CScriptMng::OpTransition40(uint8_t* cmd) {
    m_modeSlot = B2(cmd);
    m_modeKind = B3(cmd);
    m_modeTime = D(cmd, 4);
    SetScene(kSceneNop40);
    return Next(cmd);
}

uint8_t* CScriptMng::OpTransition41(uint8_t* cmd) {
    m_modeTime = D(cmd, 4);
    m_textX = 920;
    m_msgStep = 0;
    SetScene(kSceneTransition41);
    return Next(cmd);
}

uint8_t* CScriptMng::OpScreenEffectSwitch(uint8_t* cmd) {
    const uint8_t kind = B2(cmd);
    m_screenFxKind = kind;
    m_screenFxRepeat = B3(cmd);
    m_screenFxAmp = Low(D(cmd, 4));
    m_screenFxAngle = D(cmd, 8);
    // The diagonal the shake starts on, as the paint reads it: kinds 2 and 5 move the picture down
    // and right first, kinds 3 and 4 down and left. Set also while skipping, when no shake starts:
    // a shake that runs on takes the new kind, which paints nothing without its diagonal.
    m_screenFxPhase = (kind == 2 || kind == 4) ? 1 : (kind == 3 || kind == 5) ? 2 : 0;
    const bool skipping = CtrlHeld() || g_SystemData.effectsOff != 0;
    if (!skipping) {
        m_screenFxStart = timeGetTime();
        m_screenFxOn = 1;
    }
    if (kind == 10) {
        // The rotating picture is drawn from an 800 × 600 layer 1.
        auto* black = new CDIB32();
        black->Create(m_hWnd, 800, 600, 24);
        ReplaceSurface(g_Layers[1], black);
    }
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpStopEffect(uint8_t* cmd) {
    m_screenFxOn = 0;
    m_screenFxKind = 0;
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpOverlayEffect(uint8_t* cmd) {
    const uint8_t kind = B2(cmd);
    m_overlayKind = kind;
    m_overlayFrame = 0;
    if (kind == 1 || kind == 2)
        ReplaceSurface(g_OverlaySurface, LoadOrNull(m_hWnd, kind == 1 ? "bmp\\noise.bmp" : "bmp\\cloud.bmp"));
    m_overlayClock = timeGetTime();
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpEndOverlay(uint8_t* cmd) {
    m_overlayKind = 0;
    m_overlayFrame = 0;
    m_overlayClock = 0;
    ReplaceSurface(g_OverlaySurface, nullptr);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpFrameZoom(uint8_t* cmd) {
    m_zoomMode = B3(cmd);
    for (int i = 0; i < 2; ++i) {
        m_zoomFrom[2 * i] = Low(D(cmd, 4 + 4 * i));
        m_zoomFrom[2 * i + 1] = High(D(cmd, 4 + 4 * i));
        m_zoomTo[2 * i] = Low(D(cmd, 12 + 4 * i));
        m_zoomTo[2 * i + 1] = High(D(cmd, 12 + 4 * i));
    }
    for (int i = 0; i < 4; ++i)
        m_zoomCur[i] = m_zoomFrom[i];
    m_zoomMs = D(cmd, 20);
    m_zoomStep = 0;
    SetScene(kSceneFrameZoom);
    return Next(cmd);
}

uint8_t* CScriptMng::OpFlash(uint8_t* cmd) {
    m_modeKind = B2(cmd);
    m_modeTime = B3(cmd);
    m_flashMs = D(cmd, 4);
    m_msgStep = 0;
    SetScene(kSceneFlash);
    return Next(cmd);
}
