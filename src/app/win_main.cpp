#include "app/win_main.h"

#include <cstdio>
#include <memory>

#include "app/game_main.h"
#include "app/startup_dialog.h"
#include "app/user_sys_data.h"
#include "app/wnd_proc.h"
#include "platform/file_system.h"
#include "platform/single_instance.h"
#include "platform/termination.h"
#include "platform/window.h"

namespace {

std::unique_ptr<plat::SingleInstance> g_pInstanceGuard;
std::unique_ptr<plat::Backend> g_pOwnBackend; // the backend StartGame made, if it made one
HWND g_hMainWindow = nullptr;
bool g_terminating = false; // the window's destruction was asked for by a termination request
bool g_armWatchdog = false; // RunGame's process ends hard if that ending hangs
constexpr unsigned kTerminationGraceSeconds = 15;

void ReleaseInstanceGuard() {
    if (g_pInstanceGuard)
        g_pInstanceGuard->Release();
}

bool InitInstance(HINSTANCE hinstance) {
    g_hInstance = hinstance;
    plat::WindowDesc desc;
    desc.title = kGameTitle;
    desc.clientWidth = 1024;
    desc.clientHeight = 576;
    desc.iconWidth = desc.iconHeight = 32;
    desc.iconPixels = MakeWindowIcon(32);
    g_hMainWindow = plat::CreateMainWindow(desc, WndProc);
    if (!g_hMainWindow)
        return false;
    plat::InvalidateWindow(g_hMainWindow);
    return true;
}

} // namespace

StartupResult StartGame(const EntryOptions& options) {
    g_hMainWindow = nullptr;
    auto guard = std::make_unique<plat::SingleInstance>(options.guardFolder);
    if (!guard->Acquire(options.instanceName)) {
        // Another copy runs: raise its window and end, writing nothing.
        bool asked = guard->AskHolderToRaise(options.instanceName);
        std::fprintf(stderr, "kestrel: the game is already running%s\n",
                     asked ? "; its window was asked to come to the front" : "");
        return StartupResult::SecondInstance;
    }
    g_pInstanceGuard = std::move(guard);
    if (options.makeBackend) {
        g_pOwnBackend = options.makeBackend();
        if (!g_pOwnBackend) {
            ReleaseInstanceGuard();
            return StartupResult::NoDisplay;
        }
        plat::SetBackend(g_pOwnBackend.get());
    }
    // A file named "save" in place of the folder makes the settings unwritable; start-up goes on.
    kestrel::fs::CreateFolders("save");
    // Writes cut short by a kill. The guard is the user's, so another player's game may be writing
    // here: only files no write can still own go.
    kestrel::fs::RemoveLeftoverTempFiles("save");
    LoadUserSysData();
    g_StartupDlgResult = plat::DialogBox(StartupDialogTemplate(), StartupDlgProc);
    if (g_StartupDlgResult == -1) {
        ReleaseInstanceGuard();
        return StartupResult::Cancelled;
    }
    SaveUserSysData();
    g_OnRuntimeDestroyed = ReleaseInstanceGuard;
    if (!InitInstance(nullptr)) {
        plat::MessageBox(nullptr, "Not InitInstance", "Error", plat::BoxButtons::Ok, plat::BoxIcon::Error);
        ReleaseInstanceGuard();
        return StartupResult::NoWindow;
    }
    return StartupResult::Running;
}

int ExitCodeFor(StartupResult result) {
    switch (result) {
        case StartupResult::Cancelled:
            return -1;
        case StartupResult::NoDisplay:
            return 1;
        default:
            return 0;
    }
}

PumpResult PumpOnce(int* exitCode, bool runFrame) {
    // A signal or a lost display ends the game as an answered close does; the window's destruction
    // comes before any further frame.
    if (plat::TerminationRequested() != plat::TerminationCause::None && !g_terminating &&
        plat::IsWindow(g_hMainWindow)) {
        g_terminating = true;
        if (plat::TerminationRequested() == plat::TerminationCause::Signal)
            std::fprintf(stderr, "kestrel: ending on signal %d\n", plat::TerminationSignal());
        plat::DestroyWindow(g_hMainWindow);
        if (g_armWatchdog)
            plat::ArmTerminationWatchdog(kTerminationGraceSeconds);
    }
    if (g_pInstanceGuard && g_pInstanceGuard->TakeRaiseRequest())
        plat::RaiseWindow(g_hMainWindow);
    plat::Message msg;
    if (plat::PeekMessage(msg)) {
        if (msg.msg == plat::Msg::Quit) {
            if (exitCode)
                *exitCode = msg.code;
            g_pInstanceGuard.reset();
            g_hMainWindow = nullptr;
            g_terminating = false;
            return PumpResult::Quit;
        }
        plat::DispatchMessage(msg);
        return PumpResult::Message;
    }
    if (!g_pGameMain || !runFrame)
        return PumpResult::Idle;
    g_pGameMain->Frame();
    return PumpResult::Frame;
}

int RunGame(const EntryOptions& options) {
    plat::InstallTerminationHandlers();
    g_armWatchdog = true;
    StartupResult result = StartGame(options);
    int code = 0;
    if (result == StartupResult::Running) {
        while (PumpOnce(&code) != PumpResult::Quit) {
        }
        if (plat::TerminationRequested() == plat::TerminationCause::DisplayLost)
            code = 1;
    } else {
        code = ExitCodeFor(result);
    }
    g_pInstanceGuard.reset();
    if (g_pOwnBackend) {
        plat::SetBackend(nullptr);
        g_pOwnBackend.reset();
    }
    return code;
}

HWND GameWindow() {
    return plat::IsWindow(g_hMainWindow) ? g_hMainWindow : nullptr;
}
