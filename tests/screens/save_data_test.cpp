#include "screens/save_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/headless.h"
#include "screens/screen_test_env.h"
#include "screens/system_data.h"
#include "script/script_asm.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

namespace {

using screentest::PixelOf;
using screentest::ScopedGlyphFont;
using screentest::ScreenRuntime;
using screentest::TempGameFolder;

constexpr uint32_t kBackground = 0x00205080;
constexpr uint32_t kCharColour = 0xFF30C040; // opaque
constexpr uint32_t kWindowColour = 0x00102030;
constexpr uint32_t kPlateColour = 0xFFC0A060;

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Fixture(const std::string& name) {
    return ReadBytes(std::string(KESTREL_TEST_DATA) + "/screens/save/" + name);
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint16_t U16At(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

std::string TextAt(const std::vector<uint8_t>& b, size_t at) {
    return std::string(reinterpret_cast<const char*>(&b[at]));
}

// The message-window pictures of the three styles, a background, a standing character and the script
// "fixture.s" written into a game folder.
void WriteGameFiles(const TempGameFolder& folder, const std::string& script) {
    folder.WriteFlatBitmap("system/window.bmp", 1024, 128, kWindowColour);
    folder.WriteFlatBitmap("system/window2.bmp", 300, 576, kWindowColour);
    folder.WriteFlatBitmap("system/window_p.bmp", 64, 64, 0x00404040);
    folder.WriteFlatBitmap("system/window_p2.bmp", 64, 64, 0x00404040);
    folder.WriteBitmap32("system/window_w_2.bmp", 160, 40, std::vector<uint32_t>(160 * 40, kPlateColour));
    folder.WriteBitmap32("system/window_w.bmp", 160, 40, std::vector<uint32_t>(160 * 40, kPlateColour));
    folder.WriteBitmap32("system/window_w2.bmp", 160, 40, std::vector<uint32_t>(160 * 40, kPlateColour));
    folder.WriteFlatBitmap("system/click_wait01.bmp", 24, 24, 0x00FFFFFF);
    folder.WriteFlatBitmap("system/click_wait02.bmp", 24, 24, 0x00FFFFFF);
    folder.WriteFlatBitmap("bmp/bg01.bmp", 1024, 576, kBackground);
    folder.WriteFlatBitmap("bmp/ev01.bmp", 1024, 576, 0x00607080);
    folder.WriteBitmap32("chara/girl.bmp", 200, 500, std::vector<uint32_t>(200 * 500, kCharColour));
    folder.WriteBitmap32("chara/girl_face.bmp", 200, 86, std::vector<uint32_t>(200 * 86, kCharColour));
    folder.WriteFlatBitmap("bmp/spr.bmp", 48, 32, 0x00A0B0C0);
    const kestrel::sasm::AsmResult r = kestrel::sasm::Assemble(script);
    EXPECT_TRUE(r.ok()) << kestrel::sasm::FormatErrors(r.errors);
    folder.WriteFile("script/fixture.s", kestrel::sasm::InvertBytes(r.bytes));
}

// Runs whole frames until `reached` holds.
bool RunUntil(bool (*reached)(), int limit = 400) {
    for (int i = 0; i < limit; ++i) {
        g_pGameMain->Frame();
        if (reached())
            return true;
    }
    return false;
}

std::vector<uint32_t> BackBuffer() {
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < kScreenHeight; ++y)
        for (int32_t x = 0; x < kScreenWidth; ++x)
            pixels.push_back(PixelOf(g_ScreenSurface, x, y) & 0xFFFFFF);
    return pixels;
}

// What a save and a load must carry over, read from the running game.
struct GameState {
    std::vector<int32_t> vars;
    std::string plain, raw, namePlate, bgm, se, script;
    uint32_t offset = 0, backlogCount = 0;
    std::vector<std::string> backlog;
    uint8_t style = 0, frame = 0, hour = 0, minute = 0, hudDateRow = 0;
    uint32_t hudInfoRow = 0;
    std::vector<uint8_t> lists, noteMarks, chapter;
    std::string layer1, layer2, chara0, sprite3;
    uint16_t charX = 0;
    uint8_t charShown = 0, charPicture = 0;
    uint8_t param63 = 0, pickedKind = 0;
    // Mark slot 4: the four values the record keeps of it beside its flags.
    uint32_t markStart = 0, markElapsed = 0, markDuration = 0;
    uint16_t markLevel = 0;
    int8_t timeGauge = 0, thresholdIndex = 0;
    std::vector<uint16_t> spriteValues;
    std::vector<uint32_t> spriteAB;

    static GameState Capture() {
        const CScriptMng& s = *g_pScriptMng;
        const CGameMain& g = *g_pGameMain;
        GameState st;
        st.vars.assign(std::begin(s.m_vars), std::end(s.m_vars));
        st.plain = s.m_plainText;
        st.raw = s.m_rawText;
        st.namePlate = s.m_pNamePlate ? s.m_pNamePlate : "";
        st.bgm = g.bgmName;
        st.se = g.seName;
        st.script = g.scriptName;
        st.offset = s.SaveOffset();
        st.backlogCount = g.backlogCount;
        for (uint32_t i = 0; i < g.backlogCount; ++i)
            st.backlog.push_back(std::string(g.backlogText[i]) + "|" + g.backlogSpeaker[i] + "|" +
                                 g.backlogVoice[i]);
        st.style = s.m_windowStyle;
        st.frame = s.m_windowFrame;
        st.hour = s.m_clockHour;
        st.minute = s.m_clockMinute;
        st.hudDateRow = s.m_hudDateRow;
        st.hudInfoRow = s.m_hudInfoRow;
        auto addList = [&st](const auto& list) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(&list);
            st.lists.insert(st.lists.end(), bytes, bytes + sizeof list);
        };
        addList(s.m_list1);
        addList(s.m_list2);
        addList(s.m_list3);
        addList(s.m_list4);
        addList(s.m_list5);
        st.param63 = s.m_param63;
        st.pickedKind = s.m_pickedKind;
        st.markStart = s.m_posSlots[4].startTime;
        st.markElapsed = s.m_posSlots[4].elapsed;
        st.markDuration = s.m_posSlots[4].paramWord;
        st.markLevel = s.m_posSlots[4].level;
        st.timeGauge = s.m_timeGauge;
        st.thresholdIndex = s.m_thresholdIndex;
        st.spriteValues.assign(&g.spriteMotion[0][0], &g.spriteMotion[0][0] + 9 * kSpriteSlotCount);
        st.spriteAB.assign(std::begin(g.spriteValueA), std::end(g.spriteValueA));
        st.spriteAB.insert(st.spriteAB.end(), std::begin(g.spriteValueB), std::end(g.spriteValueB));
        st.noteMarks.assign(std::begin(s.m_noteMarks), std::end(s.m_noteMarks));
        st.chapter.assign(&s.m_chapterTable[0][0], &s.m_chapterTable[0][0] + sizeof s.m_chapterTable);
        // A load keeps the file-name part of a layer's picture name (the folder is the picture folder).
        st.layer1 = g.layerPictureNames[1];
        st.layer1 = st.layer1.substr(st.layer1.find_last_of("\\/") + 1);
        st.layer2 = g.layerPictureNames[2];
        st.layer2 = st.layer2.substr(st.layer2.find_last_of("\\/") + 1);
        st.chara0 = g.charBasePictureNames[0];
        st.charX = g.charSlotX[0];
        st.charShown = g.charSlotShown[0];
        st.charPicture = g.charSlotPicture[0];
        st.sprite3 = g.spritePictureNames[3];
        st.sprite3 = st.sprite3.substr(st.sprite3.find_last_of("\\/") + 1);
        return st;
    }
};

void ExpectSameState(const GameState& a, const GameState& b) {
    EXPECT_EQ(a.vars, b.vars);
    EXPECT_EQ(a.plain, b.plain);
    EXPECT_EQ(a.raw, b.raw);
    EXPECT_EQ(a.namePlate, b.namePlate);
    EXPECT_EQ(a.bgm, b.bgm);
    EXPECT_EQ(a.se, b.se);
    EXPECT_EQ(a.script, b.script);
    EXPECT_EQ(a.offset, b.offset);
    EXPECT_EQ(a.backlogCount, b.backlogCount);
    EXPECT_EQ(a.backlog, b.backlog);
    EXPECT_EQ(a.style, b.style);
    EXPECT_EQ(a.frame, b.frame);
    EXPECT_EQ(a.hour, b.hour);
    EXPECT_EQ(a.minute, b.minute);
    EXPECT_EQ(a.hudDateRow, b.hudDateRow);
    EXPECT_EQ(a.hudInfoRow, b.hudInfoRow);
    EXPECT_EQ(a.lists, b.lists);
    EXPECT_EQ(a.noteMarks, b.noteMarks);
    EXPECT_EQ(a.chapter, b.chapter);
    EXPECT_EQ(a.layer1, b.layer1);
    EXPECT_EQ(a.layer2, b.layer2);
    EXPECT_EQ(a.chara0, b.chara0);
    EXPECT_EQ(a.charX, b.charX);
    EXPECT_EQ(a.charShown, b.charShown);
    EXPECT_EQ(a.charPicture, b.charPicture);
    EXPECT_EQ(a.sprite3, b.sprite3);
    EXPECT_EQ(a.param63, b.param63);
    EXPECT_EQ(a.pickedKind, b.pickedKind);
    EXPECT_EQ(a.markStart, b.markStart);
    EXPECT_EQ(a.markElapsed, b.markElapsed);
    EXPECT_EQ(a.markDuration, b.markDuration);
    EXPECT_EQ(a.markLevel, b.markLevel);
    EXPECT_EQ(a.timeGauge, b.timeGauge);
    EXPECT_EQ(a.thresholdIndex, b.thresholdIndex);
    EXPECT_EQ(a.spriteValues, b.spriteValues);
    EXPECT_EQ(a.spriteAB, b.spriteAB);
}

// The picture state the picture commands leave: background in layer 1 with the standing character
// on it, layer 0 and the two copies of layer 1 from it.
void ShowBackgroundWithCharacter(HWND hwnd) {
    CGameMain& g = *g_pGameMain;
    std::strcpy(g.layerPictureNames[1], "bg01.bmp");
    std::strcpy(g.charBasePictureNames[0], "girl.bmp");
    g.charSlotX[0] = 300;
    g.charSlotShown[0] = 1;
    auto* layer1 = new CDIB32();
    layer1->Load(hwnd, "bmp\\bg01.bmp");
    ReplaceSurface(g_Layers[1], layer1);
    g_pScriptMng->RestoreScrCharSet(layer1);
    ReplaceSurface(g_Layers[0], ScreenCopy(hwnd, layer1));
    ReplaceSurface(g_Layer1Backup[0], ScreenCopy(hwnd, layer1));
    ReplaceSurface(g_Layer1Backup[1], ScreenCopy(hwnd, layer1));
}

std::string RoundTripScript(int style) {
    return "    LoadBg 2, \"bmp\\\\ev01.bmp\"\n"
           "    LoadBg 1, \"bmp\\\\bg01.bmp\"\n"
           "    LoadCharBase 0, \"girl.bmp\"\n"
           "    SetScrCharSet 0, 0, 300:0\n"
           "    SetVar 3, 1234\n"
           "    SetClock 14, 5\n"
           "    SetTimeGauge 30\n"
           "    SetThresholdIndex 4\n"
           "    AddList2 1, 2\n"
           "    AddList3 0, 3\n"
           // Sprite values of a slot without a picture: kept for the save, nothing drawn.
           "    SpriteMotion 2, 1, 500:400, 20:10, 0:0, 20:10, 90, 45, 5000\n"
           "    SpriteSine 2, 90, 128, 4000\n"
           "    SetVar 255, -7\n"
           "    PlayBgm 1, \"bgm01\"\n"
           "    PlaySeEx 1, 1, \"rain\"\n" +
           // The change into the vertical style takes the picture on the screen, and the caption band
           // draws over it: show it first.
           std::string(style != 0 ? "    Transition 0, 0\n" : "") + "    WindowStyle " +
           std::to_string(style) +
           "\n"
           "    SetMessageId 1\n"
           "    Message \"第一句话。\"\n" +
           // The caption band has no name plate: a speaker line would be a page of its own there.
           std::string(style != 2 ? "    Message \"＃美咲\"\n" : "") +
           // The vertical style clears op 63's byte at the end of each message: set for the saved page.
           "    SetParam63 5\n"
           "    SetMessageId 2\n"
           "    Message \"第二句话，(name01)先生。\"\n"
           "    SetVar 4, 99\n"
           "    Message \"第三句。\"\n";
}

// True when the picture holds the background, the standing character and the glyphs of a text (the
// brightest pixels: no picture of the game folder is brighter than 0xC0 in any channel).
std::string PageParts(const std::vector<uint32_t>& picture) {
    bool background = false, character = false, glyphs = false;
    for (uint32_t p : picture) {
        background |= p == (kBackground & 0xFFFFFF);
        character |= p == (kCharColour & 0xFFFFFF);
        glyphs |= (p & 0xFF) > 0xE0 && ((p >> 8) & 0xFF) > 0xE0;
    }
    return std::string(background ? "background " : "") + (character ? "character " : "") +
           (glyphs ? "text" : "");
}

class SaveRoundTrip : public ::testing::TestWithParam<int> {};

// What the first engine showed and kept when it saved.
struct SavedGame {
    std::vector<uint8_t> file;
    GameState state;
    std::vector<uint32_t> picture;
};

bool PageWaits() {
    return g_pGameMain->scene == kSceneMessage && g_pScriptMng->m_msgStep == 3;
}

bool ClickWaitInsideMessage() {
    return g_pGameMain->scene == kSceneClickWait && g_pScriptMng->m_msgStep == 3;
}

// Plays `script` from its start in an engine of its own until `reached` after `clicks` pages were
// clicked past, and saves into slot 0 as if the save screen had been opened from `scene`.
void PlayAndSave(const std::string& script, int clicks, bool (*reached)(), uint8_t scene, SavedGame* out) {
    ScreenRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    WriteGameFiles(rt.folder(), script);
    g_SystemData.messageSpeed = 100;
    ShowBackgroundWithCharacter(rt.hwnd());
    CScriptMng& s = *g_pScriptMng;
    // State set without a command: the rows of the slot preview, a list entry, the note marks, the
    // kind of the last legwork pick (evidence) and the clock, level and duration of a mark slot at rest.
    s.m_pickedKind = 2;
    s.m_posSlots[4].startTime = 777000;
    s.m_posSlots[4].elapsed = 4321;
    s.m_posSlots[4].level = 200;
    s.m_posSlots[4].paramWord = 291;
    s.m_hudDateRow = 2;
    s.m_hudInfoRow = 3;
    s.m_list1.state[0][4] = 1;
    s.m_list1.order[0] = 4;
    s.m_list1.count = 1;
    s.m_list5.state[7] = 2;
    s.m_noteMarks[100] = 1;
    s.m_chapterTable[3][4] = 9;
    ASSERT_NE(s.LoadScript("fixture.s"), nullptr);
    g_pGameMain->scene = kSceneScript;
    for (int page = 0; page <= clicks; ++page) {
        if (page > 0) {
            g_pMouse->GetState()->left = 1;
            g_pGameMain->Frame();
        }
        ASSERT_TRUE(RunUntil(page < clicks ? PageWaits : reached));
    }
    out->state = GameState::Capture();
    out->picture = BackBuffer();
    g_pGameMain->returnScene = scene;
    BuildSaveRecord(rt.hwnd());
    ASSERT_TRUE(WriteSaveSlot(0, g_SaveData));
    out->file = ReadBytes(rt.folder().path() + "/save/savefile00.sav");
    ASSERT_EQ(out->file.size(), kSaveDataSize);
}

// Loads slot 0 of `saved` into the fresh engine of `rt` and enters the scene it resumes in.
void Load(const ScreenRuntime& rt, const std::string& script, const SavedGame& saved) {
    WriteGameFiles(rt.folder(), script);
    g_SystemData.messageSpeed = 100;
    rt.folder().WriteFile("save/savefile00.sav", saved.file);
    std::unique_ptr<SaveData> record(new SaveData());
    ASSERT_TRUE(ReadSaveSlot(0, record.get()));
    g_SaveData = *record;
    ASSERT_TRUE(RestoreSceneAfterLoad(rt.hwnd()));
    // The load screen's fade ends on the restored background (the caption band has nothing else).
    CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[1] ? g_Layers[1] : g_Layers[0], 0, 0, kScreenWidth,
                kScreenHeight);
    g_pGameMain->scene = ResumeSceneFor(g_SaveData.resumeScene);
}

TEST_P(SaveRoundTrip, LoadIntoAFreshEngineGivesTheSameStateAndPicture) {
    const int style = GetParam();
    const std::string script = RoundTripScript(style);
    SavedGame saved;
    // The first message is passed with a click; the second page is the one saved.
    ASSERT_NO_FATAL_FAILURE(PlayAndSave(script, 1, PageWaits, kSceneMessage, &saved));
    EXPECT_EQ(PageParts(saved.picture), "background character text");
    // What the script's commands set is in the record where the loader reads it back.
    EXPECT_EQ(saved.file[0x0D207], 5) << "op 63's byte";
    EXPECT_EQ(U16At(saved.file, 0x0C7C6 + 2 * (0 * 10 + 2)), 500) << "end x of sprite 2";
    EXPECT_EQ(U16At(saved.file, 0x0C7C6 + 2 * (3 * 10 + 2)), 10) << "end height of sprite 2";
    EXPECT_EQ(U16At(saved.file, 0x0C7C6 + 2 * (8 * 10 + 2)), 128) << "end opacity of sprite 2";
    EXPECT_EQ(U32At(saved.file, 0x0C87C + 4 * 2), 45u) << "end angle of sprite 2";
    EXPECT_EQ(U32At(saved.file, 0x0C8A4 + 4 * 2), 5000u) << "tween length of sprite 2";
    EXPECT_EQ(static_cast<int8_t>(saved.file[0x0DCDF]), 30) << "time gauge";
    EXPECT_EQ(saved.file[0x0D20F], 14) << "clock hour";
    // Mark slot 4, one array of the record for each of its values.
    EXPECT_EQ(U32At(saved.file, 0x0E220 + 4 * 4), 777000u) << "mark start time";
    EXPECT_EQ(U32At(saved.file, 0x0E234 + 4 * 4), 4321u) << "mark elapsed time";
    EXPECT_EQ(U16At(saved.file, 0x0E24E + 2 * 4), 200) << "mark level";
    EXPECT_EQ(U32At(saved.file, 0x0E258 + 4 * 4), 291u) << "mark duration";
    EXPECT_EQ(saved.state.layer2, "ev01.bmp");
    EXPECT_EQ(saved.state.chara0, "girl.bmp");

    ScreenRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    // Sound of the game that the load replaces: a voice and a script channel's effect.
    g_VoicePlayers[0] = new CVoiceplay();
    g_pSeChannels[4] = new CSeplay();
    ASSERT_NO_FATAL_FAILURE(Load(rt, script, saved));
    EXPECT_EQ(g_VoicePlayers[0], nullptr);
    EXPECT_EQ(g_pSeChannels[4], nullptr);
    EXPECT_EQ(g_pGameMain->scene, kSceneMessage);
    ASSERT_TRUE(RunUntil(PageWaits));
    ExpectSameState(saved.state, GameState::Capture());
    EXPECT_TRUE(BackBuffer() == saved.picture) << "the back buffer differs after the load";
    EXPECT_EQ(PixelOf(g_Layers[2], 10, 10) & 0xFFFFFF, 0x607080u) << "the event picture is back in layer 2";
    // The sound the record names plays again: the music and the looping effect on script channel 1.
    EXPECT_NE(g_BgmPlayer, nullptr);
    EXPECT_NE(g_pSeChannels[1], nullptr);
    ASSERT_NE(g_pScriptMng->m_pBgmName, nullptr);
    EXPECT_STREQ(g_pScriptMng->m_pBgmName, "bgm01.ogg");
    // The game goes on from the saved point: the next command sets variable 4.
    g_pMouse->GetState()->left = 1;
    for (int i = 0; i < 20 && g_pScriptMng->GetVar(4) != 99; ++i)
        g_pGameMain->Frame();
    EXPECT_EQ(g_pScriptMng->GetVar(4), 99);
}

// A save at a click wait inside a vertical page comes back to the same wait, with the earlier
// message's column and the first part of this one on the page.
TEST(SaveRoundTripClickWait, ResumesAtTheSameWaitInsideTheMessage) {
    const std::string script = "    LoadBg 1, \"bmp\\\\bg01.bmp\"\n"
                               "    LoadCharBase 0, \"girl.bmp\"\n"
                               "    SetScrCharSet 0, 0, 300:0\n"
                               "    Transition 0, 0\n"
                               "    WindowStyle 1\n"
                               "    Message \"第一列的话。\"\n"
                               "    Message \"前半句\\x81\\xAB后半句。\"\n"
                               "    SetVar 4, 99\n"
                               "    Message \"完。\"\n";
    SavedGame saved;
    ASSERT_NO_FATAL_FAILURE(PlayAndSave(script, 1, ClickWaitInsideMessage, kSceneClickWait, &saved));
    EXPECT_EQ(PageParts(saved.picture), "background character text");
    ScreenRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    ASSERT_NO_FATAL_FAILURE(Load(rt, script, saved));
    ASSERT_TRUE(RunUntil(ClickWaitInsideMessage));
    ExpectSameState(saved.state, GameState::Capture());
    EXPECT_TRUE(BackBuffer() == saved.picture) << "the back buffer differs after the load";
    // A click goes on with the rest of the message, then to the next command.
    g_pMouse->GetState()->left = 1;
    ASSERT_TRUE(RunUntil(PageWaits));
    g_pMouse->GetState()->left = 1;
    for (int i = 0; i < 20 && g_pScriptMng->GetVar(4) != 99; ++i)
        g_pGameMain->Frame();
    EXPECT_EQ(g_pScriptMng->GetVar(4), 99);
}

INSTANTIATE_TEST_SUITE_P(EveryWindowStyle, SaveRoundTrip, ::testing::Values(0, 1, 2));

// A face shown on the standing character and a sprite with a picture: the record brings back the
// face number, the sprite's name and values and both pictures (layer 1 is shaded once per restored
// sprite, so the pixels are not compared), and the next face tag finds its face sheet.
TEST(SaveRoundTripPictures, AFaceAndASpritePictureComeBack) {
    const std::string script = "    LoadBg 1, \"bmp\\\\bg01.bmp\"\n"
                               "    LoadCharBase 0, \"girl.bmp\"\n"
                               "    SetScrCharSet 0, 0, 300:0\n"
                               "    LoadSprite 3, \"bmp\\\\spr.bmp\"\n"
                               "    SpriteMotion 3, 1, 500:400, 20:10, 0:0, 20:10, 90, 45, 5000\n"
                               "    Message \"#f(0)[2]#她笑了。\"\n"
                               "    Message \"#f(0)[3]#又一句。\"\n"
                               "    SetVar 4, 99\n";
    SavedGame saved;
    ASSERT_NO_FATAL_FAILURE(PlayAndSave(script, 0, PageWaits, kSceneMessage, &saved));
    ASSERT_EQ(saved.state.charPicture, 2);
    ASSERT_EQ(saved.state.sprite3, "spr.bmp");

    ScreenRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    ASSERT_NO_FATAL_FAILURE(Load(rt, script, saved));
    ASSERT_TRUE(RunUntil(PageWaits));
    ExpectSameState(saved.state, GameState::Capture());
    ASSERT_NE(g_pSpriteSurfaces[3], nullptr);
    EXPECT_EQ(g_pSpriteSurfaces[3]->GetWidth(), 48);
    EXPECT_EQ(g_pSpriteSurfaces[3]->GetHeight(), 32);
    EXPECT_NE(g_FaceSurfaces[0], nullptr) << "the face sheet of the restored character";
    g_pMouse->GetState()->left = 1;
    ASSERT_TRUE(RunUntil(PageWaits));
    EXPECT_EQ(g_pGameMain->charSlotPicture[0], 3);
    EXPECT_TRUE(rt.backend().boxes.empty()) << "a message box: " << rt.backend().boxes.front().text;
}

// A jump to another script leaves the background of layer 1 on the screen: a save made there, before
// any new background, loads that picture again and not what the fresh engine held (black). The
// script jumps to itself once, past its picture commands.
TEST(SaveRoundTripPictures, ASaveAfterAScriptJumpShowsTheBackgroundOnTheScreen) {
    const std::string script = "    JumpIfEq 9, 1, after\n"
                               "    LoadBg 1, \"bmp\\\\ev01.bmp\"\n"
                               "    Transition 0, 0\n"
                               "    SetVar 9, 1\n"
                               "    JumpScript \"fixture.s\"\n"
                               "after:\n"
                               "    Message \"之后。\"\n"
                               "    SetVar 4, 99\n";
    SavedGame saved;
    ASSERT_NO_FATAL_FAILURE(PlayAndSave(script, 0, PageWaits, kSceneMessage, &saved));
    ScreenRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    ASSERT_NO_FATAL_FAILURE(Load(rt, script, saved));
    ASSERT_TRUE(RunUntil(PageWaits));
    // Everything above the message window: the event picture, as before the save.
    const std::vector<uint32_t> picture = BackBuffer();
    const auto windowTop = static_cast<std::ptrdiff_t>(448 * kScreenWidth);
    EXPECT_TRUE(std::equal(picture.begin(), picture.begin() + windowTop, saved.picture.begin()));
    EXPECT_TRUE(
        std::all_of(picture.begin(), picture.begin() + windowTop, [](uint32_t p) { return p == 0x607080u; }));
}

// The picture sequence stops the music that played before it and its own; a save made after it
// records no music, so the load plays none either (the engine's own name is the sequence's closing
// one, which is not started).
bool PageAfterTheSequence() {
    if (g_pGameMain->scene == kScenePictureSequence)
        g_pMouse->GetState()->right = 1; // cut it short
    return PageWaits();
}

TEST(SaveRoundTripMusic, ASaveAfterThePictureSequenceLoadsWithoutMusic) {
    const std::string script = "    PlayBgm 1, \"bgm01\"\n"
                               "    SetMode 26\n"
                               "    LoadBg 1, \"bmp\\\\bg01.bmp\"\n"
                               "    Message \"之后。\"\n"
                               "    SetVar 4, 99\n";
    SavedGame saved;
    ASSERT_NO_FATAL_FAILURE(PlayAndSave(script, 0, PageAfterTheSequence, kSceneMessage, &saved));
    EXPECT_EQ(saved.state.bgm, "");
    EXPECT_EQ(saved.file[0x0C8F4], 0) << "the record's music name";

    ScreenRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    g_BgmPlayer = new CBgmplay(); // music of the game that the load replaces
    ASSERT_NO_FATAL_FAILURE(Load(rt, script, saved));
    EXPECT_EQ(g_BgmPlayer, nullptr);
    EXPECT_EQ(g_pScriptMng->m_pBgmName, nullptr);
    EXPECT_STREQ(g_pGameMain->bgmName, "");
}

// The file read with offsets of its own, not through the struct.
TEST(SaveRecordFile, FieldsLieAtTheirOffsets) {
    ScreenRuntime rt;
    WriteGameFiles(rt.folder(), "    SetSlot 0, 1, 10:20, 58:58, 291\n"
                                "    Message \"你好\"\n");
    CGameMain& g = *g_pGameMain;
    CScriptMng& s = *g_pScriptMng;
    ASSERT_NE(s.LoadScript("fixture.s"), nullptr);
    s.RunScript(); // mark slot 0 with a duration of 291 ms
    ASSERT_EQ(s.m_posSlots[0].state, 1);
    const uint32_t markStart = s.m_posSlots[0].startTime;
    s.SetScriptOffset(7);
    g.returnScene = 61;
    std::strcpy(g.layerPictureNames[1], "bmp\\ev34a.bmp");
    std::strcpy(g.spritePictureNames[0], "sprite.bmp");
    g.spriteMotion[8][3] = 200;
    std::strcpy(g.bgmName, "bgm02.ogg");
    std::strcpy(g.seName, "rain.ogg");
    g.charSlotX[14] = 0xBEEF;
    g.backlogCount = 2;
    std::strcpy(g.backlogText[0], "AB");
    std::strcpy(s.m_plainText, "plain");
    std::strcpy(s.m_rawText, "raw#w100#");
    s.m_pNamePlate = new char[5]{"Name"};
    s.m_vars[5] = -2;
    s.m_hudDateRow = 4;
    s.m_windowStyle = 2;
    s.m_textX = 0x1234;
    s.m_clockHour = 9;
    s.m_clockMinute = 5;
    s.m_hudInfoRow = 6;
    s.m_windowFrame = 1;
    s.m_timeGauge = -3;
    s.m_list1.count = 7;
    s.m_posSlots[2].level = 0x1234;
    s.m_posSlots[2].elapsed = 0x89ABCDEF;
    s.m_pickedEntry = 7;
    s.m_pickedKind = 2;
    s.m_chapter = 11;
    s.m_noteMarks[623] = 1;
    s.m_screenRect = RECT{1, 2, 3, 4};
    const uint16_t date[5] = {2026, 1, 3, 9, 5};
    std::memcpy(s.m_saveTime, date, sizeof date);
    BuildSaveRecord(rt.hwnd());
    ASSERT_TRUE(WriteSaveSlot(99, g_SaveData));
    const std::vector<uint8_t> b = ReadBytes(rt.folder().path() + "/save/savefile99.sav");
    ASSERT_EQ(b.size(), 255224u);

    struct Word {
        size_t offset;
        int width; // 1, 2 or 4 bytes
        uint32_t expected;
    };
    const Word words[] = {
        {0x0B640, 4, 7},
        {0x0B644, 1, 61},
        {0x0C7C6 + 2 * (8 * 10 + 3), 2, 200},
        {0x0CA84 + 2 * 14, 2, 0xBEEF},
        {0x0CDDC + 4 * 5, 4, 0xFFFFFFFEu},
        {0x0D1DF, 1, 4},
        {0x0D1E4, 4, 2},
        {0x0D208, 1, 2},
        {0x0D20A, 2, 0x1234},
        {0x0D20F, 1, 9},
        {0x0D210, 1, 5},
        {0x0D214, 4, 6},
        {0x0D21B, 1, 1},
        {0x0DCDF, 1, 0xFD},
        {0x0DD74 + 6 * 45 + 45, 1, 7},
        // Mark slot 0 as script command 106 set it: the start time, then the duration in the third
        // 32-bit array; slot 2's elapsed time in the second and its level in the 16-bit array.
        {0x0E1ED, 1, 1},
        {0x0E1F2, 1, 1},
        {0x0E1F8 + 2 * (3 * 5 + 0), 2, 58},
        {0x0E220, 4, markStart},
        {0x0E234, 4, 0},
        {0x0E258, 4, 291},
        {0x0E248, 1, 1},
        {0x0E248 + 2, 1, 0},
        {0x0E234 + 4 * 2, 4, 0x89ABCDEF},
        {0x0E24E + 2 * 2, 2, 0x1234},
        {0x0E258 + 4 * 2, 4, 0},
        {0x0DCE0, 1, 7},
        {0x0DCE1, 1, 2},
        {0x0DCE2, 1, 11},
        {0x3E26C + 623, 1, 1},
        {0x3E4DC, 4, 1},
        {0x3E4E8, 4, 4},
        {0x3E4EC, 2, 2026},
        {0x3E4EE, 2, 1},
        {0x3E4F0, 2, 3},
        {0x3E4F2, 2, 9},
        {0x3E4F4, 2, 5},
        // The backlog is stored inverted in every row, used or not.
        {0x0E26C, 1, 0xFF & ~'A'},
        {0x0E26D, 1, 0xFF & ~'B'},
        {0x0E26C + 256 * 200, 1, 0xFF},
        {0x1E26C + 65535, 1, 0xFF},
        {0x2E26C, 1, 0xFF},
    };
    for (const Word& w : words) {
        const uint32_t got = w.width == 1   ? b[w.offset]
                             : w.width == 2 ? U16At(b, w.offset)
                                            : U32At(b, w.offset);
        EXPECT_EQ(got, w.expected) << "at 0x" << std::hex << w.offset;
    }
    const std::pair<size_t, std::string> texts[] = {
        {0x0B6C5, "bmp\\ev34a.bmp"}, {0x0C2C5, "sprite.bmp"}, {0x0C8F4, "bgm02.ogg"}, {0x0C974, "fixture.s"},
        {0x0C9F4, "rain.ogg"},       {0x0CADC, "plain"},      {0x0CBDC, "raw#w100#"}, {0x0CCDC, "Name"},
    };
    for (const auto& [offset, text] : texts)
        EXPECT_EQ(TextAt(b, offset), text) << "at 0x" << std::hex << offset;
}

TEST(SaveThumbnail, AreaAveragesTheScreen) {
    struct Case {
        const char* name;
        uint32_t (*pixel)(int x, int y);
        int tx, ty;
        uint32_t expected;
    };
    const Case cases[] = {
        {"flat", [](int, int) { return 0x00336699u; }, 70, 40, 0x00336699},
        {"left half", [](int x, int) { return x < 512 ? 0x00FF0000u : 0x000000FFu; }, 71, 0, 0x00FF0000},
        {"right half", [](int x, int) { return x < 512 ? 0x00FF0000u : 0x000000FFu; }, 72, 80, 0x000000FF},
        // Odd columns white: column 33 covers 2/9 of black column 234, then three of each, then 7/9 of
        // white column 241, so 544 of its 1024 parts are white.
        {"fine stripes", [](int x, int) { return (x & 1) ? 0x00FFFFFFu : 0u; }, 33, 17, 0x00878787},
        // Column 7 covers the last 32 of 144 parts of black column 49, the rest lies right of it.
        {"edge inside a pixel", [](int x, int) { return x >= 50 ? 0x00FFFFFFu : 0u; }, 7, 3, 0x00F7F7F7},
        // The fourth byte of the source never reaches the thumbnail.
        {"alpha dropped", [](int, int) { return 0xFF102030u; }, 0, 0, 0x00102030},
    };
    std::vector<uint32_t> pixels(1024 * 576);
    std::vector<uint8_t> out(144 * 81 * 4);
    for (const Case& c : cases) {
        for (int y = 0; y < 576; ++y)
            for (int x = 0; x < 1024; ++x)
                pixels[static_cast<size_t>(y) * 1024 + x] = c.pixel(x, y);
        MakeThumbnail(pixels.data(), 1024, out.data());
        uint32_t got = 0;
        std::memcpy(&got, &out[(static_cast<size_t>(c.ty) * 144 + c.tx) * 4], 4);
        EXPECT_LE(screentest::ChannelDistance(got, c.expected), 1) << c.name << std::hex << " got " << got;
        EXPECT_EQ(got >> 24, 0u) << c.name;
    }
}

// A 1024 × 576 surface whose pixel (x, y) is (x mod 256) | (y mod 256) << 8 | tag << 16.
CDIB32* Patterned(HWND hwnd, uint32_t tag) {
    auto* surface = new CDIB32();
    surface->Create(hwnd, 1024, 576, 24);
    for (int32_t y = 0; y < 576; ++y) {
        std::vector<uint32_t> row(1024);
        for (int32_t x = 0; x < 1024; ++x)
            row[x] = (x & 0xFF) | (y & 0xFF) << 8 | tag << 16;
        std::memcpy(surface->GetPixelAddress(0, y), row.data(), row.size() * 4);
    }
    return surface;
}

TEST(SaveThumbnail, SourceFollowsTheWindowStyleTheMotionAndTheScreen) {
    ScreenRuntime rt;
    CScriptMng& s = *g_pScriptMng;
    constexpr uint32_t kLayer0 = 1, kBackupB = 2, kCharThumb = 3, kSnapshot = 4;
    struct Case {
        const char* name;
        uint8_t style;
        bool moving;         // a standing character moves
        uint8_t fromScene;   // the scene the save screen was opened from
        bool charThumb;      // the picture the motion prepared exists
        uint32_t averaged;   // flat source of the 144 × 81 thumbnail (0 none)
        uint32_t sampledTag; // patterned source of the 100 × 75 sample (0 none)
    };
    const Case cases[] = {
        {"story", 0, false, kSceneMessage, true, kLayer0, 0},
        {"vertical style", 1, false, kSceneMessage, true, kBackupB, 0},
        {"vertical style while a character moves", 1, true, kSceneMessage, true, kBackupB, 0},
        {"a character moves", 0, true, kSceneMessage, true, 0, kCharThumb},
        {"a character moves without its picture", 0, true, kSceneMessage, false, 0, 0},
        {"command screen", 0, false, kSceneCommand, true, 0, kSnapshot},
        {"search screen", 2, false, kSceneSearch, true, 0, kSnapshot},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Flat pictures where the thumbnail is averaged, patterned ones where it is sampled.
        ReplaceSurface(g_Layers[0], new CDIB32());
        g_Layers[0]->Create(rt.hwnd(), 1024, 576, 24);
        g_Layers[0]->Fill(0x010000 * kLayer0, nullptr);
        ReplaceSurface(g_Layer1Backup[1], new CDIB32());
        g_Layer1Backup[1]->Create(rt.hwnd(), 1024, 576, 24);
        g_Layer1Backup[1]->Fill(0x010000 * kBackupB, nullptr);
        ReplaceSurface(g_pScriptUiSurfaces[kUiCharThumb],
                       c.charThumb ? Patterned(rt.hwnd(), kCharThumb) : nullptr);
        ReplaceSurface(g_pScriptUiSurfaces[kUiSnapshot], Patterned(rt.hwnd(), kSnapshot));
        s.m_windowStyle = c.style;
        s.m_motionSlots[3].flags = c.moving ? 1 : 0;
        g_pGameMain->returnScene = c.fromScene;
        BuildSaveRecord(rt.hwnd());
        auto pixel = [](int x, int y, int width) {
            uint32_t p = 0;
            std::memcpy(&p, g_SaveData.thumbnail + (static_cast<size_t>(y) * width + x) * 4, 4);
            return p;
        };
        const uint8_t* bytes = g_SaveData.thumbnail;
        if (c.averaged != 0) {
            EXPECT_EQ(pixel(0, 0, 144), 0x010000 * c.averaged);
            EXPECT_EQ(pixel(143, 80, 144), 0x010000 * c.averaged);
            continue;
        }
        // Sample (col, row) is pixel (8 col, 8 row): (792, 568) is (24, 56) in the pattern; rows 72 to
        // 74 would lie below the 576 rows of the picture and stay zero, as do the bytes after the
        // 100 × 75 × 4 of the sample.
        const uint32_t tag = c.sampledTag << 16;
        if (c.sampledTag != 0) {
            EXPECT_EQ(pixel(0, 0, 100), tag);
            EXPECT_EQ(pixel(50, 30, 100), tag | 0xF090); // (400, 240)
            EXPECT_EQ(pixel(99, 71, 100), tag | 0x3818);
        } else {
            EXPECT_EQ(pixel(99, 71, 100), 0u);
        }
        EXPECT_EQ(pixel(0, 72, 100), 0u);
        EXPECT_EQ(pixel(99, 74, 100), 0u);
        EXPECT_TRUE(std::all_of(bytes + 30000, bytes + sizeof g_SaveData.thumbnail,
                                [](uint8_t b) { return b == 0; }));
    }
}

TEST(SaveSlotFile, MalformedFilesAreRefusedOrMended) {
    ScreenRuntime rt;
    struct Case {
        const char* fixture;
        bool read;
    };
    const Case cases[] = {
        {"empty.sav", false},       {"short.sav", false},       {"long.sav", false},
        {"unterminated.sav", true}, {"out_of_range.sav", true}, {"offset_outside.sav", true},
    };
    for (const Case& c : cases) {
        rt.folder().WriteFile("save/savefile05.sav", Fixture(c.fixture));
        SaveData record;
        std::memset(&record, 0x5A, sizeof record);
        EXPECT_EQ(ReadSaveSlot(5, &record), c.read) << c.fixture;
        if (!c.read) {
            // Nothing of the file, nor of what the record held, is left.
            EXPECT_EQ(record.scriptOffset, 0u) << c.fixture;
            EXPECT_EQ(record.backlogText[255][255], 0u) << c.fixture;
            continue;
        }
        for (const auto& name : record.layerNames)
            EXPECT_LT(strnlen(name, sizeof name), sizeof name) << c.fixture;
        EXPECT_LT(strnlen(record.rawText, sizeof record.rawText), sizeof record.rawText) << c.fixture;
        EXPECT_LT(strnlen(record.namePlate, sizeof record.namePlate), sizeof record.namePlate) << c.fixture;
        EXPECT_EQ(record.backlogText[17][255], 0xFF) << c.fixture;
        EXPECT_LE(record.backlogCount, 250u) << c.fixture;
        EXPECT_LE(record.windowStyle, 2) << c.fixture;
        EXPECT_LE(record.clockHour, 23) << c.fixture;
        EXPECT_LE(record.clockMinute, 59) << c.fixture;
    }
    EXPECT_FALSE(ReadSaveSlot(-1, std::make_unique<SaveData>().get()));
    EXPECT_FALSE(ReadSaveSlot(100, std::make_unique<SaveData>().get()));
}

TEST(SaveSlotFile, RecordsThatCannotResumeLeaveTheGameAlone) {
    ScreenRuntime rt;
    WriteGameFiles(rt.folder(), "    SetVar 1, 5\n    Message \"一\"\n");
    CScriptMng& s = *g_pScriptMng;
    ASSERT_NE(s.LoadScript("fixture.s"), nullptr);
    s.m_vars[9] = 42;
    std::strcpy(g_pGameMain->seName, "keep.ogg");
    // A missing script is reported once; a resume point beyond the script only refuses the record.
    const std::pair<const char*, size_t> cases[] = {{"unterminated.sav", 1}, {"offset_outside.sav", 0}};
    for (const auto& [fixture, boxes] : cases) {
        rt.folder().WriteFile("save/savefile00.sav", Fixture(fixture));
        ASSERT_TRUE(ReadSaveSlot(0, &g_SaveData));
        rt.backend().boxes.clear();
        EXPECT_FALSE(RestoreSceneAfterLoad(rt.hwnd())) << fixture;
        EXPECT_EQ(rt.backend().boxes.size(), boxes) << fixture;
        EXPECT_EQ(s.m_vars[9], 42) << fixture;
        EXPECT_STREQ(g_pGameMain->scriptName, "fixture.s") << fixture;
        EXPECT_STREQ(g_pGameMain->seName, "keep.ogg") << fixture;
    }
}

TEST(SaveSlotFile, OutOfRangeRecordLoadsSafely) {
    ScreenRuntime rt;
    WriteGameFiles(rt.folder(), "    SetVar 1, 5\n    Message \"一\"\n");
    rt.folder().WriteFile("save/savefile00.sav", Fixture("out_of_range.sav"));
    ASSERT_TRUE(ReadSaveSlot(0, &g_SaveData));
    ASSERT_TRUE(RestoreSceneAfterLoad(rt.hwnd()));
    EXPECT_EQ(ResumeSceneFor(g_SaveData.resumeScene), kSceneScript);
    EXPECT_EQ(g_pGameMain->backlogCount, 250u);
    EXPECT_EQ(g_pScriptMng->m_windowStyle, 0);
    EXPECT_EQ(g_pScriptMng->m_clockHour, 23);
    // The missing background leaves an empty layer; the missing sprite draws nothing.
    ASSERT_NE(g_Layers[1], nullptr);
    EXPECT_EQ(g_Layers[1]->GetWidth(), 0);
    EXPECT_STREQ(g_pGameMain->layerPictureNames[1], "missing.bmp");
    g_pGameMain->scene = kSceneScript;
    for (int i = 0; i < 5; ++i)
        g_pGameMain->Frame();
    EXPECT_EQ(g_pScriptMng->GetVar(1), 5);
}

TEST(SaveSlotFile, WriteReplacesWholeOrKeepsTheOldFile) {
    ScreenRuntime rt;
    std::unique_ptr<SaveData> record(new SaveData());
    record->scriptOffset = 1;
    ASSERT_TRUE(WriteSaveSlot(3, *record));
    record->scriptOffset = 2;
    ASSERT_TRUE(WriteSaveSlot(3, *record));
    const std::string folder = rt.folder().path() + "/save";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1) << "no temporary file is left beside the slot";
    EXPECT_EQ(U32At(ReadBytes(folder + "/savefile03.sav"), 0x0B640), 2u);
    // A folder in the file's place cannot be replaced: the write fails and what stands is kept.
    rt.folder().WriteFile("save/savefile04.sav/inner", {1});
    EXPECT_FALSE(WriteSaveSlot(4, *record));
    EXPECT_TRUE(rt.folder().Exists("save/savefile04.sav/inner"));
    EXPECT_FALSE(WriteSaveSlot(100, *record));
}

TEST(SaveResume, SceneMapping) {
    const std::pair<uint8_t, uint8_t> cases[] = {{3, 3},  {55, 3}, {61, 61}, {2, 2},   {17, 2},  {65, 2},
                                                 {69, 2}, {10, 2}, {1, 2},   {200, 2}, {38, 38}, {70, 70}};
    for (const auto& [stored, resumed] : cases)
        EXPECT_EQ(ResumeSceneFor(stored), resumed) << int(stored);
}

TEST(SaveRestore, EachSpriteDarkensLayerOneBeforeItIsStamped) {
    ScreenRuntime rt;
    WriteGameFiles(rt.folder(), "    Message \"一\"\n");
    rt.folder().WriteFlatBitmap("bmp/spr.bmp", 100, 100, 0x00FF0000);
    ASSERT_NE(g_pScriptMng->LoadScript("fixture.s"), nullptr);
    g_pGameMain->returnScene = kSceneScript;
    BuildSaveRecord(rt.hwnd());
    std::strcpy(g_SaveData.layerNames[1], "bg01.bmp");
    for (int slot : {0, 1}) {
        std::strcpy(g_SaveData.spriteNames[slot], "bmp\\spr.bmp");
        const uint16_t values[9] = {static_cast<uint16_t>(10 + 200 * slot), 10, 50, 50, 0, 0, 50, 50, 256};
        for (int t = 0; t < 9; ++t)
            g_SaveData.spriteValues[t][slot] = values[t];
    }
    // A layer whose saved name is empty keeps the surface it has.
    auto* kept = new CDIB32();
    ReplaceSurface(g_Layers[2], kept);
    ASSERT_TRUE(RestoreSceneAfterLoad(rt.hwnd()));
    EXPECT_EQ(g_Layers[2], kept);
    auto darken = [](uint32_t c) { return screentest::Blend(c, 0, 220); };
    // Far from both sprites: two blends of black. Inside the first sprite: its own pixels, drawn after
    // the first darkening and darkened once more by the second sprite's.
    EXPECT_LE(screentest::ChannelDistance(PixelOf(g_Layers[1], 900, 500), darken(darken(kBackground))), 1);
    EXPECT_LE(screentest::ChannelDistance(PixelOf(g_Layers[1], 20, 20), darken(0xFF0000)), 1);
    EXPECT_EQ(PixelOf(g_Layers[1], 220, 20) & 0xFFFFFF, 0xFF0000u);
    EXPECT_STREQ(g_pGameMain->spritePictureNames[0], "spr.bmp");
    EXPECT_EQ(PixelOf(g_Layers[0], 220, 20) & 0xFFFFFF, 0xFF0000u) << "layer 0 is a copy of layer 1";
}

// Layer 1 as the record's colour layer, tint, shading and picture effect leave it; layer 0 is its
// copy. The tint is blended as the tint command blends it.
TEST(SaveRestore, LayerOneFinishing) {
    struct Case {
        const char* what;
        bool colourLayer;
        uint32_t colour, tint, shading;
        uint8_t effect;
        uint32_t atTop, atBottom; // expected at (500, 300) and (500, 540)
        int tolerance;
    };
    const uint32_t tinted = screentest::Blend(kBackground, 0xFF0000, 0x80);
    const Case cases[] = {
        {"plain picture", false, 0, 0, 0, 0, kBackground, kBackground, 0},
        {"colour layer", true, 0xFF123456, 0, 0, 0, 0x123456, 0x123456, 0},
        {"tint", false, 0, 0x80FF0000, 0, 0, tinted, tinted, 1},
        {"shading bands reach row 511", false, 0, 0, 1, 0, 0, kBackground, 0},
        {"colour negative", false, 0, 0, 0, 1, ~kBackground & 0xFFFFFF, ~kBackground & 0xFFFFFF, 0},
        {"second effect clears", false, 0, 0, 0, 2, 0, 0, 0},
        {"unknown effect does nothing", false, 0, 0, 0, 7, kBackground, kBackground, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScreenRuntime rt;
        WriteGameFiles(rt.folder(), "    Message \"一\"\n");
        ASSERT_NE(g_pScriptMng->LoadScript("fixture.s"), nullptr);
        g_pGameMain->returnScene = kSceneScript;
        BuildSaveRecord(rt.hwnd());
        if (c.colourLayer)
            g_SaveData.layerNames[1][0] = '\x01';
        else
            std::strcpy(g_SaveData.layerNames[1], "bg01.bmp");
        g_SaveData.colourLayerColour = c.colour;
        g_SaveData.layer1FillColour = c.tint;
        g_SaveData.layer1Shading = c.shading;
        g_SaveData.layer1Effect = c.effect;
        // The record, then one saved after it was loaded: the picture is the same.
        for (const bool again : {false, true}) {
            SCOPED_TRACE(again ? "saved after the load and loaded" : "loaded");
            if (again)
                BuildSaveRecord(rt.hwnd());
            ASSERT_TRUE(RestoreSceneAfterLoad(rt.hwnd()));
            for (CDIB32* layer : {g_Layers[1], g_Layers[0]}) {
                EXPECT_LE(screentest::ChannelDistance(PixelOf(layer, 500, 300), c.atTop), c.tolerance);
                EXPECT_LE(screentest::ChannelDistance(PixelOf(layer, 500, 540), c.atBottom), c.tolerance);
            }
            if (c.colourLayer) {
                for (CDIB32* backup : {g_Layer1Backup[0], g_Layer1Backup[1]})
                    EXPECT_EQ(PixelOf(backup, 10, 10) & 0xFFFFFF, c.atTop)
                        << "the backups copy a colour layer";
            }
        }
    }
}

// The tint a record brings back is the picture the tint command, or the colour transition, made.
TEST(SaveRestore, TintMatchesTheTintCommand) {
    const char* const scripts[] = {"    FillLayer 96, 0x20, 0xC0, 0x40\n    Transition 0, 0\n",
                                   "    Transition 0, 0\n    ColorTransition 0, 0, 0x40C02060\n"};
    for (const char* tint : scripts) {
        SCOPED_TRACE(tint);
        ScreenRuntime rt;
        WriteGameFiles(rt.folder(), std::string("    LoadBg 1, \"bmp\\\\bg01.bmp\"\n") + tint +
                                        "    Message \"一\"\n    SetVar 4, 1\n");
        ASSERT_NE(g_pScriptMng->LoadScript("fixture.s"), nullptr);
        g_pGameMain->scene = kSceneScript;
        ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kSceneMessage; }));
        const uint32_t live = PixelOf(g_Layers[0], 500, 300) & 0xFFFFFF;
        ASSERT_NE(live, kBackground & 0xFFFFFF) << "the script tinted the picture";
        BuildSaveRecord(rt.hwnd());
        EXPECT_EQ(g_SaveData.layer1FillColour, 0x6020C040u);
        ReplaceSurface(g_Layers[1], nullptr);
        ASSERT_TRUE(RestoreSceneAfterLoad(rt.hwnd()));
        EXPECT_EQ(PixelOf(g_Layers[1], 500, 300) & 0xFFFFFF, live);
    }
}

} // namespace
