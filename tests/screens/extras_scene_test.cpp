// The extras on a fake clock, with the unlock flags read from a written "save\Config.dat": the
// gallery's thumbnails and full view, the music room's players, the scene replay's road through the
// interpreter and back, and the frame's tabs, return button and right click.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "screens/extras_frame.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "screens/system_data.h"
#include "script/event_cg.h"
#include "script/script_asm.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"
#include "support/surface_words.h"
#include "writers/ogg_writer.h"

using namespace screentest;
namespace extras = screens::extras;

namespace {

constexpr uint32_t kBase = 0x00102030;    // base pictures
constexpr uint32_t kParts = 0xFF405060;   // parts sheets, opaque everywhere
constexpr uint32_t kSample = 0x00A0B0C0;  // thumbnail sheets
constexpr uint32_t kPicture = 0x0030C030; // full-view pictures

// The extras' pictures, the pictures and the scripts named, and a Config.dat holding `data`.
class Extras : public ScreenRuntime {
public:
    explicit Extras(const SystemData& data) {
        for (const char* base : {"system/cg_base.bmp", "system/scene_base.bmp", "system/music_base.bmp"})
            folder().WriteFlatBitmap(base, 1024, 576, kBase);
        for (const char* parts : {"system/cg_p.bmp", "system/scene_p.bmp", "system/music_p.bmp",
                                  "system/music_p2.bmp", "system/music_p3.bmp"})
            folder().WriteBitmap32(parts, 946, 400, std::vector<uint32_t>(946u * 400u, kParts));
        for (int page = 1; page <= 8; ++page) {
            char name[40];
            std::snprintf(name, sizeof name, "system/cg_sam%02d.bmp", page);
            folder().WriteFlatBitmap(name, 992, 420, kSample);
            std::snprintf(name, sizeof name, "system/scene_sam%02d.bmp", page);
            folder().WriteFlatBitmap(name, 992, 420, kSample);
        }
        std::vector<uint8_t> bytes(sizeof(SystemData));
        std::memcpy(bytes.data(), &data, sizeof data);
        folder().WriteFile("save/Config.dat", bytes);
        EXPECT_TRUE(LoadSystemData());
    }

    // Frames until the scene's screen takes input (sub-state 2); false when it never does.
    bool Enter(uint8_t scene) {
        g_pGameMain->scene = scene;
        for (int i = 0; i < 100; ++i) {
            g_pGameMain->Frame();
            if (g_pGameMain->scene == scene && State() == 2)
                return true;
            clock().Advance(100);
        }
        return false;
    }
    uint8_t State() const {
        switch (g_pGameMain->scene) {
            case kSceneGallery:
                return g_pGalleryScene ? g_pGalleryScene->state : 0xFF;
            case kSceneMusic:
                return g_pMusicScene ? g_pMusicScene->state : 0xFF;
            case kSceneReplay:
                return g_pReplayScene ? g_pReplayScene->state : 0xFF;
            default:
                return 0xFF;
        }
    }
    // A left click at the centre of `r`: one frame to hover, one to click.
    void Click(const RECT& r) {
        MoveMouse((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        g_pGameMain->Frame();
        PressLeft();
        g_pGameMain->Frame();
    }
    void RightClick() {
        g_pMouse->GetState()->right = 1;
        g_pGameMain->Frame();
    }
    // Frames of 100 ms until `done` holds; false after two hundred.
    template <typename Fn>
    bool RunUntil(Fn done) {
        for (int i = 0; i < 200; ++i) {
            if (done())
                return true;
            clock().Advance(100);
            g_pGameMain->Frame();
        }
        return done();
    }
    void WriteScript(const std::string& name, const std::vector<uint8_t>& plain) {
        std::vector<uint8_t> coded;
        for (uint8_t b : plain)
            coded.push_back(static_cast<uint8_t>(~b));
        folder().WriteFile("script/" + name, coded);
    }
};

SystemData WithDefaults() {
    SetSystemDataDefaults();
    return g_SystemData;
}

uint32_t ScreenAt(int32_t x, int32_t y) {
    return PixelOf(g_ScreenSurface, x, y) & 0xFFFFFF;
}

// The middle of grid slot i.
POINT SlotCentre(int i) {
    const RECT r = extras::GridSlotRect(i);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(ExtrasGallery, ShowsTheThumbnailsOfSeenPicturesOnly) {
    struct Case {
        const char* what;
        uint8_t page;                 // galleryPage in the file
        std::vector<int> seenPicture; // variant 1 of each is seen
        int shownPage;
        std::vector<int> thumbnails; // slots that show their thumbnail
        int framed;                  // slots that have a frame
    };
    const Case cases[] = {
        {"first page, two seen", 0, {0, 5}, 0, {0, 5}, 12},
        {"last page has seven", 7, {84, 90}, 7, {0, 6}, 7},
        {"a page beyond the eight is clamped", 9, {90}, 7, {6}, 7},
        {"a seen byte of variant 8 does not count", 0, {}, 0, {}, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SystemData data = WithDefaults();
        data.galleryPage = c.page;
        for (int p : c.seenPicture)
            data.cgSeen[p * 10 + 1] = 1;
        data.cgSeen[3 * 10 + 8] = 1; // beyond the variants the gallery looks at
        Extras game(data);
        ASSERT_TRUE(game.Enter(kSceneGallery));
        EXPECT_EQ(g_pGalleryScene->page, c.shownPage);
        for (int i = 0; i < extras::kGridSlots; ++i) {
            const POINT p = SlotCentre(i);
            const bool thumb = std::find(c.thumbnails.begin(), c.thumbnails.end(), i) != c.thumbnails.end();
            const uint32_t want = thumb ? kSample : i < c.framed ? (kParts & 0xFFFFFF) : kBase;
            EXPECT_EQ(ScreenAt(p.x, p.y), want) << "slot " << i;
            // Only seen slots can be opened.
            game.Click(extras::GridSlotRect(i));
            EXPECT_EQ(g_pGalleryScene->state, thumb ? 5 : 2) << "slot " << i;
            if (thumb) {
                game.RightClick();
                ASSERT_TRUE(game.RunUntil([] { return g_pGalleryScene->state == 6; }));
                game.RightClick();
                ASSERT_TRUE(game.RunUntil([] { return g_pGalleryScene->state == 2; }));
            }
        }
    }
}

TEST(ExtrasGallery, FullViewPlacesStepsAndScrolls) {
    struct Case {
        const char* what;
        int picture;
        std::vector<int> seenVariants;
        int32_t width, height;
        POINT inside, outside; // a pixel of the picture and one of the black around it
        int clicksToClose;     // left clicks until the view fades back (0: scrollable, right click)
    };
    const Case cases[] = {
        {"small picture centred on black", 0, {0}, 640, 480, {192, 48}, {191, 47}, 1},
        {"three seen of four, an unseen one between", 3, {0, 2}, 1024, 576, {0, 0}, {-1, -1}, 2},
        {"seen variants a, b and c of four", 3, {0, 1, 2}, 1024, 576, {0, 0}, {-1, -1}, 3},
        {"wide picture scrolls", 0, {0, 1}, 1600, 576, {0, 0}, {-1, -1}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SystemData data = WithDefaults();
        for (int v : c.seenVariants)
            data.cgSeen[c.picture * 10 + v] = 1;
        Extras game(data);
        for (int v : c.seenVariants)
            game.folder().WriteFlatBitmap(std::string("bmp/") + EventCgName(c.picture, v), c.width, c.height,
                                          kPicture + static_cast<uint32_t>(v));
        ASSERT_TRUE(game.Enter(kSceneGallery));
        const POINT centre = SlotCentre(c.picture);
        game.MoveMouse(centre.x, centre.y);
        g_pGameMain->Frame();
        const uint32_t gallery = ScreenAt(centre.x, centre.y); // with the hover frame
        game.PressLeft();
        g_pGameMain->Frame();
        ASSERT_TRUE(game.RunUntil([] { return g_pGalleryScene->state == 6; }));
        EXPECT_EQ(ScreenAt(c.inside.x, c.inside.y), kPicture + static_cast<uint32_t>(c.seenVariants[0]));
        if (c.outside.x >= 0) {
            EXPECT_EQ(ScreenAt(c.outside.x, c.outside.y), 0u);
        }
        if (c.clicksToClose == 0) {
            EXPECT_EQ(g_pGalleryScene->scrollable, 1);
            // Left held, the hand moves 700 to the left: the picture follows up to its right edge.
            game.MoveMouse(800, 300);
            game.PressLeft();
            g_pGameMain->Frame();
            game.MoveMouse(100, 300);
            g_pGameMain->Frame();
            EXPECT_EQ(g_pGalleryScene->srcX, 1600 - 1024);
            EXPECT_EQ(g_pGalleryScene->srcY, 0);
            g_pMouse->GetState()->left = 0;
            g_pGameMain->Frame();
            EXPECT_EQ(g_pGalleryScene->state, 6); // no variant step
            EXPECT_EQ(g_pGalleryScene->shownCount, 1);
            game.RightClick();
        } else {
            for (int k = 1; k < c.clicksToClose; ++k) {
                game.PressLeft();
                g_pGameMain->Frame();
                ASSERT_TRUE(game.RunUntil([] { return g_pGalleryScene->state == 6; }));
                EXPECT_EQ(ScreenAt(0, 0) & 0xFF,
                          (kPicture + static_cast<uint32_t>(c.seenVariants[k])) & 0xFF);
            }
            game.PressLeft();
            g_pGameMain->Frame();
        }
        EXPECT_EQ(g_pGalleryScene->state, 7);
        ASSERT_TRUE(game.RunUntil([] { return g_pGalleryScene->state == 2; }));
        EXPECT_EQ(ScreenAt(centre.x, centre.y), gallery);
    }
}

TEST(ExtrasGallery, MissingPictureShowsBlack) {
    SystemData data = WithDefaults();
    data.cgSeen[0] = 1;
    Extras game(data);
    ASSERT_TRUE(game.Enter(kSceneGallery));
    game.Click(extras::GridSlotRect(0));
    ASSERT_TRUE(game.RunUntil([] { return g_pGalleryScene->state == 6; }));
    EXPECT_EQ(ScreenAt(512, 288), 0u);
    EXPECT_EQ(ScreenAt(0, 0), 0u);
}

TEST(ExtrasGallery, PageButtonsChangeAndStoreThePage) {
    SystemData data = WithDefaults();
    data.cgSeen[12 * 10] = 1; // first picture of page 1
    Extras game(data);
    ASSERT_TRUE(game.Enter(kSceneGallery));
    EXPECT_NE(ScreenAt(SlotCentre(0).x, SlotCentre(0).y), kSample);
    game.Click(extras::PageButtonRect(0)); // the current page: nothing
    EXPECT_EQ(g_pGalleryScene->page, 0);
    game.Click(extras::PageButtonRect(1));
    EXPECT_EQ(g_pGalleryScene->page, 1);
    EXPECT_EQ(g_SystemData.galleryPage, 1);
    EXPECT_EQ(ScreenAt(SlotCentre(0).x, SlotCentre(0).y), kSample);
}

TEST(ExtrasFrame, TabsReturnAndRightClickLeadOn) {
    struct Case {
        const char* what;
        uint8_t from;
        int button;       // 1-4, 0 for a right click
        uint8_t to;       // the scene that follows
        uint32_t leaveMs; // time the screen takes to get there
    };
    const Case cases[] = {
        {"gallery tab 2", kSceneGallery, 2, kSceneReplay, 0},
        {"gallery tab 3", kSceneGallery, 3, kSceneMusic, 0},
        {"gallery's own tab", kSceneGallery, 1, kSceneGallery, 0},
        {"music tab 1", kSceneMusic, 1, kSceneGallery, 0},
        {"replay tab 3", kSceneReplay, 3, kSceneMusic, 0},
        {"gallery return flash", kSceneGallery, 4, kSceneTitleMenu, 400},
        {"music return flash", kSceneMusic, 4, kSceneTitleMenu, 400},
        {"gallery right click holds", kSceneGallery, 0, kSceneTitleMenu, 500},
        {"music right click holds", kSceneMusic, 0, kSceneTitleMenu, 500},
        {"replay right click leaves at once", kSceneReplay, 0, kSceneTitleMenu, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Extras game(WithDefaults());
        ASSERT_TRUE(game.Enter(c.from));
        if (c.button == 0)
            game.RightClick();
        else
            game.Click(extras::kButtonRects[c.button - 1]);
        uint32_t spent = 0;
        while (g_pGameMain->scene == c.from && spent < 2000) {
            game.clock().Advance(50);
            spent += 50;
            g_pGameMain->Frame();
            if (c.to == c.from)
                break;
        }
        EXPECT_EQ(g_pGameMain->scene, c.to);
        if (c.to != c.from) {
            EXPECT_GE(spent + 50, c.leaveMs);
            EXPECT_LE(spent, c.leaveMs + 200);
        }
        if (c.to == kSceneTitleMenu) {
            EXPECT_EQ(g_Layers[extras::kSlotPage], nullptr);
        }
    }
}

class MusicRoom : public Extras {
public:
    explicit MusicRoom(const SystemData& data) : Extras(data) {
        m_sound = EnableSound();
        const std::vector<uint8_t> tone = kestrel::test::MakeToneOgg(330.0, 0.5);
        for (const char* track : CMusicScene::kTracks)
            folder().WriteFile(std::string("bgm/") + track, tone);
        folder().WriteFile("se/sys_a002.ogg", tone);
    }
    bool sound() const { return m_sound; }
    void Control(int k) { Click(CMusicScene::ControlRect(k)); }
    void Track(int t) { Click(CMusicScene::TrackRect(t)); }

private:
    bool m_sound = false;
};

std::string MusicName() {
    return g_pScriptMng->m_pBgmName ? g_pScriptMng->m_pBgmName : "";
}

TEST(ExtrasMusic, PlaysStopsAndSwitchesTracks) {
    MusicRoom room(WithDefaults());
    if (!room.sound())
        GTEST_SKIP() << "no sound device";
    ASSERT_TRUE(room.Enter(kSceneMusic));
    EXPECT_EQ(g_pMusicScene->current, 14);
    EXPECT_EQ(MusicName(), "bgm09.ogg");
    const CBgmplay* title = g_BgmPlayer;
    ASSERT_NE(title, nullptr);

    struct Step {
        const char* what;
        int control; // 1-3, or 0 with `track`
        int track;
        int current;
        bool playing;
        const char* name; // recorded track name ("" none)
        bool newPlayer;   // a new player was made
    };
    const Step steps[] = {
        {"track 0", 0, 0, 0, true, "bgm01.ogg", true},
        {"previous wraps to 25", 1, 0, 25, true, "ed_arr04.ogg", true},
        {"next wraps to 0", 3, 0, 0, true, "bgm01.ogg", true},
        {"stop frees the name", 2, 0, 0, false, "", false},
        {"next while stopped only moves", 3, 0, 1, false, "", false},
        {"previous while stopped only moves", 1, 0, 0, false, "", false},
        {"play starts the current one", 2, 0, 0, true, "bgm01.ogg", true},
        {"track 21", 0, 21, 21, true, "op_arr01.ogg", true},
    };
    const CBgmplay* before = g_BgmPlayer;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.control != 0)
            room.Control(s.control);
        else
            room.Track(s.track);
        EXPECT_EQ(g_pMusicScene->current, s.current);
        EXPECT_EQ(g_pMusicScene->playing, s.playing ? 1 : 0);
        EXPECT_EQ(MusicName(), s.name);
        EXPECT_EQ(g_BgmPlayer != nullptr, s.playing);
        if (s.playing) {
            ASSERT_NE(g_BgmPlayer, nullptr);
            EXPECT_FALSE(g_BgmPlayer->IsStoppedChannel());
            if (s.newPlayer) {
                EXPECT_NE(g_BgmPlayer, before);
            }
        }
        before = g_BgmPlayer;
    }
    // The gallery then starts the title music again; a switch between extras keeps it running.
    room.Click(extras::kButtonRects[0]);
    ASSERT_TRUE(room.Enter(kSceneGallery));
    EXPECT_EQ(MusicName(), "bgm09.ogg");
    const CBgmplay* galleryMusic = g_BgmPlayer;
    room.Click(extras::kButtonRects[1]);
    ASSERT_TRUE(room.Enter(kSceneReplay));
    EXPECT_EQ(g_BgmPlayer, galleryMusic);
}

TEST(ExtrasMusic, MusicOffMarksTheTrackButPlaysNothing) {
    SystemData data = WithDefaults();
    data.bgmOff = 1;
    MusicRoom room(data);
    if (!room.sound())
        GTEST_SKIP() << "no sound device";
    ASSERT_TRUE(room.Enter(kSceneMusic));
    EXPECT_EQ(g_BgmPlayer, nullptr);
    EXPECT_EQ(MusicName(), "bgm09.ogg"); // recorded although nothing plays
    room.Track(3);
    EXPECT_EQ(g_pMusicScene->current, 3);
    EXPECT_EQ(g_pMusicScene->playing, 1);
    EXPECT_EQ(g_BgmPlayer, nullptr);
    EXPECT_EQ(MusicName(), "bgm09.ogg");
}

TEST(ExtrasFrame, TitleMusicGoesOnWhenItsTrackPlays) {
    struct Case {
        const char* what;
        const char* playing; // track started before the extras
        uint8_t level;       // progress level
        bool kept;           // the same player goes on
        const char* name;    // recorded afterwards
    };
    const Case cases[] = {
        {"the title track", "bgm09.ogg", 1, true, "bgm09.ogg"},
        {"the same in capitals", "BGM09.OGG", 0, true, "BGM09.OGG"},
        {"another track", "bgm01.ogg", 1, false, "bgm09.ogg"},
        {"level 2 has its own", "bgm09.ogg", 2, false, "op_arr01.ogg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MusicRoom room(WithDefaults());
        if (!room.sound())
            GTEST_SKIP() << "no sound device";
        g_pGameMain->progressLevel = c.level;
        extras::StartTrack(c.playing);
        const CBgmplay* before = g_BgmPlayer;
        ASSERT_NE(before, nullptr);
        ASSERT_TRUE(room.Enter(kSceneGallery));
        EXPECT_EQ(g_BgmPlayer == before, c.kept);
        EXPECT_EQ(MusicName(), c.name);
    }
}

TEST(ExtrasMusic, HoverLightsOtherTracksOnly) {
    MusicRoom room(WithDefaults());
    ASSERT_TRUE(room.Enter(kSceneMusic));
    // The label sheets are opaque parts colour; the base shows under an unlit label.
    const RECT current = CMusicScene::TrackRect(g_pMusicScene->current);
    const RECT other = CMusicScene::TrackRect(3);
    EXPECT_EQ(ScreenAt(other.left + 5, other.top + 5), kBase);
    const uint32_t label = ScreenAt(current.left + 5, current.top + 5);
    EXPECT_EQ(label, kParts & 0xFFFFFF);
    room.MoveMouse(other.left + 5, other.top + 5);
    g_pGameMain->Frame();
    EXPECT_EQ(ScreenAt(other.left + 5, other.top + 5), kParts & 0xFFFFFF);
    room.MoveMouse(current.left + 5, current.top + 5);
    g_pGameMain->Frame();
    EXPECT_EQ(ScreenAt(other.left + 5, other.top + 5), kBase); // restored
    EXPECT_EQ(g_pMusicScene->hoveredTrack, g_pMusicScene->current + 1);
    EXPECT_EQ(ScreenAt(current.left + 5, current.top + 5), label);
}

// Command 1 ends a script: the title menu, or the replay screen while the extras run.
const std::vector<uint8_t> kEndScript = {0x01, 0x04, 0x00, 0x00};

TEST(ExtrasReplay, UnlockedScenesPlayAndComeBack) {
    struct Case {
        const char* what;
        uint8_t page;
        int unlocked;       // scene number unlocked
        int slot;           // slot clicked on that page
        const char* script; // script that must run ("" none)
        std::vector<uint8_t> body;
    };
    const Case cases[] = {
        {"first scene", 0, 0, 0, "01_2145h.s", kEndScript},
        {"second of page 1", 1, 13, 1, "03a_2110h.s", kEndScript},
        {"fifth of page 1", 1, 16, 4, "01z_2630h.s", kEndScript},
        {"a page byte beyond two is clamped", 5, 16, 4, "01z_2630h.s", kEndScript},
        {"a locked scene does not start", 0, 1, 0, "", kEndScript},
        {"slots beyond the page size", 1, 12, 5, "", kEndScript},
        {"a script that breaks returns too", 0, 0, 0, "01_2145h.s", {0x01}},
        {"a missing script returns too", 0, 2, 2, "02_1100h.s", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SystemData data = WithDefaults();
        data.replayPage = c.page;
        data.replayUnlocks[c.unlocked] = 1;
        Extras game(data);
        if (*c.script && !c.body.empty())
            game.WriteScript(c.script, c.body);
        g_pScriptMng->m_inReplay = 1;
        g_pScriptMng->m_autoMode = 1;
        g_pScriptMng->m_skipRead = 1;
        g_pScriptMng->m_windowStyle = 2;
        g_pScriptMng->m_bgRestored = 1;
        g_pScriptMng->m_transFlag = 1;
        ASSERT_TRUE(game.Enter(kSceneReplay));
        EXPECT_EQ(g_pScriptMng->m_bgRestored, 0);
        EXPECT_EQ(g_pScriptMng->m_transFlag, 0);
        EXPECT_EQ(g_pScriptMng->m_autoMode, 0);
        EXPECT_EQ(g_pScriptMng->m_skipRead, 0);
        EXPECT_EQ(g_pScriptMng->m_windowStyle, 0);
        const int8_t page = g_pReplayScene->page;
        game.Click(extras::GridSlotRect(c.slot));
        if (!*c.script) {
            EXPECT_EQ(g_pReplayScene->state, 2);
            continue;
        }
        ASSERT_EQ(g_pReplayScene->state, 3);
        std::vector<uint8_t> scenes;
        for (int i = 0; i < 100 && scenes.size() < 3; ++i) {
            game.clock().Advance(100);
            g_pGameMain->Frame();
            if (scenes.empty() || scenes.back() != g_pGameMain->scene)
                scenes.push_back(g_pGameMain->scene);
        }
        EXPECT_EQ(scenes, (std::vector<uint8_t>{kSceneReplay, kSceneScript, kSceneReplay}));
        EXPECT_EQ(g_BgmPlayer, nullptr);
        EXPECT_EQ(g_pScriptMng->m_inReplay, 1);
        EXPECT_TRUE(game.RunUntil([] { return g_pReplayScene && g_pReplayScene->state == 2; }));
        ASSERT_NE(g_pReplayScene, nullptr);
        EXPECT_EQ(g_pReplayScene->page, page);
    }
}

TEST(ExtrasReplay, EachSceneStartsWithNoSpeakerOnThePlainPlate) {
    // A scene left during a named line in the framed window; the next opens on narration.
    SystemData data = WithDefaults();
    data.replayUnlocks[0] = 1;
    Extras game(data);
    ScopedGlyphFont font(game.hwnd());
    game.folder().WriteBitmap32("system/window.bmp", 1024, 128,
                                std::vector<uint32_t>(1024 * 128, 0xFF604020));
    game.folder().WriteBitmap32("system/window_w.bmp", 160, 40, std::vector<uint32_t>(160 * 40, 0xFF801020));
    game.folder().WriteBitmap32("system/window_w_2.bmp", 160, 40,
                                std::vector<uint32_t>(160 * 40, 0xFF203080));
    for (int index : {kUiWindow, kUiFrame, kUiFrameWork}) {
        auto* picture = new CDIB32();
        picture->Load(game.hwnd(), index == kUiWindow ? "system\\window.bmp" : "system\\window_w_2.bmp");
        ReplaceSurface(g_pScriptUiSurfaces[index], picture);
    }
    g_SystemData.messageSpeed = 100;
    const char* scripts[] = {
        "    WindowFrame 1\n    Message \"＃美咲\"\n    Message \"你好。\"\n    ExitToMenu\n",
        "    Message \"天亮了。\"\n    ExitToMenu\n"};
    for (const char* text : scripts) {
        const kestrel::sasm::AsmResult script = kestrel::sasm::Assemble(text);
        ASSERT_TRUE(script.ok()) << kestrel::sasm::FormatErrors(script.errors);
        game.WriteScript("01_2145h.s", script.bytes);
        ASSERT_TRUE(game.Enter(kSceneReplay));
        game.Click(extras::GridSlotRect(0));
        ASSERT_TRUE(game.RunUntil(
            [] { return g_pGameMain->scene == kSceneMessage && g_pScriptMng->m_msgStep == 3; }));
    }
    CDIB32 plain;
    plain.Load(game.hwnd(), "system\\window_w_2.bmp");
    EXPECT_TRUE(SurfaceWords(*g_NamePlateSurface) == SurfaceWords(plain));
}

TEST(EventCgTable, NamesVariantsAndBounds) {
    struct Case {
        int picture, variant;
        const char* name; // null: no such variant
    };
    const Case cases[] = {
        {0, 0, "ev01a.bmp"},  {0, 1, "ev01b.bmp"}, {0, 2, nullptr},      {24, 2, "ev25c.bmp"},
        {25, 0, "ev25d.bmp"}, {25, 1, nullptr},    {26, 0, "ev26a.bmp"}, {45, 4, "ev45e.bmp"},
        {90, 0, "ev90a.bmp"}, {91, 0, nullptr},    {-1, 0, nullptr},     {0, 10, nullptr},
    };
    for (const Case& c : cases) {
        const char* name = EventCgName(c.picture, c.variant);
        EXPECT_EQ(name ? std::string(name) : std::string("(none)"), c.name ? c.name : "(none)")
            << c.picture << ", " << c.variant;
    }
}

} // namespace
