#include "platform/message_box.h"

#include "platform/test_points.h"

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
    TestTrace("box style=%u owner=%p thread=%lu", style, static_cast<void*>(owner), GetCurrentThreadId());
    return MessageBoxA(owner, text, caption, style);
}
