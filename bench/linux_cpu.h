// CPU time of a process as Linux counts it, for runs under Wine: there
// GetProcessTimes reports the caller's own times whatever handle it is given,
// and only in 10 ms ticks. Linux files are reached through Wine's "unix"
// path prefix (kUnixProc); on Windows none of this is found and the callers
// use the Win32 figures.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "driver.h"

const char kUnixProc[] = "\\\\?\\unix\\proc\\";

struct LinuxCpu {
    double tickMs = -1;   // utime + stime of the whole process, 10 ms ticks
    double schedMs = -1;  // run time of its live threads, to the nanosecond
};

// `process` is a Linux pid. Not "self": Wine opens files in its server
// process, so that would be the server.
inline LinuxCpu LinuxCpuOf(const std::string& process) {
    LinuxCpu cpu;
    const std::string dir = kUnixProc + process;
    // Fields after the parenthesised name: state is the first, utime the 12th.
    const std::string stat = ReadFileText(dir + "\\stat");
    const size_t close = stat.rfind(')');
    if (close != std::string::npos) {
        const char* at = stat.c_str() + close + 1;
        unsigned long long ticks = 0;
        for (int field = 1; field <= 13 && *at; ++field) {
            while (*at == ' ') ++at;
            if (field >= 12) ticks += std::strtoull(at, NULL, 10);
            while (*at && *at != ' ') ++at;
        }
        cpu.tickMs = static_cast<double>(ticks) * 10.0;  // USER_HZ is 100 on Linux
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\task\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return cpu;
    unsigned long long ns = 0;
    bool any = false;
    do {
        if (found.cFileName[0] < '0' || found.cFileName[0] > '9') continue;
        const std::string sched = ReadFileText(dir + "\\task\\" + found.cFileName + "\\schedstat");
        if (sched.empty()) continue;
        ns += std::strtoull(sched.c_str(), NULL, 10);
        any = true;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (any) cpu.schedMs = static_cast<double>(ns) / 1e6;
    return cpu;
}

// The Linux pid of the one process whose name starts with `comm` (Linux
// keeps 15 characters) and whose environment holds `entry` ("NAME=value");
// 0 when there is none or more than one. Wine does not hand a Windows
// process's own environment to Linux, so `entry` is one Wine passes along,
// such as the prefix.
inline unsigned long LinuxPidOf(const std::string& comm, const std::string& entry) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(kUnixProc) + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    unsigned long pid = 0;
    int matches = 0;
    do {
        if (found.cFileName[0] < '0' || found.cFileName[0] > '9') continue;
        const std::string dir = kUnixProc + std::string(found.cFileName);
        if (ReadFileText(dir + "\\comm").compare(0, comm.size(), comm) != 0) continue;
        const std::string environment = ReadFileText(dir + "\\environ");
        // Entries are NUL-separated; match a whole entry.
        for (size_t at = 0; at < environment.size(); at += std::strlen(environment.c_str() + at) + 1) {
            if (entry == environment.c_str() + at) {
                pid = std::strtoul(found.cFileName, NULL, 10);
                ++matches;
                break;
            }
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return matches == 1 ? pid : 0;
}
