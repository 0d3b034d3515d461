#include <gtest/gtest.h>

#include <string>

#include "app/program_start.h"
#include "fault/fault_path.h"
#include "fault/fault_report.h"
#include "fault/system_identification.h"
#include "support/hex.h"

namespace {

// The OS line as the live routines give it; their values per Windows version
// are checked end to end under differently configured prefixes.
std::string LiveOsLine() {
    const std::string architecture = IsWow64() ? "X64" : "X86";
    return "OS: " + std::string(GetOsName().c_str()) + " , " + std::to_string(GetOsKind()) + " , " +
           architecture + "\r\n";
}

const char kSupport[] = "\r\n技术支持:   support.restart-realname.example";

}  // namespace

TEST(FaultReport, ComposesTheLinesInOrder) {
    const struct {
        int code;
        const char* note;
        const char* directory;
        const char* expectedHead;  // up to the OS line
    } cases[] = {
        {4, "数组成员引用下标必须大于等于1\r\n67174795, 162\r\n", "D:\\Apps",
         "ErrorCode:  4\r\nErrorNote:  数组成员引用下标必须大于等于1\r\n67174795, 162\r\n\r\n"
         "Path:  D:\\Apps\\tool.exe\r\n"},
        {0, "", "C:", "ErrorCode:  0\r\nErrorNote:  \r\nPath:  C:\\tool.exe\r\n"},
        {-1, nullptr, "C:", "ErrorCode:  -1\r\nErrorNote:  \r\nPath:  C:\\tool.exe\r\n"},
    };
    ExecutableName = CopyText("tool.exe");
    for (const auto& c : cases) {
        RunDirectory = CopyText(c.directory);
        Text report = ComposeFaultReport(c.code, c.note);
        EXPECT_EQ(std::string(report.c_str()), c.expectedHead + LiveOsLine() + kSupport) << c.code;
    }
}

TEST(FaultReport, HandlerShowsTheReportAloneAndEndsWithMinusOne) {
    RunDirectory = CopyText("C:");
    ExecutableName = CopyText("tool.exe");
    InstallFaultHandler();
    const std::string report = std::string("ErrorCode:  4\r\nErrorNote:  数组成员引用下标必须大于等于1\r\n") +
                               "67174795, 162\r\n\r\nPath:  C:\\tool.exe\r\n" + LiveOsLine() + kSupport;
    EXPECT_EXIT(RaiseFault(4, kFindProcessPathLocation, 162), testing::ExitedWithCode(-1),
                "^" + BoxLine(0x2010, "程序出现了故障，请联系技术支持", report) + "\n$");
    SetFaultHandler(nullptr);
}

// A fault while the report is composed (here: a stack fault in the 64-bit
// test) gets the default box, never a second report.
TEST(FaultReport, FaultWhileComposingGetsTheDefaultBox) {
    InstallFaultHandler();
    SetEnvironmentVariableA("RR_INJECT", "declare=3:3");
    EXPECT_EXIT(RaiseFault(4, kFindProcessPathLocation, 162), testing::ExitedWithCode(-1),
                "^" +
                    BoxLine(MB_ICONERROR, "错误",
                            "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n"
                            "\r\n67174816, 114\r\n") +
                    "\n$");
    SetEnvironmentVariableA("RR_INJECT", nullptr);
    SetFaultHandler(nullptr);
}
