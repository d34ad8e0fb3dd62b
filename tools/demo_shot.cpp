// The demonstration of `make run` on a machine without a display of its own: in a copy of the
// program folder it starts Tessarin with a capture run, opens three coloured windows, captures
// one window, a drawn range and the desktop with injected keys, saves each capture with Ctrl+S,
// photographs the main window with its strip of thumbnails as a bitmap file and closes the
// program again.
//
//   demo_shot <program folder> <screenshot.bmp>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/app/status_record.h"
#include "win32/codepage.h"
#include "win32/filesystem.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/picture.h"
#include "win32/status_record.h"
#include "win32/wide.h"

namespace {

using namespace tessarin;

// ---- The coloured windows to capture -------------------------------------------------------

struct Target {
    const wchar_t* caption;
    COLORREF colour;
    RECT bounds;
};

// Tessarin's main window opens at its default place, the lower right of a 1280 x 1024 screen
// (640, 563 - 1216, 922); these stay clear of it, and of the bare corners the range is drawn
// between.
constexpr Target kTargets[] = {
    {L"Red window", RGB(200, 40, 50), {60, 60, 420, 300}},
    {L"Green window", RGB(40, 160, 80), {480, 80, 780, 280}},
    {L"Blue window", RGB(40, 90, 200), {160, 360, 580, 620}},
};
constexpr POINT kOverRed{240, 180};
// The range's corners lie on the bare root window, where no Wine window sees the pointer (see
// MovePointer); between them it takes in part of the red and most of the green window.
constexpr POINT kRangeStart{300, 40};
constexpr POINT kRangeEnd{700, 330};
constexpr POINT kOutOfTheWay{20, 1000};

void PaintTarget(HWND hwnd, HDC dc) {
    static const GdiObject<HFONT> font(CreateFontW(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                                   DEFAULT_PITCH, L"Tahoma"));
    RECT r{};
    GetClientRect(hwnd, &r);
    const auto* target = reinterpret_cast<const Target*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    SetDCBrushColor(dc, target != nullptr ? target->colour : RGB(128, 128, 128));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (target == nullptr) return;
    const SelectGuard select(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, target->caption, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            PaintTarget(hwnd, BeginPaint(hwnd, &ps));
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintTarget(hwnd, reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Topmost and never activated, so the windows stay in view without taking the keyboard.
std::vector<UniqueWindow> OpenTargets() {
    std::vector<UniqueWindow> windows;
    if (!RegisterWindowClass(L"TessarinDemoTarget", TargetProc, nullptr)) return windows;
    for (const Target& target : kTargets) {
        const RECT& b = target.bounds;
        windows.emplace_back(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"TessarinDemoTarget", target.caption,
                                             WS_POPUP | WS_VISIBLE, b.left, b.top, b.right - b.left, b.bottom - b.top,
                                             nullptr, nullptr, GetModuleHandleW(nullptr),
                                             const_cast<Target*>(&target)));
        if (!windows.back()) return {};
        UpdateWindow(windows.back().get());
    }
    return windows;
}

// ---- Waiting, keys and the pointer ---------------------------------------------------------

// Polls a condition until it holds or the deadline passes, with this thread's windows painting.
bool Await(const std::function<bool()>& done, DWORD deadlineMs) {
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        ProcessPendingMessages();
        Sleep(10);
    }
    return true;
}

void Pause(DWORD ms) {
    (void)Await([] { return false; }, ms);
}

void Key(WORD vk, bool down) {
    INPUT input{INPUT_KEYBOARD, {}};
    input.ki = KEYBDINPUT{vk, 0, down ? 0ul : KEYEVENTF_KEYUP, 0, 0};
    SendInput(1, &input, sizeof input);
}

// Wine resynchronises Shift, Ctrl and Alt with the X server's keyboard whenever a Wine window
// handles a pointer event, and the X server never saw the injected keys: a modifier held while
// the pointer moves over a window would be released behind our back. So the pointer moves only
// with no modifier held, or over the bare root window.
void MovePointer(POINT p) {
    SetCursorPos(p.x, p.y);
    Pause(150);
}

// ---- The program ---------------------------------------------------------------------------

// The status text as other programs read it from the shared record.
class StatusReader {
public:
    bool Shows(const std::string& utf8) { return record_.Field() == StatusRecordReader::Expected(utf8); }
    bool Await(const std::string& utf8, DWORD deadlineMs = 10000) {
        return ::Await([&] { return Shows(utf8); }, deadlineMs);
    }
    std::string Readable() {
        const std::optional<std::string> field = record_.Field();
        return field ? StatusRecordReader::Readable(*field) : "<no record>";
    }

private:
    StatusRecordReader record_{kStatusRecordName};
};

std::set<std::wstring> FilesIn(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.insert(found.cFileName);
    } while (FindNextFileW(find.get(), &found));
    return names;
}

class Demo {
public:
    explicit Demo(std::wstring folder) : folder_(std::move(folder)) {}
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;
    ~Demo() {
        for (WORD vk : {WORD{VK_CONTROL}, WORD{VK_SHIFT}, WORD{'C'}, WORD{'S'}}) Key(vk, false);
        if (process_ && WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) {
            TerminateProcess(process_.get(), 1);
            WaitForSingleObject(process_.get(), 5000);
        }
    }

    // With -auto, from its own folder as current folder.
    bool Start() {
        std::wstring line = L"\"" + folder_ + L"\\Tessarin.exe\" -auto";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si, &pi))
            return Fail("Tessarin.exe did not start");
        process_.reset(pi.hProcess);
        CloseHandle(pi.hThread);
        processId_ = pi.dwProcessId;
        // Start-up ends by enabling the start hint; a window that answers has left its start-up code.
        const bool started = Await(
            [this] {
                DWORD_PTR result = 0;
                HWND hint = nullptr;
                return (main_ = FindProcessWindow(processId_, L"frmTessarin")) != nullptr &&
                       (hint = FindWindowExW(main_, nullptr, L"Static", L"をクリックして下さい")) != nullptr &&
                       IsWindowEnabled(hint) &&
                       SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &result);
            },
            60000);
        if (!started) return Fail("the main window did not finish its start-up");
        return status_.Await("Go") || Fail("no capture run (\"Go\")");
    }

    bool CaptureWindow() {
        MovePointer(kOverRed);
        return CtrlC() && Save("the window under the pointer (Ctrl+C)");
    }

    bool CaptureRange() {
        MovePointer(kRangeStart);
        Key(VK_SHIFT, true);
        HWND overlay = nullptr;
        if (!Await([&] { return (overlay = FindProcessWindow(processId_, L"frmRect")) && IsWindowVisible(overlay); },
                   10000))
            return Fail("Shift showed no range");
        SetCursorPos(kRangeEnd.x, kRangeEnd.y);
        RECT drawn{};
        if (!Await(
                [&] {
                    return GetWindowRect(overlay, &drawn) && drawn.right == kRangeEnd.x && drawn.bottom == kRangeEnd.y;
                },
                10000))
            return Fail("the range did not follow the pointer");
        Key(VK_SHIFT, false);
        // A fixed range hides the range hint.
        HWND rangeHint = FindWindowExW(main_, nullptr, L"Static", L"範囲設定");
        if (!Await([&] { return !IsWindowVisible(rangeHint); }, 10000)) return Fail("the range was not fixed");
        return CtrlC() && Save("a range drawn with Shift (Ctrl+C)");
    }

    bool CaptureDesktop() {
        Key(VK_SNAPSHOT, true);
        Pause(60);
        Key(VK_SNAPSHOT, false);
        if (!status_.Await("キャプチャー完了")) return Fail("Print Screen captured nothing");
        return Save("the desktop (Print Screen)");
    }

    // The main window as the screen shows it, the thumbnails of the strip included.
    bool Photograph(const std::wstring& path) {
        MovePointer(kOutOfTheWay);
        RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
        Pause(500);
        RECT r{};
        GetWindowRect(main_, &r);
        Picture picture;
        const WindowDc screen(nullptr);
        if (!screen || !picture.resize(r.right - r.left, r.bottom - r.top) ||
            !BitBlt(picture.dc(), 0, 0, picture.width(), picture.height(), screen.get(), r.left, r.top,
                    SRCCOPY | CAPTUREBLT) ||
            !picture.WriteBitmapFile(path))
            return Fail("the main window could not be photographed");
        std::printf("demo_shot: main window photographed (%d x %d)\n", picture.width(), picture.height());
        return true;
    }

    // Every capture was saved, so the program closes without a question.
    bool Close() {
        PostMessageW(main_, WM_CLOSE, 0, 0);
        HWND question = nullptr;
        const bool ended = Await(
            [&] {
                question = FindProcessWindow(processId_, L"#32770");
                return question != nullptr || WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
            },
            30000);
        if (question != nullptr) {
            wchar_t text[512] = {};
            GetWindowTextW(GetDlgItem(question, 0xFFFF), text, 512);
            return Fail("closing asked \"" + WideToUtf8(text) + "\" although every capture was saved");
        }
        return ended || Fail("the program did not end");
    }

    [[nodiscard]] const std::vector<std::wstring>& saved() const { return saved_; }

private:
    bool Fail(const std::string& what) {
        std::printf("demo_shot: %s (status \"%s\")\n", what.c_str(), status_.Readable().c_str());
        return false;
    }

    // Ctrl+C as a user types it.
    bool CtrlC() {
        Key(VK_CONTROL, true);
        Key('C', true);
        const bool done = status_.Await("キャプチャー完了");
        Key('C', false);
        Key(VK_CONTROL, false);
        Pause(60);
        return done || Fail("Ctrl+C captured nothing");
    }

    // Ctrl+S saves the newest entry, the selected one, into the save folder.
    bool Save(const std::string& what) {
        const std::set<std::wstring> before = FilesIn(folder_ + L"\\data");
        Key(VK_CONTROL, true);
        Key('S', true);
        const bool done = status_.Await("保存完了！");
        Key('S', false);
        Key(VK_CONTROL, false);
        // One sampling pass sees only the highest key that changed: the release must be seen
        // before the next key goes down.
        Pause(60);
        if (!done) return Fail("Ctrl+S did not save " + what);
        std::vector<std::wstring> added;
        for (const std::wstring& name : FilesIn(folder_ + L"\\data"))
            if (before.count(name) == 0) added.push_back(name);
        if (added.size() != 1) return Fail("saving " + what + " did not add exactly one file");
        saved_.push_back(added.front());
        std::printf("demo_shot: captured %s, saved as data\\%s\n", what.c_str(), WideToUtf8(added.front()).c_str());
        std::fflush(stdout);
        return true;
    }

    std::wstring folder_;
    UniqueHandle process_;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
    StatusReader status_;
    std::vector<std::wstring> saved_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: demo_shot <program folder> <screenshot.bmp>\n", stderr);
        return 2;
    }
    const std::wstring folder = argv[1];
    // Under Wine a window of another process cannot draw into Tessarin's device context, so a
    // window capture must copy the screen rather than let the window print itself.
    if (!WinFileSystem().replaceFile(WideToUtf8(folder + L"\\conf.txt"), "no tooltip = 0\r\n")) {
        std::puts("demo_shot: conf.txt could not be written in the program folder");
        return 1;
    }
    const std::vector<UniqueWindow> targets = OpenTargets();
    if (targets.empty()) {
        std::puts("demo_shot: the coloured windows could not be opened");
        return 1;
    }
    Pause(200);
    Demo demo(folder);
    const bool ok = demo.Start() && demo.CaptureWindow() && demo.CaptureRange() && demo.CaptureDesktop() &&
                    demo.Photograph(argv[2]) && demo.Close();
    if (ok) std::printf("demo_shot: %zu captures saved, program closed\n", demo.saved().size());
    return ok ? 0 : 1;
}
