#include "app/program_start.h"

#include "app/main_window.h"
#include "fault/fault_path.h"
#include "fault/fault_report.h"
#include "platform/test_points.h"

Text RunDirectory;
Text ExecutableName;

namespace {

DWORD gUiThreadId = 0;
HWND gHiddenOwnerWindow = nullptr;
bool gLoopEntered = false;

constexpr char kHiddenOwnerClass[] = "RestartRealnameOwner";

// Takes end requests that other threads send to the user-interface thread.
LRESULT CALLBACK HiddenOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == EndProgramMessage) {
        EndProgram(static_cast<int>(wParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateHiddenOwnerWindow() {
    if (TestPoint("owner-window-fails")) return nullptr;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HiddenOwnerProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHiddenOwnerClass;
    RegisterClassA(&windowClass);
    return CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenOwnerClass, "", 0, 0, 0, 0, 0, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

void LocateProgram() {
    char path[MAX_PATH + 1] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    SplitProgramPath(path, &RunDirectory, &ExecutableName);
    SetCurrentDirectoryA(RunDirectory.c_str());
}

int RunMessageLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

}  // namespace

HWND HiddenOwnerWindow() { return gHiddenOwnerWindow; }

DWORD UserInterfaceThreadId() { return gUiThreadId; }

bool LoopEntered() { return gLoopEntered; }

void SplitProgramPath(const char* path, Text* directory, Text* name) {
    const char* lastBackslash = nullptr;
    for (const char* at = path; *at; ++at) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*at)) && at[1]) {
            ++at;  // the trail byte may look like a backslash
        } else if (*at == '\\') {
            lastBackslash = at;
        }
    }
    if (!lastBackslash) {
        *directory = CopyText("");
        *name = CopyText(path);
        return;
    }
    *directory = CopyText(path, static_cast<std::size_t>(lastBackslash - path));
    *name = CopyText(lastBackslash + 1);
}

int ProgramStart() {
    LocateProgram();
    gUiThreadId = GetCurrentThreadId();
    gHiddenOwnerWindow = CreateHiddenOwnerWindow();
    InstallFaultHandler();
    if (!LoadMainWindow()) ReportFault("载入启动窗口失败", 0, kMainWindowId, 0);
    gLoopEntered = true;
    if (!IsWindow(MainWindow())) return 0;
    return RunMessageLoop();
}
