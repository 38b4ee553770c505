// Commands per second of the interpreter on a long script of arithmetic and jumps (scene 2 does
// not sleep, so this is the rate at which a run of such commands passes). The limit beside it:
// the time of one frame of the paced scenes (8 ms), which a command must stay far below, and a
// peer: the same arithmetic as plain compiled code.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "app/game_main.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "screens/system_data.h"
#include "script/script_asm.h"
#include "script/script_mng.h"

namespace {

// 1000 rounds of a loop body of 12 commands: additions, a comparison and jumps.
const char* kSource = "    SetVar 0, 0\n"
                      "    SetVar 1, 0\n"
                      "loop:\n"
                      "    AddVar 1, 3\n"
                      "    AddVar 2, -1\n"
                      "    JumpIfGt 1, 1000000, wrap\n"
                      "back:\n"
                      "    AddVar 3, 7\n"
                      "    JumpIfEq 3, 5, never\n"
                      "    SetVar 4, 9\n"
                      "    AddVar 4, 1\n"
                      "    JumpIfNe 4, 10, never\n"
                      "    SetMessageId 12\n"
                      "    AddVar 0, 1\n"
                      "    JumpIfLt 0, 1000, loop\n"
                      "    Jump 0\n"
                      "wrap:\n"
                      "    SetVar 1, 0\n"
                      "    Jump back\n"
                      "never:\n"
                      "    ExitToMenu\n";

struct Engine {
    plat::ScopedHeadlessBackend backend;
    ScopedFakeClock clock{0};
    Engine() {
        SetSystemDataDefaults();
        g_pGameMain = new CGameMain(nullptr, nullptr);
        g_pScriptMng = new CScriptMng(nullptr);
        auto r = kestrel::sasm::Assemble(kSource);
        auto file = kestrel::sasm::InvertBytes(r.bytes);
        g_pScriptMng->LoadScriptData(file.data(), static_cast<uint32_t>(file.size()));
        g_pGameMain->scene = kSceneScript;
    }
    ~Engine() {
        delete g_pGameMain; // deletes the engine too
        g_pGameMain = nullptr;
    }
};

void BM_InterpreterCommands(benchmark::State& state) {
    Engine e;
    for (auto _ : state) {
        g_pScriptMng->RunScript();
        if (g_pGameMain->scene != kSceneScript)
            state.SkipWithError("the script left the interpreter");
    }
    state.counters["commands/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    // How many commands fit in one paced frame (8 ms): the interpreter never limits the frame
    // while this stays in the thousands.
    state.counters["commands_in_8ms"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 0.008, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InterpreterCommands);

// Peer: the loop body as compiled code, one body per 12 commands.
void BM_NativeLoopBody(benchmark::State& state) {
    int32_t v[5] = {};
    for (auto _ : state) {
        v[1] += 3;
        v[2] -= 1;
        if (v[1] > 1000000)
            v[1] = 0;
        v[3] += 7;
        v[4] = 10;
        v[0] = (v[0] + 1) % 1000;
        benchmark::DoNotOptimize(v);
    }
    state.counters["commands/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 12, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NativeLoopBody);

} // namespace

BENCHMARK_MAIN();
