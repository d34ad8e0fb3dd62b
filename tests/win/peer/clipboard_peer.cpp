// The second process of the clipboard tests: another program reading or holding the clipboard.
//   clipboard_peer.exe read <result file>
//     writes "<width> <height> <RRGGBB top left> <RRGGBB bottom right>" of the clipboard's
//     CF_BITMAP to the result file, or "none" when it has no bitmap.
//   clipboard_peer.exe hold <event>
//     opens the clipboard and keeps it open until the named event is set.
// Exit code 0 when it did its part.

#include <windows.h>
// These build on windows.h.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "win32/handles.h"

namespace {

using namespace tessarin;

std::string Describe(HBITMAP bitmap) {
    BITMAP header{};
    if (bitmap == nullptr || ::GetObjectW(bitmap, sizeof header, &header) == 0) return "none";
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, header.bmWidth, -header.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(static_cast<size_t>(header.bmWidth) * static_cast<size_t>(header.bmHeight));
    const WindowDc screen(nullptr);
    if (pixels.empty() || ::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(header.bmHeight), pixels.data(), &info,
                                      DIB_RGB_COLORS) != header.bmHeight) {
        return "unreadable";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%ld %ld %06X %06X", static_cast<long>(header.bmWidth),
                  static_cast<long>(header.bmHeight), pixels.front() & 0xFFFFFFU, pixels.back() & 0xFFFFFFU);
    return text;
}

int Read(const wchar_t* resultFile) {
    const ClipboardGuard clipboard(nullptr);
    // The bitmap belongs to the clipboard: read it, never delete it.
    const std::string result = Describe(static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP)));
    const UniqueHandle file(
        ::CreateFileW(resultFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool wrote =
        file && ::WriteFile(file.get(), result.data(), static_cast<DWORD>(result.size()), &written, nullptr);
    return clipboard && wrote && written == result.size() ? 0 : 3;
}

int Hold(const wchar_t* releaseEvent) {
    const UniqueHandle release(::OpenEventW(SYNCHRONIZE, FALSE, releaseEvent));
    // Held for a window of its own, as programs do: Wine lets a second opener in when both
    // open the clipboard for no window.
    const UniqueWindow window(
        ::CreateWindowExW(0, L"Static", L"clipboard_peer", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    if (!release || !window) return 2;
    const ClipboardGuard clipboard(window.get());
    // Long enough for a slow Wine start on the test's side; short enough that an abandoned
    // peer ends by itself.
    return !clipboard ? 3 : ::WaitForSingleObject(release.get(), 60000) == WAIT_OBJECT_0 ? 0 : 5;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    int code = 1;
    if (argv != nullptr && argc == 3 && std::wcscmp(argv[1], L"read") == 0) code = Read(argv[2]);
    if (argv != nullptr && argc == 3 && std::wcscmp(argv[1], L"hold") == 0) code = Hold(argv[2]);
    if (code == 1) std::fprintf(stderr, "usage: clipboard_peer read <result file> | hold <event>\n");
    ::LocalFree(argv);
    return code;
}
