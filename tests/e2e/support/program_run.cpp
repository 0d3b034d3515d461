#include "program_run.h"

#include <cstdio>

ScratchFolder::ScratchFolder(const std::string& name) : dir(MakeTempDir(name)) {}

namespace {

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(dir + "\\" + name);
            else DeleteFileA((dir + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

ScratchFolder::~ScratchFolder() {
    if (!dir.empty()) RemoveTree(dir);
}

StartedSet::~StartedSet() {
    for (Started& started : list) EndStarted(started);
}

Started StartedSet::Add(const Started& started) {
    list.push_back(started);
    return list.back();
}

Started StartedSet::AdoptPid(DWORD pid) {
    for (const Started& each : list) {
        if (each.pid == pid) return each;
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    return process ? Add({pid, process}) : Started{0, nullptr};
}

void StartedSet::AdoptTargetsStartedIn(const std::string& folder) {
    for (const TargetStart& start : ReadTargetLog(folder)) AdoptPid(start.pid);
}

std::string PlaceTarget(const std::string& folder, const std::string& config, const std::string& name,
                        bool x64) {
    const std::string exe = folder + "\\" + name;
    CopyFileTo(ExeDir() + (x64 ? "\\fake_target64.exe" : "\\fake_target.exe"), exe);
    if (!config.empty()) WriteFileText(folder + "\\fake_target.cfg", config);
    return exe;
}

Started StartTarget(const std::string& exe) {
    const std::string folder = exe.substr(0, exe.rfind('\\'));
    Started started = StartProgram(exe, "", folder);
    if (started.process) WaitForInputIdle(started.process, 5000);
    return started;
}

Started StartRestartProgram(const ProgramOptions& options) {
    std::string exe = options.exe;
    if (exe.empty()) exe = ExeDir() + (options.testBuild ? "\\RestartRealname-test.exe" : "\\RestartRealname.exe");
    SetEnvironmentVariableA("RR_INJECT", options.inject.empty() ? nullptr : options.inject.c_str());
    SetEnvironmentVariableA("RR_TRACE", options.trace.empty() ? nullptr : options.trace.c_str());
    Started started = StartProgram(exe, "", options.cwd);
    SetEnvironmentVariableA("RR_INJECT", nullptr);
    SetEnvironmentVariableA("RR_TRACE", nullptr);
    return started;
}

bool TraceHas(const std::string& path, const std::string& line) {
    for (const std::string& each : ReadFileLines(path)) {
        if (each == line) return true;
    }
    return false;
}

std::size_t TraceIndex(const std::string& path, const std::string& prefix) {
    const std::vector<std::string> lines = ReadFileLines(path);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(prefix, 0) == 0) return i;
    }
    return lines.size();
}

bool ShutdownRanOnUiThread(const std::string& trace) {
    for (const std::string& line : ReadFileLines(trace)) {
        unsigned long thread = 0, ui = 1;
        if (std::sscanf(line.c_str(), "shutdown thread=%lu ui=%lu", &thread, &ui) == 2) return thread == ui;
    }
    return false;
}

HWND WaitBox(DWORD pid, DWORD timeoutMs) { return WaitForWindow(pid, "#32770", timeoutMs); }

DWORD ExitCodeOf(const Started& started, DWORD timeoutMs) {
    DWORD code = 0xDEAD;
    return WaitExit(started.process, timeoutMs, &code) ? code : 0xDEAD;
}
