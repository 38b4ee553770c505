// A headless main window whose messages reach nothing but the input objects under test.
#pragma once

#include <gtest/gtest.h>

#include "app/input.h"
#include "platform/headless.h"

struct InputWindowTest : ::testing::Test {
    plat::ScopedHeadlessBackend headless;
    HWND hwnd = nullptr;
    CMouse mouse;
    CKeyboard keyboard;

    void SetUp() override {
        hwnd = plat::CreateMainWindow(plat::WindowDesc{},
                                      [](HWND, const plat::Message&) -> intptr_t { return 0; });
        ASSERT_NE(hwnd, nullptr);
        g_pMouse = &mouse;
    }
    void TearDown() override {
        g_pMouse = nullptr;
        plat::DestroyWindow(hwnd);
        plat::Message m;
        while (plat::PeekMessage(m))
            plat::DispatchMessage(m);
    }
};
