// The name check and the dialog's edit fields on their own.
#include <gtest/gtest.h>

#include <string>

#include "platform/headless.h"
#include "platform/text_codec.h"
#include "screens/name_dialog.h"
#include "screens/system_data.h"

namespace {

std::string Gbk(const char* utf8) {
    return text_codec::Utf8ToGameTextLossy(utf8);
}

TEST(NameCheck, RefusesHalfWidthAndBlankNamesAndDropsFullWidthSpaces) {
    struct Case {
        const char* what;
        std::string typed;
        const char* warning; // null: accepted
        std::string stored;
    };
    const Case cases[] = {
        {"two characters", Gbk("张三"), nullptr, Gbk("张三")},
        {"five characters", Gbk("一二三四五"), nullptr, Gbk("一二三四五")},
        {"an ASCII letter first", Gbk("A张"), kNameHalfWidthWarning, ""},
        {"a space", Gbk("张 三"), kNameHalfWidthWarning, ""},
        {"a byte of 0x80", std::string("\x80\xA1"), kNameHalfWidthWarning, ""},
        {"a lone lead byte at the end", Gbk("张") + "\xB0", kNameHalfWidthWarning, ""},
        {"only the first code page's full-width space", std::string("\x81\x40"), kNameFullWidthWarning, ""},
        {"only full-width spaces", Gbk("　　"), kNameFullWidthWarning, ""},
        {"spaces inside are dropped", Gbk("张　三"), nullptr, Gbk("张三")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char out[kNameFieldBytes + 1];
        const char* warning = CheckName(c.typed, out);
        if (c.warning) {
            ASSERT_NE(warning, nullptr);
            EXPECT_STREQ(warning, c.warning);
        } else {
            ASSERT_EQ(warning, nullptr);
            EXPECT_EQ(std::string(out), c.stored);
        }
        EXPECT_EQ(out[kNameFieldBytes], '\0');
    }
}

TEST(NameCheck, OKWarnsOfHalfWidthCharactersInEitherNameBeforeABlankOne) {
    struct Case {
        const char* family;
        const char* given;
        const char* warning; // null: accepted without a box
    };
    const Case cases[] = {
        {"", "张", kNameEmptyWarning},         {"　", "a", kNameHalfWidthWarning},
        {"a", "　", kNameHalfWidthWarning},    {"　", "张", kNameFullWidthWarning},
        {"张", "　　", kNameFullWidthWarning}, {"张", "三", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.family) + "/" + c.given);
        plat::ScopedHeadlessBackend headless;
        plat::Dialog dialog(NameDialogTemplate(), NameDlgProc);
        dialog.Init();
        dialog.SetItemText(kIdFamilyName, c.family);
        dialog.SetItemText(kIdGivenName, c.given);
        dialog.Click(plat::kIdOk);
        const auto& boxes = headless.backend().boxes;
        ASSERT_EQ(boxes.size(), c.warning ? 1u : 0u);
        EXPECT_EQ(dialog.Ended(), c.warning == nullptr);
        if (c.warning) {
            EXPECT_EQ(boxes[0].text, c.warning);
            EXPECT_TRUE(boxes[0].overDialog) << "the warning belongs to the dialog";
        }
    }
    SetSystemDataDefaults();
}

TEST(NameDialogFields, TypingStopsAtTheFieldAtACharacter) {
    plat::Dialog dialog(NameDialogTemplate(), nullptr);
    struct Case {
        const char* typed;
        const char* kept;
    };
    const Case cases[] = {
        {"一二三四五六", "一二三四五"},
        {"abcdefghijkl", "abcdefghij"},
        {"abc张三四五", "abc张三四"}, // 3 + 6 bytes; the next would make 11
        {"张\n三", "张三"},
        {"😀一二三四五", "😀一二三四"}, // not in the code page: one byte, as the check later sees it
    };
    for (const Case& c : cases) {
        dialog.SetItemText(kIdGivenName, "");
        dialog.InsertText(kIdGivenName, c.typed);
        EXPECT_EQ(dialog.ItemText(kIdGivenName), c.kept) << c.typed;
    }
    dialog.SetItemText(kIdGivenName, "张三");
    dialog.DeleteLastChar(kIdGivenName);
    EXPECT_EQ(dialog.ItemText(kIdGivenName), "张");
    dialog.DeleteLastChar(kIdGivenName);
    dialog.DeleteLastChar(kIdGivenName);
    EXPECT_EQ(dialog.ItemText(kIdGivenName), "");
}

TEST(NameDialogFields, CaptionAndTextsAreTheGamesOwn) {
    const plat::DialogTemplate& t = NameDialogTemplate();
    EXPECT_EQ(t.caption, "更改主人公姓名（最多5个全角字符）");
    EXPECT_EQ(t.width, 203);
    EXPECT_EQ(t.height, 49);
    std::string texts;
    for (const auto& c : t.controls) {
        texts += c.text + "|";
    }
    EXPECT_EQ(texts, "OK|默认|||姓|名|※请输入全角字符||");
}

} // namespace
