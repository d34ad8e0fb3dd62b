// Tessarin: builds the adapters, hands them to the main window and runs the one
// user-interface thread.

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/app/command_line.h"
#include "core/text/paths.h"
#include "ui/main_window.h"
#include "win32/accessibility.h"
#include "win32/browser_document.h"
#include "win32/clipboard.h"
#include "win32/codepage.h"
#include "win32/desktop.h"
#include "win32/drag_drop.h"
#include "win32/filesystem.h"
#include "win32/grabber.h"
#include "win32/image_store.h"
#include "win32/input_wake.h"
#include "win32/key_state.h"
#include "win32/picture.h"
#include "win32/shell.h"
#include "win32/status_record.h"
#include "win32/web_images.h"
#include "win32/wide.h"

namespace {

// Thumbnails and the preview are dragged out over OLE.
class OleDrag final : public tessarin::DragSource {
public:
    void dragImage(const tessarin::Image& image) override { (void)tessarin::StartBitmapDrag(image); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything loads a library by name.
    (void)tessarin::RestrictLibrarySearch();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // Drag and drop need OLE on this thread, and the accessibility calls and the browser's
    // document model COM.
    const tessarin::OleInit ole;

    tessarin::WinFileSystem fs;
    const tessarin::PathContext paths{fs, tessarin::ProgramFolder()};
    const tessarin::AnsiCodePage codePage;
    tessarin::SharedStatusRecord statusRecord;
    tessarin::WinDesktop desktop;
    tessarin::WinAccessibility accessibility;
    tessarin::AsyncKeyStateSource keys;
    tessarin::Picture pic;
    tessarin::WinGrabber grabber(pic);
    tessarin::WinClipboard clipboard(pic);
    tessarin::WinImageStore store(paths);
    OleDrag drag;
    tessarin::InputWake wake;
    tessarin::WinBrowserDocuments documents;
    tessarin::WinWebImages webImages(pic, tessarin::Utf8ToWide(paths.programFolder + "\\mpng.dll"));

    const std::string line = tessarin::WideToUtf8(GetCommandLineW());
    tessarin::frmTessarin main({fs, paths, std::string(tessarin::ArgumentsOf(line)), codePage, statusRecord, desktop,
                                accessibility, keys, pic, grabber, clipboard, store, drag, &wake, &documents,
                                &webImages});
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
