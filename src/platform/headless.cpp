#include "platform/headless.h"

#include <algorithm>
#include <cstring>

namespace plat {
namespace {

class HeadlessSurface : public WindowSurface {
public:
    HeadlessSurface(HeadlessBackend& owner, int width, int height)
        : owner_(owner), width_(width), height_(height) {}

    // Captures every row: tests read the whole picture as it would be on screen.
    void Present(const uint32_t* pixels, int width, int height, int pitch, const RECT& dest,
                 ChangedRows changed) override {
        owner_.capture.changed = changed;
        auto& c = owner_.capture;
        c.width = width;
        c.height = height;
        c.pixels.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            std::memcpy(&c.pixels[static_cast<size_t>(y) * width],
                        reinterpret_cast<const uint8_t*>(pixels) + static_cast<size_t>(y) * pitch,
                        static_cast<size_t>(width) * 4);
        c.dest = dest;
        ++c.presents;
    }
    bool SetFullScreen(bool on) override {
        if (on && owner_.failFullScreen)
            return false;
        owner_.fullScreen = on;
        return true;
    }
    bool IsFullScreen() const override { return owner_.fullScreen; }
    void Raise() override { ++owner_.raises; }
    void ShowCursor(bool shown) override { owner_.cursorShown = shown; }
    void WarpCursor(int x, int y) override {
        owner_.warpX = x;
        owner_.warpY = y;
    }
    void SetCursorImage(const CursorImage* image) override {
        owner_.cursorImage = image;
        ++owner_.cursorSets;
    }
    void GetClientSize(int& width, int& height) const override {
        width = owner_.fullScreen ? owner_.WindowDesktop().width : width_;
        height = owner_.fullScreen ? owner_.WindowDesktop().height : height_;
    }
    void GetDesktopSize(int& width, int& height) const override {
        width = owner_.WindowDesktop().width;
        height = owner_.WindowDesktop().height;
    }

private:
    HeadlessBackend& owner_;
    int width_, height_;
};

} // namespace

std::unique_ptr<WindowSurface> HeadlessBackend::OpenWindow(const WindowDesc& desc) {
    if (failOpenWindow)
        return nullptr;
    ++windowsOpened;
    title = desc.title;
    fullScreen = false;
    return std::make_unique<HeadlessSurface>(*this, desc.clientWidth, desc.clientHeight);
}

void HeadlessBackend::PollEvents(std::vector<Message>&) {}

int HeadlessBackend::MessageBox(HWND owner, std::string_view text, std::string_view caption,
                                BoxButtons buttons, BoxIcon icon) {
    boxes.push_back({std::string(text), std::string(caption), buttons, icon, owner != nullptr});
    if (boxAnswers.empty())
        return kIdOk;
    int answer = boxAnswers.front();
    boxAnswers.pop_front();
    if (buttons == BoxButtons::Ok)
        return kIdOk;
    return answer;
}

int HeadlessBackend::MessageBox(const Dialog&, std::string_view text, std::string_view caption,
                                BoxButtons buttons, BoxIcon icon) {
    const int answer = MessageBox(nullptr, text, caption, buttons, icon);
    boxes.back().owned = boxes.back().overDialog = true;
    return answer;
}

int HeadlessBackend::RunDialog(Dialog& dialog) {
    DialogScript script;
    bool scripted = !dialogAnswers.empty();
    if (scripted) {
        script = dialogAnswers.front();
        dialogAnswers.pop_front();
    }
    if (script.fail)
        return -1;
    ++dialogsShown;
    dialog.Init();
    if (scripted) {
        for (const auto& step : script.steps) {
            if (dialog.Ended())
                break;
            if (step.type) {
                dialog.SetItemText(step.id, "");
                dialog.InsertText(step.id, step.text);
            } else {
                dialog.Click(step.id);
            }
        }
        for (int id : script.clicks) {
            dialog.Click(id);
            if (dialog.Ended())
                break;
        }
    } else {
        for (const auto& c : dialog.Template().controls) {
            if (c.kind == ControlKind::DefPushButton) {
                dialog.Click(c.id);
                break;
            }
        }
    }
    lastDialogChecked.clear();
    lastDialogTexts.clear();
    for (const auto& c : dialog.Template().controls)
        if (c.kind == ControlKind::Edit)
            lastDialogTexts.emplace_back(c.id, dialog.ItemText(c.id));
    for (const auto& c : dialog.Template().controls)
        if (c.kind == ControlKind::RadioButton && dialog.IsChecked(c.id))
            lastDialogChecked.push_back(c.id);
    return dialog.Ended() ? dialog.Result() : -1;
}

HeadlessBackend::DesktopSize HeadlessBackend::WindowDesktop() const {
    return windowDisplay < displays.size() ? displays[windowDisplay] : DesktopSize{0, 0};
}

uint32_t HeadlessBackend::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= capture.width || y >= capture.height)
        return 0;
    return capture.pixels[static_cast<size_t>(y) * capture.width + x];
}

} // namespace plat
