#include "progress.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace drav::tool {
namespace {

TEST(Progress, BarShowsTheShareDone) {
    EXPECT_EQ(progressLine("encode", 45, 90, 12.34, 10), "encode [#####.....] 45/90 frames  12.3 fps");
    EXPECT_EQ(progressLine("decode", 0, 90, 0, 4), "decode [....] 0/90 frames  0.0 fps");
    EXPECT_EQ(progressLine("decode", 120, 90, 1, 4), "decode [####] 120/90 frames  1.0 fps");  // more than announced
    EXPECT_EQ(progressLine("encode", 7, 0, 2.5), "encode 7 frames  2.5 fps");
}

TEST(Progress, NothingIsDrawnWhenTheStreamIsNoTerminal) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        Progress progress("encode", 10, true, file);
        for (int i = 1; i <= 10; ++i) progress.update(i);
    }
    EXPECT_EQ(std::ftell(file), 0);
    std::fclose(file);
}

TEST(Progress, FramesPerSecond) {
    EXPECT_DOUBLE_EQ(framesPerSecond(120, 2.0), 60.0);
    EXPECT_DOUBLE_EQ(framesPerSecond(5, 0.0), 0.0);
}

}  // namespace
}  // namespace drav::tool
