// Message boxes drawn by the platform layer: the layout of their text and buttons, the picture, and
// the answers given by keys (under SDL's dummy video driver).
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_view.h"
#include "platform/glyph_source.h"
#include "platform/termination.h"
#include "platform/text_codec.h"

namespace {

using plat::BoxButtons;
using plat::ControlKind;

constexpr char kQuestion[] = "确定要退出游戏吗？";

GlyphSource* Glyphs() {
    static std::unique_ptr<GlyphSource> source = CreateSystemGlyphSource();
    return source.get();
}

int LineWidth(const std::string& utf8) {
    plat::SelectDialogFont(Glyphs(), plat::kMessageBoxFace);
    return plat::GameTextWidth(Glyphs(), text_codec::Utf8ToGameTextLossy(utf8));
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

std::string Joined(const std::vector<std::string>& lines, const std::string& sep) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i)
        out += (i ? sep : "") + lines[i];
    return out;
}

TEST(MessageBoxLayout, TextIsWrappedWithinFiveEighthsOfTheScreenAndTheBoxStaysOnIt) {
    struct Case {
        const char* what;
        std::string text;
        int screenWidth, screenHeight;
        std::vector<std::string> lines; // empty: checked by `joinedWith` instead
        const char* joinedWith;         // the lines put together again give the text
        bool clipped;
    } cases[] = {
        {"the quit question", kQuestion, 1024, 768, {kQuestion}, nullptr, false},
        {"lines of their own", "one\ntwo\r\n\tthree", 1024, 768, {"one", "two", "three"}, nullptr, false},
        {"an empty text", "", 1024, 768, {""}, nullptr, false},
        {"bytes that are not UTF-8",
         "ab\xFF\xFE"
         "c",
         1024,
         768,
         {"ab??c"},
         nullptr,
         false},
        {"a character GBK lacks", "x\xF0\x9F\x98\x80y", 1024, 768, {"x?y"}, nullptr, false},
        {"words broken at spaces", Repeat("word ", 60) + "end", 640, 480, {}, " ", false},
        {"Chinese broken between characters", Repeat("汉字", 80), 640, 480, {}, "", false},
        {"one long word cut where the line is full", std::string(300, 'w'), 640, 480, {}, "", false},
        {"more lines than the screen holds", Repeat("line\n", 200) + "last", 1024, 768, {}, nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        plat::MessageBoxLayout layout =
            plat::LayoutMessageBox(c.text, BoxButtons::OkCancel, Glyphs(), c.screenWidth, c.screenHeight);
        if (!c.lines.empty()) {
            EXPECT_EQ(layout.lines, c.lines);
        }
        if (c.joinedWith) {
            EXPECT_GT(layout.lines.size(), 1u);
            EXPECT_EQ(Joined(layout.lines, c.joinedWith), c.text);
        }
        EXPECT_EQ(layout.clipped, c.clipped);
        if (c.clipped) {
            ASSERT_FALSE(layout.lines.empty());
            EXPECT_TRUE(layout.lines.back().ends_with("...")) << layout.lines.back();
        }
        int maxText = c.screenWidth * 5 / 8 - 2 * plat::DialogUnitsToPixels(10);
        for (const auto& line : layout.lines)
            EXPECT_LE(LineWidth(line), maxText) << line;
        EXPECT_LE(plat::DialogUnitsToPixels(layout.tmpl.width), c.screenWidth * 5 / 8 + 2);
        EXPECT_LE(plat::DialogUnitsToPixels(layout.tmpl.height), c.screenHeight);
        // One Text control per line, then OK (the default) and Cancel on one row inside the box.
        const auto& controls = layout.tmpl.controls;
        ASSERT_EQ(controls.size(), layout.lines.size() + 2);
        const auto& ok = controls[controls.size() - 2];
        const auto& cancel = controls.back();
        EXPECT_EQ(ok.kind, ControlKind::DefPushButton);
        EXPECT_EQ(ok.id, plat::kIdOk);
        EXPECT_EQ(ok.text, plat::kOkText);
        EXPECT_EQ(cancel.kind, ControlKind::PushButton);
        EXPECT_EQ(cancel.id, plat::kIdCancel);
        EXPECT_LT(ok.x + ok.width, cancel.x);
        EXPECT_EQ(ok.y, cancel.y);
        EXPECT_LE(cancel.x + cancel.width, layout.tmpl.width);
        EXPECT_LE(cancel.y + cancel.height, layout.tmpl.height);
        EXPECT_GE(ok.y, controls[layout.lines.size() - 1].y + controls[layout.lines.size() - 1].height);
    }
}

TEST(MessageBoxLayout, WithoutAFontTheBoxKeepsItsSizeAndButtons) {
    for (BoxButtons buttons : {BoxButtons::Ok, BoxButtons::OkCancel}) {
        plat::MessageBoxLayout layout =
            plat::LayoutMessageBox(Repeat("text ", 100), buttons, nullptr, 1024, 768);
        size_t buttonCount = buttons == BoxButtons::Ok ? 1 : 2;
        ASSERT_EQ(layout.tmpl.controls.size(), layout.lines.size() + buttonCount);
        EXPECT_GT(layout.lines.size(), 1u);
        EXPECT_LE(plat::DialogUnitsToPixels(layout.tmpl.width), 1024 * 5 / 8 + 2);
        EXPECT_EQ(layout.tmpl.controls[layout.lines.size()].id, plat::kIdOk);
    }
}

// Pixels of the box's picture darker than the face inside `r`.
int DarkPixels(const std::vector<uint32_t>& px, int width, const RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += (px[static_cast<size_t>(y) * width + x] & 0xFF) < 0x80;
    return n;
}

bool EndOnCommand(plat::Dialog& d, plat::DialogMsg msg, int id) {
    if (msg == plat::DialogMsg::Command)
        d.End(id);
    return true;
}

TEST(MessageBoxPicture, TheTextIsDrawnAndReturnTabAndSpaceAnswer) {
    plat::MessageBoxLayout layout =
        plat::LayoutMessageBox(kQuestion, BoxButtons::OkCancel, Glyphs(), 1024, 768);
    struct Case {
        std::vector<plat::Key> keys;
        int answer;
    } cases[] = {
        {{plat::Key::Return}, plat::kIdOk},
        {{plat::Key::NumpadEnter}, plat::kIdOk},
        {{plat::Key::Tab, plat::Key::Return}, plat::kIdCancel},
        {{plat::Key::Tab, plat::Key::Tab, plat::Key::Space}, plat::kIdOk},
    };
    for (const auto& c : cases) {
        plat::Dialog dialog(layout.tmpl, EndOnCommand);
        plat::DialogView view(dialog, Glyphs());
        dialog.Init();
        std::vector<uint32_t> px;
        view.Render(px);
        ASSERT_EQ(px.size(), static_cast<size_t>(view.Width()) * view.Height());
        RECT text = view.ControlRect(0);
        EXPECT_GT(DarkPixels(px, view.Width(), text), 100) << "no text drawn";
        RECT ok = view.ControlRect(1);
        EXPECT_GT(DarkPixels(px, view.Width(), ok), 50) << "no OK button drawn";
        for (plat::Key key : c.keys)
            view.KeyPress(key, false);
        EXPECT_TRUE(dialog.Ended());
        EXPECT_EQ(dialog.Result(), c.answer);
    }
}

// Under SDL's dummy video driver: keys given to the owner window (where the focus may still be) and a
// request to end the game answer the box.
class SdlBox : public ::testing::Test {
protected:
    void SetUp() override {
        // Whatever the environment names: a real display's driver is neither needed nor touched.
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
            GTEST_SKIP() << "no SDL video: " << SDL_GetError();
        owner_ = SDL_CreateWindow("owner", 0, 0, 320, 200, SDL_WINDOW_HIDDEN);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override {
        if (owner_)
            SDL_DestroyWindow(owner_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
        plat::ClearTerminationRequest();
    }
    void PushKey(SDL_Scancode sc) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.windowID = SDL_GetWindowID(owner_);
        e.key.keysym.scancode = sc;
        e.key.state = SDL_PRESSED;
        SDL_PushEvent(&e);
    }
    SDL_Window* owner_ = nullptr;
};

// A dialog like the name entry: Escape and the close box press its button 2, which refills its field
// and leaves it open; Return then ends it with 1. Each case's events are sent once the dialog shows.
std::vector<SDL_Event> g_eventsAtInit;
int g_refills = 0;
bool RefillingDialogProc(plat::Dialog& dialog, plat::DialogMsg msg, int id) {
    if (msg == plat::DialogMsg::InitDialog) {
        const uint32_t window = SDL_GetWindowID(static_cast<SDL_Window*>(dialog.NativeWindow()));
        for (SDL_Event e : g_eventsAtInit) {
            if (e.type == SDL_WINDOWEVENT)
                e.window.windowID = window;
            SDL_PushEvent(&e);
        }
    } else if (id == 2) {
        ++g_refills;
    } else if (id == 1) {
        dialog.End(1);
    }
    return true;
}

TEST_F(SdlBox, EscapeAndTheCloseBoxPressTheDialogsDefaultsButtonWithoutEndingIt) {
    SDL_Event close{}, escape{}, enter{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    for (auto [e, sc] : {std::pair{&escape, SDL_SCANCODE_ESCAPE}, {&enter, SDL_SCANCODE_RETURN}}) {
        e->type = SDL_KEYDOWN;
        e->key.windowID = SDL_GetWindowID(owner_);
        e->key.keysym.scancode = sc;
    }
    plat::DialogTemplate t;
    t.width = 120;
    t.height = 40;
    for (auto [id, kind] : {std::pair{1, ControlKind::DefPushButton}, {2, ControlKind::PushButton}}) {
        plat::DialogControl c;
        c.id = id;
        c.kind = kind;
        c.x = 50 * id - 40;
        c.y = 10;
        c.width = 40;
        c.height = 14;
        t.controls.push_back(c);
    }
    for (const SDL_Event& first : {close, escape}) {
        SCOPED_TRACE(first.type == SDL_WINDOWEVENT ? "close box" : "Escape");
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        g_eventsAtInit = {first, enter};
        g_refills = 0;
        plat::Dialog dialog(t, RefillingDialogProc);
        plat::DialogView view(dialog, Glyphs());
        EXPECT_EQ(plat::RunSdlModal(dialog, view, "name", owner_, 2), 1);
        EXPECT_EQ(g_refills, 1);
    }
}

TEST_F(SdlBox, KeysAndTerminationAnswerIt) {
    struct Case {
        const char* what;
        BoxButtons buttons;
        std::vector<SDL_Scancode> keys;
        bool terminate;
        int answer;
    } cases[] = {
        {"Return", BoxButtons::OkCancel, {SDL_SCANCODE_RETURN}, false, plat::kIdOk},
        {"Escape", BoxButtons::OkCancel, {SDL_SCANCODE_ESCAPE}, false, plat::kIdCancel},
        {"Tab, Return",
         BoxButtons::OkCancel,
         {SDL_SCANCODE_TAB, SDL_SCANCODE_RETURN},
         false,
         plat::kIdCancel},
        {"Escape on an OK box", BoxButtons::Ok, {SDL_SCANCODE_ESCAPE}, false, plat::kIdOk},
        {"termination", BoxButtons::OkCancel, {}, true, plat::kIdCancel},
        {"termination on an OK box", BoxButtons::Ok, {}, true, plat::kIdOk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        for (SDL_Scancode sc : c.keys)
            PushKey(sc);
        if (c.terminate)
            plat::RequestTermination(plat::TerminationCause::Signal);
        EXPECT_EQ(plat::ShowSdlMessageBox(owner_, Glyphs(), kQuestion, "Kestrel", c.buttons), c.answer);
        plat::ClearTerminationRequest();
    }
}

} // namespace
