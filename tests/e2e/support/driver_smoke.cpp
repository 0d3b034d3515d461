// Checks the end-to-end helpers against fake_target.exe and box_probe.exe,
// which must sit next to this test exe.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver.h"

namespace {

const char kCopiedName[] = "AuditRealnamemain.exe";

// A temp folder holding fake_target.exe under the copied name, plus a config.
// Its files and the folder go away at the end of the test.
struct TargetFolder {
    std::string dir;
    explicit TargetFolder(const std::string& cfg) : dir(MakeTempDir("driver_smoke")) {
        EXPECT_FALSE(dir.empty());
        EXPECT_TRUE(CopyFileTo(ExeDir() + "\\fake_target.exe", dir + "\\" + kCopiedName));
        if (!cfg.empty()) WriteFileText(dir + "\\fake_target.cfg", cfg);
    }
    ~TargetFolder() {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((dir + "\\" + fd.cFileName).c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(dir.c_str());
    }
};

// Ends the started program when the test leaves, also on a failed ASSERT.
struct Running {
    Started s;
    ~Running() { EndStarted(s); }
};

bool Contains(const std::vector<DWORD>& v, DWORD x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

}  // namespace

TEST(DriverSmoke, FakeTargetStartsLogsAndCloses) {
    TargetFolder folder("");
    const std::string& dir = folder.dir;
    std::string exe = dir + "\\" + kCopiedName;
    Running sRun{StartProgram(exe, "--probe 1", dir)};
    Started& s = sRun.s;
    ASSERT_NE(s.pid, 0u);
    EXPECT_EQ(WaitForInputIdle(s.process, 5000), 0u);

    HWND w = WaitForWindow(s.pid, "FakeAuditTargetWindow", 5000);
    ASSERT_NE(w, (HWND)NULL);
    WindowInfo info = DescribeWindow(w);
    EXPECT_EQ(info.title, "Fake audit target");
    EXPECT_TRUE(info.visible);
    EXPECT_EQ(info.pid, s.pid);
    // Hidden "IME" windows (Wine and Windows alike) are listed too.
    std::vector<WindowInfo> tops = TopWindowsOf(s.pid);
    EXPECT_EQ(std::count_if(tops.begin(), tops.end(),
                            [](const WindowInfo& t) { return t.visible; }),
              1);

    std::vector<TargetStart> log = ReadTargetLog(dir);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].pid, s.pid);
    EXPECT_GT(log[0].ticks, 0u);
    EXPECT_GT(log[0].freq, 0u);
    EXPECT_GT(log[0].ft, 0u);
    if (!FindWindowA("RestartRealnameWindow", NULL)) {
        EXPECT_EQ(log[0].mainVisible, -1);
    }
    EXPECT_EQ(log[0].show, -1);
    EXPECT_EQ(_stricmp(log[0].cwd.c_str(), dir.c_str()), 0) << log[0].cwd;
    EXPECT_EQ(_stricmp(log[0].path.c_str(), exe.c_str()), 0) << log[0].path;
    EXPECT_EQ(log[0].cmdline, "\"" + exe + "\" --probe 1");

    EXPECT_TRUE(Contains(PidsNamed(kCopiedName), s.pid));
    EXPECT_FALSE(Contains(PidsNamed("auditrealnamemain.exe"), s.pid));
    EXPECT_EQ(_stricmp(ProcessImagePath(s.pid).c_str(), exe.c_str()), 0)
        << ProcessImagePath(s.pid);

    PostMessageA(w, WM_CLOSE, 0, 0);
    DWORD code = 99;
    EXPECT_TRUE(WaitExit(s.process, 5000, &code));
    EXPECT_EQ(code, 0u);
    EndStarted(s);
    EXPECT_EQ(s.process, (HANDLE)NULL);
}

TEST(DriverSmoke, TitleBytesComeFromConfig) {
    const std::string title = "实名审计 测试";  // GBK bytes in this build
    TargetFolder folder("title=" + title + "\r\n");
    const std::string& dir = folder.dir;
    Running sRun{StartProgram(dir + "\\" + kCopiedName, "", dir)};
    Started& s = sRun.s;
    ASSERT_NE(s.pid, 0u);
    HWND w = WaitForWindow(s.pid, "FakeAuditTargetWindow", 5000);
    ASSERT_NE(w, (HWND)NULL);
    EXPECT_EQ(DescribeWindow(w).title, title);
    EndStarted(s);
}

TEST(DriverSmoke, SingleInstanceRefusesSecondStart) {
    TargetFolder folder("single\n");
    const std::string& dir = folder.dir;
    std::string exe = dir + "\\" + kCopiedName;
    Running firstRun{StartProgram(exe, "", dir)};
    Started& first = firstRun.s;
    ASSERT_NE(first.pid, 0u);
    ASSERT_NE(WaitForWindow(first.pid, "FakeAuditTargetWindow", 5000), (HWND)NULL);

    Running secondRun{StartProgram(exe, "", dir)};
    Started& second = secondRun.s;
    ASSERT_NE(second.pid, 0u);
    DWORD code = 0;
    EXPECT_TRUE(WaitExit(second.process, 5000, &code));
    EXPECT_EQ(code, 3u);
    EXPECT_TRUE(TopWindowsOf(second.pid).empty());
    EXPECT_EQ(ReadTargetLog(dir).size(), 1u);
    std::string text = ReadFileText(dir + "\\fake_target.log");
    EXPECT_NE(text.find("refused pid=" + std::to_string(second.pid) + " path="),
              std::string::npos)
        << text;
    EndStarted(second);

    // Once the first is gone the mutex is free again.
    EndStarted(first);
    Running thirdRun{StartProgram(exe, "", dir)};
    Started& third = thirdRun.s;
    ASSERT_NE(third.pid, 0u);
    EXPECT_NE(WaitForWindow(third.pid, "FakeAuditTargetWindow", 5000), (HWND)NULL);
    EXPECT_EQ(ReadTargetLog(dir).size(), 2u);
    EndStarted(third);
}

TEST(DriverSmoke, NoWindowTargetStaysAliveUntilEnded) {
    TargetFolder folder("nowindow\n");
    const std::string& dir = folder.dir;
    Running sRun{StartProgram(dir + "\\" + kCopiedName, "", dir)};
    Started& s = sRun.s;
    ASSERT_NE(s.pid, 0u);
    EXPECT_EQ(WaitForInputIdle(s.process, 5000), 0u);
    EXPECT_TRUE(WaitUntil([&] { return ReadTargetLog(dir).size() == 1; }, 5000));
    for (const WindowInfo& w : TopWindowsOf(s.pid)) EXPECT_FALSE(w.visible) << w.className;
    DWORD code = 0;
    EXPECT_FALSE(WaitExit(s.process, 300, &code));
    EndStarted(s);
    EXPECT_EQ(s.process, (HANDLE)NULL);
    EXPECT_FALSE(Contains(PidsNamed(kCopiedName), s.pid));
}

TEST(DriverSmoke, StartFailureGivesZeroPid) {
    Running sRun{StartProgram(ExeDir() + "\\no_such_program.exe")};
    Started& s = sRun.s;
    EXPECT_EQ(s.pid, 0u);
    EXPECT_EQ(s.process, (HANDLE)NULL);
    EndStarted(s);
}

TEST(DriverSmoke, BoxIconIsSeenOnlyWhenShown) {
    for (bool withIcon : {false, true}) {
        Running sRun{StartProgram(ExeDir() + "\\box_probe.exe", withIcon ? "icon" : "")};
        Started& s = sRun.s;
        ASSERT_NE(s.pid, 0u);
        HWND box = WaitForWindow(s.pid, "#32770", 5000);
        ASSERT_NE(box, (HWND)NULL);
        EXPECT_EQ(BoxHasIcon(box), withIcon);
        DismissBox(box, Dismiss::OkButton);
        EXPECT_TRUE(WaitExit(s.process, 5000, NULL));
        EndStarted(s);
    }
}

class BoxDismissal : public ::testing::TestWithParam<Dismiss> {};

TEST_P(BoxDismissal, ClosesTheBox) {
    Running sRun{StartProgram(ExeDir() + "\\box_probe.exe")};
    Started& s = sRun.s;
    ASSERT_NE(s.pid, 0u);
    HWND box = WaitForWindow(s.pid, "#32770", 5000);
    ASSERT_NE(box, (HWND)NULL);
    EXPECT_EQ(DescribeWindow(box).title, "cap");
    EXPECT_EQ(BoxText(box), "probe");
    EXPECT_EQ(BoxButtons(box).size(), 1u);

    DismissBox(box, GetParam());
    DWORD code = 0;
    EXPECT_TRUE(WaitExit(s.process, 5000, &code));
    // Windows answers IDOK for an MB_OK box however it is dismissed; Wine
    // answers IDCANCEL for Escape and the close button.
    if (GetParam() == Dismiss::OkButton || GetParam() == Dismiss::Enter)
        EXPECT_EQ(code, static_cast<DWORD>(IDOK));
    else
        EXPECT_TRUE(code == IDOK || code == IDCANCEL) << code;
    EndStarted(s);
}

INSTANTIATE_TEST_SUITE_P(AllWays, BoxDismissal,
                         ::testing::Values(Dismiss::OkButton, Dismiss::Enter,
                                           Dismiss::Escape, Dismiss::CloseButton));
