// The three switches against the real registry key.
#include <gtest/gtest.h>

#include "CodecSettings.h"
#include "SettingsGuard.h"

namespace drav::test {
namespace {

using Settings = SettingsTest;

TEST_F(Settings, EverySwitchIsAllowedWithoutTheKey) {
    EXPECT_TRUE(IsMMXAllowed());
    EXPECT_TRUE(IsResizingAllowed());
    EXPECT_TRUE(IsColorDepthConversionAllowed());
    SettingText text;
    EXPECT_FALSE(ReadCodecSetting("MMXDisabled", text));
    EXPECT_STREQ(text, "");
}

TEST_F(Settings, WritingCreatesTheKeyPathAndStoresOneOrZero) {
    SetResizingAllowed(false);
    EXPECT_EQ(storedSettingText("ResizingDisabled"), "1");
    EXPECT_FALSE(IsResizingAllowed());
    EXPECT_TRUE(IsMMXAllowed());
    SetResizingAllowed(true);
    EXPECT_EQ(storedSettingText("ResizingDisabled"), "0");
    EXPECT_TRUE(IsResizingAllowed());
    SetMMXAllowed(false);
    SetColorDepthConversionAllowed(false);
    EXPECT_EQ(storedSettingText("MMXDisabled"), "1");
    EXPECT_EQ(storedSettingText("ColorDepthConversion"), "1");
    EXPECT_FALSE(IsMMXAllowed());
    EXPECT_FALSE(IsColorDepthConversionAllowed());
}

TEST_F(Settings, OnlyTheTextZeroAllows) {
    struct Case {
        const char* text;
        bool allowed;
    };
    for (Case c : {Case{"0", true}, Case{"1", false}, Case{"", false}, Case{"00", false}, Case{"0 ", false},
                   Case{"yes", false}}) {
        storeSettingText("MMXDisabled", c.text);
        EXPECT_EQ(IsMMXAllowed(), c.allowed) << '"' << c.text << '"';
    }
}

TEST_F(Settings, TheValueTypeIsNotExamined) {
    storeSettingDword("ColorDepthConversion", '0');  // bytes '0', 0, 0, 0
    EXPECT_TRUE(IsColorDepthConversionAllowed());
    storeSettingDword("ColorDepthConversion", 0);  // the empty text
    EXPECT_FALSE(IsColorDepthConversionAllowed());
    storeSettingDword("ColorDepthConversion", '1');
    EXPECT_FALSE(IsColorDepthConversionAllowed());
}

TEST_F(Settings, ReadsTheTextUpToItsFirstZero) {
    storeSettingText("ResizingDisabled", "abc");
    SettingText text;
    ASSERT_TRUE(ReadCodecSetting("ResizingDisabled", text));
    EXPECT_STREQ(text, "abc");
    EXPECT_FALSE(ReadCodecSetting("NoSuchValue", text));
    EXPECT_STREQ(text, "");
}

TEST_F(Settings, OverlongValuesCountAsUnreadable) {
    std::string longText(300, '0');
    storeSettingText("MMXDisabled", longText.c_str());
    SettingText text;
    EXPECT_FALSE(ReadCodecSetting("MMXDisabled", text));
    EXPECT_TRUE(IsMMXAllowed());
}

}  // namespace
}  // namespace drav::test
