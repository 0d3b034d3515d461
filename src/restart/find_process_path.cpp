#include "restart/find_process_path.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "fault/fault_path.h"
#include "platform/system_function_table.h"
#include "restart/process_list.h"

namespace {

// Paths are read into a buffer one byte larger than MAX_PATH: a result that
// fills it may have been cut by the system, and a cut path could name a
// different program, so it counts as unreadable.
constexpr DWORD kPathBufferSize = MAX_PATH + 1;

bool FitsWhole(DWORD length) { return length > 0 && length < kPathBufferSize - 1; }

CallSite At(std::uint32_t position) { return {kFindProcessPathLocation, position}; }

// A 64-bit process's modules cannot be listed from a 32-bit one; where the
// system has QueryFullProcessImageNameA, it names the image anyway.
Text QueryImagePath(HANDLE process) {
    using QueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
    auto query = reinterpret_cast<QueryImageName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
    char buffer[kPathBufferSize];
    DWORD length = kPathBufferSize;
    if (!query || !query(process, 0, buffer, &length) || !FitsWhole(length)) return Text();
    return CopyText(buffer, length);
}

Text ReadModulePath(HANDLE process) {
    char buffer[kPathBufferSize + 1];
    std::memset(buffer, ' ', kPathBufferSize);
    buffer[kPathBufferSize] = '\0';
    const auto written = static_cast<int>(CallSystemFunction(
        kGetModuleFileNameExA,
        {reinterpret_cast<std::uint32_t>(process), 0, reinterpret_cast<std::uint32_t>(buffer),
         kPathBufferSize},
        At(560)));
    if (written <= 0) return QueryImagePath(process);
    const std::size_t length = std::min(static_cast<std::size_t>(written), std::strlen(buffer));
    if (!FitsWhole(static_cast<DWORD>(length))) return Text();
    return CopyText(buffer, length);
}

}  // namespace

Text FindProcessPath(const char* name) {
    const ProcessList list = ListProcesses();
    const int count = list.size();
    int match = 0;
    for (int i = 1; i <= count && !match; ++i) {
        if (TextsEqual(EntryAt(list, i, kFindProcessPathLocation, 162).exeName.c_str(), name)) match = i;
    }
    if (!match) return CopyText("");

    const DWORD processId = EntryAt(list, match, kFindProcessPathLocation, 262).processId;
    const auto process = reinterpret_cast<HANDLE>(
        CallSystemFunction(kOpenProcess, {0x1F0FFF, FALSE, processId}, At(382)));
    if (reinterpret_cast<LONG_PTR>(process) <= 0) return Text();
    Text path = ReadModulePath(process);
    CallSystemFunction(kCloseHandle, {reinterpret_cast<std::uint32_t>(process)}, At(671));
    return path;
}
