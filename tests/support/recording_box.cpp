// Stands in for the real message box in the unit tests: the box is written
// to standard error as hex, so that a test running the code in a child
// process can match it, and answered with IDOK at once.
#include <cstdio>

#include "platform/message_box.h"
#include "support/hex.h"

int ShowMessageBox(HWND, const char* text, const char* caption, UINT style) {
    std::fprintf(stderr, "BOX style=%u caption=%s text=%s END\n", style, Hex(caption).c_str(),
                 Hex(text).c_str());
    std::fflush(stderr);
    return IDOK;
}
