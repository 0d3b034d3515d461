// Measuring a restarter and the machine it runs on: its windows, CPU time
// and peak working set (from Linux when under Wine), and how fine the clock
// and how long the sleeps are here.
#pragma once

#include <windows.h>

#include <string>

#include "sample.h"

// A top-level window of `pid` with class `className`, or null.
HWND WindowOf(DWORD pid, const char* className);
unsigned long long FileSize(const std::string& path);  // 0 when missing

bool UnderWine();
std::string WineVersion();  // "Wine x.y", or "Windows (not Wine)"

// Peak working set of a process, in KiB; -1 when it cannot be read.
double PeakKiBOf(HANDLE process);
// User plus kernel time of an ended process, through GetProcessTimes; only
// meaningful on Windows (see RestarterFigures).
double EndedCpuMs(HANDLE process);

// The figures of a restarter that has done its work but not yet ended.
// Under Wine GetProcessTimes answers for the caller only, so CPU time is read
// from Linux; the Linux process is found by its name and this prefix.
class RestarterFigures {
public:
    RestarterFigures();
    bool Wine() const { return wine_; }
    // The Linux pid of the running `exe`; 0 when not under Wine or not found.
    unsigned long LinuxPid(const std::string& exe) const;
    // Fills sample's peakKiB and, under Wine, cpuMs and cpuTickMs; looks up
    // *linuxPid first when it is still 0.
    void Take(HANDLE process, const std::string& exe, unsigned long* linuxPid, Sample* sample) const;

private:
    bool wine_;
    std::string prefixEntry_;  // "WINEPREFIX=...", which Wine passes on to Linux
};

// How long the sleeps the program and the bench rely on last here, and how
// fine the clock behind every timestamp is.
struct Timers {
    double sleep10Ms = -1, sleep1Ms = -1, clockStepUs = -1;
};
Timers MeasureTimers();
