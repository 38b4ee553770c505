// The main window and its messages, message boxes and modal dialogs: the small window system that the
// game's window procedure is written against. Two backends sit behind it: SDL (a real window) and a
// headless one for tests (messages posted by the test, pictures captured, boxes answered by the test).
//
// The shape follows the game's needs: a window procedure receives every message; the pump never
// blocks; painting is requested by InvalidateWindow and delivered as a Paint message once the queue
// is otherwise empty; destroying the window is always deferred to the pump, so a step that quits
// from inside a frame never deletes the objects that are still running.
#pragma once

#include <climits>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace plat {

struct CursorImage;

// Messages delivered to the window procedure.
enum class Msg : uint32_t {
    Create,     // sent once by CreateMainWindow before it returns; a result of -1 fails the creation
    Destroy,    // the window is being destroyed (after DestroyWindow); the last message it gets
    Close,      // the user asked to close the window (close box, Alt+F4 through the window manager)
    Paint,      // the window needs its picture (after InvalidateWindow or an expose)
    Activate,   // the window gained (code 1) or lost (code 0) the focus
    KeyDown,    // a key went down (code 1 for an auto-repeat)
    KeyUp,      // a key went up
    SysKeyDown, // a key went down while Alt was held
    SysKeyUp,   // a key went up while Alt was held
    MouseMove,  // the pointer moved; x, y in client coordinates
    ButtonDown, // a mouse button went down; button, x, y
    ButtonUp,   // a mouse button went up
    MouseWheel, // the wheel turned: wheel > 0 away from the user, < 0 towards the user
    Quit,       // returned by PeekMessage only, after PostQuitMessage; code is the exit code
    User,       // free for the game (code, x and y carry its values)
};

// Key codes of our own; keys that the game never asks for are Other.
enum class Key : uint16_t {
    None,
    Other,
    Return,
    Escape,
    Space,
    Tab,
    Backspace,
    Ctrl,
    Shift,
    Alt,
    PageUp,
    PageDown,
    Home,
    End,
    Insert,
    Delete,
    Left,
    Right,
    Up,
    Down,
    Numpad0,
    Numpad1,
    Numpad2,
    Numpad3,
    Numpad4,
    Numpad5,
    Numpad6,
    Numpad7,
    Numpad8,
    Numpad9,
    NumpadEnter,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    Count
};

enum class MouseButton : uint8_t { Left, Right, Middle };

struct Message {
    HWND hwnd = nullptr;
    Msg msg = Msg::User;
    Key key = Key::None;                    // key messages
    MouseButton button = MouseButton::Left; // button messages
    int32_t x = 0;                          // mouse messages: client coordinates
    int32_t y = 0;
    int32_t wheel = 0; // wheel steps: positive away from the user, negative towards the user
    int32_t code = 0;  // Quit: exit code; KeyDown: 1 for a repeat; Activate: 1 active
};

// The game's window procedure: a handled message returns 0.
using WindowProc = intptr_t (*)(HWND hwnd, const Message& msg);

struct WindowDesc {
    std::string title; // UTF-8 caption
    int clientWidth = 1024;
    int clientHeight = 576;
    // Icon as 32-bit B,G,R,A pixels, rows top-down (empty: the system's default).
    int iconWidth = 0;
    int iconHeight = 0;
    std::vector<uint32_t> iconPixels;
};

// Rows [top, bottom) of a picture to be presented that may differ from the picture presented last
// to the same window; the caller vouches that every other row is the same. The default: all rows.
struct ChangedRows {
    int top = 0;
    int bottom = INT_MAX;
};

// What a backend gives one window: presentation and window state.
class WindowSurface {
public:
    virtual ~WindowSurface() = default;
    // Shows a `width` x `height` picture of B,G,R,A pixels (pitch in bytes) scaled into `dest`, a
    // rectangle of the client area (or of the screen in full screen); the rest is black. Only the
    // `changed` rows need to be looked at.
    virtual void Present(const uint32_t* pixels, int width, int height, int pitch, const RECT& dest,
                         ChangedRows changed) = 0;
    // Switches to full screen at the desktop's own size, or back to the window. False when the switch
    // failed; the state is then unchanged.
    virtual bool SetFullScreen(bool on) = 0;
    virtual bool IsFullScreen() const = 0;
    // Brings the window to the front (a second start asks for this).
    virtual void Raise() = 0;
    virtual void ShowCursor(bool shown) = 0;
    // Moves the pointer to client point (x, y).
    virtual void WarpCursor(int x, int y) = 0;
    // The pointer's picture over the window: `image` (kept by the caller while it is in use), or the
    // system arrow for nullptr. A picture the system cannot show leaves the arrow.
    virtual void SetCursorImage(const CursorImage* image) = 0;
    // The client area's size in pixels.
    virtual void GetClientSize(int& width, int& height) const = 0;
    // The desktop size in pixels of the display the window is on; unchanged where it cannot be told.
    virtual void GetDesktopSize(int& width, int& height) const = 0;
};

// Message box styles and results.
enum class BoxButtons : uint8_t { Ok, OkCancel };
enum class BoxIcon : uint8_t { None, Info, Question, Warning, Error };
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Modal dialogs described by a template; control ids and the procedure's messages follow the game.
// Edit: a one-line text field (its text is UTF-8, typed through the platform's text input so that an
// input method can compose); Static: a line of text drawn from the top left of its rectangle (its
// item text when it has an id, else its own text; no input).
enum class ControlKind : uint8_t { Picture, DefPushButton, PushButton, GroupBox, RadioButton, Edit, Static };

struct DialogControl {
    int id = -1; // -1 for controls that send nothing (pictures, group boxes)
    ControlKind kind = ControlKind::PushButton;
    std::string text; // UTF-8
    int x = 0, y = 0; // position and size in dialog units
    int width = 0, height = 0;
    bool groupStart = false; // radio buttons: starts a new group
    // Edit fields: the most bytes the text may take as game text (code page 936), counted as the
    // game stores it; 0 for no limit. Typing stops at the limit, never inside a character.
    int textLimit = 0;
    // Picture controls: 32-bit B,G,R,A pixels, rows top-down, shown scaled into the control.
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<uint32_t> image;
};

struct DialogTemplate {
    std::string caption; // UTF-8, may be empty
    std::string font;    // face name, e.g. "宋体"
    int fontPoints = 9;
    int width = 0; // dialog units
    int height = 0;
    std::vector<DialogControl> controls;
};

enum class DialogMsg : uint8_t { InitDialog, Command };

class Dialog;
// The dialog procedure: InitDialog once before the dialog shows, Command with the control id when a
// button is pressed (an auto radio button is checked first). Returns true when it handled the message.
using DialogProc = bool (*)(Dialog& dialog, DialogMsg msg, int id);

// A running dialog as its procedure sees it; the backends drive it.
class Dialog {
public:
    Dialog(const DialogTemplate& tmpl, DialogProc proc) : tmpl_(tmpl), proc_(proc) {
        for (const auto& c : tmpl.controls)
            texts_.push_back(c.text);
    }
    const DialogTemplate& Template() const { return tmpl_; }
    // Ends the dialog with `result` once the procedure returns.
    void End(int result) {
        ended_ = true;
        result_ = result;
    }
    bool Ended() const { return ended_; }
    int Result() const { return result_; }
    // Checks or unchecks a radio button (the others of its group are left alone, as with a message).
    void SetCheck(int id, bool checked);
    bool IsChecked(int id) const;
    // Starts the dialog: InitDialog.
    void Init();
    // A click on control `id`: an auto radio button becomes the checked one of its group, then the
    // procedure gets Command(id). Unknown ids and controls without an id do nothing. True when the
    // procedure handled the command.
    bool Click(int id);
    // The control index of `id`, or -1.
    int IndexOf(int id) const;
    // The text of an edit field or label (UTF-8); empty for an unknown id.
    std::string ItemText(int id) const;
    // Replaces the text of an edit field or label; an edit field keeps what fits its limit, cut at
    // a character.
    void SetItemText(int id, std::string_view utf8);
    // Typing into edit field `id`: appends what fits the limit, character by character.
    void InsertText(int id, std::string_view utf8);
    // Backspace in edit field `id`: removes its last character.
    void DeleteLastChar(int id);
    // The backend's own window of the running dialog (null when it has none), over which a box
    // owned by the dialog stands.
    void SetNativeWindow(void* window) { native_ = window; }
    void* NativeWindow() const { return native_; }

private:
    const DialogTemplate& tmpl_;
    DialogProc proc_;
    std::vector<int> checked_;       // ids of checked radio buttons
    std::vector<std::string> texts_; // per control: its text as shown (from the template until set)
    bool ended_ = false;
    int result_ = -1;
    void* native_ = nullptr;
};

// A platform backend: the real windows of SDL or the headless stand-in.
class Backend {
public:
    virtual ~Backend() = default;
    // Opens a window (hidden until Show); nullptr when no window can be made.
    virtual std::unique_ptr<WindowSurface> OpenWindow(const WindowDesc& desc) = 0;
    // Takes the events waiting for the open windows without blocking and appends them as messages
    // (the hwnd is filled in by the caller).
    virtual void PollEvents(std::vector<Message>& out) = 0;
    // Shows a modal message box; returns kIdOk or kIdCancel. A box that cannot be shown answers its
    // first button (the failure is reported on stderr).
    virtual int MessageBox(HWND owner, std::string_view text, std::string_view caption, BoxButtons buttons,
                           BoxIcon icon) = 0;
    // The same, owned by a running dialog: it stands over the dialog, which has the focus again after.
    virtual int MessageBox(const Dialog& owner, std::string_view text, std::string_view caption,
                           BoxButtons buttons, BoxIcon icon) = 0;
    // Runs a modal dialog to its end; returns the dialog's result, or -1 when it cannot be shown.
    virtual int RunDialog(Dialog& dialog) = 0;
};

// Installs the backend used by everything below (nullptr uninstalls). The backend must outlive its
// installation; every window must be gone before it is uninstalled.
void SetBackend(Backend* backend);
Backend* GetBackend();

// Creates the main window: opens it, sends Create to `proc` and shows it. Returns nullptr when the
// window cannot be opened or Create returned -1 (the window is then gone again).
HWND CreateMainWindow(const WindowDesc& desc, WindowProc proc);
// Requests destruction: the pump delivers Destroy (then the window closes). Never destroys at once.
void DestroyWindow(HWND hwnd);
// True until the window's Destroy message was handled.
bool IsWindow(HWND hwnd);
// Requests a Paint message; several requests before the pump delivers it make one.
void InvalidateWindow(HWND hwnd);
// Queues a message for the window; the pump delivers it in order.
void PostMessage(HWND hwnd, const Message& msg);
// Calls the window procedure at once.
intptr_t SendMessage(HWND hwnd, const Message& msg);
// Makes the pump return a Quit message with `code` once the queue is empty.
void PostQuitMessage(int code);
// Takes the next message without blocking: posted and system messages in order, then a requested
// Destroy, then a requested Paint, then Quit. Returns false when nothing waits. Key and button held
// states (IsKeyHeld, IsButtonHeld) change as their messages are taken, as GetKeyState does. A release
// queued behind its own press of the same turn (the calls since the last false) is held back: the
// turn ends with false first, so that the frame that runs then sees the key or button held.
bool PeekMessage(Message& out);
// Delivers a message taken by PeekMessage to its window (Destroy also closes the window).
intptr_t DispatchMessage(const Message& msg);

// Held state of a key or mouse button, as of the last message taken.
bool IsKeyHeld(Key key);
bool IsButtonHeld(MouseButton button);

// The window's presentation and state (see WindowSurface); no-ops on a null or closed window.
void Present(HWND hwnd, const uint32_t* pixels, int width, int height, int pitch, const RECT& dest,
             ChangedRows changed = {});
bool SetFullScreen(HWND hwnd, bool on);
bool IsFullScreen(HWND hwnd);
void RaiseWindow(HWND hwnd);
void ShowCursor(HWND hwnd, bool shown);
void WarpCursor(HWND hwnd, int x, int y);
void SetCursorImage(HWND hwnd, const CursorImage* image);
void GetClientSize(HWND hwnd, int& width, int& height);
// The desktop size of the window's display; 0 x 0 for a null or closed window.
void GetDesktopSize(HWND hwnd, int& width, int& height);

// Message box and dialog through the installed backend; without a backend the box answers its first
// button and the dialog -1.
int MessageBox(HWND owner, std::string_view text, std::string_view caption, BoxButtons buttons,
               BoxIcon icon = BoxIcon::None);
int MessageBox(const Dialog& owner, std::string_view text, std::string_view caption, BoxButtons buttons,
               BoxIcon icon = BoxIcon::None);
int DialogBox(const DialogTemplate& tmpl, DialogProc proc);

} // namespace plat
