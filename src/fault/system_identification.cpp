#include "fault/system_identification.h"

#include <windows.h>

#include <cstring>

#include "fault/fault_path.h"
#include "platform/system_function_table.h"

const char* const OsNameTable[10] = {"未知",    "Win95", "Win98",   "WinME",  "WinNT",
                                     "Win2000", "WinXP", "Win2003", "Vista", "Win7"};

namespace {

constexpr std::uint32_t kWin9xMark = 0x00530000;

std::uint32_t ReadDword(std::uintptr_t address) {
    std::uint32_t value;
    std::memcpy(&value, reinterpret_cast<const void*>(address), sizeof value);
    return value;
}

CallSite At(std::uint32_t position) { return {kIsWow64Location, position}; }

std::uint32_t Argument(const void* pointer) { return reinterpret_cast<std::uint32_t>(pointer); }

}  // namespace

int ClassifyOs(const OsMarks& marks) {
    if (marks.processBlock < 0) {
        if (marks.at58 == kWin9xMark) return 1;
        if (marks.at54 == kWin9xMark) return 2;
        if (marks.at7C == kWin9xMark) return 3;
        return 0;
    }
    if (marks.major <= 4) return 4;
    if (marks.major == 5) {
        if (marks.minor == 0) return 5;
        if (marks.minor == 1) return 6;
        if (marks.minor == 2) return 7;
        return 0;
    }
    if (marks.major == 6) {
        if (marks.minor == 0) return 8;
        if (marks.minor == 1) return 9;
    }
    return 0;
}

int GetOsKind() {
    // The thread block of the calling thread, through its self pointer at fs:0x18.
    std::uintptr_t threadBlock;
    asm("movl %%fs:0x18, %0" : "=r"(threadBlock));
    OsMarks marks = {};
    marks.processBlock = static_cast<std::int32_t>(ReadDword(threadBlock + 0x30));
    if (marks.processBlock < 0) {
        marks.at58 = ReadDword(threadBlock + 0x58);
        marks.at54 = ReadDword(threadBlock + 0x54);
        marks.at7C = ReadDword(threadBlock + 0x7C);
    } else {
        const auto processBlock = static_cast<std::uintptr_t>(marks.processBlock);
        marks.major = ReadDword(processBlock + 0xA4);
        marks.minor = ReadDword(processBlock + 0xA8);
    }
    return ClassifyOs(marks);
}

Text GetOsName() {
    const int kind = GetOsKind();
    return CopyText(OsNameTable[kind >= 0 && kind <= 9 ? kind : 0]);
}

bool IsWow64() {
    char directory[257];
    std::memset(directory, ' ', 256);
    directory[256] = '\0';
    const auto length = static_cast<int>(
        CallSystemFunction(kGetSystemDirectoryA, {Argument(directory), 256}, At(114)));
    std::uint32_t module = 0;
    if (length > 0) {
        Text path = JoinTexts({directory, "\\kernel32.dll"});
        module = CallSystemFunction(kLoadLibraryA, {Argument(path.bytes)}, At(298));
    }
    if (!module) module = CallSystemFunction(kLoadLibraryA, {Argument("kernel32.dll")}, At(406));
    if (!module) return false;
    if (!CallSystemFunction(kGetProcAddress, {module, Argument("IsWow64Process")}, At(525)))
        return false;
    const std::uint32_t process = CallSystemFunction(kGetCurrentProcess, {}, At(682));
    BOOL wow64 = FALSE;
    if (!CallSystemFunction(kIsWow64Process, {process, Argument(&wow64)}, At(682))) {
        CallSystemFunction(kFreeLibrary, {module}, At(720));
        return false;
    }
    return wow64 != FALSE;
}
