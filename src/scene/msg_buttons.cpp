// The button bar of the message window and of the interactive screens: the press of a button with
// its click sound, the button's action (SKIP, AUTO, the overlay screens, voice replay, hiding the
// window) and the right click that opens the notebook.
#include <cstring>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "scene/choice_window.h"
#include "screens/screen_object.h"
#include "screens/system_data.h"
#include "script/ops_sound.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

namespace {

enum Button : uint8_t {
    kSkip = 1,
    kAuto = 2,
    kSave = 3,
    kLoad = 4,
    kConfig = 5,
    kQuit = 6,
    kNote = 7,
    kButton8 = 8,
    kButton9 = 9,
    kBacklogButton = 10,
};

// Rows from this y down of layer 0 hold the picture without the message window.
constexpr int kWindowTop = 448;

MouseState* Mouse() {
    return g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;
}

void ClearClicks() {
    if (MouseState* m = Mouse()) {
        m->left = 0;
        m->right = 0;
    }
}

bool CtrlHeld() {
    return g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
}

void FreeVoiceAndEffect() {
    if (g_VoicePlayers[0] != nullptr) {
        g_VoicePlayers[0]->Stop();
        delete g_VoicePlayers[0];
        g_VoicePlayers[0] = nullptr;
    }
    delete g_pSeChannels[0];
    g_pSeChannels[0] = nullptr;
}

// A new 1024 x 576 copy of `from` in the surface slot.
void CopyInto(CDIB32*& slot, HWND hwnd, CDIB32* from) {
    delete slot;
    slot = new CDIB32();
    if (!slot->Create(hwnd, kScreenWidth, kScreenHeight, 24)) {
        delete slot;
        slot = nullptr;
        return;
    }
    CDIB32::Blt(slot, 0, 0, from, 0, 0, kScreenWidth, kScreenHeight);
}

enum class Snapshot { kNone, kPlain, kWithoutWindow };

void TakeSnapshot(HWND hwnd, Snapshot kind) {
    if (kind == Snapshot::kNone)
        return;
    CopyInto(g_pScriptUiSurfaces[kUiSnapshot], hwnd, g_ScreenSurface);
    CDIB32* window = g_pScriptUiSurfaces[kUiWindow];
    if (kind == Snapshot::kWithoutWindow && window != nullptr && g_pScriptUiSurfaces[kUiSnapshot] != nullptr)
        CDIB32::Blt(g_pScriptUiSurfaces[kUiSnapshot], 0, kWindowTop, g_Layers[0], 0, kWindowTop,
                    window->GetWidth(), window->GetHeight());
}

} // namespace

void PlayWindowClick() {
    screens::PlayClickSound("sys_a002.ogg");
}

// Leaves for an overlay screen; it returns to the current scene.
static void LeaveFor(CScriptMng& s, SceneId scene, Snapshot snapshot, bool fromGame) {
    s.m_btnHeld = 0;
    s.m_btnHeldNo = 0;
    ClearClicks();
    FreeVoiceAndEffect();
    TakeSnapshot(s.m_hWnd, snapshot);
    if (g_pGameMain != nullptr) {
        g_pGameMain->returnScene = g_pGameMain->scene;
        g_pGameMain->scene = scene;
    }
    if (fromGame)
        s.m_fromGame = 1;
    if (MouseState* m = Mouse())
        m->right = 0;
    s.m_hoverButton = 0;
}

static void ReplayVoice(CScriptMng& s) {
    s.m_btnHeld = 0;
    s.m_btnHeldNo = 0;
    ClearClicks();
    if (g_pGameMain == nullptr || g_pGameMain->backlogCount == 0)
        return;
    const uint32_t row = (g_pGameMain->backlogCount - 1) % kBacklogRows;
    const char* voice = g_pGameMain->backlogVoice[row];
    if (voice[0] == '\0')
        return;
    const int index = kestrel::sound_cmd::VoiceVolumeIndex(voice);
    if (g_VoicePlayers[0] != nullptr) {
        g_VoicePlayers[0]->Stop();
        delete g_VoicePlayers[0];
    }
    g_VoicePlayers[0] = new CVoiceplay();
    g_VoicePlayers[0]->OpenVoice(voice);
    g_VoicePlayers[0]->SetVolume(g_SystemData.voiceVolumes[index]);
    g_VoicePlayers[0]->Play(0);
}

// Hides the message window; `verticalForm` for the vertical window style.
static void HideWindow(CScriptMng& s, bool verticalForm) {
    if (verticalForm) {
        s.m_screenRect = RECT{0, 0, kScreenWidth, kScreenHeight};
        CopyInto(g_pScriptUiSurfaces[kUiSnapshot], s.m_hWnd, g_Layers[0]);
        CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[66], 0, 0, kScreenWidth, kScreenHeight);
    } else {
        TakeSnapshot(s.m_hWnd, Snapshot::kPlain);
        CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[0], 0, 0, kScreenWidth, kScreenHeight);
    }
    s.m_windowHidden = 1;
    s.m_clickWaitShown = 0;
    if (g_pKeyboard != nullptr)
        g_pKeyboard->space = 0;
}

// Registers a press: the held button and its click sound. A scene replay keeps the save and load
// buttons (and the notebook outside the vertical style) silent.
static void Press(CScriptMng& s, uint8_t hover) {
    s.m_btnHeldNo = hover;
    s.m_btnHeld = 1;
    if (MouseState* m = Mouse())
        m->left = 0;
    const bool silent =
        s.m_inReplay != 0 && (hover == kSave || hover == kLoad || (hover == kNote && s.m_windowStyle != 1));
    if (!silent)
        PlayWindowClick();
}

bool CScriptMng::MsgWndButtonInput(uint8_t hover, int /*arg*/) {
    MouseState* m = Mouse();
    if (m == nullptr)
        return true;
    if (m_btnHeld != 0 && m->right != 0) {
        if (m_btnHeldNo == kSkip)
            m_skipRead = 0;
        if (m_btnHeldNo == kAuto)
            m_autoMode = 0;
        m_btnHeld = 0;
        m_btnHeldNo = 0;
        ClearClicks();
        m_hoverButton = 0;
    }
    if (hover != 0 && m->left != 0 && m_btnHeld == 0) {
        if (hover == kQuit && m_msgStep != 3) {
            m->left = 0; // not while the message is still being typed out
            return true;
        }
        Press(*this, hover);
    }
    return true;
}

// The actions both bars share; buttons 7..9 are given already mapped to their meaning.
static void Act(CScriptMng& s, uint8_t button, bool verticalHide) {
    switch (button) {
        case kSave:
            CopyInto(g_pScriptUiSurfaces[kUiSnapshot2], s.m_hWnd, g_ScreenSurface);
            LeaveFor(s, kSceneSave, Snapshot::kWithoutWindow, true);
            break;
        case kLoad:
            LeaveFor(s, kSceneLoad, Snapshot::kWithoutWindow, true);
            break;
        case kConfig:
            LeaveFor(s, kSceneConfig, Snapshot::kWithoutWindow, true);
            break;
        case kQuit:
            LeaveFor(s, kSceneExit, Snapshot::kNone, false);
            break;
        case kNote:
            LeaveFor(s, kSceneNote, Snapshot::kPlain, false);
            if (g_pKeyboard != nullptr)
                g_pKeyboard->ctrl = 0;
            break;
        case kButton8: // voice replay
            ReplayVoice(s);
            break;
        case kButton9: // hide the window
            s.m_btnHeld = 0;
            s.m_btnHeldNo = 0;
            ClearClicks();
            HideWindow(s, verticalHide);
            break;
        case kBacklogButton:
            LeaveFor(s, kSceneBacklog, Snapshot::kWithoutWindow, true);
            break;
        default:
            s.m_btnHeld = 0;
            s.m_btnHeldNo = 0;
            break;
    }
}

bool CScriptMng::MsgWndButtonAction(uint8_t /*hover*/) {
    if (m_btnHeld == 0)
        return true;
    const uint8_t b = m_btnHeldNo;
    if (b == kSkip) {
        m_skipRead = 1;
        return true;
    }
    if (b == kAuto) {
        m_autoMode = 1;
        return true;
    }
    if (m_windowStyle == 1) {
        // The vertical style: 7 replays the voice, 8 hides the window, 9 opens the backlog.
        if (b == kNote)
            Act(*this, kButton8, true);
        else if (b == kButton8)
            Act(*this, kButton9, true);
        else if (b == kButton9)
            Act(*this, kBacklogButton, true);
        else
            Act(*this, b, true);
        return true;
    }
    Act(*this, b, false);
    return true;
}

bool CScriptMng::ScreenButtonInput(uint8_t hover) {
    MouseState* m = Mouse();
    if (m == nullptr || hover == 0 || m->left == 0)
        return true;
    m_btnHeldNo = hover;
    m_btnHeld = 1;
    m->left = 0;
    if (m_inReplay == 0)
        PlayWindowClick();
    uint8_t* mode = hover == kSkip ? &m_skipRead : hover == kAuto ? &m_autoMode : nullptr;
    if (mode != nullptr) {
        if (*mode == 0) {
            *mode = 1;
        } else {
            *mode = 0;
            m_btnHeld = 0;
            m_btnHeldNo = 0;
            ClearClicks();
        }
    }
    return true;
}

bool CScriptMng::ScreenButtonAction(uint8_t /*hover*/) {
    if (m_btnHeld == 0 || m_btnHeldNo == kSkip || m_btnHeldNo == kAuto)
        return true;
    const bool vertical = m_windowStyle == 1;
    const uint8_t button = m_btnHeldNo;
    Act(*this, button, vertical);
    if (button == kButton9 && !vertical)
        m_screenRect = RECT{0, 0, kScreenWidth, kScreenHeight};
    return true;
}

// The notebook on a right click, when the options allow it; the click is consumed in every case
// that passes the common tests.
static void RightClickToNotebook(CScriptMng& s) {
    MouseState* m = Mouse();
    if (m == nullptr || s.m_windowHidden != 0 || m->right == 0 || s.m_inReplay != 0 || CtrlHeld() ||
        g_SystemData.rightClickMode != 0 || s.m_windowFrame != 1)
        return;
    if (s.m_windowStyle == 0) {
        PlayWindowClick();
        FreeVoiceAndEffect();
        TakeSnapshot(s.m_hWnd, Snapshot::kPlain);
        if (g_pGameMain != nullptr) {
            g_pGameMain->returnScene = g_pGameMain->scene;
            g_pGameMain->scene = kSceneNote;
        }
    }
    m->right = 0;
}

bool CScriptMng::MsgWndRightClick() {
    CancelAutoSkipOnClick();
    if (m_btnHeld == 0 && m_msgStep > 1)
        RightClickToNotebook(*this);
    return true;
}

bool CScriptMng::ScreenRightClick() {
    CancelAutoSkipOnClick();
    RightClickToNotebook(*this);
    return true;
}
