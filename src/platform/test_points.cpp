// Only compiled into the test build.
#include "platform/test_points.h"

#include <windows.h>

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

unsigned long TestHandleCount() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}
