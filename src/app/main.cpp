// RestartRealname: restarts the running AuditRealnamemain.exe and shows its progress.
#include <windows.h>

#include "app/program_start.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    EndProgram(ProgramStart());
    return 0;
}
