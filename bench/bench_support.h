#pragma once
// What the benchmarks that drive Tessarin.exe from outside share: starting and closing it, its
// status record, injected keys and the windows it has.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "e2e/panel.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/shell.h"
#include "win32/wide.h"

namespace tessarin::bench {

using Clock = std::chrono::steady_clock;

inline std::string StatusField() {
    const UniqueHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, L"Tessarin"));
    if (!mapping) return {};
    const MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 36));
    if (!view) return {};
    return std::string(static_cast<const char*>(view.get()) + 4, 32);
}

inline std::string Padded(const std::string& narrow) { return narrow + std::string(32 - narrow.size(), ' '); }

inline std::string Cp932(const wchar_t* text) {
    char buffer[64] = {};
    WideCharToMultiByte(932, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

inline void Key(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

// The windows of the waiting thread keep answering meanwhile (the program asks them for their
// text and their accessible objects when it captures them).
inline bool WaitFor(const std::string& status, std::chrono::seconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (StatusField() != status) {
        if (Clock::now() > deadline) return false;
        ProcessPendingMessages();
        // Until a message arrives for this thread's windows, or the record is due a new look.
        MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return true;
}

// A key pressed or let go during a run; true once a pass of the run has seen it.
inline bool RunKey(HWND main, WORD vk, bool down) {
    Key(vk, down);
    return test::KeySeen(main, vk, down);
}

// Ctrl with a key during a run: the milliseconds from the key going down to `status` on the
// status line, or nothing when it never came. Both may go down in one look of the run, which
// reads the modifiers from the same sample as the key. Wine now and then takes an injected Ctrl as
// released (it resynchronises the modifiers with the X server's keyboard, which never saw it): a
// press that brought nothing within a third of the time is told and given once more, twice.
inline std::optional<double> CtrlKey(WORD vk, const std::string& status, std::chrono::seconds timeout) {
    const auto attempt = std::chrono::duration_cast<std::chrono::seconds>(timeout / 3);
    for (int tries = 1; tries <= 3; ++tries) {
        Key(VK_CONTROL, true);
        const auto start = Clock::now();
        Key(vk, true);
        const bool done = WaitFor(status, attempt);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        Key(vk, false);
        Key(VK_CONTROL, false);
        if (done) return ms;
        std::printf("(Ctrl+%c brought nothing within %lld s, try %d of 3)\n", static_cast<char>(vk),
                    static_cast<long long>(attempt.count()), tries);
    }
    return std::nullopt;
}

// The status line back to blank, so the next "done" is a new one: any key press blanks it (F9
// means nothing to the program). A look of the run reports only the highest key that changed, so
// the run has seen F9 let go before the next key goes down.
inline void ClearStatus(HWND main) {
    Key(VK_F9, true);
    WaitFor(Padded(""), std::chrono::seconds(10));
    RunKey(main, VK_F9, false);
}

// Visible, and start-up has run to its end (the start hints are enabled).
inline bool StartedUp(HWND main) {
    if (main == nullptr || !IsWindowVisible(main)) return false;
    HWND hint = FindWindowExW(main, nullptr, L"Static", L"をクリックして下さい");
    return hint != nullptr && IsWindowEnabled(hint);
}

struct Started {
    UniqueHandle process;
    DWORD pid = 0;
};

// Tessarin.exe of a program folder (the build's own when empty), started with the arguments.
inline Started Start(const std::wstring& arguments, const std::wstring& folder = {}) {
    const std::wstring exe =
        folder.empty() ? Utf8ToWide(ProgramFolder() + "\\..\\bin\\Tessarin.exe") : folder + L"\\Tessarin.exe";
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Started started;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return started;
    CloseHandle(pi.hThread);
    started.process.reset(pi.hProcess);
    started.pid = pi.dwProcessId;
    return started;
}

// Closes the program; a question about unsaved captures is answered No.
inline void CloseProgram(const Started& started) {
    if (HWND main = FindProcessWindow(started.pid, L"frmTessarin")) PostMessageW(main, WM_CLOSE, 0, 0);
    for (int i = 0; i < 600 && WaitForSingleObject(started.process.get(), 50) == WAIT_TIMEOUT; ++i) {
        HWND box = FindProcessWindow(started.pid, L"#32770", L"保存確認");
        if (box != nullptr) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    }
}

// Every window of a process, top-level and child: how USER objects are counted where the
// system does not count them itself (Wine).
inline int CountWindows(DWORD pid) {
    struct Count {
        DWORD pid;
        int windows;
    } count{pid, 0};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* c = reinterpret_cast<Count*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != c->pid) return TRUE;
            ++c->windows;
            EnumChildWindows(
                hwnd,
                [](HWND, LPARAM inner) -> BOOL {
                    ++*reinterpret_cast<int*>(inner);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&c->windows));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.windows;
}

inline std::string ReadText(const std::wstring& path) {
    const UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string text(65536, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) return {};
    text.resize(read);
    return text;
}

// Wine counts neither GDI nor USER objects, handles nor memory of another process; the host
// system does, in its process table (reachable as drive Z:). The program is the process whose
// command line names the session's own folder. Its anonymous resident memory is what Windows
// counts as private memory (the program has no swap here).
inline std::string HostUsage(const std::string& folderMark) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    std::string result;
    do {
        const std::wstring pid = found.cFileName;
        if (pid.empty() || pid.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        const std::string command = ReadText(L"Z:\\proc\\" + pid + L"\\cmdline");
        if (command.find(folderMark) == std::string::npos || command.find("Tessarin.exe") == std::string::npos)
            continue;
        const std::string status = ReadText(L"Z:\\proc\\" + pid + L"\\status");
        const auto field = [&status](const char* name) {
            const size_t at = status.find(name);
            if (at == std::string::npos) return std::string("?");
            const size_t end = status.find('\n', at);
            std::string line = status.substr(at + std::strlen(name), end - at - std::strlen(name));
            line.erase(0, line.find_first_not_of(" \t"));
            return line;
        };
        int descriptors = 0;
        WIN32_FIND_DATAW fd{};
        const HANDLE fds = FindFirstFileW((L"Z:\\proc\\" + pid + L"\\fd\\*").c_str(), &fd);
        if (fds != INVALID_HANDLE_VALUE) {
            do {
                if (fd.cFileName[0] != L'.') ++descriptors;
            } while (FindNextFileW(fds, &fd));
            FindClose(fds);
        }
        result = "host: resident " + field("VmRSS:") + " (private " + field("RssAnon:") + "), data " +
                 field("VmData:") + ", " + std::to_string(descriptors) + " file descriptors";
    } while (result.empty() && FindNextFileW(search, &found));
    FindClose(search);
    return result;
}

}  // namespace tessarin::bench
