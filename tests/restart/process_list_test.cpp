#include <gtest/gtest.h>

#include <windows.h>

#include "fault/fault_path.h"
#include "restart/process_list.h"
#include "support/hex.h"

TEST(ProcessList, ListsThisProcessWithItsName) {
    const ProcessList list = ListProcesses();
    ASSERT_FALSE(list.empty());
    bool found = false;
    for (const ProcessEntry& entry : list) {
        if (entry.processId == GetCurrentProcessId()) {
            found = true;
            EXPECT_STREQ(entry.exeName.c_str(), "unit_tests.exe");
            EXPECT_GE(entry.threadCount, 1u);
        }
    }
    EXPECT_TRUE(found);
}

TEST(ProcessList, ElementIndexChecks) {
    const ProcessList list = ListProcesses();
    const int count = list.size();
    EXPECT_EQ(&EntryAt(list, 1, kFindProcessPathLocation, 162), &list[0]);
    EXPECT_EQ(&EntryAt(list, count, kFindProcessPathLocation, 162), &list[count - 1]);
    const struct {
        int index;
        int code;
        const char* message;
        std::uint32_t position;
    } cases[] = {{0, 4, "数组成员引用下标必须大于等于1", 162},
                 {count + 1, 1, "数组成员引用下标超出定义范围", 262}};
    for (const auto& c : cases) {
        const std::string text = "运行时出错!\r\n\r\n错误代码：" + std::to_string(c.code) + "\r\n\r\n错误信息：" +
                                 c.message + "\r\n\r\n67174795, " + std::to_string(c.position) + "\r\n";
        EXPECT_EXIT(EntryAt(list, c.index, kFindProcessPathLocation, c.position),
                    testing::ExitedWithCode(-1), BoxLine(MB_ICONERROR, "错误", text));
    }
}

// The list keeps every entry, in order, past its first 1024.
TEST(ProcessList, GrowsPastItsFirstThousandEntries) {
    ProcessList list;
    for (DWORD id = 1; id <= 3000; ++id) list.Append({id, DecimalText(static_cast<int>(id)), 0, 0, 0, 0});
    ASSERT_EQ(list.size(), 3000);
    for (int i = 0; i < list.size(); i += 999) {
        EXPECT_EQ(list[i].processId, static_cast<DWORD>(i + 1));
        EXPECT_STREQ(list[i].exeName.c_str(), std::to_string(i + 1).c_str());
    }
}
