// Start-up time of Tessarin.exe to its visible, started main window (median of 10 starts)
// and the USER and GDI objects of a started program. Prints figures; passes or fails nothing.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/shell.h"
#include "win32/wide.h"

int main() {
    const std::wstring exe = tessarin::Utf8ToWide(tessarin::ProgramFolder() + "\\..\\bin\\Tessarin.exe");
    std::vector<double> times;
    for (int run = 0; run < 10; ++run) {
        std::wstring line = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const auto start = std::chrono::steady_clock::now();
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            std::puts("bench_startup: Tessarin.exe did not start");
            return 1;
        }
        const tessarin::UniqueHandle process(pi.hProcess);
        const tessarin::UniqueHandle thread(pi.hThread);
        HWND main = nullptr;
        while (!tessarin::bench::StartedUp(main = tessarin::FindProcessWindow(pi.dwProcessId, L"frmTessarin"))) {
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(60)) {
                std::puts("bench_startup: no main window within 60 s");
                TerminateProcess(pi.hProcess, 1);
                return 1;
            }
            Sleep(1);
        }
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (run == 0) {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
            SetLastError(0);
            const DWORD user = GetGuiResources(pi.hProcess, GR_USEROBJECTS);
            const DWORD userError = GetLastError();
            const DWORD gdi = GetGuiResources(pi.hProcess, GR_GDIOBJECTS);
            std::printf("GetGuiResources: USER %lu, GDI %lu%s\n", user, gdi,
                        userError == ERROR_CALL_NOT_IMPLEMENTED ? " (not implemented on this system)" : "");
            std::printf("windows of the started program (top-level and child): %d\n",
                        tessarin::bench::CountWindows(pi.dwProcessId));
        }
        PostMessageW(main, WM_CLOSE, 0, 0);
        WaitForSingleObject(pi.hProcess, 30000);
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to the visible main window, 10 starts: median %.1f ms (min %.1f, max %.1f)\n",
                (times[4] + times[5]) / 2, times.front(), times.back());
    return 0;
}
