#include <gtest/gtest.h>

#include "app/program_start.h"

TEST(ProgramPath, SplitsAtTheLastRealBackslash) {
    const struct {
        const char* path;
        const char* directory;
        const char* name;
    } cases[] = {
        {"D:\\Apps\\tool.exe", "D:\\Apps", "tool.exe"},
        {"C:\\tool.exe", "C:", "tool.exe"},
        {"tool.exe", "", "tool.exe"},
        // "乗" is 0x81 0x5C in code page 936: its trail byte is not a backslash.
        {"C:\\\x81\x5C\\tool.exe", "C:\\\x81\x5C", "tool.exe"},
        {"C:\\dir\\\x81\x5Ctool.exe", "C:\\dir", "\x81\x5Ctool.exe"},
        {"C:\\\x81\x5C", "C:", "\x81\x5C"},
    };
    for (const auto& c : cases) {
        Text directory, name;
        SplitProgramPath(c.path, &directory, &name);
        EXPECT_STREQ(directory.c_str(), c.directory) << c.path;
        EXPECT_STREQ(name.c_str(), c.name) << c.path;
    }
}
