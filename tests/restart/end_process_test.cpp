#include <gtest/gtest.h>

#include "restart/end_process.h"

TEST(EndProcess, NamesCompareWithoutCaseInCodePage936) {
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"AuditRealnamemain.exe", "auditrealnamemain.EXE", true},
        {"AuditRealnamemain.exe", "AuditRealnamemain.ex", false},
        {"", "", true},
        // Full-width "ａ" (A3 E1) and "Ａ" (A3 C1) are one character each.
        {"\xA3\xE1.exe", "\xA3\xC1.exe", true},
        // The trail byte 0x61 of a double-byte character is not the letter a.
        {"\x81\x61.exe", "\x81\x41.exe", false},
        {"\xC6\xF4.exe", "\xC6\xF5.exe", false},
    };
    for (const auto& c : cases) EXPECT_EQ(NamesEqualIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

TEST(EndProcess, EmptyNameOrNoSuchProcessEndsNothing) {
    EXPECT_FALSE(EndProcessByName(""));
    EXPECT_FALSE(EndProcessByName(nullptr));
    EXPECT_FALSE(EndProcessByName("NoSuchProcessAnywhere.exe"));
}
