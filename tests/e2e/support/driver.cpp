#include "driver.h"

#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>

namespace {

// Every program a test starts runs in one job that ends with the test
// program: if the test program is killed (a time limit), what it started,
// and what those started in turn, ends with it instead of disturbing the
// next test in the prefix.
HANDLE TestJob() {
    static HANDLE job = [] {
        HANDLE created = CreateJobObjectA(NULL, NULL);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (created) SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return created;
    }();
    return job;
}

}  // namespace

Started StartProgram(const std::string& exe, const std::string& args,
                     const std::string& cwd) {
    std::string cmd = "\"" + exe + "\"";
    if (!args.empty()) cmd += " " + args;
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, buf.data(), NULL, NULL, FALSE, CREATE_SUSPENDED, NULL,
                        cwd.empty() ? NULL : cwd.c_str(), &si, &pi))
        return Started{0, NULL};
    if (HANDLE job = TestJob()) AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    return Started{pi.dwProcessId, pi.hProcess};
}

bool WaitExit(HANDLE process, DWORD timeoutMs, DWORD* exitCode) {
    if (!process || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    if (exitCode) *exitCode = code;
    return true;
}

void EndStarted(Started& s) {
    if (!s.process) return;
    if (WaitForSingleObject(s.process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(s.process, 1);
        WaitForSingleObject(s.process, 3000);
    }
    CloseHandle(s.process);
    s.process = NULL;
}

WindowInfo DescribeWindow(HWND hwnd) {
    WindowInfo w = {};
    w.hwnd = hwnd;
    char buf[1024] = {};
    int n = GetClassNameA(hwnd, buf, sizeof(buf));
    w.className.assign(buf, n > 0 ? n : 0);
    n = GetWindowTextA(hwnd, buf, sizeof(buf));
    w.title.assign(buf, n > 0 ? n : 0);
    GetWindowRect(hwnd, &w.rect);
    w.style = GetWindowLongA(hwnd, GWL_STYLE);
    w.exStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
    w.visible = IsWindowVisible(hwnd) != FALSE;
    w.enabled = IsWindowEnabled(hwnd) != FALSE;
    w.owner = GetWindow(hwnd, GW_OWNER);
    w.tid = GetWindowThreadProcessId(hwnd, &w.pid);
    return w;
}

namespace {

// Collects windows into a vector; pid 0 takes every window it is given.
struct Collect {
    DWORD pid;
    std::vector<WindowInfo> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    Collect* c = reinterpret_cast<Collect*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (c->pid == 0 || pid == c->pid) c->found.push_back(DescribeWindow(hwnd));
    return TRUE;
}

}  // namespace

std::vector<WindowInfo> TopWindowsOf(DWORD pid) {
    Collect c = {pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&c));
    return c.found;
}

HWND WaitForWindow(DWORD pid, const char* className, DWORD timeoutMs, bool mustBeVisible) {
    HWND hit = NULL;
    WaitUntil([&] {
        for (const WindowInfo& w : TopWindowsOf(pid)) {
            if (className && w.className != className) continue;
            if (mustBeVisible && !w.visible) continue;
            hit = w.hwnd;
            return true;
        }
        return false;
    }, timeoutMs);
    return hit;
}

std::vector<WindowInfo> ChildWindowsOf(HWND hwnd) {
    Collect c = {0, {}};
    EnumChildWindows(hwnd, CollectWindow, reinterpret_cast<LPARAM>(&c));
    return c.found;
}

std::string BoxText(HWND box) {
    char buf[4096] = {};
    int n = GetWindowTextA(GetDlgItem(box, 0xFFFF), buf, sizeof(buf));
    return std::string(buf, n > 0 ? n : 0);
}

std::vector<std::string> BoxButtons(HWND box) {
    std::vector<std::string> texts;
    for (const WindowInfo& w : ChildWindowsOf(box))
        if (w.className == "Button") texts.push_back(w.title);
    return texts;
}

// Wine keeps a visible, empty SS_ICON control in boxes without an icon, so the
// control must also hold an icon (STM_GETICON, a cross-process send).
bool BoxHasIcon(HWND box) {
    for (const WindowInfo& w : ChildWindowsOf(box)) {
        if (w.className != "Static" || (w.style & SS_TYPEMASK) != SS_ICON || !w.visible)
            continue;
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutA(w.hwnd, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon) &&
            icon)
            return true;
    }
    return false;
}

namespace {

// Posts a key press to the box's focused control (the box itself when the
// focus is elsewhere). The box's modal loop runs IsDialogMessage on the
// WM_KEYDOWN, which turns Enter into the default button and Escape into
// IDCANCEL; no foreground or real input is needed. The WM_KEYUP only keeps
// the press complete (on its own, like a WM_CHAR, it closes nothing).
// The scan code is fixed rather than asked of MapVirtualKey: under Wine that
// call loads the display driver (an X11 connection) into this test process,
// which pumps no messages; the test programs keep out of the display.
void PostKey(HWND box, WORD vk) {
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof(gti);
    HWND target = box;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(box, NULL), &gti) && gti.hwndFocus &&
        (gti.hwndFocus == box || IsChild(box, gti.hwndFocus)))
        target = gti.hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(vk == VK_RETURN ? 0x1C : vk == VK_ESCAPE ? 0x01 : 0) << 16;
    PostMessageA(target, WM_KEYDOWN, vk, 1 | scan);
    PostMessageA(target, WM_KEYUP, vk, 1 | scan | (1L << 30) | (1L << 31));
}

}  // namespace

void DismissBox(HWND box, Dismiss how) {
    switch (how) {
    case Dismiss::OkButton: PostMessageA(box, WM_COMMAND, IDOK, 0); break;
    case Dismiss::Enter: PostKey(box, VK_RETURN); break;
    case Dismiss::Escape: PostKey(box, VK_ESCAPE); break;
    case Dismiss::CloseButton: PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
}

std::vector<DWORD> PidsNamed(const char* exeName) {
    std::vector<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return pids;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        if (std::strcmp(pe.szExeFile, exeName) == 0) pids.push_back(pe.th32ProcessID);
    CloseHandle(snap);
    return pids;
}

bool IsRunning(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

std::string ProcessImagePath(DWORD pid) {
    char buf[MAX_PATH * 2] = {};
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (p) {
        DWORD n = sizeof(buf);
        bool ok = QueryFullProcessImageNameA(p, 0, buf, &n) != FALSE;
        CloseHandle(p);
        if (ok) return std::string(buf, n);
    }
    // Older systems: psapi, loaded at run time so nothing links against it.
    typedef DWORD(WINAPI * NameFn)(HANDLE, HMODULE, LPSTR, DWORD);
    HMODULE psapi = LoadLibraryA("psapi.dll");
    NameFn fn = psapi ? reinterpret_cast<NameFn>(reinterpret_cast<void*>(
                            GetProcAddress(psapi, "GetModuleFileNameExA")))
                      : NULL;
    DWORD n = 0;
    p = fn ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid) : NULL;
    if (p) {
        n = fn(p, NULL, buf, sizeof(buf));
        CloseHandle(p);
    }
    if (psapi) FreeLibrary(psapi);
    return std::string(buf, n < sizeof(buf) ? n : 0);
}

bool WaitUntil(std::function<bool()> cond, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (cond()) return true;
        if (GetTickCount64() - start >= timeoutMs) return false;
        Sleep(10);
    }
}

std::string MakeTempDir(const std::string& name) {
    static unsigned counter = 0;
    char tmp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof(tmp), tmp);
    std::string base(tmp, n < sizeof(tmp) ? n : 0);
    if (!base.empty() && base.back() != '\\') base += '\\';
    for (int tries = 0; tries < 1000; ++tries) {
        std::string dir = base + name + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                          std::to_string(++counter);
        if (CreateDirectoryA(dir.c_str(), NULL)) return dir;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return std::string();
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::string ReadFileText(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof(buf), &got, NULL) && got > 0) text.append(buf, got);
    CloseHandle(f);
    return text;
}

std::vector<std::string> ReadFileLines(const std::string& path) {
    std::vector<std::string> lines;
    const std::string text = ReadFileText(path);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void WriteFileText(const std::string& path, const std::string& text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, NULL);
    CloseHandle(f);
}

std::string ExeDir() {
    char buf[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(NULL, buf, sizeof(buf));
    std::string path(buf, n < sizeof(buf) ? n : 0);
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

namespace {

// Text after "key=" up to the next space (or up to `until` when given).
std::string Field(const std::string& line, const char* key, const char* until = " ") {
    size_t at = line.find(key);
    if (at == std::string::npos) return std::string();
    at += std::strlen(key);
    size_t end = *until ? line.find(until, at) : std::string::npos;
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

unsigned long long Num(const std::string& s) { return std::strtoull(s.c_str(), NULL, 10); }

}  // namespace

std::vector<TargetStart> ReadTargetLog(const std::string& folder) {
    std::vector<TargetStart> starts;
    for (const std::string& line : ReadFileLines(folder + "\\fake_target.log")) {
        if (line.compare(0, 6, "start ") != 0) continue;
        // cwd and path may hold spaces; cmdline runs to the end of the line.
        TargetStart t = {};
        t.pid = static_cast<DWORD>(Num(Field(line, " pid=")));
        t.ticks = Num(Field(line, " ticks="));
        t.freq = Num(Field(line, " freq="));
        t.ft = Num(Field(line, " ft="));
        t.mainVisible = std::atoi(Field(line, " mainvisible=").c_str());
        t.show = std::atoi(Field(line, " show=").c_str());
        t.cwd = Field(line, " cwd=", " path=");
        t.path = Field(line, " path=", " cmdline=");
        t.cmdline = Field(line, " cmdline=", "");
        starts.push_back(t);
    }
    return starts;
}
