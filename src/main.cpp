// Tessarin: builds the main window and runs the one user-interface thread.

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/app/command_line.h"
#include "ui/main_window.h"
#include "win32/shell.h"
#include "win32/wide.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    const std::string line = tessarin::WideToUtf8(GetCommandLineW());
    tessarin::frmTessarin main({tessarin::ProgramFolder(), std::string(tessarin::ArgumentsOf(line))});
    if (!main.Load()) return 1;

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab moves between the controls as in a dialog.
        if (main.hwnd() != nullptr && IsDialogMessageW(main.hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
