// Runs the interpreter over arbitrary script bytes for a bounded number of commands, with the
// waiting scenes handing back at once; then checks that the disassembly of the same bytes
// assembles back to them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/game_main.h"
#include "archive/paths.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/headless.h"
#include "scratch_folder.h"
#include "screens/system_data.h"
#include "script/script_asm.h"
#include "script/script_mng.h"

namespace {

// Enough for every command family to run many times; a picture command costs a few full-screen
// surfaces, slow under coverage instrumentation, so a looping script must stay well inside the
// per-input time limit.
constexpr int kCommandLimit = 200;

struct World {
    plat::HeadlessBackend backend;
    FakeClock clock{1000};
    World() {
        const std::filesystem::path dir = kestrel::fuzz::ScratchFolder("script");
        std::filesystem::create_directories(dir / "script");
        std::filesystem::create_directories(dir / "save");
        kestrel::fs::SetGameFolder(dir.string());
        ResolveResourceDirs();
        plat::SetBackend(&backend);
        SetClockSource(&clock);
        SetSystemDataDefaults();
        g_pGameMain = new CGameMain(nullptr, nullptr);
        g_pScriptMng = new CScriptMng(nullptr);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* world = new World();
    if (size > 1u << 16)
        return 0;
    CScriptMng& engine = *g_pScriptMng;
    engine.m_inReplay = size > 0 && (data[0] & 1); // also the replay paths of the flow commands
    engine.m_windowStyle = size > 1 ? data[1] % 3 : 0;
    engine.LoadScriptData(data, static_cast<uint32_t>(size));
    g_pGameMain->scene = kSceneScript;
    for (int i = 0; i < kCommandLimit; ++i) {
        if (g_pGameMain->scene == kSceneScript) {
            engine.RunScript();
        } else if (g_pGameMain->scene == kSceneTitleMenu || g_pGameMain->scene == kSceneReplay) {
            break;
        } else {
            g_pGameMain->scene = kSceneScript;
        }
        world->clock.Advance(1);
    }
    world->backend.boxes.clear();
    // The backlog may fill up; keep the test independent of earlier inputs.
    g_pGameMain->backlogCount = 0;

    std::vector<uint8_t> plain(size);
    for (size_t i = 0; i < size; ++i)
        plain[i] = static_cast<uint8_t>(~data[i]);
    std::string text = kestrel::sasm::Disassemble(plain);
    kestrel::sasm::AsmResult back = kestrel::sasm::Assemble(text);
    if (!back.ok() || back.bytes != plain) {
        std::fprintf(stderr, "disassembly does not assemble back:\n%s%s", text.c_str(),
                     kestrel::sasm::FormatErrors(back.errors).c_str());
        std::abort();
    }
    return 0;
}
