#include "app/input.h"

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/display.h"
#include "app/game_main.h"
#include "platform/cursor_file.h"
#include "platform/file_system.h"
#include "platform/window.h"

CKeyboard* g_pKeyboard = nullptr;
CMouse* g_pMouse = nullptr;

namespace {

using plat::IsKeyHeld;
using plat::Key;

// Sets `flag` from `key`; true when the key is held (the poll then stops).
bool Take(uint8_t& flag, Key key) {
    flag = IsKeyHeld(key) ? 1 : 0;
    return flag != 0;
}

// Sets `flag` from `key`, else from `alternative`; true when either is held.
bool TakeEither(uint8_t& flag, Key key, Key alternative) {
    flag = (IsKeyHeld(key) || IsKeyHeld(alternative)) ? 1 : 0;
    return flag != 0;
}

} // namespace

bool CKeyboard::Poll() {
    if (Take(pageUp, Key::PageUp) || Take(pageDown, Key::PageDown))
        return true;
    if (g_pMouse)
        g_pMouse->state.left = (IsKeyHeld(Key::Return) || IsKeyHeld(Key::NumpadEnter)) ? 1 : 0;
    // Left and right never stop the poll.
    TakeEither(left, Key::Left, Key::Numpad4);
    TakeEither(right, Key::Right, Key::Numpad6);
    if (TakeEither(up, Key::Up, Key::Numpad8) || TakeEither(down, Key::Down, Key::Numpad2))
        return true;
    if (IsKeyHeld(Key::Escape) || IsKeyHeld(Key::Numpad0)) {
        if (g_pMouse)
            g_pMouse->state.right = 1;
        return true;
    }
    if (g_pMouse)
        g_pMouse->state.right = 0;
    if (Take(space, Key::Space) || Take(f1, Key::F1) || Take(f2, Key::F2))
        return true;
    ctrl = IsKeyHeld(Key::Ctrl) ? 1 : 0;
    return true;
}

void CMouse::OnButton() {
    state.middle = plat::IsButtonHeld(plat::MouseButton::Middle) ? 1 : 0;
    state.left = plat::IsButtonHeld(plat::MouseButton::Left) ? 1 : 0;
    state.right = plat::IsButtonHeld(plat::MouseButton::Right) ? 1 : 0;
}

int CMouse::OnMove(HWND, int32_t clientX, int32_t clientY) {
    int64_t w = int64_t{destRect.right} - destRect.left;
    int64_t h = int64_t{destRect.bottom} - destRect.top;
    if (w == 0 || h == 0)
        return 1;
    state.x = static_cast<int32_t>((int64_t{clientX} - destRect.left) * 1024 / w);
    state.y = static_cast<int32_t>((int64_t{clientY} - destRect.top) * 576 / h);
    return 1;
}

void CMouse::SetScreenRect(const RECT* rect) {
    if (rect)
        screenRect = *rect;
}

void CMouse::SetDestRect(const RECT* rect) {
    if (rect)
        destRect = *rect;
}

bool CursorToWindowPoint(HWND hwnd, int32_t x, int32_t y) {
    plat::WarpCursor(hwnd, x, y);
    return true;
}

namespace {

// Cursor files by name: the picture, or nullptr for a file that could not be read.
std::map<std::string, std::unique_ptr<plat::CursorImage>>& CursorFiles() {
    static std::map<std::string, std::unique_ptr<plat::CursorImage>> files;
    return files;
}

// The picture last asked for (nullptr the arrow) and whether anything was asked yet.
const plat::CursorImage* g_shownCursor = nullptr;
bool g_cursorSet = false;

void ShowCursorImage(HWND hwnd, const plat::CursorImage* image) {
    if (g_cursorSet && image == g_shownCursor)
        return;
    plat::SetCursorImage(hwnd, image);
    g_shownCursor = image;
    g_cursorSet = true;
}

} // namespace

void SetFileCursor(HWND hwnd, const char* name) {
    auto& files = CursorFiles();
    const std::string key = name != nullptr ? name : "";
    auto it = files.find(key);
    if (it == files.end()) {
        std::unique_ptr<plat::CursorImage> image;
        std::vector<uint8_t> bytes;
        constexpr size_t kMaxCursorFile = size_t{1} << 20;
        auto parsed = std::make_unique<plat::CursorImage>();
        if (kestrel::fs::ReadWholeFile(key, &bytes, kMaxCursorFile) &&
            plat::ParseCursorFile(bytes.data(), bytes.size(), parsed.get()))
            image = std::move(parsed);
        else
            std::fprintf(stderr, "kestrel: cursor file \"%s\" not read; the arrow stays\n", key.c_str());
        it = files.emplace(key, std::move(image)).first;
    }
    ShowCursorImage(hwnd, it->second.get());
}

void SetArrowCursor(HWND hwnd) {
    ShowCursorImage(hwnd, nullptr);
}

bool FileCursorShown() {
    return g_shownCursor != nullptr;
}

void ForgetCursorFiles() {
    // The picture shown must stay valid until the arrow replaces it.
    if (g_shownCursor != nullptr && g_pGameMain != nullptr)
        SetArrowCursor(g_pGameMain->hWnd);
    g_shownCursor = nullptr;
    g_cursorSet = false;
    CursorFiles().clear();
}

int32_t ScaleToScreenX(int32_t x) {
    RECT d = g_pDisplay ? *g_pDisplay->GetDestRect() : RECT{0, 0, 1024, 576};
    return d.left + static_cast<int32_t>(int64_t{static_cast<int16_t>(x)} * (d.right - d.left) / 1024);
}

int32_t ScaleToScreenY(int32_t y) {
    RECT d = g_pDisplay ? *g_pDisplay->GetDestRect() : RECT{0, 0, 1024, 576};
    return d.top + static_cast<int32_t>(int64_t{static_cast<int16_t>(y)} * (d.bottom - d.top) / 576);
}
