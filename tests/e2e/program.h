#pragma once
// Drives the real Tessarin.exe: a private copy of the program folder, the process, its
// main window and the status record it publishes.

#include <windows.h>

#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "win/win_test_support.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/wide.h"

namespace tessarin::test {

// Polls a condition until it holds or the deadline passes; messages of this thread keep
// flowing meanwhile so windows the test owns stay alive.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

inline constexpr std::chrono::seconds kStartTimeout{30};

// The 36 bytes of the named status record, or nothing when no program holds it.
inline std::optional<std::array<char, 36>> ReadStatusRecord() {
    const UniqueHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, L"Tessarin"));
    if (!mapping) return std::nullopt;
    const MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 36));
    if (!view) return std::nullopt;
    std::array<char, 36> bytes{};
    std::memcpy(bytes.data(), view.get(), bytes.size());
    return bytes;
}

// The status text of the record in code page 932 bytes, blanks included.
inline std::string StatusField() {
    const auto record = ReadStatusRecord();
    return record ? std::string(record->data() + 4, 32) : std::string("<no record>");
}

inline std::string Cp932(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

inline std::string ReadBytes(const std::string& path) {
    const UniqueHandle file(
        CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

inline bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

inline std::wstring WindowTextOf(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

// One run of the program from its own copy of the program folder.
class Program {
public:
    // Copies the built program folder; withCodec false leaves imgctl.dll out.
    explicit Program(bool withCodec = true) {
        const std::string bin = ProgramBinFolder();
        CopyFileW(Utf8ToWide(bin + "\\Tessarin.exe").c_str(), Utf8ToWide(folder_ / "Tessarin.exe").c_str(), FALSE);
        if (withCodec)
            CopyFileW(Utf8ToWide(bin + "\\imgctl.dll").c_str(), Utf8ToWide(folder_ / "imgctl.dll").c_str(), FALSE);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.get(), 99);
            WaitForSingleObject(process_.get(), 5000);
        }
    }

    [[nodiscard]] std::string folder() const { return folder_.path(); }
    [[nodiscard]] std::string path(const std::string& name) const { return folder_ / name; }

    [[nodiscard]] bool Start(const std::string& arguments) {
        std::wstring line = L"\"" + Utf8ToWide(folder_ / "Tessarin.exe") + L"\"";
        if (!arguments.empty()) line += L" " + Utf8ToWide(arguments);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        // A current folder of its own, so the program cannot lean on ours.
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.wide().c_str(), &si,
                            &pi))
            return false;
        process_.reset(pi.hProcess);
        CloseHandle(pi.hThread);
        processId_ = pi.dwProcessId;
        return true;
    }

    // Waits for the main window to exist (visible or not).
    [[nodiscard]] HWND WaitForMainWindow() {
        WaitUntil([this] { return (main_ = FindProcessWindow(processId_, L"frmTessarin")) != nullptr; }, kStartTimeout);
        return main_;
    }

    // Waits until start-up has finished: its last step enables the start hint labels.
    [[nodiscard]] HWND WaitForIdle() {
        if (WaitForMainWindow() == nullptr) return nullptr;
        const bool started = WaitUntil(
            [this] {
                HWND hint = FindWindowExW(main_, nullptr, L"Static", L"をクリックして下さい");
                return hint != nullptr && IsWindowEnabled(hint);
            },
            kStartTimeout);
        if (!started) return nullptr;
        DWORD_PTR result = 0;
        // A window that answers a message has left its start-up code.
        if (!SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &result)) return nullptr;
        return main_;
    }

    void Close() const { PostMessageW(main_, WM_CLOSE, 0, 0); }

    [[nodiscard]] bool WaitForExit(std::chrono::milliseconds timeout = std::chrono::milliseconds(30000)) const {
        return process_ && WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
    }

    [[nodiscard]] DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

    [[nodiscard]] DWORD processId() const { return processId_; }
    [[nodiscard]] HWND main() const { return main_; }

private:
    TempFolder folder_;
    UniqueHandle process_;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
};

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = text.find("\r\n", from);
        if (end == std::string::npos) {
            lines.push_back(text.substr(from));
            break;
        }
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

}  // namespace tessarin::test
