#include "platform/message_box.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "platform/dialog_view.h"
#include "platform/display_watch.h"
#include "platform/glyph_source.h"
#include "platform/sdl_backend.h"
#include "platform/termination.h"
#include "platform/text_codec.h"

namespace plat {
namespace {

// The box's measures in dialog units.
constexpr int kMargin = 10;       // around the text
constexpr int kLineHeight = 10;   // 15 pixels for the 12-pixel font
constexpr int kTextButtonGap = 8; // between the last line and the buttons
constexpr int kButtonWidth = 50;  // as the start-up dialog's buttons
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 6;
constexpr int kBottomMargin = 7;
// The screen's room the box may take: five eighths of its width, its height less the window frame.
constexpr int kFrameAllowance = 48; // pixels
// Without a font the text is measured at this many pixels a byte (half the font's height).
constexpr int kPixelsPerByteWithoutFont = kDialogFontPixels / 2;
constexpr char kEllipsis[] = "...";

int PixelsToUnits(int pixels) {
    return (pixels * 2 + 2) / 3;
}

class TextMeasure {
public:
    explicit TextMeasure(GlyphSource* glyphs)
        : glyphs_(glyphs), font_(SelectDialogFont(glyphs, kMessageBoxFace)) {}
    int Width(std::string_view gameText) const {
        return font_ ? GameTextWidth(glyphs_, gameText)
                     : static_cast<int>(gameText.size()) * kPixelsPerByteWithoutFont;
    }

private:
    GlyphSource* glyphs_;
    bool font_;
};

int CharLength(std::string_view text, size_t at) {
    int len = 1;
    text_codec::ReadCharCode(text.substr(at), &len);
    return std::max(len, 1);
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// Breaks one paragraph of game text into lines no wider than `maxWidth` pixels: at the last space, or
// between two characters of which one is double-byte, that keeps the line within the width; a line
// without either is cut where it is full; a single character wider than the line stands alone.
void WrapParagraph(std::string_view para, int maxWidth, const TextMeasure& measure,
                   std::vector<std::string>& out) {
    size_t start = 0;
    while (start < para.size() && para[start] == ' ')
        ++start;
    size_t i = start, breakAt = std::string_view::npos;
    int width = 0;
    bool prevWide = false;
    while (i < para.size()) {
        int len = CharLength(para, i);
        bool wide = len == 2;
        if (i > start && (para[i] == ' ' || wide || prevWide))
            breakAt = i;
        int w = measure.Width(para.substr(i, len));
        if (width + w > maxWidth && i > start) {
            size_t end = breakAt != std::string_view::npos && breakAt > start ? breakAt : i;
            out.emplace_back(TrimSpaces(para.substr(start, end - start)));
            start = end;
            while (start < para.size() && para[start] == ' ')
                ++start;
            i = start;
            width = 0;
            breakAt = std::string_view::npos;
            prevWide = false;
            continue;
        }
        width += w;
        prevWide = wide;
        i += len;
    }
    if (start < para.size() || out.empty() || para.empty())
        out.emplace_back(TrimSpaces(para.substr(std::min(start, para.size()))));
}

// Ends a line with the ellipsis, dropping characters from its end until it fits.
std::string WithEllipsis(const std::string& line, int maxWidth, const TextMeasure& measure) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < line.size(); i += CharLength(line, i))
        starts.push_back(i);
    size_t keep = line.size();
    while (keep > 0 && measure.Width(line.substr(0, keep) + kEllipsis) > maxWidth) {
        starts.pop_back();
        keep = starts.empty() ? 0 : starts.back();
    }
    return line.substr(0, keep) + kEllipsis;
}

bool MessageBoxProc(Dialog& dialog, DialogMsg msg, int id) {
    if (msg != DialogMsg::Command)
        return false;
    dialog.End(id);
    return true;
}

void ClickOrEnd(Dialog& dialog, int id) {
    dialog.Click(id);
    if (!dialog.Ended())
        dialog.End(-1);
}

// Escape and the close box act as the button `id`; a dialog whose procedure takes that button
// without ending (the name entry's defaults) stays open, one without it ends with -1.
void Dismiss(Dialog& dialog, int id) {
    if (!dialog.Click(id) && !dialog.Ended())
        dialog.End(-1);
}

} // namespace

MessageBoxLayout LayoutMessageBox(std::string_view text, BoxButtons buttons, GlyphSource* glyphs,
                                  int screenWidth, int screenHeight) {
    TextMeasure measure(glyphs);
    MessageBoxLayout layout;
    int buttonCount = buttons == BoxButtons::OkCancel ? 2 : 1;
    int rowUnits = buttonCount * kButtonWidth + (buttonCount - 1) * kButtonGap;
    int maxBoxPixels = std::max(screenWidth * 5 / 8, DialogUnitsToPixels(rowUnits + 2 * kMargin));
    int maxTextPixels = maxBoxPixels - 2 * DialogUnitsToPixels(kMargin);
    int fixedUnits = kMargin + kTextButtonGap + kButtonHeight + kBottomMargin;
    int maxLines =
        std::max(1, (PixelsToUnits(std::max(screenHeight - kFrameAllowance, 0)) - fixedUnits) / kLineHeight);

    // Game text, one paragraph per "\n"; a tab is a space, a carriage return nothing.
    std::string game = text_codec::Utf8ToGameTextLossy(text);
    std::vector<std::string> lines;
    size_t from = 0;
    for (;;) {
        size_t nl = game.find('\n', from);
        std::string para = game.substr(from, nl == std::string::npos ? std::string::npos : nl - from);
        para.erase(std::remove(para.begin(), para.end(), '\r'), para.end());
        std::replace(para.begin(), para.end(), '\t', ' ');
        WrapParagraph(para, maxTextPixels, measure, lines);
        if (nl == std::string::npos)
            break;
        from = nl + 1;
    }
    if (static_cast<int>(lines.size()) > maxLines) {
        lines.resize(maxLines);
        lines.back() = WithEllipsis(lines.back(), maxTextPixels, measure);
        layout.clipped = true;
    }
    int textPixels = 0;
    for (const auto& line : lines)
        textPixels = std::max(textPixels, measure.Width(line));

    DialogTemplate& t = layout.tmpl;
    t.font = kMessageBoxFace;
    t.width = std::max(PixelsToUnits(textPixels), rowUnits) + 2 * kMargin;
    t.height = fixedUnits + static_cast<int>(lines.size()) * kLineHeight;
    auto add = [&t](int id, ControlKind kind, std::string utf8, int x, int y, int w, int h) {
        DialogControl c;
        c.id = id;
        c.kind = kind;
        c.text = std::move(utf8);
        c.x = x;
        c.y = y;
        c.width = w;
        c.height = h;
        t.controls.push_back(std::move(c));
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        layout.lines.push_back(text_codec::GameTextToUtf8Lossy(lines[i]));
        add(-1, ControlKind::Static, layout.lines.back(), kMargin,
            kMargin + static_cast<int>(i) * kLineHeight, t.width - 2 * kMargin, kLineHeight);
    }
    int x = (t.width - rowUnits) / 2, y = t.height - kBottomMargin - kButtonHeight;
    add(kIdOk, ControlKind::DefPushButton, kOkText, x, y, kButtonWidth, kButtonHeight);
    if (buttonCount == 2)
        add(kIdCancel, ControlKind::PushButton, kCancelText, x + kButtonWidth + kButtonGap, y, kButtonWidth,
            kButtonHeight);
    return layout;
}

int MessageBoxEscapeAnswer(BoxButtons buttons) {
    return buttons == BoxButtons::OkCancel ? kIdCancel : kIdOk;
}

int ShowSdlMessageBox(SDL_Window* owner, GlyphSource* glyphs, std::string_view text, std::string_view caption,
                      BoxButtons buttons) {
    int screenWidth = 1024, screenHeight = 768;
    SDL_Rect bounds;
    int display = owner ? SDL_GetWindowDisplayIndex(owner) : 0;
    if (SDL_GetDisplayBounds(std::max(display, 0), &bounds) == 0) {
        screenWidth = bounds.w;
        screenHeight = bounds.h;
    }
    MessageBoxLayout layout = LayoutMessageBox(text, buttons, glyphs, screenWidth, screenHeight);
    std::string captionText(caption);
    // The text where the box cannot show it (all of it) goes where it can be read.
    if (!SelectDialogFont(glyphs, kMessageBoxFace) || layout.clipped)
        std::fprintf(stderr, "kestrel: %s: %.*s\n", captionText.c_str(), static_cast<int>(text.size()),
                     text.data());
    Dialog dialog(layout.tmpl, MessageBoxProc);
    DialogView view(dialog, glyphs);
    int answer = RunSdlModal(dialog, view, captionText, owner, MessageBoxEscapeAnswer(buttons));
    if (answer != kIdOk && answer != kIdCancel) {
        std::fprintf(stderr, "kestrel: %s: %.*s (no message box: %s)\n", captionText.c_str(),
                     static_cast<int>(text.size()), text.data(), SDL_GetError());
        return kIdOk;
    }
    return answer;
}

int RunSdlModal(Dialog& dialog, DialogView& view, const std::string& caption, SDL_Window* owner,
                int escapeId) {
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    if (owner) {
        int ox = 0, oy = 0, ow = 0, oh = 0;
        SDL_GetWindowPosition(owner, &ox, &oy);
        SDL_GetWindowSize(owner, &ow, &oh);
        x = std::max(ox + (ow - view.Width()) / 2, 0);
        y = std::max(oy + (oh - view.Height()) / 2, 0);
    }
    SDL_Window* window = SDL_CreateWindow(caption.empty() ? " " : caption.c_str(), x, y, view.Width(),
                                          view.Height(), SDL_WINDOW_HIDDEN);
    if (!window) {
        std::fprintf(stderr, "kestrel: no dialog window: %s\n", SDL_GetError());
        return -1;
    }
    WatchDisplayConnection(window);
    dialog.SetNativeWindow(window);
    uint32_t id = SDL_GetWindowID(window);
    uint32_t ownerId = owner ? SDL_GetWindowID(owner) : 0;
    if (owner)
        SDL_SetWindowModalFor(window, owner);
    SDL_ShowWindow(window);
    dialog.Init();
    std::vector<uint32_t> pixels;
    bool dirty = true;
    bool focusTaken = false;
    // Text fields take text through the desktop's input method (IBus, Fcitx), which composes
    // Chinese and hands over the result as text-input events.
    bool typing = false;
    RECT field{};
    while (!dialog.Ended()) {
        if (TerminationRequested() != TerminationCause::None || DisplayConnectionLost()) {
            ClickOrEnd(dialog, escapeId);
            break;
        }
        const bool wantsText = view.FocusedEditRect(&field);
        if (wantsText != typing) {
            if (wantsText)
                SDL_StartTextInput();
            else
                SDL_StopTextInput();
            typing = wantsText;
        }
        if (typing) {
            SDL_Rect area{field.left, field.top, field.right - field.left, field.bottom - field.top};
            SDL_SetTextInputRect(&area);
        }
        // A lost display shows in any call that reaches the server (and asks the game to end, which
        // the loop's head answers); nothing more may be asked of the server.
        if (DisplayConnectionLost())
            continue;
        if (dirty) {
            view.Render(pixels);
            if (SDL_Surface* s = SDL_GetWindowSurface(window)) {
                SDL_Surface* src =
                    SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), view.Width(), view.Height(), 32,
                                                       view.Width() * 4, SDL_PIXELFORMAT_ARGB8888);
                if (src) {
                    SDL_BlitSurface(src, nullptr, s, nullptr);
                    SDL_FreeSurface(src);
                }
                SDL_UpdateWindowSurface(window);
            }
            dirty = false;
        }
        if (DisplayConnectionLost())
            continue;
        SDL_Event e;
        if (!SDL_WaitEventTimeout(&e, 100))
            continue;
        switch (e.type) {
            case SDL_WINDOWEVENT:
                if (e.window.windowID != id)
                    break; // the owner's close box, exposes and focus wait until the box is gone
                if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                    Dismiss(dialog, escapeId);
                if (e.window.event == SDL_WINDOWEVENT_EXPOSED && owner && !focusTaken) {
                    // Keys come to the box, not to the window it stands over (mapped by now).
                    SDL_SetWindowInputFocus(window);
                    focusTaken = true;
                }
                dirty = true;
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (e.button.windowID == id && e.button.button == SDL_BUTTON_LEFT) {
                    view.PointerClick(e.button.x, e.button.y);
                    dirty = true;
                }
                break;
            case SDL_KEYDOWN: {
                // The owner is disabled while the box stands: its keys are the box's.
                if (e.key.windowID != id && (!ownerId || e.key.windowID != ownerId))
                    break;
                Key key = MapSdlScancode(e.key.keysym.scancode);
                if (key == Key::Escape)
                    Dismiss(dialog, escapeId);
                else
                    view.KeyPress(key, (e.key.keysym.mod & KMOD_SHIFT) != 0);
                dirty = true;
                break;
            }
            case SDL_TEXTINPUT:
                if (e.text.windowID == id || (ownerId && e.text.windowID == ownerId)) {
                    view.TextInput(e.text.text);
                    dirty = true;
                }
                break;
            case SDL_TEXTEDITING:
                if (e.edit.windowID == id || (ownerId && e.edit.windowID == ownerId)) {
                    view.SetComposition(e.edit.text);
                    dirty = true;
                }
                break;
            default:
                break;
        }
    }
    if (DisplayConnectionLost())
        return dialog.Result(); // nothing more can be asked of the server
    if (typing)
        SDL_StopTextInput();
    dialog.SetNativeWindow(nullptr);
    SDL_DestroyWindow(window);
    if (owner) {
        SDL_RaiseWindow(owner);
        SDL_SetWindowInputFocus(owner);
        // What was typed or clicked at the box does not reach the window behind it.
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEWHEEL);
    } else {
        // Nothing of the box reaches a window made after it.
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    return dialog.Result();
}

} // namespace plat
