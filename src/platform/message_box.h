#pragma once
// Every message box of the program goes through here. The test programs link
// a recording stand-in in place of message_box.cpp.
#include <windows.h>

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style);
