// The character selection: the panel with enabled and disabled faces, hover only on available
// characters, the pick by mouse or by Return into script variable 255, the 900 ms blink and the
// hand-back to the script with its layers gone.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/window.h"
#include "script/script_fixture.h"
#include "sound/snd_mng.h"
#include "support/surface_words.h"
#include "writers/bitmap_writer.h"

using kestrel::test::ScriptTest;

namespace {

constexpr uint32_t kBackground = 0x336699;
constexpr uint32_t kPanel = 0x202020;
constexpr uint32_t kHoverFrame = 0xFF0000;
constexpr uint32_t kBlinkFrame = 0x0000FF;
constexpr uint32_t kDisabledFace = 0x404040;
constexpr uint32_t kEnabledFace = 0x00C000;

void WritePicture(const std::string& name, int32_t w, int32_t h, uint16_t bpp,
                  const std::vector<uint32_t>& pixels) {
    const auto dir = kestrel::test::ScriptTestFolder() / "system";
    std::filesystem::create_directories(dir);
    const std::vector<uint8_t> bytes = kestrel::test::WriteBitmapPixels(w, h, pixels, bpp);
    FILE* f = std::fopen((dir / name).string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The panel sheet: the opaque panel, and below it the hover and the blink frame (opaque rings).
void WritePanelSheet() {
    std::vector<uint32_t> px(733 * 503, 0);
    for (int32_t y = 0; y < 503; ++y)
        for (int32_t x = 0; x < 733; ++x) {
            uint32_t c = 0;
            if (y < 349)
                c = 0xFF000000 | kPanel;
            else if (x < 224 && (x % 112 < 5 || y - 349 < 5)) // the frames' top and left edges
                c = 0xFF000000 | (x < 112 ? kHoverFrame : kBlinkFrame);
            px[y * 733 + x] = c;
        }
    WritePicture("char_sel.bmp", 733, 503, 32, px);
}

// The faces: the disabled row at y 0, the enabled row at y 144.
void WriteFaceSheet() {
    std::vector<uint32_t> px(1122 * 288);
    for (int32_t y = 0; y < 288; ++y)
        for (int32_t x = 0; x < 1122; ++x)
            px[y * 1122 + x] = y < 144 ? kDisabledFace : kEnabledFace;
    WritePicture("char_sel_p.bmp", 1122, 288, 24, px);
}

class CharSelection : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        WritePanelSheet();
        WriteFaceSheet();
        hwnd_ = plat::CreateMainWindow(plat::WindowDesc{},
                                       [](HWND, const plat::Message&) -> intptr_t { return 0; });
        g_pMouse = new CMouse();
        g_pKeyboard = new CKeyboard();
        for (CDIB32** slot : {&g_ScreenSurface, &g_Layers[0]}) {
            ReplaceSurface(*slot, new CDIB32());
            (*slot)->Create(nullptr, 1024, 576, 24);
            (*slot)->FillRect(0, 0, 1024, 576, kBackground);
        }
        engine().m_legworkChars[1] = 1; // button 0
        engine().m_legworkChars[3] = 1; // button 2
        engine().m_vars[255] = 77;
        game().scene = kSceneCharSelect;
        Step();
    }
    void TearDown() override {
        delete g_pMouse;
        g_pMouse = nullptr;
        delete g_pKeyboard;
        g_pKeyboard = nullptr;
        for (int layer = 0; layer <= 3; ++layer)
            ReplaceSurface(g_Layers[layer], nullptr);
        ReplaceSurface(g_ScreenSurface, nullptr);
        ReplaceSurface(g_MsgWindowSurface, nullptr);
        DeleteAllPlayers();
        plat::DestroyWindow(hwnd_);
        plat::Message m;
        while (plat::PeekMessage(m))
            plat::DispatchMessage(m);
        ScriptTest::TearDown();
    }
    // One frame of scene 65, then `ms` of time.
    void Step(uint32_t ms = 0) {
        engine().ModeCharSelect();
        clock_.clock().Advance(ms);
    }
    // Puts the mouse on button `number` (1-based).
    void PointAt(int number) {
        const RECT& r = engine().m_itemRects[number - 1];
        g_pMouse->state.x = (r.left + r.right) / 2;
        g_pMouse->state.y = (r.top + r.bottom) / 2;
    }
    // The pixel on the frame's top edge above button `number`.
    uint32_t FrameEdge(int number) {
        const RECT& r = engine().m_itemRects[number - 1];
        return PixelAt(g_ScreenSurface, r.left + 20, r.top - 3);
    }
    // Holds Return for one keyboard poll, as the window procedure's frame does.
    void PressReturn() {
        for (plat::Msg msg : {plat::Msg::KeyDown, plat::Msg::KeyUp}) {
            plat::Message m;
            m.msg = msg;
            m.key = plat::Key::Return;
            plat::PostMessage(hwnd_, m);
            plat::Message taken;
            while (plat::PeekMessage(taken))
                plat::DispatchMessage(taken);
            if (msg == plat::Msg::KeyDown)
                g_pKeyboard->Poll();
        }
    }
    HWND hwnd_ = nullptr;
};

} // namespace

TEST_F(CharSelection, SetUpComposesThePanelWithTheAvailableFaces) {
    EXPECT_EQ(engine().m_msgStep, 1);
    EXPECT_EQ(engine().m_vars[255], 0);
    const char marker[] = "\xA1\xF9\xA1\xA1\xC8\xCB\xCE\xEF\xD1\xA1\xD4\xF1\xA1\xA1\xA1\xF9";
    EXPECT_EQ(std::memcmp(engine().m_plainText, marker, sizeof marker), 0);
    for (size_t i = sizeof marker; i < sizeof engine().m_plainText; ++i)
        ASSERT_EQ(engine().m_plainText[i], 0) << i;
    const struct {
        int k, left, top;
    } rects[] = {{0, 174, 116}, {5, 749, 116}, {6, 231, 274}, {10, 691, 274}};
    for (const auto& c : rects) {
        const RECT& r = engine().m_itemRects[c.k];
        EXPECT_EQ(r.left, c.left) << c.k;
        EXPECT_EQ(r.top, c.top) << c.k;
        EXPECT_EQ(r.right, c.left + 102) << c.k;
        EXPECT_EQ(r.bottom, c.top + 144) << c.k;
    }
    for (int k = 0; k < 11; ++k) {
        const RECT& r = engine().m_itemRects[k];
        const uint32_t want = (k == 0 || k == 2) ? kEnabledFace : kDisabledFace;
        EXPECT_EQ(PixelAt(g_ScreenSurface, r.left + 50, r.top + 70), want) << k;
    }
    EXPECT_EQ(PixelAt(g_ScreenSurface, 150, 95), kPanel);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 100, 95), kBackground);
    for (int layer = 1; layer <= 3; ++layer)
        EXPECT_NE(g_Layers[layer], nullptr) << layer;
}

TEST_F(CharSelection, EachFrameRestoresTheWindowBandFromEightRowsAboveTheWindow) {
    ReplaceSurface(g_MsgWindowSurface, new CDIB32());
    g_MsgWindowSurface->Create(nullptr, 1024, 128, 32);
    constexpr uint32_t kStale = 0xABCDEF;
    g_ScreenSurface->FillRect(0, 430, 1024, 146, kStale);
    Step();
    const struct {
        int32_t y;
        uint32_t pixel;
    } rows[] = {{439, kStale}, {440, kBackground}, {447, kBackground}, {575, kBackground}};
    for (const auto& r : rows)
        EXPECT_EQ(PixelAt(g_ScreenSurface, 5, r.y), r.pixel) << r.y;
}

TEST_F(CharSelection, OnlyAvailableCharactersAreHovered) {
    const struct {
        int button;
        uint8_t hover;
    } cases[] = {{1, 1}, {2, 0}, {3, 3}, {11, 0}, {1, 1}};
    for (const auto& c : cases) {
        PointAt(c.button);
        Step();
        EXPECT_EQ(engine().m_hoverItem, c.hover) << c.button;
        EXPECT_EQ(FrameEdge(c.button), c.hover != 0 ? kHoverFrame : kPanel) << c.button;
    }
    // Moving off restores the block from the panel.
    g_pMouse->state.x = 10;
    g_pMouse->state.y = 10;
    Step();
    EXPECT_EQ(engine().m_hoverItem, 0);
    EXPECT_EQ(engine().m_prevHoverItem, 1);
    EXPECT_EQ(FrameEdge(1), kPanel);
}

TEST_F(CharSelection, ADisabledButtonLetsTheRightClickOpenTheNotebook) {
    g_SystemData.rightClickMode = 0;
    engine().m_windowFrame = 1;
    PointAt(2);
    g_pMouse->state.left = 1;
    Step();
    EXPECT_EQ(engine().m_hoverItem, 0);
    EXPECT_EQ(engine().m_vars[255], 0) << "a disabled button cannot be chosen";
    EXPECT_EQ(game().scene, kSceneCharSelect);
    g_pMouse->state.right = 1;
    Step();
    EXPECT_EQ(game().scene, kSceneNote);
    EXPECT_EQ(game().returnScene, kSceneCharSelect);
}

TEST_F(CharSelection, WithNoCharacterAvailableTheScreenStays) {
    std::memset(engine().m_legworkChars, 0, sizeof engine().m_legworkChars);
    engine().m_msgStep = 0;
    Step();
    for (int button = 1; button <= 11; ++button) {
        PointAt(button);
        g_pMouse->state.left = 1;
        Step();
        EXPECT_EQ(engine().m_hoverItem, 0) << button;
    }
    EXPECT_EQ(engine().m_msgStep, 1);
    EXPECT_EQ(engine().m_vars[255], 0);
    EXPECT_EQ(game().scene, kSceneCharSelect);
}

TEST_F(CharSelection, AMouseClickPicksBlinksThreePulsesAndHandsBack) {
    PointAt(3);
    Step();
    g_pMouse->state.left = 1;
    g_pKeyboard->ctrl = 1; // the click takes Ctrl with it
    Step();
    EXPECT_EQ(engine().m_vars[255], 3);
    EXPECT_EQ(engine().m_msgStep, 2);
    EXPECT_EQ(g_pMouse->state.left, 0);
    EXPECT_EQ(g_pKeyboard->ctrl, 0);
    EXPECT_NE(g_SePlayers[0], nullptr) << "the click sound";
    // Each 300 ms pulse shows the blink frame at full opacity in its middle and not at its ends.
    const struct {
        uint32_t at;
        uint32_t edge;
    } samples[] = {{150, kBlinkFrame}, {300, kPanel}, {450, kBlinkFrame}, {600, kPanel}, {750, kBlinkFrame}};
    uint32_t now = 0;
    for (const auto& s : samples) {
        clock_.clock().Advance(s.at - now);
        now = s.at;
        Step();
        EXPECT_EQ(engine().m_msgStep, 2) << s.at;
        EXPECT_EQ(FrameEdge(3), s.edge) << s.at;
    }
    clock_.clock().Advance(905 - now); // the level passes 255 after 903 ms
    Step();
    EXPECT_EQ(engine().m_msgStep, 3);
    EXPECT_EQ(FrameEdge(3), kPanel) << "the plain panel";
    Step();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(engine().m_msgStep, 0);
    EXPECT_EQ(engine().m_hoverItem, 3) << "the pick stays in the hover byte";
    for (int layer = 1; layer <= 3; ++layer)
        EXPECT_EQ(g_Layers[layer], nullptr) << layer;
}

TEST_F(CharSelection, ReturnPicksTheButtonUnderTheCursor) {
    PointAt(1);
    Step();
    PressReturn();
    Step();
    EXPECT_EQ(engine().m_vars[255], 1);
    EXPECT_EQ(engine().m_msgStep, 2);
}

TEST_F(CharSelection, TheEffectsOptionCutsTheBlinkShortAndTheEffectSkipByteDoesNot) {
    // The effects option of the engine ends the blink: the frame after the click shows the plain
    // panel and the screen ends a frame later. System data byte 0x1C is another option; it leaves the
    // blink as it is (150 ms after the click the blink frame is at full opacity).
    const struct {
        uint8_t skipEffects, effectsOff;
        bool cut;
    } cases[] = {{1, 0, true}, {0, 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "option " << int(c.skipEffects) << " byte " << int(c.effectsOff));
        engine().m_skipEffects = c.skipEffects;
        g_SystemData.effectsOff = c.effectsOff;
        game().scene = kSceneCharSelect;
        engine().m_msgStep = 0;
        Step();
        PointAt(1);
        Step();
        g_pMouse->state.left = 1;
        Step(150);
        EXPECT_EQ(engine().m_msgStep, 2);
        EXPECT_EQ(engine().m_vars[255], 1);
        Step();
        EXPECT_EQ(engine().m_msgStep, c.cut ? 3 : 2);
        EXPECT_EQ(FrameEdge(1), c.cut ? kPanel : kBlinkFrame);
        if (c.cut) {
            Step();
            EXPECT_EQ(game().scene, kSceneScript);
        }
    }
    engine().m_skipEffects = 0;
    g_SystemData.effectsOff = 0;
}

// The bottom window shows under the panel in the styles that have one; over a vertical page or a
// caption the band shows the picture.
TEST_F(CharSelection, TheBottomWindowShowsUnderThePanelInTheStylesThatHaveOne) {
    constexpr uint32_t kText = 0x777777, kPlate = 0x445566;
    PaintWindowBand(kText, kPlate);
    for (uint8_t style : {0, 1, 2}) {
        SCOPED_TRACE(int(style));
        engine().m_windowStyle = style;
        Step();
        EXPECT_EQ(PixelAt(g_ScreenSurface, 100, 500), style == 0 ? kPlate : kBackground);
        EXPECT_EQ(PixelAt(g_ScreenSurface, 500, 500), style == 0 ? kText : kBackground);
    }
}
