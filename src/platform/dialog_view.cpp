#include "platform/dialog_view.h"

#include <algorithm>

#include "platform/glyph_source.h"
#include "platform/text_codec.h"

namespace plat {
namespace {

constexpr uint32_t kFace = 0xFFF0F0F0u;
constexpr uint32_t kShadow = 0xFFA0A0A0u;
constexpr uint32_t kLight = 0xFFFFFFFFu;
constexpr uint32_t kDark = 0xFF404040u;
constexpr uint32_t kText = 0xFF000000u;
constexpr int kFontPixels = kDialogFontPixels;

int Dlu(int units) {
    return DialogUnitsToPixels(units);
}

bool Clickable(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton ||
           kind == ControlKind::RadioButton || kind == ControlKind::Edit;
}

void Put(std::vector<uint32_t>& px, int w, int h, int x, int y, uint32_t c) {
    if (x >= 0 && y >= 0 && x < w && y < h)
        px[static_cast<size_t>(y) * w + x] = c;
}

void FillBox(std::vector<uint32_t>& px, int w, int h, int x0, int y0, int x1, int y1, uint32_t c) {
    for (int y = std::max(y0, 0); y < std::min(y1, h); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, w); ++x)
            px[static_cast<size_t>(y) * w + x] = c;
}

void Frame(std::vector<uint32_t>& px, int w, int h, int x0, int y0, int x1, int y1, uint32_t tl,
           uint32_t br) {
    for (int x = x0; x < x1; ++x) {
        Put(px, w, h, x, y0, tl);
        Put(px, w, h, x, y1 - 1, br);
    }
    for (int y = y0; y < y1; ++y) {
        Put(px, w, h, x0, y, tl);
        Put(px, w, h, x1 - 1, y, br);
    }
}

uint32_t Blend(uint32_t dst, uint32_t src, int level, int maxLevel) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        int d = (dst >> shift) & 0xFF, s = (src >> shift) & 0xFF;
        out |= static_cast<uint32_t>(d + (s - d) * level / maxLevel) << shift;
    }
    return out;
}

} // namespace

bool SelectDialogFont(GlyphSource* glyphs, const std::string& face) {
    if (!glyphs)
        return false;
    FontRequest request;
    request.height = kFontPixels;
    request.face = face.empty() ? "宋体" : face;
    return glyphs->CreateFont(request);
}

int GameTextWidth(GlyphSource* glyphs, std::string_view text) {
    int width = 0;
    for (size_t i = 0; i < text.size();) {
        int len = 1;
        uint32_t code = text_codec::ReadCharCode(text.substr(i), &len);
        GlyphBitmap g;
        if (glyphs && glyphs->GetGlyph(code, GlyphFormat::Gray8, &g))
            width += g.advance;
        i += std::max(len, 1);
    }
    return width;
}

DialogView::DialogView(Dialog& dialog, GlyphSource* glyphs) : dialog_(dialog), glyphs_(glyphs) {
    width_ = std::max(Dlu(dialog.Template().width), 1);
    height_ = std::max(Dlu(dialog.Template().height), 1);
    fontReady_ = SelectDialogFont(glyphs_, dialog.Template().font);
    if (fontReady_)
        ascent_ = glyphs_->GetAscent();
    // The focus starts on the first edit field, else on the default button.
    const auto& controls = dialog.Template().controls;
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].kind == ControlKind::DefPushButton)
            focus_ = static_cast<int>(i);
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].kind == ControlKind::Edit) {
            focus_ = static_cast<int>(i);
            break;
        }
}

DialogView::~DialogView() = default;

RECT DialogView::ControlRect(int index) const {
    const auto& c = dialog_.Template().controls.at(index);
    return RECT{Dlu(c.x), Dlu(c.y), Dlu(c.x + c.width), Dlu(c.y + c.height)};
}

int DialogView::TextWidth(const std::string& utf8) {
    return fontReady_ ? GameTextWidth(glyphs_, text_codec::Utf8ToGameTextLossy(utf8)) : 0;
}

void DialogView::DrawText(std::vector<uint32_t>& px, const std::string& utf8, int x, int y, uint32_t colour) {
    if (!fontReady_)
        return;
    std::string text = text_codec::Utf8ToGameTextLossy(utf8);
    int penX = x;
    int baseline = y + ascent_;
    for (size_t i = 0; i < text.size();) {
        int len = 1;
        uint32_t code = text_codec::ReadCharCode(std::string_view(text).substr(i), &len);
        i += std::max(len, 1);
        GlyphBitmap g;
        if (!glyphs_->GetGlyph(code, GlyphFormat::Gray8, &g))
            continue;
        for (int row = 0; row < g.height; ++row) {
            for (int col = 0; col < g.width; ++col) {
                int level = g.bits[static_cast<size_t>(row) * g.pitch + col];
                int gx = penX + g.originX + col, gy = baseline - g.originY + row;
                if (level == 0 || gx < 0 || gy < 0 || gx >= width_ || gy >= height_)
                    continue;
                uint32_t& d = px[static_cast<size_t>(gy) * width_ + gx];
                d = Blend(d, colour, level, MaxGlyphLevel(GlyphFormat::Gray8));
            }
        }
        penX += g.advance;
    }
}

void DialogView::Render(std::vector<uint32_t>& px) {
    const int w = width_, h = height_;
    px.assign(static_cast<size_t>(w) * h, kFace);
    const auto& controls = dialog_.Template().controls;
    for (size_t i = 0; i < controls.size(); ++i) {
        const auto& c = controls[i];
        RECT r = ControlRect(static_cast<int>(i));
        bool focused = static_cast<int>(i) == focus_;
        switch (c.kind) {
            case ControlKind::Picture:
                if (c.imageWidth > 0 && c.imageHeight > 0 &&
                    c.image.size() >= static_cast<size_t>(c.imageWidth) * c.imageHeight) {
                    int rw = r.right - r.left, rh = r.bottom - r.top;
                    for (int y = 0; y < rh; ++y)
                        for (int x = 0; x < rw; ++x)
                            Put(px, w, h, r.left + x, r.top + y,
                                c.image[static_cast<size_t>(y * c.imageHeight / rh) * c.imageWidth +
                                        x * c.imageWidth / rw] |
                                    0xFF000000u);
                }
                Frame(px, w, h, r.left - 1, r.top - 1, r.right + 1, r.bottom + 1, kShadow, kLight);
                break;
            case ControlKind::GroupBox: {
                int top = r.top + kFontPixels / 2;
                Frame(px, w, h, r.left, top, r.right, r.bottom, kShadow, kShadow);
                Frame(px, w, h, r.left + 1, top + 1, r.right + 1, r.bottom + 1, kLight, kLight);
                int tw = TextWidth(c.text);
                FillBox(px, w, h, r.left + 6, r.top, r.left + 10 + tw, r.top + kFontPixels + 1, kFace);
                DrawText(px, c.text, r.left + 8, r.top, kText);
                break;
            }
            case ControlKind::RadioButton: {
                int d = 12, cx = r.left + d / 2, cy = (r.top + r.bottom) / 2;
                for (int y = -d / 2; y <= d / 2; ++y)
                    for (int x = -d / 2; x <= d / 2; ++x) {
                        int q = x * x + y * y;
                        if (q <= 25)
                            Put(px, w, h, cx + x, cy + y, kLight);
                        if (q > 20 && q <= 36)
                            Put(px, w, h, cx + x, cy + y, y < 0 ? kShadow : kDark);
                        if (dialog_.IsChecked(c.id) && q <= 5)
                            Put(px, w, h, cx + x, cy + y, kText);
                    }
                int tx = r.left + d + 5, ty = cy - kFontPixels / 2 - 1;
                DrawText(px, c.text, tx, ty, kText);
                if (focused) {
                    int tw = TextWidth(c.text);
                    for (int x = tx - 1; x < tx + tw + 1; x += 2) {
                        Put(px, w, h, x, ty - 1, kDark);
                        Put(px, w, h, x, ty + kFontPixels + 2, kDark);
                    }
                }
                break;
            }
            case ControlKind::Static:
                DrawText(px, c.id >= 0 ? dialog_.ItemText(c.id) : c.text, r.left, r.top, kText);
                break;
            case ControlKind::Edit: {
                FillBox(px, w, h, r.left, r.top, r.right, r.bottom, kLight);
                Frame(px, w, h, r.left, r.top, r.right, r.bottom, kShadow, kLight);
                Frame(px, w, h, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, kDark, kFace);
                const std::string text = dialog_.ItemText(c.id);
                const int ty = (r.top + r.bottom) / 2 - kFontPixels / 2 - 1;
                DrawText(px, text, r.left + 3, ty, kText);
                if (focused) {
                    int caret = r.left + 3 + TextWidth(text);
                    if (!composition_.empty()) {
                        DrawText(px, composition_, caret, ty, kDark);
                        const int cw = TextWidth(composition_);
                        for (int x = caret; x < caret + cw; ++x)
                            Put(px, w, h, x, ty + kFontPixels + 1, kDark);
                        caret += cw;
                    }
                    for (int y = ty; y < ty + kFontPixels + 1; ++y)
                        Put(px, w, h, caret, y, kText);
                }
                break;
            }
            case ControlKind::PushButton:
            case ControlKind::DefPushButton: {
                FillBox(px, w, h, r.left, r.top, r.right, r.bottom, kFace);
                bool bold = c.kind == ControlKind::DefPushButton || focused;
                if (bold)
                    Frame(px, w, h, r.left, r.top, r.right, r.bottom, kText, kText);
                int inset = bold ? 1 : 0;
                Frame(px, w, h, r.left + inset, r.top + inset, r.right - inset, r.bottom - inset, kLight,
                      kDark);
                int tw = TextWidth(c.text);
                DrawText(px, c.text, (r.left + r.right - tw) / 2,
                         (r.top + r.bottom) / 2 - kFontPixels / 2 - 1, kText);
                if (focused)
                    for (int x = r.left + 4; x < r.right - 4; x += 2) {
                        Put(px, w, h, x, r.top + 3, kDark);
                        Put(px, w, h, x, r.bottom - 4, kDark);
                    }
                break;
            }
        }
    }
}

int DialogView::ControlAt(int x, int y) const {
    const auto& controls = dialog_.Template().controls;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!Clickable(controls[i].kind))
            continue;
        RECT r = ControlRect(static_cast<int>(i));
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return controls[i].id;
    }
    return -1;
}

int DialogView::FocusedId() const {
    const auto& controls = dialog_.Template().controls;
    return focus_ >= 0 && focus_ < static_cast<int>(controls.size()) ? controls[focus_].id : -1;
}

void DialogView::PointerClick(int x, int y) {
    int id = ControlAt(x, y);
    if (id < 0)
        return;
    focus_ = dialog_.IndexOf(id);
    composition_.clear();
    dialog_.Click(id);
}

void DialogView::TextInput(std::string_view utf8) {
    composition_.clear();
    const int id = FocusedId();
    if (id >= 0 && dialog_.Template().controls[focus_].kind == ControlKind::Edit)
        dialog_.InsertText(id, utf8);
}

void DialogView::SetComposition(std::string_view utf8) {
    composition_ = std::string(utf8);
}

bool DialogView::FocusedEditRect(RECT* rect) const {
    const auto& controls = dialog_.Template().controls;
    if (focus_ < 0 || focus_ >= static_cast<int>(controls.size()) ||
        controls[focus_].kind != ControlKind::Edit)
        return false;
    if (rect)
        *rect = ControlRect(focus_);
    return true;
}

void DialogView::MoveFocus(int step) {
    // Tab stops: each push button, and each radio group once (at its checked button).
    const auto& controls = dialog_.Template().controls;
    std::vector<int> stops;
    for (size_t i = 0; i < controls.size(); ++i) {
        const auto& c = controls[i];
        if (c.kind == ControlKind::PushButton || c.kind == ControlKind::DefPushButton ||
            c.kind == ControlKind::Edit) {
            stops.push_back(static_cast<int>(i));
        } else if (c.kind == ControlKind::RadioButton && c.groupStart) {
            int pick = static_cast<int>(i);
            for (size_t j = i; j < controls.size() && controls[j].kind == ControlKind::RadioButton; ++j) {
                if (j != i && controls[j].groupStart)
                    break;
                if (dialog_.IsChecked(controls[j].id))
                    pick = static_cast<int>(j);
            }
            stops.push_back(pick);
        }
    }
    if (stops.empty())
        return;
    // The stop the focus is on, or the group it belongs to.
    int at = 0;
    for (size_t s = 0; s < stops.size(); ++s) {
        if (stops[s] <= focus_)
            at = static_cast<int>(s);
    }
    int n = static_cast<int>(stops.size());
    focus_ = stops[((at + step) % n + n) % n];
}

void DialogView::MoveInGroup(int step) {
    const auto& controls = dialog_.Template().controls;
    if (focus_ < 0 || controls[focus_].kind != ControlKind::RadioButton)
        return;
    int next = focus_ + step;
    if (next < 0 || next >= static_cast<int>(controls.size()) ||
        controls[next].kind != ControlKind::RadioButton)
        return;
    if ((step > 0 && controls[next].groupStart) || (step < 0 && controls[focus_].groupStart))
        return;
    focus_ = next;
    dialog_.Click(controls[next].id);
}

void DialogView::KeyPress(Key key, bool shift) {
    const auto& controls = dialog_.Template().controls;
    switch (key) {
        case Key::Tab:
            MoveFocus(shift ? -1 : 1);
            break;
        case Key::Up:
        case Key::Left:
            MoveInGroup(-1);
            break;
        case Key::Down:
        case Key::Right:
            MoveInGroup(1);
            break;
        case Key::Space:
            if (FocusedId() >= 0)
                dialog_.Click(FocusedId());
            break;
        case Key::Return:
        case Key::NumpadEnter:
            if (focus_ >= 0 && controls[focus_].kind == ControlKind::PushButton) {
                dialog_.Click(controls[focus_].id);
            } else {
                for (const auto& c : controls)
                    if (c.kind == ControlKind::DefPushButton) {
                        dialog_.Click(c.id);
                        break;
                    }
            }
            break;
        case Key::Escape:
            dialog_.Click(kIdCancel);
            break;
        case Key::Backspace:
            if (focus_ >= 0 && controls[focus_].kind == ControlKind::Edit) {
                if (composition_.empty())
                    dialog_.DeleteLastChar(controls[focus_].id);
            }
            break;
        default:
            break;
    }
}

} // namespace plat
