// The message scene stepped frame by frame on the fake clock: a game folder and script engine with
// the mouse, the keyboard and the surfaces the message window draws on, and the scene switch of the
// message scenes in reach of a test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "script/script_fixture.h"

namespace kestrel::test {

class MessageSceneTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        g_pMouse = new CMouse();
        g_pKeyboard = new CKeyboard();
        auto* window = new CDIB32();
        window->Create(nullptr, 1024, 128, 32);
        ReplaceSurface(g_MsgWindowSurface, window);
        for (CDIB32** s : {&g_Layers[0], &g_ScreenSurface}) {
            auto* surface = new CDIB32();
            surface->Create(nullptr, 1024, 576, 24);
            ReplaceSurface(*s, surface);
        }
        g_SystemData.messageSpeed = 50;
        g_SystemData.autoSpeed = 50;
        g_SystemData.skipUnread = 0;
    }
    void TearDown() override {
        for (CDIB32** s : {&g_MsgWindowSurface, &g_TextSurface, &g_Layers[0], &g_ScreenSurface})
            ReplaceSurface(*s, nullptr);
        delete g_pMouse;
        g_pMouse = nullptr;
        delete g_pKeyboard;
        g_pKeyboard = nullptr;
        ScriptTest::TearDown();
    }
    // One frame of the scene the game is in, then `ms` of time.
    void Step(uint32_t ms = 0) {
        CScriptMng& e = engine();
        switch (game().scene) {
            case kSceneScript:
                e.RunScript();
                break;
            case kSceneMessage:
                if (e.m_windowStyle == 1)
                    e.ModeMessageStyle1(e.m_pMsgText);
                else if (e.m_windowStyle == 2)
                    e.ModeMessageStyle2(e.m_pMsgText);
                else
                    e.ModeMessageStyle0(e.m_pMsgText);
                break;
            case kSceneVoiceWait:
                e.ModeVoiceWait();
                break;
            case kSceneSpeakerLine:
                e.ModeSpeakerLine(e.m_pMsgText);
                break;
            default:
                game().scene = kSceneScript;
        }
        clock_.clock().Advance(ms);
    }
    // Runs until the message has reached its click wait (at most `frames`).
    int StepUntilClickWait(int frames, uint32_t ms) {
        int n = 0;
        while (n < frames && !(game().scene == kSceneMessage && engine().m_msgStep == 3)) {
            Step(ms);
            ++n;
        }
        return n;
    }
    void Click() { g_pMouse->state.left = 1; }
};

} // namespace kestrel::test
