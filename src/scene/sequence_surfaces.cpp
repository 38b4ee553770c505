#include "scene/sequence_surfaces.h"

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/effect_table.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "script/script_mng.h"

namespace kestrel::sequence {

CDIB32* NewFilled(uint32_t colour) {
    auto* surface = new CDIB32();
    surface->Create(nullptr, kScreenWidth, kScreenHeight, 24);
    surface->Fill(colour, nullptr);
    return surface;
}

CDIB32* NewPicture(const char* name) {
    auto* surface = new CDIB32();
    surface->Load(name);
    return surface;
}

CDIB32* NewScreenCopy() {
    auto* surface = NewFilled(kBlack);
    CopyWhole(surface, g_ScreenSurface);
    return surface;
}

void SetLayer(int index, CDIB32* surface) {
    if (index < 0 || index >= kLayerCount) {
        delete surface;
        return;
    }
    ReplaceSurface(g_Layers[index], surface);
}

void DeleteLayers(int first, int last) {
    for (int i = first; i <= last; ++i)
        SetLayer(i, nullptr);
}

void CopyWhole(CDIB32* dst, CDIB32* src) {
    kestrel::fx::CopyClipped(dst, 0, 0, src, 0, 0, kScreenWidth, kScreenHeight);
}

void Show(CDIB32* src) {
    CopyWhole(g_ScreenSurface, src);
}

void CrossFade(CDIB32* pic, CDIB32* old, int32_t level) {
    DrawEffect(0, g_ScreenSurface, pic, old, 0, 0, 0, 0, kScreenWidth, kScreenHeight, level, 0);
}

uint32_t Level(uint32_t elapsed, uint32_t scale, uint32_t duration) {
    if (duration == 0)
        return scale;
    const uint64_t level = static_cast<uint64_t>(elapsed) * scale / duration;
    return level > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(level);
}

uint32_t AtMost(uint32_t value, uint32_t limit) {
    return value < limit ? value : limit;
}

bool CtrlHeld() {
    return g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
}
bool LeftButton() {
    return g_pMouse != nullptr && g_pMouse->state.left != 0;
}
bool RightButton() {
    return g_pMouse != nullptr && g_pMouse->state.right != 0;
}
void ClearCtrl() {
    if (g_pKeyboard != nullptr)
        g_pKeyboard->ctrl = 0;
}
void ClearLeftButton() {
    if (g_pMouse != nullptr)
        g_pMouse->state.left = 0;
}
void ClearRightButton() {
    if (g_pMouse != nullptr)
        g_pMouse->state.right = 0;
}

void ReturnToScript(CScriptMng& engine) {
    engine.m_msgStep = 0;
    if (g_pGameMain != nullptr)
        g_pGameMain->scene = kSceneScript;
}

} // namespace kestrel::sequence
