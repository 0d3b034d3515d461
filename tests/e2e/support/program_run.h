#pragma once
// The program under test and its fake target, as the end-to-end tests start
// them. Everything a test starts is ended by pid when the test leaves.
#include <string>
#include <vector>

#include "driver.h"

constexpr char kTargetName[] = "AuditRealnamemain.exe";
constexpr char kMainWindowClass[] = "RestartRealnameWindow";
constexpr unsigned kProgressBarId = 0x16010002;
constexpr unsigned kLabelId = 0x16010003;

// The completion messages, by outcome.
constexpr char kDone[] = "重启完成";
constexpr char kNotFound[] = "未找到正在运行的实名程序，未能重启";
constexpr char kNotEnded[] = "无法结束实名程序，未能重启";
constexpr char kNotStarted[] = "实名程序已结束，但未能重新启动";

// A fresh folder under the temp folder, removed with its files at the end.
struct ScratchFolder {
    std::string dir;
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

// Processes a test started, or caused to start (the relaunched targets):
// each is ended by its pid when the set goes out of scope.
struct StartedSet {
    std::vector<Started> list;
    ~StartedSet();
    // Returns a copy: the set keeps and later ends the original.
    Started Add(const Started& started);
    // Takes over a running process by pid (once); a copy, or pid 0 when it is not running.
    Started AdoptPid(DWORD pid);
    // Takes over every target instance that logged its start in `folder`.
    void AdoptTargetsStartedIn(const std::string& folder);
};

// Copies the fake target (64-bit when asked) into `folder` as `name`, with
// an optional fake_target.cfg; returns its full path.
std::string PlaceTarget(const std::string& folder, const std::string& config = "",
                        const std::string& name = kTargetName, bool x64 = false);

// Starts the target from its folder and waits until it is ready for input.
Started StartTarget(const std::string& exe);

struct ProgramOptions {
    bool testBuild = false;   // RestartRealname-test.exe with the options below
    std::string inject;       // RR_INJECT
    std::string trace;        // RR_TRACE file
    std::string exe;          // another copy of the program to start
    std::string cwd;
};
Started StartRestartProgram(const ProgramOptions& options);

bool TraceHas(const std::string& path, const std::string& line);
// Index of the first trace line starting with `prefix`; the line count when none does.
std::size_t TraceIndex(const std::string& path, const std::string& prefix);

// True when the trace shows the clean-up ran, on the user-interface thread.
bool ShutdownRanOnUiThread(const std::string& trace);

// The program's message box (class #32770), visible, or null after the timeout.
HWND WaitBox(DWORD pid, DWORD timeoutMs);
// Waits up to timeoutMs for the process to end; returns its exit code or
// 0xDEAD when it did not end.
DWORD ExitCodeOf(const Started& started, DWORD timeoutMs);
