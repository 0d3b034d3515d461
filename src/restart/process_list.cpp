#include "restart/process_list.h"

#include <tlhelp32.h>

#include <new>
#include <utility>

#include "fault/fault_path.h"
#include "platform/owned_handle.h"

namespace {

constexpr int kInitialCapacity = 1024;

}  // namespace

ProcessList::ProcessList(ProcessList&& other) noexcept
    : entries_(other.entries_), count_(other.count_), capacity_(other.capacity_) {
    other.entries_ = nullptr;
    other.count_ = other.capacity_ = 0;
}

ProcessList::~ProcessList() {
    for (int i = 0; i < count_; ++i) entries_[i].~ProcessEntry();
    ReleaseBytes(entries_);
}

void ProcessList::Append(ProcessEntry&& entry) {
    if (count_ == capacity_) {
        const int capacity = capacity_ ? capacity_ * 2 : kInitialCapacity;
        auto* entries = static_cast<ProcessEntry*>(AllocateBytes(sizeof(ProcessEntry) * capacity));
        for (int i = 0; i < count_; ++i) {
            new (&entries[i]) ProcessEntry(std::move(entries_[i]));
            entries_[i].~ProcessEntry();
        }
        ReleaseBytes(entries_);
        entries_ = entries;
        capacity_ = capacity;
    }
    new (&entries_[count_++]) ProcessEntry(std::move(entry));
}

ProcessList ListProcesses() {
    ProcessList list;
    OwnedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 record = {};
    record.dwSize = sizeof record;  // 296 bytes: the ANSI record
    static_assert(sizeof(PROCESSENTRY32) == 296, "the ANSI process record");
    for (BOOL more = Process32First(snapshot.get(), &record); more;
         more = Process32Next(snapshot.get(), &record)) {
        list.Append({record.th32ProcessID, CopyText(record.szExeFile), record.th32ModuleID,
                     record.th32ParentProcessID, record.pcPriClassBase, record.cntThreads});
    }
    return list;
}

const ProcessEntry& EntryAt(const ProcessList& list, int index, std::uint32_t location,
                            std::uint32_t position) {
    if (index < 1) RaiseFault(4, location, position);
    if (index > list.size()) RaiseFault(1, location, position);
    return list[index - 1];
}
