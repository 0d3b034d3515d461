// Only compiled into the test build.
#include "platform/test_points.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Finds `name` as a whole item of RR_INJECT and returns what follows it
// (the "=value" part, or an empty string), or null when not named.
const char* FindPoint(const char* name) {
    static char list[512];
    if (!GetEnvironmentVariableA("RR_INJECT", list, sizeof list)) return nullptr;
    const std::size_t length = std::strlen(name);
    for (const char* item = list; *item;) {
        if (std::strncmp(item, name, length) == 0 &&
            (item[length] == '\0' || item[length] == ',' || item[length] == '='))
            return item + length;
        const char* comma = std::strchr(item, ',');
        if (!comma) break;
        item = comma + 1;
    }
    return nullptr;
}

}  // namespace

bool TestPoint(const char* name) { return FindPoint(name) != nullptr; }

int TestPointValue(const char* name, int fallback) {
    const char* rest = FindPoint(name);
    return rest && *rest == '=' ? std::atoi(rest + 1) : fallback;
}

bool TestPointPair(const char* name, int* first, int* second) {
    const char* rest = FindPoint(name);
    return rest && std::sscanf(rest, "=%d:%d", first, second) == 2;
}

void TestTrace(const char* format, ...) {
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("RR_TRACE", path, sizeof path)) return;
    char line[1024];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line - 2, format, args);
    va_end(args);
    if (length < 0) return;
    DWORD used = static_cast<DWORD>(length < static_cast<int>(sizeof line) - 2 ? length : sizeof line - 3);
    line[used++] = '\r';
    line[used++] = '\n';
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, used, &written, nullptr);
    CloseHandle(file);
}

void TestTraceTick(const char* what) { TestTrace("%s tick=%lu", what, GetTickCount()); }

namespace {

// One row of the system's handle table (SystemHandleInformation, class 16).
struct HandleRow {
    ULONG processId;
    UCHAR typeIndex;
    UCHAR flags;
    USHORT handle;
    void* object;
    ACCESS_MASK access;
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

}  // namespace

// Counts this process's process, thread and snapshot handles: the kinds the
// restart sequence opens and must close. Other kinds are left out, since the
// system itself may keep some (Wine's WaitForInputIdle keeps an event, and a
// thread's message queue comes with a handle of its own).
unsigned long TestHandleCount() {
    auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    // One handle of each kind, to learn their type numbers.
    HANDLE samples[] = {OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId()),
                        OpenThread(THREAD_QUERY_INFORMATION, FALSE, GetCurrentThreadId()),
                        CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)};
    unsigned long count = 0;
    ULONG size = 1 << 20;
    for (int attempt = 0; attempt < 6; ++attempt, size *= 2) {
        void* table = HeapAlloc(GetProcessHeap(), 0, size);
        if (!table) break;
        if (query(16, table, size, nullptr) == 0) {
            const ULONG rows = *static_cast<ULONG*>(table);
            const auto* row = reinterpret_cast<const HandleRow*>(static_cast<char*>(table) + sizeof(void*));
            UCHAR types[3] = {0xFF, 0xFF, 0xFF};
            for (ULONG i = 0; i < rows; ++i) {
                if (row[i].processId != GetCurrentProcessId()) continue;
                for (int k = 0; k < 3; ++k) {
                    if (reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(row[i].handle)) == samples[k])
                        types[k] = row[i].typeIndex;
                }
            }
            for (ULONG i = 0; i < rows; ++i) {
                const UCHAR type = row[i].typeIndex;
                if (row[i].processId == GetCurrentProcessId() &&
                    (type == types[0] || type == types[1] || type == types[2]))
                    ++count;
            }
            count -= 3;  // the samples
            HeapFree(GetProcessHeap(), 0, table);
            break;
        }
        HeapFree(GetProcessHeap(), 0, table);
    }
    for (HANDLE sample : samples) CloseHandle(sample);
    return count;
}
