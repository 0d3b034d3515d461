#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

#include "platform/system_function_table.h"
#include "support/hex.h"

extern "C" std::uint32_t CallWithStackCheck(const void* function, const std::uint32_t* arguments,
                                            std::uint32_t count, std::int32_t* stackShift);

// The check itself: a stdcall function called with the arguments it takes
// leaves the stack as it was; one argument more or fewer shows as a shift.
TEST(StackCheck, ShiftShowsArgumentsDeclaredWrongly) {
    const void* lengthOf = reinterpret_cast<const void*>(&lstrlenA);  // takes one argument
    const std::uint32_t arguments[] = {reinterpret_cast<std::uint32_t>("four"), 0, 0};
    const struct {
        std::uint32_t count;
        std::int32_t shift;
    } cases[] = {{1, 0}, {2, -4}, {3, -8}, {0, 4}};
    for (const auto& c : cases) {
        std::int32_t shift = 99;
        const std::uint32_t result = CallWithStackCheck(lengthOf, arguments, c.count, &shift);
        EXPECT_EQ(shift, c.shift) << "declared with " << c.count;
        if (c.count > 0) EXPECT_EQ(result, 4u);
    }
}

TEST(StackCheck, CorrectDeclarationsPassAndBindAtFirstCall) {
    ReleaseSystemFunctions();  // other tests of this program may have bound entries
    EXPECT_FALSE(IsSystemFunctionBound(kGetCurrentProcess));
    EXPECT_EQ(CallSystemFunction(kGetCurrentProcess, {}, {1, 2}), 0xFFFFFFFFu);
    EXPECT_TRUE(IsSystemFunctionBound(kGetCurrentProcess));
    EXPECT_FALSE(IsSystemFunctionBound(kIsWow64Process));
    ReleaseSystemFunctions();
    EXPECT_FALSE(IsSystemFunctionBound(kGetCurrentProcess));
}

// A wrongly declared entry (the test build's "declare" point) raises code 6.
TEST(StackCheck, WrongDeclarationRaisesCode6AtItsPosition) {
    SetEnvironmentVariableA("RR_INJECT", "declare=6:1");
    const std::string box = BoxLine(MB_ICONERROR, "错误",
                                    "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n"
                                    "\r\n67174816, 682\r\n");
    EXPECT_EXIT(CallSystemFunction(kGetCurrentProcess, {}, {67174816, 682}),
                testing::ExitedWithCode(-1), box);
    SetEnvironmentVariableA("RR_INJECT", nullptr);
}

TEST(Binding, MissingLibraryOrFunctionNamesTheDeclaredNames) {
    const struct {
        const char* library;
        const char* function;
    } cases[] = {{"NoSuchLibrary", "Anything"}, {"kernel32", "NoSuchFunction"}};
    for (const auto& c : cases) {
        const std::string message =
            std::string("无法找到指定DLL库文件“") + c.library + "”中的输出命令“" + c.function + "”";
        const std::string box = BoxLine(MB_ICONERROR, "错误", "运行时出错!\r\n\r\n错误信息：" + message +
                                                                 "\r\n\r\n0, 0\r\n");
        void* loaded = nullptr;
        EXPECT_EXIT(BindSystemFunction(c.library, c.function, &loaded), testing::ExitedWithCode(-1), box);
    }
}

TEST(Binding, LoadsFromTheSystemDirectory) {
    void* loaded = nullptr;
    ASSERT_TRUE(BindSystemFunction("Psapi", "GetModuleFileNameExA", &loaded));
    char path[MAX_PATH] = "", system[MAX_PATH] = "";
    GetModuleFileNameA(static_cast<HMODULE>(loaded), path, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, lstrlenA(system), system, -1),
              CSTR_EQUAL)
        << path;
    FreeLibrary(static_cast<HMODULE>(loaded));
}
