#include "contender_run.h"

#include <algorithm>
#include <vector>

namespace {

constexpr DWORD kRunTimeoutMs = 20000;
constexpr DWORD kSettleMs = 150;
constexpr double kQuietWaitMs = 120000;

}  // namespace

Bench::Bench(const std::string& program, const std::string& folder)
    : program_(program), folder_(folder) {
    target_ = PlaceTarget(folder_);
    floor_ = ExeDir() + "\\floor_restart.exe";
    windowFloor_ = ExeDir() + "\\floor_window.exe";
    batch_ = folder_ + "\\restart.bat";
    WriteFileText(batch_, "@echo off\r\n"
                          "taskkill /F /IM " + std::string(kTargetName) + " >nul 2>&1\r\n"
                          "start \"\" \"" + target_ + "\"\r\n");
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof(system));
    cmd_ = std::string(system) + "\\cmd.exe";
    log_ = folder_ + "\\fake_target.log";
    const std::string events = "Local\\rrbench_" + std::to_string(GetCurrentProcessId());
    floorDoneName_ = events + "_done";
    floorGoName_ = events + "_go";
    floorDone_ = CreateEventA(NULL, TRUE, FALSE, floorDoneName_.c_str());
    floorGo_ = CreateEventA(NULL, TRUE, FALSE, floorGoName_.c_str());
}

Bench::~Bench() {
    // Instances a failed run left behind are ended with the rest, by pid,
    // when the pid still belongs to this bench's target file.
    for (const TargetStart& start : ReadTargetLog(folder_)) {
        if (lstrcmpiA(ProcessImagePath(start.pid).c_str(), target_.c_str()) == 0)
            started_.AdoptPid(start.pid);
    }
    if (floorDone_) CloseHandle(floorDone_);
    if (floorGo_) CloseHandle(floorGo_);
}

bool Bench::Ready() const {
    return floorDone_ && floorGo_ && GetFileAttributesA(target_.c_str()) != INVALID_FILE_ATTRIBUTES &&
           GetFileAttributesA(floor_.c_str()) != INVALID_FILE_ATTRIBUTES &&
           GetFileAttributesA(windowFloor_.c_str()) != INVALID_FILE_ATTRIBUTES &&
           GetFileAttributesA(program_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Leaves exactly one target instance running, idle, and ours. Anything else
// of the same names in the prefix (the end-to-end tests share it) would be
// ended by the restarters or end theirs, so the bench waits up to
// kQuietWaitMs for the prefix to be free, then gives up.
bool Bench::OneIdleTarget(DWORD* pid) {
    std::vector<DWORD> live;
    const unsigned long long from = PreciseNow();
    bool told = false;
    for (;;) {
        std::vector<DWORD> ours;
        for (const TargetStart& start : ReadTargetLog(folder_)) ours.push_back(start.pid);
        live = PidsNamed(kTargetName);
        DWORD foreign = 0;
        for (DWORD each : live) {
            if (std::find(ours.begin(), ours.end(), each) == ours.end()) foreign = each;
        }
        for (const char* other : {"RestartRealname.exe", "RestartRealname-test.exe"}) {
            const std::vector<DWORD> pids = PidsNamed(other);
            if (!pids.empty()) foreign = pids[0];
        }
        if (!foreign) break;
        if (Ms(from, PreciseNow()) > kQuietWaitMs) {
            Log("the prefix stayed busy (pid %lu); giving up\n", foreign);
            return false;
        }
        if (!told)
            Log("another restarter or target runs in this prefix (pid %lu, %s); waiting\n", foreign,
                ProcessImagePath(foreign).c_str());
        told = true;
        Sleep(500);
    }
    // Keep the newest; extra ones would only come from a failed run.
    while (live.size() > 1) {
        Started extra = {live.front(), OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, live.front())};
        EndStarted(extra);
        live.erase(live.begin());
    }
    if (live.empty()) {
        const Started started = started_.Add(StartTarget(target_));
        if (!started.pid) {
            Log("could not start the target %s (error %lu)\n", target_.c_str(), GetLastError());
            return false;
        }
        live.push_back(started.pid);
    } else {
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, live[0]);
        if (process) {
            WaitForInputIdle(process, 5000);
            CloseHandle(process);
        }
    }
    Sleep(kSettleMs);
    *pid = live[0];
    return true;
}

// One loop for every contender, so that the watching costs all alike:
// the program's window and box, a floor's "done", the target log growing,
// the restarter ending. Ends with the restarter or after kRunTimeoutMs.
Bench::Watched Bench::Watch(const Started& restarter, const std::string& exe,
                            unsigned long long start, unsigned long long logSize, Sample* sample) {
    Watched at;
    bool targetLogged = false;
    unsigned long linuxPid = 0;
    for (;;) {
        const unsigned long long now = PreciseNow();
        if (!targetLogged) targetLogged = FileSize(log_) != logSize;
        if (!at.windowAt) {
            HWND window = WindowOf(restarter.pid, kMainWindowClass);
            if (window && IsWindowVisible(window)) {
                at.windowAt = now;
                // Looked up while the bar runs, not while the box waits.
                linuxPid = figures_.LinuxPid(exe);
            }
        }
        if (!at.boxAt) {
            HWND box = WindowOf(restarter.pid, "#32770");
            if (box && IsWindowVisible(box)) {
                at.boxAt = now;
                figures_.Take(restarter.process, exe, &linuxPid, sample);
                at.readAt = PreciseNow();
                DismissBox(box, Dismiss::OkButton);
            }
        }
        // The floor is read once the new target has logged, so that the
        // reading does not compete with the target's start.
        if (!at.doneAt && WaitForSingleObject(floorDone_, 0) == WAIT_OBJECT_0) at.doneAt = now;
        if (at.doneAt && !at.readAt && (targetLogged || Ms(at.doneAt, now) > 3000)) {
            figures_.Take(restarter.process, exe, &linuxPid, sample);
            at.readAt = PreciseNow();
            SetEvent(floorGo_);
        }
        if (WaitForSingleObject(restarter.process, 0) == WAIT_OBJECT_0) {
            at.endAt = now;
            break;
        }
        if (Ms(start, now) > kRunTimeoutMs) break;
        Sleep(1);
    }
    return at;
}

// The first instance logged after entry `logged` that is not `old`. It may
// log a moment after the restarter ended (start returns before the target
// runs its first line), so this waits up to 5 s for it.
bool Bench::NewTarget(size_t logged, DWORD old, TargetStart* fresh) const {
    const unsigned long long from = PreciseNow();
    for (;;) {
        const std::vector<TargetStart> starts = ReadTargetLog(folder_);
        for (size_t i = logged; i < starts.size(); ++i) {
            if (starts[i].pid != old) {
                *fresh = starts[i];
                return true;
            }
        }
        if (Ms(from, PreciseNow()) >= 5000) return false;
        Sleep(1);
    }
}

Sample Bench::Run(int contender, int round) {
    Sample sample;
    sample.contender = contender;
    sample.round = round;
    DWORD old = 0;
    if (!OneIdleTarget(&old)) {
        aborted_ = true;
        return sample;
    }
    const size_t logged = ReadTargetLog(folder_).size();
    const unsigned long long logSize = FileSize(log_);
    ResetEvent(floorDone_);
    ResetEvent(floorGo_);

    std::string exe, args;
    switch (contender) {
    case kProgram: exe = program_; break;
    case kBatch: exe = cmd_; args = "/c \"" + batch_ + "\""; break;
    case kFloor: exe = floor_; args = floorDoneName_ + " " + floorGoName_; break;
    case kWindowFloor: exe = windowFloor_; args = floorDoneName_ + " " + floorGoName_; break;
    }
    const unsigned long long start = PreciseNow();
    Started restarter = StartProgram(exe, args, folder_);
    if (!restarter.process) {
        Log("could not start %s (error %lu)\n", exe.c_str(), GetLastError());
        return sample;
    }
    const Watched at = Watch(restarter, exe, start, logSize, &sample);
    if (!at.endAt) {
        Log("%s did not end within %lu ms\n", kShort[contender], kRunTimeoutMs);
        EndStarted(restarter);
        return sample;
    }
    GetExitCodeProcess(restarter.process, &sample.exitCode);
    if (!figures_.Wine() && contender != kBatch) sample.cpuMs = EndedCpuMs(restarter.process);
    EndStarted(restarter);

    TargetStart fresh;
    if (!NewTarget(logged, old, &fresh)) {
        Log("%s: no new target instance was logged\n", kShort[contender]);
        return sample;
    }
    started_.AdoptPid(fresh.pid);
    if (IsRunning(old)) Log("%s: the old instance %lu still runs\n", kShort[contender], old);

    sample.latencyMs = Ms(start, fresh.ft);
    // A floor's work ends at "done"; what follows is the bench reading it.
    sample.wallMs = Ms(start, IsFloor(contender) && at.doneAt ? at.doneAt : at.endAt);
    if (at.windowAt) sample.windowMs = Ms(start, at.windowAt);
    if (at.boxAt) sample.boxMs = Ms(start, at.boxAt);
    if (at.boxAt || at.doneAt) sample.readMs = Ms(at.boxAt ? at.boxAt : at.doneAt, at.readAt);
    sample.ok = !IsRunning(old) && sample.exitCode == 0 &&
                (contender != kProgram || (at.windowAt && at.boxAt)) && (!IsFloor(contender) || at.doneAt);
    return sample;
}
