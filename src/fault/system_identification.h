#pragma once
// Which Windows the program runs on, for the fault report.
#include <cstdint>

#include "platform/text.h"

// Short names by Windows kind number 0..9 (0: "未知", a system not named here).
extern const char* const OsNameTable[10];

// What the classification reads from the thread and process environment blocks.
struct OsMarks {
    std::int32_t processBlock;  // the thread block's ProcessEnvironmentBlock slot
    std::uint32_t at58, at54, at7C;  // thread block doublewords (Windows 9x)
    std::uint32_t major, minor;      // OSMajorVersion, OSMinorVersion
};

// The kind number for the given marks.
int ClassifyOs(const OsMarks& marks);

// The kind number of the running system, read from the live blocks.
int GetOsKind();
// A new text: the OsNameTable entry of GetOsKind.
Text GetOsName();
// True when this 32-bit process runs under WOW64 (64-bit Windows); false
// whenever it cannot tell.
bool IsWow64();
