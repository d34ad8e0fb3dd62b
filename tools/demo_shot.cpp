// Starts Tessarin from the program folder, takes a picture of its main window as a bitmap
// file and closes the program again: the screenshot of `make run` on a machine without a
// display of its own.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/wide.h"

namespace {

bool SaveBitmap(const std::wstring& path, HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    tessarin::WindowDc screen(nullptr);
    tessarin::MemoryDc memory(CreateCompatibleDC(screen.get()));
    tessarin::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), w, h));
    if (!memory || !bitmap) return false;
    {
        tessarin::SelectGuard select(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY | CAPTUREBLT);
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) / 4) * 4;
    std::vector<char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(h));
    if (!GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(h), pixels.data(),
                   reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    const tessarin::UniqueHandle out(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return out && WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
           WriteFile(out.get(), &info, sizeof info, &written, nullptr) &&
           WriteFile(out.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: demo_shot <Tessarin.exe> <out.bmp>\n", stderr);
        return 2;
    }
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fputs("demo_shot: Tessarin.exe did not start\n", stderr);
        return 1;
    }
    const tessarin::UniqueHandle process(pi.hProcess);
    const tessarin::UniqueHandle thread(pi.hThread);
    HWND main = nullptr;
    for (int i = 0; i < 3000; ++i) {
        main = tessarin::FindProcessWindow(pi.dwProcessId, L"frmTessarin");
        if (main != nullptr && IsWindowVisible(main)) break;
        Sleep(10);
    }
    DWORD_PTR result = 0;
    if (main == nullptr || !SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &result)) {
        std::fputs("demo_shot: no main window\n", stderr);
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    // Let the window finish painting before it is photographed.
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(500);
    const bool saved = SaveBitmap(argv[2], main);
    PostMessageW(main, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
    std::printf("demo_shot: picture %s, program %s\n", saved ? "saved" : "NOT saved",
                ended ? "ended" : "still running");
    return saved && ended ? 0 : 1;
}
