// Edit fields of the platform dialogs: typing through text input, Backspace, focus moves, and the
// keys that reach the buttons while a field has the focus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog_view.h"
#include "platform/window.h"

namespace {

plat::DialogTemplate TwoFields() {
    plat::DialogTemplate t;
    t.width = 200;
    t.height = 50;
    auto add = [&t](int id, plat::ControlKind kind, int x, int limit) {
        plat::DialogControl c;
        c.id = id;
        c.kind = kind;
        c.x = x;
        c.y = 5;
        c.width = 50;
        c.height = 14;
        c.textLimit = limit;
        t.controls.push_back(c);
    };
    add(1, plat::ControlKind::DefPushButton, 150, 0);
    add(2, plat::ControlKind::PushButton, 100, 0);
    add(10, plat::ControlKind::Edit, 0, 4);
    add(11, plat::ControlKind::Edit, 50, 0);
    return t;
}

std::vector<int> g_commands;
bool Record(plat::Dialog&, plat::DialogMsg msg, int id) {
    if (msg == plat::DialogMsg::Command)
        g_commands.push_back(id);
    return true;
}

TEST(DialogEdit, TextGoesIntoTheFocusedFieldWithinItsLimit) {
    const plat::DialogTemplate t = TwoFields();
    plat::Dialog dialog(t, Record);
    plat::DialogView view(dialog, nullptr);
    EXPECT_EQ(view.FocusedId(), 10); // the first field has the focus at first
    RECT rect{};
    ASSERT_TRUE(view.FocusedEditRect(&rect));
    EXPECT_EQ(rect.left, 0);
    struct Step {
        const char* typed; // null: Backspace
        const char* field10;
    };
    const Step steps[] = {
        {"张", "张"},    {"ab", "张ab"}, {"c", "张ab"}, {nullptr, "张a"},
        {nullptr, "张"}, {nullptr, ""},  {nullptr, ""}, {"一二三", "一二"},
    };
    for (const Step& s : steps) {
        if (s.typed)
            view.TextInput(s.typed);
        else
            view.KeyPress(plat::Key::Backspace, false);
        EXPECT_EQ(dialog.ItemText(10), s.field10) << (s.typed ? s.typed : "Backspace");
    }
    EXPECT_EQ(dialog.ItemText(11), "");
}

TEST(DialogEdit, CompositionIsShownButNotStoredUntilCommitted) {
    const plat::DialogTemplate t = TwoFields();
    plat::Dialog dialog(t, Record);
    plat::DialogView view(dialog, nullptr);
    view.SetComposition("zhang");
    view.KeyPress(plat::Key::Backspace, false); // the input method edits its own text
    EXPECT_EQ(dialog.ItemText(10), "");
    view.TextInput("张");
    EXPECT_EQ(dialog.ItemText(10), "张");
    std::vector<uint32_t> pixels;
    view.Render(pixels);
    EXPECT_EQ(pixels.size(), static_cast<size_t>(view.Width()) * view.Height());
}

TEST(DialogEdit, KeysMoveTheFocusAndReachTheButtons) {
    const plat::DialogTemplate t = TwoFields();
    plat::Dialog dialog(t, Record);
    plat::DialogView view(dialog, nullptr);
    g_commands.clear();
    view.KeyPress(plat::Key::Tab, false);
    EXPECT_EQ(view.FocusedId(), 11);
    view.TextInput("x");
    EXPECT_EQ(dialog.ItemText(11), "x");
    view.KeyPress(plat::Key::Return, false); // the default button
    view.KeyPress(plat::Key::Escape, false); // button 2
    EXPECT_EQ(g_commands, (std::vector<int>{1, 2}));
    view.KeyPress(plat::Key::Tab, true);
    EXPECT_EQ(view.FocusedId(), 10);
    const RECT other = view.ControlRect(3);
    view.PointerClick(other.left + 2, other.top + 2); // a click gives a field the focus
    EXPECT_EQ(view.FocusedId(), 11);
    EXPECT_EQ(g_commands.size(), 2u); // and sends nothing
}

TEST(DialogEdit, SetItemTextKeepsWhatFitsAndLabelsTakeAnyText) {
    plat::DialogTemplate t = TwoFields();
    plat::DialogControl label;
    label.id = 20;
    label.kind = plat::ControlKind::Static;
    t.controls.push_back(label);
    plat::Dialog dialog(t, Record);
    dialog.SetItemText(10, "abcdef");
    EXPECT_EQ(dialog.ItemText(10), "abcd");
    dialog.SetItemText(20, "any length of text");
    EXPECT_EQ(dialog.ItemText(20), "any length of text");
    dialog.SetItemText(99, "unknown");
    EXPECT_EQ(dialog.ItemText(99), "");
    dialog.InsertText(1, "not a field");
    EXPECT_EQ(dialog.ItemText(1), "");
}

} // namespace
