// The program's own fault report, read off the real program under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "program_run.h"

namespace {

constexpr char kReportTitle[] = "程序出现了故障，请联系技术支持";
constexpr char kSupport[] = "技术支持:   support.restart-realname.example";

// The report's OS line, e.g. "OS: Win7 , 9 , X86".
std::string OsLine(const std::string& report) {
    const std::size_t start = report.find("\r\nOS: ");
    if (start == std::string::npos) return "";
    return report.substr(start + 2, report.find("\r\n", start + 2) - start - 2);
}

// Starts the program, returns the text of its first box and confirms it;
// `exitCode` gets the exit code.
std::string ReportOf(const ProgramOptions& options, std::string* title, DWORD* exitCode) {
    StartedSet started;
    const Started program = started.Add(StartRestartProgram(options));
    HWND box = WaitBox(program.pid, 15000);
    if (!box) return "";
    *title = DescribeWindow(box).title;
    const std::string text = BoxText(box);
    DismissBox(box, Dismiss::OkButton);
    *exitCode = ExitCodeOf(program, 10000);
    return text;
}

// Gives one copy of the test build its own Windows version, as Wine lets
// a program be configured by its file name.
void SetWindowsVersionFor(const std::string& exeName, const char* version) {
    HKEY key;
    const std::string path = "Software\\Wine\\AppDefaults\\" + exeName;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(std::strlen(version) + 1));
    RegCloseKey(key);
}

void ForgetWindowsVersionFor(const std::string& exeName) {
    RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\Wine\\AppDefaults\\" + exeName).c_str());
}

std::string OsLineUnder(const char* version) {
    ScratchFolder folder("report os");
    const std::string name = std::string("os-") + version + ".exe";
    const std::string exe = folder.dir + "\\" + name;
    CopyFileTo(ExeDir() + "\\RestartRealname-test.exe", exe);
    SetWindowsVersionFor(name, version);
    std::string title;
    DWORD exitCode = 0;
    const std::string report = ReportOf({true, "main-window-fails", "", exe}, &title, &exitCode);
    ForgetWindowsVersionFor(name);
    EXPECT_EQ(title, kReportTitle) << version;
    EXPECT_EQ(exitCode, 0xFFFFFFFFu) << version;
    return OsLine(report);
}

}  // namespace

// The OS line names the Windows version that the program reads from its own
// process block, under each version Wine can pretend to be.
TEST(OsLine32, EachWindowsVersion) {
    const struct {
        const char* version;
        const char* line;
    } cases[] = {
        {"win7", "OS: Win7 , 9 , X86"},       {"vista", "OS: Vista , 8 , X86"},
        {"win2003", "OS: Win2003 , 7 , X86"}, {"winxp", "OS: WinXP , 6 , X86"},
        {"win2k", "OS: Win2000 , 5 , X86"},   {"nt40", "OS: WinNT , 4 , X86"},
        {"win10", "OS: 未知 , 0 , X86"},
    };
    for (const auto& c : cases) EXPECT_EQ(OsLineUnder(c.version), c.line) << c.version;
}

TEST(OsLine64, Windows7UnderWow64) {
    EXPECT_EQ(OsLineUnder("win7"), "OS: Win7 , 9 , X64");
}

// Run with WINEDLLOVERRIDES=psapi=d and the target running: the binding fault
// inside the restart sequence is reported in full, the worker's finished
// steps behind it claim no success, and the program ends with -1.
TEST(ReportInRestart, BindingFaultIsReportedByteForByte) {
    ScratchFolder folder("report psapi");
    const std::string trace = folder.dir + "\\trace.txt";
    StartedSet started;
    started.Add(StartTarget(PlaceTarget(folder.dir)));
    const Started program = started.Add(StartRestartProgram({true, "", trace}));
    HWND box = WaitBox(program.pid, 15000);
    ASSERT_TRUE(box);
    EXPECT_EQ(DescribeWindow(box).title, kReportTitle);
    EXPECT_EQ(BoxText(box), std::string("ErrorCode:  0\r\n") +
                                "ErrorNote:  无法找到指定DLL库文件“Psapi”中的输出命令“GetModuleFileNameExA”\r\n" +
                                "0, 0\r\n\r\nPath:  " + ExeDir() + "\\RestartRealname-test.exe\r\n" +
                                "OS: Win7 , 9 , X86\r\n\r\n" + kSupport);
    EXPECT_TRUE(BoxHasIcon(box));

    // The worker steps on behind the open report, yet shows nothing and ends nothing.
    EXPECT_TRUE(WaitUntil([&] { return TraceHas(trace, "bar 100"); }, 10000));
    Sleep(500);
    EXPECT_EQ(WaitForSingleObject(program.process, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(TraceIndex(trace, "worker box"), ReadFileLines(trace).size());
    EXPECT_EQ(PidsNamed(kTargetName).size(), 1u);
    DismissBox(box, Dismiss::OkButton);
    EXPECT_EQ(ExitCodeOf(program, 10000), 0xFFFFFFFFu);
}

// The Path line of a program in a drive's root has one backslash; a fault
// raised while the report is composed gets the default box instead.
TEST(ReportInRestart, RootPathAndFaultWhileComposing) {
    const std::string root = "C:\\RestartRealname-root.exe";
    ASSERT_TRUE(CopyFileTo(ExeDir() + "\\RestartRealname-test.exe", root));
    std::string title;
    DWORD exitCode = 0;
    const std::string report = ReportOf({true, "main-window-fails", "", root}, &title, &exitCode);
    EXPECT_NE(report.find("\r\nPath:  C:\\RestartRealname-root.exe\r\n"), std::string::npos) << report;
    EXPECT_EQ(exitCode, 0xFFFFFFFFu);

    const std::string box = ReportOf({true, "main-window-fails,declare=3:3", "", root}, &title, &exitCode);
    EXPECT_EQ(title, "错误");
    EXPECT_EQ(box, "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n\r\n67174816, 114\r\n");
    EXPECT_EQ(exitCode, 0xFFFFFFFFu);
    DeleteFileA(root.c_str());
}
