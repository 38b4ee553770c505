// The message-window commands: the window style, which loads the pictures of the bottom window
// (style 0), the vertical full-screen text (style 1) or the caption band (style 2), and the frame
// variant of the bottom window.
#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "scene/message_text.h"
#include "script/script_command.h"
#include "script/script_mng.h"

using namespace kestrel::script;

namespace {

// Puts a fresh load of `name` into interface surface `index` (an empty surface when the picture
// cannot be loaded, so that every user finds a surface of size 0 rather than a stale picture).
void LoadUiSurface(HWND hWnd, int index, const char* name) {
    auto* surface = new CDIB32();
    surface->Load(hWnd, name);
    ReplaceSurface(g_pScriptUiSurfaces[index], surface);
}

const char* FrameVariant(uint8_t frame) {
    return frame != 0 ? "system\\window_w.bmp" : "system\\window_w_2.bmp";
}

} // namespace

uint8_t* CScriptMng::OpWindowStyle(uint8_t* cmd) {
    const uint8_t style = B2(cmd);
    m_windowStyle = style;
    for (int index : {kUiWindow, kUiWindowButtons, kUiFrame, kUiWindowWork, kUiClickWait})
        ReplaceSurface(g_pScriptUiSurfaces[index], nullptr);

    if (style == 1) {
        ReplaceSurface(g_Layer1Backup[1], ScreenCopy(m_hWnd, g_ScreenSurface));
        LoadUiSurface(m_hWnd, kUiWindow, "system\\window2.bmp");
        LoadUiSurface(m_hWnd, kUiWindowButtons, "system\\window_p2.bmp");
        LoadUiSurface(m_hWnd, kUiFrame, "system\\window_w2.bmp");
        LoadUiSurface(m_hWnd, kUiClickWait, "system\\click_wait02.bmp");
        ResetWindowTextSurface(m_hWnd);
        if (g_GlyphFont != nullptr)
            g_GlyphFont->SetFont(22, 1);
        m_textX = 920;
        m_lineCount = 0;
        SetScene(kSceneTransition37);
        return Next(cmd);
    }

    LoadUiSurface(m_hWnd, kUiWindow, "system\\window.bmp");
    LoadUiSurface(m_hWnd, kUiWindowButtons, "system\\window_p.bmp");
    if (style != 2) {
        LoadUiSurface(m_hWnd, kUiFrame, FrameVariant(m_windowFrame));
        if (style == 0)
            ReplaceSurface(g_pScriptUiSurfaces[kUiFrameWork], MakeWorkingCopy(m_hWnd, g_NamePlateSurface));
    }
    LoadUiSurface(m_hWnd, kUiClickWait, "system\\click_wait01.bmp");
    // The horizontal styles lay their text out at 12 pixels per half-width unit: leaving the
    // vertical style's smaller font in place would draw it crowded.
    if (g_GlyphFont != nullptr)
        g_GlyphFont->SetFont(24, 0);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpWindowFrame(uint8_t* cmd) {
    m_windowFrame = B2(cmd);
    if (m_windowStyle == 0) {
        LoadUiSurface(m_hWnd, kUiFrame, FrameVariant(m_windowFrame));
        ReplaceSurface(g_pScriptUiSurfaces[kUiFrameWork], MakeWorkingCopy(m_hWnd, g_NamePlateSurface));
    }
    SetScene(kSceneScript);
    return Next(cmd);
}
