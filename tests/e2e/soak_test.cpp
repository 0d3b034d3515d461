// Many restarts in a row, and the handles one restart holds: the program
// against a running fake target under Wine, run after run, must leave
// exactly one target behind and nothing else; the test build's handle count
// is the same after the restart sequence as before it, whatever the outcome.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <iterator>
#include <map>
#include <vector>
#include <string>

#include "program_run.h"

namespace {

constexpr char kTestProgramName[] = "RestartRealname-test.exe";

constexpr int kSoakRuns = 30;

// True in the 64-bit prefix, where this 32-bit test runs under WOW64.
bool UnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// Every running process, pid -> parent pid.
std::map<DWORD, DWORD> Parents() {
    std::map<DWORD, DWORD> parents;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return parents;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Process32First(snap, &entry); ok; ok = Process32Next(snap, &entry))
        parents[entry.th32ProcessID] = entry.th32ParentProcessID;
    CloseHandle(snap);
    return parents;
}

// The processes that `parent` started and that still run: those new since
// `before` whose parent it is. Other test programs may run in the prefix
// meanwhile, and Wine reuses pids (an older process may name a long-gone
// parent with the same pid), so only new children of the program count.
std::vector<DWORD> NewChildrenOf(DWORD parent, const std::map<DWORD, DWORD>& before) {
    std::vector<DWORD> children;
    for (const auto& [pid, itsParent] : Parents()) {
        if (itsParent == parent && !before.count(pid)) children.push_back(pid);
    }
    return children;
}

bool SamePath(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

// Whatever a test leaves behind in `folder` (each target instance it caused
// to start) is handed to `started` before that ends its processes: declare
// it after the set.
struct EndTargetsStartedIn {
    std::string folder;
    StartedSet& started;
    ~EndTargetsStartedIn() { started.AdoptTargetsStartedIn(folder); }
};

struct TraceOutcome {
    int outcome = 0;
    unsigned long before = 0, after = 0;
    bool found = false;
};

// The test build's "outcome <n> handles before=<a> after=<b>" line.
TraceOutcome ReadOutcome(const std::string& trace) {
    TraceOutcome read;
    for (const std::string& line : ReadFileLines(trace)) {
        if (std::sscanf(line.c_str(), "outcome %d handles before=%lu after=%lu", &read.outcome, &read.before,
                        &read.after) == 3) {
            read.found = true;
            break;
        }
    }
    return read;
}

}  // namespace

// The program, thirty times against the instance the previous run started
// (in the 64-bit prefix a 64-bit target): every run ends with its completion
// box and code 0, the old instance is gone, one instance runs from the same
// file, and the new instance is the only process the program left behind.
// It runs the test build without injections, whose trace says what a run
// that went wrong met (a failed start's error code, say); the shipped exe
// itself is restarted end to end by Restart.ShippedProgramRestartsTheTarget.
TEST(Soak, ThirtyRestartsInARow) {
    ScratchFolder folder("soak");
    StartedSet started;
    EndTargetsStartedIn leftovers{folder.dir, started};
    const std::string exe = PlaceTarget(folder.dir, "", kTargetName, UnderWow64());
    Started current = started.Add(StartTarget(exe));
    ASSERT_TRUE(current.pid);
    const std::vector<TargetStart> first = ReadTargetLog(folder.dir);
    ASSERT_EQ(first.size(), 1u);
    const std::string firstPath = first[0].path;
    ASSERT_TRUE(SamePath(firstPath, exe)) << firstPath;

    for (int run = 1; run <= kSoakRuns && !::testing::Test::HasFailure(); ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const std::map<DWORD, DWORD> before = Parents();
        const std::string trace = folder.dir + "\\trace" + std::to_string(run) + ".txt";
        const Started program = started.Add(StartRestartProgram({true, "", trace}));
        ASSERT_TRUE(program.pid);
        HWND box = WaitBox(program.pid, 15000);
        ASSERT_TRUE(box);
        EXPECT_EQ(BoxText(box), kDone) << ReadFileText(trace);
        DismissBox(box, Dismiss::OkButton);
        EXPECT_EQ(ExitCodeOf(program, 10000), 0u);

        // The program waits for the old instance before it starts the new one.
        EXPECT_TRUE(WaitExit(current.process, 0, nullptr)) << "old instance " << current.pid << " still runs";
        const std::vector<TargetStart> starts = ReadTargetLog(folder.dir);
        EXPECT_EQ(starts.size(), static_cast<std::size_t>(run) + 1) << "one start per run";
        ASSERT_GT(starts.size(), static_cast<std::size_t>(run)) << "nothing started";
        current = started.AdoptPid(starts.back().pid);
        ASSERT_TRUE(current.pid) << "relaunched instance " << starts.back().pid << " is not running";
        EXPECT_EQ(starts.back().path, firstPath);

        EXPECT_EQ(PidsNamed(kTargetName), std::vector<DWORD>{current.pid});
        EXPECT_TRUE(SamePath(ProcessImagePath(current.pid), exe)) << ProcessImagePath(current.pid);
        EXPECT_TRUE(PidsNamed(kTestProgramName).empty());

        EXPECT_EQ(NewChildrenOf(program.pid, before), std::vector<DWORD>{current.pid}) << "stray processes";
    }
}

// The test build counts its handles before and after the restart sequence:
// every outcome closes all it opened on the way (process list, process
// handles, the started program's handles).
TEST(HandleLeaks, EveryOutcomeClosesWhatItOpened) {
    const struct {
        const char* what;
        bool targetRunning;
        const char* inject;
        int outcome;
        const char* text;
        DWORD exitCode;
    } cases[] = {
        {"restarted", true, "", 1, kDone, 0},
        {"not found", false, "", 2, kNotFound, 1},
        {"not ended", true, "end-refused", 3, kNotEnded, 1},
        {"launch failed", true, "delete-target", 4, kNotStarted, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder("handles");
        const std::string trace = folder.dir + "\\trace.txt";
        StartedSet started;
        EndTargetsStartedIn leftovers{folder.dir, started};
        if (c.targetRunning) ASSERT_TRUE(started.Add(StartTarget(PlaceTarget(folder.dir))).pid);

        const Started program = started.Add(StartRestartProgram({true, c.inject, trace}));
        ASSERT_TRUE(program.pid);
        HWND box = WaitBox(program.pid, 15000);
        ASSERT_TRUE(box);
        EXPECT_EQ(BoxText(box), c.text);
        DismissBox(box, Dismiss::OkButton);
        EXPECT_EQ(ExitCodeOf(program, 10000), c.exitCode);
        EXPECT_TRUE(PidsNamed(kTestProgramName).empty());

        const TraceOutcome read = ReadOutcome(trace);
        ASSERT_TRUE(read.found) << ReadFileText(trace);
        EXPECT_EQ(read.outcome, c.outcome);
        EXPECT_EQ(read.after, read.before);
    }
}
