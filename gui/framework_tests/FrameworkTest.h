#pragma once
// Common ground of the framework tests: they need real windows, so an X
// display (Xvfb in CI).
#include <windows.h>

#include <gtest/gtest.h>

#include "WindowDriver.h"
#include "foundation/VSystemException.h"

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveDisplay()) GTEST_SKIP() << "dialogs need an X display";
    }
};

// Runs `action`, which must raise VSystemException with `code`, `line` and
// the source stem `file`.
template <typename Action>
::testing::AssertionResult raises(Action action, int code, int line, const char* file) {
    try {
        action();
    } catch (const VSystemException& failure) {
        if (failure.code == code && failure.line == line && std::string(failure.file) == file)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "raised code " << failure.code << " at " << failure.file << ":" << failure.line;
    }
    return ::testing::AssertionFailure() << "nothing raised";
}
