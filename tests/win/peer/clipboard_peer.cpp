// The second process of the clipboard tests: another program reading or holding the clipboard.
//   clipboard_peer.exe read <result file> <x1> <y1> <x2> <y2>
//     reads CF_BITMAP and writes "<width> <height> <RRGGBB at x1,y1> <RRGGBB at x2,y2>" to the
//     result file, or "none" when the clipboard has no bitmap.
//   clipboard_peer.exe hold <event prefix>
//     opens the clipboard, sets <prefix>.held, waits for <prefix>.release, then closes it.
// Exit code 0 when it did its part, otherwise one of ExitCode.

#include <windows.h>
// These build on windows.h.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "win32/handles.h"
#include "win32/wide.h"

namespace {

using tessarin::UniqueHandle;

// Long enough for a slow Wine start on the test's side; short enough that an abandoned peer
// ends by itself.
constexpr DWORD kDeadlineMs = 60000;

enum ExitCode { kDone = 0, kUsage = 2, kNoClipboard = 3, kNoEvents = 4, kTimedOut = 5, kReadFailed = 6 };

void Complain(const char* text) { std::fprintf(stderr, "clipboard_peer: %s\n", text); }

// Another program may hold the clipboard for a moment: Windows refuses at once, Wine waits.
bool OpenClipboardWithin(DWORD deadlineMs, HWND owner = nullptr) {
    const ULONGLONG end = ::GetTickCount64() + deadlineMs;
    while (::OpenClipboard(owner) == FALSE) {
        if (::GetTickCount64() >= end) return false;
        ::Sleep(10);
    }
    return true;
}

std::string Hex(uint32_t pixel) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(pixel & 0xFFFFFF));
    return text;
}

bool WriteResult(const std::wstring& path, const std::string& bytes) {
    const UniqueHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Closes the clipboard that OpenClipboardWithin opened.
struct OpenedClipboard {
    OpenedClipboard() = default;
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() { ::CloseClipboard(); }
};

std::string Describe(HBITMAP bitmap, const int (&points)[4]) {
    BITMAP header{};
    if (bitmap == nullptr || ::GetObjectW(bitmap, sizeof header, &header) == 0) return "none";
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = header.bmWidth;
    info.bmiHeader.biHeight = -header.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(header.bmWidth) * static_cast<size_t>(header.bmHeight));
    const tessarin::WindowDc screen(nullptr);
    if (::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(header.bmHeight), pixels.data(), &info,
                    DIB_RGB_COLORS) != header.bmHeight) {
        return "unreadable";
    }
    std::string result = std::to_string(header.bmWidth) + " " + std::to_string(header.bmHeight);
    for (int i = 0; i < 4; i += 2) {
        const int x = points[i];
        const int y = points[i + 1];
        const bool inside = x >= 0 && y >= 0 && x < header.bmWidth && y < header.bmHeight;
        result += " ";
        result +=
            inside ? Hex(pixels[static_cast<size_t>(y) * static_cast<size_t>(header.bmWidth) + static_cast<size_t>(x)])
                   : "-";
    }
    return result;
}

int Read(const std::wstring& resultFile, const int (&points)[4]) {
    std::string result;
    {
        if (!OpenClipboardWithin(kDeadlineMs)) return kNoClipboard;
        const OpenedClipboard opened;
        // The bitmap belongs to the clipboard: read it, never delete it.
        result = Describe(static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP)), points);
    }
    return WriteResult(resultFile, result) ? kDone : kReadFailed;
}

int Hold(const std::wstring& prefix) {
    const UniqueHandle held(::OpenEventW(EVENT_MODIFY_STATE, FALSE, (prefix + L".held").c_str()));
    const UniqueHandle release(::OpenEventW(SYNCHRONIZE, FALSE, (prefix + L".release").c_str()));
    if (!held || !release) return kNoEvents;
    // Held for a window of its own, as programs do: Wine lets a second opener in when both
    // open the clipboard for no window.
    const tessarin::UniqueWindow window(::CreateWindowExW(0, L"Static", L"clipboard_peer", WS_POPUP, 0, 0, 1, 1,
                                                          nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (!window) return kNoClipboard;
    if (!OpenClipboardWithin(kDeadlineMs, window.get())) return kNoClipboard;
    const OpenedClipboard opened;
    ::SetEvent(held.get());
    return ::WaitForSingleObject(release.get(), kDeadlineMs) == WAIT_OBJECT_0 ? kDone : kTimedOut;
}

int Run(int argc, wchar_t** argv) {
    if (argc == 7 && std::wcscmp(argv[1], L"read") == 0) {
        int points[4] = {};
        for (int i = 0; i < 4; ++i) points[i] = static_cast<int>(std::wcstol(argv[3 + i], nullptr, 10));
        return Read(argv[2], points);
    }
    if (argc == 3 && std::wcscmp(argv[1], L"hold") == 0) return Hold(argv[2]);
    Complain("usage: clipboard_peer read <result file> <x1> <y1> <x2> <y2> | hold <event prefix>");
    return kUsage;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr) return kUsage;
    const int code = Run(argc, argv);
    ::LocalFree(argv);
    return code;
}
