#pragma once
// The running processes, in the order a toolhelp snapshot yields them.
#include <windows.h>

#include <cstdint>

#include "platform/text.h"

struct ProcessEntry {
    DWORD processId;
    Text exeName;  // empty when the system reports no name
    DWORD moduleId;
    DWORD parentProcessId;
    LONG basePriority;
    DWORD threadCount;
};

// An owned list of entries. It has room for 1024 entries at first and grows
// when more processes run, so a target listed after the 1024th process is
// still found. Its memory comes through AllocateBytes.
class ProcessList {
public:
    ProcessList() = default;
    ProcessList(ProcessList&& other) noexcept;
    ProcessList& operator=(ProcessList&&) = delete;
    ProcessList(const ProcessList&) = delete;
    ~ProcessList();

    void Append(ProcessEntry&& entry);
    int size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const ProcessEntry* begin() const { return entries_; }
    const ProcessEntry* end() const { return entries_ + count_; }
    const ProcessEntry& operator[](int index) const { return entries_[index]; }

private:
    ProcessEntry* entries_ = nullptr;
    int count_ = 0;
    int capacity_ = 0;
};

// One entry per process of a fresh snapshot; empty when no snapshot is had.
ProcessList ListProcesses();

// Entry `index` (counted from 1) of the list. An index below 1 raises fault
// code 4, one above the count code 1, both at `location`/`position`.
const ProcessEntry& EntryAt(const ProcessList& list, int index, std::uint32_t location,
                            std::uint32_t position);
