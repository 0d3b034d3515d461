#include "restart/end_process.h"

#include <windows.h>

#include <cstring>

#include "platform/owned_handle.h"
#include "platform/test_points.h"
#include "restart/process_list.h"

namespace {

constexpr DWORD kEndWaitMs = 3000;

// The first process in snapshot order that `accept` takes, or 0.
template <typename Accept>
DWORD FindProcess(Accept accept) {
    for (const ProcessEntry& entry : ListProcesses()) {
        if (accept(entry)) return entry.processId;
    }
    return 0;
}

// A window title alone never picks a process: its owner must run an
// executable of that name, or an unrelated program could be ended.
DWORD OwnerOfTitledWindow(const char* name) {
    HWND window = FindWindowA(nullptr, name);
    DWORD owner = 0;
    if (!window || !GetWindowThreadProcessId(window, &owner) || !owner) return 0;
    return FindProcess([&](const ProcessEntry& entry) {
        return entry.processId == owner && NamesEqualIgnoringCase(entry.exeName.c_str(), name);
    });
}

}  // namespace

bool NamesEqualIgnoringCase(const char* a, const char* b) {
    const std::size_t length = std::strlen(a);
    if (length != std::strlen(b) || length >= MAX_PATH) return false;
    char upperA[MAX_PATH], upperB[MAX_PATH];
    std::memcpy(upperA, a, length);
    std::memcpy(upperB, b, length);
    CharUpperBuffA(upperA, static_cast<DWORD>(length));
    CharUpperBuffA(upperB, static_cast<DWORD>(length));
    return std::memcmp(upperA, upperB, length) == 0;
}

bool EndProcessByName(const char* name) {
    if (!name || !*name || TestPoint("end-refused")) return false;
    DWORD processId = OwnerOfTitledWindow(name);
    if (!processId) {
        processId = FindProcess([&](const ProcessEntry& entry) {
            return NamesEqualIgnoringCase(entry.exeName.c_str(), name);
        });
    }
    if (!processId) return false;
    OwnedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process) process = OwnedHandle(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (!process || !TerminateProcess(process.get(), 0)) return false;
    // TerminateProcess does not wait; a new instance started while this one
    // is still going down could find it and quit.
    WaitForSingleObject(process.get(), kEndWaitMs);
    return true;
}
