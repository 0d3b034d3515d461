#pragma once
// The program's own fault report, shown in place of the default fault box.
#include "platform/text.h"

// Installs FaultHandler as the program's fault handler.
void InstallFaultHandler();

// Shows the report for the fault and returns 1 (reported).
int FaultHandler(int code, const char* note);

// Composes the report text (the caller owns it) and, in ShowFaultReport, shows it.
Text ComposeFaultReport(int code, const char* note);
int ShowFaultReport(int code, const Text& note);
