// Tessarin: builds every object of the program, hands each the ports it works through and runs
// the one user-interface thread.

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/app/command_line.h"
#include "core/app/program_life.h"
#include "core/capture/dispatcher.h"
#include "core/imagelist/list_controller.h"
#include "core/imagelist/strip_geometry.h"
#include "core/journal/capture_journal.h"
#include "core/run/run_controller.h"
#include "core/settings/key_names.h"
#include "core/settings/settings.h"
#include "core/text/paths.h"
#include "ui/main_window.h"
#include "ui/range_window.h"
#include "win32/accessibility.h"
#include "win32/background_work.h"
#include "win32/browser_document.h"
#include "win32/clipboard.h"
#include "win32/codepage.h"
#include "win32/desktop.h"
#include "win32/drag_drop.h"
#include "win32/filesystem.h"
#include "win32/grabber.h"
#include "win32/image_store.h"
#include "win32/input_wake.h"
#include "win32/journal_store.h"
#include "win32/key_state.h"
#include "win32/picture.h"
#include "win32/shell.h"
#include "win32/status_record.h"
#include "win32/thumbnail_decoder.h"
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
    using namespace tessarin;
    // Before anything loads a library by name.
    (void)RestrictLibrarySearch();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // Drag and drop need OLE on this thread, and the accessibility calls and the browser's
    // document model COM.
    const OleInit ole;

    // The system, through the ports the rules see.
    WinFileSystem fs;
    const PathContext paths{fs, ProgramFolder()};
    const AnsiCodePage codePage;
    SharedStatusRecord statusRecord;
    WinShell shell(paths);
    WinDesktop desktop;
    WinAccessibility accessibility;
    InputWake wake;
    AsyncKeyStateSource keys(&wake);
    // What a capture draws into, the downloads' pictures too; the pixels then go to the core.
    Picture pic;
    WinGrabber grabber(pic);
    WinClipboard clipboard;
    WinImageStore store(paths);
    OleDrag drag;
    WinBrowserDocuments documents;
    WinWebImages webImages(pic, Utf8ToWide(paths.programFolder + "\\mpng.dll"));

    // The program's own state, read and changed by the rules for as long as it runs.
    Settings settings;
    CommandLineFlags flags;
    const KeyNameTable keyNames = BuildKeyNameTable();

    // The main window comes first: its handle owns the other windows and its monitor's scale sizes
    // the strip.
    frmTessarin window({fs, paths, codePage, statusRecord, desktop, shell, &wake, settings, flags});
    if (!window.Create()) return 1;
    // The clipboard keeps what it is given for the window; the input watch wakes it.
    clipboard.setOwner(window.hwnd());
    wake.SetTarget(window.hwnd(), frmTessarin::kMsgInputWake);
    const int32_t twipsPerPixel = window.twipsPerPixel();
    const StripLayout layout = StripLayoutFor(twipsPerPixel);

    // Away from the window's thread: the save folder's listing, the thumbnail cache and the capture
    // journal's files, and the thumbnails of the loaded files. Both hand their results back through
    // the window's messages.
    WinBackgroundWork background;
    ImageListController* decodedInto = nullptr;  // the list, once it is made
    WinThumbnailDecoder decoder(layout, [&decodedInto](DecodedThumbnail thumbnail) {
        if (decodedInto != nullptr) decodedInto->ThumbnailDecoded(std::move(thumbnail));
    });

    // Every unsaved capture on disk until it is saved or let go: beside the program like conf.txt,
    // else in the user's local application data.
    WinJournalStore journalStore(fs);
    const SystemClock clock;
    CaptureJournal journal(
        JournalContext{journalStore, background, clock, JournalRoots(paths.programFolder, LocalAppDataFolder())});

    // The image list, the range overlay, the capture engine and the capture run.
    ImageListController list(ListContext{window, window, store, clipboard, drag, settings, paths, layout,
                                         // Without its workers the list decodes the thumbnails itself.
                                         decoder.ok() ? &decoder : nullptr, &fs, &background, &journal});
    decodedInto = &list;
    frmRect rect(window.hwnd(), twipsPerPixel, twipsPerPixel, desktop.osPlatformId());
    BrowserContext browser{documents, webImages, paths};
    CaptureContext capture{desktop, accessibility, grabber, clipboard, window, settings, flags, false, &browser};
    RunController run(RunContext{window, list, keys, rect, desktop, accessibility, settings, flags, keyNames, codePage,
                                 paths, shell, shell.windowsFolder(), twipsPerPixel, twipsPerPixel});

    // The program's life: start-up, the close and the end of the session.
    ProgramLife life(ProgramContext{window, list, run, rect, &decoder, background, &journal, statusRecord, shell,
                                    desktop, fs, paths, codePage, settings, flags,
                                    std::string(ArgumentsOf(WideToUtf8(GetCommandLineW())))});

    window.Attach({list, run, rect, capture, life});
    life.Load();

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab moves between the controls as in a dialog.
        if (window.hwnd() != nullptr && IsDialogMessageW(window.hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
