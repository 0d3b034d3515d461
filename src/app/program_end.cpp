// Ending the program: from the user-interface thread directly, from any
// other thread through HiddenOwnerWindow, so that Shutdown only ever runs on
// the user-interface thread.
#include <atomic>

#include "app/main_window.h"
#include "app/program_start.h"
#include "fault/fault_path.h"
#include "platform/system_function_table.h"
#include "platform/test_points.h"

namespace {

std::atomic<long> gEventHold{0};
std::atomic<bool> gShutdownBegun{false};

// After a fault only the fault's own end (-1) may end the program. The
// user-interface thread keeps its windows answering until that request
// arrives; another thread simply stops here.
void AwaitFaultEnd() {
    if (GetCurrentThreadId() != UserInterfaceThreadId()) return;
    MSG message;
    for (;;) {
        if (GetMessageA(&message, nullptr, 0, 0) < 0) {
            Sleep(10);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

void RaiseEventHold() { ++gEventHold; }

bool EventsHeld() { return gEventHold > 0; }

void EndProgram(int exitCode) {
    RaiseEventHold();
    if (FaultRaised() && exitCode != -1) {
        AwaitFaultEnd();
        return;
    }
    const DWORD uiThread = UserInterfaceThreadId();
    if (uiThread != 0 && GetCurrentThreadId() != uiThread) {
        HWND owner = HiddenOwnerWindow();
        if (owner && IsWindow(owner)) {
            SendMessageA(owner, EndProgramMessage, static_cast<WPARAM>(exitCode), 0);
        }
        if (gShutdownBegun) return;  // the user-interface thread is ending the process
        ExitProcess(static_cast<UINT>(exitCode));
    }
    if (!gShutdownBegun) Shutdown();
    ExitProcess(static_cast<UINT>(exitCode));
}

void Shutdown() {
    RaiseEventHold();
    gShutdownBegun = true;
    TestTrace("shutdown thread=%lu ui=%lu", GetCurrentThreadId(), UserInterfaceThreadId());
    DestroyMainWindow();
    ReleaseSystemFunctions();
    DestroyMainWindowIcons();
    if (HWND owner = HiddenOwnerWindow()) DestroyWindow(owner);
}
