#include "platform/window.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/text_codec.h"

struct PlatformWindow {
    plat::WindowProc proc = nullptr;
    std::unique_ptr<plat::WindowSurface> surface;
    bool alive = true;
    bool destroyRequested = false;
    bool paintRequested = false;
};

namespace plat {
namespace {

struct State {
    Backend* backend = nullptr;
    std::vector<PlatformWindow*> windows;
    std::deque<Message> queue;
    bool quitRequested = false;
    int quitCode = 0;
    std::array<bool, static_cast<size_t>(Key::Count)> keys{};
    std::array<bool, 3> buttons{};
    // Presses taken since the pump last ran dry: their releases wait for the next turn, so that a
    // press and its release queued together are both seen by a frame.
    std::array<bool, static_cast<size_t>(Key::Count)> keysPressedThisTurn{};
    std::array<bool, 3> buttonsPressedThisTurn{};
};

State& S() {
    static State state;
    return state;
}

bool Known(HWND hwnd) {
    auto& w = S().windows;
    return hwnd && std::find(w.begin(), w.end(), hwnd) != w.end();
}

void Forget(HWND hwnd) {
    auto& w = S().windows;
    w.erase(std::remove(w.begin(), w.end(), hwnd), w.end());
    auto& q = S().queue;
    q.erase(std::remove_if(q.begin(), q.end(), [hwnd](const Message& m) { return m.hwnd == hwnd; }), q.end());
    delete hwnd;
}

void TrackHeldState(const Message& m) {
    auto& s = S();
    switch (m.msg) {
        case Msg::KeyDown:
        case Msg::SysKeyDown:
            if (m.key < Key::Count)
                s.keys[static_cast<size_t>(m.key)] = true;
            break;
        case Msg::KeyUp:
        case Msg::SysKeyUp:
            if (m.key < Key::Count)
                s.keys[static_cast<size_t>(m.key)] = false;
            break;
        case Msg::ButtonDown:
            s.buttons[static_cast<size_t>(m.button) % 3] = true;
            break;
        case Msg::ButtonUp:
            s.buttons[static_cast<size_t>(m.button) % 3] = false;
            break;
        case Msg::Activate:
            if (m.code == 0) { // keys released while the focus was elsewhere never arrive
                s.keys.fill(false);
                s.buttons.fill(false);
            }
            break;
        default:
            break;
    }
}

void NoteTurnEnded() {
    S().keysPressedThisTurn.fill(false);
    S().buttonsPressedThisTurn.fill(false);
}

void NotePress(const Message& m) {
    auto& s = S();
    if ((m.msg == Msg::KeyDown || m.msg == Msg::SysKeyDown) && m.key < Key::Count)
        s.keysPressedThisTurn[static_cast<size_t>(m.key)] = true;
    else if (m.msg == Msg::ButtonDown)
        s.buttonsPressedThisTurn[static_cast<size_t>(m.button) % 3] = true;
}

// A release whose press was taken in this turn of the pump.
bool ReleasesAPressOfThisTurn(const Message& m) {
    auto& s = S();
    if ((m.msg == Msg::KeyUp || m.msg == Msg::SysKeyUp) && m.key < Key::Count)
        return s.keysPressedThisTurn[static_cast<size_t>(m.key)];
    if (m.msg == Msg::ButtonUp)
        return s.buttonsPressedThisTurn[static_cast<size_t>(m.button) % 3];
    return false;
}

void PullBackendEvents() {
    auto& s = S();
    if (!s.backend || s.windows.empty())
        return;
    std::vector<Message> events;
    s.backend->PollEvents(events);
    for (auto& e : events) {
        if (!e.hwnd)
            e.hwnd = s.windows.front();
        s.queue.push_back(e);
    }
}

} // namespace

void Dialog::SetCheck(int id, bool checked) {
    auto it = std::find(checked_.begin(), checked_.end(), id);
    if (checked && it == checked_.end())
        checked_.push_back(id);
    else if (!checked && it != checked_.end())
        checked_.erase(it);
}

bool Dialog::IsChecked(int id) const {
    return std::find(checked_.begin(), checked_.end(), id) != checked_.end();
}

int Dialog::IndexOf(int id) const {
    if (id < 0)
        return -1;
    for (size_t i = 0; i < tmpl_.controls.size(); ++i)
        if (tmpl_.controls[i].id == id)
            return static_cast<int>(i);
    return -1;
}

std::string Dialog::ItemText(int id) const {
    const int index = IndexOf(id);
    return index < 0 ? std::string() : texts_[index];
}

void Dialog::SetItemText(int id, std::string_view utf8) {
    const int index = IndexOf(id);
    if (index < 0)
        return;
    texts_[index].clear();
    if (tmpl_.controls[index].kind == ControlKind::Edit)
        InsertText(id, utf8);
    else
        texts_[index] = std::string(utf8);
}

void Dialog::InsertText(int id, std::string_view utf8) {
    const int index = IndexOf(id);
    if (index < 0 || tmpl_.controls[index].kind != ControlKind::Edit)
        return;
    const int limit = tmpl_.controls[index].textLimit;
    std::string& text = texts_[index];
    size_t stored = text_codec::Utf8ToGameTextLossy(text).size();
    for (size_t i = 0; i < utf8.size();) {
        // One UTF-8 character (a stray byte alone).
        const auto lead = static_cast<uint8_t>(utf8[i]);
        size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        n = std::min(n, utf8.size() - i);
        const std::string_view one = utf8.substr(i, n);
        i += n;
        if (one[0] == '\r' || one[0] == '\n' || one[0] == '\t')
            continue;
        const size_t bytes = text_codec::Utf8ToGameTextLossy(one).size();
        if (limit > 0 && stored + bytes > static_cast<size_t>(limit))
            break;
        text.append(one);
        stored += bytes;
    }
}

void Dialog::DeleteLastChar(int id) {
    const int index = IndexOf(id);
    if (index < 0 || tmpl_.controls[index].kind != ControlKind::Edit)
        return;
    std::string& text = texts_[index];
    while (!text.empty()) {
        const auto last = static_cast<uint8_t>(text.back());
        text.pop_back();
        if ((last & 0xC0) != 0x80)
            break; // the character's first byte is gone: the whole character is
    }
}

void Dialog::Init() {
    if (proc_)
        proc_(*this, DialogMsg::InitDialog, 0);
}

bool Dialog::Click(int id) {
    int index = IndexOf(id);
    if (index < 0 || ended_)
        return false;
    const auto& controls = tmpl_.controls;
    if (controls[index].kind == ControlKind::RadioButton) {
        // The group runs from its first button up to the next button that starts a group.
        int first = index;
        while (first > 0 && !controls[first].groupStart &&
               controls[first - 1].kind == ControlKind::RadioButton)
            --first;
        for (size_t i = first; i < controls.size() && controls[i].kind == ControlKind::RadioButton; ++i) {
            if (i != static_cast<size_t>(first) && controls[i].groupStart)
                break;
            SetCheck(controls[i].id, static_cast<int>(i) == index);
        }
    } else if (controls[index].kind != ControlKind::PushButton &&
               controls[index].kind != ControlKind::DefPushButton) {
        return false;
    }
    return proc_ && proc_(*this, DialogMsg::Command, id);
}

void SetBackend(Backend* backend) {
    auto& s = S();
    s.backend = backend;
    if (!backend) {
        s.queue.clear();
        s.quitRequested = false;
        s.keys.fill(false);
        s.buttons.fill(false);
        NoteTurnEnded();
    }
}

Backend* GetBackend() {
    return S().backend;
}

HWND CreateMainWindow(const WindowDesc& desc, WindowProc proc) {
    auto& s = S();
    if (!s.backend || !proc)
        return nullptr;
    auto surface = s.backend->OpenWindow(desc);
    if (!surface)
        return nullptr;
    auto* hwnd = new PlatformWindow;
    hwnd->proc = proc;
    hwnd->surface = std::move(surface);
    s.windows.push_back(hwnd);
    Message create;
    create.hwnd = hwnd;
    create.msg = Msg::Create;
    if (proc(hwnd, create) == -1) {
        Forget(hwnd);
        return nullptr;
    }
    return hwnd;
}

void DestroyWindow(HWND hwnd) {
    if (Known(hwnd) && hwnd->alive)
        hwnd->destroyRequested = true;
}

bool IsWindow(HWND hwnd) {
    return Known(hwnd) && hwnd->alive;
}

void InvalidateWindow(HWND hwnd) {
    if (Known(hwnd))
        hwnd->paintRequested = true;
}

void PostMessage(HWND hwnd, const Message& msg) {
    if (!Known(hwnd))
        return;
    Message m = msg;
    m.hwnd = hwnd;
    S().queue.push_back(m);
}

intptr_t SendMessage(HWND hwnd, const Message& msg) {
    if (!Known(hwnd) || !hwnd->alive || !hwnd->proc)
        return 0;
    Message m = msg;
    m.hwnd = hwnd;
    return hwnd->proc(hwnd, m);
}

void PostQuitMessage(int code) {
    S().quitRequested = true;
    S().quitCode = code;
}

bool PeekMessage(Message& out) {
    auto& s = S();
    PullBackendEvents();
    if (!s.queue.empty()) {
        if (ReleasesAPressOfThisTurn(s.queue.front())) {
            // The turn ends here (a frame runs) and the release comes in the next one.
            NoteTurnEnded();
            return false;
        }
        out = s.queue.front();
        s.queue.pop_front();
        TrackHeldState(out);
        NotePress(out);
        return true;
    }
    for (HWND w : s.windows) {
        if (w->alive && w->destroyRequested) {
            out = Message{};
            out.hwnd = w;
            out.msg = Msg::Destroy;
            w->destroyRequested = false;
            return true;
        }
    }
    for (HWND w : s.windows) {
        if (w->alive && w->paintRequested) {
            out = Message{};
            out.hwnd = w;
            out.msg = Msg::Paint;
            w->paintRequested = false;
            return true;
        }
    }
    if (s.quitRequested) {
        out = Message{};
        out.msg = Msg::Quit;
        out.code = s.quitCode;
        s.quitRequested = false;
        return true;
    }
    NoteTurnEnded();
    return false;
}

intptr_t DispatchMessage(const Message& msg) {
    HWND hwnd = msg.hwnd;
    if (!Known(hwnd) || !hwnd->alive)
        return 0;
    intptr_t result = hwnd->proc ? hwnd->proc(hwnd, msg) : 0;
    if (msg.msg == Msg::Destroy) {
        hwnd->alive = false;
        Forget(hwnd);
    }
    return result;
}

bool IsKeyHeld(Key key) {
    return key < Key::Count && S().keys[static_cast<size_t>(key)];
}

bool IsButtonHeld(MouseButton button) {
    return S().buttons[static_cast<size_t>(button) % 3];
}

void Present(HWND hwnd, const uint32_t* pixels, int width, int height, int pitch, const RECT& dest,
             ChangedRows changed) {
    if (IsWindow(hwnd) && pixels && width > 0 && height > 0)
        hwnd->surface->Present(pixels, width, height, pitch, dest, changed);
}

bool SetFullScreen(HWND hwnd, bool on) {
    return IsWindow(hwnd) && hwnd->surface->SetFullScreen(on);
}

bool IsFullScreen(HWND hwnd) {
    return IsWindow(hwnd) && hwnd->surface->IsFullScreen();
}

void RaiseWindow(HWND hwnd) {
    if (IsWindow(hwnd))
        hwnd->surface->Raise();
}

void ShowCursor(HWND hwnd, bool shown) {
    if (IsWindow(hwnd))
        hwnd->surface->ShowCursor(shown);
}

void WarpCursor(HWND hwnd, int x, int y) {
    if (IsWindow(hwnd))
        hwnd->surface->WarpCursor(x, y);
}

void SetCursorImage(HWND hwnd, const CursorImage* image) {
    if (IsWindow(hwnd))
        hwnd->surface->SetCursorImage(image);
}

void GetClientSize(HWND hwnd, int& width, int& height) {
    width = height = 0;
    if (IsWindow(hwnd))
        hwnd->surface->GetClientSize(width, height);
}

void GetDesktopSize(HWND hwnd, int& width, int& height) {
    width = height = 0;
    if (IsWindow(hwnd))
        hwnd->surface->GetDesktopSize(width, height);
}

int MessageBox(HWND owner, std::string_view text, std::string_view caption, BoxButtons buttons,
               BoxIcon icon) {
    if (!S().backend) {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
        return kIdOk;
    }
    return S().backend->MessageBox(Known(owner) ? owner : nullptr, text, caption, buttons, icon);
}

int MessageBox(const Dialog& owner, std::string_view text, std::string_view caption, BoxButtons buttons,
               BoxIcon icon) {
    if (!S().backend)
        return MessageBox(nullptr, text, caption, buttons, icon);
    return S().backend->MessageBox(owner, text, caption, buttons, icon);
}

int DialogBox(const DialogTemplate& tmpl, DialogProc proc) {
    if (!S().backend)
        return -1;
    Dialog dialog(tmpl, proc);
    return S().backend->RunDialog(dialog);
}

} // namespace plat
