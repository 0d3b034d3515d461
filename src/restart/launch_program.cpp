#include "restart/launch_program.h"

#include <windows.h>

#include "platform/owned_handle.h"
#include "platform/test_points.h"
#include "platform/text.h"

bool LaunchProgram(const char* commandLine, bool waitForExit) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started = {};
    Text line = CopyText(commandLine);  // CreateProcessA may write into it
    if (!CreateProcessA(nullptr, line.bytes, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        TestTrace("launch failed error=%lu", GetLastError());
        return false;
    }
    OwnedHandle process(started.hProcess);
    OwnedHandle thread(started.hThread);
    if (waitForExit) WaitForSingleObject(process.get(), INFINITE);
    else WaitForInputIdle(process.get(), 1000);
    thread.Reset();
    process.Reset();
    return true;
}
