#pragma once
// The running processes, in the order a toolhelp snapshot yields them.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/text.h"

struct ProcessEntry {
    DWORD processId;
    Text exeName;  // empty when the system reports no name
    DWORD moduleId;
    DWORD parentProcessId;
    LONG basePriority;
    DWORD threadCount;
};

// Memory for the list comes through AllocateBytes, so a request that cannot
// be met is the program's memory fault rather than an abort.
template <typename T>
struct FaultingAllocator {
    using value_type = T;
    FaultingAllocator() = default;
    template <typename U>
    FaultingAllocator(const FaultingAllocator<U>&) {}
    T* allocate(std::size_t count) { return static_cast<T*>(AllocateBytes(count * sizeof(T))); }
    void deallocate(T* memory, std::size_t) { ReleaseBytes(memory); }
    template <typename U>
    bool operator==(const FaultingAllocator<U>&) const { return true; }
    template <typename U>
    bool operator!=(const FaultingAllocator<U>&) const { return false; }
};

// The list has room for 1024 entries at first and grows when more processes
// run, so a target listed after the 1024th process is still found.
using ProcessList = std::vector<ProcessEntry, FaultingAllocator<ProcessEntry>>;

// One entry per process of a fresh snapshot; empty when no snapshot is had.
ProcessList ListProcesses();

// Entry `index` (counted from 1) of the list. An index below 1 raises fault
// code 4, one above the count code 1, both at `location`/`position`.
const ProcessEntry& EntryAt(const ProcessList& list, int index, std::uint32_t location,
                            std::uint32_t position);
