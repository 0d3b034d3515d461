#pragma once
// MainWindow: the small centred window with the label and the progress bar.
#include <windows.h>

#include <cstdint>

// Identifiers of the window and its elements (the controls use theirs as
// control identifiers).
constexpr std::uint32_t kMainWindowId = 0x52010001;
constexpr std::uint32_t kMainWindowElementId = 0x06010000;
constexpr std::uint32_t kLabelId = 0x16010003;
constexpr std::uint32_t kProgressBarId = 0x16010002;

constexpr char kMainWindowClass[] = "RestartRealnameWindow";
constexpr char kLabelClass[] = "RestartRealnameLabel";
// "正在重启实名，请稍侯..."
extern const char kLabelText[];

// Builds the window and its controls hidden, runs the creation event, then
// shows the window if it still exists. False when the window or a control
// cannot be created.
bool LoadMainWindow();

HWND MainWindow();
HWND ProgressBar();

// Sets the bar's position from any thread: the value is limited to 0..32767,
// then to the bar's range, and sent with PBM_SETPOS (which waits for the
// user-interface thread). False, with nothing sent, when the bar is
// gone (the window was closed).
bool SetBarPosition(int value);

// Used by Shutdown.
void DestroyMainWindow();
void DestroyMainWindowIcons();

// Names of loaded windows and their elements, quoted in fault notes: null
// when the window is not loaded, or the element is not one of its own
// (element 0 names the window's first element).
const char* LoadedWindowName(std::uint32_t windowId);
const char* WindowElementName(std::uint32_t windowId, std::uint32_t elementId);
