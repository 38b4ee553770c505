#include "app/game_main.h"

#include <cstring>
#include <new>
#include <type_traits>

#include "app/display.h"
#include "app/input.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "screens/scene_objects.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

CGameMain* g_pGameMain = nullptr;

namespace {

// The scene objects in the order in which they are created and deleted.
template <typename Fn>
void ForEachSceneObject(Fn&& fn) {
    fn(kSceneLogo, g_pTitleScene);
    fn(kSceneTitleMenu, g_pTitleMenuScene);
    fn(kSceneConfig, g_pConfigScene);
    fn(kSceneExit, g_pExitScene);
    fn(kSceneSystemMenu, g_pSystemMenuScene);
    fn(kSceneSave, g_pSaveLoadScene);
    fn(kSceneLoad, g_pLoadScene);
    fn(kSceneBacklog, g_pBacklogScene);
    fn(kSceneReplay, g_pReplayScene);
    fn(kSceneGallery, g_pGalleryScene);
    fn(kSceneMusic, g_pMusicScene);
    fn(kSceneCreditT, g_pCreditTScene);
    fn(kSceneCreditN, g_pCreditNScene);
    fn(kSceneCreditB, g_pCreditBScene);
    fn(kSceneOpeningMovie, g_pOpeningMovieScene);
    fn(kSceneStaffRollMovie, g_pStaffRollMovieScene);
    fn(kSceneNote, g_pNoteScene);
}

template <typename T>
T* MakeSceneObject(CGameMain&) {
    return new (std::nothrow) T();
}

template <>
CMovieScene* MakeSceneObject<CMovieScene>(CGameMain& game) {
    const char* name = game.scene == kSceneOpeningMovie ? "op.mpg" : "staffroll.mpg";
    return new (std::nothrow) CMovieScene(game.hWnd, game.hInstance, name, 0);
}

template <typename T>
void DeleteSceneObject(T*& object) {
    T* doomed = object;
    object = nullptr;
    delete doomed;
}

template <typename T>
void Step(T* object, HWND hwnd) {
    if (object)
        object->Dispatch(hwnd);
}

const char* CurrentMessageText() {
    return (g_pScriptMng && g_pScriptMng->m_pMsgText) ? g_pScriptMng->m_pMsgText : "";
}

// The message-window button under the pointer, as the message scene's hit test left it.
uint8_t HoveredWindowButton() {
    return g_pScriptMng ? g_pScriptMng->m_hoverButton : 0;
}

// True while messages are being skipped: Ctrl held, skip-all, or SKIP over a message already read.
bool SkippingMessages() {
    if (g_pMouse && g_pKeyboard && g_pKeyboard->ctrl)
        return true;
    if (g_pScriptMng->m_skipAll)
        return true;
    return g_pScriptMng->m_skipRead && IsMessageRead(g_pScriptMng->m_msgId);
}

} // namespace

void CopyGameText(char* dst, size_t size, const char* src) {
    if (!dst || size == 0)
        return;
    size_t n = 0;
    if (src) {
        while (src[n] != '\0' && n + 1 < size) {
            auto b = static_cast<uint8_t>(src[n]);
            if (b >= 0x81 && b <= 0xFE) {
                // A double-byte character goes whole or not at all.
                if (src[n + 1] == '\0' || n + 2 >= size)
                    break;
                dst[n] = src[n];
                dst[n + 1] = src[n + 1];
                n += 2;
            } else {
                dst[n] = src[n];
                ++n;
            }
        }
    }
    std::memset(dst + n, 0, size - n);
}

void CopyMessageText(char* dst, size_t size, const char* src) {
    CopyGameText(dst, size, src);
    if (!dst || !src || size == 0)
        return;
    const size_t n = std::strlen(dst);
    if (src[n] != '\0' && src[n + 1] == '\0' && n + 1 < size)
        dst[n] = src[n];
}

CGameMain::CGameMain(HWND hwnd, HINSTANCE hinstance) : hWnd(hwnd), hInstance(hinstance) {
    // Timer resolution is already 1 ms here; nothing to ask of the system.
}

CGameMain::~CGameMain() {
    CScriptMng* engine = g_pScriptMng;
    g_pScriptMng = nullptr;
    delete engine;
    DeleteScenes();
}

bool CGameMain::Frame() {
    CreateScene();
    const SceneId stepped = scene;
    HWND hwnd = hWnd;
    CScriptMng* s = g_pScriptMng;
    switch (scene) {
        case kSceneLogo:
            Step(g_pTitleScene, hwnd);
            break;
        case kSceneTitleMenu:
            Step(g_pTitleMenuScene, hwnd);
            break;
        case kSceneBacklog:
            Step(g_pBacklogScene, hwnd);
            break;
        case kSceneExit:
            Step(g_pExitScene, hwnd);
            break;
        case kSceneConfig:
            Step(g_pConfigScene, hwnd);
            break;
        case kSceneSave:
            Step(g_pSaveLoadScene, hwnd);
            break;
        case kSceneLoad:
            Step(g_pLoadScene, hwnd);
            break;
        case kSceneReplay:
            Step(g_pReplayScene, hwnd);
            break;
        case kSceneGallery:
            Step(g_pGalleryScene, hwnd);
            break;
        case kSceneMusic:
            Step(g_pMusicScene, hwnd);
            break;
        case kSceneOpeningMovie:
            Step(g_pOpeningMovieScene, hwnd);
            break;
        case kSceneCreditT:
            Step(g_pCreditTScene, hwnd);
            break;
        case kSceneCreditN:
            Step(g_pCreditNScene, hwnd);
            break;
        case kSceneCreditB:
            Step(g_pCreditBScene, hwnd);
            break;
        case kSceneStaffRollMovie:
            Step(g_pStaffRollMovieScene, hwnd);
            break;
        case kSceneSystemMenu:
            Step(g_pSystemMenuScene, hwnd);
            break;
        case kSceneNote:
            Step(g_pNoteScene, hwnd);
            break;
        default:
            if (s) {
                switch (scene) {
                    case kSceneScript:
                        s->RunScript();
                        break;
                    case kSceneMessage:
                        if (s->m_windowStyle == 2)
                            s->ModeMessageStyle2(CurrentMessageText());
                        else if (s->m_windowStyle == 1)
                            s->ModeMessageStyle1(CurrentMessageText());
                        else
                            s->ModeMessageStyle0(CurrentMessageText());
                        break;
                    case kSceneTransition:
                        s->ModeTransition(s->m_modeKind, s->m_modeTime);
                        break;
                    case kSceneQuake:
                        s->ModeQuake(s->m_modeKind, s->m_modeTime);
                        break;
                    case kSceneChoice:
                        s->ModeChoice();
                        break;
                    case kSceneWindowFade:
                        s->ModeWindowFade();
                        break;
                    case kSceneEyeScreen:
                        s->ModeEyeScreen();
                        break;
                    case kSceneVoiceWait:
                        s->ModeVoiceWait();
                        break;
                    case kSceneScreenEffect:
                        s->ModeScreenEffect();
                        break;
                    case kScenePictureSequence:
                        s->ModePictureSequence();
                        break;
                    case kSceneColorTransition:
                        s->ModeColorTransition();
                        break;
                    case kSceneSpeakerLine:
                        s->ModeSpeakerLine(CurrentMessageText());
                        break;
                    case kSceneTransition37:
                        s->ModeTransition37();
                        break;
                    case kSceneSpriteAnim:
                        s->ModeSpriteAnim();
                        break;
                    case kSceneTransition39:
                        s->ModeTransition39();
                        break;
                    case kSceneNop40:
                        s->ModeNop40();
                        break;
                    case kSceneTransition41:
                        s->ModeTransition41();
                        break;
                    case kSceneNop42:
                        s->ModeNop42();
                        break;
                    case kSceneEyeSequence:
                        s->ModeEyeSequence();
                        break;
                    case kSceneAnnScreen:
                        s->ModeAnnScreen();
                        break;
                    case kSceneWaitClick:
                        s->ModeWaitClick();
                        break;
                    case kSceneWaitVoice:
                        s->ModeWaitVoice();
                        break;
                    case kSceneStopVoice:
                        s->ModeStopVoice();
                        break;
                    case kSceneClickWait:
                        s->ModeClickWait();
                        break;
                    case kSceneFrameZoom:
                        s->ModeFrameZoom();
                        break;
                    case kSceneFlash:
                        s->ModeFlash();
                        break;
                    case kSceneWaitSe:
                        s->ModeWaitSe();
                        break;
                    case kSceneMap:
                        s->ModeMap();
                        break;
                    case kSceneCommand:
                        s->ModeCommand();
                        break;
                    case kSceneLegwork:
                        s->ModeLegwork();
                        break;
                    case kSceneTalkStart:
                        s->ModeTalkStart();
                        break;
                    case kSceneLegworkEnd:
                        s->ModeLegworkEnd();
                        break;
                    case kSceneCharSelect:
                        s->ModeCharSelect();
                        break;
                    case kSceneKeywordList:
                        s->ModeKeywordList();
                        break;
                    case kSceneSearch:
                        s->ModeSearch();
                        break;
                    case kSceneItemSelect:
                        s->ModeItemSelect();
                        break;
                    case kSceneSearchInventory:
                        s->ModeSearchInventory();
                        break;
                    default:
                        break; // no step
                }
            }
            break;
    }
    if (!g_pGameMain)
        return true;
    // A wheel turn belongs to the scene it was made in: one that this scene did not take ends with it,
    // so that it cannot move the selection of the screen that comes next.
    auto dropWheelOfAnotherScene = [&] {
        if (scene != stepped && g_pMouse)
            g_pMouse->wheel = 0;
    };
    dropWheelOfAnotherScene();
    // The search screens' cursor picture never outlives them, whichever way they were left.
    if (scene != kSceneSearch && scene != kSceneSearchInventory && FileCursorShown())
        SetArrowCursor(hwnd);
    DeleteInactiveScenes();
    if (!g_pGameMain)
        return true;
    PostFrame();
    // The post-frame pass's button bar can leave the scene too (a button pressed during a window fade).
    if (g_pGameMain)
        dropWheelOfAnotherScene();
    return true;
}

bool CGameMain::CreateScene() {
    ForEachSceneObject([this](SceneId id, auto*& object) {
        using T = std::remove_reference_t<decltype(*object)>;
        if (scene == id && !object)
            object = MakeSceneObject<T>(*this);
    });
    return true;
}

bool CGameMain::DeleteInactiveScenes() {
    ForEachSceneObject([this](SceneId id, auto*& object) {
        if (scene != id && object)
            DeleteSceneObject(object);
    });
    return true;
}

void CGameMain::DeleteScenes() {
    ForEachSceneObject([](SceneId, auto*& object) {
        if (object)
            DeleteSceneObject(object);
    });
}

void CGameMain::PostFrame() {
    CScriptMng* s = g_pScriptMng;
    if (!g_pGameMain || !s)
        return;
    switch (scene) {
        case kSceneTransition:
        case kSceneScreenEffect:
        case kSceneTransition39:
        case kSceneNop40:
            s->ComposeMsgScene();
            break;
        case kSceneSpriteAnim:
            s->MsgWndButtonInput(HoveredWindowButton(), 0);
            s->DrawSpriteAnimFrame();
            break;
        case kSceneWindowFade:
        case kSceneWaitSe:
            s->MsgWndButtonInput(HoveredWindowButton(), 0);
            s->ComposeMsgScene();
            break;
        case kSceneMessage:
        case kSceneClickWait:
            s->MsgWndButtonInput(HoveredWindowButton(), 0);
            s->ComposeMsgScene();
            if (!SkippingMessages())
                Sleep(8);
            break;
        case kSceneOpeningMovie:
        case kSceneStaffRollMovie:
            Sleep(1);
            break;
        case kSceneScript:
            s->MsgWndButtonInput(HoveredWindowButton(), 0);
            break;
        case kSceneFrameZoom:
            break;
        default:
            Sleep(8);
            break;
    }
    // The repaint covers the screen rectangle; an empty one (a movie holds the picture) repaints nothing.
    const bool emptyRect = fullRect.right <= fullRect.left || fullRect.bottom <= fullRect.top;
    if (scene != kSceneOpeningMovie && !emptyRect)
        plat::InvalidateWindow(hWnd);
}

void CGameMain::ClearSpriteRecords() {
    for (int slot = 0; slot < kSpriteSlotCount; ++slot) {
        std::memset(spritePictureNames[slot], 0, sizeof spritePictureNames[slot]);
        for (auto& table : spriteMotion)
            table[slot] = 0;
        spriteValueA[slot] = 0;
        spriteValueB[slot] = 0;
        spriteStartTime[slot] = 0;
    }
}

uint32_t CGameMain::PrepareBacklogRow() {
    if (backlogCount > kBacklogMax) // a count restored from a damaged record
        backlogCount = kBacklogMax;
    if (backlogCount == kBacklogMax) {
        std::memmove(backlogText[0], backlogText[1], sizeof backlogText[0] * (kBacklogMax - 1));
        std::memmove(backlogSpeaker[0], backlogSpeaker[1], sizeof backlogSpeaker[0] * (kBacklogMax - 1));
        std::memmove(backlogVoice[0], backlogVoice[1], sizeof backlogVoice[0] * (kBacklogMax - 1));
        --backlogCount;
    }
    uint32_t row = backlogCount;
    std::memset(backlogText[row], 0, sizeof backlogText[row]);
    std::memset(backlogSpeaker[row], 0, sizeof backlogSpeaker[row]);
    std::memset(backlogVoice[row], 0, sizeof backlogVoice[row]);
    return row;
}

void CGameMain::PushBacklog(const char* text, const char* speaker, const char* voice) {
    uint32_t row = PrepareBacklogRow();
    CopyMessageText(backlogText[row], sizeof backlogText[row], text);
    CopyGameText(backlogSpeaker[row], sizeof backlogSpeaker[row], speaker);
    CopyGameText(backlogVoice[row], sizeof backlogVoice[row], voice);
    backlogCount = row + 1;
}
