#include "win32/desktop.h"

#include <shellscalingapi.h>

#include <exception>

#include "win32/window_queries.h"

namespace tessarin {
namespace {

struct VersionInfo {
    DWORD platformId = 0;
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
};

// RtlGetVersion tells the true version; GetVersionExW answers an unmanifested program with
// 6.2 on later systems, which would still pass every version rule here, so it is the
// fallback.
VersionInfo ReadVersion() {
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        // Through void(*)(): a direct cast between unrelated function types is warned about.
        const auto rtlGetVersion =
            reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (rtlGetVersion != nullptr && rtlGetVersion(&info) == 0) {
            return {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
        }
    }
    OSVERSIONINFOW legacy{};
    legacy.dwOSVersionInfoSize = sizeof legacy;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExW(&legacy) == FALSE) return {};
#pragma GCC diagnostic pop
    return {legacy.dwPlatformId, legacy.dwMajorVersion, legacy.dwMinorVersion, legacy.dwBuildNumber};
}

const VersionInfo& Version() {
    static const VersionInfo version = ReadVersion();
    return version;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    // No exception may leave the callback: an allocation failure just ends the list.
    try {
        reinterpret_cast<std::vector<WindowId>*>(context)->push_back(ToWindowId(window));
        return TRUE;
    } catch (const std::exception&) {
        return FALSE;
    }
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info) == FALSE) return TRUE;
    const RECT& r = info.rcMonitor;
    auto& monitors = *reinterpret_cast<std::vector<Rect>*>(context);
    try {
        const Rect rect{r.left, r.top, r.right, r.bottom};
        if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
            monitors.insert(monitors.begin(), rect);
        } else {
            monitors.push_back(rect);
        }
        return TRUE;
    } catch (const std::exception&) {
        return FALSE;
    }
}

}  // namespace

Point WinDesktop::cursorPos() const {
    POINT p{};
    if (GetCursorPos(&p) == FALSE) return {};
    return {p.x, p.y};
}

WindowId WinDesktop::windowFromPoint(Point p) const { return ToWindowId(WindowFromPoint(POINT{p.x, p.y})); }

WindowId WinDesktop::foregroundWindow() const { return ToWindowId(GetForegroundWindow()); }

std::string WinDesktop::className(WindowId w) const { return WindowClassName(w); }

std::string WinDesktop::windowText(WindowId w) const { return WindowText(w); }

std::string WinDesktop::controlText(WindowId w) const { return ControlText(w); }

WindowId WinDesktop::parent(WindowId w) const { return ToWindowId(GetParent(ToHwnd(w))); }

Rect WinDesktop::windowRect(WindowId w) const {
    RECT r{};
    if (GetWindowRect(ToHwnd(w), &r) == FALSE) return {};
    return {r.left, r.top, r.right, r.bottom};
}

bool WinDesktop::isVisible(WindowId w) const { return IsWindowVisible(ToHwnd(w)) != FALSE; }

std::vector<WindowId> WinDesktop::topLevelWindows() const {
    std::vector<WindowId> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

int WinDesktop::osPlatformId() const { return static_cast<int>(Version().platformId); }

float WinDesktop::osVersionNumber() const {
    return static_cast<float>(Version().major) + static_cast<float>(Version().minor) / 10.0f;
}

// Without any monitor the system could name (a session without a display), the primary's size
// stands for the screen.
std::vector<Rect> WinDesktop::monitors() const {
    std::vector<Rect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) monitors.push_back(Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    return monitors;
}

WindowScale WinDesktop::windowScale(WindowId w) const {
    const HWND window = ToHwnd(w);
    if (window == nullptr || IsWindow(window) == FALSE) return {};
    UINT dpiX = 0;
    UINT dpiY = 0;
    const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (monitor == nullptr || FAILED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY))) dpiX = 0;
    return WindowScale{static_cast<int32_t>(GetDpiForWindow(window)), static_cast<int32_t>(dpiX)};
}

uint32_t OsBuildNumber() { return Version().build; }

HCURSOR ForegroundCursor() {
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD ownThread = GetCurrentThreadId();
    // Attaching fails for our own thread (and for no foreground window); GetCursor then
    // answers for our own input state, which is the right one in that case.
    if (foregroundThread != 0 && foregroundThread != ownThread &&
        AttachThreadInput(ownThread, foregroundThread, TRUE) != FALSE) {
        HCURSOR cursor = GetCursor();
        AttachThreadInput(ownThread, foregroundThread, FALSE);
        return cursor;
    }
    return GetCursor();
}

}  // namespace tessarin
