// A stand-in psapi.dll planted next to the program and in its current
// directory. If it is ever loaded it leaves a marker file beside itself, and
// its GetModuleFileNameExA answers a path that no real process has.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    while (length > 0 && path[length - 1] != '\\') --length;
    lstrcpyA(path + length, "planted_psapi_loaded.txt");
    HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI GetModuleFileNameExA(HANDLE, HMODULE, LPSTR name, DWORD size) {
    const char planted[] = "C:\\planted\\AuditRealnamemain.exe";
    if (size < sizeof planted) return 0;
    std::memcpy(name, planted, sizeof planted);
    return sizeof planted - 1;
}
