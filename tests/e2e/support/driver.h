// Helpers for end-to-end tests: start and end programs, look at their
// windows and message boxes, find processes, and handle scratch files.
// Everything is plain Win32 (ANSI calls); the tests run under Wine in the
// same prefix as the programs they drive.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// ---- processes we start ----------------------------------------------------

struct Started {
    DWORD pid;       // 0 when the start failed
    HANDLE process;  // NULL when the start failed
};

// CreateProcessA of "\"exe\" args"; cwd empty = inherit ours.
Started StartProgram(const std::string& exe, const std::string& args = "",
                     const std::string& cwd = "");
// True when the process ended within timeoutMs; *exitCode then holds its code.
bool WaitExit(HANDLE process, DWORD timeoutMs, DWORD* exitCode);
// Terminates the process if still running, waits up to 3 s, closes the handle.
void EndStarted(Started& s);

// ---- windows ---------------------------------------------------------------

struct WindowInfo {
    HWND hwnd;
    std::string className;
    std::string title;  // GetWindowTextA: another process's text, no message sent
    RECT rect;          // screen coordinates
    LONG style, exStyle;
    bool visible, enabled;
    HWND owner;
    DWORD pid, tid;
};

WindowInfo DescribeWindow(HWND hwnd);
// Top-level windows of a process, in z-order. Hidden "IME" windows are listed
// too; message-only windows are not.
std::vector<WindowInfo> TopWindowsOf(DWORD pid);
// Polls every 10 ms for a top-level window of pid; className NULL = any class.
HWND WaitForWindow(DWORD pid, const char* className, DWORD timeoutMs,
                   bool mustBeVisible = true);
// All descendants of hwnd (EnumChildWindows order).
std::vector<WindowInfo> ChildWindowsOf(HWND hwnd);

// ---- message boxes (class "#32770") ----------------------------------------

std::string BoxText(HWND box);                 // text of control 0xFFFF
std::vector<std::string> BoxButtons(HWND box);  // texts of its "Button" children
bool BoxHasIcon(HWND box);  // a visible SS_ICON "Static" child holding an icon

enum class Dismiss { OkButton, Enter, Escape, CloseButton };
// Posts what a user's action would produce: WM_COMMAND IDOK, a WM_KEYDOWN/UP
// of VK_RETURN or VK_ESCAPE, or WM_SYSCOMMAND SC_CLOSE. Returns at once, so
// wait for the box (or its process) to go away afterwards. All four close an
// MB_OK box under Wine; Escape and the close button then make MessageBox
// return IDCANCEL there, where Windows returns IDOK.
void DismissBox(HWND box, Dismiss how);

// ---- processes by name -----------------------------------------------------

// Pids whose toolhelp szExeFile equals exeName byte for byte.
std::vector<DWORD> PidsNamed(const char* exeName);
// True while the process with this pid runs.
bool IsRunning(DWORD pid);
// Full image path of pid, "" when it cannot be read.
std::string ProcessImagePath(DWORD pid);
// Polls cond every 10 ms; true as soon as it holds, false after timeoutMs.
bool WaitUntil(std::function<bool()> cond, DWORD timeoutMs);

// ---- files -----------------------------------------------------------------

// A new, empty folder under the Windows temp dir (no trailing backslash).
std::string MakeTempDir(const std::string& name);
bool CopyFileTo(const std::string& from, const std::string& to);  // overwrites
std::string ReadFileText(const std::string& path);  // "" when missing
// The file's lines, without their "\n" or "\r\n"; none when missing.
std::vector<std::string> ReadFileLines(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
std::string ExeDir();  // folder of the running exe, no trailing backslash

// ---- fake_target.log -------------------------------------------------------

struct TargetStart {
    DWORD pid;
    unsigned long long ticks, freq, ft;
    int mainVisible;  // 1 visible, 0 hidden, -1 no main window
    int show;         // wShowWindow, -1 when STARTF_USESHOWWINDOW was not set
    std::string cwd, path, cmdline;
};

// The "start ..." lines of <folder>\fake_target.log, oldest first.
std::vector<TargetStart> ReadTargetLog(const std::string& folder);
