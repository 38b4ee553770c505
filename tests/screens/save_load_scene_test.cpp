#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "platform/glyph_source.h"
#include "platform/local_time.h"
#include "screens/load_scene.h"
#include "screens/save_data.h"
#include "screens/save_scene.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "screens/system_data.h"
#include "script/script_asm.h"
#include "script/script_mng.h"

namespace {

using screentest::PixelOf;
using screentest::ScreenRuntime;

constexpr uint32_t kBase = 0x00203040;
constexpr uint32_t kGameColour = 0x00506070;

// Digit d of the slot numbers and of the date: a colour of its own (blue 10 d + 100, green 7).
uint32_t DigitColour(int d) {
    return static_cast<uint32_t>(100 + 10 * d) | 0x0700;
}

// The screens' pictures: a flat page, a parts atlas that draws nothing (so the digits are seen on the
// page), and digit atlases in which every digit and sign is a flat block of its own colour.
void WriteSlotPictures(const screentest::TempGameFolder& folder) {
    for (const char* base : {"system/save_base.bmp", "system/load_base.bmp"})
        folder.WriteFlatBitmap(base, 1024, 576, kBase);
    for (const char* parts : {"system/save_parts.bmp", "system/load_parts.bmp"})
        folder.WriteBitmap32(parts, 501, 414, std::vector<uint32_t>(501 * 414, 0));
    std::vector<uint32_t> slotDigits(260 * 42);
    for (int x = 0; x < 260; ++x)
        for (int y = 0; y < 42; ++y)
            slotDigits[static_cast<size_t>(y) * 260 + x] = 0xFF000000u | DigitColour(x / 26);
    folder.WriteBitmap32("system/data_no.bmp", 260, 42, slotDigits);
    std::vector<uint32_t> time(146 * 19);
    for (int x = 0; x < 146; ++x)
        for (int y = 0; y < 19; ++y)
            time[static_cast<size_t>(y) * 146 + x] =
                0xFF000000u | (x < 90 ? DigitColour(x / 9) : 0x00FF00FFu);
    folder.WriteBitmap32("system/time_03.bmp", 146, 19, time);
}

// A running game that a system screen is opened from: a script, a picture on screen, the snapshot the
// message window takes.
struct SlotScreen : ::testing::Test {
    ScreenRuntime rt;
    LocalDateTime date{2026, 1, 3, 9, 5};

    void SetUp() override {
        SetLocalDateTimeOverride(&date);
        WriteSlotPictures(rt.folder());
        const auto r = kestrel::sasm::Assemble("    SetVar 1, 7\n    Message \"你好\"\n    SetVar 2, 8\n");
        ASSERT_TRUE(r.ok());
        rt.folder().WriteFile("script/fixture.s", kestrel::sasm::InvertBytes(r.bytes));
        ASSERT_NE(g_pScriptMng->LoadScript("fixture.s"), nullptr);
        g_ScreenSurface->Fill(kGameColour, nullptr);
        ReplaceSurface(g_SavedScreenSurface, ScreenCopy(rt.hwnd(), g_ScreenSurface));
    }
    void TearDown() override { SetLocalDateTimeOverride(nullptr); }

    // Opens a screen as the message window or the title menu does.
    void Open(uint8_t scene, bool fromGame) {
        g_pScriptMng->m_menuFromGame = fromGame ? 1 : 0;
        g_pGameMain->returnScene = kSceneMessage;
        g_pGameMain->scene = scene;
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i)
            g_pGameMain->Frame();
    }
    // Frames with Ctrl held, so that every fade ends on its frame.
    void Quick(int n) {
        rt.SetCtrl(true);
        Frames(n);
        rt.SetCtrl(false);
    }
    void ClickAt(const RECT& r, bool right = false) {
        rt.MoveMouse(r.left + 5, r.top + 5);
        Frames(1); // the hover
        if (right)
            g_pMouse->GetState()->right = 1;
        else
            rt.PressLeft();
        Frames(1);
    }
    CSlotPageScene* Screen(uint8_t scene) {
        return scene == kSceneSave ? static_cast<CSlotPageScene*>(g_pSaveLoadScene)
                                   : static_cast<CSlotPageScene*>(g_pLoadScene);
    }
    std::string SlotFile(int slot) const {
        return rt.folder().path() + "/" + SaveSlotPath(slot).replace(4, 1, "/");
    }
    bool SlotExists(int slot) const { return std::ifstream(SlotFile(slot)).good(); }
};

TEST_F(SlotScreen, SavingIntoTheLastSlotWritesItsFileWithTheDate) {
    g_SystemData.savePage = 9;
    Open(kSceneSave, true);
    Quick(3);
    ASSERT_NE(g_pSaveLoadScene, nullptr);
    ASSERT_EQ(g_pSaveLoadScene->state, CSlotPageScene::kInput);
    ClickAt(CSlotPageScene::SlotRect(9));
    EXPECT_EQ(g_pSaveLoadScene->chosen, 9);
    Quick(2);
    ASSERT_EQ(g_pSaveLoadScene->state, CSlotPageScene::kBoxInput);
    ClickAt(CSlotPageScene::kYesRect);
    Quick(3);
    EXPECT_EQ(g_pSaveLoadScene->state, CSlotPageScene::kInput);
    std::ifstream in(SlotFile(99), std::ios::binary);
    std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(b.size(), kSaveDataSize);
    const uint16_t expected[5] = {2026, 1, 3, 9, 5};
    EXPECT_EQ(std::memcmp(&b[0x3E4EC], expected, sizeof expected), 0);
    EXPECT_EQ(b[0x0B644], kSceneMessage);
    // Slot 100 shows its three digits: 1 at X + 20, 0 at X + 46 and 0 at X + 72 (X = 511, Y = 388).
    const int32_t X = 511, Y = 97 * 4 + 122;
    EXPECT_EQ(PixelOf(g_ScreenSurface, X + 20 + 13, Y + 20) & 0xFFFFFF, DigitColour(1));
    EXPECT_EQ(PixelOf(g_ScreenSurface, X + 46 + 13, Y + 20) & 0xFFFFFF, DigitColour(0));
    EXPECT_EQ(PixelOf(g_ScreenSurface, X + 72 + 13, Y + 20) & 0xFFFFFF, DigitColour(0));
    // A right click leaves: the fade to the game's picture, then the scene it was opened from.
    g_pMouse->GetState()->right = 1;
    rt.SetCtrl(true);
    for (int i = 0; i < 10 && g_pGameMain->scene == kSceneSave; ++i)
        g_pGameMain->Frame();
    rt.SetCtrl(false);
    EXPECT_EQ(g_pGameMain->scene, kSceneMessage);
    EXPECT_EQ(g_pSaveLoadScene, nullptr);
    EXPECT_EQ(PixelOf(g_ScreenSurface, 500, 300) & 0xFFFFFF, kGameColour);
}

TEST_F(SlotScreen, NoAndRightClickInTheBoxWriteNothing) {
    for (bool right : {false, true}) {
        Open(kSceneSave, true);
        Quick(3);
        ClickAt(CSlotPageScene::SlotRect(2));
        Quick(2);
        ASSERT_EQ(g_pSaveLoadScene->state, CSlotPageScene::kBoxInput);
        ClickAt(CSlotPageScene::kNoRect, right);
        EXPECT_EQ(g_pSaveLoadScene->answer, CSlotPageScene::kAnswerNo);
        Quick(3);
        EXPECT_EQ(g_pSaveLoadScene->state, CSlotPageScene::kInput);
        EXPECT_FALSE(SlotExists(2)) << (right ? "right click" : "No");
        g_pGameMain->scene = kSceneMessage;
        Frames(1);
    }
}

TEST_F(SlotScreen, PreviewShowsTheDateWithLeadingZeros) {
    struct Case {
        LocalDateTime when;
        // The digits expected at the date's twelve digit places (-1: nothing drawn, the page shows).
        int digits[12];
    };
    const int32_t places[12] = {178, 188, 198, 208, 228, 238, 258, 268, 289, 299, 316, 325};
    const Case cases[] = {
        {{2026, 1, 3, 9, 5}, {2, 0, 2, 6, 0, 1, 0, 3, 0, 9, 0, 5}},
        {{987, 12, 31, 23, 59}, {-1, 9, 8, 7, 1, 2, 3, 1, 2, 3, 5, 9}},
    };
    for (const Case& c : cases) {
        date = c.when;
        Open(kSceneSave, true);
        Quick(3);
        ClickAt(CSlotPageScene::SlotRect(0));
        Quick(2);
        ClickAt(CSlotPageScene::kYesRect);
        Quick(3);
        // Hovering another slot redraws slot 0 as the page shows it.
        rt.MoveMouse(600, 20);
        Frames(1);
        for (int i = 0; i < 12; ++i) {
            const uint32_t got = PixelOf(g_ScreenSurface, places[i] + 4, 90 + 9) & 0xFFFFFF;
            const uint32_t want = c.digits[i] < 0 ? kBase : DigitColour(c.digits[i]);
            EXPECT_EQ(got, want) << c.when.year << " place " << i;
        }
        g_pGameMain->scene = kSceneMessage;
        Frames(1);
    }
}

TEST_F(SlotScreen, PagesAreRememberedApartAndTheCurrentOneNeverLights) {
    for (uint8_t scene : {kSceneSave, kSceneLoad}) {
        Open(scene, true);
        Quick(3);
        // The current page's button is passed over by the hit test.
        rt.MoveMouse(CSlotPageScene::PageButtonRect(0).left + 3, 50);
        Frames(1);
        EXPECT_EQ(Screen(scene)->hoveredPage, 0);
        ClickAt(CSlotPageScene::PageButtonRect(scene == kSceneSave ? 4 : 7));
        EXPECT_EQ(Screen(scene)->page, scene == kSceneSave ? 4 : 7);
        g_pGameMain->scene = kSceneMessage;
        Frames(1);
    }
    EXPECT_EQ(g_SystemData.savePage, 4);
    EXPECT_EQ(g_SystemData.loadPage, 7);
}

TEST_F(SlotScreen, LoadFromTheTitleTakesOnlyUsedSlotsAndLeavesAtOnce) {
    Open(kSceneLoad, false);
    Quick(3);
    ASSERT_EQ(g_pLoadScene->state, CSlotPageScene::kInput);
    ClickAt(CSlotPageScene::SlotRect(3));
    EXPECT_EQ(g_pLoadScene->state, CSlotPageScene::kInput) << "an empty slot cannot be chosen";
    EXPECT_EQ(g_pMouse->GetState()->left, 0) << "the click is used up";
    g_pMouse->GetState()->right = 1;
    Frames(2);
    EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu);
}

TEST_F(SlotScreen, LoadResumesInTheSceneOfTheRecord) {
    const std::pair<uint8_t, uint8_t> cases[] = {{kSceneMessage, kSceneMessage},
                                                 {kSceneChoice, kSceneScript},
                                                 {kSceneCommand, kSceneCommand},
                                                 {kSceneItemSelect, kSceneScript}};
    for (const auto& [stored, resumed] : cases) {
        g_pScriptMng->SetVar(1, 0);
        g_pGameMain->returnScene = stored;
        g_pScriptMng->SetVar(5, stored);
        BuildSaveRecord(rt.hwnd());
        ASSERT_TRUE(WriteSaveSlot(0, g_SaveData));
        g_pScriptMng->SetVar(5, 0);
        g_SystemData.loadPage = 0;
        Open(kSceneLoad, false);
        Quick(3);
        ClickAt(CSlotPageScene::SlotRect(0));
        Quick(2);
        ASSERT_EQ(g_pLoadScene->state, CSlotPageScene::kBoxInput);
        ClickAt(CSlotPageScene::kYesRect);
        Quick(5);
        EXPECT_EQ(g_pGameMain->scene, resumed) << int(stored);
        EXPECT_EQ(g_pLoadScene, nullptr);
        EXPECT_EQ(g_pScriptMng->GetVar(5), stored);
        g_pGameMain->scene = kSceneMessage;
    }
}

TEST_F(SlotScreen, AFileGoneBeforeTheLoadReturnsToThePage) {
    g_pGameMain->returnScene = kSceneMessage;
    BuildSaveRecord(rt.hwnd());
    ASSERT_TRUE(WriteSaveSlot(0, g_SaveData));
    g_pScriptMng->SetVar(9, 33);
    Open(kSceneLoad, true);
    Quick(3);
    ClickAt(CSlotPageScene::SlotRect(0));
    Quick(2);
    // The slot's file is cut short outside the game while the box is open.
    rt.folder().WriteFile("save/savefile00.sav", std::vector<uint8_t>(100));
    ClickAt(CSlotPageScene::kYesRect);
    Quick(4);
    EXPECT_EQ(g_pGameMain->scene, kSceneLoad);
    EXPECT_EQ(g_pLoadScene->state, CSlotPageScene::kInput);
    EXPECT_EQ(g_pScriptMng->GetVar(9), 33);
}

TEST_F(SlotScreen, KeyboardModeGlidesTheCursorOntoYes) {
    g_SystemData.keyboardMode = 1;
    Open(kSceneSave, true);
    Quick(3);
    ClickAt(CSlotPageScene::SlotRect(1));
    Frames(1); // the box opens over 400 ms
    ASSERT_EQ(g_pSaveLoadScene->state, CSlotPageScene::kOpenBox);
    rt.clock().Advance(400);
    Frames(1);
    ASSERT_EQ(g_pSaveLoadScene->state, CSlotPageScene::kGlide);
    rt.clock().Advance(92); // with the frame pause of 8 ms, half way: sin 135 degrees of the way back
    Frames(1);
    const int32_t startX = CSlotPageScene::SlotRect(1).left + 5, startY = CSlotPageScene::SlotRect(1).top + 5;
    EXPECT_NEAR(rt.backend().warpX, 450 + (startX - 450) * 0.7071, 2);
    EXPECT_NEAR(rt.backend().warpY, 317 + (startY - 317) * 0.7071, 2);
    rt.clock().Advance(100);
    Frames(1);
    EXPECT_EQ(g_pSaveLoadScene->state, CSlotPageScene::kBoxInput);
    EXPECT_EQ(rt.backend().warpX, 450); // the centre of Yes
    EXPECT_EQ(rt.backend().warpY, 317);
}

// A glyph source that only notes the characters asked of it (none has a picture).
struct NotingGlyphSource : GlyphSource {
    std::vector<uint32_t>* codes;
    explicit NotingGlyphSource(std::vector<uint32_t>* c) : codes(c) {}
    bool CreateFont(const FontRequest&) override { return true; }
    int32_t GetAscent() const override { return 12; }
    bool GetGlyph(uint32_t code, GlyphFormat, GlyphBitmap*) override {
        codes->push_back(code);
        return false;
    }
};

TEST_F(SlotScreen, CaptionShowsTheMessageStartWithTheHeroNames) {
    struct Case {
        const char* text; // game text of the record's plain message
        std::vector<uint32_t> drawn;
    };
    const std::vector<uint32_t> fourteen(14, 0xD2BB);
    const Case cases[] = {
        {"\xD2\xBB\xB6\xFE", {0xD2BB, 0xB6FE}},
        {"ab\xD2\xBB", {0xD2BB}},                               // one-byte characters are not drawn
        {"\xA1\xE7\xD2\xBB\x81\xAB\xB6\xFE", {0xD2BB, 0xB6FE}}, // mark codes are stepped over
        {"\xD2\xBB\x81\xE8\x30\x31\xB6\xFE", {0xD2BB, 0xB6FE}}, // so is an inline icon's mark
        {"(name01)\xCB\xB5", {0xB8DF, 0xC4BE, 0xCBB5}},         // the family name in place of its tag
        {"(name02)", {0xBDA1, 0xD2BB}},
        {"(nameXX)\xCB\xB5", {0xCBB5}},
        {"(name01", {}}, // an unclosed tag ends the caption
        {"\xD2\xBB\xD2\xBB\xD2\xBB\xD2\xBB\xD2\xBB\xD2\xBB\xD2\xBB\xD2\xBB\xD2\xBB\xD2\xBB\xD2\xBB\xD2\xBB"
         "\xD2\xBB\xD2\xBB\xD2\xBB"
         "\xD2\xBB",
         fourteen}, // 26 bytes and the character at byte 26
    };
    std::vector<uint32_t> codes;
    g_GlyphFont = new CGlyphFont(rt.hwnd(), std::make_unique<NotingGlyphSource>(&codes));
    std::strcpy(g_pScriptMng->m_heroNames[0], "\xB8\xDF\xC4\xBE");
    std::strcpy(g_pScriptMng->m_heroNames[1], "\xBD\xA1\xD2\xBB");
    auto record = std::make_unique<SaveData>();
    for (const Case& c : cases) {
        std::memset(record.get(), 0, sizeof(SaveData));
        std::strcpy(record->plainText, c.text);
        ASSERT_TRUE(WriteSaveSlot(0, *record));
        codes.clear();
        Open(kSceneSave, true);
        Frames(1); // the page is composed
        EXPECT_EQ(codes, c.drawn) << c.text;
        g_pGameMain->scene = kSceneMessage;
        Frames(1);
    }
    delete g_GlyphFont;
    g_GlyphFont = nullptr;
}

TEST_F(SlotScreen, PreviewShowsEitherKindOfThumbnailAsAPicture) {
    struct Point {
        int32_t dx, dy; // in the preview's 143 × 80
        int32_t x, y;   // the thumbnail's pixel shown there
    };
    struct Case {
        const char* name;
        uint8_t scene; // the scene the save screen was opened from
        uint8_t style;
        int32_t width, height; // of the picture in the thumbnail field, rows of width × 4 bytes
        Point points[4];
    };
    // 144 × 81 shows as it is. 100 × 75 is stretched over 143 × 80 by the surfaces' stepping (the
    // remainder starts at −width − 1), so point (dx, dy) shows pixel (⌈dx × 100 / 143⌉ − 1,
    // ⌈dy × 75 / 80⌉ − 1), at least 0: (2, 16) → (1, 14), as 16 × 75 / 80 is exactly 15;
    // (71, 40) → (49, 37); (142, 79) → (99, 74).
    constexpr Point kAsItIs[4] = {{0, 0, 0, 0}, {2, 16, 2, 16}, {71, 40, 71, 40}, {142, 79, 142, 79}};
    constexpr Point kStretched[4] = {{0, 0, 0, 0}, {2, 16, 1, 14}, {71, 40, 49, 37}, {142, 79, 99, 74}};
    const Case cases[] = {
        {"story", kSceneMessage, 0, 144, 81, {kAsItIs[0], kAsItIs[1], kAsItIs[2], kAsItIs[3]}},
        {"command screen",
         kSceneCommand,
         0,
         100,
         75,
         {kStretched[0], kStretched[1], kStretched[2], kStretched[3]}},
        {"a character moving (the field's tail clear)",
         kSceneMessage,
         2,
         100,
         75,
         {kStretched[0], kStretched[1], kStretched[2], kStretched[3]}},
        {"vertical style on the search screen",
         kSceneSearch,
         1,
         144,
         81,
         {kAsItIs[0], kAsItIs[1], kAsItIs[2], kAsItIs[3]}},
    };
    auto colour = [](int32_t x, int32_t y) { return static_cast<uint32_t>(0x800000 | y << 8 | x); };
    auto record = std::make_unique<SaveData>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(record.get(), 0, sizeof(SaveData));
        record->resumeScene = c.scene;
        record->windowStyle = c.style;
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) {
                const uint32_t p = colour(x, y);
                std::memcpy(record->thumbnail + (static_cast<size_t>(y) * c.width + x) * 4, &p, 4);
            }
        ASSERT_TRUE(WriteSaveSlot(0, *record));
        Open(kSceneLoad, true);
        Quick(3);
        // Slot 0's preview lies at (10 + 343, 86 + 6); the page shows right of it and below it.
        const int32_t left = 353, top = 92;
        for (const Point& p : c.points)
            EXPECT_EQ(PixelOf(g_ScreenSurface, left + p.dx, top + p.dy) & 0xFFFFFF, colour(p.x, p.y))
                << p.dx << ", " << p.dy;
        EXPECT_EQ(PixelOf(g_ScreenSurface, left + 143, top) & 0xFFFFFF, kBase);
        EXPECT_EQ(PixelOf(g_ScreenSurface, left, top + 80) & 0xFFFFFF, kBase);
        g_pGameMain->scene = kSceneMessage;
        Frames(1);
    }
}

TEST(SlotScreenStock, ThumbnailNamesAreFoundWithTheirExtension) {
    const std::pair<const char*, int> cases[] = {{"ev34a.bmp", 0}, {"ev88c.bmp", 90}, {"ev45e.bmp", 16},
                                                 {"ev34a", -1},    {"EV34A.bmp", -1}, {"bg01.bmp", -1},
                                                 {"", -1}};
    for (const auto& [name, index] : cases)
        EXPECT_EQ(StockThumbnailIndex(name), index) << name;
}

} // namespace
