#include "support/headless_game.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "app/game_main.h"
#include "app/startup_dialog.h"

namespace testing_support {
namespace {

std::atomic<int> g_counter{0};

} // namespace

HeadlessGame::HeadlessGame()
    : gameFolder_("game"), guardFolder_("guard"), folder_(gameFolder_.string()), clockGuard_(1000),
      clock_(clockGuard_.clock()) {
    options_.instanceName = "kestrel-test-" + std::to_string(getpid()) + "-" + std::to_string(g_counter++);
    options_.guardFolder = guardFolder_.string();
    // A process starts with the dialog's result at 0; an earlier game of this process may have left -1.
    g_StartupDlgResult = 0;
    plat::SetBackend(&backend_);
}

HeadlessGame::~HeadlessGame() {
    if (HWND hwnd = Window()) {
        plat::DestroyWindow(hwnd);
        for (int i = 0; i < 1000 && running_; ++i)
            DrainMessages();
    }
    // Anything the window left (a failed creation) is gone with the backend; the game folder comes
    // back and the scratch folders go with the members.
    plat::SetBackend(nullptr);
}

StartupResult HeadlessGame::Start() {
    StartupResult result = StartGame(options_);
    running_ = result == StartupResult::Running;
    exitCode_ = running_ ? 0 : ExitCodeFor(result);
    return result;
}

HWND HeadlessGame::Window() const {
    return running_ ? GameWindow() : nullptr;
}

bool HeadlessGame::DrainMessages() {
    while (running_) {
        int code = 0;
        PumpResult r = PumpOnce(&code, false);
        if (r == PumpResult::Quit) {
            running_ = false;
            exitCode_ = code;
            return false;
        }
        if (r == PumpResult::Idle)
            break;
    }
    return running_;
}

bool HeadlessGame::StepFrames(int n) {
    for (int i = 0; i < n && running_; ++i) {
        int code = 0;
        for (;;) {
            PumpResult r = PumpOnce(&code);
            if (r == PumpResult::Quit) {
                running_ = false;
                exitCode_ = code;
                return false;
            }
            if (r == PumpResult::Frame || r == PumpResult::Idle)
                break;
        }
    }
    return running_;
}

void HeadlessGame::PostKey(plat::Key key, bool down, bool alt) {
    plat::Message m;
    m.msg = alt ? (down ? plat::Msg::SysKeyDown : plat::Msg::SysKeyUp)
                : (down ? plat::Msg::KeyDown : plat::Msg::KeyUp);
    m.key = key;
    plat::PostMessage(Window(), m);
}

void HeadlessGame::PressKey(plat::Key key) {
    PostKey(key, true);
    PostKey(key, false);
}

void HeadlessGame::MoveMouse(int x, int y) {
    plat::Message m;
    m.msg = plat::Msg::MouseMove;
    m.x = x;
    m.y = y;
    plat::PostMessage(Window(), m);
}

void HeadlessGame::Click(int x, int y, plat::MouseButton button) {
    MoveMouse(x, y);
    plat::Message m;
    m.x = x;
    m.y = y;
    m.button = button;
    m.msg = plat::Msg::ButtonDown;
    plat::PostMessage(Window(), m);
    m.msg = plat::Msg::ButtonUp;
    plat::PostMessage(Window(), m);
}

void HeadlessGame::Wheel(int steps) {
    plat::Message m;
    m.msg = plat::Msg::MouseWheel;
    m.wheel = steps;
    plat::PostMessage(Window(), m);
}

void HeadlessGame::Close() {
    plat::Message m;
    m.msg = plat::Msg::Close;
    plat::PostMessage(Window(), m);
}

std::string HeadlessGame::RealPath(const std::string& path) const {
    std::string p = path;
    for (auto& c : p)
        if (c == '\\')
            c = '/';
    return folder_ + "/" + p;
}

bool HeadlessGame::Exists(const std::string& path) const {
    return std::filesystem::exists(RealPath(path));
}

std::vector<uint8_t> HeadlessGame::ReadFile(const std::string& path) const {
    std::ifstream in(RealPath(path), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void HeadlessGame::WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) const {
    auto real = std::filesystem::path(RealPath(path));
    std::filesystem::create_directories(real.parent_path());
    std::ofstream out(real, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace testing_support
