// Runs the contenders, one run at a time, against a fake target in a scratch
// folder: each run starts with exactly one target running and idle, starts
// the restarter, watches it in a 1 ms loop and times the new target's start.
#pragma once

#include <windows.h>

#include <string>

#include "measure.h"
#include "program_run.h"
#include "sample.h"

class Bench {
public:
    // `program` is RestartRealname.exe; the target, the batch file and the
    // target's log go to `folder`; both floors lie next to this exe.
    Bench(const std::string& program, const std::string& folder);
    ~Bench();
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    // All four restarters and the target exist, and the floor's events were made.
    bool Ready() const;
    // One run of `contender`; the sample's ok tells whether it went right.
    Sample Run(int contender, int round);
    // True once the prefix stayed busy with someone else's processes.
    bool Aborted() const { return aborted_; }

private:
    // Timestamps of one run's watch loop (PreciseNow units, 0 = not seen).
    struct Watched {
        unsigned long long windowAt = 0, boxAt = 0, doneAt = 0, readAt = 0, endAt = 0;
    };

    bool OneIdleTarget(DWORD* pid);
    Watched Watch(const Started& restarter, const std::string& exe, unsigned long long start,
                  unsigned long long logSize, Sample* sample);
    bool NewTarget(size_t logged, DWORD old, TargetStart* fresh) const;

    std::string program_, folder_, target_, floor_, windowFloor_, batch_, cmd_, log_;
    std::string floorDoneName_, floorGoName_;
    HANDLE floorDone_ = NULL, floorGo_ = NULL;
    RestarterFigures figures_;
    StartedSet started_;  // every target instance: ended by pid when the bench is done
    bool aborted_ = false;
};
