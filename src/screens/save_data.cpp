#include "screens/save_data.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <vector>

#include "app/game_main.h"
#include "archive/arc_file.h"
#include "archive/paths.h"
#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "scene/transition.h"
#include "screens/screen_object.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

SaveData g_SaveData{};

namespace {

static_assert(sizeof(ItemList1) + sizeof(ItemList2) + 3 * sizeof(ItemList) == sizeof(SaveData::itemLists));
static_assert(sizeof(CScriptMng::m_chapterTable) == sizeof(SaveData::chapterTable));
static_assert(sizeof(CScriptMng::m_visitTable) == sizeof(SaveData::visitTable));
static_assert(sizeof(CScriptMng::m_keywordKnown) == sizeof(SaveData::keywordKnown));
static_assert(sizeof(CScriptMng::m_noteMarks) == sizeof(SaveData::noteMarks));
static_assert(sizeof(CGameMain::backlogText) == sizeof(SaveData::backlogText));
static_assert(sizeof(CGameMain::spriteMotion) == sizeof(SaveData::spriteValues));

// Scenes a loaded game may resume in: the interpreter and the modes with a step of their own. The
// system screens and the numbers without a step are not among them.
constexpr uint8_t kResumableScenes[] = {2,  3,  4,  5,  18, 19, 23, 25, 26, 35, 36, 37, 38, 39, 40, 41, 42,
                                        44, 46, 51, 52, 53, 55, 56, 58, 59, 60, 61, 62, 63, 64, 66, 67, 70};

// The one-byte layer name of a colour layer.
constexpr char kColourLayerName = '\x01';

// Black at strength 220, blended over layer 1 once for each sprite a record brings back.
constexpr uint32_t kSpriteShade = 220u << 24;

template <size_t N>
void Terminate(char (&field)[N]) {
    field[N - 1] = '\0';
}

template <size_t N>
void CopyField(char (&dst)[N], const char* src) {
    std::memset(dst, 0, N);
    if (src)
        std::memcpy(dst, src, strnlen(src, N - 1));
}

// A heap copy of a text field, or null for an empty field (at most size − 1 bytes are taken).
char* HeapCopy(const char* field, size_t size) {
    const size_t n = strnlen(field, size - 1);
    if (n == 0)
        return nullptr;
    char* copy = new (std::nothrow) char[n + 1]();
    if (copy)
        std::memcpy(copy, field, n);
    return copy;
}

void ReplaceText(char*& text, const char* field, size_t size) {
    delete[] text;
    text = HeapCopy(field, size);
}

// The bytes of the five item lists, in list order.
template <typename Fn>
void ForEachItemList(CScriptMng& s, Fn&& fn) {
    size_t at = 0;
    auto step = [&](auto& list) {
        fn(reinterpret_cast<uint8_t*>(&list), at, sizeof list);
        at += sizeof list;
    };
    step(s.m_list1);
    step(s.m_list2);
    step(s.m_list3);
    step(s.m_list4);
    step(s.m_list5);
}

void CopyInverted(uint8_t* dst, const uint8_t* src, size_t n) {
    for (size_t i = 0; i < n; ++i)
        dst[i] = static_cast<uint8_t>(~src[i]);
}

// ---- Thumbnail --------------------------------------------------------------------------------------

// The scenes of the investigation screens, from which the save screen may be opened.
constexpr uint8_t kInvestigationScenes[] = {kSceneMap,       kSceneCommand,        kSceneLegwork,
                                            kSceneTalkStart, kSceneLegworkEnd,     kSceneKeywordList,
                                            kSceneSearch,    kSceneSearchInventory};

bool UsableSurface(CDIB32* surface) {
    return surface != nullptr && surface->GetWidth() > 0 && surface->GetHeight() > 0;
}

bool IsInvestigationScene(uint8_t scene) {
    return std::find(std::begin(kInvestigationScenes), std::end(kInvestigationScenes), scene) !=
           std::end(kInvestigationScenes);
}

// The surface of the point-sampled thumbnail, or null when the area-averaged one is taken: while
// a standing character moves, the picture its motion prepared (the character already in place);
// on an investigation screen, the screen as the save screen found it. `sampled` tells which kind
// applies (the surface may still be missing, and then no thumbnail is made).
CDIB32* SampledThumbnailSource(const CScriptMng& s, uint8_t fromScene, bool* sampled) {
    const bool moving = std::any_of(std::begin(s.m_motionSlots), std::end(s.m_motionSlots),
                                    [](const MotionSlot& m) { return m.flags == 1; });
    *sampled = TakesSampledThumbnail(s.m_windowStyle, fromScene, moving);
    if (!*sampled)
        return nullptr;
    CDIB32* source = moving ? g_pScriptUiSurfaces[kUiCharThumb] : g_pScriptUiSurfaces[kUiSnapshot];
    return UsableSurface(source) ? source : nullptr;
}

// The 100 × 75 thumbnail: pixel (x, y) of the source for x = 0, 8, ... 792 and y = 0, 8, ... 592,
// its four bytes as they are, in rows of 400 bytes from the start of the field. Points beyond the
// source stay zero, as does the rest of the field.
void SampleThumbnail(CDIB32* source, SaveData& d) {
    for (int32_t row = 0; row < kThumbSampleHeight; ++row)
        for (int32_t col = 0; col < kThumbSampleWidth; ++col)
            if (const uint8_t* p = source->ReadPixelAddress(col * kThumbSampleStep, row * kThumbSampleStep))
                std::memcpy(d.thumbnail + (static_cast<size_t>(row) * kThumbSampleWidth + col) * 4, p, 4);
}

void BuildThumbnail(HWND hwnd, const CScriptMng& s, uint8_t fromScene, SaveData& d) {
    bool sampled = false;
    if (CDIB32* source = SampledThumbnailSource(s, fromScene, &sampled))
        SampleThumbnail(source, d);
    if (sampled)
        return;
    // The vertical window style takes backup B of layer 1 (the picture without its text).
    CDIB32* source = s.m_windowStyle == 1 ? g_Layer1Backup[1] : g_Layers[0];
    if (!UsableSurface(source))
        return;
    // A smaller source is taken as a 1024 × 576 picture with black beyond it.
    CDIB32* full = ScreenCopy(hwnd, source);
    if (full && full->GetPixelAddress(0, 0))
        MakeThumbnail(reinterpret_cast<const uint32_t*>(full->GetPixelAddress(0, 0)), full->GetPitch() / 4,
                      d.thumbnail);
    delete full;
}

// ---- Record from the game ---------------------------------------------------------------------------

void CopyAppIntoRecord(const CGameMain& g, SaveData& d) {
    d.resumeScene = g.returnScene;
    std::memcpy(d.layerNames, g.layerPictureNames, sizeof d.layerNames);
    std::memcpy(d.charNames, g.charBasePictureNames, sizeof d.charNames);
    std::memcpy(d.spriteNames, g.spritePictureNames, sizeof d.spriteNames);
    std::memcpy(d.spriteValues, g.spriteMotion, sizeof d.spriteValues);
    std::memcpy(d.spriteValueA, g.spriteValueA, sizeof d.spriteValueA);
    std::memcpy(d.spriteValueB, g.spriteValueB, sizeof d.spriteValueB);
    std::memcpy(d.bgmName, g.bgmName, sizeof d.bgmName);
    std::memcpy(d.scriptName, g.scriptName, sizeof d.scriptName);
    std::memcpy(d.seName, g.seName, sizeof d.seName);
    std::memcpy(d.charSlotPicture, g.charSlotPicture, sizeof d.charSlotPicture);
    std::memcpy(d.charSlotX, g.charSlotX, sizeof d.charSlotX);
    std::memcpy(d.charSlotY, g.charSlotY, sizeof d.charSlotY);
    std::memcpy(d.charSlotShown, g.charSlotShown, sizeof d.charSlotShown);
    d.backlogCount = std::min(g.backlogCount, kBacklogMax);
    CopyInverted(&d.backlogText[0][0], reinterpret_cast<const uint8_t*>(g.backlogText), sizeof d.backlogText);
    CopyInverted(&d.backlogSpeaker[0][0], reinterpret_cast<const uint8_t*>(g.backlogSpeaker),
                 sizeof d.backlogSpeaker);
    CopyInverted(&d.backlogVoice[0][0], reinterpret_cast<const uint8_t*>(g.backlogVoice),
                 sizeof d.backlogVoice);
}

void CopyEngineIntoRecord(CScriptMng& s, SaveData& d) {
    d.scriptOffset = s.SaveOffset();
    d.colourLayerColour = s.m_blankColour;
    d.layer1FillColour = s.m_tintColour;
    d.layer1Shading = s.m_tintFlag;
    std::memcpy(d.plainText, s.m_plainText, sizeof d.plainText);
    std::memcpy(d.rawText, s.m_rawText, sizeof d.rawText);
    Terminate(d.plainText);
    Terminate(d.rawText);
    CopyField(d.namePlate, s.m_pNamePlate);
    CopyField(d.extraText, s.m_pExtraText);
    std::memcpy(d.vars, s.m_vars, sizeof d.vars);
    d.hudOption = s.m_hudOption;
    d.hudDateRow = s.m_hudDateRow;
    d.lineCountMinus2 = static_cast<uint32_t>(s.m_lineCount) - 2u;
    d.textIndex = s.m_textIndex;
    d.clockShown = s.m_clockShown;
    d.param58 = s.m_param58;
    std::memcpy(d.table157, s.m_table157, sizeof d.table157);
    d.param63 = s.m_param63;
    d.layer1Effect = s.m_bgEffect;
    d.windowStyle = s.m_windowStyle;
    d.textX = s.m_textX;
    d.textY = static_cast<uint16_t>(s.m_textY);
    d.msgPageByte = s.m_msgWindowShown;
    d.clockHour = s.m_clockHour;
    d.clockMinute = s.m_clockMinute;
    d.hudInfoRow = s.m_hudInfoRow;
    d.mapPage = s.m_mapPage;
    d.noteByte2 = s.m_noteFlowChart;
    d.noteByte1 = s.m_noteSketch;
    d.windowFrame = s.m_windowFrame;
    std::memcpy(d.valueTable, s.m_valueTable, sizeof d.valueTable);
    std::memcpy(d.chapterTable, s.m_chapterTable, sizeof d.chapterTable);
    d.commandArea = s.m_commandParams[0];
    d.investStep = s.m_investStep;
    d.investActive = s.m_investActive;
    std::memcpy(d.commandParams, s.m_commandParams + 1, sizeof d.commandParams);
    d.commandCount = s.m_commandCount;
    std::memcpy(d.keywordCounts, s.m_keywordCounts, sizeof d.keywordCounts);
    std::memcpy(d.keywordKnown, s.m_keywordKnown, sizeof d.keywordKnown);
    std::memcpy(d.visitTable, s.m_visitTable, sizeof d.visitTable);
    d.keywordListParam1 = static_cast<uint8_t>(s.m_thresholdIndex);
    d.timeGauge = s.m_timeGauge;
    d.keywordListParams[0] = s.m_pickedEntry;
    d.keywordListParams[1] = s.m_pickedKind;
    d.keywordListParams[2] = s.m_chapter;
    std::memcpy(d.legworkChars, s.m_legworkChars, sizeof d.legworkChars);
    std::memcpy(d.legworkCharTopics, s.m_legworkCharTopics, sizeof d.legworkCharTopics);
    std::memcpy(d.legworkEvidence, s.m_legworkEvidence, sizeof d.legworkEvidence);
    d.legworkNo = s.m_legworkNo;
    d.searchPanel = s.m_searchSceneNo;
    ForEachItemList(s, [&](uint8_t* bytes, size_t at, size_t n) { std::memcpy(d.itemLists + at, bytes, n); });
    for (int i = 0; i < kPositionSlotCount; ++i) {
        const PositionSlot& slot = s.m_posSlots[i];
        d.objState[i] = slot.state;
        d.objSecond[i] = slot.param;
        for (int k = 0; k < 4; ++k)
            d.objWords[k][i] = static_cast<uint16_t>(slot.coords[k]);
        d.objStartTime[i] = slot.startTime;
        d.objElapsed[i] = slot.elapsed;
        d.objRunning[i] = slot.state != 0 ? 1 : slot.done;
        d.objLevel[i] = slot.level;
        d.objDuration[i] = slot.paramWord;
    }
    std::memcpy(d.noteMarks, s.m_noteMarks, sizeof d.noteMarks);
    d.screenRect[0] = s.m_screenRect.left;
    d.screenRect[1] = s.m_screenRect.top;
    d.screenRect[2] = s.m_screenRect.right;
    d.screenRect[3] = s.m_screenRect.bottom;
    std::memcpy(d.saveTime, s.m_saveTime, sizeof d.saveTime);
}

// ---- Game from the record ---------------------------------------------------------------------------

void CopyRecordIntoApp(const SaveData& d, CGameMain& g) {
    std::memcpy(g.layerPictureNames, d.layerNames, sizeof d.layerNames);
    std::memcpy(g.charBasePictureNames, d.charNames, sizeof d.charNames);
    std::memcpy(g.spritePictureNames, d.spriteNames, sizeof d.spriteNames);
    std::memcpy(g.spriteMotion, d.spriteValues, sizeof d.spriteValues);
    std::memcpy(g.spriteValueA, d.spriteValueA, sizeof d.spriteValueA);
    std::memcpy(g.spriteValueB, d.spriteValueB, sizeof d.spriteValueB);
    std::memcpy(g.charSlotPicture, d.charSlotPicture, sizeof d.charSlotPicture);
    std::memcpy(g.charSlotX, d.charSlotX, sizeof d.charSlotX);
    std::memcpy(g.charSlotY, d.charSlotY, sizeof d.charSlotY);
    std::memcpy(g.charSlotShown, d.charSlotShown, sizeof d.charSlotShown);
}

// Every engine field the record restores but the script, the texts and the tables of step 4.
void CopyRecordIntoEngine(const SaveData& d, CScriptMng& s) {
    std::memcpy(s.m_vars, d.vars, sizeof d.vars);
    s.m_hudOption = d.hudOption;
    s.m_hudDateRow = d.hudDateRow;
    s.m_clockShown = d.clockShown;
    s.m_param58 = d.param58;
    std::memcpy(s.m_table157, d.table157, sizeof d.table157);
    s.m_param63 = d.param63;
    // The colour layer's colour, the tint, the shading switch and the picture effect are applied to
    // the restored layers and also kept: the engine holds them only to put them into the next save,
    // which would otherwise record none of them and lose the picture of a save made after a load.
    s.m_blankColour = d.colourLayerColour;
    s.m_tintColour = d.layer1FillColour;
    s.m_tintFlag = d.layer1Shading;
    s.m_bgEffect = d.layer1Effect <= 2 ? d.layer1Effect : 0;
    s.m_windowStyle = d.windowStyle;
    s.m_textX = d.textX;
    s.m_textY = static_cast<int16_t>(d.textY);
    s.m_msgWindowShown = d.msgPageByte;
    s.m_clockHour = d.clockHour;
    s.m_clockMinute = d.clockMinute;
    s.m_hudInfoRow = d.hudInfoRow;
    s.m_mapPage = d.mapPage;
    s.m_noteFlowChart = d.noteByte2;
    s.m_noteSketch = d.noteByte1;
    s.m_commandParams[0] = d.commandArea;
    s.m_investStep = d.investStep;
    s.m_investActive = d.investActive;
    s.m_timeGauge = d.timeGauge;
    s.m_thresholdIndex = static_cast<int8_t>(d.keywordListParam1);
    s.m_pickedEntry = d.keywordListParams[0];
    s.m_pickedKind = d.keywordListParams[1];
    s.m_chapter = d.keywordListParams[2];
    for (int i = 0; i < kPositionSlotCount; ++i) {
        PositionSlot& slot = s.m_posSlots[i];
        slot.state = d.objState[i];
        slot.param = d.objSecond[i];
        for (int k = 0; k < 4; ++k)
            slot.coords[k] = static_cast<int16_t>(d.objWords[k][i]);
        slot.startTime = d.objStartTime[i];
        slot.elapsed = d.objElapsed[i];
        slot.done = d.objRunning[i];
        slot.level = d.objLevel[i];
        slot.paramWord = d.objDuration[i];
    }
    std::memcpy(s.m_noteMarks, d.noteMarks, sizeof d.noteMarks);
    s.m_screenRect = RECT{d.screenRect[0], d.screenRect[1], d.screenRect[2], d.screenRect[3]};
}

// Step 4: the message texts, the window frame, the panel flag and the investigation tables.
void CopyRecordTablesIntoEngine(const SaveData& d, CScriptMng& s) {
    std::memcpy(s.m_rawText, d.rawText, sizeof d.rawText);
    std::memcpy(s.m_plainText, d.plainText, sizeof d.plainText);
    s.m_windowFrame = d.windowFrame;
    s.m_searchSceneNo = d.searchPanel;
    std::memcpy(s.m_valueTable, d.valueTable, sizeof d.valueTable);
    std::memcpy(s.m_chapterTable, d.chapterTable, sizeof d.chapterTable);
    ForEachItemList(s, [&](uint8_t* bytes, size_t at, size_t n) { std::memcpy(bytes, d.itemLists + at, n); });
    std::memcpy(s.m_commandParams + 1, d.commandParams, sizeof d.commandParams);
    s.m_commandCount = d.commandCount;
    std::memcpy(s.m_keywordCounts, d.keywordCounts, sizeof d.keywordCounts);
    std::memcpy(s.m_keywordKnown, d.keywordKnown, sizeof d.keywordKnown);
    std::memcpy(s.m_visitTable, d.visitTable, sizeof d.visitTable);
    std::memcpy(s.m_legworkChars, d.legworkChars, sizeof d.legworkChars);
    std::memcpy(s.m_legworkCharTopics, d.legworkCharTopics, sizeof d.legworkCharTopics);
    std::memcpy(s.m_legworkEvidence, d.legworkEvidence, sizeof d.legworkEvidence);
    s.m_legworkNo = d.legworkNo;
}

// A picture of the picture folder by the file-name part of a saved name; the saved name becomes that
// file-name part. An unreadable picture gives an empty surface.
CDIB32* LoadSavedPicture(HWND hwnd, char (&name)[kNameLength]) {
    const std::string file = GetFilePart(std::string(name, strnlen(name, kNameLength - 1)));
    CopyField(name, file.c_str());
    auto* picture = new CDIB32();
    picture->Load(hwnd, (GetResourceDir(kResourceBmp) + file).c_str());
    return picture;
}

// Step 5: layers 1 to 9 from their saved names, with the two copies of layer 1.
void RestoreLayer(HWND hwnd, const SaveData& d, CGameMain& g, int layer) {
    char(&name)[kNameLength] = g.layerPictureNames[layer];
    if (name[0] == '\0')
        return;
    if (name[0] == kColourLayerName && name[1] == '\0') {
        CDIB32* surface = BlankScreen(hwnd, d.colourLayerColour);
        ReplaceSurface(g_Layers[layer], surface);
        ReplaceSurface(g_Layer1Backup[0], ScreenCopy(hwnd, surface));
        ReplaceSurface(g_Layer1Backup[1], ScreenCopy(hwnd, surface));
        return;
    }
    ReplaceSurface(g_Layers[layer], LoadSavedPicture(hwnd, name));
    ReplaceSurface(g_Layer1Backup[0], ScreenCopy(hwnd, g_Layers[1]));
    ReplaceSurface(g_Layer1Backup[1], ScreenCopy(hwnd, g_Layers[layer]));
}

// Step 7: each sprite with a saved name darkens layer 1 once and is stamped onto it.
void RestoreSprite(HWND hwnd, CGameMain& g, int slot) {
    if (g.spritePictureNames[slot][0] == '\0')
        return;
    CDIB32* layer1 = g_Layers[1];
    TintLayer(hwnd, layer1, kSpriteShade);
    ReplaceSurface(g_pSpriteSurfaces[slot], LoadSavedPicture(hwnd, g.spritePictureNames[slot]));
    auto v = [&](int table) { return static_cast<int16_t>(g.spriteMotion[table][slot]); };
    CDIB32::BltFade(layer1, v(0), v(1), v(2), v(3), g_pSpriteSurfaces[slot], 0, v(4), v(5), v(6), v(7),
                    g.spriteMotion[8][slot]);
}

// The sound name of a saved field: its file-name part with the extension ".ogg".
std::string OggName(const char* field) {
    return GetExtPart(GetFilePart(std::string(field, strnlen(field, kNameLength - 1)))) + ".ogg";
}

// Step 8: the music.
void RestoreMusic(const SaveData& d, CGameMain& g, CScriptMng& s) {
    delete[] s.m_pBgmName;
    s.m_pBgmName = nullptr;
    if (g_BgmPlayer) {
        g_BgmPlayer->KillFadeTimer();
        g_BgmPlayer->Stop();
        delete g_BgmPlayer;
        g_BgmPlayer = nullptr;
    }
    CopyField(g.bgmName, d.bgmName);
    if (d.bgmName[0] == '\0')
        return;
    if (g_SystemData.bgmOff == 0) {
        if (auto* player = new (std::nothrow) CBgmplay()) {
            g_BgmPlayer = player;
            player->OpenMusic(OggName(d.bgmName).c_str());
            player->Reserved3();
            player->SetVolume(std::min<uint32_t>(g_SystemData.bgmVolume, 100));
            player->Play(1);
        }
    }
    s.m_pBgmName = HeapCopy(g.bgmName, sizeof g.bgmName);
}

// Step 9: the looping sound effect, on script channel 1. Every other script channel and every voice
// is stopped as well, so that nothing of the game left behind keeps sounding.
void RestoreLoopingSe(const SaveData& d, CGameMain& g) {
    for (CVoiceplay*& voice : g_VoicePlayers) {
        if (voice) {
            voice->Stop();
            delete voice;
            voice = nullptr;
        }
    }
    for (int slot = 1; slot < kSePlayerSlots; ++slot) {
        if (CSeplay*& player = g_SePlayers[slot]) {
            player->KillTimer();
            player->Stop();
            delete player;
            player = nullptr;
        }
    }
    CopyField(g.seName, d.seName);
    if (d.seName[0] == '\0' || g_SystemData.seOff != 0)
        return;
    if (auto* player = new (std::nothrow) CSeplay()) {
        g_SePlayers[2] = player;
        player->Open(OggName(d.seName).c_str());
        player->Reserved3();
        player->SetVolume(std::min<uint32_t>(g_SystemData.seVolume, 100));
        player->Play(1);
    }
}

// Step 10: shading bands, tint and picture effect of layer 1.
void FinishLayer1(HWND hwnd, const SaveData& d) {
    CDIB32* layer1 = g_Layers[1];
    if (!layer1)
        return;
    if (d.layer1Shading != 0)
        for (uint32_t i = 0; i < 256; ++i)
            layer1->FillRect(0, static_cast<int32_t>(2 * i), kScreenWidth, 2, i << 24);
    // The saved colour is the tint of the tint command (0xAARRGGBB), so it is blended as that command
    // blends it: filled solid, it would put a plain colour where the game showed a tinted picture.
    if (d.layer1FillColour != 0)
        TintLayer(hwnd, layer1, d.layer1FillColour);
    if (d.layer1Effect == 1 || d.layer1Effect == 2) {
        // Effect 1 is the colour negative; effect 2 draws nothing into the new surface, so layer 1
        // takes its cleared (black) content.
        CDIB32* effect = BlankScreen(hwnd, 0);
        ReplaceSurface(g_Layers[63], effect);
        if (d.layer1Effect == 1)
            CDIB32::BltInvert(effect, 0, 0, layer1, 0, 0, kScreenWidth, kScreenHeight);
        CDIB32::Blt(layer1, 0, 0, effect, 0, 0, kScreenWidth, kScreenHeight);
        ReplaceSurface(g_Layers[63], nullptr);
    }
}

// Step 13: the pictures of the message window for the saved style and frame.
void LoadUiPicture(HWND hwnd, int index, const char* name) {
    auto* surface = new CDIB32();
    surface->Load(hwnd, name);
    ReplaceSurface(g_pScriptUiSurfaces[index], surface);
}

void RestoreWindowPictures(HWND hwnd, const CScriptMng& s) {
    const bool vertical = s.m_windowStyle == 1;
    LoadUiPicture(hwnd, kUiWindow, vertical ? "system\\window2.bmp" : "system\\window.bmp");
    LoadUiPicture(hwnd, kUiWindowButtons, vertical ? "system\\window_p2.bmp" : "system\\window_p.bmp");
    const char* frame = vertical               ? "system\\window_w2.bmp"
                        : s.m_windowFrame != 0 ? "system\\window_w.bmp"
                                               : "system\\window_w_2.bmp";
    LoadUiPicture(hwnd, kUiFrame, frame);
    LoadUiPicture(hwnd, kUiClickWait, vertical ? "system\\click_wait02.bmp" : "system\\click_wait01.bmp");
    CDIB32* window = g_MsgWindowSurface;
    auto* work = new CDIB32();
    if (work->Create(hwnd, static_cast<uint16_t>(window->GetWidth()),
                     static_cast<uint16_t>(window->GetHeight()), 32))
        BltCopyLevel(work, 0, 0, window, 0, 0, static_cast<int16_t>(window->GetWidth()),
                     static_cast<int16_t>(window->GetHeight()), MsgWindowBlendLevel());
    ReplaceSurface(g_TextSurface, work);
    ReplaceSurface(g_pScriptUiSurfaces[kUiFrameWork], MakeWorkingCopy(hwnd, g_NamePlateSurface));
    // The vertical style draws with its own font; the horizontal ones with the 24-pixel font.
    screens::SetMessageWindowFont(vertical);
}

// Steps 14 and 15: the message that was on screen is shown again by the message scene, from the
// start of its page. A save made at a click wait inside a message (scene 55) resumes the same way:
// the message is laid out again up to that wait, which then waits again (ResumeSceneFor).
void RestoreMessagePage(const SaveData& d, CGameMain& g, CScriptMng& s) {
    delete[] s.m_pMsgText;
    s.m_pMsgText = HeapCopy(s.m_rawText, sizeof s.m_rawText);
    const uint8_t lineCount = static_cast<uint8_t>(d.lineCountMinus2 + 2u);
    if (d.resumeScene != kSceneMessage && d.resumeScene != kSceneClickWait)
        return;
    ReplaceText(s.m_pNamePlate, d.namePlate, sizeof d.namePlate);
    ReplaceText(s.m_pExtraText, d.extraText, sizeof d.extraText);
    // The page is laid out again from its start, and its start counts the message into the backlog
    // again: it is taken out here so that it is counted once.
    if (s.m_windowStyle != 2 && g.backlogCount > 0)
        --g.backlogCount;
    if (s.m_windowStyle == 1) {
        // The columns of the earlier messages of the page come back from the backlog.
        s.m_lineCount = lineCount > 0 ? static_cast<uint8_t>(lineCount - 1) : 0;
        s.RedrawMessagePage(g_Layers[0]);
    }
    if (s.m_clockShown != 0)
        s.DrawClockHud();
}

enum class RecordScript { kOk, kMissing, kOutside };

// The script file of a record, read whole, and whether the resume point lies inside it.
RecordScript ReadRecordScript(const SaveData& d, std::vector<uint8_t>* bytes) {
    const std::string name(d.scriptName, strnlen(d.scriptName, sizeof d.scriptName - 1));
    if (name.empty())
        return RecordScript::kMissing;
    const std::string previousBase = GetBasePath();
    SetBasePath(GetResourceDir(kResourceScript));
    CArcFile file;
    const int result = file.Open(name);
    SetBasePath(previousBase);
    if (result != kArcOk || file.GetSize() > kScriptMaxSize)
        return RecordScript::kMissing;
    if (d.scriptOffset >= file.GetSize())
        return RecordScript::kOutside;
    bytes->assign(file.GetData(), file.GetData() + file.GetSize());
    return RecordScript::kOk;
}

} // namespace

std::string SaveSlotPath(int slot) {
    if (slot < 0 || slot >= kSaveSlotCount)
        return {};
    char path[32];
    std::snprintf(path, sizeof path, "save\\savefile%02d.sav", slot);
    return path;
}

bool ReadSaveRecord(const uint8_t* bytes, size_t size, SaveData* out) {
    std::memset(out, 0, sizeof *out);
    if (size != kSaveDataSize)
        return false;
    std::memcpy(out, bytes, kSaveDataSize);
    SanitizeSaveData(out);
    return true;
}

bool ReadSaveSlot(int slot, SaveData* out) {
    const std::string path = SaveSlotPath(slot);
    std::vector<uint8_t> bytes;
    // One byte more than a record is enough to tell an oversized file; nothing beyond it is read.
    if (path.empty() || !kestrel::fs::ReadWholeFile(path, &bytes, kSaveDataSize + 1))
        bytes.clear();
    return ReadSaveRecord(bytes.data(), bytes.size(), out);
}

bool WriteSaveSlot(int slot, const SaveData& record) {
    const std::string path = SaveSlotPath(slot);
    if (!path.empty() && kestrel::fs::CreateFolders("save") &&
        kestrel::fs::WriteWholeFile(path, &record, sizeof record))
        return true;
    std::fprintf(stderr, "kestrel: could not write %s; the previous save is kept\n", path.c_str());
    return false;
}

void SanitizeSaveData(SaveData* record) {
    SaveData& d = *record;
    for (auto& name : d.layerNames)
        Terminate(name);
    for (auto& name : d.charNames)
        Terminate(name);
    for (auto& name : d.spriteNames)
        Terminate(name);
    Terminate(d.bgmName);
    Terminate(d.scriptName);
    Terminate(d.seName);
    Terminate(d.plainText);
    Terminate(d.rawText);
    Terminate(d.namePlate);
    Terminate(d.extraText);
    // Backlog rows are stored inverted: a terminated row ends in 0xFF.
    for (auto* table : {d.backlogText, d.backlogSpeaker, d.backlogVoice})
        for (int row = 0; row < kBacklogRows; ++row)
            table[row][kBacklogRowSize - 1] = 0xFF;
    d.backlogCount = std::min(d.backlogCount, kBacklogMax);
    if (d.windowStyle > 2)
        d.windowStyle = 0;
    if (d.clockHour > 23)
        d.clockHour = 23;
    if (d.clockMinute > 59)
        d.clockMinute = 59;
}

void MakeThumbnail(const uint32_t* pixels, int32_t pitch, uint8_t out[kThumbWidth * kThumbHeight * 4]) {
    // In units of 1 / (144 × 1024) of a row, thumbnail column o covers [o × 1024, (o + 1) × 1024) and
    // source column i covers [i × 144, (i + 1) × 144); rows likewise with 81 and 576.
    constexpr int kSrcW = kScreenWidth, kSrcH = kScreenHeight;
    for (int oy = 0; oy < kThumbHeight; ++oy) {
        const int y0 = oy * kSrcH, y1 = y0 + kSrcH;
        for (int ox = 0; ox < kThumbWidth; ++ox) {
            const int x0 = ox * kSrcW, x1 = x0 + kSrcW;
            uint64_t sum[3] = {};
            for (int sy = y0 / kThumbHeight; sy * kThumbHeight < y1; ++sy) {
                const uint64_t wy = std::min(y1, (sy + 1) * kThumbHeight) - std::max(y0, sy * kThumbHeight);
                const uint32_t* row = pixels + static_cast<ptrdiff_t>(sy) * pitch;
                for (int sx = x0 / kThumbWidth; sx * kThumbWidth < x1; ++sx) {
                    const uint64_t w = wy * static_cast<uint64_t>(std::min(x1, (sx + 1) * kThumbWidth) -
                                                                  std::max(x0, sx * kThumbWidth));
                    const uint32_t p = row[sx];
                    for (int c = 0; c < 3; ++c)
                        sum[c] += w * ((p >> (8 * c)) & 0xFF);
                }
            }
            // The weights of one thumbnail pixel add up to 1024 × 576; the mean is rounded.
            constexpr uint64_t kTotal = static_cast<uint64_t>(kSrcW) * kSrcH;
            uint8_t* px = out + (static_cast<size_t>(oy) * kThumbWidth + ox) * 4;
            for (int c = 0; c < 3; ++c)
                px[c] = static_cast<uint8_t>((sum[c] + kTotal / 2) / kTotal);
            px[3] = 0;
        }
    }
}

bool TakesSampledThumbnail(uint8_t windowStyle, uint8_t fromScene, bool characterMoving) {
    return windowStyle != 1 && (characterMoving || IsInvestigationScene(fromScene));
}

bool HoldsSampledThumbnail(const SaveData& record) {
    constexpr size_t kSampleBytes = static_cast<size_t>(kThumbSampleWidth) * kThumbSampleHeight * 4;
    const uint8_t* tail = record.thumbnail + kSampleBytes;
    const bool tailClear = std::all_of(tail, std::end(record.thumbnail), [](uint8_t b) { return b == 0; });
    return TakesSampledThumbnail(record.windowStyle, record.resumeScene, tailClear);
}

void BuildSaveRecord(HWND hwnd) {
    SaveData& d = g_SaveData;
    std::memset(&d, 0, sizeof d);
    if (g_pScriptMng)
        BuildThumbnail(hwnd, *g_pScriptMng, g_pGameMain ? g_pGameMain->returnScene : 0, d);
    if (g_pGameMain)
        CopyAppIntoRecord(*g_pGameMain, d);
    if (g_pScriptMng)
        CopyEngineIntoRecord(*g_pScriptMng, d);
}

bool RestoreSceneAfterLoad(HWND hwnd) {
    if (!g_pGameMain || !g_pScriptMng)
        return false;
    CGameMain& g = *g_pGameMain;
    CScriptMng& s = *g_pScriptMng;
    SaveData& d = g_SaveData;
    SanitizeSaveData(&d);
    std::vector<uint8_t> script;
    const std::string name(d.scriptName, strnlen(d.scriptName, sizeof d.scriptName - 1));
    switch (ReadRecordScript(d, &script)) {
        case RecordScript::kOk:
            break;
        case RecordScript::kMissing:
            s.ShowMessage(("Not Found Script\n[" + text_codec::GameTextToUtf8Lossy(name) + "]").c_str(),
                          "Error:LoadScript");
            return false;
        case RecordScript::kOutside:
            std::fprintf(stderr, "kestrel: the save's resume point %u lies outside %s; not loaded\n",
                         d.scriptOffset, text_codec::GameTextToUtf8Lossy(name).c_str());
            return false;
    }
    // What the load screen drops of the running game before the record takes its place: the name
    // plate (a message of the record makes it again) and the looping sound effect.
    delete[] s.m_pNamePlate;
    s.m_pNamePlate = nullptr;
    std::memset(g.seName, 0, sizeof g.seName);

    // 1-2. The application object's tables and the engine's fields.
    CopyRecordIntoApp(d, g);
    CopyRecordIntoEngine(d, s);
    // 3. The script and its resume point.
    s.LoadScriptData(script.data(), static_cast<uint32_t>(script.size()));
    CopyField(g.scriptName, d.scriptName);
    s.SetScriptOffset(d.scriptOffset);
    // 4. Message texts and tables.
    CopyRecordTablesIntoEngine(d, s);
    // 5-7. Layers, standing characters, sprites.
    for (int layer = 1; layer < kLayerNameCount; ++layer)
        RestoreLayer(hwnd, d, g, layer);
    s.RestoreScrCharSet(g_Layers[1]);
    if (s.m_windowStyle == 1)
        s.RestoreScrCharSet(g_Layer1Backup[1]);
    for (int slot = 0; slot < kSpriteSlotCount; ++slot)
        RestoreSprite(hwnd, g, slot);
    // 8-9. Music and the looping sound effect.
    RestoreMusic(d, g, s);
    RestoreLoopingSe(d, g);
    // 10-11. Layer 1's finishing, and layer 0 as its copy.
    FinishLayer1(hwnd, d);
    ReplaceSurface(g_Layers[0], ScreenCopy(hwnd, g_Layers[1]));
    // 12. The backlog.
    g.backlogCount = d.backlogCount;
    CopyInverted(reinterpret_cast<uint8_t*>(g.backlogText), &d.backlogText[0][0], sizeof d.backlogText);
    CopyInverted(reinterpret_cast<uint8_t*>(g.backlogSpeaker), &d.backlogSpeaker[0][0],
                 sizeof d.backlogSpeaker);
    CopyInverted(reinterpret_cast<uint8_t*>(g.backlogVoice), &d.backlogVoice[0][0], sizeof d.backlogVoice);
    // 13. The message window's pictures; the vertical style holds its window baked into layer 0, as
    // the change into that style leaves it.
    RestoreWindowPictures(hwnd, s);
    if (s.m_windowStyle == 1)
        kestrel::transition::DrawVerticalWindow(g_Layers[0]);
    // 14-15. The message page.
    RestoreMessagePage(d, g, s);
    // 16. Sub-states and the screen rectangle.
    s.m_investStep = 0;
    s.m_msgStep = 0;
    g.fullRect = RECT{0, 0, kScreenWidth, kScreenHeight};
    return true;
}

uint8_t ResumeSceneFor(uint8_t storedScene) {
    if (storedScene == kSceneClickWait)
        return kSceneMessage;
    for (uint8_t scene : kResumableScenes)
        if (scene == storedScene)
            return scene;
    return kSceneScript;
}
