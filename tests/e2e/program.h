#pragma once
// Drives the real Tessarin.exe: a private copy of the program folder, the process, its
// windows and the status record it publishes.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "e2e/panel.h"
#include "win/win_test_support.h"
#include "win32/codepage.h"
#include "win32/filesystem.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/wide.h"

namespace tessarin::test {

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The status text of the program's record (32 bytes of code page 932), and what it is for a text.
inline std::string StatusField() {
    const std::string record = ReadRecordBytes("Tessarin");
    return record.empty() ? "<no record>" : record.substr(4);
}
inline std::string StatusText(const std::string& utf8) {
    const std::string narrow = AnsiCodePage().fromUtf8(utf8);
    return narrow + std::string(32 - narrow.size(), ' ');
}
inline bool AwaitStatus(const std::string& utf8, DWORD deadlineMs = 10000) {
    return Await([&] { return StatusField() == StatusText(utf8); }, deadlineMs);
}

// The text a control of another process holds (GetWindowText only sees captions there).
inline std::string ControlText(HWND control) {
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &copied);
    return WideToUtf8(buffer);
}

// One run of the program from its own copy of the program folder.
class Program {
public:
    // Copies the built program folder; withCodec false leaves imgctl.dll out.
    explicit Program(bool withCodec = true) {
        for (const std::string file : {"Tessarin.exe", "imgctl.dll", "mpng.dll"})
            if (withCodec || file != "imgctl.dll")
                CopyFileW(Utf8ToWide(ProgramBinFolder() + "\\" + file).c_str(), Utf8ToWide(path(file)).c_str(), FALSE);
    }
    // A second program started from the same folder, as a user starts the program twice.
    struct SameFolder {};
    Program(const Program& other, SameFolder) : folder_(other.folder_) {}
    ~Program() {
        if (process_ && !Exited(0)) Kill();
    }

    // Ends the program as the task manager does, with nothing of it run any more.
    void Kill() const {
        TerminateProcess(process_.get(), 99);
        (void)Exited(5000);
    }

    [[nodiscard]] std::string path(const std::string& name) const { return *folder_ / name; }
    [[nodiscard]] DWORD processId() const { return processId_; }

    // With a current folder of its own, so the program cannot lean on ours. Wine now and then
    // refuses a start for a moment after the previous program ended: it is asked again until it
    // accepts.
    [[nodiscard]] bool Start(const std::string& arguments) {
        std::wstring line = L"\"" + Utf8ToWide(path("Tessarin.exe")) + L"\"";
        if (!arguments.empty()) line += L" " + Utf8ToWide(arguments);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        DWORD refused = 0;
        const bool started = WaitUntil(
            [&] {
                if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_->wide().c_str(),
                                   &si, &pi))
                    return true;
                if (refused == 0) std::printf("start refused with error %lu\n", refused = GetLastError());
                return false;
            },
            10000);
        if (!started) return false;
        process_.reset(pi.hProcess);
        CloseHandle(pi.hThread);
        processId_ = pi.dwProcessId;
        return true;
    }

    // Waits until start-up has finished and returns the main window, visible or not; nullptr
    // when that does not happen in time. Start-up ends by enabling the start hint label, and a
    // window that answers a message has left its start-up code. The label is also enabled for
    // an instant between its creation and its disabling, and start-up may answer messages
    // before its end: the label must still be enabled once the answer has come.
    [[nodiscard]] HWND WaitForIdle() {
        const bool started = Await([this] {
            HWND hint = nullptr;
            DWORD_PTR result = 0;
            return (main_ = FindProcessWindow(processId_, L"frmTessarin")) != nullptr &&
                   (hint = FindWindowExW(main_, nullptr, L"Static", L"をクリックして下さい")) != nullptr &&
                   IsWindowEnabled(hint) &&
                   SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &result) && IsWindowEnabled(hint);
        });
        return started ? main_ : nullptr;
    }
    [[nodiscard]] HWND Run(const std::string& arguments) { return Start(arguments) ? WaitForIdle() : nullptr; }

    // The exit code once the program has ended; nothing while it still runs at the deadline.
    [[nodiscard]] std::optional<DWORD> Exited(DWORD deadlineMs = 30000) const {
        DWORD code = 0;
        if (!process_ || WaitForSingleObject(process_.get(), deadlineMs) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(process_.get(), &code))
            return std::nullopt;
        return code;
    }
    // Closes the main window as its close box does; Quit also waits for the program to end,
    // answering a question about unsaved images with No. The test's own messages flow meanwhile:
    // the program may still be finishing an exchange with a window of the test (a drag).
    void Close() const { PostMessageW(main_, WM_CLOSE, 0, 0); }
    [[nodiscard]] std::optional<DWORD> Quit() const {
        Close();
        for (int i = 0; i < 600; ++i) {
            ProcessPendingMessages();
            if (auto code = Exited(50)) return code;
            if (HWND box = FindProcessWindow(processId_, L"#32770", L"保存確認")) Press(box, IDNO);
        }
        return Exited(0);
    }

    // A window of the program of that class (and caption), once it shows; nullptr at the deadline.
    [[nodiscard]] HWND AwaitWindow(const std::wstring& className, DWORD deadlineMs = 10000,
                                   const std::wstring& caption = {}) const {
        HWND window = nullptr;
        (void)Await(
            [&] {
                return (window = FindProcessWindow(processId_, className, caption)) != nullptr &&
                       IsWindowVisible(window);
            },
            deadlineMs);
        return window;
    }
    // A message box of the program with that title, once it shows.
    [[nodiscard]] HWND AwaitDialog(const std::wstring& title, DWORD deadlineMs = 10000) const {
        return AwaitWindow(L"#32770", deadlineMs, title);
    }
    // The message of a message box.
    [[nodiscard]] static std::string DialogText(HWND box) { return WideToUtf8(WindowText(GetDlgItem(box, 0xFFFF))); }
    static void Press(HWND box, int button) {
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    }
    // Closes the program and answers its question about unsaved images; the question's text.
    [[nodiscard]] std::string CloseQuestion(int answer) const {
        Close();
        HWND box = AwaitDialog(L"保存確認");
        if (box == nullptr) return "<no question>";
        const std::string text = DialogText(box);
        Press(box, answer);
        return text;
    }

    // The JPEG files of the save folder, sorted.
    [[nodiscard]] std::vector<std::string> Jpegs() const {
        std::vector<std::string> names = WinFileSystem().list(path("data\\*.jpg"));
        std::ranges::sort(names);
        return names;
    }
    // "conf.txt" as the program left it, and how many lines it has.
    [[nodiscard]] std::string Conf() const { return WinFileSystem().readFile(path("conf.txt")).value_or(""); }
    [[nodiscard]] size_t ConfLines() const {
        const std::string text = Conf();
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }

private:
    std::shared_ptr<TempFolder> folder_ = std::make_shared<TempFolder>();
    UniqueHandle process_;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
};

}  // namespace tessarin::test
