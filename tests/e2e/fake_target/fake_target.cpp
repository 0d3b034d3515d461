// Stand-in for the program that gets restarted in end-to-end tests.
//
// Optional fake_target.cfg next to the exe, one setting per line:
//   single        only one instance (named mutex); a second one logs
//                 "refused ..." and exits with code 3
//   title=<text>  window title, bytes taken as they are (ANSI code page)
//   nowindow      no visible window; a message-only window keeps it alive
//
// Every start appends one line to fake_target.log next to the exe, so tests
// can see when, how and from where it was started.
#include <windows.h>

#include <string>

namespace {

const char kWindowClass[] = "FakeAuditTargetWindow";
const char kMutexName[] = "Local\\FakeAuditTargetSingle";

struct Config {
    bool single = false;
    bool noWindow = false;
    std::string title = "Fake audit target";
};

std::string ModulePath() {
    char buf[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(NULL, buf, sizeof(buf));
    return std::string(buf, n < sizeof(buf) ? n : 0);
}

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string ReadWholeFile(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof(buf), &got, NULL) && got > 0) text.append(buf, got);
    CloseHandle(f);
    return text;
}

Config ReadConfig(const std::string& folder) {
    Config cfg;
    std::string text = ReadWholeFile(folder + "fake_target.cfg");
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "single") cfg.single = true;
        else if (line == "nowindow") cfg.noWindow = true;
        else if (line.compare(0, 6, "title=") == 0) cfg.title = line.substr(6);
    }
    return cfg;
}

// One WriteFile per line on an append handle keeps lines of concurrent
// instances whole.
void AppendLog(const std::string& folder, const std::string& line) {
    HANDLE f = CreateFileA((folder + "fake_target.log").c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, NULL);
    CloseHandle(f);
}

// Precise system time where the OS has it (Windows 8+), plain otherwise.
unsigned long long SystemTime64() {
    typedef VOID(WINAPI * PreciseFn)(LPFILETIME);
    FILETIME ft = {};
    HMODULE k32 = GetModuleHandleA("kernel32.dll");
    PreciseFn precise = k32 ? reinterpret_cast<PreciseFn>(reinterpret_cast<void*>(
                                  GetProcAddress(k32, "GetSystemTimePreciseAsFileTime")))
                            : NULL;
    if (precise) precise(&ft);
    else GetSystemTimeAsFileTime(&ft);
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// 1 visible, 0 hidden, -1 when the restarter's main window does not exist.
int MainWindowState() {
    HWND w = FindWindowA("RestartRealnameWindow", NULL);
    if (!w) return -1;
    return IsWindowVisible(w) ? 1 : 0;
}

std::string StartLine(const std::string& path) {
    LARGE_INTEGER ticks = {}, freq = {};
    QueryPerformanceCounter(&ticks);
    QueryPerformanceFrequency(&freq);
    unsigned long long ft = SystemTime64();

    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    GetStartupInfoA(&si);
    int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;

    char cwd[MAX_PATH * 2] = {};
    DWORD n = GetCurrentDirectoryA(sizeof(cwd), cwd);
    if (n >= sizeof(cwd)) cwd[0] = 0;

    std::string line = "start pid=" + std::to_string(GetCurrentProcessId());
    line += " ticks=" + std::to_string(static_cast<unsigned long long>(ticks.QuadPart));
    line += " freq=" + std::to_string(static_cast<unsigned long long>(freq.QuadPart));
    line += " ft=" + std::to_string(ft);
    line += " mainvisible=" + std::to_string(MainWindowState());
    line += " show=" + std::to_string(show);
    line += " cwd=" + std::string(cwd);
    line += " path=" + path;
    line += " cmdline=" + std::string(GetCommandLineA());
    line += "\r\n";
    return line;
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int RunMessageLoop() {
    MSG msg;
    BOOL r;
    while ((r = GetMessageA(&msg, NULL, 0, 0)) != 0) {
        if (r == -1) return 1;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int nCmdShow) {
    const std::string path = ModulePath();
    const std::string folder = FolderOf(path);
    const Config cfg = ReadConfig(folder);

    HANDLE mutex = NULL;
    if (cfg.single) {
        mutex = CreateMutexA(NULL, FALSE, kMutexName);
        if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
            AppendLog(folder, "refused pid=" + std::to_string(GetCurrentProcessId()) +
                                  " path=" + path + "\r\n");
            CloseHandle(mutex);
            return 3;
        }
    }

    AppendLog(folder, StartLine(path));

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc)) return 1;

    HWND hwnd;
    if (cfg.noWindow) {
        // Message-only: never shown, not enumerated, but keeps a GUI thread.
        hwnd = CreateWindowExA(0, kWindowClass, cfg.title.c_str(), 0, 0, 0, 0, 0,
                               HWND_MESSAGE, NULL, inst, NULL);
    } else {
        hwnd = CreateWindowExA(0, kWindowClass, cfg.title.c_str(), WS_OVERLAPPEDWINDOW,
                               CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, NULL, NULL, inst,
                               NULL);
        if (hwnd) {
            ShowWindow(hwnd, nCmdShow);
            UpdateWindow(hwnd);
        }
    }
    if (!hwnd) return 1;

    int code = RunMessageLoop();
    if (mutex) CloseHandle(mutex);
    return code;
}
