// GoogleTest's main on the test executable's own module state, set up as an
// entry point does it, so resources load from the executable.
#include <windows.h>

#include <gtest/gtest.h>

#include "foundation/ModuleStartup.h"

int main(int argc, char** argv) {
    setModuleInstance(GetModuleHandleA(nullptr));
    moduleStartupFromInstance();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
