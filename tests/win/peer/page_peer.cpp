// The second process of the document window tests: a window of class "Internet Explorer_Server"
// titled "page_peer" that hands out the scripted page for WM_HTML_GETOBJECT, as a browser in
// another process does.
//   page_peer.exe <quit event> [<image address> <left> <top>]
//     makes the window (with an address: shown topmost at left, top, 200 x 150, its IMG
//     pointing there), answers until the named event is set, then ends. Exit code 0 when it
//     did its part.

#include <windows.h>
// These build on windows.h.
#include <oleacc.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "win/scripted_page.h"

namespace {

using namespace tessarin;

test::Scripted* gPage = nullptr;

LRESULT CALLBACK PageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT getObject = ::RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
    if (message == getObject && gPage != nullptr) return ::LresultFromObject(test::kIidHtmlDocument, wParam, gPage);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) return 2;
    const UniqueHandle quit(::OpenEventW(SYNCHRONIZE, FALSE, argv[1]));
    const bool shown = argc >= 5;
    const std::wstring source = shown ? argv[2] : L"http://h/写真.jpg";
    const int left = shown ? _wtoi(argv[3]) : 0;
    const int top = shown ? _wtoi(argv[4]) : 0;
    ::LocalFree(argv);
    const CoInit com;
    if (!quit || !com.ok()) return 3;
    test::ScriptedPage page(source);
    gPage = page.document;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PageWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Internet Explorer_Server";
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    ::RegisterClassW(&windowClass);
    const UniqueWindow window(::CreateWindowExW(shown ? WS_EX_TOPMOST : 0, L"Internet Explorer_Server", L"page_peer",
                                                WS_POPUP | (shown ? WS_VISIBLE : 0), left, top, shown ? 200 : 10,
                                                shown ? 150 : 10, nullptr, nullptr, windowClass.hInstance, nullptr));
    if (!window) return 4;
    // Calls from the other process arrive as messages of this single-threaded apartment.
    const HANDLE handle = quit.get();
    while (::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg{};
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    gPage = nullptr;
    return 0;
}
