// The target lookup, run against real processes in the Wine prefixes.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "platform/system_function_table.h"
#include "program_run.h"
#include "restart/find_process_path.h"
#include "support/hex.h"

namespace {

// The path the target reports for itself.
std::string OwnPath(const std::string& folder) {
    const std::vector<TargetStart> starts = ReadTargetLog(folder);
    return starts.empty() ? "" : starts.back().path;
}

std::string Found() { return FindProcessPath(kTargetName).c_str(); }

// A target for death tests. A death test runs its test again in a child
// process up to the statement; the child finds the target that its parent
// started instead of starting one of its own.
struct ParentsTarget {
    std::unique_ptr<ScratchFolder> folder;
    StartedSet started;
    ParentsTarget() {
        if (testing::internal::InDeathTestChild()) return;
        folder = std::make_unique<ScratchFolder>("lookup target");
        started.Add(StartTarget(PlaceTarget(folder->dir)));
    }
};

std::string DefaultBox(const std::string& lines) {
    return BoxLine(MB_ICONERROR, "错误", "运行时出错!\r\n" + lines);
}

}  // namespace

TEST(Lookup, FindsTheFullPathOfTheRunningTarget) {
    ScratchFolder folder("lookup found");
    StartedSet started;
    started.Add(StartTarget(PlaceTarget(folder.dir)));
    ASSERT_FALSE(OwnPath(folder.dir).empty());
    EXPECT_EQ(Found(), OwnPath(folder.dir));
}

TEST(Lookup, NotRunningGivesEmptyAndBindsNothing) {
    ReleaseSystemFunctions();
    ASSERT_TRUE(PidsNamed(kTargetName).empty());
    EXPECT_EQ(Found(), "");
    for (SystemFunction entry : {kOpenProcess, kGetModuleFileNameExA, kCloseHandle})
        EXPECT_FALSE(IsSystemFunctionBound(entry)) << entry;
}

TEST(Lookup, NameDifferingInCaseDoesNotMatch) {
    ScratchFolder folder("lookup case");
    StartedSet started;
    started.Add(StartTarget(PlaceTarget(folder.dir, "", "auditrealnamemain.exe")));
    ASSERT_EQ(PidsNamed("auditrealnamemain.exe").size(), 1u);
    EXPECT_EQ(Found(), "");
}

TEST(Lookup, FirstInSnapshotOrderIsTheOneFound) {
    ScratchFolder first("lookup first"), second("lookup second");
    StartedSet started;
    started.Add(StartTarget(PlaceTarget(first.dir)));
    started.Add(StartTarget(PlaceTarget(second.dir)));
    const std::vector<DWORD> pids = PidsNamed(kTargetName);
    ASSERT_EQ(pids.size(), 2u);
    const std::string expected = pids[0] == started.list[0].pid ? OwnPath(first.dir) : OwnPath(second.dir);
    EXPECT_EQ(Found(), expected);
}

// A path that fills a MAX_PATH buffer may have been cut and is never
// returned; the longest whole path (259 characters) must still be found.
// (Wine starts no program from a longer path, so the cut case is not made here.)
TEST(Lookup, LongestWholePathIsFound) {
    ScratchFolder base("lookup long");
    const std::string folder = base.dir + "\\" + std::string(259 - base.dir.size() - 2 - (sizeof kTargetName - 1), 'd');
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string exe = PlaceTarget(folder);
    ASSERT_EQ(exe.size(), 259u);
    StartedSet started;
    ASSERT_TRUE(started.Add(StartTarget(exe)).pid);
    EXPECT_EQ(Found(), OwnPath(folder));
}

// Each call through the table is checked: a declaration with one argument too
// many or too few shows as a stack fault at the call's position.
TEST(Lookup, WronglyDeclaredEntryRaisesCode6AtItsPosition) {
    ParentsTarget target;
    const struct {
        const char* inject;
        int position;
    } cases[] = {{"declare=0:4", 382}, {"declare=0:2", 382}, {"declare=1:5", 560},
                 {"declare=1:3", 560}, {"declare=2:2", 671}, {"declare=2:0", 671}};
    for (const auto& c : cases) {
        SetEnvironmentVariableA("RR_INJECT", c.inject);
        EXPECT_EXIT(FindProcessPath(kTargetName), testing::ExitedWithCode(-1),
                    DefaultBox("\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n\r\n67174795, " +
                               std::to_string(c.position) + "\r\n"))
            << c.inject;
    }
    SetEnvironmentVariableA("RR_INJECT", nullptr);
}

// Run with WINEDLLOVERRIDES=psapi=d: the library cannot be bound, which is
// noticed only once a target was found and opened.
TEST(PsapiDisabled, TargetRunningGivesTheBindingFault) {
    if (!testing::internal::InDeathTestChild()) EXPECT_EQ(Found(), "");
    ParentsTarget target;
    EXPECT_EXIT(FindProcessPath(kTargetName), testing::ExitedWithCode(-1),
                DefaultBox("\r\n错误信息：无法找到指定DLL库文件“Psapi”中的输出命令“GetModuleFileNameExA”\r\n\r\n0, 0\r\n"));
}

// Run with WINEDLLOVERRIDES=psapi=n,b, so that a plain LoadLibraryA("Psapi")
// would take a psapi.dll found in the program's folder or current directory.
TEST(PlantedPsapi, IsNeverLoaded) {
    ScratchFolder folder("lookup planted"), current("lookup cwd");
    StartedSet started;
    started.Add(StartTarget(PlaceTarget(folder.dir)));
    const std::string beside = ExeDir() + "\\psapi.dll", inCurrent = current.dir + "\\psapi.dll";
    ASSERT_TRUE(CopyFileTo(ExeDir() + "\\planted_psapi.dll", beside));
    ASSERT_TRUE(CopyFileTo(ExeDir() + "\\planted_psapi.dll", inCurrent));
    SetCurrentDirectoryA(current.dir.c_str());
    ReleaseSystemFunctions();

    EXPECT_EQ(Found(), OwnPath(folder.dir));
    EXPECT_EQ(GetFileAttributesA((ExeDir() + "\\planted_psapi_loaded.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((current.dir + "\\planted_psapi_loaded.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    // The plant is real: the standard search does pick it up.
    ReleaseSystemFunctions();
    HMODULE plain = LoadLibraryA("Psapi");
    EXPECT_NE(GetFileAttributesA((ExeDir() + "\\planted_psapi_loaded.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    if (plain) FreeLibrary(plain);
    SetCurrentDirectoryA(ExeDir().c_str());
    DeleteFileA(beside.c_str());
    DeleteFileA((ExeDir() + "\\planted_psapi_loaded.txt").c_str());
    DeleteFileA(inCurrent.c_str());
    DeleteFileA((current.dir + "\\planted_psapi_loaded.txt").c_str());
}

// In the 64-bit prefix: this 32-bit code cannot list a 64-bit process's
// modules, yet the target's path is found.
TEST(Lookup64, FindsA64BitTarget) {
    ScratchFolder folder("lookup x64");
    StartedSet started;
    const Started target = started.Add(StartTarget(PlaceTarget(folder.dir, "", kTargetName, true)));
    ASSERT_TRUE(target.pid);
    EXPECT_EQ(Found(), OwnPath(folder.dir));

    using ModuleName = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
    HMODULE psapi = LoadLibraryA("psapi.dll");
    auto moduleName = reinterpret_cast<ModuleName>(
        reinterpret_cast<void*>(GetProcAddress(psapi, "GetModuleFileNameExA")));
    char path[MAX_PATH] = "";
    EXPECT_EQ(moduleName(target.process, nullptr, path, MAX_PATH), 0u) << path;
}
