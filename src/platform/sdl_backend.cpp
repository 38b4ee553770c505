#include "platform/sdl_backend.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cursor_file.h"
#include "platform/dialog_view.h"
#include "platform/display_watch.h"
#include "platform/glyph_source.h"
#include "platform/message_box.h"
#include "platform/present_gate.h"

namespace plat {

Key MapSdlScancode(int scancode) {
    auto sc = static_cast<SDL_Scancode>(scancode);
    switch (sc) {
        case SDL_SCANCODE_RETURN:
            return Key::Return;
        case SDL_SCANCODE_KP_ENTER:
            return Key::NumpadEnter;
        case SDL_SCANCODE_ESCAPE:
            return Key::Escape;
        case SDL_SCANCODE_SPACE:
            return Key::Space;
        case SDL_SCANCODE_TAB:
            return Key::Tab;
        case SDL_SCANCODE_BACKSPACE:
            return Key::Backspace;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return Key::Ctrl;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return Key::Shift;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT:
            return Key::Alt;
        case SDL_SCANCODE_PAGEUP:
            return Key::PageUp;
        case SDL_SCANCODE_PAGEDOWN:
            return Key::PageDown;
        case SDL_SCANCODE_HOME:
            return Key::Home;
        case SDL_SCANCODE_END:
            return Key::End;
        case SDL_SCANCODE_INSERT:
            return Key::Insert;
        case SDL_SCANCODE_DELETE:
            return Key::Delete;
        case SDL_SCANCODE_LEFT:
            return Key::Left;
        case SDL_SCANCODE_RIGHT:
            return Key::Right;
        case SDL_SCANCODE_UP:
            return Key::Up;
        case SDL_SCANCODE_DOWN:
            return Key::Down;
        case SDL_SCANCODE_KP_0:
            return Key::Numpad0;
        case SDL_SCANCODE_KP_1:
            return Key::Numpad1;
        case SDL_SCANCODE_KP_2:
            return Key::Numpad2;
        case SDL_SCANCODE_KP_3:
            return Key::Numpad3;
        case SDL_SCANCODE_KP_4:
            return Key::Numpad4;
        case SDL_SCANCODE_KP_5:
            return Key::Numpad5;
        case SDL_SCANCODE_KP_6:
            return Key::Numpad6;
        case SDL_SCANCODE_KP_7:
            return Key::Numpad7;
        case SDL_SCANCODE_KP_8:
            return Key::Numpad8;
        case SDL_SCANCODE_KP_9:
            return Key::Numpad9;
        default:
            break;
    }
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12)
        return static_cast<Key>(static_cast<int>(Key::F1) + (sc - SDL_SCANCODE_F1));
    return Key::Other;
}

namespace {

class SdlSurface : public WindowSurface {
public:
    // `registry` lists the open surfaces for the event pump; it outlives the surface.
    SdlSurface(SDL_Window* window, SDL_Renderer* renderer, int width, int height,
               std::vector<SdlSurface*>& registry)
        : window_(window), renderer_(renderer), width_(width), height_(height), registry_(registry) {
        registry_.push_back(this);
        SDL_DisplayMode mode;
        int hz = SDL_GetCurrentDisplayMode(DisplayIndex(), &mode) == 0 && mode.refresh_rate > 0
                     ? mode.refresh_rate
                     : 60; // a display that does not say (a virtual one)
        gate_.SetRefreshPeriod(1000000 / static_cast<uint64_t>(hz));
    }
    ~SdlSurface() override {
        std::erase(registry_, this);
        if (DisplayConnectionLost())
            return; // the process ends soon; the server keeps nothing of ours
        if (texture_)
            SDL_DestroyTexture(texture_);
        if (fileCursor_ != nullptr || arrow_ != nullptr)
            SDL_SetCursor(SDL_GetDefaultCursor());
        if (fileCursor_ != nullptr)
            SDL_FreeCursor(fileCursor_);
        if (arrow_ != nullptr)
            SDL_FreeCursor(arrow_);
        SDL_DestroyRenderer(renderer_);
        SDL_DestroyWindow(window_);
    }

    uint32_t Id() const { return SDL_GetWindowID(window_); }
    SDL_Window* Window() const { return window_; }

    // The picture reaches the screen only when it changed, at most once per display refresh; a
    // picture that comes sooner waits for ShowPending (the event pump calls it).
    void Present(const uint32_t* pixels, int width, int height, int pitch, const RECT& dest,
                 ChangedRows changed) override {
        if (DisplayConnectionLost())
            return;
        gate_.Offer(pixels, width, height, pitch, dest, changed.top, changed.bottom);
        ShowPending();
    }
    void ShowPending() {
        if (DisplayConnectionLost())
            return;
        uint64_t now = Micros();
        if (gate_.Due(now) && Show())
            gate_.Shown(now);
    }
    // The window lost or moved its picture: it is drawn again.
    void Invalidate() { gate_.Invalidate(); }
    bool SetFullScreen(bool on) override {
        if (on) {
            // The window first covers the screen itself, borderless: where no window manager answers
            // the full-screen request (a bare X server) that is the full screen; a window manager
            // then takes the window over the same area.
            SDL_Rect bounds;
            if (SDL_GetDisplayBounds(DisplayIndex(), &bounds) == 0) {
                SDL_SetWindowBordered(window_, SDL_FALSE);
                SDL_SetWindowPosition(window_, bounds.x, bounds.y);
                SDL_SetWindowSize(window_, bounds.w, bounds.h);
            }
        }
        bool switched = SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
        if (!switched)
            std::fprintf(stderr, "kestrel: display switch failed: %s\n", SDL_GetError());
        else
            fullScreen_ = on;
        if (!fullScreen_) { // left full screen, or failed to enter it: the decorated, centred window
            SDL_SetWindowBordered(window_, SDL_TRUE);
            SDL_SetWindowSize(window_, width_, height_);
            SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        }
        gate_.Invalidate();
        return switched;
    }
    bool IsFullScreen() const override { return fullScreen_; }
    void Raise() override {
        SDL_RestoreWindow(window_);
        SDL_RaiseWindow(window_);
    }
    void ShowCursor(bool shown) override { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }
    void WarpCursor(int x, int y) override { SDL_WarpMouseInWindow(window_, x, y); }
    // The SDL cursor of a picture is made once and kept while that picture is asked for; the system
    // cursor is changed only when the wish changes, so a screen may ask every frame.
    void SetCursorImage(const CursorImage* image) override {
        if (DisplayConnectionLost())
            return;
        if (image != nullptr && image != fileCursorOf_) {
            if (fileCursor_ != nullptr) {
                if (shown_ == fileCursor_)
                    shown_ = nullptr;
                SDL_FreeCursor(fileCursor_);
            }
            fileCursor_ = MakeCursor(*image);
            fileCursorOf_ = image;
        }
        SDL_Cursor* wanted = image != nullptr ? fileCursor_ : nullptr;
        if (wanted == nullptr) {
            if (arrow_ == nullptr)
                arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
            wanted = arrow_ != nullptr ? arrow_ : SDL_GetDefaultCursor();
        }
        if (wanted != shown_ && wanted != nullptr) {
            SDL_SetCursor(wanted);
            shown_ = wanted;
        }
    }
    void GetClientSize(int& width, int& height) const override {
        SDL_GetWindowSize(window_, &width, &height);
    }
    void GetDesktopSize(int& width, int& height) const override {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(DisplayIndex(), &mode) == 0) {
            width = mode.w;
            height = mode.h;
        }
    }

private:
    // The display the window is on (the one holding its centre), or display 0.
    int DisplayIndex() const {
        int display = SDL_GetWindowDisplayIndex(window_);
        return display < 0 ? 0 : display;
    }
    static SDL_Cursor* MakeCursor(const CursorImage& image) {
        // The pixel words are 0xAARRGGBB, which is SDL's ARGB8888 in memory.
        SDL_Surface* surface =
            SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(image.pixels.data()), image.width,
                                               image.height, 32, image.width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (surface == nullptr)
            return nullptr;
        SDL_Cursor* cursor = SDL_CreateColorCursor(surface, image.hotX, image.hotY);
        SDL_FreeSurface(surface);
        if (cursor == nullptr)
            std::fprintf(stderr, "kestrel: cursor picture not shown: %s\n", SDL_GetError());
        return cursor;
    }

    static uint64_t Micros() { return SDL_GetPerformanceCounter() * 1000000 / SDL_GetPerformanceFrequency(); }

    // Uploads the changed rows of the gate's copy and draws it; false when there is no texture.
    bool Show() {
        const int width = gate_.Width(), height = gate_.Height();
        int top = gate_.ChangedTop(), bottom = gate_.ChangedBottom();
        if (!texture_ || texWidth_ != width || texHeight_ != height) {
            if (texture_)
                SDL_DestroyTexture(texture_);
            texture_ =
                SDL_CreateTexture(renderer_, TextureFormat(), SDL_TEXTUREACCESS_STREAMING, width, height);
            texWidth_ = width;
            texHeight_ = height;
            if (!texture_)
                return false;
            SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
            top = 0;
            bottom = height;
        }
        if (top < bottom) {
            SDL_Rect rows{0, top, width, bottom - top};
            SDL_UpdateTexture(texture_, &rows, gate_.Pixels() + static_cast<size_t>(top) * width, width * 4);
        }
        // Client coordinates to the renderer's pixels (they differ on scaled desktops).
        const RECT& dest = gate_.Dest();
        int ww = 0, wh = 0, ow = 0, oh = 0;
        SDL_GetWindowSize(window_, &ww, &wh);
        SDL_GetRendererOutputSize(renderer_, &ow, &oh);
        double sx = ww > 0 ? static_cast<double>(ow) / ww : 1.0,
               sy = wh > 0 ? static_cast<double>(oh) / wh : 1.0;
        SDL_Rect d{static_cast<int>(dest.left * sx), static_cast<int>(dest.top * sy),
                   static_cast<int>((dest.right - dest.left) * sx),
                   static_cast<int>((dest.bottom - dest.top) * sy)};
        if (d.x > 0 || d.y > 0 || d.x + d.w < ow || d.y + d.h < oh) { // the black bars around it
            SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
            SDL_RenderClear(renderer_);
        }
        SDL_RenderCopy(renderer_, texture_, nullptr, &d);
        SDL_RenderPresent(renderer_);
        return true;
    }

    // The pixels are B,G,R and an unused byte: the renderer's 32-bit format without alpha takes them
    // as they are (no channel swap, no blending); the alpha format where the renderer lacks it.
    Uint32 TextureFormat() const {
        SDL_RendererInfo info;
        if (SDL_GetRendererInfo(renderer_, &info) == 0)
            for (Uint32 i = 0; i < info.num_texture_formats; ++i)
                if (info.texture_formats[i] == SDL_PIXELFORMAT_RGB888)
                    return SDL_PIXELFORMAT_RGB888;
        return SDL_PIXELFORMAT_ARGB8888;
    }

    SDL_Window* window_;
    SDL_Renderer* renderer_;
    SDL_Texture* texture_ = nullptr;
    SDL_Cursor* fileCursor_ = nullptr; // made from fileCursorOf_
    const CursorImage* fileCursorOf_ = nullptr;
    SDL_Cursor* arrow_ = nullptr;
    SDL_Cursor* shown_ = nullptr; // the cursor last set
    int texWidth_ = 0, texHeight_ = 0;
    PresentGate gate_;
    int width_, height_;
    std::vector<SdlSurface*>& registry_;
    bool fullScreen_ = false;
};

class SdlBackend : public Backend {
public:
    ~SdlBackend() override {
        if (!DisplayConnectionLost())
            SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }

    std::unique_ptr<WindowSurface> OpenWindow(const WindowDesc& desc) override {
        SDL_Window* window =
            SDL_CreateWindow(desc.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             desc.clientWidth, desc.clientHeight, SDL_WINDOW_SHOWN);
        if (!window) {
            std::fprintf(stderr, "kestrel: no window: %s\n", SDL_GetError());
            return nullptr;
        }
        if (desc.iconWidth > 0 && desc.iconHeight > 0 &&
            desc.iconPixels.size() >= static_cast<size_t>(desc.iconWidth) * desc.iconHeight) {
            SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
                const_cast<uint32_t*>(desc.iconPixels.data()), desc.iconWidth, desc.iconHeight, 32,
                desc.iconWidth * 4, SDL_PIXELFORMAT_ARGB8888);
            if (icon) {
                SDL_SetWindowIcon(window, icon);
                SDL_FreeSurface(icon);
            }
        }
        // No vsync: the game paces its frames itself.
        SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
        if (!renderer)
            renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer) {
            std::fprintf(stderr, "kestrel: no renderer: %s\n", SDL_GetError());
            SDL_DestroyWindow(window);
            return nullptr;
        }
        WatchDisplayConnection(window);
        return std::make_unique<SdlSurface>(window, renderer, desc.clientWidth, desc.clientHeight, surfaces_);
    }

    void PollEvents(std::vector<Message>& out) override {
        if (DisplayConnectionLost())
            return;
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            Message m;
            switch (e.type) {
                case SDL_WINDOWEVENT:
                    switch (e.window.event) {
                        case SDL_WINDOWEVENT_CLOSE:
                            m.msg = Msg::Close;
                            break;
                        case SDL_WINDOWEVENT_EXPOSED:
                            Invalidate(e.window.windowID);
                            m.msg = Msg::Paint;
                            break;
                        case SDL_WINDOWEVENT_SIZE_CHANGED:
                        case SDL_WINDOWEVENT_RESTORED:
                            Invalidate(e.window.windowID);
                            continue;
                        case SDL_WINDOWEVENT_FOCUS_GAINED:
                            m.msg = Msg::Activate;
                            m.code = 1;
                            break;
                        case SDL_WINDOWEVENT_FOCUS_LOST:
                            m.msg = Msg::Activate;
                            m.code = 0;
                            break;
                        default:
                            continue;
                    }
                    break;
                case SDL_KEYDOWN:
                case SDL_KEYUP: {
                    m.key = MapSdlScancode(e.key.keysym.scancode);
                    bool alt = (e.key.keysym.mod & KMOD_ALT) != 0 && m.key != Key::Alt;
                    bool down = e.type == SDL_KEYDOWN;
                    m.msg =
                        alt ? (down ? Msg::SysKeyDown : Msg::SysKeyUp) : (down ? Msg::KeyDown : Msg::KeyUp);
                    m.code = e.key.repeat ? 1 : 0;
                    break;
                }
                case SDL_MOUSEMOTION:
                    m.msg = Msg::MouseMove;
                    m.x = e.motion.x;
                    m.y = e.motion.y;
                    break;
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP:
                    if (e.button.button == SDL_BUTTON_LEFT)
                        m.button = MouseButton::Left;
                    else if (e.button.button == SDL_BUTTON_RIGHT)
                        m.button = MouseButton::Right;
                    else if (e.button.button == SDL_BUTTON_MIDDLE)
                        m.button = MouseButton::Middle;
                    else
                        continue;
                    m.msg = e.type == SDL_MOUSEBUTTONDOWN ? Msg::ButtonDown : Msg::ButtonUp;
                    m.x = e.button.x;
                    m.y = e.button.y;
                    break;
                case SDL_MOUSEWHEEL:
                    m.msg = Msg::MouseWheel;
                    m.wheel = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
                    if (m.wheel == 0)
                        continue;
                    break;
                default:
                    continue;
            }
            out.push_back(m);
        }
        // A changed picture that came too soon after the last one is shown once its time has come.
        for (SdlSurface* surface : surfaces_)
            surface->ShowPending();
    }

    int MessageBox(HWND owner, std::string_view text, std::string_view caption, BoxButtons buttons,
                   BoxIcon) override {
        SdlSurface* main = owner ? MainSurface() : nullptr;
        return ShowSdlMessageBox(main ? main->Window() : nullptr, Glyphs(), text, caption, buttons);
    }
    int MessageBox(const Dialog& owner, std::string_view text, std::string_view caption, BoxButtons buttons,
                   BoxIcon) override {
        return ShowSdlMessageBox(static_cast<SDL_Window*>(owner.NativeWindow()), Glyphs(), text, caption,
                                 buttons);
    }

    int RunDialog(Dialog& dialog) override;

    void Invalidate(uint32_t windowId) {
        for (SdlSurface* surface : surfaces_)
            if (surface->Id() == windowId)
                surface->Invalidate();
    }

private:
    std::vector<SdlSurface*> surfaces_; // the open windows
    // The game's window, over which dialogs stand (null before it opens).
    SdlSurface* MainSurface() const { return surfaces_.empty() ? nullptr : surfaces_.front(); }
    GlyphSource* Glyphs() {
        if (!glyphs_)
            glyphs_ = CreateSystemGlyphSource();
        return glyphs_.get();
    }
    std::unique_ptr<GlyphSource> glyphs_;
};

int SdlBackend::RunDialog(Dialog& dialog) {
    DialogView view(dialog, Glyphs());
    // Modal over the game's window when it is open (the name entry), else alone (the start-up dialog).
    SdlSurface* main = MainSurface();
    return RunSdlModal(dialog, view, dialog.Template().caption, main ? main->Window() : nullptr, kIdCancel);
}

} // namespace

std::unique_ptr<Backend> CreateSdlBackend() {
    // The game asks its own quit question; signals end the process as usual.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Boxes and dialogs draw into their window's own surface. Backed by a renderer, that surface
    // would make the library build the window anew (hiding it) the first time it is drawn, which
    // shows as a flicker and, with the display gone at that moment, crashes inside the X library.
    // A default only: the environment variable still decides where it is set.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    WatchDisplayErrors();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "kestrel: no display: %s\n", SDL_GetError());
        return nullptr;
    }
    SDL_StopTextInput();
    return std::make_unique<SdlBackend>();
}

} // namespace plat
