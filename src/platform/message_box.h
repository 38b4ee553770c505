// Message boxes drawn by the platform layer: the box is a dialog of the kind the start-up dialog is
// (same renderer, font and look), laid out from its text, so that it shows the same in every locale
// and needs nothing from the display server but a window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"

class GlyphSource;
struct SDL_Window;

namespace plat {

// The face of the boxes' text, as the start-up dialog's.
inline constexpr char kMessageBoxFace[] = "宋体";
// The buttons' texts, as the system shows them for the game's language.
inline constexpr char kOkText[] = "确定";
inline constexpr char kCancelText[] = "取消";

// A box laid out: the dialog template (the text as one Text control per line, then OK and, for
// OkCancel, Cancel; OK is the default button) and the lines it shows.
struct MessageBoxLayout {
    DialogTemplate tmpl;
    std::vector<std::string> lines; // UTF-8
    bool clipped = false;           // lines were left out for want of room (the last one ends "...")
};

// Lays out a box for `text` (UTF-8; "\n" ends a line; bytes that are not UTF-8 and characters that the
// font's code page lacks show as '?'). Lines longer than five eighths of the screen's width are
// wrapped (at a space, or between two double-byte characters, else where the line is full); the box
// is never larger than the screen: lines beyond its height are left out. With no font in `glyphs`
// (or no source) the text is measured at six pixels a byte and the box keeps its size.
MessageBoxLayout LayoutMessageBox(std::string_view text, BoxButtons buttons, GlyphSource* glyphs,
                                  int screenWidth, int screenHeight);

// The button Escape and the window's close box answer: Cancel where there is one, else OK.
int MessageBoxEscapeAnswer(BoxButtons buttons);

// Shows a box modal over `owner` (null: centred on the screen) through SDL and waits for its answer:
// kIdOk or kIdCancel. A request to end the game (termination.h) answers as Escape does. When no
// window can be made the text goes to stderr and the box answers OK. When no font can be found the
// box shows its buttons and the text goes to stderr.
int ShowSdlMessageBox(SDL_Window* owner, GlyphSource* glyphs, std::string_view text, std::string_view caption,
                      BoxButtons buttons);

// Runs a drawn dialog in a window of its own, modal over `owner` when there is one (the owner's input
// is dropped, its keys are taken as the dialog's), until it ends. Escape, the close box and a request
// to end the game click `escapeId` (a dialog that does not end on it ends with -1). Returns the
// dialog's result, or -1 when no window can be made.
int RunSdlModal(Dialog& dialog, class DialogView& view, const std::string& caption, SDL_Window* owner,
                int escapeId);

} // namespace plat
