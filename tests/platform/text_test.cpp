#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "platform/text.h"

TEST(Text, LiteralsAreStoredInCodePage936) {
    // "正在重启实名，请稍侯..." as GBK: a wrong execution charset cannot pass.
    EXPECT_EQ(std::string(kLabelText),
              "\xD5\xFD\xD4\xDA\xD6\xD8\xC6\xF4\xCA\xB5\xC3\xFB\xA3\xAC\xC7\xEB\xC9\xD4\xBA\xEE...");
    EXPECT_EQ(std::string(kLabelText).size(), 23u);
}

TEST(Text, JoinTextsKeepsOrderAndTreatsNullAsEmpty) {
    Text joined = JoinTexts({"ab", nullptr, "", "c\xA3\xAC"});
    EXPECT_STREQ(joined.c_str(), "abc\xA3\xAC");
    EXPECT_EQ(joined.size(), 5u);
    EXPECT_STREQ(JoinTexts({nullptr}).c_str(), "");
}

TEST(Text, DecimalTextIsSignedWithoutPadding) {
    const struct {
        int value;
        const char* text;
    } cases[] = {{0, "0"}, {7, "7"}, {-1, "-1"}, {1375797249, "1375797249"}, {INT_MIN, "-2147483648"}};
    for (const auto& c : cases) EXPECT_STREQ(DecimalText(c.value).c_str(), c.text) << c.value;
}

TEST(Text, AbsentAndEmptyReadAlike) {
    Text absent;
    EXPECT_TRUE(absent.empty());
    EXPECT_STREQ(absent.c_str(), "");
    EXPECT_TRUE(TextsEqual(nullptr, ""));
    EXPECT_FALSE(TextsEqual("a", "A"));
    Text moved = CopyText("x");
    Text target = std::move(moved);
    EXPECT_TRUE(moved.empty());
    EXPECT_STREQ(target.c_str(), "x");
}
