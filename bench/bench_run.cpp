// The latency from an injected Ctrl+C to "キャプチャー完了" in the status record (median of
// 20). Prints figures; passes or fails nothing. (The idle program's CPU time is measured from
// outside, by scripts/bench: Wine reports no times for other processes.)

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/shell.h"
#include "win32/wide.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string StatusField() {
    const tessarin::UniqueHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, L"Tessarin"));
    if (!mapping) return {};
    const tessarin::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 36));
    if (!view) return {};
    return std::string(static_cast<const char*>(view.get()) + 4, 32);
}

std::string Padded(const std::string& narrow) { return narrow + std::string(32 - narrow.size(), ' '); }

void Key(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

bool WaitFor(const std::string& status, std::chrono::seconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (StatusField() != status) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

struct Started {
    tessarin::UniqueHandle process;
    DWORD pid = 0;
};

Started Start(const std::wstring& arguments) {
    std::wstring line =
        L"\"" + tessarin::Utf8ToWide(tessarin::ProgramFolder() + "\\..\\bin\\Tessarin.exe") + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Started started;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return started;
    CloseHandle(pi.hThread);
    started.process.reset(pi.hProcess);
    started.pid = pi.dwProcessId;
    return started;
}

void CloseProgram(const Started& started) {
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            wchar_t name[32] = {};
            GetClassNameW(hwnd, name, 32);
            if (pid == static_cast<DWORD>(param) && std::wstring(name) == L"frmTessarin")
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
            return TRUE;
        },
        static_cast<LPARAM>(started.pid));
    // The captures are listed and unsaved: the question about them is answered No.
    for (int i = 0; i < 600 && WaitForSingleObject(started.process.get(), 50) == WAIT_TIMEOUT; ++i) {
        HWND box = tessarin::FindProcessWindow(started.pid, L"#32770", L"保存確認");
        if (box != nullptr) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    }
}

std::string Cp932(const wchar_t* text) {
    char buffer[64] = {};
    WideCharToMultiByte(932, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

}  // namespace

int main() {
    // Latency: a run, the pointer over the bare desktop, Ctrl+C twenty times.
    const std::string go = Padded("Go");
    const std::string done = Padded(Cp932(L"キャプチャー完了"));
    const Started run = Start(L"-auto -novisible");
    if (!run.process || !WaitFor(go, std::chrono::seconds(30))) {
        std::puts("bench_run: the run did not start");
        return 1;
    }
    SetCursorPos(400, 300);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        Key(VK_CONTROL, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const auto start = Clock::now();
        Key('C', true);
        if (!WaitFor(done, std::chrono::seconds(10))) break;
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        Key('C', false);
        Key(VK_CONTROL, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        Key(VK_F9, true);  // clears the status line for the next round
        WaitFor(Padded(""), std::chrono::seconds(10));
        Key(VK_F9, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    CloseProgram(run);
    if (latencies.size() < 20) {
        std::printf("bench_run: only %zu of 20 captures completed\n", latencies.size());
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("Ctrl+C to \"capture complete\" in the record, 20 captures: median %.1f ms (min %.1f, max %.1f)\n",
                (latencies[9] + latencies[10]) / 2, latencies.front(), latencies.back());
    return 0;
}
