#include "measure.h"

#include <psapi.h>

#include <algorithm>

#include "linux_cpu.h"

// FindWindowEx keeps each poll to a couple of server calls, which matters
// in a loop that runs every millisecond beside the restarter.
HWND WindowOf(DWORD pid, const char* className) {
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, className, NULL)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid) return window;
    }
    return NULL;
}

unsigned long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

namespace {

typedef const char*(CDECL* WineVersionFn)(void);

WineVersionFn WineVersionEntry() {
    return reinterpret_cast<WineVersionFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
}

unsigned long long Ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return path.substr(slash == std::string::npos ? 0 : slash + 1);
}

}  // namespace

bool UnderWine() { return WineVersionEntry() != NULL; }

std::string WineVersion() {
    const WineVersionFn version = WineVersionEntry();
    return version ? std::string("Wine ") + version() : std::string("Windows (not Wine)");
}

double PeakKiBOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) return -1;
    return static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;
}

// Windows keeps the figures of an ended process for its handles.
double EndedCpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    return Ms(0, Ticks(kernel) + Ticks(user));
}

RestarterFigures::RestarterFigures() : wine_(UnderWine()) {
    char prefix[MAX_PATH * 2] = {};
    const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    if (n && n < sizeof(prefix)) prefixEntry_ = std::string("WINEPREFIX=") + prefix;
}

// Linux keeps 15 characters of a process name.
unsigned long RestarterFigures::LinuxPid(const std::string& exe) const {
    if (!wine_ || prefixEntry_.empty()) return 0;
    return LinuxPidOf(BaseName(exe).substr(0, 15), prefixEntry_);
}

// Peak working set through psapi; CPU time, under Wine, from Linux.
void RestarterFigures::Take(HANDLE process, const std::string& exe, unsigned long* linuxPid,
                            Sample* sample) const {
    sample->peakKiB = PeakKiBOf(process);
    if (!wine_) return;
    if (!*linuxPid) *linuxPid = LinuxPid(exe);
    if (!*linuxPid) return;
    const LinuxCpu cpu = LinuxCpuOf(std::to_string(*linuxPid));
    sample->cpuMs = cpu.schedMs;
    sample->cpuTickMs = cpu.tickMs;
}

Timers MeasureTimers() {
    Timers timers;
    unsigned long long from = PreciseNow();
    for (int i = 0; i < 20; ++i) Sleep(10);
    timers.sleep10Ms = Ms(from, PreciseNow()) / 20;
    from = PreciseNow();
    for (int i = 0; i < 50; ++i) Sleep(1);
    timers.sleep1Ms = Ms(from, PreciseNow()) / 50;
    unsigned long long step = ~0ull, last = PreciseNow();
    for (int i = 0; i < 100000 && step > 1; ++i) {
        const unsigned long long now = PreciseNow();
        if (now != last) step = std::min(step, now - last);
        last = now;
    }
    timers.clockStepUs = step / 10.0;
    return timers;
}
