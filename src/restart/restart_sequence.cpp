#include "restart/restart_sequence.h"

#include <windows.h>

#include <atomic>

#include "app/progress_worker.h"
#include "platform/test_points.h"
#include "platform/text.h"
#include "restart/end_process.h"
#include "restart/find_process_path.h"
#include "restart/launch_program.h"

const char TargetProcessName[] = "AuditRealnamemain.exe";

namespace {

std::atomic<RestartOutcome> gOutcome{RestartOutcome::Pending};

RestartOutcome Restart(const Text& path) {
    // Without a path the target could not be started again, so it is left alone.
    if (path.empty()) return RestartOutcome::NotFound;
    int ended = 0;
    for (int request = 0; request < 3; ++request) ended += EndProcessByName(TargetProcessName) ? 1 : 0;
    if (ended == 0) return RestartOutcome::NotEnded;
    if (TestPoint("delete-target")) DeleteFileA(path.c_str());
    // Quoted, so that a path with spaces starts exactly that file.
    Text commandLine = JoinTexts({"\"", path.c_str(), "\""});
    return LaunchProgram(commandLine.c_str(), false) ? RestartOutcome::Restarted
                                                     : RestartOutcome::LaunchFailed;
}

}  // namespace

void OnMainWindowCreated() {
    const unsigned long handlesBefore = TestHandleCount();
    StartProgressWorker();
    {
        Text path = FindProcessPath(TargetProcessName);
        gOutcome = Restart(path);
    }
    TestTrace("outcome %d handles before=%lu after=%lu", static_cast<int>(gOutcome.load()), handlesBefore,
              TestHandleCount());
}

RestartOutcome LastRestartOutcome() { return gOutcome; }
