#include "fault/fault_path.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#include "app/main_window.h"
#include "app/program_start.h"
#include "platform/message_box.h"

namespace {

FaultHandlerRoutine gHandler = nullptr;
std::atomic<bool> gHandlerRunning{false};
std::atomic<bool> gFaultRaised{false};

struct CodedMessage {
    int code;
    const char* message;
};

const CodedMessage kFaultMessageTable[] = {
    {1, "数组成员引用下标超出定义范围"},
    {4, "数组成员引用下标必须大于等于1"},
    {6, "调用DLL命令后发现堆栈错误"},
};

// Bits 24 to 27 of a location number tell what it names; 2 is a window.
constexpr std::uint32_t kWindowLocationKind = 2;

void AppendNumber(FaultText& out, int value) {
    char digits[16];
    wsprintfA(digits, "%d", value);
    out.Append(digits);
}

void AppendQuoted(FaultText& out, const char* name) {
    out.Append("\r\n\"");
    out.Append(name);
    out.Append("\"");
}

}  // namespace

void FaultText::Append(const char* part) {
    if (!part) return;
    std::size_t count = std::strlen(part);
    if (count > sizeof bytes - 1 - length) count = sizeof bytes - 1 - length;
    std::memcpy(bytes + length, part, count);
    length += count;
    bytes[length] = '\0';
}

void SetFaultHandler(FaultHandlerRoutine handler) { gHandler = handler; }

bool FaultRaised() { return gFaultRaised; }

const char* FaultMessage(int code) {
    for (const CodedMessage& entry : kFaultMessageTable) {
        if (entry.code == code) return entry.message;
    }
    return "";
}

void ComposePositionText(FaultText& out, std::uint32_t location, std::uint32_t position) {
    out.Append("\r\n");
    AppendNumber(out, static_cast<int>(location));
    out.Append(", ");
    AppendNumber(out, static_cast<int>(position));
    if (((location >> 24) & 0x0F) == kWindowLocationKind) {
        const char* window = LoadedWindowName(location);
        if (!window) {
            out.Append("\r\n未找到所指定的窗口");
        } else {
            AppendQuoted(out, window);
            const char* element = WindowElementName(location, position);
            if (element) AppendQuoted(out, element);
            else out.Append("\r\n未找到所指定的窗口组件");
        }
    }
    out.Append("\r\n");
}

void ComposeDefaultBoxText(FaultText& out, int code, const char* message, const char* positionText) {
    out.Append("运行时出错!\r\n");
    if (code != 0) {
        out.Append("\r\n错误代码：");
        AppendNumber(out, code);
        out.Append("\r\n");
    }
    if (message && *message) {
        out.Append("\r\n错误信息：");
        out.Append(message);
        out.Append("\r\n");
    }
    out.Append(positionText);
}

void ReportFault(const char* message, int code, std::uint32_t location, std::uint32_t position) {
    gFaultRaised = true;
    RaiseEventHold();
    FaultText positionText;
    ComposePositionText(positionText, location, position);

    bool reported = false;
    if (gHandler && !gHandlerRunning.exchange(true)) {
        FaultText note;
        note.Append(message);
        note.Append(positionText.bytes);
        reported = gHandler(code, note.bytes) != 0;
        gHandlerRunning = false;
    }
    if (!reported) {
        FaultText box;
        ComposeDefaultBoxText(box, code, message, positionText.bytes);
        ShowMessageBox(nullptr, box.bytes, "错误", MB_ICONERROR);
    }
    EndProgram(-1);
    // Only reached on a second thread while the user-interface thread is
    // already ending the process: end it here with the fault's exit code.
    ExitProcess(static_cast<UINT>(-1));
}

void RaiseFault(int code, std::uint32_t location, std::uint32_t position) {
    ReportFault(FaultMessage(code), code, location, position);
}

void RaiseMemoryFault(std::size_t count) {
    char message[64];
    wsprintfA(message, "分配 %d 字节内存失败!", static_cast<int>(count));
    ReportFault(message, 0, 0, 0);
}

void RaiseBindingFault(const char* library, const char* function) {
    FaultText message;
    message.Append("无法找到指定DLL库文件“");
    message.Append(library);
    message.Append("”中的输出命令“");
    message.Append(function);
    message.Append("”");
    ReportFault(message.bytes, 0, 0, 0);
}
