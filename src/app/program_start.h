#pragma once
// Start and end of the program: the order of start-up, the message loop,
// ending from any thread, and the clean-up on the user-interface thread.
#include <windows.h>

#include "platform/text.h"

// The private message that hands an end request to the user-interface
// thread: wParam is the exit code, lParam 0.
constexpr UINT EndProgramMessage = WM_APP + 999;

// Folder (no trailing backslash) and file name of the program's executable.
extern Text RunDirectory;
extern Text ExecutableName;

// The never-shown window of the user-interface thread that takes end requests.
HWND HiddenOwnerWindow();

// Splits a path at its last backslash, read character by character in the
// ANSI code page so that the second byte of a double-byte character is never
// taken for a backslash. No backslash: empty folder, the whole path as name.
void SplitProgramPath(const char* path, Text* directory, Text* name);

// Runs the program on the calling thread; returns 0 when its message loop ends.
int ProgramStart();

// Ends the program with the exit code, from any thread (see program_end.cpp).
void EndProgram(int exitCode);

// Clean-up on the user-interface thread before the process ends.
void Shutdown();

// Raised by EndProgram and by the fault path; while above 0 no window event
// reaches the program's event handlers. Nothing lowers it.
void RaiseEventHold();
bool EventsHeld();

// Set once ProgramStart reaches its message loop.
bool LoopEntered();

// The thread that runs ProgramStart (0 before it ran).
DWORD UserInterfaceThreadId();
