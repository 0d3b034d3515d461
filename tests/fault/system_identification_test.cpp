#include <gtest/gtest.h>

#include "fault/system_identification.h"

TEST(OsKind, ClassifiesEveryRowAndBoundary) {
    constexpr std::uint32_t k9x = 0x00530000;
    const struct {
        OsMarks marks;
        int kind;
    } cases[] = {
        // NT family: {slot, at58, at54, at7C, major, minor}
        {{0x7FFD0000, 0, 0, 0, 0, 0}, 4},
        {{0x7FFD0000, 0, 0, 0, 3, 51}, 4},
        {{0x7FFD0000, 0, 0, 0, 4, 0}, 4},
        {{0x7FFD0000, 0, 0, 0, 4, 90}, 4},
        {{0x7FFD0000, 0, 0, 0, 5, 0}, 5},
        {{0x7FFD0000, 0, 0, 0, 5, 1}, 6},
        {{0x7FFD0000, 0, 0, 0, 5, 2}, 7},
        {{0x7FFD0000, 0, 0, 0, 5, 3}, 0},
        {{0x7FFD0000, 0, 0, 0, 6, 0}, 8},
        {{0x7FFD0000, 0, 0, 0, 6, 1}, 9},
        {{0x7FFD0000, 0, 0, 0, 6, 2}, 0},
        {{0x7FFD0000, 0, 0, 0, 6, 5}, 0},
        {{0x7FFD0000, 0, 0, 0, 7, 0}, 0},
        {{0x7FFD0000, 0, 0, 0, 10, 0}, 0},
        {{0x7FFD0000, 0, 0, 0, 0xFFFFFFFF, 0}, 0},  // unsigned: not "4 or lower"
        {{0, 0, 0, 0, 6, 1}, 9},                      // slot 0 is not negative
        // Windows 9x branch: a negative slot; 0x58, then 0x54, then 0x7C decide.
        {{-1, k9x, k9x, k9x, 6, 1}, 1},
        {{-1, 0, k9x, k9x, 6, 1}, 2},
        {{-1, 0, 0, k9x, 6, 1}, 3},
        {{-1, 0, 0, 0, 6, 1}, 0},
        {{INT32_MIN, k9x + 1, k9x - 1, 0x53, 5, 1}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyOs(c.marks), c.kind)
            << c.marks.processBlock << " " << c.marks.major << "." << c.marks.minor;
    }
}

TEST(OsKind, NameTableMatchesKinds) {
    const char* const names[] = {"未知", "Win95", "Win98", "WinME", "WinNT", "Win2000", "WinXP", "Win2003", "Vista", "Win7"};
    for (int kind = 0; kind < 10; ++kind) EXPECT_STREQ(OsNameTable[kind], names[kind]);
    EXPECT_STREQ(GetOsName().c_str(), OsNameTable[GetOsKind()]);
}
