// Times RestartRealname.exe against two other ways of restarting the target
// under the same conditions, and writes a markdown summary.
//
//   bench_driver.exe --program <RestartRealname.exe> [--rounds N] [--warmup N]
//                    [--out <summary.md>] [--raw <samples.tsv>]
//
// Contenders, taking turns within every round so that drift in the machine
// hits them alike:
//   program  RestartRealname.exe: restart, then its 1..100 progress and the
//            completion box, which is confirmed as soon as it shows
//   batch    cmd /c restart.bat: taskkill /F /IM, then start "" "<path>"
//   floor    floor_restart.exe: snapshot, terminate, wait, CreateProcess, exit;
//            it signals "done" and waits for the bench before exiting, so
//            that its figures can be read as the program's are at its box
//
// Each run starts with exactly one fake target running and idle. Latency runs
// from the precise system time taken right before CreateProcess of the
// restarter to the "ft" the new target instance logs as its first act. For
// every contender the same 1 ms loop watches for the program's window and box,
// the floor's "done" and the target log, so the watching costs all three alike.
//
// fake_target.exe and floor_restart.exe are expected next to this exe.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "linux_cpu.h"
#include "program_run.h"

namespace {

enum Contender { kProgram, kBatch, kFloor, kContenders };
const char* const kNames[kContenders] = {"RestartRealname.exe", "batch (cmd /c .bat)",
                                         "floor_restart.exe"};
const char* const kShort[kContenders] = {"program", "batch", "floor"};

constexpr DWORD kRunTimeoutMs = 20000;
constexpr DWORD kSettleMs = 150;
constexpr double kQuietWaitMs = 120000;
constexpr unsigned long long kExeSizeTarget = 64 * 1024;

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

unsigned long long PreciseNow() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

double Ms(unsigned long long from, unsigned long long to) {
    return static_cast<double>(static_cast<long long>(to - from)) / 10000.0;
}

void Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
}

// A top-level window of `pid` with class `className`, or null. FindWindowEx
// keeps each poll to a couple of server calls.
HWND WindowOf(DWORD pid, const char* className) {
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, className, NULL)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid) return window;
    }
    return NULL;
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
}

double PeakKiBOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) return -1;
    return static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;
}

bool Alive(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

// The figures of a restarter that has done its work but not yet ended.
struct Figures {
    double cpuMs = -1, cpuTickMs = -1, peakKiB = -1;
};

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return path.substr(slash == std::string::npos ? 0 : slash + 1);
}

class Bench {
public:
    Bench(const std::string& program, const std::string& folder)
        : program_(program), folder_(folder) {
        target_ = PlaceTarget(folder_);
        floor_ = ExeDir() + "\\floor_restart.exe";
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
        char prefix[MAX_PATH * 2] = {};
        DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
        if (n && n < sizeof(prefix)) prefixEntry_ = std::string("WINEPREFIX=") + prefix;
    }

    ~Bench() {
        // Instances a failed run left behind are ended with the rest, by pid,
        // when the pid still belongs to this bench's target file.
        for (const TargetStart& start : ReadTargetLog(folder_)) {
            if (lstrcmpiA(ProcessImagePath(start.pid).c_str(), target_.c_str()) == 0)
                started_.AdoptPid(start.pid);
        }
        if (floorDone_) CloseHandle(floorDone_);
        if (floorGo_) CloseHandle(floorGo_);
    }

    bool Ready() const {
        return floorDone_ && floorGo_ &&
               GetFileAttributesA(target_.c_str()) != INVALID_FILE_ATTRIBUTES &&
               GetFileAttributesA(floor_.c_str()) != INVALID_FILE_ATTRIBUTES &&
               GetFileAttributesA(program_.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    // Leaves exactly one target instance running, idle, and ours. Anything
    // else of the same names in the prefix (the end-to-end tests share it)
    // would be ended by the restarters or end theirs, so the bench waits up
    // to kQuietWaitMs for the prefix to be free, then gives up.
    bool OneIdleTarget(DWORD* pid) {
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
            HANDLE extra = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, live.front());
            if (extra) {
                TerminateProcess(extra, 1);
                WaitForSingleObject(extra, 3000);
                CloseHandle(extra);
            }
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

    Sample Run(int contender, int round) {
        Sample sample;
        sample.contender = contender;
        sample.round = round;
        DWORD old = 0;
        if (!OneIdleTarget(&old)) {
            aborted_ = true;
            return sample;
        }
        const size_t logged = ReadTargetLog(folder_).size();
        const unsigned long long logSize = LogSize();
        ResetEvent(floorDone_);
        ResetEvent(floorGo_);

        std::string exe, args;
        switch (contender) {
        case kProgram: exe = program_; break;
        case kBatch: exe = cmd_; args = "/c \"" + batch_ + "\""; break;
        case kFloor: exe = floor_; args = floorDoneName_ + " " + floorGoName_; break;
        }
        const unsigned long long start = PreciseNow();
        Started restarter = StartProgram(exe, args, folder_);
        if (!restarter.process) {
            Log("could not start %s (error %lu)\n", exe.c_str(), GetLastError());
            return sample;
        }

        // One loop for every contender: the program's window and box, the
        // floor's "done", the target log growing, the restarter ending.
        unsigned long long windowAt = 0, boxAt = 0, doneAt = 0, readAt = 0, endAt = 0;
        bool targetLogged = false;
        unsigned long linuxPid = 0;
        for (;;) {
            const unsigned long long now = PreciseNow();
            if (!targetLogged) targetLogged = LogSize() != logSize;
            if (!windowAt) {
                HWND window = WindowOf(restarter.pid, kMainWindowClass);
                if (window && IsWindowVisible(window)) {
                    windowAt = now;
                    // Looked up while the bar runs, not while the box waits.
                    linuxPid = FindLinuxPid(exe);
                }
            }
            if (!boxAt) {
                HWND box = WindowOf(restarter.pid, "#32770");
                if (box && IsWindowVisible(box)) {
                    boxAt = now;
                    TakeFigures(restarter, &linuxPid, exe, &sample);
                    readAt = PreciseNow();
                    DismissBox(box, Dismiss::OkButton);
                }
            }
            // The floor is read once the new target has logged, so that the
            // reading does not compete with the target's start.
            if (!doneAt && WaitForSingleObject(floorDone_, 0) == WAIT_OBJECT_0) doneAt = now;
            if (doneAt && !readAt && (targetLogged || Ms(doneAt, now) > 3000)) {
                TakeFigures(restarter, &linuxPid, exe, &sample);
                readAt = PreciseNow();
                SetEvent(floorGo_);
            }
            if (WaitForSingleObject(restarter.process, 0) == WAIT_OBJECT_0) {
                endAt = now;
                break;
            }
            if (Ms(start, now) > kRunTimeoutMs) break;
            Sleep(1);
        }
        if (!endAt) {
            Log("%s did not end within %lu ms\n", kShort[contender], kRunTimeoutMs);
            EndStarted(restarter);
            return sample;
        }
        GetExitCodeProcess(restarter.process, &sample.exitCode);
        if (!wine_ && contender != kBatch) {
            // Windows keeps the figures of an ended process for its handles.
            FILETIME created, exited, kernel, user;
            if (GetProcessTimes(restarter.process, &created, &exited, &kernel, &user))
                sample.cpuMs = Ms(0, (static_cast<unsigned long long>(kernel.dwHighDateTime) << 32 |
                                      kernel.dwLowDateTime) +
                                         (static_cast<unsigned long long>(user.dwHighDateTime) << 32 |
                                          user.dwLowDateTime));
        }
        EndStarted(restarter);

        // The new instance may log a moment after the restarter ended (start
        // returns before the target runs its first line).
        const TargetStart* fresh = nullptr;
        std::vector<TargetStart> starts;
        const unsigned long long waitFrom = PreciseNow();
        while (!fresh && Ms(waitFrom, PreciseNow()) < 5000) {
            starts = ReadTargetLog(folder_);
            for (size_t i = logged; i < starts.size(); ++i) {
                if (starts[i].pid != old) {
                    fresh = &starts[i];
                    break;
                }
            }
            if (!fresh) Sleep(1);
        }
        if (!fresh) {
            Log("%s: no new target instance was logged\n", kShort[contender]);
            return sample;
        }
        started_.AdoptPid(fresh->pid);
        if (Alive(old)) Log("%s: the old instance %lu still runs\n", kShort[contender], old);

        sample.latencyMs = Ms(start, fresh->ft);
        // The floor's work ends at "done"; what follows is the bench reading it.
        sample.wallMs = Ms(start, contender == kFloor && doneAt ? doneAt : endAt);
        if (windowAt) sample.windowMs = Ms(start, windowAt);
        if (boxAt) sample.boxMs = Ms(start, boxAt);
        if (boxAt || doneAt) sample.readMs = Ms(boxAt ? boxAt : doneAt, readAt);
        sample.ok = !Alive(old) && sample.exitCode == 0 &&
                    (contender != kProgram || (windowAt && boxAt)) && (contender != kFloor || doneAt);
        return sample;
    }

    bool Aborted() const { return aborted_; }

private:
    unsigned long long LogSize() const {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (!GetFileAttributesExA(log_.c_str(), GetFileExInfoStandard, &data)) return 0;
        return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }

    unsigned long FindLinuxPid(const std::string& exe) const {
        if (!wine_ || prefixEntry_.empty()) return 0;
        return LinuxPidOf(BaseName(exe).substr(0, 15), prefixEntry_);
    }

    // Peak working set through psapi; CPU time, under Wine, from Linux.
    void TakeFigures(const Started& restarter, unsigned long* linuxPid, const std::string& exe,
                     Sample* sample) const {
        sample->peakKiB = PeakKiBOf(restarter.process);
        if (!wine_) return;
        if (!*linuxPid) *linuxPid = FindLinuxPid(exe);
        if (!*linuxPid) return;
        const LinuxCpu cpu = LinuxCpuOf(std::to_string(*linuxPid));
        sample->cpuMs = cpu.schedMs;
        sample->cpuTickMs = cpu.tickMs;
    }

    std::string program_, folder_, target_, floor_, batch_, cmd_, log_;
    std::string floorDoneName_, floorGoName_, prefixEntry_;
    HANDLE floorDone_ = NULL, floorGo_ = NULL;
    const bool wine_ = UnderWine();
    StartedSet started_;  // every target instance: ended by pid when the bench is done
    bool aborted_ = false;
};

// ---- summary -----------------------------------------------------------------

struct Stats {
    size_t n = 0;
    double median = -1, min = -1, max = -1;
};

Stats StatsOf(const std::vector<Sample>& samples, int contender, double Sample::*field) {
    std::vector<double> values;
    for (const Sample& s : samples) {
        if (s.contender == contender && s.ok && s.*field >= 0) values.push_back(s.*field);
    }
    Stats stats;
    stats.n = values.size();
    if (values.empty()) return stats;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    stats.median = values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    stats.min = values.front();
    stats.max = values.back();
    return stats;
}

std::string Fixed(double value, int decimals = 1) {
    if (value < 0) return "n/a";
    char text[32];
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    return text;
}

std::string Row(std::initializer_list<std::string> cells) {
    std::string row = "|";
    for (const std::string& cell : cells) row += " " + cell + " |";
    return row + "\n";
}

std::string WineVersion() {
    typedef const char*(CDECL * VersionFn)(void);
    VersionFn version = reinterpret_cast<VersionFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    return version ? std::string("Wine ") + version() : std::string("Windows (not Wine)");
}

unsigned long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// How long the sleeps the program and the bench rely on last here, and how
// fine the clock behind every timestamp is.
struct Timers {
    double sleep10Ms = -1, sleep1Ms = -1, clockStepUs = -1;
};

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

std::string Summary(const std::vector<Sample>& samples, const std::string& program, int rounds,
                    int warmup, double seconds, const Timers& timers) {
    std::string md = "# RestartRealname benchmark\n\n";
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    md += WineVersion() + ", " + std::to_string(info.dwNumberOfProcessors) + " CPUs; " +
          std::to_string(rounds) + " measured rounds after " + std::to_string(warmup) +
          " warm-up round(s), contenders alternating within each round; " + Fixed(seconds, 0) +
          " s in all. Medians, with min..max.\n\n";

    md += "## 1. Restart latency (start of the restarter -> new target instance started)\n\n";
    md += Row({"contender", "median ms", "min..max ms", "runs ok"});
    md += Row({"---", "---:", "---:", "---:"});
    Stats latency[kContenders];
    for (int c = 0; c < kContenders; ++c) {
        latency[c] = StatsOf(samples, c, &Sample::latencyMs);
        md += Row({kNames[c], Fixed(latency[c].median), Fixed(latency[c].min) + " .. " + Fixed(latency[c].max),
                   std::to_string(latency[c].n) + "/" + std::to_string(rounds)});
    }
    const double ratio = latency[kFloor].median > 0 && latency[kProgram].median >= 0
                             ? latency[kProgram].median / latency[kFloor].median
                             : -1;
    md += "\n";
    md += Row({"target", "measured", "met"});
    md += Row({"---", "---", "---"});
    md += Row({"program / floor <= 1.25", Fixed(ratio, 2) + "x",
               ratio < 0 ? "n/a" : ratio <= 1.25 ? "yes" : "no"});
    const bool faster = latency[kProgram].median >= 0 && latency[kBatch].median >= 0 &&
                        latency[kProgram].median < latency[kBatch].median;
    md += Row({"program faster than batch",
               Fixed(latency[kProgram].median) + " vs " + Fixed(latency[kBatch].median) + " ms",
               faster ? "yes" : "no"});
    md += "\nThe floor imports kernel32 only and opens no window; the program, like any program "
          "with a window, also loads user32, gdi32 and comctl32 and creates its windows before it "
          "restarts the target (under Wine that includes starting the X11 display driver). The "
          "batch runs in the bench's console (no console window of its own): cmd, taskkill.exe, "
          "then start.exe, which starts the target through ShellExecuteEx.\n";

    md += "\n## 2. CPU time, wall time and peak working set of the restarter\n\n";
    const bool wine = UnderWine();
    md += Row({"contender", wine ? "CPU ms (ns clock, live threads)" : "CPU ms (user+kernel)",
               wine ? "CPU ms (10 ms ticks, whole process)" : "-", "wall ms", "peak working set KiB"});
    md += Row({"---", "---:", "---:", "---:", "---:"});
    auto cell = [&](int c, double Sample::*field, int decimals) {
        const Stats stats = StatsOf(samples, c, field);
        return Fixed(stats.median, decimals) + " (" + Fixed(stats.min, decimals) + " .. " +
               Fixed(stats.max, decimals) + ")";
    };
    for (int c : {kProgram, kFloor}) {
        md += Row({kNames[c], cell(c, &Sample::cpuMs, 1), wine ? cell(c, &Sample::cpuTickMs, 0) : "-",
                   cell(c, &Sample::wallMs, 1), cell(c, &Sample::peakKiB, 0)});
    }
    const Stats read = StatsOf(samples, kProgram, &Sample::readMs);
    md += "\nProgram: figures read at the completion box, just before it is confirmed, while all "
          "its threads still live; wall time runs from its start to its exit, through the "
          "progress and the box, and includes " + Fixed(read.median, 2) +
          " ms (median) the bench spends reading the figures before confirming. Floor: figures "
          "read the same way once it has started the new target and waits for the bench to let "
          "it exit; its wall time runs from its start to that point.";
    if (wine) {
        md += " Under Wine GetProcessTimes answers for the calling process only and in 10 ms "
              "ticks, so CPU time comes from Linux: the run time of each live thread "
              "(/proc/<pid>/task/*/schedstat, nanoseconds) and utime+stime of the whole process "
              "(/proc/<pid>/stat, 10 ms ticks, rounded down). Peak working set is Linux's VmHWM "
              "of the Wine process, which includes Wine's own DLLs and mappings.";
    }
    md += "\n";

    md += "\n## 3. RestartRealname.exe: start -> window and box\n\n";
    md += Row({"from the start of the program to", "median ms", "min..max ms"});
    md += Row({"---", "---:", "---:"});
    const Stats window = StatsOf(samples, kProgram, &Sample::windowMs);
    const Stats box = StatsOf(samples, kProgram, &Sample::boxMs);
    md += Row({"new target instance started", Fixed(latency[kProgram].median),
               Fixed(latency[kProgram].min) + " .. " + Fixed(latency[kProgram].max)});
    md += Row({"main window visible", Fixed(window.median), Fixed(window.min) + " .. " + Fixed(window.max)});
    md += Row({"completion box visible", Fixed(box.median), Fixed(box.min) + " .. " + Fixed(box.max)});
    std::vector<Sample> gaps;
    for (const Sample& s : samples) {
        if (s.contender != kProgram || !s.ok) continue;
        Sample gap = s;
        gap.boxMs = s.boxMs - s.windowMs;
        gaps.push_back(gap);
    }
    const Stats progress = StatsOf(gaps, kProgram, &Sample::boxMs);
    md += Row({"(window visible -> box visible)", Fixed(progress.median),
               Fixed(progress.min) + " .. " + Fixed(progress.max)});
    md += "\nWindow and box polled every ~1 ms (IsWindowVisible).\n";

    md += "\n## 4. Size of the shipped exe\n\n";
    const unsigned long long size = FileSize(program);
    md += Row({"file", "bytes", "KiB", "target", "met"});
    md += Row({"---", "---:", "---:", "---:", "---"});
    md += Row({"dist/RestartRealname.exe", std::to_string(size), Fixed(size / 1024.0, 1), "64 KiB",
               size && size <= kExeSizeTarget ? "yes" : "no"});

    md += "\n## 5. Clock and timers here\n\n";
    md += Row({"what", "measured"});
    md += Row({"---", "---:"});
    md += Row({"Sleep(10), as the progress uses it", Fixed(timers.sleep10Ms, 2) + " ms"});
    md += Row({"Sleep(1), as the bench polls", Fixed(timers.sleep1Ms, 2) + " ms"});
    md += Row({"GetSystemTimePreciseAsFileTime step", Fixed(timers.clockStepUs, 1) + " us"});
    md += "\nOn Windows at its default 15.625 ms timer tick a Sleep(10) lasts about 15.6 ms, so "
          "the 100 steps of the progress take about 1.56 s there unless some program has raised "
          "the timer resolution.\n";

    size_t failed = 0;
    for (const Sample& s : samples) failed += s.ok ? 0 : 1;
    if (failed) md += "\n" + std::to_string(failed) + " run(s) failed and are left out (see the raw samples).\n";
    return md;
}

std::string RawTable(const std::vector<Sample>& samples) {
    std::string tsv =
        "round\tcontender\tok\texit\tlatency_ms\twindow_ms\tbox_ms\tread_ms\twall_ms\tcpu_ms\tcpu_tick_ms\tpeak_kib\n";
    for (const Sample& s : samples) {
        tsv += std::to_string(s.round) + "\t" + kShort[s.contender] + "\t" + (s.ok ? "1" : "0") + "\t" +
               std::to_string(s.exitCode) + "\t" + Fixed(s.latencyMs, 2) + "\t" + Fixed(s.windowMs, 2) +
               "\t" + Fixed(s.boxMs, 2) + "\t" + Fixed(s.readMs, 2) + "\t" + Fixed(s.wallMs, 2) + "\t" +
               Fixed(s.cpuMs, 2) + "\t" + Fixed(s.cpuTickMs, 0) + "\t" + Fixed(s.peakKiB, 0) + "\n";
    }
    return tsv;
}

}  // namespace

int main(int argc, char** argv) {
    std::string program, out, raw;
    int rounds = 15, warmup = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--program") program = argv[i + 1];
        else if (key == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--warmup") warmup = std::max(0, std::atoi(argv[i + 1]));
        else if (key == "--out") out = argv[i + 1];
        else if (key == "--raw") raw = argv[i + 1];
    }
    if (program.empty()) {
        std::fprintf(stderr, "usage: bench_driver --program <RestartRealname.exe> [--rounds N] "
                             "[--warmup N] [--out file.md] [--raw file.tsv]\n");
        return 2;
    }

    const unsigned long long began = PreciseNow();
    const Timers timers = MeasureTimers();
    std::vector<Sample> samples;
    {
        ScratchFolder folder("rrbench");
        Bench bench(program, folder.dir);
        if (folder.dir.empty() || !bench.Ready()) {
            std::fprintf(stderr, "missing program, floor_restart.exe or fake_target.exe\n");
            return 2;
        }
        for (int round = -warmup; round < rounds && !bench.Aborted(); ++round) {
            const int turn = (round + warmup) % kContenders;
            for (int i = 0; i < kContenders && !bench.Aborted(); ++i) {
                const int contender = (turn + i) % kContenders;
                Sample sample = bench.Run(contender, round);
                Log("round %2d %-7s %s latency %7s ms  window %7s  box %7s  wall %7s  cpu %6s/%4s  peak %6s KiB\n",
                    round, kShort[contender], sample.ok ? "ok  " : "FAIL", Fixed(sample.latencyMs).c_str(),
                    Fixed(sample.windowMs).c_str(), Fixed(sample.boxMs).c_str(), Fixed(sample.wallMs).c_str(),
                    Fixed(sample.cpuMs).c_str(), Fixed(sample.cpuTickMs, 0).c_str(),
                    Fixed(sample.peakKiB, 0).c_str());
                if (round >= 0) samples.push_back(sample);
            }
        }
        if (bench.Aborted()) return 3;
        // The bench's target instances end here, then the scratch folder goes.
    }

    const std::string md = Summary(samples, program, rounds, warmup, Ms(began, PreciseNow()) / 1000.0, timers);
    std::fputs(md.c_str(), stdout);
    std::fflush(stdout);
    if (!out.empty()) WriteFileText(out, md);
    if (!raw.empty()) WriteFileText(raw, RawTable(samples));
    for (const Sample& s : samples) {
        if (!s.ok) return 1;
    }
    return 0;
}
