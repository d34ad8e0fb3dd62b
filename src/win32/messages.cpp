#include "win32/messages.h"

#include <commctrl.h>

#include <optional>
#include <string>
#include <utility>

#include "core/app/placement.h"

namespace tessarin {

namespace {

// False when a quit request came: it is left for the main loop.
bool RunPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

}  // namespace

void ProcessPendingMessages() { (void)RunPendingMessages(); }

// A program that is ending has nobody left to wait for.
void ProcessMessagesFor(DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (!RunPendingMessages()) return;
    }
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

void RunModalLoop(const HWND& window) {
    MSG msg{};
    while (window != nullptr) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Handed on: the loop that called us must end too.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (got == -1) return;
        if (window != nullptr && IsDialogMessageW(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::vector<Rect> MonitorWorkAreas() {
    std::vector<Rect> areas;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM found) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info)) {
                const RECT& work = info.rcWork;
                reinterpret_cast<std::vector<Rect>*>(found)->push_back({work.left, work.top, work.right, work.bottom});
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&areas));
    return areas;
}

// The owner's place when it is not minimised: a minimised window stands far off every monitor.
void PlaceOnOwnersMonitor(HWND dialog, HWND owner, int width, int height) {
    RECT bounds{};
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (owner != nullptr && IsIconic(owner) && GetWindowPlacement(owner, &placement)) {
        bounds = placement.rcNormalPosition;
    } else {
        GetWindowRect(owner != nullptr ? owner : dialog, &bounds);
    }
    const std::vector<Rect> areas = MonitorWorkAreas();
    const std::optional<size_t> monitor = MonitorOf({bounds.left, bounds.top, bounds.right, bounds.bottom}, areas);
    const Rect place = monitor ? CentredOn(areas[*monitor], width, height) : Rect{0, 0, width, height};
    SetWindowPos(dialog, HWND_TOPMOST, place.left, place.top, width, height, SWP_NOACTIVATE);
}

bool RegisterWindowClass(const wchar_t* className, WNDPROC procedure, HBRUSH background, HICON icon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = icon;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND FindProcessWindow(DWORD processId, std::wstring_view className, std::wstring_view caption) {
    struct Query {
        DWORD pid;
        std::wstring_view className;
        std::wstring_view caption;
        HWND found;
    } query{processId, className, caption, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* q = reinterpret_cast<Query*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            wchar_t name[256] = {};
            GetClassNameW(hwnd, name, 256);
            if (pid != q->pid || q->className != name) return TRUE;
            if (!q->caption.empty()) {
                wchar_t text[512] = {};
                GetWindowTextW(hwnd, text, 512);
                if (q->caption != text) return TRUE;
            }
            q->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.found;
}

UniqueWindow CreateWindowTip(HWND window, const wchar_t* text) {
    UniqueWindow tips(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                      0, 0, 0, 0, window, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!tips) return tips;
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = window;
    info.uId = reinterpret_cast<UINT_PTR>(window);
    info.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tips.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    return tips;
}

namespace {

std::function<void(const std::string&)>& ErrorReporter() {
    static std::function<void(const std::string&)> reporter;
    return reporter;
}

}  // namespace

void SetWindowErrorReporter(std::function<void(const std::string& what)> reporter) {
    ErrorReporter() = std::move(reporter);
}

void ReportWindowError(const char* what) noexcept {
    const char* text = what != nullptr ? what : "unknown error";
    ::OutputDebugStringA("Tessarin: ");
    ::OutputDebugStringA(text);
    ::OutputDebugStringA("\n");
    // A failure inside the reporter would come straight back here: it reports once.
    static bool reporting = false;
    if (reporting || !ErrorReporter()) return;
    reporting = true;
    try {
        ErrorReporter()(text);
    } catch (...) {
        // The debugger's line is all there is.
    }
    reporting = false;
}

}  // namespace tessarin
