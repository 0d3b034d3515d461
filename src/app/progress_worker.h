#pragma once
// The progress worker: moves the bar from 1 to 100, tells the user how the
// restart went, then ends the program.

// Starts the worker thread; false when it cannot be created.
bool StartProgressWorker();

// The worker's body; ends the program, or stops when the window was closed
// or a fault was raised.
void ProgressWorker();
