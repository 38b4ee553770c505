// Start-up, the start-up settings, the quit question and the teardown, run headless.
#include "app/win_main.h"

#include <gtest/gtest.h>

#include <utility>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "app/display.h"
#include "app/game_main.h"
#include "app/input.h"
#include "app/startup_dialog.h"
#include "app/user_sys_data.h"
#include "app/wnd_proc.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/file_system.h"
#include "platform/single_instance.h"
#include "platform/termination.h"
#include "screens/scene_objects.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "support/headless_game.h"

namespace {

using testing_support::HeadlessGame;
using Bytes = std::vector<uint8_t>;

std::vector<std::string> g_trace;
void Record(const char* step) {
    g_trace.emplace_back(step);
}

TEST(StartupDialog, CancelEndsWithMinusOneAndWritesNothing) {
    HeadlessGame game;
    game.backend().dialogAnswers.push_back({{kIdStartupStretch, kIdStartupSkipMovie, plat::kIdCancel}});
    EXPECT_EQ(game.Start(), StartupResult::Cancelled);
    EXPECT_EQ(game.ExitCode(), -1);
    EXPECT_TRUE(game.Exists("save")); // made before the dialog opened
    EXPECT_FALSE(game.Exists("save/User_Sys.dat"));
    EXPECT_EQ(game.backend().windowsOpened, 0);
}

TEST(StartupDialog, UnshowableDialogEndsLikeCancel) {
    HeadlessGame game;
    game.WriteFile("save/User_Sys.dat", {1, 1});
    game.backend().dialogAnswers.push_back({{}, true});
    EXPECT_EQ(game.Start(), StartupResult::Cancelled);
    EXPECT_EQ(game.ReadFile("save/User_Sys.dat"), (Bytes{1, 1}));
}

TEST(StartupDialog, ChoicesAreWrittenBeforeTheWindowOpens) {
    HeadlessGame game;
    game.backend().dialogAnswers.push_back({{kIdStartupStretch, kIdStartupSkipMovie, plat::kIdOk}});
    ASSERT_EQ(game.Start(), StartupResult::Running);
    EXPECT_EQ(game.ReadFile("save/User_Sys.dat"), (Bytes{1, 1}));
    EXPECT_EQ(g_StartupDlgResult, 1);
    EXPECT_EQ(game.backend().title, kGameTitle);
    ASSERT_NE(g_pGameMain, nullptr);
    EXPECT_EQ(g_pGameMain->scene, kSceneLogo);
}

TEST(StartupDialog, OneByteSettingsFileSetsOnlyTheFirstChoice) {
    HeadlessGame game;
    game.WriteFile("save/User_Sys.dat", {1});
    ASSERT_EQ(game.Start(), StartupResult::Running); // OK as it stands
    EXPECT_EQ(game.backend().lastDialogChecked, (std::vector<int>{kIdStartupStretch, kIdStartupPlayMovie}));
    EXPECT_EQ(game.ReadFile("save/User_Sys.dat"), (Bytes{1, 0}));
}

TEST(StartupDialog, OversizedSettingsFileGivesItsFirstTwoBytes) {
    HeadlessGame game;
    game.WriteFile("save/User_Sys.dat", {0, 1, 9, 9, 9});
    ASSERT_EQ(game.Start(), StartupResult::Running);
    EXPECT_EQ(game.backend().lastDialogChecked, (std::vector<int>{kIdStartupLetterbox, kIdStartupSkipMovie}));
    EXPECT_EQ(game.ReadFile("save/User_Sys.dat"), (Bytes{0, 1}));
}

TEST(StartupFolder, FileNamedSaveLeavesSettingsUnwritableAndStartsAnyway) {
    HeadlessGame game;
    game.WriteFile("save", {'x'});
    ASSERT_EQ(game.Start(), StartupResult::Running);
    game.StepFrames(3);
    game.backend().boxAnswers.push_back(plat::kIdOk);
    game.Close();
    game.StepFrames(5);
    EXPECT_FALSE(game.Running());
    EXPECT_EQ(game.ExitCode(), 0);
    EXPECT_EQ(game.ReadFile("save"), Bytes{'x'});
}

TEST(StartupGuard, SecondStartRaisesTheFirstSaysSoAndWritesNothing) {
    HeadlessGame game;
    plat::SingleInstance first(game.guardFolder());
    ASSERT_TRUE(first.Acquire(game.instanceName()));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(game.Start(), StartupResult::SecondInstance);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("already running"), std::string::npos) << said;
    EXPECT_EQ(game.ExitCode(), 0);
    EXPECT_TRUE(first.TakeRaiseRequest());
    EXPECT_FALSE(game.Exists("save"));
    EXPECT_EQ(game.backend().dialogsShown, 0);
}

TEST(StartupGuard, RunningGameRaisesItsWindowWhenAStartAsks) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    EXPECT_TRUE(plat::SingleInstance(game.guardFolder()).AskHolderToRaise(game.instanceName()));
    game.StepFrames(2);
    EXPECT_EQ(game.backend().raises, 1);
}

TEST(StartupWindow, WindowThatCannotBeMadeShowsTheErrorAndEndsWithZero) {
    HeadlessGame game;
    game.backend().failOpenWindow = true;
    EXPECT_EQ(game.Start(), StartupResult::NoWindow);
    EXPECT_EQ(game.ExitCode(), 0);
    ASSERT_EQ(game.backend().boxes.size(), 1u);
    EXPECT_EQ(game.backend().boxes[0].text, "Not InitInstance");
    EXPECT_EQ(game.backend().boxes[0].caption, "Error");
}

TEST(StartupWindow, FullScreenChosenInSystemDataIsOnBeforeTheFirstFrame) {
    HeadlessGame game;
    Bytes config(kSystemDataSize, 0);
    config[0] = 1;
    game.WriteFile("save/Config.dat", config);
    ASSERT_EQ(game.Start(), StartupResult::Running);
    EXPECT_TRUE(game.backend().fullScreen);
    ASSERT_NE(g_pDisplay, nullptr);
    EXPECT_EQ(g_pDisplay->destRect, (RECT{0, 96, 1024, 672}));
    EXPECT_EQ(g_pMouse->destRect, (RECT{0, 96, 1024, 672}));
}

TEST(StartupWindow, FailedFullScreenSwitchKeepsTheWindowAndClearsTheByte) {
    HeadlessGame game;
    Bytes config(kSystemDataSize, 0);
    config[0] = 1;
    game.WriteFile("save/Config.dat", config);
    game.backend().failFullScreen = true;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    EXPECT_EQ(g_pDisplay->fullScreen, 0);
    EXPECT_EQ(g_SystemData.fullScreen, 0);
    EXPECT_EQ(g_pDisplay->destRect, (RECT{0, 0, 1024, 576}));
}

TEST(QuitQuestion, CancelKeepsRunningAndOkEndsWritingTheSystemData) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    game.backend().boxAnswers = {plat::kIdCancel, plat::kIdOk};
    game.Close();
    game.StepFrames(3);
    ASSERT_TRUE(game.Running());
    ASSERT_EQ(game.backend().boxes.size(), 1u);
    EXPECT_EQ(game.backend().boxes[0].text, "确定要退出游戏吗？");
    EXPECT_EQ(game.backend().boxes[0].buttons, plat::BoxButtons::OkCancel);
    EXPECT_FALSE(game.Exists("save/Config.dat"));
    game.PostKey(plat::Key::F4, true, true); // Alt+F4 asks the same question
    game.StepFrames(3);
    EXPECT_EQ(game.backend().boxes.size(), 2u);
    EXPECT_FALSE(game.Running());
    EXPECT_EQ(game.ExitCode(), 0);
    EXPECT_EQ(game.ReadFile("save/Config.dat").size(), kSystemDataSize);
}

TEST(Teardown, RunsInItsFixedOrderAndLeavesNothingBehind) {
    HeadlessGame game;
    g_trace.clear();
    g_RuntimeTrace = Record;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    EXPECT_EQ(g_trace, (std::vector<std::string>{"display", "screen surface", "layer 0", "resource folders",
                                                 "input", "glyph font", "sound", "game main", "script engine",
                                                 "system data", "frame surface"}));
    game.StepFrames(2);
    g_trace.clear();
    g_SystemData.keyboardMode = 1; // changed while running: the save sees it
    plat::DestroyWindow(game.Window());
    game.DrainMessages();
    g_RuntimeTrace = nullptr;
    EXPECT_EQ(g_trace, (std::vector<std::string>{"save system data", "game main", "music player",
                                                 "voice players", "sound-effect players", "glyph font",
                                                 "input", "display", "surfaces", "guard"}));
    EXPECT_FALSE(game.Running());
    EXPECT_EQ(game.ReadFile("save/Config.dat").at(0x21), 1);
    EXPECT_EQ(g_pGameMain, nullptr);
    EXPECT_EQ(g_pScriptMng, nullptr);
    EXPECT_EQ(g_pDisplay, nullptr);
    EXPECT_EQ(g_pMouse, nullptr);
    EXPECT_EQ(g_pKeyboard, nullptr);
    EXPECT_EQ(g_ScreenSurface, nullptr);
    EXPECT_EQ(g_Layers[0], nullptr);
    EXPECT_EQ(g_FrameSurface, nullptr);
    // The guard is free again.
    plat::SingleInstance again(game.guardFolder());
    EXPECT_TRUE(again.Acquire(game.instanceName()));
    EXPECT_TRUE(again.Held());
}

// A signal or a lost display ends the game as an answered close does: the system data with this
// session's read flags is saved and the runtime torn down in its order, from any point of the run.
TEST(Termination, EndsWithTheSaveAndTheTeardownOfAClose) {
    struct Case {
        const char* what;
        plat::TerminationCause cause;
        bool questionPending; // a close is queued behind the request (its box answers Cancel)
    } cases[] = {
        {"signal", plat::TerminationCause::Signal, false},
        {"display lost", plat::TerminationCause::DisplayLost, false},
        {"signal with a close queued", plat::TerminationCause::Signal, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HeadlessGame game;
        ASSERT_EQ(game.Start(), StartupResult::Running);
        game.StepFrames(2);
        MarkMessageRead(1234);
        if (c.questionPending) {
            game.backend().boxAnswers.push_back(plat::kIdCancel);
            game.Close();
        }
        g_trace.clear();
        g_RuntimeTrace = Record;
        plat::RequestTermination(c.cause);
        game.StepFrames(3);
        g_RuntimeTrace = nullptr;
        plat::ClearTerminationRequest();
        EXPECT_FALSE(game.Running());
        EXPECT_EQ(game.ExitCode(), 0);
        EXPECT_EQ(g_trace, (std::vector<std::string>{"save system data", "game main", "music player",
                                                     "voice players", "sound-effect players", "glyph font",
                                                     "input", "display", "surfaces", "guard"}));
        Bytes config = game.ReadFile("save/Config.dat");
        ASSERT_EQ(config.size(), kSystemDataSize);
        EXPECT_EQ(config[0x07A4 + 1234], 1);
    }
}

TEST(Termination, SignalIsNotedAndASecondOneIsNotNeeded) {
    plat::InstallTerminationHandlers();
    plat::ClearTerminationRequest();
    EXPECT_EQ(plat::TerminationRequested(), plat::TerminationCause::None);
    ASSERT_EQ(raise(SIGHUP), 0); // the process goes on: the request is only noted
    EXPECT_EQ(plat::TerminationRequested(), plat::TerminationCause::Signal);
    EXPECT_EQ(plat::TerminationSignal(), SIGHUP);
    plat::RequestTermination(plat::TerminationCause::DisplayLost); // the first cause stays
    EXPECT_EQ(plat::TerminationRequested(), plat::TerminationCause::Signal);
    plat::ClearTerminationRequest();
    // The display lost first, then the logout's signal: still served with the save.
    plat::RequestTermination(plat::TerminationCause::DisplayLost);
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_EQ(plat::TerminationRequested(), plat::TerminationCause::DisplayLost);
    plat::ClearTerminationRequest();
}

TEST(Termination, WatchdogEndsAProcessWhoseEndingHangs) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        plat::ArmTerminationWatchdog(1);
        sleep(20); // a teardown that never returns
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGALRM);
}

bool FailConfigReads(const std::string& realPath) {
    return realPath.ends_with("/save/Config.dat");
}

TEST(SaveFolderFaults, UnreadableSystemDataSurvivesARunAndLeftoverWritesAreCleared) {
    HeadlessGame game;
    Bytes config(kSystemDataSize, 0);
    config[0x07A4 + 3] = 1;
    config[0x21] = 1;
    game.WriteFile("save/Config.dat", config);
    // Two writes killed an hour ago, and another player's save being written now.
    game.WriteFile("save/Config.dat.tmpQ1w2E3", {1, 2, 3});
    game.WriteFile("save/savefile03.sav.tmpabcdef", {4});
    game.WriteFile("save/savefile04.sav.tmpLive00", {5});
    for (const char* name : {"save/Config.dat.tmpQ1w2E3", "save/savefile03.sav.tmpabcdef"})
        std::filesystem::last_write_time(game.folder() + "/" + name,
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::hours(1));
    kestrel::fs::SetReadFault(FailConfigReads);
    ::testing::internal::CaptureStderr();
    // Not an ASSERT: the capture and the fault end below whatever happens.
    EXPECT_EQ(game.Start(), StartupResult::Running);
    EXPECT_FALSE(game.Exists("save/Config.dat.tmpQ1w2E3"));
    EXPECT_FALSE(game.Exists("save/savefile03.sav.tmpabcdef"));
    EXPECT_TRUE(game.Exists("save/savefile04.sav.tmpLive00"));
    EXPECT_EQ(g_SystemData.keyboardMode, 0); // the defaults
    game.StepFrames(3);
    MarkMessageRead(9);
    game.backend().boxAnswers.push_back(plat::kIdOk);
    game.Close();
    game.StepFrames(3);
    std::string said = ::testing::internal::GetCapturedStderr();
    kestrel::fs::SetReadFault(nullptr);
    EXPECT_FALSE(game.Running());
    EXPECT_NE(said.find("cannot be read"), std::string::npos) << said;
    EXPECT_EQ(game.ReadFile("save/Config.dat"), config);
}

TEST(Teardown, QuitRequestedInsideAFrameWaitsUntilTheFrameReturns) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    g_pGameMain->scene = kSceneConfig;
    game.StepFrames(1);
    plat::DestroyWindow(game.Window()); // as a menu's quit does from its step
    ASSERT_NE(g_pGameMain, nullptr);
    g_pGameMain->Frame(); // the rest of the frame still has its objects
    EXPECT_NE(g_pConfigScene, nullptr);
    game.DrainMessages();
    EXPECT_EQ(g_pGameMain, nullptr);
    EXPECT_EQ(g_pConfigScene, nullptr);
    EXPECT_FALSE(game.Running());
}

TEST(Paint, PresentsTheBackBufferIntoTheDestinationRectangle) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    g_pGameMain->scene = 7; // no step: empty frames with a repaint
    g_ScreenSurface->FillRect(10, 20, 5, 5, 0x00123456);
    game.StepFrames(2);
    const auto& pic = game.Picture();
    ASSERT_EQ(pic.width, 1024);
    ASSERT_EQ(pic.height, 576);
    EXPECT_EQ(pic.dest, (RECT{0, 0, 1024, 576}));
    EXPECT_EQ(game.backend().PixelAt(12, 22) & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(game.backend().PixelAt(0, 0) & 0xFFFFFF, 0u);
}

TEST(Paint, HandsOverOnlyTheRowsWrittenSinceTheLastPresent) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    g_pGameMain->scene = 7; // no step: empty frames with a repaint
    auto frame = [&] {
        game.StepFrames(1);
        game.DrainMessages(); // the repaint
        return std::pair{game.Picture().changed.top, game.Picture().changed.bottom};
    };
    frame();
    frame();

    g_ScreenSurface->FillRect(10, 100, 5, 10, 0x00123456);
    EXPECT_EQ(frame(), std::pair(100, 110));
    EXPECT_EQ(game.backend().PixelAt(12, 105) & 0xFFFFFF, 0x123456u);
    const auto unchanged = frame();
    EXPECT_EQ(unchanged.first, unchanged.second) << "nothing written, nothing to look at";

    // A shaken picture is another picture: the next plain one is handed over whole.
    g_pScriptMng->m_screenFxOn = 1;
    g_pScriptMng->m_screenFxKind = 10; // painted in place
    frame();
    g_pScriptMng->m_screenFxOn = 0;
    const auto whole = frame();
    EXPECT_EQ(whole.first, 0);
    EXPECT_GE(whole.second, 576);
}

TEST(Paint, OpeningMovieSceneRequestsNoRepaint) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    game.StepFrames(2);
    game.DrainMessages();
    int before = game.Picture().presents;
    // The frame pass leaves the picture to the movie (which asks for its own repaints).
    g_pGameMain->scene = kSceneOpeningMovie;
    for (int i = 0; i < 5; ++i)
        g_pGameMain->PostFrame();
    game.DrainMessages();
    EXPECT_EQ(game.Picture().presents, before);
}

TEST(AltEnter, TogglesTheDisplayAndTheSystemDataByteExceptDuringTheOpeningMovie) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    // The keypad's Enter is Return too.
    for (plat::Key key : {plat::Key::Return, plat::Key::NumpadEnter}) {
        g_pGameMain->scene = kSceneTitleMenu;
        game.PostKey(key, true, true);
        game.StepFrames(1);
        EXPECT_EQ(g_SystemData.fullScreen, 1);
        EXPECT_TRUE(game.backend().fullScreen);
        EXPECT_EQ(g_pMouse->destRect, (RECT{0, 96, 1024, 672}));
        g_pGameMain->scene = kSceneOpeningMovie;
        game.PostKey(key, true, true);
        game.StepFrames(1);
        EXPECT_EQ(g_SystemData.fullScreen, 1);
        g_pGameMain->scene = kSceneTitleMenu;
        game.PostKey(key, true, true);
        game.StepFrames(1);
        EXPECT_EQ(g_SystemData.fullScreen, 0);
        EXPECT_FALSE(game.backend().fullScreen);
        EXPECT_EQ(g_pDisplay->destRect, (RECT{0, 0, 1024, 576}));
        EXPECT_EQ(g_pDisplay->screenRect, (RECT{0, 0, 1024, 576}));
    }
}

TEST(Input, KeysAndButtonsReachTheInputObjects) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    game.PostKey(plat::Key::Return, true);
    game.DrainMessages();
    EXPECT_EQ(g_pMouse->GetState()->left, 1); // Return is a left click
    game.PostKey(plat::Key::Return, false);
    game.PostKey(plat::Key::Escape, true);
    game.DrainMessages();
    EXPECT_EQ(g_pMouse->GetState()->left, 0);
    EXPECT_EQ(g_pMouse->GetState()->right, 1);
    game.PostKey(plat::Key::Escape, false);
    game.MoveMouse(300, 200);
    plat::Message down;
    down.msg = plat::Msg::ButtonDown;
    down.button = plat::MouseButton::Middle;
    plat::PostMessage(game.Window(), down);
    game.DrainMessages();
    EXPECT_EQ(g_pMouse->GetState()->x, 300);
    EXPECT_EQ(g_pMouse->GetState()->y, 200);
    EXPECT_EQ(g_pMouse->GetState()->middle, 1);
    EXPECT_EQ(g_pMouse->GetState()->right, 0);
}

TEST(Input, WheelIsAClickInTheClickWaitAndAReportInTheInvestigationScreens) {
    HeadlessGame game;
    ASSERT_EQ(game.Start(), StartupResult::Running);
    g_pGameMain->scene = kSceneClickWait;
    game.Wheel(1); // away from the user: nothing
    game.DrainMessages();
    EXPECT_EQ(g_pMouse->GetState()->left, 0);
    game.Wheel(-1);
    game.DrainMessages();
    EXPECT_EQ(g_pMouse->GetState()->left, 1);
    g_pGameMain->scene = kSceneCommand;
    game.Wheel(1);
    game.DrainMessages();
    EXPECT_EQ(g_pMouse->wheel, 0xFF);
    game.Wheel(-1);
    game.DrainMessages();
    EXPECT_EQ(g_pMouse->wheel, 1);
}

} // namespace
