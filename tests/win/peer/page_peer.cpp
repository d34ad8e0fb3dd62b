// The browser of the end-to-end browser test: a window of class "Internet Explorer_Server" titled
// "page_peer" that hands out the scripted page for WM_HTML_GETOBJECT, as a browser does.
//   page_peer.exe <quit event> <image address> <left> <top>
//     shows the window topmost at left, top, 200 x 150, its IMG pointing at the address, and
//     answers until the named event is set. Exit code 0 when it did its part.

#include <windows.h>
// These build on windows.h.
#include <oleacc.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "win/scripted_page.h"
#include "win32/messages.h"

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
    if (argv == nullptr || argc != 5) return 2;
    const UniqueHandle quit(::OpenEventW(SYNCHRONIZE, FALSE, argv[1]));
    const std::wstring source = argv[2];
    const int left = _wtoi(argv[3]), top = _wtoi(argv[4]);
    ::LocalFree(argv);
    const CoInit com;
    if (!quit || !com.ok()) return 3;
    test::ScriptedPage page(source);
    gPage = page.document;
    const UniqueWindow window(RegisterWindowClass(L"Internet Explorer_Server", PageWindowProc,
                                                  static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)))
                                  ? ::CreateWindowExW(WS_EX_TOPMOST, L"Internet Explorer_Server", L"page_peer",
                                                      WS_POPUP | WS_VISIBLE, left, top, 200, 150, nullptr, nullptr,
                                                      ::GetModuleHandleW(nullptr), nullptr)
                                  : nullptr);
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
