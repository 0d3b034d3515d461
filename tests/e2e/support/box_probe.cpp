// Shows one task-modal message box and exits with what MessageBoxA returned,
// so tests can check how each way of dismissing a box is reported.
// With "icon" on the command line the box also shows a warning icon.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    UINT flags = MB_OK | MB_TASKMODAL;
    if (cmdLine && std::strstr(cmdLine, "icon")) flags |= MB_ICONWARNING;
    return MessageBoxA(NULL, "probe", "cap", flags);
}
