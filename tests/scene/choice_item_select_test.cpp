// The item selection: the grid over the picture, hover only on owned items, the pick, the flash and
// the hand-back to the script with its layers gone.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "scene/sequence_fixture.h"
#include "script/script_fixture.h"
#include "sound/snd_mng.h"
#include "support/surface_words.h"

using namespace kestrel::test;

namespace {

constexpr uint32_t kBackground = 0x336699;
constexpr uint32_t kHighlightColour = 0xFF00FF;

class ItemSelection : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        mouse_ = new CMouse();
        g_pMouse = mouse_;
        for (CDIB32** slot : {&g_ScreenSurface, &g_Layers[0]}) {
            ReplaceSurface(*slot, new CDIB32(SurfaceImpl::Plain));
            (*slot)->Create(nullptr, 1024, 576, 24);
            (*slot)->FillRect(0, 0, 1024, 576, kBackground);
        }
        // The grid picture: transparent but for its highlight cell (114, 350, 114 x 81).
        std::filesystem::create_directories(ScriptTestFolder() / "system");
        const Picture grid(228, 431, [](int32_t x, int32_t y) {
            return x >= 114 && y >= 350 ? 0xFF000000 | kHighlightColour : 0u;
        });
        ASSERT_TRUE(WriteBytes((ScriptTestFolder() / "system" / "item_sel.bmp").string(),
                               WriteBitmapPixels(grid.width, grid.height, grid.pixels)));
        game().scene = kSceneItemSelect;
        engine().m_msgStep = 0;
        engine().m_table157[4] = 1; // item 5 owned
        engine().ModeItemSelect();
    }
    void TearDown() override {
        g_pMouse = nullptr;
        delete mouse_;
        for (int layer = 0; layer <= 3; ++layer)
            ReplaceSurface(g_Layers[layer], nullptr);
        ReplaceSurface(g_ScreenSurface, nullptr);
        DeleteAllPlayers();
        ScriptTest::TearDown();
    }
    void PointAt(int item) {
        const RECT& r = engine().m_itemRects[item - 1];
        mouse_->state.x = (r.left + r.right) / 2;
        mouse_->state.y = (r.top + r.bottom) / 2;
    }
    CMouse* mouse_ = nullptr;
};

} // namespace

TEST_F(ItemSelection, GridCellsAndTheMarker) {
    EXPECT_EQ(engine().m_msgStep, 1);
    const RECT first = engine().m_itemRects[0];
    EXPECT_EQ(first.left, 174);
    EXPECT_EQ(first.top, 107);
    EXPECT_EQ(first.right, 276);
    EXPECT_EQ(first.bottom, 176);
    const RECT last = engine().m_itemRects[23];
    EXPECT_EQ(last.left, 174 + 5 * 115);
    EXPECT_EQ(last.top, 107 + 3 * 84);
    EXPECT_STREQ(engine().m_plainText, "\xA1\xF9\xA1\xA1\xCE\xEF\xC6\xB7\xD1\xA1\xD4\xF1\xA1\xA1\xA1\xF9");
    ASSERT_NE(g_Layers[1], nullptr);
    EXPECT_EQ(g_Layers[1]->GetWidth(), 1024);
}

TEST_F(ItemSelection, AnItemNotOwnedCannotBePicked) {
    PointAt(6);
    mouse_->state.left = 1;
    engine().ModeItemSelect();
    EXPECT_EQ(engine().m_hoverItem, 0);
    EXPECT_EQ(engine().m_itemSelResult, 0);
    EXPECT_EQ(engine().m_msgStep, 1);
    EXPECT_EQ(game().scene, kSceneItemSelect);
}

TEST_F(ItemSelection, AnOwnedItemIsPickedFlashesAndHandsBack) {
    PointAt(5);
    engine().ModeItemSelect();
    EXPECT_EQ(engine().m_hoverItem, 5);
    mouse_->state.left = 1;
    engine().ModeItemSelect();
    EXPECT_EQ(engine().m_itemSelResult, 5);
    EXPECT_EQ(engine().m_msgStep, 2);
    EXPECT_EQ(mouse_->state.left, 0);
    clock_.clock().Advance(150); // the blink at its brightest
    engine().ModeItemSelect();
    EXPECT_EQ(engine().m_msgStep, 2) << "the flash lasts 900 ms";
    const RECT& cell = engine().m_itemRects[4];
    EXPECT_EQ(PixelAt(g_ScreenSurface, cell.left - 3, cell.top - 3), kHighlightColour);
    clock_.clock().Advance(755); // the opacity ramp passes 255 just after 903 ms
    engine().ModeItemSelect();
    EXPECT_EQ(engine().m_msgStep, 3);
    EXPECT_EQ(PixelAt(g_ScreenSurface, cell.left - 3, cell.top - 3), kBackground)
        << "the grid without the pick";
    engine().ModeItemSelect();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(engine().m_msgStep, 0);
    for (int layer = 1; layer <= 3; ++layer)
        EXPECT_EQ(g_Layers[layer], nullptr) << layer;
}

// The message window stays under the grid: the window's text and the name plate are drawn over the
// band in every waiting frame.
// The bottom window stays under the grid in the styles that have one; over a vertical page or a
// caption the band shows the picture.
TEST_F(ItemSelection, TheBottomWindowStaysUnderTheGridInTheStylesThatHaveOne) {
    constexpr uint32_t kText = 0x777777, kPlate = 0x445566;
    PaintWindowBand(kText, kPlate);
    PointAt(5);
    for (uint8_t style : {0, 1, 2}) {
        SCOPED_TRACE(int(style));
        engine().m_windowStyle = style;
        engine().ModeItemSelect();
        EXPECT_EQ(PixelAt(g_ScreenSurface, 100, 500), style == 0 ? kPlate : kBackground);
        EXPECT_EQ(PixelAt(g_ScreenSurface, 500, 500), style == 0 ? kText : kBackground);
    }
}
