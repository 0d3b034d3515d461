// The restart as the operator meets it: the real program against the fake
// target under Wine, from the lookup to the completion box and the exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "program_run.h"

namespace {

constexpr char kTitle[] = "提示";

struct Outcome {
    std::string boxTitle, boxText;
    bool boxHasIcon = false;
    DWORD exitCode = 0xDEAD;
};

// Runs the program to its box, reads the box, confirms it and waits for the end.
Outcome RunToTheBox(const ProgramOptions& options, StartedSet& started) {
    Outcome outcome;
    const Started program = started.Add(StartRestartProgram(options));
    HWND box = WaitBox(program.pid, 15000);
    if (!box) return outcome;
    outcome.boxTitle = DescribeWindow(box).title;
    outcome.boxText = BoxText(box);
    outcome.boxHasIcon = BoxHasIcon(box);
    DismissBox(box, Dismiss::OkButton);
    outcome.exitCode = ExitCodeOf(program, 10000);
    return outcome;
}

std::vector<int> BarSteps(const std::string& trace) {
    std::vector<int> steps;
    for (const std::string& line : ReadFileLines(trace)) {
        if (line.rfind("bar ", 0) == 0) steps.push_back(std::atoi(line.c_str() + 4));
    }
    return steps;
}

unsigned long TraceTick(const std::string& trace, const std::string& prefix) {
    for (const std::string& line : ReadFileLines(trace)) {
        if (line.rfind(prefix, 0) == 0) return std::strtoul(line.c_str() + prefix.size(), nullptr, 10);
    }
    return 0;
}

}  // namespace

// The whole run: the old instance is gone, one new instance runs from the
// same file, started quoted, in the program's folder, while the main window
// was still hidden; the bar ran 1..100; the box says so; every way of
// confirming it ends the program with 0.
TEST(Restart, HappyPath) {
    const Dismiss ways[] = {Dismiss::OkButton, Dismiss::Enter, Dismiss::Escape, Dismiss::CloseButton};
    for (Dismiss way : ways) {
        SCOPED_TRACE(static_cast<int>(way));
        ScratchFolder folder("restart happy");
        const std::string trace = folder.dir + "\\trace.txt";
        StartedSet started;
        const std::string exe = PlaceTarget(folder.dir);
        const DWORD old = started.Add(StartTarget(exe)).pid;
        ASSERT_TRUE(old);

        const Started program = started.Add(StartRestartProgram({true, "", trace}));
        HWND box = WaitBox(program.pid, 15000);
        started.AdoptTargetsStartedIn(folder.dir);
        ASSERT_TRUE(box);
        HWND window = WaitForWindow(program.pid, kMainWindowClass, 1000);
        const WindowInfo boxInfo = DescribeWindow(box);
        EXPECT_EQ(boxInfo.title, kTitle);
        EXPECT_EQ(BoxText(box), kDone);
        EXPECT_EQ(BoxButtons(box).size(), 1u);
        EXPECT_FALSE(BoxHasIcon(box));
        EXPECT_EQ(boxInfo.owner, window);
        EXPECT_FALSE(IsWindowEnabled(window));

        EXPECT_FALSE(IsRunning(old));
        const std::vector<DWORD> now = PidsNamed(kTargetName);
        ASSERT_EQ(now.size(), 1u);
        const std::vector<TargetStart> starts = ReadTargetLog(folder.dir);
        ASSERT_EQ(starts.size(), 2u);
        const TargetStart& relaunched = starts[1];
        EXPECT_EQ(relaunched.pid, now[0]);
        EXPECT_EQ(relaunched.path, starts[0].path);
        EXPECT_EQ(relaunched.cmdline, "\"" + starts[0].path + "\"");
        EXPECT_EQ(relaunched.cwd, ExeDir());
        EXPECT_EQ(relaunched.show, SW_SHOWNORMAL);
        EXPECT_NE(relaunched.mainVisible, 1);

        std::vector<int> expected(100);
        for (int i = 0; i < 100; ++i) expected[i] = i + 1;
        EXPECT_EQ(BarSteps(trace), expected);
        EXPECT_GT(TraceIndex(trace, "worker box"), TraceIndex(trace, "bar 100"));
        EXPECT_GE(TraceTick(trace, "worker box tick=") - TraceTick(trace, "worker start tick="), 1000u);

        DismissBox(box, way);
        EXPECT_EQ(ExitCodeOf(program, 10000), 0u);
        EXPECT_EQ(TraceIndex(trace, "outcome 1 "), TraceIndex(trace, "outcome"));
        // The worker's end request was carried out on the user-interface thread.
        EXPECT_TRUE(ShutdownRanOnUiThread(trace));
    }
}

// The shipped program, once, as an operator starts it.
TEST(Restart, ShippedProgramRestartsTheTarget) {
    ScratchFolder folder("restart shipped");
    StartedSet started;
    const DWORD old = started.Add(StartTarget(PlaceTarget(folder.dir))).pid;
    const Outcome outcome = RunToTheBox({}, started);
    started.AdoptTargetsStartedIn(folder.dir);
    EXPECT_EQ(outcome.boxTitle, kTitle);
    EXPECT_EQ(outcome.boxText, kDone);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_FALSE(IsRunning(old));
    EXPECT_EQ(PidsNamed(kTargetName).size(), 1u);
}

// What the operator is told, and what is left running, when the restart
// cannot be done.
TEST(Restart, TargetNotRunningOrOnlyUnderAnotherCase) {
    for (const char* name : {"", "auditrealnamemain.exe"}) {
        SCOPED_TRACE(name);
        ScratchFolder folder("restart missing");
        StartedSet started;
        DWORD other = 0;
        if (*name) other = started.Add(StartTarget(PlaceTarget(folder.dir, "", name))).pid;
        const Outcome outcome = RunToTheBox({}, started);
        EXPECT_EQ(outcome.boxText, kNotFound);
        EXPECT_TRUE(outcome.boxHasIcon);
        EXPECT_EQ(outcome.exitCode, 1u);
        EXPECT_TRUE(PidsNamed(kTargetName).empty());
        if (other) EXPECT_TRUE(IsRunning(other));  // left alone: it could not be started again
        EXPECT_EQ(ReadTargetLog(folder.dir).size(), *name ? 1u : 0u);
    }
}

// A path with spaces is started quoted: the planted "<folder>\Audit.exe" that
// an unquoted command line would run never starts.
TEST(Restart, PathWithSpacesStartsExactlyThatFile) {
    ScratchFolder folder("restart spaces");
    const std::string inner = folder.dir + "\\Audit Client";
    ASSERT_TRUE(CreateDirectoryA(inner.c_str(), nullptr));
    PlaceTarget(folder.dir, "", "Audit.exe");
    StartedSet started;
    started.Add(StartTarget(PlaceTarget(inner)));
    const Outcome outcome = RunToTheBox({}, started);
    started.AdoptTargetsStartedIn(inner);
    started.AdoptTargetsStartedIn(folder.dir);
    EXPECT_EQ(outcome.boxText, kDone);
    EXPECT_TRUE(ReadTargetLog(folder.dir).empty());
    EXPECT_EQ(ReadTargetLog(inner).size(), 2u);
}

// A window titled like the target but owned by another program is passed
// over: that program keeps running, and the target is restarted.
TEST(Restart, UnrelatedWindowWithTheTargetsTitleSurvives) {
    ScratchFolder folder("restart title"), other("restart other");
    StartedSet started;
    const DWORD unrelated =
        started.Add(StartTarget(PlaceTarget(other.dir, "title=AuditRealnamemain.exe", "Unrelated.exe"))).pid;
    ASSERT_TRUE(FindWindowA(nullptr, kTargetName));
    const DWORD old = started.Add(StartTarget(PlaceTarget(folder.dir))).pid;
    const Outcome outcome = RunToTheBox({}, started);
    started.AdoptTargetsStartedIn(folder.dir);
    EXPECT_EQ(outcome.boxText, kDone);
    EXPECT_TRUE(IsRunning(unrelated));
    EXPECT_FALSE(IsRunning(old));
    EXPECT_EQ(PidsNamed(kTargetName).size(), 1u);
}

// Up to three instances are ended, each a different one, and one is started.
TEST(Restart, SeveralInstances) {
    for (std::size_t count : {2u, 3u, 4u}) {
        SCOPED_TRACE(count);
        std::vector<std::unique_ptr<ScratchFolder>> folders;
        StartedSet started;
        std::vector<DWORD> old;
        for (std::size_t i = 0; i < count; ++i) {
            folders.push_back(std::make_unique<ScratchFolder>("restart many"));
            old.push_back(started.Add(StartTarget(PlaceTarget(folders.back()->dir))).pid);
        }
        const std::vector<DWORD> order = PidsNamed(kTargetName);
        const Outcome outcome = RunToTheBox({}, started);
        for (const auto& folder : folders) started.AdoptTargetsStartedIn(folder->dir);
        EXPECT_EQ(outcome.boxText, kDone);
        const std::size_t survivors = count > 3 ? count - 3 : 0;
        EXPECT_EQ(PidsNamed(kTargetName).size(), survivors + 1);
        std::size_t stillRunning = 0;
        for (DWORD pid : old) stillRunning += IsRunning(pid) ? 1 : 0;
        EXPECT_EQ(stillRunning, survivors);
        // The new instance comes from the first instance's file, in snapshot order.
        std::size_t first = std::find(old.begin(), old.end(), order[0]) - old.begin();
        EXPECT_EQ(ReadTargetLog(folders[first]->dir).size(), 2u);
    }
}

// A target that refuses a second copy while one runs: the old one is gone
// before the new one starts, so exactly one runs afterwards.
TEST(Restart, SingleInstanceTarget) {
    ScratchFolder folder("restart single");
    StartedSet started;
    started.Add(StartTarget(PlaceTarget(folder.dir, "single")));
    const Outcome outcome = RunToTheBox({}, started);
    started.AdoptTargetsStartedIn(folder.dir);
    EXPECT_EQ(outcome.boxText, kDone);
    EXPECT_EQ(PidsNamed(kTargetName).size(), 1u);
    EXPECT_EQ(ReadFileText(folder.dir + "\\fake_target.log").find("refused"), std::string::npos);
}

// The outcomes that start nothing, in the test build: the file is gone after
// the lookup, or no end request is accepted. A failed start leaves its
// error code in the trace (2: the file is gone).
TEST(Restart, LaunchFailsOrNothingEnded) {
    const struct {
        const char* inject;
        const char* text;
        std::size_t runningAfter;
        bool launchTried;
    } cases[] = {{"delete-target", kNotStarted, 0, true}, {"end-refused", kNotEnded, 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inject);
        ScratchFolder folder("restart fails");
        const std::string trace = folder.dir + "\\trace.txt";
        StartedSet started;
        started.Add(StartTarget(PlaceTarget(folder.dir)));
        const Outcome outcome = RunToTheBox({true, c.inject, trace}, started);
        started.AdoptTargetsStartedIn(folder.dir);
        EXPECT_EQ(outcome.boxText, c.text);
        EXPECT_TRUE(outcome.boxHasIcon);
        EXPECT_EQ(outcome.exitCode, 1u);
        EXPECT_EQ(PidsNamed(kTargetName).size(), c.runningAfter);
        EXPECT_EQ(ReadTargetLog(folder.dir).size(), 1u);
        EXPECT_EQ(TraceHas(trace, "launch failed error=2"), c.launchTried) << ReadFileText(trace);
    }
}

// Without a worker the bar stays at 0 and no box comes; closing the window
// ends the program with 0.
TEST(Restart, WorkerThreadCannotBeCreated) {
    ScratchFolder folder("restart noworker");
    StartedSet started;
    started.Add(StartTarget(PlaceTarget(folder.dir)));
    const Started program = started.Add(StartRestartProgram({true, "worker-fails"}));
    HWND window = WaitForWindow(program.pid, kMainWindowClass, 10000);
    started.AdoptTargetsStartedIn(folder.dir);
    ASSERT_TRUE(window);
    EXPECT_FALSE(WaitBox(program.pid, 2000));
    DWORD_PTR position = 99;
    SendMessageTimeoutA(GetDlgItem(window, kProgressBarId), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 3000, &position);
    EXPECT_EQ(position, 0u);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ExitCodeOf(program, 10000), 0u);
}

// Closing the window while the bar moves always ends with 0: no box, no
// fault report, no hang.
TEST(Restart, ClosingWhileSteppingEndsWithZero) {
    std::srand(GetTickCount());
    for (int run = 0; run < 20; ++run) {
        StartedSet started;
        const Started program = started.Add(StartRestartProgram({}));
        HWND window = WaitForWindow(program.pid, kMainWindowClass, 10000);
        ASSERT_TRUE(window);
        Sleep(std::rand() % 800);
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        bool boxSeen = false;
        WaitUntil([&] {
            boxSeen = boxSeen || WaitBox(program.pid, 0);
            return WaitForSingleObject(program.process, 0) == WAIT_OBJECT_0;
        }, 10000);
        EXPECT_FALSE(boxSeen) << "run " << run;
        EXPECT_EQ(ExitCodeOf(program, 1000), 0u) << "run " << run;
    }
}
