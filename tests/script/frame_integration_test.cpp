// The interpreter as the application object's frame runs it: scene 2 steps one command, the
// waiting scenes (interim steps) hand back, and the script runs to its end.
#include <gtest/gtest.h>

#include "script_fixture.h"

using kestrel::test::ScriptTest;
using ScriptThroughFrames = ScriptTest;

TEST_F(ScriptThroughFrames, RunsCommandsAndWaitingScenesFrameByFrame) {
    // The choice scene waits for its own input now; its frames are tested with the choices.
    Start("SetVar 1, 5\n"
          "Message \"abc\"\n"
          "Transition 2, 0\n"
          "AddVar 1, 1\n"
          "ExitToMenu\n");
    // Skipping everything: the message runs its set-up, reveal and advance in one frame each; the
    // transition of no duration draws its last frame, lands its picture and hands back.
    engine().m_skipAll = 1;
    std::vector<SceneId> scenes;
    for (int i = 0; i < 16 && game().scene != kSceneTitleMenu; ++i) {
        game().Frame();
        scenes.push_back(game().scene);
    }
    EXPECT_EQ(game().scene, kSceneTitleMenu);
    EXPECT_EQ(engine().m_vars[1], 6);
    const std::vector<SceneId> expected = {
        kSceneScript,     kSceneMessage,    kSceneMessage,    kSceneMessage, kSceneMessage, kSceneScript,
        kSceneTransition, kSceneTransition, kSceneTransition, kSceneScript,  kSceneScript,  kSceneTitleMenu};
    EXPECT_EQ(scenes, expected);
}
