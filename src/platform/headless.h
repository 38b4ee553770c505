// The headless backend: no display. Tests post messages to the window, read the pictures it presented,
// answer message boxes and dialogs, and set the desktop size.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/window.h"

namespace plat {

class HeadlessBackend : public Backend {
public:
    struct BoxCall {
        std::string text;
        std::string caption;
        BoxButtons buttons;
        BoxIcon icon;
        bool owned;              // shown over a window
        bool overDialog = false; // owned by a running dialog
    };
    // One answer for a dialog: the controls clicked in order. A script that runs out before the
    // dialog ends cancels it (-1); `fail` makes the dialog unshowable (-1 without InitDialog).
    struct DialogScript {
        std::vector<int> clicks;
        bool fail = false;
        // Run before the clicks, in order: text typed into an edit field (the field is cleared
        // first), or a click.
        struct Step {
            int id = -1;
            bool type = false; // type `text` into field `id`; else click `id`
            std::string text;
        };
        std::vector<Step> steps{};
    };
    // Answers of the message boxes, in order; when none is queued a box answers kIdOk.
    std::deque<int> boxAnswers;
    std::vector<BoxCall> boxes;
    // Answers of the dialogs, in order; when none is queued a dialog is ended by its first default
    // push button.
    std::deque<DialogScript> dialogAnswers;
    int dialogsShown = 0;
    // Radio buttons checked when the last dialog ended.
    std::vector<int> lastDialogChecked;
    // Edit fields (id, UTF-8 text) when the last dialog ended.
    std::vector<std::pair<int, std::string>> lastDialogTexts;

    // The desktop sizes of the displays, and the one the window is on (tests move it between them).
    struct DesktopSize {
        int width, height;
    };
    std::vector<DesktopSize> displays{{1024, 768}};
    size_t windowDisplay = 0;
    // A full-screen switch fails while this is set.
    bool failFullScreen = false;
    // OpenWindow fails while this is set.
    bool failOpenWindow = false;

    // What the window shows: the last presented picture (desktop- or client-sized canvas, B,G,R,A),
    // and the picture itself at its own size, as handed over.
    struct Capture {
        int width = 0, height = 0;
        std::vector<uint32_t> pixels; // the game picture as presented (width x height)
        RECT dest;
        int presents = 0;
        ChangedRows changed; // the rows the last present said may have changed
    };
    Capture capture;
    bool fullScreen = false;
    bool cursorShown = true;
    int raises = 0;
    int warpX = -1, warpY = -1;
    // The pointer's picture: the image last set (nullptr: the system arrow) and how often it was set.
    const CursorImage* cursorImage = nullptr;
    int cursorSets = 0;
    int windowsOpened = 0;
    std::string title;

    std::unique_ptr<WindowSurface> OpenWindow(const WindowDesc& desc) override;
    void PollEvents(std::vector<Message>& out) override;
    int MessageBox(HWND owner, std::string_view text, std::string_view caption, BoxButtons buttons,
                   BoxIcon icon) override;
    int MessageBox(const Dialog& owner, std::string_view text, std::string_view caption, BoxButtons buttons,
                   BoxIcon icon) override;
    int RunDialog(Dialog& dialog) override;
    // The desktop of the window's display.
    DesktopSize WindowDesktop() const;

    // Pixel of the last presented game picture, 0 outside.
    uint32_t PixelAt(int x, int y) const;
};

// Installs a HeadlessBackend for the lifetime of the guard.
class ScopedHeadlessBackend {
public:
    ScopedHeadlessBackend() { SetBackend(&backend_); }
    ~ScopedHeadlessBackend() { SetBackend(nullptr); }
    ScopedHeadlessBackend(const ScopedHeadlessBackend&) = delete;
    ScopedHeadlessBackend& operator=(const ScopedHeadlessBackend&) = delete;
    HeadlessBackend& backend() { return backend_; }

private:
    HeadlessBackend backend_;
};

} // namespace plat
