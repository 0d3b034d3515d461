// The least a restart can do, as a yardstick for RestartRealname.exe: find
// AuditRealnamemain.exe in a process snapshot, read its image path, end it,
// wait until it is gone and start the same file again. No window, no
// progress, no messages, no checks beyond what the calls themselves need.
//
// Built with FLOOR_WITH_WINDOW (as floor_window.exe, with the program's
// manifest) it first does what any program with a window must do before it
// can restart anything: load user32, gdi32 and comctl32, and create a hidden
// window with a label and a progress bar. That is the like-for-like yardstick
// for a program whose window exists before the restart.
//
//   floor_restart.exe [<done-event> <go-event>]
//
// Given two event names (the benchmark's), it signals the first once the
// restart is done and waits up to 5 s for the second before it exits, so that
// its CPU time and working set can be read while the process still exists.
#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#ifdef FLOOR_WITH_WINDOW
#include <commctrl.h>
#endif

namespace {

const char kTargetName[] = "AuditRealnamemain.exe";

int Restart() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 2;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    DWORD pid = 0;
    for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, kTargetName) == 0) {
            pid = entry.th32ProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    if (!pid) return 3;

    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE,
                                 FALSE, pid);
    if (!process) return 4;
    char command[MAX_PATH * 2 + 3] = "\"";
    DWORD length = MAX_PATH * 2;
    if (!QueryFullProcessImageNameA(process, 0, command + 1, &length)) {
        CloseHandle(process);
        return 5;
    }
    command[length + 1] = '"';
    command[length + 2] = 0;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 3000);
    CloseHandle(process);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &started)) return 6;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return 0;
}

#ifdef FLOOR_WITH_WINDOW
// A hidden, centred 375 x 109 window with a label and a progress bar.
void CreateHiddenWindow() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.lpszClassName = "FloorWindow";
    RegisterClassA(&windowClass);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - 375) / 2;
    const int y = work.top + (work.bottom - work.top - 109) / 2;
    HWND window = CreateWindowExA(0, "FloorWindow", "floor", WS_CAPTION | WS_SYSMENU, x, y, 375, 109,
                                  NULL, NULL, windowClass.hInstance, NULL);
    HWND label = CreateWindowExA(0, "STATIC", "floor", WS_CHILD, 8, 8, 350, 20, window, NULL,
                                 windowClass.hInstance, NULL);
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 8, 40, 350, 20, window, NULL,
                               windowClass.hInstance, NULL);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    ShowWindow(label, SW_SHOWNA);
    ShowWindow(bar, SW_SHOWNA);
}
#endif

// Hands the finished process to the benchmark: "<done> <go>", space-separated.
void WaitForBench(char* args) {
    char* go = std::strchr(args, ' ');
    if (!go) return;
    *go++ = 0;
    HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, args);
    HANDLE proceed = OpenEventA(SYNCHRONIZE, FALSE, go);
    if (done && proceed) {
        SetEvent(done);
        WaitForSingleObject(proceed, 5000);
    }
    if (done) CloseHandle(done);
    if (proceed) CloseHandle(proceed);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR args, int) {
#ifdef FLOOR_WITH_WINDOW
    CreateHiddenWindow();
#endif
    const int code = Restart();
    if (args && *args) WaitForBench(args);
    return code;
}
