#include "fault/fault_report.h"

#include <windows.h>

#include "app/program_start.h"
#include "fault/fault_path.h"
#include "fault/system_identification.h"
#include "platform/message_box.h"
#include "platform/test_points.h"

namespace {

const char kSupportLine[] = "技术支持:   support.restart-realname.example";

}  // namespace

void InstallFaultHandler() {
    if (TestPoint("no-fault-handler")) return;
    SetFaultHandler(FaultHandler);
}

int FaultHandler(int code, const char* note) {
    Text copy = CopyText(note);
    return ShowFaultReport(code, copy);
}

Text ComposeFaultReport(int code, const char* note) {
    Text report = JoinTexts({"ErrorCode:  ", DecimalText(code).c_str(), "\r\nErrorNote:  ", note, "\r\n"});
    report = JoinTexts({report.c_str(), "Path:  ", RunDirectory.c_str(), "\\", ExecutableName.c_str(), "\r\n"});
    const char* architecture = IsWow64() ? "X64" : "X86";
    Text osName = GetOsName();
    Text osKind = DecimalText(GetOsKind());
    report = JoinTexts({report.c_str(), "OS: ", osName.c_str(), " , ", osKind.c_str(), " , ",
                        architecture, "\r\n\r\n"});
    return JoinTexts({report.c_str(), kSupportLine});
}

int ShowFaultReport(int code, const Text& note) {
    Text report = ComposeFaultReport(code, note.c_str());
    ShowMessageBox(nullptr, report.c_str(), "程序出现了故障，请联系技术支持", MB_ICONERROR | MB_TASKMODAL);
    return 1;
}
