#include "restart/process_list.h"

#include <tlhelp32.h>

#include "fault/fault_path.h"
#include "platform/owned_handle.h"

ProcessList ListProcesses() {
    ProcessList list;
    list.reserve(1024);
    OwnedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 record = {};
    record.dwSize = sizeof record;  // 296 bytes: the ANSI record
    static_assert(sizeof(PROCESSENTRY32) == 296, "the ANSI process record");
    for (BOOL more = Process32First(snapshot.get(), &record); more;
         more = Process32Next(snapshot.get(), &record)) {
        list.push_back({record.th32ProcessID, CopyText(record.szExeFile), record.th32ModuleID,
                        record.th32ParentProcessID, record.pcPriClassBase, record.cntThreads});
    }
    return list;
}

const ProcessEntry& EntryAt(const ProcessList& list, int index, std::uint32_t location,
                            std::uint32_t position) {
    if (index < 1) RaiseFault(4, location, position);
    if (index > static_cast<int>(list.size())) RaiseFault(1, location, position);
    return list[static_cast<std::size_t>(index - 1)];
}
