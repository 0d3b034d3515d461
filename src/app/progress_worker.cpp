#include "app/progress_worker.h"

#include <windows.h>

#include "app/main_window.h"
#include "app/program_start.h"
#include "fault/fault_path.h"
#include "platform/message_box.h"
#include "platform/test_points.h"
#include "restart/restart_sequence.h"

namespace {

struct Completion {
    RestartOutcome outcome;
    const char* text;
    UINT style;
    int exitCode;
};

constexpr UINT kWarning = MB_ICONWARNING | MB_TASKMODAL;

const Completion kCompletions[] = {
    {RestartOutcome::Restarted, "重启完成", MB_OK | MB_TASKMODAL, 0},
    {RestartOutcome::NotFound, "未找到正在运行的实名程序，未能重启", kWarning, 1},
    {RestartOutcome::NotEnded, "无法结束实名程序，未能重启", kWarning, 1},
    {RestartOutcome::LaunchFailed, "实名程序已结束，但未能重新启动", kWarning, 1},
};

const Completion& CompletionFor(RestartOutcome outcome) {
    for (const Completion& completion : kCompletions) {
        if (completion.outcome == outcome) return completion;
    }
    return kCompletions[0];
}

DWORD WINAPI ProgressWorkerEntry(void*) {
    ProgressWorker();
    return 0;
}

}  // namespace

bool StartProgressWorker() {
    if (TestPoint("worker-fails")) return false;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, ProgressWorkerEntry, nullptr, 0, &threadId);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

void ProgressWorker() {
    TestTraceTick("worker start");
    for (int step = 1; step <= 100; ++step) {
        // The window was closed: the user-interface thread ends the program.
        if (!SetBarPosition(step)) return;
        Sleep(10);
    }
    // The restart sequence has finished: the bar only moved once the
    // user-interface thread took messages again. After a fault nothing may
    // look like success, and the fault's own end decides the exit code.
    if (FaultRaised() || !MainWindow()) return;
    const Completion& completion = CompletionFor(LastRestartOutcome());
    TestTraceTick("worker box");
    ShowMessageBox(MainWindow(), completion.text, "提示", completion.style);
    if (FaultRaised()) return;
    EndProgram(completion.exitCode);
}
