#pragma once
// The road of a fault: it is reported once (by the installed handler, else
// by the default box) and the program ends with exit code -1. Nothing here
// returns to the code that raised the fault.
#include <cstddef>
#include <cstdint>

// Location numbers of the program's own checks.
constexpr std::uint32_t kFindProcessPathLocation = 67174795;
constexpr std::uint32_t kIsWow64Location = 67174816;

// A fault handler gets the code and the note (valid only during the call) and
// returns non-zero when it has reported the fault, 0 to let the default box follow.
using FaultHandlerRoutine = int (*)(int code, const char* note);

// Stores the handler (null empties the slot); the last call wins.
void SetFaultHandler(FaultHandlerRoutine handler);

// A coded fault (1, 4 or 6): its message comes from the message table.
[[noreturn]] void RaiseFault(int code, std::uint32_t location, std::uint32_t position);
[[noreturn]] void ReportFault(const char* message, int code, std::uint32_t location,
                              std::uint32_t position);
// "分配 %d 字节内存失败!", code 0, location 0, position 0.
[[noreturn]] void RaiseMemoryFault(std::size_t count);
// "无法找到指定DLL库文件“%s”中的输出命令“%s”", code 0, location 0, position 0.
[[noreturn]] void RaiseBindingFault(const char* library, const char* function);

// The message of a coded fault; "" for a code outside the table.
const char* FaultMessage(int code);

// True from the moment any thread raised a fault: from then on nothing may
// report success.
bool FaultRaised();

// A bounded text for composing fault texts without asking for memory, so
// that a memory fault can itself be reported. Longer input is cut.
struct FaultText {
    char bytes[2048] = "";
    std::size_t length = 0;
    void Append(const char* part);
};

// "\r\n<location>, <position>", the window lines for a window location, "\r\n".
void ComposePositionText(FaultText& out, std::uint32_t location, std::uint32_t position);
// The text of the default box.
void ComposeDefaultBoxText(FaultText& out, int code, const char* message, const char* positionText);
