// The main window as the user meets it, and the program's ends, driven
// through the real program under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "program_run.h"

namespace {

constexpr LONG kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr LONG kControlStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE;

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 3000, &answer);
    return static_cast<LRESULT>(answer);
}

RECT ClientRectOf(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ExpectRect(const RECT& rect, LONG left, LONG top, LONG width, LONG height) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
}

}  // namespace

// With no worker the bar stays at 0, so the window can be looked at as it is
// first shown; closing it ends the program with 0 after the clean-up ran on
// the user-interface thread.
TEST(MainWindow, AsShownAndClosed) {
    ScratchFolder scratch("main_window");
    const std::string trace = scratch.dir + "\\trace.txt";
    StartedSet started;
    const Started program = started.Add(StartRestartProgram({true, "worker-fails", trace}));
    HWND window = WaitForWindow(program.pid, kMainWindowClass, 10000);
    ASSERT_TRUE(window);
    const WindowInfo info = DescribeWindow(window);

    // The desktop window's size is the screen's (asked of it rather than of
    // GetSystemMetrics, which would load the display driver into this process).
    RECT screen = {};
    GetWindowRect(GetDesktopWindow(), &screen);
    const int screenWidth = screen.right - screen.left, screenHeight = screen.bottom - screen.top;
    ExpectRect(info.rect, (screenWidth - 375) / 2, (screenHeight - 109) / 2, 375, 109);
    if (screenWidth == 1920 && screenHeight == 1080) ExpectRect(info.rect, 772, 485, 375, 109);
    EXPECT_EQ(info.title, "");
    EXPECT_EQ(info.style & ~(WS_VISIBLE | WS_CLIPSIBLINGS), kWindowStyle);
    EXPECT_EQ(info.exStyle & ~WS_EX_WINDOWEDGE, 0);
    EXPECT_TRUE(info.visible);
    EXPECT_EQ(info.owner, nullptr);
    EXPECT_EQ(GetClassLongA(window, GCL_STYLE), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);

    HWND label = GetDlgItem(window, kLabelId);
    ASSERT_TRUE(label);
    const WindowInfo labelInfo = DescribeWindow(label);
    EXPECT_EQ(labelInfo.title, "\xD5\xFD\xD4\xDA\xD6\xD8\xC6\xF4\xCA\xB5\xC3\xFB\xA3\xAC\xC7\xEB\xC9\xD4\xBA\xEE...");
    EXPECT_EQ(labelInfo.style, kControlStyle);
    EXPECT_EQ(labelInfo.exStyle, 0);
    EXPECT_EQ(GetClassLongA(label, GCL_STYLE), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
    ExpectRect(ClientRectOf(label), 16, 14, 336, 24);

    HWND bar = GetDlgItem(window, kProgressBarId);
    ASSERT_TRUE(bar);
    const WindowInfo barInfo = DescribeWindow(bar);
    EXPECT_EQ(barInfo.className, "msctls_progress32");
    EXPECT_EQ(barInfo.style, kControlStyle);
    EXPECT_EQ(barInfo.exStyle, WS_EX_STATICEDGE);
    ExpectRect(ClientRectOf(bar), 16, 42, 336, 24);
    EXPECT_EQ(Ask(bar, PBM_GETRANGE, TRUE), 0);
    EXPECT_EQ(Ask(bar, PBM_GETRANGE, FALSE), 100);
    EXPECT_EQ(Ask(bar, PBM_GETPOS), 0);

    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ExitCodeOf(program, 10000), 0u);
    EXPECT_TRUE(TraceHas(trace, "icons big=1 small=1"));
    EXPECT_TRUE(ShutdownRanOnUiThread(trace));
}

// Without the hidden window that takes end requests, the worker ends the
// process itself once its box is confirmed, with the box's exit code and
// without the clean-up of the user-interface thread.
TEST(MainWindow, WorkerEndsTheProgramWhenTheOwnerWindowIsMissing) {
    ScratchFolder scratch("owner missing");
    const std::string trace = scratch.dir + "\\trace.txt";
    StartedSet started;
    const Started program = started.Add(StartRestartProgram({true, "owner-window-fails", trace}));
    HWND box = WaitBox(program.pid, 15000);
    ASSERT_TRUE(box);
    DismissBox(box, Dismiss::OkButton);
    EXPECT_EQ(ExitCodeOf(program, 10000), 1u);  // no target: the warning's exit code
    EXPECT_EQ(TraceIndex(trace, "shutdown"), ReadFileLines(trace).size());
}

// A window that cannot be built is a fault; without the program's own report
// it gets the default box, naming the window, and the exit code is -1.
TEST(MainWindow, BuildFailureShowsTheDefaultBox) {
    const struct {
        const char* inject;
        const char* windowLines;
    } cases[] = {
        {"main-window-fails,no-fault-handler", "\r\n未找到所指定的窗口"},
        {"bar-fails,no-fault-handler", "\r\n\"启动窗口\"\r\n\"启动窗口\""},
    };
    for (const auto& c : cases) {
        StartedSet started;
        const Started program = started.Add(StartRestartProgram({true, c.inject}));
        HWND box = WaitBox(program.pid, 10000);
        ASSERT_TRUE(box) << c.inject;
        EXPECT_EQ(DescribeWindow(box).title, "错误");
        EXPECT_EQ(BoxText(box), std::string("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n\r\n1375797249, 0") +
                                    c.windowLines + "\r\n");
        EXPECT_EQ(DescribeWindow(box).style & MB_TASKMODAL, 0);
        EXPECT_FALSE(WaitForWindow(program.pid, kMainWindowClass, 0));
        DismissBox(box, Dismiss::OkButton);
        EXPECT_EQ(ExitCodeOf(program, 10000), 0xFFFFFFFFu) << c.inject;
    }
}

namespace {

BOOL CALLBACK FindMainWindow(HWND window, LPARAM found) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == kMainWindowClass) *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

}  // namespace

// On a screen of another size (Wine's desktop window of 1023 x 767) the window
// is centred with the fractions dropped.
TEST(MainWindow, CentredOnAnotherScreenSize) {
    StartedSet started;
    SetEnvironmentVariableA("RR_INJECT", "worker-fails");
    started.Add(StartProgram("C:\\windows\\explorer.exe",
                             "/desktop=RestartRealnameCentre,1023x767 \"" + ExeDir() + "\\RestartRealname-test.exe\""));
    SetEnvironmentVariableA("RR_INJECT", nullptr);
    HWND window = nullptr;
    WaitUntil([&] {
        HDESK desktop = OpenDesktopA("RestartRealnameCentre", 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
        if (desktop) {
            EnumDesktopWindows(desktop, FindMainWindow, reinterpret_cast<LPARAM>(&window));
            CloseDesktop(desktop);
        }
        return window && (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);
    }, 15000);
    ASSERT_TRUE(window);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    started.AdoptPid(pid);
    RECT rect;
    GetWindowRect(window, &rect);
    ExpectRect(rect, (1023 - 375) / 2, (767 - 109) / 2, 375, 109);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ExitCodeOf(started.list.back(), 10000), 0u);
}
