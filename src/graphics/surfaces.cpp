#include "graphics/surfaces.h"

#include "graphics/dib32.h"

CDIB32* g_SurfaceTable[kLayerCount + 3] = {};
CDIB32* g_FrameSurface = nullptr;
CDIB32* g_RuleMaskSurface = nullptr;

void ReplaceSurface(CDIB32*& slot, CDIB32* surface) {
    if (slot != surface) {
        delete slot;
    }
    slot = surface;
}

bool CreateScreenSurfaces() {
    bool ok = true;
    auto* screen = new CDIB32();
    screen->SetFlags(CDIB32Base::kDibSectionFlag);
    ok = screen->Create(nullptr, kScreenWidth, kScreenHeight, 24) && ok;
    screen->FillRect(0, 0, kScreenWidth, kScreenHeight, 0);
    ReplaceSurface(g_ScreenSurface, screen);

    auto* layer0 = new CDIB32();
    ok = layer0->Create(nullptr, kScreenWidth, kScreenHeight, 24) && ok;
    layer0->FillRect(0, 0, kScreenWidth, kScreenHeight, 0);
    ReplaceSurface(g_Layers[0], layer0);

    auto* frame = new CDIB32();
    frame->SetFlags(CDIB32Base::kDibSectionFlag);
    ok = frame->Create(nullptr, kFrameSurfaceSide, kFrameSurfaceSide, 24) && ok;
    ReplaceSurface(g_FrameSurface, frame);
    return ok;
}

void DeleteAllSurfaces() {
    for (auto& slot : g_SurfaceTable) {
        ReplaceSurface(slot, nullptr);
    }
    ReplaceSurface(g_FrameSurface, nullptr);
    ReplaceSurface(g_RuleMaskSurface, nullptr);
}
