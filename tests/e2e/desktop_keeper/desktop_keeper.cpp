// Keeps Wine's desktop process of a prefix running while the tests run.
// Wine ends that process a moment after the last program with a window has
// gone and starts it again with the next one; a program starting in that
// moment can hang. A hidden window held for the whole run prevents it.
//   desktop_keeper <ready file>
// The ready file is written once the window (and so the desktop) exists, so
// that no test program is the one to start the desktop process: that
// process would keep the test's output open for as long as it runs.
// The prefix's server ends this program when the tests are done.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR readyFile, int) {
    if (!CreateWindowExA(0, "STATIC", "desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr))
        return 1;
    HANDLE ready = CreateFileA(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
