// Keeps Wine's desktop process of a prefix running while the tests run.
// Wine ends that process a moment after the last program with a window has
// gone and starts it again with the next one; a test program starting in
// that moment can hang. A hidden window held for the whole run prevents it.
// The prefix's server ends this program when the tests are done.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CreateWindowExA(0, "STATIC", "desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
