// A game folder of its own per test, the application object and the script engine, with scripts written
// in the assembler's text form. Frames are stepped by hand: scene 2 runs the interpreter, and a
// waiting scene hands back to it at once, as the interim mode steps do.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/game_main.h"
#include "archive/paths.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/headless.h"
#include "screens/system_data.h"
#include "script/script_asm.h"
#include "script/script_mng.h"
#include "support/scratch_folder.h"

namespace kestrel::test {

// The game folder of the running test: a scratch folder of the test's own (see ScriptTest).
inline std::filesystem::path ScriptTestFolder() {
    return kestrel::fs::GameFolder();
}

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_ / "script");
        std::filesystem::create_directories(folder_ / "save");
        SetSystemDataDefaults();
        g_pGameMain = new CGameMain(nullptr, nullptr);
        g_pGameMain->scene = kSceneScript;
        g_pScriptMng = new CScriptMng(nullptr);
        boxes().clear();
    }
    void TearDown() override {
        // The application object deletes the engine.
        delete g_pGameMain;
        g_pGameMain = nullptr;
        delete g_pScriptMng;
        g_pScriptMng = nullptr;
    }

    CScriptMng& engine() { return *g_pScriptMng; }
    CGameMain& game() { return *g_pGameMain; }
    std::vector<plat::HeadlessBackend::BoxCall>& boxes() { return headless_.backend().boxes; }

    // Writes raw file bytes as script `name`.
    void WriteScriptFile(const std::string& name, const std::vector<uint8_t>& fileBytes) {
        std::filesystem::path p = ScriptTestFolder() / "script" / name;
        FILE* f = std::fopen(p.string().c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!fileBytes.empty())
            std::fwrite(fileBytes.data(), 1, fileBytes.size(), f);
        std::fclose(f);
    }
    // Assembles `source` and writes it as script `name`; returns the plain bytes.
    std::vector<uint8_t> WriteScript(const std::string& name, const std::string& source) {
        sasm::AsmResult r = sasm::Assemble(source);
        EXPECT_TRUE(r.ok()) << sasm::FormatErrors(r.errors);
        WriteScriptFile(name, sasm::InvertBytes(r.bytes));
        return r.bytes;
    }
    // Writes and loads a script, and enters scene 2 as the callers of the loader do.
    void Start(const std::string& source, const std::string& name = "test.s") {
        WriteScript(name, source);
        ASSERT_NE(engine().LoadScript(name.c_str()), nullptr);
        game().scene = kSceneScript;
    }
    // The bottom window in two opaque colours: the window picture and its working text surface
    // (1024 x 128) in `text`, the name plate (160 x 128) in `plate`.
    static void PaintWindowBand(uint32_t text, uint32_t plate) {
        for (CDIB32** surface : {&g_MsgWindowSurface, &g_TextSurface, &g_NamePlateSurface}) {
            const int32_t w = surface == &g_NamePlateSurface ? 160 : 1024;
            ReplaceSurface(*surface, new CDIB32());
            (*surface)->Create(nullptr, static_cast<uint16_t>(w), 128, 32);
            (*surface)->FillRect(0, 0, w, 128, 0xFF000000 | (surface == &g_NamePlateSurface ? plate : text));
        }
    }

    // Makes `sheet` the mark sheet and stands a mark of `kind` at (x, y), `size` pixels square, in
    // position slot `slot`; it has not appeared yet.
    PositionSlot& PlaceMark(int slot, CDIB32* sheet, uint8_t kind, int16_t x, int16_t y, int16_t size) {
        ReplaceSurface(g_pScriptUiSurfaces[kUiMarkSheet], sheet);
        PositionSlot& m = engine().m_posSlots[slot];
        m = PositionSlot{};
        m.state = 1;
        m.param = kind;
        const int16_t coords[4] = {x, y, size, size};
        std::memcpy(m.coords, coords, sizeof coords);
        return m;
    }

    // One frame of the interpreter, or of a waiting scene that hands back at once.
    void Frame() {
        if (game().scene == kSceneScript)
            engine().RunScript();
        else
            game().scene = kSceneScript;
    }
    // Runs interpreter frames until the scene leaves 2 (at most `limit`); returns the scene.
    SceneId RunUntilWait(int limit = 1000) {
        for (int i = 0; i < limit && game().scene == kSceneScript; ++i)
            engine().RunScript();
        return game().scene;
    }

    testing_support::ScratchGameFolder folder_{"script"};
    plat::ScopedHeadlessBackend headless_;
    ScopedFakeClock clock_{1000};
};

} // namespace kestrel::test
