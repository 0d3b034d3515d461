#pragma once
// The restart of the target, run by the main window's creation event.

extern const char TargetProcessName[];  // "AuditRealnamemain.exe"

enum class RestartOutcome {
    Pending,       // the sequence has not finished
    Restarted,     // an instance was ended and the target started again
    NotFound,      // no path found: nothing ended, nothing started
    NotEnded,      // path found, no instance could be ended: nothing started
    LaunchFailed,  // ended, but the new start failed
};

// Starts the progress worker, looks up the target's path, ends up to three
// instances and starts it again from that path, then records the outcome.
void OnMainWindowCreated();

// What the last sequence achieved; read by the progress worker.
RestartOutcome LastRestartOutcome();
