// What the bench compares and what it records of each run: the contenders,
// one run's sample, the clock every sample is timed with, and the progress
// log on stderr.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>

enum Contender { kProgram, kBatch, kFloor, kWindowFloor, kContenders };
inline const char* const kNames[kContenders] = {"RestartRealname.exe", "batch (cmd /c .bat)",
                                                "floor_restart.exe", "floor_window.exe"};
inline const char* const kShort[kContenders] = {"program", "batch", "floor", "wfloor"};

// Both floors run the same restart and hand over to the bench the same way.
inline bool IsFloor(int contender) { return contender == kFloor || contender == kWindowFloor; }

struct Sample {
    int contender = 0;
    int round = 0;
    bool ok = false;
    double latencyMs = -1;  // start -> new target's first log line
    double windowMs = -1;   // start -> main window visible (program only)
    double boxMs = -1;      // start -> completion box visible (program only)
    double readMs = -1;     // box seen -> figures read and box confirmed
    double wallMs = -1;     // start -> restarter ended
    double cpuMs = -1;      // CPU time of the restarter (see Summary for how it is read)
    double cpuTickMs = -1;  // under Wine: the same from Linux's 10 ms tick counts
    double peakKiB = -1;    // peak working set of the restarter
    DWORD exitCode = 0xDEAD;
};

// System time in 100 ns units, as precise as the system keeps it; the new
// target logs the same clock ("ft"), so the two can be subtracted.
inline unsigned long long PreciseNow() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// Milliseconds between two PreciseNow() readings (negative when `to` is earlier).
inline double Ms(unsigned long long from, unsigned long long to) {
    return static_cast<double>(static_cast<long long>(to - from)) / 10000.0;
}

// Progress and trouble go to stderr at once; stdout carries the summary.
inline void Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
}
