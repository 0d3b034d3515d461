// Runs RestartRealname.exe the way an operator meets it and saves pictures of
// what it shows. Started inside Wine's desktop window, so the pictures show
// Windows-style frames.
//   demo_driver <restart|not-running|fault> <folder for pictures>
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "driver.h"
#include "program_run.h"

namespace {

// Saves the whole screen (the desktop window) as a 24-bit BMP file.
bool SaveScreen(const std::string& path) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info = {sizeof info, width, height, 1, 24, BI_RGB};
    const DWORD stride = (width * 3 + 3) & ~3u, size = stride * height;
    std::string pixels(size, '\0');
    GetDIBits(memory, bitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof file + sizeof info + size), 0, 0,
                             sizeof file + sizeof info};
    std::string bytes(reinterpret_cast<char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<char*>(&info), sizeof info);
    bytes += pixels;
    WriteFileText(path, bytes);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return true;
}

int BarPosition(HWND window) {
    DWORD_PTR position = 0;
    SendMessageTimeoutA(GetDlgItem(window, kProgressBarId), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position);
    return static_cast<int>(position);
}

// Waits for the program's box, saves a picture of it, confirms it and
// reports the exit code.
void PictureTheBox(const Started& program, const std::string& picture) {
    HWND box = WaitBox(program.pid, 20000);
    if (!box) {
        std::printf("  no message box appeared\n");
        return;
    }
    Sleep(300);  // let it paint
    SaveScreen(picture);
    std::printf("  box: %s\n", BoxText(box).c_str());
    DismissBox(box, Dismiss::OkButton);
    std::printf("  RestartRealname.exe ended with exit code %ld\n", static_cast<long>(ExitCodeOf(program, 10000)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string scenario = argv[1], pictures = argv[2];
    const std::string folder = "C:\\Demo\\Audit Client";
    CreateDirectoryA("C:\\Demo", nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "\\fake_target.log").c_str());
    StartedSet started;
    if (scenario != "not-running") {
        const std::string target = PlaceTarget(folder, "title=AuditRealnamemain (demo target)");
        const Started old = started.Add(StartTarget(target));
        std::printf("  demo target running: pid %lu, %s\n", old.pid, target.c_str());
    } else {
        std::printf("  no demo target running\n");
    }
    const Started program = started.Add(StartProgram(ExeDir() + "\\RestartRealname.exe"));
    if (scenario == "restart") {
        HWND window = WaitForWindow(program.pid, kMainWindowClass, 20000);
        WaitUntil([&] { return window && BarPosition(window) >= 45; }, 10000);
        SaveScreen(pictures + "\\1-progress.bmp");
        PictureTheBox(program, pictures + "\\2-completion.bmp");
    } else {
        PictureTheBox(program, pictures + (scenario == "fault" ? "\\4-fault-report.bmp" : "\\3-warning.bmp"));
    }
    for (const TargetStart& start : ReadTargetLog(folder)) {
        std::printf("  target started: pid %lu, command line %s\n", start.pid, start.cmdline.c_str());
    }
    started.AdoptTargetsStartedIn(folder);
    return 0;
}
