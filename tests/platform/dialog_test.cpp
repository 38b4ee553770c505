// Dialogs: radio groups, the procedure's messages and the drawn dialog's input.
#include <gtest/gtest.h>

#include <vector>

#include "platform/dialog_view.h"
#include "platform/headless.h"
#include "platform/window.h"

namespace {

std::vector<int> g_commands;
bool Proc(plat::Dialog& d, plat::DialogMsg msg, int id) {
    if (msg == plat::DialogMsg::InitDialog) {
        d.SetCheck(11, true);
        d.SetCheck(21, true);
        return true;
    }
    g_commands.push_back(id);
    if (id == 1)
        d.End(42);
    if (id == 2)
        d.End(-1);
    return false;
}

plat::DialogTemplate Template() {
    using plat::ControlKind;
    plat::DialogTemplate t;
    t.width = 200;
    t.height = 100;
    auto add = [&t](int id, ControlKind kind, int x, int y, bool group) {
        plat::DialogControl c;
        c.id = id;
        c.kind = kind;
        c.x = x;
        c.y = y;
        c.width = 40;
        c.height = 10;
        c.groupStart = group;
        t.controls.push_back(c);
    };
    add(1, ControlKind::DefPushButton, 100, 80, false);
    add(2, ControlKind::PushButton, 150, 80, false);
    add(-1, ControlKind::GroupBox, 0, 0, false);
    add(11, ControlKind::RadioButton, 10, 10, true);
    add(12, ControlKind::RadioButton, 10, 25, false);
    add(21, ControlKind::RadioButton, 10, 50, true);
    add(22, ControlKind::RadioButton, 10, 65, false);
    return t;
}

TEST(DialogRadios, AClickChecksItsButtonAndClearsOnlyItsGroup) {
    g_commands.clear();
    auto t = Template();
    plat::Dialog d(t, Proc);
    d.Init();
    d.Click(12);
    EXPECT_FALSE(d.IsChecked(11));
    EXPECT_TRUE(d.IsChecked(12));
    EXPECT_TRUE(d.IsChecked(21));
    d.Click(22);
    EXPECT_TRUE(d.IsChecked(12));
    EXPECT_FALSE(d.IsChecked(21));
    d.Click(-1); // a group box sends nothing
    d.Click(99); // no such control
    EXPECT_EQ(g_commands, (std::vector<int>{12, 22}));
    d.Click(1);
    EXPECT_TRUE(d.Ended());
    EXPECT_EQ(d.Result(), 42);
    d.Click(2); // nothing after the end
    EXPECT_EQ(d.Result(), 42);
}

TEST(DialogHeadless, ScriptedClicksOrCancelWhenTheScriptRunsOut) {
    plat::ScopedHeadlessBackend headless;
    auto t = Template();
    headless.backend().dialogAnswers.push_back({{12, 1}});
    headless.backend().dialogAnswers.push_back({{22}});
    EXPECT_EQ(plat::DialogBox(t, Proc), 42);
    EXPECT_EQ(headless.backend().lastDialogChecked, (std::vector<int>{12, 21}));
    EXPECT_EQ(plat::DialogBox(t, Proc), -1);
    EXPECT_EQ(plat::DialogBox(t, Proc), 42); // unscripted: the default button
    EXPECT_EQ(headless.backend().dialogsShown, 3);
}

TEST(DialogView, PointerAndKeysReachTheControls) {
    g_commands.clear();
    auto t = Template();
    plat::Dialog d(t, Proc);
    plat::DialogView view(d, nullptr);
    d.Init();
    EXPECT_EQ(view.Width(), 300);
    EXPECT_EQ(view.Height(), 150);
    EXPECT_EQ(view.FocusedId(), 1); // the default button
    RECT r = view.ControlRect(d.IndexOf(12));
    EXPECT_EQ(view.ControlAt(r.left + 2, r.top + 2), 12);
    EXPECT_EQ(view.ControlAt(0, 0), -1);
    view.PointerClick(r.left + 2, r.top + 2);
    EXPECT_TRUE(d.IsChecked(12));
    EXPECT_EQ(view.FocusedId(), 12);
    view.KeyPress(plat::Key::Up, false); // moves the check within the group
    EXPECT_TRUE(d.IsChecked(11));
    view.KeyPress(plat::Key::Up, false); // the group's first button: stays
    EXPECT_TRUE(d.IsChecked(11));
    view.KeyPress(plat::Key::Tab, false); // to the second group, at its checked button
    EXPECT_EQ(view.FocusedId(), 21);
    view.KeyPress(plat::Key::Down, false);
    EXPECT_TRUE(d.IsChecked(22));
    view.KeyPress(plat::Key::Tab, false); // wraps to the first push button
    EXPECT_EQ(view.FocusedId(), 1);
    view.KeyPress(plat::Key::Tab, false);
    EXPECT_EQ(view.FocusedId(), 2);
    view.KeyPress(plat::Key::Tab, true);
    EXPECT_EQ(view.FocusedId(), 1);
    view.KeyPress(plat::Key::Escape, false);
    EXPECT_TRUE(d.Ended());
    EXPECT_EQ(d.Result(), -1);
}

TEST(DialogView, ReturnPressesTheDefaultButtonUnlessAnotherButtonHasTheFocus) {
    auto t = Template();
    plat::Dialog a(t, Proc);
    plat::DialogView va(a, nullptr);
    a.Init();
    va.KeyPress(plat::Key::Return, false);
    EXPECT_EQ(a.Result(), 42);
    plat::Dialog b(t, Proc);
    plat::DialogView vb(b, nullptr);
    b.Init();
    vb.KeyPress(plat::Key::Tab, false); // Cancel
    vb.KeyPress(plat::Key::Return, false);
    EXPECT_EQ(b.Result(), -1);
}

TEST(DialogView, RendersThePictureAndTheCheckedMark) {
    auto t = Template();
    plat::DialogControl pic;
    pic.kind = plat::ControlKind::Picture;
    pic.x = 100;
    pic.y = 10;
    pic.width = 20;
    pic.height = 20;
    pic.imageWidth = 1;
    pic.imageHeight = 1;
    pic.image = {0xFF112233u};
    t.controls.push_back(pic);
    plat::Dialog d(t, Proc);
    plat::DialogView view(d, nullptr);
    d.Init();
    std::vector<uint32_t> px;
    view.Render(px);
    ASSERT_EQ(px.size(), static_cast<size_t>(view.Width()) * view.Height());
    RECT pr = view.ControlRect(static_cast<int>(t.controls.size()) - 1);
    EXPECT_EQ(px[static_cast<size_t>(pr.top + 5) * view.Width() + pr.left + 5], 0xFF112233u);
    // The dot of a checked radio button is black, of an unchecked one white.
    auto centre = [&](int id) {
        RECT r = view.ControlRect(d.IndexOf(id));
        return px[static_cast<size_t>((r.top + r.bottom) / 2) * view.Width() + r.left + 6];
    };
    EXPECT_EQ(centre(11), 0xFF000000u);
    EXPECT_EQ(centre(12), 0xFFFFFFFFu);
}

} // namespace
