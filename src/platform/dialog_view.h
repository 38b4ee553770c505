// Draws a running dialog into a picture and turns pointer and key input into clicks of its controls:
// the part of a modal dialog that every backend shares (the SDL window shows the picture; tests read
// it directly).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"

class GlyphSource;

namespace plat {

// The dialogs' font: 12 pixels high, of the template's face.
constexpr int kDialogFontPixels = 12;
// Dialog units to pixels: the base units of the 12-pixel font, 1.5 pixels per unit across and down.
constexpr int DialogUnitsToPixels(int units) {
    return units * 3 / 2;
}
// Makes the dialog font of `face` ("宋体" when empty) current on `glyphs`; false when there is no
// such font (or no source).
bool SelectDialogFont(GlyphSource* glyphs, const std::string& face);
// The width in pixels of game text in the current font of `glyphs` (characters without a glyph
// count nothing).
int GameTextWidth(GlyphSource* glyphs, std::string_view gameText);

class DialogView {
public:
    // `glyphs` draws the texts (null, or no font of the template's face: texts are not drawn).
    DialogView(Dialog& dialog, GlyphSource* glyphs);
    ~DialogView();

    int Width() const { return width_; }
    int Height() const { return height_; }
    // The dialog's picture, Width() x Height() pixels of B,G,R,A, rows top-down.
    void Render(std::vector<uint32_t>& pixels);
    // The id of the clickable control under (x, y), or -1.
    int ControlAt(int x, int y) const;
    // A left click at (x, y): clicks the control there and gives it the focus.
    void PointerClick(int x, int y);
    // A key: Tab and Shift+Tab move the focus, the arrows move the check within a radio group, Space
    // clicks the focused control, Return the focused push button or else the default one, Escape
    // Cancel (id 2), Backspace deletes the last character of the focused edit field.
    void KeyPress(Key key, bool shift);
    // Text typed (UTF-8, as the input method committed it) goes into the focused edit field.
    void TextInput(std::string_view utf8);
    // The input method's text still being composed, shown at the caret (empty: none).
    void SetComposition(std::string_view utf8);
    // The focused edit field's rectangle in pixels, where the input method places its window; false
    // when no edit field has the focus.
    bool FocusedEditRect(RECT* rect) const;
    // The id of the focused control (-1 none).
    int FocusedId() const;
    // The rectangle of control `index` in pixels.
    RECT ControlRect(int index) const;

private:
    void MoveFocus(int step);
    void MoveInGroup(int step);
    void DrawText(std::vector<uint32_t>& px, const std::string& utf8, int x, int y, uint32_t colour);
    int TextWidth(const std::string& utf8);

    Dialog& dialog_;
    GlyphSource* glyphs_;
    bool fontReady_ = false;
    int ascent_ = 10;
    int width_ = 0;
    int height_ = 0;
    int focus_ = -1; // control index
    std::string composition_;
};

} // namespace plat
