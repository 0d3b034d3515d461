#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "fault/fault_path.h"
#include "support/hex.h"

namespace {

const char kError[] = "错误";

std::string PositionText(std::uint32_t location, std::uint32_t position) {
    FaultText out;
    ComposePositionText(out, location, position);
    return out.bytes;
}

// Handlers for the child processes of the death tests: they print what they
// got, so that the parent can see the handler ran and with which note.
int PrintingHandler(int code, const char* note, int answer) {
    std::fprintf(stderr, "HANDLER code=%d note=%s END\n", code, Hex(note).c_str());
    std::fflush(stderr);
    return answer;
}
int DeclineHandler(int code, const char* note) { return PrintingHandler(code, note, 0); }
int ReportHandler(int code, const char* note) { return PrintingHandler(code, note, 1); }
int FaultingHandler(int, const char*) { RaiseFault(1, kFindProcessPathLocation, 262); }

std::string HandlerLine(int code, const std::string& note) {
    return "HANDLER code=" + std::to_string(code) + " note=" + Hex(note) + " END";
}

}  // namespace

TEST(FaultPath, MessageTableAndPositionText) {
    EXPECT_STREQ(FaultMessage(1), "数组成员引用下标超出定义范围");
    EXPECT_STREQ(FaultMessage(4), "数组成员引用下标必须大于等于1");
    EXPECT_STREQ(FaultMessage(6), "调用DLL命令后发现堆栈错误");
    EXPECT_EQ(PositionText(67174795, 162), "\r\n67174795, 162\r\n");
    EXPECT_EQ(PositionText(0, 0), "\r\n0, 0\r\n");
    EXPECT_EQ(PositionText(0xF0000001, 0), "\r\n-268435455, 0\r\n");
    // A window location whose window is not loaded.
    EXPECT_EQ(PositionText(kMainWindowId, 0), "\r\n1375797249, 0\r\n未找到所指定的窗口\r\n");
}

TEST(FaultPath, DefaultBoxText) {
    const struct {
        int code;
        const char* message;
        const char* expected;
    } cases[] = {
        {4, "数组成员引用下标必须大于等于1",
         "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n\r\n67174795, 162\r\n"},
        {0, "载入启动窗口失败", "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n\r\n67174795, 162\r\n"},
        {6, "", "运行时出错!\r\n\r\n错误代码：6\r\n\r\n67174795, 162\r\n"},
    };
    for (const auto& c : cases) {
        FaultText box;
        ComposeDefaultBoxText(box, c.code, c.message, "\r\n67174795, 162\r\n");
        EXPECT_STREQ(box.bytes, c.expected) << c.code;
    }
}

TEST(FaultPath, EmptySlotShowsDefaultBoxAndEndsWithMinusOne) {
    SetFaultHandler(nullptr);
    EXPECT_EXIT(RaiseFault(4, kFindProcessPathLocation, 162), testing::ExitedWithCode(-1),
                BoxLine(MB_ICONERROR, kError,
                        "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"
                        "\r\n67174795, 162\r\n"));
}

TEST(FaultPath, MemoryFaultNote) {
    SetFaultHandler(ReportHandler);
    EXPECT_EXIT(RaiseMemoryFault(64), testing::ExitedWithCode(-1),
                HandlerLine(0, "分配 64 字节内存失败!\r\n0, 0\r\n"));
    SetFaultHandler(nullptr);
}

TEST(FaultPath, HandlerAnswerDecidesWhetherTheDefaultBoxFollows) {
    const std::string note = "数组成员引用下标必须大于等于1\r\n67174795, 162\r\n";
    const std::string box = BoxLine(MB_ICONERROR, kError,
                                    "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"
                                    "\r\n67174795, 162\r\n");
    SetFaultHandler(DeclineHandler);
    EXPECT_EXIT(RaiseFault(4, kFindProcessPathLocation, 162), testing::ExitedWithCode(-1),
                HandlerLine(4, note) + "\n" + box);
    SetFaultHandler(ReportHandler);
    EXPECT_EXIT(RaiseFault(4, kFindProcessPathLocation, 162), testing::ExitedWithCode(-1),
                HandlerLine(4, note) + "\n$");
    SetFaultHandler(nullptr);
}

TEST(FaultPath, FaultInsideRunningHandlerGetsDefaultBox) {
    SetFaultHandler(FaultingHandler);
    EXPECT_EXIT(RaiseFault(4, kFindProcessPathLocation, 162), testing::ExitedWithCode(-1),
                std::string("^") +
                    BoxLine(MB_ICONERROR, kError,
                            "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"
                            "\r\n67174795, 262\r\n") +
                    "\n$");
    SetFaultHandler(nullptr);
}
