#include "app/main_window.h"

#include <commctrl.h>

#include <atomic>

#include "app/program_start.h"
#include "platform/owned_handle.h"
#include "platform/test_points.h"
#include "restart/restart_sequence.h"

const char kLabelText[] = "正在重启实名，请稍侯...";

namespace {

constexpr int kWidth = 375;
constexpr int kHeight = 109;
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kControlStyle = WS_CHILD | WS_CLIPSIBLINGS;
constexpr UINT kClassStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
constexpr int kBarMinimum = 0;
constexpr int kBarMaximum = 100;

// Read by the progress worker, written on the user-interface thread.
std::atomic<HWND> gMainWindow{nullptr};
std::atomic<HWND> gProgressBar{nullptr};
OwnedIcon gBigIcon;
OwnedIcon gSmallIcon;

void FillButtonFace(HDC dc, const RECT& area) { FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE)); }

void PaintWindow(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillButtonFace(dc, paint.rcPaint);
    EndPaint(window, &paint);
}

// The label draws its own text: centred across, wrapped, from the top edge.
void PaintLabel(HWND label) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(label, &paint);
    FillButtonFace(dc, paint.rcPaint);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    char text[256] = "";
    GetWindowTextA(label, text, sizeof text);
    RECT client;
    GetClientRect(label, &client);
    DrawTextA(dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_NOCLIP);
    SelectObject(dc, oldFont);
    EndPaint(label, &paint);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills the background
    case WM_PAINT:
        PaintWindow(window);
        return 0;
    case WM_DESTROY:
        gMainWindow = nullptr;
        gProgressBar = nullptr;
        if (LoopEntered()) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintLabel(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterWindowClass(const char* name, WNDPROC procedure) {
    WNDCLASSA windowClass = {};
    windowClass.style = kClassStyle;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
}

HICON LoadProgramIcon(int size) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "DEFAULT_ICON", IMAGE_ICON,
                                         size, size, LR_DEFAULTCOLOR));
}

// Replaces extended-style and style bits, then applies the frame change.
void ChangeFrame(HWND control, DWORD addExStyle, DWORD removeExStyle, DWORD removeStyle) {
    const LONG exStyle = GetWindowLongA(control, GWL_EXSTYLE);
    SetWindowLongA(control, GWL_EXSTYLE, (exStyle & ~static_cast<LONG>(removeExStyle)) | addExStyle);
    SetWindowLongA(control, GWL_STYLE, GetWindowLongA(control, GWL_STYLE) & ~static_cast<LONG>(removeStyle));
    SetWindowPos(control, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

HWND CreateWindowCentred() {
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    if (TestPoint("main-window-fails")) return nullptr;
    HWND window = CreateWindowExA(0, kMainWindowClass, "", kWindowStyle, left, top, kWidth, kHeight,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) return nullptr;
    RECT outer;
    GetWindowRect(window, &outer);
    if (outer.right - outer.left != kWidth || outer.bottom - outer.top != kHeight)
        MoveWindow(window, left, top, kWidth, kHeight, TRUE);
    gBigIcon = OwnedIcon(LoadProgramIcon(32));
    gSmallIcon = OwnedIcon(LoadProgramIcon(16));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(gBigIcon.get()));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(gSmallIcon.get()));
    TestTrace("icons big=%d small=%d", SendMessageA(window, WM_GETICON, ICON_BIG, 0) != 0,
              SendMessageA(window, WM_GETICON, ICON_SMALL, 0) != 0);
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return window;
}

HWND CreateControl(const char* className, const char* text, int top, std::uint32_t id) {
    if (id == kProgressBarId && TestPoint("bar-fails")) return nullptr;
    return CreateWindowExA(0, className, text, kControlStyle, 16, top, 336, 24, gMainWindow.load(),
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

bool CreateControls() {
    gProgressBar = CreateControl(PROGRESS_CLASSA, "", 42, kProgressBarId);
    if (!gProgressBar) return false;
    SendMessageA(gProgressBar, PBM_SETRANGE, 0, MAKELPARAM(kBarMinimum, kBarMaximum));
    SendMessageA(gProgressBar, PBM_SETPOS, 0, 0);
    ChangeFrame(gProgressBar, WS_EX_STATICEDGE, 0, WS_BORDER);
    HWND label = CreateControl(kLabelClass, kLabelText, 14, kLabelId);
    if (!label) return false;
    ChangeFrame(label, 0, WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME, WS_BORDER);
    ShowWindow(gProgressBar, SW_SHOWNA);
    ShowWindow(label, SW_SHOWNA);
    return true;
}

}  // namespace

bool LoadMainWindow() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    RegisterWindowClass(kMainWindowClass, MainWindowProc);
    RegisterWindowClass(kLabelClass, LabelProc);
    gMainWindow = CreateWindowCentred();
    if (!gMainWindow || !CreateControls()) return false;
    if (!EventsHeld()) OnMainWindowCreated();
    if (HWND window = gMainWindow; window && IsWindow(window)) ShowWindow(window, SW_SHOW);
    return true;
}

HWND MainWindow() { return gMainWindow; }

HWND ProgressBar() { return gProgressBar; }

bool SetBarPosition(int value) {
    if (value < 0) value = 0;
    if (value > 32767) value = 32767;
    if (value < kBarMinimum) value = kBarMinimum;
    if (value > kBarMaximum) value = kBarMaximum;
    HWND bar = gProgressBar;
    if (!bar || !IsWindow(bar)) return false;
    TestTrace("bar %d", value);
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(value), 0);
    return true;
}

void DestroyMainWindow() {
    if (HWND window = gMainWindow) DestroyWindow(window);
    gMainWindow = nullptr;
    gProgressBar = nullptr;
}

void DestroyMainWindowIcons() {
    gBigIcon.Reset();
    gSmallIcon.Reset();
}

const char* LoadedWindowName(std::uint32_t windowId) {
    HWND window = gMainWindow;
    return windowId == kMainWindowId && window && IsWindow(window) ? "启动窗口" : nullptr;
}

const char* WindowElementName(std::uint32_t windowId, std::uint32_t elementId) {
    if (!LoadedWindowName(windowId)) return nullptr;
    switch (elementId) {
    case 0:
    case kMainWindowElementId:
        return "启动窗口";
    case kLabelId:
        return "标签1";
    case kProgressBarId:
        return "进度条1";
    }
    return nullptr;
}
