#pragma once
// Starts a program from `commandLine` exactly as given, shown normally, with
// this program's current directory and environment. Waits for it to end when
// `waitForExit`, else at most 1000 ms until it is ready for input. True when
// the program was started.
bool LaunchProgram(const char* commandLine, bool waitForExit);
